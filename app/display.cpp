// The display refresh: value panels, gauges, tack, colours, waypoint and laylines, then the
// instrument output.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/mainform.h"
#include "app/nmeaposition.h"
#include "app/settingsranges.h"
#include "link/comsettings.h"
#include "map/earthutils.h"
#include "platform/rtl/datetime.h"

namespace {

constexpr double kRadPerDeg = 3.14159265358979323846 / 180.0;
// The longest time to a layline shown and sent: "99:59".
constexpr float kMaxTimeToLayline = 99 * 60 + 59;

// A value that is not a number (no wind known, no waypoint) shows blank.
std::string Fmt(const char* format, double v) {
  if (!std::isfinite(v)) return {};
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

// Miles to the waypoint or a layline: tenths up to 999.9, whole miles from there on. The small
// panels hold four digits and the point; a fifth digit was cut off at both sides.
std::string Miles(double nm) {
  return Fmt(std::fabs(nm) < 999.95 ? "%2.1f" : "%.0f", nm);
}

// A value on its way to an integer: NaN as 0, kept within lo..hi, truncated toward zero.
int SafeTrunc(double v, double lo, double hi) {
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::trunc(std::clamp(v, lo, hi)));
}

// A gauge position, kept within +-10^6 (a gauge's scale is far inside). NaN, no value, stays NaN.
float GaugeValue(double v) {
  return std::isnan(v) ? NAN : static_cast<float>(std::clamp(v, -1e6, 1e6));
}

// The same truncated to an integer.
float GaugeInt(double v) {
  return std::isnan(v) ? NAN : static_cast<float>(SafeTrunc(v, -1e6, 1e6));
}

// "mm:ss" of a time in seconds; NaN as 0, at most kMaxTimeToLayline.
std::string MinutesSeconds(float seconds) {
  const int t = SafeTrunc(seconds, 0, kMaxTimeToLayline);
  const int minutes = t / 60;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", minutes, t - minutes * 60);
  return text;
}

// No value, no needle: one left where the last value put it, or resting at the foot of the scale
// before the first, would read as a value nobody sent. The needle is drawn in the face's colour
// then, and takes its own colour back with the next value.
void ShowOnGauge(TAAGauge& gauge, float v) {
  gauge.SetFArrowColor(std::isnan(v) ? gauge.FaceColor() : vcl::clWhite);
  gauge.SetFPosition(v);
}

}  // namespace

void TForm1::RefreshDisplay() {
  Label9->SetCaption(Fmt("%3.0f", fTrueWindAngle));
  Label12->SetCaption(Fmt("%2.1f", fTrueWindSpeed));
  ShowOnGauge(*AAGauge2, GaugeInt(fTrueWindSpeed));
  Label29->SetCaption(Fmt("%3.0f", fGeoWindAngle));
  Label15->SetCaption(Fmt("%3.0f", fPerformance));
  ShowOnGauge(*AAGauge1, GaugeInt(fPerformance));
  Label32->SetCaption(Fmt("%2.1f", fTargetSpeed));
  Label6->SetCaption(Fmt("%3.0f", fCourseOverGround));
  Label3->SetCaption(Fmt("%2.1f", fSpeedOverGround));
  if (fVMG < 0) fVMG = -fVMG;
  Label18->SetCaption(Fmt("%2.1f", fVMG));
  Label98->SetCaption(Fmt("%2.1f", fApparentWindAngle));
  Label89->SetCaption(Fmt("%2.1f", fApparentWindSpeed));
  DriftLabel->SetCaption(Fmt("%2.1f", fCurrentDrift));
  SetLabel->SetCaption(Fmt("%2.1f", fCurrentSet));
  Label84->SetCaption(Fmt("%3.0f", fHeading));
  Label104->SetCaption(Fmt("%2.1f", fSpeedThroughWater));

  // The boat where the last fix puts it (the map centres on it and draws it there).
  fBoatPosition = NmeaToPointLL(fLongitude, fLatitude);
  // Before the first position the boat is nowhere: a bearing or a distance from 0,0 would send
  // the sailor off towards Africa.
  if (fWaypointActive && fPositionKnown) {
    RefreshWaypoint();
  } else {
    NoWayToWaypoint();
  }

  const bool port = fWindSide == 1;
  // The side is a wind's: with neither wind known it is nobody's.
  const bool sideKnown = std::isfinite(fTrueWindAngle) || std::isfinite(fApparentWindAngle);
  TackLabel->SetCaption(!sideKnown ? "" : port ? "PT" : "SB");
  const vcl::TColor tackColor = port ? vcl::clRed : vcl::clLime;
  Panel2->Font()->SetColor(tackColor);
  Label9->Font()->SetColor(tackColor);
  ShowOnGauge(*AAGauge3, port ? GaugeValue(180.0 - fTrueWindAngle)
                                : GaugeInt(fTrueWindAngle) + 180.0f);

  Label48->SetCaption(Fmt("%2.1f", fDepth));
  Panel5->SetColor(fPerformance >= 90   ? vcl::clLime
                   : fPerformance >= 80 ? vcl::clYellow
                                        : vcl::clWhite);
  Panel4->SetColor(fTrueWindSpeed >= 35   ? vcl::clRed
                   : fTrueWindSpeed >= 25 ? vcl::clYellow
                                          : vcl::clWhite);
  // A replayed recording whose day is unknown has a time alone, and before the first second
  // there is none (date part 0 would read 1899).
  TimeLabel->SetCaption(fSampleTime >= 1  ? rtl::DateTimeToStr(fSampleTime)
                        : fSampleTime > 0 ? rtl::TimeToStr(fSampleTime)
                                          : std::string());

  RefreshMap();

  if (fNetworkInput != 1 && comms != nullptr) comms->SendNmeaOutput();
}

// Without a waypoint, or a position to go from, nothing of the way is shown, and nothing is sent
// (the output leaves out values that are not numbers, and an empty time).
void TForm1::NoWayToWaypoint() {
  fBearingToWaypoint = fDistanceToWaypoint = NAN;
  Label52->SetCaption("");
  DistanceToWaypointLabel->SetCaption("");
  NoLaylines();
}

// Without a wind direction there are no laylines to go to.
void TForm1::NoLaylines() {
  fDistanceToLayline = fTimeToLayline = NAN;
  for (vcl::TLabel* l :
       {StarboardLaylineLabel, PortLaylineLabel, StarboardLaylineTimeLabel, PortLaylineTimeLabel})
    l->SetCaption("");
}

// Bearing and distance from the boat to the active waypoint, and how far (and how long at the
// present speed) to each layline through the waypoint.
void TForm1::RefreshWaypoint() {
  const TPointLL& b = fBoatPosition;
  const TPointLL& w = fWaypointPosition;
  const double angle = AngleLLToLL(b, w) / static_cast<double>(GU_DEGREE);
  fBearingToWaypoint = static_cast<float>(angle < 0 ? -angle : 360 - angle);
  Label52->SetCaption(Fmt("%3.0f", fBearingToWaypoint));
  fDistanceToWaypoint =
      static_cast<float>(EarthUnitsTo(DistanceLLToLL(b, w), TEarthUnitTypes::NauticalMile));
  DistanceToWaypointLabel->SetCaption(Miles(fDistanceToWaypoint));
  if (!std::isfinite(fGeoWindAngle)) {
    NoLaylines();
    return;
  }

  if (fTargetAngle < 1) fTargetAngle = 1.0f;
  // The layline angles of the settings table (1..89 degrees) are the ones the geometry can take:
  // at 0 or 90 degrees the laylines never meet.
  const TSettingRange& angles = SettingRange("settings", "targetangle");
  const double a = std::clamp<double>(fTargetAngle, angles.Min, angles.Max);
  const double along = fDistanceToWaypoint / std::sin(2 * a * kRadPerDeg);
  // Sailing heading d the boat meets the other tack's line through the waypoint where the two
  // headings cross at 180 - 2a; the angle at the waypoint is 2a less the angle between d and the
  // bearing, which lies on the other side of d for each tack (hence `side`).
  auto layline = [&](double d, double side, vcl::TLabel* distanceLabel, vcl::TLabel* timeLabel) {
    if (d > 360) d -= 360;
    const double x = 180 - 2 * a - side * (d - fBearingToWaypoint);
    fDistanceToLayline = static_cast<float>(std::fabs(std::sin(x * kRadPerDeg) * along));
    distanceLabel->SetCaption(Miles(fDistanceToLayline));
    // At a standstill the last time stands, each layline's own: the member is shared by both and
    // holds the port one's. Without a speed over the ground there is no time.
    if (std::isnan(fSpeedOverGround)) {
      fTimeToLayline = NAN;
      timeLabel->SetCaption("");
      return;
    }
    if (!(fSpeedOverGround > 0)) return;
    fTimeToLayline = std::min(fDistanceToLayline / fSpeedOverGround * 3600.0f, kMaxTimeToLayline);
    timeLabel->SetCaption(MinutesSeconds(fTimeToLayline));
  };
  layline(fGeoWindAngle + a, -1, StarboardLaylineLabel, StarboardLaylineTimeLabel);
  layline(fGeoWindAngle - a, 1, PortLaylineLabel, PortLaylineTimeLabel);
}

TOutputValues TForm1::OutputValues() const {
  TOutputValues v;
  v.fPerformance = fPerformance;
  v.fTargetSpeed = fTargetSpeed;
  v.fCourseOverGround = fCourseOverGround;
  v.fHeading = fHeading;
  v.fSpeedOverGround = fSpeedOverGround;
  v.fSpeedThroughWater = fSpeedThroughWater;
  v.fTrueWindSpeed = fTrueWindSpeed;
  v.fTrueWindAngle = fTrueWindAngle;
  v.fVMG = fVMG;
  v.fGeoWindAngle = fGeoWindAngle;
  v.fDepth = fDepth;
  v.fBearingToWaypoint = fBearingToWaypoint;
  v.fDistanceToWaypoint = fDistanceToWaypoint;
  v.fDistanceToLayline = fDistanceToLayline;
  v.fCurrentDrift = fCurrentDrift;
  v.fCurrentSet = fCurrentSet;
  v.fTwsCorrection = fTwsCorrection;
  v.fTwaCorrectionApplied = fTwaCorrectionApplied;
  // The time-to-layline page shows the port layline's label, the last one computed.
  v.TimeToLayline = PortLaylineTimeLabel->Caption();
  return v;
}
