#pragma once
// What the screen is handed and what it shows: a screen backend that keeps the rectangles it is
// given, and the pixels the composed screen shows of a control's client area.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/vcl/controls.h"
#include "platform/win/paint.h"
#include "platform/win/system.h"

struct TRecordingScreen : win::Backend {
  void Present(const gdi::Surface&, std::span<const win::RECT> dirty) override {
    rects.insert(rects.end(), dirty.begin(), dirty.end());
  }
  void WaitInput(win::DWORD) override {}
  void Wake() override {}
  std::vector<win::RECT> rects;
};

// The control's client area as the screen shows it, row by row (0xRRGGBB).
inline std::vector<uint32_t> Shown(const vcl::TControl* control) {
  const gdi::Surface& screen = win::ComposeScreen();
  const gdi::POINT o = control->ClientToScreen(gdi::POINT{0, 0});
  std::vector<uint32_t> pixels;
  for (int y = 0; y < control->ClientHeight(); ++y)
    for (int x = 0; x < control->ClientWidth(); ++x) pixels.push_back(screen.Get(o.x + x, o.y + y));
  return pixels;
}
