#pragma once
// The event thread of a serial port: waits for the port's line events and delivers them, on the
// GUI thread unless the port says otherwise.
#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/rtl/thread.h"

namespace serial {
class Device;
}
class TCustomComPort;

class TComThread final : public rtl::TThread {
 public:
  TComThread(TCustomComPort* port, serial::Device* device);
  ~TComThread() override;

  // Runs call on the GUI thread for this thread and waits for it; false when the port closed
  // before it could run.
  bool OnGuiThread(const std::function<void()>& call);
  // True while a call of this thread runs on the GUI thread: the thread is waiting for it and
  // cannot be joined from inside it.
  bool InGuiCall() const { return inGuiCall_; }
  // For a thread that cannot be joined where it is stopped: once it ends it hands itself to the
  // GUI thread, which joins and frees it.
  void ReapWhenDone() { reap_ = true; }

 protected:
  void Execute() override;

 private:
  // Runs on the delivering thread; stops as soon as a handler closes the port.
  void Deliver(uint32_t events);

  // Both touched only while not Terminated: a port that closes terminates its thread first.
  TCustomComPort* port_;
  serial::Device* device_;
  std::atomic<bool> inGuiCall_{false};
  std::atomic<bool> reap_{false};
};
