// Windows of one colour for the display tests: each paints its client area in the colour kept in
// its user data, through BeginPaint, so that only what is invalid is drawn.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/win/defproc.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"

namespace displaytest {

inline void RegisterSolidClass() {
  using namespace win;
  WNDCLASS wc;
  wc.lpszClassName = "solid";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m != WM_PAINT) return DefWindowProc(h, m, w, l);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    HBRUSH b = gdi::CreateSolidBrush(COLORREF(GetWindowLongPtr(h, GWL_USERDATA)));
    gdi::FillRect(dc, &r, b);
    gdi::DeleteObject(b);
    EndPaint(h, &ps);
    return 0;
  };
  RegisterClass(&wc);
}

// A captioned popup of colour c at (x, y), w x h.
inline win::HWND Solid(int x, int y, int w, int h, win::COLORREF c, win::DWORD ex = 0) {
  using namespace win;
  HWND hwnd = CreateWindowEx(ex, "solid", "", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, x, y,
                             w, h, nullptr, 0, nullptr);
  SetWindowLongPtr(hwnd, GWL_USERDATA, intptr_t(c));
  InvalidateRect(hwnd, nullptr, TRUE);
  return hwnd;
}

// Dispatches what is waiting, without waiting.
inline void Pump() {
  win::MSG m;
  while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) win::DispatchMessage(&m);
}

}  // namespace displaytest
