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
#include "tests/platform/capture/scriptedv4l2.h"
#include "tests/platform/capture/shell.h"

namespace {

using namespace capture;

using ScriptedDriver = capturetest::ScriptedV4L2;

TEST(V4L2, ListsCamerasByCardNameWithTheirModes) {
  ScriptedDriver driver;
  const auto devices = V4L2Devices(driver);
  ASSERT_EQ(devices.size(), 1u);  // the metadata node and the closed one are no cameras
  EXPECT_EQ(devices[0].friendlyName, "Scripted Cam");
  EXPECT_EQ(driver.opened, 0);
  auto cam = devices[0].bindVideo();
  const auto caps = cam->Caps();
  ASSERT_EQ(caps.size(), 4u);  // JPEG and YUYV; H.264 is not taken
  EXPECT_EQ(caps[0].format.subtype, MEDIASUBTYPE_MJPG);
  EXPECT_EQ(caps[2].format.subtype, MEDIASUBTYPE_YUY2);
  EXPECT_EQ(caps[2].format.width, 320);
  EXPECT_EQ(caps[3].format.height, 120);
  EXPECT_EQ(caps[2].format.avgTimePerFrame, 333333);  // 1/30 s in 100 ns
  EXPECT_EQ(caps[2].minFrameInterval, 333333);
  EXPECT_EQ(caps[2].maxFrameInterval, 666666);
  EXPECT_EQ(caps[2].intervals, (std::vector<int64_t>{333333, 666666}));
  EXPECT_EQ(cam->Format(), caps[2].format);           // uncompressed when there is a choice
  EXPECT_EQ(cam->SetFormat(caps[3].format), E_FAIL);  // the driver refuses it
  cam.reset();
  EXPECT_EQ(driver.opened, 0);
}

// A driver that gives ranges: the usual sizes and rates within them, and its largest size.
TEST(V4L2, SizeAndRateRangesGiveTheUsualModes) {
  ScriptedDriver driver;
  driver.mjpeg = false;
  driver.stepwise = true;
  const auto caps = V4L2Devices(driver)[0].bindVideo()->Caps();
  std::vector<std::pair<int, int>> sizes;
  for (const VideoCaps& c : caps) sizes.emplace_back(c.format.width, c.format.height);
  EXPECT_EQ(sizes,
            (std::vector<std::pair<int, int>>{
                {1280, 720}, {640, 480}, {320, 240}, {160, 120}}));  // 1920x1080 is too large
  // 1/60 s to 1/5 s: 30, 25, 15, 10 and 5 frames a second.
  EXPECT_EQ(caps[1].intervals, (std::vector<int64_t>{333333, 400000, 666666, 1000000, 2000000}));
  EXPECT_EQ(caps[1].format.avgTimePerFrame, 333333);
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

// A camera that sends only JPEG images, without their Huffman tables as many do: its images are
// decoded for the preview and go into the file as they came; one cut short counts as dropped.
TEST(V4L2, AJpegOnlyCameraStreamsAndRecords) {
  char tmpl[] = "/tmp/corv_v4l2_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string file = std::string(tmpl) + "/jpeg.avi";
  ScriptedDriver driver;
  driver.yuyv = false;
  driver.stripHuffman = true;
  driver.cutShort = {20};
  driver.lostAfter = 40;
  {
    const auto devices = V4L2Devices(driver);
    ASSERT_EQ(devices.size(), 1u);
    auto dev = devices[0].bindVideo();
    ASSERT_EQ(dev->Format().subtype, MEDIASUBTYPE_MJPG);
    Graph g("Scripted Cam");
    auto cam = std::make_shared<Filter>(Filter{FilterKind::VideoCapture, "", nullptr, dev});
    ASSERT_EQ(g.AddFilter(cam, "Scripted Cam"), S_OK);
    ASSERT_EQ(g.SetOutputFileName(file), S_OK);
    ASSERT_EQ(g.RenderStream(PinCategory::Capture, false, cam.get(), nullptr,
                             g.FindFilterByName("AVI Mux")),
              S_OK);
    ASSERT_EQ(g.RenderStream(PinCategory::Preview, false, cam.get(), nullptr, nullptr), S_OK);
    std::mutex m;
    std::vector<uint32_t> shown;
    g.SetVideoWindowSink([&](std::shared_ptr<const Rgb32Image> img) {
      std::lock_guard lock(m);
      shown.push_back(ReadFramePattern(*img).value_or(9999));
    });
    std::atomic<int> notified{0};
    g.SetNotify([&] { ++notified; });
    ASSERT_EQ(g.ControlCaptureStream(true), S_OK);
    ASSERT_EQ(g.Run(), S_OK);
    for (int i = 0; i < 2000 && notified == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(g.Stop(), S_OK);
    EXPECT_EQ(g.NotDropped(), 39);
    EXPECT_EQ(g.Dropped(), 1);
    std::lock_guard lock(m);
    ASSERT_EQ(shown.size(), 39u);
    EXPECT_EQ(shown[19], 19u);
    EXPECT_EQ(shown[20], 21u);  // the damaged image is not shown
    EXPECT_EQ(shown.back(), 39u);
  }
  EXPECT_EQ(Shell("ffprobe -v error -count_packets -show_entries "
                  "stream=codec_name,width,height,nb_read_packets -of csv=p=0 '" +
                  file + "'"),
            "mjpeg,320,240,40\n");
  EXPECT_EQ(Shell("ffmpeg -v error -i '" + file + "' -f null - 2>&1"), "");
  AviReader r(file);
  EXPECT_EQ(ReadFramePattern(*r.DecodeFrame(0)), 0u);
  EXPECT_EQ(ReadFramePattern(*r.DecodeFrame(20)), 19u);  // repeated in the damaged one's place
  EXPECT_EQ(ReadFramePattern(*r.DecodeFrame(39)), 39u);
  std::filesystem::remove_all(tmpl);
}

// Inputs, picture controls and the tuner, as our dialogs see them.
TEST(V4L2, InputsControlsAndTheTuner) {
  ScriptedDriver driver;
  driver.inputs = {{"Camera 1"}, {"Composite"}, {"Television", true}};
  auto dev = V4L2Devices(driver)[0].bindVideo();
  // The disabled hue and the button are no picture settings; drivers that cannot walk their
  // controls are asked one by one.
  const std::vector<std::string> names = {"Brightness", "Contrast", "White Balance, Automatic",
                                          "Gain", "Power Line Frequency"};
  for (bool walk : {true, false}) {
    driver.walkControls = walk;
    std::vector<std::string> got;
    for (const VideoControl& c : dev->Controls()) got.push_back(c.name);
    EXPECT_EQ(got, names) << walk;
  }
  const auto controls = dev->Controls();
  EXPECT_EQ(controls[0].maximum, 255);
  EXPECT_EQ(controls[0].defaultValue, 128);
  EXPECT_EQ(controls[2].type, VideoControl::Boolean);
  EXPECT_TRUE(controls[3].readOnly);
  EXPECT_EQ(controls[4].type, VideoControl::Menu);
  EXPECT_EQ(controls[4].menu, (std::vector<std::pair<int, std::string>>{
                                  {0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}));
  int v = 0;
  EXPECT_EQ(dev->SetControl(V4L2_CID_BRIGHTNESS, 200), S_OK);
  EXPECT_EQ(dev->GetControl(V4L2_CID_BRIGHTNESS, v), S_OK);
  EXPECT_EQ(v, 200);
  EXPECT_EQ(dev->SetControl(V4L2_CID_CONTRAST, 96), E_INVALIDARG);  // past its maximum
  EXPECT_EQ(driver.Value("Contrast"), 32);

  ASSERT_EQ(dev->Inputs().size(), 3u);
  EXPECT_TRUE(dev->Inputs()[2].tuner);
  EXPECT_FALSE(dev->Tuner());  // the camera input has none
  EXPECT_EQ(dev->SetInput(2), S_OK);
  EXPECT_EQ(dev->Input(), 2);
  const auto tuner = dev->Tuner();
  ASSERT_TRUE(tuner);
  EXPECT_EQ(tuner->lowHz, 44'000'000u);  // 704 x 62.5 kHz
  EXPECT_EQ(tuner->highHz, 958'000'000u);
  // 495.25 MHz is 7924 units of 62.5 kHz.
  EXPECT_EQ(dev->SetFrequency(495'250'000), S_OK);
  EXPECT_EQ(driver.Frequency(), 7924u);
  uint64_t hz = 0;
  EXPECT_EQ(dev->GetFrequency(hz), S_OK);
  EXPECT_EQ(hz, 495'250'000u);
  EXPECT_EQ(dev->SetFrequency(30'000'000), E_INVALIDARG);
  EXPECT_EQ(driver.Frequency(), 7924u);
  // The input stays while the camera streams.
  ASSERT_EQ(dev->Start({}), S_OK);
  EXPECT_EQ(dev->SetInput(0), VFW_E_NOT_STOPPED);
  dev->Stop();
  EXPECT_EQ(dev->SetInput(0), S_OK);
}

// The machine's own cameras, if it has any, are listed by name.
TEST(V4L2, TheMachinesCamerasHaveNames) {
  for (const DeviceEntry& e : V4L2Devices()) EXPECT_FALSE(e.friendlyName.empty());
}

}  // namespace
