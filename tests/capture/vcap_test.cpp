#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "capture/vcapstrings.h"
#include "platform/capture/avireader.h"
#include "platform/rtl/palette.h"
#include "platform/vcl/screen.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/scriptedinput.h"
#include "tests/capture/capturetest.h"

namespace {

using capturetest::CaptureTest;
using capturetest::Shell;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(CaptureTest, ListsEqualNamesWithANumberAndFindsTheCompressor) {
  capture::AddSyntheticCamera("Test Camera");
  capture::AddSyntheticCamera("Test Camera");
  capture::AddSyntheticCamera("  ");
  TVideoCapture cap(nullptr);
  auto list = cap.GetVideoDevicesList(true);
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ((*list)[0], "Test Camera");
  EXPECT_EQ((*list)[1], "Test Camera (2)");
  EXPECT_EQ(cap.GetVideoCompressorsList(true)->IndexOf("MJPEG Compressor"), 0);
}

// The graph's steps of choosing a camera and a microphone with the MJPEG compressor, then
// previewing: the order the capture control takes them in.
const std::vector<std::string> kBuildSteps = {
    "CreateCaptureGraphBuilder",
    "BindToObject Test Camera",
    "CreateFilterGraph",
    "SetFiltergraph",
    "AddFilter Test Camera",
    "FindInterface IAMStreamConfig capture interleaved",
    "FindInterface IAMStreamConfig capture video",
    "FindInterface IAMVfwCaptureDialogs",
    "BindToObject MJPEG Compressor",
    "AddFilter MyVideoCompressor",
    "FindInterface IAMVfwCompressDialogs",
    "BindToObject Test Mic",
    "AddFilter Test Mic",
    "FindInterface IAMStreamConfig audio",
    "CreateFilter SmartTee",
    "AddFilter MySmartTee",
    "RenderStream any video Test Camera to MySmartTee",
    "CreateFilter InfTee",
    "AddFilter MyInfTee",
    "RenderStream any audio Test Mic to MyInfTee",
    "RenderStream preview audio Test Mic to renderer",
    "SetOutputFileName",
    "SetMode overwrite",
    "SetOutputCompatibilityIndex",
    "SetMasterStream",
    "RenderStream capture video Test Camera via MyVideoCompressor to AVI Mux",
    "RenderStream capture audio Test Mic to AVI Mux",
    "CreateFilter SampleGrabber",
    "AddFilter MyBitmapGrabber",
    "SetMediaType",
    "RenderStream preview video Test Camera to MyBitmapGrabber",
    "SetBufferSamples",
    "SetOneShot",
    "SetCallback",
    "RenderStream preview video Test Camera via MyBitmapGrabber to renderer",
    "FindInterface IVideoWindow",
    "SetNotifyWindow",
    "ControlStream capture stop",
    "Run",
};

TEST_F(CaptureTest, BuildsTheGraphInOrder) {
  capture::AddSyntheticCamera("Test Camera");
  capture::AddSyntheticMicrophone("Test Mic");
  TVideoCapture* cap = MakeControl("Test Camera", "Test Mic");
  capture::Devices().ClearSteps();
  vcl::ClearDialogLog();
  cap->ChooseDevices("Test Camera", "Test Mic", true);
  // The tear-down of the previous graph comes first.
  std::vector<std::string> steps = capture::Devices().Steps();
  steps.erase(steps.begin(), std::find(steps.begin(), steps.end(), "CreateCaptureGraphBuilder"));
  EXPECT_EQ(steps, kBuildSteps);
  EXPECT_TRUE(vcl::DialogLog().empty());
  EXPECT_TRUE(cap->Built());
  EXPECT_TRUE(cap->Previewing());
  EXPECT_EQ(cap->VCapSource(), "Test Camera");
  EXPECT_EQ(cap->VCompDevice(), "MJPEG Compressor");
}

// What a failure at each step shows and leaves: the box (none when empty), and whether the graph
// still gets built and previews.
struct Expected {
  std::string box;
  bool built;
};

TEST_F(CaptureTest, AFailureAtEveryStep) {
  using namespace vcapstrings;
  const std::map<std::string, Expected> table = {
      {"CreateCaptureGraphBuilder", {kNoGraphBuilder, false}},
      {"BindToObject Test Camera", {kNoVideoFilter, false}},
      {"CreateFilterGraph", {kNoGraph, false}},
      {"SetFiltergraph", {kSetGraph, false}},
      {"AddFilter Test Camera", {kAddVideoFilter, false}},
      {"FindInterface IAMStreamConfig capture interleaved", {"", true}},  // video is asked next
      {"FindInterface IAMStreamConfig capture video", {kNoVideoConfig, true}},
      {"FindInterface IAMVfwCaptureDialogs", {"", true}},
      {"BindToObject MJPEG Compressor", {"", true}},  // captures uncompressed
      {"AddFilter MyVideoCompressor", {"", true}},
      {"FindInterface IAMVfwCompressDialogs", {"", true}},
      {"BindToObject Test Mic", {kNoAudioFilter, false}},  // audio wanted, none there
      {"AddFilter Test Mic", {kAddAudioFilter, false}},
      {"FindInterface IAMStreamConfig audio", {kNoAudioConfig, true}},
      {"CreateFilter SmartTee", {kSmartTee, false}},
      {"AddFilter MySmartTee", {kSmartTee, false}},
      {"RenderStream any video Test Camera to MySmartTee", {kSmartTee, false}},
      {"CreateFilter InfTee", {kInfTee, false}},
      {"AddFilter MyInfTee", {kInfTee, false}},
      {"RenderStream any audio Test Mic to MyInfTee", {kInfTee, false}},
      {"RenderStream preview audio Test Mic to renderer", {kRenderAudioPreview, false}},
      {"SetOutputFileName", {kSetCaptureFile, false}},
      {"SetMode overwrite", {"", true}},
      {"SetOutputCompatibilityIndex", {"", true}},
      {"SetMasterStream", {kMasterStream, true}},
      {"RenderStream capture video Test Camera via MyVideoCompressor to AVI Mux",
       {kRenderVideoCapture, false}},
      {"RenderStream capture audio Test Mic to AVI Mux", {kRenderAudioCapture, false}},
      {"CreateFilter SampleGrabber", {"", true}},  // previews without still frames
      {"AddFilter MyBitmapGrabber", {"", true}},
      {"SetMediaType", {"", true}},
      {"RenderStream preview video Test Camera to MyBitmapGrabber", {kSampleGrabber, true}},
      {"SetBufferSamples", {"", true}},
      {"SetOneShot", {"", true}},
      {"SetCallback", {"", true}},
      {"RenderStream preview video Test Camera via MyBitmapGrabber to renderer",
       {kRenderPreview, false}},
      {"FindInterface IVideoWindow", {kCannotPreview, true}},
      {"SetNotifyWindow", {"", true}},
      {"ControlStream capture stop", {"", true}},
      {"Run", {kRunPreview, true}},
  };
  ASSERT_EQ(table.size(), kBuildSteps.size());
  capture::AddSyntheticCamera("Test Camera");
  capture::AddSyntheticMicrophone("Test Mic");
  for (const std::string& step : kBuildSteps) {
    SCOPED_TRACE(step);
    const Expected& e = table.at(step);
    capture::Devices().Plan().Clear();
    TVideoCapture* cap = MakeControl("Test Camera", "Test Mic");
    vcl::ClearDialogLog();
    capture::Devices().Plan().Fail(step, capture::E_FAIL, "Test Camera");
    cap->ChooseDevices("Test Camera", "Test Mic", true);
    const auto log = vcl::DialogLog();
    if (e.box.empty()) {
      EXPECT_TRUE(log.empty()) << log.front().Text;
    } else {
      ASSERT_EQ(log.size(), 1u) << (log.empty() ? "" : log.back().Text);
      std::string text = e.box;
      if (const size_t at = text.find("%x"); at != std::string::npos)
        text.replace(at, 2, "80004005");
      EXPECT_EQ(log[0].Text, text);
      EXPECT_EQ(log[0].Caption, "DirectShow - Capture");
      EXPECT_EQ(log[0].Flags & vcl::MB_ICONMASK, unsigned(vcl::MB_ICONERROR));
    }
    EXPECT_EQ(cap->Built(), e.built);
    // A failed build leaves nothing running; a failed run is stopped again.
    EXPECT_EQ(cap->Previewing(), e.built && step != "Run");
    if (!e.built && cap->Graph()) {
      EXPECT_FALSE(cap->Graph()->Running());
    }
    delete cap;
  }
}

// A 60 s recording at 640x480 and 25 frames a second through the MJPEG compressor, checked by
// ffprobe and ffmpeg.
TEST_F(CaptureTest, SixtySecondsReadByFfprobe) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  ASSERT_TRUE(cap->Previewing());
  Advance(1000);
  ASSERT_TRUE(cap->StartCapture(false));
  for (int i = 0; i < 600; ++i) Advance(100);
  cap->StopCapture();
  EXPECT_EQ(cap->FramesCaptured(), 1500);
  EXPECT_EQ(cap->FramesDropped(), 0);
  EXPECT_TRUE(cap->Previewing());  // preview resumes
  const std::string f = Path("capture.avi");
  EXPECT_EQ(Shell("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                  "stream=codec_name,width,height,nb_read_packets,duration -of csv=p=0 '" +
                  f + "'"),
            "mjpeg,640,480,60.000000,1500\n");
  EXPECT_EQ(Shell("ffmpeg -v error -i '" + f + "' -f null - 2>&1"), "");
  const std::vector<int> numbers = capturetest::FfmpegFrameNumbers(f);
  ASSERT_EQ(numbers.size(), 1500u);
  for (size_t i = 1; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], numbers[0] + int(i)) << i;
}

TEST_F(CaptureTest, DropsAreCountedAndRepeatedWhereTheyHappen) {
  capture::SyntheticOptions o;
  o.dropAt = {60, 61, 200};
  capture::AddSyntheticCamera("Test Camera", o);
  TVideoCapture* cap = MakeControl();
  ASSERT_TRUE(cap->StartCapture(false));       // frames from 1 on
  for (int i = 0; i < 100; ++i) Advance(100);  // 10 s: 250 frames due
  cap->StopCapture();
  EXPECT_EQ(cap->FramesDropped(), 3);
  EXPECT_EQ(cap->FramesCaptured(), 247);
  const std::string f = Path("capture.avi");
  EXPECT_EQ(Shell("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                  "stream=nb_read_packets,duration -of csv=p=0 '" +
                  f + "'"),
            "10.000000,250\n");
  const std::vector<int> n = capturetest::FfmpegFrameNumbers(f);
  ASSERT_EQ(n.size(), 250u);
  EXPECT_EQ(n[0], 0);
  EXPECT_EQ(n[59], 59);
  EXPECT_EQ(n[60], 59);
  EXPECT_EQ(n[61], 59);
  EXPECT_EQ(n[62], 62);
  EXPECT_EQ(n[200], 199);
  EXPECT_EQ(n[249], 249);
}

TEST_F(CaptureTest, ADevicePulledMidCapture) {
  capture::SyntheticOptions o;
  o.lostAt = 125;
  capture::AddSyntheticCamera("Test Camera", o);
  TVideoCapture* cap = MakeControl();
  int lost = 0, starts = 0;
  struct Counter : rtl::TObject {
    int* n;
    void Hit(rtl::TObject*) { ++*n; }
  } lostCounter, startCounter;
  lostCounter.n = &lost;
  startCounter.n = &starts;
  cap->OnDeviceLost = rtl::MakeEvent(&lostCounter, &Counter::Hit);
  cap->OnStartPreview = rtl::MakeEvent(&startCounter, &Counter::Hit);
  ASSERT_TRUE(cap->StartCapture(false));
  for (int i = 0; i < 100; ++i) Advance(100);
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(starts, 0);  // no preview restarts on a lost device
  EXPECT_FALSE(cap->Capturing());
  EXPECT_FALSE(cap->Previewing());
  const std::string f = Path("capture.avi");
  EXPECT_EQ(Shell("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                  "stream=nb_read_packets -of csv=p=0 '" +
                  f + "'"),
            "125\n");
  EXPECT_EQ(Shell("ffmpeg -v error -i '" + f + "' -f null - 2>&1"), "");
  cap->OnDeviceLost = nullptr;
  cap->OnStartPreview = nullptr;
}

TEST_F(CaptureTest, APreviewADeviceChangeAndTheNextRecordingLeaveTheLastVideo) {
  capture::AddSyntheticCamera("Test Camera");
  capture::AddSyntheticCamera("Other Camera");
  TVideoCapture* cap = MakeControl();
  cap->SetCaptureFileName(Path("first.avi"));
  ASSERT_TRUE(cap->StartCapture(false));
  Advance(2000);
  cap->StopCapture();
  const std::string first = ReadAll(Path("first.avi"));
  ASSERT_GT(first.size(), 1000u);
  Advance(1000);  // preview
  cap->ChooseDevices("Other Camera", "", false);
  Advance(1000);
  cap->ChooseDevices("Test Camera", "", false);
  cap->SetCaptureFileName(Path("second.avi"));
  ASSERT_TRUE(cap->StartCapture(false));  // while previewing
  Advance(1000);
  cap->StopCapture();
  EXPECT_EQ(ReadAll(Path("first.avi")), first);
  capture::AviReader second(Path("second.avi"));
  EXPECT_EQ(second.FrameCount(), 25);
}

TEST_F(CaptureTest, TimeLimitStopsAtTheFirstTickAfterIt) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  cap->UseTimeLimit = true;
  cap->TimeLimit = 10;
  ASSERT_TRUE(cap->StartCapture(false));
  const uint64_t start = clock->NowMicros();
  while (cap->Capturing() && clock->NowMicros() - start < 20'000'000) Advance(50);
  const uint64_t stoppedAfter = (clock->NowMicros() - start) / 1000;
  EXPECT_GE(stoppedAfter, 10000u);
  EXPECT_LT(stoppedAfter, 10150u);
  EXPECT_TRUE(cap->Previewing());
}

struct Grabbed : rtl::TObject {
  std::vector<std::pair<vcl::TPixelFormat, std::optional<uint32_t>>> frames;
  void Got(rtl::TObject*, TCapturedBitmap* b) {
    auto s = b->Surface();
    capture::Rgb32Image img{b->Width(), b->Height(),
                            std::vector<uint8_t>(size_t(b->Width() * b->Height() * 4))};
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) {
        const uint32_t rgb = s->ToRgb(s->Get(x, y));
        uint8_t* p = img.Row(y) + 4 * x;
        p[0] = uint8_t(rgb);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb >> 16);
      }
    frames.emplace_back(b->PixelFormat(), capture::ReadFramePattern(img));
  }
};

TEST_F(CaptureTest, StillFramesInEveryDepthCarryTheirNumber) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  Grabbed grabbed;
  cap->OnBitmapGrabbed = rtl::MakeEvent(&grabbed, &Grabbed::Got);
  cap->StopPreview();
  EXPECT_FALSE(cap->CaptureFrame());  // neither previewing nor capturing
  for (vcl::TPixelFormat pf : {vcl::pf15bit, vcl::pf16bit, vcl::pf24bit, vcl::pf32bit}) {
    TGraphConfig c;
    cap->SaveGraph(&c);
    c.PixelFormat = uint8_t(pf);
    cap->RestoreGraph(&c);
    ASSERT_TRUE(cap->Previewing());
    grabbed.frames.clear();
    Advance(400);  // ten frames go by
    ASSERT_TRUE(cap->CaptureFrame());
    ASSERT_TRUE(cap->CaptureFrame());  // armed twice: still one frame
    Advance(40);
    Advance(200);
    ASSERT_EQ(grabbed.frames.size(), 1u) << pf;
    EXPECT_EQ(grabbed.frames[0].first, pf);
    ASSERT_TRUE(grabbed.frames[0].second.has_value()) << pf;
    EXPECT_EQ(*grabbed.frames[0].second, 10u) << pf;  // the frame due at 440 ms
  }
}

TEST_F(CaptureTest, ModesStringsRatesAndDVSizes) {
  capture::SyntheticOptions dv;
  dv.dv = true;
  capture::AddSyntheticCamera("Test Camera");
  capture::AddSyntheticCamera("DV Camera", dv);
  TVideoCapture* cap = MakeControl();
  ASSERT_EQ(cap->VCapModeCount(), 4);
  EXPECT_EQ(TVideoCapture::GetModeString(cap->VCapModes(0)), "640x480x16b (YUY2)");
  EXPECT_EQ(TVideoCapture::GetModeString(cap->VCapModes(1)), "640x480x24b (RGB24)");
  EXPECT_EQ(cap->VCapModeIdx(), 0);
  EXPECT_DOUBLE_EQ(cap->VCapMode().FrameRate, 25.0);
  EXPECT_DOUBLE_EQ(cap->VCapMode().MinFrameRate, 10.0);
  EXPECT_DOUBLE_EQ(cap->VCapMode().MaxFrameRate, 50.0);
  ASSERT_TRUE(cap->SetVCapMode(3));
  EXPECT_EQ(cap->VCapModeIdx(), 3);
  TACapMode pcm{capture::MEDIATYPE_Audio, capture::MEDIASUBTYPE_PCM, 44100, 16, 2, 176400};
  EXPECT_EQ(TVideoCapture::GetModeString(pcm), "44100Hzx16bx2");
  TACapMode other = pcm;
  other.MediaSubType = capture::MEDIASUBTYPE_MJPG;
  other.AvgSampleRate = 16000;
  EXPECT_EQ(TVideoCapture::GetModeString(other), "128kBits/s, 44100Hz, 2");
  cap->SetFrameRate(60);
  EXPECT_EQ(cap->FrameRate(), 25);
  cap->SetFrameRate(0.5);
  EXPECT_EQ(cap->FrameRate(), 25);
  cap->SetFrameRate(12.5);
  EXPECT_EQ(cap->FrameRate(), 12.5);

  cap->ChooseDevices("DV Camera", "", false);
  EXPECT_TRUE(cap->IsDVSource());
  ASSERT_EQ(cap->VCapModeCount(), 4);
  const int sizes[4][2] = {{720, 576}, {360, 288}, {180, 144}, {88, 72}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(cap->VCapModes(i).Width, sizes[i][0]);
    EXPECT_EQ(cap->VCapModes(i).Height, sizes[i][1]);
  }
  ASSERT_TRUE(cap->SetVCapMode(3));
  EXPECT_EQ(cap->DVResolution(), dvrDC);
  EXPECT_EQ(cap->VCapMode().Width, 88);
  // The settings file's default 16 is no DV size: it counts as full.
  TGraphConfig c;
  cap->SaveGraph(&c);
  c.DVResolution = 16;
  c.VCapMode = cap->VCapModes(0);
  cap->RestoreGraph(&c);
  EXPECT_EQ(int(cap->DVResolution()), int(dvrFull));
  EXPECT_EQ(cap->VCapMode().Width, 720);
  ASSERT_TRUE(cap->StartCapture(false));
  Advance(400);
  cap->StopCapture();
  capture::AviReader r(Path("capture.avi"));
  EXPECT_EQ(r.Width(), 720);
  EXPECT_EQ(r.FrameCount(), 10);
}

}  // namespace

namespace {

TEST_F(CaptureTest, PreallocationPastTwoGigabytesAndAZeroFrameRate) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  // 2048 MB is 2^31 bytes: past a 32-bit product.
  cap->DoPreallocFile = true;
  cap->PreallocFileSize = 2048;
  ASSERT_TRUE(cap->StartCapture(false));
  EXPECT_EQ(std::filesystem::file_size(Path("capture.avi")), uint64_t(2048) << 20);
  Advance(400);
  cap->StopCapture();
  EXPECT_LT(std::filesystem::file_size(Path("capture.avi")), uint64_t(1) << 20);  // cut at the end
  EXPECT_EQ(capture::AviReader(Path("capture.avi")).FrameCount(), 10);

  // A new control's frame rate is 0: used, it counts as 25 frames a second.
  cap->UseFrameRate = true;
  vcl::ClearDialogLog();
  cap->ChooseDevices("Test Camera", "", true);
  EXPECT_TRUE(vcl::DialogLog().empty());
  EXPECT_TRUE(cap->Previewing());
  EXPECT_DOUBLE_EQ(cap->VCapMode().FrameRate, 25.0);
}

TEST_F(CaptureTest, TheTemporaryFileStaysUnlessItsCopyWorked) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  cap->UseTempFile = true;
  cap->ChooseDevices("Test Camera", "", true);  // the graph writes the temporary file
  capture::Devices().Plan().Fail("CopyCaptureFile", capture::E_ABORT);
  ASSERT_TRUE(cap->StartCapture(false));
  Advance(400);
  cap->StopCapture();
  cap->ChooseDevices("Test Camera", "", true);                // a tear-down
  ASSERT_TRUE(std::filesystem::exists(Path("captemp.avi")));  // the only copy of the video
  EXPECT_FALSE(std::filesystem::exists(Path("capture.avi")));
  capture::Devices().Plan().Clear();
  ASSERT_TRUE(cap->StartCapture(false));
  Advance(400);
  cap->StopCapture();
  EXPECT_FALSE(std::filesystem::exists(Path("captemp.avi")));
  EXPECT_EQ(capture::AviReader(Path("capture.avi")).FrameCount(), 10);
}

}  // namespace

namespace {

TEST_F(CaptureTest, OurOwnDialogsForModesAndQuality) {
  capture::AddSyntheticCamera("Test Camera");
  capture::AddSyntheticMicrophone("Test Mic");
  TVideoCapture* cap = MakeControl("Test Camera", "Test Mic");
  EXPECT_EQ(cap->GetAvailableDialogs(),
            DialogBit(cdVCAPTURE_PIN) | DialogBit(cdACAPTURE_PIN) | DialogBit(cdVCOMPRESSION));
  std::vector<vcl::TDialogRequest> seen;
  std::string pick;
  vcl::SetDialogResponder([&](const vcl::TDialogRequest& r) {
    seen.push_back(r);
    return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{vcl::mrOk, pick});
  });
  pick = "320x240x24b (RGB24)";
  cap->ShowDialog(cdVCAPTURE_PIN);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Caption, "Video Capture Pin");
  EXPECT_EQ(cap->VCapModeIdx(), 3);
  EXPECT_TRUE(cap->Previewing());
  pick = "22050Hzx16bx2";
  cap->ShowDialog(cdACAPTURE_PIN);
  EXPECT_EQ(cap->ACapModeIdx(), 1);
  pick = "Quality 40";
  cap->ShowDialog(cdVCOMPRESSION);
  TGraphConfig c;
  cap->SaveGraph(&c);
  EXPECT_EQ(c.VCompState, std::string(1, char(40)));
  EXPECT_TRUE(cap->Previewing());
  // Nothing while capturing, nor a dialog nobody offers.
  ASSERT_TRUE(cap->StartCapture(false));
  cap->ShowDialog(cdVCAPTURE_PIN);
  cap->ShowDialog(cdTVTUNER);
  EXPECT_EQ(seen.size(), 3u);
  cap->StopCapture();
}

}  // namespace

namespace {

// A DV camera's own sound goes into the file through the DV splitter, and like a microphone's it
// starts with the first image captured, not with the preview before it.
TEST_F(CaptureTest, DVAudioIsRecordedFromTheCapturesStart) {
  capture::SyntheticOptions dv;
  dv.dv = true;
  capture::AddSyntheticCamera("DV Camera", dv);
  TVideoCapture* cap = MakeControl("DV Camera");
  cap->WantAudio = true;
  cap->WantDVAudio = true;
  cap->ChooseDevices("DV Camera", "", true);
  ASSERT_TRUE(cap->Previewing());
  Advance(3000);  // three seconds of preview first
  ASSERT_TRUE(cap->StartCapture(false));
  Advance(2000);
  cap->StopCapture();
  const std::string f = Path("capture.avi");
  EXPECT_EQ(Shell("ffprobe -v error -select_streams a -show_entries "
                  "stream=codec_name,sample_rate,channels -of csv=p=0 '" +
                  f + "'"),
            "pcm_s16le,48000,2\n");
  EXPECT_EQ(Shell("ffmpeg -v error -i '" + f + "' -f null - 2>&1"), "");
  // 50 images of 40 ms; the sound as long, 48,000 x 2 x 2 bytes a second.
  EXPECT_EQ(Shell("ffprobe -v error -select_streams v -count_packets -show_entries "
                  "stream=nb_read_packets -of csv=p=0 '" +
                  f + "'"),
            "50\n");
  const std::string pcm = Shell("ffmpeg -v error -i '" + f + "' -map 0:a -f s16le -");
  EXPECT_NEAR(double(pcm.size()) / 192000, 2.0, 0.041) << pcm.size();
}

// The machine's devices as a rescan finds them: new entries each time, a device known again by
// its name and where it is.
void RegisterDevices(const std::vector<std::pair<std::string, std::string>>& cameras) {
  capture::Devices().ClearAdded();
  for (const auto& [name, node] : cameras) {
    capture::DeviceEntry e;
    e.friendlyName = name;
    e.path = node;
    e.bindVideo = [] {
      return std::make_shared<capture::SyntheticVideoDevice>(capture::SyntheticOptions{});
    };
    capture::Devices().Add(capture::Category::VideoInput, std::move(e));
  }
  capture::DeviceEntry mic;
  mic.friendlyName = "Mic";
  mic.path = "plughw:3,0";
  mic.bindAudio = [] { return std::make_shared<capture::SyntheticAudioDevice>(); };
  capture::Devices().Add(capture::Category::AudioInput, std::move(mic));
}

TEST_F(CaptureTest, TheChoiceIsFoundAgainInListsMadeAfresh) {
  const std::vector<std::pair<std::string, std::string>> cams = {{"Cam", "/dev/video7"},
                                                                 {"Cam", "/dev/video8"}};
  RegisterDevices(cams);
  TVideoCapture* cap = MakeControl("Cam (2)", "Mic");
  ASSERT_TRUE(cap->Previewing());
  RegisterDevices(cams);
  cap->GetVideoDevicesList(true);
  cap->GetAudioDevicesList(true);
  cap->GetVideoCompressorsList(true);
  EXPECT_EQ(cap->VCapSource(), "Cam (2)");
  EXPECT_EQ(cap->VCapSourceIdx(), 1);
  EXPECT_EQ(cap->ACapSource(), "Mic");
  EXPECT_EQ(cap->ACapSourceIdx(), 0);
  EXPECT_EQ(cap->VCompDevice(), "MJPEG Compressor");
  EXPECT_EQ(cap->VCompDeviceIdx(), 0);
  // Chosen again from the new lists, they are the ones in use: the graph stays as it is.
  int changes = 0;
  cap->OnChangeDevice = cap->OnChangeCompressor =
      rtl::TNotifyEvent(this, [&](rtl::TObject*) { ++changes; });
  capture::Devices().ClearSteps();
  cap->ChooseDevices("Cam (2)", "Mic", false);
  cap->ChooseCompressors("MJPEG Compressor", "", false);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(capture::Devices().Steps(), std::vector<std::string>{});
  EXPECT_TRUE(cap->Previewing());
  cap->OnChangeDevice = cap->OnChangeCompressor = nullptr;
  TGraphConfig c;
  cap->SaveGraph(&c);
  EXPECT_EQ(c.VCapSource, "Cam (2)");
  EXPECT_EQ(c.ACapSource, "Mic");
  EXPECT_EQ(c.VComp, "MJPEG Compressor");
  // Another device at the same node is not the one chosen.
  RegisterDevices({{"Cam", "/dev/video7"}, {"Other", "/dev/video8"}});
  cap->GetVideoDevicesList(true);
  EXPECT_EQ(cap->VCapSource(), "");
  EXPECT_EQ(cap->VCapSourceIdx(), -1);
}

TEST_F(CaptureTest, CompressorsByIndexAndThePalettePage) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  int changes = 0;
  cap->OnChangeCompressor = rtl::TNotifyEvent(this, [&](rtl::TObject*) { ++changes; });
  cap->ChooseCompressors(-1, -1, false);
  EXPECT_EQ(cap->VCompDevice(), "");
  EXPECT_EQ(cap->VCompDeviceIdx(), -1);
  cap->ChooseCompressors(0, 5, false);  // past the list: none
  EXPECT_EQ(cap->VCompDevice(), "MJPEG Compressor");
  EXPECT_EQ(cap->ACompDeviceIdx(), -1);
  EXPECT_EQ(changes, 2);
  cap->OnChangeCompressor = nullptr;
  vcap::Register();
  EXPECT_EQ(rtl::ComponentPalettePage(rtl::FindClass("TVideoCapture")), "Samples");
}

TEST_F(CaptureTest, TheConfirmationOffersYesAndCancel) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  vcl::SetDialogResponder(nullptr);  // the user answers
  std::vector<std::string> buttons;
  win::InputScript script;
  script.After(100).Then([&] {
    vcl::TCustomForm* box = vcl::Screen->ActiveForm();
    for (const char* name : {"Button1", "Button2", "Button3"})
      if (auto* b = dynamic_cast<vcl::TButton*>(box ? box->FindComponent(name) : nullptr))
        buttons.push_back(b->Caption());
    PostKey(win::VK_ESCAPE);
  });
  EXPECT_FALSE(cap->StartCapture(true));
  EXPECT_EQ(buttons, (std::vector<std::string>{"&Yes", "Cancel"}));
  EXPECT_FALSE(cap->Capturing());
  EXPECT_TRUE(cap->Previewing());
  ASSERT_EQ(vcl::DialogLog().size(), 1u);
  EXPECT_EQ(vcl::DialogLog()[0].Text, "Starting capture!");
  EXPECT_EQ(vcl::DialogLog()[0].Flags & vcl::MB_ICONMASK, unsigned(vcl::MB_ICONQUESTION));
  vcl::SetDialogResponder([](const vcl::TDialogRequest&) {
    return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{vcl::mrYes});
  });
  EXPECT_TRUE(cap->StartCapture(true));
  cap->StopCapture();
}

}  // namespace
