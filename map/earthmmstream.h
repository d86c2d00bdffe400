#pragma once
// A whole file mapped into memory read-only and presented as a memory stream.
#include <string>

#include "platform/rtl/streams.h"

class TMemoryMapStream : public rtl::TCustomMemoryStream {
 public:
  explicit TMemoryMapStream(const std::string& fileName);
  ~TMemoryMapStream() override;
  TMemoryMapStream(const TMemoryMapStream&) = delete;
  TMemoryMapStream& operator=(const TMemoryMapStream&) = delete;

  // The mapping is read-only and of fixed size.
  void SetSize(int64_t newSize) override;
  int64_t Write(const void* buffer, int64_t count) override;

 private:
  int fileHandle_ = -1;
  void* view_ = nullptr;
  size_t viewSize_ = 0;
};
