#include "platform/display/backend.h"

#include <cstdlib>

#include "platform/display/headless.h"
#include "platform/display/sdl.h"

namespace display {

std::string ChosenBackendName() {
  if (const char* v = std::getenv("CORVATALEN_DISPLAY"); v && *v) return v;
  const char* x = std::getenv("DISPLAY");
  const char* wl = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wl && *wl) ? "sdl" : "headless";
}

std::shared_ptr<win::Backend> StartBackend(const std::string& name, std::string* note) {
  std::shared_ptr<win::Backend> backend;
  if (name == "sdl") {
    std::string error;
    backend = SdlBackend::Create(&error, true);
    if (!backend && note) *note = "sdl: " + error;
  } else if (name != "headless" && note) {
    *note = "unknown display backend '" + name + "'";
  }
  if (!backend) backend = std::make_shared<HeadlessBackend>();
  win::SetBackend(backend);
  return backend;
}

}  // namespace display
