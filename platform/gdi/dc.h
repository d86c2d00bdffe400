#pragma once
// Device contexts. A DC draws onto a Surface: the bitmap selected into a memory DC, or a surface
// it was made for (a window DC is a DC on the screen surface with an origin and the window's
// visible region as its system clip). Logical coordinates map to the surface as
//   surface = logical - window origin + viewport origin + DC origin,
// and everything drawn is clipped to the surface, the system clip and the selected clip region.
#include <cstdarg>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/objects.h"

namespace gdi {

enum : int { TRANSPARENT = 1, OPAQUE = 2 };
enum : int { ALTERNATE = 1, WINDING = 2 };
enum : int {
  R2_BLACK = 1,
  R2_NOTMERGEPEN = 2,
  R2_MASKNOTPEN = 3,
  R2_NOTCOPYPEN = 4,
  R2_MASKPENNOT = 5,
  R2_NOT = 6,
  R2_XORPEN = 7,
  R2_NOTMASKPEN = 8,
  R2_MASKPEN = 9,
  R2_NOTXORPEN = 10,
  R2_NOP = 11,
  R2_MERGENOTPEN = 12,
  R2_COPYPEN = 13,
  R2_MERGEPENNOT = 14,
  R2_MERGEPEN = 15,
  R2_WHITE = 16,
};
enum : UINT {
  TA_NOUPDATECP = 0,
  TA_UPDATECP = 1,
  TA_LEFT = 0,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_TOP = 0,
  TA_BOTTOM = 8,
  TA_BASELINE = 24,
};
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
enum : int { NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3, RGN_ERROR = 0 };
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum : int {
  HORZRES = 8,
  VERTRES = 10,
  BITSPIXEL = 12,
  PLANES = 14,
  LOGPIXELSX = 88,
  LOGPIXELSY = 90,
};

struct DCState {
  ObjRef<Pen> pen;
  ObjRef<Brush> brush;
  ObjRef<Font> font;
  ObjRef<Bitmap> bitmap;  // memory DCs
  COLORREF bkColor = 0xFFFFFF;
  COLORREF textColor = 0;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int polyFillMode = ALTERNATE;
  int stretchMode = BLACKONWHITE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int textCharExtra = 0;
  POINT viewportOrg{};
  POINT windowOrg{};
  POINT brushOrg{};
  POINT curPos{};
  std::optional<Region> clip;  // device coordinates (relative to the DC origin)
};

class DC : public GdiObject {
 public:
  DC(std::shared_ptr<Surface> surface, POINT origin, bool memory);
  ~DC() override;

  DCState state;
  std::vector<DCState> saved;
  bool memory;

  Surface* Target() const { return surface_.get(); }
  const std::shared_ptr<Surface>& TargetPtr() const { return surface_; }
  void SetTarget(std::shared_ptr<Surface> s);
  POINT Origin() const { return origin_; }
  void SetOrigin(POINT p);
  void SetSystemClip(std::optional<Region> r);  // surface coordinates
  const std::optional<Region>& SystemClip() const { return sysClip_; }
  void ClipChanged() { clipValid_ = false; }
  // The effective clip in surface coordinates.
  const Region& Clip();

  // Logical to surface coordinates (64-bit, so far-off coordinates cannot overflow).
  int64_t SX(int64_t x) const { return x - state.windowOrg.x + state.viewportOrg.x + origin_.x; }
  int64_t SY(int64_t y) const { return y - state.windowOrg.y + state.viewportOrg.y + origin_.y; }
  // Logical to device (DC-relative) coordinates.
  int DX(int x) const { return x - state.windowOrg.x + state.viewportOrg.x; }
  int DY(int y) const { return y - state.windowOrg.y + state.viewportOrg.y; }

  int logPixelsY = 96;

  // What was drawn since the bounds were last reset, in surface coordinates (SetBoundsRect);
  // nullptr while the DC does not gather it.
  RECT* Bounds() { return boundsOn_ ? &bounds_ : nullptr; }
  void EnableBounds(bool on) { boundsOn_ = on; }
  bool BoundsEnabled() const { return boundsOn_; }
  RECT& GatheredBounds() { return bounds_; }

  // Recording (a DC made by CreateRecordingDC logs the calls made on it).
  std::unique_ptr<std::vector<std::string>> log;
  void Record(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

 private:
  std::shared_ptr<Surface> surface_;
  POINT origin_{};
  std::optional<Region> sysClip_;
  Region clip_;
  bool clipValid_ = false;
  bool boundsOn_ = false;
  RECT bounds_{};
};

// The DC when h names a live DC, else nullptr.
DC* LiveDC(HDC h);

// Memory DCs (hold the 1 x 1 monochrome default bitmap until a bitmap is selected).
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// A DC drawing onto a shared surface (the window system's screen): device (0, 0) is the surface
// point origin and drawing is clipped to visible (surface coordinates; nullptr = the whole
// surface). The window system keeps both up to date with the two setters below.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, const Region* visible);
BOOL SetSurfaceDCOrigin(HDC hdc, POINT origin);
BOOL SetSurfaceDCVisibleRegion(HDC hdc, const Region* visible);
// A memory DC over a 32-bit bitmap of the given size that also logs every drawing call.
HDC CreateRecordingDC(int width, int height);
std::vector<std::string> GetDCLog(HDC hdc);
void ClearDCLog(HDC hdc);

// Returns the previously selected object of the same kind. Selecting a region sets the clip
// (a copy) and returns its complexity code as a handle value, as Windows does.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
HGDIOBJ GetCurrentObject(HDC hdc, int type);

int SaveDC(HDC hdc);
// A negative level counts back from the most recent save (-1 = the last one).
BOOL RestoreDC(HDC hdc, int level);
// The DC's state saved for the life of the object and put back however the drawing ends.
class SavedDC {
 public:
  explicit SavedDC(HDC hdc) : hdc_(hdc), level_(SaveDC(hdc)) {}
  ~SavedDC() { RestoreDC(hdc_, level_); }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC hdc_;
  int level_;
};

COLORREF SetBkColor(HDC hdc, COLORREF c);
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF c);
COLORREF GetTextColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
int SetROP2(HDC hdc, int rop2);
int GetROP2(HDC hdc);
int SetPolyFillMode(HDC hdc, int mode);
int GetPolyFillMode(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
int SetTextCharacterExtra(HDC hdc, int extra);

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC hdc, POINT* out);
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL GetWindowOrgEx(HDC hdc, POINT* out);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL GetBrushOrgEx(HDC hdc, POINT* out);
BOOL GetCurrentPositionEx(HDC hdc, POINT* out);
BOOL LPtoDP(HDC hdc, POINT* pts, int count);
BOOL DPtoLP(HDC hdc, POINT* pts, int count);

// Clipping. Regions passed in are in device coordinates; rectangles in logical ones.
int SelectClipRgn(HDC hdc, HRGN rgn);
int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode);
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC hdc, int dx, int dy);
int GetClipBox(HDC hdc, RECT* out);  // logical coordinates
// 1 and a copy in rgn when a clip region is selected, 0 when none, -1 on error.
int GetClipRgn(HDC hdc, HRGN rgn);
BOOL PtVisible(HDC hdc, int x, int y);
BOOL RectVisible(HDC hdc, const RECT* r);

// Bounds of what is drawn: SetBoundsRect's flags, and what both return (DCB_SET when the bounds
// hold something, DCB_RESET when empty, with DCB_ENABLE or DCB_DISABLE for SetBoundsRect; 0 for
// a DC that is none). Rectangles are in logical coordinates.
enum : UINT {
  DCB_RESET = 0x1,
  DCB_ACCUMULATE = 0x2,
  DCB_SET = DCB_RESET | DCB_ACCUMULATE,
  DCB_ENABLE = 0x4,
  DCB_DISABLE = 0x8,
};
UINT SetBoundsRect(HDC hdc, const RECT* r, UINT flags);
// The bounds into r (empty when nothing was drawn); DCB_RESET in flags empties them.
UINT GetBoundsRect(HDC hdc, RECT* r, UINT flags);

int GetDeviceCaps(HDC hdc, int index);
// For tests and printing: the resolution GetDeviceCaps reports.
void SetDeviceLogPixels(HDC hdc, int dpi);

// Regions.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* r);
HRGN CreateRegion(const Region& r);
BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
int OffsetRgn(HRGN rgn, int dx, int dy);
int GetRgnBox(HRGN rgn, RECT* out);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* r);
BOOL EqualRgn(HRGN a, HRGN b);
const Region* GetRegion(HRGN rgn);

}  // namespace gdi
