// Appends to a Paradox table cut short after each of their writes, as a kill or a power loss would
// leave the file: our reader and pxlib must open it and agree, with every completed post there.
// The test binary is linked with --wrap=pwrite, so that a budget of writes can be set.
#include <errno.h>
#include <unistd.h>

extern "C" {
#include <paradox.h>
}

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/db/dberrors.h"
#include "platform/db/tablefile.h"
#include "tempdir.h"

namespace {

// Writes still allowed; -1 for no limit. A write past the budget fails as a full disk would.
std::atomic<long> gWriteBudget{-1};

}  // namespace

extern "C" ssize_t __real_pwrite(int fd, const void* buf, size_t count, off_t offset);
extern "C" ssize_t __wrap_pwrite(int fd, const void* buf, size_t count, off_t offset) {
  long budget = gWriteBudget.load();
  if (budget == 0) {
    errno = ENOSPC;
    return -1;
  }
  if (budget > 0) gWriteBudget = budget - 1;
  return __real_pwrite(fd, buf, count, offset);
}

namespace {

using namespace db;

TFieldDefs Fields() {
  TFieldDefs defs;
  defs.Add("Id", ftAutoInc);
  defs.Add("Timestamp", ftInteger);
  for (const char* name : {"speedog", "courseog", "tws", "twa", "awa", "aws", "VMG", "Lat", "Lon",
                           "Performance", "TargetSpeed", "Depth", "Heading", "Speed", "datum"})
    defs.Add(name, ftFloat);
  return defs;  // 4 + 4 + 15 * 8 = 128 bytes: 31 records fill a 4 KB block
}

Record Sample(int second) {
  Record r(17);
  r[1] = int64_t{second};
  for (size_t i = 2; i < r.size(); ++i) r[i] = second + static_cast<double>(i) / 4;
  return r;
}

void Quiet(pxdoc_t*, int, const char*, void*) {}

// The Timestamp of every record pxlib reads, or nothing when it cannot open the file.
std::vector<int64_t> PxlibStamps(const std::string& file) {
  std::vector<int64_t> stamps;
  pxdoc_t* doc = PX_new2(Quiet, nullptr, nullptr, nullptr);
  if (PX_open_file(doc, file.c_str()) == 0) {
    for (int i = 0; i < PX_get_num_records(doc); ++i) {
      pxval_t** v = PX_retrieve_record(doc, i);
      if (!v) {
        stamps.push_back(-1);
        continue;
      }
      stamps.push_back(v[1]->isnull ? -2 : v[1]->value.lval);
      for (int f = 0; f < PX_get_num_fields(doc); ++f) doc->free(doc, v[f]);
      doc->free(doc, v);
    }
    PX_close(doc);
  } else {
    stamps.push_back(-3);
  }
  PX_delete(doc);
  return stamps;
}

std::vector<int64_t> OurStamps(const std::string& file) {
  auto t = OpenTableFile(file, ttParadox);
  std::vector<int64_t> stamps;
  for (int i = 0; i < t->RecordCount(); ++i) {
    const Record r = t->Read(i);
    stamps.push_back(std::get<int64_t>(r[1]));
    EXPECT_EQ(std::get<double>(r[16]), static_cast<double>(stamps.back()) + 16.0 / 4);
  }
  return stamps;
}

std::vector<int64_t> Upto(int n) {
  std::vector<int64_t> v;
  for (int i = 0; i < n; ++i) v.push_back(i);
  return v;
}

class ParadoxCut : public TempDirTest {};

TEST_F(ParadoxCut, ATableCutAfterAnyWriteOfAnAppendOpensWithEveryPostedRecord) {
  constexpr int kBefore = 29, kAppended = 36;  // across the block boundaries after 31 and 62
  const std::string base = Path("base.lg");
  CreateTableFile(base, ttParadox, Fields());
  {
    auto t = OpenTableFile(base, ttParadox);
    for (int s = 0; s < kBefore; ++s) {
      Record r = Sample(s);
      t->Append(r);
    }
  }
  const std::string file = Path("cut.lg");
  int cuts = 0;
  for (long budget = 0;; ++budget) {
    std::filesystem::copy_file(base, file, std::filesystem::copy_options::overwrite_existing);
    int posted = kBefore;
    {
      auto t = OpenTableFile(file, ttParadox);
      gWriteBudget = budget;
      try {
        for (int s = kBefore; s < kBefore + kAppended; ++s) {
          Record r = Sample(s);
          t->Append(r);
          ++posted;
        }
      } catch (const EDatabaseError&) {
        ++cuts;
      }
      gWriteBudget = -1;
    }
    SCOPED_TRACE("cut after write " + std::to_string(budget) + ", " + std::to_string(posted) +
                 " records posted");
    std::vector<int64_t> ours;
    ASSERT_NO_THROW(ours = OurStamps(file));
    EXPECT_EQ(ours, Upto(posted));
    EXPECT_EQ(PxlibStamps(file), Upto(posted));

    // Appending goes on where the completed posts end.
    {
      auto t = OpenTableFile(file, ttParadox);
      Record r = Sample(posted);
      t->Append(r);
    }
    EXPECT_EQ(OurStamps(file), Upto(posted + 1));
    EXPECT_EQ(PxlibStamps(file), Upto(posted + 1));
    if (posted == kBefore + kAppended) break;
  }
  EXPECT_GT(cuts, 2 * kAppended);  // every append was cut at least at two places
}

// Tables whose last append was cut by an older write order: the previous block already points
// at a block the header does not count yet.
TEST_F(ParadoxCut, AChainRunningPastTheHeadersBlockCountEndsThere) {
  const std::string file = Path("old.lg");
  CreateTableFile(file, ttParadox, Fields());
  {
    auto t = OpenTableFile(file, ttParadox);
    for (int s = 0; s < 31; ++s) {
      Record r = Sample(s);
      t->Append(r);
    }
  }
  // Block 1 is full; link it to a block 2 that exists in the file but not in the header.
  const std::string copy = Path("copy.lg");
  std::filesystem::copy_file(file, copy);
  {
    auto t = OpenTableFile(copy, ttParadox);
    Record r = Sample(31);
    t->Append(r);
  }
  std::string bytes;
  {
    std::ifstream in(copy, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const size_t header = static_cast<uint8_t>(bytes[2]) | static_cast<uint8_t>(bytes[3]) << 8;
  bytes[0x0A] = 1;   // next block number
  bytes[0x0C] = 1;   // file blocks
  bytes[0x10] = 1;   // last block
  bytes[0x06] = 31;  // records
  std::ofstream(copy, std::ios::binary) << bytes;
  ASSERT_EQ(static_cast<uint8_t>(bytes[header]), 2);  // block 1's next block
  EXPECT_EQ(OurStamps(copy), Upto(31));
  EXPECT_EQ(PxlibStamps(copy), Upto(31));
  {
    auto t = OpenTableFile(copy, ttParadox);
    Record r = Sample(31);
    t->Append(r);
  }
  EXPECT_EQ(OurStamps(copy), Upto(32));
  EXPECT_EQ(PxlibStamps(copy), Upto(32));
}

}  // namespace
