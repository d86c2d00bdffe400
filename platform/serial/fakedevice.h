#pragma once
// A scriptable serial line for tests: the far end of a port that a pseudo-terminal cannot play
// (modem lines, line errors, failing calls, short writes, a hang-up). Register it under a port
// name; opening that name then opens the fake instead of a device.
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/serial/device.h"

namespace serial {

class FakeLine : public std::enable_shared_from_this<FakeLine> {
 public:
  // Far end.
  void Feed(std::string_view bytes);      // characters arrive
  std::string TakeWritten();              // everything the port sent since the last call
  void SetModem(uint32_t msBits);         // modem inputs (msCTSOn ...); raises the change events
  void InjectLineError(uint32_t ceBits);  // raises evError / evBreak
  void Signal(uint32_t events);           // raises events as they stand (ev* bits)
  void Hangup(int err = EIO);             // every later call and wait fails with err
  void FailNext(std::string_view operation, int err);  // "open", "settings", "lines", "break",
                                                       // "count", "read", "write", "purge", "wait"
  // Output queue of `capacity` bytes that empties only through Transmit; unlimited by default.
  void SetOutputCapacity(size_t capacity);
  void Transmit(size_t count);

  // What the port did.
  LineSettings Settings() const;
  int Lines() const;  // lineDTR | lineRTS currently raised
  bool BreakOn() const;
  bool IsOpen() const;
  int OpenCount() const;
  bool OutputSuspended() const;
  int InputQueued() const;

 private:
  friend class FakeDevice;
  friend std::unique_ptr<Device> OpenFake(const std::string&, int&, bool&);
  int Take(std::string_view operation);  // the scripted failure for an operation, under mutex_
  void Raise(uint32_t events);           // under mutex_

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string input_;
  std::string written_;
  size_t queued_ = 0;
  size_t capacity_ = SIZE_MAX;
  uint32_t modem_ = 0;
  uint32_t lineErrors_ = 0;
  uint32_t mask_ = 0;
  uint32_t events_ = 0;
  bool woken_ = false;
  int hangup_ = 0;
  std::string failOperation_;
  int failErr_ = 0;
  LineSettings settings_;
  int lines_ = 0;
  bool break_ = false;
  bool suspended_ = false;
  bool open_ = false;
  int opens_ = 0;
  int inputQueue_ = 4096;
};

// Port names served by fakes (process-wide, for tests).
void RegisterFake(const std::string& name, std::shared_ptr<FakeLine> line);
void UnregisterFake(const std::string& name);
std::unique_ptr<Device> OpenFake(const std::string& name, int& err, bool& found);

class ScopedFake {
 public:
  ScopedFake(std::string name, std::shared_ptr<FakeLine> line) : name_(std::move(name)) {
    RegisterFake(name_, std::move(line));
  }
  ~ScopedFake() { UnregisterFake(name_); }
  ScopedFake(const ScopedFake&) = delete;
  ScopedFake& operator=(const ScopedFake&) = delete;

 private:
  std::string name_;
};

}  // namespace serial
