// The demonstration recording the program ships, read with pxlib's own reader, and its maker run
// twice on a small NMEA log of our own, against values worked by hand.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/app/apptest.h"
#include "tests/app/pxread.h"

namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Demonstration, PxlibReadsEverySecondOfTheLog) {
  const apptest::PxTable t =
      apptest::ReadWithPxlib(fs::path(CORV_SOURCE_DIR) / "data" / "demonstration.lg");
  const std::vector<std::string> fields = {
      "Id",       "datum", "Timestamp",   "Lat",         "Lon",          "speedog",
      "courseog", "Speed", "Heading",     "awa",         "aws",          "twa",
      "tws",      "VMG",   "Performance", "TargetSpeed", "GeoWindAngle", "Depth"};
  EXPECT_EQ(t.fields, fields);
  // 09:55:59 to 14:03:24, every second once.
  ASSERT_EQ(t.records.size(), 14846u);
  for (size_t i = 0; i < t.records.size(); ++i) {
    const auto& r = t.records[i];
    ASSERT_EQ(r.at("Id"), static_cast<double>(i + 1));
    ASSERT_EQ(r.at("Timestamp"), 9 * 3600 + 55 * 60 + 59 + static_cast<double>(i));
    // Off the south coast of Finland, as the log's own fixes say (ddmm.mmm).
    ASSERT_NEAR(r.at("Lat"), 6000, 60) << i;
    ASSERT_NEAR(r.at("Lon"), 2330, 60) << i;
    for (const char* f : {"speedog", "Speed", "aws", "tws"}) {
      ASSERT_GE(r.at(f), 0) << f << " " << i;
      ASSERT_LT(r.at(f), 40) << f << " " << i;
    }
    for (const char* f : {"courseog", "twa", "GeoWindAngle"}) {
      ASSERT_GE(r.at(f), 0) << f << " " << i;
      ASSERT_LE(r.at(f), 360) << f << " " << i;
    }
    ASSERT_EQ(r.at("Heading"), r.at("courseog")) << i;  // no compass in the log: COG
  }
  // The log's first lines by hand: VTG 224.44 degrees 5.81 kn, VHW 6.11 kn, DBT 10.44 m,
  // GLL 6005.071 N 02332.346 E.
  const auto& first = t.records.front();
  EXPECT_NEAR(first.at("courseog"), 224.44, 1e-4);
  EXPECT_NEAR(first.at("speedog"), 5.81, 1e-4);
  EXPECT_NEAR(first.at("Speed"), 6.11, 1e-4);
  EXPECT_NEAR(first.at("Depth"), 10.44, 1e-4);
  EXPECT_NEAR(first.at("Lat"), 6005.071, 1e-3);
  EXPECT_NEAR(first.at("Lon"), 2332.346, 1e-3);
}

// Two runs of the maker on the same log give the same bytes; its records carry the log's times and
// the true wind worked from the apparent wind and the speed over ground.
TEST(Demonstration, MakerIsRepeatableAndComputesAsLive) {
  char pattern[] = "/tmp/corv-makedemo-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path dir = pattern;
  {
    std::ofstream log(dir / "log.txt", std::ios::binary);
    // Apparent wind 90 degrees at 10 kn, 6 kn over the ground heading north, fixes at 12:00:00,
    // 12:00:02 and 12:00:04.
    for (int s = 0; s <= 4; s += 2) {
      log << apptest::Sentence("IIVTG,000.0,T,000.0,M,6.00,N,,,A")
          << apptest::Sentence("IIMWV,090,R,10.00,N,A")
          << apptest::Sentence("GPGLL,6005.000,N,02330.000,E,12000" + std::to_string(s) + ",A,A");
    }
  }
  const std::string tool = MAKEDEMO_BINARY;
  const fs::path polar = fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF";
  for (const char* out : {"a.lg", "b.lg"}) {
    const std::string command = tool + " " + (dir / "log.txt").string() + " " + polar.string() +
                                " " + (dir / out).string() + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  EXPECT_EQ(Bytes(dir / "a.lg"), Bytes(dir / "b.lg"));
  const apptest::PxTable t = apptest::ReadWithPxlib((dir / "a.lg").string());
  ASSERT_EQ(t.records.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    const auto& r = t.records[i];
    EXPECT_EQ(r.at("Timestamp"), 43200 + static_cast<double>(i));
    // Across 10 kn, along -6 kn: 180 - atan(10 / 6) = 120.96 degrees at sqrt(136) = 11.66 kn.
    EXPECT_NEAR(r.at("twa"), 120.9638, 1e-3);
    EXPECT_NEAR(r.at("tws"), 11.6619, 1e-3);
    EXPECT_NEAR(r.at("VMG"), 6 * 0.514496, 1e-3);  // |6 cos 120.96|
    EXPECT_NEAR(r.at("awa"), 90, 1e-4);
    EXPECT_NEAR(r.at("Lat"), 6005, 1e-3);
  }
  fs::remove_all(dir);
}

}  // namespace
