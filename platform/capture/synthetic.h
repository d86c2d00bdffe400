#pragma once
// Test devices: a camera whose images carry their frame number (YUY2 and RGB24 modes, or a DV
// flavour), with drops and loss on request, and a microphone playing a tone. They are paced by the
// registry's clock; on a virtual clock an advance returns once the frames due are delivered.
#include <condition_variable>
#include <optional>
#include <set>
#include <thread>

#include "platform/capture/device.h"

namespace capture {

struct SyntheticOptions {
  std::vector<VideoCaps> modes;    // empty: 640x480 and 320x240 in YUY2 and RGB24 at 25 fps
  bool dv = false;                 // one 720x576 interleaved mode
  bool noise = false;              // a noisy picture (compresses as a camera's does)
  std::set<uint64_t> dropAt;       // frame numbers the device skips
  std::optional<uint64_t> lostAt;  // the device goes away instead of delivering this frame
};

class SyntheticVideoDevice : public VideoDevice {
 public:
  explicit SyntheticVideoDevice(SyntheticOptions options);
  ~SyntheticVideoDevice() override;
  bool IsDV() const override { return options_.dv; }
  // A DV camera's sound: 48 kHz 16-bit stereo, as DV carries it.
  std::shared_ptr<AudioDevice> InterleavedAudio() override { return dvAudio_; }
  std::vector<VideoCaps> Caps() override;
  VideoFormat Format() override;
  HRESULT SetFormat(const VideoFormat& format) override;
  HRESULT Start(Callbacks callbacks) override;
  void Stop() override;

 private:
  void Run();
  void Deliver(uint64_t k);

  SyntheticOptions options_;
  std::mutex mutex_;
  std::condition_variable cv_;
  VideoFormat format_;
  Callbacks callbacks_;
  std::thread thread_;
  PacingClock clock_;
  int listener_ = 0;
  bool running_ = false, stop_ = false, lost_ = false;
  uint64_t start_ = 0, target_ = 0, delivered_ = 0, next_ = 0;
  std::vector<uint8_t> buffer_;
  std::shared_ptr<AudioDevice> dvAudio_;
};

class SyntheticAudioDevice : public AudioDevice {
 public:
  // `only`: the one format it has (else two PCM formats, 44.1 kHz mono first).
  explicit SyntheticAudioDevice(double toneHz = 440, std::optional<AudioFormat> only = {})
      : tone_(toneHz), only_(only) {
    if (only_) format_ = *only_;
  }
  std::vector<AudioFormat> Caps() override;
  AudioFormat Format() override { return format_; }
  HRESULT SetFormat(const AudioFormat& format) override;
  std::vector<uint8_t> Samples(uint64_t fromMicros, uint64_t toMicros) override;

 private:
  double tone_;
  std::optional<AudioFormat> only_;
  AudioFormat format_{MEDIASUBTYPE_PCM, 44100, 16, 1, 88200};
};

// Registers a synthetic camera (and a synthetic microphone when asked) under the names.
void AddSyntheticCamera(const std::string& name, SyntheticOptions options = {});
void AddSyntheticMicrophone(const std::string& name);

}  // namespace capture
