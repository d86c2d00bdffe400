// The JPEG reader on arbitrary bytes: it either throws EInvalidGraphic or returns a picture of the
// size it claims, every pixel readable. Pictures are kept small (a few hundred bytes can claim tens
// of millions of pixels, and decoding those would leave no time to explore anything else).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/gdi/image.h"

namespace {
constexpr uint64_t kFuzzMaxPixels = 256 * 256;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const gdi::DibImage img = gdi::ReadJpeg(data, size, kFuzzMaxPixels);
    if (img.width <= 0 || img.height <= 0 ||
        img.bits.size() < size_t(img.Stride()) * size_t(img.height))
      std::abort();
    uint32_t sum = 0;
    for (int y = 0; y < img.height; y += 5)
      for (int x = 0; x < img.width; x += 5) sum += img.PixelRgb(x, y);
    return static_cast<int>(sum & 0);
  } catch (const gdi::EInvalidGraphic&) {
    return 0;
  }
}
