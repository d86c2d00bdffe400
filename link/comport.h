#pragma once
// The serial port component: one serial device, its line settings, and an event thread that
// waits for line events and hands each to the GUI thread, where the port's handlers run.
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/thread.h"

namespace serial {
class Device;
}

// A small set of enumeration values (a bit per value).
template <typename E>
class TComSet {
 public:
  TComSet() = default;
  TComSet(std::initializer_list<E> values) {
    for (E v : values) Include(v);
  }
  bool Contains(E v) const { return (bits_ >> static_cast<unsigned>(v)) & 1u; }
  TComSet& Include(E v) {
    bits_ |= 1u << static_cast<unsigned>(v);
    return *this;
  }
  TComSet& Exclude(E v) {
    bits_ &= ~(1u << static_cast<unsigned>(v));
    return *this;
  }
  bool Empty() const { return bits_ == 0; }
  friend bool operator==(TComSet a, TComSet b) { return a.bits_ == b.bits_; }

 private:
  uint32_t bits_ = 0;
};

enum TBaudRate {
  brDefault,
  br50,
  br75,
  br110,
  br150,
  br300,
  br600,
  br1200,
  br1800,
  br2000,
  br2400,
  br3600,
  br4800,
  br7200,
  br9600,
  br10400,
  br14400,
  br15625,
  br19200,
  br28800,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000,
  brCustom
};
enum TDataBits { dbDefault, db4, db5, db6, db7, db8 };
enum TParity { paDefault, paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits { sbDefault, sb1, sb1_5, sb2 };
enum TDTRControl { dcDefault, dcDisable, dcEnable, dcHandshake };
enum TRTSControl { rcDefault, rcDisable, rcEnable, rcHandshake, rcToggle };
enum TXOnXOffControl { xcDefault, xcDisable, xcInput, xcOutput, xcInputOutput };
enum TOption {
  opCheckParity,
  opOutputCTSFlow,
  opOutputDSRFlow,
  opDSRSensitivity,
  opTXContinueOnXOff,
  opUseErrorChar,
  opDiscardNullBytes,
  opAbortOnError
};
enum TPriorityClass { pcDefault, pcIdle, pcNormal, pcHigh, pcRealTime };
enum TLineError {
  leBreak,
  leDeviceNotSelected,
  leFrame,
  leIO,
  leMode,
  leOutOfPaper,
  leOverrun,
  leDeviceTimeOut,
  leRxOverflow,
  leParity,
  leTxFull
};
enum TModemStatusValue { msCTS, msDSR, msRing, msRLSD };
enum TComAction { caFail, caAbort };

using TOptions = TComSet<TOption>;
using TLineErrors = TComSet<TLineError>;
using TModemStatus = TComSet<TModemStatusValue>;

// The line speed a TBaudRate stands for (0 for brDefault and brCustom).
int BaudRateValue(TBaudRate rate);

// The machine's serial devices: EnumDevices adds their port names ("COM1", ...) and then their
// paths; EnumComDevices only the port names.
void EnumDevices(rtl::TStrings& List);
void EnumComDevices(rtl::TStrings& List);

struct TComConfig;

class EComError : public rtl::Exception {
 public:
  EComError(int code, const std::string& message) : rtl::Exception(message), WinCode(code) {}
  int WinCode = 0;  // the system error number, 0 for the component's own errors
};

class TCustomComPort;

using TComIOEvent =
    rtl::Event<void(rtl::TObject* Sender, const void* Buffer, int Count, bool WaitOnCompletion)>;
using TComErrorEvent =
    rtl::Event<void(rtl::TObject* Sender, const EComError& E, TComAction& Action)>;
using TComLineErrorEvent = rtl::Event<void(rtl::TObject* Sender, TLineErrors Errors)>;

// Sub-objects of the port: each change is applied to an open port at once.
class TFlowControl : public rtl::TPersistent {
 public:
  explicit TFlowControl(TCustomComPort* port) : port_(port) {}
  TDTRControl DTR() const { return dtr_; }
  void SetDTR(TDTRControl v);
  TRTSControl RTS() const { return rts_; }
  void SetRTS(TRTSControl v);
  TXOnXOffControl XOnXOff() const { return xon_; }
  void SetXOnXOff(TXOnXOffControl v);
  int XOnLimit() const { return xonLimit_; }
  void SetXOnLimit(int v);
  int XOffLimit() const { return xoffLimit_; }
  void SetXOffLimit(int v);
  void Assign(const rtl::TPersistent* Source) override;

 private:
  TCustomComPort* port_;
  TDTRControl dtr_ = dcDefault;
  TRTSControl rts_ = rcDefault;
  TXOnXOffControl xon_ = xcDefault;
  int xonLimit_ = 0;
  int xoffLimit_ = 0;
};

class TCharacters : public rtl::TPersistent {
 public:
  explicit TCharacters(TCustomComPort* port) : port_(port) {}
  char XOn() const { return xon_; }
  void SetXOn(char v);
  char XOff() const { return xoff_; }
  void SetXOff(char v);
  char Error() const { return error_; }
  void SetError(char v);
  char Eof() const { return eof_; }
  void SetEof(char v);
  char Event() const { return event_; }
  void SetEvent(char v);
  void Assign(const rtl::TPersistent* Source) override;

 private:
  TCustomComPort* port_;
  char xon_ = 17, xoff_ = 19, error_ = 0, eof_ = 0, event_ = 0;
};

class TBufferSizes : public rtl::TPersistent {
 public:
  explicit TBufferSizes(TCustomComPort* port) : port_(port) {}
  int Input() const { return input_; }
  void SetInput(int v);
  int Output() const { return output_; }
  void SetOutput(int v);
  void Assign(const rtl::TPersistent* Source) override;

 private:
  TCustomComPort* port_;
  int input_ = 4096;
  int output_ = 2048;
};

// Milliseconds; 0 means no limit. A ReadInterval of -1 with no total makes a read end at once with
// what is waiting; a waited read that ends short of its count raises "Timeout".
class TTimeouts : public rtl::TPersistent {
 public:
  explicit TTimeouts(TCustomComPort* port) : port_(port) {}
  int ReadInterval() const { return readInterval_; }
  void SetReadInterval(int v);
  int ReadMultiplier() const { return readMultiplier_; }
  void SetReadMultiplier(int v);
  int ReadConstant() const { return readConstant_; }
  void SetReadConstant(int v);
  int WriteMultiplier() const { return writeMultiplier_; }
  void SetWriteMultiplier(int v);
  int WriteConstant() const { return writeConstant_; }
  void SetWriteConstant(int v);
  void Assign(const rtl::TPersistent* Source) override;

 private:
  TCustomComPort* port_;
  int readInterval_ = 0, readMultiplier_ = 0, readConstant_ = 0;
  int writeMultiplier_ = 0, writeConstant_ = 0;
};

class TComThread;

// Handlers whose assignment changes the line events the port waits for.
#define CORV_COMPORT_EVENT(Type, Name) \
 public:                               \
  const Type& Name() const {           \
    return f##Name;                    \
  }                                    \
  void Set##Name(const Type& Value) {  \
    f##Name = Value;                   \
    ApplyEventMask();                  \
  }                                    \
                                       \
 private:                              \
  Type f##Name;

class TCustomComPort : public rtl::TComponent {
 public:
  explicit TCustomComPort(rtl::TComponent* AOwner);
  ~TCustomComPort() override;

  void Loaded() override;

  void Open();
  void Close();
  bool Active() const;
  void SetActive(bool Value);

  std::string About() const;
  void SetAbout(const std::string&) {}
  TBaudRate BaudRate() const { return fBaudRate; }
  void SetBaudRate(TBaudRate Value);
  int CustomBaudRate() const { return fCustomBaudRate; }
  void SetCustomBaudRate(int Value);
  TDataBits DataBits() const { return fDataBits; }
  void SetDataBits(TDataBits Value);
  TParity Parity() const { return fParity; }
  void SetParity(TParity Value);
  TStopBits StopBits() const { return fStopBits; }
  void SetStopBits(TStopBits Value);
  const std::string& DeviceName() const { return fDeviceName; }
  void SetDeviceName(const std::string& Value);
  // The port as a user is told of it: its name, and the device it stands for when that differs
  // ("COM1 (/dev/ttyUSB0)").
  std::string PortText() const;
  TOptions Options() const { return fOptions; }
  void SetOptions(TOptions Value);
  TPriorityClass PriorityClass() const { return fPriorityClass; }
  void SetPriorityClass(TPriorityClass Value);
  bool SynchronizeEvents() const { return fSynchronizeEvents; }
  void SetSynchronizeEvents(bool Value);
  rtl::TThreadPriority ThreadPriority() const { return fThreadPriority; }
  void SetThreadPriority(rtl::TThreadPriority Value) { fThreadPriority = Value; }
  TFlowControl& FlowControl() { return *fFlowControl; }
  TCharacters& Characters() { return *fCharacters; }
  TBufferSizes& BufferSizes() { return *fBufferSizes; }
  TTimeouts& Timeouts() { return *fTimeouts; }
  TModemStatus ModemStatus();

  // Read side. Read returns the bytes read; with WaitOnCompletion it waits for all Count of them.
  int InputCount();
  int Read(void* Buffer, int Count, bool WaitOnCompletion);
  char ReadChar();
  uint8_t ReadByte();
  uint16_t ReadWord();
  uint32_t ReadDWord();
  std::string ReadString();
  std::string ReadUntil(char StopChar);
  std::string ReadLine();

  // Write side. Writes without waiting never block: while the line is still busy with an earlier
  // write the new one is dropped whole, so the line only ever carries whole writes.
  int OutputCount();
  int Write(const void* Buffer, int Count, bool WaitOnCompletion);
  // True from BeforeWrite to the end of the write, also one that ends by raising.
  bool Writing() const { return fWriting > 0; }
  void WriteChar(char Value);
  void WriteByte(uint8_t Value);
  void WriteWord(uint16_t Value);
  void WriteDWord(uint32_t Value);
  void WriteString(const std::string& Value);
  void TransmitChar(char Value);

  // Line control.
  void SetBreak();
  void ClearBreak();
  void SetDTR();
  void ClearDTR();
  void SetRTS();
  void ClearRTS();
  void SetXOn();
  void SetXOff();
  void ResetDevice();
  void PurgeInput();
  void PurgeOutput();
  void ClearInput();
  void ClearOutput();
  void AbortInput();
  void AbortOutput();
  void Flush();
  TLineErrors CheckLineErrors();
  void ClearLineErrors();

  // The configuration form on the port's settings; on OK they are taken back and applied (to an
  // open port at once). Returns whether OK was chosen.
  bool ConfigDialog();
  // The same form on the device's stored default configuration (see LoadDefaultConfig), which it
  // stores back on OK.
  bool DefaultConfigDialog();
  // The settings the line gets at open: the device's own values under the port's non-default
  // settings. ApplyConfig takes such settings back; the speed always becomes brCustom.
  TComConfig CurrentConfig();
  void ApplyConfig(const TComConfig& Config);

  // Events.
  const rtl::TNotifyEvent& AfterClose() const { return fAfterClose; }
  void SetAfterClose(const rtl::TNotifyEvent& v) { fAfterClose = v; }
  const rtl::TNotifyEvent& AfterOpen() const { return fAfterOpen; }
  void SetAfterOpen(const rtl::TNotifyEvent& v) { fAfterOpen = v; }
  const rtl::TNotifyEvent& BeforeClose() const { return fBeforeClose; }
  void SetBeforeClose(const rtl::TNotifyEvent& v) { fBeforeClose = v; }
  const rtl::TNotifyEvent& BeforeOpen() const { return fBeforeOpen; }
  void SetBeforeOpen(const rtl::TNotifyEvent& v) { fBeforeOpen = v; }
  const TComIOEvent& AfterRead() const { return fAfterRead; }
  void SetAfterRead(const TComIOEvent& v) { fAfterRead = v; }
  const TComIOEvent& AfterWrite() const { return fAfterWrite; }
  void SetAfterWrite(const TComIOEvent& v) { fAfterWrite = v; }
  const TComIOEvent& BeforeRead() const { return fBeforeRead; }
  void SetBeforeRead(const TComIOEvent& v) { fBeforeRead = v; }
  const TComIOEvent& BeforeWrite() const { return fBeforeWrite; }
  void SetBeforeWrite(const TComIOEvent& v) { fBeforeWrite = v; }
  const TComErrorEvent& OnError() const { return fOnError; }
  void SetOnError(const TComErrorEvent& v) { fOnError = v; }
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnBreak)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnCTSChange)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnDSRChange)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnEvent1)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnEvent2)
  CORV_COMPORT_EVENT(TComLineErrorEvent, OnLineError)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnPrinterError)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnRing)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnRLSDChange)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnRx80PercFull)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnRxChar)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnRxFlag)
  CORV_COMPORT_EVENT(rtl::TNotifyEvent, OnTxEmpty)

 public:
  // The event bits of the assigned handlers.
  uint32_t EventMask() const;

 protected:
  // Opens the device and applies every setting; on failure leaves the port closed.
  virtual void CreateHandle();
  void FreeHandle();
  void ApplyDCB();
  void ApplyBufferSizes();
  void ApplyEventMask();
  // Raises EComError after offering it to OnError; caAbort makes it a silent abort.
  [[noreturn]] void RaiseError(int Code, const std::string& Message);
  void Check(int Err);
  void CheckOpen();

 private:
  friend class TFlowControl;
  friend class TCharacters;
  friend class TBufferSizes;
  friend class TTimeouts;
  friend class TComThread;

  void SettingsChanged();
  void StartThread();
  void StopThread();
  void ReportWaitError(int Err);
  // The unsent end of the last write goes out as the line takes it: from the next write, or from
  // the event thread as soon as the line has room.
  bool FlushPending();
  int FlushPendingQuietly(bool& Empty);
  void UpdateDeviceMask();
  int ReadAvailable(char* Buffer, int Count, bool WaitOnCompletion);
  void WaitPendingOut(int Count);
  TLineErrors TakeLineErrors();
  // What a user is told when the device went away: which port, and what to do.
  std::string LostText() const;

  std::unique_ptr<serial::Device> fDevice;
  TComThread* fThread = nullptr;   // owned: joined, or left to free itself (see StopThread)
  rtl::TCriticalSection fOutLock;  // the pending output and the device's event mask
  std::string fPendingOut;         // the unsent end of the last write
  std::atomic<uint32_t> fHandlerMask{0};
  bool fStoredActive = false;
  int fWriting = 0;
  int fSavedPriority = 0;
  bool fPrioritySet = false;
  std::atomic<bool> fGoneReported{
      false};  // a loss of the device was reported since the port opened

  TBaudRate fBaudRate = brDefault;
  int fCustomBaudRate = 0;
  TDataBits fDataBits = dbDefault;
  TParity fParity = paDefault;
  TStopBits fStopBits = sbDefault;
  std::string fDeviceName = "COM2";
  TOptions fOptions;
  TPriorityClass fPriorityClass = pcDefault;
  bool fSynchronizeEvents = true;
  rtl::TThreadPriority fThreadPriority = rtl::tpTimeCritical;
  std::unique_ptr<TFlowControl> fFlowControl;
  std::unique_ptr<TCharacters> fCharacters;
  std::unique_ptr<TBufferSizes> fBufferSizes;
  std::unique_ptr<TTimeouts> fTimeouts;

  rtl::TNotifyEvent fAfterClose, fAfterOpen, fBeforeClose, fBeforeOpen;
  TComIOEvent fAfterRead, fAfterWrite, fBeforeRead, fBeforeWrite;
  TComErrorEvent fOnError;
};

#undef CORV_COMPORT_EVENT

class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
};

// Which port could not be opened and why: the name as set, its device, the system's reason.
std::string CannotOpenText(const TCustomComPort& port, const std::exception& e);
