// The main window: once-a-second computation of the derived sailing values.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/nmeaoutput.h"
#include "platform/db/table.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/datetime.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timer.h"

// Damping percentages of the sensor input filters, 0 (none) to 100 (frozen).
extern int WindAngleInputFilter;
extern int WindSpeedInputFilter;
extern int SpeedInputFilter;
extern int CourseInputFilter;
extern int TargetSpeedInputFilter;
extern int VmgInputFilter;
extern int GeoWindAngleInputFilter;
extern int PerformanceInputFilter;

// Strip-chart averaging lengths in samples.
extern int PerformanceSmoothing;
extern int SpeedSmoothing;
extern int CourseSmoothing;
extern int WindSpeedSmoothing;
extern int WindAngleSmoothing;
extern int TargetSpeedSmoothing;
extern int GeoWindAngleSmoothing;
extern int VmgSmoothing;

// The capture device names and formats kept in the settings file (section video).
struct TGraphConfig {
  std::string VSource, ASource, VComp, AComp;
  int DVResolution = 16;
  int Pixelformat = 0;
};

// Compass bearing in degrees [0, 360) of the vector with east component x and north component y.
float bearing(float x, float y);

class TForm1 : public vcl::TForm {
 public:
  explicit TForm1(rtl::TComponent* AOwner);
  ~TForm1() override;

  // ---- Life of the window (app/startup.cpp) ----------------------------------------------------
  void FormCreate(rtl::TObject* Sender);
  void FormClose(rtl::TObject* Sender, vcl::TCloseAction& Action);
  void FormDestroy(rtl::TObject* Sender);
  // The delayed start-up, once, 10 s after creation.
  void Timer5Timer(rtl::TObject* Sender);
  // One-shot 500 ms after the computation timers start.
  void Timer4Timer(rtl::TObject* Sender);
  void General1Click(rtl::TObject* Sender);        // settings
  void SpeedxButton5Click(rtl::TObject* Sender);   // communication button
  void Communication1Click(rtl::TObject* Sender);  // communication command, bound to no control
  void Polar1Click(rtl::TObject* Sender);          // polar button: the polar form, modally
  void SpeedButton3Click(rtl::TObject* Sender);    // the polar form, bound to no control

  // ---- Logs (app/logs.cpp) --------------------------------------------------------------------
  void SpeedButton30Click(rtl::TObject* Sender);  // record button
  // "<short date>_<counter>" with '-' and '/' made '_'.
  std::string RecordingName(rtl::TDateTime now) const;
  // Defines the fields of a log table on Table.
  static void DefineLogFields(db::TTable& Table);

  // The clock of the logs and the sample time; the local time unless a test sets another.
  std::function<rtl::TDateTime()> fNow = [] { return rtl::Now(); };

  // Weight of a new sample for a damping percentage.
  static float DampFactor(int percent);
  static float Damp(float sample, float previous, float a);
  // The same for a direction in degrees: along the shorter arc, the result in [0, 360).
  static float DampAngle(float sample, float previous, float a);

  // Copies the current instrument values of the communications form, clamped.
  void ReadInstrumentInputs();
  // Main tick: true wind, current, ground wind, VMG, display, history and logs.
  void Timer1Timer(rtl::TObject* Sender);
  // Target tick: target speed and performance.
  void Timer3Timer(rtl::TObject* Sender);

  void RefreshDisplay();
  // What the output writer of the communications form sends: the current values of this window,
  // read at each output (Tcomms::fOutputValues is set to it at the delayed start-up).
  TOutputValues OutputValues() const;
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
  std::int32_t fRecordCounter = 0;
  std::int32_t fCapturing = 0;

  // Settings and window state.
  std::int32_t fNetworkInput = 0;
  // Set once the delayed start-up has read and applied "corvatalen.ini": only then does the
  // close write it back (before, it would write the compiled defaults over the user's settings).
  bool fSettingsApplied = false;
  std::int32_t fReplayMode = 0;
  std::int32_t fChartWindow = 60;
  bool fChartsRunning = false;
  std::int32_t fTwdFullCircle = 0;
  bool fWaypointActive = false;
  std::int32_t fRangeLaylines = 10;  // nautical miles
  std::int32_t fRangeCircle = 30;    // minutes
  float fTargetAngle = 45;           // layline angle, degrees
  double fGlobeScale = 0;            // the map's scale factor, kept until the map takes it
  std::unique_ptr<TGraphConfig> fGraphConfig;
  // Waypoints of the waypoint table as (longitude, latitude) degrees.
  std::vector<std::pair<double, double>> fWaypoints;

  // Components.
  vcl::TPanel* Panel1;               // tool bar
  vcl::TSpeedButton* SpeedButton1;   // polar
  vcl::TSpeedButton* SpeedButton3;   // about
  vcl::TSpeedButton* SpeedButton20;  // settings
  vcl::TSpeedButton* SpeedButton22;  // communication
  vcl::TSpeedButton* SpeedButton25;  // tool bar shown
  vcl::TSpeedButton* SpeedButton30;  // record
  // Replay step buttons.
  vcl::TSpeedButton *SpeedButton9, *SpeedButton36, *SpeedButton33, *SpeedButton80, *SpeedButton34,
      *SpeedButton5, *SpeedButton31, *SpeedButton67;
  vcl::TBitBtn* BitBtn3;  // capture start and stop
  vcl::TPanel* Panel2;    // status line
  vcl::TLabel* Label1;    // what the program is doing
  vcl::TTimer* Timer1;    // main tick
  vcl::TTimer* Timer2;    // charts
  vcl::TTimer* Timer3;    // target tick
  vcl::TTimer* Timer4;    // one-shot after start
  vcl::TTimer* Timer5;    // delayed start-up
  db::TTable* Table1;     // polar table
  db::TTable* Table2;     // waypoints
  db::TTable* Table3;     // log table

  // Damping memories: the last damped values.
  float fApparentWindAnglePrev = 0;
  float fTrueWindSpeedPrev = 0;
  float fSpeedThroughWaterPrev = 0;
  float fCourseOverGroundPrev = 0;
  float fTargetSpeedPrev = 0;
  float fGeoWindAnglePrev = 0;
  float fPerformancePrev = 0;

 protected:
  // A message box; text first, caption second.
  virtual int ShowBox(const std::string& text, const std::string& caption, unsigned flags);

 private:
  void ComputeTrueWind(float boatSpeed);
  void BuildComponents();
  void SetComputationTimers(bool on);
  void SetReplayButtonsEnabled(bool on, bool withSpeedButton67);

  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, FileCloser> fTextLog;
  int fLogSeconds = 0;  // seconds since midnight of the last text log line
};

extern TForm1* Form1;
