#include "platform/win/input.h"

#include <algorithm>
#include <cstdlib>

#include "platform/win/message.h"
#include "platform/win/settings.h"
#include "platform/win/state.h"

namespace win {
namespace detail {

namespace {

bool clickActivation = false;

bool Down(const BYTE* keys, int vk) { return (keys[vk & 0xFF] & 0x80) != 0; }

WPARAM MouseFlags(const BYTE* keys) {
  WPARAM f = 0;
  if (Down(keys, VK_LBUTTON)) f |= MK_LBUTTON;
  if (Down(keys, VK_RBUTTON)) f |= MK_RBUTTON;
  if (Down(keys, VK_MBUTTON)) f |= MK_MBUTTON;
  if (Down(keys, VK_SHIFT)) f |= MK_SHIFT;
  if (Down(keys, VK_CONTROL)) f |= MK_CONTROL;
  return f;
}

const UINT kButtonVk[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};

// Applies one key or button transition to a key-state table.
void ApplyKey(BYTE* keys, UINT vk, bool down) {
  auto set = [&](UINT k) {
    if (down) {
      if (!(keys[k] & 0x80)) keys[k] ^= 0x01;  // toggles on each press
      keys[k] |= 0x80;
    } else {
      keys[k] &= BYTE(~0x80);
    }
  };
  set(vk & 0xFF);
  switch (vk) {
    case VK_LSHIFT: case VK_RSHIFT: set(VK_SHIFT); break;
    case VK_LCONTROL: case VK_RCONTROL: set(VK_CONTROL); break;
    case VK_LMENU: case VK_RMENU: set(VK_MENU); break;
    case VK_SHIFT: set(VK_LSHIFT); break;
    case VK_CONTROL: set(VK_LCONTROL); break;
    case VK_MENU: set(VK_LMENU); break;
  }
}

POINT Clamp(POINT p) {
  System& s = S();
  RECT r = s.clip ? *s.clip : RECT{0, 0, s.screen->Width(), s.screen->Height()};
  p.x = std::clamp(p.x, r.left, std::max(r.left, r.right - 1));
  p.y = std::clamp(p.y, r.top, std::max(r.top, r.bottom - 1));
  return p;
}

bool Contains(const Window* w, POINT pt) {
  RECT r = ScreenRect(w);
  if (!gdi::PtInRect(&r, pt)) return false;
  if (w->region && !w->region->Contains(pt.x - r.left, pt.y - r.top)) return false;
  return true;
}

// The deepest window under the point in w's subtree that is not excluded.
Window* Deepest(Window* w, POINT pt, const std::vector<Window*>& excluded, bool skipDisabled) {
  RECT cr = ScreenClientRect(w);
  if (gdi::PtInRect(&cr, pt)) {
    for (Window* c : w->children) {
      if (!c->Visible() || !Contains(c, pt)) continue;
      if (skipDisabled && (c->style & WS_DISABLED)) continue;
      if (Window* d = Deepest(c, pt, excluded, skipDisabled)) return d;
    }
  }
  return std::find(excluded.begin(), excluded.end(), w) == excluded.end() ? w : nullptr;
}

Window* Candidate(POINT pt, const std::vector<Window*>& excluded, bool skipDisabled) {
  for (Window* top : S().desktop->children) {
    if (!top->Visible() || !Contains(top, pt)) continue;
    if (top->layered && (top->exStyle & WS_EX_TRANSPARENT)) continue;
    // A disabled top-level window (the owner of a modal form) takes no input for any child.
    if (skipDisabled && (top->style & WS_DISABLED)) return top;
    if (Window* d = Deepest(top, pt, excluded, skipDisabled)) return d;
  }
  return nullptr;
}

UINT ClientButtonMsg(int button, bool down, bool dbl) {
  const UINT base = WM_LBUTTONDOWN + UINT(std::clamp(button, 0, 2)) * 3;
  return dbl ? base + 2 : (down ? base : base + 1);
}

struct Resolved {
  Window* w = nullptr;
  int code = HTNOWHERE;
  bool captured = false;
};

std::optional<Resolved> ResolveMouse(POINT pt) {
  System& s = S();
  if (Window* c = Find(s.capture)) return Resolved{c, HTCLIENT, true};
  Hit hit = HitTest(pt);
  if (!hit.w) return std::nullopt;
  return Resolved{hit.w, hit.code, false};
}

bool IsDoubleClick(const Window* w, UINT downMsg, POINT pt, DWORD time) {
  const LastClick& lc = S().lastClick;
  if (lc.hwnd != w->h || lc.message != downMsg) return false;
  if (downMsg >= WM_MOUSEFIRST && !(w->cls->style & CS_DBLCLKS)) return false;
  if (DWORD(time - lc.time) > DWORD(GetDoubleClickTime())) return false;
  const int cx = GetSystemMetrics(SM_CXDOUBLECLK), cy = GetSystemMetrics(SM_CYDOUBLECLK);
  return std::abs(pt.x - lc.pt.x) <= cx / 2 && std::abs(pt.y - lc.pt.y) <= cy / 2;
}

void CheckLeave(const Resolved* r, POINT pt) {
  System& s = S();
  HWND under = nullptr;
  bool inClient = false;
  if (r && !r->captured) {
    under = r->w->h;
    inClient = r->code == HTCLIENT;
  } else if (Window* u = WindowAt(pt, false)) {
    under = u->h;
    RECT cr = ScreenClientRect(u);
    inClient = gdi::PtInRect(&cr, pt);
  }
  if (s.tracking.hwnd && (s.tracking.hwnd != under || !inClient)) {
    HWND h = s.tracking.hwnd;
    s.tracking.hwnd = nullptr;
    PostMessage(h, WM_MOUSELEAVE, 0, 0);
  }
  if (s.ncTracking.hwnd && (s.ncTracking.hwnd != under || inClient)) {
    HWND h = s.ncTracking.hwnd;
    s.ncTracking.hwnd = nullptr;
    PostMessage(h, WM_NCMOUSELEAVE, 0, 0);
  }
}

std::optional<MSG> BuildKey(const RawInput& r, bool commit) {
  System& s = S();
  const bool down = r.kind == RawInput::Kind::KeyDown;
  BYTE local[256];
  BYTE* keys = s.keys;
  if (!commit) {
    std::copy(std::begin(s.keys), std::end(s.keys), local);
    keys = local;
  }
  const bool wasDown = Down(keys, int(r.vk));
  ApplyKey(keys, r.vk, down);
  Window* target = Find(s.focus);
  bool sys = false;
  if (!target) {
    target = Find(s.active);
    sys = true;  // keys with no focus go to the active window as system keys
  }
  if (!target) return std::nullopt;
  const bool alt = Down(keys, VK_MENU) || (r.vk == VK_MENU && !down);
  if ((alt && !Down(keys, VK_CONTROL)) || r.vk == VK_F10) sys = true;
  MSG m;
  m.hwnd = target->h;
  m.message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  m.wParam = r.vk;
  const uint32_t scan = r.vk & 0xFF;
  uint32_t lp = 1u | (scan << 16);
  if (alt) lp |= 1u << 29;
  if (wasDown) lp |= 1u << 30;
  if (!down) lp |= 1u << 31;
  m.lParam = LPARAM(int32_t(lp));
  m.time = r.time;
  m.pt = s.cursorPos;
  return m;
}

std::optional<MSG> BuildMouse(const RawInput& r, bool commit) {
  System& s = S();
  const POINT pt = Clamp(r.pt);
  const bool isDown = r.kind == RawInput::Kind::ButtonDown;
  const bool isUp = r.kind == RawInput::Kind::ButtonUp;
  BYTE local[256];
  BYTE* keys = s.keys;
  if (!commit) {
    std::copy(std::begin(s.keys), std::end(s.keys), local);
    keys = local;
  }
  if (isDown || isUp) ApplyKey(keys, kButtonVk[std::clamp(r.button, 0, 2)], isDown);
  if (commit) s.cursorPos = pt;

  MSG m;
  m.time = r.time;
  m.pt = pt;
  if (r.kind == RawInput::Kind::Wheel) {
    Window* target = Find(s.focus);
    if (!target) target = Find(s.active);
    if (!target) return std::nullopt;
    m.hwnd = target->h;
    m.message = WM_MOUSEWHEEL;
    m.wParam = MAKEWPARAM(int(MouseFlags(keys)), r.wheelDelta);
    m.lParam = MAKELPARAM(pt.x, pt.y);
    return m;
  }
  std::optional<Resolved> res = ResolveMouse(pt);
  if (commit) CheckLeave(res ? &*res : nullptr, pt);
  if (!res) return std::nullopt;
  Window* w = res->w;
  const HWND h = w->h;
  const bool client = res->code == HTCLIENT;
  const UINT clientMsg = r.kind == RawInput::Kind::Move ? WM_MOUSEMOVE : ClientButtonMsg(r.button, isDown, false);
  if (res->code == HTERROR || res->code == HTNOWHERE) {
    if (commit) Send(w, WM_SETCURSOR, WPARAM(reinterpret_cast<uintptr_t>(h)), MAKELPARAM(res->code, int(clientMsg)));
    return std::nullopt;
  }
  bool dbl = false;
  if (isDown) {
    const UINT downMsg = client ? ClientButtonMsg(r.button, true, false)
                                : WM_NCLBUTTONDOWN + UINT(std::clamp(r.button, 0, 2)) * 3;
    dbl = IsDoubleClick(w, downMsg, pt, r.time);
    if (commit) {
      if (dbl) s.lastClick = LastClick{};
      else s.lastClick = LastClick{h, downMsg, r.time, pt};
    }
  }
  m.hwnd = h;
  if (client) {
    m.message = r.kind == RawInput::Kind::Move ? WM_MOUSEMOVE : ClientButtonMsg(r.button, isDown, dbl);
    POINT o = ClientOrigin(w);
    m.lParam = MAKELPARAM(pt.x - o.x, pt.y - o.y);
    m.wParam = MouseFlags(keys);
  } else {
    const UINT base = WM_NCLBUTTONDOWN + UINT(std::clamp(r.button, 0, 2)) * 3;
    m.message = r.kind == RawInput::Kind::Move ? WM_NCMOUSEMOVE : (dbl ? base + 2 : (isDown ? base : base + 1));
    m.lParam = MAKELPARAM(pt.x, pt.y);
    m.wParam = WPARAM(res->code);
  }
  if (!commit) return m;

  if (isDown && !res->captured) {
    Window* root = TopLevel(w);
    if (root->h != s.active) {
      LRESULT ma = Send(w, WM_MOUSEACTIVATE, WPARAM(reinterpret_cast<uintptr_t>(root->h)),
                        MAKELPARAM(res->code, int(clientMsg)));
      if (!Find(h)) return std::nullopt;
      if ((ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT || ma == 0) && Find(root->h)) {
        clickActivation = true;
        SetActiveWindow(root->h);
        clickActivation = false;
      }
      if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return std::nullopt;
      if (!Find(h)) return std::nullopt;
    }
  }
  if (!res->captured) {
    Send(Find(h), WM_SETCURSOR, WPARAM(reinterpret_cast<uintptr_t>(h)), MAKELPARAM(res->code, int(clientMsg)));
    if (!Find(h)) return std::nullopt;
  }
  // A capture taken during activation redirects the click.
  if (s.capture && s.capture != h) {
    Window* c = Find(s.capture);
    POINT o = ClientOrigin(c);
    m.hwnd = c->h;
    m.message = clientMsg;
    m.lParam = MAKELPARAM(pt.x - o.x, pt.y - o.y);
    m.wParam = MouseFlags(keys);
  }
  return m;
}

}  // namespace

Hit HitTest(POINT pt) {
  std::vector<Window*> excluded;
  for (int guard = 0; guard < 256; ++guard) {
    Window* cand = Candidate(pt, excluded, true);
    if (!cand) return {};
    if (!cand->Child() && (cand->style & WS_DISABLED)) return Hit{cand, HTERROR};
    const HWND h = cand->h;
    const LRESULT code = Send(cand, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    if (!(cand = Find(h))) return {};
    if (code == HTTRANSPARENT) {
      excluded.push_back(cand);
      continue;
    }
    return Hit{cand, int(code)};
  }
  return {};
}

Window* WindowAt(POINT pt, bool skipDisabled) { return Candidate(pt, {}, skipDisabled); }

std::optional<MSG> PreviewInput(const RawInput& r) {
  if (r.kind == RawInput::Kind::KeyDown || r.kind == RawInput::Kind::KeyUp) return BuildKey(r, false);
  return BuildMouse(r, false);
}

std::optional<MSG> CommitInput(const RawInput& r) {
  if (r.kind == RawInput::Kind::KeyDown || r.kind == RawInput::Kind::KeyUp) return BuildKey(r, true);
  return BuildMouse(r, true);
}

void OnWindowHidden(Window* w) {
  System& s = S();
  Window* a = Find(s.active);
  if (!a || !IsDescendant(w, a)) return;
  // Activation passes to the owner, else to the highest visible window that can take it.
  Window* next = Find(a->owner);
  if (next && (!IsVisibleChain(next) || (next->style & WS_DISABLED))) next = nullptr;
  if (!next)
    for (Window* c : s.desktop->children)
      if (c != a && c->Visible() && !(c->style & WS_DISABLED) && !(c->exStyle & WS_EX_TOOLWINDOW) &&
          !(c->exStyle & WS_EX_NOACTIVATE)) {
        next = c;
        break;
      }
  SetActiveWindow(next ? next->h : nullptr);
}

void OnWindowDestroying(Window* w) {
  System& s = S();
  if (Window* c = Find(s.capture); c && IsDescendant(w, c)) ReleaseCapture();
  if (Window* f = Find(s.focus); f && IsDescendant(w, f)) s.focus = nullptr;
  if (Window* a = Find(s.active); a && IsDescendant(w, a)) OnWindowHidden(w);
  if (Window* a = Find(s.active); a && IsDescendant(w, a)) s.active = nullptr;
  if (Window* t = Find(s.tracking.hwnd); t && IsDescendant(w, t)) s.tracking = {};
  if (Window* t = Find(s.ncTracking.hwnd); t && IsDescendant(w, t)) s.ncTracking = {};
  if (Window* l = Find(s.lastClick.hwnd); l && IsDescendant(w, l)) s.lastClick = {};
  if (Window* l = Find(s.locked); l && IsDescendant(w, l)) s.locked = nullptr;
}

}  // namespace detail

using namespace detail;

void PostRawInput(const RawInput& input) {
  System& s = S();
  RawInput r = input;
  if (r.time == 0) r.time = DWORD(s.clock->NowMicros() / 1000);
  {
    std::lock_guard lock(s.m);
    if (r.kind == RawInput::Kind::KeyDown) ApplyKey(s.asyncKeys, r.vk, true);
    if (r.kind == RawInput::Kind::KeyUp) ApplyKey(s.asyncKeys, r.vk, false);
    if (r.kind == RawInput::Kind::ButtonDown || r.kind == RawInput::Kind::ButtonUp)
      ApplyKey(s.asyncKeys, kButtonVk[std::clamp(r.button, 0, 2)], r.kind == RawInput::Kind::ButtonDown);
    if (r.kind == RawInput::Kind::Move && !s.input.empty() && s.input.back().kind == RawInput::Kind::Move)
      s.input.back() = r;
    else
      s.input.push_back(r);
  }
  Wake();
}

RawInput MouseMove(int x, int y) {
  RawInput r;
  r.kind = RawInput::Kind::Move;
  r.pt = POINT{x, y};
  return r;
}

RawInput MouseDown(int x, int y, int button) {
  RawInput r = MouseMove(x, y);
  r.kind = RawInput::Kind::ButtonDown;
  r.button = button;
  return r;
}

RawInput MouseUp(int x, int y, int button) {
  RawInput r = MouseDown(x, y, button);
  r.kind = RawInput::Kind::ButtonUp;
  return r;
}

RawInput MouseWheel(int x, int y, int delta) {
  RawInput r = MouseMove(x, y);
  r.kind = RawInput::Kind::Wheel;
  r.wheelDelta = delta;
  return r;
}

RawInput KeyDown(UINT vk) {
  RawInput r;
  r.kind = RawInput::Kind::KeyDown;
  r.vk = vk;
  return r;
}

RawInput KeyUp(UINT vk) {
  RawInput r = KeyDown(vk);
  r.kind = RawInput::Kind::KeyUp;
  return r;
}

HWND SetCapture(HWND hwnd) {
  System& s = S();
  HWND old = s.capture;
  if (!Find(hwnd)) return old;
  s.capture = hwnd;
  if (old && old != hwnd)
    if (Window* o = Find(old)) Send(o, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  System& s = S();
  HWND old = s.capture;
  if (!old) return TRUE;
  s.capture = nullptr;
  if (Window* o = Find(old)) Send(o, WM_CAPTURECHANGED, 0, 0);
  // The window under the pointer hears about it, so that its cursor is set again.
  PostRawInput(MouseMove(s.cursorPos.x, s.cursorPos.y));
  return TRUE;
}

HWND GetCapture() { return S().capture; }

HWND SetFocus(HWND hwnd) {
  System& s = S();
  HWND old = s.focus;
  if (hwnd == old) return old;
  Window* w = Find(hwnd);
  if (hwnd && !w) return nullptr;
  if (w) {
    Window* root = TopLevel(w);
    if (root->h != s.active) {
      SetActiveWindow(root->h);
      if (s.focus == hwnd) return old;
      old = s.focus;
    }
  }
  s.focus = hwnd;
  if (Window* o = Find(old)) Send(o, WM_KILLFOCUS, WPARAM(reinterpret_cast<uintptr_t>(hwnd)), 0);
  if (s.focus == hwnd)
    if (Window* n = Find(hwnd)) Send(n, WM_SETFOCUS, WPARAM(reinterpret_cast<uintptr_t>(old)), 0);
  return old;
}

HWND GetFocus() { return S().focus; }

HWND SetActiveWindow(HWND hwnd) {
  System& s = S();
  Window* w = Find(hwnd);
  if (w) w = TopLevel(w);
  if (w == s.desktop) w = nullptr;
  HWND old = s.active;
  if (w && w->h == old) return old;
  const bool click = clickActivation;
  const HWND newH = w ? w->h : nullptr;
  if (Window* o = Find(old)) {
    Send(o, WM_NCACTIVATE, FALSE, 0);
    if ((o = Find(old)))
      Send(o, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (o->style & WS_MINIMIZE) ? 1 : 0),
           reinterpret_cast<LPARAM>(newH));
  }
  s.active = newH;
  if (Window* f = Find(s.focus); f && (!w || !IsDescendant(w, f))) {
    HWND fh = s.focus;
    s.focus = nullptr;
    Send(f, WM_KILLFOCUS, 0, 0);
    (void)fh;
  }
  if (!(w = Find(newH))) return old;
  if (!s.appActive) {
    s.appActive = true;
    std::vector<HWND> tops;
    for (Window* c : s.desktop->children) tops.push_back(c->h);
    for (HWND t : tops)
      if (Window* tw = Find(t)) Send(tw, WM_ACTIVATEAPP, TRUE, 0);
  }
  if (!(w = Find(newH))) return old;
  SetWindowPos(newH, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if ((w = Find(newH))) Send(w, WM_NCACTIVATE, TRUE, 0);
  if ((w = Find(newH)) && s.active == newH)
    Send(w, WM_ACTIVATE, MAKEWPARAM(click ? WA_CLICKACTIVE : WA_ACTIVE, (w->style & WS_MINIMIZE) ? 1 : 0),
         reinterpret_cast<LPARAM>(old));
  return old;
}

HWND GetActiveWindow() { return S().active; }

HWND GetForegroundWindow() { return S().appActive ? S().active : nullptr; }

BOOL SetForegroundWindow(HWND hwnd) {
  if (!Find(hwnd)) return FALSE;
  SetActiveWindow(hwnd);
  return TRUE;
}

BOOL LockSetForegroundWindow(UINT code) {
  S().foregroundLocked = code == LSFW_LOCK;
  return TRUE;
}

bool IsForegroundLocked() { return S().foregroundLocked; }

void ActivateOtherApplication() {
  System& s = S();
  if (s.capture) ReleaseCapture();
  HWND old = s.active;
  if (Window* o = Find(old)) {
    Send(o, WM_NCACTIVATE, FALSE, 0);
    if ((o = Find(old))) Send(o, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
  }
  s.active = nullptr;
  if (s.appActive) {
    s.appActive = false;
    std::vector<HWND> tops;
    for (Window* c : s.desktop->children) tops.push_back(c->h);
    for (HWND t : tops)
      if (Window* tw = Find(t)) Send(tw, WM_ACTIVATEAPP, FALSE, 0);
  }
  if (Window* f = Find(s.focus)) {
    s.focus = nullptr;
    Send(f, WM_KILLFOCUS, 0, 0);
  }
}

SHORT GetKeyState(int vk) {
  const BYTE k = S().keys[vk & 0xFF];
  return SHORT(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  System& s = S();
  std::lock_guard lock(s.m);
  return SHORT((s.asyncKeys[vk & 0xFF] & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* keys256) {
  if (!keys256) return FALSE;
  std::copy(std::begin(S().keys), std::end(S().keys), keys256);
  return TRUE;
}

BOOL GetCursorPos(POINT* pt) {
  if (!pt) return FALSE;
  *pt = S().cursorPos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  System& s = S();
  s.cursorPos = Clamp(POINT{x, y});
  PostRawInput(MouseMove(s.cursorPos.x, s.cursorPos.y));
  return TRUE;
}

BOOL ClipCursor(const RECT* rect) {
  System& s = S();
  if (rect) {
    RECT screen{0, 0, s.screen->Width(), s.screen->Height()};
    RECT r;
    if (!gdi::IntersectRect(&r, rect, &screen)) r = RECT{rect->left, rect->top, rect->left + 1, rect->top + 1};
    s.clip = r;
    s.cursorPos = Clamp(s.cursorPos);
  } else {
    s.clip.reset();
  }
  return TRUE;
}

BOOL GetClipCursor(RECT* rect) {
  System& s = S();
  if (!rect) return FALSE;
  *rect = s.clip ? *s.clip : RECT{0, 0, s.screen->Width(), s.screen->Height()};
  return TRUE;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  System& s = S();
  if (!tme) return FALSE;
  const bool nc = (tme->dwFlags & TME_NONCLIENT) != 0;
  Tracking& t = nc ? s.ncTracking : s.tracking;
  if (tme->dwFlags & TME_QUERY) {
    tme->dwFlags = t.hwnd ? DWORD(TME_LEAVE) | (nc ? DWORD(TME_NONCLIENT) : 0u) : 0u;
    tme->hwndTrack = t.hwnd;
    return TRUE;
  }
  if (tme->dwFlags & TME_CANCEL) {
    if (t.hwnd == tme->hwndTrack) t.hwnd = nullptr;
    return TRUE;
  }
  Window* w = Find(tme->hwndTrack);
  if (!w) return FALSE;
  if (!(tme->dwFlags & TME_LEAVE)) return TRUE;
  // Already outside: the leave message comes at once.
  Window* under = WindowAt(s.cursorPos, false);
  RECT cr = ScreenClientRect(w);
  const bool inClient = gdi::PtInRect(&cr, s.cursorPos);
  if (under != w || inClient == nc) {
    PostMessage(w->h, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    t.hwnd = nullptr;
    return TRUE;
  }
  t.hwnd = w->h;
  return TRUE;
}

namespace {

// Character of a key by the US layout, 0 for none.
int UsChar(UINT vk, bool shift, bool caps, bool ctrl) {
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return int(vk - 'A' + 1);
    const bool upper = shift != caps;
    return upper ? int(vk) : int(vk - 'A' + 'a');
  }
  if (ctrl) {
    if (vk == VK_OEM_4) return 27;
    if (vk == VK_OEM_5) return 28;
    if (vk == VK_OEM_6) return 29;
    if (vk == VK_RETURN) return 10;
    if (vk == VK_BACK) return 127;
    return 0;
  }
  if (vk >= '0' && vk <= '9') return shift ? ")!@#$%^&*("[vk - '0'] : int(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return int('0' + (vk - VK_NUMPAD0));
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_ESCAPE: return 27;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case VK_OEM_1: return shift ? ':' : ';';
    case VK_OEM_PLUS: return shift ? '+' : '=';
    case VK_OEM_COMMA: return shift ? '<' : ',';
    case VK_OEM_MINUS: return shift ? '_' : '-';
    case VK_OEM_PERIOD: return shift ? '>' : '.';
    case VK_OEM_2: return shift ? '?' : '/';
    case VK_OEM_3: return shift ? '~' : '`';
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_5: return shift ? '|' : '\\';
    case VK_OEM_6: return shift ? '}' : ']';
    case VK_OEM_7: return shift ? '"' : '\'';
  }
  return 0;
}

}  // namespace

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
  const int ch = UsChar(UINT(msg->wParam), shift, caps, ctrl);
  if (!ch) return FALSE;
  PostMessage(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, WPARAM(ch), msg->lParam);
  return TRUE;
}

std::string KeyName(UINT vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, char(vk));
  if (vk >= VK_F1 && vk <= VK_F12) return "F" + std::to_string(vk - VK_F1 + 1);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return "Num " + std::to_string(vk - VK_NUMPAD0);
  switch (vk) {
    case VK_BACK: return "Backspace";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_SHIFT: case VK_LSHIFT: return "Shift";
    case VK_RSHIFT: return "Right Shift";
    case VK_CONTROL: case VK_LCONTROL: return "Ctrl";
    case VK_RCONTROL: return "Right Ctrl";
    case VK_MENU: case VK_LMENU: return "Alt";
    case VK_RMENU: return "Right Alt";
    case VK_PAUSE: return "Pause";
    case VK_CAPITAL: return "Caps Lock";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "Page Up";
    case VK_NEXT: return "Page Down";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Insert";
    case VK_DELETE: return "Delete";
    case VK_MULTIPLY: return "Num *";
    case VK_ADD: return "Num +";
    case VK_SUBTRACT: return "Num -";
    case VK_DECIMAL: return "Num Del";
    case VK_DIVIDE: return "Num /";
    case VK_NUMLOCK: return "Num Lock";
    case VK_SCROLL: return "Scroll Lock";
    case VK_APPS: return "Application";
  }
  if (int ch = UsChar(vk, false, false, false); ch > ' ') return std::string(1, char(ch));
  return {};
}

int GetKeyNameText(LONG lParam, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  const std::string name = KeyName(UINT((uint32_t(lParam) >> 16) & 0xFF));
  const int n = std::min(int(name.size()), size - 1);
  std::copy(name.begin(), name.begin() + n, buffer);
  buffer[n] = '\0';
  return n;
}

UINT MapVirtualKey(UINT code, UINT mapType) {
  switch (mapType) {
    case MAPVK_VK_TO_VSC:
    case MAPVK_VSC_TO_VK: return code & 0xFF;
    case MAPVK_VK_TO_CHAR: {
      const int ch = UsChar(code, false, false, false);
      return ch >= 'a' && ch <= 'z' ? UINT(ch - 'a' + 'A') : UINT(ch);
    }
  }
  return 0;
}

HCURSOR LoadCursor(HANDLE, int id) {
  switch (id) {
    case IDC_ARROW: case IDC_IBEAM: case IDC_WAIT: case IDC_CROSS: case IDC_UPARROW:
    case IDC_SIZENWSE: case IDC_SIZENESW: case IDC_SIZEWE: case IDC_SIZENS: case IDC_SIZEALL:
    case IDC_NO: case IDC_HAND: case IDC_APPSTARTING: case IDC_HELP:
      return reinterpret_cast<HCURSOR>(uintptr_t(id));
  }
  return nullptr;
}

int CursorId(HCURSOR cursor) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(cursor);
  return LoadCursor(nullptr, int(v)) ? int(v) : 0;
}

HCURSOR SetCursor(HCURSOR cursor) {
  System& s = S();
  HCURSOR old = s.cursor;
  s.cursor = cursor;
  if (old != cursor && s.backend) s.backend->ShowCursorShape(cursor);
  return old;
}

HCURSOR GetCursor() { return S().cursor; }

int ShowCursor(BOOL show) { return show ? ++S().cursorShowCount : --S().cursorShowCount; }

}  // namespace win
