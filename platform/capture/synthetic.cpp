#include "platform/capture/synthetic.h"

#include <cmath>

#include "platform/capture/imaging.h"

namespace capture {

namespace {

VideoCaps Mode(const rtl::TGUID& subtype, int w, int h, int bits) {
  VideoCaps c;
  c.format.subtype = subtype;
  c.format.width = w;
  c.format.height = h;
  c.format.bits = bits;
  c.format.avgTimePerFrame = 400000;
  c.minFrameInterval = 200000;   // 50 fps
  c.maxFrameInterval = 1000000;  // 10 fps
  return c;
}

}  // namespace

SyntheticVideoDevice::SyntheticVideoDevice(SyntheticOptions options)
    : options_(std::move(options)) {
  if (options_.dv) {
    VideoCaps dv = Mode(MEDIASUBTYPE_dvsd, 720, 576, 24);
    dv.format.majorType = MEDIATYPE_Interleaved;
    options_.modes = {dv};
    dvAudio_ = std::make_shared<SyntheticAudioDevice>(
        1000, AudioFormat{MEDIASUBTYPE_PCM, 48000, 16, 2, 192000});
  } else if (options_.modes.empty()) {
    options_.modes = {Mode(MEDIASUBTYPE_YUY2, 640, 480, 16), Mode(MEDIASUBTYPE_RGB24, 640, 480, 24),
                      Mode(MEDIASUBTYPE_YUY2, 320, 240, 16),
                      Mode(MEDIASUBTYPE_RGB24, 320, 240, 24)};
  }
  format_ = options_.modes.front().format;
}

SyntheticVideoDevice::~SyntheticVideoDevice() {
  Stop();
}

std::vector<VideoCaps> SyntheticVideoDevice::Caps() {
  return options_.modes;
}

VideoFormat SyntheticVideoDevice::Format() {
  std::lock_guard lock(mutex_);
  return format_;
}

HRESULT SyntheticVideoDevice::SetFormat(const VideoFormat& f) {
  std::lock_guard lock(mutex_);
  if (running_) return VFW_E_NOT_STOPPED;
  for (const VideoCaps& c : options_.modes)
    if (c.format.subtype == f.subtype && c.format.width == f.width && c.format.height == f.height) {
      format_ = c.format;
      format_.majorType = c.format.majorType;
      if (f.avgTimePerFrame >= c.minFrameInterval && f.avgTimePerFrame <= c.maxFrameInterval)
        format_.avgTimePerFrame = f.avgTimePerFrame;
      return S_OK;
    }
  return E_INVALIDARG;
}

HRESULT SyntheticVideoDevice::Start(Callbacks callbacks) {
  Stop();
  clock_ = Devices().Clock();
  {
    std::lock_guard lock(mutex_);
    callbacks_ = std::move(callbacks);
    running_ = true;
    stop_ = lost_ = false;
    start_ = target_ = delivered_ = clock_.nowMicros();
    next_ = 0;
  }
  thread_ = std::thread([this] { Run(); });
  if (clock_.subscribe) {
    listener_ = clock_.subscribe([this](uint64_t now) {
      std::unique_lock lock(mutex_);
      if (now <= target_) return;
      target_ = now;
      cv_.notify_all();
      cv_.wait(lock, [&] { return delivered_ >= target_ || stop_ || lost_; });
    });
  }
  return S_OK;
}

void SyntheticVideoDevice::Stop() {
  if (listener_ && clock_.unsubscribe) clock_.unsubscribe(listener_);
  listener_ = 0;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    cv_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  running_ = false;
}

void SyntheticVideoDevice::Run() {
  std::unique_lock lock(mutex_);
  const bool isVirtual = bool(clock_.subscribe);
  while (!stop_ && !lost_) {
    const uint64_t interval = uint64_t(format_.avgTimePerFrame / 10);
    const uint64_t due = start_ + (next_ + 1) * interval;
    if (isVirtual) {
      if (due <= target_) {
        lock.unlock();
        Deliver(next_);
        lock.lock();
        ++next_;
        continue;
      }
      delivered_ = target_;
      cv_.notify_all();
      cv_.wait(lock, [&] { return stop_ || target_ > delivered_; });
    } else {
      const uint64_t now = clock_.nowMicros();
      if (due <= now) {
        lock.unlock();
        Deliver(next_);
        lock.lock();
        ++next_;
        continue;
      }
      cv_.wait_for(lock, std::chrono::microseconds(due - now), [&] { return stop_; });
    }
  }
  delivered_ = target_;
  cv_.notify_all();
}

void SyntheticVideoDevice::Deliver(uint64_t k) {
  if (options_.lostAt && k >= *options_.lostAt) {
    {
      std::lock_guard lock(mutex_);
      lost_ = true;
    }
    if (callbacks_.lost) callbacks_.lost();
    return;
  }
  if (options_.dropAt.count(k)) return;
  const VideoFormat f = format_;
  Rgb32Image img{f.width, f.height, std::vector<uint8_t>(size_t(f.width) * size_t(f.height) * 4)};
  DrawFramePattern(img, uint32_t(k), options_.noise);
  // A DV camera's frames reach the graph decoded, as RGB24.
  buffer_ = FromRgb32(img, options_.dv ? MEDIASUBTYPE_RGB24 : f.subtype);
  Frame frame;
  frame.sequence = k;
  frame.timeMicros = (k + 1) * uint64_t(f.avgTimePerFrame / 10);
  frame.data = buffer_.data();
  frame.size = buffer_.size();
  frame.format = f;
  if (options_.dv) frame.format.subtype = MEDIASUBTYPE_RGB24;
  if (callbacks_.frame) callbacks_.frame(frame);
}

std::vector<AudioFormat> SyntheticAudioDevice::Caps() {
  if (only_) return {*only_};
  return {{MEDIASUBTYPE_PCM, 44100, 16, 1, 88200}, {MEDIASUBTYPE_PCM, 22050, 16, 2, 88200}};
}

HRESULT SyntheticAudioDevice::SetFormat(const AudioFormat& f) {
  for (const AudioFormat& c : Caps())
    if (c == f) {
      format_ = f;
      return S_OK;
    }
  return E_INVALIDARG;
}

std::vector<uint8_t> SyntheticAudioDevice::Samples(uint64_t fromMicros, uint64_t toMicros) {
  const uint64_t rate = uint64_t(format_.samplesPerSec);
  const uint64_t first = fromMicros * rate / 1'000'000, last = toMicros * rate / 1'000'000;
  std::vector<uint8_t> out;
  out.reserve(size_t(last - first) * size_t(format_.channels) * 2);
  for (uint64_t i = first; i < last; ++i) {
    const double t = double(i) / double(rate);
    const auto v = int16_t(std::lround(8000 * std::sin(2 * M_PI * tone_ * t)));
    for (int c = 0; c < format_.channels; ++c) {
      out.push_back(uint8_t(v & 0xFF));
      out.push_back(uint8_t((v >> 8) & 0xFF));
    }
  }
  return out;
}

void AddSyntheticCamera(const std::string& name, SyntheticOptions options) {
  DeviceEntry e;
  e.friendlyName = name;
  e.bindVideo = [options] { return std::make_shared<SyntheticVideoDevice>(options); };
  Devices().Add(Category::VideoInput, std::move(e));
}

void AddSyntheticMicrophone(const std::string& name) {
  DeviceEntry e;
  e.friendlyName = name;
  e.bindAudio = [] { return std::make_shared<SyntheticAudioDevice>(); };
  Devices().Add(Category::AudioInput, std::move(e));
}

}  // namespace capture
