// The capture path's cost per 640x480 frame: bare libjpeg on noisy frames (a camera's picture),
// our MJPEG encoder with the AVI write behind it, the whole frame path of a capture graph from
// a YUY2 camera image to the file, and the decoding of a JPEG camera's image for the preview.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "platform/capture/aviwriter.h"
#include "platform/capture/imaging.h"
#include "platform/capture/mjpeg.h"

namespace {

using namespace capture;

constexpr int kWidth = 640, kHeight = 480;

const std::vector<Rgb32Image>& Frames() {
  static const std::vector<Rgb32Image> frames = [] {
    std::vector<Rgb32Image> v;
    for (uint32_t i = 0; i < 8; ++i) {
      Rgb32Image img{kWidth, kHeight, std::vector<uint8_t>(size_t(kWidth) * kHeight * 4)};
      DrawFramePattern(img, i, true);
      v.push_back(std::move(img));
    }
    return v;
  }();
  return frames;
}

// A file in the temporary directory, removed at the end.
struct TempAvi {
  std::string path;
  TempAvi() {
    char tmpl[] = "/tmp/corv_bench_avi_XXXXXX";
    const int fd = ::mkstemp(tmpl);
    if (fd >= 0) ::close(fd);
    path = tmpl;
  }
  ~TempAvi() { std::remove(path.c_str()); }
};

// libjpeg as a program would call it, with nothing around it.
void BM_BareLibjpeg(benchmark::State& state) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  size_t i = 0, bytes = 0;
  for (auto _ : state) {
    const Rgb32Image& img = Frames()[i++ % Frames().size()];
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 75, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(img.Row(int(c.next_scanline)));
      jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    bytes += size;
    std::free(buf);
  }
  jpeg_destroy_compress(&c);
  state.SetItemsProcessed(int64_t(state.iterations()));
  state.counters["KB/frame"] = double(bytes) / double(state.iterations()) / 1024;
}
BENCHMARK(BM_BareLibjpeg)->Unit(benchmark::kMillisecond);

// An MJPEG AVI file being written: each frame encoded and appended.
struct MjpegFile {
  TempAvi file;
  AviWriter writer{file.path, AviVideoInfo{FourCC("MJPG"), FourCC("MJPG"), kWidth, kHeight, 24}};
  MjpegEncoder encoder{75};
  std::vector<uint8_t> jpeg;
  void Add(const Rgb32Image& img) {
    encoder.Encode(img, jpeg);
    writer.WriteVideo(jpeg.data(), jpeg.size());
  }
};

void BM_MjpegEncodeAndAviWrite(benchmark::State& state) {
  MjpegFile out;
  size_t i = 0;
  for (auto _ : state) out.Add(Frames()[i++ % Frames().size()]);
  out.writer.Close();
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_MjpegEncodeAndAviWrite)->Unit(benchmark::kMillisecond);

// What a capture graph does per camera frame: YUY2 to pixels, MJPEG, into the file.
void BM_GraphFramePath(benchmark::State& state) {
  std::vector<std::vector<uint8_t>> yuy2;
  for (const Rgb32Image& f : Frames()) yuy2.push_back(FromRgb32(f, MEDIASUBTYPE_YUY2));
  const VideoFormat format{MEDIATYPE_Video, MEDIASUBTYPE_YUY2, kWidth, kHeight, 16, 400000};
  MjpegFile out;
  size_t i = 0;
  for (auto _ : state) {
    const auto& data = yuy2[i++ % yuy2.size()];
    out.Add(*ToRgb32(data.data(), data.size(), format));
  }
  out.writer.Close();
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_GraphFramePath)->Unit(benchmark::kMillisecond);

// A JPEG camera's image decoded, as the graph does for every one it previews.
void BM_JpegCameraImage(benchmark::State& state) {
  std::vector<std::vector<uint8_t>> jpegs;
  MjpegEncoder encoder{85};
  for (const Rgb32Image& f : Frames()) {
    jpegs.emplace_back();
    encoder.Encode(f, jpegs.back());
  }
  const VideoFormat format{MEDIATYPE_Video, MEDIASUBTYPE_MJPG, kWidth, kHeight, 24, 400000};
  size_t i = 0;
  for (auto _ : state) {
    const auto& data = jpegs[i++ % jpegs.size()];
    benchmark::DoNotOptimize(ToRgb32(data.data(), data.size(), format));
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_JpegCameraImage)->Unit(benchmark::kMillisecond);

}  // namespace
