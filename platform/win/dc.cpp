#include "platform/win/paint.h"
#include "platform/win/state.h"

namespace win::detail {

void DefaultPaint(HWND h) {
  if (Window* w = Find(h)) {
    w->update = gdi::Region();
    w->erase = w->ncPaint = w->internalPaint = false;
  }
}
void DefaultNcPaint(HWND, WPARAM) {}
LRESULT DefaultErase(HWND, WPARAM) { return 0; }
void DefaultPrint(HWND, WPARAM, LPARAM) {}

}  // namespace win::detail
