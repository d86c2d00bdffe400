// Pictures of the main window's map for a person to look at: an hour of sailing off Finland on
// the world layer with every overlay, and a boat on the chart bitmap in the Waddenzee.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/mainform.h"
#include "link/comsettings.h"
#include "map/earthlayer.h"
#include "platform/gdi/image.h"
#include "platform/gdi/text.h"
#include "platform/win/paint.h"
#include "tests/app/chartbmp.h"
#include "tests/app/programfixture.h"

namespace {

namespace fs = std::filesystem;

// An NMEA ddmm.mmmm value of decimal degrees.
float Nmea(double degrees) {
  const double d = std::trunc(degrees);
  return static_cast<float>(d * 100 + (degrees - d) * 60);
}

class MapSnapshot : public apptest::ProgramFixture {
 protected:
  // The faces the window registered at creation go with the test.
  void TearDown() override {
    Stop();
    gdi::RemoveFontResource("lcd2.ttf");
    gdi::RemoveFontResource("plevoran.ttf");
    ProgramFixture::TearDown();
  }
  void StartShown() {
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "plevoran.ttf", "plevoran.ttf");
    const std::string dseg = "/usr/share/fonts/truetype/dseg/DSEG7Classic-Regular.ttf";
    if (fs::exists(dseg)) fs::copy_file(dseg, "lcd2.ttf");
    WriteIni("[comms]\ncomport=Network\n[settings]\ntargetangle=42\n");
    Start();
    Advance(10700);
    ASSERT_TRUE(Form1->fOverlay.Built());
    for (vcl::TTimer* t : {Form1->Timer1, Form1->Timer2, Form1->Timer3, Form1->Timer4})
      t->SetEnabled(false);
  }
  // `seconds` of sailing from (lat, lon) degrees at sog knots on cog, through the refresh.
  void Sail(double lat, double lon, double cog, double sog, int seconds) {
    TForm1& f = *Form1;
    const double rad = 3.14159265358979323846 / 180;
    for (int s = 0; s < seconds; ++s) {
      const double nm = sog * s / 3600;
      // A little weave, as a boat steers.
      const double c = cog + 8 * std::sin(s / 300.0);
      const double la = lat + nm * std::cos(c * rad) / 60;
      const double lo = lon + nm * std::sin(c * rad) / 60 / std::cos(la * rad);
      f.fLatitude = Nmea(la);
      f.fLongitude = Nmea(lo);
      f.fPositionKnown = true;
      f.fCourseOverGround = f.fHeading = static_cast<float>(c);
      f.fSpeedOverGround = static_cast<float>(sog);
      f.fSampleTime = f.fNow() + s / 86'400.0;
      f.RefreshDisplay();
    }
  }
  std::string Save(const std::string& name) {
    Form1->Show();
    Form1->Repaint();
    app->ProcessMessages();
    const std::string path = std::string(CORV_SNAPSHOT_DIR) + "/" + name;
    gdi::SavePngFile(path, win::ComposeScreen());
    std::printf("snapshot: %s\n", path.c_str());
    return path;
  }
  // 0xRRGGBB the screen shows at a position of the map.
  uint32_t MapPixel(double lat, double lon) {
    TEarthDevicePoint pt;
    TEarthMap* map = Form1->EarthMap1;
    EXPECT_TRUE(map->Projection()->LLToDeviceXY(static_cast<int32_t>(lon * GU_DEGREE),
                                                static_cast<int32_t>(lat * GU_DEGREE), pt));
    const gdi::POINT at = map->ClientToScreen(gdi::POINT{pt.X, pt.Y});
    return win::ComposeScreen().Get(at.x, at.y);
  }
};

TEST_F(MapSnapshot, AnHourOffFinlandOnTheWorldLayer) {
  StartShown();
  TForm1& f = *Form1;
  f.fGeoWindAngle = 75;
  f.fTrueWindSpeed = 14;
  f.fCurrentDrift = 0.8f;
  f.fCurrentSet = 250;
  f.fWaypointActive = true;
  f.fWaypointPosition = DecimalToPointLL(23.72, 60.16);
  f.EarthMap1->Projection()->SetScaleFactor(12.0 / 90'000);  // 12 pixels a mile
  Sail(60.02, 23.45, 35, 6, 3600);
  EXPECT_EQ(f.fOverlay.Track->Chains().GetChain(0)->GetCount(), 3600);
  Save("mainwindow_map_hour.png");
  // The track in teal half an hour back.
  const TPointLL back = f.fOverlay.Track->Chains().GetChain(0)->GetLL(1800);
  bool teal = false;
  for (double d : {-1.0, 0.0, 1.0})
    teal |= MapPixel((back.iLatY + d * 0.5 / 12 * GU_MINUTE) / GU_DEGREE,
                     static_cast<double>(back.iLongX) / GU_DEGREE) == 0x008080;
  EXPECT_TRUE(teal);
  f.EarthMap1->Projection()->SetScaleFactor(0);
  Save("mainwindow_map_world.png");
}

// Started with no fix yet, the world in view: nothing of the boat is drawn at 0 N 0 E, and the
// map stays where it was put. The first fix, at Helsinki, brings the boat there.
TEST_F(MapSnapshot, NoBoatOffAfricaBeforeTheFirstFix) {
  StartShown();
  TForm1& f = *Form1;
  TEarthProjection* p = f.EarthMap1->Projection();
  p->SetScaleFactor(0);
  f.EarthMap1->LocateToLL(20 * GU_DEGREE, 40 * GU_DEGREE);
  f.RefreshDisplay();
  Save("mainwindow_map_nofix.png");
  // The boat is black; nothing at the Gulf of Guinea is.
  const auto blackAround = [&](double lat, double lon) {
    int black = 0;
    for (double dy = -0.2; dy <= 0.2; dy += 0.1)
      for (double dx = -0.2; dx <= 0.2; dx += 0.1) black += MapPixel(lat + dy, lon + dx) == 0;
    return black;
  };
  EXPECT_EQ(blackAround(0, 0), 0);
  TPointLL centre;
  ASSERT_TRUE(p->DeviceXYToLL(f.EarthMap1->ClientWidth() / 2, f.EarthMap1->ClientHeight() / 2,
                              centre));
  EXPECT_NEAR(centre.iLongX, 20 * GU_DEGREE, GU_DEGREE);
  EXPECT_NEAR(centre.iLatY, 40 * GU_DEGREE, GU_DEGREE);
  EXPECT_EQ(f.fOverlay.Track->Chains().GetChain(0)->GetCount(), 0);

  Sail(60.17, 24.95, 90, 6, 1);
  Save("mainwindow_map_firstfix.png");
  EXPECT_GT(blackAround(60.17, 24.95), 0);
  EXPECT_EQ(f.fOverlay.Track->Chains().GetChain(0)->GetCount(), 1);
}

// The chart of the program's data when there is one, else a small one of our own: blue water
// with a yellow bank across the middle, in the rectangle the chart covers.
void WriteChart(const std::string& path) {
  const fs::path shipped = fs::path(CORV_SOURCE_DIR) / "data" / "wad.bmp";
  if (fs::exists(shipped)) {
    fs::copy_file(shipped, path);
    return;
  }
  const int w = 222, h = 316;
  apptest::WriteIndexedBmp(
      path, w, h, [](int i) -> std::uint32_t { return i == 0 ? 0xC08040 : i == 1 ? 0x60E0F0 : 0; },
      [](int x, int y) { return std::abs(y - h / 2 - (x - w / 2) / 3) < 20 ? '\1' : '\0'; });
}

TEST_F(MapSnapshot, ABoatOnTheChartBitmap) {
  WriteChart("wad.bmp");
  StartShown();
  TForm1& f = *Form1;
  f.fGeoWindAngle = 250;
  f.fTrueWindSpeed = 18;
  f.chPerformance->OnDblClick(f.chPerformance);
  ASSERT_NE(f.fChartBitmap, nullptr);
  ASSERT_TRUE(f.fChartBitmap->TextureData().IsValid());
  f.EarthMap1->Projection()->SetScaleFactor(40.0 / 90'000);  // 40 pixels a mile
  Sail(53.22, 5.22, 20, 5, 3600);
  Save("mainwindow_map_chart.png");
  // Inside the chart, away from the boat and its lines: the chart's pixels, not the world's.
  const uint32_t land = 0x40A040, ocean = 0x00FFFF;
  const uint32_t inside = MapPixel(53.33, 5.33);
  EXPECT_NE(inside, land);
  EXPECT_NE(inside, ocean);
}

}  // namespace
