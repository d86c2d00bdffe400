#include "platform/capture/graph.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace capture {

namespace {

// The DV decoder's output size for its display value.
std::pair<int, int> DVSize(int display) {
  switch (display) {
    case 1001:
      return {360, 288};
    case 1002:
      return {180, 144};
    case 1003:
      return {88, 72};
    default:
      return {720, 576};
  }
}

bool Grabbable(const std::optional<rtl::TGUID>& subtype) {
  if (!subtype) return true;
  const int bits = RgbBits(*subtype);
  return bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

Graph::Graph(std::string device) : device_(std::move(device)) {}

Graph::~Graph() {
  Stop();
}

HRESULT Graph::Step(const std::string& name) const {
  Devices().Log(name);
  return Devices().Plan().Check(name, device_);
}

HRESULT Graph::AddFilter(std::shared_ptr<Filter> filter, const std::string& name) {
  if (!filter) return E_POINTER;
  if (HRESULT hr = Step("AddFilter " + name); Failed(hr)) return hr;
  filter->name = name;
  if (FindFilterByName(name)) return VFW_E_WRONG_STATE;
  filters_.push_back(std::move(filter));
  return S_OK;
}

Filter* Graph::FindFilterByName(const std::string& name) {
  for (auto& f : filters_)
    if (f->name == name) return f.get();
  return nullptr;
}

void Graph::RemoveDownstream() {
  Stop();
  std::lock_guard lock(mutex_);
  // The capture filters stay, with the compressors and DV filters made with them.
  std::erase_if(filters_, [](const std::shared_ptr<Filter>& f) {
    switch (f->kind) {
      case FilterKind::VideoCapture:
      case FilterKind::AudioCapture:
      case FilterKind::VideoCompressor:
      case FilterKind::AudioCompressor:
      case FilterKind::DVDecoder:
      case FilterKind::DVSplitter:
        return false;
      default:
        return true;
    }
  });
  videoSource_ = dvDecoder_ = captureCompressor_ = captureAudio_ = grabber_ = mux_ = nullptr;
  sinkFile_.clear();
  captureVideo_ = previewVideo_ = false;
  windowSink_ = nullptr;
}

HRESULT Graph::RenderStream(PinCategory category, bool audio, Filter* source, Filter* via,
                            Filter* sink) {
  const char* cat = category == PinCategory::Capture   ? "capture"
                    : category == PinCategory::Preview ? "preview"
                                                       : "any";
  std::string name = std::string("RenderStream ") + cat + (audio ? " audio " : " video ") +
                     (source ? source->name : "?");
  if (via) name += " via " + via->name;
  name += " to " + (sink ? sink->name : std::string("renderer"));
  if (HRESULT hr = Step(name); Failed(hr)) return hr;
  if (!source) return E_POINTER;
  std::lock_guard lock(mutex_);
  // Where the video comes from: the device, or the DV decoder fed by it.
  if (source->kind == FilterKind::VideoCapture) {
    if (!source->video) return VFW_E_CANNOT_CONNECT;
    if (!videoSource_) videoSource_ = source;
    if (sink && sink->kind == FilterKind::DVDecoder) dvDecoder_ = sink;
  }
  if (sink && sink->kind == FilterKind::SampleGrabber) {
    if (!Grabbable(sink->grabberSubtype)) return VFW_E_CANNOT_CONNECT;
    grabber_ = sink;
    return S_OK;
  }
  if (audio) {
    // A microphone, or the sound a DV splitter takes from the camera's stream.
    if (source->kind != FilterKind::AudioCapture && source->kind != FilterKind::DVSplitter)
      return VFW_E_CANNOT_CONNECT;
    Filter* a = source->audio ? source : nullptr;
    if (sink && sink->kind == FilterKind::Mux) captureAudio_ = a;
    return S_OK;
  }
  if (sink && sink->kind == FilterKind::Mux) {
    captureVideo_ = true;
    captureCompressor_ = via;
  } else if (!sink) {
    previewVideo_ = true;
  }
  return S_OK;
}

HRESULT Graph::SetOutputFileName(const std::string& path) {
  if (HRESULT hr = Step("SetOutputFileName"); Failed(hr)) return hr;
  if (path.empty()) return E_INVALIDARG;
  auto mux = std::make_shared<Filter>(Filter{FilterKind::Mux, "AVI Mux", nullptr});
  filters_.push_back(mux);
  std::lock_guard lock(mutex_);
  mux_ = mux.get();
  sinkFile_ = path;
  return S_OK;
}

void Graph::SetSinkFileName(const std::string& path) {
  std::lock_guard lock(mutex_);
  sinkFile_ = path;
}

std::string Graph::SinkFileName() {
  std::lock_guard lock(mutex_);
  return sinkFile_;
}

HRESULT Graph::Run() {
  if (HRESULT hr = Step("Run"); Failed(hr)) return hr;
  {
    std::lock_guard lock(mutex_);
    state_ = State::Running;
    if (deviceStarted_ || !videoSource_) return S_OK;
    deviceStarted_ = true;
    lastSequence_.reset();
    dropped_ = notDropped_ = 0;
    aborted_ = false;
  }
  VideoDevice::Callbacks cb;
  cb.frame = [this](const Frame& f) { OnFrame(f); };
  cb.lost = [this] { OnLost(); };
  return videoSource_->video->Start(std::move(cb));
}

HRESULT Graph::Pause() {
  if (HRESULT hr = Step("Pause"); Failed(hr)) return hr;
  std::lock_guard lock(mutex_);
  state_ = State::Paused;
  return S_OK;
}

void Graph::StopDevice() {
  Filter* source;
  {
    std::lock_guard lock(mutex_);
    source = deviceStarted_ ? videoSource_ : nullptr;
    deviceStarted_ = false;
    state_ = State::Stopped;
  }
  // Joined outside the lock: the streaming thread takes it for every frame.
  if (source && source->video) source->video->Stop();
  std::lock_guard lock(mutex_);
  if (writer_) writer_->Close();
  writer_.reset();
}

HRESULT Graph::Stop() {
  const HRESULT hr = filters_.empty() ? S_OK : Step("Stop");
  // Even a failed stop joins the streaming thread: nothing may call back into a closed owner.
  if (Failed(hr)) {
    Filter* source;
    {
      std::lock_guard lock(mutex_);
      source = deviceStarted_ ? videoSource_ : nullptr;
    }
    if (source && source->video) source->video->Stop();
    std::lock_guard lock(mutex_);
    deviceStarted_ = false;
    return hr;
  }
  StopDevice();
  return S_OK;
}

bool Graph::Running() {
  std::lock_guard lock(mutex_);
  return state_ == State::Running;
}

HRESULT Graph::ControlCaptureStream(bool start) {
  if (HRESULT hr = Step(start ? "ControlStream capture start" : "ControlStream capture stop");
      Failed(hr))
    return hr;
  std::lock_guard lock(mutex_);
  if (!start) {
    if (writer_) writer_->Close();
    writer_.reset();
    return S_OK;
  }
  if (!captureVideo_ || !mux_ || !videoSource_) return VFW_E_NOT_FOUND;
  VideoFormat f = videoSource_->video->Format();
  AviVideoInfo info;
  info.avgTimePerFrame = f.avgTimePerFrame;
  if (dvDecoder_) {
    std::tie(f.width, f.height) = DVSize(dvDecoder_->dvDisplay);
    f.subtype = MEDIASUBTYPE_RGB24;
    f.bits = 24;
  }
  info.width = f.width;
  info.height = f.height;
  if (captureCompressor_ && captureCompressor_->moniker && captureCompressor_->moniker->mjpeg) {
    info.handler = info.compression = FourCC("MJPG");
    info.bits = 24;
    encoder_ = std::make_unique<MjpegEncoder>(captureCompressor_->quality);
  } else if (f.subtype == MEDIASUBTYPE_MJPG) {
    // A JPEG camera's images go into the file as they came.
    encoder_.reset();
    info.handler = info.compression = FourCC("MJPG");
    info.bits = 24;
  } else {
    encoder_.reset();
    info.compression = f.subtype == MEDIASUBTYPE_YUY2 ? FourCC("YUY2") : 0;
    info.bits = f.bits;
  }
  std::optional<AudioFormat> audio;
  if (captureAudio_ && captureAudio_->audio) audio = captureAudio_->audio->Format();
  writer_ = std::make_unique<AviWriter>(sinkFile_, info, audio);
  if (!writer_->IsOpen()) {
    writer_.reset();
    return E_FAIL;
  }
  audioFrom_.reset();
  return S_OK;
}

int64_t Graph::Dropped() {
  std::lock_guard lock(mutex_);
  return dropped_;
}

int64_t Graph::NotDropped() {
  std::lock_guard lock(mutex_);
  return notDropped_;
}

void Graph::SetNotify(std::function<void()> notify) {
  std::lock_guard lock(mutex_);
  notify_ = std::move(notify);
}

bool Graph::GetEvent(long& code) {
  std::lock_guard lock(mutex_);
  if (events_.empty()) return false;
  code = events_.front();
  events_.pop_front();
  return true;
}

void Graph::PostEvent(long code) {
  events_.push_back(code);
  if (notify_) notify_();
}

bool Graph::HasVideoWindow() {
  std::lock_guard lock(mutex_);
  return previewVideo_;
}

void Graph::SetVideoWindowSink(std::function<void(std::shared_ptr<const Rgb32Image>)> sink) {
  std::lock_guard lock(mutex_);
  windowSink_ = std::move(sink);
}

void Graph::OnLost() {
  std::lock_guard lock(mutex_);
  PostEvent(EC_DEVICE_LOST);
}

void Graph::OnFrame(const Frame& frame) {
  std::lock_guard lock(mutex_);
  if (state_ != State::Running) return;
  // An image that does not decode (a damaged JPEG) counts as dropped: the next one repeats the
  // last good image in its place.
  std::optional<Rgb32Image> img = ToRgb32(frame.data, frame.size, frame.format);
  if (!img) return;
  VideoFormat format = frame.format;
  if (dvDecoder_) {
    auto [w, h] = DVSize(dvDecoder_->dvDisplay);
    img = Scale(*img, w, h);
    format.width = w;
    format.height = h;
  }
  uint64_t gap = 0;
  if (lastSequence_ && frame.sequence > *lastSequence_ + 1)
    gap = frame.sequence - *lastSequence_ - 1;
  lastSequence_ = frame.sequence;
  dropped_ += int64_t(gap);
  ++notDropped_;
  if (writer_) {
    bool ok = true;
    for (uint64_t i = 0; i < gap && ok; ++i)
      ok = writer_->RepeatVideo() || writer_->VideoFrames() == 0;
    if (encoder_) {
      std::vector<uint8_t> jpeg;
      ok = ok && encoder_->Encode(*img, jpeg) && writer_->WriteVideo(jpeg.data(), jpeg.size());
    } else if (dvDecoder_) {
      const std::vector<uint8_t> raw = FromRgb32(*img, MEDIASUBTYPE_RGB24);
      ok = ok && writer_->WriteVideo(raw.data(), raw.size());
    } else {
      ok = ok && writer_->WriteVideo(frame.data, frame.size);
    }
    if (ok && captureAudio_ && captureAudio_->audio) {
      // The sound starts with the first image written, not with the preview before it.
      if (!audioFrom_) {
        const auto interval = uint64_t(std::max<int64_t>(0, frame.format.avgTimePerFrame / 10));
        audioFrom_ = frame.timeMicros > interval ? frame.timeMicros - interval : 0;
      }
      const std::vector<uint8_t> samples =
          captureAudio_->audio->Samples(*audioFrom_, frame.timeMicros);
      audioFrom_ = frame.timeMicros;
      if (!samples.empty()) ok = writer_->WriteAudio(samples.data(), samples.size());
    }
    if (!ok && !aborted_) {
      // The file cannot take more: the capture ends with an error event.
      aborted_ = true;
      writer_->Close();
      writer_.reset();
      PostEvent(EC_ERRORABORT);
    }
  }
  if (!previewVideo_) return;
  if (grabber_ && grabber_->callback) {
    if (grabber_->grabberSubtype) {
      VideoFormat g = format;
      g.subtype = *grabber_->grabberSubtype;
      g.bits = RgbBits(g.subtype);
      const std::vector<uint8_t> dib = FromRgb32(*img, g.subtype);
      grabber_->callback(double(frame.timeMicros) / 1e6, dib.data(), dib.size(), g);
    } else if (dvDecoder_) {
      format.subtype = MEDIASUBTYPE_RGB24;
      const std::vector<uint8_t> dib = FromRgb32(*img, format.subtype);
      grabber_->callback(double(frame.timeMicros) / 1e6, dib.data(), dib.size(), format);
    } else {
      grabber_->callback(double(frame.timeMicros) / 1e6, frame.data, frame.size, format);
    }
  }
  if (windowSink_) windowSink_(std::make_shared<const Rgb32Image>(std::move(*img)));
}

HRESULT Graph::AllocCapFile(const std::string& path, uint64_t bytes) {
  Devices().Log("AllocCapFile");
  if (HRESULT hr = Devices().Plan().Check("AllocCapFile", ""); Failed(hr)) return hr;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return E_FAIL;
  const int err = ::posix_fallocate(fd, 0, off_t(bytes));
  ::close(fd);
  return err == 0 ? S_OK : E_DISKFULL;
}

HRESULT Graph::CopyCaptureFile(const std::string& from, const std::string& to,
                               const std::function<bool()>& abort) {
  Devices().Log("CopyCaptureFile");
  if (HRESULT hr = Devices().Plan().Check("CopyCaptureFile", ""); Failed(hr)) return hr;
  struct stat a {
  }, b{};
  if (::stat(from.c_str(), &a) != 0) return E_FAIL;
  if (::stat(to.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
    return E_INVALIDARG;
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return E_FAIL;
  const std::string part = to + ".part";
  std::FILE* out = std::fopen(part.c_str(), "wb");
  if (!out) {
    std::fclose(in);
    return E_FAIL;
  }
  std::vector<char> buf(1 << 20);
  HRESULT hr = S_OK;
  while (true) {
    if (abort && abort()) {
      hr = E_ABORT;
      break;
    }
    const size_t n = std::fread(buf.data(), 1, buf.size(), in);
    if (n == 0) break;
    if (std::fwrite(buf.data(), 1, n, out) != n) {
      hr = E_DISKFULL;
      break;
    }
  }
  std::fclose(in);
  if (std::fclose(out) != 0 && Succeeded(hr)) hr = E_DISKFULL;
  // The named file changes only when the whole copy is there.
  if (Succeeded(hr) && std::rename(part.c_str(), to.c_str()) != 0) hr = E_FAIL;
  if (Failed(hr)) std::remove(part.c_str());
  return hr;
}

}  // namespace capture
