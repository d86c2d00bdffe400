#include "platform/db/table.h"

#include <unistd.h>

#include "platform/db/dberrors.h"
#include "platform/rtl/files.h"

namespace db {

TTable::TTable(rtl::TComponent* AOwner) : TDataSet(AOwner) {}

TTable::~TTable() {
  Destroying();
  Close();
}

void TTable::SetDatabaseName(const std::string& value) {
  CheckInactive();
  fDatabaseName = value;
}

void TTable::SetTableName(const std::string& value) {
  CheckInactive();
  fTableName = value;
}

void TTable::SetTableType(TTableType value) {
  CheckInactive();
  fTableType = value;
}

void TTable::SetReadOnly(bool value) {
  CheckInactive();
  fReadOnly = value;
}

std::string TTable::FileName() const {
  if (fTableName.empty()) throw EDatabaseError(Name() + ": Missing TableName property");
  std::string path = fTableName;
  if (path.front() != '/' && !fDatabaseName.empty())
    path = fDatabaseName + (fDatabaseName.back() == '/' ? "" : "/") + path;
  const auto slash = path.find_last_of('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.find('.') == std::string::npos)
    path += fTableType == ttDBase ? ".dbf" : ".db";
  return rtl::ResolveFileName(path);
}

bool TTable::Exists() const { return ::access(FileName().c_str(), F_OK) == 0; }

void TTable::CreateTable() {
  CheckInactive();
  CreateTableFile(FileName(), fTableType, FieldDefs());
}

void TTable::FlushBuffers() {
  CheckActive();
  fFile->Flush();
}

bool TTable::CanModify() const { return fFile && fFile->Writable() && !fReadOnly; }

void TTable::InternalOpen() {
  fFile = OpenTableFile(FileName(), fTableType);
  FieldDefs() = fFile->Fields();
}

void TTable::InternalClose() { fFile.reset(); }
void TTable::InternalResync() { fFile->Resync(); }
int TTable::InternalRecordCount() { return fFile->RecordCount(); }
Record TTable::InternalRead(int index) { return fFile->Read(index); }

int TTable::InternalAppend(Record& record) {
  fFile->Append(record);
  return fFile->RecordCount() - 1;
}

void TTable::InternalUpdate(int index, const Record& record) { fFile->Update(index, record); }
void TTable::InternalDelete(int index) { fFile->Delete(index); }

}  // namespace db
