// The map in the main window and its commands on the virtual clock: the world layer at creation,
// the scale kept in the settings, zoom, spin, the mouse, the waypoint pick and reload, and the
// chart bitmap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "app/wpdbform1.h"
#include "map/earthlayer.h"
#include "platform/db/table.h"
#include "platform/rtl/inifiles.h"
#include "tests/app/chartbmp.h"
#include "tests/app/programfixture.h"

namespace {

namespace fs = std::filesystem;

class MapCommands : public apptest::ProgramFixture {
 protected:
  void StartNetwork(const std::string& settings = "") {
    WriteIni("[comms]\ncomport=Network\n[settings]\n" + settings);
    Start();
    Advance(10100);
    ASSERT_TRUE(Form1->fOverlay.Built());
  }
  TEarthProjection* Projection() { return Form1->EarthMap1->Projection(); }
  std::int32_t Waypoints() {
    return Form1->fOverlay.Waypoints->Chains().GetChain(0)->GetCount();
  }
  // A waypoint as the dialog posts it; NaN leaves a coordinate empty.
  void AddWaypoint(double lat, double lon) {
    db::TTable t(nullptr);
    t.SetTableName("waypoints.DB");
    t.Open();
    t.Append();
    t.FieldByName("NAME")->SetAsString("MARK");
    if (!std::isnan(lat)) t.FieldByName("LAT")->SetAsFloat(lat);
    if (!std::isnan(lon)) t.FieldByName("LON")->SetAsFloat(lon);
    t.Post();
  }
};

TEST_F(MapCommands, TheMapFillsTheClientAreaBesideTheDocks) {
  StartNetwork();
  TForm1& f = *Form1;
  EXPECT_EQ(f.EarthMap1->Parent(), &f);
  EXPECT_EQ(f.EarthMap1->LayerStore()->GetCount(), 2) << "the world and the overlays";
  // Right of the left dock and its splitter, left of the right dock.
  EXPECT_GE(f.EarthMap1->Left(), f.Splitter1->Left() + f.Splitter1->Width());
  EXPECT_LE(f.EarthMap1->Left() + f.EarthMap1->Width(), f.DKDock3->Left());
  EXPECT_GT(f.EarthMap1->Width(), 300);
  EXPECT_GT(f.EarthMap1->Height(), 200);
  for (vcl::TSpeedButton* b : {f.SpeedButton14, f.SpeedButton2, f.SpeedButton24,
                               f.WPdatabaseButton})
    EXPECT_EQ(b->Parent(), f.DKToolbar2) << b->Name();
}

TEST_F(MapCommands, WithoutTheWorldLayerTheProgramSaysSoAndEnds) {
  fs::remove("world.lyr");
  Start();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes[0].rfind("Error|Error initialising chart display", 0), 0u) << boxes[0];
  EXPECT_EQ(Form1->fExitCode, 1);
}

TEST_F(MapCommands, TheScaleComesFromTheSettingsAndGoesBackAtClose) {
  StartNetwork("globescale=2.5E-6\n");
  EXPECT_DOUBLE_EQ(static_cast<double>(Projection()->ScaleFactor()), 2.5e-6);
  Form1->SpeedButton2->Click();
  Form1->Close();
  rtl::TIniFile ini("corvatalen.ini");
  EXPECT_NEAR(ini.ReadFloat("settings", "globescale", 0), 2.5e-6 * 1.25, 1e-15);
}

TEST_F(MapCommands, ZoomOutThreeTimesAndIn) {
  StartNetwork("globescale=1E-5\n");
  for (int i = 0; i < 3; ++i) Form1->SpeedButton14->Click();
  EXPECT_NEAR(static_cast<double>(Projection()->ScaleFactor()), 0.421875e-5, 1e-18);
  Form1->SpeedButton2->Click();
  EXPECT_NEAR(static_cast<double>(Projection()->ScaleFactor()), 0.52734375e-5, 1e-18);
}

TEST_F(MapCommands, SpinTurnsTheGlobeAndGivesTheTimersBack) {
  StartNetwork();
  TForm1& f = *Form1;
  Advance(1000);  // the one-shot Timer4 has run: it stays off
  ASSERT_TRUE(f.Timer1->Enabled());
  ASSERT_FALSE(f.Timer4->Enabled());
  f.SpeedButton24->Click();
  ASSERT_TRUE(f.Timer8->Enabled());
  for (vcl::TTimer* t : {f.Timer1, f.Timer2, f.Timer3, f.Timer4, f.Timer6})
    EXPECT_FALSE(t->Enabled()) << t->Name();
  // 72 steps of 5 degrees on the clock: a full turn, the globe at 20 N.
  Advance(3600);
  EXPECT_EQ(f.fSpinLongitude, 180);
  EXPECT_NEAR(std::fabs(static_cast<double>(Projection()->GetCenterLong())), 180.0, 1e-6);
  EXPECT_NEAR(static_cast<double>(Projection()->GetCenterLat()), 20.0, 1e-6);
  Advance(3600);
  EXPECT_EQ(f.fSpinLongitude, 0);
  EXPECT_NEAR(static_cast<double>(Projection()->GetCenterLong()), 0.0, 1e-6);
  // However long it spins, the longitude stays a longitude.
  for (int i = 0; i < 10'000; ++i) {
    f.Timer8Timer(nullptr);
    ASSERT_GE(f.fSpinLongitude, -180);
    ASSERT_LE(f.fSpinLongitude, 180);
  }
  EXPECT_EQ(f.fSpinLongitude, 10'000 * 5 % 360 - 360);
  f.SpeedButton24->Click();
  EXPECT_FALSE(f.Timer8->Enabled());
  EXPECT_TRUE(f.Timer1->Enabled());
  EXPECT_TRUE(f.Timer2->Enabled());
  EXPECT_TRUE(f.Timer3->Enabled());
  EXPECT_FALSE(f.Timer4->Enabled());
  EXPECT_FALSE(f.Timer6->Enabled());
}

TEST_F(MapCommands, HandCursorWhileTheButtonIsDown) {
  StartNetwork();
  TEarthMap* map = Form1->EarthMap1;
  map->OnMouseDown(map, vcl::mbLeft, 0, 10, 10);
  EXPECT_EQ(map->Cursor(), vcl::crHandPoint);
  map->OnMouseUp(map, vcl::mbLeft, 0, 10, 10);
  EXPECT_EQ(map->Cursor(), vcl::crDefault);
}

TEST_F(MapCommands, PickOnlyWhileTheChartsRunAndOnlyOnTheGlobe) {
  StartNetwork("globescale=0\n");
  TForm1& f = *Form1;
  TEarthMap* map = f.EarthMap1;
  map->LocateToLL(0, 0);
  // The middle of the map is the globe's centre; the corner lies off the globe.
  const int cx = map->ClientWidth() / 2, cy = map->ClientHeight() / 2;
  // No waypoint table: no waypoint shows (not one at 0,0).
  EXPECT_TRUE(f.fOverlay.Waypoints->GetHidden());
  map->OnMouseMove(map, 0, cx, cy);
  f.Timer2->SetEnabled(false);
  map->OnDblClick(map);
  EXPECT_FALSE(f.fWaypointActive);
  f.Timer2->SetEnabled(true);
  map->OnMouseMove(map, 0, 1, 1);
  map->OnDblClick(map);
  EXPECT_FALSE(f.fWaypointActive) << "off the globe";
  EXPECT_TRUE(f.fOverlay.Marker->GetHidden());
  map->OnMouseMove(map, 0, cx, cy);
  map->OnDblClick(map);
  ASSERT_TRUE(f.fWaypointActive);
  TPointLL at;
  ASSERT_TRUE(Projection()->DeviceXYToLL(cx, cy, at));
  EXPECT_NEAR(at.iLongX, 0, 2 * GU_DEGREE);
  EXPECT_EQ(f.fWaypointPosition.iLongX, at.iLongX);
  TPointStore& marker = *f.fOverlay.Marker->Chains().GetChain(0);
  ASSERT_EQ(marker.GetCount(), 1);
  EXPECT_EQ(marker.GetLL(0).iLatY, at.iLatY);
  EXPECT_EQ(f.fOverlay.Marker->PresenterID, opMarker);
}

TEST_F(MapCommands, TheWaypointReloadReplacesThoseShown) {
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "waypoints.DB", "waypoints.DB");
  AddWaypoint(52.5, 4.25);
  AddWaypoint(-33.9, 18.4);
  StartNetwork();
  ASSERT_EQ(Waypoints(), 2);
  EXPECT_FALSE(Form1->fOverlay.Waypoints->GetHidden());
  std::vector<std::string> forms;
  answer = [&](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Kind == "Form") forms.push_back(r.Caption);
    return vcl::TDialogAnswer{};
  };
  Form1->WPdatabaseButton->Click();
  Form1->WPdatabaseButton->Click();
  EXPECT_EQ(Waypoints(), 2) << "none doubled";
  EXPECT_EQ(forms, (std::vector<std::string>{"Waypoint Database", "Waypoint Database"}));
  AddWaypoint(60.1, 23.6);
  // Posted without a position, or half of one: not put at 0,0 off Africa.
  AddWaypoint(NAN, NAN);
  AddWaypoint(NAN, 4.0);
  Form1->WPdatabaseButton->Click();
  EXPECT_EQ(Waypoints(), 3);
  EXPECT_EQ(Form1->fOverlay.Waypoints->Chains().GetCount(), 1);
  EXPECT_EQ(Form1->fOverlay.Waypoints->Chains().GetChain(0)->GetLL(2).iLatY, 324'540'000);
  // Without the table: the box, and the waypoints stay.
  fs::remove("waypoints.DB");
  boxes.clear();
  Form1->WPdatabaseButton->Click();
  EXPECT_EQ(boxes, (std::vector<std::string>{"Message|No waypoint file loaded"}));
  EXPECT_EQ(Waypoints(), 3);
}

// An 8-bit BMP of w x h with a grey palette: the chart image for the tests.
void WriteChart(const std::string& path, int w, int h) {
  apptest::WriteIndexedBmp(
      path, w, h, [](int i) { return i * 0x010101u; }, [](int, int) { return '\x80'; });
}

TEST_F(MapCommands, TheChartBitmapLiesAtItsPlaceAndExistsOnce) {
  WriteChart("wad.bmp", 222, 316);
  StartNetwork();
  TForm1& f = *Form1;
  TEarthLayerStore* layers = f.EarthMap1->LayerStore();
  const std::int32_t count = layers->GetCount();
  f.chPerformance->OnDblClick(f.chPerformance);
  f.chPerformance->OnDblClick(f.chPerformance);
  ASSERT_EQ(layers->GetCount(), count + 1);
  TBitmapObject* chart = f.fChartBitmap;
  ASSERT_NE(chart, nullptr);
  TEarthObjectSource* source = chart->Parent();
  EXPECT_EQ(source->GetCount(), 1);
  // (5.36 - 5.15) degrees over 2222 pixels: 1,134,000 / 2222 = 510; (53.36 - 53.16) over 3164:
  // 1,080,000 / 3164 = 341.
  EXPECT_EQ(chart->EarthUnitsPerXPixel, 510);
  EXPECT_EQ(chart->EarthUnitsPerYPixel, 341);
  const TMER mer = chart->GetObjectMER();
  EXPECT_EQ(mer.iLongX, 27'810'000);
  EXPECT_EQ(mer.iLatY, 288'144'000 - 316 * 341);
  EXPECT_EQ(mer.iWidthX, 222 * 510);
  EXPECT_EQ(mer.iHeightY, 316 * 341);
  // Drawn under the boat and its lines, in a layer of its own right under theirs.
  const std::int32_t overlays = f.fOverlay.Layer->GetIndex();
  ASSERT_GT(overlays, 0);
  EXPECT_EQ(layers->GetLayer(overlays - 1)->GetObjects(), source);
  EXPECT_TRUE(f.fOverlay.Layer->Animated);
  EXPECT_FALSE(layers->GetLayer(overlays - 1)->Animated);
}

TEST_F(MapCommands, AMissingChartImageShowsNothing) {
  StartNetwork();
  boxes.clear();  // no waypoint table
  Form1->chPerformance->OnDblClick(Form1->chPerformance);
  ASSERT_NE(Form1->fChartBitmap, nullptr);
  EXPECT_FALSE(Form1->fChartBitmap->TextureData().IsValid());
  Form1->Show();
  Form1->EarthMap1->Repaint();
  app->ProcessMessages();
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MapCommands, AnotherEmptyLayer) {
  StartNetwork();
  const std::int32_t before = Form1->EarthMap1->LayerStore()->GetCount();
  Form1->SpeedButton10Click(nullptr);
  EXPECT_EQ(Form1->EarthMap1->LayerStore()->GetCount(), before + 1);
}

}  // namespace
