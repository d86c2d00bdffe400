#pragma once
// Pieces shared by the sources of dkdock and nothing else.
#include <functional>

#include "docking/dkdock.h"

namespace docking::internal {

// Holds the capture on `wnd` (the window of `owner`) and tracks a push button drawn in its frame
// until the left button is released: `setPushed` hears whether the pointer is over the button
// (`windowRect`, in window coordinates). True when released over it; false when `owner` was
// freed meanwhile.
bool TrackButton(rtl::TComponent* owner, HWND wnd, const std::function<RECT()>& windowRect,
                 const std::function<void(bool)>& setPushed);

// Every live dockable window of the thread, for the hooks.
std::vector<TDKCustomDockableWindow*>& LiveWindows();

// Draws the 8 x 8 cross of a small close button centred in `r`.
void DrawCloseGlyph(HDC dc, const RECT& r, bool pushed);

// A floating frame rectangle moved, if need be, so that the user can still reach it in the work
// area `wa`: at least touching it, and 4 pixels of its caption below its top.
RECT ReachableFrame(const TDKCustomDockableWindow& w, RECT r, const RECT& wa);

// Answers WM_NCCALCSIZE: the client rectangle `r` (may be null) shrunk by the non-client area,
// `tl` at the top left and `br` at the bottom right, never to a negative size.
void ShrinkByNCArea(RECT* r, const POINT& tl, const POINT& br);

// Sets a property's field; true when the value changed.
template <class T>
bool Assign(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace docking::internal
