// The display refresh: one second of the program fed through a fake serial line, every panel,
// colour, gauge, waypoint and layline figure and the exact bytes sent, against values worked by
// hand; and the refresh on its own for the edge cases (angles, crawling speeds, NaN).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <span>
#include <string>

#include "app/mainform.h"
#include "link/comsettings.h"
#include "map/earthmap.h"
#include "map/earthsysutils.h"
#include "platform/gdi/image.h"
#include "platform/gdi/text.h"
#include "platform/win/paint.h"
#include "platform/win/system.h"
#include "tests/app/apptest.h"
#include "tests/app/programfixture.h"
#include "tests/screenshown.h"
#include "tests/tempdir.h"

namespace {

using apptest::Sentence;

constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180;

std::string F(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

// The point `nm` nautical miles from (lon, lat) degrees along the compass bearing `brg`, on a
// sphere where one minute of arc is one mile.
TPointLL Destination(double lon, double lat, double brg, double nm) {
  const double d = nm / 60 * kRad, t = brg * kRad, p1 = lat * kRad;
  const double p2 =
      std::asin(std::sin(p1) * std::cos(d) + std::cos(p1) * std::sin(d) * std::cos(t));
  const double l2 = lon * kRad + std::atan2(std::sin(t) * std::sin(d) * std::cos(p1),
                                            std::cos(d) - std::sin(p1) * std::sin(p2));
  return DecimalToPointLL(l2 / kRad, p2 / kRad);
}

class Display : public apptest::ProgramFixture {
 protected:
  // Starts the program with the sources and pages of these tests and stops its timers, so that
  // the ticks below are the only ones.
  void StartLive() {
    std::filesystem::copy_file(std::filesystem::path(CORV_SOURCE_DIR) / "data" / "nmeaout.txt",
                               "nmeaout.txt");
    WriteIni(
        "[comms]\ncomport=FAKE1\n[settings]\nspeedsource=0\nheadingsource=0\nwindsource=0\n"
        "nmeawind=0\ntargetangle=45\nfperformance=0\nfspeed=0\nfcourse=0\nfwindspeed=0\n"
        "fwindangle=0\nftargetspeed=0\nfgeowindangle=0\nfvmg=0\nsendperformance=1\n"
        "senddistancetowpt=1\nsendtimetoll=1\nsenddistancetoll=1\n");
    Start();
    Advance(10700);
    ASSERT_TRUE(line->IsOpen());
    for (vcl::TTimer* t : {Form1->Timer1, Form1->Timer2, Form1->Timer3, Form1->Timer4})
      t->SetEnabled(false);
  }
  void Feed(const std::string& sentences, const std::function<bool()>& taken) {
    FeedAndWait(sentences, taken);
  }
};

TEST_F(Display, OneSecondOfLiveDataShowsAndSendsWhatWasWorkedByHand) {
  serial::ScopedFake fake("FAKE1", line);
  StartLive();
  // Running at 6 kn on 090 with the apparent wind 150 degrees to starboard at 5 kn, 12.3 m deep.
  Feed("\n" + Sentence("GPRMC,120000,A,5230.0000,N,00400.0000,E,6.0,90.0,061226,,") +
           Sentence("IIMWV,150.0,R,5.0,N,A") + Sentence("IIVHW,,T,,M,6.0,N,,K") +
           Sentence("SDDBT,40.4,f,12.3,M,6.7,F"),
       [] { return comms->fDepth > 12.0f; });

  // True wind: across 5 sin 150 = 2.5, along 5 cos 150 - 6; abaft the beam, so 180 + atan.
  const double across = 2.5, along = 5 * std::cos(150 * kRad) - 6;
  const double twa = std::atan(across / along) / kRad + 180;            // 166.40
  const double tws = std::fabs(across / std::sin((twa - 180) * kRad));  // 10.63
  const double twd = 90 + twa;                                          // 256.40
  const double vmg = 6 * std::cos(twa * kRad);                          // -5.83
  ASSERT_LT(vmg, 0);

  // The waypoint 1 NM dead upwind of the boat.
  Form1->fWaypointActive = true;
  Form1->fWaypointPosition = Destination(4.0, 52.5, twd, 1.0);

  Form1->Timer1Timer(nullptr);
  Form1->Timer3Timer(nullptr);
  const double target = Form1->fTargetSpeed;
  ASSERT_GT(target, 1.0);
  const double perf = 6.0 / target * 100;
  line->TakeWritten();
  Form1->Timer1Timer(nullptr);

  TForm1& f = *Form1;
  EXPECT_EQ(f.Label9->Caption(), F("%3.0f", twa));
  EXPECT_EQ(f.Label9->Caption(), "166");
  EXPECT_EQ(f.Label12->Caption(), F("%2.1f", tws));
  EXPECT_EQ(f.Label12->Caption(), "10.6");
  EXPECT_EQ(f.Label29->Caption(), "256");
  EXPECT_EQ(f.Label15->Caption(), F("%3.0f", perf));
  EXPECT_EQ(f.Label32->Caption(), F("%2.1f", target));
  EXPECT_EQ(f.Label6->Caption(), " 90");
  EXPECT_EQ(f.Label3->Caption(), "6.0");
  EXPECT_EQ(f.Label18->Caption(), "5.8");  // the VMG's size; running, it is negative
  EXPECT_FLOAT_EQ(f.fVMG, static_cast<float>(-vmg));
  EXPECT_EQ(f.Label98->Caption(), "150.0");
  EXPECT_EQ(f.Label89->Caption(), "5.0");
  EXPECT_EQ(f.DriftLabel->Caption() + f.SetLabel->Caption(), "");  // no compass: no current
  EXPECT_EQ(f.Label84->Caption(), " 90");
  EXPECT_EQ(f.Label104->Caption(), "6.0");
  EXPECT_EQ(f.Label48->Caption(), "12.3");
  EXPECT_EQ(f.TimeLabel->Caption().substr(0, 16), "06/12/2026 12:00");

  // Starboard tack: "SB", the wind angle in lime, the gauge at the angle plus 180.
  EXPECT_EQ(f.TackLabel->Caption(), "SB");
  EXPECT_EQ(f.Label9->Font()->Color(), vcl::clLime);
  EXPECT_EQ(f.AAGauge3->Position(), 346.0f);
  EXPECT_EQ(f.AAGauge2->Position(), std::trunc(tws));
  EXPECT_EQ(f.AAGauge1->Position(), std::trunc(perf));
  EXPECT_EQ(f.Panel4->Color(), vcl::clWhite);
  EXPECT_EQ(f.Panel5->Color(), perf >= 90   ? vcl::clLime
                               : perf >= 80 ? vcl::clYellow
                                            : vcl::clWhite);

  // Waypoint dead upwind at 1 NM: both laylines sin 45 = 0.71 NM away, 424 s at 6 kn.
  EXPECT_NEAR(f.fBearingToWaypoint, twd, 0.01);
  EXPECT_NEAR(f.fDistanceToWaypoint, 1.0, 1e-4);
  EXPECT_NEAR(f.fDistanceToLayline, std::sqrt(0.5), 1e-3);
  EXPECT_NEAR(f.fTimeToLayline, std::sqrt(0.5) / 6 * 3600, 0.5);
  EXPECT_EQ(f.Label52->Caption(), "256");
  EXPECT_EQ(f.DistanceToWaypointLabel->Caption(), "1.0");
  EXPECT_EQ(f.StarboardLaylineLabel->Caption(), "0.7");
  EXPECT_EQ(f.PortLaylineLabel->Caption(), "0.7");
  EXPECT_EQ(f.StarboardLaylineTimeLabel->Caption(), "07:04");
  EXPECT_EQ(f.PortLaylineTimeLabel->Caption(), "07:04");

  // What went to the instruments in that second: the three templates of nmeaout.txt, then the
  // four ticked Micronet pages numbered in their fixed order.
  const std::string perf31 = F("%3.1f", perf);
  EXPECT_EQ(line->TakeWritten(),
            Sentence("IIMTW," + perf31 + ",C") + Sentence("PSILTBS," + F("%3.1f", target) + ",N") +
                Sentence("PSILCD1," + perf31 + ",0.0") + Sentence("PTAK,FFD1," + F("%3.0f", perf)) +
                Sentence("PTAK,FFD2,1.0") + Sentence("PTAK,FFD3,07:04") +
                Sentence("PTAK,FFD4,0.7"));

  // Stopped: the time to the laylines stands; on port tack the angle turns red.
  Feed(Sentence("GPRMC,120001,A,5230.0000,N,00400.0000,E,0.0,90.0,061226,,") +
           Sentence("IIMWV,210.0,R,5.0,N,A"),
       [] { return comms->fSpeedOverGround == 0.0f && comms->fWindSide == 1; });
  Form1->Timer1Timer(nullptr);
  EXPECT_EQ(f.PortLaylineTimeLabel->Caption(), "07:04");
  EXPECT_EQ(f.StarboardLaylineTimeLabel->Caption(), "07:04");
  EXPECT_EQ(f.TackLabel->Caption(), "PT");
  EXPECT_EQ(f.Label9->Font()->Color(), vcl::clRed);
  // Standing still the apparent wind is the true wind: 150 degrees, the gauge at 180 - 150.
  EXPECT_NEAR(f.AAGauge3->Position(), 30.0f, 1e-3);
  EXPECT_NE(line->TakeWritten().find(Sentence("PTAK,FFD3,07:04")), std::string::npos);
}

// A waypoint picked before the GPS has a fix: nothing of the way to it is shown or sent from 0,0.
TEST_F(Display, TheWayToTheWaypointWaitsForTheFirstPosition) {
  serial::ScopedFake fake("FAKE1", line);
  StartLive();
  Feed("\n" + Sentence("IIVTG,90.0,T,,M,6.0,N,11.1,K,A") + Sentence("IIMWV,45.0,R,12.0,N,A"),
       [] { return comms->fSpeedOverGround > 5.0f && comms->fApparentWindSpeed > 11.0f; });
  Form1->fWaypointActive = true;
  Form1->fWaypointPosition = Destination(4.0, 52.5, 90, 1.0);  // 1 NM east of the first fix
  Form1->Timer1Timer(nullptr);
  Form1->Timer3Timer(nullptr);  // a target for the wind, and a performance
  line->TakeWritten();
  Form1->Timer1Timer(nullptr);
  TForm1& f = *Form1;
  for (vcl::TLabel* l : {f.Label52, f.DistanceToWaypointLabel, f.StarboardLaylineLabel,
                         f.PortLaylineLabel, f.StarboardLaylineTimeLabel, f.PortLaylineTimeLabel})
    EXPECT_EQ(l->Caption(), "") << l->Name();
  // Of the four pages only the performance goes out.
  const std::string sent = line->TakeWritten();
  EXPECT_NE(sent.find("$PTAK,FFD1,"), std::string::npos);
  for (const char* page : {"$PTAK,FFD2", "$PTAK,FFD3", "$PTAK,FFD4"})
    EXPECT_EQ(sent.find(page), std::string::npos) << sent;

  Feed(Sentence("GPRMC,120000,A,5230.0000,N,00400.0000,E,6.0,90.0,061226,,"),
       [] { return comms->fLatHemisphere != 0; });
  Form1->Timer1Timer(nullptr);
  EXPECT_EQ(f.Label52->Caption(), " 90");
  EXPECT_NE(line->TakeWritten().find(Sentence("PTAK,FFD2,1.0")), std::string::npos);
}

// A minute of live data with the waypoint set, then the window as the user sees it, once in the
// one-minute span and once in the one-second mode.
TEST_F(Display, AMinuteOfLiveDataIsDrawnHeadless) {
  serial::ScopedFake fake("FAKE1", line);
  // The working directory as ./run prepares it: the symbol font and the seven-segment face.
  std::filesystem::copy_file(std::filesystem::path(CORV_SOURCE_DIR) / "data" / "plevoran.ttf",
                             "plevoran.ttf");
  const std::string dseg = "/usr/share/fonts/truetype/dseg/DSEG7Classic-Regular.ttf";
  ASSERT_TRUE(std::filesystem::exists(dseg)) << "fonts-dseg (packages.txt) is missing";
  std::filesystem::copy_file(dseg, "lcd2.ttf");
  StartLive();
  Form1->fWaypointActive = true;
  Form1->fWaypointPosition = Destination(4.05, 52.55, 0, 0);
  for (vcl::TTimer* t : {Form1->Timer1, Form1->Timer2, Form1->Timer3}) t->SetEnabled(true);
  Form1->Show();
  for (int s = 0; s < 60; ++s) {
    std::string speed;
    const std::string second = apptest::LiveSecond(s, &speed);
    Feed(std::string(s == 0 ? "\n" : "") + second,
         [&] { return F("%.1f", comms->fSpeedOverGround) == speed; });
    ASSERT_FALSE(HasFatalFailure()) << s << " " << comms->fSpeedOverGround;
    Advance(1000);
  }
  EXPECT_EQ(Form1->TackLabel->Caption(), "SB");
  EXPECT_NE(Form1->Label3->Caption(), "");
  EXPECT_EQ(Form1->chSpeed->Series(0)->Count(), 61);
  const std::string dir = CORV_SNAPSHOT_DIR;
  Form1->Repaint();
  app->ProcessMessages();
  gdi::SavePngFile(dir + "/mainwindow_minute.png", win::ComposeScreen());
  Form1->SpeedButton16->Click();
  Form1->Timer2Timer(nullptr);
  Form1->Repaint();
  app->ProcessMessages();
  gdi::SavePngFile(dir + "/mainwindow_seconds.png", win::ComposeScreen());
  EXPECT_TRUE(std::filesystem::file_size(dir + "/mainwindow_seconds.png") > 10000);
  // The window registered the two faces of its working directory at creation.
  EXPECT_TRUE(gdi::RemoveFontResource("lcd2.ttf"));
  EXPECT_TRUE(gdi::RemoveFontResource("plevoran.ttf"));
}

// After each step the map shows what a whole redraw of the same view shows; a live second hands
// the screen a small part of the map and draws its picture no more.
TEST_F(Display, TheLiveMapShowsWhatAWholeRedrawShowsAfterZoomsASpinAResizeAndAReplay) {
  serial::ScopedFake fake("FAKE1", line);
  namespace fs = std::filesystem;
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "plevoran.ttf", "plevoran.ttf");
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "demonstration.lg", "demonstration.lg");
  StartLive();
  auto screen = std::make_shared<TRecordingScreen>();
  win::SetBackend(screen);
  TForm1& f = *Form1;
  TEarthMap* map = f.EarthMap1;
  f.fWaypointActive = true;
  f.fWaypointPosition = Destination(4.05, 52.55, 0, 0);
  for (vcl::TTimer* t : {f.Timer1, f.Timer2, f.Timer3}) t->SetEnabled(true);
  f.Show();
  int renders = 0;
  int s = 0;
  map->OnRender = rtl::TNotifyEvent(nullptr, [&](rtl::TObject*) { ++renders; });
  const auto live = [&](int seconds) {
    for (int i = 0; i < seconds; ++i, ++s) {
      std::string speed;
      const std::string second = apptest::LiveSecond(s % 60, &speed);
      Feed(std::string(s == 0 ? "\n" : "") + second,
           [&] { return F("%.1f", comms->fSpeedOverGround) == speed; });
      ASSERT_FALSE(HasFatalFailure()) << s;
      Advance(1000);
    }
  };
  const auto same = [&](const std::string& step) {
    app->ProcessMessages();
    const std::vector<uint32_t> now = Shown(map);
    map->RedrawLayers();
    app->ProcessMessages();
    EXPECT_EQ(Shown(map), now) << step;
  };

  live(2);  // the first fix centres the map on the boat
  renders = 0;
  screen->rects.clear();
  live(60);
  EXPECT_EQ(renders, 0) << "the map's picture is kept";
  same("a minute live");
  // What the screen was handed of the map in the minute: a small part of it a second.
  const gdi::POINT o = map->ClientToScreen(gdi::POINT{0, 0});
  const gdi::RECT mapRect{o.x, o.y, o.x + map->ClientWidth(), o.y + map->ClientHeight()};
  int64_t handed = 0;
  for (const gdi::RECT& r : screen->rects) {
    gdi::RECT part;
    if (gdi::IntersectRect(&part, &r, &mapRect))
      handed += int64_t{part.right - part.left} * (part.bottom - part.top);
  }
  const int64_t area = int64_t{map->ClientWidth()} * map->ClientHeight();
  EXPECT_LT(handed / 60, area / 10) << handed / 60 << " of " << area << " pixels a second";

  f.SpeedButton2Click(nullptr);
  f.SpeedButton2Click(nullptr);
  same("zoomed in");
  live(30);
  same("zoomed in, live");
  f.SpeedButton1Click(nullptr);
  live(30);
  same("zoomed out, live");
  // Close in, where the boat moves a fifth of a pixel a second: the map follows it every few
  // seconds.
  map->Projection()->SetScaleFactor(60.0 / 90'000);
  renders = 0;
  live(30);
  EXPECT_GT(renders, 3);
  EXPECT_LT(renders, 20);
  same("close in, live");

  f.SpeedButton12Click(nullptr);  // spin
  Advance(2000);
  same("spinning");
  f.SpeedButton12Click(nullptr);
  live(30);
  same("after the spin, live");

  f.SetBounds(40, 30, 1000, 700);
  same("resized");
  live(30);
  same("resized, live");

  answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    vcl::TDialogAnswer a;
    if (r.Kind == "MessageBox") a.Result = vcl::IDYES;
    if (r.Kind == "Open") a.FileName = "demonstration.lg";
    return a;
  };
  f.SpeedButton4Click(nullptr);
  ASSERT_EQ(f.fReplayMode, 1);
  same("replay opened");
  f.SpeedButton34Click(nullptr);
  same("a minute on");
  f.SpeedButton67Click(nullptr);  // play
  Advance(30'000);
  same("replayed half a minute");
  win::SetBackend(nullptr);
  EXPECT_TRUE(gdi::RemoveFontResource("plevoran.ttf"));
}

// ---- The refresh on its own ------------------------------------------------------------------

class Refresh : public ::testing::Test {
 protected:
  void SetUp() override { comms = instruments.get(); }
  void TearDown() override { comms = nullptr; }
  // The boat at 52 30 N 4 00 E, the waypoint `nm` miles off on `bearing`.
  void Waypoint(double bearing, double nm) {
    form.fLatitude = 5230.0f;
    form.fLongitude = 400.0f;
    form.fPositionKnown = true;
    form.fWaypointActive = true;
    form.fWaypointPosition = Destination(4.0, 52.5, bearing, nm);
  }

  // Destroying the form writes its layout beside it.
  TempWorkDir work{"corv_refresh"};
  win::SystemScope windows;
  std::unique_ptr<Tcomms> instruments = std::make_unique<Tcomms>(nullptr);
  TForm1 form{nullptr};
};

TEST_F(Refresh, PanelColoursFollowTheirThresholds) {
  const std::pair<float, vcl::TColor> perf[] = {{70, vcl::clWhite},  {79.9f, vcl::clWhite},
                                                {80, vcl::clYellow}, {85, vcl::clYellow},
                                                {90, vcl::clLime},   {95, vcl::clLime}};
  for (auto [p, c] : perf) {
    form.fPerformance = p;
    form.RefreshDisplay();
    EXPECT_EQ(form.Panel5->Color(), c) << p;
  }
  const std::pair<float, vcl::TColor> tws[] = {
      {24.9f, vcl::clWhite}, {25, vcl::clYellow}, {34.9f, vcl::clYellow}, {35, vcl::clRed}};
  for (auto [w, c] : tws) {
    form.fTrueWindSpeed = w;
    form.RefreshDisplay();
    EXPECT_EQ(form.Panel4->Color(), c) << w;
  }
}

TEST_F(Refresh, LaylineAngleOfNinetyStaysFinite) {
  // At 90 degrees the laylines never meet: computed at 89 instead.
  form.fTargetAngle = 90;
  form.fGeoWindAngle = 0;
  form.fSpeedOverGround = 5;
  Waypoint(30, 2);
  form.RefreshDisplay();
  EXPECT_TRUE(std::isfinite(form.fDistanceToLayline));
  EXPECT_TRUE(std::isfinite(form.fTimeToLayline));
  EXPECT_EQ(form.fTargetAngle, 90.0f);  // the setting itself stands
  // Port layline: d = -89, x = 180 - 178 - (-89 - 30) = 121; L = 2 / sin 178.
  const double expected = std::fabs(std::sin(121 * kRad) * 2 / std::sin(178 * kRad));
  EXPECT_NEAR(form.fDistanceToLayline, expected, expected * 1e-3);
  // Below 1 degree the angle is raised to 1 and kept.
  form.fTargetAngle = 0.2f;
  form.RefreshDisplay();
  EXPECT_EQ(form.fTargetAngle, 1.0f);
  EXPECT_TRUE(std::isfinite(form.fDistanceToLayline));
}

TEST_F(Refresh, TimeToAFarLaylineAtACrawlIsCapped) {
  form.fTargetAngle = 45;
  form.fGeoWindAngle = 0;
  form.fSpeedOverGround = 0.01f;
  Waypoint(0, 3000);  // 3000 NM dead upwind: 2121 NM to a layline, years at 0.01 kn
  form.RefreshDisplay();
  EXPECT_EQ(form.PortLaylineTimeLabel->Caption(), "99:59");
  EXPECT_EQ(form.StarboardLaylineTimeLabel->Caption(), "99:59");
  EXPECT_EQ(form.fTimeToLayline, 99 * 60 + 59);
  EXPECT_EQ(form.OutputValues().TimeToLayline, "99:59");
  // Four digits and the point fill a panel: from 1000 NM on whole miles (3000 sin 45 = 2121.3).
  EXPECT_EQ(form.DistanceToWaypointLabel->Caption(), "3000");
  EXPECT_EQ(form.StarboardLaylineLabel->Caption(), "2121");
  EXPECT_EQ(form.PortLaylineLabel->Caption(), "2121");
  Waypoint(0, 999.9);
  form.RefreshDisplay();
  EXPECT_EQ(form.DistanceToWaypointLabel->Caption(), "999.9");
  EXPECT_EQ(form.PortLaylineLabel->Caption(), "707.0");
}

// No wind known: its values are NaN. No integer conversion, the panels blank, the gauges without
// a needle (kept in place); of the way to the waypoint only what needs no wind is shown.
TEST_F(Refresh, NotANumberReachesNoIntegerConversion) {
  const auto needles = [&] {
    int n = 0;
    for (const TAAGauge* g : {form.AAGauge1, form.AAGauge2, form.AAGauge3})
      n += g->ArrowColor() != g->FaceColor();
    return n;
  };
  EXPECT_EQ(needles(), 0) << "before the first value";
  form.fPerformance = 85;
  form.fTrueWindSpeed = 12;
  form.fTrueWindAngle = 40;
  form.RefreshDisplay();
  EXPECT_EQ(needles(), 3);
  form.fPerformance = form.fTrueWindSpeed = form.fTrueWindAngle = form.fTargetSpeed = form.fVMG =
      form.fGeoWindAngle = form.fApparentWindAngle = std::numeric_limits<float>::quiet_NaN();
  form.fSpeedOverGround = 5;
  Waypoint(10, 1);
  for (int side : {0, 1}) {
    form.fWindSide = side;
    form.RefreshDisplay();
    EXPECT_EQ(needles(), 0);
    EXPECT_EQ(form.AAGauge3->Position(), 220.0f);
  }
  for (vcl::TLabel* l :
       {form.Label9, form.Label12, form.Label15, form.Label18, form.Label29, form.Label32,
        form.PortLaylineLabel, form.PortLaylineTimeLabel, form.TackLabel})
    EXPECT_EQ(l->Caption(), "") << l->Name();
  EXPECT_EQ(form.Label52->Caption() + "/" + form.DistanceToWaypointLabel->Caption(), " 10/1.0");
  EXPECT_TRUE(std::isnan(form.OutputValues().fDistanceToLayline));
  // Huge values are clamped, not wrapped.
  form.fPerformance = 1e30f;
  form.RefreshDisplay();
  EXPECT_EQ(form.AAGauge1->Position(), 1e6f);
}

// The time to the laylines is blank and not sent until there is one: without a waypoint, with or
// without a position; standing still at the first refresh with one; the GPS's speed gone quiet.
TEST_F(Refresh, TimeToLaylineIsBlankUntilThereIsOne) {
  form.fSpeedOverGround = 6;
  for (bool position : {false, true}) {
    form.fLatitude = 5230.0f;
    form.fPositionKnown = position;
    form.RefreshDisplay();
    EXPECT_EQ(form.StarboardLaylineTimeLabel->Caption() + form.PortLaylineTimeLabel->Caption() +
                  form.OutputValues().TimeToLayline,
              "");
    EXPECT_TRUE(std::isnan(form.OutputValues().fBearingToWaypoint));
  }
  Waypoint(0, 1);
  for (float sog : {0.0f, 6.0f, std::numeric_limits<float>::quiet_NaN()}) {
    form.fSpeedOverGround = sog;
    form.RefreshDisplay();
    EXPECT_EQ(form.PortLaylineTimeLabel->Caption() + form.OutputValues().TimeToLayline,
              sog == 6 ? "07:0407:04" : "")  // sin 45 NM at 6 kn
        << sog;
  }
}

// The boat on heading TWD + A (the starboard line) or TWD - A meets the other tack's line through
// the waypoint; the legs worked by hand in the plane: s and t along the two headings add up to the
// waypoint's east and north offsets. Wind from north, A = 40, waypoint on 030 at 2 NM:
// -sin40 s + sin40 t = 2 sin30 and cos40 (s + t) = 2 cos30, so the leg on 320 is 0.3527 and on
// 040 1.9084; at 7 kn 181 s and 981 s. Dead upwind at 1 NM each is sin40 / sin100 = 0.6527.
TEST_F(Refresh, LaylinesOnEachTackWorkedByHand) {
  form.fTargetAngle = 40;
  form.fGeoWindAngle = 0;
  form.fSpeedOverGround = 7;
  Waypoint(30, 2);
  form.RefreshDisplay();
  EXPECT_EQ(form.StarboardLaylineLabel->Caption(), "1.9");
  EXPECT_EQ(form.StarboardLaylineTimeLabel->Caption(), "16:21");
  EXPECT_EQ(form.PortLaylineLabel->Caption(), "0.4");
  EXPECT_EQ(form.PortLaylineTimeLabel->Caption(), "03:01");
  EXPECT_NEAR(form.fDistanceToLayline, 0.3527, 1e-3);  // the port figure goes out
  // Stopped, each layline keeps its own last time.
  form.fSpeedOverGround = 0;
  form.RefreshDisplay();
  EXPECT_EQ(form.StarboardLaylineTimeLabel->Caption(), "16:21");
  EXPECT_EQ(form.PortLaylineTimeLabel->Caption(), "03:01");
  form.fSpeedOverGround = 7;
  // The mirror image, with the wind from 250: waypoint on 220, the legs swap sides.
  form.fGeoWindAngle = 250;
  Waypoint(220, 2);
  form.RefreshDisplay();
  EXPECT_EQ(form.StarboardLaylineLabel->Caption(), "0.4");
  EXPECT_EQ(form.StarboardLaylineTimeLabel->Caption(), "03:01");
  EXPECT_EQ(form.PortLaylineLabel->Caption(), "1.9");
  EXPECT_EQ(form.PortLaylineTimeLabel->Caption(), "16:21");
  EXPECT_NEAR(form.fDistanceToLayline, 1.9084, 1e-3);
  // Dead upwind, the wind across north: from 350 with the laylines on 030 and 310.
  form.fGeoWindAngle = 350;
  Waypoint(350, 1);
  form.RefreshDisplay();
  EXPECT_EQ(form.StarboardLaylineLabel->Caption(), "0.7");
  EXPECT_EQ(form.PortLaylineLabel->Caption(), "0.7");
  EXPECT_NEAR(form.fDistanceToLayline, 0.6527, 1e-3);
  EXPECT_EQ(form.StarboardLaylineTimeLabel->Caption(), "05:35");
}

// Bearing and distance against the geodesics of GeodSolve (WGS84); the globe here is a sphere of a
// mile to the minute, which differs by up to half a percent in distance and a few tenths of a
// degree in bearing.
TEST_F(Refresh, WaypointFiguresAgreeWithGeodesicsNearAndFarAcrossTheLines) {
  struct Case {
    float nmeaLat, nmeaLon;  // the boat, ddmm.mm
    double wLat, wLon;       // the waypoint, degrees
    double bearing, nm;      // GeodSolve -i
  } cases[] = {
      {5230, 400, 52.55, 4.05, 31.361, 3.519},                                  // near
      {-30, 17950, 0.3333333333, -179.6666666667, 31.135, 58.127},            // both lines
      {5230, 400, 40.5, -74, 289.987, 3148.7},                                  // an ocean
      {-3351, 15112, -36.8, 174.8, 105.440, 1169.0},                             // east, south
      {1030, -17930, -10.25, 179.25, 183.491, 1241.3},                           // west to east
  };
  form.fTargetAngle = 45;
  for (const Case& c : cases) {
    form.fLatitude = c.nmeaLat;
    form.fLongitude = c.nmeaLon;
    form.fPositionKnown = true;
    form.fWaypointActive = true;
    form.fWaypointPosition = DecimalToPointLL(c.wLon, c.wLat);
    form.RefreshDisplay();
    EXPECT_NEAR(form.fBearingToWaypoint, c.bearing, 0.3) << c.nm;
    EXPECT_NEAR(form.fDistanceToWaypoint, c.nm, c.nm * 0.005) << c.nm;
    EXPECT_EQ(form.Label52->Caption().size(), 3u) << c.nm;
  }
}

TEST_F(Refresh, WaypointBearingAndDistanceInEveryQuarter) {
  form.fTargetAngle = 45;
  for (double brg : {0.5, 45.0, 135.0, 180.0, 225.0, 315.0, 359.5}) {
    Waypoint(brg, 5);
    form.RefreshDisplay();
    EXPECT_NEAR(form.fBearingToWaypoint, brg, 0.01) << brg;
    EXPECT_NEAR(form.fDistanceToWaypoint, 5.0, 1e-3) << brg;
  }
}

}  // namespace
