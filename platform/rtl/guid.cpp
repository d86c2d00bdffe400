#include "platform/rtl/guid.h"

#include <cstdio>

namespace rtl {

std::string GUIDToString(const TGUID& g) {
  char buf[40];
  const auto& b = g.bytes;
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                unsigned(g.Data1()), unsigned(g.Data2()), unsigned(g.Data3()), b[8], b[9], b[10],
                b[11], b[12], b[13], b[14], b[15]);
  return buf;
}

}  // namespace rtl
