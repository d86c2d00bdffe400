#pragma once
// The one test map control of a fuzz target, made at the first input and kept for the process.
#include "platform/win/system.h"
#include "tests/map/testearthmap.h"

namespace fuzzmap {

// File names from the input name no file: a record must not open whatever it names (a device
// could block the run).
class TFuzzEarthMap : public TTestEarthMap {
 public:
  using TTestEarthMap::TTestEarthMap;
  std::string ResolveFilename(const std::string&) override { return {}; }
};

inline TTestEarthMap& Map() {
  static TTestEarthMap* map = [] {
    win::Initialize();
    auto* m = new TFuzzEarthMap(nullptr);  // lives as long as the process
    m->UseBackBuffer(160, 120);
    return m;
  }();
  return *map;
}

}  // namespace fuzzmap
