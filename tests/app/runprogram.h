// The real program, started headless in a working directory of the test's choosing, watched and
// stopped from outside as a service manager would.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/apptest.h"

namespace apptest {

class RunningProgram {
 public:
  // Starts the program in dir; its standard error goes to errFile. env ("NAME=value") is set
  // after the headless display, which it may override. inChild runs in the new process before
  // the program starts (limits, another standard error).
  RunningProgram(const std::filesystem::path& dir, const std::filesystem::path& errFile,
                 const std::vector<std::string>& env = {},
                 const std::function<void()>& inChild = {}) {
    pid_ = ::fork();
    if (pid_ != 0) return;
    const int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) ::dup2(fd, 2);
    if (inChild) inChild();
    // Nothing of the test's own, such as the far end of a pseudo-terminal, stays open in it.
    ::close_range(3, ~0u, 0);
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    ::setenv("CORVATALEN_DISPLAY", "headless", 1);
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    ::execl(CORVATALEN_BINARY, CORVATALEN_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ~RunningProgram() {
    if (Running()) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  pid_t pid() const { return pid_; }
  bool Started() const { return pid_ > 0; }

  bool Running() {
    if (pid_ <= 0 || status_) return false;
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid_, &status, WNOHANG, &usage) == pid_) {
      status_ = status;
      endCpu_ = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    }
    return !status_;
  }

  // Waits up to timeout for done() to hold, calling step() between looks; false on timeout or
  // when the program ended.
  bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                 const std::function<void()>& step = {}) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      if (step) step();
      if (done()) return true;
      if (!Running()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
  }

  // Sends sig and waits up to timeout for the end: the wait status, or nothing when the program
  // still runs (it is then killed).
  std::optional<int> Stop(int sig, std::chrono::milliseconds timeout) {
    if (Running()) ::kill(pid_, sig);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Running() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (Running()) return std::nullopt;
    return status_;
  }

  // Processor time used so far (user and system), in seconds; all of it once it has ended.
  double CpuSeconds() const {
    if (status_) return endCpu_;
    std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
      if (i == 14 || i == 15) ticks += std::stod(field);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
  }

 private:
  static double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  }

  pid_t pid_ = -1;
  std::optional<int> status_;
  double endCpu_ = 0;
};

inline bool ExitedWith(const std::optional<int>& status, int code) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

}  // namespace apptest
