// One whole refresh of the main window as the timers make it: the display refresh, the charts'
// redraw from the history, and the window repainted with every chart carrying 3,600 points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/historybuffer.h"
#include "app/mainform.h"
#include "link/comsettings.h"
#include "platform/vcl/application.h"

namespace {

constexpr int kChartPoints = 3600;

struct Scene {
  win::SystemScope system;
  std::unique_ptr<vcl::TApplication> app = std::make_unique<vcl::TApplication>();
  std::unique_ptr<Tcomms> instruments = std::make_unique<Tcomms>(nullptr);
  TForm1* form = new TForm1(app.get());

  Scene() {
    comms = instruments.get();
    form->OnCreate = {};
    form->Show();
    for (int s = 0; s < 60000; ++s) {
      const float t = static_cast<float>(s);
      for (THistoryBuffer* b :
           {&VmgHistory, &PerformanceHistory, &SpeedOverGroundHistory, &TrueWindSpeedHistory,
            &TrueWindAngleHistory, &CourseOverGroundHistory, &TargetSpeedHistory,
            &GeoWindAngleHistory, &DepthHistory})
        b->Push(10 + 3 * std::sin(t / 300) + std::sin(t / 7));
    }
    form->fChartsRunning = true;
    form->fChartWindow = 960;
    form->fTwdFullCircle = 0;
    form->fWaypointActive = true;
    form->fLatitude = 5230;
    form->fLongitude = 400;
    form->fWaypointPosition = DecimalToPointLL(4.1, 52.6);
    form->fSpeedOverGround = 6.2f;
    form->fTrueWindSpeed = 14;
    form->fPerformance = 92;
    app->ProcessMessages();
  }
  ~Scene() {
    comms = nullptr;
    app.reset();
  }
};

void BM_WholeRefresh(benchmark::State& state) {
  Scene scene;
  TForm1& f = *scene.form;
  vcl::TChart* charts[] = {f.chVmg,      f.chPerformance, f.chSpeed, f.chWindspeed, f.chWindangle,
                           f.chCourseog, f.chTargetspeed, f.chTwd,   f.chDepth};
  // The samples the charts are topped up with, worked out before the clock runs: an hour of a
  // slow wave, read from where the tick has moved it to.
  constexpr int kShift = 1024;
  std::vector<double> wave(kChartPoints + kShift);
  for (size_t i = 0; i < wave.size(); ++i) wave[i] = 10 + std::sin(static_cast<double>(i) / 50.0);
  int tick = 0;
  for (auto _ : state) {
    f.fTrueWindAngle = 40 + static_cast<float>(tick % 20);
    f.RefreshDisplay();
    f.Timer2Timer(nullptr);
    // Each chart filled up to an hour of seconds, as a long series would be.
    for (vcl::TChart* c : charts) {
      vcl::TChartSeries* s = c->Series(0);
      for (int i = s->Count(); i < kChartPoints; ++i)
        s->AddXY(i, wave[static_cast<size_t>(i + tick % kShift)]);
    }
    f.Repaint();
    scene.app->ProcessMessages();  // the charts' and gauges' own paints
    ++tick;
  }
  // The charts really drew: their off-screen pictures exist and carry the plot.
  for (vcl::TChart* c : charts)
    if (c->Picture() == nullptr || c->PlotRect().Width() < 100) state.SkipWithError("not drawn");
  state.counters["points/chart"] = kChartPoints;
}
BENCHMARK(BM_WholeRefresh)->Unit(benchmark::kMillisecond);

// One chart of the main window's size drawn off screen with 3,600 points.
void BM_ChartDraw(benchmark::State& state) {
  win::SystemScope system;
  vcl::TChart chart(nullptr);
  vcl::TLineSeries* s = chart.AddSeries<vcl::TLineSeries>();
  for (int i = 0; i < kChartPoints; ++i) s->AddXY(i, 10 + std::sin(i / 50.0), "", vcl::clBlue);
  chart.BottomAxis()->SetInverted(true);
  vcl::TBitmap picture;
  picture.SetPixelFormat(vcl::pf32bit);
  picture.SetSize(224, 225);
  for (auto _ : state) chart.Draw(picture.Canvas(), 224, 225);
}
BENCHMARK(BM_ChartDraw)->Unit(benchmark::kMicrosecond);

}  // namespace
