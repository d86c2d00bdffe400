#include "tests/platform/win/fixture.h"

namespace wintest {
namespace {

using WindowTree = WinTest;

TEST_F(WindowTree, CreationSendsItsMessagesInOrder) {
  HWND h = Top(10, 20, 100, 50, WS_POPUP);
  EXPECT_EQ(Messages(h), (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE,
                                             WM_CREATE, WM_SIZE, WM_MOVE}));
  EXPECT_FALSE(IsWindowVisible(h));
}

TEST_F(WindowTree, CreateAnswerOfMinusOneFailsTheCreation) {
  handlers[nullptr] = nullptr;
  WNDCLASS wc;
  wc.lpszClassName = "refuses";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    return m == WM_CREATE ? -1 : DefWindowProc(h, m, w, l);
  };
  ASSERT_NE(RegisterClass(&wc), 0);
  EXPECT_EQ(RegisterClass(&wc), 0) << "a name is registered once";
  EXPECT_EQ(CreateWindowEx(0, "REFUSES", "", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr), nullptr);
}

TEST_F(WindowTree, SetWindowPosSendsGeometryMessagesInOrder) {
  HWND h = Top(10, 20, 100, 50, WS_POPUP | WS_VISIBLE | WS_BORDER);
  log.clear();
  SetWindowPos(h, nullptr, 30, 40, 120, 60, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Messages(h, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
            (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE,
                               WM_SIZE}));
  RECT r, c;
  GetWindowRect(h, &r);
  GetClientRect(h, &c);
  EXPECT_EQ(r, (RECT{30, 40, 150, 100}));
  EXPECT_EQ(c, (RECT{0, 0, 118, 58})) << "a one-pixel border all round";

  log.clear();
  SetWindowPos(h, nullptr, 35, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Messages(h, {WM_NCCALCSIZE, WM_MOVE, WM_SIZE}), (std::vector<UINT>{WM_MOVE}))
      << "a pure move neither recalculates the frame nor resizes";
}

TEST_F(WindowTree, PositionChangingCanAlterTheRequest) {
  HWND h = Top(0, 0, 100, 100);
  handlers[h] = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(l)->cx = 77;
    return std::nullopt;
  };
  MoveWindow(h, 5, 5, 200, 200, TRUE);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r, (RECT{5, 5, 82, 205}));
}

TEST_F(WindowTree, CaptionAndFrameShapeTheClientArea) {
  HWND h = Top(0, 0, 200, 100, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  RECT c = GetClientRectInWindow(h);
  EXPECT_EQ(c, (RECT{4, 4 + 19, 196, 96}));
  RECT adj{0, 0, 192, 73};
  AdjustWindowRectEx(&adj, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(adj, (RECT{-4, -23, 196, 77}));
}

TEST_F(WindowTree, DestroyGoesOwnedFirstThenDownAndUpTheTree) {
  HWND owner = Top(0, 0, 100, 100);
  HWND owned = Top(10, 10, 50, 50, WS_POPUP | WS_VISIBLE, 0, owner);
  HWND child = Child(owner, 0, 0, 10, 10);
  log.clear();
  DestroyWindow(owner);
  std::vector<std::pair<HWND, UINT>> seq;
  for (const Entry& e : log)
    if (e.msg == WM_DESTROY || e.msg == WM_NCDESTROY) seq.push_back({e.hwnd, e.msg});
  EXPECT_EQ(seq, (std::vector<std::pair<HWND, UINT>>{{owned, WM_DESTROY}, {owned, WM_NCDESTROY},
                                                       {owner, WM_DESTROY}, {child, WM_DESTROY},
                                                       {child, WM_NCDESTROY}, {owner, WM_NCDESTROY}}));
  EXPECT_FALSE(IsWindow(owner));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(owned));
}

TEST_F(WindowTree, TrainingHookSeesDestructionFirstAndCanVetoIt) {
  HWND h = Top(0, 0, 10, 10);
  std::vector<HWND> seen;
  bool veto = true;
  HHOOK hook = SetWindowsHookEx(WH_CBT, [&](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (code == HCBT_DESTROYWND) {
      seen.push_back(reinterpret_cast<HWND>(w));
      return veto ? 1 : 0;
    }
    return CallNextHookEx(nullptr, code, w, l);
  }, nullptr, 0);
  EXPECT_FALSE(DestroyWindow(h));
  EXPECT_TRUE(IsWindow(h));
  veto = false;
  EXPECT_TRUE(DestroyWindow(h));
  EXPECT_EQ(seen, (std::vector<HWND>{h, h}));
  UnhookWindowsHookEx(hook);
}

TEST_F(WindowTree, HandlesAreNeverReusedAndMessagesToTheDeadAreDropped) {
  HWND a = Top(0, 0, 10, 10);
  PostMessage(a, WM_USER, 1, 0);
  DestroyWindow(a);
  HWND b = Top(0, 0, 10, 10);
  EXPECT_NE(a, b);
  EXPECT_FALSE(PostMessage(a, WM_USER, 2, 0));
  EXPECT_EQ(SendMessage(a, WM_GETTEXTLENGTH, 0, 0), 0);
  log.clear();
  Pump();
  EXPECT_EQ(Count(a, WM_USER) + Count(b, WM_USER), 0);
}

TEST_F(WindowTree, TopmostWindowsStayInFrontAndOwnedOnesAboveTheirOwner) {
  HWND low = Top(0, 0, 10, 10);
  HWND topmost = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  HWND owner = Top(0, 0, 10, 10);
  HWND owned = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE, 0, owner);
  std::vector<HWND> order;
  auto z = [&] {
    order.clear();
    EnumThreadWindows([&](HWND h) {
      order.push_back(h);
      return TRUE;
    });
    return order;
  };
  EXPECT_EQ(z(), (std::vector<HWND>{topmost, owned, owner, low}));
  SetActiveWindow(low);
  EXPECT_EQ(z(), (std::vector<HWND>{topmost, low, owned, owner}));
  SetActiveWindow(owner);
  EXPECT_EQ(z(), (std::vector<HWND>{topmost, owned, owner, low})) << "the owned window comes along";
  SetWindowPos(low, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(z().front(), low);
  EXPECT_TRUE(GetWindowLong(low, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WindowTree, WindowFromPointRespectsZOrderVisibilityDisablingAndRegions) {
  HWND back = Top(0, 0, 200, 200);
  HWND front = Top(50, 50, 100, 100);
  HWND child = Child(front, 10, 10, 20, 20);
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), back);
  EXPECT_EQ(WindowFromPoint(POINT{55, 55}), front);
  EXPECT_EQ(WindowFromPoint(POINT{65, 65}), child);
  EnableWindow(child, FALSE);
  EXPECT_EQ(WindowFromPoint(POINT{65, 65}), front) << "a disabled child leaves the point to its parent";
  ShowWindow(front, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(POINT{65, 65}), back);
  ShowWindow(front, SW_SHOW);
  gdi::Region shape(RECT{0, 0, 50, 100});
  SetWindowRegion(front, &shape, TRUE);
  EXPECT_EQ(WindowFromPoint(POINT{120, 60}), back) << "outside the window region";
  EXPECT_EQ(WindowFromPoint(POINT{90, 60}), front);
  handlers[front] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_NCHITTEST) return HTTRANSPARENT;
    return std::nullopt;
  };
  EXPECT_EQ(WindowFromPoint(POINT{90, 60}), back) << "a transparent answer passes the point on";
}

TEST_F(WindowTree, ReparentingKeepsTheHandleAndMapsCoordinates) {
  HWND a = Top(100, 100, 200, 200);
  HWND b = Top(300, 50, 200, 200);
  HWND c = Child(a, 10, 20, 30, 30);
  POINT p{0, 0};
  ClientToScreen(c, &p);
  EXPECT_EQ(p, (POINT{110, 120}));
  EXPECT_EQ(SetParent(c, b), a);
  EXPECT_TRUE(IsWindow(c));
  EXPECT_TRUE(IsChild(b, c));
  EXPECT_FALSE(IsChild(a, c));
  p = POINT{0, 0};
  ClientToScreen(c, &p);
  EXPECT_EQ(p, (POINT{310, 70}));
  POINT q{1, 1};
  MapWindowPoints(c, a, &q, 1);
  EXPECT_EQ(q, (POINT{211, -29}));
  EXPECT_EQ(GetAncestor(c, GA_ROOT), b);
}

TEST_F(WindowTree, StyleChangesAreAnnouncedAndTextGoesThroughMessages) {
  HWND h = Top(0, 0, 50, 50);
  log.clear();
  SetWindowLong(h, GWL_STYLE, GetWindowLong(h, GWL_STYLE) | WS_BORDER);
  EXPECT_EQ(Messages(h), (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
  EXPECT_TRUE(IsWindowVisible(h)) << "visibility is not a style change";
  SetWindowText(h, "Caption");
  EXPECT_EQ(GetWindowText(h), "Caption");
  EXPECT_EQ(GetWindowTextLength(h), 7);
}

}  // namespace
}  // namespace wintest
