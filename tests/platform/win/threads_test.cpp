// Other threads and the GUI thread: posting from a worker, and a worker's Synchronize served by a
// modal loop, with the worker's owner closed from the GUI thread while the worker waits.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/rtl/thread.h"
#include "platform/win/defproc.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/system.h"
#include "platform/win/window.h"

namespace {

using namespace win;

class Threads : public ::testing::Test {
 protected:
  void SetUp() override {
    Config config;
    config.width = 320;
    config.height = 240;  // the real clock: waits block until another thread wakes them
    scope = std::make_unique<SystemScope>(config);
    WNDCLASS wc;
    wc.lpszClassName = "threads";
    wc.lpfnWndProc = [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (proc) return proc(h, m, w, l);
      return DefWindowProc(h, m, w, l);
    };
    RegisterClass(&wc);
  }
  void TearDown() override { scope.reset(); }

  std::unique_ptr<SystemScope> scope;
  WNDPROC proc;
};

TEST_F(Threads, PostsFromAWorkerArriveInOrderAndWakeTheLoop) {
  HWND h = CreateWindowEx(0, "threads", "", WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr);
  constexpr int kCount = 2000;
  std::thread worker([h] {
    for (int i = 0; i < kCount; ++i) PostMessage(h, WM_APP, WPARAM(i), 0);
    PostMessage(h, WM_APP + 1, 0, 0);
  });
  int expected = 0;
  bool inOrder = true;
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) {
    if (m.message == WM_APP) inOrder = inOrder && m.wParam == WPARAM(expected++);
    if (m.message == WM_APP + 1) break;
  }
  worker.join();
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(expected, kCount);
}

// A worker that reports to its form through Synchronize until it is told to stop.
class Reporter : public rtl::TThread {
 public:
  explicit Reporter(std::function<void()> report) : report_(std::move(report)) {}
  ~Reporter() override {
    Terminate();
    WaitFor();
  }
  std::atomic<int> cancelled{0};

 protected:
  void Execute() override {
    while (!Terminated())
      if (!Synchronize(report_)) ++cancelled;
  }

 private:
  std::function<void()> report_;
};

TEST_F(Threads, SynchronizeRunsInsideAModalLoopAndClosingTheOwnerDoesNotDeadlock) {
  HWND owner = CreateWindowEx(0, "threads", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, 0, nullptr);
  HWND dialog = CreateWindowEx(0, "threads", "", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, owner, 0, nullptr);
  const auto gui = std::this_thread::get_id();
  std::atomic<int> reports{0};
  std::atomic<bool> allOnGui{true};
  std::unique_ptr<Reporter> worker;
  bool ownerGone = false;
  proc = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (h == owner && m == WM_DESTROY) {
      worker.reset();  // stops the worker and waits for it, while it may sit in Synchronize
      ownerGone = true;
    }
    return DefWindowProc(h, m, w, l);
  };
  worker = std::make_unique<Reporter>([&] {
    if (std::this_thread::get_id() != gui) allOnGui = false;
    // The GUI side closes the owner from inside the modal loop after a few reports.
    if (++reports == 20) PostMessage(owner, WM_CLOSE, 0, 0);
  });
  worker->Start();
  // The dialog's modal loop; it ends when the owner (and so the dialog) is gone.
  EnableWindow(owner, FALSE);
  MSG m;
  while (IsWindow(dialog) && GetMessage(&m, nullptr, 0, 0)) {
    if (m.message == WM_CLOSE && m.hwnd == owner) EnableWindow(owner, TRUE);
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  EXPECT_TRUE(ownerGone);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_GE(reports.load(), 20);
  EXPECT_TRUE(allOnGui.load());
}

}  // namespace
