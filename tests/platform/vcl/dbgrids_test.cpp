#include "platform/vcl/dbgrids.h"

#include <gtest/gtest.h>

#include "dbfixture.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/misc.h"

using namespace vcl;
using vcltest::PolarRow;

namespace {

class DBGridTest : public vcltest::DbControlTest {
 protected:
  void Build(const std::vector<PolarRow>& rows, int height = 200) {
    CreateTable(rows);
    grid = new TDBGrid(form);
    grid->SetParent(form);
    grid->SetBounds(8, 8, 300, height);
    grid->SetDataSource(source);
    form->Show();
    Pump();
  }
  // A click in the middle of a data cell of a visible row.
  void ClickCell(int row, int col) {
    TRect r = grid->CellRect(row, col);
    Click(grid, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  TDBGrid* grid = nullptr;
};

const std::vector<PolarRow> kThree = {{6, 40, 4.5}, {6, 90, 5.5}, {8, 40, 5.0}};

TEST_F(DBGridTest, ShowsEveryFieldUnderTitlesAndFollowsTheDataSet) {
  Build(kThree);
  ASSERT_EQ(grid->ColumnCount(), 3);
  EXPECT_EQ(grid->ColumnTitle(0), "TWS");
  EXPECT_EQ(grid->ColumnTitle(2), "SPEED");
  EXPECT_EQ(grid->CellText(0, 1), "40");
  EXPECT_EQ(grid->CellText(1, 2), "5.5");
  EXPECT_EQ(grid->CellText(2, 0), "8");
  EXPECT_FALSE(grid->VertScrollBar()->Visible());

  // Set-up columns replace the defaults, in their order.
  grid->Columns()->Add("SPEED", "Speed", 80);
  grid->Columns()->Add("TWD");
  EXPECT_EQ(grid->ColumnCount(), 2);
  EXPECT_EQ(grid->ColumnTitle(0), "Speed");
  EXPECT_EQ(grid->ColumnWidth(0), 80);
  EXPECT_EQ(grid->CellText(2, 1), "40");
}

TEST_F(DBGridTest, ClicksAndArrowKeysMoveTheRecord) {
  Build(kThree);
  ClickCell(2, 1);
  EXPECT_EQ(table->RecNo(), 3);
  EXPECT_EQ(grid->SelectedIndex(), 1);
  Key(win::VK_UP);
  EXPECT_EQ(table->RecNo(), 2);
  Key(win::VK_LEFT);
  EXPECT_EQ(grid->SelectedIndex(), 0);
  // A move in code shows in the grid: the row under the cursor is the data set's.
  table->First();
  Pump();
  EXPECT_EQ(grid->CellText(0, 0), "6");
  Key(win::VK_DOWN);
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(table->State(), db::dsBrowse);
}

TEST_F(DBGridTest, TypedValuePostsOnEnterAndAnotherHandleSeesIt) {
  Build(kThree);
  ClickCell(1, 2);
  Type("7.25");
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(table->State(), db::dsEdit);
  Key(win::VK_RETURN);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(table->State(), db::dsBrowse);
  auto rows = FileRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1], PolarRow(6, 90, 7.25));
  EXPECT_EQ(grid->CellText(1, 2), "7.25");
}

TEST_F(DBGridTest, MovingOffAnEditedRecordPostsIt) {
  Build(kThree);
  ClickCell(0, 1);
  Key(win::VK_F2);
  ASSERT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->InplaceEditor()->Text(), "40");
  Key(win::VK_BACK);
  Key(win::VK_BACK);
  Type("35");
  Key(win::VK_DOWN);
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(std::get<1>(FileRows()[0]), 35);
}

TEST_F(DBGridTest, EscapeCancelsTheEditAndTheFileKeepsTheOldValue) {
  Build(kThree);
  ClickCell(0, 2);
  Type("9");
  Key(win::VK_ESCAPE);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(table->State(), db::dsBrowse);
  EXPECT_EQ(grid->CellText(0, 2), "4.5");
  EXPECT_EQ(FileRows()[0], PolarRow(6, 40, 4.5));
  EXPECT_TRUE(form->Visible());  // the key went to the grid, not to the form
}

TEST_F(DBGridTest, DownPastTheLastRowAppendsARecord) {
  Build(kThree);
  ClickCell(2, 0);
  Key(win::VK_DOWN);
  ASSERT_EQ(table->State(), db::dsInsert);
  EXPECT_EQ(grid->CellText(3, 0), "");
  Type("10");
  Key(win::VK_TAB);
  Type("120");
  Key(win::VK_TAB);
  Type("6.5");
  Key(win::VK_RETURN);
  EXPECT_EQ(table->State(), db::dsBrowse);
  auto rows = FileRows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3], PolarRow(10, 120, 6.5));
  EXPECT_EQ(table->RecNo(), 4);
}

TEST_F(DBGridTest, AnUntouchedNewRowGoesAwayWhenLeft) {
  Build(kThree);
  ClickCell(2, 0);
  Key(win::VK_DOWN);
  ASSERT_EQ(table->State(), db::dsInsert);
  Key(win::VK_UP);
  EXPECT_EQ(table->State(), db::dsBrowse);
  EXPECT_EQ(table->RecNo(), 3);
  EXPECT_EQ(FileRows().size(), 3u);
  // The Insert key starts a new row too, and Escape drops it.
  Key(win::VK_INSERT);
  EXPECT_EQ(table->State(), db::dsInsert);
  Key(win::VK_ESCAPE);
  EXPECT_EQ(table->RecordCount(), 3);
}

TEST_F(DBGridTest, AnEmptyTableTakesItsFirstRecordFromTheGrid) {
  Build({});
  EXPECT_EQ(grid->ColumnCount(), 3);
  grid->SetFocus();
  Type("12");
  ASSERT_EQ(table->State(), db::dsInsert);
  Key(win::VK_RETURN);
  auto rows = FileRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(std::get<0>(rows[0]), 12);
}

TEST_F(DBGridTest, TextAFieldCannotTakeIsRefusedAndNothingIsPosted) {
  Build(kThree);
  SetDialogResponder([](const TDialogRequest&) { return TDialogAnswer{IDOK}; });
  ClickCell(0, 0);
  Type("abc");
  Key(win::VK_RETURN);
  EXPECT_FALSE(DialogLog().empty());  // the conversion error was shown
  EXPECT_EQ(FileRows()[0], PolarRow(6, 40, 4.5));
  EXPECT_TRUE(grid->EditorMode());
}

TEST_F(DBGridTest, ScrollBarAppearsWhenRowsExceedTheViewAndTheCurrentRowStaysInView) {
  std::vector<PolarRow> many;
  for (int i = 0; i < 30; ++i) many.emplace_back(6, 30 + 5 * i, 3.0 + 0.1 * i);
  Build(many, 120);
  EXPECT_TRUE(grid->VertScrollBar()->Visible());
  const int visible = grid->VisibleRowCount();
  ASSERT_LT(visible, 30);
  grid->SetFocus();
  Key(win::VK_END, false, true);
  EXPECT_EQ(table->RecNo(), 30);
  EXPECT_EQ(grid->TopRow(), 30 - visible);
  EXPECT_EQ(grid->VertScrollBar()->Position(), 29);
  Key(win::VK_PRIOR);
  EXPECT_EQ(table->RecNo(), 30 - visible);
  // Moving the scroll bar moves the record.
  grid->VertScrollBar()->SetPosition(3);
  EXPECT_EQ(table->RecNo(), 4);
  EXPECT_EQ(grid->TopRow(), 3);
}

TEST_F(DBGridTest, CtrlDeleteAsksAndDeletesOnlyOnOk) {
  Build(kThree);
  int answer = IDCANCEL;
  SetDialogResponder([&](const TDialogRequest&) { return TDialogAnswer{answer}; });
  ClickCell(1, 0);
  Key(win::VK_DELETE, false, true);
  EXPECT_EQ(FileRows().size(), 3u);
  answer = IDOK;
  Key(win::VK_DELETE, false, true);
  ASSERT_EQ(DialogLog().size(), 2u);
  EXPECT_EQ(DialogLog().back().Text, "Delete record?");
  auto rows = FileRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], PolarRow(8, 40, 5.0));
}

TEST_F(DBGridTest, FocusGoingToAnotherControlKeepsTheTypedValueForThePost) {
  Build(kThree);
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(8, 220, 100, 22);
  ClickCell(0, 2);
  Type("8.5");
  Click(other);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(table->State(), db::dsEdit);
  EXPECT_EQ(table->FieldByName("SPEED")->AsFloat(), 8.5);
  // Coming back and moving to another record posts it.
  ClickCell(2, 0);
  EXPECT_EQ(table->State(), db::dsBrowse);
  EXPECT_EQ(FileRows()[0], PolarRow(6, 40, 8.5));
}

TEST_F(DBGridTest, AReadOnlyDataSetIsShownButNotEdited) {
  Build(kThree);
  table->Close();
  table->SetReadOnly(true);
  table->Open();
  grid->SetFocus();
  Type("5");
  Key(win::VK_F2);
  Key(win::VK_INSERT);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(table->State(), db::dsBrowse);
  ClickCell(2, 0);
  Key(win::VK_DOWN);  // no new row either
  EXPECT_EQ(table->State(), db::dsBrowse);
  EXPECT_EQ(grid->CellText(1, 1), "90");
}

TEST_F(DBGridTest, CtrlClickPicksSeveralRowsWhenMultiSelectIsOn) {
  Build(kThree);
  grid->SetOptions(grid->Options() | dgMultiSelect);
  ClickCell(0, 0);
  Feed(win::KeyDown(win::VK_CONTROL));
  ClickCell(2, 0);
  ClickCell(1, 0);
  ClickCell(2, 0);  // again: dropped
  Feed(win::KeyUp(win::VK_CONTROL));
  EXPECT_EQ(grid->SelectedRows(), std::vector<int>{1});
  ClickCell(0, 0);  // a plain click starts over
  EXPECT_TRUE(grid->SelectedRows().empty());
}

TEST_F(DBGridTest, TheNavigatorsPostTakesWhatIsStillInTheEditor) {
  Build(kThree);
  auto* nav = new TDBNavigator(form);
  nav->SetParent(form);
  nav->SetBounds(8, 220, 250, 25);
  nav->SetDataSource(source);
  ClickCell(1, 2);
  Type("6.75");
  TRect post = nav->ButtonRect(nbPost);
  Click(nav, (post.left + post.right) / 2, 12);
  EXPECT_EQ(table->State(), db::dsBrowse);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(FileRows()[1], PolarRow(6, 90, 6.75));
}

TEST_F(DBGridTest, ColumnsWiderThanTheGridScrollSidewaysToTheCellCursor) {
  Build(kThree);
  grid->Columns()->Add("TWS", "", 60);
  grid->Columns()->Add("TWD", "", 60);
  grid->Columns()->Add("SPEED", "", 60);
  grid->SetWidth(110);
  Pump();
  EXPECT_TRUE(grid->HorzScrollBar()->Visible());
  EXPECT_FALSE(grid->VertScrollBar()->Visible());
  grid->SetFocus();
  Key(win::VK_RIGHT);
  Key(win::VK_RIGHT);
  EXPECT_EQ(grid->SelectedIndex(), 2);
  EXPECT_EQ(grid->LeftCol(), 2);
  const TRect r = grid->CellRect(0, 2);
  EXPECT_GE(r.left, grid->IndicatorWidth());
  // A click on the shown column picks it, not the one that used to be there.
  Key(win::VK_DOWN);
  ClickCell(2, 2);
  EXPECT_EQ(table->RecNo(), 3);
  EXPECT_EQ(grid->SelectedIndex(), 2);
  // The bar brings the first column back; the cell cursor stays where it was.
  grid->HorzScrollBar()->SetPosition(0);
  EXPECT_EQ(grid->LeftCol(), 0);
  EXPECT_EQ(grid->SelectedIndex(), 2);
  Key(win::VK_HOME);
  EXPECT_EQ(grid->LeftCol(), 0);
  grid->SetWidth(300);
  Pump();
  EXPECT_FALSE(grid->HorzScrollBar()->Visible());
}

}  // namespace
