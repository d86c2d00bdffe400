#pragma once
// Accessibility for screen readers, in-process: objects shaped after the platform's IAccessible
// interface (reference counted, HRESULT-like answers, variant child ids), the lookup of a
// window's object through WM_GETOBJECT, a standard object for plain windows, accessibility
// events with in-process hooks for clients, and the disconnection of objects whose provider
// goes away. The library may be switched off, as if it were missing from the system.
#include <functional>
#include <string>

#include "platform/win/types.h"

namespace acc {

using HRESULT = long;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT CO_E_OBJNOTCONNECTED = static_cast<HRESULT>(0x800401FDu);

constexpr long OBJID_WINDOW = 0;
constexpr long OBJID_CLIENT = -4;
constexpr long CHILDID_SELF = 0;

enum : unsigned {
  EVENT_SYSTEM_MENUSTART = 4,
  EVENT_SYSTEM_MENUEND = 5,
  EVENT_SYSTEM_MENUPOPUPSTART = 6,
  EVENT_SYSTEM_MENUPOPUPEND = 7,
  EVENT_OBJECT_FOCUS = 0x8005
};
enum : long {
  ROLE_SYSTEM_MENUBAR = 2,
  ROLE_SYSTEM_WINDOW = 9,
  ROLE_SYSTEM_CLIENT = 10,
  ROLE_SYSTEM_MENUPOPUP = 11,
  ROLE_SYSTEM_MENUITEM = 12,
  ROLE_SYSTEM_SEPARATOR = 21,
  ROLE_SYSTEM_TOOLBAR = 22,
  ROLE_SYSTEM_PUSHBUTTON = 43,
  ROLE_SYSTEM_BUTTONMENU = 57
};
enum : long {
  STATE_SYSTEM_UNAVAILABLE = 0x1,
  STATE_SYSTEM_FOCUSED = 0x4,
  STATE_SYSTEM_PRESSED = 0x8,
  STATE_SYSTEM_CHECKED = 0x10,
  STATE_SYSTEM_HOTTRACKED = 0x80,
  STATE_SYSTEM_INVISIBLE = 0x8000,
  STATE_SYSTEM_FOCUSABLE = 0x100000,
  STATE_SYSTEM_HASPOPUP = 0x40000000
};
enum : long {
  NAVDIR_UP = 1,
  NAVDIR_DOWN = 2,
  NAVDIR_LEFT = 3,
  NAVDIR_RIGHT = 4,
  NAVDIR_NEXT = 5,
  NAVDIR_PREVIOUS = 6,
  NAVDIR_FIRSTCHILD = 7,
  NAVDIR_LASTCHILD = 8
};
constexpr long SELFLAG_TAKEFOCUS = 1;

class IAccessible;

enum VarType : unsigned short { VT_EMPTY = 0, VT_I4 = 3, VT_DISPATCH = 9 };
// A child id or an answer: empty, a number, or an object (holding one reference).
struct VARIANT {
  VarType vt = VT_EMPTY;
  long lVal = 0;
  IAccessible* pdispVal = nullptr;
};
inline VARIANT ChildId(long n) {
  return VARIANT{VT_I4, n, nullptr};
}
// Drops the reference an object answer holds.
void VariantClear(VARIANT* v);

class IAccessible {
 public:
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;
  virtual HRESULT get_accParent(IAccessible** Parent) = 0;
  virtual HRESULT get_accChildCount(long* Count) = 0;
  virtual HRESULT get_accChild(VARIANT Child, IAccessible** Result) = 0;
  virtual HRESULT get_accName(VARIANT Child, std::string* Name) = 0;
  virtual HRESULT get_accValue(VARIANT Child, std::string* Value) = 0;
  virtual HRESULT get_accDescription(VARIANT Child, std::string* Description) = 0;
  virtual HRESULT get_accRole(VARIANT Child, VARIANT* Role) = 0;
  virtual HRESULT get_accState(VARIANT Child, VARIANT* State) = 0;
  virtual HRESULT get_accHelp(VARIANT Child, std::string* Help) = 0;
  virtual HRESULT get_accKeyboardShortcut(VARIANT Child, std::string* Shortcut) = 0;
  virtual HRESULT get_accFocus(VARIANT* Focus) = 0;
  virtual HRESULT get_accSelection(VARIANT* Selection) = 0;
  virtual HRESULT get_accDefaultAction(VARIANT Child, std::string* Action) = 0;
  virtual HRESULT accSelect(long Flags, VARIANT Child) = 0;
  virtual HRESULT accLocation(long* Left, long* Top, long* Width, long* Height, VARIANT Child) = 0;
  virtual HRESULT accNavigate(long Direction, VARIANT Start, VARIANT* End) = 0;
  virtual HRESULT accHitTest(long X, long Y, VARIANT* Child) = 0;
  virtual HRESULT accDoDefaultAction(VARIANT Child) = 0;

 protected:
  virtual ~IAccessible() = default;
};

// Reference counting and the disconnected state (every call then answers
// CO_E_OBJNOTCONNECTED, as a proxy whose object went away would).
class TAccessibleBase : public IAccessible {
 public:
  unsigned long AddRef() override { return ++refs_; }
  unsigned long Release() override;
  bool Disconnected() const { return disconnected_; }
  void Disconnect() { disconnected_ = true; }

 protected:
  TAccessibleBase() = default;
  unsigned long refs_ = 1;  // the creator's reference

 private:
  bool disconnected_ = false;
};

// Whether the library is there (tests switch it off; everything else must go on working).
bool LibraryAvailable();
void SetLibraryAvailable(bool Value);

// A window's object: its answer to WM_GETOBJECT, else the standard object of the window.
HRESULT AccessibleObjectFromWindow(win::HWND Wnd, long ObjectId, IAccessible** Result);
// The standard object of a plain window: client role, its text as name, its rectangle.
HRESULT CreateStdAccessibleObject(win::HWND Wnd, long ObjectId, IAccessible** Result);
// A provider's answer to WM_GETOBJECT (holds a reference until the client takes it), and the
// client's side; 0 when the library is missing.
win::LRESULT LresultFromObject(IAccessible* Object);
HRESULT ObjectFromLresult(win::LRESULT Result, IAccessible** Object);
// Cuts the object off from its clients.
HRESULT CoDisconnectObject(IAccessible* Object);

// Events, delivered to in-process hooks (none when the library is missing).
using WinEventProc =
    std::function<void(unsigned Event, win::HWND Wnd, long ObjectId, long ChildId)>;
int SetWinEventHook(WinEventProc Proc);
void UnhookWinEvent(int Hook);
void NotifyWinEvent(unsigned Event, win::HWND Wnd, long ObjectId, long ChildId);

}  // namespace acc
