#pragma once
// TCanvas: drawing on a device context with the class library's pen, brush and font. The tools
// are selected into the DC lazily, just before the first operation that needs them.
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/graphics.h"

namespace vcl {

class TGraphic;

class TCanvas : public rtl::TObject {
 public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The DC with the canvas's pen, brush and font selected; a canvas without one asks
  // CreateHandle (control and bitmap canvases make their own).
  gdi::HDC Handle();
  void SetHandle(gdi::HDC dc);
  bool HandleAllocated() const { return dc_ != gdi::HDC{}; }
  // Deselects the tools; they are selected again at their next use (after someone else drew
  // on the DC with tools of their own).
  void Refresh() { DeselectHandles(); }

  TPen* Pen() { return pen_.get(); }
  TBrush* Brush() { return brush_.get(); }
  TFont* Font() { return font_.get(); }
  TPoint PenPos();
  void SetPenPos(TPoint p) { MoveTo(p.x, p.y); }
  // A raster operation for Draw/CopyRect/StretchDraw (SRCCOPY by default).
  gdi::DWORD CopyMode() const { return copyMode_; }
  void SetCopyMode(gdi::DWORD v) { copyMode_ = v; }

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Rectangle(int l, int t, int r, int b);
  void Rectangle(const TRect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  void Ellipse(int l, int t, int r, int b);
  void Ellipse(const TRect& r) { Ellipse(r.left, r.top, r.right, r.bottom); }
  void RoundRect(int l, int t, int r, int b, int w, int h);
  void Polygon(const std::vector<TPoint>& points);
  void Polyline(const std::vector<TPoint>& points);
  void Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2);
  void Pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2);
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);
  void DrawFocusRect(const TRect& r);
  void TextOut(int x, int y, const std::string& text);
  // Text clipped to the rectangle, the rectangle filled first unless the brush is clear.
  void TextRect(const TRect& r, int x, int y, const std::string& text);
  gdi::SIZE TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& r, TGraphic* graphic);
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& src);
  TColor Pixels(int x, int y);
  void SetPixel(int x, int y, TColor c);
  TRect ClipRect();

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnChanging;

 protected:
  virtual void CreateHandle() {}
  enum : unsigned { csHandleValid = 1, csPenValid = 2, csBrushValid = 4, csFontValid = 8 };
  void RequiredState(unsigned state);
  void Changing();
  void Changed();
  // Puts the DC's original objects back; called before the DC goes away.
  void DeselectHandles();

 private:
  void ToolChanged(rtl::TObject* sender);

  gdi::HDC dc_{};
  unsigned state_ = 0;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  std::unique_ptr<TFont> font_;
  gdi::HGDIOBJ oldPen_{};
  gdi::HGDIOBJ oldBrush_{};
  gdi::HGDIOBJ oldFont_{};
  gdi::DWORD copyMode_ = gdi::SRCCOPY;
};

}  // namespace vcl
