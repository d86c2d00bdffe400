#pragma once
// dBase III tables (.dbf): our own reader and writer. Deleted records are skipped; every append,
// change and deletion is written through, the header's record count and date included.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/rawfile.h"
#include "platform/db/tablefile.h"

namespace db {

class DbfFile : public TableFile {
 public:
  explicit DbfFile(const std::string& fileName);
  static void Create(const std::string& fileName, const TFieldDefs& fields);

  bool Writable() const override { return fFile.Writable(); }
  int RecordCount() override;
  void Resync() override { ScanRecords(0); }
  Record Read(int index) override;
  void Append(Record& record) override;
  void Update(int index, const Record& record) override;
  void Delete(int index) override;
  void Flush() override { fFile.Sync(); }

 private:
  struct Column {
    char type;
    uint32_t offset;  // within the record, after the deletion flag
    uint32_t length;
    uint32_t decimals;
  };
  void ScanRecords(uint32_t from);  // adds live records from physical record `from` on
  uint32_t HeaderCount() const;
  uint32_t PhysicalOf(int index);
  std::vector<uint8_t> Encode(const Record& record) const;
  void WriteHeaderCount(uint32_t count);

  RawFile fFile;
  uint32_t fHeaderLength = 0;
  uint32_t fRecordLength = 0;
  std::vector<Column> fColumns;
  uint32_t fScanned = 0;          // physical records looked at so far
  std::vector<uint32_t> fLive;  // physical numbers of the live records
};

}  // namespace db
