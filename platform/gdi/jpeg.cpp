#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/image.h"

// After our headers: libjpeg defines TRUE and FALSE as macros.
#include <jpeglib.h>

namespace gdi {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  longjmp(err->jump, 1);
}

void onMessage(j_common_ptr) {}  // warnings are not printed

// Only plain data lives in the frame that calls setjmp; the results go to the caller's objects.
bool decode(const uint8_t* data, size_t size, uint64_t maxPixels, std::vector<uint8_t>& rgb,
            int& width, int& height, char* message) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.output_message = onMessage;
  if (setjmp(err.jump)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  if (uint64_t(cinfo.image_width) * cinfo.image_height > maxPixels) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", "JPEG image too large");
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  width = int(cinfo.output_width);
  height = int(cinfo.output_height);
  const int comps = cinfo.output_components;
  rgb.assign(size_t(width) * size_t(height) * 3, 0);
  std::vector<uint8_t>* out = &rgb;
  JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               JDIMENSION(width * comps), 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const size_t y = cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, line, 1);
    uint8_t* dst = out->data() + y * size_t(width) * 3;
    const uint8_t* src = line[0];
    for (int x = 0; x < width; ++x) {
      if (comps == 4) {
        // Adobe CMYK is stored inverted: the values are already 255 - ink.
        const unsigned k = src[4 * x + 3];
        dst[3 * x] = uint8_t(src[4 * x] * k / 255);
        dst[3 * x + 1] = uint8_t(src[4 * x + 1] * k / 255);
        dst[3 * x + 2] = uint8_t(src[4 * x + 2] * k / 255);
      } else if (comps == 3) {
        std::memcpy(dst + 3 * x, src + 3 * x, 3);
      } else {
        dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool encode(const Surface& s, int quality, unsigned char** buffer, unsigned long* size,
            char* message) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.output_message = onMessage;
  if (setjmp(err.jump)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  cinfo.image_width = JDIMENSION(s.Width());
  cinfo.image_height = JDIMENSION(s.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               JDIMENSION(s.Width() * 3), 1);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = int(cinfo.next_scanline);
    for (int x = 0; x < s.Width(); ++x) {
      const uint32_t rgb = s.ToRgb(s.Get(x, y));
      line[0][3 * x] = JSAMPLE(rgb >> 16);
      line[0][3 * x + 1] = JSAMPLE(rgb >> 8);
      line[0][3 * x + 2] = JSAMPLE(rgb);
    }
    jpeg_write_scanlines(&cinfo, line, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

DibImage ReadJpeg(const uint8_t* data, size_t size, uint64_t maxPixels) {
  if (!data || size < 4) throw EInvalidGraphic("JPEG error: empty file");
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  char message[JMSG_LENGTH_MAX] = {};
  if (!decode(data, size, maxPixels, rgb, w, h, message))
    throw EInvalidGraphic(std::string("JPEG error: ") + message);
  DibImage img;
  img.width = w;
  img.height = h;
  img.bitCount = 24;
  const size_t stride = size_t(img.Stride());
  img.bits.assign(stride * size_t(h), 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = rgb.data() + size_t(y) * size_t(w) * 3;
    uint8_t* dst = img.bits.data() + size_t(h - 1 - y) * stride;
    for (int x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return img;
}

std::vector<uint8_t> WriteJpeg(const Surface& s, int quality) {
  if (s.Width() <= 0 || s.Height() <= 0) throw EInvalidGraphic("JPEG error: empty image");
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  char message[JMSG_LENGTH_MAX] = {};
  const bool ok = encode(s, std::clamp(quality, 1, 100), &buffer, &size, message);
  std::vector<uint8_t> out;
  if (ok && buffer) out.assign(buffer, buffer + size);
  std::free(buffer);
  if (!ok) throw EInvalidGraphic(std::string("JPEG error: ") + message);
  return out;
}

}  // namespace gdi
