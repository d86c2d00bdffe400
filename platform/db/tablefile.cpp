#include "platform/db/tablefile.h"

#include <dirent.h>
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

std::string ResolveTableFileName(const std::string& fileName) {
  if (::access(fileName.c_str(), F_OK) == 0) return fileName;
  const auto slash = fileName.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return fileName;
  std::string found = fileName;
  while (const dirent* e = ::readdir(d)) {
    if (rtl::SameText(e->d_name, base)) {
      found = (slash == std::string::npos ? std::string() : dir) + e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
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
}

}  // namespace db
