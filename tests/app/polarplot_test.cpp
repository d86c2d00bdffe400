// The polar diagrams on the form's picture: background, theoretical curve of the sample polar and
// the scatter of a log table, against pixels worked out from the geometry (ring spacing 22 pixels,
// one ring per scale/10 knots), the polar's figures and the log as pxlib reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "app/polar.h"
#include "platform/gdi/image.h"
#include "platform/vcl/bitmap.h"
#include "tests/app/apptest.h"
#include "tests/app/pxread.h"
#include "tests/platform/vcl/dbfixture.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCentre = 225;
constexpr double kPi = 3.14159265358979323846;

class TestPolardata : public TPolardata {
 public:
  explicit TestPolardata(const std::string& dir) : TPolardata(nullptr) {
    for (db::TDataSet* d : std::initializer_list<db::TDataSet*>{Table1, Query5, Query6, Query7}) {
      if (auto* t = dynamic_cast<db::TTable*>(d)) t->SetDatabaseName(dir);
      if (auto* q = dynamic_cast<db::TQuery*>(d)) q->SetDatabaseName(dir);
    }
  }
};

class PolarPlotTest : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    char pattern[] = "/tmp/corv_polarplot_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF", dir + "/PERFORMANCE.DBF");
    vcl::SetDialogResponder([this](const vcl::TDialogRequest& r) {
      vcl::TDialogAnswer a;
      if (r.Kind == "Open") a.FileName = logFile;
      return a;
    });
    form = std::make_unique<TestPolardata>(dir);
    form->FormCreate(nullptr);
  }
  void TearDown() override {
    form.reset();
    VclTest::TearDown();
    fs::remove_all(dir);
  }

  gdi::COLORREF Pixel(int x, int y) { return form->Image1->Canvas()->Pixels(x, y); }
  int CountColour(gdi::COLORREF c) {
    int n = 0;
    for (int y = 0; y < 450; ++y)
      for (int x = 0; x < 450; ++x) n += Pixel(x, y) == c ? 1 : 0;
    return n;
  }
  // Whether a pixel of colour c lies within r pixels of (x, y).
  bool Near(int x, int y, gdi::COLORREF c, int r) {
    for (int j = -r; j <= r; ++j)
      for (int i = -r; i <= r; ++i)
        if (Pixel(x + i, y + j) == c) return true;
    return false;
  }
  // Pixel of angle a and speed s from the geometry alone: 22 pixels per ring.
  static std::pair<int, int> Expected(double a, double s, int scale, bool port) {
    const double p = 22.0 / (scale / 10);
    const long x = std::lround(std::sin(a * kPi / 180) * s * p);
    const long y = std::lround(std::cos(a * kPi / 180) * s * p);
    return {static_cast<int>(port ? kCentre - x : kCentre + x), static_cast<int>(kCentre - y)};
  }
  // Share of the pixels of `text` drawn alone at (x, y) that the picture shows in the same place.
  double TextMatch(const std::string& text, int x, int y) {
    vcl::TBitmap ref;
    ref.SetSize(450, 450);
    ref.Canvas()->Brush()->SetColor(vcl::clBlack);
    ref.Canvas()->FillRect(vcl::TRect{0, 0, 450, 450});
    ref.Canvas()->Brush()->SetStyle(vcl::bsClear);
    ref.Canvas()->Font()->Assign(form->Image1->Canvas()->Font());
    ref.Canvas()->TextOut(x, y, text);
    int ink = 0, same = 0;
    for (int j = y; j < y + 20 && j < 450; ++j)
      for (int i = x; i < x + 30 && i < 450; ++i) {
        const gdi::COLORREF r = ref.Canvas()->Pixels(i, j);
        if (r == gdi::RGB(0, 0, 0)) continue;
        ++ink;
        same += Pixel(i, j) == r ? 1 : 0;
      }
    return ink == 0 ? 0 : static_cast<double>(same) / ink;
  }
  void SetScale(const std::string& text) {
    form->ComboBox1->SetText(text);
    form->ComboBox1Change(nullptr);
  }
  // A log table written by our Paradox writer, as the recorder defines it.
  void WriteLog(const std::string& path, const std::vector<std::vector<double>>& rows) {
    auto table = apptest::NewLogTable(path);
    db::TTable& t = *table;
    for (const auto& r : rows) {  // twa, tws, speedog, speed, heading, geowindangle
      t.Append();
      const char* names[] = {"twa", "tws", "speedog", "Speed", "Heading", "GeoWindAngle"};
      for (size_t i = 0; i < 6; ++i) t.FieldByName(names[i])->SetAsFloat(r[i]);
      t.Post();
    }
    t.Close();
  }

  std::string dir, logFile;
  std::unique_ptr<TestPolardata> form;
  const gdi::COLORREF gray = gdi::ColorToRGB(vcl::clGray);
  const gdi::COLORREF red = gdi::ColorToRGB(vcl::clRed);
  const gdi::COLORREF blue = gdi::ColorToRGB(vcl::clBlue);
};

// Axes across the whole picture, ten rings labelled every scale/10 knots outwards from the
// centre, at 10, 20 and 30; a scale the box does not offer is refused and changes nothing.
TEST_F(PolarPlotTest, BackgroundAtEachScale) {
  for (int scale : {10, 20, 30}) {
    SetScale(std::to_string(scale));
    EXPECT_EQ(form->fScale, scale);
    EXPECT_EQ(Pixel(0, kCentre), gray);
    EXPECT_EQ(Pixel(449, kCentre), gray);
    EXPECT_EQ(Pixel(kCentre, 0), gray);
    EXPECT_EQ(Pixel(kCentre, 449), gray);
    // The diagonals pass the corners.
    EXPECT_EQ(Pixel(1, 1), gray);
    for (int i = 1; i < 10; ++i)
      EXPECT_GT(TextMatch(std::to_string(i * scale / 10), kCentre + 22 * i, kCentre), 0.9)
          << scale << " ring " << i;
  }
  // "Plot Polar" redraws through the creation handler: its labels keep the scale too.
  SetScale("20");
  form->FillPicture();
  form->FormCreate(nullptr);
  EXPECT_GT(TextMatch("18", kCentre + 22 * 9, kCentre), 0.9);
  EXPECT_LT(TextMatch("9", kCentre + 22 * 9, kCentre), 0.9);

  vcl::ClearDialogLog();
  for (const char* bad : {"0", "5", "x", "100"}) {
    SetScale(bad);
    EXPECT_EQ(form->fScale, 20) << bad;
    EXPECT_EQ(form->ComboBox1->Text(), "20");
  }
  EXPECT_EQ(vcl::DialogLog().size(), 4u);
  // A scale half typed waits without a word.
  SetScale("3");
  EXPECT_EQ(form->fScale, 20);
  EXPECT_EQ(vcl::DialogLog().size(), 4u);
}

// The 10 kn curve of the sample polar passes every figure of its column, blue, on both sides;
// nothing is drawn beyond the 180-degree row.
TEST_F(PolarPlotTest, TheoreticalCurveOfTheSamplePolar) {
  std::ifstream csv(fs::path(CORV_SOURCE_DIR) / "tools" / "makepolar" / "polar-10m.csv");
  std::vector<std::pair<double, double>> column;  // (twa, speed) at 10 kn
  for (std::string line; std::getline(csv, line);) {
    if (line.empty() || line[0] == '#' || line[0] == 'T') continue;
    std::stringstream in(line);
    std::string cell;
    std::vector<double> v;
    while (std::getline(in, cell, ',')) v.push_back(std::stod(cell));
    column.emplace_back(v[0], v[3]);
  }
  ASSERT_EQ(column.size(), 12u);
  for (int scale : {10, 20, 30}) {
    SetScale(std::to_string(scale));
    form->DBLookupComboBox1->SetKeyValue(db::Value{int64_t{10}});
    form->Button2Click(nullptr);
    for (auto [a, s] : column)
      for (bool port : {false, true}) {
        auto [x, y] = Expected(a, s, scale, port);
        EXPECT_TRUE(Near(x, y, blue, 2)) << scale << " " << a << " " << port;
      }
    // Between the 90 and 110 degree figures speed follows angle in a straight line.
    auto [xm, ym] = Expected(100, 7.45, scale, false);
    EXPECT_TRUE(Near(xm, ym, blue, 1)) << scale;
    // Nothing far out on the scale: 7.5 kn is the longest figure.
    for (int y = 0; y < 450; ++y)
      for (int x = 0; x < 450; ++x) {
        if (Pixel(x, y) == blue) {
          ASSERT_LE(std::hypot(x - kCentre, y - kCentre), 7.6 * 22 / (scale / 10) + 2);
        }
      }
  }
}

// Points of a log: the records between the limits (strict) are red markers where the geometry
// puts them, on the side of heading minus wind direction; wild values are skipped; a name with
// '"' opens the right table; an empty result draws nothing.
TEST_F(PolarPlotTest, RecordedScatter) {
  logFile = dir + "/race \"night\".lg";
  WriteLog(logFile, {
                        {45, 10, 6.0, 5.0, 100, 50},      // d 50: starboard
                        {118, 12, 7.5, 7.0, 10, 300},     // d 70 (-290 + 360): starboard
                        {60, 8, 5.1, 4.6, 300, 20},       // d 280: port
                        {150, 15, 8.0, 8.2, 200, 20},     // d 180: starboard
                        {90, 0, 6.0, 6.0, 0, 0},          // tws 0: out
                        {90, 20, 6.0, 6.0, 0, 0},         // tws 20: out
                        {30, 25, 6.0, 6.0, 0, 0},         // tws 25: out
                        {80, 10, 1e30, 1e30, 0, 0},       // absurd speed
                        {1e300, 10, 6.0, 6.0, 0, 0},      // absurd angle
                        {100, 10, 3.0, 3.0, -1e308, 10},  // absurd heading
                    });
  const apptest::PxTable px = apptest::ReadWithPxlib(logFile);
  ASSERT_EQ(px.records.size(), 10u);
  form->BitBtn3Click(nullptr);
  ASSERT_TRUE(form->BitBtn4->Enabled());
  ASSERT_TRUE(form->BitBtn5->Enabled());

  for (int source : {0, 1})
    for (int scale : {10, 20, 30}) {
      form->fSpeedSource = source;
      SetScale(std::to_string(scale));
      form->BitBtn4Click(nullptr);
      int expected = 0;
      for (const auto& r : px.records) {
        const double tws = r.at("tws"), twa = r.at("twa");
        const double speed = source == 1 ? r.at("Speed") : r.at("speedog");
        double d = r.at("Heading") - r.at("GeoWindAngle");
        if (d < 0) d += 360;
        if (!(tws > 0 && tws < 20) || !(std::fabs(twa) < 1e6) || !(std::fabs(d) < 1e6) ||
            !(std::fabs(speed) < 100))
          continue;
        auto [x, y] = Expected(twa, speed, scale, d > 180);
        EXPECT_EQ(Pixel(x, y), red) << source << " " << scale << " " << twa;
        EXPECT_EQ(Pixel(x + 1, y), red);
        EXPECT_EQ(Pixel(x + 1, y + 1), red);
        ++expected;
      }
      EXPECT_EQ(expected, 4);
      // Three pixels a marker, none elsewhere.
      EXPECT_EQ(CountColour(red), 3 * expected) << source << " " << scale;
    }

  // The limits are strict both ways: between 10 and 12 nothing is left.
  form->Edit5->SetText("10");
  form->Edit4->SetText("12");
  form->BitBtn4Click(nullptr);
  EXPECT_EQ(CountColour(red), 0);
  EXPECT_GT(CountColour(gray), 1000);  // the background is there
}

TEST_F(PolarPlotTest, AutomaticReplotEveryMinute) {
  logFile = dir + "/live.lg";
  WriteLog(logFile, {{45, 10, 6.0, 5.0, 100, 50}});
  form->BitBtn3Click(nullptr);
  form->BitBtn5Click(nullptr);
  EXPECT_EQ(form->BitBtn5->Caption(), "Stop");
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(CountColour(red), 0);
  clock->Advance(60000);
  Pump();
  EXPECT_EQ(CountColour(red), 3);
  form->BitBtn5Click(nullptr);
  EXPECT_EQ(form->BitBtn5->Caption(), "Automatic");
  EXPECT_FALSE(form->Timer1->Enabled());
}

// The curve stops at the first point past 180 degrees or 100 knots. (Rows come in the order of
// their angles, so an angle running back cannot come from the table.) Straight lines join the rows:
// from 150 degrees 6 kn to 260 degrees 20 kn the curve passes 180 degrees at 9.8 kn; from 90
// degrees 6 kn to 100 degrees 300 kn it passes 100 kn before 94 degrees, and the way back to
// 170 degrees 5 kn is never drawn.
TEST_F(PolarPlotTest, TheCurveStopsPastTheHalfCircleAndAHundredKnots) {
  fs::remove(dir + "/PERFORMANCE.DBF");
  vcltest::WritePolarTable(dir, {{10, 40, 4},
                                 {10, 90, 6},
                                 {10, 150, 6},
                                 {10, 260, 20},
                                 {12, 40, 4},
                                 {12, 90, 6},
                                 {12, 100, 300},
                                 {12, 170, 5}});
  form = std::make_unique<TestPolardata>(dir);
  form->FormCreate(nullptr);
  SetScale("30");
  form->DBLookupComboBox1->SetKeyValue(db::Value{int64_t{10}});
  form->Button2Click(nullptr);
  double farthest = 0;
  for (int y = 0; y < 450; ++y)
    for (int x = 0; x < 450; ++x)
      if (Pixel(x, y) == blue) farthest = std::max(farthest, std::hypot(x - kCentre, y - kCentre));
  EXPECT_GT(farthest, 9 * 22 / 3.0);
  EXPECT_LT(farthest, 10.5 * 22 / 3.0);

  form->BitBtn2Click(nullptr);
  form->DBLookupComboBox1->SetKeyValue(db::Value{int64_t{12}});
  form->Button2Click(nullptr);
  for (bool port : {false, true}) {
    auto [x, y] = Expected(90, 6, 30, port);
    EXPECT_TRUE(Near(x, y, blue, 2)) << port;
    for (double a : {120.0, 150.0, 170.0}) {
      auto [xb, yb] = Expected(a, 5 + (170 - a) / 70 * 295, 30, port);
      if (xb >= 0 && xb < 450 && yb >= 0 && yb < 450) {
        EXPECT_FALSE(Near(xb, yb, blue, 2)) << a;
      }
    }
    auto [xe, ye] = Expected(170, 5, 30, port);
    EXPECT_FALSE(Near(xe, ye, blue, 3)) << port;
  }
}

// What "Plot Polar", a wind speed and "Clear" draw reaches the screen at once, without anything
// else asking for a repaint.
TEST_F(PolarPlotTest, EveryPlotReachesTheScreen) {
  logFile = dir + "/live.lg";
  WriteLog(logFile, {{45, 10, 6.0, 5.0, 100, 50}, {120, 12, 7.0, 7.0, 100, 50}});
  form->Show();
  Pump();
  const vcl::TPoint origin = form->Image1->ClientToScreen(vcl::TPoint{0, 0});
  // Pixels of the picture the screen shows otherwise, and the screen's pixels of colour c, over
  // the part of the picture on the screen.
  auto onScreen = [&](gdi::COLORREF c, int& differing) {
    const gdi::Surface& screen = win::ComposeScreen();
    int n = 0;
    differing = 0;
    for (int y = 0; y < 450 && origin.y + y < screen.Height(); ++y)
      for (int x = 0; x < 450 && origin.x + x < screen.Width(); ++x) {
        const gdi::COLORREF shown = gdi::NativeToColor(screen.Get(origin.x + x, origin.y + y));
        n += shown == c ? 1 : 0;
        differing += shown != Pixel(x, y) ? 1 : 0;
      }
    return n;
  };
  int differing = 0;
  form->BitBtn3Click(nullptr);
  form->BitBtn4Click(nullptr);
  Pump();
  EXPECT_GT(onScreen(red, differing), 0);
  EXPECT_EQ(differing, 0);
  form->DBLookupComboBox1->SetKeyValue(db::Value{int64_t{10}});
  form->Button2Click(nullptr);
  Pump();
  EXPECT_GT(onScreen(blue, differing), 50);
  EXPECT_EQ(differing, 0);
  form->BitBtn2Click(nullptr);
  Pump();
  EXPECT_EQ(onScreen(blue, differing), 0);
  EXPECT_EQ(differing, 0);
}

// A limit that is not a number while "Automatic" runs: told once, and the replot stops.
TEST_F(PolarPlotTest, AutomaticWithALimitThatIsNotANumberStopsAndTellsOnce) {
  logFile = dir + "/live.lg";
  WriteLog(logFile, {{45, 10, 6.0, 5.0, 100, 50}});
  std::vector<std::string> boxes;
  vcl::SetDialogResponder([&](const vcl::TDialogRequest& r) {
    vcl::TDialogAnswer a;
    if (r.Kind == "Open") a.FileName = logFile;
    if (r.Kind == "MessageBox") boxes.push_back(r.Text);
    return a;
  });
  form->BitBtn3Click(nullptr);
  form->Edit4->SetText("twenty");
  form->BitBtn5Click(nullptr);
  for (int i = 0; i < 3; ++i) {
    clock->Advance(60000);
    Pump();
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("twenty"), std::string::npos) << boxes[0];
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(form->BitBtn5->Caption(), "Automatic");
}

// The form with the 10 kn curve and a scatter, written for a look.
TEST_F(PolarPlotTest, Snapshot) {
  logFile = dir + "/scatter.lg";
  std::vector<std::vector<double>> rows;
  for (int i = 0; i < 120; ++i) {
    const double twa = 35 + i * 1.2;
    const double speed = 7.2 * std::sin((twa + 10) * kPi / 200) + 0.3 * std::sin(i);
    rows.push_back({twa, 10, speed, speed, i % 2 ? 300.0 : 100.0, 50});
  }
  WriteLog(logFile, rows);
  form->Show();
  form->BitBtn3Click(nullptr);
  form->BitBtn4Click(nullptr);
  form->DBLookupComboBox1->SetKeyValue(db::Value{int64_t{10}});
  form->Button2Click(nullptr);
  Pump();
  gdi::SavePngFile(std::string(CORV_SNAPSHOT_DIR) + "/polar_plot.png", win::ComposeScreen());
  EXPECT_GT(CountColour(red), 100);
  EXPECT_GT(CountColour(blue), 100);
}

}  // namespace
