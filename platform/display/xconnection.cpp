#include "platform/display/xconnection.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

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

namespace {

// Xlib's handler takes no context, so the program's is the whole process's; never destroyed, as
// the break may be found while the process exits.
std::function<void(const std::string&)>& DisplayLostHandler() {
  static auto& handler = *new std::function<void(const std::string&)>;
  return handler;
}

int DisplayLost(Display* d) {
  // A second break found while the first is handled (the handler must not use the display, but
  // another thread may) ends the process at once.
  static std::atomic<bool> handling{false};
  if (!handling.exchange(true)) {
    const char* name = d ? DisplayString(d) : nullptr;
    const std::string display = name ? name : "";
    if (DisplayLostHandler()) DisplayLostHandler()(display);
    else std::fprintf(stderr, "the connection to the display %s was lost\n", display.c_str());
  }
  ::_exit(1);
}

}  // namespace

void OnDisplayLost(std::function<void(const std::string& display)> handler) {
  DisplayLostHandler() = std::move(handler);
  WatchForDisplayLoss();
}

void WatchForDisplayLoss() {
  XSetIOErrorHandler(DisplayLost);
}

unsigned long XWindowOf(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}

namespace {

// The window's CARDINAL property of n values, or false when it has none.
bool ReadCardinals(Display* d, Window w, Atom property, long* out, int n) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const bool got = XGetWindowProperty(d, w, property, 0, n, False, XA_CARDINAL, &type, &format,
                                      &count, &after, &data) == Success &&
                   type == XA_CARDINAL && format == 32 && count == static_cast<unsigned long>(n);
  if (got)
    for (int i = 0; i < n; ++i) out[i] = reinterpret_cast<long*>(data)[i];
  if (data) XFree(data);
  return got;
}

}  // namespace

std::optional<FrameExtents> RequestFrameExtents(SDL_Window* window, int waitMs) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 ||
      !info.info.x11.display)
    return std::nullopt;
  Display* d = info.info.x11.display;
  const Window w = info.info.x11.window, root = DefaultRootWindow(d);
  // A window manager that follows the desktop conventions names its check window on the root.
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
  const bool managed = XGetWindowProperty(d, root, check, 0, 1, False, XA_WINDOW, &type, &format,
                                          &count, &after, &data) == Success &&
                       count == 1;
  if (data) XFree(data);
  if (!managed) return std::nullopt;
  const Atom extents = XInternAtom(d, "_NET_FRAME_EXTENTS", False);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "_NET_REQUEST_FRAME_EXTENTS", False);
  e.xclient.format = 32;
  XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(d);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    long v[4];
    if (ReadCardinals(d, w, extents, v, 4))
      return FrameExtents{int(v[0]), int(v[1]), int(v[2]), int(v[3])};
    if (std::chrono::steady_clock::now() >= until) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::optional<bool> MapUntilViewable(SDL_Window* window, int waitMs) {
  const XConnection x = XConnectionOf(window);
  if (!x.display) return std::nullopt;
  Display* d = static_cast<Display*>(x.display);
  const Window w = XWindowOf(window);
  const auto start = std::chrono::steady_clock::now();
  for (int asked = 0;; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) return true;
    const auto waited = std::chrono::steady_clock::now() - start;
    if (waited >= std::chrono::milliseconds(waitMs)) return false;
    if (waited >= std::chrono::seconds(asked)) {
      XMapRaised(d, w);
      XFlush(d);
      ++asked;
    }
  }
}

}  // namespace display
