#include "platform/vcl/hotkey.h"

#include <cctype>

namespace vcl {

char GetHotkey(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
  }
  return 0;
}

std::string StripHotkey(const std::string& caption) {
  std::string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&')
        ++i;
      else
        continue;
    }
    out += caption[i];
  }
  return out;
}

bool IsAccel(unsigned key, const std::string& caption) {
  char hot = GetHotkey(caption);
  if (hot == 0 || key > 0xFF) return false;
  return std::toupper(static_cast<int>(key)) == static_cast<unsigned char>(hot);
}

}  // namespace vcl
