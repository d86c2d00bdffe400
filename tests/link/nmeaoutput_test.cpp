#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "link/comsettings.h"
#include "platform/serial/fakedevice.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

// Splits what a port sent into CR LF terminated sentences and checks each one by the rules of
// NMEA 0183: it starts with '$' or '!', holds at most 82 characters with its CR LF, and its
// checksum is the XOR of every character between the first one and the '*'.
std::vector<std::string> CheckedSentences(const std::string& sent) {
  std::vector<std::string> bodies;
  std::size_t start = 0;
  while (start < sent.size()) {
    const std::size_t end = sent.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "unterminated: " << sent.substr(start);
    if (end == std::string::npos) break;
    const std::string sentence = sent.substr(start, end - start);
    EXPECT_TRUE(!sentence.empty() && (sentence[0] == '$' || sentence[0] == '!')) << sentence;
    EXPECT_LE(sentence.size() + 2, 82u) << sentence;
    const std::size_t star = sentence.rfind('*');
    EXPECT_NE(star, std::string::npos);
    EXPECT_EQ(sentence.size(), star + 3) << sentence;
    const std::string body = sentence.substr(0, star);
    const int expected =
        body.size() < 2 ? 0 : std::accumulate(body.begin() + 1, body.end(), 0, [](int a, char c) {
          return a ^ static_cast<unsigned char>(c);
        });
    const std::string digits = sentence.substr(star + 1);
    EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << sentence;
    EXPECT_EQ(std::stoi(digits, nullptr, 16), expected) << sentence;
    bodies.push_back(body);
    start = end + 2;
  }
  return bodies;
}

class Output : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    comms = std::make_unique<Tcomms>(nullptr);
    comms->fOutputValues = [this] { return values; };
    vcl::SetDialogResponder([](const vcl::TDialogRequest&) {
      return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{vcl::IDOK});
    });
    // A fast line: the tests of what goes out are not held back by what a second carries.
    comms->ComPort1->SetBaudRate(br115200);
    comms->ComPort1->Open();
    boxes = {comms->CheckBox1, comms->CheckBox2, comms->CheckBox3,
             comms->CheckBox4, comms->CheckBox5, comms->CheckBox6,
             comms->CheckBox7, comms->CheckBox8, comms->CheckBox9};
  }
  void TearDown() override {
    comms.reset();
    VclTest::TearDown();
  }
  std::vector<std::string> Sent() { return CheckedSentences(line1->TakeWritten()); }
  // Ticks or unticks boxes as the settings do; the titles their clicks sent are left out.
  void Tick(std::initializer_list<int> numbers, bool on = true) {
    for (int n : numbers) boxes[static_cast<std::size_t>(n - 1)]->SetChecked(on);
    line1->TakeWritten();
  }
  void Untick(std::initializer_list<int> numbers) { Tick(numbers, false); }
  void UntickAll() { Tick({1, 2, 3, 4, 5, 6, 7, 8, 9}, false); }
  void Templates(std::initializer_list<std::string> lines) {
    comms->Memo1->Lines()->Clear();
    for (const std::string& line : lines) comms->Memo1->Lines()->Add(line);
  }
  // The message boxes shown, as "caption: text".
  static std::vector<std::string> Shown() {
    std::vector<std::string> shown;
    for (const vcl::TDialogRequest& r : vcl::DialogLog())
      if (r.Kind == "MessageBox") shown.push_back(r.Caption + ": " + r.Text);
    return shown;
  }

  std::shared_ptr<serial::FakeLine> line1 = std::make_shared<serial::FakeLine>();
  std::shared_ptr<serial::FakeLine> line2 = std::make_shared<serial::FakeLine>();
  serial::ScopedFake fake1{"COM1", line1}, fake2{"COM2", line2};
  std::unique_ptr<Tcomms> comms;  // needs the window system of SetUp
  TOutputValues values;
  std::vector<vcl::TCheckBox*> boxes;  // CheckBox1 .. CheckBox9
};

const std::string kTooManyPages =
    "Message: Only 4 Micronet Performance Pages can be used simultaneously.\n"
    "Please uncheck a page.";

TEST_F(Output, BuiltInTemplatesAreExpandedAndChecksummed) {
  values.fPerformance = 92.345f;
  values.fTargetSpeed = 6.08f;
  comms->SendNmeaOutput();
  // The empty and the blank line stay in the memo but put nothing on the line.
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$IIMTW,92.3,C", "$PSILTBS,6.1,N",
                                              "$PSILCD1,92.3,0.0"}));
  EXPECT_EQ(comms->Memo1->Lines()->Count(), 5);
  Templates({"", " ", "\t "});
  comms->SendNmeaOutput();
  EXPECT_EQ(line1->TakeWritten(), "");
}

TEST_F(Output, EveryValueNameWithWidthThree) {
  values = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 123.46f, 5.0f};
  Templates({
      "$PX,%performance,%targetspeed,%courseog,%heading,%speedog,%speedtw,",
      "$PY,%windspeed,%windangle,%vmg,%windog,%depth,%bearingtowpt,",
      "$PZ,%nosuchname,x,%depth",  // unknown: an empty field; no ',' after: ends with the line
      "$PLAIN,NO,VALUES",
  });
  comms->SendNmeaOutput();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$PX,1.0,2.0,3.0,4.0,5.0,6.0,",
                                              "$PY,7.0,8.0,9.0,10.0,123.5,5.0,", "$PZ,,x,123.5",
                                              "$PLAIN,NO,VALUES"}));
}

TEST_F(Output, OverlongLinesAreNotSentAtAll) {
  // An NMEA sentence holds at most 82 characters from '$' to CR LF: 77 before "*hh" CR LF.
  values.fPerformance = 1e30f;  // 31 digits where "0.0" stood
  Templates({"$PA," + std::string(73, 'x'), "$PB," + std::string(74, 'x'),
             "$PC," + std::string(69, 'x') + ",%targetspeed", "$PE," + std::string(70, 'x') +
             ",%targetspeed", "$PD," + std::string(50, 'x') + ",%performance",
             std::string(300, 'y'), "$OK"});
  comms->SendNmeaOutput();
  const std::string written = line1->TakeWritten();
  EXPECT_EQ(written.find("\r\n"), 80u);  // the longest: 82 characters with its CR LF
  auto sent = CheckedSentences(written);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].size(), 77u);
  EXPECT_EQ(sent[1], "$PC," + std::string(69, 'x') + ",0.0");
  EXPECT_EQ(sent[2], "$OK");
}

// A template carrying its own checksum, or two sentences on one line, would put a sentence with
// two '*' or a broken one on the line: such a line is not sent, and the others are.
TEST_F(Output, TemplatesWithAStarOrASecondStartAreNotSent) {
  Templates({"$PSILTBS,%targetspeed,N*2C", "$PA,1$PB,2", "$PA,1!AB", "*", "$OK,%vmg"});
  comms->SendNmeaOutput();
  EXPECT_EQ(Sent(), std::vector<std::string>{"$OK,0.0"});
}

// Values that are not numbers never reach an instrument: the sentences that would carry them are
// left out, the others go as usual, and a page keeps its number.
TEST_F(Output, ValuesThatAreNotNumbersLeaveTheirSentencesOut) {
  Templates({"$PA,%heading", "$PB,%speedog", "$PC,%nosuch,%depth", "$PD"});
  Tick({1, 2, 3, 8, 9});
  values.fHeading = std::numeric_limits<float>::quiet_NaN();
  values.fDepth = -std::numeric_limits<float>::infinity();
  values.fSpeedOverGround = 6.5f;
  values.fPerformance = std::numeric_limits<float>::infinity();
  values.fTargetSpeed = 7.25f;
  values.fCurrentSet = 245.2f;
  values.fTwaCorrectionApplied = std::numeric_limits<float>::quiet_NaN();
  comms->SendNmeaOutput();
  EXPECT_EQ(Sent(),
            (std::vector<std::string>{"$PB,6.5", "$PD", "$PTAK,FFD2,7.2", "$PTAK,FFD3,0.0",
                                      "$PTAK,FFD4,245"}));
}

TEST_F(Output, MicronetValuesAreNumberedByTableOrder) {
  comms->Memo1->Lines()->Clear();
  values.fPerformance = 97.6f;
  values.fCurrentSet = 245.2f;
  Tick({2, 8});  // Performance and Current direction
  comms->SendNmeaOutput();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$PTAK,FFD1, 98", "$PTAK,FFD2,245"}));

  Untick({2, 8});
  values.fTargetSpeed = 6.25f;
  values.fDistanceToWaypoint = 12.34f;
  values.fCurrentDrift = 0.5f;
  values.TimeToLayline = "07:05";
  Tick({9, 5, 6, 3});  // ticked in another order
  comms->SendNmeaOutput();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$PTAK,FFD1,6.2", "$PTAK,FFD2,12.3",
                                              "$PTAK,FFD3,07:05", "$PTAK,FFD4,0.5"}));
  comms->CheckBox2Click(comms.get());
  EXPECT_EQ(Sent(),
            (std::vector<std::string>{"$PTAK,FFP1,  TBS, KNOTS", "$PTAK,FFP2,DTWPT, MILES",
                                      "$PTAK,FFP3, TTLL, MMSS", "$PTAK,FFP4,CUR S, KNOTS"}));
}

TEST_F(Output, AllEightPageTitles) {
  comms->MicronetTimerTimer(comms.get());  // nothing ticked: nothing to send
  EXPECT_TRUE(Sent().empty());
  std::vector<std::string> titles;
  for (int n : {2, 3, 4, 6}) {
    UntickAll();
    boxes[static_cast<std::size_t>(n - 1)]->SetChecked(true);  // its click sends the titles
    for (const std::string& s : Sent()) titles.push_back(s);
  }
  for (int n : {5, 7, 9, 8}) {
    UntickAll();
    Tick({n});
    comms->MicronetTimerTimer(comms.get());
    for (const std::string& s : Sent()) titles.push_back(s);
  }
  EXPECT_EQ(titles,
            (std::vector<std::string>{"$PTAK,FFP1,PERFORM,PERCENT", "$PTAK,FFP1,  TBS, KNOTS",
                                      "$PTAK,FFP1,  TWD, DEGR", "$PTAK,FFP1,DTWPT, MILES",
                                      "$PTAK,FFP1, TTLL, MMSS", "$PTAK,FFP1, DTLL, MILES",
                                      "$PTAK,FFP1,CUR S, KNOTS", "$PTAK,FFP1,CUR A, DEGR"}));
}

TEST_F(Output, FivePagesSendNoPageAndEveryClickAndTimerShowsTheBox) {
  comms->Memo1->Lines()->Clear();
  Tick({2, 3, 4, 5});
  EXPECT_TRUE(Shown().empty());
  boxes[5]->SetChecked(true);  // the fifth page
  EXPECT_EQ(Shown(), std::vector<std::string>{kTooManyPages});
  EXPECT_TRUE(boxes[5]->Checked());  // stays ticked
  EXPECT_TRUE(Sent().empty());       // and no title goes out
  comms->SendNmeaOutput();
  EXPECT_TRUE(Sent().empty());
  comms->MicronetTimerTimer(comms.get());  // the timer says it too
  EXPECT_EQ(Shown().size(), 2u);
  boxes[0]->SetChecked(true);  // any Micronet box, wind corrections too
  EXPECT_EQ(Shown().size(), 3u);
  EXPECT_TRUE(Sent().empty());
}

// --- The 120 s timer
// -------------------------------------------------------------------------------

TEST_F(Output, PageTitlesGoOutEvery120SecondsFromTheFormsCreation) {
  EXPECT_TRUE(comms->MicronetTimer->Enabled());
  EXPECT_EQ(comms->MicronetTimer->Interval(), 120000u);
  Tick({2, 3});
  Advance(119900);
  EXPECT_TRUE(Sent().empty());
  Advance(100);
  const std::vector<std::string> titles{"$PTAK,FFP1,PERFORM,PERCENT", "$PTAK,FFP2,  TBS, KNOTS"};
  EXPECT_EQ(Sent(), titles);
  Advance(120000);
  EXPECT_EQ(Sent(), titles);
  comms.reset();  // the timer goes with its form
  Advance(120000);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(Output, TheTooManyPagesBoxNeverNestsAndComesBackEvery120Seconds) {
  vcl::SetDialogResponder(nullptr);  // the user answers
  comms->Show();
  comms->PageControl1->SetActivePage(comms->TabSheet2);
  Tick({2, 3, 4, 5});
  // A second's tick beside it, as the main window's: it goes on under the box.
  int ticks = 0;
  vcl::TTimer tick(nullptr);
  tick.SetInterval(1000);
  tick.OnTimer = rtl::TNotifyEvent(this, [&](rtl::TObject*) { ++ticks; });
  win::InputScript script;
  script.After(3 * 120000 + 1000).Then([&] {
    // Three timer periods with the box open, and a click handler run again meanwhile: still
    // the one box, and nothing sent.
    comms->CheckBox2Click(comms.get());
    EXPECT_EQ(Shown().size(), 1u);
    EXPECT_TRUE(Sent().empty());
    EXPECT_GE(ticks, 360);
    PostKey(win::VK_RETURN);
  });
  Click(comms->CheckBox6);  // the fifth page, by the user
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(comms->CheckBox6->Checked());
  EXPECT_EQ(Shown(), std::vector<std::string>{kTooManyPages});
  // While five pages stay ticked the box comes back every 120 s, each answered before the next.
  vcl::SetDialogResponder([](const vcl::TDialogRequest&) {
    return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{vcl::IDOK});
  });
  Advance(120000);
  EXPECT_EQ(Shown().size(), 2u);
  Advance(120000);
  EXPECT_EQ(Shown(), std::vector<std::string>(3, kTooManyPages));
  EXPECT_TRUE(Sent().empty());

  Click(comms->CheckBox3);  // down to four: the titles go out at once, and again at 120 s
  EXPECT_FALSE(comms->CheckBox3->Checked());
  const std::vector<std::string> titles{"$PTAK,FFP1,PERFORM,PERCENT", "$PTAK,FFP2,  TWD, DEGR",
                                        "$PTAK,FFP3,DTWPT, MILES", "$PTAK,FFP4, TTLL, MMSS"};
  EXPECT_EQ(Sent(), titles);
  Advance(120000);
  EXPECT_EQ(Sent(), titles);
  EXPECT_EQ(Shown().size(), 3u);
}

TEST_F(Output, WindCorrectionsFollowTheTemplatesWithOrWithoutPages) {
  Templates({"$IIMTW,%performance,C"});
  values.fTwsCorrection = 1.5f;
  values.fTwaCorrectionApplied = -3.25f;
  Tick({1});
  comms->SendNmeaOutput();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$IIMTW,0.0,C", "$PTAK,TWC,1.5,-3.2"}));
  Tick({2});
  comms->SendNmeaOutput();
  EXPECT_EQ(Sent(),
            (std::vector<std::string>{"$IIMTW,0.0,C", "$PTAK,TWC,1.5,-3.2", "$PTAK,FFD1,  0"}));
}

TEST_F(Output, FastReplayOnASlowLineDropsWholeSentencesWithoutWaiting) {
  comms->ComPort1->SetBaudRate(br4800);
  Tick({1, 2, 3, 4});
  line1->SetOutputCapacity(256);
  std::string all;
  for (int refresh = 0; refresh < 100; ++refresh) {
    values.fPerformance = static_cast<float>(refresh);
    comms->SendNmeaOutput();  // 10 a second: 0.1 s of a 4800 baud line carries 48 bytes
    Advance(100);
    line1->Transmit(48);
    all += line1->TakeWritten();
  }
  line1->Transmit(1000);
  comms->SendNmeaOutput();
  all += line1->TakeWritten();
  const auto sentences = CheckedSentences(all);  // every one whole, checksum and all
  EXPECT_LT(sentences.size(), 101u * 8);
  EXPECT_GT(sentences.size(), 50u);
}

// A second of output never holds more than the line carries in a second (4800 baud, 10 bits a
// character: 480 characters), however many templates there are; what does not fit is left out
// whole, and the next second starts again from the first template.
TEST_F(Output, NoMoreASecondThanTheLineCarries) {
  comms->ComPort1->SetBaudRate(br4800);
  Advance(1000);
  comms->Memo1->Lines()->Clear();
  for (int i = 0; i < 20000; ++i) comms->Memo1->Lines()->Add("$PX" + std::to_string(i) + ",%vmg");
  for (int second = 0; second < 3; ++second) {
    comms->SendNmeaOutput();
    comms->SendNmeaOutput();  // a second refresh in the same second adds nothing
    const std::string sent = line1->TakeWritten();
    EXPECT_LE(sent.size(), 480u);
    EXPECT_GT(sent.size(), 480u - 20);
    const auto sentences = CheckedSentences(sent);
    ASSERT_FALSE(sentences.empty());
    EXPECT_EQ(sentences.front(), "$PX0,0.0");
    Advance(1000);
  }
  // At 38400 baud, eight times as much.
  comms->ComPort1->SetBaudRate(br38400);
  Advance(1000);
  comms->SendNmeaOutput();
  const std::string sent = line1->TakeWritten();
  EXPECT_LE(sent.size(), 3840u);
  EXPECT_GT(sent.size(), 3840u - 20);
}

TEST_F(Output, RepeaterGetsACopyOnlyWhenTickedAndOpen) {
  Templates({"$A"});
  comms->CheckBox11->SetChecked(true);  // ticked, closed
  comms->SendNmeaOutput();
  comms->ComPort2->Open();
  comms->CheckBox11->SetChecked(false);  // open, not ticked
  comms->SendNmeaOutput();
  EXPECT_EQ(line2->TakeWritten(), "");
  comms->CheckBox11->SetChecked(true);
  comms->SendNmeaOutput();
  EXPECT_EQ(line2->TakeWritten(), "$A*41\r\n");
  EXPECT_EQ(line1->TakeWritten(), "$A*41\r\n$A*41\r\n$A*41\r\n");
}

TEST_F(Output, ClosedPortDropsSilentlyAndPortsStartAsTheFormSetsThem) {
  comms->ComPort1->Close();
  comms->SendNmeaOutput();
  EXPECT_EQ(line1->TakeWritten(), "");
  Tcomms fresh(nullptr);
  EXPECT_EQ(fresh.ComPort1->DeviceName(), "COM1");
  EXPECT_EQ(fresh.ComPort1->BaudRate(), br4800);
  EXPECT_EQ(fresh.ComPort1->DataBits(), db8);
  EXPECT_EQ(fresh.ComPort1->FlowControl().DTR(), dcDisable);
  EXPECT_EQ(fresh.ComPort2->DeviceName(), "COM2");
  EXPECT_FALSE(fresh.ComPort1->Active() || fresh.ComPort2->Active());
  EXPECT_EQ(fresh.ComPort1->Owner(), &fresh);
}

}  // namespace
