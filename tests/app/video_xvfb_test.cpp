// The program under Xvfb with a synthetic camera: the capture settings button ("Video") shows the
// camera's preview, and a recording leaves "<name>.avi" beside its "<name>.lg".
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/runprogram.h"
#include "tests/platform/capture/shell.h"
#include "tests/xvfbtools.h"

namespace fs = std::filesystem;

namespace {

using xvfb::Spawn;

// Distinct colours in a part of a screenshot.
int Colours(const std::string& png, const std::string& geometry) {
  return std::atoi(
      Shell("convert '" + png + "' -crop " + geometry + " +repage -format %k info: 2>/dev/null")
          .c_str());
}

// The video window's client in its designed place: the floating frame's corner at (780, 100), a
// 4-pixel sizing border and the 15-pixel small caption above the picture.
constexpr const char* kPreview = "320x240+784+119";

TEST(VideoUnderXvfb, PreviewsTheCameraAndRecordsBesideTheLog) {
  int display = 360 + static_cast<int>(getpid() % 200);
  while (fs::exists("/tmp/.X" + std::to_string(display) + "-lock")) ++display;
  const std::string name = ":" + std::to_string(display);
  const pid_t x = Spawn({"Xvfb", name, "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
  const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
  for (int i = 0; i < 600 && !fs::exists(socket); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(fs::exists(socket)) << "Xvfb did not start";

  char tmpl[] = "/tmp/corv-video-xvfb-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const fs::path home = tmpl;
  ASSERT_EQ(std::system(("'" CORV_SOURCE_DIR "/scripts/prepare-workdir.sh' '" + home.string() +
                         "' >/dev/null 2>&1")
                            .c_str()),
            0);
  std::ofstream(home / "corvatalen.ini")
      << "[comms]\ncomport=Network\n[video]\nVSource=Synthetic Camera\nVComp=MJPEG Compressor\n";
  std::vector<std::string> env = xvfb::ProgramEnv(name, home);
  env.push_back("CORVATALEN_SYNTHETIC_CAMERA=Synthetic Camera");
  const pid_t app =
      Spawn({"sh", "-c", "cd '" + home.string() + "' && exec '" CORVATALEN_BINARY "'"}, env);
  const std::string xdo = "DISPLAY=" + name + " xdotool ";
  // The delayed start-up takes ten seconds.
  std::this_thread::sleep_for(std::chrono::milliseconds(11500));
  const std::string before =
      ::testing::TempDir() + "video_xvfb_before_" + std::to_string(getpid()) + ".png";
  Shell("import -display " + name + " -window root png:" + before + " 2>&1");
  Shell(xdo + "mousemove 647 786 click 1");  // "Video" on the status line
  // Its capture settings dialog, accepted as it comes (OK is its default button).
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  Shell(xdo + "key Return");
  const std::string preview =
      ::testing::TempDir() + "video_xvfb_preview_" + std::to_string(getpid()) + ".png";
  int colours = 0;
  for (int i = 0; i < 20 && colours < 2000; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    Shell("import -display " + name + " -window root png:" + preview + " 2>&1");
    colours = Colours(preview, kPreview);
  }
  // The window's own drawing there has a few hundred colours; the camera's gradients thousands.
  EXPECT_LE(Colours(before, kPreview), 1000);
  EXPECT_GE(colours, 2000) << "no camera picture in " << preview;

  Shell(xdo + "mousemove 365 17 click 1");  // "Record"
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  const std::string recording =
      ::testing::TempDir() + "video_xvfb_recording_" + std::to_string(getpid()) + ".png";
  Shell("import -display " + name + " -window root png:" + recording + " 2>&1");
  EXPECT_GE(Colours(recording, kPreview), 2000) << "the preview stops while recording";
  Shell(xdo + "mousemove 365 17 click 1");
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const bool running = waitpid(app, nullptr, WNOHANG) == 0;
  // Closed by SIGTERM, the sanitized program ends with 0: no error and no leak.
  const std::optional<int> status = xvfb::Stop(app, std::chrono::seconds(30));
  xvfb::Stop(x);
  EXPECT_TRUE(running);
  EXPECT_TRUE(apptest::ExitedWith(status, 0))
      << (status ? "wait status " + std::to_string(*status) : "still running after SIGTERM");

  std::vector<fs::path> videos;
  for (const auto& e : fs::directory_iterator(home))
    if (e.path().extension() == ".avi") videos.push_back(e.path());
  ASSERT_EQ(videos.size(), 1u);
  EXPECT_TRUE(fs::exists(fs::path(videos[0]).replace_extension(".lg"))) << videos[0];
  const std::string probe = Shell(
      "ffprobe -v error -count_packets -show_entries stream=codec_name,nb_read_packets -of "
      "csv=p=0 '" +
      videos[0].string() + "'");
  EXPECT_EQ(probe.rfind("mjpeg,", 0), 0u) << probe;
  // Three seconds of frames, less what a loaded machine drops; not only the first few.
  EXPECT_GE(std::atoi(probe.c_str() + 6), 20) << probe;
  EXPECT_EQ(Shell("ffmpeg -v error -i '" + videos[0].string() + "' -f null - 2>&1"), "");
  fs::remove_all(home);
}

}  // namespace
