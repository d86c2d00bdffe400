#include "platform/gdi/surface.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace gdi {

Surface::Surface(PixelLayout layout, int width, int height, bool bottomUp)
    : layout_(layout),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      bottomUp_(bottomUp) {
  switch (layout_) {
    case PixelLayout::Device32:
      stride_ = width_ * 4;
      break;
    case PixelLayout::Dib24:
      stride_ = ((width_ * 24 + 31) / 32) * 4;
      break;
    case PixelLayout::Mono1:
      stride_ = ((width_ + 31) / 32) * 4;
      break;
  }
  const size_t bytes = static_cast<size_t>(stride_) * static_cast<size_t>(height_);
  if (width_ > 0x10000 || height_ > 0x10000 || bytes > (size_t(1) << 31))
    throw std::length_error("bitmap too large");
  data_.assign(bytes, 0);
  if (bottomUp_ && height_ > 0) {
    row0_ = data_.data() + static_cast<ptrdiff_t>(height_ - 1) * stride_;
    pitch_ = -stride_;
  } else {
    row0_ = data_.data();
    pitch_ = stride_;
  }
}

int Surface::BitsPerPixel() const {
  switch (layout_) {
    case PixelLayout::Device32:
      return 32;
    case PixelLayout::Dib24:
      return 24;
    case PixelLayout::Mono1:
      return 1;
  }
  return 0;
}

uint32_t Surface::FromRgb(uint32_t rgb) const {
  if (layout_ != PixelLayout::Mono1) return rgb & 0xFFFFFF;
  const uint32_t sum = ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF);
  return sum >= 3 * 128 ? 1u : 0u;
}

uint32_t Surface::ToRgb(uint32_t v) const {
  if (layout_ != PixelLayout::Mono1) return v & 0xFFFFFF;
  return (v & 1) ? 0xFFFFFFu : 0u;
}

void Surface::Fill(int y, int x0, int x1, uint32_t v) {
  if (x1 <= x0) return;
  uint8_t* r = Row(y);
  switch (layout_) {
    case PixelLayout::Device32:
      std::fill(reinterpret_cast<uint32_t*>(r) + x0, reinterpret_cast<uint32_t*>(r) + x1,
                v & 0xFFFFFF);
      break;
    case PixelLayout::Dib24: {
      const uint8_t b = uint8_t(v), g = uint8_t(v >> 8), rr = uint8_t(v >> 16);
      uint8_t* p = r + x0 * 3;
      if (b == g && g == rr) {
        std::memset(p, b, static_cast<size_t>(x1 - x0) * 3);
      } else {
        for (int x = x0; x < x1; ++x, p += 3) {
          p[0] = b;
          p[1] = g;
          p[2] = rr;
        }
      }
      break;
    }
    case PixelLayout::Mono1:
      Apply(y, x0, x1, [v](int, uint32_t) { return v; });
      break;
  }
}

}  // namespace gdi
