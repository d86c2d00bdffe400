// Hot paths of the map engine's foundations: reading lines of big text files, object records,
// hit tests and MERs of long chains, and globe-centred points.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include <unistd.h>

#include "map/earthobject.h"
#include "map/readers/earthtextreader.h"

namespace {

struct RemoveAtExit {
  std::string path;
  ~RemoveAtExit() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

// About 8 MB of MIF-like lines.
const std::string& TextFile() {
  static const RemoveAtExit file{[] {
    const std::string p = (std::filesystem::temp_directory_path() /
                           ("corv_bench_map_" + std::to_string(::getpid()) + ".mif"))
                              .string();
    std::ofstream out(p, std::ios::binary);
    std::mt19937 rng(1);
    for (int i = 0; i < 400'000; ++i)
      out << (rng() % 360) << ".123456 " << (rng() % 180) << ".654321\r\n";
    return p;
  }()};
  return file.path;
}

void BM_TextReaderReadLn(benchmark::State& state) {
  TEarthTextReader r(TextFile());
  std::string line;
  int64_t bytes = 0;
  for (auto _ : state) {
    r.SetPosition(0);
    while (!r.Eof()) {
      r.ReadLn(line);
      benchmark::DoNotOptimize(line.data());
    }
    bytes += r.GetSize();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_TextReaderReadLn)->Unit(benchmark::kMillisecond);

TPointStore* Circle(int n) {
  auto* s = new TPointStore();
  for (int i = 0; i < n; ++i) {
    const double a = 2 * 3.14159265358979 * i / n;
    s->Add(PointLL(static_cast<int32_t>(std::cos(a) * 20 * GU_DEGREE),
                   static_cast<int32_t>(std::sin(a) * 20 * GU_DEGREE)));
  }
  return s;
}

void BM_PointInPolygon(benchmark::State& state) {
  std::unique_ptr<TPointStore> s(Circle(static_cast<int>(state.range(0))));
  int32_t x = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s->PointInPolygon(x, GU_DEGREE));
    x = (x + 12345) % (30 * GU_DEGREE);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PointInPolygon)->Arg(1000)->Arg(100000);

void BM_PointStoreMER(benchmark::State& state) {
  std::unique_ptr<TPointStore> s(Circle(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(s->PointStoreMER());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PointStoreMER)->Arg(100000);

void BM_Point3DArray(benchmark::State& state) {
  std::unique_ptr<TPointStore> s(Circle(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    TDynArray a = s->Point3DArray(false);
    benchmark::DoNotOptimize(a.get());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Point3DArray)->Arg(100000);

void BM_ReadObjectHeaders(benchmark::State& state) {
  auto memory = std::make_unique<rtl::TMemoryStream>();
  rtl::TMemoryStream* raw = memory.get();
  {
    TEarthStreamWriter w(std::make_unique<rtl::TMemoryStream>());
    TEarthObject o(nullptr);
    o.Title = "Object title";
    o.ID = 42;
    o.PresenterID = 3;
    for (int i = 0; i < 10'000; ++i) o.WriteProperties(w);
    raw->CopyFrom(&w.Stream(), 0);
  }
  TEarthStreamReader r(std::move(memory));
  TEarthObject o(nullptr);
  for (auto _ : state) {
    r.Stream().SetPosition(0);
    for (int i = 0; i < 10'000; ++i) o.ReadProperties(r);
  }
  state.SetItemsProcessed(state.iterations() * 10'000);
}
BENCHMARK(BM_ReadObjectHeaders);

// Decimal degrees to GU: the stepwise form against the readers' single rounded product.
std::vector<double> DecimalDegrees() {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> any(-180.0, 180.0);
  std::vector<double> v(100'000);
  for (double& d : v) d = any(rng);
  return v;
}

void BM_DecimalToEarthUnits(benchmark::State& state) {
  const std::vector<double> v = DecimalDegrees();
  for (auto _ : state)
    for (double d : v) benchmark::DoNotOptimize(DecimalToEarthUnits(d));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(v.size()));
}
BENCHMARK(BM_DecimalToEarthUnits);

void BM_DecimalToEarthUnitsFast(benchmark::State& state) {
  const std::vector<double> v = DecimalDegrees();
  for (auto _ : state)
    for (double d : v) benchmark::DoNotOptimize(DecimalToEarthUnitsFast(d));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(v.size()));
}
BENCHMARK(BM_DecimalToEarthUnitsFast);

}  // namespace
