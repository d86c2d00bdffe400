#pragma once
// Microphones through ALSA, where the machine has sound cards.
#include <memory>
#include <string>
#include <vector>

#include "platform/capture/device.h"

namespace capture {

// Each sound card with a capture device, named by the card's name.
std::vector<DeviceEntry> AlsaDevices();
// A capture device by its ALSA name ("plughw:0,0", "null"); null when it does not open.
std::shared_ptr<AudioDevice> OpenAlsaCapture(const std::string& pcmName);

}  // namespace capture
