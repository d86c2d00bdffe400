// The nine strip charts: built in the chart dock, redrawn every 2 s from the history buffers.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/historybuffer.h"
#include "app/mainform.h"
#include "app/settingsranges.h"
#include "platform/vcl/newchild.h"

namespace {

constexpr int kPoints = 61;
constexpr int kTrendSamples = 600;  // the ten-minute trend of the true wind direction

// Samples averaged per point, within the settings table's range of the key: at least one, at most
// ten minutes, so that the longest look-back (60 points of 960 s, plus the smoothing) stays inside
// the 60,000-sample ring.
int Smoothing(const char* key, int setting) {
  const TSettingRange& r = SettingRange("settings", key);
  return std::clamp(setting, static_cast<int>(r.Min), static_cast<int>(r.Max));
}

// A direction in the -180..180 range: 180 to 360 become negative.
float Signed(float v) {
  return v >= 180 && v <= 360 ? v - 360 : v;
}

// The mean of `count` samples from `first` * `step` back, each taken in the -180..180 range;
// seconds without a value (NaN) are left out, and none at all is NaN, drawn as a gap.
float SignedAverage(const THistoryBuffer& b, int first, int step, int count) {
  double sum = 0;
  int values = 0;
  for (int j = 0; j < count; ++j) {
    const float v = b.samples[b.IndexBack(first * step + j)];
    if (std::isnan(v)) continue;
    sum += Signed(v);
    ++values;
  }
  return values == 0 ? NAN : static_cast<float>(sum / values);
}

}  // namespace

void TForm1::BuildCharts() {
  struct Spec {
    vcl::TChart** chart;
    const char* name;
    int window;
  };
  const Spec specs[] = {
      {&chPerformance, "chPerformance", 1}, {&chTargetspeed, "chTargetspeed", 2},
      {&chSpeed, "chSpeed", 3},             {&chWindspeed, "chWindspeed", 4},
      {&chWindangle, "chWindangle", 15},    {&chTwd, "chTwd", 14},
      {&chCourseog, "chCourseog", 16},      {&chVmg, "chVmg", 17},
      {&chDepth, "chDepth", 26},
  };
  for (const Spec& s : specs) {
    auto* chart = vcl::NewChild<vcl::TChart>(this, MakeToolWindow(s.window), s.name);
    chart->SetAlign(vcl::alClient);
    chart->BottomAxis()->SetInverted(true);  // now at the right
    // The values are read to a tenth at best; a steady value must not give a scale of millionths.
    chart->LeftAxis()->SetMinimumSpan(1);
    chart->AddSeries<vcl::TLineSeries>()->SetSeriesColor(vcl::clBlue);
    *s.chart = chart;
  }
  chTwd->AddSeries<vcl::TLineSeries>()->SetSeriesColor(vcl::clRed);
}

std::string TForm1::ChartTimeLabel(rtl::TDateTime sample, int minutesBack) {
  // Only the time of day counts: a replay's sample time has date part 0 (1 after midnight), and
  // minutes before 00:00 must read 23:59, not run forward from a negative date.
  constexpr long long kDay = 86'400'000;
  const double fraction = sample - std::floor(sample);
  long long ms = std::llround(fraction * static_cast<double>(kDay)) - 60'000LL * minutesBack;
  ms %= kDay;
  if (ms < 0) ms += kDay;
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(ms / 3'600'000),
                static_cast<int>(ms / 60'000 % 60));
  return text;
}

void TForm1::Timer2Timer(rtl::TObject*) {
  struct Source {
    vcl::TChart* chart;
    const THistoryBuffer* buffer;
    int smoothing;
  };
  const Source sources[] = {
      {chVmg, &VmgHistory, Smoothing("vmg", VmgSmoothing)},
      {chPerformance, &PerformanceHistory, Smoothing("performance", PerformanceSmoothing)},
      {chSpeed, &SpeedOverGroundHistory, Smoothing("speed", SpeedSmoothing)},
      {chWindspeed, &TrueWindSpeedHistory, Smoothing("windspeed", WindSpeedSmoothing)},
      {chWindangle, &TrueWindAngleHistory, Smoothing("windangle", WindAngleSmoothing)},
      {chCourseog, &CourseOverGroundHistory, Smoothing("course", CourseSmoothing)},
      {chTargetspeed, &TargetSpeedHistory, Smoothing("targetspeed", TargetSpeedSmoothing)},
      {chTwd, &GeoWindAngleHistory, Smoothing("geowindangle", GeoWindAngleSmoothing)},
      {chDepth, &DepthHistory, 1},
  };
  for (const Source& s : sources)
    for (int k = 0; k < s.chart->SeriesCount(); ++k) s.chart->Series(k)->Clear();

  // Time mode: one point every fChartWindow seconds; one-second mode: the last minute.
  const int step = fChartsRunning ? std::clamp(fChartWindow, 1, 960) : 1;
  for (int i = 0; i < kPoints; ++i) {
    const std::string label = fChartsRunning ? ChartTimeLabel(fSampleTime, i * (step / 60)) : "";
    for (const Source& s : sources) {
      const int count = fChartsRunning ? s.smoothing : 1;
      float y = s.buffer->Average(i, step, count);
      if (s.chart == chTwd && fTwdFullCircle != 1) y = SignedAverage(*s.buffer, i, step, count);
      if (s.chart == chDepth) y = 0 - y;
      s.chart->Series(0)->AddXY(i, y, label, vcl::clBlue);
    }
    if (fChartsRunning) {
      // The ten-minute trend, in the same range as the direction itself.
      const float trend = fTwdFullCircle == 1
                              ? GeoWindAngleHistory.Average(i, step, kTrendSamples)
                              : SignedAverage(GeoWindAngleHistory, i, step, kTrendSamples);
      chTwd->Series(1)->AddXY(i, trend, label, vcl::clRed);
    }
  }
  for (const Source& s : sources) s.chart->Invalidate();
}

void TForm1::SpeedButton7Click(rtl::TObject*) {
  if (fChartWindow * 120 < 60000) fChartWindow *= 2;
  if (!fChartsRunning) {
    fChartsRunning = true;
    fChartWindow = 60;
  }
}

void TForm1::SpeedButton8Click(rtl::TObject*) {
  if (fChartWindow >= 61) {
    fChartWindow /= 2;
  } else if (fChartsRunning) {
    fChartsRunning = false;
  }
}

void TForm1::Button1Click(rtl::TObject*) {
  fTwdFullCircle = fTwdFullCircle == 1 ? 0 : 1;
  Button1->SetCaption(fTwdFullCircle == 1 ? "-180 <> 180" : "0 <> 360");
}
