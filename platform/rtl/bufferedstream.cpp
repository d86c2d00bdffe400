#include "platform/rtl/bufferedstream.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/exceptions.h"

namespace rtl {

TBufferedStream::TBufferedStream(std::unique_ptr<TStream> Inner, int64_t BufferSize)
    : inner_(std::move(Inner)), buffer_(static_cast<size_t>(std::max<int64_t>(BufferSize, 16))) {
  start_ = inner_->Position();
}

TBufferedStream::~TBufferedStream() {
  try {
    FlushBuffer();
  } catch (const std::exception&) {
    // Nothing to tell it to here; writers that care flush first.
  }
}

void TBufferedStream::FlushBuffer() {
  if (!writing_) return;
  const int64_t n = filled_;
  writing_ = false;
  filled_ = at_ = 0;
  const int64_t written = inner_->Write(buffer_.data(), n);
  start_ += std::max<int64_t>(written, 0);
  if (written != n) throw EWriteError("Stream write error");
}

void TBufferedStream::DropReadAhead() {
  if (writing_) return;
  if (filled_ > 0) {
    start_ += at_;
    inner_->Seek(start_, soBeginning);
  }
  filled_ = at_ = 0;
}

int64_t TBufferedStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  FlushBuffer();
  auto* out = static_cast<uint8_t*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    if (at_ == filled_) {
      // Empty: big reads go straight through, small ones refill the buffer.
      start_ += filled_;
      filled_ = at_ = 0;
      const auto size = static_cast<int64_t>(buffer_.size());
      if (Count - done >= size) {
        const int64_t n = inner_->Read(out + done, Count - done);
        if (n > 0) {
          done += n;
          start_ += n;
        }
        break;
      }
      const int64_t n = inner_->Read(buffer_.data(), size);
      if (n <= 0) break;
      filled_ = n;
    }
    const int64_t n = std::min(Count - done, filled_ - at_);
    std::memcpy(out + done, buffer_.data() + at_, static_cast<size_t>(n));
    at_ += n;
    done += n;
  }
  return done;
}

int64_t TBufferedStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  DropReadAhead();
  writing_ = true;
  const auto size = static_cast<int64_t>(buffer_.size());
  if (filled_ + Count > size) {
    FlushBuffer();
    if (Count >= size) {
      const int64_t n = inner_->Write(Buffer, Count);
      start_ += std::max<int64_t>(n, 0);
      return n;
    }
    writing_ = true;
  }
  std::memcpy(buffer_.data() + filled_, Buffer, static_cast<size_t>(Count));
  filled_ += Count;
  at_ = filled_;
  return Count;
}

int64_t TBufferedStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int64_t here = start_ + at_;
  if (Origin == soCurrent && Offset == 0) return here;
  if (Origin != soEnd) {
    const int64_t target = Origin == soBeginning ? Offset : here + Offset;
    // Within what was read ahead: no system call.
    if (!writing_ && target >= start_ && target <= start_ + filled_) {
      at_ = target - start_;
      return target;
    }
  }
  FlushBuffer();
  filled_ = at_ = 0;
  inner_->Seek(here, soBeginning);
  start_ = inner_->Seek(Offset, Origin);
  return start_;
}

int64_t TBufferedStream::Size() {
  FlushBuffer();
  return inner_->Size();
}

void TBufferedStream::SetSize(int64_t NewSize) {
  FlushBuffer();
  DropReadAhead();
  inner_->SetSize(NewSize);
  start_ = inner_->Position();
}

}  // namespace rtl
