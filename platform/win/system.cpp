#include "platform/win/system.h"

#include <algorithm>
#include <cctype>

#include "platform/rtl/exceptions.h"
#include "platform/win/message.h"
#include "platform/win/settings.h"
#include "platform/win/state.h"

namespace win {
namespace detail {

namespace {
std::unique_ptr<System> gSystem;
}

System& S() {
  if (!gSystem) throw rtl::EInvalidOperation("window system not initialized");
  return *gSystem;
}

bool Running() { return gSystem != nullptr; }

void CheckGuiThread(const char* what) {
  if (std::this_thread::get_id() != S().guiThread)
    throw rtl::EInvalidOperation(std::string(what) + " called from a thread other than the GUI thread");
}

Window* Find(HWND h) {
  if (!gSystem || !h) return nullptr;
  auto it = gSystem->windows.find(reinterpret_cast<uintptr_t>(h));
  return it == gSystem->windows.end() ? nullptr : it->second.get();
}

Window* Get(HWND h) {
  Window* w = Find(h);
  if (!w) throw rtl::EInvalidOperation("invalid window handle");
  return w;
}

HWND NewHandle() {
  System& s = S();
  s.nextHandle += 4;
  return reinterpret_cast<HWND>(s.nextHandle);
}

void Wake() {
  System& s = S();
  {
    std::lock_guard lock(s.m);
    ++s.wakes;
  }
  s.cv.notify_all();
  if (s.backend) s.backend->Wake();
}

void CreateDesktop();
void DestroyAllWindows();
void InstallSynchronizeWake();
void RemoveSynchronizeWake();

}  // namespace detail

using namespace detail;

void Initialize(const Config& config) {
  if (gSystem) throw rtl::EInvalidOperation("window system already initialized");
  auto s = std::make_unique<System>();
  s->config = config;
  s->clock = config.clock ? config.clock : std::make_shared<MonotonicClock>();
  s->guiThread = std::this_thread::get_id();
  s->screen = std::make_shared<gdi::Surface>(gdi::PixelLayout::Device32, config.width, config.height);
  s->frame = std::make_shared<gdi::Surface>(gdi::PixelLayout::Device32, config.width, config.height);
  s->cursorPos = POINT{config.width / 2, config.height / 2};
  gSystem = std::move(s);
  ResetSettings();
  CreateDesktop();
  InstallSynchronizeWake();
}

void Shutdown() {
  if (!gSystem) return;
  // One registered while these run is run too; one that fails does not keep the others or the
  // end of the windows from running (Shutdown runs from destructors).
  while (!gSystem->atShutdown.empty()) {
    auto last = std::move(gSystem->atShutdown.back());
    gSystem->atShutdown.pop_back();
    try {
      last.second();
    } catch (...) {
    }
  }
  RemoveSynchronizeWake();
  DestroyAllWindows();
  gSystem.reset();
}

bool IsInitialized() { return gSystem != nullptr; }

bool IsGuiThread() { return gSystem && std::this_thread::get_id() == gSystem->guiThread; }

Clock& GetClock() { return *S().clock; }

VirtualClock* GetVirtualClock() {
  return S().clock->IsVirtual() ? static_cast<VirtualClock*>(S().clock.get()) : nullptr;
}

void SetIdleHook(IdleHook hook) { S().idleHook = std::move(hook); }

void AtShutdown(const void* key, std::function<void()> fn) {
  auto& list = S().atShutdown;
  auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.first == key; });
  if (it != list.end())
    it->second = std::move(fn);
  else
    list.emplace_back(key, std::move(fn));
}

void SetBackend(std::shared_ptr<Backend> backend) {
  System& s = S();
  s.backend = std::move(backend);
  if (s.backend) {
    s.dirty.Clear();
    s.dirty.Add(RECT{0, 0, s.screen->Width(), s.screen->Height()});
    s.backend->ShowCursorShape(s.cursor);
  }
}

std::shared_ptr<Backend> GetBackend() { return S().backend; }

void ResizeScreen(int width, int height) {
  System& s = S();
  width = std::max(1, width);
  height = std::max(1, height);
  if (width == s.screen->Width() && height == s.screen->Height()) return;
  auto screen = std::make_shared<gdi::Surface>(gdi::PixelLayout::Device32, width, height);
  s.screen = screen;
  s.frame = std::make_shared<gdi::Surface>(gdi::PixelLayout::Device32, width, height);
  s.desktop->rect = s.desktop->client = RECT{0, 0, width, height};
  Settings& set = GetSettings();
  const RECT full{0, 0, width, height};
  if (set.monitors.size() == 1) set.monitors[0] = Monitor{full, full};
  set.metrics[SM_CXSCREEN] = set.metrics[SM_CXFULLSCREEN] = width;
  set.metrics[SM_CYSCREEN] = height;
  set.metrics[SM_CYFULLSCREEN] = height - set.metrics[SM_CYCAPTION];
  for (auto& [k, w] : s.windows) InvalidateWhole(w.get(), false);
  s.dirty.Clear();
  s.dirty.Add(full);
  RefreshDCs();
  std::vector<HWND> tops;
  for (Window* c : s.desktop->children) tops.push_back(c->h);
  for (HWND t : tops)
    if (Window* w = Find(t)) Send(w, WM_DISPLAYCHANGE, 32, MAKELPARAM(width, height));
}

int ScreenWidth() { return S().screen->Width(); }
int ScreenHeight() { return S().screen->Height(); }

DWORD GetTickCount() { return DWORD(S().clock->NowMicros() / 1000); }

DWORD timeGetTime() { return GetTickCount(); }

BOOL QueryPerformanceCounter(int64_t* count) {
  if (!count) return FALSE;
  *count = int64_t(S().clock->NowMicros());
  return TRUE;
}

BOOL QueryPerformanceFrequency(int64_t* frequency) {
  if (!frequency) return FALSE;
  *frequency = 1'000'000;
  return TRUE;
}

UINT RegisterWindowMessage(const char* name) {
  static std::mutex m;
  static std::map<std::string, UINT> names;
  if (!name || !*name) return 0;
  std::string key(name);
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  std::lock_guard lock(m);
  auto [it, inserted] = names.emplace(key, UINT(0xC000 + names.size()));
  return it->second;
}

}  // namespace win
