#include "platform/display/headless.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/display/backend.h"
#include "platform/gdi/gdi.h"
#include "platform/win/defproc.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"
#include "tests/tempdir.h"

namespace {

using namespace win;

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
    WNDCLASS wc;
    wc.lpszClassName = "solid";
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m != WM_PAINT) return DefWindowProc(h, m, w, l);
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT r;
      GetClientRect(h, &r);
      HBRUSH b = gdi::CreateSolidBrush(COLORREF(GetWindowLongPtr(h, GWL_USERDATA)));
      gdi::FillRect(dc, &r, b);
      gdi::DeleteObject(b);
      EndPaint(h, &ps);
      return 0;
    };
    RegisterClass(&wc);
  }
  void TearDown() override { scope.reset(); }

  HWND Solid(int x, int y, int w, int h, COLORREF c, DWORD ex = 0) {
    HWND hwnd = CreateWindowEx(ex, "solid", "", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, x,
                               y, w, h, nullptr, 0, nullptr);
    SetWindowLongPtr(hwnd, GWL_USERDATA, intptr_t(c));
    InvalidateRect(hwnd, nullptr, TRUE);
    return hwnd;
  }
  void Pump() {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  }

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
