// Saving and restoring a main window's dock layout: five docks, 31 tool windows and three
// toolbars. The save is the walk into one text and one atomic replace of the file, as a writer
// that commits a whole save at once does it; the load reads the file and arranges every dock once.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "docking/dklayout.h"
#include "docking/dktoolbar.h"
#include "docking/dktoolwindow.h"
#include "platform/rtl/files.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/stringlist.h"
#include "platform/vcl/application.h"

using namespace docking;

namespace {

// An INI file held in memory: the pending text of one save.
class MemIni : public rtl::TCustomIniFile {
 public:
  MemIni() : TCustomIniFile("") {}
  std::string ReadString(std::string_view s, std::string_view k, std::string_view d) override {
    std::string v;
    return text.Find(s, k, v) ? v : std::string(d);
  }
  void WriteString(std::string_view s, std::string_view k, std::string_view v) override {
    text.Set(s, k, v);
  }
  void ReadSection(std::string_view s, rtl::TStrings* l) override { text.Keys(s, l, false); }
  void ReadSections(rtl::TStrings* l) override { text.Sections(l); }
  void ReadSectionValues(std::string_view s, rtl::TStrings* l) override { text.Keys(s, l, true); }
  void EraseSection(std::string_view s) override { text.EraseSection(s); }
  void DeleteKey(std::string_view s, std::string_view k) override { text.DeleteKey(s, k); }
  void UpdateFile() override {}
  rtl::TIniText text;
};

struct Session {
  Session() {
    win::Config config;
    config.clock = std::make_shared<win::VirtualClock>();
    win::Initialize(config);
    app = std::make_unique<vcl::TApplication>();
    app->CreateForm(form);
    form->SetBorderStyle(vcl::bsNone);
    form->SetBounds(0, 0, 1280, 800);
    const TDKDockPosition positions[5] = {dpLeft, dpRight, dpTop, dpBottom, dpBottom};
    for (int i = 0; i < 5; ++i) {
      auto* d = new TDKDock(form);
      d->SetName("DKDock" + std::to_string(i + 1));
      d->SetParent(form);
      d->SetPosition(positions[i]);
      docks.push_back(d);
    }
    for (int i = 0; i < 31; ++i) {
      auto* t = new TDKToolWindow(form);
      t->SetName("DKToolWindow" + std::to_string(i + 1));
      t->SetClientAreaSize(120, 60);
      t->SetDockRow(i % 4);
      t->SetCurrentDock(docks[size_t(i % 5)]);
      tools.push_back(t);
    }
    for (int i = 0; i < 3; ++i) {
      auto* b = new TDKToolbar(form);
      b->SetName("DKToolbar" + std::to_string(i + 2));
      for (int k = 0; k < 13; ++k) {
        auto* item = new TDKItem(form);
        item->SetCaption("B" + std::to_string(k));
        b->Items()->Add(item);
      }
      b->SetCurrentDock(docks[2]);
    }
    form->Show();
    app->ProcessMessages();
    char pattern[] = "/tmp/corv_bench_layout_XXXXXX";
    if (::mkdtemp(pattern)) dir = pattern;
  }
  ~Session() {
    app.reset();
    win::Shutdown();
    std::filesystem::remove_all(dir);
  }
  void Save(const std::string& file) {
    MemIni ini;
    DKIniSavePositions(form, &ini, "");
    rtl::WriteFileAtomic(file, ini.text.Text());
  }
  std::unique_ptr<vcl::TApplication> app;
  vcl::TForm* form = nullptr;
  std::vector<TDKDock*> docks;
  std::vector<TDKToolWindow*> tools;
  std::string dir;
};

void BM_SaveMainWindowLayout(benchmark::State& state) {
  Session s;
  const std::string file = s.dir + "/corvatalen.ini";
  for (auto _ : state) s.Save(file);
  state.counters["bytes"] = double(std::filesystem::file_size(file));
}
BENCHMARK(BM_SaveMainWindowLayout)->Unit(benchmark::kMillisecond);

// The walk alone, without the disk's flushes.
void BM_SaveMainWindowLayoutWalk(benchmark::State& state) {
  Session s;
  for (auto _ : state) {
    MemIni ini;
    DKIniSavePositions(s.form, &ini, "");
    benchmark::DoNotOptimize(ini.text.Text());
  }
}
BENCHMARK(BM_SaveMainWindowLayoutWalk)->Unit(benchmark::kMillisecond);

// Two layouts in turn, so that every load moves windows across docks and rows.
void BM_LoadMainWindowLayout(benchmark::State& state) {
  Session s;
  const std::string a = s.dir + "/a.ini", b = s.dir + "/b.ini";
  s.Save(a);
  for (size_t i = 0; i < s.tools.size(); i += 3) {
    s.tools[i]->SetDockRow(int(i % 2));
    s.tools[i]->SetCurrentDock(s.docks[(i + 2) % 5]);
  }
  s.tools[1]->SetFloatingPosition(POINT{400, 300});
  s.tools[1]->SetFloating(true);
  s.app->ProcessMessages();
  s.Save(b);
  bool flip = false;
  for (auto _ : state) {
    DKIniLoadPositions(s.form, flip ? b : a, "");
    s.app->ProcessMessages();
    flip = !flip;
  }
}
BENCHMARK(BM_LoadMainWindowLayout)->Unit(benchmark::kMillisecond);

}  // namespace
