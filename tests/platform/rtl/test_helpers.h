#pragma once
// Helpers shared by the rtl tests.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "tests/tempdir.h"

inline std::vector<std::string> Items(const rtl::TStrings& l) {
  std::vector<std::string> r;
  for (int i = 0; i < l.Count(); ++i) r.push_back(l[i]);
  return r;
}

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
