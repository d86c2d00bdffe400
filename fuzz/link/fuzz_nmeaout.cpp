// Output templates come from "nmeaout.txt", which the user edits: every line, whatever it holds,
// must give whole sentences of at most 255 characters or nothing.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "link/comsettings.h"
#include "platform/serial/fakedevice.h"
#include "platform/win/system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto line = std::make_shared<serial::FakeLine>();
  static serial::ScopedFake fake("COM1", line);
  static win::SystemScope windows;  // the form's controls and timer
  static Tcomms comms(nullptr);  // one form for every input: everything output reads is set below
  TOutputValues values;
  if (size >= sizeof(float)) {
    std::memcpy(&values.fPerformance, data, sizeof(float));
    values.fDepth = -values.fPerformance;
  }
  comms.fOutputValues = [&] { return values; };
  comms.Memo1->Lines()->Clear();
  std::string text(reinterpret_cast<const char*>(data), size);
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    comms.Memo1->Lines()->Add(text.substr(start, end - start));
    start = end + 1;
  }
  comms.CheckBox1->SetChecked(size % 2);
  comms.CheckBox2->SetChecked(size % 3 == 0);
  comms.ComPort1->Open();
  comms.SendNmeaOutput();
  const std::string sent = line->TakeWritten();
  for (std::size_t start = 0; start < sent.size();) {
    const std::size_t end = sent.find("\r\n", start);
    // Every sentence is whole and within its length.
    if (end == std::string::npos || end + 2 - start > 255) __builtin_trap();
    start = end + 2;
  }
  return 0;
}
