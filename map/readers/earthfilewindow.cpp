#include "map/readers/earthfilewindow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "map/earthsysutils.h"
#include "platform/rtl/sysutils.h"

namespace {

// Large enough that reading a file through it in order costs little more than one read: the
// kernel's cost for each read (finding the file's pages) falls as reads grow, measured to 256 KB.
constexpr int64_t kWindow = 256 * 1024;

}  // namespace

TFileWindow::TFileWindow(const std::string& fileName) : fileName_(fileName) {
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw EEarthException(rtl::Format("Unable to open file %s", fileName.c_str()));
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    ::close(fd_);
    throw EEarthException("Unable to create file mapping");
  }
  size_ = st.st_size;
}

TFileWindow::~TFileWindow() {
  ::close(fd_);
}

const uint8_t* TFileWindow::Bytes(int64_t position, int64_t count) {
  if (position < 0 || count < 0 || count > size_ - position) {
    throw EEarthException(rtl::Format("Read beyond the end of %s", fileName_.c_str()));
  }
  if (position >= start_ && position + count <= start_ + filled_) {
    return buffer_.get() + (position - start_);
  }
  const int64_t want = std::min(std::max(count, kWindow), size_ - position);
  if (want > capacity_) {
    buffer_ = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(want));
    capacity_ = want;
  }
  filled_ = 0;
  while (filled_ < want) {
    const ssize_t got = ::pread(fd_, buffer_.get() + filled_, static_cast<size_t>(want - filled_),
                                static_cast<off_t>(position + filled_));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    filled_ += got;
  }
  start_ = position;
  // A file shortened since it was opened ends (0) before its former size.
  if (filled_ < count) {
    filled_ = 0;
    throw EEarthException(
        rtl::Format("Unable to read file %s: it changed while being read", fileName_.c_str()));
  }
  return buffer_.get();
}

int64_t TFileWindow::Read(void* buffer, int64_t count) {
  const int64_t n = std::clamp<int64_t>(size_ - position_, 0, std::max<int64_t>(count, 0));
  if (n > 0) std::memcpy(buffer, Bytes(position_, n), static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TFileWindow::Seek(int64_t offset, rtl::TSeekOrigin origin) {
  const int64_t base =
      origin == rtl::soBeginning ? 0 : (origin == rtl::soCurrent ? position_ : size_);
  if (base + offset < 0) throw EEarthException("Invalid stream position");
  position_ = base + offset;
  return position_;
}

void TFileWindow::SetSize(int64_t /*newSize*/) {
  throw EEarthException("TFileWindow.SetSize: Not supported");
}

int64_t TFileWindow::Write(const void* /*buffer*/, int64_t /*count*/) {
  throw EEarthException("TFileWindow.Write: Not supported");
}
