#pragma once
// V4L2 cameras over raw ioctls: modes from the formats, sizes and intervals the driver lists,
// mmap streaming, a gap in the buffers' sequence numbers as dropped images, and ENODEV as the
// device gone. The system calls go through a seam that a scripted driver answers in tests.
#include <string>
#include <vector>

#include "platform/capture/device.h"

namespace capture {

class V4L2Driver {
 public:
  virtual ~V4L2Driver() = default;
  // The device nodes to look at (/dev/video*).
  virtual std::vector<std::string> Nodes();
  // These return -1 with errno set on failure, as the system calls do.
  virtual int Open(const std::string& path);
  virtual int Close(int fd);
  virtual int Ioctl(int fd, unsigned long request, void* arg);
  virtual void* Mmap(int fd, size_t length, long offset);  // MAP_FAILED on failure
  virtual int Munmap(void* address, size_t length);
  // > 0 when a buffer is ready within the time, 0 on time-out.
  virtual int Poll(int fd, int timeoutMs);
};

// The machine's own kernel.
V4L2Driver& SystemV4L2();

// The video capture devices among the driver's nodes, named by their card names.
std::vector<DeviceEntry> V4L2Devices();
std::vector<DeviceEntry> V4L2Devices(V4L2Driver& driver);

}  // namespace capture
