#include "platform/db/tablefile.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/db/dbase.h"
#include "platform/db/dberrors.h"
#include "platform/db/paradox.h"
#include "platform/rtl/sysutils.h"

namespace db {

TTableType TableTypeOf(const std::string& fileName, TTableType given) {
  if (given != ttDefault) return given;
  const auto dot = fileName.find_last_of("./");
  if (dot != std::string::npos && fileName[dot] == '.' &&
      rtl::SameText(std::string_view(fileName).substr(dot), ".dbf"))
    return ttDBase;
  return ttParadox;
}

std::unique_ptr<TableFile> OpenTableFile(const std::string& fileName, TTableType type) {
  if (TableTypeOf(fileName, type) == ttDBase) return std::make_unique<DbfFile>(fileName);
  return std::make_unique<ParadoxFile>(fileName);
}

void CreateTableFile(const std::string& fileName, TTableType type, const TFieldDefs& fields) {
  if (fields.Count() == 0) throw EDatabaseError("No fields defined for table '" + fileName + "'");
  // Build beside the target and rename, so a failure never leaves half a table behind.
  const std::string temp = fileName + ".new";
  ::unlink(temp.c_str());
  try {
    if (TableTypeOf(fileName, type) == ttDBase)
      DbfFile::Create(temp, fields);
    else
      ParadoxFile::Create(temp, fields);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  if (::rename(temp.c_str(), fileName.c_str()) != 0) {
    ::unlink(temp.c_str());
    RaiseOsError("Cannot create table", fileName);
  }
  // The new name reaches the disk too.
  const auto slash = fileName.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
  if (const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace db
