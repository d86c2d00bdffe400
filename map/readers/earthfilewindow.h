#pragma once
// A file read through a window of its bytes: what is asked for is read (pread) when it is not in
// the window already, so going through a large file in order costs few reads and little memory.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/streams.h"

// The file is read rather than mapped: a mapping dies with a bus error as soon as another
// program shortens the file, while a read that comes short is reported as damage.
class TFileWindow : public rtl::TStream {
 public:
  // Raises EEarthException when the file cannot be opened or is not a regular file.
  explicit TFileWindow(const std::string& fileName);
  ~TFileWindow() override;
  TFileWindow(const TFileWindow&) = delete;
  TFileWindow& operator=(const TFileWindow&) = delete;

  // The size the file had when it was opened.
  int64_t Size() override { return size_; }
  // count bytes from position, valid until the next call; raises EEarthException when they lie
  // beyond the size or the file no longer holds them.
  const uint8_t* Bytes(int64_t position, int64_t count);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, rtl::TSeekOrigin origin) override;
  // The content is read-only and of fixed size.
  void SetSize(int64_t newSize) override;
  int64_t Write(const void* buffer, int64_t count) override;

 private:
  std::string fileName_;
  int fd_ = -1;
  int64_t size_ = 0;
  int64_t position_ = 0;  // of the stream
  std::unique_ptr<uint8_t[]> buffer_;
  int64_t capacity_ = 0;
  int64_t start_ = 0;   // file position of the window's first byte
  int64_t filled_ = 0;  // bytes in the window
};
