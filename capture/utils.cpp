#include "capture/utils.h"

#include <algorithm>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string BytesToStr(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::string StrToBytes(std::string_view text) {
  std::string padded = text.size() % 2 ? "0" + std::string(text) : std::string(text);
  std::string out(padded.size() / 2, '\0');
  for (size_t i = 0; i < out.size(); ++i) {
    const int hi = HexValue(padded[2 * i]), lo = HexValue(padded[2 * i + 1]);
    if (hi < 0 || lo < 0) break;
    out[i] = static_cast<char>(hi << 4 | lo);
  }
  return out;
}

std::string GUIDToStr(const rtl::TGUID& guid) {
  return BytesToStr(std::string_view(reinterpret_cast<const char*>(guid.bytes.data()), 16));
}

rtl::TGUID StrToGUID(std::string_view text) {
  const std::string bytes = StrToBytes(text);
  rtl::TGUID g;
  std::copy_n(bytes.begin(), std::min<size_t>(16, bytes.size()), g.bytes.begin());
  return g;
}
