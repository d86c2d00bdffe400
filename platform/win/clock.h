#pragma once
// Where the window system takes its time from: the monotonic clock of the machine, or a virtual
// clock that only moves when a test moves it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace win {

class Clock {
 public:
  virtual ~Clock() = default;
  // Microseconds since an arbitrary start; never goes back.
  virtual uint64_t NowMicros() const = 0;
  // True for a clock that only moves when told to (waits must not block on it).
  virtual bool IsVirtual() const { return false; }
};

class MonotonicClock : public Clock {
 public:
  uint64_t NowMicros() const override;
};

class VirtualClock : public Clock {
 public:
  // Starts well above zero so tick arithmetic never sees a zero time.
  explicit VirtualClock(uint64_t startMicros = 10'000'000) : now_(startMicros) {}
  uint64_t NowMicros() const override { return now_.load(); }
  bool IsVirtual() const override { return true; }
  void AdvanceMicros(uint64_t us) { AdvanceTo(now_.load() + us); }
  void Advance(uint64_t ms) { AdvanceTo(now_.load() + ms * 1000); }
  // Moves forward to the given time; an earlier time leaves the clock alone.
  void AdvanceTo(uint64_t micros);

  // Something paced by this clock (a synthetic camera) hears every move and returns once it has
  // done what fell due, so that an advance is deterministic. Listeners are called on the thread
  // that moves the clock, under a lock that Remove also takes: never remove from a listener.
  using AdvanceListener = std::function<void(uint64_t nowMicros)>;
  int AddAdvanceListener(AdvanceListener listener);
  void RemoveAdvanceListener(int id);

 private:
  std::atomic<uint64_t> now_;
  std::mutex listenersMutex_;
  std::map<int, AdvanceListener> listeners_;
  int nextListener_ = 1;
};

}  // namespace win
