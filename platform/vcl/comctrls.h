#pragma once
// Common controls: track bars, progress bars, and page controls with their tab sheets.
#include <vector>

#include "platform/vcl/controls.h"

namespace vcl {

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TCustomControl {
 public:
  explicit TTrackBar(rtl::TComponent* AOwner);
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  // Clamped to Min..Max; a change fires OnChange.
  void SetPosition(int v);
  int Frequency() const { return frequency_; }
  void SetFrequency(int v);
  int LineSize() const { return lineSize_; }
  void SetLineSize(int v) { lineSize_ = v; }
  int PageSize() const { return pageSize_; }
  void SetPageSize(int v) { pageSize_ = v; }
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation v);
  TTickStyle TickStyle() const { return tickStyle_; }
  void SetTickStyle(TTickStyle v);

  rtl::TNotifyEvent OnChange;

 protected:
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;
  virtual void Changed_() {
    if (OnChange) OnChange(this);
  }

 private:
  TRect Channel() const;
  TRect Thumb() const;
  int PosAt(int x, int y) const;
  int min_ = 0, max_ = 10, position_ = 0, frequency_ = 1, lineSize_ = 1, pageSize_ = 2;
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickStyle tickStyle_ = tsAuto;
  bool dragging_ = false;
};

class TProgressBar : public TCustomControl {
 public:
  explicit TProgressBar(rtl::TComponent* AOwner);
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  void SetPosition(int v);
  int Step() const { return step_; }
  void SetStep(int v) { step_ = v; }
  void StepIt();
  void StepBy(int delta) { SetPosition(position_ + delta); }
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool v);

 protected:
  void Paint() override;

 private:
  int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
  bool smooth_ = false;
};

class TPageControl;

class TTabSheet : public TCustomControl {
 public:
  explicit TTabSheet(rtl::TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return pageControl_; }
  // Puts the sheet on a page control (as its last page) or takes it off (nullptr).
  void SetPageControl(TPageControl* v);
  int PageIndex() const;
  void SetPageIndex(int v);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);
  void SetText(const std::string& v) override;

 protected:
  void Paint() override;

 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
};

using TTabChangingEvent = rtl::Event<void(rtl::TObject* Sender, bool& AllowChange)>;

class TPageControl : public TCustomControl {
 public:
  explicit TPageControl(rtl::TComponent* AOwner);
  ~TPageControl() override;
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int i) const { return pages_.at(static_cast<size_t>(i)); }
  TTabSheet* ActivePage() const { return active_; }
  // In code: no OnChanging/OnChange, as in the original.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int i);
  // The index among the visible tabs of the active page.
  int TabIndex() const;
  // The next (or previous) page with a visible tab, wrapping round, as Ctrl+Tab goes.
  void SelectNextPage(bool goForward);
  // The tab's rectangle (client coordinates), empty for a hidden tab.
  TRect TabRect(int pageIndex) const;

  TTabChangingEvent OnChanging;
  rtl::TNotifyEvent OnChange;

 protected:
  void Paint() override;
  void AdjustClientRect(TRect& r) const override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;
  bool DialogKey(unsigned short key, TShiftState shift) override;
  bool DialogChar(unsigned key) override;
  void AlignControls(TControl* control) override;

 private:
  friend class TTabSheet;
  // A user's change: OnChanging may refuse, OnChange follows.
  bool UserSelect(TTabSheet* page);
  int TabHeight() const;
  void InsertPage(TTabSheet* p);
  void RemovePage(TTabSheet* p);
  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
};

}  // namespace vcl
