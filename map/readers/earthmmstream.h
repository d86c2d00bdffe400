#pragma once
// A whole file presented as a read-only memory stream.
#include <cstddef>
#include <memory>
#include <string>

#include "platform/rtl/streams.h"

// The file is read into memory when the stream is made rather than mapped: a mapping dies with
// a bus error as soon as another program shortens the file, while a copy keeps the content
// the file had when it was opened.
class TMemoryMapStream : public rtl::TCustomMemoryStream {
 public:
  explicit TMemoryMapStream(const std::string& fileName);
  ~TMemoryMapStream() override;
  TMemoryMapStream(const TMemoryMapStream&) = delete;
  TMemoryMapStream& operator=(const TMemoryMapStream&) = delete;

  // The content is read-only and of fixed size.
  void SetSize(int64_t newSize) override;
  int64_t Write(const void* buffer, int64_t count) override;

 private:
  std::unique_ptr<std::byte[]> view_;
};
