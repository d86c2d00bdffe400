// The shipped chart bitmap data/wad.bmp: its format as our readers and ImageMagick see it, and
// places of the world at the cells they fall in. A cell is 510 x 341 globe units (5,400,000 a
// degree) from 5.15 E, 53.36 N; the cells below were worked out by hand and agree with GDAL's
// gdallocationinfo on the mask the chart was made from; water and land agree with gmt select.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "map/earthsysutils.h"
#include "platform/gdi/image.h"
#include "tests/platform/capture/shell.h"

namespace {

const std::string kChart = CORV_SOURCE_DIR "/data/wad.bmp";

bool Bluish(uint32_t rgb) {
  return (rgb & 0xFF) > ((rgb >> 16) & 0xFF);
}
bool Sandy(uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) > (rgb & 0xFF) + 0x40 && ((rgb >> 8) & 0xFF) > 0x80;
}

// Read once for all the tests.
class ChartBitmap : public testing::Test {
 protected:
  static const gdi::DibImage& Chart() {
    static const gdi::DibImage chart = gdi::LoadBmpFile(kChart);
    return chart;
  }
  static uint32_t At(int x, int y) { return Chart().PixelRgb(x, y); }
  const gdi::DibImage* image = &Chart();
};

TEST_F(ChartBitmap, UncompressedEightBitsOnTheChartGrid) {
  ASSERT_EQ(image->bitCount, 8);
  EXPECT_EQ(image->width, 2222);
  EXPECT_EQ(image->height, 3164);
  EXPECT_EQ(image->palette.size(), 256u);
  // 14 + 40 header bytes, 256 x 4 of palette, rows of 2224 bytes (2222 padded to 4).
  const auto bytes = gdi::ReadWholeFile(kChart);
  EXPECT_EQ(bytes.size(), 14u + 40 + 1024 + 2224u * 3164);
  EXPECT_EQ(bytes[30], 0) << "compression";

  // The reader the map draws it with takes it too, bottom row first.
  TTextureData texture;
  texture.LoadFromFile(kChart);
  ASSERT_TRUE(texture.IsValid());
  EXPECT_EQ(texture.GetPixelWidth(), 2222);
  EXPECT_EQ(texture.GetTextureHeight(), 3164);
  const int32_t top = texture.PixelIndex(211, 3163 - 79), bottom = texture.PixelIndex(211, 0);
  EXPECT_NE(top, bottom);
  EXPECT_EQ(image->palette[size_t(top)].rgbRed, (At(211, 79) >> 16) & 0xFF);

  if (Shell("command -v identify 2>/dev/null").empty()) GTEST_SKIP() << "no ImageMagick";
  EXPECT_EQ(Shell("identify -format '%m %w %h %z %[type] %k' " + kChart + " 2>&1"),
            "BMP3 2222 3164 8 Palette 4");
  // ImageMagick finds the same colours at a water and a land cell.
  char want[64];
  std::snprintf(want, sizeof want, "srgb(%u,%u,%u)", (At(211, 79) >> 16) & 0xFF,
                (At(211, 79) >> 8) & 0xFF, At(211, 79) & 0xFF);
  EXPECT_EQ(Shell("identify -format '%[pixel:p{211,79}]' " + kChart), want);
  std::snprintf(want, sizeof want, "srgb(%u,%u,%u)", (At(1270, 2058) >> 16) & 0xFF,
                (At(1270, 2058) >> 8) & 0xFF, At(1270, 2058) & 0xFF);
  EXPECT_EQ(Shell("identify -format '%[pixel:p{1270,2058}]' " + kChart), want);
}

TEST_F(ChartBitmap, WaterLandAndShoreWhereTheyAre) {
  // 53 13.8 N 5 16.2 E, in the Blauwe Slenk: (5.27 - 5.15) x 5,400,000 / 510 = 1270.6,
  // (53.36 - 53.23) x 5,400,000 / 341 = 2058.7.
  EXPECT_TRUE(Bluish(At(1270, 2058)));
  // 53 19.2 N 5 10.2 E, the Vliestroom between Vlieland and Terschelling: 211.8, 633.4.
  EXPECT_TRUE(Bluish(At(211, 633)));
  // 53 21.3 N 5 10.2 E, the Noordsvaarder at Terschelling's west end: 211.8, 79.2.
  EXPECT_TRUE(Sandy(At(211, 79)));
  // The south-west corner, open water: 2221, 3163.
  EXPECT_TRUE(Bluish(At(2221, 3163)));
  // A vertex of the shoreline, 5.17326619 E 53.34203098 N: 246.4, 284.6; neither water nor land.
  const uint32_t shore = At(246, 284);
  EXPECT_NE(shore, At(211, 633));
  EXPECT_NE(shore, At(211, 79));
}

// The cells of lines three cells wide centred on the given ones, within size.
std::vector<int> Wide(const std::vector<int>& centres, int size) {
  std::vector<int> cells;
  for (int c : centres)
    for (int d = c - 1; d <= c + 1; ++d)
      if (d >= 0 && d < size) cells.push_back(d);
  return cells;
}

TEST_F(ChartBitmap, GraticuleAtEveryWholeMinute) {
  // Meridians 5 09' to 5 21': (m x 90,000 - 27,810,000) / 510, rounded down.
  const std::vector<int> meridians = {0,    176,  352,  529,  705,  882, 1058,
                                      1235, 1411, 1588, 1764, 1941, 2117};
  // Parallels 53 21' to 53 10': (288,144,000 - m x 90,000) / 341, rounded down.
  const std::vector<int> parallels = {158,  422,  686,  950,  1214, 1478,
                                      1741, 2005, 2269, 2533, 2797, 3061};
  const uint32_t water = At(1270, 2058);
  // Row 2100 (53 13.6 N) and column 1300 below Terschelling (5 16.4 E) cross only water.
  std::vector<int> across, down;
  for (int x = 0; x < image->width; ++x)
    if (At(x, 2100) != water) across.push_back(x);
  for (int y = 0; y < image->height; ++y)
    if (At(1300, y) != water) down.push_back(y);
  EXPECT_EQ(across, Wide(meridians, 2222));
  EXPECT_EQ(down, Wide(parallels, 3164));
  EXPECT_EQ(At(176, 2100), At(1300, 158)) << "one colour for both directions";
  EXPECT_EQ(At(176, 79), At(176, 2100)) << "over land too";
}

}  // namespace
