// Table files on disk: our Paradox and dBase code against pxlib's reader and dbview.
#include "platform/db/tablefile.h"

extern "C" {
#include <paradox.h>
}

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/db/dberrors.h"
#include "tempdir.h"

namespace {

using namespace db;

// The fields of a recording's log table.
TFieldDefs LogFields() {
  TFieldDefs defs;
  defs.Add("Id", ftAutoInc);
  defs.Add("datum", ftDateTime);
  defs.Add("Timestamp", ftInteger);
  for (const char* name : {"Lat", "Lon", "speedog", "courseog", "Speed", "Heading", "awa", "aws",
                           "twa", "tws", "VMG", "Performance", "TargetSpeed", "GeoWindAngle",
                           "Depth"})
    defs.Add(name, ftFloat);
  return defs;
}

Record LogRecord(int second) {
  Record r(18);
  r[2] = int64_t{second};
  for (int i = 3; i < 18; ++i) r[static_cast<size_t>(i)] = second + i / 8.0 - (i == 4 ? 500 : 0);
  return r;
}

std::string RunTool(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

void Quiet(pxdoc_t*, int, const char*, void*) {}

class TableFileTest : public TempDirTest {};

TEST_F(TableFileTest, ParadoxLogTableRoundTripsWithAutoIncrement) {
  const std::string file = Path("05_12_2026_1.lg");
  CreateTableFile(file, ttDefault, LogFields());
  auto writer = OpenTableFile(file, ttDefault);
  auto reader = OpenTableFile(file, ttDefault);
  ASSERT_EQ(writer->Fields().Count(), 18);
  EXPECT_EQ(writer->Fields().Items(0).DataType, ftAutoInc);
  EXPECT_EQ(writer->Fields().Items(1).DataType, ftDateTime);
  EXPECT_EQ(writer->Fields().IndexOf("GEOWINDANGLE"), 16);
  EXPECT_EQ(reader->RecordCount(), 0);
  // Enough records to fill several blocks; the other handle sees each one at once.
  for (int s = 0; s < 100; ++s) {
    Record r = LogRecord(s);
    writer->Append(r);
    EXPECT_EQ(std::get<int64_t>(r[0]), s + 1);
    ASSERT_EQ(reader->RecordCount(), s + 1);
    const Record back = reader->Read(s);
    EXPECT_EQ(std::get<int64_t>(back[0]), s + 1);
    EXPECT_TRUE(IsNull(back[1]));
    EXPECT_EQ(back[2], r[2]);
    EXPECT_EQ(back[4], r[4]);
    EXPECT_EQ(back[17], r[17]);
  }
  writer->Flush();
  // A third handle opened later continues the numbering.
  auto later = OpenTableFile(file, ttDefault);
  Record r = LogRecord(100);
  later->Append(r);
  EXPECT_EQ(std::get<int64_t>(r[0]), 101);
}

TEST_F(TableFileTest, PxlibReadsOurParadoxTable) {
  const std::string file = Path("log.lg");
  CreateTableFile(file, ttParadox, LogFields());
  {
    auto t = OpenTableFile(file, ttParadox);
    for (int s = 0; s < 40; ++s) {
      Record r = LogRecord(s);
      if (s == 3) r[1] = 46000.5;  // 2025-12-09 12:00
      t->Append(r);
    }
  }
  pxdoc_t* doc = PX_new2(Quiet, nullptr, nullptr, nullptr);
  ASSERT_EQ(PX_open_file(doc, file.c_str()), 0);
  EXPECT_EQ(PX_get_num_records(doc), 40);
  ASSERT_EQ(PX_get_num_fields(doc), 18);
  EXPECT_STREQ(PX_get_field(doc, 0)->px_fname, "Id");
  EXPECT_EQ(PX_get_field(doc, 0)->px_ftype, pxfAutoInc);
  EXPECT_STREQ(PX_get_field(doc, 17)->px_fname, "Depth");
  EXPECT_EQ(PX_get_field(doc, 17)->px_ftype, pxfNumber);
  for (int s = 0; s < 40; ++s) {
    pxval_t** v = PX_retrieve_record(doc, s);
    ASSERT_NE(v, nullptr) << s;
    EXPECT_EQ(v[0]->value.lval, s + 1);
    EXPECT_EQ(v[2]->value.lval, s);
    EXPECT_DOUBLE_EQ(v[4]->value.dval, s + 0.5 - 500);
    EXPECT_DOUBLE_EQ(v[17]->value.dval, s + 17 / 8.0);
    if (s == 3) {
      char* text = PX_timestamp2string(doc, v[1]->value.dval, "Y-m-d H:i:s");
      EXPECT_STREQ(text, "2025-12-09 12:00:00");
      doc->free(doc, text);
    } else {
      // pxlib reports an empty timestamp as the value 0 rather than as null.
      EXPECT_TRUE(v[1]->isnull || v[1]->value.dval == 0) << v[1]->value.dval;
    }
    for (int i = 0; i < 18; ++i) {
      if (v[i]->type == pxfAlpha && !v[i]->isnull) doc->free(doc, v[i]->value.str.val);
      doc->free(doc, v[i]);
    }
    doc->free(doc, v);
  }
  PX_close(doc);
  PX_delete(doc);
}

// A level 5 table as older engines wrote it (79-character table name field), built byte by byte:
// pxlib and our reader must agree on it.
TEST_F(TableFileTest, OlderParadoxLevelReadsAlikeInPxlibAndOurReader) {
  std::vector<uint8_t> f(0x800 + 0x800, 0);
  auto le16 = [&](size_t at, unsigned v) { f[at] = v & 0xFF, f[at + 1] = (v >> 8) & 0xFF; };
  le16(0x00, 22);     // record size
  le16(0x02, 0x800);  // header size
  f[0x04] = 2;        // not keyed
  f[0x05] = 2;        // 2 KB blocks
  f[0x06] = 2;        // records
  le16(0x0A, 1), le16(0x0C, 1), le16(0x0E, 1), le16(0x10, 1);
  f[0x21] = 3;     // fields
  f[0x39] = 0x0B;  // level 5
  f[0x49] = 2;     // last auto-increment value
  le16(0x58, 0x010B), le16(0x5A, 0x010B), le16(0x6A, 1252);
  const uint8_t info[] = {0x16, 4, 0x01, 10, 0x06, 8};
  std::copy(std::begin(info), std::end(info), f.begin() + 0x78);
  size_t at = 0x78 + 6 + 4 + 12;
  const std::string table = "old";
  std::copy(table.begin(), table.end(), f.begin() + static_cast<long>(at));
  at += 79;
  const char names[] = "Id\0Name\0Speed";
  std::copy(std::begin(names), std::end(names), f.begin() + static_cast<long>(at));
  le16(0x804, 22);  // the block holds two records
  const uint8_t records[] = {0x80, 0, 0, 1,   'G', 'e', 'n', 'o', 'a', 0, 0, 0, 0, 0,
                             0xC0, 0x16, 0, 0, 0, 0, 0, 0,  // 5.5
                             0x80, 0, 0, 2,   'J', 'i', 'b', 0, 0, 0, 0, 0, 0, 0,
                             0x40, 0x0B, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // -1.25
  std::copy(std::begin(records), std::end(records), f.begin() + 0x806);
  const std::string file = Path("old.db");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(f.data()),
                                              static_cast<std::streamsize>(f.size()));

  auto t = OpenTableFile(file, ttDefault);
  ASSERT_EQ(t->RecordCount(), 2);
  EXPECT_EQ(t->Fields().Items(2).Name, "Speed");
  EXPECT_EQ(t->Read(0), (Record{int64_t{1}, std::string("Genoa"), 5.5}));
  EXPECT_EQ(t->Read(1), (Record{int64_t{2}, std::string("Jib"), -1.25}));
  Record r{Value{}, std::string("Spinnaker"), 7.0};
  t->Append(r);
  EXPECT_EQ(r[0], Value{int64_t{3}});

  pxdoc_t* doc = PX_new2(Quiet, nullptr, nullptr, nullptr);
  ASSERT_EQ(PX_open_file(doc, file.c_str()), 0);
  ASSERT_EQ(PX_get_num_records(doc), 3);
  EXPECT_STREQ(PX_get_field(doc, 1)->px_fname, "Name");
  for (int i = 0; i < 3; ++i) {
    pxval_t** v = PX_retrieve_record(doc, i);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v[0]->value.lval, i + 1);
    EXPECT_EQ(std::string(v[1]->value.str.val), i == 0 ? "Genoa" : i == 1 ? "Jib" : "Spinnaker");
    EXPECT_EQ(v[2]->value.dval, i == 0 ? 5.5 : i == 1 ? -1.25 : 7.0);
    for (int k = 0; k < 3; ++k) {
      if (v[k]->type == pxfAlpha && !v[k]->isnull) doc->free(doc, v[k]->value.str.val);
      doc->free(doc, v[k]);
    }
    doc->free(doc, v);
  }
  PX_close(doc);
  PX_delete(doc);
}

TEST_F(TableFileTest, ParadoxDeleteAndUpdate) {
  const std::string file = Path("sails.db");
  TFieldDefs defs;
  defs.Add("Sails", ftString, 40);
  defs.Add("Color", ftFloat);
  CreateTableFile(file, ttDefault, defs);
  auto t = OpenTableFile(file, ttDefault);
  for (const char* s : {"Genoa", "Jib", "Spinnaker"}) {
    Record r{std::string(s), 1.0};
    t->Append(r);
  }
  t->Delete(1);
  t->Update(1, Record{std::string("Gennaker"), 2.0});
  auto other = OpenTableFile(file, ttDefault);
  ASSERT_EQ(other->RecordCount(), 2);
  EXPECT_EQ(std::get<std::string>(other->Read(0)[0]), "Genoa");
  EXPECT_EQ(std::get<std::string>(other->Read(1)[0]), "Gennaker");
  EXPECT_EQ(std::get<double>(other->Read(1)[1]), 2.0);
}

TFieldDefs PolarFields() {
  TFieldDefs defs;
  defs.Add("TWS", ftSmallint);
  defs.Add("TWD", ftSmallint);
  defs.Add("SPEED", ftFloat);
  return defs;
}

TEST_F(TableFileTest, DbaseAppendIsSeenAndDeletedRecordsAreSkipped) {
  const std::string file = Path("PERFORMANCE.DBF");
  CreateTableFile(file, ttDefault, PolarFields());
  auto writer = OpenTableFile(file, ttDefault);
  auto reader = OpenTableFile(file, ttDefault);
  EXPECT_EQ(writer->Fields().Items(0).DataType, ftSmallint);
  EXPECT_EQ(writer->Fields().Items(2).DataType, ftFloat);
  for (int i = 0; i < 5; ++i) {
    Record r{int64_t{6}, int64_t{30 + 10 * i}, 4.25 + i};
    writer->Append(r);
    ASSERT_EQ(reader->RecordCount(), i + 1);
  }
  writer->Delete(1);
  reader->Resync();
  EXPECT_EQ(reader->RecordCount(), 4);
  EXPECT_EQ(std::get<int64_t>(reader->Read(1)[1]), 50);
  EXPECT_EQ(std::get<double>(reader->Read(3)[2]), 8.25);
  // The header counts every record written, deleted ones included, as the format has it.
  std::ifstream in(file, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(bytes[4], 5);
  EXPECT_EQ(bytes.back(), 0x1A);
}

TEST_F(TableFileTest, DbviewAndDbfdumpReadOurDbaseTable) {
  const std::string file = Path("PERFORMANCE.DBF");
  CreateTableFile(file, ttDBase, PolarFields());
  auto t = OpenTableFile(file, ttDBase);
  Record a{int64_t{6}, int64_t{45}, 5.5};
  Record b{int64_t{8}, int64_t{90}, -0.125};
  Record c{int64_t{10}, int64_t{180}, 7.0};
  t->Append(a);
  t->Append(b);
  t->Append(c);
  t->Delete(2);
  const std::string dump = RunTool("dbfdump '" + file + "'");
  EXPECT_NE(dump.find("TWS"), std::string::npos) << dump;
  EXPECT_NE(dump.find("5.500000"), std::string::npos) << dump;
  EXPECT_NE(dump.find("-0.125000"), std::string::npos) << dump;
  const std::string view = RunTool("dbview -b -t -d ';' '" + file + "'");
  EXPECT_NE(view.find("6;45;5.500000"), std::string::npos) << view;
  EXPECT_NE(view.find("8;90;-0.125000"), std::string::npos) << view;
  EXPECT_EQ(view.find("180"), std::string::npos) << view;  // the deleted record
}

// The header's record count is 32 bits without a sign; blocks of 4 KB hold 30 log records, so a
// table of 2 blocks holds at most 60. A count beyond that is damage, told with the file's name.
TEST_F(TableFileTest, ARecordCountTheBlocksCannotHoldIsDamage) {
  const std::string file = Path("count.lg");
  CreateTableFile(file, ttParadox, LogFields());
  {
    auto t = OpenTableFile(file, ttParadox);
    for (int s = 0; s < 40; ++s) {
      Record r = LogRecord(s);
      t->Append(r);
    }
  }
  const auto setCount = [&](uint32_t count) {
    std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
    const char bytes[4] = {static_cast<char>(count), static_cast<char>(count >> 8),
                           static_cast<char>(count >> 16), static_cast<char>(count >> 24)};
    f.seekp(0x06);
    f.write(bytes, 4);
  };
  for (uint32_t count : {0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFu, 61u}) {
    setCount(count);
    try {
      OpenTableFile(file, ttParadox)->RecordCount();
      ADD_FAILURE() << count << " records opened";
    } catch (const EDatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
  }
  setCount(60);  // within the blocks: the records of the chain
  EXPECT_EQ(OpenTableFile(file, ttParadox)->RecordCount(), 40);
}

TEST_F(TableFileTest, GarbageFilesRaise) {
  for (const char* name : {"x.db", "x.dbf"}) {
    const std::string file = Path(name);
    std::ofstream(file) << "this is not a table at all, just some text of moderate length....";
    EXPECT_THROW(OpenTableFile(file, ttDefault), EDatabaseError) << name;
  }
  EXPECT_THROW(OpenTableFile(Path("missing.db"), ttDefault), EDatabaseError);
}

}  // namespace
