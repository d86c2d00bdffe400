// The V4L2 code against a scripted driver: listing by card name, modes from formats, sizes and
// intervals, mmap streaming into a capture graph, sequence gaps as drops, ENODEV as a lost device.
#include "platform/capture/v4l2.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <sys/mman.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "platform/capture/avireader.h"
#include "platform/capture/graph.h"
#include "platform/capture/imaging.h"
#include "tests/platform/capture/shell.h"

namespace {

using namespace capture;

class ScriptedDriver : public V4L2Driver {
 public:
  int lostAfter = 1000;             // DQBUF fails with ENODEV after this many images
  std::set<uint32_t> skipSequence;  // sequence numbers the "hardware" drops
  int opened = 0;

  std::vector<std::string> Nodes() override {
    return {"/dev/video0", "/dev/video1", "/dev/video2"};
  }
  int Open(const std::string& path) override {
    if (path == "/dev/video2") {
      errno = EACCES;
      return -1;
    }
    ++opened;
    return path == "/dev/video0" ? 100 : 101;
  }
  int Close(int) override {
    --opened;
    return 0;
  }
  void* Mmap(int, size_t length, long offset) override {
    std::lock_guard lock(m_);
    const size_t i = size_t(offset) / kImage;
    if (length != kImage || i >= bufs_.size()) return MAP_FAILED;
    return bufs_[i].data();
  }
  int Munmap(void*, size_t) override { return 0; }
  int Poll(int, int) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard lock(m_);
    return queued_.empty() ? 0 : 1;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    std::lock_guard lock(m_);
    switch (request) {
      case VIDIOC_QUERYCAP: {
        auto* c = static_cast<v4l2_capability*>(arg);
        std::memset(c, 0, sizeof *c);
        std::strcpy(reinterpret_cast<char*>(c->card), fd == 100 ? "Scripted Cam" : "Metadata");
        c->capabilities = V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE;
        c->device_caps = fd == 100 ? V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING
                                   : V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
        return 0;
      }
      case VIDIOC_ENUM_FMT: {
        auto* d = static_cast<v4l2_fmtdesc*>(arg);
        if (d->index > 1) return Fail(EINVAL);
        d->pixelformat = d->index == 0 ? V4L2_PIX_FMT_MJPEG : V4L2_PIX_FMT_YUYV;
        return 0;
      }
      case VIDIOC_ENUM_FRAMESIZES: {
        auto* s = static_cast<v4l2_frmsizeenum*>(arg);
        if (s->index > 1) return Fail(EINVAL);
        s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        s->discrete =
            s->index == 0 ? v4l2_frmsize_discrete{320, 240} : v4l2_frmsize_discrete{160, 120};
        return 0;
      }
      case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* iv = static_cast<v4l2_frmivalenum*>(arg);
        if (iv->index > 1) return Fail(EINVAL);
        iv->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        iv->discrete = {1, iv->index == 0 ? 30u : 15u};
        return 0;
      }
      case VIDIOC_S_FMT: {
        auto* f = static_cast<v4l2_format*>(arg);
        if (f->fmt.pix.width != 320 || f->fmt.pix.pixelformat != V4L2_PIX_FMT_YUYV)
          return Fail(EINVAL);
        return 0;
      }
      case VIDIOC_S_PARM:
        static_cast<v4l2_streamparm*>(arg)->parm.capture.timeperframe = {1, 30};
        return 0;
      case VIDIOC_REQBUFS: {
        auto* r = static_cast<v4l2_requestbuffers*>(arg);
        r->count = std::min(r->count, 4u);
        bufs_.assign(r->count, std::vector<uint8_t>(kImage));
        queued_.clear();
        return 0;
      }
      case VIDIOC_QUERYBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        b->length = kImage;
        b->m.offset = b->index * kImage;
        return 0;
      }
      case VIDIOC_QBUF:
        queued_.push_back(static_cast<v4l2_buffer*>(arg)->index);
        return 0;
      case VIDIOC_DQBUF: {
        if (delivered_ >= lostAfter) return Fail(ENODEV);
        if (queued_.empty()) return Fail(EAGAIN);
        auto* b = static_cast<v4l2_buffer*>(arg);
        b->index = queued_.front();
        queued_.pop_front();
        while (skipSequence.count(sequence_)) ++sequence_;
        b->sequence = sequence_;
        b->bytesused = kImage;
        Rgb32Image img{320, 240, std::vector<uint8_t>(320 * 240 * 4)};
        DrawFramePattern(img, sequence_);
        // Into the mapped memory itself, as the hardware writes it.
        const std::vector<uint8_t> yuy2 = FromRgb32(img, MEDIASUBTYPE_YUY2);
        std::copy(yuy2.begin(), yuy2.end(), bufs_[b->index].begin());
        ++sequence_;
        ++delivered_;
        return 0;
      }
      case VIDIOC_STREAMON:
      case VIDIOC_STREAMOFF:
        return 0;
      default:
        return Fail(ENOTTY);
    }
  }

 private:
  static constexpr size_t kImage = 320 * 240 * 2;
  static int Fail(int e) {
    errno = e;
    return -1;
  }
  std::mutex m_;
  std::vector<std::vector<uint8_t>> bufs_;
  std::deque<uint32_t> queued_;
  uint32_t sequence_ = 0;
  int delivered_ = 0;
};

TEST(V4L2, ListsCamerasByCardNameWithTheirModes) {
  ScriptedDriver driver;
  const auto devices = V4L2Devices(driver);
  ASSERT_EQ(devices.size(), 1u);  // the metadata node and the closed one are no cameras
  EXPECT_EQ(devices[0].friendlyName, "Scripted Cam");
  EXPECT_EQ(driver.opened, 0);
  auto cam = devices[0].bindVideo();
  const auto caps = cam->Caps();
  ASSERT_EQ(caps.size(), 2u);  // YUYV only: MJPEG input is not taken
  EXPECT_EQ(caps[0].format.subtype, MEDIASUBTYPE_YUY2);
  EXPECT_EQ(caps[0].format.width, 320);
  EXPECT_EQ(caps[1].format.height, 120);
  EXPECT_EQ(caps[0].format.avgTimePerFrame, 333333);  // 1/30 s in 100 ns
  EXPECT_EQ(caps[0].minFrameInterval, 333333);
  EXPECT_EQ(caps[0].maxFrameInterval, 666666);
  EXPECT_EQ(cam->SetFormat(caps[1].format), E_FAIL);  // the driver refuses it
  cam.reset();
  EXPECT_EQ(driver.opened, 0);
}

TEST(V4L2, StreamsIntoAGraphCountsGapsAndLosesTheDevice) {
  char tmpl[] = "/tmp/corv_v4l2_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string file = std::string(tmpl) + "/cam.avi";
  ScriptedDriver driver;
  driver.skipSequence = {10, 11, 30};
  driver.lostAfter = 60;
  {
    const auto devices = V4L2Devices(driver);
    ASSERT_EQ(devices.size(), 1u);
    Graph g("Scripted Cam");
    auto cam = std::make_shared<Filter>(
        Filter{FilterKind::VideoCapture, "", nullptr, devices[0].bindVideo()});
    ASSERT_EQ(g.AddFilter(cam, "Scripted Cam"), S_OK);
    ASSERT_EQ(g.SetOutputFileName(file), S_OK);
    ASSERT_EQ(g.RenderStream(PinCategory::Capture, false, cam.get(), nullptr,
                             g.FindFilterByName("AVI Mux")),
              S_OK);
    std::atomic<int> notified{0};
    g.SetNotify([&] { ++notified; });
    ASSERT_EQ(g.ControlCaptureStream(true), S_OK);
    ASSERT_EQ(g.Run(), S_OK);
    // Sixty frames take well under a second; the minute only tells a hang from a loaded machine.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (notified == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    long code = 0;
    ASSERT_TRUE(g.GetEvent(code));
    EXPECT_EQ(code, EC_DEVICE_LOST);
    EXPECT_EQ(g.Stop(), S_OK);
    EXPECT_EQ(g.NotDropped(), 60);
    EXPECT_EQ(g.Dropped(), 3);
  }
  EXPECT_EQ(Shell("ffprobe -v error -count_packets -show_entries stream=codec_name,nb_read_packets "
                  "-of csv=p=0 '" +
                  file + "'"),
            "rawvideo,63\n");
  AviReader r(file);
  EXPECT_EQ(ReadFramePattern(*r.DecodeFrame(11)), 9u);  // 10 and 11 repeat 9
  EXPECT_EQ(ReadFramePattern(*r.DecodeFrame(12)), 12u);
  EXPECT_EQ(ReadFramePattern(*r.DecodeFrame(62)), 62u);
  std::filesystem::remove_all(tmpl);
}

// The machine's own cameras, if it has any, are listed by name.
TEST(V4L2, TheMachinesCamerasHaveNames) {
  for (const DeviceEntry& e : V4L2Devices()) EXPECT_FALSE(e.friendlyName.empty());
}

}  // namespace
