#include "link/comconfig.h"

#include <memory>

#include "link/comconfigform.h"
#include "platform/rtl/registry.h"
#include "platform/serial/device.h"
#include "platform/vcl/dialogs.h"

namespace {

constexpr const char* kDefaultsKey = "\\Software\\Corvatalen\\Serial ports\\";
constexpr int kMaxBaud = 4000000;

// A device path is one key: its separators must not open subkeys.
std::string DefaultsKey(const std::string& device) {
  std::string key = kDefaultsKey;
  for (char ch : device) key += ch == '\\' ? '/' : ch;
  return key;
}

// An integer value of the open key within [lo, hi], or the fallback.
int ReadInRange(rtl::TRegistry& reg, const char* name, int lo, int hi, int fallback) {
  if (!reg.ValueExists(name)) return fallback;
  try {
    const int v = reg.ReadInteger(name);
    return v >= lo && v <= hi ? v : fallback;
  } catch (const rtl::ERegistryException&) {
    return fallback;
  }
}

TComConfig FromLine(const std::string& device, const serial::LineSettings& s) {
  TComConfig c;
  c.DeviceName = device;
  c.BaudRate = s.baud;
  if (s.dataBits >= 5 && s.dataBits <= 8) c.DataBits = static_cast<TDataBits>(s.dataBits - 3);
  c.Parity = static_cast<TParity>(paNone + static_cast<int>(s.parity));
  c.StopBits = static_cast<TStopBits>(sb1 + static_cast<int>(s.stopBits));
  c.Flow = s.rtsCts ? cfHardware : (s.xonInput || s.xonOutput) ? cfXOnXOff : cfNone;
  return c;
}

int RunConfigForm(TComConfigForm& form) {
  vcl::TDialogRequest request;
  request.Kind = "Form";
  request.Caption = form.Caption();
  return vcl::RunDialog(&form, request);
}

}  // namespace

TComConfig LoadDefaultConfig(const std::string& DeviceName) {
  TComConfig c;
  c.DeviceName = DeviceName;
  rtl::TRegistry reg;
  if (!reg.OpenKeyReadOnly(DefaultsKey(DeviceName))) return c;
  c.BaudRate = ReadInRange(reg, "BaudRate", 1, kMaxBaud, c.BaudRate);
  c.DataBits = static_cast<TDataBits>(db5 + ReadInRange(reg, "DataBits", 5, 8, 8) - 5);
  c.Parity = static_cast<TParity>(paNone + ReadInRange(reg, "Parity", 0, 4, 0));
  c.StopBits = static_cast<TStopBits>(sb1 + ReadInRange(reg, "StopBits", 0, 2, 0));
  c.Flow = static_cast<TComFlow>(ReadInRange(reg, "FlowControl", cfNone, cfHardware, cfNone));
  return c;
}

void StoreDefaultConfig(const TComConfig& Config) {
  rtl::TRegistry reg;
  if (!reg.OpenKey(DefaultsKey(Config.DeviceName), true))
    throw rtl::ERegistryException("Cannot store the default settings of " + Config.DeviceName);
  reg.WriteInteger("BaudRate", Config.BaudRate);
  reg.WriteInteger("DataBits", Config.DataBits - db5 + 5);
  reg.WriteInteger("Parity", Config.Parity - paNone);
  reg.WriteInteger("StopBits", Config.StopBits - sb1);
  reg.WriteInteger("FlowControl", Config.Flow);
}

// The device's values (an open port's line, else the stored default) with the port's own
// settings over them, as they reach the line at open.
TComConfig TCustomComPort::CurrentConfig() {
  TComConfig c;
  if (Active()) {
    serial::LineSettings s;
    Check(fDevice->GetSettings(s));
    c = FromLine(fDeviceName, s);
  } else {
    c = LoadDefaultConfig(fDeviceName);
  }
  if (fBaudRate == brCustom)
    c.BaudRate = fCustomBaudRate;
  else if (fBaudRate != brDefault)
    c.BaudRate = BaudRateValue(fBaudRate);
  if (fDataBits >= db5) c.DataBits = fDataBits;  // 4 bits: the line keeps its own
  if (fParity != paDefault) c.Parity = fParity;
  if (fStopBits != sbDefault) c.StopBits = fStopBits;
  const TRTSControl rts = fFlowControl->RTS();
  const bool ctsFlow = fOptions.Contains(opOutputCTSFlow);
  bool hardware = c.Flow == cfHardware;
  if (rts != rcDefault || ctsFlow) hardware = ctsFlow || rts == rcHandshake;
  bool xon = c.Flow == cfXOnXOff;
  if (fFlowControl->XOnXOff() != xcDefault) xon = fFlowControl->XOnXOff() != xcDisable;
  c.Flow = hardware ? cfHardware : xon ? cfXOnXOff : cfNone;
  return c;
}

void TCustomComPort::ApplyConfig(const TComConfig& Config) {
  if (!Active()) SetDeviceName(Config.DeviceName);
  // Read back from the device, the speed is always a number of its own.
  SetCustomBaudRate(Config.BaudRate);
  SetBaudRate(brCustom);
  SetDataBits(Config.DataBits);
  SetParity(Config.Parity);
  SetStopBits(Config.StopBits);
  TOptions options = fOptions;
  if (Config.Flow == cfHardware) {
    options.Include(opOutputCTSFlow);
    fFlowControl->SetRTS(rcHandshake);
  } else {
    options.Exclude(opOutputCTSFlow);
    if (fFlowControl->RTS() == rcHandshake) fFlowControl->SetRTS(rcEnable);
  }
  SetOptions(options);
  fFlowControl->SetXOnXOff(Config.Flow == cfXOnXOff ? xcInputOutput : xcDisable);
}

bool TCustomComPort::ConfigDialog() {
  TComConfigForm form(nullptr, CurrentConfig(), Active());
  if (RunConfigForm(form) != vcl::mrOk) return false;
  ApplyConfig(form.Config());
  return true;
}

bool TCustomComPort::DefaultConfigDialog() {
  TComConfigForm form(nullptr, LoadDefaultConfig(fDeviceName), true);
  if (RunConfigForm(form) != vcl::mrOk) return false;
  StoreDefaultConfig(form.Config());
  return true;
}
