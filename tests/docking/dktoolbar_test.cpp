// The toolbar in the docks of an 800 x 600 form. Docked in a top dock its frame adds 10 pixels
// along the row (2 + 6-pixel grip + 2) and 4 across; image buttons are 23 x 22.
#include "docking/dktoolbar.h"
#include "platform/gdi/image.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/screen.h"
#include "platform/win/input.h"
#include "platform/win/paint.h"
#include "platform/win/sinks.h"
#include "tests/docking/dockfixture.h"

namespace gdi {
inline void PrintTo(const SIZE& s, std::ostream* os) {
  *os << s.cx << "x" << s.cy;
}
}  // namespace gdi

namespace docktest {
namespace {

class Toolbar : public DockTest {
 protected:
  void SetUp() override {
    DockTest::SetUp();
    images = new vcl::TImageList(form);
    vcl::TBitmap strip;
    strip.SetSize(16 * 8, 16);
    strip.Canvas()->Brush()->SetColor(vcl::TColor(0x404040));
    strip.Canvas()->FillRect(vcl::TRect{0, 0, 16 * 8, 16});
    images->AddMasked(&strip, vcl::TColor(0xFF00FF));
  }
  TDKToolbar* Bar(TDKDock* dock, int buttons, const char* name = "Bar") {
    auto* t = new TDKToolbar(form);
    t->SetName(name);
    t->SetImages(images);
    t->SetChevronPriorityForNewItems(dkcpLowest);
    for (int k = 0; k < buttons; ++k) {
      auto* i = new TDKItem(form);
      i->SetCaption(std::string(1, char('A' + k)));
      i->SetImageIndex(k % 8);
      t->Items()->Add(i);
    }
    if (dock)
      t->SetCurrentDock(dock);
    else
      t->SetParent(form);
    return t;
  }
  static int Shown(TDKToolbar* t) {
    int n = 0;
    for (int i = 0; i < t->View()->ViewerCount(); ++i)
      if (t->View()->Viewers(i)->Show && t->View()->Viewers(i)->Item() != t->ChevronItem()) ++n;
    return n;
  }
  vcl::TImageList* images = nullptr;
};

TEST_F(Toolbar, DockedItSizesToItsButtons) {
  auto* t = Bar(top, 5);
  EXPECT_EQ(Bounds(t), R(0, 0, 5 * 23 + 10, 22 + 4));
  EXPECT_EQ(top->Height(), 26);
  EXPECT_EQ(Shown(t), 5);
  EXPECT_FALSE(t->View()->Find(t->ChevronItem())->Show);
  // In a side dock the buttons stand in a column.
  auto* s = Bar(left, 3, "Side");
  EXPECT_EQ(s->View()->Orientation(), dkvoVertical);
  EXPECT_EQ(s->ClientWidth(), 23);
  EXPECT_EQ(s->ClientHeight(), 3 * 22);
}

TEST_F(Toolbar, AShortRowMovesTheLowestPriorityItemsBehindTheChevron) {
  Tool(top, 700, 20, 0, 0, "Wide");  // 710 pixels of the row
  auto* t = Bar(top, 5);
  t->SetDockPos(710);
  Pump();
  // 800 - 710 = 90 pixels; 80 inside the frame; the chevron takes the last 12.
  EXPECT_EQ(t->Width(), 90);
  EXPECT_EQ(t->View()->ChevronOffset(), 80);
  EXPECT_EQ(Shown(t), 2);  // 2 x 23 = 46 fits in 68, 3 x 23 = 69 does not
  EXPECT_TRUE(t->View()->Viewers(2)->OffEdge);
  TDKItemViewer* chevron = t->View()->Find(t->ChevronItem());
  EXPECT_TRUE(chevron->Show);
  EXPECT_EQ(chevron->BoundsRect, (RECT{68, 0, 80, 22}));
  EXPECT_TRUE(t->ChevronItem()->Enabled());
  // Giving an item priority brings it back and sends another away.
  t->View()->GivePriority(t->View()->Viewers(4));
  EXPECT_TRUE(t->View()->Viewers(4)->Show);
  EXPECT_TRUE(t->View()->Viewers(1)->OffEdge);
  // A tall control behind the chevron leaves the row as thick as what shows, arrangement after
  // arrangement.
  auto* e = new vcl::TEdit(form);
  e->SetBounds(0, 0, 60, 40);
  e->SetParent(t);
  top->ArrangeToolbars();
  EXPECT_TRUE(t->View()->Find(t->FindWrapper(e))->OffEdge);
  EXPECT_EQ(t->Height(), 22 + 4);
}

TEST_F(Toolbar, ItNeverShrinksBelowItsFirstItemAndTheChevron) {
  Tool(top, 780, 20, 0, 0, "Wide");
  auto* t = Bar(top, 5);
  t->SetDockPos(790);
  Pump();
  int minimum = 0;
  t->GetMinShrinkSize(minimum);
  EXPECT_EQ(minimum, 23 + 12);
  // 790 + 45 passes 800: the toolbar goes to a row of its own rather than below its minimum.
  EXPECT_EQ(t->EffectiveDockRow(), 1);
  EXPECT_EQ(Shown(t), 5);
  // With room for 45 it stays with one button and the chevron.
  auto* w = static_cast<TDKToolWindow*>(form->FindComponent("Wide"));
  w->SetClientAreaWidth(745);
  t->SetDockRow(0);
  t->SetDockPos(755);
  Pump();
  EXPECT_EQ(t->EffectiveDockRow(), 0);
  EXPECT_EQ(t->Width(), 45);
  EXPECT_EQ(Shown(t), 1);
  EXPECT_TRUE(t->View()->Find(t->ChevronItem())->Show);
}

TEST_F(Toolbar, WithNothingShownTheMinimumIsAnEmptyButton) {
  auto* t = Bar(top, 0);
  int minimum = 0;
  t->GetMinShrinkSize(minimum);
  EXPECT_EQ(minimum, 23 + 12);
  EXPECT_EQ(Bounds(t), R(0, 0, 23 + 10, 22 + 4));
}

TEST_F(Toolbar, ControlsPlacedOnItAreWrappedAndMovedOutOfSightWhenHidden) {
  Tool(top, 600, 20, 0, 0, "Wide");
  auto* t = Bar(top, 2);
  auto* edit = new vcl::TEdit(form);
  edit->SetBounds(0, 0, 80, 21);
  edit->SetParent(t);
  auto* wrap = t->FindWrapper(edit);
  ASSERT_NE(wrap, nullptr);
  EXPECT_EQ(t->Items()->IndexOf(wrap), 2);
  auto* more = new TDKSubmenuItem(form);
  more->SetCaption("Marks");
  more->SetImageIndex(3);
  more->SetOptions(dkoDropdownArrow);
  t->Items()->Add(more);
  t->SetDockPos(610);
  Pump();
  // 2 x 23 + 80 + (23 + 8 for the arrow) = 157 fits in 800 - 610 - 10.
  EXPECT_EQ(t->ClientWidth(), 157);
  EXPECT_EQ(edit->BoundsRect(), (vcl::TRect{46, 0, 126, 21}));
  // The line is as high as its tallest item; the edit is centred in it.
  EXPECT_EQ(t->ClientHeight(), 22);
  // A shorter row hides the submenu first, then the edit, which waits out of sight.
  auto* wide = static_cast<TDKToolWindow*>(form->FindComponent("Wide"));
  wide->SetClientAreaWidth(680);  // 690 of 800: 110 for the toolbar, 100 inside, 88 for items
  Pump();
  EXPECT_EQ(t->Width(), 110);
  EXPECT_FALSE(t->View()->Find(more)->Show);
  EXPECT_FALSE(t->View()->Find(wrap)->Show);
  EXPECT_EQ(edit->Left(), t->ClientWidth());
  EXPECT_TRUE(t->ChevronItem()->Enabled());  // the hidden submenu is not a control
  // Freeing the control frees its wrapper.
  delete edit;
  EXPECT_EQ(t->FindWrapper(edit), nullptr);
  EXPECT_EQ(t->Items()->Count(), 3);
}

TEST_F(Toolbar, TabPassesOverTheControlsBehindTheChevron) {
  Tool(top, 680, 20, 0, 0, "Wide");  // 110 of the row for the toolbar, 88 for its items
  auto* t = Bar(top, 0);
  std::vector<vcl::TEdit*> edits;
  for (int k = 0; k < 2; ++k) {
    edits.push_back(new vcl::TEdit(form));
    edits.back()->SetBounds(0, 0, 60, 21);
    edits.back()->SetParent(t);
  }
  auto* outside = new vcl::TEdit(form);
  outside->SetBounds(300, 300, 60, 21);
  outside->SetParent(form);
  t->SetDockPos(690);
  Pump();
  ASSERT_TRUE(t->View()->Find(t->FindWrapper(edits[1]))->OffEdge);
  edits[0]->SetFocus();
  Pump();
  Key(win::VK_TAB);
  EXPECT_TRUE(outside->Focused());
  Key(win::VK_TAB, true);
  EXPECT_TRUE(edits[0]->Focused());
  // Back on the toolbar it is reached again.
  auto* wide = static_cast<TDKToolWindow*>(form->FindComponent("Wide"));
  wide->SetClientAreaWidth(500);
  Pump();
  Key(win::VK_TAB);
  EXPECT_TRUE(edits[1]->Focused());
}

TEST_F(Toolbar, AFloatingToolbarSizedByItsRightEdgeJumpsBetweenWrapWidths) {
  auto* t = Bar(nullptr, 6);
  t->SetFloatingPosition(POINT{300, 300});
  t->SetFloating(true);
  Pump();
  const SIZE nc = t->AddFloatingNCAreaToSize(SIZE{0, 0});
  // Margins 4 left and right, 2 above, 1 below: 6 in a row, 3, 2 and 1 per row.
  const std::vector<SIZE> want{{31 + nc.cx, 135 + nc.cy},
                               {54 + nc.cx, 69 + nc.cy},
                               {77 + nc.cx, 47 + nc.cy},
                               {146 + nc.cx, 25 + nc.cy}};
  EXPECT_EQ(t->CalcPotentialSizes(twshRight), want);
  EXPECT_EQ(t->Width(), 146);
  t->ResizeBegin(twshRight);
  const RECT start{300, 300, 300 + 146 + nc.cx, 300 + 25 + nc.cy};
  auto track = [&](int width) {
    RECT r{start.left, start.top, start.left + width, start.bottom};
    t->ResizeTrack(r, start);
    return SIZE{r.right - r.left, r.bottom - r.top};
  };
  // Within 12 pixels of the present size nothing moves.
  EXPECT_EQ(track(146 + nc.cx - 12), want[3]);
  EXPECT_EQ(track(146 + nc.cx + 30), want[3]);
  // Further in, the widest size that leaves the pointer room.
  EXPECT_EQ(track(146 + nc.cx - 13), want[2]);
  EXPECT_EQ(track(77 + nc.cx + 12), want[2]);
  EXPECT_EQ(track(60 + nc.cx), want[1]);
  t->ResizeTrackAccept();
  t->ResizeEnd();
  EXPECT_EQ(t->FloatingWidth(), 50);
  EXPECT_EQ(t->ClientWidth(), 54);
  EXPECT_EQ(t->ClientHeight(), 69);
  EXPECT_EQ(t->View()->WrappedLines(), 3);
}

TEST_F(Toolbar, ShortCutsOfItsItemsAndItsOwnHandler) {
  auto* t = Bar(top, 2);
  auto* item = static_cast<TDKItem*>(t->Items()->Items(1));
  item->SetShortCut(vcl::ShortCut(win::VK_F5, 0));
  int clicks = 0;
  item->OnClick = rtl::TNotifyEvent(&clicks, [&](rtl::TObject*) { ++clicks; });
  EXPECT_TRUE(t->IsShortCut(win::VK_F5, 0));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(t->IsShortCut(win::VK_F6, 0));
  t->OnShortCut = TDKShortCutEvent(
      &clicks, [&](unsigned short k, vcl::TShiftState, bool& h) { h = k == win::VK_F6; });
  EXPECT_TRUE(t->IsShortCut(win::VK_F6, 0));
}

}  // namespace
}  // namespace docktest

namespace docktest {
namespace {

// A toolbar in the top dock: two buttons and a submenu button that drops a menu.
class ToolbarLoop : public Toolbar {
 protected:
  void SetUp() override {
    Toolbar::SetUp();
    bar = Bar(top, 2);
    marks = new TDKSubmenuItem(form);
    marks->SetCaption("&Marks");
    marks->SetImageIndex(4);
    marks->SetOptions(dkoDropdownArrow);
    bar->Items()->Add(marks);
    for (const char* c : {"Mark &1", "Mark &2"}) {
      auto* i = new TDKItem(form);
      i->SetCaption(c);
      i->OnClick = rtl::TNotifyEvent(
          &ran, [this](rtl::TObject* s) { ran.push_back(static_cast<TDKItem*>(s)->Caption()); });
      marks->Add(i);
    }
    Pump();
  }
  POINT Centre(TDKView* v, TDKCustomItem* item) {
    const RECT r = v->Find(item)->BoundsRect;
    const vcl::TPoint p =
        v->Window()->ClientToScreen(vcl::TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    return POINT{p.x, p.y};
  }
  TDKView* Menu() { return bar->View()->OpenViewerView(); }
  TDKToolbar* bar = nullptr;
  TDKSubmenuItem* marks = nullptr;
  std::vector<std::string> ran;
};

TEST_F(ToolbarLoop, ASubmenuButtonDropsItsMenuBelowAndAClickRunsTheItemAfterwards) {
  win::GetSettings().version.major = 4;  // every sound counts as set
  const POINT b = Centre(bar->View(), marks);
  win::InputScript script;
  RECT menuRect{}, buttonRect{};
  script.Move(b.x, b.y).Click(b.x, b.y).Then([&] {
    ASSERT_NE(Menu(), nullptr);
    win::GetWindowRect(Menu()->Window()->Handle(), &menuRect);
    buttonRect = bar->View()->Find(marks)->BoundsRect;
    const vcl::TPoint tl = bar->ClientToScreen(vcl::TPoint{buttonRect.left, buttonRect.top});
    gdi::OffsetRect(&buttonRect, tl.x - buttonRect.left, tl.y - buttonRect.top);
  });
  script.Then([&] {
    const POINT p = Centre(Menu(), marks->Items(1));
    win::PostRawInput(win::MouseMove(p.x, p.y));
    win::PostRawInput(win::MouseDown(p.x, p.y));
    win::PostRawInput(win::MouseUp(p.x, p.y));
  });
  RunScript(script);
  EXPECT_EQ(menuRect.left, buttonRect.left);
  EXPECT_EQ(menuRect.top, buttonRect.bottom);
  EXPECT_EQ(ran, (std::vector<std::string>{"Mark &2"}));
  EXPECT_FALSE(bar->View()->InModalLoop());
  EXPECT_EQ(win::GetCapture(), nullptr);
  // The choice from the menu sounds as a menu's does; a plain button's click does not.
  bar->Items()->Items(0)->OnClick = {&ran, [this](rtl::TObject*) { ran.push_back("A"); }};
  ClickAt(Centre(bar->View(), bar->Items()->Items(0)));
  ASSERT_EQ(ran.back(), "A");
  EXPECT_EQ(win::SoundLog().size(), 2u);  // MenuPopup, MenuCommand
}

TEST_F(ToolbarLoop, EscapeInTheFirstPopupLeavesTheToolbarInItsLoop) {
  const POINT b = Centre(bar->View(), marks);
  win::InputScript script;
  bool menuOpen = false, closedButLooping = false;
  script.Move(b.x, b.y).Click(b.x, b.y).Then([&] { menuOpen = Menu() != nullptr; });
  script.Key(win::VK_ESCAPE).Then([&] {
    closedButLooping = Menu() == nullptr && bar->View()->InModalLoop();
  });
  script.Key(win::VK_ESCAPE);
  RunScript(script);
  EXPECT_TRUE(menuOpen);
  EXPECT_TRUE(closedButLooping);
  EXPECT_FALSE(bar->View()->InModalLoop());
  EXPECT_EQ(win::GetCapture(), nullptr);
  EXPECT_TRUE(ran.empty());
}

TEST_F(ToolbarLoop, TheKeyboardOpensASubmenuByItsAccelerator) {
  win::InputScript script;
  std::string selected;
  script.Then([&] {
    if (Menu() && Menu()->Selected()) selected = Menu()->Selected()->Item()->Caption();
  });
  script.Key(win::VK_DOWN).Key(win::VK_RETURN);
  marks->SetImageIndex(-1);  // only items whose caption shows have accelerators
  EXPECT_TRUE(bar->KeyboardOpen('m', false));
  EXPECT_EQ(selected, "Mark &1");
  Pump();
  EXPECT_EQ(ran, (std::vector<std::string>{"Mark &2"}));
  // No item has the accelerator: nothing opens.
  EXPECT_FALSE(bar->KeyboardOpen('q', false));
}

TEST_F(ToolbarLoop, ArrowsInADroppedMenuWalkTheButtonsButLeaveTheChevronsPopupShut) {
  auto* c = new TDKItem(form);
  c->SetImageIndex(1);
  bar->Items()->Add(c);
  // 90 inside the frame: A, B and Marks (77) stay before the chevron, C goes behind it.
  Tool(top, 690, 20, 0, 0, "Wide");
  bar->SetDockPos(700);
  Pump();
  const POINT b = Centre(bar->View(), marks);
  std::vector<std::pair<TDKCustomItem*, bool>> seen;  // the selection, and a menu open under it
  auto note = [&] { seen.emplace_back(bar->View()->Selected()->Item(), Menu() != nullptr); };
  win::InputScript script;
  script.Move(b.x, b.y).Click(b.x, b.y).Key(win::VK_RIGHT).Then(note);
  script.Key(win::VK_LEFT).Then(note).Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  RunScript(script);
  EXPECT_EQ(seen, (decltype(seen){{bar->ChevronItem(), false}, {marks, true}}));
}

TEST_F(ToolbarLoop, ASplitButtonPressedOnItsButtonAndReleasedOnItsArrowEndsTheLoop) {
  marks->SetDropdownCombo(true);
  Pump();
  const RECT r = bar->View()->Find(marks)->BoundsRect;
  const POINT button = Screen(bar, r.left + 4, r.top + 5),
              arrow = Screen(bar, r.right - 4, r.top + 5);
  win::InputScript script;
  script.Move(button.x, button.y).Down(button.x, button.y).Move(arrow.x, arrow.y);
  script.Up(arrow.x, arrow.y).Then([&] { EXPECT_FALSE(bar->View()->InModalLoop()); });
  RunScript(script.Key(win::VK_ESCAPE));
}

TEST_F(ToolbarLoop, TheChevronPopupShowsTheHiddenButtons) {
  Tool(top, 710, 20, 0, 0, "Wide");
  bar->SetDockPos(720);
  Pump();
  ASSERT_TRUE(bar->View()->Find(bar->ChevronItem())->Show);
  const POINT c = Centre(bar->View(), bar->ChevronItem());
  win::InputScript script;
  std::vector<int> shown;
  script.Move(c.x, c.y).Click(c.x, c.y).Then([&] {
    ASSERT_NE(Menu(), nullptr);
    for (int i = 0; i < Menu()->ViewerCount(); ++i)
      if (Menu()->Viewers(i)->Show) shown.push_back(i);
    delete bar;  // freed with the popup open: its loop ends
    bar = nullptr;
  });
  RunScript(script);
  // 70 inside the frame, 58 before the chevron: A and B (46) stay, the 31-pixel Marks goes.
  EXPECT_EQ(shown, (std::vector<int>{2}));
  EXPECT_EQ(win::GetCapture(), nullptr);
}

}  // namespace
}  // namespace docktest

namespace docktest {
namespace {

TEST_F(Toolbar, ProcessShortCutsAnswersTheActiveFormsKeysBeforeTheFocusedControl) {
  auto* t = Bar(top, 2);
  auto* item = t->Items()->Items(0);
  item->SetShortCut(vcl::ShortCut('L', vcl::ssCtrl));
  int clicks = 0;
  item->OnClick = rtl::TNotifyEvent(&clicks, [&](rtl::TObject*) { ++clicks; });
  auto* edit = new vcl::TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(100, 100, 80, 21);
  edit->SetFocus();
  Pump();
  Key('L', false, true);
  EXPECT_EQ(clicks, 0);  // not processing shortcuts: the key goes to the edit
  t->SetProcessShortCuts(true);
  Key('L', false, true);
  EXPECT_EQ(clicks, 1);
  // With another form active, the main form's toolbars still answer after the active form's.
  auto* other = new vcl::TForm(app.get());
  other->SetBounds(600, 400, 200, 150);
  other->Show();
  Pump();
  ASSERT_NE(vcl::Screen->ActiveForm(), form);
  Key('L', false, true);
  EXPECT_EQ(clicks, 2);
  // Disabled, the item lets the key through.
  item->SetEnabled(false);
  Key('L', false, true);
  EXPECT_EQ(clicks, 2);
  t->SetProcessShortCuts(false);
  item->SetEnabled(true);
  Key('L', false, true);
  EXPECT_EQ(clicks, 2);
}

}  // namespace
}  // namespace docktest

namespace docktest {
namespace {

TEST_F(ToolbarLoop, AMenuBarShowsItsAcceleratorsOnlyWhileTheKeyboardUsesIt) {
  marks->SetImageIndex(-1);
  bar->SetMenuBar(true);
  Pump();
  EXPECT_TRUE(bar->FullSize());
  EXPECT_EQ(bar->ShrinkMode(), dksmWrap);
  EXPECT_TRUE(bar->ProcessShortCuts());
  EXPECT_FALSE(bar->View()->AccelsVisible());
  win::InputScript script;
  bool during = false;
  script.Then([&] { during = bar->View()->AccelsVisible(); });
  script.Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  EXPECT_TRUE(bar->KeyboardOpen('m', false));
  EXPECT_TRUE(during);
  EXPECT_FALSE(bar->View()->AccelsVisible());
  // Turning it off gives back the toolbar's own settings.
  bar->SetMenuBar(false);
  EXPECT_FALSE(bar->FullSize());
  EXPECT_EQ(bar->ShrinkMode(), dksmChevron);
  EXPECT_FALSE(bar->ProcessShortCuts());
}

}  // namespace
}  // namespace docktest

namespace docktest {
namespace {

// Alt with a letter typed in a control of the form: the letter and the Alt key as the script
// presses them.
win::InputScript& AltKey(win::InputScript& s, unsigned key) {
  return s.Then(win::KeyDown(win::VK_MENU)).Key(key).Then(win::KeyUp(win::VK_MENU));
}

class MenuBarKeys : public ToolbarLoop {
 protected:
  void SetUp() override {
    ToolbarLoop::SetUp();
    marks->SetImageIndex(-1);  // the caption shows, so "&Marks" has its accelerator
    edit = new vcl::TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(100, 100, 80, 21);
    edit->SetFocus();
    Pump();
    win::ClearSinks();
  }
  static int Beeps() {
    int n = 0;
    for (const win::SoundRequest& r : win::SoundLog()) n += r.alias.empty();
    return n;
  }
  std::string MenuSelection() {
    return Menu() && Menu()->Selected() ? Menu()->Selected()->Item()->Caption() : "";
  }
  vcl::TEdit* edit = nullptr;
};

TEST_F(MenuBarKeys, AltAndALetterOpensTheMenuBarThroughTheFormsKeyboardMenu) {
  bar->SetMenuBar(true);
  win::InputScript script;
  bool accels = false;
  std::string selected;
  script.Then(win::KeyDown(win::VK_MENU)).Then([&] { accels = bar->View()->AccelsVisible(); });
  script.Key('M').Then(win::KeyUp(win::VK_MENU)).Then([&] { selected = MenuSelection(); });
  script.Key('2');
  RunScript(script);
  EXPECT_TRUE(accels);  // Alt held shows the menu bar's accelerators
  EXPECT_EQ(selected, "Mark &1");
  EXPECT_EQ(ran, (std::vector<std::string>{"Mark &2"}));
  EXPECT_FALSE(bar->View()->InModalLoop());

  // A letter no item has beeps once; '-' does not.
  win::InputScript none;
  AltKey(none, 'Q');
  AltKey(none, win::VK_OEM_MINUS);
  RunScript(none);
  EXPECT_EQ(Beeps(), 1);
  EXPECT_FALSE(bar->View()->InModalLoop());

  // Alt pressed and released alone selects the first item and waits in the menu loop.
  win::InputScript alone;
  std::string first;
  alone.Then(win::KeyDown(win::VK_MENU)).Then(win::KeyUp(win::VK_MENU)).Then([&] {
    first = bar->View()->InModalLoop() && bar->View()->Selected()
                ? bar->View()->Selected()->Item()->Caption()
                : "";
  });
  alone.Key(win::VK_ESCAPE);
  RunScript(alone);
  EXPECT_EQ(first, "A");
  EXPECT_FALSE(bar->View()->InModalLoop());
  EXPECT_EQ(ran.size(), 1u);
}

TEST_F(MenuBarKeys, APlainToolbarAnswersAltAndItsAcceleratorOnly) {
  win::InputScript script;
  std::string selected;
  AltKey(script, 'M').Then([&] { selected = MenuSelection(); });
  script.Key('1');
  RunScript(script);
  EXPECT_EQ(selected, "Mark &1");
  EXPECT_EQ(ran, (std::vector<std::string>{"Mark &1"}));
  // A shown caption without an accelerator matches by its first letter, which a plain toolbar
  // does not take from Alt; a menu bar does.
  auto* anchor = new TDKItem(form);
  anchor->SetCaption("Anchor");
  anchor->OnClick = rtl::TNotifyEvent(&ran, [this](rtl::TObject*) { ran.push_back("Anchor"); });
  bar->Items()->Add(anchor);
  Pump();
  ASSERT_TRUE(bar->View()->Find(anchor)->CaptionShown());
  win::InputScript first;
  AltKey(first, 'A');
  RunScript(first);
  EXPECT_FALSE(bar->View()->InModalLoop());
  EXPECT_EQ(ran.size(), 1u);
  bar->SetMenuBar(true);
  AltKey(first, 'A');
  RunScript(first);
  EXPECT_EQ(ran, (std::vector<std::string>{"Mark &1", "Anchor"}));
}

}  // namespace
}  // namespace docktest

namespace docktest {
namespace {

class ToolbarHints : public ToolbarLoop {
 protected:
  std::string HintShown() {
    vcl::THintWindow* h = app->HintWindow();
    return h && h->HandleAllocated() && win::IsWindowVisible(h->Handle()) ? h->Caption() : "";
  }
};

TEST_F(ToolbarHints, EachButtonHasItsOwnHintAndRectangle) {
  bar->SetShowHint(true);
  EXPECT_TRUE(bar->View()->ShowHints());  // the menu loop asks the view
  TDKCustomItem* wind = bar->Items()->Items(0);
  TDKCustomItem* depth = bar->Items()->Items(1);
  wind->SetHint("Wind|Shows the wind");
  depth->SetHint("Depth|Shows the depth");
  const POINT a = Centre(bar->View(), wind), b = Centre(bar->View(), depth);
  win::InputScript script;
  std::string first, between, second;
  script.Move(a.x, a.y).After(600).Then([&] { first = HintShown(); });
  script.Move(b.x, b.y).Then([&] { between = HintShown(); });
  script.After(600).Then([&] {
    second = HintShown();
    win::PostMessage(bar->Handle(), win::WM_NULL, 0, 0);  // the loop wakes once more
  });
  RunScript(script);
  EXPECT_EQ(first, "Wind");
  EXPECT_EQ(between, "");  // another button: the hint starts over
  EXPECT_EQ(second, "Depth");
  // The record the toolbar fills: the text and the button's rectangle.
  vcl::THintInfo info;
  info.HintControl = bar;
  info.CursorPos = bar->ScreenToClient(b);
  EXPECT_EQ(bar->Perform(vcl::CM_HINTSHOW, 0, reinterpret_cast<win::LPARAM>(&info)), 0);
  EXPECT_EQ(info.HintStr, "Depth");
  EXPECT_EQ(info.CursorRect, bar->View()->Find(depth)->BoundsRect);
  // Over no button there is no hint.
  info.CursorPos = POINT{-1, -1};
  EXPECT_NE(bar->Perform(vcl::CM_HINTSHOW, 0, reinterpret_cast<win::LPARAM>(&info)), 0);
}

TEST_F(ToolbarHints, InAMenuTheStatusHasTheLongHintAndThePointerTheShortOne) {
  TDKCustomItem* first = marks->Items(0);
  first->SetHint("First|The first mark");
  first->SetOptions(dkoShowHint);
  std::vector<std::string> status;
  app->OnHint = rtl::TNotifyEvent(&status, [&](rtl::TObject*) { status.push_back(app->Hint()); });
  const POINT b = Centre(bar->View(), marks);
  win::InputScript script;
  std::string during, shown;
  script.Move(b.x, b.y).Click(b.x, b.y).Then([&] {
    const POINT p = Centre(Menu(), first);
    win::PostRawInput(win::MouseMove(p.x, p.y));
  });
  script.After(600).Then([&] {
    during = app->Hint();
    shown = HintShown();
  });
  script.Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  RunScript(script);
  EXPECT_EQ(during, "The first mark");
  EXPECT_EQ(shown, "First");
  EXPECT_EQ(app->Hint(), "");
  EXPECT_EQ(HintShown(), "");
  EXPECT_FALSE(status.empty());
}

}  // namespace
}  // namespace docktest

namespace docktest {
namespace {

TEST_F(Toolbar, DockedWithWrappingItWrapsItsButtonsAtTheDocksLength) {
  form->SetClientWidth(200);
  Pump();
  auto* t = Bar(top, 10);
  t->SetShrinkMode(dksmWrap);
  Pump();
  // 200 - 10 of frame = 190: eight 23-pixel buttons (184) in the first line, two in the second;
  // a wrapped line takes the whole length.
  EXPECT_EQ(t->View()->WrapOffset(), 190);
  EXPECT_EQ(t->View()->WrappedLines(), 2);
  EXPECT_EQ(t->View()->Viewers(7)->BoundsRect, (RECT{161, 0, 184, 22}));
  EXPECT_EQ(t->View()->Viewers(8)->BoundsRect, (RECT{0, 22, 23, 44}));
  EXPECT_EQ(Bounds(t), R(0, 0, 200, 2 * 22 + 4));
  EXPECT_EQ(top->Height(), 48);
  EXPECT_EQ(Shown(t), 10);
  EXPECT_FALSE(t->View()->Find(t->ChevronItem())->Show);
  // A wider form gives the buttons one line again.
  form->SetClientWidth(400);
  Pump();
  EXPECT_EQ(t->View()->WrappedLines(), 1);
  EXPECT_EQ(t->View()->Viewers(9)->BoundsRect, (RECT{207, 0, 230, 22}));
  EXPECT_EQ(top->Height(), 26);
  // For another dock, or while floating, the frame it would have there: 10 along the rows.
  EXPECT_EQ(t->CalcWrapOffset(left), left->ClientHeight() - 10);
  t->SetFloating(true);
  EXPECT_EQ(t->CalcWrapOffset(bottom), 400 - 10);
}

TEST_F(ToolbarLoop, DoubleClickingASubmenuButtonRunsItsDefaultItem) {
  marks->Items(1)->SetOptions(dkoDefault);
  const POINT b = Centre(bar->View(), marks);
  win::InputScript script;
  script.Move(b.x, b.y).Click(b.x, b.y).After(50).Click(b.x, b.y);
  RunScript(script);
  EXPECT_EQ(ran, (std::vector<std::string>{"Mark &2"}));
  EXPECT_FALSE(bar->View()->InModalLoop());
  EXPECT_EQ(Menu(), nullptr);
}

vcl::TColor ScreenAt(POINT p) {
  return gdi::NativeToColor(win::ComposeScreen().Get(p.x, p.y));
}

TEST_F(Toolbar, ItsItemsTakeTheSystemsMenuFontUnlessToldOtherwise) {
  auto* t = Bar(top, 0);
  auto* wind = new TDKItem(form);
  wind->SetCaption("Wind");
  t->Items()->Add(wind);
  auto width = [&] {
    Pump();
    EXPECT_EQ(t->ClientWidth(), t->View()->Find(wind)->BoundsRect.right);
    return t->ClientWidth();
  };
  const int normal = width();
  t->Font()->SetSize(24);
  EXPECT_EQ(width(), normal);
  // Its own font: the toolbar lays itself out again at each change of it.
  t->SetSystemFont(false);
  const int big = width();
  EXPECT_GT(big, normal + 20);
  t->Font()->SetSize(8);
  EXPECT_EQ(width(), normal);
  // The system's menu font changes to the same 32 pixels: the toolbar follows it.
  t->SetSystemFont(true);
  win::GetSettings().nonClient.lfMenuFont.lfHeight = -32;
  win::ApplySettings(win::SPI_SETNONCLIENTMETRICS);
  EXPECT_EQ(width(), big);
}

TEST_F(Toolbar, ThePointerLeavingItDropsTheHotItem) {
  auto* t = Bar(top, 3);
  Pump();
  const RECT r = t->View()->Viewers(1)->BoundsRect;
  const POINT in = Screen(t, r.left + 5, r.top + 5), corner = Screen(t, r.left, r.top);
  const POINT out = Screen(form, 400, 300);
  Feed(win::MouseMove(in.x, in.y));
  EXPECT_EQ(t->View()->Selected(), t->View()->Viewers(1));
  EXPECT_EQ(ScreenAt(corner), gdi::ColorToRGB(gdi::clBtnHighlight));  // its raised edge
  Feed(win::MouseMove(out.x, out.y));
  EXPECT_EQ(t->View()->Selected(), nullptr);
  EXPECT_EQ(ScreenAt(corner), gdi::ColorToRGB(gdi::clBtnFace));
}

// A button that shows the hand over itself.
struct HandViewer : TDKItemViewer {
  using TDKItemViewer::TDKItemViewer;
  win::HCURSOR GetCursor(int, int) const override {
    return win::LoadCursor(nullptr, win::IDC_HAND);
  }
};

TEST_F(Toolbar, AViewerThatHasACursorShowsItOverItself) {
  auto* t = Bar(top, 1);
  auto* hand = new ItemViewedAs<HandViewer>(form);
  hand->SetImageIndex(1);
  t->Items()->Add(hand);
  Pump();
  for (int i : {1, 0}) {
    const POINT p = Screen(t, t->View()->Viewers(i)->BoundsRect.left + 5, 5);
    Feed(win::MouseMove(p.x, p.y));
    EXPECT_EQ(win::GetCursor(), win::LoadCursor(nullptr, i ? win::IDC_HAND : win::IDC_ARROW));
  }
}

TEST_F(Toolbar, ANewColourReachesItsFrameAndItsButtons) {
  auto* t = Bar(top, 2);
  Pump();
  t->SetColor(vcl::TColor(0x0000FF));
  Pump();
  EXPECT_EQ(ScreenAt(FramePoint(t, t->Width() - 2, t->Height() / 2)), 0x0000FF);
  EXPECT_EQ(ScreenAt(Screen(t, 1, 1)), 0x0000FF);
}

TEST_F(ToolbarLoop, CancelModeClosesItsMenuAtOnceAndRunsNothing) {
  const POINT b = Centre(bar->View(), marks);
  win::InputScript script;
  bool hiddenAtOnce = false, ending = false;
  script.Move(b.x, b.y).Click(b.x, b.y).Then([&] {
    const win::HWND menu = Menu()->Window()->Handle();
    win::SendMessage(bar->Handle(), win::WM_CANCELMODE, 0, 0);
    hiddenAtOnce = !win::IsWindowVisible(menu);
    ending = bar->View()->IsModalEnding();
  });
  RunScript(script);
  EXPECT_TRUE(hiddenAtOnce);
  EXPECT_TRUE(ending);
  EXPECT_FALSE(bar->View()->InModalLoop());
  Pump();
  EXPECT_TRUE(ran.empty());
}

}  // namespace
}  // namespace docktest
