// Helpers of the program tests: NMEA sentences with their checksum, and the lines of a file.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "platform/db/table.h"

namespace apptest {

// A new log table as the recorder defines it, written by our Paradox writer, open for appending.
inline std::unique_ptr<db::TTable> NewLogTable(const std::string& path) {
  auto t = std::make_unique<db::TTable>(nullptr);
  t->SetTableType(db::ttParadox);
  t->SetTableName(path);
  TForm1::DefineLogFields(*t);
  t->CreateTable();
  t->Open();
  return t;
}

inline std::string Sentence(const std::string& body) {
  unsigned sum = 0;
  for (char ch : body) sum ^= static_cast<unsigned char>(ch);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

inline std::vector<std::string> Lines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace apptest
