#include "platform/gdi/objects.h"

#include <array>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace gdi {

namespace {

struct Table {
  std::mutex lock;
  std::unordered_map<const GdiObject*, std::unique_ptr<GdiObject>> objects;
};

Table& table() {
  static Table* t = new Table;  // outlives every static that might still hold a handle
  return *t;
}

}  // namespace

GdiObject* ObjectTable::Add(std::unique_ptr<GdiObject> obj, bool stock) {
  auto& t = table();
  GdiObject* p = obj.get();
  p->stock_ = stock;
  std::lock_guard guard(t.lock);
  t.objects.emplace(p, std::move(obj));
  return p;
}

bool ObjectTable::IsLive(const GdiObject* obj) {
  auto& t = table();
  std::lock_guard guard(t.lock);
  auto it = t.objects.find(obj);
  return it != t.objects.end() && !it->second->deletePending_;
}

void ObjectTable::AddRef(GdiObject* obj) {
  auto& t = table();
  std::lock_guard guard(t.lock);
  ++obj->refs_;
}

void ObjectTable::Release(GdiObject* obj) {
  std::unique_ptr<GdiObject> doomed;
  {
    auto& t = table();
    std::lock_guard guard(t.lock);
    if (--obj->refs_ == 0 && obj->deletePending_) {
      auto it = t.objects.find(obj);
      if (it != t.objects.end()) {
        doomed = std::move(it->second);
        t.objects.erase(it);
      }
    }
  }
}

bool ObjectTable::Delete(GdiObject* obj, bool dc) {
  std::unique_ptr<GdiObject> doomed;
  {
    auto& t = table();
    std::lock_guard guard(t.lock);
    auto it = t.objects.find(obj);
    if (it == t.objects.end() || it->second->deletePending_) return false;
    if ((obj->type_ == OBJ_DC) != dc) return false;
    if (obj->stock_) return true;
    if (obj->refs_ > 0) {
      obj->deletePending_ = true;
      return true;
    }
    doomed = std::move(it->second);
    t.objects.erase(it);
  }
  return true;
}

size_t ObjectTable::Count() {
  auto& t = table();
  std::lock_guard guard(t.lock);
  return t.objects.size();
}

namespace {

template <class T>
T* add(std::unique_ptr<T> obj, bool stock = false) {
  return static_cast<T*>(ObjectTable::Add(std::move(obj), stock));
}

std::unique_ptr<Pen> makePen(int style, int width, COLORREF color) {
  auto p = std::make_unique<Pen>();
  p->style = (style >= PS_SOLID && style <= PS_INSIDEFRAME) ? style : PS_SOLID;
  p->width = width < 0 ? 0 : width;
  p->color = color;
  return p;
}

std::unique_ptr<Brush> makeSolid(COLORREF color) {
  auto b = std::make_unique<Brush>();
  b->style = BS_SOLID;
  b->color = color;
  return b;
}

LOGFONT stockFont(const char* face, int height, int weight, BYTE pitch) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfPitchAndFamily = pitch;
  lf.lfFaceName = face;
  return lf;
}

struct Stock {
  std::array<GdiObject*, STOCK_LAST + 1> objects{};
  Bitmap* defaultBitmap = nullptr;
  Stock() {
    objects[WHITE_BRUSH] = add(makeSolid(RGB(255, 255, 255)), true);
    objects[LTGRAY_BRUSH] = add(makeSolid(RGB(192, 192, 192)), true);
    objects[GRAY_BRUSH] = add(makeSolid(RGB(128, 128, 128)), true);
    objects[DKGRAY_BRUSH] = add(makeSolid(RGB(64, 64, 64)), true);
    objects[BLACK_BRUSH] = add(makeSolid(RGB(0, 0, 0)), true);
    auto hollow = std::make_unique<Brush>();
    hollow->style = BS_NULL;
    objects[NULL_BRUSH] = add(std::move(hollow), true);
    objects[WHITE_PEN] = add(makePen(PS_SOLID, 0, RGB(255, 255, 255)), true);
    objects[BLACK_PEN] = add(makePen(PS_SOLID, 0, RGB(0, 0, 0)), true);
    objects[NULL_PEN] = add(makePen(PS_NULL, 0, 0), true);
    objects[OEM_FIXED_FONT] =
        add(std::make_unique<Font>(stockFont("Courier New", 12, 400, 1)), true);
    objects[ANSI_FIXED_FONT] = objects[OEM_FIXED_FONT];
    objects[SYSTEM_FIXED_FONT] = objects[OEM_FIXED_FONT];
    objects[ANSI_VAR_FONT] =
        add(std::make_unique<Font>(stockFont("MS Sans Serif", 13, 400, 2)), true);
    objects[SYSTEM_FONT] = add(std::make_unique<Font>(stockFont("System", 16, 700, 2)), true);
    objects[DEVICE_DEFAULT_FONT] = objects[SYSTEM_FONT];
    objects[DEFAULT_GUI_FONT] =
        add(std::make_unique<Font>(stockFont("MS Shell Dlg", -11, 400, 0)), true);
    defaultBitmap =
        add(std::make_unique<Bitmap>(std::make_shared<Surface>(PixelLayout::Mono1, 1, 1)), true);
  }
};

Stock& stock() {
  static Stock* s = new Stock;
  return *s;
}

}  // namespace

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index > STOCK_LAST) return nullptr;
  return stock().objects[static_cast<size_t>(index)];
}

HBITMAP DefaultBitmap() {
  return stock().defaultBitmap;
}

HPEN CreatePen(int style, int width, COLORREF color) {
  return add(makePen(style, width, color));
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) return nullptr;
  return CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* lb, DWORD, const DWORD*) {
  if (!lb) return nullptr;
  const bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
  if (!geometric && width != 1) return nullptr;  // cosmetic pens are one pixel wide
  if (lb->lbStyle != BS_SOLID && lb->lbStyle != BS_NULL) return nullptr;
  auto p = makePen(static_cast<int>(style & PS_STYLE_MASK), static_cast<int>(width), lb->lbColor);
  if (lb->lbStyle == BS_NULL) p->style = PS_NULL;
  p->geometric = geometric;
  p->endCap = static_cast<int>(style & PS_ENDCAP_MASK);
  p->join = static_cast<int>(style & PS_JOIN_MASK);
  return add(std::move(p));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return add(makeSolid(color));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto b = std::make_unique<Brush>();
  b->style = BS_HATCHED;
  b->hatch = hatch;
  b->color = color;
  return add(std::move(b));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  Bitmap* bmp = Live<Bitmap>(bitmap);
  if (!bmp || bmp->surface->Width() == 0 || bmp->surface->Height() == 0) return nullptr;
  const Surface& src = *bmp->surface;
  auto copy = std::make_shared<Surface>(src.Layout(), src.Width(), src.Height());
  for (int y = 0; y < src.Height(); ++y)
    std::memcpy(copy->Row(y), src.Row(y), static_cast<size_t>(src.Stride()));
  auto b = std::make_unique<Brush>();
  b->style = BS_PATTERN;
  b->pattern = std::move(copy);
  return add(std::move(b));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID:
      return CreateSolidBrush(lb->lbColor);
    case BS_NULL:
      return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case BS_HATCHED:
      return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN:
      return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    default:
      return nullptr;
  }
}

HBRUSH GetSysColorBrush(int index) {
  static std::mutex lock;
  static std::array<Brush*, COLOR_COUNT> brushes{};
  if (index < 0 || index >= COLOR_COUNT) return nullptr;
  std::lock_guard guard(lock);
  auto& slot = brushes[static_cast<size_t>(index)];
  if (!slot) {
    auto b = std::make_unique<Brush>();
    b->sysColorIndex = index;
    slot = add(std::move(b), true);
  }
  return slot;
}

HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  return add(std::make_unique<Font>(*lf));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = BYTE(italic != 0);
  lf.lfUnderline = BYTE(underline != 0);
  lf.lfStrikeOut = BYTE(strikeOut != 0);
  lf.lfCharSet = BYTE(charSet);
  lf.lfOutPrecision = BYTE(outPrecision);
  lf.lfClipPrecision = BYTE(clipPrecision);
  lf.lfQuality = BYTE(quality);
  lf.lfPitchAndFamily = BYTE(pitchAndFamily);
  lf.lfFaceName = face ? face : "";
  return CreateFontIndirect(&lf);
}

BOOL DeleteObject(HGDIOBJ obj) {
  return ObjectTable::Delete(obj, false) ? TRUE : FALSE;
}

namespace {
thread_local int tFailBitmaps = 0;
thread_local int tFailMemDCs = 0;
int* FailCounter(ObjType type) {
  if (type == OBJ_BITMAP) return &tFailBitmaps;
  if (type == OBJ_MEMDC) return &tFailMemDCs;
  return nullptr;
}
}  // namespace

void FailNextCreations(ObjType type, int count) {
  if (int* n = FailCounter(type)) *n = count;
}

bool detail::CreationFails(ObjType type) {
  int* n = FailCounter(type);
  if (!n || *n <= 0) return false;
  --*n;
  return true;
}

int GetObjectType(HGDIOBJ obj) {
  if (!obj || !ObjectTable::IsLive(obj)) return 0;
  if (auto* p = dynamic_cast<Pen*>(obj); p && p->geometric) return OBJ_EXTPEN;
  return obj->Type();
}

BOOL GetBitmapInfo(HBITMAP h, BITMAP* out) {
  Bitmap* b = Live<Bitmap>(h);
  if (!b || !out) return FALSE;
  const Surface& s = *b->surface;
  out->bmType = 0;
  out->bmWidth = s.Width();
  out->bmHeight = s.Height();
  out->bmWidthBytes = s.Stride();
  out->bmPlanes = 1;
  out->bmBitsPixel = static_cast<WORD>(s.BitsPerPixel());
  out->bmBits = b->dibSection ? b->surface->Bits() : nullptr;
  return TRUE;
}

BOOL GetPenInfo(HPEN h, LOGPEN* out) {
  Pen* p = Live<Pen>(h);
  if (!p || !out) return FALSE;
  out->lopnStyle = static_cast<UINT>(p->style);
  out->lopnWidth = POINT{p->width, 0};
  out->lopnColor = p->color;
  return TRUE;
}

BOOL GetBrushInfo(HBRUSH h, LOGBRUSH* out) {
  Brush* b = Live<Brush>(h);
  if (!b || !out) return FALSE;
  out->lbStyle = b->style;
  out->lbColor = b->Color();
  out->lbHatch = static_cast<uintptr_t>(b->hatch);
  return TRUE;
}

BOOL GetFontInfo(HFONT h, LOGFONT* out) {
  Font* f = Live<Font>(h);
  if (!f || !out) return FALSE;
  *out = f->logfont;
  return TRUE;
}

int GetObject(HGDIOBJ obj, int size, void* out) {
  if (!obj || !out || size <= 0 || !ObjectTable::IsLive(obj)) return 0;
  switch (obj->Type()) {
    case OBJ_BITMAP:
      if (size < static_cast<int>(sizeof(BITMAP))) return 0;
      return GetBitmapInfo(static_cast<HBITMAP>(obj), static_cast<BITMAP*>(out))
                 ? static_cast<int>(sizeof(BITMAP))
                 : 0;
    case OBJ_PEN:
      if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
      return GetPenInfo(static_cast<HPEN>(obj), static_cast<LOGPEN*>(out))
                 ? static_cast<int>(sizeof(LOGPEN))
                 : 0;
    case OBJ_BRUSH:
      if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
      return GetBrushInfo(static_cast<HBRUSH>(obj), static_cast<LOGBRUSH*>(out))
                 ? static_cast<int>(sizeof(LOGBRUSH))
                 : 0;
    case OBJ_FONT:
      if (size < static_cast<int>(sizeof(LOGFONT))) return 0;
      return GetFontInfo(static_cast<HFONT>(obj), static_cast<LOGFONT*>(out))
                 ? static_cast<int>(sizeof(LOGFONT))
                 : 0;
    default:
      return 0;
  }
}

}  // namespace gdi
