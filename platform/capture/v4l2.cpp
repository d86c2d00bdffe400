#include "platform/capture/v4l2.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

namespace capture {

std::vector<std::string> V4L2Driver::Nodes() {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/dev", ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("video", 0) == 0) out.push_back(e.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}
int V4L2Driver::Open(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}
int V4L2Driver::Close(int fd) {
  return ::close(fd);
}
int V4L2Driver::Ioctl(int fd, unsigned long request, void* arg) {
  int r;
  do {
    r = ::ioctl(fd, request, arg);
  } while (r < 0 && errno == EINTR);
  return r;
}
void* V4L2Driver::Mmap(int fd, size_t length, long offset) {
  return ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, off_t(offset));
}
int V4L2Driver::Munmap(void* address, size_t length) {
  return ::munmap(address, length);
}
int V4L2Driver::Poll(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs);
}

V4L2Driver& SystemV4L2() {
  static V4L2Driver driver;
  return driver;
}

namespace {

// The pixel formats we take and the subtypes they become.
bool SubtypeOf(uint32_t pixelformat, rtl::TGUID& subtype, int& bits) {
  switch (pixelformat) {
    case V4L2_PIX_FMT_YUYV:
      subtype = MEDIASUBTYPE_YUY2;
      bits = 16;
      return true;
    case V4L2_PIX_FMT_BGR24:
      subtype = MEDIASUBTYPE_RGB24;
      bits = 24;
      return true;
    case V4L2_PIX_FMT_MJPEG:  // many cameras offer their larger sizes only so
      subtype = MEDIASUBTYPE_MJPG;
      bits = 24;
      return true;
    default:
      return false;
  }
}

uint32_t PixelFormatOf(const rtl::TGUID& subtype) {
  if (subtype == MEDIASUBTYPE_YUY2) return V4L2_PIX_FMT_YUYV;
  if (subtype == MEDIASUBTYPE_MJPG) return V4L2_PIX_FMT_MJPEG;
  return V4L2_PIX_FMT_BGR24;
}

std::string Text(const uint8_t* chars, size_t size) {
  const char* c = reinterpret_cast<const char*>(chars);
  return std::string(c, strnlen(c, size));
}

// Tuner frequencies come in 62.5 kHz units, or 62.5 Hz with the low-units flag.
uint64_t UnitHz(uint32_t capability) {
  return capability & V4L2_TUNER_CAP_LOW ? 0 : 1;
}
uint64_t ToHz(uint32_t units, uint32_t capability) {
  return UnitHz(capability) ? uint64_t(units) * 62500 : uint64_t(units) * 125 / 2;
}
uint32_t FromHz(uint64_t hz, uint32_t capability) {
  const uint64_t u = UnitHz(capability) ? (hz + 31250) / 62500 : (hz * 2 + 62) / 125;
  return uint32_t(std::min<uint64_t>(u, UINT32_MAX));
}

int64_t Interval100ns(const v4l2_fract& f) {
  return f.denominator ? int64_t(f.numerator) * 10'000'000 / int64_t(f.denominator) : 0;
}

class V4L2VideoDevice : public VideoDevice {
 public:
  V4L2VideoDevice(V4L2Driver& driver, std::string path) : d_(driver), path_(std::move(path)) {
    fd_ = d_.Open(path_);
    if (fd_ >= 0) {
      caps_ = ReadCaps();
      // Uncompressed first, when there is such a mode: it costs no decoding.
      auto plain = std::find_if(caps_.begin(), caps_.end(), [](const VideoCaps& c) {
        return !(c.format.subtype == MEDIASUBTYPE_MJPG);
      });
      if (plain != caps_.end())
        format_ = plain->format;
      else if (!caps_.empty())
        format_ = caps_.front().format;
    }
  }
  ~V4L2VideoDevice() override {
    Stop();
    if (fd_ >= 0) d_.Close(fd_);
  }
  std::vector<VideoCaps> Caps() override { return caps_; }
  VideoFormat Format() override { return format_; }

  HRESULT SetFormat(const VideoFormat& f) override {
    if (fd_ < 0) return E_FAIL;
    if (thread_.joinable()) return VFW_E_NOT_STOPPED;
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = uint32_t(f.width);
    fmt.fmt.pix.height = uint32_t(std::abs(f.height));
    fmt.fmt.pix.pixelformat = PixelFormatOf(f.subtype);
    fmt.fmt.pix.field = V4L2_FIELD_NONE;
    if (d_.Ioctl(fd_, VIDIOC_S_FMT, &fmt) < 0) return E_FAIL;
    VideoFormat now = f;
    now.width = int(fmt.fmt.pix.width);
    now.height = int(fmt.fmt.pix.height);
    if (f.avgTimePerFrame > 0) {
      v4l2_streamparm parm{};
      parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      parm.parm.capture.timeperframe = {uint32_t(f.avgTimePerFrame), 10'000'000};
      if (d_.Ioctl(fd_, VIDIOC_S_PARM, &parm) == 0)
        now.avgTimePerFrame = Interval100ns(parm.parm.capture.timeperframe);
    }
    format_ = now;
    return S_OK;
  }

  HRESULT Start(Callbacks callbacks) override {
    Stop();
    if (fd_ < 0) return E_FAIL;
    if (HRESULT hr = SetFormat(format_); Failed(hr)) return hr;
    v4l2_requestbuffers req{};
    req.count = 4;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (d_.Ioctl(fd_, VIDIOC_REQBUFS, &req) < 0 || req.count == 0) return E_FAIL;
    for (uint32_t i = 0; i < req.count; ++i) {
      v4l2_buffer b{};
      b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      b.memory = V4L2_MEMORY_MMAP;
      b.index = i;
      if (d_.Ioctl(fd_, VIDIOC_QUERYBUF, &b) < 0) return Unmap(E_FAIL);
      void* p = d_.Mmap(fd_, b.length, long(b.m.offset));
      if (p == MAP_FAILED) return Unmap(E_FAIL);
      buffers_.push_back({p, b.length});
      if (d_.Ioctl(fd_, VIDIOC_QBUF, &b) < 0) return Unmap(E_FAIL);
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (d_.Ioctl(fd_, VIDIOC_STREAMON, &type) < 0) return Unmap(E_FAIL);
    stop_ = false;
    callbacks_ = std::move(callbacks);
    thread_ = std::thread([this] { Run(); });
    return S_OK;
  }

  std::vector<VideoInput> Inputs() override {
    std::vector<VideoInput> out;
    for (uint32_t i = 0; fd_ >= 0 && i < 64; ++i) {
      v4l2_input in{};
      in.index = i;
      if (d_.Ioctl(fd_, VIDIOC_ENUMINPUT, &in) < 0) break;
      out.push_back({Text(in.name, sizeof in.name), in.type == V4L2_INPUT_TYPE_TUNER});
    }
    return out;
  }
  int Input() override {
    int i = -1;
    return fd_ >= 0 && d_.Ioctl(fd_, VIDIOC_G_INPUT, &i) == 0 ? i : -1;
  }
  HRESULT SetInput(int index) override {
    if (fd_ < 0 || index < 0) return E_INVALIDARG;
    if (d_.Ioctl(fd_, VIDIOC_S_INPUT, &index) == 0) return S_OK;
    return errno == EBUSY ? VFW_E_NOT_STOPPED : E_FAIL;
  }

  std::vector<VideoControl> Controls() override {
    std::vector<VideoControl> out;
    if (fd_ < 0) return out;
    v4l2_queryctrl q{};
    q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    if (d_.Ioctl(fd_, VIDIOC_QUERYCTRL, &q) == 0) {
      do {
        AddControl(q, out);
        q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
      } while (out.size() < 256 && d_.Ioctl(fd_, VIDIOC_QUERYCTRL, &q) == 0);
    } else {
      // Drivers without the walk: the picture controls one by one.
      for (uint32_t id = V4L2_CID_BASE; id < V4L2_CID_LASTP1; ++id) {
        q = {};
        q.id = id;
        if (d_.Ioctl(fd_, VIDIOC_QUERYCTRL, &q) == 0) AddControl(q, out);
      }
    }
    ReadMenus(out);
    return out;
  }
  HRESULT GetControl(uint32_t id, int& value) override {
    v4l2_control c{id, 0};
    if (fd_ < 0 || d_.Ioctl(fd_, VIDIOC_G_CTRL, &c) < 0) return E_FAIL;
    value = c.value;
    return S_OK;
  }
  HRESULT SetControl(uint32_t id, int value) override {
    v4l2_control c{id, value};
    if (fd_ < 0) return E_FAIL;
    if (d_.Ioctl(fd_, VIDIOC_S_CTRL, &c) == 0) return S_OK;
    return errno == ERANGE || errno == EINVAL ? E_INVALIDARG : E_FAIL;
  }

  std::optional<TunerInfo> Tuner() override {
    v4l2_tuner t{};
    if (!TunerOfInput(t)) return std::nullopt;
    return TunerInfo{Text(t.name, sizeof t.name), ToHz(t.rangelow, t.capability),
                     ToHz(t.rangehigh, t.capability), int(t.signal)};
  }
  HRESULT GetFrequency(uint64_t& hz) override {
    v4l2_tuner t{};
    if (!TunerOfInput(t)) return E_NOTIMPL;
    v4l2_frequency f{};
    f.tuner = t.index;
    f.type = t.type;
    if (d_.Ioctl(fd_, VIDIOC_G_FREQUENCY, &f) < 0) return E_FAIL;
    hz = ToHz(f.frequency, t.capability);
    return S_OK;
  }
  HRESULT SetFrequency(uint64_t hz) override {
    v4l2_tuner t{};
    if (!TunerOfInput(t)) return E_NOTIMPL;
    if (hz < ToHz(t.rangelow, t.capability) || hz > ToHz(t.rangehigh, t.capability))
      return E_INVALIDARG;
    v4l2_frequency f{};
    f.tuner = t.index;
    f.type = t.type;
    f.frequency = FromHz(hz, t.capability);
    return d_.Ioctl(fd_, VIDIOC_S_FREQUENCY, &f) == 0 ? S_OK : E_FAIL;
  }

  void Stop() override {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (!buffers_.empty()) {
      int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      d_.Ioctl(fd_, VIDIOC_STREAMOFF, &type);
      Unmap(S_OK);
    }
  }

 private:
  struct Buffer {
    void* address;
    size_t length;
  };

  HRESULT Unmap(HRESULT hr) {
    for (const Buffer& b : buffers_) d_.Munmap(b.address, b.length);
    buffers_.clear();
    v4l2_requestbuffers req{};
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    d_.Ioctl(fd_, VIDIOC_REQBUFS, &req);
    return hr;
  }

  static void AddControl(const v4l2_queryctrl& q, std::vector<VideoControl>& out) {
    if (q.flags & V4L2_CTRL_FLAG_DISABLED) return;
    VideoControl c;
    switch (q.type) {
      case V4L2_CTRL_TYPE_INTEGER:
        c.type = VideoControl::Integer;
        break;
      case V4L2_CTRL_TYPE_BOOLEAN:
        c.type = VideoControl::Boolean;
        break;
      case V4L2_CTRL_TYPE_MENU:
        c.type = VideoControl::Menu;
        break;
      default:
        return;  // buttons, strings, 64-bit and compound controls: not picture settings
    }
    c.id = q.id;
    c.name = Text(q.name, sizeof q.name);
    c.minimum = q.minimum;
    c.maximum = std::max(q.maximum, q.minimum);
    c.step = q.step > 0 ? q.step : 1;
    c.defaultValue = q.default_value;
    c.readOnly = q.flags & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_GRABBED);
    out.push_back(std::move(c));
  }

  // The menu entries are asked for once the list is made (they need the descriptor).
  void ReadMenus(std::vector<VideoControl>& controls) {
    for (VideoControl& c : controls) {
      if (c.type != VideoControl::Menu) continue;
      for (int i = c.minimum; i <= c.maximum && i - c.minimum < 256; ++i) {
        v4l2_querymenu m{};
        m.id = c.id;
        m.index = uint32_t(i);
        if (d_.Ioctl(fd_, VIDIOC_QUERYMENU, &m) == 0)
          c.menu.emplace_back(i, Text(m.name, sizeof m.name));
      }
    }
  }

  bool TunerOfInput(v4l2_tuner& t) {
    const int i = Input();
    v4l2_input in{};
    in.index = uint32_t(i);
    if (i < 0 || d_.Ioctl(fd_, VIDIOC_ENUMINPUT, &in) < 0 || in.type != V4L2_INPUT_TYPE_TUNER)
      return false;
    t = {};
    t.index = in.tuner;
    return d_.Ioctl(fd_, VIDIOC_G_TUNER, &t) == 0;
  }

  std::vector<VideoCaps> ReadCaps() {
    std::vector<VideoCaps> out;
    for (uint32_t fi = 0; fi < 64; ++fi) {
      v4l2_fmtdesc desc{};
      desc.index = fi;
      desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      if (d_.Ioctl(fd_, VIDIOC_ENUM_FMT, &desc) < 0) break;
      rtl::TGUID subtype;
      int bits;
      if (!SubtypeOf(desc.pixelformat, subtype, bits)) continue;
      for (const auto& [w, h] : Sizes(desc.pixelformat)) {
        VideoCaps c;
        c.format.subtype = subtype;
        c.format.bits = bits;
        c.format.width = int(w);
        c.format.height = int(h);
        ReadIntervals(desc.pixelformat, w, h, c);
        out.push_back(c);
      }
    }
    return out;
  }

  // The sizes of a pixel format: the ones listed, or, for a driver that gives a range, the
  // usual sizes within it and its largest.
  std::vector<std::pair<uint32_t, uint32_t>> Sizes(uint32_t pixelformat) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (uint32_t si = 0; si < 256; ++si) {
      v4l2_frmsizeenum size{};
      size.index = si;
      size.pixel_format = pixelformat;
      if (d_.Ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &size) < 0) break;
      if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        out.emplace_back(size.discrete.width, size.discrete.height);
        continue;
      }
      const v4l2_frmsize_stepwise& r = size.stepwise;
      const uint32_t sw = std::max(r.step_width, 1u), sh = std::max(r.step_height, 1u);
      auto fits = [&](uint32_t w, uint32_t h) {
        return w >= r.min_width && w <= r.max_width && h >= r.min_height && h <= r.max_height &&
               (w - r.min_width) % sw == 0 && (h - r.min_height) % sh == 0;
      };
      if (r.max_width && r.max_height && r.max_width <= 16384 && r.max_height <= 16384)
        out.emplace_back(r.max_width, r.max_height);
      for (auto [w, h] : {std::pair<uint32_t, uint32_t>{1920, 1080},
                          {1280, 720},
                          {640, 480},
                          {320, 240},
                          {160, 120}})
        if (fits(w, h) && !(w == r.max_width && h == r.max_height)) out.emplace_back(w, h);
      break;  // a range is the only entry
    }
    return out;
  }

  // The frame intervals of one size: the ones listed, or the usual rates within a range.
  void ReadIntervals(uint32_t pixelformat, uint32_t w, uint32_t h, VideoCaps& c) {
    auto add = [&c](int64_t t) {
      if (t <= 0) return;
      if (!c.format.avgTimePerFrame) c.format.avgTimePerFrame = t;
      c.intervals.push_back(t);
      c.minFrameInterval = c.minFrameInterval ? std::min(c.minFrameInterval, t) : t;
      c.maxFrameInterval = std::max(c.maxFrameInterval, t);
    };
    for (uint32_t ii = 0; ii < 256; ++ii) {
      v4l2_frmivalenum iv{};
      iv.index = ii;
      iv.pixel_format = pixelformat;
      iv.width = w;
      iv.height = h;
      if (d_.Ioctl(fd_, VIDIOC_ENUM_FRAMEINTERVALS, &iv) < 0) break;
      if (iv.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
        add(Interval100ns(iv.discrete));
        continue;
      }
      const int64_t lo = Interval100ns(iv.stepwise.min), hi = Interval100ns(iv.stepwise.max);
      for (int fps : {30, 25, 15, 10, 5}) {
        const int64_t t = 10'000'000 / fps;
        if (t >= lo && t <= hi) add(t);
      }
      break;
    }
  }

  void Run() {
    while (!stop_) {
      const int ready = d_.Poll(fd_, 100);
      if (ready < 0 && errno != EINTR) return Lost();
      if (ready <= 0) continue;
      v4l2_buffer b{};
      b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      b.memory = V4L2_MEMORY_MMAP;
      if (d_.Ioctl(fd_, VIDIOC_DQBUF, &b) < 0) {
        if (errno == EAGAIN || errno == EINTR) continue;
        return Lost();  // ENODEV: the camera was pulled
      }
      if (b.index < buffers_.size() && callbacks_.frame) {
        Frame f;
        f.sequence = b.sequence;
        f.timeMicros = uint64_t(b.timestamp.tv_sec) * 1'000'000 + uint64_t(b.timestamp.tv_usec);
        f.data = static_cast<const uint8_t*>(buffers_[b.index].address);
        f.size = std::min<size_t>(b.bytesused, buffers_[b.index].length);
        f.format = format_;
        callbacks_.frame(f);
      }
      if (d_.Ioctl(fd_, VIDIOC_QBUF, &b) < 0) return Lost();
    }
  }

  void Lost() {
    if (callbacks_.lost) callbacks_.lost();
  }

  V4L2Driver& d_;
  std::string path_;
  int fd_ = -1;
  std::vector<VideoCaps> caps_;
  VideoFormat format_;
  std::vector<Buffer> buffers_;
  Callbacks callbacks_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
};

}  // namespace

std::vector<DeviceEntry> V4L2Devices(V4L2Driver& driver) {
  std::vector<DeviceEntry> out;
  for (const std::string& node : driver.Nodes()) {
    const int fd = driver.Open(node);
    if (fd < 0) continue;
    v4l2_capability cap{};
    const bool ok = driver.Ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
    driver.Close(fd);
    const uint32_t caps =
        cap.capabilities & V4L2_CAP_DEVICE_CAPS ? cap.device_caps : cap.capabilities;
    if (!ok || !(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) continue;
    DeviceEntry e;
    e.friendlyName.assign(reinterpret_cast<const char*>(cap.card),
                          strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card));
    e.path = node;
    V4L2Driver* d = &driver;
    e.bindVideo = [d, node] { return std::make_shared<V4L2VideoDevice>(*d, node); };
    out.push_back(std::move(e));
  }
  return out;
}

std::vector<DeviceEntry> V4L2Devices() {
  return V4L2Devices(SystemV4L2());
}

}  // namespace capture
