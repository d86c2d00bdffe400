#pragma once
// A data set over one table file, dBase or Paradox by its type or extension. Posts write through
// to the file; FlushBuffers makes them durable.
#include <memory>
#include <string>

#include "platform/db/dataset.h"
#include "platform/db/tablefile.h"

namespace db {

class TTable : public TDataSet {
 public:
  explicit TTable(rtl::TComponent* AOwner);
  ~TTable() override;

  const std::string& DatabaseName() const { return fDatabaseName; }
  void SetDatabaseName(const std::string& value);  // a directory; empty is the working directory
  const std::string& TableName() const { return fTableName; }
  void SetTableName(const std::string& value);
  TTableType TableType() const { return fTableType; }
  void SetTableType(TTableType value);
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value);

  // The table's file: directory and name joined, a missing extension supplied from the type, the
  // name matched without regard to case when such a file exists.
  std::string FileName() const;
  bool Exists() const;
  // Creates the table file from FieldDefs, replacing any file of that name; the table is closed.
  void CreateTable();
  void FlushBuffers();
  bool CanModify() const override;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalResync() override;
  int InternalRecordCount() override;
  Record InternalRead(int index) override;
  int InternalAppend(Record& record) override;
  void InternalUpdate(int index, const Record& record) override;
  void InternalDelete(int index) override;

 private:
  std::string fDatabaseName;
  std::string fTableName;
  TTableType fTableType = ttDefault;
  bool fReadOnly = false;
  std::unique_ptr<TableFile> fFile;
};

}  // namespace db
