#include "platform/gdi/dc.h"

#include <cstdio>

#include "platform/gdi/metafile.h"
#include "platform/gdi/raster.h"

namespace gdi {

namespace {

constexpr LONG kHuge = 1 << 30;
const RECT kEverything{-kHuge, -kHuge, kHuge, kHuge};

// A recorded clip region played back: moved with the picture and kept within the playback's
// bounds.
void PlayClip(HDC t, const MetaPlay& play, GdiObject* kept, int mode) {
  HRGN moved = nullptr;
  if (const auto* r = dynamic_cast<const Rgn*>(kept)) {
    Region region = r->region;
    region.Offset(play.at.x, play.at.y);
    moved = CreateRegion(region);
  }
  ExtSelectClipRgn(t, moved, mode);
  if (moved) DeleteObject(moved);
  HRGN base = CreateRegion(play.base);
  ExtSelectClipRgn(t, base, RGN_AND);
  DeleteObject(base);
}

}  // namespace

DC::DC(std::shared_ptr<Surface> surface, POINT origin, bool isMemory)
    : GdiObject(OBJ_DC), memory(isMemory), surface_(std::move(surface)), origin_(origin) {
  state.pen = ObjRef<Pen>(static_cast<HPEN>(GetStockObject(BLACK_PEN)));
  state.brush = ObjRef<Brush>(static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  state.font = ObjRef<Font>(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
}

DC::~DC() {
  if (state.bitmap && state.bitmap->selectedInto == this) state.bitmap->selectedInto = nullptr;
}

void DC::SetTarget(std::shared_ptr<Surface> s) {
  surface_ = std::move(s);
  clipValid_ = false;
}

void DC::SetOrigin(POINT p) {
  origin_ = p;
  clipValid_ = false;
}

void DC::SetSystemClip(std::optional<Region> r) {
  sysClip_ = std::move(r);
  clipValid_ = false;
}

const Region& DC::Clip() {
  if (!clipValid_) {
    Region r(RECT{0, 0, surface_ ? surface_->Width() : 0, surface_ ? surface_->Height() : 0});
    if (sysClip_) r = Region::Combine(r, *sysClip_, RegionOp::And);
    if (state.clip) {
      Region c = *state.clip;
      c.Offset(origin_.x, origin_.y);
      r = Region::Combine(r, c, RegionOp::And);
    }
    clip_ = std::move(r);
    clipValid_ = true;
  }
  return clip_;
}

void DC::Record(const char* fmt, ...) {
  if (!log) return;
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  log->emplace_back(buf);
}

DC* LiveDC(HDC h) {
  return Live<DC>(h);
}

HDC CreateCompatibleDC(HDC) {
  if (detail::CreationFails(OBJ_MEMDC)) return nullptr;
  HBITMAP def = DefaultBitmap();
  auto dc = std::make_unique<DC>(def->surface, POINT{}, true);
  dc->state.bitmap = ObjRef<Bitmap>(def);
  return static_cast<HDC>(ObjectTable::Add(std::move(dc)));
}

BOOL DeleteDC(HDC hdc) {
  detail::ForgetMetaFileDC(hdc);
  if (!LiveDC(hdc)) return FALSE;
  return ObjectTable::Delete(hdc, true) ? TRUE : FALSE;
}

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, const Region* visible) {
  if (!surface) return nullptr;
  auto dc = std::make_unique<DC>(std::move(surface), origin, false);
  if (visible) dc->SetSystemClip(*visible);
  return static_cast<HDC>(ObjectTable::Add(std::move(dc)));
}

BOOL SetSurfaceDCOrigin(HDC hdc, POINT origin) {
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  dc->SetOrigin(origin);
  return TRUE;
}

BOOL SetSurfaceDCVisibleRegion(HDC hdc, const Region* visible) {
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  dc->SetSystemClip(visible ? std::optional<Region>(*visible) : std::nullopt);
  return TRUE;
}

HDC CreateRecordingDC(int width, int height) {
  auto surface = std::make_shared<Surface>(PixelLayout::Device32, width, height);
  auto bmp = static_cast<HBITMAP>(ObjectTable::Add(std::make_unique<Bitmap>(surface)));
  HDC hdc = CreateCompatibleDC(nullptr);
  SelectObject(hdc, bmp);
  DeleteObject(bmp);  // lives while selected
  hdc->log = std::make_unique<std::vector<std::string>>();
  return hdc;
}

std::vector<std::string> GetDCLog(HDC hdc) {
  DC* dc = LiveDC(hdc);
  if (!dc || !dc->log) return {};
  return *dc->log;
}

void ClearDCLog(HDC hdc) {
  DC* dc = LiveDC(hdc);
  if (dc && dc->log) dc->log->clear();
}

namespace {

// Puts a bitmap into a memory DC's current state, keeping the one-DC-per-bitmap rule.
bool selectBitmap(DC* dc, Bitmap* bmp) {
  if (!dc->memory) return false;
  if (bmp->selectedInto && bmp->selectedInto != dc) return false;
  if (dc->state.bitmap && dc->state.bitmap->selectedInto == dc)
    dc->state.bitmap->selectedInto = nullptr;
  dc->state.bitmap = ObjRef<Bitmap>(bmp);
  if (!bmp->IsStock()) bmp->selectedInto = dc;
  dc->SetTarget(bmp->surface);
  return true;
}

}  // namespace

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  DC* dc = LiveDC(hdc);
  if (!dc || !obj || !ObjectTable::IsLive(obj)) return nullptr;
  const int type = obj->Type();
  if (type == OBJ_PEN || type == OBJ_BRUSH || type == OBJ_FONT) {
    // A copy: the picture keeps its pens however long it outlives them.
    detail::MetaScope meta(hdc, [&] {
      return MetaCall([kept = detail::KeepObject(obj)](HDC t, const MetaPlay&) {
        SelectObject(t, kept.get());
      });
    });
  }
  switch (obj->Type()) {
    case OBJ_PEN: {
      HGDIOBJ old = dc->state.pen.get();
      dc->state.pen = ObjRef<Pen>(static_cast<Pen*>(obj));
      return old;
    }
    case OBJ_BRUSH: {
      HGDIOBJ old = dc->state.brush.get();
      dc->state.brush = ObjRef<Brush>(static_cast<Brush*>(obj));
      return old;
    }
    case OBJ_FONT: {
      HGDIOBJ old = dc->state.font.get();
      dc->state.font = ObjRef<Font>(static_cast<Font*>(obj));
      return old;
    }
    case OBJ_BITMAP: {
      // Keep the old bitmap alive until the return value has been formed.
      ObjRef<Bitmap> old = dc->state.bitmap;
      if (!selectBitmap(dc, static_cast<Bitmap*>(obj))) return nullptr;
      return old.get();
    }
    case OBJ_REGION: {
      const int code = SelectClipRgn(hdc, static_cast<HRGN>(obj));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(code));
    }
    default:
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC hdc, int type) {
  DC* dc = LiveDC(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN:
      return dc->state.pen.get();
    case OBJ_BRUSH:
      return dc->state.brush.get();
    case OBJ_FONT:
      return dc->state.font.get();
    case OBJ_BITMAP:
      return dc->state.bitmap.get();
    default:
      return nullptr;
  }
}

int SaveDC(HDC hdc) {
  detail::MetaScope meta(hdc, &SaveDC);
  DC* dc = LiveDC(hdc);
  if (!dc) return 0;
  dc->saved.push_back(dc->state);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int level) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([=](HDC t, const MetaPlay& play) {
      RestoreDC(t, level > 0 ? level + play.savedLevel : level);
    });
  });
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  const int count = static_cast<int>(dc->saved.size());
  if (level < 0) level = count + 1 + level;
  if (level < 1 || level > count) return FALSE;
  DCState restored = dc->saved[static_cast<size_t>(level - 1)];
  dc->saved.resize(static_cast<size_t>(level - 1));
  Bitmap* bmp = restored.bitmap.get();
  if (dc->memory && bmp && bmp != dc->state.bitmap.get()) {
    if (bmp->selectedInto && bmp->selectedInto != dc) return FALSE;
    selectBitmap(dc, bmp);
  }
  dc->state = std::move(restored);
  dc->ClipChanged();
  return TRUE;
}

namespace {

// Stores a mode of the DC's state and returns the previous one; fail when the DC is unknown or
// the value is refused.
template <class T>
T exchange(HDC hdc, T DCState::*member, T value, T fail, bool valid = true) {
  DC* dc = LiveDC(hdc);
  if (!dc || !valid) return fail;
  T old = dc->state.*member;
  dc->state.*member = value;
  return old;
}

template <class T>
T current(HDC hdc, T DCState::*member, T fail) {
  DC* dc = LiveDC(hdc);
  return dc ? dc->state.*member : fail;
}

}  // namespace

COLORREF SetBkColor(HDC hdc, COLORREF c) {
  detail::MetaScope meta(hdc, &SetBkColor, c);
  return exchange(hdc, &DCState::bkColor, c, CLR_INVALID);
}
COLORREF GetBkColor(HDC hdc) {
  return current(hdc, &DCState::bkColor, CLR_INVALID);
}
COLORREF SetTextColor(HDC hdc, COLORREF c) {
  detail::MetaScope meta(hdc, &SetTextColor, c);
  return exchange(hdc, &DCState::textColor, c, CLR_INVALID);
}
COLORREF GetTextColor(HDC hdc) {
  return current(hdc, &DCState::textColor, CLR_INVALID);
}
int SetBkMode(HDC hdc, int mode) {
  detail::MetaScope meta(hdc, &SetBkMode, mode);
  return exchange(hdc, &DCState::bkMode, mode, 0, mode == TRANSPARENT || mode == OPAQUE);
}
int GetBkMode(HDC hdc) {
  return current(hdc, &DCState::bkMode, 0);
}
int SetROP2(HDC hdc, int rop2) {
  detail::MetaScope meta(hdc, &SetROP2, rop2);
  return exchange(hdc, &DCState::rop2, rop2, 0, rop2 >= R2_BLACK && rop2 <= R2_WHITE);
}
int GetROP2(HDC hdc) {
  return current(hdc, &DCState::rop2, 0);
}
int SetPolyFillMode(HDC hdc, int mode) {
  detail::MetaScope meta(hdc, &SetPolyFillMode, mode);
  return exchange(hdc, &DCState::polyFillMode, mode, 0, mode == ALTERNATE || mode == WINDING);
}
int GetPolyFillMode(HDC hdc) {
  return current(hdc, &DCState::polyFillMode, 0);
}
int SetStretchBltMode(HDC hdc, int mode) {
  detail::MetaScope meta(hdc, &SetStretchBltMode, mode);
  return exchange(hdc, &DCState::stretchMode, mode, 0, mode >= BLACKONWHITE && mode <= HALFTONE);
}
int GetStretchBltMode(HDC hdc) {
  return current(hdc, &DCState::stretchMode, 0);
}
UINT SetTextAlign(HDC hdc, UINT align) {
  detail::MetaScope meta(hdc, &SetTextAlign, align);
  return exchange(hdc, &DCState::textAlign, align, UINT(0xFFFFFFFF));
}
UINT GetTextAlign(HDC hdc) {
  return current(hdc, &DCState::textAlign, UINT(0xFFFFFFFF));
}
int SetTextCharacterExtra(HDC hdc, int extra) {
  detail::MetaScope meta(hdc, &SetTextCharacterExtra, extra);
  return exchange(hdc, &DCState::textCharExtra, extra, int(0x80000000));
}

namespace {

BOOL setPoint(HDC hdc, POINT DCState::*member, int x, int y, POINT* old, bool offset) {
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  POINT& p = dc->state.*member;
  if (old) *old = p;
  p = offset ? POINT{p.x + x, p.y + y} : POINT{x, y};
  return TRUE;
}

BOOL getPoint(HDC hdc, POINT DCState::*member, POINT* out) {
  DC* dc = LiveDC(hdc);
  if (!dc || !out) return FALSE;
  *out = dc->state.*member;
  return TRUE;
}

}  // namespace

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([=](HDC t, const MetaPlay& play) {
      SetViewportOrgEx(t, play.at.x + x, play.at.y + y, nullptr);
    });
  });
  return setPoint(hdc, &DCState::viewportOrg, x, y, old, false);
}
BOOL GetViewportOrgEx(HDC hdc, POINT* out) {
  return getPoint(hdc, &DCState::viewportOrg, out);
}
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  detail::MetaScope meta(hdc, &OffsetViewportOrgEx, dx, dy, static_cast<POINT*>(nullptr));
  return setPoint(hdc, &DCState::viewportOrg, dx, dy, old, true);
}
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old) {
  detail::MetaScope meta(hdc, &SetWindowOrgEx, x, y, static_cast<POINT*>(nullptr));
  return setPoint(hdc, &DCState::windowOrg, x, y, old, false);
}
BOOL GetWindowOrgEx(HDC hdc, POINT* out) {
  return getPoint(hdc, &DCState::windowOrg, out);
}
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* old) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([=](HDC t, const MetaPlay& play) {
      SetBrushOrgEx(t, play.at.x + x, play.at.y + y, nullptr);
    });
  });
  return setPoint(hdc, &DCState::brushOrg, x, y, old, false);
}
BOOL GetBrushOrgEx(HDC hdc, POINT* out) {
  return getPoint(hdc, &DCState::brushOrg, out);
}
BOOL GetCurrentPositionEx(HDC hdc, POINT* out) {
  return getPoint(hdc, &DCState::curPos, out);
}

BOOL LPtoDP(HDC hdc, POINT* pts, int count) {
  DC* dc = LiveDC(hdc);
  if (!dc || (count > 0 && !pts)) return FALSE;
  for (int i = 0; i < count; ++i) pts[i] = POINT{dc->DX(pts[i].x), dc->DY(pts[i].y)};
  return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* pts, int count) {
  DC* dc = LiveDC(hdc);
  if (!dc || (count > 0 && !pts)) return FALSE;
  const POINT w = dc->state.windowOrg, v = dc->state.viewportOrg;
  for (int i = 0; i < count; ++i) pts[i] = POINT{pts[i].x - v.x + w.x, pts[i].y - v.y + w.y};
  return TRUE;
}

namespace {

int clipCode(DC* dc) {
  const Region& r = dc->Clip();
  return r.Complexity();
}

}  // namespace

int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([kept = detail::KeepObject(rgn), mode](HDC t, const MetaPlay& play) {
      PlayClip(t, play, kept.get(), mode);
    });
  });
  DC* dc = LiveDC(hdc);
  if (!dc) return RGN_ERROR;
  Rgn* r = rgn ? Live<Rgn>(rgn) : nullptr;
  if (rgn && !r) return RGN_ERROR;
  if (mode == RGN_COPY) {
    dc->state.clip = r ? std::optional<Region>(r->region) : std::nullopt;
  } else {
    if (!r || mode < RGN_AND || mode > RGN_DIFF) return RGN_ERROR;
    const Region current = dc->state.clip ? *dc->state.clip : Region(kEverything);
    dc->state.clip = Region::Combine(current, r->region, static_cast<RegionOp>(mode));
  }
  dc->ClipChanged();
  return clipCode(dc);
}

int SelectClipRgn(HDC hdc, HRGN rgn) {
  return ExtSelectClipRgn(hdc, rgn, RGN_COPY);
}

namespace {

int combineClipRect(HDC hdc, int left, int top, int right, int bottom, RegionOp op) {
  DC* dc = LiveDC(hdc);
  if (!dc) return RGN_ERROR;
  const Region rect(RECT{dc->DX(left), dc->DY(top), dc->DX(right), dc->DY(bottom)});
  const Region current = dc->state.clip ? *dc->state.clip : Region(kEverything);
  dc->state.clip = Region::Combine(current, rect, op);
  dc->ClipChanged();
  return clipCode(dc);
}

}  // namespace

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  detail::MetaScope meta(hdc, &IntersectClipRect, left, top, right, bottom);
  return combineClipRect(hdc, left, top, right, bottom, RegionOp::And);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  detail::MetaScope meta(hdc, &ExcludeClipRect, left, top, right, bottom);
  return combineClipRect(hdc, left, top, right, bottom, RegionOp::Diff);
}

int OffsetClipRgn(HDC hdc, int dx, int dy) {
  detail::MetaScope meta(hdc, &OffsetClipRgn, dx, dy);
  DC* dc = LiveDC(hdc);
  if (!dc) return RGN_ERROR;
  if (dc->state.clip) {
    dc->state.clip->Offset(dx, dy);
    dc->ClipChanged();
  }
  return clipCode(dc);
}

int GetClipBox(HDC hdc, RECT* out) {
  DC* dc = LiveDC(hdc);
  if (!dc || !out) return RGN_ERROR;
  const Region& clip = dc->Clip();
  RECT box = clip.Box();
  if (!clip.Empty()) {
    const int dx = -dc->Origin().x - dc->state.viewportOrg.x + dc->state.windowOrg.x;
    const int dy = -dc->Origin().y - dc->state.viewportOrg.y + dc->state.windowOrg.y;
    OffsetRect(&box, dx, dy);
  }
  *out = box;
  return clip.Complexity();
}

int GetClipRgn(HDC hdc, HRGN rgn) {
  DC* dc = LiveDC(hdc);
  Rgn* r = Live<Rgn>(rgn);
  if (!dc || !r) return -1;
  if (!dc->state.clip) return 0;
  r->region = *dc->state.clip;
  return 1;
}

BOOL PtVisible(HDC hdc, int x, int y) {
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  const int64_t sx = dc->SX(x), sy = dc->SY(y);
  if (sx < INT32_MIN || sx > INT32_MAX || sy < INT32_MIN || sy > INT32_MAX) return FALSE;
  return dc->Clip().Contains(static_cast<int>(sx), static_cast<int>(sy));
}

BOOL RectVisible(HDC hdc, const RECT* r) {
  DC* dc = LiveDC(hdc);
  if (!dc || !r) return FALSE;
  RECT s = *r;
  OffsetRect(&s, static_cast<int>(dc->SX(0)), static_cast<int>(dc->SY(0)));
  return dc->Clip().Intersects(s);
}

namespace {

bool EmptyBounds(const RECT& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

}  // namespace

UINT SetBoundsRect(HDC hdc, const RECT* r, UINT flags) {
  DC* dc = LiveDC(hdc);
  if (!dc) return 0;
  RECT& b = dc->GatheredBounds();
  const UINT was =
      (EmptyBounds(b) ? DCB_RESET : DCB_SET) | (dc->BoundsEnabled() ? DCB_ENABLE : DCB_DISABLE);
  if (flags & DCB_RESET) b = RECT{};
  if ((flags & DCB_ACCUMULATE) && r) {
    const RECT s{int(dc->SX(r->left)), int(dc->SY(r->top)), int(dc->SX(r->right)),
                 int(dc->SY(r->bottom))};
    AddToBounds(b, s);
  }
  if (flags & DCB_ENABLE) dc->EnableBounds(true);
  if (flags & DCB_DISABLE) dc->EnableBounds(false);
  return was;
}

UINT GetBoundsRect(HDC hdc, RECT* r, UINT flags) {
  DC* dc = LiveDC(hdc);
  if (!dc || !r) return 0;
  RECT& b = dc->GatheredBounds();
  const bool empty = EmptyBounds(b);
  // Surface back to logical coordinates.
  *r = empty ? RECT{}
             : RECT{int(b.left - dc->SX(0)), int(b.top - dc->SY(0)), int(b.right - dc->SX(0)),
                    int(b.bottom - dc->SY(0))};
  if (flags & DCB_RESET) b = RECT{};
  return empty ? DCB_RESET : DCB_SET;
}

int GetDeviceCaps(HDC hdc, int index) {
  DC* dc = LiveDC(hdc);
  if (!dc) return 0;
  switch (index) {
    case HORZRES:
      return dc->Target() ? dc->Target()->Width() : 0;
    case VERTRES:
      return dc->Target() ? dc->Target()->Height() : 0;
    case BITSPIXEL:
      return dc->Target() ? dc->Target()->BitsPerPixel() : 0;
    case PLANES:
      return 1;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return dc->logPixelsY;
    default:
      return 0;
  }
}

void SetDeviceLogPixels(HDC hdc, int dpi) {
  if (DC* dc = LiveDC(hdc); dc && dpi > 0) dc->logPixelsY = dpi;
}

// Regions.

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  // Windows orders the corners of a region rectangle.
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  return static_cast<HRGN>(
      ObjectTable::Add(std::make_unique<Rgn>(Region(RECT{left, top, right, bottom}))));
}

HRGN CreateRectRgnIndirect(const RECT* r) {
  if (!r) return nullptr;
  return CreateRectRgn(r->left, r->top, r->right, r->bottom);
}

HRGN CreateRegion(const Region& r) {
  return static_cast<HRGN>(ObjectTable::Add(std::make_unique<Rgn>(r)));
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
  Rgn* r = Live<Rgn>(rgn);
  if (!r) return FALSE;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  r->region = Region(RECT{left, top, right, bottom});
  return TRUE;
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
  Rgn* d = Live<Rgn>(dst);
  Rgn* ra = Live<Rgn>(a);
  if (!d || !ra || mode < RGN_AND || mode > RGN_COPY) return RGN_ERROR;
  if (mode == RGN_COPY) {
    d->region = ra->region;
  } else {
    Rgn* rb = Live<Rgn>(b);
    if (!rb) return RGN_ERROR;
    d->region = Region::Combine(ra->region, rb->region, static_cast<RegionOp>(mode));
  }
  return d->region.Complexity();
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  Rgn* r = Live<Rgn>(rgn);
  if (!r) return RGN_ERROR;
  r->region.Offset(dx, dy);
  return r->region.Complexity();
}

int GetRgnBox(HRGN rgn, RECT* out) {
  Rgn* r = Live<Rgn>(rgn);
  if (!r || !out) return RGN_ERROR;
  *out = r->region.Box();
  return r->region.Complexity();
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  Rgn* r = Live<Rgn>(rgn);
  return r && r->region.Contains(x, y);
}

BOOL RectInRegion(HRGN rgn, const RECT* rc) {
  Rgn* r = Live<Rgn>(rgn);
  return r && rc && r->region.Intersects(*rc);
}

BOOL EqualRgn(HRGN a, HRGN b) {
  Rgn* ra = Live<Rgn>(a);
  Rgn* rb = Live<Rgn>(b);
  return ra && rb && ra->region == rb->region;
}

const Region* GetRegion(HRGN rgn) {
  Rgn* r = Live<Rgn>(rgn);
  return r ? &r->region : nullptr;
}

}  // namespace gdi
