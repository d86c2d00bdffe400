#include "link/comport.h"

#include <sys/resource.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <system_error>
#include <vector>

#include "link/comthread.h"
#include "platform/serial/device.h"
#include "platform/serial/names.h"

namespace {

constexpr const char* kClosedPort = "Can't perform this operation on a closed port";
constexpr const char* kOpenPort = "Can't perform this operation on an open port";
constexpr const char* kNoThread = "Can't create thread";
constexpr const char* kTimeout = "Timeout";

constexpr int kBaudValues[] = {0,     50,    75,    110,   150,   300,    600,    1200,   1800,
                               2000,  2400,  3600,  4800,  7200,  9600,   10400,  14400,  15625,
                               19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000, 0};

// Nice values standing for the process classes (idle, normal, high, real time).
constexpr int kNice[] = {0, 19, 0, -10, -20};

// Why "COMn" cannot be opened when the machine has fewer serial devices than n, and which it has:
// the system's "No such file or directory" would leave the user guessing.
std::optional<std::string> NoSuchPortText(const std::string& name) {
  if (!serial::ComNumber(name)) return std::nullopt;
  const std::vector<std::string> devices = serial::ComDevices();
  if (serial::MapName(name, devices)) return std::nullopt;
  if (devices.empty())
    return "there is no such port on this machine, and no serial devices were found";
  const std::vector<std::string> names = serial::ComNames(devices);
  std::string found;
  for (size_t i = 0; i < devices.size(); ++i)
    found += (i == 0 ? "" : ", ") + names[i] + " (" + devices[i] + ")";
  return "there is no such port on this machine; serial devices found: " + found;
}

}  // namespace

int BaudRateValue(TBaudRate rate) {
  return kBaudValues[rate];
}

void EnumDevices(rtl::TStrings& List) {
  const auto devices = serial::ComDevices();
  for (const auto& name : serial::ComNames(devices)) List.Add(name);
  for (const auto& path : devices) List.Add(path);
}

void EnumComDevices(rtl::TStrings& List) {
  rtl::TStringList all;
  EnumDevices(all);
  for (int i = 0; i < all.Count(); ++i) {
    const std::string name = all[i];
    if (name.rfind("COM", 0) == 0 || name.rfind(R"(\\.\COM)", 0) == 0) List.Add(name);
  }
}

// ---- sub-objects ----------------------------------------------------------------------------

#define CORV_SETTER(Class, Name, Type, field, apply) \
  void Class::Set##Name(Type v) {                    \
    if (field == v) return;                          \
    field = v;                                       \
    port_->apply();                                  \
  }

CORV_SETTER(TFlowControl, DTR, TDTRControl, dtr_, SettingsChanged)
CORV_SETTER(TFlowControl, RTS, TRTSControl, rts_, SettingsChanged)
CORV_SETTER(TFlowControl, XOnXOff, TXOnXOffControl, xon_, SettingsChanged)
CORV_SETTER(TFlowControl, XOnLimit, int, xonLimit_, SettingsChanged)
CORV_SETTER(TFlowControl, XOffLimit, int, xoffLimit_, SettingsChanged)
CORV_SETTER(TCharacters, XOn, char, xon_, SettingsChanged)
CORV_SETTER(TCharacters, XOff, char, xoff_, SettingsChanged)
CORV_SETTER(TCharacters, Error, char, error_, SettingsChanged)
CORV_SETTER(TCharacters, Eof, char, eof_, SettingsChanged)
CORV_SETTER(TCharacters, Event, char, event_, SettingsChanged)
CORV_SETTER(TBufferSizes, Input, int, input_, ApplyBufferSizes)
CORV_SETTER(TBufferSizes, Output, int, output_, ApplyBufferSizes)
#undef CORV_SETTER

// Reads take their timeouts at the time of each read: nothing to apply.
void TTimeouts::SetReadInterval(int v) {
  readInterval_ = v;
}
void TTimeouts::SetReadMultiplier(int v) {
  readMultiplier_ = v;
}
void TTimeouts::SetReadConstant(int v) {
  readConstant_ = v;
}
void TTimeouts::SetWriteMultiplier(int v) {
  writeMultiplier_ = v;
}
void TTimeouts::SetWriteConstant(int v) {
  writeConstant_ = v;
}

void TFlowControl::Assign(const rtl::TPersistent* Source) {
  auto* s = dynamic_cast<const TFlowControl*>(Source);
  if (!s) return rtl::TPersistent::Assign(Source);
  dtr_ = s->dtr_;
  rts_ = s->rts_;
  xon_ = s->xon_;
  xonLimit_ = s->xonLimit_;
  xoffLimit_ = s->xoffLimit_;
  port_->SettingsChanged();
}

void TCharacters::Assign(const rtl::TPersistent* Source) {
  auto* s = dynamic_cast<const TCharacters*>(Source);
  if (!s) return rtl::TPersistent::Assign(Source);
  xon_ = s->xon_;
  xoff_ = s->xoff_;
  error_ = s->error_;
  eof_ = s->eof_;
  event_ = s->event_;
  port_->SettingsChanged();
}

void TBufferSizes::Assign(const rtl::TPersistent* Source) {
  auto* s = dynamic_cast<const TBufferSizes*>(Source);
  if (!s) return rtl::TPersistent::Assign(Source);
  input_ = s->input_;
  output_ = s->output_;
  port_->ApplyBufferSizes();
}

void TTimeouts::Assign(const rtl::TPersistent* Source) {
  auto* s = dynamic_cast<const TTimeouts*>(Source);
  if (!s) return rtl::TPersistent::Assign(Source);
  readInterval_ = s->readInterval_;
  readMultiplier_ = s->readMultiplier_;
  readConstant_ = s->readConstant_;
  writeMultiplier_ = s->writeMultiplier_;
  writeConstant_ = s->writeConstant_;
}

// ---- the port -------------------------------------------------------------------------------

TCustomComPort::TCustomComPort(rtl::TComponent* AOwner)
    : rtl::TComponent(AOwner),
      fFlowControl(std::make_unique<TFlowControl>(this)),
      fCharacters(std::make_unique<TCharacters>(this)),
      fBufferSizes(std::make_unique<TBufferSizes>(this)),
      fTimeouts(std::make_unique<TTimeouts>(this)) {}

TCustomComPort::~TCustomComPort() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; the handle is released by FreeHandle regardless.
  }
  FreeHandle();
}

void TCustomComPort::Loaded() {
  rtl::TComponent::Loaded();
  if (fStoredActive) Open();
}

std::string TCustomComPort::About() const {
  return "TComPort 1.0 (Corvatalen serial line)";
}

bool TCustomComPort::Active() const {
  return fDevice != nullptr;
}

void TCustomComPort::SetActive(bool Value) {
  if (ComponentState() & rtl::csLoading) {
    fStoredActive = Value;
    return;
  }
  if (Value)
    Open();
  else
    Close();
}

void TCustomComPort::Open() {
  if (Active()) return;
  if (fBeforeOpen) fBeforeOpen(this);
  CreateHandle();
  if (Active() && fAfterOpen) fAfterOpen(this);
}

void TCustomComPort::Close() {
  if (!rtl::IsMainThread()) {
    // Handlers running on the event thread: the close belongs to the GUI thread.
    if (auto* thread = dynamic_cast<TComThread*>(rtl::TThread::CurrentThread())) {
      thread->OnGuiThread([this] { Close(); });
      return;
    }
  }
  if (!Active()) return;
  if (fBeforeClose) fBeforeClose(this);
  FreeHandle();
  if (!Active() && fAfterClose) fAfterClose(this);
}

void TCustomComPort::CreateHandle() {
  FreeHandle();
  fGoneReported = false;
  try {
    if (fPriorityClass != pcDefault) {
      errno = 0;
      fSavedPriority = getpriority(PRIO_PROCESS, 0);
      // Best effort: raising the priority needs the system's permission.
      fPrioritySet = setpriority(PRIO_PROCESS, 0, kNice[fPriorityClass]) == 0;
    }
    int err = 0;
    fDevice = serial::Open(fDeviceName, err);
    if (!fDevice && err == ENOENT)
      if (const auto text = NoSuchPortText(fDeviceName)) RaiseError(err, *text);
    Check(err);
    PurgeInput();
    PurgeOutput();
    ApplyBufferSizes();
    ApplyDCB();
    ApplyEventMask();
  } catch (...) {
    FreeHandle();
    throw;
  }
}

void TCustomComPort::FreeHandle() {
  StopThread();
  if (fDevice) {
    bool empty = false;
    FlushPendingQuietly(empty);  // a last chance for the end of the last write, without waiting
    fPendingOut.clear();
    fDevice.reset();
  }
  if (fPrioritySet) {
    setpriority(PRIO_PROCESS, 0, fSavedPriority);
    fPrioritySet = false;
  }
}

void TCustomComPort::StartThread() {
  try {
    fThread = new TComThread(this, fDevice.get());
    fThread->SetPriority(fThreadPriority);
    fThread->Start();
  } catch (const std::system_error&) {
    delete fThread;
    fThread = nullptr;
    RaiseError(0, kNoThread);
  }
}

void TCustomComPort::StopThread() {
  TComThread* thread = std::exchange(fThread, nullptr);
  if (!thread) return;
  if (thread->InGuiCall() || rtl::TThread::CurrentThread() == thread) {
    // The thread waits for the call we are in: it cannot be joined now. It sees Terminated when
    // the call returns and touches nothing of ours; the GUI thread joins it afterwards.
    thread->ReapWhenDone();
    thread->Terminate();
    return;
  }
  thread->Terminate();
  if (fDevice) fDevice->Wake();
  thread->WaitFor();
  delete thread;
}

uint32_t TCustomComPort::EventMask() const {
  uint32_t mask = 0;
  if (fOnBreak) mask |= serial::evBreak;
  if (fOnCTSChange) mask |= serial::evCTS;
  if (fOnDSRChange) mask |= serial::evDSR;
  if (fOnLineError) mask |= serial::evError;
  if (fOnEvent1) mask |= serial::evEvent1;
  if (fOnEvent2) mask |= serial::evEvent2;
  if (fOnPrinterError) mask |= serial::evPrinterError;
  if (fOnRing) mask |= serial::evRing;
  if (fOnRLSDChange) mask |= serial::evRLSD;
  if (fOnRx80PercFull) mask |= serial::evRx80Full;
  if (fOnRxChar) mask |= serial::evRxChar;
  if (fOnRxFlag) mask |= serial::evRxFlag;
  if (fOnTxEmpty) mask |= serial::evTxEmpty;
  return mask;
}

void TCustomComPort::ApplyEventMask() {
  if (!Active()) return;
  const uint32_t mask = EventMask();
  if (mask == 0) StopThread();
  fHandlerMask = mask;
  UpdateDeviceMask();
  if (mask != 0 && !fThread) StartThread();
}

void TCustomComPort::UpdateDeviceMask() {
  rtl::TCriticalSection::Guard lock(fOutLock);
  fDevice->SetEventMask(fHandlerMask | (fPendingOut.empty() ? 0 : serial::evWritable));
}

void TCustomComPort::ApplyBufferSizes() {
  if (Active()) fDevice->SetQueueSizes(fBufferSizes->Input(), fBufferSizes->Output());
}

void TCustomComPort::SettingsChanged() {
  if (Active()) ApplyDCB();
}

void TCustomComPort::ApplyDCB() {
  serial::LineSettings s;
  Check(fDevice->GetSettings(s));
  if (fBaudRate == brCustom)
    s.baud = fCustomBaudRate;
  else if (fBaudRate != brDefault)
    s.baud = BaudRateValue(fBaudRate);
  if (fDataBits != dbDefault) s.dataBits = 3 + fDataBits;  // db4 -> 4 ... db8 -> 8
  if (fParity != paDefault) s.parity = static_cast<serial::Parity>(fParity - paNone);
  if (fStopBits != sbDefault) s.stopBits = static_cast<serial::StopBits>(fStopBits - sb1);
  const TRTSControl rts = fFlowControl->RTS();
  const bool ctsFlow = fOptions.Contains(opOutputCTSFlow);
  if (rts != rcDefault || ctsFlow) s.rtsCts = ctsFlow || rts == rcHandshake;
  switch (fFlowControl->XOnXOff()) {
    case xcDefault:
      break;
    case xcDisable:
      s.xonInput = s.xonOutput = false;
      break;
    case xcInput:
      s.xonInput = true, s.xonOutput = false;
      break;
    case xcOutput:
      s.xonInput = false, s.xonOutput = true;
      break;
    case xcInputOutput:
      s.xonInput = s.xonOutput = true;
      break;
  }
  s.checkParity = fOptions.Contains(opCheckParity);
  s.xonChar = fCharacters->XOn();
  s.xoffChar = fCharacters->XOff();
  s.eventChar = fCharacters->Event();
  Check(fDevice->SetSettings(s));

  int on = 0, off = 0;
  switch (fFlowControl->DTR()) {
    case dcDefault:
      break;
    case dcDisable:
      off |= serial::lineDTR;
      break;
    case dcEnable:
    case dcHandshake:
      on |= serial::lineDTR;
      break;
  }
  switch (rts) {
    case rcDisable:
      off |= serial::lineRTS;
      break;
    case rcEnable:
      on |= serial::lineRTS;
      break;
    default:
      break;  // handshake: the driver drives RTS; toggle: not on Linux
  }
  Check(fDevice->SetLines(on, off));
}

#define CORV_LINE_SETTER(Name, Type, field)    \
  void TCustomComPort::Set##Name(Type Value) { \
    if (field == Value) return;                \
    field = Value;                             \
    SettingsChanged();                         \
  }
CORV_LINE_SETTER(BaudRate, TBaudRate, fBaudRate)
CORV_LINE_SETTER(CustomBaudRate, int, fCustomBaudRate)
CORV_LINE_SETTER(DataBits, TDataBits, fDataBits)
CORV_LINE_SETTER(Parity, TParity, fParity)
CORV_LINE_SETTER(StopBits, TStopBits, fStopBits)
CORV_LINE_SETTER(Options, TOptions, fOptions)
#undef CORV_LINE_SETTER

void TCustomComPort::SetDeviceName(const std::string& Value) {
  if (Value == fDeviceName) return;
  if (Active()) RaiseError(0, kOpenPort);
  fDeviceName = Value;
}

void TCustomComPort::SetPriorityClass(TPriorityClass Value) {
  if (Value == fPriorityClass) return;
  if (Active()) RaiseError(0, kOpenPort);
  fPriorityClass = Value;
}

void TCustomComPort::SetSynchronizeEvents(bool Value) {
  if (Value == fSynchronizeEvents) return;
  if (Active()) RaiseError(0, kOpenPort);
  fSynchronizeEvents = Value;
}

// ---- errors ---------------------------------------------------------------------------------

void TCustomComPort::RaiseError(int Code, const std::string& Message) {
  EComError error(Code, Message);
  TComAction action = caFail;
  if (fOnError) fOnError(this, error, action);
  if (action == caAbort) throw rtl::EAbort("Operation aborted");
  throw error;
}

namespace {

// Errors of a device that has gone (the far end hung up, the adapter was pulled).
bool DeviceGone(int Err) {
  return Err == EIO || Err == ENXIO || Err == ENODEV;
}

}  // namespace

std::string TCustomComPort::PortText() const {
  std::string path;
  if (fDevice)
    path = fDevice->Path();
  else if (const auto mapped = serial::MapName(fDeviceName))
    path = *mapped;
  return path.empty() || path == fDeviceName ? fDeviceName : fDeviceName + " (" + path + ")";
}

std::string CannotOpenText(const TCustomComPort& port, const std::exception& e) {
  return "Cannot open comport " + port.PortText() + ": " + e.what();
}

std::string TCustomComPort::LostText() const {
  return "The connection to " + PortText() + " was lost. Check the cable, then press OK in Comms.";
}

void TCustomComPort::Check(int Err) {
  if (Err == 0) return;
  // Only a device that was open can be lost; one that cannot be opened says why.
  if (DeviceGone(Err) && fDevice) {
    fGoneReported = true;
    RaiseError(Err, LostText());
  }
  RaiseError(Err, serial::ErrorText(Err));
}

void TCustomComPort::CheckOpen() {
  if (!Active()) RaiseError(0, kClosedPort);
}

void TCustomComPort::ReportWaitError(int Err) {
  // A failed wait does not come back (an unplugged adapter): report it once and close. A read or
  // write of a handler may have met the same loss just before: then the close is all that is left.
  std::exception_ptr error;
  try {
    if (!(fGoneReported && DeviceGone(Err))) Check(Err);
  } catch (...) {
    error = std::current_exception();
  }
  Close();
  if (error) std::rethrow_exception(error);
}

// ---- reading --------------------------------------------------------------------------------

TLineErrors TCustomComPort::TakeLineErrors() {
  uint32_t bits = 0;
  Check(fDevice->TakeLineErrors(bits));
  TLineErrors errors;
  if (bits & serial::ceBreak) errors.Include(leBreak);
  if (bits & serial::ceFrame) errors.Include(leFrame);
  if (bits & serial::ceOverrun) errors.Include(leOverrun);
  if (bits & serial::ceRxOver) errors.Include(leRxOverflow);
  if (bits & serial::ceParity) errors.Include(leParity);
  return errors;
}

TLineErrors TCustomComPort::CheckLineErrors() {
  CheckOpen();
  TLineErrors errors = TakeLineErrors();
  if (!errors.Empty() && fOnLineError) fOnLineError(this, errors);
  return errors;
}

void TCustomComPort::ClearLineErrors() {
  CheckOpen();
  TakeLineErrors();
}

int TCustomComPort::InputCount() {
  CheckOpen();
  int count = 0;
  Check(fDevice->InputCount(count));
  if (fOnLineError) CheckLineErrors();
  return count;
}

int TCustomComPort::ReadAvailable(char* Buffer, int Count, bool WaitOnCompletion) {
  using Clock = std::chrono::steady_clock;
  const int interval = fTimeouts->ReadInterval();
  const int total = fTimeouts->ReadMultiplier() * Count + fTimeouts->ReadConstant();
  const bool atOnce = interval == -1 && total == 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(total);
  int got = 0;
  for (;;) {
    size_t done = 0;
    Check(fDevice->Read(Buffer + got, static_cast<size_t>(Count - got), done));
    got += static_cast<int>(done);
    if (got == Count || !WaitOnCompletion) return got;
    if (atOnce) break;  // short, as a timed-out read is: ReadUntil must not spin on nothing
    int waitMs = -1;
    if (total > 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      waitMs = static_cast<int>(left);
    }
    if (interval > 0 && got > 0 && (waitMs < 0 || interval < waitMs)) waitMs = interval;
    const int err = fDevice->WaitIo(false, waitMs);
    if (err == ETIMEDOUT) {
      if (interval > 0 && got > 0 && waitMs == interval) break;
      continue;
    }
    Check(err);
  }
  RaiseError(0, kTimeout);
}

int TCustomComPort::Read(void* Buffer, int Count, bool WaitOnCompletion) {
  CheckOpen();
  if (fBeforeRead) fBeforeRead(this, Buffer, Count, WaitOnCompletion);
  const int got =
      Count > 0 ? ReadAvailable(static_cast<char*>(Buffer), Count, WaitOnCompletion) : 0;
  if (fOnLineError) CheckLineErrors();
  if (fAfterRead) fAfterRead(this, Buffer, Count, WaitOnCompletion);
  return got;
}

char TCustomComPort::ReadChar() {
  char c = 0;
  Read(&c, 1, true);
  return c;
}

uint8_t TCustomComPort::ReadByte() {
  return static_cast<uint8_t>(ReadChar());
}

uint16_t TCustomComPort::ReadWord() {
  uint16_t v = 0;
  Read(&v, sizeof v, true);
  return v;
}

uint32_t TCustomComPort::ReadDWord() {
  uint32_t v = 0;
  Read(&v, sizeof v, true);
  return v;
}

std::string TCustomComPort::ReadString() {
  std::string s(static_cast<size_t>(InputCount()), '\0');
  if (!s.empty()) s.resize(static_cast<size_t>(Read(s.data(), static_cast<int>(s.size()), true)));
  return s;
}

std::string TCustomComPort::ReadUntil(char StopChar) {
  std::string s;
  do {
    s += ReadChar();
  } while (s.back() != StopChar);
  return s;
}

std::string TCustomComPort::ReadLine() {
  return ReadUntil('\r');
}

// ---- writing --------------------------------------------------------------------------------

int TCustomComPort::FlushPendingQuietly(bool& Empty) {
  rtl::TCriticalSection::Guard lock(fOutLock);
  Empty = true;
  if (fPendingOut.empty()) return 0;
  size_t done = 0;
  const int err = fDevice->Write(fPendingOut.data(), fPendingOut.size(), done);
  fPendingOut.erase(0, done);
  Empty = fPendingOut.empty();
  if (Empty) UpdateDeviceMask();
  return err;
}

bool TCustomComPort::FlushPending() {
  bool empty = false;
  Check(FlushPendingQuietly(empty));
  return empty;
}

void TCustomComPort::WaitPendingOut(int Count) {
  using Clock = std::chrono::steady_clock;
  const int total = fTimeouts->WriteMultiplier() * Count + fTimeouts->WriteConstant();
  const auto deadline = Clock::now() + std::chrono::milliseconds(total);
  while (!FlushPending()) {
    int waitMs = -1;
    if (total > 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) RaiseError(0, kTimeout);
      waitMs = static_cast<int>(left);
    }
    const int err = fDevice->WaitIo(true, waitMs);
    if (err != ETIMEDOUT) Check(err);
  }
}

int TCustomComPort::OutputCount() {
  CheckOpen();
  int count = 0;
  Check(fDevice->OutputCount(count));
  if (fOnLineError) CheckLineErrors();
  rtl::TCriticalSection::Guard lock(fOutLock);
  return count + static_cast<int>(fPendingOut.size());
}

int TCustomComPort::Write(const void* Buffer, int Count, bool WaitOnCompletion) {
  CheckOpen();
  struct InWrite {
    int& depth;
    explicit InWrite(int& d) : depth(d) { ++depth; }
    ~InWrite() { --depth; }
  } inWrite(fWriting);
  if (fBeforeWrite) fBeforeWrite(this, Buffer, Count, WaitOnCompletion);
  int accepted = 0;
  if (Count > 0 && (WaitOnCompletion ? (WaitPendingOut(0), true) : FlushPending())) {
    // The line is free: what the driver does not take now follows before any later write.
    int err = 0;
    {
      rtl::TCriticalSection::Guard lock(fOutLock);
      size_t done = 0;
      err = fDevice->Write(Buffer, static_cast<size_t>(Count), done);
      fPendingOut.assign(static_cast<const char*>(Buffer) + done,
                         static_cast<size_t>(Count) - done);
      if (!fPendingOut.empty()) UpdateDeviceMask();
    }
    Check(err);
    accepted = Count;
    if (WaitOnCompletion) WaitPendingOut(Count);
  }
  if (fAfterWrite) fAfterWrite(this, Buffer, Count, WaitOnCompletion);
  return accepted;
}

void TCustomComPort::WriteChar(char Value) {
  Write(&Value, 1, false);
}
void TCustomComPort::WriteByte(uint8_t Value) {
  Write(&Value, 1, false);
}
void TCustomComPort::WriteWord(uint16_t Value) {
  Write(&Value, sizeof Value, false);
}
void TCustomComPort::WriteDWord(uint32_t Value) {
  Write(&Value, sizeof Value, false);
}
void TCustomComPort::WriteString(const std::string& Value) {
  Write(Value.data(), static_cast<int>(Value.size()), false);
}

void TCustomComPort::TransmitChar(char Value) {
  CheckOpen();
  size_t done = 0;
  Check(fDevice->Write(&Value, 1, done));
  if (done != 1) RaiseError(0, kTimeout);
}

// ---- line control ---------------------------------------------------------------------------

void TCustomComPort::SetBreak() {
  CheckOpen();
  Check(fDevice->SetBreak(true));
}
void TCustomComPort::ClearBreak() {
  CheckOpen();
  Check(fDevice->SetBreak(false));
}
void TCustomComPort::SetDTR() {
  CheckOpen();
  Check(fDevice->SetLines(serial::lineDTR, 0));
}
void TCustomComPort::ClearDTR() {
  CheckOpen();
  Check(fDevice->SetLines(0, serial::lineDTR));
}
void TCustomComPort::SetRTS() {
  CheckOpen();
  Check(fDevice->SetLines(serial::lineRTS, 0));
}
void TCustomComPort::ClearRTS() {
  CheckOpen();
  Check(fDevice->SetLines(0, serial::lineRTS));
}
void TCustomComPort::SetXOn() {
  CheckOpen();
  Check(fDevice->FlowOutput(true));
}
void TCustomComPort::SetXOff() {
  CheckOpen();
  Check(fDevice->FlowOutput(false));
}
void TCustomComPort::ResetDevice() {
  CheckOpen();
}  // no printer reset on a serial line

void TCustomComPort::PurgeInput() {
  CheckOpen();
  Check(fDevice->Purge(true, false));
}
void TCustomComPort::PurgeOutput() {
  CheckOpen();
  {
    rtl::TCriticalSection::Guard lock(fOutLock);
    fPendingOut.clear();
    UpdateDeviceMask();
  }
  Check(fDevice->Purge(false, true));
}
void TCustomComPort::ClearInput() {
  PurgeInput();
}
void TCustomComPort::ClearOutput() {
  PurgeOutput();
}
void TCustomComPort::AbortInput() {
  PurgeInput();
}
void TCustomComPort::AbortOutput() {
  PurgeOutput();
}

void TCustomComPort::Flush() {
  CheckOpen();
  WaitPendingOut(0);
  Check(fDevice->Drain());
}

TModemStatus TCustomComPort::ModemStatus() {
  CheckOpen();
  uint32_t bits = 0;
  Check(fDevice->ModemStatus(bits));
  TModemStatus status;
  if (bits & serial::msCTSOn) status.Include(msCTS);
  if (bits & serial::msDSROn) status.Include(msDSR);
  if (bits & serial::msRingOn) status.Include(msRing);
  if (bits & serial::msRLSDOn) status.Include(msRLSD);
  return status;
}
