// Pictures of map objects drawn by a layer, for a person to look at: every point type, a track
// and filled areas (one with a hole), and titles in the nine alignments, on the flat map and the
// globe.
#include <gtest/gtest.h>

#include "map/earthlayer.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "tests/map/mapfixture.h"
#include "tests/map/snapshot.h"

namespace {

constexpr int32_t D = GU_DEGREE;

class ObjectsSnapshot : public maptest::MapTest {
 protected:
  template <typename P>
  P* Presenter(int32_t id) {
    auto owned = std::make_unique<P>(map.get(), id);
    P* raw = owned.get();
    std::unique_ptr<TEarthPresenter> base = std::move(owned);
    layer->Presenters()->Add(base);
    return raw;
  }
  TGeoDataObject* Object(std::vector<std::vector<std::pair<double, double>>> rings, int32_t id,
                         const std::string& title = "") {
    auto* o = new TGeoDataObject(layer->GetObjects());
    for (size_t r = 0; r < rings.size(); ++r)
      for (const auto& [lon, lat] : rings[r])
        o->Chains().GetChain(int32_t(r))->Add(PointLL(int32_t(lon * D), int32_t(lat * D)));
    o->SetPresenterID(id);
    o->Title = title;
    return o;
  }
  // The whole scene: point types along 30 N, lines and areas about the equator, titles along
  // 30 S.
  void Scene() {
    layer = new TEarthLayer(map.get());
    for (int type = ppFontSymbol; type < PointPresenterTypeCount; ++type) {
      auto* pp = Presenter<TPointPresenter>(type);
      pp->PointType = static_cast<TPointPresenterType>(type);
      pp->SetPointSize(16);
      pp->PointPen()->Define(gdi::TColor(0x800000), psSolid, 2, TEarthUnitTypes::Pixel);
      pp->PointBrush()->SetBrushColor(gdi::TColor(0x00C0FF));
      pp->PointFont()->Define("Arial", gdi::TColor(0x800000), 16, TEarthUnitTypes::Pixel, 0, {});
      pp->SymbolIndex = 'A';
      Object({{{-50 + type * 10, 30}}}, type);
    }
    auto* track = Presenter<TPolylinePresenter>(20);
    track->PolyPen()->Define(gdi::TColor(0x0000C0), psSolid, 3, TEarthUnitTypes::Pixel);
    Object({{{-55, 0}, {-45, 12}, {-35, -5}, {-25, 10}, {-15, 2}}}, 20);
    auto* area = Presenter<TPolygonPresenter>(21);
    area->PolyPen()->Define(gdi::TColor(0x006000), psSolid, 1, TEarthUnitTypes::Pixel);
    area->PolyBrush()->Define(gdi::TColor(0x80E080), bsSolid);
    Object({{{-5, -8}, {25, -8}, {25, 14}, {-5, 14}}, {{5, -2}, {15, -2}, {15, 8}, {5, 8}}}, 21);
    Object({{{35, -6}, {55, -6}, {45, 14}}}, 21);
    auto* mark = Presenter<TPointPresenter>(22);
    mark->PointType = ppSquare;
    mark->SetPointSize(4);
    mark->PointBrush()->SetBrushColor(gdi::TColor(0x0000FF));
    mark->TitleOffset = 6;
    mark->TitleFont()->Define("Arial", gdi::TColor(0), 11, TEarthUnitTypes::Pixel, 0, {});
    const char* names[] = {"", "C", "L", "R", "TL", "T", "TR", "BL", "B", "BR"};
    for (int a = taCenter; a <= taBottomRight; ++a) {
      auto* own = Presenter<TPointPresenter>(30 + a);
      own->Assign(mark);
      own->PresenterID = 30 + a;
      own->TitleAlignment = static_cast<TTitleAlignment>(a);
      Object({{{-48 + (a - 1) * 12, -30}}}, 30 + a, names[a]);
    }
    layer->RenderObjects();
  }
  TEarthLayer* layer = nullptr;
};

TEST_F(ObjectsSnapshot, FlatMap) {
  View(640, 400, "TCartesianPrj", 640.0L / (130 * D));
  map->PaintBackground(0xF0F0F0);
  map->PaintGraticuleLines();
  Scene();
  // The polygon's hole shows the surface, its ring the fill.
  EXPECT_EQ(PixelAt(10, 3), PixelAt(-20, -20));
  EXPECT_EQ(PixelAt(0, -5), 0x80E080u);
  maptest::SaveSnapshot(canvas, "map_objects_flat.png");
}

TEST_F(ObjectsSnapshot, Globe) {
  View(560, 560, "TSphericalPrj", 1);
  p->SetScaleFactor(0);
  p->SetFloatProp(ppXRotation, 0);
  map->PaintBackground(0x202020);
  map->PaintGraticuleLines();
  Scene();
  EXPECT_EQ(PixelAt(0, -5), 0x80E080u);
  maptest::SaveSnapshot(canvas, "map_objects_globe.png");
}

}  // namespace
