#include "platform/vcl/lists.h"

#include <algorithm>

#include "platform/vcl/classic.h"
#include "platform/vcl/forms.h"

namespace vcl {

namespace {
constexpr int kScrollWidth = 16;
}  // namespace

// The vertical scroll bar a list draws in its own client area: an arrow at each end and a thumb
// sized to the share of the rows shown.
struct ListScrollBar {
  TRect bar;
  int top, visible, count;

  TRect Up() const { return TRect{bar.left, bar.top, bar.right, bar.top + kScrollWidth}; }
  TRect Down() const { return TRect{bar.left, bar.bottom - kScrollWidth, bar.right, bar.bottom}; }
  int Track() const { return std::max(bar.Height() - 2 * kScrollWidth, 0); }
  int Range() const { return std::max(count - visible, 1); }
  TRect Thumb() const {
    const int thumb = std::min(std::max(Track() * visible / std::max(count, 1), 8), Track());
    const int y = bar.top + kScrollWidth + (Track() - thumb) * top / Range();
    return TRect{bar.left, y, bar.right, y + thumb};
  }
  void Paint(TCanvas* c) const {
    c->Brush()->SetColor(clScrollBar);
    c->FillRect(bar);
    DrawButtonFace(c, Up(), false, false);
    DrawArrow(c, Up(), TArrow::Up, true);
    DrawButtonFace(c, Down(), false, false);
    DrawArrow(c, Down(), TArrow::Down, true);
    DrawButtonFace(c, Thumb(), false, false);
  }
  // The top row a press at y asks for: one row for an arrow, a page on the track; the top
  // unchanged on the thumb.
  int PressAt(int y) const {
    if (y < Up().bottom) return top - 1;
    if (y >= Down().top) return top + 1;
    const TRect t = Thumb();
    if (y < t.top) return top - visible;
    if (y >= t.bottom) return top + visible;
    return top;
  }
  // The top row that puts the thumb's upper edge at y.
  int TopForThumbAt(int y) const {
    const int free = Track() - Thumb().Height();
    if (free <= 0) return top;
    const int along = std::clamp(y - (bar.top + kScrollWidth), 0, free);
    return (along * Range() + free / 2) / free;
  }
};

// ---------------------------------------------------------------- TCustomListBox

TCustomListBox::TCustomListBox(rtl::TComponent* AOwner)
    : TCustomControl(AOwner), items_(std::make_unique<rtl::TStringList>()) {
  items_->OnChange = rtl::MakeEvent(this, &TCustomListBox::ItemsChanged);
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
}

TCustomListBox::~TCustomListBox() {
  items_->OnChange = nullptr;
}

void TCustomListBox::ItemsChanged(rtl::TObject*) {
  selected_.resize(static_cast<size_t>(Count()), false);
  if (itemIndex_ >= Count()) itemIndex_ = -1;
  if (top_ > std::max(Count() - VisibleCount(), 0)) top_ = std::max(Count() - VisibleCount(), 0);
  Invalidate();
}

int TCustomListBox::ItemHeight() const {
  return MeasureText(Font(), "0", false).cy + 2;
}

int TCustomListBox::VisibleCount() const {
  return std::max((Height() - 4) / ItemHeight(), 1);
}

void TCustomListBox::SetItemIndex(int v) {
  if (v < -1 || v >= Count()) v = -1;
  itemIndex_ = v;
  if (!multiSelect_) {
    std::fill(selected_.begin(), selected_.end(), false);
    if (v >= 0) selected_[static_cast<size_t>(v)] = true;
  }
  if (v >= 0) MakeVisible(v);
  Invalidate();
}

void TCustomListBox::SetTopIndex(int v) {
  top_ = std::clamp(v, 0, std::max(Count() - VisibleCount(), 0));
  Invalidate();
}

void TCustomListBox::MakeVisible(int i) {
  if (i < top_)
    SetTopIndex(i);
  else if (i >= top_ + VisibleCount())
    SetTopIndex(i - VisibleCount() + 1);
}

void TCustomListBox::SetMultiSelect(bool v) {
  multiSelect_ = v;
  Invalidate();
}

bool TCustomListBox::Selected(int i) const {
  if (i < 0 || i >= Count())
    throw rtl::EListError("List index out of bounds (" + std::to_string(i) + ")");
  return multiSelect_ ? selected_[static_cast<size_t>(i)] : i == itemIndex_;
}

void TCustomListBox::SetSelected(int i, bool v) {
  if (i < 0 || i >= Count())
    throw rtl::EListError("List index out of bounds (" + std::to_string(i) + ")");
  if (!multiSelect_) {
    if (v)
      SetItemIndex(i);
    else if (i == itemIndex_)
      SetItemIndex(-1);
    return;
  }
  selected_[static_cast<size_t>(i)] = v;
  Invalidate();
}

int TCustomListBox::SelCount() const {
  if (!multiSelect_) return -1;
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void TCustomListBox::SetSorted(bool v) {
  sorted_ = v;
  items_->SetSorted(v);
}

int TCustomListBox::ItemAtPos(TPoint p) const {
  if (p.x < 2 || p.y < 2 || p.x >= Width() - 2 || p.y >= Height() - 2) return -1;
  int i = top_ + (p.y - 2) / ItemHeight();
  return i < Count() ? i : -1;
}

TRect TCustomListBox::ItemRect(int i) const {
  int right = Width() - 2 - (ScrollBarShown() ? kScrollWidth : 0);
  int y = 2 + (i - top_) * ItemHeight();
  return TRect{2, y, right, y + ItemHeight()};
}

void TCustomListBox::UserSelect(int i) {
  if (i < 0 || i >= Count()) return;
  SetItemIndex(i);
  Click();
}

bool TCustomListBox::WantsKey(unsigned short key, TShiftState) const {
  return key == win::VK_UP || key == win::VK_DOWN || key == win::VK_LEFT || key == win::VK_RIGHT ||
         key == win::VK_PRIOR || key == win::VK_NEXT;
}

void TCustomListBox::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (Count() == 0) return;
  int i = itemIndex_;
  switch (key) {
    case win::VK_UP:
    case win::VK_LEFT:
      i = std::max(i - 1, 0);
      break;
    case win::VK_DOWN:
    case win::VK_RIGHT:
      i = std::min(i + 1, Count() - 1);
      break;
    case win::VK_HOME:
      i = 0;
      break;
    case win::VK_END:
      i = Count() - 1;
      break;
    case win::VK_PRIOR:
      i = std::max(i - VisibleCount() + 1, 0);
      break;
    case win::VK_NEXT:
      i = std::min(i + VisibleCount() - 1, Count() - 1);
      break;
    default:
      return;
  }
  key = 0;
  UserSelect(i);
}

void TCustomListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && ScrollBarShown() && x >= Width() - 2 - kScrollWidth) {
    SetTopIndex(ScrollBar().PressAt(y));
    SetControlState(ControlState() & ~csClicked);
  } else if (button == mbLeft) {
    int i = ItemAtPos(TPoint{x, y});
    if (i >= 0) {
      if (multiSelect_ && (shift & ssCtrl)) {
        selected_[static_cast<size_t>(i)] = !selected_[static_cast<size_t>(i)];
        itemIndex_ = i;
        Invalidate();
      } else {
        if (multiSelect_) std::fill(selected_.begin(), selected_.end(), false);
        SetItemIndex(i);
        if (multiSelect_) selected_[static_cast<size_t>(i)] = true;
      }
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomListBox::WndProc(TMessage& m) {
  if (m.Msg == win::WM_MOUSEWHEEL) {
    SetTopIndex(top_ - win::GET_WHEEL_DELTA_WPARAM(m.WParam) / win::WHEEL_DELTA * 3);
    return;
  }
  TCustomControl::WndProc(m);
}

void TCustomListBox::DrawItem(int i, TRect r, bool selected) {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(selected ? clHighlight : Color());
  c->FillRect(r);
  c->Font()->SetColor(selected ? clHighlightText : Enabled() ? Font()->Color() : clGrayText);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(r.left + 2, r.top + 1, items_->Strings(i));
}

void TCustomListBox::Paint() {
  TCanvas* c = Canvas();
  TRect r = DrawField(c, ClientRect(), Color(), Enabled());
  int saved = gdi::SaveDC(c->Handle());
  gdi::IntersectClipRect(c->Handle(), r.left, r.top, r.right, r.bottom);
  int last = std::min(Count(), top_ + VisibleCount() + 1);
  for (int i = top_; i < last; ++i) {
    TRect ir = ItemRect(i);
    DrawItem(i, ir, Selected(i));
    if (Focused() && i == itemIndex_) {
      c->Brush()->SetColor(Color());
      c->DrawFocusRect(ir);
    }
  }
  if (ScrollBarShown()) ScrollBar().Paint(c);
  gdi::RestoreDC(c->Handle(), saved);
}

ListScrollBar TCustomListBox::ScrollBar() const {
  return ListScrollBar{TRect{Width() - 2 - kScrollWidth, 2, Width() - 2, Height() - 2}, top_,
                       VisibleCount(), Count()};
}

// ---------------------------------------------------------------- TCheckListBox

void TCheckListBox::ItemsChanged(rtl::TObject* sender) {
  checked_.resize(static_cast<size_t>(Count()), false);
  disabled_.resize(static_cast<size_t>(Count()), false);
  TCustomListBox::ItemsChanged(sender);
}

bool TCheckListBox::Checked(int i) const {
  if (i < 0 || i >= Count())
    throw rtl::EListError("List index out of bounds (" + std::to_string(i) + ")");
  return i < static_cast<int>(checked_.size()) && checked_[static_cast<size_t>(i)];
}

void TCheckListBox::SetChecked(int i, bool v) {
  if (i < 0 || i >= Count())
    throw rtl::EListError("List index out of bounds (" + std::to_string(i) + ")");
  checked_.resize(static_cast<size_t>(Count()), false);
  checked_[static_cast<size_t>(i)] = v;
  Invalidate();
}

bool TCheckListBox::ItemEnabled(int i) const {
  return i >= 0 && i < Count() &&
         !(i < static_cast<int>(disabled_.size()) && disabled_[static_cast<size_t>(i)]);
}

void TCheckListBox::SetItemEnabled(int i, bool v) {
  disabled_.resize(static_cast<size_t>(Count()), false);
  if (i >= 0 && i < Count()) disabled_[static_cast<size_t>(i)] = !v;
  Invalidate();
}

void TCheckListBox::ClickCheck() {
  if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::Toggle(int i) {
  if (!ItemEnabled(i)) return;
  SetChecked(i, !Checked(i));
  ClickCheck();
}

void TCheckListBox::KeyDown(unsigned short& key, TShiftState shift) {
  if (key == win::VK_SPACE && ItemIndex() >= 0) {
    Toggle(ItemIndex());
    key = 0;
    return;
  }
  TCustomListBox::KeyDown(key, shift);
}

void TCheckListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  // A click on the box toggles it before the selection click, as in the original.
  int i = ItemAtPos(TPoint{x, y});
  if (button == mbLeft && i >= 0 && x < ItemRect(i).left + ItemHeight()) Toggle(i);
  TCustomListBox::MouseDown(button, shift, x, y);
}

void TCheckListBox::DrawItem(int i, TRect r, bool selected) {
  TCanvas* c = Canvas();
  int h = r.Height();
  TRect boxArea{r.left, r.top, r.left + h, r.bottom};
  c->Brush()->SetColor(Color());
  c->FillRect(boxArea);
  int s = std::min(kCheckSize, h - 2);
  TRect box{r.left + (h - s) / 2, r.top + (h - s) / 2, r.left + (h - s) / 2 + s,
            r.top + (h - s) / 2 + s};
  DrawCheckBox(c, box, Checked(i) ? 1 : 0, Enabled() && ItemEnabled(i));
  TCustomListBox::DrawItem(i, TRect{r.left + h, r.top, r.right, r.bottom}, selected);
}

// ---------------------------------------------------------------- TComboList

// The drop-down list of a combo box: a popup that never takes the activation or the focus. While
// open it holds the mouse capture, so that a click anywhere else (another control, a caption,
// another window) reaches it and only closes it; losing the capture closes it too.
class TComboList : public TCustomControl {
 public:
  explicit TComboList(TComboBox* combo) : TCustomControl(nullptr), combo_(combo) {
    SetColor(clWindow);
    TControl::SetVisible(false);
  }
  int hot = -1;
  int top = 0;

  int RowHeight() const { return MeasureText(combo_->Font(), "0", false).cy + 2; }
  int Rows() const {
    return std::min(combo_->Items()->Count(), std::max(combo_->DropDownCount(), 1));
  }

  void DropAt(TPoint screen, int width) {
    hot = combo_->ItemIndex();
    int rows = std::max(Rows(), 1);
    top = std::clamp(hot - rows + 1, 0, std::max(combo_->Items()->Count() - rows, 0));
    if (hot >= 0 && hot < top + rows && hot >= top) {
    } else {
      top = std::max(hot, 0);
    }
    SetBounds(screen.x, screen.y, width, rows * RowHeight() + 2);
    HandleNeeded();
    win::SetWindowPos(Handle(), win::HWND_TOPMOST, Left(), Top(), Width(), Height(),
                      win::SWP_NOACTIVATE | win::SWP_SHOWWINDOW);
    TControl::SetVisible(true);
    win::SetCapture(Handle());
  }
  void CloseUp() {
    thumbGrip_ = -1;
    if (!Visible()) return;
    TControl::SetVisible(false);
    if (HandleAllocated()) {
      win::ShowWindow(Handle(), win::SW_HIDE);
      if (win::GetCapture() == Handle()) win::ReleaseCapture();
    }
  }
  bool Scrolls() const { return combo_->Items()->Count() > Rows(); }
  ListScrollBar Bar() const {
    const TRect r = ClientRect();
    return ListScrollBar{TRect{r.right - kScrollWidth, r.top, r.right, r.bottom}, top, Rows(),
                         combo_->Items()->Count()};
  }
  void ScrollTo(int t) {
    top = std::clamp(t, 0, std::max(combo_->Items()->Count() - Rows(), 0));
    Invalidate();
  }
  void MoveHot(int delta) {
    int n = combo_->Items()->Count();
    if (n == 0) return;
    hot = std::clamp(hot + delta, 0, n - 1);
    if (hot < top) top = hot;
    if (hot >= top + Rows()) top = hot - Rows() + 1;
    Invalidate();
  }

 protected:
  void CreateParams(TCreateParams& p) override {
    TCustomControl::CreateParams(p);
    p.Style = win::WS_POPUP | win::WS_BORDER;
    p.ExStyle = win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST | win::WS_EX_NOACTIVATE;
    p.WndParent = nullptr;
  }
  // The item at a client point; -1 outside the list and on its scroll bar.
  int ItemAt(win::LPARAM lParam) const {
    int x = win::GET_X_LPARAM(lParam), y = win::GET_Y_LPARAM(lParam);
    TRect r = ClientRect();
    if (Scrolls()) r.right -= kScrollWidth;
    if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return -1;
    int i = top + y / RowHeight();
    return i < combo_->Items()->Count() ? i : -1;
  }
  bool Inside(win::LPARAM lParam) const {
    TRect r = ClientRect();
    int x = win::GET_X_LPARAM(lParam), y = win::GET_Y_LPARAM(lParam);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  }
  void WndProc(TMessage& m) override {
    switch (m.Msg) {
      case win::WM_MOUSEACTIVATE:
        m.Result = win::MA_NOACTIVATE;
        return;
      case win::WM_CAPTURECHANGED:
        if (Visible()) combo_->SetDroppedDown(false);
        return;
      case win::WM_MOUSEMOVE:
        if (thumbGrip_ >= 0) {
          ScrollTo(Bar().TopForThumbAt(win::GET_Y_LPARAM(m.LParam) - thumbGrip_));
        } else if (int i = ItemAt(m.LParam); i >= 0 && i != hot) {
          hot = i;
          Invalidate();
        }
        return;
      case win::WM_LBUTTONDOWN:
      case win::WM_LBUTTONDBLCLK:
      case win::WM_RBUTTONDOWN:
      case win::WM_RBUTTONDBLCLK:
      case win::WM_MBUTTONDOWN:
      case win::WM_MBUTTONDBLCLK:
        // A press outside closes the list and goes no further: it chooses nothing.
        if (!Inside(m.LParam)) {
          combo_->SetDroppedDown(false);
        } else if (m.Msg == win::WM_LBUTTONDOWN || m.Msg == win::WM_LBUTTONDBLCLK) {
          PressScrollBar(win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam));
        }
        return;
      case win::WM_LBUTTONUP:
        if (thumbGrip_ >= 0) {
          thumbGrip_ = -1;
          return;
        }
        // The release of the press that opened the list may land anywhere; only one on an
        // item chooses it.
        if (int i = ItemAt(m.LParam); i >= 0) {
          combo_->UserSelect(i);
          combo_->SetDroppedDown(false);
        }
        return;
      case win::WM_RBUTTONUP:
      case win::WM_MBUTTONUP:
        return;
    }
    TCustomControl::WndProc(m);
  }
  void Paint() override {
    TCanvas* c = Canvas();
    c->Font()->Assign(combo_->Font());
    c->Brush()->SetColor(clWindow);
    c->FillRect(ClientRect());
    const int rh = RowHeight();
    const int right = ClientRect().right - (Scrolls() ? kScrollWidth : 0);
    for (int i = top, y = 0; i < combo_->Items()->Count() && y < Height(); ++i, y += rh) {
      bool h = i == hot;
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(h ? clHighlight : clWindow);
      c->FillRect(TRect{0, y, right, y + rh});
      c->Font()->SetColor(h ? clHighlightText : clWindowText);
      c->Brush()->SetStyle(bsClear);
      c->TextOut(2, y + 1, combo_->Items()->Strings(i));
    }
    if (Scrolls()) {
      c->Brush()->SetStyle(bsSolid);
      Bar().Paint(c);
    }
  }

 private:
  // A press on the scroll bar steps or pages the rows, or takes the thumb until the release.
  void PressScrollBar(int x, int y) {
    if (!Scrolls() || x < Bar().bar.left) return;
    const TRect thumb = Bar().Thumb();
    if (y >= thumb.top && y < thumb.bottom)
      thumbGrip_ = y - thumb.top;
    else
      ScrollTo(Bar().PressAt(y));
  }

  TComboBox* combo_;
  int thumbGrip_ = -1;  // where the thumb was taken, while it is dragged
};

// ---------------------------------------------------------------- TComboBox

TComboBox::TComboBox(rtl::TComponent* AOwner)
    : TCustomControl(AOwner), items_(std::make_unique<rtl::TStringList>()) {
  items_->OnChange = rtl::MakeEvent(this, &TComboBox::ItemsChanged);
  // OnClick means a choice from the list, not a click on the box.
  SetControlStyle(ControlStyle() & ~csClickEvents);
  SetColor(clWindow);
  SetBounds(0, 0, 145, 21);
  list_ = std::make_unique<TComboList>(this);
  SetStyle(csDropDown);
}

TComboBox::~TComboBox() {
  items_->OnChange = nullptr;
  list_->CloseUp();
  list_.reset();
}

void TComboBox::SetStyle(TComboBoxStyle v) {
  style_ = v;
  if (v == csDropDownList) {
    if (edit_) {
      delete edit_;
      edit_ = nullptr;
    }
    SetTabStop(true);
  } else if (!edit_) {
    edit_ = new TEdit(nullptr);
    edit_->SetAutoSelect(true);
    edit_->SetParent(this);
    edit_->SetText(Text());
    edit_->OnChange = rtl::MakeEvent(this, &TComboBox::EditChanged);
    edit_->OnKeyDown = rtl::MakeEvent(this, &TComboBox::EditKeyDown);
    edit_->OnExit = rtl::MakeEvent(this, &TComboBox::EditExit);
    SetTabStop(false);
    PlaceEdit();
  }
  Invalidate();
}

void TComboBox::PlaceEdit() {
  if (edit_) edit_->SetBounds(0, 0, Width() - ButtonWidth() + 2, Height());
}

void TComboBox::Resize() {
  PlaceEdit();
  TCustomControl::Resize();
}

void TComboBox::Changed() {
  if (edit_) {
    edit_->SetEnabled(Enabled());
    edit_->Font()->Assign(Font());
  }
  TCustomControl::Changed();
}

bool TComboBox::Focused() const {
  return TCustomControl::Focused() || (edit_ && edit_->Focused());
}

void TComboBox::SetFocus() {
  if (edit_)
    edit_->SetFocus();
  else
    TCustomControl::SetFocus();
}

void TComboBox::ItemsChanged(rtl::TObject*) {
  if (itemIndex_ >= items_->Count()) itemIndex_ = -1;
  Invalidate();
}

void TComboBox::SetSorted(bool v) {
  sorted_ = v;
  items_->SetSorted(v);
}

void TComboBox::Clear() {
  items_->Clear();
  SetText("");
}

void TComboBox::SetItemIndex(int v) {
  if (v < -1 || v >= items_->Count()) v = -1;
  itemIndex_ = v;
  syncing_ = true;
  std::string t = v >= 0 ? items_->Strings(v) : std::string();
  TCustomControl::SetText(t);
  if (edit_) edit_->SetText(t);
  syncing_ = false;
  Invalidate();
}

void TComboBox::SetText(const std::string& v) {
  if (style_ == csDropDownList) {
    SetItemIndex(items_->IndexOf(v));
    return;
  }
  syncing_ = true;
  TCustomControl::SetText(v);
  if (edit_) edit_->SetText(v);
  itemIndex_ = items_->IndexOf(v);
  syncing_ = false;
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::EditChanged(rtl::TObject*) {
  if (syncing_) return;
  TCustomControl::SetText(edit_->Text());
  itemIndex_ = -1;
  Change();
}

void TComboBox::UserSelect(int i) {
  if (i < 0 || i >= items_->Count()) return;
  SetItemIndex(i);
  if (edit_) edit_->SelectAll();
  Click();
  Change();
}

bool TComboBox::DroppedDown() const {
  return list_->Visible();
}

void TComboBox::SetDroppedDown(bool v) {
  if (v == DroppedDown()) return;
  if (v) {
    if (OnDropDown) OnDropDown(this);
    list_->DropAt(ClientToScreen(TPoint{0, Height()}), Width());
  } else {
    list_->CloseUp();
    if (OnCloseUp) OnCloseUp(this);
  }
  Invalidate();
}

void TComboBox::WndProc(TMessage& m) {
  // The wheel, sent to the focused box (or its edit, which passes it up), scrolls an open list.
  if (m.Msg == win::WM_MOUSEWHEEL && DroppedDown()) {
    list_->ScrollTo(list_->top - win::GET_WHEEL_DELTA_WPARAM(m.WParam) * 3 / win::WHEEL_DELTA);
    m.Result = 0;
    return;
  }
  TCustomControl::WndProc(m);
}

bool TComboBox::WantsKey(unsigned short key, TShiftState) const {
  if (key == win::VK_UP || key == win::VK_DOWN) return true;
  return DroppedDown() && (key == win::VK_RETURN || key == win::VK_ESCAPE);
}

void TComboBox::EditKeyDown(rtl::TObject*, unsigned short& key, TShiftState shift) {
  KeyDown(key, shift);
}

void TComboBox::EditExit(rtl::TObject*) {
  SetDroppedDown(false);
}

void TComboBox::KeyDown(unsigned short& key, TShiftState shift) {
  if (key == win::VK_F4 || ((shift & ssAlt) && (key == win::VK_DOWN || key == win::VK_UP))) {
    SetDroppedDown(!DroppedDown());
    key = 0;
    return;
  }
  if (DroppedDown()) {
    switch (key) {
      case win::VK_UP:
        list_->MoveHot(-1);
        break;
      case win::VK_DOWN:
        list_->MoveHot(1);
        break;
      case win::VK_RETURN:
        UserSelect(list_->hot);
        SetDroppedDown(false);
        break;
      case win::VK_ESCAPE:
        SetDroppedDown(false);
        break;
      default:
        return;
    }
    key = 0;
    return;
  }
  if (key == win::VK_UP || key == win::VK_DOWN) {
    int i = itemIndex_ < 0 ? 0 : itemIndex_ + (key == win::VK_UP ? -1 : 1);
    if (i >= 0 && i < items_->Count() && i != itemIndex_) UserSelect(i);
    key = 0;
    return;
  }
  TCustomControl::KeyDown(key, shift);
}

void TComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  if (!Focused()) SetFocus();
  SetDroppedDown(!DroppedDown());
}

void TComboBox::DoExit() {
  SetDroppedDown(false);
  TCustomControl::DoExit();
}

void TComboBox::Paint() {
  TCanvas* c = Canvas();
  TRect r = DrawField(c, ClientRect(), Color(), Enabled());
  TRect button{r.right - ButtonWidth() + 2, r.top, r.right, r.bottom};
  DrawButtonFace(c, button, DroppedDown(), false);
  DrawArrow(c, button, TArrow::Down, Enabled());
  if (style_ == csDropDownList) {
    TRect text{r.left, r.top, button.left, r.bottom};
    bool focused = TCustomControl::Focused() && !DroppedDown();
    if (focused) {
      c->Brush()->SetColor(clHighlight);
      c->FillRect(text);
    }
    c->Font()->SetColor(focused ? clHighlightText : Enabled() ? Font()->Color() : clGrayText);
    c->Brush()->SetStyle(bsClear);
    TRect tr = text;
    tr.left += 2;
    gdi::DrawText(c->Handle(), Text(), &tr,
                  gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX);
    if (focused) c->DrawFocusRect(text);
  }
}

}  // namespace vcl
