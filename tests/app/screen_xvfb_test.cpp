// The program in process on a real X display (Xvfb) with the SDL backend, which is handed only
// what changed: after a minute of live data, after the window is made smaller, and with a
// dialog opened over the charts and closed again, the X screen shows exactly the screen the
// program composes itself.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/gdi/text.h"
#include "platform/serial/fakedevice.h"
#include "tests/app/apptest.h"
#include "tests/app/programfixture.h"
#include "tests/xvfbtools.h"

namespace {

namespace fs = std::filesystem;

class ScreenOnX : public apptest::ProgramFixture {
 protected:
  void TearDown() override {
    if (win::IsInitialized()) win::SetBackend(nullptr);
    backend.reset();
    // SDL's video is bound to this test's display, which goes with the test.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    ProgramFixture::TearDown();
  }
  // The picture as the program has it now against the X screen, both kept under `name`.
  long Differing(const std::string& name) {
    app->ProcessMessages();
    return xvfb::DifferingPixels(x.Display(), ::testing::TempDir() + "screen_xvfb_" + name);
  }

  displaytest::XServer x{"1280x800x24"};
  std::shared_ptr<display::SdlBackend> backend;
};

TEST_F(ScreenOnX, TheWindowShowsTheComposedScreenAfterLiveDataAResizeAndADialog) {
  if (!xvfb::Have("import") || !xvfb::Have("compare")) GTEST_SKIP() << "ImageMagick missing";
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", x.Display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  serial::ScopedFake fake("FAKE1", line);
  // The working directory as ./run prepares it, with the faces the panels draw in.
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "plevoran.ttf", "plevoran.ttf");
  const std::string dseg = "/usr/share/fonts/truetype/dseg/DSEG7Classic-Regular.ttf";
  if (fs::exists(dseg)) fs::copy_file(dseg, "lcd2.ttf");
  WriteIni("[comms]\ncomport=FAKE1\n[settings]\nsendperformance=1\n");
  Start();
  std::string error;
  backend = display::SdlBackend::Create(&error);
  ASSERT_TRUE(backend) << error;
  win::SetBackend(backend);
  Form1->Show();
  Advance(10700);  // the delayed start-up opens the port
  ASSERT_TRUE(line->IsOpen());

  for (int s = 0; s < 60; ++s) {
    std::string speed;
    // The first line may start in the middle of a sentence: a line end first.
    FeedAndWait(std::string(s == 0 ? "\n" : "") + apptest::LiveSecond(s, &speed), [&] {
      char text[16];
      std::snprintf(text, sizeof text, "%.1f", comms->fSpeedOverGround);
      return speed == text;
    });
    ASSERT_FALSE(HasFatalFailure()) << s;
    Advance(1000);
  }
  EXPECT_EQ(Form1->chSpeed->Series(0)->Count(), 61) << "the charts carry the minute";
  EXPECT_EQ(Differing("minute"), 0);
  // Not two empty pictures: panels, gauges and charts in many colours.
  const std::string colours =
      xvfb::Output("identify -format %k '" + ::testing::TempDir() + "screen_xvfb_minute-x.png'");
  EXPECT_GT(std::atoi(colours.c_str()), 20) << colours;

  // The window made smaller, as a user drags its corner: the screen and the layout follow.
  SDL_SetWindowSize(backend->Window(), 1000, 700);
  for (int i = 0; i < 200 && win::ScreenWidth() != 1000; ++i) xvfb::PumpFor(25);
  ASSERT_EQ(win::ScreenWidth(), 1000);
  ASSERT_EQ(win::ScreenHeight(), 700);
  Advance(3000);
  EXPECT_EQ(Differing("resized"), 0);

  // The settings dialog over the performance chart, then closed.
  win::RECT chart{};
  win::GetWindowRect(Form1->chPerformance->Handle(), &chart);
  Settings->SetBounds(chart.left + 20, chart.top + 20, Settings->Width(), Settings->Height());
  Settings->Show();
  Advance(2000);
  EXPECT_TRUE(Settings->Visible());
  EXPECT_EQ(Differing("dialog"), 0);
  Settings->Hide();
  Advance(2000);
  EXPECT_EQ(Differing("dialog_closed"), 0);
  // The faces the window registered at creation go with it (fontconfig keeps them otherwise).
  gdi::RemoveFontResource("lcd2.ttf");
  gdi::RemoveFontResource("plevoran.ttf");
}

}  // namespace
