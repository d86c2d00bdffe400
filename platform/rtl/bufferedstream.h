#pragma once
// A stream that reads and writes another one through a buffer: readers that take a few bytes a
// call (a field at a time) make one system call per buffer instead of one per field.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/streams.h"

namespace rtl {

class TBufferedStream : public TStream {
 public:
  explicit TBufferedStream(std::unique_ptr<TStream> Inner, int64_t BufferSize = 1 << 16);
  // Writes what is left in the buffer; a failure there is lost, so writers call FlushBuffer.
  ~TBufferedStream() override;
  TBufferedStream(const TBufferedStream&) = delete;
  TBufferedStream& operator=(const TBufferedStream&) = delete;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override;
  void SetSize(int64_t NewSize) override;

  // Hands the bytes written so far to the inner stream; EWriteError when it takes fewer.
  void FlushBuffer();
  TStream& Inner() { return *inner_; }

 private:
  // Drops read-ahead, putting the inner stream back at the logical position.
  void DropReadAhead();

  std::unique_ptr<TStream> inner_;
  std::vector<uint8_t> buffer_;
  int64_t start_ = 0;     // the inner stream's position of buffer_[0]
  int64_t filled_ = 0;    // bytes of buffer_ read ahead (reading) or written (writing)
  int64_t at_ = 0;        // the logical position within buffer_
  bool writing_ = false;  // buffer_ holds bytes still to be written
};

}  // namespace rtl
