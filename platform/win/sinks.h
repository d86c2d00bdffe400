#pragma once
// Sounds and help requests go to recording sinks: nothing is played or shown; tests and the
// program can read what was asked for.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/types.h"

namespace win {

struct SoundRequest {
  std::string alias;  // empty for MessageBeep
  UINT beepType = 0;
  DWORD flags = 0;
};

struct HelpRequest {
  HWND hwnd = nullptr;
  std::string file;
  UINT command = 0;
  uintptr_t data = 0;
};

enum : DWORD {
  SND_SYNC = 0x0000,
  SND_ASYNC = 0x0001,
  SND_NODEFAULT = 0x0002,
  SND_NOSTOP = 0x0010,
  SND_ALIAS = 0x00010000,
  SND_SYSTEM = 0x00200000,
};

enum : UINT {
  HELP_CONTEXT = 0x0001,
  HELP_QUIT = 0x0002,
  HELP_INDEX = 0x0003,
  HELP_CONTENTS = 0x0003,
  HELP_CONTEXTPOPUP = 0x0008,
  HELP_FINDER = 0x000B,
};

BOOL MessageBeep(UINT type);
BOOL PlaySound(const char* alias, HANDLE module, DWORD flags);
BOOL WinHelp(HWND hwnd, const char* file, UINT command, uintptr_t data);

std::vector<SoundRequest> SoundLog();
// Called on the requesting thread for every sound as it is asked for (tests see what is on the
// screen at that moment); empty to stop.
void SetSoundObserver(std::function<void(const SoundRequest&)> observer);
std::vector<HelpRequest> HelpLog();
void ClearSinks();

}  // namespace win
