// A modal form under a real X server (Xvfb) through the SDL backend: xdotool clicks a button of
// the main window while the form is up, then the form's OK; only the second click counts.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/vcl/application.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timer.h"
#include "tests/xvfbtools.h"

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXcursor\n";
}

namespace {

using xvfb::PumpFor;

TEST(XvfbModal, TheMainWindowTakesNoClickWhileAModalFormIsUp) {
  if (!xvfb::Have("Xvfb") || !xvfb::Have("xdotool")) GTEST_SKIP() << "Xvfb or xdotool missing";
  xvfb::WindowSystemOnX x(780, 560, true);
  ASSERT_EQ(x.Error(), "");
  {
    vcl::TApplication app;
    vcl::TForm* main = nullptr;
    app.CreateForm(main);
    main->SetCaption("Corvatalen");
    main->SetBounds(0, 0, 500, 300);
    auto* capture = new vcl::TButton(main);
    capture->SetParent(main);
    capture->SetCaption("Capture");
    capture->SetBounds(20, 20, 90, 28);
    int captures = 0;
    capture->OnClick = rtl::TNotifyEvent(&captures, [&](rtl::TObject*) { ++captures; });
    main->Show();

    auto* dialog = new vcl::TForm(&app);
    dialog->SetCaption("Settings");
    dialog->SetBounds(300, 200, 300, 200);
    auto* ok = new vcl::TButton(dialog);
    ok->SetParent(dialog);
    ok->SetCaption("OK");
    ok->SetBounds(100, 100, 75, 25);
    ok->SetModalResult(vcl::mrOk);
    PumpFor(300);

    const win::POINT origin = x.Sdl()->WindowPosition();
    const win::POINT onCapture = capture->ClientToScreen(win::POINT{45, 14});
    // Once the form is up the timer tells the script where its OK is; it also ends a form that
    // the script never closed.
    std::atomic<bool> shown{false}, done{false};
    win::POINT onOk{};
    int ticks = 0;
    auto* timer = new vcl::TTimer(dialog);
    timer->SetInterval(200);
    timer->OnTimer = rtl::TNotifyEvent(&ticks, [&](rtl::TObject*) {
      if (ticks++ == 0) {
        onOk = ok->ClientToScreen(win::POINT{37, 12});
        shown = true;
      } else if (ticks > 150) {
        dialog->SetModalResult(vcl::mrCancel);
      }
    });
    int rc1 = -1, rc2 = -1;
    std::thread t([&] {
      while (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      rc1 = std::system(("xdotool sleep 0.3 mousemove " + xvfb::ScreenXY(origin, onCapture) +
                         " sleep 0.2 click 1 sleep 0.5 mousemove " + xvfb::ScreenXY(origin, onOk) +
                         " sleep 0.2 click 1 sleep 0.3")
                            .c_str());
    });
    const vcl::TModalResult result = dialog->ShowModal();
    t.join();
    EXPECT_EQ(rc1, 0);
    EXPECT_EQ(result, vcl::mrOk);
    EXPECT_EQ(captures, 0) << "the click on the main window went through the modal form";

    // With the form gone the same click reaches the button.
    std::thread t2([&] {
      rc2 = std::system(("xdotool mousemove " + xvfb::ScreenXY(origin, onCapture) +
                         " sleep 0.2 click 1 sleep 0.3")
                            .c_str());
      done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done && std::chrono::steady_clock::now() < deadline) PumpFor(20);
    t2.join();
    PumpFor(200);
    EXPECT_EQ(rc2, 0);
    EXPECT_EQ(captures, 1);
  }
  win::SetBackend(nullptr);
}

}  // namespace
