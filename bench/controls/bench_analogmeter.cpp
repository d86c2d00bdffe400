// The analog meter shown on a form: a full redraw (both faces and the paint) and a new value
// (inner face and paint), at its default 121 x 117 and at 400 x 390, plain and with a background
// picture composed through the mask.
#include <benchmark/benchmark.h>

#include <memory>

#include "controls/analogmeter.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"

namespace {

struct Scene {
  win::SystemScope system;
  std::unique_ptr<vcl::TApplication> app = std::make_unique<vcl::TApplication>();
  vcl::TForm* form = new vcl::TForm(app.get());
  TAnalogMeter* meter = new TAnalogMeter(form);
  vcl::TBitmap picture;

  Scene(int width, int height, bool background) {
    form->SetBounds(0, 0, width + 40, height + 60);
    form->AfterConstruction();
    form->Show();
    meter->SetBounds(10, 10, width, height);
    meter->SetParent(form);
    meter->SetShowTicksScale(true);
    if (background) {
      picture.SetSize(width, height);
      for (int y = 0; y < height; ++y) {
        picture.Canvas()->Pen()->SetColor(gdi::RGB(40, uint8_t(y % 200), 160));
        picture.Canvas()->MoveTo(0, y);
        picture.Canvas()->LineTo(width, y);
      }
      meter->SetBackGround(&picture);
      meter->SetShowBackground(true);
    }
    app->ProcessMessages();
  }
  ~Scene() { app.reset(); }
};

void Label(benchmark::State& state) {
  state.SetLabel(std::to_string(state.range(0)) + "x" + std::to_string(state.range(1)) +
                 (state.range(2) ? " background" : ""));
}

void BM_MeterFullRedraw(benchmark::State& state) {
  Scene s(int(state.range(0)), int(state.range(1)), state.range(2) != 0);
  for (auto _ : state) s.meter->ForceRedraw();
  Label(state);
}

void BM_MeterSetValue(benchmark::State& state) {
  Scene s(int(state.range(0)), int(state.range(1)), state.range(2) != 0);
  float value = 0;
  for (auto _ : state) {
    value = value >= 100 ? 0 : value + 0.7f;
    s.meter->SetValue(value);
  }
  Label(state);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({121, 117, 0})->Args({121, 117, 1})->Args({400, 390, 0})->Args({400, 390, 1});
  b->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_MeterFullRedraw)->Apply(Sizes);
BENCHMARK(BM_MeterSetValue)->Apply(Sizes);

}  // namespace
