// Replay of a recording through the history buffers, its step and play buttons, and the
// no-input watchdog that offers the demonstration recording.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>
#include <thread>

#include "app/historybuffer.h"
#include "app/mainform.h"
#include "app/nmeaposition.h"
#include "app/replay.h"
#include "link/comsettings.h"
#include "platform/rtl/files.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/filedialogs.h"
#include "platform/vcl/screen.h"

extern char** environ;

namespace {

constexpr const char* kDemonstration = "demonstration.lg";
constexpr const char* kComWizz = "comwizz.exe";
// Where the demonstration starts: this many seconds before the end of the recording.
constexpr std::int32_t kDemonstrationBack = 9400;
// Where an opened recording starts: this many seconds into it.
constexpr std::int32_t kOpenedAt = 30;
// How often the watchdog looks again while a dialog is up; this long without one, and a port
// chosen there has brought its input.
constexpr unsigned kWatchdogAgainMs = 5000;

// The fifteen buffers in the order of the log values.
std::array<THistoryBuffer*, lvCount> Buffers() {
  return {&SpeedOverGroundHistory,   &CourseOverGroundHistory,  &VmgHistory,
          &TrueWindSpeedHistory,     &TrueWindAngleHistory,     &PerformanceHistory,
          &TargetSpeedHistory,       &GeoWindAngleHistory,      &DepthHistory,
          &ApparentWindAngleHistory, &ApparentWindSpeedHistory, &SpeedThroughWaterHistory,
          &HeadingHistory,           &LongitudeHistory,         &LatitudeHistory};
}

// Starts the helper program beside the program, without arguments, and lets it run on its own;
// the program carries on whatever happens.
void StartComWizz() {
  const std::string path = std::string("./") + kComWizz;
  if (::access(path.c_str(), X_OK) != 0) return;
  char* argv[] = {const_cast<char*>(kComWizz), nullptr};
  // The program ignores a dead pipe and the file-size limit for itself; the helper gets the
  // usual dispositions back.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGXFSZ);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, path.c_str(), nullptr, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  if (failed != 0) return;
  // Reaped when it ends, so that it leaves no zombie behind.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace

void TForm1::StartReplayVideo() {
  if (MediaPlayer1->Mode() != vcl::mpOpen) {
    // A recording made without a camera has no video: it replays without one.
    if (!rtl::FileExists(MediaPlayer1->FileName())) return;
    try {
      MediaPlayer1->Open();
    } catch (const vcl::EMCIDeviceError&) {
      return;  // an unreadable video does not stop the replay
    }
  }
  MediaPlayer1->Wait = true;
  cap->SetVisible(false);
  ReplayVideoPanel->SetVisible(true);
  DKToolWindow[31]->SetVisible(true);  // the video window starts hidden
  ShowReplayVideoSecond();
}

void TForm1::ShowReplayVideoSecond() {
  // The video starts with the recording: frame 0 is its first second.
  if (MediaPlayer1->Mode() == vcl::mpOpen)
    MediaPlayer1->SeekSeconds(fReplayPosition - fReplayVideoStart);
}

void TForm1::CloseReplayVideo() {
  MediaPlayer1->Close();
  ReplayVideoPanel->SetVisible(false);
}

void TForm1::StopReplayPlay() {
  Timer6->SetEnabled(false);
  SpeedButton80->SetDown(false);
  SpeedButton67->SetDown(false);
}

bool TForm1::LoadRecording(const std::string& file) {
  std::vector<TLogRecord> records;
  try {
    db::TTable table(nullptr);
    table.SetTableType(db::ttParadox);
    table.SetTableName(file);
    table.Open();
    records = ReadLogRecords(table);
  } catch (const std::exception& e) {
    ShowBox("Cannot read the recording " + file + ": " + e.what(), "Error",
            vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
    return false;
  }
  TReplaySeconds laid = LayOutSeconds(records, THistoryBuffer::kCapacity);
  if (laid.Seconds.empty()) {
    ShowBox("The recording " + file + " holds no records", "Error",
            vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
    return false;
  }

  // Replayed records must not go into a recording, nor live ones into the replayed table.
  if (fRecording == 1) SpeedButton30Click(this);
  SetComputationTimers(false);
  StopReplayPlay();
  Table3->Close();
  Table3->SetTableName(file);
  Table3->Open();
  CloseReplayVideo();
  MediaPlayer1->SetFileName(rtl::ChangeFileExt(file, ".avi"));
  LoadSeconds(laid);
  // A recording leaves its records' dates empty; its name holds the day it began.
  if (fReplayDay == 0) fReplayDay = RecordingDay(file);
  return true;
}

void TForm1::LoadSeconds(const TReplaySeconds& laid) {
  if (laid.Seconds.empty()) return;
  fReplayMode = 1;
  const auto buffers = Buffers();
  for (THistoryBuffer* b : buffers)
    if (b != &LatitudeHistory && b != &LongitudeHistory) b->Clear();
  auto track = std::make_unique<TPointStore>();
  TPointLL last{};
  std::int32_t second = laid.Start;
  for (const TLogRecord& r : laid.Seconds) {
    for (size_t v = 0; v < buffers.size(); ++v) buffers[v]->Push(static_cast<float>(r.Values[v]));
    // The track starts with the first recorded position.
    if (second++ < laid.Positioned) continue;
    // From the buffers' own float values, which the boat shown is taken from.
    const TPointLL p = NmeaToPointLL(static_cast<float>(r.Values[lvLongitude]),
                                     static_cast<float>(r.Values[lvLatitude]));
    // A held second repeats the point before it.
    if (track->GetCount() == 0 || !(p == last)) track->Add(p);
    last = p;
  }
  fTrack = std::move(track);
  ShowReplayTrack();
  fLatitude = static_cast<float>(laid.Seconds.back().Values[lvLatitude]);
  fLongitude = static_cast<float>(laid.Seconds.back().Values[lvLongitude]);
  fHeading = static_cast<float>(laid.Seconds.back().Values[lvHeading]);
  fCourseOverGround = static_cast<float>(laid.Seconds.front().Values[lvCourseOverGround]);
  fReplayStart = laid.Start;
  fReplayEnd = laid.End;
  fReplayVideoStart = laid.First;
  fReplayPosition = laid.End;
  fReplayPositioned = laid.Positioned;
  fPositionKnown = fReplayPosition >= fReplayPositioned;
  fReplayDay = laid.Day;
  fReplayClock.clear();
  for (const TLogRecord& r : laid.Seconds) fReplayClock.push_back(r.Timestamp);
}

void TForm1::SpeedButton4Click(rtl::TObject*) {
  if (ShowBox("If you switch to replay mode, all buffers will be cleared and recording will "
              "stop.\nAre you sure you want to continue?",
              "Warning", vcl::MB_YESNO | vcl::MB_ICONEXCLAMATION) != vcl::IDYES)
    return;
  vcl::TOpenDialog dialog(nullptr);
  dialog.SetFilter("Log Files|*.lg");
  dialog.SetInitialDir(".");
  if (!dialog.Execute()) return;
  if (!LoadRecording(dialog.FileName())) return;
  ReplayStep(-(fReplayEnd - fReplayStart));
  // A recording too short to open 30 s in opens at its start, so that it can be played.
  if (fReplayEnd - fReplayStart > kOpenedAt) ReplayStep(kOpenedAt);
  for (vcl::TSpeedButton* b : {SpeedButton80, SpeedButton67}) b->SetEnabled(true);
  RefreshDisplay();
  Timer2->SetEnabled(true);
  Table3->Last();
}

void TForm1::ReplayStep(std::int32_t n) {
  if (fReplayMode == 0) return;
  const std::int32_t s = fReplayPosition;
  const std::int64_t target = std::int64_t{s} + n;
  if (target > fReplayEnd) n = fReplayEnd - s;
  if (target < fReplayStart) n = fReplayStart - s;
  const auto buffers = Buffers();
  for (THistoryBuffer* b : buffers) b->MoveHead(n);
  fReplayPosition = s + n;
  ShowReplayVideoSecond();
  const auto at = static_cast<size_t>(fReplayPosition - fReplayStart);
  const std::int32_t clock = at < fReplayClock.size() ? fReplayClock[at] : fReplayPosition;
  const std::int32_t second = clock % kSecondsADay;
  // Midnight itself would show as a date alone. Without a day the date part stays 0.
  fSampleTime = static_cast<double>(second == 0 ? 1 : second) / kSecondsADay;
  if (fReplayDay > 0) fSampleTime += fReplayDay + clock / kSecondsADay;
  fPositionKnown = fReplayPosition >= fReplayPositioned;

  const auto sample = [&](TLogValue v) { return buffers[v]->samples[buffers[v]->head]; };
  fCourseOverGround = sample(lvCourseOverGround);
  if (fHeadingSource == 0) fHeading = fCourseOverGround;
  fSpeedOverGround = sample(lvSpeedOverGround);
  fPerformance = sample(lvPerformance);
  fDepth = sample(lvDepth);
  fTrueWindSpeed = sample(lvTrueWindSpeed);
  fTrueWindAngle = sample(lvTrueWindAngle);
  fVMG = sample(lvVmg);
  fTargetSpeed = sample(lvTargetSpeed);
  fGeoWindAngle = sample(lvGeoWindAngle);
  fLatitude = sample(lvLatitude);
  fLongitude = sample(lvLongitude);
  fApparentWindAngle = sample(lvApparentWindAngle);
  fApparentWindSpeed = sample(lvApparentWindSpeed);
  fSpeedThroughWater = sample(lvSpeedThroughWater);
  fHeading = sample(lvHeading);

  float d = fHeading - fGeoWindAngle;
  if (d < 0) d += 360;
  fWindSide = d <= 180 ? 1 : 0;

  // The buttons say where the second shown can go.
  const bool back = fReplayPosition > fReplayStart, on = fReplayPosition < fReplayEnd;
  for (vcl::TSpeedButton* b : {SpeedButton9, SpeedButton36, SpeedButton33}) b->SetEnabled(back);
  for (vcl::TSpeedButton* b : {SpeedButton34, SpeedButton5, SpeedButton31}) b->SetEnabled(on);
  if (!on) StopReplayPlay();
  RefreshDisplay();
}

void TForm1::SpeedButton33Click(rtl::TObject*) {
  ReplayStep(-60);
}
void TForm1::SpeedButton34Click(rtl::TObject*) {
  ReplayStep(60);
}
void TForm1::SpeedButton36Click(rtl::TObject*) {
  ReplayStep(-600);
}
void TForm1::SpeedButton5Click(rtl::TObject*) {
  ReplayStep(600);
}
void TForm1::SpeedButton9Click(rtl::TObject*) {
  ReplayStep(-3600);
}
void TForm1::SpeedButton31Click(rtl::TObject*) {
  ReplayStep(3600);
}
void TForm1::Timer6Timer(rtl::TObject*) {
  ReplayStep(1);
}

void TForm1::SpeedButton80Click(rtl::TObject*) {
  if (fReplayMode == 0) return;
  Timer6->SetInterval(100);
  Timer6->SetEnabled(!Timer6->Enabled());
  SpeedButton80->SetDown(Timer6->Enabled());
  SpeedButton67->SetDown(false);
}

void TForm1::SpeedButton67Click(rtl::TObject*) {
  if (fReplayMode == 0) return;
  Timer6->SetInterval(1000);
  Timer6->SetEnabled(!Timer6->Enabled());
  SpeedButton67->SetDown(Timer6->Enabled());
  SpeedButton80->SetDown(false);
  if (Timer6->Enabled()) StartReplayVideo();
}

void TForm1::Timer7Timer(rtl::TObject*) {
  // Under a box of the start-up (a port that cannot be opened, left unanswered): the start-up
  // ends first, and the question comes at the next round.
  if (!fStartedUp) return;
  // No question over a dialog: the sailor is at work there, and the wizard, or the
  // communications form, is after the instruments already.
  if (vcl::Screen->ModalForm() != nullptr) {
    fWatchdogHeld = true;
    Timer7->SetInterval(kWatchdogAgainMs);
    return;
  }
  if (fWatchdogHeld) {
    fWatchdogHeld = false;
    return;
  }
  Timer7->SetEnabled(false);
  // A replay opened in the first 40 s is what the user wanted; a close asked for under a box
  // comes first, and a question over that box would hold it up.
  if (fReplayMode != 0 || fFrameCloseAsked) return;
  if (comms == nullptr || comms->fInputSeen != 0) return;
  if (ShowBox("No input received on NMEA,Would you like to replay a demo-recording?", "Message",
              vcl::MB_YESNO) == vcl::IDYES) {
    StartComWizz();
    if (!LoadRecording(kDemonstration)) return;
    for (vcl::TSpeedButton* b : {SpeedButton9, SpeedButton36, SpeedButton33, SpeedButton80,
                                 SpeedButton34, SpeedButton5, SpeedButton31, SpeedButton67})
      b->SetEnabled(true);
    RefreshDisplay();
    Timer2->SetEnabled(true);
    Table3->Last();
    ReplayStep(-kDemonstrationBack);
    SpeedButton67Click(this);
    return;
  }
  if (fFrameCloseAsked ||
      ShowBox("Would you like to run the communications wizard?", "Message", vcl::MB_YESNO) !=
          vcl::IDYES)
    return;
  if (fCommsWizard)
    fCommsWizard();
  else
    SpeedxButton5Click(this);
}
