// The port wizard on the virtual clock over fake ports, its log read back by unrtf, and one scan
// over a pseudo-terminal.
#include "link/commswizard.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/comsettings.h"
#include "platform/gdi/image.h"
#include "platform/rtl/inifiles.h"
#include "platform/serial/fakedevice.h"
#include "platform/serial/names.h"
#include "platform/win/paint.h"
#include "tests/app/apptest.h"
#include "tests/platform/serial/pty.h"
#include "tests/platform/vcl/vcltest.h"
#include "tests/tempdir.h"

namespace fs = std::filesystem;

namespace {

using apptest::Sentence;

const std::string kRmc = Sentence("GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E");
const std::string kVhw = Sentence("IIVHW,,T,,M,5.4,N,,K");

using Coloured = std::pair<std::string, std::string>;  // text, "#rrggbb"

// The lines of a rich-text file with their colours, as Debian's unrtf reads them.
std::vector<Coloured> ReadWithUnrtf(const std::string& path) {
  std::string html;
  if (FILE* p = ::popen(("unrtf --html '" + path + "' 2>/dev/null").c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) html.append(buf, n);
    ::pclose(p);
  }
  std::vector<Coloured> lines;
  std::vector<std::string> colours{""};
  std::string text;
  const size_t body = html.find("<body>");
  for (size_t i = body == std::string::npos ? html.size() : body + 6; i < html.size();) {
    if (html.compare(i, 13, "<font color=\"") == 0) {
      colours.push_back(html.substr(i + 13, 7));
      i = html.find('>', i) + 1;
    } else if (html.compare(i, 7, "</font>") == 0) {
      if (colours.size() > 1) colours.pop_back();
      i += 7;
    } else if (html.compare(i, 4, "<br>") == 0) {
      lines.emplace_back(text, colours.back());
      text.clear();
      i += 4;
    } else if (html[i] == '<') {
      i = html.find('>', i) + 1;
    } else if (html.compare(i, 4, "&gt;") == 0) {
      text += '>';
      i += 4;
    } else if (html.compare(i, 5, "&amp;") == 0) {
      text += '&';
      i += 5;
    } else {
      if (html[i] != '\n') text += html[i];
      ++i;
    }
  }
  return lines;
}

constexpr const char* kGreen = "#00ff00";
constexpr const char* kRed = "#ff0000";

class Wizard : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    old = fs::current_path();
    fs::current_path(dir.path());
    serial::SetComDevices(
        std::vector<std::string>{"/dev/null1", "/dev/null2", "/dev/null3", "/dev/null4"});
    for (size_t i = 0; i < lines.size(); ++i) {
      lines[i] = std::make_shared<serial::FakeLine>();
      fakes.push_back(
          std::make_unique<serial::ScopedFake>("COM" + std::to_string(i + 1), lines[i]));
    }
    // Message boxes are answered; the wizard shown as a dialog is left to the test.
    vcl::SetDialogResponder([this](const vcl::TDialogRequest& r) {
      if (r.Kind != "MessageBox") return std::optional<vcl::TDialogAnswer>();
      boxes.push_back(r.Caption + "|" + r.Text);
      return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{});
    });
    wizard = std::make_unique<TWizForm>(nullptr);
    WizForm = wizard.get();
  }
  void TearDown() override {
    WizForm = nullptr;
    wizard.reset();
    fakes.clear();
    serial::SetComDevices(std::nullopt);
    fs::current_path(old);
    VclTest::TearDown();
  }

  // Feeds the port's far end and lets the port's event thread hand the bytes over.
  void FeedAndWait(int port, const std::string& bytes) {
    serial::FakeLine& line = *lines[static_cast<size_t>(port - 1)];
    line.Feed(bytes);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (line.InputQueued() > 0 && std::chrono::steady_clock::now() < end)
      rtl::CheckSynchronize(5);
    EXPECT_EQ(line.InputQueued(), 0);
  }

  // Shows the wizard, presses Step 1 and lets every port listen 4 s; `onOpen` plays the far end
  // of each port that opened.
  void Scan(const std::function<void(int)>& onOpen) {
    wizard->Show();
    Pump();
    wizard->BitBtn3->Click();
    for (int port = 1; port <= 5; ++port) {
      EXPECT_TRUE(wizard->Timer1->Enabled());
      Advance(TWizForm::kPortMs);
      if (port <= 4 && lines[static_cast<size_t>(port - 1)]->IsOpen()) onOpen(port);
    }
    EXPECT_FALSE(wizard->Timer1->Enabled());
  }

  std::vector<std::string> Log() const {
    std::vector<std::string> out;
    for (int i = 0; i < wizard->RichEdit1->Lines()->Count(); ++i)
      out.push_back(wizard->RichEdit1->Lines()->Strings(i));
    return out;
  }

  std::string Ini(const std::string& section, const std::string& key) {
    rtl::TIniFile ini("corvatalen.ini");
    return ini.ReadString(section, key, "(none)");
  }

  TempDir dir{"corv_wizard"};
  fs::path old;
  std::array<std::shared_ptr<serial::FakeLine>, 4> lines;
  std::vector<std::unique_ptr<serial::ScopedFake>> fakes;
  std::vector<std::string> boxes;
  std::unique_ptr<TWizForm> wizard;
};

// COM1 silent, COM2 noise, the instruments on COM3, COM4 busy elsewhere.
TEST_F(Wizard, FindsTheInstrumentsOnCom3AndSavesTheirPortAndSources) {
  lines[3]->FailNext("open", EBUSY);
  Scan([&](int port) {
    if (port == 2) {
      std::mt19937 rng(23);
      std::string noise;
      for (int i = 0; i < 3000; ++i) noise += static_cast<char>(rng() & 0xFF);
      FeedAndWait(2, noise);
    }
    if (port == 3) FeedAndWait(3, "\n" + kRmc + kVhw + kRmc + kVhw);
  });
  const std::vector<std::string> expected{"Detecting com ports, please wait...",
                                          "COM1: is available..",
                                          "COM2: is available..",
                                          "COM3: is available..",
                                          "-->RMC (position/course and speed) detected",
                                          "-->VHW (depth,speed) detected",
                                          "COM4: not available.."};
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(boxes, std::vector<std::string>{"Conclusion|Sensors 2 out of 5 detected"});
  // Nothing stays open: the instruments' port can have its device back.
  for (const auto& line : lines) EXPECT_FALSE(line->IsOpen());
  EXPECT_EQ(lines[2]->Settings().baud, 4800);

  // The log as saved, in its colours.
  std::vector<Coloured> coloured;
  for (const std::string& text : expected)
    coloured.emplace_back(text, text == "COM4: not available.." ? kRed : kGreen);
  EXPECT_EQ(ReadWithUnrtf("comwiz.txt"), coloured);

  // Step 2 puts its four keys in the file in one replace, beside what others wrote there. The
  // kernel tells each replace (a rename onto the name) as it happens.
  std::ofstream("corvatalen.ini") << "[settings]\ntargetangle=38.5\nspeedsource=0\n";
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, ".", IN_MOVED_TO | IN_CLOSE_WRITE), 0);
  ASSERT_TRUE(wizard->BitBtn1->Enabled());
  wizard->BitBtn1->Click();
  int replaces = 0;
  alignas(inotify_event) char events[4096];
  for (ssize_t n; (n = ::read(watch, events, sizeof events)) > 0;)
    for (char* p = events; p < events + n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(p);
      if (e->len > 0 && std::string(e->name) == "corvatalen.ini") ++replaces;
      p += sizeof(inotify_event) + e->len;
    }
  ::close(watch);
  EXPECT_EQ(replaces, 1);
  EXPECT_EQ(wizard->ModalResult(), vcl::mrOk);
  EXPECT_EQ(wizard->fFoundPort, "COM3");
  EXPECT_EQ(Ini("comms", "comport"), "COM3");
  EXPECT_EQ(Ini("settings", "speedsource"), "1");
  EXPECT_EQ(Ini("settings", "headingsource"), "0");
  EXPECT_EQ(Ini("settings", "nmeawind"), "0");
  EXPECT_EQ(Ini("settings", "targetangle"), "38.5");
}

TEST_F(Wizard, WindFromVwrBeatsMwvAndTheLastFirstSightingNamesThePort) {
  Scan([&](int port) {
    if (port == 2)
      FeedAndWait(2, "\n" + Sentence("IIMWV,045.0,R,12.5,N,A") + Sentence("HCHDG,10,,,,"));
    if (port == 4)
      FeedAndWait(4,
                  "\n" + Sentence("IIVWR,45.0,L,12.5,N,,,,") + Sentence("IIMWV,045.0,T,12.5,N,A"));
  });
  EXPECT_EQ(boxes, std::vector<std::string>{"Conclusion|Sensors 2 out of 5 detected"});
  const auto log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "-->MWV (apparent wind) detected"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "-->MWV (true wind) detected"), 0);  // MWV seen
  wizard->BitBtn1->Click();
  EXPECT_EQ(Ini("comms", "comport"), "COM4");
  EXPECT_EQ(Ini("settings", "nmeawind"), "1");
  EXPECT_EQ(Ini("settings", "headingsource"), "1");
  EXPECT_EQ(Ini("settings", "speedsource"), "0");
}

TEST_F(Wizard, NothingReceivedConcludesWithNoSensorsAndStep2StaysOff) {
  Scan([&](int port) {
    // AIS alone is no sensor, and its port is not recorded.
    if (port == 1) FeedAndWait(1, "\n" + Sentence("AIVDM,1,1,,B,17ttu@P000G?tO`K>RA1wUbN0TKH,0"));
  });
  EXPECT_EQ(boxes, std::vector<std::string>{"Conclusion|No sensors detected"});
  EXPECT_FALSE(wizard->BitBtn1->Enabled());
  EXPECT_EQ(wizard->fFoundPort, "COM1");
}

// Shown again, the wizard starts clean: the types of the first scan are logged again, and the
// result is the new port.
TEST_F(Wizard, SecondScanStartsCleanAndSavesTheNewPort) {
  Scan([&](int port) {
    if (port == 3) FeedAndWait(3, "\n" + kRmc + kVhw);
  });
  wizard->BitBtn1->Click();
  wizard->Hide();
  EXPECT_EQ(Ini("comms", "comport"), "COM3");
  boxes.clear();
  Scan([&](int port) {
    if (port == 2) FeedAndWait(2, "\n" + kRmc);
  });
  EXPECT_EQ(Log(), (std::vector<std::string>{"Detecting com ports, please wait...",
                                             "COM1: is available..", "COM2: is available..",
                                             "-->RMC (position/course and speed) detected",
                                             "COM3: is available..", "COM4: is available.."}));
  EXPECT_EQ(boxes, std::vector<std::string>{"Conclusion|Sensors 1 out of 5 detected"});
  wizard->BitBtn1->Click();
  EXPECT_EQ(Ini("comms", "comport"), "COM2");
  EXPECT_EQ(Ini("settings", "speedsource"), "0");
}

TEST_F(Wizard, CancelMidScanStopsAndClosesThePort) {
  wizard->Show();
  wizard->BitBtn3->Click();
  Advance(TWizForm::kPortMs);
  Advance(TWizForm::kPortMs);
  ASSERT_TRUE(lines[1]->IsOpen());
  wizard->BitBtn2->Click();
  EXPECT_EQ(wizard->ModalResult(), vcl::mrCancel);
  EXPECT_FALSE(wizard->Timer1->Enabled());
  EXPECT_FALSE(lines[1]->IsOpen());
  for (int i = 0; i < 3; ++i) Advance(TWizForm::kPortMs);
  for (const auto& line : lines) EXPECT_FALSE(line->IsOpen());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Wizard, FailedLogSaveIsToldInRedAndTheScanConcludes) {
  fs::create_directory("comwiz.txt");  // cannot be written as a file
  Scan([&](int port) {
    if (port == 1) FeedAndWait(1, "\n" + kVhw);
  });
  const auto log = Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().rfind("Cannot save comwiz.txt: ", 0), 0u) << log.back();
  EXPECT_EQ(boxes, std::vector<std::string>{"Conclusion|Sensors 1 out of 5 detected"});
  EXPECT_TRUE(wizard->BitBtn1->Enabled());
  std::ofstream(dir / "log.rtf") << wizard->RichEdit1->RichText();
  const auto coloured = ReadWithUnrtf(dir / "log.rtf");
  ASSERT_EQ(coloured.size(), log.size());
  EXPECT_EQ(coloured.back().second, kRed);
  EXPECT_EQ(coloured[coloured.size() - 2].second, kGreen);
}

TEST_F(Wizard, LinesAreBuiltAsTheDecoderBuildsThem) {
  // The first line needs no line end before it; an overlong line keeps its last character at
  // position 1000; no checksum is asked for.
  wizard->fCurrentPort = "COM9";
  auto receive = [&](const std::string& s) { wizard->ReceiveChars(s.data(), s.size()); };
  receive("$IIVHW,,T,,M,5.4,N,,K*00\r");
  EXPECT_EQ(wizard->fSeenVHW, 1);
  const std::string longLine = "\n$IIHDG," + std::string(3000, '1') + "\r";
  receive(longLine);
  EXPECT_EQ(wizard->fSeenHDG, 1);
  EXPECT_EQ(wizard->fFoundPort, "COM9");
  receive("\n$\r");  // short: the previous letters are not taken again
  EXPECT_EQ(wizard->SensorCount(), 2);
  // Lines ended by LF alone, as software sources send them; a sentence cut short by the next is
  // not taken for one.
  receive("$GPVTG,224.44,T$IIVPW,4.5,N,,*30\n$GPGLL,6005.071,N,02332.346,E,095559,A*2B\n");
  EXPECT_EQ(wizard->fSeenVTG, 0);
  EXPECT_EQ(wizard->fSeenVPW, 1);
  EXPECT_EQ(wizard->fSeenGLL, 1);
  EXPECT_EQ(wizard->SensorCount(), 4);
}

// The wizard as the user sees it after a scan, written as a picture to be looked at.
TEST_F(Wizard, PictureAfterAScan) {
  lines[3]->FailNext("open", EBUSY);
  Scan([&](int port) {
    if (port == 3) FeedAndWait(3, "\n" + kRmc + kVhw + Sentence("IIMWV,045.0,R,12.5,N,A"));
  });
  Pump();
  const gdi::Surface& screen = win::ComposeScreen();
  gdi::SavePngFile((old / "wizard_after_scan.png").string(), screen);
  // The log's background is blue, the form's navy.
  const gdi::POINT log = wizard->RichEdit1->ClientToScreen(gdi::POINT{400, 150});
  EXPECT_EQ(gdi::NativeToColor(screen.Get(log.x, log.y)), gdi::RGB(0, 0, 255));
  const gdi::POINT form = wizard->ClientToScreen(gdi::POINT{4, 4});
  EXPECT_EQ(gdi::NativeToColor(screen.Get(form.x, form.y)), gdi::RGB(0, 0, 128));
  EXPECT_TRUE(wizard->BitBtn1->Enabled());
}

// The communications form's wizard button: the wizard's choices reach this form, its groups and
// the main window; a cancelled wizard gives the instruments' port back.
class WizardButton : public Wizard {
 protected:
  void SetUp() override {
    Wizard::SetUp();
    comms = std::make_unique<Tcomms>(nullptr);
    comms->fSetMainSources = [this](const TSourceChoices& s) { main.push_back(s); };
    comms->fAfterWizardOpen = [this] { ++started; };
  }
  void TearDown() override {
    win::SetIdleHook(nullptr);
    comms.reset();
    Wizard::TearDown();
  }

  // Plays the user in the modal wizard: Step 1, the far end of `port` when it opens, then
  // Step 2 once it is enabled, or Cancel while `cancelOn` is open.
  // The loop calls a copy of the hook each time: its state lives here.
  void Drive(int port, const std::string& bytes, int cancelOn = 0) {
    stepped = fed = false;
    win::SetIdleHook([=, this](const win::IdleInfo&) {
      if (!wizard->Visible()) return false;
      serial::FakeLine& line = *lines[static_cast<size_t>(port - 1)];
      if (!stepped) {
        stepped = true;
        wizard->BitBtn3->Click();
        return true;
      }
      if (cancelOn != 0 && lines[static_cast<size_t>(cancelOn - 1)]->IsOpen()) {
        wizard->BitBtn2->Click();
        return true;
      }
      if (line.IsOpen() && !fed) {
        fed = true;
        line.Feed(bytes);
        return true;
      }
      if (line.InputQueued() > 0) {  // the port's event thread hands it over
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
      }
      if (wizard->BitBtn1->Enabled() && wizard->ModalResult() == vcl::mrNone) {
        wizard->BitBtn1->Click();
        return true;
      }
      return false;
    });
  }

  std::unique_ptr<Tcomms> comms;
  std::vector<TSourceChoices> main;
  int started = 0;
  bool stepped = false, fed = false;
};

TEST_F(WizardButton, OkAppliesTheFindingsToBothFormsAndOpensThePortFound) {
  // A rate applied earlier by the communication button: the wizard found the instruments at its
  // own rate, and the port reopens at that one.
  comms->ComPort1->SetBaudRate(brCustom);
  comms->ComPort1->SetCustomBaudRate(38400);
  comms->ComboBox2->SetText("38400");
  comms->fWindSource = 1;
  comms->TruewindsourceGroup->SetItemIndex(1);
  // Only VWR for the wind: the decoder must take it from now on.
  Drive(3, "\n" + Sentence("IIVWR,45.0,L,12.5,N,,,,") + Sentence("IIVHW,,T,,M,5.4,N,,K"));
  comms->BitBtn4->Click();
  EXPECT_EQ(boxes, std::vector<std::string>{"Conclusion|Sensors 2 out of 5 detected"});
  ASSERT_EQ(main.size(), 1u);
  EXPECT_EQ(main[0].fSpeedSource, 1);
  EXPECT_EQ(main[0].fHeadingSource, 0);
  EXPECT_EQ(main[0].fNmeaWind, 1);
  EXPECT_FALSE(main[0].fWindSource.has_value());
  EXPECT_EQ(comms->fNmeaWind, 1);
  EXPECT_EQ(comms->fSpeedSource, 1);
  EXPECT_EQ(comms->fWindSource, 1);
  EXPECT_EQ(comms->SpeedsourceGroup->ItemIndex(), 1);
  EXPECT_EQ(comms->WindsourceGroup->ItemIndex(), 1);
  EXPECT_EQ(comms->TruewindsourceGroup->ItemIndex(), 1);
  EXPECT_EQ(comms->ComboBox1->Text(), "COM3");
  EXPECT_EQ(comms->ComPort1->DeviceName(), "COM3");
  ASSERT_TRUE(comms->ComPort1->Active());
  EXPECT_EQ(lines[2]->Settings().baud, 4800);
  EXPECT_EQ(comms->ComboBox2->Text(), "4800");
  EXPECT_EQ(started, 1);
  EXPECT_EQ(Ini("comms", "comport"), "COM3");

  win::SetIdleHook(nullptr);
  FeedAndWait(3, "\n" + Sentence("IIVWR,60.0,R,14.0,N,,,,"));
  EXPECT_FLOAT_EQ(comms->fApparentWindAngle, 60.0f);
  EXPECT_FLOAT_EQ(comms->fApparentWindSpeed, 14.0f);
  comms->ComPort1->Close();
}

TEST_F(WizardButton, CancelMidScanReopensThePreviousDevice) {
  auto previous = std::make_shared<serial::FakeLine>();
  serial::ScopedFake fake("BOAT", previous);
  comms->ComPort1->SetDeviceName("BOAT");
  comms->ComPort1->Open();
  Drive(3, "", 2);
  comms->BitBtn4->Click();
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(comms->ComPort1->Active());
  EXPECT_TRUE(previous->IsOpen());
  EXPECT_EQ(previous->OpenCount(), 2);
  for (const auto& line : lines) EXPECT_FALSE(line->IsOpen());
  EXPECT_TRUE(main.empty());
  EXPECT_EQ(started, 0);
  comms->ComPort1->Close();
}

// Over a real line: the device starts as a terminal does (canonical, 9600, CR made LF); the
// wizard's port makes it raw 4800 8N1, so the instruments' CR arrives as a CR.
TEST(WizardOnAPseudoTerminal, TheLineIsRaw4800AndACarriageReturnStaysOne) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TempDir dir{"corv_wizard_pty"};
  const fs::path old = fs::current_path();
  fs::current_path(dir.path());
  auto clock = std::make_shared<win::VirtualClock>();
  win::Config config;
  config.clock = clock;
  win::SystemScope windows(config);
  vcl::TApplication app;
  vcl::SetDialogResponder([](const vcl::TDialogRequest&) {
    return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{});
  });
  serial::SetComDevices(std::vector<std::string>{pty.path()});
  {
    TWizForm wizard(nullptr);
    wizard.BitBtn3Click(nullptr);
    wizard.Timer1Timer(nullptr);
    ASSERT_TRUE(wizard.ComPort1->Active());
    termios t{};
    ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B4800));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IGNCR), 0u);
    EXPECT_EQ(t.c_lflag & ICANON, 0u);
    pty.Send("\n" + kRmc);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (wizard.fSeenRMC == 0 && std::chrono::steady_clock::now() < end) rtl::CheckSynchronize(5);
    EXPECT_EQ(wizard.fSeenRMC, 1);
    EXPECT_EQ(wizard.fFoundPort, "COM1");
    wizard.Timer1Timer(nullptr);  // the conclusion closes the line
    EXPECT_FALSE(wizard.ComPort1->Active());
  }
  vcl::SetDialogResponder(nullptr);
  serial::SetComDevices(std::nullopt);
  fs::current_path(old);
}

}  // namespace
