// The SDL backend's fitted window under a window manager that is taking over the screen as the
// window opens, and drops the first request to show it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/display/sdl.h"
#include "platform/win/system.h"
#include "tests/platform/display/xserver.h"

#include <X11/Xlib.h>  // last: its macros would rename what the headers above declare

namespace {

TEST(SdlFitted, AShowRequestDroppedByAWindowManagerTakingOverIsMadeAgain) {
  displaytest::XServer x;
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", x.Display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  Display* wm = XOpenDisplay(x.Display().c_str());
  ASSERT_TRUE(wm);
  XSelectInput(wm, DefaultRootWindow(wm), SubstructureRedirectMask);
  XSync(wm, False);
  std::atomic<bool> stop{false};
  int requests = 0;
  std::thread manager([&] {
    while (!stop) {
      while (XPending(wm)) {
        XEvent e;
        XNextEvent(wm, &e);
        if (e.type == MapRequest && requests++ > 0) XMapWindow(wm, e.xmaprequest.window);
        if (e.type == ConfigureRequest) {
          XWindowChanges c{};
          c.width = e.xconfigurerequest.width;
          c.height = e.xconfigurerequest.height;
          XConfigureWindow(wm, e.xconfigurerequest.window, CWWidth | CWHeight, &c);
        }
      }
      XFlush(wm);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  {
    win::Config config;
    config.width = 400;
    config.height = 300;
    win::SystemScope scope(config);
    std::string error;
    auto backend = display::SdlBackend::Create(&error, true);  // returns at all
    stop = true;
    manager.join();
    ASSERT_TRUE(backend) << error;
    XWindowAttributes a{};
    XGetWindowAttributes(wm, display::XWindowOf(backend->Window()), &a);
    EXPECT_EQ(a.map_state, IsViewable);
    EXPECT_EQ(requests, 2);
  }
  XCloseDisplay(wm);
}

}  // namespace
