#pragma once
// A pseudo-terminal pair for tests: the test keeps the master (the far end) and hands the slave's
// path to the code under test.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <string>

class PtyPair {
 public:
  PtyPair() {
    char name[128];
    int slave = -1;
    if (openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
      path_ = name;
      // The code under test opens the slave by its path; holding it open here would hide hang-ups.
      ::close(slave);
      fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
  }
  ~PtyPair() { CloseMaster(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return master_ >= 0; }
  int master() const { return master_; }
  const std::string& path() const { return path_; }
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  void Send(const std::string& bytes) const {
    [[maybe_unused]] ssize_t n = ::write(master_, bytes.data(), bytes.size());
  }
  // What the slave side sent, waiting up to timeoutMs for at least `want` bytes.
  std::string Receive(size_t want, int timeoutMs = 2000) const;

 private:
  int master_ = -1;
  std::string path_;
};
