#include "app/mainform.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/historybuffer.h"
#include "app/polar.h"
#include "link/comsettings.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/rtlmath.h"

int WindAngleInputFilter = 0;
int WindSpeedInputFilter = 0;
int SpeedInputFilter = 0;
int CourseInputFilter = 0;
int TargetSpeedInputFilter = 0;
int VmgInputFilter = 0;
int GeoWindAngleInputFilter = 0;
int PerformanceInputFilter = 0;

int PerformanceSmoothing = 20;
int SpeedSmoothing = 1;
int CourseSmoothing = 1;
int WindSpeedSmoothing = 30;
int WindAngleSmoothing = 30;
int TargetSpeedSmoothing = 10;
int GeoWindAngleSmoothing = 30;
int VmgSmoothing = 10;

TForm1* Form1 = nullptr;

namespace {

constexpr float kPi = static_cast<float>(rtl::Pi);
constexpr float kDegPerRad = 57.29577951308232f;
// Floor of the apparent wind, so that the true wind step never divides by zero.
constexpr float kWindFloor = 1e-5f;
// Stands in for a north component of exactly zero.
constexpr float kTinyNorth = 1e-5f;

float Rad(float deg) {
  return deg * (1.0f / 180.0f) * kPi;
}
float Deg(float rad) {
  return rad * (1.0f / kPi) * 180.0f;
}

// A value that is not a number fails every comparison: the clamps take it as out of range, so
// nothing after them sees one.
void ClampAbove(float& v, float limit, float replacement) {
  if (!(v <= limit)) v = replacement;
}
void ClampBelow(float& v, float limit, float replacement) {
  if (!(v >= limit)) v = replacement;
}

// An instrument value that is not finite is no reading: the value of the last tick stays.
void TakeReading(float& value, float reading) {
  if (std::isfinite(reading)) value = reading;
}

// The same direction in [0, 360).
float Normalized(float deg) {
  float a = std::fmod(deg, 360.0f);
  if (a < 0) a += 360.0f;
  return a >= 360.0f ? 0.0f : a;  // -1e-9 + 360 rounds to 360
}

}  // namespace

TForm1::TForm1(rtl::TComponent* AOwner) : TForm(AOwner) {
  BuildComponents();
}

TForm1::~TForm1() {
  // Fired here, while this is still a TForm1.
  if (OnDestroy) {
    const auto destroy = OnDestroy;
    OnDestroy = {};
    destroy(this);
  }
  if (Form1 == this) Form1 = nullptr;
}

float bearing(float x, float y) {
  // Straight north, south, east and west first: atan(x / y) cannot tell them apart.
  if (x == 0) return y < 0 ? 180.0f : 0.0f;
  if (y == 0) return x > 0 ? 90.0f : 270.0f;
  float a = std::atan(x / y) * kDegPerRad;
  if (y < 0) {
    a += 180;
  } else if (x < 0) {
    a += 360;
  }
  return a >= 360 ? a - 360 : a;
}

float TForm1::DampFactor(int percent) {
  return static_cast<float>((100 - percent) * 0.01L);
}

float TForm1::Damp(float sample, float previous, float a) {
  // A sample that is not a number is no sample: the memory keeps what it holds, so one bad value
  // cannot poison it for good.
  if (!std::isfinite(sample)) return std::isfinite(previous) ? previous : 0.0f;
  if (!std::isfinite(previous)) return sample;
  return a * sample + (1 - a) * previous;
}

float TForm1::DampAngle(float sample, float previous, float a) {
  if (!std::isfinite(sample)) return std::isfinite(previous) ? Normalized(previous) : 0.0f;
  if (a >= 1 || !std::isfinite(previous)) return sample;
  // Along the shorter arc: 355 and 005 are 10 degrees apart, not 350.
  return Normalized(previous + a * std::remainder(sample - previous, 360.0f));
}

void TForm1::ReadInstrumentInputs() {
  if (comms != nullptr) {
    TakeReading(fSpeedOverGround, comms->fSpeedOverGround);
    TakeReading(fCourseOverGround, comms->fCourseOverGround);
    TakeReading(fTrueWindAngle, comms->fTrueWindAngle);
    TakeReading(fApparentWindAngle, comms->fApparentWindAngle);
    TakeReading(fHeading, comms->fHeading);
    TakeReading(fVMG, comms->fVMG);
    TakeReading(fDepth, comms->fDepth);
    TakeReading(fTrueWindSpeed, comms->fTrueWindSpeed);
    TakeReading(fApparentWindSpeed, comms->fApparentWindSpeed);
    TakeReading(fSpeedThroughWater, comms->fSpeedThroughWater);
    fWindSide = comms->fWindSide;
  }
  ClampAbove(fSpeedOverGround, 100, 100);
  ClampBelow(fSpeedOverGround, 0, 0);
  ClampAbove(fCourseOverGround, 360, 0);
  ClampBelow(fCourseOverGround, 0, 0);
  ClampAbove(fTrueWindAngle, 360, 360);
  ClampBelow(fTrueWindAngle, 0, 0);
  ClampAbove(fApparentWindAngle, 360, 360);
  ClampBelow(fApparentWindAngle, kWindFloor, kWindFloor);
  ClampAbove(fTrueWindSpeed, 100, 100);
  ClampAbove(fApparentWindSpeed, 100, 100);
  ClampBelow(fApparentWindSpeed, kWindFloor, kWindFloor);
  ClampAbove(fHeading, 360, 360);
  ClampBelow(fHeading, 0, 0);
  ClampAbove(fVMG, 100, 100);
  ClampBelow(fVMG, -100, -100);
  ClampAbove(fDepth, 1000, 1000);
  ClampBelow(fDepth, -1000, -1000);
  ClampAbove(fSpeedThroughWater, 100, 100);
  ClampBelow(fSpeedThroughWater, 0, 0);
  if (comms != nullptr) {
    TakeReading(fLatitude, comms->fLatitude);
    TakeReading(fLongitude, comms->fLongitude);
    // The decoder gives a hemisphere only with a coordinate of a valid fix.
    fPositionKnown = comms->fLatHemisphere != 0 && comms->fLonHemisphere != 0;
  }
  fApparentWindAngle =
      Damp(fApparentWindAngle, fApparentWindAnglePrev, DampFactor(WindAngleInputFilter));
  fApparentWindAnglePrev = fApparentWindAngle;
}

// True wind from apparent wind and boat speed: its angle off the bow from 0 to 180 (on the
// apparent wind's side) and its speed, a magnitude, with the user's correction added.
void TForm1::ComputeTrueWind(float boatSpeed) {
  const float across = std::fabs(fApparentWindSpeed * std::sin(Rad(fApparentWindAngle)));
  const float along = fApparentWindSpeed * std::cos(Rad(fApparentWindAngle)) - boatSpeed;
  // With no crosswise part the wind is dead ahead (0) or dead astern (180) at the along-track
  // speed; atan2 and hypot take that case with the others.
  fTrueWindAngle = Deg(std::atan2(across, along));
  fTrueWindSpeed = std::max(0.0f, std::hypot(across, along) + fTwsCorrection);

  // Upwash: the vane sees the wind bent forward by the sails, more so in a stronger breeze; abaft
  // the beam there is none.
  if (fTwaCorrection <= 0) return;
  if (along < 0) {
    fTwaCorrectionApplied = 0;
  } else if (fTrueWindAngle < 50) {
    float c = 0;
    if (fTrueWindSpeed > 5 && fTrueWindSpeed < 25) {
      c = (fTrueWindSpeed - 5) / fTwaCorrection;
    } else if (fTrueWindSpeed > 25) {
      c = 25 / fTwaCorrection;
    }
    if (!std::isfinite(c)) c = 0;  // a factor too small to divide by
    fTrueWindAngle = fTrueWindAngle + c;
    fTwaCorrectionApplied = fWindSide == 0 ? -c : c;
  }
}

namespace {

// Whether the instrument counted by `readings` has given a value in the last ten seconds. Without
// the communications form (tests of the computation alone) every value set stands.
bool Heard(const Tcomms* c, const TInstrumentWatch& watch, std::uint32_t Tcomms::*readings) {
  return c == nullptr || watch.Speaking(c->*readings);
}

}  // namespace

// A compass or speed log that is chosen but has given no value for the last ten seconds (none
// fitted, its sentences come empty, or it has failed) stands down for the GPS until its next value.
bool TForm1::CompassInUse() const {
  return fHeadingSource == 1 && Heard(comms, fCompassWatch, &Tcomms::fCompassReadings);
}

bool TForm1::SpeedLogInUse() const {
  return fSpeedSource == 1 && SpeedLogHeard();
}

// Until an instrument's first value, and after ten seconds without one, its value is the decoder's
// start value or the last it heard: no value at all. For the winds, the true wind counts only
// when it is taken from the instruments.
bool TForm1::ApparentWindHeard() const {
  return Heard(comms, fApparentWindWatch, &Tcomms::fApparentWindReadings);
}

bool TForm1::TrueWindHeard() const {
  return Heard(comms, fTrueWindWatch, &Tcomms::fTrueWindReadings);
}

bool TForm1::GroundSpeedHeard() const {
  return Heard(comms, fGroundSpeedWatch, &Tcomms::fGroundSpeedReadings);
}

bool TForm1::SpeedLogHeard() const {
  return Heard(comms, fSpeedLogWatch, &Tcomms::fSpeedLogReadings);
}

bool TForm1::DepthHeard() const {
  return Heard(comms, fDepthWatch, &Tcomms::fDepthReadings);
}

void TForm1::Timer1Timer(rtl::TObject*) {
  fSampleTime = fNow();
  const float lastTrueWindAngle = fTrueWindAngle;
  ReadInstrumentInputs();
  if (comms != nullptr) {
    fCompassWatch.Tick(comms->fCompassReadings);
    fSpeedLogWatch.Tick(comms->fSpeedLogReadings);
    fApparentWindWatch.Tick(comms->fApparentWindReadings);
    fTrueWindWatch.Tick(comms->fTrueWindReadings);
    fGroundSpeedWatch.Tick(comms->fGroundSpeedReadings);
    fDepthWatch.Tick(comms->fDepthReadings);
  }
  // A silent GPS, speed log or sounder gives no value, and its damping memory forgets: the next
  // value heard is taken as it comes. The course is the GPS's too, and there is none before its
  // first (it gives none below half a knot).
  const bool courseRead = comms == nullptr || comms->fCourseReadings != 0;
  if (!GroundSpeedHeard()) fSpeedOverGround = NAN;
  if (!GroundSpeedHeard() || !courseRead) fCourseOverGround = fCourseOverGroundPrev = NAN;
  if (!SpeedLogHeard()) fSpeedThroughWater = fSpeedThroughWaterPrev = NAN;
  if (!DepthHeard()) fDepth = NAN;
  const bool speedLog = SpeedLogInUse();
  const bool compass = CompassInUse();
  // Without the GPS as well there is no boat speed or heading to stand down to.
  const float boatSpeed = speedLog ? fSpeedThroughWater : fSpeedOverGround;
  if (!compass) fHeading = fCourseOverGround;
  // Without an apparent wind there is none to show, and a true wind made from it would be the
  // boat's own speed from dead astern; made without a boat speed it would be the apparent wind. A
  // true wind taken from the instruments stands on its own: without it there is none, with it the
  // apparent wind is not needed. The damping memories forget too: the next wind heard is taken as
  // it comes, not mixed with one from before the silence.
  const bool apparentWind = ApparentWindHeard();
  if (!apparentWind) fApparentWindAngle = fApparentWindSpeed = fApparentWindAnglePrev = NAN;
  const bool wind = fWindSource == 1 ? TrueWindHeard() : apparentWind && std::isfinite(boatSpeed);
  if (!wind) {
    fTrueWindAngle = fTrueWindSpeed = fTargetSpeed = fPerformance = fPerformancePrev = NAN;
  } else if (fWindSource == 0) {
    ComputeTrueWind(boatSpeed);
  }
  if (wind && !std::isfinite(fTrueWindAngle)) fTrueWindAngle = lastTrueWindAngle;
  // A speed is damped as a magnitude: a signed one would fall towards zero whenever the wind
  // crosses the beam.
  fTrueWindSpeed = std::fabs(fTrueWindSpeed);

  if (wind)
    fTrueWindSpeed = Damp(fTrueWindSpeed, fTrueWindSpeedPrev, DampFactor(WindSpeedInputFilter));
  // A value that is not there is not damped: the memory would give its last value for it.
  if (std::isfinite(fSpeedThroughWater))
    fSpeedThroughWater =
        Damp(fSpeedThroughWater, fSpeedThroughWaterPrev, DampFactor(SpeedInputFilter));
  if (std::isfinite(fCourseOverGround))
    fCourseOverGround =
        DampAngle(fCourseOverGround, fCourseOverGroundPrev, DampFactor(CourseInputFilter));
  // The target tick has looked up none since the wind came back: none is shown yet.
  if (std::isfinite(fTargetSpeed))
    fTargetSpeed = Damp(fTargetSpeed, fTargetSpeedPrev, DampFactor(TargetSpeedInputFilter));
  fGeoWindAnglePrev = fGeoWindAngle;
  fTrueWindSpeedPrev = fTrueWindSpeed;
  fSpeedThroughWaterPrev = fSpeedThroughWater;
  fCourseOverGroundPrev = fCourseOverGround;
  fTargetSpeedPrev = fTargetSpeed;

  const float course = compass ? fHeading : fCourseOverGround;
  const float windDirection =
      Normalized(fWindSide == 0 ? course + fTrueWindAngle : course + 360 - fTrueWindAngle);
  fGeoWindAngle = windDirection;
  // The current needs the GPS's track beside the compass's and the log's.
  if (compass && speedLog && std::isfinite(fSpeedOverGround) && std::isfinite(fCourseOverGround)) {
    // Current: ground track minus water track, east and north components.
    const float x = fSpeedOverGround * std::sin(Rad(fCourseOverGround)) -
                    fSpeedThroughWater * std::sin(Rad(fHeading));
    float y = fSpeedOverGround * std::cos(Rad(fCourseOverGround)) -
              fSpeedThroughWater * std::cos(Rad(fHeading));
    if (y == 0) y = kTinyNorth;
    fCurrentSet = bearing(x, y);
    fCurrentDrift = std::sqrt(x * x + y * y);

    // Wind over the ground: the wind through the water less the water's own motion. Both are
    // "from" vectors here, and the current's set is where the water goes, so it is subtracted.
    const float gx =
        fTrueWindSpeed * std::sin(Rad(windDirection)) - fCurrentDrift * std::sin(Rad(fCurrentSet));
    float gy =
        fTrueWindSpeed * std::cos(Rad(windDirection)) - fCurrentDrift * std::cos(Rad(fCurrentSet));
    if (gy == 0) gy = kTinyNorth;
    fGeoWindAngle = bearing(gx, gy);
  } else {
    // Nothing measures a current: none, not a still water.
    fCurrentSet = fCurrentDrift = NAN;
  }
  if (std::isfinite(fGeoWindAngle))
    fGeoWindAngle =
        DampAngle(fGeoWindAngle, fGeoWindAnglePrev, DampFactor(GeoWindAngleInputFilter));

  fVMG = fSpeedOverGround * std::cos(Rad(fTrueWindAngle));

  RefreshDisplay();

  TrueWindAngleHistory.Push(fTrueWindAngle);
  TrueWindSpeedHistory.Push(fTrueWindSpeed);
  DepthHistory.Push(fDepth);
  GeoWindAngleHistory.Push(fGeoWindAngle);
  CourseOverGroundHistory.Push(fCourseOverGround);
  SpeedOverGroundHistory.Push(fSpeedOverGround);
  VmgHistory.Push(fVMG);

  AppendTextLogLine();
  if (fRecording == 1) AppendLogRecord();
}

void TForm1::Timer3Timer(rtl::TObject*) {
  // No wind, no target, and no performance measured against one.
  if (!std::isfinite(fTrueWindSpeed) || !std::isfinite(fTrueWindAngle)) {
    fTargetSpeed = fPerformance = fPerformancePrev = NAN;
    TargetSpeedHistory.Push(NAN);
    PerformanceHistory.Push(NAN);
    return;
  }
  fTargetSpeed = Polardata != nullptr ? Polardata->TargetSpeed(fTrueWindSpeed, fTrueWindAngle) : 0;
  TargetSpeedHistory.Push(fTargetSpeed);
  // A target below 0.01 kn divides as a huge one, so the performance tends to 0; the target
  // itself stays as looked up for display, log and output.
  const float divisor = fTargetSpeed < 0.01f ? 999999.0f : fTargetSpeed;
  const float speed = SpeedLogInUse() ? fSpeedThroughWater : fSpeedOverGround;
  float p = speed / divisor * 100;
  if (p > 500) p = 500;
  // Without a boat speed there is no performance, and the memory forgets the last one.
  fPerformance =
      std::isfinite(p) ? Damp(p, fPerformancePrev, DampFactor(PerformanceInputFilter)) : NAN;
  fPerformancePrev = fPerformance;
  PerformanceHistory.Push(fPerformance);
}
