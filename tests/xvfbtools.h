#pragma once
// Running programs on a real X display (Xvfb) from a test: tools looked up, processes started
// and stopped, command output read, a display started; the program's own window system put on
// a display of the test's own, with the SDL backend, and its messages pumped.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/sdl.h"
#include "platform/gdi/image.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/system.h"
#include "tests/platform/display/xserver.h"

namespace xvfb {

inline bool Have(const char* tool) {
  std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

inline pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
  pid_t pid = fork();
  if (pid == 0) {
    for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!freopen("/dev/null", "w", stdout)) _exit(126);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// Sends SIGTERM and waits up to timeout for the end: the wait status, or nothing when the process
// was still running (it is then killed).
inline std::optional<int> Stop(pid_t pid,
                               std::chrono::milliseconds timeout = std::chrono::seconds(2)) {
  if (pid <= 0) return std::nullopt;
  kill(pid, SIGTERM);
  const auto until = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  do {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < until);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return std::nullopt;
}

// The program's environment on display through SDL, with the X and SDL libraries' lasting
// allocations (in dir/lsan.supp) kept out of the sanitized program's exit status. The program
// leaves nothing of the bus library's behind: a leak there still fails.
inline std::vector<std::string> ProgramEnv(const std::string& display,
                                           const std::filesystem::path& dir) {
  std::ofstream(dir / "lsan.supp")
      << "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libXi\nleak:libXcursor\n";
  return {"DISPLAY=" + display, "CORVATALEN_DISPLAY=sdl",
          "LSAN_OPTIONS=suppressions=" + (dir / "lsan.supp").string()};
}

inline std::string Output(const std::string& cmd) {
  std::string out;
  if (FILE* f = popen(cmd.c_str(), "r")) {
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    pclose(f);
  }
  return out;
}

// Starts Xvfb on a free display of 1280 x 800; name gets ":n". The pid, or -1 when no server
// could be started.
inline pid_t StartDisplay(std::string& name) {
  return displaytest::StartXvfb(140 + static_cast<int>(getpid() % 200), "1280x800x24", name);
}

// Dispatches the window system's messages for ms milliseconds.
inline void PumpFor(int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    win::MSG m;
    while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
      win::TranslateMessage(&m);
      win::DispatchMessage(&m);
    }
    win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 20, win::QS_ALLINPUT);
  }
}

// How many pixels of the X screen's top-left corner, as `import` takes it, differ from the window
// system's screen composed anew (ImageMagick's compare); -1 when a picture could not be had. The
// two pictures stay beside each other as <stem>-x.png and <stem>-own.png for a look.
inline long DifferingPixels(const std::string& display, const std::string& stem) {
  const gdi::Surface& own = win::ComposeScreen();
  const std::string ownPng = stem + "-own.png", shot = stem + "-x.png";
  gdi::SavePngFile(ownPng, own);
  const std::string size = std::to_string(own.Width()) + "x" + std::to_string(own.Height());
  // A machine loaded by other suites has made `import` fail now and then: the picture is taken
  // again, and what the tools said is shown when none could be had.
  std::string said;
  for (int attempt = 0; attempt < 3; ++attempt) {
    said += Output("import -display " + display + " -window root png:'" + shot +
                   "' 2>&1 && convert '" + shot + "' -crop " + size + "+0+0 +repage png:'" +
                   shot + "' 2>&1");
    const std::string out =
        Output("compare -metric AE '" + shot + "' '" + ownPng + "' null: 2>&1");
    char* end = nullptr;
    const long n = std::strtol(out.c_str(), &end, 10);
    if (end != out.c_str()) return n;
    said += out;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  std::fprintf(stderr, "no picture of %s: %s\n", display.c_str(), said.c_str());
  return -1;
}

// "x y" on the screen of a point p of a window whose client origin is at origin, as xdotool
// takes it.
inline std::string ScreenXY(win::POINT origin, win::POINT p) {
  return std::to_string(origin.x + p.x) + " " + std::to_string(origin.y + p.y);
}

// An Xvfb server of the test's own, which DISPLAY and SDL are pointed at, the window system of
// width x height started on it and, with sdl, the SDL backend made its own; undone in reverse.
class WindowSystemOnX {
 public:
  WindowSystemOnX(int width, int height, bool sdl = false) {
    if (x_.Display().empty()) {
      error_ = "Xvfb did not start";
      return;
    }
    setenv("DISPLAY", x_.Display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    win::Config config;
    config.width = width;
    config.height = height;
    scope_.emplace(config);
    if (!sdl) return;
    backend_ = display::SdlBackend::Create(&error_);
    if (!backend_ && error_.empty()) error_ = "the SDL backend did not start";
    if (backend_) win::SetBackend(backend_);
  }
  // Empty when everything asked for started, else what did not.
  const std::string& Error() const { return error_; }
  const std::string& Display() const { return x_.Display(); }
  // The SDL backend; null without sdl or when it did not start.
  display::SdlBackend* Sdl() const { return backend_.get(); }

 private:
  displaytest::XServer x_;
  std::optional<win::SystemScope> scope_;
  std::shared_ptr<display::SdlBackend> backend_;
  std::string error_;
};

}  // namespace xvfb
