#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/tempdir.h"
#include "tests/xvfbtools.h"

namespace fs = std::filesystem;

namespace {

using xvfb::Have;
using xvfb::Output;
using xvfb::Spawn;
using xvfb::Stop;

// The program on a real X display (Xvfb), started in a working directory prepared as ./run
// prepares it, shows its main window: a screenshot of the root window holds more than the one
// colour of an empty screen.
TEST(Xvfb, TheProgramShowsItsMainWindow) {
#ifndef CORVATALEN_EXE
  GTEST_SKIP() << "the program is not part of this build";
#else
  if (!Have("Xvfb") || !Have("import")) GTEST_SKIP() << "Xvfb or ImageMagick missing";
  std::string name;
  pid_t x = xvfb::StartDisplay(name);
  ASSERT_GT(x, 0) << "Xvfb did not start";

  const TempDir temp("corv_xvfb");
  const std::string blank = temp / "blank.png";
  Output("import -display " + name + " -window root png:" + blank + " 2>&1");
  std::string before = Output("identify -format '%k' " + blank + " 2>/dev/null");

  // The working directory as ./run prepares it.
  const fs::path home = temp / "home";
  std::string prepare = std::string("'") + CORV_SOURCE_DIR + "/scripts/prepare-workdir.sh' '" +
                        home.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(prepare.c_str()), 0);
  pid_t app = Spawn({"sh", "-c", "cd '" + home.string() + "' && exec '" CORVATALEN_EXE "'"},
                    xvfb::ProgramEnv(name, temp.path()));
  // In the build tree, beside the other snapshots, to be looked at.
  const std::string shot = "xvfb_main_window.png";
  std::string colours;
  for (int i = 0; i < 40; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    Output("import -display " + name + " -window root png:" + shot + " 2>&1");
    colours = Output("identify -format '%k' " + shot + " 2>/dev/null");
    if (!colours.empty() && std::atoi(colours.c_str()) > 2) break;
  }
  bool stillRunning = waitpid(app, nullptr, WNOHANG) == 0;
  // It closes on SIGTERM as from its window, and cleanly: the sanitized program's exit status
  // also tells of leaks.
  const std::optional<int> status = Stop(app, std::chrono::seconds(30));
  Stop(x);
  EXPECT_EQ(before, "1");
  EXPECT_TRUE(stillRunning);
  ASSERT_TRUE(status) << "the program did not end on SIGTERM";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
  EXPECT_GT(std::atoi(colours.c_str()), 2) << "the screenshot is blank";
#endif
}

}  // namespace
