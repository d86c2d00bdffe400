// The settings, about, sail-table and capture-settings dialogs of the running program, driven
// through their controls on the virtual clock; a picture of each goes where the build keeps its
// files.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/aboutbox.h"
#include "app/graphconfig.h"
#include "app/sailsel.h"
#include "app/settingsform.h"
#include "platform/capture/device.h"
#include "platform/capture/synthetic.h"
#include "platform/gdi/image.h"
#include "platform/gdi/text.h"
#include "platform/vcl/screen.h"
#include "platform/win/paint.h"
#include "platform/win/scriptedinput.h"
#include "platform/win/sinks.h"
#include "tests/app/programfixture.h"
#include "tests/app/pxread.h"

namespace {

namespace fs = std::filesystem;

void Snapshot(const std::string& name) {
  gdi::SavePngFile(std::string(CORV_SNAPSHOT_DIR) + "/" + name, win::ComposeScreen());
}

class AppDialogs : public apptest::ProgramFixture {
 protected:
  void StartProgram() {
    WriteIni("[comms]\ncomport=Network\n");
    // The symbol face the about box draws its boat in, as the program's folder holds it.
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "plevoran.ttf", "plevoran.ttf");
    Start();
    script = std::make_unique<win::InputScript>();
    // Dialogs are the script's; boxes are answered with their first button.
    answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
      if (r.Kind == "Form") return std::nullopt;
      return vcl::TDialogAnswer{};
    };
  }
  void TearDown() override {
    script.reset();
    ProgramFixture::TearDown();
    gdi::RemoveFontResource("plevoran.ttf");
  }
  // A click on the control, placed when the step runs (a dialog is placed as it opens).
  void ClickOn(vcl::TControl* c) {
    script->Then([c] {
      const gdi::POINT p = c->ClientToScreen(gdi::POINT{c->Width() / 2, c->Height() / 2});
      win::PostRawInput(win::MouseMove(p.x, p.y));
      win::PostRawInput(win::MouseDown(p.x, p.y));
      win::PostRawInput(win::MouseUp(p.x, p.y));
    });
  }
  void Key(unsigned vk, unsigned times = 1) {
    for (unsigned i = 0; i < times; ++i) script->Key(vk);
  }
  // Input at once, for a form shown beside the main window (not modally): a click at the middle
  // of r in c, and a key, shifted for capitals.
  void ClickNow(vcl::TControl* c, const vcl::TRect& r) {
    const gdi::POINT p =
        c->ClientToScreen(gdi::POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    for (const auto& in : {win::MouseMove(p.x, p.y), win::MouseDown(p.x, p.y), win::MouseUp(p.x, p.y)})
      win::PostRawInput(in);
    app->ProcessMessages();
  }
  // The sail form shown beside the main window (not modally: input goes straight to it), a new
  // row inserted and its first cell clicked.
  Tsailselform& NewSailRow() {
    Advance(10100);
    script.reset();
    Form1->SpeedyButton6->Click();
    Tsailselform& f = *sailselform;
    EXPECT_TRUE(f.Visible());
    ClickNow(f.DBNavigator1, f.DBNavigator1->ButtonRect(vcl::nbInsert));
    ClickNow(f.DBGrid1, f.DBGrid1->CellRect(0, 0));
    return f;
  }
  void KeyNow(unsigned vk, bool shift = false) {
    if (shift) win::PostRawInput(win::KeyDown(win::VK_SHIFT));
    win::PostRawInput(win::KeyDown(vk));
    win::PostRawInput(win::KeyUp(vk));
    if (shift) win::PostRawInput(win::KeyUp(win::VK_SHIFT));
    app->ProcessMessages();
  }
  void Type(const std::string& text) {
    for (char ch : text) {
      if (ch == '.')
        Key(win::VK_OEM_PERIOD);
      else if (ch == '-')
        Key(win::VK_OEM_MINUS);
      else if (ch >= 'a' && ch <= 'z')
        Key(static_cast<unsigned>(ch - 'a' + 'A'));
      else
        Key(static_cast<unsigned>(ch));
    }
  }
  // Replaces a field's text: a click into it, Ctrl+A, the new text.
  void Fill(vcl::TEdit* e, const std::string& text) {
    ClickOn(e);
    script->Then(win::KeyDown(win::VK_CONTROL));
    Key('A');
    script->Then(win::KeyUp(win::VK_CONTROL));
    Type(text);
  }

  std::unique_ptr<win::InputScript> script;
};

// --- Settings -----------------------------------------------------------------------------------

TEST_F(AppDialogs, SettingsOkAppliesEveryFieldCancelNoneAndABadFieldIsNamedAndNothingApplied) {
  StartProgram();
  Advance(10100);
  TSettings& s = *Settings;
  // Tabbing through the filter rows: each field's text replaced (a field tabbed into is
  // selected whole), each track bar put at ten times its row's number.
  const std::vector<std::string> smooth = {"25", "2", "3", "40", "50", "15", "45", "35"};
  Fill(s.SmoothEdits[0], smooth[0]);
  for (int i = 0; i < 8; ++i) {
    Key(win::VK_TAB);
    Key(win::VK_HOME);
    Key(win::VK_NEXT, static_cast<unsigned>(i + 1));
    Key(win::VK_TAB);
    if (i < 7) Type(smooth[static_cast<size_t>(i + 1)]);
  }
  // Then on into the ranges: Range Circle, Lay Lines, Lay Lines Angle.
  Type("45");
  Key(win::VK_TAB);
  Type("12");
  Key(win::VK_TAB);
  Type("38.5");
  Fill(s.Edit13, "1.5");
  Fill(s.Edit14, "-0.5");
  script->Then([] { Snapshot("dialog_settings.png"); });
  ClickOn(s.BitBtn1);
  Form1->General1Click(nullptr);
  EXPECT_TRUE(script->Done());
  EXPECT_EQ(PerformanceSmoothing, 25);
  EXPECT_EQ(SpeedSmoothing, 2);
  EXPECT_EQ(CourseSmoothing, 3);
  EXPECT_EQ(WindSpeedSmoothing, 40);
  EXPECT_EQ(WindAngleSmoothing, 50);
  EXPECT_EQ(TargetSpeedSmoothing, 15);
  EXPECT_EQ(VmgSmoothing, 45);
  EXPECT_EQ(GeoWindAngleSmoothing, 35);
  const int* filters[] = {&PerformanceInputFilter, &SpeedInputFilter,       &CourseInputFilter,
                          &WindSpeedInputFilter,   &WindAngleInputFilter,   &TargetSpeedInputFilter,
                          &VmgInputFilter,         &GeoWindAngleInputFilter};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(*filters[i], 10 * (i + 1)) << i;
  EXPECT_EQ(Form1->fRangeCircle, 45);
  EXPECT_EQ(Form1->fRangeLaylines, 12);
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 38.5f);
  EXPECT_FLOAT_EQ(Form1->fTwaCorrection, 1.5f);
  EXPECT_FLOAT_EQ(Form1->fTwsCorrection, -0.5f);

  // Cancel: what was typed goes nowhere.
  Fill(s.Edit11, "20");
  Fill(s.SmoothEdits[0], "99");
  ClickOn(s.BitBtn2);
  Form1->General1Click(nullptr);
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 38.5f);
  EXPECT_EQ(PerformanceSmoothing, 25);

  // One bad field among good ones: refused by its name, nothing of the others applied.
  struct Bad {
    vcl::TEdit* field;
    std::string text, named;
  };
  const std::vector<Bad> bad = {
      {s.SmoothEdits[2], "0", "Smooth (sec) of Course"},
      {s.SmoothEdits[7], "1000000", "Smooth (sec) of True Wind Dir"},
      {s.Edit11, "90", "Lay Lines Angle"},
      {s.Edit9, "0", "Range Circle"},
      {s.Edit10, "2.5", "Lay Lines"},
      {s.Edit13, "x", "Upwash Factor"},
      {s.Edit14, "-25", "Speed (True Wind Corrections)"},
  };
  for (const Bad& b : bad) {
    Fill(s.SmoothEdits[1], "7");
    Fill(b.field, b.text);
    ClickOn(s.BitBtn1);
    try {
      Form1->General1Click(nullptr);
      ADD_FAILURE() << b.named << " " << b.text << " was taken";
    } catch (const rtl::EConvertError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(b.named + " must be", 0), 0u) << e.what();
    }
    EXPECT_EQ(SpeedSmoothing, 2) << b.named;
    EXPECT_EQ(Form1->fRangeCircle, 45) << b.named;
    EXPECT_FLOAT_EQ(Form1->fTargetAngle, 38.5f) << b.named;
    EXPECT_FLOAT_EQ(Form1->fTwsCorrection, -0.5f) << b.named;
  }
}

// --- About ----------------------------------------------------------------------------------------

TEST_F(AppDialogs, TheSplashClosesItselfAfterFiveSecondsAndTheBoxClosesByOkAndByHelp) {
  StartProgram();
  TAbout& a = *About;
  EXPECT_TRUE(a.Visible());
  EXPECT_EQ(a.BorderStyle(), vcl::bsNone);
  EXPECT_EQ(a.FormStyle(), vcl::fsStayOnTop);
  EXPECT_EQ(a.Color(), gdi::clWhite);
  // Centred on the screen.
  EXPECT_NEAR(a.Left() + a.Width() / 2, vcl::Screen->Width() / 2, 1);
  EXPECT_NEAR(a.Top() + a.Height() / 2, vcl::Screen->Height() / 2, 1);
  Snapshot("dialog_about_splash.png");
  Advance(4900);
  EXPECT_TRUE(a.Visible());
  Advance(200);
  EXPECT_FALSE(a.Visible());

  ClickOn(a.BitBtn1);  // OK
  Form1->SpeedButton3->Click();
  EXPECT_TRUE(script->Done());
  EXPECT_FALSE(a.Visible());

  win::ClearSinks();
  app->SetHelpFile("C:\\projects\\corvatalen\\CORVATALEN.HLP");
  ClickOn(a.BitBtn2);  // help
  Form1->Help1Click(nullptr);
  EXPECT_FALSE(a.Visible());
  const auto help = win::HelpLog();
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].command, static_cast<unsigned>(win::HELP_INDEX));
  EXPECT_EQ(help[0].file, "C:\\projects\\corvatalen\\CORVATALEN.HLP");
}

TEST_F(AppDialogs, AboutWhileTheSplashShowsOpensTheBoxUntilOk) {
  StartProgram();
  Advance(1000);
  ASSERT_TRUE(About->Visible());
  bool modal = false;
  // Past the splash's five seconds, the box the user asked for stays.
  script->After(6000).Then([&] { modal = About->Modal() && About->Visible(); });
  ClickOn(About->BitBtn1);
  Form1->SpeedButton35Click(nullptr);
  EXPECT_TRUE(modal);
  EXPECT_FALSE(About->Visible());
  Advance(5000);
  EXPECT_FALSE(About->Visible());
}

// --- Sails ----------------------------------------------------------------------------------------

TEST_F(AppDialogs, AMissingSailTableIsMadeAndASailTypedInIsKept) {
  ASSERT_FALSE(fs::exists("sails.db"));
  StartProgram();
  ASSERT_TRUE(fs::exists("sails.db"));
  EXPECT_EQ(apptest::ReadWithPxlib("sails.db").fields,
            (std::vector<std::string>{"Sails", "Color"}));
  Tsailselform& f = NewSailRow();
  for (char ch : std::string("GENOA")) KeyNow(static_cast<unsigned>(ch), true);
  KeyNow(win::VK_TAB);
  for (char ch : std::string("255")) KeyNow(static_cast<unsigned>(ch));
  ClickNow(f.DBNavigator1, f.DBNavigator1->ButtonRect(vcl::nbPost));
  Snapshot("dialog_sails.png");
  ClickNow(f.BitBtn1, vcl::TRect{0, 0, f.BitBtn1->Width(), f.BitBtn1->Height()});
  EXPECT_FALSE(f.Visible());
  const apptest::PxTable t = apptest::ReadWithPxlib("sails.db");
  ASSERT_EQ(t.records.size(), 1u);
  EXPECT_EQ(t.texts[0].at("Sails"), "GENOA");
  EXPECT_DOUBLE_EQ(t.records[0].at("Color"), 255);
}

// A sail typed and confirmed with OK, without the navigator's post, is in the file.
TEST_F(AppDialogs, OkPostsASailStillBeingTyped) {
  StartProgram();
  Tsailselform& f = NewSailRow();
  for (char ch : std::string("JIB")) KeyNow(static_cast<unsigned>(ch), true);
  ClickNow(f.BitBtn1, vcl::TRect{0, 0, f.BitBtn1->Width(), f.BitBtn1->Height()});
  EXPECT_FALSE(f.Visible());
  const apptest::PxTable t = apptest::ReadWithPxlib("sails.db");
  ASSERT_EQ(t.records.size(), 1u);
  EXPECT_EQ(t.texts[0].at("Sails"), "JIB");
}

// --- Capture settings -----------------------------------------------------------------------------

class CaptureDialog : public AppDialogs {
 protected:
  void SetUp() override {
    AppDialogs::SetUp();
    capture::Devices().SetScanSystem(false);
    capture::Devices().ClearAdded();
    capture::AddSyntheticCamera("Cam A");
    capture::AddSyntheticCamera("Cam B");
    StartProgram();
    Advance(5100);  // the splash gone
  }
  void TearDown() override {
    AppDialogs::TearDown();
    capture::Devices().ClearAdded();
  }
  // Runs the dialog on the record, `inside` looking at it and working it; true when accepted.
  bool Run(TGraphConfig& c, std::function<void(TFGraphConfig&)> inside, bool ok) {
    script->Then([inside] {
      auto* f = dynamic_cast<TFGraphConfig*>(vcl::Screen->ActiveForm());
      ASSERT_NE(f, nullptr);
      inside(*f);
    });
    // OK by its button (the default one: the Return key), Cancel by Escape.
    const unsigned key = ok ? win::VK_RETURN : win::VK_ESCAPE;
    script->Then(win::KeyDown(key));
    const bool accepted = ExecuteGraphConfig(&c, Form1->cap);
    EXPECT_TRUE(script->Done());
    win::PostRawInput(win::KeyUp(key));
    app->ProcessMessages();
    return accepted;
  }
};

TEST_F(CaptureDialog, ARecordOutsideTheListsOpensOnTheDefaultsAndOkStoresWhatTheDialogHolds) {
  TGraphConfig c;
  c.VCapSource = "Gone Camera";
  c.VComp = "MJPEG Compressor";
  c.DVResolution = 16;  // the settings file's default
  c.PixelFormat = 200;
  c.WantPreview = true;
  c.WantCapture = false;
  c.UseTempFile = true;
  c.CaptureFileName = "a.avi";
  c.PreallocFileSize = 5;
  c.VCapMode.Width = 640;
  c.ACapMode.SampleRate = 44100;
  c.VCompState = "state";
  const bool accepted = Run(
      c,
      [](TFGraphConfig& f) {
        EXPECT_EQ(f.cbVSources->ItemIndex(), -1);
        EXPECT_EQ(f.cbVSources->Items()->IndexOf("Cam B"), 1);
        EXPECT_EQ(f.cbDVResolution->Text(), "Full");
        EXPECT_EQ(f.cbPixelFormat->Text(), "pf24bit");
        EXPECT_TRUE(f.cbVComp->Checked());
        EXPECT_EQ(f.cbVComps->Text(), "MJPEG Compressor");
        EXPECT_FALSE(f.cbAComp->Checked());
        // Each box enables what it governs.
        EXPECT_TRUE(f.cbWantBitmaps->Enabled());
        EXPECT_FALSE(f.feCaptureFile->Enabled());
        EXPECT_FALSE(f.cbDoPreallocCaptureFile->Enabled());
        EXPECT_FALSE(f.sePreallocSize->Enabled());
        EXPECT_TRUE(f.feTempFile->Enabled());
        EXPECT_FALSE(f.cbASources->Enabled());
        f.cbWantCapture->Click();
        EXPECT_TRUE(f.feCaptureFile->Enabled());
        EXPECT_TRUE(f.cbUseTempFile->Enabled());
        f.cbDoPreallocCaptureFile->Click();
        EXPECT_TRUE(f.sePreallocSize->Enabled());
        f.cbWantAudio->Click();
        EXPECT_TRUE(f.cbASources->Enabled());
        f.cbWantPreview->Click();
        EXPECT_FALSE(f.cbWantBitmaps->Enabled());
        Snapshot("dialog_capture.png");
        f.cbVComp->Click();  // the compressor unticked
        EXPECT_FALSE(f.cbVComps->Enabled());
      },
      true);
  EXPECT_TRUE(accepted);
  TGraphConfig expected;  // the defaults, then what the dialog held
  expected.WantPreview = false;
  expected.WantCapture = true;
  expected.WantAudio = true;
  expected.DoPreallocFile = true;
  expected.UseTempFile = true;
  expected.CaptureFileName = "a.avi";
  expected.PreallocFileSize = 5;
  expected.VCompState = "";
  EXPECT_EQ(c.SaveGraph(), expected.SaveGraph());
  EXPECT_EQ(c.VCapSource, "");
  EXPECT_EQ(c.VComp, "");
  EXPECT_EQ(c.VCapMode, TVCapMode{});
  EXPECT_EQ(c.ACapMode, TACapMode{});
  EXPECT_EQ(c.VCompState, "");
}

TEST_F(CaptureDialog, CancelLeavesTheRecordAndAChosenCameraIsStored) {
  TGraphConfig c;
  c.VCapSource = "Cam A";
  c.VCompState = "state";
  c.VCapMode.Width = 320;
  const std::string before = c.SaveGraph();
  EXPECT_FALSE(Run(c, [](TFGraphConfig& f) { f.cbVSources->SetItemIndex(1); }, false));
  EXPECT_EQ(c.SaveGraph(), before);
  EXPECT_EQ(c.VCompState, "state");

  EXPECT_TRUE(Run(
      c,
      [](TFGraphConfig& f) {
        EXPECT_EQ(f.cbVSources->Text(), "Cam A");
        EXPECT_FALSE(f.cbVComp->Checked());
        f.cbVSources->SetItemIndex(1);
        f.cbDVResolution->SetItemIndex(3);
      },
      true));
  EXPECT_EQ(c.VCapSource, "Cam B");
  EXPECT_EQ(c.DVResolution, dvrQuater);
  EXPECT_EQ(c.VCapMode.Width, 0);
}

}  // namespace
