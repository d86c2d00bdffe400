#pragma once
// A GUID as the Windows structure lays it out: Data1 as 4 little-endian bytes, Data2 and Data3 as
// 2 little-endian bytes each, then the 8 bytes of Data4. The bytes are kept in that memory order.
#include <array>
#include <cstdint>
#include <string>

namespace rtl {

struct TGUID {
  std::array<uint8_t, 16> bytes{};

  // From the usual written form {D1-D2-D3-D4a-D4b}; the fields go to memory order.
  static constexpr TGUID Make(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4) {
    TGUID g;
    for (int i = 0; i < 4; ++i) g.bytes[size_t(i)] = uint8_t(d1 >> (8 * i));
    for (int i = 0; i < 2; ++i) g.bytes[size_t(4 + i)] = uint8_t(d2 >> (8 * i));
    for (int i = 0; i < 2; ++i) g.bytes[size_t(6 + i)] = uint8_t(d3 >> (8 * i));
    for (int i = 0; i < 8; ++i) g.bytes[size_t(8 + i)] = d4[size_t(i)];
    return g;
  }
  constexpr uint32_t Data1() const {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
  }
  constexpr uint16_t Data2() const { return uint16_t(bytes[4] | bytes[5] << 8); }
  constexpr uint16_t Data3() const { return uint16_t(bytes[6] | bytes[7] << 8); }
  constexpr bool IsNull() const { return *this == TGUID{}; }
  constexpr bool operator==(const TGUID&) const = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
std::string GUIDToString(const TGUID& g);

}  // namespace rtl
