// One second of the map overlays with a 24-hour track (86,400 points) behind the boat: the
// update alone (boat, lines, track point, range circle, symbols), and the update with the repaint
// it causes of the 1280 x 800 main window's map (world layer and track).
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

  explicit Scene(int trackPoints = kTrackPoints) {
    comms = instruments.get();
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "world.lyr", dir + "/world.lyr");
    form = new TForm1(app.get());
    form->OnCreate = {};
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
    // A day at 6 kn along the Gulf of Finland, one point a second.
    for (int s = 0; s < trackPoints; ++s) Step();
    form->EarthMap1->Projection()->SetScaleFactor(1.0 / 90'000);  // a pixel a mile
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
};

void BM_OverlayUpdate(benchmark::State& state) {
  Scene scene;
  if (!scene.Ready()) return state.SkipWithError("no world layer");
  for (auto _ : state) scene.Step();
  state.counters["track"] = scene.form->fOverlay.Track->Chains().GetChain(0)->GetCount();
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
  if (map->RedrawPending()) state.SkipWithError("the map was not drawn");
  state.counters["width"] = map->ClientWidth();
  state.counters["height"] = map->ClientHeight();
}
// Without a track first: what the world layer alone costs.
BENCHMARK(BM_OverlayUpdateAndRepaint)->Arg(0)->Arg(kTrackPoints)->Unit(benchmark::kMillisecond);

}  // namespace
