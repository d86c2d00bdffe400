#pragma once
// Picks and starts the screen backend: CORVATALEN_DISPLAY = "headless" or "sdl"; without it,
// "sdl" when a display is available (DISPLAY or WAYLAND_DISPLAY set), else "headless".
#include <memory>
#include <string>

#include "platform/win/system.h"

namespace display {

std::string ChosenBackendName();
// Makes the named backend for the running window system and installs it (SDL's window fitted to
// the desktop's usable area); an unknown name or an SDL start-up failure falls back to headless
// (the reason is returned in `note` when given).
std::shared_ptr<win::Backend> StartBackend(const std::string& name, std::string* note = nullptr);

}  // namespace display
