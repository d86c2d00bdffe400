#pragma once
// A real window showing the screen through SDL2: mouse, wheel and keyboard become raw input,
// and resizing the window resizes the screen. Runs wherever SDL finds a video driver (also under
// Xvfb). All calls except Wake belong on the GUI thread.
//
// The screen goes to the window's own surface, only the rectangle that changed, converted to the
// surface's pixel format (no renderer, texture or GL context). A window that has no surface, or
// CORVATALEN_SDL_PRESENT=renderer, gets SDL's software renderer and a streaming texture instead.
// On X11 a wait sleeps in poll() on the X connection and a wake-up eventfd, until input, a wake
// or the deadline: nothing runs between events.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/display/xconnection.h"
#include "platform/win/system.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;

namespace display {

class SdlBackend : public win::Backend {
 public:
  // Null (with the reason) when SDL cannot open a window. The window is as large as the screen;
  // with fitDesktop it takes the desktop's usable area instead (its bounds less panels, less the
  // window manager's frame), its frame's top-left at the area's, never larger than that, and
  // the screen takes its size.
  static std::shared_ptr<SdlBackend> Create(std::string* error = nullptr, bool fitDesktop = false);
  ~SdlBackend() override;

  void Present(const gdi::Surface& screen, std::span<const win::RECT> dirty) override;
  // One rectangle.
  void Present(const gdi::Surface& screen, const win::RECT& dirty) { Present(screen, {&dirty, 1}); }
  void PollInput() override;
  void WaitInput(win::DWORD timeoutMs) override;
  void Wake() override;
  void ShowCursorShape(win::HCURSOR cursor) override;
  void SetTitle(const std::string& title) override;
  // Never above the largest size a fitted window may take.
  void SetMinimumSize(int width, int height) override;
  void FrameCommand(win::UINT command) override;

  SDL_Window* Window() const { return window_; }
  // "surface" or "renderer": how the screen reaches the window.
  const char* PresentPath() const { return renderer_ ? "renderer" : "surface"; }
  // The window's top-left on the desktop the backend runs on.
  win::POINT WindowPosition() const;

  // The desktop's clipboard text (empty when it holds none). SDL serves and fetches the X
  // selection while it pumps its events, so both belong on the GUI thread like the rest.
  static std::string ClipboardText();
  // False (the clipboard unchanged) when SDL could not take the selection.
  static bool SetClipboardText(const std::string& text);

  // SDL key code to virtual key (0 when unknown).
  static win::UINT VirtualKeyOf(int sdlKey);

  // What the window manager's close (its close button, alt+F4) does: a program sets it to close
  // its main window as that window's own close does; unset, the message loop ends.
  std::function<void()> OnCloseRequest;

 private:
  SdlBackend() = default;
  void Handle(const void* event);
  // Feeds what SDL holds; true when there was anything.
  bool Drain();
  void PresentToSurface(const gdi::Surface& screen, std::span<const win::RECT> dirty);
  void PresentToRenderer(const gdi::Surface& screen, std::span<const win::RECT> dirty);
  // Blocks in poll() on the X connection and the wake-up fd; false where there is no X fd.
  bool WaitOnFds(int timeoutMs);
  // Sizes the window so that it and the window manager's frame lie within the usable area.
  void FitFrame(const FrameExtents& frame);

  SDL_Window* window_ = nullptr;
  // The largest client size of a fitted window (0: none).
  int maxW_ = 0;
  int maxH_ = 0;
  int areaW_ = 0;  // the desktop's usable area
  int areaH_ = 0;
  // Fitted to the area without a frame: no window manager was there when the window opened.
  bool unframed_ = false;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureW_ = 0;
  int textureH_ = 0;
  // The window surface last presented to: a new one (after a resize) gets the whole screen.
  const void* surface_ = nullptr;
  int surfaceW_ = 0;
  int surfaceH_ = 0;
  uint32_t wakeEvent_ = 0;
  XConnection x_;    // fd -1 unless SDL runs on X11 and the waits poll() it
  int wakeFd_ = -1;  // an eventfd that Wake writes to
  static constexpr uint64_t kPumpEveryMs = 2;
  uint64_t lastPump_ = 0;  // SDL ticks of the last look at SDL's events
  SDL_Cursor* cursors_[16] = {};
};

}  // namespace display
