// Toolbars and menus: the layout of a 26-button toolbar without moving its controls, the sizes a
// floating 26-button toolbar may take when the user starts sizing it, and opening a 40-item popup
// menu (created, placed and painted).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/docking/formsession.h"
#include "docking/dkpopup.h"
#include "docking/dktoolbar.h"
#include "platform/vcl/application.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"

using namespace docking;

namespace {

struct Session : docking_bench::FormSession {
  Session() {
    form->SetBounds(0, 0, 1280, 800);
    images = new vcl::TImageList(form);
    vcl::TBitmap strip;
    strip.SetSize(16 * 4, 16);
    strip.Canvas()->Brush()->SetColor(vcl::TColor(0x404040));
    strip.Canvas()->FillRect(vcl::TRect{0, 0, 64, 16});
    images->AddMasked(&strip, vcl::TColor(0xFF00FF));
    bar = new TDKToolbar(form);
    bar->SetImages(images);
    for (int k = 0; k < 26; ++k) {
      auto* i = new TDKItem(form);
      i->SetCaption("Button " + std::to_string(k));
      i->SetImageIndex(k % 4);
      bar->Items()->Add(i);
    }
    bar->SetParent(form);
    form->Show();
    app->ProcessMessages();
  }
  vcl::TImageList* images = nullptr;
  TDKToolbar* bar = nullptr;
};

void BM_ToolbarLayout26(benchmark::State& state) {
  Session s;
  for (auto _ : state) {
    auto l = s.bar->View()->CalculatePositions(false, dkvoHorizontal, 0, 0, DKChevronSize);
    benchmark::DoNotOptimize(l);
  }
}
BENCHMARK(BM_ToolbarLayout26)->Unit(benchmark::kMicrosecond);

void BM_FloatingPotentialSizes26(benchmark::State& state) {
  Session s;
  s.bar->SetFloating(true);
  s.app->ProcessMessages();
  size_t n = 0;
  for (auto _ : state) n = s.bar->CalcPotentialSizes(twshRight).size();
  state.counters["sizes"] = static_cast<double>(n);
}
BENCHMARK(BM_FloatingPotentialSizes26)->Unit(benchmark::kMillisecond);

void BM_OpenPopup40(benchmark::State& state) {
  Session s;
  auto* root = new TDKRootItem(s.form);
  root->SetSubMenuImages(s.images);
  for (int k = 0; k < 40; ++k) {
    auto* i = new TDKItem(s.form);
    i->SetCaption("Waypoint " + std::to_string(k));
    i->SetShortCut(static_cast<vcl::TShortCut>(vcl::scCtrl | ('A' + k % 26)));
    root->Add(i);
  }
  for (auto _ : state) {
    auto popup = root->CreatePopup(nullptr, nullptr, false, false, win::POINT{200, 100}, dkpaLeft);
    win::UpdateWindow(popup->Handle());  // paints frame and rows now
    benchmark::DoNotOptimize(popup.get());
  }
}
BENCHMARK(BM_OpenPopup40)->Unit(benchmark::kMillisecond);

}  // namespace
