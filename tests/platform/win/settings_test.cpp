#include "platform/gdi/shapes.h"
#include "platform/win/sinks.h"
#include "tests/platform/win/fixture.h"

namespace wintest {
namespace {

using SystemSettings = WinTest;

TEST_F(SystemSettings, MetricsParametersAndMonitorsComeFromTheSettingsObject) {
  Settings& s = GetSettings();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
  UINT delay = 0;
  EXPECT_TRUE(SystemParametersInfo(SPI_GETMENUSHOWDELAY, 0, &delay, 0));
  EXPECT_EQ(delay, 400u);
  s.failing.insert(SPI_GETMENUSHOWDELAY);
  EXPECT_FALSE(SystemParametersInfo(SPI_GETMENUSHOWDELAY, 0, &delay, 0));
  NONCLIENTMETRICS ncm;
  EXPECT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0));
  ncm.cbSize = 100;
  EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0));

  s.monitors = {Monitor{RECT{0, 0, 640, 480}, RECT{0, 0, 640, 450}},
                Monitor{RECT{640, 0, 1280, 480}, RECT{660, 0, 1280, 480}}};
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1280);
  MONITORINFO mi;
  ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint(POINT{700, 10}, MONITOR_DEFAULTTONULL), &mi));
  EXPECT_EQ(mi.rcWork, (RECT{660, 0, 1280, 480}));
  EXPECT_EQ(mi.dwFlags, 0u);
  EXPECT_EQ(MonitorFromPoint(POINT{2000, 10}, MONITOR_DEFAULTTONULL), nullptr);
  ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint(POINT{2000, 10}, MONITOR_DEFAULTTONEAREST), &mi));
  EXPECT_EQ(mi.rcMonitor.left, 640);
  RECT straddle{600, 0, 700, 10};
  ASSERT_TRUE(GetMonitorInfo(MonitorFromRect(&straddle, MONITOR_DEFAULTTONEAREST), &mi));
  EXPECT_EQ(mi.rcMonitor.left, 640) << "the monitor with most of the rectangle";
  RECT work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work, (RECT{0, 0, 640, 450})) << "the primary monitor's work area";
}

TEST_F(SystemSettings, SoundsAndHelpGoToTheirSinks) {
  ClearSinks();
  PlaySound("MenuPopup", nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT);
  MessageBeep(0);
  WinHelp(nullptr, "corvatalen.hlp", HELP_CONTEXT, 42);
  ASSERT_EQ(SoundLog().size(), 2u);
  EXPECT_EQ(SoundLog()[0].alias, "MenuPopup");
  EXPECT_EQ(SoundLog()[0].flags, DWORD(SND_ALIAS | SND_ASYNC | SND_NODEFAULT));
  ASSERT_EQ(HelpLog().size(), 1u);
  EXPECT_EQ(HelpLog()[0].data, 42u);
}

TEST_F(SystemSettings, ResizingTheScreenMovesTheDesktopAndTheMonitor) {
  HWND h = Top(0, 0, 10, 10);
  log.clear();
  ResizeScreen(800, 600);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  RECT r;
  GetWindowRect(GetDesktopWindow(), &r);
  EXPECT_EQ(r, (RECT{0, 0, 800, 600}));
  MONITORINFO mi;
  GetMonitorInfo(MonitorFromPoint(POINT{700, 500}, MONITOR_DEFAULTTONULL), &mi);
  EXPECT_EQ(mi.rcWork, (RECT{0, 0, 800, 600}));
  EXPECT_EQ(Count(h, WM_DISPLAYCHANGE), 1);
}

TEST_F(SystemSettings, ChangedColoursReachTheGraphicsLayerAndTheWindows) {
  HWND h = Top(0, 0, 50, 50);
  GetSettings().colors[gdi::COLOR_BTNFACE] = 0x123456;
  log.clear();
  ApplySettings();
  EXPECT_EQ(gdi::GetSysColor(gdi::COLOR_BTNFACE), 0x123456u);
  EXPECT_EQ(Messages(h, {WM_SYSCOLORCHANGE, WM_SETTINGCHANGE}),
            (std::vector<UINT>{WM_SYSCOLORCHANGE, WM_SETTINGCHANGE}));
  ResetSettings();
  EXPECT_NE(gdi::GetSysColor(gdi::COLOR_BTNFACE), 0x123456u) << "the classic table again";
  EXPECT_EQ(GetSettings().nonClient.lfMenuFont.lfFaceName, "MS Sans Serif");
}

TEST_F(SystemSettings, VersionEntryPointsAndCodePageCanBeSetAndReset) {
  EXPECT_TRUE(EntryPointExists("UpdateLayeredWindow"));
  GetSettings().missingEntryPoints.insert("UpdateLayeredWindow");
  EXPECT_FALSE(EntryPointExists("UpdateLayeredWindow"));
  EXPECT_TRUE(EntryPointExists("GradientFill"));
  GetSettings().keyboardCodePage = 0;
  EXPECT_EQ(GetKeyboardLayoutCodePage(), 0u);
  GetSettings().version.major = 4;
  ResetSettings();
  EXPECT_TRUE(EntryPointExists("UpdateLayeredWindow"));
  EXPECT_EQ(GetKeyboardLayoutCodePage(), 1252u);
  EXPECT_EQ(GetSettings().version.major, 5);
  EXPECT_TRUE(GetSettings().version.wideCharFamily);
}

TEST_F(SystemSettings, AFrameLooksActiveAsItsLastNcActivateSaid) {
  HWND a = Top(10, 10, 200, 100, WS_POPUP | WS_CAPTION | WS_VISIBLE);
  HWND b = Top(300, 10, 200, 100, WS_POPUP | WS_CAPTION | WS_VISIBLE);
  SetActiveWindow(b);
  Pump();
  auto captionOf = [](HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    HDC dc = GetDC(nullptr);
    const COLORREF c = gdi::GetPixel(dc, r.left + 100, r.top + 5);
    ReleaseDC(nullptr, dc);
    return c;
  };
  EXPECT_EQ(captionOf(b), gdi::GetSysColor(gdi::COLOR_ACTIVECAPTION));
  EXPECT_EQ(captionOf(a), gdi::GetSysColor(gdi::COLOR_INACTIVECAPTION));
  // Told it is active while another window is: it draws itself active.
  SendMessage(a, WM_NCACTIVATE, TRUE, 0);
  Pump();
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(captionOf(a), gdi::GetSysColor(gdi::COLOR_ACTIVECAPTION));
  // Minimising marks the window iconic; restoring clears it.
  ShowWindow(a, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(a));
  ShowWindow(a, SW_RESTORE);
  EXPECT_FALSE(IsIconic(a));
}

}  // namespace
}  // namespace wintest
