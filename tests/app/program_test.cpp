// The program in process on the virtual clock: start-up from the settings file, the computation fed
// through a fake serial line, the text log, recordings, and the close that writes the settings.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/headlessanswer.h"
#include "app/mainform.h"
#include "app/polar.h"
#include "app/settingsform.h"
#include "app/winmain.h"
#include "link/commswizard.h"
#include "link/comsettings.h"
#include "platform/db/table.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/inifiles.h"
#include "platform/serial/fakedevice.h"
#include "platform/serial/names.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/screen.h"
#include "platform/win/system.h"

#include "tests/app/apptest.h"
#include "tests/app/programfixture.h"
#include "tests/app/pxread.h"
#include "tests/platform/serial/pty.h"

namespace fs = std::filesystem;

namespace {

using apptest::Fields;
using apptest::Lines;
using apptest::Sentence;

// A number printed with exactly one decimal.
bool OneDecimal(const std::string& s) {
  const auto dot = s.find('.');
  return dot != std::string::npos && dot > 0 && dot + 2 == s.size();
}

class Program : public apptest::ProgramFixture {};

// The dialogs the main window opens stand over its middle; the wizard and the port dialog in the
// middle of the screen; the polar form where it was designed.
TEST_F(Program, DialogsOpenCentredOnTheMainWindowOrTheScreen) {
  Start();
  Form1->SetBounds(150, 70, 900, 640);
  auto centre = [](const vcl::TControl* c) {
    return std::pair{c->Left() + c->Width() / 2, c->Top() + c->Height() / 2};
  };
  const std::pair main{150 + 450, 70 + 320};
  const vcl::TRect area = vcl::Screen->WorkAreaRect();
  const std::pair screen{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  comms->Show();
  Settings->Show();
  WizForm->Show();
  Polardata->Show();
  for (auto [form, want] : {std::pair<vcl::TForm*, std::pair<int, int>>{comms, main},
                            {Settings, main}, {WizForm, screen}}) {
    EXPECT_NEAR(centre(form).first, want.first, 1) << form->Name();
    EXPECT_NEAR(centre(form).second, want.second, 1) << form->Name();
  }
  EXPECT_EQ(Polardata->Left(), 60);
  EXPECT_EQ(Polardata->Top(), 40);
}

TEST_F(Program, RunsFromStartUpThroughLogsAndRecordingsToTheSettingsWrittenAtClose) {
  serial::ScopedFake fake("FAKE1", line);
  WriteIni(
      "[comms]\ncomport=FAKE1\n[settings]\ntargetangle=37.5\ntwscorrection=0.5\n"
      "twacorrection=3\nspeed=4\nfspeed=20\nrangelaylines=7\nrangecircle=12\n"
      "sendperformance=1\n");
  Start();
  EXPECT_FALSE(Form1->SpeedButton20->Enabled());
  Advance(9900);
  EXPECT_FALSE(line->IsOpen());
  Advance(200);
  ASSERT_TRUE(line->IsOpen());
  EXPECT_TRUE(Form1->Timer1->Enabled());
  EXPECT_TRUE(Form1->SpeedButton20->Enabled());
  EXPECT_EQ(comms->ComboBox1->Text(), "FAKE1");
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 37.5f);
  EXPECT_EQ(SpeedSmoothing, 4);
  EXPECT_EQ(SpeedInputFilter, 20);
  EXPECT_TRUE(comms->CheckBox2->Checked());
  // The page titles of the ticked Micronet page went out at start.
  EXPECT_NE(line->TakeWritten().find("$PTAK,FFP"), std::string::npos);
  // Half a second later the ranges stay as saved.
  Advance(600);
  EXPECT_EQ(Form1->fRangeLaylines, 7);
  EXPECT_EQ(Form1->fRangeCircle, 12);
  EXPECT_EQ(Settings->Edit10->Text(), "7");
  EXPECT_TRUE(boxes.size() == 1 && boxes[0] == "Message|No waypoint file loaded");

  FeedAndWait("\n" + Sentence("GPRMC,120000,A,5230.1234,N,00412.5000,E,6.5,90.0,061226,,") +
                  Sentence("IIMWV,45.0,R,14.0,N,A") + Sentence("IIVHW,,T,,M,6.0,N,,K"),
              [] { return comms->fSpeedThroughWater > 5.9f; });
  const auto before = Lines("corvatalen.txt").size();
  Advance(3000);
  EXPECT_FLOAT_EQ(Form1->fSpeedOverGround, 6.5f);
  EXPECT_GT(Form1->fTrueWindSpeed, 8.0f);
  EXPECT_GT(Form1->fTargetSpeed, 0.0f);
  const auto log = Lines("corvatalen.txt");
  ASSERT_GE(log.size(), before + 3);
  int previous = -1;
  for (size_t i = before; i < log.size(); ++i) {
    const auto f = Fields(log[i]);
    ASSERT_EQ(f.size(), 13u) << log[i];
    EXPECT_EQ(f[0].substr(0, 17), "06/12/2026 12:00:") << log[i];
    EXPECT_EQ(f[2], "739956");
    EXPECT_EQ(f[3], "6.5");
    EXPECT_EQ(f[4], " 90");
    // In the wind's first second no target has been looked up yet.
    for (size_t k = 5; k < 13; ++k)
      EXPECT_TRUE(OneDecimal(f[k]) || (i == before && (k == 9 || k == 10) && f[k].empty()))
          << log[i];
    const int second = std::stoi(f[1]);
    if (previous >= 0) {
      EXPECT_EQ(second, previous + 1);
    }
    previous = second;
  }

  Form1->SpeedButton30Click(nullptr);
  EXPECT_TRUE(fs::exists("06_12_2026_1.lg"));
  EXPECT_EQ(Form1->Caption(), "Corvatalen - Recording");
  EXPECT_TRUE(Form1->SpeedButton30->Down());
  EXPECT_EQ(Form1->BitBtn3->Caption(), "Capture");  // no camera: no capture to stop
  Advance(3000);
  Form1->SpeedButton30Click(nullptr);
  EXPECT_EQ(Form1->Caption(), "Corvatalen");
  {
    db::TTable t(nullptr);
    t.SetTableName("06_12_2026_1.lg");
    t.Open();
    ASSERT_EQ(t.RecordCount(), 3);
    t.First();
    const int first = t.FieldByName("Timestamp")->AsInteger();
    EXPECT_FLOAT_EQ(static_cast<float>(t.FieldByName("speedog")->AsFloat()), 6.5f);
    EXPECT_NEAR(t.FieldByName("Lat")->AsFloat(), 5230.1234, 0.01);
    t.Last();
    EXPECT_EQ(t.FieldByName("Timestamp")->AsInteger(), first + 2);
  }
  Form1->SpeedButton30Click(nullptr);
  EXPECT_TRUE(fs::exists("06_12_2026_2.lg"));
  Form1->SpeedButton30Click(nullptr);

  Form1->Close();
  rtl::TIniFile ini("corvatalen.ini");
  for (const char* key : {"targetangle",
                          "performance",
                          "speed",
                          "course",
                          "windspeed",
                          "windangle",
                          "targetspeed",
                          "geowindangle",
                          "vmg",
                          "fperformance",
                          "fspeed",
                          "fcourse",
                          "fwindspeed",
                          "fwindangle",
                          "ftargetspeed",
                          "fgeowindangle",
                          "fvmg",
                          "speedsource",
                          "headingsource",
                          "nmeawind",
                          "windsource",
                          "rangelaylines",
                          "rangecircle",
                          "globescale",
                          "twacorrection",
                          "twscorrection",
                          "sendwindcorrection",
                          "sendperformance",
                          "sendtargetspeed",
                          "sendtruewinddirection",
                          "sendtimetoll",
                          "senddistancetowpt",
                          "senddistancetoll",
                          "sendcurrentangle",
                          "sendcurrentspeed"})
    EXPECT_TRUE(ini.ValueExists("settings", key)) << key;
  EXPECT_EQ(ini.ReadString("comms", "comport", ""), "FAKE1");
  EXPECT_NEAR(ini.ReadFloat("restore", "lat", 0), 5230.1234, 0.01);

  // A restart reads everything back.
  Stop();
  Start();
  Advance(10600);
  EXPECT_TRUE(line->IsOpen());
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 37.5f);
  EXPECT_FLOAT_EQ(Form1->fTwsCorrection, 0.5f);
  EXPECT_FLOAT_EQ(Form1->fTwaCorrection, 3.0f);
  EXPECT_EQ(SpeedSmoothing, 4);
  EXPECT_EQ(SpeedInputFilter, 20);
  EXPECT_EQ(Form1->fRangeLaylines, 7);
  EXPECT_TRUE(comms->CheckBox2->Checked());
  // The counter begins again and skips the recordings of the first run.
  Form1->SpeedButton30Click(nullptr);
  EXPECT_TRUE(fs::exists("06_12_2026_3.lg"));
}

TEST_F(Program, WithoutSettingsFileStartsOnCom1WithEveryDefault) {
  serial::ScopedFake fake("COM1", line);
  Start();
  Advance(10100);
  EXPECT_TRUE(line->IsOpen());
  EXPECT_EQ(comms->ComPort1->DeviceName(), "COM1");
  EXPECT_EQ(PerformanceSmoothing, 20);
  EXPECT_EQ(WindSpeedSmoothing, 30);
  EXPECT_EQ(VmgSmoothing, 10);
  EXPECT_EQ(PerformanceInputFilter, 0);
  EXPECT_EQ(Form1->fRangeLaylines, 10);
  EXPECT_EQ(Form1->fRangeCircle, 30);
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 45.0f);
  EXPECT_EQ(Form1->fGraphConfig->DVResolution, 16);
  EXPECT_FALSE(comms->CheckBox1->Checked());
  EXPECT_TRUE(Form1->Timer1->Enabled());
}

TEST_F(Program, SettingsOutsideTheirRangesStartAsTheirDefaults) {
  WriteIni(
      "[comms]\ncomport=Network\n[settings]\nfwindspeed=150\nfwindangle=100\nwindangle=0\n"
      "targetangle=95\ntwscorrection=1e300\nheadingsource=7\n");
  testing::internal::CaptureStderr();
  Start();
  Advance(10100);
  const std::string notes = testing::internal::GetCapturedStderr();
  EXPECT_EQ(WindSpeedInputFilter, 0);    // 150 % would make the damped wind grow without bound
  EXPECT_EQ(WindAngleInputFilter, 100);  // in range: frozen, as asked
  EXPECT_EQ(WindAngleSmoothing, 30);
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 45.0f);
  EXPECT_EQ(Form1->fTwsCorrection, 0.0f);
  EXPECT_EQ(Form1->fHeadingSource, 0);
  EXPECT_EQ(comms->HeadingsourceGroup->ItemIndex(), 0);
  EXPECT_EQ(std::count(notes.begin(), notes.end(), '\n'), 5) << notes;
}

TEST_F(Program, InstrumentOutputReadsTheMainWindowsCurrentValues) {
  serial::ScopedFake fake("COM1", line);
  Start();
  Advance(10100);
  ASSERT_TRUE(line->IsOpen());
  comms->Memo1->Lines()->Clear();
  comms->Memo1->Lines()->Add("$PX,%performance,%targetspeed,%windog,%depth,%bearingtowpt");
  comms->CheckBox1->SetChecked(true);  // wind corrections
  Form1->fPerformance = 97.64f;
  Form1->fTargetSpeed = 6.25f;
  Form1->fGeoWindAngle = 245.2f;
  Form1->fDepth = 12.5f;
  Form1->fTwsCorrection = 1.5f;
  Form1->fTwaCorrectionApplied = -2.0f;
  line->TakeWritten();
  comms->SendNmeaOutput();
  std::string sent = line->TakeWritten();
  // The waypoint bearing is not computed yet: it stays at its start value.
  EXPECT_EQ(sent.substr(0, sent.find('*')), "$PX,97.6,6.2,245.2,12.5,0.0");
  EXPECT_NE(sent.find("$PTAK,TWC,1.5,-2.0*"), std::string::npos) << sent;
  Form1->fPerformance = 80.0f;  // the next output has the new value
  comms->SendNmeaOutput();
  sent = line->TakeWritten();
  EXPECT_EQ(sent.substr(0, sent.find('*')), "$PX,80.0,6.2,245.2,12.5,0.0");
}

TEST_F(Program, PortThatCannotBeOpenedShowsTheBoxAndStartsNoComputation) {
  WriteIni("[comms]\ncomport=/nonexistent/tty\n");
  Start();
  Advance(10100);
  EXPECT_NE(std::find(boxes.begin(), boxes.end(),
                      "error|Cannot open comport /nonexistent/tty: No such file or directory"),
            boxes.end());
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_FALSE(Form1->Timer3->Enabled());
  EXPECT_FALSE(fs::exists("corvatalen.txt") && !Lines("corvatalen.txt").empty());
}

// COM1 stands for a pseudo-terminal that another program holds: the box names the port, its
// device and the reason. "Network" chosen then opens no port and raises no box.
TEST_F(Program, APortHeldElsewhereIsNamedWithItsDeviceAndNetworkOpensNone) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const int holder = ::open(pty.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  ::setenv("CORVATALEN_SERIAL_DEVICES", pty.path().c_str(), 1);
  WriteIni("[comms]\ncomport=COM1\n");
  Start();
  Advance(10100);
  ::unsetenv("CORVATALEN_SERIAL_DEVICES");
  ::close(holder);
  const std::string told =
      "error|Cannot open comport COM1 (" + pty.path() + "): Device or resource busy";
  EXPECT_NE(std::find(boxes.begin(), boxes.end(), told), boxes.end());
  EXPECT_FALSE(Form1->Timer1->Enabled());

  answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Kind != "Form" || r.Caption != "Settings") return vcl::TDialogAnswer{};
    comms->ComboBox1->SetText("Network");
    return vcl::TDialogAnswer{vcl::mrOk};
  };
  boxes.clear();
  Form1->SpeedButton22->Click();
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  EXPECT_EQ(Form1->fNetworkInput, 1);
  EXPECT_TRUE(Form1->Timer1->Enabled());
}

// COM3 on a machine with two serial devices, and on one with none.
TEST_F(Program, APortNumberWithoutADeviceNamesTheDevicesFound) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"/dev/ttyS0", "/dev/ttyUSB0"},
       "; serial devices found: COM1 (/dev/ttyS0), COM2 (/dev/ttyUSB0)"},
      {{}, ", and no serial devices were found"}};
  for (const auto& [devices, found] : cases) {
    serial::SetComDevices(devices);
    WriteIni("[comms]\ncomport=COM3\n");
    Start();
    Advance(10100);
    serial::SetComDevices(std::nullopt);
    EXPECT_THAT(boxes, testing::Contains("error|Cannot open comport COM3: there is no such port "
                                         "on this machine" + found));
    Stop();
  }
}

TEST_F(Program, NetworkOpensNoPortAndStartsTheTimers) {
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  Advance(10100);
  EXPECT_EQ(Form1->fNetworkInput, 1);
  EXPECT_FALSE(comms->ComPort1->Active());
  EXPECT_TRUE(Form1->Timer1->Enabled());
  EXPECT_TRUE(Form1->Timer2->Enabled());
  EXPECT_TRUE(Form1->Timer3->Enabled());
}

TEST_F(Program, MissingPolarTableEndsTheProgramMissingWaypointsDoNot) {
  fs::remove("PERFORMANCE.DBF");
  Start();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes[0].rfind("Error|Error opening database table PERFORMANCE.DBF: ", 0), 0u)
      << boxes[0];
  Stop();
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF", "PERFORMANCE.DBF");
  Start();
  EXPECT_TRUE(boxes.empty());
}

// Boxes of the start stay up as long as the sailor leaves them (45 s here): the polar form's
// warning puts the start-up off, and the watchdog's question waits for the start-up's port box.
TEST_F(Program, BoxesOfTheStartStayUpUntilAnsweredWithNoTimerRunningUnderThem) {
  answer = [](const vcl::TDialogRequest& r) {
    return std::optional(
        vcl::TDialogAnswer{.Result = vcl::IDYES, .DelayMs = r.Caption == "Message" ? 0u : 45000u});
  };
  db::TTable polar(nullptr);
  polar.SetTableName("PERFORMANCE.DBF");
  polar.Open();
  for (int tws = 40; tws <= 60; ++tws) {
    polar.Append();
    polar.FieldByName("TWS")->SetAsInteger(tws);
    polar.FieldByName("TWD")->SetAsInteger(90);
    polar.FieldByName("SPEED")->SetAsFloat(9);
    polar.Post();
  }
  polar.Close();
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  EXPECT_THAT(boxes, testing::ElementsAre(testing::StartsWith("Warning|The polar table has more")));
  Advance(10100);
  EXPECT_TRUE(Form1->Timer1->Enabled());
  Stop();

  WriteIni("[comms]\ncomport=/nonexistent/tty\n");
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "demonstration.lg", "demonstration.lg");
  Start();
  Advance(100000);
  EXPECT_THAT(boxes, testing::Contains(testing::StartsWith("Message|No input received on NMEA")));
  EXPECT_TRUE(Form1->Timer6->Enabled());
  EXPECT_GT(Form1->fOverlay.Track->Chains().GetChain(0)->GetCount(), 100) << "the demo's track";
}

TEST_F(Program, WaypointsOfTheShippedTableAreLoadedWithoutABox) {
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "waypoints.DB", "waypoints.DB");
  {
    db::TTable t(nullptr);
    t.SetTableName("waypoints.DB");
    t.Open();
    for (const auto& [name, lat, lon] :
         {std::tuple{"Buoy A", 52.5, 4.25}, {"Buoy B", -33.9, 18.4}}) {
      t.Append();
      t.FieldByName("NAME")->SetAsString(name);
      t.FieldByName("LAT")->SetAsFloat(lat);
      t.FieldByName("LON")->SetAsFloat(lon);
      t.Post();
    }
  }
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  Advance(10100);
  EXPECT_TRUE(boxes.empty());
  // On the map: 18.4 E is 99,360,000 units, 33.9 S -183,060,000.
  ASSERT_NE(Form1->fOverlay.Waypoints, nullptr);
  TPointStore& shown = *Form1->fOverlay.Waypoints->Chains().GetChain(0);
  ASSERT_EQ(shown.GetCount(), 2);
  EXPECT_EQ(shown.GetLL(1).iLongX, 99'360'000);
  EXPECT_EQ(shown.GetLL(1).iLatY, -183'060'000);
}

TEST_F(Program, SettingsDialogAppliesEveryFieldOrNone) {
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  Advance(10100);
  answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Caption != "Settings") return vcl::TDialogAnswer{};
    Settings->Edit11->SetText("37.5");
    Settings->SmoothEdits[0]->SetText("25");
    Settings->Edit14->SetText("x1");
    return vcl::TDialogAnswer{vcl::mrOk};
  };
  EXPECT_THROW(Form1->General1Click(nullptr), rtl::EConvertError);
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 45.0f);
  EXPECT_EQ(PerformanceSmoothing, 20);
  // Numbers outside the ranges the settings file keeps are refused the same way.
  for (const auto& [edit, text] : std::vector<std::pair<vcl::TEdit*, std::string>>{
           {Settings->Edit11, "90"}, {Settings->SmoothEdits[7], "0"}, {Settings->Edit14, "1e30"}}) {
    answer = [edit, text](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
      if (r.Caption != "Settings") return vcl::TDialogAnswer{};
      Settings->SmoothEdits[0]->SetText("25");
      edit->SetText(text);
      return vcl::TDialogAnswer{vcl::mrOk};
    };
    EXPECT_THROW(Form1->General1Click(nullptr), rtl::EConvertError) << text;
    EXPECT_FLOAT_EQ(Form1->fTargetAngle, 45.0f);
    EXPECT_EQ(PerformanceSmoothing, 20);
    EXPECT_EQ(GeoWindAngleSmoothing, 30);
  }
  answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Caption != "Settings") return vcl::TDialogAnswer{};
    Settings->Edit11->SetText("37.5");
    Settings->SmoothEdits[0]->SetText("25");
    Settings->FilterBars[1]->SetPosition(40);
    return vcl::TDialogAnswer{vcl::mrOk};
  };
  Form1->General1Click(nullptr);
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 37.5f);
  EXPECT_EQ(PerformanceSmoothing, 25);
  EXPECT_EQ(SpeedInputFilter, 40);
  Form1->Close();
  EXPECT_DOUBLE_EQ(rtl::TIniFile("corvatalen.ini").ReadFloat("settings", "targetangle", 0), 37.5);
}

// The frame closed while the settings dialog is open: the program closes once the dialog is done.
TEST_F(Program, AFrameCloseWaitsForTheOpenDialogAndKeepsWhatItApplied) {
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  Form1->Show();  // as the program shows it: a modal dialog disables it
  Advance(10100);
  answer = [](const vcl::TDialogRequest& r) {  // the settings dialog is the test's
    return r.Caption == "Settings" ? std::nullopt : std::optional(vcl::TDialogAnswer{});
  };
  bool runsOn = false;
  win::SetTimer(nullptr, 0, 100, [&](win::HWND, win::UINT, win::UINT_PTR id, win::DWORD) {
    win::KillTimer(nullptr, id);
    win::PostMessage(Form1->Handle(), win::WM_SYSCOMMAND, win::SC_CLOSE, 0);
    Advance(500);
    runsOn = !app->Terminated() && Settings->Visible();
    Settings->Edit11->SetText("37.5");
    Settings->SetModalResult(vcl::mrOk);
  });
  Form1->General1Click(nullptr);
  EXPECT_TRUE(runsOn);
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 37.5f);
  app->ProcessMessages();
  EXPECT_TRUE(app->Terminated());
  EXPECT_DOUBLE_EQ(rtl::TIniFile("corvatalen.ini").ReadFloat("settings", "targetangle", 0), 37.5);
}

// The frame closed under the capture's error box just before the watchdog's 40 s, or under the
// watchdog's own question answered No: once the box is answered the program ends, asking nothing.
TEST_F(Program, AFrameCloseHeldByABoxIsCarriedOutWhenItIsAnsweredWithNoQuestionBetween) {
  WriteIni("[comms]\ncomport=Network\n");
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "waypoints.DB", "waypoints.DB");
  for (const std::string box : {"DirectShow - Capture|", "Message|No input received on NMEA"}) {
    SCOPED_TRACE(box);
    answer = [&](const vcl::TDialogRequest& r) {  // that box up 15 s, the frame closed 1 s in
      const bool held = (r.Caption + "|" + r.Text).starts_with(box);
      if (held)
        win::SetTimer(nullptr, 0, 1000, [](win::HWND, win::UINT, win::UINT_PTR id, win::DWORD) {
          win::KillTimer(nullptr, id);
          Form1->CloseFromFrame();
        });
      return std::optional(vcl::TDialogAnswer{.Result = vcl::IDNO, .DelayMs = held ? 15000u : 0u});
    };
    Start();
    Form1->Show();
    Advance(35000);  // the watchdog asks at 40 s
    if (box[0] == 'D') Form1->BitBtn2->Click();  // no camera here: the capture's box
    Advance(30000);
    EXPECT_TRUE(app->Terminated());
    EXPECT_THAT(boxes, testing::ElementsAre(testing::StartsWith(box)));
    Stop();
  }
}

// Without a display a question is answered as Escape answers it, and the answer is logged.
TEST_F(Program, WithoutADisplayAYesCancelQuestionIsAnsweredCancel) {
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  Advance(10100);
  vcl::SetDialogResponder(AnswerWithoutDisplay);
  EXPECT_EQ(vcl::MessageDlg("Starting capture!", vcl::mtConfirmation, vcl::mbYes | vcl::mbCancel),
            vcl::mrCancel);
  EXPECT_THAT(Lines("corvatalen.txt").back(),
              testing::EndsWith(";Confirm: Starting capture! [Cancel: no display to answer]"));
}

TEST_F(Program, PolarButtonShowsThePolarFormModallyWithTheSpeedSource) {
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  Advance(10100);
  Form1->fSpeedSource = 1;
  int shown = 0, sourceSeen = -1;
  answer = [&](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Caption != "Polar Data") return vcl::TDialogAnswer{};
    ++shown;
    sourceSeen = Polardata->fSpeedSource;
    return vcl::TDialogAnswer{vcl::mrOk};
  };
  Form1->SpeedButton1->Click();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(sourceSeen, 1);
  EXPECT_FALSE(Polardata->Visible());
  EXPECT_GT(Polardata->fTwsCount, 0);  // the shipped table was read at creation
  Form1->Close();
}

TEST_F(Program, FailedLogTableTurnsRecordingOff) {
  WriteIni("[comms]\ncomport=Network\n");
  fs::create_directory("06_12_2026_1.lg");
  Start();
  Advance(10100);
  // A directory in the way: the name is taken as free, but the table cannot be made there.
  EXPECT_ANY_THROW(Form1->SpeedButton30Click(nullptr));
  EXPECT_EQ(Form1->fRecording, 0);
  EXPECT_FALSE(Form1->SpeedButton30->Down());
  EXPECT_EQ(Form1->Caption(), "Corvatalen");
  EXPECT_EQ(Form1->BitBtn3->Caption(), "Capture");
  Form1->BitBtn3->Click();  // no camera: no capture to stop
  EXPECT_EQ(Form1->BitBtn3->Caption(), "Capture");
  Advance(2000);
}

// Recordings copied from another computer may carry their names in capitals. A new recording
// takes a name of its own: the old table keeps its records, and the new one gets every second.
TEST_F(Program, ARecordingNeverGoesOnInAnOldOneWhoseNameDiffersInCase) {
  WriteIni("[comms]\ncomport=Network\n");
  {
    auto old = apptest::NewLogTable("06_12_2026_1.LG");
    for (int s = 100; s < 105; ++s) {
      old->Append();
      old->FieldByName("Timestamp")->SetAsInteger(s);
      old->Post();
    }
  }
  std::ofstream("06_12_2026_2.Avi") << "an old video";
  Start();
  Advance(10100);
  Form1->SpeedButton30Click(nullptr);
  Advance(3000);
  Form1->SpeedButton30Click(nullptr);
  EXPECT_EQ(Form1->Table3->TableName(), "06_12_2026_3.lg");
  Form1->Table3->Close();
  for (const auto& [file, count] :
       {std::pair<const char*, int>{"06_12_2026_1.LG", 5}, {"06_12_2026_3.lg", 3}}) {
    db::TTable t(nullptr);
    t.SetTableName(file);
    t.Open();
    EXPECT_EQ(t.RecordCount(), count) << file;
  }
  EXPECT_EQ(apptest::FileText("06_12_2026_2.Avi"), "an old video");
}

TEST_F(Program, TextLogLineReadsTheClockOnce) {
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  Advance(10100);
  int calls = 0;
  Form1->fNow = [&calls] {
    ++calls;
    return rtl::EncodeDate(2026, 12, 6) + rtl::EncodeTime(23, 59, 59, 999);
  };
  Form1->AppendTextLogLine();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Lines("corvatalen.txt").back().substr(0, 32), "06/12/2026 23:59:59;86399;739956");
  // 0.4 ms before midnight reads as midnight to the millisecond: date, seconds and day number
  // all say the 7th.
  Form1->fNow = [] { return rtl::EncodeDate(2026, 12, 6) + (86400000 - 0.4) / 86400000; };
  Form1->AppendTextLogLine();
  EXPECT_EQ(Lines("corvatalen.txt").back().substr(0, 28), "07/12/2026 00:00:00;0;739957");
}

TEST_F(Program, ClosingBeforeTheDelayedStartUpLeavesTheSettingsFileAsItWas) {
  const std::string saved =
      "[comms]\ncomport=Network\n[settings]\ntargetangle=37.5\nfspeed=20\nspeed=4\n";
  WriteIni(saved);
  Start();
  Advance(5000);  // the settings are not read yet: the window holds compiled defaults
  Form1->Close();
  std::ifstream in("corvatalen.ini");
  std::stringstream now;
  now << in.rdbuf();
  EXPECT_EQ(now.str(), saved);
}

TEST_F(Program, FrozenWindAngleFromTheSettingsLogsNumbersNeverNan) {
  serial::ScopedFake fake("FAKE1", line);
  WriteIni("[comms]\ncomport=FAKE1\n[settings]\nfwindangle=100\n");
  Start();
  Advance(10100);
  ASSERT_TRUE(line->IsOpen());
  FeedAndWait("\n" + Sentence("GPRMC,120000,A,5230.1234,N,00412.5000,E,6.5,90.0,061226,,") +
                  Sentence("IIMWV,45.0,R,14.0,N,A"),
              [] { return comms->fApparentWindSpeed > 13.0f; });
  Advance(3000);
  // The apparent angle stays at its start value, 0: the wind is all along the boat,
  // 14 kn apparent less 6.5 kn of speed, 7.5 kn from dead ahead.
  const auto log = Lines("corvatalen.txt");
  ASSERT_GE(log.size(), 3u);
  for (const std::string& l : log) {
    EXPECT_EQ(l.find("nan"), std::string::npos) << l;
    EXPECT_EQ(l.find("inf"), std::string::npos) << l;
  }
  const auto f = Fields(log.back());
  ASSERT_EQ(f.size(), 13u);
  EXPECT_EQ(f[7], "0.0");    // TWA
  EXPECT_EQ(f[8], "7.5");    // TWS
  EXPECT_EQ(f[11], "90.0");  // from dead ahead on a course of 090
}

TEST_F(Program, StripChartTimerRunsEveryTwoSeconds) {
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  Advance(10100);
  EXPECT_TRUE(Form1->Timer2->Enabled());
  EXPECT_EQ(Form1->Timer2->Interval(), 2000u);
  EXPECT_EQ(Form1->Timer1->Interval(), 1000u);
  EXPECT_EQ(Form1->Timer3->Interval(), 1000u);
}

TEST_F(Program, CommunicationButtonOpensThePortAtTheChosenSpeed) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  WriteIni("[comms]\ncomport=" + pty.path() + "\n");
  Start();
  Advance(10100);
  ASSERT_TRUE(comms->ComPort1->Active());
  termios t{};
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
  answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Kind != "Form" || r.Caption != "Settings") return vcl::TDialogAnswer{};
    comms->ComboBox2->SetText("38400");
    return vcl::TDialogAnswer{vcl::mrOk};
  };
  Form1->SpeedButton22->Click();
  ASSERT_TRUE(comms->ComPort1->Active());
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B38400));
  EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B38400));
  EXPECT_TRUE(Form1->Timer1->Enabled());
  Form1->Close();
}

// A port picked in the communication dialog and then cancelled is not saved as the next start's
// port; a port that "Try Settings" opened before the cancel is the one in use, and is.
TEST_F(Program, ACancelledCommunicationDialogSavesThePortInUse) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  WriteIni("[comms]\ncomport=" + pty.path() + "\n");
  Start();
  Advance(10100);
  ASSERT_TRUE(comms->ComPort1->Active());
  answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Kind != "Form" || r.Caption != "Settings") return vcl::TDialogAnswer{};
    comms->ComboBox1->SetText("COM7");
    return vcl::TDialogAnswer{vcl::mrCancel};
  };
  Form1->SpeedButton22->Click();
  EXPECT_TRUE(comms->ComPort1->Active());
  EXPECT_EQ(comms->ComboBox1->Text(), pty.path());  // what the close saves

  PtyPair other;
  ASSERT_TRUE(other.ok());
  answer = [&](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Kind != "Form" || r.Caption != "Settings") return vcl::TDialogAnswer{};
    comms->ComboBox1->SetText(other.path());
    comms->BitBtn6->Click();
    return vcl::TDialogAnswer{vcl::mrCancel};
  };
  Form1->SpeedButton22->Click();
  EXPECT_EQ(comms->ComPort1->DeviceName(), other.path());
  EXPECT_TRUE(comms->ComPort1->Active());
  Form1->Close();
  EXPECT_EQ(rtl::TIniFile("corvatalen.ini").ReadString("comms", "comport", ""), other.path());
}

// Motoring at 5.8 kn over the ground on 210 into a wind that the vane shows as 12 kn dead ahead,
// one burst a second: the first and the last carry the instrument's value, the eleven between not.
class QuietInstrument : public apptest::ProgramFixture {
 protected:
  // Field k of the text log line of each second, and the current made, in `drift`.
  std::vector<std::string> Seconds(const std::string& sources, const std::string& speaking,
                                   const std::string& quiet, size_t k) {
    WriteIni("[comms]\ncomport=FAKE1\n[settings]\n" + sources);
    Start();
    Advance(10100);
    std::vector<std::string> shown;
    for (int s = 1; s <= 13; ++s) {  // the depth, new each second, tells the burst was taken
      FeedAndWait(Sentence("GPVTG,210.0,T,210.0,M,5.8,N,,,A") + Sentence("IIMWV,0.0,R,12.0,N,A") +
                      (s % 12 == 1 ? speaking : quiet) +
                      Sentence("IIDBT,,f," + std::to_string(s) + ".0,M,,F"),
                  [s] { return comms->fDepth == static_cast<float>(s); });
      Advance(1000);
      shown.push_back(Fields(Lines("corvatalen.txt").back()).at(k));
      drift.push_back(Form1->fCurrentDrift);
    }
    return shown;
  }
  // Ten seconds of what the instrument gives, two stood down for the GPS, and back.
  static std::vector<std::string> StandsDown(const std::string& on, const std::string& down) {
    return {on, on, on, on, on, on, on, on, on, on, down, down, on};
  }
  serial::ScopedFake fake{"FAKE1", line};
  std::vector<float> drift;
  const std::string log = Sentence("IIVHW,,T,,M,6.1,N,,K");
};

// A compass on 077.7 and the log at 6.1: the current is the ground track less the water track,
// (-2.900, -5.023) - (5.960, 1.299), 10.88 kn; the air over the ground, 12 kn toward 257.7 plus
// the boat's (-2.900, -5.023), comes from 062.6. Stood down, it comes from the course, 210, and
// no current is known.
TEST_F(QuietInstrument, ACompassThatFallsSilentStandsDownAfterTenSecondsAndComesBack) {
  EXPECT_EQ(Seconds("headingsource=1\nspeedsource=1\n", log + Sentence("IIHDT,77.7,T"),
                    log + Sentence("IIHDT,,T"), 11),
            StandsDown("62.6", "210.0"));
  EXPECT_NEAR(drift.at(0), 10.88, 0.01);
  EXPECT_TRUE(std::isnan(drift.at(10)));
  EXPECT_NEAR(drift.at(12), 10.88, 0.01);
}

// The log at 6.1 leaves 12 - 6.1 = 5.9 kn of true wind from dead ahead; the GPS's 5.8 kn, 6.2.
TEST_F(QuietInstrument, ASpeedLogThatStopsStandsDownAfterTenSecondsAndComesBack) {
  EXPECT_EQ(Seconds("speedsource=1\n", log, "", 8), StandsDown("5.9", "6.2"));
}

TEST_F(Program, EveryFieldOfALogRecordMatchesTheTextLogLineOfItsSecond) {
  serial::ScopedFake fake("FAKE1", line);
  // Heading from the compass and speed over ground: every logged value differs from the others.
  WriteIni("[comms]\ncomport=FAKE1\n[settings]\nheadingsource=1\n");
  Start();
  Advance(10100);
  ASSERT_TRUE(line->IsOpen());
  FeedAndWait("\n" + Sentence("GPRMC,120000,A,5230.1234,N,00412.5000,E,6.5,90.0,061226,,") +
                  Sentence("IIMWV,45.0,R,14.0,N,A") + Sentence("IIVHW,,T,,M,6.0,N,,K") +
                  Sentence("HCHDG,80.0,,,,") + Sentence("IIDBT,,f,12.3,M,,F"),
              [] { return comms->fDepth > 12.0f; });
  Advance(2000);
  Form1->SpeedButton30Click(nullptr);
  Advance(3000);
  Form1->SpeedButton30Click(nullptr);

  std::map<int, std::vector<std::string>> textBySecond;
  for (const std::string& l : Lines("corvatalen.txt")) {
    const auto f = Fields(l);
    ASSERT_EQ(f.size(), 13u) << l;
    textBySecond[std::stoi(f[1])] = f;
  }
  db::TTable t(nullptr);
  t.SetTableName("06_12_2026_1.lg");
  t.Open();
  ASSERT_EQ(t.RecordCount(), 3);
  // The text log's columns of the values it has; the record's other five are known inputs.
  const std::vector<std::pair<const char*, int>> inText = {
      {"speedog", 3}, {"courseog", 4},    {"awa", 5},          {"aws", 6},           {"twa", 7},
      {"tws", 8},     {"Performance", 9}, {"TargetSpeed", 10}, {"GeoWindAngle", 11}, {"VMG", 12}};
  const std::vector<std::pair<const char*, double>> known = {
      {"Lat", 5230.1234}, {"Lon", 412.5}, {"Depth", 12.3}, {"Heading", 80.0}, {"Speed", 6.0}};
  for (t.First(); !t.Eof(); t.Next()) {
    const int second = t.FieldByName("Timestamp")->AsInteger();
    ASSERT_TRUE(textBySecond.count(second)) << second;
    const auto& text = textBySecond[second];
    // Worked by hand: apparent 45 at 14 kn, boat 6.5 kn over the ground: the true wind has 9.90
    // kn across and 3.40 along, 10.47 kn from 71.0; from the compass's 080 that is 151.0.
    EXPECT_NEAR(t.FieldByName("twa")->AsFloat(), 71.05, 0.01);
    EXPECT_NEAR(t.FieldByName("tws")->AsFloat(), 10.47, 0.01);
    EXPECT_NEAR(t.FieldByName("GeoWindAngle")->AsFloat(), 151.05, 0.01);
    std::vector<double> values;
    for (const auto& [field, column] : inText) {
      const double v = t.FieldByName(field)->AsFloat();
      const double tolerance = column == 4 ? 0.5 : 0.05;  // COG has no decimals in the text log
      EXPECT_NEAR(v, std::stod(text[static_cast<size_t>(column)]), tolerance + 1e-6) << field;
      values.push_back(v);
    }
    for (const auto& [field, expected] : known) {
      EXPECT_NEAR(t.FieldByName(field)->AsFloat(), expected, 1e-3) << field;
      values.push_back(t.FieldByName(field)->AsFloat());
    }
    // Any two fields swapped would show: no two values are within the text log's precision.
    for (size_t i = 0; i < values.size(); ++i)
      for (size_t j = i + 1; j < values.size(); ++j)
        ASSERT_GT(std::fabs(values[i] - values[j]), 0.2) << i << " " << j;
  }
  EXPECT_EQ(t.FieldCount(), 18);  // Id, datum and the 16 written
}

}  // namespace

namespace {

// The close of the main window while no file may grow beyond 1 KB, twice (as two SIGTERMs).
void CloseWithSmallFiles() {
  apptest::WithFileSizeLimit(1024, [] {
    vcl::TCloseAction action = vcl::caHide;
    Form1->FormClose(Form1, action);
    Form1->FormClose(Form1, action);
  });
}

TEST_F(Program, SettingsThatCannotBeWrittenAreToldOnceAndTheOldFileStaysWhole) {
  std::string saved = "[comms]\r\ncomport=Network\r\n[dock]\r\n";
  for (int i = 0; i < 100; ++i) saved += "row" + std::to_string(i) + "=left,top,width,height\r\n";
  WriteIni(saved);
  Start();
  Advance(10100);
  boxes.clear();
  CloseWithSmallFiles();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].substr(0, 41), "Error|The settings could not be saved. Un") << boxes[0];
  EXPECT_EQ(apptest::FileText("corvatalen.ini"), saved);
  EXPECT_EQ(rtl::FindFiles(".", ".corvatalen*"), std::vector<std::string>{});

  // Values that are not finite or out of range reach the file as their defaults.
  Form1->fTwsCorrection = std::numeric_limits<float>::infinity();
  Form1->fTargetAngle = std::nanf("");
  Form1->fLatitude = 3.4e38f;
  Form1->fLongitude = -1234.5f;
  testing::internal::CaptureStderr();
  Form1->Close();
  const std::string notes = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(notes.begin(), notes.end(), '\n'), 3) << notes;
  EXPECT_EQ(boxes.size(), 1u);
  const std::string text = apptest::FileText("corvatalen.ini");
  EXPECT_EQ(text.find("inf"), std::string::npos);
  EXPECT_EQ(text.find("INF"), std::string::npos);
  EXPECT_EQ(text.find("NAN"), std::string::npos);
  rtl::TIniFile ini("corvatalen.ini");
  EXPECT_EQ(ini.ReadString("settings", "twscorrection", ""), "0");
  EXPECT_EQ(ini.ReadString("settings", "targetangle", ""), "45");
  EXPECT_EQ(ini.ReadString("restore", "lat", ""), "0");
  EXPECT_EQ(ini.ReadString("restore", "lon", ""), "-1234.5");
  EXPECT_EQ(ini.ReadString("dock", "row99", ""), "left,top,width,height");
}

TEST_F(Program, TheStartRemovesTemporaryFilesOfAnInterruptedSettingsWrite) {
  WriteIni("[comms]\r\ncomport=Network\r\n");
  std::ofstream(".corvatalen.ini.999999999.3.tmp") << "[comms]\r\ncomport=Net";
  std::ofstream(".corvatalen.ini.keep") << "not ours";
  Start();
  EXPECT_EQ(rtl::FindFiles(".", ".corvatalen*"), std::vector<std::string>{".corvatalen.ini.keep"});
}

}  // namespace

// A recording on a small file system of its own that fills up, then has room again, and a compass
// sentence with an absurd deviation mid-recording. A failed record is told once (a second box of
// the kind does not open while the first shows, its modal loop running the ticks on), is dropped,
// and the next second's record is written: every second with room and finite values is in the
// table, which pxlib reads whole.
TEST_F(Program, AFailedLogRecordIsToldOnceAndTheRecordingResumes) {
  fs::create_directory("disk");
  if (::mount("corvatalen-test", "disk", "tmpfs", 0, "size=256k,mode=0755") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
  struct Unmount {
    std::function<void()> undo;
    ~Unmount() { undo(); }
  } unmount{[this, at = fs::absolute("disk")] {
    Stop();
    fs::current_path(at.parent_path());
    ::umount2(at.c_str(), MNT_DETACH);
  }};
  fs::current_path("disk");
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF", "PERFORMANCE.DBF");
  fs::create_symlink(fs::path(CORV_SOURCE_DIR) / "data" / "world.lyr", "world.lyr");
  serial::ScopedFake fake("FAKE1", line);
  WriteIni("[comms]\ncomport=FAKE1\n[settings]\nheadingsource=1\n");
  std::vector<std::string> recordBoxes;
  bool showing = false;
  answer = [&](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Text.find("recording") != std::string::npos) {
      EXPECT_FALSE(showing) << "a second box over the first: " << r.Text;
      recordBoxes.push_back(r.Text);
      // The user reads the first box for a while; the ticks go on behind it.
      if (recordBoxes.size() == 1) {
        showing = true;
        Advance(3000);
        showing = false;
      }
    }
    return vcl::TDialogAnswer{};
  };
  Start();
  Advance(10100);
  ASSERT_TRUE(line->IsOpen());
  const std::string good = Sentence("GPRMC,120000,A,5230.1234,N,00412.5000,E,6.5,90.0,061226,,") +
                           Sentence("IIMWV,45.0,R,14.0,N,A") + Sentence("IIVHW,,T,,M,6.0,N,,K") +
                           Sentence("HCHDG,80.0,,,,");
  FeedAndWait("\n" + good, [] { return comms->fHeading > 79.0f; });
  Form1->SpeedButton30Click(nullptr);
  const std::string table = Form1->Table3->TableName();

  // Seconds that must be in the table: with room on the disk and every value finite.
  std::vector<int> readable;
  bool room = true;
  auto run = [&](int seconds) {
    for (int i = 0; i < seconds; ++i) {
      Advance(1000);
      const float values[] = {Form1->fSpeedOverGround,   Form1->fCourseOverGround,
                              Form1->fTrueWindSpeed,     Form1->fTrueWindAngle,
                              Form1->fGeoWindAngle,      Form1->fApparentWindAngle,
                              Form1->fApparentWindSpeed, Form1->fVMG,
                              Form1->fPerformance,       Form1->fTargetSpeed,
                              Form1->fHeading,           Form1->fSpeedThroughWater};
      if (room && std::all_of(std::begin(values), std::end(values),
                              [](float v) { return std::isfinite(v); }))
        readable.push_back(static_cast<int>(rtl::MilliSecondOfTheDay(Form1->fSampleTime) / 1000));
    }
  };
  run(3);
  {
    // The disk fills to the last byte: the table's next block cannot be had.
    std::ofstream filler("filler.bin", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), block.size())) {
    }
    filler.clear();
    for (int i = 0; i < 4096 && filler.put('f') && filler.flush(); ++i) {
    }
  }
  room = false;
  run(60);
  EXPECT_EQ(recordBoxes.size(), 1u);
  EXPECT_EQ(Form1->Caption(), "Corvatalen - Recording");
  fs::remove("filler.bin");
  room = true;
  run(3);
  // Taken, or refused, by the decoder within a few milliseconds.
  line->Feed(Sentence("HCHDG,0,3e38,E,3e38,E"));
  for (int i = 0; i < 40; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    app->ProcessMessages();
  }
  run(3);
  FeedAndWait(good, [] { return comms->fHeading == 80.0f; });
  run(3);
  Form1->SpeedButton30Click(nullptr);

  // At most one more box, for the compass sentence's second.
  EXPECT_LE(recordBoxes.size(), 2u);
  for (const std::string& b : recordBoxes)
    EXPECT_EQ(b.rfind("Cannot write the recording " + table + ": ", 0), 0u) << b;
  std::vector<int> recorded;
  {
    db::TTable t(nullptr);
    t.SetTableName(table);
    t.Open();
    for (t.First(); !t.Eof(); t.Next()) recorded.push_back(t.FieldByName("Timestamp")->AsInteger());
  }
  for (int s : readable)
    EXPECT_TRUE(std::find(recorded.begin(), recorded.end(), s) != recorded.end()) << "second " << s;
  EXPECT_TRUE(std::is_sorted(recorded.begin(), recorded.end()));
  EXPECT_EQ(std::adjacent_find(recorded.begin(), recorded.end()), recorded.end());
  const apptest::PxTable px = apptest::ReadWithPxlib(table);
  ASSERT_EQ(px.records.size(), recorded.size());
  for (size_t i = 0; i < recorded.size(); ++i) {
    EXPECT_EQ(px.records[i].at("Timestamp"), recorded[i]);
    for (const auto& [name, value] : px.records[i])
      if (name != "datum") {  // left empty
        EXPECT_TRUE(std::isfinite(value)) << name;
      }
  }
}

namespace {

// A layout save that raises at the end of the walk (a dock without a name) must not escape the
// main window's destruction: the sections written before it and the settings of the close stay,
// and the failure is told.
TEST_F(Program, ALayoutSaveThatFailsKeepsWhatItWroteAndIsTold) {
  WriteIni("[comms]\ncomport=Network\n");
  Start();
  Advance(10100);
  auto* nameless = new docking::TDKDock(Form1);
  nameless->SetParent(Form1);
  nameless->SetPosition(docking::dpTop);
  auto* late = new docking::TDKToolWindow(Form1);
  late->SetName("Late");
  late->SetCurrentDock(nameless);
  Form1->Close();
  testing::internal::CaptureStderr();
  EXPECT_NO_THROW(Stop());
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_NE(told.find("The window layout could not be saved. "), std::string::npos) << told;
  EXPECT_THAT(Lines("corvatalen.txt"),
              testing::Contains(testing::HasSubstr(";The window layout could not be saved. ")));
  rtl::TIniFile ini("corvatalen.ini");
  EXPECT_EQ(ini.ReadString("comms", "comport", ""), "Network");
  EXPECT_EQ(ini.ReadString("DKToolWindow1", "Rev", ""), "2000");
  EXPECT_EQ(ini.ReadString("DKToolWindow1", "DockedTo", ""), "DKDock5");  // the first chart
  EXPECT_FALSE(ini.SectionExists("Late"));
}

}  // namespace
