#pragma once
// The termios backend: a real serial device or a pseudo-terminal, opened exclusively (flock plus
// TIOCEXCL) in raw mode. The device's speed, character size, parity and stop bits stay as they
// were until SetSettings changes them.
#include <termios.h>

#include <memory>
#include <string>

#include "platform/serial/device.h"

namespace serial {

std::unique_ptr<Device> OpenTermios(const std::string& path, int& err);

// The mapping between settings and termios flags (speed aside). Fields the line cannot honour
// leave t as it is. Pseudo-terminals force 8 data bits without parity, so tests use these.
void FromTermios(const termios& t, LineSettings& settings);
void ToTermios(const LineSettings& settings, termios& t);

}  // namespace serial
