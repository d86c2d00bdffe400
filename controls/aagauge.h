#pragma once
// TAAGauge: a needle over a circular scale with coloured range arcs, ticks, numbers and a
// caption. Everything is drawn off-screen, optionally at 2, 3 or 4 times the control's size and
// averaged back down (supersampling), and the time each redraw takes is reported as a frame rate.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/vcl/bitmap.h"
#include "platform/vcl/controls.h"

// Where the needle's pivot sits: bottom-left, bottom-right or in the middle of the dial.
enum TStyle : uint8_t { LeftStyle, RightStyle, CenterStyle };

// What the dial shows; bit 0 first.
enum TFaceOption {
  ShowMargin,
  ShowCircles,
  ShowMainTicks,
  ShowSubTicks,
  ShowIndicatorMin,
  ShowIndicatorMid,
  ShowIndicatorMax,
  ShowValues,
  ShowCenter,
  ShowFrame,
  Show3D,
  ShowCaption
};

// A set of TFaceOption, stored as a 16-bit word.
class TFaceOptions {
 public:
  constexpr TFaceOptions() = default;
  constexpr explicit TFaceOptions(uint16_t bits) : bits_(bits) {}
  constexpr TFaceOptions(std::initializer_list<TFaceOption> options) {
    for (TFaceOption o : options) bits_ = uint16_t(bits_ | Bit(o));
  }
  constexpr bool Contains(TFaceOption o) const { return (bits_ & Bit(o)) != 0; }
  constexpr TFaceOptions With(TFaceOption o) const {
    return TFaceOptions(uint16_t(bits_ | Bit(o)));
  }
  constexpr TFaceOptions Without(TFaceOption o) const {
    return TFaceOptions(uint16_t(bits_ & ~Bit(o)));
  }
  constexpr uint16_t Bits() const { return bits_; }
  friend constexpr bool operator==(TFaceOptions a, TFaceOptions b) = default;

 private:
  static constexpr uint16_t Bit(TFaceOption o) { return uint16_t(1u << unsigned(o)); }
  uint16_t bits_ = 0;
};

// The supersampling factor: 1, 2, 3 or 4 times the control's size.
enum TAntialiased : uint8_t { aaNone, aaBiline, aaTriline, aaQuadral };

class TAAGauge : public vcl::TCustomControl {
 public:
  explicit TAAGauge(rtl::TComponent* AOwner);
  ~TAAGauge() override;

  vcl::TColor MinColor() const { return FMinColor; }
  vcl::TColor MidColor() const { return FMidColor; }
  vcl::TColor MaxColor() const { return FMaxColor; }
  vcl::TColor FaceColor() const { return FFaceColor; }
  vcl::TColor TicksColor() const { return FTicksColor; }
  vcl::TColor ValueColor() const { return FValueColor; }
  vcl::TColor CaptionColor() const { return FCaptionColor; }
  vcl::TColor ArrowColor() const { return FArrowColor; }
  vcl::TColor MarginColor() const { return FMarginColor; }
  vcl::TColor CenterColor() const { return FCenterColor; }
  vcl::TColor CircleColor() const { return FCircleColor; }
  int CenterRadius() const { return FCenterRadius; }
  int CircleRadius() const { return FCircleRadius; }
  int Angle() const { return FAngle; }
  int Margin() const { return FMargin; }
  TStyle Style() const { return FStyle; }
  int ArrowWidth() const { return FArrowWidth; }
  int NumberMainTicks() const { return FNumMainTicks; }
  int LengthMainTicks() const { return FLengthMainTicks; }
  int LengthSubTicks() const { return FLengthSubTicks; }
  TFaceOptions FaceOptions() const { return FFaceOptions; }
  float Position() const { return FPosition; }
  int Scale() const { return FScale; }
  int IndMinimum() const { return FIndMinimum; }
  int IndMaximum() const { return FIndMaximum; }
  // The dial's caption (the control's own window text is not used).
  const std::string& Caption() const { return FCaption; }
  TAntialiased AntiAliased() const { return FAntiAliased; }
  // Redraws a second that the last timed redraw would allow.
  int Frames() const { return FFrames; }

  // Every setter stores a changed value and redraws at once; the scale setters ignore values
  // out of their range (and still redraw).
  void SetFMinColor(vcl::TColor v);
  void SetFMidColor(vcl::TColor v);
  void SetFMaxColor(vcl::TColor v);
  void SetFFaceColor(vcl::TColor v);
  void SetFTicksColor(vcl::TColor v);
  void SetFValueColor(vcl::TColor v);
  void SetFCaptionColor(vcl::TColor v);
  void SetFArrowColor(vcl::TColor v);
  void SetFMarginColor(vcl::TColor v);
  void SetFCenterColor(vcl::TColor v);
  void SetFCircleColor(vcl::TColor v);
  void SetFCenterRadius(int v);
  void SetFCircleRadius(int v);
  // 11..360 degrees.
  void SetFScaleAngle(int v);
  void SetFMargin(int v);
  void SetFStyle(TStyle v);
  // Clamped to 1..5.
  void SetFArrowWidth(int v);
  // At least 1: the tick spacing and the numbers divide by it.
  void SetFNumMainTicks(int v);
  void SetFLengthMainTicks(int v);
  void SetFLengthSubTicks(int v);
  void SetFFaceOptions(TFaceOptions v);
  // Fires OnOverMax / OnOverMin (in that order) on every change that leaves the value strictly
  // above IndMaximum / below IndMinimum, before the needle is redrawn. NaN and infinities are
  // ignored.
  void SetFPosition(float v);
  // Above 1; pulls IndMaximum (and then IndMinimum) inside the new scale.
  void SetFScaleValue(int v);
  // 0 < v < Scale.
  void SetFMaximum(int v);
  void SetFMinimum(int v);
  void SetFCaption(const std::string& v);
  void SetFAntiAliased(TAntialiased v);

  // The factor of AntiAliased: 1, 2, 3 or 4.
  int GetAAMultipler() const;

  rtl::TNotifyEvent OnOverMax;
  rtl::TNotifyEvent OnOverMin;
  rtl::TNotifyEvent OnFrames;

 protected:
  // Where the scale lies in a bitmap: start offset A in degrees, pivot, radius.
  struct TGeometry {
    double A = 0;
    int Cx = 0;
    double Cxf = 0;
    int Cy = 0;
    int R = 0;
  };

  void Paint() override;
  void WndProc(vcl::TMessage& message) override;
  void CreateWnd() override;
  void WMSize(vcl::TMessage& message);
  void CMFontChanged(vcl::TMessage& message);

  void RedrawScale();
  void RedrawArrow();
  void DrawScale(vcl::TBitmap* bitmap, int N);
  void DrawArrow(vcl::TBitmap* bitmap, int N);
  void FastAntiAliasPicture();

  // The geometry of a W x H bitmap at factor N; caps Angle at 90 for the corner styles.
  TGeometry Geometry(int W, int H, int N);
  // The point at scale position t (degrees from the scale's start) and radius r.
  static vcl::TPoint ScalePoint(const TGeometry& g, double t, double r);

  vcl::TBitmap* ScaleBitmap() const { return FScaleBitmap.get(); }
  vcl::TBitmap* WorkBitmap() const { return FWorkBitmap.get(); }
  // Null while AntiAliased is aaNone.
  vcl::TBitmap* AntiAliasedBitmap() const { return FAABitmap.get(); }

  // Ticks a second of the high-resolution counter; 0 times redraws with the millisecond count.
  int64_t FCounterFrequency = 0;

 private:
  // Sets a field the scale picture is drawn from, redrawing it on a change.
  template <class T>
  void SetScaleField(T& field, T v) {
    if (v == field) return;
    field = v;
    RedrawScale();
  }
  // Sizes the bitmaps to the control: scale and work at N times, the averaged one at 1x.
  void SizeBitmaps();
  // The whole source picture onto the target (SRCCOPY).
  static void CopyPicture(vcl::TBitmap* source, vcl::TBitmap* target);
  void StartTimer();
  void TakeFrameRate();

  vcl::TColor FMinColor = 0x008000;
  vcl::TColor FMidColor = 0x00FFFF;
  vcl::TColor FMaxColor = 0x0000FF;
  vcl::TColor FFaceColor = vcl::clBtnFace;
  vcl::TColor FTicksColor = vcl::clBlack;
  vcl::TColor FValueColor = vcl::clBlack;
  vcl::TColor FCaptionColor = vcl::clBlack;
  vcl::TColor FArrowColor = vcl::clBlack;
  vcl::TColor FMarginColor = vcl::clBlack;
  vcl::TColor FCenterColor = 0x808080;
  vcl::TColor FCircleColor = 0xFF0000;
  int FCenterRadius = 8;
  int FCircleRadius = 3;
  int FAngle = 120;
  int FMargin = 10;
  TStyle FStyle = CenterStyle;
  int FArrowWidth = 1;
  int FNumMainTicks = 7;
  int FLengthMainTicks = 15;
  int FLengthSubTicks = 8;
  TFaceOptions FFaceOptions{0x0FCD};
  float FPosition = 0;
  int FScale = 140;
  int FIndMinimum = 30;
  int FIndMaximum = 80;
  std::string FCaption = "mV";
  TAntialiased FAntiAliased = aaNone;
  std::unique_ptr<vcl::TBitmap> FScaleBitmap;
  std::unique_ptr<vcl::TBitmap> FWorkBitmap;
  std::unique_ptr<vcl::TBitmap> FAABitmap;
  int64_t FStartStamp = -1;
  int FFrames = 0;
};

// The component palette page the gauge is offered on.
inline constexpr char kPalettePage[] = "Additional";
// Makes the gauge creatable by class name, as form resources create their components.
void Register();
