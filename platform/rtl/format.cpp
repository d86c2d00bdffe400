// Format: printf conversions driven by the arguments' real types, so a wrong argument raises
// instead of reading garbage, and floats always print with '.'.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/rtl/clocale.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

namespace rtl {

namespace {

[[noreturn]] void Invalid(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

template <typename... T>
void Append(std::string& out, const std::string& conversion, T... values) {
  char buf[128];
  int n = std::snprintf(buf, sizeof buf, conversion.c_str(), values...);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof buf) {
    out.append(buf, static_cast<size_t>(n));
    return;
  }
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::snprintf(big.data(), big.size(), conversion.c_str(), values...);
  out.append(big.data(), static_cast<size_t>(n));
}

}  // namespace

std::string FormatList(std::string_view fmt, std::initializer_list<FormatArg> list) {
  const FormatArg* args = list.begin();
  const size_t count = list.size();
  size_t next = 0;
  auto take = [&]() -> const FormatArg& {
    if (next >= count) Invalid(fmt);
    return args[next++];
  };
  auto takeInt = [&]() -> int {
    const FormatArg& a = take();
    if (a.kind == FormatArg::kInt) return static_cast<int>(a.i);
    if (a.kind == FormatArg::kUInt) return static_cast<int>(a.u);
    Invalid(fmt);
  };

  detail::CLocaleScope cLocale;
  std::string out;
  out.reserve(fmt.size() + 16);
  size_t i = 0;
  while (i < fmt.size()) {
    const char c = fmt[i++];
    if (c != '%') {
      out.push_back(c);
      continue;
    }
    if (i < fmt.size() && fmt[i] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    std::string conversion = "%";
    while (i < fmt.size() && std::string_view("-+ 0#").find(fmt[i]) != std::string_view::npos) {
      conversion.push_back(fmt[i++]);
    }
    auto number = [&]() {
      if (i < fmt.size() && fmt[i] == '*') {
        ++i;
        conversion += std::to_string(takeInt());
        return;
      }
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') conversion.push_back(fmt[i++]);
    };
    number();
    if (i < fmt.size() && fmt[i] == '.') {
      conversion.push_back(fmt[i++]);
      number();
    }
    while (i < fmt.size() && std::string_view("hlLqjzt").find(fmt[i]) != std::string_view::npos) {
      ++i;  // the argument's own type decides the size
    }
    if (i >= fmt.size()) Invalid(fmt);
    const char conv = fmt[i++];
    switch (conv) {
      case 'd':
      case 'i': {
        const FormatArg& a = take();
        if (a.kind == FormatArg::kInt) {
          Append(out, conversion + "lld", static_cast<long long>(a.i));
        } else if (a.kind == FormatArg::kUInt) {
          Append(out, conversion + "llu", static_cast<unsigned long long>(a.u));
        } else {
          Invalid(fmt);
        }
        break;
      }
      case 'u':
      case 'x':
      case 'X':
      case 'o': {
        const FormatArg& a = take();
        unsigned long long v = 0;
        if (a.kind == FormatArg::kInt) {
          v = a.wide ? static_cast<uint64_t>(a.i) : static_cast<uint32_t>(a.i);
        } else if (a.kind == FormatArg::kUInt) {
          v = a.u;
        } else {
          Invalid(fmt);
        }
        Append(out, conversion + "ll" + conv, v);
        break;
      }
      case 'c': {
        const FormatArg& a = take();
        if (a.kind == FormatArg::kInt) {
          Append(out, conversion + 'c', static_cast<int>(static_cast<unsigned char>(a.i)));
        } else if (a.kind == FormatArg::kUInt) {
          Append(out, conversion + 'c', static_cast<int>(static_cast<unsigned char>(a.u)));
        } else {
          Invalid(fmt);
        }
        break;
      }
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G': {
        const FormatArg& a = take();
        long double v = 0;
        if (a.kind == FormatArg::kFloat) {
          v = a.f;
        } else if (a.kind == FormatArg::kInt) {
          v = static_cast<long double>(a.i);
        } else if (a.kind == FormatArg::kUInt) {
          v = static_cast<long double>(a.u);
        } else {
          Invalid(fmt);
        }
        Append(out, conversion + 'L' + conv, v);
        break;
      }
      case 's': {
        const FormatArg& a = take();
        if (a.kind != FormatArg::kString) Invalid(fmt);
        const std::string s(a.s);
        Append(out, conversion + 's', s.c_str());
        break;
      }
      case 'p': {
        const FormatArg& a = take();
        if (a.kind != FormatArg::kPointer) Invalid(fmt);
        Append(out, conversion + 'p', a.p);
        break;
      }
      default:
        Invalid(fmt);
    }
  }
  return out;
}

}  // namespace rtl
