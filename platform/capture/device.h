#pragma once
// Capture devices as the graph sees them, the registry that lists them by category (cameras,
// microphones, compressors), the clock that paces the synthetic ones, and the failure plan and
// step log through which tests watch and break every step of a graph.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/capture/types.h"

namespace capture {

class VideoDevice {
 public:
  struct Callbacks {
    std::function<void(const Frame&)> frame;  // on the device's thread
    std::function<void()> lost;               // the device went away; no frames follow
  };
  virtual ~VideoDevice() = default;
  virtual bool IsDV() const { return false; }
  virtual std::vector<VideoCaps> Caps() = 0;
  virtual VideoFormat Format() = 0;
  virtual HRESULT SetFormat(const VideoFormat& format) = 0;
  virtual HRESULT Start(Callbacks callbacks) = 0;
  // Stops streaming and joins the device's thread, whatever went wrong before.
  virtual void Stop() = 0;
};

class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  virtual std::vector<AudioFormat> Caps() = 0;
  virtual AudioFormat Format() = 0;
  virtual HRESULT SetFormat(const AudioFormat& format) = 0;
  // The samples of [fromMicros, toMicros) of the stream's time.
  virtual std::vector<uint8_t> Samples(uint64_t fromMicros, uint64_t toMicros) = 0;
};

enum class Category { VideoInput, AudioInput, VideoCompressor, AudioCompressor };

// One entry of a category: what a moniker binds to.
struct DeviceEntry {
  std::string friendlyName;
  std::function<std::shared_ptr<VideoDevice>()> bindVideo;
  std::function<std::shared_ptr<AudioDevice>()> bindAudio;
  bool mjpeg = false;  // a video compressor: MJPEG (else uncompressed)
};
using Moniker = std::shared_ptr<const DeviceEntry>;

// The time that paces synthetic devices. With a virtual clock, `subscribe` registers a listener
// that the clock calls on every move and that returns once the frames due are delivered.
struct PacingClock {
  std::function<uint64_t()> nowMicros;
  std::function<int(std::function<void(uint64_t)>)> subscribe;  // null: a real clock
  std::function<void(int)> unsubscribe;
};

class FailurePlan {
 public:
  // Makes the named step fail with the code, on the named device only when one is given.
  void Fail(const std::string& step, HRESULT code, const std::string& device = "");
  void Clear();
  HRESULT Check(const std::string& step, const std::string& device) const;

 private:
  mutable std::mutex mutex_;
  std::multimap<std::string, std::pair<std::string, HRESULT>> steps_;
};

class Registry {
 public:
  // Entries found on the machine (V4L2 cameras, ALSA inputs) and added ones, in that order.
  std::vector<Moniker> Enumerate(Category category);
  void Add(Category category, DeviceEntry entry);
  void ClearAdded();
  // Whether the machine's own devices are listed (tests turn them off).
  void SetScanSystem(bool on) { scanSystem_ = on; }

  PacingClock Clock();
  void SetClock(PacingClock clock);

  FailurePlan& Plan() { return plan_; }
  // Every step a graph took, in order, and the code it returned.
  void Log(const std::string& step);
  std::vector<std::string> Steps();
  void ClearSteps();

 private:
  std::mutex mutex_;
  std::map<Category, std::vector<Moniker>> added_;
  std::atomic<bool> scanSystem_{true};
  PacingClock clock_;
  FailurePlan plan_;
  std::vector<std::string> steps_;
};

// The process's device registry (the lists live until the program ends).
Registry& Devices();

}  // namespace capture
