#pragma once
// Feeds bytes to the table reader as a file: open, count, read every record. Format errors must
// come out as EDatabaseError, never as a crash.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/db/dberrors.h"
#include "platform/db/tablefile.h"

inline void ReadTableFromBytes(const uint8_t* data, size_t size, db::TTableType type) {
  const int fd = memfd_create("table", MFD_CLOEXEC);
  if (fd < 0) return;
  if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
    close(fd);
    return;
  }
  try {
    auto table = db::OpenTableFile("/proc/self/fd/" + std::to_string(fd), type);
    table->Resync();
    const int count = table->RecordCount();
    for (int i = 0; i < count && i < 10000; ++i) table->Read(i);
  } catch (const db::EDatabaseError&) {
  }
  close(fd);
}
