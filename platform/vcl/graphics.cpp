#include "platform/vcl/graphics.h"

#include <cstring>

#include "platform/rtl/rtlmath.h"
#include "platform/vcl/bitmap.h"

namespace vcl {

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TPen

TPen::~TPen() {
  if (handle_) gdi::DeleteObject(handle_);
}

void TPen::Changed() {
  if (handle_) {
    gdi::DeleteObject(handle_);
    handle_ = {};
  }
  TGraphicsObject::Changed();
}

void TPen::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TPen::SetWidth(int v) {
  if (v < 0) v = 0;
  if (v == width_) return;
  width_ = v;
  Changed();
}

void TPen::SetStyle(TPenStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TPen::SetMode(TPenMode v) {
  if (v == mode_) return;
  mode_ = v;
  Changed();
}

void TPen::Assign(const rtl::TPersistent* source) {
  auto* o = dynamic_cast<const TPen*>(source);
  if (!o) {
    rtl::TPersistent::Assign(source);
    return;
  }
  if (o == this) return;
  const TPen& other = *o;
  color_ = other.color_;
  width_ = other.width_;
  style_ = other.style_;
  mode_ = other.mode_;
  Changed();
}

gdi::HPEN TPen::Handle() {
  if (!handle_) {
    static const int styles[] = {gdi::PS_SOLID,      gdi::PS_DASH,       gdi::PS_DOT,
                                 gdi::PS_DASHDOT,    gdi::PS_DASHDOTDOT, gdi::PS_NULL,
                                 gdi::PS_INSIDEFRAME};
    handle_ = gdi::CreatePen(styles[style_], width_, gdi::ColorToRGB(color_));
  }
  return handle_;
}

// ---- TBrush

TBrush::~TBrush() {
  if (handle_) gdi::DeleteObject(handle_);
}

void TBrush::Changed() {
  if (handle_) {
    gdi::DeleteObject(handle_);
    handle_ = {};
  }
  TGraphicsObject::Changed();
}

void TBrush::SetColor(TColor v) {
  if (v == color_ && style_ != bsClear) return;
  color_ = v;
  // Giving a colour to a clear brush makes it solid, as users of the canvas expect.
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TBrush::SetBitmap(TBitmap* v) {
  bitmap_ = v;
  Changed();
}

void TBrush::Assign(const rtl::TPersistent* source) {
  auto* o = dynamic_cast<const TBrush*>(source);
  if (!o) {
    rtl::TPersistent::Assign(source);
    return;
  }
  if (o == this) return;
  const TBrush& other = *o;
  color_ = other.color_;
  style_ = other.style_;
  bitmap_ = other.bitmap_;
  Changed();
}

gdi::HBRUSH TBrush::Handle() {
  if (!handle_) {
    if (bitmap_ && !bitmap_->Empty()) {
      handle_ = gdi::CreatePatternBrush(bitmap_->Handle());
    } else if (style_ == bsSolid) {
      handle_ = gdi::CreateSolidBrush(gdi::ColorToRGB(color_));
    } else if (style_ == bsClear) {
      handle_ = static_cast<gdi::HBRUSH>(gdi::GetStockObject(gdi::NULL_BRUSH));
    } else {
      static const int hatches[] = {gdi::HS_HORIZONTAL, gdi::HS_VERTICAL, gdi::HS_FDIAGONAL,
                                    gdi::HS_BDIAGONAL,  gdi::HS_CROSS,    gdi::HS_DIAGCROSS};
      handle_ = gdi::CreateHatchBrush(hatches[style_ - bsHorizontal], gdi::ColorToRGB(color_));
    }
  }
  return handle_;
}

// ---- TFont

TFont::~TFont() {
  if (handle_) gdi::DeleteObject(handle_);
}

void TFont::Changed() {
  if (handle_) {
    gdi::DeleteObject(handle_);
    handle_ = {};
  }
  TGraphicsObject::Changed();
}

void TFont::SetName(const std::string& v) {
  if (v == name_ || v.empty()) return;
  name_ = v;
  Changed();
}

int TFont::Size() const {
  return -rtl::MulDiv(height_, 72, pixelsPerInch_);
}

void TFont::SetSize(int v) {
  SetHeight(-rtl::MulDiv(v, pixelsPerInch_, 72));
}

void TFont::SetHeight(int v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}

void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TFont::SetStyle(TFontStyles v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TFont::SetPitch(TFontPitch v) {
  if (v == pitch_) return;
  pitch_ = v;
  Changed();
}

void TFont::SetOrientation(int v) {
  if (v == orientation_) return;
  orientation_ = v;
  Changed();
}

bool TFont::SameAs(const TFont* o) const {
  return name_ == o->name_ && height_ == o->height_ && color_ == o->color_ && style_ == o->style_ &&
         pitch_ == o->pitch_ && orientation_ == o->orientation_;
}

void TFont::Assign(const rtl::TPersistent* source) {
  auto* o = dynamic_cast<const TFont*>(source);
  if (!o) {
    rtl::TPersistent::Assign(source);
    return;
  }
  if (o == this || SameAs(o)) return;
  const TFont& other = *o;
  name_ = other.name_;
  height_ = other.height_;
  color_ = other.color_;
  style_ = other.style_;
  pitch_ = other.pitch_;
  orientation_ = other.orientation_;
  Changed();
}

gdi::HFONT TFont::Handle() {
  if (!handle_) {
    gdi::LOGFONT lf{};
    lf.lfHeight = height_;
    lf.lfEscapement = orientation_;
    lf.lfOrientation = orientation_;
    lf.lfWeight = (style_ & fsBold) ? 700 : 400;
    lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    lf.lfFaceName = name_;
    handle_ = gdi::CreateFontIndirect(&lf);
  }
  return handle_;
}

}  // namespace vcl
