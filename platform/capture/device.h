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
#include <optional>
#include <string>
#include <vector>

#include "platform/capture/types.h"

namespace capture {

// What a driver offers besides its modes, for our own dialogs in place of its pages: inputs (the
// source or crossbar), picture controls (brightness, contrast...) and a tuner.
struct VideoInput {
  std::string name;
  bool tuner = false;  // an aerial input with a tuner behind it
};

struct VideoControl {
  enum Type { Integer, Boolean, Menu };
  uint32_t id = 0;
  std::string name;
  Type type = Integer;
  int minimum = 0, maximum = 0, step = 1, defaultValue = 0;
  std::vector<std::pair<int, std::string>> menu;  // a menu's values and their names
  bool readOnly = false;                          // shown, not changed
};

struct TunerInfo {
  std::string name;
  uint64_t lowHz = 0, highHz = 0;
  int signal = 0;  // 0..65535
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

  // The sound carried in the device's own stream (a DV camera's), split off by the DV splitter.
  virtual std::shared_ptr<AudioDevice> InterleavedAudio() { return nullptr; }

  // Nothing of these unless the driver has it.
  virtual std::vector<VideoInput> Inputs() { return {}; }
  virtual int Input() { return -1; }
  virtual HRESULT SetInput(int) { return E_NOTIMPL; }
  virtual std::vector<VideoControl> Controls() { return {}; }
  virtual HRESULT GetControl(uint32_t, int&) { return E_NOTIMPL; }
  virtual HRESULT SetControl(uint32_t, int) { return E_NOTIMPL; }
  // The tuner of the current input, if it is an aerial input.
  virtual std::optional<TunerInfo> Tuner() { return std::nullopt; }
  virtual HRESULT GetFrequency(uint64_t&) { return E_NOTIMPL; }
  virtual HRESULT SetFrequency(uint64_t) { return E_NOTIMPL; }
};

enum class Category { VideoInput, AudioInput, VideoCompressor, AudioCompressor };

// One entry of a category: what a moniker binds to. Every enumeration makes the machine's
// entries afresh, so an entry is known again by its identity, name and path, not by its address.
struct DeviceEntry {
  std::string friendlyName;
  std::string path;  // where it is found: the device node, the sound device's name
  std::function<std::shared_ptr<VideoDevice>()> bindVideo;
  std::function<std::shared_ptr<AudioDevice>()> bindAudio;
  bool mjpeg = false;  // a video compressor: MJPEG (else uncompressed)
};
using Moniker = std::shared_ptr<const DeviceEntry>;

// One device, whichever enumeration its entries came from.
bool SameDevice(const Moniker& a, const Moniker& b);

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
  // An entry added without a path gets one of its own, so that equal names stay apart.
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
  uint64_t addedCount_ = 0;
  std::atomic<bool> scanSystem_{true};
  PacingClock clock_;
  FailurePlan plan_;
  std::vector<std::string> steps_;
};

// The process's device registry (the lists live until the program ends).
Registry& Devices();

}  // namespace capture
