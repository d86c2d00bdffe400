#include "platform/display/sdl.h"

#include <SDL.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/messages.h"
#include "platform/win/paint.h"

namespace display {

using win::RawInput;

namespace {

// The screen's pixels are 32-bit little-endian 0x00RRGGBB.
constexpr uint32_t kScreenFormat = SDL_PIXELFORMAT_RGB888;

SDL_Rect ToSdl(const win::RECT& r) {
  return SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// The part of r inside a w x h picture (empty when none).
SDL_Rect Clipped(const SDL_Rect& r, int w, int h) {
  const SDL_Rect bounds{0, 0, w, h};
  SDL_Rect out{};
  if (!SDL_IntersectRect(&r, &bounds, &out)) return SDL_Rect{};
  return out;
}

const uint8_t* Pixels(const gdi::Surface& screen, const SDL_Rect& r) {
  return screen.Row(r.y) + ptrdiff_t(r.x) * 4;
}

// SDL's start asks for the desktop's session bus. Where none is known (no address, no bus in the
// user's runtime folder) the bus library would launch one, and its failed launch leaves memory
// behind for good; the program has no use for a bus of its own, so it asks for none.
void LaunchNoSessionBus() {
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS")) return;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR")) {
    struct stat st {};
    if (::stat((std::string(run) + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) return;
  }
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
}

}  // namespace

std::shared_ptr<SdlBackend> SdlBackend::Create(std::string* error, bool fitDesktop) {
  auto fail = [&](const char* what) -> std::shared_ptr<SdlBackend> {
    if (error) *error = std::string(what) + ": " + SDL_GetError();
    return nullptr;
  };
  // The window's framebuffer in plain memory: otherwise SDL makes it a GL texture, and on a
  // machine without a GPU a software rasteriser with a thread per core draws every present.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  LaunchNoSessionBus();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return fail("SDL_Init");
  std::shared_ptr<SdlBackend> b(new SdlBackend());
  if (fitDesktop) {
    SDL_Rect area{};
    if (SDL_GetDisplayUsableBounds(0, &area) != 0 || area.w <= 0 || area.h <= 0)
      SDL_GetDisplayBounds(0, &area);
    // Hidden until its size is known: the window manager tells the frame it will put around it
    // before it is shown, and the window never shows larger than the area.
    b->window_ = SDL_CreateWindow("corvatalen", area.x, area.y, area.w, area.h,
                                  SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (!b->window_) return fail("SDL_CreateWindow");
    b->areaW_ = area.w;
    b->areaH_ = area.h;
    std::optional<FrameExtents> frame = RequestFrameExtents(b->window_, 3000);
    b->FitFrame(frame.value_or(FrameExtents{}));
    // Once the window is mapped, SDL's show only takes note of it.
    const std::optional<bool> mapped = MapUntilViewable(b->window_, 10000);
    if (!mapped || *mapped) SDL_ShowWindow(b->window_);
    // A window manager that frames the window only once it is shown has said so by now.
    if (!frame && (frame = RequestFrameExtents(b->window_, 500))) b->FitFrame(*frame);
    b->unframed_ = !frame;
  } else {
    b->window_ = SDL_CreateWindow("corvatalen", 0, 0, win::ScreenWidth(), win::ScreenHeight(),
                                  SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (!b->window_) return fail("SDL_CreateWindow");
  }
  const char* path = std::getenv("CORVATALEN_SDL_PRESENT");
  const bool wantRenderer = path && std::string_view(path) == "renderer";
  if (wantRenderer || !SDL_GetWindowSurface(b->window_)) {
    b->renderer_ = SDL_CreateRenderer(b->window_, -1, 0);
    if (!b->renderer_) b->renderer_ = SDL_CreateRenderer(b->window_, -1, SDL_RENDERER_SOFTWARE);
    if (!b->renderer_) return fail("SDL_CreateRenderer");
  }
  b->wakeEvent_ = SDL_RegisterEvents(1);
  const XConnection x = XConnectionOf(b->window_);
  if (x.fd >= 0) {
    WatchForDisplayLoss();  // ours, in place of any that SDL's start put there
    b->wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (b->wakeFd_ >= 0) b->x_ = x;
  }
  SDL_ShowCursor(SDL_ENABLE);
  return b;
}

void SdlBackend::FitFrame(const FrameExtents& frame) {
  maxW_ = std::max(1, areaW_ - frame.left - frame.right);
  maxH_ = std::max(1, areaH_ - frame.top - frame.bottom);
  SDL_SetWindowSize(window_, maxW_, maxH_);
  SDL_SetWindowMaximumSize(window_, maxW_, maxH_);
  win::ResizeScreen(maxW_, maxH_);
}

SdlBackend::~SdlBackend() {
  for (SDL_Cursor* c : cursors_)
    if (c) SDL_FreeCursor(c);
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  if (wakeFd_ >= 0) ::close(wakeFd_);
  // SDL's video subsystem stays up for the rest of the process: the next backend reuses it, and
  // the X libraries it loaded stay loaded.
}

void SdlBackend::Present(const gdi::Surface& screen, std::span<const win::RECT> dirty) {
  if (renderer_) PresentToRenderer(screen, dirty);
  else PresentToSurface(screen, dirty);
}

void SdlBackend::PresentToSurface(const gdi::Surface& screen, std::span<const win::RECT> dirty) {
  // A resize makes SDL drop the surface; fetching it again makes a new one of the new size.
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface) return;
  std::vector<SDL_Rect> rects;
  for (const win::RECT& d : dirty) rects.push_back(ToSdl(d));
  if (surface != surface_ || surface->w != surfaceW_ || surface->h != surfaceH_) {
    // A new surface holds nothing yet.
    surface_ = surface;
    surfaceW_ = surface->w;
    surfaceH_ = surface->h;
    rects.assign(1, SDL_Rect{0, 0, screen.Width(), screen.Height()});
  }
  for (SDL_Rect& r : rects)
    r = Clipped(Clipped(r, screen.Width(), screen.Height()), surface->w, surface->h);
  std::erase_if(rects, [](const SDL_Rect& r) { return r.w <= 0 || r.h <= 0; });
  if (rects.empty()) return;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
  for (const SDL_Rect& r : rects) {
    uint8_t* dst = static_cast<uint8_t*>(surface->pixels) + ptrdiff_t(r.y) * surface->pitch +
                   ptrdiff_t(r.x) * surface->format->BytesPerPixel;
    SDL_ConvertPixels(r.w, r.h, kScreenFormat, Pixels(screen, r), screen.Stride(),
                      surface->format->format, dst, surface->pitch);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  SDL_UpdateWindowSurfaceRects(window_, rects.data(), int(rects.size()));
}

void SdlBackend::PresentToRenderer(const gdi::Surface& screen, std::span<const win::RECT> dirty) {
  std::vector<SDL_Rect> rects;
  for (const win::RECT& d : dirty) rects.push_back(ToSdl(d));
  if (!texture_ || textureW_ != screen.Width() || textureH_ != screen.Height()) {
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, kScreenFormat, SDL_TEXTUREACCESS_STREAMING,
                                 screen.Width(), screen.Height());
    textureW_ = screen.Width();
    textureH_ = screen.Height();
    rects.assign(1, SDL_Rect{0, 0, screen.Width(), screen.Height()});
  }
  if (!texture_) return;
  for (SDL_Rect r : rects) {
    r = Clipped(r, screen.Width(), screen.Height());
    if (r.w > 0 && r.h > 0) SDL_UpdateTexture(texture_, &r, Pixels(screen, r), screen.Stride());
  }
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

bool SdlBackend::Drain() {
  lastPump_ = SDL_GetTicks64();
  bool any = false;
  SDL_Event ev;
  while (SDL_PollEvent(&ev)) {
    Handle(&ev);
    any = true;
  }
  return any;
}

void SdlBackend::PollInput() {
  // Every look for a message lands here, and SDL's pump makes system calls each time: input a
  // millisecond or two later is just as good. A wait always pumps first.
  const uint64_t now = SDL_GetTicks64();
  if (now - lastPump_ < kPumpEveryMs) return;
  Drain();
}

bool SdlBackend::WaitOnFds(int timeoutMs) {
  if (x_.fd < 0) return false;
  // What Xlib read off the socket while presenting would not make it readable again.
  if (XEventsPending(x_)) return true;
  pollfd fds[2] = {{x_.fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  // A signal ends the wait early; the caller works out the time left and waits again.
  ::poll(fds, 2, timeoutMs);
  if (fds[1].revents & POLLIN) {
    uint64_t n = 0;
    while (::read(wakeFd_, &n, sizeof n) > 0) {
    }
  }
  return true;
}

void SdlBackend::WaitInput(win::DWORD timeoutMs) {
  const int ms = timeoutMs == win::INFINITE ? -1 : int(std::min<win::DWORD>(timeoutMs, 0x7FFFFFFF));
  // Whatever came in while the loop was busy first: it may already be all there is.
  if (Drain()) return;
  if (WaitOnFds(ms)) {
    Drain();
    return;
  }
  SDL_Event ev;
  if (ms < 0 ? SDL_WaitEvent(&ev) : SDL_WaitEventTimeout(&ev, ms)) Handle(&ev);
  Drain();
}

void SdlBackend::Wake() {
  if (wakeFd_ >= 0 && x_.fd >= 0) {
    const uint64_t one = 1;
    (void)!::write(wakeFd_, &one, sizeof one);
    return;
  }
  SDL_Event ev{};
  ev.type = wakeEvent_;
  SDL_PushEvent(&ev);
}

win::POINT SdlBackend::WindowPosition() const {
  int x = 0, y = 0;
  SDL_GetWindowPosition(window_, &x, &y);
  return win::POINT{x, y};
}

void SdlBackend::ShowCursorShape(win::HCURSOR cursor) {
  SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
  switch (win::CursorId(cursor)) {
    case win::IDC_IBEAM: id = SDL_SYSTEM_CURSOR_IBEAM; break;
    case win::IDC_WAIT: id = SDL_SYSTEM_CURSOR_WAIT; break;
    case win::IDC_CROSS: id = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
    case win::IDC_SIZENWSE: id = SDL_SYSTEM_CURSOR_SIZENWSE; break;
    case win::IDC_SIZENESW: id = SDL_SYSTEM_CURSOR_SIZENESW; break;
    case win::IDC_SIZEWE: id = SDL_SYSTEM_CURSOR_SIZEWE; break;
    case win::IDC_SIZENS: id = SDL_SYSTEM_CURSOR_SIZENS; break;
    case win::IDC_SIZEALL: id = SDL_SYSTEM_CURSOR_SIZEALL; break;
    case win::IDC_NO: id = SDL_SYSTEM_CURSOR_NO; break;
    case win::IDC_HAND: id = SDL_SYSTEM_CURSOR_HAND; break;
    case win::IDC_APPSTARTING: id = SDL_SYSTEM_CURSOR_WAITARROW; break;
  }
  if (!cursors_[id]) cursors_[id] = SDL_CreateSystemCursor(id);
  if (cursors_[id]) SDL_SetCursor(cursors_[id]);
}

void SdlBackend::SetTitle(const std::string& title) {
  SDL_SetWindowTitle(window_, title.c_str());
}

void SdlBackend::SetMinimumSize(int width, int height) {
  if (maxW_ > 0) width = std::min(width, maxW_);
  if (maxH_ > 0) height = std::min(height, maxH_);
  SDL_SetWindowMinimumSize(window_, std::max(1, width), std::max(1, height));
}

void SdlBackend::FrameCommand(win::UINT command) {
  switch (command) {
    case win::SC_MINIMIZE: SDL_MinimizeWindow(window_); break;
    case win::SC_MAXIMIZE:
      // Maximised, the window manager's frame may lose its borders: the window may take the whole
      // area less what is left of the frame.
      if (areaW_ > 0) SDL_SetWindowMaximumSize(window_, areaW_, areaH_);
      SDL_MaximizeWindow(window_);
      break;
    case win::SC_RESTORE: SDL_RestoreWindow(window_); break;
  }
}

std::string SdlBackend::ClipboardText() {
  char* text = SDL_GetClipboardText();
  if (!text) return {};
  std::string copy(text);
  SDL_free(text);
  return copy;
}

bool SdlBackend::SetClipboardText(const std::string& text) {
  return SDL_SetClipboardText(text.c_str()) == 0;
}

win::UINT SdlBackend::VirtualKeyOf(int key) {
  if (key >= SDLK_a && key <= SDLK_z) return win::UINT('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return win::UINT('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return win::VK_F1 + win::UINT(key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return win::VK_NUMPAD0 + 1 + win::UINT(key - SDLK_KP_1);
  switch (key) {
    case SDLK_KP_0: return win::VK_NUMPAD0;
    case SDLK_RETURN: case SDLK_KP_ENTER: return win::VK_RETURN;
    case SDLK_ESCAPE: return win::VK_ESCAPE;
    case SDLK_BACKSPACE: return win::VK_BACK;
    case SDLK_TAB: return win::VK_TAB;
    case SDLK_SPACE: return win::VK_SPACE;
    case SDLK_LSHIFT: return win::VK_LSHIFT;
    case SDLK_RSHIFT: return win::VK_RSHIFT;
    case SDLK_LCTRL: return win::VK_LCONTROL;
    case SDLK_RCTRL: return win::VK_RCONTROL;
    case SDLK_LALT: return win::VK_LMENU;
    case SDLK_RALT: return win::VK_RMENU;
    case SDLK_CAPSLOCK: return win::VK_CAPITAL;
    case SDLK_LEFT: return win::VK_LEFT;
    case SDLK_RIGHT: return win::VK_RIGHT;
    case SDLK_UP: return win::VK_UP;
    case SDLK_DOWN: return win::VK_DOWN;
    case SDLK_HOME: return win::VK_HOME;
    case SDLK_END: return win::VK_END;
    case SDLK_PAGEUP: return win::VK_PRIOR;
    case SDLK_PAGEDOWN: return win::VK_NEXT;
    case SDLK_INSERT: return win::VK_INSERT;
    case SDLK_DELETE: return win::VK_DELETE;
    case SDLK_PAUSE: return win::VK_PAUSE;
    case SDLK_APPLICATION: return win::VK_APPS;
    case SDLK_KP_MULTIPLY: return win::VK_MULTIPLY;
    case SDLK_KP_PLUS: return win::VK_ADD;
    case SDLK_KP_MINUS: return win::VK_SUBTRACT;
    case SDLK_KP_PERIOD: return win::VK_DECIMAL;
    case SDLK_KP_DIVIDE: return win::VK_DIVIDE;
    case SDLK_SEMICOLON: return win::VK_OEM_1;
    case SDLK_EQUALS: return win::VK_OEM_PLUS;
    case SDLK_COMMA: return win::VK_OEM_COMMA;
    case SDLK_MINUS: return win::VK_OEM_MINUS;
    case SDLK_PERIOD: return win::VK_OEM_PERIOD;
    case SDLK_SLASH: return win::VK_OEM_2;
    case SDLK_BACKQUOTE: return win::VK_OEM_3;
    case SDLK_LEFTBRACKET: return win::VK_OEM_4;
    case SDLK_BACKSLASH: return win::VK_OEM_5;
    case SDLK_RIGHTBRACKET: return win::VK_OEM_6;
    case SDLK_QUOTE: return win::VK_OEM_7;
  }
  return 0;
}

void SdlBackend::Handle(const void* p) {
  const SDL_Event& ev = *static_cast<const SDL_Event*>(p);
  auto button = [](int b) { return b == SDL_BUTTON_RIGHT ? 1 : b == SDL_BUTTON_MIDDLE ? 2 : 0; };
  switch (ev.type) {
    case SDL_MOUSEMOTION:
      win::PostRawInput(win::MouseMove(ev.motion.x, ev.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (ev.button.button != SDL_BUTTON_LEFT && ev.button.button != SDL_BUTTON_RIGHT &&
          ev.button.button != SDL_BUTTON_MIDDLE)
        break;
      const int b = button(ev.button.button);
      win::PostRawInput(ev.type == SDL_MOUSEBUTTONDOWN ? win::MouseDown(ev.button.x, ev.button.y, b)
                                                       : win::MouseUp(ev.button.x, ev.button.y, b));
      break;
    }
    case SDL_MOUSEWHEEL: {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      const int dy = ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev.wheel.y : ev.wheel.y;
      if (dy) win::PostRawInput(win::MouseWheel(x, y, dy * win::WHEEL_DELTA));
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (win::UINT vk = VirtualKeyOf(ev.key.keysym.sym))
        win::PostRawInput(ev.type == SDL_KEYDOWN ? win::KeyDown(vk) : win::KeyUp(vk));
      break;
    case SDL_WINDOWEVENT:
      if (ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        win::ResizeScreen(ev.window.data1, ev.window.data2);
      } else if (ev.window.event == SDL_WINDOWEVENT_MOVED && unframed_) {
        // A window manager started after the window (a session that starts it last, or one
        // started again) frames it where it stands, as large as the whole area, and the frame
        // would push the status line off the screen: the window gives the frame its room.
        if (const std::optional<FrameExtents> frame = RequestFrameExtents(window_, 0)) {
          unframed_ = false;
          FitFrame(*frame);
        }
      } else if (ev.window.event == SDL_WINDOWEVENT_EXPOSED) {
        Present(win::ComposeScreen(), win::RECT{0, 0, win::ScreenWidth(), win::ScreenHeight()});
      }
      break;
    case SDL_QUIT:
      // The last window's close request also arrives as SDL_WINDOWEVENT_CLOSE; this one only
      // is acted on, so the close happens once.
      if (OnCloseRequest)
        OnCloseRequest();
      else
        win::PostQuitMessage(0);
      break;
  }
}

}  // namespace display
