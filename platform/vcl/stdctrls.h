#pragma once
// Standard controls: labels, push buttons, check boxes, radio buttons and group boxes.
//
// Setting Checked in code fires OnClick exactly as a click does (and ItemIndex of a radio group
// fires the group's OnClick), as the original class library did: forms rely on it to run their
// click handlers when they load settings. ItemIndex of list and combo boxes does not fire.
#include <functional>
#include <string>

#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

namespace vcl {

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(rtl::TComponent* AOwner);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  // The control Alt+accelerator focuses.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* v) { focusControl_ = v; }

 protected:
  void Paint() override;
  void Changed() override;
  bool DialogChar(unsigned key) override;
  void Notification(rtl::TComponent* c, rtl::TOperation op) override;

 private:
  void AdjustBounds();
  bool autoSize_ = true;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool transparent_ = false;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

// Base of push buttons, check boxes and radio buttons: focusable, shows a focus rectangle.
class TButtonControl : public TCustomControl {
 public:
  explicit TButtonControl(rtl::TComponent* AOwner);

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyUp(unsigned short& key, TShiftState shift) override;
  void DoExit() override;
  // Paints a check box or radio button: the mark (drawn by drawMark in its box) beside the
  // caption, on the side Alignment says, with the focus rectangle round the caption.
  void PaintMarked(int markSize, TAlignment alignment, const std::function<void(TRect)>& drawMark);
  // Pressed look while the left button or Space is held over the control.
  bool pressed_ = false;
  bool spaceDown_ = false;
};

class TButton : public TButtonControl {
 public:
  explicit TButton(rtl::TComponent* AOwner);
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }
  // Sets the form's ModalResult to the button's, then fires OnClick.
  void Click() override;

 protected:
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  bool DialogKey(unsigned short key, TShiftState shift) override;
  bool DialogChar(unsigned key) override;
  // Paints the face content (caption; bitmap buttons add a glyph).
  virtual void PaintContent(TRect r);

 private:
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modalResult_ = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TButtonControl {
 public:
  explicit TCheckBox(rtl::TComponent* AOwner);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState v);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v) { allowGrayed_ = v; }
  // taRightJustify (default) puts the box left of the caption.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  void Click() override;

 protected:
  void Paint() override;
  bool DialogChar(unsigned key) override;

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
  TAlignment alignment_ = taRightJustify;
};

class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(rtl::TComponent* AOwner);
  bool Checked() const { return checked_; }
  // Checking unchecks the other radio buttons of the same parent and fires OnClick.
  void SetChecked(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  void Click() override;

 protected:
  void Paint() override;
  void DoEnter() override;
  bool DialogChar(unsigned key) override;

 private:
  bool checked_ = false;
  TAlignment alignment_ = taRightJustify;
};

class TGroupBox : public TCustomControl {
 public:
  explicit TGroupBox(rtl::TComponent* AOwner);

 protected:
  void Paint() override;
  void AdjustClientRect(TRect& r) const override;
  bool DialogChar(unsigned key) override;
};

}  // namespace vcl
