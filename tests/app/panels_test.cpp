// The panel activation list both ways, the value labels' font sizing, the splitter and the small
// window commands, on a shown main window driven by clicks.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/mainform.h"
#include "link/comsettings.h"
#include "docking/dklayout.h"
#include "platform/vcl/screen.h"
#include "platform/win/system.h"
#include "tests/app/layoutchecks.h"
#include "tests/platform/vcl/vcltest.h"
#include "tests/screenshown.h"

namespace {

class Panels : public vcltest::VclTest {
 protected:
  void SetUp() override {
    // Closing the window writes its settings file: into a directory of this test's own.
    old = std::filesystem::current_path();
    char pattern[] = "/tmp/corv-panels-XXXXXX";
    dir = ::mkdtemp(pattern);
    std::filesystem::current_path(dir);
    VclTest::SetUp();
    instruments = std::make_unique<Tcomms>(nullptr);
    comms = instruments.get();
    form = new TForm1(app.get());
    form->OnCreate = {};  // the start-up's files are not needed here
    form->Show();
    Pump();
  }
  void TearDown() override {
    comms = nullptr;
    instruments.reset();
    VclTest::TearDown();
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
  }
  // A user's click on the check box of item i.
  void ClickCheck(vcl::TCheckListBox* list, int i) {
    const vcl::TRect r = list->ItemRect(i);
    Click(list, r.left + 4, (r.top + r.bottom) / 2);
  }

  std::filesystem::path old, dir;
  std::unique_ptr<Tcomms> instruments;
  TForm1* form = nullptr;
};

TEST_F(Panels, EveryToolWindowStandsInItsDockWithItsContent) {
  for (int n = 1; n <= 31; ++n) {
    ASSERT_NE(form->DKToolWindow[n], nullptr) << n;
    EXPECT_EQ(form->DKToolWindow[n]->Name(), "DKToolWindow" + std::to_string(n));
    EXPECT_EQ(form->FindComponent("DKToolWindow" + std::to_string(n)), form->DKToolWindow[n]);
  }
  EXPECT_EQ(form->chTwd->Parent(), form->DKToolWindow[14]);
  EXPECT_EQ(form->chTwd->SeriesCount(), 2);
  EXPECT_EQ(form->chDepth->Parent(), form->DKToolWindow[26]);
  EXPECT_EQ(form->Panel5->Parent(), form->DKToolWindow[11]);
  EXPECT_EQ(form->Panel7->Parent(), form->DKToolWindow[5]);
  EXPECT_EQ(form->AAGauge1->Parent(), form->DKToolWindow[24]);
  EXPECT_EQ(form->AAGauge2->Parent(), form->DKToolWindow[23]);
  EXPECT_EQ(form->AAGauge1->Caption(), "perf%");
  EXPECT_EQ(form->AAGauge2->Scale(), 50);
  EXPECT_EQ(form->AAGauge3->Angle(), 360);
  EXPECT_EQ(form->AAGauge3->AntiAliased(), aaBiline);
  EXPECT_EQ(form->Panel21->Parent(), form);
  EXPECT_EQ(form->DKToolWindow[7]->Parent(), form->DKDock1);
  EXPECT_EQ(form->Splitter1->Align(), vcl::alLeft);
  EXPECT_EQ(form->FindComponent("Panel1"), form->Panel1);
  EXPECT_EQ(form->Panel1->Parent(), form->DKToolWindow[7]);  // the SOG panel, not the tool bar
}

TEST_F(Panels, ActivationListShowsAndSetsTheWindows) {
  form->DKToolWindow[29]->SetVisible(false);
  form->DKToolWindow[5]->SetVisible(true);
  EXPECT_FALSE(form->Panel21->Visible());
  Click(form->SpeedButton19);
  ASSERT_TRUE(form->Panel21->Showing());
  vcl::TCheckListBox* numbers = form->CheckListBox2;
  EXPECT_EQ(numbers->Items()->Strings(13), "Apparent Wind Angle");
  EXPECT_FALSE(numbers->Checked(13));
  EXPECT_EQ(numbers->Items()->Strings(15), "Heading ");
  EXPECT_TRUE(numbers->Checked(15));
  EXPECT_EQ(form->DKToolWindow[5]->Caption(), "Heading True");
  EXPECT_EQ(form->DKToolWindow[29]->Caption(), "App WA");

  // Ticking the first shows App WA, unticking the second hides the heading.
  ClickCheck(numbers, 13);
  EXPECT_TRUE(form->DKToolWindow[29]->Visible());
  ClickCheck(numbers, 15);
  EXPECT_FALSE(form->DKToolWindow[5]->Visible());
  // The chart and gauge lists.
  EXPECT_EQ(form->CheckListBox1->Items()->Strings(5), "True Wind Direction");
  ClickCheck(form->CheckListBox1, 5);
  EXPECT_FALSE(form->DKToolWindow[14]->Visible());
  EXPECT_EQ(form->DKToolWindow[14]->Caption(), "GEO wind Angle");
  ClickCheck(form->CheckListBox3, 0);
  EXPECT_FALSE(form->DKToolWindow[25]->Visible());
  EXPECT_EQ(form->AAGauge3->Parent(), form->DKToolWindow[25]);

  Click(form->BitBtn1);
  EXPECT_FALSE(form->Panel21->Visible());
}

TEST_F(Panels, AClosedVideoWindowStaysClosedAtTheNextClickInTheList) {
  Click(form->SpeedButton19);
  EXPECT_FALSE(form->CheckListBox4->Checked(0));
  ClickCheck(form->CheckListBox4, 0);
  EXPECT_TRUE(form->DKToolWindow[31]->Visible());
  EXPECT_EQ(form->DKToolWindow[31]->Caption(), "Video");
  Click(form->BitBtn1);
  // The user closes the video window, opens the list again and clicks another list.
  form->DKToolWindow[31]->SetVisible(false);
  Click(form->SpeedButton19);
  EXPECT_FALSE(form->CheckListBox4->Checked(0));
  ClickCheck(form->CheckListBox2, 0);
  EXPECT_FALSE(form->DKToolWindow[31]->Visible());
  EXPECT_FALSE(form->DKToolWindow[11]->Visible());
}

TEST_F(Panels, ValueLabelFontIsThePanelHeightLessThirtyTwo) {
  const std::vector<std::pair<vcl::TPanel*, vcl::TLabel*>> pairs = {
      {form->Panel1, form->Label3},   {form->Panel2, form->Label9},
      {form->Panel3, form->Label6},   {form->Panel4, form->Label12},
      {form->Panel5, form->Label15},  {form->Panel6, form->Label18},
      {form->Panel7, form->Label84},  {form->Panel8, form->Label89},
      {form->Panel10, form->Label29}, {form->Panel11, form->Label32},
      {form->Panel12, form->Label98}, {form->Panel13, form->Label104},
      {form->Panel22, form->Label48}, {form->Panel23, form->Label52}};
  for (auto [panel, label] : pairs) {
    EXPECT_EQ(label->Parent(), panel);
    EXPECT_EQ(label->Font()->Name(), "DSEG7 Classic");
    EXPECT_EQ(label->Font()->Height(), panel->Height() - 32) << panel->Name();
    panel->SetAlign(vcl::alNone);
    panel->SetHeight(40);
    EXPECT_EQ(label->Font()->Height(), 8) << panel->Name();
    // Below 33 pixels the font would vanish or turn upside down: one pixel at least.
    panel->SetHeight(20);
    EXPECT_EQ(label->Font()->Height(), 1) << panel->Name();
  }
  EXPECT_EQ(TForm1::ValueFontHeight(33), 1);
  EXPECT_EQ(TForm1::ValueFontHeight(0), 1);
}

TEST_F(Panels, SplitterAndSmallCommands) {
  // The left dock is as wide as its columns of windows need: the splitter's requests for another
  // width are answered by the dock arranging its windows again, and the splitter stays at its edge.
  const int columns = form->DKDock1->Width();
  int size = 300;
  bool accept = true;
  form->Splitter1->OnCanResize(form->Splitter1, size, accept);
  EXPECT_EQ(form->DKDock1->Width(), columns);
  form->Splitter1->OnMoved(form->Splitter1);
  EXPECT_EQ(form->DKDock1->Width(), columns);
  EXPECT_EQ(form->Splitter1->Left(), form->DKDock1->Left() + columns);
  // Three columns of windows 136 client pixels wide in a 2-pixel frame.
  EXPECT_EQ(columns, 3 * (136 + 2 + 2));
  // The same by the user's hand: the splitter dragged 100 pixels into the map's place.
  Drag(form->Splitter1, 2, 100, 102, 100);
  EXPECT_EQ(form->DKDock1->Width(), columns);
  EXPECT_EQ(form->Splitter1->Left(), form->DKDock1->Left() + columns);
  EXPECT_EQ(form->DKToolWindow[7]->Parent(), form->DKDock1);

  // The replay tool bar follows its button.
  const bool shown = form->DKToolbar4->Visible();
  Click(form->SpeedButton25);
  EXPECT_EQ(form->DKToolbar4->Visible(), !shown);
  Click(form->SpeedButton25);
  EXPECT_EQ(form->DKToolbar4->Visible(), shown);
  EXPECT_EQ(form->SpeedButton9->Parent(), form->DKToolbar4);

  form->NMUDP1DataReceived(nullptr, 12, "10.0.0.1", 10110);
  form->NMUDP1DataReceived(nullptr, 30, "10.0.0.1", 10110);
  EXPECT_EQ(form->fUdpByteCount, 42);
  form->SpeedButton26Click(nullptr);
  form->SpeedButton46Click(nullptr);
  EXPECT_TRUE(form->Visible());
  form->SpeedButton6Click(nullptr);
  Pump();
  EXPECT_FALSE(form->Visible());
}

// A hand-edited layout that closes every tool bar: the main ones stay (nothing else could show
// them again), the replay tool bar closes, and a window moved to another dock goes there.
TEST_F(Panels, ALoadedLayoutNeverHidesTheMainToolBars) {
  std::ofstream("corvatalen.ini")
      << "[DKToolbar1]\r\nRev=2000\r\nVisible=0\r\nDockedTo=DKDock4\r\n"
         "[DKToolbar2]\r\nRev=2000\r\nVisible=0\r\nDockedTo=DKDock4\r\n"
         "[DKToolbar4]\r\nRev=2000\r\nVisible=0\r\nDockedTo=DKDock4\r\n"
         "[DKToolWindow24]\r\nRev=2000\r\nVisible=1\r\nDockedTo=DKDock1\r\nDockRow=3\r\n";
  docking::DKIniLoadPositions(form, "corvatalen.ini", "");
  Pump();
  EXPECT_TRUE(form->DKToolbar1->Visible());
  EXPECT_TRUE(form->DKToolbar2->Visible());
  EXPECT_FALSE(form->DKToolbar4->Visible());
  EXPECT_EQ(form->DKToolWindow[24]->CurrentDock(), form->DKDock1);
  EXPECT_EQ(form->AAGauge1->Parent(), form->DKToolWindow[24]);
  Click(form->SpeedButton25);
  EXPECT_TRUE(form->DKToolbar4->Visible());
}

// With the sdl display the main window covers the screen's work area and follows its size.
TEST_F(Panels, AWindowFillingTheScreenFollowsItsSize) {
  form->FillScreen();
  Pump();
  const vcl::TRect area = vcl::Screen->WorkAreaRect();
  EXPECT_EQ(form->BoundsRect(), area);
  win::ResizeScreen(1024, 700);
  Pump();
  EXPECT_EQ(form->Left(), 0);
  EXPECT_EQ(form->Width(), 1024);
  EXPECT_EQ(form->Height(), 700);
  // The docks follow: the lower bottom dock ends on the status line, inside the window.
  EXPECT_EQ(form->DKDock2->Top() + form->DKDock2->Height(), form->StatusPanel->Top());
  EXPECT_LE(form->StatusPanel->Top() + form->StatusPanel->Height(), form->ClientHeight());
}

}  // namespace

// The main window's own layout: windows moved to another dock and row, floated, sized and closed,
// the replay tool bar floated with a width; the window destroyed and made again finds every one
// of its 34 dockable windows where it was left.
TEST_F(Panels, TheMainWindowsLayoutComesBackWhole) {
  auto places = [this] {
    std::map<std::string, std::tuple<std::string, int, int, vcl::TRect, int, int, bool>> m;
    for (int i = 0; i < form->ComponentCount(); ++i) {
      auto* w = dynamic_cast<docking::TDKCustomDockableWindow*>(form->Components(i));
      if (!w) continue;
      const std::string dock = w->Floating()       ? "+"
                               : w->CurrentDock() ? w->CurrentDock()->Name()
                                                  : "";
      const vcl::TRect frame =
          w->Floating() ? w->FloatingWindowParent()->BoundsRect() : w->BoundsRect();
      m[w->Name()] = {dock,  w->DockRow(),     w->DockPos(),  frame,
                      w->ClientWidth(), w->ClientHeight(), w->Visible()};
    }
    return m;
  };
  form->DKToolWindow[24]->SetDockRow(3);
  form->DKToolWindow[24]->SetCurrentDock(form->DKDock1);
  form->DKToolWindow[11]->SetFloatingPosition(vcl::TPoint{600, 300});
  form->DKToolWindow[11]->SetFloating(true);
  form->DKToolWindow[11]->SetClientAreaSize(200, 90);
  form->DKToolWindow[2]->Close();
  form->DKToolWindow[31]->Show();
  form->DKToolbar4->SetFloatingPosition(vcl::TPoint{500, 500});
  form->DKToolbar4->SetFloating(true);
  form->DKToolbar4->SetFloatingWidth(300);
  Pump();
  const auto before = places();
  ASSERT_EQ(before.size(), 34u);
  docking::DKIniSavePositions(form, "corvatalen.ini", "");
  delete form;
  form = new TForm1(app.get());
  form->OnCreate = {};
  form->Show();
  Pump();
  docking::DKIniLoadPositions(form, "corvatalen.ini", "");
  Pump();
  EXPECT_EQ(places(), before);
  EXPECT_EQ(form->AAGauge1->Parent(), form->DKToolWindow[24]);
  EXPECT_EQ(form->cap->Parent(), form->DKToolWindow[31]);
}

namespace {

// Smaller, the docked windows give up length and the map keeps its minimum; larger again, each is
// back where it was; a layout saved while small is the full size's.
TEST_F(Panels, ASmallWindowGivesWayAndGrowingBackRestoresTheLayout) {
  form->FillScreen();
  form->DKToolWindow[31]->Show();  // floating at (780, 100): off a narrow screen's edge
  Pump();
  const auto full = apptest::DockedPlacesOf(form);
  docking::DKIniSavePositions(form, "full.ini", "");
  const win::SIZE minimum = form->MinimumClientSize();
  EXPECT_LE(minimum.cx, form->ClientWidth());
  EXPECT_LE(minimum.cy, form->ClientHeight());
  // The window manager keeps the window at or above its minimum; below it (the desktop made
  // smaller) the docks put away what does not fit.
  for (const win::SIZE s : {win::SIZE{minimum.cx, 760}, win::SIZE{1100, minimum.cy}, minimum,
                            win::SIZE{1024, 581}, win::SIZE{800, 581}}) {
    SCOPED_TRACE(std::to_string(s.cx) + "x" + std::to_string(s.cy));
    win::ResizeScreen(s.cx, s.cy);
    Pump();
    apptest::ExpectUsable(form);
    // The side docks keep their columns.
    for (const auto& [name, place] : apptest::DockedPlacesOf(form)) {
      auto* w = static_cast<docking::TDKCustomDockableWindow*>(form->FindComponent(name));
      if (w->CurrentDock() == form->DKDock1 || w->CurrentDock() == form->DKDock3) {
        EXPECT_EQ(w->EffectiveDockRow(), w->DockRow()) << name;
      }
    }
  }
  docking::DKIniSavePositions(form, "small.ini", "");
  // The same but for the floating window, which was moved onto the narrower screen.
  auto docked = [](const char* file) {
    std::ifstream in(file);
    std::string text(std::istreambuf_iterator<char>(in), {});
    const size_t at = text.find("[DKToolWindow31]");
    return text.erase(at, text.find("\r\n\r\n", at) - at);
  };
  EXPECT_EQ(docked("full.ini"), docked("small.ini"));
  win::ResizeScreen(1280, 800);
  Pump();
  EXPECT_EQ(apptest::DockedPlacesOf(form), full);
}

// What the main window tells the window the screen is shown in.
struct FramedScreen : TRecordingScreen {
  void SetTitle(const std::string& t) override { title = t; }
  void SetMinimumSize(int w, int h) override { minimum = {w, h}; }
  void FrameCommand(win::UINT c) override { commands.push_back(c); }
  std::string title;
  win::SIZE minimum{0, 0};
  std::vector<win::UINT> commands;
};

// Its caption, system commands and minimum size go to the frame; a desktop too small for that
// opens it maximised.
TEST_F(Panels, AWindowFillingTheScreenLeavesItsFrameToTheWindowManager) {
  auto frame = std::make_shared<FramedScreen>();
  win::SetBackend(frame);
  win::ResizeScreen(800, 600);
  form->FillScreen();
  Pump();
  EXPECT_EQ(form->BorderStyle(), vcl::bsNone);
  EXPECT_EQ(form->ClientWidth(), 800);
  EXPECT_EQ(frame->title, "Corvatalen");
  form->SetCaption("Corvatalen - Recording");
  EXPECT_EQ(frame->title, "Corvatalen - Recording");
  EXPECT_EQ(frame->minimum, form->MinimumClientSize());
  EXPECT_EQ(frame->commands, std::vector<win::UINT>{win::SC_MAXIMIZE});
  apptest::ExpectUsable(form);
  win::SendMessage(form->Handle(), win::WM_SYSCOMMAND, win::SC_MINIMIZE, 0);
  EXPECT_EQ(frame->commands.back(), win::SC_MINIMIZE);
  EXPECT_TRUE(form->Visible());
  win::SetBackend(nullptr);
}

}  // namespace
