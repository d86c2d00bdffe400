// Great-circle functions against hand-worked cases and against GeographicLib's GeodSolve on the
// engine's spheres (tests/map/fixtures/greatcircle.sh writes the table).
#include "map/earthutils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const std::string kTable = CORV_SOURCE_DIR "/tests/map/fixtures/greatcircle.txt";

// The difference of two angles in GU, within half a turn.
long double TurnDiff(long double a, long double b) {
  long double d = std::fmod(a - b, 1944000000.0L);
  if (d > 972000000.0L) d -= 1944000000.0L;
  if (d < -972000000.0L) d += 1944000000.0L;
  return d;
}

TEST(GreatCircle, HandWorkedCases) {
  // One minute of latitude is one nautical mile: 90,000 GU of arc.
  EXPECT_EQ(DistanceLLToLL(PointLL(0, 0), PointLL(0, 90'000)), 90'000);
  EXPECT_EQ(DistanceLLToLL(PointLL(0, 0), PointLL(GU_90DEGREE, 0)), GU_90DEGREE);
  EXPECT_EQ(DistanceLLToLL(PointLL(12345, -678), PointLL(12345, -678)), 0);
  // Antipodes: half a turn, no NaN from an arcsine of just over 1.
  EXPECT_EQ(DistanceLLToLL(PointLL(0, 0), PointLL(GU_180DEGREE, 0)), GU_180DEGREE);

  // Counter-clockwise bearings: east -90, north 0, west +90, south 180 degrees.
  EXPECT_EQ(AngleLLToLL(PointLL(0, 0), PointLL(GU_DEGREE, 0)), -GU_90DEGREE);
  EXPECT_EQ(AngleLLToLL(PointLL(0, 0), PointLL(0, GU_DEGREE)), 0);
  EXPECT_EQ(AngleLLToLL(PointLL(0, 0), PointLL(-GU_DEGREE, 0)), GU_90DEGREE);
  EXPECT_EQ(AngleLLToLL(PointLL(0, 0), PointLL(0, -GU_DEGREE)), GU_180DEGREE);
  // Across the date line the short way: east of 179E lies 179W.
  EXPECT_EQ(AngleLLToLL(PointLL(179 * GU_DEGREE, 0), PointLL(-179 * GU_DEGREE, 0)), -GU_90DEGREE);

  EXPECT_EQ(AngleDistToGCPoint(PointLL(0, 0), -GU_90DEGREE, GU_DEGREE), PointLL(GU_DEGREE, 0));
  EXPECT_EQ(AngleDistToGCPoint(PointLL(0, 0), 0, 0), PointLL(0, 0));
  // Going on past the date line lands on the western side.
  const TPointLL over =
      AngleDistToGCPoint(PointLL(179 * GU_DEGREE, 0), -GU_90DEGREE, 2 * GU_DEGREE);
  EXPECT_NEAR(over.iLongX, -179 * GU_DEGREE, 1);
  EXPECT_EQ(over.iLatY, 0);
}

TEST(GreatCircle, GeodSolveTable) {
  std::ifstream in(kTable);
  ASSERT_TRUE(in) << kTable;
  int inverse = 0, direct = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    char kind = 0;
    s >> kind;
    if (kind == 'I') {
      long lon1, lat1, lon2, lat2;
      long double dist, azi;
      s >> lon1 >> lat1 >> lon2 >> lat2 >> dist >> azi;
      const TPointLL a{static_cast<int32_t>(lon1), static_cast<int32_t>(lat1), 0};
      const TPointLL b{static_cast<int32_t>(lon2), static_cast<int32_t>(lat2), 0};
      EXPECT_LE(std::fabs(DistanceLLToLL(a, b) - dist), 1.0L) << line;
      EXPECT_LE(std::fabs(TurnDiff(AngleLLToLL(a, b), -azi * GU_DEGREE)), 1.0L) << line;
      // There and back over a short hop (over long arcs the two radii of the engine part).
      if (dist < 2'000'000) {
        const TPointLL q = AngleDistToGCPoint(a, AngleLLToLL(a, b), DistanceLLToLL(a, b));
        EXPECT_LE(std::abs(q.iLongX - b.iLongX), 2) << line;
        EXPECT_LE(std::abs(q.iLatY - b.iLatY), 2) << line;
      }
      ++inverse;
    } else if (kind == 'D') {
      long lon, lat, dist;
      long double azi, lon2, lat2;
      s >> lon >> lat >> azi >> dist >> lon2 >> lat2;
      const TPointLL p = AngleDistToGCPoint(
          {static_cast<int32_t>(lon), static_cast<int32_t>(lat), 0},
          static_cast<int32_t>(std::llround(-azi * GU_DEGREE)), static_cast<int32_t>(dist));
      EXPECT_LE(std::fabs(TurnDiff(p.iLongX, lon2 * GU_DEGREE)), 1.0L) << line;
      EXPECT_LE(std::fabs(p.iLatY - lat2 * GU_DEGREE), 1.0L) << line;
      ++direct;
    }
  }
  EXPECT_EQ(inverse, 300);
  EXPECT_EQ(direct, 200);
}

TPointLL ReadPoint(std::istringstream& s) {
  long lon = 0, lat = 0;
  s >> lon >> lat;
  return {static_cast<int32_t>(lon), static_cast<int32_t>(lat), 0};
}

// Calls visit(stream past the two positions, the line) for each table line of the given kind
// that starts with two positions; returns how many.
template <class Visit>
int ForEachPairLine(char wanted, Visit visit) {
  std::ifstream in(kTable);
  EXPECT_TRUE(in) << kTable;
  int count = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    char kind = 0;
    s >> kind;
    if (kind != wanted) continue;
    const TPointLL a = ReadPoint(s);
    const TPointLL b = ReadPoint(s);
    visit(a, b, s, line);
    ++count;
  }
  return count;
}

TEST(GreatCircle, PointPartWayAgainstGeodSolve) {
  // From the equator's origin to 30E: the whole way lands on 30E, half way on 15E.
  EXPECT_NEAR(GreatCirclePoint(PointLL(0, 0), PointLL(30 * GU_DEGREE, 0), 1).iLongX, 30 * GU_DEGREE,
              1);
  EXPECT_NEAR(GreatCirclePoint(PointLL(0, 0), PointLL(30 * GU_DEGREE, 0), 0.5L).iLongX,
              15 * GU_DEGREE, 1);
  // No single great circle through one point twice: the start comes back.
  const TPointLL p{123456789, -98765432, 0};
  EXPECT_EQ(GreatCirclePoint(p, p, 0.5L), p);

  const int count = ForEachPairLine(
      'G', [](TPointLL a, TPointLL b, std::istringstream& s, const std::string& line) {
        long double fraction, lon, lat;
        s >> fraction >> lon >> lat;
        const TPointLL q = GreatCirclePoint(a, b, fraction);
        EXPECT_LE(std::fabs(TurnDiff(q.iLongX, lon * GU_DEGREE)), 1.0L) << line;
        EXPECT_LE(std::fabs(q.iLatY - lat * GU_DEGREE), 1.0L) << line;
      });
  EXPECT_EQ(count, 62);
}

TEST(GreatCircle, EllipsoidDistanceAgainstGeodSolve) {
  EXPECT_EQ(EllipsoidDistanceLLToLL(PointLL(5, 7), PointLL(5, 7), TSpheroid::WGS84), 0);
  int converged = 0, antipodal = 0;
  ForEachPairLine('E', [&](TPointLL a, TPointLL b, std::istringstream& s, const std::string& line) {
    long double expected = 0;
    s >> expected;
    const int32_t d = EllipsoidDistanceLLToLL(a, b, TSpheroid::WGS84);
    // Nearly antipodal pairs (within 3 degrees of each other's antipode) may fall back.
    const bool nearAntipode = std::abs(std::abs(static_cast<int64_t>(b.iLongX) - a.iLongX) -
                                       GU_180DEGREE) < 3 * GU_DEGREE &&
                              std::abs(a.iLatY + b.iLatY) < 3 * GU_DEGREE;
    if (nearAntipode) {
      EXPECT_LE(std::fabs(d - expected), expected * 0.005L) << line;
      ++antipodal;
    } else {
      EXPECT_LE(std::fabs(d - expected), 1.0L) << line;
      ++converged;
    }
  });
  EXPECT_EQ(converged + antipodal, 121);
  EXPECT_GE(antipodal, 21);
}

}  // namespace
