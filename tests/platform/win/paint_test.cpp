#include "platform/gdi/gdi.h"
#include "platform/win/scrollbar.h"
#include "tests/platform/win/fixture.h"

namespace wintest {
namespace {

class Painting : public WinTest {
 protected:
  // The window paints its client area in one colour and remembers the areas it was asked for.
  void Paints(HWND h, COLORREF color) {
    handlers[h] = [this, color](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (m != WM_PAINT) return std::nullopt;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      painted[hwnd].push_back(ps.rcPaint);
      HBRUSH b = gdi::CreateSolidBrush(color);
      RECT r;
      GetClientRect(hwnd, &r);
      gdi::FillRect(dc, &r, b);
      gdi::DeleteObject(b);
      EndPaint(hwnd, &ps);
      return 0;
    };
  }
  static uint32_t Px(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
  static uint32_t Pixel(int x, int y) { return ScreenSurface()->Get(x, y); }
  static uint32_t Shown(int x, int y) { return ComposeScreen().Get(x, y); }

  std::map<HWND, std::vector<RECT>> painted;
};

constexpr COLORREF kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00, kWhite = 0xFFFFFF;
constexpr uint32_t kRedPx = 0xFF0000, kBluePx = 0x0000FF, kGreenPx = 0x00FF00;

TEST_F(Painting, ATransparentChildPaintsAfterTheSiblingBeneathItWhichShowsThrough) {
  HWND parent = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND below = Child(parent, 0, 0, 200, 200);
  // Created later: above the first child.
  HWND glass = CreateWindowEx(WS_EX_TRANSPARENT, "test", "glass", WS_CHILD | WS_VISIBLE, 20, 20,
                              100, 100, parent, 0, nullptr);
  Paints(parent, kWhite);
  Paints(below, kRed);
  std::vector<HWND> order;
  // The glass draws only a blue square in its middle and erases nothing.
  handlers[glass] = [&](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_ERASEBKGND) return 1;
    if (m != WM_PAINT) return std::nullopt;
    order.push_back(hwnd);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH b = gdi::CreateSolidBrush(kBlue);
    const RECT r{40, 40, 60, 60};
    gdi::FillRect(dc, &r, b);
    gdi::DeleteObject(b);
    EndPaint(hwnd, &ps);
    return 0;
  };
  Pump();
  EXPECT_EQ(Shown(25, 25), kRedPx) << "the sibling beneath shows through";
  EXPECT_EQ(Shown(70, 70), kBluePx) << "the glass's own drawing on top";
  // The sibling beneath drawn again: the glass draws over it again, after it.
  order.clear();
  InvalidateRect(below, nullptr, TRUE);
  Pump();
  EXPECT_EQ(order, (std::vector<HWND>{glass}));
  EXPECT_EQ(Shown(70, 70), kBluePx);
  EXPECT_EQ(Shown(150, 150), kRedPx);
}

TEST_F(Painting, BeginPaintSendsFramePaintAndEraseThenValidates) {
  HWND h = Top(10, 10, 100, 80, WS_POPUP | WS_VISIBLE | WS_BORDER);
  Pump();
  log.clear();
  RECT r{5, 5, 20, 20};
  InvalidateRect(h, &r, TRUE);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_PAINT));
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  EXPECT_EQ(ps.rcPaint, r);
  EXPECT_FALSE(ps.fErase) << "the class background erased it";
  EXPECT_EQ(Messages(h), (std::vector<UINT>{WM_ERASEBKGND}));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  EndPaint(h, &ps);
  EXPECT_NE(dc, nullptr);
  log.clear();
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
  Pump();
  EXPECT_EQ(Messages(h, {WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}),
            (std::vector<UINT>{WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));
  EXPECT_EQ(Pixel(10, 10), 0x000000u) << "the one-pixel frame";
  EXPECT_EQ(Pixel(11, 11), Px(gdi::GetSysColor(gdi::COLOR_WINDOW)))
      << "erased with the class background";
}

TEST_F(Painting, TheDefaultFrameDrawsACaptionWithItsText) {
  HWND h = CreateWindowEx(0, "test", "Polar", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 10,
                          10, 200, 100, nullptr, 0, nullptr);
  Pump();
  const uint32_t caption = Px(gdi::GetSysColor(gdi::COLOR_ACTIVECAPTION));
  const uint32_t text = Px(gdi::GetSysColor(gdi::COLOR_CAPTIONTEXT));
  int captionPixels = 0, textPixels = 0;
  for (int y = 13; y < 13 + 17; ++y)
    for (int x = 13; x < 100; ++x) {
      captionPixels += Pixel(x, y) == caption;
      textPixels += Pixel(x, y) == text;
    }
  EXPECT_GT(captionPixels, 500);
  EXPECT_GT(textPixels, 10) << "the caption text";
  const uint32_t glyph = Px(gdi::GetSysColor(gdi::COLOR_BTNTEXT));
  int crossPixels = 0;
  for (int y = 13; y < 13 + 17; ++y)
    for (int x = 185; x < 207; ++x) crossPixels += Pixel(x, y) == glyph;
  EXPECT_GT(crossPixels, 8) << "the cross on the close button at the caption's right end";
  SetWindowText(h, "");
  Pump();
  textPixels = 0;
  for (int y = 13; y < 13 + 17; ++y)
    for (int x = 13; x < 100; ++x) textPixels += Pixel(x, y) == text;
  EXPECT_EQ(textPixels, 0);
}

TEST_F(Painting, ScrollBarArrowsShowTheirGlyphsBlackOnlyWithSomethingToScroll) {
  HWND h = CreateWindowEx(WS_EX_CLIENTEDGE, "test", "", WS_POPUP | WS_VISIBLE | WS_VSCROLL, 0, 0,
                          120, 200, nullptr, 0, nullptr);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 100;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  Pump();
  const int w = GetSystemMetrics(SM_CXVSCROLL), edge = GetSystemMetrics(SM_CXEDGE);
  const uint32_t glyph = Px(gdi::GetSysColor(gdi::COLOR_BTNTEXT));
  // The up arrow's box sits at the top of the bar, inside the sunken edge.
  auto glyphPixels = [&] {
    int n = 0;
    for (int y = edge + 2; y < edge + w - 2; ++y)
      for (int x = 120 - edge - w + 2; x < 120 - edge - 2; ++x) n += Pixel(x, y) == glyph;
    return n;
  };
  EXPECT_EQ(glyphPixels(), 0) << "greyed while the page holds the whole range";
  si.nPage = 10;
  SetScrollInfo(h, SB_VERT, &si, TRUE);  // the bar repaints itself, nothing else asks for it
  Pump();
  EXPECT_GT(glyphPixels(), 3) << "a black arrow once there is something to scroll";
  EXPECT_EQ(Pixel(0, 0), Px(gdi::GetSysColor(gdi::COLOR_BTNSHADOW))) << "sunken: dark top left";
  EXPECT_EQ(Pixel(119, 199), Px(gdi::GetSysColor(gdi::COLOR_BTNHIGHLIGHT))) << "light bottom right";
}

TEST_F(Painting, AWindowMovedAwayUncoversAndRepaintsTheOneBelow) {
  HWND back = Top(0, 0, 300, 200);
  HWND front = Top(50, 50, 100, 100);
  Paints(back, kRed);
  Paints(front, kBlue);
  Pump();
  EXPECT_EQ(Pixel(60, 60), kBluePx);
  EXPECT_EQ(Pixel(10, 10), kRedPx);
  painted.clear();
  SetWindowPos(front, nullptr, 400, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  EXPECT_EQ(Pixel(60, 60), kRedPx);
  EXPECT_EQ(Pixel(149, 149), kRedPx);
  EXPECT_EQ(Pixel(410, 310), kBluePx);
  ASSERT_EQ(painted[back].size(), 1u);
  EXPECT_EQ(painted[back][0], (RECT{50, 50, 150, 150})) << "only the uncovered part is repainted";
}

TEST_F(Painting, HidingAndDestroyingUncoverTheDesktopAndWindowsBelow) {
  HWND back = Top(0, 0, 200, 200);
  HWND front = Top(100, 100, 200, 200);
  Paints(back, kRed);
  Paints(front, kBlue);
  Pump();
  const uint32_t deskPx = Px(gdi::GetSysColor(gdi::COLOR_DESKTOP));
  DestroyWindow(front);
  Pump();
  EXPECT_EQ(Pixel(150, 150), kRedPx);
  EXPECT_EQ(Pixel(250, 250), deskPx);
  ShowWindow(back, SW_HIDE);
  Pump();
  EXPECT_EQ(Pixel(150, 150), deskPx);
}

TEST_F(Painting, ClientDCsAreClippedToTheVisibleRegion) {
  HWND back = Top(0, 0, 300, 200, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND child = Child(back, 10, 10, 40, 40);
  HWND front = Top(100, 0, 100, 100);
  Paints(back, kRed);
  Paints(child, kGreen);
  Paints(front, kBlue);
  Pump();
  HDC dc = GetDC(back);
  HBRUSH white = gdi::CreateSolidBrush(kWhite);
  RECT all{0, 0, 300, 200};
  gdi::FillRect(dc, &all, white);
  gdi::DeleteObject(white);
  ReleaseDC(back, dc);
  EXPECT_EQ(Pixel(5, 5), 0xFFFFFFu);
  EXPECT_EQ(Pixel(20, 20), kGreenPx) << "children are clipped out";
  EXPECT_EQ(Pixel(150, 50), kBluePx) << "windows above are clipped out";
  EXPECT_EQ(Pixel(250, 50), 0xFFFFFFu);
}

TEST_F(Painting, AWindowDCDrawsOnWhatShowsOfItsWindowNowNotWhenItWasTaken) {
  HWND back = Top(0, 0, 300, 200);
  Paints(back, kRed);
  Pump();
  HWND w = Top(50, 50, 100, 100, WS_POPUP);
  HDC dc = GetWindowDC(w);
  auto fill = [&](COLORREF c) {
    HBRUSH b = gdi::CreateSolidBrush(c);
    RECT all{0, 0, 100, 100};
    gdi::FillRect(dc, &all, b);
    gdi::DeleteObject(b);
  };
  fill(kBlue);
  EXPECT_EQ(Pixel(60, 60), kRedPx) << "hidden: nothing shows";
  ShowWindow(w, SW_SHOWNOACTIVATE);
  fill(kBlue);
  EXPECT_EQ(Pixel(60, 60), kBluePx) << "shown";
  SetWindowPos(w, nullptr, 180, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  fill(kGreen);
  EXPECT_EQ(Pixel(60, 60), kBluePx) << "left behind, not repainted yet";
  EXPECT_EQ(Pixel(190, 60), kGreenPx) << "moved";
  SetWindowRgn(w, gdi::CreateRectRgn(0, 0, 50, 50), FALSE);
  fill(kWhite);
  EXPECT_EQ(Pixel(190, 60), 0xFFFFFFu) << "inside its region";
  EXPECT_EQ(Pixel(240, 110), kGreenPx) << "outside its region";
  HWND front = Top(170, 40, 30, 30, WS_POPUP);
  ShowWindow(front, SW_SHOWNOACTIVATE);
  fill(kBlue);
  EXPECT_EQ(Pixel(190, 60), 0xFFFFFFu) << "covered by a window above";
  EXPECT_EQ(Pixel(210, 80), kBluePx);
  DestroyWindow(front);
  fill(kRed);
  EXPECT_EQ(Pixel(190, 60), kRedPx) << "uncovered";
  ReleaseDC(w, dc);
}

TEST_F(Painting, LockedUpdatesDrawNothingUntilUnlockedButTheDesktopDrawsThrough) {
  HWND w = Top(0, 0, 200, 200);
  Paints(w, kRed);
  Pump();
  ASSERT_TRUE(LockWindowUpdate(GetDesktopWindow()));
  EXPECT_FALSE(LockWindowUpdate(w)) << "one lock at a time";
  HDC dc = GetDC(w);
  HBRUSH blue = gdi::CreateSolidBrush(kBlue);
  RECT r{0, 0, 50, 50};
  gdi::FillRect(dc, &r, blue);
  ReleaseDC(w, dc);
  EXPECT_EQ(Pixel(10, 10), kRedPx);
  HDC desk = GetDCEx(GetDesktopWindow(), nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
  RECT r2{100, 100, 110, 110};
  gdi::FillRect(desk, &r2, blue);
  gdi::PatBlt(desk, 100, 100, 10, 10, gdi::DSTINVERT);
  gdi::PatBlt(desk, 100, 100, 10, 10, gdi::DSTINVERT);
  ReleaseDC(GetDesktopWindow(), desk);
  gdi::DeleteObject(blue);
  EXPECT_EQ(Pixel(105, 105), kBluePx) << "the desktop DC draws over the window";
  Pump();
  painted.clear();
  LockWindowUpdate(nullptr);
  Pump();
  ASSERT_EQ(painted[w].size(), 1u);
  EXPECT_EQ(painted[w][0], (RECT{0, 0, 200, 200}));
}

TEST_F(Painting, ALayeredWindowBlendsOverWhatIsBelow) {
  HWND back = Top(0, 0, 300, 300);
  HWND glass = Top(50, 50, 100, 100, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED | WS_EX_TOPMOST);
  Paints(back, kBlue);
  Paints(glass, kWhite);
  SetLayeredWindowAttributes(glass, 0, 128, LWA_ALPHA);
  Pump();
  EXPECT_EQ(Pixel(60, 60), kBluePx) << "the screen surface below is not painted over";
  EXPECT_EQ(Shown(60, 60), 0x8080FFu);
  EXPECT_EQ(Shown(10, 10), kBluePx);
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), glass);

  // An image of its own at a new alpha, as a fade-in does it.
  HDC mem = gdi::CreateCompatibleDC(nullptr);
  gdi::HBITMAP bmp = gdi::CreateCompatibleBitmap(GetDC(nullptr), 100, 100);
  gdi::HGDIOBJ old = gdi::SelectObject(mem, bmp);
  HBRUSH red = gdi::CreateSolidBrush(kRed);
  RECT r{0, 0, 100, 100};
  gdi::FillRect(mem, &r, red);
  BLENDFUNCTION bf;
  bf.SourceConstantAlpha = 255;
  POINT at{20, 20};
  ASSERT_TRUE(UpdateLayeredWindow(glass, nullptr, &at, nullptr, mem, nullptr, 0, &bf, ULW_ALPHA));
  InvalidateRect(glass, nullptr, TRUE);
  Pump();
  EXPECT_EQ(Shown(30, 30), kRedPx) << "no WM_PAINT overwrites the image";
  EXPECT_EQ(Shown(60, 60), kRedPx);
  EXPECT_EQ(Shown(130, 130), kBluePx);
  gdi::SelectObject(mem, old);
  gdi::DeleteObject(bmp);
  gdi::DeleteObject(red);
  gdi::DeleteDC(mem);
}

TEST_F(Painting, PrintDrawsTheWindowAndItsChildrenIntoAnotherDC) {
  HWND w = Top(0, 0, 60, 60, WS_POPUP | WS_VISIBLE | WS_BORDER);
  HWND c = Child(w, 10, 10, 20, 20);
  auto printClient = [](COLORREF color) {
    return [color](HWND h, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
      if (m != WM_PRINTCLIENT) return std::nullopt;
      RECT r;
      GetClientRect(h, &r);
      HBRUSH b = gdi::CreateSolidBrush(color);
      gdi::FillRect(reinterpret_cast<HDC>(wp), &r, b);
      gdi::DeleteObject(b);
      return 0;
    };
  };
  handlers[w] = printClient(kRed);
  handlers[c] = printClient(kGreen);
  HDC mem = gdi::CreateCompatibleDC(nullptr);
  gdi::HBITMAP bmp = gdi::CreateCompatibleBitmap(GetDC(nullptr), 60, 60);
  gdi::SelectObject(mem, bmp);
  SendMessage(w, WM_PRINT, WPARAM(reinterpret_cast<uintptr_t>(mem)),
              PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  EXPECT_EQ(gdi::GetPixel(mem, 0, 0), 0x000000u) << "the frame";
  EXPECT_EQ(gdi::GetPixel(mem, 5, 5), kRed);
  EXPECT_EQ(gdi::GetPixel(mem, 20, 20), kGreen) << "the child at its offset inside the client area";
  gdi::DeleteDC(mem);
  gdi::DeleteObject(bmp);
}

}  // namespace
}  // namespace wintest
