// Hot paths of map objects: reading vector records from a map file, and a layer drawing 100,000
// objects, once so far out that each is a tiny grey pixel and once close enough that each is
// loaded and drawn by its presenter.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "map/earthlayer.h"
#include "map/earthmapclasses.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "platform/win/system.h"
#include "tests/map/testearthmap.h"

namespace {

constexpr int32_t PointsPerRecord = 100'000;

// One track of 100,000 points in the record form the flags pick: on whole minutes (16-bit
// steps) or in globe units (SmallInt steps).
std::vector<uint8_t> TrackRecord(bool onMinutes) {
  TGeoDataObject o(nullptr);
  TPointStore* chain = o.Chains().GetChain(0);
  chain->SetCount(PointsPerRecord);
  const int32_t unit = onMinutes ? GU_MINUTE : 7;
  for (int32_t i = 0; i < PointsPerRecord; ++i)
    chain->PutLL(i, PointLL((i % 2000) * unit, (i / 2000 + (i % 5)) * unit));
  auto memory = std::make_unique<rtl::TMemoryStream>();
  rtl::TMemoryStream* raw = memory.get();
  TEarthStreamWriter writer(std::move(memory));
  o.WriteProperties(writer);
  const auto* p = static_cast<const uint8_t*>(raw->Memory());
  return {p, p + raw->Size()};
}

void BM_ReadObjectRecord(benchmark::State& state, bool onMinutes) {
  const std::vector<uint8_t> record = TrackRecord(onMinutes);
  TGeoDataObject o(nullptr);
  for (auto _ : state) {
    auto memory = std::make_unique<rtl::TMemoryStream>();
    memory->WriteBuffer(record.data(), static_cast<int64_t>(record.size()));
    memory->SetPosition(0);
    TEarthStreamReader reader(std::move(memory));
    o.ReadProperties(reader);
    benchmark::DoNotOptimize(o.Chains().GetChain(0)->GetLL(PointsPerRecord - 1));
  }
  state.SetItemsProcessed(state.iterations() * PointsPerRecord);
}
BENCHMARK_CAPTURE(BM_ReadObjectRecord, sixteen_bit, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadObjectRecord, globe_units, false)->Unit(benchmark::kMillisecond);

// 100,000 overlapping squares of 1.2 degrees on a 400 x 250 grid over the world, drawn by a
// polygon presenter on a flat map.
struct Layer {
  Layer() : system() {
    RegisterMapClasses();  // as the control would
    map = std::make_unique<TTestEarthMap>(nullptr);
    map->UseBackBuffer(1280, 800);
    map->Projection()->SetProjectionClass("TCartesianPrj");
    layer = new TEarthLayer(map.get());
    std::unique_ptr<TEarthPresenter> p = std::make_unique<TPolygonPresenter>(map.get(), 1);
    layer->Presenters()->Add(p);
    TEarthObjectSource* source = layer->GetObjects();
    const int32_t side = GU_DEGREE * 6 / 5;
    for (int32_t i = 0; i < 100'000; ++i) {
      auto* o = new TGeoDataObject(source);
      const int32_t lon = (i % 400) * GU_DEGREE * 9 / 10 - GU_180DEGREE + GU_DEGREE;
      const int32_t lat = (i / 400) * GU_DEGREE * 7 / 10 - GU_90DEGREE + GU_DEGREE;
      for (const auto& [x, y] : {std::pair{0, 0}, {side, 0}, {side, side}, {0, side}})
        o->Chains().GetChain(0)->Add(PointLL(lon + x, lat + y));
      o->SetPresenterID(1);
      o->GetObjectMER();
    }
  }
  win::SystemScope system;
  std::unique_ptr<TTestEarthMap> map;
  TEarthLayer* layer = nullptr;
};

void BM_RenderObjects(benchmark::State& state, double pixelsPerDegree) {
  Layer l;
  TEarthProjection* p = l.map->Projection();
  p->SetScaleFactor(pixelsPerDegree / GU_DEGREE);
  p->SetIntegerProp(ppXOrigin, 640);
  p->SetIntegerProp(ppYOrigin, 400);
  int tiny = 0;
  for (int32_t i = 0; i < 100; ++i) tiny += l.layer->UpdateObjectState(i).Contains(osTiny);
  state.counters["tiny_of_100"] = tiny;
  for (auto _ : state) {
    l.layer->RenderObjects();
    benchmark::DoNotOptimize(l.map->EarthCanvas()->Bits());
  }
  state.SetItemsProcessed(state.iterations() * 100'000);
}
// A pixel a degree: two pixels are two degrees, every square is tiny.
BENCHMARK_CAPTURE(BM_RenderObjects, tiny, 1.0)->Unit(benchmark::kMillisecond);
// The world in 1260 pixels: every square is 4 pixels, in the window, loaded and drawn.
BENCHMARK_CAPTURE(BM_RenderObjects, loaded, 3.5)->Unit(benchmark::kMillisecond);

}  // namespace
