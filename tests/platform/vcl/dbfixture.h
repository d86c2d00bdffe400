#pragma once
// The fixture of the data-aware control tests: a polar table (TWS, TWD, SPEED) in a fresh
// directory, opened by Table1 behind DataSource1 on a shown form.
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/db/table.h"
#include "platform/vcl/forms.h"
#include "vcltest.h"

namespace vcltest {

using PolarRow = std::tuple<int, int, double>;

// Writes "PERFORMANCE.DBF" in dir with these rows, through a handle of its own.
inline void WritePolarTable(const std::string& dir, const std::vector<PolarRow>& rows) {
  db::TTable t(nullptr);
  t.SetDatabaseName(dir);
  t.SetTableName("PERFORMANCE.DBF");
  t.SetTableType(db::ttDBase);
  t.FieldDefs().Add("TWS", db::ftSmallint);
  t.FieldDefs().Add("TWD", db::ftSmallint);
  t.FieldDefs().Add("SPEED", db::ftFloat);
  t.CreateTable();
  t.Open();
  for (auto [tws, twd, speed] : rows) {
    t.Append();
    t.FieldByName("TWS")->SetAsInteger(tws);
    t.FieldByName("TWD")->SetAsInteger(twd);
    t.FieldByName("SPEED")->SetAsFloat(speed);
    t.Post();
  }
  t.Close();
}

class DbControlTest : public VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    char pattern[] = "/tmp/corv_dbctl_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    form = new vcl::TForm(app.get());
    form->SetBounds(10, 10, 400, 300);
    table = new db::TTable(form);
    table->SetName("Table1");
    table->SetDatabaseName(dir);
    table->SetTableName("PERFORMANCE.DBF");
    table->SetTableType(db::ttDBase);
    source = new db::TDataSource(form);
    source->SetDataSet(table);
  }
  void TearDown() override {
    VclTest::TearDown();
    std::filesystem::remove_all(dir);
  }

  // Writes the table with these rows (through a handle of its own) and opens Table1.
  void CreateTable(const std::vector<PolarRow>& rows) {
    WritePolarTable(dir, rows);
    table->Open();
  }

  // The rows as an independent handle on the file reads them now.
  std::vector<PolarRow> FileRows() {
    db::TTable t(nullptr);
    t.SetDatabaseName(dir);
    t.SetTableName("performance.dbf");
    t.Open();
    std::vector<PolarRow> rows;
    for (; !t.Eof(); t.Next())
      rows.emplace_back(t.FieldByName("TWS")->AsInteger(), t.FieldByName("TWD")->AsInteger(),
                        t.FieldByName("SPEED")->AsFloat());
    return rows;
  }

  std::string dir;
  vcl::TForm* form = nullptr;
  db::TTable* table = nullptr;
  db::TDataSource* source = nullptr;
};

}  // namespace vcltest
