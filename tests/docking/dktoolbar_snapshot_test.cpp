// Headless pictures of toolbars and menus, written as PNG files for a person to look at.
#include "docking/dkcommon.h"
#include "docking/dkpopup.h"
#include "docking/dktoolbar.h"
#include "platform/gdi/controls.h"
#include "platform/gdi/image.h"
#include "platform/vcl/edits.h"
#include "platform/win/paint.h"
#include "tests/docking/dockfixture.h"

namespace docktest {
namespace {

class ToolbarSnapshot : public DockTest {
 protected:
  void SetUp() override {
    DockTest::SetUp();
    form->SetCaption("Corvatalen toolbars");
    images = new vcl::TImageList(form);
    // Eight glyphs: a coloured square, a diamond, a cross... drawn on a magenta mask.
    vcl::TBitmap strip;
    strip.SetSize(16 * 8, 16);
    vcl::TCanvas* c = strip.Canvas();
    c->Brush()->SetColor(vcl::TColor(0xFF00FF));
    c->FillRect(vcl::TRect{0, 0, 16 * 8, 16});
    const vcl::TColor colours[8] = {0x0000C0, 0x008000, 0xC00000, 0x008080,
                                    0x800080, 0x404040, 0x0080FF, 0x806000};
    for (int k = 0; k < 8; ++k) {
      c->Pen()->SetColor(colours[k]);
      c->Brush()->SetColor(colours[k]);
      const int x = k * 16;
      if (k % 3 == 0)
        c->Rectangle(x + 2, 2, x + 14, 14);
      else if (k % 3 == 1)
        c->Polygon({{x + 8, 1}, {x + 15, 8}, {x + 8, 15}, {x + 1, 8}});
      else
        c->Ellipse(x + 2, 2, x + 14, 14);
    }
    images->AddMasked(&strip, vcl::TColor(0xFF00FF));
  }
  TDKToolbar* Bar(const char* name) {
    auto* t = new TDKToolbar(form);
    t->SetName(name);
    t->SetCaption(name);
    t->SetImages(images);
    return t;
  }
  template <typename T = TDKItem>
  T* Item(TDKCustomItem* parent, const std::string& caption, int image = -1) {
    auto* i = new T(form);
    i->SetCaption(caption);
    i->SetImageIndex(image);
    parent->Add(i);
    return i;
  }
  vcl::TColor At(POINT p) { return gdi::NativeToColor(win::ComposeScreen().Get(p.x, p.y)); }
  static vcl::TColor Rgb(vcl::TColor c) { return static_cast<vcl::TColor>(gdi::ColorToRGB(c)); }
  std::string Save(const std::string& name) {
    const std::string path = ::testing::TempDir() + name;
    gdi::SavePngFile(path, win::ComposeScreen());
    std::cout << "picture: " << path << "\n";
    return path;
  }
  vcl::TImageList* images = nullptr;
};

TEST_F(ToolbarSnapshot, HorizontalVerticalAndFloatingToolbars) {
  auto* main = Bar("Main");
  for (int k = 0; k < 3; ++k) Item(main->Items(), "Button", k);
  Item<TDKSeparatorItem>(main->Items(), "");
  auto* checked = Item(main->Items(), "Log", 3);
  checked->SetChecked(true);
  auto* both = Item(main->Items(), "Replay", 4);
  both->SetDisplayMode(nbdmImageAndText);
  auto* marks = Item<TDKSubmenuItem>(main->Items(), "Marks", 5);
  marks->SetOptions(dkoDropdownArrow);
  auto* split = Item<TDKSubmenuItem>(main->Items(), "Split", 6);
  split->SetDropdownCombo(true);
  auto* off = Item(main->Items(), "Off", 7);
  off->SetEnabled(false);
  auto* edit = new vcl::TEdit(form);
  edit->SetBounds(0, 0, 70, 21);
  edit->SetText("12.5 kn");
  edit->SetParent(main);
  main->SetCurrentDock(top);

  auto* side = Bar("Side");
  Item(side->Items(), "Wind");
  Item(side->Items(), "Speed");
  Item<TDKSeparatorItem>(side->Items(), "");
  Item(side->Items(), "", 0);
  side->SetCurrentDock(left);

  auto* floating = Bar("Floating");
  for (int k = 0; k < 8; ++k) Item(floating->Items(), "", k);
  floating->SetFloatingWidth(100);
  floating->SetParent(form);
  floating->SetFloatingPosition(form->ClientToScreen(POINT{300, 200}));
  floating->SetFloating(true);
  Pump();

  Save("toolbars.png");
  // The checked button is sunken: its top-left edge in the shadow colour.
  const RECT cr = main->View()->Find(checked)->BoundsRect;
  const vcl::TPoint cp = main->ClientToScreen(vcl::TPoint{cr.left, cr.top + 5});
  EXPECT_EQ(At(POINT{cp.x, cp.y}), gdi::ColorToRGB(gdi::clBtnShadow));
  // The floating toolbar wraps at 100: 4 buttons of 23 on each of two lines.
  EXPECT_EQ(floating->View()->WrappedLines(), 2);
  EXPECT_EQ(side->View()->Orientation(), dkvoVertical);
}

TEST_F(ToolbarSnapshot, TheChevronPopup) {
  auto* wide = Tool(top, 640, 20, 0, 0, "Wide");
  (void)wide;
  auto* bar = Bar("Bar");
  for (int k = 0; k < 8; ++k) Item(bar->Items(), "", k);
  Item(bar->Items(), "Wind");
  bar->SetDockPos(650);
  bar->SetCurrentDock(top);
  Pump();
  TDKItemViewer* chevron = bar->View()->Find(bar->ChevronItem());
  ASSERT_TRUE(chevron->Show);
  const vcl::TPoint c = bar->ClientToScreen(vcl::TPoint{chevron->BoundsRect.left + 6, 11});
  // The double chevron's first row (CC) 2 pixels from the left and 4 from the top.
  const vcl::TPoint g = bar->ClientToScreen(vcl::TPoint{chevron->BoundsRect.left + 2, 4});
  EXPECT_EQ(At(POINT{g.x, g.y}), gdi::ColorToRGB(gdi::clBtnText));
  EXPECT_EQ(At(POINT{g.x + 2, g.y}), gdi::ColorToRGB(gdi::clBtnFace));
  win::InputScript script;
  RECT popup{};
  vcl::TColor corner = 0, inner = 0;
  // The picture once the popup's fade-in has ended.
  script.Move(c.x, c.y).Click(c.x, c.y).After(200).Then([&] {
    ProcessPaintMessages();
    Save("toolbar_chevron.png");
    TDKView* v = bar->View()->OpenViewerView();
    ASSERT_NE(v, nullptr);
    win::GetWindowRect(v->Window()->Handle(), &popup);
    corner = At(POINT{popup.left + 1, popup.top + 1});
    inner = At(POINT{popup.left + 2, popup.top + 2});
  });
  script.Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  RunScript(script);
  // Below the chevron, ending at its right; a raised frame: highlight, then the face.
  const vcl::TPoint cb =
      bar->ClientToScreen(vcl::TPoint{chevron->BoundsRect.right, chevron->BoundsRect.bottom});
  EXPECT_EQ(popup.top, cb.y);
  EXPECT_EQ(popup.right, cb.x);
  EXPECT_EQ(corner, gdi::ColorToRGB(gdi::clBtnHighlight));
  EXPECT_EQ(inner, gdi::ColorToRGB(gdi::clBtnFace));
}

TEST_F(ToolbarSnapshot, ASubmenuWithChecksShortCutsArrowsAndScrolling) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  auto* track = Item(root, "&Track");
  track->SetChecked(true);
  auto* kn = Item(root, "&Knots", -1);
  kn->SetRadioItem(true);
  kn->SetGroupIndex(1);
  kn->SetChecked(true);
  auto* ms = Item(root, "&Metres per second");
  ms->SetRadioItem(true);
  ms->SetGroupIndex(1);
  auto* save = Item(root, "&Save log", 2);
  save->SetShortCut(vcl::ShortCut('S', vcl::ssCtrl));
  Item(root, "&Print\tCtrl+P");
  Item<TDKSeparatorItem>(root, "");
  auto* off = Item(root, "&Disconnected");
  off->SetEnabled(false);
  auto* more = Item<TDKSubmenuItem>(root, "&Waypoints");
  for (int k = 0; k < 60; ++k) Item(more, "Waypoint " + std::to_string(k + 1));
  Item<TDKSubmenuItem>(root, "&Charts");
  win::InputScript script;
  bool scrolls = false;
  script.After(200).Key(win::VK_DOWN).Key('W').Then([&] {
    ProcessPaintMessages();
    Save("menu_submenu.png");
  });
  script.Then([&] {
    // The waypoint list is taller than the work area: a down arrow, no up arrow, and its
    // window the work area's height.
    for (win::HWND h = win::GetWindow(win::GetDesktopWindow(), win::GW_CHILD); h;
         h = win::GetWindow(h, win::GW_HWNDNEXT))
      if (auto* w = dynamic_cast<TDKPopupWindow*>(vcl::TWinControl::FindControl(h)))
        if (w->View()->ParentItem() == more) {
          const RECT work = GetRectOfMonitorContainingPoint(POINT{60, 40}, true);
          scrolls = w->View()->ShowDownArrow() && !w->View()->ShowUpArrow() &&
                    w->Height() == work.bottom - work.top;
        }
  });
  script.Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  root->Popup(60, 40, false);
  Pump();
  EXPECT_TRUE(scrolls);
}

// The pixels of a menu row's last column that differ from the system's menu-arrow glyph painted
// in colour c: the glyph's black in c, its white in anything else.
int ArrowMisses(TDKPopupWindow* popup, TDKCustomItem* item, vcl::TColor c) {
  const RECT r = popup->View()->Find(item)->BoundsRect;
  const int h = r.bottom - r.top;
  vcl::TBitmap glyph;
  glyph.SetSize(h, h);
  RECT g{0, 0, h, h};
  gdi::DrawFrameControl(glyph.Canvas()->Handle(), &g, gdi::DFC_MENU, gdi::DFCS_MENUARROW);
  const gdi::Surface& screen = win::ComposeScreen();
  int misses = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < h; ++x) {
      const POINT p = popup->ClientToScreen(POINT{r.right - h + x, r.top + y});
      const bool ink = gdi::GetPixel(glyph.Canvas()->Handle(), x, y) == gdi::RGB(0, 0, 0);
      const bool coloured = gdi::NativeToColor(screen.Get(p.x, p.y)) == gdi::ColorToRGB(c);
      misses += ink != coloured;
    }
  return misses;
}

// The open popup that shows a root item's children.
TDKPopupWindow* PopupOf(TDKCustomItem* root) {
  for (win::HWND h = win::GetWindow(win::GetDesktopWindow(), win::GW_CHILD); h;
       h = win::GetWindow(h, win::GW_HWNDNEXT))
    if (auto* w = dynamic_cast<TDKPopupWindow*>(vcl::TWinControl::FindControl(h)))
      if (w->View()->ParentItem() == root) return w;
  return nullptr;
}

TEST_F(ToolbarSnapshot, SubmenuRowsShowTheSystemsArrowInTheirTextColour) {
  auto* root = new TDKRootItem(form);
  auto* charts = Item<TDKSubmenuItem>(root, "&Charts");
  Item(charts, "World");
  auto* marks = Item<TDKSubmenuItem>(root, "&Marks");
  marks->SetDropdownCombo(true);
  Item(marks, "Buoy");
  auto* off = Item<TDKSubmenuItem>(root, "&Off");
  Item(off, "Nothing");
  off->SetEnabled(false);
  bool looked = false;
  win::InputScript script;
  script.After(200).Key(win::VK_DOWN).Key(win::VK_DOWN).Then([&] {
    looked = true;
    ProcessPaintMessages();
    Save("menu_arrows.png");
    TDKPopupWindow* popup = PopupOf(root);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(ArrowMisses(popup, charts, gdi::clMenuText), 0);
    // The selected split row: the button-text colour on the highlight.
    EXPECT_EQ(ArrowMisses(popup, marks, gdi::clBtnText), 0);
    EXPECT_EQ(ArrowMisses(popup, off, gdi::clGrayText), 0);
  });
  script.Key(win::VK_ESCAPE);
  root->Popup(60, 40, false);
  Pump();
  EXPECT_TRUE(looked);
}

// Counts the pixels of a colour in an item's button (or in a part of it).
int Count(TDKCustomToolbar* bar, TDKCustomItem* item, vcl::TColor c, RECT part = {}) {
  const RECT r = bar->View()->Find(item)->BoundsRect;
  if (part.right == 0) part = RECT{0, 0, r.right - r.left, r.bottom - r.top};
  int n = 0;
  for (int y = part.top; y < part.bottom; ++y)
    for (int x = part.left; x < part.right; ++x) {
      const POINT p = bar->ClientToScreen(POINT{r.left + x, r.top + y});
      n += gdi::NativeToColor(win::ComposeScreen().Get(p.x, p.y)) == gdi::ColorToRGB(c);
    }
  return n;
}

TEST_F(ToolbarSnapshot, AHeldButtonIsPressedAndACheckedOneAwayFromThePointerDithered) {
  auto* main = Bar("Main");
  auto* anchor = Item(main->Items(), "Anchor", 0);
  auto* log = Item(main->Items(), "Log");
  log->SetChecked(true);
  main->SetCurrentDock(top);
  Pump();
  // Inside its edge the checked button's face alternates with the highlight, pixel by pixel.
  const RECT inner{2, 2, 4, 3};
  EXPECT_EQ(Count(main, log, gdi::clBtnHighlight, inner), 1);
  const POINT a = main->ClientToScreen(POINT{11, 11}), l = main->ClientToScreen(POINT{30, 5});
  win::InputScript script;
  int sunken = 0;
  script.Move(a.x, a.y).Down(a.x, a.y).Then([&] {
    ProcessPaintMessages();
    Save("toolbar_held_checked.png");
    // Held with the pointer on it: the top-left edge in the shadow colour.
    sunken = Count(main, anchor, gdi::clBtnShadow, RECT{0, 0, 1, 22});
  });
  script.Up(a.x, a.y).Move(l.x, l.y);
  RunScript(script);
  EXPECT_GE(sunken, 20);
  // Under the pointer the checked button has a plain face.
  EXPECT_EQ(Count(main, log, gdi::clBtnFace, inner), 2);
}

TEST_F(ToolbarSnapshot, DisabledArrowsAndCaptionsAreEmbossedAndVerticalCaptionsUnderlined) {
  // Grey text that cannot be told from the face: disabled items are drawn embossed.
  win::GetSettings().colors[gdi::COLOR_GRAYTEXT] = win::GetSettings().colors[gdi::COLOR_BTNFACE];
  win::ApplySettings();
  auto* main = Bar("Main");
  auto* marks = Item<TDKSubmenuItem>(main->Items(), "Marks");
  marks->SetOptions(dkoDropdownArrow);
  marks->SetEnabled(false);
  main->SetCurrentDock(top);
  auto* side = Bar("Side");
  auto* accel = Item(side->Items(), "&Wind");
  auto* plain = Item(side->Items(), "Wind");
  auto* off = Item(side->Items(), "&Off");
  off->SetEnabled(false);
  side->SetCurrentDock(left);
  Pump();
  Save("toolbar_disabled_vertical.png");
  // The drop-down arrow (in the last 11 pixels less 3): a highlight copy beside the shadow.
  const RECT mr = main->View()->Find(marks)->BoundsRect;
  const RECT arrow{mr.right - mr.left - 11, 0, mr.right - mr.left - 3, mr.bottom - mr.top};
  EXPECT_GT(Count(main, marks, gdi::clBtnHighlight, arrow), 0);
  EXPECT_GT(Count(main, marks, gdi::clBtnShadow, arrow), 0);
  // Down the side: the accelerator is underlined, the disabled caption embossed.
  EXPECT_GT(Count(side, accel, gdi::clBtnText), Count(side, plain, gdi::clBtnText) + 3);
  EXPECT_GT(Count(side, off, gdi::clBtnHighlight), 0);
  EXPECT_GT(Count(side, off, gdi::clBtnShadow), 0);
}

TEST_F(ToolbarSnapshot, ADisabledCheckedButtonIsDitheredAndShiftedWithoutAnEdge) {
  auto* main = Bar("Main");
  auto *plain = Item(main->Items(), "Log"), *checked = Item(main->Items(), "Log");
  for (TDKItem* i : {plain, checked}) i->SetEnabled(false);
  checked->SetChecked(true);
  main->SetCurrentDock(top);
  Pump();
  Save("toolbar_disabled_checked.png");
  // Inside where an enabled button has its edge, the face alternates with the highlight.
  EXPECT_EQ(Count(main, checked, gdi::clBtnHighlight, RECT{1, 1, 3, 2}), 1);
  // The grey caption sits one pixel lower and further right than the unchecked one's.
  const gdi::Surface& screen = win::ComposeScreen();
  auto ink = [&](TDKCustomItem* item, int shift) {
    const RECT r = main->View()->Find(item)->BoundsRect;
    std::vector<POINT> dots;
    for (int y = 0; y < r.bottom - r.top; ++y)
      for (int x = 0; x < r.right - r.left; ++x) {
        const POINT p = main->ClientToScreen(POINT{r.left + x, r.top + y});
        if (gdi::NativeToColor(screen.Get(p.x, p.y)) == gdi::ColorToRGB(gdi::clGrayText))
          dots.push_back(POINT{x - shift, y - shift});
      }
    return dots;
  };
  EXPECT_GT(ink(plain, 0).size(), 10u);
  EXPECT_EQ(ink(checked, 1), ink(plain, 0));
}

TEST_F(ToolbarSnapshot, TheKeyboardsMenuRowIsHighlightedAndItsImageColumnAButton) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  TDKItem* rows[] = {Item(root, "&Track"), Item(root, "&Knots"), Item(root, "&Disconnected")};
  rows[0]->SetChecked(true);
  rows[2]->SetEnabled(false);
  // Each row as Down reaches it: the image column's left edge and its inside, then the row
  // right of the column.
  std::vector<std::vector<vcl::TColor>> looks;
  win::InputScript script;
  script.After(200);
  for (TDKItem* row : rows)
    script.Key(win::VK_DOWN).Then([&, row] {
      ProcessPaintMessages();
      TDKPopupWindow* popup = PopupOf(root);
      const RECT r = popup->View()->Find(row)->BoundsRect;
      const POINT o = popup->ClientToScreen(POINT{r.left, r.top});
      auto at = [&](int x, int y) { return At(POINT{o.x + x, o.y + y}); };
      const int h = r.bottom - r.top;
      looks.push_back({at(0, h / 2), at(2, 2), at(h + 1, 1)});
    });
  script.Then([&] { Save("menu_selected_rows.png"); }).Key(win::VK_ESCAPE);
  root->Popup(60, 40, false);
  Pump();
  const vcl::TColor face = Rgb(gdi::clBtnFace), selected = Rgb(gdi::clHighlight);
  // Checked: sunken, with the face inside. Neither image nor check: still a raised button.
  // Disabled: highlighted all along, no button.
  EXPECT_EQ(looks, (decltype(looks){{Rgb(gdi::clBtnShadow), face, selected},
                                    {Rgb(gdi::clBtnHighlight), face, selected},
                                    {selected, selected, selected}}));
}

TEST_F(ToolbarSnapshot, WithFlatMenusTheSelectedRowHasTheMenuHighlight) {
  win::GetSettings().flatMenus = true;
  auto* root = new TDKRootItem(form);
  TDKItem* row = Item(root, "&Track");
  vcl::TColor look{};
  win::InputScript script;
  script.After(200).Key(win::VK_DOWN).Then([&] {
    ProcessPaintMessages();
    const RECT r = PopupOf(root)->View()->Find(row)->BoundsRect;
    look = At(PopupOf(root)->ClientToScreen(POINT{r.right - 2, r.top + 1}));
  });
  script.Key(win::VK_ESCAPE);
  root->Popup(60, 40, false);
  EXPECT_EQ(look, Rgb(gdi::clMenuHighlight));
}

}  // namespace
}  // namespace docktest
