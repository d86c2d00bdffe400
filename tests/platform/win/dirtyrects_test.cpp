// The changed rectangles of the screen: far-apart changes stay apart, touching or nested ones
// become one, and a full list joins the pair that costs fewest unchanged pixels.
#include "platform/win/dirtyrects.h"

#include <gtest/gtest.h>

namespace {

using win::DirtyRects;
using win::RECT;

bool Covered(const DirtyRects& d, const RECT& r) {
  for (const RECT& c : d.Rects())
    if (c.left <= r.left && c.top <= r.top && c.right >= r.right && c.bottom >= r.bottom)
      return true;
  return false;
}

long TotalArea(const DirtyRects& d) {
  long sum = 0;
  for (const RECT& r : d.Rects()) sum += long(r.right - r.left) * (r.bottom - r.top);
  return sum;
}

TEST(DirtyRects, FarApartStayApartTouchingAndNestedBecomeOne) {
  DirtyRects d;
  d.Add(RECT{0, 0, 10, 10});
  d.Add(RECT{5, 5, 5, 30});  // empty
  d.Add(RECT{300, 200, 340, 220});
  ASSERT_EQ(d.Rects().size(), 2u);
  EXPECT_EQ(d.Bounds(), (RECT{0, 0, 340, 220}));
  d.Add(RECT{310, 205, 320, 210});  // inside the second
  d.Add(RECT{340, 200, 400, 220});  // beside it
  ASSERT_EQ(d.Rects().size(), 2u);
  EXPECT_TRUE(Covered(d, RECT{300, 200, 400, 220}));
  EXPECT_EQ(TotalArea(d), 100 + 100 * 20);
  d.Clear();
  EXPECT_TRUE(d.Empty());
  EXPECT_EQ(d.Bounds(), (RECT{}));
}

TEST(DirtyRects, ABridgeJoinsBothSides) {
  DirtyRects d;
  d.Add(RECT{0, 0, 40, 40});
  d.Add(RECT{80, 0, 120, 40});
  ASSERT_EQ(d.Rects().size(), 2u);
  d.Add(RECT{40, 0, 80, 40});
  ASSERT_EQ(d.Rects().size(), 1u);
  EXPECT_EQ(d.Rects()[0], (RECT{0, 0, 120, 40}));
}

TEST(DirtyRects, AFullListJoinsTheCheapestPair) {
  // Nine 10 x 10 squares 200 apart on a row: joining two neighbours costs 1,900 pixels, any
  // other pair more, so eight rectangles cover 7 x 100 + 210 x 10 pixels.
  DirtyRects d;
  for (int i = 0; i < 9; ++i) d.Add(RECT{i * 200, 0, i * 200 + 10, 10});
  ASSERT_EQ(d.Rects().size(), DirtyRects::kMax);
  EXPECT_EQ(TotalArea(d), 7 * 100 + 210 * 10);
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(Covered(d, RECT{i * 200, 0, i * 200 + 10, 10})) << i;
}

}  // namespace
