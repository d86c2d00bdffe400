// The real program, started headless in a fresh working directory on a pseudo-terminal, fed NMEA at
// real speed and stopped with SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/inifiles.h"
#include "tests/platform/serial/pty.h"

#include "tests/app/apptest.h"

namespace fs = std::filesystem;

namespace {

using apptest::Lines;
using apptest::Sentence;

TEST(Binary, HeadlessRunOnAPtyLogsAndWritesItsSettingsOnSigterm) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  char pattern[] = "/tmp/corv-binary-XXXXXX";
  const fs::path dir = ::mkdtemp(pattern);
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF", dir / "PERFORMANCE.DBF");
  std::ofstream(dir / "corvatalen.ini")
      << "[comms]\ncomport=" << pty.path() << "\n[settings]\ntargetangle=41.5\n";

  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    ::setenv("CORVATALEN_DISPLAY", "headless", 1);
    ::execl(CORVATALEN_BINARY, CORVATALEN_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }

  const std::string burst = Sentence("GPRMC,120000,A,5230.1234,N,00412.5000,E,6.5,90.0,061226,,") +
                            Sentence("IIMWV,45.0,R,14.0,N,A") + Sentence("IIVHW,,T,,M,6.0,N,,K");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(25);
  size_t lines = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    pty.Send(burst);
    char buf[256];
    while (::read(pty.master(), buf, sizeof buf) > 0) {
    }
    lines = Lines(dir / "corvatalen.txt").size();
    if (lines >= 3) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ::kill(pid, SIGTERM);
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 100 && done == 0; ++i) {
    done = ::waitpid(pid, &status, WNOHANG);
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (done == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  EXPECT_GE(lines, 3u);
  EXPECT_NE(done, 0) << "the program did not stop on SIGTERM";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const auto log = Lines(dir / "corvatalen.txt");
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.back().find(";6.5; 90;"), std::string::npos) << log.back();
  rtl::TIniFile ini((dir / "corvatalen.ini").string());
  EXPECT_EQ(ini.ReadString("comms", "comport", ""), pty.path());
  EXPECT_DOUBLE_EQ(ini.ReadFloat("settings", "targetangle", 0), 41.5);
  EXPECT_TRUE(ini.ValueExists("settings", "sendcurrentspeed"));
  EXPECT_TRUE(ini.ValueExists("restore", "lat"));
  fs::remove_all(dir);
}

}  // namespace
