#include "docking/dktoolbar.h"

#include <algorithm>

#include "docking/dkcommon.h"
#include "platform/gdi/controls.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/screen.h"
#include "platform/win/input.h"

namespace docking {

// ------------------------------------------------------------------ view

TDKToolbarView::TDKToolbarView(TDKCustomToolbar* AToolbar, TDKCustomItem* AItem)
    : TDKView(nullptr, nullptr, AItem, AToolbar, true, false, true), toolbar_(AToolbar) {
  RecreateAllViewers();  // now with the chevron, which the base could not ask for
}

void TDKToolbarView::AutoSize(int AWidth, int AHeight) {
  lastSize_ = SIZE{AWidth, AHeight};
  if (toolbar_->AutoResize() && !toolbar_->sizeData_.active) toolbar_->ChangeSize(AWidth, AHeight);
}

vcl::TFont* TDKToolbarView::GetFont() {
  return toolbar_->systemFont_ ? toolbar_->toolbarSystemFont_.get() : toolbar_->Font();
}

TDKCustomItem* TDKToolbarView::GetChevronItem() const {
  return toolbar_->chevron_;
}

// ------------------------------------------------------------------ chevron

TDKChevronItem::TDKChevronItem(TDKCustomToolbar* AToolbar)
    : TDKCustomItem(nullptr), toolbar_(AToolbar) {
  SetItemStyle(ItemStyle() | isSubmenu | isHasSubitems | isNoKeyboardOpen);
  SetHint("More Buttons|");
}

TDKItemViewerClass TDKChevronItem::GetItemViewerClass(TDKView*) const {
  return TDKItemViewerClass::Of<TDKChevronItemViewer>();
}

TDKView* TDKChevronItem::GetChevronParentView() const {
  return toolbar_->View();
}

void TDKChevronItemViewer::CalcSize(vcl::TCanvas*, int& AWidth, int& AHeight) {
  AWidth = AHeight = DKChevronSize;
}

void TDKChevronItemViewer::Paint(vcl::TCanvas* Canvas, const RECT& ClientAreaRect, bool IsSelected,
                                 bool IsPushed, bool) {
  RECT r = ClientAreaRect;
  const bool enabled = Item()->Enabled();
  const win::HDC dc = Canvas->Handle();
  if (enabled && (IsPushed || IsSelected)) {
    RECT e = r;
    gdi::DrawEdge(dc, &e, IsPushed ? gdi::BDR_SUNKENOUTER : gdi::BDR_RAISEDINNER, gdi::BF_RECT);
  }
  // Two chevrons pointing right (along a horizontal line) or down (vertical toolbar).
  static const unsigned char right[8] = {0xCC, 0x66, 0x33, 0x66, 0xCC, 0x00, 0x00, 0x00};
  static const unsigned char down[8] = {0x88, 0xD8, 0x70, 0x20, 0x88, 0xD8, 0x70, 0x20};
  const bool vertical = View()->Orientation() == dkvoVertical;
  const unsigned char* rows = vertical ? down : right;
  int x = vertical ? r.right - 9 : r.left + 2;
  int y = r.top + (vertical ? 2 : 4);
  if (IsPushed && enabled) ++x, ++y;
  auto glyph = [&](int gx, int gy, vcl::TColor c) {
    for (int row = 0; row < 8; ++row)
      for (int bit = 0; bit < 8; ++bit)
        if (rows[row] & (0x80 >> bit)) Canvas->SetPixel(gx + bit, gy + row, c);
  };
  if (enabled) {
    glyph(x, y, gdi::ColorToRGB(gdi::clBtnText));
  } else {
    glyph(x + 1, y + 1, gdi::ColorToRGB(gdi::clBtnHighlight));
    glyph(x, y, gdi::ColorToRGB(gdi::clBtnShadow));
  }
}

// ------------------------------------------------------------------ toolbar

TDKCustomToolbar::TDKCustomToolbar(rtl::TComponent* AOwner)
    : TDKCustomDockableWindow(AOwner),
      items_(new TDKRootItem(nullptr)),
      chevron_(new TDKChevronItem(this)),
      toolbarSystemFont_(std::make_unique<vcl::TFont>()) {
  LoadToolbarSystemFont(*toolbarSystemFont_);
  items_->SetParentComponent(this);
  chevron_->SetLinkSubitems(items_);
  view_ = std::make_unique<TDKToolbarView>(this, items_);
  view_->SetChevronSize(DKChevronSize);
  SetColor(gdi::clBtnFace);
  vcl::TCustomControl::SetBounds(Left(), Top(), 23, 22);
}

TDKCustomToolbar::~TDKCustomToolbar() {
  Destroying();
  processShortCuts_ = menuBar_ = false;
  UpdateMainWindowHook();
  view_.reset();
  delete chevron_;
  delete items_;
}

void TDKCustomToolbar::BeginUpdate() {
  TDKCustomDockableWindow::BeginUpdate();
  view_->BeginUpdate();
}

void TDKCustomToolbar::EndUpdate() {
  view_->EndUpdate();
  TDKCustomDockableWindow::EndUpdate();
}

void TDKCustomToolbar::SetChevronMoveItems(bool v) {
  if (chevronMoveItems_ == v) return;
  chevronMoveItems_ = v;
  view_->SetUsePriorityList(v && !(ComponentState() & rtl::csDesigning));
  Arrange();
}

void TDKCustomToolbar::SetChevronPriorityForNewItems(TDKChevronPriorityForNewItems v) {
  priorityForNew_ = v;
  view_->SetNewViewersGetHighestPriority(v == dkcpHighest);
}

void TDKCustomToolbar::SetFloatingWidth(int v) {
  if (floatingWidth_ == v) return;
  floatingWidth_ = v;
  if (Floating()) {
    UpdateViewProperties();
    Arrange();
  }
}

void TDKCustomToolbar::SetShrinkMode(TDKShrinkMode v) {
  if (shrinkMode_ == v) return;
  shrinkMode_ = v;
  if (Docked() && CurrentDock())
    CurrentDock()->ArrangeToolbars();
  else
    Arrange();
}

void TDKCustomToolbar::SetSystemFont(bool v) {
  if (systemFont_ == v) return;
  systemFont_ = v;
  FontChangedRearrange();
}

void TDKCustomToolbar::FontChangedRearrange() {
  view_->InvalidatePositions();
  Arrange();
}

void TDKCustomToolbar::SetMenuBar(bool v) {
  if (menuBar_ == v) return;
  menuBar_ = v;
  // A menu bar hears the form's keyboard-menu commands.
  SetControlStyle(v ? ControlStyle() | vcl::csMenuEvents : ControlStyle() & ~vcl::csMenuEvents);
  view_->SetIsMenuBar(v);
  view_->SetHideAccelsUntilKeyboard(v);
  view_->SetAccelsVisibility(false);
  if (ComponentState() & rtl::csLoading) return;
  SetFullSize(v);
  SetShrinkMode(v ? dksmWrap : dksmChevron);
  SetCloseButton(!v);
  SetProcessShortCuts(v);
  UpdateMainWindowHook();
}

void TDKCustomToolbar::SetProcessShortCuts(bool v) {
  processShortCuts_ = v;
  UpdateMainWindowHook();
}

namespace {

// How many toolbars want the application's key preview; the hook is added for the first.
int mainHookUsers = 0;
int hookKey = 0;  // the hook's identity

// Offers a keyboard-menu command to the visible, enabled docks and toolbars that take menu
// events, depth first.
bool OfferSysCommand(vcl::TWinControl* Container, const vcl::TMessage& m) {
  if (!Container->Showing()) return false;
  for (int i = 0; i < Container->ControlCount(); ++i) {
    vcl::TControl* c = Container->Controls(i);
    if (!c->Visible() || !c->Enabled()) continue;
    if ((c->ControlStyle() & vcl::csMenuEvents) &&
        c->Perform(win::WM_SYSCOMMAND, m.WParam, m.LParam) != 0)
      return true;
    if (auto* w = dynamic_cast<vcl::TWinControl*>(c); w && OfferSysCommand(w, m)) return true;
  }
  return false;
}

bool MainWindowHook(vcl::TMessage& m) {
  if (m.Msg == vcl::CM_APPSYSCOMMAND) {
    vcl::TCustomForm* form = vcl::Screen ? vcl::Screen->ActiveForm() : nullptr;
    if (!form || !OfferSysCommand(form, m)) return false;
    m.Result = 1;
    return true;
  }
  if (m.Msg != vcl::CM_APPKEYDOWN) return false;
  vcl::TShiftState shift = 0;
  if (win::GetKeyState(win::VK_SHIFT) < 0) shift |= vcl::ssShift;
  if (win::GetKeyState(win::VK_CONTROL) < 0) shift |= vcl::ssCtrl;
  if (win::GetKeyState(win::VK_MENU) < 0) shift |= vcl::ssAlt;
  return DKToolbarsTakeKey(static_cast<unsigned short>(m.WParam), shift);
}

bool FormTakesKey(vcl::TWinControl* Parent, unsigned short Key, vcl::TShiftState Shift) {
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    auto* w = dynamic_cast<vcl::TWinControl*>(Parent->Controls(i));
    if (!w) continue;
    if (auto* t = dynamic_cast<TDKCustomToolbar*>(w))
      if (t->ProcessShortCuts() && t->IsShortCut(Key, Shift)) return true;
    if (FormTakesKey(w, Key, Shift)) return true;
  }
  return false;
}

}  // namespace

bool DKToolbarsTakeKey(unsigned short Key, vcl::TShiftState Shift) {
  vcl::TCustomForm* forms[2] = {vcl::Screen ? vcl::Screen->ActiveForm() : nullptr,
                                vcl::Application ? vcl::Application->MainForm() : nullptr};
  for (vcl::TCustomForm* f : forms) {
    if (!f || !f->Enabled()) continue;
    if (FormTakesKey(f, Key, Shift)) return true;
    // Floating toolbars sit in frames of their own but belong to the form.
    for (int i = 0; i < f->ComponentCount(); ++i)
      if (auto* t = dynamic_cast<TDKCustomToolbar*>(f->Components(i)))
        if (t->Floating() && t->ProcessShortCuts() && t->IsShortCut(Key, Shift)) return true;
    if (forms[0] == forms[1]) break;
  }
  return false;
}

void TDKCustomToolbar::UpdateMainWindowHook() {
  const bool want = (processShortCuts_ || menuBar_) && !(ComponentState() & rtl::csDesigning);
  const vcl::TWindowHook hook(&hookKey, MainWindowHook);
  if (want && !hooked_ && vcl::Application) {
    hooked_ = true;
    if (mainHookUsers++ == 0) vcl::Application->HookMainWindow(hook);
  } else if (!want && hooked_) {
    hooked_ = false;
    if (--mainHookUsers == 0 && vcl::Application) vcl::Application->UnhookMainWindow(hook);
  }
}

// ------------------------------------------------------------------ wrappers

TDKControlItem* TDKCustomToolbar::CreateWrapper(int Index, vcl::TControl* Ctl) {
  auto* item = new TDKControlItem(Owner());
  if (ComponentState() & rtl::csDesigning) {
    for (int n = 1;; ++n) {
      const std::string name = "DKControlItem" + std::to_string(n);
      if (!Owner() || !Owner()->FindComponent(name)) {
        item->SetName(name);
        break;
      }
    }
  }
  item->SetControl(Ctl);
  items_->Insert(Index, item);
  return item;
}

TDKControlItem* TDKCustomToolbar::FindWrapper(const vcl::TControl* Ctl) const {
  std::vector<TDKCustomItem*> stack{items_};
  while (!stack.empty()) {
    TDKCustomItem* it = stack.back();
    stack.pop_back();
    for (int i = 0; i < it->Count(); ++i) {
      auto* ci = dynamic_cast<TDKControlItem*>(it->Items(i));
      if (ci && ci->Control() == Ctl) return ci;
      stack.push_back(it->Items(i));
    }
  }
  return nullptr;
}

void TDKCustomToolbar::CreateWrappersForAllControls() {
  for (int i = 0; i < ControlCount(); ++i)
    if (!FindWrapper(Controls(i))) CreateWrapper(items_->Count(), Controls(i));
}

// ------------------------------------------------------------------ layout

TDKViewOrientation TDKCustomToolbar::OrientationFor(const TDKDock* Dock, bool IsFloating) const {
  if (IsFloating) return dkvoFloating;
  if (Dock && Dock->IsVertical()) return dkvoVertical;
  return dkvoHorizontal;
}

int TDKCustomToolbar::CalcWrapOffset(const TDKDock* Dock) const {
  if (!Dock) return Floating() ? floatingWidth_ : 0;
  if (shrinkMode_ != dksmWrap) return 0;
  // The frame the toolbar has in that dock, not the one it has where it is now.
  POINT tl, br;
  GetDockedNCArea(tl, br, Dock->IsVertical());
  return Dock->IsVertical() ? Dock->ClientHeight() - (tl.y + br.y)
                            : Dock->ClientWidth() - (tl.x + br.x);
}

int TDKCustomToolbar::CalcChevronOffset(const TDKDock* Dock, TDKViewOrientation O) const {
  if (shrinkMode_ != dksmChevron || !Dock || Dock != CurrentDock() || CurrentRowSize() <= 0)
    return 0;
  POINT tl, br;
  GetDockedNCArea(tl, br, O == dkvoVertical);
  const int nc = O == dkvoVertical ? tl.y + br.y : tl.x + br.x;
  return std::max(CurrentRowSize() - nc, 0);
}

void TDKCustomToolbar::UpdateViewProperties() {
  const TDKDock* dock = Docked() ? CurrentDock() : nullptr;
  const TDKViewOrientation o = OrientationFor(dock, Floating());
  view_->SetOrientation(o);
  view_->SetChevronSize(DKChevronSize);
  if (!Docked() && !Floating()) {
    int wrap = 0, chevron = 0;
    if (!AutoResize() || ((Anchors() & vcl::akLeft) && (Anchors() & vcl::akRight))) {
      if (shrinkMode_ == dksmChevron) chevron = ClientWidth();
      if (shrinkMode_ == dksmWrap) wrap = ClientWidth();
    }
    view_->SetWrapOffset(wrap);
    view_->SetChevronOffset(chevron);
    return;
  }
  view_->SetWrapOffset(Floating() ? floatingWidth_ : CalcWrapOffset(dock));
  view_->SetChevronOffset(CalcChevronOffset(dock, o));
}

SIZE TDKCustomToolbar::DoArrange(bool CanMoveControls, TDKDockType, bool NewFloating,
                                 TDKDock* NewDock) {
  if (!CanMoveControls) {
    const TDKDock* dock = NewFloating ? nullptr : NewDock;
    const TDKViewOrientation o = OrientationFor(dock, NewFloating);
    const int wrap = NewFloating ? floatingWidth_ : (dock ? CalcWrapOffset(dock) : 0);
    return view_
        ->CalculatePositions(false, o, wrap, dock ? CalcChevronOffset(dock, o) : 0, DKChevronSize)
        .TotalSize;
  }
  UpdateViewProperties();
  view_->BeginUpdate();
  const SIZE s = view_
                     ->CalculatePositions(true, view_->Orientation(), view_->WrapOffset(),
                                          view_->ChevronOffset(), DKChevronSize)
                     .TotalSize;
  view_->EndUpdate();
  return s;
}

void TDKCustomToolbar::GetBaseSize(SIZE& ASize) {
  // The size with every item shown: what the dock weighs against the row's length.
  const TDKDock* dock = Docked() ? CurrentDock() : nullptr;
  const TDKViewOrientation o = OrientationFor(dock, Floating());
  ASize = view_
              ->CalculatePositions(false, o, Floating() ? floatingWidth_ : CalcWrapOffset(dock), 0,
                                   DKChevronSize)
              .TotalSize;
}

void TDKCustomToolbar::GetMinShrinkSize(int& AMinimumSize) {
  // The dock adds the frame; here the highest-priority item and the chevron. With nothing
  // shown, the empty view's length stands in for the item.
  const bool vertical = CurrentDock() && CurrentDock()->IsVertical();
  TDKItemViewer* v = view_->HighestPriorityViewer();
  int length = vertical ? 22 : 23;
  if (v)
    length = vertical ? v->BoundsRect.bottom - v->BoundsRect.top
                      : v->BoundsRect.right - v->BoundsRect.left;
  AMinimumSize = length + DKChevronSize;
}

bool TDKCustomToolbar::ControlExistsAtPos(POINT P) const {
  TDKItemViewer* v = view_->ViewerFromPoint(P);
  if (!v) return false;
  return !dynamic_cast<TDKControlItem*>(v->Item());
}

// ------------------------------------------------------------------ floating resize

std::vector<SIZE> TDKCustomToolbar::CalcPotentialSizes(TDKSizeHandle SizeHandle) {
  std::vector<SIZE> sizes;
  TDKView::Layout widest = view_->CalculatePositions(false, dkvoFloating, 0, 0, DKChevronSize);
  sizes.push_back(widest.TotalSize);
  int lastLines = 1;
  const RECT m = view_->GetMargins(dkvoFloating);
  // Narrower wrap widths until every item stands on a line of its own.
  for (int w = widest.UsedLength - 1; w >= 1;) {
    const TDKView::Layout l = view_->CalculatePositions(false, dkvoFloating, w, 0, DKChevronSize);
    if (l.UsedLength - m.right > w) break;  // an item no longer fits on a line of its own
    // The narrowest width with this arrangement is its longest line.
    const SIZE s{l.UsedLength, l.TotalSize.cy};
    if (l.WrappedLines == lastLines)
      sizes.back() = s;
    else
      sizes.push_back(s);
    lastLines = l.WrappedLines;
    const int next = std::min(w, l.UsedLength - m.right) - 1;
    if (next >= w) break;
    w = next;
  }
  for (SIZE& s : sizes) s = AddFloatingNCAreaToSize(s);
  const bool byHeight = SizeHandle == twshTop || SizeHandle == twshBottom;
  std::sort(sizes.begin(), sizes.end(), [byHeight](const SIZE& a, const SIZE& b) {
    return byHeight ? a.cy < b.cy : a.cx < b.cx;
  });
  sizes.erase(
      std::unique(sizes.begin(), sizes.end(),
                  [](const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }),
      sizes.end());
  return sizes;
}

void TDKCustomToolbar::ResizeBegin(TDKSizeHandle SizeHandle) {
  sizeData_ = SizeData{};
  sizeData_.active = true;
  sizeData_.handle = SizeHandle;
  sizeData_.sizes = CalcPotentialSizes(SizeHandle);
  sizeData_.chosenWidth = floatingWidth_;
  const SIZE cur = AddFloatingNCAreaToSize(SIZE{Width(), Height()});
  for (size_t i = 0; i < sizeData_.sizes.size(); ++i)
    if (sizeData_.sizes[i].cx == cur.cx && sizeData_.sizes[i].cy == cur.cy)
      sizeData_.current = static_cast<int>(i);
}

void TDKCustomToolbar::ResizeTrack(RECT& Rect, const RECT& OrigRect) {
  auto& d = sizeData_;
  if (d.sizes.empty()) return;
  const bool byHeight = d.handle == twshTop || d.handle == twshBottom;
  auto len = [byHeight](const SIZE& s) { return byHeight ? s.cy : s.cx; };
  const int want = byHeight ? Rect.bottom - Rect.top : Rect.right - Rect.left;
  const int n = static_cast<int>(d.sizes.size());
  auto at = [&](int i) { return len(d.sizes[static_cast<size_t>(i)]); };
  int pick = d.current;
  bool keep = false;
  if (pick >= 0) {
    // Within the dead zone around the present size nothing changes.
    const int cur = at(pick);
    const int before = pick > 0 ? std::min(12, cur - at(pick - 1)) : 12;
    const int after = pick + 1 < n ? std::min(12, at(pick + 1) - cur) : 12;
    keep = want >= cur - before && want <= cur + after;
  }
  if (!keep) {
    // The largest size the pointer leaves room for (the smallest when none fits).
    pick = 0;
    for (int i = 0; i < n && at(i) <= want; ++i) pick = i;
  }
  d.current = pick;
  const SIZE s = d.sizes[static_cast<size_t>(pick)];
  const bool fromLeft =
      d.handle == twshLeft || d.handle == twshTopLeft || d.handle == twshBottomLeft;
  const bool fromTop = d.handle == twshTop || d.handle == twshTopLeft || d.handle == twshTopRight;
  Rect = OrigRect;
  if (fromLeft)
    Rect.left = Rect.right - s.cx;
  else
    Rect.right = Rect.left + s.cx;
  if (fromTop)
    Rect.top = Rect.bottom - s.cy;
  else
    Rect.bottom = Rect.top + s.cy;
  // The wrap width that gives this size: the client width less the right margin.
  d.chosenWidth =
      s.cx - AddFloatingNCAreaToSize(SIZE{0, 0}).cx - view_->GetMargins(dkvoFloating).right;
}

void TDKCustomToolbar::ResizeTrackAccept() {
  if (!sizeData_.active) return;
  if (floatingWidth_ != sizeData_.chosenWidth) {
    floatingWidth_ = sizeData_.chosenWidth;
    UpdateViewProperties();
    view_->UpdatePositions();
  }
}

void TDKCustomToolbar::ResizeEnd() {
  sizeData_ = SizeData{};
  if (Floating()) Arrange();
}

// ------------------------------------------------------------------ keys

bool TDKCustomToolbar::IsShortCut(unsigned short Key, vcl::TShiftState Shift) {
  bool handled = false;
  if (OnShortCut) OnShortCut(Key, Shift, handled);
  return handled || items_->IsShortCut(Key, Shift);
}

// ------------------------------------------------------------------ window

void TDKCustomToolbar::InitiateAction() {
  TDKCustomDockableWindow::InitiateAction();
  if (updateActions_) view_->InitiateActions();
}

void TDKCustomToolbar::GetTabOrderList(std::vector<vcl::TWinControl*>& List) const {
  const auto mine = static_cast<std::ptrdiff_t>(List.size());
  TDKCustomDockableWindow::GetTabOrderList(List);
  if (!view_) return;
  std::vector<vcl::TControl*> hidden;
  view_->GetOffEdgeControlList(hidden);
  auto behindChevron = [&](const vcl::TWinControl* c) {
    for (vcl::TControl* h : hidden) {
      if (h == c) return true;
      if (auto* w = dynamic_cast<vcl::TWinControl*>(h); w && w->ContainsControl(c)) return true;
    }
    return false;
  };
  List.erase(std::remove_if(List.begin() + mine, List.end(), behindChevron), List.end());
}

void TDKCustomToolbar::ShowHintChanged() {
  // The menu loop asks the view whether its items show hints.
  if (view_) view_->SetShowHints(ShowHint());
}

bool TDKCustomToolbar::DialogChar(unsigned Key) {
  // Alt+letter on a plain toolbar: only an item whose accelerator is that letter opens.
  return !menuBar_ && Key && CanFocus() && KeyboardOpen(static_cast<char>(Key), true);
}

void TDKCustomToolbar::WndProc(vcl::TMessage& m) {
  if (m.Msg == win::WM_SYSCOMMAND && menuBar_ && (m.WParam & 0xFFF0) == win::SC_KEYMENU &&
      m.LParam != ' ' && CanFocus()) {
    // The menu bar opens by the character (Alt or F10 alone: the first item).
    const char key = static_cast<char>(m.LParam);
    if (!KeyboardOpen(key, false) && key != '-') win::MessageBeep(0);
    m.Result = 1;
    return;
  }
  if (m.Msg == vcl::CM_HINTSHOW && m.LParam) {
    // One hint per item: its text, for as long as the pointer stays on it.
    m.Result = view_->HandleHintShowMessage(*reinterpret_cast<vcl::THintInfo*>(m.LParam)) ? 0 : 1;
    return;
  }
  if (m.Msg == vcl::CM_DIALOGKEY && m.WParam == win::VK_MENU && menuBar_ && CanFocus())
    view_->SetAccelsVisibility(true);
  if (m.Msg == win::WM_GETOBJECT &&
      (m.Result = view_->HandleWMGetObject(static_cast<long>(m.LParam))))
    return;
  switch (m.Msg) {
    case win::WM_SETTINGCHANGE:
      if (m.WParam == win::SPI_SETNONCLIENTMETRICS) {
        LoadToolbarSystemFont(*toolbarSystemFont_);
        FontChangedRearrange();
      }
      break;
    case vcl::CM_FONTCHANGED:
      if (!systemFont_) FontChangedRearrange();
      break;
    case win::WM_MOUSELEAVE:
      // A pointer gone elsewhere leaves no item hot; the menu loop keeps its own selection.
      if (!view_->InModalLoop()) view_->Select(nullptr, true);
      break;
    case win::WM_CANCELMODE:
      TDKCustomDockableWindow::WndProc(m);
      view_->CancelMode();
      return;
    case win::WM_SETCURSOR:
      if (static_cast<int>(win::LOWORD(m.LParam)) == win::HTCLIENT &&
          reinterpret_cast<win::HWND>(m.WParam) == Handle()) {
        SetCursorFromViewer();
        m.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  if (m.Msg == vcl::CM_CONTROLLISTCHANGE) {
    auto* c = reinterpret_cast<vcl::TControl*>(m.WParam);
    if (m.LParam && !(ComponentState() & (rtl::csLoading | rtl::csDestroying))) {
      if (!FindWrapper(c)) CreateWrapper(items_->Count(), c);
    } else if (!m.LParam && !(ComponentState() & rtl::csDestroying)) {
      while (TDKControlItem* w = FindWrapper(c)) delete w;
    }
  }
  TDKCustomDockableWindow::WndProc(m);
}

void TDKCustomToolbar::Paint() {
  vcl::TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(vcl::bsSolid);
  c->FillRect(ClientRect());
  view_->DrawSubitems(c);
}

void TDKCustomToolbar::SetCursorFromViewer() {
  POINT p{};
  win::GetCursorPos(&p);
  const vcl::TPoint c = ScreenToClient(vcl::TPoint{p.x, p.y});
  TDKItemViewer* v = view_->ViewerFromPoint(POINT{c.x, c.y});
  const win::HCURSOR cursor =
      v ? v->GetCursor(c.x - v->BoundsRect.left, c.y - v->BoundsRect.top) : nullptr;
  win::SetCursor(cursor ? cursor : win::LoadCursor(nullptr, win::IDC_ARROW));
}

void TDKCustomToolbar::MouseMove(vcl::TShiftState Shift, int X, int Y) {
  TDKCustomDockableWindow::MouseMove(Shift, X, Y);
  if (view_->InModalLoop()) return;
  // Told when the pointer leaves, to drop the hot item.
  CallTrackMouseEvent(Handle(), win::TME_LEAVE);
  TDKItemViewer* v = view_->ViewerFromPoint(POINT{X, Y});
  if (v && !(v->Item()->ItemStyle() & isSelectable)) v = nullptr;
  if (v != view_->Selected()) view_->Select(v, true);
  SetHint(v ? v->GetHintText() : std::string());
}

}  // namespace docking
