// makepolar <figures.csv> <PERFORMANCE.DBF>: writes the polar table (TWS, TWD, SPEED) from a
// grid of boat speeds, one row per true wind angle, one column per true wind speed.
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/db/dberrors.h"
#include "platform/db/table.h"

namespace {

std::vector<double> Numbers(const std::string& line) {
  std::vector<double> values;
  std::stringstream in(line);
  std::string cell;
  while (std::getline(in, cell, ',')) {
    double v = 0;
    const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), v);
    if (ec != std::errc() || end != cell.data() + cell.size())
      throw std::runtime_error("not a number: '" + cell + "'");
    values.push_back(v);
  }
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: makepolar <figures.csv> <PERFORMANCE.DBF>\n");
    return 2;
  }
  try {
    std::ifstream in(argv[1]);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    std::string line;
    std::vector<double> windSpeeds;
    std::vector<std::vector<double>> rows;  // twa, then one speed per wind speed
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      if (windSpeeds.empty()) {
        windSpeeds = Numbers(line.substr(line.find(',') + 1));
        continue;
      }
      rows.push_back(Numbers(line));
      if (rows.back().size() != windSpeeds.size() + 1)
        throw std::runtime_error("row of the wrong length: " + line);
    }
    db::TTable table(nullptr);
    table.SetTableName(argv[2]);
    table.SetTableType(db::ttDBase);
    table.FieldDefs().Add("TWS", db::ftSmallint);
    table.FieldDefs().Add("TWD", db::ftSmallint);
    table.FieldDefs().Add("SPEED", db::ftFloat);
    table.CreateTable();
    table.Open();
    // Grouped by wind speed, angles ascending, as a user would type the table in.
    for (size_t c = 0; c < windSpeeds.size(); ++c) {
      for (const auto& row : rows) {
        table.Append();
        table.FieldByName("TWS")->SetAsFloat(windSpeeds[c]);
        table.FieldByName("TWD")->SetAsFloat(row[0]);
        table.FieldByName("SPEED")->SetAsFloat(row[c + 1]);
        table.Post();
      }
    }
    table.FlushBuffers();
    std::printf("%s: %zu wind speeds x %zu angles\n", argv[2], windSpeeds.size(), rows.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "makepolar: %s\n", e.what());
    return 1;
  }
  return 0;
}
