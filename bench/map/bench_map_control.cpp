// The map control drawing Natural Earth's 1:50m land (1,419 polygons, 60,629 points) at
// 1280 x 800: a full redraw (RedrawLayers and a paint, 3-D caches warm) on the globe at the
// default view, on the whole-world flat map and on the globe zoomed 8 times on the English
// Channel; a paint with nothing to redraw; and the memory the loaded and drawn layer takes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>

#include "map/earthmap.h"
#include "platform/win/system.h"
#include "tests/map/landlayer.h"

namespace {

class TBenchMap : public TEarthMap {
 public:
  using TEarthMap::TEarthMap;
  void PaintOnce() { Paint(); }
};

enum class View { Globe, Flat, Channel };

struct Land {
  explicit Land(View view) {
    map = std::make_unique<TBenchMap>(nullptr);
    map->EarthCanvas()->SizeBMP(1280, 800, 96);
    map->EarthCanvas()->SelectBMP(nullptr);
    TEarthProjection* p = map->Projection();
    if (view == View::Flat) p->SetProjectionClass("TCartesianPrj");
    p->SetScaleFactor(0);
    if (view == View::Channel) {
      map->LocateToLL(-1 * GU_DEGREE, 50 * GU_DEGREE);
      p->SetScaleFactor(p->ScaleFactor() * 8);
    }
    maptest::LoadLand(map.get());
    map->PaintOnce();  // the 3-D caches warm
  }
  win::SystemScope system;
  std::unique_ptr<TBenchMap> map;
};

void BM_FullRedraw(benchmark::State& state, View view) {
  Land land(view);
  for (auto _ : state) {
    land.map->RedrawLayers();
    land.map->PaintOnce();
  }
}
BENCHMARK_CAPTURE(BM_FullRedraw, globe_default_view, View::Globe)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FullRedraw, flat_whole_world, View::Flat)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FullRedraw, globe_channel_zoom8, View::Channel)->Unit(benchmark::kMillisecond);

void BM_PaintWithoutRedraw(benchmark::State& state) {
  Land land(View::Globe);
  for (auto _ : state) land.map->PaintOnce();
}
BENCHMARK(BM_PaintWithoutRedraw)->Unit(benchmark::kMicrosecond);

// Heap growth of loading and drawing the land, against what the control counts in its cache.
void BM_LandMemory(benchmark::State& state) {
  win::SystemScope system;
  for (auto _ : state) {
    auto map = std::make_unique<TBenchMap>(nullptr);
    map->EarthCanvas()->SizeBMP(1280, 800, 96);
    map->EarthCanvas()->SelectBMP(nullptr);
    map->Projection()->SetScaleFactor(0);
    map->PaintOnce();
    const size_t before = mallinfo2().uordblks;
    maptest::LoadLand(map.get());
    map->RedrawLayers();
    map->PaintOnce();
    const size_t after = mallinfo2().uordblks;
    state.counters["heap_MB"] = double(after - before) / (1024 * 1024);
    state.counters["cache_MB"] = double(map->GetCacheMemoryUsed()) / (1024 * 1024);
  }
}
BENCHMARK(BM_LandMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
