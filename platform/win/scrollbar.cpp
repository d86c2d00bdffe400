#include "platform/win/scrollbar.h"

#include <algorithm>

#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/settings.h"
#include "platform/win/state.h"

namespace win {
namespace detail {

bool Scrollable(const ScrollBarState& sb) {
  const int64_t range = int64_t(sb.max) - sb.min + 1;
  return range > 1 && (sb.page == 0 || int64_t(sb.page) < range);
}

namespace {

DWORD StyleBit(int bar) { return bar == SB_VERT ? DWORD(WS_VSCROLL) : DWORD(WS_HSCROLL); }

void SetShown(Window* w, int bar, bool show) {
  const DWORD bit = StyleBit(bar);
  if (bool(w->style & bit) == show) return;
  if (show) w->style |= bit;
  else w->style &= ~bit;
  w->sb[bar].shown = show;
  SetWindowPos(w->h, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RedrawBar(Window* w, int bar) {
  if (!IsVisibleChain(w)) return;
  // Drawn at once: the bar lies outside the client area, so an invalidation of it would not be
  // painted, and invalidating the whole frame would never settle for a window that sets its
  // bars while it paints.
  HDC dc = GetWindowDC(w->h);
  if (!dc) return;
  PaintScrollBar(dc, w, bar);
  ReleaseDC(w->h, dc);
}

int ClampPos(const ScrollBarState& sb, int pos) {
  const int top = sb.max - std::max(int(sb.page) - 1, 0);
  return std::clamp(pos, sb.min, std::max(sb.min, top));
}

int Send(HWND h, int bar, int code, int pos) {
  return int(SendMessage(h, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), 0));
}

}  // namespace

bool GetScrollLayout(const Window* w, int bar, ScrollLayout* out) {
  if (!(w->style & StyleBit(bar))) return false;
  const RECT& c = w->client;
  const bool vert = bar == SB_VERT;
  RECT r = vert ? RECT{c.right, c.top, c.right + GetSystemMetrics(SM_CXVSCROLL), c.bottom}
                : RECT{c.left, c.bottom, c.right, c.bottom + GetSystemMetrics(SM_CYHSCROLL)};
  out->bar = r;
  const int len = vert ? r.Height() : r.Width();
  const int arrow = std::min(vert ? r.Width() : r.Height(), len / 2);
  out->arrow1 = out->arrow2 = r;
  if (vert) {
    out->arrow1.bottom = r.top + arrow;
    out->arrow2.top = r.bottom - arrow;
  } else {
    out->arrow1.right = r.left + arrow;
    out->arrow2.left = r.right - arrow;
  }
  out->thumb = RECT{};
  const ScrollBarState& sb = w->sb[bar];
  const int64_t range = int64_t(sb.max) - sb.min + 1;
  const int track = len - 2 * arrow;
  if (sb.disabled || !Scrollable(sb) || track <= 8) return true;
  const int thumb = std::max(8, sb.page ? int(int64_t(track) * sb.page / range) : arrow);
  const int64_t span = std::max<int64_t>(1, range - std::max<int64_t>(1, sb.page));
  const int pos = int(int64_t(track - thumb) * (sb.pos - sb.min) / span);
  out->thumb = r;
  if (vert) {
    out->thumb.top = r.top + arrow + pos;
    out->thumb.bottom = out->thumb.top + thumb;
  } else {
    out->thumb.left = r.left + arrow + pos;
    out->thumb.right = out->thumb.left + thumb;
  }
  return true;
}

void TrackScrollBar(HWND h, int bar, POINT screenPt) {
  Window* w = Find(h);
  ScrollLayout l;
  if (!w || !GetScrollLayout(w, bar, &l) || w->sb[bar].disabled) return;
  const POINT o = WindowOrigin(w);
  const POINT p{screenPt.x - o.x, screenPt.y - o.y};
  const bool vert = bar == SB_VERT;
  int code = -1;
  if (gdi::PtInRect(&l.arrow1, p)) code = SB_LINEUP;
  else if (gdi::PtInRect(&l.arrow2, p)) code = SB_LINEDOWN;
  else if (!gdi::IsRectEmpty(&l.thumb) && gdi::PtInRect(&l.thumb, p)) code = SB_THUMBTRACK;
  else if (!gdi::IsRectEmpty(&l.thumb)) code = (vert ? p.y < l.thumb.top : p.x < l.thumb.left) ? SB_PAGEUP : SB_PAGEDOWN;
  if (code < 0) return;
  if (code != SB_THUMBTRACK) Send(h, bar, code, 0);
  // Until the button comes up: the thumb follows the pointer.
  const int grab = vert ? p.y - l.thumb.top : p.x - l.thumb.left;
  int trackPos = w->sb[bar].pos;
  SetCapture(h);
  while (GetCapture() == h) {
    MSG m;
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(int(m.wParam));
      break;
    }
    if (m.message == WM_LBUTTONUP) break;
    if (m.message == WM_MOUSEMOVE && code == SB_THUMBTRACK) {
      if (!(w = Find(h))) break;
      GetScrollLayout(w, bar, &l);
      const ScrollBarState& sb = w->sb[bar];
      const int start = vert ? l.arrow1.bottom : l.arrow1.right;
      const int thumbLen = vert ? l.thumb.Height() : l.thumb.Width();
      const int track = (vert ? l.arrow2.top : l.arrow2.left) - start - thumbLen;
      const int at = (vert ? m.pt.y - o.y : m.pt.x - o.x) - grab - start;
      const int64_t span = int64_t(sb.max) - sb.min + 1 - std::max<int64_t>(1, sb.page);
      trackPos = ClampPos(sb, sb.min + (track > 0 ? int(span * std::clamp(at, 0, track) / track) : 0));
      w->sb[bar].trackPos = trackPos;
      Send(h, bar, SB_THUMBTRACK, trackPos);
      continue;
    }
    if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) continue;
    if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) continue;
    DispatchMessage(&m);
  }
  if (GetCapture() == h) ReleaseCapture();
  if (!Find(h)) return;
  if (code == SB_THUMBTRACK) Send(h, bar, SB_THUMBPOSITION, trackPos);
  if (Find(h)) Send(h, bar, SB_ENDSCROLL, 0);
}

}  // namespace detail

using namespace detail;

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  Window* w = Find(hwnd);
  if (!w || !info || (bar != SB_HORZ && bar != SB_VERT)) return 0;
  ScrollBarState& sb = w->sb[bar];
  if (info->fMask & SIF_RANGE) {
    sb.min = info->nMin;
    sb.max = std::max(info->nMin, info->nMax);
  }
  if (info->fMask & SIF_PAGE) sb.page = info->nPage;
  const int64_t range = int64_t(sb.max) - sb.min + 1;
  if (int64_t(sb.page) > range) sb.page = UINT(range);
  if (info->fMask & SIF_POS) sb.pos = info->nPos;
  sb.pos = ClampPos(sb, sb.pos);
  const int pos = sb.pos;
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
    const bool scrollable = Scrollable(sb);
    if (info->fMask & SIF_DISABLENOSCROLL) {
      sb.disabled = !scrollable;
      if (scrollable) SetShown(w, bar, true);
    } else {
      sb.disabled = false;
      SetShown(w, bar, scrollable);
    }
  }
  if (redraw && (w = Find(hwnd))) RedrawBar(w, bar);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  Window* w = Find(hwnd);
  if (!w || !info || (bar != SB_HORZ && bar != SB_VERT)) return FALSE;
  const ScrollBarState& sb = w->sb[bar];
  if (info->fMask & SIF_RANGE) {
    info->nMin = sb.min;
    info->nMax = sb.max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = sb.page;
  if (info->fMask & SIF_POS) info->nPos = sb.pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = sb.trackPos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  const int old = GetScrollPos(hwnd, bar);
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  SCROLLINFO si;
  si.fMask = SIF_POS;
  return GetScrollInfo(hwnd, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = min;
  si.nMax = max;
  return Find(hwnd) ? (SetScrollInfo(hwnd, bar, &si, redraw), TRUE) : FALSE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  if (!GetScrollInfo(hwnd, bar, &si)) return FALSE;
  if (min) *min = si.nMin;
  if (max) *max = si.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  if (bar == SB_HORZ || bar == SB_BOTH) SetShown(w, SB_HORZ, show);
  if ((w = Find(hwnd)) && (bar == SB_VERT || bar == SB_BOTH)) SetShown(w, SB_VERT, show);
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  for (int b = 0; b < 2; ++b)
    if (bar == UINT(b) || bar == SB_BOTH) {
      w->sb[b].disabled = arrows == ESB_DISABLE_BOTH;
      RedrawBar(w, b);
    }
  return TRUE;
}

}  // namespace win
