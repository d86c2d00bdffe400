// Our own dialogs in place of a driver's, over the scripted V4L2 camera, answered by the scripted
// dialog responder; and a camera that sends only JPEG images previewing, grabbing and recording.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/capture/avireader.h"
#include "platform/gdi/image.h"
#include "platform/win/paint.h"
#include "tests/capture/capturetest.h"
#include "tests/platform/capture/scriptedv4l2.h"

namespace {

using capturetest::CaptureTest;
using capturetest::ScriptedV4L2;

class DriverDialogTest : public CaptureTest {
 protected:
  void SetUp() override {
    CaptureTest::SetUp();
    driver.pollMs = 10;
  }
  // The scripted camera among the capture devices, chosen.
  TVideoCapture* MakeCamera() {
    for (auto& e : capture::V4L2Devices(driver))
      capture::Devices().Add(capture::Category::VideoInput, std::move(e));
    return MakeControl("Scripted Cam");
  }
  // Real time goes by (the scripted camera has its own thread) until the condition holds.
  template <class F>
  bool PumpUntil(F condition) {
    for (int i = 0; i < 2500 && !condition(); ++i) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return condition();
  }
  // Every dialog is answered with OK (or `result`) and the text.
  void Answer(const std::string& text, int result = vcl::mrOk, unsigned delayMs = 0) {
    vcl::SetDialogResponder([this, text, result, delayMs](const vcl::TDialogRequest& r) {
      seen.push_back(r);
      return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{
          r.Kind == "MessageBox" ? vcl::IDOK : result, text, gdi::clBlack, delayMs});
    });
  }
  ScriptedV4L2 driver;
  std::vector<vcl::TDialogRequest> seen;
};

TEST_F(DriverDialogTest, FormatSourceControlsAndTunerOnlyWhereTheDriverHasThem) {
  driver.inputs = {{"Camera 1"}, {"Composite"}, {"Television", true}};
  TVideoCapture* cap = MakeCamera();
  ASSERT_TRUE(cap->Previewing());
  EXPECT_EQ(cap->GetAvailableDialogs(), DialogBit(cdVFORMAT) | DialogBit(cdVSOURCE) |
                                            DialogBit(cdVCROSSBAR) | DialogBit(cdVCAPTURE) |
                                            DialogBit(cdVCAPTURE_PIN) | DialogBit(cdVCOMPRESSION));

  // The format dialog lists every mode at every rate; the driver changes it once stopped.
  Answer("320x240x16b (YUY2), 15 fps");
  cap->ShowDialog(cdVFORMAT);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Caption, "Video Format");
  EXPECT_NEAR(cap->VCapMode().FrameRate, 15.0, 1e-3);
  EXPECT_EQ(driver.PixelFormat(), V4L2_PIX_FMT_YUYV);
  EXPECT_TRUE(cap->Previewing());

  // The source dialog chooses the input; the aerial input brings its tuner's page.
  Answer("Television");
  cap->ShowDialog(cdVSOURCE);
  EXPECT_EQ(driver.CurrentInput(), 2);
  EXPECT_TRUE(cap->Previewing());
  EXPECT_TRUE(cap->GetAvailableDialogs() & DialogBit(cdTVTUNER));
  Answer("495.25");
  cap->ShowDialog(cdTVTUNER);
  EXPECT_EQ(driver.Frequency(), 7924u);  // 495.25 MHz in 62.5 kHz
  seen.clear();
  Answer("30");  // below the tuner's 44 MHz: said, nothing tuned
  cap->ShowDialog(cdTVTUNER);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].Text, "The frequency must be a number from 44.00 to 958.00 MHz.");
  EXPECT_EQ(driver.Frequency(), 7924u);

  // The controls page: track bars, a box, a list; the read-only gain stays.
  seen.clear();
  Answer("Brightness=200\nPower Line Frequency=60 Hz\nWhite Balance, Automatic=0\nGain=50",
         vcl::mrOk, 200);
  // The page as it opens, in the build tree, to be looked at.
  const win::UINT_PTR snap =
      win::SetTimer(nullptr, 0, 50, [](win::HWND, win::UINT, win::UINT_PTR id, win::DWORD) {
        win::KillTimer(nullptr, id);
        gdi::SavePngFile("capture_controls_page.png", win::ComposeScreen());
      });
  cap->ShowDialog(cdVCAPTURE);
  win::KillTimer(nullptr, snap);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Caption, "Scripted Cam");
  EXPECT_EQ(driver.Value("Brightness"), 200);
  EXPECT_EQ(driver.Value("Power Line Frequency"), 2);
  EXPECT_EQ(driver.Value("White Balance, Automatic"), 0);
  EXPECT_EQ(driver.Value("Gain"), 10);
  EXPECT_EQ(driver.Value("Contrast"), 32);  // untouched, not written
  Answer("Brightness=10", vcl::mrCancel);
  cap->ShowDialog(cdVCAPTURE);
  EXPECT_EQ(driver.Value("Brightness"), 200);
  EXPECT_TRUE(cap->Previewing());

  // Nothing for what the driver lacks, for the crossbar, or while capturing.
  seen.clear();
  cap->ShowDialog(cdVDISPLAY);
  cap->ShowDialog(cdVCROSSBAR);
  ASSERT_TRUE(cap->StartCapture(false));
  cap->ShowDialog(cdVCAPTURE);
  EXPECT_TRUE(seen.empty());
  cap->StopCapture();
}

TEST_F(DriverDialogTest, ASingleInputCameraWithoutControlsOffersOnlyItsModes) {
  driver.controls.clear();
  TVideoCapture* cap = MakeCamera();
  EXPECT_EQ(cap->GetAvailableDialogs(),
            DialogBit(cdVFORMAT) | DialogBit(cdVCAPTURE_PIN) | DialogBit(cdVCOMPRESSION));
}

struct Stills {
  std::vector<std::pair<int, std::optional<uint32_t>>> got;  // width, number
  void Got(rtl::TObject*, TCapturedBitmap* b) {
    capture::Rgb32Image img{64, 64, std::vector<uint8_t>(64 * 64 * 4)};
    auto s = b->Surface();
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const uint32_t rgb = s->ToRgb(s->Get(x, y));
        uint8_t* p = img.Row(y) + 4 * x;
        p[0] = uint8_t(rgb);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb >> 16);
      }
    got.emplace_back(b->Width(), capture::ReadFramePattern(img, 8));  // as drawn at 320x240
  }
};

TEST_F(DriverDialogTest, AJpegOnlyCameraPreviewsGrabsAndRecords) {
  driver.yuyv = false;
  driver.stripHuffman = true;
  TVideoCapture* cap = MakeCamera();
  EXPECT_EQ(cap->VCapModeCount(), 2);
  EXPECT_EQ(TVideoCapture::GetModeString(cap->VCapMode()), "320x240x24b");
  cap->ChooseCompressors("", "", true);  // the camera's JPEG images go into the file as they are
  ASSERT_TRUE(cap->Previewing());
  ASSERT_TRUE(PumpUntil([&] { return cap->PreviewImage() != nullptr; }));
  EXPECT_TRUE(capture::ReadFramePattern(*cap->PreviewImage()).has_value());

  Stills stills;
  cap->OnBitmapGrabbed = rtl::MakeEvent(&stills, &Stills::Got);
  ASSERT_TRUE(cap->CaptureFrame());
  ASSERT_TRUE(PumpUntil([&] { return !stills.got.empty(); }));
  EXPECT_EQ(stills.got[0].first, 320);
  EXPECT_TRUE(stills.got[0].second.has_value());

  ASSERT_TRUE(cap->StartCapture(false));
  const int64_t base = cap->Graph()->NotDropped();
  ASSERT_TRUE(PumpUntil([&] { return cap->Graph()->NotDropped() >= base + 30; }));
  cap->StopCapture();
  const std::string file = Path("capture.avi");
  EXPECT_EQ(capturetest::Shell("ffprobe -v error -show_entries stream=codec_name,width,height "
                               "-of csv=p=0 '" +
                               file + "'"),
            "mjpeg,320,240\n");
  EXPECT_EQ(capturetest::Shell("ffmpeg -v error -i '" + file + "' -f null - 2>&1"), "");
  // The frame numbers follow one another (the file starts wherever the camera was).
  capture::AviReader r(file);
  ASSERT_GE(r.FrameCount(), 30);
  const auto first = capture::ReadFramePattern(*r.DecodeFrame(0));
  ASSERT_TRUE(first.has_value());
  for (int i = 1; i < r.FrameCount(); ++i)
    EXPECT_EQ(capture::ReadFramePattern(*r.DecodeFrame(i)), *first + uint32_t(i)) << i;
}

}  // namespace
