#include "tests/platform/win/fixture.h"

namespace wintest {
namespace {

using MessageQueue = WinTest;

TEST_F(MessageQueue, RetrievalOrderIsPostedQuitInputPaintTimer) {
  HWND h = Top(0, 0, 100, 100);
  SetFocus(h);
  Pump();  // the first paint
  SetTimer(h, 7, 10, nullptr);
  clock->Advance(20);
  InvalidateRect(h, nullptr, TRUE);
  PostRawInput(KeyDown('A'));
  PostQuitMessage(3);
  PostMessage(h, WM_USER, 0, 0);
  std::vector<UINT> got;
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && got.size() < 6) {
    got.push_back(m.message);
    if (m.message != WM_QUIT) DispatchMessage(&m);
  }
  EXPECT_EQ(got, (std::vector<UINT>{WM_USER, WM_QUIT, WM_KEYDOWN, WM_PAINT, WM_TIMER}));
}

TEST_F(MessageQueue, PeekFiltersByRangeAndWindowAndCanLeaveTheMessage) {
  HWND a = Top(0, 0, 10, 10);
  HWND b = Top(0, 0, 10, 10);
  HWND bc = Child(b, 0, 0, 5, 5);
  Pump();
  PostMessage(a, WM_USER + 1, 0, 0);
  PostMessage(bc, WM_USER + 2, 0, 0);
  PostMessage(a, WM_APP, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.hwnd, bc) << "the window filter takes descendants";
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_APP, WM_APP, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_APP));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 1));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 2));
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, TimersUseTheMinimumPeriodRestartAndStop) {
  HWND h = Top(0, 0, 10, 10);
  Pump();
  EXPECT_EQ(SetTimer(h, 1, 0, nullptr), 1u);
  MSG m;
  clock->Advance(9);
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) << "zero means 10 ms";
  clock->Advance(1);
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(m.wParam, 1u);
  clock->Advance(25);
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) << "late ticks do not pile up";
  SetTimer(h, 1, 50, nullptr);
  clock->Advance(40);
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) << "setting again restarts";
  EXPECT_TRUE(KillTimer(h, 1));
  clock->Advance(100);
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  int calls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 30, [&](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
  EXPECT_NE(id, 0u);
  clock->Advance(30);
  Pump();
  EXPECT_EQ(calls, 1);
}

TEST_F(MessageQueue, TimersFireInsideANestedModalLoop) {
  HWND main = Top(0, 0, 100, 100);
  HWND dialog = Top(20, 20, 50, 50, WS_POPUP | WS_VISIBLE, 0, main);
  SetTimer(main, 5, 100, nullptr);
  int ticks = 0;
  bool done = false;
  handlers[main] = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_TIMER && ++ticks == 3) PostMessage(dialog, WM_CLOSE, 0, 0);
    return std::nullopt;
  };
  handlers[dialog] = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_CLOSE) done = true;
    return std::nullopt;
  };
  // A modal loop of its own, as a dialog runs it.
  EnableWindow(main, FALSE);
  const DWORD start = GetTickCount();
  MSG m;
  while (!done && GetMessage(&m, nullptr, 0, 0)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  EnableWindow(main, TRUE);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(GetTickCount() - start, 300u) << "the virtual clock moved from timer to timer";
}

TEST_F(MessageQueue, GetMessageHookCanChangeAMessage) {
  HWND h = Top(0, 0, 10, 10);
  Pump();
  std::vector<WPARAM> removeFlags;
  HHOOK hook = SetWindowsHookEx(WH_GETMESSAGE, [&](int code, WPARAM w, LPARAM l) -> LRESULT {
    auto* msg = reinterpret_cast<MSG*>(l);
    removeFlags.push_back(w);
    if (msg->message == WM_USER) {
      msg->message = WM_USER + 10;
      msg->wParam = 42;
    }
    return CallNextHookEx(nullptr, code, w, l);
  }, nullptr, 0);
  PostMessage(h, WM_USER, 1, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  DispatchMessage(&m);
  EXPECT_EQ(m.message, UINT(WM_USER + 10));
  EXPECT_EQ(Count(h, WM_USER + 10), 1);
  EXPECT_EQ(Count(h, WM_USER), 0);
  EXPECT_EQ(removeFlags, (std::vector<WPARAM>{PM_NOREMOVE, PM_REMOVE}));
  UnhookWindowsHookEx(hook);
}

TEST_F(MessageQueue, CallWndProcHooksSeeSentMessagesOnlyAndChainInOrder) {
  HWND h = Top(0, 0, 10, 10);
  Pump();
  std::vector<std::string> calls;
  HHOOK first = SetWindowsHookEx(WH_CALLWNDPROC, [&](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (reinterpret_cast<CWPSTRUCT*>(l)->message >= WM_USER) calls.push_back("first");
    return CallNextHookEx(nullptr, code, w, l);
  }, nullptr, 0);
  HHOOK second = nullptr;
  second = SetWindowsHookEx(WH_CALLWNDPROC, [&](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (reinterpret_cast<CWPSTRUCT*>(l)->message >= WM_USER) calls.push_back("second");
    return CallNextHookEx(second, code, w, l);
  }, nullptr, 0);
  SendMessage(h, WM_USER, 0, 0);
  PostMessage(h, WM_USER + 1, 0, 0);
  Pump();
  EXPECT_EQ(calls, (std::vector<std::string>{"second", "first"}));
  UnhookWindowsHookEx(second);
  calls.clear();
  SendMessage(h, WM_USER, 0, 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"first"}));
  UnhookWindowsHookEx(first);
}

TEST_F(MessageQueue, WaitWithATimeoutEndsOnTheVirtualClock) {
  Top(0, 0, 10, 10);
  Pump();
  const DWORD start = GetTickCount();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT), DWORD(WAIT_TIMEOUT));
  EXPECT_EQ(GetTickCount() - start, 1u);
  PostThreadMessage(WM_APP, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT), DWORD(WAIT_OBJECT_0));
  EXPECT_EQ(GetTickCount() - start, 1u);
}

TEST_F(MessageQueue, ALoopWaitingForNothingFailsInsteadOfHanging) {
  Top(0, 0, 10, 10);
  Pump();
  MSG m;
  EXPECT_THROW(GetMessage(&m, nullptr, 0, 0), EIdleStall);
}

TEST_F(MessageQueue, QuitEndsGetMessageWithItsCode) {
  PostQuitMessage(9);
  MSG m;
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  EXPECT_EQ(m.wParam, 9u);
  EXPECT_NE(RegisterWindowMessage("corv.one"), RegisterWindowMessage("corv.two"));
  EXPECT_EQ(RegisterWindowMessage("corv.one"), RegisterWindowMessage("CORV.ONE"));
}

}  // namespace
}  // namespace wintest
