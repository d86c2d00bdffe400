#include "link/comsettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "platform/rtl/events.h"

Tcomms* comms = nullptr;

namespace {

// The checksum is tested on lines of at most this many characters; longer ones fail the test.
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

// The number at the start of field n; nothing when the field is missing or empty, does not begin
// with a number, or holds one that a float cannot (infinities, NaN, out of range).
std::optional<float> FieldNumber(const char* line, int n) {
  const char* p = FieldStart(line, n);
  if (p == nullptr) return std::nullopt;
  while (IsCSpace(*p)) ++p;
  if (*p == '+') {
    ++p;
    if (*p == '-' || *p == '+') return std::nullopt;
  }
  float value = 0.0f;
  const auto [end, ec] = std::from_chars(p, p + std::strlen(p), value);
  if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The first character of field n, or NUL when the field is missing or empty.
char FieldLetter(const char* line, int n) {
  const std::string_view text = Tcomms::FieldText(line, n);
  return text.empty() ? '\0' : text.front();
}

bool Take(float& value, std::optional<float> reading) {
  if (reading) value = *reading;
  return reading.has_value();
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

bool SameHexDigit(char expected, char given) {
  return expected == std::toupper(static_cast<unsigned char>(given));
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
  if (len > kChecksumCopyLimit) return false;
  const char* const start = nmea::SentenceStart(line);
  if (start == nullptr) return false;
  const char* end = line + len;
  while (end > start && (end[-1] == '\r' || end[-1] == '\n')) --end;
  if (end - start < 4 || end[-3] != '*') return false;
  // The sum of the bytes as they are: taken as signed, one high-bit character (a flipped eighth
  // bit) made the sum's text "FF" whatever else the sentence held.
  unsigned sum = 0;
  for (const char* p = start + 1; p < end - 3; ++p) sum ^= static_cast<unsigned char>(*p);
  const char text[2] = {HexDigit(sum >> 4), HexDigit(sum)};
  return SameHexDigit(text[0], end[-2]) && SameHexDigit(text[1], end[-1]);
}

float Tcomms::FieldFloat(const char* line, int n) {
  return FieldNumber(line, n).value_or(0.0f);
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
  nmea::AssembleLines(fLineBuffer, fLineIndex, chars, Count,
                      [this](nmea::TLineEnd how) { LineComplete(how); });
}

// Every line and every cut-off piece is shown and repeated as it came; only a whole sentence is
// decoded, and one that carries a checksum only when the checksum matches: a line that noise
// changed on its way would otherwise be read as the instruments' word. Without a checksum (some
// instruments send none) it is decoded unless "Require checksum" is ticked.
void Tcomms::LineComplete(nmea::TLineEnd how) {
  const char* line = fLineBuffer;
  const std::size_t length = std::strlen(line);
  if (fDebugView == 1) {
    rtl::TStrings& lines = *Memo2->Lines();
    lines.BeginUpdate();
    // The line's own CR and LF are no characters to show.
    std::string shown(line, length);
    std::erase_if(shown, [](char ch) { return ch == '\r' || ch == '\n'; });
    lines.Add(shown);
    while (lines.Count() > kDebugLines) lines.Delete(0);
    lines.EndUpdate();
  }
  const char* sentence = nmea::SentenceStart(line);
  if (how == nmea::TLineEnd::kEnded && sentence != nullptr) {
    const bool carriesChecksum = std::strchr(sentence, '*') != nullptr;
    if (carriesChecksum ? ChecksumOk(line) : !CheckBox10->Checked())
      DecodeLine(sentence, length - static_cast<std::size_t>(sentence - line));
  }
  RepeatLine(line, length);
}

void Tcomms::DecodeLine(const char* sentence, std::size_t length) {
  // The identifier follows the '$' or '!' and the two letters of the talker.
  if (length < 6) return;
  const std::uint32_t id =
      (static_cast<std::uint32_t>(static_cast<unsigned char>(sentence[3])) << 16) |
      (static_cast<std::uint32_t>(static_cast<unsigned char>(sentence[4])) << 8) |
      static_cast<unsigned char>(sentence[5]);
  // A sentence marked not valid (status V, mode N, fix quality 0) is no reading.
  switch (id) {
    case Id("VHW"):
      if (Take(fSpeedThroughWater, FieldNumber(sentence, 5))) ++fSpeedLogReadings;
      break;
    case Id("HDG"):
      DecodeSensorHeading(sentence);
      break;
    case Id("HDT"):
      if (Take(fHeading, FieldNumber(sentence, 1))) ++fCompassReadings;
      break;
    case Id("VWR"):
      if (fNmeaWind == 1 && DecodeWindWithSide(sentence, fApparentWindAngle, fApparentWindSpeed))
        ++fApparentWindReadings;
      break;
    case Id("VWT"):
      if (fWindSource == 1 && DecodeWindWithSide(sentence, fTrueWindAngle, fTrueWindSpeed))
        ++fTrueWindReadings;
      break;
    case Id("MWV"):
      if (fNmeaWind == 0 && FieldLetter(sentence, 5) != 'V') DecodeApparentOrTrueWind(sentence);
      break;
    case Id("VPW"):
      Take(fVMG, FieldNumber(sentence, 1));
      break;
    case Id("VTG"):
      if (FieldLetter(sentence, 9) != 'N') DecodeGroundTrack(sentence, 5, 1);
      break;
    case Id("DBT"):
      DecodeDepth(sentence);
      break;
    case Id("GLL"):
      if (FieldLetter(sentence, 6) != 'V' && FieldLetter(sentence, 7) != 'N')
        DecodePosition(sentence, 1);
      break;
    case Id("GGA"):
      if (FieldLetter(sentence, 6) != '0') DecodePosition(sentence, 2);
      break;
    case Id("RMC"):
      if (FieldLetter(sentence, 2) == 'V' || FieldLetter(sentence, 12) == 'N') break;
      DecodePosition(sentence, 3);
      DecodeGroundTrack(sentence, 7, 8);
      break;
    case Id("VDM"):
      DecodeAis(sentence);
      break;
    default:
      break;
  }
}

// VWR and VWT: angle 0-180 in field 1, its side L/R in field 2, speed in knots in field 3. An
// angle without its side is no reading.
bool Tcomms::DecodeWindWithSide(const char* sentence, float& angle, float& speed) {
  const std::optional<float> offBow = FieldNumber(sentence, 1);
  const char side = FieldLetter(sentence, 2);
  const bool hasAngle = offBow && (side == 'L' || side == 'R');
  if (hasAngle) {
    angle = ClampHigh(ClampLow(*offBow), 360);
    fWindSideChar = side;
    fWindSide = side == 'L' ? 1 : 0;
  }
  const std::optional<float> knots = FieldNumber(sentence, 3);
  if (knots) speed = ClampHigh(ClampLow(*knots), 200);
  return hasAngle || knots;
}

// MWV: the reference in field 2, R relative (apparent), T true.
void Tcomms::DecodeApparentOrTrueWind(const char* sentence) {
  const char reference = FieldLetter(sentence, 2);
  if (reference == '\0') return;
  fWindReference = reference;
  if (reference == 'R') {
    if (DecodeWindFullCircle(sentence, fApparentWindAngle, fApparentWindSpeed))
      ++fApparentWindReadings;
  } else if (reference == 'T' && fWindSource == 1) {
    if (DecodeWindFullCircle(sentence, fTrueWindAngle, fTrueWindSpeed)) ++fTrueWindReadings;
  }
}

// MWV: angle 0-360 in field 1, folded to 0-180 with the side; speed in field 3, in the unit of
// field 4: N knots, M metres per second, K kilometres per hour.
bool Tcomms::DecodeWindFullCircle(const char* sentence, float& angle, float& speed) {
  std::optional<float> knots = FieldNumber(sentence, 3);
  if (knots) {
    switch (FieldChar(sentence, 4)) {
      case 'M':
        *knots *= kKnotsPerMetrePerSecond;
        break;
      case 'K':
        *knots *= kKnotsPerKilometrePerHour;
        break;
      default:
        break;
    }
    // A speed near the float's limit overflows in the conversion: the sentence is no reading.
    if (!std::isfinite(*knots)) return false;
  }
  // An angle beyond the full circle is no bearing: folded, it came out negative, and was then
  // shown as a wind from dead ahead.
  const std::optional<float> full = FieldNumber(sentence, 1);
  if (full && *full > 360) return false;
  if (full) {
    angle = ClampLow(*full);
    fWindSide = angle > 180 ? 1 : 0;
    if (fWindSide == 1) angle = 360 - angle;
  }
  if (knots) speed = ClampLow(*knots);
  return full || knots;
}

// VTG and RMC: the course is taken only while the same sentence reports more than half a knot
// over the ground (below that it keeps the last); a sentence without a speed reports none.
void Tcomms::DecodeGroundTrack(const char* sentence, int speedField, int courseField) {
  const std::optional<float> knots = FieldNumber(sentence, speedField);
  if (!knots) return;
  fSpeedOverGround = *knots;
  ++fGroundSpeedReadings;
  if (*knots > 0.5f && Take(fCourseOverGround, FieldNumber(sentence, courseField)))
    ++fCourseReadings;
}

// DBT gives the depth in feet (field 1), metres (3) and fathoms (5). Sounders that fill only feet
// or only fathoms would read as 0 m, as aground. With every depth field empty the sounder has lost
// the bottom: 0, no depth, rather than the last depth as if it still held.
void Tcomms::DecodeDepth(const char* sentence) {
  if (FieldText(sentence, 1).empty() && FieldText(sentence, 3).empty() &&
      FieldText(sentence, 5).empty()) {
    fDepth = 0;
  } else if (const std::optional<float> metres = FieldNumber(sentence, 3)) {
    fDepth = *metres;
  } else if (const std::optional<float> feet = FieldNumber(sentence, 1)) {
    fDepth = *feet * kMetresPerFoot;
  } else {
    // Fathoms near the float's limit overflow in the conversion: no reading, the last depth stays.
    const std::optional<float> fathoms = FieldNumber(sentence, 5);
    const float inMetres = fathoms ? *fathoms * kMetresPerFathom : NAN;
    if (!std::isfinite(inMetres)) return;
    fDepth = inMetres;
  }
  ++fDepthReadings;
}

// Latitude in field latField, its N/S letter next, longitude and its E/W letter after that. A
// receiver without a fix leaves the fields empty: the boat has not moved to 0,0, so a coordinate
// without its number or its letter keeps the last one. A latitude beyond 90 degrees or a longitude
// beyond 180 (9000 and 18000 as ddmm.mmmm) is no position at all: the sentence's position is
// ignored.
void Tcomms::DecodePosition(const char* sentence, int latField) {
  const std::optional<float> latitude = FieldNumber(sentence, latField);
  const std::optional<float> longitude = FieldNumber(sentence, latField + 2);
  const char northSouth = FieldLetter(sentence, latField + 1);
  const char eastWest = FieldLetter(sentence, latField + 3);
  const bool hasLat = latitude && (northSouth == 'N' || northSouth == 'S');
  const bool hasLon = longitude && (eastWest == 'E' || eastWest == 'W');
  if ((hasLat && !(*latitude >= 0 && *latitude <= 9000)) ||
      (hasLon && !(*longitude >= 0 && *longitude <= 18000)))
    return;
  if (hasLat) {
    fLatHemisphere = northSouth;
    fLatitude = northSouth == 'S' ? -*latitude : *latitude;
  }
  if (hasLon) {
    fLonHemisphere = eastWest;
    fLongitude = eastWest == 'W' ? -*longitude : *longitude;
  }
}

// HDG: the magnetic sensor's heading in field 1, its deviation and variation in fields 2-3 and
// 4-5 (degrees, E or W). With a variation the heading is made true, the deviation first when
// given; without one it stays as the sensor gives it.
void Tcomms::DecodeSensorHeading(const char* sentence) {
  const std::optional<float> sensor = FieldNumber(sentence, 1);
  if (!sensor) return;
  float heading = *sensor;
  if (const std::optional<float> variation = FieldNumber(sentence, 4)) {
    heading += SignedByEastWest(FieldFloat(sentence, 2), FieldChar(sentence, 3)) +
               SignedByEastWest(*variation, FieldChar(sentence, 5));
    // A deviation or variation near the float's limit makes the sum infinite: no heading.
    if (!std::isfinite(heading)) return;
    heading = std::fmod(heading, 360.0f);
    if (heading < 0) heading += 360.0f;
    if (heading >= 360.0f) heading = 0;  // a tiny negative rounds up to 360 when added
  }
  fHeading = heading;
  ++fCompassReadings;
}

// VDM: the AIS payload in field 5; its first character is the message type.
void Tcomms::DecodeAis(const char* sentence) {
  const std::string_view payload = FieldText(sentence, 5);
  if (payload.empty()) return;
  fAisType = payload.front();
  const std::size_t n = std::min(payload.size(), sizeof fAisPayload - 1);
  std::memcpy(fAisPayload, payload.data(), n);
  fAisPayload[n] = '\0';
}

void Tcomms::RepeatLine(const char* line, std::size_t length) {
  if (CheckBox11->Checked() && ComPort2->Active()) ComPort2->WriteString(std::string(line, length));
}
