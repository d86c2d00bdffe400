// Opening map data files: a shapefile mapped (no ".md"), alone and with every object built, beside
// shapelib reading every object of the same file, on the 1:50m land and on a synthetic file of over
// 50 MB written with shapelib at the start; the land and the world layer file with and without
// their ".md".
#include <benchmark/benchmark.h>
#include <shapefil.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "map/earthmapclasses.h"
#include "map/readers/earthlyrmapper.h"
#include "map/readers/earthshpmapper.h"
#include "platform/win/system.h"
#include "tests/map/testearthmap.h"

namespace {

namespace fs = std::filesystem;

struct Scratch {
  std::string dir;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "corv_bench_files_XXXXXX").string();
    if (::mkdtemp(pattern.data())) dir = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

const Scratch& Dir() {
  static const Scratch s;
  return s;
}

// The test map keeps every cache change and progress message for the tests to look at: here the
// changes are summed, as the map control does, and the messages dropped, so that the logs' growth
// is not timed with the readers.
class TBenchEarthMap : public TTestEarthMap {
 public:
  using TTestEarthMap::TTestEarthMap;
  void CacheUsedDelta(int64_t delta) override { cacheUsed += delta; }
  bool ProgressMessage(TProgressMessage, const std::string&) override { return false; }
};

TTestEarthMap& Map() {
  static TTestEarthMap* map = [] {
    win::Initialize();
    RegisterMapClasses();  // the ".md" caches and layers name their classes
    return new TBenchEarthMap(nullptr);  // lives as long as the process
  }();
  return *map;
}

const std::string kLand = CORV_SOURCE_DIR "/tests/map/fixtures/land50m.shp";

// 45,000 polygons of 1 to 4 rings of 30 points each over the world: about 54 MB.
const std::string& SyntheticFile() {
  static const std::string name = [] {
    const std::string path = Dir().dir + "/synthetic.shp";
    SHPHandle shp = SHPCreate(path.c_str(), SHPT_POLYGON);
    std::mt19937 rng(5);
    std::vector<double> x, y;
    std::vector<int> starts;
    for (int i = 0; i < 45'000; ++i) {
      const int parts = 1 + static_cast<int>(rng() % 4);
      const double cx = static_cast<double>(rng() % 350) - 175,
                   cy = static_cast<double>(rng() % 170) - 85;
      x.clear();
      y.clear();
      starts.clear();
      for (int p = 0; p < parts; ++p) {
        starts.push_back(static_cast<int>(x.size()));
        for (int k = 0; k < 30; ++k) {
          const double a = k * 6.283185307179586 / 29;
          x.push_back(cx + (p + 1) * 0.3 * std::cos(a));
          y.push_back(cy + (p + 1) * 0.3 * std::sin(a));
        }
      }
      SHPObject* o =
          SHPCreateObject(SHPT_POLYGON, -1, parts, starts.data(), nullptr,
                          static_cast<int>(x.size()), x.data(), y.data(), nullptr, nullptr);
      SHPWriteObject(shp, -1, o);
      SHPDestroyObject(o);
    }
    SHPClose(shp);
    return path;
  }();
  return name;
}

// Maps the file (no ".md"); with everyObject each object is then built, as shapelib reads each.
void OpenOurs(benchmark::State& state, const std::string& file, bool everyObject = false) {
  Map().SaveMetaDataLocation = smdDiscard;
  int64_t objects = 0;
  for (auto _ : state) {
    TEarthSHPReader reader(&Map());
    reader.FileName = file;
    reader.SetActive(true);
    objects = reader.GetCount();
    if (everyObject)
      for (int32_t i = 0; i < reader.GetCount(); ++i) benchmark::DoNotOptimize(reader.GetObject(i));
    reader.SetActive(false);
  }
  state.counters["objects"] = static_cast<double>(objects);
  state.counters["MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
}

void OpenShapelib(benchmark::State& state, const std::string& file) {
  for (auto _ : state) {
    SHPHandle shp = SHPOpen(file.c_str(), "rb");
    int entities = 0;
    SHPGetInfo(shp, &entities, nullptr, nullptr, nullptr);
    for (int i = 0; i < entities; ++i) {
      SHPObject* o = SHPReadObject(shp, i);
      benchmark::DoNotOptimize(o);
      SHPDestroyObject(o);
    }
    SHPClose(shp);
  }
}

void BM_OpenLandOurs(benchmark::State& s) {
  OpenOurs(s, kLand);
}
// The land again, taken from its ".md" (written by a first open outside the timing).
void BM_OpenLandOursWithMD(benchmark::State& state) {
  const std::string file = Dir().dir + "/land50m.shp";
  if (!fs::exists(file)) {
    for (const char* ext : {".shp", ".shx", ".dbf"}) {
      const fs::path from = fs::path(kLand).replace_extension(ext);
      if (fs::exists(from)) fs::copy_file(from, fs::path(file).replace_extension(ext));
    }
  }
  Map().SaveMetaDataLocation = smdWithDataFile;
  for (auto _ : state) {
    TEarthSHPReader reader(&Map());
    reader.FileName = file;
    reader.SetActive(true);
    benchmark::DoNotOptimize(reader.GetCount());
    reader.SetActive(false);
  }
  state.counters["md"] = fs::exists(file + ".md") ? 1 : 0;
}
void BM_OpenLandShapelib(benchmark::State& s) {
  OpenShapelib(s, kLand);
}
void BM_OpenSyntheticOurs(benchmark::State& s) {
  OpenOurs(s, SyntheticFile());
}
void BM_OpenLandOursEveryObject(benchmark::State& s) {
  OpenOurs(s, kLand, true);
}
void BM_OpenSyntheticOursEveryObject(benchmark::State& s) {
  OpenOurs(s, SyntheticFile(), true);
}
void BM_OpenSyntheticShapelib(benchmark::State& s) {
  OpenShapelib(s, SyntheticFile());
}
BENCHMARK(BM_OpenLandOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLandOursWithMD)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLandShapelib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSyntheticOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLandOursEveryObject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSyntheticOursEveryObject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSyntheticShapelib)->Unit(benchmark::kMillisecond);

// The shipped world layer, mapped (no ".md") or taken from its ".md".
void BM_OpenWorldLayer(benchmark::State& state, bool cached) {
  const std::string file = Dir().dir + "/world.lyr";
  if (!fs::exists(file)) fs::copy_file(CORV_SOURCE_DIR "/data/world.lyr", file);
  Map().SaveMetaDataLocation = cached ? smdWithDataFile : smdDiscard;
  for (auto _ : state) {
    TEarthLYRReader reader(&Map());
    reader.FileName = file;
    reader.SetActive(true);
    benchmark::DoNotOptimize(reader.GetCount());
    reader.SetActive(false);
  }
}
BENCHMARK_CAPTURE(BM_OpenWorldLayer, mapped, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenWorldLayer, with_md, true)->Unit(benchmark::kMillisecond);

}  // namespace
