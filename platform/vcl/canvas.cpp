#include "platform/vcl/canvas.h"

#include "platform/vcl/bitmap.h"

namespace vcl {

TCanvas::TCanvas()
    : pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()),
      font_(std::make_unique<TFont>()) {
  auto handler = rtl::MakeEvent(this, &TCanvas::ToolChanged);
  pen_->OnChange = handler;
  brush_->OnChange = handler;
  font_->OnChange = handler;
}

TCanvas::~TCanvas() {
  SetHandle({});
}

void TCanvas::ToolChanged(rtl::TObject* sender) {
  if (sender == pen_.get()) state_ &= ~csPenValid;
  if (sender == brush_.get()) state_ &= ~csBrushValid;
  if (sender == font_.get()) state_ &= ~csFontValid;
}

gdi::HDC TCanvas::Handle() {
  // The tools are selected too, so that direct calls on the DC (DrawText, BitBlt) use them.
  RequiredState(csHandleValid | csPenValid | csBrushValid | csFontValid);
  return dc_;
}

void TCanvas::SetHandle(gdi::HDC dc) {
  if (dc == dc_) return;
  if (dc_) DeselectHandles();
  dc_ = dc;
  state_ = dc_ ? static_cast<unsigned>(csHandleValid) : 0u;
}

void TCanvas::DeselectHandles() {
  if (!dc_) return;
  if (oldPen_) gdi::SelectObject(dc_, oldPen_);
  if (oldBrush_) gdi::SelectObject(dc_, oldBrush_);
  if (oldFont_) gdi::SelectObject(dc_, oldFont_);
  oldPen_ = oldBrush_ = oldFont_ = {};
  state_ &= csHandleValid;
}

void TCanvas::RequiredState(unsigned need) {
  unsigned missing = need & ~state_;
  if (!missing) return;
  if (missing & csHandleValid) {
    CreateHandle();
    if (!dc_) throw rtl::EInvalidOperation("Canvas does not allow drawing");
    state_ |= csHandleValid;
  }
  if (missing & csPenValid) {
    gdi::HGDIOBJ old = gdi::SelectObject(dc_, pen_->Handle());
    if (!oldPen_) oldPen_ = old;
    static const int rops[] = {
        gdi::R2_BLACK,       gdi::R2_WHITE,      gdi::R2_NOP,         gdi::R2_NOT,
        gdi::R2_COPYPEN,     gdi::R2_NOTCOPYPEN, gdi::R2_MERGEPENNOT, gdi::R2_MASKPENNOT,
        gdi::R2_MERGENOTPEN, gdi::R2_MASKNOTPEN, gdi::R2_MERGEPEN,    gdi::R2_NOTMERGEPEN,
        gdi::R2_MASKPEN,     gdi::R2_NOTMASKPEN, gdi::R2_XORPEN,      gdi::R2_NOTXORPEN};
    gdi::SetROP2(dc_, rops[pen_->Mode()]);
    state_ |= csPenValid;
  }
  if (missing & csBrushValid) {
    gdi::HGDIOBJ old = gdi::SelectObject(dc_, brush_->Handle());
    if (!oldBrush_) oldBrush_ = old;
    gdi::SetBkColor(dc_, gdi::ColorToRGB(brush_->Color()));
    gdi::SetBkMode(dc_, brush_->Style() == bsSolid ? gdi::OPAQUE : gdi::TRANSPARENT);
    state_ |= csBrushValid;
  }
  if (missing & csFontValid) {
    gdi::HGDIOBJ old = gdi::SelectObject(dc_, font_->Handle());
    if (!oldFont_) oldFont_ = old;
    gdi::SetTextColor(dc_, gdi::ColorToRGB(font_->Color()));
    state_ |= csFontValid;
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() {
  RequiredState(csHandleValid);
  TPoint p{};
  gdi::GetCurrentPositionEx(dc_, &p);
  return p;
}

void TCanvas::MoveTo(int x, int y) {
  RequiredState(csHandleValid);
  gdi::MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  gdi::LineTo(dc_, x, y);
  Changed();
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  gdi::Rectangle(dc_, l, t, r, b);
  Changed();
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  gdi::Ellipse(dc_, l, t, r, b);
  Changed();
}

void TCanvas::RoundRect(int l, int t, int r, int b, int w, int h) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  gdi::RoundRect(dc_, l, t, r, b, w, h);
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  gdi::Polygon(dc_, points.data(), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  gdi::Polyline(dc_, points.data(), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  gdi::Arc(dc_, l, t, r, b, x1, y1, x2, y2);
  Changed();
}

void TCanvas::Pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  gdi::Pie(dc_, l, t, r, b, x1, y1, x2, y2);
  Changed();
}

void TCanvas::FillRect(const TRect& r) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  gdi::FillRect(dc_, &r, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  gdi::FrameRect(dc_, &r, brush_->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& r) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  gdi::DrawFocusRect(dc_, &r);
  Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  gdi::TextOut(dc_, x, y, text);
  Changed();
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  unsigned opts = gdi::ETO_CLIPPED;
  if (brush_->Style() != bsClear) opts |= gdi::ETO_OPAQUE;
  gdi::ExtTextOut(dc_, x, y, opts, &r, text);
  Changed();
}

gdi::SIZE TCanvas::TextExtent(const std::string& text) {
  RequiredState(csHandleValid | csFontValid);
  gdi::SIZE s{};
  gdi::GetTextExtentPoint32(dc_, text, &s);
  return s;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  StretchDraw(TRect{x, y, x + graphic->Width(), y + graphic->Height()}, graphic);
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequiredState(csHandleValid);
  graphic->DrawOn(this, r);
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  gdi::HDC sdc = source->Handle();
  gdi::StretchBlt(dc_, dest.left, dest.top, dest.Width(), dest.Height(), sdc, src.left, src.top,
                  src.Width(), src.Height(), copyMode_);
  Changed();
}

TColor TCanvas::Pixels(int x, int y) {
  RequiredState(csHandleValid);
  return static_cast<TColor>(gdi::GetPixel(dc_, x, y));
}

void TCanvas::SetPixel(int x, int y, TColor c) {
  Changing();
  RequiredState(csHandleValid | csPenValid);
  gdi::SetPixel(dc_, x, y, gdi::ColorToRGB(c));
  Changed();
}

TRect TCanvas::ClipRect() {
  RequiredState(csHandleValid);
  TRect r{};
  gdi::GetClipBox(dc_, &r);
  return r;
}

}  // namespace vcl
