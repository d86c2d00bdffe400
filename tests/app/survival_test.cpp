// The real program against what a boat does to it: a pulled cable, a read-only folder, a full disk,
// hostile settings files and kills during its close.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/rtl/inifiles.h"
#include "tests/app/apptest.h"
#include "tests/app/runprogram.h"
#include "tests/platform/serial/pty.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using apptest::FileText;
using apptest::Lines;
using apptest::RunningProgram;

// A fresh working folder with the polar table, and a folder beside it for the test's own files.
class Survival : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/corv-survival-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    dir_ = root_ / "work";
    fs::create_directory(dir_);
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF", dir_ / "PERFORMANCE.DBF");
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_, dir_;
};

TEST_F(Survival, APulledCableClosesThePortWithOneMessageAndTheProgramRunsOn) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  std::ofstream(dir_ / "corvatalen.ini") << "[comms]\ncomport=" << pty.path() << "\n";
  RunningProgram program(dir_, root_ / "stderr.txt");
  ASSERT_TRUE(program.Started());
  auto feed = [&] {
    pty.Send(apptest::SampleBurst());
    char buf[256];
    while (::read(pty.master(), buf, sizeof buf) > 0) {
    }
  };
  ASSERT_TRUE(
      program.WaitUntil([&] { return Lines(dir_ / "corvatalen.txt").size() >= 2; }, 25s, feed));
  pty.CloseMaster();  // the cable is pulled mid-stream

  std::this_thread::sleep_for(1s);
  const double cpuBefore = program.CpuSeconds();
  std::this_thread::sleep_for(10s);
  const double cpuUsed = program.CpuSeconds() - cpuBefore;
  ASSERT_TRUE(program.Running()) << FileText(root_ / "stderr.txt");
  EXPECT_LT(cpuUsed, 0.1) << "more than 1 % of a processor over 10 s";
  // One box for the port (the other tells that there are no waypoints).
  const auto err = Lines(root_ / "stderr.txt");
  ASSERT_EQ(err.size(), 2u) << FileText(root_ / "stderr.txt");
  EXPECT_EQ(err[0], "MessageBox: Message: No waypoint file loaded");
  EXPECT_EQ(err[1], "MessageBox: Corvatalen - Sailboat performance package: Input/output error.");

  EXPECT_TRUE(apptest::ExitedWith(program.Stop(SIGTERM, 10s), 0));
  rtl::TIniFile ini((dir_ / "corvatalen.ini").string());
  EXPECT_EQ(ini.ReadString("comms", "comport", ""), pty.path());
  EXPECT_TRUE(ini.ValueExists("settings", "sendcurrentspeed"));
  EXPECT_NEAR(ini.ReadFloat("restore", "lat", 0), 5230.1234, 1e-3);
}

}  // namespace
