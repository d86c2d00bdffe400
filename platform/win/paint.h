#pragma once
// Painting: update regions, WM_PAINT / WM_NCPAINT / WM_ERASEBKGND, window and client DCs
// clipped to the visible region, the desktop DC, locked updates and layered windows.
#include <memory>
#include <string>

#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"
#include "platform/win/types.h"

namespace win {

enum : UINT {
  RDW_INVALIDATE = 0x0001,
  RDW_INTERNALPAINT = 0x0002,
  RDW_ERASE = 0x0004,
  RDW_VALIDATE = 0x0008,
  RDW_NOINTERNALPAINT = 0x0010,
  RDW_NOERASE = 0x0020,
  RDW_NOCHILDREN = 0x0040,
  RDW_ALLCHILDREN = 0x0080,
  RDW_UPDATENOW = 0x0100,
  RDW_ERASENOW = 0x0200,
  RDW_FRAME = 0x0400,
  RDW_NOFRAME = 0x0800,
};

// Rectangles in client coordinates; a null rectangle means the whole client area. A null window
// invalidates every window.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRegion(HWND hwnd, const gdi::Region* region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRegion(HWND hwnd, const gdi::Region* region);
// The update rectangle / region in client coordinates.
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
gdi::Region GetUpdateRegion(HWND hwnd);
// rect and region are in client coordinates (region wins); RDW_FRAME takes the frame along.
BOOL RedrawWindowRegion(HWND hwnd, const RECT* rect, const gdi::Region* region, UINT flags);
BOOL UpdateWindow(HWND hwnd);
// One window (or the desktop, meaning every window) at a time; null unlocks. While locked its
// drawing is suppressed; unlocking repaints what was drawn to.
BOOL LockWindowUpdate(HWND hwnd);
HWND GetLockedWindow();

// Region-handle forms (regions in client coordinates; SetWindowRgn takes the region over).
BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase);
BOOL ValidateRgn(HWND hwnd, HRGN rgn);
int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase);
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN rgn, UINT flags);
int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw);

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // the background still needs erasing
  RECT rcPaint;         // client coordinates
};
// Sends WM_NCPAINT and WM_ERASEBKGND as owed, validates the window and returns a client DC
// clipped to what was invalid.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// BeginPaint for the life of the object: the DC goes back however the painting ends, since
// BeginPaint has already validated the window and nothing else would release it.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { BeginPaint(hwnd_, &ps_); }
  ~PaintScope() { EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return ps_.hdc; }
  const PAINTSTRUCT& ps() const { return ps_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
};

enum : DWORD {
  DCX_WINDOW = 0x00000001,
  DCX_CACHE = 0x00000002,
  DCX_CLIPCHILDREN = 0x00000008,
  DCX_CLIPSIBLINGS = 0x00000010,
  DCX_PARENTCLIP = 0x00000020,
  DCX_EXCLUDERGN = 0x00000040,
  DCX_INTERSECTRGN = 0x00000080,
  DCX_LOCKWINDOWUPDATE = 0x00000400,
};
// Client DC (GetDC), whole-window DC (GetWindowDC); a null window or the desktop gives the
// desktop DC, which draws over every window. Both clip to the visible region; a locked window
// draws nothing unless DCX_LOCKWINDOWUPDATE is asked. GetDCEx regions are in screen coordinates.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND hwnd, HDC hdc);
HWND WindowFromDC(HDC hdc);

// Layered windows: a constant alpha (LWA_ALPHA), or an image and alpha of their own.
enum : DWORD { LWA_COLORKEY = 1, LWA_ALPHA = 2 };
enum : DWORD { ULW_COLORKEY = 1, ULW_ALPHA = 2, ULW_OPAQUE = 4 };
struct BLENDFUNCTION {
  BYTE BlendOp = 0;
  BYTE BlendFlags = 0;
  BYTE SourceConstantAlpha = 255;
  BYTE AlphaFormat = 0;
};
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags);
// Moves / sizes the window when asked and copies the source image into it at the given alpha.
BOOL UpdateLayeredWindow(HWND hwnd, HDC dst, const POINT* pos, const SIZE* size, HDC src,
                         const POINT* srcPos, COLORREF key, const BLENDFUNCTION* blend, DWORD flags);

enum : UINT { DC_ACTIVE = 0x0001, DC_SMALLCAP = 0x0002, DC_TEXT = 0x0008, DC_GRADIENT = 0x0020 };
// A caption bar in rect as the window frames draw theirs: the active or inactive caption colour
// (DC_GRADIENT: running into the gradient caption colour) and, with DC_TEXT, the window's text
// in the caption font (DC_SMALLCAP: the small one). Windows here have no icons to draw.
BOOL DrawCaption(HWND hwnd, HDC dc, const RECT* rect, UINT flags);

// The screen as presented: non-layered windows with the layered ones blended over them.
const gdi::Surface& ComposeScreen();
// The surface non-layered windows draw on (not blended).
std::shared_ptr<gdi::Surface> ScreenSurface();

}  // namespace win
