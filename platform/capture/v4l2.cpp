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
    default:
      return false;
  }
}

uint32_t PixelFormatOf(const rtl::TGUID& subtype) {
  return subtype == MEDIASUBTYPE_YUY2 ? V4L2_PIX_FMT_YUYV : V4L2_PIX_FMT_BGR24;
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
      if (!caps_.empty()) format_ = caps_.front().format;
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

  std::vector<VideoCaps> ReadCaps() {
    std::vector<VideoCaps> out;
    for (uint32_t fi = 0;; ++fi) {
      v4l2_fmtdesc desc{};
      desc.index = fi;
      desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      if (d_.Ioctl(fd_, VIDIOC_ENUM_FMT, &desc) < 0) break;
      rtl::TGUID subtype;
      int bits;
      if (!SubtypeOf(desc.pixelformat, subtype, bits)) continue;
      for (uint32_t si = 0;; ++si) {
        v4l2_frmsizeenum size{};
        size.index = si;
        size.pixel_format = desc.pixelformat;
        if (d_.Ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &size) < 0 ||
            size.type != V4L2_FRMSIZE_TYPE_DISCRETE)
          break;
        VideoCaps c;
        c.format.subtype = subtype;
        c.format.bits = bits;
        c.format.width = int(size.discrete.width);
        c.format.height = int(size.discrete.height);
        for (uint32_t ii = 0;; ++ii) {
          v4l2_frmivalenum iv{};
          iv.index = ii;
          iv.pixel_format = desc.pixelformat;
          iv.width = size.discrete.width;
          iv.height = size.discrete.height;
          if (d_.Ioctl(fd_, VIDIOC_ENUM_FRAMEINTERVALS, &iv) < 0 ||
              iv.type != V4L2_FRMIVAL_TYPE_DISCRETE)
            break;
          const int64_t t = Interval100ns(iv.discrete);
          if (t <= 0) continue;
          if (!c.format.avgTimePerFrame) c.format.avgTimePerFrame = t;
          c.minFrameInterval = c.minFrameInterval ? std::min(c.minFrameInterval, t) : t;
          c.maxFrameInterval = std::max(c.maxFrameInterval, t);
        }
        out.push_back(c);
      }
    }
    return out;
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
