// Device contexts of windows and the desktop, BeginPaint / EndPaint, default frame and
// background painting, printing, and layered windows.
#include <algorithm>

#include "platform/gdi/gdi.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/scrollbar.h"
#include "platform/win/settings.h"
#include "platform/win/state.h"

namespace win {
namespace detail {

// Standard scroll bar: track, two raised arrow buttons (greyed with nothing to scroll) and the
// raised thumb.
void PaintScrollBar(HDC dc, const Window* w, int bar) {
  ScrollLayout l;
  if (!GetScrollLayout(w, bar, &l)) return;
  gdi::FillRect(dc, &l.bar, gdi::GetSysColorBrush(gdi::COLOR_SCROLLBAR));
  const bool vert = bar == SB_VERT;
  const ScrollBarState& sb = w->sb[bar];
  const UINT inactive = sb.disabled || !Scrollable(sb) ? UINT(gdi::DFCS_INACTIVE) : 0u;
  RECT a1 = l.arrow1, a2 = l.arrow2;
  gdi::DrawFrameControl(dc, &a1, gdi::DFC_SCROLL,
                        (vert ? gdi::DFCS_SCROLLUP : gdi::DFCS_SCROLLLEFT) | inactive);
  gdi::DrawFrameControl(dc, &a2, gdi::DFC_SCROLL,
                        (vert ? gdi::DFCS_SCROLLDOWN : gdi::DFCS_SCROLLRIGHT) | inactive);
  if (l.thumb.right > l.thumb.left && l.thumb.bottom > l.thumb.top) {
    RECT t = l.thumb;
    gdi::DrawEdge(dc, &t, gdi::EDGE_RAISED, gdi::BF_RECT | gdi::BF_MIDDLE);
  }
}

namespace {

using gdi::Region;
using gdi::RegionOp;

bool LockedOut(const Window* w) {
  const System& s = S();
  Window* l = Find(s.locked);
  return l && (l == s.desktop || IsDescendant(l, w));
}

// Where a window DC draws: its surface, the surface point of its device origin, its visible area
// in surface coordinates, and the screen area its drawing may change.
struct Placement {
  std::shared_ptr<gdi::Surface> target;
  POINT origin{};
  Region vis;
  RECT dirty{};
};

// The client or whole-window area of the DC's window as it is now, clipped to what is visible of
// it (and to the DC's extra region).
Placement Place(const System::DcInfo& d) {
  System& s = S();
  Placement p{s.screen};
  Window* w = Find(d.hwnd);
  if (!w) return p;  // the window is gone: the DC draws nowhere
  const bool desktop = w == s.desktop;
  if (desktop) {
    p.vis = Region(RECT{0, 0, s.screen->Width(), s.screen->Height()});
    if (d.clipChildren)
      for (Window* c : w->children)
        if (c->Visible() && !c->layered) p.vis = Region::Combine(p.vis, Region(ScreenRect(c)), RegionOp::Diff);
  } else {
    p.vis = VisibleRegion(w->h, !d.windowArea, d.clipChildren);
  }
  if (d.extra) {
    Region extra = *d.extra;
    const POINT o = WindowOrigin(w);
    extra.Offset(o.x, o.y);
    p.vis = Region::Combine(p.vis, extra, d.extraExclude ? RegionOp::Diff : RegionOp::And);
  }
  if (!d.throughLock && LockedOut(w)) {
    s.lockedDirty = Region::Combine(s.lockedDirty, p.vis, RegionOp::Or);
    p.vis = Region();
  }
  p.origin = desktop ? POINT{0, 0} : d.windowArea ? WindowOrigin(w) : ClientOrigin(w);
  p.dirty = p.vis.Empty() ? RECT{} : p.vis.Box();
  Window* top = desktop ? nullptr : TopLevel(w);
  if (top && top->layered && top->layer) {
    const POINT to = WindowOrigin(top);
    p.origin.x -= to.x;
    p.origin.y -= to.y;
    p.vis.Offset(-to.x, -to.y);
    p.target = top->layer;
    p.dirty = ScreenRect(top);
  }
  return p;
}

// Makes a DC for a window (`extra` in screen coordinates).
HDC MakeDC(Window* w, bool windowArea, bool clipChildren, const Region* extra, bool extraExclude,
           bool throughLock) {
  System::DcInfo d{w->h, RECT{}, windowArea, clipChildren, std::nullopt, extraExclude, throughLock};
  if (extra) {
    d.extra = *extra;
    const POINT o = WindowOrigin(w);
    d.extra->Offset(-o.x, -o.y);
  }
  const Placement p = Place(d);
  d.dirty = p.dirty;
  HDC dc = gdi::CreateSurfaceDC(p.target, p.origin, &p.vis);
  if (dc) S().dcs[dc] = std::move(d);
  return dc;
}

bool ClipsChildren(const Window* w) { return (w->style & WS_CLIPCHILDREN) != 0; }

int FrameWidth(const Window* w) {
  if (w->style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
  if ((w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) return GetSystemMetrics(SM_CXDLGFRAME);
  if (w->style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
  return 0;
}

void Fill(HDC dc, RECT r, int sysColor) {
  if (r.right > r.left && r.bottom > r.top) gdi::FillRect(dc, &r, gdi::GetSysColorBrush(sysColor));
}

void Frame(HDC dc, RECT r, int sysColor) {
  if (r.right > r.left && r.bottom > r.top) gdi::FrameRect(dc, &r, gdi::GetSysColorBrush(sysColor));
}

// A caption's text, indented by an edge, in the (small) caption font and the caption text colour.
void CaptionText(HDC dc, const std::string& text, RECT r, bool small, bool active) {
  r.left += GetSystemMetrics(SM_CXEDGE);
  if (text.empty() || r.right <= r.left) return;
  const NONCLIENTMETRICS& ncm = GetSettings().nonClient;
  gdi::HFONT font = gdi::CreateFontIndirect(small ? &ncm.lfSmCaptionFont : &ncm.lfCaptionFont);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, font);
  const int mode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
  const COLORREF color = gdi::SetTextColor(
      dc, gdi::GetSysColor(active ? gdi::COLOR_CAPTIONTEXT : gdi::COLOR_INACTIVECAPTIONTEXT));
  gdi::DrawText(dc, text, &r,
                gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_END_ELLIPSIS | gdi::DT_NOPREFIX);
  gdi::SetTextColor(dc, color);
  gdi::SetBkMode(dc, mode);
  gdi::SelectObject(dc, old);
  gdi::DeleteObject(font);
}

// Draws the frame of a window in window coordinates on dc.
void PaintFrame(HDC dc, Window* w) {
  const int W = w->Width(), H = w->Height();
  const int b = FrameWidth(w);
  const RECT& c = w->client;
  const bool active = TopLevel(w)->ncActive;
  if (b > 0) {
    RECT all{0, 0, W, H};
    if (b == 1) {
      Frame(dc, all, gdi::COLOR_WINDOWFRAME);
    } else {
      for (int i = 0; i < b; ++i) {
        RECT r{i, i, W - i, H - i};
        Frame(dc, r, i == 0 ? gdi::COLOR_3DDKSHADOW : (active ? gdi::COLOR_ACTIVEBORDER : gdi::COLOR_BTNFACE));
      }
    }
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    const int ch = GetSystemMetrics((w->exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
    RECT cap{b, b, W - b, b + ch - 1};
    Fill(dc, cap, active ? gdi::COLOR_ACTIVECAPTION : gdi::COLOR_INACTIVECAPTION);
    Fill(dc, RECT{b, b + ch - 1, W - b, b + ch}, gdi::COLOR_BTNFACE);
    RECT text = cap;
    if (w->style & WS_SYSMENU) {
      const int bw = GetSystemMetrics((w->exStyle & WS_EX_TOOLWINDOW) ? SM_CXSMSIZE : SM_CXSIZE) - 2;
      RECT close{W - b - 2 - bw, b + 2, W - b - 2, b + ch - 3};
      gdi::DrawFrameControl(dc, &close, gdi::DFC_CAPTION, gdi::DFCS_CAPTIONCLOSE);
      text.right = close.left - 2;
    }
    CaptionText(dc, w->text, text, (w->exStyle & WS_EX_TOOLWINDOW) != 0, active);
  }
  if (w->exStyle & WS_EX_CLIENTEDGE) {
    const int e = GetSystemMetrics(SM_CXEDGE);
    RECT r{c.left - e, c.top - e, c.right + e, c.bottom + e};
    if (w->style & WS_VSCROLL) r.right += GetSystemMetrics(SM_CXVSCROLL);
    if (w->style & WS_HSCROLL) r.bottom += GetSystemMetrics(SM_CYHSCROLL);
    gdi::DrawEdge(dc, &r, gdi::EDGE_SUNKEN, gdi::BF_RECT);
  }
  PaintScrollBar(dc, w, 1);
  PaintScrollBar(dc, w, 0);
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL))
    Fill(dc, RECT{c.right, c.bottom, c.right + GetSystemMetrics(SM_CXVSCROLL),
                  c.bottom + GetSystemMetrics(SM_CYHSCROLL)},
         gdi::COLOR_BTNFACE);
}

}  // namespace

void DefaultPaint(HWND h) {
  const PaintScope paint(h);
}

void DefaultNcPaint(HWND h, WPARAM region) {
  Window* w = Find(h);
  if (!w) return;
  const RECT& c = w->client;
  if (c.left == 0 && c.top == 0 && c.right == w->Width() && c.bottom == w->Height()) return;
  HRGN rgn = region > 1 ? reinterpret_cast<HRGN>(region) : nullptr;
  HDC dc = GetDCEx(h, rgn, DCX_WINDOW | (rgn ? DCX_INTERSECTRGN : 0u));
  gdi::ExcludeClipRect(dc, c.left, c.top, c.right, c.bottom);
  PaintFrame(dc, w);
  ReleaseDC(h, dc);
}

LRESULT DefaultErase(HWND h, WPARAM dcParam) {
  Window* w = Find(h);
  if (!w || !w->cls->background || !dcParam) return 0;
  HDC dc = reinterpret_cast<HDC>(dcParam);
  RECT r;
  GetClientRect(h, &r);
  gdi::FillRect(dc, &r, gdi::GetSysColorBrush(w->cls->background - 1));
  return 1;
}

void DefaultPrint(HWND h, WPARAM dcParam, LPARAM flags) {
  Window* w = Find(h);
  HDC dc = reinterpret_cast<HDC>(dcParam);
  if (!w || !dc) return;
  if ((flags & PRF_CHECKVISIBLE) && !IsVisibleChain(w)) return;
  if (flags & PRF_NONCLIENT) {
    const int saved = gdi::SaveDC(dc);
    gdi::ExcludeClipRect(dc, w->client.left, w->client.top, w->client.right, w->client.bottom);
    PaintFrame(dc, w);
    gdi::RestoreDC(dc, saved);
  }
  const int saved = gdi::SaveDC(dc);
  gdi::OffsetViewportOrgEx(dc, w->client.left, w->client.top, nullptr);
  gdi::IntersectClipRect(dc, 0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top);
  if (flags & PRF_ERASEBKGND) SendMessage(h, WM_ERASEBKGND, dcParam, 0);
  if ((flags & PRF_CLIENT) && Find(h)) SendMessage(h, WM_PRINTCLIENT, dcParam, flags);
  if ((flags & PRF_CHILDREN) && (w = Find(h))) {
    std::vector<Window*> kids(w->children.rbegin(), w->children.rend());  // bottom first
    for (Window* c : kids) {
      if (!c->Visible()) continue;
      const int inner = gdi::SaveDC(dc);
      gdi::OffsetViewportOrgEx(dc, c->rect.left, c->rect.top, nullptr);
      gdi::IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
      SendMessage(c->h, WM_PRINT, dcParam, flags | PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
      gdi::RestoreDC(dc, inner);
    }
  }
  gdi::RestoreDC(dc, saved);
}

}  // namespace detail

using namespace detail;

BOOL DrawCaption(HWND hwnd, HDC dc, const RECT* rect, UINT flags) {
  Window* w = Find(hwnd);
  if (!w || !dc || !rect) return FALSE;
  const bool active = flags & DC_ACTIVE;
  const COLORREF from = gdi::GetSysColor(active ? gdi::COLOR_ACTIVECAPTION : gdi::COLOR_INACTIVECAPTION);
  const COLORREF to = gdi::GetSysColor(active ? gdi::COLOR_GRADIENTACTIVECAPTION
                                              : gdi::COLOR_GRADIENTINACTIVECAPTION);
  if ((flags & DC_GRADIENT) && from != to)
    gdi::GradientFillRect(dc, *rect, from, to, true);
  else
    Fill(dc, *rect, active ? gdi::COLOR_ACTIVECAPTION : gdi::COLOR_INACTIVECAPTION);
  if (flags & DC_TEXT) CaptionText(dc, w->text, *rect, (flags & DC_SMALLCAP) != 0, active);
  return TRUE;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  System& s = S();
  Window* w = hwnd ? Find(hwnd) : s.desktop;
  if (!w) return nullptr;
  const Region* extra = nullptr;
  if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) extra = gdi::GetRegion(clip);
  const bool clipChildren = w == s.desktop ? false : ((flags & DCX_CLIPCHILDREN) || ClipsChildren(w));
  return MakeDC(w, (flags & DCX_WINDOW) != 0, clipChildren, extra, (flags & DCX_EXCLUDERGN) != 0,
                (flags & DCX_LOCKWINDOWUPDATE) != 0);
}

HDC GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, 0); }

HDC GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW); }

int ReleaseDC(HWND, HDC hdc) {
  System& s = S();
  auto it = s.dcs.find(hdc);
  if (it == s.dcs.end()) return 0;
  MarkDirty(it->second.dirty);
  s.dcs.erase(it);
  gdi::DeleteDC(hdc);
  return 1;
}

void detail::RefreshDCs() {
  System& s = S();
  for (auto& [hdc, d] : s.dcs) {
    gdi::DC* dc = gdi::LiveDC(hdc);
    if (!dc) continue;
    Placement p = Place(d);
    dc->SetTarget(std::move(p.target));
    dc->SetOrigin(p.origin);
    dc->SetSystemClip(std::move(p.vis));
    if (gdi::IsRectEmpty(&d.dirty))
      d.dirty = p.dirty;
    else if (!gdi::IsRectEmpty(&p.dirty))
      gdi::UnionRect(&d.dirty, &d.dirty, &p.dirty);
  }
}

HWND WindowFromDC(HDC hdc) {
  auto it = S().dcs.find(hdc);
  return it == S().dcs.end() ? nullptr : it->second.hwnd;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = Find(hwnd);
  if (!w || !ps) return nullptr;
  if (w->ncPaint) {
    w->ncPaint = false;
    Region nc = w->update;
    POINT o = WindowOrigin(w);
    nc.Offset(o.x, o.y);
    HRGN rgn = gdi::CreateRegion(nc);
    SendMessage(hwnd, WM_NCPAINT, WPARAM(reinterpret_cast<uintptr_t>(rgn)), 0);
    gdi::DeleteObject(rgn);
    if (!(w = Find(hwnd))) return nullptr;
  }
  Region paint = w->update.Intersected(w->client);
  const bool erase = w->erase;
  w->update = Region();
  w->erase = false;
  w->internalPaint = false;
  Region screenPaint = paint;
  POINT wo = WindowOrigin(w);
  screenPaint.Offset(wo.x, wo.y);
  HDC dc = MakeDC(w, false, ClipsChildren(w), &screenPaint, false, false);
  ps->hdc = dc;
  paint.Offset(-w->client.left, -w->client.top);
  ps->rcPaint = paint.Empty() ? RECT{} : paint.Box();
  ps->fErase = TRUE;
  if (erase && dc) ps->fErase = SendMessage(hwnd, WM_ERASEBKGND, WPARAM(reinterpret_cast<uintptr_t>(dc)), 0) ? FALSE : TRUE;
  else if (!erase) ps->fErase = FALSE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps || !ps->hdc) return FALSE;
  ReleaseDC(hwnd, ps->hdc);
  return TRUE;
}

BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  if (!rgn) return InvalidateRect(hwnd, nullptr, erase);
  const Region* r = gdi::GetRegion(rgn);
  return r ? InvalidateRegion(hwnd, r, erase) : FALSE;
}

BOOL ValidateRgn(HWND hwnd, HRGN rgn) {
  if (!rgn) return ValidateRect(hwnd, nullptr);
  const Region* r = gdi::GetRegion(rgn);
  return r ? ValidateRegion(hwnd, r) : FALSE;
}

int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL) {
  if (!Find(hwnd) || !gdi::GetRegion(rgn)) return gdi::RGN_ERROR;
  Region r = GetUpdateRegion(hwnd);
  HRGN tmp = gdi::CreateRegion(r);
  gdi::CombineRgn(rgn, tmp, nullptr, gdi::RGN_COPY);
  gdi::DeleteObject(tmp);
  return r.Complexity();
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN rgn, UINT flags) {
  return RedrawWindowRegion(hwnd, rect, rgn ? gdi::GetRegion(rgn) : nullptr, flags);
}

int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw) {
  const Region* r = rgn ? gdi::GetRegion(rgn) : nullptr;
  if (rgn && !r) return 0;
  const int result = SetWindowRegion(hwnd, r, redraw);
  if (rgn && result) gdi::DeleteObject(rgn);  // the window owns the region now
  return result;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF, BYTE alpha, DWORD flags) {
  Window* w = Find(hwnd);
  if (!w || !w->layered) return FALSE;
  if (flags & LWA_ALPHA) w->alpha = alpha;
  w->layerUpdated = false;
  MarkDirty(ScreenRect(w));
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  Window* w = Find(hwnd);
  if (!w || !w->layered) return FALSE;
  if (key) *key = 0;
  if (alpha) *alpha = w->alpha;
  if (flags) *flags = LWA_ALPHA;
  return TRUE;
}

BOOL UpdateLayeredWindow(HWND hwnd, HDC, const POINT* pos, const SIZE* size, HDC src,
                         const POINT* srcPos, COLORREF, const BLENDFUNCTION* blend, DWORD) {
  Window* w = Find(hwnd);
  if (!w || !w->layered || w->Child()) return FALSE;
  if (pos || size) {
    UINT f = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
    if (!pos) f |= SWP_NOMOVE;
    if (!size) f |= SWP_NOSIZE;
    SetWindowPos(hwnd, nullptr, pos ? pos->x : 0, pos ? pos->y : 0, size ? size->cx : 0,
                 size ? size->cy : 0, f);
    if (!(w = Find(hwnd))) return FALSE;
  }
  ResizeLayer(w);
  if (src && w->layer) {
    HDC dst = gdi::CreateSurfaceDC(w->layer, POINT{0, 0}, nullptr);
    gdi::BitBlt(dst, 0, 0, w->layer->Width(), w->layer->Height(), src, srcPos ? srcPos->x : 0,
                srcPos ? srcPos->y : 0, gdi::SRCCOPY);
    gdi::DeleteDC(dst);
  }
  if (blend) w->alpha = blend->SourceConstantAlpha;
  w->layerUpdated = true;
  w->update = Region();
  w->erase = w->ncPaint = w->internalPaint = false;
  MarkDirty(ScreenRect(w));
  return TRUE;
}

}  // namespace win
