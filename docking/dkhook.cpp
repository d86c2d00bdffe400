#include "docking/dkhook.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/win/message.h"
#include "platform/win/system.h"
#include "platform/win/window.h"

namespace docking {

namespace {

enum HookType { htCallWndProc, htCBT, htGetMessage, htCount };
constexpr int kPlatformType[htCount] = {win::WH_CALLWNDPROC, win::WH_CBT, win::WH_GETMESSAGE};

HookType TypeOf(THookProcCode c) {
  switch (c) {
    case hpPreDestroy:
      return htCBT;
    case hpGetMessage:
      return htGetMessage;
    default:
      return htCallWndProc;
  }
}

struct HookProcData {
  THookProc proc = nullptr;
  THookProcCodes codes = 0;
  std::vector<const void*> users;
  bool removed = false;
};

struct HookInfo {
  win::HHOOK handle[htCount] = {};
  int count[htCount] = {};
};

// All of it per thread: hooks see only their own thread's messages.
thread_local std::unique_ptr<HookInfo> tInfo;
thread_local std::vector<std::shared_ptr<HookProcData>> tProcs;

// Callbacks may install or remove callbacks (a handler creates or destroys a dockable window),
// so each call walks a copy and skips records removed meanwhile.
void CallProcs(THookProcCode code, win::HWND wnd, win::WPARAM w, win::LPARAM l) {
  auto copy = tProcs;
  for (const auto& p : copy)
    if (!p->removed && (p->codes & HookCodes(code))) p->proc(code, wnd, w, l);
}

win::LRESULT CallWndProcHook(int code, win::WPARAM w, win::LPARAM l) {
  if (code == win::HC_ACTION && l) {
    const auto* cwp = reinterpret_cast<const win::CWPSTRUCT*>(l);
    switch (cwp->message) {
      case win::WM_ACTIVATE:
        CallProcs(hpSendActivate, cwp->hwnd, cwp->wParam, cwp->lParam);
        break;
      case win::WM_ACTIVATEAPP:
        CallProcs(hpSendActivateApp, cwp->hwnd, cwp->wParam, cwp->lParam);
        break;
      case win::WM_WINDOWPOSCHANGED:
        CallProcs(hpSendWindowPosChanged, cwp->hwnd, cwp->wParam, cwp->lParam);
        break;
      default:
        break;
    }
  }
  return win::CallNextHookEx(tInfo ? tInfo->handle[htCallWndProc] : nullptr, code, w, l);
}

win::LRESULT CBTHook(int code, win::WPARAM w, win::LPARAM l) {
  if (code == win::HCBT_DESTROYWND) CallProcs(hpPreDestroy, reinterpret_cast<win::HWND>(w), 0, 0);
  return win::CallNextHookEx(tInfo ? tInfo->handle[htCBT] : nullptr, code, w, l);
}

win::LRESULT GetMessageHook(int code, win::WPARAM w, win::LPARAM l) {
  if (code == win::HC_ACTION && l) CallProcs(hpGetMessage, nullptr, w, l);
  return win::CallNextHookEx(tInfo ? tInfo->handle[htGetMessage] : nullptr, code, w, l);
}

win::HOOKPROC ProcOf(HookType t) {
  switch (t) {
    case htCallWndProc:
      return &CallWndProcHook;
    case htCBT:
      return &CBTHook;
    default:
      return &GetMessageHook;
  }
}

void FreeInfoIfUnused() {
  if (!tInfo) return;
  for (auto h : tInfo->handle)
    if (h) return;
  tInfo.reset();
}

}  // namespace

void InstallHookProc(const void* User, THookProc Proc, THookProcCodes Codes) {
  auto it =
      std::find_if(tProcs.begin(), tProcs.end(), [&](const auto& p) { return p->proc == Proc; });
  if (it == tProcs.end()) {
    auto data = std::make_shared<HookProcData>();
    data->proc = Proc;
    data->codes = Codes;
    tProcs.push_back(data);
    // The counts go up once per callback record, as they come down once when it is removed.
    if (!tInfo) {
      tInfo = std::make_unique<HookInfo>();
      // Whatever is left when the window system ends is removed then.
      win::AtShutdown(&tInfo, [] { UninstallAllHooks(); });
    }
    bool needed[htCount] = {};
    for (int c = hpSendActivate; c <= hpGetMessage; ++c)
      if (Codes & HookCodes(THookProcCode(c))) needed[TypeOf(THookProcCode(c))] = true;
    for (int t = 0; t < htCount; ++t) {
      if (!needed[t]) continue;
      ++tInfo->count[t];
      if (!tInfo->handle[t])
        tInfo->handle[t] = win::SetWindowsHookEx(kPlatformType[t], ProcOf(HookType(t)), nullptr,
                                                 win::GetCurrentThreadId());
    }
    it = tProcs.end() - 1;
  }
  auto& users = (*it)->users;
  if (std::find(users.begin(), users.end(), User) == users.end()) users.push_back(User);
}

void UninstallHookProc(const void* User, THookProc Proc) {
  auto it =
      std::find_if(tProcs.begin(), tProcs.end(), [&](const auto& p) { return p->proc == Proc; });
  if (it == tProcs.end()) return;
  auto data = *it;
  std::erase(data->users, User);
  if (!data->users.empty()) return;
  data->removed = true;
  tProcs.erase(it);
  if (tInfo) {
    bool had[htCount] = {};
    for (int c = hpSendActivate; c <= hpGetMessage; ++c)
      if (data->codes & HookCodes(THookProcCode(c))) had[TypeOf(THookProcCode(c))] = true;
    for (int t = 0; t < htCount; ++t) {
      if (!had[t] || tInfo->count[t] <= 0) continue;
      if (--tInfo->count[t] == 0 && tInfo->handle[t]) {
        win::UnhookWindowsHookEx(tInfo->handle[t]);
        tInfo->handle[t] = nullptr;
      }
    }
    FreeInfoIfUnused();
  }
  if (tProcs.empty()) tProcs.shrink_to_fit();
}

void UninstallAllHooks() {
  for (auto& p : tProcs) p->removed = true;
  tProcs.clear();
  if (!tInfo) return;
  for (auto& h : tInfo->handle) {
    if (h) win::UnhookWindowsHookEx(h);
    h = nullptr;
  }
  tInfo.reset();
}

namespace detail {
win::HHOOK InstalledHook(int HookType) {
  if (!tInfo) return nullptr;
  for (int t = 0; t < htCount; ++t)
    if (kPlatformType[t] == HookType) return tInfo->handle[t];
  return nullptr;
}
}  // namespace detail

}  // namespace docking
