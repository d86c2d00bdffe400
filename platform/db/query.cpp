#include "platform/db/query.h"

#include <cctype>

#include "platform/db/dberrors.h"
#include "platform/rtl/sysutils.h"

namespace db {

namespace {

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

std::vector<std::string> ParseParamNames(const std::string& sql) {
  std::vector<std::string> names;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'' || c == '"') {
      const size_t close = sql.find(c, i + 1);
      if (close == std::string::npos) break;
      i = close;
      continue;
    }
    if (c != ':' || i + 1 >= sql.size() || !IsNameChar(sql[i + 1])) continue;
    if (i > 0 && (IsNameChar(sql[i - 1]) || sql[i - 1] == ':')) continue;
    size_t end = i + 1;
    while (end < sql.size() && IsNameChar(sql[end])) ++end;
    std::string name = sql.substr(i + 1, end - i - 1);
    bool known = false;
    for (const auto& n : names) known = known || rtl::SameText(n, name);
    if (!known) names.push_back(std::move(name));
    i = end - 1;
  }
  return names;
}

TQuery::TQuery(rtl::TComponent* AOwner) : TDataSet(AOwner) {}

TQuery::~TQuery() {
  Destroying();
  Close();
}

std::string TQuery::SQLText() const { return fSQL.Text(); }

void TQuery::SetDatabaseName(const std::string& value) {
  CheckInactive();
  fDatabaseName = value;
}

void TQuery::UpdateParams() {
  const std::string text = SQLText();
  if (text == fParsedText && !fParams.empty()) return;
  fParsedText = text;
  // Parameters that keep their name keep their value.
  std::vector<std::unique_ptr<TParam>> params;
  for (const auto& name : ParseParamNames(text)) {
    std::unique_ptr<TParam> p;
    for (auto& old : fParams)
      if (old && rtl::SameText(old->Name(), name)) p = std::move(old);
    params.push_back(p ? std::move(p) : std::make_unique<TParam>(name));
  }
  fParams = std::move(params);
}

int TQuery::ParamCount() {
  UpdateParams();
  return static_cast<int>(fParams.size());
}

TParam* TQuery::Params(int index) {
  UpdateParams();
  if (index < 0 || index >= static_cast<int>(fParams.size()))
    throw EDatabaseError(Name() + ": Parameter index out of range");
  return fParams[static_cast<size_t>(index)].get();
}

TParam* TQuery::ParamByName(const std::string& name) {
  UpdateParams();
  for (auto& p : fParams)
    if (rtl::SameText(p->Name(), name)) return p.get();
  throw EDatabaseError(Name() + ": Parameter '" + name + "' not found");
}

SqlResult TQuery::Run() {
  UpdateParams();
  std::vector<SqlParam> params;
  for (const auto& p : fParams) params.push_back(SqlParam{p->Name(), p->AsValue(), p->Bound()});
  SqlEngine engine(fDatabaseName);
  return engine.Run(SQLText(), params);
}

void TQuery::InternalOpen() {
  SqlResult result = Run();
  FieldDefs() = std::move(result.Columns);
  fRows = std::move(result.Rows);
}

void TQuery::InternalClose() { fRows.clear(); }

void TQuery::ExecSQL() {
  CheckInactive();
  Run();
}

}  // namespace db
