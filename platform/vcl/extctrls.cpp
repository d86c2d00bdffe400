#include "platform/vcl/extctrls.h"

#include <algorithm>

#include "platform/vcl/classic.h"

namespace vcl {

// ---------------------------------------------------------------- TPanel

TPanel::TPanel(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
  SetBounds(0, 0, 185, 41);
}

void TPanel::Rearrange() {
  Realign();
  Invalidate();
}
void TPanel::SetBevelOuter(TBevelCut v) {
  bevelOuter_ = v;
  Rearrange();
}
void TPanel::SetBevelInner(TBevelCut v) {
  bevelInner_ = v;
  Rearrange();
}
void TPanel::SetBevelWidth(int v) {
  bevelWidth_ = v;
  Rearrange();
}
void TPanel::SetBorderWidth(int v) {
  borderWidth_ = v;
  Rearrange();
}
void TPanel::SetBorderStyle(TFormBorderStyle v) {
  borderStyle_ = v;
  Rearrange();
}
void TPanel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Invalidate();
}

void TPanel::AdjustClientRect(TRect& r) const {
  int inset = borderWidth_;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  if (borderStyle_ == bsSingle) inset += 2;
  gdi::InflateRect(&r, -inset, -inset);
}

void TPanel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    TColor tl = cut == bvRaised ? clBtnHighlight : clBtnShadow;
    TColor br = cut == bvRaised ? clBtnShadow : clBtnHighlight;
    for (int i = 0; i < bevelWidth_; ++i) {
      c->Pen()->SetColor(tl);
      c->MoveTo(r.left, r.bottom - 1);
      c->LineTo(r.left, r.top);
      c->LineTo(r.right - 1, r.top);
      c->Pen()->SetColor(br);
      c->LineTo(r.right - 1, r.bottom - 1);
      c->LineTo(r.left - 1, r.bottom - 1);
      gdi::InflateRect(&r, -1, -1);
    }
  };
  if (borderStyle_ == bsSingle) DrawSunken(c, r);
  bevel(bevelOuter_);
  c->Brush()->SetColor(Color());
  c->FrameRect(TRect{r.left, r.top, r.right, r.bottom});
  if (borderWidth_ > 0) gdi::InflateRect(&r, -borderWidth_, -borderWidth_);
  bevel(bevelInner_);
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  unsigned flags = gdi::DT_VCENTER | gdi::DT_SINGLELINE;
  if (alignment_ == taCenter) flags |= gdi::DT_CENTER;
  if (alignment_ == taRightJustify) flags |= gdi::DT_RIGHT;
  DrawCaption(c, r, Caption(), flags, Enabled());
}

// ---------------------------------------------------------------- TShape

TShape::TShape(rtl::TComponent* AOwner)
    : TGraphicControl(AOwner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
  pen_->OnChange = rtl::MakeEvent(this, &TShape::StyleChanged);
  brush_->OnChange = rtl::MakeEvent(this, &TShape::StyleChanged);
  SetBounds(0, 0, 65, 65);
}

void TShape::SetShape(TShapeType v) {
  shape_ = v;
  Invalidate();
}

void TShape::Paint() {
  TCanvas* c = Canvas();
  c->Pen()->Assign(pen_.get());
  c->Brush()->Assign(brush_.get());
  int pw = pen_->Width();
  int x = pw / 2, y = pw / 2;
  int w = Width() - pw + 1, h = Height() - pw + 1;
  if (pw == 0) {
    --w;
    --h;
  }
  if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
    int s = std::min(w, h);
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (shape_) {
    case stRectangle:
    case stSquare:
      c->Rectangle(x, y, x + w, y + h);
      break;
    case stRoundRect:
    case stRoundSquare:
      c->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4);
      break;
    case stEllipse:
    case stCircle:
      c->Ellipse(x, y, x + w, y + h);
      break;
  }
}

// ---------------------------------------------------------------- TBevel

TBevel::TBevel(rtl::TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape v) {
  shape_ = v;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle v) {
  style_ = v;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* c = Canvas();
  TColor c1 = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor c2 = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  int w = Width(), h = Height();
  auto line = [&](TColor col, int x1, int y1, int x2, int y2) {
    c->Pen()->SetColor(col);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
  };
  switch (shape_) {
    case bsBox:
      line(c1, 0, h - 1, 0, 0);
      line(c1, 0, 0, w - 1, 0);
      line(c2, w - 1, 0, w - 1, h - 1);
      line(c2, w - 1, h - 1, -1, h - 1);
      break;
    case bsFrame: {
      TRect a{0, 0, w - 1, h - 1}, b{1, 1, w, h};
      c->Brush()->SetColor(c2);
      c->FrameRect(b);
      c->Brush()->SetColor(c1);
      c->FrameRect(a);
      break;
    }
    case bsTopLine:
      line(c1, 0, 0, w, 0);
      line(c2, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(c1, 0, h - 2, w, h - 2);
      line(c2, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(c1, 0, 0, 0, h);
      line(c2, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(c1, w - 2, 0, w - 2, h);
      line(c2, w - 1, 0, w - 1, h);
      break;
    case bsSpacer:
      break;
  }
}

// ---------------------------------------------------------------- TImage

TImage::TImage(rtl::TComponent* AOwner)
    : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
  picture_->OnChange = rtl::MakeEvent(this, &TImage::PictureChanged);
  SetBounds(0, 0, 105, 105);
}

void TImage::PictureChanged(rtl::TObject*) {
  if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  if (auto* g = picture_->Graphic()) g->SetTransparent(transparent_);
  Invalidate();
}

void TImage::SetStretch(bool v) {
  stretch_ = v;
  Invalidate();
}
void TImage::SetCenter(bool v) {
  center_ = v;
  Invalidate();
}
void TImage::SetProportional(bool v) {
  proportional_ = v;
  Invalidate();
}
void TImage::SetTransparent(bool v) {
  transparent_ = v;
  if (auto* g = picture_->Graphic()) g->SetTransparent(v);
  Invalidate();
}
void TImage::SetAutoSize(bool v) {
  autoSize_ = v;
  PictureChanged(this);
}

TCanvas* TImage::Canvas() {
  if (!picture_->Graphic()) {
    TBitmap* b = picture_->Bitmap();
    b->SetSize(Width(), Height());
  }
  return picture_->Bitmap()->Canvas();
}

TRect TImage::DestRect() const {
  int pw = picture_->Width(), ph = picture_->Height();
  int w = pw, h = ph;
  if (stretch_ || (proportional_ && (pw > Width() || ph > Height()))) {
    if (proportional_ && pw > 0 && ph > 0) {
      if (int64_t(Width()) * ph < int64_t(Height()) * pw) {
        w = Width();
        h = static_cast<int>(int64_t(ph) * Width() / pw);
      } else {
        h = Height();
        w = static_cast<int>(int64_t(pw) * Height() / ph);
      }
    } else {
      w = Width();
      h = Height();
    }
  }
  int x = 0, y = 0;
  if (center_) {
    x = (Width() - w) / 2;
    y = (Height() - h) / 2;
  }
  return TRect{x, y, x + w, y + h};
}

void TImage::Paint() {
  if (TGraphic* g = picture_->Graphic()) TGraphicControl::Canvas()->StretchDraw(DestRect(), g);
}

// ---------------------------------------------------------------- TRadioGroup

TRadioGroup::TRadioGroup(rtl::TComponent* AOwner)
    : TGroupBox(AOwner), items_(std::make_unique<rtl::TStringList>()) {
  items_->OnChange = rtl::MakeEvent(this, &TRadioGroup::ItemsChanged);
}

TRadioGroup::~TRadioGroup() {
  items_->OnChange = nullptr;
  for (TRadioButton* b : buttons_) delete b;
}

void TRadioGroup::ItemsChanged(rtl::TObject*) {
  if (ComponentState() & rtl::csLoading) return;
  if (itemIndex_ >= items_->Count()) itemIndex_ = items_->Count() - 1;
  UpdateButtons();
}

void TRadioGroup::Loaded() {
  TGroupBox::Loaded();
  UpdateButtons();
}

void TRadioGroup::UpdateButtons() {
  updating_ = true;
  while (static_cast<int>(buttons_.size()) > items_->Count()) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  while (static_cast<int>(buttons_.size()) < items_->Count()) {
    auto* b = new TRadioButton(nullptr);
    b->OnClick = rtl::MakeEvent(this, &TRadioGroup::ButtonClick);
    b->SetParent(this);
    buttons_.push_back(b);
  }
  for (size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i]->SetCaption(items_->Strings(static_cast<int>(i)));
    buttons_[i]->SetEnabled(Enabled());
    buttons_[i]->SetChecked(static_cast<int>(i) == itemIndex_);
  }
  // The group can be entered with Tab even when nothing is chosen yet.
  if (itemIndex_ < 0 && !buttons_.empty()) buttons_[0]->SetTabStop(true);
  updating_ = false;
  ArrangeButtons();
}

void TRadioGroup::ArrangeButtons() {
  if (buttons_.empty()) return;
  TRect r = ClientRect();
  AdjustClientRect(r);
  int cols = std::max(1, columns_);
  int rows = (static_cast<int>(buttons_.size()) + cols - 1) / cols;
  int colWidth = (r.Width() - 8) / cols;
  int rowHeight = r.Height() / std::max(1, rows);
  int bh = std::max(MeasureText(Font(), "0").cy + 2, 14);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    int col = static_cast<int>(i) / rows, row = static_cast<int>(i) % rows;
    int top = r.top + row * rowHeight + (rowHeight - bh) / 2;
    buttons_[i]->SetBounds(r.left + 6 + col * colWidth, top, colWidth - 4, bh);
  }
}

void TRadioGroup::Resize() {
  ArrangeButtons();
  TGroupBox::Resize();
}

void TRadioGroup::Changed() {
  for (TRadioButton* b : buttons_) b->SetEnabled(Enabled());
  TGroupBox::Changed();
}

void TRadioGroup::SetColumns(int v) {
  columns_ = std::clamp(v, 1, 16);
  ArrangeButtons();
}

void TRadioGroup::ButtonClick(rtl::TObject* sender) {
  if (updating_) return;
  auto it = std::find(buttons_.begin(), buttons_.end(), sender);
  if (it == buttons_.end()) return;
  itemIndex_ = static_cast<int>(it - buttons_.begin());
  Click();
}

void TRadioGroup::SetItemIndex(int v) {
  if (ComponentState() & rtl::csLoading) {
    itemIndex_ = v;
    return;
  }
  v = std::clamp(v, -1, items_->Count() - 1);
  if (v == itemIndex_) return;
  if (v < 0) {
    updating_ = true;
    for (TRadioButton* b : buttons_) b->SetChecked(false);
    updating_ = false;
    itemIndex_ = -1;
    return;
  }
  // Checking the button runs ButtonClick, which sets the index and fires OnClick.
  buttons_[static_cast<size_t>(v)]->SetChecked(true);
}

// ---------------------------------------------------------------- TSplitter

TSplitter::TSplitter(rtl::TComponent* AOwner) : TGraphicControl(AOwner) {
  SetAlign(alLeft);
  SetBounds(0, 0, 3, 100);
  SetCursor(crHSplit);
}

void TSplitter::SetBeveled(bool v) {
  beveled_ = v;
  Invalidate();
}

void TSplitter::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  if (beveled_) {
    TRect e = r;
    DrawRaised(c, e);
  }
}

TControl* TSplitter::FindControl() const {
  TWinControl* p = Parent();
  if (!p) return nullptr;
  for (int i = 0; i < p->ControlCount(); ++i) {
    TControl* c = p->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    switch (Align()) {
      case alLeft:
        if (c->Left() + c->Width() == Left()) return c;
        break;
      case alRight:
        if (c->Left() == Left() + Width()) return c;
        break;
      case alTop:
        if (c->Top() + c->Height() == Top()) return c;
        break;
      case alBottom:
        if (c->Top() == Top() + Height()) return c;
        break;
      default:
        break;
    }
  }
  return nullptr;
}

bool TSplitter::CanResize(int& newSize) {
  bool accept = true;
  if (OnCanResize) OnCanResize(this, newSize, accept);
  return accept;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  target_ = FindControl();
  downPos_ = ClientToScreen(TPoint{x, y});
  if (target_) {
    startSize_ = (Align() == alLeft || Align() == alRight) ? target_->Width() : target_->Height();
    newSize_ = startSize_;
    accepted_ = false;
  }
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!target_ || !(ControlState() & csLButtonDown)) return;
  TPoint p = ClientToScreen(TPoint{x, y});
  int delta = 0;
  switch (Align()) {
    case alLeft:
      delta = p.x - downPos_.x;
      break;
    case alRight:
      delta = downPos_.x - p.x;
      break;
    case alTop:
      delta = p.y - downPos_.y;
      break;
    case alBottom:
      delta = downPos_.y - p.y;
      break;
    default:
      break;
  }
  int size = std::max(startSize_ + delta, minSize_);
  accepted_ = CanResize(size);
  if (accepted_) newSize_ = size;
  if (accepted_ && resizeStyle_ == rsUpdate) {
    if (Align() == alLeft || Align() == alRight)
      target_->SetWidth(newSize_);
    else
      target_->SetHeight(newSize_);
  }
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (button != mbLeft || !target_) return;
  if (accepted_ && newSize_ != startSize_) {
    if (Align() == alLeft || Align() == alRight)
      target_->SetWidth(newSize_);
    else
      target_->SetHeight(newSize_);
    if (OnMoved) OnMoved(this);
  }
  target_ = nullptr;
}

}  // namespace vcl
