// A display of a test's own (Xvfb), with openbox managing its windows when asked for; both
// stopped with the test.
#pragma once

#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/xvfbtools.h"

namespace apptest {

class WmDisplay {
 public:
  explicit WmDisplay(bool windowManager, const std::string& screen = "1280x800x24")
      : windowManager_(windowManager) {
    using namespace std::chrono_literals;
    x_ = displaytest::StartXvfb(140 + static_cast<int>(getpid() % 200), screen, name_);
    if (x_ > 0 && windowManager) StartWindowManager();
  }
  // Starts openbox, also after windows are open, as a session that starts it last does.
  bool StartWindowManager() {
    using namespace std::chrono_literals;
    windowManager_ = true;
    wm_ = xvfb::Spawn({"openbox", "--sm-disable"}, {"DISPLAY=" + name_});
    // A window mapped while openbox takes over the screen may be shown only when the program asks
    // again, a second later: the program starts once openbox names its check window on the root.
    // An openbox that gave up on a busy machine is started again.
    const auto until = std::chrono::steady_clock::now() + 90s;
    while (std::chrono::steady_clock::now() < until) {
      if (Run("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") !=
          std::string::npos)
        return true;
      if (waitpid(wm_, nullptr, WNOHANG) == wm_)
        wm_ = xvfb::Spawn({"openbox", "--sm-disable"}, {"DISPLAY=" + name_});
      std::this_thread::sleep_for(50ms);
    }
    xvfb::Stop(wm_);
    wm_ = -1;
    return false;
  }
  ~WmDisplay() {
    xvfb::Stop(wm_);
    xvfb::Stop(x_);
  }
  WmDisplay(const WmDisplay&) = delete;
  WmDisplay& operator=(const WmDisplay&) = delete;

  bool Started() const { return x_ > 0 && (wm_ > 0 || !windowManager_); }
  bool Managed() const { return wm_ > 0; }
  // Ends the X server at once, as a crash or a closed session does.
  void KillServer() {
    if (x_ <= 0) return;
    ::kill(x_, SIGKILL);
    ::waitpid(x_, nullptr, 0);
    x_ = -1;
  }
  const std::string& Name() const { return name_; }
  // The program on this display through SDL (the suppressions of the X libraries' leaks in dir).
  std::vector<std::string> Env(const std::filesystem::path& dir) const {
    return xvfb::ProgramEnv(name_, dir);
  }
  // A command's output, run on this display.
  std::string Run(const std::string& command) const {
    return xvfb::Output("DISPLAY=" + name_ + " " + command);
  }
  std::string Xdo(const std::string& args) const { return Run("timeout 20 xdotool " + args); }

 private:
  bool windowManager_;
  std::string name_;
  pid_t x_ = -1, wm_ = -1;
};

}  // namespace apptest
