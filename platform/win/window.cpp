#include "platform/win/window.h"

#include <algorithm>
#include <atomic>
#include <cctype>

#include "platform/rtl/exceptions.h"
#include "platform/win/defproc.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/state.h"

namespace win {
namespace detail {

namespace {

std::string Lower(const char* s) {
  std::string r(s ? s : "");
  std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return r;
}

void Unlink(Window* w) {
  if (!w->parent) return;
  auto& v = w->parent->children;
  v.erase(std::remove(v.begin(), v.end(), w), v.end());
}

bool IsOwnedBy(const Window* w, HWND owner) {
  for (const Window* o = Find(w->owner); o; o = Find(o->owner))
    if (o->h == owner) return true;
  return false;
}

// Inserts w among its parent's children according to insertAfter.
void PlaceInZOrder(Window* w, HWND insertAfter) {
  Window* p = w->parent;
  auto& v = p->children;
  Unlink(w);
  const bool topLevel = p == S().desktop;
  auto firstNonTopmost = [&] {
    return std::find_if(v.begin(), v.end(), [](Window* c) { return !(c->exStyle & WS_EX_TOPMOST); });
  };
  if (topLevel && insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
  if (topLevel && (insertAfter == HWND_NOTOPMOST || insertAfter == HWND_BOTTOM))
    w->exStyle &= ~DWORD(WS_EX_TOPMOST);
  const bool topmost = topLevel && (w->exStyle & WS_EX_TOPMOST);
  std::vector<Window*>::iterator pos;
  if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    pos = topmost || !topLevel ? v.begin() : firstNonTopmost();
  } else if (insertAfter == HWND_BOTTOM) {
    pos = v.end();
  } else {
    auto it = std::find_if(v.begin(), v.end(), [&](Window* c) { return c->h == insertAfter; });
    pos = it == v.end() ? v.begin() : it + 1;
    if (topLevel) {
      // Keep the topmost group in front.
      auto boundary = firstNonTopmost();
      if (topmost && pos > boundary) pos = boundary;
      if (!topmost && pos < boundary) pos = boundary;
    }
  }
  v.insert(pos, w);
}

// Owned windows stay above their owner.
void RaiseOwned(Window* w) {
  if (w->parent != S().desktop) return;
  auto& v = w->parent->children;
  auto self = std::find(v.begin(), v.end(), w);
  std::vector<Window*> owned;
  for (auto it = self + 1; it != v.end(); ++it)
    if (IsOwnedBy(*it, w->h)) owned.push_back(*it);
  for (Window* o : owned) {
    v.erase(std::find(v.begin(), v.end(), o));
    auto at = std::find(v.begin(), v.end(), w);
    // A non-topmost owned window cannot go above the topmost group.
    if (!(o->exStyle & WS_EX_TOPMOST)) {
      auto boundary = std::find_if(v.begin(), v.end(),
                                   [](Window* c) { return !(c->exStyle & WS_EX_TOPMOST); });
      if (at < boundary) at = boundary;
    }
    v.insert(at, o);
  }
}

void DestroyTree(Window* w);

}  // namespace

POINT WindowOrigin(const Window* w) {
  POINT p{w->rect.left, w->rect.top};
  if (w->parent && w->parent != S().desktop) {
    POINT o = ClientOrigin(w->parent);
    p.x += o.x;
    p.y += o.y;
  }
  return p;
}

POINT ClientOrigin(const Window* w) {
  POINT p = WindowOrigin(w);
  return POINT{p.x + w->client.left, p.y + w->client.top};
}

RECT ScreenRect(const Window* w) {
  POINT p = WindowOrigin(w);
  return RECT{p.x, p.y, p.x + w->Width(), p.y + w->Height()};
}

RECT ScreenClientRect(const Window* w) {
  POINT p = ClientOrigin(w);
  return RECT{p.x, p.y, p.x + (w->client.right - w->client.left),
              p.y + (w->client.bottom - w->client.top)};
}

bool IsVisibleChain(const Window* w) {
  for (; w; w = w->parent)
    if (!w->Visible()) return false;
  return true;
}

Window* TopLevel(Window* w) {
  while (w && w->parent && w->parent != S().desktop) w = w->parent;
  return w;
}

bool IsDescendant(const Window* ancestor, const Window* w) {
  for (; w; w = w->parent)
    if (w == ancestor) return true;
  return false;
}

void CreateDesktop() {
  System& s = S();
  auto w = std::make_unique<Window>();
  w->h = NewHandle();
  auto cls = std::make_shared<WndClass>();
  cls->name = "#32769";
  cls->proc = DefWindowProc;
  cls->background = 1 + 1;  // COLOR_DESKTOP + 1
  cls->cursor = LoadCursor(nullptr, IDC_ARROW);
  w->cls = cls;
  w->proc = cls->proc;
  w->style = WS_VISIBLE | WS_CLIPCHILDREN | WS_POPUP;
  w->rect = RECT{0, 0, s.screen->Width(), s.screen->Height()};
  w->client = w->rect;
  w->created = true;
  s.desktop = w.get();
  {
    std::lock_guard lock(s.m);
    s.live.insert(reinterpret_cast<uintptr_t>(w->h));
  }
  s.windows.emplace(reinterpret_cast<uintptr_t>(w->h), std::move(w));
  InvalidateWhole(s.desktop, false);
}

void DestroyAllWindows() {
  System& s = S();
  while (!s.desktop->children.empty()) {
    Window* w = s.desktop->children.front();
    if (!DestroyWindow(w->h)) DestroyTree(w);  // a vetoing hook does not keep us from closing
  }
  s.hooks.clear();
}

namespace {

void DestroyTree(Window* w) {
  System& s = S();
  const HWND h = w->h;
  w->destroying = true;
  // Owned windows first.
  std::vector<HWND> owned;
  for (auto& [k, o] : s.windows)
    if (o->owner == h) owned.push_back(o->h);
  for (HWND o : owned)
    if (Find(o)) DestroyWindow(o);
  if (!Find(h)) return;
  OnWindowDestroying(w);
  std::vector<HWND> order;  // pre-order: WM_DESTROY parent first
  std::function<void(Window*)> collect = [&](Window* x) {
    order.push_back(x->h);
    for (Window* c : std::vector<Window*>(x->children)) collect(c);
  };
  collect(w);
  for (HWND x : order)
    if (Window* xw = Find(x)) {
      xw->destroying = true;
      Send(xw, WM_DESTROY, 0, 0);
    }
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    if (Window* xw = Find(*it)) Send(xw, WM_NCDESTROY, 0, 0);
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    Window* xw = Find(*it);
    if (!xw) continue;
    KillTimersOf(xw->h);
    for (Window* c : xw->children) c->parent = nullptr;
    Unlink(xw);
    {
      std::lock_guard lock(s.m);
      s.live.erase(reinterpret_cast<uintptr_t>(xw->h));
    }
    for (auto& [k, o] : s.windows)
      if (o->owner == xw->h) o->owner = nullptr;
    s.windows.erase(reinterpret_cast<uintptr_t>(xw->h));
  }
  RefreshDCs();
  DropMessagesFor(h);
}

}  // namespace

}  // namespace detail

using namespace detail;

ATOM RegisterClass(const WNDCLASS* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName) return 0;
  System& s = S();
  std::string key = Lower(wc->lpszClassName);
  if (s.classes.count(key)) return 0;
  auto cls = std::make_shared<WndClass>();
  cls->name = wc->lpszClassName;
  cls->style = wc->style;
  cls->proc = wc->lpfnWndProc ? wc->lpfnWndProc : WNDPROC(DefWindowProc);
  cls->cursor = wc->hCursor;
  cls->background = wc->hbrBackground;
  cls->atom = s.nextAtom++;
  s.classes[key] = cls;
  return cls->atom;
}

BOOL UnregisterClass(const char* name) { return S().classes.erase(Lower(name)) ? TRUE : FALSE; }

BOOL GetClassInfo(const char* name, WNDCLASS* wc) {
  auto it = S().classes.find(Lower(name));
  if (it == S().classes.end()) return FALSE;
  if (wc) {
    wc->style = it->second->style;
    wc->lpfnWndProc = it->second->proc;
    wc->hCursor = it->second->cursor;
    wc->hbrBackground = it->second->background;
    wc->lpszClassName = it->second->name.c_str();
  }
  return TRUE;
}

std::string GetClassName(HWND hwnd) {
  Window* w = Find(hwnd);
  return w ? w->cls->name : std::string();
}

intptr_t GetClassLong(HWND hwnd, int index) {
  Window* w = Find(hwnd);
  if (!w) return 0;
  switch (index) {
    case GCL_STYLE: return w->cls->style;
    case GCL_HCURSOR: return reinterpret_cast<intptr_t>(w->cls->cursor);
    case GCL_HBRBACKGROUND: return w->cls->background;
  }
  return 0;
}

intptr_t SetClassLong(HWND hwnd, int index, intptr_t value) {
  Window* w = Find(hwnd);
  if (!w) return 0;
  intptr_t old = GetClassLong(hwnd, index);
  switch (index) {
    case GCL_STYLE: w->cls->style = UINT(value); break;
    case GCL_HCURSOR: w->cls->cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCL_HBRBACKGROUND: w->cls->background = int(value); break;
  }
  return old;
}

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parentHandle, UINT_PTR menuOrId,
                    void* param) {
  System& s = S();
  CheckGuiThread("CreateWindowEx");
  auto it = s.classes.find(Lower(className));
  if (it == s.classes.end()) return nullptr;
  Window* parent = s.desktop;
  HWND owner = nullptr;
  if (style & WS_CHILD) {
    parent = Find(parentHandle);
    if (!parent) return nullptr;
  } else if (parentHandle && parentHandle != s.desktop->h) {
    Window* o = Find(parentHandle);
    if (!o) return nullptr;
    owner = TopLevel(o)->h;  // a top-level window is owned by a top-level window
  }
  if (x == CW_USEDEFAULT) x = y = 32;
  if (width == CW_USEDEFAULT) {
    width = s.screen->Width() * 3 / 4;
    height = s.screen->Height() * 3 / 4;
  }
  auto owned = std::make_unique<Window>();
  Window* w = owned.get();
  w->h = NewHandle();
  w->cls = it->second;
  w->proc = w->cls->proc;
  w->parent = parent;
  w->owner = owner;
  w->style = style & ~DWORD(WS_VISIBLE);
  w->exStyle = exStyle;
  if (exStyle & WS_EX_LAYERED) w->layered = true;
  w->id = (style & WS_CHILD) ? menuOrId : 0;
  w->text = windowName ? windowName : "";
  s.windows.emplace(reinterpret_cast<uintptr_t>(w->h), std::move(owned));
  {
    std::lock_guard lock(s.m);
    s.live.insert(reinterpret_cast<uintptr_t>(w->h));
  }
  PlaceInZOrder(w, exStyle & WS_EX_TOPMOST ? HWND_TOPMOST : HWND_TOP);
  const HWND h = w->h;

  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hwndParent = parentHandle;
  cs.hMenu = menuOrId;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = style;
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (!(style & WS_CHILD)) {
    MINMAXINFO mmi;
    mmi.ptMaxSize = POINT{s.screen->Width(), s.screen->Height()};
    mmi.ptMaxTrackSize = mmi.ptMaxSize;
    mmi.ptMinTrackSize = POINT{0, 0};
    Send(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    if (!Find(h)) return nullptr;
    cs.cx = std::clamp(cs.cx, int(mmi.ptMinTrackSize.x), std::max(int(mmi.ptMinTrackSize.x), int(mmi.ptMaxTrackSize.x)));
    cs.cy = std::clamp(cs.cy, int(mmi.ptMinTrackSize.y), std::max(int(mmi.ptMinTrackSize.y), int(mmi.ptMaxTrackSize.y)));
  }
  w->rect = RECT{cs.x, cs.y, cs.x + std::max(0, cs.cx), cs.y + std::max(0, cs.cy)};
  w->client = RECT{0, 0, w->Width(), w->Height()};
  if (!Send(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (Find(h)) DestroyWindow(h);
    return nullptr;
  }
  if (!(w = Find(h))) return nullptr;
  NCCALCSIZE_PARAMS ncp;
  ncp.rgrc[0] = w->rect;
  Send(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&ncp.rgrc[0]));
  if (!(w = Find(h))) return nullptr;
  w->client = RECT{ncp.rgrc[0].left - w->rect.left, ncp.rgrc[0].top - w->rect.top,
                   ncp.rgrc[0].right - w->rect.left, ncp.rgrc[0].bottom - w->rect.top};
  if (w->client.right < w->client.left) w->client.right = w->client.left;
  if (w->client.bottom < w->client.top) w->client.bottom = w->client.top;
  if (Send(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (Find(h)) DestroyWindow(h);
    return nullptr;
  }
  if (!(w = Find(h))) return nullptr;
  w->created = true;
  if (w->layered) ResizeLayer(w);
  Send(w, WM_SIZE, SIZE_RESTORED,
       MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
  if (!(w = Find(h))) return nullptr;
  POINT co{w->rect.left + w->client.left, w->rect.top + w->client.top};
  Send(w, WM_MOVE, 0, MAKELPARAM(co.x, co.y));
  if (!(w = Find(h))) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return Find(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  System& s = S();
  CheckGuiThread("DestroyWindow");
  Window* w = Find(hwnd);
  if (!w || w == s.desktop) return FALSE;
  if (w->destroying) return TRUE;
  if (CallCbtHook(HCBT_DESTROYWND, WPARAM(reinterpret_cast<uintptr_t>(hwnd)), 0)) return FALSE;
  if (!(w = Find(hwnd))) return TRUE;
  if (w->Visible())
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if ((w = Find(hwnd))) DestroyTree(w);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Find(hwnd) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = Find(hwnd);
  return w && IsVisibleChain(w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = Find(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  const BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (bool(enable) == !wasDisabled) return wasDisabled;
  if (enable) {
    w->style &= ~DWORD(WS_DISABLED);
  } else {
    // A window that is being disabled gives up the mouse and the keyboard.
    Send(w, WM_CANCELMODE, 0, 0);
    if (!(w = Find(hwnd))) return wasDisabled;
    w->style |= WS_DISABLED;
    if (Window* f = Find(S().focus); f && IsDescendant(w, f)) SetFocus(nullptr);
    if (Window* c = Find(S().capture); c && IsDescendant(w, c)) ReleaseCapture();
  }
  if ((w = Find(hwnd))) Send(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsIconic(HWND hwnd) {
  Window* w = Find(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  Window* w = Find(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  Window* p = Find(parent);
  Window* w = Find(hwnd);
  if (!p || !w || p == w) return FALSE;
  for (Window* x = w; x && x->Child(); x = x->parent)
    if (x->parent == p) return TRUE;
  return FALSE;
}

HWND GetDesktopWindow() { return S().desktop->h; }

HWND GetParent(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w) return nullptr;
  if (w->Child()) return w->parent ? w->parent->h : nullptr;
  return w->owner;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  System& s = S();
  Window* w = Find(hwnd);
  if (!w || w == s.desktop) return nullptr;
  Window* np = newParent ? Find(newParent) : s.desktop;
  if (!np || IsDescendant(w, np)) return nullptr;
  HWND old = w->parent ? w->parent->h : nullptr;
  const bool wasVisible = IsVisibleChain(w);
  gdi::Region before;
  if (wasVisible) before = VisibleRegion(hwnd, false, false);
  // Keep the screen position when leaving for the desktop, the offset otherwise.
  if (np == s.desktop && w->parent != s.desktop) {
    POINT o = WindowOrigin(w);
    gdi::OffsetRect(&w->rect, o.x - w->rect.left, o.y - w->rect.top);
  }
  Unlink(w);
  w->parent = np;
  PlaceInZOrder(w, HWND_TOP);
  if (np == s.desktop && w->Child()) w->style &= ~DWORD(WS_CHILD);
  if (np != s.desktop) w->owner = nullptr;
  if (wasVisible) InvalidateScreenArea(before, w);
  if (IsVisibleChain(w)) InvalidateWhole(w, true);
  if (w->layered) ResizeLayer(w);
  RefreshDCs();
  return old;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Window* w = Find(hwnd);
  if (!w || w == S().desktop) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->parent ? w->parent->h : nullptr;
    case GA_ROOT: return TopLevel(w)->h;
    case GA_ROOTOWNER: {
      Window* r = TopLevel(w);
      while (Window* o = Find(r->owner)) r = o;
      return r->h;
    }
  }
  return nullptr;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = Find(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->h;
  if (cmd == GW_OWNER) return w->owner;
  if (cmd == GW_ENABLEDPOPUP) {
    for (Window* c : S().desktop->children)
      if (c->owner == hwnd && c->Visible() && !(c->style & WS_DISABLED)) return c->h;
    return nullptr;
  }
  if (!w->parent) return nullptr;
  auto& v = w->parent->children;
  auto it = std::find(v.begin(), v.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST: return v.front()->h;
    case GW_HWNDLAST: return v.back()->h;
    case GW_HWNDNEXT: return it + 1 == v.end() ? nullptr : (*(it + 1))->h;
    case GW_HWNDPREV: return it == v.begin() ? nullptr : (*(it - 1))->h;
  }
  return nullptr;
}

HWND GetTopWindow(HWND hwnd) { return GetWindow(hwnd ? hwnd : GetDesktopWindow(), GW_CHILD); }

HWND GetNextWindow(HWND hwnd, UINT cmd) { return GetWindow(hwnd, cmd); }

intptr_t GetWindowLong(HWND hwnd, int index) {
  Window* w = Find(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE: return intptr_t(w->style);
    case GWL_EXSTYLE: return intptr_t(w->exStyle);
    case GWL_ID: return intptr_t(w->id);
    case GWL_USERDATA: return w->userData;
    case GWL_HWNDPARENT: return reinterpret_cast<intptr_t>(GetParent(hwnd));
  }
  return 0;
}

intptr_t SetWindowLong(HWND hwnd, int index, intptr_t value) {
  Window* w = Find(hwnd);
  if (!w) return 0;
  intptr_t old = GetWindowLong(hwnd, index);
  switch (index) {
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT ss{DWORD(old), DWORD(value)};
      Send(w, WM_STYLECHANGING, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      if (!(w = Find(hwnd))) return old;
      if (index == GWL_STYLE) {
        // Visibility changes only through ShowWindow / SetWindowPos.
        w->style = (ss.styleNew & ~DWORD(WS_VISIBLE)) | (w->style & WS_VISIBLE);
      } else {
        const bool wasLayered = w->layered;
        w->exStyle = ss.styleNew;
        w->layered = (ss.styleNew & WS_EX_LAYERED) != 0;
        w->layerUpdated = false;
        if (w->layered != wasLayered) {
          if (!w->layered) w->alpha = 255;
          ResizeLayer(w);
          if (IsVisibleChain(w)) {
            // The window leaves or joins the screen surface: both it and what it covers repaint.
            gdi::Region area(ScreenRect(w));
            InvalidateScreenArea(area, w);
            InvalidateWhole(w, true);
          }
        }
      }
      RefreshDCs();
      Send(w, WM_STYLECHANGED, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      break;
    }
    case GWL_ID: w->id = UINT_PTR(value); break;
    case GWL_USERDATA: w->userData = value; break;
    case GWL_HWNDPARENT:
      if (!w->Child()) {
        Window* o = Find(reinterpret_cast<HWND>(value));
        w->owner = o ? TopLevel(o)->h : nullptr;
      }
      break;
  }
  return old;
}

WNDPROC GetWindowProc(HWND hwnd) {
  Window* w = Find(hwnd);
  return w ? w->proc : WNDPROC();
}

WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
  Window* w = Find(hwnd);
  if (!w) return WNDPROC();
  WNDPROC old = std::move(w->proc);
  w->proc = proc ? std::move(proc) : WNDPROC(DefWindowProc);
  return old;
}

LRESULT CallWindowProc(const WNDPROC& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return DefWindowProc(hwnd, msg, wParam, lParam);
  return proc(hwnd, msg, wParam, lParam);
}

BOOL SetProp(HWND hwnd, const char* name, intptr_t value) {
  Window* w = Find(hwnd);
  if (!w || !name) return FALSE;
  w->props[name] = value;
  return TRUE;
}

intptr_t GetProp(HWND hwnd, const char* name) {
  Window* w = Find(hwnd);
  if (!w || !name) return 0;
  auto it = w->props.find(name);
  return it == w->props.end() ? 0 : it->second;
}

intptr_t RemoveProp(HWND hwnd, const char* name) {
  Window* w = Find(hwnd);
  if (!w || !name) return 0;
  auto it = w->props.find(name);
  if (it == w->props.end()) return 0;
  intptr_t v = it->second;
  w->props.erase(it);
  return v;
}

BOOL SetWindowText(HWND hwnd, const std::string& text) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  return Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) ? TRUE : FALSE;
}

int GetWindowTextLength(HWND hwnd) {
  Window* w = Find(hwnd);
  return w ? int(Send(w, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

std::string GetWindowText(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w) return {};
  std::string buf(size_t(std::max(0, GetWindowTextLength(hwnd))) + 1, '\0');
  LRESULT n = Send(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(size_t(std::clamp<LRESULT>(n, 0, LRESULT(buf.size()) - 1)));
  return buf;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  System& s = S();
  CheckGuiThread("SetWindowPos");
  Window* w = Find(hwnd);
  if (!w || w == s.desktop) return FALSE;
  WINDOWPOS wp{hwnd, insertAfter, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) {
    wp.x = w->rect.left;
    wp.y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    wp.cx = w->Width();
    wp.cy = w->Height();
  }
  if ((wp.flags & SWP_SHOWWINDOW) && w->Visible()) wp.flags &= ~UINT(SWP_SHOWWINDOW);
  if ((wp.flags & SWP_HIDEWINDOW) && !w->Visible()) wp.flags &= ~UINT(SWP_HIDEWINDOW);
  if (!(wp.flags & SWP_NOSENDCHANGING)) {
    Send(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(w = Find(hwnd))) return FALSE;
  }
  wp.cx = std::max(0, wp.cx);
  wp.cy = std::max(0, wp.cy);
  const RECT oldRect = w->rect;
  const RECT newRect{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
  const bool moved = newRect.left != oldRect.left || newRect.top != oldRect.top;
  const bool sized = newRect.Width() != oldRect.Width() || newRect.Height() != oldRect.Height();
  if (!moved) wp.flags |= SWP_NOMOVE;
  if (!sized) wp.flags |= SWP_NOSIZE;

  const bool wasVisible = IsVisibleChain(w);
  gdi::Region before;
  if (wasVisible && !w->layered) before = VisibleRegion(hwnd, false, false);
  const RECT oldScreen = ScreenRect(w);

  RECT newClient = w->client;
  if (sized || (wp.flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS p;
    p.rgrc[0] = newRect;
    p.rgrc[1] = oldRect;
    p.rgrc[2] = RECT{oldRect.left + w->client.left, oldRect.top + w->client.top,
                     oldRect.left + w->client.right, oldRect.top + w->client.bottom};
    p.lppos = &wp;
    Send(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
    if (!(w = Find(hwnd))) return FALSE;
    newClient = RECT{p.rgrc[0].left - newRect.left, p.rgrc[0].top - newRect.top,
                     p.rgrc[0].right - newRect.left, p.rgrc[0].bottom - newRect.top};
    if (newClient.right < newClient.left) newClient.right = newClient.left;
    if (newClient.bottom < newClient.top) newClient.bottom = newClient.top;
  }
  const bool clientSized = newClient.right - newClient.left != w->client.right - w->client.left ||
                           newClient.bottom - newClient.top != w->client.bottom - w->client.top;
  const bool clientMoved = newRect.left + newClient.left != oldRect.left + w->client.left ||
                           newRect.top + newClient.top != oldRect.top + w->client.top;
  if (!clientSized) wp.flags |= SWP_NOCLIENTSIZE;
  if (!clientMoved) wp.flags |= SWP_NOCLIENTMOVE;
  w->rect = newRect;
  w->client = newClient;
  if (!(wp.flags & SWP_NOZORDER)) {
    PlaceInZOrder(w, wp.hwndInsertAfter);
    if (!(wp.flags & SWP_NOOWNERZORDER)) RaiseOwned(w);
  }
  if (wp.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (wp.flags & SWP_HIDEWINDOW) w->style &= ~DWORD(WS_VISIBLE);
  if (w->layered && (sized || (wp.flags & SWP_SHOWWINDOW))) ResizeLayer(w);

  const bool nowVisible = IsVisibleChain(w);
  const bool changed = moved || sized || (wp.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW |
                                                      SWP_FRAMECHANGED)) ||
                       !(wp.flags & SWP_NOZORDER);
  if (changed) RefreshDCs();
  if (changed && (wasVisible || nowVisible)) {
    if (w->layered) {
      MarkDirty(oldScreen);
      MarkDirty(ScreenRect(w));
    }
    if (!(wp.flags & SWP_NOREDRAW)) {
      gdi::Region after;
      if (nowVisible && !w->layered) after = VisibleRegion(hwnd, false, false);
      gdi::Region exposed = gdi::Region::Combine(before, after, gdi::RegionOp::Diff);
      if (!exposed.Empty()) InvalidateScreenArea(exposed, w);
      if (nowVisible && (moved || sized || (wp.flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)) ||
                         !(wp.flags & SWP_NOZORDER)))
        InvalidateWhole(w, true);
    }
  }
  if (wp.flags & SWP_HIDEWINDOW) OnWindowHidden(w);
  if (!(w = Find(hwnd))) return TRUE;
  if (!(wp.flags & SWP_NOACTIVATE) && !w->Child() && w->Visible() &&
      !(w->style & WS_DISABLED) && s.active != hwnd)
    SetActiveWindow(hwnd);
  if (!(w = Find(hwnd))) return TRUE;
  Send(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      UINT(SWP_NOZORDER | SWP_NOACTIVATE) | (repaint ? 0u : UINT(SWP_NOREDRAW)));
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  const BOOL wasVisible = w->Visible() ? TRUE : FALSE;
  UINT flags = SWP_NOMOVE | SWP_NOSIZE;
  bool show = true;
  switch (cmd) {
    case SW_HIDE:
      show = false;
      flags |= SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
      break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
    case SW_SHOWMINNOACTIVE:
      flags |= SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
      break;
    default:
      flags |= SWP_SHOWWINDOW;
      if (w->Child()) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
      break;
  }
  // A minimised window keeps its place on the screen (there is no task bar to hold its icon);
  // it carries WS_MINIMIZE so that IsIconic and the size messages tell.
  if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE)
    w->style |= WS_MINIMIZE;
  else if (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOWMAXIMIZED)
    w->style &= ~DWORD(WS_MINIMIZE);
  if (bool(wasVisible) != show) {
    Send(w, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!Find(hwnd)) return wasVisible;
  }
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, flags);
  return wasVisible;
}

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  Window* w = Find(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ScreenRect(w);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Window* w = Find(hwnd);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  return TRUE;
}

RECT GetClientRectInWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  return w ? w->client : RECT{};
}

BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  Window* w = Find(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOrigin(w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  Window* w = Find(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOrigin(w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (Window* f = Find(from); f && f != S().desktop) a = ClientOrigin(f);
  if (Window* t = Find(to); t && t != S().desktop) b = ClientOrigin(t);
  const int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return int(MAKELPARAM(dx, dy));
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD exStyle) {
  if (!rect) return FALSE;
  Window probe;
  probe.style = style;
  probe.exStyle = exStyle;
  RECT wr{0, 0, 1000, 1000};
  probe.rect = wr;
  RECT c = DefaultClientRect(&probe, wr);
  rect->left -= c.left;
  rect->top -= c.top;
  rect->right += 1000 - c.right;
  rect->bottom += 1000 - c.bottom;
  return TRUE;
}

HWND WindowFromPoint(POINT pt) {
  Hit hit = HitTest(pt);
  return hit.w ? hit.w->h : nullptr;
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
  Window* p = Find(parent);
  if (!p) return nullptr;
  RECT cr{0, 0, p->client.right - p->client.left, p->client.bottom - p->client.top};
  if (p != S().desktop && !gdi::PtInRect(&cr, pt)) return nullptr;
  for (Window* c : p->children) {
    if ((flags & CWP_SKIPINVISIBLE) && !c->Visible()) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
    if (!gdi::PtInRect(&c->rect, pt)) continue;
    if (c->region && !c->region->Contains(pt.x - c->rect.left, pt.y - c->rect.top)) continue;
    return c->h;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) { return ChildWindowFromPointEx(parent, pt, CWP_ALL); }

BOOL EnumChildWindows(HWND parent, const std::function<BOOL(HWND)>& fn) {
  Window* p = Find(parent ? parent : GetDesktopWindow());
  if (!p) return FALSE;
  std::vector<HWND> all;
  std::function<void(Window*)> collect = [&](Window* x) {
    for (Window* c : x->children) {
      all.push_back(c->h);
      collect(c);
    }
  };
  collect(p);
  for (HWND h : all)
    if (Find(h) && !fn(h)) return FALSE;
  return TRUE;
}

BOOL EnumThreadWindows(const std::function<BOOL(HWND)>& fn) {
  std::vector<HWND> all;
  for (Window* c : S().desktop->children) all.push_back(c->h);
  for (HWND h : all)
    if (Find(h) && !fn(h)) return FALSE;
  return TRUE;
}

int SetWindowRegion(HWND hwnd, const gdi::Region* region, BOOL redraw) {
  Window* w = Find(hwnd);
  if (!w) return 0;
  const bool visible = IsVisibleChain(w);
  gdi::Region before;
  if (visible && !w->layered) before = VisibleRegion(hwnd, false, false);
  if (region) w->region = *region;
  else w->region.reset();
  RefreshDCs();
  if (visible) {
    if (w->layered) {
      MarkDirty(ScreenRect(w));
    } else {
      gdi::Region after = VisibleRegion(hwnd, false, false);
      InvalidateScreenArea(gdi::Region::Combine(before, after, gdi::RegionOp::Diff), w);
    }
    if (redraw) InvalidateWhole(w, true);
  }
  return 1;
}

int GetWindowRgn(HWND hwnd, gdi::Region* region) {
  Window* w = Find(hwnd);
  if (!w || !w->region) return 0;
  if (region) *region = *w->region;
  return w->region->Complexity();
}

DWORD GetCurrentThreadId() {
  if (IsGuiThread()) return 1;
  static std::atomic<DWORD> next{2};
  thread_local DWORD id = next++;
  return id;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
  if (!Find(hwnd)) return 0;
  if (processId) *processId = 1;
  return 1;
}

WORD GetUIState(HWND hwnd) {
  Window* w = Find(hwnd);
  return w ? w->uiState : 0;
}

}  // namespace win
