#pragma once
// The hint window: a small pale-yellow popup with a control's short hint, shown by the
// application after the pointer has rested on the control for HintPause milliseconds.
#include <string>

#include "platform/vcl/controls.h"

namespace vcl {

class THintWindow : public TCustomControl {
 public:
  THintWindow();
  // Shows the text with its top-left at a screen point (kept on the screen).
  void ActivateHint(TPoint at, const std::string& text);
  void ReleaseHandle();

 protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& m) override;
  void Paint() override;
};

// The short hint: the part of a hint before '|' (the whole hint when it has none).
std::string GetShortHint(const std::string& hint);
// The long hint: the part after '|' (the whole hint when it has none).
std::string GetLongHint(const std::string& hint);

}  // namespace vcl
