// The strip charts after a long seeded run: every point against a moving average worked apart
// from the history buffers, the labels across midnight, the spans and the direction ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/historybuffer.h"
#include "app/mainform.h"
#include "tests/tempdir.h"
#include "link/comsettings.h"
#include "platform/rtl/datetime.h"
#include "platform/vcl/bitmap.h"
#include "platform/win/system.h"

namespace {

struct Fed {
  THistoryBuffer* buffer;
  int* smoothing;  // nullptr: one sample a point
  std::vector<float> pushed;
};

class Charts : public ::testing::Test {
 protected:
  void SetUp() override {
    comms = instruments.get();
    for (Fed& f : fed) f.buffer->Clear();
    VmgSmoothing = 10;
    PerformanceSmoothing = 20;
    SpeedSmoothing = 1;
    WindSpeedSmoothing = 30;
    WindAngleSmoothing = 30;
    CourseSmoothing = 5;
    TargetSpeedSmoothing = 10;
    GeoWindAngleSmoothing = 30;
    form.fChartsRunning = true;
    form.fChartWindow = 60;
    form.fTwdFullCircle = 1;
    form.fSampleTime = rtl::EncodeDate(2026, 12, 6) + rtl::EncodeTime(12, 0, 0, 0);
  }
  void TearDown() override { comms = nullptr; }

  // 5,000 seconds of a seeded random walk per buffer.
  void Run(int seconds) {
    std::mt19937 rng(20261206);
    std::normal_distribution<float> step(0, 0.5f);
    for (Fed& f : fed) {
      float v = 10;
      for (int s = 0; s < seconds; ++s) {
        v += step(rng);
        f.buffer->Push(v);
        f.pushed.push_back(v);
      }
    }
  }
  // The mean of the pushed values among `count` seconds starting `back` seconds before the last
  // one; the seconds before the first push hold none, and a point of none is NaN (a gap).
  static double Mean(const std::vector<float>& pushed, int back, int count) {
    double sum = 0;
    int values = 0;
    for (int j = 0; j < count; ++j) {
      const long k = static_cast<long>(pushed.size()) - 1 - back - j;
      if (k < 0) continue;
      sum += pushed[k];
      ++values;
    }
    return values == 0 ? NAN : sum / values;
  }
  static bool Near(double shown, double mean) {
    return std::isnan(mean) ? std::isnan(shown) : std::fabs(shown - mean) < 1e-3;
  }

  // Destroying the form writes its layout beside it.
  TempWorkDir work{"corv_charts"};
  win::SystemScope windows;
  std::unique_ptr<Tcomms> instruments = std::make_unique<Tcomms>(nullptr);
  TForm1 form{nullptr};
  std::vector<Fed> fed = {
      {&VmgHistory, &VmgSmoothing, {}},
      {&PerformanceHistory, &PerformanceSmoothing, {}},
      {&SpeedOverGroundHistory, &SpeedSmoothing, {}},
      {&TrueWindSpeedHistory, &WindSpeedSmoothing, {}},
      {&TrueWindAngleHistory, &WindAngleSmoothing, {}},
      {&CourseOverGroundHistory, &CourseSmoothing, {}},
      {&TargetSpeedHistory, &TargetSpeedSmoothing, {}},
      {&GeoWindAngleHistory, &GeoWindAngleSmoothing, {}},
      {&DepthHistory, nullptr, {}},
  };
  std::vector<vcl::TChart*> AllCharts() {
    return {form.chVmg,      form.chPerformance, form.chSpeed, form.chWindspeed, form.chWindangle,
            form.chCourseog, form.chTargetspeed, form.chTwd,   form.chDepth};
  }
};

TEST_F(Charts, EveryPointIsTheMovingAverageOfWhatWasPushed) {
  Run(5000);
  for (int window : {60, 120}) {
    form.fChartWindow = window;
    form.Timer2Timer(nullptr);
    const auto charts = AllCharts();
    for (size_t c = 0; c < charts.size(); ++c) {
      vcl::TChartSeries* s = charts[c]->Series(0);
      ASSERT_EQ(s->Count(), 61);
      const int count = fed[c].smoothing ? *fed[c].smoothing : 1;
      const double sign = charts[c] == form.chDepth ? -1 : 1;
      for (int i = 0; i <= 60; ++i) {
        EXPECT_EQ(s->XValue(i), i);
        EXPECT_TRUE(Near(s->YValue(i), sign * Mean(fed[c].pushed, i * window, count)))
            << charts[c]->Name() << " " << i << " window " << window;
        EXPECT_EQ(s->ValueColor(i), vcl::clBlue);
      }
    }
    // The ten-minute trend of the wind direction, in red.
    vcl::TChartSeries* trend = form.chTwd->Series(1);
    ASSERT_EQ(trend->Count(), 61);
    for (int i = 0; i <= 60; i += 10) {
      EXPECT_TRUE(Near(trend->YValue(i), Mean(fed[7].pushed, i * window, 600))) << i;
      EXPECT_EQ(trend->ValueColor(i), vcl::clRed);
    }
  }
}

TEST_F(Charts, LabelsGoBackOneSpanAPointFromTheSampleTime) {
  Run(100);
  form.Timer2Timer(nullptr);
  vcl::TChartSeries* s = form.chSpeed->Series(0);
  for (int i = 0; i <= 60; ++i) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%02d:%02d", (720 - i) / 60, (720 - i) % 60);
    EXPECT_EQ(s->Label(i), expected) << i;
  }
  form.fChartWindow = 240;  // four minutes a point
  form.Timer2Timer(nullptr);
  EXPECT_EQ(s->Label(1), "11:56");
  EXPECT_EQ(s->Label(60), "08:00");
}

TEST_F(Charts, ReplayLabelsReadTheTimeOfDayOnBothSidesOfMidnight) {
  // A replay's sample time: date part 0 before midnight is crossed, 1 after.
  const rtl::TDateTime justAfter = rtl::EncodeTime(0, 1, 30, 0);
  EXPECT_EQ(TForm1::ChartTimeLabel(justAfter, 0), "00:01");
  EXPECT_EQ(TForm1::ChartTimeLabel(justAfter, 1), "00:00");
  EXPECT_EQ(TForm1::ChartTimeLabel(justAfter, 2), "23:59");
  EXPECT_EQ(TForm1::ChartTimeLabel(justAfter, 3), "23:58");
  const rtl::TDateTime nextDay = 1 + rtl::EncodeTime(0, 0, 30, 0);
  EXPECT_EQ(TForm1::ChartTimeLabel(nextDay, 0), "00:00");
  EXPECT_EQ(TForm1::ChartTimeLabel(nextDay, 1), "23:59");
  EXPECT_EQ(TForm1::ChartTimeLabel(nextDay, 60 * 16), "08:00");
  const rtl::TDateTime late = rtl::EncodeTime(23, 59, 59, 999);
  EXPECT_EQ(TForm1::ChartTimeLabel(late, 0), "23:59");
  EXPECT_EQ(TForm1::ChartTimeLabel(late, 24 * 60), "23:59");
  // Down the whole chart at the longest span: never past 23:59, always going back.
  form.fSampleTime = justAfter;
  form.fChartWindow = 960;
  form.Timer2Timer(nullptr);
  vcl::TChartSeries* s = form.chSpeed->Series(0);
  int previous = 1;  // minutes of the day of the point before
  for (int i = 0; i <= 60; ++i) {
    const int minute = std::stoi(s->Label(i).substr(0, 2)) * 60 + std::stoi(s->Label(i).substr(3));
    EXPECT_LT(minute, 24 * 60);
    EXPECT_EQ(((previous - minute) % 1440 + 1440) % 1440, i == 0 ? 0 : 16) << s->Label(i);
    previous = minute;
  }
}

TEST_F(Charts, OneSecondModeShowsTheLastMinuteUnlabelled) {
  Run(300);
  form.fChartsRunning = false;
  form.Timer2Timer(nullptr);
  const auto charts = AllCharts();
  for (size_t c = 0; c < charts.size(); ++c) {
    vcl::TChartSeries* s = charts[c]->Series(0);
    ASSERT_EQ(s->Count(), 61);
    const double sign = charts[c] == form.chDepth ? -1 : 1;
    for (int i = 0; i <= 60; ++i) {
      EXPECT_NEAR(s->YValue(i), sign * fed[c].pushed[fed[c].pushed.size() - 1 - i], 1e-4);
      EXPECT_EQ(s->Label(i), "");
    }
  }
  EXPECT_EQ(form.chTwd->Series(1)->Count(), 0);
}

TEST_F(Charts, SpansDoubleToSixteenMinutesAndHalveIntoOneSecondMode) {
  std::vector<int> longer;
  for (int k = 0; k < 5; ++k) {
    form.SpeedButton17->Click();
    longer.push_back(form.fChartWindow);
  }
  EXPECT_EQ(longer, (std::vector<int>{120, 240, 480, 960, 960}));
  std::vector<int> shorter;
  for (int k = 0; k < 4; ++k) {
    form.SpeedButton16->Click();
    shorter.push_back(form.fChartWindow);
  }
  EXPECT_EQ(shorter, (std::vector<int>{480, 240, 120, 60}));
  EXPECT_TRUE(form.fChartsRunning);
  form.SpeedButton16->Click();
  EXPECT_FALSE(form.fChartsRunning);
  EXPECT_EQ(form.fChartWindow, 60);
  form.SpeedButton16->Click();
  EXPECT_FALSE(form.fChartsRunning);
  form.SpeedButton17->Click();
  EXPECT_TRUE(form.fChartsRunning);
  EXPECT_EQ(form.fChartWindow, 60);
}

TEST_F(Charts, NorthByWestShowsAsMinusTenInBothDirectionSeries) {
  for (int s = 0; s < 1000; ++s) GeoWindAngleHistory.Push(350);
  form.Timer2Timer(nullptr);
  EXPECT_FLOAT_EQ(form.chTwd->Series(0)->YValue(5), 350);
  EXPECT_FLOAT_EQ(form.chTwd->Series(1)->YValue(0), 350);
  form.Button1->Click();
  EXPECT_EQ(form.fTwdFullCircle, 0);
  EXPECT_EQ(form.Button1->Caption(), "0 <> 360");
  form.Timer2Timer(nullptr);
  EXPECT_FLOAT_EQ(form.chTwd->Series(0)->YValue(0), -10);
  EXPECT_FLOAT_EQ(form.chTwd->Series(0)->YValue(5), -10);
  // The trend takes 600 samples: the first 1000 seconds are all 350.
  EXPECT_FLOAT_EQ(form.chTwd->Series(1)->YValue(0), -10);
  // One-second mode in the same range.
  form.fChartsRunning = false;
  form.Timer2Timer(nullptr);
  EXPECT_FLOAT_EQ(form.chTwd->Series(0)->YValue(3), -10);
  form.Button1->Click();
  EXPECT_EQ(form.Button1->Caption(), "-180 <> 180");
}

// Before the program started there was no value: nothing is drawn, not an hour of zeros.
TEST_F(Charts, FreshStartShowsNothing) {
  form.Timer2Timer(nullptr);
  for (vcl::TChart* c : AllCharts())
    for (int i = 0; i <= 60; ++i) EXPECT_TRUE(std::isnan(c->Series(0)->YValue(i))) << c->Name();
}

TEST_F(Charts, NoInstrumentsGiveAScaleOfTenthsNotMillionths) {
  // Half a minute of zeros (a calm, a boat at rest) after the empty history.
  for (Fed& f : fed)
    for (int s = 0; s < 30; ++s) f.buffer->Push(0);
  form.fChartsRunning = false;
  form.Timer2Timer(nullptr);
  vcl::TBitmap bitmap;
  bitmap.SetSize(240, 150);
  for (vcl::TChart* c : AllCharts()) {
    c->Draw(bitmap.Canvas(), bitmap.Width(), bitmap.Height());
    EXPECT_GE(c->LeftAxis()->Increment(), 0.1) << c->Name();
    EXPECT_LE(c->LeftAxis()->Minimum(), -0.4) << c->Name();
    EXPECT_GE(c->LeftAxis()->Maximum(), 0.4) << c->Name();
  }
}

TEST_F(Charts, HugeSmoothingAveragesTenMinutesAtMost) {
  Run(2000);
  VmgSmoothing = 1'000'000;
  GeoWindAngleSmoothing = -5;
  form.fTwdFullCircle = 0;
  form.Timer2Timer(nullptr);
  EXPECT_NEAR(form.chVmg->Series(0)->YValue(0), Mean(fed[0].pushed, 0, 600), 1e-3);
  EXPECT_NEAR(form.chVmg->Series(0)->YValue(2), Mean(fed[0].pushed, 120, 600), 1e-3);
  // Below 1: one sample (the walk stays far from 180, so the range does not change it).
  EXPECT_NEAR(form.chTwd->Series(0)->YValue(1), Mean(fed[7].pushed, 60, 1), 1e-3);
}

}  // namespace
