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

// The screen as presented: non-layered windows with the layered ones blended over them.
const gdi::Surface& ComposeScreen();
// The surface non-layered windows draw on (not blended).
std::shared_ptr<gdi::Surface> ScreenSurface();

}  // namespace win
