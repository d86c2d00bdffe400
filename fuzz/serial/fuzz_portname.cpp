// Port names come from the settings file and the forms' boxes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/serial/names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::string> devices{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyACM3"};
  const std::string name(reinterpret_cast<const char*>(data), size);
  auto path = serial::MapName(name, devices);
  if (path && name.empty()) __builtin_trap();
  return 0;
}
