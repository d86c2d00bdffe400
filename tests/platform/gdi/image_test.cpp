#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "canvas.h"
#include "platform/rtl/exceptions.h"
#include "tests/fulldisk.h"
#include "tests/tempdir.h"

namespace gdi {
namespace {

using testing::Canvas;

// A file in this run's own temporary directory.
std::string tempPath(const std::string& name) {
  static const TempDir dir("gdi_image_test");
  return dir / name;
}

// Output of a shell command, or "" when it cannot run.
std::string run(const std::string& cmd) {
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
  if (!p) return {};
  std::string out;
  char buf[256];
  while (fgets(buf, sizeof buf, p.get())) out += buf;
  return out;
}

bool haveTool(const char* tool) {
  return !run(std::string("command -v ") + tool + " 2>/dev/null").empty();
}

DibImage pattern(int w, int h, int bits) {
  Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(c.dc(), x, y, (x + y) % 3 ? RGB(255, 255, 255) : 0);
  SetPixel(c.dc(), 0, 0, RGB(255, 0, 0));
  if (bits == 24) return DibImage::FromSurface(*GetBitmapSurface(c.bitmap()), 24);
  // Palette pictures: index 0 black, 1 white, 2 red.
  DibImage d;
  d.width = w;
  d.height = h;
  d.bitCount = bits;
  d.palette.assign(size_t(1) << bits, RGBQUAD{});
  d.palette[1] = RGBQUAD{255, 255, 255, 0};
  if (bits > 1) d.palette[2] = RGBQUAD{0, 0, 255, 0};
  d.bits.assign(size_t(d.Stride()) * size_t(h), 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = d.bits.data() + size_t(h - 1 - y) * size_t(d.Stride());
    for (int x = 0; x < w; ++x) {
      unsigned v = (x + y) % 3 ? 1 : 0;
      if (x == 0 && y == 0 && bits > 1) v = 2;
      if (bits == 1) row[x >> 3] |= uint8_t(v << (7 - (x & 7)));
      if (bits == 4) row[x >> 1] |= uint8_t((x & 1) ? v : v << 4);
      if (bits == 8) row[x] = uint8_t(v);
    }
  }
  return d;
}

TEST(Bmp, WrittenAndReadBackAtEveryDepth) {
  for (int bits : {1, 4, 8, 24}) {
    const DibImage d = pattern(13, 7, bits);
    const std::string path = tempPath("depth" + std::to_string(bits) + ".bmp");
    SaveBmpFile(path, d);
    const DibImage back = LoadBmpFile(path);
    EXPECT_EQ(back.bitCount, bits);
    ASSERT_EQ(back.width, 13);
    ASSERT_EQ(back.height, 7);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) ASSERT_EQ(back.PixelRgb(x, y), d.PixelRgb(x, y)) << bits;
    if (haveTool("identify")) {
      const std::string id = run("identify -format '%w %h' " + path + " 2>&1");
      EXPECT_EQ(id, "13 7") << bits;
    }
  }
}

// A picture saved onto a disk that fills: the old picture stays as it was.
TEST(Bmp, ASaveOntoAFullDiskLeavesTheOldFileWhole) {
  const TempDir dir("gdi_image_test");
  FullDisk disk(dir / "disk");
  const std::string path = disk / "wad.bmp";
  SaveBmpFile(path, pattern(13, 7, 8));
  const std::vector<uint8_t> old = ReadWholeFile(path);
  disk.WhileFull([&] { EXPECT_THROW(SaveBmpFile(path, pattern(64, 64, 24)), rtl::Exception); });
  EXPECT_EQ(ReadWholeFile(path), old);
}

TEST(Bmp, EightBitsWithZeroImageSizeAndShortPalette) {
  // 3 x 2, 8 bits, biSizeImage 0, biClrUsed 0 (meaning 256) but only 3 entries before the
  // pixels.
  std::vector<uint8_t> f = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 14 + 40 + 12, 0, 0, 0};
  const uint8_t info[40] = {40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0};
  f.insert(f.end(), info, info + 40);
  const uint8_t pal[12] = {0, 0, 0, 0, 255, 255, 255, 0, 0, 255, 0, 0};  // black, white, green
  f.insert(f.end(), pal, pal + 12);
  const uint8_t px[8] = {2, 1, 0, 0, 0, 1, 2, 0};  // bottom row, then top row (padded to 4)
  f.insert(f.end(), px, px + 8);
  const DibImage d = ReadBmp(f.data(), f.size());
  EXPECT_EQ(d.PixelRgb(0, 0), 0x000000u);
  EXPECT_EQ(d.PixelRgb(2, 0), 0x00FF00u);
  EXPECT_EQ(d.PixelRgb(0, 1), 0x00FF00u);
  EXPECT_EQ(d.PixelRgb(1, 1), 0xFFFFFFu);
  // An index past the short palette reads as black instead of reading past it.
  f[f.size() - 8] = 200;
  EXPECT_EQ(ReadBmp(f.data(), f.size()).PixelRgb(0, 1), 0u);
}

TEST(Bmp, ReadsFilesOfAnotherWriter) {
  if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick not installed";
  const std::string path = tempPath("im.bmp");
  run("convert -size 6x4 xc:'#102030' -fill '#FF0000' -draw 'point 5,3' -type truecolor BMP3:" +
      path);
  const DibImage d = LoadBmpFile(path);
  EXPECT_EQ(d.width, 6);
  EXPECT_EQ(d.PixelRgb(0, 0), 0x102030u);
  EXPECT_EQ(d.PixelRgb(5, 3), 0xFF0000u);
  const std::string pal = tempPath("im8.bmp");
  run("convert -size 5x3 xc:red -fill blue -draw 'point 1,1' -type palette BMP3:" + pal);
  const DibImage p = LoadBmpFile(pal);
  EXPECT_EQ(p.PixelRgb(0, 0), 0xFF0000u);
  EXPECT_EQ(p.PixelRgb(1, 1), 0x0000FFu);
}

TEST(Bmp, MalformedFilesAreRefused) {
  const DibImage d = pattern(10, 10, 24);
  std::vector<uint8_t> ok = WriteBmp(d);
  auto refuse = [](std::vector<uint8_t> bytes) {
    EXPECT_THROW(ReadBmp(bytes.data(), bytes.size()), EInvalidGraphic);
  };
  refuse({});
  refuse({'B', 'M'});
  auto truncated = ok;
  truncated.resize(ok.size() - 40);
  refuse(truncated);
  auto huge = ok;
  huge[18] = 0xFF;
  huge[19] = 0xFF;
  huge[20] = 0xFF;
  huge[21] = 0x7F;  // width 2^31 - 1
  refuse(huge);
  auto rle = ok;
  rle[30] = BI_RLE8;
  refuse(rle);
  auto depth = ok;
  depth[28] = 7;
  refuse(depth);
  // Missing padding of the very last row is tolerated.
  auto shortPad = ok;
  shortPad.resize(ok.size() - 2);
  EXPECT_NO_THROW(ReadBmp(shortPad.data(), shortPad.size()));
  EXPECT_THROW(LoadBmpFile(tempPath("does-not-exist.bmp")), rtl::EFOpenError);
}

TEST(Jpeg, WrittenAndReadBack) {
  Canvas c(32, 24);
  HBRUSH red = CreateSolidBrush(RGB(220, 30, 30));
  const RECT left{0, 0, 16, 24};
  FillRect(c.dc(), &left, red);
  DeleteObject(red);
  const auto bytes = WriteJpeg(*GetBitmapSurface(c.bitmap()), 95);
  ASSERT_GT(bytes.size(), 100u);
  const std::string path = tempPath("pic.jpg");
  WriteWholeFile(path, bytes);
  auto back = LoadImageFile(path);
  ASSERT_EQ(back->Width(), 32);
  ASSERT_EQ(back->Height(), 24);
  auto near = [](uint32_t a, uint32_t b) {
    for (int s : {0, 8, 16})
      if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > 12) return false;
    return true;
  };
  EXPECT_TRUE(near(back->Get(4, 12), 0xDC1E1E)) << std::hex << back->Get(4, 12);
  EXPECT_TRUE(near(back->Get(28, 12), 0xFFFFFF)) << std::hex << back->Get(28, 12);
  if (haveTool("identify")) {
    EXPECT_EQ(run("identify -format '%m %w %h' " + path + " 2>&1"), "JPEG 32 24");
  }
  const uint8_t junk[] = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3};
  EXPECT_THROW(ReadJpeg(junk, sizeof junk), EInvalidGraphic);
  // A caller's own pixel limit: 32 x 24 = 768 pixels pass a limit of 768 and fail one of 767.
  EXPECT_EQ(ReadJpeg(bytes.data(), bytes.size(), 768).width, 32);
  EXPECT_THROW(ReadJpeg(bytes.data(), bytes.size(), 767), EInvalidGraphic);
}

TEST(Png, WrittenFileIsAPng) {
  Canvas c(20, 10);
  SetPixel(c.dc(), 1, 1, RGB(1, 2, 3));
  const std::string path = tempPath("pic.png");
  SavePngFile(path, *GetBitmapSurface(c.bitmap()));
  const auto bytes = ReadWholeFile(path);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes[1], 'P');
  if (haveTool("identify")) {
    EXPECT_EQ(run("identify -format '%m %w %h' " + path + " 2>&1"), "PNG 20 10");
  }
}

}  // namespace
}  // namespace gdi
