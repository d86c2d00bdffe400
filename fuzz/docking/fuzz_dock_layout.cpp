// Layout text of any kind loaded into a form of five docks and ten windows: every window ends
// docked in a named dock, floating with its caption in reach, or hidden.
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "docking/dkcommon.h"
#include "docking/dklayout.h"
#include "docking/dktoolwindow.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/application.h"
#include "platform/win/system.h"

namespace {

using namespace docking;

struct Session;
Session& S();

struct Session {
  Session() {
    win::Config config;
    config.clock = std::make_shared<win::VirtualClock>();
    win::Initialize(config);
    app = std::make_unique<vcl::TApplication>();
    char pattern[] = "/tmp/corv_fuzz_layout_XXXXXX";
    if (!::mkdtemp(pattern)) std::abort();
    dir = pattern;
    file = dir + "/corvatalen.ini";
    std::atexit([] { std::filesystem::remove_all(S().dir); });
  }
  std::string dir;
  std::unique_ptr<vcl::TApplication> app;
  std::string file;
};

Session& S() {
  static Session* s = new Session;  // lives as long as the process
  return *s;
}

vcl::TForm* MakeForm(vcl::TApplication* app) {
  auto* form = new vcl::TForm(app);
  form->SetBounds(100, 50, 808, 627);
  const TDKDockPosition positions[5] = {dpLeft, dpRight, dpTop, dpBottom, dpBottom};
  TDKDock* docks[5];
  for (int i = 0; i < 5; ++i) {
    docks[i] = new TDKDock(form);
    docks[i]->SetName("DKDock" + std::to_string(i + 1));
    docks[i]->SetParent(form);
    docks[i]->SetPosition(positions[i]);
  }
  for (int i = 0; i < 10; ++i) {
    auto* t = new TDKToolWindow(form);
    t->SetName("DKToolWindow" + std::to_string(i + 1));
    t->SetClientAreaSize(80, 40);
    t->SetDockRow(i % 3);
    if (i == 7) t->SetDockMode(dmCannotFloat);
    if (i == 8) t->SetDockableTo(1u << dpTop);
    t->SetCurrentDock(docks[i % 5]);
  }
  form->Show();
  return form;
}

void Check(vcl::TForm* form) {
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* w = dynamic_cast<TDKCustomDockableWindow*>(form->Components(i));
    if (!w || !w->Visible()) continue;
    if (!w->Floating()) {
      if (!w->CurrentDock() || w->CurrentDock()->Name().empty()) std::abort();
      continue;
    }
    const RECT f = w->FloatingWindowParent()->BoundsRect();
    const RECT wa = GetRectOfMonitorContainingRect(f, true);
    POINT tl, br;
    w->GetFloatingNCArea(tl, br);
    if (std::min(f.right, wa.right) - std::max(f.left, wa.left) < 4) std::abort();
    if (f.top + tl.y < wa.top + 4 || f.top + 4 > wa.bottom) std::abort();
    if (w->ClientWidth() > wa.right - wa.left || w->ClientHeight() > wa.bottom - wa.top)
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Session& s = S();
  std::ofstream(s.file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  vcl::TForm* form = MakeForm(s.app.get());
  DKIniLoadPositions(form, s.file, "");
  s.app->ProcessMessages();
  Check(form);
  delete form;
  s.app->ProcessMessages();
  return 0;
}
