// The floating frame: a small popup with a thin sizing border and a small caption that holds a
// floating dockable window and keeps activation with the parent form.
#include <algorithm>

#include "docking/dkcommon.h"
#include "docking/dkdock.h"
#include "docking/dkdock_internal.h"
#include "platform/gdi/controls.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/shapes.h"
#include "platform/vcl/application.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"

namespace docking {

TDKFloatingWindowParent::TDKFloatingWindowParent(rtl::TComponent* AOwner,
                                                 TDKCustomDockableWindow* Window,
                                                 vcl::TCustomForm* ParentForm)
    : vcl::TCustomForm(AOwner), window_(Window), parentForm_(ParentForm) {
  if (parentForm_) parentForm_->FreeNotification(this);
  SetBorderStyle(vcl::bsToolWindow);
  SetShowHint(true);
}

TDKFloatingWindowParent::~TDKFloatingWindowParent() {
  if (parentForm_) parentForm_->RemoveFreeNotification(this);
  // A frame freed from outside takes the window it holds with it, as any window control takes
  // its children; the window must not free this frame a second time, nor reach it meanwhile.
  if (window_ && window_->floatParent_ == this) window_->floatParent_ = nullptr;
}

void TDKFloatingWindowParent::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  vcl::TCustomForm::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == parentForm_) parentForm_ = nullptr;
}

void TDKFloatingWindowParent::CreateParams(vcl::TCreateParams& Params) {
  vcl::TCustomForm::CreateParams(Params);
  Params.Style = win::WS_POPUP | win::WS_BORDER | win::WS_CLIPCHILDREN;
  if (window_ && window_->Resizable()) Params.Style |= win::WS_THICKFRAME;
  Params.ExStyle = win::WS_EX_TOOLWINDOW;
  Params.WindowClassStyle &= ~unsigned(win::CS_HREDRAW | win::CS_VREDRAW);
  Params.WndParent = nullptr;
  if (window_ && window_->FloatingMode() == fmOnTopOfAllForms) {
    if (vcl::Application) Params.WndParent = vcl::Application->Handle();
  } else if (parentForm_ && parentForm_->HandleAllocated()) {
    Params.WndParent = parentForm_->Handle();
  }
}

void TDKFloatingWindowParent::CreateWnd() {
  vcl::TCustomForm::CreateWnd();
  // The window's first frame was measured before it was known as this control's: measure again.
  win::SetProp(Handle(), vcl::kKeepsOwnerActive, 1);
  win::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                    win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                        win::SWP_FRAMECHANGED);
}

void TDKFloatingWindowParent::CallRecreateWnd() {
  RecreateWnd();
  // The new window starts hidden: the floating window's state shows it again.
  if (window_) window_->UpdateVisibility();
}

bool TDKFloatingWindowParent::Showing() const {
  return HandleAllocated() &&
         win::IsWindowVisible(const_cast<TDKFloatingWindowParent*>(this)->Handle());
}

void TDKFloatingWindowParent::SetShowingNoActivate(bool Show) {
  const HWND h = Handle();
  if (Show) {
    // The owner: the application's window for a frame over all forms, else the parent form's
    // top-level form.
    HWND owner = nullptr;
    if (window_ && window_->FloatingMode() == fmOnTopOfAllForms) {
      if (vcl::Application) owner = vcl::Application->Handle();
    } else if (parentForm_ && parentForm_->HandleAllocated()) {
      owner = win::GetAncestor(parentForm_->Handle(), win::GA_ROOT);
    }
    win::SetWindowLong(h, win::GWL_HWNDPARENT, reinterpret_cast<intptr_t>(owner));
    // Directly below the first window above the owner that the owner does not own: above the
    // form and everything it owns, and no higher.
    HWND insertAfter = win::HWND_TOP;
    if (owner && owner != (vcl::Application ? vcl::Application->Handle() : nullptr)) {
      std::vector<HWND> order;
      win::EnumThreadWindows([&](HWND w) {
        order.push_back(w);
        return win::TRUE;
      });
      auto at = std::find(order.begin(), order.end(), owner);
      for (auto it = at; it != order.begin();) {
        --it;
        if (*it != h && win::GetWindow(*it, win::GW_OWNER) != owner) {
          insertAfter = *it;
          break;
        }
      }
    }
    UpdateTopmostFlag();
    win::SetWindowPos(
        h, insertAfter, 0, 0, 0, 0,
        win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE | win::SWP_SHOWWINDOW);
    return;
  }
  const bool wasActive = win::GetActiveWindow() == h;
  win::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                    win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                        win::SWP_HIDEWINDOW);
  if (wasActive && win::GetActiveWindow() == h && parentForm_ && parentForm_->HandleAllocated())
    win::SetActiveWindow(parentForm_->Handle());
}

void TDKFloatingWindowParent::UpdateTopmostFlag() {
  if (!window_ || !HandleAllocated()) return;
  const HWND h = Handle();
  const HWND owner = win::GetWindow(h, win::GW_OWNER);
  const bool topmost =
      window_->FloatingMode() == fmOnTopOfAllForms ||
      (owner && (win::GetWindowLong(owner, win::GWL_EXSTYLE) & win::WS_EX_TOPMOST));
  const bool now = (win::GetWindowLong(h, win::GWL_EXSTYLE) & win::WS_EX_TOPMOST) != 0;
  if (topmost != now)
    win::SetWindowPos(h, topmost ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0, 0,
                      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
}

RECT TDKFloatingWindowParent::GetCaptionRect(bool AdjustForBorder, bool MinusCloseButton) const {
  RECT r{0, 0, ClientWidth(), win::GetSystemMetrics(win::SM_CYSMCAPTION) - 1};
  if (window_) {
    r.right = Width() - 2 * window_->GetFloatingBorderSize().x;
    if (AdjustForBorder) {
      const POINT b = window_->GetFloatingBorderSize();
      gdi::OffsetRect(&r, b.x, b.y);
    }
    if (MinusCloseButton && window_->CloseButton()) r.right -= r.bottom - r.top;
  }
  return r;
}

RECT TDKFloatingWindowParent::GetCloseButtonRect(bool AdjustForBorder) const {
  RECT r = GetCaptionRect(AdjustForBorder, false);
  r.left = r.right - (r.bottom - r.top);
  return r;
}

int TDKFloatingWindowParent::HitTest(POINT p) const {
  if (!window_) return win::HTCLIENT;
  const RECT client =
      win::GetClientRectInWindow(const_cast<TDKFloatingWindowParent*>(this)->Handle());
  if (gdi::PtInRect(&client, p)) return win::HTCLIENT;
  if (window_->ShowCaption()) {
    const RECT cap = GetCaptionRect(true, false);
    if (gdi::PtInRect(&cap, p)) {
      const RECT close = GetCloseButtonRect(true);
      if (window_->CloseButton() && gdi::PtInRect(&close, p)) return win::HTCLOSE;
      return win::HTCAPTION;
    }
  }
  if (window_->Resizable()) {
    const POINT b = window_->GetFloatingBorderSize();
    const int w = Width(), h = Height();
    const bool left = p.x < b.x, right = p.x >= w - b.x, top = p.y < b.y, bottom = p.y >= h - b.y;
    if (window_->DockableWindowStyles() & dkdsResizeEightCorner) {
      const int corner = win::GetSystemMetrics(win::SM_CYSMCAPTION) - 1 + b.x;
      if (left)
        return p.y < corner ? win::HTTOPLEFT : p.y >= h - corner ? win::HTBOTTOMLEFT : win::HTLEFT;
      if (right)
        return p.y < corner        ? win::HTTOPRIGHT
               : p.y >= h - corner ? win::HTBOTTOMRIGHT
                                   : win::HTRIGHT;
      if (top)
        return p.x < corner ? win::HTTOPLEFT : p.x >= w - corner ? win::HTTOPRIGHT : win::HTTOP;
      if (bottom)
        return p.x < corner        ? win::HTBOTTOMLEFT
               : p.x >= w - corner ? win::HTBOTTOMRIGHT
                                   : win::HTBOTTOM;
    } else {
      if (top) return win::HTTOP;
      if (bottom) return win::HTBOTTOM;
      if (left) return win::HTLEFT;
      if (right) return win::HTRIGHT;
    }
  }
  return win::HTBORDER;
}

void TDKFloatingWindowParent::RedrawNCArea(TDKToolWindowNCRedrawWhat RedrawWhat) {
  if (!HandleAllocated() || !win::IsWindowVisible(Handle())) return;
  HDC dc = win::GetWindowDC(Handle());
  DrawNCArea(true, dc, nullptr, RedrawWhat);
  win::ReleaseDC(Handle(), dc);
}

void TDKFloatingWindowParent::DrawNCArea(bool DrawToDC, HDC ADC, win::HRGN Clip,
                                         TDKToolWindowNCRedrawWhat RedrawWhat) {
  if (!window_ || !HandleAllocated()) return;
  HDC dc = DrawToDC ? ADC : win::GetWindowDC(Handle());
  gdi::SaveDC(dc);
  if (Clip) SelectNCUpdateRgn(Handle(), dc, Clip);
  const RECT client = win::GetClientRectInWindow(Handle());
  gdi::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  const bool active = !window_->InactiveCaption();
  const int w = Width(), h = Height();
  const POINT b = window_->GetFloatingBorderSize();
  if (RedrawWhat & twrdBorder) {
    RECT r{0, 0, w, h};
    gdi::DrawEdge(dc, &r, gdi::EDGE_RAISED, gdi::BF_RECT | gdi::BF_ADJUST);
    RECT inner{b.x - 1, b.y - 1, w - b.x + 1, h - b.y + 1};
    gdi::SaveDC(dc);
    gdi::ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
    gdi::FillRect(
        dc, &r,
        gdi::GetSysColorBrush(active ? gdi::COLOR_ACTIVEBORDER : gdi::COLOR_INACTIVEBORDER));
    gdi::RestoreDC(dc, -1);
    gdi::FrameRect(dc, &inner, gdi::GetSysColorBrush(gdi::COLOR_BTNFACE));
  }
  if (window_->ShowCaption()) {
    const RECT cap = GetCaptionRect(true, true);
    if (RedrawWhat & twrdCaption) {
      DrawSmallWindowCaption(Handle(), dc, cap, window_->Caption(), active);
      RECT line{b.x, cap.bottom, w - b.x, cap.bottom + 1};
      gdi::FillRect(dc, &line, gdi::GetSysColorBrush(gdi::COLOR_BTNFACE));
    }
    if (window_->CloseButton() && (RedrawWhat & twrdCloseButton)) {
      RECT btn = GetCloseButtonRect(true);
      const bool gradients = GetSystemParametersInfoBool(win::SPI_GETGRADIENTCAPTIONS, false);
      const int color =
          gradients
              ? (active ? gdi::COLOR_GRADIENTACTIVECAPTION : gdi::COLOR_GRADIENTINACTIVECAPTION)
              : (active ? gdi::COLOR_ACTIVECAPTION : gdi::COLOR_INACTIVECAPTION);
      gdi::FillRect(dc, &btn, gdi::GetSysColorBrush(color));
      RECT face{btn.left + 1, btn.top + 1, btn.right - 1, btn.bottom - 1};
      gdi::DrawFrameControl(dc, &face, gdi::DFC_CAPTION,
                            gdi::DFCS_CAPTIONCLOSE | (closeButtonDown_ ? gdi::DFCS_PUSHED : 0u));
    }
  }
  gdi::RestoreDC(dc, -1);
  if (!DrawToDC) win::ReleaseDC(Handle(), dc);
}

void TDKFloatingWindowParent::TrackCloseButton() {
  auto buttonRect = [this] { return GetCloseButtonRect(true); };
  const bool clicked = internal::TrackButton(this, Handle(), buttonRect, [this](bool pushed) {
    closeButtonDown_ = pushed;
    RedrawNCArea(twrdCloseButton);
  });
  if (clicked && window_) window_->Close();
}

void TDKFloatingWindowParent::WndProc(vcl::TMessage& m) {
  if (!window_) {
    vcl::TCustomForm::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case win::WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<RECT*>(m.LParam);
      POINT tl, br;
      window_->GetFloatingNCArea(tl, br);
      internal::ShrinkByNCArea(r, tl, br);
      m.Result = 0;
      return;
    }
    case win::WM_NCPAINT:
      DrawNCArea(false, nullptr, m.WParam > 1 ? reinterpret_cast<win::HRGN>(m.WParam) : nullptr,
                 twrdBorder | twrdCaption | twrdCloseButton);
      m.Result = 0;
      return;
    case win::WM_NCACTIVATE:
      m.Result = 1;
      return;
    case win::WM_PRINT:
      HandleWMPrint(Handle(), m.WParam, m.LParam, [this](HWND, HDC dc) {
        DrawNCArea(true, dc, nullptr, twrdBorder | twrdCaption | twrdCloseButton);
      });
      return;
    case win::WM_NCHITTEST: {
      RECT wr{};
      win::GetWindowRect(Handle(), &wr);
      m.Result = HitTest(
          POINT{win::GET_X_LPARAM(m.LParam) - wr.left, win::GET_Y_LPARAM(m.LParam) - wr.top});
      return;
    }
    case win::WM_NCLBUTTONDOWN: {
      const int code = static_cast<int>(m.WParam);
      const POINT screen{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
      if (code >= win::HTLEFT && code <= win::HTBOTTOMRIGHT) {
        if (window_->Resizable()) window_->BeginSizing(TDKSizeHandle(code - win::HTLEFT));
      } else if (code == win::HTCAPTION) {
        const POINT p = window_->ScreenToClient(screen);
        window_->BeginMoving(p.x, p.y);
      } else if (code == win::HTCLOSE) {
        TrackCloseButton();
      }
      m.Result = 0;
      return;
    }
    case win::WM_NCLBUTTONDBLCLK:
      if (static_cast<int>(m.WParam) == win::HTCAPTION) window_->DoubleClick();
      if (static_cast<int>(m.WParam) == win::HTCLOSE) TrackCloseButton();
      m.Result = 0;
      return;
    case win::WM_NCRBUTTONUP:
      // The frame's menu is the floating window's context menu, at the pointer.
      if (window_->HandleAllocated())
        window_->Perform(win::WM_CONTEXTMENU, reinterpret_cast<win::WPARAM>(window_->Handle()),
                         m.LParam);
      m.Result = 0;
      return;
    case win::WM_MOUSEACTIVATE: {
      // A click never activates the frame: it comes to the top of its z-order, and the parent
      // form is activated instead.
      m.Result = win::MA_NOACTIVATE;
      if (window_->FloatingMode() == fmOnTopOfParentForm && window_->ActivateParent() &&
          win::GetActiveWindow() != Handle() && parentForm_ && parentForm_->HandleAllocated()) {
        const HWND root = win::GetAncestor(parentForm_->Handle(), win::GA_ROOT);
        if (win::GetActiveWindow() != root) win::SetActiveWindow(root);
      }
      win::SetWindowPos(Handle(), win::HWND_TOP, 0, 0, 0, 0,
                        win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
      return;
    }
    case win::WM_ACTIVATE: {
      const bool active = win::LOWORD(m.WParam) != win::WA_INACTIVE;
      const HWND other = reinterpret_cast<HWND>(m.LParam);
      const HWND form =
          parentForm_ && parentForm_->HandleAllocated() ? parentForm_->Handle() : nullptr;
      // The form's caption stays active while one of its floating windows is.
      const bool keeps = other && (other == form || (win::GetProp(other, vcl::kKeepsOwnerActive) &&
                                                     win::GetWindow(other, win::GW_OWNER) == form));
      if (form) win::SendMessage(form, win::WM_NCACTIVATE, active || keeps, 0);
      if (active) {
        // A shown frame keeps the activation: the focus moved into its window (a field, a
        // list) must stay there to take the keys, and handing activation to the form would
        // take the focus back. The form is not deactivated meanwhile, as the frame keeps its
        // owner active (kKeepsOwnerActive), so its caption and its other frames stay as they
        // are. Only a hidden frame passes activation on.
        if (!win::IsWindowVisible(Handle()) && form) win::SetActiveWindow(form);
      } else if (!keeps && parentForm_) {
        // Activation left the form's windows: the form hears it as its own deactivation.
        parentForm_->Perform(win::WM_ACTIVATE, win::WA_INACTIVE, m.LParam);
      }
      m.Result = 0;
      return;
    }
    case win::WM_CLOSE:
      if (parentForm_ && parentForm_->HandleAllocated())
        win::SendMessage(win::GetAncestor(parentForm_->Handle(), win::GA_ROOT), win::WM_CLOSE, 0,
                         0);
      m.Result = 0;
      return;
    case win::WM_SYSCOMMAND:
      if ((m.WParam & 0xFFF0) == win::SC_CLOSE) {
        win::SendMessage(Handle(), win::WM_CLOSE, 0, 0);
        m.Result = 0;
        return;
      }
      break;
    case vcl::CM_DIALOGKEY:
      if (m.WParam == win::VK_ESCAPE && vcl::KeyboardShiftState() == 0 && parentForm_) {
        parentForm_->SetFocus();
        m.Result = 1;
        return;
      }
      break;
    case win::WM_SETTEXT:
      vcl::TCustomForm::WndProc(m);
      RedrawNCArea(twrdCaption);
      return;
    default:
      break;
  }
  vcl::TCustomForm::WndProc(m);
}

}  // namespace docking
