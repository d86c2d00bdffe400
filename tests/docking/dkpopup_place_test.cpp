// Where popups go on a work area of (0,0)-(1000,700), smaller than its 1000 x 740 monitor.
#include <gtest/gtest.h>

#include "docking/dkpopup.h"

namespace {

using namespace docking;

const RECT Work{0, 0, 1000, 700};

TDKPopupPlaceInput DropDown(RECT button, int w, int h) {
  TDKPopupPlaceInput in;
  in.Ref = button;
  in.Monitor = Work;
  in.Width = w;
  in.Height = h;
  in.HasParentView = true;
  return in;
}

TDKPopupPlaceInput Submenu(RECT row, int w, int h, bool chainLeft = false) {
  TDKPopupPlaceInput in = DropDown(row, w, h);
  in.AsSubmenu = true;
  in.ChainOpensLeft = chainLeft;
  return in;
}

TDKPopupPlaceInput AtPoint(int x, int y, int w, int h, TDKPopupAlignment a) {
  TDKPopupPlaceInput in;
  in.Ref = RECT{x, y, x, y};
  in.Monitor = Work;
  in.Width = w;
  in.Height = h;
  in.Alignment = a;
  return in;
}

TEST(PopupPlace, ADropDownOpensBelowItsButtonAndAboveItNearTheBottom) {
  auto p = DKPlacePopup(DropDown({100, 20, 123, 42}, 150, 200));
  EXPECT_EQ(p.X, 100);
  EXPECT_EQ(p.Y, 42);
  EXPECT_EQ(p.Direction, unsigned(dkpdDown));
  // A button 60 pixels above the work area's end: 200 high does not fit below, fits above.
  p = DKPlacePopup(DropDown({100, 618, 123, 640}, 150, 200));
  EXPECT_EQ(p.Y, 418);
  EXPECT_EQ(p.Direction, unsigned(dkpdUp));
  // Near the right edge the popup moves left to end at the edge.
  p = DKPlacePopup(DropDown({950, 20, 973, 42}, 150, 200));
  EXPECT_EQ(p.X, 850);
  // Right-aligned system drop-downs end at their button's right.
  auto in = DropDown({300, 20, 323, 42}, 150, 200);
  in.MenuDropRight = true;
  EXPECT_EQ(DKPlacePopup(in).X, 173);
}

TEST(PopupPlace, ADropDownTooTallForBothSidesSitsBesideItsButton) {
  // 670 high: neither below (42 + 670 > 700) nor above (20 - 670 < 0) fits; clamped to the
  // bottom it would cover the button, so it moves to the button's right.
  auto p = DKPlacePopup(DropDown({100, 20, 123, 42}, 150, 670));
  EXPECT_EQ(p.Y, 30);
  EXPECT_EQ(p.X, 123);
  EXPECT_EQ(p.Direction, unsigned(dkpdRight));
  // At the right edge it goes to the left of the button instead.
  p = DKPlacePopup(DropDown({900, 20, 923, 42}, 150, 670));
  EXPECT_EQ(p.X, 750);
}

TEST(PopupPlace, FromAVerticalToolbarADropDownOpensToTheSide) {
  auto in = DropDown({977, 100, 1000, 122}, 150, 200);
  in.ParentVertical = true;
  auto p = DKPlacePopup(in);
  EXPECT_EQ(p.X, 827);
  EXPECT_EQ(p.Y, 100);
  EXPECT_EQ(p.Direction, unsigned(dkpdLeft));
  // Low down it is clamped to end at the bottom; vertical toolbars never open upwards first.
  in.Ref = RECT{0, 650, 23, 672};
  p = DKPlacePopup(in);
  EXPECT_EQ(p.Y, 500);
  EXPECT_EQ(p.X, 23);  // X = 0 - 150 clamps to 0 and would cover the button: to its right
}

TEST(PopupPlace, TheChevronPopupOfAHorizontalToolbarEndsAtTheChevron) {
  auto in = DropDown({488, 20, 500, 42}, 120, 60);
  in.FromChevron = true;
  auto p = DKPlacePopup(in);
  EXPECT_EQ(p.X, 380);
  EXPECT_EQ(p.Y, 42);
}

TEST(PopupPlace, SubmenusOpenRightThenLeftAndAChainStaysLeft) {
  // A row of a menu at x 200-350: the submenu overlaps the menu's frame by 3 pixels.
  auto p = DKPlacePopup(Submenu({200, 100, 350, 120}, 150, 100));
  EXPECT_EQ(p.X, 347);
  EXPECT_EQ(p.Y, 97);
  EXPECT_FALSE(p.OpensLeft);
  EXPECT_EQ(p.Direction, unsigned(dkpdRight));
  // A row ending at 900: 897 + 150 passes 1000, so it opens to the left: 200 + 3 - 150.
  p = DKPlacePopup(Submenu({750, 100, 900, 120}, 150, 100));
  EXPECT_EQ(p.X, 603);
  EXPECT_TRUE(p.OpensLeft);
  EXPECT_EQ(p.Direction, unsigned(dkpdLeft));
  // The next submenu of that chain opens left although there is room on the right.
  p = DKPlacePopup(Submenu({603, 120, 753, 140}, 150, 100, true));
  EXPECT_EQ(p.X, 456);
  EXPECT_TRUE(p.OpensLeft);
  // Out of room on the left, the chain turns back to the right.
  p = DKPlacePopup(Submenu({50, 120, 200, 140}, 150, 100, true));
  EXPECT_EQ(p.X, 197);
  EXPECT_FALSE(p.OpensLeft);
}

TEST(PopupPlace, ASubmenuNearTheBottomOpensUpwardsFromItsRow) {
  // Below: 677 + 100 passes 700; above: 700 + 3 - 100 = 603 ends 3 pixels past the work area
  // and is clamped to end at it.
  auto p = DKPlacePopup(Submenu({200, 680, 350, 700}, 150, 100));
  EXPECT_EQ(p.Y, 600);
  p = DKPlacePopup(Submenu({200, 620, 350, 640}, 150, 100));
  EXPECT_EQ(p.Y, 543);  // 617 + 100 passes 700: 640 + 3 - 100
  // Too tall either way: clamped to the work area's end.
  p = DKPlacePopup(Submenu({200, 300, 350, 320}, 150, 694));
  EXPECT_EQ(p.Y, 6);
}

TEST(PopupPlace, PointPopupsInEachAlignment) {
  EXPECT_EQ(DKPlacePopup(AtPoint(400, 300, 120, 80, dkpaLeft)).X, 400);
  EXPECT_EQ(DKPlacePopup(AtPoint(400, 300, 120, 80, dkpaRight)).X, 280);
  EXPECT_EQ(DKPlacePopup(AtPoint(400, 300, 120, 80, dkpaCenter)).X, 340);
  EXPECT_EQ(DKPlacePopup(AtPoint(400, 300, 121, 80, dkpaCenter)).X, 340);
  // A left-aligned popup at the right edge flips to the point's left, a right-aligned one at the
  // left edge to its right.
  EXPECT_EQ(DKPlacePopup(AtPoint(950, 300, 120, 80, dkpaLeft)).X, 830);
  EXPECT_EQ(DKPlacePopup(AtPoint(50, 300, 120, 80, dkpaRight)).X, 50);
  // At the bottom a point popup opens above the point.
  auto p = DKPlacePopup(AtPoint(400, 650, 120, 80, dkpaLeft));
  EXPECT_EQ(p.Y, 570);
  EXPECT_EQ(p.Direction, unsigned(dkpdUp | dkpdRight));
}

TEST(PopupPlace, APopupOnASecondMonitorStaysThere) {
  // A second monitor to the right: work area (1000,0)-(1800,600).
  auto in = Submenu({1600, 100, 1750, 120}, 150, 100);
  in.Monitor = RECT{1000, 0, 1800, 600};
  auto p = DKPlacePopup(in);
  EXPECT_EQ(p.X, 1453);  // 1747 + 150 passes 1800: opens left, still on that monitor
  in = Submenu({1010, 100, 1160, 120}, 150, 100, true);
  in.Monitor = RECT{1000, 0, 1800, 600};
  p = DKPlacePopup(in);
  EXPECT_EQ(p.X, 1157);  // no room left of 1000 on this monitor: back to the right
}

}  // namespace
