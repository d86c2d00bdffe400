#include "platform/db/paradox.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/db/dberrors.h"
#include "platform/rtl/sysutils.h"

namespace db {

namespace {

// The creation time in the header: now, or SOURCE_DATE_EPOCH when it is set, so that a file made
// by a build script comes out the same byte for byte.
uint32_t CreationTime() {
  if (const char* e = std::getenv("SOURCE_DATE_EPOCH")) {
    int64_t v = 0;
    if (rtl::TryStrToInt64(e, v) && v >= 0 && v <= UINT32_MAX) return static_cast<uint32_t>(v);
  }
  return static_cast<uint32_t>(std::time(nullptr));
}

// Field type codes of the format.
enum : uint8_t {
  pxAlpha = 0x01,
  pxDate = 0x02,
  pxShort = 0x03,
  pxLong = 0x04,
  pxCurrency = 0x05,
  pxNumber = 0x06,
  pxLogical = 0x09,
  pxTime = 0x14,
  pxTimestamp = 0x15,
  pxAutoInc = 0x16,
};

// Header offsets.
constexpr size_t kNumRecords = 0x06, kNextBlock = 0x0A, kFileBlocks = 0x0C, kFirstBlock = 0x0E,
                 kLastBlock = 0x10, kNumFields = 0x21, kKeyFields = 0x23, kEncryption1 = 0x25,
                 kFileVersion = 0x39, kAutoInc = 0x49, kEncryption2 = 0x5C;
constexpr size_t kBaseHeader = 0x58, kExtendedHeader = 0x78;
constexpr uint8_t kVersion7 = 0x0C;
constexpr uint32_t kBlockKilobytes = 4;
constexpr double kDaysBeforeDelphiEpoch = 693594.0;  // 0001-01-01 (day 1) to 1899-12-30
constexpr double kMsPerDay = 86400000.0;

uint32_t GetBE(const uint8_t* p, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v = v << 8 | p[i];
  return v;
}
void PutBE(uint8_t* p, size_t n, uint64_t v) {
  for (size_t i = n; i-- > 0; v >>= 8) p[i] = static_cast<uint8_t>(v);
}
bool AllZero(const uint8_t* p, size_t n) {
  return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

// Whole numbers are big-endian with the sign bit flipped; zero bytes are null.
Value DecodeInt(const uint8_t* p, size_t n) {
  if (AllZero(p, n)) return {};
  const uint32_t raw = GetBE(p, n) ^ (1u << (8 * n - 1));
  if (n == 2) return static_cast<int64_t>(static_cast<int16_t>(raw));
  return static_cast<int64_t>(static_cast<int32_t>(raw));
}
// Floats: positive numbers get the sign bit set, negative numbers are inverted.
Value DecodeDouble(const uint8_t* p) {
  if (AllZero(p, 8)) return {};
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = bits << 8 | p[i];
  bits = (bits & (1ull << 63)) ? bits & ~(1ull << 63) : ~bits;
  const double d = std::bit_cast<double>(bits);
  if (!std::isfinite(d)) return {};
  return d;
}
void EncodeDouble(uint8_t* p, double d) {
  uint64_t bits = std::bit_cast<uint64_t>(d);
  bits = (bits & (1ull << 63)) ? ~bits : bits | (1ull << 63);
  PutBE(p, 8, bits);
}

double NumberOf(const Value& v, const std::string& field) {
  if (auto* d = std::get_if<double>(&v)) return *d;
  if (auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  throw EDatabaseError("Field '" + field + "' takes a number");
}
int64_t IntegerOf(const Value& v, const std::string& field) {
  if (auto* i = std::get_if<int64_t>(&v)) return *i;
  const double d = NumberOf(v, field);
  if (!(std::fabs(d) < 9.2e18)) throw EDatabaseError("Value out of range for field '" + field + "'");
  return std::llround(d);
}

TFieldType TypeOfColumn(uint8_t type) {
  switch (type) {
    case pxAlpha: return ftString;
    case pxDate: return ftDate;
    case pxShort: return ftSmallint;
    case pxLong: return ftInteger;
    case pxCurrency: return ftCurrency;
    case pxNumber: return ftFloat;
    case pxLogical: return ftBoolean;
    case pxTime: return ftTime;
    case pxTimestamp: return ftDateTime;
    case pxAutoInc: return ftAutoInc;
    default: return ftUnknown;
  }
}

uint8_t ColumnOfType(const TFieldDef& f, uint32_t& size) {
  switch (f.DataType) {
    case ftString:
      size = static_cast<uint32_t>(f.Size);
      if (size < 1 || size > 255) throw EDatabaseError("Bad size of field '" + f.Name + "'");
      return pxAlpha;
    case ftSmallint: case ftWord: size = 2; return pxShort;
    case ftInteger: size = 4; return pxLong;
    case ftAutoInc: size = 4; return pxAutoInc;
    case ftFloat: size = 8; return pxNumber;
    case ftCurrency: size = 8; return pxCurrency;
    case ftDate: size = 4; return pxDate;
    case ftTime: size = 4; return pxTime;
    case ftDateTime: size = 8; return pxTimestamp;
    case ftBoolean: size = 1; return pxLogical;
    default: throw EDatabaseError("Field type not supported in Paradox tables: '" + f.Name + "'");
  }
}

}  // namespace

ParadoxFile::ParadoxFile(const std::string& fileName) : fFile(fileName, RawFile::ReadWrite) {
  const auto corrupt = [&](const char* what) {
    return EDatabaseError(std::string(what) + " '" + fileName + "'");
  };
  uint8_t base[kBaseHeader];
  fFile.ReadExact(0, base, sizeof base);
  fRecordSize = GetLE16(base);
  fHeaderSize = GetLE16(base + 2);
  const uint8_t fileType = base[4];
  const uint8_t blockKb = base[5];
  const uint8_t version = base[kFileVersion];
  const uint32_t numFields = GetLE16(base + kNumFields);
  fKeyFields = GetLE16(base + kKeyFields);
  if ((fileType != 0 && fileType != 2) || version < 3 || version > kVersion7 || blockKb < 1 ||
      blockKb > 32 || fRecordSize == 0 || numFields == 0 || numFields > 255 ||
      fHeaderSize < kBaseHeader)
    throw corrupt("Not a Paradox table");
  fBlockSize = blockKb * 1024u;
  if (fRecordSize > fBlockSize - 6) throw corrupt("Corrupt Paradox header");
  const bool extended = version >= 5;
  const uint32_t encryption = GetLE32(base + kEncryption1);
  std::vector<uint8_t> head(fHeaderSize);
  fFile.ReadExact(0, head.data(), head.size());
  if (extended && head.size() < kExtendedHeader) throw corrupt("Corrupt Paradox header");
  if ((encryption != 0 && encryption != 0xFF00FF00u) ||
      (extended && GetLE32(head.data() + kEncryption2) != 0))
    throw corrupt("Encrypted Paradox tables cannot be read");

  size_t at = extended ? kExtendedHeader : kBaseHeader;
  const size_t nameLength = version >= kVersion7 ? 261 : 79;
  if (at + numFields * 2 + 4 + numFields * 4 + nameLength > head.size())
    throw corrupt("Corrupt Paradox header");
  uint32_t offset = 0;
  for (uint32_t i = 0; i < numFields; ++i, at += 2) {
    const Column c{head[at], offset, head[at + 1]};
    if (c.size == 0) throw corrupt("Corrupt Paradox field list");
    fColumns.push_back(c);
    offset += c.size;
  }
  if (offset != fRecordSize) throw corrupt("Corrupt Paradox field list");
  at += 4 + numFields * 4 + nameLength;
  for (uint32_t i = 0; i < numFields; ++i) {
    const auto* start = head.data() + at;
    const auto* end = static_cast<const uint8_t*>(std::memchr(start, 0, head.size() - at));
    if (!end || end == start) throw corrupt("Corrupt Paradox field list");
    const std::string name = rtl::Cp1252ToUtf8({reinterpret_cast<const char*>(start),
                                           static_cast<size_t>(end - start)});
    if (fFields.IndexOf(name) >= 0) throw corrupt("Corrupt Paradox field list");
    fFields.Add(name, TypeOfColumn(fColumns[i].type),
                fColumns[i].type == pxAlpha ? static_cast<int>(fColumns[i].size) : 0);
    at = static_cast<size_t>(end - head.data()) + 1;
  }
  Refresh();
}

void ParadoxFile::Create(const std::string& fileName, const TFieldDefs& fields) {
  const size_t n = static_cast<size_t>(fields.Count());
  if (n == 0 || n > 255) throw EDatabaseError("Bad number of fields");
  std::vector<uint8_t> fieldInfo;
  std::string names;
  uint32_t recordSize = 0;
  for (const auto& f : fields) {
    uint32_t size = 0;
    const uint8_t type = ColumnOfType(f, size);
    fieldInfo.push_back(type);
    fieldInfo.push_back(static_cast<uint8_t>(size));
    recordSize += size;
    const std::string name = rtl::Utf8ToCp1252(f.Name);
    if (name.size() > 25 || name.find('\0') != std::string::npos)
      throw EDatabaseError("Bad field name '" + f.Name + "'");
    names += name;
    names += '\0';
  }
  const uint32_t blockSize = kBlockKilobytes * 1024;
  if (recordSize > blockSize - 6) throw EDatabaseError("Record too long for a Paradox table");

  std::string tableName = rtl::Utf8ToCp1252(fileName.substr(fileName.find_last_of('/') + 1));
  if (const auto dot = tableName.find('.'); dot != std::string::npos) tableName.resize(dot);
  tableName.resize(std::min<size_t>(tableName.size(), 260));

  std::vector<uint8_t> body;  // everything after the fixed part
  body.insert(body.end(), fieldInfo.begin(), fieldInfo.end());
  body.resize(body.size() + 4 + 4 * n, 0);  // name pointers, meaningless on disk
  std::vector<uint8_t> nameField(261, 0);
  std::memcpy(nameField.data(), tableName.data(), tableName.size());
  body.insert(body.end(), nameField.begin(), nameField.end());
  body.insert(body.end(), names.begin(), names.end());
  for (size_t i = 1; i <= n; ++i) body.push_back(static_cast<uint8_t>(i)), body.push_back(0);
  static const char kSortOrder[] = "ANSIINTL";
  body.insert(body.end(), kSortOrder, kSortOrder + sizeof kSortOrder);

  const size_t needed = kExtendedHeader + body.size();
  std::vector<uint8_t> head((needed + 0x7FF) / 0x800 * 0x800, 0);
  uint8_t* h = head.data();
  PutLE16(h + 0x00, static_cast<uint16_t>(recordSize));
  PutLE16(h + 0x02, static_cast<uint16_t>(head.size()));
  h[0x04] = 2;  // not keyed
  h[0x05] = kBlockKilobytes;
  PutLE16(h + kNumFields, static_cast<uint16_t>(n));
  PutLE32(h + kEncryption1, 0xFF00FF00u);  // no password
  h[0x29] = 0x62;                           // sort order
  h[0x2D] = 2;                              // change counts
  h[0x2E] = 1;
  h[kFileVersion] = kVersion7;
  PutLE16(h + 0x3A, 1);
  PutLE16(h + 0x3E, 0x0F1F);
  h[0x52] = 1;
  h[0x56] = 0x20;
  PutLE16(h + 0x58, 0x010C);
  PutLE16(h + 0x5A, 0x010C);
  PutLE32(h + 0x60, CreationTime());
  PutLE16(h + 0x64, static_cast<uint16_t>(n + 1));
  PutLE16(h + 0x6A, 1252);  // code page
  std::memcpy(h + kExtendedHeader, body.data(), body.size());

  RawFile file(fileName, RawFile::CreateNew);
  file.WriteAt(0, head.data(), head.size());
  file.Sync();
}

void ParadoxFile::Refresh() {
  uint8_t sig[sizeof fSignature];
  fFile.ReadExact(kNumRecords, sig, sizeof sig);
  if (std::memcmp(sig, fSignature, sizeof sig) == 0 && !fBlocks.empty()) return;
  std::memcpy(fSignature, sig, sizeof sig);
  fNumRecords = GetLE32(sig);
  fFileBlocks = GetLE16(sig + (kFileBlocks - kNumRecords));
  fFirstBlock = GetLE16(sig + (kFirstBlock - kNumRecords));
  fLastBlock = GetLE16(sig + (kLastBlock - kNumRecords));
  // A record count beyond what the blocks the header counts, and the file holds, can carry is
  // damage, not a table.
  const uint64_t size = fFile.Size();
  const uint64_t blocksInFile = size > fHeaderSize ? (size - fHeaderSize - 1) / fBlockSize + 1 : 0;
  const uint64_t perBlock = (fBlockSize - 6) / fRecordSize;
  if (fNumRecords > std::min<uint64_t>(fFileBlocks, blocksInFile) * perBlock) {
    fBlocks.clear();
    fTotal = 0;
    std::memset(fSignature, 0, sizeof fSignature);
    throw EDatabaseError("Corrupt Paradox header '" + fFile.FileName() + "'");
  }
  ReadBlockChain();
}

uint64_t ParadoxFile::BlockOffset(uint16_t number) const {
  return fHeaderSize + static_cast<uint64_t>(number - 1) * fBlockSize;
}

void ParadoxFile::ReadBlockChain() {
  fBlocks.clear();
  fTotal = 0;
  const uint64_t size = fFile.Size();
  const int perBlock = static_cast<int>((fBlockSize - 6) / fRecordSize);
  std::vector<bool> seen(static_cast<size_t>(fFileBlocks) + 1, false);
  uint16_t previous = 0;
  for (uint16_t b = fFirstBlock; b != 0;) {
    // A block the header does not count yet, or one not wholly in the file, is the start of an
    // append that was cut short: the chain ends before it.
    if (b > fFileBlocks || BlockOffset(b) + 6 > size) break;
    if (seen[b]) throw EDatabaseError("Corrupt Paradox block list '" + fFile.FileName() + "'");
    seen[b] = true;
    uint8_t bh[6];
    fFile.ReadExact(BlockOffset(b), bh, sizeof bh);
    const int lastOffset = static_cast<int16_t>(GetLE16(bh + 4));
    const int count = lastOffset < 0 ? 0 : lastOffset / static_cast<int>(fRecordSize) + 1;
    if (count > perBlock || (lastOffset >= 0 && lastOffset % static_cast<int>(fRecordSize) != 0))
      throw EDatabaseError("Corrupt Paradox block '" + fFile.FileName() + "'");
    // A block the file ends in (a copy cut short) keeps the records wholly in it; the chain is
    // not followed past it.
    const uint64_t whole = (size - BlockOffset(b) - 6) / fRecordSize;
    const bool cut = static_cast<uint64_t>(count) > whole;
    fBlocks.push_back(Block{b, cut ? static_cast<int>(whole) : count, fTotal});
    fTotal += fBlocks.back().count;
    previous = b;
    if (cut) break;
    b = GetLE16(bh);
  }
  if (previous != fLastBlock && !fBlocks.empty()) fLastBlock = previous;
  // The header's record count is written last by an append: records beyond it belong to one
  // that did not complete, and the next append takes their place.
  for (auto it = fBlocks.rbegin(); it != fBlocks.rend() && fTotal > static_cast<int>(fNumRecords);
       ++it) {
    const int drop = std::min(it->count, fTotal - static_cast<int>(fNumRecords));
    it->count -= drop;
    fTotal -= drop;
  }
}

void ParadoxFile::Resync() {
  std::memset(fSignature, 0, sizeof fSignature);
  fBlocks.clear();
  Refresh();
}

int ParadoxFile::RecordCount() {
  Refresh();
  return fTotal;
}

std::pair<const ParadoxFile::Block*, int> ParadoxFile::Locate(int index) {
  Refresh();
  if (index < 0 || index >= fTotal) throw EDatabaseError("Record index out of range");
  auto it = std::upper_bound(fBlocks.begin(), fBlocks.end(), index,
                             [](int i, const Block& b) { return i < b.first; });
  --it;
  while (it->count == 0 || index >= it->first + it->count) ++it;
  return {&*it, index - it->first};
}

Record ParadoxFile::Read(int index) {
  const auto [block, slot] = Locate(index);
  std::vector<uint8_t> raw(fRecordSize);
  fFile.ReadExact(BlockOffset(block->number) + 6 + static_cast<uint64_t>(slot) * fRecordSize,
                  raw.data(), raw.size());
  Record record(fColumns.size());
  for (size_t i = 0; i < fColumns.size(); ++i) {
    const Column& c = fColumns[i];
    const uint8_t* p = raw.data() + c.offset;
    switch (c.type) {
      case pxAlpha: {
        const size_t len = strnlen(reinterpret_cast<const char*>(p), c.size);
        if (len > 0) record[i] = rtl::Cp1252ToUtf8({reinterpret_cast<const char*>(p), len});
        break;
      }
      case pxShort:
      case pxLong:
      case pxAutoInc:
        if (c.size == 2 || c.size == 4) record[i] = DecodeInt(p, c.size);
        break;
      case pxDate:
        if (c.size == 4) {
          const Value days = DecodeInt(p, 4);
          if (!IsNull(days))
            record[i] = static_cast<double>(std::get<int64_t>(days)) - kDaysBeforeDelphiEpoch;
        }
        break;
      case pxTime:
        if (c.size == 4) {
          const Value ms = DecodeInt(p, 4);
          if (!IsNull(ms)) record[i] = static_cast<double>(std::get<int64_t>(ms)) / kMsPerDay;
        }
        break;
      case pxNumber:
      case pxCurrency:
        if (c.size == 8) record[i] = DecodeDouble(p);
        break;
      case pxTimestamp:
        if (c.size == 8) {
          const Value ms = DecodeDouble(p);
          if (!IsNull(ms)) record[i] = std::get<double>(ms) / kMsPerDay - kDaysBeforeDelphiEpoch;
        }
        break;
      case pxLogical:
        if (*p == 0x80) record[i] = false;
        if (*p == 0x81) record[i] = true;
        break;
      default:
        break;
    }
  }
  return record;
}

std::vector<uint8_t> ParadoxFile::Encode(const Record& record) const {
  if (record.size() != fColumns.size()) throw EDatabaseError("Record does not match the table");
  std::vector<uint8_t> raw(fRecordSize, 0);
  for (size_t i = 0; i < fColumns.size(); ++i) {
    const Column& c = fColumns[i];
    const Value& v = record[i];
    if (IsNull(v)) continue;
    const std::string& name = fFields.Items(static_cast<int>(i)).Name;
    uint8_t* p = raw.data() + c.offset;
    switch (c.type) {
      case pxAlpha: {
        const auto* s = std::get_if<std::string>(&v);
        if (!s) throw EDatabaseError("Field '" + name + "' takes text");
        const std::string text = rtl::Utf8ToCp1252(*s);
        std::memcpy(p, text.data(), std::min<size_t>(text.size(), c.size));
        break;
      }
      case pxShort: {
        const int64_t x = IntegerOf(v, name);
        if (x < -32767 || x > 32767) throw EDatabaseError("Value out of range for field '" + name + "'");
        PutBE(p, 2, static_cast<uint16_t>(x) ^ 0x8000u);
        break;
      }
      case pxLong:
      case pxAutoInc:
      case pxDate:
      case pxTime: {
        int64_t x = 0;
        if (c.type == pxDate)
          x = static_cast<int64_t>(std::floor(NumberOf(v, name) + kDaysBeforeDelphiEpoch));
        else if (c.type == pxTime)
          x = std::llround(NumberOf(v, name) * kMsPerDay);
        else
          x = IntegerOf(v, name);
        if (x < -2147483647 || x > 2147483647)
          throw EDatabaseError("Value out of range for field '" + name + "'");
        PutBE(p, 4, static_cast<uint32_t>(x) ^ 0x80000000u);
        break;
      }
      case pxNumber:
      case pxCurrency:
      case pxTimestamp: {
        double d = NumberOf(v, name);
        if (c.type == pxTimestamp) d = std::round((d + kDaysBeforeDelphiEpoch) * kMsPerDay);
        if (!std::isfinite(d)) throw EDatabaseError("Field '" + name + "' takes a finite number");
        EncodeDouble(p, d);
        break;
      }
      case pxLogical:
        *p = NumberOf(v, name) != 0 ? 0x81 : 0x80;
        break;
      default:
        break;
    }
  }
  return raw;
}

void ParadoxFile::CheckWritable() const {
  if (fKeyFields != 0)
    throw EDatabaseError("Keyed Paradox tables cannot be written '" + fFile.FileName() + "'");
  if (!fFile.Writable()) throw EDatabaseError("Table is read only '" + fFile.FileName() + "'");
}

void ParadoxFile::WriteHeaderCounts() {
  uint8_t sig[sizeof fSignature];
  PutLE32(sig, fNumRecords);
  PutLE16(sig + (kNextBlock - kNumRecords), fFileBlocks);
  PutLE16(sig + (kFileBlocks - kNumRecords), fFileBlocks);
  PutLE16(sig + (kFirstBlock - kNumRecords), fFirstBlock);
  PutLE16(sig + (kLastBlock - kNumRecords), fLastBlock);
  fFile.WriteAt(kNumRecords, sig, sizeof sig);
  std::memcpy(fSignature, sig, sizeof sig);
}

void ParadoxFile::Append(Record& record) {
  CheckWritable();
  Refresh();
  uint8_t autoIncBytes[4];
  fFile.ReadExact(kAutoInc, autoIncBytes, sizeof autoIncBytes);
  uint32_t autoInc = GetLE32(autoIncBytes);
  bool autoIncChanged = false;
  for (size_t i = 0; i < fColumns.size(); ++i) {
    if (fColumns[i].type != pxAutoInc) continue;
    if (IsNull(record[i])) {
      record[i] = static_cast<int64_t>(++autoInc);
      autoIncChanged = true;
    } else if (const auto* v = std::get_if<int64_t>(&record[i]); v && *v > autoInc) {
      autoInc = static_cast<uint32_t>(*v);
      autoIncChanged = true;
    }
  }
  const std::vector<uint8_t> raw = Encode(record);

  // The writes go in an order that leaves a readable table wherever they stop: the record and
  // its block first, then the header's block count, then the link from the previous block, and
  // the header's record count last, which makes the record part of the table.
  const int perBlock = static_cast<int>((fBlockSize - 6) / fRecordSize);
  Block* last = fBlocks.empty() ? nullptr : &fBlocks.back();
  if (last && last->count < perBlock) {
    fFile.WriteAt(BlockOffset(last->number) + 6 + static_cast<uint64_t>(last->count) * fRecordSize,
                  raw.data(), raw.size());
    uint8_t lastOffset[2];
    PutLE16(lastOffset, static_cast<uint16_t>(last->count * static_cast<int>(fRecordSize)));
    fFile.WriteAt(BlockOffset(last->number) + 4, lastOffset, 2);
    ++last->count;
  } else {
    if (fFileBlocks == 0xFFFF) throw EDatabaseError("Table is full '" + fFile.FileName() + "'");
    const uint16_t number = static_cast<uint16_t>(fFileBlocks + 1);
    std::vector<uint8_t> block(fBlockSize, 0);
    PutLE16(block.data() + 2, last ? last->number : 0);
    PutLE16(block.data() + 4, 0);
    std::memcpy(block.data() + 6, raw.data(), raw.size());
    fFile.WriteAt(BlockOffset(number), block.data(), block.size());
    fFileBlocks = number;
    WriteHeaderCounts();
    if (last) {
      uint8_t next[2];
      PutLE16(next, number);
      fFile.WriteAt(BlockOffset(last->number), next, 2);
    } else {
      fFirstBlock = number;
    }
    fBlocks.push_back(Block{number, 1, fTotal});
    fLastBlock = number;
  }
  if (autoIncChanged) {
    PutLE32(autoIncBytes, autoInc);
    fFile.WriteAt(kAutoInc, autoIncBytes, sizeof autoIncBytes);
  }
  ++fTotal;
  ++fNumRecords;
  WriteHeaderCounts();
}

void ParadoxFile::Update(int index, const Record& record) {
  CheckWritable();
  const auto [block, slot] = Locate(index);
  const std::vector<uint8_t> raw = Encode(record);
  fFile.WriteAt(BlockOffset(block->number) + 6 + static_cast<uint64_t>(slot) * fRecordSize,
                raw.data(), raw.size());
}

void ParadoxFile::Delete(int index) {
  CheckWritable();
  const auto [block, slot] = Locate(index);
  // Records after it in its block move up one place; an emptied block stays in the chain.
  const uint64_t base = BlockOffset(block->number) + 6;
  const size_t tail = static_cast<size_t>(block->count - slot - 1) * fRecordSize;
  std::vector<uint8_t> rest(tail + fRecordSize, 0);
  fFile.ReadExact(base + static_cast<uint64_t>(slot + 1) * fRecordSize, rest.data(), tail);
  fFile.WriteAt(base + static_cast<uint64_t>(slot) * fRecordSize, rest.data(), rest.size());
  uint8_t lastOffset[2];
  PutLE16(lastOffset, static_cast<uint16_t>((block->count - 2) * static_cast<int>(fRecordSize)));
  fFile.WriteAt(base - 2, lastOffset, 2);
  if (fNumRecords > 0) --fNumRecords;
  WriteHeaderCounts();
  ReadBlockChain();
}

}  // namespace db
