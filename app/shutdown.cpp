#include "app/shutdown.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include "platform/win/message.h"
#include "platform/win/messages.h"

namespace {

// The write end of the pipe, for the signal handler (which can reach nothing else).
std::atomic<int> gSignalPipe{-1};

constexpr char kStop = 0;
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnStopSignal(int signo) {
  const int saved = errno;
  const int fd = gSignalPipe.load();
  const char byte = static_cast<char>(signo);
  if (fd >= 0) [[maybe_unused]]
    auto n = ::write(fd, &byte, 1);
  errno = saved;
}

}  // namespace

TShutdownSignals::TShutdownSignals(win::HWND mainWindow) : fWindow(mainWindow) {
  if (::pipe2(fPipe, O_CLOEXEC) != 0) return;
  gSignalPipe = fPipe[1];
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int signo : kStopSignals) ::sigaction(signo, &sa, nullptr);
  fWatcher = std::thread([this] { Watch(); });
}

TShutdownSignals::~TShutdownSignals() {
  if (fPipe[0] < 0) return;
  for (int signo : kStopSignals) std::signal(signo, SIG_DFL);
  gSignalPipe = -1;
  [[maybe_unused]] auto n = ::write(fPipe[1], &kStop, 1);
  if (fWatcher.joinable()) fWatcher.join();
  ::close(fPipe[0]);
  ::close(fPipe[1]);
}

void TShutdownSignals::Watch() {
  for (;;) {
    char byte = 0;
    const ssize_t n = ::read(fPipe[0], &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || byte == kStop) return;
    fSignalled = true;
    win::PostMessage(fWindow, win::WM_CLOSE, 0, 0);
  }
}

void IgnoreWriteSignals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}
