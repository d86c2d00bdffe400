// An uncompressed 8-bit BMP written byte by byte, as a chart image for the map tests: its palette
// and each pixel's index come from the caller.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

namespace apptest {

inline void WriteIndexedBmp(const std::string& path, int w, int h,
                            const std::function<std::uint32_t(int)>& palette,
                            const std::function<char(int x, int y)>& pixel) {
  const int stride = (w + 3) / 4 * 4;
  const std::uint32_t offset = 14 + 40 + 256 * 4, size = offset + stride * h;
  std::ofstream out(path, std::ios::binary);
  auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  out.write("BM", 2);
  u32(size), u32(0), u32(offset);
  u32(40), u32(w), u32(h), u16(1), u16(8), u32(0), u32(stride * h), u32(2835), u32(2835),
      u32(256), u32(0);
  for (int i = 0; i < 256; ++i) u32(palette(i));  // blue, green, red, reserved
  for (int y = 0; y < h; ++y) {  // bottom row first
    std::string row(stride, '\0');
    for (int x = 0; x < w; ++x) row[x] = pixel(x, y);
    out.write(row.data(), stride);
  }
}

}  // namespace apptest
