#include "platform/vcl/filefilter.h"

#include <cctype>

namespace vcl {

namespace {

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : s) {
    if (c == sep) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  return parts;
}

std::string TrimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

bool Match(const char* n, const char* m) {
  // Iterative glob with one backtrack point: linear enough for file names.
  const char* star = nullptr;
  const char* back = nullptr;
  while (*n) {
    if (*m == '*') {
      star = m++;
      back = n;
    } else if (*m == '?' || std::tolower(static_cast<unsigned char>(*m)) ==
                                std::tolower(static_cast<unsigned char>(*n))) {
      ++m;
      ++n;
    } else if (star) {
      m = star + 1;
      n = ++back;
    } else {
      return false;
    }
  }
  while (*m == '*') ++m;
  return *m == 0;
}

}  // namespace

std::vector<TFilterEntry> ParseFilter(const std::string& filter) {
  std::vector<TFilterEntry> entries;
  if (filter.empty()) return entries;
  auto parts = Split(filter, '|');
  for (size_t i = 0; i < parts.size(); i += 2) {
    TFilterEntry e;
    e.Description = parts[i];
    std::string masks = i + 1 < parts.size() ? parts[i + 1] : std::string();
    for (auto& m : Split(masks, ';')) {
      std::string t = TrimBlanks(m);
      if (!t.empty()) e.Masks.push_back(t);
    }
    if (e.Masks.empty()) e.Masks.push_back("*");
    entries.push_back(std::move(e));
  }
  return entries;
}

bool MatchesMask(const std::string& name, const std::string& mask) {
  if (mask == "*.*") return true;
  return Match(name.c_str(), mask.c_str());
}

}  // namespace vcl
