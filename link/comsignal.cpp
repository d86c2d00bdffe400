#include "link/comsignal.h"

#include "platform/vcl/extctrls.h"

namespace {

using Getter = const rtl::TNotifyEvent& (TCustomComPort::*)() const;
using Setter = void (TCustomComPort::*)(const rtl::TNotifyEvent&);
struct NotifySlot {
  Getter get = nullptr;
  Setter set = nullptr;
  bool modem = false;  // the lamp follows the line's state instead of lighting
};

// The port handler a signal replaces, when it is a plain notification.
NotifySlot SlotOf(TSignal s) {
  switch (s) {
    case siBreak:
      return {&TCustomComPort::OnBreak, &TCustomComPort::SetOnBreak};
    case siRxChar:
      return {&TCustomComPort::OnRxChar, &TCustomComPort::SetOnRxChar};
    case siEvent1:
      return {&TCustomComPort::OnEvent1, &TCustomComPort::SetOnEvent1};
    case siEvent2:
      return {&TCustomComPort::OnEvent2, &TCustomComPort::SetOnEvent2};
    case siPrinterError:
      return {&TCustomComPort::OnPrinterError, &TCustomComPort::SetOnPrinterError};
    case siRx80PercFull:
      return {&TCustomComPort::OnRx80PercFull, &TCustomComPort::SetOnRx80PercFull};
    case siRxFlag:
      return {&TCustomComPort::OnRxFlag, &TCustomComPort::SetOnRxFlag};
    case siTxEmpty:
      return {&TCustomComPort::OnTxEmpty, &TCustomComPort::SetOnTxEmpty};
    case siCTS:
      return {&TCustomComPort::OnCTSChange, &TCustomComPort::SetOnCTSChange, true};
    case siDSR:
      return {&TCustomComPort::OnDSRChange, &TCustomComPort::SetOnDSRChange, true};
    case siRing:
      return {&TCustomComPort::OnRing, &TCustomComPort::SetOnRing, true};
    case siRLSD:
      return {&TCustomComPort::OnRLSDChange, &TCustomComPort::SetOnRLSDChange, true};
    default:
      return {};
  }
}

}  // namespace

TComSignal::TComSignal(rtl::TComponent* AOwner) : TComponent(AOwner) {
  fTimer = new vcl::TTimer(this);
  fTimer->SetEnabled(false);
  fTimer->SetInterval(static_cast<unsigned>(fDelay));
  fTimer->OnTimer = rtl::MakeEvent(this, &TComSignal::TimerTimer);
}

TComSignal::~TComSignal() {
  RestoreEvents();
}

std::string TComSignal::About() const {
  return "TComSignal 1.0";
}

void TComSignal::Loaded() {
  TComponent::Loaded();
  RetrieveEvents();
  UpdateSignalValue();
  UpdateColor();
}

void TComSignal::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == fComPort) {
    // The port is going away: its handlers go with it, so only the saved copies are dropped.
    fTimer->SetEnabled(false);
    ForgetSaved();
    fComPort = nullptr;
  }
  if (AComponent == fControl) fControl = nullptr;
}

void TComSignal::SetColorOff(vcl::TColor Value) {
  fColorOff = Value;
  UpdateColor();
}

void TComSignal::SetControl(vcl::TControl* Value) {
  if (fControl == Value) return;
  if (fControl != nullptr) fControl->RemoveFreeNotification(this);
  fControl = Value;
  if (fControl != nullptr) fControl->FreeNotification(this);
}

void TComSignal::SetDelay(int Value) {
  fDelay = Value;
  fTimer->SetInterval(static_cast<unsigned>(Value));
}

void TComSignal::SetComPort(TComPort* Value) {
  if (fComPort == Value) return;
  fTimer->SetEnabled(false);
  RestoreEvents();
  if (fComPort != nullptr) fComPort->RemoveFreeNotification(this);
  fComPort = Value;
  if (fComPort != nullptr) fComPort->FreeNotification(this);
  RetrieveEvents();
  UpdateSignalValue();
}

void TComSignal::RetrieveEvents() {
  if ((ComponentState() & (rtl::csLoading | rtl::csDesigning)) != 0 || fComPort == nullptr) return;
  // Hooking twice would save the lamp's own handler as the previous one, and the first event
  // would call itself for ever.
  if (fHooked == fComPort) return;
  RestoreEvents();
  TComPort& port = *fComPort;
  fHooked = fComPort;
  fHookedSignal = fSignal;
  fSavedAfterOpen = port.AfterOpen();
  port.SetAfterOpen(rtl::MakeEvent(this, &TComSignal::PortAfterOpen));
  fSavedAfterClose = port.AfterClose();
  port.SetAfterClose(rtl::MakeEvent(this, &TComSignal::PortAfterClose));
  if (const NotifySlot slot = SlotOf(fSignal); slot.get != nullptr) {
    fSavedNotify = (port.*slot.get)();
    (port.*slot.set)(slot.modem ? rtl::MakeEvent(this, &TComSignal::PortModem)
                                : rtl::MakeEvent(this, &TComSignal::PortNotify));
  } else if (fSignal == siLineError) {
    fSavedLineError = port.OnLineError();
    port.SetOnLineError(rtl::MakeEvent(this, &TComSignal::PortLineError));
  } else if (fSignal == siTxChar) {
    fSavedBeforeWrite = port.BeforeWrite();
    port.SetBeforeWrite(rtl::MakeEvent(this, &TComSignal::PortBeforeWrite));
    fSavedAfterWrite = port.AfterWrite();
    port.SetAfterWrite(rtl::MakeEvent(this, &TComSignal::PortAfterWrite));
  }
}

void TComSignal::RestoreEvents() {
  if (fHooked != nullptr) {
    TComPort& port = *fHooked;
    // A handler someone else put in since stays.
    auto restore = [](const auto& current, const auto& mine, const auto& saved, auto set) {
      if (current == mine) set(saved);
    };
    restore(port.AfterOpen(), rtl::MakeEvent(this, &TComSignal::PortAfterOpen), fSavedAfterOpen,
            [&](const rtl::TNotifyEvent& e) { port.SetAfterOpen(e); });
    restore(port.AfterClose(), rtl::MakeEvent(this, &TComSignal::PortAfterClose), fSavedAfterClose,
            [&](const rtl::TNotifyEvent& e) { port.SetAfterClose(e); });
    if (const NotifySlot slot = SlotOf(fHookedSignal); slot.get != nullptr) {
      const auto mine = slot.modem ? rtl::MakeEvent(this, &TComSignal::PortModem)
                                   : rtl::MakeEvent(this, &TComSignal::PortNotify);
      restore((port.*slot.get)(), mine, fSavedNotify,
              [&](const rtl::TNotifyEvent& e) { (port.*slot.set)(e); });
    } else if (fHookedSignal == siLineError) {
      restore(port.OnLineError(), rtl::MakeEvent(this, &TComSignal::PortLineError), fSavedLineError,
              [&](const TComLineErrorEvent& e) { port.SetOnLineError(e); });
    } else if (fHookedSignal == siTxChar) {
      restore(port.BeforeWrite(), rtl::MakeEvent(this, &TComSignal::PortBeforeWrite),
              fSavedBeforeWrite, [&](const TComIOEvent& e) { port.SetBeforeWrite(e); });
      restore(port.AfterWrite(), rtl::MakeEvent(this, &TComSignal::PortAfterWrite),
              fSavedAfterWrite, [&](const TComIOEvent& e) { port.SetAfterWrite(e); });
    }
  }
  ForgetSaved();
}

void TComSignal::ForgetSaved() {
  fHooked = nullptr;
  fHookedSignal = siNone;
  fSavedAfterOpen = fSavedAfterClose = fSavedNotify = nullptr;
  fSavedLineError = nullptr;
  fSavedBeforeWrite = fSavedAfterWrite = nullptr;
  fWriting = false;
}

void TComSignal::UpdateColor() {
  if (fControl == nullptr) return;
  const vcl::TColor c = fSignalValue ? fColorOn : fColorOff;
  // A shape shows its brush, not its Color.
  if (auto* shape = dynamic_cast<vcl::TShape*>(fControl))
    shape->Brush()->SetColor(c);
  else
    fControl->SetColor(c);
}

void TComSignal::UpdateSignalValue() {
  bool value = false;
  if (fComPort != nullptr && fComPort->Active()) {
    auto line = [&](TModemStatusValue v) { return fComPort->ModemStatus().Contains(v); };
    switch (fSignal) {
      case siCTS:
        value = line(msCTS);
        break;
      case siDSR:
        value = line(msDSR);
        break;
      case siRing:
        value = line(msRing);
        break;
      case siRLSD:
        value = line(msRLSD);
        break;
      default:
        break;
    }
  }
  SetSignalValue(value);
}

void TComSignal::SetSignalValue(bool Value) {
  if (fSignalValue == Value) return;
  fSignalValue = Value;
  UpdateColor();
  if (OnSignal) OnSignal(this);
}

void TComSignal::Light() {
  SetSignalValue(true);
  fTimer->SetEnabled(false);
  fTimer->SetEnabled(true);
}

void TComSignal::PortAfterOpen(rtl::TObject* Sender) {
  UpdateSignalValue();
  if (fSavedAfterOpen) fSavedAfterOpen(Sender);
}

void TComSignal::PortAfterClose(rtl::TObject* Sender) {
  UpdateSignalValue();
  if (fSavedAfterClose) fSavedAfterClose(Sender);
}

void TComSignal::PortNotify(rtl::TObject* Sender) {
  Light();
  if (fSavedNotify) fSavedNotify(Sender);
}

void TComSignal::PortLineError(rtl::TObject* Sender, TLineErrors Errors) {
  Light();
  if (fSavedLineError) fSavedLineError(Sender, Errors);
}

void TComSignal::PortModem(rtl::TObject* Sender) {
  UpdateSignalValue();
  if (fSavedNotify) fSavedNotify(Sender);
}

void TComSignal::PortBeforeWrite(rtl::TObject* Sender, const void* Buffer, int Count, bool Wait) {
  SetSignalValue(true);
  fWriting = true;
  fTimer->SetEnabled(false);
  fTimer->SetEnabled(true);
  if (fSavedBeforeWrite) fSavedBeforeWrite(Sender, Buffer, Count, Wait);
}

void TComSignal::PortAfterWrite(rtl::TObject* Sender, const void* Buffer, int Count, bool Wait) {
  fWriting = false;
  if (fSavedAfterWrite) fSavedAfterWrite(Sender, Buffer, Count, Wait);
}

void TComSignal::TimerTimer(rtl::TObject*) {
  // A write that raised never reached AfterWrite: the flag ends with the write all the same.
  if (fWriting && (fComPort == nullptr || !fComPort->Writing())) fWriting = false;
  if (fSignal == siTxChar && fWriting) return;
  fTimer->SetEnabled(false);
  SetSignalValue(false);
}
