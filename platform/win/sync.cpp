// Cross-thread calls: the synchronize queue of the runtime is served by every message loop, and
// a call queued by a worker wakes the loop's wait.
#include "platform/rtl/thread.h"
#include "platform/win/state.h"

namespace win::detail {

void ServiceSynchronize() {
  if (std::this_thread::get_id() == S().guiThread) rtl::CheckSynchronize(0);
}

void InstallSynchronizeWake() {
  rtl::SetWakeMainThread([] {
    if (Running()) Wake();
  });
}

void RemoveSynchronizeWake() { rtl::SetWakeMainThread({}); }

}  // namespace win::detail
