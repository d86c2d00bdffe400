#include "platform/capture/mjpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace capture {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool cutShort = false;  // the data ended before the image did
};

void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

// libjpeg only warns of an image cut short and fills the rest with grey; we take it as damaged.
void Quiet(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
    reinterpret_cast<ErrorManager*>(cinfo->err)->cutShort = true;
}

}  // namespace

struct MjpegEncoder::State {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  // Kept here, not on the stack, so that nothing a longjmp skips over lives in registers.
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  State() {
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = Quiet;
    jpeg_create_compress(&cinfo);
  }
  ~State() { jpeg_destroy_compress(&cinfo); }
};

MjpegEncoder::MjpegEncoder(int quality) : state_(std::make_unique<State>()), quality_(quality) {}
MjpegEncoder::~MjpegEncoder() = default;

void MjpegEncoder::SetQuality(int q) {
  quality_ = q < 1 ? 1 : q > 100 ? 100 : q;
}

bool MjpegEncoder::Encode(const Rgb32Image& image, std::vector<uint8_t>& out) {
  State& st = *state_;
  jpeg_compress_struct& c = st.cinfo;
  st.buffer = nullptr;
  st.size = 0;
  if (setjmp(st.err.jump)) {
    jpeg_abort_compress(&c);
    std::free(st.buffer);
    st.buffer = nullptr;
    return false;
  }
  jpeg_mem_dest(&c, &st.buffer, &st.size);
  c.image_width = JDIMENSION(image.width);
  c.image_height = JDIMENSION(image.height);
  c.input_components = 4;
  c.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality_, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.Row(int(c.next_scanline)));
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  out.assign(st.buffer, st.buffer + st.size);
  std::free(st.buffer);
  st.buffer = nullptr;
  return true;
}

namespace {

// The decoding proper; a libjpeg error jumps back here and returns false. Everything it changes
// lives outside this function's frame.
bool Decompress(jpeg_decompress_struct& c, ErrorManager& err, const uint8_t* data, size_t size,
                int width, int height, Rgb32Image* img) {
  if (setjmp(err.jump)) return false;
  jpeg_mem_src(&c, data, static_cast<unsigned long>(size));
  jpeg_read_header(&c, TRUE);
  if (c.image_width > 16384 || c.image_height > 16384) return false;
  if (width > 0 && (c.image_width != JDIMENSION(width) || c.image_height != JDIMENSION(height)))
    return false;
  c.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&c);
  img->width = int(c.output_width);
  img->height = int(c.output_height);
  img->pixels.resize(size_t(img->width) * size_t(img->height) * 4);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = img->Row(int(c.output_scanline));
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  return !err.cutShort;
}

}  // namespace

std::optional<Rgb32Image> DecodeJpeg(const uint8_t* data, size_t size, int width, int height) {
  if (!data || size < 4) return std::nullopt;
  jpeg_decompress_struct c{};
  ErrorManager err{};
  c.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = Quiet;
  jpeg_create_decompress(&c);
  Rgb32Image img;
  const bool ok = Decompress(c, err, data, size, width, height, &img);
  jpeg_destroy_decompress(&c);
  if (!ok) return std::nullopt;
  return img;
}

}  // namespace capture
