#pragma once
// The X connection under an SDL window, for waiting on it with poll(). Kept apart from the rest
// of the backend because the X headers define many short macros.
struct SDL_Window;

namespace display {

struct XConnection {
  void* display = nullptr;  // the Xlib Display*
  int fd = -1;
};

// The window's X connection, or fd -1 when SDL does not run it on X11.
XConnection XConnectionOf(SDL_Window* window);
// True when events have arrived that Xlib has already read off the socket (poll() would not see
// them); flushes what is waiting to go out.
bool XEventsPending(const XConnection& x);

}  // namespace display
