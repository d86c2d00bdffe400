#include "app/folderlock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

namespace {

// The process that holds a whole-file lock on the folder, from the kernel's table of locks
// ("1: FLOCK  ADVISORY  WRITE <pid> <major>:<minor>:<inode> 0 EOF"); 0 when none is found. The
// device in the table is the file system's, which a stacked file system may show apart from the
// folder's own: the inode alone is taken when no line matches both.
long LockHolder(const struct stat& folder) {
  const std::string device = rtl::Format("%02x:%02x:", major(folder.st_dev), minor(folder.st_dev));
  const std::string inode = ":" + std::to_string(folder.st_ino);
  std::ifstream table("/proc/locks");
  long sameInode = 0;
  for (std::string line; std::getline(table, line);) {
    std::istringstream fields(line);
    std::string id, kind, mode, access, file;
    long pid = 0;
    if (!(fields >> id >> kind >> mode >> access >> pid >> file) || kind != "FLOCK") continue;
    if (file.size() < inode.size() || file.compare(file.size() - inode.size(), inode.size(), inode))
      continue;
    if (file == device + std::to_string(folder.st_ino)) return pid;
    if (sameInode == 0) sameInode = pid;
  }
  return sameInode;
}

std::string ProgramName(long pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

}  // namespace

TFolderLock::TFolderLock(const std::string& folder) {
  fFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fFd < 0) return;  // a folder that cannot be used is told where it is used
  if (::flock(fFd, LOCK_EX | LOCK_NB) == 0) return;
  const int err = errno;
  struct stat st {};
  const bool known = ::fstat(fFd, &st) == 0;
  ::close(fFd);
  fFd = -1;
  if (err != EWOULDBLOCK) return;
  fInUse = "The folder " + rtl::ExpandFileName(folder) + " is in use by another running program";
  if (const long pid = known ? LockHolder(st) : 0; pid > 0) {
    const std::string name = ProgramName(pid);
    fInUse += ": " + (name.empty() ? std::string() : name + " ") + "(process " +
              std::to_string(pid) + ")";
  }
  fInUse += ". Only one program can work in a folder at a time.";
}

TFolderLock::~TFolderLock() {
  if (fFd >= 0) ::close(fFd);
}
