#pragma once
// SQL over table files: an in-memory SQLite connection in which every table a statement names
// becomes a virtual table reading that file (the name matched without regard to case in the
// engine's directory), so statements run as written.
#include <memory>
#include <string>
#include <vector>

#include "platform/db/fielddefs.h"

struct sqlite3;

namespace db {

struct SqlParam {
  std::string Name;
  Value Data;
  bool Bound = false;
};

struct SqlResult {
  TFieldDefs Columns;
  std::vector<Record> Rows;
};

class SqlEngine {
 public:
  explicit SqlEngine(std::string directory);
  ~SqlEngine();
  SqlEngine(const SqlEngine&) = delete;
  SqlEngine& operator=(const SqlEngine&) = delete;

  // Runs one statement with its parameters bound by name without regard to case. A SELECT
  // DISTINCT without ORDER BY comes back sorted ascending on all its columns.
  SqlResult Run(const std::string& sql, const std::vector<SqlParam>& params);

  // For the virtual-table module.
  const std::string& TablePath(size_t index) const { return fPaths.at(index); }

 private:
  struct Statement;
  std::unique_ptr<Statement> Prepare(const std::string& sql);
  void AttachTable(const std::string& name);

  std::string fDirectory;
  sqlite3* fDb = nullptr;
  std::vector<std::string> fPaths;  // files of the virtual tables, by argument index
};

}  // namespace db
