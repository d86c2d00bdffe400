// The main window's life: creation, the delayed start-up from "corvatalen.ini", the settings and
// communication commands, and the close that writes the settings back.
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "app/historybuffer.h"
#include "app/mainform.h"
#include "app/polar.h"
#include "app/settingsform.h"
#include "app/settingsranges.h"
#include "app/video.h"
#include "docking/dklayout.h"
#include "map/earthutils.h"
#include "link/comsettings.h"
#include "platform/gdi/text.h"
#include "platform/rtl/files.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/vcl/dialogs.h"

namespace {

constexpr const char* kIniFile = "corvatalen.ini";

constexpr std::array<const char*, 8> kSmoothKeys = {"performance",  "speed",     "course",
                                                    "windspeed",    "windangle", "targetspeed",
                                                    "geowindangle", "vmg"};
constexpr std::array<const char*, 8> kFilterKeys = {"fperformance",  "fspeed",     "fcourse",
                                                    "fwindspeed",    "fwindangle", "ftargetspeed",
                                                    "fgeowindangle", "fvmg"};

std::array<int*, 8> SmoothingGlobals() {
  return {&PerformanceSmoothing, &SpeedSmoothing,       &CourseSmoothing,       &WindSpeedSmoothing,
          &WindAngleSmoothing,   &TargetSpeedSmoothing, &GeoWindAngleSmoothing, &VmgSmoothing};
}
std::array<int*, 8> FilterGlobals() {
  return {&PerformanceInputFilter,  &SpeedInputFilter,     &CourseInputFilter,
          &WindSpeedInputFilter,    &WindAngleInputFilter, &TargetSpeedInputFilter,
          &GeoWindAngleInputFilter, &VmgInputFilter};
}
// The settings dialog's rows: performance, speed, course, wind speed, wind angle, target speed,
// VMG, true wind direction.
std::array<int*, 8> DialogSmoothing() {
  return {&PerformanceSmoothing, &SpeedSmoothing,       &CourseSmoothing, &WindSpeedSmoothing,
          &WindAngleSmoothing,   &TargetSpeedSmoothing, &VmgSmoothing,    &GeoWindAngleSmoothing};
}
std::array<int*, 8> DialogFilters() {
  return {&PerformanceInputFilter, &SpeedInputFilter,       &CourseInputFilter,
          &WindSpeedInputFilter,   &WindAngleInputFilter,   &TargetSpeedInputFilter,
          &VmgInputFilter,         &GeoWindAngleInputFilter};
}

// The Micronet page boxes in the order of their keys.
std::array<vcl::TCheckBox*, 9> MicronetBoxes(Tcomms& c) {
  return {c.CheckBox1, c.CheckBox2, c.CheckBox3, c.CheckBox4, c.CheckBox5,
          c.CheckBox6, c.CheckBox7, c.CheckBox8, c.CheckBox9};
}
constexpr std::array<const char*, 9> kMicronetKeys = {
    "sendwindcorrection",    "sendperformance",  "sendtargetspeed",
    "sendtruewinddirection", "sendtimetoll",     "senddistancetowpt",
    "senddistancetoll",      "sendcurrentangle", "sendcurrentspeed"};

// A dialog form's scripted answer, or the form shown to the user.
int RunForm(vcl::TCustomForm* form) {
  vcl::TDialogRequest request;
  request.Kind = "Form";
  request.Caption = form->Caption();
  return vcl::RunDialog(form, request);
}

void Terminate() {
  if (vcl::Application != nullptr) vcl::Application->Terminate();
}

}  // namespace

int TForm1::ShowBox(const std::string& text, const std::string& caption, unsigned flags) {
  return vcl::ShowMessageBox(text, caption, flags);
}

void TForm1::TellOnce(const std::string& text, const std::string& caption, unsigned flags) {
  // The kind is what comes before the reason: "Cannot write the recording x.lg".
  const std::string kind = caption + "|" + text.substr(0, text.find(':'));
  if (!fBoxesShowing.insert(kind).second) return;
  try {
    ShowBox(text, caption, flags);
  } catch (...) {
    fBoxesShowing.erase(kind);
    throw;
  }
  fBoxesShowing.erase(kind);
}

void TForm1::SetComputationTimers(bool on) {
  Timer1->SetEnabled(on);
  Timer2->SetEnabled(on);
  Timer3->SetEnabled(on);
  Timer4->SetEnabled(on);
}

void TForm1::SetReplayButtonsEnabled(bool on, bool withSpeedButton67) {
  for (vcl::TSpeedButton* b : {SpeedButton9, SpeedButton36, SpeedButton33, SpeedButton80,
                               SpeedButton34, SpeedButton5, SpeedButton31})
    b->SetEnabled(on);
  if (withSpeedButton67) SpeedButton67->SetEnabled(on);
}

void TForm1::FormCreate(rtl::TObject*) {
  // Without its data engine the program ends before it opens anything.
  if (BDE321->Failed()) {
    fExitCode = 1;
    return;
  }
  // What a write of the settings file interrupted by a kill or a power loss left behind.
  rtl::RemoveStaleTempFiles(kIniFile);
  docking::DKIniLoadPositions(this, kIniFile, "");
  fLatitude = fLongitude = 0;
  // No value until an instrument gives one.
  fSpeedOverGround = fCourseOverGround = fApparentWindSpeed = fApparentWindAngle = NAN;
  // Temporary query files of an earlier run.
  for (const std::string& name : rtl::FindFiles(".", "_Q*.*")) rtl::DeleteFile(name);
  // The chart display: without its world layer the program does not start.
  try {
    if (CreateFileLayer(EarthMap1, "world.lyr") < 0)
      throw rtl::Exception("world.lyr: no such file");
  } catch (const std::exception& e) {
    ShowBox(std::string("Error initialising chart display: ") + e.what(), "Error",
            vcl::MB_ICONEXCLAMATION);
    fExitCode = 1;
  }
  // Only the polar table is needed; the waypoints and the demonstration recording are optional
  // (the start-up tells about missing waypoints).
  try {
    Table1->Open();
    Table1->Close();
  } catch (const std::exception& e) {
    ShowBox("Error opening database table " + Table1->TableName() + ": " + e.what(), "Error",
            vcl::MB_ICONEXCLAMATION);
    fExitCode = 1;  // a service manager sees that the program could not start
  }
  for (db::TTable* t : {Table2, Table3}) {
    try {
      t->Open();
      t->Close();
    } catch (const std::exception&) {
    }
  }
  // Without a display the boxes are noted in the text log from the start on: a log that fails
  // then is told at once.
  fTextLog.OnFailure = [this](const std::string& message) {
    TellOnce(message, "Error", vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
  };
  fGraphConfig = std::make_unique<TGraphConfig>();
  fTwdFullCircle = 1;
  // The display fonts, when they are installed beside the program's data.
  for (const char* font : {"plevoran.ttf", "lcd2.ttf"})
    if (rtl::FileExists(font)) gdi::AddFontResource(font);
  // Asked only now: a quit already asked for would close the next failure's box unread.
  if (fExitCode != 0) Terminate();
}

void TForm1::ArmStartTimers() {
  Timer5->SetEnabled(true);
  Timer7->SetEnabled(true);
}

void TForm1::Timer5Timer(rtl::TObject*) {
  Timer5->SetEnabled(false);
  rtl::TIniFile ini(kIniFile);
  SpeedButton20->SetEnabled(true);
  SpeedButton22->SetEnabled(true);

  Tcomms& c = *comms;
  c.fOutputValues = [this] { return OutputValues(); };
  c.fSetMainSources = [this](const TSourceChoices& s) {
    fSpeedSource = s.fSpeedSource;
    fHeadingSource = s.fHeadingSource;
    fNmeaWind = s.fNmeaWind;
    if (s.fWindSource) fWindSource = *s.fWindSource;
  };
  // The wizard may run while the timers are off (no port at start-up): its port runs them.
  c.fAfterWizardOpen = [this] {
    fNetworkInput = 0;
    if (fReplayMode == 0) SetComputationTimers(true);
  };
  fCommsWizard = [] {
    if (comms != nullptr) comms->BitBtn4Click(comms);
  };
  c.ComboBox1->SetText(ReadSettingText(ini, "comms", "comport"));
  c.ComPort1->SetDeviceName(c.ComboBox1->Text());

  // Without a templates file the memo keeps what it holds.
  try {
    c.LoadTemplates();
  } catch (const std::exception&) {
  }

  const auto smoothing = SmoothingGlobals();
  for (size_t i = 0; i < smoothing.size(); ++i)
    *smoothing[i] = ReadSettingInteger(ini, "settings", kSmoothKeys[i]);
  const auto filters = FilterGlobals();
  for (size_t i = 0; i < filters.size(); ++i)
    *filters[i] = ReadSettingInteger(ini, "settings", kFilterKeys[i]);
  c.fSpeedSource = fSpeedSource = ReadSettingInteger(ini, "settings", "speedsource");
  c.fHeadingSource = fHeadingSource = ReadSettingInteger(ini, "settings", "headingsource");
  c.fNmeaWind = fNmeaWind = ReadSettingInteger(ini, "settings", "nmeawind");
  c.fWindSource = fWindSource = ReadSettingInteger(ini, "settings", "windsource");
  c.SpeedsourceGroup->SetItemIndex(fSpeedSource);
  c.HeadingsourceGroup->SetItemIndex(fHeadingSource);
  c.WindsourceGroup->SetItemIndex(fNmeaWind);
  c.TruewindsourceGroup->SetItemIndex(fWindSource);
  fRangeLaylines = ReadSettingInteger(ini, "settings", "rangelaylines");
  fRangeCircle = ReadSettingInteger(ini, "settings", "rangecircle");
  fTwsCorrection = static_cast<float>(ReadSettingFloat(ini, "settings", "twscorrection"));
  fTwaCorrection = static_cast<float>(ReadSettingFloat(ini, "settings", "twacorrection"));
  fTargetAngle = static_cast<float>(ReadSettingFloat(ini, "settings", "targetangle"));
  const auto boxes = MicronetBoxes(c);
  for (size_t i = 0; i < boxes.size(); ++i)
    boxes[i]->SetChecked(ReadSettingBool(ini, "settings", kMicronetKeys[i]));
  EarthMap1->Projection()->SetScaleFactor(ReadSettingFloat(ini, "settings", "globescale"));

  fNetworkInput = c.ComPort1->DeviceName() == "Network" ? 1 : 0;
  fReplayMode = 0;
  SetReplayButtonsEnabled(false, true);
  fRecordCounter = 0;

  ReadVideoKeys(ini, *fGraphConfig);
  fSettingsApplied = true;

  bool portOpen = false;
  if (fNetworkInput != 1) {
    try {
      c.ComPort1->Open();
      portOpen = true;
    } catch (const std::exception& e) {
      ShowBox(CannotOpenText(*c.ComPort1, e), "error", vcl::MB_OK);
      SetComputationTimers(false);
    }
  }
  if (portOpen || fNetworkInput == 1) {
    SetComputationTimers(true);
    c.CheckBox2Click(this);
  }
  fChartsRunning = true;
  fChartWindow = 60;

  BuildMapOverlays();
  LoadWaypoints();
  ResetOverlayStores();
  fWaypointActive = false;
  // Nothing is known until an instrument says so.
  fTrueWindSpeed = fTrueWindAngle = fApparentWindAngle = fApparentWindSpeed = NAN;
  fPerformance = fTargetSpeed = fVMG = fGeoWindAngle = fCurrentSet = fCurrentDrift = NAN;
  fSpeedOverGround = fCourseOverGround = fSpeedThroughWater = fHeading = fDepth = NAN;
  fChartWindow = 60;
  fTextLog.Open(fNow());
  fRecording = 0;
  SpeedButton25->SetDown(DKToolbar4->Visible());
  fStartedUp = true;
}

void TForm1::Timer4Timer(rtl::TObject*) {
  Timer4->SetEnabled(false);
  // The dialog's fields are filled from the settings first, so the saved ranges are kept.
  Settings->Edit10->SetText(rtl::IntToStr(fRangeLaylines));
  Settings->Edit9->SetText(rtl::IntToStr(fRangeCircle));
  fRangeLaylines = rtl::StrToIntDef(Settings->Edit10->Text(), fRangeLaylines);
  fRangeCircle = rtl::StrToIntDef(Settings->Edit9->Text(), fRangeCircle);
}

void TForm1::General1Click(rtl::TObject*) {
  TSettingsValues v;
  const auto smoothing = DialogSmoothing();
  const auto filters = DialogFilters();
  for (size_t i = 0; i < 8; ++i) {
    v.Smoothing[i] = *smoothing[i];
    v.Filter[i] = *filters[i];
  }
  v.RangeLaylines = fRangeLaylines;
  v.RangeCircle = fRangeCircle;
  v.TargetAngle = fTargetAngle;
  v.TwaCorrection = fTwaCorrection;
  v.TwsCorrection = fTwsCorrection;
  Settings->SetValues(v);
  if (RunForm(Settings) != vcl::mrOk) return;
  // All fields or none: a field that is not a number, or out of its range, raises naming it
  // before anything is applied.
  const TSettingsValues read = Settings->Values();
  for (size_t i = 0; i < 8; ++i) {
    *smoothing[i] = read.Smoothing[i];
    *filters[i] = read.Filter[i];
  }
  fRangeLaylines = read.RangeLaylines;
  fRangeCircle = read.RangeCircle;
  fTargetAngle = read.TargetAngle;
  fTwaCorrection = read.TwaCorrection;
  fTwsCorrection = read.TwsCorrection;
}

void TForm1::SpeedxButton5Click(rtl::TObject*) {
  Tcomms& c = *comms;
  // Up already (asked for by the watchdog): what is chosen there stays as it is.
  if (vcl::BringForwardIfShown(&c)) return;
  c.SpeedsourceGroup->SetItemIndex(fSpeedSource);
  c.HeadingsourceGroup->SetItemIndex(fHeadingSource);
  c.WindsourceGroup->SetItemIndex(fNmeaWind);
  c.TruewindsourceGroup->SetItemIndex(fWindSource);
  const std::string portBefore = c.ComboBox1->Text();
  const std::string deviceBefore = c.ComPort1->DeviceName();
  if (RunForm(&c) != vcl::mrOk) {
    // The close saves the port box as the port of the next start: a port typed or picked and
    // then cancelled must not become it. "Try Settings" or the wizard moved the port itself, and
    // the box names the port they left.
    if (c.ComPort1->DeviceName() == deviceBefore) c.ComboBox1->SetText(portBefore);
    return;
  }
  SetComputationTimers(false);
  try {
    c.ComPort1->Close();
  } catch (const std::exception&) {
    ShowBox("Error closing comport...", "Error", vcl::MB_OK);
  }
  c.ComPort1->SetDeviceName(c.ComboBox1->Text());
  // "Network" opens no port, as at start-up: the computation runs without one.
  fNetworkInput = c.ComPort1->DeviceName() == "Network" ? 1 : 0;
  bool open = fNetworkInput == 1;
  if (!open) {
    try {
      // The custom rate counts only while the rate is set to custom.
      c.ComPort1->SetBaudRate(brCustom);
      c.ComPort1->SetCustomBaudRate(rtl::StrToInt(c.ComboBox2->Text()));
      c.ComPort1->Open();
      open = true;
    } catch (const std::exception& e) {
      ShowBox(CannotOpenText(*c.ComPort1, e), "error", vcl::MB_OK);
      SetComputationTimers(false);
    }
  }
  if (!open) {
    // A replay goes on without a port, its charts with it.
    if (fReplayMode != 0) Timer2->SetEnabled(true);
    return;
  }
  if (fReplayMode == 0) {
    SetComputationTimers(true);
    return;
  }
  if (ShowBox("Playback is active, would you like to stop playback?", "Question", vcl::MB_YESNO) ==
      vcl::IDYES) {
    SetComputationTimers(true);
    fReplayMode = 0;
    // A replay tick after this would move the live history's heads.
    StopReplayPlay();
    CloseReplayVideo();
    // The live track must not go on from where the replayed race ended.
    ShowLiveTrack();
    for (THistoryBuffer* h :
         {&SpeedOverGroundHistory, &CourseOverGroundHistory, &PerformanceHistory, &VmgHistory,
          &TrueWindSpeedHistory, &TrueWindAngleHistory, &DepthHistory, &GeoWindAngleHistory,
          &TargetSpeedHistory})
      h->Clear();
    SetReplayButtonsEnabled(false, true);
  } else {
    // The replay goes on where it was, charts included.
    Timer2->SetEnabled(true);
    if (SpeedButton67->Down() || SpeedButton80->Down()) Timer6->SetEnabled(true);
  }
}

void TForm1::Polar1Click(rtl::TObject*) {
  if (Polardata == nullptr) return;
  Polardata->fSpeedSource = fSpeedSource;
  RunForm(Polardata);
}

void TForm1::SpeedButton3Click(rtl::TObject*) {
  if (Polardata != nullptr) RunForm(Polardata);
}

void TForm1::Communication1Click(rtl::TObject*) {
  Tcomms& c = *comms;
  if (vcl::BringForwardIfShown(&c)) return;
  RunForm(&c);
  c.ComPort1->Close();
  c.ComPort1->SetDeviceName(c.ComboBox1->Text());
  c.ComPort1->Open();
  rtl::TIniFile ini("brantolix.ini");
  ini.WriteString("comms", "comport", c.ComPort1->DeviceName());
  ini.WriteInteger("comms", "baudrate", static_cast<int>(c.ComPort1->BaudRate()));
}

void TForm1::FormClose(rtl::TObject*, vcl::TCloseAction&) {
  for (vcl::TTimer* t : {Timer1, Timer2, Timer3, Timer4, Timer5, Timer6, Timer7})
    t->SetEnabled(false);
  Tcomms& c = *comms;
  try {
    c.ComPort1->Close();
  } catch (const std::exception&) {
  }
  WriteSettings(fClosedBySignal && fClosedBySignal());
}

void TForm1::SaveWithoutDisplay() {
  WriteSettings(true);
  FormDestroy(this);
}

void TForm1::WriteSettings(bool noOneToAsk) {
  if (!fSettingsApplied) return;
  Tcomms& c = *comms;
  // Every key in one replace of the file, through the table, so that nothing out of range or
  // non-finite is written. When the file cannot be written the close still completes: the old
  // file stays whole and the user hears of it once.
  rtl::TIniWriter ini(kIniFile);
  WriteSettingText(ini, "comms", "comport", c.ComboBox1->Text());
  WriteSettingFloat(ini, "settings", "targetangle", fTargetAngle);
  const auto smoothing = SmoothingGlobals();
  for (size_t i = 0; i < smoothing.size(); ++i)
    WriteSettingInteger(ini, "settings", kSmoothKeys[i], *smoothing[i]);
  const auto filters = FilterGlobals();
  for (size_t i = 0; i < filters.size(); ++i)
    WriteSettingInteger(ini, "settings", kFilterKeys[i], *filters[i]);
  WriteSettingInteger(ini, "settings", "speedsource", fSpeedSource);
  WriteSettingInteger(ini, "settings", "headingsource", fHeadingSource);
  WriteSettingInteger(ini, "settings", "nmeawind", fNmeaWind);
  WriteSettingInteger(ini, "settings", "windsource", fWindSource);
  WriteSettingInteger(ini, "settings", "rangelaylines", fRangeLaylines);
  WriteSettingInteger(ini, "settings", "rangecircle", fRangeCircle);
  WriteSettingFloat(ini, "settings", "globescale",
                    static_cast<double>(EarthMap1->Projection()->ScaleFactor()));
  WriteSettingFloat(ini, "settings", "twacorrection", fTwaCorrection);
  WriteSettingFloat(ini, "settings", "twscorrection", fTwsCorrection);
  const auto boxes = MicronetBoxes(c);
  WriteSettingBool(ini, "settings", kMicronetKeys[0], boxes[0]->Checked());
  WriteSettingFloat(ini, "restore", "lat", fLatitude);
  WriteSettingFloat(ini, "restore", "lon", fLongitude);
  for (size_t i = 1; i < boxes.size(); ++i)
    WriteSettingBool(ini, "settings", kMicronetKeys[i], boxes[i]->Checked());
  try {
    ini.UpdateFile();
  } catch (const std::exception& e) {
    if (fSettingsWriteReported) return;
    fSettingsWriteReported = true;
    const std::string message = std::string("The settings could not be saved. ") + e.what();
    // A close asked for by a signal has no one to answer a box: it must end.
    if (noOneToAsk) {
      TellWithoutBox(message);
      return;
    }
    ShowBox(message, "Error", vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
  }
}

void TForm1::TellWithoutBox(const std::string& message) {
  std::fprintf(stderr, "corvatalen: %s\n", message.c_str());
  // A text log that fails now has no box to tell it either.
  fTextLog.OnFailure = [](const std::string& m) {
    std::fprintf(stderr, "corvatalen: %s\n", m.c_str());
  };
  NoteInTextLog(message);
}

void TForm1::FormDestroy(rtl::TObject*) {
  // Like the settings, the layout is written only by a program that started fully: a start-up
  // ended early (or a close in its first seconds) leaves "corvatalen.ini" as it was.
  if (!fSettingsApplied) return;
  // The window goes whatever happens: a failed save keeps the sections it wrote and says why,
  // where the settings' failure is told when no box can be: the message loop has ended.
  try {
    docking::DKIniSavePositions(this, kIniFile, "");
  } catch (const std::exception& e) {
    TellWithoutBox(std::string("The window layout could not be saved. ") + e.what());
  }
}
