// Dynamic arrays, point stores and chain stores.
#include <gtest/gtest.h>

#include <cstring>

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

TEST(DynArray, ObjectReferencesNeedReferenceSizedElements) {
  int x = 0, y = 0;
  TDynArray refs = DynArrayCreate(DynArrayObjectSize, 2);
  DynArraySetAsObject(refs, 1, &y);
  DynArraySetAsObject(refs, 0, &x);
  EXPECT_EQ(DynArrayIndexOfObject(refs, &y), 1);
  EXPECT_EQ(DynArrayAsObject(refs, 0), &x);
  TDynArray points = DynArrayCreate(12, 2);
  EXPECT_EQ(DynArrayIndexOfObject(points, nullptr), -1);
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

TEST(PointStoreMER, ARingRoundThePoleTakesTheWholeWidth) {
  TPointStore s;
  AddDegrees(s, {{0, 80}, {100, 80}, {-170, 80}, {-80, 80}});
  EXPECT_EQ(s.PointStoreMER(), MER(-971'999'999, 80 * kDeg, 1'943'999'998, 0));
  TPointStore plain;
  AddDegrees(plain, {{-5, 1}, {5, 3}});
  EXPECT_EQ(plain.PointStoreMER(), MER(-5 * kDeg, kDeg, 10 * kDeg, 2 * kDeg));
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

TEST(PointOnPolyline, TestsEachSegment) {
  TPointStore line;
  AddDegrees(line, {{0, 0}, {10, 0}, {10, 10}});
  EXPECT_TRUE(line.PointOnPolyline(5 * kDeg, 100, 200));
  EXPECT_TRUE(line.PointOnPolyline(10 * kDeg + 100, 5 * kDeg, 200));
  EXPECT_FALSE(line.PointOnPolyline(5 * kDeg, 5 * kDeg, 200));
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

}  // namespace
