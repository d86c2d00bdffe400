#include "platform/vcl/mediaplayer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/capture/aviwriter.h"
#include "platform/capture/imaging.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "vcltest.h"

namespace {

using vcltest::VclTest;

class MediaPlayerTest : public VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    char tmpl[] = "/tmp/corv_player_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = tmpl;
    // Two minutes at 25 frames a second, each frame carrying its number.
    capture::AviVideoInfo v{0, 0, 64, 64, 24, 400000};
    capture::AviWriter w(File(), v);
    capture::Rgb32Image img{64, 64, std::vector<uint8_t>(64 * 64 * 4)};
    for (uint32_t i = 0; i < 3000; ++i) {
      capture::DrawFramePattern(img, i);
      const auto dib = capture::FromRgb32(img, capture::MEDIASUBTYPE_RGB24);
      ASSERT_TRUE(w.WriteVideo(dib.data(), dib.size()));
    }
    ASSERT_TRUE(w.Close());
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    VclTest::TearDown();
  }
  std::string File() const { return (dir / "video.avi").string(); }
  static std::optional<uint32_t> Number(vcl::TMediaPlayer& p) {
    auto img = p.CurrentImage();
    return img ? capture::ReadFramePattern(*img) : std::nullopt;
  }
  std::filesystem::path dir;
};

TEST_F(MediaPlayerTest, StepsAndBacksLandOnTheirFrames) {
  vcl::TForm form(nullptr);
  form.SetBounds(0, 0, 200, 200);
  auto* panel = new vcl::TPanel(&form);
  panel->SetParent(&form);
  form.Show();
  vcl::TMediaPlayer player(nullptr);
  player.SetDisplay(panel);
  EXPECT_EQ(player.Mode(), vcl::mpNotReady);
  player.SetFileName(File());
  player.Open();
  ASSERT_EQ(player.Mode(), vcl::mpOpen);
  EXPECT_EQ(player.Length(), 3000);
  EXPECT_DOUBLE_EQ(player.FrameRate(), 25.0);
  EXPECT_EQ(Number(player), 0u);
  player.Step();
  EXPECT_EQ(player.Position(), 1);
  EXPECT_EQ(Number(player), 1u);
  player.SetFrames(600);
  player.Step();
  EXPECT_EQ(player.Position(), 601);
  EXPECT_EQ(Number(player), 601u);
  player.Back();
  EXPECT_EQ(Number(player), 1u);
  player.Back();  // not before the first frame
  EXPECT_EQ(player.Position(), 0);
  // Replay's second 30 of the video is frame 750; the last second stops at the last frame.
  player.SeekSeconds(30);
  EXPECT_EQ(Number(player), 750u);
  player.SeekSeconds(500);
  EXPECT_EQ(player.Position(), 2999);
  // The frame is shown in the display.
  Pump();
  player.Close();
  EXPECT_EQ(player.Mode(), vcl::mpNotReady);
}

TEST_F(MediaPlayerTest, AFileThatIsNoVideoDoesNotOpen) {
  vcl::TMediaPlayer player(nullptr);
  player.SetFileName((dir / "missing.avi").string());
  EXPECT_THROW(player.Open(), vcl::EMCIDeviceError);
  EXPECT_EQ(player.Mode(), vcl::mpNotReady);
  player.Step();  // nothing open: nothing happens
  EXPECT_EQ(player.Position(), 0);
}

}  // namespace
