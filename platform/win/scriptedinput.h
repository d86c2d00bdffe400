#pragma once
// Scripted input for tests on the virtual clock: each step runs when a message loop would block,
// after an optional delay of virtual time; timers that fall due earlier fire first. A loop that
// waits with the script used up and nothing due raises EIdleStall instead of hanging.
#include <deque>
#include <functional>
#include <optional>

#include "platform/win/input.h"
#include "platform/win/system.h"

namespace win {

class InputScript {
 public:
  InputScript();
  ~InputScript();
  InputScript(const InputScript&) = delete;
  InputScript& operator=(const InputScript&) = delete;

  // Waits `ms` of virtual time before the next step.
  InputScript& After(uint32_t ms);
  InputScript& Then(const RawInput& input);
  InputScript& Then(std::function<void()> step);
  // Conveniences: a click is a press and a release at the point.
  InputScript& Move(int x, int y) { return Then(MouseMove(x, y)); }
  InputScript& Down(int x, int y, int button = 0) { return Then(MouseDown(x, y, button)); }
  InputScript& Up(int x, int y, int button = 0) { return Then(MouseUp(x, y, button)); }
  InputScript& Click(int x, int y, int button = 0) { return Down(x, y, button).Up(x, y, button); }
  InputScript& Key(UINT vk) { return Then(KeyDown(vk)).Then(KeyUp(vk)); }

  bool Done() const { return steps_.empty(); }
  size_t Remaining() const { return steps_.size(); }

 private:
  struct Step {
    uint32_t delayMs = 0;
    std::optional<uint64_t> due;
    std::function<void()> run;
  };
  bool OnIdle(const IdleInfo& info);

  std::deque<Step> steps_;
  uint32_t pendingDelay_ = 0;
};

}  // namespace win
