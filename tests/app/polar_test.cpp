// The polar table and its target-speed lookup, against values worked out by hand.
#include "app/polar.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "platform/gdi/image.h"
#include "platform/rtl/exceptions.h"
#include "platform/win/paint.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

// The form with its table and queries in a test directory.
class TestPolardata : public TPolardata {
 public:
  explicit TestPolardata(const std::string& dir, rtl::TComponent* owner = nullptr)
      : TPolardata(owner) {
    Table1->SetDatabaseName(dir);
    Query5->SetDatabaseName(dir);
    Query6->SetDatabaseName(dir);
  }
};

// Message boxes are answered OK at once and read back from the dialog log.
class PolarTest : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    vcl::SetDialogResponder([](const vcl::TDialogRequest&) { return vcl::TDialogAnswer{}; });
    char pattern[] = "/tmp/corv_polar_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    fDir = pattern;
  }
  void TearDown() override {
    VclTest::TearDown();
    std::filesystem::remove_all(fDir);
  }
  // "Caption: text" of every message box shown.
  static std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const auto& r : vcl::DialogLog()) out.push_back(r.Caption + ": " + r.Text);
    return out;
  }

  void CreateTable(db::TFieldType twsType = db::ftSmallint) {
    db::TTable t(nullptr);
    t.SetDatabaseName(fDir);
    t.SetTableName("PERFORMANCE.DBF");
    t.FieldDefs().Add("TWS", twsType);
    t.FieldDefs().Add("TWD", db::ftSmallint);
    t.FieldDefs().Add("SPEED", db::ftFloat);
    t.CreateTable();
  }
  void AddRows(const std::vector<std::tuple<double, int, double>>& rows) {
    db::TTable t(nullptr);
    t.SetDatabaseName(fDir);
    t.SetTableName("performance.dbf");
    t.Open();
    for (auto [tws, twd, speed] : rows) {
      t.Append();
      if (!std::isnan(tws)) t.FieldByName("TWS")->SetAsFloat(tws);
      t.FieldByName("TWD")->SetAsInteger(twd);
      t.FieldByName("SPEED")->SetAsFloat(speed);
      t.Post();
    }
  }
  // Three columns whose curves are straight lines through x = point index:
  // 6 kn: y = 1 + i/10, 8 kn: y = 2 + i/4, 10 kn: y = 3 + 0.3 i.
  void CreateThreeColumns() {
    CreateTable();
    AddRows(
        {{10, 109, 35.7}, {6, 0, 1.0}, {8, 109, 29.25}, {10, 0, 3.0}, {6, 109, 11.9}, {8, 0, 2.0}});
  }
  std::string fDir;
};

// twa 44.5 picks point 45 of every curve: 5.5 (6 kn), 13.25 (8 kn), 16.5 (10 kn).
TEST_F(PolarTest, LookupUsesTabulatedColumnsAndInterpolatesOnlyBetweenNeighbours) {
  CreateThreeColumns();
  TestPolardata p(fDir);
  p.ReadPolars();
  ASSERT_EQ(p.fTwsCount, 3);
  EXPECT_EQ(p.fTwsValues[0], 6);
  EXPECT_EQ(p.fTwsValues[1], 8);
  EXPECT_EQ(p.fTwsValues[2], 10);
  EXPECT_TRUE(Messages().empty());
  EXPECT_NEAR(p.TargetSpeed(7, 44.5), 9.375, 1e-4);      // halfway between 6 and 8
  EXPECT_NEAR(p.TargetSpeed(8, 44.5), 13.25, 1e-4);      // the 8 kn curve, not 6 and 10 mixed
  EXPECT_NEAR(p.TargetSpeed(9.5, 44.5), 15.6875, 1e-4);  // 3/4 of the way from 8 to 10
  EXPECT_NEAR(p.TargetSpeed(10, 44.5), 16.5, 1e-4);      // the largest column's own curve
  EXPECT_NEAR(p.TargetSpeed(25, 44.5), 16.5, 1e-4);      // above: no extrapolation
  EXPECT_NEAR(p.TargetSpeed(6, 44.5), 5.5, 1e-4);
  EXPECT_NEAR(p.TargetSpeed(3, 44.5), 5.5, 1e-4);  // below: the smallest column
  EXPECT_NEAR(p.TargetSpeed(6, 0), 1.0, 1e-6);     // twa 0: the first row
  EXPECT_NEAR(p.TargetSpeed(6, 200), 11.0, 1e-4);  // beyond the first 100 points: point 100
  // Continuous in wind speed around a column.
  EXPECT_NEAR(p.TargetSpeed(7.999, 44.5), p.TargetSpeed(8, 44.5), 0.01);
  EXPECT_NEAR(p.TargetSpeed(8.001, 44.5), p.TargetSpeed(8, 44.5), 0.01);
}

TEST_F(PolarTest, OneColumnAndEmptyTable) {
  TestPolardata p(fDir);
  EXPECT_EQ(p.TargetSpeed(10, 90), 0.0f);  // nothing read: no target
  CreateTable();
  p.ReadPolars();
  EXPECT_EQ(p.fTwsCount, 0);
  EXPECT_EQ(p.TargetSpeed(10, 90), 0.0f);
  AddRows({{12, 0, 1.0}, {12, 109, 11.9}});
  p.ReadPolars();
  ASSERT_EQ(p.fTwsCount, 1);
  for (double tws : {0.0, 12.0, 30.0}) EXPECT_NEAR(p.TargetSpeed(tws, 44.5), 5.5, 1e-4);
}

TEST_F(PolarTest, SecondReadSeesRowsAddedMeanwhile) {
  CreateThreeColumns();
  TestPolardata p(fDir);
  p.FormCreate(nullptr);
  ASSERT_EQ(p.fTwsCount, 3);
  // Added through the grid's table while the distinct query is still open.
  p.Table1->Append();
  p.Table1->FieldByName("TWS")->SetAsInteger(14);
  p.Table1->FieldByName("TWD")->SetAsInteger(0);
  p.Table1->FieldByName("SPEED")->SetAsFloat(4.0);
  p.Table1->Post();
  p.Table1->Append();
  p.Table1->FieldByName("TWS")->SetAsInteger(14);
  p.Table1->FieldByName("TWD")->SetAsInteger(109);
  p.Table1->FieldByName("SPEED")->SetAsFloat(14.9);
  p.Table1->Post();
  p.Edit1->SetText("14");
  p.Edit2->SetText("44.5");
  p.Button1Click(nullptr);
  EXPECT_EQ(p.fTwsCount, 4);
  EXPECT_EQ(p.Edit3->Text(), "8.5");  // y = 4 + i/10 at point 45
  p.Edit1->SetText("fast");
  EXPECT_THROW(p.Button1Click(nullptr), rtl::EConvertError);
}

TEST_F(PolarTest, ColumnsWithoutRowsAreSkipped) {
  CreateTable(db::ftFloat);
  AddRows(
      {{6, 0, 1.0}, {6, 109, 11.9}, {NAN, 45, 3.0}, {7.5, 45, 3.0}, {8, 0, 2.0}, {8, 109, 29.25}});
  TestPolardata p(fDir);
  p.ReadPolars();
  ASSERT_EQ(p.fTwsCount, 2);
  EXPECT_EQ(p.fTwsValues[0], 6);
  EXPECT_EQ(p.fTwsValues[1], 8);
  EXPECT_NEAR(p.TargetSpeed(7, 44.5), 9.375, 1e-4);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(PolarTest, MoreThanTwentyWindSpeedsKeepsTheLowestAndSaysSoOnce) {
  CreateTable();
  std::vector<std::tuple<double, int, double>> rows;
  for (int tws = 27; tws >= 4; --tws) rows.push_back({tws, 90, tws / 2.0});
  AddRows(rows);
  TestPolardata p(fDir);
  p.ReadPolars();
  EXPECT_EQ(p.fTwsCount, 20);
  EXPECT_EQ(p.fTwsValues[0], 4);
  EXPECT_EQ(p.fTwsValues[19], 23);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("20"), std::string::npos);
}

TEST_F(PolarTest, ReadErrorIsReportedAndKeepsWhatWasRead) {
  CreateThreeColumns();
  TestPolardata p(fDir);
  p.ReadPolars();
  std::filesystem::remove(fDir + "/PERFORMANCE.DBF");
  p.ReadPolars();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("Error: Error reading polar table PERFORMANCE.DBF: ", 0), 0u)
      << Messages()[0];
  EXPECT_EQ(p.fTwsCount, 3);
  EXPECT_NEAR(p.TargetSpeed(8, 44.5), 13.25, 1e-4);
}

// A number the table holds in a form no one can read ("29,25") is no speed of 0: the table is
// refused whole, with the file and the record named, and the curves read before stay.
TEST_F(PolarTest, AnUnreadableNumberRefusesTheTableNamingTheRecord) {
  CreateThreeColumns();
  TestPolardata p(fDir);
  p.ReadPolars();
  ASSERT_TRUE(Messages().empty());
  const std::string file = fDir + "/PERFORMANCE.DBF";
  std::string bytes;
  {
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const size_t at = bytes.find("29.25");  // the third record's speed
  ASSERT_NE(at, std::string::npos);
  bytes[at + 2] = ',';
  std::ofstream(file, std::ios::binary) << bytes;
  p.ReadPolars();
  ASSERT_EQ(Messages().size(), 1u);
  const std::string told = Messages()[0];
  EXPECT_EQ(told.rfind("Error: Error reading polar table PERFORMANCE.DBF: ", 0), 0u) << told;
  EXPECT_NE(told.find("Record 3 of"), std::string::npos) << told;
  EXPECT_NE(told.find("field SPEED"), std::string::npos) << told;
  EXPECT_NE(told.find("29,25"), std::string::npos) << told;
  EXPECT_EQ(p.fTwsCount, 3);
  EXPECT_NEAR(p.TargetSpeed(8, 44.5), 13.25, 1e-4);

  TestPolardata fresh(fDir);  // at start: no curves, and the box says why
  fresh.ReadPolars();
  EXPECT_EQ(Messages().size(), 2u);
  EXPECT_EQ(fresh.fTwsCount, 0);
  EXPECT_EQ(fresh.TargetSpeed(8, 44.5), 0.0f);
}

// The shipped sample: 12 angles per wind speed, so point 50 lies at v = 550/109, just past the
// 90 degree row: y = 7.4 + (550/109 - 5) * 0.1 at 10 kn and 7.7 + the same at 12 kn.
TEST_F(PolarTest, ShippedSampleTable) {
  TestPolardata p(std::string(CORV_SOURCE_DIR) + "/data");
  p.ReadPolars();
  ASSERT_TRUE(Messages().empty());
  ASSERT_EQ(p.fTwsCount, 7);
  EXPECT_EQ(std::vector<int>(p.fTwsValues.begin(), p.fTwsValues.begin() + 7),
            (std::vector<int>{6, 8, 10, 12, 14, 16, 20}));
  const double past = 550.0 / 109 - 5;
  EXPECT_NEAR(p.TargetSpeed(10, 90), 7.4 + past * 0.1, 1e-5);
  EXPECT_NEAR(p.TargetSpeed(11, 90), 7.55 + past * 0.1, 1e-5);
  EXPECT_NEAR(p.TargetSpeed(20, 30), 5.0, 1e-6);
}

TEST_F(PolarTest, BSplineOfOrderTwoIsThePolylineThroughTheControlPoints) {
  TPolardata p(nullptr);
  const TPolarPoint control[] = {{30, 4.0, 0}, {90, 5.5, 0}, {180, 4.5, 0}};
  std::array<TPolarPoint, kCurvePoints> curve{};
  p.BSplineCurve(control, 2, 2, curve.data(), 110);
  EXPECT_DOUBLE_EQ(curve[0].x, 30);
  EXPECT_DOUBLE_EQ(curve[0].y, 4.0);
  // Point 55 lies at v = 110/109, just past the middle row: x = 90 + 90/109, y = 5.5 - 1/109.
  EXPECT_NEAR(curve[55].x, 90 + 90.0 / 109, 1e-9);
  EXPECT_NEAR(curve[55].y, 5.5 - 1.0 / 109, 1e-9);
  EXPECT_DOUBLE_EQ(curve[109].x, 180);
  EXPECT_DOUBLE_EQ(curve[109].y, 4.5);
  EXPECT_EQ(curve[110].x, 0);  // only 110 points are filled
  int u[5];
  p.BSplineKnots(u, 2, 2);
  EXPECT_EQ(std::vector<int>(u, u + 5), (std::vector<int>{0, 0, 1, 2, 2}));
}

TEST_F(PolarTest, BSplineOfOneControlPointGivesZerosThenThatPoint) {
  TPolardata p(nullptr);
  const TPolarPoint control[] = {{45, 5.0, 0}};
  std::array<TPolarPoint, kCurvePoints> curve{};
  curve.fill(TPolarPoint{9, 9, 9});
  p.BSplineCurve(control, 0, 2, curve.data(), 110);
  for (int i = 0; i < 109; ++i) EXPECT_EQ(curve[static_cast<size_t>(i)].y, 0) << i;
  EXPECT_EQ(curve[109].x, 45);
  EXPECT_EQ(curve[109].y, 5.0);
}

// A wind speed tabulated at one angle only is that speed at every angle, alone or beside other
// columns: 10 kn is y = 1 + i/10 (5.5 at point 45), 12 kn is 6.0 at 90 degrees only.
TEST_F(PolarTest, AColumnOfOneRowIsItsSpeedAtEveryAngle) {
  CreateTable();
  AddRows({{8, 45, 5.0}});
  TestPolardata p(fDir);
  p.ReadPolars();
  ASSERT_EQ(p.fTwsCount, 1);
  for (double twa : {0.0, 45.0, 90.0, 180.0}) EXPECT_EQ(p.TargetSpeed(8, twa), 5.0f) << twa;
  EXPECT_EQ(p.TargetSpeed(2, 120), 5.0f);

  CreateTable();
  AddRows({{10, 0, 1.0}, {10, 109, 11.9}, {12, 90, 6.0}});
  p.ReadPolars();
  ASSERT_EQ(p.fTwsCount, 2);
  EXPECT_EQ(p.TargetSpeed(12, 44.5), 6.0f);
  EXPECT_EQ(p.TargetSpeed(12, 170), 6.0f);
  EXPECT_EQ(p.TargetSpeed(25, 0), 6.0f);
  EXPECT_NEAR(p.TargetSpeed(11, 44.5), 5.75, 1e-4);  // halfway between 5.5 and 6.0
}

// A row whose angle or speed was left empty in the grid is no row: not 0 degrees, not 0 knots.
// The 10 kn column is y = 1 + i/10 through its two complete rows.
TEST_F(PolarTest, RowsWithAnEmptyAngleOrSpeedAreLeftOut) {
  CreateTable();
  AddRows({{10, 0, 1.0}, {10, 109, 11.9}});
  {
    db::TTable t(nullptr);
    t.SetDatabaseName(fDir);
    t.SetTableName("performance.dbf");
    t.Open();
    t.Append();  // an angle not yet typed
    t.FieldByName("TWS")->SetAsInteger(10);
    t.FieldByName("SPEED")->SetAsFloat(7.0);
    t.Post();
    t.Append();  // a speed not yet typed
    t.FieldByName("TWS")->SetAsInteger(10);
    t.FieldByName("TWD")->SetAsInteger(50);
    t.Post();
    t.Append();  // a wind speed with nothing typed yet
    t.FieldByName("TWS")->SetAsInteger(14);
    t.Post();
  }
  TestPolardata p(fDir);
  p.ReadPolars();
  EXPECT_TRUE(Messages().empty());
  ASSERT_EQ(p.fTwsCount, 1);
  EXPECT_NEAR(p.TargetSpeed(10, 0), 1.0, 1e-6);
  EXPECT_NEAR(p.TargetSpeed(10, 44.5), 5.5, 1e-4);
  EXPECT_NEAR(p.TargetSpeed(16, 44.5), 5.5, 1e-4);
}

// ---- the form

class PolarFormTest : public PolarTest {
 protected:
  // The form on the test directory, shown, with the curves read.
  TestPolardata* ShowForm() {
    auto* form = new TestPolardata(fDir, app.get());
    form->ReadPolars();
    form->Show();
    Pump();
    return form;
  }
  void ClickCell(vcl::TDBGrid* grid, int row, int col) {
    TRect r = grid->CellRect(row, col);
    Click(grid, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void TypeInto(vcl::TEdit* edit, const std::string& text) {
    Click(edit);
    edit->SelectAll();
    Type(text);
  }
  std::vector<std::string> LookupItems(TPolardata* form) {
    std::vector<std::string> out;
    auto* items = form->DBLookupComboBox1->Items();
    for (int i = 0; i < items->Count(); ++i) out.push_back(items->Strings(i));
    return out;
  }
  using TRect = vcl::TRect;
};

TEST_F(PolarFormTest, CreatedAtStartHiddenWithTheTableReadAndItsSpeedsListed) {
  CreateThreeColumns();
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(fDir);  // the table is looked up in the working directory
  TPolardata* form = nullptr;
  app->CreateForm(form);
  std::filesystem::current_path(cwd);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(form->fTwsCount, 3);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(form->Table1->Active());
  ASSERT_EQ(form->DBGrid1->ColumnCount(), 3);
  EXPECT_EQ(form->DBGrid1->ColumnTitle(1), "TWD");
  EXPECT_EQ(LookupItems(form), (std::vector<std::string>{"6", "8", "10"}));
  EXPECT_EQ(form->ComboBox1->Text(), "10");
  EXPECT_EQ(form->ComboBox1->Items()->Count(), 3);
}

TEST_F(PolarFormTest, CalculateTargetSeesAWindSpeedAddedInTheGrid) {
  CreateThreeColumns();
  TestPolardata* form = ShowForm();
  vcl::TDBGrid* grid = form->DBGrid1;
  // Two rows of a 14 kn column, typed at the end of the grid: y = 4 + i/10.
  ClickCell(grid, 5, 0);
  Key(win::VK_DOWN);
  Type("14");
  Key(win::VK_TAB);
  Type("0");
  Key(win::VK_TAB);
  Type("4");
  Key(win::VK_DOWN);
  Key(win::VK_HOME);
  Type("14");
  Key(win::VK_TAB);
  Type("109");
  Key(win::VK_TAB);
  Type("14.9");
  Key(win::VK_RETURN);
  ASSERT_EQ(form->Table1->RecordCount(), 8);
  TypeInto(form->Edit1, "14");
  TypeInto(form->Edit2, "44.5");
  Click(form->Button1);
  EXPECT_EQ(form->fTwsCount, 4);
  EXPECT_EQ(form->Edit3->Text(), "8.5");
  EXPECT_EQ(LookupItems(form), (std::vector<std::string>{"6", "8", "10", "14"}));
  TypeInto(form->Edit1, "8");
  Click(form->Button1);
  EXPECT_EQ(form->Edit3->Text(), "13.25");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(PolarFormTest, OkRereadsTheTableAndCloses) {
  CreateThreeColumns();
  TestPolardata* form = ShowForm();
  ClickCell(form->DBGrid1, 0, 0);  // the 10 kn row at 109 degrees becomes a 12 kn one
  Type("12");
  Key(win::VK_RETURN);
  Click(form->BitBtn1);
  EXPECT_FALSE(form->Visible());
  ASSERT_EQ(form->fTwsCount, 4);
  EXPECT_EQ(form->fTwsValues[3], 12);
}

// The polar table's rows as dbview reads them from the file, "TWS;TWD;SPEED" each.
std::string DbviewRows(const std::string& dir) {
  std::string out;
  if (FILE* p = popen(("dbview -b -t -d ';' '" + dir + "/PERFORMANCE.DBF' 2>&1").c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

TEST_F(PolarFormTest, OkPostsAValueStillBeingTyped) {
  CreateThreeColumns();
  TestPolardata* form = ShowForm();
  ClickCell(form->DBGrid1, 0, 2);  // the 10 kn row at 109 degrees: 35.7 kn becomes 40
  Type("40");
  Click(form->BitBtn1);  // no Return first
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(form->Table1->State(), db::dsBrowse);
  const std::string rows = DbviewRows(fDir);
  EXPECT_NE(rows.find("10;109;40.000000"), std::string::npos) << rows;
  EXPECT_EQ(rows.find("35.7"), std::string::npos) << rows;
  EXPECT_NEAR(form->TargetSpeed(10, 44.5), 3 + 45 * 37.0 / 109, 1e-4);  // point 45: 3 to 40 kn
  EXPECT_TRUE(Messages().empty());
}

// Text that is no number, and a number too wide for the SPEED column (20 characters with six
// decimals): OK says so and stays open, and the file keeps its rows.
TEST_F(PolarFormTest, OkRefusingAValueKeepsTheFormOpenAndTheFileAsItWas) {
  CreateThreeColumns();
  for (const char* text : {"abc", "123456789012345"}) {
    vcl::ClearDialogLog();
    TestPolardata* form = ShowForm();
    ClickCell(form->DBGrid1, 0, 2);
    Type(text);
    Click(form->BitBtn1);
    EXPECT_TRUE(form->Visible()) << text;
    ASSERT_EQ(Messages().size(), 1u) << text;
    EXPECT_NE(Messages()[0].find("not saved"), std::string::npos) << Messages()[0];
    const std::string rows = DbviewRows(fDir);
    EXPECT_NE(rows.find("10;109;35.700000"), std::string::npos) << rows;
    EXPECT_EQ(rows.find(text), std::string::npos) << rows;
    form->Table1->Cancel();
    form->Close();
  }
}

TEST_F(PolarFormTest, NavigatorDeleteIsAskedAndTheCurveGoesOnTheNextRead) {
  CreateThreeColumns();
  TestPolardata* form = ShowForm();
  vcl::SetDialogResponder([](const vcl::TDialogRequest&) { return vcl::TDialogAnswer{vcl::IDOK}; });
  // Delete both 8 kn rows (records 3 and 6).
  form->Table1->SetRecNo(3);
  form->DBNavigator1->BtnClick(vcl::nbDelete);
  form->Table1->Last();
  form->DBNavigator1->BtnClick(vcl::nbDelete);
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"Confirm: Delete record?", "Confirm: Delete record?"}));
  form->ReadPolars();
  ASSERT_EQ(form->fTwsCount, 2);
  EXPECT_EQ(form->fTwsValues[1], 10);
  EXPECT_NEAR(form->TargetSpeed(8, 44.5), 11.0, 1e-4);  // halfway between 5.5 and 16.5
}

// The form drawn headless, written as a PNG for a look, with the grid's rows and the test
// group's result where they belong.
TEST_F(PolarFormTest, Snapshot) {
  CreateThreeColumns();
  TestPolardata* form = ShowForm();
  form->Edit1->SetText("8");
  form->Edit2->SetText("44.5");
  form->Button1Click(nullptr);
  form->DBLookupComboBox1->SetKeyValue(db::Value{int64_t{8}});
  form->DBGrid1->SetFocus();
  Pump();
  const gdi::Surface& screen = win::ComposeScreen();
  // In the build tree, beside the other snapshots, to be looked at.
  const std::string path = "polar_form.png";
  gdi::SavePngFile(path, screen);
  // A data cell of the grid is white with black text somewhere in it; the title row is button
  // face.
  vcl::TDBGrid* grid = form->DBGrid1;
  TRect cell = grid->CellRect(1, 2);
  bool ink = false;
  for (int x = cell.left; x < cell.right; ++x)
    for (int y = cell.top; y < cell.bottom; ++y) {
      vcl::TPoint p = grid->ClientToScreen(vcl::TPoint{x, y});
      ink = ink || gdi::NativeToColor(screen.Get(p.x, p.y)) == gdi::RGB(0, 0, 0);
    }
  EXPECT_TRUE(ink);
  vcl::TPoint title =
      grid->ClientToScreen(vcl::TPoint{cell.right - 8, 2 + grid->TitleHeight() / 2});
  EXPECT_EQ(gdi::NativeToColor(screen.Get(title.x, title.y)), gdi::ColorToRGB(vcl::clBtnFace));
  EXPECT_EQ(form->Edit3->Text(), "13.25");
  EXPECT_EQ(form->DBLookupComboBox1->Text(), "8");
}

}  // namespace
