#include "controls/aagauge.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/rtl/classregistry.h"
#include "platform/rtl/palette.h"
#include "platform/rtl/rtlmath.h"

namespace {

constexpr int kMinWidth = 60;
constexpr int kMinHeight = 50;

double Rad(double degrees) {
  return degrees * 2 * std::numbers::pi / 360;
}

int RoundInt(double x) {
  return static_cast<int>(rtl::Round(x));
}

}  // namespace

TAAGauge::TAAGauge(rtl::TComponent* AOwner)
    : vcl::TCustomControl(AOwner),
      FScaleBitmap(std::make_unique<vcl::TBitmap>()),
      FWorkBitmap(std::make_unique<vcl::TBitmap>()) {
  int64_t frequency = 0;
  FCounterFrequency = win::QueryPerformanceFrequency(&frequency) ? frequency : 0;
  SetBounds(Left(), Top(), 225, 180);
  SizeBitmaps();
}

TAAGauge::~TAAGauge() = default;

// ---------------------------------------------------------------- setters

void TAAGauge::SetFMinColor(vcl::TColor v) {
  SetScaleField(FMinColor, v);
}
void TAAGauge::SetFMidColor(vcl::TColor v) {
  SetScaleField(FMidColor, v);
}
void TAAGauge::SetFMaxColor(vcl::TColor v) {
  SetScaleField(FMaxColor, v);
}
void TAAGauge::SetFFaceColor(vcl::TColor v) {
  SetScaleField(FFaceColor, v);
}
void TAAGauge::SetFTicksColor(vcl::TColor v) {
  SetScaleField(FTicksColor, v);
}
void TAAGauge::SetFValueColor(vcl::TColor v) {
  SetScaleField(FValueColor, v);
}
void TAAGauge::SetFCaptionColor(vcl::TColor v) {
  SetScaleField(FCaptionColor, v);
}
void TAAGauge::SetFMarginColor(vcl::TColor v) {
  SetScaleField(FMarginColor, v);
}
void TAAGauge::SetFCenterColor(vcl::TColor v) {
  SetScaleField(FCenterColor, v);
}
void TAAGauge::SetFCircleColor(vcl::TColor v) {
  SetScaleField(FCircleColor, v);
}

void TAAGauge::SetFArrowColor(vcl::TColor v) {
  if (v == FArrowColor) return;
  FArrowColor = v;
  RedrawArrow();
}

void TAAGauge::SetFCenterRadius(int v) {
  SetScaleField(FCenterRadius, v);
}
void TAAGauge::SetFCircleRadius(int v) {
  SetScaleField(FCircleRadius, v);
}
void TAAGauge::SetFMargin(int v) {
  SetScaleField(FMargin, v);
}
void TAAGauge::SetFLengthMainTicks(int v) {
  SetScaleField(FLengthMainTicks, v);
}
void TAAGauge::SetFLengthSubTicks(int v) {
  SetScaleField(FLengthSubTicks, v);
}

void TAAGauge::SetFNumMainTicks(int v) {
  if (v == FNumMainTicks) return;
  // The tick spacing and the numbers divide by it.
  if (v >= 1) FNumMainTicks = v;
  RedrawScale();
}

void TAAGauge::SetFStyle(TStyle v) {
  SetScaleField(FStyle, v);
}

void TAAGauge::SetFFaceOptions(TFaceOptions v) {
  SetScaleField(FFaceOptions, v);
}

void TAAGauge::SetFScaleAngle(int v) {
  if (v == FAngle) return;
  if (v >= 11 && v <= 360) FAngle = v;
  RedrawScale();
}

void TAAGauge::SetFArrowWidth(int v) {
  if (v == FArrowWidth) return;
  FArrowWidth = std::clamp(v, 1, 5);
  RedrawArrow();
}

void TAAGauge::SetFScaleValue(int v) {
  if (v == FScale) return;
  if (v > 1) {
    FScale = v;
    if (FIndMaximum >= FScale) FIndMaximum = FScale - 1;
    if (FScale - FIndMaximum < FIndMinimum) FIndMinimum = FScale - FIndMaximum;
  }
  RedrawScale();
}

void TAAGauge::SetFMaximum(int v) {
  if (v == FIndMaximum) return;
  if (v > 0 && v < FScale) FIndMaximum = v;
  RedrawScale();
}

void TAAGauge::SetFMinimum(int v) {
  if (v == FIndMinimum) return;
  if (v > 0 && v < FScale) FIndMinimum = v;
  RedrawScale();
}

void TAAGauge::SetFCaption(const std::string& v) {
  if (v == FCaption) return;
  Canvas()->Font()->Assign(Font());
  FCaption = v;
  RedrawScale();
}

void TAAGauge::SetFPosition(float v) {
  // A value that is no number has no place on the dial: the needle stays where it was.
  if (!std::isfinite(v) || v == FPosition) return;
  FPosition = v;
  if (FIndMaximum < FPosition && OnOverMax) OnOverMax(this);
  if (FIndMinimum > FPosition && OnOverMin) OnOverMin(this);
  RedrawArrow();
}

void TAAGauge::SetFAntiAliased(TAntialiased v) {
  if (v == FAntiAliased) return;
  FAntiAliased = v;
  if (GetAAMultipler() == 1) {
    // Back to plain bitmaps of the default format.
    FAABitmap.reset();
    FScaleBitmap = std::make_unique<vcl::TBitmap>();
    FWorkBitmap = std::make_unique<vcl::TBitmap>();
  }
  SizeBitmaps();
  RedrawScale();
}

int TAAGauge::GetAAMultipler() const {
  switch (FAntiAliased) {
    case aaBiline:
      return 2;
    case aaTriline:
      return 3;
    case aaQuadral:
      return 4;
    case aaNone:
      break;
  }
  return 1;
}

void TAAGauge::SizeBitmaps() {
  const int n = GetAAMultipler();
  if (n == 1) {
    FScaleBitmap->SetWidth(Width());
    FWorkBitmap->SetWidth(Width());
    FScaleBitmap->SetHeight(Height());
    FWorkBitmap->SetHeight(Height());
    return;
  }
  FScaleBitmap->SetPixelFormat(vcl::pf24bit);
  FWorkBitmap->SetPixelFormat(vcl::pf24bit);
  FScaleBitmap->SetWidth(Width() * n);
  FWorkBitmap->SetWidth(Width() * n);
  FScaleBitmap->SetHeight(Height() * n);
  FWorkBitmap->SetHeight(Height() * n);
  if (!FAABitmap) FAABitmap = std::make_unique<vcl::TBitmap>();
  FAABitmap->SetPixelFormat(vcl::pf24bit);
  FAABitmap->SetWidth(Width());
  FAABitmap->SetHeight(Height());
}

// ---------------------------------------------------------------- messages

void TAAGauge::WndProc(vcl::TMessage& message) {
  switch (message.Msg) {
    case win::WM_SIZE:
      WMSize(message);
      return;
    case vcl::CM_FONTCHANGED:
      CMFontChanged(message);
      return;
    default:
      vcl::TCustomControl::WndProc(message);
  }
}

void TAAGauge::CreateWnd() {
  vcl::TCustomControl::CreateWnd();
  // The window's first size message went out before the window knew its control.
  Perform(win::WM_SIZE, win::SIZE_RESTORED, win::MAKELPARAM(ClientWidth(), ClientHeight()));
}

void TAAGauge::WMSize(vcl::TMessage& message) {
  if (Width() < kMinWidth) SetWidth(kMinWidth);
  if (Height() < kMinHeight) SetHeight(kMinHeight);
  SizeBitmaps();
  RedrawScale();
  vcl::TCustomControl::WndProc(message);
}

void TAAGauge::CMFontChanged(vcl::TMessage&) {
  RedrawScale();
}

void TAAGauge::Paint() {
  // Not shown yet: there is no window to copy to.
  if (!Canvas()->HandleAllocated() && !HandleAllocated()) return;
  vcl::TBitmap* source = FAABitmap && FAntiAliased != aaNone ? FAABitmap.get() : FWorkBitmap.get();
  gdi::BitBlt(Canvas()->Handle(), 0, 0, source->Width(), source->Height(),
              source->Canvas()->Handle(), 0, 0, gdi::SRCCOPY);
}

// ---------------------------------------------------------------- redraw chain and timing

void TAAGauge::StartTimer() {
  if (FCounterFrequency != 0) {
    win::QueryPerformanceCounter(&FStartStamp);
  } else {
    FStartStamp = static_cast<int64_t>(win::GetTickCount());
  }
}

void TAAGauge::TakeFrameRate() {
  int64_t elapsed = 0;
  int64_t perSecond = 0;
  if (FCounterFrequency != 0) {
    int64_t now = 0;
    win::QueryPerformanceCounter(&now);
    elapsed = now - FStartStamp;
    perSecond = FCounterFrequency;
  } else {
    auto now = static_cast<int64_t>(win::GetTickCount());
    if (now < FStartStamp) now += int64_t(1) << 32;  // the millisecond count wrapped
    elapsed = now - FStartStamp;
    perSecond = 1000;
  }
  FStartStamp = -1;
  // A redraw faster than one tick has no measurable rate: keep the last figure.
  if (elapsed <= 0) return;
  const int frames = static_cast<int>(std::min<int64_t>(perSecond / elapsed, INT32_MAX));
  if (frames == FFrames) return;
  FFrames = frames;
  if (OnFrames) OnFrames(this);
}

void TAAGauge::CopyPicture(vcl::TBitmap* source, vcl::TBitmap* target) {
  // Pictures of one size and direct pixel format are copied row by row, which is much quicker
  // than a general block transfer and gives the same pixels.
  const vcl::TPixelFormat format = source->PixelFormat();
  const bool direct = format == vcl::pf24bit || format == vcl::pf32bit || format == vcl::pfDevice;
  if (!direct || target->PixelFormat() != format || target->Width() != source->Width() ||
      target->Height() != source->Height()) {
    gdi::BitBlt(target->Canvas()->Handle(), 0, 0, source->Width(), source->Height(),
                source->Canvas()->Handle(), 0, 0, gdi::SRCCOPY);
    return;
  }
  const size_t rowBytes = size_t(source->Width()) * (format == vcl::pf24bit ? 3 : 4);
  for (int y = 0; y < source->Height(); ++y)
    std::memcpy(target->ScanLine(y), source->ScanLine(y), rowBytes);
}

void TAAGauge::RedrawScale() {
  StartTimer();
  DrawScale(FScaleBitmap.get(), GetAAMultipler());
  RedrawArrow();
}

void TAAGauge::RedrawArrow() {
  if (FStartStamp < 0) StartTimer();
  CopyPicture(FScaleBitmap.get(), FWorkBitmap.get());
  DrawArrow(FWorkBitmap.get(), GetAAMultipler());
  if (FAntiAliased != aaNone) FastAntiAliasPicture();
  Paint();
  TakeFrameRate();
}

// ---------------------------------------------------------------- drawing

TAAGauge::TGeometry TAAGauge::Geometry(int W, int H, int N) {
  const int M = FMargin * N;
  TGeometry g;
  switch (FStyle) {
    case LeftStyle:
    case RightStyle:
      if (FAngle > 90) FAngle = 90;
      g.A = FStyle == LeftStyle ? 90 : 0;
      g.Cx = FStyle == LeftStyle ? M : W - M;
      g.Cxf = g.Cx;
      g.Cy = H - M;
      g.R = W - 2 * M;
      break;
    case CenterStyle:
      g.A = (180.0 - FAngle) / 2;
      g.Cx = W / 2;
      g.Cxf = W / 2.0;
      if (FAngle >= 180) {
        g.Cy = H / 2;
        g.R = (W - 2 * M) / 2;
      } else {
        g.R = std::min(RoundInt(((W - 2 * M) / 2.0) / std::cos(Rad(g.A))), H - 2 * M);
        g.Cy = (H - g.R) / 2 + g.R;
      }
      break;
  }
  return g;
}

vcl::TPoint TAAGauge::ScalePoint(const TGeometry& g, double t, double r) {
  const double a = Rad(t + g.A);
  return vcl::TPoint{RoundInt(g.Cxf - r * std::cos(a)), RoundInt(g.Cy - r * std::sin(a))};
}

void TAAGauge::DrawScale(vcl::TBitmap* bitmap, int N) {
  vcl::TCanvas* c = bitmap->Canvas();
  const int W = bitmap->Width();
  const int H = bitmap->Height();
  const int M = FMargin * N;

  c->Font()->Assign(Font());
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(FFaceColor);
  c->FillRect(vcl::TRect{0, 0, W, H});
  c->Font()->SetHeight(c->Font()->Height() * N);

  if (FFaceOptions.Contains(ShowFrame)) {
    if (FFaceOptions.Contains(Show3D)) {
      c->Pen()->SetWidth(2 * N);
      c->Pen()->SetColor(vcl::clBtnShadow);
      c->MoveTo(W, 0);
      c->LineTo(0, 0);
      c->LineTo(0, H);
      c->Pen()->SetColor(vcl::clBtnHighlight);
      c->LineTo(W, H);
      c->LineTo(W, 0);
    } else {
      c->Pen()->SetWidth(N);
      c->Pen()->SetColor(vcl::clBtnText);
      c->Rectangle(0, 0, W, H);
    }
  }

  if (FFaceOptions.Contains(ShowMargin)) {
    c->Pen()->SetColor(FMarginColor);
    c->Pen()->SetWidth(N);
    c->Rectangle(M, M, W - M, H - M);
  }

  const TGeometry g = Geometry(W, H, N);
  const double R = g.R;

  if (FFaceOptions.Contains(ShowCaption)) {
    c->Font()->SetColor(FCaptionColor);
    const double mid = Rad(FAngle / 2.0 + g.A);
    const int left = RoundInt(g.Cxf - (R / 2) * std::cos(mid)) - c->TextWidth(FCaption) / 2;
    const int top = RoundInt(g.Cy - (R / 2) * std::sin(mid));
    c->TextOut(left, top, FCaption);
  }

  // A band of the scale between two values, as a wide arc drawn counter-clockwise from the
  // first point to the second.
  auto band = [&](vcl::TColor color, double fromT, double toT) {
    const vcl::TPoint p1 = ScalePoint(g, fromT, R);
    const vcl::TPoint p2 = ScalePoint(g, toT, R);
    gdi::LOGBRUSH lb{};
    lb.lbStyle = gdi::BS_SOLID;
    lb.lbColor = gdi::ColorToRGB(color);
    gdi::HPEN pen = gdi::ExtCreatePen(gdi::PS_GEOMETRIC | gdi::PS_SOLID | gdi::PS_ENDCAP_FLAT,
                                      4 * N, &lb, 0, nullptr);
    if (!pen) {
      c->Pen()->SetWidth(4 * N);
      c->Pen()->SetColor(color);
      c->Arc(g.Cx - g.R, g.Cy - g.R, g.Cx + g.R, g.Cy + g.R, p1.x, p1.y, p2.x, p2.y);
      return;
    }
    gdi::HDC dc = c->Handle();
    gdi::HGDIOBJ old = gdi::SelectObject(dc, pen);
    gdi::Arc(dc, g.Cx - g.R, g.Cy - g.R, g.Cx + g.R, g.Cy + g.R, p1.x, p1.y, p2.x, p2.y);
    gdi::SelectObject(dc, old);
    gdi::DeleteObject(pen);
  };
  // In double: limits near a large scale times the angle do not fit 32 bits.
  const double tMin = double(FIndMinimum) * FAngle / FScale;
  const double tMax = double(FIndMaximum) * FAngle / FScale;
  if (FFaceOptions.Contains(ShowIndicatorMax)) band(FMaxColor, FAngle, tMax);
  if (FFaceOptions.Contains(ShowIndicatorMid) && FIndMinimum < FIndMaximum)
    band(FMidColor, tMax, tMin);
  if (FFaceOptions.Contains(ShowIndicatorMin)) band(FMinColor, tMin, 0);

  c->Font()->SetColor(FValueColor);
  c->Pen()->SetColor(FTicksColor);
  c->Pen()->SetWidth(N);

  auto tick = [&](double t, int length) {
    const vcl::TPoint inner = ScalePoint(g, t, R - length * N);
    const vcl::TPoint outer = ScalePoint(g, t, R);
    c->MoveTo(inner.x, inner.y);
    c->LineTo(outer.x, outer.y);
  };

  if (FFaceOptions.Contains(ShowSubTicks)) {
    const int subTicks = 5 * FNumMainTicks;
    for (int j = 0; j <= subTicks; ++j) tick(double(j) * FAngle / subTicks, FLengthSubTicks);
  }

  for (int i = 0; i <= FNumMainTicks; ++i) {
    const double t = double(i) * FAngle / FNumMainTicks;
    if (FFaceOptions.Contains(ShowMainTicks)) tick(t, FLengthMainTicks);
    if (FFaceOptions.Contains(ShowCircles)) {
      c->Brush()->SetColor(FCircleColor);
      const vcl::TPoint p = ScalePoint(g, t, R);
      const int r = FCircleRadius * N;
      c->Ellipse(p.x - r, p.y - r, p.x + r, p.y + r);
    }
    if (FFaceOptions.Contains(ShowValues)) {
      c->Brush()->SetColor(FFaceColor);
      const std::string text = std::to_string(int64_t(i) * FScale / FNumMainTicks);
      // The 5 and the i are pixels at any factor; the i pulls the numbers in sideways only.
      const double a = Rad(t + g.A);
      const double radius = R - FLengthMainTicks * N - 5;
      const int left = RoundInt(g.Cxf - (radius - i) * std::cos(a)) - c->TextWidth(text) / 2;
      const int top = RoundInt(g.Cy - radius * std::sin(a));
      c->TextOut(left, top, text);
    }
  }
}

void TAAGauge::DrawArrow(vcl::TBitmap* bitmap, int N) {
  vcl::TCanvas* c = bitmap->Canvas();
  const TGeometry g = Geometry(bitmap->Width(), bitmap->Height(), N);
  c->Pen()->SetWidth(FArrowWidth * N);
  c->Pen()->SetColor(FArrowColor);
  // Off the scale the needle rests against the stop at that end: carried round past the end it
  // would point into the gap or back at a low value (a 70 kn gust on a 50 kn dial reading 3).
  const double shown = std::clamp(double(FPosition), 0.0, double(FScale));
  const vcl::TPoint tip = ScalePoint(g, shown * FAngle / FScale, g.R);
  c->MoveTo(g.Cx, g.Cy);
  c->LineTo(tip.x, tip.y);
  if (FFaceOptions.Contains(ShowCenter)) {
    c->Brush()->SetColor(FCenterColor);
    const int r = FCenterRadius * N;
    c->Ellipse(g.Cx - r, g.Cy - r, g.Cx + r, g.Cy + r);
  }
}

void TAAGauge::FastAntiAliasPicture() {
  vcl::TBitmap* source = FWorkBitmap.get();
  vcl::TBitmap* target = FAABitmap.get();
  const int n = GetAAMultipler();
  if (!target || n == 1) return;
  const unsigned divisor = unsigned(n * n);
  const int width = std::min(target->Width(), source->Width() / n);
  const int height = std::min(target->Height(), source->Height() / n);
  const uint8_t* rows[4] = {};
  for (int y = 0; y < height; ++y) {
    for (int k = 0; k < n; ++k) rows[k] = source->ScanLine(y * n + k);
    uint8_t* out = target->ScanLine(y);
    for (int x = 0; x < width; ++x, out += 3) {
      unsigned b = 0, gr = 0, r = 0;
      for (int k = 0; k < n; ++k) {
        const uint8_t* p = rows[k] + x * n * 3;
        for (int m = 0; m < n; ++m, p += 3) {
          b += p[0];
          gr += p[1];
          r += p[2];
        }
      }
      out[0] = uint8_t(b / divisor);
      out[1] = uint8_t(gr / divisor);
      out[2] = uint8_t(r / divisor);
    }
  }
}

void Register() {
  rtl::RegisterComponents(kPalettePage,
                          {rtl::RegisterClass<TAAGauge>("TAAGauge", [](rtl::TComponent* owner) {
                            return new TAAGauge(owner);
                          })});
}
