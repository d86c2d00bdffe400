#include "docking/dkcommon.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/gdi/blit.h"
#include "platform/gdi/controls.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/shapes.h"
#include "platform/gdi/text.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/sinks.h"
#include "platform/win/system.h"
#include "platform/win/window.h"

namespace docking {

namespace {

const win::PlatformVersion& Version() {
  return win::GetSettings().version;
}

// The registry fallback of the menu delay, read once per process.
std::atomic<bool> gMenuDelayRead{false};
std::mutex gMenuDelayMutex;
int gMenuDelayValue = 400;

// A value's text; none when it is stored as another type (a number).
std::optional<std::string> ReadText(rtl::TRegistry& reg, std::string_view name) {
  try {
    return reg.ReadString(name);
  } catch (const rtl::ERegistryException&) {
    return std::nullopt;
  }
}

int ReadMenuShowDelayFromRegistry() {
  std::lock_guard lock(gMenuDelayMutex);
  if (gMenuDelayRead.load()) return gMenuDelayValue;
  int value = 400;
  rtl::TRegistry reg;
  reg.SetRootKey(rtl::HKEY_CURRENT_USER);
  if (reg.OpenKeyReadOnly("Control Panel\\Desktop") && reg.ValueExists("MenuShowDelay")) {
    int parsed = 0;
    const auto text = ReadText(reg, "MenuShowDelay");
    value = text && rtl::TryStrToInt(*text, parsed) ? parsed : 0;
  }
  gMenuDelayValue = value;
  gMenuDelayRead.store(true);
  return value;
}

}  // namespace

namespace detail {
void ForgetMenuShowDelay() {
  std::lock_guard lock(gMenuDelayMutex);
  gMenuDelayRead.store(false);
  gMenuDelayValue = 400;
}
}  // namespace detail

int GetMenuShowDelay() {
  if (Version().major < 4) return 400;
  win::UINT delay = 0;
  int result;
  if (win::SystemParametersInfo(win::SPI_GETMENUSHOWDELAY, 0, &delay, 0))
    result = static_cast<int>(delay);
  else
    result = ReadMenuShowDelayFromRegistry();
  return result < 0 ? 0 : result;
}

bool NeedToPlaySound(const std::string& Alias) {
  if (!Version().wideCharFamily || Version().major < 5) return true;
  rtl::TRegistry reg;
  reg.SetRootKey(rtl::HKEY_CURRENT_USER);
  if (!reg.OpenKeyReadOnly("AppEvents\\Schemes\\Apps\\.Default\\" + Alias + "\\.Current"))
    return false;
  const auto text = ReadText(reg, "");
  return !text || !text->empty();
}

void PlaySystemSound(const std::string& Alias) {
  win::DWORD flags = win::SND_ALIAS | win::SND_ASYNC | win::SND_NODEFAULT;
  if (!Version().wideCharFamily) flags |= win::SND_NOSTOP;
  if (Version().major >= 6) flags |= win::SND_SYSTEM;
  win::PlaySound(Alias.c_str(), nullptr, flags);
}

bool GetSystemParametersInfoBool(unsigned Param, bool Default) {
  win::BOOL value = win::FALSE;
  if (win::SystemParametersInfo(Param, 0, &value, 0)) return value != win::FALSE;
  return Default;
}

bool AreFlatMenusEnabled() {
  const auto& v = Version();
  const bool newEnough = v.wideCharFamily && (v.major > 5 || (v.major == 5 && v.minor >= 1));
  return newEnough && GetSystemParametersInfoBool(win::SPI_GETFLATMENU, false);
}

bool AreKeyboardCuesEnabled() {
  if (Version().major < 5) return true;
  return GetSystemParametersInfoBool(win::SPI_GETKEYBOARDCUES, true);
}

bool IsWindowsXP() {
  const auto& v = Version();
  return v.wideCharFamily && (v.major > 5 || (v.major == 5 && v.minor >= 1));
}

void GetSystemNonClientMetrics(win::NONCLIENTMETRICS& Metrics) {
  Metrics.cbSize = 340;
  if (!win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, 340, &Metrics, 0))
    Metrics = win::NONCLIENTMETRICS{};
}

unsigned GetInputLocaleCodePage() {
  return win::GetKeyboardLayoutCodePage();
}

bool ApplicationIsActive() {
  return win::GetActiveWindow() != nullptr;
}

// ------------------------------------------------------------------ monitors

bool UsingMultipleMonitors() {
  return win::EntryPointExists("MonitorFromRect") && win::GetSystemMetrics(win::SM_CMONITORS) > 1;
}

RECT GetRectOfPrimaryMonitor(bool WorkArea) {
  RECT r{};
  if (WorkArea && win::SystemParametersInfo(win::SPI_GETWORKAREA, 0, &r, 0)) return r;
  return RECT{0, 0, win::GetSystemMetrics(win::SM_CXSCREEN),
              win::GetSystemMetrics(win::SM_CYSCREEN)};
}

namespace {
RECT RectOfMonitor(win::HMONITOR mon, bool WorkArea) {
  win::MONITORINFO mi;
  if (mon && win::EntryPointExists("GetMonitorInfoA") && win::GetMonitorInfo(mon, &mi))
    return WorkArea ? mi.rcWork : mi.rcMonitor;
  return GetRectOfPrimaryMonitor(WorkArea);
}
}  // namespace

RECT GetRectOfMonitorContainingRect(const RECT& R, bool WorkArea) {
  if (!win::EntryPointExists("MonitorFromRect")) return GetRectOfPrimaryMonitor(WorkArea);
  return RectOfMonitor(win::MonitorFromRect(&R, win::MONITOR_DEFAULTTONEAREST), WorkArea);
}

RECT GetRectOfMonitorContainingPoint(const POINT& P, bool WorkArea) {
  if (!win::EntryPointExists("MonitorFromPoint")) return GetRectOfPrimaryMonitor(WorkArea);
  return RectOfMonitor(win::MonitorFromPoint(P, win::MONITOR_DEFAULTTONEAREST), WorkArea);
}

RECT GetRectOfMonitorContainingWindow(HWND Wnd, bool WorkArea) {
  if (!win::EntryPointExists("MonitorFromWindow")) return GetRectOfPrimaryMonitor(WorkArea);
  return RectOfMonitor(win::MonitorFromWindow(Wnd, win::MONITOR_DEFAULTTONEAREST), WorkArea);
}

// ------------------------------------------------------------------ text

std::string StripAccelChars(const std::string& S) {
  std::string out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == '&') {
      // "&&" stands for one '&'; a single one only marks the next character.
      if (i + 1 < S.size() && S[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += S[i];
  }
  return out;
}

std::string EscapeAmpersands(const std::string& S) {
  std::string out;
  out.reserve(S.size() + 4);
  for (char c : S) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

std::string StripTrailingPunctuation(const std::string& S) {
  const size_t n = S.size();
  if (n >= 1 && S[n - 1] == ':') return S.substr(0, n - 1);
  if (n >= 3 && S.compare(n - 3, 3, "...") == 0) return S.substr(0, n - 3);
  return S;
}

char FindAccelChar(const std::string& S) {
  char found = 0;
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] != '&') continue;
    if (i + 1 >= S.size()) break;
    if (S[i + 1] == '&') {
      ++i;
      continue;
    }
    found = S[i + 1];
  }
  return found;
}

// ------------------------------------------------------------------ drawing

bool IsFillRectWithGradientAvailable() {
  return win::EntryPointExists("GradientFill");
}

void FillRectWithGradient(HDC DC, const RECT& R, win::COLORREF StartColor, win::COLORREF EndColor,
                          bool Horizontal) {
  if (!IsFillRectWithGradientAvailable()) return;
  gdi::GradientFillRect(DC, R, gdi::ColorToRGB(StartColor), gdi::ColorToRGB(EndColor), Horizontal);
}

void DrawSmallWindowCaption(HWND Wnd, HDC DC, const RECT& R, const std::string& Caption,
                            bool Active) {
  const bool gradients = GetSystemParametersInfoBool(win::SPI_GETGRADIENTCAPTIONS, false);
  if (Version().major < 6) {
    // The platform draws the caption bar, with the window's own text.
    win::DrawCaption(Wnd, DC, &R,
                     win::DC_SMALLCAP | win::DC_TEXT | (Active ? win::DC_ACTIVE : 0u) |
                         (gradients ? win::DC_GRADIENT : 0u));
    return;
  }
  const int base = Active ? gdi::COLOR_ACTIVECAPTION : gdi::COLOR_INACTIVECAPTION;
  const int grad = Active ? gdi::COLOR_GRADIENTACTIVECAPTION : gdi::COLOR_GRADIENTINACTIVECAPTION;
  const win::COLORREF c1 = gdi::GetSysColor(base), c2 = gdi::GetSysColor(grad);
  if (gradients && IsFillRectWithGradientAvailable() && c1 != c2)
    FillRectWithGradient(DC, R, c1, c2, true);
  else
    gdi::FillRect(DC, &R, gdi::GetSysColorBrush(base));
  RECT text = R;
  text.left += win::GetSystemMetrics(win::SM_CXEDGE);
  win::NONCLIENTMETRICS ncm;
  GetSystemNonClientMetrics(ncm);
  gdi::HFONT font = gdi::CreateFontIndirect(&ncm.lfSmCaptionFont);
  gdi::HGDIOBJ old = gdi::SelectObject(DC, font);
  gdi::SetBkMode(DC, gdi::TRANSPARENT);
  gdi::SetTextColor(
      DC, gdi::GetSysColor(Active ? gdi::COLOR_CAPTIONTEXT : gdi::COLOR_INACTIVECAPTIONTEXT));
  gdi::DrawText(DC, Caption, &text,
                gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_END_ELLIPSIS | gdi::DT_NOPREFIX);
  gdi::SelectObject(DC, old);
  gdi::DeleteObject(font);
}

win::HBRUSH CreateHalftoneBrush() {
  return gdi::CreateHalftoneBrush();
}

void DrawHalftoneInvertRect(HDC DC, const RECT* NewRect, const RECT* OldRect,
                            const win::SIZE& NewSize, const win::SIZE& OldSize) {
  auto frame = [](const RECT* r, const win::SIZE& size) {
    gdi::HRGN rgn = gdi::CreateRectRgn(0, 0, 0, 0);
    if (!r || r->right <= r->left || r->bottom <= r->top) return rgn;
    gdi::SetRectRgn(rgn, r->left, r->top, r->right, r->bottom);
    RECT inner{r->left + size.cx, r->top + size.cy, r->right - size.cx, r->bottom - size.cy};
    if (inner.right > inner.left && inner.bottom > inner.top) {
      gdi::HRGN hole = gdi::CreateRectRgnIndirect(&inner);
      gdi::CombineRgn(rgn, rgn, hole, gdi::RGN_DIFF);
      gdi::DeleteObject(hole);
    }
    return rgn;
  };
  gdi::HRGN a = frame(NewRect, NewSize);
  gdi::HRGN b = frame(OldRect, OldSize);
  gdi::CombineRgn(a, a, b, gdi::RGN_XOR);
  RECT box{};
  if (gdi::GetRgnBox(a, &box) != gdi::NULLREGION) {
    gdi::SaveDC(DC);
    gdi::ExtSelectClipRgn(DC, a, gdi::RGN_AND);
    win::HBRUSH brush = CreateHalftoneBrush();
    gdi::HGDIOBJ old = gdi::SelectObject(DC, brush);
    gdi::PatBlt(DC, box.left, box.top, box.right - box.left, box.bottom - box.top, gdi::PATINVERT);
    gdi::SelectObject(DC, old);
    gdi::DeleteObject(brush);
    gdi::RestoreDC(DC, -1);
  }
  gdi::DeleteObject(a);
  gdi::DeleteObject(b);
}

// ------------------------------------------------------------------ messages

void ProcessPaintMessages() {
  win::MSG msg;
  while (win::PeekMessage(&msg, nullptr, win::WM_PAINT, win::WM_PAINT, win::PM_REMOVE)) {
    if (msg.message == win::WM_QUIT) {
      win::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    win::DispatchMessage(&msg);
  }
}

void RemoveMessages(unsigned Min, unsigned Max) {
  win::MSG msg;
  while (win::PeekMessage(&msg, nullptr, Min, Max, win::PM_REMOVE)) {
    if (msg.message == win::WM_QUIT) {
      win::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
  }
}

POINT GetMessagePosAsPoint() {
  return win::GetMessagePosAsPoint();
}

bool CallTrackMouseEvent(HWND Wnd, win::DWORD Flags) {
  if (!win::EntryPointExists("TrackMouseEvent") && !win::EntryPointExists("_TrackMouseEvent"))
    return false;
  win::TRACKMOUSEEVENT tme;
  tme.dwFlags = Flags;
  tme.hwndTrack = Wnd;
  return win::TrackMouseEvent(&tme) != win::FALSE;
}

void CallLockSetForegroundWindow(bool Lock) {
  if (!win::EntryPointExists("LockSetForegroundWindow")) return;
  win::LockSetForegroundWindow(Lock ? win::LSFW_LOCK : win::LSFW_UNLOCK);
}

}  // namespace docking
