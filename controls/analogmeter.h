#pragma once
// TAnalogMeter: a needle over an elliptical dial with low, OK and high colour zones, a linear or
// logarithmic tick scale, a caption and a digital value; events fire when the value crosses a
// zone limit. Drawn off-screen; with ShowBackground a picture shows around the dial through a
// mask of everything drawn.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/vcl/bitmap.h"
#include "platform/vcl/controls.h"

enum TCaptionPos : uint8_t { cpTop, cpBottom };

class TAnalogMeter : public vcl::TCustomControl {
 public:
  explicit TAnalogMeter(rtl::TComponent* AOwner);
  ~TAnalogMeter() override;

  vcl::TBitmap* BackGround() const { return FBackGround.get(); }
  bool ShowBackground() const { return FShowBackground; }
  // The dial's caption (the control's own window text is not used).
  const std::string& Caption() const { return FCaption; }
  TCaptionPos CaptionPosition() const { return FCaptionPosition; }
  int8_t CaptionVertAdj() const { return FCaptionVertAdj; }
  float Min() const { return FMin; }
  float Max() const { return FMax; }
  float Value() const { return FValue; }
  uint8_t TickPrecision() const { return FTickPrecision; }
  uint8_t TickDigits() const { return FTickDigits; }
  uint8_t ValuePrecision() const { return FValuePrecision; }
  uint8_t ValueDigits() const { return FValueDigits; }
  bool LogScale() const { return FLogScale; }
  bool TickValAbbr() const { return FTickValAbbr; }
  int AngularRange() const { return FAngularRange; }
  uint8_t TickCount() const { return FTickCount; }
  uint8_t LowZone() const { return GetLowZone(); }
  uint8_t HighZone() const { return GetHighZone(); }
  float LowZoneValue() const { return FLowZoneValue; }
  float HighZoneValue() const { return FHighZoneValue; }
  vcl::TColor HighZoneColor() const { return FHighZoneColor; }
  vcl::TColor LowZoneColor() const { return FLowZoneColor; }
  vcl::TColor OKZoneColor() const { return FOKZoneColor; }
  uint8_t KnobSize() const { return FKnobSize; }
  uint8_t NeedleWidth() const { return FNeedleWidth; }
  vcl::TColor TickColor() const { return FTickColor; }
  bool ShowTicks() const { return FShowTicks; }
  bool ShowTicksScale() const { return FShowTicksScale; }
  bool ShowZones() const { return FShowZones; }
  bool ShowFrame() const { return FShowFrame; }
  bool ShowValue() const { return FShowValue; }
  bool EnableZoneEvents() const { return FEnableZoneEvents; }

  // Setters store a changed value and redraw at once.
  // A copy of the picture; nullptr removes it.
  void SetBackGround(const vcl::TBitmap* v);
  void SetShowBackground(bool v);
  void SetCaption(const std::string& v);
  void SetCaptionPosition(TCaptionPos v);
  // Accepted only in -30..30.
  void SetCaptionVertAdj(int8_t v);
  // Each limit stays on its side of the other; zone percentages and the value follow. Infinite
  // and NaN limits are ignored.
  void SetMin(float v);
  void SetMax(float v);
  // Clamped to Min..Max; fires onChange and the zone events.
  void SetValue(float v);
  void SetTickPrecision(uint8_t v);
  void SetTickDigits(uint8_t v);
  void SetValuePrecision(uint8_t v);
  void SetValueDigits(uint8_t v);
  // On a logarithmic scale 0 < Min <= Max always holds.
  void SetLogScale(bool v);
  void SetTickValAbbr(bool v);
  // Clamped to 10..360 degrees.
  void SetAngularRange(int v);
  // At most 100.
  void SetTickCount(uint8_t v);
  void SetLowZone(uint8_t percent);
  void SetHighZone(uint8_t percent);
  void SetLowZoneValue(float v);
  void SetHighZoneValue(float v);
  void SetHighZoneColor(vcl::TColor v);
  void SetLowZoneColor(vcl::TColor v);
  void SetOKZoneColor(vcl::TColor v);
  void SetKnobSize(uint8_t v);
  void SetNeedleWidth(uint8_t v);
  void SetTickColor(vcl::TColor v);
  void SetShowTicks(bool v);
  void SetShowTicksScale(bool v);
  void SetShowZones(bool v);
  void SetShowFrame(bool v);
  void SetShowValue(bool v);
  void SetEnableZoneEvents(bool v);

  // Redraws both faces and paints.
  void ForceRedraw();

  rtl::TNotifyEvent onResize;
  rtl::TNotifyEvent onChange;
  rtl::TNotifyEvent onRiseAboveHigh;
  rtl::TNotifyEvent onFallBelowHigh;
  rtl::TNotifyEvent onRiseAboveLow;
  rtl::TNotifyEvent onFallBelowLow;

 protected:
  void Paint() override;
  void WndProc(vcl::TMessage& message) override;
  void CreateWnd() override;
  void WMSize(vcl::TMessage& message);

  uint8_t GetLowZone() const;
  uint8_t GetHighZone() const;
  // Degrees from straight down, clockwise.
  double AngleOf(double v) const;
  double LogAngleOf(double v) const;
  // The point at angle a on the ellipse with radii rx, ry around the dial centre.
  vcl::TPoint PointAt(double a, int rx, int ry) const;
  void OptimizeSizes();
  void DrawOuterFace();
  void DrawInnerFace();
  std::string NormalTickString(double v) const;
  std::string AbbreviateTickString(double v) const;

  // Dial geometry, as OptimizeSizes leaves it.
  int FBorder = 0;
  int FCenterX = 0;
  int FCenterY = 0;
  int FRadiusX = 0;
  int FRadiusY = 0;
  int FInnerRadiusX = 0;
  int FInnerRadiusY = 0;
  double FStartAngle = 45;
  static constexpr int kTextHeight = 8;

  vcl::TBitmap* Face() const { return FFace.get(); }
  vcl::TBitmap* Mask() const { return FMask.get(); }
  vcl::TBitmap* Composite() const { return FComposite.get(); }

 private:
  // A face picture being drawn: the face itself, or the mask where everything is white.
  struct Layer;
  template <class T>
  void SetAndRedraw(T& field, T v) {
    if (v == field) return;
    field = v;
    ForceRedraw();
  }
  template <class T>
  void SetAndRedrawInner(T& field, T v) {
    if (v == field) return;
    field = v;
    DrawInnerFace();
    Paint();
  }
  // Stores a zone limit, redraws and fires the events for a value the limit passed.
  void MoveZoneLimit(float& limit, float v, const rtl::TNotifyEvent& fallBelow,
                     const rtl::TNotifyEvent& riseAbove);
  void DrawInner(Layer& layer);
  void DrawTickLabels(Layer& layer);
  void DrawCaption(Layer& layer);
  void DrawValueText(Layer& layer, const std::string& text, vcl::TColor color);
  // Tick i's value: even steps, or even ratios on a logarithmic scale.
  double TickValue(int i) const;
  double ValueAngle(double v) const;
  int ValueTextTop() const { return Height() - FBorder - kTextHeight - 1; }
  vcl::TColor ZoneColorOf(float v) const;
  std::string ValueText(float v) const;
  void SizeBitmaps();

  std::unique_ptr<vcl::TBitmap> FFace;
  std::unique_ptr<vcl::TBitmap> FMask;
  std::unique_ptr<vcl::TBitmap> FInvMask;
  std::unique_ptr<vcl::TBitmap> FComposite;
  std::unique_ptr<vcl::TBitmap> FBackGround;
  bool FShowBackground = false;
  std::string FCaption = "mV";
  TCaptionPos FCaptionPosition = cpTop;
  int8_t FCaptionVertAdj = 0;
  float FMin = 0;
  float FMax = 100;
  float FValue = 0;
  float FOldValue = 0;
  // The value text as last drawn, erased before the next one.
  std::string FDrawnValueText;
  uint8_t FTickPrecision = 7;
  uint8_t FTickDigits = 1;
  uint8_t FValuePrecision = 7;
  uint8_t FValueDigits = 1;
  bool FLogScale = false;
  bool FTickValAbbr = false;
  int FAngularRange = 270;
  uint8_t FTickCount = 11;
  float FLowZoneValue = 10;
  float FHighZoneValue = 90;
  vcl::TColor FHighZoneColor = vcl::clRed;
  vcl::TColor FLowZoneColor = 0x00FFFF;
  vcl::TColor FOKZoneColor = vcl::cl3DLight;
  uint8_t FKnobSize = 10;
  uint8_t FNeedleWidth = 2;
  vcl::TColor FTickColor = vcl::clBlack;
  bool FShowTicks = true;
  bool FShowTicksScale = false;
  bool FShowZones = true;
  bool FShowFrame = true;
  bool FShowValue = true;
  bool FEnableZoneEvents = true;
};

namespace analogmeter {
// The component palette page the meter is offered on.
inline constexpr char kPalettePage[] = "Samples";
// Makes the meter creatable by class name, as form resources create their components.
void Register();
}  // namespace analogmeter
