#include <climits>

#include "platform/win/sinks.h"
#include "tests/platform/win/fixture.h"

namespace wintest {
namespace {

using Input = WinTest;

// A drag loop as the docking code writes its own: capture, pump until the button comes up;
// Escape or another left press cancels; a quit message is posted again for the outer loop.
struct DragResult {
  bool accepted = false;
  bool sawQuit = false;
  std::vector<POINT> moves;
};

DragResult RunDragLoop(HWND h) {
  DragResult r;
  POINT last{INT_MIN, INT_MIN};
  SetCapture(h);
  while (GetCapture() == h) {
    MSG m;
    if (!GetMessage(&m, nullptr, 0, 0)) {
      r.sawQuit = true;
      PostQuitMessage(int(m.wParam));
      break;
    }
    bool end = false;
    switch (m.message) {
      case WM_LBUTTONUP:
        r.accepted = true;
        end = true;
        break;
      case WM_KEYDOWN:
      case WM_KEYUP:
        if (m.wParam == VK_ESCAPE) end = true;
        break;
      case WM_MOUSEMOVE:
        if (m.pt != last) {
          r.moves.push_back(m.pt);
          last = m.pt;
        }
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        end = true;
        break;
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONUP:
        break;
      default:
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
    if (end) break;
  }
  if (GetCapture() == h) ReleaseCapture();
  return r;
}

TEST_F(Input, CaptureHeldDragLoopEndsOnButtonUpOutsideTheWindow) {
  HWND bar = Top(10, 10, 100, 30);
  Top(300, 300, 100, 100);
  DragResult result;
  handlers[bar] = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_LBUTTONDOWN) result = RunDragLoop(h);
    return std::nullopt;
  };
  InputScript script;
  script.Move(20, 20).Down(20, 20).After(5).Move(100, 150).After(5).Move(350, 350).Up(350, 350)
      .Then([] { PostQuitMessage(0); });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_TRUE(result.accepted);
  EXPECT_EQ(result.moves, (std::vector<POINT>{{100, 150}, {350, 350}}))
      << "moves outside the window still come to the capture";
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Input, EscapeCancelsTheDragLoopAndOtherKeysAreSwallowed) {
  HWND bar = Top(10, 10, 100, 30);
  SetFocus(bar);
  DragResult result;
  handlers[bar] = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_LBUTTONDOWN) result = RunDragLoop(h);
    return std::nullopt;
  };
  InputScript script;
  script.Down(20, 20).Move(60, 60).Key('A').Key(VK_ESCAPE).Up(60, 60).Then([] { PostQuitMessage(0); });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  EXPECT_FALSE(result.accepted);
  EXPECT_EQ(Count(bar, WM_CHAR), 0) << "keys inside the loop are not translated";
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Input, AQuitMessageMetInTheDragLoopIsPostedAgain) {
  HWND bar = Top(10, 10, 100, 30);
  DragResult result;
  handlers[bar] = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_LBUTTONDOWN) result = RunDragLoop(h);
    return std::nullopt;
  };
  InputScript script;
  script.Down(20, 20).Move(40, 40).Then([] { PostQuitMessage(5); });
  MSG m;
  int outer = 0;
  while (GetMessage(&m, nullptr, 0, 0)) {
    DispatchMessage(&m);
    ++outer;
  }
  EXPECT_TRUE(result.sawQuit);
  EXPECT_FALSE(result.accepted);
  EXPECT_EQ(m.wParam, 5u) << "the outer loop ends with the same code";
}

TEST_F(Input, APressLeftQueuedAfterCaptureReleaseReachesTheWindowUnderIt) {
  HWND menu = Top(0, 0, 100, 100);
  HWND other = Top(200, 200, 100, 100, WS_POPUP | WS_VISIBLE | WS_BORDER);
  Pump();
  SetCapture(menu);
  InputScript script;
  script.Down(250, 260);
  // The menu loop looks at the press without taking it, sees that it is outside, and ends.
  MSG m;
  while (!PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) WaitMessage();
  ASSERT_EQ(m.message, UINT(WM_LBUTTONDOWN));
  EXPECT_EQ(m.hwnd, menu) << "while captured the press is the capture's";
  EXPECT_EQ(m.pt, (POINT{250, 260}));
  ReleaseCapture();
  log.clear();
  Pump();
  ASSERT_EQ(Count(other, WM_LBUTTONDOWN), 1);
  for (const Entry& e : log) {
    if (e.msg == WM_LBUTTONDOWN) {
      EXPECT_EQ(PointFromLParam(e.lParam), (POINT{49, 59}));
    }
  }
  EXPECT_EQ(Count(menu, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(GetActiveWindow(), other) << "the press activated the window under it";
}

TEST_F(Input, HitTestCodesDriveTheCursorAndNonClientClicks) {
  HWND w = Top(100, 100, 200, 150);
  handlers[w] = [](HWND h, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m != WM_NCHITTEST) return std::nullopt;
    RECT r;
    GetWindowRect(h, &r);
    POINT p = PointFromLParam(l);
    p.x -= r.left;
    p.y -= r.top;
    if (p.x < 10) return HTLEFT;
    if (p.y < 20) return p.x >= r.Width() - 20 ? HTCLOSE : HTCAPTION;  // a caption drawn in the client area
    if (p.x >= r.Width() - 10 && p.y >= r.Height() - 10) return HTBOTTOMRIGHT;
    return HTCLIENT;
  };
  Pump();
  InputScript script;
  script.Move(105, 200);
  MSG m;
  while (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) WaitMessage();
  EXPECT_EQ(m.message, UINT(WM_NCMOUSEMOVE));
  EXPECT_EQ(m.wParam, WPARAM(HTLEFT));
  EXPECT_EQ(CursorId(GetCursor()), IDC_SIZEWE);
  script.Move(200, 200);
  while (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) WaitMessage();
  EXPECT_EQ(m.message, UINT(WM_MOUSEMOVE));
  EXPECT_EQ(CursorId(GetCursor()), IDC_HAND) << "the class cursor in the client area";
  script.Move(295, 245);
  while (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) WaitMessage();
  EXPECT_EQ(CursorId(GetCursor()), IDC_SIZENWSE);

  // Dragging the custom caption moves the window through the system move loop.
  script.Down(150, 110).Move(170, 130).Up(170, 130).Then([] { PostQuitMessage(0); });
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, (RECT{120, 120, 320, 270}));
  EXPECT_EQ(Count(w, WM_ENTERSIZEMOVE), 1);

  // Sizing by the corner.
  script.Down(315, 265).Move(335, 275).Up(335, 275).Then([] { PostQuitMessage(0); });
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  GetWindowRect(w, &r);
  EXPECT_EQ(r, (RECT{120, 120, 340, 280}));

  // A click on the close code closes the window.
  script.Click(330, 125).Then([] { PostQuitMessage(0); });
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(Input, MouseActivateDecidesActivationAndWhetherTheClickIsEaten) {
  HWND main = Top(0, 0, 100, 100);
  HWND popup = Top(200, 0, 100, 100, WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW);
  SetActiveWindow(main);
  LRESULT answer = MA_NOACTIVATE;
  handlers[popup] = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_MOUSEACTIVATE) return answer;
    return std::nullopt;
  };
  Pump();
  InputScript script;
  script.Click(250, 50).Then([] { PostQuitMessage(0); });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(Count(popup, WM_LBUTTONDOWN), 1);
  answer = MA_NOACTIVATEANDEAT;
  script.After(1000).Click(250, 50).Then([] { PostQuitMessage(0); });
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(Count(popup, WM_LBUTTONDOWN), 1) << "the second press was eaten";
  EXPECT_EQ(Count(popup, WM_LBUTTONUP), 2);
  answer = MA_ACTIVATE;
  script.After(1000).Click(250, 50).Then([] { PostQuitMessage(0); });
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(GetActiveWindow(), popup);
}

TEST_F(Input, DoubleClicksNeedTheClassStyleTheTimeAndThePlace) {
  HWND plain = Top(0, 0, 100, 100);
  HWND dbl = Top(200, 0, 100, 100, WS_POPUP | WS_VISIBLE, 0, nullptr, "testdbl");
  InputScript script;
  script.Click(50, 50).After(100).Click(51, 51);
  script.Click(250, 50).After(100).Click(251, 51);
  script.After(1000).Click(250, 50).After(600).Click(250, 50);
  script.After(1000).Click(250, 50).After(100).Click(260, 50);
  script.Then([] { PostQuitMessage(0); });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(Count(plain, WM_LBUTTONDBLCLK), 0);
  EXPECT_EQ(Count(plain, WM_LBUTTONDOWN), 2);
  EXPECT_EQ(Count(dbl, WM_LBUTTONDBLCLK), 1) << "too slow or too far is two single clicks";
  EXPECT_EQ(Count(dbl, WM_LBUTTONDOWN), 5);
}

TEST_F(Input, KeyStateChangesAtRetrievalAndAsyncStateAtInput) {
  HWND w = Top(0, 0, 100, 100);
  SetFocus(w);
  Pump();
  PostRawInput(KeyDown(VK_SHIFT));
  PostRawInput(KeyDown('A'));
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0) << "not retrieved yet";
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_KEYDOWN));
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  TranslateMessage(&m);
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_CHAR));
  EXPECT_EQ(m.wParam, WPARAM('A'));
  PostRawInput(KeyDown(VK_MENU));
  PostRawInput(KeyDown('F'));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_SYSKEYDOWN));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_SYSKEYDOWN));
  EXPECT_TRUE(uintptr_t(m.lParam) & (1u << 29)) << "the Alt context bit";
  log.clear();
  TranslateMessage(&m);
  Pump();
  ASSERT_EQ(Count(w, WM_SYSCHAR), 1);
  ASSERT_EQ(Count(w, WM_SYSCOMMAND), 1) << "Alt+letter becomes the keyboard menu";
  for (const Entry& e : log) {
    if (e.msg == WM_SYSCOMMAND) {
      EXPECT_EQ(e.wParam & 0xFFF0, WPARAM(SC_KEYMENU));
    }
  }
}

TEST_F(Input, KeysHaveUsLayoutNames) {
  char buf[32];
  EXPECT_EQ(GetKeyNameText(LONG(VK_PRIOR) << 16, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "Page Up");
  EXPECT_EQ(KeyName(VK_CONTROL), "Ctrl");
  EXPECT_EQ(KeyName('Q'), "Q");
  EXPECT_EQ(KeyName(VK_F11), "F11");
  EXPECT_EQ(KeyName(VK_OEM_COMMA), ",");
  EXPECT_EQ(GetKeyNameText(LONG(VK_RETURN) << 16, buf, 3), 2) << "cut to the buffer";
  EXPECT_STREQ(buf, "En");
  EXPECT_EQ(MapVirtualKey('A', MAPVK_VK_TO_CHAR), UINT('A'));
}

TEST_F(Input, CursorPositionMovesWhenTheMoveIsRetrieved) {
  Top(0, 0, 100, 100);
  Pump();
  PostRawInput(MouseMove(30, 40));
  POINT p;
  GetCursorPos(&p);
  EXPECT_NE(p, (POINT{30, 40}));
  Pump();
  GetCursorPos(&p);
  EXPECT_EQ(p, (POINT{30, 40}));
  RECT clip{10, 10, 20, 20};
  ClipCursor(&clip);
  PostRawInput(MouseMove(300, 5));
  Pump();
  GetCursorPos(&p);
  EXPECT_EQ(p, (POINT{19, 10}));
  ClipCursor(nullptr);
}

TEST_F(Input, PointerLeaveIsPostedOnceWhenTheMouseLeaves) {
  HWND a = Top(0, 0, 100, 100);
  Top(200, 0, 100, 100);
  InputScript script;
  script.Move(50, 50).Then([&] {
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = a;
    TrackMouseEvent(&tme);
  }).Move(60, 60).Move(250, 50).Move(50, 50).Move(250, 50).Then([] { PostQuitMessage(0); });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(Count(a, WM_MOUSELEAVE), 1);
}

TEST_F(Input, ActivationMessagesAndAnotherApplicationTakingOver) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(200, 0, 100, 100);
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetFocus(), b);
  log.clear();
  SetActiveWindow(a);
  EXPECT_EQ(Messages(nullptr, {WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS}),
            (std::vector<UINT>{WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_NCACTIVATE, WM_ACTIVATE,
                               WM_SETFOCUS}));
  EXPECT_EQ(GetFocus(), a);
  log.clear();
  ActivateOtherApplication();
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  EXPECT_EQ(Count(a, WM_ACTIVATEAPP), 1);
  EXPECT_EQ(Count(b, WM_ACTIVATEAPP), 1);
  SetForegroundWindow(b);
  EXPECT_EQ(Count(a, WM_ACTIVATEAPP), 2);
  EXPECT_EQ(GetForegroundWindow(), b);
}

TEST_F(Input, AClickOnADisabledOwnerBeepsAndIsDropped) {
  HWND main = Top(0, 0, 100, 100);
  HWND dialog = Top(200, 0, 100, 100, WS_POPUP | WS_VISIBLE, 0, main);
  EnableWindow(main, FALSE);
  ClearSinks();
  InputScript script;
  script.Click(50, 50).Then([] { PostQuitMessage(0); });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(Count(main, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(SoundLog().size(), 1u);
  EXPECT_EQ(GetActiveWindow(), dialog);
}

TEST_F(Input, NoChildOfADisabledOwnerTakesAClick) {
  HWND main = Top(0, 0, 300, 200);
  HWND panel = Child(main, 10, 10, 200, 100);
  HWND button = Child(panel, 20, 20, 60, 30);
  HWND dialog = Top(400, 0, 100, 100, WS_POPUP | WS_VISIBLE, 0, main);
  EnableWindow(main, FALSE);
  ClearSinks();
  InputScript script;
  script.Click(40, 40).Click(250, 150).Then([] { PostQuitMessage(0); });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  for (HWND h : {main, panel, button}) {
    EXPECT_EQ(Count(h, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(Count(h, WM_LBUTTONUP), 0);
  }
  EXPECT_EQ(SoundLog().size(), 2u);
  EXPECT_EQ(GetActiveWindow(), dialog);
}

TEST_F(Input, DisablingTheCaptureOwnerCancelsItsMode) {
  HWND w = Top(0, 0, 100, 100);
  SetCapture(w);
  log.clear();
  EnableWindow(w, FALSE);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Messages(w, {WM_CANCELMODE, WM_CAPTURECHANGED, WM_ENABLE}),
            (std::vector<UINT>{WM_CANCELMODE, WM_CAPTURECHANGED, WM_ENABLE}));
}

}  // namespace
}  // namespace wintest
