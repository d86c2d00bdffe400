#include "platform/capture/imaging.h"

#include <algorithm>
#include <cstdlib>

#include "platform/capture/mjpeg.h"

namespace capture {

namespace {

uint8_t Clamp(int v) {
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// ITU-R BT.601, studio range, in fixed point.
void RgbToYuv(int r, int g, int b, int& y, int& u, int& v) {
  y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
  u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
  v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
}

void YuvToRgb(int y, int u, int v, uint8_t* bgr) {
  const int c = y - 16, d = u - 128, e = v - 128;
  bgr[2] = Clamp((298 * c + 409 * e + 128) >> 8);
  bgr[1] = Clamp((298 * c - 100 * d - 208 * e + 128) >> 8);
  bgr[0] = Clamp((298 * c + 516 * d + 128) >> 8);
  bgr[3] = 0;
}

int BlockSize(int width, int height) {
  return std::min(width, height) >= 240 ? 16 : 8;
}

}  // namespace

std::optional<Rgb32Image> ToRgb32(const uint8_t* data, size_t size, const VideoFormat& f) {
  if (!data || f.width <= 0 || f.height == 0 || f.width > 16384 || std::abs(f.height) > 16384)
    return std::nullopt;
  if (f.subtype == MEDIASUBTYPE_MJPG) {
    // A camera's JPEG image: taken only when it is the size its format says.
    return DecodeJpeg(data, size, f.width, std::abs(f.height));
  }
  const bool bottomUp = f.height > 0;
  Rgb32Image img{f.width, std::abs(f.height), {}};
  if (size < f.ImageSize() || f.ImageSize() == 0) return std::nullopt;
  img.pixels.resize(size_t(img.width) * size_t(img.height) * 4);
  if (f.subtype == MEDIASUBTYPE_YUY2) {
    const size_t stride = size_t(f.width) * 2;
    for (int y = 0; y < img.height; ++y) {
      const uint8_t* s = data + size_t(y) * stride;  // YUY2 rows are top-down
      uint8_t* d = img.Row(y);
      for (int x = 0; x + 1 < img.width; x += 2, s += 4) {
        YuvToRgb(s[0], s[1], s[3], d + 4 * x);
        YuvToRgb(s[2], s[1], s[3], d + 4 * x + 4);
      }
    }
    return img;
  }
  const int bits = RgbBits(f.subtype);
  if (bits != 16 && bits != 24 && bits != 32) return std::nullopt;
  const size_t stride = size_t(((f.width * bits + 31) / 32) * 4);
  for (int y = 0; y < img.height; ++y) {
    const uint8_t* s = data + size_t(bottomUp ? img.height - 1 - y : y) * stride;
    uint8_t* d = img.Row(y);
    for (int x = 0; x < img.width; ++x, d += 4) {
      if (bits == 16) {
        const unsigned p = unsigned(s[2 * x]) | unsigned(s[2 * x + 1]) << 8;
        if (f.subtype == MEDIASUBTYPE_RGB565) {
          d[2] = uint8_t((p >> 11 & 31) * 255 / 31);
          d[1] = uint8_t((p >> 5 & 63) * 255 / 63);
        } else {
          d[2] = uint8_t((p >> 10 & 31) * 255 / 31);
          d[1] = uint8_t((p >> 5 & 31) * 255 / 31);
        }
        d[0] = uint8_t((p & 31) * 255 / 31);
      } else {
        const uint8_t* px = s + size_t(x) * size_t(bits / 8);
        d[0] = px[0];
        d[1] = px[1];
        d[2] = px[2];
      }
      d[3] = 0;
    }
  }
  return img;
}

std::vector<uint8_t> FromRgb32(const Rgb32Image& img, const rtl::TGUID& subtype) {
  std::vector<uint8_t> out;
  if (subtype == MEDIASUBTYPE_YUY2) {
    const int w = img.width & ~1;
    out.resize(size_t(w) * size_t(img.height) * 2);
    uint8_t* d = out.data();
    for (int y = 0; y < img.height; ++y) {
      const uint8_t* s = img.Row(y);
      for (int x = 0; x < w; x += 2, s += 8, d += 4) {
        int y0, u0, v0, y1, u1, v1;
        RgbToYuv(s[2], s[1], s[0], y0, u0, v0);
        RgbToYuv(s[6], s[5], s[4], y1, u1, v1);
        d[0] = Clamp(y0);
        d[1] = Clamp((u0 + u1) / 2);
        d[2] = Clamp(y1);
        d[3] = Clamp((v0 + v1) / 2);
      }
    }
    return out;
  }
  const int bits = RgbBits(subtype);
  if (bits != 16 && bits != 24 && bits != 32) return out;
  const size_t stride = size_t(((img.width * bits + 31) / 32) * 4);
  out.assign(stride * size_t(img.height), 0);
  for (int y = 0; y < img.height; ++y) {
    const uint8_t* s = img.Row(y);
    uint8_t* d = out.data() + size_t(img.height - 1 - y) * stride;
    for (int x = 0; x < img.width; ++x, s += 4) {
      if (bits == 16) {
        unsigned p;
        if (subtype == MEDIASUBTYPE_RGB565)
          p = unsigned(s[2] >> 3) << 11 | unsigned(s[1] >> 2) << 5 | unsigned(s[0] >> 3);
        else
          p = unsigned(s[2] >> 3) << 10 | unsigned(s[1] >> 3) << 5 | unsigned(s[0] >> 3);
        d[2 * x] = uint8_t(p);
        d[2 * x + 1] = uint8_t(p >> 8);
      } else {
        uint8_t* px = d + size_t(x) * size_t(bits / 8);
        px[0] = s[0];
        px[1] = s[1];
        px[2] = s[2];
      }
    }
  }
  return out;
}

Rgb32Image Scale(const Rgb32Image& img, int width, int height) {
  Rgb32Image out{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 4)};
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = img.Row(int(int64_t(y) * img.height / height));
    auto* d = reinterpret_cast<uint32_t*>(out.Row(y));
    for (int x = 0; x < width; ++x)
      std::copy_n(s + 4 * size_t(int64_t(x) * img.width / width), 4,
                  reinterpret_cast<uint8_t*>(d + x));
  }
  return out;
}

void DrawFramePattern(Rgb32Image& img, uint32_t number, bool noise) {
  uint32_t seed = number * 2654435761u + 1;
  for (int y = 0; y < img.height; ++y) {
    uint8_t* d = img.Row(y);
    for (int x = 0; x < img.width; ++x, d += 4) {
      if (noise) {
        seed = seed * 1664525u + 1013904223u;
        d[0] = uint8_t(seed >> 24);
        d[1] = uint8_t(seed >> 16);
        d[2] = uint8_t(x + y + number);
      } else {
        d[0] = uint8_t(x + number * 4);
        d[1] = uint8_t(y * 2);
        d[2] = uint8_t(128 + (x ^ y));
      }
      d[3] = 0;
    }
  }
  const int bs = BlockSize(img.width, img.height);
  for (int bit = 0; bit < 16; ++bit) {
    const uint8_t v = (number >> (15 - bit)) & 1 ? 255 : 0;
    const int bx = (bit % 4) * bs, by = (bit / 4) * bs;
    for (int y = by; y < by + bs && y < img.height; ++y)
      for (int x = bx; x < bx + bs && x < img.width; ++x)
        std::fill_n(img.Row(y) + 4 * size_t(x), 3, v);
  }
}

std::optional<uint32_t> ReadFramePattern(const Rgb32Image& img, int blockSize) {
  const int bs = blockSize > 0 ? blockSize : BlockSize(img.width, img.height);
  if (img.width < 4 * bs || img.height < 4 * bs) return std::nullopt;
  uint32_t n = 0;
  for (int bit = 0; bit < 16; ++bit) {
    const int cx = (bit % 4) * bs + bs / 2, cy = (bit / 4) * bs + bs / 2;
    const uint8_t* p = img.Row(cy) + 4 * size_t(cx);
    const int lum = (p[0] + p[1] + p[2]) / 3;
    if (lum > 60 && lum < 195) return std::nullopt;
    n = n << 1 | (lum >= 195 ? 1u : 0u);
  }
  return n;
}

}  // namespace capture
