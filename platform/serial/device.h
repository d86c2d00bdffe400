#pragma once
// A serial line as the port component sees it: settings, line control, queue counts, non-blocking
// transfers and an event wait that another thread can wake. Two backends: termios (real devices and
// pseudo-terminals) and a scriptable fake for what a pseudo-terminal cannot do.
//
// Every operation returns 0 or an errno value; the caller turns errors into its own exceptions.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace serial {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneHalf, Two };

// Line settings. Fields a line cannot honour (1.5 stop bits, 4 data bits) are accepted; the
// backend keeps what the device has.
struct LineSettings {
  int baud = 9600;
  int dataBits = 8;
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
  bool rtsCts = false;     // hardware flow control in both directions
  bool xonOutput = false;  // honour XON/XOFF from the far end
  bool xonInput = false;   // send XON/XOFF when our input queue fills
  bool checkParity = false;
  char xonChar = 17;
  char xoffChar = 19;
  char eventChar = 0;  // raises evRxFlag where the backend can see it (the fake only)
  bool operator==(const LineSettings&) const = default;
};

// Event bits: the values the port component publishes in its event mask.
inline constexpr uint32_t evRxChar = 0x1;
inline constexpr uint32_t evRxFlag = 0x2;
inline constexpr uint32_t evTxEmpty = 0x4;
inline constexpr uint32_t evCTS = 0x8;
inline constexpr uint32_t evDSR = 0x10;
inline constexpr uint32_t evRLSD = 0x20;
inline constexpr uint32_t evBreak = 0x40;
inline constexpr uint32_t evError = 0x80;
inline constexpr uint32_t evRing = 0x100;
inline constexpr uint32_t evPrinterError = 0x200;
inline constexpr uint32_t evRx80Full = 0x400;
inline constexpr uint32_t evEvent1 = 0x800;
inline constexpr uint32_t evEvent2 = 0x1000;
// Not a port event: output room appeared. Asked for while the port holds the end of a write.
inline constexpr uint32_t evWritable = 0x10000;

// Modem status bits.
inline constexpr uint32_t msCTSOn = 0x10;
inline constexpr uint32_t msDSROn = 0x20;
inline constexpr uint32_t msRingOn = 0x40;
inline constexpr uint32_t msRLSDOn = 0x80;

// Line error bits.
inline constexpr uint32_t ceRxOver = 0x1;
inline constexpr uint32_t ceOverrun = 0x2;
inline constexpr uint32_t ceParity = 0x4;
inline constexpr uint32_t ceFrame = 0x8;
inline constexpr uint32_t ceBreak = 0x10;

// Output line states for SetLines.
inline constexpr int lineDTR = 0x1;
inline constexpr int lineRTS = 0x2;

class Device {
 public:
  virtual ~Device() = default;
  Device() = default;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  virtual const std::string& Path() const = 0;
  virtual int GetSettings(LineSettings& settings) = 0;
  virtual int SetSettings(const LineSettings& settings) = 0;
  // Raise the lines in `on`, drop those in `off` (lineDTR, lineRTS).
  virtual int SetLines(int on, int off) = 0;
  virtual int SetBreak(bool on) = 0;
  virtual int ModemStatus(uint32_t& bits) = 0;
  // Line errors seen since the last call (ce* bits); 0 where the driver keeps no counters.
  virtual int TakeLineErrors(uint32_t& bits) = 0;
  virtual int InputCount(int& count) = 0;
  virtual int OutputCount(int& count) = 0;
  virtual int Purge(bool input, bool output) = 0;
  virtual int Drain() = 0;
  // Suspend or resume our output as if XOFF/XON had arrived.
  virtual int FlowOutput(bool resume) = 0;
  // Non-blocking transfers: `done` is what moved, possibly 0.
  virtual int Read(void* buffer, size_t count, size_t& done) = 0;
  virtual int Write(const void* buffer, size_t count, size_t& done) = 0;
  // Wait until a read (or write) could make progress: 0, ETIMEDOUT, or the line's error.
  // timeoutMs < 0 waits without limit.
  virtual int WaitIo(bool forWrite, int timeoutMs) = 0;
  virtual void SetQueueSizes(int input, int output) = 0;

  // Event side, used by one waiting thread while others call the rest.
  virtual void SetEventMask(uint32_t mask) = 0;  // wakes a pending wait
  // Blocks until an event of the mask arrives or Wake is called (events = 0 then).
  virtual int WaitEvent(uint32_t& events) = 0;
  virtual void Wake() = 0;
};

// Opens a port by name: a registered fake first, then the name mapping. err gets the errno.
std::unique_ptr<Device> Open(const std::string& name, int& err);

// The text of an errno value.
std::string ErrorText(int err);

}  // namespace serial
