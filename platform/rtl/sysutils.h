#pragma once
// String and number helpers. Numbers are always read and written in the C locale ('.' decimal),
// whatever the process or thread locale is.
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace rtl {

// Removes characters <= ' ' (spaces and control characters).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII only, as the settings and file names need.
std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
// < 0, 0, > 0 like strcmp; CompareText ignores ASCII case.
int CompareText(std::string_view a, std::string_view b);
int CompareStr(std::string_view a, std::string_view b);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = unsigned;
std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags);

std::string IntToStr(int64_t value);
namespace detail {
std::string IntToHex(uint64_t value, int digits);
}
// Negative values show their two's complement in the width of their type: IntToHex(-1, 1) of an
// int is "FFFFFFFF".
template <std::integral T>
std::string IntToHex(T value, int digits) {
  return detail::IntToHex(static_cast<uint64_t>(static_cast<std::make_unsigned_t<T>>(value)),
                          digits);
}

// Decimal with optional sign, or hexadecimal with "$" or "0x"; leading blanks are skipped.
bool TryStrToInt(std::string_view s, int& value);
bool TryStrToInt64(std::string_view s, int64_t& value);
int StrToInt(std::string_view s);  // raises EConvertError
int64_t StrToInt64(std::string_view s);
int StrToIntDef(std::string_view s, int def);
int64_t StrToInt64Def(std::string_view s, int64_t def);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber };
// Shortest general form with 15 significant digits: "0.1", "1E20", "1.5E-5".
std::string FloatToStr(long double value);
std::string FloatToStrF(long double value, TFloatFormat format, int precision, int digits);
// Surrounding blanks are allowed; "inf", "nan" and hexadecimal are not.
bool TryStrToFloat(std::string_view s, long double& value);
bool TryStrToFloat(std::string_view s, double& value);
long double StrToFloat(std::string_view s);  // raises EConvertError
long double StrToFloatDef(std::string_view s, long double def);

// Windows-1252 texts (old settings and data files) to UTF-8 and back; characters without a
// Windows-1252 form and malformed UTF-8 become '?'.
std::string Cp1252ToUtf8(std::string_view s);
std::string Utf8ToCp1252(std::string_view s);
// The first `count` characters of a UTF-8 text; never ends inside a character.
std::string_view Utf8Left(std::string_view s, size_t count);

// One argument of Format, type-erased.
struct FormatArg {
  enum Kind { kInt, kUInt, kFloat, kString, kPointer };
  Kind kind;
  bool wide = false;  // 64-bit integer: %x shows all 64 bits
  int64_t i = 0;
  uint64_t u = 0;
  long double f = 0;
  std::string_view s;
  const void* p = nullptr;

  template <typename T>
  requires std::is_integral_v<T> FormatArg(T v)
      : kind(std::is_signed_v<T> ? kInt : kUInt), wide(sizeof(T) > 4) {
    if constexpr (std::is_signed_v<T>) {
      i = v;
    } else {
      u = v;
    }
  }
  template <typename T>
  requires std::is_enum_v<T> FormatArg(T v)
      : FormatArg(static_cast<std::underlying_type_t<T>>(v)) {}
  FormatArg(double v) : kind(kFloat), f(v) {}
  FormatArg(float v) : kind(kFloat), f(v) {}
  FormatArg(long double v) : kind(kFloat), f(v) {}
  FormatArg(const char* v) : kind(kString), s(v ? v : "") {}
  FormatArg(char* v) : FormatArg(static_cast<const char*>(v)) {}
  FormatArg(const std::string& v) : kind(kString), s(v) {}
  FormatArg(std::string_view v) : kind(kString), s(v) {}
  FormatArg(const void* v) : kind(kPointer), p(v) {}
  FormatArg(std::nullptr_t) : kind(kPointer) {}
};

std::string FormatList(std::string_view fmt, std::initializer_list<FormatArg> args);

// printf-style: %d %i %u %x %X %o %c %e %E %f %g %G %s %p %%, with flags, width and precision
// ('*' takes an int argument). Floats always use '.'. A missing or mismatched argument (a float for
// %d, a number for %s) raises EConvertError; integers are accepted for float conversions.
template <typename... Args>
std::string Format(std::string_view fmt, const Args&... args) {
  return FormatList(fmt, {FormatArg(args)...});
}

}  // namespace rtl
