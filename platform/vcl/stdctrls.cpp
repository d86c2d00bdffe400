#include "platform/vcl/stdctrls.h"

#include "platform/vcl/classic.h"
#include "platform/vcl/hotkey.h"

namespace vcl {

namespace {
bool Inside(const TControl* c, int x, int y) {
  return x >= 0 && y >= 0 && x < c->Width() && y < c->Height();
}
}  // namespace

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(rtl::TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() | csReplicatable);
  SetBounds(0, 0, 65, 17);
}

void TLabel::Notification(rtl::TComponent* c, rtl::TOperation op) {
  TGraphicControl::Notification(c, op);
  if (op == rtl::opRemove && c == focusControl_) focusControl_ = nullptr;
}

void TLabel::AdjustBounds() {
  if (!autoSize_ || (ComponentState() & rtl::csLoading)) return;
  gdi::SIZE s = MeasureText(Font(), Caption(), showAccelChar_, wordWrap_ ? Width() : 0);
  int w = wordWrap_ ? Width() : s.cx;
  int l = Left();
  if (alignment_ == taRightJustify && !wordWrap_) l = Left() + Width() - w;
  SetBounds(l, Top(), w, s.cy);
}

void TLabel::Changed() {
  AdjustBounds();
  Invalidate();
}

void TLabel::SetAutoSize(bool v) {
  autoSize_ = v;
  Changed();
}
void TLabel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Changed();
}
void TLabel::SetLayout(TTextLayout v) {
  layout_ = v;
  Invalidate();
}
void TLabel::SetTransparent(bool v) {
  transparent_ = v;
  Invalidate();
}
void TLabel::SetWordWrap(bool v) {
  wordWrap_ = v;
  Changed();
}
void TLabel::SetShowAccelChar(bool v) {
  showAccelChar_ = v;
  Changed();
}

void TLabel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  if (!transparent_) {
    c->Brush()->SetColor(Color());
    c->FillRect(r);
  }
  unsigned flags = gdi::DT_EXPANDTABS;
  if (wordWrap_) flags |= gdi::DT_WORDBREAK;
  if (!showAccelChar_) flags |= gdi::DT_NOPREFIX;
  if (alignment_ == taRightJustify) flags |= gdi::DT_RIGHT;
  if (alignment_ == taCenter) flags |= gdi::DT_CENTER;
  if (layout_ != tlTop) {
    gdi::SIZE s = MeasureText(Font(), Caption(), showAccelChar_, wordWrap_ ? r.Width() : 0);
    if (layout_ == tlCenter)
      r.top = (r.Height() - s.cy) / 2;
    else
      r.top = r.bottom - s.cy;
  }
  DrawCaption(c, r, Caption(), flags, Enabled());
}

bool TLabel::DialogChar(unsigned key) {
  if (!showAccelChar_ || !IsAccel(key, Caption())) return false;
  if (focusControl_ && focusControl_->CanFocus()) {
    focusControl_->SetFocus();
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- TButtonControl

TButtonControl::TButtonControl(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
}

void TButtonControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    pressed_ = true;
    Invalidate();
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TButtonControl::MouseMove(TShiftState shift, int x, int y) {
  if (ControlState() & csLButtonDown) {
    bool in = Inside(this, x, y);
    if (in != pressed_) {
      pressed_ = in;
      Invalidate();
    }
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TButtonControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && pressed_) {
    pressed_ = false;
    Invalidate();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TButtonControl::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == win::VK_SPACE) {
    spaceDown_ = pressed_ = true;
    Invalidate();
    key = 0;
  }
}

void TButtonControl::KeyUp(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyUp(key, shift);
  if (key == win::VK_SPACE && spaceDown_) {
    spaceDown_ = pressed_ = false;
    Invalidate();
    key = 0;
    Click();
  }
}

void TButtonControl::PaintMarked(int markSize, TAlignment alignment,
                                 const std::function<void(TRect)>& drawMark) {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  int top = (r.Height() - markSize) / 2;
  bool left = alignment == taRightJustify;
  drawMark(left ? TRect{0, top, markSize, top + markSize}
                : TRect{r.right - markSize, top, r.right, top + markSize});
  TRect text = left ? TRect{markSize + 4, 0, r.right, r.bottom}
                    : TRect{0, 0, r.right - markSize - 4, r.bottom};
  DrawCaption(c, text, Caption(), gdi::DT_VCENTER | gdi::DT_SINGLELINE, Enabled());
  if (Focused()) {
    gdi::SIZE s = MeasureText(Font(), Caption());
    c->DrawFocusRect(TRect{text.left - 1, (r.Height() - s.cy) / 2 - 1, text.left + s.cx + 1,
                           (r.Height() + s.cy) / 2 + 1});
  }
}

void TButtonControl::DoExit() {
  spaceDown_ = pressed_ = false;
  TCustomControl::DoExit();
}

// ---------------------------------------------------------------- TButton

TButton::TButton(rtl::TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool v) {
  default_ = v;
  Invalidate();
}

void TButton::Click() {
  if (TCustomForm* f = GetParentForm()) f->SetModalResult(modalResult_);
  TButtonControl::Click();
}

void TButton::KeyDown(unsigned short& key, TShiftState shift) {
  TButtonControl::KeyDown(key, shift);
  if (key == win::VK_RETURN) {
    key = 0;
    Click();
  }
}

bool TButton::DialogKey(unsigned short key, TShiftState) {
  if (!CanFocus()) return false;
  if (key == win::VK_RETURN) {
    TCustomForm* f = GetParentForm();
    TWinControl* active = f ? f->ActiveControl() : nullptr;
    bool otherButtonFocused = active && active != this && dynamic_cast<TButton*>(active);
    if (Focused() || (default_ && !otherButtonFocused)) {
      Click();
      return true;
    }
  }
  if (key == win::VK_ESCAPE && cancel_) {
    Click();
    return true;
  }
  return false;
}

bool TButton::DialogChar(unsigned key) {
  if (!IsAccel(key, Caption()) || !CanFocus()) return false;
  SetFocus();
  Click();
  return true;
}

void TButton::PaintContent(TRect r) {
  if (pressed_) gdi::OffsetRect(&r, 1, 1);
  DrawCaption(Canvas(), r, Caption(), gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE,
              Enabled());
}

void TButton::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  TCustomForm* f = GetParentForm();
  TWinControl* active = f ? f->ActiveControl() : nullptr;
  bool framed = Focused() || (default_ && !(active && dynamic_cast<TButton*>(active)));
  DrawButtonFace(c, r, pressed_, framed);
  PaintContent(r);
  if (Focused()) {
    TRect fr = r;
    gdi::InflateRect(&fr, -4, -4);
    c->Brush()->SetColor(clBtnFace);
    c->DrawFocusRect(fr);
  }
}

// ---------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(rtl::TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetState(TCheckBoxState v) {
  if (v == state_) return;
  state_ = v;
  Invalidate();
  TButtonControl::Click();
}

void TCheckBox::Click() {
  // A user's click toggles; SetState fires OnClick.
  switch (state_) {
    case cbUnchecked:
      SetState(allowGrayed_ ? cbGrayed : cbChecked);
      break;
    case cbGrayed:
      SetState(cbChecked);
      break;
    case cbChecked:
      SetState(cbUnchecked);
      break;
  }
}

void TCheckBox::SetAlignment(TAlignment v) {
  alignment_ = v;
  Invalidate();
}

bool TCheckBox::DialogChar(unsigned key) {
  if (!IsAccel(key, Caption()) || !CanFocus()) return false;
  SetFocus();
  Click();
  return true;
}

void TCheckBox::Paint() {
  PaintMarked(kCheckSize, alignment_, [this](TRect box) {
    DrawCheckBox(Canvas(), box, pressed_ ? 2 : static_cast<int>(state_), Enabled());
    if (pressed_ && state_ == cbChecked) DrawCheckBox(Canvas(), box, 1, Enabled());
  });
}

// ---------------------------------------------------------------- TRadioButton

TRadioButton::TRadioButton(rtl::TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 113, 17);
  SetTabStop(false);
}

void TRadioButton::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  SetTabStop(v);
  Invalidate();
  if (!v) return;
  if (TWinControl* p = Parent()) {
    for (int i = 0; i < p->ControlCount(); ++i) {
      auto* r = dynamic_cast<TRadioButton*>(p->Controls(i));
      if (r && r != this) r->SetChecked(false);
    }
  }
  TButtonControl::Click();
}

void TRadioButton::Click() {
  SetChecked(true);
}

void TRadioButton::SetAlignment(TAlignment v) {
  alignment_ = v;
  Invalidate();
}

void TRadioButton::DoEnter() {
  TButtonControl::DoEnter();
  // Moving into a radio button with the keyboard selects it, as the arrow keys of a group do.
  if (!(ControlState() & csLButtonDown)) SetChecked(true);
}

bool TRadioButton::DialogChar(unsigned key) {
  if (!IsAccel(key, Caption()) || !CanFocus()) return false;
  SetFocus();
  SetChecked(true);
  return true;
}

void TRadioButton::Paint() {
  PaintMarked(12, alignment_, [this](TRect box) { DrawRadio(Canvas(), box, checked_, Enabled()); });
}

// ---------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() | csAcceptsControls);
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::AdjustClientRect(TRect& r) const {
  int h = MeasureText(Font(), "0").cy;
  r.top += h;
  gdi::InflateRect(&r, -2, -2);
}

void TGroupBox::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  gdi::SIZE s = MeasureText(Font(), Caption());
  TRect frame{0, s.cy / 2, r.right, r.bottom};
  DrawEtched(c, frame);
  if (!Caption().empty()) {
    TRect t{8, 0, 8 + s.cx + 2, s.cy};
    c->Brush()->SetColor(Color());
    c->FillRect(t);
    DrawCaption(c, TRect{9, 0, r.right, s.cy}, Caption(), gdi::DT_SINGLELINE, Enabled());
  }
}

bool TGroupBox::DialogChar(unsigned key) {
  if (!IsAccel(key, Caption())) return false;
  if (TWinControl* c = FindNextControl(nullptr, true, true, false)) {
    c->SetFocus();
    return true;
  }
  return false;
}

}  // namespace vcl
