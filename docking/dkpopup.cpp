// Popup windows: created by an item for a view, placed, painted, and closed down the chain.
#include <algorithm>

#include "docking/dkanim.h"
#include "docking/dkcommon.h"
#include "docking/dkpopup.h"
#include "platform/gdi/controls.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"

namespace docking {

// ------------------------------------------------------------------ popup view

TDKPopupView::TDKPopupView(rtl::TComponent* AOwner, TDKView* AParentView,
                           TDKCustomItem* AParentItem, vcl::TWinControl* AWindow, bool AIsToolbar,
                           bool ACustomizing, bool AUsePriorityList)
    : TDKView(AOwner, AParentView, AParentItem, AWindow, AIsToolbar, ACustomizing,
              AUsePriorityList) {
  SetMenuCommandSound(true);
}

void TDKPopupView::AutoSize(int AWidth, int AHeight) {
  vcl::TWinControl* w = Window();
  if (w) w->SetBounds(w->Left(), w->Top(), AWidth + 6, AHeight + 6);
}

vcl::TFont* TDKPopupView::GetFont() {
  return Window() ? Window()->Font() : nullptr;
}

// ------------------------------------------------------------------ popup window

TDKPopupWindow::TDKPopupWindow(rtl::TComponent* AOwner, TDKView* AParentView, TDKCustomItem* AItem,
                               bool ACustomizing)
    : vcl::TCustomControl(AOwner) {
  SetVisible(false);
  SetColor(gdi::clMenu);
  // The menu loop decides when the hint machinery hears about this window.
  SetShowHint(true);
  view_ =
      std::make_unique<TDKPopupView>(nullptr, AParentView, AItem, this, false, ACustomizing, false);
  view_->SetInModalLoop(true);
  if (AParentView) {
    if (vcl::TFont* f = AParentView->GetFont()) Font()->Assign(f);
    view_->SetHideAccelsUntilKeyboard(AParentView->HideAccelsUntilKeyboard());
    view_->SetAccelsVisibility(AParentView->AccelsVisible());
  } else {
    LoadToolbarSystemFont(*Font());
    view_->SetHideAccelsUntilKeyboard(true);
    view_->SetAccelsVisibility(false);
  }
}

TDKPopupWindow::~TDKPopupWindow() {
  if (view_) view_->CloseChildPopups();
  if (HandleAllocated()) {
    DKEndAnimation(Handle());
    view_->StopAllTimers();
    acc::NotifyWinEvent(acc::EVENT_SYSTEM_MENUPOPUPEND, Handle(), acc::OBJID_CLIENT,
                        acc::CHILDID_SELF);
  }
  view_.reset();
}

void TDKPopupWindow::CreateParams(vcl::TCreateParams& Params) {
  vcl::TCustomControl::CreateParams(Params);
  Params.Style = win::WS_POPUP;
  Params.ExStyle = win::WS_EX_TOPMOST | win::WS_EX_TOOLWINDOW | win::WS_EX_NOACTIVATE;
  Params.WndParent = nullptr;
  // What lies under a menu is kept while it shows; newer systems draw its shadow.
  Params.WindowClassStyle |= win::CS_SAVEBITS;
  if (IsWindowsXP()) Params.WindowClassStyle |= win::CS_DROPSHADOW;
}

vcl::TRect TDKPopupWindow::ClientRect() const {
  return vcl::TRect{0, 0, std::max(0, Width() - 6), std::max(0, Height() - 6)};
}

namespace {
// The menu sound of the run's first popup follows its picture; later popups sound first.
bool popupShownBefore = false;
}  // namespace

void TDKPopupWindow::ShowNoActivate() {
  HandleNeeded();
  win::SetWindowPos(Handle(), win::HWND_TOPMOST, Left(), Top(), Width(), Height(),
                    win::SWP_NOACTIVATE | win::SWP_FRAMECHANGED);
  const bool sound = NeedToPlaySound("MenuPopup");
  const bool first = !popupShownBefore;
  popupShownBefore = true;
  if (sound && !first) PlaySystemSound("MenuPopup");
  ShowAnimated();
  vcl::TControl::SetVisible(true);
  if (sound && first) {
    win::UpdateWindow(Handle());
    PlaySystemSound("MenuPopup");
  }
  acc::NotifyWinEvent(acc::EVENT_SYSTEM_MENUPOPUPSTART, Handle(), acc::OBJID_CLIENT,
                      acc::CHILDID_SELF);
  if (view_->Selected()) view_->NotifyFocusEvent();
}

void TDKPopupWindow::ShowAnimated() {
  // A popup opened with a selection (from the keyboard), or one that takes the place of a menu
  // just closed in the same bar, shows at once.
  TDKView* parent = view_->ParentView();
  const bool justClosed = parent && parent->ChildPopupJustClosed();
  if (parent) parent->SetChildPopupJustClosed(false);
  if (!win::IsWindowVisible(Handle()) && !view_->Selected() && !justClosed &&
      GetSystemParametersInfoBool(win::SPI_GETMENUANIMATION, false)) {
    const bool fade = GetSystemParametersInfoBool(win::SPI_GETMENUFADE, false);
    if (fade || direction_) {
      // The animation shows the printed picture: nothing is left to paint.
      win::ValidateRect(Handle(), nullptr);
      DKStartAnimation(Handle(), fade, direction_);
      return;
    }
  }
  win::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                    win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                        win::SWP_SHOWWINDOW);
  Invalidate();
}

void TDKPopupWindow::DrawFrame(win::HDC dc) {
  RECT r{0, 0, Width(), Height()};
  if (AreFlatMenusEnabled()) {
    const win::HBRUSH shadow = gdi::GetSysColorBrush(gdi::COLOR_BTNSHADOW);
    const win::HBRUSH window = gdi::GetSysColorBrush(gdi::COLOR_WINDOW);
    gdi::FrameRect(dc, &r, shadow);
    gdi::InflateRect(&r, -1, -1);
    gdi::FrameRect(dc, &r, window);
    gdi::InflateRect(&r, -1, -1);
    gdi::FrameRect(dc, &r, window);
  } else {
    gdi::DrawEdge(dc, &r, gdi::EDGE_RAISED, gdi::BF_RECT | gdi::BF_ADJUST);
    gdi::FrameRect(dc, &r, gdi::GetSysColorBrush(gdi::COLOR_BTNFACE));
  }
}

void TDKPopupWindow::WndProc(vcl::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT:
    case win::WM_ERASEBKGND:
      // Whatever paints the window ends its animation first.
      if (HandleAllocated()) DKEndAnimation(Handle());
      break;
    case WM_DK_ANIMATIONENDED:
      // The animation drew through a context taken before the window showed; the window draws
      // itself once more, frame and all, now that it stands in place.
      if (HandleAllocated())
        win::RedrawWindow(Handle(), nullptr, nullptr,
                          win::RDW_INVALIDATE | win::RDW_FRAME | win::RDW_ERASE);
      return;
    case vcl::CM_HINTSHOW:
      if (m.LParam)
        m.Result =
            view_->HandleHintShowMessage(*reinterpret_cast<vcl::THintInfo*>(m.LParam)) ? 0 : 1;
      return;
    case win::WM_PRINT:
      // The picture the animation shows: frame and items.
      HandleWMPrint(Handle(), m.WParam, m.LParam, [this](win::HWND, win::HDC dc) { DrawFrame(dc); });
      m.Result = 0;
      return;
    case win::WM_MOUSEACTIVATE:
      m.Result = win::MA_NOACTIVATE;
      return;
    case win::WM_CLOSE:
      m.Result = 0;
      return;
    case win::WM_GETOBJECT:
      if ((m.Result = view_->HandleWMGetObject(static_cast<long>(m.LParam))) != 0) return;
      break;
    case win::WM_NCCALCSIZE: {
      // A 3-pixel frame on every side.
      if (auto* r = reinterpret_cast<RECT*>(m.LParam)) {
        r->left += 3;
        r->top += 3;
        r->right = std::max(r->left, r->right - 3);
        r->bottom = std::max(r->top, r->bottom - 3);
      }
      m.Result = 0;
      return;
    }
    case win::WM_NCPAINT: {
      const win::HDC dc = win::GetWindowDC(Handle());
      DrawFrame(dc);
      win::ReleaseDC(Handle(), dc);
      m.Result = 0;
      return;
    }
    default:
      break;
  }
  vcl::TCustomControl::WndProc(m);
}

void TDKPopupWindow::Paint() {
  vcl::TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(vcl::bsSolid);
  c->FillRect(ClientRect());
  view_->DrawSubitems(c);
  PaintScrollArrows(c);
}

void TDKPopupWindow::PaintScrollArrows(vcl::TCanvas* c) {
  const int w = ClientWidth(), h = ClientHeight();
  const vcl::TColor text = gdi::ColorToRGB(gdi::clMenuText);
  auto band = [&](int top, bool up) {
    c->Brush()->SetColor(Color());
    c->FillRect(vcl::TRect{0, top, w, top + DKScrollArrowHeight});
    const int cx = w / 2, cy = top + DKScrollArrowHeight / 2;
    c->Pen()->SetColor(text);
    c->Brush()->SetColor(text);
    if (up)
      c->Polygon({{cx - 3, cy + 2}, {cx + 3, cy + 2}, {cx, cy - 1}});
    else
      c->Polygon({{cx - 3, cy - 2}, {cx + 3, cy - 2}, {cx, cy + 1}});
  };
  if (view_->ShowUpArrow()) band(0, true);
  if (view_->ShowDownArrow()) band(h - DKScrollArrowHeight, false);
}

// ------------------------------------------------------------------ creating popups

std::unique_ptr<TDKPopupWindow> TDKCustomItem::MakePopupWindow(TDKView* ParentView) {
  return std::make_unique<TDKPopupWindow>(nullptr, ParentView, this, false);
}

std::unique_ptr<TDKPopupWindow> TDKCustomItem::CreatePopup(TDKView* ParentView,
                                                           TDKItemViewer* ParentViewer,
                                                           bool PositionAsSubmenu,
                                                           bool SelectFirstItem, POINT PopupPoint,
                                                           TDKPopupAlignment Alignment) {
  if (linkSubitems_) linkSubitems_->DoPopup(this, true);
  DoPopup(this, false);
  TDKView* chevronParent = nullptr;
  TDKCustomItem* shown = this;
  if (ParentView && ParentView->GetChevronItem() == this) {
    chevronParent = ParentView;
    shown = ParentView->ParentItem();
  }
  auto popup = shown->MakePopupWindow(ParentView);
  TDKPopupView* view = popup->View();
  if (chevronParent) {
    view->SetChevronParentView(chevronParent);
    view->SetIsToolbar(true);
    view->SetShowHints(chevronParent->ShowHints());
    view->RecreateAllViewers();
  }
  TDKPopupPlaceInput in;
  if (!ParentView) {
    in.Ref = RECT{PopupPoint.x, PopupPoint.y, PopupPoint.x, PopupPoint.y};
    in.Monitor = GetRectOfMonitorContainingPoint(PopupPoint, true);
  } else {
    in.HasParentView = true;
    const vcl::TPoint tl = ParentView->Window()->ClientToScreen(
        vcl::TPoint{ParentViewer->BoundsRect.left, ParentViewer->BoundsRect.top});
    in.Ref =
        RECT{tl.x, tl.y, tl.x + (ParentViewer->BoundsRect.right - ParentViewer->BoundsRect.left),
             tl.y + (ParentViewer->BoundsRect.bottom - ParentViewer->BoundsRect.top)};
    const auto* pv = dynamic_cast<TDKPopupView*>(ParentView);
    in.Monitor = pv && !gdi::IsRectEmpty(&pv->MonitorRect)
                     ? pv->MonitorRect
                     : GetRectOfMonitorContainingRect(in.Ref, true);
    in.ChainOpensLeft = ParentView->OpensLeft();
    in.ParentVertical = ParentView->IsToolbar() && ParentView->Orientation() == dkvoVertical;
    in.FromChevron = chevronParent && !in.ParentVertical;
    for (int i = 0; i < ParentView->ViewerCount(); ++i) {
      const TDKItemViewer* v = ParentView->Viewers(i);
      if (!v->Show) continue;
      const vcl::TPoint p =
          ParentView->Window()->ClientToScreen(vcl::TPoint{v->BoundsRect.left, v->BoundsRect.top});
      in.ParentViewers.push_back(RECT{p.x, p.y, p.x + (v->BoundsRect.right - v->BoundsRect.left),
                                      p.y + (v->BoundsRect.bottom - v->BoundsRect.top)});
    }
  }
  view->MonitorRect = in.Monitor;
  if (chevronParent)
    view->SetWrapOffset(in.Monitor.right - in.Monitor.left - 6);
  else
    view->SetMaxHeight(in.Monitor.bottom - in.Monitor.top - 6);
  if (SelectFirstItem) {
    view->ValidatePositions();
    view->SetSelected(view->FirstSelectable());
  }
  view->UpdatePositions();
  in.AsSubmenu = PositionAsSubmenu;
  in.Width = popup->Width();
  in.Height = popup->Height();
  in.Alignment = Alignment;
  in.MenuDropRight = win::GetSystemMetrics(win::SM_MENUDROPALIGNMENT) != 0;
  const TDKPopupPlace place = DKPlacePopup(in);
  view->SetOpensLeft(place.OpensLeft);
  popup->SetDirection(place.Direction);
  popup->SetBounds(place.X, place.Y, in.Width, in.Height);
  if (ParentView) ParentView->ChildPopupPlaced(ParentViewer, popup.get());
  popup->ShowNoActivate();
  return popup;
}

// ------------------------------------------------------------------ the view's child popups

bool TDKView::OpenChildPopup(bool SelectFirstItem) {
  // A timer still running from the mouse would close or reopen what opens here.
  StopTimer(tiClose);
  StopTimer(tiOpen);
  if (selected_ && selected_ != openViewer_) {
    CloseChildPopups();
    TDKCustomItem* item = selected_->Item();
    if (item->Enabled() && (item->ItemStyle() & isSubmenu)) {
      openViewer_ = selected_;
      try {
        openPopup_ = item->CreatePopup(this, selected_, !isToolbar_, SelectFirstItem, POINT{0, 0},
                                       dkpaLeft);
      } catch (...) {
        // The popup is gone with what it recorded here.
        openViewer_ = nullptr;
        openViewerView_ = nullptr;
        throw;
      }
    }
  }
  return openPopup_ != nullptr;
}

void TDKView::ChildPopupPlaced(TDKItemViewer* Viewer, TDKPopupWindow* Popup) {
  openViewer_ = Viewer;
  openViewerView_ = Popup->View();
  if (isToolbar_) dropDownMode_ = true;
  Invalidate(openViewer_);
  if (window_ && window_->HandleAllocated()) win::UpdateWindow(window_->Handle());
}

void TDKView::CloseChildPopups() {
  if (openViewerView_) openViewerView_->CloseChildPopups();
  StopTimer(tiClose);
  TDKItemViewer* was = openViewer_;
  openPopup_.reset();
  openViewerView_ = nullptr;
  openViewer_ = nullptr;
  if (was) Invalidate(was);
}

void TDKView::CancelChildPopups() {
  if (isToolbar_) dropDownMode_ = false;
  CloseChildPopups();
}

}  // namespace docking
