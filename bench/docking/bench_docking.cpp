// The docking framework's hot paths: one pointer move of a drag (live or as an outline) with the
// re-arrangement and the paints that follow, a full re-arrangement of a main window's 31 tool
// windows with the repaint of the screen, and the docks' own arithmetic.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/docking/formsession.h"
#include "docking/dktoolwindow.h"
#include "platform/vcl/application.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/window.h"

using namespace docking;

namespace {

struct Session : docking_bench::FormSession {
  Session() {
    form->SetBorderStyle(vcl::bsNone);
    form->SetBounds(0, 0, 1280, 800);
    const TDKDockPosition positions[5] = {dpTop, dpBottom, dpBottom, dpLeft, dpRight};
    for (TDKDockPosition p : positions) {
      auto* d = new TDKDock(form);
      d->SetParent(form);
      d->SetPosition(p);
      docks.push_back(d);
    }
  }
  ~Session() { win::SetIdleHook(nullptr); }
  TDKToolWindow* Tool(TDKDock* dock, int cw, int ch, int row) {
    auto* t = new TDKToolWindow(form);
    t->SetClientAreaSize(cw, ch);
    t->SetDockRow(row);
    t->SetCurrentDock(dock);
    tools.push_back(t);
    return t;
  }
  void Show() {
    form->Show();
    app->ProcessMessages();
  }
  std::vector<TDKDock*> docks;
  std::vector<TDKToolWindow*> tools;
};

// A window of a top dock with two rows of four is dragged between the rows: every move takes it
// from one row to the other, so both rows are laid out and repainted again.
void DragBetweenRows(benchmark::State& state, bool smooth) {
  Session s;
  TDKDock* top = s.docks[0];
  for (int i = 0; i < 8; ++i) s.Tool(top, 140, 30, i / 4);
  s.Show();
  TDKToolWindow* dragged = s.tools[1];
  dragged->SetSmoothDrag(smooth);
  win::RECT r{};
  win::GetWindowRect(dragged->Handle(), &r);
  const win::POINT grip{r.left + 4, r.top + 17};
  const int rowHeight = 34;
  int n = 0, rowChanges = 0, lastRow = dragged->EffectiveDockRow();
  win::SetIdleHook([&](const win::IdleInfo&) {
    if (dragged->EffectiveDockRow() != lastRow) ++rowChanges, lastRow = dragged->EffectiveDockRow();
    if (!state.KeepRunning()) {
      win::PostRawInput(win::MouseUp(grip.x, grip.y));
      win::SetIdleHook(nullptr);
      return true;
    }
    ++n;
    // Alternate between the middle of row 0 and of row 1, a little further along each time.
    const int x = grip.x + 150 + (n % 40) * 3;
    const int y = grip.y + ((n % 2) ? rowHeight : 0);
    win::PostRawInput(win::MouseMove(x, y));
    return true;
  });
  win::PostRawInput(win::MouseMove(grip.x, grip.y));
  win::PostRawInput(win::MouseDown(grip.x, grip.y));
  s.app->ProcessMessages();
  state.SetItemsProcessed(n);
  // Proof that the moves did what they are meant to: the window changed rows at each (live
  // drag; an outline moves nothing until the end).
  state.counters["row_changes_per_move"] = n ? double(rowChanges) / n : 0;
}

void BM_SmoothDragMoveBetweenRows(benchmark::State& state) {
  DragBetweenRows(state, true);
}
void BM_OutlineDragMove(benchmark::State& state) {
  DragBetweenRows(state, false);
}

// The main window's 31 tool windows in its five docks.
void MainWindowTools(Session& s) {
  for (int i = 0; i < 8; ++i) s.Tool(s.docks[0], 120, 60, i / 6);
  for (int i = 0; i < 6; ++i) s.Tool(s.docks[1], 150, 50, 0);
  for (int i = 0; i < 5; ++i) s.Tool(s.docks[2], 180, 40, 0);
  for (int i = 0; i < 6; ++i) s.Tool(s.docks[3], 140, 100, i / 4);
  for (int i = 0; i < 6; ++i) s.Tool(s.docks[4], 140, 100, i / 4);
  s.Show();
}

// Every window gets another row and position in one update of all docks; then the screen
// repaints.
void BM_RearrangeMainWindow(benchmark::State& state) {
  Session s;
  MainWindowTools(s);
  int round = 0;
  for (auto _ : state) {
    ++round;
    for (auto* d : s.docks) d->BeginUpdate();
    for (size_t i = 0; i < s.tools.size(); ++i) {
      TDKToolWindow* t = s.tools[i];
      t->SetDockRow(static_cast<int>((i + round) % 2));
      t->SetDockPos(static_cast<int>(((i * 37 + round * 11) % 5) * 60));
    }
    for (auto* d : s.docks) d->EndUpdate();
    s.app->ProcessMessages();
  }
}

// The docks lay out the same windows again: the arithmetic alone, nothing moves.
void BM_DockArithmetic(benchmark::State& state) {
  Session s;
  MainWindowTools(s);
  for (auto _ : state)
    for (auto* d : s.docks) d->ArrangeToolbars();
}

}  // namespace

BENCHMARK(BM_SmoothDragMoveBetweenRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OutlineDragMove)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RearrangeMainWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DockArithmetic)->Unit(benchmark::kMicrosecond);
