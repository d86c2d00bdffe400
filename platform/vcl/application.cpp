#include "platform/vcl/application.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/controlcanvas.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/screen.h"

namespace vcl {

TApplication* Application = nullptr;

TApplication::TApplication(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {
  Application = this;
  if (!Screen) Screen = new TScreen(this);
}

TApplication::~TApplication() {
  StopHintTimer();
  hintWindow_.reset();
  // Forms reach back to Application and Screen while they go.
  Destroying();
  std::vector<rtl::TComponent*> forms;
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (dynamic_cast<TCustomForm*>(Components(i))) forms.push_back(Components(i));
  for (rtl::TComponent* f : forms) delete f;
  FreeDeviceContexts();
  if (handle_ && win::IsWindow(handle_)) win::DestroyWindow(handle_);
  DestroyComponents();
  Screen = nullptr;
  Application = nullptr;
}

win::HWND TApplication::Handle() {
  if (!handle_) {
    win::WNDCLASS existing{};
    if (!win::GetClassInfo("TApplication", &existing)) {
      win::WNDCLASS wc{};
      wc.lpfnWndProc = [](win::HWND w, unsigned msg, win::WPARAM wp, win::LPARAM lp) {
        if (Application && Application->handle_ == w) {
          TMessage m{msg, wp, lp, 0};
          if (Application->CallHooks(m)) return m.Result;
        }
        return win::DefWindowProc(w, msg, wp, lp);
      };
      wc.lpszClassName = "TApplication";
      win::RegisterClass(&wc);
    }
    handle_ = win::CreateWindowEx(0, "TApplication", title_.c_str(), win::WS_POPUP, 0, 0, 0, 0,
                                  nullptr, 0, nullptr);
  }
  return handle_;
}

bool TApplication::CallHooks(TMessage& m) {
  for (const TWindowHook& h : std::vector<TWindowHook>(hooks_))
    if (h && h(m)) return true;
  return false;
}

void TApplication::HookMainWindow(const TWindowHook& hook) {
  if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) hooks_.push_back(hook);
}

void TApplication::UnhookMainWindow(const TWindowHook& hook) {
  hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
}

void TApplication::FormCreated(TCustomForm* form) {
  form->AfterConstruction();
  if (!mainForm_) {
    mainForm_ = form;
    form->HandleNeeded();
  }
}

void TApplication::FormDestroyed(TCustomForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::FormActivated(TCustomForm*, bool active) {
  if (active == active_) return;
  active_ = active;
  if (active && OnActivate) OnActivate(this);
  if (!active && OnDeactivate) OnDeactivate(this);
}

void TApplication::Run() {
  if (mainForm_ && !mainForm_->Visible()) mainForm_->Show();
  do {
    HandleMessage();
  } while (!terminated_);
}

void TApplication::Terminate() {
  win::PostQuitMessage(0);
}

void TApplication::Dispatch(win::MSG& msg) {
  try {
    TMessage m{msg.message, msg.wParam, msg.lParam, 0};
    if (msg.hwnd == handle_ && handle_ && CallHooks(m)) return;
    if (hintWindow_ && hintWindow_->Visible() &&
        (msg.message == win::WM_LBUTTONDOWN || msg.message == win::WM_RBUTTONDOWN ||
         msg.message == win::WM_KEYDOWN || msg.message == win::WM_SYSKEYDOWN)) {
      hintWindow_->ReleaseHandle();
    }
    if (msg.message == win::WM_MOUSEMOVE) {
      if (TWinControl* w = TWinControl::FindControl(msg.hwnd)) {
        TControl* c = w->ControlAtPos(win::PointFromLParam(msg.lParam), true);
        TControl* under = c && dynamic_cast<TGraphicControl*>(c) ? c : w;
        TrackMouseControl(under);
        TMessage hm{msg.message, msg.wParam, msg.lParam, 0};
        HintMouseMessage(under, hm);
      }
    }
    if (msg.message == win::WM_KEYDOWN || msg.message == win::WM_SYSKEYDOWN) {
      // The application's key preview: main-window hooks may take the key as a shortcut.
      TMessage key{CM_APPKEYDOWN, msg.wParam, msg.lParam, 0};
      if (CallHooks(key)) return;
    }
    win::TranslateMessage(&msg);
    win::DispatchMessage(&msg);
  } catch (const win::EIdleStall&) {
    throw;
  } catch (const std::exception& e) {
    HandleException(this, e);
  }
  FreeDeviceContexts();
}

bool TApplication::ProcessMessage(win::MSG& msg) {
  // Looking for a message also runs the calls other threads queued and the messages they sent:
  // what those raise is shown like a handler's exception, and the loop goes on.
  bool got = false;
  try {
    got = win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE);
  } catch (const win::EIdleStall&) {
    throw;
  } catch (const std::exception& e) {
    HandleException(this, e);
    return true;
  }
  if (!got) return false;
  if (msg.message == win::WM_QUIT) {
    terminated_ = true;
    return true;
  }
  Dispatch(msg);
  return true;
}

void TApplication::ProcessMessages() {
  win::MSG msg{};
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Idle() {
  bool done = true;
  if (OnIdle) {
    try {
      OnIdle(this, done);
    } catch (const std::exception& e) {
      HandleException(this, e);
    }
  }
  if (!done) return;
  // Before waiting, every visible and enabled form updates its actions.
  try {
    if (Screen)
      for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* f = Screen->Forms(i);
        if (f->HandleAllocated() && win::IsWindowVisible(f->Handle()) &&
            win::IsWindowEnabled(f->Handle()))
          f->UpdateActions();
      }
  } catch (const win::EIdleStall&) {
    throw;
  } catch (const std::exception& e) {
    HandleException(this, e);
  }
  try {
    win::WaitMessage();
  } catch (const win::EIdleStall&) {
    throw;
  } catch (const std::exception& e) {
    HandleException(this, e);
  }
}

void TApplication::HandleMessage() {
  win::MSG msg{};
  if (!ProcessMessage(msg)) Idle();
}

void TApplication::HandleException(rtl::TObject*, const std::exception& e) {
  // The silent abort ends an action without a word.
  if (dynamic_cast<const rtl::EAbort*>(&e)) return;
  if (OnException)
    OnException(this, e);
  else
    ShowException(e);
}

void TApplication::ShowException(const std::exception& e) {
  std::string text = e.what();
  if (!text.empty() && text.back() != '.') text += '.';
  MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return ShowMessageBox(text, caption, flags);
}

bool TApplication::HelpCommand(unsigned command, intptr_t data) {
  return win::WinHelp(mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : Handle(),
                      helpFile_.c_str(), command, static_cast<uintptr_t>(data)) != win::FALSE;
}

bool TApplication::HelpContext(intptr_t context) {
  return HelpCommand(win::HELP_CONTEXT, context);
}

void TApplication::SetHint(const std::string& v) {
  if (v == hint_) return;
  hint_ = v;
  if (OnHint) OnHint(this);
}

void TApplication::Watch(TControl* old, TControl* now) {
  if (old && old != hintControl_ && old != mouseControl_) RemoveFreeNotification(old);
  if (now) FreeNotification(now);
}

void TApplication::Notification(rtl::TComponent* c, rtl::TOperation op) {
  rtl::TComponent::Notification(c, op);
  if (op != rtl::opRemove) return;
  if (c == hintControl_) {
    hintControl_ = nullptr;
    StopHintTimer();
    if (hintWindow_) hintWindow_->ReleaseHandle();
  }
  if (c == mouseControl_) mouseControl_ = nullptr;
}

void TApplication::TrackMouseControl(TControl* c) {
  if (c == mouseControl_) return;
  TControl* old = mouseControl_;
  mouseControl_ = c;
  Watch(old, c);
  if (old) old->Perform(CM_MOUSELEAVE);
  if (c && c == mouseControl_) c->Perform(CM_MOUSEENTER);
}

void TApplication::StartHintTimer() {
  StopHintTimer();
  hintTimer_ = win::SetTimer(nullptr, 0, static_cast<win::UINT>(std::max(hintPause_, 1)),
                             [this](win::HWND, win::UINT, win::UINT_PTR, win::DWORD) {
                               StopHintTimer();
                               ShowHintNow();
                             });
}

void TApplication::StopHintTimer() {
  if (hintTimer_) win::KillTimer(nullptr, hintTimer_);
  hintTimer_ = 0;
}

void TApplication::ShowHintNow() {
  TControl* c = hintControl_;
  if (!c || !showHint_ || !c->ShowHint() || !c->Showing()) return;
  TPoint p{};
  win::GetCursorPos(&p);
  THintInfo info;
  info.HintControl = c;
  info.HintPos = TPoint{p.x, p.y + 20};
  info.CursorPos = c->ScreenToClient(p);
  info.CursorRect = c->ClientRect();
  info.HintStr = GetShortHint(c->Hint());
  // The control may refuse (non-zero), or give the text and the part of it the hint is for.
  if (c->Perform(CM_HINTSHOW, 0, reinterpret_cast<win::LPARAM>(&info)) != 0) return;
  hintCursorRect_ = info.CursorRect;
  if (info.HintStr.empty()) return;
  if (!hintWindow_) hintWindow_ = std::make_unique<THintWindow>();
  hintWindow_->ActivateHint(info.HintPos, info.HintStr);
}

void TApplication::CancelHint() {
  StopHintTimer();
  if (hintWindow_) hintWindow_->ReleaseHandle();
  TControl* old = hintControl_;
  hintControl_ = nullptr;
  Watch(old, nullptr);
  SetHint("");
}

void TApplication::HintMouseMessage(TControl* control, TMessage& m) {
  if (m.Msg != win::WM_MOUSEMOVE) return;
  if (control && control == hintControl_) {
    // Still over the part the hint is for (a toolbar's button): nothing changes.
    TPoint p{};
    win::GetCursorPos(&p);
    const TPoint c = control->ScreenToClient(p);
    if (gdi::PtInRect(&hintCursorRect_, c)) return;
  } else if (control == hintControl_) {
    return;
  }
  TControl* old = hintControl_;
  hintControl_ = control;
  Watch(old, control);
  if (hintWindow_) hintWindow_->ReleaseHandle();
  StopHintTimer();
  hintCursorRect_ = control ? control->ClientRect() : TRect{0, 0, 0, 0};
  // The text may come from the control's answer to CM_HINTSHOW when the hint is due.
  if (control && showHint_ && control->ShowHint()) StartHintTimer();
  SetHint(control ? GetLongHint(control->Hint()) : std::string());
}

}  // namespace vcl
