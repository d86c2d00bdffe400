// The runtime calls made every second or every sentence: formatting the log line and the output
// sentences, number conversions, settings reads.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"
#include "tests/tempdir.h"

namespace {

void BM_FormatLogLine(benchmark::State& state) {
  const std::string stamp = "06/12/2026 21:30:00";
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        rtl::Format("%s;%d;%d;%2.1f;%3.0f;%2.1f;%2.1f;%2.1f;%2.1f;%2.1f;%2.1f;%3.1f;%2.1f\n", stamp,
                    77400, 12, 6.5, 215.0, 12.4, 38.0, 5.9, 5130.2512, 102.3345, 93.5, 6.8, 14.2));
  }
}
BENCHMARK(BM_FormatLogLine);

void BM_FormatSentence(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(rtl::Format("$PTAK,FFD%1d,%2.1f", 3, 6.54));
}
BENCHMARK(BM_FormatSentence);

void BM_FloatToStr(benchmark::State& state) {
  double v = 5130.2512;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rtl::FloatToStr(v));
    v += 0.001;
  }
}
BENCHMARK(BM_FloatToStr);

void BM_StrToFloat(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(rtl::StrToFloat("5130.2512"));
}
BENCHMARK(BM_StrToFloat);

void BM_IniReadInteger(benchmark::State& state) {
  const TempDir dir("bench_rtl");
  const std::string name = dir / "settings.ini";
  {
    rtl::TIniFile ini(name);
    for (int i = 0; i < 40; ++i) ini.WriteInteger("settings", "key" + std::to_string(i), i);
  }
  rtl::TIniFile ini(name);
  for (auto _ : state) benchmark::DoNotOptimize(ini.ReadInteger("settings", "key39", 0));
}
BENCHMARK(BM_IniReadInteger);

}  // namespace
