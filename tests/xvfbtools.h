#pragma once
// Running programs on a real X display (Xvfb) from a test: tools looked up, processes started
// and stopped, command output read, a display started.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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

inline void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
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

// Starts Xvfb on a free display of 1280 x 800; name gets ":n". The pid, or -1 when the socket
// never appeared.
inline pid_t StartDisplay(std::string& name) {
  namespace fs = std::filesystem;
  int display = 140 + static_cast<int>(getpid() % 200);
  while (fs::exists("/tmp/.X" + std::to_string(display) + "-lock")) ++display;
  name = ":" + std::to_string(display);
  pid_t x = Spawn({"Xvfb", name, "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
  const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
  for (int i = 0; i < 100 && !fs::exists(socket); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (fs::exists(socket)) return x;
  Stop(x);
  return -1;
}

}  // namespace xvfb
