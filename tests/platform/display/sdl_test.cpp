// The SDL backend on a real X server: Xvfb started by the test on a free display, a click
// injected with xdotool arrives as a window message.
#include "platform/display/sdl.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/win/defproc.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"
#include "tests/platform/display/xserver.h"

// The X and SDL libraries keep some allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXcursor\n";
}

namespace {

using namespace win;

TEST(SdlBackend, AClickInjectedWithXdotoolArrivesAsAMessage) {
  displaytest::XServer x;
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", x.Display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);

  Config config;
  config.width = 400;
  config.height = 300;
  SystemScope scope(config);
  std::string error;
  auto backend = display::SdlBackend::Create(&error);
  ASSERT_TRUE(backend) << error;
  SetBackend(backend);

  std::vector<MSG> clicks;
  WNDCLASS wc;
  wc.lpszClassName = "target";
  wc.hbrBackground = 5 + 1;
  wc.lpfnWndProc = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP) clicks.push_back(MSG{h, m, w, l});
    return DefWindowProc(h, m, w, l);
  };
  RegisterClass(&wc);
  HWND target = CreateWindowEx(0, "target", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 100, 200, 150,
                               nullptr, 0, nullptr);
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
  EXPECT_EQ(PointFromLParam(clicks[0].lParam), (POINT{49, 59})) << "client coordinates inside the border";
  EXPECT_EQ(clicks[1].message, UINT(WM_LBUTTONUP));
  SetBackend(nullptr);
}

}  // namespace
