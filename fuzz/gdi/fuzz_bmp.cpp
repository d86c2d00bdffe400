// The BMP reader on arbitrary bytes: it either throws EInvalidGraphic or returns a picture whose
// every pixel can be read.
#include <cstddef>
#include <cstdint>

#include "platform/gdi/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const gdi::DibImage img = gdi::ReadBmp(data, size);
    uint32_t sum = 0;
    for (int y = 0; y < img.height; y += 7)
      for (int x = 0; x < img.width; x += 7) sum += img.PixelRgb(x, y);
    if (img.width * img.height <= 4096) {
      const auto back = gdi::WriteBmp(img);
      gdi::ReadBmp(back.data(), back.size());
    }
    return static_cast<int>(sum & 0);
  } catch (const gdi::EInvalidGraphic&) {
    return 0;
  }
}
