// Replay of recordings written by our Paradox writer, and the no-input watchdog, in the program on
// the virtual clock. Every field of a record holds its own value of its second, so that what is
// shown can be traced to the one record it came from.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/historybuffer.h"
#include "app/mainform.h"
#include "app/mapoverlays.h"
#include "app/replay.h"
#include "link/comsettings.h"
#include "platform/db/table.h"
#include "platform/gdi/image.h"
#include "platform/rtl/datetime.h"
#include "tests/app/apptest.h"
#include "tests/app/programfixture.h"

namespace {

namespace fs = std::filesystem;

// Field k of the record of second t (k in log value order).
double V(int k, int t) {
  return k * 10 + (t % 997) * 0.01;
}

// A log table with one record for each listed second; with a day, each record's date-time too
// (seconds before the first one's are the next day's); from second `silent` on, no values.
void WriteRecording(const std::string& file, const std::vector<int>& seconds, double day = 0,
                    int silent = 1 << 30) {
  auto table = apptest::NewLogTable(file);
  db::TTable& t = *table;
  for (int s : seconds) {
    t.Append();
    t.FieldByName("Timestamp")->SetAsInteger(s);
    if (day > 0)
      t.FieldByName("datum")->SetAsDateTime(day + (s < seconds.front()) + s / 86400.0);
    for (int k = 0; k < lvCount && s < silent; ++k)
      t.FieldByName(LogFieldName(static_cast<TLogValue>(k)))->SetAsFloat(V(k, s));
    t.Post();
  }
  t.Close();
}

int RecordCount(const std::string& file) {
  db::TTable t(nullptr);
  t.SetTableType(db::ttParadox);
  t.SetTableName(file);
  t.Open();
  return t.RecordCount();
}

std::vector<int> Range(int from, int to) {  // from..to inclusive
  std::vector<int> v;
  for (int s = from; s <= to; ++s) v.push_back(s);
  return v;
}

const std::array<THistoryBuffer*, lvCount> kBuffers = {
    &SpeedOverGroundHistory,   &CourseOverGroundHistory,  &VmgHistory,
    &TrueWindSpeedHistory,     &TrueWindAngleHistory,     &PerformanceHistory,
    &TargetSpeedHistory,       &GeoWindAngleHistory,      &DepthHistory,
    &ApparentWindAngleHistory, &ApparentWindSpeedHistory, &SpeedThroughWaterHistory,
    &HeadingHistory,           &LongitudeHistory,         &LatitudeHistory};

class Replay : public apptest::ProgramFixture {
 protected:
  // The program live on a fake port, answering Yes to questions and picking `file` to open.
  void StartLive() {
    fake = std::make_unique<serial::ScopedFake>("FAKE1", line);
    WriteIni("[comms]\ncomport=FAKE1\n");
    answer = [this](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
      vcl::TDialogAnswer a;
      if (r.Kind == "MessageBox") a.Result = yes ? vcl::IDYES : vcl::IDNO;
      if (r.Kind == "Open") a.FileName = file;
      if (r.Kind == "Form") a.Result = vcl::mrOk;
      return a;
    };
    Start();
    Advance(10100);
    ASSERT_TRUE(Form1->Timer1->Enabled());
    boxes.clear();  // no waypoint table here
  }
  void Open(const std::string& name) {
    file = name;
    boxes.clear();
    Form1->SpeedButton4Click(nullptr);
  }
  // Every member shown is that of second t's record (the record before it when t was missing).
  void ExpectShows(int t) {
    TForm1& f = *Form1;
    const float shown[lvCount] = {f.fSpeedOverGround,   f.fCourseOverGround,  f.fVMG,
                                  f.fTrueWindSpeed,     f.fTrueWindAngle,     f.fPerformance,
                                  f.fTargetSpeed,       f.fGeoWindAngle,      f.fDepth,
                                  f.fApparentWindAngle, f.fApparentWindSpeed, f.fSpeedThroughWater,
                                  f.fHeading,           f.fLongitude,         f.fLatitude};
    for (int k = 0; k < lvCount; ++k)
      EXPECT_FLOAT_EQ(shown[k], static_cast<float>(V(k, t))) << "field " << k << " second " << t;
    char sog[16];
    std::snprintf(sog, sizeof sog, "%2.1f", static_cast<float>(V(lvSpeedOverGround, t)));
    EXPECT_EQ(f.Label3->Caption(), sog);
  }
  std::string TimeShown() const { return Form1->TimeLabel->Caption(); }
  // Live: the main tick pushes a sample a second.
  void ExpectLiveTicks() {
    const int head = SpeedOverGroundHistory.head;
    Advance(2000);
    EXPECT_EQ(SpeedOverGroundHistory.head, (head + 2) % THistoryBuffer::kCapacity);
  }
  // Whether every one of the buttons is enabled (or, with want false, disabled).
  static bool All(std::initializer_list<vcl::TSpeedButton*> buttons, bool want) {
    for (auto* b : buttons)
      if (b->Enabled() != want) return false;
    return true;
  }
  static bool Enabled(std::initializer_list<vcl::TSpeedButton*> b) { return All(b, true); }
  static bool Disabled(std::initializer_list<vcl::TSpeedButton*> b) { return All(b, false); }
  // Whether the ways back from the second shown (the step buttons back) and on are each open.
  static bool Ways(bool back, bool on) {
    return All({Form1->SpeedButton9, Form1->SpeedButton36, Form1->SpeedButton33}, back) &&
           All({Form1->SpeedButton34, Form1->SpeedButton5, Form1->SpeedButton31}, on);
  }

  std::unique_ptr<serial::ScopedFake> fake;
  std::string file;
  bool yes = true;
};

// Two hours with one second missing: opening stops recording and the live timers, loads every
// record (the last too) a second a buffer place, and shows the second 30 s after the start; jumps
// are clamped at both ends, play runs at 1 s and 100 ms, and reaching the end stops it. The step
// buttons always say where the second shown can go.
TEST_F(Replay, TwoHoursOpenedSteppedAndPlayed) {
  std::vector<int> seconds = Range(36000, 43199);
  seconds.erase(seconds.begin() + 500);  // 36500
  WriteRecording("race.lg", seconds);
  StartLive();
  Form1->SpeedButton30Click(nullptr);
  ASSERT_EQ(Form1->fRecording, 1);
  const std::string recording = Form1->Table3->TableName();
  Advance(3000);
  const int recorded = RecordCount(recording);
  ASSERT_GE(recorded, 2);

  Open("race.lg");
  ASSERT_EQ(Form1->fReplayMode, 1);
  EXPECT_EQ(boxes.size(), 1u);  // the question only
  EXPECT_EQ(Form1->fRecording, 0);
  EXPECT_FALSE(Form1->SpeedButton30->Down());
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_FALSE(Form1->Timer3->Enabled());
  EXPECT_FALSE(Form1->Timer4->Enabled());
  EXPECT_TRUE(Form1->Timer2->Enabled());
  EXPECT_FALSE(Form1->Timer6->Enabled());
  EXPECT_EQ(Form1->fReplayStart, 36000);
  EXPECT_EQ(Form1->fReplayEnd, 43199);
  EXPECT_EQ(Form1->fReplayPosition, 36030);
  ExpectShows(36030);
  EXPECT_NE(TimeShown().find("10:00:30"), std::string::npos) << TimeShown();
  EXPECT_TRUE(Ways(true, true) && Enabled({Form1->SpeedButton80, Form1->SpeedButton67}));

  // Each buffer holds, second by second, the record of that second (36499's in 36500's place).
  const int head = Form1->fReplayPosition;
  for (int s = 36000; s <= 43199; ++s) {
    const int t = s == 36500 ? 36499 : s;
    for (int k = 0; k < lvCount; ++k) {
      const THistoryBuffer& b = *kBuffers[static_cast<size_t>(k)];
      ASSERT_FLOAT_EQ(b.samples[b.IndexBack(head - s)], static_cast<float>(V(k, t)))
          << "field " << k << " second " << s;
    }
  }
  ASSERT_GE(Form1->fTrack->GetCount(), 7199);

  // Jumps both ways.
  Form1->SpeedButton34Click(nullptr);
  ExpectShows(36090);
  Form1->SpeedButton5Click(nullptr);
  ExpectShows(36690);
  Form1->SpeedButton31Click(nullptr);
  ExpectShows(40290);
  Form1->SpeedButton33Click(nullptr);
  ExpectShows(40230);
  Form1->SpeedButton36Click(nullptr);
  ExpectShows(39630);
  Form1->SpeedButton9Click(nullptr);
  ExpectShows(36030);
  Form1->SpeedButton9Click(nullptr);  // clamped at the start, where the way back closes
  ExpectShows(36000);
  EXPECT_NE(TimeShown().find("10:00:00"), std::string::npos) << TimeShown();
  EXPECT_TRUE(Ways(false, true));
  // The missing second shows the record before it.
  Form1->ReplayStep(500);
  ExpectShows(36499);

  // Real time: a second a second; fast: ten a second.
  Form1->SpeedButton67Click(nullptr);
  EXPECT_TRUE(Form1->SpeedButton67->Down());
  EXPECT_EQ(Form1->Timer6->Interval(), 1000u);
  Advance(3000);
  ExpectShows(36503);
  Form1->SpeedButton67Click(nullptr);
  EXPECT_FALSE(Form1->Timer6->Enabled());
  EXPECT_FALSE(Form1->SpeedButton67->Down());
  Form1->SpeedButton80Click(nullptr);
  EXPECT_TRUE(Form1->SpeedButton80->Down());
  EXPECT_EQ(Form1->Timer6->Interval(), 100u);
  Advance(1000);
  ExpectShows(36513);

  // Past the end lands on the last second, which stops play and closes the way on.
  Form1->ReplayStep(43190 - 36513);
  ExpectShows(43190);
  Form1->SpeedButton31Click(nullptr);
  ExpectShows(43199);
  EXPECT_FALSE(Form1->Timer6->Enabled());
  EXPECT_FALSE(Form1->SpeedButton80->Down());
  EXPECT_FALSE(Form1->SpeedButton67->Down());
  EXPECT_TRUE(Ways(true, false));
  Advance(100);
  ExpectShows(43199);
  EXPECT_NE(TimeShown().find("11:59:59"), std::string::npos) << TimeShown();

  // The recording interrupted by the replay got no record since. Made without an instrument, its
  // records hold no position, nor a speed.
  EXPECT_EQ(RecordCount(recording), recorded);
  db::TTable t(nullptr);
  t.SetTableName(recording);
  t.Open();
  const auto null = [&](const char* field) { return t.FieldByName(field)->IsNull(); };
  EXPECT_TRUE(null("Lat") && null("Lon") && null("speedog"));
}

// A recording of 20 s opens at its start, plays, and its buttons say where it can go: from the
// end "<<<" goes back to the start and opens the way on again.
TEST_F(Replay, AShortRecordingOpensAtItsStartAndPlays) {
  WriteRecording("short.lg", Range(1000, 1019));
  StartLive();
  Open("short.lg");
  ExpectShows(1000);
  EXPECT_TRUE(Ways(false, true));
  Form1->SpeedButton67Click(nullptr);
  Advance(3000);
  ExpectShows(1003);
  EXPECT_TRUE(Ways(true, true));
  Form1->SpeedButton31Click(nullptr);
  ExpectShows(1019);
  EXPECT_FALSE(Form1->Timer6->Enabled());
  EXPECT_TRUE(Ways(true, false));
  Form1->SpeedButton9Click(nullptr);
  ExpectShows(1000);
  EXPECT_TRUE(Ways(false, true));
}

// A second recorded while its instruments were silent shows none of their values, not the last.
TEST_F(Replay, ASecondRecordedWithoutValuesShowsNone) {
  WriteRecording("gap.lg", Range(1000, 1020), 0, 1020);
  StartLive();
  Open("gap.lg");
  Form1->ReplayStep(20);
  EXPECT_EQ(Form1->Label3->Caption() + Form1->Label12->Caption() + Form1->Label48->Caption(), "");
  EXPECT_TRUE(std::isnan(Form1->fSpeedOverGround) && std::isnan(Form1->fTrueWindSpeed) &&
              std::isnan(Form1->fDepth));
}

// The status line shows the recording's day: the one its records' dates give, else the one in
// its name; past midnight the next. A recording that tells no day shows the time alone.
TEST_F(Replay, TheStatusLineShowsTheRecordingsDay) {
  std::vector<int> night = Range(86000, 86399);
  for (int s : Range(0, 99)) night.push_back(s);
  WriteRecording("31_12_2026_1.lg", night);
  WriteRecording("05_12_2026_2.lg", Range(36000, 36100), rtl::EncodeDate(2027, 3, 14));
  WriteRecording("race.lg", Range(36000, 36100));
  StartLive();
  Open("31_12_2026_1.lg");
  EXPECT_EQ(TimeShown(), "31/12/2026 23:53:50");
  Form1->ReplayStep(370);
  EXPECT_EQ(TimeShown(), "01/01/2027 00:00:01");
  Open("05_12_2026_2.lg");
  EXPECT_EQ(TimeShown(), "14/03/2027 10:00:30");
  Open("race.lg");
  EXPECT_EQ(TimeShown(), "10:00:30");
}

// Back to live through the communication button: while playing, Yes stops the replay's timer and
// releases its buttons, so the live history only grows; the replayed table gets no record.
TEST_F(Replay, BackToLiveIsClean) {
  WriteRecording("race.lg", Range(1000, 4000));
  StartLive();
  Open("race.lg");
  Form1->SpeedButton80Click(nullptr);
  Advance(500);
  ASSERT_EQ(Form1->fReplayPosition, 1035);
  // No: the replay plays on (charts too).
  yes = false;
  Form1->SpeedxButton5Click(nullptr);
  EXPECT_EQ(Form1->fReplayMode, 1);
  EXPECT_TRUE(Form1->Timer6->Enabled());
  EXPECT_TRUE(Form1->Timer2->Enabled());
  Advance(500);
  EXPECT_EQ(Form1->fReplayPosition, 1040);
  // Yes: live again.
  yes = true;
  Form1->SpeedxButton5Click(nullptr);
  EXPECT_EQ(Form1->fReplayMode, 0);
  EXPECT_FALSE(Form1->Timer6->Enabled());
  EXPECT_FALSE(Form1->SpeedButton80->Down());
  EXPECT_FALSE(Form1->SpeedButton67->Down());
  EXPECT_TRUE(Form1->Timer1->Enabled());
  const int head = SpeedOverGroundHistory.head;
  const int headingHead = HeadingHistory.head;
  Advance(3000);
  EXPECT_EQ(SpeedOverGroundHistory.head, (head + 3) % THistoryBuffer::kCapacity);
  EXPECT_EQ(HeadingHistory.head, headingHead);  // not a live buffer: left where it was
  EXPECT_EQ(RecordCount("race.lg"), 3001);
  // The map's track holds the live seconds only, drawn as a live track.
  EXPECT_EQ(Form1->fOverlay.Track->Chains().GetCount(), 1);
  EXPECT_LE(Form1->fOverlay.Track->Chains().GetChain(0)->GetCount(), 3);
  EXPECT_EQ(Form1->fOverlay.LinePresenter(opTrack)->PolyPen()->PenStyle(), psSolid);
}

// The replay buttons act on a loaded recording only: off during the delayed start-up, and all of
// them, "Play" too, off again once the communication button has gone back to live.
TEST_F(Replay, ButtonsActOnlyWhileARecordingIsLoaded) {
  WriteRecording("race.lg", Range(1000, 2000));
  fake = std::make_unique<serial::ScopedFake>("FAKE1", line);
  WriteIni("[comms]\ncomport=FAKE1\n");
  Start();
  Advance(1000);
  const auto all = {Form1->SpeedButton9,  Form1->SpeedButton36, Form1->SpeedButton33,
                    Form1->SpeedButton80, Form1->SpeedButton34, Form1->SpeedButton5,
                    Form1->SpeedButton31, Form1->SpeedButton67};
  EXPECT_TRUE(Disabled(all));
  Form1->SpeedButton67Click(nullptr);
  Form1->SpeedButton80Click(nullptr);
  EXPECT_FALSE(Form1->Timer6->Enabled());
  Stop();
  fake.reset();

  line = std::make_shared<serial::FakeLine>();
  StartLive();
  Open("race.lg");
  Form1->SpeedButton67Click(nullptr);
  ASSERT_TRUE(Form1->Timer6->Enabled());
  Form1->SpeedxButton5Click(nullptr);  // Yes: back to live
  ASSERT_EQ(Form1->fReplayMode, 0);
  EXPECT_TRUE(Disabled({Form1->SpeedButton9, Form1->SpeedButton36, Form1->SpeedButton33,
                        Form1->SpeedButton80, Form1->SpeedButton34, Form1->SpeedButton5,
                        Form1->SpeedButton31, Form1->SpeedButton67}));
  Form1->SpeedButton67Click(nullptr);
  Form1->SpeedButton80Click(nullptr);
  EXPECT_FALSE(Form1->Timer6->Enabled());
  ExpectLiveTicks();
}

// OK in the communications form during a replay with a port that cannot be opened: the replay
// plays on, charts too.
TEST_F(Replay, APortThatFailsDuringAReplayLeavesItPlaying) {
  WriteRecording("race.lg", Range(1000, 4000));
  StartLive();
  Open("race.lg");
  Form1->SpeedButton67Click(nullptr);
  comms->ComboBox1->SetText("/nonexistent/ttyCORV");
  boxes.clear();
  Form1->SpeedxButton5Click(nullptr);
  EXPECT_NE(std::find(boxes.begin(), boxes.end(),
                      "error|Cannot open comport /nonexistent/ttyCORV: No such file or directory"),
            boxes.end());
  EXPECT_EQ(Form1->fReplayMode, 1);
  EXPECT_TRUE(Form1->Timer6->Enabled());
  EXPECT_TRUE(Form1->Timer2->Enabled());
  EXPECT_FALSE(Form1->Timer1->Enabled());
  const int position = Form1->fReplayPosition;
  Advance(2000);
  EXPECT_EQ(Form1->fReplayPosition, position + 2);
}

// A recording opened while the globe spins: stopping the spin gives back no live tick, so the
// replayed values stay, the fifteen rings stay in step and the text log takes no line. A second
// recording opened during a spin over a playing replay does not play.
TEST_F(Replay, ASpinOverTheOpeningOfARecordingGivesBackOnlyWhatTheReplayRuns) {
  WriteRecording("race.lg", Range(1000, 4000));
  StartLive();
  Form1->SpeedButton12Click(nullptr);
  Open("race.lg");
  Form1->SpeedButton12Click(nullptr);
  const size_t logged = apptest::Lines("corvatalen.txt").size();
  std::array<int, lvCount> heads{};
  for (int k = 0; k < lvCount; ++k) heads[k] = kBuffers[k]->head;
  Advance(3000);
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_FALSE(Form1->Timer3->Enabled());
  EXPECT_TRUE(Form1->Timer2->Enabled());
  for (int k = 0; k < lvCount; ++k) EXPECT_EQ(kBuffers[k]->head, heads[k]) << "ring " << k;
  Form1->SpeedButton34Click(nullptr);
  ExpectShows(1090);
  EXPECT_EQ(apptest::Lines("corvatalen.txt").size(), logged);

  Form1->SpeedButton67Click(nullptr);
  Form1->SpeedButton12Click(nullptr);
  Open("race.lg");
  Form1->SpeedButton12Click(nullptr);
  EXPECT_FALSE(Form1->Timer6->Enabled());
  Advance(2000);
  ExpectShows(1030);
}

// "Record" during a replay records nothing: the log table stays the replayed file, no table or
// video is made, and the button stays up.
TEST_F(Replay, RecordDuringAReplayIsRefused) {
  WriteRecording("race.lg", Range(1000, 2000));
  StartLive();
  Open("race.lg");
  const std::string replayed = Form1->Table3->TableName();
  boxes.clear();
  Form1->SpeedButton30Click(nullptr);
  EXPECT_EQ(Form1->fRecording, 0);
  EXPECT_FALSE(Form1->SpeedButton30->Down());
  EXPECT_EQ(Form1->Table3->TableName(), replayed);
  EXPECT_EQ(Form1->Caption(), "Corvatalen");
  EXPECT_EQ(boxes.size(), 1u);
  Advance(3000);
  for (const auto& e : fs::directory_iterator("."))
    EXPECT_TRUE(e.path().filename() == "race.lg" ||
                (e.path().extension() != ".lg" && e.path().extension() != ".avi"))
        << e.path();
  EXPECT_EQ(RecordCount("race.lg"), 1001);
}

// The boat and the end of its replayed track are one point. 5230.1234 as the float the buffers
// hold is 5230.12353515625: 52 degrees (280,800,000 units) and 30.12353515625 minutes of 90,000
// units (2,711,118.16), 283,511,118; 412.5 is 4 degrees 12.5 minutes, 22,725,000. The first 40 s,
// recorded before a fix, hold no position: no boat is drawn for them, and the track starts at
// 5229.5234, 283,457,106.
TEST_F(Replay, TheBoatStandsAtTheEndOfItsTrack) {
  {
    auto table = apptest::NewLogTable("track.lg");
    for (int s = 1000; s <= 1100; ++s) {
      table->Append();
      table->FieldByName("Timestamp")->SetAsInteger(s);
      if (s >= 1040) table->FieldByName("Lat")->SetAsFloat(5230.1234 - (1100 - s) * 0.01);
      if (s >= 1040) table->FieldByName("Lon")->SetAsFloat(412.5);
      table->Post();
    }
  }
  StartLive();
  Open("track.lg");
  TGeoDataObject* boat = Form1->fOverlay.Boat;
  EXPECT_TRUE(boat->GetHidden());
  EXPECT_EQ(Form1->fOverlay.HeadingLine->Chains().GetChain(0)->GetCount(), 0);
  ASSERT_EQ(Form1->fTrack->GetCount(), 61);
  EXPECT_NEAR(Form1->fTrack->GetLL(0).iLatY, 283'457'106, 50);
  EXPECT_EQ(Form1->fTrack->GetLL(0).iLongX, 22'725'000);
  Form1->SpeedButton31Click(nullptr);
  EXPECT_FALSE(boat->GetHidden());
  ASSERT_EQ(Form1->fReplayPosition, 1100);
  const TPointLL end = Form1->fTrack->GetLL(Form1->fTrack->GetCount() - 1);
  EXPECT_EQ(end.iLatY, 283511118);
  EXPECT_EQ(end.iLongX, 22725000);
  EXPECT_EQ(Form1->fBoatPosition.iLatY, end.iLatY);
  EXPECT_EQ(Form1->fBoatPosition.iLongX, end.iLongX);
  Form1->SpeedButton9Click(nullptr);
  EXPECT_TRUE(boat->GetHidden());
}

// A record at 00:00:00 shows as 00:00:01; a night race past midnight loads whole and shows the
// morning's clock; an empty or unreadable table is refused and the program stays live.
TEST_F(Replay, MidnightEmptyAndUnreadable) {
  std::vector<int> night = Range(86000, 86399);
  for (int s : Range(0, 999)) night.push_back(s);
  WriteRecording("night.lg", night);
  WriteRecording("empty.lg", {});
  std::ofstream("garbage.lg") << "not a table at all";
  WriteRecording("dawn.lg", Range(0, 100));
  StartLive();

  for (const char* bad : {"empty.lg", "garbage.lg", "missing.lg"}) {
    Open(bad);
    EXPECT_EQ(Form1->fReplayMode, 0) << bad;
    EXPECT_TRUE(Form1->Timer1->Enabled()) << bad;
    EXPECT_TRUE(Form1->Timer3->Enabled()) << bad;
    ASSERT_EQ(boxes.size(), 2u) << bad;
    EXPECT_EQ(boxes[1].substr(0, 6), "Error|") << boxes[1];
  }

  Open("night.lg");
  ASSERT_EQ(Form1->fReplayMode, 1);
  EXPECT_EQ(Form1->fReplayStart, 86000);
  EXPECT_EQ(Form1->fReplayEnd, 86400 + 999);
  ExpectShows(86030);
  Form1->ReplayStep(369);
  ExpectShows(86399);
  EXPECT_NE(TimeShown().find("23:59:59"), std::string::npos) << TimeShown();
  Form1->ReplayStep(1);
  ExpectShows(0);
  EXPECT_NE(TimeShown().find("00:00:01"), std::string::npos) << TimeShown();
  Form1->SpeedButton31Click(nullptr);
  ExpectShows(999);
  EXPECT_NE(TimeShown().find("00:16:39"), std::string::npos) << TimeShown();

  Open("dawn.lg");
  EXPECT_EQ(Form1->fReplayStart, 0);
  Form1->SpeedButton9Click(nullptr);
  ExpectShows(0);
  EXPECT_NE(TimeShown().find("00:00:01"), std::string::npos) << TimeShown();
}

// Damaged tables. A record with no time (its fields empty, as in a block a power cut lost) is not
// midnight: an afternoon race ends at its last second, not 9 hours of held values later. A copy
// cut in its last record keeps the records before the cut, those of its last block (of 30) too.
TEST_F(Replay, DamagedTablesKeepEveryWholeRecord) {
  WriteRecording("empty.lg", Range(50000, 51000));
  {
    db::TTable t(nullptr);
    t.SetTableName("empty.lg");
    t.Open();
    t.Append();
    t.Post();
  }
  WriteRecording("cut.lg", Range(1000, 1099));
  fs::resize_file("cut.lg", fs::file_size("cut.lg") - 4096 + 6 + 136 * 9 + 50);
  StartLive();
  for (const auto& [name, start, end] : {std::tuple{"empty.lg", 50000, 51000},
                                         std::tuple{"cut.lg", 1000, 1098}}) {
    Open(name);
    ASSERT_EQ(Form1->fReplayMode, 1) << name;
    EXPECT_EQ(Form1->fReplayStart, start);
    EXPECT_EQ(Form1->fReplayEnd, end);
    Form1->ReplayStep(end);
    ExpectShows(end);
  }
}

// A night race through the end of summer time: at 02:59:59 the clock goes back to 02:00:00. The
// hour after it follows on, every second in its own place and showing the clock its record has;
// a second written twice and records astray (05:00 and 23:00 among 02:30s) are left out.
TEST_F(Replay, AClockSetBackLosesNoRecord) {
  std::vector<int> seconds = Range(9000, 10799);
  seconds.insert(seconds.begin() + 701, 82800);
  seconds.insert(seconds.begin() + 501, 5000);
  seconds.push_back(10799);
  for (int s : Range(7200, 9000)) seconds.push_back(s);
  WriteRecording("autumn.lg", seconds);
  StartLive();
  Open("autumn.lg");
  ASSERT_EQ(Form1->fReplayMode, 1);
  EXPECT_EQ(Form1->fReplayStart, 9000);
  EXPECT_EQ(Form1->fReplayEnd, 10800 + 1800);
  const int head = Form1->fReplayPosition;
  for (int p = 9000; p <= 12600; ++p) {
    const int t = p < 10800 ? p : p - 3600;
    for (int k = 0; k < lvCount; ++k) {
      const THistoryBuffer& b = *kBuffers[static_cast<size_t>(k)];
      ASSERT_FLOAT_EQ(b.samples[b.IndexBack(head - p)], static_cast<float>(V(k, t)))
          << "field " << k << " position " << p;
    }
  }
  Form1->ReplayStep(10799 - Form1->fReplayPosition);
  ExpectShows(10799);
  EXPECT_NE(TimeShown().find("02:59:59"), std::string::npos) << TimeShown();
  Form1->ReplayStep(1);
  ExpectShows(7200);
  EXPECT_NE(TimeShown().find("02:00:00"), std::string::npos) << TimeShown();
  Form1->SpeedButton31Click(nullptr);
  ExpectShows(9000);
  EXPECT_NE(TimeShown().find("02:30:00"), std::string::npos) << TimeShown();
}

// More seconds than the ring holds: the last 60,000 are loaded and every step shows its own
// second's record.
TEST_F(Replay, LongerThanTheRing) {
  WriteRecording("long.lg", Range(0, 60999));
  StartLive();
  Open("long.lg");
  EXPECT_EQ(Form1->fReplayStart, 1000);
  EXPECT_EQ(Form1->fReplayEnd, 60999);
  // A video beside it would start with the first record, not with the part loaded.
  EXPECT_EQ(Form1->fReplayVideoStart, 0);
  ExpectShows(1030);
  Form1->SpeedButton9Click(nullptr);
  ExpectShows(1000);
  for (int i = 0; i < 17; ++i) Form1->SpeedButton31Click(nullptr);
  ExpectShows(60999);
  Form1->SpeedButton36Click(nullptr);
  ExpectShows(60399);
}

// 40 s without input: Yes starts comwizz.exe beside the program and replays the demonstration
// from 9,400 s before its end in real time; No then Yes calls the wizard command; input or a
// replay before 40 s keeps it quiet.
TEST_F(Replay, WatchdogOffersTheDemonstration) {
  WriteRecording("demonstration.lg", Range(40000, 52000));
  {
    std::ofstream script("comwizz.exe");
    script << "#!/bin/sh\ngrep SigIgn /proc/$$/status > comwizz-ran.part\n"
              "mv comwizz-ran.part comwizz-ran\n";
  }
  ::chmod("comwizz.exe", 0755);
  // The program runs with a dead pipe and the file-size limit ignored; its helper must not.
  const auto pipeWas = std::signal(SIGPIPE, SIG_IGN);
  const auto sizeWas = std::signal(SIGXFSZ, SIG_IGN);
  StartLive();
  Advance(29000);
  EXPECT_TRUE(boxes.empty());
  Advance(1000);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "Message|No input received on NMEA,Would you like to replay a demo-recording?");
  EXPECT_FALSE(Form1->Timer7->Enabled());
  ASSERT_EQ(Form1->fReplayMode, 1);
  EXPECT_EQ(Form1->fReplayPosition, 52000 - 9400);
  ExpectShows(52000 - 9400);
  EXPECT_TRUE(Form1->Timer6->Enabled());
  EXPECT_TRUE(Form1->SpeedButton67->Down());
  EXPECT_EQ(Form1->Timer6->Interval(), 1000u);
  Advance(2000);
  ExpectShows(52000 - 9400 + 2);
  EXPECT_TRUE(Enabled({Form1->SpeedButton9, Form1->SpeedButton36, Form1->SpeedButton33,
                       Form1->SpeedButton34, Form1->SpeedButton5, Form1->SpeedButton31}));
  for (int i = 0; i < 1500 && !fs::exists("comwizz-ran"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::signal(SIGPIPE, pipeWas);
  std::signal(SIGXFSZ, sizeWas);
  ASSERT_TRUE(fs::exists("comwizz-ran"));
  // SigIgn is a hexadecimal mask, bit n-1 for signal n.
  const unsigned long ignored = std::stoul(apptest::FileText("comwizz-ran").substr(7), nullptr, 16);
  EXPECT_EQ(ignored & ((1ul << (SIGPIPE - 1)) | (1ul << (SIGXFSZ - 1))), 0ul);
  Advance(60000);
  EXPECT_EQ(boxes.size(), 1u);  // once only
}

// Yes to the demonstration when "demonstration.lg" is not there: a box names it, and the program
// stays live with the replay buttons off.
TEST_F(Replay, WatchdogWithoutTheDemonstrationStaysLive) {
  StartLive();
  Advance(30000);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].rfind("Error|Cannot read the recording demonstration.lg", 0), 0u) << boxes[1];
  EXPECT_EQ(Form1->fReplayMode, 0);
  EXPECT_TRUE(Form1->Timer1->Enabled());
  EXPECT_FALSE(Form1->Timer6->Enabled());
  EXPECT_TRUE(Disabled({Form1->SpeedButton80, Form1->SpeedButton67, Form1->SpeedButton34}));
  ExpectLiveTicks();
}

// "Fast" and "Play" work one timer: "Fast" pressed while "Play" runs stops the replay with both
// buttons up, and pressed again runs it ten seconds a second.
TEST_F(Replay, FastPressedWhilePlayRuns) {
  WriteRecording("race.lg", Range(1000, 4000));
  StartLive();
  Open("race.lg");
  Form1->SpeedButton67Click(nullptr);
  Advance(2000);
  ASSERT_EQ(Form1->fReplayPosition, 1032);
  Form1->SpeedButton80Click(nullptr);
  EXPECT_FALSE(Form1->Timer6->Enabled());
  EXPECT_FALSE(Form1->SpeedButton80->Down());
  EXPECT_FALSE(Form1->SpeedButton67->Down());
  Advance(2000);
  EXPECT_EQ(Form1->fReplayPosition, 1032);
  Form1->SpeedButton80Click(nullptr);
  EXPECT_TRUE(Form1->SpeedButton80->Down());
  Advance(1000);
  ExpectShows(1042);
}

TEST_F(Replay, WatchdogNoThenWizard) {
  StartLive();
  int wizard = 0;
  Form1->fCommsWizard = [&] { ++wizard; };
  yes = false;
  answer = [this](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    vcl::TDialogAnswer a;
    // No to the demonstration, Yes to the wizard.
    a.Result = r.Text.find("wizard") != std::string::npos ? vcl::IDYES : vcl::IDNO;
    return a;
  };
  Advance(30000);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], "Message|Would you like to run the communications wizard?");
  EXPECT_EQ(wizard, 1);
  EXPECT_EQ(Form1->fReplayMode, 0);
}

TEST_F(Replay, WatchdogQuietAfterInputOrReplay) {
  StartLive();
  FeedAndWait(apptest::Sentence("IIDBT,034.25,f,010.44,M,005.64,F"),
              [] { return comms->fInputSeen != 0; });
  Advance(31000);
  EXPECT_TRUE(boxes.empty());
  Stop();
  fake.reset();

  WriteRecording("race.lg", Range(100, 400));
  line = std::make_shared<serial::FakeLine>();
  StartLive();
  Open("race.lg");
  boxes.clear();
  Advance(31000);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Form1->fReplayStart, 100);
}

// The watchdog's demonstration in the main window, a minute into its real-time play.
TEST_F(Replay, DemonstrationSnapshot) {
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "demonstration.lg", "demonstration.lg");
  answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    vcl::TDialogAnswer a;
    if (r.Kind == "MessageBox") a.Result = vcl::IDYES;
    return a;
  };
  Start();
  Form1->Show();
  Advance(40000);
  ASSERT_EQ(Form1->fReplayMode, 1);
  EXPECT_EQ(Form1->fReplayPosition, Form1->fReplayEnd - 9400);
  Advance(60000);
  EXPECT_EQ(Form1->fReplayPosition, Form1->fReplayEnd - 9400 + 60);
  // 14:03:24 less 9,340 s is 11:27:44.
  EXPECT_NE(Form1->TimeLabel->Caption().find("11:27:44"), std::string::npos)
      << Form1->TimeLabel->Caption();
  app->ProcessMessages();
  gdi::SavePngFile(std::string(CORV_SNAPSHOT_DIR) + "/mainwindow_demonstration.png",
                   win::ComposeScreen());
}

}  // namespace
