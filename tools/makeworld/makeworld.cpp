// Writes the world map layer: the land polygons of a shapefile, read with the map's shapefile
// reader, copied into a layer of their own drawn by one green polygon presenter (readable on the
// map's aqua sea), written as a layer file.
//   makeworld land.shp world.lyr
#include <cstdio>
#include <exception>
#include <memory>

#include "map/earthlayer.h"
#include "map/readers/earthlyrmapper.h"
#include "map/earthmap.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "map/readers/earthshpmapper.h"
#include "platform/win/system.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: makeworld land.shp world.lyr\n");
    return 2;
  }
  try {
    win::Initialize();
    TEarthMap map(nullptr);
    map.SaveMetaDataLocation = smdDiscard;

    auto* land = new TEarthLayer(&map);
    auto* reader = new TEarthSHPReader(&map);
    reader->SetFileName(argv[1]);
    land->SetObjects(reader);
    reader->Open();
    if (!reader->Active()) throw std::runtime_error(std::string("cannot open ") + argv[1]);

    auto* world = new TEarthLayer(&map);
    world->SetLayerName("World");
    auto presenter = std::make_unique<TPolygonPresenter>(&map, 1);
    presenter->PolyPen()->Define(gdi::TColor(0x006000), psSolid, 1, TEarthUnitTypes::Pixel);
    presenter->PolyBrush()->Define(gdi::TColor(0x40A040), bsSolid);
    std::unique_ptr<TEarthPresenter> base = std::move(presenter);
    world->Presenters()->Add(base);
    TEarthObjectSource* target = world->GetObjects();
    int points = 0;
    for (int32_t i = 0; i < reader->GetCount(); ++i) {
      auto* from = dynamic_cast<TGeoDataObject*>(reader->GetObject(i));
      if (!from) continue;
      auto* to = new TGeoDataObject(target);  // takes a slot of the world's source
      for (int32_t c = 0; c < from->Chains().GetCount(); ++c) {
        TPointStore* src = from->Chains().GetChain(c);
        TPointStore* dst = to->Chains().GetChain(c);
        dst->SetCount(src->GetCount());
        for (int32_t p = 0; p < src->GetCount(); ++p) dst->PutLL(p, src->GetLL(p));
        points += src->GetCount();
      }
      to->SetClosed(from->GetClosed());
      to->PresenterID = 1;
    }
    TEarthLYRWriter(world).SaveToFile(argv[2]);
    std::printf("%d objects, %d points\n", target->GetCount(), points);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "makeworld: %s\n", e.what());
    return 1;
  }
}
