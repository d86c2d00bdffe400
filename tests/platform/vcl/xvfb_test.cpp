#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/tempdir.h"

namespace fs = std::filesystem;

namespace {

bool Have(const char* tool) {
  std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
  pid_t pid = fork();
  if (pid == 0) {
    for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    freopen("/dev/null", "w", stdout);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 50; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

std::string Output(const std::string& cmd) {
  std::string out;
  if (FILE* f = popen(cmd.c_str(), "r")) {
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    pclose(f);
  }
  return out;
}

// The program on a real X display (Xvfb), started in a working directory prepared as ./run
// prepares it, shows its main window: a screenshot of the root window holds more than the one
// colour of an empty screen.
TEST(Xvfb, TheProgramShowsItsMainWindow) {
#ifndef CORVATALEN_EXE
  GTEST_SKIP() << "the program is not part of this build";
#else
  if (!Have("Xvfb") || !Have("import")) GTEST_SKIP() << "Xvfb or ImageMagick missing";
  int display = 140 + static_cast<int>(getpid() % 200);
  while (fs::exists("/tmp/.X" + std::to_string(display) + "-lock")) ++display;
  std::string name = ":" + std::to_string(display);
  pid_t x = Spawn({"Xvfb", name, "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
  std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
  for (int i = 0; i < 100 && !fs::exists(socket); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(fs::exists(socket)) << "Xvfb did not start";

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
                    {"DISPLAY=" + name, "CORVATALEN_DISPLAY=sdl"});
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
  Stop(app);
  Stop(x);
  EXPECT_EQ(before, "1");
  EXPECT_TRUE(stillRunning);
  EXPECT_GT(std::atoi(colours.c_str()), 2) << "the screenshot is blank";
#endif
}

}  // namespace
