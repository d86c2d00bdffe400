// Opening a recording for replay: a 60,000-record log table read, laid out a second each, and
// loaded into the fifteen history buffers and the track.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/historybuffer.h"
#include "app/mainform.h"
#include "app/replay.h"
#include "platform/db/table.h"
#include "platform/win/system.h"

namespace {

constexpr int kRecords = 60000;

// A recording of kRecords seconds from 08:00:00, written by our Paradox writer.
std::string WriteRecording(const std::string& dir) {
  const std::string file = dir + "/long.lg";
  db::TTable t(nullptr);
  t.SetTableType(db::ttParadox);
  t.SetTableName(file);
  TForm1::DefineLogFields(t);
  t.CreateTable();
  t.Open();
  for (int i = 0; i < kRecords; ++i) {
    t.Append();
    t.FieldByName("Timestamp")->SetAsInteger(8 * 3600 + i);
    for (int v = 0; v < lvCount; ++v)
      t.FieldByName(LogFieldName(static_cast<TLogValue>(v)))->SetAsFloat(v * 10 + i % 100 * 0.1);
    t.Post();
  }
  return file;
}

void BM_OpenRecording(benchmark::State& state) {
  char pattern[] = "/tmp/corv-bench-replay-XXXXXX";
  const std::string dir = ::mkdtemp(pattern);
  const std::string file = WriteRecording(dir);
  win::SystemScope windows;
  auto form = std::make_unique<TForm1>(nullptr);
  for (auto _ : state) {
    db::TTable table(nullptr);
    table.SetTableType(db::ttParadox);
    table.SetTableName(file);
    table.Open();
    const TReplaySeconds laid = LayOutSeconds(ReadLogRecords(table), THistoryBuffer::kCapacity);
    form->LoadSeconds(laid);
    benchmark::DoNotOptimize(form->fTrack->GetCount());
  }
  state.counters["records"] = kRecords;
  form.reset();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_OpenRecording)->Unit(benchmark::kMillisecond);

}  // namespace
