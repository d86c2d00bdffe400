#include "platform/win/sinks.h"

namespace win {

namespace {

struct Sinks {
  std::mutex m;
  std::vector<SoundRequest> sounds;
  std::vector<HelpRequest> help;
  std::function<void(const SoundRequest&)> observer;
};

Sinks& Get() {
  static Sinks sinks;
  return sinks;
}

void Record(const SoundRequest& r) {
  std::function<void(const SoundRequest&)> observer;
  {
    std::lock_guard lock(Get().m);
    Get().sounds.push_back(r);
    observer = Get().observer;
  }
  if (observer) observer(r);
}

}  // namespace

BOOL MessageBeep(UINT type) {
  Record(SoundRequest{"", type, 0});
  return TRUE;
}

BOOL PlaySound(const char* alias, HANDLE, DWORD flags) {
  Record(SoundRequest{alias ? alias : "", 0, flags});
  return TRUE;
}

void SetSoundObserver(std::function<void(const SoundRequest&)> observer) {
  std::lock_guard lock(Get().m);
  Get().observer = std::move(observer);
}

BOOL WinHelp(HWND hwnd, const char* file, UINT command, uintptr_t data) {
  std::lock_guard lock(Get().m);
  Get().help.push_back(HelpRequest{hwnd, file ? file : "", command, data});
  return TRUE;
}

std::vector<SoundRequest> SoundLog() {
  std::lock_guard lock(Get().m);
  return Get().sounds;
}

std::vector<HelpRequest> HelpLog() {
  std::lock_guard lock(Get().m);
  return Get().help;
}

void ClearSinks() {
  std::lock_guard lock(Get().m);
  Get().sounds.clear();
  Get().help.clear();
}

}  // namespace win
