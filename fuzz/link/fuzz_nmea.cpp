// Arbitrary bytes through the NMEA decoder, in pieces whose sizes the input itself chooses, with
// every switch of the decoder set by the first byte.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "link/comsettings.h"
#include "platform/win/system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static win::SystemScope windows;  // the form's controls and timer
  // One form for every input (building a form per input made the fuzzer crawl); each input starts
  // on an empty line, and the values kept from earlier inputs were checked finite then.
  static const auto decoder = std::make_unique<Tcomms>(nullptr);
  decoder->fLineIndex = 0;
  std::memset(decoder->fLineBuffer, 0, sizeof decoder->fLineBuffer);
  decoder->Memo2->Lines()->Clear();
  if (size > 0) {
    const uint8_t flags = data[0];
    decoder->fNmeaWind = flags & 1;
    decoder->fWindSource = (flags >> 1) & 1;
    decoder->CheckBox10->SetChecked((flags >> 2) & 1);
    decoder->fDebugView = (flags >> 3) & 1;
    ++data;
    --size;
  }
  const auto* chars = reinterpret_cast<const char*>(data);
  std::size_t pos = 0;
  std::size_t piece = 1;
  while (pos < size) {
    const std::size_t n = piece < size - pos ? piece : size - pos;
    decoder->ReceiveChars(chars + pos, n);
    pos += n;
    piece = piece * 7 % 263 + 1;
  }
  // Every value must have come out of the field parser as a finite number.
  const float values[] = {decoder->fTrueWindSpeed,
                          decoder->fTrueWindAngle,
                          decoder->fApparentWindSpeed,
                          decoder->fApparentWindAngle,
                          decoder->fVMG,
                          decoder->fCourseOverGround,
                          decoder->fSpeedOverGround,
                          decoder->fSpeedThroughWater,
                          decoder->fHeading,
                          decoder->fDepth,
                          decoder->fLatitude,
                          decoder->fLongitude};
  for (float v : values) {
    if (!(v - v == 0)) __builtin_trap();
  }
  // A position is one on the globe (ddmm.mmmm and dddmm.mmmm).
  if (!(std::fabs(decoder->fLatitude) <= 9000) || !(std::fabs(decoder->fLongitude) <= 18000))
    __builtin_trap();
  if (decoder->fLineIndex < 0 || decoder->fLineIndex > Tcomms::kLastLinePosition + 1)
    __builtin_trap();
  return 0;
}
