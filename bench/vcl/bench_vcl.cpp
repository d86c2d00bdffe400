// The class library's hot paths: repainting a busy form, re-aligning (and repainting) nested
// panels when the window is resized, and handling a stream of messages through the application's
// loop.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/vcl/application.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/lists.h"

using namespace vcl;

namespace {

struct Session {
  Session() {
    win::Config config;
    config.clock = std::make_shared<win::VirtualClock>();
    win::Initialize(config);
    app = std::make_unique<TApplication>();
  }
  ~Session() {
    app.reset();
    win::Shutdown();
  }
  std::unique_ptr<TApplication> app;
};

// 1280 x 800 main window: 40 panels with a label and a button each, a list of 2,000 lines and
// a memo of 2,000 lines, as a main window full of value panels is.
TForm* BusyForm(TApplication* app) {
  auto* f = new TForm(app);
  f->SetBorderStyle(bsNone);
  f->SetBounds(0, 0, 1280, 800);
  for (int i = 0; i < 40; ++i) {
    auto* p = new TPanel(f);
    p->SetParent(f);
    p->SetBounds((i % 8) * 160, (i / 8) * 100, 156, 96);
    auto* l = new TLabel(f);
    l->SetParent(p);
    l->SetBounds(4, 4, 140, 40);
    l->Font()->SetHeight(-32);
    l->SetCaption(std::to_string(i * 7.5));
    auto* b = new TButton(f);
    b->SetParent(p);
    b->SetBounds(4, 60, 75, 25);
    b->SetCaption("&Go");
  }
  auto* list = new TListBox(f);
  list->SetParent(f);
  list->SetBounds(0, 500, 640, 300);
  auto* memo = new TMemo(f);
  memo->SetParent(f);
  memo->SetBounds(640, 500, 640, 300);
  for (int i = 0; i < 2000; ++i) {
    list->Items()->Add("$IIVHW,,,,," + std::to_string(i) + ",N,,*4F");
    memo->Lines()->Add("$GPRMC,1200" + std::to_string(i) + ",A,5230.000,N,00420.000,E");
  }
  f->AfterConstruction();
  f->Show();
  return f;
}

void BM_RepaintBusyForm(benchmark::State& state) {
  Session s;
  TForm* f = BusyForm(s.app.get());
  s.app->ProcessMessages();
  for (auto _ : state) {
    win::RedrawWindowRegion(f->Handle(), nullptr, nullptr,
                            win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_ALLCHILDREN);
    s.app->ProcessMessages();
  }
}
BENCHMARK(BM_RepaintBusyForm)->Unit(benchmark::kMillisecond);

void BM_RealignNestedPanels(benchmark::State& state) {
  Session s;
  auto* f = new TForm(s.app.get());
  f->SetBorderStyle(bsNone);
  f->SetBounds(0, 0, 1000, 700);
  TWinControl* parent = f;
  for (int depth = 0; depth < 10; ++depth) {
    for (TAlign a : {alTop, alBottom, alLeft, alRight}) {
      auto* p = new TPanel(f);
      p->SetParent(parent);
      p->SetBounds(0, 0, 10, 10);
      p->SetAlign(a);
    }
    auto* client = new TPanel(f);
    client->SetParent(parent);
    client->SetAlign(alClient);
    parent = client;
  }
  f->Show();
  s.app->ProcessMessages();
  int w = 1000;
  for (auto _ : state) {
    w = w == 1000 ? 1100 : 1000;
    f->SetBounds(0, 0, w, 700);
    s.app->ProcessMessages();
  }
}
BENCHMARK(BM_RealignNestedPanels)->Unit(benchmark::kMillisecond);

void BM_MessagesThroughTheLoop(benchmark::State& state) {
  Session s;
  auto* f = new TForm(s.app.get());
  f->SetBounds(0, 0, 200, 100);
  f->Show();
  s.app->ProcessMessages();
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) win::PostMessage(f->Handle(), win::WM_USER + 1, 0, 0);
    s.app->ProcessMessages();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_MessagesThroughTheLoop)->Unit(benchmark::kMicrosecond);

// A log memo that wraps: 2,000 sentences in a memo narrow enough to break each over two or three
// rows, one more appended and the memo repainted (its vertical bar too) per iteration, as
// incoming data shows.
void BM_AppendToWrappedMemo(benchmark::State& state) {
  Session s;
  auto* f = new TForm(s.app.get());
  f->SetBorderStyle(bsNone);
  f->SetBounds(0, 0, 400, 400);
  auto* memo = new TMemo(f);
  memo->SetParent(f);
  memo->SetBounds(0, 0, 200, 400);
  memo->SetScrollBars(ssVertical);
  for (int i = 0; i < 2000; ++i)
    memo->Lines()->Add("$GPRMC,1200" + std::to_string(i) + ",A,5230.000,N,00420.000,E *12");
  f->Show();
  s.app->ProcessMessages();
  int i = 0;
  for (auto _ : state) {
    memo->Lines()->Add("$IIVHW,,,,," + std::to_string(++i) + ",N,,*4F");
    memo->Lines()->Delete(0);
    s.app->ProcessMessages();
  }
}
BENCHMARK(BM_AppendToWrappedMemo)->Unit(benchmark::kMillisecond);

}  // namespace
