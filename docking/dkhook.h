#pragma once
// A per-thread registry that shares the platform's message hooks among many users: each user
// registers a callback with the events it wants; a platform hook is installed when the first
// callback needs it and removed when the last one leaves.
#include "platform/win/types.h"

namespace docking {

enum THookProcCode {
  hpSendActivate,
  hpSendActivateApp,
  hpSendWindowPosChanged,
  hpPreDestroy,
  hpGetMessage
};
using THookProcCodes = unsigned;  // bits 1 << THookProcCode
constexpr THookProcCodes HookCodes(THookProcCode c) {
  return 1u << c;
}

using THookProc = void (*)(THookProcCode Code, win::HWND Wnd, win::WPARAM WParam,
                           win::LPARAM LParam);

void InstallHookProc(const void* User, THookProc Proc, THookProcCodes Codes);
void UninstallHookProc(const void* User, THookProc Proc);
// Removes every hook of the thread whatever its counts (the end of the unit); the end of the
// window system calls it.
void UninstallAllHooks();

namespace detail {
// The platform hook of one type (WH_CALLWNDPROC, WH_CBT, WH_GETMESSAGE) now installed, or null.
win::HHOOK InstalledHook(int HookType);
}  // namespace detail

}  // namespace docking
