#include <cerrno>
#include <cstring>

#include "platform/serial/device.h"
#include "platform/serial/fakedevice.h"
#include "platform/serial/names.h"
#include "platform/serial/termiosdevice.h"

namespace serial {

std::unique_ptr<Device> Open(const std::string& name, int& err) {
  bool faked = false;
  if (auto device = OpenFake(name, err, faked); faked) return device;
  auto path = MapName(name);
  if (!path) {
    err = ENOENT;
    return nullptr;
  }
  return OpenTermios(*path, err);
}

std::string ErrorText(int err) {
  char buffer[256];
  // GNU strerror_r: returns the text, not always in buffer.
  return strerror_r(err, buffer, sizeof buffer);
}

}  // namespace serial
