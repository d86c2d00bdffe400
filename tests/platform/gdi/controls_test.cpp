#include <gtest/gtest.h>

#include "canvas.h"

namespace gdi {
namespace {

using testing::Canvas;
using testing::kBlack;
using testing::kWhite;

TEST(DrawEdge, RaisedAndSunkenBorders) {
  Canvas c(10, 10);
  RECT r{0, 0, 10, 10};
  DrawEdge(c.dc(), &r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE);
  EXPECT_EQ(r, (RECT{2, 2, 8, 8}));
  EXPECT_EQ(c.At(0, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(c.At(1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(9, 9), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(c.At(8, 8), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(9, 0), GetSysColor(COLOR_3DDKSHADOW));  // top-right corner: right side
  EXPECT_EQ(c.At(5, 5), GetSysColor(COLOR_BTNFACE));
  c.Clear(kWhite);
  r = RECT{0, 0, 10, 10};
  DrawEdge(c.dc(), &r, BDR_SUNKENOUTER, BF_TOP | BF_ADJUST);
  EXPECT_EQ(r, (RECT{0, 1, 10, 10}));
  EXPECT_EQ(c.At(5, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(c.CountNot(kWhite), 9);
  c.Clear(kWhite);
  r = RECT{0, 0, 10, 10};
  DrawEdge(c.dc(), &r, EDGE_ETCHED, BF_RECT);
  EXPECT_EQ(c.At(0, 5), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(1, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(r, (RECT{0, 0, 10, 10}));  // no BF_ADJUST
}

TEST(DrawFrameControl, MenuArrowIsABlackMaskOnWhite) {
  Canvas c(16, 16, RGB(1, 2, 3));
  RECT r{0, 0, 16, 16};
  DrawFrameControl(c.dc(), &r, DFC_MENU, DFCS_MENUARROW);
  EXPECT_EQ(c.Count(kBlack) + c.Count(kWhite), 256);
  EXPECT_GT(c.Count(kBlack), 6);
  // Pointing right: more ink on the left half.
  int left = 0, right = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (c.At(x, y) == kBlack) (x < 8 ? left : right)++;
  EXPECT_GT(left, right);
}

TEST(DrawFrameControl, CaptionClosePushedMovesTheGlyph) {
  Canvas a(18, 16), b(18, 16);
  RECT r{0, 0, 18, 16};
  DrawFrameControl(a.dc(), &r, DFC_CAPTION, DFCS_CAPTIONCLOSE);
  DrawFrameControl(b.dc(), &r, DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_PUSHED);
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  RECT ga{18, 16, 0, 0}, gb{18, 16, 0, 0};
  for (int y = 2; y < 14; ++y)
    for (int x = 2; x < 16; ++x) {
      if (a.At(x, y) == text)
        ga = RECT{std::min(ga.left, LONG(x)), std::min(ga.top, LONG(y)), 0, 0};
      if (b.At(x, y) == text)
        gb = RECT{std::min(gb.left, LONG(x)), std::min(gb.top, LONG(y)), 0, 0};
    }
  EXPECT_EQ(gb.left, ga.left + 1);
  EXPECT_EQ(gb.top, ga.top + 1);
  EXPECT_EQ(a.At(0, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(b.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
}

TEST(DrawFocusRect, DottedAndUndoneBySecondCall) {
  Canvas c(12, 8, RGB(10, 20, 30));
  RECT r{1, 1, 11, 7};
  DrawFocusRect(c.dc(), &r);
  EXPECT_EQ(c.At(1, 1), RGB(245, 235, 225));
  EXPECT_EQ(c.At(2, 1), RGB(10, 20, 30));
  EXPECT_EQ(c.At(5, 4), RGB(10, 20, 30));  // inside untouched
  DrawFocusRect(c.dc(), &r);
  EXPECT_EQ(c.Count(RGB(10, 20, 30)), 96);
}

TEST(Gradient, HorizontalAndVertical) {
  Canvas c(11, 5);
  TRIVERTEX v[2];
  v[0] = {0, 0, 0, 0, 0xFF00, 0};
  v[1] = {11, 5, 0xFF00, 0, 0, 0};
  GRADIENT_RECT gr{0, 1};
  ASSERT_TRUE(GradientFill(c.dc(), v, 2, &gr, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(c.At(0, 2), RGB(0, 0, 255));
  EXPECT_GT(GetRValue(c.At(10, 2)), 220);
  for (int x = 1; x < 11; ++x) EXPECT_GE(GetRValue(c.At(x, 0)), GetRValue(c.At(x - 1, 0)));
  EXPECT_EQ(c.At(4, 0), c.At(4, 4));  // constant down a column
  ASSERT_TRUE(GradientFill(c.dc(), v, 2, &gr, 1, GRADIENT_FILL_RECT_V));
  EXPECT_EQ(c.At(0, 0), c.At(10, 0));  // constant along a row
  GRADIENT_RECT bad{0, 5};
  EXPECT_FALSE(GradientFill(c.dc(), v, 2, &bad, 1, GRADIENT_FILL_RECT_H));
}

TEST(Halftone, PatternInvertTwiceRestores) {
  Canvas c(16, 16, RGB(50, 60, 70));
  HBRUSH h = CreateHalftoneBrush();
  SetTextColor(c.dc(), kBlack);
  SetBkColor(c.dc(), kWhite);
  HGDIOBJ old = SelectObject(c.dc(), h);
  PatBlt(c.dc(), 0, 0, 16, 16, PATINVERT);
  EXPECT_EQ(c.Count(RGB(50, 60, 70)), 128);  // half inverted (white bits), half kept
  PatBlt(c.dc(), 0, 0, 16, 16, PATINVERT);
  EXPECT_EQ(c.Count(RGB(50, 60, 70)), 256);
  SelectObject(c.dc(), old);
  DeleteObject(h);
}

}  // namespace
}  // namespace gdi
