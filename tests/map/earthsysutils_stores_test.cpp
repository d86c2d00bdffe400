// Dynamic arrays, point stores and chain stores.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "map/earthsysutils.h"

namespace {

constexpr int32_t kDeg = GU_DEGREE;

void AddDegrees(TPointStore& s, std::initializer_list<std::pair<int, int>> degrees) {
  for (auto [lon, lat] : degrees) s.Add(PointLL(lon * kDeg, lat * kDeg));
}

TEST(DynArray, AbsentArrayIsEmpty) {
  TDynArray a;
  EXPECT_EQ(DynArrayCount(a), 0);
  EXPECT_EQ(DynArrayPtr(a, 0), nullptr);
  EXPECT_EQ(DynArrayIndexOfObject(a, nullptr), -1);
  DynArrayDelete(a, 0);
  DynArrayFree(a);
  EXPECT_THROW(DynArraySetLength(a, 3), EEarthException);
  EXPECT_THROW(DynArrayMove(a, 0, 1), EEarthException);
  EXPECT_FALSE(DynArrayClone(a));
}

TEST(DynArray, InsertDeleteAndMoveShiftElements) {
  TDynArray a = DynArrayCreate(4, 3);
  for (int i = 0; i < 3; ++i) DynArraySetAsInteger(a, i, 10 + i);
  DynArrayInsert(a, 1);
  DynArraySetAsInteger(a, 1, 99);
  EXPECT_EQ(DynArrayCount(a), 4);
  EXPECT_EQ(DynArrayAsInteger(a, 0), 10);
  EXPECT_EQ(DynArrayAsInteger(a, 2), 11);
  EXPECT_EQ(DynArrayAsInteger(a, 3), 12);
  DynArrayMove(a, 0, 3);
  EXPECT_EQ(DynArrayAsInteger(a, 0), 99);
  EXPECT_EQ(DynArrayAsInteger(a, 3), 10);
  DynArrayDelete(a, 0);
  DynArrayDelete(a, 7);  // ignored
  EXPECT_EQ(DynArrayCount(a), 3);
  EXPECT_EQ(DynArrayAsInteger(a, 0), 11);
  EXPECT_THROW(DynArrayAsInteger(a, 3), EEarthException);
  EXPECT_THROW(DynArrayInsert(a, 5), EEarthException);
  DynArraySetLength(a, 5);
  EXPECT_EQ(DynArrayAsInteger(a, 4), 0);  // new elements are zero
}

TEST(DynArray, OnlyArraysOfObjectReferencesAreSearchedForAnObject) {
  int x = 0, y = 0;
  TDynArray refs = DynArrayCreateObjects(3);
  DynArraySetAsObject(refs, 1, &y);
  DynArraySetAsObject(refs, 0, &x);
  EXPECT_EQ(DynArrayIndexOfObject(refs, &y), 1);
  EXPECT_EQ(DynArrayIndexOfObject(refs, nullptr), 2);
  EXPECT_EQ(DynArrayIndexOfObject(DynArrayClone(refs), &y), 1);
  EXPECT_EQ(DynArrayAsObject(refs, 0), &x);

  // Points of two 32-bit values are as wide as a reference, and here one holds the very bits
  // of &x: still not a reference.
  TDynArray points = DynArrayCreate(8, 2);
  std::memcpy(DynArrayPtr(points, 1), &refs->Elements[0], 8);
  EXPECT_EQ(DynArrayIndexOfObject(points, nullptr), -1);
  EXPECT_EQ(DynArrayIndexOfObject(points, &x), -1);
  EXPECT_EQ(DynArrayIndexOfObject(DynArrayCreate(12, 2), nullptr), -1);
}

TEST(DynArray, SharedBlockLivesUntilTheLastHolderFrees) {
  TDynArray a = DynArrayCreate(4, 1);
  DynArraySetAsInteger(a, 0, 7);
  DynArrayIncReference(a);
  TDynArray b(a.get());
  DynArrayFree(a);
  EXPECT_FALSE(a);
  EXPECT_EQ(DynArrayAsInteger(b, 0), 7);  // ASan would catch a freed block
  TDynArray c = DynArrayClone(b);
  EXPECT_EQ(c->RefCount, 0);
  EXPECT_EQ(DynArrayAsInteger(c, 0), 7);
}

TEST(PointStore, NeverHeldPointsIsEmptyAndIndicesAreChecked) {
  TPointStore s;
  EXPECT_EQ(s.GetCount(), 0);
  EXPECT_THROW(s.GetLL(0), EEarthException);
  EXPECT_THROW(s.PutLL(0, PointLL(1, 1)), EEarthException);
  EXPECT_THROW(s.Delete(0), EEarthException);
  EXPECT_THROW(s.Insert(1, PointLL(1, 1)), EEarthException);
  EXPECT_FALSE(s.PointInPolygon(0, 0));
  EXPECT_FALSE(s.PointOnPolyline(0, 0, 10));
  EXPECT_EQ(s.PointStoreMER(), MER(0, 0, 0, 0));
  s.Insert(0, PointLL(1, 2));
  EXPECT_EQ(s.GetLL(0), PointLL(1, 2));
  EXPECT_THROW(s.GetLL(-1), EEarthException);
}

TEST(PointStore, DeletingTheLastPointKeepsTheOthers) {
  TPointStore s;
  AddDegrees(s, {{1, 1}, {2, 2}, {3, 3}});
  s.Delete(2);
  ASSERT_EQ(s.GetCount(), 2);
  EXPECT_EQ(s.GetLL(0), PointLL(kDeg, kDeg));
  EXPECT_EQ(s.GetLL(1), PointLL(2 * kDeg, 2 * kDeg));
  s.Insert(1, PointLL(9, 9));
  EXPECT_EQ(s.GetLL(1), PointLL(9, 9));
  EXPECT_EQ(s.GetLL(2), PointLL(2 * kDeg, 2 * kDeg));
}

TEST(PointStore, HeightFlagOffAndOnKeepsPositionsAndZeroesHeights) {
  TPointStore s(true);
  s.Add(PointLLH(1, 2, 3));
  s.Add(PointLLH(4, 5, 6));
  EXPECT_EQ(s.GetLL(1).iHeightZ, 6);
  s.SetHeightFlag(false);
  EXPECT_EQ(s.GetLL(1), PointLLH(4, 5, 0));
  s.SetHeightFlag(true);
  ASSERT_EQ(s.GetCount(), 2);
  EXPECT_EQ(s.GetLL(0), PointLLH(1, 2, 0));
  EXPECT_EQ(s.GetLL(1), PointLLH(4, 5, 0));
}

TEST(PointStore, DecimalDegreesRoundTrip) {
  TPointStore s;
  s.SetCount(1);
  s.PutDD(0, PointDD(190.5L, -45.25L));
  EXPECT_EQ(s.GetLL(0), PointLL(-169 * kDeg - 30 * GU_MINUTE, -45 * kDeg - 15 * GU_MINUTE));
  EXPECT_NEAR(static_cast<double>(s.GetDD(0).LatY), -45.25, 1e-12);
}

TEST(PointStore, TranslateAndCentroid) {
  TPointStore s;
  AddDegrees(s, {{0, 0}, {2, 0}, {2, 2}, {0, 2}});
  EXPECT_EQ(s.Centroid(), PointLL(kDeg, kDeg));
  s.Translate(kDeg, -kDeg, 5);
  EXPECT_EQ(s.GetLL(0), PointLL(kDeg, -kDeg));  // no height without the flag
  EXPECT_EQ(s.Centroid(), PointLL(2 * kDeg, 0));
}

TEST(PointStoreMER, TwoCrossingsStraddleTheMeridian) {
  TPointStore s;
  AddDegrees(s, {{170, 1}, {-175, 2}, {-175, 3}, {170, 4}});
  EXPECT_EQ(s.PointStoreMER(), MER(170 * kDeg, kDeg, 15 * kDeg, 3 * kDeg));
  EXPECT_TRUE(PointLLinMER(PointLL(-178 * kDeg, 2 * kDeg), s.PointStoreMER()));
}

TEST(PointStoreMER, AStepWithAnEndBetweenThe90thMeridiansRunsThroughTheFirst) {
  // 10 E to 175 W: not both beyond 90 degrees, so the step is the 185 degrees westwards over 0,
  // as the canvas draws it.
  TPointStore s;
  AddDegrees(s, {{10, 20}, {-175, 20}});
  EXPECT_EQ(s.PointStoreMER(), MER(-175 * kDeg, 20 * kDeg, 185 * kDeg, 0));
}

TEST(PointStoreMER, ARingRoundThePoleTakesTheWholeWidthUpToThatPole) {
  TPointStore s;
  AddDegrees(s, {{0, 80}, {100, 80}, {-170, 80}, {-80, 80}});
  EXPECT_EQ(s.PointStoreMER(), MER(-971'999'999, 80 * kDeg, 1'943'999'998, 10 * kDeg));
  EXPECT_TRUE(PointLLinMER(PointLL(45 * kDeg, 85 * kDeg), s.PointStoreMER()));
  // Drawn as shapefiles draw it, with the edge along the pole.
  TPointStore south;
  AddDegrees(south, {{-180, -65}, {0, -70}, {180, -65}, {180, -90}, {-180, -90}});
  EXPECT_EQ(south.PointStoreMER(), MER(-971'999'999, -90 * kDeg, 1'943'999'998, 25 * kDeg));
  TPointStore plain;
  AddDegrees(plain, {{-5, 1}, {5, 3}});
  EXPECT_EQ(plain.PointStoreMER(), MER(-5 * kDeg, kDeg, 10 * kDeg, 2 * kDeg));
}

TEST(PointStoreMER, ARingAcrossThe180thAndThePrimeMeridianIsHeldWhole) {
  // A band from 10 W eastwards over 0 and 180 to 170 W: 200 degrees from 10 W.
  const std::vector<std::pair<int, int>> band = {{-10, 0},   {100, 0},  {170, 0}, {-170, 0},
                                                 {-170, 10}, {100, 10}, {-10, 10}};
  for (size_t start = 0; start < band.size(); ++start) {
    TPointStore s;
    for (size_t i = 0; i < band.size(); ++i) {
      const auto [lon, lat] = band[(start + i) % band.size()];
      s.Add(PointLL(lon * kDeg, lat * kDeg));
    }
    EXPECT_EQ(s.PointStoreMER(), MER(-10 * kDeg, 0, 200 * kDeg, 10 * kDeg)) << start;
    for (int lon : {-5, 50, 135, 175, -175})
      EXPECT_TRUE(PointLLinMER(PointLL(lon * kDeg, 5 * kDeg), s.PointStoreMER())) << lon;
    for (int lon : {-165, -90, -15})
      EXPECT_FALSE(PointLLinMER(PointLL(lon * kDeg, 5 * kDeg), s.PointStoreMER())) << lon;
  }
  // Only east of 0 but across 180 and back west of 0 the other way: 120 E to 30 W.
  TPointStore east;
  AddDegrees(east, {{120, 0}, {-100, 0}, {-30, 5}, {-100, 10}, {120, 10}});
  EXPECT_EQ(east.PointStoreMER(), MER(120 * kDeg, 0, 210 * kDeg, 10 * kDeg));
  // Starting west of 180 and stepping west over it: still from 175 E.
  TPointStore west;
  AddDegrees(west, {{-175, 0}, {175, 0}, {175, 10}, {-175, 10}});
  EXPECT_EQ(west.PointStoreMER(), MER(175 * kDeg, 0, 10 * kDeg, 10 * kDeg));
}

TEST(PointInPolygon, SeesASquareAcrossThePrimeMeridianWhole) {
  TPointStore square;
  AddDegrees(square, {{-10, -10}, {10, -10}, {10, 10}, {-10, 10}});
  EXPECT_TRUE(square.PointInPolygon(5 * kDeg, 0));
  EXPECT_TRUE(square.PointInPolygon(-5 * kDeg, 0));
  EXPECT_TRUE(square.PointInPolygon(0, 0));
  EXPECT_FALSE(square.PointInPolygon(15 * kDeg, 0));
  EXPECT_FALSE(square.PointInPolygon(0, 11 * kDeg));
}

TEST(PointInPolygon, SeesASquareAcrossThe180thMeridianWhole) {
  TPointStore square;
  AddDegrees(square, {{170, -10}, {-170, -10}, {-170, 10}, {170, 10}});
  EXPECT_TRUE(square.PointInPolygon(175 * kDeg, 0));
  EXPECT_TRUE(square.PointInPolygon(-175 * kDeg, 0));
  EXPECT_FALSE(square.PointInPolygon(160 * kDeg, 0));
  EXPECT_FALSE(square.PointInPolygon(0, 0));
}

TEST(PointInPolygon, ConcaveRingUsesEvenOdd) {
  // A U shape: the notch between the arms is outside.
  TPointStore u;
  AddDegrees(u, {{0, 0}, {30, 0}, {30, 30}, {20, 30}, {20, 10}, {10, 10}, {10, 30}, {0, 30}});
  EXPECT_TRUE(u.PointInPolygon(5 * kDeg, 20 * kDeg));
  EXPECT_TRUE(u.PointInPolygon(25 * kDeg, 20 * kDeg));
  EXPECT_FALSE(u.PointInPolygon(15 * kDeg, 20 * kDeg));
  EXPECT_TRUE(u.PointInPolygon(15 * kDeg, 5 * kDeg));
}

// Even-odd rule on the flat longitude/latitude plane, exact in integers, for rings that lie
// within [-180, 180] with every edge drawn as it stands (the way shapefiles draw a ring round
// a pole). Empty when the point is within one unit of an edge.
using Ring = std::vector<std::pair<int64_t, int64_t>>;
std::optional<bool> FlatEvenOdd(const Ring& ring, int64_t x, int64_t y) {
  bool in = false;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const auto [xi, yi] = ring[i];
    const auto [xj, yj] = ring[j];
    if ((yi > y) == (yj > y)) continue;
    // The edge meets the point's latitude at x + num / den.
    const __int128 den = yj - yi;
    const __int128 num =
        static_cast<__int128>(xi - x) * den + static_cast<__int128>(xj - xi) * (y - yi);
    const __int128 absNum = num < 0 ? -num : num, absDen = den < 0 ? -den : den;
    if (absNum < absDen) return std::nullopt;
    if ((num > 0) == (den > 0)) in = !in;
  }
  return in;
}

Ring Degrees(std::initializer_list<std::pair<int, int>> degrees) {
  Ring r;
  for (auto [lon, lat] : degrees) r.emplace_back(int64_t(lon) * kDeg, int64_t(lat) * kDeg);
  return r;
}

void Fill(TPointStore& s, const Ring& ring, size_t start, bool reversed) {
  for (size_t i = 0; i < ring.size(); ++i) {
    const size_t k = (start + i) % ring.size();
    const auto [lon, lat] = ring[reversed ? ring.size() - 1 - k : k];
    s.Add(PointLL(static_cast<int32_t>(lon), static_cast<int32_t>(lat)));
  }
}

// Every start vertex and both directions of ring against the flat reference on a grid of
// half-degree points over the given latitudes; returns the number of interior points of the
// grid.
int CompareWithFlatReference(const Ring& ring, const Ring& reference, int south, int north) {
  int interior = 0;
  for (size_t start = 0; start < ring.size(); ++start) {
    for (bool reversed : {false, true}) {
      TPointStore s;
      Fill(s, ring, start, reversed);
      for (int lat2 = 2 * south + 1; lat2 < 2 * north; lat2 += 2) {
        for (int lon2 = -359; lon2 < 360; lon2 += 2) {
          const int64_t x = int64_t(lon2) * kDeg / 2, y = int64_t(lat2) * kDeg / 2;
          const std::optional<bool> expected = FlatEvenOdd(reference, x, y);
          if (!expected) continue;
          EXPECT_EQ(s.PointInPolygon(int32_t(x), int32_t(y)), *expected)
              << "start " << start << (reversed ? " reversed" : "") << " at " << lon2 / 2.0 << ", "
              << lat2 / 2.0;
          if (start == 0 && !reversed) interior += *expected;
          if (::testing::Test::HasFailure()) return interior;
        }
      }
    }
  }
  return interior;
}

// A coast round the south pole between 60 and 75 S, running east from 180 W to 180 E.
const Ring kSouthCoast = Degrees({{-180, -65},
                                  {-150, -70},
                                  {-120, -62},
                                  {-90, -75},
                                  {-60, -64},
                                  {-30, -71},
                                  {0, -69},
                                  {30, -60},
                                  {60, -66},
                                  {90, -73},
                                  {120, -61},
                                  {150, -68},
                                  {180, -65}});

Ring WithPoleEdge(Ring coast, int pole) {
  coast.emplace_back(coast.back().first, int64_t(pole) * kDeg);
  coast.emplace_back(coast.front().first, int64_t(pole) * kDeg);
  return coast;
}

TEST(PointInPolygon, ARingWithAnEdgeAlongTheSouthPoleEnclosesThatPole) {
  const Ring ring = WithPoleEdge(kSouthCoast, -90);
  EXPECT_GT(CompareWithFlatReference(ring, ring, -90, -55), 5'400);
}

TEST(PointInPolygon, ARingWithAnEdgeAlongTheNorthPoleEnclosesThatPole) {
  Ring coast;
  for (auto [lon, lat] : kSouthCoast) coast.emplace_back(lon, -lat);
  const Ring ring = WithPoleEdge(coast, 90);
  EXPECT_GT(CompareWithFlatReference(ring, ring, 55, 90), 5'400);
}

TEST(PointInPolygon, TheEdgeAlongThePoleMayComeInSteps) {
  Ring ring = kSouthCoast;
  for (int lon : {180, 60, -60, -180}) ring.emplace_back(int64_t(lon) * kDeg, -90 * kDeg);
  EXPECT_GT(CompareWithFlatReference(ring, ring, -90, -55), 5'400);
}

TEST(PointInPolygon, ARingRoundAPoleWithoutItsPoleEdgeEnclosesTheNearerPole) {
  // The coast alone, closed from 180 E to 180 W on the spot: the same land.
  Ring coast(kSouthCoast.begin(), kSouthCoast.end() - 1);
  EXPECT_GT(CompareWithFlatReference(coast, WithPoleEdge(kSouthCoast, -90), -90, -55), 5'400);

  TPointStore cap;
  AddDegrees(cap, {{0, 80}, {100, 80}, {-170, 80}, {-80, 80}});
  EXPECT_TRUE(cap.PointInPolygon(45 * kDeg, 85 * kDeg));
  EXPECT_TRUE(cap.PointInPolygon(-135 * kDeg, 89 * kDeg));
  EXPECT_FALSE(cap.PointInPolygon(45 * kDeg, 75 * kDeg));
  EXPECT_FALSE(cap.PointInPolygon(45 * kDeg, -85 * kDeg));
}

TEST(PointOnPolyline, TestsEachSegment) {
  TPointStore line;
  AddDegrees(line, {{0, 0}, {10, 0}, {10, 10}});
  EXPECT_TRUE(line.PointOnPolyline(5 * kDeg, 100, 200));
  EXPECT_TRUE(line.PointOnPolyline(10 * kDeg + 100, 5 * kDeg, 200));
  EXPECT_FALSE(line.PointOnPolyline(5 * kDeg, 5 * kDeg, 200));
}

TEST(PointOnPolyline, ASegmentAcrossThe180thIsHitWhereItIsDrawn) {
  TPointStore line;
  AddDegrees(line, {{170, 10}, {-170, 10}});
  EXPECT_TRUE(line.PointOnPolyline(179 * kDeg, 10 * kDeg, 200));
  EXPECT_TRUE(line.PointOnPolyline(-179 * kDeg, 10 * kDeg, 200));
  EXPECT_FALSE(line.PointOnPolyline(0, 10 * kDeg, 200)) << "not round the other way";
}

TEST(Point3DArray, KeptArrayIsSharedWithTheStore) {
  TPointStore s;
  AddDegrees(s, {{0, 0}, {0, 90}});
  TDynArray kept = s.Point3DArray(true);
  ASSERT_EQ(DynArrayCount(kept), 2);
  TPoint3D p{};
  std::memcpy(&p, DynArrayPtr(kept, 0), sizeof p);
  EXPECT_EQ(p, (TPoint3D{0, 0, 309'397'230}));
  std::memcpy(&p, DynArrayPtr(kept, 1), sizeof p);
  EXPECT_EQ(p, (TPoint3D{0, 309'397'230, 0}));
  const int64_t withCache = s.ObjectInstanceSize();
  s.Refresh();  // the store lets go; the caller's array stays valid
  EXPECT_EQ(s.ObjectInstanceSize(), withCache - 24);
  std::memcpy(&p, DynArrayPtr(kept, 1), sizeof p);
  EXPECT_EQ(p.Y, 309'397'230);
  TDynArray fresh = s.Point3DArray(false);
  EXPECT_NE(fresh.get(), kept.get());
  EXPECT_EQ(fresh->RefCount, 0);
}

TEST(Point3DArray, PointsAddedAtTheEndExtendTheKeptArrayOthersDropIt) {
  TPointStore s;
  AddDegrees(s, {{0, 0}});
  { TDynArray kept = s.Point3DArray(true); }
  s.Add(PointLL(0, 90 * GU_DEGREE));  // the north pole: (0, r, 0)
  TDynArray kept = s.Point3DArray(true);
  ASSERT_EQ(DynArrayCount(kept), 2);
  TPoint3D p{};
  std::memcpy(&p, DynArrayPtr(kept, 1), sizeof p);
  EXPECT_EQ(p, (TPoint3D{0, 309'397'230, 0}));
  // Held by someone else it is left to them, and worked out again.
  s.Add(PointLL(90 * GU_DEGREE, 0));  // (r, 0, 0)
  TDynArray next = s.Point3DArray(true);
  EXPECT_NE(next.get(), kept.get());
  ASSERT_EQ(DynArrayCount(next), 3);
  std::memcpy(&p, DynArrayPtr(next, 2), sizeof p);
  EXPECT_EQ(p, (TPoint3D{309'397'230, 0, 0}));
  EXPECT_EQ(DynArrayCount(kept), 2);
}

TEST(PointStoreMER, ALongChainsExtentFollowsItsPoints) {
  // 300 points a degree apart along the equator from 0, then one at 10 N.
  TPointStore s;
  for (int i = 0; i < 300; ++i) s.Add(PointLL(0, 0));
  for (int i = 0; i < 300; ++i) s.PutLL(i, PointLL(i * GU_DEGREE / 10, 0));
  EXPECT_EQ(s.PointStoreMER(), MER(0, 0, 299 * GU_DEGREE / 10, 0));
  s.Add(PointLL(0, 10 * GU_DEGREE));
  EXPECT_EQ(s.PointStoreMER(), MER(0, 0, 299 * GU_DEGREE / 10, 10 * GU_DEGREE));
  s.PutLL(0, PointLL(-GU_DEGREE, 0));
  EXPECT_EQ(s.PointStoreMER().iLongX, -GU_DEGREE);
}

TEST(ChainStore, GetChainGrowsAndNeverYieldsNil) {
  TChainStore c;
  TPointStore* chain = c.GetChain(5);
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(chain->GetCount(), 0);
  EXPECT_EQ(c.GetCount(), 6);
  EXPECT_NE(c.GetChain(2), nullptr);
  EXPECT_THROW(c.GetChain(-1), EEarthException);
  EXPECT_THROW(c.Delete(6), EEarthException);
  c.SetCount(1);
  EXPECT_EQ(c.GetCount(), 1);
}

TEST(ChainStore, CloneOwnsCopiesOfTheChains) {
  auto source = std::make_unique<TChainStore>();
  source->GetChain(0)->Add(PointLL(1, 2));
  source->GetChain(1)->Add(PointLL(3, 4));
  std::unique_ptr<TChainStore> copy = source->Clone();
  source->GetChain(0)->PutLL(0, PointLL(9, 9));
  source.reset();  // ASan reports a use after free if the clone shared the chains
  ASSERT_EQ(copy->GetCount(), 2);
  EXPECT_EQ(copy->GetChain(0)->GetLL(0), PointLL(1, 2));
  EXPECT_EQ(copy->GetChain(1)->GetLL(0), PointLL(3, 4));
}

TEST(ChainStore, StoreHeightReachesEveryChainAndNewOnes) {
  TChainStore c;
  c.GetChain(0)->Add(PointLL(1, 1));
  c.SetStoreHeight(true);
  EXPECT_TRUE(c.GetChain(0)->GetHeightFlag());
  EXPECT_TRUE(c.GetChain(3)->GetHeightFlag());
}

TEST(ChainStore, MERUnitesChainsWithPointsAndCentroidAveragesChains) {
  TChainStore c;
  EXPECT_EQ(c.ChainStoreMER(), MER(0, 0, 0, 0));
  AddDegrees(*c.GetChain(0), {{0, 0}, {2, 2}});
  c.GetChain(1);  // empty: left out
  AddDegrees(*c.GetChain(2), {{4, -2}, {6, 0}});
  EXPECT_EQ(c.ChainStoreMER(), MER(0, -2 * kDeg, 6 * kDeg, 4 * kDeg));
  c.Delete(1);
  EXPECT_EQ(c.Centroid(), PointLL(3 * kDeg, 0));
  c.Move(0, 1);
  EXPECT_EQ(c.GetChain(0)->GetLL(0), PointLL(4 * kDeg, -2 * kDeg));
}

// Chains a reader makes in one block are chains like any other: one that grows, takes a height
// or is replaced leaves its neighbours' points alone (ASan sees any write past a chain's room),
// and the block goes with the store, or with the next fill, only after its chains.
TEST(ChainStore, ChainsMadeInOneBlockAreOrdinaryChains) {
  auto c = std::make_unique<TChainStore>();
  const int32_t counts[] = {2, 0, 3};
  c->FillLL(counts, [&](int32_t i, int32_t* out) {
    for (int32_t k = 0; k < 2 * counts[i]; ++k) out[k] = 100 * i + k;
  });
  ASSERT_EQ(c->GetCount(), 3);
  EXPECT_EQ(c->GetChain(1)->GetCount(), 0);
  EXPECT_EQ(c->GetChain(2)->GetLL(2), PointLL(204, 205));
  const int64_t size = c->GetChain(0)->ObjectInstanceSize();
  TPointStore single;
  single.SetCount(2);
  EXPECT_EQ(size, single.ObjectInstanceSize());

  c->GetChain(0)->Add(PointLL(7, 8));
  c->GetChain(0)->Insert(0, PointLL(5, 6));
  EXPECT_EQ(c->GetChain(0)->GetLL(0), PointLL(5, 6));
  EXPECT_EQ(c->GetChain(0)->GetLL(3), PointLL(7, 8));
  EXPECT_EQ(c->GetChain(1)->GetCount(), 0);
  EXPECT_EQ(c->GetChain(2)->GetLL(0), PointLL(200, 201));
  c->GetChain(2)->Delete(0);
  c->GetChain(2)->SetHeightFlag(true);
  EXPECT_EQ(c->GetChain(2)->GetLL(1), PointLL(204, 205));

  c->SetChain(1, std::make_unique<TPointStore>());
  c->Move(2, 0);
  std::unique_ptr<TChainStore> copy = c->Clone();
  const int32_t again[] = {1};
  c->FillLL(again, [](int32_t, int32_t* out) { out[0] = out[1] = 9; });
  EXPECT_EQ(c->GetCount(), 1);
  c.reset();
  ASSERT_EQ(copy->GetCount(), 3);
  EXPECT_EQ(copy->GetChain(0)->GetCount(), 2);
  EXPECT_EQ(copy->GetChain(1)->GetLL(1), PointLL(0, 1));
  EXPECT_EQ(copy->GetChain(2)->GetCount(), 0);
}

}  // namespace
