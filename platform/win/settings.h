#pragma once
// System metrics, parameters, monitors and the double-click time, all read from one settings
// object that tests configure. Any parameter can be made to fail.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/gdi/color.h"
#include "platform/win/types.h"

namespace win {

enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,
  SM_CYHSCROLL = 3,
  SM_CYCAPTION = 4,
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CXDLGFRAME = 7,
  SM_CXFIXEDFRAME = 7,
  SM_CYDLGFRAME = 8,
  SM_CYFIXEDFRAME = 8,
  SM_CYVTHUMB = 9,
  SM_CXHTHUMB = 10,
  SM_CXICON = 11,
  SM_CYICON = 12,
  SM_CXCURSOR = 13,
  SM_CYCURSOR = 14,
  SM_CYMENU = 15,
  SM_CXFULLSCREEN = 16,
  SM_CYFULLSCREEN = 17,
  SM_CYVSCROLL = 20,
  SM_CXHSCROLL = 21,
  SM_SWAPBUTTON = 23,
  SM_CXMIN = 28,
  SM_CYMIN = 29,
  SM_CXSIZE = 30,
  SM_CYSIZE = 31,
  SM_CXFRAME = 32,
  SM_CXSIZEFRAME = 32,
  SM_CYFRAME = 33,
  SM_CYSIZEFRAME = 33,
  SM_CXMINTRACK = 34,
  SM_CYMINTRACK = 35,
  SM_CXDOUBLECLK = 36,
  SM_CYDOUBLECLK = 37,
  SM_MENUDROPALIGNMENT = 40,
  SM_CXEDGE = 45,
  SM_CYEDGE = 46,
  SM_CXSMICON = 49,
  SM_CYSMICON = 50,
  SM_CYSMCAPTION = 51,
  SM_CXSMSIZE = 52,
  SM_CYSMSIZE = 53,
  SM_CXMAXIMIZED = 61,
  SM_CYMAXIMIZED = 62,
  SM_CXDRAG = 68,
  SM_CYDRAG = 69,
  SM_CXMENUCHECK = 71,
  SM_CYMENUCHECK = 72,
  SM_MOUSEWHEELPRESENT = 75,
  SM_XVIRTUALSCREEN = 76,
  SM_YVIRTUALSCREEN = 77,
  SM_CXVIRTUALSCREEN = 78,
  SM_CYVIRTUALSCREEN = 79,
  SM_CMONITORS = 80,
  SM_CXFOCUSBORDER = 83,
  SM_CYFOCUSBORDER = 84,
};

// System parameters.
enum : UINT {
  SPI_GETDRAGFULLWINDOWS = 0x0026,
  SPI_GETNONCLIENTMETRICS = 0x0029,
  SPI_SETNONCLIENTMETRICS = 0x002A,
  SPI_GETWORKAREA = 0x0030,
  SPI_GETWHEELSCROLLLINES = 0x0068,
  SPI_GETMENUSHOWDELAY = 0x006A,
  SPI_GETMENUANIMATION = 0x1002,
  SPI_GETGRADIENTCAPTIONS = 0x1008,
  SPI_GETKEYBOARDCUES = 0x100A,
  SPI_GETMENUUNDERLINES = 0x100A,
  SPI_GETMENUFADE = 0x1012,
  SPI_GETFLATMENU = 0x1022,
  SPI_GETDROPSHADOW = 0x1024,
};

// Sizes of the non-client parts and the fonts of captions, menus, status and message texts.
struct NONCLIENTMETRICS {
  UINT cbSize = 340;
  int iBorderWidth = 1;
  int iScrollWidth = 16;
  int iScrollHeight = 16;
  int iCaptionWidth = 18;
  int iCaptionHeight = 18;
  gdi::LOGFONT lfCaptionFont;
  int iSmCaptionWidth = 12;
  int iSmCaptionHeight = 14;
  gdi::LOGFONT lfSmCaptionFont;
  int iMenuWidth = 18;
  int iMenuHeight = 18;
  gdi::LOGFONT lfMenuFont;
  gdi::LOGFONT lfStatusFont;
  gdi::LOGFONT lfMessageFont;
};

struct MONITORINFO {
  DWORD cbSize = sizeof(MONITORINFO);
  RECT rcMonitor;
  RECT rcWork;
  DWORD dwFlags = 0;
};
enum : DWORD { MONITORINFOF_PRIMARY = 1 };
enum : DWORD { MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1, MONITOR_DEFAULTTONEAREST = 2 };

struct Monitor {
  RECT full;
  RECT work;
};

// The version of the platform the program believes it runs on: the character family (the wide
// one is the newer line) and the major and minor numbers.
struct PlatformVersion {
  bool wideCharFamily = true;
  int major = 5;
  int minor = 1;
};

// The settings object. Initialize fills it with the classic values for the configured screen
// (one monitor covering it); tests change fields directly.
struct Settings {
  std::map<int, int> metrics;
  UINT doubleClickTime = 500;
  UINT menuShowDelay = 400;
  UINT wheelScrollLines = 3;
  bool dragFullWindows = true;
  bool gradientCaptions = true;
  bool keyboardCues = false;
  bool menuAnimation = true;
  bool menuFade = true;
  bool flatMenus = false;
  bool dropShadow = true;
  NONCLIENTMETRICS nonClient;
  std::vector<Monitor> monitors;  // the first is the primary
  std::set<UINT> failing;         // SPI_ actions that fail
  // System colours by COLOR_ index; ApplySettings hands them to the graphics layer.
  std::map<int, COLORREF> colors;
  PlatformVersion version;
  // Optional entry points ("UpdateLayeredWindow", "GradientFill", "MonitorFromRect", ...) that a
  // look-up by name does not find, as on an older platform.
  std::set<std::string> missingEntryPoints;
  // The default ANSI code page of the keyboard layout's language; 0 for a layout without one.
  UINT keyboardCodePage = 1252;
};

Settings& GetSettings();
// Back to the classic values (and colours) for the configured screen.
void ResetSettings();
// Makes changed colours take effect: the graphics layer's colour table is updated and every
// top-level window hears WM_SYSCOLORCHANGE and WM_SETTINGCHANGE (its wParam the SPI_SET action
// that changed, SPI_SETNONCLIENTMETRICS for the fonts; 0 for none in particular), then repaints.
void ApplySettings(UINT changed = 0);

// Whether an optional entry point of the platform exists (looked up by its name).
bool EntryPointExists(const std::string& name);
// The keyboard layout's ANSI code page (0 when the layout has none).
UINT GetKeyboardLayoutCodePage();

int GetSystemMetrics(int index);
UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT ms);
// pv points to what the action fills (RECT, UINT, BOOL or NONCLIENTMETRICS).
BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pv, UINT winIni);

HMONITOR MonitorFromPoint(POINT pt, DWORD flags);
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);

}  // namespace win
