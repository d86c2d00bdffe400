#pragma once
// The message queue of the GUI thread: send, post, peek, get, wait, dispatch, timers and hooks.
// Retrieval order: sent (from other threads), posted, quit, input, paint, timer.
#include "platform/win/messages.h"
#include "platform/win/types.h"

namespace win {

// A direct call to the window procedure, seen by the window-procedure-call hooks. A destroyed
// window answers 0. Other threads must use PostMessage or Synchronize.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// On the GUI thread the same as SendMessage; from another thread queued without waiting.
BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// From any thread. A null window posts a thread message. FALSE for a destroyed window.
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// The window filter takes the window and its descendants; min = max = 0 takes every message.
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT removeFlags);
// FALSE when the message is WM_QUIT.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT min, UINT max);
BOOL WaitMessage();
// Only the message-queue form is supported (count 0): WAIT_OBJECT_0 when something can be
// retrieved, WAIT_TIMEOUT when the time ran out.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs,
                                DWORD wakeMask);
// Which kinds of messages are waiting (high word: all, low word: the same here).
DWORD GetQueueStatus(UINT flags);
LRESULT DispatchMessage(const MSG* msg);

DWORD GetMessageTime();
// Screen position of the last retrieved message, signed 16-bit x in the low word, y in the high.
DWORD GetMessagePos();
POINT GetMessagePosAsPoint();

// Per window and id; a zero window makes a thread timer with a fresh id. Zero elapse is the
// minimum period (10 ms). Setting an existing timer restarts it.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc = nullptr);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
constexpr UINT USER_TIMER_MINIMUM = 10;

// Hooks of the GUI thread: WH_CALLWNDPROC (lParam = CWPSTRUCT*), WH_CBT (HCBT_DESTROYWND; a
// non-zero answer vetoes the destruction), WH_GETMESSAGE (wParam = PM_REMOVE or PM_NOREMOVE,
// lParam = MSG* which the hook may change). The newest hook is called first.
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HANDLE module, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

}  // namespace win
