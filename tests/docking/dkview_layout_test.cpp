// Layout of views: sizes of buttons and rows, separators, wrapping, vertical columns and popups
// that scroll. A button with a 16 x 16 image alone is 6 + 16 + 1 = 23 wide and 16 + 6 = 22 high.
#include <gmock/gmock.h>

#include "docking/dktoolbar.h"
#include "platform/win/paint.h"
#include "tests/docking/itemfixture.h"

namespace itemtest {
namespace {

class Layout : public ItemTest {
 protected:
  // A toolbar view of an image button and the item after it.
  TDKView* AfterAButton(TDKCustomItem* item, bool priority = false) {
    auto* root = new TDKRootItem(form);
    root->SetSubMenuImages(images);
    Add(root, "", 0);
    root->Add(item);
    return MakeView(root, true, priority);
  }
};

TEST_F(Layout, ImageButtonsLineUpAndAnEmptyViewIsOneButtonBig) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  TDKView* v = MakeView(root, true);
  v->UpdatePositions();
  EXPECT_EQ(v->BaseSize(), (SIZE{23, 22}));
  EXPECT_EQ(v->TotalSize(), (SIZE{23, 22}));
  auto* hidden = Add(root, "", 0);
  hidden->SetVisible(false);
  v->UpdatePositions();
  EXPECT_EQ(v->BaseSize(), (SIZE{23, 22}));
  for (int k = 0; k < 3; ++k) Add(root, "", k);
  v->UpdatePositions();
  EXPECT_FALSE(v->Viewers(0)->Show);
  EXPECT_EQ(v->Viewers(1)->BoundsRect, Rc(0, 0, 23, 22));
  EXPECT_EQ(v->Viewers(2)->BoundsRect, Rc(23, 0, 46, 22));
  EXPECT_EQ(v->Viewers(3)->BoundsRect, Rc(46, 0, 69, 22));
  EXPECT_EQ(v->TotalSize(), (SIZE{69, 22}));
  EXPECT_EQ(v->BaseSize().cx, 69);
}

TEST_F(Layout, DoubledAndEndSeparatorsTakeNoSpace) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  Sep(root);
  Add(root, "", 0);
  Sep(root);
  Sep(root);
  Add(root, "", 1);
  Sep(root);
  TDKView* v = MakeView(root, true);
  v->UpdatePositions();
  EXPECT_FALSE(v->Viewers(0)->Show);
  EXPECT_EQ(v->Viewers(1)->BoundsRect, Rc(0, 0, 23, 22));
  // The separator is 6 wide and stretches across the line.
  EXPECT_TRUE(v->Viewers(2)->Show);
  EXPECT_EQ(v->Viewers(2)->BoundsRect, Rc(23, 0, 29, 22));
  EXPECT_FALSE(v->Viewers(3)->Show);
  EXPECT_EQ(v->Viewers(4)->BoundsRect, Rc(29, 0, 52, 22));
  EXPECT_FALSE(v->Viewers(5)->Show);
  EXPECT_EQ(v->TotalSize(), (SIZE{52, 22}));
}

TEST_F(Layout, CaptionButtonsAreCentredInTheirLine) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  Add(root, "", 0);
  Add(root, "Wind");  // caption only: 6 + text + 6 wide, 6 + text height high
  auto* both = Add(root, "Log", 1);
  both->SetDisplayMode(nbdmImageAndText);
  TDKView* v = MakeView(root, true);
  v->UpdatePositions();
  const int th = TextHeight();
  const int wWind = 12 + TextWidth("Wind");
  const int wLog = 12 + TextWidth("Log") + 17;  // image beside the caption
  const int line = std::max(22, 6 + th);
  EXPECT_EQ(v->Viewers(1)->BoundsRect.right - v->Viewers(1)->BoundsRect.left, wWind);
  EXPECT_EQ(v->Viewers(2)->BoundsRect.right - v->Viewers(2)->BoundsRect.left, wLog);
  EXPECT_EQ(v->TotalSize(), (SIZE{23 + wWind + wLog, line}));
  // The 22-pixel image button sits in the middle of a taller line (odd remainders go up).
  EXPECT_EQ(v->Viewers(0)->BoundsRect.top, (line - 22) / 2);
}

TEST_F(Layout, TextOnlyInMenusShowsTheImageOnlyOnToolbars) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  auto* item = Add(root, "Track", 2);
  item->SetDisplayMode(nbdmTextOnlyInMenus);
  TDKView* bar = MakeView(root, true);
  TDKView* menu = MakeView(root, false);
  bar->UpdatePositions();
  menu->UpdatePositions();
  EXPECT_TRUE(bar->Viewers(0)->ImageShown());
  EXPECT_FALSE(bar->Viewers(0)->CaptionShown());
  EXPECT_EQ(bar->TotalSize(), (SIZE{23, 22}));
  EXPECT_FALSE(menu->Viewers(0)->ImageShown());
  EXPECT_TRUE(menu->Viewers(0)->CaptionShown());
}

TEST_F(Layout, AFloatingLineWrapsAtTheOffsetAndASeparatorBecomesALineBreak) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  Add(root, "", 0);
  Add(root, "", 1);
  Add(root, "", 2);
  TDKView* v = MakeView(root, true);
  // Floating margins: 4 left and right, 2 at the top, 1 at the bottom.
  auto l = v->CalculatePositions(true, dkvoFloating, 60, 0, 0);
  EXPECT_EQ(l.WrappedLines, 2);
  EXPECT_EQ(v->Viewers(1)->BoundsRect, Rc(27, 2, 50, 24));
  EXPECT_EQ(v->Viewers(2)->BoundsRect, Rc(4, 24, 27, 46));
  EXPECT_EQ(l.TotalSize, (SIZE{60 + 4, 46 + 1}));
  // A separator before a group that does not fit breaks the line: 6 pixels high, full width.
  root->Insert(2, new TDKSeparatorItem(nullptr));
  Add(root, "", 3);
  l = v->CalculatePositions(true, dkvoFloating, 60, 0, 0);
  EXPECT_EQ(l.WrappedLines, 2);
  EXPECT_TRUE(v->Viewers(2)->LineBreak);
  EXPECT_EQ(v->Viewers(2)->BoundsRect, Rc(0, 24, 64, 30));
  EXPECT_EQ(v->Viewers(3)->BoundsRect, Rc(4, 30, 27, 52));
  EXPECT_EQ(v->Viewers(4)->BoundsRect, Rc(27, 30, 50, 52));
  EXPECT_EQ(l.TotalSize, (SIZE{64, 53}));
}

TEST_F(Layout, AVerticalToolbarWrapsIntoColumnsWithTheFirstAtTheRight) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  for (int k = 0; k < 3; ++k) Add(root, "", k);
  TDKView* v = MakeView(root, true);
  auto l = v->CalculatePositions(true, dkvoVertical, 50, 0, 0);
  EXPECT_EQ(l.WrappedLines, 2);
  EXPECT_EQ(v->Viewers(0)->BoundsRect, Rc(23, 0, 46, 22));
  EXPECT_EQ(v->Viewers(1)->BoundsRect, Rc(23, 22, 46, 44));
  EXPECT_EQ(v->Viewers(2)->BoundsRect, Rc(0, 0, 23, 22));
  EXPECT_EQ(l.TotalSize, (SIZE{46, 50}));
  // A rotated caption: as wide as the text is high, as long as the text is wide, plus 6 + 6.
  auto* c = Add(root, "Chart");
  (void)c;
  l = v->CalculatePositions(true, dkvoVertical, 0, 0, 0);
  const RECT r = v->Viewers(3)->BoundsRect;
  EXPECT_EQ(r.bottom - r.top, 12 + TextWidth("Chart"));
  EXPECT_EQ(r.right - r.left, 6 + TextHeight());
  // A separator breaking the columns is an etched line down the break (23 to 29).
  root->Delete(3);
  root->Insert(2, new TDKSeparatorItem(nullptr));
  l = v->CalculatePositions(true, dkvoVertical, 50, 0, 0);
  vcl::TBitmap out;
  out.SetSize(l.TotalSize.cx, l.TotalSize.cy);
  v->DrawSubitems(out.Canvas());
  EXPECT_EQ(out.Canvas()->Pixels(25, 10), gdi::ColorToRGB(gdi::clBtnShadow));
}

TEST_F(Layout, MenuRowsShareTheWidestWidthAndAShortCutColumn) {
  auto* root = new TDKRootItem(form);
  Add(root, "&Open");
  auto* save = Add(root, "Save &as");
  save->SetShortCut(vcl::ShortCut('S', vcl::ssCtrl));
  Sep(root);
  Add<TDKSubmenuItem>(root, "Recent");
  TDKView* v = MakeView(root, false);
  v->UpdatePositions();
  vcl::TBitmap b;
  b.SetSize(1, 1);
  b.Canvas()->Font()->Assign(host->Font());
  gdi::TEXTMETRIC tm{};
  gdi::GetTextMetrics(b.Canvas()->Handle(), &tm);
  const int h = tm.tmHeight + tm.tmExternalLeading + 4;
  // Image column (square, h) + 6 + caption + the shortcut (its width + h - 6) + arrow column h.
  const int saveWidth = h + 6 + TextWidth("Save as") + TextWidth("Ctrl+S") + h - 6 + h;
  EXPECT_EQ(v->Viewers(0)->BoundsRect, Rc(0, 0, saveWidth, h));
  EXPECT_EQ(v->Viewers(1)->BoundsRect, Rc(0, h, saveWidth, 2 * h));
  EXPECT_EQ(v->Viewers(2)->BoundsRect, Rc(0, 2 * h, saveWidth, 2 * h + 10));
  EXPECT_EQ(v->Viewers(3)->BoundsRect, Rc(0, 2 * h + 10, saveWidth, 3 * h + 10));
  EXPECT_EQ(v->TotalSize(), (SIZE{saveWidth, 3 * h + 10}));
}

TEST_F(Layout, APopupTallerThanItsSpaceScrollsBetweenItsArrows) {
  auto* root = new TDKRootItem(form);
  for (int k = 0; k < 10; ++k) Add(root, "Row " + std::to_string(k));
  TDKView* v = MakeView(root, false);
  v->UpdatePositions();
  const int h = v->Viewers(0)->BoundsRect.bottom;
  v->SetMaxHeight(4 * h);
  v->UpdatePositions();
  EXPECT_EQ(v->TotalSize().cy, 4 * h);
  EXPECT_FALSE(v->ShowUpArrow());
  EXPECT_TRUE(v->ShowDownArrow());
  // Rows ending inside the 19-pixel arrow band are clipped.
  const int visibleRows = (4 * h - DKScrollArrowHeight) / h;
  EXPECT_TRUE(v->Viewers(visibleRows - 1)->Show);
  EXPECT_FALSE(v->Viewers(visibleRows)->Show);
  EXPECT_TRUE(v->Viewers(visibleRows)->Clipped);
  for (int k = 0; k < 20; ++k) v->Scroll(true);
  EXPECT_TRUE(v->ShowUpArrow());
  EXPECT_FALSE(v->ShowDownArrow());
  EXPECT_EQ(v->ScrollOffset(), 10 * h - 4 * h);
  EXPECT_TRUE(v->Viewers(9)->Show);
  EXPECT_EQ(v->Viewers(9)->BoundsRect.bottom, 4 * h);
  // Selecting the first row by Home scrolls back to the top, where the up arrow goes away.
  unsigned short key = win::VK_HOME;
  v->KeyDown(key, 0);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(v->Selected(), v->Viewers(0));
  EXPECT_TRUE(v->Viewers(0)->Show);
  EXPECT_EQ(v->ScrollOffset(), 0);
  EXPECT_FALSE(v->ShowUpArrow());
  EXPECT_EQ(v->Viewers(0)->BoundsRect.top, 0);
}

TEST_F(Layout, SameWidthButtonsTakeTheWidestOne) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  auto* a = Add(root, "Go", 0);
  auto* b = Add(root, "Anchor", 1);
  for (auto* i : {a, b}) i->SetOptions(dkoImageAboveCaption | dkoSameWidth);
  TDKView* v = MakeView(root, true);
  v->UpdatePositions();
  const int wide = std::max(23, 12 + TextWidth("Anchor"));
  EXPECT_EQ(v->Viewers(0)->BoundsRect.right - v->Viewers(0)->BoundsRect.left, wide);
  EXPECT_EQ(v->Viewers(1)->BoundsRect.right - v->Viewers(1)->BoundsRect.left, wide);
  // Image above the caption: 6 + text height + 16 high.
  EXPECT_EQ(v->TotalSize().cy, 6 + TextHeight() + 16);
}

TEST_F(Layout, ACustomizingViewShowsAnInlineGroupAsAnItemOfItsOwn) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  auto* group = Add<TDKGroupItem>(root, "", 0);
  Add(group, "", 1);
  TDKView* v = MakeView(root, true);
  // The group's items stand in its place; the group itself is not drawn.
  ASSERT_EQ(v->ViewerCount(), 2);
  v->CalculatePositions(true, dkvoHorizontal, 0, 0, 0);
  EXPECT_FALSE(v->Viewers(0)->Show);
  EXPECT_EQ(v->Viewers(1)->BoundsRect, Rc(0, 0, 23, 22));
  v->SetCustomizing(true);
  v->CalculatePositions(true, dkvoHorizontal, 0, 0, 0);
  EXPECT_TRUE(v->Viewers(0)->Show);
  EXPECT_EQ(v->Viewers(1)->BoundsRect, Rc(23, 0, 46, 22));
}

TEST_F(Layout, ChangesInsideAnInlineGroupReachTheView) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  auto* group = Add<TDKGroupItem>(root, "", 0);
  auto* inside = Add(group, "", 1);
  Add(root, "", 2);
  TDKView* v = MakeView(root, true);
  inside->SetImageIndex(-1);
  inside->SetCaption("Wind");  // 6 + text + 6 wide
  const int w = 12 + TextWidth("Wind");
  auto* added = Add(group, "", 3);  // after the group's others, before the last button
  EXPECT_EQ(v->IndexOf(v->Find(added)), 2);
  EXPECT_EQ(v->Find(added)->BoundsRect.left, w);
  delete added;
  EXPECT_EQ(v->Viewers(2)->BoundsRect.left, w);
  // A group showing another list: one viewer each, also once the list is longer than the view's.
  auto* list = new TDKRootItem(form);
  Add<TDKGroupItem>(root, "", 0)->SetLinkSubitems(list);
  for (int k = 0; k < 4; ++k) Add(list, "", 2);
  EXPECT_EQ(v->ViewerCount(), 8);  // group, inside, last, group, the list's four
  delete list->Items(0);
  EXPECT_EQ(v->ViewerCount(), 7);
}

// Items of classes that set the style bits no class of the framework sets.
template <typename Base, TDKItemStyle Bits>
struct Styled : Base {
  Styled() : Base(nullptr) { this->SetItemStyle(this->ItemStyle() | Bits); }
};

TEST_F(Layout, ASeparatorRightAfterAWrapBreaksTheLineUnlessItWaitsForAGroupThatDoesNotFit) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  for (int k = 0; k < 4; ++k) Add(root, "", k);
  root->Insert(3, new TDKSeparatorItem(nullptr));
  TDKView* v = MakeView(root, true);
  // At 60 the third button wraps (4 + 3 x 23 > 60) and the separator comes right after it.
  EXPECT_EQ(v->CalculatePositions(true, dkvoFloating, 60, 0, 0).WrappedLines, 3);
  EXPECT_EQ(v->Viewers(4)->BoundsRect, Rc(4, 52, 27, 74));
  // With style bit 8 it stays in the line, where the last button still fits after it.
  delete root->Items(3);
  root->Insert(3, new Styled<TDKSeparatorItem, isWrapWhenGroupDoesNotFit>);
  EXPECT_EQ(v->CalculatePositions(true, dkvoFloating, 60, 0, 0).WrappedLines, 2);
  EXPECT_EQ(v->Viewers(4)->BoundsRect, Rc(33, 24, 56, 46));
}

TEST_F(Layout, AnItemWithBit9TakesTheRestOfItsLineToTheWrapOffset) {
  auto* root = new TDKRootItem(form);
  root->SetSubMenuImages(images);
  for (int k = 0; k < 4; ++k)
    root->Add(k == 1 ? new Styled<TDKItem, isPushToFarEnd> : new TDKItem(nullptr));
  for (int k = 0; k < 4; ++k) root->Items(k)->SetImageIndex(k);
  TDKView* v = MakeView(root, true);
  // Two buttons a line at 60: the first line's second one ends at 60; the second line stays.
  EXPECT_EQ(v->CalculatePositions(true, dkvoHorizontal, 60, 0, 0).TotalSize, (SIZE{60, 44}));
  EXPECT_EQ(v->Viewers(1)->BoundsRect, Rc(37, 0, 60, 22));
  EXPECT_EQ(v->Viewers(3)->BoundsRect, Rc(23, 22, 46, 44));
  // A line that does not wrap has no room past its last button.
  v->CalculatePositions(true, dkvoHorizontal, 200, 0, 0);
  EXPECT_EQ(v->Viewers(1)->BoundsRect, Rc(23, 0, 46, 22));
}

// A button whose viewer class follows a switch of its own: a 40-pixel square when set.
struct BigViewer : TDKItemViewer {
  using TDKItemViewer::TDKItemViewer;
  void CalcSize(vcl::TCanvas*, int& w, int& h) override { w = h = 40; }
};
struct Switchable : TDKItem {
  Switchable() : TDKItem(nullptr) {}
  bool big = false;
  TDKItemViewerClass GetItemViewerClass(TDKView* view) const override {
    return big ? TDKItemViewerClass::Of<BigViewer>() : TDKItem::GetItemViewerClass(view);
  }
};

TEST_F(Layout, RecreatingAnItemsViewersGivesThemTheItemsNewClassInTheirPlace) {
  auto* sw = new Switchable;
  TDKView* v = AfterAButton(sw, true);
  v->SetSelected(v->Find(sw));
  sw->big = true;
  sw->RecreateItemViewers();
  TDKItemViewer* now = v->Find(sw);
  ASSERT_NE(dynamic_cast<BigViewer*>(now), nullptr);
  EXPECT_EQ(now->BoundsRect, Rc(23, 0, 63, 40));
  EXPECT_EQ(v->Selected(), now);
  EXPECT_EQ(v->PriorityList()[1], now);
  TDKItem stranger(nullptr);
  EXPECT_THAT([&] { v->Find(&stranger); },
              testing::ThrowsMessage<EDKItemError>(testing::StrEq(
                  "An item viewer associated the specified item could not be found")));
}

TEST_F(Layout, ALayoutFindsAViewerWhoseItemNowAsksForAnotherClass) {
  auto* sw = new Switchable;
  TDKView* v = AfterAButton(sw);
  sw->big = true;  // and no word to the views
  // Measuring only: a viewer of the new class measures, the old one stays.
  EXPECT_EQ(v->CalculatePositions(false, dkvoHorizontal, 0, 0, 0).TotalSize, (SIZE{63, 40}));
  EXPECT_EQ(dynamic_cast<BigViewer*>(v->Find(sw)), nullptr);
  v->CalculatePositions(true, dkvoHorizontal, 0, 0, 0);
  ASSERT_NE(dynamic_cast<BigViewer*>(v->Find(sw)), nullptr);
  EXPECT_EQ(v->Find(sw)->BoundsRect, Rc(23, 0, 63, 40));
}

TEST_F(Layout, OnARowTooShortForEvenOneButtonTheChevronComesAfterIt) {
  auto* bar = new TDKToolbar(form);
  bar->SetImages(images);
  for (int k = 0; k < 3; ++k) Add(bar->Items(), "", k);
  // 30 pixels with a 12-pixel chevron would put it at 18, over the one button left (23).
  bar->View()->CalculatePositions(true, dkvoHorizontal, 0, 30, 12);
  EXPECT_EQ(bar->View()->Find(bar->ChevronItem())->BoundsRect, Rc(23, 0, 35, 22));
  bar->View()->CalculatePositions(true, dkvoVertical, 0, 30, 12);
  EXPECT_EQ(bar->View()->Find(bar->ChevronItem())->BoundsRect, Rc(0, 22, 23, 34));
}

// An item drawn the same whether it is selected or pressed.
struct Unchanging : TDKItem {
  Unchanging() : TDKItem(nullptr) {
    SetItemStyle(ItemStyle() & ~(isRepaintOnSelect | isRepaintOnPush));
  }
};

TEST_F(Layout, OnlyItemsThatLookSelectedOrPressedRepaintWhenTheyBecomeSo) {
  auto* still = new Unchanging;
  still->SetImageIndex(1);
  TDKView* v = AfterAButton(still);
  v->UpdatePositions();
  Pump();
  auto dirty = [&] {  // what waits to be painted; then nothing does
    RECT r{};
    win::GetUpdateRect(host->Handle(), &r, false);
    win::ValidateRect(host->Handle(), nullptr);
    return r;
  };
  // Selected, then held down by the mouse while the pointer leaves it.
  auto repainted = [&](TDKCustomItem* i) {
    v->SetSelected(v->Find(i));
    const RECT selected = dirty();
    v->SetCapture();
    v->SetMouseInsideSelected(true);
    const vcl::TPoint off = host->ClientToScreen(vcl::TPoint{100, 10});
    v->UpdateSelection(POINT{off.x, off.y}, false);
    const RECT left = dirty();
    v->CancelCapture();
    dirty();
    return std::vector<RECT>{selected, left};
  };
  EXPECT_EQ(repainted(still), (std::vector<RECT>{RECT{}, RECT{}}));
  EXPECT_EQ(repainted(v->Viewers(0)->Item()),
            (std::vector<RECT>{Rc(0, 0, 23, 22), Rc(0, 0, 23, 22)}));
}

}  // namespace
}  // namespace itemtest
