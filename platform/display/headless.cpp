#include "platform/display/headless.h"

#include <chrono>

#include "platform/gdi/image.h"
#include "platform/win/paint.h"

namespace display {

void HeadlessBackend::Present(const gdi::Surface&, std::span<const win::RECT>) { ++presents_; }

void HeadlessBackend::WaitInput(win::DWORD timeoutMs) {
  std::unique_lock lock(m_);
  auto woken = [this] { return woken_; };
  if (timeoutMs == win::INFINITE) cv_.wait(lock, woken);
  else cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), woken);
  woken_ = false;
}

void HeadlessBackend::Wake() {
  {
    std::lock_guard lock(m_);
    woken_ = true;
  }
  cv_.notify_all();
}

bool SaveScreenSnapshot(const std::string& path) {
  try {
    gdi::SavePngFile(path, win::ComposeScreen());
    return true;
  } catch (const rtl::Exception&) {
    return false;
  }
}

}  // namespace display
