#pragma once
// A file reader opened on a layer of its own (the layer owns it from then on), and whether that
// open mapped the file (rather than taking its ".md").
#include <string>

#include "map/earthlayer.h"
#include "tests/map/testearthmap.h"

namespace maptest {

template <class Reader, class Prepare>
Reader* OpenOnNewLayer(TTestEarthMap* map, const std::string& file, Prepare prepare) {
  auto* layer = new TEarthLayer(map);
  auto* reader = new Reader(map);
  reader->SetFileName(file);
  layer->SetObjects(reader);
  prepare(*reader);
  map->progress.clear();
  reader->Open();
  return reader;
}

inline bool Mapped(const TTestEarthMap& map) {
  return !map.progress.empty() && map.progress.front().second == "Mapping";
}

}  // namespace maptest
