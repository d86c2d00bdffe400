// The map symbols of data/plevoran.ttf (tools/makefont) drawn by our text layer at the rotations
// the map gives them: the boat turns to its heading, the wind arrow blows downwind, the current
// arrow runs along its set. And the value labels' seven-segment face registers and draws.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "platform/gdi/gdi.h"
#include "tests/platform/gdi/canvas.h"

namespace {

using gdi::testing::Canvas;
using gdi::testing::kWhite;

const std::string kPlevoran = CORV_SOURCE_DIR "/data/plevoran.ttf";
const std::string kDseg = "/usr/share/fonts/truetype/dseg/DSEG7Classic-Regular.ttf";

struct Ink {
  double cx = 0, cy = 0;  // centroid
  double bx = 0, by = 0;  // bounding box centre
  double tx = 0, ty = 0;  // the ink farthest from the centroid
  int count = 0;
  gdi::RECT box{};
};

Ink Measure(const Canvas& c) {
  Ink ink;
  ink.box = c.Extent(kWhite);
  for (int y = ink.box.top; y < ink.box.bottom; ++y)
    for (int x = ink.box.left; x < ink.box.right; ++x)
      if (c.At(x, y) != kWhite) {
        ink.cx += x;
        ink.cy += y;
        ++ink.count;
      }
  if (ink.count > 0) {
    ink.cx /= ink.count;
    ink.cy /= ink.count;
  }
  double far = -1;
  for (int y = ink.box.top; y < ink.box.bottom; ++y)
    for (int x = ink.box.left; x < ink.box.right; ++x)
      if (c.At(x, y) != kWhite && std::hypot(x - ink.cx, y - ink.cy) > far) {
        far = std::hypot(x - ink.cx, y - ink.cy);
        ink.tx = x;
        ink.ty = y;
      }
  ink.bx = (ink.box.left + ink.box.right - 1) / 2.0;
  ink.by = (ink.box.top + ink.box.bottom - 1) / 2.0;
  return ink;
}

// Draws one character of the symbol font turned by `tenths` of a degree counter-clockwise.
Ink Draw(char code, int tenths, int em = 200) {
  Canvas c(700, 700);
  gdi::HFONT f = gdi::CreateFont(-em, 0, tenths, tenths, gdi::FW_NORMAL, 0, 0, 0,
                                 gdi::DEFAULT_CHARSET, 0, 0, 0, 0, "Plevoran");
  gdi::SelectObject(c.dc(), f);
  gdi::SetBkMode(c.dc(), gdi::TRANSPARENT);
  gdi::TextOut(c.dc(), 350, 350, std::string(1, code));
  Ink ink = Measure(c);
  gdi::SelectObject(c.dc(), gdi::GetStockObject(gdi::SYSTEM_FONT));
  gdi::DeleteObject(f);
  return ink;
}

// The compass direction (0 north, 90 east; screen y grows southwards) in which the heavy end of
// the ink lies: the arrows' heads, the boat's wide stern.
double HeavyEnd(const Ink& ink) {
  double deg = std::atan2(ink.cx - ink.bx, ink.by - ink.cy) * 180 / M_PI;
  return deg < 0 ? deg + 360 : deg;
}

// The compass direction of the ink's farthest point from its centroid: the boat's bow.
double FarEnd(const Ink& ink) {
  double deg = std::atan2(ink.tx - ink.cx, ink.cy - ink.ty) * 180 / M_PI;
  return deg < 0 ? deg + 360 : deg;
}

double AngleGap(double a, double b) {
  return std::fabs(std::remainder(a - b, 360.0));
}

class SymbolFont : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(gdi::AddFontResource(kPlevoran), 1); }
  static void TearDownTestSuite() { gdi::RemoveFontResource(kPlevoran); }
};

TEST_F(SymbolFont, RegistersUnderItsFamily) {
  EXPECT_TRUE(gdi::FontFamilyExists("Plevoran"));
  for (char code : {'G', 'D', 'I', 'H'}) EXPECT_GT(Draw(code, 0).count, 500) << code;
}

TEST_F(SymbolFont, BoatTurnsToItsHeading) {
  for (int heading : {0, 90, 200, 315}) {
    const Ink ink = Draw('G', (360 - heading) * 10);
    // The pointed bow reaches farthest from the middle.
    EXPECT_LT(AngleGap(FarEnd(ink), heading), 10) << heading;
  }
}

TEST_F(SymbolFont, WindArrowPointsDownwind) {
  for (int twd : {0, 90, 225}) {
    const Ink ink = Draw('I', (270 - twd) * 10);
    // Wind from the north blows south.
    EXPECT_LT(AngleGap(HeavyEnd(ink), twd + 180), 10) << twd;
  }
}

TEST_F(SymbolFont, CurrentArrowRunsAlongItsSet) {
  for (int set : {90, 0, 300}) {
    const Ink ink = Draw('H', (270 - set) * 10);
    EXPECT_LT(AngleGap(HeavyEnd(ink), set), 10) << set;
  }
}

TEST_F(SymbolFont, GlyphsSitInTheMiddleOfTheirCell) {
  // Unturned, the cell's top-left is the reference point (350, 350); the cell is one em wide
  // and ascent + descent high, here 200 by 200 pixels.
  for (char code : {'G', 'D', 'I', 'H'}) {
    const Ink ink = Draw(code, 0);
    EXPECT_NEAR(ink.bx, 350 + 100, 6) << code;
    EXPECT_NEAR(ink.by, 350 + 100, 6) << code;
  }
}

TEST(ValueFont, SevenSegmentFaceRegistersAndDraws) {
  ASSERT_TRUE(std::filesystem::exists(kDseg)) << "fonts-dseg (packages.txt) is missing";
  ASSERT_EQ(gdi::AddFontResource(kDseg), 1);
  Canvas c(300, 80);
  gdi::HFONT f = gdi::CreateFont(-40, 0, 0, 0, gdi::FW_NORMAL, 0, 0, 0, gdi::DEFAULT_CHARSET, 0, 0,
                                 0, 0, "DSEG7 Classic");
  gdi::SelectObject(c.dc(), f);
  EXPECT_EQ(gdi::GetTextFace(c.dc()), "DSEG7 Classic");
  gdi::TextOut(c.dc(), 4, 4, "12.5");
  EXPECT_GT(c.CountNot(kWhite), 200);
  gdi::SelectObject(c.dc(), gdi::GetStockObject(gdi::SYSTEM_FONT));
  gdi::DeleteObject(f);
  gdi::RemoveFontResource(kDseg);
}

}  // namespace
