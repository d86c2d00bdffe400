// maketables <dir>: writes the empty waypoint table "waypoints.DB" and sail table "sails.db" that
// the program ships with, through our own Paradox writer.
#include <cstdio>
#include <exception>
#include <string>

#include "platform/db/table.h"

namespace {

void Create(const std::string& path, void (*define)(db::TFieldDefs&)) {
  db::TTable table(nullptr);
  table.SetTableType(db::ttParadox);
  table.SetTableName(path);
  define(table.FieldDefs());
  table.CreateTable();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: maketables <dir>\n");
    return 2;
  }
  const std::string dir = argv[1];
  try {
    Create(dir + "/waypoints.DB", [](db::TFieldDefs& f) {
      f.Add("NAME", db::ftString, 20);
      f.Add("NAME2", db::ftString, 20);
      f.Add("LAT", db::ftFloat);
      f.Add("LON", db::ftFloat);
      f.Add("AREA", db::ftString, 20);
    });
    Create(dir + "/sails.db", [](db::TFieldDefs& f) {
      f.Add("Sails", db::ftString, 40);
      f.Add("Color", db::ftFloat);
    });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "maketables: %s\n", e.what());
    return 1;
  }
  return 0;
}
