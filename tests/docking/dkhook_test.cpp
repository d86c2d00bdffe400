// The hook registry: one platform hook per type shared by every callback that needs it.
#include "docking/dkhook.h"

#include <gtest/gtest.h>

#include "platform/win/defproc.h"
#include "platform/win/message.h"
#include "platform/win/window.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

using namespace docking;

class Hooks : public vcltest::VclTest {
 protected:
  void TearDown() override {
    UninstallAllHooks();
    VclTest::TearDown();
  }
};

struct Seen {
  int activates = 0;
  int getMessages = 0;
  win::HWND lastWnd = nullptr;
};
Seen gSeen;

void Recorder(THookProcCode code, win::HWND wnd, win::WPARAM, win::LPARAM) {
  if (code == hpSendActivate) ++gSeen.activates, gSeen.lastWnd = wnd;
  if (code == hpGetMessage) ++gSeen.getMessages;
}
void Other(THookProcCode, win::HWND, win::WPARAM, win::LPARAM) {}

win::HWND QuietWindow() {
  win::WNDCLASS wc{};
  wc.lpszClassName = "HookQuiet";
  wc.lpfnWndProc = [](win::HWND h, unsigned m, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
    return m == win::WM_ACTIVATE ? 0 : win::DefWindowProc(h, m, w, l);
  };
  win::RegisterClass(&wc);
  return win::CreateWindowEx(0, "HookQuiet", "", win::WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr);
}

TEST_F(Hooks, TwoUsersOfOneCallbackShareOnePlatformHookUntilBothLeave) {
  gSeen = {};
  const win::HWND quiet = QuietWindow();
  int a = 0, b = 0;
  InstallHookProc(&a, &Recorder, HookCodes(hpSendActivate));
  const win::HHOOK first = detail::InstalledHook(win::WH_CALLWNDPROC);
  ASSERT_NE(first, nullptr);
  InstallHookProc(&b, &Recorder, HookCodes(hpSendActivate));
  EXPECT_EQ(detail::InstalledHook(win::WH_CALLWNDPROC), first);
  win::SendMessage(quiet, win::WM_ACTIVATE, win::WA_ACTIVE, 0);
  EXPECT_EQ(gSeen.activates, 1);  // one record, one call
  EXPECT_EQ(gSeen.lastWnd, quiet);
  UninstallHookProc(&a, &Recorder);
  EXPECT_EQ(detail::InstalledHook(win::WH_CALLWNDPROC), first);
  UninstallHookProc(&b, &Recorder);
  EXPECT_EQ(detail::InstalledHook(win::WH_CALLWNDPROC), nullptr);
  win::SendMessage(quiet, win::WM_ACTIVATE, win::WA_ACTIVE, 0);
  EXPECT_EQ(gSeen.activates, 1);
}

TEST_F(Hooks, AGetMessageCallbackAloneInstallsNoWindowProcedureHook) {
  gSeen = {};
  int a = 0;
  InstallHookProc(&a, &Recorder, HookCodes(hpGetMessage));
  EXPECT_EQ(detail::InstalledHook(win::WH_CALLWNDPROC), nullptr);
  EXPECT_EQ(detail::InstalledHook(win::WH_CBT), nullptr);
  EXPECT_NE(detail::InstalledHook(win::WH_GETMESSAGE), nullptr);
  win::PostMessage(app->Handle(), win::WM_USER, 0, 0);
  Pump();
  EXPECT_GE(gSeen.getMessages, 1);
  // A second callback with another type adds that hook; leaving removes only its own.
  InstallHookProc(&a, &Other, HookCodes(hpPreDestroy));
  EXPECT_NE(detail::InstalledHook(win::WH_CBT), nullptr);
  UninstallHookProc(&a, &Recorder);
  EXPECT_EQ(detail::InstalledHook(win::WH_GETMESSAGE), nullptr);
  EXPECT_NE(detail::InstalledHook(win::WH_CBT), nullptr);
  UninstallHookProc(&a, &Other);
  EXPECT_EQ(detail::InstalledHook(win::WH_CBT), nullptr);
}

int gLateCalls = 0;
int gUser = 0;
void Late(THookProcCode, win::HWND, win::WPARAM, win::LPARAM) {
  ++gLateCalls;
}
void Remover(THookProcCode, win::HWND, win::WPARAM, win::LPARAM) {
  UninstallHookProc(&gUser, &Late);
}

TEST_F(Hooks, ACallbackRemovedByAnEarlierOneIsNotCalled) {
  gLateCalls = 0;
  InstallHookProc(&gUser, &Remover, HookCodes(hpPreDestroy));
  InstallHookProc(&gUser, &Late, HookCodes(hpPreDestroy));
  win::WNDCLASS wc{};
  wc.lpszClassName = "HookVictim";
  win::RegisterClass(&wc);
  win::HWND w =
      win::CreateWindowEx(0, "HookVictim", "", win::WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr);
  win::DestroyWindow(w);
  EXPECT_EQ(gLateCalls, 0);
  UninstallHookProc(&gUser, &Remover);
  EXPECT_EQ(detail::InstalledHook(win::WH_CBT), nullptr);
}

TEST_F(Hooks, TheEndOfTheWindowSystemRemovesTheHooksLeftInstalled) {
  gSeen = {};
  int a = 0;
  InstallHookProc(&a, &Recorder, HookCodes(hpSendActivate) | HookCodes(hpGetMessage));
  ASSERT_NE(detail::InstalledHook(win::WH_CALLWNDPROC), nullptr);
  app.reset();
  win::Shutdown();
  EXPECT_EQ(detail::InstalledHook(win::WH_CALLWNDPROC), nullptr);
  EXPECT_EQ(detail::InstalledHook(win::WH_GETMESSAGE), nullptr);
  // The next window system starts clean: a callback registered there hooks it and is called.
  win::Initialize();
  app = std::make_unique<vcl::TApplication>();
  const win::HWND quiet = QuietWindow();
  InstallHookProc(&a, &Recorder, HookCodes(hpSendActivate));
  win::SendMessage(quiet, win::WM_ACTIVATE, win::WA_ACTIVE, 0);
  EXPECT_EQ(gSeen.activates, 1);
  UninstallHookProc(&a, &Recorder);
  EXPECT_EQ(detail::InstalledHook(win::WH_CALLWNDPROC), nullptr);
}

}  // namespace
