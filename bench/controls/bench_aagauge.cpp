// One redraw of a main-window gauge (145 x 113, shown on a form) at each supersampling factor:
// the full redraw (scale, needle, averaging, copy to the window) and the needle alone, which is
// what each new value costs.
#include <benchmark/benchmark.h>

#include <memory>

#include "controls/aagauge.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"

namespace {

class TBenchGauge : public TAAGauge {
 public:
  using TAAGauge::RedrawArrow;
  using TAAGauge::RedrawScale;
  using TAAGauge::TAAGauge;
};

struct Scene {
  win::SystemScope system;
  std::unique_ptr<vcl::TApplication> app = std::make_unique<vcl::TApplication>();
  vcl::TForm* form = new vcl::TForm(app.get());
  TBenchGauge* gauge = new TBenchGauge(form);

  explicit Scene(TAntialiased aa) {
    form->SetBounds(0, 0, 300, 200);
    form->AfterConstruction();
    form->Show();
    gauge->SetBounds(10, 10, 145, 113);
    gauge->SetParent(form);
    gauge->SetFFaceColor(vcl::clNavy);
    gauge->SetFTicksColor(vcl::clWhite);
    gauge->SetFValueColor(vcl::clWhite);
    gauge->SetFCaptionColor(vcl::clWhite);
    gauge->SetFArrowColor(vcl::clWhite);
    gauge->SetFArrowWidth(2);
    gauge->SetFFaceOptions(TFaceOptions(0x0FFF).Without(ShowMargin).Without(ShowCircles));
    gauge->SetFScaleAngle(270);
    gauge->SetFMaximum(100);
    gauge->SetFMinimum(80);
    gauge->SetFMinColor(vcl::clRed);
    gauge->SetFMidColor(vcl::clYellow);
    gauge->SetFMaxColor(vcl::clLime);
    gauge->SetFCaption("perf%");
    gauge->SetFAntiAliased(aa);
    app->ProcessMessages();
  }
  ~Scene() { app.reset(); }
};

void BM_FullRedraw(benchmark::State& state) {
  Scene s(static_cast<TAntialiased>(state.range(0)));
  for (auto _ : state) s.gauge->RedrawScale();
  state.SetLabel("x" + std::to_string(s.gauge->GetAAMultipler()));
}
BENCHMARK(BM_FullRedraw)->DenseRange(aaNone, aaQuadral)->Unit(benchmark::kMicrosecond);

void BM_NeedleRedraw(benchmark::State& state) {
  Scene s(static_cast<TAntialiased>(state.range(0)));
  float position = 0;
  for (auto _ : state) {
    position = position >= 140 ? 0 : position + 1;
    s.gauge->SetFPosition(position);
  }
  state.SetLabel("x" + std::to_string(s.gauge->GetAAMultipler()));
}
BENCHMARK(BM_NeedleRedraw)->DenseRange(aaNone, aaQuadral)->Unit(benchmark::kMicrosecond);

}  // namespace
