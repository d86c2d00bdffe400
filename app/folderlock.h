// One program to a working folder: two would append to one text log and the one that closed last
// would write its settings over the other's. The lock is the kernel's lock on the folder itself,
// so it ends with its program, a crash or a kill included, and needs no file of its own (a
// read-only folder is locked as well).
#pragma once

#include <string>

class TFolderLock {
 public:
  explicit TFolderLock(const std::string& folder);
  ~TFolderLock();
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;

  // Empty while this program holds the folder, or where the folder cannot be locked at all (a
  // file system without locks); else the text that tells who holds it.
  const std::string& InUseText() const { return fInUse; }

 private:
  int fFd = -1;
  std::string fInUse;
};
