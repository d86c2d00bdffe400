// The SDL backend on a real X server (Xvfb on a free display, one for the binary: SDL keeps its
// connection for the life of the process): a click injected with xdotool arrives as a window
// message, presents of what changed keep the window showing the screen exactly, and a post from
// another thread ends a wait.
#include "platform/display/sdl.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "platform/win/defproc.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"
#include "tests/platform/display/solid.h"
#include "tests/platform/display/xserver.h"
#include "tests/xvfbtools.h"

// The X and SDL libraries keep some allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXcursor\n";
}

namespace {

using namespace win;

const std::string& SharedDisplay() {
  static displaytest::XServer x;
  return x.Display();
}

// The window system of 400 x 300 on the shared display with the SDL backend.
class SdlOnX : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(SharedDisplay().empty()) << "Xvfb did not start";
    setenv("DISPLAY", SharedDisplay().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    Config config;
    config.width = 400;
    config.height = 300;
    scope.emplace(config);
    std::string error;
    backend = display::SdlBackend::Create(&error);
    ASSERT_TRUE(backend) << error;
    SetBackend(backend);
  }
  void TearDown() override {
    if (scope) SetBackend(nullptr);
    backend.reset();
    scope.reset();
  }

  std::optional<SystemScope> scope;
  std::shared_ptr<display::SdlBackend> backend;
};

TEST_F(SdlOnX, AClickInjectedWithXdotoolArrivesAsAMessage) {
  std::vector<MSG> clicks;
  WNDCLASS wc;
  wc.lpszClassName = "target";
  wc.hbrBackground = 5 + 1;
  wc.lpfnWndProc = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP) clicks.push_back(MSG{h, m, w, l});
    return DefWindowProc(h, m, w, l);
  };
  RegisterClass(&wc);
  HWND target = CreateWindowEx(0, "target", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 100, 200,
                               150, nullptr, 0, nullptr);
  ASSERT_TRUE(target);

  auto pump = [] {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  };
  const auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  while (std::chrono::steady_clock::now() < settle) pump();

  const POINT origin = backend->WindowPosition();
  const std::string command = "xdotool mousemove " + std::to_string(origin.x + 150) + " " +
                              std::to_string(origin.y + 160) + " click 1";
  int rc = -1;
  std::thread injector([&] { rc = std::system(command.c_str()); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (clicks.size() < 2 && std::chrono::steady_clock::now() < deadline) pump();
  injector.join();
  EXPECT_EQ(rc, 0) << command;
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0].hwnd, target);
  EXPECT_EQ(clicks[0].message, UINT(WM_LBUTTONDOWN));
  EXPECT_EQ(PointFromLParam(clicks[0].lParam), (POINT{49, 59}))
      << "client coordinates inside the border";
  EXPECT_EQ(clicks[1].message, UINT(WM_LBUTTONUP));
}

TEST_F(SdlOnX, PresentsOfWhatChangedKeepTheWindowShowingTheScreen) {
  if (!xvfb::Have("import") || !xvfb::Have("compare")) GTEST_SKIP() << "ImageMagick missing";
  EXPECT_STREQ(backend->PresentPath(), "surface");
  using displaytest::Solid;
  displaytest::RegisterSolidClass();
  HWND back = Solid(0, 0, 400, 300, 0x404040);
  HWND a = Solid(20, 20, 160, 120, 0x0000C0);
  HWND b = Solid(100, 70, 160, 120, 0x00A000);
  HWND glass = Solid(60, 120, 200, 90, 0xC00000, WS_EX_LAYERED | WS_EX_TOPMOST);
  SetLayeredWindowAttributes(glass, 0, 160, LWA_ALPHA);
  xvfb::PumpFor(300);
  const std::string stem = ::testing::TempDir() + "sdl_partial_" + std::to_string(getpid());
  // Parts of windows repainted in new colours, a window moved over the others, the glass fading:
  // each pass presents only what it changed.
  auto changes = [&](int steps) {
    for (int k = 0; k < steps; ++k) {
      HWND h = k % 3 == 0 ? a : k % 3 == 1 ? b : back;
      SetWindowLongPtr(h, GWL_USERDATA, intptr_t((0x102030 * (k + 1)) & 0xFFFFFF));
      const RECT part{k * 7 % 90, k * 5 % 70, k * 7 % 90 + 40, k * 5 % 70 + 30};
      InvalidateRect(h, &part, TRUE);
      if (k % 5 == 4)
        SetWindowPos(b, nullptr, 100 + k * 3, 70 + k, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      if (k % 4 == 3) SetLayeredWindowAttributes(glass, 0, BYTE(100 + k * 5), LWA_ALPHA);
      xvfb::PumpFor(30);
    }
  };
  changes(24);
  EXPECT_EQ(xvfb::DifferingPixels(SharedDisplay(), stem), 0) << "see " << stem << "-*.png";

  // A smaller window: the screen follows, the surface is fetched anew and filled whole.
  SDL_SetWindowSize(backend->Window(), 360, 250);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ScreenWidth() != 360 && std::chrono::steady_clock::now() < deadline) xvfb::PumpFor(20);
  ASSERT_EQ(ScreenWidth(), 360);
  ASSERT_EQ(ScreenHeight(), 250);
  changes(9);
  EXPECT_EQ(xvfb::DifferingPixels(SharedDisplay(), stem + "_resized"), 0)
      << "see " << stem << "_resized-*.png";
}

TEST_F(SdlOnX, APostFromAnotherThreadEndsTheWait) {
  xvfb::PumpFor(200);
  constexpr UINT kPing = WM_USER + 7;
  std::thread poster([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    PostThreadMessage(kPing, 0, 0);
  });
  // Only a broken wake-up lets the wait run out.
  bool got = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!got && std::chrono::steady_clock::now() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 30000, QS_ALLINPUT);
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) got = got || m.message == kPing;
  }
  poster.join();
  EXPECT_TRUE(got);
  EXPECT_LT(std::chrono::steady_clock::now() + std::chrono::seconds(15), deadline)
      << "the wait was not ended by the post";
}

}  // namespace
