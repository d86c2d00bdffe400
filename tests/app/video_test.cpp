// The main window's video in process on the virtual clock, with a synthetic camera: the capture
// settings command previews, a recording leaves its video beside its table, the capture button
// never overwrites a recording's video.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/mainform.h"
#include "app/winmain.h"
#include "platform/capture/avireader.h"
#include "platform/capture/synthetic.h"
#include "platform/rtl/datetime.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/system.h"
#include "tests/platform/capture/shell.h"

namespace fs = std::filesystem;

namespace {

class MainWindowVideo : public ::testing::Test {
 protected:
  void SetUp() override {
    old = fs::current_path();
    char pattern[] = "/tmp/corv-video-XXXXXX";
    dir = ::mkdtemp(pattern);
    fs::current_path(dir);
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF", "PERFORMANCE.DBF");
    std::ofstream("corvatalen.ini")
        << "[comms]\ncomport=Network\n[video]\nVSource=Synthetic Camera\nVComp=MJPEG Compressor\n";
    capture::Devices().SetScanSystem(false);
    capture::Devices().ClearAdded();
    capture::AddSyntheticCamera("Synthetic Camera");
    clock = std::make_shared<win::VirtualClock>();
    win::Config config;
    config.clock = clock;
    config.idleGraceMs = 200;
    win::Initialize(config);
    vcl::SetDialogResponder([this](const vcl::TDialogRequest& r) {
      boxes.push_back(r.Text);
      return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{});
    });
    app = std::make_unique<vcl::TApplication>();
    CreateForms(*app);
    Form1->fNow = [] { return rtl::EncodeDate(2026, 12, 6) + rtl::EncodeTime(12, 0, 0, 0); };
    Advance(10000);  // the delayed start-up
    boxes.clear();   // it tells that there are no waypoints
  }
  void TearDown() override {
    app.reset();
    vcl::SetDialogResponder(nullptr);
    win::Shutdown();
    capture::Devices().ClearAdded();
    fs::current_path(old);
    fs::remove_all(dir);
  }
  void Advance(unsigned ms) {
    for (unsigned i = 0; i < ms; i += 100) {
      clock->Advance(100);
      app->ProcessMessages();
    }
  }
  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path old, dir;
  std::shared_ptr<win::VirtualClock> clock;
  std::unique_ptr<vcl::TApplication> app;
  std::vector<std::string> boxes;
};

TEST_F(MainWindowVideo, PreviewRecordingAndCaptureButton) {
  TForm1& f = *Form1;
  EXPECT_FALSE(f.cap->Visible());
  EXPECT_FALSE(f.VideoTimer->Enabled());
  EXPECT_EQ(f.VideoTimer->Interval(), 60000u);
  f.BitBtn2->Click();
  EXPECT_TRUE(f.cap->Visible());
  EXPECT_TRUE(f.cap->Previewing());
  EXPECT_EQ(f.cap->VCapSource(), "Synthetic Camera");
  const std::string settingsName = f.cap->CaptureFileName();
  EXPECT_EQ(settingsName.find('/'), std::string::npos);
  EXPECT_EQ(settingsName.substr(settingsName.size() - 6), "_1.avi");
  Advance(1000);
  EXPECT_NE(f.cap->PreviewImage(), nullptr);

  // A recording: its video beside its table, under the same name.
  f.SpeedButton30->Click();
  const std::string name = f.RecordingName(f.fNow());
  EXPECT_TRUE(f.cap->Capturing());
  Advance(2000);
  f.SpeedButton30->Click();
  EXPECT_FALSE(f.cap->Capturing());
  ASSERT_TRUE(fs::exists(name + ".lg"));
  ASSERT_TRUE(fs::exists(name + ".avi"));
  EXPECT_EQ(Shell("ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of "
                  "csv=p=0 '" +
                  name + ".avi'"),
            "50\n");
  const std::string recorded = ReadAll(name + ".avi");

  // The capture button records elsewhere; the recording's video stays as it was.
  f.BitBtn3->Click();
  EXPECT_EQ(f.BitBtn3->Caption(), "Stop");
  Advance(1000);
  f.BitBtn3->Click();
  EXPECT_EQ(f.BitBtn3->Caption(), "Capture");
  EXPECT_NE(f.cap->CaptureFileName(), name + ".avi");
  EXPECT_EQ(capture::AviReader(f.cap->CaptureFileName()).FrameCount(), 25);
  EXPECT_EQ(ReadAll(name + ".avi"), recorded);
  // A frame can be asked for while the preview runs.
  EXPECT_TRUE(f.cap->Previewing());
  EXPECT_TRUE(f.cap->Built());
  EXPECT_TRUE(f.cap->WantBitmaps);
  EXPECT_TRUE(f.cap->CaptureFrame());
  EXPECT_TRUE(boxes.empty()) << boxes.front();
}

}  // namespace
