// Processor time of the real program (this release build) when it should be idle: its port quiet,
// and its cable pulled (the reader must wait for the port, not spin on its errors). The counter
// "core" is the share of one processor; the tests only catch a spin, with a bound far above this.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "tests/app/runprogram.h"
#include "tests/platform/serial/pty.h"
#include "tests/tempdir.h"

namespace {

using namespace std::chrono_literals;

void Idle(benchmark::State& state, bool pulled) {
  TempDir dir("corv_bench_idle");
  // The working directory as ./run prepares it: the program does not start without its files.
  const std::string prepare = "'" CORV_SOURCE_DIR "/scripts/prepare-workdir.sh' '" + dir.path() +
                              "' >/dev/null 2>&1";
  if (std::system(prepare.c_str()) != 0) {
    state.SkipWithError("the working directory could not be prepared");
    return;
  }
  PtyPair pty;
  std::ofstream(dir / "corvatalen.ini") << "[comms]\ncomport=" << pty.path() << "\n";
  apptest::RunningProgram program(dir.path(), dir / "stderr.txt");
  const bool started = program.WaitUntil(
      [&] { return apptest::Lines(dir / "corvatalen.txt").size() >= 2; }, 25s, [&] {
        pty.Send(apptest::SampleBurst());
        char buf[256];
        while (::read(pty.master(), buf, sizeof buf) > 0) {
        }
      });
  if (!started) {
    const auto told = apptest::Lines(dir / "stderr.txt");
    const std::string why = "the program did not start" + (told.empty() ? "" : ": " + told.back());
    state.SkipWithError(why.c_str());
    return;
  }
  if (pulled) pty.CloseMaster();
  std::this_thread::sleep_for(1s);
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double c0 = program.CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(1s);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    cpu += program.CpuSeconds() - c0;
    wall += seconds;
    state.SetIterationTime(seconds);
  }
  state.counters["core"] = wall > 0 ? cpu / wall : 0;
  program.Stop(SIGTERM, 10s);
}

void BM_ProgramQuietPort(benchmark::State& state) { Idle(state, false); }
void BM_ProgramPulledCable(benchmark::State& state) { Idle(state, true); }
BENCHMARK(BM_ProgramQuietPort)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramPulledCable)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
