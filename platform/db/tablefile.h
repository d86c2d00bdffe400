#pragma once
// One table file (dBase or Paradox) seen as numbered records. Every change is written to the
// file at once, header counts included, so another TableFile on the same file sees it; the
// record count is read from the file on every call.
#include <memory>
#include <string>

#include "platform/db/fielddefs.h"

namespace db {

enum TTableType { ttDefault, ttParadox, ttDBase };

class TableFile {
 public:
  virtual ~TableFile() = default;
  const TFieldDefs& Fields() const { return fFields; }
  virtual bool Writable() const = 0;
  // Live records (deleted dBase records are not counted). Records appended through another
  // handle are seen at once; Resync also sees records that another handle deleted.
  virtual int RecordCount() = 0;
  virtual void Resync() = 0;
  // Record index counts live records from 0 in file order.
  virtual Record Read(int index) = 0;
  // Appends; auto-increment fields get the table's next value, written back into record.
  virtual void Append(Record& record) = 0;
  virtual void Update(int index, const Record& record) = 0;
  virtual void Delete(int index) = 0;
  virtual void Flush() = 0;  // durable

 protected:
  TFieldDefs fFields;
};

// The type a table name stands for: ttDBase for ".dbf", else Paradox, unless given.
TTableType TableTypeOf(const std::string& fileName, TTableType given);

// Opens an existing table file (its name already resolved), writable where the file allows.
std::unique_ptr<TableFile> OpenTableFile(const std::string& fileName, TTableType type);
// Creates a new, empty table file; an existing file of that name is replaced.
void CreateTableFile(const std::string& fileName, TTableType type, const TFieldDefs& fields);

}  // namespace db
