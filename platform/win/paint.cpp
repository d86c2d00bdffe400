#include "platform/win/paint.h"

#include <algorithm>
#include <functional>

#include "platform/win/message.h"
#include "platform/win/state.h"

namespace win {
namespace detail {

namespace {

using gdi::Region;
using gdi::RegionOp;

Region WindowArea(const Window* w) {
  Region r(ScreenRect(w));
  if (w->region) {
    Region shape = *w->region;
    POINT o = WindowOrigin(w);
    shape.Offset(o.x, o.y);
    r = Region::Combine(r, shape, RegionOp::And);
  }
  return r;
}

void AddUpdate(Window* w, const Region& windowCoords, bool erase, bool frame) {
  if (windowCoords.Empty()) return;
  w->update = Region::Combine(w->update, windowCoords, RegionOp::Or);
  if (erase) w->erase = true;
  if (frame) w->ncPaint = true;
  // What is drawn here anew under a transparent sibling must be drawn over by it again.
  if (!w->parent || !w->Child() || (w->exStyle & WS_EX_TRANSPARENT)) return;
  const POINT o = WindowOrigin(w);
  Region screen = windowCoords;
  screen.Offset(o.x, o.y);
  for (Window* sib : w->parent->children) {
    if (sib == w) break;
    if (!sib->Visible() || !sib->Child() || !(sib->exStyle & WS_EX_TRANSPARENT)) continue;
    Region part = Region::Combine(screen, Region(ScreenRect(sib)), RegionOp::And);
    if (part.Empty()) continue;
    const POINT so = WindowOrigin(sib);
    part.Offset(-so.x, -so.y);
    AddUpdate(sib, part, erase, false);
  }
}

void ForEach(Window* w, const std::function<void(Window*)>& fn) {
  fn(w);
  for (Window* c : std::vector<Window*>(w->children)) ForEach(c, fn);
}

bool IsLockedOut(const Window* w) {
  const System& s = S();
  Window* l = Find(s.locked);
  return l && (l == s.desktop || IsDescendant(l, w));
}

}  // namespace

Region VisibleRegion(HWND h, bool clientOnly, bool clipChildren) {
  System& s = S();
  Window* w = Find(h);
  if (!w || !IsVisibleChain(w)) return {};
  Region r = clientOnly ? Region(ScreenClientRect(w)) : Region(ScreenRect(w));
  if (w->region) r = Region::Combine(r, WindowArea(w), RegionOp::And);
  for (Window* cur = w; cur->parent; cur = cur->parent) {
    Window* p = cur->parent;
    if (p == s.desktop) {
      if (cur->layered) break;  // drawn into its own surface: nothing above it clips it
      r = r.Intersected(RECT{0, 0, s.screen->Width(), s.screen->Height()});
    } else {
      r = r.Intersected(ScreenClientRect(p));
      if (p->region) r = Region::Combine(r, WindowArea(p), RegionOp::And);
    }
    for (Window* sib : p->children) {
      if (sib == cur) break;
      if (!sib->Visible() || (p == s.desktop && sib->layered)) continue;
      // A transparent sibling above lets this one show through it.
      if (sib->Child() && (sib->exStyle & WS_EX_TRANSPARENT)) continue;
      r = Region::Combine(r, WindowArea(sib), RegionOp::Diff);
    }
    if (r.Empty()) return r;
  }
  if (clipChildren)
    for (Window* c : w->children)
      if (c->Visible()) r = Region::Combine(r, WindowArea(c), RegionOp::Diff);
  return r;
}

void InvalidateScreenArea(const Region& area, const Window* except) {
  if (area.Empty()) return;
  System& s = S();
  ForEach(s.desktop, [&](Window* w) {
    if (except && IsDescendant(except, w)) return;
    if (!IsVisibleChain(w)) return;
    if (Window* top = TopLevel(w); top && top != s.desktop && top->layered) return;
    Region part = Region::Combine(VisibleRegion(w->h, false, (w->style & WS_CLIPCHILDREN) != 0),
                                  area, RegionOp::And);
    if (part.Empty()) return;
    POINT o = WindowOrigin(w);
    part.Offset(-o.x, -o.y);
    AddUpdate(w, part, true, true);
  });
}

void InvalidateWhole(Window* w, bool children) {
  AddUpdate(w, Region(RECT{0, 0, w->Width(), w->Height()}), true, true);
  if (w->Width() == 0 || w->Height() == 0) w->ncPaint = true;
  if (children)
    for (Window* c : w->children)
      if (c->Visible()) InvalidateWhole(c, true);
}

void MarkDirty(const RECT& r) {
  System& s = S();
  RECT screen{0, 0, s.screen->Width(), s.screen->Height()};
  RECT clipped;
  if (!gdi::IntersectRect(&clipped, &r, &screen)) return;
  s.dirty.Add(clipped);
}

void ResizeLayer(Window* w) {
  if (!w->layered || w->Child()) {
    w->layer.reset();
    return;
  }
  const int cx = std::max(1, w->Width()), cy = std::max(1, w->Height());
  if (w->layer && w->layer->Width() == cx && w->layer->Height() == cy) return;
  auto layer = std::make_shared<gdi::Surface>(gdi::PixelLayout::Device32, cx, cy);
  if (w->layer) {
    for (int y = 0; y < std::min(cy, w->layer->Height()); ++y)
      for (int x = 0; x < std::min(cx, w->layer->Width()); ++x)
        layer->Set(x, y, w->layer->Get(x, y));
  }
  w->layer = std::move(layer);
}

Window* NextPaintWindow(HWND filter) {
  System& s = S();
  Window* root = filter ? Find(filter) : s.desktop;
  if (!root) return nullptr;
  Window* found = nullptr;
  std::function<bool(Window*)> visit = [&](Window* w) {
    if (!w->Visible()) return false;
    if (w->layerUpdated) {
      // Its image comes from UpdateLayeredWindow, never from painting.
      w->update = gdi::Region();
      w->internalPaint = false;
    }
    if ((!w->update.Empty() || w->internalPaint) && !IsLockedOut(w)) {
      found = w;
      return true;
    }
    // Transparent children paint after their siblings, over what those drew.
    for (Window* c : w->children)
      if (!(c->exStyle & WS_EX_TRANSPARENT) && visit(c)) return true;
    for (Window* c : w->children)
      if ((c->exStyle & WS_EX_TRANSPARENT) && visit(c)) return true;
    return false;
  };
  if (!IsVisibleChain(root)) return nullptr;
  visit(root);
  return found;
}

// Brings the frame up to date inside `area` (screen coordinates, within the screen): the
// windows' pixels with the layered windows blended over them from the bottom of the z-order up.
const gdi::Surface& ComposeArea(const RECT& area) {
  System& s = S();
  gdi::Surface& f = *s.frame;
  const gdi::Surface& base = *s.screen;
  const RECT screen{0, 0, f.Width(), f.Height()};
  RECT a;
  if (!gdi::IntersectRect(&a, &area, &screen)) return f;
  const size_t rowBytes = size_t(a.right - a.left) * 4;
  for (int y = a.top; y < a.bottom; ++y)
    std::copy_n(base.Row(y) + size_t(a.left) * 4, rowBytes, f.Row(y) + size_t(a.left) * 4);
  auto& tops = s.desktop->children;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    Window* w = *it;
    if (!w->layered || !w->layer || !w->Visible()) continue;
    const RECT wr = ScreenRect(w);
    RECT r;
    if (!gdi::IntersectRect(&r, &wr, &a)) continue;
    const uint32_t alpha = w->alpha;
    for (int y = r.top; y < r.bottom; ++y) {
      const int ly = y - wr.top;
      if (ly >= w->layer->Height()) break;
      for (int x = r.left; x < r.right; ++x) {
        const int lx = x - wr.left;
        if (lx >= w->layer->Width()) break;
        if (w->region && !w->region->Contains(lx, ly)) continue;
        const uint32_t src = w->layer->Get(lx, ly), dst = f.Get(x, y);
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
          const uint32_t sc = (src >> shift) & 0xFF, dc = (dst >> shift) & 0xFF;
          out |= ((sc * alpha + dc * (255 - alpha) + 127) / 255) << shift;
        }
        f.Set(x, y, out);
      }
    }
  }
  return f;
}

void PresentIfDirty() {
  System& s = S();
  if (!s.backend) return;
  // A DC still held may have drawn since the last present too.
  for (const auto& [dc, info] : s.dcs) MarkDirty(info.dirty);
  if (s.dirty.Empty()) return;
  const std::vector<RECT> rects = s.dirty.Rects();
  s.dirty.Clear();
  // Only what changed is composed and handed on: the rest of the frame is as last presented.
  for (const RECT& r : rects) ComposeArea(r);
  s.backend->Present(*s.frame, rects);
}

}  // namespace detail

using namespace detail;

namespace {

Region ClientToWindowRegion(Window* w, const RECT* rect, const Region* region) {
  Region r;
  if (region) {
    r = *region;
  } else if (rect) {
    r = Region(*rect);
  } else {
    r = Region(RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top});
    r.Offset(w->client.left, w->client.top);
    return r;
  }
  r = r.Intersected(RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top});
  r.Offset(w->client.left, w->client.top);
  return r;
}

void ValidateWindowArea(Window* w, const Region& windowCoords) {
  w->update = Region::Combine(w->update, windowCoords, gdi::RegionOp::Diff);
  if (w->update.Empty()) {
    w->erase = false;
    w->ncPaint = false;
  }
}

}  // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    for (auto& [k, w] : S().windows) InvalidateWhole(w.get(), false);
    return TRUE;
  }
  return RedrawWindowRegion(hwnd, rect, nullptr,
                            UINT(RDW_INVALIDATE) | (erase ? UINT(RDW_ERASE) : 0u));
}

BOOL InvalidateRegion(HWND hwnd, const gdi::Region* region, BOOL erase) {
  return RedrawWindowRegion(hwnd, nullptr, region,
                            UINT(RDW_INVALIDATE) | (erase ? UINT(RDW_ERASE) : 0u));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return RedrawWindowRegion(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRegion(HWND hwnd, const gdi::Region* region) {
  return RedrawWindowRegion(hwnd, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  Region r = w->update.Intersected(w->client);
  r.Offset(-w->client.left, -w->client.top);
  if (rect) *rect = r.Empty() ? RECT{} : r.Box();
  return r.Empty() ? FALSE : TRUE;
}

gdi::Region GetUpdateRegion(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w) return {};
  Region r = w->update.Intersected(w->client);
  r.Offset(-w->client.left, -w->client.top);
  return r;
}

BOOL RedrawWindowRegion(HWND hwnd, const RECT* rect, const gdi::Region* region, UINT flags) {
  Window* w = Find(hwnd ? hwnd : GetDesktopWindow());
  if (!w) return FALSE;
  const bool children =
      (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
  Region area = ClientToWindowRegion(w, rect, region);
  if ((flags & RDW_FRAME) && !rect && !region) area = Region(RECT{0, 0, w->Width(), w->Height()});
  // Screen area, to pass on to the children it covers.
  Region screenArea = area;
  POINT o = WindowOrigin(w);
  screenArea.Offset(o.x, o.y);
  std::function<void(Window*, bool)> apply = [&](Window* x, bool self) {
    Region local = screenArea;
    POINT xo = WindowOrigin(x);
    local.Offset(-xo.x, -xo.y);
    if (!self) local = local.Intersected(RECT{0, 0, x->Width(), x->Height()});
    if (flags & RDW_INVALIDATE) {
      AddUpdate(x, local, (flags & RDW_ERASE) != 0, (flags & RDW_FRAME) != 0 || !self);
      if (flags & RDW_INTERNALPAINT) x->internalPaint = true;
    }
    if (flags & RDW_VALIDATE) {
      ValidateWindowArea(x, local);
      if (flags & RDW_NOINTERNALPAINT) x->internalPaint = false;
      if (flags & RDW_NOERASE) x->erase = false;
      if (flags & RDW_NOFRAME) x->ncPaint = false;
    }
    if (self ? children : true)
      for (Window* c : x->children)
        if (c->Visible() && screenArea.Intersects(ScreenRect(c))) apply(c, false);
  };
  apply(w, true);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    std::vector<HWND> order;
    std::function<void(Window*)> collect = [&](Window* x) {
      order.push_back(x->h);
      if (x == w ? children : true)
        for (Window* c : x->children) collect(c);
    };
    collect(w);
    for (HWND h : order) UpdateWindow(h);
  }
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  if (IsVisibleChain(w) && (!w->update.Empty() || w->internalPaint) && !IsLockedOut(w))
    SendMessage(hwnd, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL LockWindowUpdate(HWND hwnd) {
  System& s = S();
  if (hwnd) {
    if (s.locked || !Find(hwnd)) return FALSE;
    s.locked = hwnd;
    s.lockedDirty = Region();
    RefreshDCs();
    return TRUE;
  }
  if (!s.locked) return FALSE;
  s.locked = nullptr;
  RefreshDCs();
  Region dirty = s.lockedDirty;
  s.lockedDirty = Region();
  InvalidateScreenArea(dirty, nullptr);
  return TRUE;
}

HWND GetLockedWindow() {
  return S().locked;
}

std::shared_ptr<gdi::Surface> ScreenSurface() {
  return S().screen;
}

const gdi::Surface& ComposeScreen() {
  System& s = S();
  return ComposeArea(RECT{0, 0, s.frame->Width(), s.frame->Height()});
}

}  // namespace win
