#pragma once
// A watch over components that code calling out to handlers (a message pump, an event) may see
// freed under it: it hears of their going through the component model's free notification, so
// the caller can tell before it touches them again.
#include <algorithm>
#include <vector>

#include "platform/rtl/classes.h"

namespace docking {

class TDKFreeWatch : public rtl::TComponent {
 public:
  TDKFreeWatch() : rtl::TComponent(nullptr) {}
  ~TDKFreeWatch() override {
    // Let go quietly: the watched ones need not hear of a watch.
    for (rtl::TComponent* c : watched_) RemoveFreeNotification(c);
  }
  TDKFreeWatch(const TDKFreeWatch&) = delete;
  TDKFreeWatch& operator=(const TDKFreeWatch&) = delete;

  void Watch(rtl::TComponent* C) {
    if (!C || Alive(C)) return;
    watched_.push_back(C);
    FreeNotification(C);
  }
  // Watched and not freed since.
  bool Alive(const rtl::TComponent* C) const {
    return std::find(watched_.begin(), watched_.end(), C) != watched_.end();
  }
  bool AnyGone() const { return anyGone_; }

 protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override {
    rtl::TComponent::Notification(AComponent, Operation);
    if (Operation == rtl::opRemove && std::erase(watched_, AComponent) > 0) anyGone_ = true;
  }

 private:
  std::vector<rtl::TComponent*> watched_;
  bool anyGone_ = false;
};

}  // namespace docking
