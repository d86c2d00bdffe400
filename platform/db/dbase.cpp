#include "platform/db/dbase.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

#include "platform/db/dberrors.h"
#include "platform/rtl/sysutils.h"

namespace db {

namespace {

constexpr uint32_t kMaxRecordLength = 65535;
constexpr uint32_t kMaxFields = 255;
constexpr double kDelphiEpochDays = -25569.0;  // 1899-12-30 in days since 1970-01-01

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

// A blank field is null; false when the text is not a number at all.
bool ParseNumber(std::string_view text, bool integral, Value& out) {
  out = Value{};
  text = TrimSpaces(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return true;
  if (integral) {
    int64_t i = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), i);
    if (ec == std::errc() && p == text.data() + text.size()) {
      out = i;
      return true;
    }
  }
  double d = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (ec != std::errc() || p != text.data() + text.size() || !std::isfinite(d)) return false;
  out = d;
  return true;
}

Value ParseDate(std::string_view text) {
  text = TrimSpaces(text);
  if (text.size() != 8) return {};
  int v[3] = {};
  const int lengths[3] = {4, 2, 2};
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    auto [p, ec] = std::from_chars(text.data() + at, text.data() + at + lengths[i], v[i]);
    if (ec != std::errc() || p != text.data() + at + lengths[i]) return {};
    at += static_cast<size_t>(lengths[i]);
  }
  const std::chrono::year_month_day ymd{std::chrono::year{v[0]},
                                        std::chrono::month{static_cast<unsigned>(v[1])},
                                        std::chrono::day{static_cast<unsigned>(v[2])}};
  if (!ymd.ok()) return {};
  return static_cast<double>(std::chrono::sys_days{ymd}.time_since_epoch().count()) -
         kDelphiEpochDays;
}

std::string FormatDate(double dateTime) {
  const auto days = static_cast<int64_t>(std::floor(dateTime + kDelphiEpochDays));
  if (days < -800000 || days > 2900000) throw EDatabaseError("Date out of range");
  const std::chrono::year_month_day ymd{std::chrono::sys_days{std::chrono::days{days}}};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return buf;
}

double AsDouble(const Value& v) {
  if (auto* d = std::get_if<double>(&v)) return *d;
  if (auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  throw EDatabaseError("Value is not a number");
}

TFieldType TypeOfColumn(char type, uint32_t length, uint32_t decimals) {
  switch (type) {
    case 'C':
      return ftString;
    case 'N':
      if (decimals == 0 && length <= 6) return ftSmallint;
      if (decimals == 0 && length <= 11) return ftInteger;
      return ftFloat;
    case 'F':
      return ftFloat;
    case 'D':
      return ftDate;
    case 'L':
      return ftBoolean;
    case 'M':
      return ftMemo;
    default:
      return ftUnknown;
  }
}

void WriteToday(uint8_t* header) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  header[1] = static_cast<uint8_t>(tm.tm_year);
  header[2] = static_cast<uint8_t>(tm.tm_mon + 1);
  header[3] = static_cast<uint8_t>(tm.tm_mday);
}

}  // namespace

DbfFile::DbfFile(const std::string& fileName) : fFile(fileName, RawFile::ReadWrite) {
  uint8_t head[32];
  fFile.ReadExact(0, head, sizeof head);
  const uint8_t version = head[0] & 0x07;
  if (version != 3 && version != 4 && version != 5)
    throw EDatabaseError("Not a dBase table '" + fileName + "'");
  fHeaderLength = GetLE16(head + 8);
  fRecordLength = GetLE16(head + 10);
  if (fHeaderLength < 33 || fRecordLength < 1 || fRecordLength > kMaxRecordLength)
    throw EDatabaseError("Corrupt dBase header '" + fileName + "'");
  std::vector<uint8_t> descriptors(fHeaderLength - 32);
  fFile.ReadExact(32, descriptors.data(), descriptors.size());
  uint32_t offset = 0;
  for (size_t at = 0; at + 32 <= descriptors.size() && descriptors[at] != 0x0D; at += 32) {
    const uint8_t* d = descriptors.data() + at;
    Column c{static_cast<char>(d[11]), offset, d[16], d[17]};
    if (c.type == 'C') c.length |= static_cast<uint32_t>(d[17]) << 8, c.decimals = 0;
    if (c.length == 0 || offset + c.length + 1 > fRecordLength || fColumns.size() >= kMaxFields)
      throw EDatabaseError("Corrupt dBase field list '" + fileName + "'");
    const char* name = reinterpret_cast<const char*>(d);
    TFieldDef def;
    def.Name = rtl::Cp1252ToUtf8(std::string_view(name, strnlen(name, 11)));
    def.DataType = TypeOfColumn(c.type, c.length, c.decimals);
    def.Size = def.DataType == ftString ? static_cast<int>(c.length) : 0;
    if (def.Name.empty() || fFields.IndexOf(def.Name) >= 0)
      throw EDatabaseError("Corrupt dBase field list '" + fileName + "'");
    fFields.Add(def.Name, def.DataType, def.Size);
    fColumns.push_back(c);
    offset += c.length;
  }
  if (fColumns.empty()) throw EDatabaseError("dBase table without fields '" + fileName + "'");
}

void DbfFile::Create(const std::string& fileName, const TFieldDefs& fields) {
  if (fields.Count() > static_cast<int>(kMaxFields)) throw EDatabaseError("Too many fields");
  std::vector<uint8_t> header(32 + 32 * static_cast<size_t>(fields.Count()) + 1, 0);
  uint32_t recordLength = 1;
  size_t at = 32;
  for (const auto& f : fields) {
    std::string name = rtl::Utf8ToCp1252(f.Name);
    if (name.size() > 10) throw EDatabaseError("Field name too long for dBase: '" + f.Name + "'");
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch; });
    char type = 'N';
    uint32_t length = 0, decimals = 0;
    switch (f.DataType) {
      case ftString:
        type = 'C', length = static_cast<uint32_t>(f.Size);
        if (length < 1 || length > 254) throw EDatabaseError("Bad size of field '" + f.Name + "'");
        break;
      case ftSmallint:
      case ftWord:
        length = 6;
        break;
      case ftInteger:
      case ftAutoInc:
        length = 11;
        break;
      case ftFloat:
      case ftCurrency:
        length = 20, decimals = 6;
        break;
      case ftDate:
      case ftDateTime:
        type = 'D', length = 8;
        break;
      case ftBoolean:
        type = 'L', length = 1;
        break;
      default:
        throw EDatabaseError("Field type not supported in dBase tables: '" + f.Name + "'");
    }
    uint8_t* d = header.data() + at;
    std::memcpy(d, name.data(), name.size());
    d[11] = static_cast<uint8_t>(type);
    d[16] = static_cast<uint8_t>(length);
    d[17] = static_cast<uint8_t>(decimals);
    recordLength += length;
    at += 32;
  }
  header[0] = 0x03;
  WriteToday(header.data());
  PutLE16(header.data() + 8, static_cast<uint16_t>(header.size()));
  PutLE16(header.data() + 10, static_cast<uint16_t>(recordLength));
  header[at] = 0x0D;
  header.push_back(0x1A);
  RawFile file(fileName, RawFile::CreateNew);
  file.WriteAt(0, header.data(), header.size());
  file.Sync();
}

uint32_t DbfFile::HeaderCount() const {
  uint8_t count[4];
  fFile.ReadExact(4, count, sizeof count);
  const uint64_t size = fFile.Size();
  const uint64_t fits = size > fHeaderLength ? (size - fHeaderLength) / fRecordLength : 0;
  // A file cut short holds fewer records than its header claims.
  return static_cast<uint32_t>(std::min<uint64_t>(GetLE32(count), fits));
}

void DbfFile::ScanRecords(uint32_t from) {
  const uint32_t count = HeaderCount();
  if (from == 0) fLive.clear();
  if (from >= count) {
    fScanned = count;
    return;
  }
  // Read the records in chunks and look only at their deletion flags.
  const uint32_t perChunk = std::max<uint32_t>(1, (1u << 16) / fRecordLength);
  std::vector<uint8_t> chunk;
  for (uint32_t r = from; r < count; r += perChunk) {
    const uint32_t n = std::min(perChunk, count - r);
    chunk.resize(static_cast<size_t>(n) * fRecordLength);
    fFile.ReadExact(fHeaderLength + static_cast<uint64_t>(r) * fRecordLength, chunk.data(),
                    chunk.size());
    for (uint32_t k = 0; k < n; ++k)
      if (chunk[static_cast<size_t>(k) * fRecordLength] != '*') fLive.push_back(r + k);
  }
  fScanned = count;
}

int DbfFile::RecordCount() {
  ScanRecords(fScanned);
  return static_cast<int>(fLive.size());
}

uint32_t DbfFile::PhysicalOf(int index) {
  if (index < 0) throw EDatabaseError("Record index out of range");
  if (static_cast<size_t>(index) >= fLive.size()) ScanRecords(fScanned);
  if (static_cast<size_t>(index) >= fLive.size()) throw EDatabaseError("Record index out of range");
  return fLive[static_cast<size_t>(index)];
}

Record DbfFile::Read(int index) {
  const uint32_t phys = PhysicalOf(index);
  std::vector<uint8_t> raw(fRecordLength);
  fFile.ReadExact(fHeaderLength + static_cast<uint64_t>(phys) * fRecordLength, raw.data(),
                  raw.size());
  Record record(fColumns.size());
  for (size_t i = 0; i < fColumns.size(); ++i) {
    const Column& c = fColumns[i];
    const std::string_view text(reinterpret_cast<const char*>(raw.data()) + 1 + c.offset, c.length);
    switch (fFields.Items(static_cast<int>(i)).DataType) {
      case ftString: {
        std::string_view s = text;
        while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
        if (!s.empty()) record[i] = rtl::Cp1252ToUtf8(s);
        break;
      }
      case ftSmallint:
      case ftInteger:
      case ftFloat: {
        // Read as nothing, a number that cannot be read would pass for a blank field: the record
        // is damaged, and the table says where.
        if (!ParseNumber(text, fFields.Items(static_cast<int>(i)).DataType != ftFloat, record[i]))
          throw EDatabaseError(rtl::Format("Record %d of '%s': field %s holds no readable number "
                                           "(\"%s\")",
                                           static_cast<int>(phys) + 1, fFile.FileName(),
                                           fFields.Items(static_cast<int>(i)).Name,
                                           std::string(TrimSpaces(text))));
        break;
      }
      case ftDate:
        record[i] = ParseDate(text);
        break;
      case ftBoolean: {
        const char ch = text[0];
        if (std::strchr("TtYy", ch) && ch) record[i] = true;
        if (std::strchr("FfNn", ch) && ch) record[i] = false;
        break;
      }
      default:
        break;
    }
  }
  return record;
}

std::vector<uint8_t> DbfFile::Encode(const Record& record) const {
  if (record.size() != fColumns.size()) throw EDatabaseError("Record does not match the table");
  std::vector<uint8_t> raw(fRecordLength, ' ');
  for (size_t i = 0; i < fColumns.size(); ++i) {
    const Column& c = fColumns[i];
    const Value& v = record[i];
    if (IsNull(v)) continue;
    const std::string& name = fFields.Items(static_cast<int>(i)).Name;
    std::string text;
    switch (c.type) {
      case 'C': {
        if (auto* s = std::get_if<std::string>(&v))
          text = rtl::Utf8ToCp1252(*s);
        else
          throw EDatabaseError("Field '" + name + "' takes text");
        if (text.size() > c.length) text.resize(c.length);
        std::memcpy(raw.data() + 1 + c.offset, text.data(), text.size());
        continue;
      }
      case 'N':
      case 'F': {
        char buf[64];
        const double d = AsDouble(v);
        if (!std::isfinite(d)) throw EDatabaseError("Field '" + name + "' takes a finite number");
        std::to_chars_result r;
        if (const auto* n = std::get_if<int64_t>(&v); n && c.decimals == 0)
          r = std::to_chars(buf, buf + sizeof buf, *n);
        else if (std::fabs(d) < 1e30)
          r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed,
                            static_cast<int>(c.decimals));
        else
          r = {buf + sizeof buf, std::errc::value_too_large};
        if (r.ec != std::errc() || static_cast<uint32_t>(r.ptr - buf) > c.length)
          throw EDatabaseError("Value too large for field '" + name + "'");
        text.assign(buf, r.ptr);
        break;
      }
      case 'D':
        text = FormatDate(AsDouble(v));
        break;
      case 'L':
        text = AsDouble(v) != 0 ? "T" : "F";
        break;
      default:
        continue;
    }
    // Numbers and dates stand right-aligned in their columns.
    std::memcpy(raw.data() + 1 + c.offset + (c.length - text.size()), text.data(), text.size());
  }
  return raw;
}

void DbfFile::WriteHeaderCount(uint32_t count) {
  uint8_t head[8];
  fFile.ReadExact(0, head, sizeof head);
  WriteToday(head);
  PutLE32(head + 4, count);
  fFile.WriteAt(0, head, sizeof head);
}

void DbfFile::Append(Record& record) {
  std::vector<uint8_t> raw = Encode(record);
  ScanRecords(fScanned);
  const uint32_t phys = fScanned;
  raw.push_back(0x1A);  // end-of-file mark after the last record
  fFile.WriteAt(fHeaderLength + static_cast<uint64_t>(phys) * fRecordLength, raw.data(),
                raw.size());
  WriteHeaderCount(phys + 1);
  fLive.push_back(phys);
  fScanned = phys + 1;
}

void DbfFile::Update(int index, const Record& record) {
  const uint32_t phys = PhysicalOf(index);
  const std::vector<uint8_t> raw = Encode(record);
  fFile.WriteAt(fHeaderLength + static_cast<uint64_t>(phys) * fRecordLength, raw.data(),
                raw.size());
  WriteHeaderCount(HeaderCount());
}

void DbfFile::Delete(int index) {
  const uint32_t phys = PhysicalOf(index);
  const uint8_t flag = '*';
  fFile.WriteAt(fHeaderLength + static_cast<uint64_t>(phys) * fRecordLength, &flag, 1);
  fLive.erase(fLive.begin() + index);
  WriteHeaderCount(HeaderCount());
}

}  // namespace db
