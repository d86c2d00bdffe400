// Output templates come from "nmeaout.txt", which the user edits, and the values from the main
// window's computation: every line, whatever it holds, and every value, whatever it is, must give
// whole sentences of at most 82 characters with their checksum and CR LF, or nothing, and no
// number that is not one ("nan", "inf") may reach an instrument.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "link/comsettings.h"
#include "platform/serial/fakedevice.h"
#include "platform/win/clock.h"
#include "platform/win/system.h"

namespace {

win::Config VirtualTime(const std::shared_ptr<win::VirtualClock>& clock) {
  win::Config config;
  config.clock = clock;
  return config;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto line = std::make_shared<serial::FakeLine>();
  static serial::ScopedFake fake("COM1", line);
  static const auto clock = std::make_shared<win::VirtualClock>();
  static win::SystemScope windows(VirtualTime(clock));  // the form's controls and timer
  static Tcomms comms(nullptr);  // one form for every input: everything output reads is set below
  clock->Advance(1000);          // each input is the next second of the line
  // The values come from the input's first bytes, so infinities, NaNs and huge numbers come too.
  TOutputValues values;
  float* const floats[] = {&values.fPerformance,        &values.fTargetSpeed,
                           &values.fCourseOverGround,   &values.fHeading,
                           &values.fSpeedOverGround,    &values.fSpeedThroughWater,
                           &values.fTrueWindSpeed,      &values.fTrueWindAngle,
                           &values.fVMG,                &values.fGeoWindAngle,
                           &values.fDepth,              &values.fBearingToWaypoint,
                           &values.fDistanceToWaypoint, &values.fDistanceToLayline,
                           &values.fCurrentDrift,       &values.fCurrentSet,
                           &values.fTwsCorrection,      &values.fTwaCorrectionApplied};
  std::size_t used = 0;
  for (float* f : floats) {
    if (size - used < sizeof(float)) break;
    std::memcpy(f, data + used, sizeof(float));
    used += sizeof(float) / 2;  // overlapping, so that short inputs reach more values
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
  vcl::TCheckBox* const boxes[] = {comms.CheckBox1, comms.CheckBox2, comms.CheckBox3,
                                   comms.CheckBox4, comms.CheckBox5, comms.CheckBox6,
                                   comms.CheckBox7, comms.CheckBox8, comms.CheckBox9};
  for (std::size_t i = 0; i < 9; ++i) boxes[i]->OnClick = {};  // no page titles, no boxes
  const unsigned pages = size > 0 ? data[size - 1] : 0;
  for (std::size_t i = 0; i < 9; ++i) boxes[i]->SetChecked(((pages + size) >> (i % 8)) & 1);
  comms.ComPort1->Open();
  comms.SendNmeaOutput();
  std::string sent = line->TakeWritten();
  for (std::size_t start = 0; start < sent.size();) {
    const std::size_t end = sent.find("\r\n", start);
    // Every sentence is whole and within its length.
    if (end == std::string::npos || end - start > 82 - 2) __builtin_trap();
    start = end + 2;
  }
  std::transform(sent.begin(), sent.end(), sent.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  // Templates may spell the words themselves; the values never do.
  std::string templates = text;
  std::transform(templates.begin(), templates.end(), templates.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  for (const char* word : {"nan", "inf"})
    if (sent.find(word) != std::string::npos && templates.find(word) == std::string::npos)
      __builtin_trap();
  return 0;
}
