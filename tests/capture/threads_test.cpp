// The capture control's threads: the streaming thread hands still frames and frame messages to
// the GUI thread while the GUI thread arms frames, and the control goes away mid-stream, also
// after a stop that failed. Runs under ThreadSanitizer too.
#include <gtest/gtest.h>

#include "capture/vcapstrings.h"
#include "platform/capture/avireader.h"
#include "tests/capture/capturetest.h"

namespace {

using capturetest::CaptureTest;

struct Counts : rtl::TObject {
  int frames = 0, bitmaps = 0;
  void Frame(rtl::TObject*) { ++frames; }
  void Bitmap(rtl::TObject*, TCapturedBitmap* b) {
    if (b->Width() == 640) ++bitmaps;
  }
};

TEST_F(CaptureTest, FramesArmedFromTheGuiThreadWhileStreaming) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  Counts counts;
  cap->OnFrameRendered = rtl::MakeEvent(&counts, &Counts::Frame);
  cap->OnBitmapGrabbed = rtl::MakeEvent(&counts, &Counts::Bitmap);
  ASSERT_TRUE(cap->StartCapture(false));
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(cap->CaptureFrame());
    Advance(40);
  }
  cap->StopCapture();
  Pump();
  EXPECT_EQ(counts.frames, 50);   // message 1027 for every image
  EXPECT_EQ(counts.bitmaps, 50);  // message 1026 for every armed one
  cap->OnFrameRendered = nullptr;
  cap->OnBitmapGrabbed = nullptr;
}

TEST_F(CaptureTest, DestroyedMidStream) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  ASSERT_TRUE(cap->StartCapture(false));
  Advance(1000);
  ASSERT_TRUE(cap->CaptureFrame());
  delete cap;  // joins the streaming thread; the frame posted for it is dropped with its window
  Advance(200);
  capture::AviReader r(Path("capture.avi"));
  EXPECT_EQ(r.FrameCount(), 25);
}

TEST_F(CaptureTest, DestroyedAfterAFailedStop) {
  capture::AddSyntheticCamera("Test Camera");
  TVideoCapture* cap = MakeControl();
  ASSERT_TRUE(cap->StartCapture(false));
  Advance(400);
  capture::Devices().Plan().Fail("Stop", capture::E_FAIL);
  vcl::ClearDialogLog();
  cap->StopCapture();
  ASSERT_FALSE(vcl::DialogLog().empty());
  EXPECT_EQ(vcl::DialogLog()[0].Text, "Error 80004005: Cannot stop graph!");
  EXPECT_TRUE(cap->Capturing());  // the state stays
  ASSERT_TRUE(cap->CaptureFrame());
  delete cap;  // the streaming thread is joined whatever Stop returned
  capture::Devices().Plan().Clear();
  Advance(400);  // nothing calls back into the freed control
}

}  // namespace
