// Splitting and combining vector objects, zooming the map control to rectangles, layers and
// selections, and the visibility tests, on the flat map where pixels are worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "map/earthlayer.h"
#include "map/earthobjects.h"
#include "map/earthutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "tests/map/earthmapfixture.h"
#include "tests/map/mapfixture.h"

namespace maptest {
namespace {

constexpr int32_t D = GU_DEGREE;

class EarthLayerUtils : public EarthMapTest {
 protected:
  void SetUp() override {
    EarthMapTest::SetUp();
    // Without scroll bars the map's client is the whole 800 x 600 the pixels are worked for.
    map->SetScrollBars(vcl::ssNone);
    PaintNow();
    p = map->Projection();
    p->SetProjectionClass("TCartesianPrj");
    layer = new TEarthLayer(map);
  }
  // A vector object in the layer with one chain a ring of the given corners (degrees).
  TGeoDataObject* Ring(std::initializer_list<std::pair<double, double>> corners, bool closed) {
    auto* o = new TGeoDataObject(layer->GetObjects());
    for (auto [lon, lat] : corners) {
      o->Chains().GetChain(0)->Add(
          PointLL(int32_t(std::lround(lon * D)), int32_t(std::lround(lat * D))));
    }
    o->SetClosed(closed);
    return o;
  }
  TEarthDevicePoint Pixel(double lon, double lat) {
    TEarthDevicePoint d{-1, -1};
    EXPECT_TRUE(p->LLToDeviceXY(int32_t(std::lround(lon * D)), int32_t(std::lround(lat * D)), d));
    return d;
  }
  TEarthProjection* p = nullptr;
  TEarthLayer* layer = nullptr;
};

TEST_F(EarthLayerUtils, ZoomToMERFramesTheRectangleInTheMiddle) {
  ASSERT_EQ(ClientW(), 800);
  ASSERT_EQ(ClientH(), 600);
  // 20 by 10 degrees into 800 x 600: 40 pixels a degree, the width fills, 400 pixels high.
  ZoomToMER(map, MER(10 * D, 40 * D, 20 * D, 10 * D));
  const TEarthDevicePoint nw = Pixel(10, 50), se = Pixel(30, 40), mid = Pixel(20, 45);
  EXPECT_NEAR(nw.X, 0, 1);
  EXPECT_NEAR(nw.Y, 100, 1);
  EXPECT_NEAR(se.X, 800, 1);
  EXPECT_NEAR(se.Y, 500, 1);
  EXPECT_NEAR(mid.X, 400, 1);
  EXPECT_NEAR(mid.Y, 300, 1);

  // A rectangle of no height only moves the middle; the scale stays.
  ZoomToMER(map, MER(-60 * D, 0, 4 * D, 0));
  EXPECT_NEAR(Pixel(-58, 0).X, 400, 1);
  EXPECT_NEAR(Pixel(-57, 0).X, 440, 1);

  // Layers, objects and the selection by their MERs; nothing selected leaves the view.
  TGeoDataObject* a = Ring({{0, 0}, {2, 1}}, false);
  TGeoDataObject* b = Ring({{6, -2}, {8, 0}}, false);
  ZoomToObject(map, b);
  EXPECT_NEAR(Pixel(7, -1).X, 400, 1);
  ZoomToSelectedObjects(map);
  EXPECT_NEAR(Pixel(7, -1).X, 400, 1);
  a->SetSelected(true);
  b->SetSelected(true);
  ZoomToSelectedObjects(map);  // 0..8 E, -2..1 N: 100 pixels a degree
  EXPECT_NEAR(Pixel(0, 1).X, 0, 1);
  EXPECT_NEAR(Pixel(8, 1).X, 800, 1);
  ZoomToLayers(map->LayerStore());
  EXPECT_NEAR(Pixel(4, -0.5).X, 400, 1);
  EXPECT_NEAR(Pixel(4, -0.5).Y, 300, 1);
}

TEST_F(EarthLayerUtils, VisibilityInDevicePixels) {
  ZoomToMER(map, MER(10 * D, 40 * D, 20 * D, 10 * D));
  TGeoDataObject* inside = Ring({{20, 45}}, false);
  TGeoDataObject* east = Ring({{100, 0}, {101, 1}}, false);
  // Every corner outside the view, the view inside it: the middle of the view is in the polygon.
  TGeoDataObject* around = Ring({{0, 30}, {40, 30}, {40, 60}, {0, 60}, {0, 30}}, true);
  // The same corners as an open line: nothing of it shows.
  TGeoDataObject* frame = Ring({{0, 30}, {40, 30}, {40, 60}, {0, 60}}, false);
  EXPECT_TRUE(IsObjectVisible(map, inside));
  EXPECT_FALSE(IsObjectVisible(map, east));
  EXPECT_TRUE(IsObjectVisible(map, around));
  EXPECT_FALSE(IsObjectVisible(map, frame));
  // (20E, 45N) is pixel (400, 300): inside a rectangle ending at 401, outside one ending at 400.
  EXPECT_TRUE(IsObjectVisibleInRect(map, inside, {390, 290, 401, 301}));
  EXPECT_FALSE(IsObjectVisibleInRect(map, inside, {390, 290, 400, 300}));
  EXPECT_TRUE(IsMERVisible(map, inside->GetObjectMER()));

  // 40 pixels a degree: a tenth of a pixel apart is the same pixel, a tenth of a degree is not.
  const TPointLL a = PointLL(20 * D + D / 160, 45 * D + D / 160);
  EXPECT_TRUE(SamePixelPos(p, a, PointLL(a.iLongX + D / 400, a.iLatY)));
  EXPECT_FALSE(SamePixelPos(p, a, PointLL(a.iLongX + D / 10, a.iLatY)));
  p->SetProjectionClass("TSphericalPrj");
  map->LocateToLL(0, 0);
  EXPECT_FALSE(SamePixelPos(p, PointLL(30 * D, 0), PointLL(150 * D, 0))) << "150 E behind 30 E";
}

TEST_F(EarthLayerUtils, LayerOfAnObject) {
  TGeoDataObject* o = Ring({{1, 1}}, false);
  auto* other = new TEarthLayer(map);
  TGeoDataObject* q = new TGeoDataObject(other->GetObjects());
  EXPECT_EQ(LayerFromObject(map, o), layer);
  EXPECT_EQ(LayerFromObject(map, q), other);
  TGeoDataObject loose(nullptr);
  EXPECT_EQ(LayerFromObject(map, &loose), nullptr);

  // Resources are looked up and left alone.
  static const uint8_t blob[] = {1, 2, 3};
  rtl::RegisterResource("#4150", blob);
  LayerFromResourceID(layer, 4150);
  EXPECT_THROW(LayerFromResourceName(layer, "NOSUCHLAYER"), rtl::EResNotFound);
  EXPECT_EQ(layer->GetObjects()->GetCount(), 1);
}

TEST_F(EarthLayerUtils, SplitAndCombineShareNoStores) {
  TGeoDataObject* three = Ring({{0, 0}, {1, 0}, {0, 1}}, true);
  three->Title = "Islands";
  three->Chains().GetChain(1)->Add(PointLL(5 * D, 5 * D));
  three->Chains().GetChain(2)->Add(PointLL(7 * D, 7 * D));
  three->Chains().GetChain(2)->Add(PointLL(8 * D, 7 * D));
  auto* target = new TEarthLayer(map);
  EXPECT_EQ(SplitGeoDataObject(*three, *target), 3);
  EXPECT_EQ(three->Chains().GetCount(), 0);
  TEarthObjectSource* parts = target->GetObjects();
  ASSERT_EQ(parts->GetCount(), 3);
  const int32_t counts[] = {3, 1, 2};
  std::vector<TGeoDataObject*> pieces;
  for (int32_t i = 0; i < 3; ++i) {
    auto* piece = dynamic_cast<TGeoDataObject*>(parts->GetObject(i));
    ASSERT_NE(piece, nullptr);
    EXPECT_EQ(piece->Title, "Islands");
    EXPECT_TRUE(piece->GetClosed());
    ASSERT_EQ(piece->Chains().GetCount(), 1);
    EXPECT_EQ(piece->Chains().GetChain(0)->GetCount(), counts[i]);
    pieces.push_back(piece);
  }
  delete three;  // the pieces hold copies

  TGeoDataObject* whole = CombineGeoDataObjects({pieces[2], nullptr, pieces[0]}, *layer);
  for (TGeoDataObject* piece : pieces) delete piece;  // the combined object holds copies
  EXPECT_EQ(whole->Title, "New Object");
  ASSERT_EQ(whole->Chains().GetCount(), 2);
  EXPECT_EQ(whole->Chains().GetChain(0)->GetLL(1), PointLL(8 * D, 7 * D));
  EXPECT_EQ(whole->Chains().GetChain(1)->GetCount(), 3);

  TPointStore joined;
  ConcatPoints(joined, *whole->Chains().GetChain(0));
  ConcatPoints(joined, *whole->Chains().GetChain(1));
  EXPECT_EQ(joined.GetCount(), 5);
  EXPECT_EQ(joined.GetLL(2), PointLL(0, 0));
}

// The outline of a rectangle on the flat map of a back buffer, one degree to 2 pixels.
class ProjectedMER : public MapTest {};

TEST_F(ProjectedMER, FourSidesAndNothingInside) {
  View(720, 360, "TCartesianPrj", 2.0L / D);
  const auto drawn = [&](double lon, double lat) {
    return Pixel(360 + int(std::lround(lon * 2)), 180 - int(std::lround(lat * 2))) != 0xFFFFFF;
  };
  DrawProjectedMER(map.get(), MER(-40 * D, -20 * D, 100 * D, 50 * D));
  EXPECT_TRUE(drawn(10, -20));  // south side
  EXPECT_TRUE(drawn(10, 30));   // north side
  EXPECT_TRUE(drawn(-40, 5));   // west side
  EXPECT_TRUE(drawn(60, 5));    // east side
  EXPECT_FALSE(drawn(10, 5));
  EXPECT_FALSE(drawn(70, 5));
}

}  // namespace
}  // namespace maptest
