#pragma once
// A port's line settings in concrete values, as the configuration dialog shows them, and the
// stored default configuration of each device.
#include <string>

#include "link/comport.h"

enum TComFlow { cfNone, cfXOnXOff, cfHardware };

struct TComConfig {
  std::string DeviceName;
  int BaudRate = 9600;
  TDataBits DataBits = db8;
  TParity Parity = paNone;
  TStopBits StopBits = sb1;
  TComFlow Flow = cfNone;
  bool operator==(const TComConfig&) const = default;
};

// A device's default configuration. Linux keeps none of its own across opens, so we keep it in
// the program's registry file under "Software\Corvatalen\Serial ports\<device>"; a device never
// stored, or stored with values out of range, has 9600 baud, 8 data bits, no parity, one stop bit
// and no flow control.
TComConfig LoadDefaultConfig(const std::string& DeviceName);
void StoreDefaultConfig(const TComConfig& Config);
