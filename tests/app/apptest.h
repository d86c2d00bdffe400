// Helpers of the program tests: NMEA sentences with their checksum, and the lines of a file.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "platform/db/table.h"

namespace apptest {

// A new log table as the recorder defines it, written by our Paradox writer, open for appending.
inline std::unique_ptr<db::TTable> NewLogTable(const std::string& path) {
  auto t = std::make_unique<db::TTable>(nullptr);
  t->SetTableType(db::ttParadox);
  t->SetTableName(path);
  TForm1::DefineLogFields(*t);
  t->CreateTable();
  t->Open();
  return t;
}

inline std::string Sentence(const std::string& body) {
  unsigned sum = 0;
  for (char ch : body) sum ^= static_cast<unsigned char>(ch);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

// One second of instruments: position, SOG 6.5 kn and COG 90, apparent wind 45 / 14 kn, STW 6.
inline std::string SampleBurst() {
  return Sentence("GPRMC,120000,A,5230.1234,N,00412.5000,E,6.5,90.0,061226,,") +
         Sentence("IIMWV,45.0,R,14.0,N,A") + Sentence("IIVHW,,T,,M,6.0,N,,K");
}

// Second s of a minute's sail for the drawing tests: speed over ground 6 +- 0.6 kn, also put in
// `speed` as the sentence carries it, course 20 +- 3, apparent wind 40 +- 4 at 14 +- 1 kn, speed
// through the water as over the ground, depth rising from 12 m by 0.1 m a second.
inline std::string LiveSecond(int s, std::string* speed) {
  auto f = [](const char* format, double v) {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return std::string(text);
  };
  const double sog = 6 + 0.6 * std::sin(s / 7.0), awa = 40 + 4 * std::sin(s / 5.0);
  *speed = f("%.1f", sog);
  return Sentence("GPRMC,1200" + f("%02.0f", s) + ",A,5230." + f("%04.0f", s * 30.0) +
                  ",N,00400.0000,E," + *speed + "," + f("%.1f", 20 + 3 * std::sin(s / 9.0)) +
                  ",061226,,") +
         Sentence("IIMWV," + f("%.1f", awa) + ",R," + f("%.1f", 14 + std::cos(s / 6.0)) + ",N,A") +
         Sentence("IIVHW,,T,,M," + *speed + ",N,,K") +
         Sentence("SDDBT,,f," + f("%.1f", 12 + s * 0.1) + ",M,,F");
}

// The fields of a text log line, an empty one at its end too.
inline std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line + ";");
  for (std::string f; std::getline(in, f, ';');) out.push_back(f);
  return out;
}

inline std::vector<std::string> Lines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Runs f while no file may grow beyond bytes, as on a disk that is full.
template <class F>
void WithFileSizeLimit(rlim_t bytes, F f) {
  struct rlimit saved {};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return;
  const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &small) == 0) {
    f();
    setrlimit(RLIMIT_FSIZE, &saved);
  }
  signal(SIGXFSZ, oldHandler);
}

inline std::string FileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace apptest
