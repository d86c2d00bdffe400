// A toolbar under a real X server (Xvfb) through the SDL backend: xdotool clicks its submenu
// button, moves to the second item of the menu that drops and clicks it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "docking/dktoolbar.h"
#include "platform/display/sdl.h"
#include "platform/vcl/application.h"
#include "platform/win/message.h"
#include "platform/win/window.h"
#include "tests/xvfbtools.h"

// The leak suppressions of the X and SDL libraries are in xvfb_drag_test.cpp.

namespace {

using namespace docking;
using xvfb::PumpFor;

TEST(XvfbToolbar, ASubmenuButtonIsClickedAndAnItemOfItsMenuChosen) {
  if (!xvfb::Have("Xvfb") || !xvfb::Have("xdotool") || !xvfb::Have("import"))
    GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
  xvfb::WindowSystemOnX x(780, 560, true);
  ASSERT_EQ(x.Error(), "");
  std::string chosen;
  {
    vcl::TApplication app;
    vcl::TForm* form = nullptr;
    app.CreateForm(form);
    form->SetCaption("Toolbar under X");
    form->SetBounds(20, 20, 608, 427);
    auto* dock = new TDKDock(form);
    dock->SetParent(form);
    auto* bar = new TDKToolbar(form);
    bar->SetCaption("Marks");
    for (const char* c : {"&Log", "&Replay"}) {
      auto* i = new TDKItem(form);
      i->SetCaption(c);
      bar->Items()->Add(i);
    }
    auto* marks = new TDKSubmenuItem(form);
    marks->SetCaption("&Marks");
    marks->SetOptions(dkoDropdownArrow);
    bar->Items()->Add(marks);
    for (const char* c : {"Mark &buoy", "Mark &man overboard", "&Clear marks"}) {
      auto* i = new TDKItem(form);
      i->SetCaption(c);
      i->OnClick = rtl::TNotifyEvent(
          &chosen, [&chosen](rtl::TObject* s) { chosen = static_cast<TDKItem*>(s)->Caption(); });
      marks->Add(i);
    }
    bar->SetCurrentDock(dock);
    form->Show();
    PumpFor(500);

    // Where the menu will drop: below the button, rows inside a 3-pixel frame.
    TDKView measure(nullptr, nullptr, marks, form, false, false, false);
    const int rowHeight =
        measure.CalculatePositions(false, dkvoHorizontal, 0, 0, 0).TotalSize.cy / 3;
    const RECT b = bar->View()->Find(marks)->BoundsRect;
    const win::POINT button = bar->ClientToScreen(win::POINT{(b.left + b.right) / 2, 11});
    const win::POINT below = bar->ClientToScreen(win::POINT{b.left, b.bottom});
    const win::POINT item{below.x + 30, below.y + 3 + rowHeight + rowHeight / 2};
    const win::POINT origin = x.Sdl()->WindowPosition();
    const std::string shot = ::testing::TempDir() + "toolbar_xvfb_menu.png";
    std::atomic<bool> done{false};
    int rc1 = -1, rc2 = -1, rc3 = -1;
    std::thread t([&] {
      rc1 = std::system(("xdotool mousemove " + xvfb::ScreenXY(origin, button) +
                         " sleep 0.3 click 1 sleep 0.5 mousemove " + xvfb::ScreenXY(origin, item) +
                         " sleep 0.5")
                            .c_str());
      rc2 = std::system(
          ("import -display " + x.Display() + " -window root png:" + shot + " 2>/dev/null")
              .c_str());
      rc3 = std::system("xdotool click 1 sleep 0.3");
      done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done && std::chrono::steady_clock::now() < deadline) PumpFor(20);
    t.join();
    PumpFor(300);
    EXPECT_EQ(rc1, 0);
    EXPECT_EQ(rc2, 0);
    EXPECT_EQ(rc3, 0);
    EXPECT_EQ(chosen, "Mark &man overboard");
    EXPECT_FALSE(bar->View()->InModalLoop());
    std::cout << "screenshot: " << shot << "\n";
  }
  win::SetBackend(nullptr);
}

}  // namespace
