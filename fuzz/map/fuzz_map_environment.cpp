// Map control environments from arbitrary text: the input's "TEarthMap" elements (a few at
// most) loaded one after another into a new control, as a user loads them, each followed by a
// paint. Each input gets a control of its own, so that what an input finds it finds alone.
#include <cstddef>
#include <cstdint>
#include <string>

#include "map/earthmap.h"
#include "map/earthxml.h"
#include "platform/rtl/exceptions.h"
#include "platform/win/system.h"

namespace {

constexpr int kMaxEnvironments = 4;

// File names from the input name no file: a device could block the run.
class TFuzzMap : public TEarthMap {
 public:
  using TEarthMap::TEarthMap;
  std::string ResolveFilename(const std::string&) override { return {}; }
  void PaintOnce() { Paint(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool initialized = (win::Initialize(), true);
  (void)initialized;
  TFuzzMap map(nullptr);
  map.EarthCanvas()->SizeBMP(160, 120, 96);
  map.EarthCanvas()->SelectBMP(nullptr);
  TEarthXML_Document d;
  d.SetXMLString(std::string(reinterpret_cast<const char*>(data), size));
  for (int i = 0; i < kMaxEnvironments; ++i) {
    TEarthXML_Element* environment = d.Document()->ElementByName("TEarthMap", i);
    if (!environment && i > 0) break;  // an input without one is still painted once
    try {
      map.LoadEnvironment(environment);
    } catch (const rtl::Exception&) {
      // Refused input; the control must still paint.
    }
    map.RedrawLayers();
    map.PaintOnce();
  }
  return 0;
}
