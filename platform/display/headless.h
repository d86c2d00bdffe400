#pragma once
// The screen kept in memory only: nothing is shown, input comes from PostRawInput (tests,
// scripts), and the screen can be written as a PNG snapshot on request.
#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/win/system.h"

namespace display {

class HeadlessBackend : public win::Backend {
 public:
  void Present(const gdi::Surface& screen, std::span<const win::RECT> dirty) override;
  void WaitInput(win::DWORD timeoutMs) override;
  void Wake() override;

  int Presents() const { return presents_; }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool woken_ = false;
  int presents_ = 0;
};

// Writes the screen as presented (layered windows blended in) to a PNG file; false on failure.
bool SaveScreenSnapshot(const std::string& path);

}  // namespace display
