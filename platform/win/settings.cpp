#include "platform/win/settings.h"

#include <climits>
#include <cstring>

#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/state.h"
#include "platform/win/window.h"

namespace win {

namespace {

Settings& Store() {
  static Settings settings;
  return settings;
}

long long DistanceSquared(POINT p, const RECT& r) {
  const long long dx = p.x < r.left ? r.left - p.x : (p.x >= r.right ? p.x - r.right + 1 : 0);
  const long long dy = p.y < r.top ? r.top - p.y : (p.y >= r.bottom ? p.y - r.bottom + 1 : 0);
  return dx * dx + dy * dy;
}

HMONITOR Handle(size_t index) { return reinterpret_cast<HMONITOR>(index + 1); }

}  // namespace

Settings& GetSettings() { return Store(); }

bool EntryPointExists(const std::string& name) { return Store().missingEntryPoints.count(name) == 0; }

UINT GetKeyboardLayoutCodePage() { return Store().keyboardCodePage; }

void ResetSettings() {
  Settings& s = Store();
  s = Settings{};
  const int w = detail::Running() ? detail::S().screen->Width() : 1280;
  const int h = detail::Running() ? detail::S().screen->Height() : 800;
  s.metrics = {
      {SM_CXSCREEN, w},       {SM_CYSCREEN, h},        {SM_CXVSCROLL, 16},     {SM_CYHSCROLL, 16},
      {SM_CYCAPTION, 19},     {SM_CXBORDER, 1},        {SM_CYBORDER, 1},       {SM_CXDLGFRAME, 3},
      {SM_CYDLGFRAME, 3},     {SM_CYVTHUMB, 16},       {SM_CXHTHUMB, 16},      {SM_CXICON, 32},
      {SM_CYICON, 32},        {SM_CXCURSOR, 32},       {SM_CYCURSOR, 32},      {SM_CYMENU, 19},
      {SM_CXFULLSCREEN, w},   {SM_CYFULLSCREEN, h - 19}, {SM_CYVSCROLL, 16},   {SM_CXHSCROLL, 16},
      {SM_SWAPBUTTON, 0},     {SM_CXMIN, 112},         {SM_CYMIN, 27},         {SM_CXSIZE, 18},
      {SM_CYSIZE, 18},        {SM_CXFRAME, 4},         {SM_CYFRAME, 4},        {SM_CXMINTRACK, 112},
      {SM_CYMINTRACK, 27},    {SM_CXDOUBLECLK, 4},     {SM_CYDOUBLECLK, 4},    {SM_MENUDROPALIGNMENT, 0},
      {SM_CXEDGE, 2},         {SM_CYEDGE, 2},          {SM_CXSMICON, 16},      {SM_CYSMICON, 16},
      {SM_CYSMCAPTION, 15},   {SM_CXSMSIZE, 12},       {SM_CYSMSIZE, 14},      {SM_CXMAXIMIZED, w + 8},
      {SM_CYMAXIMIZED, h + 8}, {SM_CXDRAG, 4},         {SM_CYDRAG, 4},         {SM_CXMENUCHECK, 13},
      {SM_CYMENUCHECK, 13},   {SM_MOUSEWHEELPRESENT, 1}, {SM_CXFOCUSBORDER, 1}, {SM_CYFOCUSBORDER, 1},
  };
  s.monitors = {Monitor{RECT{0, 0, w, h}, RECT{0, 0, w, h}}};
  gdi::LOGFONT font;
  font.lfHeight = -11;
  font.lfWeight = 400;
  font.lfFaceName = "MS Sans Serif";
  gdi::LOGFONT bold = font;
  bold.lfWeight = 700;
  s.nonClient.lfCaptionFont = bold;
  s.nonClient.lfSmCaptionFont = bold;
  s.nonClient.lfMenuFont = font;
  s.nonClient.lfStatusFont = font;
  s.nonClient.lfMessageFont = font;
  gdi::ResetSysColors();
  for (int i = 0; i < gdi::COLOR_COUNT; ++i) s.colors[i] = gdi::GetSysColor(i);
}

void ApplySettings(UINT changed) {
  Settings& s = Store();
  std::vector<int> indices;
  std::vector<COLORREF> values;
  for (const auto& [i, c] : s.colors) {
    indices.push_back(i);
    values.push_back(c);
  }
  gdi::SetSysColors(int(indices.size()), indices.data(), values.data());
  if (!detail::Running()) return;
  std::vector<HWND> tops;
  EnumThreadWindows([&](HWND h) {
    tops.push_back(h);
    return TRUE;
  });
  for (HWND h : tops) {
    SendMessage(h, WM_SYSCOLORCHANGE, 0, 0);
    SendMessage(h, WM_SETTINGCHANGE, changed, 0);
  }
  RedrawWindowRegion(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

int GetSystemMetrics(int index) {
  const Settings& s = Store();
  switch (index) {
    case SM_CMONITORS: return int(s.monitors.size());
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CYVIRTUALSCREEN: {
      RECT u{};
      for (const Monitor& m : s.monitors) gdi::UnionRect(&u, &u, &m.full);
      return index == SM_XVIRTUALSCREEN ? u.left
             : index == SM_YVIRTUALSCREEN ? u.top
             : index == SM_CXVIRTUALSCREEN ? u.Width() : u.Height();
    }
  }
  auto it = s.metrics.find(index);
  return it == s.metrics.end() ? 0 : it->second;
}

UINT GetDoubleClickTime() { return Store().doubleClickTime; }

BOOL SetDoubleClickTime(UINT ms) {
  Store().doubleClickTime = ms ? ms : 500;
  return TRUE;
}

BOOL SystemParametersInfo(UINT action, UINT, void* pv, UINT) {
  Settings& s = Store();
  if (s.failing.count(action) || !pv) return FALSE;
  auto setBool = [&](bool v) { *static_cast<BOOL*>(pv) = v ? TRUE : FALSE; };
  switch (action) {
    case SPI_GETWORKAREA:
      *static_cast<RECT*>(pv) = s.monitors.empty() ? RECT{} : s.monitors.front().work;
      return TRUE;
    case SPI_GETMENUSHOWDELAY: *static_cast<UINT*>(pv) = s.menuShowDelay; return TRUE;
    case SPI_GETWHEELSCROLLLINES: *static_cast<UINT*>(pv) = s.wheelScrollLines; return TRUE;
    case SPI_GETDRAGFULLWINDOWS: setBool(s.dragFullWindows); return TRUE;
    case SPI_GETGRADIENTCAPTIONS: setBool(s.gradientCaptions); return TRUE;
    case SPI_GETKEYBOARDCUES: setBool(s.keyboardCues); return TRUE;
    case SPI_GETMENUANIMATION: setBool(s.menuAnimation); return TRUE;
    case SPI_GETMENUFADE: setBool(s.menuFade); return TRUE;
    case SPI_GETFLATMENU: setBool(s.flatMenus); return TRUE;
    case SPI_GETDROPSHADOW: setBool(s.dropShadow); return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
      auto* out = static_cast<NONCLIENTMETRICS*>(pv);
      if (out->cbSize != s.nonClient.cbSize) return FALSE;
      *out = s.nonClient;
      return TRUE;
    }
  }
  return FALSE;
}

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  const Settings& s = Store();
  if (s.monitors.empty()) return nullptr;
  size_t best = 0;
  long long bestD = LLONG_MAX;
  for (size_t i = 0; i < s.monitors.size(); ++i) {
    if (gdi::PtInRect(&s.monitors[i].full, pt)) return Handle(i);
    const long long d = DistanceSquared(pt, s.monitors[i].full);
    if (d < bestD) {
      bestD = d;
      best = i;
    }
  }
  if (flags == MONITOR_DEFAULTTONEAREST) return Handle(best);
  if (flags == MONITOR_DEFAULTTOPRIMARY) return Handle(0);
  return nullptr;
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
  const Settings& s = Store();
  if (!rect || s.monitors.empty()) return nullptr;
  long long bestArea = 0;
  size_t best = 0;
  for (size_t i = 0; i < s.monitors.size(); ++i) {
    RECT r;
    if (gdi::IntersectRect(&r, rect, &s.monitors[i].full)) {
      const long long a = (long long)r.Width() * r.Height();
      if (a > bestArea) {
        bestArea = a;
        best = i;
      }
    }
  }
  if (bestArea > 0) return Handle(best);
  return MonitorFromPoint(POINT{rect->left + rect->Width() / 2, rect->top + rect->Height() / 2}, flags);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return flags == MONITOR_DEFAULTTONULL ? nullptr : Handle(0);
  return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  const Settings& s = Store();
  const uintptr_t i = reinterpret_cast<uintptr_t>(monitor);
  if (!info || i == 0 || i > s.monitors.size()) return FALSE;
  info->rcMonitor = s.monitors[i - 1].full;
  info->rcWork = s.monitors[i - 1].work;
  info->dwFlags = i == 1 ? DWORD(MONITORINFOF_PRIMARY) : 0u;
  return TRUE;
}

}  // namespace win
