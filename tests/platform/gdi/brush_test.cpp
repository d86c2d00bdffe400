#include <gtest/gtest.h>

#include "canvas.h"

namespace gdi {
namespace {

using testing::Canvas;
using testing::kBlack;
using testing::kWhite;

TEST(Brushes, HatchPaintsLinesAndLeavesGapsWhenTransparent) {
  Canvas c(16, 16, RGB(0, 255, 0));
  HBRUSH h = CreateHatchBrush(HS_HORIZONTAL, RGB(255, 0, 0));
  const RECT r{0, 0, 16, 16};
  SetBkMode(c.dc(), TRANSPARENT);
  FillRect(c.dc(), &r, h);
  // One line in every eight rows; the rest untouched.
  EXPECT_EQ(c.Count(RGB(255, 0, 0)), 2 * 16);
  EXPECT_EQ(c.Count(RGB(0, 255, 0)), 14 * 16);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(c.At(x, 7), RGB(255, 0, 0));
  // Opaque: the gaps take the background colour.
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), RGB(0, 0, 255));
  FillRect(c.dc(), &r, h);
  EXPECT_EQ(c.Count(RGB(0, 0, 255)), 14 * 16);
  DeleteObject(h);
  // Diagonal cross: two pixels in most rows.
  HBRUSH d = CreateHatchBrush(HS_DIAGCROSS, kBlack);
  c.Clear(kWhite);
  SetBkMode(c.dc(), TRANSPARENT);
  FillRect(c.dc(), &r, d);
  EXPECT_EQ(c.At(0, 0), kBlack);
  EXPECT_EQ(c.At(7, 0), kBlack);
  EXPECT_EQ(c.At(1, 1), kBlack);
  EXPECT_EQ(c.At(3, 1), kWhite);
  DeleteObject(d);
}

TEST(Brushes, MonochromePatternUsesTextAndBackgroundColours) {
  // A checkerboard: bits 1 where x + y is odd.
  uint8_t bits[16] = {};
  for (int y = 0; y < 8; ++y) bits[y * 2] = (y & 1) ? 0xAA : 0x55;
  HBITMAP pat = CreateBitmap(8, 8, 1, 1, bits);
  ASSERT_NE(pat, nullptr);
  HBRUSH b = CreatePatternBrush(pat);
  DeleteObject(pat);  // the brush keeps its own copy
  Canvas c(16, 16);
  SetTextColor(c.dc(), RGB(255, 0, 0));
  SetBkColor(c.dc(), RGB(0, 0, 255));
  const RECT r{0, 0, 16, 16};
  FillRect(c.dc(), &r, b);
  EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0));  // 0 bit: text colour
  EXPECT_EQ(c.At(1, 0), RGB(0, 0, 255));  // 1 bit: background colour
  EXPECT_EQ(c.At(9, 8), RGB(0, 0, 255));
  EXPECT_EQ(c.Count(RGB(255, 0, 0)), 128);
  // The brush origin shifts the pattern.
  SetBrushOrgEx(c.dc(), 1, 0, nullptr);
  FillRect(c.dc(), &r, b);
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 255));
  DeleteObject(b);
}

TEST(Brushes, PatInvertTwiceRestores) {
  Canvas c(16, 16);
  HBRUSH b = CreateHatchBrush(HS_BDIAGONAL, RGB(12, 34, 56));
  SelectObject(c.dc(), b);
  PatBlt(c.dc(), 2, 2, 10, 10, PATINVERT);
  EXPECT_NE(c.CountNot(kWhite), 0);
  PatBlt(c.dc(), 2, 2, 10, 10, PATINVERT);
  EXPECT_EQ(c.CountNot(kWhite), 0);
  SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(b);
}

TEST(Brushes, SysColorBrushFollowsTheTable) {
  Canvas c(4, 4);
  const int idx = COLOR_HIGHLIGHT;
  const COLORREF v = RGB(9, 8, 7);
  const COLORREF old = GetSysColor(idx);
  SetSysColors(1, &idx, &v);
  const RECT r{0, 0, 4, 4};
  FillRect(c.dc(), &r, GetSysColorBrush(COLOR_HIGHLIGHT));
  EXPECT_EQ(c.At(1, 1), v);
  c.Clear(RGB(255, 255, 255));
  FillRect(c.dc(), &r, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_HIGHLIGHT + 1)));
  EXPECT_EQ(c.At(1, 1), v);
  SetSysColors(1, &idx, &old);
  EXPECT_TRUE(DeleteObject(GetSysColorBrush(COLOR_HIGHLIGHT)));  // stock: stays
  EXPECT_EQ(GetObjectType(GetSysColorBrush(COLOR_HIGHLIGHT)), OBJ_BRUSH);
}

}  // namespace
}  // namespace gdi
