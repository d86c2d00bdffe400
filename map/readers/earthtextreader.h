#pragma once
// Reads the lines of a text file in fixed-size blocks; any byte position can be sought, and the
// position at which each line began is kept.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "map/readers/earthmmstream.h"
#include "map/earthsysutils.h"

class TEarthTextReader : public TEarthRoot {
 public:
  explicit TEarthTextReader(const std::string& fileName);

  void SetTextBufferSize(int32_t size);
  int64_t GetSize() const;
  int64_t GetPosition() const { return position_; }
  void SetPosition(int64_t pos);
  // The next line without its line end (CR, LF or CR LF); an empty line with EOF set at the end.
  void ReadLn(std::string& line);
  bool Eof() const { return eof_; }
  int64_t LinePosition() const { return linePosition_; }

 private:
  // Loads block number `block` into the buffer; returns the bytes read.
  int32_t LoadBlock(int64_t block);

  std::unique_ptr<TMemoryMapStream> stream_;
  int32_t blockSize_ = 0;
  std::vector<char> buffer_;
  int32_t bufferCount_ = 0;
  int32_t offset_ = 0;
  int64_t block_ = -1;  // block in the buffer, -1 for none
  int64_t position_ = 0;
  int64_t linePosition_ = 0;
  bool eof_ = false;
};
