#include "platform/db/sqlengine.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cctype>
#include <cstring>

#include "platform/db/dberrors.h"
#include "platform/db/tablefile.h"
#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

namespace db {

namespace {

// Declared column types, read back by the result to give each field its type.
struct TypeName {
  TFieldType type;
  const char* name;
};
constexpr TypeName kTypeNames[] = {
    {ftString, "VARCHAR"},   {ftSmallint, "SMALLINT"}, {ftInteger, "INTEGER"},
    {ftWord, "WORD"},        {ftBoolean, "BOOLEAN"},   {ftFloat, "FLOAT"},
    {ftCurrency, "MONEY"},   {ftDate, "DATE"},         {ftTime, "TIME"},
    {ftDateTime, "DATETIME"}, {ftAutoInc, "AUTOINC"},  {ftMemo, "MEMO"},
    {ftUnknown, "BLOB"},
};

const char* NameOfType(TFieldType t) {
  for (const auto& n : kTypeNames)
    if (n.type == t) return n.name;
  return "BLOB";
}

TFieldType TypeOfName(const char* declared, int valueType) {
  if (declared) {
    for (const auto& n : kTypeNames)
      if (rtl::SameText(declared, n.name)) return n.type;
    if (std::strstr(declared, "INT") || std::strstr(declared, "int")) return ftInteger;
  }
  switch (valueType) {
    case SQLITE_INTEGER: return ftInteger;
    case SQLITE_TEXT: return ftString;
    default: return ftFloat;
  }
}

std::string Quoted(const std::string& identifier) {
  std::string q = "\"";
  for (char c : identifier) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

// ---- the virtual-table module: one table file, read only

struct FileTable : sqlite3_vtab {
  std::unique_ptr<TableFile> file;
};

struct FileCursor : sqlite3_vtab_cursor {
  int row = 0;
  int count = 0;
  int loaded = -1;
  Record record;
};

int Fail(sqlite3_vtab* vtab, const std::exception& e) {
  sqlite3_free(vtab->zErrMsg);
  vtab->zErrMsg = sqlite3_mprintf("%s", e.what());
  return SQLITE_ERROR;
}

int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
            char** err) {
  try {
    if (argc < 4) throw EDatabaseError("table file missing");
    const auto* engine = static_cast<const SqlEngine*>(aux);
    auto table = std::make_unique<FileTable>();
    table->file = OpenTableFile(engine->TablePath(std::stoul(argv[3])), ttDefault);
    std::string schema = "CREATE TABLE x(";
    const TFieldDefs& fields = table->file->Fields();
    for (int i = 0; i < fields.Count(); ++i)
      schema += (i ? ", " : "") + Quoted(fields.Items(i).Name) + " " +
                NameOfType(fields.Items(i).DataType);
    schema += ")";
    if (sqlite3_declare_vtab(db, schema.c_str()) != SQLITE_OK)
      throw EDatabaseError(sqlite3_errmsg(db));
    *out = table.release();
    return SQLITE_OK;
  } catch (const std::exception& e) {
    *err = sqlite3_mprintf("%s", e.what());
    return SQLITE_ERROR;
  }
}

int BestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
  info->estimatedCost = 1e6;  // a full scan; SQLite applies the conditions
  return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* vtab) {
  delete static_cast<FileTable*>(vtab);
  return SQLITE_OK;
}

int Open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
  *out = new FileCursor();
  return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* cursor) {
  delete static_cast<FileCursor*>(cursor);
  return SQLITE_OK;
}

int Filter(sqlite3_vtab_cursor* base, int, const char*, int, sqlite3_value**) {
  auto* cursor = static_cast<FileCursor*>(base);
  auto* table = static_cast<FileTable*>(base->pVtab);
  try {
    table->file->Resync();  // the file as it is now, records of other writers included
    cursor->count = table->file->RecordCount();
    cursor->row = 0;
    cursor->loaded = -1;
    return SQLITE_OK;
  } catch (const std::exception& e) {
    return Fail(base->pVtab, e);
  }
}

int Next(sqlite3_vtab_cursor* base) {
  ++static_cast<FileCursor*>(base)->row;
  return SQLITE_OK;
}

int Eof(sqlite3_vtab_cursor* base) {
  const auto* cursor = static_cast<FileCursor*>(base);
  return cursor->row >= cursor->count;
}

int Column(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int column) {
  auto* cursor = static_cast<FileCursor*>(base);
  try {
    if (cursor->loaded != cursor->row) {
      cursor->record = static_cast<FileTable*>(base->pVtab)->file->Read(cursor->row);
      cursor->loaded = cursor->row;
    }
    const Value& v = cursor->record.at(static_cast<size_t>(column));
    if (auto* i = std::get_if<int64_t>(&v))
      sqlite3_result_int64(ctx, *i);
    else if (auto* d = std::get_if<double>(&v))
      sqlite3_result_double(ctx, *d);
    else if (auto* b = std::get_if<bool>(&v))
      sqlite3_result_int(ctx, *b ? 1 : 0);
    else if (auto* s = std::get_if<std::string>(&v))
      sqlite3_result_text(ctx, s->c_str(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
    else
      sqlite3_result_null(ctx);
    return SQLITE_OK;
  } catch (const std::exception& e) {
    return Fail(base->pVtab, e);
  }
}

int Rowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid) {
  *rowid = static_cast<FileCursor*>(base)->row;
  return SQLITE_OK;
}

const sqlite3_module kFileModule = [] {
  sqlite3_module m{};
  m.iVersion = 1;
  m.xCreate = Connect;
  m.xConnect = Connect;
  m.xBestIndex = BestIndex;
  m.xDisconnect = Disconnect;
  m.xDestroy = Disconnect;
  m.xOpen = Open;
  m.xClose = Close;
  m.xFilter = Filter;
  m.xNext = Next;
  m.xEof = Eof;
  m.xColumn = Column;
  m.xRowid = Rowid;
  return m;
}();

// "select distinct ..." with no ordering of its own.
bool IsUnorderedDistinct(const std::string& sql) {
  const std::string text = rtl::LowerCase(sql);
  std::string words;
  for (char c : text) {
    const char w = std::isspace(static_cast<unsigned char>(c)) ? ' ' : c;
    if (w != ' ' || (!words.empty() && words.back() != ' ')) words += w;
  }
  return words.rfind("select distinct ", 0) == 0 && words.find("order by") == std::string::npos;
}

}  // namespace

struct SqlEngine::Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

SqlEngine::SqlEngine(std::string directory) : fDirectory(std::move(directory)) {
  if (sqlite3_open_v2(":memory:", &fDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(fDb);
    throw EDatabaseError("Cannot start the SQL engine");
  }
  sqlite3_create_module_v2(fDb, "tablefile", &kFileModule, this, nullptr);
}

SqlEngine::~SqlEngine() { sqlite3_close(fDb); }

void SqlEngine::AttachTable(const std::string& name) {
  std::string path = name;
  if (path.empty() || path.front() != '/')
    path = (fDirectory.empty() ? "." : fDirectory) + "/" + path;
  path = rtl::ResolveFileName(path);
  if (::access(path.c_str(), F_OK) != 0) throw EDatabaseError("Table does not exist: " + name);
  fPaths.push_back(path);
  const std::string create = "CREATE VIRTUAL TABLE temp." + Quoted(name) + " USING tablefile(" +
                             std::to_string(fPaths.size() - 1) + ")";
  char* err = nullptr;
  if (sqlite3_exec(fDb, create.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    const std::string message = err ? err : "Cannot open table";
    sqlite3_free(err);
    throw EDatabaseError(message);
  }
}

std::unique_ptr<SqlEngine::Statement> SqlEngine::Prepare(const std::string& sql) {
  static constexpr char kNoTable[] = "no such table: ";
  // Each missing table becomes a virtual table over its file; a statement names few tables.
  for (int attempt = 0; attempt < 16; ++attempt) {
    auto s = std::make_unique<Statement>();
    if (sqlite3_prepare_v2(fDb, sql.c_str(), -1, &s->stmt, nullptr) == SQLITE_OK) {
      if (!s->stmt) throw EDatabaseError("Empty SQL statement");
      return s;
    }
    const std::string message = sqlite3_errmsg(fDb);
    if (message.rfind(kNoTable, 0) != 0) throw EDatabaseError(message);
    AttachTable(message.substr(sizeof kNoTable - 1));
  }
  throw EDatabaseError("Too many tables in one statement");
}

SqlResult SqlEngine::Run(const std::string& sql, const std::vector<SqlParam>& params) {
  auto s = Prepare(sql);
  if (IsUnorderedDistinct(sql)) {
    // DISTINCT alone leaves the order open; the callers expect ascending values.
    std::string inner = sql;
    while (!inner.empty() && (std::isspace(static_cast<unsigned char>(inner.back())) ||
                              inner.back() == ';'))
      inner.pop_back();
    std::string ordered = "SELECT * FROM (" + inner + ") ORDER BY ";
    for (int i = 1; i <= sqlite3_column_count(s->stmt); ++i)
      ordered += (i > 1 ? ", " : "") + std::to_string(i);
    s = Prepare(ordered);
  }
  sqlite3_stmt* st = s->stmt;
  for (int i = 1; i <= sqlite3_bind_parameter_count(st); ++i) {
    const char* raw = sqlite3_bind_parameter_name(st, i);
    const std::string name = raw && *raw ? raw + 1 : "";
    const SqlParam* p = nullptr;
    for (const auto& candidate : params)
      if (rtl::SameText(candidate.Name, name)) p = &candidate;
    if (!p || !p->Bound) throw EDatabaseError("No value for parameter '" + name + "'");
    const Value& v = p->Data;
    if (auto* n = std::get_if<int64_t>(&v))
      sqlite3_bind_int64(st, i, *n);
    else if (auto* d = std::get_if<double>(&v))
      sqlite3_bind_double(st, i, *d);
    else if (auto* b = std::get_if<bool>(&v))
      sqlite3_bind_int(st, i, *b ? 1 : 0);
    else if (auto* t = std::get_if<std::string>(&v))
      sqlite3_bind_text(st, i, t->c_str(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
    else
      sqlite3_bind_null(st, i);
  }

  SqlResult result;
  const int columns = sqlite3_column_count(st);
  std::vector<int> firstType(static_cast<size_t>(columns), SQLITE_NULL);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    Record row(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
      const int type = sqlite3_column_type(st, c);
      if (firstType[static_cast<size_t>(c)] == SQLITE_NULL) firstType[static_cast<size_t>(c)] = type;
      auto& cell = row[static_cast<size_t>(c)];
      if (type == SQLITE_INTEGER)
        cell = static_cast<int64_t>(sqlite3_column_int64(st, c));
      else if (type == SQLITE_FLOAT)
        cell = sqlite3_column_double(st, c);
      else if (type == SQLITE_TEXT)
        cell = std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                           static_cast<size_t>(sqlite3_column_bytes(st, c)));
    }
    result.Rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) throw EDatabaseError(sqlite3_errmsg(fDb));
  for (int c = 0; c < columns; ++c) {
    std::string name = sqlite3_column_name(st, c);
    for (int n = 1; result.Columns.IndexOf(name) >= 0; ++n)  // unique field names
      name = std::string(sqlite3_column_name(st, c)) + "_" + std::to_string(n);
    const TFieldType type =
        TypeOfName(sqlite3_column_decltype(st, c), firstType[static_cast<size_t>(c)]);
    result.Columns.Add(name, type, type == ftString ? 255 : 0);
  }
  return result;
}

}  // namespace db
