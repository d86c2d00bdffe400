#include "platform/vcl/misc.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/classic.h"

namespace vcl {

// ---------------------------------------------------------------- TScrollBar

TScrollBar::TScrollBar(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 121, 17);
}

void TScrollBar::SetKind(TScrollBarKind v) {
  if (v == kind_) return;
  kind_ = v;
  SetBounds(Left(), TControl::Top(), Height(), Width());
}

int TScrollBar::MaxPos() const {
  return pageSize_ > 0 ? max_ - pageSize_ + 1 : max_;
}

void TScrollBar::SetParams(int position, int min, int max) {
  if (max < min) throw rtl::EInvalidOperation("Scroll bar property out of range");
  min_ = min;
  max_ = max;
  position = std::clamp(position, min_, std::max(MaxPos(), min_));
  bool changed = position != position_;
  position_ = position;
  Invalidate();
  if (changed && OnChange) OnChange(this);
}

void TScrollBar::SetPageSize(int v) {
  pageSize_ = std::max(v, 0);
  SetParams(position_, min_, max_);
}

void TScrollBar::Scroll(TScrollCode code, int pos) {
  if (OnScroll) OnScroll(this, code, pos);
  SetPosition(pos);
}

TRect TScrollBar::ThumbRect() const {
  int t = Thickness();
  int track = Length() - 2 * t;
  int span = std::max(max_ - min_ + 1, 1);
  int size = pageSize_ > 0 ? std::max(track * pageSize_ / span, 8) : t;
  size = std::min(size, track);
  int range = std::max(MaxPos() - min_, 1);
  int start = t + (track - size) * (position_ - min_) / range;
  return kind_ == sbHorizontal ? TRect{start, 0, start + size, Height()}
                               : TRect{0, start, Width(), start + size};
}

bool TScrollBar::WantsKey(unsigned short key, TShiftState) const {
  return key == win::VK_LEFT || key == win::VK_RIGHT || key == win::VK_UP || key == win::VK_DOWN ||
         key == win::VK_PRIOR || key == win::VK_NEXT;
}

void TScrollBar::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  switch (key) {
    case win::VK_LEFT:
    case win::VK_UP:
      Scroll(scLineUp, position_ - smallChange_);
      break;
    case win::VK_RIGHT:
    case win::VK_DOWN:
      Scroll(scLineDown, position_ + smallChange_);
      break;
    case win::VK_PRIOR:
      Scroll(scPageUp, position_ - largeChange_);
      break;
    case win::VK_NEXT:
      Scroll(scPageDown, position_ + largeChange_);
      break;
    case win::VK_HOME:
      Scroll(scTop, min_);
      break;
    case win::VK_END:
      Scroll(scBottom, MaxPos());
      break;
    default:
      return;
  }
  key = 0;
}

void TScrollBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  int along = kind_ == sbHorizontal ? x : y;
  int t = Thickness();
  TRect th = ThumbRect();
  int thStart = kind_ == sbHorizontal ? th.left : th.top;
  int thEnd = kind_ == sbHorizontal ? th.right : th.bottom;
  if (along < t)
    Scroll(scLineUp, position_ - smallChange_);
  else if (along >= Length() - t)
    Scroll(scLineDown, position_ + smallChange_);
  else if (along < thStart)
    Scroll(scPageUp, position_ - largeChange_);
  else if (along >= thEnd)
    Scroll(scPageDown, position_ + largeChange_);
  else {
    tracking_ = true;
    trackOffset_ = along - thStart;
  }
}

void TScrollBar::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (!tracking_) return;
  TRect th = ThumbRect();
  int size = kind_ == sbHorizontal ? th.Width() : th.Height();
  int track = Length() - 2 * Thickness() - size;
  int along = (kind_ == sbHorizontal ? x : y) - trackOffset_ - Thickness();
  int pos = min_ + (track > 0 ? along * (MaxPos() - min_) / track : 0);
  Scroll(scTrack, std::clamp(pos, min_, MaxPos()));
}

void TScrollBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (tracking_) {
    tracking_ = false;
    Scroll(scPosition, position_);
  }
}

void TScrollBar::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(clScrollBar);
  c->FillRect(r);
  int t = Thickness();
  TRect a = kind_ == sbHorizontal ? TRect{0, 0, t, t} : TRect{0, 0, t, t};
  TRect b = kind_ == sbHorizontal ? TRect{Width() - t, 0, Width(), t}
                                  : TRect{0, Height() - t, t, Height()};
  DrawButtonFace(c, a, false, false);
  DrawArrow(c, a, kind_ == sbHorizontal ? TArrow::Left : TArrow::Up, Enabled());
  DrawButtonFace(c, b, false, false);
  DrawArrow(c, b, kind_ == sbHorizontal ? TArrow::Right : TArrow::Down, Enabled());
  if (Enabled()) DrawButtonFace(c, ThumbRect(), false, false);
  if (Focused()) {
    TRect f = ThumbRect();
    gdi::InflateRect(&f, -3, -3);
    c->Brush()->SetColor(clBtnFace);
    c->DrawFocusRect(f);
  }
}

// ---------------------------------------------------------------- TSpinEdit

TSpinEdit::TSpinEdit(rtl::TComponent* AOwner) : TCustomEdit(AOwner) {
  SetBounds(0, 0, 121, 22);
  TCustomEdit::SetText("0");
}

int TSpinEdit::Clamp(int v) const {
  if (maxValue_ != minValue_)
    v = std::clamp(v, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
  return v;
}

int TSpinEdit::Value() const {
  int v = 0;
  if (!rtl::TryStrToInt(Text(), v)) return minValue_;
  return Clamp(v);
}

void TSpinEdit::SetValue(int v) {
  SetText(rtl::IntToStr(Clamp(v)));
}

void TSpinEdit::SetMinValue(int v) {
  minValue_ = v;
  SetValue(Value());
}

void TSpinEdit::SetMaxValue(int v) {
  maxValue_ = v;
  SetValue(Value());
}

void TSpinEdit::KeyDown(unsigned short& key, TShiftState shift) {
  if (key == win::VK_UP || key == win::VK_DOWN) {
    if (!ReadOnly()) SetValue(Value() + (key == win::VK_UP ? increment_ : -increment_));
    key = 0;
    return;
  }
  TCustomEdit::KeyDown(key, shift);
}

void TSpinEdit::KeyPress(char& key) {
  // Digits and a leading minus only.
  if ((key >= '0' && key <= '9') || key == '-' || static_cast<unsigned char>(key) < 32)
    TCustomEdit::KeyPress(key);
}

void TSpinEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && x >= Width() - ButtonWidth() - 2) {
    if (!ReadOnly()) SetValue(Value() + (y < Height() / 2 ? increment_ : -increment_));
    if (CanFocus() && !Focused()) SetFocus();
    return;
  }
  TCustomEdit::MouseDown(button, shift, x, y);
}

void TSpinEdit::DoExit() {
  int v = 0;
  if (!rtl::TryStrToInt(Text(), v) || Clamp(v) != v) SetValue(Value());
  TCustomEdit::DoExit();
}

void TSpinEdit::Paint() {
  TCustomEdit::Paint();
  TCanvas* c = Canvas();
  int bw = ButtonWidth();
  TRect up{Width() - bw - 2, 2, Width() - 2, Height() / 2};
  TRect down{Width() - bw - 2, Height() / 2, Width() - 2, Height() - 2};
  DrawButtonFace(c, up, false, false);
  DrawArrow(c, up, TArrow::Up, Enabled());
  DrawButtonFace(c, down, false, false);
  DrawArrow(c, down, TArrow::Down, Enabled());
}

// ---------------------------------------------------------------- TCGauge

TCGauge::TCGauge(rtl::TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 100, 100);
}

void TCGauge::SetKind(TGaugeKind v) {
  kind_ = v;
  Invalidate();
}
void TCGauge::SetMinValue(int v) {
  minValue_ = v;
  SetProgress(progress_);
  Invalidate();
}
void TCGauge::SetMaxValue(int v) {
  maxValue_ = v;
  SetProgress(progress_);
  Invalidate();
}
void TCGauge::SetForeColor(TColor v) {
  foreColor_ = v;
  Invalidate();
}
void TCGauge::SetBackColor(TColor v) {
  backColor_ = v;
  Invalidate();
}
void TCGauge::SetShowText(bool v) {
  showText_ = v;
  Invalidate();
}

void TCGauge::SetProgress(int v) {
  v = std::clamp(v, minValue_, std::max(minValue_, maxValue_));
  if (v == progress_) return;
  progress_ = v;
  Invalidate();
}

int TCGauge::PercentDone() const {
  int range = maxValue_ - minValue_;
  if (range <= 0) return 0;
  return static_cast<int>((int64_t(progress_ - minValue_) * 100) / range);
}

void TCGauge::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(clBlack);
  c->FrameRect(r);
  gdi::InflateRect(&r, -1, -1);
  c->Brush()->SetColor(backColor_);
  c->FillRect(r);
  int pct = PercentDone();
  c->Brush()->SetColor(foreColor_);
  c->Pen()->SetColor(foreColor_);
  switch (kind_) {
    case gkHorizontalBar:
      c->FillRect(TRect{r.left, r.top, r.left + r.Width() * pct / 100, r.bottom});
      break;
    case gkVerticalBar:
      c->FillRect(TRect{r.left, r.bottom - r.Height() * pct / 100, r.right, r.bottom});
      break;
    case gkPie:
    case gkNeedle: {
      int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
      double a = pct * 3.6 * 3.14159265358979 / 180.0;
      int ex = cx + static_cast<int>(std::lround(std::sin(a) * r.Width()));
      int ey = cy - static_cast<int>(std::lround(std::cos(a) * r.Height()));
      if (kind_ == gkPie && pct > 0) {
        if (pct >= 100)
          c->Ellipse(r);
        else
          c->Pie(r.left, r.top, r.right, r.bottom, ex, ey, cx, r.top);
      } else if (kind_ == gkNeedle) {
        c->MoveTo(cx, cy);
        c->LineTo(ex, ey);
      }
      break;
    }
    case gkText:
      break;
  }
  if (showText_) {
    std::string text = std::to_string(pct) + "%";
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(kind_ == gkText ? foreColor_ : gdi::clBlack);
    gdi::SIZE s = c->TextExtent(text);
    c->TextOut((Width() - s.cx) / 2, (Height() - s.cy) / 2, text);
    // The part of the text over the bar is drawn in the back colour, as the sample gauge does.
    if (kind_ == gkHorizontalBar) {
      int saved = gdi::SaveDC(c->Handle());
      gdi::IntersectClipRect(c->Handle(), r.left, r.top, r.left + r.Width() * pct / 100, r.bottom);
      c->Font()->SetColor(backColor_);
      c->TextOut((Width() - s.cx) / 2, (Height() - s.cy) / 2, text);
      gdi::RestoreDC(c->Handle(), saved);
    }
  }
}

}  // namespace vcl
