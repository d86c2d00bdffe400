#pragma once
// A data set of the rows of one SQL statement over table files. Parameters (":name" in the text)
// are looked up by name without regard to case; Open on an open query does nothing, so a query is
// closed before it is run again.
#include <memory>
#include <string>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/sqlengine.h"
#include "platform/rtl/stringlist.h"

namespace db {

class TParam {
 public:
  explicit TParam(std::string name) : fName(std::move(name)) {}
  const std::string& Name() const { return fName; }
  bool IsNull() const { return !fBound || db::IsNull(fValue); }
  void SetAsInteger(int value) { Set(int64_t{value}); }
  void SetAsSmallInt(int value) { Set(int64_t{value}); }
  void SetAsFloat(double value) { Set(value); }
  void SetAsString(const std::string& value) { Set(value); }
  void SetAsBoolean(bool value) { Set(value); }
  void Clear() { Set(Value{}); }
  const Value& AsValue() const { return fValue; }
  bool Bound() const { return fBound; }

 private:
  void Set(Value v) {
    fValue = std::move(v);
    fBound = true;
  }
  std::string fName;
  Value fValue;
  bool fBound = false;
};

class TQuery : public TDataSet {
 public:
  explicit TQuery(rtl::TComponent* AOwner);
  ~TQuery() override;

  // The statement's lines, joined with line breaks when it runs.
  rtl::TStrings* SQL() { return &fSQL; }
  std::string SQLText() const;
  // A directory in which table names are looked up; empty is the working directory.
  const std::string& DatabaseName() const { return fDatabaseName; }
  void SetDatabaseName(const std::string& value);

  // The parameters of the present text, in order of first appearance.
  int ParamCount();
  TParam* Params(int index);
  TParam* ParamByName(const std::string& name);  // raises when the text has no such parameter
  // Runs a statement that returns no rows.
  void ExecSQL();

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  int InternalRecordCount() override { return static_cast<int>(fRows.size()); }
  Record InternalRead(int index) override { return fRows.at(static_cast<size_t>(index)); }

 private:
  void UpdateParams();
  SqlResult Run();

  rtl::TStringList fSQL;
  std::string fParsedText;
  std::string fDatabaseName;
  std::vector<std::unique_ptr<TParam>> fParams;
  std::vector<Record> fRows;
};

// The ":name" parameters of a statement in order, each once; quoted text is skipped.
std::vector<std::string> ParseParamNames(const std::string& sql);

}  // namespace db
