// Presenter records: the first byte picks the stream version (below 0x0301, 0x0301 to 0x03FF,
// 0x0400 on) and the presenter class, the rest is the record.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/map/fuzzmap.h"
#include "map/earthpresenters.h"
#include "platform/rtl/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  TTestEarthMap& map = fuzzmap::Map();
  const uint16_t versions[] = {0x0300, 0x0301, 0x0400, 0x0405};
  const char* classes[] = {"TPointPresenter", "TPolyPresenter", "TPolygonPresenter",
                           "TPolylinePresenter"};
  giFileVersion = versions[data[0] & 3];
  std::unique_ptr<TEarthPresenter> p = CreatePresenter(classes[(data[0] >> 2) & 3], &map);
  auto memory = std::make_unique<rtl::TMemoryStream>();
  memory->WriteBuffer(data + 1, static_cast<int64_t>(size - 1));
  memory->SetPosition(0);
  TEarthStreamReader reader(std::move(memory));
  try {
    p->ReadProperties(reader);
  } catch (const rtl::Exception&) {
  }
  giFileVersion = 0x0405;
  auto out = std::make_unique<rtl::TMemoryStream>();
  TEarthStreamWriter writer(std::move(out));
  p->WriteProperties(writer);
  return 0;
}
