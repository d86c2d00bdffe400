// The real program, started headless in a fresh working directory on a pseudo-terminal, fed NMEA at
// real speed and stopped with SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
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

class Binary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    char pattern[] = "/tmp/corv-binary-XXXXXX";
    dir = ::mkdtemp(pattern);
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF", dir / "PERFORMANCE.DBF");
  }
  void TearDown() override {
    if (pid > 0) Stop();
    fs::remove_all(dir);
  }

  void WriteIni(const std::string& settings) {
    std::ofstream(dir / "corvatalen.ini") << "[comms]\ncomport=" << pty.path() << "\n" << settings;
  }
  std::string IniText() const {
    std::ifstream in(dir / "corvatalen.ini");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  void Launch() {
    pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (::chdir(dir.c_str()) != 0) ::_exit(127);
      ::setenv("CORVATALEN_DISPLAY", "headless", 1);
      ::execl(CORVATALEN_BINARY, CORVATALEN_BINARY, static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }

  // Sends the burst every 200 ms (draining what the program writes back) until done() or the
  // deadline.
  bool SendUntil(const std::string& burst, const std::function<bool()>& done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      pty.Send(burst);
      char buf[256];
      while (::read(pty.master(), buf, sizeof buf) > 0) {
      }
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
  }

  // SIGTERM, then the exit status; true when the program ended by itself with status 0.
  bool Stop() {
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
    pid = -1;
    return done != 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  std::vector<std::string> Log() const { return Lines(dir / "corvatalen.txt"); }

  PtyPair pty;
  fs::path dir;
  pid_t pid = -1;
};

TEST_F(Binary, HeadlessRunOnAPtyLogsAndWritesItsSettingsOnSigterm) {
  WriteIni("[settings]\ntargetangle=41.5\n");
  Launch();
  const std::string burst = Sentence("GPRMC,120000,A,5230.1234,N,00412.5000,E,6.5,90.0,061226,,") +
                            Sentence("IIMWV,45.0,R,14.0,N,A") + Sentence("IIVHW,,T,,M,6.0,N,,K");
  const bool logged = SendUntil(
      burst, [this] { return Log().size() >= 3; }, 25);
  EXPECT_TRUE(logged);
  EXPECT_TRUE(Stop()) << "the program did not stop on SIGTERM with status 0";
  const auto log = Log();
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.back().find(";6.5; 90;"), std::string::npos) << log.back();
  rtl::TIniFile ini((dir / "corvatalen.ini").string());
  EXPECT_EQ(ini.ReadString("comms", "comport", ""), pty.path());
  EXPECT_DOUBLE_EQ(ini.ReadFloat("settings", "targetangle", 0), 41.5);
  EXPECT_TRUE(ini.ValueExists("settings", "sendcurrentspeed"));
  EXPECT_TRUE(ini.ValueExists("restore", "lat"));
}

TEST_F(Binary, TrueHeadingWindInMetresPerSecondAndAPositionKeptWithoutAFix) {
  // Compass and log chosen: the heading and the speed through the water make the current.
  WriteIni("[settings]\nheadingsource=1\nspeedsource=1\n");
  Launch();
  // Ground track 6 kn on 090, water track 6 kn on the compass's 080 plus 10 degrees east: no
  // current. Apparent wind 45 degrees at 7.2 m/s = 14.00 kn. By hand: 9.90 kn across and 3.90 kn
  // along make a true wind of 10.64 kn at 68.5, from 090 + 68.5 = 158.5; VMG 6 cos 68.5 = 2.2.
  const std::string fix = Sentence("GPRMC,120000,A,5230.1234,N,00412.5000,E,6.0,90.0,061226,,") +
                          Sentence("HCHDG,80.0,,,10.0,E") + Sentence("IIMWV,45.0,R,7.2,M,A") +
                          Sentence("IIVHW,,T,,M,6.0,N,,K");
  const std::string expected = ";6.0; 90;45.0;14.0;68.5;10.6;";
  const auto done = [&] {
    const auto log = Log();
    return log.size() >= 2 && log.back().find(expected) != std::string::npos;
  };
  EXPECT_TRUE(SendUntil(fix, done, 25)) << (Log().empty() ? "no log" : Log().back());
  const auto log = Log();
  ASSERT_FALSE(log.empty());
  const std::string last = log.back();
  EXPECT_NE(last.find(expected), std::string::npos) << last;
  EXPECT_NE(last.find(";158.5;2.2"), std::string::npos) << last;

  // The receiver loses its fix: the position stays where it was.
  const std::string noFix = Sentence("GPRMC,120005,V,,,,,,,061226,,,N") +
                            Sentence("GPGLL,,,,,120005,V,N") + Sentence("HCHDG,80.0,,,10.0,E");
  const size_t before = log.size();
  SendUntil(
      noFix, [&] { return Log().size() >= before + 2; }, 10);
  EXPECT_TRUE(Stop());
  rtl::TIniFile ini((dir / "corvatalen.ini").string());
  EXPECT_NEAR(ini.ReadFloat("restore", "lat", 0), 5230.1234, 0.01);
  EXPECT_NEAR(ini.ReadFloat("restore", "lon", 0), 412.5, 0.01);
}

TEST_F(Binary, SigtermBeforeTheDelayedStartUpLeavesTheSettingsFileAsItWas) {
  WriteIni("[settings]\ntargetangle=37.5\nfspeed=20\nsendperformance=1\n");
  const std::string saved = IniText();
  Launch();
  std::this_thread::sleep_for(std::chrono::seconds(3));  // well within the first 10 s
  EXPECT_TRUE(Stop()) << "the program did not close on SIGTERM";
  EXPECT_EQ(IniText(), saved);
}

}  // namespace
