#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/rtl/clocale.h"
#include "platform/rtl/exceptions.h"

namespace rtl {

namespace detail {

locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

}  // namespace detail

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

std::string Quote(std::string_view s) {
  return "'" + std::string(s) + "'";
}

}  // namespace

std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  while (b < e && IsBlank(s[b])) ++b;
  return std::string(s.substr(b, e - b));
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = Lower(c);
  return r;
}

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = Upper(c);
  return r;
}

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = static_cast<unsigned char>(Upper(a[i]));
    const int cb = static_cast<unsigned char>(Upper(b[i]));
    if (ca != cb) return ca - cb;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

int CompareStr(std::string_view a, std::string_view b) {
  const int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags) {
  if (oldPattern.empty()) return std::string(s);
  const bool ignoreCase = flags & rfIgnoreCase;
  const std::string hay = ignoreCase ? UpperCase(s) : std::string(s);
  const std::string needle = ignoreCase ? UpperCase(oldPattern) : std::string(oldPattern);
  std::string r;
  size_t pos = 0;
  while (pos <= s.size()) {
    const size_t hit = hay.find(needle, pos);
    if (hit == std::string::npos) break;
    r.append(s.substr(pos, hit - pos));
    r.append(newPattern);
    pos = hit + needle.size();
    if (!(flags & rfReplaceAll)) break;
  }
  r.append(s.substr(std::min(pos, s.size())));
  return r;
}

std::string IntToStr(int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, end);
}

std::string detail::IntToHex(uint64_t value, int digits) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, 16);
  std::string r = UpperCase(std::string_view(buf, static_cast<size_t>(end - buf)));
  if (digits > static_cast<int>(r.size())) r.insert(0, static_cast<size_t>(digits) - r.size(), '0');
  return r;
}

namespace {

struct ParsedInt {
  bool negative = false;
  bool hex = false;
  uint64_t magnitude = 0;
};

bool ParseInt(std::string_view s, ParsedInt& p) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) p.negative = s[i++] == '-';
  if (i < s.size() && s[i] == '$') {
    p.hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    p.hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), p.magnitude, p.hex ? 16 : 10);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

bool TryStrToInt64(std::string_view s, int64_t& value) {
  ParsedInt p;
  if (!ParseInt(s, p)) return false;
  if (p.hex && !p.negative) {
    value = static_cast<int64_t>(p.magnitude);  // "$FFFFFFFFFFFFFFFF" is -1
    return true;
  }
  if (p.magnitude > uint64_t(INT64_MAX) + (p.negative ? 1 : 0)) return false;
  value = p.negative ? static_cast<int64_t>(0 - p.magnitude) : static_cast<int64_t>(p.magnitude);
  return true;
}

bool TryStrToInt(std::string_view s, int& value) {
  ParsedInt p;
  if (!ParseInt(s, p)) return false;
  if (p.hex && !p.negative && p.magnitude <= UINT32_MAX) {
    value = static_cast<int>(static_cast<uint32_t>(p.magnitude));  // "$FFFFFFFF" is -1
    return true;
  }
  if (p.magnitude > uint64_t(INT32_MAX) + (p.negative ? 1 : 0)) return false;
  value = static_cast<int>(p.negative ? -static_cast<int64_t>(p.magnitude)
                                      : static_cast<int64_t>(p.magnitude));
  return true;
}

int StrToInt(std::string_view s) {
  int v = 0;
  if (!TryStrToInt(s, v)) throw EConvertError(Quote(s) + " is not a valid integer value");
  return v;
}

int64_t StrToInt64(std::string_view s) {
  int64_t v = 0;
  if (!TryStrToInt64(s, v)) throw EConvertError(Quote(s) + " is not a valid integer value");
  return v;
}

int StrToIntDef(std::string_view s, int def) {
  int v = 0;
  return TryStrToInt(s, v) ? v : def;
}

int64_t StrToInt64Def(std::string_view s, int64_t def) {
  int64_t v = 0;
  return TryStrToInt64(s, v) ? v : def;
}

namespace {

// Decimal digits of |value| rounded to `precision` significant digits, and the decimal exponent
// of the first digit (value = 0.d1d2d3... * 10^(exponent)).
struct Digits {
  std::string digits;  // no trailing zeros; empty for zero
  int exponent = 0;
};

Digits Decompose(long double value, int precision) {
  // Many more digits than asked for, rounded here half away from zero on the decimal digits
  // (1234.5 to four digits is 1235); glibc prints the exact binary value.
  char buf[64];
  {
    detail::CLocaleScope c;
    std::snprintf(buf, sizeof buf, "%.25Le", fabsl(value));
  }
  Digits d;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
  }
  d.exponent = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
  if (static_cast<int>(d.digits.size()) > precision) {
    const bool up = d.digits[precision] >= '5';
    d.digits.resize(precision);
    if (up) {
      int i = precision - 1;
      while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
      if (i >= 0) {
        ++d.digits[i];
      } else {
        d.digits.insert(0, "1");
        d.digits.pop_back();
        ++d.exponent;
      }
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exponent = 0;
  return d;
}

std::string ExponentText(int e, bool forceSign, int minDigits) {
  std::string digits = std::to_string(std::abs(e));
  if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
  return std::string("E") + (e < 0 ? "-" : (forceSign ? "+" : "")) + digits;
}

// `decimals` places from digits already rounded to the significant digits wanted.
std::string FixedText(const Digits& d, int decimals, bool thousands) {
  std::string intPart;
  std::string fracPart;
  for (int pos = 0; pos < d.exponent; ++pos) {
    intPart.push_back(pos < static_cast<int>(d.digits.size()) ? d.digits[pos] : '0');
  }
  if (intPart.empty()) intPart = "0";
  for (int k = 0; k < decimals; ++k) {
    const int pos = d.exponent + k;
    fracPart.push_back(pos >= 0 && pos < static_cast<int>(d.digits.size()) ? d.digits[pos] : '0');
  }
  if (thousands) {
    for (size_t i = intPart.size(); i > 3;) {
      i -= 3;
      intPart.insert(i, ",");
    }
  }
  return decimals > 0 ? intPart + "." + fracPart : intPart;
}

}  // namespace

std::string FloatToStrF(long double value, TFloatFormat format, int precision, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  precision = std::clamp(precision, 1, 18);
  const std::string sign = std::signbit(value) && value != 0 ? "-" : "";
  const Digits d = Decompose(value, precision);
  switch (format) {
    case ffFixed:
    case ffNumber:
      if (d.exponent <= precision) {
        digits = std::clamp(digits, 0, 18);
        const int significant = std::min(precision, d.exponent + digits);
        Digits fixed;
        if (significant > 0) {
          fixed = Decompose(value, significant);
        } else if (significant == 0 && !d.digits.empty() && d.digits[0] >= '5') {
          fixed.digits = "1";  // 0.5 with no decimals is 1
          fixed.exponent = d.exponent + 1;
        }
        const std::string text = FixedText(fixed, digits, format == ffNumber);
        return (fixed.digits.empty() ? "" : sign) + text;
      }
      [[fallthrough]];
    case ffGeneral: {
      if (d.digits.empty()) return "0";
      if (d.exponent <= precision && d.exponent > -5) {
        std::string r;
        if (d.exponent <= 0) {
          r = "0." + std::string(-d.exponent, '0') + d.digits;
        } else if (static_cast<int>(d.digits.size()) <= d.exponent) {
          r = d.digits + std::string(d.exponent - d.digits.size(), '0');
        } else {
          r = d.digits.substr(0, d.exponent) + "." + d.digits.substr(d.exponent);
        }
        return sign + r;
      }
      std::string r = d.digits.substr(0, 1);
      if (d.digits.size() > 1) r += "." + d.digits.substr(1);
      return sign + r + ExponentText(d.exponent - 1, false, std::clamp(digits, 0, 4));
    }
    case ffExponent: {
      std::string all = d.digits;
      all.resize(precision, '0');
      std::string r = all.substr(0, 1);
      if (precision > 1) r += "." + all.substr(1);
      const int e = d.digits.empty() ? 0 : d.exponent - 1;
      return sign + r + ExponentText(e, true, std::clamp(digits, 0, 4));
    }
  }
  return {};
}

std::string FloatToStr(long double value) {
  return FloatToStrF(value, ffGeneral, 15, 0);
}

bool TryStrToFloat(std::string_view s, long double& value) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  size_t start = 0;
  if (t[0] == '+' || t[0] == '-') start = 1;
  // Plain decimal only: from_chars would also take "inf", "nan" and hexadecimal forms.
  bool digit = false;
  for (size_t i = start; i < t.size(); ++i) {
    const char c = t[i];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == 'e' || c == 'E') {
      if (!digit) return false;
    } else if (c != '.' && c != '+' && c != '-') {
      return false;
    }
  }
  if (!digit) return false;
  if (t[0] == '+') t.erase(0, 1);
  double v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  value = v;
  return true;
}

bool TryStrToFloat(std::string_view s, double& value) {
  long double v = 0;
  if (!TryStrToFloat(s, v)) return false;
  value = static_cast<double>(v);
  return true;
}

long double StrToFloat(std::string_view s) {
  long double v = 0;
  if (!TryStrToFloat(s, v)) throw EConvertError(Quote(s) + " is not a valid floating point value");
  return v;
}

long double StrToFloatDef(std::string_view s, long double def) {
  long double v = 0;
  return TryStrToFloat(s, v) ? v : def;
}

namespace {

// Unicode code points of 0x80..0x9F in Windows-1252; the five unassigned bytes map to the C1
// control of the same value, as the system conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& r, uint32_t cp) {
  if (cp < 0x80) {
    r.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    r.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    r.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    r.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string_view Utf8Left(std::string_view s, size_t count) {
  size_t chars = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    // Each byte that is not a continuation byte (10xxxxxx) starts a character.
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == count) return s.substr(0, i);
  }
  return s;
}

std::string Cp1252ToUtf8(std::string_view s) {
  std::string r;
  r.reserve(s.size());
  for (char ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    AppendUtf8(r, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
  }
  return r;
}

std::string Utf8ToCp1252(std::string_view s) {
  std::string r;
  r.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = 0;
    uint32_t cp = 0;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3;
      cp = b & 0x07;
    } else {
      r.push_back('?');
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < extra; ++k, ++j) {
      if (j >= s.size() || (static_cast<unsigned char>(s[j]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(s[j]) & 0x3F);
    }
    i = j;  // a broken sequence is skipped up to the offending byte
    if (!ok) {
      r.push_back('?');
      continue;
    }
    char out = '?';
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) {
      out = static_cast<char>(cp);
    } else {
      for (int k = 0; k < 32; ++k) {
        if (kCp1252High[k] == cp) out = static_cast<char>(0x80 + k);
      }
    }
    r.push_back(out);
  }
  return r;
}

}  // namespace rtl
