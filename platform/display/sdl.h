#pragma once
// A real window showing the screen through SDL2: mouse, wheel and keyboard become raw input,
// and resizing the window resizes the screen. Runs wherever SDL finds a video driver (also under
// Xvfb). All calls except Wake belong on the GUI thread.
#include <functional>
#include <memory>
#include <string>

#include "platform/win/system.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;

namespace display {

class SdlBackend : public win::Backend {
 public:
  // Null (with the reason) when SDL cannot open a window.
  static std::shared_ptr<SdlBackend> Create(std::string* error = nullptr);
  ~SdlBackend() override;

  void Present(const gdi::Surface& screen, const win::RECT& dirty) override;
  void PollInput() override;
  void WaitInput(win::DWORD timeoutMs) override;
  void Wake() override;
  void ShowCursorShape(win::HCURSOR cursor) override;

  SDL_Window* Window() const { return window_; }
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

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureW_ = 0;
  int textureH_ = 0;
  uint32_t wakeEvent_ = 0;
  SDL_Cursor* cursors_[16] = {};
};

}  // namespace display
