// Layers on the headless back buffer: what is drawn and in which order, tiny objects, zoom
// ranges, hidden presenters, titles at their anchors, the abort check and periodic copies, hit
// tests, the selection across layers, and the store's XML.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <typeinfo>

#include "map/earthlayer.h"
#include "map/earthpresenters.h"
#include "tests/map/mapfixture.h"
#include "tests/map/testreader.h"
#include "tests/tempdir.h"

namespace {

using maptest::MapTest;

constexpr int32_t D = GU_DEGREE;

// Records which slots it was asked to draw; may stop the render at a given slot.
class RecordingPresenter : public TEarthPresenter {
 public:
  RecordingPresenter(TCustomEarthMap* globe, int32_t id) : TEarthPresenter(globe, id) {}
  void RenderObject(TCustomEarthMap* globe, TEarthObject* object, TEarthObjectStateSet) override {
    drawn.push_back(object->Index);
    if (object->Index == abortAt) globe->AbortRender = true;
    if (clock) clock->Advance(1);
  }
  std::vector<int32_t> drawn;
  int32_t abortAt = -1;
  win::VirtualClock* clock = nullptr;

 protected:
  TEarthPresenter* NewInstance(TCustomEarthMap* g, int32_t id) const override {
    return new RecordingPresenter(g, id);
  }
};

class LayerTest : public MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    View(200, 200, "TCartesianPrj", 100.0L / (20 * D));  // 100 pixels for 20 degrees
    layer = new TEarthLayer(map.get());
    source = layer->GetObjects();
  }
  // A point object at (lon, lat) degrees drawn by presenter id.
  TGeoDataObject* Point(double lon, double lat, int32_t id, const std::string& title = "") {
    auto* o = new TGeoDataObject(source);
    o->Chains().GetChain(0)->Add(PointLL(int32_t(lon * D), int32_t(lat * D)));
    o->SetPresenterID(id);
    o->Title = title;
    return o;
  }
  RecordingPresenter* Recorder(int32_t id) {
    std::unique_ptr<TEarthPresenter> p = std::make_unique<RecordingPresenter>(map.get(), id);
    auto* raw = static_cast<RecordingPresenter*>(p.get());
    layer->Presenters()->Add(p);
    return raw;
  }
  TPointPresenter* Squares(int32_t id, uint32_t colour, int size) {
    auto p = std::make_unique<TPointPresenter>(map.get(), id);
    p->PointType = ppSquare;
    p->SetPointSize(size);
    p->PointPen()->SetPenColor(gdi::TColor(colour));
    p->PointBrush()->SetBrushColor(gdi::TColor(colour));
    auto* raw = p.get();
    std::unique_ptr<TEarthPresenter> base = std::move(p);
    layer->Presenters()->Add(base);
    return raw;
  }

  TEarthLayer* layer = nullptr;
  TEarthObjectSource* source = nullptr;
};

TEST_F(LayerTest, LaterSlotsDrawOverEarlierOnes) {
  Squares(1, 0x0000FF, 20);
  Squares(2, 0x00FF00, 20);
  Point(0, 0, 1);
  Point(1, 0, 2);   // five pixels east, overlapping
  Point(0, 0, -1);  // the global point presenter: a 6-pixel white circle
  layer->RenderObjects();
  EXPECT_EQ(PixelAt(-1.6, 0), 0xFF0000u);  // red square's west part
  EXPECT_EQ(PixelAt(1.6, 0), 0x00FF00u);   // green square over it
  EXPECT_EQ(PixelAt(0, 0), 0xFFFFFFu);     // inside the global presenter's white circle
}

TEST_F(LayerTest, TinyObjectsAreOneGreyPixelAndNeverLoaded) {
  // Two pixels are 0.4 degrees here; a square of 0.2 degrees is tiny, a point never is.
  auto* reader = new TTestReader(map.get(), 0);
  layer->SetObjects(reader);
  reader->SetCount(2);
  for (int32_t i = 0; i < 2; ++i) {
    TEarthObjectData* d = reader->GetObjectData(i);
    d->State = TEarthObjectStateSet{osValidMER};
  }
  reader->SetMER(0, MER(4 * D, 4 * D, D / 5, D / 5));
  reader->SetMER(1, MER(-4 * D, -4 * D, 0, 0));
  layer->RenderObjects();
  EXPECT_EQ(PixelAt(4, 4), 0x808080u);
  EXPECT_EQ(reader->loads, 1) << "only the point object was loaded";
  EXPECT_TRUE(layer->UpdateObjectState(0).Contains(osTiny));
  EXPECT_FALSE(layer->UpdateObjectState(1).Contains(osTiny));
  // At the largest scale two pixels are under one globe unit; the tiny test must not divide by 0.
  p->SetScaleFactor(MaxScaleFactor);
  EXPECT_FALSE(layer->UpdateObjectState(0).Contains(osTiny));
}

TEST_F(LayerTest, ZoomRangesOfLayersAndObjects) {
  layer->SetLayerValue(TEarthLayer::lvZoomMax, 10);  // nautical miles: 900,000 globe units
  p->SetAltitude(890'000);
  EXPECT_TRUE(layer->IsLayerMERVisible());
  p->SetAltitude(910'000);
  EXPECT_FALSE(layer->IsLayerMERVisible());
  p->SetAltitude(900'000);  // the limit itself
  EXPECT_TRUE(layer->IsLayerMERVisible());
  p->SetAltitude(910'000);  // a scale a hair away from the last one is no change
  p->SetAltitude(900'001);
  EXPECT_FALSE(layer->IsLayerMERVisible());
  layer->SetLayerValue(TEarthLayer::lvZoomMax, 0);
  EXPECT_TRUE(layer->IsLayerMERVisible());
  layer->SetZoomUnits(TEarthUnitTypes::Kilometer);
  layer->SetLayerValue(TEarthLayer::lvZoomMin, 10);
  layer->SetZoomUnits(TEarthUnitTypes::NauticalMile);
  EXPECT_EQ(layer->ZoomMin, 5);  // 10 km is 5.4 nautical miles

  RecordingPresenter* r = Recorder(3);
  layer->SetLayerValue(TEarthLayer::lvZoomMin, 0);
  TGeoDataObject* o = Point(0, 0, 3);
  o->ZoomMin = 100;
  o->ZoomMax = 200;
  p->SetAltitude(200);
  layer->RenderObjects();
  EXPECT_EQ(r->drawn.size(), 1u);
  p->SetAltitude(100);
  layer->RenderObjects();
  EXPECT_EQ(r->drawn.size(), 1u);
}

TEST_F(LayerTest, AHiddenPresenterHidesItsObjectsAndTitles) {
  TPointPresenter* sq = Squares(1, 0x0000FF, 10);
  sq->TitleAlignment = taRight;
  sq->Hidden = true;
  Point(0, 0, 1, "HIDDEN");
  layer->RenderObjects();
  for (int y = 80; y < 120; ++y)
    for (int x = 80; x < 160; ++x) ASSERT_EQ(Pixel(x, y), 0xFFFFFFu) << x << "," << y;
}

// The box of the title's ink, relative to the object's point.
struct InkBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

TEST_F(LayerTest, TitlesSitAtTheirNineAnchors) {
  TPointPresenter* pp = Squares(1, 0xFFFFFF, 0);
  pp->PointType = ppNone;
  pp->TitleOffset = 10;
  pp->TitleFont()->Define("Arial", gdi::TColor(0), 12, TEarthUnitTypes::Pixel, 0, {});
  Point(0, 0, 1, "Hg");
  const TEarthDevicePoint at = At(0, 0);
  // Expected: which side of the point the ink lies on, from the anchor table: x: -1 left of the
  // point, 0 across it, 1 right; y: -1 above, 0 across the baseline, 1 below.
  const struct {
    TTitleAlignment a;
    int sx, sy;
  } cases[] = {{taCenter, 0, 0},      {taLeft, -1, 0},  {taRight, 1, 0},
               {taTopLeft, -1, -1},   {taTop, 0, -1},   {taTopRight, 1, -1},
               {taBottomLeft, -1, 1}, {taBottom, 0, 1}, {taBottomRight, 1, 1}};
  for (const auto& c : cases) {
    Clear(0xFFFFFF);
    pp->TitleAlignment = c.a;
    layer->RenderObjects();
    InkBox ink;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        if (Pixel(x, y) != 0xFFFFFFu) {
          ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
          ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
        }
    ASSERT_GE(ink.right, 0) << int(c.a);
    // -1: the ink ends just before v - off; 1: it starts just after v + off; 0: it spans v.
    const auto side = [](int lo, int hi, int v, int off) {
      if (lo <= v && hi >= v) return 0;
      if (hi < v) return v - off - 5 <= hi && hi < v - off + 1 ? -1 : 8;
      return v + off - 1 <= lo && lo <= v + off + 5 ? 1 : 7;
    };
    EXPECT_EQ(side(ink.left, ink.right, at.X, c.sx ? 10 : 0), c.sx) << int(c.a);
    // Baseline anchors: descenders reach below the point, capitals above it.
    EXPECT_EQ(side(ink.top, ink.bottom, at.Y, c.sy ? 10 : 0), c.sy) << int(c.a);
  }
  // A stored alignment past the table is none.
  EXPECT_EQ(TitleAlignmentOf(10), taNone);
  EXPECT_EQ(TitleAlignmentOf(255), taNone);
}

TEST_F(LayerTest, TheAbortCheckComesEvery256Objects) {
  RecordingPresenter* r = Recorder(1);
  for (int i = 0; i < 1000; ++i) Point(0, 0, 1);
  map->SetOptions({goInterruptable});
  r->abortAt = 10;
  layer->RenderObjects();
  EXPECT_EQ(r->drawn.size(), 257u);  // object 256 is drawn before the check sees the flag
  r->drawn.clear();
  layer->RenderObjects();
  EXPECT_TRUE(r->drawn.empty()) << "an aborted map draws nothing until the flag is cleared";
  layer->SetLayerBoolean(TEarthLayer::lbNoInterrupt, true);
  layer->RenderObjects();
  EXPECT_EQ(r->drawn.size(), 1000u);

  // Each object takes a millisecond: copies at objects 256, 512 and 768 with 100 ms between.
  map->AbortRender = false;
  r->abortAt = -1;
  r->clock = clock.get();
  map->PeriodicUpdateTime = 100;
  layer->RenderObjects();
  EXPECT_EQ(map->backBufferCopies, 3);
}

TEST_F(LayerTest, LinesAlongParallelsAndWaypointsOfOneObjectAreHit) {
  auto* line = new TGeoDataObject(source);
  line->Chains().GetChain(0)->Add(PointLL(-5 * D, 2 * D));
  line->Chains().GetChain(0)->Add(PointLL(5 * D, 2 * D));
  EXPECT_EQ(layer->ObjectAtLL(PointLL(D, 2 * D)), line);
  EXPECT_EQ(layer->ObjectAtLL(PointLL(D, 2 * D + D / 10)), line) << "within two pixels";
  EXPECT_EQ(layer->ObjectAtLL(PointLL(D, 3 * D)), nullptr);

  // The waypoints: one object, three points far apart, drawn as 6-pixel symbols.
  Squares(7, 0x0000FF, 6);
  auto* waypoints = new TGeoDataObject(source);
  for (const auto& [lon, lat] : {std::pair{-8, -8}, {0, -4}, {8, -6}})
    waypoints->Chains().GetChain(0)->Add(PointLL(lon * D, lat * D));
  waypoints->SetPresenterID(7);
  EXPECT_EQ(layer->ObjectAtLL(PointLL(8 * D, -6 * D)), waypoints);
  EXPECT_EQ(layer->ObjectAtLL(PointLL(0, -4 * D + D / 4)), waypoints);
  EXPECT_EQ(layer->ObjectAtLL(PointLL(-8 * D + 3 * D, -8 * D)), nullptr) << "an empty corner";
  // Off the map: no layer is asked.
  EXPECT_EQ(map->LayerStore()->ObjectAtXY(-10000, -10000), nullptr);
}

TEST_F(LayerTest, ALineDrawnAcrossTheViewIsInItsExtentAndIsHitThere) {
  // A flat view of 120 W to 40 W; a line from 10 E to 175 W runs west over 0 (its ends are not
  // both beyond 90 degrees), so across the whole view.
  p->SetFloatProp(ppCentralMeridian, -80);
  p->SetScaleFactor(200.0L / (80 * D));
  p->SetIntegerProp(ppXOrigin, 100);
  p->SetIntegerProp(ppYOrigin, 100);
  auto* line = new TGeoDataObject(source);
  line->Chains().GetChain(0)->Add(PointLL(10 * D, 20 * D));
  line->Chains().GetChain(0)->Add(PointLL(-175 * D, 20 * D));
  layer->RenderObjects();
  for (double lon : {-115.0, -80.0, -45.0}) EXPECT_NE(PixelAt(lon, 20), 0xFFFFFFu) << lon;
  EXPECT_EQ(layer->ObjectAtLL(PointLL(-80 * D, 20 * D)), line);
}

struct TMarksLayer : TEarthLayer {
  using TEarthLayer::TEarthLayer;
};

TEST_F(LayerTest, AClonedLayerIsOfItsClassSharesTheObjectsAndDeleteFreesALayer) {
  Squares(5, 0x123456, 9);
  layer->SetLayerName("Marks");
  TEarthLayer* copy = layer->Clone();
  TEarthLayerStore* store = map->LayerStore();
  EXPECT_EQ(store->IndexOf(copy), 1);
  EXPECT_EQ(copy->GetObjects(), source);
  EXPECT_EQ(copy->GetLayerName(), "Marks");
  EXPECT_NE(copy->Presenters()->ByID(5, false), layer->Presenters()->ByID(5, false));
  layer->Delete();
  layer = nullptr;
  EXPECT_EQ(store->GetCount(), 1);
  EXPECT_EQ(store->GetLayer(0), copy);

  // A layer of a class of its own, made by the constructor its class is registered with.
  auto* marks = new TMarksLayer(map.get());
  EXPECT_THROW(marks->Clone(), EEarthException) << "not registered";
  rtl::RegisterClass<TMarksLayer>(
      "TMarksLayer", [](TCustomEarthMap* g) -> rtl::TObject* { return new TMarksLayer(g); });
  const TEarthLayer* twin = marks->Clone();
  EXPECT_EQ(typeid(*twin), typeid(TMarksLayer));
}

TEST_F(LayerTest, SelectionAcrossLayers) {
  auto* other = new TEarthLayer(map.get());
  auto* a = Point(0, 0, 0);
  auto* b = new TGeoDataObject(other->GetObjects());
  TEarthLayerStore* store = map->LayerStore();
  store->SetSelectedObject(a);
  EXPECT_TRUE(a->GetSelected());
  store->SetSelectedObject(b);
  EXPECT_FALSE(a->GetSelected());
  EXPECT_EQ(store->GetSelectedCount(), 1);
  EXPECT_EQ(store->GetSelected(0), b);
  const size_t changes =
      std::count(map->notifications.begin(), map->notifications.end(), gnObjectSelectChange);
  store->SetSelectedObject(b);
  EXPECT_EQ(std::count(map->notifications.begin(), map->notifications.end(), gnObjectSelectChange),
            ptrdiff_t(changes));

  store->SetSelectedObject(a);
  delete a;  // the selected object goes
  EXPECT_EQ(store->GetSelectedCount(), 0);
}

TEST_F(LayerTest, StoreXMLComesBackAndIsWellFormed) {
  TPointPresenter* sq = Squares(5, 0x123456, 9);
  sq->TitleAlignment = taBottomLeft;
  layer->SetLayerName("Waypoints & marks");
  layer->SetLayerBoolean(TEarthLayer::lbShowTitles, false);
  layer->SetLayerValue(TEarthLayer::lvZoomMax, 40);
  TempDir dir;
  const std::string file = dir / "layers.xml";
  map->LayerStore()->SaveEnvironmentToFile(file);
  ASSERT_EQ(std::system(("xmllint --noout '" + file + "'").c_str()), 0);

  auto copy = std::make_unique<TTestEarthMap>(nullptr);
  copy->LayerStore()->LoadEnvironmentFromFile(file);
  ASSERT_EQ(copy->LayerStore()->GetCount(), 1);
  TEarthLayer* back = copy->LayerStore()->GetLayer(0);
  EXPECT_EQ(back->GetLayerName(), "Waypoints & marks");
  EXPECT_FALSE(back->ShowTitles);
  EXPECT_EQ(back->ZoomMax, 40);
  auto* q = dynamic_cast<TPointPresenter*>(back->Presenters()->ByID(5, false));
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->PointType, ppSquare);
  EXPECT_EQ(q->PointSize(), 9);
  EXPECT_EQ(q->TitleAlignment, taBottomLeft);
  EXPECT_EQ(q->PointPen()->PenColor(), gdi::TColor(0x123456));
  EXPECT_NE(copy->GlobalPresenters()->ByID(-1, false), nullptr);
  const std::string again = dir / "again.xml";
  copy->LayerStore()->SaveEnvironmentToFile(again);
  std::ifstream a(file), b(again);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
            std::string(std::istreambuf_iterator<char>(b), {}));
}

}  // namespace
