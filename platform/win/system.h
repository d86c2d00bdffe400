#pragma once
// The window system of the process: one screen, one GUI thread, one clock. Initialize on the
// thread that will own the windows; Shutdown (or the end of a SystemScope) destroys what is left.
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/gdi/surface.h"
#include "platform/win/clock.h"
#include "platform/win/types.h"

namespace win {

// What a screen backend offers the window system. Input goes the other way, through PostRawInput.
class Backend {
 public:
  virtual ~Backend() = default;
  // Shows the screen; `dirty` is what changed since the last call: a few rectangles in screen
  // coordinates, which may overlap.
  virtual void Present(const gdi::Surface& screen, std::span<const RECT> dirty) = 0;
  // Feeds whatever input is waiting (non-blocking).
  virtual void PollInput() {}
  // Blocks up to timeoutMs (INFINITE for no limit) for input or Wake; feeds what arrived.
  virtual void WaitInput(DWORD timeoutMs) = 0;
  // Ends a WaitInput early; callable from any thread.
  virtual void Wake() = 0;
  // The cursor shape to show.
  virtual void ShowCursorShape(HCURSOR) {}
  // Where the screen is a window on a desktop: the title its frame shows, the smallest client
  // size its window manager may give it, and the frame's commands (SC_MINIMIZE, SC_MAXIMIZE,
  // SC_RESTORE). Nothing elsewhere.
  virtual void SetTitle(const std::string&) {}
  virtual void SetMinimumSize(int, int) {}
  virtual void FrameCommand(UINT) {}
};

// When a message loop would block with nothing to retrieve and the clock is virtual, the idle hook
// is asked to make progress: feed scripted input, run a step of a test, or move the clock. It
// returns false when it has nothing to do; the system then moves a virtual clock to `wakeAt`
// (the next timer or the wait's deadline) or, with nothing due at all, waits a short real time for
// other threads and then raises EIdleStall.
struct IdleInfo {
  std::optional<uint64_t> wakeAtMicros;
};
using IdleHook = std::function<bool(const IdleInfo&)>;

class EIdleStall : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Config {
  int width = 1280;
  int height = 800;
  // The monotonic clock when empty.
  std::shared_ptr<Clock> clock;
  // Real milliseconds a loop on a virtual clock waits for other threads before EIdleStall.
  int idleGraceMs = 5000;
};

void Initialize(const Config& config = {});
void Shutdown();
bool IsInitialized();
bool IsGuiThread();

Clock& GetClock();
// The virtual clock, or null with a real one.
VirtualClock* GetVirtualClock();
void SetIdleHook(IdleHook hook);
// The end of a unit that keeps window-system state of its own (hooks, a running animation): fn
// runs at the start of Shutdown, while every window still exists, the last registered first.
// Registering under the same key again replaces the earlier function.
void AtShutdown(const void* key, std::function<void()> fn);

// The backend presenting the screen (none: the screen lives only in memory).
void SetBackend(std::shared_ptr<Backend> backend);
std::shared_ptr<Backend> GetBackend();

// Changes the screen size (a backend whose window was resized): the desktop and a single
// monitor follow, everything repaints and top-level windows hear WM_DISPLAYCHANGE.
void ResizeScreen(int width, int height);
int ScreenWidth();
int ScreenHeight();

// Milliseconds of the clock as a 32-bit tick count, and a microsecond high-resolution counter.
DWORD GetTickCount();
DWORD timeGetTime();
BOOL QueryPerformanceCounter(int64_t* count);
BOOL QueryPerformanceFrequency(int64_t* frequency);

// Initialize on construction, Shutdown on destruction: the unit of one test.
class SystemScope {
 public:
  explicit SystemScope(const Config& config = {}) { Initialize(config); }
  ~SystemScope() { Shutdown(); }
  SystemScope(const SystemScope&) = delete;
  SystemScope& operator=(const SystemScope&) = delete;
};

}  // namespace win
