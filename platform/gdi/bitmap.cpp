#include "platform/gdi/bitmap.h"

#include <cstring>

namespace gdi {

namespace {

HBITMAP addBitmap(std::shared_ptr<Surface> s, bool dib = false) {
  auto b = std::make_unique<Bitmap>(std::move(s));
  b->dibSection = dib;
  return static_cast<HBITMAP>(ObjectTable::Add(std::move(b)));
}

// Colour of entry i of a DIB colour table with n entries (missing entries are black).
uint32_t paletteRgb(const BITMAPINFO* info, unsigned i, unsigned n) {
  if (i >= n) return 0;
  const RGBQUAD& q = info->bmiColors[i];
  return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
}

unsigned paletteSize(const BITMAPINFOHEADER& h) {
  if (h.biBitCount > 8) return 0;
  const unsigned full = 1u << h.biBitCount;
  return (h.biClrUsed == 0 || h.biClrUsed > full) ? full : h.biClrUsed;
}

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits) {
  if (width < 0 || height < 0 || planes != 1) return nullptr;
  std::shared_ptr<Surface> s;
  try {
    if (bitCount == 1)
      s = std::make_shared<Surface>(PixelLayout::Mono1, width, height);
    else if (bitCount == 32)
      s = std::make_shared<Surface>(PixelLayout::Device32, width, height);
    else
      return nullptr;
  } catch (const std::exception&) {
    return nullptr;
  }
  if (bits) {
    const int inStride = ((width * int(bitCount) + 15) / 16) * 2;
    const int rowBytes = (width * int(bitCount) + 7) / 8;
    for (int y = 0; y < height; ++y)
      std::memcpy(s->Row(y), static_cast<const uint8_t*>(bits) + size_t(y) * size_t(inStride),
                  size_t(rowBytes));
  }
  return addBitmap(std::move(s));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  if (width < 0 || height < 0 || detail::CreationFails(OBJ_BITMAP)) return nullptr;
  PixelLayout layout = PixelLayout::Device32;
  if (DC* dc = LiveDC(hdc); dc && dc->Target() && dc->Target()->Layout() == PixelLayout::Mono1)
    layout = PixelLayout::Mono1;
  try {
    return addBitmap(std::make_shared<Surface>(layout, width, height));
  } catch (const std::exception&) {
    return nullptr;
  }
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, void*, DWORD) {
  if (bits) *bits = nullptr;
  if (!info) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0) return nullptr;
  PixelLayout layout;
  switch (h.biBitCount) {
    case 1:
      layout = PixelLayout::Mono1;
      break;
    case 24:
      layout = PixelLayout::Dib24;
      break;
    case 32:
      layout = PixelLayout::Device32;
      break;
    default:
      return nullptr;
  }
  const bool bottomUp = h.biHeight > 0;
  const int height = bottomUp ? h.biHeight : -h.biHeight;
  std::shared_ptr<Surface> s;
  try {
    s = std::make_shared<Surface>(layout, h.biWidth, height, bottomUp);
  } catch (const std::exception&) {
    return nullptr;
  }
  if (bits) *bits = s->Bits();
  return addBitmap(std::move(s), true);
}

HBITMAP CreateBitmapOnSurface(std::shared_ptr<Surface> surface) {
  if (!surface) return nullptr;
  return addBitmap(std::move(surface));
}

std::shared_ptr<Surface> GetBitmapSurface(HBITMAP bmp) {
  Bitmap* b = Live<Bitmap>(bmp);
  return b ? b->surface : nullptr;
}

std::shared_ptr<Surface> DibToSurface(const BITMAPINFO* info, const void* bits) {
  if (!info || !bits) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const int bpp = h.biBitCount;
  // 16-bit sources are RGB555, or with BI_BITFIELDS the masks in the first three colour slots
  // (RGB565 in practice).
  const bool fields = h.biCompression == BI_BITFIELDS && bpp == 16;
  if ((h.biCompression != BI_RGB && !fields) || h.biWidth <= 0 || h.biHeight == 0) return nullptr;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (fields) std::memcpy(masks, info->bmiColors, sizeof masks);
  auto channel = [](uint32_t px, uint32_t mask) -> uint32_t {
    if (!mask) return 0;
    const int shift = __builtin_ctz(mask);
    const uint32_t max = mask >> shift;
    return ((px & mask) >> shift) * 255 / max;
  };
  const bool bottomUp = h.biHeight > 0;
  const int w = h.biWidth, ht = bottomUp ? h.biHeight : -h.biHeight;
  std::shared_ptr<Surface> s;
  try {
    s = std::make_shared<Surface>(PixelLayout::Device32, w, ht);
  } catch (const std::exception&) {
    return nullptr;
  }
  const int stride = DibStride(w, bpp);
  const unsigned n = paletteSize(h);
  const auto* base = static_cast<const uint8_t*>(bits);
  for (int y = 0; y < ht; ++y) {
    const uint8_t* row = base + size_t(bottomUp ? ht - 1 - y : y) * size_t(stride);
    auto* out = reinterpret_cast<uint32_t*>(s->Row(y));
    for (int x = 0; x < w; ++x) {
      uint32_t v = 0;
      switch (bpp) {
        case 1:
          v = paletteRgb(info, (row[x >> 3] >> (7 - (x & 7))) & 1, n);
          break;
        case 4:
          v = paletteRgb(info, (x & 1) ? row[x >> 1] & 0xF : row[x >> 1] >> 4, n);
          break;
        case 8:
          v = paletteRgb(info, row[x], n);
          break;
        case 16: {
          const uint32_t px = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
          v = channel(px, masks[2]) | channel(px, masks[1]) << 8 | channel(px, masks[0]) << 16;
          break;
        }
        case 24:
          v = uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) |
              (uint32_t(row[3 * x + 2]) << 16);
          break;
        case 32:
          v = uint32_t(row[4 * x]) | (uint32_t(row[4 * x + 1]) << 8) |
              (uint32_t(row[4 * x + 2]) << 16);
          break;
      }
      out[x] = v;
    }
  }
  return s;
}

int GetDIBits(HDC, HBITMAP bmp, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT) {
  Bitmap* b = Live<Bitmap>(bmp);
  if (!b || !info) return 0;
  const Surface& s = *b->surface;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount == 0) h.biBitCount = static_cast<WORD>(s.BitsPerPixel());
  const int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return 0;
  h.biSize = 40;
  h.biWidth = s.Width();
  if (h.biHeight >= 0)
    h.biHeight = s.Height();
  else
    h.biHeight = -s.Height();
  h.biPlanes = 1;
  h.biCompression = BI_RGB;
  const int stride = DibStride(s.Width(), bpp);
  h.biSizeImage = DWORD(stride) * DWORD(s.Height());
  if (!bits) return s.Height();
  const bool bottomUp = h.biHeight > 0;
  const int ht = s.Height();
  // Palettes: monochrome black/white; 4 and 8 bits get a 3-3-2 style grey-free table built
  // from the colours used is more than needed here, so they get a fixed grey ramp.
  if (bpp == 1) {
    info->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
    info->bmiColors[1] = RGBQUAD{255, 255, 255, 0};
    h.biClrUsed = 2;
  } else if (bpp <= 8) {
    const unsigned n = 1u << bpp;
    for (unsigned i = 0; i < n; ++i) {
      const BYTE g = BYTE(i * 255 / (n - 1));
      info->bmiColors[i] = RGBQUAD{g, g, g, 0};
    }
    h.biClrUsed = n;
  }
  UINT copied = 0;
  for (UINT k = 0; k < lines; ++k) {
    const int dibRow = int(start + k);  // row index in DIB order
    if (dibRow >= ht) break;
    const int y = bottomUp ? ht - 1 - dibRow : dibRow;
    uint8_t* out = static_cast<uint8_t*>(bits) + size_t(k) * size_t(stride);
    std::memset(out, 0, size_t(stride));
    for (int x = 0; x < s.Width(); ++x) {
      const uint32_t rgb = s.ToRgb(s.Get(x, y));
      const BYTE r = BYTE(rgb >> 16), g = BYTE(rgb >> 8), bl = BYTE(rgb);
      switch (bpp) {
        case 1:
          if (r + g + bl >= 3 * 128) out[x >> 3] |= BYTE(0x80 >> (x & 7));
          break;
        case 4: {
          const BYTE i = BYTE(((r * 30 + g * 59 + bl * 11) / 100) >> 4);
          out[x >> 1] |= (x & 1) ? i : BYTE(i << 4);
          break;
        }
        case 8:
          out[x] = BYTE((r * 30 + g * 59 + bl * 11) / 100);
          break;
        case 24:
          out[3 * x] = bl;
          out[3 * x + 1] = g;
          out[3 * x + 2] = r;
          break;
        case 32:
          out[4 * x] = bl;
          out[4 * x + 1] = g;
          out[4 * x + 2] = r;
          break;
      }
    }
    ++copied;
  }
  return int(copied);
}

int SetDIBits(HDC, HBITMAP bmp, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT) {
  Bitmap* b = Live<Bitmap>(bmp);
  if (!b || !info || !bits) return 0;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const bool bottomUp = h.biHeight > 0;
  const int ht = bottomUp ? h.biHeight : -h.biHeight;
  if (h.biWidth <= 0 || ht == 0 || start >= UINT(ht)) return 0;
  lines = std::min<UINT>(lines, UINT(ht) - start);
  // Decode just the rows given, as a DIB of that many rows.
  BITMAPINFO part = *info;
  part.bmiHeader.biHeight = bottomUp ? LONG(lines) : -LONG(lines);
  auto src = DibToSurface(&part, bits);
  if (!src) return 0;
  Surface& s = *b->surface;
  const int w = std::min(s.Width(), h.biWidth);
  for (UINT k = 0; k < lines; ++k) {
    // DIB order row start + k counts from the bottom for bottom-up data.
    const int dibRow = int(start + k);
    const int y = bottomUp ? ht - 1 - dibRow : dibRow;
    if (y < 0 || y >= s.Height()) continue;
    const int srcY = bottomUp ? int(lines) - 1 - int(k) : int(k);
    for (int x = 0; x < w; ++x) s.Set(x, y, s.FromRgb(src->Get(x, srcY)));
  }
  return int(lines);
}

}  // namespace gdi
