// The text log on a folder that is not there yet and on a disk that fills up.
#include "app/textlog.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/app/apptest.h"

namespace fs = std::filesystem;

namespace {

constexpr rtl::TDateTime kSecond = 1.0 / 86400;

// The program writes its text log, settings and wizard log beside itself: no test of this binary
// may leave them where the tests run (a test that runs the program works in a folder of its own).
class WorkingFolderStaysClean : public ::testing::Environment {
 public:
  void SetUp() override {
    start_ = fs::current_path();
    before_ = Look();
  }
  void TearDown() override { EXPECT_EQ(Look(), before_) << "written into " << start_; }

 private:
  std::vector<std::string> Look() const {
    std::vector<std::string> seen;
    for (const char* name : {"corvatalen.txt", "corvatalen.ini", "comwiz.txt"}) {
      std::error_code ec;
      const fs::path f = start_ / name;
      if (!fs::exists(f, ec)) continue;
      seen.push_back(std::string(name) + " " + std::to_string(fs::file_size(f, ec)) + " " +
                     std::to_string(fs::last_write_time(f, ec).time_since_epoch().count()));
    }
    return seen;
  }
  fs::path start_;
  std::vector<std::string> before_;
};
[[maybe_unused]] ::testing::Environment* const kWorkingFolderGuard =
    ::testing::AddGlobalTestEnvironment(new WorkingFolderStaysClean);

class TextLog : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/corv-textlog-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void Listen(TTextLog& log) {
    log.OnFailure = [this](const std::string& m) { told.push_back(m); };
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  std::vector<std::string> told;
};

TEST_F(TextLog, AFolderThatCannotBeOpenedIsToldOnceAndTriedAgainEveryMinute) {
  const fs::path file = dir / "later" / "corvatalen.txt";
  TTextLog late(file.string());
  Listen(late);
  const rtl::TDateTime t0 = 46000.5;
  late.Open(t0);
  EXPECT_FALSE(late.IsOpen());
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(
      told[0],
      "Cannot open the text log " + file.string() +
          ": No such file or directory. The program carries on and tries again every minute.");
  fs::create_directory(dir / "later");
  for (int s = 1; s < 60; ++s) late.Append("line " + std::to_string(s) + "\n", t0 + s * kSecond);
  EXPECT_FALSE(fs::exists(file));  // not tried again within the minute
  fs::remove(dir / "later");
  late.Append("line 61\n", t0 + 61 * kSecond);  // tried, fails again: not told again
  EXPECT_FALSE(late.IsOpen());
  fs::create_directory(dir / "later");
  late.Append("line 100\n", t0 + 100 * kSecond);
  EXPECT_FALSE(late.IsOpen());
  late.Append("line 122\n", t0 + 122 * kSecond);
  late.Append("line 123\n", t0 + 123 * kSecond);
  EXPECT_TRUE(late.IsOpen());
  EXPECT_EQ(apptest::Lines(file), (std::vector<std::string>{"line 122", "line 123"}));
  EXPECT_EQ(told.size(), 1u);
}

TEST_F(TextLog, AFifoNobodyReadsIsToldNotWaitedOn) {
  ASSERT_EQ(::mkfifo((dir / "corvatalen.txt").c_str(), 0666), 0);
  TTextLog log((dir / "corvatalen.txt").string());
  Listen(log);
  ::alarm(20);  // a wait fails the test instead of holding it for good
  log.Open(46000.5);
  ::alarm(0);
  EXPECT_FALSE(log.IsOpen());
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("Cannot open the text log"), std::string::npos) << told[0];
}

TEST_F(TextLog, AFullDiskLeavesWholeLinesIsToldOnceAndTheLogResumes) {
  const fs::path file = dir / "corvatalen.txt";
  TTextLog full(file.string());
  Listen(full);
  const rtl::TDateTime t0 = 46000.5;
  full.Open(t0);
  ASSERT_TRUE(full.IsOpen());
  const std::string line(99, 'x');

  // The disk takes 1000 bytes: ten lines of 100 fit, the eleventh does not.
  int s = 0;
  apptest::WithFileSizeLimit(1050, [&] {
    for (; s < 70; ++s) full.Append(line + "\n", t0 + s * kSecond);
  });
  ASSERT_EQ(s, 70);

  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("Cannot write the text log"), std::string::npos) << told[0];
  EXPECT_EQ(fs::file_size(file), 1000u);  // no half line
  // Room again: the next try, a minute after the failure, writes.
  for (; s < 80; ++s) full.Append("after\n", t0 + s * kSecond);
  const auto lines = apptest::Lines(file);
  ASSERT_GE(lines.size(), 11u);
  EXPECT_EQ(lines[9], line);
  EXPECT_EQ(lines[10], "after");
  EXPECT_EQ(told.size(), 1u);
}

// The sailor deletes the grown text log while the program runs, or log rotation renames it (and
// may put a new empty one under the name): the next line starts a new "corvatalen.txt", with
// nothing told (written on into the old file, every later line was lost or misplaced).
TEST_F(TextLog, ALogDeletedOrRenamedWhileOpenStartsAgainUnderItsName) {
  const fs::path file = dir / "corvatalen.txt";
  TTextLog log(file.string());
  Listen(log);
  const rtl::TDateTime t0 = 46000.5;
  log.Open(t0);
  log.Append("old\n", t0);
  fs::remove(file);
  log.Append("new 1\n", t0 + kSecond);
  log.Append("new 2\n", t0 + 2 * kSecond);
  EXPECT_EQ(apptest::Lines(file), (std::vector<std::string>{"new 1", "new 2"}));
  fs::rename(file, dir / "corvatalen.txt.1");
  log.Append("new 3\n", t0 + 3 * kSecond);
  ASSERT_TRUE(fs::exists(file)) << "the renamed log was written on";
  fs::rename(file, dir / "corvatalen.txt.2");
  std::ofstream(file).flush();  // the rotation's fresh file
  log.Append("new 4\n", t0 + 4 * kSecond);
  EXPECT_EQ(apptest::Lines(dir / "corvatalen.txt.1"), (std::vector<std::string>{"new 1", "new 2"}));
  EXPECT_EQ(apptest::Lines(dir / "corvatalen.txt.2"), (std::vector<std::string>{"new 3"}));
  EXPECT_EQ(apptest::Lines(file), (std::vector<std::string>{"new 4"}));
  EXPECT_TRUE(told.empty());
}

}  // namespace
