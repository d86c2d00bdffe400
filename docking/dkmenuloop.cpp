// The menu loop: while a menu is open the program runs this loop instead of the application's.
// It holds the mouse capture, sends keys to the deepest open popup, tracks the item under the
// mouse, drives the submenu timers and ends when a command is chosen or the user leaves.
#include <cctype>
#include <climits>

#include "docking/dkanim.h"
#include "docking/dkcommon.h"
#include "docking/dkpopup.h"
#include "docking/dktoolbar.h"
#include "docking/dkwatch.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/screen.h"
#include "platform/win/defproc.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/sinks.h"
#include "platform/win/window.h"

namespace docking {

namespace {

constexpr POINT InvalidPos{INT_MIN, INT_MIN};
constexpr unsigned TimerBase = 9000;

// The last mouse position, shared by the loop and the views (CancelCapture forgets it).
thread_local POINT lastPos = InvalidPos;

bool Valid(const POINT& p) {
  return p.x != INT_MIN;
}

// A handler's own window keeps the popup it cancels on WM_CANCELMODE as a property, so that each
// of two nested loops cancels its own menu.
constexpr const char* CancelPopupProp = "TDKModalHandlerPopup";

win::LRESULT HandlerWndProc(win::HWND Wnd, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  if (Msg == win::WM_CANCELMODE)
    if (auto* popup = reinterpret_cast<TDKPopupWindow*>(win::GetProp(Wnd, CancelPopupProp))) {
      popup->View()->CancelMode();
      return 0;
    }
  return win::DefWindowProc(Wnd, Msg, WParam, LParam);
}

// Owns the capture for one loop, on the toolbar's window or on a hidden window of its own.
class TDKModalHandler {
 public:
  explicit TDKModalHandler(win::HWND ExistingWnd) {
    if (ExistingWnd) {
      wnd_ = ExistingWnd;
    } else {
      win::WNDCLASS wc;  // a second registration fails harmlessly
      // With the capture on it, this window is where a popup menu's double clicks arrive.
      wc.style = win::CS_DBLCLKS;
      wc.lpfnWndProc = HandlerWndProc;
      wc.lpszClassName = "TDKModalHandlerWnd";
      win::RegisterClass(&wc);
      wnd_ = win::CreateWindowEx(0, "TDKModalHandlerWnd", "", 0, 0, 0, 0, 0, nullptr, 0, nullptr);
      created_ = true;
    }
    lastPos = win::GetMessagePosAsPoint();
    CallLockSetForegroundWindow(true);
    win::SetCapture(wnd_);
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
    acc::NotifyWinEvent(acc::EVENT_SYSTEM_MENUSTART, wnd_, acc::OBJID_CLIENT, acc::CHILDID_SELF);
  }
  ~TDKModalHandler() {
    if (popup_) {
      win::RemoveProp(wnd_, CancelPopupProp);
      popup_.reset();
    }
    CallLockSetForegroundWindow(false);
    if (win::GetCapture() == wnd_) win::ReleaseCapture();
    acc::NotifyWinEvent(acc::EVENT_SYSTEM_MENUEND, wnd_, acc::OBJID_CLIENT, acc::CHILDID_SELF);
    if (created_) win::DestroyWindow(wnd_);
  }
  TDKModalHandler(const TDKModalHandler&) = delete;
  TDKModalHandler& operator=(const TDKModalHandler&) = delete;
  win::HWND Wnd() const { return wnd_; }
  // The popup menu of a handler with a window of its own: WM_CANCELMODE to that window cancels
  // it, and it goes before the handler does.
  TDKPopupWindow* SetPopup(std::unique_ptr<TDKPopupWindow> P) {
    popup_ = std::move(P);
    win::SetProp(wnd_, CancelPopupProp, reinterpret_cast<intptr_t>(popup_.get()));
    return popup_.get();
  }
  // False when the root view was freed meanwhile (its toolbar went while the menu was open):
  // nothing of the loop is left to touch.
  bool Loop(TDKView* Root, bool StartedByMouse, bool TrackRightButton, bool NoPriority,
            bool ExecuteAtStart);

 private:
  win::HWND wnd_{};
  bool created_ = false;
  std::unique_ptr<TDKPopupWindow> popup_;
};

// The open views from the root down.
std::vector<TDKView*> Chain(TDKView* Root) {
  std::vector<TDKView*> c;
  for (TDKView* v = Root; v; v = v->OpenViewerView()) c.push_back(v);
  return c;
}

bool WindowIs(TDKView* V, win::HWND W) {
  return V->Window() && V->Window()->HandleAllocated() && V->Window()->Handle() == W;
}

POINT ToClient(TDKView* V, POINT P) {
  const vcl::TPoint c = V->Window()->ScreenToClient(vcl::TPoint{P.x, P.y});
  return POINT{c.x, c.y};
}

void UpdateAllSelections(TDKView* Root, POINT P, bool AllowNew) {
  const auto chain = Chain(Root);
  for (TDKView* v : chain)
    if (v->HasCapture()) {
      v->UpdateSelection(P, AllowNew);
      return;
    }
  // A view's new selection may close the popups below it, and a handler may free the whole
  // menu: views gone are not visited again.
  TDKFreeWatch watch;
  for (TDKView* v : chain) watch.Watch(v);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if (watch.Alive(Root) && watch.Alive(*it) && Root->ContainsView(*it))
      (*it)->UpdateSelection(P, AllowNew);
}

// The viewer under the mouse, and the view that has the mouse without a viewer under it.
TDKItemViewer* ViewerUnderMouse(TDKView* Root, TDKView*& ViewUnder) {
  ViewUnder = nullptr;
  for (TDKView* v : Chain(Root))
    if (v->HasCapture()) {
      ViewUnder = v;
      return v->Selected();
    }
  for (TDKView* v : Chain(Root)) {
    if (v->Selected() && v->MouseInsideSelected()) {
      ViewUnder = v;
      return v->Selected();
    }
    if (v->MouseInside()) ViewUnder = v;
  }
  return nullptr;
}

bool IsRootToolbar(TDKView* V) {
  return !V->ParentView() && !V->IsPopupView();
}

void ViewerMouseDown(TDKItemViewer* Viewer, POINT Screen, bool Double, bool& MouseDownOnMenu) {
  TDKView* view = Viewer->View();
  TDKCustomItem* item = Viewer->Item();
  if (!item->Enabled()) {
    if (IsRootToolbar(view)) view->EndModal();
    return;
  }
  const POINT p = ToClient(view, Screen);
  if (!Viewer->IsPtInButtonPart(p.x - Viewer->BoundsRect.left, p.y - Viewer->BoundsRect.top)) {
    const bool wasOpen = view->OpenViewer() == Viewer;
    if (view->OpenChildPopup(false)) {
      if (wasOpen && IsRootToolbar(view)) MouseDownOnMenu = true;
      if (Double && !(item->ItemStyle() & isSplitButton)) {
        // A double click runs the submenu's default item.
        TDKView* child = view->OpenViewerView();
        for (int i = 0; child && i < child->ViewerCount(); ++i) {
          TDKItemViewer* v = child->Viewers(i);
          TDKCustomItem* it = v->Item();
          if ((it->EffectiveOptions() & dkoDefault) && (v->Show || v->Clipped) &&
              (it->ItemStyle() & isSelectable) && it->Enabled() && it->Visible()) {
            v->Execute(true);
            break;
          }
        }
      }
    }
  } else if (Viewer->IsToolbarStyle()) {
    view->CancelChildPopups();
    view->SetCapture();
    view->SetMouseInsideSelected(true);
    view->Invalidate(Viewer);
  }
}

void ViewerMouseUp(TDKItemViewer* Viewer, POINT Screen, bool MouseWasDownOnMenu) {
  TDKView* view = Viewer->View();
  const bool hadCapture = view->HasCapture();
  view->CancelCapture();
  const POINT p = ToClient(view, Screen);
  // As the selections were updated for the release: a pressed split button counts its button
  // part only.
  const bool inside = view->Selected() == Viewer && view->MouseInsideSelected();
  TDKCustomItem* item = Viewer->Item();
  if (!inside || !item->Enabled() || (item->ItemStyle() & isNotButton)) {
    if (IsRootToolbar(view)) view->EndModal();
    return;
  }
  if (!Viewer->IsPtInButtonPart(p.x - Viewer->BoundsRect.left, p.y - Viewer->BoundsRect.top)) {
    if (MouseWasDownOnMenu && IsRootToolbar(view)) view->EndModal();
    return;
  }
  if (!Viewer->IsToolbarStyle() || hadCapture) Viewer->Execute(true);
}

void CancelHint() {
  if (vcl::Application) vcl::Application->CancelHint();
}

void MouseMoved(TDKView* Root) {
  TDKFreeWatch watch;
  watch.Watch(Root);
  UpdateAllSelections(Root, lastPos, true);
  if (!watch.Alive(Root)) return;
  TDKView* view = nullptr;
  TDKItemViewer* v = ViewerUnderMouse(Root, view);
  if (v && vcl::Application &&
      (view->ShowHints() || (v->Item()->EffectiveOptions() & dkoShowHint)) && !view->HasCapture()) {
    // The hint machinery hears the move over the view's window.
    const POINT c = ToClient(view, lastPos);
    vcl::TMessage m{win::WM_MOUSEMOVE, 0, win::MAKELPARAM(c.x, c.y), 0};
    vcl::Application->HintMouseMessage(view->Window(), m);
  } else {
    CancelHint();
  }
  if (!v) {
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
    return;
  }
  const POINT c = ToClient(view, lastPos);
  const int x = c.x - v->BoundsRect.left, y = c.y - v->BoundsRect.top;
  const win::HCURSOR cursor = v->GetCursor(x, y);
  win::SetCursor(cursor ? cursor : win::LoadCursor(nullptr, win::IDC_ARROW));
  v->MouseMove(x, y);
}

// The status line shows the long hint of the deepest selected item.
void ShowSelectedLongHint(TDKView* Root) {
  if (!vcl::Application) return;
  std::string hint;
  for (TDKView* v : Chain(Root))
    if (v->Selected()) hint = vcl::GetLongHint(v->Selected()->Item()->Hint());
  vcl::Application->SetHint(hint);
}

bool ButtonDown(bool TrackRightButton) {
  return win::GetKeyState(win::VK_LBUTTON) < 0 ||
         (TrackRightButton && win::GetKeyState(win::VK_RBUTTON) < 0);
}

vcl::TShiftState KeyShift() {
  vcl::TShiftState s = 0;
  if (win::GetKeyState(win::VK_SHIFT) < 0) s |= vcl::ssShift;
  if (win::GetKeyState(win::VK_CONTROL) < 0) s |= vcl::ssCtrl;
  if (win::GetKeyState(win::VK_MENU) < 0) s |= vcl::ssAlt;
  return s;
}

void HandleTimer(TDKView* View, unsigned Id) {
  switch (Id) {
    case TDKView::tiOpen:
      View->StopTimer(TDKView::tiOpen);
      View->CloseChildPopups();
      View->OpenChildPopup(false);
      break;
    case TDKView::tiClose:
      View->StopTimer(TDKView::tiClose);
      View->CloseChildPopups();
      break;
    case TDKView::tiScrollUp:
    case TDKView::tiScrollDown: {
      const bool down = Id == TDKView::tiScrollDown;
      if (down ? View->ShowDownArrow() : View->ShowUpArrow())
        View->Scroll(down);
      else
        View->StopTimer(static_cast<TDKView::TDKViewTimerID>(Id));
      break;
    }
    default:
      break;
  }
}

bool TDKModalHandler::Loop(TDKView* Root, bool StartedByMouse, bool TrackRightButton,
                           bool NoPriority, bool ExecuteAtStart) {
  TDKFreeWatch watch;
  watch.Watch(Root);
  const auto gone = [&] { return !watch.Alive(Root); };
  Root->DoneActionData() = TDKDoneActionData{};
  Root->ValidatePositions();
  Root->SetCaptureWnd(wnd_);
  bool mouseDownOnMenu = false;
  auto finish = [&] {
    if (gone()) return false;
    Root->CancelCapture();
    Root->SetCaptureWnd(nullptr);
    CancelHint();
    RemoveMessages(win::WM_CHAR, win::WM_DEADCHAR);
    RemoveMessages(win::WM_SYSCHAR, win::WM_SYSDEADCHAR);
    RemoveMessages(0x004D, 0x004D);
    return true;
  };
  if (StartedByMouse) {
    if (TDKItemViewer* sel = Root->Selected())
      ViewerMouseDown(sel, win::GetMessagePosAsPoint(), false, mouseDownOnMenu);
    if (gone() || Root->IsModalEnding()) return finish();
  } else if (ExecuteAtStart) {
    Root->ExecuteSelected(!NoPriority);
    if (gone() || Root->IsModalEnding()) return finish();
  }
  const win::HWND active = win::GetActiveWindow();
  // Whatever runs from here (handlers, timers, dispatched messages) may free the root view.
  while (!gone() && win::GetCapture() == wnd_ && win::GetActiveWindow() == active &&
         !Root->IsModalEnding()) {
    DKUpdateAnimation();
    win::MSG msg;
    if (!win::PeekMessage(&msg, nullptr, 0, 0, win::PM_NOREMOVE)) {
      // While a popup animates, the loop comes round at least every millisecond.
      if (DKIsAnimationInProgress())
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 1, win::QS_ALLINPUT);
      else
        win::WaitMessage();
      continue;
    }
    if (msg.message == win::WM_LBUTTONDOWN || msg.message == win::WM_RBUTTONDOWN) {
      const win::HWND under = win::WindowFromPoint(msg.pt);
      bool taken = false;
      for (TDKView* v : Chain(Root))
        if (v->IsPopupView() && WindowIs(v, under)) taken = true;
      if (!taken) {
        bool leave = Root->IsPopupView() || !WindowIs(Root, under);
        if (!leave) {
          const POINT c = ToClient(Root, msg.pt);
          leave = c.x < 0 || c.y < 0 || c.x >= Root->Window()->ClientWidth() ||
                  c.y >= Root->Window()->ClientHeight();
        }
        if (!leave && msg.message == win::WM_LBUTTONDOWN) {
          UpdateAllSelections(Root, msg.pt, true);
          if (gone()) break;
          TDKItemViewer* sel = Root->Selected();
          leave = !sel || !Root->MouseInsideSelected() || (sel->Item()->ItemStyle() & isNotButton);
        }
        if (leave) {
          // The press stays in the queue for the window it was meant for.
          Root->EndModal();
          break;
        }
      }
    }
    if (!win::PeekMessage(&msg, nullptr, msg.message, msg.message,
                          win::PM_REMOVE | win::PM_NOYIELD))
      continue;
    const auto chain = Chain(Root);
    TDKView* deepest = chain.back();
    switch (msg.message) {
      case win::WM_TIMER: {
        // One popup owns the timer. Its handler may close the popups below it, so the chain
        // taken before is not walked any further.
        TDKView* owner = nullptr;
        if (msg.wParam >= TimerBase && msg.wParam <= TimerBase + 3)
          for (TDKView* v : chain)
            if (v->IsPopupView() && WindowIs(v, msg.hwnd)) {
              owner = v;
              break;
            }
        if (owner)
          HandleTimer(owner, static_cast<unsigned>(msg.wParam - TimerBase));
        else
          win::DispatchMessage(&msg);
        break;
      }
      case 0x004D:
      case win::WM_CONTEXTMENU:
      case 0x0118:
        break;
      case win::WM_KEYDOWN:
      case win::WM_SYSKEYDOWN: {
        CancelHint();
        unsigned short key = static_cast<unsigned short>(msg.wParam);
        if (ButtonDown(TrackRightButton) && key != win::VK_F1) break;
        if (TDKItemViewer* sel = deepest->Selected()) sel->KeyDown(key, KeyShift());
        if (gone() || Root->IsModalEnding()) break;
        // The viewer may have closed popups: the key goes to the deepest one still open.
        if (key != 0) Chain(Root).back()->KeyDown(key, KeyShift());
        if (gone() || Root->IsModalEnding()) break;
        if (key != 0) win::TranslateMessage(&msg);
        break;
      }
      case win::WM_CHAR:
      case win::WM_SYSCHAR: {
        if (ButtonDown(TrackRightButton)) break;
        const char ch = static_cast<char>(msg.wParam);
        bool only = false;
        TDKItemViewer* found =
            deepest->NextSelectableWithAccel(deepest->Selected(), ch, false, only);
        if (found) {
          deepest->SetAccelsVisibility(true);
          if (!deepest->Select(found, false)) break;
          deepest->ScrollSelectedIntoView();
          if (only) deepest->ExecuteSelected(true);
        } else if ((ch == ' ' || ch == '-') && deepest == Root && !Root->IsPopupView() && active) {
          Root->EndModalWithSystemMenu(active, static_cast<unsigned>(ch));
        } else {
          win::MessageBeep(0);
        }
        break;
      }
      case win::WM_KEYUP:
      case win::WM_SYSKEYUP:
      case win::WM_DEADCHAR:
      case win::WM_SYSDEADCHAR:
        break;
      case win::WM_MOUSEMOVE:
        if (msg.pt.x != lastPos.x || msg.pt.y != lastPos.y) {
          lastPos = msg.pt;
          MouseMoved(Root);
        }
        break;
      case win::WM_LBUTTONDOWN:
      case win::WM_LBUTTONDBLCLK:
      case win::WM_RBUTTONDOWN:
        if (msg.message == win::WM_RBUTTONDOWN && !TrackRightButton) break;
        CancelHint();
        Root->SetIgnoreRelease(false);
        UpdateAllSelections(Root, msg.pt, true);
        if (gone()) break;
        {
          TDKView* view = nullptr;
          mouseDownOnMenu = false;
          if (TDKItemViewer* v = ViewerUnderMouse(Root, view))
            ViewerMouseDown(v, msg.pt, msg.message == win::WM_LBUTTONDBLCLK, mouseDownOnMenu);
        }
        lastPos = msg.pt;
        break;
      case win::WM_LBUTTONUP:
      case win::WM_RBUTTONUP: {
        if (msg.message == win::WM_RBUTTONUP && !TrackRightButton) break;
        UpdateAllSelections(Root, msg.pt, false);
        if (gone()) break;
        TDKView* view = nullptr;
        if (TDKItemViewer* v = ViewerUnderMouse(Root, view)) {
          ViewerMouseUp(v, msg.pt, mouseDownOnMenu);
        } else if ((view && view != Root) || (view == Root && !Root->IsPopupView())) {
          // Over a menu but not over an item: nothing.
        } else if (Root->IgnoreRelease()) {
          Root->SetIgnoreRelease(false);
        } else {
          Root->EndModal();
        }
        break;
      }
      case win::WM_MOUSEWHEEL: {
        TDKView* view = nullptr;
        if (TDKItemViewer* v = ViewerUnderMouse(Root, view)) {
          const POINT c = ToClient(view, msg.pt);
          v->MouseWheel(static_cast<short>(win::HIWORD(msg.wParam)), c.x - v->BoundsRect.left,
                        c.y - v->BoundsRect.top);
        }
        break;
      }
      default:
        if (msg.message >= win::WM_MOUSEFIRST && msg.message <= win::WM_MOUSELAST) break;
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
    }
    if (gone()) break;
    if (!Root->IsModalEnding()) {
      if (!Valid(lastPos)) {
        lastPos = win::GetMessagePosAsPoint();
        MouseMoved(Root);
        if (gone()) break;
      }
      ShowSelectedLongHint(Root);
    }
  }
  return finish();
}

// Carries out what the loop decided, once nothing of the menu is left on screen.
TDKCustomItem* DoneAction(const TDKDoneActionData& D, bool ReturnClickedItemOnly) {
  switch (D.DoneAction) {
    case dkdaClickItem:
      if (D.Sound && NeedToPlaySound("MenuCommand")) PlaySystemSound("MenuCommand");
      if (!ReturnClickedItemOnly) D.ClickItem->PostClick();
      return D.ClickItem;
    case dkdaOpenSystemMenu:
      win::SendMessage(D.Wnd, win::WM_SYSCOMMAND, win::SC_KEYMENU, D.Key);
      break;
    case dkdaHelpContext:
      if (!vcl::Application) break;
      // A form with the help button asks for the pop-up help of the context.
      if (vcl::TCustomForm* f = vcl::Screen ? vcl::Screen->ActiveForm() : nullptr;
          f && (f->BorderIcons() & vcl::biHelp))
        vcl::Application->HelpCommand(win::HELP_CONTEXTPOPUP, D.ContextID);
      else
        vcl::Application->HelpContext(D.ContextID);
      break;
    default:
      break;
  }
  return nullptr;
}

}  // namespace

// ------------------------------------------------------------------ view parts of the loop

bool TDKView::IsPopupView() const {
  return dynamic_cast<TDKPopupWindow*>(window_) != nullptr;
}

void TDKView::StartTimer(TDKViewTimerID Id, unsigned Ms) {
  StopTimer(Id);
  if (!IsPopupView() || !window_->HandleAllocated()) return;
  win::SetTimer(window_->Handle(), TimerBase + Id, Ms);
  timers_ |= 1u << Id;
}

void TDKView::StopTimer(TDKViewTimerID Id) {
  if (!TimerRunning(Id)) return;
  timers_ &= ~(1u << Id);
  if (window_ && window_->HandleAllocated()) win::KillTimer(window_->Handle(), TimerBase + Id);
}

void TDKView::StopAllTimers() {
  for (int id = tiOpen; id <= tiScrollDown; ++id) StopTimer(static_cast<TDKViewTimerID>(id));
}

void TDKView::CancelCapture() {
  if (!hasCapture_) return;
  hasCapture_ = false;
  lastPos = InvalidPos;
  if (selected_) selected_->LosingCapture();
}

void TDKView::UpdateSelection(POINT P, bool AllowNewSelection) {
  ValidatePositions();
  TDKItemViewer* next = selected_;
  if (!hasCapture_) {
    if (Valid(P) && window_ && WindowIs(this, win::WindowFromPoint(P))) {
      mouseInside_ = true;
      if (AllowNewSelection || selected_) {
        next = ViewerFromPoint(ToClient(this, P));
        if (next && !(next->Item()->ItemStyle() & isSelectable)) next = nullptr;
      }
    } else {
      mouseInside_ = false;
    }
  } else {
    mouseInside_ = true;
  }
  if (!SelectAt(next, true, P)) return;
  if (inModalLoop_ && mouseInside_ && !hasCapture_ && IsPopupView()) {
    const POINT c = ToClient(this, P);
    if (showUpArrow_ && c.y < DKScrollArrowHeight) {
      StopTimer(tiScrollDown);
      if (!TimerRunning(tiScrollUp)) StartTimer(tiScrollUp, 100);
    } else if (showDownArrow_ && c.y >= totalSize_.cy - DKScrollArrowHeight) {
      StopTimer(tiScrollUp);
      if (!TimerRunning(tiScrollDown)) StartTimer(tiScrollDown, 100);
    } else {
      StopTimer(tiScrollUp);
      StopTimer(tiScrollDown);
    }
  }
}

void TDKView::UpdateMouseInSelected(POINT Screen) {
  const bool was = mouseInSelected_;
  mouseInSelected_ = false;
  if (selected_ && Valid(Screen) && window_ && WindowIs(this, win::WindowFromPoint(Screen))) {
    const POINT c = ToClient(this, Screen);
    mouseInSelected_ = ViewerFromPoint(c) == selected_;
    if (hasCapture_ && mouseInSelected_)
      mouseInSelected_ = selected_->IsPtInButtonPart(c.x - selected_->BoundsRect.left,
                                                     c.y - selected_->BoundsRect.top);
  }
  if (was != mouseInSelected_ && hasCapture_ && selected_ &&
      (selected_->Item()->ItemStyle() & isRepaintOnPush))
    Invalidate(selected_);
}

void TDKView::CancelMode() {
  EndModal();
  auto chain = Chain(GetRootView());
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    (*it)->StopAllTimers();
    if ((*it)->IsPopupView() && (*it)->window_->HandleAllocated()) {
      DKEndAnimation((*it)->window_->Handle());
      win::ShowWindow((*it)->window_->Handle(), win::SW_HIDE);
    }
  }
}

void TDKView::EnterToolbarLoop(unsigned Options) {
  if (inModalLoop_) return;
  childPopupJustClosed_ = false;
  TDKDoneActionData done;
  {
    TDKModalHandler handler(window_->Handle());
    inModalLoop_ = true;
    if (selected_) NotifyFocusEvent();
    // Freed with its toolbar while the menu was open: what the menu chose goes with it.
    if (!handler.Loop(this, Options & tlStartedByMouse, false, Options & tlNoPriority,
                      Options & tlExecuteSelected))
      return;
    inModalLoop_ = false;
    StopAllTimers();
    CloseChildPopups();
    dropDownMode_ = false;
    UpdateSelection(InvalidPos, false);
    Select(nullptr, false);
    done = doneActionData_;
  }
  SetAccelsVisibility(false);
  DoneAction(done, false);
}

// ------------------------------------------------------------------ popup menus

TDKCustomItem* TDKCustomItem::Popup(int X, int Y, bool TrackRightButton,
                                    TDKPopupAlignment Alignment, bool ReturnClickedItemOnly) {
  return OpenPopup(false, TrackRightButton, POINT{X, Y}, Alignment, ReturnClickedItemOnly);
}

TDKCustomItem* TDKCustomItem::OpenPopup(bool SelectFirstItem, bool TrackRightButton,
                                        POINT PopupPoint, TDKPopupAlignment Alignment,
                                        bool ReturnClickedItemOnly) {
  TDKDoneActionData done;
  {
    TDKModalHandler handler(nullptr);
    TDKView* view =
        handler
            .SetPopup(CreatePopup(nullptr, nullptr, false, SelectFirstItem, PopupPoint, Alignment))
            ->View();
    view->SetIgnoreRelease(true);
    handler.Loop(view, false, TrackRightButton, false, false);
    done = view->DoneActionData();
    view->StopAllTimers();
    view->CloseChildPopups();
  }
  return DoneAction(done, ReturnClickedItemOnly);
}

// ------------------------------------------------------------------ the toolbar's entry points

void TDKCustomToolbar::MouseDown(vcl::TMouseButton Button, vcl::TShiftState Shift, int X, int Y) {
  vcl::TWinControl* parent = Parent();
  TDKCustomDockableWindow::MouseDown(Button, Shift, X, Y);
  if (Parent() != parent || Button != vcl::mbLeft || (ComponentState() & rtl::csDesigning)) return;
  const vcl::TPoint s = ClientToScreen(vcl::TPoint{X, Y});
  view_->UpdateSelection(POINT{s.x, s.y}, true);
  TDKItemViewer* sel = view_->Selected();
  if (sel && !dynamic_cast<TDKControlItem*>(sel->Item()))
    view_->EnterToolbarLoop(TDKView::tlStartedByMouse);
}

bool TDKCustomToolbar::KeyboardOpen(char Key, bool RequirePrimaryAccel) {
  if (view_->InModalLoop()) return false;
  view_->SetAccelsVisibility(true);
  TDKItemViewer* v = nullptr;
  bool enter = false;
  unsigned options = 0;
  if (Key) {
    bool only = false;
    v = view_->NextSelectableWithAccel(nullptr, Key, true, only);
    // The view also matches a caption without an accelerator by its first letter; where only
    // an accelerator will do, such a match is none.
    const auto lower = [](char c) {
      return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    if (v && RequirePrimaryAccel && lower(FindAccelChar(v->GetCaptionText())) != lower(Key))
      v = nullptr;
    if (v && only) {
      enter = true;
      options = TDKView::tlExecuteSelected;
    } else if (v && menuBar_) {
      enter = true;
    }
  } else {
    v = view_->FirstSelectable();
    enter = v != nullptr;
  }
  if (!enter) {
    view_->SetAccelsVisibility(false);
    return false;
  }
  view_->Select(v, false);
  view_->EnterToolbarLoop(options);
  return true;
}

}  // namespace docking
