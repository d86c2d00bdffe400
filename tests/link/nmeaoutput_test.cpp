#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "link/comsettings.h"
#include "platform/serial/fakedevice.h"

namespace {

// Splits what a port sent into CR LF terminated sentences and checks each one's checksum by its
// own reckoning: the XOR of every character between the first one and the '*'.
std::vector<std::string> CheckedSentences(const std::string& sent) {
  std::vector<std::string> bodies;
  std::size_t start = 0;
  while (start < sent.size()) {
    const std::size_t end = sent.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "unterminated: " << sent.substr(start);
    if (end == std::string::npos) break;
    const std::string sentence = sent.substr(start, end - start);
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

class Output : public ::testing::Test {
 protected:
  Output() : fake1("COM1", line1), fake2("COM2", line2) {
    comms.fOutputValues = [this] { return values; };
    comms.fShowMessage = [this](const std::string& text, const std::string& caption) {
      shown.push_back(caption + ": " + text);
    };
    comms.ComPort1->Open();
    for (auto* box :
         {&comms.CheckBox1, &comms.CheckBox2, &comms.CheckBox3, &comms.CheckBox4, &comms.CheckBox5,
          &comms.CheckBox6, &comms.CheckBox7, &comms.CheckBox8, &comms.CheckBox9})
      boxes.push_back(box);
  }
  std::vector<std::string> Sent() { return CheckedSentences(line1->TakeWritten()); }
  void Tick(std::initializer_list<int> numbers) {
    for (int n : numbers) boxes[static_cast<std::size_t>(n - 1)]->Checked = true;
  }

  std::shared_ptr<serial::FakeLine> line1 = std::make_shared<serial::FakeLine>();
  std::shared_ptr<serial::FakeLine> line2 = std::make_shared<serial::FakeLine>();
  serial::ScopedFake fake1, fake2;
  Tcomms comms{nullptr};
  TOutputValues values;
  std::vector<Tcomms::TCheckState*> boxes;  // CheckBox1 .. CheckBox9
  std::vector<std::string> shown;
};

TEST_F(Output, BuiltInTemplatesAreExpandedAndChecksummed) {
  values.fPerformance = 92.345f;
  values.fTargetSpeed = 6.08f;
  comms.SendNmeaOutput();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$IIMTW,92.3,C", "$PSILTBS,6.1,N",
                                              "$PSILCD1,92.3,0.0", "", " "}));
}

TEST_F(Output, EveryValueNameWithWidthThree) {
  values = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 123.46f, 5.0f};
  comms.Memo1.Lines = {
      "$PX,%performance,%targetspeed,%courseog,%heading,%speedog,%speedtw,",
      "$PY,%windspeed,%windangle,%vmg,%windog,%depth,%bearingtowpt,",
      "$PZ,%nosuchname,x,%depth",  // unknown: an empty field; no ',' after: ends with the line
      "$PLAIN,NO,VALUES",
  };
  comms.SendNmeaOutput();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$PX,1.0,2.0,3.0,4.0,5.0,6.0,",
                                              "$PY,7.0,8.0,9.0,10.0,123.5,5.0,", "$PZ,,x,123.5",
                                              "$PLAIN,NO,VALUES"}));
}

TEST_F(Output, OverlongLinesAreNotSentAtAll) {
  // A finished sentence holds at most 255 characters: 250 of them before "*hh" and CR LF.
  comms.Memo1.Lines = {"$PA," + std::string(246, 'x'), "$PB," + std::string(247, 'x'),
                       "$PC," + std::string(240, 'x') + ",%performance,%performance",
                       std::string(300, 'y'), "$OK"};
  comms.SendNmeaOutput();
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].size(), 250u);
  EXPECT_EQ(sent[1], "$OK");
}

TEST_F(Output, MicronetValuesAreNumberedByTableOrder) {
  comms.Memo1.Lines.clear();
  values.fPerformance = 97.6f;
  values.fCurrentSet = 245.2f;
  Tick({2, 8});  // Performance and Current direction
  comms.SendNmeaOutput();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$PTAK,FFD1, 98", "$PTAK,FFD2,245"}));

  comms.CheckBox2.Checked = comms.CheckBox8.Checked = false;
  values.fTargetSpeed = 6.25f;
  values.fDistanceToWaypoint = 12.34f;
  values.fCurrentDrift = 0.5f;
  values.TimeToLayline = "07:05";
  Tick({9, 5, 6, 3});  // ticked in another order
  comms.SendNmeaOutput();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$PTAK,FFD1,6.2", "$PTAK,FFD2,12.3",
                                              "$PTAK,FFD3,07:05", "$PTAK,FFD4,0.5"}));
  comms.CheckBox2Click(&comms);
  EXPECT_EQ(Sent(),
            (std::vector<std::string>{"$PTAK,FFP1,  TBS, KNOTS", "$PTAK,FFP2,DTWPT, MILES",
                                      "$PTAK,FFP3, TTLL, MMSS", "$PTAK,FFP4,CUR S, KNOTS"}));
}

TEST_F(Output, AllEightPageTitles) {
  comms.MicronetTimerTimer(&comms);  // nothing ticked: nothing to send
  EXPECT_TRUE(Sent().empty());
  for (int n : {2, 3, 4, 6}) {
    for (auto* b : boxes) b->Checked = false;
    Tick({n});
    comms.CheckBox2Click(&comms);
  }
  for (int n : {5, 7, 9, 8}) {
    for (auto* b : boxes) b->Checked = false;
    Tick({n});
    comms.MicronetTimerTimer(&comms);
  }
  EXPECT_EQ(Sent(),
            (std::vector<std::string>{"$PTAK,FFP1,PERFORM,PERCENT", "$PTAK,FFP1,  TBS, KNOTS",
                                      "$PTAK,FFP1,  TWD, DEGR", "$PTAK,FFP1,DTWPT, MILES",
                                      "$PTAK,FFP1, TTLL, MMSS", "$PTAK,FFP1, DTLL, MILES",
                                      "$PTAK,FFP1,CUR S, KNOTS", "$PTAK,FFP1,CUR A, DEGR"}));
}

TEST_F(Output, FivePagesSendNoPageAndTheBoxShowsOnlyOnClicksOneAtATime) {
  comms.Memo1.Lines.clear();
  Tick({2, 3, 4, 5, 6});
  comms.SendNmeaOutput();
  EXPECT_TRUE(Sent().empty());
  comms.MicronetTimerTimer(&comms);
  EXPECT_TRUE(shown.empty());
  // The box runs a modal loop in which the timer and further clicks still arrive.
  comms.fShowMessage = [this](const std::string& text, const std::string& caption) {
    shown.push_back(caption + ": " + text);
    comms.MicronetTimerTimer(&comms);
    comms.CheckBox2Click(&comms);
  };
  comms.CheckBox2Click(&comms);
  EXPECT_EQ(shown, std::vector<std::string>{
                       "Message: Only 4 Micronet Performance Pages can be used simultaneously.\n"
                       "Please uncheck a page."});
  comms.CheckBox2Click(&comms);  // the next click shows it again
  EXPECT_EQ(shown.size(), 2u);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(Output, WindCorrectionsFollowTheTemplatesWithOrWithoutPages) {
  comms.Memo1.Lines = {"$IIMTW,%performance,C"};
  values.fTwsCorrection = 1.5f;
  values.fTwaCorrectionApplied = -3.25f;
  Tick({1});
  comms.SendNmeaOutput();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"$IIMTW,0.0,C", "$PTAK,TWC,1.5,-3.2"}));
  Tick({2});
  comms.SendNmeaOutput();
  EXPECT_EQ(Sent(),
            (std::vector<std::string>{"$IIMTW,0.0,C", "$PTAK,TWC,1.5,-3.2", "$PTAK,FFD1,  0"}));
}

TEST_F(Output, FastReplayOnASlowLineDropsWholeSentencesWithoutWaiting) {
  line1->SetOutputCapacity(256);
  Tick({1, 2, 3, 4});
  std::string all;
  for (int refresh = 0; refresh < 100; ++refresh) {
    values.fPerformance = static_cast<float>(refresh);
    comms.SendNmeaOutput();  // 10 a second: 0.1 s of a 4800 baud line carries 48 bytes
    line1->Transmit(48);
    all += line1->TakeWritten();
  }
  line1->Transmit(1000);
  comms.SendNmeaOutput();
  all += line1->TakeWritten();
  const auto sentences = CheckedSentences(all);  // every one whole, checksum and all
  EXPECT_LT(sentences.size(), 101u * 8);
  EXPECT_GT(sentences.size(), 50u);
}

TEST_F(Output, RepeaterGetsACopyOnlyWhenTickedAndOpen) {
  comms.Memo1.Lines = {"$A"};
  comms.CheckBox11.Checked = true;  // ticked, closed
  comms.SendNmeaOutput();
  comms.ComPort2->Open();
  comms.CheckBox11.Checked = false;  // open, not ticked
  comms.SendNmeaOutput();
  EXPECT_EQ(line2->TakeWritten(), "");
  comms.CheckBox11.Checked = true;
  comms.SendNmeaOutput();
  EXPECT_EQ(line2->TakeWritten(), "$A*41\r\n");
  EXPECT_EQ(line1->TakeWritten(), "$A*41\r\n$A*41\r\n$A*41\r\n");
}

TEST_F(Output, ClosedPortDropsSilentlyAndPortsStartAsTheFormSetsThem) {
  comms.ComPort1->Close();
  comms.SendNmeaOutput();
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
