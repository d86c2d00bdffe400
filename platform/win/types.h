#pragma once
// Handles, records and numeric constants of the window system. Geometry (POINT, RECT, SIZE) and
// regions come from the graphics layer.
#include <cstdint>
#include <functional>

#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
#include "platform/gdi/types.h"

namespace win {

using gdi::BOOL;
using gdi::BYTE;
using gdi::HBRUSH;
using gdi::HDC;
using gdi::HRGN;
using gdi::COLORREF;
using gdi::DWORD;
using gdi::FALSE;
using gdi::LONG;
using gdi::POINT;
using gdi::RECT;
using gdi::SIZE;
using gdi::TRUE;
using gdi::UINT;
using gdi::WORD;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;
using ATOM = uint16_t;
using SHORT = int16_t;

// Handles are opaque numbers; a window handle is never issued twice in a run.
struct HWND__;
using HWND = HWND__*;
struct HHOOK__;
using HHOOK = HHOOK__*;
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
using HANDLE = void*;

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
};

using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
using TIMERPROC = std::function<void(HWND, UINT, UINT_PTR, DWORD)>;
using HOOKPROC = std::function<LRESULT(int code, WPARAM, LPARAM)>;

constexpr WORD LOWORD(uintptr_t v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return LPARAM(int32_t(uint32_t(WORD(lo)) | (uint32_t(WORD(hi)) << 16)));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi) {
  return WPARAM(uint32_t(WORD(lo)) | (uint32_t(WORD(hi)) << 16));
}
constexpr LRESULT MAKELRESULT(int lo, int hi) { return MAKELPARAM(lo, hi); }
// Signed 16-bit coordinates packed in a parameter.
constexpr int GET_X_LPARAM(LPARAM l) { return int(SHORT(LOWORD(uintptr_t(l)))); }
constexpr int GET_Y_LPARAM(LPARAM l) { return int(SHORT(HIWORD(uintptr_t(l)))); }
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM w) { return int(SHORT(HIWORD(w))); }
constexpr WORD GET_KEYSTATE_WPARAM(WPARAM w) { return LOWORD(w); }
inline POINT PointFromLParam(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }
inline LPARAM PointToLParam(POINT p) { return MAKELPARAM(p.x, p.y); }

// Special insert-after values of SetWindowPos.
inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);
inline const HWND HWND_MESSAGE = reinterpret_cast<HWND>(-3);

constexpr int CW_USEDEFAULT = int(0x80000000u);

// Window styles.
enum : DWORD {
  WS_OVERLAPPED = 0x00000000,
  WS_POPUP = 0x80000000,
  WS_CHILD = 0x40000000,
  WS_MINIMIZE = 0x20000000,
  WS_VISIBLE = 0x10000000,
  WS_DISABLED = 0x08000000,
  WS_CLIPSIBLINGS = 0x04000000,
  WS_CLIPCHILDREN = 0x02000000,
  WS_MAXIMIZE = 0x01000000,
  WS_CAPTION = 0x00C00000,
  WS_BORDER = 0x00800000,
  WS_DLGFRAME = 0x00400000,
  WS_VSCROLL = 0x00200000,
  WS_HSCROLL = 0x00100000,
  WS_SYSMENU = 0x00080000,
  WS_THICKFRAME = 0x00040000,
  WS_SIZEBOX = 0x00040000,
  WS_GROUP = 0x00020000,
  WS_TABSTOP = 0x00010000,
  WS_MINIMIZEBOX = 0x00020000,
  WS_MAXIMIZEBOX = 0x00010000,
  WS_OVERLAPPEDWINDOW = 0x00CF0000,
  WS_POPUPWINDOW = 0x80880000,
};

enum : DWORD {
  WS_EX_DLGMODALFRAME = 0x00000001,
  WS_EX_NOPARENTNOTIFY = 0x00000004,
  WS_EX_TOPMOST = 0x00000008,
  WS_EX_ACCEPTFILES = 0x00000010,
  WS_EX_TRANSPARENT = 0x00000020,
  WS_EX_MDICHILD = 0x00000040,
  WS_EX_TOOLWINDOW = 0x00000080,
  WS_EX_WINDOWEDGE = 0x00000100,
  WS_EX_CLIENTEDGE = 0x00000200,
  WS_EX_CONTEXTHELP = 0x00000400,
  WS_EX_STATICEDGE = 0x00020000,
  WS_EX_APPWINDOW = 0x00040000,
  WS_EX_LAYERED = 0x00080000,
  WS_EX_NOACTIVATE = 0x08000000,
};

// Class styles (double clicks matter; save bits and drop shadow are accepted and ignored).
enum : UINT {
  CS_VREDRAW = 0x0001,
  CS_HREDRAW = 0x0002,
  CS_DBLCLKS = 0x0008,
  CS_OWNDC = 0x0020,
  CS_PARENTDC = 0x0080,
  CS_NOCLOSE = 0x0200,
  CS_SAVEBITS = 0x0800,
  CS_GLOBALCLASS = 0x4000,
  CS_DROPSHADOW = 0x00020000,
};

enum : int {
  GWL_WNDPROC = -4,
  GWL_HINSTANCE = -6,
  GWL_HWNDPARENT = -8,
  GWL_STYLE = -16,
  GWL_EXSTYLE = -20,
  GWL_USERDATA = -21,
  GWL_ID = -12,
  GWLP_USERDATA = -21,
  GWLP_ID = -12,
};

enum : UINT {
  GW_HWNDFIRST = 0,
  GW_HWNDLAST = 1,
  GW_HWNDNEXT = 2,
  GW_HWNDPREV = 3,
  GW_OWNER = 4,
  GW_CHILD = 5,
  GW_ENABLEDPOPUP = 6,
};

enum : UINT { GA_PARENT = 1, GA_ROOT = 2, GA_ROOTOWNER = 3 };

enum : UINT {
  CWP_ALL = 0,
  CWP_SKIPINVISIBLE = 1,
  CWP_SKIPDISABLED = 2,
  CWP_SKIPTRANSPARENT = 4,
};

// SetWindowPos flags.
enum : UINT {
  SWP_NOSIZE = 0x0001,
  SWP_NOMOVE = 0x0002,
  SWP_NOZORDER = 0x0004,
  SWP_NOREDRAW = 0x0008,
  SWP_NOACTIVATE = 0x0010,
  SWP_FRAMECHANGED = 0x0020,
  SWP_DRAWFRAME = 0x0020,
  SWP_SHOWWINDOW = 0x0040,
  SWP_HIDEWINDOW = 0x0080,
  SWP_NOCOPYBITS = 0x0100,
  SWP_NOOWNERZORDER = 0x0200,
  SWP_NOREPOSITION = 0x0200,
  SWP_NOSENDCHANGING = 0x0400,
  SWP_DEFERERASE = 0x2000,
  SWP_ASYNCWINDOWPOS = 0x4000,
  // Set by the system in WINDOWPOS when the client area did not move or size.
  SWP_NOCLIENTSIZE = 0x0800,
  SWP_NOCLIENTMOVE = 0x1000,
};

enum : int {
  SW_HIDE = 0,
  SW_SHOWNORMAL = 1,
  SW_NORMAL = 1,
  SW_SHOWMINIMIZED = 2,
  SW_SHOWMAXIMIZED = 3,
  SW_MAXIMIZE = 3,
  SW_SHOWNOACTIVATE = 4,
  SW_SHOW = 5,
  SW_MINIMIZE = 6,
  SW_SHOWMINNOACTIVE = 7,
  SW_SHOWNA = 8,
  SW_RESTORE = 9,
};

struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};

struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  WINDOWPOS* lppos = nullptr;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HWND hwndParent = nullptr;
  UINT_PTR hMenu = 0;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  DWORD style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

struct STYLESTRUCT {
  DWORD styleOld = 0;
  DWORD styleNew = 0;
};

// Hit-test codes.
enum : int {
  HTERROR = -2,
  HTTRANSPARENT = -1,
  HTNOWHERE = 0,
  HTCLIENT = 1,
  HTCAPTION = 2,
  HTSYSMENU = 3,
  HTGROWBOX = 4,
  HTSIZE = 4,
  HTMENU = 5,
  HTHSCROLL = 6,
  HTVSCROLL = 7,
  HTMINBUTTON = 8,
  HTMAXBUTTON = 9,
  HTLEFT = 10,
  HTRIGHT = 11,
  HTTOP = 12,
  HTTOPLEFT = 13,
  HTTOPRIGHT = 14,
  HTBOTTOM = 15,
  HTBOTTOMLEFT = 16,
  HTBOTTOMRIGHT = 17,
  HTBORDER = 18,
  HTOBJECT = 19,
  HTCLOSE = 20,
  HTHELP = 21,
};

enum : int {
  MA_ACTIVATE = 1,
  MA_ACTIVATEANDEAT = 2,
  MA_NOACTIVATE = 3,
  MA_NOACTIVATEANDEAT = 4,
};

enum : int { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };

// Mouse key-state flags of mouse messages.
enum : WPARAM {
  MK_LBUTTON = 0x0001,
  MK_RBUTTON = 0x0002,
  MK_SHIFT = 0x0004,
  MK_CONTROL = 0x0008,
  MK_MBUTTON = 0x0010,
};

constexpr int WHEEL_DELTA = 120;

// PeekMessage flags.
enum : UINT { PM_NOREMOVE = 0, PM_REMOVE = 1, PM_NOYIELD = 2 };

// Wake masks of MsgWaitForMultipleObjects and GetQueueStatus.
enum : UINT {
  QS_KEY = 0x0001,
  QS_MOUSEMOVE = 0x0002,
  QS_MOUSEBUTTON = 0x0004,
  QS_POSTMESSAGE = 0x0008,
  QS_TIMER = 0x0010,
  QS_PAINT = 0x0020,
  QS_SENDMESSAGE = 0x0040,
  QS_HOTKEY = 0x0080,
  QS_ALLPOSTMESSAGE = 0x0100,
  QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON,
  QS_INPUT = QS_MOUSE | QS_KEY,
  QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY,
  QS_ALLINPUT = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE,
};

enum : DWORD {
  WAIT_OBJECT_0 = 0,
  WAIT_TIMEOUT = 258,
  WAIT_FAILED = 0xFFFFFFFF,
  INFINITE = 0xFFFFFFFF,
};

// Hooks.
enum : int {
  WH_GETMESSAGE = 3,
  WH_CALLWNDPROC = 4,
  WH_CBT = 5,
};
enum : int { HC_ACTION = 0 };
enum : int { HCBT_DESTROYWND = 4 };

struct CWPSTRUCT {
  LPARAM lParam = 0;
  WPARAM wParam = 0;
  UINT message = 0;
  HWND hwnd = nullptr;
};

// Mouse-leave tracking.
enum : DWORD {
  TME_HOVER = 0x00000001,
  TME_LEAVE = 0x00000002,
  TME_NONCLIENT = 0x00000010,
  TME_QUERY = 0x40000000,
  TME_CANCEL = 0x80000000,
};
struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = 0;
};

// System commands.
enum : WPARAM {
  SC_SIZE = 0xF000,
  SC_MOVE = 0xF010,
  SC_MINIMIZE = 0xF020,
  SC_MAXIMIZE = 0xF030,
  SC_CLOSE = 0xF060,
  SC_KEYMENU = 0xF100,
  SC_RESTORE = 0xF120,
};

// Keyboard-cue state (WM_CHANGEUISTATE, WM_QUERYUISTATE).
enum : WORD { UIS_SET = 1, UIS_CLEAR = 2, UIS_INITIALIZE = 3 };
enum : WORD { UISF_HIDEFOCUS = 0x1, UISF_HIDEACCEL = 0x2, UISF_ACTIVE = 0x4 };

}  // namespace win
