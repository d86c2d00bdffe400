#include "platform/win/clock.h"

#include <chrono>

namespace win {

uint64_t MonotonicClock::NowMicros() const {
  using namespace std::chrono;
  return uint64_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void VirtualClock::AdvanceTo(uint64_t micros) {
  uint64_t cur = now_.load();
  while (micros > cur && !now_.compare_exchange_weak(cur, micros)) {
  }
  std::lock_guard lock(listenersMutex_);
  for (auto& [id, listener] : listeners_) listener(now_.load());
}

int VirtualClock::AddAdvanceListener(AdvanceListener listener) {
  std::lock_guard lock(listenersMutex_);
  listeners_[nextListener_] = std::move(listener);
  return nextListener_++;
}

void VirtualClock::RemoveAdvanceListener(int id) {
  std::lock_guard lock(listenersMutex_);
  listeners_.erase(id);
}

}  // namespace win
