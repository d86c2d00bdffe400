// The accessibility library stand-in: lookups through WM_GETOBJECT, standard window objects,
// reference passing, events and the missing-library switch.
#include <gtest/gtest.h>

#include "platform/access/access.h"
#include "platform/win/defproc.h"
#include "platform/win/system.h"
#include "platform/win/window.h"

namespace {

using namespace acc;

// A provider object that counts its references and says its name.
class Named : public TAccessibleBase {
 public:
  explicit Named(int* alive) : alive_(alive) { ++*alive_; }
  ~Named() override { --*alive_; }
  unsigned long Refs() const { return refs_; }
  HRESULT get_accParent(IAccessible** p) override { return *p = nullptr, S_FALSE; }
  HRESULT get_accChildCount(long* n) override { return *n = 0, S_OK; }
  HRESULT get_accChild(VARIANT, IAccessible** r) override { return *r = nullptr, E_INVALIDARG; }
  HRESULT get_accName(VARIANT, std::string* s) override {
    if (Disconnected()) return CO_E_OBJNOTCONNECTED;
    *s = "provider";
    return S_OK;
  }
  HRESULT get_accValue(VARIANT, std::string*) override { return S_FALSE; }
  HRESULT get_accDescription(VARIANT, std::string*) override { return S_FALSE; }
  HRESULT get_accRole(VARIANT, VARIANT* r) override {
    return *r = ChildId(ROLE_SYSTEM_TOOLBAR), S_OK;
  }
  HRESULT get_accState(VARIANT, VARIANT* r) override { return *r = ChildId(0), S_OK; }
  HRESULT get_accHelp(VARIANT, std::string*) override { return S_FALSE; }
  HRESULT get_accKeyboardShortcut(VARIANT, std::string*) override { return S_FALSE; }
  HRESULT get_accFocus(VARIANT* v) override { return *v = VARIANT{}, S_FALSE; }
  HRESULT get_accSelection(VARIANT* v) override { return *v = VARIANT{}, S_FALSE; }
  HRESULT get_accDefaultAction(VARIANT, std::string*) override { return S_FALSE; }
  HRESULT accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT accLocation(long*, long*, long*, long*, VARIANT) override { return S_FALSE; }
  HRESULT accNavigate(long, VARIANT, VARIANT* v) override { return *v = VARIANT{}, S_FALSE; }
  HRESULT accHitTest(long, long, VARIANT* v) override { return *v = VARIANT{}, S_FALSE; }
  HRESULT accDoDefaultAction(VARIANT) override { return S_FALSE; }

 private:
  int* alive_;
};

class Access : public ::testing::Test {
 protected:
  void SetUp() override {
    win::Initialize();
    win::WNDCLASS wc;
    wc.lpfnWndProc = [this](win::HWND h, win::UINT m, win::WPARAM w,
                            win::LPARAM l) -> win::LRESULT {
      if (m == win::WM_GETOBJECT && provider && static_cast<long>(l) == OBJID_CLIENT)
        return LresultFromObject(provider);
      return win::DefWindowProc(h, m, w, l);
    };
    wc.lpszClassName = "AccessTest";
    win::RegisterClass(&wc);
  }
  void TearDown() override {
    SetLibraryAvailable(true);
    win::Shutdown();
  }
  Named* provider = nullptr;
};

TEST_F(Access, AWindowsObjectComesFromItsProviderOrIsTheStandardOne) {
  int alive = 0;
  const win::HWND w = win::CreateWindowEx(0, "AccessTest", "Log window", win::WS_POPUP, 10, 20, 300,
                                          200, nullptr, 0, nullptr);
  IAccessible* o = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(w, OBJID_CLIENT, &o), S_OK);
  std::string name;
  VARIANT role;
  EXPECT_EQ(o->get_accName(ChildId(0), &name), S_OK);
  EXPECT_EQ(name, "Log window");
  EXPECT_EQ(o->get_accRole(ChildId(0), &role), S_OK);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_CLIENT);
  long l, t, wd, h;
  EXPECT_EQ(o->accLocation(&l, &t, &wd, &h, ChildId(0)), S_OK);
  EXPECT_EQ((std::vector<long>{l, t, wd, h}), (std::vector<long>{10, 20, 300, 200}));
  EXPECT_EQ(o->get_accName(ChildId(3), &name), E_INVALIDARG);
  o->Release();

  provider = new Named(&alive);
  ASSERT_EQ(AccessibleObjectFromWindow(w, OBJID_CLIENT, &o), S_OK);
  EXPECT_EQ(o, provider);
  EXPECT_EQ(provider->Refs(), 2u);  // the provider's and the client's
  EXPECT_EQ(o->get_accName(ChildId(0), &name), S_OK);
  EXPECT_EQ(name, "provider");
  // Cut off: the client's calls fail, the object lives until its last reference goes.
  CoDisconnectObject(provider);
  EXPECT_EQ(o->get_accName(ChildId(0), &name), CO_E_OBJNOTCONNECTED);
  o->Release();
  EXPECT_EQ(alive, 1);
  provider->Release();
  provider = nullptr;
  EXPECT_EQ(alive, 0);
  // The standard object of a window that went away.
  ASSERT_EQ(CreateStdAccessibleObject(w, OBJID_CLIENT, &o), S_OK);
  win::DestroyWindow(w);
  EXPECT_EQ(o->get_accName(ChildId(0), &name), E_FAIL);
  o->Release();
  // A cookie is taken once.
  EXPECT_EQ(ObjectFromLresult(12345, &o), E_INVALIDARG);
}

TEST_F(Access, EventsReachHooksUnlessTheLibraryIsMissing) {
  std::vector<unsigned> seen;
  const int hook = SetWinEventHook([&](unsigned e, win::HWND, long, long) { seen.push_back(e); });
  NotifyWinEvent(EVENT_SYSTEM_MENUSTART, nullptr, OBJID_CLIENT, 0);
  SetLibraryAvailable(false);
  NotifyWinEvent(EVENT_SYSTEM_MENUEND, nullptr, OBJID_CLIENT, 0);
  IAccessible* o = nullptr;
  EXPECT_EQ(CreateStdAccessibleObject(nullptr, OBJID_CLIENT, &o), E_FAIL);
  int alive = 0;
  Named n(&alive);
  EXPECT_EQ(LresultFromObject(&n), 0);
  SetLibraryAvailable(true);
  NotifyWinEvent(EVENT_SYSTEM_MENUEND, nullptr, OBJID_CLIENT, 0);
  UnhookWinEvent(hook);
  NotifyWinEvent(EVENT_SYSTEM_MENUSTART, nullptr, OBJID_CLIENT, 0);
  EXPECT_EQ(seen, (std::vector<unsigned>{EVENT_SYSTEM_MENUSTART, EVENT_SYSTEM_MENUEND}));
}

}  // namespace
