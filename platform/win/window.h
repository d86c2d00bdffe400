#pragma once
// Windows: classes, creation and destruction, the tree of parents and owners, styles, z-order,
// geometry and the messages that go with it.
#include <functional>
#include <optional>
#include <string>

#include "platform/win/messages.h"
#include "platform/win/types.h"

namespace win {

struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc;
  HCURSOR hCursor = nullptr;
  // Background erased by the default procedure: 0 none, else a system colour index + 1.
  int hbrBackground = 0;
  const char* lpszClassName = nullptr;
};

enum : int { GCL_STYLE = -26, GCL_HCURSOR = -12, GCL_HBRBACKGROUND = -10 };

// Registering a name twice fails (returns 0); names are compared without regard to case.
ATOM RegisterClass(const WNDCLASS* wc);
BOOL UnregisterClass(const char* name);
BOOL GetClassInfo(const char* name, WNDCLASS* wc);
std::string GetClassName(HWND hwnd);
intptr_t GetClassLong(HWND hwnd, int index);
intptr_t SetClassLong(HWND hwnd, int index, intptr_t value);

// Sends WM_GETMINMAXINFO (top-level), WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, then WM_SIZE and
// WM_MOVE; a window created with WS_VISIBLE is shown (and activated when top-level). Returns
// null when WM_NCCREATE answers FALSE or WM_CREATE answers -1.
HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parent, UINT_PTR menuOrId,
                    void* param);
// The training hook may veto; then WM_DESTROY down the tree and WM_NCDESTROY up it. Owned
// windows go first. Messages still queued for the window are dropped.
BOOL DestroyWindow(HWND hwnd);

BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);  // the window and all its ancestors
BOOL IsWindowEnabled(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);  // returns TRUE when it was disabled
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);

HWND GetDesktopWindow();
// The parent of a child window, the owner of a top-level one.
HWND GetParent(HWND hwnd);
// Re-parents keeping the handle; null or the desktop makes a top-level window.
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetTopWindow(HWND hwnd);
HWND GetNextWindow(HWND hwnd, UINT cmd);

intptr_t GetWindowLong(HWND hwnd, int index);
// GWL_STYLE and GWL_EXSTYLE send WM_STYLECHANGING and WM_STYLECHANGED; GWL_HWNDPARENT sets
// the owner.
intptr_t SetWindowLong(HWND hwnd, int index, intptr_t value);
inline intptr_t GetWindowLongPtr(HWND h, int i) { return GetWindowLong(h, i); }
inline intptr_t SetWindowLongPtr(HWND h, int i, intptr_t v) { return SetWindowLong(h, i, v); }
// The window procedure (subclassing returns the previous one, to be called with CallWindowProc).
WNDPROC GetWindowProc(HWND hwnd);
WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc);
LRESULT CallWindowProc(const WNDPROC& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Named properties of a window.
BOOL SetProp(HWND hwnd, const char* name, intptr_t value);
intptr_t GetProp(HWND hwnd, const char* name);
intptr_t RemoveProp(HWND hwnd, const char* name);

BOOL SetWindowText(HWND hwnd, const std::string& text);
std::string GetWindowText(HWND hwnd);
int GetWindowTextLength(HWND hwnd);

// Position changes send WM_WINDOWPOSCHANGING, WM_NCCALCSIZE (when the size or frame changes)
// and WM_WINDOWPOSCHANGED, whose default handling sends WM_MOVE and WM_SIZE.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL BringWindowToTop(HWND hwnd);

BOOL GetWindowRect(HWND hwnd, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* rect);  // (0, 0, width, height)
BOOL ClientToScreen(HWND hwnd, POINT* pt);
BOOL ScreenToClient(HWND hwnd, POINT* pt);
// Returns the offset packed as (dx low word, dy high word).
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
// Client rectangle in window coordinates (where the frame ends).
RECT GetClientRectInWindow(HWND hwnd);

// The deepest visible, enabled window under a screen point, respecting z-order and regions
// (HTTRANSPARENT answers pass the point to the windows below).
HWND WindowFromPoint(POINT pt);
// Among the direct children (point in parent client coordinates); the parent itself when no
// child is there but the point lies in it, null outside.
HWND ChildWindowFromPoint(HWND parent, POINT pt);
HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags);

// Descendants in tree order (a child, then its children), top of the z-order first.
BOOL EnumChildWindows(HWND parent, const std::function<BOOL(HWND)>& fn);
// Top-level windows of the GUI thread, top of the z-order first.
BOOL EnumThreadWindows(const std::function<BOOL(HWND)>& fn);

// A window region in window coordinates (null removes it); the window owns a copy.
int SetWindowRegion(HWND hwnd, const gdi::Region* region, BOOL redraw);
// Fills `region` and returns its complexity, 0 (ERROR) when the window has none.
int GetWindowRgn(HWND hwnd, gdi::Region* region);

// Every window belongs to the GUI thread; thread ids are small numbers, the GUI thread's is 1,
// others' are larger and stable per thread.
DWORD GetCurrentThreadId();
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

// Keyboard-cue flags (UISF_*) of a window.
WORD GetUIState(HWND hwnd);

}  // namespace win
