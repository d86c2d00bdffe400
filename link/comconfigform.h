#pragma once
// The port configuration form: device, speed, data bits, parity, stop bits and flow control,
// with OK and Cancel.
#include "link/comconfig.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/lists.h"

class TComConfigForm : public vcl::TForm {
 public:
  // With FixedDevice the device name is shown but cannot be changed (an open port keeps its
  // device; a default configuration belongs to one device).
  TComConfigForm(rtl::TComponent* AOwner, const TComConfig& Config, bool FixedDevice);

  // The settings as the controls hold them.
  TComConfig Config() const;

  vcl::TComboBox* PortCombo;
  vcl::TComboBox* BaudCombo;
  vcl::TComboBox* DataBitsCombo;
  vcl::TComboBox* ParityCombo;
  vcl::TComboBox* StopBitsCombo;
  vcl::TComboBox* FlowCombo;
  vcl::TBitBtn* OKButton;
  vcl::TBitBtn* CancelButton;

 private:
  std::string fDeviceName;  // what was shown, kept when the port box is left empty
};
