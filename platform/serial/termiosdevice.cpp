#include "platform/serial/termiosdevice.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "platform/serial/baud.h"

namespace serial {
namespace {

// Lines without modem control (pseudo-terminals) answer these; they mean "nothing to do here".
bool NoModemLines(int err) {
  return err == ENOTTY || err == EINVAL;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Modem lines and error counters are not pollable; while their events are wanted the wait looks
// at them this often.
constexpr int kLinePollMs = 50;
constexpr int kTxPollMs = 10;
constexpr int kCloseWaitSteps = 20;
constexpr useconds_t kCloseWaitStepUs = 10000;
constexpr uint32_t kLineEvents = evCTS | evDSR | evRLSD | evRing | evBreak | evError;

class TermiosDevice final : public Device {
 public:
  TermiosDevice(std::string path, int fd, int epoll, int wake)
      : path_(std::move(path)), fd_(fd), epoll_(epoll), wake_(wake) {}

  ~TermiosDevice() override {
    // Closing a serial port waits until its queued output has gone (up to 30 s on most drivers).
    // Give the line a moment, then discard the rest: closing must not stall the GUI.
    for (int i = 0; i < kCloseWaitSteps; ++i) {
      int queued = 0;
      if (ioctl(fd_.get(), TIOCOUTQ, &queued) != 0 || queued == 0) break;
      ::usleep(kCloseWaitStepUs);
    }
    tcflush(fd_.get(), TCOFLUSH);
    ioctl(fd_.get(), TIOCNXCL);
    flock(fd_.get(), LOCK_UN);
  }

  int Setup() {
    termios t{};
    if (tcgetattr(fd_.get(), &t) != 0) return errno;
    t.c_iflag &=
        ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd_.get(), TCSANOW, &t) != 0) return errno;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = wake_.get();
    if (epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, wake_.get(), &ev) != 0) return errno;
    // Edge-triggered: an event means new characters, as the port's receive event does; bytes
    // left unread do not wake the waiter again.
    ev.events = EPOLLIN | EPOLLET;
    ev.data.fd = fd_.get();
    if (epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd_.get(), &ev) != 0) return errno;
    uint32_t bits = 0;
    ReadModem(bits);
    lastModem_ = bits;
    serial_icounter_struct counts{};
    if (ioctl(fd_.get(), TIOCGICOUNT, &counts) == 0) lastCounts_ = counts;
    return 0;
  }

  const std::string& Path() const override { return path_; }

  int GetSettings(LineSettings& s) override {
    termios t{};
    if (tcgetattr(fd_.get(), &t) != 0) return errno;
    if (int err = GetLineSpeed(fd_.get(), s.baud)) return err;
    FromTermios(t, s);
    s.eventChar = eventChar_;
    return 0;
  }

  int SetSettings(const LineSettings& s) override {
    termios t{};
    if (tcgetattr(fd_.get(), &t) != 0) return errno;
    ToTermios(s, t);
    if (tcsetattr(fd_.get(), TCSANOW, &t) != 0) return errno;
    eventChar_ = s.eventChar;
    return SetLineSpeed(fd_.get(), s.baud);
  }

  int SetLines(int on, int off) override {
    auto bits = [](int lines) {
      return ((lines & lineDTR) ? TIOCM_DTR : 0) | ((lines & lineRTS) ? TIOCM_RTS : 0);
    };
    for (auto [request, lines] : {std::pair{TIOCMBIS, on}, std::pair{TIOCMBIC, off}}) {
      int b = bits(lines);
      if (b && ioctl(fd_.get(), request, &b) != 0 && !NoModemLines(errno)) return errno;
    }
    return 0;
  }

  int SetBreak(bool on) override {
    if (ioctl(fd_.get(), on ? TIOCSBRK : TIOCCBRK) != 0 && !NoModemLines(errno)) return errno;
    return 0;
  }

  int ModemStatus(uint32_t& bits) override { return ReadModem(bits); }

  int TakeLineErrors(uint32_t& bits) override {
    std::lock_guard lock(countsMutex_);
    PollCounts();
    bits = pendingErrors_;
    pendingErrors_ = 0;
    return 0;
  }

  int InputCount(int& count) override {
    return ioctl(fd_.get(), FIONREAD, &count) == 0 ? 0 : errno;
  }

  int OutputCount(int& count) override {
    return ioctl(fd_.get(), TIOCOUTQ, &count) == 0 ? 0 : errno;
  }

  int Purge(bool input, bool output) override {
    if (!input && !output) return 0;
    int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return tcflush(fd_.get(), which) == 0 ? 0 : errno;
  }

  int Drain() override { return tcdrain(fd_.get()) == 0 ? 0 : errno; }

  int FlowOutput(bool resume) override {
    return tcflow(fd_.get(), resume ? TCOON : TCOOFF) == 0 ? 0 : errno;
  }

  int Read(void* buffer, size_t count, size_t& done) override {
    done = 0;
    if (count == 0) return 0;
    ssize_t n = ::read(fd_.get(), buffer, count);
    if (n > 0) {
      done = static_cast<size_t>(n);
      return 0;
    }
    // With VMIN and VTIME 0 an idle line reads 0 as a hung-up one does: the line's own state
    // tells them apart.
    if (n == 0) return HungUp() ? EIO : 0;
    if (errno == EAGAIN || errno == EINTR) return 0;
    return errno;
  }

  int Write(const void* buffer, size_t count, size_t& done) override {
    done = 0;
    if (count == 0) return 0;
    ssize_t n = ::write(fd_.get(), buffer, count);
    if (n >= 0) {
      done = static_cast<size_t>(n);
      txPending_ = true;
      return 0;
    }
    if (errno == EAGAIN || errno == EINTR) return 0;
    return errno;
  }

  int WaitIo(bool forWrite, int timeoutMs) override {
    pollfd p{fd_.get(), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    for (;;) {
      int n = ::poll(&p, 1, timeoutMs);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      if (n == 0) return ETIMEDOUT;
      if (p.revents & (forWrite ? POLLOUT : POLLIN)) return 0;
      return EIO;  // hang-up or error with nothing to read
    }
  }

  void SetQueueSizes(int input, int /*output*/) override { inputQueue_ = input; }

  void SetEventMask(uint32_t mask) override {
    const bool wantRoom = (mask & evWritable) != 0;
    if (wantRoom != wantRoom_.exchange(wantRoom)) {
      epoll_event ev{};
      ev.events = EPOLLIN | EPOLLET | (wantRoom ? static_cast<uint32_t>(EPOLLOUT) : 0u);
      ev.data.fd = fd_.get();
      epoll_ctl(epoll_.get(), EPOLL_CTL_MOD, fd_.get(), &ev);
    }
    mask_ = mask;
    Wake();
  }

  void Wake() override {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_.get(), &one, sizeof one);
  }

  int WaitEvent(uint32_t& events) override {
    events = 0;
    for (;;) {
      const uint32_t mask = mask_;
      int timeout = -1;
      if (mask & kLineEvents) timeout = kLinePollMs;
      if ((mask & evTxEmpty) && txPending_) timeout = kTxPollMs;
      epoll_event got[2];
      int n = epoll_wait(epoll_.get(), got, 2, timeout);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      bool woken = false;
      bool received = false;
      bool room = false;
      for (int i = 0; i < n; ++i) {
        if (got[i].data.fd == wake_.get()) {
          uint64_t value;
          [[maybe_unused]] ssize_t r = ::read(wake_.get(), &value, sizeof value);
          woken = true;
        } else if (got[i].events & (EPOLLERR | EPOLLHUP)) {
          return EIO;
        } else {
          received = (got[i].events & EPOLLIN) != 0;
          room = (got[i].events & EPOLLOUT) != 0;
        }
      }
      events = Collect(mask_, received) | (room ? evWritable & mask_ : 0);
      if (events || woken) return 0;
    }
  }

 private:
  // The far end closed or the adapter went: the line tells so in its poll state.
  bool HungUp() const {
    pollfd p{fd_.get(), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
  }

  int ReadModem(uint32_t& bits) {
    bits = 0;
    int m = 0;
    if (ioctl(fd_.get(), TIOCMGET, &m) != 0) return NoModemLines(errno) ? 0 : errno;
    if (m & TIOCM_CTS) bits |= msCTSOn;
    if (m & TIOCM_DSR) bits |= msDSROn;
    if (m & TIOCM_RI) bits |= msRingOn;
    if (m & TIOCM_CD) bits |= msRLSDOn;
    return 0;
  }

  // Folds new driver error counts into pendingErrors_; returns the new error bits.
  uint32_t PollCounts() {
    serial_icounter_struct c{};
    if (ioctl(fd_.get(), TIOCGICOUNT, &c) != 0) return 0;
    uint32_t bits = 0;
    if (c.frame != lastCounts_.frame) bits |= ceFrame;
    if (c.overrun != lastCounts_.overrun) bits |= ceOverrun;
    if (c.parity != lastCounts_.parity) bits |= ceParity;
    if (c.brk != lastCounts_.brk) bits |= ceBreak;
    if (c.buf_overrun != lastCounts_.buf_overrun) bits |= ceRxOver;
    lastCounts_ = c;
    pendingErrors_ |= bits;
    return bits;
  }

  uint32_t Collect(uint32_t mask, bool received) {
    uint32_t events = 0;
    if (received) {
      events |= evRxChar;
      int queued = 0;
      if ((mask & evRx80Full) && InputCount(queued) == 0 && queued * 5 >= inputQueue_ * 4)
        events |= evRx80Full;
    }
    if (mask & (evCTS | evDSR | evRLSD | evRing)) {
      uint32_t now = 0;
      if (ReadModem(now) == 0) {
        const uint32_t changed = now ^ lastModem_;
        if (changed & msCTSOn) events |= evCTS;
        if (changed & msDSROn) events |= evDSR;
        if (changed & msRLSDOn) events |= evRLSD;
        if (changed & now & msRingOn) events |= evRing;
        lastModem_ = now;
      }
    }
    if (mask & (evBreak | evError)) {
      std::lock_guard lock(countsMutex_);
      const uint32_t bits = PollCounts();
      if (bits & ceBreak) events |= evBreak;
      if (bits & ~ceBreak) events |= evError;
    }
    if ((mask & evTxEmpty) && txPending_) {
      int queued = 0;
      if (OutputCount(queued) == 0 && queued == 0) {
        txPending_ = false;
        events |= evTxEmpty;
      }
    }
    return events & mask;
  }

  std::string path_;
  Fd fd_;
  Fd epoll_;
  Fd wake_;
  std::atomic<uint32_t> mask_{0};
  std::atomic<bool> txPending_{false};
  std::atomic<bool> wantRoom_{false};
  std::atomic<int> inputQueue_{4096};
  std::atomic<char> eventChar_{0};
  uint32_t lastModem_ = 0;  // event thread only
  std::mutex countsMutex_;
  serial_icounter_struct lastCounts_{};
  uint32_t pendingErrors_ = 0;
};

}  // namespace

void FromTermios(const termios& t, LineSettings& s) {
  switch (t.c_cflag & CSIZE) {
    case CS5:
      s.dataBits = 5;
      break;
    case CS6:
      s.dataBits = 6;
      break;
    case CS7:
      s.dataBits = 7;
      break;
    default:
      s.dataBits = 8;
      break;
  }
  if (!(t.c_cflag & PARENB))
    s.parity = Parity::None;
  else if (t.c_cflag & CMSPAR)
    s.parity = (t.c_cflag & PARODD) ? Parity::Mark : Parity::Space;
  else
    s.parity = (t.c_cflag & PARODD) ? Parity::Odd : Parity::Even;
  s.stopBits = (t.c_cflag & CSTOPB) ? StopBits::Two : StopBits::One;
  s.rtsCts = (t.c_cflag & CRTSCTS) != 0;
  s.xonOutput = (t.c_iflag & IXON) != 0;
  s.xonInput = (t.c_iflag & IXOFF) != 0;
  s.checkParity = (t.c_iflag & INPCK) != 0;
  s.xonChar = static_cast<char>(t.c_cc[VSTART]);
  s.xoffChar = static_cast<char>(t.c_cc[VSTOP]);
}

void ToTermios(const LineSettings& s, termios& t) {
  if (s.dataBits >= 5 && s.dataBits <= 8) {
    static constexpr tcflag_t kSize[] = {CS5, CS6, CS7, CS8};
    t.c_cflag = (t.c_cflag & ~CSIZE) | kSize[s.dataBits - 5];
  }
  t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
  switch (s.parity) {
    case Parity::None:
      break;
    case Parity::Odd:
      t.c_cflag |= PARENB | PARODD;
      break;
    case Parity::Even:
      t.c_cflag |= PARENB;
      break;
    case Parity::Mark:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case Parity::Space:
      t.c_cflag |= PARENB | CMSPAR;
      break;
  }
  if (s.stopBits == StopBits::One) t.c_cflag &= ~CSTOPB;
  if (s.stopBits == StopBits::Two) t.c_cflag |= CSTOPB;
  t.c_cflag = s.rtsCts ? (t.c_cflag | CRTSCTS) : (t.c_cflag & ~CRTSCTS);
  t.c_iflag &= ~(IXON | IXOFF | INPCK);
  if (s.xonOutput) t.c_iflag |= IXON;
  if (s.xonInput) t.c_iflag |= IXOFF;
  if (s.checkParity) t.c_iflag |= INPCK;
  t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
}

std::unique_ptr<Device> OpenTermios(const std::string& path, int& err) {
  err = 0;
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return nullptr;
  }
  Fd guard(fd);
  if (!isatty(fd)) {
    err = ENOTTY;
    return nullptr;
  }
  // flock keeps out every other opener, root included; TIOCEXCL keeps out programs that do not
  // take the lock.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    err = errno == EWOULDBLOCK ? EBUSY : errno;
    return nullptr;
  }
  if (ioctl(fd, TIOCEXCL) != 0) {
    err = errno;
    return nullptr;
  }
  int ep = epoll_create1(EPOLL_CLOEXEC);
  if (ep < 0) {
    err = errno;
    return nullptr;
  }
  int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) {
    err = errno;
    ::close(ep);
    return nullptr;
  }
  auto device = std::make_unique<TermiosDevice>(path, guard.release(), ep, wake);
  err = device->Setup();
  if (err) return nullptr;
  return device;
}

}  // namespace serial
