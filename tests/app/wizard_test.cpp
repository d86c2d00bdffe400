// The port wizard run by the program's no-input watchdog, on the virtual clock over fake ports.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/commswizard.h"
#include "platform/serial/names.h"
#include "platform/vcl/screen.h"
#include "platform/win/system.h"
#include "tests/app/apptest.h"
#include "tests/app/programfixture.h"

namespace {

using apptest::Sentence;

// Three ports, each a fake; the user answers the watchdog's questions and plays the wizard.
class WatchdogWizard : public apptest::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    serial::SetComDevices(std::vector<std::string>{"/dev/null1", "/dev/null2", "/dev/null3"});
    for (int i = 0; i < 3; ++i) {
      ports.push_back(std::make_shared<serial::FakeLine>());
      fakes.push_back(
          std::make_unique<serial::ScopedFake>("COM" + std::to_string(i + 1), ports.back()));
    }
    answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
      if (r.Kind == "Form") return std::nullopt;  // the wizard: the idle hook plays the user
      vcl::TDialogAnswer a;
      if (r.Text.rfind("No input received", 0) == 0) a.Result = vcl::IDNO;
      if (r.Text == "Would you like to run the communications wizard?") a.Result = vcl::IDYES;
      return a;
    };
  }
  void TearDown() override {
    win::SetIdleHook(nullptr);
    ProgramFixture::TearDown();
    fakes.clear();
    serial::SetComDevices(std::nullopt);
  }

  // Inside the wizard: Step 1, the instruments on COM3 when it opens, Step 2 once enabled; or
  // Cancel once COM2 is open. The loop calls copies of the hook, so its state lives here.
  void PlayTheUser(bool cancel) {
    win::SetIdleHook([this, cancel](const win::IdleInfo&) {
      if (WizForm == nullptr || !WizForm->Visible()) return false;
      serial::FakeLine& com3 = *ports[2];
      if (!stepped) {
        stepped = true;
        WizForm->BitBtn3->Click();
        return true;
      }
      if (cancel && ports[1]->IsOpen()) {
        WizForm->BitBtn2->Click();
        return true;
      }
      if (com3.IsOpen() && !fed) {
        fed = true;
        com3.Feed("\n" + Sentence("IIVHW,,T,,M,5.4,N,,K") + Sentence("HCHDG,123.0,,,,"));
        return true;
      }
      if (com3.InputQueued() > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
      }
      if (WizForm->BitBtn1->Enabled() && WizForm->ModalResult() == vcl::mrNone) {
        if (busy) com3.FailNext("open", EBUSY);
        WizForm->BitBtn1->Click();
        return true;
      }
      return false;
    });
  }

  void FeedPort(serial::FakeLine& port, const std::string& text,
                const std::function<bool()>& done) {
    port.Feed(text);
    for (int i = 0; i < 400 && !done(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      app->ProcessMessages();
    }
    ASSERT_TRUE(done());
  }

  std::vector<std::shared_ptr<serial::FakeLine>> ports;
  std::vector<std::unique_ptr<serial::ScopedFake>> fakes;
  bool stepped = false, fed = false;
  bool busy = false;  // COM3 taken between the scan and Step 2
};

// No port at start-up: the computation timers are off. The watchdog's wizard finds the
// instruments and leaves their port open, so the timers run and the main tick computes.
TEST_F(WatchdogWizard, WizardRunWithTheTimersOffStartsThemWhenItLeavesThePortOpen) {
  WriteIni("[comms]\ncomport=NOSUCHPORT\n");
  Start();
  Advance(10100);
  ASSERT_FALSE(Form1->Timer1->Enabled());
  ASSERT_FALSE(comms->ComPort1->Active());
  PlayTheUser(false);
  Advance(30000);
  win::SetIdleHook(nullptr);
  EXPECT_EQ(boxes.back(), "Conclusion|Sensors 2 out of 5 detected");
  ASSERT_TRUE(comms->ComPort1->Active());
  EXPECT_EQ(comms->ComPort1->DeviceName(), "COM3");
  EXPECT_TRUE(ports[2]->IsOpen());
  EXPECT_TRUE(Form1->Timer1->Enabled());
  EXPECT_TRUE(Form1->Timer3->Enabled());
  EXPECT_EQ(Form1->fSpeedSource, 1);
  EXPECT_EQ(Form1->fHeadingSource, 1);
  FeedPort(*ports[2], "\n" + Sentence("IIVHW,,T,,M,6.5,N,,K") + Sentence("HCHDG,200.0,,,,"),
           [] { return comms->fHeading == 200.0f; });
  Advance(1000);
  EXPECT_FLOAT_EQ(Form1->fSpeedThroughWater, 6.5f);
  EXPECT_FLOAT_EQ(Form1->fHeading, 200.0f);
}

// The port found, taken by another program before Step 2 opens it: a box names it and says why.
TEST_F(WatchdogWizard, APortTakenBeforeStep2IsNamed) {
  WriteIni("[comms]\ncomport=NOSUCHPORT\n");
  Start();
  Advance(10100);
  busy = true;
  PlayTheUser(false);
  Advance(30000);
  EXPECT_EQ(boxes.back(), "error|Cannot open comport COM3 (/dev/null3): Device or resource busy");
  EXPECT_FALSE(Form1->Timer1->Enabled());
}

// The instruments' port was open and the timers running; Cancel mid-scan gives the port back,
// and the next tick computes what arrives on it.
TEST_F(WatchdogWizard, CancelMidScanReopensTheInstrumentPortAndTheTickGoesOn) {
  serial::ScopedFake fake("FAKE1", line);
  WriteIni("[comms]\ncomport=FAKE1\n[settings]\nspeedsource=1\n");
  Start();
  Advance(10100);
  ASSERT_TRUE(line->IsOpen());
  PlayTheUser(true);
  Advance(30000);
  win::SetIdleHook(nullptr);
  EXPECT_FALSE(ports[1]->IsOpen());
  ASSERT_TRUE(line->IsOpen());
  EXPECT_EQ(line->OpenCount(), 2);
  EXPECT_TRUE(Form1->Timer1->Enabled());
  FeedAndWait("\n" + Sentence("IIVHW,,T,,M,7.25,N,,K"),
              [] { return comms->fSpeedThroughWater == 7.25f; });
  Advance(1000);
  EXPECT_FLOAT_EQ(Form1->fSpeedThroughWater, 7.25f);
}

// The wizard scanning over the watchdog's 40 s: no question over it; asked for again (button,
// command, the communications form's button) the open one comes forward, nothing fails. Cancelled
// with still no input, the watchdog asks once no dialog is up.
TEST_F(WatchdogWizard, NoQuestionOverTheOpenWizardAndASecondRequestBringsItForward) {
  serial::SetComDevices(std::vector<std::string>(14, "/dev/null"));  // a scan of 60 s
  serial::ScopedFake fake("FAKE1", line);
  WriteIni("[comms]\ncomport=FAKE1\n");
  Start();
  Advance(10100);
  boxes.clear();  // no waypoint table here
  const uint64_t start = clock->NowMicros();
  bool asked = false;
  win::SetIdleHook([&](const win::IdleInfo&) {
    if (!WizForm->Visible() && comms->Visible()) {
      (stepped ? comms->BitBtn2 : comms->BitBtn4)->Click();
    } else if (WizForm->Visible() && !stepped) {
      stepped = true;
      WizForm->BitBtn3->Click();
    } else if (WizForm->Visible() && clock->NowMicros() - start > 35'000'000 && !asked) {
      asked = true;
      EXPECT_NO_THROW({
        Form1->SpeedxButton5Click(nullptr);
        Form1->Communication1Click(nullptr);
        comms->BitBtn4Click(nullptr);
      });
      EXPECT_EQ(vcl::Screen->ActiveForm(), WizForm);
    } else if (WizForm->Visible() && asked) {  // also the wizard the watchdog's Yes opens
      WizForm->BitBtn2->Click();
    } else {
      return false;
    }
    return true;
  });
  Form1->SpeedxButton5Click(nullptr);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  Advance(15000);
  EXPECT_EQ(boxes, (std::vector<std::string>{
                       "Message|No input received on NMEA,Would you like to replay a demo-recording?",
                       "Message|Would you like to run the communications wizard?"}));
}

}  // namespace
