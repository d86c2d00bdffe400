#include <png.h>

#include <csetjmp>
#include <cstring>

#include "platform/gdi/image.h"

namespace gdi {

namespace {

void appendData(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void flushData(png_structp) {}

void onError(png_structp png, png_const_charp) {
  longjmp(png_jmpbuf(png), 1);
}
void onWarning(png_structp, png_const_charp) {}

// Plain data only in the frame that calls setjmp (the rows are prepared by the caller).
bool encode(const std::vector<uint8_t>& rgb, int w, int h, std::vector<uint8_t>& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_set_write_fn(png, &out, appendData, flushData);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y)
    png_write_row(png, const_cast<png_bytep>(rgb.data() + size_t(y) * size_t(w) * 3));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::vector<uint8_t> WritePng(const Surface& s) {
  const int w = s.Width(), h = s.Height();
  if (w <= 0 || h <= 0) throw EInvalidGraphic("PNG error: empty image");
  std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
  for (int y = 0; y < h; ++y) {
    uint8_t* dst = rgb.data() + size_t(y) * size_t(w) * 3;
    for (int x = 0; x < w; ++x) {
      const uint32_t v = s.ToRgb(s.Get(x, y));
      dst[3 * x] = uint8_t(v >> 16);
      dst[3 * x + 1] = uint8_t(v >> 8);
      dst[3 * x + 2] = uint8_t(v);
    }
  }
  std::vector<uint8_t> out;
  if (!encode(rgb, w, h, out)) throw EInvalidGraphic("PNG error: cannot encode the image");
  return out;
}

void SavePngFile(const std::string& path, const Surface& s) {
  WriteWholeFile(path, WritePng(s));
}

}  // namespace gdi
