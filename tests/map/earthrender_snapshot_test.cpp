// Pictures of the map's drawing, written as PNG files under the test's temporary directory for
// a person to look at: the textured globe, test polygons on the three projections, and every
// brush style and pen.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "map/earthresource.h"
#include "tests/map/mapfixture.h"
#include "tests/map/snapshot.h"

namespace {

// A 720 x 360 test texture of 256 colours: 16 hues by longitude, 15 shades by latitude, black
// lines every 30 degrees, and a white square where the equator meets the prime meridian.
std::vector<uint8_t> TestTexture() {
  const int w = 720, h = 360;
  std::vector<uint32_t> palette(256);
  for (int hue = 0; hue < 16; ++hue) {
    for (int shade = 0; shade < 15; ++shade) {
      // Hue round the colour wheel, lighter towards the north.
      const double a = hue / 16.0 * 6;
      const int sector = static_cast<int>(a);
      const double f = a - sector;
      double r = 0, g = 0, b = 0;
      switch (sector) {
        case 0:
          r = 1, g = f;
          break;
        case 1:
          r = 1 - f, g = 1;
          break;
        case 2:
          g = 1, b = f;
          break;
        case 3:
          g = 1 - f, b = 1;
          break;
        case 4:
          r = f, b = 1;
          break;
        default:
          r = 1, b = 1 - f;
          break;
      }
      const double light = 0.35 + 0.65 * shade / 14.0;
      const auto c = [&](double v) { return static_cast<uint32_t>(v * light * 255 + 0.5); };
      palette[static_cast<size_t>(1 + hue * 15 + shade)] = (c(r) << 16) | (c(g) << 8) | c(b);
    }
  }
  palette[0] = 0x000000;
  palette[255] = 0xFFFFFF;
  std::vector<uint8_t> texels(static_cast<size_t>(w * h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int lon = x / 2 - 180, lat = 90 - y / 2;
      uint8_t index = static_cast<uint8_t>(1 + (x * 16 / w) * 15 + (h - 1 - y) * 15 / h);
      if (x % 60 == 0 || y % 60 == 0) index = 0;
      if (std::abs(lon) < 5 && std::abs(lat) < 5) index = 255;
      texels[static_cast<size_t>(y * w + x)] = index;
    }
  }
  return maptest::TextureBmp(w, h, texels, palette);
}

class Snapshot : public maptest::MapTest {
 protected:
  std::string Save(const std::string& name) { return maptest::SaveSnapshot(canvas, name); }
  void Polygon(std::vector<std::vector<std::pair<double, double>>> rings, gdi::TColor c,
               bool closed = true) {
    pen.Define(0, psSolid, 1, TEarthUnitTypes::Pixel);
    brush.Define(c, bsSolid);
    if (!closed) pen.Define(c, psSolid, 3, TEarthUnitTypes::Pixel);
    pen.RenderAttribute(canvas, false);
    brush.RenderAttribute(canvas, false);
    RenderRings(rings, closed);
  }
  static std::vector<std::pair<double, double>> Parallel(double lat, bool east) {
    std::vector<std::pair<double, double>> ring;
    for (int lon = -175; lon <= 175; lon += 10) ring.emplace_back(east ? lon : -lon, lat);
    return ring;
  }
  // Rings cut at exactly 180 E and 180 W, rings across the back meridian, round both poles,
  // one with a hole, and a line across the back meridian.
  void TestPolygons() {
    Polygon({{{160, 55}, {180, 55}, {180, 72}, {160, 72}}}, 0x0000C0);      // cut at 180 E
    Polygon({{{-180, 55}, {-165, 55}, {-165, 70}, {-180, 70}}}, 0x0000C0);  // cut at 180 W
    Polygon({{{150, -25}, {-150, -25}, {-150, 5}, {150, 5}}}, 0x00A000);    // across
    Polygon({Parallel(78, true)}, 0xC08000);                                // round the north
    Polygon({Parallel(-68, false)}, 0xC0C0C0);                              // round the south
    Polygon({{{0, -35}, {50, -35}, {50, 30}, {0, 30}}, {{15, -15}, {35, -15}, {35, 10}, {15, 10}}},
            0x00C0C0);                                    // a hole
    Polygon({{{140, 30}, {-160, 45}}}, 0xFF00FF, false);  // a line across
  }
};

TEST_F(Snapshot, TexturedGlobe) {
  View(1280, 800, "TSphericalPrj", 1);
  p->SetScaleFactor(0);
  p->SetFloatProp(ppXRotation, 23.5);
  p->SetFloatProp(ppYRotation, 20);
  maptest::LoadTexture(map->SurfaceTexture(), TestTexture());
  ASSERT_TRUE(map->SurfaceTexture().IsValid());
  map->PaintBackground(0x402000);
  map->PaintGraticuleLines();
  // Lit where the texture is: the middle of the globe is not the background.
  EXPECT_NE(Pixel(640, 400), 0x002040u);
  EXPECT_EQ(Pixel(5, 5), 0x002040u);
  Save("map_globe_textured.png");
  // The other side, where the texture's edges meet on the 180th meridian, seen from the south.
  p->SetFloatProp(ppXRotation, -50);
  p->SetFloatProp(ppYRotation, 180);
  map->PaintBackground(0x402000);
  map->PaintGraticuleLines();
  Save("map_globe_textured_seam.png");
}

TEST_F(Snapshot, TestPolygonsOnEveryProjection) {
  for (const char* model : {"TCartesianPrj", "TMercatorPrj", "TSphericalPrj"}) {
    const std::string name = model;
    View(720, name == "TCartesianPrj" ? 360 : 720, model, 720.0 / GU_360DEGREE);
    if (name == "TSphericalPrj") {
      p->SetScaleFactor(0);
      p->SetFloatProp(ppXRotation, 35);
      p->SetFloatProp(ppYRotation, 170);
    }
    Clear(0x404040);
    map->PaintBackground(0x404040);
    map->PaintGraticuleLines();
    TestPolygons();
    Save("map_polygons_" + name.substr(1) + ".png");
  }
}

TEST_F(Snapshot, BrushesAndPens) {
  View(640, 480, "TCartesianPrj", 1e-6);
  Clear(0xFFFFFF);
  // 60 brush styles in 6 rows of 10, blue ink on white.
  for (int style = 0; style < EarthBrushStyleCount; ++style) {
    const int x = 10 + (style % 10) * 62, y = 10 + (style / 10) * 52;
    TEarthBrush b;
    b.Define(0xA00000, static_cast<TEarthBrushStyle>(style));
    b.SetBrushBkColor(0xFFFFFF);
    pen.Define(0, psSolid, 1, TEarthUnitTypes::Pixel);
    pen.RenderAttribute(canvas, false);
    b.RenderAttribute(canvas, false);
    gdi::Rectangle(canvas->Handle(), x, y, x + 54, y + 44);
    gdi::SetBkMode(canvas->Handle(), gdi::TRANSPARENT);
    gdi::SetTextColor(canvas->Handle(), 0x0000C0);
    const std::string label = std::to_string(style);
    gdi::TextOut(canvas->Handle(), x + 2, y + 2, label);
  }
  // The seven pen styles at widths 1 and 4, and a 100 m pen at this scale.
  for (int style = 0; style < EarthPenStyleCount; ++style) {
    for (int w : {1, 4}) {
      const int y = 330 + style * 20, x = w == 1 ? 10 : 330;
      pen.Define(0x006000, static_cast<TEarthPenStyle>(style), w, TEarthUnitTypes::Pixel);
      pen.RenderAttribute(canvas, false);
      gdi::MoveToEx(canvas->Handle(), x, y, nullptr);
      gdi::LineTo(canvas->Handle(), x + 300, y);
    }
  }
  // Pattern 8's first row starts with its one ink dot.
  EXPECT_EQ(Pixel(10 + 8 * 62 + 1, 11), 0xFFFFFFu);
  Save("map_brushes_pens.png");
}

}  // namespace
