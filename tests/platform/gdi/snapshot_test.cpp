// Draws one test picture with most of the drawing calls and writes it as a PNG, which an
// independent tool then has to recognise. The picture is kept in the test's working directory
// (gdi_snapshot.png) for a look by eye.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "canvas.h"

namespace gdi {
namespace {

using testing::Canvas;

void drawTestPicture(HDC dc) {
  // Background: vertical gradient.
  TRIVERTEX v[2] = {{0, 0, 0xE000, 0xE800, 0xFF00, 0}, {480, 320, 0x6000, 0x8000, 0xC000, 0}};
  GRADIENT_RECT gr{0, 1};
  GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_V);

  // A gauge: navy face, three flat-capped range arcs, ticks, numbers, needle.
  HBRUSH navy = CreateSolidBrush(RGB(0, 0, 128));
  SelectObject(dc, navy);
  SelectObject(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, 10, 10, 170, 170);
  const int cx = 90, cy = 90, r = 70;
  auto at = [&](double deg, int radius) {
    const double a = deg * std::numbers::pi / 180;
    return POINT{LONG(std::lround(cx - radius * std::cos(a))),
                 LONG(std::lround(cy - radius * std::sin(a)))};
  };
  LOGBRUSH lb{BS_SOLID, RGB(255, 0, 0), 0};
  const COLORREF colours[3] = {RGB(255, 0, 0), RGB(255, 255, 0), RGB(0, 255, 0)};
  const double limits[4] = {-45, 150, 190, 225};
  for (int i = 0; i < 3; ++i) {
    lb.lbColor = colours[i];
    HPEN arcPen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, 6, &lb, 0, nullptr);
    SelectObject(dc, arcPen);
    const POINT a = at(limits[i + 1], r), b = at(limits[i], r);
    Arc(dc, cx - r, cy - r, cx + r, cy + r, a.x, a.y, b.x, b.y);
    SelectObject(dc, GetStockObject(NULL_PEN));
    DeleteObject(arcPen);
  }
  SelectObject(dc, GetStockObject(WHITE_PEN));
  HFONT small = CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(dc, small);
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i <= 7; ++i) {
    const double deg = -45 + i * 270.0 / 7;
    const POINT o = at(deg, r - 4), in = at(deg, r - 14);
    MoveToEx(dc, in.x, in.y, nullptr);
    LineTo(dc, o.x, o.y);
    const std::string label = std::to_string(i * 20);
    SIZE s;
    GetTextExtentPoint32(dc, label, &s);
    const POINT t = at(deg, r - 26);
    TextOut(dc, t.x - s.cx / 2, t.y - s.cy / 2, label);
  }
  HPEN needle = CreatePen(PS_SOLID, 3, RGB(255, 255, 255));
  SelectObject(dc, needle);
  const POINT tip = at(120, r - 6);
  MoveToEx(dc, cx, cy, nullptr);
  LineTo(dc, tip.x, tip.y);
  SelectObject(dc, GetStockObject(GRAY_BRUSH));
  Ellipse(dc, cx - 8, cy - 8, cx + 8, cy + 8);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteObject(needle);
  HFONT caption = CreateFont(-14, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
  SelectObject(dc, caption);
  SetTextColor(dc, RGB(255, 255, 0));
  SetTextAlign(dc, TA_CENTER | TA_TOP);
  TextOut(dc, cx, cy + 28, "perf%");
  SetTextAlign(dc, TA_LEFT | TA_TOP);

  // Stars: alternate and winding.
  const POINT star[5] = {{230, 12}, {254, 82}, {193, 38}, {267, 38}, {206, 82}};
  HBRUSH orange = CreateSolidBrush(RGB(255, 140, 0));
  SelectObject(dc, orange);
  SetPolyFillMode(dc, ALTERNATE);
  Polygon(dc, star, 5);
  POINT star2[5];
  for (int i = 0; i < 5; ++i) star2[i] = POINT{star[i].x + 85, star[i].y};
  SetPolyFillMode(dc, WINDING);
  Polygon(dc, star2, 5);

  // Hatch brushes, a pattern brush and a halftone.
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(255, 255, 255));
  for (int h = 0; h < 6; ++h) {
    HBRUSH hb = CreateHatchBrush(h, RGB(0, 0, 160));
    const RECT cell{190 + h * 46, 95, 190 + h * 46 + 40, 135};
    FillRect(dc, &cell, hb);
    FrameRect(dc, &cell, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DeleteObject(hb);
  }
  uint8_t bits[16] = {0x18, 0, 0x3C, 0, 0x7E, 0, 0xFF, 0, 0xFF, 0, 0x7E, 0, 0x3C, 0, 0x18, 0};
  HBITMAP pbmp = CreateBitmap(8, 8, 1, 1, bits);
  HBRUSH pat = CreatePatternBrush(pbmp);
  SetTextColor(dc, RGB(0, 128, 0));
  SetBkColor(dc, RGB(200, 255, 200));
  SelectObject(dc, pat);
  RoundRect(dc, 190, 145, 290, 200, 20, 20);
  HBRUSH half = CreateHalftoneBrush();
  SelectObject(dc, half);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  PatBlt(dc, 300, 145, 60, 55, PATINVERT);

  // Pie, dashed and wide lines, XOR.
  SelectObject(dc, orange);
  Pie(dc, 370, 140, 470, 240, 470, 190, 420, 140);
  HPEN dash = CreatePen(PS_DASHDOT, 1, RGB(128, 0, 128));
  SelectObject(dc, dash);
  SetBkMode(dc, TRANSPARENT);
  MoveToEx(dc, 10, 185, nullptr);
  LineTo(dc, 180, 185);
  HPEN wide = CreatePen(PS_SOLID, 7, RGB(0, 120, 255));
  SelectObject(dc, wide);
  const POINT zig[4] = {{10, 200}, {60, 230}, {110, 200}, {170, 235}};
  Polyline(dc, zig, 4);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  SetROP2(dc, R2_XORPEN);
  for (int i = 0; i < 8; ++i) {
    MoveToEx(dc, 10 + i * 20, 245, nullptr);
    LineTo(dc, 170 - i * 20, 310);
  }
  SetROP2(dc, R2_COPYPEN);

  // Text: rotated, underlined, strike-out, a symbol and DrawText.
  HFONT up = CreateFont(-16, 0, 900, 900, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(dc, up);
  SetTextColor(dc, RGB(120, 0, 0));
  TextOut(dc, 175, 310, "Rotated 90");
  HFONT ul = CreateFont(-15, 0, 0, 0, FW_NORMAL, 1, 1, 0, 0, 0, 0, 0, 0, "Times New Roman");
  SelectObject(dc, ul);
  TextOut(dc, 200, 210, "Italic underlined");
  HFONT so = CreateFont(-15, 0, 0, 0, FW_NORMAL, 0, 0, 1, 0, 0, 0, 0, 0, "Courier New");
  SelectObject(dc, so);
  TextOut(dc, 200, 232, "Struck out");
  HFONT wd = CreateFont(-18, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "WingDings");
  SelectObject(dc, wd);
  SetTextColor(dc, RGB(0, 90, 0));
  TextOut(dc, 330, 210, "lnu\xC3\xBC");  // circle, square, diamond, check (0xFC)
  HFONT tilt = CreateFont(-14, 0, 300, 300, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(dc, tilt);
  SetTextColor(dc, RGB(0, 0, 0));
  TextOut(dc, 372, 78, "30 deg");
  SelectObject(dc, small);
  RECT box{200, 255, 330, 310};
  DrawEdge(dc, &box, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawText(dc, "&Centred caption that is far too long", &box,
           DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_END_ELLIPSIS);
  RECT focus = box;
  InflateRect(&focus, -2, -2);
  DrawFocusRect(dc, &focus);
  RECT close{340, 255, 358, 271};
  DrawFrameControl(dc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
  RECT arrowBox{362, 255, 378, 271};
  DrawFrameControl(dc, &arrowBox, DFC_MENU, DFCS_MENUARROW);
  RECT check{340, 276, 353, 289};
  DrawFrameControl(dc, &check, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);

  // Clip to a region with a hole and fill through it.
  HRGN outer = CreateRectRgn(390, 250, 470, 310);
  HRGN hole = CreateRectRgn(410, 265, 450, 295);
  CombineRgn(outer, outer, hole, RGN_DIFF);
  SelectClipRgn(dc, outer);
  HBRUSH teal = CreateSolidBrush(RGB(0, 128, 128));
  SelectObject(dc, teal);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  Ellipse(dc, 380, 240, 480, 320);
  SelectClipRgn(dc, nullptr);

  // A monochrome bitmap blitted in two colours.
  uint8_t arrowBits[32] = {};
  for (int y = 0; y < 16; ++y) arrowBits[2 * y] = uint8_t(0xFF << (y < 8 ? 8 - y : y - 8));
  HBITMAP mono = CreateBitmap(16, 16, 1, 1, arrowBits);
  HDC mdc = CreateCompatibleDC(dc);
  HGDIOBJ oldm = SelectObject(mdc, mono);
  SetTextColor(dc, RGB(255, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  StretchBlt(dc, 430, 15, 32, 32, mdc, 0, 0, 16, 16, SRCCOPY);
  SelectObject(mdc, oldm);
  DeleteDC(mdc);

  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  for (HGDIOBJ o :
       std::initializer_list<HGDIOBJ>{navy, small, caption, orange, pbmp, pat, half, dash, wide, up,
                                      ul, so, wd, tilt, outer, hole, teal, mono})
    DeleteObject(o);
}

TEST(Snapshot, TestPictureIsAValidPng) {
  Canvas c(480, 320);
  drawTestPicture(c.dc());
  const std::string path = "gdi_snapshot.png";
  SavePngFile(path, *GetBitmapSurface(c.bitmap()));
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(("file -b " + path).c_str(), "r"), pclose);
  ASSERT_TRUE(p);
  char buf[256] = {};
  ASSERT_TRUE(fgets(buf, sizeof buf, p.get()));
  EXPECT_NE(std::string(buf).find("PNG image data, 480 x 320"), std::string::npos) << buf;
  // Every object made for the picture was freed again.
  EXPECT_EQ(GetObjectType(GetCurrentObject(c.dc(), OBJ_BRUSH)), OBJ_BRUSH);
}

}  // namespace
}  // namespace gdi
