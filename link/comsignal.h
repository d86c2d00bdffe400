#pragma once
// A signal lamp: colours a control while one signal of a serial port is active. It puts its own
// handler in front of the port's handler for that signal and calls the previous one afterwards,
// so the application's handlers keep working behind it.
#include <string>

#include "link/comport.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/timer.h"

enum TSignal {
  siNone,
  siBreak,
  siRxChar,
  siTxChar,
  siCTS,
  siDSR,
  siEvent1,
  siEvent2,
  siLineError,
  siPrinterError,
  siRing,
  siRLSD,
  siRx80PercFull,
  siRxFlag,
  siTxEmpty
};

class TComSignal : public rtl::TComponent {
 public:
  explicit TComSignal(rtl::TComponent* AOwner);
  ~TComSignal() override;

  void Loaded() override;

  std::string About() const;
  void SetAbout(const std::string&) {}
  vcl::TColor ColorOff() const { return fColorOff; }
  void SetColorOff(vcl::TColor Value);
  vcl::TColor ColorOn() const { return fColorOn; }
  void SetColorOn(vcl::TColor Value) { fColorOn = Value; }
  TComPort* ComPort() const { return fComPort; }
  void SetComPort(TComPort* Value);
  vcl::TControl* Control() const { return fControl; }
  void SetControl(vcl::TControl* Value);
  int Delay() const { return fDelay; }
  void SetDelay(int Value);
  TSignal Signal() const { return fSignal; }
  // Stored only: the hooks move at Loaded or when ComPort is set.
  void SetSignal(TSignal Value) { fSignal = Value; }
  bool SignalValue() const { return fSignalValue; }

  rtl::TNotifyEvent OnSignal;

  // Installs the hooks on ComPort; a port already hooked by this lamp is left as it is.
  void RetrieveEvents();
  // Puts back each saved handler the port still has from this lamp, then forgets them all.
  void RestoreEvents();

 protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

 private:
  void UpdateColor();
  void UpdateSignalValue();
  void SetSignalValue(bool Value);
  void Light();
  void ForgetSaved();

  // The lamp's handlers.
  void PortAfterOpen(rtl::TObject* Sender);
  void PortAfterClose(rtl::TObject* Sender);
  void PortNotify(rtl::TObject* Sender);
  void PortLineError(rtl::TObject* Sender, TLineErrors Errors);
  void PortModem(rtl::TObject* Sender);
  void PortBeforeWrite(rtl::TObject* Sender, const void* Buffer, int Count, bool Wait);
  void PortAfterWrite(rtl::TObject* Sender, const void* Buffer, int Count, bool Wait);
  void TimerTimer(rtl::TObject* Sender);

  vcl::TColor fColorOff = gdi::clGreen;
  vcl::TColor fColorOn = gdi::clLime;
  TComPort* fComPort = nullptr;
  vcl::TControl* fControl = nullptr;
  int fDelay = 100;
  TSignal fSignal = siNone;
  bool fSignalValue = false;
  bool fWriting = false;
  vcl::TTimer* fTimer;  // owned by the lamp

  // The port the hooks are on, the signal they were made for, and the handlers they replaced.
  TComPort* fHooked = nullptr;
  TSignal fHookedSignal = siNone;
  rtl::TNotifyEvent fSavedAfterOpen, fSavedAfterClose, fSavedNotify;
  TComLineErrorEvent fSavedLineError;
  TComIOEvent fSavedBeforeWrite, fSavedAfterWrite;
};
