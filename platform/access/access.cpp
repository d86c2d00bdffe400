#include "platform/access/access.h"

#include <map>
#include <vector>

#include "platform/win/message.h"
#include "platform/win/window.h"

namespace acc {

namespace {

// GUI-thread state, as the platform's accessibility runtime keeps per process.
bool available = true;
win::LRESULT nextCookie = 1;
std::map<win::LRESULT, IAccessible*> handedOut;
int nextHook = 1;
std::vector<std::pair<int, WinEventProc>> hooks;

// The standard object of a plain window.
class TStdWindowObject : public TAccessibleBase {
 public:
  explicit TStdWindowObject(win::HWND Wnd) : wnd_(Wnd) {}

  HRESULT get_accParent(IAccessible** Parent) override {
    if (!Parent) return E_POINTER;
    *Parent = nullptr;
    const win::HWND p = win::GetParent(wnd_);
    if (!Live()) return E_FAIL;
    return p ? CreateStdAccessibleObject(p, OBJID_CLIENT, Parent) : S_FALSE;
  }
  HRESULT get_accChildCount(long* Count) override {
    if (!Count) return E_POINTER;
    if (!Live()) return E_FAIL;
    long n = 0;
    for (win::HWND c = win::GetWindow(wnd_, win::GW_CHILD); c;
         c = win::GetWindow(c, win::GW_HWNDNEXT))
      ++n;
    *Count = n;
    return S_OK;
  }
  HRESULT get_accChild(VARIANT, IAccessible** Result) override {
    if (Result) *Result = nullptr;
    return Live() ? S_FALSE : E_FAIL;
  }
  HRESULT get_accName(VARIANT Child, std::string* Name) override {
    if (!Name) return E_POINTER;
    if (HRESULT h = Check(Child); h != S_OK) return h;
    *Name = win::GetWindowText(wnd_);
    return S_OK;
  }
  HRESULT get_accValue(VARIANT Child, std::string*) override { return Unsupported(Child); }
  HRESULT get_accDescription(VARIANT Child, std::string*) override { return Unsupported(Child); }
  HRESULT get_accRole(VARIANT Child, VARIANT* Role) override {
    if (!Role) return E_POINTER;
    if (HRESULT h = Check(Child); h != S_OK) return h;
    *Role = ChildId(ROLE_SYSTEM_CLIENT);
    return S_OK;
  }
  HRESULT get_accState(VARIANT Child, VARIANT* State) override {
    if (!State) return E_POINTER;
    if (HRESULT h = Check(Child); h != S_OK) return h;
    long s = 0;
    if (!win::IsWindowVisible(wnd_)) s |= STATE_SYSTEM_INVISIBLE;
    if (!win::IsWindowEnabled(wnd_)) s |= STATE_SYSTEM_UNAVAILABLE;
    *State = ChildId(s);
    return S_OK;
  }
  HRESULT get_accHelp(VARIANT Child, std::string*) override { return Unsupported(Child); }
  HRESULT get_accKeyboardShortcut(VARIANT Child, std::string*) override {
    return Unsupported(Child);
  }
  HRESULT get_accFocus(VARIANT* Focus) override {
    if (Focus) *Focus = VARIANT{};
    return Live() ? S_FALSE : E_FAIL;
  }
  HRESULT get_accSelection(VARIANT* Selection) override { return get_accFocus(Selection); }
  HRESULT get_accDefaultAction(VARIANT Child, std::string*) override { return Unsupported(Child); }
  HRESULT accSelect(long, VARIANT Child) override {
    if (HRESULT h = Check(Child); h != S_OK) return h;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT accLocation(long* L, long* T, long* W, long* H, VARIANT Child) override {
    if (!L || !T || !W || !H) return E_POINTER;
    if (HRESULT h = Check(Child); h != S_OK) return h;
    win::RECT r{};
    win::GetWindowRect(wnd_, &r);
    *L = r.left, *T = r.top, *W = r.right - r.left, *H = r.bottom - r.top;
    return S_OK;
  }
  HRESULT accNavigate(long, VARIANT Start, VARIANT* End) override {
    if (End) *End = VARIANT{};
    if (HRESULT h = Check(Start); h != S_OK) return h;
    return S_FALSE;
  }
  HRESULT accHitTest(long X, long Y, VARIANT* Child) override {
    if (!Child) return E_POINTER;
    *Child = VARIANT{};
    if (!Live()) return E_FAIL;
    win::RECT r{};
    win::GetWindowRect(wnd_, &r);
    if (X < r.left || Y < r.top || X >= r.right || Y >= r.bottom) return S_FALSE;
    *Child = ChildId(CHILDID_SELF);
    return S_OK;
  }
  HRESULT accDoDefaultAction(VARIANT Child) override { return Unsupported(Child); }

 private:
  bool Live() const { return !Disconnected() && win::IsWindow(wnd_); }
  HRESULT Check(const VARIANT& Child) const {
    if (Disconnected()) return CO_E_OBJNOTCONNECTED;
    if (!win::IsWindow(wnd_)) return E_FAIL;
    return Child.vt == VT_I4 && Child.lVal == CHILDID_SELF ? S_OK : E_INVALIDARG;
  }
  HRESULT Unsupported(const VARIANT& Child) const {
    const HRESULT h = Check(Child);
    return h == S_OK ? S_FALSE : h;
  }
  win::HWND wnd_;
};

}  // namespace

void VariantClear(VARIANT* v) {
  if (v && v->vt == VT_DISPATCH && v->pdispVal) v->pdispVal->Release();
  if (v) *v = VARIANT{};
}

unsigned long TAccessibleBase::Release() {
  const unsigned long n = --refs_;
  if (n == 0) delete this;
  return n;
}

bool LibraryAvailable() {
  return available;
}

void SetLibraryAvailable(bool Value) {
  available = Value;
}

HRESULT CreateStdAccessibleObject(win::HWND Wnd, long, IAccessible** Result) {
  if (!Result) return E_POINTER;
  *Result = nullptr;
  if (!available) return E_FAIL;
  if (!win::IsWindow(Wnd)) return E_INVALIDARG;
  *Result = new TStdWindowObject(Wnd);
  return S_OK;
}

HRESULT AccessibleObjectFromWindow(win::HWND Wnd, long ObjectId, IAccessible** Result) {
  if (!Result) return E_POINTER;
  *Result = nullptr;
  if (!available) return E_FAIL;
  if (!win::IsWindow(Wnd)) return E_INVALIDARG;
  const win::LRESULT r =
      win::SendMessage(Wnd, win::WM_GETOBJECT, 0, static_cast<win::LPARAM>(ObjectId));
  if (r > 0) return ObjectFromLresult(r, Result);
  return CreateStdAccessibleObject(Wnd, ObjectId, Result);
}

win::LRESULT LresultFromObject(IAccessible* Object) {
  if (!available || !Object) return 0;
  Object->AddRef();
  const win::LRESULT cookie = nextCookie++;
  handedOut[cookie] = Object;
  return cookie;
}

HRESULT ObjectFromLresult(win::LRESULT Result, IAccessible** Object) {
  if (!Object) return E_POINTER;
  *Object = nullptr;
  auto it = handedOut.find(Result);
  if (it == handedOut.end()) return E_INVALIDARG;
  *Object = it->second;  // the reference taken by LresultFromObject passes to the client
  handedOut.erase(it);
  return S_OK;
}

HRESULT CoDisconnectObject(IAccessible* Object) {
  auto* base = dynamic_cast<TAccessibleBase*>(Object);
  if (!base) return E_INVALIDARG;
  base->Disconnect();
  return S_OK;
}

int SetWinEventHook(WinEventProc Proc) {
  hooks.emplace_back(nextHook, std::move(Proc));
  return nextHook++;
}

void UnhookWinEvent(int Hook) {
  std::erase_if(hooks, [Hook](const auto& h) { return h.first == Hook; });
}

void NotifyWinEvent(unsigned Event, win::HWND Wnd, long ObjectId, long ChildId) {
  if (!available) return;
  const auto copy = hooks;
  for (const auto& h : copy) h.second(Event, Wnd, ObjectId, ChildId);
}

}  // namespace acc
