#include "platform/display/headless.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "platform/display/backend.h"
#include "platform/gdi/gdi.h"
#include "platform/win/defproc.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"
#include "tests/platform/display/solid.h"
#include "tests/tempdir.h"

namespace {

using namespace win;
using displaytest::Pump;
using displaytest::Solid;

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

class Headless : public ::testing::Test {
 protected:
  void SetUp() override {
    Config config;
    config.width = 320;
    config.height = 240;
    config.clock = std::make_shared<VirtualClock>();
    scope = std::make_unique<SystemScope>(config);
    displaytest::RegisterSolidClass();
  }
  void TearDown() override { scope.reset(); }

  std::unique_ptr<SystemScope> scope;
};

TEST_F(Headless, SnapshotOfOverlappingWindowsIsAPngFile) {
  auto backend = display::StartBackend("headless");
  Solid(20, 20, 160, 120, 0x0000C0);
  Solid(100, 70, 160, 120, 0x00A000);
  HWND glass = Solid(60, 120, 200, 90, 0xC00000, WS_EX_LAYERED | WS_EX_TOPMOST);
  SetLayeredWindowAttributes(glass, 0, 160, LWA_ALPHA);
  Pump();
  EXPECT_GT(static_cast<display::HeadlessBackend*>(backend.get())->Presents(), 0)
      << "an idle loop presents what changed";
  const TempDir dir("corv_headless");
  const std::string path = dir / "snapshot.png";
  ASSERT_TRUE(display::SaveScreenSnapshot(path));
  const std::string kind = Shell("file -b '" + path + "'");
  EXPECT_NE(kind.find("PNG image data, 320 x 240"), std::string::npos) << kind;
  EXPECT_FALSE(display::SaveScreenSnapshot(dir / "no/such/dir/x.png"));
}

// Keeps what it is handed, a list of rectangles a present.
class Recorder : public Backend {
 public:
  void Present(const gdi::Surface&, std::span<const RECT> dirty) override {
    presents.emplace_back(dirty.begin(), dirty.end());
  }
  void WaitInput(DWORD) override {}
  void Wake() override {}
  std::vector<std::vector<RECT>> presents;
};

TEST_F(Headless, TheBackendIsHandedWhatWasPaintedOnceAPass) {
  auto recorder = std::make_shared<Recorder>();
  SetBackend(recorder);
  HWND a = Solid(20, 20, 160, 120, 0x0000C0);
  HWND b = Solid(200, 130, 100, 90, 0x00A000);
  Pump();
  using Rects = std::vector<RECT>;
  ASSERT_EQ(recorder->presents.size(), 1u);
  EXPECT_EQ(recorder->presents[0], (Rects{{0, 0, 320, 240}})) << "a new backend gets everything";
  // A 20 x 10 part of a's client area, then parts of both in one pass: two rectangles far apart
  // in one present, not the box around them.
  POINT ca{0, 0}, cb{0, 0};
  ClientToScreen(a, &ca);
  ClientToScreen(b, &cb);
  const RECT part{10, 10, 30, 20};
  recorder->presents.clear();
  InvalidateRect(a, &part, TRUE);
  Pump();
  ASSERT_EQ(recorder->presents.size(), 1u);
  EXPECT_EQ(recorder->presents[0], (Rects{{ca.x + 10, ca.y + 10, ca.x + 30, ca.y + 20}}));
  recorder->presents.clear();
  InvalidateRect(a, &part, TRUE);
  const RECT corner{40, 30, 50, 40};
  InvalidateRect(b, &corner, TRUE);
  Pump();
  ASSERT_EQ(recorder->presents.size(), 1u) << "one present for the pass";
  EXPECT_THAT(recorder->presents[0],
              ::testing::UnorderedElementsAre(RECT{ca.x + 10, ca.y + 10, ca.x + 30, ca.y + 20},
                                              RECT{cb.x + 40, cb.y + 30, cb.x + 50, cb.y + 40}));
  recorder->presents.clear();
  Pump();
  EXPECT_TRUE(recorder->presents.empty()) << "nothing changed, nothing presented";
  SetBackend(nullptr);
}

TEST_F(Headless, TheEnvironmentPicksTheBackend) {
  setenv("CORVATALEN_DISPLAY", "headless", 1);
  EXPECT_EQ(display::ChosenBackendName(), "headless");
  unsetenv("CORVATALEN_DISPLAY");
  const char* x = std::getenv("DISPLAY");
  std::string saved = x ? x : "";
  unsetenv("DISPLAY");
  EXPECT_EQ(display::ChosenBackendName(), "headless");
  setenv("DISPLAY", ":55", 1);
  EXPECT_EQ(display::ChosenBackendName(), "sdl");
  if (saved.empty())
    unsetenv("DISPLAY");
  else
    setenv("DISPLAY", saved.c_str(), 1);
  std::string note;
  display::StartBackend("fancy", &note);
  EXPECT_NE(note.find("unknown"), std::string::npos);
}

}  // namespace
