#include "platform/display/xconnection.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace display {

XConnection XConnectionOf(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 ||
      !info.info.x11.display)
    return {};
  return XConnection{info.info.x11.display, ConnectionNumber(info.info.x11.display)};
}

bool XEventsPending(const XConnection& x) {
  return x.display && XPending(static_cast<Display*>(x.display)) > 0;
}

}  // namespace display
