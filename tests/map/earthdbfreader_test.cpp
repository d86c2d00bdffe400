// The dBase reader against shapelib's dbfdump, on tables written by shapelib and by GDAL
// (tests/map/fixtures/make.sh), and on damaged tables.
#include "map/readers/earthdbfreader.h"

#include "tests/map/tempfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include <unistd.h>

#include "platform/rtl/sysutils.h"

namespace {

const std::string kFixtures = CORV_SOURCE_DIR "/tests/map/fixtures/";

struct DumpField {
  std::string name;
  char type = 0;
  int width = 0;
};

struct DumpRecord {
  std::vector<std::string> values;  // UTF-8, trimmed
  bool deleted = false;
};

struct Dump {
  std::vector<DumpField> fields;
  std::vector<DumpRecord> records;
};

// What dbfdump makes of a table: field descriptions and raw field texts.
Dump RunDbfdump(const std::string& file) {
  const std::string command = "dbfdump -h -m -r '" + file + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run dbfdump");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  ::pclose(pipe);

  Dump dump;
  size_t at = 0;
  while (at < out.size()) {
    size_t end = out.find('\n', at);
    if (end == std::string::npos) end = out.size();
    const std::string line = out.substr(at, end - at);
    at = end + 1;
    if (line.rfind("Field ", 0) == 0) {
      DumpField f;
      f.type = line[line.find("Type=") + 5];
      const size_t t = line.find("Title=`") + 7;
      f.name = line.substr(t, line.find('\'', t) - t);
      f.width = std::stoi(line.substr(line.find("Width=") + 6));
      dump.fields.push_back(f);
    } else if (line.rfind("Record: ", 0) == 0) {
      dump.records.emplace_back();
    } else if (line == "(DELETED)") {
      dump.records.back().deleted = true;
    } else if (!dump.records.empty() && !line.empty()) {
      const DumpField& f = dump.fields.at(dump.records.back().values.size());
      const std::string prefix = f.name + ": ";
      if (line.rfind(prefix, 0) != 0) throw std::runtime_error("unexpected dbfdump line " + line);
      dump.records.back().values.push_back(
          rtl::Cp1252ToUtf8(rtl::Trim(line.substr(prefix.size()))));
    }
  }
  return dump;
}

std::vector<std::string> Values(const TEarthDBFReader& r) {
  std::vector<std::string> v;
  for (int32_t i = 0; i < r.FieldCount(); ++i) v.push_back(r.GetString(i));
  return v;
}

void ExpectSameAsDbfdump(const std::string& name) {
  SCOPED_TRACE(name);
  const std::string file = kFixtures + name;
  const Dump dump = RunDbfdump(file);
  ASSERT_FALSE(dump.fields.empty()) << "dbfdump gave nothing for " << file;
  TEarthDBFReader r(file);
  ASSERT_EQ(r.FieldCount(), static_cast<int32_t>(dump.fields.size()));
  for (int32_t i = 0; i < r.FieldCount(); ++i) {
    EXPECT_EQ(r.GetFieldName(i), dump.fields[i].name);
    EXPECT_EQ(r.GetFieldType(i), dump.fields[i].type);
    EXPECT_EQ(r.GetFieldLength(i), dump.fields[i].width);
  }
  ASSERT_EQ(r.RecordCount(), static_cast<int32_t>(dump.records.size()));
  for (size_t n = 0; n < dump.records.size(); ++n) {
    ASSERT_TRUE(r.SetID(static_cast<int32_t>(n + 1)));
    EXPECT_EQ(Values(r), dump.records[n].values) << "record " << n;
  }
  ASSERT_TRUE(r.First());
  for (const DumpRecord& rec : dump.records) {
    if (rec.deleted) continue;
    ASSERT_TRUE(r.Next());
    EXPECT_EQ(Values(r), rec.values);
  }
  EXPECT_FALSE(r.Next());
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(DBFReader, AgreesWithDbfdumpOnShapelibTables) {
  ExpectSameAsDbfdump("shapelib_ports.dbf");
  ExpectSameAsDbfdump("shapelib_deleted.dbf");
}

TEST(DBFReader, AgreesWithDbfdumpOnGdalTables) {
  ExpectSameAsDbfdump("gdal_waypoints.dbf");
}

TEST(DBFReader, ReadsLatin1TextAsUtf8AndTrimsBlanks) {
  TEarthDBFReader r(kFixtures + "gdal_waypoints.dbf");
  ASSERT_TRUE(r.Next());
  EXPECT_EQ(r.GetString(0), "Mark A");
  ASSERT_TRUE(r.Next());
  EXPECT_EQ(r.GetString(1),
            "Br\xC3\xBC"
            "cke");
  ASSERT_TRUE(r.Next());
  EXPECT_EQ(r.GetString(0), "\xC3\x85lesund");
  EXPECT_EQ(r.GetString(1), "Kai 3");  // blanks on both sides in the table
  EXPECT_EQ(r.GetString(4), "-3");
  EXPECT_EQ(r.GetString(6), "");
  EXPECT_EQ(r.GetString(-1), "");
}

TEST(DBFReader, TableWithEveryRecordDeleted) {
  TEarthDBFReader r(kFixtures + "shapelib_alldeleted.dbf");
  EXPECT_FALSE(r.Next());
  ASSERT_TRUE(r.SetID(2));
  EXPECT_EQ(r.GetString(0), "two");
}

TEST(DBFReader, TableWithoutFieldsHasNone) {
  TEarthDBFReader r(kFixtures + "shapelib_nofields.dbf");
  EXPECT_EQ(r.FieldCount(), 0);
  EXPECT_EQ(r.GetFieldName(0), "");
  EXPECT_FALSE(r.Next());
}

TEST(DBFReader, SetIDOutsideTheTable) {
  TEarthDBFReader r(kFixtures + "shapelib_ports.dbf");
  ASSERT_TRUE(r.SetID(1));
  EXPECT_FALSE(r.SetID(0));
  EXPECT_EQ(r.GetString(0),
            "Sj\xC3\xB6"
            "bod");  // unchanged
  EXPECT_FALSE(r.SetID(6));
  EXPECT_EQ(r.GetString(0), "");  // no stale record
  EXPECT_EQ(r.GetString(1), "");
}

TEST(DBFReader, AcceptsDBaseIIIVersionsOnly) {
  std::string bytes = ReadFile(kFixtures + "shapelib_ports.dbf");
  bytes[0] = static_cast<char>(0x83);
  TempFile memo(bytes, ".dbf");
  EXPECT_NO_THROW(TEarthDBFReader{memo.Name()});
  for (char version : {'\x30', '\x04'}) {
    bytes[0] = version;
    TempFile bad(bytes, ".dbf");
    try {
      TEarthDBFReader r(bad.Name());
      ADD_FAILURE();
    } catch (const EDBFException& e) {
      EXPECT_STREQ(e.what(), "Unsupported DBase III version in Stream");
    }
  }
  EXPECT_THROW(TEarthDBFReader{"/nonexistent/table.dbf"}, rtl::EFOpenError);
}

TEST(DBFReader, RefusesFieldsReachingPastTheRecord) {
  std::string bytes = ReadFile(kFixtures + "shapelib_ports.dbf");
  bytes[10] = 20;  // record length 20 while the fields need 1 + 16 + 8 + 5
  bytes[11] = 0;
  TempFile bad(bytes, ".dbf");
  EXPECT_THROW(TEarthDBFReader{bad.Name()}, EDBFException);
}

TEST(DBFReader, DescriptorsWithoutTerminatorStayInTheHeader) {
  std::string bytes = ReadFile(kFixtures + "shapelib_ports.dbf");
  // Header length cut to two descriptors: the third and the terminator are no longer in it.
  const int header = 32 + 2 * 32;
  std::string cut = bytes.substr(0, header) + bytes.substr(32 + 3 * 32 + 1);
  cut[8] = static_cast<char>(header);
  cut[9] = 0;
  TempFile t(cut, ".dbf");
  TEarthDBFReader r(t.Name());
  EXPECT_EQ(r.FieldCount(), 2);
  ASSERT_TRUE(r.Next());
  EXPECT_EQ(r.GetString(1), "12.50");
}

TEST(DBFReader, TruncatedLastRecordIsNotRead) {
  const std::string bytes = ReadFile(kFixtures + "shapelib_ports.dbf");
  TempFile t(bytes.substr(0, bytes.size() - 10), ".dbf");
  TEarthDBFReader r(t.Name());
  int n = 0;
  while (r.Next()) ++n;
  EXPECT_EQ(n, 4);
  EXPECT_EQ(r.GetString(0), "");
}

}  // namespace
