#include "platform/vcl/controls.h"

#include "platform/vcl/menus.h"

#include <algorithm>

#include "platform/vcl/controlcanvas.h"
#include "platform/vcl/forms.h"

namespace vcl {

namespace {
TControl* gCaptureControl = nullptr;
const char* const kWindowClass = "TWinControl";

bool IsClientMouseMessage(unsigned msg) {
  return msg == win::WM_MOUSEMOVE || (msg >= win::WM_LBUTTONDOWN && msg <= win::WM_MBUTTONDBLCLK);
}
}  // namespace

TControl* GetCaptureControl() {
  return gCaptureControl;
}
void SetCaptureControl(TControl* c) {
  gCaptureControl = c;
}

TShiftState KeysToShiftState(unsigned keys) {
  TShiftState s = 0;
  if (keys & win::MK_SHIFT) s |= ssShift;
  if (keys & win::MK_CONTROL) s |= ssCtrl;
  if (keys & win::MK_LBUTTON) s |= ssLeft;
  if (keys & win::MK_RBUTTON) s |= ssRight;
  if (keys & win::MK_MBUTTON) s |= ssMiddle;
  if (win::GetKeyState(win::VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyboardShiftState() {
  TShiftState s = 0;
  if (win::GetKeyState(win::VK_SHIFT) < 0) s |= ssShift;
  if (win::GetKeyState(win::VK_CONTROL) < 0) s |= ssCtrl;
  if (win::GetKeyState(win::VK_MENU) < 0) s |= ssAlt;
  return s;
}

// ---------------------------------------------------------------- TControl

TControl::TControl(rtl::TComponent* AOwner)
    : rtl::TComponent(AOwner), font_(std::make_unique<TFont>()) {
  font_->OnChange = rtl::MakeEvent(this, &TControl::FontChanged);
}

TControl::~TControl() {
  if (gCaptureControl == this) gCaptureControl = nullptr;
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw rtl::EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TControl::Notification(rtl::TComponent* component, rtl::TOperation operation) {
  rtl::TComponent::Notification(component, operation);
  if (operation == rtl::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::Loaded() {
  rtl::TComponent::Loaded();
  UpdateAnchorRules();
  RequestAlign();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  ApplyBounds(left, top, width, height);
  if (!parent_ || !(parent_->ControlState() & csAligning)) UpdateAnchorRules();
  RequestAlign();
}

void TControl::ApplyBounds(int left, int top, int width, int height) {
  bool resized = width != width_ || height != height_;
  if (parent_ && visible_) Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (parent_ && visible_) Invalidate();
  if (resized) Resize();
}

void TControl::UpdateAnchorRules() {
  if (!parent_) return;
  TRect r = parent_->ClientRect();
  parent_->AdjustClientRect(r);
  anchorRules_.parentWidth = r.Width();
  anchorRules_.parentHeight = r.Height();
  anchorRules_.left = left_ - r.left;
  anchorRules_.top = top_ - r.top;
  anchorRules_.right = r.right - (left_ + width_);
  anchorRules_.bottom = r.bottom - (top_ + height_);
}

void TControl::RequestAlign() {
  if (parent_ && (align_ != alNone || anchors_ != (akLeft | akTop))) parent_->AlignControls(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

TPoint TControl::ClientOrigin() const {
  if (!parent_) return TPoint{left_, top_};
  TPoint p = parent_->ClientOrigin();
  return TPoint{p.x + left_, p.y + top_};
}

TPoint TControl::ClientToScreen(TPoint p) const {
  TPoint o = ClientOrigin();
  return TPoint{p.x + o.x, p.y + o.y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  TPoint o = ClientOrigin();
  return TPoint{p.x - o.x, p.y - o.y};
}

void TControl::SetAlign(TAlign v) {
  if (v == align_) return;
  align_ = v;
  anchors_ = akLeft | akTop;
  if (v == alTop || v == alLeft) anchors_ = akLeft | akTop;
  RequestAlign();
}

void TControl::SetAnchors(TAnchors v) {
  if (v == anchors_) return;
  anchors_ = v;
  UpdateAnchorRules();
}

bool TControl::Showing() const {
  return visible_ && parent_ && parent_->Showing();
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  VisibleChanging();
  if (!v && parent_) Invalidate();
  visible_ = v;
  if (v && parent_) Invalidate();
  Perform(CM_VISIBLECHANGED, v ? 1 : 0);
  if (parent_ && align_ != alNone) parent_->AlignControls(this);
}

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Perform(CM_ENABLEDCHANGED);
  Changed();
}

void TControl::SetText(const std::string& v) {
  if (v == text_) return;
  text_ = v;
  Perform(CM_TEXTCHANGED);
  Changed();
}

void TControl::SetColor(TColor v) {
  if (v == color_) {
    parentColor_ = false;
    return;
  }
  color_ = v;
  parentColor_ = false;
  Perform(CM_COLORCHANGED);
  Changed();
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    for (int i = 0; i < w->ControlCount(); ++i) {
      TControl* c = w->Controls(i);
      if (c->parentColor_) {
        c->color_ = v;
        c->Perform(CM_PARENTCOLORCHANGED);
        c->Changed();
      }
    }
  }
}

void TControl::SetParentColor(bool v) {
  parentColor_ = v;
  if (v && parent_) {
    color_ = parent_->Color();
    Changed();
  }
}

void TControl::SetParentFont(bool v) {
  parentFont_ = v;
  if (v && parent_) {
    settingFont_ = true;
    font_->Assign(parent_->Font());
    settingFont_ = false;
  }
}

void TControl::FontChanged(rtl::TObject*) {
  if (!settingFont_) parentFont_ = false;
  Perform(CM_FONTCHANGED);
  Changed();
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    for (int i = 0; i < w->ControlCount(); ++i) {
      TControl* c = w->Controls(i);
      if (c->parentFont_) {
        c->settingFont_ = true;
        c->font_->Assign(font_.get());
        c->settingFont_ = false;
        c->Perform(CM_PARENTFONTCHANGED);
      }
    }
  }
}

void TControl::Invalidate() {
  if (!parent_ || !parent_->HandleAllocated()) return;
  TRect r = BoundsRect();
  win::InvalidateRect(parent_->Handle(), &r, win::TRUE);
}

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& v = parent_->controls_;
  v.erase(std::find(v.begin(), v.end(), this));
  v.push_back(this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) {
    win::SetWindowPos(w->handle_, win::HWND_TOP, 0, 0, 0, 0,
                      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
  }
  Invalidate();
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& v = parent_->controls_;
  v.erase(std::find(v.begin(), v.end(), this));
  v.insert(v.begin(), this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) {
    win::SetWindowPos(w->handle_, win::HWND_BOTTOM, 0, 0, 0, 0,
                      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
  }
  Invalidate();
}

win::LRESULT TControl::Perform(unsigned msg, win::WPARAM wParam, win::LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  if (IsClientMouseMessage(m.Msg)) {
    if (enabled_) HandleMouse(m);
    return;
  }
  switch (m.Msg) {
    case CM_DIALOGCHAR:
      m.Result = DialogChar(static_cast<unsigned>(m.WParam)) ? 1 : 0;
      return;
    default:
      DefaultHandler(m);
  }
}

void TControl::DefaultHandler(TMessage&) {}

bool TControl::ContextMenu(TPoint screen) {
  for (TControl* c = this; c; c = c->parent_) {
    if (auto* menu = dynamic_cast<TPopupMenu*>(c->popupMenu_); menu && menu->AutoPopup()) {
      menu->SetPopupComponent(c);
      menu->Popup(screen.x, screen.y);
      return true;
    }
    if (c->OnContextPopup) {
      bool handled = false;
      c->OnContextPopup(c, screen, handled);
      if (handled) return true;
    }
  }
  return false;
}

void TControl::HandleMouse(TMessage& m) {
  int x = win::GET_X_LPARAM(m.LParam);
  int y = win::GET_Y_LPARAM(m.LParam);
  TShiftState shift = KeysToShiftState(static_cast<unsigned>(m.WParam));
  auto setCapture = [&](bool on) {
    auto* self = dynamic_cast<TWinControl*>(this);
    if (on) {
      if (self) {
        win::SetCapture(self->Handle());
      } else if (parent_) {
        gCaptureControl = this;
        win::SetCapture(parent_->Handle());
      }
    } else {
      if (gCaptureControl == this) gCaptureControl = nullptr;
      win::ReleaseCapture();
    }
  };
  switch (m.Msg) {
    case win::WM_MOUSEMOVE:
      MouseMove(shift, x, y);
      break;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
      if (controlStyle_ & csCaptureMouse) setCapture(true);
      controlState_ |= csLButtonDown;
      if (controlStyle_ & csClickEvents) controlState_ |= csClicked;
      if (m.Msg == win::WM_LBUTTONDBLCLK && (controlStyle_ & csDoubleClicks)) {
        DblClick();
        shift |= ssDouble;
      }
      MouseDown(mbLeft, shift | ssLeft, x, y);
      break;
    case win::WM_LBUTTONUP: {
      controlState_ &= ~csLButtonDown;
      if (controlStyle_ & csCaptureMouse) setCapture(false);
      if (controlState_ & csClicked) {
        controlState_ &= ~csClicked;
        TRect r = ClientRect();
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) Click();
      }
      MouseUp(mbLeft, shift, x, y);
      break;
    }
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONDBLCLK:
      MouseDown(mbRight, shift | ssRight, x, y);
      break;
    case win::WM_RBUTTONUP:
      // The context menu follows as WM_CONTEXTMENU from the window's default handling.
      MouseUp(mbRight, shift, x, y);
      break;
    case win::WM_MBUTTONDOWN:
      MouseDown(mbMiddle, shift | ssMiddle, x, y);
      break;
    case win::WM_MBUTTONUP:
      MouseUp(mbMiddle, shift, x, y);
      break;
  }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

TCustomForm* TControl::GetParentForm() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(rtl::TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  // Leave the parent while this is still a window control, so it forgets the tab stop too.
  if (Parent()) Parent()->RemoveControl(this);
  // A window control takes its child controls with it, as in the original; a child that is
  // owned by a component leaves its owner's list as it goes.
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    RemoveControl(c);
    delete c;
  }
  DestroyHandle();
}

void TWinControl::InsertControl(TControl* c) {
  c->parent_ = this;
  controls_.push_back(c);
  if (auto* w = dynamic_cast<TWinControl*>(c)) tabList_.push_back(w);
  if (c->parentFont_) {
    c->settingFont_ = true;
    c->font_->Assign(Font());
    c->settingFont_ = false;
  }
  if (c->parentColor_) c->color_ = Color();
  c->UpdateAnchorRules();
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    if (w->keepHandle_ && w->handle_) {
      if (HandleAllocated()) {
        win::SetParent(w->handle_, handle_);
        win::SetWindowPos(w->handle_, nullptr, w->Left(), w->Top(), w->Width(), w->Height(),
                          win::SWP_NOZORDER | win::SWP_NOACTIVATE | win::SWP_FRAMECHANGED);
      } else {
        w->DestroyHandle();
      }
    } else if (HandleAllocated()) {
      w->CreateHandle();
    }
  }
  c->RequestAlign();
  c->Invalidate();
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<win::WPARAM>(c), 1);
}

void TWinControl::RemoveControl(TControl* c) {
  auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it == controls_.end()) return;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<win::WPARAM>(c), 0);
  c->Invalidate();
  auto* w = dynamic_cast<TWinControl*>(c);
  const bool keep = w && w->keepHandle_;
  if (gCaptureControl == c && !keep) gCaptureControl = nullptr;
  if (w) {
    if (TCustomForm* f = GetParentForm()) f->ControlRemoved(w);
    if (!keep) w->DestroyHandle();
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
  }
  controls_.erase(std::find(controls_.begin(), controls_.end(), c));
  c->parent_ = nullptr;
  if (c->Align() != alNone) AlignControls(nullptr);
}

bool TWinControl::ContainsControl(const TControl* c) const {
  while (c && c != this) c = c->Parent();
  return c == this;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
    TRect r = c->BoundsRect();
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return c;
  }
  return nullptr;
}

win::HWND TWinControl::Handle() {
  if (!handle_) CreateHandle();
  return handle_;
}

TWinControl* TWinControl::FindControl(win::HWND wnd) {
  if (!wnd || !win::IsWindow(wnd)) return nullptr;
  return reinterpret_cast<TWinControl*>(win::GetWindowLongPtr(wnd, win::GWLP_USERDATA));
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = Text();
  p.X = Left();
  p.Y = Top();
  p.Width = Width();
  p.Height = Height();
  p.Style = win::WS_CHILD | win::WS_CLIPSIBLINGS;
  if (Visible()) p.Style |= win::WS_VISIBLE;
  if (!Enabled()) p.Style |= win::WS_DISABLED;
  if (Parent()) p.WndParent = Parent()->Handle();
}

win::LRESULT TWinControl::StdWndProc(win::HWND wnd, unsigned msg, win::WPARAM w, win::LPARAM l) {
  TWinControl* c = FindControl(wnd);
  if (!c) return win::DefWindowProc(wnd, msg, w, l);
  TMessage m{msg, w, l, 0};
  c->WndProc(m);
  return m.Result;
}

void TWinControl::CreateWnd() {
  // The window system forgets its classes when it shuts down (tests run many in turn).
  TCreateParams p;
  CreateParams(p);
  std::string className = kWindowClass;
  if (p.WindowClassStyle != win::CS_DBLCLKS) className += "." + std::to_string(p.WindowClassStyle);
  win::WNDCLASS existing{};
  if (!win::GetClassInfo(className.c_str(), &existing)) {
    win::WNDCLASS wc{};
    wc.style = p.WindowClassStyle;
    wc.lpfnWndProc = &TWinControl::StdWndProc;
    wc.lpszClassName = className.c_str();
    win::RegisterClass(&wc);
  }
  win::HWND wnd = win::CreateWindowEx(p.ExStyle, className.c_str(), p.Caption.c_str(), p.Style, p.X,
                                      p.Y, p.Width, p.Height, p.WndParent, 0, nullptr);
  if (!wnd) throw rtl::EInvalidOperation("Error creating window");
  handle_ = wnd;
  win::SetWindowLongPtr(wnd, win::GWLP_USERDATA, reinterpret_cast<intptr_t>(this));
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
  }
}

void TWinControl::DestroyWnd() {
  win::HWND wnd = handle_;
  win::SetWindowLongPtr(wnd, win::GWLP_USERDATA, 0);
  handle_ = {};
  win::DestroyWindow(wnd);
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  }
  FreeControlCanvases(this);
  DestroyWnd();
}

void TWinControl::ReparentKeepingHandle(TWinControl* newParent) {
  if (newParent == Parent()) return;
  keepHandle_ = true;
  try {
    TControl::SetParent(newParent);
  } catch (...) {
    keepHandle_ = false;
    throw;
  }
  keepHandle_ = false;
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  DestroyHandle();
  CreateHandle();
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  auto& l = Parent()->tabList_;
  auto it = std::find(l.begin(), l.end(), this);
  return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

void TWinControl::SetTabOrder(int v) {
  if (!Parent()) return;
  auto& l = Parent()->tabList_;
  l.erase(std::remove(l.begin(), l.end(), this), l.end());
  v = std::clamp(v, 0, static_cast<int>(l.size()));
  l.insert(l.begin() + v, this);
}

std::vector<TWinControl*> TWinControl::TabList() const {
  return tabList_;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : tabList_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int n = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), current);
  int start = it == list.end() ? (goForward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = goForward ? (i + 1) % n : (i - 1 + n) % n;
    TWinControl* c = list[i];
    if (c == current) break;
    if ((!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this) && c->CanFocus())
      return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* c = FindNextControl(current, goForward, checkTabStop, !checkTabStop))
    c->SetFocus();
}

bool TWinControl::CanFocus() const {
  if (!Showing()) return false;
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() const {
  return handle_ && win::GetFocus() == handle_;
}

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm();
  if (form && form != this) {
    form->FocusControl(this);
  } else if (HandleAllocated() && CanFocus()) {
    win::SetFocus(handle_);
  }
}

TPoint TWinControl::ClientOrigin() const {
  if (!handle_) return TControl::ClientOrigin();
  TPoint p{0, 0};
  win::ClientToScreen(handle_, &p);
  return p;
}

bool TWinControl::Showing() const {
  if (!Parent()) return Visible() && handle_ && win::IsWindowVisible(handle_);
  return Visible() && Parent()->Showing();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
}

void TWinControl::ApplyBounds(int left, int top, int width, int height) {
  bool resized = width != Width() || height != Height();
  TControl* base = this;
  base->left_ = left;
  base->top_ = top;
  base->width_ = width;
  base->height_ = height;
  if (handle_ && inBoundsUpdate_) {
    // Set from inside the window's own size messages (a control keeping a minimum size): the
    // outer call moves the window again once it returns.
    boundsPending_ = true;
  } else if (handle_) {
    inBoundsUpdate_ = true;
    for (int pass = 0; pass < 4; ++pass) {
      boundsPending_ = false;
      win::SetWindowPos(handle_, nullptr, left_, top_, width_, height_,
                        win::SWP_NOZORDER | win::SWP_NOACTIVATE);
      if (!boundsPending_) break;
    }
    boundsPending_ = false;
    inBoundsUpdate_ = false;
  }
  if (resized) {
    AlignControls(nullptr);
    Invalidate();
    Resize();
  }
}

void TWinControl::SetVisible(bool v) {
  if (v == Visible()) return;
  TControl::SetVisible(v);
  if (Parent() && Parent()->HandleAllocated()) {
    win::ShowWindow(Handle(), v ? win::SW_SHOWNA : win::SW_HIDE);
  }
  UpdateShowing();
}

void TWinControl::UpdateShowing() {
  Perform(CM_SHOWINGCHANGED);
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowing();
  }
}

void TWinControl::SetText(const std::string& v) {
  TControl::SetText(v);
  if (handle_ && win::GetWindowText(handle_) != v) win::SetWindowText(handle_, v);
}

void TWinControl::SetEnabled(bool v) {
  if (v == Enabled()) return;
  TControl::SetEnabled(v);
  if (handle_) win::EnableWindow(handle_, v ? win::TRUE : win::FALSE);
}

void TWinControl::Invalidate() {
  if (handle_) win::InvalidateRect(handle_, nullptr, win::TRUE);
}

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0 && --alignDisabled_ == 0 && alignPending_) {
    alignPending_ = false;
    AlignControls(nullptr);
  }
}

void TWinControl::Loaded() {
  TControl::Loaded();
  AlignControls(nullptr);
}

void TWinControl::AdjustClientRect(TRect&) const {}

void TWinControl::AlignControls(TControl*) {
  if (alignDisabled_ > 0) {
    alignPending_ = true;
    return;
  }
  if (ControlState() & csAligning) return;
  SetControlState(ControlState() | csAligning);
  TRect r = ClientRect();
  AdjustClientRect(r);
  const TRect full = r;

  auto place = [&](TAlign a) {
    std::vector<TControl*> list;
    for (TControl* c : controls_)
      if (c->Align() == a && c->Visible()) list.push_back(c);
    auto key = [a](TControl* c) {
      switch (a) {
        case alTop:
          return c->Top();
        case alBottom:
          return -(c->Top() + c->Height());
        case alLeft:
          return c->Left();
        case alRight:
          return -(c->Left() + c->Width());
        default:
          return 0;
      }
    };
    std::stable_sort(list.begin(), list.end(),
                     [&](TControl* x, TControl* y) { return key(x) < key(y); });
    for (TControl* c : list) {
      int w = c->Width(), h = c->Height();
      switch (a) {
        case alTop:
          c->SetBounds(r.left, r.top, r.Width(), h);
          r.top += c->Height();
          break;
        case alBottom:
          c->SetBounds(r.left, r.bottom - h, r.Width(), h);
          r.bottom -= c->Height();
          break;
        case alLeft:
          c->SetBounds(r.left, r.top, w, r.Height());
          r.left += c->Width();
          break;
        case alRight:
          c->SetBounds(r.right - w, r.top, w, r.Height());
          r.right -= c->Width();
          break;
        case alClient:
          c->SetBounds(r.left, r.top, r.Width(), r.Height());
          break;
        default:
          break;
      }
      if (r.bottom < r.top) r.bottom = r.top;
      if (r.right < r.left) r.right = r.left;
    }
  };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) place(a);

  // Anchored controls keep their distances to the anchored edges; a control anchored to
  // neither edge of an axis keeps its centre at the same proportion.
  for (TControl* c : controls_) {
    if (c->Align() != alNone || c->Anchors() == (akLeft | akTop)) continue;
    const auto& rule = c->anchorRules_;
    if (rule.parentWidth < 0) continue;
    int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
    TAnchors an = c->Anchors();
    if (an & akRight) {
      if (an & akLeft)
        w = full.right - rule.right - (full.left + rule.left);
      else
        l = full.right - rule.right - w;
    } else if (!(an & akLeft) && rule.parentWidth > 0) {
      l = full.left + (rule.left + w / 2) * full.Width() / rule.parentWidth - w / 2;
    }
    if (an & akBottom) {
      if (an & akTop)
        h = full.bottom - rule.bottom - (full.top + rule.top);
      else
        t = full.bottom - rule.bottom - h;
    } else if (!(an & akTop) && rule.parentHeight > 0) {
      t = full.top + (rule.top + h / 2) * full.Height() / rule.parentHeight - h / 2;
    }
    c->SetBounds(l, t, std::max(w, 0), std::max(h, 0));
  }
  SetControlState(ControlState() & ~csAligning);
}

void TWinControl::Broadcast(TMessage& m) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    c->WndProc(m);
    if (m.Result != 0) return;
  }
}

void TWinControl::PaintBackground(gdi::HDC dc) {
  TRect r = ClientRect();
  gdi::HBRUSH b = gdi::CreateSolidBrush(gdi::ColorToRGB(Color()));
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
}

void TWinControl::PaintWindow(gdi::HDC) {}

void TWinControl::PaintControls(gdi::HDC dc, const TRect& update) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    auto* g = dynamic_cast<TGraphicControl*>(c);
    if (!g || !g->Visible()) continue;
    TRect b = g->BoundsRect();
    TRect i{};
    if (!gdi::IntersectRect(&i, &b, &update)) continue;
    const gdi::SavedDC saved(dc);
    gdi::OffsetViewportOrgEx(dc, b.left, b.top, nullptr);
    gdi::IntersectClipRect(dc, 0, 0, b.Width(), b.Height());
    const TCanvasLoan loan(g->Canvas(), dc);
    g->Canvas()->Font()->Assign(g->Font());
    g->Paint();
  }
}

void TWinControl::PaintTo(gdi::HDC dc, int x, int y) {
  // The caller's DC gets its state back even when a Paint raises.
  const gdi::SavedDC saved(dc);
  gdi::OffsetViewportOrgEx(dc, x, y, nullptr);
  gdi::IntersectClipRect(dc, 0, 0, Width(), Height());
  if (!(ControlStyle() & csOpaque)) PaintBackground(dc);
  PaintWindow(dc);
  PaintControls(dc, ClientRect());
  for (TControl* c : controls_) {
    auto* w = dynamic_cast<TWinControl*>(c);
    if (w && w->Visible()) w->PaintTo(dc, w->Left(), w->Top());
  }
}

bool TWinControl::WantsKey(unsigned short, TShiftState) const {
  return false;
}

void TWinControl::KeyDown(unsigned short& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(unsigned short& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::DoKeyDown(TMessage& m) {
  auto key = static_cast<unsigned short>(m.WParam);
  TShiftState shift = KeyboardShiftState();
  TCustomForm* form = GetParentForm();
  if (form && form != this && form->KeyPreview()) form->KeyDown(key, shift);
  if (key) KeyDown(key, shift);
  if (!key) return;
  // Alt alone is offered too, so that menu bars can show their accelerators.
  bool dialogKey = key == win::VK_MENU || key == win::VK_TAB || key == win::VK_RETURN ||
                   key == win::VK_ESCAPE ||
                   key == win::VK_LEFT || key == win::VK_RIGHT || key == win::VK_UP ||
                   key == win::VK_DOWN || key == win::VK_PRIOR || key == win::VK_NEXT;
  if (dialogKey && !WantsKey(key, shift) && form) {
    if (form->Perform(CM_DIALOGKEY, key, static_cast<win::LPARAM>(shift))) return;
  }
  DefaultHandler(m);
}

void TWinControl::ApplyFocusChange(bool gained) {
  if (gained) {
    if (TCustomForm* f = GetParentForm()) f->FocusChanged(this);
    DoEnter();
  } else {
    DoExit();
  }
  Invalidate();
}

void TWinControl::RouteMouse(TMessage& m) {
  TPoint p{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
  TControl* target = nullptr;
  if (gCaptureControl && gCaptureControl->Parent() == this) {
    target = gCaptureControl;
  } else if (m.Msg != win::WM_MOUSEMOVE || !(ControlState() & csLButtonDown)) {
    TControl* c = ControlAtPos(p);
    if (c && dynamic_cast<TGraphicControl*>(c)) target = c;
  }
  if (target) {
    TMessage fwd{m.Msg, m.WParam, win::MAKELPARAM(p.x - target->Left(), p.y - target->Top()), 0};
    target->WndProc(fwd);
    m.Result = fwd.Result;
    return;
  }
  if (m.Msg == win::WM_LBUTTONDOWN && TabStop() && CanFocus() && !Focused()) SetFocus();
  TControl::WndProc(m);
  return;
}

void TWinControl::WndProc(TMessage& m) {
  if (IsClientMouseMessage(m.Msg)) {
    const bool enabled = Enabled();
    RouteMouse(m);
    // The default handling of a right release asks for the context menu.
    if (m.Msg == win::WM_RBUTTONUP && enabled && handle_ && win::IsWindow(handle_))
      DefaultHandler(m);
    return;
  }
  switch (m.Msg) {
    case win::WM_CONTEXTMENU: {
      // From the mouse the menu of the control under the pointer (a graphic child may have its
      // own); from the keyboard (no point) this control's, at its window's top-left corner,
      // outside any border or grip.
      TPoint p{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
      TControl* from = this;
      if (p.x == -1 && p.y == -1) {
        TRect r{};
        win::GetWindowRect(handle_, &r);
        p = TPoint{r.left, r.top};
      } else if (TControl* c = ControlAtPos(ScreenToClient(p))) {
        if (dynamic_cast<TGraphicControl*>(c)) from = c;
      }
      // ContextMenu asks the parents itself, so the message goes no further.
      m.Result = from->ContextMenu(p) ? 1 : 0;
      return;
    }
    case win::WM_PAINT: {
      const win::PaintScope paint(handle_);
      PaintWindow(paint.dc());
      PaintControls(paint.dc(), paint.ps().rcPaint);
      return;
    }
    case win::WM_ERASEBKGND:
      if (!(ControlStyle() & csOpaque)) PaintBackground(reinterpret_cast<gdi::HDC>(m.WParam));
      m.Result = 1;
      return;
    case win::WM_PRINTCLIENT: {
      // The client drawn into a DC of the caller's (an off-screen copy, a print).
      const auto dc = reinterpret_cast<gdi::HDC>(m.WParam);
      if (!dc) return;
      TRect clip{};
      gdi::GetClipBox(dc, &clip);
      PaintWindow(dc);
      PaintControls(dc, clip);
      return;
    }
    case win::WM_SETFOCUS:
      ApplyFocusChange(true);
      return;
    case win::WM_KILLFOCUS:
      ApplyFocusChange(false);
      return;
    case win::WM_KEYDOWN:
    case win::WM_SYSKEYDOWN:
      DoKeyDown(m);
      return;
    case win::WM_KEYUP:
    case win::WM_SYSKEYUP: {
      auto key = static_cast<unsigned short>(m.WParam);
      KeyUp(key, KeyboardShiftState());
      if (key) DefaultHandler(m);
      return;
    }
    case win::WM_CHAR: {
      char ch = static_cast<char>(m.WParam);
      KeyPress(ch);
      return;
    }
    case win::WM_SYSCHAR: {
      TCustomForm* form = GetParentForm();
      if (form && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam)) return;
      DefaultHandler(m);
      return;
    }
    case win::WM_WINDOWPOSCHANGED: {
      if (!inBoundsUpdate_ && handle_) {
        TRect wr{};
        win::GetWindowRect(handle_, &wr);
        if (Parent() && Parent()->HandleAllocated()) {
          win::MapWindowPoints(nullptr, Parent()->Handle(), reinterpret_cast<TPoint*>(&wr), 2);
        }
        if (wr.left != Left() || wr.top != Top() || wr.Width() != Width() ||
            wr.Height() != Height()) {
          inBoundsUpdate_ = true;
          SetBounds(wr.left, wr.top, wr.Width(), wr.Height());
          inBoundsUpdate_ = false;
        }
      }
      DefaultHandler(m);
      return;
    }
    case win::WM_SETTINGCHANGE:
      // The system tells top-level windows; the controls inside hear it from their parents.
      for (int i = 0; i < ControlCount(); ++i)
        if (auto* w = dynamic_cast<TWinControl*>(Controls(i)); w && w->HandleAllocated())
          win::SendMessage(w->Handle(), m.Msg, m.WParam, m.LParam);
      DefaultHandler(m);
      return;
    case win::WM_NCDESTROY:
      DefaultHandler(m);
      handle_ = {};
      return;
    case CM_DIALOGCHAR:
      if (DialogChar(static_cast<unsigned>(m.WParam))) {
        m.Result = 1;
        return;
      }
      Broadcast(m);
      return;
    case CM_DIALOGKEY:
      if (DialogKey(static_cast<unsigned short>(m.WParam), static_cast<TShiftState>(m.LParam))) {
        m.Result = 1;
        return;
      }
      Broadcast(m);
      return;
    default:
      TControl::WndProc(m);
  }
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (handle_) m.Result = win::DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
}

// ---------------------------------------------------------------- TGraphicControl

TGraphicControl::TGraphicControl(rtl::TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() {
  FreeControlCanvas(canvas_.get());
}

// ---------------------------------------------------------------- TCustomControl

TCustomControl::TCustomControl(rtl::TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() {
  FreeControlCanvas(canvas_.get());
}

void TCustomControl::PaintWindow(gdi::HDC dc) {
  PaintOnCanvas(canvas_.get(), dc, this, [this] { Paint(); });
}

}  // namespace vcl
