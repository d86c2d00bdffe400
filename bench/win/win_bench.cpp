// Message throughput (post + get + dispatch) and a full repaint of a 1280x800 screen with 50
// overlapping windows.
#include <benchmark/benchmark.h>

#include "platform/gdi/gdi.h"
#include "platform/win/defproc.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/system.h"
#include "platform/win/window.h"

namespace {

using namespace win;

struct Screen {
  explicit Screen(int w = 1280, int h = 800) : scope(MakeConfig(w, h)) {
    WNDCLASS wc;
    wc.lpszClassName = "bench";
    wc.hbrBackground = 5 + 1;
    wc.lpfnWndProc = [this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m == WM_APP) {
        ++received;
        return 0;
      }
      if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT r;
        GetClientRect(h, &r);
        gdi::FillRect(dc, &r, brushes[GetWindowLongPtr(h, GWL_USERDATA) % 4]);
        gdi::MoveToEx(dc, 0, 0, nullptr);
        gdi::LineTo(dc, r.right, r.bottom);
        EndPaint(h, &ps);
        ++paints;
        return 0;
      }
      return DefWindowProc(h, m, wp, lp);
    };
    RegisterClass(&wc);
    brushes[0] = gdi::CreateSolidBrush(0x0000C0);
    brushes[1] = gdi::CreateSolidBrush(0x00A000);
    brushes[2] = gdi::CreateSolidBrush(0xC00000);
    brushes[3] = gdi::CreateSolidBrush(0x808080);
  }
  ~Screen() {
    for (HBRUSH b : brushes) gdi::DeleteObject(b);
  }
  static Config MakeConfig(int w, int h) {
    Config c;
    c.width = w;
    c.height = h;
    c.clock = std::make_shared<VirtualClock>();
    return c;
  }
  void Pump() {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  }

  SystemScope scope;
  HBRUSH brushes[4] = {};
  long received = 0;
  long paints = 0;
};

void BM_PostGetDispatch(benchmark::State& state) {
  Screen screen(320, 240);
  HWND h = CreateWindowEx(0, "bench", "", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr);
  screen.Pump();
  const int batch = int(state.range(0));
  for (auto _ : state) {
    for (int i = 0; i < batch; ++i) PostMessage(h, WM_APP, WPARAM(i), 0);
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * batch);
}
BENCHMARK(BM_PostGetDispatch)->Arg(1)->Arg(100);

void BM_FullScreenRepaint50Windows(benchmark::State& state) {
  Screen screen;
  for (int i = 0; i < 50; ++i) {
    const int x = (i * 97) % 1000, y = (i * 61) % 600;
    HWND h = CreateWindowEx(0, "bench", "", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU,
                            x, y, 280, 200, nullptr, 0, nullptr);
    SetWindowLongPtr(h, GWL_USERDATA, i);
  }
  screen.Pump();
  for (auto _ : state) {
    RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    screen.Pump();
  }
  state.counters["paints/frame"] = double(screen.paints) / double(state.iterations() + 1);
}
BENCHMARK(BM_FullScreenRepaint50Windows)->Unit(benchmark::kMillisecond);

}  // namespace
