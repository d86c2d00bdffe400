#pragma once
// Paradox tables (.db, .lg): header, field list and the chain of data blocks, read and written by
// our own code (pxlib's writer keeps the current block in memory, which a write-through table
// cannot have). Appends, changes and deletions reach the file at once, header included.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/rawfile.h"
#include "platform/db/tablefile.h"

namespace db {

class ParadoxFile : public TableFile {
 public:
  explicit ParadoxFile(const std::string& fileName);
  static void Create(const std::string& fileName, const TFieldDefs& fields);

  bool Writable() const override { return fFile.Writable() && fKeyFields == 0; }
  int RecordCount() override;
  void Resync() override;
  Record Read(int index) override;
  void Append(Record& record) override;
  void Update(int index, const Record& record) override;
  void Delete(int index) override;
  void Flush() override { fFile.Sync(); }

 private:
  struct Column {
    uint8_t type;
    uint32_t offset;
    uint32_t size;
  };
  struct Block {
    uint16_t number;
    int count;
    int first;  // index of its first record among all records
  };
  void Refresh();        // rebuilds the block list when the header changed
  void ReadBlockChain();
  void CheckWritable() const;
  uint64_t BlockOffset(uint16_t number) const;
  // Block and slot of a record index.
  std::pair<const Block*, int> Locate(int index);
  std::vector<uint8_t> Encode(const Record& record) const;
  void WriteHeaderCounts();

  RawFile fFile;
  uint32_t fRecordSize = 0;
  uint32_t fHeaderSize = 0;
  uint32_t fBlockSize = 0;
  uint32_t fKeyFields = 0;
  std::vector<Column> fColumns;
  uint8_t fSignature[12] = {};  // header bytes 0x06..0x11 when the block list was read
  // Header values as last read or written.
  uint32_t fNumRecords = 0;
  uint16_t fFileBlocks = 0;
  uint16_t fFirstBlock = 0;
  uint16_t fLastBlock = 0;
  std::vector<Block> fBlocks;
  int fTotal = 0;
};

}  // namespace db
