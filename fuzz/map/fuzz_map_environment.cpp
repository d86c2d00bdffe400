// A map control's environment from arbitrary text: loaded into the control, then one paint.
#include <cstddef>
#include <cstdint>
#include <string>

#include "map/earthmap.h"
#include "map/earthxml.h"
#include "platform/rtl/exceptions.h"
#include "platform/win/system.h"

namespace {

// File names from the input name no file: a device could block the run.
class TFuzzMap : public TEarthMap {
 public:
  using TEarthMap::TEarthMap;
  std::string ResolveFilename(const std::string&) override { return {}; }
  void PaintOnce() { Paint(); }
};

TFuzzMap& Map() {
  static TFuzzMap* map = [] {
    win::Initialize();
    auto* m = new TFuzzMap(nullptr);  // lives as long as the process
    m->EarthCanvas()->SizeBMP(160, 120, 96);
    m->EarthCanvas()->SelectBMP(nullptr);
    return m;
  }();
  return *map;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzMap& map = Map();
  TEarthXML_Document d;
  d.SetXMLString(std::string(reinterpret_cast<const char*>(data), size));
  try {
    map.LoadEnvironment(d.Document()->ElementByName("TEarthMap", 0));
  } catch (const rtl::Exception&) {
    // Refused input; the control must still paint.
  }
  map.RedrawLayers();
  map.PaintOnce();
  map.Clear();
  return 0;
}
