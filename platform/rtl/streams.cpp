#include "platform/rtl/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

namespace rtl {

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count > 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count > 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) {}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  std::vector<uint8_t> buf(static_cast<size_t>(std::min<int64_t>(Count, 1 << 16)));
  int64_t left = Count;
  while (left > 0) {
    const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(buf.size()));
    Source->ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= n;
  }
  return Count;
}

// --- files ---

TFileStream::TFileStream(const std::string& FileName, unsigned Mode) : fileName_(FileName) {
  int flags = O_CLOEXEC;
  if (Mode == fmCreate || (Mode & 0xFF00) == fmCreate) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (Mode & 3) {
      case fmOpenWrite:
        flags |= O_WRONLY;
        break;
      case fmOpenReadWrite:
        flags |= O_RDWR;
        break;
      default:
        flags |= O_RDONLY;
    }
  }
  do {
    fd_ = ::open(FileName.c_str(), flags, 0666);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) {
    const int err = errno;
    throw EFOpenError(Format("Cannot %s file \"%s\". %s", (flags & O_CREAT) ? "create" : "open",
                             FileName, std::strerror(err)));
  }
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw EFOpenError(Format("Cannot open file \"%s\". %s", FileName, std::strerror(EISDIR)));
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
  int64_t done = 0;
  auto* p = static_cast<uint8_t*>(Buffer);
  while (done < Count) {
    const ssize_t n = ::read(fd_, p + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
  int64_t done = 0;
  const auto* p = static_cast<const uint8_t*>(Buffer);
  while (done < Count) {
    const ssize_t n = ::write(fd_, p + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == soBeginning ? SEEK_SET : (Origin == soCurrent ? SEEK_CUR : SEEK_END);
  const off_t r = ::lseek(fd_, Offset, whence);
  if (r < 0)
    throw EStreamError(Format("Seek error on \"%s\". %s", fileName_, std::strerror(errno)));
  return r;
}

void TFileStream::SetSize(int64_t NewSize) {
  if (::ftruncate(fd_, NewSize) != 0) {
    throw EStreamError(Format("Cannot resize \"%s\". %s", fileName_, std::strerror(errno)));
  }
  if (Position() > NewSize) SetPosition(NewSize);
}

bool TFileStream::Flush() {
  return ::fsync(fd_) == 0;
}

// --- memory ---

int64_t TCustomMemoryStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || position_ >= size_) return 0;
  const int64_t n = std::min(Count, size_ - position_);
  std::memcpy(Buffer, static_cast<const uint8_t*>(memory_) + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int64_t base = Origin == soBeginning ? 0 : (Origin == soCurrent ? position_ : size_);
  const int64_t pos = base + Offset;
  if (pos < 0) throw EStreamError("Invalid stream position");
  position_ = pos;  // beyond the end is allowed; a write there fills the gap with zeros
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) const {
  Stream->WriteBuffer(memory_, size_);
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName) const {
  WriteFileAtomic(FileName, std::string_view(static_cast<const char*>(memory_),
                                             static_cast<size_t>(size_)));
}

void TCustomMemoryStream::SetPointer(const void* Ptr, int64_t Size) {
  memory_ = Ptr;
  size_ = Size;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  const int64_t end = position_ + Count;
  if (end > Size()) Resize(end);
  std::memcpy(data_.data() + position_, Buffer, static_cast<size_t>(Count));
  position_ = end;
  return Count;
}

void TMemoryStream::Resize(int64_t NewSize) {
  data_.resize(static_cast<size_t>(NewSize));
  SetPointer(data_.data(), NewSize);
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  Resize(NewSize);
  if (position_ > NewSize) position_ = NewSize;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  SetPointer(nullptr, 0);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const int64_t size = Stream->Size();
  Resize(size);
  position_ = 0;
  Stream->ReadBuffer(data_.data(), size);
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

TStringStream::TStringStream(std::string_view Data) {
  WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
  position_ = 0;
}

std::string TStringStream::DataString() const {
  return std::string(static_cast<const char*>(TCustomMemoryStream::Memory()),
                     static_cast<size_t>(const_cast<TStringStream*>(this)->Size()));
}

// --- resources ---

namespace {

struct Resources {
  std::mutex lock;
  std::map<std::string, std::span<const uint8_t>> blobs;  // upper-case names
};

Resources& TheResources() {
  static Resources r;
  return r;
}

}  // namespace

void RegisterResource(const std::string& Name, std::span<const uint8_t> Data) {
  Resources& r = TheResources();
  std::lock_guard g(r.lock);
  r.blobs[UpperCase(Name)] = Data;
}

bool FindResource(const std::string& Name, std::span<const uint8_t>& Data) {
  Resources& r = TheResources();
  std::lock_guard g(r.lock);
  const auto it = r.blobs.find(UpperCase(Name));
  if (it == r.blobs.end()) return false;
  Data = it->second;
  return true;
}

TResourceStream::TResourceStream(const std::string& ResName) {
  std::span<const uint8_t> data;
  if (!FindResource(ResName, data)) throw EResNotFound("Resource " + ResName + " not found");
  SetPointer(data.data(), static_cast<int64_t>(data.size()));
}

int64_t TResourceStream::Write(const void*, int64_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}

}  // namespace rtl
