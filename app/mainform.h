// The main window: once-a-second computation of the derived sailing values.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/mapoverlays.h"
#include "app/bde32.h"
#include "app/instrumentwatch.h"
#include "app/replay.h"
#include "app/textlog.h"
#include "capture/vcap.h"
#include "controls/aagauge.h"
#include "docking/dktoolbar.h"
#include "docking/dktoolwindow.h"
#include "link/nmeaoutput.h"
#include "map/earthmap.h"
#include "map/earthsysutils.h"
#include "platform/db/table.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/datetime.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/chart.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/mediaplayer.h"
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
  // The display is gone: the settings and the layout are written as the close writes them,
  // without a box and without closing the port, whose thread may wait for this one.
  void SaveWithoutDisplay();
  // The delayed start-up, once, 10 s after creation.
  void Timer5Timer(rtl::TObject* Sender);
  // Starts the delayed start-up's and the watchdog's count, once every form of the program
  // exists: a box shown while they are made (a failed start's) keeps them from running under it.
  void ArmStartTimers();
  // One-shot 500 ms after the computation timers start.
  void Timer4Timer(rtl::TObject* Sender);
  void General1Click(rtl::TObject* Sender);        // settings
  void SpeedxButton5Click(rtl::TObject* Sender);   // communication button
  void Communication1Click(rtl::TObject* Sender);  // communication command, bound to no control
  void Polar1Click(rtl::TObject* Sender);          // polar button: the polar form, modally
  void SpeedButton3Click(rtl::TObject* Sender);    // the polar form, bound to no control
  // The about box, modally (app/dialogs.cpp): the about button; the other two are bound to no
  // control.
  void About1Click(rtl::TObject* Sender);
  void SpeedButton35Click(rtl::TObject* Sender);
  void Help1Click(rtl::TObject* Sender);
  void SpeedyButton6Click(rtl::TObject* Sender);  // the sail table

  // With the sdl display the screen is the program's own window, framed by the desktop's window
  // manager: the main window covers the screen's work area without a frame of its own, now and
  // whenever the user resizes that window; its caption is the frame's title, its minimise,
  // maximise and restore are the frame's, and the window manager is told the smallest size
  // that keeps the map usable (app/docks.cpp).
  void FillScreen();
  // The window manager's close of that window (alt+F4, the frame's close button): the frame's
  // close is this window's, and waits while a modal dialog keeps this window disabled.
  void CloseFromFrame();
  bool fFillsScreen = false;
  bool fFrameCloseWaiting = false;
  // The frame's close came while a dialog was up: the program is closing once that is done, and
  // opens no question of its own meanwhile.
  bool fFrameCloseAsked = false;
  bool fDesktopChecked = false;  // the start's look at the desktop's size was made
  bool fSmallDesktop = false;    // too small for DesignedClientSize()
  // The smallest client area in which the map keeps kMapMinWidth x kMapMinHeight (Splitter1
  // beside it), every docked window its minimum length, and the side docks their columns.
  win::SIZE DesignedClientSize() const;
  // The window's minimum: DesignedClientSize(), or on a desktop smaller than that, the map's
  // minimum beside the tool bars and the status line (the docks put away what else does not fit).
  win::SIZE MinimumClientSize() const;
  static constexpr int kMapMinWidth = 320, kMapMinHeight = 200;
  void SetText(const std::string& v) override;

  // ---- Logs (app/logs.cpp) --------------------------------------------------------------------
  void SpeedButton30Click(rtl::TObject* Sender);  // record button
  // "<short date>_<counter>" with '-' and '/' made '_' (the present counter by default).
  std::string RecordingName(rtl::TDateTime now) const;
  std::string RecordingName(rtl::TDateTime now, std::int32_t counter) const;
  // The next counter's name of which neither the ".lg" table nor the ".avi" video exists. A
  // recording or capture that starts takes it (the counter moves on to it); otherwise it is only
  // looked at, and the next recording still gets it.
  std::string UnusedRecordingName(bool take = true);

  // ---- Video (app/video.cpp) ------------------------------------------------------------------
  void BitBtn2Click(rtl::TObject* Sender);     // capture settings
  void BitBtn3Click(rtl::TObject* Sender);     // capture start and stop
  void VideoTimerTimer(rtl::TObject* Sender);  // single frame
  void capDeviceLost(rtl::TObject* Sender);    // the camera went away
  void capAborted(rtl::TObject* Sender);       // the video file took no more
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

  // ---- Display (app/display.cpp) --------------------------------------------------------------
  // Panels, gauges, waypoint and laylines, then the instrument output.
  void RefreshDisplay();
  // What the output writer of the communications form sends: the current values of this window,
  // read at each output (Tcomms::fOutputValues is set to it at the delayed start-up).
  TOutputValues OutputValues() const;
  void AppendTextLogLine();
  // A line of its own in the text log, after the time: what the program could tell nobody else.
  void NoteInTextLog(const std::string& message);
  void AppendLogRecord();

  // ---- Map overlays (app/mapoverlays.cpp) and map commands (app/mapcommands.cpp) -------------
  // The overlay layer, its presenters and objects (the delayed start-up).
  void BuildMapOverlays();
  // Fresh point stores for the overlay objects, nothing shown.
  void ResetOverlayStores();
  // The waypoints of Table2 in place of those shown; false (after its box) when unreadable.
  bool LoadWaypoints();
  // Boat, map centre, lines, track, range circle and symbols of the present values.
  void RefreshMap();
  // The loaded recording's track in place of the live one.
  void ShowReplayTrack();
  // Back to live: the track starts again, drawn as a live one.
  void ShowLiveTrack();
  void SpeedButton1Click(rtl::TObject* Sender);   // zoom out (SpeedButton14)
  void SpeedButton2Click(rtl::TObject* Sender);   // zoom in (SpeedButton2)
  void SpeedButton12Click(rtl::TObject* Sender);  // spin on and off (SpeedButton24)
  void Timer8Timer(rtl::TObject* Sender);         // one spin step
  void EarthMap1Click(rtl::TObject* Sender);      // the map's double-click: the active waypoint
  void EarthMap1MouseMove(rtl::TObject* Sender, vcl::TShiftState Shift, int X, int Y);
  void EarthMap1MouseDown(rtl::TObject* Sender, vcl::TMouseButton Button, vcl::TShiftState Shift,
                          int X, int Y);
  void EarthMap1MouseUp(rtl::TObject* Sender, vcl::TMouseButton Button, vcl::TShiftState Shift,
                        int X, int Y);
  void WPdatabaseButtonClick(rtl::TObject* Sender);     // edit and reload the waypoints
  void WPdatabaseButtonDblClick(rtl::TObject* Sender);  // the chart bitmap (performance chart)
  void SpeedButton10Click(rtl::TObject* Sender);        // one more empty layer; bound to no control
  TMapOverlay fOverlay;
  std::int32_t fMouseX = 0;  // the last mouse position over the map, device pixels
  std::int32_t fMouseY = 0;
  std::int32_t fSpinLongitude = 0;            // degrees, -180..180
  TBitmapObject* fChartBitmap = nullptr;      // owned by the chart layer's source
  std::vector<vcl::TTimer*> fTimersBeforeSpin;  // the timers a spin stopped

  // ---- Strip charts (app/charts.cpp) ----------------------------------------------------------
  void Timer2Timer(rtl::TObject* Sender);        // redraw, every 2 s
  void SpeedButton7Click(rtl::TObject* Sender);  // longer span (SpeedButton17)
  void SpeedButton8Click(rtl::TObject* Sender);  // shorter span (SpeedButton16)
  void Button1Click(rtl::TObject* Sender);       // true wind direction range
  // "hh:nn" of the time of day `minutesBack` minutes before `sample`, wrapped at midnight.
  static std::string ChartTimeLabel(rtl::TDateTime sample, int minutesBack);

  // ---- Replay and the no-input watchdog (app/replay.cpp) ---------------------------------------
  void SpeedButton4Click(rtl::TObject* Sender);  // open a recording
  // Moves the replay n seconds (clamped to the recording) and shows that second.
  void ReplayStep(std::int32_t n);
  void SpeedButton33Click(rtl::TObject* Sender);  // "<", back 1 minute
  void SpeedButton34Click(rtl::TObject* Sender);  // ">", forward 1 minute
  void SpeedButton36Click(rtl::TObject* Sender);  // "<<", back 10 minutes
  void SpeedButton5Click(rtl::TObject* Sender);   // ">>", forward 10 minutes
  void SpeedButton9Click(rtl::TObject* Sender);   // "<<<", back 1 hour
  void SpeedButton31Click(rtl::TObject* Sender);  // ">>>", forward 1 hour
  void SpeedButton80Click(rtl::TObject* Sender);  // "Fast": ten seconds a second
  void SpeedButton67Click(rtl::TObject* Sender);  // "Play": real time
  void Timer6Timer(rtl::TObject* Sender);         // one replay second
  // Once, 40 s after creation: offers the demonstration when no NMEA input has come. Never over
  // a dialog: it waits until none has been up for a while.
  void Timer7Timer(rtl::TObject* Sender);
  bool fWatchdogHeld = false;  // a dialog was up at the watchdog's last look
  // Puts the seconds of a recording into the fifteen buffers and the track, the newest shown
  // last; the live timers must be stopped.
  void LoadSeconds(const TReplaySeconds& laid);
  // The communications form's wizard command; without one the communications form is shown.
  std::function<void()> fCommsWizard;
  // The recording's first and last second held; seconds after a midnight crossing run on past
  // 86,400.
  std::int32_t fReplayStart = 0;
  std::int32_t fReplayEnd = 0;
  // The second shown, in whole seconds like fReplayStart and fReplayEnd; fSampleTime follows it.
  std::int32_t fReplayPosition = 0;
  // The second of the recording's first record, where its video starts.
  std::int32_t fReplayVideoStart = 0;
  // The clock of each second from fReplayStart to fReplayEnd as its record has it, in seconds
  // since midnight of the recording's first day (after a clock set back it differs from the
  // position).
  std::vector<std::int32_t> fReplayClock;
  // Midnight of the recording's first day; 0 when neither its table nor its name tells it.
  rtl::TDateTime fReplayDay = 0;
  // The first second of the recording that holds a position.
  std::int32_t fReplayPositioned = 0;
  // The loaded recording's track in globe units, for the map's track object.
  std::unique_ptr<TPointStore> fTrack;

  // ---- Panels and window commands (app/panels.cpp) --------------------------------------------
  void SpeedButton11Click(rtl::TObject* Sender);       // panel activation list (SpeedButton19)
  void CheckListBox1ClickCheck(rtl::TObject* Sender);  // all four lists
  void BitBtn1Click(rtl::TObject* Sender);             // hide the activation list
  void Splitter1CanResize(rtl::TObject* Sender, int& NewSize, bool& Accept);
  void Splitter1Moved(rtl::TObject* Sender);
  void SpeedButton25Click(rtl::TObject* Sender);  // replay tool bar shown or hidden
  void SpeedButton6Click(rtl::TObject* Sender);   // closes the window; bound to no control
  void SpeedButton26Click(rtl::TObject* Sender);  // bound to no control, does nothing
  void SpeedButton46Click(rtl::TObject* Sender);  // bound to no control, does nothing
  void NMUDP1DataReceived(rtl::TObject* Sender, int NumberBytes, const std::string& FromIP,
                          int Port);
  // Value label font height from the panel's height.
  void Panel1Resize(rtl::TObject* Sender);
  void Panel2Resize(rtl::TObject* Sender);
  void Panel3Resize(rtl::TObject* Sender);
  void Panel4Resize(rtl::TObject* Sender);
  void Panel5Resize(rtl::TObject* Sender);
  void Panel6Resize(rtl::TObject* Sender);
  void Panel7Resize(rtl::TObject* Sender);
  void Panel8Resize(rtl::TObject* Sender);
  void Panel10Resize(rtl::TObject* Sender);
  void Panel11Resize(rtl::TObject* Sender);
  void Panel12Resize(rtl::TObject* Sender);
  void Panel13Resize(rtl::TObject* Sender);
  void Panel22Resize(rtl::TObject* Sender);
  void Panel23Resize(rtl::TObject* Sender);
  // The status line: the time at its right end, the video button before it.
  void StatusPanelResize(rtl::TObject* Sender);
  // Font height of a value label in a panel of the given height: 32 pixels less, at least 1.
  static int ValueFontHeight(int panelHeight);

  // Instrument values. Each is NaN while its instrument is silent (nothing yet, or nothing for ten
  // seconds), and so is what is made from it (true wind, its direction, VMG, current, target and
  // performance): shown blank, sent and charted not at all, logged empty.
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
  bool fStartedUp = false;  // the delayed start-up has run to its end
  bool fSettingsWriteReported = false;  // a failed write of the settings was told once
  int fExitCode = 0;                    // non-zero when the start-up ends the program
  // True when the close under way was asked for by a signal (set by the program's entry).
  std::function<bool()> fClosedBySignal;
  std::int32_t fReplayMode = 0;
  std::int32_t fChartWindow = 60;  // seconds between two chart points
  bool fChartsRunning = false;
  std::int32_t fTwdFullCircle = 0;
  bool fWaypointActive = false;
  // The active waypoint and the boat, in globe units (the waypoint is picked on the map).
  TPointLL fWaypointPosition;
  TPointLL fBoatPosition;
  // Whether a position has been received: live an instrument's fix, in a replay a recorded one at
  // or before the second shown. Until then fLatitude and fLongitude say nothing (0 N 0 E is a
  // place too), and the boat, its lines and its track are not drawn.
  bool fPositionKnown = false;
  float fBearingToWaypoint = 0;   // degrees
  float fDistanceToWaypoint = 0;  // nautical miles
  // Nautical miles and seconds; each refresh computes the starboard layline, then the port one,
  // so these end with the port values (the time-to-layline output page sends the port label).
  float fDistanceToLayline = 0;
  float fTimeToLayline = 0;
  std::int32_t fUdpByteCount = 0;
  std::int32_t fRangeLaylines = 10;  // nautical miles
  std::int32_t fRangeCircle = 30;    // minutes
  float fTargetAngle = 45;           // layline angle, degrees
  std::unique_ptr<TGraphConfig> fGraphConfig;

  // Components.
  // Tool bars: the main functions, the display commands, and the replay functions.
  docking::TDKToolbar *DKToolbar1, *DKToolbar2, *DKToolbar4;
  vcl::TSpeedButton* SpeedButton1;   // polar
  vcl::TSpeedButton* SpeedButton3;   // about
  vcl::TSpeedButton* SpeedButton20;  // settings
  vcl::TSpeedButton* SpeedButton22;  // communication
  vcl::TSpeedButton* SpeedButton25;  // replay tool bar shown
  vcl::TSpeedButton* SpeedButton30;  // record
  vcl::TSpeedButton* SpeedButton19;  // panel activation list
  vcl::TSpeedButton* SpeedButton16;  // shorter chart span
  vcl::TSpeedButton* SpeedButton17;  // longer chart span
  vcl::TButton* Button1;             // true wind direction range
  vcl::TSpeedButton* SpeedButton14;  // zoom out
  vcl::TSpeedButton* SpeedButton2;   // zoom in
  vcl::TSpeedButton* SpeedButton24;  // spin
  vcl::TSpeedButton* WPdatabaseButton;  // waypoints
  // Replay step buttons.
  vcl::TSpeedButton *SpeedButton9, *SpeedButton36, *SpeedButton33, *SpeedButton80, *SpeedButton34,
      *SpeedButton5, *SpeedButton31, *SpeedButton67;
  vcl::TSpeedButton* SpeedButton4;  // open a recording
  vcl::TBitBtn* BitBtn2;            // capture settings
  vcl::TBitBtn* BitBtn3;            // capture start and stop
  TVideoCapture* cap;
  vcl::TTimer* VideoTimer;          // single frames, 60 s, never enabled
  vcl::TMediaPlayer* MediaPlayer1;  // the video beside a replay
  vcl::TPanel* ReplayVideoPanel;    // where it shows, in the capture control's place
  vcl::TPanel* StatusPanel;         // status line
  vcl::TLabel* Label1;              // what the program is doing
  vcl::TLabel* TimeLabel;           // the sample time
  // Docks around the map's place: numbers at the left beside the splitter, gauges at the right,
  // the tool bars at the top, the charts in two docks at the bottom.
  docking::TDKDock* DKDock1;  // left
  docking::TDKDock* DKDock2;  // bottom, lower
  docking::TDKDock* DKDock3;  // right
  docking::TDKDock* DKDock4;  // top
  docking::TDKDock* DKDock5;  // bottom, upper
  vcl::TSplitter* Splitter1;
  TEarthMap* EarthMap1;  // the client area
  // Tool windows 1-31 (index 0 unused).
  docking::TDKToolWindow* DKToolWindow[32] = {};
  // Value panels and their labels.
  vcl::TPanel *Panel1, *Panel2, *Panel3, *Panel4, *Panel5, *Panel6, *Panel7, *Panel8, *Panel10,
      *Panel11, *Panel12, *Panel13, *Panel22, *Panel23;
  vcl::TLabel *Label3, *Label9, *Label6, *Label12, *Label15, *Label18, *Label84, *Label89, *Label29,
      *Label32, *Label98, *Label104, *Label48, *Label52;
  vcl::TLabel* TackLabel;                    // "SB" or "PT"
  vcl::TLabel* DistanceToWaypointLabel;      // nautical miles
  vcl::TLabel* StarboardLaylineLabel;        // distance to the starboard layline
  vcl::TLabel* PortLaylineLabel;             // distance to the port layline
  vcl::TLabel* StarboardLaylineTimeLabel;    // "mm:ss"
  vcl::TLabel* PortLaylineTimeLabel;         // "mm:ss", also sent to the instruments
  vcl::TLabel* DriftLabel;                   // current drift, knots
  vcl::TLabel* SetLabel;                     // current set, degrees
  TAAGauge *AAGauge1, *AAGauge2, *AAGauge3;  // performance, wind speed, wind angle
  vcl::TChart *chVmg, *chPerformance, *chSpeed, *chWindspeed, *chWindangle, *chCourseog,
      *chTargetspeed, *chTwd, *chDepth;
  // Panel activation.
  vcl::TPanel* Panel21;
  vcl::TCheckListBox *CheckListBox1, *CheckListBox2, *CheckListBox3, *CheckListBox4;
  vcl::TBitBtn* BitBtn1;
  vcl::TTimer* Timer1;  // main tick
  vcl::TTimer* Timer2;  // charts
  vcl::TTimer* Timer3;  // target tick
  vcl::TTimer* Timer4;  // one-shot after start
  vcl::TTimer* Timer5;  // delayed start-up
  vcl::TTimer* Timer6;  // replay steps
  vcl::TTimer* Timer7;  // no-input watchdog
  vcl::TTimer* Timer8;  // globe spin
  db::TTable* Table1;   // polar table
  db::TTable* Table2;   // waypoints
  db::TDataSource* DataSource2;  // over Table2, for the waypoint dialog
  vcl::TSpeedButton* SpeedyButton6;  // sail table
  // The data engine's set-up, made before the window's creation handler opens any table.
  TBDE32* BDE321;
  db::TTable* Table3;   // log table

  // Damping memories: the last damped values.
  float fApparentWindAnglePrev = 0;
  float fTrueWindSpeedPrev = 0;
  float fSpeedThroughWaterPrev = 0;
  float fCourseOverGroundPrev = 0;
  float fTargetSpeedPrev = 0;
  float fGeoWindAnglePrev = 0;
  float fPerformancePrev = 0;

  // The chosen compass and speed log, each standing down for the GPS while it is quiet, and the
  // apparent and true winds, the GPS's speed over the ground and the sounder, from whose silence
  // no value is made.
  TInstrumentWatch fCompassWatch;
  TInstrumentWatch fSpeedLogWatch;
  TInstrumentWatch fApparentWindWatch;
  TInstrumentWatch fTrueWindWatch;
  TInstrumentWatch fGroundSpeedWatch;
  TInstrumentWatch fDepthWatch;

 protected:
  void WndProc(vcl::TMessage& Message) override;
  void TellMinimumSize();
  // Bounds each dock so that the map keeps its minimum (app/docks.cpp).
  void GiveDocksRoom();
  void DockInsertRemove(rtl::TObject* Sender, bool Inserting, docking::TDKCustomDockableWindow* Bar);
  // A message box; text first, caption second.
  virtual int ShowBox(const std::string& text, const std::string& caption, unsigned flags);
  // A box that tells of a failure; while one of the same caption and first words is showing (its
  // modal loop runs the timers on), another is not opened.
  void TellOnce(const std::string& text, const std::string& caption, unsigned flags);

 private:
  void ComputeTrueWind(float boatSpeed);
  bool CompassInUse() const;
  bool SpeedLogInUse() const;
  bool ApparentWindHeard() const;
  bool TrueWindHeard() const;
  bool GroundSpeedHeard() const;
  bool SpeedLogHeard() const;
  bool DepthHeard() const;
  void BuildComponents();
  void BuildVideoComponents();
  void BuildPanels();  // app/panels.cpp
  void BuildCharts();  // app/charts.cpp
  void BuildDocks();   // app/docks.cpp
  // Tool window n in its designed place (app/docks.cpp).
  docking::TDKToolWindow* MakeToolWindow(int n);
  // The tool window of each item of the activation lists, in list order.
  std::vector<std::pair<vcl::TCheckListBox*, std::vector<docking::TDKToolWindow*>>>
  ActivationTable();
  void RefreshWaypoint();
  void NoWayToWaypoint();
  void NoLaylines();
  void ResizeValueLabel(vcl::TPanel* panel, vcl::TLabel* label);
  void SetComputationTimers(bool on);
  void SetReplayButtonsEnabled(bool on, bool withSpeedButton67);
  // Reads and checks the recording before anything stops; false (and live as before) when it
  // cannot be read or holds no record.
  bool LoadRecording(const std::string& file);
  void StopReplayPlay();
  // The video beside a replay, the recording's own "<name>.avi": opened when play starts, and
  // after every step showing the frame of the replayed second.
  void StartReplayVideo();
  void ShowReplayVideoSecond();
  void CloseReplayVideo();
  // The close's writes of "corvatalen.ini"; a failure goes to the standard error and the text log
  // when no one is there to answer a box.
  void WriteSettings(bool noOneToAsk);
  // A failure told on the standard error and in the text log, where no box can be answered (a
  // close asked for by a signal, the window's destruction).
  void TellWithoutBox(const std::string& message);

  TTextLog fTextLog{"corvatalen.txt"};
  bool fLogRecordReported = false;  // a failed log record was told; cleared by the next one written
  std::set<std::string> fBoxesShowing;  // kinds of the failure boxes open now
  int fLogSeconds = 0;  // seconds since midnight of the last text log line
};

extern TForm1* Form1;
