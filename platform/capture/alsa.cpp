#include "platform/capture/alsa.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

namespace capture {

namespace {

const std::vector<AudioFormat> kFormats = {{MEDIASUBTYPE_PCM, 44100, 16, 1, 88200},
                                           {MEDIASUBTYPE_PCM, 22050, 16, 2, 88200}};

// Reads the card on a thread of its own into a buffer of at most two seconds; the graph takes
// from it what each frame's time span holds, padded with silence when the card lagged.
class AlsaAudioDevice : public AudioDevice {
 public:
  explicit AlsaAudioDevice(std::string name) : name_(std::move(name)) {}
  ~AlsaAudioDevice() override { Close(); }

  bool Probe() {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name_.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
      return false;
    snd_pcm_close(pcm);
    return true;
  }
  std::vector<AudioFormat> Caps() override { return kFormats; }
  AudioFormat Format() override {
    std::lock_guard lock(mutex_);
    return format_;
  }
  HRESULT SetFormat(const AudioFormat& f) override {
    for (const AudioFormat& c : kFormats)
      if (c == f) {
        Close();
        std::lock_guard lock(mutex_);
        format_ = f;
        return S_OK;
      }
    return E_INVALIDARG;
  }

  std::vector<uint8_t> Samples(uint64_t fromMicros, uint64_t toMicros) override {
    if (!thread_.joinable() && !failed_) Open();
    std::lock_guard lock(mutex_);
    const uint64_t rate = uint64_t(format_.samplesPerSec);
    const size_t block = size_t(format_.channels) * 2;
    const size_t n = size_t(toMicros * rate / 1'000'000 - fromMicros * rate / 1'000'000) * block;
    std::vector<uint8_t> out(n, 0);
    const size_t have = std::min(n, buffer_.size());
    std::copy_n(buffer_.begin(), have, out.begin());
    buffer_.erase(buffer_.begin(), buffer_.begin() + long(have));
    return out;
  }

 private:
  void Open() {
    AudioFormat f = Format();
    if (snd_pcm_open(&pcm_, name_.c_str(), SND_PCM_STREAM_CAPTURE, 0) < 0 ||
        snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                           unsigned(f.channels), unsigned(f.samplesPerSec), 1, 100000) < 0) {
      if (pcm_) snd_pcm_close(pcm_);
      pcm_ = nullptr;
      failed_ = true;
      return;
    }
    stop_ = false;
    thread_ = std::thread([this, f] {
      const size_t block = size_t(f.channels) * 2;
      std::vector<uint8_t> chunk(size_t(f.samplesPerSec / 50) * block);  // 20 ms
      const size_t limit = size_t(f.avgBytesPerSec) * 2;
      while (!stop_) {
        const snd_pcm_sframes_t got = snd_pcm_readi(pcm_, chunk.data(), chunk.size() / block);
        if (got < 0) {
          if (snd_pcm_recover(pcm_, int(got), 1) < 0) return;
          continue;
        }
        std::lock_guard lock(mutex_);
        buffer_.insert(buffer_.end(), chunk.begin(), chunk.begin() + long(size_t(got) * block));
        if (buffer_.size() > limit) buffer_.erase(buffer_.begin(), buffer_.end() - long(limit));
      }
    });
  }
  void Close() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (pcm_) snd_pcm_close(pcm_);
    pcm_ = nullptr;
    failed_ = false;
    std::lock_guard lock(mutex_);
    buffer_.clear();
  }

  std::string name_;
  std::mutex mutex_;
  AudioFormat format_ = kFormats.front();
  snd_pcm_t* pcm_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  bool failed_ = false;
  std::deque<uint8_t> buffer_;
};

}  // namespace

std::shared_ptr<AudioDevice> OpenAlsaCapture(const std::string& pcmName) {
  auto d = std::make_shared<AlsaAudioDevice>(pcmName);
  return d->Probe() ? d : nullptr;
}

std::vector<DeviceEntry> AlsaDevices() {
  std::vector<DeviceEntry> out;
  int card = -1;
  while (snd_card_next(&card) == 0 && card >= 0) {
    char* name = nullptr;
    if (snd_card_get_name(card, &name) < 0 || !name) continue;
    const std::string pcm = "plughw:" + std::to_string(card) + ",0";
    DeviceEntry e;
    e.friendlyName = name;
    e.path = pcm;
    std::free(name);
    if (!OpenAlsaCapture(pcm)) continue;  // a card without a capture device
    e.bindAudio = [pcm] { return OpenAlsaCapture(pcm); };
    out.push_back(std::move(e));
  }
  return out;
}

}  // namespace capture
