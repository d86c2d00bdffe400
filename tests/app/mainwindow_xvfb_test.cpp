// The main window on Xvfb under openbox, from 800 x 600 to 1920 x 1080, resized, maximised,
// restored, closed with alt+F4 and started again, and closed while a dialog is open.
#include <gtest/gtest.h>

#include <SDL.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "platform/display/xconnection.h"
#include "platform/rtl/inifiles.h"
#include "tests/app/layoutchecks.h"
#include "tests/app/programfixture.h"
#include "tests/app/runprogram.h"
#include "tests/app/wmdisplay.h"
#include "tests/tempdir.h"

namespace {

using namespace std::chrono_literals;

// A client window on the X screen and the frame openbox puts around it.
struct Placed {
  int x = 0, y = 0, width = 0, height = 0;
  int left = 0, right = 0, top = 0, bottom = 0;
};

// The value after `key` in xwininfo's or xprop's text, or -1.
int After(const std::string& text, const std::string& key) {
  const size_t at = text.find(key);
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + key.size());
}

// Where xwininfo puts the window, and _NET_FRAME_EXTENTS; nothing while openbox has not framed it.
std::optional<Placed> Measure(const apptest::WmDisplay& d, const std::string& id) {
  const std::string info = d.Run("xwininfo -id " + id + " 2>/dev/null");
  const std::string ext = d.Run("xprop -id " + id + " _NET_FRAME_EXTENTS 2>/dev/null");
  const size_t eq = ext.find(" = ");
  if (info.find("IsViewable") == std::string::npos || eq == std::string::npos) return std::nullopt;
  Placed p;
  p.x = After(info, "Absolute upper-left X:");
  p.y = After(info, "Absolute upper-left Y:");
  p.width = After(info, "Width:");
  p.height = After(info, "Height:");
  char comma;
  std::istringstream(ext.substr(eq + 3)) >> p.left >> comma >> p.right >> comma >> p.top >>
      comma >> p.bottom;
  return p;
}

// What ImageMagick says of a w x h part at (x, y) of a picture.
std::string Part(const std::string& png, int w, int h, int x, int y, const std::string& what) {
  return xvfb::Output("convert '" + png + "' -crop " + std::to_string(w) + "x" + std::to_string(h) +
                      "+" + std::to_string(x) + "+" + std::to_string(y) + " +repage " + what +
                      " 2>/dev/null");
}

// Rows at the top of the client area painted mostly in a caption's blue: a title bar of the form's
// own under the window manager's.
int CaptionRows(const std::string& png, const Placed& p) {
  int blue[24] = {}, all[24] = {};
  std::istringstream lines(Part(png, p.width, 24, p.x, p.y, "txt:-"));
  for (std::string line; std::getline(lines, line);) {
    int x, y, r, g, b;
    if (std::sscanf(line.c_str(), "%d,%d: (%d,%d,%d", &x, &y, &r, &g, &b) != 5 || y < 0 || y >= 24)
      continue;
    ++all[y];
    blue[y] += b > r + 60 && b > g + 20;
  }
  int rows = 0;
  for (int y = 0; y < 24; ++y) rows += all[y] > 0 && blue[y] * 2 > all[y];
  return rows;
}

bool Maximised(const apptest::WmDisplay& d, const std::string& id) {
  return d.Run("xprop -id " + id + " _NET_WM_STATE").find("MAXIMIZED_HORZ") != std::string::npos;
}

class MainWindowOnScreen : public ::testing::TestWithParam<const char*> {};

// The program as a user starts it: the whole window, frame and status line, on the screen, as
// large as the screen lets it be, with one title bar.
TEST_P(MainWindowOnScreen, OpensInsideTheScreenWithOneTitleBar) {
  ASSERT_TRUE(xvfb::Have("openbox") && xvfb::Have("xdotool") && xvfb::Have("xwininfo") &&
              xvfb::Have("import"));
  const std::string screen = GetParam();
  const int screenW = std::atoi(screen.c_str()), screenH = std::atoi(screen.c_str() + screen.find('x') + 1);
  apptest::WmDisplay display(true, screen + "x24");
  ASSERT_TRUE(display.Started());
  const TempDir dir("corv-mainwindow");
  const std::string prepare =
      "'" CORV_SOURCE_DIR "/scripts/prepare-workdir.sh' '" + dir.path() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(prepare.c_str()), 0);
  std::ofstream(dir / "corvatalen.ini") << "[comms]\ncomport=Network\n";
  apptest::RunningProgram program(dir.path(), dir / "stderr.txt", display.Env(dir.path()));
  const std::string shot = ::testing::TempDir() + "mainwindow_" + screen + ".png";
  std::string id;
  std::optional<Placed> placed;
  // Colours in a strip 30 pixels high across the client area, `top` pixels down.
  auto colours = [&](int top) {
    return std::atoi(
        Part(shot, placed->width, 30, placed->x, placed->y + top, "-format %k info:").c_str());
  };
  // Up and drawn: framed by openbox, its tool bars at the top of the client area and the status
  // line at the bottom painted.
  const bool up = program.WaitUntil(
      [&] {
        id = display.Xdo("search --onlyvisible --name '^Corvatalen' 2>/dev/null | head -1");
        while (!id.empty() && (id.back() == '\n')) id.pop_back();
        if (id.empty() || !(placed = Measure(display, id))) return false;
        display.Run("import -window root png:'" + shot + "' 2>/dev/null");
        // The two smallest screens hold less than the designed layout: there it opens maximised.
        return colours(0) > 3 && colours(placed->height - 30) > 3 &&
               Maximised(display, id) == (screenH == 600);
      },
      120s);
  ASSERT_TRUE(up) << apptest::FileText(dir / "stderr.txt");
  const Placed p = *placed;
  // Inside the screen, frame included, and as large as it lets it be (Xvfb has no panels).
  EXPECT_EQ(p.x - p.left, 0);
  EXPECT_EQ(p.y - p.top, 0);
  EXPECT_EQ(p.x + p.width + p.right, screenW);
  EXPECT_EQ(p.y + p.height + p.bottom, screenH);
  EXPECT_GT(p.top, 0) << "openbox gave the window no title bar";
  EXPECT_EQ(CaptionRows(shot, p), 0) << "a title bar of the form's own in " << shot;
  EXPECT_TRUE(apptest::ExitedWith(program.Stop(SIGTERM, 20s), 0))
      << apptest::FileText(dir / "stderr.txt");
}

INSTANTIATE_TEST_SUITE_P(Screens, MainWindowOnScreen,
                         ::testing::Values("1024x768", "1366x768", "1280x800", "1920x1080",
                                           "1024x600", "800x600"),
                         [](const auto& info) { return std::string(info.param); });

// The program in process, its window on an openbox screen of 1280 x 800.
class MainWindowResized : public apptest::ProgramFixture {
 protected:
  // Starts the program as it starts on a desktop: the window fitted to it, the form filling it.
  void Open() {
    Start();
    std::string error;
    backend = display::SdlBackend::Create(&error, true);
    ASSERT_TRUE(backend) << error;
    win::SetBackend(backend);
    Form1->FillScreen();
    backend->OnCloseRequest = [this] {
      ++closesAsked;
      Form1->CloseFromFrame();
    };
    Form1->Show();
    Advance(10700);  // the delayed start-up, after which a close writes the settings
    id = std::to_string(display::XWindowOf(backend->Window()));
    if (x->Managed()) {
      ASSERT_TRUE(PumpUntil([&] { return Measure(*x, id).has_value(); }));
    }
  }
  // The program on a screen of its own, without instruments.
  void OpenOnScreen(const std::string& screen = "1280x800", bool windowManager = true) {
    x = std::make_unique<apptest::WmDisplay>(windowManager, screen + "x24");
    ASSERT_TRUE(x->Started());
    setenv("DISPLAY", x->Name().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    WriteIni("[comms]\ncomport=Network\n");
    Open();
  }
  void Close() {
    if (backend) backend->OnCloseRequest = nullptr;
    if (win::IsInitialized()) win::SetBackend(nullptr);
    backend.reset();
    Stop();
  }
  void TearDown() override {
    Close();
    // SDL's video is bound to this test's display, which goes with the test.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    ProgramFixture::TearDown();
  }
  // Runs the program until done() holds (at most a minute); what the window manager did and the
  // program's answer to it take their time on a loaded machine.
  bool PumpUntil(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < until) {
      app->ProcessMessages();
      if (done()) return true;
      xvfb::PumpFor(20);
    }
    return done();
  }
  // Waits for the screen to take the window's new size and for the layout to follow it.
  void Settle(const std::function<bool(const Placed&)>& windowManagerDone, const char* step) {
    ASSERT_TRUE(PumpUntil([&] {
      const auto p = Measure(*x, id);
      return p && windowManagerDone(*p) && win::ScreenWidth() == p->width &&
             win::ScreenHeight() == p->height;
    })) << step;
    Advance(500);
    SCOPED_TRACE(step);
    apptest::ExpectUsable(Form1);
  }

  std::unique_ptr<apptest::WmDisplay> x;
  std::shared_ptr<display::SdlBackend> backend;
  std::string id;
  int closesAsked = 0;  // by the window manager
};

TEST_F(MainWindowResized, ThroughTheWindowManagerAndBackAndAfterACloseAndStart) {
  ASSERT_TRUE(xvfb::Have("openbox") && xvfb::Have("xdotool") && xvfb::Have("wmctrl"));
  OpenOnScreen();
  ASSERT_FALSE(HasFatalFailure());
  const win::SIZE full{win::ScreenWidth(), win::ScreenHeight()};
  const win::SIZE least = Form1->MinimumClientSize();
  const apptest::DockedPlaces atFull = apptest::DockedPlacesOf(Form1);
  apptest::ExpectUsable(Form1);
  // Sizes asked of the window manager; it keeps them between the window's minimum and the
  // screen.
  auto resize = [&](int w, int h, const char* step) {
    x->Xdo("windowsize " + id + " " + std::to_string(w) + " " + std::to_string(h));
    const int ww = std::clamp(w, int(least.cx), int(full.cx)), wh = std::clamp(h, int(least.cy), int(full.cy));
    Settle([&](const Placed& p) { return p.width == ww && p.height == wh; }, step);
  };
  resize(1280, 760, "1_1280x760");
  const apptest::DockedPlaces at1280 = apptest::DockedPlacesOf(Form1);
  resize(1000, 650, "2_1000x650");
  resize(1280, 760, "3_1280x760");
  EXPECT_EQ(apptest::DockedPlacesOf(Form1), at1280);
  const std::string states = "xprop -id " + id + " _NET_WM_STATE";
  x->Run("wmctrl -i -r " + id + " -b add,maximized_vert,maximized_horz");
  Settle([&](const Placed&) { return x->Run(states).find("MAXIMIZED_HORZ") != std::string::npos; },
         "4_maximised");
  if (win::ScreenWidth() == full.cx && win::ScreenHeight() == full.cy) {
    EXPECT_EQ(apptest::DockedPlacesOf(Form1), atFull);
  }
  x->Run("wmctrl -i -r " + id + " -b remove,maximized_vert,maximized_horz");
  Settle([&](const Placed& p) {
    return x->Run(states).find("MAXIMIZED") == std::string::npos && p.height == 760;
  }, "5_restored");
  EXPECT_EQ(apptest::DockedPlacesOf(Form1), at1280);

  // Closed by the window manager, and started again.
  const std::string said = x->Xdo("windowactivate --sync " + id + " 2>&1") +
                           x->Xdo("key --clearmodifiers alt+F4 2>&1");
  ASSERT_TRUE(PumpUntil([&] { return app->Terminated() || !Form1->Visible(); }))
      << said
      << "alt+F4 did not close the window" << testing::PrintToString(boxes);
  Close();
  rtl::TIniFile ini("corvatalen.ini");
  EXPECT_TRUE(ini.SectionExists("DKToolWindow1"));
  Open();
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(win::ScreenWidth(), full.cx);
  EXPECT_EQ(win::ScreenHeight(), full.cy);
  EXPECT_EQ(apptest::DockedPlacesOf(Form1), atFull);
}

// wmctrl closes the frame while the settings dialog is open: the close waits for the dialog.
// Opened under openbox on a screen that holds the designed layout and on two that do not: there
// maximised, with windows put away; everywhere every window whole or away, none over another.
class MainWindowLaidOut : public MainWindowResized,
                          public ::testing::WithParamInterface<const char*> {};

TEST_P(MainWindowLaidOut, EveryWindowWholeOrPutAway) {
  ASSERT_TRUE(xvfb::Have("openbox") && xvfb::Have("xwininfo"));
  const bool small = std::string(GetParam()).ends_with("x600");
  OpenOnScreen(GetParam());
  ASSERT_FALSE(HasFatalFailure());
  Settle([&](const Placed&) { return Maximised(*x, id) == small; }, GetParam());
  int putAway = 0;
  for (int i = 0; i < Form1->ComponentCount(); ++i)
    if (auto* w = dynamic_cast<docking::TDKCustomDockableWindow*>(Form1->Components(i)))
      putAway += w->Visible() && w->PutAway();
  EXPECT_EQ(putAway > 0, small);
}

INSTANTIATE_TEST_SUITE_P(Screens, MainWindowLaidOut,
                         ::testing::Values("1024x768", "1024x600", "800x600"),
                         [](const auto& info) { return std::string(info.param); });

// A window manager started after the window, as a session that starts it last does, frames the
// window where it stands: the window makes room for the frame, which stays on the screen.
TEST_F(MainWindowResized, AWindowManagerStartedLaterFramesItInsideTheScreen) {
  ASSERT_TRUE(xvfb::Have("openbox") && xvfb::Have("xwininfo"));
  OpenOnScreen("1280x800", false);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(x->StartWindowManager());
  Settle(
      [](const Placed& p) {
        return p.top > 0 && p.y + p.height + p.bottom <= 800 && p.x + p.width + p.right <= 1280;
      },
      "framed");
}

TEST_F(MainWindowResized, AFrameCloseWaitsForTheOpenSettingsDialog) {
  ASSERT_TRUE(xvfb::Have("openbox") && xvfb::Have("wmctrl"));
  OpenOnScreen();
  ASSERT_FALSE(HasFatalFailure());
  answer = [](const vcl::TDialogRequest& r) {  // the dialog is the test's
    return r.Kind == "Form" ? std::nullopt : std::optional(vcl::TDialogAnswer{});
  };
  bool asked = false, runsOn = false;
  win::SetTimer(nullptr, 0, 100, [&](win::HWND, win::UINT, win::UINT_PTR timer, win::DWORD) {
    win::KillTimer(nullptr, timer);
    x->Run("wmctrl -i -c " + id);
    asked = PumpUntil([&] { return closesAsked > 0; });
    for (int i = 0; i < 10; ++i) app->ProcessMessages();
    runsOn = !app->Terminated() && Settings->Visible() && Form1->Visible();
    Settings->Edit11->SetText("37.5");
    Settings->SetModalResult(vcl::mrOk);
  });
  Form1->SpeedButton20->Click();
  EXPECT_TRUE(asked) << "the window manager's close did not arrive";
  EXPECT_TRUE(runsOn) << "the close did not wait for the dialog";
  EXPECT_FLOAT_EQ(Form1->fTargetAngle, 37.5f);
  EXPECT_TRUE(PumpUntil([&] { return app->Terminated() || !Form1->Visible(); }))
      << "the close asked for while the dialog was open never came";
  Close();
  EXPECT_DOUBLE_EQ(rtl::TIniFile("corvatalen.ini").ReadFloat("settings", "targetangle", 0), 37.5);
}

}  // namespace
