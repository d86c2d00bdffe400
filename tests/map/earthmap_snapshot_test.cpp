// Pictures of the map control with Natural Earth's land, written for a person to look at, each
// with a few pixels checked: the globe, the flat and Mercator maps, a zoom box and the view
// after it, the transparent globe, day and night.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/gdi/image.h"
#include "platform/rtl/datetime.h"
#include "platform/win/input.h"
#include "platform/win/paint.h"
#include "tests/map/earthmapfixture.h"
#include "tests/map/landlayer.h"
#include "tests/map/snapshot.h"

namespace maptest {
namespace {

constexpr uint32_t kLand = 0x40A040;   // the presenter's fill, as 0xRRGGBB
constexpr uint32_t kOcean = 0x00FFFF;  // the surface: aqua

class EarthMapLand : public EarthMapTest {
 protected:
  void SetUp() override {
    EarthMapTest::SetUp();
    LandCounts counts;
    land = LoadLand(map, &counts);
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(counts.polygons, 1419);
    EXPECT_EQ(counts.rings, 1421);
    EXPECT_EQ(counts.points, 60629);
    map->Projection()->SetScaleFactor(0);
    PaintNow();
  }
  // 0xRRGGBB of the back buffer at the position (degrees); 0xFF000000 when it is not shown.
  uint32_t At(double lon, double lat) {
    TEarthDevicePoint pt;
    if (!map->Projection()->LLToDeviceXY(int32_t(lon * GU_DEGREE), int32_t(lat * GU_DEGREE), pt))
      return 0xFF000000u;
    return BufferPixel(pt.X, pt.Y);
  }
  uint32_t BufferPixel(int x, int y) {
    TEarthCanvas* c = map->EarthCanvas();
    const uint8_t* px = c->Bits() + (c->Height() - 1 - y) * c->Stride() + x * 3;
    return (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
  }
  TEarthLayer* land = nullptr;
};

TEST_F(EarthMapLand, TheGlobeAtTheDefaultViewWithTheGraticule) {
  SaveSnapshot(map->EarthCanvas(), "land_globe.png");
  EXPECT_EQ(At(20, 5), kLand) << "central Africa";
  EXPECT_EQ(At(-37, 7), kOcean) << "the Atlantic";
  EXPECT_EQ(BufferPixel(2, 2), 0u) << "black around the globe";
}

TEST_F(EarthMapLand, TheFlatAndMercatorMaps) {
  map->Projection()->SetProjectionClass("TCartesianPrj");
  map->Projection()->SetScaleFactor(0);
  PaintNow();
  SaveSnapshot(map->EarthCanvas(), "land_flat.png");
  EXPECT_EQ(At(-100, 40), kLand) << "North America";
  EXPECT_EQ(At(-143, 7), kOcean) << "the Pacific";
  map->Projection()->SetProjectionClass("TMercatorPrj");
  map->Projection()->SetScaleFactor(0);
  PaintNow();
  SaveSnapshot(map->EarthCanvas(), "land_mercator.png");
  EXPECT_EQ(At(135, -25), kLand) << "Australia";
  EXPECT_EQ(At(80, -20), kOcean) << "the Indian Ocean";
}

TEST_F(EarthMapLand, FlatMapsFollowingTheBoatKeepTheirSea) {
  // Centred on a longitude the flat models turn their central meridian to it.
  for (const char* model : {"TCartesianPrj", "TMercatorPrj"}) {
    map->Projection()->SetProjectionClass(model);
    map->Projection()->SetScaleFactor(0);
    map->Projection()->SetScaleFactor(map->Projection()->ScaleFactor() * 8);
    map->LocateToLL(-5 * GU_DEGREE, 50 * GU_DEGREE);
    ASSERT_NE(map->Projection()->CentralMeridian, 0) << model;
    map->RedrawLayers();
    PaintNow();
    SaveSnapshot(map->EarthCanvas(), std::string("land_channel_") + model + ".png");
    EXPECT_EQ(At(-20, 47), kOcean) << model << ": the open sea west of Biscay";
    EXPECT_EQ(At(-5, 50), kOcean) << model << ": the Channel's mouth, in the middle";
    EXPECT_EQ(At(2, 47), kLand) << model << ": France";
  }
}

TEST_F(EarthMapLand, AZoomBoxBeingDraggedAndTheViewAfterIt) {
  // Round the English Channel.
  TEarthDevicePoint a, b;
  ASSERT_TRUE(map->Projection()->LLToDeviceXY(-12 * GU_DEGREE, 56 * GU_DEGREE, a));
  ASSERT_TRUE(map->Projection()->LLToDeviceXY(6 * GU_DEGREE, 44 * GU_DEGREE, b));
  const gdi::POINT sa = map->ClientToScreen(gdi::POINT{a.X, a.Y});
  const gdi::POINT sb = map->ClientToScreen(gdi::POINT{b.X, b.Y});
  Feed(win::MouseMove(sa.x, sa.y));
  Feed(win::MouseDown(sa.x, sa.y, 1));
  Feed(win::MouseMove(sb.x, sb.y));
  gdi::SavePngFile(SnapshotDirectory() + "land_zoombox.png", win::ComposeScreen());
  EXPECT_TRUE(map->ZoomBoxOpen());
  const Extended before = map->Projection()->ScaleFactor();
  Feed(win::MouseUp(sb.x, sb.y, 1));
  PaintNow();
  SaveSnapshot(map->EarthCanvas(), "land_zoomed.png");
  EXPECT_GT(map->Projection()->ScaleFactor(), before * 5);
  EXPECT_EQ(At(2, 47), kLand) << "France";
  EXPECT_EQ(At(-3, 50), kOcean) << "the Channel";
}

TEST_F(EarthMapLand, TheTransparentGlobe) {
  map->SetEarthOptions({goDoubleBuffered, goCache3DPoints, goTransparentGlobe});
  PaintNow();
  SaveSnapshot(map->EarthCanvas(), "land_transparent.png");
  EXPECT_EQ(At(20, 5), kLand);
  EXPECT_NE(At(-37, 7), kOcean) << "no surface";
  EXPECT_EQ(BufferPixel(2, 2), 0u);
}

TEST_F(EarthMapLand, DayAndNight) {
  // 21 June, noon at Greenwich: the sun over 0 E, 23.4 N. The view looks at 60 W.
  const double june = rtl::EncodeDate(2026, 6, 21) + 0.5;
  map->SetGraticuleDrawMode(gdNone);
  map->LocateToLL(-60 * GU_DEGREE, 0);
  PaintNow();
  const uint32_t day = At(10, 20);
  map->RenderDIBShadow(june, gdi::TColor(0x800000), gdi::TColor(0x200000), 1);
  SaveSnapshot(map->EarthCanvas(), "land_day_night.png");
  EXPECT_EQ(At(10, 20), day) << "the Sahara at noon: untouched";
  // 95 W 5 N: the sun 2.6 degrees below the horizon, twilight: each channel of the aqua a
  // quarter of the way towards the twilight colour (blue 0x80): green 255 - 63, blue 255 - 31.
  EXPECT_EQ(At(-95, 5), 0x00C0E0u);
  // 130 W on the equator: 130 degrees from the sun, night: half way towards blue 0x20.
  EXPECT_EQ(At(-130, 0), 0x008090u);
  // 0 E 72 S: 95.4 degrees from the sun, twilight: the land a quarter of the way to 0, 0, 0x80.
  EXPECT_EQ(At(0, -72), 0x307850u);

  // 21 December: the Arctic in the polar night, the South Atlantic in the sun.
  map->RedrawLayers();
  PaintNow();
  map->RenderShadow(rtl::EncodeDate(2026, 12, 21) + 0.5, gdi::TColor(0x800000),
                    gdi::TColor(0x200000), 2);
  SaveSnapshot(map->EarthCanvas(), "land_day_night_december.png");
  EXPECT_NE(At(-20, 85), kOcean);
  EXPECT_NE(At(-20, 85), kLand);
  EXPECT_EQ(At(-30, -30), kOcean);
}

}  // namespace
}  // namespace maptest
