// dBase III tables: header, field descriptors and records.
#include "map/readers/earthdbfreader.h"

#include <algorithm>

#include "map/earthsysutils.h"
#include "platform/rtl/bufferedstream.h"
#include "platform/rtl/sysutils.h"

namespace {

constexpr const char* kVersionError = "Unsupported DBase III version in Stream";

}  // namespace

TEarthDBFReader::TEarthDBFReader(const std::string& fileName)
    : stream_(std::make_unique<rtl::TBufferedStream>(
          std::make_unique<rtl::TFileStream>(fileName, rtl::fmOpenRead | rtl::fmShareDenyNone))) {
  uint8_t header[32] = {};
  if (stream_->Read(header, 1) != 1 || (header[0] != 3 && header[0] != 0x83)) {
    throw EDBFException(kVersionError);
  }
  if (stream_->Read(header + 1, 31) != 31) throw EDBFException("DBase III header is truncated");
  const uint32_t records = GetLE32(header + 4);
  headerLength_ = GetLE16(header + 8);
  recordLength_ = GetLE16(header + 10);
  if (headerLength_ < 32 || recordLength_ < 1 || records > 0x7FFFFFFF) {
    throw EDBFException("DBase III header is invalid");
  }
  recordCount_ = static_cast<int32_t>(records);
  record_.assign(static_cast<size_t>(recordLength_), 0);

  std::vector<uint8_t> descriptors(static_cast<size_t>(headerLength_ - 32));
  const int64_t got = stream_->Read(descriptors.data(), static_cast<int64_t>(descriptors.size()));
  descriptors.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
  // Whole descriptors only, up to the terminator: a table may have no fields at all.
  int32_t offset = 1;
  for (size_t at = 0; at + 32 <= descriptors.size(); at += 32) {
    const uint8_t* d = descriptors.data() + at;
    if (d[0] == 0x0D || d[0] == 0) break;
    Field f;
    f.name.assign(reinterpret_cast<const char*>(d), std::find(d, d + 11, 0) - d);
    f.type = static_cast<char>(d[11]);
    f.length = d[16];
    f.offset = offset;
    if (offset + f.length > recordLength_) {
      throw EDBFException("DBase III field " + rtl::Cp1252ToUtf8(f.name) +
                          " reaches past the record");
    }
    offset += f.length;
    fields_.push_back(std::move(f));
  }
  First();
}

bool TEarthDBFReader::First() {
  if (!stream_) return false;
  stream_->Seek(headerLength_, rtl::soBeginning);
  std::fill(record_.begin(), record_.end(), 0);
  current_ = 0;
  return true;
}

bool TEarthDBFReader::ReadRecord() {
  // The header's count, not the file's end, ends the table: an end-of-file marker byte after
  // the last record is no record.
  if (current_ >= recordCount_) {
    std::fill(record_.begin(), record_.end(), 0);
    return false;
  }
  ++current_;
  const int64_t got = stream_->Read(record_.data(), recordLength_);
  if (got != recordLength_) {
    std::fill(record_.begin(), record_.end(), 0);
    return false;
  }
  return true;
}

bool TEarthDBFReader::Next() {
  for (;;) {
    if (!ReadRecord()) return false;
    if (record_[0] != '*') return true;
  }
}

bool TEarthDBFReader::SetID(int32_t recNo) {
  if (recNo <= 0) return false;
  current_ = recNo - 1;
  stream_->Seek(headerLength_ + static_cast<int64_t>(recordLength_) * (recNo - 1),
                rtl::soBeginning);
  return ReadRecord();
}

std::string TEarthDBFReader::GetFieldName(int32_t i) const {
  if (i < 0 || i >= FieldCount()) return {};
  return rtl::Cp1252ToUtf8(fields_[static_cast<size_t>(i)].name);
}

char TEarthDBFReader::GetFieldType(int32_t i) const {
  if (i < 0 || i >= FieldCount()) return 0;
  return fields_[static_cast<size_t>(i)].type;
}

uint8_t TEarthDBFReader::GetFieldLength(int32_t i) const {
  if (i < 0 || i >= FieldCount()) return 0;
  return fields_[static_cast<size_t>(i)].length;
}

std::string TEarthDBFReader::GetString(int32_t i) const {
  if (i < 0 || i >= FieldCount()) return {};
  const Field& f = fields_[static_cast<size_t>(i)];
  const auto* begin = reinterpret_cast<const char*>(record_.data()) + f.offset;
  const auto* end = std::find(begin, begin + f.length, '\0');
  return rtl::Cp1252ToUtf8(rtl::Trim(std::string_view(begin, static_cast<size_t>(end - begin))));
}
