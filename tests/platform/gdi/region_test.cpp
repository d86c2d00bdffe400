#include "platform/gdi/region.h"

#include <gtest/gtest.h>

#include "platform/gdi/dc.h"
#include "platform/gdi/shapes.h"

namespace gdi {
namespace {

int area(const Region& r) {
  int a = 0;
  for (const auto& rc : r.Rects()) a += rc.Width() * rc.Height();
  return a;
}

TEST(Region, CombineOperations) {
  const Region a(RECT{0, 0, 10, 10}), b(RECT{5, 5, 15, 15});
  EXPECT_EQ(area(Region::Combine(a, b, RegionOp::And)), 25);
  EXPECT_EQ(area(Region::Combine(a, b, RegionOp::Or)), 175);
  EXPECT_EQ(area(Region::Combine(a, b, RegionOp::Xor)), 150);
  EXPECT_EQ(area(Region::Combine(a, b, RegionOp::Diff)), 75);
  EXPECT_EQ(Region::Combine(a, b, RegionOp::And), Region(RECT{5, 5, 10, 10}));
}

TEST(Region, BandsAreCanonical) {
  // Two halves of one rectangle merge back into a single rectangle.
  const Region left(RECT{0, 0, 5, 10}), right(RECT{5, 0, 10, 10});
  EXPECT_EQ(Region::Combine(left, right, RegionOp::Or), Region(RECT{0, 0, 10, 10}));
  const Region top(RECT{0, 0, 10, 4}), bottom(RECT{0, 4, 10, 10});
  EXPECT_EQ(Region::Combine(top, bottom, RegionOp::Or), Region(RECT{0, 0, 10, 10}));
  // A hole gives three bands, the middle one with two rectangles.
  const Region ring =
      Region::Combine(Region(RECT{0, 0, 10, 10}), Region(RECT{3, 3, 7, 7}), RegionOp::Diff);
  EXPECT_EQ(ring.Rects().size(), 4u);
  EXPECT_FALSE(ring.Contains(5, 5));
  EXPECT_TRUE(ring.Contains(1, 5));
  EXPECT_TRUE(ring.Contains(8, 5));
  EXPECT_FALSE(ring.Contains(10, 5));
  EXPECT_EQ(ring.Box(), (RECT{0, 0, 10, 10}));
}

TEST(Region, HandleApi) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(20, 0, 30, 10);
  HRGN d = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(OffsetRgn(d, 5, 5), COMPLEXREGION);
  RECT box;
  EXPECT_EQ(GetRgnBox(d, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{5, 5, 35, 15}));
  EXPECT_TRUE(PtInRegion(d, 6, 6));
  EXPECT_FALSE(PtInRegion(d, 20, 6));
  EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), NULLREGION);
  EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(d, a));
  for (HRGN r : {a, b, d}) EXPECT_TRUE(DeleteObject(r));
  EXPECT_EQ(OffsetRgn(a, 1, 1), RGN_ERROR);  // deleted handle is refused
}

}  // namespace
}  // namespace gdi

namespace gdi {
namespace {

TEST(RegionShapes, EllipsePolygonAndRoundRect) {
  HRGN e = CreateEllipticRgn(0, 0, 20, 10);
  RECT box;
  EXPECT_EQ(GetRgnBox(e, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{0, 0, 20, 10}));
  EXPECT_TRUE(PtInRegion(e, 10, 5));
  EXPECT_FALSE(PtInRegion(e, 0, 0));
  EXPECT_FALSE(PtInRegion(e, 19, 9));
  // Rows with the same extent share one band.
  EXPECT_LT(GetRegion(e)->Rects().size(), 10u);
  const POINT tri[3] = {{0, 0}, {10, 0}, {0, 10}};
  HRGN t = CreatePolygonRgn(tri, 3, ALTERNATE);
  EXPECT_TRUE(PtInRegion(t, 1, 1));
  EXPECT_FALSE(PtInRegion(t, 8, 8));
  HRGN rr = CreateRoundRectRgn(0, 0, 30, 30, 10, 10);
  EXPECT_FALSE(PtInRegion(rr, 0, 0));
  EXPECT_TRUE(PtInRegion(rr, 0, 15));
  EXPECT_TRUE(PtInRegion(rr, 15, 15));
  for (HRGN r : {e, t, rr}) DeleteObject(r);
}

TEST(RegionShapes, PaintInvertAndFrame) {
  auto surface = std::make_shared<Surface>(PixelLayout::Device32, 12, 12);
  HDC dc = CreateSurfaceDC(surface, POINT{}, nullptr);
  HRGN r = CreateRectRgn(2, 2, 10, 10);
  HBRUSH red = CreateSolidBrush(0x0000FF);
  EXPECT_TRUE(FrameRgn(dc, r, red, 2, 1));
  EXPECT_EQ(surface->Get(2, 5), 0xFF0000u);  // left side, two wide
  EXPECT_EQ(surface->Get(3, 5), 0xFF0000u);
  EXPECT_EQ(surface->Get(4, 5), 0u);
  EXPECT_EQ(surface->Get(5, 2), 0xFF0000u);  // top, one high
  EXPECT_EQ(surface->Get(5, 3), 0u);
  EXPECT_TRUE(InvertRgn(dc, r));
  EXPECT_EQ(surface->Get(5, 5), 0xFFFFFFu);
  EXPECT_EQ(surface->Get(2, 5), 0x00FFFFu);
  EXPECT_EQ(surface->Get(0, 0), 0u);
  SelectObject(dc, red);
  EXPECT_TRUE(PaintRgn(dc, r));
  EXPECT_EQ(surface->Get(5, 5), 0xFF0000u);
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
  DeleteObject(r);
  DeleteDC(dc);
}

}  // namespace
}  // namespace gdi
