#include "link/comconfigform.h"

#include <initializer_list>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/stdctrls.h"

namespace {

constexpr int kRow = 30;

// Line speeds offered; another speed of the port is added to the list when it is shown.
constexpr int kBaudRates[] = {110,   300,   600,   1200,   2400,   4800,   9600,  14400,
                              19200, 38400, 57600, 115200, 128000, 230400, 256000};

vcl::TComboBox* Row(TComConfigForm* form, const char* name, const char* caption, int row,
                    std::initializer_list<const char*> items) {
  auto* label = new vcl::TLabel(form);
  label->SetParent(form);
  label->SetCaption(caption);
  label->SetBounds(12, 14 + row * kRow, 110, 20);
  auto* combo = new vcl::TComboBox(form);
  combo->SetName(name);
  combo->SetParent(form);
  combo->SetStyle(vcl::csDropDownList);
  combo->SetBounds(128, 10 + row * kRow, 160, 24);
  for (const char* item : items) combo->Items()->Add(item);
  return combo;
}

}  // namespace

TComConfigForm::TComConfigForm(rtl::TComponent* AOwner, const TComConfig& Config, bool FixedDevice)
    : TForm(AOwner), fDeviceName(Config.DeviceName) {
  SetName("ComConfigForm");
  SetCaption("Port settings: " + Config.DeviceName);
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 304, 260);

  PortCombo = Row(this, "PortCombo", "Port:", 0, {});
  // Any device path may be typed, not only the ports found.
  PortCombo->SetStyle(vcl::csDropDown);
  EnumComDevices(*PortCombo->Items());
  PortCombo->SetText(Config.DeviceName);
  PortCombo->SetEnabled(!FixedDevice);

  BaudCombo = Row(this, "BaudCombo", "Bits per second:", 1, {});
  bool listed = false;
  for (int rate : kBaudRates) {
    if (!listed && Config.BaudRate < rate) {
      BaudCombo->Items()->Add(rtl::IntToStr(Config.BaudRate));
      listed = true;
    }
    listed = listed || rate == Config.BaudRate;
    BaudCombo->Items()->Add(rtl::IntToStr(rate));
  }
  if (!listed) BaudCombo->Items()->Add(rtl::IntToStr(Config.BaudRate));
  BaudCombo->SetItemIndex(BaudCombo->Items()->IndexOf(rtl::IntToStr(Config.BaudRate)));

  DataBitsCombo = Row(this, "DataBitsCombo", "Data bits:", 2, {"5", "6", "7", "8"});
  DataBitsCombo->SetItemIndex(Config.DataBits >= db5 ? Config.DataBits - db5 : 3);
  ParityCombo = Row(this, "ParityCombo", "Parity:", 3, {"None", "Odd", "Even", "Mark", "Space"});
  ParityCombo->SetItemIndex(Config.Parity >= paNone ? Config.Parity - paNone : 0);
  StopBitsCombo = Row(this, "StopBitsCombo", "Stop bits:", 4, {"1", "1.5", "2"});
  StopBitsCombo->SetItemIndex(Config.StopBits >= sb1 ? Config.StopBits - sb1 : 0);
  FlowCombo = Row(this, "FlowCombo", "Flow control:", 5, {"None", "Xon / Xoff", "Hardware"});
  FlowCombo->SetItemIndex(Config.Flow);

  OKButton = new vcl::TBitBtn(this);
  OKButton->SetName("OKButton");
  OKButton->SetParent(this);
  OKButton->SetKind(vcl::bkOK);
  OKButton->SetBounds(108, 196, 86, 28);
  CancelButton = new vcl::TBitBtn(this);
  CancelButton->SetName("CancelButton");
  CancelButton->SetParent(this);
  CancelButton->SetKind(vcl::bkCancel);
  CancelButton->SetBounds(202, 196, 86, 28);
}

TComConfig TComConfigForm::Config() const {
  TComConfig c;
  const std::string name = rtl::Trim(PortCombo->Text());
  c.DeviceName = name.empty() ? fDeviceName : name;
  c.BaudRate = rtl::StrToInt(BaudCombo->Items()->Strings(BaudCombo->ItemIndex()));
  c.DataBits = static_cast<TDataBits>(db5 + DataBitsCombo->ItemIndex());
  c.Parity = static_cast<TParity>(paNone + ParityCombo->ItemIndex());
  c.StopBits = static_cast<TStopBits>(sb1 + StopBitsCombo->ItemIndex());
  c.Flow = static_cast<TComFlow>(FlowCombo->ItemIndex());
  return c;
}
