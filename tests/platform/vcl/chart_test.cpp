// Charts drawn into a bitmap: plot area, automatic axes, lines coloured per point, area fill,
// gaps at non-finite values, thinned labels.
#include "platform/vcl/chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "platform/gdi/gdi.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class Chart : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    chart = std::make_unique<TChart>(nullptr);
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(320, 200);
  }
  void Draw() { chart->Draw(bitmap.Canvas(), bitmap.Width(), bitmap.Height()); }
  TColor At(int x, int y) { return bitmap.Canvas()->Pixels(x, y); }
  TColor At(TPoint p) { return At(p.x, p.y); }
  // The pixel of a value, worked from the plot rectangle and the axis ends alone.
  TPoint Expected(double x, double y, bool xInverted = false) {
    const TRect r = chart->PlotRect();
    const TChartAxis& b = *chart->BottomAxis();
    const TChartAxis& l = *chart->LeftAxis();
    double fx = (x - b.Minimum()) / (b.Maximum() - b.Minimum());
    if (xInverted) fx = 1 - fx;
    const double fy = (y - l.Minimum()) / (l.Maximum() - l.Minimum());
    return {static_cast<int>(std::lround(r.left + fx * (r.Width() - 1))),
            static_cast<int>(std::lround(r.bottom - 1 - fy * (r.Height() - 1)))};
  }
  int CountInColumn(int x, TColor c) {
    int n = 0;
    for (int y = chart->PlotRect().top; y < chart->PlotRect().bottom; ++y) n += At(x, y) == c;
    return n;
  }

  std::unique_ptr<TChart> chart;
  TBitmap bitmap;
};

TEST_F(Chart, PlotAreaFrameAndTitle) {
  chart->SetTitle("Speed");
  auto* s = chart->AddSeries<TLineSeries>();
  for (int i = 0; i <= 10; ++i) s->AddXY(i, i);
  Draw();
  const TRect r = chart->PlotRect();
  ASSERT_GT(r.Width(), 200);
  ASSERT_GT(r.Height(), 100);
  EXPECT_EQ(At(0, 0), static_cast<TColor>(gdi::ColorToRGB(clBtnFace)));
  EXPECT_EQ(At(r.left - 1, (r.top + r.bottom) / 2), clBlack);          // frame
  EXPECT_EQ(At(r.right - 3, r.bottom - 3 - r.Height() / 2), clWhite);  // below the diagonal
  // The title sits above the plot, somewhere in the top band.
  bool titleInk = false;
  for (int y = 0; y < r.top - 1; ++y)
    for (int x = 0; x < bitmap.Width(); ++x) titleInk |= At(x, y) == clBlack;
  EXPECT_TRUE(titleInk);
}

TEST_F(Chart, AutomaticRangeIsOneTwoFive) {
  auto* s = chart->AddSeries<TLineSeries>();
  s->AddXY(0, 0.3);
  s->AddXY(1, 7.7);
  Draw();
  const TChartAxis& l = *chart->LeftAxis();
  const double step = l.Increment();
  const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
  EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
              std::fabs(mantissa - 5) < 1e-9)
      << step;
  EXPECT_LE(l.Minimum(), 0.3);
  EXPECT_GE(l.Maximum(), 7.7);
  EXPECT_LT(l.Maximum() - l.Minimum(), 7.4 + 2 * step);
  EXPECT_NEAR(std::remainder(l.Minimum(), step), 0, 1e-9);
  // x spans its points exactly.
  EXPECT_EQ(chart->BottomAxis()->Minimum(), 0);
  EXPECT_EQ(chart->BottomAxis()->Maximum(), 1);
}

TEST_F(Chart, FlatSeriesStillGetsASpanAndIsDrawnAcrossTheMiddle) {
  auto* s = chart->AddSeries<TLineSeries>();
  s->SetSeriesColor(clBlue);
  for (int i = 0; i <= 60; ++i) s->AddXY(i, 1e-5);
  Draw();
  const TChartAxis& l = *chart->LeftAxis();
  EXPECT_LT(l.Minimum(), 0);
  EXPECT_GT(l.Maximum(), 1e-5);
  const TRect r = chart->PlotRect();
  const int mid = (r.top + r.bottom - 1) / 2;
  int row = -1;
  for (int y = r.top; y < r.bottom; ++y)
    if (At((r.left + r.right) / 2, y) == clBlue) row = y;
  EXPECT_NEAR(row, mid, 1) << r.top << " " << r.bottom;
  // Every column of the plot carries the line, but the last: a line leaves out its end point.
  for (int x = r.left; x < r.right - 1; x += 7) EXPECT_EQ(CountInColumn(x, clBlue), 1) << x;
}

TEST_F(Chart, AMinimumSpanWidensOnlyANarrowerRangeAboutItsMiddle) {
  // Zeros beside a few samples of 0.00001: without a least span the scale runs in millionths.
  auto* s = chart->AddSeries<TLineSeries>();
  for (int i = 0; i <= 60; ++i) s->AddXY(i, i < 20 ? 0 : -1e-5);
  Draw();
  EXPECT_LT(chart->LeftAxis()->Increment(), 1e-5);
  chart->LeftAxis()->SetMinimumSpan(1);
  Draw();
  const TChartAxis& l = *chart->LeftAxis();
  EXPECT_GE(l.Increment(), 0.1);
  EXPECT_LE(l.Minimum(), -0.5);
  EXPECT_GE(l.Maximum(), 0.5);
  EXPECT_LT(l.Maximum() - l.Minimum(), 2);
  // A range wider than the least span is left as it is.
  s->Clear();
  s->AddXY(0, 0.3);
  s->AddXY(1, 7.7);
  Draw();
  EXPECT_LE(l.Minimum(), 0.3);
  EXPECT_GE(l.Maximum(), 7.7);
  EXPECT_LT(l.Maximum() - l.Minimum(), 7.4 + 2 * l.Increment());
}

TEST_F(Chart, LineTakesEachPointsColourAndNowIsOnTheRight) {
  chart->LeftAxis()->SetMinMax(0, 10);
  chart->BottomAxis()->SetInverted(true);
  auto* s = chart->AddSeries<TLineSeries>();
  s->AddXY(0, 2, "", clRed);
  s->AddXY(5, 2, "", clBlue);   // the segment 0..5 is blue
  s->AddXY(10, 8, "", clLime);  // 5..10 lime
  Draw();
  // A slanted line's pixel in a column lies within a row of the exact point (ties may round
  // either way).
  auto nearLine = [&](TPoint p, TColor c) {
    return At(p.x, p.y - 1) == c || At(p) == c || At(p.x, p.y + 1) == c;
  };
  EXPECT_EQ(At(Expected(2.5, 2, true)), clBlue);
  EXPECT_TRUE(nearLine(Expected(7.5, 5, true), clLime));
  // x = 0 at the right edge of the plot.
  EXPECT_EQ(Expected(0, 2, true).x, chart->PlotRect().right - 1);
  EXPECT_EQ(CountInColumn(chart->PlotRect().right - 1, clWhite), chart->PlotRect().Height() - 1);
}

TEST_F(Chart, AreaIsFilledDownToTheBottom) {
  chart->LeftAxis()->SetMinMax(0, 10);
  auto* s = chart->AddSeries<TAreaSeries>();
  s->SetSeriesColor(clTeal);
  for (int i = 0; i <= 10; ++i) s->AddXY(i, 5);
  Draw();
  EXPECT_EQ(At(Expected(5, 2.5)), clTeal);
  EXPECT_EQ(At(Expected(5, 0.2)), clTeal);
  EXPECT_EQ(At(Expected(5, 7.5)), clWhite);
  EXPECT_EQ(At(Expected(2, 5.5)), clWhite);
}

TEST_F(Chart, NonFiniteValuesAreSkipped) {
  auto* s = chart->AddSeries<TLineSeries>();
  s->SetSeriesColor(clRed);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (int i = 0; i <= 10; ++i) s->AddXY(i, i == 5 ? nan : i == 8 ? inf : 4);
  s->AddXY(nan, 100);
  Draw();
  EXPECT_EQ(s->Count(), 12);
  // The range is that of the finite points: a flat 4.
  EXPECT_LT(chart->LeftAxis()->Maximum(), 10);
  EXPECT_EQ(chart->BottomAxis()->Maximum(), 10);
  // Gaps around the missing points, the line elsewhere.
  EXPECT_NE(At(Expected(5, 4)), clRed);
  EXPECT_NE(At(Expected(4.5, 4)), clRed);
  EXPECT_NE(At(Expected(8, 4)), clRed);
  EXPECT_EQ(At(Expected(2, 4)), clRed);
  EXPECT_EQ(At(Expected(6.5, 4)), clRed);
  // A lone finite point between two gaps (x = 9, 10 form a run; 6, 7 too) still shows.
  EXPECT_EQ(At(Expected(9.5, 4)), clRed);
}

TEST_F(Chart, ExtremeValuesNeitherHangNorOverflow) {
  auto* s = chart->AddSeries<TLineSeries>();
  // A span of infinity, then a step far below the values' precision.
  s->AddXY(0, -1e308);
  s->AddXY(1, 1e308);
  Draw();
  EXPECT_LE(chart->LeftAxis()->Ticks().size(), 101u);
  s->Clear();
  s->AddXY(0, 1e15);
  s->AddXY(1, 1e15 + 1);
  Draw();
  const auto ticks = chart->LeftAxis()->Ticks();
  EXPECT_GE(ticks.size(), 2u);
  EXPECT_LE(ticks.size(), 101u);
  // A fixed range far from the data: its own ticks, the far points drawn without overflow.
  chart->LeftAxis()->SetMinMax(0, 1);
  Draw();
  EXPECT_EQ(chart->LeftAxis()->Ticks().size(), 6u);  // 0, 0.2, ... 1
}

TEST_F(Chart, PointLabelsAreThinnedToFit) {
  auto* s = chart->AddSeries<TLineSeries>();
  chart->BottomAxis()->SetInverted(true);
  for (int i = 0; i <= 60; ++i) {
    char label[8];
    std::snprintf(label, sizeof label, "%02d:%02d", i == 0 ? 13 : 12, (60 - i) % 60);
    s->AddXY(i, i % 7, label);
  }
  Draw();
  const auto& shown = chart->ShownLabels();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_LT(shown.size(), 20u);
  const int w = bitmap.Canvas()->TextWidth("12:00");
  for (size_t i = 1; i < shown.size(); ++i) EXPECT_GT(shown[i].first - shown[i - 1].first, w);
  // The first point ("now", at the right edge) keeps its label.
  EXPECT_EQ(shown.back().second, "13:00");
  // Each shown label sits at its own point, which lies at the right place of the axis.
  for (const auto& [x, text] : shown) {
    const int i = 13 * 60 - std::stoi(text.substr(0, 2)) * 60 - std::stoi(text.substr(3));
    EXPECT_EQ(x, Expected(i, 0, true).x) << text;
  }
  // Numbers on the bottom axis when no point has a label.
  s->Clear();
  for (int i = 0; i <= 60; ++i) s->AddXY(i, 1);
  Draw();
  ASSERT_FALSE(chart->ShownLabels().empty());
  EXPECT_EQ(chart->ShownLabels().front().second, "60");
  EXPECT_EQ(chart->ShownLabels().back().second, "0");
}

TEST_F(Chart, PaintsThroughTheWindow) {
  auto* form = new TForm(app.get());
  form->SetBounds(0, 0, 400, 300);
  form->AfterConstruction();
  auto* c = new TChart(form);
  c->SetParent(form);
  c->SetBounds(10, 10, 300, 200);
  c->AddSeries<TLineSeries>()->AddXY(0, 1);
  form->Show();
  Pump();
  c->Repaint();
  ASSERT_NE(c->Picture(), nullptr);
  EXPECT_EQ(c->Picture()->Width(), 300);
  EXPECT_EQ(c->SeriesCount(), 1);
  EXPECT_EQ(c->Series(0)->ParentChart(), c);
}

}  // namespace
