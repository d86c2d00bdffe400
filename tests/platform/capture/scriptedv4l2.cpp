#include "tests/platform/capture/scriptedv4l2.h"

#include <sys/mman.h>

#include <jpeglib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/capture/imaging.h"

namespace capturetest {

namespace {

int Fail(int e) {
  errno = e;
  return -1;
}

v4l2_queryctrl Query(uint32_t id, const char* name, uint32_t type, int min, int max, int step,
                     int def, uint32_t flags = 0) {
  v4l2_queryctrl q{};
  q.id = id;
  std::strncpy(reinterpret_cast<char*>(q.name), name, sizeof q.name - 1);
  q.type = type;
  q.minimum = min;
  q.maximum = max;
  q.step = step;
  q.default_value = def;
  q.flags = flags;
  return q;
}

}  // namespace

ScriptedV4L2::ScriptedV4L2() {
  controls = {
      {Query(V4L2_CID_BRIGHTNESS, "Brightness", V4L2_CTRL_TYPE_INTEGER, 0, 255, 1, 128), 128, {}},
      {Query(V4L2_CID_CONTRAST, "Contrast", V4L2_CTRL_TYPE_INTEGER, 0, 95, 1, 32), 32, {}},
      {Query(V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic", V4L2_CTRL_TYPE_BOOLEAN, 0, 1,
             1, 1),
       1,
       {}},
      {Query(V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", V4L2_CTRL_TYPE_MENU, 0, 2, 1,
             1),
       1,
       {"Disabled", "50 Hz", "60 Hz"}},
      {Query(V4L2_CID_HUE, "Hue", V4L2_CTRL_TYPE_INTEGER, -180, 180, 1, 0, V4L2_CTRL_FLAG_DISABLED),
       0,
       {}},
      {Query(V4L2_CID_GAIN, "Gain", V4L2_CTRL_TYPE_INTEGER, 0, 100, 1, 10,
             V4L2_CTRL_FLAG_READ_ONLY),
       10,
       {}},
      {Query(V4L2_CID_DO_WHITE_BALANCE, "Do White Balance", V4L2_CTRL_TYPE_BUTTON, 0, 0, 0, 0),
       0,
       {}},
  };
}

int ScriptedV4L2::CurrentInput() {
  std::lock_guard lock(m_);
  return input_;
}
uint32_t ScriptedV4L2::Frequency() {
  std::lock_guard lock(m_);
  return frequency_;
}
uint32_t ScriptedV4L2::PixelFormat() {
  std::lock_guard lock(m_);
  return pixelformat_;
}
int ScriptedV4L2::Value(const std::string& name) {
  std::lock_guard lock(m_);
  for (const Control& c : controls)
    if (name == reinterpret_cast<const char*>(c.query.name)) return c.value;
  return -1;
}

std::vector<std::string> ScriptedV4L2::Nodes() {
  return {"/dev/video0", "/dev/video1", "/dev/video2"};
}

int ScriptedV4L2::Open(const std::string& path) {
  if (path == "/dev/video2") return Fail(EACCES);
  std::lock_guard lock(m_);
  ++opened;
  return path == "/dev/video0" ? 100 : 101;
}

int ScriptedV4L2::Close(int) {
  std::lock_guard lock(m_);
  --opened;
  return 0;
}

void* ScriptedV4L2::Mmap(int, size_t length, long offset) {
  std::lock_guard lock(m_);
  const size_t i = size_t(offset) / kImage;
  if (length != kImage || i >= bufs_.size()) return MAP_FAILED;
  return bufs_[i].data();
}

int ScriptedV4L2::Poll(int, int) {
  std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  std::lock_guard lock(m_);
  return queued_.empty() ? 0 : 1;
}

ScriptedV4L2::Control* ScriptedV4L2::Find(uint32_t id) {
  for (Control& c : controls)
    if (c.query.id == id) return &c;
  return nullptr;
}

// The frame-number picture through libjpeg itself; without its DHT segment when asked.
std::vector<uint8_t> ScriptedV4L2::Jpeg(uint32_t number) {
  capture::Rgb32Image img{320, 240, std::vector<uint8_t>(320 * 240 * 4)};
  capture::DrawFramePattern(img, number);
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = 320;
  c.image_height = 240;
  c.input_components = 4;
  c.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 85, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = img.Row(int(c.next_scanline));
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> jpeg(out, out + size);
  std::free(out);
  if (stripHuffman) {
    // Every FF C4 segment before the scan goes.
    for (size_t at = 2; at + 4 < jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA;) {
      const size_t len = size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
      if (jpeg[at + 1] == 0xC4)
        jpeg.erase(jpeg.begin() + long(at), jpeg.begin() + long(at + 2 + len));
      else
        at += 2 + len;
    }
  }
  if (cutShort.count(number)) jpeg.resize(jpeg.size() / 2);
  return jpeg;
}

int ScriptedV4L2::Ioctl(int fd, unsigned long request, void* arg) {
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
      std::vector<uint32_t> formats;
      if (mjpeg) formats.push_back(V4L2_PIX_FMT_MJPEG);
      if (yuyv) formats.push_back(V4L2_PIX_FMT_YUYV);
      formats.push_back(V4L2_PIX_FMT_H264);  // a format we do not take
      if (d->index >= formats.size()) return Fail(EINVAL);
      d->pixelformat = formats[d->index];
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto* s = static_cast<v4l2_frmsizeenum*>(arg);
      if (stepwise) {
        if (s->index > 0) return Fail(EINVAL);
        s->type = V4L2_FRMSIZE_TYPE_STEPWISE;
        s->stepwise = {160, 1280, 16, 120, 720, 8};
        return 0;
      }
      if (s->index > 1) return Fail(EINVAL);
      s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
      s->discrete =
          s->index == 0 ? v4l2_frmsize_discrete{320, 240} : v4l2_frmsize_discrete{160, 120};
      return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
      auto* iv = static_cast<v4l2_frmivalenum*>(arg);
      if (stepwise) {
        if (iv->index > 0) return Fail(EINVAL);
        iv->type = V4L2_FRMIVAL_TYPE_CONTINUOUS;
        iv->stepwise = {{1, 60}, {1, 5}, {1, 1}};
        return 0;
      }
      if (iv->index > 1) return Fail(EINVAL);
      iv->type = V4L2_FRMIVAL_TYPE_DISCRETE;
      iv->discrete = {1, iv->index == 0 ? 30u : 15u};
      return 0;
    }
    case VIDIOC_S_FMT: {
      auto* f = static_cast<v4l2_format*>(arg);
      if (streaming_) return Fail(EBUSY);
      const uint32_t p = f->fmt.pix.pixelformat;
      if (f->fmt.pix.width != 320 ||
          !((p == V4L2_PIX_FMT_YUYV && yuyv) || (p == V4L2_PIX_FMT_MJPEG && mjpeg)))
        return Fail(EINVAL);
      pixelformat_ = p;
      return 0;
    }
    case VIDIOC_S_PARM: {
      // The nearer of the two rates it has.
      v4l2_fract& t = static_cast<v4l2_streamparm*>(arg)->parm.capture.timeperframe;
      const bool slow = t.numerator && uint64_t(t.denominator) * 2 < uint64_t(t.numerator) * 45;
      t = {1, slow ? 15u : 30u};
      return 0;
    }
    case VIDIOC_REQBUFS:
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF:
    case VIDIOC_DQBUF:
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF:
      return Queue(request, arg);
    case VIDIOC_QUERYCTRL:
    case VIDIOC_QUERYMENU:
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL:
      return Controls(request, arg);
    case VIDIOC_ENUMINPUT:
    case VIDIOC_G_INPUT:
    case VIDIOC_S_INPUT:
    case VIDIOC_G_TUNER:
    case VIDIOC_G_FREQUENCY:
    case VIDIOC_S_FREQUENCY:
      return Inputs(request, arg);
    default:
      return Fail(ENOTTY);
  }
}

int ScriptedV4L2::Queue(unsigned long request, void* arg) {
  switch (request) {
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
      // Into the mapped memory itself, as the hardware writes it.
      std::vector<uint8_t> image;
      if (pixelformat_ == V4L2_PIX_FMT_MJPEG) {
        image = Jpeg(sequence_);
      } else {
        capture::Rgb32Image img{320, 240, std::vector<uint8_t>(320 * 240 * 4)};
        capture::DrawFramePattern(img, sequence_);
        image = capture::FromRgb32(img, capture::MEDIASUBTYPE_YUY2);
      }
      image.resize(std::min(image.size(), kImage));
      std::copy(image.begin(), image.end(), bufs_[b->index].begin());
      b->bytesused = uint32_t(image.size());
      ++sequence_;
      ++delivered_;
      return 0;
    }
    case VIDIOC_STREAMON:
      streaming_ = true;
      return 0;
    default:  // VIDIOC_STREAMOFF
      streaming_ = false;
      return 0;
  }
}

int ScriptedV4L2::Controls(unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_QUERYCTRL: {
      auto* q = static_cast<v4l2_queryctrl*>(arg);
      if (q->id & V4L2_CTRL_FLAG_NEXT_CTRL) {
        if (!walkControls) return Fail(EINVAL);
        const uint32_t after = q->id & ~V4L2_CTRL_FLAG_NEXT_CTRL;
        const Control* next = nullptr;
        for (const Control& c : controls)
          if (c.query.id > after && (!next || c.query.id < next->query.id)) next = &c;
        if (!next) return Fail(EINVAL);
        *q = next->query;
        return 0;
      }
      const Control* c = Find(q->id);
      if (!c) return Fail(EINVAL);
      *q = c->query;
      return 0;
    }
    case VIDIOC_QUERYMENU: {
      auto* m = static_cast<v4l2_querymenu*>(arg);
      const Control* c = Find(m->id);
      if (!c || m->index >= c->menu.size()) return Fail(EINVAL);
      std::strncpy(reinterpret_cast<char*>(m->name), c->menu[m->index].c_str(), sizeof m->name - 1);
      return 0;
    }
    case VIDIOC_G_CTRL: {
      auto* v = static_cast<v4l2_control*>(arg);
      const Control* c = Find(v->id);
      if (!c || c->query.flags & V4L2_CTRL_FLAG_DISABLED) return Fail(EINVAL);
      v->value = c->value;
      return 0;
    }
    default: {  // VIDIOC_S_CTRL
      auto* v = static_cast<v4l2_control*>(arg);
      Control* c = Find(v->id);
      if (!c || c->query.flags & V4L2_CTRL_FLAG_DISABLED) return Fail(EINVAL);
      if (c->query.flags & V4L2_CTRL_FLAG_READ_ONLY) return Fail(EACCES);
      if (v->value < c->query.minimum || v->value > c->query.maximum) return Fail(ERANGE);
      c->value = v->value;
      return 0;
    }
  }
}

int ScriptedV4L2::Inputs(unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_ENUMINPUT: {
      auto* in = static_cast<v4l2_input*>(arg);
      if (in->index >= inputs.size()) return Fail(EINVAL);
      const Input& i = inputs[in->index];
      std::strncpy(reinterpret_cast<char*>(in->name), i.name.c_str(), sizeof in->name - 1);
      in->type = i.tuner ? V4L2_INPUT_TYPE_TUNER : V4L2_INPUT_TYPE_CAMERA;
      in->tuner = 0;
      return 0;
    }
    case VIDIOC_G_INPUT:
      *static_cast<int*>(arg) = input_;
      return 0;
    case VIDIOC_S_INPUT: {
      const int i = *static_cast<int*>(arg);
      if (i < 0 || size_t(i) >= inputs.size()) return Fail(EINVAL);
      if (streaming_) return Fail(EBUSY);
      input_ = i;
      return 0;
    }
    case VIDIOC_G_TUNER: {
      auto* t = static_cast<v4l2_tuner*>(arg);
      if (t->index != 0 || !inputs[size_t(input_)].tuner) return Fail(EINVAL);
      std::strcpy(reinterpret_cast<char*>(t->name), "Scripted Tuner");
      t->type = V4L2_TUNER_ANALOG_TV;
      t->capability = 0;  // 62.5 kHz units
      t->rangelow = tunerLow;
      t->rangehigh = tunerHigh;
      t->signal = signal;
      return 0;
    }
    case VIDIOC_G_FREQUENCY:
      static_cast<v4l2_frequency*>(arg)->frequency = frequency_;
      return 0;
    default: {  // VIDIOC_S_FREQUENCY
      auto* f = static_cast<v4l2_frequency*>(arg);
      if (f->frequency < tunerLow || f->frequency > tunerHigh) return Fail(EINVAL);
      frequency_ = f->frequency;
      return 0;
    }
  }
}

}  // namespace capturetest
