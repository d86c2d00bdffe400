// The main window: once-a-second computation of the derived sailing values.
#pragma once

#include <cstdint>

#include "platform/rtl/classes.h"
#include "platform/rtl/datetime.h"

// Damping percentages of the sensor input filters, 0 (none) to 100 (frozen).
extern int WindAngleInputFilter;
extern int WindSpeedInputFilter;
extern int SpeedInputFilter;
extern int CourseInputFilter;
extern int TargetSpeedInputFilter;
extern int VmgInputFilter;
extern int GeoWindAngleInputFilter;
extern int PerformanceInputFilter;

// Compass bearing in degrees [0, 360) of the vector with east component x and north component y.
float bearing(float x, float y);

class TForm1 : public rtl::TComponent {
 public:
  explicit TForm1(rtl::TComponent* AOwner) : TComponent(AOwner) {}

  // Weight of a new sample for a damping percentage.
  static float DampFactor(int percent);
  static float Damp(float sample, float previous, float a);

  // Copies the current instrument values of the communications form, clamped.
  void ReadInstrumentInputs();
  // Main tick: true wind, current, ground wind, VMG, display, history and logs.
  void Timer1Timer(rtl::TObject* Sender);
  // Target tick: target speed and performance.
  void Timer3Timer(rtl::TObject* Sender);

  void RefreshDisplay();
  void AppendTextLogLine();
  void AppendLogRecord();

  // Instrument values.
  float fTrueWindSpeed = 0;
  float fTrueWindAngle = 0;
  float fApparentWindSpeed = 0;
  float fApparentWindAngle = 0;
  std::int32_t fWindSide = 0;
  float fVMG = 0;
  float fCourseOverGround = 0;
  float fSpeedOverGround = 0;
  float fSpeedThroughWater = 0;
  float fHeading = 0;
  float fDepth = 0;
  float fLatitude = 0;
  float fLongitude = 0;

  // Derived values.
  float fCurrentSet = 0;
  float fCurrentDrift = 0;
  float fGeoWindAngle = 0;
  float fTargetSpeed = 0;
  float fPerformance = 0;

  // User corrections.
  float fTwsCorrection = 0;
  float fTwaCorrection = 0;
  float fTwaCorrectionApplied = 0;

  // Source choices.
  std::int32_t fSpeedSource = 0;
  std::int32_t fHeadingSource = 0;
  std::int32_t fNmeaWind = 0;
  std::int32_t fWindSource = 0;

  rtl::TDateTime fSampleTime = 0;
  std::int32_t fRecording = 0;

  // Damping memories: the last damped values.
  float fApparentWindAnglePrev = 0;
  float fTrueWindSpeedPrev = 0;
  float fSpeedThroughWaterPrev = 0;
  float fCourseOverGroundPrev = 0;
  float fTargetSpeedPrev = 0;
  float fGeoWindAnglePrev = 0;
  float fPerformancePrev = 0;

 private:
  void ComputeTrueWind(float boatSpeed);
};

extern TForm1* Form1;
