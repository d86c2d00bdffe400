#pragma once
// The X connection under an SDL window, for waiting on it with poll(). Kept apart from the rest
// of the backend because the X headers define many short macros.
#include <functional>
#include <optional>
#include <string>

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

// What to do when the X connection breaks (the server ended, the session closed): handler runs on
// the thread whose X call found the break, told which display was lost, and must not touch the
// display. The process then ends with status 1 at once, without its exit handlers, which could
// wait for threads that wait for this one. Xlib's own handler would call exit().
void OnDisplayLost(std::function<void(const std::string& display)> handler);
// Puts the handler in Xlib's place; a library that installed its own since is overridden.
void WatchForDisplayLoss();

// The window's X window id (0 off X11).
unsigned long XWindowOf(SDL_Window* window);

// The width of the window manager's frame on each side of a window.
struct FrameExtents {
  int left = 0, right = 0, top = 0, bottom = 0;
};
// The frame the window manager will put around the window, asked of it before the window is
// shown (_NET_REQUEST_FRAME_EXTENTS) and waited for up to waitMs; nothing without a window
// manager, off X11, or when the window manager does not answer in time.
std::optional<FrameExtents> RequestFrameExtents(SDL_Window* window, int waitMs);

// Maps the window and waits up to waitMs for it to be viewable, asking again each second: a
// window manager taking over the screen at that moment may drop the request, and SDL's own show
// would then wait for ever. Whether it became viewable; nothing off X11.
std::optional<bool> MapUntilViewable(SDL_Window* window, int waitMs);

}  // namespace display
