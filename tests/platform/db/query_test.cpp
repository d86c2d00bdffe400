// TQuery: the statements of the polar form and the recorded polar plot, run over real files.
#include "platform/db/query.h"

#include "platform/db/dberrors.h"
#include "platform/db/table.h"
#include "tempdir.h"

namespace {

using namespace db;

class QueryTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    TTable t(nullptr);
    t.SetTableName(Path("PERFORMANCE.DBF"));
    t.FieldDefs().Add("TWS", ftSmallint);
    t.FieldDefs().Add("TWD", ftSmallint);
    t.FieldDefs().Add("SPEED", ftFloat);
    t.CreateTable();
    t.Open();
    // Deliberately out of order: wind speeds and angles as a user might type them.
    for (auto [tws, twd, speed] : {std::tuple{10, 90, 7.0}, {6, 90, 5.5}, {8, 52, 5.0},
                                   {6, 45, 4.0}, {10, 45, 5.75}, {8, 90, 6.5}, {6, 150, 4.5}}) {
      t.Append();
      t.FieldByName("TWS")->SetAsInteger(tws);
      t.FieldByName("TWD")->SetAsInteger(twd);
      t.FieldByName("SPEED")->SetAsFloat(speed);
      t.Post();
    }
  }
  void Polar(TQuery& q, const char* sql) {
    q.SetDatabaseName(fDir);
    q.SQL()->Add(sql);
  }
};

TEST_F(QueryTest, DistinctWindSpeedsComeBackAscending) {
  TQuery q(nullptr);
  Polar(q, "select distinct tws from \"performance.dbf\" ;");
  q.Open();
  ASSERT_EQ(q.RecordCount(), 3);
  EXPECT_EQ(q.FieldByName("TWS")->DataType(), ftSmallint);
  std::vector<int> seen;
  for (q.First(); !q.Eof(); q.Next()) seen.push_back(q.FieldByName("tws")->AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{6, 8, 10}));
}

TEST_F(QueryTest, DeletedRecordsAreNotSeen) {
  TTable t(nullptr);
  t.SetTableName(Path("PERFORMANCE.DBF"));
  t.Open();
  for (t.First(); !t.Eof();) {
    if (t.FieldByName("TWS")->AsInteger() == 10)
      t.Delete();
    else
      t.Next();
  }
  TQuery q(nullptr);
  Polar(q, "select distinct tws from \"performance.dbf\"");
  q.Open();
  EXPECT_EQ(q.RecordCount(), 2);
  q.Last();
  EXPECT_EQ(q.FieldByName("tws")->AsInteger(), 8);
}

TEST_F(QueryTest, ParameterBoundByNameWithoutRegardToCase) {
  TQuery q(nullptr);
  Polar(q, "select twd,speed from \"performance.dbf\" where tws=:tws order by twd");
  ASSERT_EQ(q.ParamCount(), 1);
  q.ParamByName("TWS")->SetAsSmallInt(6);
  q.Open();
  ASSERT_EQ(q.RecordCount(), 3);
  std::vector<double> speeds;
  for (q.First(); !q.Eof(); q.Next()) speeds.push_back(q.FieldByName("SPEED")->AsFloat());
  EXPECT_EQ(speeds, (std::vector<double>{4.0, 5.5, 4.5}));
  EXPECT_THROW(q.ParamByName("twd"), EDatabaseError);
}

TEST_F(QueryTest, OpenOnAnOpenQueryDoesNothingUntilClosed) {
  TQuery q(nullptr);
  Polar(q, "select twd,speed from \"performance.dbf\" where tws=:tws order by twd");
  q.ParamByName("tws")->SetAsInteger(6);
  q.Open();
  q.ParamByName("tws")->SetAsInteger(8);
  q.Open();
  EXPECT_EQ(q.RecordCount(), 3);  // still the rows of 6 kn
  // Rows added through a table meanwhile are seen once the query runs again.
  TTable t(nullptr);
  t.SetTableName(Path("performance.dbf"));
  t.Open();
  t.Append();
  t.FieldByName("TWS")->SetAsInteger(8);
  t.FieldByName("TWD")->SetAsInteger(180);
  t.FieldByName("SPEED")->SetAsFloat(5.25);
  t.Post();
  q.Close();
  q.Open();
  EXPECT_EQ(q.RecordCount(), 3);
  q.Last();
  EXPECT_EQ(q.FieldByName("twd")->AsInteger(), 180);
}

TEST_F(QueryTest, LogQueryWithStrictLimitsOverParadoxTable) {
  TTable log(nullptr);
  log.SetTableName(Path("Rec_1.lg"));
  for (const char* name : {"twa", "tws", "speedog", "speed", "heading", "geowindangle"})
    log.FieldDefs().Add(name, ftFloat);
  log.CreateTable();
  log.Open();
  for (double tws : {0.0, 5.0, 12.5, 20.0, 25.0}) {
    log.Append();
    log.FieldByName("tws")->SetAsFloat(tws);
    log.FieldByName("twa")->SetAsFloat(40 + tws);
    log.Post();
  }
  TQuery q(nullptr);
  q.SQL()->SetText(
      "select twa,tws,speedog,speed,heading,geowindangle from\n:file\n"
      "where (tws>:lowerlimit) and (tws<:upperlimit)");
  EXPECT_EQ(q.ParamCount(), 3);
  q.SQL()->Put(1, "\"" + Path("REC_1.LG") + "\"");
  ASSERT_EQ(q.ParamCount(), 2);
  q.ParamByName("lowerlimit")->SetAsFloat(0);
  q.ParamByName("upperlimit")->SetAsFloat(20);
  q.Open();
  ASSERT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(q.FieldByName("twa")->AsFloat(), 45.0);
  EXPECT_TRUE(q.FieldByName("heading")->IsNull());
}

TEST_F(QueryTest, FailuresRaise) {
  TQuery q(nullptr);
  Polar(q, "select twd from \"performance.dbf\" where tws=:tws");
  EXPECT_THROW(q.Open(), EDatabaseError);  // no value for :tws
  EXPECT_FALSE(q.Active());
  q.SQL()->SetText("select * from \"nosuchtable.dbf\"");
  EXPECT_THROW(q.Open(), EDatabaseError);
  q.SQL()->SetText("selec twd from \"performance.dbf\"");
  EXPECT_THROW(q.Open(), EDatabaseError);
  q.SQL()->SetText("delete from \"performance.dbf\"");
  EXPECT_THROW(q.ExecSQL(), EDatabaseError);  // tables are read only to SQL
}

TEST(ParseParamNamesTest, SkipsQuotedTextAndRepeats) {
  EXPECT_EQ(ParseParamNames("select a from \"x:y.db\" where a=:A and b>':no' and c<:a or d=:B2"),
            (std::vector<std::string>{"A", "B2"}));
  EXPECT_TRUE(ParseParamNames("select '12:30' from t").empty());
}

}  // namespace
