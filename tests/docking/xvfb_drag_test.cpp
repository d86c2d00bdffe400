// A tool window dragged with xdotool on a real X server (Xvfb) through the SDL backend: by its
// grip from the left dock into the right dock, then out to float.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "docking/dktoolwindow.h"
#include "platform/display/sdl.h"
#include "platform/vcl/application.h"
#include "platform/win/message.h"
#include "platform/win/window.h"
#include "tests/xvfbtools.h"

// The X and SDL libraries keep some allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXcursor\n";
}

namespace {

using namespace docking;
using xvfb::PumpFor;

// Runs xdotool on its own thread while this one keeps the messages (and the drag loop) going.
int Xdotool(const std::string& args, bool& done) {
  int rc = -1;
  done = false;
  std::thread t([&] {
    rc = std::system(("xdotool " + args).c_str());
    done = true;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done && std::chrono::steady_clock::now() < deadline) PumpFor(20);
  t.join();
  PumpFor(300);
  return rc;
}

TEST(XvfbDrag, AToolWindowGoesFromTheLeftDockToTheRightOneThenFloats) {
  if (!xvfb::Have("Xvfb") || !xvfb::Have("xdotool") || !xvfb::Have("import"))
    GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
  xvfb::WindowSystemOnX x(780, 560, true);
  ASSERT_EQ(x.Error(), "");
  {
    vcl::TApplication app;
    vcl::TForm* form = nullptr;
    app.CreateForm(form);
    form->SetCaption("Docks under X");
    form->SetBounds(20, 20, 608, 427);
    form->SetClientWidth(600);
    form->SetClientHeight(400);
    TDKDock* docks[4];
    const TDKDockPosition positions[4] = {dpTop, dpBottom, dpLeft, dpRight};
    for (int i = 0; i < 4; ++i) {
      docks[i] = new TDKDock(form);
      docks[i]->SetParent(form);
      docks[i]->SetPosition(positions[i]);
    }
    TDKDock* left = docks[2];
    TDKDock* right = docks[3];
    auto* tool = new TDKToolWindow(form);
    tool->SetName("Instruments");
    tool->SetCaption("Instruments");
    tool->SetClientAreaSize(100, 80);
    tool->SetCurrentDock(left);
    form->Show();
    PumpFor(500);
    ASSERT_EQ(tool->BoundsRect(), (win::RECT{0, 0, 104, 90}));

    const win::POINT origin = x.Sdl()->WindowPosition();
    // The grip of a window in a side dock runs along its top.
    win::RECT wr{};
    win::GetWindowRect(tool->Handle(), &wr);
    const win::POINT grip{wr.left + 52, wr.top + 4};
    const win::POINT into = form->ClientToScreen(win::POINT{590, 200});
    const win::POINT mid{(grip.x + into.x) / 2, (grip.y + into.y) / 2};
    bool done = false;
    int rc =
        Xdotool("mousemove " + xvfb::ScreenXY(origin, grip) +
                    " sleep 0.2 mousedown 1 sleep 0.2 mousemove " + xvfb::ScreenXY(origin, mid) +
                    " sleep 0.2 mousemove " + xvfb::ScreenXY(origin, into) + " sleep 0.3 mouseup 1",
                done);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(tool->CurrentDock(), right);
    EXPECT_EQ(right->Width(), 104);
    // Let go at 200 with the grab point 4 pixels down: the window's top is at 196 in the dock.
    EXPECT_EQ(tool->BoundsRect(), (win::RECT{0, 196, 104, 286}));
    EXPECT_EQ(left->Width(), 0);
    const std::string docked = ::testing::TempDir() + "docking_xvfb_docked.png";
    EXPECT_EQ(std::system(("import -display " + x.Display() + " -window root png:" + docked +
                           " 2>/dev/null")
                              .c_str()),
              0);

    win::GetWindowRect(tool->Handle(), &wr);
    const win::POINT grip2{wr.left + 52, wr.top + 4};
    const win::POINT out = form->ClientToScreen(win::POINT{300, 200});
    rc = Xdotool("mousemove " + xvfb::ScreenXY(origin, grip2) +
                     " sleep 0.2 mousedown 1 sleep 0.2 mousemove " +
                     xvfb::ScreenXY(origin, win::POINT{grip2.x - 100, grip2.y}) +
                     " sleep 0.2 mousemove " + xvfb::ScreenXY(origin, out) + " sleep 0.3 mouseup 1",
                 done);
    EXPECT_EQ(rc, 0);
    ASSERT_TRUE(tool->Floating());
    EXPECT_EQ(right->Width(), 0);
    // The 108 x 103 frame: grab (52, 4) of 104 x 90 scales to (54, 5).
    EXPECT_EQ(tool->FloatingWindowParent()->BoundsRect(),
              (win::RECT{out.x - 54, out.y - 5, out.x + 54, out.y + 98}));
    const std::string shot = ::testing::TempDir() + "docking_xvfb.png";
    EXPECT_EQ(std::system(
                  ("import -display " + x.Display() + " -window root png:" + shot + " 2>/dev/null")
                      .c_str()),
              0);
    std::cout << "screenshot: " << shot << "\n";
  }
  win::SetBackend(nullptr);
}

}  // namespace
