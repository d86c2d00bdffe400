// Texture bitmaps from arbitrary bytes: either refused, or every pixel can be read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "map/earthsysutils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rtl::TMemoryStream stream;
  if (size > 0) stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
  TTextureData t;
  try {
    t.LoadFromStream(stream);
  } catch (const EEarthException&) {
    if (t.IsValid()) std::abort();
    return 0;
  }
  unsigned sum = 0;
  for (int32_t row = 0; row < t.GetTextureHeight(); ++row) {
    for (int32_t col = 0; col < t.GetPixelWidth(); ++col)
      sum += static_cast<unsigned>(t.PixelIndex(col, row));
  }
  (void)t.LLToTextureXY(PointLL(sum, 0));
  (void)t.IndexToColor(static_cast<int32_t>(sum % 300));
  return 0;
}
