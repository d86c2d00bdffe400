#include "platform/capture/v4l2.h"

namespace capture {

std::vector<DeviceEntry> V4L2Devices() {
  return {};
}

}  // namespace capture
