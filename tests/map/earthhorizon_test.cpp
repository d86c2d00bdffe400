// Open lines on the globe that pass behind the horizon: every pixel drawn lies on the line's
// true course, worked apart with the orthographic formulas of the sphere, and each visible piece
// reaches the outline where the course meets the horizon.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "tests/map/mapfixture.h"
#include "tests/map/snapshot.h"

namespace maptest {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180;
constexpr int32_t D = 5'400'000;
constexpr int kSize = 400;
constexpr double kRadius = 180;  // pixels
constexpr double kLon0 = -70, kLat0 = 40;

struct Seen {
  double x, y;    // device pixels
  double cosine;  // of the angle from the view centre: positive on the near side
};

// Orthographic view centred on kLon0, kLat0, north up.
Seen Ortho(double lon, double lat) {
  const double f = lat * kRad, f0 = kLat0 * kRad, dl = (lon - kLon0) * kRad;
  const double x = std::cos(f) * std::sin(dl);
  const double y = std::cos(f0) * std::sin(f) - std::sin(f0) * std::cos(f) * std::cos(dl);
  const double c = std::sin(f0) * std::sin(f) + std::cos(f0) * std::cos(f) * std::cos(dl);
  return {kSize / 2 + kRadius * x, kSize / 2 - kRadius * y, c};
}

// The position a distance d (degrees of arc) from (lon, lat) at bearing b.
std::pair<double, double> Destination(double lon, double lat, double b, double d) {
  const double f1 = lat * kRad, dr = d * kRad, br = b * kRad;
  const double f2 =
      std::asin(std::sin(f1) * std::cos(dr) + std::cos(f1) * std::sin(dr) * std::cos(br));
  const double l2 = lon * kRad + std::atan2(std::sin(br) * std::sin(dr) * std::cos(f1),
                                            std::cos(dr) - std::sin(f1) * std::sin(f2));
  return {l2 / kRad, f2 / kRad};
}

class GlobeHorizon : public MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    View(kSize, kSize, "TSphericalPrj", kRadius / EARTHRADIUS);
    map->LocateToLL(static_cast<int32_t>(kLon0 * D), static_cast<int32_t>(kLat0 * D));
    Ink(gdi::TColor(0));
  }

  // course(t) for t in [0, 1] is the line as a position; checks what was drawn against it.
  void Check(const std::function<std::pair<double, double>(double)>& course, const char* what) {
    std::vector<Seen> seen;
    std::vector<Seen> horizon;
    constexpr int kSamples = 20000;
    Seen prev{};
    for (int i = 0; i <= kSamples; ++i) {
      const auto [lon, lat] = course(double(i) / kSamples);
      const Seen s = Ortho(lon, lat);
      if (i > 0 && (s.cosine > 0) != (prev.cosine > 0)) {
        // The crossing, between two samples a fraction of a pixel apart, pushed onto the outline.
        const double t = prev.cosine / (prev.cosine - s.cosine);
        const double x = prev.x + t * (s.x - prev.x) - kSize / 2,
                     y = prev.y + t * (s.y - prev.y) - kSize / 2;
        const double r = std::hypot(x, y);
        horizon.push_back({kSize / 2 + x * kRadius / r, kSize / 2 + y * kRadius / r, 0});
      }
      if (s.cosine > 0) seen.push_back(s);
      prev = s;
    }
    ASSERT_FALSE(horizon.empty()) << what << " must cross the horizon";
    const auto nearest = [&](double x, double y) {
      double best = 1e9;
      for (const Seen& s : seen) best = std::min(best, std::hypot(s.x - x, s.y - y));
      return best;
    };
    int drawn = 0, astray = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        if (Pixel(x, y) == 0xFFFFFF) continue;
        ++drawn;
        if (nearest(x, y) > 2) ++astray;
      }
    EXPECT_GT(drawn, 100) << what;
    EXPECT_EQ(astray, 0) << what << ": pixels off the line's course";
    for (const Seen& h : horizon) {
      bool reached = false;
      for (int y = int(h.y) - 2; y <= int(h.y) + 2; ++y)
        for (int x = int(h.x) - 2; x <= int(h.x) + 2; ++x)
          if (Pixel(x, y) != 0xFFFFFF && std::hypot(x - h.x, y - h.y) <= 1.5) reached = true;
      EXPECT_TRUE(reached) << what << ": no piece ends on the outline at " << h.x << "," << h.y;
    }
  }
};

TEST_F(GlobeHorizon, TheViewCentreIsWhereTheReferenceHasIt) {
  const TEarthDevicePoint c = At(kLon0, kLat0), e = At(kLon0 + 30, kLat0 - 10);
  const Seen r = Ortho(kLon0 + 30, kLat0 - 10);
  EXPECT_EQ(c.X, kSize / 2);
  EXPECT_EQ(c.Y, kSize / 2);
  EXPECT_NEAR(e.X, r.x, 1);
  EXPECT_NEAR(e.Y, r.y, 1);
}

TEST_F(GlobeHorizon, TheFortiethParallelStopsAtTheHorizonOnBothSides) {
  // Drawn as the graticule draws it: two halves of 72 segments.
  const int32_t y = 40 * D;
  map->RenderLine(PointLL(971'999'999, y), PointLL(0, y), 72);
  map->RenderLine(PointLL(0, y), PointLL(-971'999'999, y), 72);
  Check([](double t) { return std::pair{-180 + 360 * t, 40.0}; }, "40 N");
}

TEST_F(GlobeHorizon, ARangeCircleAcrossTheHorizonIsCutWhereItCrossesIt) {
  // 30 degrees round 45 N 40 E, 74 degrees from the view centre.
  map->RenderCircle(PointLL(40 * D, 45 * D), 30 * D, 36);
  Check([](double t) { return Destination(40, 45, 360 * t, 30); }, "range circle");
}

TEST_F(GlobeHorizon, GreatCirclesGoBehindTheHorizonAndComeBack) {
  const auto along = [](double lon1, double lat1, double lon2, double lat2, double turns) {
    // The great circle from the first position through the second, by its pole.
    const auto v = [](double lon, double lat) {
      return std::array<double, 3>{std::cos(lat * kRad) * std::cos(lon * kRad),
                                   std::cos(lat * kRad) * std::sin(lon * kRad),
                                   std::sin(lat * kRad)};
    };
    const auto a = v(lon1, lat1), b = v(lon2, lat2);
    const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    const double angle = turns > 0 ? 2 * kPi * turns : std::acos(dot);
    std::array<double, 3> u{b[0] - dot * a[0], b[1] - dot * a[1], b[2] - dot * a[2]};
    const double n = std::hypot(u[0], u[1], u[2]);
    for (double& c : u) c /= n;
    return [=](double t) {
      const double s = std::sin(angle * t), c = std::cos(angle * t);
      const double x = a[0] * c + u[0] * s, y = a[1] * c + u[1] * s, z = a[2] * c + u[2] * s;
      return std::pair{std::atan2(y, x) / kRad, std::asin(z) / kRad};
    };
  };
  map->RenderGreatCircleLine(PointLL(-70 * D, 40 * D), PointLL(100 * D, 30 * D), gcShortest);
  Check(along(-70, 40, 100, 30, 0), "40 N 70 W to 30 N 100 E");
  Clear(0xFFFFFF);
  map->RenderGreatCircleLine(PointLL(-100 * D, 10 * D), PointLL(-20 * D, 50 * D), gcCircle);
  Check(along(-100, 10, -20, 50, 1), "the whole circle");
}

// For a person to look at: the globe from 40 N 70 W with its graticule, the range circle and the
// two great circles, every line stopping at the outline.
TEST_F(GlobeHorizon, Snapshot) {
  map->PaintBackground(gdi::TColor(0xFFFFFF));
  map->PaintGraticuleLines();
  Ink(gdi::TColor(0x0000FF));
  map->RenderCircle(PointLL(40 * D, 45 * D), 30 * D, 36);
  map->RenderGreatCircleLine(PointLL(-70 * D, 40 * D), PointLL(100 * D, 30 * D), gcShortest);
  map->RenderGreatCircleLine(PointLL(-100 * D, 10 * D), PointLL(-20 * D, 50 * D), gcCircle);
  SaveSnapshot(canvas, "globe_horizon.png");
}

}  // namespace
}  // namespace maptest
