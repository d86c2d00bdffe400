#include "platform/win/defproc.h"

#include <algorithm>
#include <cstring>

#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/settings.h"
#include "platform/win/sinks.h"
#include "platform/win/state.h"
#include "platform/win/window.h"

namespace win {
namespace detail {

namespace {

int FrameWidth(DWORD style, DWORD exStyle) {
  if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
  if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) return GetSystemMetrics(SM_CXDLGFRAME);
  if (style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
  return 0;
}

bool HasCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

int CaptionHeight(DWORD exStyle) {
  return GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

// Close button of the caption, window coordinates.
RECT CloseButton(const Window* w) {
  const int b = FrameWidth(w->style, w->exStyle);
  const int ch = CaptionHeight(w->exStyle);
  const int bw = GetSystemMetrics((w->exStyle & WS_EX_TOOLWINDOW) ? SM_CXSMSIZE : SM_CXSIZE) - 2;
  return RECT{w->Width() - b - 2 - bw, b + 2, w->Width() - b - 2, b + ch - 3};
}

// The sizing or moving loop of SC_SIZE / SC_MOVE: the window follows the pointer until the button
// is released; Escape puts it back.
void MoveSizeLoop(HWND hwnd, int hit) {
  Window* w = Find(hwnd);
  if (!w) return;
  const RECT start = w->rect;
  POINT startPt;
  GetCursorPos(&startPt);
  SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  SetCapture(hwnd);
  while (GetCapture() == hwnd) {
    MSG m;
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(int(m.wParam));
      break;
    }
    if (m.message == WM_LBUTTONUP) break;
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
      if (Find(hwnd))
        SetWindowPos(hwnd, nullptr, start.left, start.top, start.right - start.left,
                     start.bottom - start.top, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    if (m.message == WM_MOUSEMOVE && m.hwnd == hwnd) {
      if (!(w = Find(hwnd))) break;
      const int dx = m.pt.x - startPt.x, dy = m.pt.y - startPt.y;
      RECT r = start;
      if (hit == HTCAPTION) {
        gdi::OffsetRect(&r, dx, dy);
        SendMessage(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
      } else {
        MINMAXINFO mmi;
        mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
        SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        const bool left = hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT;
        const bool right = hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT;
        const bool top = hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT;
        const bool bottom = hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT;
        if (left) r.left = std::clamp(int(start.left + dx), int(r.right - mmi.ptMaxTrackSize.x), int(r.right - mmi.ptMinTrackSize.x));
        if (right) r.right = std::clamp(int(start.right + dx), int(r.left + mmi.ptMinTrackSize.x), int(r.left + mmi.ptMaxTrackSize.x));
        if (top) r.top = std::clamp(int(start.top + dy), int(r.bottom - mmi.ptMaxTrackSize.y), int(r.bottom - mmi.ptMinTrackSize.y));
        if (bottom) r.bottom = std::clamp(int(start.bottom + dy), int(r.top + mmi.ptMinTrackSize.y), int(r.top + mmi.ptMaxTrackSize.y));
        SendMessage(hwnd, WM_SIZING, WPARAM(hit - HTLEFT + 1), reinterpret_cast<LPARAM>(&r));
      }
      if (Find(hwnd))
        SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      continue;
    }
    if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) continue;
    if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (Find(hwnd)) SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

HWND ncPressed = nullptr;
bool altAlone = false;

void ChangeUiState(Window* w, WORD action, WORD flags) {
  if (!w->uiStateSet) {
    w->uiStateSet = true;
    w->uiState = GetSettings().keyboardCues ? 0 : (UISF_HIDEACCEL | UISF_HIDEFOCUS);
  }
  switch (action) {
    case UIS_SET: w->uiState |= flags; break;
    case UIS_CLEAR: w->uiState &= WORD(~flags); break;
    case UIS_INITIALIZE:
      w->uiState = GetSettings().keyboardCues ? 0 : (UISF_HIDEACCEL | UISF_HIDEFOCUS);
      break;
  }
}

}  // namespace

RECT DefaultClientRect(const Window* w, const RECT& wr) {
  RECT c{wr.left, wr.top, wr.right, wr.bottom};
  const int b = FrameWidth(w->style, w->exStyle);
  gdi::InflateRect(&c, -b, -b);
  if (HasCaption(w->style)) c.top += CaptionHeight(w->exStyle);
  if (w->exStyle & WS_EX_CLIENTEDGE) gdi::InflateRect(&c, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  if (w->exStyle & WS_EX_STATICEDGE) gdi::InflateRect(&c, -1, -1);
  if (w->style & WS_VSCROLL) c.right -= GetSystemMetrics(SM_CXVSCROLL);
  if (w->style & WS_HSCROLL) c.bottom -= GetSystemMetrics(SM_CYHSCROLL);
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}

int DefaultHitTest(Window* w, POINT screenPt) {
  const RECT wr = ScreenRect(w);
  if (!gdi::PtInRect(&wr, screenPt)) return HTNOWHERE;
  const POINT p{screenPt.x - wr.left, screenPt.y - wr.top};
  if (gdi::PtInRect(&w->client, p)) return HTCLIENT;
  const RECT& c = w->client;
  if ((w->style & WS_VSCROLL) && p.x >= c.right && p.x < c.right + GetSystemMetrics(SM_CXVSCROLL) &&
      p.y >= c.top && p.y < c.bottom)
    return HTVSCROLL;
  if ((w->style & WS_HSCROLL) && p.y >= c.bottom && p.y < c.bottom + GetSystemMetrics(SM_CYHSCROLL) &&
      p.x >= c.left && p.x < c.right)
    return HTHSCROLL;
  const int b = FrameWidth(w->style, w->exStyle);
  const int W = w->Width(), H = w->Height();
  const bool inFrame = p.x < b || p.y < b || p.x >= W - b || p.y >= H - b;
  if (inFrame) {
    if (!(w->style & WS_THICKFRAME)) return HTBORDER;
    const int corner = b + GetSystemMetrics(SM_CYSIZE);
    const bool left = p.x < corner, right = p.x >= W - corner;
    const bool top = p.y < corner, bottom = p.y >= H - corner;
    if (p.y < b) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (p.y >= H - b) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    if (p.x < b) return top ? HTTOPLEFT : bottom ? HTBOTTOMLEFT : HTLEFT;
    return top ? HTTOPRIGHT : bottom ? HTBOTTOMRIGHT : HTRIGHT;
  }
  if (HasCaption(w->style) && p.y < b + CaptionHeight(w->exStyle)) {
    if (w->style & WS_SYSMENU) {
      RECT cb = CloseButton(w);
      if (gdi::PtInRect(&cb, p)) return HTCLOSE;
    }
    return HTCAPTION;
  }
  return HTBORDER;
}

}  // namespace detail

using namespace detail;

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  if (!w) return 0;
  Window* parent = w->Child() ? w->parent : nullptr;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
      if (cs && cs->lpszName) w->text = cs->lpszName;
      for (int bar = 0; bar < 2; ++bar) w->sb[bar].shown = (w->style & (bar ? WS_VSCROLL : WS_HSCROLL)) != 0;
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      RECT* r = reinterpret_cast<RECT*>(lParam);  // rgrc[0] leads NCCALCSIZE_PARAMS too
      if (r) *r = DefaultClientRect(w, *r);
      return 0;
    }
    case WM_NCHITTEST:
      return DefaultHitTest(w, PointFromLParam(lParam));
    case WM_SETCURSOR: {
      if (parent && parent != S().desktop &&
          SendMessage(parent->h, WM_SETCURSOR, wParam, lParam))
        return TRUE;
      const int hit = SHORT(LOWORD(uintptr_t(lParam)));
      const UINT mouse = HIWORD(uintptr_t(lParam));
      int id = IDC_ARROW;
      switch (hit) {
        case HTERROR:
          if (mouse == WM_LBUTTONDOWN || mouse == WM_RBUTTONDOWN || mouse == WM_MBUTTONDOWN) MessageBeep(0);
          break;
        case HTCLIENT:
          if (reinterpret_cast<HWND>(wParam) != hwnd) return FALSE;
          if (w->cls->cursor) {
            SetCursor(w->cls->cursor);
            return TRUE;
          }
          return FALSE;
        case HTLEFT: case HTRIGHT: id = IDC_SIZEWE; break;
        case HTTOP: case HTBOTTOM: id = IDC_SIZENS; break;
        case HTTOPLEFT: case HTBOTTOMRIGHT: id = IDC_SIZENWSE; break;
        case HTTOPRIGHT: case HTBOTTOMLEFT: id = IDC_SIZENESW; break;
      }
      SetCursor(LoadCursor(nullptr, id));
      return FALSE;
    }
    case WM_MOUSEACTIVATE:
      if (parent && parent != S().desktop)
        if (LRESULT r = SendMessage(parent->h, WM_MOUSEACTIVATE, wParam, lParam)) return r;
      return MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) SetFocus(hwnd);
      return 0;
    case WM_NCACTIVATE:
      w->ncActive = wParam != 0;
      if (w->Visible()) RedrawWindowRegion(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (!(wp->flags & SWP_NOCLIENTMOVE))
        SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
      if ((w = Find(hwnd)) && !(wp->flags & SWP_NOCLIENTSIZE))
        SendMessage(hwnd, WM_SIZE,
                    (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                    MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
      return 0;
    }
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      if (HasCaption(w->style) && w->Visible())
        RedrawWindowRegion(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
      return TRUE;
    case WM_GETTEXTLENGTH:
      return LRESULT(w->text.size());
    case WM_GETTEXT: {
      if (!wParam || !lParam) return 0;
      const size_t n = std::min(size_t(wParam) - 1, w->text.size());
      std::memcpy(reinterpret_cast<char*>(lParam), w->text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return LRESULT(n);
    }
    case WM_CANCELMODE:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_NCLBUTTONDOWN: {
      const int hit = int(wParam);
      if (hit == HTCAPTION) {
        SendMessage(hwnd, WM_SYSCOMMAND, WPARAM(SC_MOVE) | WPARAM(HTCAPTION), lParam);
      } else if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
        SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | WPARAM(hit - HTLEFT + 1), lParam);
      } else if (hit == HTCLOSE) {
        ncPressed = hwnd;
      } else if (hit == HTVSCROLL || hit == HTHSCROLL) {
        TrackScrollBar(hwnd, hit == HTVSCROLL ? 1 : 0, PointFromLParam(lParam));
      }
      return 0;
    }
    case WM_NCLBUTTONDBLCLK:
      // A quick second press on a scroll bar scrolls again, as the first did.
      if (int(wParam) == HTVSCROLL || int(wParam) == HTHSCROLL)
        TrackScrollBar(hwnd, int(wParam) == HTVSCROLL ? 1 : 0, PointFromLParam(lParam));
      return 0;
    case WM_NCLBUTTONUP:
      if (int(wParam) == HTCLOSE && ncPressed == hwnd) {
        ncPressed = nullptr;
        SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
      }
      ncPressed = nullptr;
      return 0;
    case WM_SYSCOMMAND: {
      const WPARAM cmd = wParam & 0xFFF0;
      if (cmd == SC_CLOSE) {
        SendMessage(hwnd, WM_CLOSE, 0, 0);
      } else if (cmd == SC_MOVE) {
        MoveSizeLoop(hwnd, HTCAPTION);
      } else if (cmd == SC_SIZE) {
        const int edge = int(wParam & 0xF);
        if (edge >= 1 && edge <= 8) MoveSizeLoop(hwnd, HTLEFT + edge - 1);
      }
      return 0;
    }
    case WM_SYSKEYDOWN:
    case WM_KEYDOWN:
      altAlone = msg == WM_SYSKEYDOWN && (wParam == VK_MENU || wParam == VK_F10);
      if (msg == WM_SYSKEYDOWN && wParam == VK_F4 && (uintptr_t(lParam) & (1u << 29))) {
        HWND root = GetAncestor(hwnd, GA_ROOT);
        SendMessage(root, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      // Shift+F10 asks for the focused window's context menu, at no particular point.
      if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
        altAlone = false;
        SendMessage(hwnd, WM_CONTEXTMENU, WPARAM(hwnd), LPARAM(-1));
      }
      return 0;
    case WM_SYSKEYUP:
    case WM_KEYUP:
      // Alt or F10 pressed and released alone opens the keyboard menu; the menu key the
      // context menu.
      if ((wParam == VK_MENU || wParam == VK_F10) && altAlone) {
        altAlone = false;
        SendMessage(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, 0);
      } else if (wParam == VK_APPS) {
        SendMessage(hwnd, WM_CONTEXTMENU, WPARAM(hwnd), LPARAM(-1));
      }
      return 0;
    case WM_RBUTTONUP: {
      POINT p = PointFromLParam(lParam);
      ClientToScreen(hwnd, &p);
      SendMessage(hwnd, WM_CONTEXTMENU, WPARAM(hwnd), MAKELPARAM(p.x, p.y));
      return 0;
    }
    case WM_NCRBUTTONUP:
      SendMessage(hwnd, WM_CONTEXTMENU, WPARAM(hwnd), lParam);
      return 0;
    case WM_SYSCHAR:
      altAlone = false;
      if (uintptr_t(lParam) & (1u << 29))
        SendMessage(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, LPARAM(wParam));
      return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
      if (parent && parent != S().desktop) return SendMessage(parent->h, msg, wParam, lParam);
      return 0;
    case WM_CHANGEUISTATE:
      if (parent && parent != S().desktop) return SendMessage(parent->h, msg, wParam, lParam);
      {
        std::vector<HWND> all{hwnd};
        EnumChildWindows(hwnd, [&](HWND c) {
          all.push_back(c);
          return TRUE;
        });
        for (HWND c : all) SendMessage(c, WM_UPDATEUISTATE, wParam, lParam);
      }
      return 0;
    case WM_UPDATEUISTATE:
      ChangeUiState(w, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_QUERYUISTATE:
      if (!w->uiStateSet) ChangeUiState(w, UIS_INITIALIZE, 0);
      return w->uiState;
    case WM_PAINT:
      DefaultPaint(hwnd);
      return 0;
    case WM_NCPAINT:
      DefaultNcPaint(hwnd, wParam);
      return 0;
    case WM_ERASEBKGND:
      return DefaultErase(hwnd, wParam);
    case WM_PRINT:
      DefaultPrint(hwnd, wParam, lParam);
      return 0;
    case WM_PRINTCLIENT:
      return 0;
  }
  return 0;
}

}  // namespace win
