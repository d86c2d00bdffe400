#pragma once
// V4L2 cameras over raw ioctls.
#include <vector>

#include "platform/capture/device.h"

namespace capture {

// The cameras of the machine (/dev/video*), named by the driver's card name.
std::vector<DeviceEntry> V4L2Devices();

}  // namespace capture
