// One paint of the XY chart at 640 x 480 on a form, for each chart type, with 1,000 and 10,000
// points: along a curve (short segments), and thrown all over the chart (long ones, the worst
// case for lines).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "controls/charts.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"

namespace {

class TBenchChart : public TXYChart {
 public:
  using TXYChart::TXYChart;
  void PaintNow() { Paint(); }
};

struct Scene {
  win::SystemScope system;
  std::unique_ptr<vcl::TApplication> app = std::make_unique<vcl::TApplication>();
  vcl::TForm* form = new vcl::TForm(app.get());
  TBenchChart* chart = new TBenchChart(form);

  Scene(TChartType type, int points, bool scattered) {
    form->SetBounds(0, 0, 680, 540);
    form->AfterConstruction();
    form->Show();
    chart->SetBounds(10, 10, 640, 480);
    chart->SetParent(form);
    chart->SetGrid(gtBoth);
    chart->SetChartType(type);
    for (int i = 0; i < points; ++i) {
      const double x = i * 180.0 / points;
      const double y = scattered ? double((i * 7919) % 1000) / 100
                                 : 9 * std::sin(x * 3.14159265 / 180) + (i % 7) * 0.1;
      chart->AddData(x, y);
    }
    app->ProcessMessages();
  }
  ~Scene() { app.reset(); }
};

void BM_ChartPaint(benchmark::State& state) {
  const auto type = static_cast<TChartType>(state.range(0));
  Scene s(type, int(state.range(1)), state.range(2) != 0);
  for (auto _ : state) s.chart->PaintNow();
  static const char* const names[] = {"scatter", "line", "bar", "line and marks"};
  state.SetLabel(std::string(names[type]) + ", " + std::to_string(state.range(1)) + " points" +
                 (state.range(2) ? ", scattered" : ", curve"));
}
BENCHMARK(BM_ChartPaint)
    ->ArgsProduct({{ctScatter, ctLine, ctBar, ctXY}, {1000, 10000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
