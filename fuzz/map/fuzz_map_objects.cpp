// Object records from a map file: the first byte picks a vector or a bitmap body, the rest is
// the record. Whatever it holds, reading ends in an object or an EEarthException, and an object
// read writes and reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/map/fuzzmap.h"
#include "map/earthsource.h"
#include "map/earthobjects.h"
#include "platform/rtl/exceptions.h"

namespace {

std::unique_ptr<TEarthStreamReader> Reader(const uint8_t* data, size_t size) {
  auto memory = std::make_unique<rtl::TMemoryStream>();
  memory->WriteBuffer(data, static_cast<int64_t>(size));
  memory->SetPosition(0);
  return std::make_unique<TEarthStreamReader>(std::move(memory));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // Bitmaps live in a source, whose map resolves the file names they read.
  TEarthObjectSource source(&fuzzmap::Map());
  const bool bitmap = data[0] & 1;
  std::unique_ptr<TEarthObject> owned;
  TEarthObject* o = nullptr;
  if (bitmap) {
    o = new TBitmapObject(&source);  // the source's
  } else {
    owned = std::make_unique<TGeoDataObject>(nullptr);
    o = owned.get();
  }
  try {
    o->ReadProperties(*Reader(data + 1, size - 1));
    o->GetObjectMER();
    o->GetCentroid();
  } catch (const rtl::Exception&) {
    return 0;
  }
  if (bitmap) return 0;
  auto memory = std::make_unique<rtl::TMemoryStream>();
  rtl::TMemoryStream* raw = memory.get();
  TEarthStreamWriter writer(std::move(memory));
  try {
    o->WriteProperties(writer);
  } catch (const EEarthException&) {
    return 0;  // a presenter ID beyond 16 bits cannot be stored again
  }
  TGeoDataObject back(nullptr);
  back.ReadProperties(*Reader(static_cast<const uint8_t*>(raw->Memory()), size_t(raw->Size())));
  return 0;
}
