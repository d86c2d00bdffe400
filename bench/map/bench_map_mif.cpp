// Opening a MapInfo interchange file written at the start (regions of 1 to 3 rings with pen and
// brush clauses, points, polylines, a ".mid" line each): mapped with every object built once, and
// from its ".md", alone and with every object then loaded.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "map/earthmapclasses.h"
#include "map/readers/earthmifmapper.h"
#include "platform/win/system.h"
#include "tests/map/testearthmap.h"
#include "tests/tempdir.h"

namespace {

TTestEarthMap& Map() {
  static TTestEarthMap* map = [] {
    win::Initialize();
    RegisterMapClasses();  // the ".md" caches and layers name their classes
    return new TTestEarthMap(nullptr);  // lives as long as the process
  }();
  return *map;
}

// 6,000 objects: two regions of 1 to 3 rings of 40 points for each point and each polyline.
const std::string& MIFFile() {
  static const TempDir dir("corv_bench_mif");
  static const std::string file = [] {
    const std::string name = dir / "synthetic.mif";
    std::ofstream mif(name), mid(dir / "synthetic.mid");
    mif << "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\n"
           "CoordSys Earth Projection 1, 104\nColumns 1\n  NAME Char(20)\nData\n\n";
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> lon(-175, 175), lat(-80, 80);
    char xy[64];
    const auto point = [&](double x, double y) {
      std::snprintf(xy, sizeof xy, "%.6f %.6f", x, y);
      return std::string(xy);
    };
    for (int i = 0; i < 1500; ++i) {
      for (int r = 0; r < 2; ++r) {
        const int rings = 1 + (i + r) % 3;
        mif << "Region " << rings << "\n";
        for (int k = 0; k < rings; ++k) {
          const double x = lon(rng), y = lat(rng);
          mif << "  40\n";
          for (int p = 0; p < 40; ++p) mif << point(x + p * 0.01, y + (p % 7) * 0.01) << "\n";
        }
        mif << "    Pen (1,2,0)\n    Brush (2,16777215,16777215)\n";
        mid << "\"Region " << i << "\"\n";
      }
      mif << "Point " << point(lon(rng), lat(rng)) << "\n    Symbol (35,0,12)\n";
      mid << "\"Point " << i << "\"\n";
      mif << "Pline 3\n"
          << point(lon(rng), lat(rng)) << "\n"
          << point(lon(rng), lat(rng)) << "\n"
          << point(lon(rng), lat(rng)) << "\n    Pen (2,2,255)\n";
      mid << "\"Line " << i << "\"\n";
    }
    return name;
  }();
  return file;
}

void BM_OpenMIF(benchmark::State& state, bool cached, bool load) {
  const std::string& file = MIFFile();
  Map().SaveMetaDataLocation = cached ? smdWithDataFile : smdDiscard;
  if (cached) {
    TEarthMIFReader first(&Map());  // writes the ".md"
    first.FileName = file;
    first.SetActive(true);
  }
  int64_t objects = 0;
  for (auto _ : state) {
    TEarthMIFReader reader(&Map());
    reader.FileName = file;
    reader.SetActive(true);
    if (load) {
      for (int32_t i = 0; i < reader.GetCount(); ++i) benchmark::DoNotOptimize(reader.GetObject(i));
    }
    objects = reader.GetCount();
    reader.SetActive(false);
  }
  state.counters["objects"] = static_cast<double>(objects);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
}
BENCHMARK_CAPTURE(BM_OpenMIF, mapped, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenMIF, with_md, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenMIF, with_md_then_loaded, true, true)->Unit(benchmark::kMillisecond);

}  // namespace
