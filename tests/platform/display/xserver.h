// An Xvfb server of the tests' own, for the backends that need a real X display.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

extern char** environ;

namespace displaytest {

// An Xvfb server on the first free display number from 90 up, its screen WIDTHxHEIGHTxDEPTH;
// stopped on destruction.
class XServer {
 public:
  explicit XServer(const std::string& screen = "800x600x24") {
    for (int n = 90 + int(getpid() % 50); n < 400 && pid_ <= 0; ++n) {
      if (std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock") ||
          std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)))
        continue;
      const std::string display = ":" + std::to_string(n);
      const char* argv[] = {"Xvfb",         display.c_str(), "-screen", "0",
                            screen.c_str(), "-nolisten",     "tcp",     nullptr};
      pid_t pid;
      if (posix_spawnp(&pid, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return;
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
      for (int i = 0; i < 600; ++i) {  // up to 30 s on a loaded machine
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) break;  // taken after all: try the next
        if (std::filesystem::exists(socket)) {
          pid_ = pid;
          display_ = display;
          break;
        }
      }
      if (pid_ <= 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
      }
    }
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace displaytest
