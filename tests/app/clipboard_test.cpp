// The program's clipboard on a real X display: with the SDL backend it is the desktop's, which
// xclip (an independent client) reads and fills; headless it stays in the process.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>

#include "app/winmain.h"
#include "platform/display/backend.h"
#include "platform/display/sdl.h"
#include "platform/vcl/clipboard.h"
#include "platform/win/message.h"
#include "tests/xvfbtools.h"

// The X and SDL libraries keep some allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXcursor\n";
}

namespace {

// Runs a shell command on another thread while this one pumps the window system (and so SDL,
// which answers the X selection requests while it pumps); returns what the command printed.
std::string RunPumping(const std::string& command) {
  auto output = std::async(std::launch::async, [command] {
    std::string out;
    if (FILE* f = popen(command.c_str(), "r")) {
      char buf[256];
      for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
      pclose(f);
    }
    return out;
  });
  while (output.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
    win::MSG m;
    while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) win::DispatchMessage(&m);
    win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 20, win::QS_ALLINPUT);
  }
  return output.get();
}

TEST(Clipboard, WithTheSdlBackendItIsTheDesktopsClipboard) {
  if (!xvfb::Have("Xvfb") || !xvfb::Have("xclip")) GTEST_SKIP() << "Xvfb or xclip missing";
  xvfb::WindowSystemOnX x(320, 240);
  ASSERT_EQ(x.Error(), "");
  std::string note;
  auto backend = display::StartBackend("sdl", &note);
  ASSERT_TRUE(note.empty()) << note;
  ConnectClipboard(backend);
  vcl::TClipboard* clip = vcl::Clipboard();

  // Another program's text is what the program pastes.
  RunPumping("printf 'from another program' | xclip -selection clipboard -i >/dev/null 2>&1");
  EXPECT_EQ(clip->AsText(), "from another program");

  // What the program copies, other programs paste.
  clip->SetAsText("$IIVHW,,,,,5.20,N,,*5B\r\n$IIMWV,41.5,R,12.0,N,A*1C");
  EXPECT_EQ(display::SdlBackend::ClipboardText(),
            "$IIVHW,,,,,5.20,N,,*5B\r\n$IIMWV,41.5,R,12.0,N,A*1C");
  EXPECT_EQ(RunPumping("timeout 10 xclip -selection clipboard -o"),
            "$IIVHW,,,,,5.20,N,,*5B\r\n$IIMWV,41.5,R,12.0,N,A*1C");

  // Text set through SDL comes back through the program's clipboard, and clearing empties both.
  ASSERT_TRUE(display::SdlBackend::SetClipboardText("set through SDL"));
  EXPECT_EQ(clip->AsText(), "set through SDL");
  EXPECT_TRUE(clip->HasText());
  clip->Clear();
  EXPECT_FALSE(clip->HasText());
  EXPECT_EQ(display::SdlBackend::ClipboardText(), "");

  // Disconnected (as at the program's end), the clipboard is the process's own again.
  display::SdlBackend::SetClipboardText("desktop");
  ConnectClipboard(nullptr);
  clip->SetAsText("in process");
  EXPECT_EQ(clip->AsText(), "in process");
  EXPECT_EQ(display::SdlBackend::ClipboardText(), "desktop");
  win::SetBackend(nullptr);
  // SDL's video is bound to this test's display, which goes with the test.
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TEST(Clipboard, HeadlessItStaysInTheProcess) {
  win::SystemScope scope(win::Config{});
  ConnectClipboard(display::StartBackend("headless"));
  vcl::Clipboard()->SetAsText("kept here");
  EXPECT_EQ(vcl::Clipboard()->AsText(), "kept here");
  ConnectClipboard(nullptr);
  EXPECT_EQ(vcl::Clipboard()->AsText(), "kept here");
  win::SetBackend(nullptr);
}

}  // namespace
