#pragma once
// Read-only, record-by-record reader of dBase III tables (the tables beside shapefiles).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

class EDBFException : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

class TEarthDBFReader : public rtl::TObject {
 public:
  explicit TEarthDBFReader(const std::string& fileName);

  // Before the first record.
  bool First();
  // The next record that is not deleted; false at the end.
  bool Next();
  // Record recNo (1-based), deleted or not; false (and an empty record) past the end.
  bool SetID(int32_t recNo);

  int32_t FieldCount() const { return static_cast<int32_t>(fields_.size()); }
  int32_t RecordCount() const { return recordCount_; }
  std::string GetFieldName(int32_t i) const;
  char GetFieldType(int32_t i) const;
  uint8_t GetFieldLength(int32_t i) const;
  // The field's text of the current record, trimmed, in UTF-8.
  std::string GetString(int32_t i) const;

 private:
  struct Field {
    std::string name;  // as stored (8-bit)
    char type = 0;
    uint8_t length = 0;
    int32_t offset = 0;  // in the record, after the flag byte
  };

  bool ReadRecord();

  std::unique_ptr<rtl::TStream> stream_;
  int32_t headerLength_ = 0;
  int32_t recordLength_ = 0;
  int32_t recordCount_ = 0;
  int32_t current_ = 0;  // records read so far, from the start of the table
  std::vector<uint8_t> record_;
  std::vector<Field> fields_;
};
