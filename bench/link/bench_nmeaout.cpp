// One second of instrument output with a large "nmeaout.txt": the writer runs once a second, so
// its time per call is the share of a core it takes. The virtual clock moves one second between
// calls, as the main window's refresh does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

#include "link/comsettings.h"
#include "platform/serial/fakedevice.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/clock.h"
#include "platform/win/system.h"

namespace {

void BM_OutputSecondWithManyTemplates(benchmark::State& state) {
  auto line = std::make_shared<serial::FakeLine>();
  serial::ScopedFake scoped("BENCHOUT", line);
  auto clock = std::make_shared<win::VirtualClock>();
  win::Config config;
  config.clock = clock;
  win::SystemScope windows(config);
  vcl::SetDialogResponder([](const vcl::TDialogRequest&) {
    return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{});
  });
  Tcomms comms(nullptr);
  TOutputValues values;
  values.fPerformance = 97.6f;
  // With a second argument of 1 the heading is no number, so that every template is left out.
  values.fHeading = state.range(1) == 1 ? std::numeric_limits<float>::quiet_NaN() : 271.5f;
  comms.fOutputValues = [&] { return values; };
  // The file as a user would leave it, loaded as the program loads it.
  char dir[] = "/tmp/corv_bench_nmeaout_XXXXXX";
  if (!::mkdtemp(dir)) state.SkipWithError("no temporary folder");
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  {
    std::ofstream out(Tcomms::kTemplatesFile, std::ios::binary);
    for (int i = 0; i < state.range(0); ++i)
      out << "$PSIL" << i % 1000 << ",%performance,%heading,%speedog,A\r\n";
  }
  comms.LoadTemplates();
  comms.ComPort1->SetDeviceName("BENCHOUT");
  comms.ComPort1->Open();
  for (auto _ : state) {
    clock->Advance(1000);
    comms.SendNmeaOutput();
    line->Transmit(1 << 20);
    benchmark::DoNotOptimize(line->TakeWritten());
  }
  comms.ComPort1->Close();
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
  vcl::SetDialogResponder(nullptr);
}
BENCHMARK(BM_OutputSecondWithManyTemplates)
    ->ArgsProduct({{5, 200000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// Loading the templates file when the communications form is shown.
void BM_LoadTemplates(benchmark::State& state) {
  win::SystemScope windows;
  Tcomms comms(nullptr);
  char dir[] = "/tmp/corv_bench_nmeaload_XXXXXX";
  if (!::mkdtemp(dir)) state.SkipWithError("no temporary folder");
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  {
    std::ofstream out(Tcomms::kTemplatesFile, std::ios::binary);
    for (int i = 0; i < state.range(0); ++i) out << "$PSIL" << i << ",%performance,%heading,A\r\n";
  }
  for (auto _ : state) comms.LoadTemplates();
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoadTemplates)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
