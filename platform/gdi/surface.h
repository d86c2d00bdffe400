#pragma once
// Pixel storage under bitmaps and device contexts. Three layouts:
//  - Device32: 32 bits a pixel, bytes B,G,R,0, top-down (the screen and compatible bitmaps);
//  - Dib24:    24 bits a pixel, bytes B,G,R, rows padded to 4 bytes, bottom-up unless asked
//              otherwise (DIB sections, whose bits are handed to the caller);
//  - Mono1:    1 bit a pixel, most significant bit first, rows padded to 4 bytes, top-down
//              unless asked otherwise.
// Pixel values ("native" values) are 0x00RRGGBB for the colour layouts and 0 or 1 for Mono1.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gdi {

enum class PixelLayout { Device32, Dib24, Mono1 };

class Surface {
 public:
  Surface(PixelLayout layout, int width, int height, bool bottomUp = false);
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  PixelLayout Layout() const { return layout_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const;
  // Bytes from one row to the next in memory order.
  int Stride() const { return stride_; }
  bool BottomUp() const { return bottomUp_; }
  // The first byte of the memory block (for a bottom-up surface, the bottom row).
  uint8_t* Bits() { return data_.data(); }
  const uint8_t* Bits() const { return data_.data(); }
  size_t ByteSize() const { return data_.size(); }

  uint8_t* Row(int y) { return row0_ + static_cast<ptrdiff_t>(y) * pitch_; }
  const uint8_t* Row(int y) const { return row0_ + static_cast<ptrdiff_t>(y) * pitch_; }

  // Mask of the meaningful bits of a native value (0xFFFFFF, or 1 for Mono1).
  uint32_t ValueMask() const { return layout_ == PixelLayout::Mono1 ? 1u : 0xFFFFFFu; }

  uint32_t Get(int x, int y) const;
  void Set(int x, int y, uint32_t v);

  // Native value of a colour 0x00RRGGBB for this layout (Mono1: light colours become 1).
  uint32_t FromRgb(uint32_t rgb) const;
  // 0x00RRGGBB of a native value.
  uint32_t ToRgb(uint32_t v) const;

  // Calls op(x, dst) -> new value for each pixel x0 <= x < x1 of row y (no bounds check).
  template <class Op>
  void Apply(int y, int x0, int x1, Op&& op);
  void Fill(int y, int x0, int x1, uint32_t v);

 private:
  PixelLayout layout_;
  int width_;
  int height_;
  int stride_;
  bool bottomUp_;
  std::vector<uint8_t> data_;
  uint8_t* row0_ = nullptr;
  ptrdiff_t pitch_ = 0;
};

inline uint32_t Surface::Get(int x, int y) const {
  const uint8_t* r = Row(y);
  switch (layout_) {
    case PixelLayout::Device32:
      return reinterpret_cast<const uint32_t*>(r)[x] & 0xFFFFFF;
    case PixelLayout::Dib24: {
      const uint8_t* p = r + x * 3;
      return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    }
    case PixelLayout::Mono1:
      return (r[x >> 3] >> (7 - (x & 7))) & 1;
  }
  return 0;
}

inline void Surface::Set(int x, int y, uint32_t v) {
  uint8_t* r = Row(y);
  switch (layout_) {
    case PixelLayout::Device32:
      reinterpret_cast<uint32_t*>(r)[x] = v & 0xFFFFFF;
      break;
    case PixelLayout::Dib24: {
      uint8_t* p = r + x * 3;
      p[0] = uint8_t(v);
      p[1] = uint8_t(v >> 8);
      p[2] = uint8_t(v >> 16);
      break;
    }
    case PixelLayout::Mono1: {
      const uint8_t bit = uint8_t(0x80 >> (x & 7));
      if (v & 1)
        r[x >> 3] |= bit;
      else
        r[x >> 3] &= uint8_t(~bit);
      break;
    }
  }
}

template <class Op>
void Surface::Apply(int y, int x0, int x1, Op&& op) {
  uint8_t* r = Row(y);
  switch (layout_) {
    case PixelLayout::Device32: {
      uint32_t* p = reinterpret_cast<uint32_t*>(r);
      for (int x = x0; x < x1; ++x) p[x] = op(x, p[x] & 0xFFFFFF) & 0xFFFFFF;
      break;
    }
    case PixelLayout::Dib24: {
      uint8_t* p = r + x0 * 3;
      for (int x = x0; x < x1; ++x, p += 3) {
        const uint32_t v = op(x, uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16));
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
      }
      break;
    }
    case PixelLayout::Mono1:
      for (int x = x0; x < x1; ++x) {
        const uint8_t bit = uint8_t(0x80 >> (x & 7));
        const uint32_t v = op(x, (r[x >> 3] & bit) ? 1u : 0u);
        if (v & 1)
          r[x >> 3] |= bit;
        else
          r[x >> 3] &= uint8_t(~bit);
      }
      break;
  }
}

}  // namespace gdi
