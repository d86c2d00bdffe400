// The projection object and its three models, against reference points made by proj
// (tests/map/fixtures/make_projections.sh) and by round trips through the inverse.
#include "map/earthprojmodels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "tests/map/testearthmap.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

constexpr int kWidth = 1280, kHeight = 800;
constexpr double kDeg = 5'400'000.0;
constexpr double kPi = 3.14159265358979323846;

// Reference sections by title ("ortho 23.5 0", "merc 30 x", ...); each line split in fields.
std::map<std::string, std::vector<std::vector<std::string>>> ReadReference() {
  std::ifstream in(CORV_SOURCE_DIR "/tests/map/fixtures/projections.txt");
  std::map<std::string, std::vector<std::vector<std::string>>> sections;
  std::string line, title;
  while (std::getline(in, line)) {
    if (line.rfind("# ", 0) == 0) {
      title = line.substr(2);
      continue;
    }
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string s; fields >> s;) f.push_back(s);
    sections[title].push_back(f);
  }
  return sections;
}

std::vector<double> GridLongitudes() {
  std::vector<double> v;
  for (int lon = -180; lon <= 180; lon += 5) v.push_back(lon);
  return v;
}
std::vector<double> GridLatitudes() {
  std::vector<double> v{-90, -89.9, -89};
  for (int lat = -85; lat <= 85; lat += 5) v.push_back(lat);
  for (double lat : {89.0, 89.9, 90.0}) v.push_back(lat);
  return v;
}

int32_t GU(double degrees) {
  return static_cast<int32_t>(std::llround(degrees * kDeg));
}

class Projections : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    map = std::make_unique<TTestEarthMap>(nullptr);
    map->UseBackBuffer(kWidth, kHeight);
    p = map->Projection();
  }
  void TearDown() override {
    map.reset();
    VclTest::TearDown();
  }
  // A view of the model at scale sf with the origin in the middle of the window.
  void View(const std::string& model, double sf, double lat0 = 0, double lon0 = 0,
            double centralMeridian = 0) {
    p->SetProjectionClass(model);
    p->SetScaleFactor(sf);
    p->SetFloatProp(ppCentralMeridian, centralMeridian);
    p->SetFloatProp(ppXRotation, lat0);
    p->SetFloatProp(ppYRotation, lon0);
    p->SetEarthCenterXY({kWidth / 2, kHeight / 2});
    // The flat models pan when rotated: put the origin back where the table expects it.
    p->SetIntegerProp(ppXOrigin, kWidth / 2);
    p->SetIntegerProp(ppYOrigin, kHeight / 2);
  }
  bool ToXY(double lon, double lat, TEarthDevicePoint& pt) {
    return p->LLToDeviceXY(GU(lon), GU(lat), pt);
  }

  std::unique_ptr<TTestEarthMap> map;
  TEarthProjection* p = nullptr;
};

TEST_F(Projections, GlobeAgreesWithProjInPixelsAndVisibility) {
  const auto ref = ReadReference();
  const auto lons = GridLongitudes();
  const auto lats = GridLatitudes();
  for (const auto& [lat0, lon0] : {std::pair{23.5, 0.0}, {-35.0, 150.0}, {60.0, -100.0}}) {
    std::ostringstream title;
    title << "ortho " << lat0 << " " << lon0;
    const auto& rows = ref.at(title.str());
    ASSERT_EQ(rows.size(), lons.size() * lats.size());
    for (double sf : {1e-6, 1e-4, 0.1}) {
      View("TSphericalPrj", sf, lat0, lon0);
      size_t i = 0, compared = 0;
      for (double lat : lats) {
        for (double lon : lons) {
          const auto& row = rows[i++];
          TEarthDevicePoint pt;
          const bool visible = ToXY(lon, lat, pt);
          // Near or far by the spherical cosine of the distance from the view centre.
          const double f = lat * kPi / 180, f0 = lat0 * kPi / 180;
          const double cosc = std::sin(f0) * std::sin(f) +
                              std::cos(f0) * std::cos(f) * std::cos((lon - lon0) * kPi / 180);
          if (std::fabs(cosc) < 1e-6) continue;
          const bool projNear = row[0] != "*";
          ASSERT_EQ(visible, projNear) << title.str() << " at " << lon << "," << lat;
          if (!projNear) continue;
          const double x = kWidth / 2 + std::stod(row[0]) * sf;
          const double y = kHeight / 2 - std::stod(row[1]) * sf;
          ASSERT_LE(std::fabs(pt.X - x), 1.0) << title.str() << " sf " << sf << " " << lon;
          ASSERT_LE(std::fabs(pt.Y - y), 1.0) << title.str() << " sf " << sf << " " << lat;
          ++compared;
        }
      }
      EXPECT_GT(compared, 1000u);
      // The far side shows in the back-side pass only.
      p->SetBackFacePass(true);
      TEarthDevicePoint pt;
      EXPECT_FALSE(ToXY(lon0, lat0, pt));
      EXPECT_TRUE(ToXY(lon0 + 180, -lat0, pt));
      p->SetBackFacePass(false);
    }
  }
}

TEST_F(Projections, FlatModelsAgreeWithProj) {
  const auto ref = ReadReference();
  const auto lons = GridLongitudes();
  const auto lats = GridLatitudes();
  struct Case {
    const char* model;
    const char* name;
    double cm;
  };
  for (const Case c : {Case{"TMercatorPrj", "merc", 30}, Case{"TCartesianPrj", "eqc", -150}}) {
    const std::string base = std::string(c.name) + " " + (c.cm == 30 ? "30" : "-150");
    const auto& xs = ref.at(base + " x");
    const auto& ys = ref.at(base + " y");
    const bool merc = std::string(c.name) == "merc";
    const std::vector<double> yLats =
        merc ? std::vector<double>{-89.9, -89} : std::vector<double>(lats.begin(), lats.end());
    std::vector<double> refLats = yLats;
    if (merc) {
      for (int lat = -85; lat <= 85; lat += 5) refLats.push_back(lat);
      for (double lat : {89.0, 89.9}) refLats.push_back(lat);
    }
    ASSERT_EQ(xs.size(), lons.size());
    for (double sf : {6.5e-7, 1e-4, 0.1}) {
      View(c.model, sf, 0, 0, c.cm);
      for (size_t i = 0; i < lons.size(); ++i) {
        // Exactly on the back meridian either edge is right.
        if (std::fabs(std::remainder(lons[i] - c.cm, 360.0)) == 180) continue;
        for (size_t j = 0; j < refLats.size(); ++j) {
          TEarthDevicePoint pt;
          EXPECT_TRUE(ToXY(lons[i], refLats[j], pt));
          const double x = kWidth / 2 + std::stod(xs[i][0]) * sf;
          const double y =
              std::clamp(kHeight / 2 - std::stod(ys[j][0]) * sf, -134217728.0, 134217728.0);
          ASSERT_LE(std::fabs(pt.X - x), 1.0) << c.name << " sf " << sf << " lon " << lons[i];
          ASSERT_LE(std::fabs(pt.Y - y), 1.0) << c.name << " sf " << sf << " lat " << refLats[j];
        }
      }
    }
    if (merc) {
      // The poles project as latitude 485,999,999 globe units does, not to infinity.
      View(c.model, 1e-6, 0, 0, c.cm);
      const size_t n = ys.size();
      for (const auto& [lat, row] : {std::pair{90.0, n - 1}, {-90.0, n - 2}}) {
        TEarthDevicePoint pole, edge;
        ToXY(c.cm, lat, pole);
        p->LLToDeviceXY(GU(c.cm), lat > 0 ? 485'999'999 : -485'999'999, edge);
        EXPECT_EQ(pole.Y, edge.Y);
        EXPECT_LE(std::fabs(pole.Y - (kHeight / 2 - std::stod(ys[row][0]) * 1e-6)), 1.0);
      }
    }
  }
}

TEST_F(Projections, DevicePointsStayWithinLimitsAtDeepZoom) {
  // Far beyond 32 bits: a flat map at the largest scale, Mercator close to the poles.
  View("TCartesianPrj", 3.0);
  TEarthDevicePoint pt;
  p->LLToDeviceXY(GU(179), GU(-89), pt);
  EXPECT_EQ(pt.X, 134217728);
  EXPECT_EQ(pt.Y, 134217728);
  p->LLToDeviceXY(GU(-179), GU(89), pt);
  EXPECT_EQ(pt.X, -134217728);
  EXPECT_EQ(pt.Y, -134217728);
  View("TMercatorPrj", 0.5);
  p->LLToDeviceXY(0, GU(89.9), pt);
  EXPECT_EQ(pt.Y, -134217728);
  p->LLToDeviceXY(0, 485'999'999, pt);
  EXPECT_EQ(pt.Y, -134217728);
}

// Each pixel to a position and back to the same pixel.
TEST_F(Projections, EveryPixelRoundTrips) {
  for (const char* model : {"TSphericalPrj", "TCartesianPrj", "TMercatorPrj"}) {
    for (double sf : {1e-6, 1e-3, 0.1}) {
      View(model, sf, 40, -70, 20);
      int onMap = 0;
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          TPointLL ll;
          if (!p->DeviceXYToLL(x, y, ll)) continue;
          ++onMap;
          TEarthDevicePoint back;
          const bool visible = p->PointLLToXY(ll, back);
          ASSERT_EQ(back.X, x) << model << " sf " << sf << " at " << x << "," << y;
          ASSERT_EQ(back.Y, y) << model << " sf " << sf << " at " << x << "," << y;
          const double r = std::hypot(x - kWidth / 2.0, y - kHeight / 2.0);
          if (std::string(model) != "TSphericalPrj" || r < 309397230 * sf - 1) {
            ASSERT_TRUE(visible) << model << " at " << x << "," << y;
          }
        }
      }
      EXPECT_GT(onMap, 1000) << model << " " << sf;
    }
  }
}

// Great-circle distance in globe units (sphere of one radian in globe units).
double Distance(const TPointLL& a, const TPointLL& b) {
  const double f1 = a.iLatY / kDeg * kPi / 180, f2 = b.iLatY / kDeg * kPi / 180;
  const double dl = (double(b.iLongX) - a.iLongX) / kDeg * kPi / 180;
  const double s = std::sin((f2 - f1) / 2), t = std::sin(dl / 2);
  const double h = s * s + std::cos(f1) * std::cos(f2) * t * t;
  return 2 * std::asin(std::min(1.0, std::sqrt(h))) * 309397209.3706445;
}

TEST_F(Projections, PositionsRoundTripWithinHalfAPixel) {
  const auto lons = GridLongitudes();
  std::vector<double> lats = GridLatitudes();
  for (const char* model : {"TSphericalPrj", "TCartesianPrj", "TMercatorPrj"}) {
    const std::string name = model;
    for (double sf : {1e-6, 1e-4, 0.01}) {
      const double lat0 = 30, lon0 = 10;
      View(model, sf, lat0, lon0);
      int checked = 0;
      for (double lat : lats) {
        if (name != "TCartesianPrj" && std::fabs(lat) == 90) continue;
        if (name == "TMercatorPrj" && std::fabs(lat) > 89.9) continue;
        for (double lon : lons) {
          const TPointLL ll = PointLL(GU(lon), GU(lat));
          TEarthDevicePoint pt;
          if (!p->PointLLToXY(ll, pt)) continue;
          if (std::abs(pt.X) >= 134217728 || std::abs(pt.Y) >= 134217728) continue;
          double limit = 0.71 / sf;
          if (name == "TSphericalPrj") {
            const double f = lat * kPi / 180, f0 = lat0 * kPi / 180;
            const double cosc = std::sin(f0) * std::sin(f) +
                                std::cos(f0) * std::cos(f) * std::cos((lon - lon0) * kPi / 180);
            if (cosc < 0.05) continue;  // foreshortened to nothing at the horizon
            limit /= cosc;
          }
          TPointLL back;
          ASSERT_TRUE(p->DeviceXYToLL(pt.X, pt.Y, back)) << model << " " << lon << "," << lat;
          if (std::fabs(lat) == 90) {
            EXPECT_EQ(back.iLatY, ll.iLatY);
          } else {
            ASSERT_LE(Distance(ll, back), limit + 1)
                << model << " sf " << sf << " " << lon << "," << lat;
          }
          ++checked;
        }
      }
      EXPECT_GT(checked, 100) << model;
    }
  }
}

TEST_F(Projections, CentreSettersPutThePositionInTheMiddle) {
  for (const char* model : {"TSphericalPrj", "TCartesianPrj", "TMercatorPrj"}) {
    View(model, 1e-5, 10, 20);
    for (const auto& [lon, lat] : {std::pair{-73.5, 40.7}, {151.2, -33.9}, {4.9, 52.4}}) {
      map->LocateToLL(GU(lon), GU(lat));
      TEarthDevicePoint pt;
      EXPECT_TRUE(p->LLToDeviceXY(GU(lon), GU(lat), pt)) << model;
      EXPECT_LE(std::abs(pt.X - kWidth / 2), 1) << model << " " << lon;
      EXPECT_LE(std::abs(pt.Y - kHeight / 2), 1) << model << " " << lat;
      // The middle pixel's position, 1 / 1e-5 globe units wide.
      EXPECT_NEAR(p->GetCenterLat(), lat, 0.02) << model;
      EXPECT_NEAR(p->GetCenterLong(), lon, 0.02) << model;
    }
  }
}

TEST_F(Projections, GlobeEdgeCases) {
  View("TSphericalPrj", 1e-6, 0, 0);
  // A point on the horizon (90 degrees from the centre) is far side.
  TEarthDevicePoint pt;
  EXPECT_FALSE(p->LLToDeviceXY(GU(90), 0, pt));
  // A pixel off the disc is off the globe and leaves the buffer alone.
  gaPoints[0] = {123, 456};
  EXPECT_FALSE(p->Model()->XYToLL(0, 0, 0));
  EXPECT_EQ(gaPoints[0].X, 123);
  EXPECT_EQ(gaPoints[0].Y, 456);
  TPointLL ll;
  EXPECT_FALSE(p->DeviceXYToLL(0, 0, ll));
  EXPECT_EQ(ll.iLongX, GU_180DEGREE);
  EXPECT_DOUBLE_EQ(static_cast<double>(p->GetCenterLat()), 0);
  // A globe far off the window does not cover its middle.
  p->SetEarthCenterXY({-5000, -5000});
  EXPECT_EQ(p->GetCenterLat(), 2147483647.0L);
  // X rotation is held within +-90.
  p->SetFloatProp(ppXRotation, 100);
  EXPECT_EQ(p->XRotation(), 90);
  // A chain all within one pixel gives one point; a far-side chain none, also as a ring cut at
  // the horizon (pushed onto the outline it left a sliver there).
  View("TSphericalPrj", 1e-6, 0, 0);
  TPointStore near;
  for (int i = 0; i < 10; ++i) near.Add(PointLL(i * 10, i * 10));
  EXPECT_EQ(p->Model()->PointStoreToXY(near, 5, false), 6);
  TPointStore far;
  far.Add(PointLL(GU(180), 0));  // straight behind the centre
  far.Add(PointLL(GU(150), GU(10)));
  far.Add(PointLL(GU(150), GU(-10)));
  EXPECT_EQ(p->Model()->PointStoreToXY(far, 0, false), 0);
  EXPECT_EQ(p->Model()->PointStoreToXY(far, 0, true), 0);
  // A line leaving the near side runs on to the outline: 60 E, then where 90 E is crossed.
  TPointStore leaving;
  leaving.Add(PointLL(GU(60), 0));
  leaving.Add(PointLL(GU(120), 0));
  std::vector<int32_t> pieces;
  p->Model()->OpenChainToXY(leaving, [&](int32_t count) { pieces.push_back(count); });
  ASSERT_EQ(pieces, std::vector<int32_t>{2});
  EXPECT_EQ(gaPoints[1].Y, kHeight / 2);
  EXPECT_NEAR(gaPoints[1].X - kWidth / 2.0, 309397230 * 1e-6, 1);
  // A ring crossing the horizon leaves it and comes back on the outline.
  TPointStore across;
  across.Add(PointLL(GU(60), 0));
  across.Add(PointLL(GU(120), GU(-20)));
  across.Add(PointLL(GU(120), GU(20)));
  const int32_t n = p->Model()->PointStoreToXY(across, 0, true);
  ASSERT_GE(n, 4);
  for (int32_t i = 1; i < n; ++i) {
    const double r = std::hypot(gaPoints[i].X - kWidth / 2.0, gaPoints[i].Y - kHeight / 2.0);
    EXPECT_NEAR(r, 309397230 * 1e-6, 1) << "point " << i << " on the outline";
  }
}

TEST_F(Projections, FlatChainsAndRectangles) {
  View("TCartesianPrj", 6.5e-7);
  TPointStore near;
  for (int i = 0; i < 10; ++i) near.Add(PointLL(i * GU_MINUTE, 0));
  EXPECT_EQ(p->Model()->PointStoreToXY(near, 0, false), 1);
  // A MER 350 degrees wide from 170 E is tested in two pieces, visible.
  TEarthObjectStateSet state;
  EXPECT_TRUE(p->Model()->VisibleMER(MER(GU(170), GU(-10), GU(350), GU(20)), state));
  EXPECT_TRUE(state.Contains(osFace));
  // Zoomed in on Europe, a MER round New Zealand is off the window.
  View("TCartesianPrj", 1e-4, 0, 0);
  map->LocateToLL(GU(10), GU(50));
  EXPECT_FALSE(p->Model()->VisibleMER(MER(GU(165), GU(-47), GU(14), GU(13)), state));
  EXPECT_TRUE(p->Model()->VisibleMER(MER(GU(9), GU(49), GU(2), GU(2)), state));
}

TEST_F(Projections, ScaleLimitsAndEvents) {
  int zoomed = 0;
  map->OnZoomed = rtl::TNotifyEvent(&zoomed, [&](rtl::TObject*) { ++zoomed; });
  p->SetScaleFactor(0);  // fit: the globe's diameter fills the window's height
  EXPECT_NEAR(static_cast<double>(p->ScaleFactor()), 800.0 / (2 * 309397230), 1e-12);
  EXPECT_EQ(p->XOrigin(), kWidth / 2);
  EXPECT_EQ(p->YOrigin(), kHeight / 2);
  const int before = zoomed;
  p->SetScaleFactor(p->ScaleFactor() + 1e-11);
  EXPECT_EQ(zoomed, before);
  // Zooming in by two halves the altitude and keeps the middle in place.
  p->SetFloatProp(ppXRotation, 20);
  p->SetEarthCenterXY({kWidth / 2 + 150, kHeight / 2 - 60});
  TPointLL middle, middleNow;
  ASSERT_TRUE(p->DeviceXYToLL(kWidth / 2, kHeight / 2, middle));
  const int32_t altitude = p->Altitude();
  p->SetScaleFactor(p->ScaleFactor() * 2);
  EXPECT_NEAR(p->Altitude(), altitude / 2.0, 1);
  ASSERT_TRUE(p->DeviceXYToLL(kWidth / 2, kHeight / 2, middleNow));
  EXPECT_LE(Distance(middle, middleNow), 1 / p->ScaleFactor());
  // Never closer than 3 pixels a globe unit, with or without zoom limits.
  p->SetScaleFactor(8.4);
  EXPECT_EQ(p->ScaleFactor(), 3.0L);
  p->SetAltitude(1);  // 1 / tan(50 degrees)
  EXPECT_NEAR(static_cast<double>(p->ScaleFactor()), 0.8391, 1e-4);
  p->SetFloatProp(ppMinZoom, 0.001);
  p->SetFloatProp(ppMaxZoom, 0.01);
  p->SetScaleFactor(1);
  EXPECT_NEAR(static_cast<double>(p->ScaleFactor()), 0.01, 1e-15);
  p->SetFloatProp(ppMaxZoom, 5);
  EXPECT_EQ(p->MaxZoom, 3.0L);
  p->SetFloatProp(ppMaxLatitude, 100);
  EXPECT_EQ(p->MaxLatitude, 90.0L);
}

TEST_F(Projections, EnvironmentRoundTripAndRefusals) {
  View("TMercatorPrj", 2e-6, 0, 0, 12.5);
  p->SetSpheroid(TSpheroid::Clarke1866);
  auto saved = p->SaveEnvironment();
  ASSERT_EQ(saved->ElementByName("ProjectionModel", 0)->AttributeByName("Class", ""),
            "TMercatorPrj");
  auto other = std::make_unique<TTestEarthMap>(nullptr);
  other->UseBackBuffer(kWidth, kHeight);
  TEarthProjection* q = other->Projection();
  q->LoadEnvironment(saved.get());
  EXPECT_EQ(q->GetProjectionClass(), "TMercatorPrj");
  EXPECT_EQ(q->Spheroid, TSpheroid::Clarke1866);
  EXPECT_NEAR(static_cast<double>(q->CentralMeridian), 12.5, 1e-12);
  EXPECT_NEAR(static_cast<double>(q->ScaleFactor()), 2e-6, 1e-15);
  // Values that are no numbers, spheroids past the table: the old value stays.
  TEarthXML_Element bad;
  bad.AddAttribute("XRotation", "nan");
  bad.AddAttribute("ZRotation", "inf");
  bad.AddAttribute("Spheroid", "200");
  const Extended x = q->XRotation(), z = q->ZRotation();
  q->LoadEnvironment(&bad);
  EXPECT_EQ(q->XRotation(), x);
  EXPECT_EQ(q->ZRotation(), z);
  EXPECT_EQ(q->Spheroid, TSpheroid::Clarke1866);
  // An unknown class and a class of the wrong kind are refused.
  EXPECT_THROW(q->SetProjectionClass("TNoSuchPrj"), rtl::Exception);
  rtl::RegisterClass<TEarthPen>("TNotAProjectionModel",
                                [](TEarthProjection*) -> rtl::TObject* { return new TEarthPen; });
  EXPECT_THROW(q->SetProjectionClass("TNotAProjectionModel"), EEarthException);
  EXPECT_EQ(q->GetProjectionClass(), "TMercatorPrj");
}

TEST_F(Projections, AViewTakenFromAnotherIsCentredOnTheNextPositionHoweverNear) {
  View("TSphericalPrj", 1e-5);
  p->LocateCenter(10, 50);
  std::unique_ptr<TEarthProjection> other = p->Clone();
  other->SetFloatProp(ppYRotation, other->YRotation() + 30);  // the other looks 30 degrees west
  p->Assign(other.get());
  // 12,000 globe units north: 0.12 pixels from the centre asked for last.
  p->LocateCenter(10, 50 + 12'000 / kDeg);
  EXPECT_NEAR(double(p->GetCenterLong()), 10, 1e-3);
  EXPECT_NEAR(double(p->GetCenterLat()), 50 + 12'000 / kDeg, 1e-3);
}

TEST_F(Projections, ClonesConvertAlike) {
  for (const char* model : {"TSphericalPrj", "TCartesianPrj", "TMercatorPrj"}) {
    View(model, 3e-6, -20, 75, 40);
    std::unique_ptr<TEarthProjection> clone = p->Clone();
    EXPECT_EQ(clone->GetProjectionClass(), model);
    for (const auto& [lon, lat] : {std::pair{80.0, -15.0}, {60.0, 10.0}, {-100.0, 50.0}}) {
      TEarthDevicePoint a, b;
      const bool va = p->LLToDeviceXY(GU(lon), GU(lat), a);
      const bool vb = clone->LLToDeviceXY(GU(lon), GU(lat), b);
      EXPECT_EQ(va, vb) << model;
      EXPECT_EQ(a.X, b.X) << model;
      EXPECT_EQ(a.Y, b.Y) << model;
    }
  }
}

TEST(Spheroids, TableHoldsTheReferenceAxesInGlobeUnits) {
  // WGS 84: a = 6,378,137 m, 1/f = 298.257223563.
  const TSpheroidData& w = SpheroidData(TSpheroid::WGS84);
  EXPECT_EQ(w.SemiMajorAxis, static_cast<int32_t>(std::llround(6378137 * 48.59611231101512)));
  EXPECT_NEAR(1 / w.Flattening, 298.257223563, 1e-9);
  // International 1924: 6,378,388 m, 1/f = 297.
  const TSpheroidData& i = SpheroidData(TSpheroid::International1924);
  EXPECT_EQ(i.SemiMajorAxis, static_cast<int32_t>(std::llround(6378388 * 48.59611231101512)));
  EXPECT_NEAR(1 / i.Flattening, 297, 1e-9);
  EXPECT_EQ(SpheroidFromOrdinal(SpheroidCount), TSpheroid::WGS84);
}

}  // namespace
