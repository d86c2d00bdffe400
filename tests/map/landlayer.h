#pragma once
// Natural Earth's 1:50m land (tests/map/fixtures/land50m.shp, made by tools/makeworld) read
// through shapelib into an in-memory layer: one closed object a polygon, one chain a ring,
// drawn by a green polygon presenter.
#include <shapefil.h>

#include <cmath>
#include <memory>
#include <string>

#include "map/earthlayer.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"

namespace maptest {

inline std::string LandFile() {
  return std::string(CORV_SOURCE_DIR) + "/tests/map/fixtures/land50m.shp";
}

struct LandCounts {
  int polygons = 0;
  int rings = 0;
  int points = 0;
};

// The land layer on map; nullptr when the file cannot be read.
inline TEarthLayer* LoadLand(TCustomEarthMap* map, LandCounts* counts = nullptr) {
  SHPHandle shp = SHPOpen(LandFile().c_str(), "rb");
  if (!shp) return nullptr;
  auto* layer = new TEarthLayer(map);
  layer->SetLayerName("Land");
  auto presenter = std::make_unique<TPolyPresenter>(map, 1);
  presenter->PolyPen()->Define(gdi::TColor(0x006000), psSolid, 1, TEarthUnitTypes::Pixel);
  presenter->PolyBrush()->Define(gdi::TColor(0x40A040), bsSolid);
  std::unique_ptr<TEarthPresenter> base = std::move(presenter);
  layer->Presenters()->Add(base);
  TEarthObjectSource* source = layer->GetObjects();
  int entities = 0;
  SHPGetInfo(shp, &entities, nullptr, nullptr, nullptr);
  const auto gu = [](double degrees) {
    return static_cast<int32_t>(std::lround(degrees * GU_DEGREE));
  };
  for (int i = 0; i < entities; ++i) {
    SHPObject* s = SHPReadObject(shp, i);
    if (!s) continue;
    auto* o = new TGeoDataObject(source);
    for (int part = 0; part < s->nParts; ++part) {
      const int first = s->panPartStart[part];
      const int end = part + 1 < s->nParts ? s->panPartStart[part + 1] : s->nVertices;
      TPointStore* chain = o->Chains().GetChain(part);
      // Sized once, as a reader that knows the count does.
      chain->SetCount(end - first);
      for (int v = first; v < end; ++v)
        chain->PutLL(v - first, PointLL(gu(s->padfX[v]), gu(s->padfY[v])));
      if (counts) {
        ++counts->rings;
        counts->points += end - first;
      }
    }
    o->SetClosed(true);
    o->SetPresenterID(1);
    if (counts) ++counts->polygons;
    SHPDestroyObject(s);
  }
  SHPClose(shp);
  return layer;
}

}  // namespace maptest
