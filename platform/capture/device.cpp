#include "platform/capture/device.h"

#include <chrono>

#include "platform/capture/alsa.h"
#include "platform/capture/v4l2.h"

namespace capture {

void FailurePlan::Fail(const std::string& step, HRESULT code, const std::string& device) {
  std::lock_guard lock(mutex_);
  steps_.emplace(step, std::make_pair(device, code));
}

void FailurePlan::Clear() {
  std::lock_guard lock(mutex_);
  steps_.clear();
}

HRESULT FailurePlan::Check(const std::string& step, const std::string& device) const {
  std::lock_guard lock(mutex_);
  auto [first, last] = steps_.equal_range(step);
  for (auto it = first; it != last; ++it)
    if (it->second.first.empty() || it->second.first == device) return it->second.second;
  return S_OK;
}

bool SameDevice(const Moniker& a, const Moniker& b) {
  if (!a || !b) return a == b;
  return a == b || (a->friendlyName == b->friendlyName && a->path == b->path);
}

std::vector<Moniker> Registry::Enumerate(Category category) {
  std::vector<Moniker> out;
  if (scanSystem_ && category == Category::VideoInput)
    for (auto& e : V4L2Devices()) out.push_back(std::make_shared<DeviceEntry>(std::move(e)));
  if (scanSystem_ && category == Category::AudioInput)
    for (auto& e : AlsaDevices()) out.push_back(std::make_shared<DeviceEntry>(std::move(e)));
  if (category == Category::VideoCompressor) {
    DeviceEntry mjpeg;
    mjpeg.friendlyName = "MJPEG Compressor";
    mjpeg.mjpeg = true;
    out.push_back(std::make_shared<DeviceEntry>(std::move(mjpeg)));
  }
  std::lock_guard lock(mutex_);
  for (const Moniker& m : added_[category]) out.push_back(m);
  return out;
}

void Registry::Add(Category category, DeviceEntry entry) {
  std::lock_guard lock(mutex_);
  ++addedCount_;
  if (entry.path.empty()) entry.path = "added:" + std::to_string(addedCount_);
  added_[category].push_back(std::make_shared<DeviceEntry>(std::move(entry)));
}

void Registry::ClearAdded() {
  std::lock_guard lock(mutex_);
  added_.clear();
}

PacingClock Registry::Clock() {
  std::lock_guard lock(mutex_);
  if (clock_.nowMicros) return clock_;
  PacingClock real;
  real.nowMicros = [] {
    using namespace std::chrono;
    return uint64_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
  };
  return real;
}

void Registry::SetClock(PacingClock clock) {
  std::lock_guard lock(mutex_);
  clock_ = std::move(clock);
}

void Registry::Log(const std::string& step) {
  std::lock_guard lock(mutex_);
  steps_.push_back(step);
}

std::vector<std::string> Registry::Steps() {
  std::lock_guard lock(mutex_);
  return steps_;
}

void Registry::ClearSteps() {
  std::lock_guard lock(mutex_);
  steps_.clear();
}

Registry& Devices() {
  static Registry registry;
  return registry;
}

}  // namespace capture
