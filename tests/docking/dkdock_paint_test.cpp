// Printing docked and floating windows, and repainting on a dock's background.
#include "docking/dkcommon.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/shapes.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "tests/docking/dockfixture.h"

namespace docktest {
namespace {

using Paint = DockTest;

vcl::TColor ScreenAt(POINT p) {
  return gdi::NativeToColor(win::ComposeScreen().Get(p.x, p.y));
}
vcl::TColor ScreenAt(const gdi::Surface& s, POINT p) {
  return gdi::NativeToColor(s.Get(p.x, p.y));
}

// What WM_PRINT draws of a window equals what the screen shows of it.
void ExpectPrintMatchesScreen(vcl::TWinControl* w) {
  RECT r{};
  win::GetWindowRect(w->Handle(), &r);
  vcl::TBitmap bmp;
  bmp.SetSize(r.right - r.left, r.bottom - r.top);
  HDC dc = bmp.Canvas()->Handle();
  win::SendMessage(w->Handle(), win::WM_PRINT, reinterpret_cast<win::WPARAM>(dc),
                   win::PRF_NONCLIENT | win::PRF_CLIENT | win::PRF_ERASEBKGND | win::PRF_CHILDREN);
  const gdi::Surface& screen = win::ComposeScreen();
  int differ = 0;
  for (int y = 0; y < r.bottom - r.top; ++y)
    for (int x = 0; x < r.right - r.left; ++x)
      differ += gdi::GetPixel(dc, x, y) !=
                gdi::ColorToRGB(ScreenAt(screen, POINT{r.left + x, r.top + y}));
  EXPECT_EQ(differ, 0) << w->Name();
}

TEST_F(Paint, DockedAndFloatingWindowsPrintAsTheyShow) {
  auto* t = Tool(top, 120, 40, 0, -1, "Printed");
  t->SetCloseButtonWhenDocked(true);
  auto* label = new vcl::TLabel(t);
  label->SetParent(t);
  label->SetCaption("Boat speed");
  label->SetBounds(4, 4, 100, 16);
  Pump();
  ExpectPrintMatchesScreen(t);
  t->SetFloatingPosition(POINT{400, 300});
  t->SetFloating(true);
  Pump();
  ExpectPrintMatchesScreen(t->FloatingWindowParent());
}

TEST_F(Paint, ADockPrintsItsBoundLines) {
  top->SetBoundLines(blTop | blBottom);
  Tool(top, 120, 40, 0, -1, "Lined");
  Pump();
  // Shadow above, highlight below, across the whole dock.
  const POINT above = FramePoint(top, 700, 0), below = FramePoint(top, 700, top->Height() - 1);
  EXPECT_EQ(ScreenAt(above), gdi::ColorToRGB(gdi::clBtnShadow));
  EXPECT_EQ(ScreenAt(below), gdi::ColorToRGB(gdi::clBtnHighlight));
  ExpectPrintMatchesScreen(top);
}

TEST_F(Paint, OnABackgroundTheFrameFollowsThePatternAndRepaintsAtOnce) {
  vcl::TBitmap pic;
  pic.SetSize(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) pic.Canvas()->SetPixel(x, y, gdi::RGB(x * 16, y * 16, 128));
  TDKBackground bg(nullptr);
  bg.SetBitmap(&pic);
  top->SetBackground(&bg);
  auto* t = Tool(top, 120, 40, 0, 37, "Patterned");
  t->SetBorderStyle(vcl::bsNone);
  auto* label = new vcl::TLabel(t);
  label->SetParent(t);
  label->SetCaption("WWWWWWWW");
  label->SetBounds(0, 0, 110, 16);
  Pump();
  // The frame's pixel at (1, 30) shows the dock's pattern at the same dock point.
  auto expectPattern = [&] {
    const POINT p = FramePoint(t, 1, 30);
    const int dx = (t->Left() + 1) % 16, dy = (t->Top() + 30) % 16;
    EXPECT_EQ(ScreenAt(p), gdi::RGB(dx * 16, dy * 16, 128)) << "at dock x " << t->Left() + 1;
  };
  expectPattern();
  // Moved along the dock: the frame is drawn at once; the client, wholly uncovered by the move,
  // waits for its paint.
  t->SetDockPos(400);
  ASSERT_EQ(t->Left(), 400);
  expectPattern();
  Pump();
  // A stale client is drawn again in one copy from an off-screen bitmap.
  const POINT c = t->ClientToScreen(POINT{0, 0});
  HDC screenDc = win::GetDC(nullptr);
  RECT stale{c.x, c.y, c.x + 120, c.y + 40};
  gdi::FillRect(screenDc, &stale, gdi::GetSysColorBrush(gdi::COLOR_HIGHLIGHT));
  win::ReleaseDC(nullptr, screenDc);
  DoubleBufferedRepaint(t->Handle());
  ExpectPrintMatchesScreen(t);
  bool ink = false;
  const gdi::Surface& screen = win::ComposeScreen();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 60; ++x) ink |= ScreenAt(screen, POINT{c.x + x, c.y + y}) == gdi::clBlack;
  EXPECT_TRUE(ink);
  top->SetBackground(nullptr);
}

TEST_F(Paint, ADockedFrameDrawsOnlyTheRegionItIsAskedFor) {
  auto* t = Tool(top, 120, 40, 0, -1, "Framed");
  Pump();
  // Pixels of the frame at both ends, painted over.
  const POINT start = FramePoint(t, 1, 20), end = FramePoint(t, t->Width() - 1, 20);
  const win::COLORREF marker = gdi::RGB(0, 255, 0);
  HDC screenDc = win::GetDC(nullptr);
  for (POINT p : {start, end}) gdi::SetPixel(screenDc, p.x, p.y, marker);
  win::ReleaseDC(nullptr, screenDc);
  // The left end asks to be drawn again; the right end stands over newer pixels.
  gdi::HRGN region = gdi::CreateRectRgn(start.x - 1, start.y - 5, start.x + 3, start.y + 5);
  win::SendMessage(t->Handle(), win::WM_NCPAINT, reinterpret_cast<win::WPARAM>(region), 0);
  gdi::DeleteObject(region);
  EXPECT_NE(ScreenAt(start), marker);
  EXPECT_EQ(ScreenAt(end), marker);
  // Without a region all of it.
  win::SendMessage(t->Handle(), win::WM_NCPAINT, 1, 0);
  EXPECT_NE(ScreenAt(end), marker);
}

}  // namespace
}  // namespace docktest
