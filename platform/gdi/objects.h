#pragma once
// Drawing objects and their handles.
//
// Ownership: every object made by a Create... call is owned by the process-wide object table and
// its handle is a plain pointer to it. DeleteObject frees it; an object that is still selected into
// a device context (or held by a SaveDC state) is freed only when the last of those lets go of it.
// Stock objects are never freed. A handle that is not (or no longer) in the table is refused by
// every call, which then fails as the Windows call would (returns 0/FALSE/nullptr).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/color.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"
#include "platform/gdi/types.h"

namespace gdi {

enum ObjType : int {
  OBJ_PEN = 1,
  OBJ_BRUSH = 2,
  OBJ_DC = 3,
  OBJ_PAL = 5,
  OBJ_FONT = 6,
  OBJ_BITMAP = 7,
  OBJ_REGION = 8,
  OBJ_MEMDC = 10,
  OBJ_EXTPEN = 11,
};

class GdiObject {
 public:
  explicit GdiObject(ObjType type) : type_(type) {}
  virtual ~GdiObject() = default;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ObjType Type() const { return type_; }
  bool IsStock() const { return stock_; }

 private:
  friend struct ObjectTable;
  ObjType type_;
  bool stock_ = false;
  bool deletePending_ = false;
  int refs_ = 0;  // selections into DCs and saved DC states
};

// Pen styles, end caps, joins and types.
enum : int {
  PS_SOLID = 0,
  PS_DASH = 1,
  PS_DOT = 2,
  PS_DASHDOT = 3,
  PS_DASHDOTDOT = 4,
  PS_NULL = 5,
  PS_INSIDEFRAME = 6,
  PS_STYLE_MASK = 0x0000000F,
  PS_ENDCAP_ROUND = 0x00000000,
  PS_ENDCAP_SQUARE = 0x00000100,
  PS_ENDCAP_FLAT = 0x00000200,
  PS_ENDCAP_MASK = 0x00000F00,
  PS_JOIN_ROUND = 0x00000000,
  PS_JOIN_BEVEL = 0x00001000,
  PS_JOIN_MITER = 0x00002000,
  PS_JOIN_MASK = 0x0000F000,
  PS_COSMETIC = 0x00000000,
  PS_GEOMETRIC = 0x00010000,
  PS_TYPE_MASK = 0x000F0000,
};

// Brush styles and hatches.
enum : UINT {
  BS_SOLID = 0,
  BS_NULL = 1,
  BS_HOLLOW = 1,
  BS_HATCHED = 2,
  BS_PATTERN = 3,
};
enum : int {
  HS_HORIZONTAL = 0,
  HS_VERTICAL = 1,
  HS_FDIAGONAL = 2,
  HS_BDIAGONAL = 3,
  HS_CROSS = 4,
  HS_DIAGCROSS = 5,
};

struct LOGPEN {
  UINT lopnStyle = PS_SOLID;
  POINT lopnWidth{};
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  uintptr_t lbHatch = 0;
};

class Pen : public GdiObject {
 public:
  Pen() : GdiObject(OBJ_PEN) {}
  int style = PS_SOLID;  // PS_SOLID .. PS_INSIDEFRAME
  int width = 0;
  COLORREF color = 0;
  int endCap = PS_ENDCAP_ROUND;
  int join = PS_JOIN_ROUND;
  bool geometric = false;
};

class Brush : public GdiObject {
 public:
  Brush() : GdiObject(OBJ_BRUSH) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  int sysColorIndex = -1;  // brushes of GetSysColorBrush follow the table
  int hatch = 0;
  std::shared_ptr<const Surface> pattern;  // a copy of the pattern bitmap (BS_PATTERN)
  COLORREF Color() const { return sysColorIndex >= 0 ? GetSysColor(sysColorIndex) : color; }
};

class DC;
class Bitmap : public GdiObject {
 public:
  explicit Bitmap(std::shared_ptr<Surface> s) : GdiObject(OBJ_BITMAP), surface(std::move(s)) {}
  std::shared_ptr<Surface> surface;
  bool dibSection = false;
  DC* selectedInto = nullptr;  // a bitmap is selected into one memory DC at a time
};

class Rgn : public GdiObject {
 public:
  Rgn() : GdiObject(OBJ_REGION) {}
  explicit Rgn(Region r) : GdiObject(OBJ_REGION), region(std::move(r)) {}
  Region region;
};

struct LOGFONT {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  std::string lfFaceName;
};

class FontFace;  // a realised font (text.cpp)
class Font : public GdiObject {
 public:
  explicit Font(LOGFONT lf) : GdiObject(OBJ_FONT), logfont(std::move(lf)) {}
  LOGFONT logfont;
  std::shared_ptr<FontFace> face;  // made on first use
};

using HGDIOBJ = GdiObject*;
using HPEN = Pen*;
using HBRUSH = Brush*;
using HBITMAP = Bitmap*;
using HRGN = Rgn*;
using HFONT = Font*;
using HDC = DC*;

// The object table (internal to the layer, used by the DC code).
struct ObjectTable {
  static GdiObject* Add(std::unique_ptr<GdiObject> obj, bool stock = false);
  static bool IsLive(const GdiObject* obj);
  static void AddRef(GdiObject* obj);
  static void Release(GdiObject* obj);
  // Frees the object now, or when its last reference goes; stock objects stay. Device contexts
  // are deleted only when dc is true (DeleteDC), other objects only when it is false.
  static bool Delete(GdiObject* obj, bool dc);
  static size_t Count();
};

// Typed lookup: the object when h is live and of type T, else nullptr.
template <class T>
T* Live(GdiObject* h) {
  if (!h || !ObjectTable::IsLive(h)) return nullptr;
  return dynamic_cast<T*>(h);
}

// A counted reference from a DC (or a saved DC state) to a selected object.
template <class T>
class ObjRef {
 public:
  ObjRef() = default;
  explicit ObjRef(T* p) : p_(p) {
    if (p_) ObjectTable::AddRef(p_);
  }
  ObjRef(const ObjRef& o) : ObjRef(o.p_) {}
  ObjRef& operator=(const ObjRef& o) {
    if (this != &o) {
      ObjRef tmp(o);
      std::swap(p_, tmp.p_);
    }
    return *this;
  }
  ~ObjRef() {
    if (p_) ObjectTable::Release(p_);
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// Stock objects.
enum : int {
  WHITE_BRUSH = 0,
  LTGRAY_BRUSH = 1,
  GRAY_BRUSH = 2,
  DKGRAY_BRUSH = 3,
  BLACK_BRUSH = 4,
  NULL_BRUSH = 5,
  HOLLOW_BRUSH = 5,
  WHITE_PEN = 6,
  BLACK_PEN = 7,
  NULL_PEN = 8,
  OEM_FIXED_FONT = 10,
  ANSI_FIXED_FONT = 11,
  ANSI_VAR_FONT = 12,
  SYSTEM_FONT = 13,
  DEVICE_DEFAULT_FONT = 14,
  SYSTEM_FIXED_FONT = 16,
  DEFAULT_GUI_FONT = 17,
  STOCK_LAST = 19,
};
HGDIOBJ GetStockObject(int index);
// The 1 x 1 monochrome bitmap a new memory DC holds.
HBITMAP DefaultBitmap();

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* lp);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* lb, DWORD styleCount,
                  const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// The bitmap's pixels are copied: a monochrome pattern draws its 0 bits in the text colour and
// its 1 bits in the background colour; a colour pattern draws its own colours.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);
HBRUSH GetSysColorBrush(int index);
HFONT CreateFontIndirect(const LOGFONT* lf);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face);

BOOL DeleteObject(HGDIOBJ obj);
int GetObjectType(HGDIOBJ obj);

// For tests of code that must survive a system short of resources: on this thread the next
// `count` creations of compatible bitmaps (OBJ_BITMAP) or memory DCs (OBJ_MEMDC) return null.
void FailNextCreations(ObjType type, int count = 1);
namespace detail {
// True (and one failure used up) when the creation of an object of that type is to fail.
bool CreationFails(ObjType type);
}  // namespace detail

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;  // DIB sections only
};
// Fills a BITMAP, LOGPEN, LOGBRUSH or LOGFONT (by the object's type); returns the bytes written.
int GetObject(HGDIOBJ obj, int size, void* out);
BOOL GetBitmapInfo(HBITMAP bmp, BITMAP* out);
BOOL GetPenInfo(HPEN pen, LOGPEN* out);
BOOL GetBrushInfo(HBRUSH brush, LOGBRUSH* out);
BOOL GetFontInfo(HFONT font, LOGFONT* out);

}  // namespace gdi
