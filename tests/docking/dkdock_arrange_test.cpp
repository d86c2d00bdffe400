// Row arrangement in the four docks of an 800 x 600 form. A tool window of client size w x h
// docked in a top or bottom dock is (w + 10) x (h + 4): a 2-pixel frame and a 6-pixel grip.
#include "tests/docking/dockfixture.h"

namespace docktest {
namespace {

using Arrange = DockTest;

TEST_F(Arrange, AnEmptyDockIsNoThickerThanItsFixAlign) {
  EXPECT_EQ(top->Height(), 0);
  EXPECT_EQ(left->Width(), 0);
  top->SetFixAlign(true);
  EXPECT_EQ(top->Height(), 1);
  left->SetFixAlign(true);
  EXPECT_EQ(left->Width(), 1);
  // The first window gives the dock its thickness plus the frame.
  Tool(top, 100, 20);
  EXPECT_EQ(top->Height(), 24);
  EXPECT_EQ(top->Width(), 800);
}

TEST_F(Arrange, ARowTooLongWrapsAndTheDockGrowsByTheNewRow) {
  auto* a = Tool(top, 300, 20, 0, -1, "A");
  auto* b = Tool(top, 300, 20, 0, -1, "B");
  auto* c = Tool(top, 300, 20, 0, -1, "C");
  EXPECT_EQ(Bounds(a), R(0, 0, 310, 24));
  EXPECT_EQ(Bounds(b), R(310, 0, 310, 24));
  // 310 + 310 + 310 = 930 pixels do not fit in 800.
  EXPECT_EQ(Bounds(c), R(0, 24, 310, 24));
  EXPECT_EQ(c->EffectiveDockRow(), 1);
  EXPECT_EQ(top->Height(), 48);
  // The left dock starts below the top dock and runs to the bottom dock (empty: 0 thick).
  EXPECT_EQ(left->Top(), 48);
  EXPECT_EQ(left->Height(), 552);
  // Bounded to one row, the dock puts the other away past its edge, in its row through a commit.
  top->SetMaxThickness(47);
  EXPECT_TRUE(top->Height() == 24 && c->PutAway() && !b->PutAway());
  EXPECT_EQ(Bounds(c), R(0, 24, 310, 24));
  top->CommitPositions();
  top->SetMaxThickness(1000);
  EXPECT_TRUE(!c->PutAway() && c->DockRow() == 0);
}

// Tool windows that may give up length shrink, the last first, down to their minimum client
// length before the row wraps, and take their own length again when the dock grows.
TEST_F(Arrange, ShrinkingToolWindowsGiveUpLengthBeforeTheRowWraps) {
  std::vector<TDKToolWindow*> w;
  for (const char* name : {"A", "B", "C"}) {
    w.push_back(Tool(nullptr, 300, 20, 0, 310 * int(w.size()), name));
    w.back()->SetShrinkMode(dksmChevron);
    w.back()->SetMinClientWidth(200);
    w.back()->SetCurrentDock(top);
  }
  // 930 pixels wanted, 800 there: 100 from C (down to 200 + 10), the other 30 from B.
  EXPECT_EQ(Bounds(w[0]), R(0, 0, 310, 24));
  EXPECT_EQ(Bounds(w[1]), R(310, 0, 280, 24));
  EXPECT_EQ(Bounds(w[2]), R(590, 0, 210, 24));
  EXPECT_EQ(w[2]->BarSize().cx, 300);
  form->SetClientWidth(1000);
  Pump();
  EXPECT_EQ(Bounds(w[1]), R(310, 0, 310, 24));
  EXPECT_EQ(Bounds(w[2]), R(620, 0, 310, 24));
  // Below the minimum, the row wraps as it would without shrinking.
  form->SetClientWidth(600);
  Pump();
  EXPECT_EQ(w[2]->EffectiveDockRow(), 1);
}

TEST_F(Arrange, ChangingTheShrinkModeOfADockedToolWindowRearrangesItsDock) {
  for (const char* name : {"A", "B"}) Tool(top, 300, 20, 0, -1, name);
  auto* c = Tool(top, 300, 20, 0, -1, "C");
  c->SetMinClientWidth(150);
  ASSERT_EQ(c->EffectiveDockRow(), 1);
  // 930 pixels wanted, 800 there: C gives up 130 and stays in the first row.
  c->SetShrinkMode(dksmChevron);
  EXPECT_EQ(Bounds(c), R(620, 0, 180, 24));
  EXPECT_EQ(top->Height(), 24);
  c->SetShrinkMode(dksmNone);
  EXPECT_EQ(Bounds(c), R(0, 24, 310, 24));
}

TEST_F(Arrange, AFullSizeWindowTakesARowAndTheWholeLength) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  auto* b = Tool(top, 100, 30, 0, -1, "B");
  b->SetFullSize(true);
  EXPECT_EQ(Bounds(b), R(0, 0, 800, 34));
  EXPECT_EQ(Bounds(a), R(0, 34, 110, 24));
  EXPECT_EQ(top->Height(), 58);
}

TEST_F(Arrange, EmptyRowsCloseUpAndHugeOrNegativeRowsArePlaced) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  auto* b = Tool(top, 100, 30, 2, -1, "B");
  auto* c = Tool(top, 100, 10, 5, -1, "C");
  EXPECT_EQ(Bounds(a), R(0, 0, 110, 24));
  EXPECT_EQ(Bounds(b), R(0, 24, 110, 34));
  EXPECT_EQ(Bounds(c), R(0, 58, 110, 14));
  EXPECT_EQ(b->EffectiveDockRow(), 1);
  EXPECT_EQ(c->EffectiveDockRow(), 2);
  // A row far away is the next row; a row below 0 counts as row 0.
  auto* d = Tool(bottom, 100, 20, 2000000000, -1, "D");
  auto* e = Tool(bottom, 100, 20, -3, -1, "E");
  EXPECT_EQ(e->EffectiveDockRow(), 0);
  EXPECT_EQ(d->EffectiveDockRow(), 1);
  EXPECT_EQ(bottom->Height(), 48);
  EXPECT_EQ(bottom->Top(), 600 - 48);
}

TEST_F(Arrange, AStretchingWindowReachesTheNextWindowOrTheEnd) {
  // Its own 500 + 10 would push B along: the row weighs only its minimum, 32 + 10.
  auto* a = Tool(top, 500, 20, 0, -1, "A");
  a->SetStretch(true);
  auto* b = Tool(top, 100, 20, 0, 400, "B");
  EXPECT_EQ(Bounds(a), R(0, 0, 400, 24));
  EXPECT_EQ(Bounds(b), R(400, 0, 110, 24));
  auto* c = Tool(top, 50, 20, 1, -1, "C");
  c->SetStretch(true);
  EXPECT_EQ(Bounds(c), R(0, 24, 800, 24));
  // It asks the dock only for its minimum length; its own size stays as the user gave it.
  EXPECT_EQ(c->DoArrange(false, dtTopBottom, false, top).cx, 32);
  EXPECT_EQ(c->BarSize().cx, 50);
  // Full size: the dock's length, not its own 1000 + 10.
  auto* d = Tool(top, 1000, 20, 2, -1, "D");
  d->SetFullSize(true);
  EXPECT_EQ(Bounds(d), R(0, 48, 800, 24));
}

TEST_F(Arrange, OverlappingPositionsArePushedAlong) {
  auto* a = Tool(top, 100, 20, 0, 0, "A");
  auto* b = Tool(top, 100, 20, 0, 50, "B");
  auto* c = Tool(top, 100, 20, 0, 600, "C");
  EXPECT_EQ(Bounds(a), R(0, 0, 110, 24));
  EXPECT_EQ(Bounds(b), R(110, 0, 110, 24));
  EXPECT_EQ(Bounds(c), R(600, 0, 110, 24));
}

TEST_F(Arrange, PushesShrinkWindowsBeforeThePusherDownToTheirMinimum) {
  // Full lengths 500, 300 and 400 (minimums 110, 200, 400) in 800 pixels: 400 too many. The
  // first gives up 390 and stops at its minimum, the second the remaining 10.
  auto* a = new ShrinkBar(form, SIZE{490, 20}, 100);
  a->SetCurrentDock(top);
  auto* b = new ShrinkBar(form, SIZE{290, 20}, 190);
  b->SetCurrentDock(top);
  auto* c = Tool(top, 390, 20, 0, -1, "C");
  EXPECT_EQ(Bounds(a), R(0, 0, 110, 24));
  EXPECT_EQ(Bounds(b), R(110, 0, 290, 24));
  EXPECT_EQ(Bounds(c), R(400, 0, 400, 24));
  EXPECT_EQ(a->CurrentRowSize(), 110);
  EXPECT_EQ(c->EffectiveDockRow(), 0);
}

TEST_F(Arrange, EqualPositionsKeepTheirOrderAtEveryArrangement) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  auto* b = Tool(top, 100, 20, 0, -1, "B");
  for (int i = 0; i < 3; ++i) {
    top->ArrangeToolbars();
    EXPECT_EQ(a->Left(), 0);
    EXPECT_EQ(b->Left(), 110);
  }
}

TEST_F(Arrange, NestedUpdatesArrangeOnceAtTheOutermostEnd) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  auto* b = Tool(top, 100, 20, 0, -1, "B");
  const int before = top->ArrangeCount();
  top->BeginUpdate();
  top->BeginUpdate();
  a->SetDockRow(1);
  b->SetDockPos(300);
  a->SetFullSize(true);
  top->EndUpdate();
  EXPECT_EQ(top->ArrangeCount(), before);
  EXPECT_EQ(Bounds(b), R(110, 0, 110, 24));  // not yet moved
  top->EndUpdate();
  EXPECT_EQ(top->ArrangeCount(), before + 1);
  EXPECT_EQ(Bounds(b), R(300, 0, 110, 24));
  EXPECT_EQ(Bounds(a), R(0, 24, 800, 24));
}

TEST_F(Arrange, AVerticalDockStacksRowsLeftToRight) {
  // In a left dock the grip is at the top: (w + 4) x (h + 10).
  auto* a = Tool(left, 40, 100, 0, -1, "A");
  auto* b = Tool(left, 40, 100, 0, -1, "B");
  auto* c = Tool(left, 60, 100, 1, -1, "C");
  EXPECT_EQ(Bounds(a), R(0, 0, 44, 110));
  EXPECT_EQ(Bounds(b), R(0, 110, 44, 110));
  EXPECT_EQ(Bounds(c), R(44, 0, 64, 110));
  EXPECT_EQ(left->Width(), 108);
  auto* d = Tool(right, 40, 100, 0, -1, "D");
  EXPECT_EQ(right->Left(), 800 - 44);
  EXPECT_EQ(Bounds(d), R(0, 0, 44, 110));
  // The client area of a docked window is what the frame leaves.
  EXPECT_EQ(a->ClientAreaWidth(), 40);
  EXPECT_EQ(a->ClientAreaHeight(), 100);
}

TEST_F(Arrange, BoundLinesTakeAPixelFromTheirSide) {
  top->SetBoundLines(blTop | blBottom);
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  EXPECT_EQ(top->Height(), 26);
  EXPECT_EQ(Bounds(a), R(0, 0, 110, 24));
  EXPECT_EQ(a->ClientToScreen(POINT{0, 0}).y - form->ClientToScreen(POINT{0, 0}).y, 1 + 2);
}

TEST_F(Arrange, APlaceInsideADockOrAWindowIsRefused) {
  auto* d = new TDKDock(form);
  EXPECT_THROW(d->SetParent(top), rtl::EInvalidOperation);
  Tool(top, 100, 20);
  EXPECT_THROW(top->SetPosition(dpBottom), rtl::EInvalidOperation);
}

}  // namespace
}  // namespace docktest
