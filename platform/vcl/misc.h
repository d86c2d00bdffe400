#pragma once
// Scroll bars, spin edits and the sample progress gauge.
#include "platform/vcl/edits.h"

namespace vcl {

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};
using TScrollEvent = rtl::Event<void(rtl::TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

class TScrollBar : public TCustomControl {
 public:
  explicit TScrollBar(rtl::TComponent* AOwner);
  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind v);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int v) { SetParams(position_, v, max_); }
  void SetMax(int v) { SetParams(position_, min_, v); }
  // Clamped to Min..Max - PageSize + 1 (Max with no page); a change fires OnChange.
  void SetPosition(int v) { SetParams(v, min_, max_); }
  void SetParams(int position, int min, int max);
  int SmallChange() const { return smallChange_; }
  void SetSmallChange(int v) { smallChange_ = v; }
  int LargeChange() const { return largeChange_; }
  void SetLargeChange(int v) { largeChange_ = v; }
  int PageSize() const { return pageSize_; }
  void SetPageSize(int v);

  rtl::TNotifyEvent OnChange;
  TScrollEvent OnScroll;

 protected:
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;

 private:
  void Scroll(TScrollCode code, int pos);
  int Length() const { return kind_ == sbHorizontal ? Width() : Height(); }
  int Thickness() const { return kind_ == sbHorizontal ? Height() : Width(); }
  TRect ThumbRect() const;
  int MaxPos() const;
  TScrollBarKind kind_ = sbHorizontal;
  int min_ = 0, max_ = 100, position_ = 0, smallChange_ = 1, largeChange_ = 1, pageSize_ = 0;
  bool tracking_ = false;
  int trackOffset_ = 0;
};

class TSpinEdit : public TCustomEdit {
 public:
  explicit TSpinEdit(rtl::TComponent* AOwner);
  // The text as a number (MinValue when it is not one), kept within the limits when they differ.
  int Value() const;
  void SetValue(int v);
  int MinValue() const { return minValue_; }
  void SetMinValue(int v);
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int v);
  int Increment() const { return increment_; }
  void SetIncrement(int v) { increment_ = v; }

 protected:
  int ButtonWidth() const override { return 15; }
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void DoExit() override;

 private:
  int Clamp(int v) const;
  int minValue_ = 0, maxValue_ = 0, increment_ = 1;
};

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

// The sample progress gauge: a bar (or pie) with the percentage written over it.
class TCGauge : public TGraphicControl {
 public:
  explicit TCGauge(rtl::TComponent* AOwner);
  TGaugeKind Kind() const { return kind_; }
  void SetKind(TGaugeKind v);
  int MinValue() const { return minValue_; }
  void SetMinValue(int v);
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int v);
  int Progress() const { return progress_; }
  // Clamped to MinValue..MaxValue.
  void SetProgress(int v);
  void AddProgress(int v) { SetProgress(progress_ + v); }
  int PercentDone() const;
  TColor ForeColor() const { return foreColor_; }
  void SetForeColor(TColor v);
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor v);
  bool ShowText() const { return showText_; }
  void SetShowText(bool v);

 protected:
  void Paint() override;

 private:
  TGaugeKind kind_ = gkHorizontalBar;
  int minValue_ = 0, maxValue_ = 100, progress_ = 0;
  TColor foreColor_ = gdi::clBlack;
  TColor backColor_ = gdi::clWhite;
  bool showText_ = true;
};

}  // namespace vcl
