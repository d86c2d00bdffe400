#include "app/mainform.h"

#include <cmath>
#include <string>
#include <type_traits>

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

void ClampAbove(float& v, float limit, float replacement) {
  if (v > limit) v = replacement;
}
void ClampBelow(float& v, float limit, float replacement) {
  if (v < limit) v = replacement;
}

}  // namespace

namespace {

template <class T>
T* Make(TForm1* form, vcl::TWinControl* parent, const std::string& name) {
  auto* c = new T(form);
  c->SetName(name);
  if constexpr (std::is_base_of_v<vcl::TControl, T>) c->SetParent(parent);
  return c;
}

vcl::TTimer* MakeTimer(TForm1* form, const std::string& name, unsigned interval, bool enabled) {
  auto* t = new vcl::TTimer(form);
  t->SetName(name);
  t->SetEnabled(false);
  t->SetInterval(interval);
  t->SetEnabled(enabled);
  return t;
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

void TForm1::BuildComponents() {
  SetName("Form1");
  SetCaption("Corvatalen");
  SetBounds(0, 0, 1024, 700);
  Panel1 = Make<vcl::TPanel>(this, this, "Panel1");
  Panel1->SetAlign(vcl::alTop);
  Panel1->SetHeight(36);
  Panel1->SetCaption("");
  int left = 4;
  auto button = [&](const std::string& name, const std::string& caption) {
    auto* b = Make<vcl::TSpeedButton>(this, Panel1, name);
    b->SetBounds(left, 4, 64, 28);
    b->SetCaption(caption);
    left += 66;
    return b;
  };
  SpeedButton20 = button("SpeedButton20", "Settings");
  SpeedButton22 = button("SpeedButton22", "Comms");
  SpeedButton1 = button("SpeedButton1", "Polar");
  SpeedButton3 = button("SpeedButton3", "About");
  SpeedButton25 = button("SpeedButton25", "Tools");
  SpeedButton25->SetGroupIndex(25);
  SpeedButton25->SetAllowAllUp(true);
  SpeedButton30 = button("SpeedButton30", "Record");
  SpeedButton30->SetGroupIndex(30);
  SpeedButton30->SetAllowAllUp(true);
  SpeedButton20->SetEnabled(false);
  SpeedButton22->SetEnabled(false);
  SpeedButton9 = button("SpeedButton9", "|<");
  SpeedButton36 = button("SpeedButton36", "<<");
  SpeedButton33 = button("SpeedButton33", "<");
  SpeedButton80 = button("SpeedButton80", ">>");
  SpeedButton34 = button("SpeedButton34", ">");
  SpeedButton5 = button("SpeedButton5", ">|");
  SpeedButton31 = button("SpeedButton31", "+10 min");
  SpeedButton67 = button("SpeedButton67", "Play");
  BitBtn3 = Make<vcl::TBitBtn>(this, Panel1, "BitBtn3");
  BitBtn3->SetBounds(left, 4, 72, 28);
  BitBtn3->SetCaption("Capture");
  Panel2 = Make<vcl::TPanel>(this, this, "Panel2");
  Panel2->SetAlign(vcl::alBottom);
  Panel2->SetHeight(24);
  Panel2->SetCaption("");
  Label1 = Make<vcl::TLabel>(this, Panel2, "Label1");
  Label1->SetBounds(4, 4, 600, 16);
  Label1->SetCaption("");

  Timer1 = MakeTimer(this, "Timer1", 1000, false);
  Timer1->OnTimer = rtl::MakeEvent(this, &TForm1::Timer1Timer);
  Timer2 = MakeTimer(this, "Timer2", 1000, false);
  Timer3 = MakeTimer(this, "Timer3", 1000, false);
  Timer3->OnTimer = rtl::MakeEvent(this, &TForm1::Timer3Timer);
  Timer4 = MakeTimer(this, "Timer4", 500, false);
  Timer4->OnTimer = rtl::MakeEvent(this, &TForm1::Timer4Timer);
  Timer5 = MakeTimer(this, "Timer5", 10000, true);
  Timer5->OnTimer = rtl::MakeEvent(this, &TForm1::Timer5Timer);

  Table1 = Make<db::TTable>(this, nullptr, "Table1");
  Table1->SetTableName("PERFORMANCE.DBF");
  Table2 = Make<db::TTable>(this, nullptr, "Table2");
  Table2->SetTableName("waypoints.DB");
  Table3 = Make<db::TTable>(this, nullptr, "Table3");
  Table3->SetTableType(db::ttParadox);
  Table3->SetTableName("demonstration.lg");
  DefineLogFields(*Table3);

  SpeedButton20->OnClick = rtl::MakeEvent(this, &TForm1::General1Click);
  SpeedButton22->OnClick = rtl::MakeEvent(this, &TForm1::SpeedxButton5Click);
  SpeedButton1->OnClick = rtl::MakeEvent(this, &TForm1::Polar1Click);
  SpeedButton30->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton30Click);
  OnCreate = rtl::MakeEvent(this, &TForm1::FormCreate);
  OnClose = rtl::MakeEvent(this, &TForm1::FormClose);
  OnDestroy = rtl::MakeEvent(this, &TForm1::FormDestroy);
  BuildVideoComponents();
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
  return a * sample + (1 - a) * previous;
}

void TForm1::ReadInstrumentInputs() {
  if (comms != nullptr) {
    fSpeedOverGround = comms->fSpeedOverGround;
    fCourseOverGround = comms->fCourseOverGround;
    fTrueWindAngle = comms->fTrueWindAngle;
    fApparentWindAngle = comms->fApparentWindAngle;
    fHeading = comms->fHeading;
    fVMG = comms->fVMG;
    fDepth = comms->fDepth;
    fTrueWindSpeed = comms->fTrueWindSpeed;
    fApparentWindSpeed = comms->fApparentWindSpeed;
    fSpeedThroughWater = comms->fSpeedThroughWater;
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
    fLatitude = comms->fLatitude;
    fLongitude = comms->fLongitude;
  }
  fApparentWindAngle =
      Damp(fApparentWindAngle, fApparentWindAnglePrev, DampFactor(WindAngleInputFilter));
  fApparentWindAnglePrev = fApparentWindAngle;
}

// True wind from apparent wind and boat speed; the angle comes out between -90 and 90, negative
// (with a negative speed) when the wind is abaft the beam.
void TForm1::ComputeTrueWind(float boatSpeed) {
  const float across = fApparentWindSpeed * std::sin(Rad(fApparentWindAngle));
  const float along = fApparentWindSpeed * std::cos(Rad(fApparentWindAngle)) - boatSpeed;
  if (along == 0) {
    fTrueWindAngle = across < 0 ? -90.0f : 90.0f;
  } else {
    fTrueWindAngle = Deg(std::atan(across / along));
  }
  fTrueWindSpeed = across / std::sin(Rad(fTrueWindAngle));
  fTrueWindSpeed = fTrueWindSpeed + fTwsCorrection;

  // Upwash: the vane sees the wind bent forward by the sails, more so in a stronger breeze.
  if (fTrueWindAngle < 50 && fTwaCorrection > 0) {
    float c = 0;
    if (fTrueWindSpeed > 5 && fTrueWindSpeed < 25) {
      c = (fTrueWindSpeed - 5) / fTwaCorrection;
    } else if (fTrueWindSpeed > 25) {
      c = 25 / fTwaCorrection;
    }
    fTrueWindAngle = fTrueWindAngle + c;
    fTwaCorrectionApplied = fWindSide == 0 ? -c : c;
  }
}

void TForm1::Timer1Timer(rtl::TObject*) {
  fSampleTime = fNow();
  ReadInstrumentInputs();
  const float boatSpeed = fSpeedSource == 1 ? fSpeedThroughWater : fSpeedOverGround;
  if (fHeadingSource == 0) fHeading = fCourseOverGround;
  if (fWindSource == 0) ComputeTrueWind(boatSpeed);
  if (fTrueWindAngle < 0) fTrueWindAngle = fTrueWindAngle + 180;

  fTrueWindSpeed = Damp(fTrueWindSpeed, fTrueWindSpeedPrev, DampFactor(WindSpeedInputFilter));
  fSpeedThroughWater =
      Damp(fSpeedThroughWater, fSpeedThroughWaterPrev, DampFactor(SpeedInputFilter));
  fCourseOverGround = Damp(fCourseOverGround, fCourseOverGroundPrev, DampFactor(CourseInputFilter));
  fTargetSpeed = Damp(fTargetSpeed, fTargetSpeedPrev, DampFactor(TargetSpeedInputFilter));
  fGeoWindAnglePrev = fGeoWindAngle;
  fTrueWindSpeedPrev = fTrueWindSpeed;
  fSpeedThroughWaterPrev = fSpeedThroughWater;
  fCourseOverGroundPrev = fCourseOverGround;
  fTargetSpeedPrev = fTargetSpeed;

  const float course = fHeadingSource == 0 ? fCourseOverGround : fHeading;
  float windDirection = fWindSide == 0 ? course + fTrueWindAngle : course + 360 - fTrueWindAngle;
  if (windDirection > 360) windDirection = windDirection - 360;
  fGeoWindAngle = windDirection;
  if (fHeadingSource == 1 && fSpeedSource == 1) {
    // Current: ground track minus water track, east and north components.
    const float x = fSpeedOverGround * std::sin(Rad(fCourseOverGround)) -
                    fSpeedThroughWater * std::sin(Rad(fHeading));
    float y = fSpeedOverGround * std::cos(Rad(fCourseOverGround)) -
              fSpeedThroughWater * std::cos(Rad(fHeading));
    if (y == 0) y = kTinyNorth;
    fCurrentSet = bearing(x, y);
    fCurrentDrift = std::sqrt(x * x + y * y);

    // Wind over the ground: the wind through the water plus the current.
    fTrueWindSpeed = std::fabs(fTrueWindSpeed);
    const float gx =
        fTrueWindSpeed * std::sin(Rad(windDirection)) + fCurrentDrift * std::sin(Rad(fCurrentSet));
    float gy =
        fTrueWindSpeed * std::cos(Rad(windDirection)) + fCurrentDrift * std::cos(Rad(fCurrentSet));
    if (gy == 0) gy = kTinyNorth;
    fGeoWindAngle = bearing(gx, gy);
  } else {
    fCurrentSet = 0;
    fCurrentDrift = 0;
  }
  fGeoWindAngle = Damp(fGeoWindAngle, fGeoWindAnglePrev, DampFactor(GeoWindAngleInputFilter));

  fVMG = fSpeedOverGround * std::cos(Rad(fTrueWindAngle));
  if (fTrueWindSpeed < 0) fTrueWindSpeed = -fTrueWindSpeed;

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
  fTargetSpeed = Polardata != nullptr ? Polardata->TargetSpeed(fTrueWindSpeed, fTrueWindAngle) : 0;
  TargetSpeedHistory.Push(fTargetSpeed);
  // A target below 0.01 kn divides as a huge one, so the performance tends to 0; the target
  // itself stays as looked up for display, log and output.
  const float divisor = fTargetSpeed < 0.01f ? 999999.0f : fTargetSpeed;
  const float speed = fSpeedSource == 0 ? fSpeedOverGround : fSpeedThroughWater;
  float p = speed / divisor * 100;
  if (p > 500) p = 500;
  fPerformance = Damp(p, fPerformancePrev, DampFactor(PerformanceInputFilter));
  fPerformancePrev = fPerformance;
  PerformanceHistory.Push(fPerformance);
}

void TForm1::RefreshDisplay() {}

TOutputValues TForm1::OutputValues() const {
  // Waypoint and layline distances and the time to the layline are not computed here yet: they
  // keep their start values.
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
  v.fCurrentDrift = fCurrentDrift;
  v.fCurrentSet = fCurrentSet;
  v.fTwsCorrection = fTwsCorrection;
  v.fTwaCorrectionApplied = fTwaCorrectionApplied;
  return v;
}
