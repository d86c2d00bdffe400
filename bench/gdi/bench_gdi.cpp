// Drawing throughput on a screen-sized surface: random polygons (the map's layers), text runs
// (labels, gauges) and block transfers.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace {

using namespace gdi;

struct Screen {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(nullptr, 1280, 800);
  HGDIOBJ old = SelectObject(dc, bmp);
  ~Screen() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

// 10,000 polygons of 3 to 12 vertices, up to 200 pixels across, anywhere on the surface.
std::vector<std::vector<POINT>> randomPolygons() {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> cx(0, 1279), cy(0, 799), size(5, 100), n(3, 12);
  std::vector<std::vector<POINT>> polys(10000);
  for (auto& p : polys) {
    const int x = cx(rng), y = cy(rng), s = size(rng), k = n(rng);
    std::uniform_int_distribution<int> d(-s, s);
    for (int i = 0; i < k; ++i) p.push_back(POINT{x + d(rng), y + d(rng)});
  }
  return polys;
}

void BM_RandomPolygons(benchmark::State& state) {
  Screen s;
  const auto polys = randomPolygons();
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 16; ++i)
    brushes.push_back(CreateSolidBrush(RGB(i * 16, 255 - i * 16, i * 7)));
  SetPolyFillMode(s.dc, state.range(0) ? WINDING : ALTERNATE);
  for (auto _ : state) {
    for (size_t i = 0; i < polys.size(); ++i) {
      SelectObject(s.dc, brushes[i % brushes.size()]);
      Polygon(s.dc, polys[i].data(), int(polys[i].size()));
    }
  }
  state.SetItemsProcessed(state.iterations() * int64_t(polys.size()));
  SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
  for (HBRUSH b : brushes) DeleteObject(b);
}
BENCHMARK(BM_RandomPolygons)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_TextRuns(benchmark::State& state) {
  Screen s;
  const int escapement = int(state.range(0));
  HFONT f = CreateFont(-13, 0, escapement, escapement, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(s.dc, f);
  SetBkMode(s.dc, TRANSPARENT);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> x(0, 1200), y(0, 780);
  std::vector<std::pair<POINT, std::string>> runs;
  for (int i = 0; i < 1000; ++i)
    runs.push_back({POINT{x(rng), y(rng)}, "Waypoint " + std::to_string(i) + " 12.5 kn"});
  for (auto _ : state) {
    for (const auto& [p, text] : runs) TextOut(s.dc, p.x, p.y, text);
  }
  state.SetItemsProcessed(state.iterations() * int64_t(runs.size()));
  SelectObject(s.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}
BENCHMARK(BM_TextRuns)->Arg(0)->Arg(900)->Unit(benchmark::kMillisecond);

void BM_WideLinesAndEllipses(benchmark::State& state) {
  Screen s;
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 255));
  SelectObject(s.dc, pen);
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> x(0, 1279), y(0, 799);
  std::vector<POINT> pts(2000);
  for (auto& p : pts) p = POINT{x(rng), y(rng)};
  for (auto _ : state) {
    Polyline(s.dc, pts.data(), int(pts.size()));
    for (size_t i = 0; i + 1 < 200; ++i)
      Ellipse(s.dc, pts[i].x, pts[i].y, pts[i].x + 40, pts[i].y + 30);
  }
  SelectObject(s.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}
BENCHMARK(BM_WideLinesAndEllipses)->Unit(benchmark::kMillisecond);

void BM_BlitScreen(benchmark::State& state) {
  Screen a, b;
  for (auto _ : state) BitBlt(a.dc, 0, 0, 1280, 800, b.dc, 0, 0, SRCCOPY);
}
BENCHMARK(BM_BlitScreen)->Unit(benchmark::kMillisecond);

// A picture shown around a shape through a mask, at 400 x 400: the inverted mask, the picture,
// the picture AND the inverted mask, the shape AND the mask, and the two ORed together.
void BM_MaskComposition(benchmark::State& state) {
  Screen mask, inverted, composite, picture, shape;
  for (auto _ : state) {
    BitBlt(inverted.dc, 0, 0, 400, 400, mask.dc, 0, 0, NOTSRCCOPY);
    BitBlt(composite.dc, 0, 0, 400, 400, picture.dc, 0, 0, SRCCOPY);
    BitBlt(composite.dc, 0, 0, 400, 400, inverted.dc, 0, 0, SRCAND);
    BitBlt(shape.dc, 0, 0, 400, 400, mask.dc, 0, 0, SRCAND);
    BitBlt(composite.dc, 0, 0, 400, 400, shape.dc, 0, 0, SRCPAINT);
  }
}
BENCHMARK(BM_MaskComposition)->Unit(benchmark::kMicrosecond);

}  // namespace
