#include "platform/win/message.h"

#include <algorithm>
#include <chrono>

#include "platform/rtl/exceptions.h"
#include "platform/win/state.h"

namespace win {
namespace detail {

namespace {

bool InRange(UINT message, UINT min, UINT max) {
  if (min == 0 && max == 0) return true;
  if (min > max) return message >= min || message <= max;
  return message >= min && message <= max;
}

bool WindowMatches(HWND target, HWND filter) {
  if (!filter) return true;
  if (target == filter) return true;
  Window* f = Find(filter);
  Window* t = Find(target);
  return f && t && IsDescendant(f, t);
}

bool Matches(const MSG& m, HWND filter, UINT min, UINT max) {
  return InRange(m.message, min, max) && WindowMatches(m.hwnd, filter);
}

MSG Stamp(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG m;
  m.hwnd = h;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = DWORD(S().clock->NowMicros() / 1000);
  return m;
}

LRESULT RunHooks(int type, int code, WPARAM wParam, LPARAM lParam) {
  System& s = S();
  for (auto& h : s.hooks)
    if (h->type == type && !h->removed) {
      auto keep = h;
      return keep->proc(code, wParam, lParam);
    }
  return 0;
}

void CallGetMessageHooks(MSG* msg, bool remove) {
  RunHooks(WH_GETMESSAGE, HC_ACTION, remove ? PM_REMOVE : PM_NOREMOVE, reinterpret_cast<LPARAM>(msg));
}

const Timer* DueTimer(HWND filter, uint64_t now) {
  const Timer* best = nullptr;
  for (const Timer& t : S().timers) {
    if (t.due > now || !WindowMatches(t.hwnd, filter)) continue;
    if (t.hwnd && !Find(t.hwnd)) continue;
    if (!best || t.due < best->due) best = &t;
  }
  return best;
}

std::optional<uint64_t> NextTimerDue() {
  std::optional<uint64_t> next;
  for (const Timer& t : S().timers)
    if (!next || t.due < *next) next = t.due;
  return next;
}

// Sent messages from other threads are delivered at once, whatever the filter.
void DeliverSent() {
  System& s = S();
  for (;;) {
    SentItem item;
    {
      std::lock_guard lock(s.m);
      if (s.sent.empty()) return;
      item = s.sent.front();
      s.sent.pop_front();
    }
    if (Window* w = Find(item.msg.hwnd))
      Send(w, item.msg.message, item.msg.wParam, item.msg.lParam);
  }
}

bool PeekCore(MSG* out, HWND filter, UINT min, UINT max, bool remove) {
  System& s = S();
  ServiceSynchronize();
  if (s.backend) s.backend->PollInput();
  DeliverSent();
  // Posted messages (those of destroyed windows are dropped on the way).
  {
    std::unique_lock lock(s.m);
    for (auto it = s.posted.begin(); it != s.posted.end();) {
      if (it->hwnd && !s.live.count(reinterpret_cast<uintptr_t>(it->hwnd))) {
        it = s.posted.erase(it);
        continue;
      }
      if (Matches(*it, filter, min, max)) {
        MSG m = *it;
        if (remove) s.posted.erase(it);
        lock.unlock();
        *out = m;
        CallGetMessageHooks(out, remove);
        if (remove) s.lastMsg = *out;
        return true;
      }
      ++it;
    }
    if (s.quit && InRange(WM_QUIT, min, max)) {
      MSG m = Stamp(nullptr, WM_QUIT, WPARAM(s.quitCode), 0);
      m.pt = s.cursorPos;
      if (remove) s.quit = false;
      lock.unlock();
      *out = m;
      CallGetMessageHooks(out, remove);
      if (remove) s.lastMsg = *out;
      return true;
    }
  }
  // Input, turned into messages now.
  for (size_t i = 0;; ++i) {
    RawInput raw;
    {
      std::lock_guard lock(s.m);
      if (i >= s.input.size()) break;
      raw = s.input[i];
    }
    std::optional<MSG> preview = PreviewInput(raw);
    if (!preview) {
      if (i == 0) {
        {
          std::lock_guard lock(s.m);
          if (!s.input.empty()) s.input.pop_front();
        }
        CommitInput(raw);
        i = size_t(-1);  // start again from the front
      }
      continue;
    }
    if (!Matches(*preview, filter, min, max)) continue;
    if (!remove) {
      *out = *preview;
      CallGetMessageHooks(out, false);
      return true;
    }
    {
      std::lock_guard lock(s.m);
      s.input.erase(s.input.begin() + std::ptrdiff_t(i));
    }
    std::optional<MSG> m = CommitInput(raw);
    if (!m) {
      i = size_t(-1);
      continue;
    }
    *out = *m;
    CallGetMessageHooks(out, true);
    s.lastMsg = *out;
    return true;
  }
  // Paint.
  if (InRange(WM_PAINT, min, max)) {
    if (Window* w = NextPaintWindow(filter)) {
      MSG m = Stamp(w->h, WM_PAINT, 0, 0);
      m.pt = s.cursorPos;
      *out = m;
      CallGetMessageHooks(out, remove);
      if (remove) s.lastMsg = *out;
      return true;
    }
  }
  // Timers.
  if (InRange(WM_TIMER, min, max)) {
    const uint64_t now = s.clock->NowMicros();
    if (const Timer* t = DueTimer(filter, now)) {
      MSG m = Stamp(t->hwnd, WM_TIMER, t->id, t->proc ? t->token : 0);
      m.pt = s.cursorPos;
      if (remove) const_cast<Timer*>(t)->due = now + uint64_t(t->elapse) * 1000;
      *out = m;
      CallGetMessageHooks(out, remove);
      if (remove) s.lastMsg = *out;
      return true;
    }
  }
  PresentIfDirty();
  return false;
}

bool HasRetrievable() {
  System& s = S();
  {
    std::lock_guard lock(s.m);
    if (!s.sent.empty() || !s.posted.empty() || s.quit || !s.input.empty()) return true;
  }
  if (NextPaintWindow(nullptr)) return true;
  return DueTimer(nullptr, s.clock->NowMicros()) != nullptr;
}

// Blocks until something can be retrieved (true) or the deadline passes (false).
bool WaitCore(std::optional<uint64_t> deadline) {
  System& s = S();
  for (;;) {
    // Taken before looking, so that a wake-up arriving while we look is not lost.
    uint64_t wakesBefore;
    {
      std::lock_guard lock(s.m);
      wakesBefore = s.wakes;
    }
    ServiceSynchronize();
    if (s.backend) s.backend->PollInput();
    DeliverSent();
    if (HasRetrievable()) return true;
    PresentIfDirty();
    const uint64_t now = s.clock->NowMicros();
    if (deadline && now >= *deadline) return false;
    std::optional<uint64_t> wakeAt = NextTimerDue();
    if (deadline && (!wakeAt || *deadline < *wakeAt)) wakeAt = deadline;
    if (s.clock->IsVirtual()) {
      if (s.idleHook) {
        IdleHook hook = s.idleHook;
        if (hook(IdleInfo{wakeAt})) continue;
      }
      if (wakeAt) {
        static_cast<VirtualClock*>(s.clock.get())->AdvanceTo(*wakeAt);
        continue;
      }
      // Nothing due: only another thread can still bring something.
      std::unique_lock lock(s.m);
      const bool woke = s.cv.wait_for(lock, std::chrono::milliseconds(s.config.idleGraceMs),
                                      [&] { return s.wakes != wakesBefore; });
      if (!woke) throw EIdleStall("a message loop is waiting and nothing is pending");
      continue;
    }
    DWORD timeoutMs = INFINITE;
    if (wakeAt) timeoutMs = DWORD(std::min<uint64_t>((*wakeAt - std::min(*wakeAt, now) + 999) / 1000, 0x7FFFFFFF));
    if (s.backend) {
      s.backend->WaitInput(timeoutMs);
    } else {
      std::unique_lock lock(s.m);
      auto pred = [&] { return s.wakes != wakesBefore; };
      if (timeoutMs == INFINITE) s.cv.wait(lock, pred);
      else s.cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), pred);
    }
  }
}

}  // namespace

LRESULT Send(Window* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!w) return 0;
  const HWND h = w->h;
  System& s = S();
  bool hooked = false;
  for (auto& hk : s.hooks)
    if (hk->type == WH_CALLWNDPROC && !hk->removed) hooked = true;
  if (hooked) {
    CWPSTRUCT cwp{lParam, wParam, msg, h};
    RunHooks(WH_CALLWNDPROC, HC_ACTION, 0, reinterpret_cast<LPARAM>(&cwp));
    if (!(w = Find(h))) return 0;
  }
  WNDPROC proc = w->proc;
  return proc(h, msg, wParam, lParam);
}

LRESULT CallCbtHook(int code, WPARAM wParam, LPARAM lParam) {
  return RunHooks(WH_CBT, code, wParam, lParam);
}

void KillTimersOf(HWND h) {
  auto& t = S().timers;
  t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == h; }), t.end());
}

void DropMessagesFor(HWND h) {
  System& s = S();
  std::lock_guard lock(s.m);
  auto& p = s.posted;
  p.erase(std::remove_if(p.begin(), p.end(), [&](const MSG& m) { return m.hwnd == h; }), p.end());
}

}  // namespace detail

using namespace detail;

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CheckGuiThread("SendMessage");
  return Send(Find(hwnd), msg, wParam, lParam);
}

BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  System& s = S();
  if (IsGuiThread()) {
    if (!Find(hwnd)) return FALSE;
    SendMessage(hwnd, msg, wParam, lParam);
    return TRUE;
  }
  {
    std::lock_guard lock(s.m);
    if (!s.live.count(reinterpret_cast<uintptr_t>(hwnd))) return FALSE;
    SentItem item;
    item.msg.hwnd = hwnd;
    item.msg.message = msg;
    item.msg.wParam = wParam;
    item.msg.lParam = lParam;
    s.sent.push_back(item);
  }
  Wake();
  return TRUE;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  System& s = S();
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = DWORD(s.clock->NowMicros() / 1000);
  {
    std::lock_guard lock(s.m);
    if (hwnd && !s.live.count(reinterpret_cast<uintptr_t>(hwnd))) return FALSE;
    m.pt = s.cursorPos;
    s.posted.push_back(m);
  }
  Wake();
  return TRUE;
}

BOOL PostThreadMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return PostMessage(nullptr, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  System& s = S();
  {
    std::lock_guard lock(s.m);
    s.quit = true;
    s.quitCode = exitCode;
  }
  Wake();
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT removeFlags) {
  CheckGuiThread("PeekMessage");
  MSG local;
  if (!PeekCore(msg ? msg : &local, hwnd, min, max, (removeFlags & PM_REMOVE) != 0)) return FALSE;
  return TRUE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT min, UINT max) {
  CheckGuiThread("GetMessage");
  MSG local;
  MSG* out = msg ? msg : &local;
  for (;;) {
    if (PeekCore(out, hwnd, min, max, true)) return out->message == WM_QUIT ? FALSE : TRUE;
    WaitCore(std::nullopt);
  }
}

BOOL WaitMessage() {
  CheckGuiThread("WaitMessage");
  WaitCore(std::nullopt);
  return TRUE;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD timeoutMs, DWORD) {
  CheckGuiThread("MsgWaitForMultipleObjects");
  if (count != 0) throw rtl::EInvalidOperation("MsgWaitForMultipleObjects: only the queue can be waited on");
  std::optional<uint64_t> deadline;
  if (timeoutMs != INFINITE) deadline = S().clock->NowMicros() + uint64_t(timeoutMs) * 1000;
  return WaitCore(deadline) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

DWORD GetQueueStatus(UINT flags) {
  System& s = S();
  DWORD bits = 0;
  {
    std::lock_guard lock(s.m);
    if (!s.sent.empty()) bits |= QS_SENDMESSAGE;
    if (!s.posted.empty() || s.quit) bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    for (const RawInput& r : s.input) {
      if (r.kind == RawInput::Kind::KeyDown || r.kind == RawInput::Kind::KeyUp) bits |= QS_KEY;
      else if (r.kind == RawInput::Kind::Move) bits |= QS_MOUSEMOVE;
      else bits |= QS_MOUSEBUTTON;
    }
  }
  if (NextPaintWindow(nullptr)) bits |= QS_PAINT;
  if (DueTimer(nullptr, s.clock->NowMicros())) bits |= QS_TIMER;
  bits &= flags;
  return (bits << 16) | bits;
}

LRESULT DispatchMessage(const MSG* msg) {
  CheckGuiThread("DispatchMessage");
  if (!msg) return 0;
  Window* w = Find(msg->hwnd);
  if (msg->message == WM_TIMER && msg->lParam) {
    for (const Timer& t : S().timers)
      if (t.hwnd == msg->hwnd && t.id == msg->wParam && t.token == msg->lParam && t.proc) {
        TIMERPROC proc = t.proc;
        proc(msg->hwnd, WM_TIMER, t.id, GetTickCount());
        return 0;
      }
    return 0;
  }
  if (!w) return 0;
  WNDPROC proc = w->proc;
  return proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

DWORD GetMessageTime() { return S().lastMsg.time; }

DWORD GetMessagePos() {
  POINT p = S().lastMsg.pt;
  return DWORD(WORD(p.x)) | (DWORD(WORD(p.y)) << 16);
}

POINT GetMessagePosAsPoint() {
  DWORD p = GetMessagePos();
  return POINT{SHORT(LOWORD(p)), SHORT(HIWORD(p))};
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  System& s = S();
  CheckGuiThread("SetTimer");
  if (hwnd && !Find(hwnd)) return 0;
  if (elapseMs < USER_TIMER_MINIMUM) elapseMs = USER_TIMER_MINIMUM;
  const uint64_t due = s.clock->NowMicros() + uint64_t(elapseMs) * 1000;
  auto it = std::find_if(s.timers.begin(), s.timers.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (!hwnd && (id == 0 || it == s.timers.end())) {
    do {
      id = ++s.nextThreadTimerId;
    } while (std::any_of(s.timers.begin(), s.timers.end(),
                         [&](const Timer& t) { return !t.hwnd && t.id == id; }));
    it = s.timers.end();
  }
  if (it == s.timers.end()) {
    s.timers.push_back(Timer{});
    it = s.timers.end() - 1;
  }
  it->hwnd = hwnd;
  it->id = id;
  it->elapse = elapseMs;
  it->due = due;
  it->proc = std::move(proc);
  it->token = it->proc ? s.nextTimerToken++ : 0;
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& t = S().timers;
  auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
  if (it == t.end()) return FALSE;
  t.erase(it);
  return TRUE;
}

HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HANDLE, DWORD) {
  System& s = S();
  CheckGuiThread("SetWindowsHookEx");
  if (!proc || (idHook != WH_CALLWNDPROC && idHook != WH_CBT && idHook != WH_GETMESSAGE)) return nullptr;
  auto h = std::make_shared<Hook>();
  h->type = idHook;
  h->proc = std::move(proc);
  h->handle = reinterpret_cast<HHOOK>(s.nextHook++);
  s.hooks.insert(s.hooks.begin(), h);
  return h->handle;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto& v = S().hooks;
  auto it = std::find_if(v.begin(), v.end(), [&](auto& h) { return h->handle == hook; });
  if (it == v.end()) return FALSE;
  (*it)->removed = true;
  v.erase(it);
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  System& s = S();
  auto it = std::find_if(s.hooks.begin(), s.hooks.end(), [&](auto& h) { return h->handle == hook; });
  if (it == s.hooks.end()) return 0;
  const int type = (*it)->type;
  for (++it; it != s.hooks.end(); ++it)
    if ((*it)->type == type && !(*it)->removed) {
      auto keep = *it;
      return keep->proc(code, wParam, lParam);
    }
  return 0;
}

}  // namespace win
