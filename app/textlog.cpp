#include "app/textlog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr rtl::TDateTime kRetryDays = 1.0 / (24 * 60);  // one minute

}  // namespace

TTextLog::~TTextLog() {
  Close();
}

void TTextLog::Close() {
  if (fFd >= 0) ::close(fFd);
  fFd = -1;
}

void TTextLog::Open(rtl::TDateTime now) {
  Close();
  fLastTry = now;
  // Without waiting: a FIFO nobody reads behind the name is a log that cannot be opened.
  fFd = ::open(fFileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fFd < 0) Fail("open", errno, now);
}

void TTextLog::Append(const std::string& line, rtl::TDateTime now) {
  if (fFd < 0) {
    if (now - fLastTry < kRetryDays && now >= fLastTry) return;
    Open(now);
    if (fFd < 0) return;
  }
  // A log deleted while open (a sailor clearing the grown file) would take every later line
  // with it, and one renamed (log rotation) would grow on under its new name: once the name no
  // longer names the open file a new one is started under it.
  if (!NameStillNamesOpenFile()) {
    Open(now);
    if (fFd < 0) return;
  }
  const off_t before = ::lseek(fFd, 0, SEEK_END);
  size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fFd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : ENOSPC;
      // No half line: the next one must start a line of its own.
      if (before >= 0 && done > 0) [[maybe_unused]]
        auto r = ::ftruncate(fFd, before);
      Close();
      Fail("write", err, now);
      return;
    }
    done += static_cast<size_t>(n);
  }
  fReported = false;  // it works again: a later failure is told again
}

bool TTextLog::NameStillNamesOpenFile() const {
  struct stat open {}, named {};
  if (::fstat(fFd, &open) != 0) return true;
  if (open.st_nlink == 0) return false;
  if (::stat(fFileName.c_str(), &named) != 0) return errno != ENOENT && errno != ENOTDIR;
  return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

void TTextLog::Fail(const std::string& what, int err, rtl::TDateTime now) {
  fLastTry = now;
  if (fReported) return;
  fReported = true;
  if (OnFailure)
    OnFailure("Cannot " + what + " the text log " + fFileName + ": " + std::strerror(err) +
              ". The program carries on and tries again every minute.");
}
