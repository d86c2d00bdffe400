#pragma once
// Textures made on the spot for the map's tests and benchmarks.
#include <cstdint>
#include <vector>

#include "map/earthsysutils.h"
#include "platform/gdi/image.h"

namespace maptest {

// A texture of w x h palette indices (rows top first) with a palette, as a 256-colour BMP.
inline std::vector<uint8_t> TextureBmp(int w, int h, const std::vector<uint8_t>& indices,
                                       const std::vector<uint32_t>& rgbPalette) {
  gdi::DibImage image;
  image.width = w;
  image.height = h;
  image.bitCount = 8;
  image.palette.resize(256);
  for (size_t i = 0; i < rgbPalette.size() && i < 256; ++i)
    image.palette[i] = {static_cast<uint8_t>(rgbPalette[i] & 0xFF),
                        static_cast<uint8_t>((rgbPalette[i] >> 8) & 0xFF),
                        static_cast<uint8_t>((rgbPalette[i] >> 16) & 0xFF), 0};
  image.bits.assign(static_cast<size_t>(image.Stride() * h), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.bits[static_cast<size_t>((h - 1 - y) * image.Stride() + x)] =
          indices[static_cast<size_t>(y * w + x)];
  return gdi::WriteBmp(image);
}

inline void LoadTexture(TTextureData& texture, const std::vector<uint8_t>& bmp) {
  rtl::TMemoryStream s;
  s.WriteBuffer(bmp.data(), static_cast<int64_t>(bmp.size()));
  s.SetPosition(0);
  texture.LoadFromStream(s);
}

}  // namespace maptest
