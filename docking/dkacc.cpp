// Accessibility objects of views and item viewers: what a screen reader learns of the buttons
// and menu rows the toolbars draw themselves, and the events of menus opening and closing.
#include "docking/dkacc.h"

#include <mutex>
#include <set>

#include "docking/dkcommon.h"
#include "docking/dkpopup.h"
#include "platform/win/input.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"

namespace docking {

using namespace acc;

namespace {

// Every live object, so that shutting down can cut all of them off from their clients.
std::mutex liveLock;
std::set<TDKCustomAccObject*>& Live() {
  static std::set<TDKCustomAccObject*> live;
  return live;
}

bool IsSelf(const VARIANT& v) {
  return v.vt == VT_I4 && v.lVal == CHILDID_SELF;
}

VARIANT Dispatch(IAccessible* Obj) {
  if (!Obj) return VARIANT{};
  Obj->AddRef();
  return VARIANT{VT_DISPATCH, 0, Obj};
}

POINT ScreenTopLeft(vcl::TWinControl* W, const RECT& R) {
  const vcl::TPoint p = W->ClientToScreen(vcl::TPoint{R.left, R.top});
  return POINT{p.x, p.y};
}

}  // namespace

// ------------------------------------------------------------------ base

TDKCustomAccObject::TDKCustomAccObject() {
  std::lock_guard lock(liveLock);
  Live().insert(this);
}

TDKCustomAccObject::~TDKCustomAccObject() {
  std::lock_guard lock(liveLock);
  Live().erase(this);
}

int DKAccLiveObjects() {
  std::lock_guard lock(liveLock);
  return static_cast<int>(Live().size());
}

void DKAccShutdown() {
  // A copy holding references: objects freed meanwhile unlink themselves under the lock, so the
  // disconnection runs outside it.
  std::vector<TDKCustomAccObject*> all;
  {
    std::lock_guard lock(liveLock);
    for (TDKCustomAccObject* o : Live()) {
      o->AddRef();
      all.push_back(o);
    }
  }
  for (TDKCustomAccObject* o : all) {
    CoDisconnectObject(o);
    o->Release();
  }
}

void DKAccClientDestroying(IAccessible*& Obj) {
  if (!Obj) return;
  static_cast<TDKCustomAccObject*>(Obj)->ClientIsDestroying();
  Obj->Release();
  Obj = nullptr;
}

// Default answers shared by both kinds of object.
HRESULT TDKCustomAccObject::Unsupported(const VARIANT& Child) {
  const HRESULT h = Check(Child);
  return h == S_OK ? S_FALSE : h;
}

// ------------------------------------------------------------------ view object

HRESULT TDKViewAccObject::Check(const VARIANT& Child) {
  if (Disconnected()) return CO_E_OBJNOTCONNECTED;
  if (!view_) return E_FAIL;
  return IsSelf(Child) ? S_OK : E_INVALIDARG;
}

HRESULT TDKViewAccObject::get_accParent(IAccessible** Parent) {
  if (!Parent) return E_POINTER;
  *Parent = nullptr;
  if (HRESULT h = Check(ChildId(0)); h != S_OK) return h;
  TDKView* pv = view_->ParentView();
  if (view_->IsPopupView() && pv && pv->OpenViewer()) {
    *Parent = pv->OpenViewer()->GetAccObject();
    if (*Parent) (*Parent)->AddRef();
    return *Parent ? S_OK : S_FALSE;
  }
  return CreateStdAccessibleObject(view_->Window()->Handle(), OBJID_WINDOW, Parent);
}

HRESULT TDKViewAccObject::get_accChildCount(long* Count) {
  if (!Count) return E_POINTER;
  if (HRESULT h = Check(ChildId(0)); h != S_OK) return h;
  long n = 0;
  for (int i = 0; i < view_->ViewerCount(); ++i)
    if (view_->Viewers(i)->IsAccessible()) ++n;
  *Count = n;
  return S_OK;
}

HRESULT TDKViewAccObject::get_accChild(VARIANT Child, IAccessible** Result) {
  if (!Result) return E_POINTER;
  *Result = nullptr;
  if (Disconnected()) return CO_E_OBJNOTCONNECTED;
  if (!view_) return E_FAIL;
  if (Child.vt != VT_I4) return E_INVALIDARG;
  TDKItemViewer* v = view_->AccChild(Child.lVal);
  if (!v) return E_INVALIDARG;  // out of range
  if (auto* ci = dynamic_cast<TDKControlItem*>(v->Item())) {
    auto* w = dynamic_cast<vcl::TWinControl*>(ci->Control());
    if (w && w->HandleAllocated())
      return CreateStdAccessibleObject(w->Handle(), OBJID_WINDOW, Result);
  }
  *Result = v->GetAccObject();
  if (*Result) (*Result)->AddRef();
  return *Result ? S_OK : E_FAIL;
}

HRESULT TDKViewAccObject::get_accName(VARIANT Child, std::string* Name) {
  if (!Name) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  TDKView* pv = view_->ParentView();
  if (view_->IsPopupView() && pv && pv->OpenViewer())
    *Name = StripAccelChars(pv->OpenViewer()->GetCaptionText());
  else
    *Name = view_->Window()->Text();  // also a popup menu of its own, which has no parent view
  return S_OK;
}

HRESULT TDKViewAccObject::get_accRole(VARIANT Child, VARIANT* Role) {
  if (!Role) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  *Role = ChildId(view_->IsPopupView() ? ROLE_SYSTEM_MENUPOPUP
                  : view_->IsMenuBar() ? ROLE_SYSTEM_MENUBAR
                                       : ROLE_SYSTEM_TOOLBAR);
  return S_OK;
}

HRESULT TDKViewAccObject::get_accState(VARIANT Child, VARIANT* State) {
  if (!State) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  long s = 0;
  if (!view_->Window()->Showing()) s |= STATE_SYSTEM_INVISIBLE;
  *State = ChildId(s);
  return S_OK;
}

HRESULT TDKViewAccObject::accNavigate(long Direction, VARIANT Start, VARIANT* End) {
  if (!End) return E_POINTER;
  *End = VARIANT{};
  if (HRESULT h = Check(Start); h != S_OK) return h;
  long count = 0;
  get_accChildCount(&count);
  if (count == 0 || (Direction != NAVDIR_FIRSTCHILD && Direction != NAVDIR_LASTCHILD))
    return S_FALSE;
  TDKItemViewer* v = view_->AccChild(Direction == NAVDIR_FIRSTCHILD ? 1 : count);
  *End = Dispatch(v ? v->GetAccObject() : nullptr);
  return End->vt == VT_DISPATCH ? S_OK : S_FALSE;
}

HRESULT TDKViewAccObject::accHitTest(long X, long Y, VARIANT* Child) {
  if (!Child) return E_POINTER;
  *Child = VARIANT{};
  if (HRESULT h = Check(ChildId(0)); h != S_OK) return h;
  vcl::TWinControl* w = view_->Window();
  RECT r{};
  win::GetWindowRect(w->Handle(), &r);
  if (X < r.left || Y < r.top || X >= r.right || Y >= r.bottom) return S_FALSE;
  const win::HWND under = win::WindowFromPoint(POINT{static_cast<int>(X), static_cast<int>(Y)});
  if (under && under != w->Handle() && win::IsChild(w->Handle(), under)) {
    IAccessible* o = nullptr;
    CreateStdAccessibleObject(under, OBJID_WINDOW, &o);
    *Child = VARIANT{VT_DISPATCH, 0, o};
    return S_OK;
  }
  const vcl::TPoint c = w->ScreenToClient(vcl::TPoint{static_cast<int>(X), static_cast<int>(Y)});
  if (TDKItemViewer* v = view_->ViewerFromPoint(POINT{c.x, c.y})) {
    *Child = Dispatch(v->GetAccObject());
    return S_OK;
  }
  *Child = ChildId(CHILDID_SELF);
  return S_OK;
}

HRESULT TDKViewAccObject::accLocation(long* L, long* T, long* W, long* H, VARIANT Child) {
  if (!L || !T || !W || !H) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  RECT r{};
  win::GetWindowRect(view_->Window()->Handle(), &r);
  *L = r.left, *T = r.top, *W = r.right - r.left, *H = r.bottom - r.top;
  return S_OK;
}

HRESULT TDKViewAccObject::accSelect(long, VARIANT Child) {
  const HRESULT h = Check(Child);
  return h == S_OK ? DISP_E_MEMBERNOTFOUND : h;
}

HRESULT TDKViewAccObject::get_accFocus(VARIANT* Focus) {
  if (Focus) *Focus = VARIANT{};
  return Unsupported(ChildId(0));
}

// ------------------------------------------------------------------ viewer object

HRESULT TDKItemViewerAccObject::Check(const VARIANT& Child) {
  if (Disconnected()) return CO_E_OBJNOTCONNECTED;
  if (!viewer_) return E_FAIL;
  return IsSelf(Child) ? S_OK : E_INVALIDARG;
}

bool TDKItemViewerAccObject::IsAvailable() const {
  const TDKCustomItem* it = viewer_->Item();
  return it->Enabled() && (it->ItemStyle() & isSelectable);
}

bool TDKItemViewerAccObject::IsActionable() const {
  return viewer_->IsAccessible() && IsAvailable();
}

bool TDKItemViewerAccObject::IsFocusable() const {
  TDKView* v = viewer_->View();
  vcl::TWinControl* w = v->Window();
  if (!w || !w->HandleAllocated() || !win::IsWindowVisible(w->Handle())) return false;
  for (vcl::TWinControl* p = w; p; p = p->Parent())
    if (!p->Enabled()) return false;
  if (v->InModalLoop()) return true;
  const win::HWND active = win::GetActiveWindow();
  return active && (active == w->Handle() || win::IsChild(active, w->Handle()));
}

HRESULT TDKItemViewerAccObject::get_accParent(IAccessible** Parent) {
  if (!Parent) return E_POINTER;
  *Parent = nullptr;
  if (Disconnected()) return CO_E_OBJNOTCONNECTED;
  if (!viewer_) return E_FAIL;
  *Parent = viewer_->View()->GetAccObject();
  if (*Parent) (*Parent)->AddRef();
  return *Parent ? S_OK : E_FAIL;
}

HRESULT TDKItemViewerAccObject::get_accChildCount(long* Count) {
  if (!Count) return E_POINTER;
  if (HRESULT h = Check(ChildId(0)); h != S_OK) return h;
  *Count = viewer_->View()->OpenViewer() == viewer_ ? 1 : 0;
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accChild(VARIANT Child, IAccessible** Result) {
  if (!Result) return E_POINTER;
  *Result = nullptr;
  if (Disconnected()) return CO_E_OBJNOTCONNECTED;
  if (!viewer_) return E_FAIL;
  TDKView* v = viewer_->View();
  // Child 1 is the popup open from this viewer, while it is open.
  if (Child.vt == VT_I4 && Child.lVal == 1 && v->OpenViewer() == viewer_ && v->OpenViewerView()) {
    *Result = v->OpenViewerView()->GetAccObject();
  } else if (IsSelf(Child)) {
    *Result = this;
  } else {
    return E_INVALIDARG;
  }
  if (*Result) (*Result)->AddRef();
  return *Result ? S_OK : E_FAIL;
}

HRESULT TDKItemViewerAccObject::get_accName(VARIANT Child, std::string* Name) {
  if (!Name) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  *Name = StripAccelChars(viewer_->GetCaptionText());
  const std::string sc = viewer_->Item()->GetShortCutText();
  if (!viewer_->IsToolbarStyle() && !sc.empty()) *Name += "\t" + sc;
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accRole(VARIANT Child, VARIANT* Role) {
  if (!Role) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  *Role = ChildId(viewer_->GetAccRole());
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accValue(VARIANT Child, std::string* Value) {
  if (!Value) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  return viewer_->GetAccValue(*Value) ? S_OK : S_FALSE;
}

HRESULT TDKItemViewerAccObject::get_accState(VARIANT Child, VARIANT* State) {
  if (!State) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  TDKView* v = viewer_->View();
  TDKCustomItem* it = viewer_->Item();
  long s = 0;
  if (v->Selected() == viewer_) {
    s |= STATE_SYSTEM_HOTTRACKED;
    if (v->InModalLoop()) s |= STATE_SYSTEM_FOCUSED;
    if (v->HasCapture() && v->MouseInsideSelected()) s |= STATE_SYSTEM_PRESSED;
  }
  if (it->ItemStyle() & isSubmenu) s |= STATE_SYSTEM_HASPOPUP;
  if (viewer_->Show || viewer_->Clipped) {
    if (IsFocusable()) s |= STATE_SYSTEM_FOCUSABLE;
  } else {
    s |= STATE_SYSTEM_INVISIBLE;
  }
  if (!IsAvailable()) s |= STATE_SYSTEM_UNAVAILABLE;
  if (it->Checked()) s |= STATE_SYSTEM_CHECKED;
  *State = ChildId(s);
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accDefaultAction(VARIANT Child, std::string* Action) {
  if (!Action) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  if (!IsActionable()) return S_FALSE;
  TDKView* v = viewer_->View();
  if (v->OpenViewer() == viewer_)
    *Action = "Close";
  else if (viewer_->Item()->ItemStyle() & isSubmenu)
    *Action = "Open";
  else if (v->IsPopupView() || v->IsMenuBar())
    *Action = "Execute";
  else
    *Action = "Press";
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accKeyboardShortcut(VARIANT Child, std::string* Shortcut) {
  if (!Shortcut) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  const char c = FindAccelChar(viewer_->GetCaptionText());
  if (!c) return S_FALSE;
  const std::string key(1, static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (viewer_->View()->IsPopupView()) {
    *Shortcut = key;
  } else {
    // The Alt key as this keyboard names it.
    const std::string alt = win::KeyName(win::VK_MENU);
    *Shortcut = (alt.empty() ? "Alt" : alt) + "+" + key;
  }
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accFocus(VARIANT* Focus) {
  if (!Focus) return E_POINTER;
  *Focus = VARIANT{};
  if (Disconnected()) return CO_E_OBJNOTCONNECTED;
  if (!viewer_) return E_FAIL;
  if (!viewer_->View()->InModalLoop() || viewer_->View()->Selected() != viewer_) return S_FALSE;
  *Focus = ChildId(CHILDID_SELF);
  return S_OK;
}

HRESULT TDKItemViewerAccObject::accLocation(long* L, long* T, long* W, long* H, VARIANT Child) {
  if (!L || !T || !W || !H) return E_POINTER;
  if (HRESULT h = Check(Child); h != S_OK) return h;
  const RECT r = viewer_->BoundsRect;
  const POINT p = ScreenTopLeft(viewer_->View()->Window(), r);
  *L = p.x, *T = p.y, *W = r.right - r.left, *H = r.bottom - r.top;
  return S_OK;
}

HRESULT TDKItemViewerAccObject::accHitTest(long X, long Y, VARIANT* Child) {
  if (!Child) return E_POINTER;
  *Child = VARIANT{};
  if (HRESULT h = Check(ChildId(0)); h != S_OK) return h;
  long l, t, w, hgt;
  accLocation(&l, &t, &w, &hgt, ChildId(0));
  if (X < l || Y < t || X >= l + w || Y >= t + hgt) return S_FALSE;
  *Child = ChildId(CHILDID_SELF);
  return S_OK;
}

HRESULT TDKItemViewerAccObject::accNavigate(long Direction, VARIANT Start, VARIANT* End) {
  if (!End) return E_POINTER;
  *End = VARIANT{};
  if (HRESULT h = Check(Start); h != S_OK) return h;
  TDKView* v = viewer_->View();
  TDKItemViewer* to = nullptr;
  switch (Direction) {
    case NAVDIR_FIRSTCHILD:
    case NAVDIR_LASTCHILD:
      if (v->OpenViewer() == viewer_ && v->OpenViewerView()) {
        *End = Dispatch(v->OpenViewerView()->GetAccObject());
        return S_OK;
      }
      return S_FALSE;
    case NAVDIR_UP:
    case NAVDIR_LEFT:
    case NAVDIR_PREVIOUS:
      for (int i = v->IndexOf(viewer_) - 1; i >= 0 && !to; --i)
        if (v->Viewers(i)->IsAccessible()) to = v->Viewers(i);
      break;
    case NAVDIR_DOWN:
    case NAVDIR_RIGHT:
    case NAVDIR_NEXT:
      for (int i = v->IndexOf(viewer_) + 1; i < v->ViewerCount() && !to; ++i)
        if (v->Viewers(i)->IsAccessible()) to = v->Viewers(i);
      break;
    default:
      break;
  }
  if (!to) return S_FALSE;
  *End = Dispatch(to->GetAccObject());
  return S_OK;
}

HRESULT TDKItemViewerAccObject::accDoDefaultAction(VARIANT Child) {
  if (HRESULT h = Check(Child); h != S_OK) return h;
  if (!IsActionable()) return S_FALSE;
  TDKView* v = viewer_->View();
  if (v->OpenViewer() == viewer_) {
    v->CancelChildPopups();
    TDKView* root = v->GetRootView();
    if (root->InModalLoop() && !root->IsPopupView()) root->EndModal();
    return S_OK;
  }
  v->Select(viewer_, false);
  v->ScrollSelectedIntoView();
  // The command runs after this call has returned to the client.
  detail::PostAccSelect(viewer_, true);
  return S_OK;
}

HRESULT TDKItemViewerAccObject::accSelect(long Flags, VARIANT Child) {
  if (HRESULT h = Check(Child); h != S_OK) return h;
  if (!(Flags & SELFLAG_TAKEFOCUS)) return S_OK;
  if (!IsFocusable() || !(viewer_->Show || viewer_->Clipped)) return S_FALSE;
  TDKView* v = viewer_->View();
  v->Select(viewer_, false);
  v->ScrollSelectedIntoView();
  if (!v->ParentView() && !v->InModalLoop()) detail::PostAccSelect(viewer_, false);
  return S_OK;
}

// ------------------------------------------------------------------ views and viewers

acc::IAccessible* TDKView::GetAccObject() {
  if (!accObject_ && acc::LibraryAvailable()) accObject_ = new TDKViewAccObject(this);
  return accObject_;
}

win::LRESULT TDKView::HandleWMGetObject(long ObjectId) {
  if (ObjectId != OBJID_CLIENT) return 0;
  IAccessible* o = GetAccObject();
  return o ? acc::LresultFromObject(o) : 0;
}

int TDKView::AccChildNumber(const TDKItemViewer* Viewer) const {
  int n = 0;
  for (int i = 0; i < ViewerCount(); ++i) {
    if (Viewers(i)->IsAccessible()) ++n;
    if (Viewers(i) == Viewer) return Viewer->IsAccessible() ? n : 0;
  }
  return 0;
}

TDKItemViewer* TDKView::AccChild(int Number) const {
  if (Number < 1) return nullptr;
  int n = 0;
  for (int i = 0; i < ViewerCount(); ++i)
    if (Viewers(i)->IsAccessible() && ++n == Number) return Viewers(i);
  return nullptr;
}

void TDKView::NotifyFocusEvent() {
  TDKView* root = GetRootView();
  if (!inModalLoop_ || !root->inModalLoop_ || IsModalEnding() || !window_ ||
      !window_->HandleAllocated() || !win::IsWindowVisible(window_->Handle()))
    return;
  if (selected_ && selected_->IsAccessible()) {
    acc::NotifyWinEvent(EVENT_OBJECT_FOCUS, window_->Handle(), OBJID_CLIENT,
                        AccChildNumber(selected_));
  } else if (parentView_) {
    parentView_->NotifyFocusEvent();
  } else {
    acc::NotifyWinEvent(EVENT_OBJECT_FOCUS, window_->Handle(), OBJID_CLIENT, CHILDID_SELF);
  }
}

acc::IAccessible* TDKItemViewer::GetAccObject() {
  if (!accObject_ && acc::LibraryAvailable()) accObject_ = new TDKItemViewerAccObject(this);
  return accObject_;
}

void TDKItemViewer::HandleAccSelect(bool Execute) {
  TDKItemViewerAccObject* o = static_cast<TDKItemViewerAccObject*>(GetAccObject());
  if (!o || (Execute ? !o->IsActionable() : !o->IsFocusable())) return;
  TDKView* v = view_;
  v->Select(this, false);
  v->ScrollSelectedIntoView();
  if (v->InModalLoop()) {
    if (Execute) v->ExecuteSelected(false);
  } else if (!v->ParentView() && !win::GetCapture()) {
    v->EnterToolbarLoop(TDKView::tlNoPriority | (Execute ? TDKView::tlExecuteSelected : 0u));
  }
}

}  // namespace docking
