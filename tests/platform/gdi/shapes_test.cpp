#include <gtest/gtest.h>

#include "canvas.h"

namespace gdi {
namespace {

using testing::Canvas;
using testing::kBlack;
using testing::kWhite;

// A five-pointed star drawn in one stroke: its centre is enclosed twice.
const POINT kStar[5] = {{50, 5}, {79, 95}, {2, 39}, {98, 39}, {21, 95}};

TEST(PolygonFill, AlternateLeavesTheStarCentreEmptyWindingFillsIt) {
  Canvas c(100, 100);
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  EXPECT_EQ(SetPolyFillMode(c.dc(), ALTERNATE), ALTERNATE);
  Polygon(c.dc(), kStar, 5);
  EXPECT_EQ(c.At(50, 55), kWhite);  // centre: crossed twice
  EXPECT_EQ(c.At(50, 20), kBlack);  // top point
  EXPECT_EQ(c.At(10, 41), kBlack);  // left point
  const int alternate = c.Count(kBlack);
  c.Clear(kWhite);
  SetPolyFillMode(c.dc(), WINDING);
  Polygon(c.dc(), kStar, 5);
  EXPECT_EQ(c.At(50, 55), kBlack);
  EXPECT_GT(c.Count(kBlack), alternate);
}

TEST(PolygonFill, SquareCoversItsCornerCoordinatesHalfOpen) {
  Canvas c(20, 20);
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  const POINT sq[4] = {{2, 3}, {12, 3}, {12, 13}, {2, 13}};
  Polygon(c.dc(), sq, 4);
  EXPECT_EQ(c.Extent(kWhite), (RECT{2, 3, 12, 13}));
  EXPECT_EQ(c.Count(kBlack), 100);
}

TEST(Lines, EndPixelIsExcluded) {
  Canvas c(20, 20);
  MoveToEx(c.dc(), 2, 2, nullptr);
  LineTo(c.dc(), 12, 2);
  EXPECT_EQ(c.At(2, 2), kBlack);
  EXPECT_EQ(c.At(11, 2), kBlack);
  EXPECT_EQ(c.At(12, 2), kWhite);
  EXPECT_EQ(c.Count(kBlack), 10);
  POINT cp;
  GetCurrentPositionEx(c.dc(), &cp);
  EXPECT_EQ(cp, (POINT{12, 2}));
  // Diagonal: one pixel a step, the end left out.
  c.Clear(kWhite);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 5, 5);
  EXPECT_EQ(c.Count(kBlack), 5);
  EXPECT_EQ(c.At(4, 4), kBlack);
  EXPECT_EQ(c.At(5, 5), kWhite);
  // A line to its own start draws nothing.
  c.Clear(kWhite);
  MoveToEx(c.dc(), 3, 3, nullptr);
  LineTo(c.dc(), 3, 3);
  EXPECT_EQ(c.Count(kBlack), 0);
}

TEST(Lines, PolylineClosesNothingAndSharesCorners) {
  Canvas c(20, 20);
  const POINT pts[3] = {{1, 1}, {10, 1}, {10, 10}};
  Polyline(c.dc(), pts, 3);
  EXPECT_EQ(c.Count(kBlack), 18);  // 9 + 9, the corner once, the final end left out
  EXPECT_EQ(c.At(10, 10), kWhite);
}

TEST(Lines, FarCoordinatesAreClippedWithoutOverflow) {
  Canvas c(50, 50);
  const int big = 1 << 27;
  MoveToEx(c.dc(), -big, 25, nullptr);
  LineTo(c.dc(), big, 25);
  EXPECT_EQ(c.Count(kBlack), 50);
  c.Clear(kWhite);
  // A steep line through the middle from far above to far below.
  MoveToEx(c.dc(), 25, -big, nullptr);
  LineTo(c.dc(), 26, big);
  EXPECT_EQ(c.Count(kBlack), 50);
  c.Clear(kWhite);
  // The diagonal x = y through the picture, ends far out in both directions.
  MoveToEx(c.dc(), -big, -big, nullptr);
  LineTo(c.dc(), big, big);
  EXPECT_EQ(c.Count(kBlack), 50);
  EXPECT_EQ(c.At(17, 17), kBlack);
  c.Clear(kWhite);
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  const POINT huge[4] = {{-big, -big}, {big, -big}, {big, big}, {-big, big}};
  Polygon(c.dc(), huge, 4);
  EXPECT_EQ(c.Count(kBlack), 2500);
  c.Clear(kWhite);
  Ellipse(c.dc(), -big, -big, big, big);
  EXPECT_EQ(c.Count(kBlack), 2500);
  HPEN wide = CreatePen(PS_SOLID, 5, kBlack);
  SelectObject(c.dc(), wide);
  c.Clear(kWhite);
  MoveToEx(c.dc(), -big, 10, nullptr);
  LineTo(c.dc(), big, 10);
  EXPECT_EQ(c.Count(kBlack), 250);
  SelectObject(c.dc(), GetStockObject(BLACK_PEN));
  DeleteObject(wide);
}

TEST(Pens, DashedAtWidthOneSolidWhenWide) {
  Canvas c(100, 20);
  HPEN dash = CreatePen(PS_DASH, 1, kBlack);
  SelectObject(c.dc(), dash);
  SetBkMode(c.dc(), TRANSPARENT);
  MoveToEx(c.dc(), 0, 5, nullptr);
  LineTo(c.dc(), 96, 5);
  // 18 on, 6 off, four times.
  EXPECT_EQ(c.Count(kBlack), 4 * 18);
  EXPECT_EQ(c.At(17, 5), kBlack);
  EXPECT_EQ(c.At(18, 5), kWhite);
  EXPECT_EQ(c.At(24, 5), kBlack);
  // Opaque background fills the gaps with the background colour.
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), RGB(255, 0, 0));
  MoveToEx(c.dc(), 0, 8, nullptr);
  LineTo(c.dc(), 96, 8);
  EXPECT_EQ(c.At(20, 8), RGB(255, 0, 0));
  // The same style at width 3 draws solid.
  HPEN wideDash = CreatePen(PS_DASH, 3, kBlack);
  SelectObject(c.dc(), wideDash);
  c.Clear(kWhite);
  MoveToEx(c.dc(), 10, 10, nullptr);
  LineTo(c.dc(), 90, 10);
  for (int x = 10; x < 90; ++x) ASSERT_EQ(c.At(x, 10), kBlack) << x;
  EXPECT_EQ(c.At(50, 9), kBlack);
  EXPECT_EQ(c.At(50, 11), kBlack);
  EXPECT_EQ(c.At(50, 12), kWhite);
  // Round caps reach beyond both ends; flat caps stop at them.
  EXPECT_EQ(c.At(9, 10), kBlack);
  EXPECT_EQ(c.At(90, 10), kBlack);
  LOGBRUSH lb{BS_SOLID, kBlack, 0};
  HPEN flat = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, 3, &lb, 0, nullptr);
  ASSERT_NE(flat, nullptr);
  SelectObject(c.dc(), flat);
  c.Clear(kWhite);
  MoveToEx(c.dc(), 10, 10, nullptr);
  LineTo(c.dc(), 90, 10);
  EXPECT_EQ(c.At(9, 10), kWhite);
  EXPECT_EQ(c.At(90, 10), kWhite);
  EXPECT_EQ(c.Count(kBlack), 80 * 3);
  SelectObject(c.dc(), GetStockObject(BLACK_PEN));
  for (HPEN p : {dash, wideDash, flat}) DeleteObject(p);
}

TEST(Lines, SolidRunsMatchPixelByPixelStepping) {
  // A dashed pen in opaque mode with its gaps in the pen colour paints exactly the pixels of a
  // solid pen; the two take different paths through the line stepper.
  Canvas solid(64, 64), dashed(64, 64);
  HPEN dash = CreatePen(PS_DASH, 1, kBlack);
  SelectObject(dashed.dc(), dash);
  SetBkColor(dashed.dc(), kBlack);
  SetBkMode(dashed.dc(), OPAQUE);
  unsigned seed = 1;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 16) % 100) - 18;
  };
  for (int i = 0; i < 200; ++i) {
    const int x0 = next(), y0 = next(), x1 = next(), y1 = next();
    for (HDC dc : {solid.dc(), dashed.dc()}) {
      MoveToEx(dc, x0, y0, nullptr);
      LineTo(dc, x1, y1);
    }
  }
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(solid.At(x, y), dashed.At(x, y)) << x << "," << y;
  SelectObject(dashed.dc(), GetStockObject(BLACK_PEN));
  DeleteObject(dash);
}

TEST(Pens, XorDrawnTwiceRestoresThePixels) {
  Canvas c(60, 60);
  // Something to draw over.
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) SetPixel(c.dc(), x, y, RGB(x * 4, y * 4, (x + y) * 2));
  std::vector<COLORREF> before;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) before.push_back(c.At(x, y));
  HPEN pen = CreatePen(PS_SOLID, 4, RGB(200, 100, 50));
  SelectObject(c.dc(), pen);
  SelectObject(c.dc(), GetStockObject(NULL_BRUSH));
  SetROP2(c.dc(), R2_XORPEN);
  auto draw = [&] {
    const POINT pts[4] = {{5, 5}, {50, 10}, {30, 55}, {5, 5}};
    Polyline(c.dc(), pts, 4);  // wide corners overlap: they must still be painted once
    Ellipse(c.dc(), 10, 10, 40, 30);
    Rectangle(c.dc(), 20, 20, 58, 58);
  };
  draw();
  EXPECT_NE(c.At(5, 5), before[5 * 60 + 5]);
  draw();
  size_t i = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x, ++i) ASSERT_EQ(c.At(x, y), before[i]) << x << "," << y;
  SelectObject(c.dc(), GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}

TEST(Shapes, RectangleOutlineAndInterior) {
  Canvas c(20, 20);
  SelectObject(c.dc(), GetStockObject(GRAY_BRUSH));
  Rectangle(c.dc(), 2, 2, 12, 8);
  EXPECT_EQ(c.Extent(kWhite), (RECT{2, 2, 12, 8}));
  EXPECT_EQ(c.At(2, 2), kBlack);
  EXPECT_EQ(c.At(11, 7), kBlack);
  EXPECT_EQ(c.At(5, 5), RGB(128, 128, 128));
  EXPECT_EQ(c.Count(kBlack), 2 * 10 + 2 * 4);
  // Without a pen the filled area loses its right column and bottom row.
  c.Clear(kWhite);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  Rectangle(c.dc(), 2, 2, 12, 8);
  EXPECT_EQ(c.Extent(kWhite), (RECT{2, 2, 11, 7}));
}

TEST(Shapes, EllipseStaysInItsBoxAndIsSymmetric) {
  Canvas c(40, 30);
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  Ellipse(c.dc(), 3, 4, 33, 24);
  EXPECT_EQ(c.Extent(kWhite), (RECT{3, 4, 33, 24}));
  for (int y = 4; y < 24; ++y)
    for (int x = 3; x < 33; ++x) {
      ASSERT_EQ(c.At(x, y), c.At(35 - x, y)) << x << "," << y;
      ASSERT_EQ(c.At(x, y), c.At(x, 27 - y)) << x << "," << y;
    }
  EXPECT_EQ(c.At(3, 4), kWhite);  // corners are outside
  EXPECT_EQ(c.At(18, 14), kBlack);
}

TEST(Shapes, ArcRunsCounterClockwise) {
  Canvas c(41, 41);
  // From the right end of the horizontal diameter to the top: the upper right quarter only.
  Arc(c.dc(), 0, 0, 41, 41, 40, 20, 20, 0);
  int upperRight = 0, other = 0;
  for (int y = 0; y < 41; ++y)
    for (int x = 0; x < 41; ++x)
      if (c.At(x, y) != kWhite) (x >= 20 && y <= 20 ? upperRight : other)++;
  EXPECT_GT(upperRight, 20);
  EXPECT_EQ(other, 0);
  // Swapping the radials draws the other three quarters.
  c.Clear(kWhite);
  Arc(c.dc(), 0, 0, 41, 41, 20, 0, 40, 20);
  EXPECT_EQ(c.At(0, 20), kBlack);
  EXPECT_EQ(c.At(20, 40), kBlack);
  EXPECT_EQ(c.At(34, 6), kWhite);
  // Equal radials draw the whole ellipse.
  c.Clear(kWhite);
  Arc(c.dc(), 0, 0, 41, 41, 40, 20, 40, 20);
  Canvas full(41, 41);
  SelectObject(full.dc(), GetStockObject(NULL_BRUSH));
  Ellipse(full.dc(), 0, 0, 41, 41);
  EXPECT_EQ(c.Count(kBlack), full.Count(kBlack));
}

TEST(Shapes, PieFillsItsWedge) {
  Canvas c(41, 41);
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  Pie(c.dc(), 0, 0, 41, 41, 40, 20, 20, 0);
  EXPECT_EQ(c.At(28, 12), kBlack);
  EXPECT_EQ(c.At(12, 28), kWhite);
  EXPECT_EQ(c.At(12, 12), kWhite);
  EXPECT_EQ(c.At(28, 28), kWhite);
}

TEST(Shapes, RoundRectCornersAreCut) {
  Canvas c(30, 30);
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  RoundRect(c.dc(), 0, 0, 30, 30, 12, 12);
  EXPECT_EQ(c.At(0, 0), kWhite);
  EXPECT_EQ(c.At(29, 29), kWhite);
  EXPECT_EQ(c.At(0, 15), kBlack);
  EXPECT_EQ(c.At(15, 0), kBlack);
  EXPECT_EQ(c.Extent(kWhite), (RECT{0, 0, 30, 30}));
}

TEST(Shapes, PixelsAndFillRect) {
  Canvas c(10, 10);
  EXPECT_EQ(SetPixel(c.dc(), 3, 4, RGB(10, 20, 30)), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(c.dc(), 3, 4), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(c.dc(), 30, 4), CLR_INVALID);
  EXPECT_EQ(SetPixel(c.dc(), -1, 4, kBlack), CLR_INVALID);
  HBRUSH b = CreateSolidBrush(RGB(0, 0, 255));
  const RECT r{-5, -5, 3, 2};
  FillRect(c.dc(), &r, b);
  EXPECT_EQ(c.Extent(kWhite), (RECT{0, 0, 4, 5}));  // includes the pixel at (3, 4)
  EXPECT_EQ(c.Count(RGB(0, 0, 255)), 6);
  const RECT fr{5, 5, 9, 9};
  FrameRect(c.dc(), &fr, b);
  EXPECT_EQ(c.Count(RGB(0, 0, 255)), 6 + 12);
  InvertRect(c.dc(), &fr);
  EXPECT_EQ(c.At(6, 6), kBlack);
  EXPECT_EQ(c.At(5, 5), RGB(255, 255, 0));
  DeleteObject(b);
}

}  // namespace
}  // namespace gdi
