// A whole file read into memory as a read-only stream.
#include "map/readers/earthmmstream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "map/earthsysutils.h"
#include "platform/rtl/sysutils.h"

namespace {

// Closes the descriptor on every way out.
class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

TMemoryMapStream::TMemoryMapStream(const std::string& fileName) {
  const FileHandle file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    throw EEarthException(rtl::Format("Unable to open file %s", fileName.c_str()));
  }
  struct stat st {};
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    throw EEarthException("Unable to create file mapping");
  }
  const auto size = static_cast<size_t>(st.st_size);
  try {
    view_ = std::make_unique_for_overwrite<std::byte[]>(size);
  } catch (const std::bad_alloc&) {
    throw EEarthException("Unable to create file mapping");
  }
  size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(file.get(), view_.get() + done, size - done, off_t(done));
    if (got < 0 && errno == EINTR) continue;
    // A file shortened while it is read gives an end (0) before its former size.
    if (got <= 0) {
      throw EEarthException(rtl::Format(
          "Unable to map view of file %s: it changed while being read", fileName.c_str()));
    }
    done += static_cast<size_t>(got);
  }
  SetPointer(view_.get(), static_cast<int64_t>(size));
}

TMemoryMapStream::~TMemoryMapStream() = default;

void TMemoryMapStream::SetSize(int64_t /*newSize*/) {
  throw EEarthException(ClassName() + ".SetSize: Not supported");
}

int64_t TMemoryMapStream::Write(const void* /*buffer*/, int64_t /*count*/) {
  throw EEarthException(ClassName() + ".Write: Not supported");
}
