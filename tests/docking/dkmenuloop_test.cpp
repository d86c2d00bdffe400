// The menu loop driven by scripted keys and mouse: a popup menu opened at a point, and a
// toolbar whose submenu button drops a menu.
#include "docking/dkcommon.h"
#include "docking/dktoolbar.h"
#include "platform/vcl/screen.h"
#include "platform/win/input.h"
#include "platform/win/sinks.h"
#include "platform/win/window.h"
#include "tests/docking/itemfixture.h"

namespace itemtest {
namespace {

class MenuLoop : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    root = new TDKRootItem(form);
    open = Add(root, "&Open");
    copy = Add(root, "&Copy");
    cut = Add(root, "C&ut");
    cut->SetCaption("&Cut");
    Sep(root);
    more = Add<TDKSubmenuItem>(root, "&More");
    first = Add(more, "&First");
    second = Add(more, "&Second");
    disabled = Add(root, "&Disabled");
    disabled->SetEnabled(false);
    for (TDKCustomItem* i : {open, copy, cut, first, second, disabled})
      i->OnClick = rtl::TNotifyEvent(&clicked, [this](rtl::TObject* s) {
        clicked.push_back(static_cast<TDKCustomItem*>(s)->Caption());
        // Run only after the loop: no capture, no popup left.
        capturedAtClick = win::GetCapture() != nullptr;
      });
    win::ClearSinks();
  }

  // A step that records the root popup view while the loop runs.
  std::function<void()> Grab() {
    return [this] {
      rootView = nullptr;
      for (TDKPopupWindow* w : TDKPopupWindowsOnScreen()) {
        if (!w->View()->ParentView()) rootView = w->View();
      }
    };
  }
  static std::vector<TDKPopupWindow*> TDKPopupWindowsOnScreen() {
    std::vector<TDKPopupWindow*> r;
    for (win::HWND h = win::GetWindow(win::GetDesktopWindow(), win::GW_CHILD); h;
         h = win::GetWindow(h, win::GW_HWNDNEXT))
      if (auto* w = dynamic_cast<TDKPopupWindow*>(vcl::TWinControl::FindControl(h)))
        if (win::IsWindowVisible(h)) r.push_back(w);
    return r;
  }
  std::string Sel() {
    TDKView* v = rootView;
    while (v && v->OpenViewerView()) v = v->OpenViewerView();
    return v && v->Selected() ? v->Selected()->Item()->Caption() : "";
  }
  TDKCustomItem* Run(win::InputScript& script, int x = 200, int y = 150) {
    TDKCustomItem* r = root->Popup(x, y, false);
    // What is left is the release of the last key.
    EXPECT_LE(script.Remaining(), 1u);
    return r;
  }
  POINT RowPoint(TDKView* v, TDKCustomItem* item) {
    const RECT r = v->Find(item)->BoundsRect;
    const vcl::TPoint p =
        v->Window()->ClientToScreen(vcl::TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    return POINT{p.x, p.y};
  }
  static void MoveTo(POINT p) { win::PostRawInput(win::MouseMove(p.x, p.y)); }
  static std::string FirstRow(TDKView* v) { return v ? v->Viewers(0)->Item()->Caption() : ""; }

  TDKRootItem* root = nullptr;
  TDKCustomItem *open, *copy, *cut, *more, *first, *second, *disabled;
  std::vector<std::string> clicked;
  bool capturedAtClick = false;
  TDKView* rootView = nullptr;
};

TEST_F(MenuLoop, LettersSelectSharedAcceleratorsAndRunAUniqueOneAfterTheLoop) {
  win::InputScript script;
  std::vector<std::string> seen;
  // The pointer rests on Open, off the rows the letters choose.
  auto note = [&] { seen.push_back(Sel() + (rootView->MouseInsideSelected() ? "*" : "")); };
  script.Then(Grab()).Then([&] { MoveTo(RowPoint(rootView, open)); }).Key('C').Then(note);
  script.Key('C').Then([&] { seen.push_back(Sel()); });
  script.Key('C').Then([&] { seen.push_back(Sel()); });
  script.Key('O');
  TDKCustomItem* r = Run(script);
  EXPECT_EQ(seen, (std::vector<std::string>{"&Copy", "&Cut", "&Copy"}));
  EXPECT_EQ(r, open);
  // The command is posted: it runs once the application handles its messages.
  EXPECT_TRUE(clicked.empty());
  EXPECT_TRUE(TDKPopupWindowsOnScreen().empty());
  Pump();
  EXPECT_EQ(clicked, (std::vector<std::string>{"&Open"}));
  EXPECT_FALSE(capturedAtClick);
}

TEST_F(MenuLoop, ArrowsHomeEndAndTabWalkTheSelectableRows) {
  win::InputScript script;
  std::vector<std::string> seen;
  auto note = [&] { seen.push_back(Sel()); };
  script.Then(Grab()).Key(win::VK_DOWN).Then(note).Key(win::VK_DOWN).Then(note);
  script.Key(win::VK_UP).Then(note).Key(win::VK_END).Then(note).Key(win::VK_DOWN).Then(note);
  script.Key(win::VK_HOME).Then(note).Key(win::VK_TAB).Then(note);
  // Left in a root popup menu has no parent to go back to: nothing happens.
  script.Key(win::VK_LEFT).Then(note);
  script.Key(win::VK_ESCAPE);
  EXPECT_EQ(Run(script), nullptr);
  // The separator is passed over; the disabled item can be selected; the walk comes round.
  EXPECT_EQ(seen, (std::vector<std::string>{"&Open", "&Copy", "&Open", "&Disabled", "&Open",
                                            "&Open", "&Copy", "&Copy"}));
  Pump();
  EXPECT_TRUE(clicked.empty());
}

TEST_F(MenuLoop, ASubmenuOpensByKeyAndEscapeClosesOnlyIt) {
  win::InputScript script;
  bool subOpen = false, subClosed = false;
  std::string subSel;
  script.Then(Grab()).Key('M').Then([&] {
    subOpen = rootView->OpenViewerView() != nullptr;
    subSel = Sel();
  });
  script.Key(win::VK_ESCAPE).Then([&] { subClosed = rootView->OpenViewerView() == nullptr; });
  script.Key(win::VK_RIGHT).Key(win::VK_DOWN).Key(win::VK_RETURN);
  EXPECT_EQ(Run(script), second);
  EXPECT_TRUE(subOpen);
  EXPECT_EQ(subSel, "&First");  // opened by keyboard: its first item selected
  EXPECT_TRUE(subClosed);
  // An item that takes away the row of its own menu when selected leaves the loop going.
  second->OnSelect = {this, [this](auto*, auto*, bool on) {
                        if (on) root->Remove(more);
                      }};
  win::InputScript again;
  again.Then(Grab()).Key('M').Key(win::VK_DOWN).Then([&] { subOpen = rootView->OpenViewerView(); });
  EXPECT_EQ(Run(again.Key(win::VK_ESCAPE)), nullptr);
  EXPECT_FALSE(subOpen);
  delete more;
}

TEST_F(MenuLoop, AMenuWithOneSelectableItemKeepsItSelected) {
  auto* lone = new TDKRootItem(form);
  Add(lone, "&Only");
  Sep(lone);
  win::InputScript script;
  std::vector<bool> kept;
  TDKView* v = nullptr;
  script.Then([&] {
    for (TDKPopupWindow* w : TDKPopupWindowsOnScreen()) v = w->View();
  });
  script.Key(win::VK_DOWN).Key(win::VK_DOWN).Then([&] { kept.push_back(v && v->Selected()); });
  script.Key(win::VK_TAB).Then([&] { kept.push_back(v && v->Selected()); });
  script.Key(win::VK_ESCAPE);
  lone->Popup(100, 100, false);
  EXPECT_LE(script.Remaining(), 1u);
  EXPECT_EQ(kept, (std::vector<bool>{true, true}));
}

TEST_F(MenuLoop, AnUnmatchedCharacterBeepsAndF1EndsWithHelp) {
  copy->SetHelpContext(42);
  win::InputScript script;
  script.Then(Grab()).Key('Z').Key('C').Key(win::VK_F1);
  EXPECT_EQ(Run(script), nullptr);
  const auto sounds = win::SoundLog();
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(sounds[0].alias, "");
  auto help = win::HelpLog();
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].command, unsigned(win::HELP_CONTEXT));
  EXPECT_EQ(help[0].data, 42u);
  // Over a form with the help button the same key asks for the pop-up help.
  ASSERT_EQ(vcl::Screen->ActiveForm(), form);
  form->SetBorderIcons(vcl::biSystemMenu | vcl::biHelp);
  win::ClearSinks();
  win::InputScript popup;
  popup.Then(Grab()).Key('C').Key(win::VK_F1);
  EXPECT_EQ(Run(popup), nullptr);
  help = win::HelpLog();
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].command, unsigned(win::HELP_CONTEXTPOPUP));
  EXPECT_EQ(help[0].data, 42u);
}

TEST_F(MenuLoop, ItIsInTheSystemsMenuFontAndAnOpenSubmenuFollowsNewImageSizes) {
  win::GetSettings().nonClient.lfMenuFont.lfHeight = -9;
  root->SetSubMenuImages(images);
  auto* big = new vcl::TImageList(form);
  big->SetSize(32, 32);
  win::InputScript script;
  int font = 0, before = 0, after = 0;
  script.Then(Grab()).Key('M').Then([&] {
    font = rootView->Window()->Font()->Height();
    TDKView* sub = rootView->OpenViewerView();
    before = sub->TotalSize().cy;
    root->SetSubMenuImages(big);
    after = sub->TotalSize().cy;
  });
  script.Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  Run(script);
  EXPECT_EQ(font, -9);
  // Two rows, each as high as an image and 3 pixels.
  EXPECT_EQ(before, 2 * (16 + 3));
  EXPECT_EQ(after, 2 * (32 + 3));
}

TEST_F(MenuLoop, KeysWaitWhileAButtonIsHeld) {
  win::InputScript script;
  std::string during;
  POINT copyAt{};
  script.Then(Grab()).Then([&] {
    copyAt = RowPoint(rootView, copy);
    win::PostRawInput(win::MouseMove(copyAt.x, copyAt.y));
    win::PostRawInput(win::MouseDown(copyAt.x, copyAt.y));
  });
  script.Key(win::VK_DOWN).Key('O').Then([&] { during = Sel(); });
  script.Then([&] { win::PostRawInput(win::MouseUp(copyAt.x, copyAt.y)); });
  EXPECT_EQ(Run(script), copy);
  EXPECT_EQ(during, "&Copy");
}

// A window that counts the presses it gets.
class Counter : public vcl::TCustomControl {
 public:
  using vcl::TCustomControl::TCustomControl;
  int presses = 0;

 protected:
  void MouseDown(vcl::TMouseButton b, vcl::TShiftState s, int x, int y) override {
    ++presses;
    vcl::TCustomControl::MouseDown(b, s, x, y);
  }
};

TEST_F(MenuLoop, AClickOutsideClosesTheMenuAndStillReachesTheWindowUnderIt) {
  auto* target = new Counter(form);
  target->SetParent(form);
  target->SetBounds(450, 300, 100, 50);
  Pump();
  const vcl::TPoint at = target->ClientToScreen(vcl::TPoint{50, 25});
  win::InputScript script;
  bool stillOpen = false;
  // The release of the button that opened the menu, outside it, does not close it.
  script.Then(Grab()).Move(at.x, at.y).Up(at.x, at.y).Then([&] {
    stillOpen = !TDKPopupWindowsOnScreen().empty();
  });
  script.Click(at.x, at.y);
  EXPECT_EQ(Run(script, 200, 100), nullptr);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(target->presses, 0);
  Pump();
  EXPECT_EQ(target->presses, 1);
}

TEST_F(MenuLoop, ASubmenuOpensAfterTheMenuShowDelayAndAClickRunsItsItem) {
  const unsigned delay = static_cast<unsigned>(GetMenuShowDelay());
  ASSERT_GT(delay, 10u);
  win::InputScript script;
  bool openEarly = true, openLate = false;
  POINT secondAt{};
  script.Then(Grab()).Then([&] {
    const POINT p = RowPoint(rootView, more);
    win::PostRawInput(win::MouseMove(p.x, p.y));
  });
  script.After(delay / 2).Then([&] { openEarly = rootView->OpenViewerView() != nullptr; });
  script.After(delay).Then([&] {
    openLate = rootView->OpenViewerView() != nullptr;
    if (openLate) secondAt = RowPoint(rootView->OpenViewerView(), second);
    win::PostRawInput(win::MouseMove(secondAt.x, secondAt.y));
    win::PostRawInput(win::MouseDown(secondAt.x, secondAt.y));
    win::PostRawInput(win::MouseUp(secondAt.x, secondAt.y));
  });
  EXPECT_EQ(Run(script), second);
  EXPECT_FALSE(openEarly);
  EXPECT_TRUE(openLate);
  Pump();
  EXPECT_EQ(clicked, (std::vector<std::string>{"&Second"}));
}

// A double click on a submenu row runs its default item; WM_CANCELMODE ends the window's own loop.
TEST_F(MenuLoop, TheLoopsWindowTakesDoubleClicksAndCancelsItsOwnLoop) {
  second->SetOptions(dkoDefault);
  win::InputScript script;
  script.Then(Grab()).Then([&] {
    const POINT p = RowPoint(rootView, more);
    for (int k = 0; k < 4; ++k)
      win::PostRawInput(k % 2 ? win::MouseUp(p.x, p.y) : win::MouseDown(p.x, p.y));
  });
  EXPECT_EQ(root->Popup(200, 150, false), second);
  win::HWND outer{};
  win::InputScript nested;
  nested.Then(Grab()).Then([&] {
    outer = win::GetCapture();
    more->Popup(300, 200, false);
  });
  nested.Then([&] {
    win::SendMessage(outer, win::WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(rootView->IsModalEnding());
  });
  EXPECT_EQ(Run(nested.Key(win::VK_ESCAPE)), nullptr);
}

TEST_F(MenuLoop, MovingFromAnOpenSubmenuToAnotherRowClosesItOrOpensThatRowsSubmenu) {
  TDKCustomItem* tools = Add<TDKSubmenuItem>(root, "&Tools");
  Add(tools, "&Wind");
  const unsigned delay = static_cast<unsigned>(GetMenuShowDelay());
  win::InputScript script;
  std::vector<std::string> opened;  // the open submenu's first row after each move
  auto hover = [&](TDKCustomItem* item) { return [&, item] { MoveTo(RowPoint(rootView, item)); }; };
  auto note = [&] { opened.push_back(FirstRow(rootView->OpenViewerView())); };
  // Keys that open the submenu before the show delay ends: it stays as they left it.
  script.Then(Grab()).Then(hover(more)).After(delay / 4).Key(win::VK_RIGHT).Key(win::VK_DOWN);
  script.After(2 * delay).Then([&] { opened.push_back(Sel()); });
  for (TDKCustomItem* i : {open, more, tools}) script.Then(hover(i)).After(2 * delay).Then(note);
  // Leaving it starts the close timer; closing it at once stops the timer.
  script.Then(hover(open)).Then([&] {
    rootView->CloseChildPopups();
    opened.push_back(rootView->TimerRunning(TDKView::tiClose) ? "timer" : "");
  });
  script.Key(win::VK_ESCAPE);
  EXPECT_EQ(Run(script), nullptr);
  EXPECT_EQ(opened, (std::vector<std::string>{"&Second", "", "&First", "&Wind", ""}));
}

TEST_F(MenuLoop, OpenedWithItsFirstItemSelectedReturnRunsThatItem) {
  win::InputScript script;
  unsigned style = 0;
  script.Then(Grab()).Then([&] {
    style = static_cast<unsigned>(win::GetClassLong(rootView->Window()->Handle(), win::GCL_STYLE));
  });
  script.Key(win::VK_RETURN);
  EXPECT_EQ(root->OpenPopup(true, false, POINT{200, 150}, dkpaLeft, true), open);
  Pump();
  EXPECT_TRUE(clicked.empty());  // only the item was asked for
  // A menu keeps the picture under it and casts a shadow.
  EXPECT_EQ(style & (win::CS_SAVEBITS | win::CS_DROPSHADOW),
            unsigned(win::CS_SAVEBITS | win::CS_DROPSHADOW));
}

TEST_F(MenuLoop, PointingAtASubmenuButtonInTheChevronsPopupDropsItsMenuAtOnce) {
  auto* dock = new TDKDock(form);
  dock->SetParent(form);
  dock->SetPosition(dpTop);
  auto* bar = new TDKToolbar(form);
  bar->SetImages(images);
  bar->SetChevronPriorityForNewItems(dkcpLowest);
  for (int k = 0; k < 30; ++k) Add(bar->Items(), "", k % 4);  // more than the dock holds
  auto* marks = Add<TDKSubmenuItem>(bar->Items(), "", 1);
  Add(marks, "Mark &1");
  auto* tools = Add<TDKSubmenuItem>(bar->Items(), "", 2);
  Add(tools, "&Wind");
  bar->SetCurrentDock(dock);
  Pump();
  rootView = bar->View();
  const POINT c = RowPoint(rootView, bar->ChevronItem());
  std::vector<std::string> seen;  // the dropped menu's row, then its selection
  win::InputScript script;
  script.Move(c.x, c.y).Click(c.x, c.y);
  for (TDKCustomItem* b : {marks, tools})
    script.Then([&, b] { MoveTo(RowPoint(rootView->OpenViewerView(), b)); }).Then([&] {
      seen.push_back(FirstRow(rootView->OpenViewerView()->OpenViewerView()));
    });
  script.Key(win::VK_DOWN).After(2 * static_cast<unsigned>(GetMenuShowDelay()));
  script.Then([&] { seen.push_back(Sel()); }).Key(win::VK_LEFT);  // to the popup's next button
  script.Then([&] { seen.push_back(Sel()); }).Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  script.Key(win::VK_ESCAPE);
  RunScript(script);
  EXPECT_EQ(seen, (std::vector<std::string>{"Mark &1", "&Wind", "&Wind", "Mark &1"}));
}

}  // namespace
}  // namespace itemtest
