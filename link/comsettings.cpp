#include "link/comsettings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/rtl/events.h"

Tcomms* comms = nullptr;

namespace {

// The checksum is tested on a copy of at most this many characters; longer lines fail the test.
constexpr std::size_t kChecksumCopyLimit = 255;

// Wind values out of range are replaced by this marker.
constexpr float kOutOfRange = 0.001f;

float ClampLow(float v) {
  return v <= 0 ? kOutOfRange : v;
}
float ClampHigh(float v, float limit) {
  return v > limit ? kOutOfRange : v;
}

constexpr std::uint32_t Id(const char (&s)[4]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 8) |
         static_cast<unsigned char>(s[2]);
}

// The start of field n (the text after the n-th comma), or null when there are fewer commas.
const char* FieldStart(const char* line, int n) {
  const char* p = line;
  for (int i = 0; i < n; ++i) {
    p = std::strchr(p, ',');
    if (p == nullptr) return nullptr;
    ++p;
  }
  return p;
}

bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Knots are nautical miles (1852 m) an hour.
constexpr float kKnotsPerMetrePerSecond = 3600.0f / 1852.0f;
constexpr float kKnotsPerKilometrePerHour = 1000.0f / 1852.0f;
// The international foot; a fathom is six feet.
constexpr float kMetresPerFoot = 0.3048f;
constexpr float kMetresPerFathom = 6 * kMetresPerFoot;

// Degrees east are added, west subtracted; no letter adds nothing.
float SignedByEastWest(float degrees, char side) {
  if (side == 'E') return degrees;
  if (side == 'W') return -degrees;
  return 0;
}

char HexDigit(unsigned v) {
  return "0123456789ABCDEF"[v & 0xF];
}

}  // namespace

void Tcomms::ComPort1RxChar(rtl::TObject*) {
  const int count = ComPort1->InputCount();
  fInputSeen = 1;
  if (fDebugView == 1) CGauge1->SetProgress(count);
  // The waiting characters are taken in blocks rather than one read each: the same bytes in the
  // same order, at a fraction of the cost.
  char block[4096];
  for (int left = count; left > 0;) {
    const int got = ComPort1->Read(block, std::min<int>(left, sizeof block), true);
    if (got <= 0) break;
    ReceiveChars(block, static_cast<std::size_t>(got));
    left -= got;
  }
}

// A line cut by a pulled cable or a change of port would otherwise be finished by the middle of
// whatever sentence the new stream starts with, and that splice decoded as a reading.
void Tcomms::ComPort1AfterOpen(rtl::TObject*) {
  fLineIndex = 0;
}

bool Tcomms::ChecksumOk(const char* line) {
  const std::size_t len = std::strlen(line);
  if (len < 5 || len > kChecksumCopyLimit) return false;
  // Characters are taken as signed bytes, so a high-bit character in an odd count makes the sum
  // negative and its hexadecimal text "FFFFFF..".
  std::int32_t sum = 0;
  for (std::size_t i = 2; i + 5 <= len; ++i) sum ^= static_cast<std::int8_t>(line[i]);
  const auto u = static_cast<std::uint32_t>(sum);
  char text[2];
  if (u <= 0xFF) {
    text[0] = HexDigit(u >> 4);
    text[1] = HexDigit(u);
  } else {
    text[0] = text[1] = 'F';
  }
  return text[0] == line[len - 3] && text[1] == line[len - 2];
}

float Tcomms::FieldFloat(const char* line, int n) {
  const char* p = FieldStart(line, n);
  if (p == nullptr) return 0.0f;
  while (IsCSpace(*p)) ++p;
  if (*p == '+') {
    ++p;
    if (*p == '-' || *p == '+') return 0.0f;
  }
  float value = 0.0f;
  const auto [end, ec] = std::from_chars(p, p + std::strlen(p), value);
  // Infinities, NaN and out-of-range numbers are refused like any other non-number.
  if (ec != std::errc() || !std::isfinite(value)) return 0.0f;
  return value;
}

char Tcomms::FieldChar(const char* line, int n) {
  const char* p = FieldStart(line, n);
  return p == nullptr ? '\0' : *p;
}

std::string_view Tcomms::FieldText(const char* line, int n) {
  const char* p = FieldStart(line, n);
  if (p == nullptr) return {};
  const std::size_t len = std::strcspn(p, ",*\r\n");
  return {p, len};
}

void Tcomms::ReceiveChars(const char* chars, std::size_t Count) {
  const char* p = chars;
  const char* const end = chars + Count;
  while (p < end) {
    const auto* cr =
        static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
    if (cr == nullptr) {
      StoreSegment(p, static_cast<std::size_t>(end - p));
      return;
    }
    StoreSegment(p, static_cast<std::size_t>(cr - p) + 1);
    fLineBuffer[fLineIndex] = '\0';
    LineComplete();
    fLineIndex = 0;
    p = cr + 1;
  }
}

// A NUL is never part of a sentence, but some instruments and multiplexers pad with them. Kept, it
// would end the line text early: the sentence behind it would be lost, and the repeater would get
// the line without its CR.
void Tcomms::StoreSegment(const char* chars, std::size_t count) {
  while (count > 0) {
    const auto* nul = static_cast<const char*>(std::memchr(chars, '\0', count));
    const std::size_t run = nul == nullptr ? count : static_cast<std::size_t>(nul - chars);
    StoreRun(chars, run);
    if (nul == nullptr) return;
    chars += run + 1;
    count -= run + 1;
  }
}

// Stores characters one after the other; once a line reaches the last position, every further
// character overwrites that position.
void Tcomms::StoreRun(const char* chars, std::size_t count) {
  if (count == 0) return;
  if (fLineIndex > kLastLinePosition) fLineIndex = kLastLinePosition;
  const auto room = static_cast<std::size_t>(kLastLinePosition - fLineIndex);
  if (count <= room) {
    std::memcpy(fLineBuffer + fLineIndex, chars, count);
    fLineIndex += static_cast<std::int32_t>(count);
    return;
  }
  std::memcpy(fLineBuffer + fLineIndex, chars, room);
  fLineBuffer[kLastLinePosition] = chars[count - 1];
  fLineIndex = kLastLinePosition + 1;
}

void Tcomms::LineComplete() {
  const char* line = fLineBuffer;
  const std::size_t length = std::strlen(line);
  if (fDebugView == 1) {
    rtl::TStrings& lines = *Memo2->Lines();
    lines.BeginUpdate();
    // The line's own CR and the LF of the previous one are no characters to show.
    std::string shown(line, length);
    std::erase_if(shown, [](char ch) { return ch == '\r' || ch == '\n'; });
    lines.Add(shown);
    while (lines.Count() > kDebugLines) lines.Delete(0);
    lines.EndUpdate();
  }
  if (ChecksumOk(line) || !CheckBox10->Checked()) DecodeLine(line, length);
  RepeatLine(line, length);
}

void Tcomms::DecodeLine(const char* line, std::size_t length) {
  // The identifier sits at positions 4-6; a shorter line would show the previous line's letters.
  if (length < 7) return;
  const std::uint32_t id = (static_cast<std::uint32_t>(static_cast<unsigned char>(line[4])) << 16) |
                           (static_cast<std::uint32_t>(static_cast<unsigned char>(line[5])) << 8) |
                           static_cast<unsigned char>(line[6]);
  switch (id) {
    case Id("VHW"):
      fSpeedThroughWater = FieldFloat(line, 5);
      break;
    case Id("HDG"):
      DecodeSensorHeading(line);
      break;
    case Id("HDT"):
      fHeading = FieldFloat(line, 1);
      break;
    case Id("VWR"):
      if (fNmeaWind == 1) DecodeWindWithSide(line, fApparentWindAngle, fApparentWindSpeed);
      break;
    case Id("VWT"):
      if (fWindSource == 1) DecodeWindWithSide(line, fTrueWindAngle, fTrueWindSpeed);
      break;
    case Id("MWV"):
      if (fNmeaWind != 0) break;
      fWindReference = FieldChar(line, 2);
      if (fWindReference == 'R') {
        DecodeWindFullCircle(line, fApparentWindAngle, fApparentWindSpeed);
      } else if (fWindReference == 'T' && fWindSource == 1) {
        DecodeWindFullCircle(line, fTrueWindAngle, fTrueWindSpeed);
      }
      break;
    case Id("VPW"):
      fVMG = FieldFloat(line, 1);
      break;
    case Id("VTG"):
      fSpeedOverGround = FieldFloat(line, 5);
      if (fSpeedOverGround > 0.5f) fCourseOverGround = FieldFloat(line, 1);
      break;
    case Id("DBT"):
      DecodeDepth(line);
      break;
    case Id("GLL"):
      DecodePosition(line, 1);
      break;
    case Id("GGA"):
      DecodePosition(line, 2);
      break;
    case Id("RMC"):
      DecodePosition(line, 3);
      fSpeedOverGround = FieldFloat(line, 7);
      if (fSpeedOverGround > 0.5f) fCourseOverGround = FieldFloat(line, 8);
      break;
    case Id("VDM"): {
      fAisType = FieldChar(line, 5);
      const std::string_view payload = FieldText(line, 5);
      const std::size_t n = std::min(payload.size(), sizeof fAisPayload - 1);
      if (n > 0) std::memcpy(fAisPayload, payload.data(), n);
      fAisPayload[n] = '\0';
      break;
    }
    default:
      break;
  }
}

// VWR and VWT: angle 0-180 in field 1, its side L/R in field 2, speed in knots in field 3.
void Tcomms::DecodeWindWithSide(const char* line, float& angle, float& speed) {
  angle = ClampHigh(ClampLow(FieldFloat(line, 1)), 360);
  speed = ClampHigh(ClampLow(FieldFloat(line, 3)), 200);
  fWindSideChar = FieldChar(line, 2);
  fWindSide = fWindSideChar == 'L' ? 1 : 0;
}

// MWV: angle 0-360 in field 1, folded to 0-180 with the side; speed in field 3, in the unit of
// field 4: N knots, M metres per second, K kilometres per hour.
void Tcomms::DecodeWindFullCircle(const char* line, float& angle, float& speed) {
  float knots = FieldFloat(line, 3);
  switch (FieldChar(line, 4)) {
    case 'M':
      knots *= kKnotsPerMetrePerSecond;
      break;
    case 'K':
      knots *= kKnotsPerKilometrePerHour;
      break;
    default:
      break;
  }
  // A speed near the float's limit overflows in the conversion: the sentence is no reading.
  if (!std::isfinite(knots)) return;
  // An angle beyond the full circle is no bearing: folded, it came out negative, and was then
  // shown as a wind from dead ahead.
  const float full = FieldFloat(line, 1);
  if (full > 360) return;
  angle = ClampLow(full);
  speed = ClampLow(knots);
  fWindSide = angle > 180 ? 1 : 0;
  if (fWindSide == 1) angle = 360 - angle;
}

// DBT gives the depth in feet (field 1), metres (3) and fathoms (5). Sounders that fill only feet
// or only fathoms would read as 0 m, as aground; with no depth at all it stays 0, no depth.
void Tcomms::DecodeDepth(const char* line) {
  if (!FieldText(line, 3).empty() || (FieldText(line, 1).empty() && FieldText(line, 5).empty())) {
    fDepth = FieldFloat(line, 3);
  } else if (!FieldText(line, 1).empty()) {
    fDepth = FieldFloat(line, 1) * kMetresPerFoot;
  } else {
    // Fathoms near the float's limit overflow in the conversion: no reading, the last depth stays.
    const float metres = FieldFloat(line, 5) * kMetresPerFathom;
    if (std::isfinite(metres)) fDepth = metres;
  }
}

// Latitude in field latField, its N/S letter next, longitude and its E/W letter after that. A
// receiver without a fix leaves the fields empty: the boat has not moved to 0,0, so an empty
// field keeps the last position. A latitude beyond 90 degrees or a longitude beyond 180 (9000 and
// 18000 as ddmm.mmmm) is no position at all: the sentence's position is ignored.
void Tcomms::DecodePosition(const char* line, int latField) {
  const bool hasLat = !FieldText(line, latField).empty();
  const bool hasLon = !FieldText(line, latField + 2).empty();
  const float latitude = FieldFloat(line, latField);
  const float longitude = FieldFloat(line, latField + 2);
  if ((hasLat && !(latitude >= 0 && latitude <= 9000)) ||
      (hasLon && !(longitude >= 0 && longitude <= 18000)))
    return;
  if (hasLat) {
    fLatHemisphere = FieldChar(line, latField + 1);
    fLatitude = fLatHemisphere == 'S' ? -latitude : latitude;
  }
  if (hasLon) {
    fLonHemisphere = FieldChar(line, latField + 3);
    fLongitude = fLonHemisphere == 'W' ? -longitude : longitude;
  }
}

// HDG: the magnetic sensor's heading in field 1, its deviation and variation in fields 2-3 and
// 4-5 (degrees, E or W). With a variation the heading is made true, the deviation first when
// given; without one it stays as the sensor gives it.
void Tcomms::DecodeSensorHeading(const char* line) {
  float heading = FieldFloat(line, 1);
  if (!FieldText(line, 4).empty()) {
    heading += SignedByEastWest(FieldFloat(line, 2), FieldChar(line, 3)) +
               SignedByEastWest(FieldFloat(line, 4), FieldChar(line, 5));
    // A deviation or variation near the float's limit makes the sum infinite: no heading.
    if (!std::isfinite(heading)) return;
    heading = std::fmod(heading, 360.0f);
    if (heading < 0) heading += 360.0f;
    if (heading >= 360.0f) heading = 0;  // a tiny negative rounds up to 360 when added
  }
  fHeading = heading;
}

void Tcomms::RepeatLine(const char* line, std::size_t length) {
  if (CheckBox11->Checked() && ComPort2->Active()) ComPort2->WriteString(std::string(line, length));
}
