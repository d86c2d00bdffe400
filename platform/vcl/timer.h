#pragma once
// TTimer: fires OnTimer every Interval milliseconds while Enabled, from the message loop (so
// also inside modal loops and message boxes). Disabling and enabling again restarts the period.
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/win/message.h"

namespace vcl {

class TTimer : public rtl::TComponent {
 public:
  explicit TTimer(rtl::TComponent* AOwner);
  ~TTimer() override;

  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);

  rtl::TNotifyEvent OnTimer;

 protected:
  void Loaded() override;
  virtual void Timer();

 private:
  void UpdateTimer();
  unsigned interval_ = 1000;
  bool enabled_ = true;
  win::UINT_PTR id_ = 0;
};

}  // namespace vcl
