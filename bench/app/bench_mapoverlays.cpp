// One second of the map overlays with a 24-hour track (86,400 points) behind the boat, its
// position known: the update alone (boat, lines, track point, range circle, symbols), the update
// with the repaint it causes of the map (world layer and track), and a whole live second of the
// map at the program's own view and closer, the screen's present included. The map is what the
// docks leave of the 1280 x 800 main window, as the program lays it out (683 x 447). Every row
// with a track counts the track's points its map drew (device points, a pixel or more apart).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "app/mainform.h"
#include "link/comsettings.h"
#include "map/earthmap.h"
#include "map/earthutils.h"
#include "platform/display/headless.h"
#include "platform/vcl/application.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTrackPoints = 86'400;

struct Scene {
  std::string dir = [] {
    char pattern[] = "/tmp/corv-bench-overlays-XXXXXX";
    return std::string(::mkdtemp(pattern));
  }();
  win::SystemScope system;
  std::unique_ptr<vcl::TApplication> app = std::make_unique<vcl::TApplication>();
  std::unique_ptr<Tcomms> instruments = std::make_unique<Tcomms>(nullptr);
  TForm1* form = nullptr;
  double second = 0;

  // scale: the map's pixels a globe unit (0: the whole globe in the window, the program's own).
  explicit Scene(int trackPoints = kTrackPoints, double scale = 1.0 / 90'000) {
    comms = instruments.get();
    win::SetBackend(std::make_shared<display::HeadlessBackend>());
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "world.lyr", dir + "/world.lyr");
    form = new TForm1(app.get());
    form->OnCreate = {};
    // Nothing but the map's second runs: a slow run (a profiler) would meet the window's timers.
    for (int i = 0; i < form->ComponentCount(); ++i)
      if (auto* t = dynamic_cast<vcl::TTimer*>(form->Components(i))) t->SetEnabled(false);
    form->EarthMap1->SaveMetaDataLocation = smdDiscard;
    if (CreateFileLayer(form->EarthMap1, dir + "/world.lyr") < 0) return;
    form->BuildMapOverlays();
    form->ResetOverlayStores();
    form->fGeoWindAngle = 75;
    form->fTrueWindSpeed = 14;
    form->fCurrentDrift = 0.6f;
    form->fCurrentSet = 250;
    form->fWaypointActive = true;
    form->fWaypointPosition = DecimalToPointLL(23.9, 60.2);
    // Sailing from the first second: before a position the map draws no boat and no track.
    form->fPositionKnown = true;
    // A day at 6 kn along the Gulf of Finland, one point a second.
    for (int s = 0; s < trackPoints; ++s) Step();
    form->EarthMap1->Projection()->SetScaleFactor(scale);
    form->Show();
    app->ProcessMessages();
  }
  ~Scene() {
    comms = nullptr;
    app.reset();
    fs::remove_all(dir);
  }
  bool Ready() const { return form->fOverlay.Built(); }
  // The next second: 6 kn eastward from 59 50 N 22 00 E, weaving a little.
  void Step() {
    const double nm = 6 * second / 3600;
    const double lat = 59 + 50.0 / 60 + 0.02 * std::sin(second / 600);
    const double lon = 22 + nm / 60 / std::cos(lat * 3.14159265358979323846 / 180);
    form->fHeading = form->fCourseOverGround = 90;
    form->fSpeedOverGround = 6;
    form->fBoatPosition = DecimalToPointLL(lon, lat);
    form->RefreshMap();
    second += 1;
  }
  // The track's points the map draws now: the paint that was asked for, the track drawn whole.
  std::int64_t TrackPointsDrawn() {
    TChainStore& chains = form->fOverlay.Track->Chains();
    // What earlier paints kept of them goes, so that only this paint's are counted.
    for (std::int32_t c = 0; c < chains.GetCount(); ++c) chains.GetChain(c)->Drawn() = {};
    form->fOverlay.Track->RedrawObject();
    app->ProcessMessages();
    std::int64_t points = 0;
    for (std::int32_t c = 0; c < chains.GetCount(); ++c)
      points += static_cast<std::int64_t>(chains.GetChain(c)->Drawn().points.size());
    return points;
  }
};

// The counter of the track's drawn points; a scene with a track whose map draws none of it is an
// error (the position never known, the track off the map).
void CountTrack(benchmark::State& state, Scene& scene, bool hasTrack) {
  if (!hasTrack) return;
  const std::int64_t drawn = scene.TrackPointsDrawn();
  state.counters["track"] = static_cast<double>(drawn);
  if (drawn == 0) state.SkipWithError("no track point drawn");
}

void BM_OverlayUpdate(benchmark::State& state) {
  Scene scene;
  if (!scene.Ready()) return state.SkipWithError("no world layer");
  for (auto _ : state) scene.Step();
  CountTrack(state, scene, true);
}
BENCHMARK(BM_OverlayUpdate)->Unit(benchmark::kMicrosecond);

void BM_OverlayUpdateAndRepaint(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)));
  if (!scene.Ready()) return state.SkipWithError("no world layer");
  TEarthMap* map = scene.form->EarthMap1;
  for (auto _ : state) {
    scene.Step();
    scene.app->ProcessMessages();  // the map's paint
  }
  if (map->RedrawPending()) return state.SkipWithError("the map was not drawn");
  state.counters["width"] = map->ClientWidth();
  state.counters["height"] = map->ClientHeight();
  CountTrack(state, scene, state.range(0) > 0);
}
// Without a track first: what the world layer alone costs.
BENCHMARK(BM_OverlayUpdateAndRepaint)->Arg(0)->Arg(kTrackPoints)->Unit(benchmark::kMillisecond);

// What the map does in a live second: the overlays a second on and the paints and present that
// follow (kept apart by name for a profiler: valgrind --toggle-collect=*LiveSecond*).
[[gnu::noinline]] void LiveSecond(Scene& scene) {
  scene.Step();
  scene.app->ProcessMessages();
}

// Arguments: 0 for the whole globe (the program's own view) or 1 for a pixel a mile; hours of
// track behind the boat.
// The scene of a live benchmark's arguments, its first second (which centres the map on the boat
// and draws it whole) gone by.
std::unique_ptr<Scene> LiveScene(const benchmark::State& state) {
  auto scene = std::make_unique<Scene>(static_cast<int>(state.range(1)) * 3600,
                                       state.range(0) == 0 ? 0.0 : 1.0 / 90'000);
  if (!scene->Ready()) return nullptr;
  scene->Step();
  scene->app->ProcessMessages();
  return scene;
}

void BM_LiveSecond(benchmark::State& state) {
  const std::unique_ptr<Scene> live = LiveScene(state);
  if (!live) return state.SkipWithError("no world layer");
  Scene& scene = *live;
  for (auto _ : state) LiveSecond(scene);
  if (scene.form->EarthMap1->RedrawPending()) return state.SkipWithError("the map was not drawn");
  CountTrack(state, scene, state.range(1) > 0);
}
BENCHMARK(BM_LiveSecond)
    ->ArgNames({"closer", "hours"})
    ->Args({0, 0})
    ->Args({0, 24})
    ->Args({1, 0})
    ->Args({1, 24})
    ->Unit(benchmark::kMicrosecond);

// A live minute, once: sixty seconds for a count of instructions, which a loaded machine does not
// change (valgrind --tool=callgrind "--toggle-collect=(anonymous namespace)::LiveSecond(*"
// bench_mapoverlays --benchmark_filter=LiveMinute, then the count over 60).
void BM_LiveMinute(benchmark::State& state) {
  const std::unique_ptr<Scene> scene = LiveScene(state);
  if (!scene) return state.SkipWithError("no world layer");
  for (auto _ : state)
    for (int s = 0; s < 60; ++s) LiveSecond(*scene);
  CountTrack(state, *scene, state.range(1) > 0);
}
BENCHMARK(BM_LiveMinute)
    ->ArgNames({"closer", "hours"})
    ->Args({0, 0})
    ->Args({0, 24})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
