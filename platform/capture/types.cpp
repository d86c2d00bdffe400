#include "platform/capture/types.h"

namespace capture {

int RgbBits(const rtl::TGUID& s) {
  if (s == MEDIASUBTYPE_RGB1) return 1;
  if (s == MEDIASUBTYPE_RGB4) return 4;
  if (s == MEDIASUBTYPE_RGB8) return 8;
  if (s == MEDIASUBTYPE_RGB555 || s == MEDIASUBTYPE_RGB565) return 16;
  if (s == MEDIASUBTYPE_RGB24) return 24;
  if (s == MEDIASUBTYPE_RGB32 || s == MEDIASUBTYPE_ARGB32) return 32;
  return 0;
}

size_t VideoFormat::ImageSize() const {
  if (Compressed()) return 0;
  const int rgb = RgbBits(subtype);
  const size_t h = size_t(height < 0 ? -height : height);
  if (rgb) return size_t(((width * rgb + 31) / 32) * 4) * h;
  return size_t(width) * h * size_t(bits) / 8;
}

}  // namespace capture
