#pragma once
// Field types, field values and the field definitions a table is created from.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace db {

enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftDate,
  ftTime,
  ftDateTime,
  ftAutoInc,
  ftMemo,
};

// A field's value: null, a Boolean, a whole number, a float (also dates and times, as days since
// 1899-12-30) or text (UTF-8).
using Value = std::variant<std::monostate, bool, int64_t, double, std::string>;
using Record = std::vector<Value>;

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

bool IsIntegerType(TFieldType t);
bool IsFloatType(TFieldType t);

class TFieldDef {
 public:
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;  // characters of a string field, else 0
  bool Required = false;
};

class TFieldDefs {
 public:
  void Add(const std::string& name, TFieldType dataType, int size = 0, bool required = false);
  void Clear() { fItems.clear(); }
  int Count() const { return static_cast<int>(fItems.size()); }
  const TFieldDef& Items(int index) const;
  TFieldDef& Items(int index);
  int IndexOf(const std::string& name) const;  // without regard to case; -1 when missing
  auto begin() const { return fItems.begin(); }
  auto end() const { return fItems.end(); }

 private:
  std::vector<TFieldDef> fItems;
};

}  // namespace db
