// A camera's image as the driver hands it over, in any of the formats we take: it decodes to an
// image of the format's size or to nothing, never crashes and never takes memory for another size.
// The first byte picks the format, the next two the size (1..64 by 1..64, the sign of the height
// from the top bit).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/capture/imaging.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const capture::VideoFormat kFormats[] = {
      {capture::MEDIATYPE_Video, capture::MEDIASUBTYPE_MJPG, 0, 0, 24},
      {capture::MEDIATYPE_Video, capture::MEDIASUBTYPE_YUY2, 0, 0, 16},
      {capture::MEDIATYPE_Video, capture::MEDIASUBTYPE_RGB24, 0, 0, 24},
      {capture::MEDIATYPE_Video, capture::MEDIASUBTYPE_RGB565, 0, 0, 16},
      {capture::MEDIATYPE_Video, capture::MEDIASUBTYPE_RGB32, 0, 0, 32},
  };
  capture::VideoFormat f = kFormats[data[0] % 5];
  f.width = 1 + (data[1] & 63);
  f.height = (1 + (data[2] & 63)) * (data[2] & 128 ? -1 : 1);
  const auto img = capture::ToRgb32(data + 3, size - 3, f);
  if (img && (img->width != f.width || img->height != std::abs(f.height) ||
              img->pixels.size() != size_t(img->width) * size_t(img->height) * 4))
    std::abort();
  return 0;
}
