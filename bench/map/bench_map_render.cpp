// Hot paths of the map's drawing: the textured globe surface at full-screen size, points
// projected by each model, chains clipped and drawn, and the graticule.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "map/earthmapclasses.h"
#include "platform/win/system.h"
#include "tests/map/maptexture.h"
#include "tests/map/testearthmap.h"

namespace {

struct Scene {
  Scene() : system() {
    RegisterMapClasses();  // as the control would
    map = std::make_unique<TTestEarthMap>(nullptr);
    map->UseBackBuffer(1280, 800);
  }
  win::SystemScope system;
  std::unique_ptr<TTestEarthMap> map;
};

// A 720 x 360 texture of 256 colours in bands.
std::vector<uint8_t> Texture() {
  std::vector<uint8_t> texels(720 * 360);
  for (size_t i = 0; i < texels.size(); ++i)
    texels[i] = static_cast<uint8_t>((i % 720) / 3 + i / 720 / 90);
  std::vector<uint32_t> palette(256);
  for (uint32_t i = 0; i < 256; ++i) palette[i] = i * 0x010203u;
  return maptest::TextureBmp(720, 360, texels, palette);
}

void BM_TexturedGlobeSurface(benchmark::State& state) {
  Scene s;
  TEarthProjection* p = s.map->Projection();
  p->SetScaleFactor(0);
  maptest::LoadTexture(s.map->SurfaceTexture(), Texture());
  for (auto _ : state) {
    p->Model()->PaintSurface();
    benchmark::DoNotOptimize(s.map->EarthCanvas()->Bits());
  }
}
BENCHMARK(BM_TexturedGlobeSurface)->Unit(benchmark::kMillisecond);

// Positions every degree, projected one by one.
void BM_ProjectPoints(benchmark::State& state, const char* model) {
  Scene s;
  TEarthProjection* p = s.map->Projection();
  p->SetProjectionClass(model);
  p->SetScaleFactor(0);
  std::vector<TPointLL> points;
  for (int lat = -89; lat <= 89; ++lat)
    for (int lon = -180; lon < 180; ++lon)
      points.push_back(PointLL(lon * GU_DEGREE, lat * GU_DEGREE));
  TCustomProjectionModel* m = p->Model();
  for (auto _ : state) {
    int visible = 0;
    for (size_t i = 0; i < points.size(); ++i) visible += m->PointLLToXY(points[i], 0);
    benchmark::DoNotOptimize(visible);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points.size()));
}
BENCHMARK_CAPTURE(BM_ProjectPoints, globe, "TSphericalPrj");
BENCHMARK_CAPTURE(BM_ProjectPoints, flat, "TCartesianPrj");
BENCHMARK_CAPTURE(BM_ProjectPoints, mercator, "TMercatorPrj");

// A 100,000-point wavy ring round the world, projected, cut at the back meridian, clipped and
// filled.
void BM_RenderChain(benchmark::State& state, const char* model) {
  Scene s;
  TEarthProjection* p = s.map->Projection();
  p->SetProjectionClass(model);
  p->SetScaleFactor(0);
  TChainStore chains;
  TPointStore* ring = chains.GetChain(0);
  const int n = 100'000;
  for (int i = 0; i < n; ++i) {
    const double lon = -180 + 360.0 * i / n;
    ring->Add(PointLL(static_cast<int32_t>(lon * GU_DEGREE),
                      static_cast<int32_t>((40 + 10 * std::sin(lon / 3)) * GU_DEGREE)));
  }
  TEarthObjectStateSet closed{osClosed, osClipLeft, osClipTop, osClipRight, osClipBottom};
  for (auto _ : state) s.map->EarthCanvas()->RenderChainStore(chains, closed, 0);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK_CAPTURE(BM_RenderChain, globe, "TSphericalPrj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderChain, flat, "TCartesianPrj")->Unit(benchmark::kMillisecond);

// The graticule every 5 degrees as the map draws it, through its line primitive: on the globe
// (seen from 40 N, lines cut at the horizon) and on the flat map.
void BM_Graticule(benchmark::State& state, const char* model) {
  Scene s;
  TEarthProjection* p = s.map->Projection();
  p->SetProjectionClass(model);
  p->SetScaleFactor(0);
  p->SetFloatProp(ppXRotation, 40);
  s.map->SetLatitudeStep(5);
  s.map->SetLongitudeStep(5);
  for (auto _ : state) s.map->PaintGraticuleLines();
}
BENCHMARK_CAPTURE(BM_Graticule, globe, "TSphericalPrj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Graticule, flat, "TCartesianPrj")->Unit(benchmark::kMillisecond);

}  // namespace
