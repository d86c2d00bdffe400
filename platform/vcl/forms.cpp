#include "platform/vcl/forms.h"

#include <algorithm>

#include "platform/vcl/application.h"
#include "platform/vcl/controlcanvas.h"
#include "platform/vcl/screen.h"

namespace vcl {

TCustomForm::TCustomForm(rtl::TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {
  TControl::visible_ = false;
  SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption |
                  csDoubleClicks);
  TControl::width_ = 320;
  TControl::height_ = 240;
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (!destroyFired_) {
    destroyFired_ = true;
    if (OnDestroy) OnDestroy(this);
  }
  if (Screen) Screen->RemoveForm(this);
  if (Application) Application->FormDestroyed(this);
  // The form's components (its controls among them) go before the window does.
  Destroying();
  DestroyComponents();
  FreeControlCanvas(canvas_.get());
  DestroyHandle();
}

namespace {
// Every component the form owns hears Loaded (in creation order, nested owners first), as a
// form read from a resource does.
void LoadedTree(rtl::TComponent* c) {
  for (int i = 0; i < c->ComponentCount(); ++i) {
    rtl::TComponent* child = c->Components(i);
    LoadedTree(child);
    child->Loaded();
  }
}
}  // namespace

void TCustomForm::AfterConstruction() {
  Loading();
  LoadedTree(this);
  Loaded();
  if (OnCreate) OnCreate(this);
  if (Visible()) {
    TControl::visible_ = false;
    Show();
  }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle v) {
  if (v == borderStyle_) return;
  int cw = ClientWidth(), ch = ClientHeight();
  borderStyle_ = v;
  if (HandleAllocated()) {
    win::SetWindowLong(Handle(), win::GWL_STYLE,
                       WindowStyle() | (Visible() ? static_cast<unsigned>(win::WS_VISIBLE) : 0u));
    win::SetWindowLong(Handle(), win::GWL_EXSTYLE, WindowExStyle());
    win::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                          win::SWP_FRAMECHANGED);
  }
  // The client area keeps its size, as a form designed with one border shows it with another.
  SetClientWidth(cw);
  SetClientHeight(ch);
}

void TCustomForm::SetFormStyle(TFormStyle v) {
  if (v == formStyle_) return;
  formStyle_ = v;
  if (HandleAllocated()) {
    win::SetWindowPos(Handle(), v == fsStayOnTop ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0,
                      0, win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
  }
}

void TCustomForm::SetWindowState(TWindowState v) {
  windowState_ = v;
  if (HandleAllocated() && Visible()) {
    static const int cmds[] = {win::SW_RESTORE, win::SW_MINIMIZE, win::SW_MAXIMIZE};
    win::ShowWindow(Handle(), cmds[v]);
  }
}

unsigned TCustomForm::WindowStyle() const {
  switch (borderStyle_) {
    case bsNone:
      return win::WS_POPUP | win::WS_CLIPCHILDREN;
    case bsSingle:
    case bsToolWindow:
      return win::WS_POPUP | win::WS_CAPTION | win::WS_SYSMENU | win::WS_MINIMIZEBOX |
             win::WS_CLIPCHILDREN;
    case bsDialog:
      return win::WS_POPUP | win::WS_CAPTION | win::WS_SYSMENU | win::WS_CLIPCHILDREN;
    case bsSizeable:
    case bsSizeToolWin:
      return win::WS_POPUP | win::WS_CAPTION | win::WS_SYSMENU | win::WS_THICKFRAME |
             win::WS_MINIMIZEBOX | win::WS_MAXIMIZEBOX | win::WS_CLIPCHILDREN;
  }
  return win::WS_POPUP;
}

unsigned TCustomForm::WindowExStyle() const {
  unsigned ex = 0;
  if (borderStyle_ == bsDialog) ex |= win::WS_EX_DLGMODALFRAME;
  if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) ex |= win::WS_EX_TOOLWINDOW;
  if (formStyle_ == fsStayOnTop) ex |= win::WS_EX_TOPMOST;
  return ex;
}

TRect TCustomForm::ClientRect() const {
  if (HandleAllocated()) {
    TRect r{};
    win::GetClientRect(const_cast<TCustomForm*>(this)->Handle(), &r);
    return r;
  }
  TRect frame{0, 0, 0, 0};
  win::AdjustWindowRectEx(&frame, WindowStyle(), win::FALSE, WindowExStyle());
  return TRect{0, 0, std::max(0, Width() - frame.Width()), std::max(0, Height() - frame.Height())};
}

void TCustomForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style = WindowStyle();
  p.ExStyle = WindowExStyle();
  p.WndParent = {};
  if (Application && Application->MainForm() && Application->MainForm() != this &&
      Application->MainForm()->HandleAllocated()) {
    p.WndParent = Application->MainForm()->Handle();
  }
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (formStyle_ == fsStayOnTop) {
    win::SetWindowPos(Handle(), win::HWND_TOPMOST, 0, 0, 0, 0,
                      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
  }
}

bool TCustomForm::Showing() const {
  return Visible() && HandleAllocated();
}

void TCustomForm::PlaceOnScreen() {
  if (placed_) return;
  placed_ = true;
  TRect area = Screen ? Screen->WorkAreaRect() : TRect{0, 0, 1280, 800};
  int l = Left(), t = Top();
  TCustomForm* center = nullptr;
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
      l = area.left + (area.Width() - Width()) / 2;
      t = area.top + (area.Height() - Height()) / 2;
      break;
    case poMainFormCenter:
      center = Application ? Application->MainForm() : nullptr;
      break;
    case poOwnerFormCenter:
      center = dynamic_cast<TCustomForm*>(Owner());
      if (!center && Application) center = Application->MainForm();
      break;
    default:
      break;
  }
  if (center && center != this) {
    l = center->Left() + (center->Width() - Width()) / 2;
    t = center->Top() + (center->Height() - Height()) / 2;
  } else if (position_ == poMainFormCenter || position_ == poOwnerFormCenter) {
    l = area.left + (area.Width() - Width()) / 2;
    t = area.top + (area.Height() - Height()) / 2;
  }
  if (l != Left() || t != Top()) SetBounds(l, t, Width(), Height());
}

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated()) win::BringWindowToTop(Handle());
}

void TCustomForm::SetVisible(bool v) {
  if (v == Visible()) return;
  if (v) {
    PlaceOnScreen();
    if (OnShow) OnShow(this);
    TControl::visible_ = true;
    HandleNeeded();
    static const int cmds[] = {win::SW_SHOWNORMAL, win::SW_SHOWMINIMIZED, win::SW_SHOWMAXIMIZED};
    win::ShowWindow(Handle(), cmds[windowState_]);
    Perform(CM_SHOWINGCHANGED);
    if (!activeControl_ || !activeControl_->CanFocus()) {
      activeControl_ = FindNextControl(nullptr, true, true, false);
    }
    if (win::GetActiveWindow() == Handle()) {
      if (activeControl_) win::SetFocus(activeControl_->Handle());
    }
  } else {
    if (HandleAllocated()) win::ShowWindow(Handle(), win::SW_HIDE);
    TControl::visible_ = false;
    Perform(CM_SHOWINGCHANGED);
    if (OnHide) OnHide(this);
  }
}

void TCustomForm::SetActiveControl(TWinControl* c) {
  if (c == activeControl_) return;
  if (c && (!ContainsControl(c) || c == this))
    throw rtl::EInvalidOperation("Invalid active control");
  activeControl_ = c;
  if (c && active_ && c->CanFocus()) win::SetFocus(c->Handle());
}

void TCustomForm::FocusControl(TWinControl* c) {
  if (!c->CanFocus()) {
    if (!ContainsControl(c)) return;
    activeControl_ = c;
    return;
  }
  activeControl_ = c;
  win::SetFocus(c->Handle());
}

void TCustomForm::FocusChanged(TWinControl* c) {
  if (c != this) activeControl_ = c;
}

void TCustomForm::ControlRemoved(TWinControl* c) {
  if (activeControl_ && (activeControl_ == c || c->ContainsControl(activeControl_)))
    activeControl_ = nullptr;
}

void TCustomForm::SetFocus() {
  if (!HandleAllocated()) return;
  win::BringWindowToTop(Handle());
  win::SetActiveWindow(Handle());
  if (activeControl_ && activeControl_->CanFocus())
    win::SetFocus(activeControl_->Handle());
  else
    win::SetFocus(Handle());
}

bool TCustomForm::KeptActiveBy(win::HWND wnd) {
  return wnd && HandleAllocated() && win::GetProp(wnd, kKeepsOwnerActive) &&
         win::GetWindow(wnd, win::GW_OWNER) == Handle();
}

void TCustomForm::Activate(bool active) {
  if (active == active_) {
    // Back from a window that kept the form active: the focus comes home.
    if (active && activeControl_ && activeControl_->CanFocus() &&
        !ContainsControl(TWinControl::FindControl(win::GetFocus())))
      win::SetFocus(activeControl_->Handle());
    return;
  }
  active_ = active;
  if (active) {
    if (activeControl_ && activeControl_->CanFocus()) {
      win::SetFocus(activeControl_->Handle());
    } else if (TWinControl* first = FindNextControl(nullptr, true, true, false)) {
      activeControl_ = first;
      win::SetFocus(first->Handle());
    }
    if (OnActivate) OnActivate(this);
  } else {
    if (OnDeactivate) OnDeactivate(this);
  }
}

void TCustomForm::SetModalResult(TModalResult v) {
  modalResult_ = v;
  // Wakes the modal loop when the result is set from outside a message (a test's script).
  if (modal_ && v != mrNone && HandleAllocated()) win::PostMessage(Handle(), win::WM_NULL, 0, 0);
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) modalResult_ = mrNone;
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || modal_)
    throw rtl::EInvalidOperation("Cannot make a visible window modal");
  if (win::GetCapture()) win::ReleaseCapture();
  modal_ = true;
  win::HWND previous = win::GetActiveWindow();
  // Every other top-level window of the program is disabled while the form is up.
  std::vector<win::HWND> disabled;
  win::EnumThreadWindows([&](win::HWND w) {
    if (w != (HandleAllocated() ? Handle() : nullptr) && win::IsWindowVisible(w) &&
        win::IsWindowEnabled(w)) {
      disabled.push_back(w);
    }
    return win::TRUE;
  });
  for (win::HWND w : disabled) win::EnableWindow(w, win::FALSE);
  modalResult_ = mrNone;
  auto restore = [&] {
    for (win::HWND w : disabled)
      if (win::IsWindow(w)) win::EnableWindow(w, win::TRUE);
    if (Visible()) Hide();
    modal_ = false;
    if (previous && win::IsWindow(previous)) win::SetActiveWindow(previous);
  };
  try {
    Show();
    win::SetActiveWindow(Handle());
    do {
      Application->HandleMessage();
      if (Application->Terminated()) {
        modalResult_ = mrCancel;
      } else if (modalResult_ != mrNone) {
        CloseModal();
      }
    } while (modalResult_ == mrNone);
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return modalResult_;
}

void TCustomForm::Release() {
  if (HandleAllocated())
    win::PostMessage(Handle(), CM_RELEASE, 0, 0);
  else
    delete this;
}

void TCustomForm::KeyDown(unsigned short& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
}

bool TCustomForm::DialogKey(unsigned short key, TShiftState shift) {
  switch (key) {
    case win::VK_TAB:
      if (shift & ssCtrl) return false;
      SelectNext(activeControl_, !(shift & ssShift), true);
      return true;
    case win::VK_LEFT:
    case win::VK_RIGHT:
    case win::VK_UP:
    case win::VK_DOWN:
      if (activeControl_ && activeControl_->Parent()) {
        activeControl_->Parent()->SelectNext(activeControl_,
                                             key == win::VK_RIGHT || key == win::VK_DOWN, false);
        return true;
      }
      return false;
    default:
      return false;
  }
}

namespace {
void InitiateActions(TWinControl* container) {
  for (int i = 0; i < container->ControlCount(); ++i) {
    TControl* c = container->Controls(i);
    if (!c->Visible()) continue;
    c->InitiateAction();
    if (auto* w = dynamic_cast<TWinControl*>(c)) InitiateActions(w);
  }
}
}  // namespace

void TCustomForm::UpdateActions() {
  if ((ComponentState() & rtl::csDesigning) || !Showing()) return;
  InitiateAction();
  InitiateActions(this);
}

bool TCustomForm::DialogChar(unsigned) {
  return false;
}

void TCustomForm::PaintWindow(gdi::HDC dc) {
  PaintOnCanvas(canvas_.get(), dc, this, [this] { Paint(); });
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case win::WM_CLOSE:
      Close();
      return;
    case win::WM_ACTIVATE:
      if (win::LOWORD(m.WParam) == win::WA_INACTIVE &&
          KeptActiveBy(reinterpret_cast<win::HWND>(m.LParam)))
        return;
      Activate(win::LOWORD(m.WParam) != win::WA_INACTIVE);
      if (Application) Application->FormActivated(this, active_);
      return;
    case win::WM_SETFOCUS:
      // The form itself only holds the focus until a control takes it.
      if (activeControl_ && activeControl_ != this && activeControl_->CanFocus()) {
        win::SetFocus(activeControl_->Handle());
        return;
      }
      TWinControl::WndProc(m);
      return;
    case CM_RELEASE:
      delete this;
      return;
    case win::WM_SYSCOMMAND:
      if ((m.WParam & 0xFFF0) == win::SC_CLOSE) {
        Close();
        return;
      }
      // The keyboard menu goes to the application first (a menu-bar toolbar may take it); the
      // space (system menu) and '-' stay the window's.
      if ((m.WParam & 0xFFF0) == win::SC_KEYMENU && win::LOWORD(m.LParam) != ' ' &&
          win::LOWORD(m.LParam) != '-' && !win::GetCapture() && Application &&
          win::SendMessage(Application->Handle(), CM_APPSYSCOMMAND, m.WParam,
                           win::LOWORD(m.LParam)) != 0) {
        m.Result = 0;
        return;
      }
      TWinControl::WndProc(m);
      return;
    default:
      TWinControl::WndProc(m);
  }
}

}  // namespace vcl
