#pragma once
// Raw input and what it becomes: capture, focus, activation, key state, cursor position and
// shape, pointer-leave tracking. Raw events turn into messages only when they are retrieved.
#include <string>

#include "platform/win/types.h"

namespace win {

struct RawInput {
  enum class Kind { Move, ButtonDown, ButtonUp, Wheel, KeyDown, KeyUp };
  Kind kind = Kind::Move;
  POINT pt;         // screen position (mouse events)
  int button = 0;   // 0 left, 1 right, 2 middle
  int wheelDelta = 0;
  UINT vk = 0;      // virtual key (key events)
  DWORD time = 0;   // 0: the clock's tick now
};

// From any thread (the backend's, a test's). Consecutive moves are merged.
void PostRawInput(const RawInput& input);
// Conveniences for scripts.
RawInput MouseMove(int x, int y);
RawInput MouseDown(int x, int y, int button = 0);
RawInput MouseUp(int x, int y, int button = 0);
RawInput MouseWheel(int x, int y, int delta);
RawInput KeyDown(UINT vk);
RawInput KeyUp(UINT vk);

HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);
enum : UINT { LSFW_LOCK = 1, LSFW_UNLOCK = 2 };
BOOL LockSetForegroundWindow(UINT code);
bool IsForegroundLocked();
// Another program takes the foreground: the active window is deactivated and every top-level
// window hears WM_ACTIVATEAPP(FALSE). Activating one of ours again brings WM_ACTIVATEAPP(TRUE).
void ActivateOtherApplication();

// Key state as of the messages retrieved so far (GetKeyState) or as fed (GetAsyncKeyState):
// bit 15 down, bit 0 toggled.
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE* keys256);

BOOL GetCursorPos(POINT* pt);
// Moves the pointer at once and queues the move, as a user's move would be.
BOOL SetCursorPos(int x, int y);
BOOL ClipCursor(const RECT* rect);  // null frees the pointer
BOOL GetClipCursor(RECT* rect);

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme);

// WM_KEYDOWN / WM_SYSKEYDOWN become WM_CHAR / WM_SYSCHAR by the US layout.
BOOL TranslateMessage(const MSG* msg);

// Key names by the US layout ("Ctrl", "Enter", "Page Up", "F5", "A"): the key is bits 16-23 of
// lParam (the virtual key, as key messages carry it); returns the length written.
int GetKeyNameText(LONG lParam, char* buffer, int size);
std::string KeyName(UINT vk);
enum : UINT { MAPVK_VK_TO_VSC = 0, MAPVK_VSC_TO_VK = 1, MAPVK_VK_TO_CHAR = 2 };
// Scan codes are the virtual keys themselves; VK_TO_CHAR gives the unshifted character.
UINT MapVirtualKey(UINT code, UINT mapType);

// Cursors: the platform's shapes by IDC_ number.
enum : int {
  IDC_ARROW = 32512,
  IDC_IBEAM = 32513,
  IDC_WAIT = 32514,
  IDC_CROSS = 32515,
  IDC_UPARROW = 32516,
  IDC_SIZENWSE = 32642,
  IDC_SIZENESW = 32643,
  IDC_SIZEWE = 32644,
  IDC_SIZENS = 32645,
  IDC_SIZEALL = 32646,
  IDC_NO = 32648,
  IDC_HAND = 32649,
  IDC_APPSTARTING = 32650,
  IDC_HELP = 32651,
};
HCURSOR LoadCursor(HANDLE instance, int id);
// The IDC_ number of a loaded cursor (0 for an unknown handle).
int CursorId(HCURSOR cursor);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
int ShowCursor(BOOL show);

}  // namespace win
