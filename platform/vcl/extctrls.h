#pragma once
// Panels, shapes, bevels, images, radio groups and splitters.
#include <memory>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "platform/vcl/bitmap.h"
#include "platform/vcl/stdctrls.h"

namespace vcl {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TCustomControl {
 public:
  explicit TPanel(rtl::TComponent* AOwner);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut v);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut v);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int v);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int v);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);

 protected:
  void Paint() override;
  void AdjustClientRect(TRect& r) const override;

 private:
  void Rearrange();
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TFormBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
 public:
  explicit TShape(rtl::TComponent* AOwner);
  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType v);
  TPen* Pen() const { return pen_.get(); }
  TBrush* Brush() const { return brush_.get(); }

 protected:
  void Paint() override;

 private:
  void StyleChanged(rtl::TObject*) { Invalidate(); }
  TShapeType shape_ = stRectangle;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(rtl::TComponent* AOwner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape v);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle v);

 protected:
  void Paint() override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

class TImage : public TGraphicControl {
 public:
  explicit TImage(rtl::TComponent* AOwner);
  TPicture* Picture() const { return picture_.get(); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  // The picture's bitmap canvas (the picture becomes a bitmap of the image's size if empty).
  TCanvas* Canvas();

 protected:
  void Paint() override;

 private:
  void PictureChanged(rtl::TObject*);
  TRect DestRect() const;
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
  bool autoSize_ = false;
};

class TRadioGroup : public TGroupBox {
 public:
  explicit TRadioGroup(rtl::TComponent* AOwner);
  ~TRadioGroup() override;
  rtl::TStringList* Items() const { return items_.get(); }
  int ItemIndex() const { return itemIndex_; }
  // Checks that item's button; fires OnClick as a click on it would.
  void SetItemIndex(int v);
  int Columns() const { return columns_; }
  void SetColumns(int v);
  // The radio button of an item (for tests and keyboard handling).
  TRadioButton* Buttons(int i) const { return buttons_.at(static_cast<size_t>(i)); }

 protected:
  void Resize() override;
  void Loaded() override;
  void Changed() override;

 private:
  void ItemsChanged(rtl::TObject*);
  void ButtonClick(rtl::TObject* sender);
  void UpdateButtons();
  void ArrangeButtons();
  std::unique_ptr<rtl::TStringList> items_;
  std::vector<TRadioButton*> buttons_;
  int itemIndex_ = -1;
  int columns_ = 1;
  bool updating_ = false;
};

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
using TCanResizeEvent = rtl::Event<void(rtl::TObject* Sender, int& NewSize, bool& Accept)>;

class TSplitter : public TGraphicControl {
 public:
  explicit TSplitter(rtl::TComponent* AOwner);
  int MinSize() const { return minSize_; }
  void SetMinSize(int v) { minSize_ = v; }
  bool Beveled() const { return beveled_; }
  void SetBeveled(bool v);
  TResizeStyle ResizeStyle() const { return resizeStyle_; }
  void SetResizeStyle(TResizeStyle v) { resizeStyle_ = v; }

  TCanResizeEvent OnCanResize;
  rtl::TNotifyEvent OnMoved;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  virtual bool CanResize(int& newSize);

 private:
  TControl* FindControl() const;
  int minSize_ = 30;
  bool beveled_ = false;
  TResizeStyle resizeStyle_ = rsPattern;
  TControl* target_ = nullptr;
  TPoint downPos_{};
  int startSize_ = 0;
  int newSize_ = 0;
  bool accepted_ = false;
};

}  // namespace vcl
