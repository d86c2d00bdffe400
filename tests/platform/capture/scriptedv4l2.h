#pragma once
// A scripted V4L2 driver for tests: a camera at /dev/video0 named "Scripted Cam" with YUYV and
// JPEG modes, inputs, picture controls and a tuner, a metadata node at /dev/video1 and a node
// nobody may open at /dev/video2. Its JPEG images are made by libjpeg here, apart from our encoder.
#include <linux/videodev2.h>

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/capture/v4l2.h"

namespace capturetest {

class ScriptedV4L2 : public capture::V4L2Driver {
 public:
  struct Input {
    std::string name;
    bool tuner = false;
  };
  struct Control {
    v4l2_queryctrl query{};
    int value = 0;
    std::vector<std::string> menu;  // a menu's entry names, from index 0
  };

  ScriptedV4L2();

  bool yuyv = true, mjpeg = true;   // the pixel formats offered (JPEG listed first)
  bool stepwise = false;            // sizes and rates as ranges rather than lists
  bool stripHuffman = false;        // JPEG images without their tables, as many cameras send them
  std::set<uint32_t> cutShort;      // sequence numbers whose JPEG image arrives cut in half
  int lostAfter = 1000;             // DQBUF fails with ENODEV after this many images
  std::set<uint32_t> skipSequence;  // sequence numbers the "hardware" drops
  bool walkControls = true;         // answers V4L2_CTRL_FLAG_NEXT_CTRL
  std::vector<Input> inputs = {{"Camera 1"}};
  std::vector<Control> controls;  // Brightness, Contrast, White Balance, Power Line, ...
  uint32_t tunerLow = 44 * 16, tunerHigh = 958 * 16;  // 62.5 kHz units
  uint16_t signal = 0xC000;
  int opened = 0;
  int pollMs = 1;  // how long a poll waits: the images' pace

  // What the "hardware" holds now.
  int CurrentInput();
  uint32_t Frequency();
  int Value(const std::string& control);
  uint32_t PixelFormat();

  std::vector<std::string> Nodes() override;
  int Open(const std::string& path) override;
  int Close(int) override;
  void* Mmap(int, size_t length, long offset) override;
  int Munmap(void*, size_t) override { return 0; }
  int Poll(int, int) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;

  static constexpr size_t kImage = 320 * 240 * 2;

 private:
  int Queue(unsigned long request, void* arg);
  int Controls(unsigned long request, void* arg);
  int Inputs(unsigned long request, void* arg);
  Control* Find(uint32_t id);
  std::vector<uint8_t> Jpeg(uint32_t number);

  std::mutex m_;
  std::vector<std::vector<uint8_t>> bufs_;
  std::deque<uint32_t> queued_;
  uint32_t sequence_ = 0;
  int delivered_ = 0;
  bool streaming_ = false;
  uint32_t pixelformat_ = V4L2_PIX_FMT_YUYV;
  uint32_t width_ = 320, height_ = 240;
  int input_ = 0;
  uint32_t frequency_ = 0;
};

}  // namespace capturetest
