#include "platform/vcl/dbctrls.h"

#include <gtest/gtest.h>

#include "dbfixture.h"
#include "platform/db/query.h"
#include "platform/vcl/classic.h"

using namespace vcl;
using vcltest::PolarRow;

namespace {

const std::vector<PolarRow> kThree = {{6, 40, 4.5}, {6, 90, 5.5}, {8, 40, 5.0}};

class DBNavigatorTest : public vcltest::DbControlTest {
 protected:
  void Build(const std::vector<PolarRow>& rows) {
    CreateTable(rows);
    nav = new TDBNavigator(form);
    nav->SetParent(form);
    nav->SetBounds(8, 8, 250, 25);
    nav->SetDataSource(source);
    nav->OnClick = TNavClickEvent(this, [this](rtl::TObject*, TNavigateBtn b) {
      clicks.push_back(b);
      recNoAtClick = table->RecNo();
    });
    form->Show();
    Pump();
  }
  void Press(TNavigateBtn b) {
    TRect r = nav->ButtonRect(b);
    Click(nav, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  // The buttons that can be pressed now, as a set.
  TButtonSet Enabled() {
    TButtonSet s = 0;
    for (int i = 0; i < kNavigateButtonCount; ++i)
      if (nav->ButtonEnabled(static_cast<TNavigateBtn>(i))) s |= 1u << i;
    return s;
  }
  TDBNavigator* nav = nullptr;
  std::vector<TNavigateBtn> clicks;
  int recNoAtClick = 0;
};

constexpr TButtonSet B(TNavigateBtn b) {
  return NavButton(b);
}
constexpr TButtonSet kEditingOnes = B(nbInsert) | B(nbDelete) | B(nbEdit) | B(nbRefresh);

TEST_F(DBNavigatorTest, ButtonsMoveTheRecordAndFollowItsPosition) {
  Build(kThree);
  EXPECT_EQ(Enabled(), B(nbNext) | B(nbLast) | kEditingOnes);
  Press(nbNext);
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(Enabled(), B(nbFirst) | B(nbPrior) | B(nbNext) | B(nbLast) | kEditingOnes);
  Press(nbLast);
  EXPECT_EQ(table->RecNo(), 3);
  EXPECT_EQ(Enabled(), B(nbFirst) | B(nbPrior) | kEditingOnes);
  Press(nbPrior);
  EXPECT_EQ(table->RecNo(), 2);
  Press(nbFirst);
  EXPECT_EQ(table->RecNo(), 1);
  // A disabled button does nothing, and no click is reported for it.
  Press(nbPrior);
  EXPECT_EQ(clicks.size(), 4u);
  // Next on the last record finds the end: forward buttons go grey.
  table->Last();
  table->Prior();
  table->Next();
  Pump();
  EXPECT_TRUE(nav->ButtonEnabled(nbNext));
  Press(nbNext);
  EXPECT_FALSE(nav->ButtonEnabled(nbNext));
  EXPECT_FALSE(nav->ButtonEnabled(nbLast));
}

TEST_F(DBNavigatorTest, EditPostAndCancelFollowTheDataSetState) {
  Build(kThree);
  Press(nbEdit);
  EXPECT_EQ(table->State(), db::dsEdit);
  EXPECT_TRUE(nav->ButtonEnabled(nbPost));
  EXPECT_TRUE(nav->ButtonEnabled(nbCancel));
  EXPECT_FALSE(nav->ButtonEnabled(nbEdit));
  table->FieldByName("SPEED")->SetAsFloat(9.5);
  Press(nbCancel);
  EXPECT_EQ(table->State(), db::dsBrowse);
  EXPECT_EQ(FileRows()[0], PolarRow(6, 40, 4.5));

  Press(nbInsert);
  EXPECT_EQ(table->State(), db::dsInsert);
  table->FieldByName("TWS")->SetAsInteger(10);
  table->FieldByName("TWD")->SetAsInteger(50);
  Press(nbPost);
  EXPECT_EQ(table->State(), db::dsBrowse);
  ASSERT_EQ(FileRows().size(), 4u);
  EXPECT_EQ(std::get<0>(FileRows()[3]), 10);
  EXPECT_FALSE(nav->ButtonEnabled(nbPost));
}

TEST_F(DBNavigatorTest, NothingIsEnabledOnAClosedOrEmptyDataSetAndEditingNeedsAWritableOne) {
  Build(kThree);
  table->Close();
  Pump();
  EXPECT_EQ(Enabled(), 0u);
  table->SetReadOnly(true);
  table->Open();
  EXPECT_EQ(Enabled(), B(nbNext) | B(nbLast) | B(nbRefresh));
  table->Close();
  table->SetReadOnly(false);
  CreateTable({});
  EXPECT_EQ(Enabled(), B(nbInsert) | B(nbEdit) | B(nbRefresh));
}

TEST_F(DBNavigatorTest, DeleteAsksFirstAndTheDeletedRecordIsSkippedByReaders) {
  Build(kThree);
  int answer = IDCANCEL;
  SetDialogResponder([&](const TDialogRequest&) { return TDialogAnswer{answer}; });
  Press(nbNext);
  Press(nbDelete);
  ASSERT_EQ(DialogLog().size(), 1u);
  EXPECT_EQ(DialogLog()[0].Text, "Delete record?");
  EXPECT_EQ(DialogLog()[0].Caption, "Confirm");
  EXPECT_EQ(FileRows().size(), 3u);
  answer = IDOK;
  Press(nbDelete);
  auto rows = FileRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], PolarRow(8, 40, 5.0));
  // The SQL engine does not see it either.
  db::TQuery q(nullptr);
  q.SetDatabaseName(dir);
  q.SQL()->Add("select twd from \"performance.dbf\" where tws=6");
  q.Open();
  EXPECT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(clicks.back(), nbDelete);
}

TEST_F(DBNavigatorTest, HiddenButtonsLeaveTheirRoomToTheOthersAndOnClickComesAfterTheAction) {
  Build(kThree);
  nav->SetVisibleButtons(B(nbFirst) | B(nbPrior) | B(nbNext) | B(nbLast));
  EXPECT_EQ(nav->ButtonRect(nbNext).Width(), 250 / 4 + (2 < 250 % 4 ? 1 : 0));
  EXPECT_EQ(nav->ButtonRect(nbInsert).Width(), 0);
  // The third quarter is now Next.
  Click(nav, 250 * 5 / 8, 12);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0], nbNext);
  EXPECT_EQ(recNoAtClick, 2);
  // Pressing and sliding off before letting go is no click.
  TRect r = nav->ButtonRect(nbNext);
  TPoint a = nav->ClientToScreen(TPoint{r.left + 5, 10});
  TPoint b = nav->ClientToScreen(TPoint{r.right + 20, 10});
  Feed(win::MouseMove(a.x, a.y));
  Feed(win::MouseDown(a.x, a.y));
  Feed(win::MouseMove(b.x, b.y));
  Feed(win::MouseUp(b.x, b.y));
  EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(DBNavigatorTest, RefreshSeesRecordsAnotherHandleAppended) {
  Build(kThree);
  {
    db::TTable other(nullptr);
    other.SetDatabaseName(dir);
    other.SetTableName("PERFORMANCE.DBF");
    other.Open();
    other.First();
    other.Delete();
  }
  Press(nbRefresh);
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(table->FieldByName("TWD")->AsInteger(), 90);
}

// ---- lookup combo box

class DBLookupTest : public vcltest::DbControlTest {
 protected:
  void Build(const std::vector<PolarRow>& rows) {
    CreateTable(rows);
    query = new db::TQuery(form);
    query->SetDatabaseName(dir);
    query->SQL()->Add("select distinct tws from \"performance.dbf\"");
    query->Open();
    listSource = new db::TDataSource(form);
    listSource->SetDataSet(query);
    combo = new TDBLookupComboBox(form);
    combo->SetParent(form);
    combo->SetBounds(8, 8, 120, 24);
    combo->SetListSource(listSource);
    combo->SetKeyField("TWS");
    combo->SetListField("TWS");
    combo->OnClick = rtl::TNotifyEvent(
        this, [this](rtl::TObject*) { picked.push_back(std::get<int64_t>(combo->KeyValue())); });
    form->Show();
    Pump();
  }
  std::vector<std::string> Items() {
    std::vector<std::string> out;
    for (int i = 0; i < combo->Items()->Count(); ++i) out.push_back(combo->Items()->Strings(i));
    return out;
  }
  db::TQuery* query = nullptr;
  db::TDataSource* listSource = nullptr;
  TDBLookupComboBox* combo = nullptr;
  std::vector<int64_t> picked;
};

TEST_F(DBLookupTest, ListsTheDistinctSpeedsAscendingAndAPickSetsTheKeyAndFiresOnClick) {
  Build({{10, 40, 6}, {6, 40, 4.5}, {8, 40, 5}, {6, 90, 5.5}, {10, 90, 7}});
  EXPECT_EQ(Items(), (std::vector<std::string>{"6", "8", "10"}));
  EXPECT_TRUE(db::IsNull(combo->KeyValue()));
  combo->SetFocus();
  Key(win::VK_DOWN);
  Key(win::VK_DOWN);
  EXPECT_EQ(picked, (std::vector<int64_t>{6, 8}));
  EXPECT_EQ(combo->Text(), "8");
  // Picking from the dropped list with the keyboard.
  Key(win::VK_F4);
  ASSERT_TRUE(combo->DroppedDown());
  Key(win::VK_DOWN);
  Key(win::VK_RETURN);
  EXPECT_EQ(picked.back(), 10);
  // A key set in code shows its row and fires nothing; a key of a float matches too.
  combo->SetKeyValue(db::Value{6.0});
  EXPECT_EQ(combo->Text(), "6");
  EXPECT_EQ(picked.size(), 3u);
  combo->SetKeyValue(db::Value{int64_t{12}});
  EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(DBLookupTest, ReopeningTheListQueryShowsSpeedsAddedMeanwhile) {
  Build({{6, 40, 4.5}});
  EXPECT_EQ(Items(), (std::vector<std::string>{"6"}));
  table->Append();
  table->FieldByName("TWS")->SetAsInteger(14);
  table->Post();
  query->Open();  // open already: nothing changes
  EXPECT_EQ(Items(), (std::vector<std::string>{"6"}));
  query->Close();
  EXPECT_TRUE(Items().empty());
  query->Open();
  EXPECT_EQ(Items(), (std::vector<std::string>{"6", "14"}));
}

TEST_F(DBLookupTest, APickWithTheMouseFromTheDroppedListSetsTheKey) {
  Build({{12, 40, 6}, {6, 40, 4.5}, {9, 40, 5}});
  Click(combo);
  ASSERT_TRUE(combo->DroppedDown());
  // The list hangs under the combo box, one row per speed: 6, 9, 12.
  const int row = MeasureText(combo->Font(), "0", false).cy + 2;
  TPoint p = combo->ClientToScreen(TPoint{10, combo->Height() + 1 + row * 2 + row / 2});
  Feed(win::MouseMove(p.x, p.y));
  Feed(win::MouseDown(p.x, p.y));
  Feed(win::MouseUp(p.x, p.y));
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(picked, std::vector<int64_t>{12});
  EXPECT_EQ(combo->Text(), "12");
}

}  // namespace
