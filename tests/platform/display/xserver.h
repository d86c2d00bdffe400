// An Xvfb server of the tests' own, for the backends that need a real X display.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

namespace displaytest {

// The pid written in a display's lock file, or -1: a socket alone may be another server's.
inline pid_t LockHolder(const std::string& number) {
  std::ifstream lock("/tmp/.X" + number + "-lock");
  long pid = -1;
  lock >> pid;
  return lock ? pid_t(pid) : -1;
}

// Starts Xvfb with the given screen (WIDTHxHEIGHTxDEPTH) on the first free display number from
// `first` up; the pid, with display set to ":n", or -1. A number another test's server took
// between our look and our start makes our Xvfb exit: the next number is tried, so two tests
// never share a display.
inline pid_t StartXvfb(int first, const std::string& screen, std::string& display) {
  for (int n = first; n < 600; ++n) {
    const std::string number = std::to_string(n);
    if (std::filesystem::exists("/tmp/.X" + number + "-lock") ||
        std::filesystem::exists("/tmp/.X11-unix/X" + number))
      continue;
    const std::string name = ":" + number;
    const char* argv[] = {"Xvfb",         name.c_str(), "-screen", "0",
                          screen.c_str(), "-nolisten",  "tcp",     nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
      return -1;
    const std::string socket = "/tmp/.X11-unix/X" + number;
    bool exited = false;  // reaped here: a second waitpid would not see it again
    for (int i = 0; i < 600 && !exited; ++i) {  // up to 30 s on a loaded machine
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      exited = waitpid(pid, nullptr, WNOHANG) == pid;  // taken after all: try the next
      if (!exited && std::filesystem::exists(socket) && LockHolder(number) == pid) {
        display = name;
        return pid;
      }
    }
    if (!exited) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
      return -1;
    }
  }
  return -1;
}

// An Xvfb server on the first free display number from 90 up, its screen WIDTHxHEIGHTxDEPTH;
// stopped on destruction.
class XServer {
 public:
  explicit XServer(const std::string& screen = "800x600x24")
      : pid_(StartXvfb(90 + int(getpid() % 50), screen, display_)) {}
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& Display() const { return display_; }

 private:
  std::string display_;
  pid_t pid_ = -1;
};

}  // namespace displaytest
