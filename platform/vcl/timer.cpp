#include "platform/vcl/timer.h"

namespace vcl {

TTimer::TTimer(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {
  UpdateTimer();
}

TTimer::~TTimer() {
  if (id_) win::KillTimer(nullptr, id_);
}

void TTimer::UpdateTimer() {
  if (id_) {
    win::KillTimer(nullptr, id_);
    id_ = 0;
  }
  if (!enabled_ || interval_ == 0 || (ComponentState() & rtl::csLoading)) return;
  id_ = win::SetTimer(nullptr, 0, interval_,
                      [this](win::HWND, win::UINT, win::UINT_PTR, win::DWORD) { Timer(); });
}

void TTimer::SetInterval(unsigned v) {
  if (v == interval_) return;
  interval_ = v;
  UpdateTimer();
}

void TTimer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  UpdateTimer();
}

void TTimer::Loaded() {
  rtl::TComponent::Loaded();
  UpdateTimer();
}

void TTimer::Timer() {
  if (enabled_ && OnTimer) OnTimer(this);
}

}  // namespace vcl
