// The target-speed lookup of the once-a-second target tick.
#include <benchmark/benchmark.h>

#include "app/polar.h"
#include "platform/win/system.h"

namespace {

void BM_TargetSpeed(benchmark::State& state) {
  win::SystemScope windows;  // the form's replot timer
  TPolardata polar(nullptr);
  // A full table: 20 wind speeds of 19 rows each.
  std::vector<TPolarPoint> rows;
  for (int twd = 0; twd <= 180; twd += 10) rows.push_back({double(twd), twd / 20.0, 0});
  for (int i = 0; i < kMaxTwsColumns; ++i) {
    polar.fTwsValues[static_cast<size_t>(i)] = 4 + i;
    polar.BSplineCurve(rows.data(), static_cast<int>(rows.size()) - 1, 2,
                       polar.fPolarCurves[static_cast<size_t>(i)].data(), kCurveResolution);
  }
  polar.fTwsCount = kMaxTwsColumns;
  double tws = 3.3, twa = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(polar.TargetSpeed(tws, twa));
    tws = tws > 25 ? 3.3 : tws + 0.37;
    twa = twa > 180 ? 0 : twa + 7.1;
  }
  state.counters["calls/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TargetSpeed);

}  // namespace
