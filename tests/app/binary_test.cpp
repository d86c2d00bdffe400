// The real program, started headless in a fresh working directory on a pseudo-terminal, fed NMEA at
// real speed and stopped with SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
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
#include "tests/app/runprogram.h"

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
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "world.lyr", dir / "world.lyr");
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

// Instruments gone mad: every sentence the decoder knows, with numbers at and beyond the float's
// range, not-a-numbers, infinities, whole turns and negative speeds, through the port into the
// running program with every output template value and every Micronet page on (four at a time,
// the most that are sent): nothing it sends back, and nothing in its text log, spells a number
// that is not one.
TEST_F(Binary, ExtremeValuesInEverySentenceNeverReachTheInstrumentsNorTheLog) {
  const std::vector<std::string> numbers = {"1e308", "nan",  "inf",   "-inf", "3.4e38",
                                            "-3.4e38", "720", "-720", "-5.5", "3e38"};
  const auto burst = [&](const std::string& v) {
    std::string b;
    for (const std::string& body :
         {"IIVHW,," + v + ",T," + v + ",M," + v + ",N," + v + ",K", "HCHDG," + v + ",,,,",
          "HCHDG," + v + "," + v + ",E," + v + ",E", "IIHDT," + v + ",T",
          "IIVWR," + v + ",L," + v + ",N,,,,", "IIVWT," + v + ",R," + v + ",N,,,,",
          "IIMWV," + v + ",R," + v + ",M,A", "IIMWV," + v + ",T," + v + ",K,A",
          "IIMWV," + v + ",R," + v + ",N,A", "IIVPW," + v + ",N,,", "IIDBT,," + v + "," + v + ",M,,F",
          "GPVTG," + v + ",T,,M," + v + ",N,,K", "GPGLL," + v + ",N," + v + ",W,120000,A",
          "GPGGA,120000," + v + ",S," + v + ",E,1,08,0.9,545.4,M,46.9,M,,",
          "GPRMC,120000,A," + v + ",N," + v + ",E," + v + "," + v + ",061226,,",
          "AIVDM,1,1,,B,177KQJ5000G?tO`K>RA1wUbN0TKH," + v})
      b += Sentence(body);
    return b + Sentence("HCHDG,0,3e38,E,3e38,E");
  };
  const std::string templates =
      "$PXA,%performance,%targetspeed,%courseog,%heading\r\n"
      "$PXB,%speedog,%speedtw,%windspeed,%windangle\r\n"
      "$PXC,%vmg,%windog,%depth,%bearingtowpt\r\n";
  const std::string pages[2] = {
      "sendperformance=1\nsendtargetspeed=1\nsendtruewinddirection=1\nsendtimetoll=1\n",
      "senddistancetowpt=1\nsenddistancetoll=1\nsendcurrentangle=1\nsendcurrentspeed=1\n"};
  const std::string sources[2] = {"nmeawind=0\nwindsource=0\n",
                                  "nmeawind=1\nwindsource=1\nheadingsource=1\nspeedsource=1\n"};
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    fs::remove(dir / "corvatalen.txt");
    std::ofstream(dir / "nmeaout.txt", std::ios::binary) << templates;
    WriteIni("[settings]\nsendwindcorrection=1\n" + pages[run] + sources[run]);
    Launch();
    // Nothing goes in before the program has the line: a terminal not yet made raw echoes
    // what it receives, and the echo is not the program's.
    std::string sent;
    char buf[4096];
    const auto drain = [&] {
      for (ssize_t n; (n = ::read(pty.master(), buf, sizeof buf)) > 0;) sent.append(buf, size_t(n));
    };
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Log().empty() && std::chrono::steady_clock::now() < deadline) {
      drain();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    drain();
    sent.clear();
    const size_t start = Log().size();
    size_t next = 0;
    deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Log().size() < start + 12 && std::chrono::steady_clock::now() < deadline) {
      pty.Send(burst(numbers[next++ % numbers.size()]));
      std::this_thread::sleep_for(std::chrono::milliseconds(170));
      drain();
    }
    EXPECT_TRUE(Stop());
    EXPECT_GE(Log().size(), start + 12);
    // It did talk: the templates and the pages went out.
    EXPECT_NE(sent.find("$PXB,"), std::string::npos);
    EXPECT_NE(sent.find("$PTAK,FFD4,"), std::string::npos);
    std::string lower = sent;
    for (std::string line : Log()) lower += "\n" + line;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* word : {"nan", "inf"}) {
      const size_t at = lower.find(word);
      EXPECT_EQ(at, std::string::npos)
          << word << " in: " << lower.substr(at == std::string::npos ? 0 : at - std::min<size_t>(at, 60), 120);
    }
  }
}

// A logger with no screen whose instruments come on after the no-input watchdog's 40 s: nobody
// can answer its two questions, so it says so and takes No to both; it logs the instruments and
// sends their values back, never the demonstration's.
TEST_F(Binary, InstrumentsOnAfterTheWatchdogAreLoggedWithoutADisplay) {
  fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "demonstration.lg", dir / "demonstration.lg");
  std::ofstream(dir / "nmeaout.txt", std::ios::binary) << "$PXS,%speedog\r\n";
  WriteIni("");
  const fs::path errFile = dir / "stderr.txt";
  apptest::RunningProgram program(dir, errFile);
  ASSERT_TRUE(program.Started());
  std::string sent;
  const auto drain = [&] {
    char buf[4096];
    for (ssize_t n; (n = ::read(pty.master(), buf, sizeof buf)) > 0;) sent.append(buf, size_t(n));
  };
  const std::string demo =
      "Message: No input received on NMEA,Would you like to replay a demo-recording? [No: no "
      "display to answer]";
  const std::string wizard =
      "Message: Would you like to run the communications wizard? [No: no display to answer]";
  const auto asked = [&] {
    return apptest::FileText(errFile).find("demo-recording?") != std::string::npos;
  };
  ASSERT_TRUE(program.WaitUntil(asked, std::chrono::seconds(70), drain));
  std::this_thread::sleep_for(std::chrono::seconds(3));  // the instruments come on late
  const std::string err = apptest::FileText(errFile);
  EXPECT_NE(err.find("MessageBox: " + demo + "\n"), std::string::npos) << err;
  EXPECT_NE(err.find("MessageBox: " + wizard + "\n"), std::string::npos) << err;

  const std::string burst = Sentence("GPRMC,120000,A,5230.1234,N,00412.5000,E,6.5,90.0,061226,,");
  const auto live = [this] {
    const auto log = Log();
    return std::count_if(log.begin(), log.end(), [](const std::string& l) {
             return l.find(";6.5; 90;") != std::string::npos;
           }) >= 3;
  };
  EXPECT_TRUE(program.WaitUntil(live, std::chrono::seconds(20), [&] {
    pty.Send(burst);
    drain();
  }));
  drain();
  EXPECT_TRUE(apptest::ExitedWith(program.Stop(SIGTERM, std::chrono::seconds(10)), 0));
  const auto log = Log();
  for (const std::string& note : {demo, wizard})
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [&](const std::string& l) { return l.ends_with(";" + note); }),
              1)
        << note;
  // Every value sent is the start-up's or the instruments'.
  size_t values = 0;
  for (size_t at = sent.find("$PXS,"); at != std::string::npos; at = sent.find("$PXS,", at + 1)) {
    const std::string value = sent.substr(at + 5, sent.find('*', at) - at - 5);
    EXPECT_TRUE(value == "0.0" || value == "6.5") << value;
    values += value == "6.5";
  }
  EXPECT_GE(values, 2u);
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
