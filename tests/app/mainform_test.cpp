#include "app/mainform.h"

#include <gtest/gtest.h>
#include <cmath>
#include <memory>

#include "app/historybuffer.h"
#include "app/polar.h"
#include "link/comsettings.h"
#include "platform/win/system.h"

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
  void Tick() { form.Timer1Timer(nullptr); }

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
  // Angles mix linearly, with no wrap at north.
  EXPECT_FLOAT_EQ(TForm1::Damp(350.0f, 10.0f, TForm1::DampFactor(50)), 180.0f);
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
  EXPECT_NEAR(form.fTrueWindSpeedPrev, -10.63, 0.01);  // damped before it is made positive
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
  EXPECT_EQ(form.fCurrentSet, 0.0f);
  EXPECT_EQ(form.fCurrentDrift, 0.0f);
  EXPECT_FLOAT_EQ(form.fHeading, 340.0f);
  instruments->fWindSide = 1;
  Tick();
  EXPECT_FLOAT_EQ(form.fGeoWindAngle, 290.0f);  // 340 + 360 - 50 - 360
  EXPECT_NEAR(form.fVMG, 6 * std::cos(50 / kDeg), 1e-5);
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
  // Wind from the east through the water, plus the current.
  EXPECT_NEAR(form.fGeoWindAngle, TrueBearing(10 + 6, -5), 1e-3);
  EXPECT_EQ(form.fHeading, 0.0f);
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
