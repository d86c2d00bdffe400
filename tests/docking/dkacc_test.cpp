// Accessibility of a toolbar and of an open menu, queried as a screen reader would.
#include <random>

#include "docking/dkacc.h"
#include "docking/dkpopup.h"
#include "docking/dktoolbar.h"
#include "platform/vcl/edits.h"
#include "platform/win/paint.h"
#include "tests/docking/dockfixture.h"

namespace docktest {
namespace {

using namespace acc;

// Holds one reference and answers in plain values.
struct Obj {
  IAccessible* p = nullptr;
  Obj() = default;
  explicit Obj(IAccessible* o) : p(o) {}
  Obj(const Obj&) = delete;
  Obj& operator=(const Obj&) = delete;
  Obj(Obj&& o) noexcept : p(o.p) { o.p = nullptr; }
  ~Obj() {
    if (p) p->Release();
  }
  long Role(long child = 0) const {
    VARIANT v;
    return p && p->get_accRole(ChildId(child), &v) == S_OK ? v.lVal : -1;
  }
  long State() const {
    VARIANT v;
    return p && p->get_accState(ChildId(0), &v) == S_OK ? v.lVal : -1;
  }
  std::string Name() const {
    std::string s;
    if (p) p->get_accName(ChildId(0), &s);
    return s;
  }
  long Count() const {
    long n = -1;
    if (p) p->get_accChildCount(&n);
    return n;
  }
  Obj Child(long n) const {
    IAccessible* c = nullptr;
    if (p) p->get_accChild(ChildId(n), &c);
    return Obj(c);
  }
  Obj Parent() const {
    IAccessible* c = nullptr;
    if (p) p->get_accParent(&c);
    return Obj(c);
  }
  Obj Navigate(long dir) const {
    VARIANT v;
    if (p) p->accNavigate(dir, ChildId(0), &v);
    return Obj(v.vt == VT_DISPATCH ? v.pdispVal : nullptr);
  }
};

Obj FromWindow(win::HWND h) {
  IAccessible* o = nullptr;
  AccessibleObjectFromWindow(h, OBJID_CLIENT, &o);
  return Obj(o);
}

class Access : public DockTest {
 protected:
  void SetUp() override {
    DockTest::SetUp();
    images = new vcl::TImageList(form);
    vcl::TBitmap strip;
    strip.SetSize(64, 16);
    strip.Canvas()->Brush()->SetColor(vcl::TColor(0x404040));
    strip.Canvas()->FillRect(vcl::TRect{0, 0, 64, 16});
    images->AddMasked(&strip, vcl::TColor(0xFF00FF));
    bar = new TDKToolbar(form);
    bar->SetName("Speed");
    bar->SetCaption("Speed");
    bar->SetImages(images);
    a = AddItem(bar->Items(), "&Anchor", 0);
    b = AddItem(bar->Items(), "&Buoy", 1);
    bar->Items()->Add(new TDKSeparatorItem(form));
    marks = new TDKSubmenuItem(form);
    marks->SetCaption("&Marks");
    bar->Items()->Add(marks);
    m1 = AddItem(marks, "Mark &one", -1);
    m2 = AddItem(marks, "Mark &two", -1);
    m2->SetShortCut(vcl::ShortCut(win::VK_F7, 0));
    edit = new vcl::TEdit(form);
    edit->SetBounds(0, 0, 60, 21);
    edit->SetText("6.2");
    edit->SetParent(bar);
    bar->SetCurrentDock(top);
    Pump();
  }
  void TearDown() override {
    SetLibraryAvailable(true);
    DockTest::TearDown();
  }
  TDKItem* AddItem(TDKCustomItem* parent, const char* caption, int image) {
    auto* i = new TDKItem(form);
    i->SetCaption(caption);
    i->SetImageIndex(image);
    i->OnClick = rtl::TNotifyEvent(&clicks, [this](rtl::TObject* s) {
      clicks.push_back(static_cast<TDKItem*>(s)->Caption());
    });
    parent->Add(i);
    return i;
  }
  POINT Centre(TDKView* v, TDKCustomItem* item) {
    const RECT r = v->Find(item)->BoundsRect;
    const vcl::TPoint p =
        v->Window()->ClientToScreen(vcl::TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    return POINT{p.x, p.y};
  }
  vcl::TImageList* images = nullptr;
  TDKToolbar* bar = nullptr;
  TDKItem *a = nullptr, *b = nullptr, *m1 = nullptr, *m2 = nullptr;
  TDKSubmenuItem* marks = nullptr;
  vcl::TEdit* edit = nullptr;
  std::vector<std::string> clicks;
};

TEST_F(Access, AToolbarShowsItsButtonsSeparatorSubmenuAndWrappedControl) {
  Obj t = FromWindow(bar->Handle());
  ASSERT_TRUE(t.p);
  EXPECT_EQ(t.Role(), ROLE_SYSTEM_TOOLBAR);
  EXPECT_EQ(t.Name(), "Speed");
  EXPECT_EQ(t.Count(), 5);
  EXPECT_EQ(t.Child(1).Role(), ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(t.Child(1).Name(), "Anchor");
  EXPECT_EQ(t.Child(3).Role(), ROLE_SYSTEM_SEPARATOR);
  Obj m = t.Child(4);
  EXPECT_EQ(m.Role(), ROLE_SYSTEM_BUTTONMENU);
  EXPECT_TRUE(m.State() & STATE_SYSTEM_HASPOPUP);
  std::string s;
  EXPECT_EQ(m.p->get_accDefaultAction(ChildId(0), &s), S_OK);
  EXPECT_EQ(s, "Open");
  EXPECT_EQ(m.p->get_accKeyboardShortcut(ChildId(0), &s), S_OK);
  EXPECT_EQ(s, "Alt+m");
  EXPECT_EQ(t.Child(1).p->get_accDefaultAction(ChildId(0), &s), S_OK);
  EXPECT_EQ(s, "Press");
  // The wrapped control answers with its window's own object.
  Obj e = t.Child(5);
  EXPECT_EQ(e.Role(), ROLE_SYSTEM_CLIENT);
  EXPECT_EQ(e.Name(), "6.2");
  // Out of range.
  IAccessible* none = nullptr;
  EXPECT_EQ(t.p->get_accChild(ChildId(6), &none), E_INVALIDARG);
  EXPECT_EQ(t.p->get_accChild(ChildId(0), &none), E_INVALIDARG);
  EXPECT_EQ(t.p->get_accName(ChildId(2), &s), E_INVALIDARG);
  // Navigation: first and last child of the toolbar; next and previous among the items.
  Obj first = t.Navigate(NAVDIR_FIRSTCHILD);
  EXPECT_EQ(first.Name(), "Anchor");
  EXPECT_EQ(first.Navigate(NAVDIR_NEXT).Name(), "Buoy");
  EXPECT_EQ(first.Navigate(NAVDIR_PREVIOUS).p, nullptr);
  EXPECT_EQ(t.Navigate(NAVDIR_LASTCHILD).Role(), ROLE_SYSTEM_CLIENT);  // the edit's viewer
  EXPECT_EQ(first.Parent().Role(), ROLE_SYSTEM_TOOLBAR);
  // Hit tests: a button, the edit's window, outside.
  const POINT pb = Centre(bar->View(), b);
  VARIANT hit;
  EXPECT_EQ(t.p->accHitTest(pb.x, pb.y, &hit), S_OK);
  ASSERT_EQ(hit.vt, VT_DISPATCH);
  EXPECT_EQ(Obj(hit.pdispVal).Name(), "Buoy");
  const vcl::TPoint pe = edit->ClientToScreen(vcl::TPoint{5, 5});
  EXPECT_EQ(t.p->accHitTest(pe.x, pe.y, &hit), S_OK);
  ASSERT_EQ(hit.vt, VT_DISPATCH);
  EXPECT_EQ(Obj(hit.pdispVal).Name(), "6.2");
  EXPECT_EQ(t.p->accHitTest(5, 590, &hit), S_FALSE);
  // Location: the button's rectangle on the screen.
  long l, tp, w, h;
  EXPECT_EQ(first.p->accLocation(&l, &tp, &w, &h, ChildId(0)), S_OK);
  const RECT ar = bar->View()->Find(a)->BoundsRect;
  const vcl::TPoint at = bar->ClientToScreen(vcl::TPoint{ar.left, ar.top});
  EXPECT_EQ((std::vector<long>{l, tp, w, h}), (std::vector<long>{at.x, at.y, 23, 22}));
  EXPECT_TRUE(first.State() & STATE_SYSTEM_FOCUSABLE);
  top->SetEnabled(false);
  EXPECT_FALSE(first.State() & STATE_SYSTEM_FOCUSABLE) << "under a disabled window";
}

// A button that tells a value, as a field showing a number would.
struct ValueViewer : TDKItemViewer {
  using TDKItemViewer::TDKItemViewer;
  bool GetAccValue(std::string& v) const override {
    v = "7.4 kn";
    return true;
  }
};

TEST_F(Access, AViewerWithAValueTellsIt) {
  auto* speed = new ItemViewedAs<ValueViewer>(form);
  speed->SetCaption("Speed");
  bar->Items()->Insert(0, speed);
  Pump();
  Obj t = FromWindow(bar->Handle());
  std::string s;
  EXPECT_EQ(t.Child(1).p->get_accValue(ChildId(0), &s), S_OK);
  EXPECT_EQ(s, "7.4 kn");
  EXPECT_EQ(t.Child(2).p->get_accValue(ChildId(0), &s), S_FALSE);  // a plain button has none
  EXPECT_EQ(t.Child(1).p->get_accValue(ChildId(1), &s), E_INVALIDARG);
}

TEST_F(Access, AnOpenMenuAndTheEventsInOrder) {
  std::vector<std::pair<unsigned, long>> events;
  const int hook = SetWinEventHook(
      [&](unsigned e, win::HWND, long, long child) { events.emplace_back(e, child); });
  const POINT pm = Centre(bar->View(), marks);
  win::InputScript script;
  long popupRole = 0, items = 0, itemRole = 0, parentRole = 0, viewerChildren = 0;
  std::string popupName, itemName, parentName, childOfViewer;
  script.Move(pm.x, pm.y).Click(pm.x, pm.y).Then([&] {
    TDKView* menu = bar->View()->OpenViewerView();
    ASSERT_NE(menu, nullptr);
    Obj p = FromWindow(menu->Window()->Handle());
    popupRole = p.Role();
    popupName = p.Name();
    items = p.Count();
    itemRole = p.Child(2).Role();
    itemName = p.Child(2).Name();
    Obj parent = p.Parent();
    parentRole = parent.Role();
    parentName = parent.Name();
    viewerChildren = parent.Count();
    childOfViewer = parent.Child(1).Name();
  });
  script.Key(win::VK_DOWN).Key(win::VK_DOWN).Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  RunScript(script);
  UnhookWinEvent(hook);
  EXPECT_EQ(popupRole, ROLE_SYSTEM_MENUPOPUP);
  EXPECT_EQ(popupName, "Marks");
  EXPECT_EQ(items, 2);
  EXPECT_EQ(itemRole, ROLE_SYSTEM_MENUITEM);
  EXPECT_EQ(itemName, "Mark two\tF7");
  EXPECT_EQ(parentRole, ROLE_SYSTEM_BUTTONMENU);
  EXPECT_EQ(parentName, "Marks");
  EXPECT_EQ(viewerChildren, 1);
  EXPECT_EQ(childOfViewer, "Marks");  // the popup's own object, reached from the viewer
  const std::vector<std::pair<unsigned, long>> want{
      {EVENT_SYSTEM_MENUSTART, 0}, {EVENT_OBJECT_FOCUS, 4},  {EVENT_SYSTEM_MENUPOPUPSTART, 0},
      {EVENT_OBJECT_FOCUS, 1},     {EVENT_OBJECT_FOCUS, 2},  {EVENT_SYSTEM_MENUPOPUPEND, 0},
      {EVENT_OBJECT_FOCUS, 4},     {EVENT_SYSTEM_MENUEND, 0}};
  EXPECT_EQ(events, want);
}

TEST_F(Access, WhenAPopupIsAnnouncedItsButtonLeadsToItAndLooksPressed) {
  long childRole = 0;
  gdi::COLORREF corner = 0;
  const int hook = SetWinEventHook([&](unsigned e, win::HWND, long, long) {
    if (e != EVENT_SYSTEM_MENUPOPUPSTART) return;
    childRole = FromWindow(bar->Handle()).Child(4).Child(1).Role();
    const RECT r = bar->View()->Find(marks)->BoundsRect;
    const POINT p = bar->ClientToScreen(POINT{r.left, r.top});
    corner = gdi::NativeToColor(win::ComposeScreen().Get(p.x, p.y));
  });
  const POINT pm = Centre(bar->View(), marks);
  win::InputScript script;
  script.Move(pm.x, pm.y).Click(pm.x, pm.y).Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  RunScript(script);
  UnhookWinEvent(hook);
  EXPECT_EQ(childRole, ROLE_SYSTEM_MENUPOPUP);
  EXPECT_EQ(corner, gdi::ColorToRGB(gdi::clBtnShadow));  // sunken
}

TEST_F(Access, TheDefaultActionRunsTheCommandAfterTheCallReturns) {
  Obj t = FromWindow(bar->Handle());
  Obj buoy = t.Child(2);
  EXPECT_EQ(buoy.p->accDoDefaultAction(ChildId(0)), S_OK);
  EXPECT_TRUE(clicks.empty());
  Pump();
  EXPECT_EQ(clicks, (std::vector<std::string>{"&Buoy"}));
  EXPECT_FALSE(bar->View()->InModalLoop());
  // A disabled item has no action.
  b->SetEnabled(false);
  EXPECT_EQ(buoy.p->accDoDefaultAction(ChildId(0)), S_FALSE);
  EXPECT_TRUE(buoy.State() & STATE_SYSTEM_UNAVAILABLE);
}

TEST_F(Access, RandomCallsOnLiveAndDestroyedObjectsGiveTheirCodes) {
  Obj t = FromWindow(bar->Handle());
  Obj anchor = t.Child(1);
  std::mt19937 rng(25);
  const std::vector<HRESULT> allowed{S_OK, S_FALSE, E_INVALIDARG, E_FAIL, DISP_E_MEMBERNOTFOUND};
  auto call = [&](IAccessible* o, int op, long child) -> HRESULT {
    VARIANT v;
    std::string s;
    IAccessible* out = nullptr;
    long x = 0, y = 0, w = 0, h = 0;
    HRESULT r = S_OK;
    const VARIANT c = child < 0 ? VARIANT{} : ChildId(child);
    switch (op) {
      case 0:
        r = o->get_accName(c, &s);
        break;
      case 1:
        r = o->get_accRole(c, &v);
        break;
      case 2:
        r = o->get_accState(c, &v);
        break;
      case 3:
        r = o->get_accChild(c, &out);
        break;
      case 4:
        r = o->accNavigate(static_cast<long>(rng() % 10), c, &v);
        break;
      case 5:
        r = o->accLocation(&x, &y, &w, &h, c);
        break;
      case 6:
        r = o->get_accDefaultAction(c, &s);
        break;
      // Taking the focus would enter the toolbar's loop once the request runs: other flags.
      case 7:
        r = o->accSelect(static_cast<long>(2 * (rng() % 2)), c);
        break;
      case 8:
        r = o->get_accKeyboardShortcut(c, &s);
        break;
      default:
        r = o->accHitTest(static_cast<long>(rng() % 1000), static_cast<long>(rng() % 700), &v);
    }
    if (out) out->Release();
    VariantClear(&v);
    return r;
  };
  for (int k = 0; k < 400; ++k) {
    const long child = static_cast<long>(rng() % 9) - 1;
    for (IAccessible* o : {t.p, anchor.p}) {
      const int op = static_cast<int>(rng() % 10);
      const HRESULT r = call(o, op, child);
      EXPECT_NE(std::find(allowed.begin(), allowed.end(), r), allowed.end()) << k << " " << r;
      // No child id but "self" (and the toolbar's 1..5 for its children) is ever taken.
      if (op != 9 && (child < 0 || child > 5)) {
        EXPECT_NE(r, S_OK) << "op " << op << " child " << child;
      }
    }
  }
  // The button goes away: its object answers E_FAIL to everything that names a child.
  delete a;
  Pump();
  for (int op = 0; op < 9; ++op) EXPECT_EQ(call(anchor.p, op, 0), E_FAIL) << op;
  // The whole toolbar goes away.
  delete bar;
  for (int op = 0; op < 9; ++op) EXPECT_EQ(call(t.p, op, 0), E_FAIL) << op;
  // Shutting down cuts the surviving objects off.
  Obj other = FromWindow(form->Handle());
  DKAccShutdown();
  std::string s;
  EXPECT_EQ(anchor.p->get_accName(ChildId(0), &s), CO_E_OBJNOTCONNECTED);
  VARIANT focus;
  EXPECT_EQ(t.p->get_accFocus(&focus), CO_E_OBJNOTCONNECTED);
}

TEST_F(Access, WithoutTheLibraryEverythingElseWorks) {
  SetLibraryAvailable(false);
  IAccessible* o = nullptr;
  EXPECT_EQ(AccessibleObjectFromWindow(bar->Handle(), OBJID_CLIENT, &o), E_FAIL);
  EXPECT_EQ(o, nullptr);
  EXPECT_EQ(bar->View()->GetAccObject(), nullptr);
  int events = 0;
  const int hook = SetWinEventHook([&](unsigned, win::HWND, long, long) { ++events; });
  win::InputScript script;
  script.Key(win::VK_DOWN).Key(win::VK_RETURN);
  EXPECT_TRUE(bar->KeyboardOpen('m', false));
  Pump();
  UnhookWinEvent(hook);
  EXPECT_EQ(clicks, (std::vector<std::string>{"Mark &two"}));
  EXPECT_EQ(events, 0);
}

}  // namespace
}  // namespace docktest

namespace docktest {
namespace {

TEST_F(Access, APopupMenuOfItsOwnIsNamedByItsWindow) {
  // A root popup has no parent view to take a caption from: its window's text answers.
  win::InputScript script;
  HRESULT nameResult = E_UNEXPECTED;
  std::string name = "unset";
  long role = 0;
  script.Then([&] {
    for (win::HWND h = win::GetWindow(win::GetDesktopWindow(), win::GW_CHILD); h;
         h = win::GetWindow(h, win::GW_HWNDNEXT))
      if (dynamic_cast<TDKPopupWindow*>(vcl::TWinControl::FindControl(h))) {
        Obj p = FromWindow(h);
        nameResult = p.p->get_accName(ChildId(0), &name);
        role = p.Role();
      }
  });
  script.Key(win::VK_ESCAPE);
  EXPECT_EQ(marks->Popup(300, 200, false), nullptr);
  Pump();
  EXPECT_EQ(nameResult, S_OK);
  EXPECT_EQ(name, "");
  EXPECT_EQ(role, ROLE_SYSTEM_MENUPOPUP);
}

}  // namespace
}  // namespace docktest
