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
#include "tests/app/runprogram.h"

namespace fs = std::filesystem;

namespace {

using apptest::Lines;

TEST(Binary, HeadlessRunOnAPtyLogsAndWritesItsSettingsOnSigterm) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  char pattern[] = "/tmp/corv-binary-XXXXXX";
  const fs::path dir = ::mkdtemp(pattern);
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF", dir / "PERFORMANCE.DBF");
  std::ofstream(dir / "corvatalen.ini")
      << "[comms]\ncomport=" << pty.path() << "\n[settings]\ntargetangle=41.5\n";

  const std::string burst = apptest::SampleBurst();
  apptest::RunningProgram program(dir, dir / "stderr.txt");
  ASSERT_TRUE(program.Started());
  const bool logged = program.WaitUntil([&] { return Lines(dir / "corvatalen.txt").size() >= 3; },
                                        std::chrono::seconds(25),
                                        [&] {
                                          pty.Send(burst);
                                          char buf[256];
                                          while (::read(pty.master(), buf, sizeof buf) > 0) {
                                          }
                                        });
  EXPECT_TRUE(logged);
  EXPECT_TRUE(apptest::ExitedWith(program.Stop(SIGTERM, std::chrono::seconds(10)), 0))
      << "the program did not stop on SIGTERM with exit code 0";
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
