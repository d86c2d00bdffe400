// The sailing overlays on the main window's map, the boat fed through the computation on the
// virtual clock: positions worked by hand from the 32-bit NMEA values, line ends against
// GeographicLib's GeodSolve on the engine's sphere (fixtures/overlaylines.sh), the range circle,
// the symbols and the track.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "link/comsettings.h"
#include "map/earthlayer.h"
#include "map/earthutils.h"
#include "platform/win/paint.h"
#include "tests/app/apptest.h"
#include "tests/app/programfixture.h"

namespace {

using apptest::Sentence;

constexpr double kPi = 3.14159265358979323846;

struct TLineEnd {
  std::int32_t lon1, lat1;
  double bearing;
  std::int32_t length;
  double lon2, lat2;  // degrees
};

// The GeodSolve table: case name to its lines.
std::multimap<std::string, TLineEnd> LineTable() {
  std::ifstream in(CORV_SOURCE_DIR "/tests/app/fixtures/overlaylines.txt");
  std::multimap<std::string, TLineEnd> out;
  std::string name;
  TLineEnd e{};
  while (in >> name >> e.lon1 >> e.lat1 >> e.bearing >> e.length >> e.lon2 >> e.lat2)
    out.emplace(name, e);
  return out;
}

std::string Nmea(double v, int degreeDigits) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*.3f", degreeDigits + 7, std::fabs(v));
  return text;
}

struct TSailingCase {
  const char* name;
  double lat, lon;  // NMEA ddmm.mmm, negative south and west
  double cog, twa;  // the true wind angle comes from the instruments, to starboard
  std::int32_t boatLon, boatLat;  // worked by hand
};

// 6005.071 is held as 6005.0708008: 60 degrees and 5.0708008 minutes, 324,000,000 + 456,372.
// 2332.346 is held as 2332.3459473: 124,200,000 + 2,911,135. 34 36 S: 183,600,000 + 3,240,000;
// 58 22 W: 313,200,000 + 1,980,000; 16 47 S: 86,400,000 + 4,230,000; 179 59.5: 966,600,000 +
// 5,355,000.
const TSailingCase kCases[] = {
    {"finland", 6005.071, 2332.346, 30, 50, 127'111'135, 324'456'372},
    {"buenosaires", -3436.0, -5822.0, 200, 60, -315'180'000, -186'840'000},
    {"fiji", -1647.0, 17959.5, 60, 30, 971'955'000, -90'630'000},
    {"fiji-west", -1647.0, -17959.5, 300, 30, -971'955'000, -90'630'000},
};

class Overlays : public apptest::ProgramFixture {
 protected:
  void StartSailing() {
    WriteIni(
        "[comms]\ncomport=FAKE1\n[settings]\nspeedsource=0\nheadingsource=0\nwindsource=1\n"
        "nmeawind=0\ntargetangle=45\nrangelaylines=10\nrangecircle=30\nfperformance=0\n"
        "fspeed=0\nfcourse=0\nfwindspeed=0\nfwindangle=0\nftargetspeed=0\nfgeowindangle=0\n"
        "fvmg=0\n");
    Start();
    Advance(10700);
    ASSERT_TRUE(line->IsOpen());
    for (vcl::TTimer* t : {Form1->Timer1, Form1->Timer2, Form1->Timer3, Form1->Timer4})
      t->SetEnabled(false);
    ASSERT_TRUE(Form1->fOverlay.Built());
  }
  // One second at the position: 6 kn over the ground, the true wind 12 kn.
  void Sail(const TSailingCase& c, double sog = 6.0) {
    char body[160];
    std::snprintf(body, sizeof body, "GPRMC,120000,A,%s,%c,%s,%c,%.1f,%.1f,061226,,",
                  Nmea(c.lat, 2).c_str(), c.lat < 0 ? 'S' : 'N', Nmea(c.lon, 3).c_str(),
                  c.lon < 0 ? 'W' : 'E', sog, c.cog);
    char wind[64];
    std::snprintf(wind, sizeof wind, "IIMWV,%.1f,T,12.0,N,A", c.twa);
    ++fed;
    FeedAndWait((fed == 1 ? "\n" : "") + Sentence(body) + Sentence(wind),
                [&] { return comms->fCourseOverGround == static_cast<float>(c.cog) &&
                             comms->fLatitude == static_cast<float>(c.lat) &&
                             comms->fSpeedOverGround == static_cast<float>(sog); });
    Form1->Timer1Timer(nullptr);
  }
  static TPointLL End(TGeoDataObject* o) {
    TPointStore& s = *o->Chains().GetChain(0);
    EXPECT_EQ(s.GetCount(), 2);
    return s.GetLL(s.GetCount() - 1);
  }
  // The line's far end against GeodSolve's, and its bearing back through the engine.
  static void CheckLine(TGeoDataObject* o, const TLineEnd& e, double bearing) {
    TPointStore& s = *o->Chains().GetChain(0);
    ASSERT_EQ(s.GetCount(), 2) << o->Title;
    EXPECT_EQ(s.GetLL(0).iLongX, e.lon1) << o->Title;
    EXPECT_EQ(s.GetLL(0).iLatY, e.lat1) << o->Title;
    // The float computation may leave the bearing a hair off the table's; that much more room.
    const double slack = std::fabs(bearing - e.bearing) * kPi / 180 * e.length;
    const TPointLL far = s.GetLL(1);
    EXPECT_NEAR(far.iLongX, e.lon2 * GU_DEGREE, 3 + slack) << o->Title;
    EXPECT_NEAR(far.iLatY, e.lat2 * GU_DEGREE, 3 + slack) << o->Title;
    EXPECT_NEAR(DistanceLLToLL(s.GetLL(0), far), e.length, 3) << o->Title;
    const double back = -AngleLLToLL(s.GetLL(0), far) / static_cast<double>(GU_DEGREE);
    EXPECT_NEAR(std::remainder(back - e.bearing, 360.0), 0.0, 1e-3) << o->Title;
  }

  int fed = 0;
};

TEST_F(Overlays, LinesFromTheBoatAtThreePlacesAndAcrossTheDateLine) {
  serial::ScopedFake fake("FAKE1", line);
  StartSailing();
  const auto table = LineTable();
  ASSERT_EQ(table.size(), 18u);
  for (const TSailingCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Sail(c);
    TForm1& f = *Form1;
    const TMapOverlay& o = f.fOverlay;
    const double twd = c.cog + c.twa;
    ASSERT_FLOAT_EQ(f.fGeoWindAngle, static_cast<float>(std::fmod(twd, 360.0)));
    TPointStore& boat = *o.Boat->Chains().GetChain(0);
    ASSERT_EQ(boat.GetCount(), 1);
    EXPECT_EQ(boat.GetLL(0).iLongX, c.boatLon);
    EXPECT_EQ(boat.GetLL(0).iLatY, c.boatLat);
    EXPECT_FALSE(o.Boat->GetHidden());
    // The map is centred on the boat, or stays where it was drawn when the boat lies within
    // half a pixel of that (as across the date line from Fiji to Fiji).
    TEarthProjection* p = f.EarthMap1->Projection();
    const double boatLon = c.boatLon / double(GU_DEGREE), boatLat = c.boatLat / double(GU_DEGREE);
    EXPECT_DOUBLE_EQ(static_cast<double>(p->AskedCenterLongitude()), boatLon);
    EXPECT_DOUBLE_EQ(static_cast<double>(p->AskedCenterLatitude()), boatLat);
    const double off =
        std::fabs(std::remainder(static_cast<double>(p->GetCenterLong()) - boatLon, 360.0)) +
        std::fabs(static_cast<double>(p->GetCenterLat()) - boatLat);
    EXPECT_LT(off * GU_DEGREE * static_cast<double>(p->ScaleFactor()), 0.5);

    auto [first, last] = table.equal_range(c.name);
    std::vector<TLineEnd> lines;
    for (auto i = first; i != last; ++i) lines.push_back(i->second);
    ASSERT_EQ(lines.size(), 4u);
    CheckLine(o.StarboardLayline, lines[0], twd + 45);
    CheckLine(o.PortLayline, lines[1], twd - 45);
    CheckLine(o.HeadingLine, lines[2], f.fHeading);
    CheckLine(o.CogVector, lines[3], f.fCourseOverGround);
    EXPECT_EQ(o.WaypointLayline1->Chains().GetChain(0)->GetCount(), 0);
    EXPECT_TRUE(o.Marker->GetHidden());
  }
  // From just west of the 180th meridian the heading line ends east of it, a few miles off.
  EXPECT_GT(End(Form1->fOverlay.HeadingLine).iLongX, 0) << "east of the date line";

  // The active waypoint at Finland: its laylines the way the boat comes to it.
  Form1->fWaypointActive = true;
  Form1->fWaypointPosition = DecimalToPointLL(23.6, 60.1);
  Sail(kCases[0]);
  auto [first, last] = table.equal_range("finland-waypoint");
  CheckLine(Form1->fOverlay.WaypointLayline1, first->second, 80 + 45 + 180);
  CheckLine(Form1->fOverlay.WaypointLayline2, std::next(first)->second, 80 - 45 + 180);
  EXPECT_EQ(std::next(first, 2), last);
  TPointStore& marker = *Form1->fOverlay.Marker->Chains().GetChain(0);
  ASSERT_EQ(marker.GetCount(), 1);
  EXPECT_EQ(marker.GetLL(0).iLatY, 324'540'000);
  EXPECT_FALSE(Form1->fOverlay.Marker->GetHidden());
}

TEST_F(Overlays, RangeCircleSymbolsAndTrack) {
  serial::ScopedFake fake("FAKE1", line);
  StartSailing();
  TForm1& f = *Form1;
  const TMapOverlay& o = f.fOverlay;
  Sail(kCases[1]);  // south of the equator
  Sail(kCases[1]);
  // The track grows in the south too, one point a second.
  EXPECT_EQ(o.Track->Chains().GetChain(0)->GetCount(), 2);

  // 6 kn for 30 minutes: 3 NM, the circle's radius; its size is the diameter, 6 NM.
  TPointPresenter* circle = o.Presenter(opRangeCircle);
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->PointUnit(), TEarthUnitTypes::EarthUnit);
  EXPECT_EQ(circle->PointSize(), 540'000);
  TEarthCanvas* canvas = f.EarthMap1->EarthCanvas();
  const double sf = static_cast<double>(f.EarthMap1->Projection()->ScaleFactor());
  EXPECT_NEAR(canvas->ScaleUnitsToDevice(circle->PointSize(), TEarthUnitTypes::EarthUnit) / 2.0,
              270'000 * sf, 1.0);
  EXPECT_EQ(o.RangeCircle->Chains().GetChain(0)->GetLL(0), f.fBoatPosition);

  // Symbols: the boat turned by its heading, the wind arrow 12 kn * 2 + 10 = 34 pixels turned
  // to point downwind (the glyph points east: 270 - 260 = 10 degrees), 45 pixels upwind.
  EXPECT_EQ(o.Presenter(opBoat)->PointFont()->FontAngle(), (360 - 200) * 10);
  EXPECT_EQ(o.Presenter(opBoat)->PointFont()->FontSize(), 40);
  EXPECT_EQ(o.Presenter(opBoat)->PointFont()->FontUnit(), TEarthUnitTypes::Pixel);
  EXPECT_EQ(o.Presenter(opWindArrow)->PointFont()->FontSize(), 34);
  EXPECT_EQ(o.Presenter(opWindArrow)->PointFont()->FontAngle(), 100);
  TEarthDevicePoint boatXY, windXY;
  TEarthProjection* p = f.EarthMap1->Projection();
  ASSERT_TRUE(p->PointLLToXY(f.fBoatPosition, boatXY));
  ASSERT_TRUE(p->PointLLToXY(o.WindArrow->Chains().GetChain(0)->GetLL(0), windXY));
  const double dx = windXY.X - boatXY.X, dy = windXY.Y - boatXY.Y;
  EXPECT_NEAR(std::hypot(dx, dy), 45, 1.5);
  // Wind from 260, west by south: the arrow left of the boat and a little below it (45 sin 10).
  EXPECT_LT(dx, -40);
  EXPECT_NEAR(dy, 7.8, 1.5);

  // The current arrow shows from 0.2 kn: 1 kn makes 25 pixels, 22.5 pixels from the boat.
  f.fCurrentDrift = 0.19f;
  f.fCurrentSet = 90;
  f.RefreshDisplay();
  EXPECT_TRUE(o.CurrentArrow->GetHidden());
  f.fCurrentDrift = 1.0f;
  f.RefreshDisplay();
  EXPECT_FALSE(o.CurrentArrow->GetHidden());
  EXPECT_EQ(o.Presenter(opCurrentArrow)->PointFont()->FontSize(), 25);
  EXPECT_EQ(o.Presenter(opCurrentArrow)->PointFont()->FontAngle(), 1800);
  TEarthDevicePoint currentXY;
  ASSERT_TRUE(p->PointLLToXY(o.CurrentArrow->Chains().GetChain(0)->GetLL(0), currentXY));
  EXPECT_NEAR(currentXY.X - boatXY.X, 22.5, 1.5);
  EXPECT_NEAR(currentXY.Y - boatXY.Y, 0, 1.5);

  // No heading nor ground track: no heading line, vector or circle; the boat stays turned.
  f.fHeading = f.fCourseOverGround = f.fSpeedOverGround = NAN;
  f.RefreshDisplay();
  EXPECT_EQ(o.HeadingLine->Chains().GetChain(0)->GetCount(), 0);
  EXPECT_EQ(o.CogVector->Chains().GetChain(0)->GetCount(), 0);
  EXPECT_TRUE(o.RangeCircle->GetHidden());
  EXPECT_EQ(o.Presenter(opBoat)->PointFont()->FontAngle(), (360 - 200) * 10);

  // No position, or a replay: the track stays as it is.
  const std::int32_t before = o.Track->Chains().GetChain(0)->GetCount();
  f.fPositionKnown = false;
  f.RefreshDisplay();
  f.fPositionKnown = true;
  f.fLatitude = -3436.0f;
  f.fLongitude = -5822.0f;
  f.fReplayMode = 1;
  f.RefreshDisplay();
  EXPECT_EQ(o.Track->Chains().GetChain(0)->GetCount(), before);
}

TEST(RangeCircle, DiameterInFloatingPointAndWithinTheGlobe) {
  // SOG * minutes / 30 NM, 90,000 units a mile: 61 minutes no longer divide by zero, 31-59 are
  // not rounded to an hour.
  EXPECT_EQ(RangeCircleDiameter(6, 30), 540'000);
  EXPECT_EQ(RangeCircleDiameter(6, 61), 1'098'000);
  EXPECT_EQ(RangeCircleDiameter(6, 45), 810'000);
  EXPECT_EQ(RangeCircleDiameter(6, 0), 18'000) << "below a minute counts as one";
  // Far beyond 32 bits of units: half the globe, 10,800 NM.
  EXPECT_EQ(RangeCircleDiameter(1e6, 10'000), GU_180DEGREE);
  EXPECT_EQ(RangeCircleDiameter(INFINITY, 30), GU_180DEGREE);
  EXPECT_EQ(RangeCircleDiameter(NAN, 30), 0);
  EXPECT_EQ(RangeCircleDiameter(-4, 30), 0);
}

TEST_F(Overlays, AFortyEightHourTrackIsDrawnWhole) {
  serial::ScopedFake fake("FAKE1", line);
  StartSailing();
  TForm1& f = *Form1;
  Sail(kCases[1]);
  // 172,800 seconds along a line 2 degrees long, west to east, south of the River Plate.
  TPointStore& track = *f.fOverlay.Track->Chains().GetChain(0);
  track.SetCount(0);
  const std::int32_t n = 172'800, west = -60 * GU_DEGREE, lat = -36 * GU_DEGREE;
  for (std::int32_t i = 0; i < n; ++i) track.Add(PointLL(west + i * 62, lat));
  f.fOverlay.Track->RedrawObject();
  f.fReplayMode = 1;
  f.fLatitude = -3600.0f;
  f.fLongitude = -5900.0f;
  f.RefreshDisplay();
  // Four pixels a mile: the 2 degrees (97 NM at 36 S) span about 390 pixels.
  f.EarthMap1->Projection()->SetScaleFactor(4.0 / 90'000);
  f.Show();
  f.EarthMap1->Repaint();
  app->ProcessMessages();
  // As the screen shows it.
  const gdi::Surface& screen = win::ComposeScreen();
  auto teal = [&](std::int32_t lon) {
    TEarthDevicePoint pt;
    EXPECT_TRUE(f.EarthMap1->Projection()->LLToDeviceXY(lon, lat, pt));
    for (int dy = -1; dy <= 1; ++dy) {
      const gdi::POINT at = f.EarthMap1->ClientToScreen(gdi::POINT{pt.X, pt.Y + dy});
      if (screen.Get(at.x, at.y) == 0x008080) return true;
    }
    return false;
  };
  EXPECT_EQ(track.GetCount(), n);
  EXPECT_TRUE(teal(west + 100 * 62)) << "the first hours";
  EXPECT_TRUE(teal(west + n / 2 * 62)) << "the middle";
  // The last hour (a line leaves its last pixel out).
  EXPECT_TRUE(teal(west + (n - 3600) * 62)) << "the last hour";
}

}  // namespace
