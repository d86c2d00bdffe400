#include "controls/analogmeter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/rtl/classregistry.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

namespace {

constexpr int kMinWidth = 52;
constexpr int kMinHeight = 37;

double Rad(double degrees) {
  return degrees * std::numbers::pi / 180;
}

int RoundInt(double x) {
  return static_cast<int>(rtl::Round(x));
}

void Blit(vcl::TBitmap* target, vcl::TBitmap* source, gdi::DWORD rop) {
  gdi::BitBlt(target->Canvas()->Handle(), 0, 0, target->Width(), target->Height(),
              source->Canvas()->Handle(), 0, 0, rop);
}

}  // namespace

// The face bitmap draws in its real colours; the mask draws everything in white on black.
struct TAnalogMeter::Layer {
  vcl::TCanvas* c;
  bool mask;
  vcl::TColor Ink(vcl::TColor color) const { return mask ? vcl::clWhite : color; }
};

TAnalogMeter::TAnalogMeter(rtl::TComponent* AOwner)
    : vcl::TCustomControl(AOwner),
      FFace(std::make_unique<vcl::TBitmap>()),
      FMask(std::make_unique<vcl::TBitmap>()),
      FInvMask(std::make_unique<vcl::TBitmap>()),
      FComposite(std::make_unique<vcl::TBitmap>()),
      FBackGround(std::make_unique<vcl::TBitmap>()) {
  SetColor(vcl::clBtnFace);
  SetBounds(Left(), Top(), 121, 117);
  OptimizeSizes();
  SizeBitmaps();
  DrawOuterFace();
  DrawInnerFace();
}

TAnalogMeter::~TAnalogMeter() = default;

// ---------------------------------------------------------------- setters

void TAnalogMeter::SetBackGround(const vcl::TBitmap* v) {
  if (v)
    FBackGround->Assign(v);
  else
    FBackGround->SetSize(0, 0);
  // Kept in the face's own format: the composition then copies whole rows.
  if (!FBackGround->Empty()) FBackGround->SetPixelFormat(vcl::pfDevice);
  ForceRedraw();
}

void TAnalogMeter::SetShowBackground(bool v) {
  SetAndRedraw(FShowBackground, v);
}
void TAnalogMeter::SetCaption(const std::string& v) {
  SetAndRedraw(FCaption, v);
}
void TAnalogMeter::SetCaptionPosition(TCaptionPos v) {
  SetAndRedraw(FCaptionPosition, v);
}

void TAnalogMeter::SetCaptionVertAdj(int8_t v) {
  if (v < -30 || v > 30) return;
  SetAndRedraw(FCaptionVertAdj, v);
}

void TAnalogMeter::SetMin(float v) {
  // An endless range has no angles.
  if (!std::isfinite(v)) return;
  if (v > FMax) v = FMax;
  if (FLogScale && v <= 0) v = 1;
  if (v == FMin) return;
  const uint8_t low = GetLowZone(), high = GetHighZone();
  FMin = v;
  // A logarithmic scale keeps 0 < Min <= Max: the maximum goes up with the minimum.
  if (FMax < FMin) FMax = FMin;
  SetLowZone(low);
  SetHighZone(high);
  if (FValue < FMin) SetValue(FMin);
  ForceRedraw();
}

void TAnalogMeter::SetMax(float v) {
  if (!std::isfinite(v)) return;
  if (v < FMin) v = FMin;
  if (v == FMax) return;
  const uint8_t low = GetLowZone(), high = GetHighZone();
  FMax = v;
  SetLowZone(low);
  SetHighZone(high);
  if (FValue > FMax) SetValue(FMax);
  ForceRedraw();
}

void TAnalogMeter::SetValue(float v) {
  if (std::isnan(v)) return;
  v = std::clamp(v, FMin, FMax);
  if (v == FValue) return;
  const float old = FValue;
  FOldValue = old;
  FValue = v;
  if (onChange) onChange(this);
  DrawInnerFace();
  Paint();
  if (!FEnableZoneEvents) return;
  bool fired = false;
  if (old >= FLowZoneValue && FLowZoneValue > v && onFallBelowLow) {
    onFallBelowLow(this);
    fired = true;
  }
  if (old < FHighZoneValue && FHighZoneValue <= v && onRiseAboveHigh) {
    onRiseAboveHigh(this);
    fired = true;
  }
  if (fired) return;
  if (old >= FHighZoneValue && FHighZoneValue > v && onFallBelowHigh) onFallBelowHigh(this);
  if (old < FLowZoneValue && FLowZoneValue <= v && onRiseAboveLow) onRiseAboveLow(this);
}

void TAnalogMeter::SetTickPrecision(uint8_t v) {
  SetAndRedraw(FTickPrecision, v);
}
void TAnalogMeter::SetTickDigits(uint8_t v) {
  SetAndRedraw(FTickDigits, v);
}
void TAnalogMeter::SetValuePrecision(uint8_t v) {
  SetAndRedraw(FValuePrecision, v);
}
void TAnalogMeter::SetValueDigits(uint8_t v) {
  SetAndRedraw(FValueDigits, v);
}

void TAnalogMeter::SetLogScale(bool v) {
  if (v == FLogScale) return;
  FLogScale = v;
  if (v) {
    // The logarithm needs 0 < Min <= Max, and the zone limits inside them.
    if (FMin <= 0) FMin = 1;
    if (FMax < FMin) FMax = FMin;
    FLowZoneValue = std::clamp(FLowZoneValue, FMin, FMax);
    FHighZoneValue = std::clamp(FHighZoneValue, FMin, FMax);
    if (FValue < FMin) SetValue(FMin);
  }
  ForceRedraw();
}

void TAnalogMeter::SetTickValAbbr(bool v) {
  SetAndRedraw(FTickValAbbr, v);
}

void TAnalogMeter::SetAngularRange(int v) {
  v = std::clamp(v, 10, 360);
  if (v == FAngularRange) return;
  FAngularRange = v;
  FStartAngle = (360 - v) / 2.0;
  OptimizeSizes();
  ForceRedraw();
}

void TAnalogMeter::SetTickCount(uint8_t v) {
  SetAndRedrawInner(FTickCount, std::min<uint8_t>(v, 100));
}

void TAnalogMeter::SetLowZone(uint8_t percent) {
  SetLowZoneValue(FMin + (FMax - FMin) * float(std::min<int>(percent, 100)) / 100);
}

void TAnalogMeter::SetHighZone(uint8_t percent) {
  SetHighZoneValue(FMin + (FMax - FMin) * float(std::min<int>(percent, 100)) / 100);
}

uint8_t TAnalogMeter::GetLowZone() const {
  if (FMax == FMin) return 0;
  return uint8_t(rtl::Round(double(FLowZoneValue - FMin) * 100 / double(FMax - FMin)));
}

uint8_t TAnalogMeter::GetHighZone() const {
  if (FMax == FMin) return 0;
  return uint8_t(rtl::Round(double(FHighZoneValue - FMin) * 100 / double(FMax - FMin)));
}

void TAnalogMeter::MoveZoneLimit(float& limit, float v, const rtl::TNotifyEvent& fallBelow,
                                 const rtl::TNotifyEvent& riseAbove) {
  const float old = limit;
  limit = v;
  ForceRedraw();
  if (!FEnableZoneEvents) return;
  // The limit passed the value: upward it now stands below, downward above.
  if (FValue >= old && FValue < v && fallBelow) fallBelow(this);
  if (FValue >= v && FValue < old && riseAbove) riseAbove(this);
}

void TAnalogMeter::SetLowZoneValue(float v) {
  if (std::isnan(v)) return;
  v = std::clamp(v, FMin, FMax);
  if (v == FLowZoneValue) return;
  if (v > FHighZoneValue) FHighZoneValue = v;
  MoveZoneLimit(FLowZoneValue, v, onFallBelowLow, onRiseAboveLow);
}

void TAnalogMeter::SetHighZoneValue(float v) {
  if (std::isnan(v)) return;
  v = std::clamp(v, FMin, FMax);
  if (v == FHighZoneValue) return;
  if (v < FLowZoneValue) FLowZoneValue = v;
  MoveZoneLimit(FHighZoneValue, v, onFallBelowHigh, onRiseAboveHigh);
}

void TAnalogMeter::SetHighZoneColor(vcl::TColor v) {
  SetAndRedraw(FHighZoneColor, v);
}
void TAnalogMeter::SetLowZoneColor(vcl::TColor v) {
  SetAndRedraw(FLowZoneColor, v);
}
void TAnalogMeter::SetOKZoneColor(vcl::TColor v) {
  SetAndRedraw(FOKZoneColor, v);
}
void TAnalogMeter::SetKnobSize(uint8_t v) {
  SetAndRedrawInner(FKnobSize, v);
}
void TAnalogMeter::SetNeedleWidth(uint8_t v) {
  SetAndRedrawInner(FNeedleWidth, v);
}
void TAnalogMeter::SetTickColor(vcl::TColor v) {
  SetAndRedrawInner(FTickColor, v);
}
void TAnalogMeter::SetShowTicks(bool v) {
  SetAndRedraw(FShowTicks, v);
}
void TAnalogMeter::SetShowTicksScale(bool v) {
  SetAndRedraw(FShowTicksScale, v);
}
void TAnalogMeter::SetShowZones(bool v) {
  SetAndRedraw(FShowZones, v);
}
void TAnalogMeter::SetShowFrame(bool v) {
  SetAndRedraw(FShowFrame, v);
}
void TAnalogMeter::SetShowValue(bool v) {
  SetAndRedraw(FShowValue, v);
}
void TAnalogMeter::SetEnableZoneEvents(bool v) {
  SetAndRedraw(FEnableZoneEvents, v);
}

void TAnalogMeter::ForceRedraw() {
  DrawOuterFace();
  DrawInnerFace();
  Paint();
}

// ---------------------------------------------------------------- messages

void TAnalogMeter::WndProc(vcl::TMessage& message) {
  if (message.Msg == win::WM_SIZE) {
    WMSize(message);
    return;
  }
  vcl::TCustomControl::WndProc(message);
  // The faces are drawn in the control's colour and font.
  if (message.Msg == vcl::CM_COLORCHANGED || message.Msg == vcl::CM_FONTCHANGED) ForceRedraw();
}

void TAnalogMeter::CreateWnd() {
  vcl::TCustomControl::CreateWnd();
  // The window's first size message went out before the window knew its control.
  Perform(win::WM_SIZE, win::SIZE_RESTORED, win::MAKELPARAM(ClientWidth(), ClientHeight()));
}

void TAnalogMeter::WMSize(vcl::TMessage& message) {
  if (Height() < kMinHeight) SetHeight(kMinHeight);
  if (Width() < kMinWidth) SetWidth(kMinWidth);
  if (onResize) onResize(this);
  OptimizeSizes();
  SizeBitmaps();
  DrawOuterFace();
  DrawInnerFace();
  vcl::TCustomControl::WndProc(message);
}

void TAnalogMeter::SizeBitmaps() {
  for (vcl::TBitmap* b : {FFace.get(), FMask.get(), FInvMask.get(), FComposite.get()})
    b->SetSize(Width(), Height());
}

void TAnalogMeter::Paint() {
  vcl::TBitmap* shown = FFace.get();
  if (FShowBackground) {
    Blit(FInvMask.get(), FMask.get(), gdi::NOTSRCCOPY);
    if (FBackGround->Width() < Width() || FBackGround->Height() < Height()) {
      FComposite->Canvas()->Brush()->SetStyle(vcl::bsSolid);
      FComposite->Canvas()->Brush()->SetColor(Color());
      FComposite->Canvas()->FillRect(vcl::TRect{0, 0, Width(), Height()});
    }
    if (!FBackGround->Empty()) Blit(FComposite.get(), FBackGround.get(), gdi::SRCCOPY);
    Blit(FComposite.get(), FInvMask.get(), gdi::SRCAND);
    Blit(FFace.get(), FMask.get(), gdi::SRCAND);
    Blit(FComposite.get(), FFace.get(), gdi::SRCPAINT);
    shown = FComposite.get();
  }
  // Not shown yet: there is no window to copy to.
  if (!Canvas()->HandleAllocated() && !HandleAllocated()) return;
  gdi::BitBlt(Canvas()->Handle(), 0, 0, Width(), Height(), shown->Canvas()->Handle(), 0, 0,
              gdi::SRCCOPY);
}

// ---------------------------------------------------------------- geometry

double TAnalogMeter::AngleOf(double v) const {
  // An empty range has no sweep: everything stands at the start.
  if (FMax == FMin) return FStartAngle;
  return (v - FMin) * FAngularRange / (double(FMax) - FMin) + FStartAngle;
}

double TAnalogMeter::LogAngleOf(double v) const {
  if (FMin <= 0 || FMax <= FMin || !(v > 0)) return FStartAngle;
  return std::log(v / FMin) * FAngularRange / std::log(double(FMax) / FMin) + FStartAngle;
}

double TAnalogMeter::ValueAngle(double v) const {
  return FLogScale ? LogAngleOf(v) : AngleOf(v);
}

vcl::TPoint TAnalogMeter::PointAt(double a, int rx, int ry) const {
  const double s = std::sin(Rad(a)), c = std::cos(Rad(a));
  double r = 0;
  if (rx >= 1 && ry >= 1)
    r = double(rx) * ry / std::sqrt(double(ry) * ry * s * s + double(rx) * rx * c * c);
  return vcl::TPoint{FCenterX - RoundInt(r * s), FCenterY + RoundInt(r * c)};
}

void TAnalogMeter::OptimizeSizes() {
  const int W = Width(), H = Height();
  FBorder = (W + H) / 40;
  FCenterX = W / 2;
  FRadiusX = FCenterX - FBorder;
  const int available = std::max(0, H - 2 * FBorder - (kTextHeight + 2));
  int ry = available;
  if (FStartAngle < 90) {
    // The dial hangs below its centre down to the start angle's point.
    const double s = std::sin(Rad(FStartAngle)), c = std::cos(Rad(FStartAngle));
    auto drop = [&](int ryy) {
      if (FRadiusX < 1 || ryy < 1) return 0;
      const double r = double(FRadiusX) * ryy /
                       std::sqrt(double(ryy) * ryy * s * s + double(FRadiusX) * FRadiusX * c * c);
      return RoundInt(r * c);
    };
    ry = available / 2;
    while (ry + 1 + drop(ry + 1) <= available) ++ry;
  }
  FRadiusY = ry;
  FCenterY = FBorder + FRadiusY;
  const int inset = (W + H) / 25;
  FInnerRadiusX = FRadiusX - inset;
  FInnerRadiusY = FRadiusY - inset;
}

vcl::TColor TAnalogMeter::ZoneColorOf(float v) const {
  if (v < FLowZoneValue) return FLowZoneColor;
  if (v >= FHighZoneValue && FHighZoneValue < FMax) return FHighZoneColor;
  return FOKZoneColor;
}

// ---------------------------------------------------------------- texts

std::string TAnalogMeter::NormalTickString(double v) const {
  return rtl::FloatToStrF(v, rtl::ffFixed, FTickPrecision, FTickDigits);
}

std::string TAnalogMeter::AbbreviateTickString(double v) const {
  char letter = 0;
  if (v >= 1000000) {
    v /= 1000000;
    letter = 'M';
  } else if (v >= 1000) {
    v /= 1000;
    letter = 'k';
  }
  std::string s = NormalTickString(v);
  if (!letter) return s;
  // Without decimals there is no separator to stand for: the letter goes at the end.
  const size_t dot = s.find('.');
  if (dot == std::string::npos)
    s += letter;
  else
    s[dot] = letter;
  return s;
}

std::string TAnalogMeter::ValueText(float v) const {
  return rtl::FloatToStrF(v, rtl::ffFixed, FValuePrecision, FValueDigits);
}

// ---------------------------------------------------------------- drawing

void TAnalogMeter::DrawOuterFace() {
  const int W = Width(), H = Height();
  vcl::TCanvas* face = FFace->Canvas();
  face->Brush()->SetStyle(vcl::bsSolid);
  face->Brush()->SetColor(Color());
  face->FillRect(vcl::TRect{0, 0, W, H});
  if (FShowBackground) {
    FMask->Canvas()->Brush()->SetStyle(vcl::bsSolid);
    FMask->Canvas()->Brush()->SetColor(vcl::clBlack);
    FMask->Canvas()->FillRect(vcl::TRect{0, 0, W, H});
  }
  // A slice of the dial from angle a1 clockwise to a2 (GDI pies run the other way).
  auto slice = [&](vcl::TCanvas* c, double a1, double a2) {
    if (!(a2 > a1)) return;
    const vcl::TPoint from = PointAt(a2, FRadiusX, FRadiusY);
    const vcl::TPoint to = PointAt(a1, FRadiusX, FRadiusY);
    // Equal ends would make a whole ellipse of a sliver.
    if (from.x == to.x && from.y == to.y && a2 - a1 < 180) return;
    c->Pie(FCenterX - FRadiusX, FCenterY - FRadiusY, FCenterX + FRadiusX, FCenterY + FRadiusY,
           from.x, from.y, to.x, to.y);
  };
  const double start = FStartAngle, end = FStartAngle + FAngularRange;
  if (FShowZones) {
    face->Pen()->SetWidth(2);
    face->Pen()->SetColor(Color() == vcl::clBtnShadow ? vcl::cl3DLight : vcl::clBtnShadow);
    const double low = ValueAngle(FLowZoneValue), high = ValueAngle(FHighZoneValue);
    auto zone = [&](vcl::TColor color, double a1, double a2) {
      face->Brush()->SetColor(color);
      slice(face, a1, a2);
    };
    if (FLowZoneValue > FMin) zone(FLowZoneColor, start, low);
    if (FHighZoneValue > FLowZoneValue) zone(FOKZoneColor, low, high);
    if (FHighZoneValue < FMax) zone(FHighZoneColor, high, end);
  }
  if (FShowBackground) {
    vcl::TCanvas* m = FMask->Canvas();
    m->Pen()->SetWidth(2);
    m->Pen()->SetColor(vcl::clWhite);
    m->Brush()->SetStyle(vcl::bsSolid);
    m->Brush()->SetColor(vcl::clWhite);
    slice(m, start, end);
  }
}

void TAnalogMeter::DrawInnerFace() {
  Layer face{FFace->Canvas(), false};
  DrawInner(face);
  if (FShowBackground) {
    Layer mask{FMask->Canvas(), true};
    DrawInner(mask);
  }
  FDrawnValueText = FShowValue ? ValueText(FValue) : std::string();
}

void TAnalogMeter::DrawInner(Layer& layer) {
  vcl::TCanvas* c = layer.c;
  const int W = Width(), H = Height();
  if (layer.mask && !FDrawnValueText.empty()) {
    // The mask forgets the old value text before the inner face may whiten that place again:
    // drawn over in black after it, the text would cut holes into the face.
    c->Font()->Assign(Font());
    const gdi::SIZE size = c->TextExtent(FDrawnValueText);
    const int left = FCenterX - size.cx / 2, top = ValueTextTop();
    c->Brush()->SetStyle(vcl::bsSolid);
    c->Brush()->SetColor(vcl::clBlack);
    c->FillRect(vcl::TRect{left, top, left + size.cx, top + size.cy});
  }
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(layer.Ink(Color()));
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(layer.Ink(Color()));
  c->Ellipse(FCenterX - FInnerRadiusX, FCenterY - FInnerRadiusY, FCenterX + FInnerRadiusX,
             FCenterY + FInnerRadiusY);

  if (FShowTicks && FTickCount > 1) {
    const int inset = (W + H) / 35;
    c->Pen()->SetColor(layer.Ink(FTickColor));
    for (int i = 0; i < FTickCount; ++i) {
      const double a = ValueAngle(TickValue(i));
      const vcl::TPoint outer = PointAt(a, FInnerRadiusX, FInnerRadiusY);
      const vcl::TPoint inner = PointAt(a, FInnerRadiusX - inset, FInnerRadiusY - inset);
      // Drawn inward-out: the line leaves out its end pixel on the inner face's rim, which the
      // next inner redraw might not clear.
      c->MoveTo(inner.x, inner.y);
      c->LineTo(outer.x, outer.y);
    }
  }
  // Labels need two ticks at least: their spacing divides by the count less one.
  if (FShowTicksScale && FTickCount > 1) DrawTickLabels(layer);
  DrawCaption(layer);

  // The old value text goes by drawing it again in the face colour (exact with binary glyphs).
  if (!layer.mask) DrawValueText(layer, FDrawnValueText, Color());

  const int reach = FNeedleWidth + 1;
  const vcl::TPoint tip = PointAt(ValueAngle(FValue), FInnerRadiusX - reach, FInnerRadiusY - reach);
  c->Pen()->SetWidth(std::max<int>(FNeedleWidth, 1));
  c->Pen()->SetColor(layer.Ink(FTickColor));
  c->MoveTo(FCenterX, FCenterY);
  c->LineTo(tip.x, tip.y);
  const int knob = FKnobSize * (W + H) / 400;
  c->Pen()->SetWidth(3);
  c->Pen()->SetColor(layer.Ink(vcl::clBtnShadow));
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(layer.Ink(ZoneColorOf(FValue)));
  c->Ellipse(FCenterX - knob, FCenterY - knob, FCenterX + knob, FCenterY + knob);

  if (FShowValue) DrawValueText(layer, ValueText(FValue), layer.Ink(Font()->Color()));

  if (FShowFrame) {
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(layer.Ink(vcl::clBtnShadow));
    c->MoveTo(0, H - 1);
    c->LineTo(0, 0);
    c->LineTo(W - 1, 0);
    c->Pen()->SetColor(layer.Ink(vcl::clBtnHighlight));
    c->LineTo(W - 1, H - 1);
    c->LineTo(0, H - 1);
  }
}

double TAnalogMeter::TickValue(int i) const {
  const double t = double(i) / (FTickCount - 1);
  if (FLogScale && FMin > 0 && FMax >= FMin) return FMin * std::pow(double(FMax) / FMin, t);
  return FMin + t * (double(FMax) - FMin);
}

void TAnalogMeter::DrawTickLabels(Layer& layer) {
  vcl::TCanvas* c = layer.c;
  const int inset = (Width() + Height()) / 35;
  c->Font()->Assign(Font());
  c->Font()->SetColor(layer.Ink(FTickColor));
  c->Brush()->SetStyle(vcl::bsClear);
  for (int i = 0; i < FTickCount; ++i) {
    const double v = TickValue(i);
    const std::string text = FTickValAbbr ? AbbreviateTickString(v) : NormalTickString(v);
    // Ticks and labels are evenly spaced on both scales: the label stands at the linear angle.
    const double a = AngleOf(FMin + double(i) * (double(FMax) - FMin) / (FTickCount - 1));
    const vcl::TPoint p = PointAt(a, FInnerRadiusX - inset, FInnerRadiusY - inset);
    const gdi::SIZE size = c->TextExtent(text);
    const double w = size.cx, h = size.cy;
    int x = p.x, y = p.y;
    if (a >= 45 && a < 135) {
      y = p.y - int(h * (1 - (a - 45) / 90));
    } else if (a >= 135 && a < 225) {
      x = p.x - int(w * (a - 135) / 90);
    } else if (a >= 225 && a < 315) {
      x = p.x - int(w);
      y = p.y - int(h * (a - 225) / 90);
    } else {
      const double f = a >= 315 ? 1 - (a - 315) / 90 : 1;
      x = p.x - int(w * f);
      y = p.y - int(h);
    }
    c->TextOut(x, y, text);
  }
  c->Brush()->SetStyle(vcl::bsSolid);
}

void TAnalogMeter::DrawCaption(Layer& layer) {
  vcl::TCanvas* c = layer.c;
  c->Font()->Assign(Font());
  c->Font()->SetColor(layer.Ink(Font()->Color()));
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(layer.Ink(Color()));
  const gdi::SIZE size = c->TextExtent(FCaption);
  const int border = (Width() + Height()) / 40;
  int top = 0;
  if (FCaptionPosition == cpTop)
    top = ((FCenterY - border) + (FCenterY - FInnerRadiusY - 1)) / 2 + FCaptionVertAdj;
  else
    top = ((FCenterY + border) + (Height() - kTextHeight - 2 - (FRadiusY - FInnerRadiusY))) / 2 +
          FCaptionVertAdj - size.cy / 2;
  c->TextOut(FCenterX - size.cx / 2, top, FCaption);
}

void TAnalogMeter::DrawValueText(Layer& layer, const std::string& text, vcl::TColor color) {
  if (text.empty()) return;
  vcl::TCanvas* c = layer.c;
  c->Font()->Assign(Font());
  c->Font()->SetColor(color);
  c->Brush()->SetStyle(vcl::bsClear);
  c->TextOut(FCenterX - c->TextWidth(text) / 2, ValueTextTop(), text);
  c->Brush()->SetStyle(vcl::bsSolid);
}

namespace analogmeter {

void Register() {
  rtl::RegisterComponents(
      kPalettePage, {rtl::RegisterClass<TAnalogMeter>(
                        "TAnalogMeter", [](rtl::TComponent* owner) { return new TAnalogMeter(owner); })});
}

}  // namespace analogmeter
