// Opening map data files: a shapefile opened (no ".md"; every object built once, then let go)
// beside shapelib reading every object of the same file, on world-atlas's 1:10m land (when
// `tools/makeworld/makeland.sh 10m` has written it), on the 1:50m land fixture and on a
// synthetic file of over 50 MB written with shapelib at the start. Ours on a map that keeps every object, and on the
// map control with its default object cache (10 MB), which gives objects back as the file is read.
// The 1:50m land and the world layer file with and without their ".md".
#include <benchmark/benchmark.h>
#include <shapefil.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "map/earthmap.h"
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

// The program runs threads (serial port, display), and once a process has had a second thread
// the C library's allocator takes its locks for good: the readers compared here, ours and
// shapelib's, are timed so from the start, whichever runs first.
const bool kThreaded = [] {
  std::thread([] {}).join();
  return true;
}();

const std::string kLand = CORV_SOURCE_DIR "/tests/map/fixtures/land50m.shp";

// world-atlas's land-10m by ogr2ogr (6.6 MB, 408,901 points), too large to keep in the
// repository: tools/makeworld/makeland.sh 10m writes it; CORV_LAND10M names another place.
std::string Land10m() {
  const char* env = std::getenv("CORV_LAND10M");
  const std::string file = env && *env ? env : CORV_SOURCE_DIR "/build/land10m/land10m.shp";
  return fs::exists(file) ? file : std::string();
}

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

// The map control as the program has it, its default object cache included.
TEarthMap& Control() {
  static TEarthMap* map = [] {
    Map();  // the window system
    return new TEarthMap(nullptr);  // lives as long as the process
  }();
  return *map;
}

// Opens the file (no ".md"), which builds every object once, and closes it.
void OpenOurs(benchmark::State& state, TCustomEarthMap& map, const std::string& file) {
  if (file.empty()) {
    state.SkipWithError("no land-10m: run tools/makeworld/makeland.sh 10m");
    return;
  }
  map.SaveMetaDataLocation = smdDiscard;
  int64_t objects = 0;
  // The open (reading and building) and the close (letting every object go), apart.
  using Clock = std::chrono::steady_clock;
  Clock::duration opening{}, closing{};
  for (auto _ : state) {
    TEarthSHPReader reader(&map);
    reader.FileName = file;
    const Clock::time_point start = Clock::now();
    reader.SetActive(true);
    const Clock::time_point opened = Clock::now();
    objects = reader.GetCount();
    reader.SetActive(false);
    opening += opened - start;
    closing += Clock::now() - opened;
  }
  const auto ms = [&](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count() /
           static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  };
  state.counters["open_ms"] = ms(opening);
  state.counters["close_ms"] = ms(closing);
  state.counters["objects"] = static_cast<double>(objects);
  state.counters["MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
}

// shapelib's open and every object read, as its programs read a file.
void OpenShapelib(benchmark::State& state, const std::string& file) {
  if (file.empty()) {
    state.SkipWithError("no land-10m: run tools/makeworld/makeland.sh 10m");
    return;
  }
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

enum class File { Land10m, Land50m, Synthetic };
std::string Path(File f) {
  return f == File::Land10m ? Land10m() : f == File::Land50m ? kLand : SyntheticFile();
}
void BM_OpenOurs(benchmark::State& s, File f) {
  OpenOurs(s, Map(), Path(f));
}
void BM_OpenOursInControl(benchmark::State& s, File f) {
  OpenOurs(s, Control(), Path(f));
}
void BM_OpenShapelib(benchmark::State& s, File f) {
  OpenShapelib(s, Path(f));
}
const bool kOpenRegistered = [] {
  for (const auto& [name, file] : {std::pair{"land10m", File::Land10m},
                                   std::pair{"land50m", File::Land50m},
                                   std::pair{"synthetic", File::Synthetic}}) {
    // The 1:10m land is optional (made by hand, never in a fresh clone): without it its
    // benchmarks are not offered, rather than reported as errors.
    if (file == File::Land10m && Land10m().empty()) continue;
    const std::string suffix = std::string("/") + name;
    benchmark::RegisterBenchmark(("BM_OpenOurs" + suffix).c_str(), BM_OpenOurs, file)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_OpenOursInControl" + suffix).c_str(), BM_OpenOursInControl,
                                 file)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_OpenShapelib" + suffix).c_str(), BM_OpenShapelib, file)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

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
BENCHMARK(BM_OpenLandOursWithMD)->Unit(benchmark::kMillisecond);

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
