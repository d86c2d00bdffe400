#include "platform/vcl/comctrls.h"

#include <algorithm>

#include "platform/vcl/classic.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/hotkey.h"

namespace vcl {

// ---------------------------------------------------------------- TTrackBar

TTrackBar::TTrackBar(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 150, 45);
}

void TTrackBar::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  SetPosition(position_);
  Invalidate();
}

void TTrackBar::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  SetPosition(position_);
  Invalidate();
}

void TTrackBar::SetPosition(int v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  Invalidate();
  Changed_();
}

void TTrackBar::SetFrequency(int v) {
  frequency_ = v;
  Invalidate();
}

void TTrackBar::SetOrientation(TTrackBarOrientation v) {
  orientation_ = v;
  Invalidate();
}

void TTrackBar::SetTickStyle(TTickStyle v) {
  tickStyle_ = v;
  Invalidate();
}

TRect TTrackBar::Channel() const {
  if (orientation_ == trHorizontal) return TRect{12, 8, Width() - 12, 12};
  return TRect{8, 12, 12, Height() - 12};
}

TRect TTrackBar::Thumb() const {
  TRect ch = Channel();
  int range = std::max(max_ - min_, 1);
  if (orientation_ == trHorizontal) {
    int x = ch.left + (ch.Width() - 1) * (position_ - min_) / range;
    return TRect{x - 5, 2, x + 6, 20};
  }
  int y = ch.top + (ch.Height() - 1) * (position_ - min_) / range;
  return TRect{2, y - 5, 20, y + 6};
}

int TTrackBar::PosAt(int x, int y) const {
  TRect ch = Channel();
  int range = max_ - min_;
  int along = orientation_ == trHorizontal ? x - ch.left : y - ch.top;
  int length = std::max((orientation_ == trHorizontal ? ch.Width() : ch.Height()) - 1, 1);
  along = std::clamp(along, 0, length);
  return min_ + (along * range * 2 + length) / (2 * length);
}

bool TTrackBar::WantsKey(unsigned short key, TShiftState) const {
  return key == win::VK_LEFT || key == win::VK_RIGHT || key == win::VK_UP || key == win::VK_DOWN ||
         key == win::VK_PRIOR || key == win::VK_NEXT;
}

void TTrackBar::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  switch (key) {
    case win::VK_LEFT:
    case win::VK_UP:
      SetPosition(position_ - lineSize_);
      break;
    case win::VK_RIGHT:
    case win::VK_DOWN:
      SetPosition(position_ + lineSize_);
      break;
    case win::VK_PRIOR:
      SetPosition(position_ - pageSize_);
      break;
    case win::VK_NEXT:
      SetPosition(position_ + pageSize_);
      break;
    case win::VK_HOME:
      SetPosition(min_);
      break;
    case win::VK_END:
      SetPosition(max_);
      break;
    default:
      return;
  }
  key = 0;
}

void TTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  TRect t = Thumb();
  if (x >= t.left && x < t.right && y >= t.top && y < t.bottom) {
    dragging_ = true;
    return;
  }
  dragging_ = false;
  // A click beside the thumb moves it a page towards the point.
  int target = PosAt(x, y);
  if (target > position_)
    SetPosition(std::min(position_ + pageSize_, target));
  else if (target < position_)
    SetPosition(std::max(position_ - pageSize_, target));
}

void TTrackBar::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (dragging_ && (ControlState() & csLButtonDown))
    SetPosition(PosAt(x, y));
  else
    dragging_ = false;
}

void TTrackBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  TRect ch = Channel();
  DrawSunken(c, ch);
  if (tickStyle_ != tsNone && frequency_ > 0) {
    c->Pen()->SetColor(Enabled() ? clBtnText : clBtnShadow);
    TRect full = Channel();
    int range = std::max(max_ - min_, 1);
    for (int v = min_; v <= max_; v += frequency_) {
      if (orientation_ == trHorizontal) {
        int x = full.left + (full.Width() - 1) * (v - min_) / range;
        c->MoveTo(x, 24);
        c->LineTo(x, v == min_ || v == max_ ? 30 : 27);
      } else {
        int y = full.top + (full.Height() - 1) * (v - min_) / range;
        c->MoveTo(24, y);
        c->LineTo(v == min_ || v == max_ ? 30 : 27, y);
      }
    }
  }
  TRect t = Thumb();
  if (Enabled()) {
    DrawButtonFace(c, t, false, false);
  } else {
    // A flat grey thumb: the value is shown, not offered.
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(t);
    c->Brush()->SetColor(clBtnShadow);
    c->FrameRect(t);
  }
  if (Focused()) {
    c->Brush()->SetColor(Color());
    c->DrawFocusRect(ClientRect());
  }
}

// ---------------------------------------------------------------- TProgressBar

TProgressBar::TProgressBar(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetMin(int v) {
  min_ = v;
  Invalidate();
}
void TProgressBar::SetMax(int v) {
  max_ = v;
  Invalidate();
}
void TProgressBar::SetSmooth(bool v) {
  smooth_ = v;
  Invalidate();
}

void TProgressBar::SetPosition(int v) {
  v = std::clamp(v, min_, std::max(min_, max_));
  if (v == position_) return;
  position_ = v;
  Invalidate();
}

void TProgressBar::StepIt() {
  int v = position_ + step_;
  // Stepping past the end starts again from the beginning, as the common control does.
  if (v > max_) v = min_ + (v - max_);
  SetPosition(v);
}

void TProgressBar::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  DrawSunken(c, r);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(r);
  int range = std::max(max_ - min_, 1);
  int filled = r.Width() * (position_ - min_) / range;
  c->Brush()->SetColor(clHighlight);
  if (smooth_) {
    c->FillRect(TRect{r.left, r.top, r.left + filled, r.bottom});
    return;
  }
  int block = std::max(r.Height() * 2 / 3, 4);
  for (int x = r.left; x < r.left + filled; x += block + 2) {
    c->FillRect(TRect{x, r.top + 1, std::min(x + block, r.left + filled), r.bottom - 1});
  }
}

// ---------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() | csAcceptsControls);
  TControl::SetVisible(false);
}

TTabSheet::~TTabSheet() {
  SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* v) {
  if (v == pageControl_) return;
  if (pageControl_) pageControl_->RemovePage(this);
  pageControl_ = v;
  if (v) v->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  auto& p = pageControl_->pages_;
  return static_cast<int>(std::find(p.begin(), p.end(), this) - p.begin());
}

void TTabSheet::SetPageIndex(int v) {
  if (!pageControl_) return;
  auto& p = pageControl_->pages_;
  p.erase(std::find(p.begin(), p.end(), this));
  v = std::clamp(v, 0, static_cast<int>(p.size()));
  p.insert(p.begin() + v, this);
  pageControl_->Invalidate();
}

void TTabSheet::SetTabVisible(bool v) {
  tabVisible_ = v;
  if (pageControl_) pageControl_->Invalidate();
}

void TTabSheet::SetText(const std::string& v) {
  TCustomControl::SetText(v);
  if (pageControl_) pageControl_->Invalidate();
}

void TTabSheet::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  for (TTabSheet* p : std::vector<TTabSheet*>(pages_)) p->pageControl_ = nullptr;
  pages_.clear();
}

void TPageControl::InsertPage(TTabSheet* p) {
  pages_.push_back(p);
  p->SetParent(this);
  if (!active_)
    SetActivePage(p);
  else
    p->TControl::SetVisible(false);
  Realign();
  Invalidate();
}

void TPageControl::RemovePage(TTabSheet* p) {
  pages_.erase(std::remove(pages_.begin(), pages_.end(), p), pages_.end());
  if (active_ == p) {
    active_ = nullptr;
    if (!pages_.empty()) SetActivePage(pages_.front());
  }
  if (p->Parent() == this) p->SetParent(nullptr);
  Invalidate();
}

int TPageControl::TabHeight() const {
  return MeasureText(Font(), "0").cy + 6;
}

void TPageControl::AdjustClientRect(TRect& r) const {
  r.top += TabHeight();
  gdi::InflateRect(&r, -4, -4);
}

void TPageControl::AlignControls(TControl* control) {
  TRect r = ClientRect();
  AdjustClientRect(r);
  for (TTabSheet* p : pages_) p->SetBounds(r.left, r.top, r.Width(), r.Height());
  TCustomControl::AlignControls(control);
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->pageControl_ != this) return;
  if (page == active_) return;
  TTabSheet* old = active_;
  TCustomForm* form = GetParentForm();
  bool hadFocus =
      form && old && form->ActiveControl() && old->ContainsControl(form->ActiveControl());
  active_ = page;
  if (page) {
    TRect r = ClientRect();
    AdjustClientRect(r);
    page->SetBounds(r.left, r.top, r.Width(), r.Height());
    page->BringToFront();
    page->SetVisible(true);
  }
  if (old) old->SetVisible(false);
  if (hadFocus) {
    if (TWinControl* c = page ? page->FindNextControl(nullptr, true, true, false) : nullptr)
      c->SetFocus();
    else if (CanFocus())
      SetFocus();
  }
  Invalidate();
}

int TPageControl::ActivePageIndex() const {
  return active_ ? active_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int i) {
  SetActivePage(i >= 0 && i < PageCount() ? pages_[static_cast<size_t>(i)] : nullptr);
}

int TPageControl::TabIndex() const {
  int n = 0;
  for (TTabSheet* p : pages_) {
    if (p == active_) return p->TabVisible() ? n : -1;
    if (p->TabVisible()) ++n;
  }
  return -1;
}

bool TPageControl::UserSelect(TTabSheet* page) {
  if (!page || page == active_) return false;
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return false;
  SetActivePage(page);
  if (OnChange) OnChange(this);
  return true;
}

void TPageControl::SelectNextPage(bool goForward) {
  int n = PageCount();
  if (n == 0) return;
  int i = std::max(ActivePageIndex(), 0);
  for (int step = 0; step < n; ++step) {
    i = goForward ? (i + 1) % n : (i - 1 + n) % n;
    if (pages_[static_cast<size_t>(i)]->TabVisible()) {
      UserSelect(pages_[static_cast<size_t>(i)]);
      return;
    }
  }
}

TRect TPageControl::TabRect(int pageIndex) const {
  int x = 2;
  int th = TabHeight();
  for (int i = 0; i < PageCount(); ++i) {
    TTabSheet* p = pages_[static_cast<size_t>(i)];
    if (!p->TabVisible()) {
      if (i == pageIndex) return TRect{};
      continue;
    }
    int w = MeasureText(Font(), p->Caption()).cx + 12;
    if (i == pageIndex) return TRect{x, 2, x + w, th};
    x += w;
  }
  return TRect{};
}

void TPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  for (int i = 0; i < PageCount(); ++i) {
    TRect r = TabRect(i);
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
      UserSelect(pages_[static_cast<size_t>(i)]);
      return;
    }
  }
}

bool TPageControl::WantsKey(unsigned short key, TShiftState) const {
  return key == win::VK_LEFT || key == win::VK_RIGHT;
}

void TPageControl::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == win::VK_LEFT || key == win::VK_RIGHT) {
    SelectNextPage(key == win::VK_RIGHT);
    key = 0;
  }
}

bool TPageControl::DialogKey(unsigned short key, TShiftState shift) {
  // Ctrl+Tab and Ctrl+Shift+Tab turn the pages from anywhere inside the control.
  TCustomForm* form = GetParentForm();
  if (key == win::VK_TAB && (shift & ssCtrl) && form && form->ActiveControl() &&
      (form->ActiveControl() == this || ContainsControl(form->ActiveControl()))) {
    SelectNextPage(!(shift & ssShift));
    return true;
  }
  return false;
}

bool TPageControl::DialogChar(unsigned key) {
  for (TTabSheet* p : pages_) {
    if (p->TabVisible() && IsAccel(key, p->Caption()) && CanFocus()) {
      UserSelect(p);
      return true;
    }
  }
  return false;
}

void TPageControl::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  int th = TabHeight();
  TRect body{0, th, r.right, r.bottom};
  TRect e = body;
  DrawRaised(c, e);
  for (int i = 0; i < PageCount(); ++i) {
    TRect t = TabRect(i);
    if (t.Width() == 0) continue;
    bool active = pages_[static_cast<size_t>(i)] == active_;
    if (active) {
      t.left -= 2;
      t.right += 2;
      t.top -= 2;
    }
    t.bottom = th + (active ? 1 : 0);
    c->Brush()->SetColor(Color());
    c->FillRect(t);
    c->Pen()->SetColor(clBtnHighlight);
    c->MoveTo(t.left, t.bottom - 1);
    c->LineTo(t.left, t.top + 2);
    c->LineTo(t.left + 2, t.top);
    c->LineTo(t.right - 2, t.top);
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(t.right - 2, t.top + 1);
    c->LineTo(t.right - 2, t.bottom);
    c->Pen()->SetColor(cl3DDkShadow);
    c->MoveTo(t.right - 1, t.top + 2);
    c->LineTo(t.right - 1, t.bottom);
    TRect text = t;
    DrawCaption(c, text, pages_[static_cast<size_t>(i)]->Caption(),
                gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE, Enabled());
    if (active && Focused()) {
      TRect fr = t;
      gdi::InflateRect(&fr, -3, -3);
      c->Brush()->SetColor(Color());
      c->DrawFocusRect(fr);
    }
  }
}

}  // namespace vcl
