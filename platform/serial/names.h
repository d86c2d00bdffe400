#pragma once
// Port names: "COMn" (or "\\.\COMn") is the n-th serial device of the machine, a name starting
// with '/' is a device path, anything else ("Network") names no device.
#include <optional>
#include <string>
#include <vector>

namespace serial {

// The serial devices of the machine in COM order: /dev/ttyS* (those with a UART behind them),
// /dev/ttyUSB*, /dev/ttyACM*, then /dev/serial/by-id entries that lead elsewhere. Each group is in
// numeric order. devRoot and sysRoot let tests point at a fake tree.
std::vector<std::string> EnumerateDevices(const std::string& devRoot = "/dev",
                                          const std::string& sysRoot = "/sys/class/tty");

// n of "COMn" or "\\.\COMn" (n >= 1, any case), or nothing for another name.
std::optional<int> ComNumber(const std::string& name);

// The device path for a port name, or nothing when the name maps to no device.
std::optional<std::string> MapName(const std::string& name,
                                   const std::vector<std::string>& devices);
std::optional<std::string> MapName(const std::string& name);

// "COM1".."COMn" for the devices found.
std::vector<std::string> ComNames(const std::vector<std::string>& devices);

// The devices that "COM1".."COMn" name, in that order: the list given to SetComDevices, else the
// paths in the environment variable CORVATALEN_SERIAL_DEVICES (separated by ':'), else the
// machine's own (EnumerateDevices).
std::vector<std::string> ComDevices();
// Gives the list in COM order; nothing goes back to the variable or the machine's devices.
void SetComDevices(std::optional<std::vector<std::string>> devices);
// The paths of a ':'-separated list; empty entries are skipped.
std::vector<std::string> ParseDeviceList(const std::string& text);

}  // namespace serial
