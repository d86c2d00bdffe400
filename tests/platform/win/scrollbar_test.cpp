#include "platform/win/scrollbar.h"

#include "tests/platform/win/fixture.h"

namespace wintest {
namespace {

using ScrollBars = WinTest;

TEST_F(ScrollBars, RangePageAndPositionAreKeptConsistent) {
  HWND h = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 95;
  EXPECT_EQ(SetScrollInfo(h, SB_VERT, &si, TRUE), 90) << "the last page starts at 90";
  EXPECT_EQ(SetScrollPos(h, SB_VERT, -5, TRUE), 90);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 0);
  int mn = -1, mx = -1;
  GetScrollRange(h, SB_VERT, &mn, &mx);
  EXPECT_EQ(mn, 0);
  EXPECT_EQ(mx, 99);
  EXPECT_EQ(GetClientRectInWindow(h).right, 200 - GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(ScrollBars, NothingToScrollHidesTheBarOrDisablesIt) {
  HWND h = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMax = 99;
  si.nPage = 100;
  log.clear();
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(GetClientRectInWindow(h).right, 200);
  EXPECT_GE(Count(h, WM_NCCALCSIZE), 1) << "the frame was recalculated";
  si.nPage = 20;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL);
  si.fMask |= SIF_DISABLENOSCROLL;
  si.nPage = 100;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL) << "kept, but disabled";
}

TEST_F(ScrollBars, ClicksOnArrowsTrackAndThumbSendScrollCodes) {
  HWND h = Top(0, 0, 200, 216, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 0;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  std::vector<std::pair<int, int>> codes;
  handlers[h] = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_VSCROLL) codes.push_back({LOWORD(w), SHORT(HIWORD(w))});
    return std::nullopt;
  };
  // The bar runs from y 0 to 216 at x 184..200: arrows of 16, a track of 184, a thumb of 18.
  InputScript script;
  script.Click(192, 5).After(1000).Click(192, 210).After(1000).Click(192, 150);
  script.After(1000).Down(192, 20).Move(192, 104).Up(192, 104).Then([] { PostQuitMessage(0); });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  const std::vector<std::pair<int, int>> expected{
      {SB_LINEUP, 0},       {SB_ENDSCROLL, 0},      {SB_LINEDOWN, 0},  {SB_ENDSCROLL, 0},
      {SB_PAGEDOWN, 0},     {SB_ENDSCROLL, 0},      {SB_THUMBTRACK, 45}, {SB_THUMBPOSITION, 45},
      {SB_ENDSCROLL, 0}};
  EXPECT_EQ(codes, expected);
}

TEST_F(ScrollBars, AQuickSecondClickOnAnArrowScrollsAgain) {
  HWND h = Top(0, 0, 200, 216, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMax = 99;
  si.nPage = 10;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  int lineDowns = 0;
  handlers[h] = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_VSCROLL && LOWORD(w) == SB_LINEDOWN) ++lineDowns;
    return std::nullopt;
  };
  // Within the double-click time: the second and third arrive as double-clicks.
  InputScript script;
  script.Click(192, 210).After(50).Click(192, 210).After(50).Click(192, 210);
  script.Then([] { PostQuitMessage(0); });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(lineDowns, 3);
}

}  // namespace
}  // namespace wintest
