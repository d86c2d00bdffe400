// A ".md" cache read by the test reader: whatever the file holds, the reader either takes it
// whole or discards it and is left with no slots and no presenters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fuzz/map/fuzzmap.h"
#include "map/earthpresenter.h"
#include "platform/rtl/exceptions.h"
#include "tests/map/testreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TTestEarthMap& map = fuzzmap::Map();
  TTestReader reader(&map, 0);
  auto memory = std::make_unique<rtl::TMemoryStream>();
  memory->WriteBuffer(data, static_cast<int64_t>(size));
  memory->SetPosition(0);
  TEarthStreamReader in(std::move(memory));
  try {
    reader.ReadMetaData(in);
  } catch (const rtl::Exception&) {
    reader.SetCount(0);
    reader.Presenters()->Clear();
    return 0;
  }
  // What was taken is usable: every slot answers, and writing it again works.
  for (int32_t i = 0; i < reader.GetCount(); ++i) {
    reader.GetMER(i);
    reader.GetPresenterID(i);
  }
  TEarthStreamWriter out(std::make_unique<rtl::TMemoryStream>());
  reader.WriteMetaData(out);
  return 0;
}
