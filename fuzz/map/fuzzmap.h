#pragma once
// The one test map control of a fuzz target, made at the first input and kept for the process.
#include "platform/win/system.h"
#include "tests/map/testearthmap.h"

namespace fuzzmap {

inline TTestEarthMap& Map() {
  static TTestEarthMap* map = [] {
    win::Initialize();
    auto* m = new TTestEarthMap(nullptr);  // lives as long as the process
    m->UseBackBuffer(160, 120);
    return m;
  }();
  return *map;
}

}  // namespace fuzzmap
