// The communications form's pages and handlers on the virtual clock, and its pictures.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "link/comsettings.h"
#include "platform/gdi/image.h"
#include "platform/serial/fakedevice.h"
#include "platform/vcl/clipboard.h"
#include "platform/win/paint.h"
#include "tests/fulldisk.h"
#include "tests/platform/vcl/vcltest.h"
#include "tests/tempdir.h"

namespace fs = std::filesystem;

namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Form : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    old = fs::current_path();
    fs::current_path(dir.path());
    vcl::SetDialogResponder([this](const vcl::TDialogRequest& r) {
      if (r.Kind == "MessageBox") boxes.push_back(r.Caption + "|" + r.Text);
      return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{});
    });
    c = std::make_unique<Tcomms>(nullptr);
    c->fSetMainSources = [this](const TSourceChoices& s) { main.push_back(s); };
  }
  void TearDown() override {
    c.reset();
    fs::current_path(old);
    VclTest::TearDown();
  }

  void SetGroups(int speed, int heading, int wind, int trueWind) {
    c->SpeedsourceGroup->SetItemIndex(speed);
    c->HeadingsourceGroup->SetItemIndex(heading);
    c->WindsourceGroup->SetItemIndex(wind);
    c->TruewindsourceGroup->SetItemIndex(trueWind);
  }

  // The colour on screen at the centre of a control.
  gdi::COLORREF Centre(vcl::TControl* control) {
    Pump();
    const gdi::Surface& screen = win::ComposeScreen();
    const gdi::POINT p =
        control->ClientToScreen(gdi::POINT{control->Width() / 2, control->Height() / 2});
    return gdi::NativeToColor(screen.Get(p.x, p.y));
  }

  TempDir dir{"corv_comms"};
  fs::path old;
  std::vector<std::string> boxes;
  std::vector<TSourceChoices> main;
  std::unique_ptr<Tcomms> c;
};

TEST_F(Form, OkSavesTheTemplatesThenSetsTheSourcesOfBothFormsAndTheRepeater) {
  c->Show();
  SetGroups(1, 1, 1, 1);
  c->Memo1->Lines()->Clear();
  c->Memo1->Lines()->Add("$IIXDR,%vmg,N");
  c->Memo1->Lines()->Add("$PSIL,%heading");
  c->CheckBox11->SetChecked(true);
  c->ComboBox3->SetText("COM5");
  c->BitBtn1->Click();
  EXPECT_EQ(c->ModalResult(), vcl::mrOk);
  EXPECT_EQ(FileText("nmeaout.txt"), "$IIXDR,%vmg,N\r\n$PSIL,%heading\r\n");
  ASSERT_EQ(main.size(), 1u);
  EXPECT_EQ(main[0].fSpeedSource, 1);
  EXPECT_EQ(main[0].fHeadingSource, 1);
  EXPECT_EQ(main[0].fNmeaWind, 1);
  EXPECT_EQ(main[0].fWindSource, 1);
  EXPECT_EQ(c->fSpeedSource, 1);
  EXPECT_EQ(c->fHeadingSource, 1);
  EXPECT_EQ(c->fNmeaWind, 1);
  EXPECT_EQ(c->fWindSource, 1);
  EXPECT_EQ(c->ComPort2->DeviceName(), "COM5");
  EXPECT_TRUE(boxes.empty());

  // Without the repeater box the repeater keeps its device.
  c->CheckBox11->SetChecked(false);
  c->ComboBox3->SetText("COM7");
  c->BitBtn1->Click();
  EXPECT_EQ(c->ComPort2->DeviceName(), "COM5");
}

TEST_F(Form, FailedTemplatesSaveIsToldAndNothingIsApplied) {
  fs::create_directory("nmeaout.txt");
  c->Show();
  SetGroups(1, 0, 1, 0);
  c->CheckBox11->SetChecked(true);
  c->ComboBox3->SetText("COM5");
  c->BitBtn1->Click();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("Error|Cannot save nmeaout.txt: ", 0), 0u) << boxes[0];
  EXPECT_EQ(c->ModalResult(), vcl::mrNone);  // the form stays open
  EXPECT_TRUE(main.empty());
  EXPECT_EQ(c->fSpeedSource, 0);
  EXPECT_EQ(c->fNmeaWind, 0);
  EXPECT_EQ(c->ComPort2->DeviceName(), "COM2");
}

// A disk that fills while OK saves the templates: the box tells of it and the old file is there
// byte for byte.
TEST_F(Form, ATemplatesSaveOntoAFullDiskLeavesTheOldFileWhole) {
  FullDisk disk(dir / "disk");
  fs::current_path(disk.path());
  std::string old;
  for (int i = 0; i < 50; ++i) old += "$IIXDR,C,%airtemp,C,AIR" + std::to_string(i) + "\r\n";
  std::ofstream("nmeaout.txt", std::ios::binary) << old;
  c->Show();
  c->Memo1->Lines()->Clear();
  for (int i = 0; i < 200; ++i) c->Memo1->Lines()->Add("$IIMTW,%watertemp,C," + std::to_string(i));
  disk.WhileFull([&] { c->BitBtn1->Click(); });
  fs::current_path(dir.path());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("Error|Cannot save nmeaout.txt: ", 0), 0u) << boxes[0];
  EXPECT_EQ(c->ModalResult(), vcl::mrNone);
  EXPECT_EQ(FileText(disk / "nmeaout.txt"), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(disk.path()), {}), 1);  // no temporary left
}

TEST_F(Form, TrySettingsOpensTheChosenPortOrSaysItIsNotAvailable) {
  auto line = std::make_shared<serial::FakeLine>();
  serial::ScopedFake fake("TRYME", line);
  c->ComboBox1->SetText("Network");
  c->BitBtn6->Click();
  EXPECT_EQ(boxes, std::vector<std::string>{"Message|COM port not available"});
  EXPECT_FALSE(c->ComPort1->Active());
  c->ComboBox1->SetText("TRYME");
  c->BitBtn6->Click();
  EXPECT_TRUE(c->ComPort1->Active());
  EXPECT_TRUE(line->IsOpen());
  EXPECT_EQ(boxes.size(), 1u);
  c->ComPort1->Close();
}

// The templates are loaded when the form is shown; a box closed over the form (which activates it
// again) keeps the user's edits.
TEST_F(Form, TemplatesLoadWhenShownAndEditsSurviveAnotherActivation) {
  std::ofstream("nmeaout.txt") << "$IIXDR,%depth\r\n$PSIL,%vmg\r\n";
  c->Show();
  Pump();
  EXPECT_EQ(c->fDebugView, 1);
  EXPECT_EQ(c->Memo1->Lines()->Text(), "$IIXDR,%depth\r\n$PSIL,%vmg\r\n");
  c->Memo1->Lines()->Add("$PEDIT");
  c->BitBtn3->Click();  // Micronet help: a box over the form
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "Micronet Information|If you have your PC connected a TackTick Micronet NMEA "
            "Interface,\nit is possible on a MN100 single digital display to activate a "
            "performance chapter.\nYou can select what parameters to show by checking the boxes.");
  Pump();
  EXPECT_EQ(c->Memo1->Lines()->Count(), 3);
  c->Hide();
  EXPECT_EQ(c->fDebugView, 0);

  // A missing file keeps the templates and still turns the debugging view on.
  fs::remove("nmeaout.txt");
  c->Show();
  EXPECT_EQ(c->fDebugView, 1);
  EXPECT_EQ(c->Memo1->Lines()->Count(), 3);
}

// A template is printable text starting with '$' or '!' that fits an 82-character sentence with
// its checksum and CR LF; empty and blank lines stay, as in the built-in templates. Anything else
// (a binary file, a note) is left out and told of once.
TEST_F(Form, LinesThatAreNoTemplatesAreLeftOutWithOneBox) {
  std::string binary;
  for (int i = 0; i < 256; ++i) binary += static_cast<char>(i == '\n' || i == '\r' ? 1 : i);
  std::ofstream("nmeaout.txt", std::ios::binary)
      << "$IIMTW,%performance,C\r\n\r\n \r\n!AIVDO,1\r\n" << binary
      << "\r\nsend this\r\n$PLONG," << std::string(77, 'x') << "\r\n$PFITS,"
      << std::string(63, 'x') << ",%targetspeed\r\n$PTAB,\t1\r\n";
  c->Show();
  EXPECT_EQ(c->Memo1->Lines()->Text(), "$IIMTW,%performance,C\r\n\r\n \r\n!AIVDO,1\r\n$PFITS," +
                                           std::string(63, 'x') + ",%targetspeed\r\n");
  EXPECT_EQ(boxes, std::vector<std::string>{
                       "Warning|4 lines of nmeaout.txt were left out: a template is a line of "
                       "printable text starting with '$' or '!', with no '*', at most 77 "
                       "characters once expanded."});
}

TEST_F(Form, IncomingDataKeepsTheNewestLinesAndCopiesThemToTheClipboard) {
  c->fDebugView = 1;
  std::string stream = "\n";
  for (int i = 0; i < 620; ++i) stream += "$IIDBT,,f," + std::to_string(i) + ",M,,F\r\n";
  c->ReceiveChars(stream.data(), stream.size());
  ASSERT_EQ(c->Memo2->Lines()->Count(), Tcomms::kDebugLines);
  // Without the line ends, which the memo's face has no glyph for.
  EXPECT_EQ(c->Memo2->Lines()->Strings(0), "$IIDBT,,f,120,M,,F");
  EXPECT_EQ(c->Memo2->Lines()->Strings(499), "$IIDBT,,f,619,M,,F");
  EXPECT_FLOAT_EQ(c->fDepth, 619.0f);
  c->Show();
  c->BitBtn5->Click();
  EXPECT_EQ(vcl::Clipboard()->AsText(), c->Memo2->GetTextAll());
  EXPECT_NE(vcl::Clipboard()->AsText().find("$IIDBT,,f,619,M,,F"), std::string::npos);
}

TEST_F(Form, PagesCaptionsAndItemsAsTheUserSeesThem) {
  EXPECT_EQ(c->Caption(), "Settings");
  ASSERT_EQ(c->PageControl1->PageCount(), 3);
  EXPECT_EQ(c->TabSheet1->Caption(), "NMEA In");
  EXPECT_EQ(c->TabSheet2->Caption(), "NMEA Out");
  EXPECT_EQ(c->TabSheet3->Caption(), "Debugging");
  EXPECT_EQ(c->WindsourceGroup->Items()->Strings(1), "NMEA  VWR/VWT");
  EXPECT_EQ(c->TruewindsourceGroup->Items()->Strings(0), "Program Calculates true wind");
  EXPECT_EQ(c->ComboBox3->Items()->Count(), 13);
  EXPECT_EQ(c->ComboBox3->Text(), "COM1");
  EXPECT_EQ(c->ComboBox1->Items()->Strings(13), "COM42");
  EXPECT_EQ(c->BitBtn4->Caption(), "Run Communication Wizard");
  for (TComSignal* s : {c->ComSignal1, c->ComSignal2}) {
    EXPECT_EQ(s->ColorOff(), gdi::clBlack);
    EXPECT_EQ(s->ColorOn(), gdi::clRed);
    EXPECT_EQ(s->Delay(), 100);
    EXPECT_EQ(s->ComPort(), c->ComPort1);
  }
  EXPECT_EQ(c->ComSignal1->Signal(), siRxChar);
  EXPECT_EQ(c->ComSignal2->Signal(), siTxChar);
}

// The three pages written as pictures, and the lamps seen on the debugging page: red while data
// flows, black 150 ms after the last byte; the Tx lamp red after a sentence goes out.
TEST_F(Form, PicturesOfThePagesAndTheLampsOnScreen) {
  auto line = std::make_shared<serial::FakeLine>();
  serial::ScopedFake fake("LAMPS", line);
  c->ComPort1->SetDeviceName("LAMPS");
  c->Show();
  Pump();
  for (auto [sheet, name] : {std::pair{c->TabSheet1, "comms_nmea_in.png"},
                             std::pair{c->TabSheet2, "comms_nmea_out.png"}}) {
    c->PageControl1->SetActivePage(sheet);
    Pump();
    gdi::SavePngFile(name, win::ComposeScreen());
    fs::copy_file(name, old / name, fs::copy_options::overwrite_existing);
  }
  c->PageControl1->SetActivePage(c->TabSheet3);
  EXPECT_EQ(Centre(c->Shape3), gdi::RGB(0, 0, 0));
  c->ComPort1->Open();
  std::string sentences = "\n";
  for (int i = 0; i < 40; ++i) sentences += "$IIDBT,,f,7.5,M,,F*00\r\n";
  line->Feed(sentences);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (c->Memo2->Lines()->Count() < 40 && std::chrono::steady_clock::now() < end)
    rtl::CheckSynchronize(5);
  ASSERT_EQ(c->Memo2->Lines()->Count(), 40);
  EXPECT_EQ(Centre(c->Shape3), gdi::RGB(255, 0, 0));
  c->SendSentence("$PTAK,FFD1,99");
  EXPECT_EQ(Centre(c->Shape5), gdi::RGB(255, 0, 0));
  gdi::SavePngFile("comms_debugging.png", win::ComposeScreen());
  fs::copy_file("comms_debugging.png", old / "comms_debugging.png",
                fs::copy_options::overwrite_existing);
  Advance(150);
  EXPECT_EQ(Centre(c->Shape3), gdi::RGB(0, 0, 0));
  EXPECT_EQ(Centre(c->Shape5), gdi::RGB(0, 0, 0));
  EXPECT_EQ(line->TakeWritten(), "$PTAK,FFD1,99*7B\r\n");
  c->ComPort1->Close();
}

}  // namespace
