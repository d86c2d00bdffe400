// Block-wise line reader over a mapped file.
#include "map/readers/earthtextreader.h"

#include <algorithm>

TEarthTextReader::TEarthTextReader(const std::string& fileName)
    : stream_(std::make_unique<TMemoryMapStream>(fileName)) {
  SetTextBufferSize(4096);
}

void TEarthTextReader::SetTextBufferSize(int32_t size) {
  if (size < 1) throw EEarthException("TEarthTextReader: Invalid buffer size");
  blockSize_ = size;
  buffer_.assign(static_cast<size_t>(size) + 1, 0);
  bufferCount_ = 0;
  block_ = -1;
  eof_ = false;
  SetPosition(0);
}

int64_t TEarthTextReader::GetSize() const {
  return stream_->Size();
}

int32_t TEarthTextReader::LoadBlock(int64_t block) {
  stream_->Seek(block * blockSize_, rtl::soBeginning);
  const int64_t got = stream_->Read(buffer_.data(), blockSize_);
  bufferCount_ = static_cast<int32_t>(std::max<int64_t>(got, 0));
  buffer_[static_cast<size_t>(bufferCount_)] = 0;
  block_ = block;
  offset_ = 0;
  return bufferCount_;
}

void TEarthTextReader::SetPosition(int64_t pos) {
  pos = std::max<int64_t>(pos, 0);
  const int64_t block = pos / blockSize_;
  if (block != block_) LoadBlock(block);
  offset_ = static_cast<int32_t>(pos % blockSize_);
  eof_ = bufferCount_ < offset_;
  position_ = pos;
}

void TEarthTextReader::ReadLn(std::string& line) {
  line.clear();
  linePosition_ = position_;
  if (eof_) return;
  for (;;) {
    // Scan by byte count: a NUL byte is an ordinary character.
    const char* data = buffer_.data();
    const int32_t start = offset_;
    while (offset_ < bufferCount_ && data[offset_] != '\n' && data[offset_] != '\r') ++offset_;
    line.append(data + start, static_cast<size_t>(offset_ - start));
    position_ += offset_ - start;
    if (offset_ >= bufferCount_) {
      if (LoadBlock(block_ + 1) == 0) {
        eof_ = true;
        return;
      }
      continue;
    }
    const char end = data[offset_];
    ++offset_;
    ++position_;
    if (end == '\r') {
      // A CR LF pair is one line end, also when it straddles two blocks.
      if (offset_ >= bufferCount_) LoadBlock(block_ + 1);
      if (offset_ < bufferCount_ && buffer_[static_cast<size_t>(offset_)] == '\n') {
        ++offset_;
        ++position_;
      }
    }
    return;
  }
}
