// Read-only memory mapping of a whole file.
#include "map/earthmmstream.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "map/earthsysutils.h"
#include "platform/rtl/sysutils.h"

TMemoryMapStream::TMemoryMapStream(const std::string& fileName) {
  fileHandle_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fileHandle_ < 0) {
    throw EEarthException(rtl::Format("Unable to open file %s", fileName.c_str()));
  }
  struct stat st {};
  if (::fstat(fileHandle_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    ::close(fileHandle_);
    throw EEarthException("Unable to create file mapping");
  }
  viewSize_ = static_cast<size_t>(st.st_size);
  view_ = ::mmap(nullptr, viewSize_, PROT_READ, MAP_PRIVATE, fileHandle_, 0);
  if (view_ == MAP_FAILED) {
    view_ = nullptr;
    ::close(fileHandle_);
    throw EEarthException("Unable to map view of file");
  }
  SetPointer(view_, static_cast<int64_t>(viewSize_));
}

TMemoryMapStream::~TMemoryMapStream() {
  if (view_) ::munmap(view_, viewSize_);
  if (fileHandle_ >= 0) ::close(fileHandle_);
}

void TMemoryMapStream::SetSize(int64_t /*newSize*/) {
  throw EEarthException(ClassName() + ".SetSize: Not supported");
}

int64_t TMemoryMapStream::Write(const void* /*buffer*/, int64_t /*count*/) {
  throw EEarthException(ClassName() + ".Write: Not supported");
}
