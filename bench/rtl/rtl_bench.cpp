// The runtime calls made every second or every sentence: formatting the log line and the output
// sentences, number conversions, settings reads.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <stdlib.h>

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

// The close writes 40 keys into a settings file that also holds a dock layout (Arg: its rows).
// Key by key, as the close once did: one replace of the whole file per key.
std::string SettingsWithLayout(int rows) {
  std::string text = "[comms]\r\ncomport=COM1\r\n[dock]\r\n";
  for (int i = 0; i < rows; ++i) text += "DKToolWindow" + std::to_string(i) + "=1,2,300,400\r\n";
  return text;
}

template <class Ini>
void CloseWrites(benchmark::State& state) {
  std::string dir = (std::filesystem::temp_directory_path() / "bench_rtl_XXXXXX").string();
  if (!::mkdtemp(dir.data())) return state.SkipWithError("no temporary folder");
  const std::string name = dir + "/corvatalen.ini";
  const std::string text = SettingsWithLayout(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    std::FILE* f = std::fopen(name.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    state.ResumeTiming();
    Ini ini(name);
    for (int i = 0; i < 40; ++i) ini.WriteInteger("settings", "key" + std::to_string(i), i);
    ini.UpdateFile();
  }
  std::filesystem::remove_all(dir);
}

void BM_CloseWritesKeyByKey(benchmark::State& state) {
  CloseWrites<rtl::TIniFile>(state);
}
BENCHMARK(BM_CloseWritesKeyByKey)->Arg(1000)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_CloseWritesInOneReplace(benchmark::State& state) {
  CloseWrites<rtl::TIniWriter>(state);
}
BENCHMARK(BM_CloseWritesInOneReplace)->Arg(1000)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
