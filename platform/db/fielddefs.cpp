#include "platform/db/fielddefs.h"

#include "platform/db/dberrors.h"
#include "platform/rtl/sysutils.h"

namespace db {

bool IsIntegerType(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc;
}

bool IsFloatType(TFieldType t) {
  return t == ftFloat || t == ftCurrency || t == ftDate || t == ftTime || t == ftDateTime;
}

void TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required) {
  if (name.empty()) throw EDatabaseError("Field name missing");
  if (IndexOf(name) >= 0) throw EDatabaseError("Duplicate field name '" + name + "'");
  fItems.push_back(TFieldDef{name, dataType, size, required});
}

const TFieldDef& TFieldDefs::Items(int index) const {
  if (index < 0 || index >= Count()) throw EDatabaseError("Field definition index out of range");
  return fItems[static_cast<size_t>(index)];
}

TFieldDef& TFieldDefs::Items(int index) {
  return const_cast<TFieldDef&>(static_cast<const TFieldDefs&>(*this).Items(index));
}

int TFieldDefs::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < fItems.size(); ++i)
    if (rtl::SameText(fItems[i].Name, name)) return static_cast<int>(i);
  return -1;
}

}  // namespace db
