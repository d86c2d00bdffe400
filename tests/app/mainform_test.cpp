#include "app/mainform.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "app/historybuffer.h"
#include "app/polar.h"
#include "link/comsettings.h"
#include "platform/win/system.h"
#include "tests/app/apptest.h"
#include "tests/tempdir.h"

namespace {

constexpr double kDeg = 180.0 / 3.14159265358979323846;

// The compass bearing of (east, north) the plain way.
double TrueBearing(double x, double y) {
  return std::fmod(std::atan2(x, y) * kDeg + 360.0, 360.0);
}

class MainTick : public ::testing::Test {
 protected:
  void SetUp() override {
    comms = instruments.get();
    // The values set by hand below stand for a compass and a speed log that are fitted.
    instruments->fCompassReadings = instruments->fSpeedLogReadings = 1;
    for (int* filter : {&WindAngleInputFilter, &WindSpeedInputFilter, &SpeedInputFilter,
                        &CourseInputFilter, &TargetSpeedInputFilter, &VmgInputFilter,
                        &GeoWindAngleInputFilter, &PerformanceInputFilter}) {
      *filter = 0;
    }
    for (THistoryBuffer* b :
         {&TrueWindAngleHistory, &TrueWindSpeedHistory, &DepthHistory, &GeoWindAngleHistory,
          &CourseOverGroundHistory, &SpeedOverGroundHistory, &VmgHistory}) {
      b->Clear();
    }
  }
  void TearDown() override { comms = nullptr; }

  void Apparent(float angle, float speed, float boatSpeed) {
    instruments->fApparentWindAngle = angle;
    instruments->fApparentWindSpeed = speed;
    instruments->fSpeedOverGround = boatSpeed;
  }
  // Apparent wind that matches the boat's own motion: the computed true wind is below 1e-6 kn,
  // so the speed correction alone sets the true wind speed, exactly.
  void Calm(float twsCorrection) {
    Apparent(0, 0, 1e-5f - 1e-7f);
    form.fTwsCorrection = twsCorrection;
  }
  // A second of the main tick, the winds, ground track and depth set by hand heard in it.
  void Tick() {
    Tcomms& c = *instruments;
    for (std::uint32_t* n : {&c.fApparentWindReadings, &c.fTrueWindReadings,
                             &c.fGroundSpeedReadings, &c.fCourseReadings, &c.fDepthReadings})
      ++*n;
    form.Timer1Timer(nullptr);
  }
  // A second of sentences read as the decoder reads them, then both ticks.
  void Hear(const std::string& lines) {
    instruments->ReceiveChars(lines.data(), lines.size());
    form.Timer1Timer(nullptr);
    form.Timer3Timer(nullptr);
  }

  // The tick appends to the text log beside it.
  TempWorkDir work{"corv_maintick"};
  // The forms own timers, which need the window system.
  win::SystemScope windows;
  std::unique_ptr<Tcomms> instruments = std::make_unique<Tcomms>(nullptr);
  TForm1 form{nullptr};
};

// --- Damping --------------------------------------------------------------------------------

TEST(Damp, ZeroPercentPassesTheSampleAndHundredFreezes) {
  EXPECT_EQ(TForm1::DampFactor(0), 1.0f);
  EXPECT_EQ(TForm1::DampFactor(100), 0.0f);
  EXPECT_FLOAT_EQ(TForm1::DampFactor(30), 0.7f);
  EXPECT_EQ(TForm1::Damp(12.5f, 300.0f, TForm1::DampFactor(0)), 12.5f);
  EXPECT_EQ(TForm1::Damp(12.5f, 300.0f, TForm1::DampFactor(100)), 300.0f);
  // Plain values mix linearly; a sample that is not a number leaves the memory as it was.
  EXPECT_FLOAT_EQ(TForm1::Damp(350.0f, 10.0f, TForm1::DampFactor(50)), 180.0f);
  EXPECT_EQ(TForm1::Damp(std::nanf(""), 7.5f, TForm1::DampFactor(50)), 7.5f);
  EXPECT_EQ(TForm1::Damp(-std::numeric_limits<float>::infinity(), 7.5f, 1.0f), 7.5f);
  EXPECT_EQ(TForm1::DampAngle(std::nanf(""), 7.5f, 1.0f), 7.5f);
}

TEST_F(MainTick, DampedValuesFollowTheirFilters) {
  instruments->fSpeedThroughWater = 6;
  instruments->fCourseOverGround = 100;
  form.fTargetSpeed = 8;
  SpeedInputFilter = 100;
  CourseInputFilter = 50;
  TargetSpeedInputFilter = 0;
  Tick();
  EXPECT_EQ(form.fSpeedThroughWater, 0.0f);
  EXPECT_EQ(form.fSpeedThroughWaterPrev, 0.0f);
  EXPECT_FLOAT_EQ(form.fCourseOverGround, 50.0f);
  EXPECT_FLOAT_EQ(form.fCourseOverGroundPrev, 50.0f);
  EXPECT_EQ(form.fTargetSpeed, 8.0f);
  Tick();
  EXPECT_FLOAT_EQ(form.fCourseOverGround, 75.0f);
}

TEST_F(MainTick, ApparentWindAngleIsDampedOnCopy) {
  instruments->fApparentWindAngle = 40;
  WindAngleInputFilter = 75;
  form.ReadInstrumentInputs();
  EXPECT_FLOAT_EQ(form.fApparentWindAngle, 10.0f);
  EXPECT_FLOAT_EQ(form.fApparentWindAnglePrev, 10.0f);
}

// --- Copy and clamp -------------------------------------------------------------------------

TEST_F(MainTick, InstrumentValuesAreClamped) {
  Tcomms& c = *instruments;
  c.fCourseOverGround = 361;
  c.fHeading = 361;
  c.fSpeedOverGround = 150;
  c.fSpeedThroughWater = -2;
  c.fApparentWindSpeed = 0;
  c.fApparentWindAngle = 400;
  c.fTrueWindSpeed = -5;
  c.fTrueWindAngle = -3;
  c.fVMG = -150;
  c.fDepth = 2000;
  c.fLatitude = -4916.45f;
  c.fLongitude = 12311.12f;
  form.ReadInstrumentInputs();
  EXPECT_EQ(form.fCourseOverGround, 0.0f);
  EXPECT_EQ(form.fHeading, 360.0f);
  EXPECT_EQ(form.fSpeedOverGround, 100.0f);
  EXPECT_EQ(form.fSpeedThroughWater, 0.0f);
  EXPECT_EQ(form.fApparentWindSpeed, 1e-5f);
  EXPECT_EQ(form.fApparentWindAngle, 360.0f);
  EXPECT_EQ(form.fTrueWindSpeed, -5.0f);  // no lower bound
  EXPECT_EQ(form.fTrueWindAngle, 0.0f);
  EXPECT_EQ(form.fVMG, -100.0f);
  EXPECT_EQ(form.fDepth, 1000.0f);
  EXPECT_EQ(form.fLatitude, -4916.45f);
  EXPECT_EQ(form.fLongitude, 12311.12f);
}

// A value that is not a number passes no comparison, so a clamp written as "above the limit"
// lets it through: it must neither pass the clamps nor replace the last good reading.
TEST_F(MainTick, ValuesThatAreNotNumbersKeepTheLastReadingAndNeverComeOut) {
  Tcomms& c = *instruments;
  c.fHeading = 123;
  c.fSpeedOverGround = 6.5f;
  c.fSpeedThroughWater = 6;
  c.fDepth = 12;
  c.fLatitude = 5230.5f;
  form.ReadInstrumentInputs();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {nan, -nan, inf, -inf}) {
    for (float* v : {&c.fSpeedOverGround, &c.fCourseOverGround, &c.fTrueWindAngle,
                     &c.fApparentWindAngle, &c.fHeading, &c.fVMG, &c.fDepth, &c.fTrueWindSpeed,
                     &c.fApparentWindSpeed, &c.fSpeedThroughWater, &c.fLatitude, &c.fLongitude})
      *v = bad;
    form.fHeadingSource = form.fSpeedSource = 1;  // a current made from what was kept
    Tick();
    EXPECT_EQ(form.fHeading, 123.0f);
    EXPECT_EQ(form.fSpeedOverGround, 6.5f);
    EXPECT_EQ(form.fDepth, 12.0f);
    EXPECT_EQ(form.fLatitude, 5230.5f);
    for (float v : {form.fSpeedOverGround, form.fCourseOverGround, form.fTrueWindAngle,
                    form.fApparentWindAngle, form.fHeading, form.fVMG, form.fDepth,
                    form.fTrueWindSpeed, form.fApparentWindSpeed, form.fSpeedThroughWater,
                    form.fGeoWindAngle, form.fCurrentSet, form.fCurrentDrift, form.fLongitude})
      EXPECT_TRUE(std::isfinite(v)) << bad;
  }
}

// --- True wind ------------------------------------------------------------------------------

TEST_F(MainTick, TrueWindOnAReach) {
  Apparent(45, 10, 5);
  Tick();
  EXPECT_NEAR(form.fTrueWindAngle, 73.68, 0.01);
  EXPECT_NEAR(form.fTrueWindSpeed, 7.37, 0.01);
}

TEST_F(MainTick, TrueWindAbaftTheBeam) {
  Apparent(150, 5, 6);
  Tick();
  EXPECT_NEAR(form.fTrueWindAngle, 166.40, 0.01);
  EXPECT_NEAR(form.fTrueWindSpeed, 10.63, 0.01);
  EXPECT_NEAR(form.fTrueWindSpeedPrev, 10.63, 0.01);
}

TEST_F(MainTick, SpeedCorrectionIsAddedToTheWindsStrength) {
  // AWA 150 at 5 kn, boat 6 kn: the true wind has 2.5 kn across and 10.33 kn along (from astern),
  // 10.63 kn in all; +1 kn makes it 11.63, not 9.63.
  Apparent(150, 5, 6);
  form.fTwsCorrection = 1;
  Tick();
  EXPECT_NEAR(form.fTrueWindSpeed, 11.63, 0.01);
  EXPECT_NEAR(form.fTrueWindAngle, 166.40, 0.01);
  Apparent(45, 10, 5);  // forward of the beam: 7.37 + 1
  Tick();
  EXPECT_NEAR(form.fTrueWindSpeed, 8.37, 0.01);
}

// True wind of speed tws at angle twa seen from a boat making bs: the apparent wind, as the
// instruments would show it (vector sum of the true wind and the headwind of the boat's motion).
void ApparentOf(double tws, double twa, double bs, float& awa, float& aws) {
  const double across = tws * std::sin(twa / kDeg), along = tws * std::cos(twa / kDeg) + bs;
  aws = static_cast<float>(std::hypot(across, along));
  awa = static_cast<float>(std::atan2(across, along) * kDeg);
}

TEST_F(MainTick, DampedWindSpeedHoldsAsTheWindCrossesTheBeam) {
  WindSpeedInputFilter = 50;
  float awa = 0, aws = 0;
  ApparentOf(10, 80, 5, awa, aws);
  for (int i = 0; i < 30; ++i) {
    Apparent(awa, aws, 5);
    Tick();
  }
  EXPECT_NEAR(form.fTrueWindSpeed, 10.0, 0.01);
  ApparentOf(10, 100, 5, awa, aws);  // bearing away: the same wind, now abaft the beam
  Apparent(awa, aws, 5);
  Tick();
  EXPECT_NEAR(form.fTrueWindAngle, 100.0, 0.01);
  EXPECT_NEAR(form.fTrueWindSpeed, 10.0, 0.01);
}

TEST_F(MainTick, FrozenApparentAngleGivesAWindAlongTheBoatNeverANan) {
  // Damping at 100 % keeps the apparent angle at its start value, 0: the wind is then all along
  // the boat, ahead when the apparent wind is faster than the boat, astern when slower.
  WindAngleInputFilter = 100;
  Apparent(45, 10, 5);
  Tick();
  EXPECT_FLOAT_EQ(form.fTrueWindSpeed, 5.0f);
  EXPECT_FLOAT_EQ(form.fTrueWindAngle, 0.0f);
  Apparent(45, 3, 5);
  Tick();
  EXPECT_FLOAT_EQ(form.fTrueWindSpeed, 2.0f);
  EXPECT_FLOAT_EQ(form.fTrueWindAngle, 180.0f);
  EXPECT_TRUE(std::isfinite(form.fVMG));
  EXPECT_TRUE(std::isfinite(form.fGeoWindAngle));
  // Released, the values recover at once: no memory kept a NaN.
  WindAngleInputFilter = 0;
  form.fApparentWindAnglePrev = 45;
  Apparent(45, 10, 5);
  Tick();
  EXPECT_NEAR(form.fTrueWindAngle, 73.68, 0.01);
  EXPECT_NEAR(form.fTrueWindSpeed, 7.37, 0.01);
  for (THistoryBuffer* b :
       {&TrueWindAngleHistory, &TrueWindSpeedHistory, &GeoWindAngleHistory, &VmgHistory})
    EXPECT_TRUE(std::isfinite(b->Average(0, 3, 1)));
}

TEST_F(MainTick, NonFiniteCorrectionsLeaveTheMemoriesFinite) {
  // A correction typed as 1e39 is infinite as a float; the sample is refused, not remembered.
  WindSpeedInputFilter = 50;
  Apparent(45, 10, 5);
  Tick();
  const float before = form.fTrueWindSpeed;
  form.fTwsCorrection = std::numeric_limits<float>::infinity();
  form.fTwaCorrection = std::numeric_limits<float>::denorm_min();
  Tick();
  EXPECT_EQ(form.fTrueWindSpeed, before);
  EXPECT_TRUE(std::isfinite(form.fTrueWindSpeedPrev));
  EXPECT_TRUE(std::isfinite(form.fTrueWindAngle));
  EXPECT_TRUE(std::isfinite(form.fTwaCorrectionApplied));
  EXPECT_TRUE(std::isfinite(form.fVMG));
  form.fTwsCorrection = 0;
  form.fTwaCorrection = 0;
  Tick();
  EXPECT_NEAR(form.fTrueWindSpeed, (before + 7.37) / 2, 0.01);
}

TEST_F(MainTick, BoatSpeedFromTheLogWhenChosen) {
  Apparent(45, 10, 0);
  instruments->fSpeedThroughWater = 5;
  form.fSpeedSource = 1;
  Tick();
  EXPECT_NEAR(form.fTrueWindAngle, 73.68, 0.01);
}

TEST_F(MainTick, ApparentWindAlongTheBoatsMotionGivesABeamWind) {
  Apparent(0, 5, 5);  // the angle's floor has a cosine of exactly 1
  Tick();
  EXPECT_EQ(form.fTrueWindAngle, 90.0f);
  EXPECT_TRUE(std::isfinite(form.fTrueWindSpeed));
  EXPECT_LT(form.fTrueWindSpeed, 1e-5f);
  EXPECT_TRUE(std::isfinite(form.fGeoWindAngle));
}

TEST_F(MainTick, TrueWindIsFiniteForEveryApparentWindAndSpeed) {
  for (float awa = 0; awa <= 360; awa += 7.5f) {
    for (float aws : {0.0f, 1e-5f, 0.3f, 6.0f, 35.0f, 100.0f}) {
      for (float bs : {0.0f, 1e-5f, 0.3f, 6.0f, 35.0f}) {
        Apparent(awa, aws, bs);
        form.fTwaCorrection = 10;
        Tick();
        ASSERT_TRUE(std::isfinite(form.fTrueWindAngle)) << awa << " " << aws << " " << bs;
        ASSERT_TRUE(std::isfinite(form.fTrueWindSpeed)) << awa << " " << aws << " " << bs;
        EXPECT_GE(form.fTrueWindAngle, 0.0f);
        EXPECT_LE(form.fTrueWindAngle, 182.5f);
        EXPECT_GE(form.fTrueWindSpeed, 0.0f);
      }
    }
  }
}

TEST_F(MainTick, TrueWindFromTheInputIsTakenAsIs) {
  instruments->fTrueWindAngle = 120;
  instruments->fTrueWindSpeed = 14;
  Apparent(30, 20, 6);
  form.fWindSource = 1;
  form.fTwsCorrection = 3;
  form.fTwaCorrection = 10;
  form.fTwaCorrectionApplied = 7;
  Tick();
  EXPECT_EQ(form.fTrueWindAngle, 120.0f);
  EXPECT_EQ(form.fTrueWindSpeed, 14.0f);
  EXPECT_EQ(form.fTwaCorrectionApplied, 7.0f);
}

// VWT's true wind beside the vane's MWV, a second each: 'A' the apparent wind alone (30 off port,
// 14 kn), 'T' the true wind alone (60 off port, 10 kn: from 210 + 300 - 360 = 150 on the GPS's
// course, VMG 5.8 cos 60 = 2.9), 'B' both, '-' neither; a wind not shown is NaN, as all made of it.
TEST_F(MainTick, ATrueWindSourceThatIsSilentGivesNoTrueWind) {
  form.fWindSource = instruments->fWindSource = 1;
  const auto nan = [](auto... v) { return (std::isnan(v) && ...); };
  const TForm1& f = form;
  std::string shown;
  for (int s = 1; s <= 24; ++s) {  // the vane from 2 s to 14 s, the true wind at 4 s and from 15 s
    Hear(apptest::Sentence("GPVTG,210.0,T,210.0,M,5.8,N,,,A") +
         (s >= 2 && s <= 14 ? apptest::Sentence("IIMWV,330.0,R,14.0,N,A") : "") +
         (s == 4 || s >= 15 ? apptest::Sentence("IIVWT,60.0,L,10.0,N,,,,") : ""));
    const bool a = f.fApparentWindAngle == 30.0f && f.fApparentWindSpeed == 14.0f;
    const bool t = f.fTrueWindAngle == 60.0f && f.fTrueWindSpeed == 10.0f &&
                   std::fabs(f.fGeoWindAngle - 150) < 1e-3f && std::fabs(f.fVMG - 2.9f) < 1e-5f &&
                   f.fPerformance >= 0;
    const bool none = nan(f.fTrueWindAngle, f.fTrueWindSpeed, f.fGeoWindAngle, f.fVMG,
                          f.fTargetSpeed, f.fPerformance);
    shown += (a || nan(f.fApparentWindAngle, f.fApparentWindSpeed)) && (t || none)
                 ? "-TAB"[a * 2 + t]
                 : '?';
  }
  EXPECT_EQ(shown, "-AABBBBBBBBBBABBBBBBBBBT");  // nine seconds more after a wind's last value
}

// --- Upwash ---------------------------------------------------------------------------------

TEST_F(MainTick, UpwashGrowsWithTheWindUpToItsLimit) {
  form.fTwaCorrection = 10;
  Calm(15);
  Tick();
  EXPECT_EQ(form.fTrueWindSpeed, 15.0f);
  EXPECT_EQ(form.fTwaCorrectionApplied, -1.0f);  // wind from starboard
  EXPECT_NEAR(form.fTrueWindAngle, 1.0, 0.01);
  instruments->fWindSide = 1;
  Calm(30);
  Tick();
  EXPECT_EQ(form.fTwaCorrectionApplied, 2.5f);
}

TEST_F(MainTick, NoUpwashAtFiveKnotsOrBelowNorAtExactlyTwentyFive) {
  form.fTwaCorrection = 10;
  for (float tws : {4.0f, 5.0f, 25.0f}) {
    form.fTwaCorrectionApplied = 7;
    Calm(tws);
    Tick();
    EXPECT_EQ(form.fTrueWindSpeed, tws);
    EXPECT_EQ(form.fTwaCorrectionApplied, 0.0f) << tws;
    EXPECT_LT(form.fTrueWindAngle, 0.01f) << tws;
  }
}

TEST_F(MainTick, UpwashNeedsACloseWindAndAFactor) {
  form.fTwaCorrectionApplied = 7;
  Calm(15);
  Tick();  // no factor
  EXPECT_EQ(form.fTwaCorrectionApplied, 7.0f);
  form.fTwaCorrection = 10;
  Apparent(70, 15, 0);  // true wind forward of the beam but too free
  Tick();
  EXPECT_EQ(form.fTwaCorrectionApplied, 7.0f);
}

// --- Current and wind direction -------------------------------------------------------------

TEST_F(MainTick, WithoutCompassAndLogTheWindDirectionIsCourseAndAngle) {
  instruments->fWindSource = 1;
  form.fWindSource = 1;
  instruments->fTrueWindAngle = 50;
  instruments->fTrueWindSpeed = 12;
  instruments->fCourseOverGround = 340;
  instruments->fSpeedOverGround = 6;
  Tick();
  EXPECT_FLOAT_EQ(form.fGeoWindAngle, 30.0f);  // 340 + 50 - 360
  EXPECT_TRUE(std::isnan(form.fCurrentSet) && std::isnan(form.fCurrentDrift));
  EXPECT_FLOAT_EQ(form.fHeading, 340.0f);
  instruments->fWindSide = 1;
  Tick();
  EXPECT_FLOAT_EQ(form.fGeoWindAngle, 290.0f);  // 340 + 360 - 50 - 360
  EXPECT_NEAR(form.fVMG, 6 * std::cos(50 / kDeg), 1e-5);
}

// A yacht with no compass fitted, its instruments' own lines: every HDT and HDM comes empty. With
// compass and log chosen the course over ground stands in for the heading, so there is no current
// made up from a heading of 0; the log's speed is still the boat's speed.
TEST_F(MainTick, ACompassThatNeverSpokeStandsDownForTheGpsCourse) {
  Tcomms& c = *instruments;
  c.fCompassReadings = c.fSpeedLogReadings = 0;
  form.fHeadingSource = c.fHeadingSource = 1;
  form.fSpeedSource = c.fSpeedSource = 1;
  const std::string lines =
      "$IIVHW,,T,,M,06.11,N,11.31,K*51\r\n$IIVTG,224.44,T,224.44,M,5.81,N,,,D*68\r\n"
      "$IIMWV,338,R,13.41,N,A*2C\r\n$IIHDT,,T*0C\r\n$IIHDM,,M*0C\r\n";
  c.ReceiveChars(lines.data(), lines.size());
  Tick();
  EXPECT_FLOAT_EQ(form.fHeading, 224.44f);
  EXPECT_TRUE(std::isnan(form.fCurrentDrift));
  // Apparent 13.41 kn at 22 degrees off the port bow, 6.11 kn through the water: across 5.024,
  // along 12.434 - 6.11 = 6.324, so the true wind is 8.08 kn at 38.5 degrees (the instruments'
  // own VWT says 039 L 8.10) and comes from 224.44 - 38.46 = 186.0.
  EXPECT_NEAR(form.fTrueWindSpeed, 8.076, 0.005);
  EXPECT_NEAR(form.fGeoWindAngle, 185.98, 0.02);

  // A compass that speaks takes over: heading and water track on 224.44 at 6.11 kn against 5.81
  // over the ground leave 0.30 kn of current setting the other way, 044.44.
  const std::string heading = "$IIHDT,224.44,T*16\r\n";
  c.ReceiveChars(heading.data(), heading.size());
  Tick();
  EXPECT_NEAR(form.fCurrentDrift, 0.30, 1e-3);
  EXPECT_NEAR(form.fCurrentSet, 44.44, 0.01);
}

TEST_F(MainTick, CurrentAndGroundWindWithCompassAndLog) {
  form.fWindSource = 1;
  form.fHeadingSource = 1;
  form.fSpeedSource = 1;
  instruments->fTrueWindAngle = 90;
  instruments->fTrueWindSpeed = 10;
  instruments->fHeading = 0;
  instruments->fSpeedThroughWater = 5;
  instruments->fCourseOverGround = 90;
  instruments->fSpeedOverGround = 6;
  Tick();
  // Water track 5 kn north, ground track 6 kn east: the current sets south-east.
  EXPECT_NEAR(form.fCurrentSet, TrueBearing(6, -5), 1e-3);
  EXPECT_NEAR(form.fCurrentDrift, std::sqrt(61.0), 1e-5);
  // Wind from the east at 10 kn through water that moves 6 kn east and 5 kn south: over the
  // ground the air moves 4 kn west and 5 kn south, so it comes from 038.7.
  EXPECT_NEAR(form.fGeoWindAngle, 38.66, 0.01);
  EXPECT_EQ(form.fHeading, 0.0f);
}

TEST_F(MainTick, GroundWindIsTheWaterWindLessTheCurrent) {
  struct Case {
    float twa, tws;  // true wind from the instruments, off a bow pointing north
    float cog, sog;  // ground track of a boat making 5 kn north through the water
    float set, drift, groundWind;
  };
  // Worked by hand: from 090 at 10 kn, 2 kn setting 180, the air over the ground moves west at
  // 10 and south at 2, so it comes from atan(10/2) = 078.7; from 000 with 2 kn setting 090 it
  // moves south at 10 and east at 2: from 360 - 11.3 = 348.7.
  for (const Case& k :
       {Case{90, 10, 0, 3, 180, 2, 78.69f}, Case{0, 10, 21.80f, 5.385f, 90, 2, 348.69f}}) {
    SetUp();
    form.fWindSource = 1;
    form.fHeadingSource = 1;
    form.fSpeedSource = 1;
    instruments->fTrueWindAngle = k.twa;
    instruments->fTrueWindSpeed = k.tws;
    instruments->fHeading = 0;
    instruments->fSpeedThroughWater = 5;
    instruments->fCourseOverGround = k.cog;
    instruments->fSpeedOverGround = k.sog;
    Tick();
    EXPECT_NEAR(form.fCurrentSet, k.set, 0.05) << k.twa;
    EXPECT_NEAR(form.fCurrentDrift, k.drift, 0.01) << k.twa;
    EXPECT_NEAR(form.fGeoWindAngle, k.groundWind, 0.05) << k.twa;
  }
}

TEST_F(MainTick, AnglesAreDampedAlongTheShorterArc) {
  CourseInputFilter = 50;
  GeoWindAngleInputFilter = 50;
  form.fWindSource = 1;
  instruments->fTrueWindAngle = 10;
  instruments->fTrueWindSpeed = 12;
  instruments->fSpeedOverGround = 6;
  instruments->fCourseOverGround = 355;
  form.fCourseOverGroundPrev = 355;
  form.fGeoWindAngle = 5;  // course 355 + 10
  Tick();
  EXPECT_NEAR(form.fCourseOverGround, 355.0, 1e-3);
  EXPECT_NEAR(form.fGeoWindAngle, 5.0, 1e-3);
  // Course 005: halfway from 355 is north, not 180; the wind then comes from 010, and halfway
  // from 005 is 007.5, not 261.
  instruments->fCourseOverGround = 5;
  Tick();
  EXPECT_NEAR(std::remainder(form.fCourseOverGround, 360.0f), 0.0, 1e-3);
  EXPECT_GE(form.fCourseOverGround, 0.0f);
  EXPECT_LT(form.fCourseOverGround, 360.0f);
  EXPECT_NEAR(form.fGeoWindAngle, 7.5, 1e-3);
  // West through north: 350 and 020 meet at 005.
  EXPECT_NEAR(TForm1::DampAngle(20, 350, 0.5f), 5.0, 1e-3);
  EXPECT_NEAR(TForm1::DampAngle(350, 20, 0.5f), 5.0, 1e-3);
  EXPECT_NEAR(TForm1::DampAngle(190, 170, 0.25f), 175.0, 1e-3);
  EXPECT_EQ(TForm1::DampAngle(123.4f, 300, 1.0f), 123.4f);  // no damping: as it stands
}

TEST_F(MainTick, GroundWindUsesTheTrueWindSpeedMadePositive) {
  form.fHeadingSource = 1;
  form.fSpeedSource = 1;
  Apparent(150, 5, 6);
  instruments->fSpeedThroughWater = 6;
  Tick();  // no current: ground track equals water track
  EXPECT_NEAR(form.fCurrentDrift, 0.0, 1e-5);
  EXPECT_NEAR(form.fTrueWindSpeed, 10.63, 0.01);
  EXPECT_NEAR(form.fGeoWindAngle, 166.40, 0.05);
}

// --- History --------------------------------------------------------------------------------

TEST_F(MainTick, EveryTickPushesItsValues) {
  Apparent(45, 10, 5);
  instruments->fDepth = 12;
  instruments->fCourseOverGround = 200;
  Tick();
  Tick();
  EXPECT_EQ(TrueWindAngleHistory.head, 2);
  EXPECT_EQ(TrueWindAngleHistory.Average(0, 1, 1), form.fTrueWindAngle);
  EXPECT_EQ(TrueWindSpeedHistory.Average(0, 1, 1), form.fTrueWindSpeed);
  EXPECT_EQ(DepthHistory.Average(0, 1, 1), 12.0f);
  EXPECT_EQ(GeoWindAngleHistory.Average(0, 1, 1), form.fGeoWindAngle);
  EXPECT_EQ(CourseOverGroundHistory.Average(0, 1, 1), 200.0f);
  EXPECT_EQ(SpeedOverGroundHistory.Average(0, 1, 1), 5.0f);
  EXPECT_EQ(VmgHistory.Average(0, 1, 1), form.fVMG);
}

// --- Target speed and performance ----------------------------------------------------------

class TargetTick : public MainTick {
 protected:
  void SetUp() override {
    MainTick::SetUp();
    TargetSpeedHistory.Clear();
    PerformanceHistory.Clear();
    Polardata = polar.get();
  }
  void TearDown() override {
    Polardata = nullptr;
    MainTick::TearDown();
  }
  // The same boat speed at every wind.
  void FlatPolar(float speed) {
    polar->fTwsCount = 1;
    polar->fTwsValues[0] = 10;
    for (std::size_t k = 0; k < kCurvePoints; ++k) {
      polar->fPolarCurves[0][k] = TPolarPoint{2.0 * static_cast<double>(k), speed, 0};
    }
  }

  std::unique_ptr<TPolardata> polar = std::make_unique<TPolardata>(nullptr);
};

TEST_F(TargetTick, PerformanceIsTheBoatSpeedOverTheTarget) {
  FlatPolar(8);
  form.fSpeedOverGround = 6;
  form.fSpeedThroughWater = 2;
  form.Timer3Timer(nullptr);
  EXPECT_EQ(form.fTargetSpeed, 8.0f);
  EXPECT_FLOAT_EQ(form.fPerformance, 75.0f);
  EXPECT_EQ(TargetSpeedHistory.Average(0, 1, 1), 8.0f);
  EXPECT_FLOAT_EQ(PerformanceHistory.Average(0, 1, 1), 75.0f);
  form.fSpeedSource = 1;
  PerformanceInputFilter = 50;
  form.Timer3Timer(nullptr);
  EXPECT_FLOAT_EQ(form.fPerformance, (25.0f + 75.0f) / 2);
  EXPECT_FLOAT_EQ(form.fPerformancePrev, 50.0f);
}

TEST_F(TargetTick, PerformanceIsCappedAtFiveHundred) {
  FlatPolar(1);
  form.fSpeedOverGround = 6;
  form.Timer3Timer(nullptr);
  EXPECT_EQ(form.fPerformance, 500.0f);
}

TEST_F(TargetTick, NoTargetGivesNoPerformanceAndNoHugeTarget) {
  FlatPolar(0);
  form.fSpeedOverGround = 6;
  form.Timer3Timer(nullptr);
  EXPECT_EQ(form.fTargetSpeed, 0.0f);
  EXPECT_EQ(TargetSpeedHistory.Average(0, 1, 1), 0.0f);
  EXPECT_NEAR(form.fPerformance, 0.0, 1e-3);
  // The main tick damps the target that is shown, logged and sent: it stays 0.
  TargetSpeedInputFilter = 50;
  Tick();
  EXPECT_EQ(form.fTargetSpeed, 0.0f);
  EXPECT_EQ(form.fTargetSpeedPrev, 0.0f);
  Polardata = nullptr;
  form.Timer3Timer(nullptr);
  EXPECT_EQ(form.fTargetSpeed, 0.0f);
}

TEST_F(TargetTick, TheMainTickDampsTheTargetTheTargetTickStored) {
  FlatPolar(8);
  TargetSpeedInputFilter = 75;
  form.Timer3Timer(nullptr);
  Tick();
  EXPECT_FLOAT_EQ(form.fTargetSpeed, 2.0f);
  form.Timer3Timer(nullptr);
  Tick();
  EXPECT_FLOAT_EQ(form.fTargetSpeed, 0.25f * 8 + 0.75f * 2);
}

// Upwash (factor 10) applies up to 50 degrees off the bow, worked by hand: a 15 kn true wind at 49
// degrees gets (15 - 5) / 10 = 1 more, one at 51 none and the correction sent stays; abaft the
// beam the correction sent goes back to 0.
TEST_F(TargetTick, UpwashEndsAtFiftyDegreesAndAbaftTheBeam) {
  form.fTwaCorrection = 10;
  const double cases[][3] = {{49, 50, -1}, {51, 51, -1}, {120, 120, 0}};  // twa, shown, sent
  for (const auto& [twa, shown, sent] : cases) {
    float awa = 0, aws = 0;
    ApparentOf(15, twa, 5, awa, aws);
    Apparent(awa, aws, 5);
    Tick();
    EXPECT_NEAR(form.fTrueWindAngle, shown, 0.01) << twa;
    EXPECT_NEAR(form.OutputValues().fTwaCorrectionApplied, sent, 1e-4) << twa;  // starboard
  }
}

// A vane at 12 kn dead ahead throughout, a compass on 180 from the 2nd second, a GPS at 5.0 kn on
// 180 in the 2nd, 3rd and 16th, a log at 6.0 from the 2nd to the 5th, a sounder at 8.5 m in the
// 2nd and from the 15th, each heard until nine seconds after its last value; the filters at 50 %
// mix nothing from before a silence. By hand: true wind 12 - 6 = 6 kn from 180, current 1 kn, VMG
// 5, performance 6 / 8 = 75 %; without the GPS no current nor VMG; without the log no true wind;
// the GPS back, 12 - 5 = 7 kn and 5 / 8 = 62.5 %.
TEST_F(TargetTick, NothingIsMadeOfAGpsLogOrSounderThatIsSilent) {
  FlatPolar(8);
  SpeedInputFilter = CourseInputFilter = WindSpeedInputFilter = GeoWindAngleInputFilter =
      PerformanceInputFilter = 50;
  Tcomms& c = *instruments;
  c.fCompassReadings = c.fSpeedLogReadings = 0;
  form.fHeadingSource = c.fHeadingSource = form.fSpeedSource = c.fSpeedSource = 1;
  std::vector<std::string> shown;
  for (int s = 1; s <= 16; ++s) {
    using apptest::Sentence;
    Hear(Sentence("IIMWV,0.0,R,12.0,N,A") + (s >= 2 ? Sentence("HCHDT,180.0,T") : "") +
         (s == 2 || s == 3 || s == 16 ? Sentence("GPVTG,180.0,T,180.0,M,5.0,N,,,A") : "") +
         (s >= 2 && s <= 5 ? Sentence("IIVHW,,T,,M,6.0,N,,K") : "") +
         (s == 2 || s >= 15 ? Sentence("SDDBT,,f,8.5,M,,F") : ""));
    std::string row;
    char text[16];
    for (float v : {form.fSpeedOverGround, form.fCourseOverGround, form.fSpeedThroughWater,
                    form.fDepth, form.fHeading, form.fTrueWindSpeed, form.fGeoWindAngle,
                    form.fCurrentDrift, form.fVMG, form.fPerformance}) {
      std::snprintf(text, sizeof text, " %.1f", static_cast<double>(v));
      row += std::isnan(v) ? " -" : text;
    }
    shown.push_back(row);
  }
  // SOG, COG, STW, depth, heading, TWS, TWD, drift, VMG, performance:
  std::vector<std::string> expected = {" - - - - - - - - - -"};
  expected.insert(expected.end(), 10, " 5.0 180.0 6.0 8.5 180.0 6.0 180.0 1.0 5.0 75.0");
  expected.push_back(" 5.0 180.0 6.0 - 180.0 6.0 180.0 1.0 5.0 75.0");
  expected.insert(expected.end(), 2, " - - 6.0 - 180.0 6.0 180.0 - - 75.0");
  expected.push_back(" - - - 8.5 180.0 - - - - -");
  expected.push_back(" 5.0 180.0 - 8.5 180.0 7.0 180.0 - 5.0 62.5");
  EXPECT_EQ(shown, expected);
}

// --- Bearing --------------------------------------------------------------------------------

TEST(Bearing, EveryDirectionInZeroToThreeSixty) {
  EXPECT_EQ(bearing(0, 1), 0.0f);
  EXPECT_EQ(bearing(1, 0), 90.0f);
  EXPECT_EQ(bearing(0, -1), 180.0f);
  EXPECT_EQ(bearing(-1, 0), 270.0f);
  EXPECT_EQ(bearing(0, 0), 0.0f);
  EXPECT_FLOAT_EQ(bearing(1, 1), 45.0f);
  EXPECT_FLOAT_EQ(bearing(1, -1), 135.0f);
  EXPECT_FLOAT_EQ(bearing(-1, -1), 225.0f);
  EXPECT_FLOAT_EQ(bearing(-1, 1), 315.0f);
  EXPECT_LT(bearing(-1e-30f, 1), 360.0f);
  for (float a = 0; a < 360; a += 0.5f) {
    const float b = bearing(std::sin(a / kDeg), std::cos(a / kDeg));
    EXPECT_GE(b, 0.0f);
    EXPECT_LT(b, 360.0f);
    EXPECT_NEAR(std::remainder(b - a, 360.0f), 0.0, 1e-3) << a;
  }
}

}  // namespace
