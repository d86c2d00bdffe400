// The real program, started headless in a fresh working directory on a pseudo-terminal, fed NMEA at
// real speed and stopped with SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/rtl/inifiles.h"
#include "tests/platform/serial/pty.h"

#include "tests/app/apptest.h"
#include "tests/app/runprogram.h"

namespace fs = std::filesystem;

namespace {

using apptest::Fields;
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

  // Sends the burst every 200 ms (draining what the program writes back, into `heard` when given)
  // until done() or the deadline.
  bool SendUntil(const std::string& burst, const std::function<bool()>& done, int seconds,
                 std::string* heard = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      pty.Send(burst);
      Drain(heard);
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
  // Reads what the program wrote back, into `into` when given.
  void Drain(std::string* into = nullptr) {
    char buf[4096];
    for (ssize_t n; (n = ::read(pty.master(), buf, sizeof buf)) > 0;)
      if (into) into->append(buf, size_t(n));
  }

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
         {"IIVHW," + v + ",T," + v + ",M," + v + ",N," + v + ",K", "HCHDG," + v + ",,,,",
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
    // It did talk: the templates and the pages went out (no time to a layline without a waypoint).
    EXPECT_NE(sent.find("$PXB,"), std::string::npos);
    EXPECT_NE(sent.find(run == 0 ? "$PTAK,FFD3," : "$PTAK,FFD4,"), std::string::npos);
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
  std::string sent;
  const auto drain = [&] { Drain(&sent); };
  const std::string no = " [No: no display to answer]";
  const std::string demo =
      "Message: No input received on NMEA,Would you like to replay a demo-recording?" + no;
  const std::string wizard = "Message: Would you like to run the communications wizard?" + no;
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
    return std::ranges::count_if(Log(), [](const std::string& l) {
             return l.find(";6.5; 90;") != std::string::npos;
           }) >= 3;
  };
  EXPECT_TRUE(program.WaitUntil(live, std::chrono::seconds(20), [&] {
    pty.Send(burst);
    drain();
  }));
  drain();
  EXPECT_TRUE(apptest::ExitedWith(program.Stop(SIGTERM, std::chrono::seconds(10)), 0));
  for (const std::string& note : {demo, wizard})
    EXPECT_EQ(
        std::ranges::count_if(Log(), [&](const std::string& l) { return l.ends_with(";" + note); }),
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

std::string Printed(const char* format, double v) {
  char text[32];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

// The values of the text log that come straight from the instruments, as the log prints them.
struct LoggedValues {
  std::set<std::string> sog, cog, awa, aws;

  // Speed and course over ground, apparent wind angle (0-360) and speed, as sentence text.
  void AddTrack(const std::string& speed, const std::string& course) {
    sog.insert(Printed("%2.1f", std::strtof(speed.c_str(), nullptr)));
    cog.insert(Printed("%3.0f", std::strtof(course.c_str(), nullptr)));
  }
  void AddWind(const std::string& angle, const std::string& speed) {
    const float full = std::strtof(angle.c_str(), nullptr);
    awa.insert(Printed("%2.1f", full > 180 ? 360.0f - full : full));
    aws.insert(Printed("%2.1f", std::strtof(speed.c_str(), nullptr)));
  }
  bool Holds(const std::vector<std::string>& f) const {
    return f.size() >= 7 && sog.count(f[3]) && cog.count(f[4]) && awa.count(f[5]) &&
           aws.count(f[6]);
  }
};

// Second s of a yacht's instruments, the way its log has them: no compass fitted (empty HDT), the
// wind sensor now and then without a reading (MWV with status V). Each sentence ends in CR LF.
std::vector<std::string> InstrumentSecond(int s, double sogBase, LoggedValues& carried) {
  const auto number = [](double v) { return Printed("%.2f", v); };
  const std::string sog = number(sogBase + 0.03 * (s % 30)), cog = number(200.3 + 1.1 * (s % 25)),
                    awa = number(319 + (s * 7) % 20), aws = number(12.03 + 0.11 * (s % 20));
  carried.AddTrack(sog, cog);
  carried.AddWind(awa, aws);
  const std::string time = Printed("1000%02.0f", s % 60);
  std::vector<std::string> lines = {
      Sentence("IIVHW,,T,,M," + number(6.11 + 0.01 * (s % 9)) + ",N,11.32,K"),
      Sentence("IIVTG," + cog + ",T,,M," + sog + ",N,10.76,K,A"),
      Sentence("IIMWV," + awa + ",R," + aws + ",N,A"),
      Sentence("IIMWV,300,T,8.50,N,A"),
      Sentence("IIDBT,34.25,f," + number(10.44 + 0.1 * (s % 7)) + ",M,5.71,F"),
      Sentence("IIGLL,6005.071,N,02332.346,E," + time + ",A,A"),
      "$IIHDT,,T*0C\r\n",
      Sentence("GPRMC," + time + ",A,6005.071,N,02332.346,E," + sog + "," + cog + ",230394,,,A")};
  if (s % 5 == 0) lines.push_back("$IIMWV,,R,,N,V*2A\r\n");
  return lines;
}

// Flipped bits, sentences run into the next (now and then its '$' lost too), NULs, garbage, line
// ends CR LF, CR, LF or mixed; each burst ends with a damage seen on a real boat.
std::string Damaged(std::vector<std::string> lines, int s, std::mt19937& rng,
                    LoggedValues& carried) {
  const auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
  const auto at = [&](const std::string& line) { return 1 + rng() % (line.size() - 3); };
  // A piece of a sentence whose characters after the '$' sum to 0 would leave the checksum of the
  // sentence run onto it matching: noise the checksum cannot tell, not made here.
  const auto cutAt = [&](const std::string& line) {
    for (;;) {
      const size_t n = at(line);
      int sum = 0;
      for (size_t k = 1; k < n; ++k) sum ^= static_cast<unsigned char>(line[k]);
      if (sum != 0) return n;
    }
  };
  const char* ends[] = {"\r\n", "\r", "\n", "\n\r"};
  const int endMode = static_cast<int>(rng() % 5);  // 4: mixed
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i].substr(0, lines[i].size() - 2);
    const bool last = i + 1 == lines.size();
    const int kind = static_cast<int>(rng() % 100);
    if (kind < 15) {
      line[at(line)] ^= static_cast<char>(1 << (rng() % 8));
    } else if (kind < 25 && !last) {
      out += line.substr(0, cutAt(line));  // runs into the next sentence
      continue;
    } else if (kind < 30 && !last && lines[i + 1][0] == '$') {
      // Its '$' lost as well: one line with the next one's checksum, which does not fit it.
      out += line.substr(0, cutAt(line));
      lines[i + 1].erase(0, 1);
      continue;
    }
    if (chance(10)) line.insert(at(line), std::string(1 + rng() % 3, '\0'));
    out += line + ends[endMode < 4 ? endMode : rng() % 4];
    if (chance(10)) {
      std::string garbage(20 + rng() % 300, ' ');
      for (char& c : garbage) c = static_cast<char>(rng());
      out += garbage;
    }
  }
  switch (s % 3) {
    case 0:  // a flipped bit: a course of 205.4 read as 305.4
      out += Sentence("IIVTG,205.40,T,,M,5.80,N,10.74,K,A").replace(7, 1, "3");
      break;
    case 1:  // from a real log: cut short, and the wind's speed read as the speed over ground
      out += "$IIVTG,224.44,T$IIMWV,338,R,13.41,N,A*2C\r\n";
      carried.AddWind("338", "13.41");
      break;
    default:
      out += "$IIMWV,,R,,N,V*2A\r\n";
      break;
  }
  return out;
}

// No second of the text log shows a speed, course or apparent wind that no whole sentence
// carried; then clean lines ended by LF alone are read.
TEST_F(Binary, DamagedInstrumentLinesNeverShowAValueNoSentenceCarried) {
  WriteIni("");
  Launch();
  const auto send = [&](const std::string& bytes) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (size_t done = 0; done < bytes.size() && std::chrono::steady_clock::now() < deadline;) {
      const ssize_t n = ::write(pty.master(), bytes.data() + done, bytes.size() - done);
      done += static_cast<size_t>(std::max<ssize_t>(n, 0));
      Drain();
      if (n <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  // Nothing goes in before the program has made the line raw (a terminal would turn CR into LF).
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (Log().empty() && std::chrono::steady_clock::now() < deadline) {
    Drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_FALSE(Log().empty()) << "the program did not start logging";

  LoggedValues carried;
  std::mt19937 rng(41);
  for (int s = 0; s < 40; ++s) {
    std::string burst = Damaged(InstrumentSecond(s, 5.51, carried), s, rng, carried);
    if (s == 20) burst.insert(burst.size() / 2, std::string(65536, '\xA5'));
    send(burst);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  // Clean again, lines ended by LF alone, at speeds not sent before.
  const auto fast = [](const std::string& line) {
    const auto f = Fields(line);
    return f.size() > 3 && std::strtof(f[3].c_str(), nullptr) > 7.0f;
  };
  bool read = false;
  deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (int s = 40; !read && std::chrono::steady_clock::now() < deadline; ++s) {
    std::string burst;
    for (const std::string& line : InstrumentSecond(s, 7.21, carried))
      burst += line.substr(0, line.size() - 2) + "\n";
    send(burst);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto log = Log();
    read = log.size() >= 2 && fast(log.back()) && fast(log[log.size() - 2]);
  }
  EXPECT_TRUE(Stop());
  EXPECT_TRUE(read) << "lines ended by LF were not read";

  const auto log = Log();
  const auto first =
      std::ranges::find_if(log, [&](const std::string& l) { return carried.Holds(Fields(l)); });
  ASSERT_NE(first, log.end()) << "no second showed the instruments' values";
  EXPECT_GE(log.end() - first, 15);
  for (auto l = first; l != log.end(); ++l)
    EXPECT_TRUE(carried.Holds(Fields(*l))) << "second " << l - log.begin() << ": " << *l;
}

// Motoring at 5.8 kn over the ground on 210 into a wind the vane shows as 12 kn dead ahead, the
// compass on 077.7 and the log at 6.1. By hand: the current is the ground track less the water
// track, (-2.900, -5.023) - (5.960, 1.299), 10.9 kn; the true wind, 12 - 6.1 = 5.9 kn from 077.7,
// less that current comes over the ground from 062.6. Without the compass the wind comes from the
// course, 210.0; without the log it is 12 - 5.8 = 6.2 kn from 077.7; neither makes nor sends a
// current.
TEST_F(Binary, AQuietCompassOrSpeedLogStandsDownAfterTenSecondsAndComesBack) {
  WriteIni(
      "[settings]\nheadingsource=1\nspeedsource=1\nsendtruewinddirection=1\n"
      "sendcurrentspeed=1\n");
  Launch();
  std::string heard;
  // True wind speed and direction of the last second logged, and the current sent after the last
  // wind direction, '-' for none.
  const auto shown = [&] {
    const auto log = Log();
    const auto f = log.empty() ? std::vector<std::string>{} : Fields(log.back());
    const size_t at = heard.rfind("$PTAK,FFD1,");
    if (f.size() < 12 || at == std::string::npos) return std::string();
    const size_t c = heard.find("$PTAK,FFD2,", at);
    return f[8] + " " + f[11] + " " +
           (c == std::string::npos ? "-" : heard.substr(c + 11, heard.find('*', c) - c - 11));
  };
  // Sends until the program shows `state`: the seconds that took, or -1.
  const auto secondsUntil = [&](const std::string& burst, const std::string& state, int most) {
    const auto start = std::chrono::steady_clock::now();
    if (!SendUntil(burst, [&] { return shown() == state; }, most, &heard)) return -1.0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const std::string gps =
      Sentence("GPVTG,210.0,T,210.0,M,5.8,N,,,A") + Sentence("IIMWV,0.0,R,12.0,N,A");
  const std::string compass = Sentence("IIHDT,77.7,T"), log = Sentence("IIVHW,,T,,M,6.1,N,,K");
  const std::string all = gps + compass + log, current = "5.9 62.6 10.9";
  ASSERT_GE(secondsUntil(all, current, 40), 0) << shown();
  const std::pair<std::string, std::string> quiet[] = {
      {gps + "$IIHDT,,T*0C\r\n" + log, "5.9 210.0 -"}, {gps + compass, "6.2 77.7 -"}};
  for (const auto& [burst, stoodDown] : quiet) {
    SCOPED_TRACE(stoodDown);
    // Not before ten seconds without a value, and at all (-1 if not): the exact tick is pinned
    // in-process, a loaded machine may run this one's ticks late.
    const double took = secondsUntil(burst, stoodDown, 30);
    EXPECT_GE(took, 9) << shown();
    EXPECT_GE(secondsUntil(all, current, 10), 0) << shown();
  }
  EXPECT_TRUE(Stop());
}

// The wind 25 s after the GPS and the log, then silent for over ten seconds, and back: no second
// without it logs or sends a wind. By hand, 12 kn from ahead less the log's 6.1 is 5.9 from 210.
TEST_F(Binary, AWindInstrumentThatIsSilentMakesNoWindAndComesBack) {
  WriteIni("[settings]\nspeedsource=1\nsendtruewinddirection=1\n");
  Launch();
  std::string heard;
  // The wind fields of a second logged (apparent wind to VMG); a message's line has none.
  const auto wind = [](const std::string& line) {
    const auto f = Fields(line);
    std::string w;
    for (size_t k = 5; k < f.size(); ++k) w += f[k] + ";";
    return f.size() == 2 ? "message" : w;
  };
  const auto last = [&] { return Log().empty() ? std::string() : wind(Log().back()); };
  const std::string none = ";;;;;;;;", shown = "0.0;12.0;0.0;5.9;";
  const std::string track =
      Sentence("GPVTG,210.0,T,210.0,M,5.8,N,,,A") + Sentence("IIVHW,,T,,M,6.1,N,,K");
  const std::string all = track + Sentence("IIMWV,0.0,R,12.0,N,A");
  const auto showing = [&] { return last().starts_with(shown) && last().ends_with("210.0;5.8;"); };
  SendUntil(
      track, [] { return false; }, 25, &heard);
  const auto log = Log();
  EXPECT_GE(std::ranges::count_if(log, [&](auto& l) { return wind(l) == none; }), 5);
  for (const std::string& line : log) EXPECT_TRUE(wind(line) == none || wind(line) == "message");
  EXPECT_EQ(heard.find("$PTAK,FFD1,"), std::string::npos) << heard;
  EXPECT_TRUE(SendUntil(all, showing, 15, &heard)) << last();
  EXPECT_NE(heard.find(Sentence("PTAK,FFD1,210")), std::string::npos);
  const auto silent = std::chrono::steady_clock::now();  // not before ten seconds, and at all
  EXPECT_TRUE(SendUntil(
      track, [&] { return last() == none; }, 30, &heard))
      << last();
  EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - silent).count(), 9);
  EXPECT_TRUE(SendUntil(all, showing, 10, &heard)) << last();
  EXPECT_TRUE(Stop());
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
