// TTable over real files: the recording's log table, the polar table, a second handle, states.
#include "platform/db/table.h"

#include <fstream>

#include "platform/db/dberrors.h"
#include "tempdir.h"

namespace {

using namespace db;

const char* const kLogFloats[] = {"Lat", "Lon", "speedog", "courseog", "Speed", "Heading", "awa",
                                  "aws", "twa", "tws", "VMG", "Performance", "TargetSpeed",
                                  "GeoWindAngle", "Depth"};

class TableTest : public TempDirTest {
 protected:
  void DefineLog(TTable& t) {
    t.FieldDefs().Add("Id", ftAutoInc);
    t.FieldDefs().Add("datum", ftDateTime);
    t.FieldDefs().Add("Timestamp", ftInteger);
    for (const char* name : kLogFloats) t.FieldDefs().Add(name, ftFloat);
  }
  // One tick's record, set in the order the main window sets them.
  void PostTick(TTable& t, int second) {
    t.Append();
    t.FieldByName("Timestamp")->SetAsInteger(second);
    int k = 0;
    for (const char* name : {"speedog", "courseog", "tws", "twa", "GeoWindAngle", "awa", "aws",
                             "VMG", "Lat", "Lon", "Performance", "TargetSpeed", "Depth", "Heading",
                             "Speed"})
      t.FieldByName(name)->SetAsFloat(second + k++ / 4.0);
    t.Post();
    t.FlushBuffers();
  }
  rtl::TComponent fOwner{nullptr};
};

TEST_F(TableTest, LogTableAppendPostReadBackAndSecondHandleSeesEachPost) {
  auto* log = new TTable(&fOwner);
  log->SetDatabaseName(fDir);
  log->SetTableName("05_12_2026_1.lg");
  EXPECT_FALSE(log->Exists());
  DefineLog(*log);
  log->CreateTable();
  EXPECT_TRUE(log->Exists());
  log->Open();
  ASSERT_EQ(log->FieldCount(), 18);

  auto* replay = new TTable(&fOwner);
  replay->SetTableName(Path("05_12_2026_1.LG"));  // another case, same file
  replay->Open();
  EXPECT_EQ(replay->RecordCount(), 0);
  for (int s = 0; s < 50; ++s) {
    PostTick(*log, 3600 + s);
    EXPECT_EQ(log->FieldByName("id")->AsInteger(), s + 1);
    ASSERT_EQ(replay->RecordCount(), s + 1);
    if (s == 0) replay->First(); else replay->Next();
    EXPECT_FALSE(replay->Eof());
    EXPECT_EQ(replay->FieldByName("ID")->AsInteger(), s + 1);
    EXPECT_EQ(replay->FieldByName("timestamp")->AsInteger(), 3600 + s);
    EXPECT_DOUBLE_EQ(replay->FieldByName("SPEED")->AsFloat(), 3600 + s + 14 / 4.0);
    EXPECT_TRUE(replay->FieldByName("datum")->IsNull());
    EXPECT_EQ(replay->FieldByName("datum")->AsFloat(), 0.0);  // null reads as 0
  }
  replay->Next();
  EXPECT_TRUE(replay->Eof());
  replay->Last();
  EXPECT_EQ(replay->RecNo(), 50);
  EXPECT_DOUBLE_EQ(replay->FieldByName("tws")->AsFloat(), 3649 + 2 / 4.0);
}

TEST_F(TableTest, FieldsChangeOnlyInEditOrInsertAndAutoIncIsReadOnly) {
  TTable t(nullptr);
  t.SetTableName(Path("demonstration.lg"));
  DefineLog(t);
  t.CreateTable();
  t.Open();
  EXPECT_THROW(t.FieldByName("Speed")->SetAsFloat(1), EDatabaseError);
  EXPECT_THROW(t.FieldByName("nosuchfield"), EDatabaseError);
  t.Append();
  EXPECT_THROW(t.FieldByName("Id")->SetAsInteger(7), EDatabaseError);
  t.FieldByName("Speed")->SetAsFloat(6.5);
  t.Cancel();
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_THROW(t.CreateTable(), EDatabaseError);  // open
  // Moving away from a changed record posts it.
  t.Append();
  t.FieldByName("Speed")->SetAsFloat(6.5);
  t.First();
  EXPECT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(t.FieldByName("Id")->AsInteger(), 1);
  t.Edit();
  t.FieldByName("Speed")->SetAsFloat(7.25);
  t.Post();
  TTable other(nullptr);
  other.SetTableName(Path("demonstration.lg"));
  other.Open();
  EXPECT_EQ(other.FieldByName("Speed")->AsFloat(), 7.25);
}

TEST_F(TableTest, PolarTableByLowerCaseNameAndIntegerConversions) {
  {
    TTable t(nullptr);
    t.SetTableName(Path("PERFORMANCE.DBF"));
    t.FieldDefs().Add("TWS", ftSmallint);
    t.FieldDefs().Add("TWD", ftSmallint);
    t.FieldDefs().Add("SPEED", ftFloat);
    t.CreateTable();
  }
  TTable t(nullptr);
  t.SetDatabaseName(fDir);
  t.SetTableName("performance.dbf");
  t.Open();
  EXPECT_EQ(t.FileName(), Path("PERFORMANCE.DBF"));
  t.Append();
  t.FieldByName("tws")->SetAsFloat(6.5);  // whole-number fields round half to even
  t.FieldByName("twd")->SetAsString("45");
  t.FieldByName("speed")->SetAsString("5.25");
  t.Post();
  EXPECT_EQ(t.FieldByName("TWS")->AsInteger(), 6);
  EXPECT_EQ(t.FieldByName("SPEED")->AsString(), "5.25");
  t.Append();
  t.FieldByName("tws")->SetAsInteger(1234567);  // wider than the column
  EXPECT_THROW(t.Post(), EDatabaseError);
  EXPECT_EQ(t.State(), dsInsert);  // a failed post keeps the record for correction
  t.Cancel();
  t.Delete();
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_TRUE(t.Eof() && t.Bof());
}

TEST_F(TableTest, DataSourceAndLinksHearStateAndDataChanges) {
  struct Link : TDataLink {
    int active = 0, changed = 0, scrolled = 0, fields = 0;
    void ActiveChanged() override { ++active; }
    void DataSetChanged() override { ++changed; }
    void DataSetScrolled() override { ++scrolled; }
    void RecordChanged(TField*) override { ++fields; }
  };
  auto* t = new TTable(&fOwner);
  t->SetTableName(Path("sails.db"));
  t->FieldDefs().Add("Sails", ftString, 40);
  t->FieldDefs().Add("Color", ftFloat);
  t->CreateTable();
  auto* source = new TDataSource(&fOwner);
  int states = 0;
  source->OnStateChange = rtl::TNotifyEvent(&states, [&](rtl::TObject*) { ++states; });
  source->SetDataSet(t);
  Link link;
  link.SetDataSource(source);
  EXPECT_FALSE(link.Active());
  t->Open();
  EXPECT_TRUE(link.Active());
  EXPECT_EQ(source->State(), dsBrowse);
  t->Append();
  t->FieldByName("Sails")->SetAsString("Genoa");
  t->Post();
  t->Append();
  t->FieldByName("Sails")->SetAsString("Jib");
  t->Post();
  t->First();
  t->Next();
  EXPECT_EQ(t->FieldByName("sails")->AsString(), "Jib");
  EXPECT_GE(states, 5);
  EXPECT_GE(link.active, 2);
  EXPECT_EQ(link.fields, 2);
  EXPECT_GE(link.scrolled, 2);
  EXPECT_GE(link.changed, 2);
  delete t;  // the source forgets a freed data set
  EXPECT_EQ(source->DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
}

// A table of n records with No = 1..n.
class CursorTest : public TableTest {
 protected:
  void SetUp() override {
    TableTest::SetUp();
    t = new TTable(&fOwner);
    t->SetTableName(Path("cursor.dbf"));
    t->FieldDefs().Add("No", ftInteger);
    t->CreateTable();
    t->Open();
    for (int i = 1; i <= 5; ++i) {
      t->Append();
      t->FieldByName("No")->SetAsInteger(i);
      t->Post();
    }
    t->First();
  }
  int No() const { return t->FieldByName("No")->AsInteger(); }
  TTable* t = nullptr;
};

TEST_F(CursorTest, MoveByStopsAtTheEndsAndSetsTheirFlags) {
  EXPECT_EQ(t->MoveBy(3), 3);
  EXPECT_EQ(No(), 4);
  EXPECT_FALSE(t->Bof() || t->Eof());
  EXPECT_EQ(t->MoveBy(10), 1);  // only one record was left
  EXPECT_EQ(t->RecNo(), 5);
  EXPECT_TRUE(t->Eof());
  EXPECT_EQ(t->MoveBy(-2), -2);
  EXPECT_FALSE(t->Eof());
  EXPECT_EQ(t->MoveBy(-9), -2);
  EXPECT_TRUE(t->Bof());
  t->SetRecNo(3);
  EXPECT_EQ(No(), 3);
  // Moving posts an edit first, as Next does.
  t->Edit();
  t->FieldByName("No")->SetAsInteger(30);
  t->MoveBy(1);
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(t->RecordAt(2).at(0), Value{int64_t{30}});
}

TEST_F(CursorTest, LinksHearTheFlagsAlreadySetAndTheEndBeingFound) {
  struct Link : TDataLink {
    TDataSet* ds = nullptr;
    std::vector<std::pair<bool, bool>> seen;  // Bof, Eof at each scroll
    void DataSetScrolled() override { seen.emplace_back(ds->Bof(), ds->Eof()); }
  };
  auto* source = new TDataSource(&fOwner);
  source->SetDataSet(t);
  Link link;
  link.ds = t;
  link.SetDataSource(source);
  t->SetRecNo(4);
  t->Next();
  t->Next();  // finds the end: no move, but the forward buttons must learn of it
  t->Next();  // already known: nothing to say
  t->MoveBy(-4);
  t->MoveBy(-1);
  const std::vector<std::pair<bool, bool>> expected = {
      {false, false}, {false, false}, {false, true}, {false, false}, {true, false}};
  EXPECT_EQ(link.seen, expected);
}

TEST_F(CursorTest, PostAsksLinksForWhatIsBeingTypedFirst) {
  struct Link : TDataLink {
    void UpdateData() override { DataSet()->FieldByName("No")->SetAsInteger(42); }
  };
  auto* source = new TDataSource(&fOwner);
  source->SetDataSet(t);
  Link link;
  link.SetDataSource(source);
  t->Edit();
  t->Post();
  EXPECT_EQ(t->RecordAt(0).at(0), Value{int64_t{42}});
}

TEST_F(CursorTest, RefreshSeesOtherHandlesAndKeepsThePosition) {
  t->SetRecNo(5);
  {
    TTable other(nullptr);
    other.SetTableName(Path("cursor.dbf"));
    other.Open();
    other.Delete();  // record 1
  }
  EXPECT_EQ(t->RecordCount(), 5);  // not seen until the table catches up
  t->Refresh();
  EXPECT_EQ(t->RecordCount(), 4);
  EXPECT_EQ(t->RecNo(), 4);  // the position is kept within the records left
  EXPECT_EQ(No(), 5);
  EXPECT_EQ(t->Fields(0)->TextOf(t->RecordAt(0).at(0)), "2");
}

}  // namespace
