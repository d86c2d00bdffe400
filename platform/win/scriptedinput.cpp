#include "platform/win/scriptedinput.h"

#include "platform/rtl/exceptions.h"

namespace win {

InputScript::InputScript() {
  if (!GetVirtualClock()) throw rtl::EInvalidOperation("an input script needs the virtual clock");
  SetIdleHook([this](const IdleInfo& info) { return OnIdle(info); });
}

InputScript::~InputScript() {
  if (IsInitialized()) SetIdleHook(nullptr);
}

InputScript& InputScript::After(uint32_t ms) {
  pendingDelay_ += ms;
  return *this;
}

InputScript& InputScript::Then(const RawInput& input) {
  return Then([input] { PostRawInput(input); });
}

InputScript& InputScript::Then(std::function<void()> step) {
  steps_.push_back(Step{pendingDelay_, std::nullopt, std::move(step)});
  pendingDelay_ = 0;
  return *this;
}

bool InputScript::OnIdle(const IdleInfo& info) {
  if (steps_.empty()) return false;
  VirtualClock* clock = GetVirtualClock();
  Step& step = steps_.front();
  if (!step.due) step.due = clock->NowMicros() + uint64_t(step.delayMs) * 1000;
  // A timer or a wait's deadline that comes first goes first.
  if (info.wakeAtMicros && *info.wakeAtMicros < *step.due) return false;
  clock->AdvanceTo(*step.due);
  auto run = std::move(step.run);
  steps_.pop_front();
  run();
  return true;
}

}  // namespace win
