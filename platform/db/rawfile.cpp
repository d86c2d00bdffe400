#include "platform/db/rawfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/db/dberrors.h"

namespace db {

void RaiseOsError(const std::string& what, const std::string& fileName) {
  const int err = errno;
  throw EDatabaseError(what + " '" + fileName + "': " + std::strerror(err));
}

RawFile::RawFile(const std::string& fileName, Mode mode) : fFileName(fileName) {
  if (mode == CreateNew) {
    fFd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    fWritable = true;
  } else if (mode == ReadWrite) {
    fFd = ::open(fileName.c_str(), O_RDWR | O_CLOEXEC);
    fWritable = fFd >= 0;
    if (fFd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
      fFd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  } else {
    fFd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fFd < 0) RaiseOsError(mode == CreateNew ? "Cannot create table" : "Cannot open table", fileName);
  struct stat st{};
  if (::fstat(fFd, &st) == 0 && !S_ISREG(st.st_mode)) {
    ::close(fFd);
    throw EDatabaseError("Not a table file '" + fileName + "'");
  }
}

RawFile::~RawFile() {
  if (fFd >= 0) ::close(fFd);
}

uint64_t RawFile::Size() const {
  struct stat st{};
  if (::fstat(fFd, &st) != 0) RaiseOsError("Cannot read table", fFileName);
  return static_cast<uint64_t>(st.st_size);
}

size_t RawFile::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  size_t done = 0;
  auto* p = static_cast<uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = ::pread(fFd, p + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseOsError("Cannot read table", fFileName);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void RawFile::ReadExact(uint64_t offset, void* buffer, size_t count) const {
  if (ReadAt(offset, buffer, count) != count)
    throw EDatabaseError("Table file is shorter than its header says '" + fFileName + "'");
}

void RawFile::WriteAt(uint64_t offset, const void* buffer, size_t count) {
  if (!fWritable) throw EDatabaseError("Table is read only '" + fFileName + "'");
  size_t done = 0;
  const auto* p = static_cast<const uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = ::pwrite(fFd, p + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseOsError("Cannot write table", fFileName);
    }
    done += static_cast<size_t>(n);
  }
}

void RawFile::Truncate(uint64_t size) {
  if (::ftruncate(fFd, static_cast<off_t>(size)) != 0) RaiseOsError("Cannot write table", fFileName);
}

void RawFile::Sync() {
  if (::fsync(fFd) != 0) RaiseOsError("Cannot flush table", fFileName);
}

}  // namespace db
