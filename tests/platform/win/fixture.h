#pragma once
// A fresh window system on the virtual clock for each test, a window class whose procedure logs
// every message and lets a test answer some of them.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/defproc.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/scriptedinput.h"
#include "platform/win/settings.h"
#include "platform/win/system.h"
#include "platform/win/window.h"

namespace wintest {

using namespace win;

struct Entry {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

class WinTest : public ::testing::Test {
 protected:
  using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

  void SetUp() override {
    clock = std::make_shared<VirtualClock>();
    Config config;
    config.width = 640;
    config.height = 480;
    config.clock = clock;
    config.idleGraceMs = 100;
    scope = std::make_unique<SystemScope>(config);
    for (const char* name : {"test", "testdbl"}) {
      WNDCLASS wc;
      wc.style = std::string(name) == "testdbl" ? UINT(CS_DBLCLKS) : 0u;
      wc.lpszClassName = name;
      wc.hCursor = LoadCursor(nullptr, IDC_HAND);
      wc.hbrBackground = 5 + 1;  // the window colour
      wc.lpfnWndProc = [this](HWND h, UINT m, WPARAM w, LPARAM l) { return Proc(h, m, w, l); };
      RegisterClass(&wc);
    }
  }

  void TearDown() override {
    handlers.clear();
    scope.reset();
  }

  LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    log.push_back(Entry{h, m, w, l});
    auto it = handlers.find(h);
    if (it != handlers.end())
      if (auto r = it->second(h, m, w, l)) return *r;
    return DefWindowProc(h, m, w, l);
  }

  HWND Top(int x, int y, int w, int h, DWORD style = WS_POPUP | WS_VISIBLE, DWORD ex = 0,
           HWND owner = nullptr, const char* cls = "test") {
    return CreateWindowEx(ex, cls, "top", style, x, y, w, h, owner, 0, nullptr);
  }
  HWND Child(HWND parent, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE,
             const char* cls = "test") {
    return CreateWindowEx(0, cls, "child", style, x, y, w, h, parent, 0, nullptr);
  }

  // Messages of one window (or all) in order, only those in `only` when given.
  std::vector<UINT> Messages(HWND h, std::vector<UINT> only = {}) const {
    std::vector<UINT> out;
    for (const Entry& e : log)
      if ((!h || e.hwnd == h) &&
          (only.empty() || std::find(only.begin(), only.end(), e.msg) != only.end()))
        out.push_back(e.msg);
    return out;
  }
  int Count(HWND h, UINT msg) const {
    int n = 0;
    for (const Entry& e : log) n += (e.hwnd == h && e.msg == msg) ? 1 : 0;
    return n;
  }

  // Retrieves and dispatches everything that can be retrieved now.
  void Pump() {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  }

  std::shared_ptr<VirtualClock> clock;
  std::unique_ptr<SystemScope> scope;
  std::vector<Entry> log;
  std::map<HWND, Handler> handlers;
};

}  // namespace wintest
