// Appending a recording's log records, each post written through to the file.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "platform/db/table.h"

namespace {

struct LogTable {
  LogTable() {
    char pattern[] = "/tmp/corv_bench_XXXXXX";
    dir = mkdtemp(pattern);
    table.SetTableName(dir + "/bench.lg");
    table.FieldDefs().Add("Id", db::ftAutoInc);
    table.FieldDefs().Add("datum", db::ftDateTime);
    table.FieldDefs().Add("Timestamp", db::ftInteger);
    for (const char* name : {"Lat", "Lon", "speedog", "courseog", "Speed", "Heading", "awa",
                             "aws", "twa", "tws", "VMG", "Performance", "TargetSpeed",
                             "GeoWindAngle", "Depth"})
      table.FieldDefs().Add(name, db::ftFloat);
    table.CreateTable();
    table.Open();
    for (const char* name : {"speedog", "courseog", "tws", "twa", "GeoWindAngle", "awa", "aws",
                             "VMG", "Lat", "Lon", "Performance", "TargetSpeed", "Depth",
                             "Heading", "Speed"})
      fields.push_back(table.FieldByName(name));
  }
  ~LogTable() {
    table.Close();
    std::filesystem::remove_all(dir);
  }
  void Post(int second) {
    table.Append();
    table.FieldByName("Timestamp")->SetAsInteger(second);
    for (size_t i = 0; i < fields.size(); ++i) fields[i]->SetAsFloat(second * 0.001 + i);
    table.Post();
  }
  std::string dir;
  db::TTable table{nullptr};
  std::vector<db::TField*> fields;
};

// One day of one record a second, each post written through (no flush to disk).
void BM_AppendDayOfLogRecords(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto log = std::make_unique<LogTable>();
    state.ResumeTiming();
    for (int s = 0; s < 86400; ++s) log->Post(s);
    state.PauseTiming();
    log.reset();
    state.ResumeTiming();
  }
  state.counters["records/s"] =
      benchmark::Counter(86400.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AppendDayOfLogRecords)->Unit(benchmark::kMillisecond);

// One post followed by FlushBuffers, as the main tick records: durable on disk each time.
void BM_PostAndFlushBuffers(benchmark::State& state) {
  LogTable log;
  int s = 0;
  for (auto _ : state) {
    log.Post(s++);
    log.table.FlushBuffers();
  }
}
BENCHMARK(BM_PostAndFlushBuffers)->Unit(benchmark::kMicrosecond);

}  // namespace
