// The dockable window: its place in a dock or a floating frame, the road between them, its
// docked frame and its visibility with the application and the parent form.
#include <algorithm>

#include "docking/dkcommon.h"
#include "docking/dkdock.h"
#include "docking/dkdock_internal.h"
#include "docking/dkwatch.h"
#include "platform/gdi/controls.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/shapes.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"

namespace docking {

namespace internal {

std::vector<TDKCustomDockableWindow*>& LiveWindows() {
  thread_local std::vector<TDKCustomDockableWindow*> windows;
  return windows;
}

bool TrackButton(rtl::TComponent* owner, HWND wnd, const std::function<RECT()>& windowRect,
                 const std::function<void(bool)>& setPushed) {
  // What the pump dispatches may free the window the button belongs to: then nothing is left to
  // draw or to click.
  TDKFreeWatch watch;
  watch.Watch(owner);
  auto over = [&] {
    POINT p{};
    win::GetCursorPos(&p);
    RECT r = windowRect();
    RECT wr{};
    win::GetWindowRect(wnd, &wr);
    gdi::OffsetRect(&r, wr.left, wr.top);
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
  };
  bool pushed = true;
  setPushed(true);
  win::SetCapture(wnd);
  bool released = false;
  while (win::GetCapture() == wnd) {
    win::MSG msg;
    if (!win::GetMessage(&msg, nullptr, 0, 0)) {
      win::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!watch.Alive(owner)) return false;
    if (msg.message == win::WM_MOUSEMOVE) {
      if (over() != pushed) setPushed(pushed = !pushed);
    } else if (msg.message == win::WM_LBUTTONUP) {
      released = true;
      break;
    } else if (msg.message == win::WM_KEYDOWN && msg.wParam == win::VK_ESCAPE) {
      break;
    } else {
      win::TranslateMessage(&msg);
      win::DispatchMessage(&msg);
    }
  }
  if (!watch.Alive(owner)) return false;
  if (win::GetCapture() == wnd) win::ReleaseCapture();
  const bool onIt = released && over();
  setPushed(false);
  return onIt;
}

void DrawCloseGlyph(HDC dc, const RECT& r, bool pushed) {
  static const unsigned char rows[8] = {0x00, 0xCC, 0x78, 0x30, 0x78, 0xCC, 0x00, 0x00};
  const int x0 = r.left + (r.right - r.left - 8) / 2 + (pushed ? 1 : 0);
  const int y0 = r.top + (r.bottom - r.top - 8) / 2 + (pushed ? 1 : 0);
  const win::COLORREF c = gdi::GetSysColor(gdi::COLOR_BTNTEXT);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if (rows[y] & (0x80 >> x)) gdi::SetPixel(dc, x0 + x, y0 + y, c);
}

}  // namespace internal

using internal::LiveWindows;

namespace {

// Sets a field of a window's place in its dock; when it changed, a docked window's dock lays
// its windows out again.
template <class T>
void AssignAndRearrangeDock(TDKCustomDockableWindow& w, T& field, const T& value) {
  if (internal::Assign(field, value) && w.Docked()) w.CurrentDock()->ArrangeToolbars();
}

}  // namespace

TDKDockType DKGetDockTypeOf(const TDKDock* Dock, bool Floating) {
  if (Floating) return dtFloating;
  if (!Dock) return dtNotDocked;
  return Dock->IsVertical() ? dtLeftRight : dtTopBottom;
}

vcl::TCustomForm* DKGetToolWindowParentForm(const vcl::TControl* Window) {
  const vcl::TControl* c = Window;
  while (c->Parent()) c = c->Parent();
  if (auto* frame = dynamic_cast<const TDKFloatingWindowParent*>(c)) return frame->ParentForm();
  if (c == Window) return nullptr;
  return dynamic_cast<vcl::TCustomForm*>(const_cast<vcl::TControl*>(c));
}

vcl::TCustomForm* DKValidToolWindowParentForm(const vcl::TControl* Window) {
  vcl::TCustomForm* f = DKGetToolWindowParentForm(Window);
  if (!f)
    throw rtl::EInvalidOperation(
        rtl::Format("Control '%s' has no parent window", Window->Name().c_str()));
  return f;
}

TDKCustomDockableWindow::TDKCustomDockableWindow(rtl::TComponent* AOwner)
    : vcl::TCustomControl(AOwner) {
  // Presses start the drag loop, which takes the capture itself.
  SetControlStyle(vcl::csAcceptsControls | vcl::csClickEvents | vcl::csDoubleClicks |
                  vcl::csSetCaption);
  SetColor(gdi::clBtnFace);
  LiveWindows().push_back(this);
  InstallHookProc(this, &TDKCustomDockableWindow::HookProc,
                  HookCodes(hpSendActivate) | HookCodes(hpSendActivateApp) |
                      HookCodes(hpSendWindowPosChanged) | HookCodes(hpPreDestroy));
}

TDKCustomDockableWindow::~TDKCustomDockableWindow() {
  Destroying();
  std::erase(LiveWindows(), this);
  UninstallHookProc(this, &TDKCustomDockableWindow::HookProc);
  for (TDKDock* d : {currentDock_, lastDock_}) {
    if (!d) continue;
    d->RemoveFromLists(this);
    d->RemoveFreeNotification(this);
  }
  if (TDKDock* d = currentDock_) {
    currentDock_ = nullptr;
    d->ArrangeToolbars();
  }
  if (floatParent_) {
    // Leave the frame before it goes, so that it does not take this window with it.
    if (Parent() == floatParent_) vcl::TControl::SetParent(nullptr);
    FreeFloatParent();
  }
}

void TDKCustomDockableWindow::FreeFloatParent() {
  TDKFloatingWindowParent* f = floatParent_;
  floatParent_ = nullptr;
  if (f) {
    f->window_ = nullptr;
    delete f;
  }
}

// A window docked before its form had a handle gets its handle with its form: the frame size asked
// while the window was being made did not reach this object, so it is asked again.
void TDKCustomDockableWindow::CreateWnd() {
  vcl::TCustomControl::CreateWnd();
  if (docked_) RedrawNC();
}

void TDKCustomDockableWindow::CreateParams(vcl::TCreateParams& Params) {
  vcl::TCustomControl::CreateParams(Params);
  Params.WindowClassStyle &= ~unsigned(win::CS_HREDRAW | win::CS_VREDRAW);
  Params.Style |= win::WS_CLIPCHILDREN;
}

void TDKCustomDockableWindow::Loaded() {
  vcl::TCustomControl::Loaded();
  Arrange();
}

void TDKCustomDockableWindow::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  vcl::TCustomControl::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == defaultDock_) defaultDock_ = nullptr;
  if (AComponent == lastDock_) lastDock_ = nullptr;
  if (AComponent == currentDock_) currentDock_ = nullptr;
  std::erase(dockForms_, AComponent);
}

// ------------------------------------------------------------------ sizes

int TDKCustomDockableWindow::DragHandleSize() const {
  if (currentDock_ && !currentDock_->AllowDrag()) return 0;
  if (closeButtonWhenDocked_) return 14;
  switch (dragHandleStyle_) {
    case dhDouble:
      return 9;
    case dhNone:
      return 0;
    default:
      return 6;
  }
}

int TDKCustomDockableWindow::DockedCaptionHeight() const {
  return dockedCaption_ ? win::GetSystemMetrics(win::SM_CYSMCAPTION) : 0;
}

void TDKCustomDockableWindow::GetDockedNCArea(POINT& TopLeft, POINT& BottomRight,
                                              bool LeftRight) const {
  TopLeft = POINT{2, 2};
  BottomRight = POINT{2, 2};
  if (const int caption = DockedCaptionHeight(); caption > 0)
    TopLeft.y += caption;  // the strip is the handle, in either direction of the dock
  else if (LeftRight)
    TopLeft.y += DragHandleSize();
  else
    TopLeft.x += DragHandleSize();
}

POINT TDKCustomDockableWindow::GetFloatingBorderSize() const {
  if (resizable_)
    return POINT{win::GetSystemMetrics(win::SM_CXFRAME), win::GetSystemMetrics(win::SM_CYFRAME)};
  return POINT{win::GetSystemMetrics(win::SM_CXDLGFRAME),
               win::GetSystemMetrics(win::SM_CYDLGFRAME)};
}

void TDKCustomDockableWindow::GetFloatingNCArea(POINT& TopLeft, POINT& BottomRight) const {
  const POINT b = GetFloatingBorderSize();
  TopLeft = b;
  BottomRight = b;
  if (showCaption_) TopLeft.y += win::GetSystemMetrics(win::SM_CYSMCAPTION);
}

SIZE TDKCustomDockableWindow::CalcNCSizes() const {
  if (!docked_ || !currentDock_) return SIZE{0, 0};
  POINT tl, br;
  GetDockedNCArea(tl, br, currentDock_->IsVertical());
  return SIZE{tl.x + br.x, tl.y + br.y};
}

int TDKCustomDockableWindow::GetNonClientWidth() const {
  return CalcNCSizes().cx;
}
int TDKCustomDockableWindow::GetNonClientHeight() const {
  return CalcNCSizes().cy;
}

SIZE TDKCustomDockableWindow::AddDockedNCAreaToSize(SIZE S, bool LeftRight) const {
  POINT tl, br;
  GetDockedNCArea(tl, br, LeftRight);
  return SIZE{S.cx + tl.x + br.x, S.cy + tl.y + br.y};
}

SIZE TDKCustomDockableWindow::AddFloatingNCAreaToSize(SIZE S) const {
  POINT tl, br;
  GetFloatingNCArea(tl, br);
  return SIZE{S.cx + tl.x + br.x, S.cy + tl.y + br.y};
}

TRect TDKCustomDockableWindow::ClientRect() const {
  const SIZE nc = CalcNCSizes();
  return TRect{0, 0, std::max(0, Width() - nc.cx), std::max(0, Height() - nc.cy)};
}

RECT TDKCustomDockableWindow::GetDockedCloseButtonRect(bool LeftRight) const {
  if (const int caption = DockedCaptionHeight(); caption > 0) {
    const int side = caption - 3;
    return RECT{Width() - 2 - side, 3, Width() - 2, 3 + side};
  }
  const int side = DragHandleSize() - 3;
  if (LeftRight) return RECT{Width() - 2 - side, 3, Width() - 2, 3 + side};
  return RECT{3, 2, 3 + side, 2 + side};
}

// ------------------------------------------------------------------ properties

void TDKCustomDockableWindow::RedrawNC() {
  if (!HandleAllocated()) return;
  win::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                    win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                        win::SWP_FRAMECHANGED);
  win::RedrawWindow(Handle(), nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_FRAME);
}

void TDKCustomDockableWindow::SetAutoResize(bool v) {
  autoResize_ = v;
  if (v) Arrange();
}

void TDKCustomDockableWindow::SetBorderStyle(vcl::TFormBorderStyle v) {
  borderStyle_ = v;
  RedrawNC();
}

void TDKCustomDockableWindow::SetCloseButton(bool v) {
  closeButton_ = v;
  if (floatParent_) floatParent_->RedrawNCArea(twrdCaption | twrdCloseButton);
}

void TDKCustomDockableWindow::SetCloseButtonWhenDocked(bool v) {
  if (!internal::Assign(closeButtonWhenDocked_, v)) return;
  if (docked_) {
    RedrawNC();
    Arrange();
  }
}

void TDKCustomDockableWindow::SetDockedCaption(bool v) {
  if (!internal::Assign(dockedCaption_, v)) return;
  if (docked_) {
    RedrawNC();
    Arrange();
  }
}

void TDKCustomDockableWindow::SetDragHandleStyle(TDKDragHandleStyle v) {
  if (!internal::Assign(dragHandleStyle_, v)) return;
  if (docked_) {
    RedrawNC();
    Arrange();
  }
}

void TDKCustomDockableWindow::SetFloatingMode(TDKFloatingMode v) {
  if (!internal::Assign(floatingMode_, v)) return;
  if (floatParent_ && floatParent_->Showing()) floatParent_->SetShowingNoActivate(true);
  UpdateVisibility();
}

void TDKCustomDockableWindow::SetHideWhenInactive(bool v) {
  hideWhenInactive_ = v;
  UpdateVisibility();
}

void TDKCustomDockableWindow::SetResizable(bool v) {
  if (!internal::Assign(resizable_, v)) return;
  if (floatParent_) {
    floatParent_->CallRecreateWnd();
    Arrange();
  }
}

void TDKCustomDockableWindow::SetShowCaption(bool v) {
  if (!internal::Assign(showCaption_, v)) return;
  if (floating_) Arrange();
}

void TDKCustomDockableWindow::SetFullSize(bool v) {
  AssignAndRearrangeDock(*this, fullSize_, v);
}

void TDKCustomDockableWindow::SetStretch(bool v) {
  if (!internal::Assign(stretch_, v)) return;
  if (docked_) Arrange();
}

void TDKCustomDockableWindow::SetDockRow(int Value) {
  AssignAndRearrangeDock(*this, dockRow_, Value);
}

void TDKCustomDockableWindow::SetDockPos(int Value) {
  AssignAndRearrangeDock(*this, dockPos_, Value);
}

void TDKCustomDockableWindow::SetDefaultDock(TDKDock* Value) {
  if (Value == defaultDock_) return;
  defaultDock_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TDKCustomDockableWindow::SetLastDock(TDKDock* Value) {
  if (useLastDock_ && currentDock_) Value = currentDock_;
  if (Value == lastDock_) return;
  if (lastDock_ && lastDock_ != Parent()) lastDock_->ChangeDockList(false, this);
  lastDock_ = Value;
  if (Value) {
    Value->FreeNotification(this);
    Value->ChangeDockList(true, this);
  }
}

void TDKCustomDockableWindow::SetUseLastDock(bool v) {
  if (v == useLastDock_) return;
  useLastDock_ = v;
  SetLastDock(v ? currentDock_ : nullptr);
}

void TDKCustomDockableWindow::SetCurrentDock(TDKDock* Value) {
  if (Value)
    SetParent(Value);
  else
    SetParent(DKValidToolWindowParentForm(this));
}

void TDKCustomDockableWindow::SetText(const std::string& v) {
  vcl::TCustomControl::SetText(v);
  if (floatParent_) {
    floatParent_->SetText(v);
    floatParent_->RedrawNCArea(twrdCaption);
  }
  if (docked_ && dockedCaption_) RedrawNC();
}

void TDKCustomDockableWindow::AddDockForm(vcl::TCustomForm* Form) {
  if (std::find(dockForms_.begin(), dockForms_.end(), Form) != dockForms_.end()) return;
  dockForms_.push_back(Form);
  Form->FreeNotification(this);
}

void TDKCustomDockableWindow::RemoveDockForm(vcl::TCustomForm* Form) {
  std::erase(dockForms_, Form);
}

// ------------------------------------------------------------------ arranging and bounds

void TDKCustomDockableWindow::Arrange() {
  if (disableArrange_ > 0 || (ComponentState() & rtl::csLoading) || !Parent()) {
    arrangeNeeded_ = true;
    return;
  }
  arrangeNeeded_ = false;
  const SIZE s = DoArrange(true, DKGetDockTypeOf(currentDock_, floating_), floating_, currentDock_);
  if (autoResize_ || docked_ || floating_) ChangeSize(s.cx, s.cy);
}

void TDKCustomDockableWindow::EndUpdate() {
  if (disableArrange_ > 0 && --disableArrange_ == 0 && arrangeNeeded_) Arrange();
}

void TDKCustomDockableWindow::ChangeSize(int AWidth, int AHeight) {
  if (docked_ && currentDock_) {
    currentDock_->ArrangeToolbars();
    return;
  }
  const SIZE nc = CalcNCSizes();
  AWidth += nc.cx;
  AHeight += nc.cy;
  if (!floating_) {
    if ((Anchors() & vcl::akLeft) && (Anchors() & vcl::akRight)) AWidth = Width();
    if ((Anchors() & vcl::akTop) && (Anchors() & vcl::akBottom)) AHeight = Height();
  }
  ++updatingBounds_;
  SetBounds(Left(), Top(), AWidth, AHeight);
  --updatingBounds_;
}

void TDKCustomDockableWindow::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool resized = AWidth != Width() || AHeight != Height();
  if (floating_ && floatParent_) {
    // A floating window stays at the frame's corner; the frame takes the size.
    if (updatingBounds_ == 0 && resized) SizeChanging(AWidth, AHeight);
    vcl::TCustomControl::SetBounds(0, 0, AWidth, AHeight);
    const SIZE outer = AddFloatingNCAreaToSize(SIZE{AWidth, AHeight});
    floatParent_->SetBounds(floatParent_->Left(), floatParent_->Top(), outer.cx, outer.cy);
    return;
  }
  if (updatingBounds_ == 0 && resized) SizeChanging(AWidth, AHeight);
  vcl::TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (docked_ && updatingBounds_ == 0 && resized && currentDock_) currentDock_->ArrangeToolbars();
}

void TDKCustomDockableWindow::SetFloatingPosition(POINT P) {
  floatingPosition_ = P;
  if (floating_ && floatParent_)
    floatParent_->SetBounds(P.x, P.y, floatParent_->Width(), floatParent_->Height());
}

RECT TDKCustomDockableWindow::WorkArea() const {
  if (floatParent_) return GetRectOfMonitorContainingRect(floatParent_->BoundsRect(), true);
  if (const vcl::TCustomForm* form = DKGetToolWindowParentForm(this))
    return GetRectOfMonitorContainingRect(form->BoundsRect(), true);
  return GetRectOfPrimaryMonitor(true);
}

void TDKCustomDockableWindow::MoveOnScreen(bool OnlyIfFullyOffscreen) {
  if (!floating_ || !floatParent_) return;
  RECT r = floatParent_->BoundsRect();
  const RECT wa = GetRectOfMonitorContainingRect(r, true);
  if (OnlyIfFullyOffscreen) {
    RECT both{};
    if (gdi::IntersectRect(&both, &r, &wa)) return;
  }
  int dx = 0, dy = 0;
  if (r.right > wa.right) dx = wa.right - r.right;
  if (r.bottom > wa.bottom) dy = wa.bottom - r.bottom;
  if (r.left + dx < wa.left) dx = wa.left - r.left;
  if (r.top + dy < wa.top) dy = wa.top - r.top;
  if (dx || dy) SetFloatingPosition(POINT{r.left + dx, r.top + dy});
}

// ------------------------------------------------------------------ docking and floating

void TDKCustomDockableWindow::SetParent(vcl::TWinControl* parent) {
  Reparent(parent);
}

void TDKCustomDockableWindow::SetFloating(bool Value) {
  if (Value == floating_ && (Value ? Parent() == floatParent_ : true)) {
    if (!Value && Parent() != nullptr && !docked_) return;
  }
  vcl::TCustomForm* form = DKValidToolWindowParentForm(this);
  if (!Value) {
    Reparent(form);
    return;
  }
  if (!floatParent_) {
    floatParent_ = new TDKFloatingWindowParent(nullptr, this, form);
    floatParent_->SetText(Caption());
    const SIZE outer = AddFloatingNCAreaToSize(SIZE{Width(), Height()});
    floatParent_->SetBounds(floatingPosition_.x, floatingPosition_.y, outer.cx, outer.cy);
  } else {
    floatParent_->SetBounds(floatingPosition_.x, floatingPosition_.y, floatParent_->Width(),
                            floatParent_->Height());
  }
  // The frame's window exists before this window moves in, so that this one keeps its own.
  floatParent_->HandleNeeded();
  Reparent(floatParent_);
}

void TDKCustomDockableWindow::DoDockChangingHidden(bool NewFloating, TDKDock* DockingTo) {
  if (!(ComponentState() & rtl::csDestroying) && OnDockChangingHidden)
    OnDockChangingHidden(this, NewFloating, DockingTo);
}

void TDKCustomDockableWindow::Reparent(vcl::TWinControl* NewParent) {
  vcl::TWinControl* old = Parent();
  TDKDock* oldDock = dynamic_cast<TDKDock*>(old);
  TDKDock* newDock = dynamic_cast<TDKDock*>(NewParent);
  const bool newFloating =
      NewParent && dynamic_cast<TDKFloatingWindowParent*>(NewParent) != nullptr;
  if (old == NewParent) {
    currentDock_ = newDock;
    floating_ = newFloating;
    docked_ = newDock != nullptr;
    return;
  }
  const bool destroying = (ComponentState() & rtl::csDestroying) != 0;
  if (!destroying && NewParent) {
    if (OnDockChanging) OnDockChanging(this, newFloating, newDock);
    if (OnRecreating) OnRecreating(this);
  }
  ++hidden_;
  ++disableOnMove_;
  UpdateVisibility();
  if (oldDock) oldDock->BeginUpdate();
  if (newDock) newDock->BeginUpdate();
  ++updatingBounds_;
  DoDockChangingHidden(newFloating, newDock);
  BeginUpdate();
  currentRowSize_ = 0;
  try {
    if (oldDock) {
      if (!(useLastDock_ && oldDock == lastDock_)) oldDock->ChangeDockList(false, this);
      oldDock->ToolbarVisibilityChanged(this, true);
    }
    // The window keeps its handle: a drag in progress keeps its capture, a control its focus.
    currentDock_ = newDock;
    floating_ = newFloating;
    docked_ = newDock != nullptr;
    effectiveDockRow_ = -1;
    putAway_ = false;
    if (HandleAllocated())
      ReparentKeepingHandle(NewParent);
    else
      vcl::TControl::SetParent(NewParent);
    if (!newFloating && floatParent_ && !beingDragged_) FreeFloatParent();
    if (newDock) {
      if (!useLastDock_ || beingDragged_) {
        newDock->ChangeDockList(true, this);
      } else {
        SetLastDock(newDock);
        newDock->ToolbarVisibilityChanged(this, false);
      }
    }
    if (HandleAllocated()) RedrawNC();
  } catch (...) {
    EndUpdate();
    --updatingBounds_;
    if (newDock) newDock->EndUpdate();
    if (oldDock) oldDock->EndUpdate();
    --hidden_;
    --disableOnMove_;
    throw;
  }
  Arrange();
  EndUpdate();
  --updatingBounds_;
  if (newDock) newDock->EndUpdate();
  if (oldDock) oldDock->EndUpdate();
  --hidden_;
  --disableOnMove_;
  UpdateVisibility();
  if (OnMove) OnMove(this);
  if (!destroying && NewParent) {
    if (OnRecreated) OnRecreated(this);
    if (OnDockChanged) OnDockChanged(this);
  }
}

bool TDKCustomDockableWindow::IsMovable() const {
  return (docked_ && currentDock_ && currentDock_->AllowDrag()) || floating_;
}

void TDKCustomDockableWindow::DoubleClick() {
  if (floating_) {
    if (lastDock_) {
      SetCurrentDock(lastDock_);
    } else if (defaultDock_) {
      dockRow_ = 0;
      dockPos_ = -8;  // before every window of row 0
      SetCurrentDock(defaultDock_);
    }
    // With neither there is nowhere to go: the window stays floating rather than being dropped
    // on the form, neither docked nor floating.
    return;
  }
  if (docked_ && dockMode_ == dmCanFloat) {
    SetFloating(true);
    MoveOnScreen(true);
  }
}

void TDKCustomDockableWindow::Close() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  Hide();
  if (OnClose) OnClose(this);
}

void TDKCustomDockableWindow::SetVisible(bool v) {
  if (v == Visible()) return;
  vcl::TCustomControl::SetVisible(v);
  if (currentDock_) currentDock_->ToolbarVisibilityChanged(this, false);
  UpdateVisibility();
  if (OnVisibleChanged) OnVisibleChanged(this);
}

// ------------------------------------------------------------------ visibility of the frame

bool TDKCustomDockableWindow::GetShowingState() const {
  if (!Visible() || hidden_ > 0) return false;
  if (floating_ && floatingMode_ == fmOnTopOfParentForm) {
    vcl::TCustomForm* form = DKGetToolWindowParentForm(this);
    if (!form || !form->HandleAllocated()) return false;
    for (HWND h = form->Handle(); h; h = win::GetAncestor(h, win::GA_PARENT)) {
      if (h == win::GetDesktopWindow()) break;
      if (!(win::GetWindowLong(h, win::GWL_STYLE) & win::WS_VISIBLE) || win::IsIconic(h))
        return false;
    }
  }
  if (hideWhenInactive_ && !ApplicationIsActive()) return false;
  return true;
}

void TDKCustomDockableWindow::UpdateVisibility() {
  if (!floating_ || !floatParent_) return;
  const bool show = GetShowingState();
  const bool shown =
      floatParent_->HandleAllocated() && win::IsWindowVisible(floatParent_->Handle());
  if (show != shown) floatParent_->SetShowingNoActivate(show);
  UpdateCaptionState();
}

void TDKCustomDockableWindow::UpdateCaptionState() {
  if (!floatParent_ || !floatParent_->HandleAllocated()) return;
  bool inactive = !ApplicationIsActive();
  const HWND frame = floatParent_->Handle();
  const HWND owner = win::GetWindow(frame, win::GW_OWNER);
  const HWND appWnd = vcl::Application ? vcl::Application->Handle() : nullptr;
  if (!inactive && floatingMode_ == fmOnTopOfParentForm && owner && owner != appWnd) {
    HWND active = win::GetActiveWindow();
    // Another floating frame of the same form keeps the form's windows active.
    if (auto* other = dynamic_cast<TDKFloatingWindowParent*>(vcl::TWinControl::FindControl(active)))
      if (other->ParentForm() && other->ParentForm()->HandleAllocated())
        active = other->ParentForm()->Handle();
    inactive = !(active == frame || active == owner || win::IsChild(owner, active));
  }
  if (inactive != inactiveCaption_) {
    inactiveCaption_ = inactive;
    floatParent_->RedrawNCArea(twrdBorder | twrdCaption | twrdCloseButton);
  }
}

void TDKCustomDockableWindow::HookProc(THookProcCode Code, HWND Wnd, win::WPARAM, win::LPARAM) {
  // Handlers may create or destroy windows: walk a copy and skip those gone meanwhile.
  const auto windows = LiveWindows();
  auto alive = [](TDKCustomDockableWindow* w) {
    const auto& live = LiveWindows();
    return std::find(live.begin(), live.end(), w) != live.end();
  };
  for (TDKCustomDockableWindow* w : windows) {
    if (!alive(w) || !w->floatParent_) continue;
    switch (Code) {
      case hpSendActivate:
      case hpSendActivateApp:
        w->UpdateVisibility();
        break;
      case hpSendWindowPosChanged: {
        if (w->floatingMode_ == fmOnTopOfAllForms || !w->floating_) break;
        vcl::TCustomForm* form = DKGetToolWindowParentForm(w);
        if (!form || !form->HandleAllocated()) break;
        const HWND fh = form->Handle();
        if (fh == Wnd || win::IsChild(Wnd, fh)) w->UpdateVisibility();
        break;
      }
      case hpPreDestroy:
        if (w->floatParent_->HandleAllocated() &&
            win::GetWindow(w->floatParent_->Handle(), win::GW_OWNER) == Wnd) {
          const HWND appWnd = vcl::Application ? vcl::Application->Handle() : nullptr;
          win::SetWindowLong(w->floatParent_->Handle(), win::GWL_HWNDPARENT,
                             reinterpret_cast<intptr_t>(appWnd));
        }
        break;
      default:
        break;
    }
  }
}

// ------------------------------------------------------------------ docked frame

void TDKCustomDockableWindow::DrawNCArea(bool DrawToDC, HDC ADC, win::HRGN Clip) {
  if (!docked_ || !currentDock_ || !HandleAllocated()) return;
  HDC dc = DrawToDC ? ADC : win::GetWindowDC(Handle());
  const bool vertical = currentDock_->IsVertical();
  const int w = Width(), h = Height();
  const RECT client = win::GetClientRectInWindow(Handle());
  gdi::SaveDC(dc);
  // Only what needs it is drawn again: the rest of the frame may stand over newer pixels.
  if (Clip) SelectNCUpdateRgn(Handle(), dc, Clip);
  gdi::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  RECT all{0, 0, w, h};
  if (currentDock_->UsingBackground() && currentDock_->BackgroundOnToolbars()) {
    // The pattern lines up with the dock's.
    POINT old{};
    gdi::OffsetViewportOrgEx(dc, -Left(), -Top(), &old);
    // The tiles start at the dock's corner, clipped to this window.
    RECT r{0, 0, currentDock_->ClientWidth(), currentDock_->ClientHeight()};
    currentDock_->DrawBackground(dc, r);
    gdi::SetViewportOrgEx(dc, old.x, old.y, nullptr);
  } else {
    gdi::HBRUSH b = gdi::CreateSolidBrush(gdi::ColorToRGB(Color()));
    gdi::FillRect(dc, &all, b);
    gdi::DeleteObject(b);
  }
  if (borderStyle_ == vcl::bsSingle) {
    RECT e = all;
    gdi::DrawEdge(dc, &e, gdi::BDR_RAISEDINNER, gdi::BF_RECT);
  }
  const int caption = DockedCaptionHeight();
  const int handle = caption > 0 ? 0 : DragHandleSize();
  const bool close = closeButtonWhenDocked_ && (caption > 0 || handle > 0);
  const RECT cb = GetDockedCloseButtonRect(vertical);
  if (caption > 0) {
    // Drawn as the floating frame draws its active caption: the inactive colours leave the name
    // hard to read.
    RECT strip{2, 2, close ? cb.left - 1 : w - 2, 2 + caption - 1};
    if (strip.right > strip.left) DrawSmallWindowCaption(Handle(), dc, strip, Caption(), true);
  }
  if (handle > 0) {
    int offset = 0;
    switch (dragHandleStyle_) {
      case dhDouble:
        offset = close ? 3 + 2 : 2;
        break;
      case dhSingle:
        offset = close ? 5 + 2 : 1;
        break;
      default:
        break;
    }
    const int grips = dragHandleStyle_ == dhDouble ? 2 : dragHandleStyle_ == dhSingle ? 1 : 0;
    for (int g = 0; g < grips; ++g) {
      const int start = 2 + offset + g * 3;
      RECT gr = vertical ? RECT{3, start, close ? cb.left - 2 : w - 3, start + 3}
                         : RECT{start, close ? cb.bottom + 2 : 3, start + 3, h - 3};
      if (gr.right > gr.left && gr.bottom > gr.top)
        gdi::DrawEdge(dc, &gr, gdi::BDR_RAISEDINNER, gdi::BF_RECT);
    }
  }
  if (close) {
    RECT b = cb;
    gdi::HBRUSH face = gdi::GetSysColorBrush(gdi::COLOR_BTNFACE);
    gdi::FillRect(dc, &b, face);
    if (closeButtonDown_)
      gdi::DrawEdge(dc, &b, gdi::BDR_SUNKENOUTER, gdi::BF_RECT);
    else if (closeButtonHover_)
      gdi::DrawEdge(dc, &b, gdi::BDR_RAISEDINNER, gdi::BF_RECT);
    internal::DrawCloseGlyph(dc, cb, closeButtonDown_);
  }
  gdi::RestoreDC(dc, -1);
  if (!DrawToDC) win::ReleaseDC(Handle(), dc);
}

bool TDKCustomDockableWindow::ControlExistsAtPos(POINT P) const {
  for (int i = 0; i < ControlCount(); ++i) {
    vcl::TControl* c = Controls(i);
    if (!c->Visible()) continue;
    const TRect r = c->BoundsRect();
    if (P.x >= r.left && P.x < r.right && P.y >= r.top && P.y < r.bottom) return true;
  }
  return false;
}

void TDKCustomDockableWindow::MouseDown(vcl::TMouseButton Button, vcl::TShiftState Shift, int X,
                                        int Y) {
  vcl::TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != vcl::mbLeft || !IsMovable()) return;
  if (Shift & vcl::ssDouble) {
    DoubleClick();
    return;
  }
  if (!ControlExistsAtPos(POINT{X, Y})) BeginMoving(X, Y);
}

void TDKCustomDockableWindow::TrackDockedCloseButton() {
  const bool vertical = currentDock_ && currentDock_->IsVertical();
  auto buttonRect = [this, vertical] { return GetDockedCloseButtonRect(vertical); };
  const bool clicked = internal::TrackButton(this, Handle(), buttonRect, [this](bool pushed) {
    closeButtonDown_ = pushed;
    DrawNCArea(false, nullptr, nullptr);
  });
  if (clicked) Close();
}

void TDKCustomDockableWindow::WndProc(vcl::TMessage& m) {
  switch (m.Msg) {
    case win::WM_NCCALCSIZE:
      if (docked_ && currentDock_) {
        auto* r = reinterpret_cast<RECT*>(m.LParam);
        POINT tl, br;
        GetDockedNCArea(tl, br, currentDock_->IsVertical());
        internal::ShrinkByNCArea(r, tl, br);
        m.Result = 0;
        return;
      }
      break;
    case win::WM_NCPAINT:
      if (docked_) {
        DrawNCArea(false, nullptr, m.WParam > 1 ? reinterpret_cast<win::HRGN>(m.WParam) : nullptr);
        m.Result = 0;
        return;
      }
      break;
    case vcl::CM_COLORCHANGED:
      // The docked frame is drawn in the window's colour too.
      if (docked_ && HandleAllocated())
        win::RedrawWindow(Handle(), nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_FRAME);
      break;
    case win::WM_PRINT:
      HandleWMPrint(Handle(), m.WParam, m.LParam,
                    [this](HWND, HDC dc) { DrawNCArea(true, dc, nullptr); });
      return;
    case win::WM_MOVE:
      vcl::TCustomControl::WndProc(m);
      // On a dock's background the pattern moved under the window: frame and client are drawn
      // again at once, the client through one off-screen copy.
      if (docked_ && currentDock_ && currentDock_->UsingBackground() &&
          currentDock_->BackgroundOnToolbars()) {
        DrawNCArea(false, nullptr, nullptr);
        RECT update{};
        const bool wholeInvalid = win::GetUpdateRect(Handle(), &update, win::FALSE) &&
                                  update.left <= 0 && update.top <= 0 &&
                                  update.right >= ClientWidth() && update.bottom >= ClientHeight();
        if (!wholeInvalid) DoubleBufferedRepaint(Handle());
      }
      return;
    case win::WM_NCHITTEST:
      if (docked_ && currentDock_) {
        RECT wr{};
        win::GetWindowRect(Handle(), &wr);
        const POINT p{win::GET_X_LPARAM(m.LParam) - wr.left, win::GET_Y_LPARAM(m.LParam) - wr.top};
        const RECT client = win::GetClientRectInWindow(Handle());
        if (gdi::PtInRect(&client, p)) {
          m.Result = win::HTCLIENT;
        } else {
          const RECT cb = GetDockedCloseButtonRect(currentDock_->IsVertical());
          const bool button = DockedCaptionHeight() > 0 || DragHandleSize() > 0;
          m.Result = closeButtonWhenDocked_ && button && gdi::PtInRect(&cb, p)
                         ? win::HTCLOSE
                         : HT_DKDRAGHANDLE;
        }
        return;
      }
      break;
    case win::WM_SETCURSOR:
      if (docked_ && static_cast<int>(win::LOWORD(m.LParam)) == HT_DKDRAGHANDLE) {
        if (dragHandleStyle_ != dhNone && IsMovable()) {
          win::SetCursor(win::LoadCursor(nullptr, win::IDC_SIZEALL));
          m.Result = 1;
          return;
        }
      }
      break;
    case win::WM_NCLBUTTONDOWN:
      if (docked_) {
        if (static_cast<int>(m.WParam) == HT_DKDRAGHANDLE && IsMovable()) {
          const POINT p =
              ScreenToClient(POINT{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)});
          BeginMoving(p.x, p.y);
        } else if (static_cast<int>(m.WParam) == win::HTCLOSE) {
          TrackDockedCloseButton();
        }
        m.Result = 0;
        return;
      }
      break;
    case win::WM_NCLBUTTONDBLCLK:
      if (docked_) {
        if (static_cast<int>(m.WParam) == HT_DKDRAGHANDLE && IsMovable()) DoubleClick();
        if (static_cast<int>(m.WParam) == win::HTCLOSE) TrackDockedCloseButton();
        m.Result = 0;
        return;
      }
      break;
    case win::WM_MOUSEMOVE:
      if (closeButtonHover_) {
        closeButtonHover_ = false;
        DrawNCArea(false, nullptr, nullptr);
      }
      break;
    case win::WM_NCMOUSEMOVE:
      if (docked_ && closeButtonWhenDocked_) {
        const bool hover = static_cast<int>(m.WParam) == win::HTCLOSE;
        if (hover != closeButtonHover_) {
          closeButtonHover_ = hover;
          DrawNCArea(false, nullptr, nullptr);
          if (hover) CallTrackMouseEvent(Handle(), win::TME_LEAVE | win::TME_NONCLIENT);
        }
      }
      break;
    case win::WM_NCMOUSELEAVE:
      if (closeButtonHover_) {
        closeButtonHover_ = false;
        DrawNCArea(false, nullptr, nullptr);
      }
      break;
    default:
      break;
  }
  vcl::TCustomControl::WndProc(m);
}

}  // namespace docking
