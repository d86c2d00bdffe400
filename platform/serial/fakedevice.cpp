#include "platform/serial/fakedevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

namespace serial {

int FakeLine::Take(std::string_view operation) {
  if (hangup_) return hangup_;
  if (failErr_ && failOperation_ == operation) {
    int err = failErr_;
    failErr_ = 0;
    failOperation_.clear();
    return err;
  }
  return 0;
}

void FakeLine::Raise(uint32_t events) {
  events_ |= events;
  changed_.notify_all();
}

void FakeLine::Feed(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  input_ += bytes;
  uint32_t events = evRxChar;
  if (settings_.eventChar && bytes.find(settings_.eventChar) != std::string_view::npos)
    events |= evRxFlag;
  if (input_.size() * 5 >= static_cast<size_t>(inputQueue_) * 4) events |= evRx80Full;
  Raise(events);
}

std::string FakeLine::TakeWritten() {
  std::lock_guard lock(mutex_);
  return std::exchange(written_, {});
}

void FakeLine::SetModem(uint32_t msBits) {
  std::lock_guard lock(mutex_);
  const uint32_t changed = modem_ ^ msBits;
  uint32_t events = 0;
  if (changed & msCTSOn) events |= evCTS;
  if (changed & msDSROn) events |= evDSR;
  if (changed & msRLSDOn) events |= evRLSD;
  if (changed & msBits & msRingOn) events |= evRing;
  modem_ = msBits;
  Raise(events);
}

void FakeLine::InjectLineError(uint32_t ceBits) {
  std::lock_guard lock(mutex_);
  lineErrors_ |= ceBits;
  Raise(((ceBits & ceBreak) ? evBreak : 0) | ((ceBits & ~ceBreak) ? evError : 0));
}

void FakeLine::Signal(uint32_t events) {
  std::lock_guard lock(mutex_);
  Raise(events);
}

void FakeLine::Hangup(int err) {
  std::lock_guard lock(mutex_);
  hangup_ = err;
  changed_.notify_all();
}

void FakeLine::FailNext(std::string_view operation, int err) {
  std::lock_guard lock(mutex_);
  failOperation_ = operation;
  failErr_ = err;
  changed_.notify_all();
}

void FakeLine::SetOutputCapacity(size_t capacity) {
  std::lock_guard lock(mutex_);
  capacity_ = capacity;
}

void FakeLine::Transmit(size_t count) {
  std::lock_guard lock(mutex_);
  queued_ -= std::min(count, queued_);
  Raise(evWritable | (queued_ == 0 ? evTxEmpty : 0));
}

LineSettings FakeLine::Settings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}
int FakeLine::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}
bool FakeLine::BreakOn() const {
  std::lock_guard lock(mutex_);
  return break_;
}
bool FakeLine::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}
int FakeLine::OpenCount() const {
  std::lock_guard lock(mutex_);
  return opens_;
}
bool FakeLine::OutputSuspended() const {
  std::lock_guard lock(mutex_);
  return suspended_;
}
int FakeLine::InputQueued() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(input_.size());
}

class FakeDevice final : public Device {
 public:
  FakeDevice(std::string path, std::shared_ptr<FakeLine> line)
      : path_(std::move(path)), line_(std::move(line)) {}
  ~FakeDevice() override {
    std::lock_guard lock(line_->mutex_);
    line_->open_ = false;
    line_->mask_ = 0;
    line_->events_ = 0;
  }

  const std::string& Path() const override { return path_; }

  int GetSettings(LineSettings& s) override {
    std::lock_guard lock(line_->mutex_);
    if (int err = line_->Take("settings")) return err;
    s = line_->settings_;
    return 0;
  }
  int SetSettings(const LineSettings& s) override {
    std::lock_guard lock(line_->mutex_);
    if (int err = line_->Take("settings")) return err;
    LineSettings kept = s;
    if (s.dataBits < 5 || s.dataBits > 8) kept.dataBits = line_->settings_.dataBits;
    if (s.stopBits == StopBits::OneHalf) kept.stopBits = line_->settings_.stopBits;
    line_->settings_ = kept;
    return 0;
  }
  int SetLines(int on, int off) override {
    std::lock_guard lock(line_->mutex_);
    if (int err = line_->Take("lines")) return err;
    line_->lines_ = (line_->lines_ | on) & ~off;
    return 0;
  }
  int SetBreak(bool on) override {
    std::lock_guard lock(line_->mutex_);
    if (int err = line_->Take("break")) return err;
    line_->break_ = on;
    return 0;
  }
  int ModemStatus(uint32_t& bits) override {
    std::lock_guard lock(line_->mutex_);
    if (int err = line_->Take("lines")) return err;
    bits = line_->modem_;
    return 0;
  }
  int TakeLineErrors(uint32_t& bits) override {
    std::lock_guard lock(line_->mutex_);
    bits = std::exchange(line_->lineErrors_, 0);
    return 0;
  }
  int InputCount(int& count) override {
    std::lock_guard lock(line_->mutex_);
    if (int err = line_->Take("count")) return err;
    count = static_cast<int>(line_->input_.size());
    return 0;
  }
  int OutputCount(int& count) override {
    std::lock_guard lock(line_->mutex_);
    if (int err = line_->Take("count")) return err;
    count = static_cast<int>(line_->queued_);
    return 0;
  }
  int Purge(bool input, bool output) override {
    std::lock_guard lock(line_->mutex_);
    if (int err = line_->Take("purge")) return err;
    if (input) line_->input_.clear();
    if (output) line_->queued_ = 0;
    return 0;
  }
  int Drain() override {
    std::unique_lock lock(line_->mutex_);
    line_->changed_.wait(lock, [&] { return line_->queued_ == 0 || line_->hangup_; });
    return line_->hangup_;
  }
  int FlowOutput(bool resume) override {
    std::lock_guard lock(line_->mutex_);
    line_->suspended_ = !resume;
    return 0;
  }
  int Read(void* buffer, size_t count, size_t& done) override {
    std::lock_guard lock(line_->mutex_);
    done = 0;
    if (int err = line_->Take("read")) return err;
    done = std::min(count, line_->input_.size());
    std::memcpy(buffer, line_->input_.data(), done);
    line_->input_.erase(0, done);
    return 0;
  }
  int Write(const void* buffer, size_t count, size_t& done) override {
    std::lock_guard lock(line_->mutex_);
    done = 0;
    if (int err = line_->Take("write")) return err;
    const bool bounded = line_->capacity_ != SIZE_MAX;
    done = bounded ? std::min(count, line_->capacity_ - line_->queued_) : count;
    line_->written_.append(static_cast<const char*>(buffer), done);
    if (bounded)
      line_->queued_ += done;
    else if (done)
      line_->Raise(evTxEmpty);
    return 0;
  }
  int WaitIo(bool forWrite, int timeoutMs) override {
    std::unique_lock lock(line_->mutex_);
    auto ready = [&] {
      if (line_->hangup_) return true;
      return forWrite ? line_->queued_ < line_->capacity_ : !line_->input_.empty();
    };
    if (timeoutMs < 0)
      line_->changed_.wait(lock, ready);
    else if (!line_->changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
      return ETIMEDOUT;
    return line_->hangup_;
  }
  void SetQueueSizes(int input, int) override {
    std::lock_guard lock(line_->mutex_);
    line_->inputQueue_ = input;
  }
  void SetEventMask(uint32_t mask) override {
    std::lock_guard lock(line_->mutex_);
    line_->mask_ = mask;
    line_->woken_ = true;
    line_->changed_.notify_all();
  }
  int WaitEvent(uint32_t& events) override {
    std::unique_lock lock(line_->mutex_);
    events = 0;
    line_->changed_.wait(lock, [&] {
      return line_->woken_ || line_->hangup_ || (line_->events_ & line_->mask_) ||
             (line_->failErr_ && line_->failOperation_ == "wait");
    });
    if (int err = line_->Take("wait")) return err;
    line_->woken_ = false;
    events = line_->events_ & line_->mask_;
    line_->events_ = 0;
    return 0;
  }
  void Wake() override {
    std::lock_guard lock(line_->mutex_);
    line_->woken_ = true;
    line_->changed_.notify_all();
  }

 private:
  std::string path_;
  std::shared_ptr<FakeLine> line_;
};

namespace {

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}
std::map<std::string, std::shared_ptr<FakeLine>>& Registry() {
  static std::map<std::string, std::shared_ptr<FakeLine>> r;
  return r;
}

}  // namespace

void RegisterFake(const std::string& name, std::shared_ptr<FakeLine> line) {
  std::lock_guard lock(RegistryMutex());
  Registry()[name] = std::move(line);
}

void UnregisterFake(const std::string& name) {
  std::lock_guard lock(RegistryMutex());
  Registry().erase(name);
}

std::unique_ptr<Device> OpenFake(const std::string& name, int& err, bool& found) {
  std::shared_ptr<FakeLine> line;
  {
    std::lock_guard lock(RegistryMutex());
    auto it = Registry().find(name);
    found = it != Registry().end();
    if (!found) return nullptr;
    line = it->second;
  }
  std::lock_guard lock(line->mutex_);
  err = line->Take("open");
  if (!err && line->open_) err = EBUSY;
  if (err) return nullptr;
  line->open_ = true;
  ++line->opens_;
  line->events_ = 0;
  line->woken_ = false;
  return std::make_unique<FakeDevice>(name, line);
}

}  // namespace serial
