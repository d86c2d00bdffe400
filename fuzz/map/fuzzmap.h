#pragma once
// The one test map control of a fuzz target, made at the first input and kept for the process.
#include <stdlib.h>

#include "map/earthsource.h"
#include "map/earthmapclasses.h"
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
    RegisterMapClasses();  // the records name their classes, as the control registers them
    auto* m = new TFuzzEarthMap(nullptr);  // lives as long as the process
    m->UseBackBuffer(160, 120);
    return m;
  }();
  return *map;
}

// Every object of an opened source, with its MER: a source that counts an object must serve it.
inline void ServeEvery(TEarthObjectSource& source) {
  for (int32_t i = 0; i < source.GetCount(); ++i) {
    if (!source.GetObject(i)) std::abort();
    source.GetMER(i);
  }
}

}  // namespace fuzzmap
