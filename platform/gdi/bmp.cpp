#include <cstring>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "platform/gdi/image.h"
#include "platform/rtl/files.h"

namespace gdi {

namespace {

constexpr int64_t kMaxPixels = int64_t(1) << 26;

uint16_t u16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}
uint32_t u32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

// Palette indices of colours (0x00RRGGBB): the first entry of that colour, else a new entry
// while a palette being made has room, else the nearest entry.
class PaletteIndex {
 public:
  explicit PaletteIndex(std::vector<RGBQUAD>& palette)
      : palette_(palette), growing_(palette.empty()) {
    if (palette_.size() > 256) palette_.resize(256);
    for (size_t i = palette_.size(); i-- > 0;) known_[Rgb(palette_[i])] = uint8_t(i);
  }
  uint8_t operator()(uint32_t rgb) {
    const auto found = known_.find(rgb);
    if (found != known_.end()) return found->second;
    uint8_t index = 0;
    if (growing_ && palette_.size() < 256) {
      palette_.push_back(RGBQUAD{uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), 0});
      index = uint8_t(palette_.size() - 1);
    } else {
      index = Nearest(rgb);
    }
    known_.emplace(rgb, index);
    return index;
  }

 private:
  static uint32_t Rgb(const RGBQUAD& q) {
    return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
  }
  uint8_t Nearest(uint32_t rgb) const {
    const auto channel = [](uint32_t c, int shift) { return int((c >> shift) & 0xFF); };
    int64_t best = INT64_MAX;
    uint8_t index = 0;
    for (size_t i = 0; i < palette_.size(); ++i) {
      const uint32_t q = Rgb(palette_[i]);
      int64_t d = 0;
      for (int shift : {0, 8, 16}) {
        const int64_t c = channel(q, shift) - channel(rgb, shift);
        d += c * c;
      }
      if (d < best) {
        best = d;
        index = uint8_t(i);
      }
    }
    return index;
  }

  std::vector<RGBQUAD>& palette_;
  const bool growing_;
  std::unordered_map<uint32_t, uint8_t> known_;
};

}  // namespace

uint32_t DibImage::PixelRgb(int x, int y) const {
  const uint8_t* row = bits.data() + size_t(height - 1 - y) * size_t(Stride());
  auto pal = [&](unsigned i) -> uint32_t {
    if (i >= palette.size()) return 0;
    const RGBQUAD& q = palette[i];
    return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
  };
  switch (bitCount) {
    case 1:
      return pal((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
      return pal((x & 1) ? row[x >> 1] & 0xF : row[x >> 1] >> 4);
    case 8:
      return pal(row[x]);
    case 24:
      return uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) |
             (uint32_t(row[3 * x + 2]) << 16);
    case 32:
      return uint32_t(row[4 * x]) | (uint32_t(row[4 * x + 1]) << 8) |
             (uint32_t(row[4 * x + 2]) << 16);
    default:
      return 0;
  }
}

std::shared_ptr<Surface> DibImage::ToSurface() const {
  auto s = std::make_shared<Surface>(PixelLayout::Device32, width, height);
  for (int y = 0; y < height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(s->Row(y));
    for (int x = 0; x < width; ++x) out[x] = PixelRgb(x, y);
  }
  return s;
}

DibImage DibImage::FromSurface(const Surface& s, int bitCount, std::vector<RGBQUAD> palette) {
  if (bitCount != 1 && bitCount != 8 && bitCount != 24 && bitCount != 32)
    throw EInvalidGraphic("Unsupported bit count for a bitmap");
  DibImage d;
  d.width = s.Width();
  d.height = s.Height();
  d.bitCount = bitCount;
  if (bitCount == 1) d.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  if (bitCount == 8) d.palette = std::move(palette);
  PaletteIndex index(d.palette);
  const int stride = d.Stride();
  d.bits.assign(size_t(stride) * size_t(d.height), 0);
  for (int y = 0; y < d.height; ++y) {
    uint8_t* row = d.bits.data() + size_t(d.height - 1 - y) * size_t(stride);
    for (int x = 0; x < d.width; ++x) {
      const uint32_t rgb = s.ToRgb(s.Get(x, y));
      switch (bitCount) {
        case 1:
          if (s.FromRgb(rgb) == 1 ||
              (s.Layout() != PixelLayout::Mono1 &&
               ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF) >= 3 * 128))
            row[x >> 3] |= uint8_t(0x80 >> (x & 7));
          break;
        case 8:
          row[x] = index(rgb);
          break;
        case 24:
          row[3 * x] = uint8_t(rgb);
          row[3 * x + 1] = uint8_t(rgb >> 8);
          row[3 * x + 2] = uint8_t(rgb >> 16);
          break;
        default:
          row[4 * x] = uint8_t(rgb);
          row[4 * x + 1] = uint8_t(rgb >> 8);
          row[4 * x + 2] = uint8_t(rgb >> 16);
          break;
      }
    }
  }
  return d;
}

DibImage ReadBmp(const uint8_t* data, size_t size) {
  if (!data || size < 14 + 12 || data[0] != 'B' || data[1] != 'M')
    throw EInvalidGraphic("Bitmap image is not valid");
  const uint32_t offBits = u32(data + 10);
  const uint32_t headerSize = u32(data + 14);
  if (headerSize != 12 && (headerSize < 40 || headerSize > 1024))
    throw EInvalidGraphic("Bitmap image is not valid");
  if (size < 14 + size_t(headerSize)) throw EInvalidGraphic("Bitmap image is not valid");
  const uint8_t* h = data + 14;
  int64_t width, height;
  int bpp;
  uint32_t compression = BI_RGB, clrUsed = 0;
  size_t entrySize = 4;
  if (headerSize == 12) {  // the old OS/2 header
    width = u16(h + 4);
    height = int16_t(u16(h + 6));
    bpp = u16(h + 10);
    entrySize = 3;
  } else {
    width = int32_t(u32(h + 4));
    height = int32_t(u32(h + 8));
    bpp = u16(h + 14);
    compression = u32(h + 16);
    clrUsed = u32(h + 32);
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
    throw EInvalidGraphic("Unsupported bitmap format");
  const bool bitfields = compression == BI_BITFIELDS && bpp == 32;
  if (compression != BI_RGB && !bitfields) throw EInvalidGraphic("Unsupported bitmap format");
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535 || width * height > kMaxPixels)
    throw EInvalidGraphic("Bitmap image is not valid");

  size_t pos = 14 + size_t(headerSize);
  uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
  if (bitfields) {
    if (headerSize >= 52) {  // the masks are part of the longer headers
      for (int i = 0; i < 3; ++i) masks[i] = u32(h + 40 + 4 * size_t(i));
    } else if (headerSize == 40 && size >= pos + 12) {  // or follow the short one
      for (int i = 0; i < 3; ++i) masks[i] = u32(data + pos + 4 * size_t(i));
      pos += 12;
    } else {
      throw EInvalidGraphic("Bitmap image is not valid");
    }
  }

  DibImage img;
  img.width = int(width);
  img.height = int(height);
  img.bitCount = bpp;
  if (bpp <= 8) {
    const uint32_t full = 1u << bpp;
    uint32_t count = (clrUsed == 0 || clrUsed > full) ? full : clrUsed;
    // A palette may be shorter than the header says: it ends where the pixels start.
    if (offBits > pos && offBits <= size)
      count = std::min<uint32_t>(count, uint32_t((offBits - pos) / entrySize));
    count = std::min<uint32_t>(count, uint32_t((size - pos) / entrySize));
    img.palette.assign(full, RGBQUAD{});
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = data + pos + size_t(i) * entrySize;
      img.palette[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    pos += size_t(count) * entrySize;
  }
  const size_t start = (offBits >= pos && offBits < size) ? offBits : pos;
  const size_t stride = size_t(img.Stride());
  const size_t rowBytes = (size_t(width) * size_t(bpp) + 7) / 8;
  const size_t need = stride * size_t(height);
  // The image size in the header may be 0 or wrong; what counts is what the rows need. The
  // padding of the last row may be missing.
  if (size < start || size - start < need - (stride - rowBytes))
    throw EInvalidGraphic("Bitmap image is truncated");
  img.bits.assign(need, 0);
  const size_t avail = std::min(need, size - start);
  for (size_t row = 0; row < size_t(height); ++row) {
    const size_t src = start + row * stride;
    const size_t dst = (topDown ? size_t(height) - 1 - row : row) * stride;
    const size_t n = std::min(stride, avail - std::min(avail, row * stride));
    std::memcpy(img.bits.data() + dst, data + src, n);
  }
  if (bitfields) {
    // Bring any channel layout to B, G, R bytes.
    auto channel = [](uint32_t v, uint32_t mask) -> uint8_t {
      if (!mask) return 0;
      int shift = 0;
      while (!((mask >> shift) & 1)) ++shift;
      const uint64_t max = mask >> shift;
      return uint8_t(uint64_t((v & mask) >> shift) * 255 / max);
    };
    for (size_t i = 0; i + 3 < img.bits.size(); i += 4) {
      const uint32_t v = u32(img.bits.data() + i);
      img.bits[i] = channel(v, masks[2]);
      img.bits[i + 1] = channel(v, masks[1]);
      img.bits[i + 2] = channel(v, masks[0]);
      img.bits[i + 3] = 0;
    }
  }
  return img;
}

std::vector<uint8_t> WriteBmp(const DibImage& img) {
  const int bpp = img.bitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
    throw EInvalidGraphic("Unsupported bit count for a bitmap");
  const size_t stride = size_t(img.Stride());
  if (img.width <= 0 || img.height <= 0 || img.bits.size() < stride * size_t(img.height))
    throw EInvalidGraphic("Bitmap image is not valid");
  const uint32_t colours = bpp <= 8 ? uint32_t(std::min<size_t>(img.palette.size(), 1u << bpp)) : 0;
  const uint32_t off = 14 + 40 + 4 * colours;
  const uint32_t imageSize = uint32_t(stride * size_t(img.height));
  std::vector<uint8_t> out;
  out.reserve(off + imageSize);
  out.push_back('B');
  out.push_back('M');
  put32(out, off + imageSize);
  put32(out, 0);
  put32(out, off);
  put32(out, 40);
  put32(out, uint32_t(img.width));
  put32(out, uint32_t(img.height));
  put16(out, 1);
  put16(out, uint16_t(bpp));
  put32(out, BI_RGB);
  put32(out, imageSize);
  put32(out, 3780);  // 96 dpi
  put32(out, 3780);
  put32(out, colours);
  put32(out, 0);
  for (uint32_t i = 0; i < colours; ++i) {
    const RGBQUAD& q = img.palette[i];
    out.insert(out.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
  }
  out.insert(out.end(), img.bits.begin(), img.bits.begin() + imageSize);
  return out;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw rtl::EFOpenError("Cannot open file \"" + path + "\"");
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  rtl::WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                              bytes.size()));
}

DibImage LoadBmpFile(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  return ReadBmp(bytes.data(), bytes.size());
}

void SaveBmpFile(const std::string& path, const DibImage& image) {
  WriteWholeFile(path, WriteBmp(image));
}

std::shared_ptr<Surface> LoadImageFile(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8)
    return ReadJpeg(bytes.data(), bytes.size()).ToSurface();
  return ReadBmp(bytes.data(), bytes.size()).ToSurface();
}

}  // namespace gdi
