// Stream primitives and XML persistence of the map files.
#include "map/earthstream.h"

#include <cstring>
#include <limits>

#include "platform/rtl/sysutils.h"

uint16_t giFileVersion = 0x0405;

namespace {

template <typename T>
void PutLE(uint8_t* out, T value) {
  using U = std::make_unsigned_t<T>;
  U u = static_cast<U>(value);
  for (size_t i = 0; i < sizeof(T); ++i) {
    out[i] = static_cast<uint8_t>(u & 0xFF);
    u = static_cast<U>(u >> 8);
  }
}

template <typename T>
T GetLE(const uint8_t* in) {
  using U = std::make_unsigned_t<T>;
  U u = 0;
  for (size_t i = sizeof(T); i-- > 0;) u = static_cast<U>((u << 8) | in[i]);
  return static_cast<T>(u);
}

int32_t Minutes16ToGU(int16_t v) {
  const int64_t gu = static_cast<int64_t>(v) * GU_MINUTE;
  if (gu > INT32_MAX || gu < INT32_MIN) {
    throw EEarthException("TEarthStreamReader: Point out of range");
  }
  return static_cast<int32_t>(gu);
}

int16_t GUToMinutes16(int32_t v) {
  // |v| / 90,000 is at most 23,861: always a SmallInt.
  return static_cast<int16_t>(v / GU_MINUTE);
}

}  // namespace

// ---- Writer -------------------------------------------------------------------------------------

TEarthStreamWriter::TEarthStreamWriter(std::unique_ptr<rtl::TStream> stream)
    : stream_(std::move(stream)) {
  if (!stream_) throw EEarthException("TEarthStreamWriter.Create passed nil Stream");
}

void TEarthStreamWriter::_Write(const void* buffer, int64_t count) {
  stream_->WriteBuffer(buffer, count);
}

void TEarthStreamWriter::WriteBuffer(const void* buffer, int64_t count) {
  _Write(buffer, count);
}

void TEarthStreamWriter::WriteBoolean(bool b) {
  const uint8_t c = b ? 'T' : 'F';
  _Write(&c, 1);
}

void TEarthStreamWriter::WriteDouble(double d) {
  uint64_t bits = 0;
  std::memcpy(&bits, &d, sizeof bits);
  uint8_t out[8];
  PutLE(out, bits);
  _Write(out, 8);
}

void TEarthStreamWriter::WriteWord(uint16_t w) {
  uint8_t out[2];
  PutLE(out, w);
  _Write(out, 2);
}

void TEarthStreamWriter::WriteShortInt(int8_t i) {
  const auto c = static_cast<uint8_t>(i);
  _Write(&c, 1);
}

void TEarthStreamWriter::WriteSmallInt(int16_t i) {
  uint8_t out[2];
  PutLE(out, i);
  _Write(out, 2);
}

void TEarthStreamWriter::WriteInteger(int32_t i) {
  uint8_t out[4];
  PutLE(out, i);
  _Write(out, 4);
}

void TEarthStreamWriter::WriteShortString(const std::string& s) {
  std::string bytes = rtl::Utf8ToCp1252(s);
  if (bytes.size() > 255) bytes.resize(255);
  const auto length = static_cast<uint8_t>(bytes.size());
  _Write(&length, 1);
  if (length > 0) _Write(bytes.data(), length);
}

void TEarthStreamWriter::WriteRect(const TEarthDeviceRect& r) {
  WriteInteger(r.Left);
  WriteInteger(r.Top);
  WriteInteger(r.Right);
  WriteInteger(r.Bottom);
}

void TEarthStreamWriter::WritePointLL(const TPointLL& pt, bool withHeight, bool sixteenBit) {
  if (sixteenBit) {
    WriteSmallInt(GUToMinutes16(pt.iLongX));
    WriteSmallInt(GUToMinutes16(pt.iLatY));
    if (withHeight) WriteSmallInt(GUToMinutes16(pt.iHeightZ));
  } else {
    WriteInteger(pt.iLongX);
    WriteInteger(pt.iLatY);
    if (withHeight) WriteInteger(pt.iHeightZ);
  }
}

void TEarthStreamWriter::WriteMER(const TMER& mer) {
  WriteInteger(mer.iLongX);
  WriteInteger(mer.iLatY);
  WriteInteger(mer.iWidthX);
  WriteInteger(mer.iHeightY);
}

// ---- Reader -------------------------------------------------------------------------------------

TEarthStreamReader::TEarthStreamReader(std::unique_ptr<rtl::TStream> stream)
    : stream_(std::move(stream)) {
  if (!stream_) throw EEarthException("TEarthStreamReader.Create passed nil Stream");
}

int64_t TEarthStreamReader::_Read(void* buffer, int64_t count) {
  return stream_->Read(buffer, count);
}

void TEarthStreamReader::ReadBuffer(void* buffer, int64_t count) {
  if (count <= 0) return;
  if (_Read(buffer, count) != count) {
    throw EEarthException("TEarthStreamReader: Read past end of stream");
  }
}

bool TEarthStreamReader::ReadBoolean() {
  uint8_t c = 0;
  ReadBuffer(&c, 1);
  return c == 'T';
}

double TEarthStreamReader::ReadDouble() {
  uint8_t in[8];
  ReadBuffer(in, 8);
  const auto bits = GetLE<uint64_t>(in);
  double d = 0;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

uint16_t TEarthStreamReader::ReadWord() {
  uint8_t in[2];
  ReadBuffer(in, 2);
  return GetLE<uint16_t>(in);
}

int8_t TEarthStreamReader::ReadShortInt() {
  uint8_t c = 0;
  ReadBuffer(&c, 1);
  return static_cast<int8_t>(c);
}

int16_t TEarthStreamReader::ReadSmallInt() {
  uint8_t in[2];
  ReadBuffer(in, 2);
  return GetLE<int16_t>(in);
}

int32_t TEarthStreamReader::ReadInteger() {
  uint8_t in[4];
  ReadBuffer(in, 4);
  return GetLE<int32_t>(in);
}

std::string TEarthStreamReader::ReadShortString() {
  uint8_t length = 0;
  ReadBuffer(&length, 1);
  std::string bytes(length, '\0');
  ReadBuffer(bytes.data(), length);
  return rtl::Cp1252ToUtf8(bytes);
}

TEarthDeviceRect TEarthStreamReader::ReadRect() {
  TEarthDeviceRect r;
  r.Left = ReadInteger();
  r.Top = ReadInteger();
  r.Right = ReadInteger();
  r.Bottom = ReadInteger();
  return r;
}

TPointLL TEarthStreamReader::ReadPointLL(bool withHeight, bool sixteenBit) {
  int32_t longitude, latitude, height = 0;
  if (sixteenBit) {
    longitude = Minutes16ToGU(ReadSmallInt());
    latitude = Minutes16ToGU(ReadSmallInt());
    if (withHeight) height = Minutes16ToGU(ReadSmallInt());
  } else {
    longitude = ReadInteger();
    latitude = ReadInteger();
    if (withHeight) height = ReadInteger();
  }
  return PointLLH(longitude, latitude, height);
}

TMER TEarthStreamReader::ReadMER() {
  TMER m;
  m.iLongX = ReadInteger();
  m.iLatY = ReadInteger();
  m.iWidthX = ReadInteger();
  m.iHeightY = ReadInteger();
  return m;
}

// ---- Persistence --------------------------------------------------------------------------------

void TEarthENVPersistent::LoadEnvironmentFromFile(const std::string& fileName) {
  TEarthXML_Document document;
  if (document.LoadFromFile(fileName)) {
    LoadEnvironment(document.Document()->ElementByName(ClassName(), 0));
  }
}

void TEarthENVPersistent::SaveEnvironmentToFile(const std::string& fileName) {
  TEarthXML_Document document;
  document.Document()->AddElement(ClassName(), SaveEnvironment());
  document.SaveToFile(fileName);
}
