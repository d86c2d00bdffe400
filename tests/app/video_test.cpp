// The main window's video in process on the virtual clock, with a synthetic camera: the capture
// settings command previews, a recording leaves its video beside its table, the capture button
// never overwrites a recording's video.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/mainform.h"
#include "app/winmain.h"
#include "platform/capture/avireader.h"
#include "platform/capture/imaging.h"
#include "platform/capture/synthetic.h"
#include "platform/gdi/image.h"
#include "platform/rtl/datetime.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/paint.h"
#include "platform/win/system.h"
#include "tests/app/apptest.h"
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
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "world.lyr", "world.lyr");
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
      if (r.Kind != "Form") boxes.push_back(r.Text);  // the capture dialog is accepted as it is
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
  // The preview lives in the video window, hidden until a preview is asked for.
  docking::TDKToolWindow* video = f.DKToolWindow[31];
  EXPECT_EQ(f.cap->Parent(), video);
  EXPECT_FALSE(video->Visible());
  f.BitBtn2->Click();
  EXPECT_TRUE(f.cap->Visible());
  EXPECT_TRUE(f.cap->Previewing());
  EXPECT_TRUE(video->Visible());
  EXPECT_EQ(f.cap->Width(), video->ClientAreaWidth());
  EXPECT_EQ(f.cap->Height(), video->ClientAreaHeight());
  EXPECT_EQ(f.cap->VCapSource(), "Synthetic Camera");
  const std::string settingsName = f.cap->CaptureFileName();
  EXPECT_EQ(settingsName.find('/'), std::string::npos);
  EXPECT_EQ(settingsName.substr(settingsName.size() - 6), "_1.avi");
  Advance(1000);
  EXPECT_NE(f.cap->PreviewImage(), nullptr);

  // A recording: its video beside its table, under the same name, the day's first (the preview
  // took no name).
  f.SpeedButton30->Click();
  const std::string name = f.RecordingName(f.fNow());
  EXPECT_EQ(name.substr(name.size() - 2), "_1");
  EXPECT_EQ(f.cap->CaptureFileName(), settingsName);
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

// A small camera at 4 frames a second: an hour and more of video stays small and quick, and its
// frame numbers stay within the 16 bits the picture carries.
capture::SyntheticOptions SlowCamera() {
  capture::VideoCaps c;
  c.format.subtype = capture::MEDIASUBTYPE_YUY2;
  c.format.width = 64;
  c.format.height = 48;
  c.format.bits = 16;
  c.format.avgTimePerFrame = c.minFrameInterval = c.maxFrameInterval = 2500000;
  capture::SyntheticOptions o;
  o.modes = {c};
  return o;
}

// A recording of 3700 s with its video, replayed: the video opens when play starts, and after
// every step, whatever its size, the player stands at the replayed second x 4 frames, the frame
// that was taken at that second. A recording without a video replays without a player or a box.
TEST_F(MainWindowVideo, ReplayShowsTheFrameOfEverySecond) {
  capture::Devices().ClearAdded();
  capture::AddSyntheticCamera("Synthetic Camera", SlowCamera());
  TForm1& f = *Form1;
  f.Timer7->SetEnabled(false);  // no demonstration offered in the hour without input
  const rtl::TDateTime midday = rtl::EncodeDate(2026, 12, 6) + rtl::EncodeTime(12, 0, 0, 0);
  const uint64_t zero = clock->NowMicros();
  f.fNow = [this, midday, zero] {
    return midday + static_cast<double>((clock->NowMicros() - zero) / 1000) / 86400000;
  };
  std::string open;
  std::vector<std::string> captions;
  vcl::SetDialogResponder([&](const vcl::TDialogRequest& r) {
    vcl::TDialogAnswer a;
    if (r.Kind == "MessageBox") {
      boxes.push_back(r.Text);
      captions.push_back(r.Caption);
      a.Result = vcl::IDYES;
    }
    if (r.Kind == "Open") a.FileName = open;
    return std::optional<vcl::TDialogAnswer>(a);
  });

  f.BitBtn2->Click();
  ASSERT_TRUE(f.cap->Previewing());
  f.SpeedButton30->Click();
  const std::string name = f.RecordingName(f.fNow());
  ASSERT_TRUE(f.cap->Capturing());
  // A second a step: one main tick, one record, four frames.
  for (int s = 0; s < 3700; ++s) {
    clock->Advance(1000);
    app->ProcessMessages();
  }
  f.SpeedButton30->Click();
  ASSERT_FALSE(f.cap->Capturing());
  ASSERT_TRUE(boxes.empty()) << boxes.front();
  capture::AviReader video(name + ".avi");
  ASSERT_DOUBLE_EQ(video.FrameRate(), 4.0);
  ASSERT_GE(video.FrameCount(), 3700 * 4);
  // The picture's number where the video starts: the camera ran for the preview before.

  open = name + ".lg";
  f.SpeedButton4Click(nullptr);
  ASSERT_EQ(f.fReplayMode, 1);
  const int first = f.fReplayStart;
  EXPECT_EQ(first, 12 * 3600 + 1);  // the first tick after the start
  EXPECT_TRUE(fs::equivalent(f.MediaPlayer1->FileName(), name + ".avi"));
  EXPECT_EQ(f.MediaPlayer1->Mode(), vcl::mpNotReady);  // until play starts
  EXPECT_FALSE(f.ReplayVideoPanel->Visible());

  f.Show();  // for the picture below; shown from the start it would paint every second
  f.SpeedButton67->Click();
  ASSERT_EQ(f.MediaPlayer1->Mode(), vcl::mpOpen);
  EXPECT_FALSE(f.cap->Visible());
  EXPECT_TRUE(f.ReplayVideoPanel->Visible());
  EXPECT_EQ(f.ReplayVideoPanel->Parent(), f.DKToolWindow[31]);
  EXPECT_TRUE(f.DKToolWindow[31]->Visible());
  const auto number = [&] {
    const auto img = f.MediaPlayer1->CurrentImage();
    return img ? capture::ReadFramePattern(*img) : std::nullopt;
  };
  const std::optional<uint32_t> frame0 = capture::ReadFramePattern(video.DecodeFrame(0).value());
  ASSERT_TRUE(frame0);
  const auto expectAt = [&](int second, const char* what) {
    EXPECT_EQ(f.fReplayPosition, first + second) << what;
    EXPECT_EQ(f.MediaPlayer1->Position(), second * 4) << what;
    EXPECT_EQ(number(), std::optional<uint32_t>(*frame0 + uint32_t(second) * 4)) << what;
  };
  expectAt(30, "opened");
  clock->Advance(1000);  // one played second
  app->ProcessMessages();
  expectAt(31, "played");
  gdi::SavePngFile(std::string(CORV_SNAPSHOT_DIR) + "/mainwindow_replay_video.png",
                   win::ComposeScreen());
  f.SpeedButton67->Click();  // stopped: the steps below move it alone
  EXPECT_TRUE(f.MediaPlayer1->Mode() == vcl::mpOpen);
  f.SpeedButton34->Click();
  expectAt(91, "+60");
  f.SpeedButton5->Click();
  expectAt(691, "+600");
  f.SpeedButton33->Click();
  expectAt(631, "-60");
  f.SpeedButton36->Click();
  expectAt(31, "-600");
  f.SpeedButton31->Click();
  expectAt(3631, "+3600");
  f.SpeedButton9->Click();
  expectAt(31, "-3600");
  // At the end the video stops with the recording's last second.
  f.SpeedButton31->Click();
  f.SpeedButton31->Click();
  const int last = f.fReplayEnd - first;
  EXPECT_EQ(f.fReplayPosition, f.fReplayEnd);
  EXPECT_EQ(f.MediaPlayer1->Position(), std::min(last * 4, video.FrameCount() - 1));
  EXPECT_EQ(boxes.size(), 1u);  // the question before opening

  // Without a video: no player, no box, and the last recording's video is gone from the window.
  {
    auto table = apptest::NewLogTable("novideo.lg");
    for (int s = 0; s < 100; ++s) {
      table->Append();
      table->FieldByName("Timestamp")->SetAsInteger(36000 + s);
      table->Post();
    }
  }
  boxes.clear();
  open = "novideo.lg";
  f.SpeedButton4Click(nullptr);
  ASSERT_EQ(f.fReplayStart, 36000);
  EXPECT_EQ(f.MediaPlayer1->Mode(), vcl::mpNotReady);
  EXPECT_FALSE(f.ReplayVideoPanel->Visible());
  f.SpeedButton67->Click();
  clock->Advance(1000);
  app->ProcessMessages();
  f.SpeedButton34->Click();
  EXPECT_EQ(f.fReplayPosition, 36000 + 91);
  EXPECT_EQ(f.MediaPlayer1->Mode(), vcl::mpNotReady);
  EXPECT_FALSE(f.ReplayVideoPanel->Visible());
  EXPECT_EQ(boxes.size(), 1u) << boxes.back();  // the question only
  for (const std::string& c : captions) EXPECT_NE(c, "DirectShow - Capture");
}

// A camera pulled out mid-recording: one box tells it, capture and preview stop, the capture
// button offers a capture again, nothing restarts, and the video written so far is sound.
TEST_F(MainWindowVideo, APulledCameraShowsOneBox) {
  capture::SyntheticOptions o;
  o.lostAt = 100;  // 4 s of frames
  capture::Devices().ClearAdded();
  capture::AddSyntheticCamera("Synthetic Camera", o);
  std::vector<vcl::TDialogRequest> shown;
  vcl::SetDialogResponder([&](const vcl::TDialogRequest& r) {
    if (r.Kind != "Form") shown.push_back(r);
    return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{});
  });
  TForm1& f = *Form1;
  f.BitBtn2->Click();
  ASSERT_TRUE(f.cap->Previewing());
  f.BitBtn3->Click();
  ASSERT_TRUE(f.cap->Capturing());
  const std::string file = f.cap->CaptureFileName();
  EXPECT_EQ(f.BitBtn3->Caption(), "Stop");
  Advance(10000);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Kind, "MessageBox");
  EXPECT_EQ(shown[0].Caption, "DirectShow - Capture");
  EXPECT_EQ(shown[0].Text,
            "The video capture device has been disconnected. Capture and preview have stopped.");
  EXPECT_EQ(shown[0].Flags & vcl::MB_ICONERROR, vcl::MB_ICONERROR);
  EXPECT_FALSE(f.cap->Capturing());
  EXPECT_FALSE(f.cap->Previewing());
  EXPECT_EQ(f.BitBtn3->Caption(), "Capture");
  Advance(10000);
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_FALSE(f.cap->Previewing());
  EXPECT_EQ(Shell("ffmpeg -v error -i '" + file + "' -f null - 2>&1"), "");
  EXPECT_GT(capture::AviReader(file).FrameCount(), 0);
}

// The disk fills mid-capture: one box tells it, the capture button offers a capture again, and the
// video written until then plays.
TEST_F(MainWindowVideo, AFullDiskEndsTheCaptureWithABox) {
  std::vector<vcl::TDialogRequest> shown;
  vcl::SetDialogResponder([&](const vcl::TDialogRequest& r) {
    if (r.Kind != "Form") shown.push_back(r);
    return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{});
  });
  TForm1& f = *Form1;
  f.BitBtn2->Click();
  f.BitBtn3->Click();
  ASSERT_TRUE(f.cap->Capturing());
  const std::string file = f.cap->CaptureFileName();
  // No file may grow past 1 MiB from here: the video's first 4 MiB block cannot be written.
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  const rlimit small{1 << 20, old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &small);
  for (int s = 0; s < 120 && f.cap->Capturing(); ++s) Advance(1000);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_FALSE(f.cap->Capturing());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Caption, "DirectShow - Capture");
  EXPECT_NE(shown[0].Text.find("disk full"), std::string::npos) << shown[0].Text;
  EXPECT_EQ(f.BitBtn3->Caption(), "Capture");
  EXPECT_GT(capture::AviReader(file).FrameCount(), 0);
  // The button starts a new capture at once, not a stop of the ended one.
  f.BitBtn3->Click();
  EXPECT_TRUE(f.cap->Capturing());
  EXPECT_EQ(f.BitBtn3->Caption(), "Stop");
  f.BitBtn3->Click();
  EXPECT_FALSE(f.cap->Capturing());
}

// A settings file made read-only: the camera chosen still previews for this run, one box tells
// that it will not be kept, and the file stays as it was.
TEST_F(MainWindowVideo, CaptureSettingsThatCannotBeSavedStillPreview) {
  const std::string before = ReadAll("corvatalen.ini");
  ASSERT_EQ(::chmod("corvatalen.ini", 0444), 0);
  TForm1& f = *Form1;
  f.BitBtn2->Click();
  EXPECT_TRUE(f.cap->Previewing());
  EXPECT_TRUE(f.DKToolWindow[31]->Visible());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("The capture settings could not be saved: ", 0), 0u) << boxes[0];
  EXPECT_EQ(ReadAll("corvatalen.ini"), before);
}

// "Video" without a camera: the box tells why, and the capture control's empty blue face does not
// cover the charts and gauges in its place.
TEST_F(MainWindowVideo, WithoutACameraNothingCoversTheWindow) {
  capture::Devices().ClearAdded();
  TForm1& f = *Form1;
  f.Show();
  app->ProcessMessages();
  // Anywhere on the screen: the control sits in the video window, which may open anywhere.
  auto blue = [&] {
    const gdi::Surface& screen = win::ComposeScreen();
    int n = 0;
    for (int y = 0; y < screen.Height(); ++y)
      for (int x = 0; x < screen.Width(); ++x)
        n += gdi::NativeToColor(screen.Get(x, y)) == gdi::RGB(0, 0, 255) ? 1 : 0;
    return n;
  };
  const int before = blue();
  f.BitBtn2->Click();
  app->ProcessMessages();
  EXPECT_FALSE(f.cap->Previewing());
  EXPECT_FALSE(f.cap->Visible());
  EXPECT_FALSE(boxes.empty());
  EXPECT_FALSE(f.DKToolWindow[31]->Visible());
  // Chart lines are blue too, a few hundred pixels of them.
  EXPECT_LT(blue(), before + 1000) << "of " << f.cap->Width() * f.cap->Height();
}

}  // namespace
