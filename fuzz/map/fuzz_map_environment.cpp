// A map control's environment from arbitrary text: loaded into a new control, then one paint.
// Each input gets a control of its own, so that what an input finds it finds alone.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool initialized = (win::Initialize(), true);
  (void)initialized;
  TFuzzMap map(nullptr);
  map.EarthCanvas()->SizeBMP(160, 120, 96);
  map.EarthCanvas()->SelectBMP(nullptr);
  TEarthXML_Document d;
  d.SetXMLString(std::string(reinterpret_cast<const char*>(data), size));
  try {
    map.LoadEnvironment(d.Document()->ElementByName("TEarthMap", 0));
  } catch (const rtl::Exception&) {
    // Refused input; the control must still paint.
  }
  map.RedrawLayers();
  map.PaintOnce();
  return 0;
}
