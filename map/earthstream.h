#pragma once
// The binary stream primitives of the engine's map files, the stream-version word, the flags of
// an object record's header and the base of everything with an XML form.
#include <cstdint>
#include <memory>
#include <string>

#include "map/earthsysutils.h"
#include "map/earthxml.h"
#include "platform/rtl/streams.h"

// Tells record readers which form the record they read was written in; writers always write
// the newest form.
extern uint16_t giFileVersion;

enum TEarthObjectFlags : uint16_t {
  ofTitle,
  ofID,
  ofHeight,
  of16Bit,
  ofCompressed,
  ofSingle,
  ofLongCount,
  ofZoomMinMax,
  ofClosed,
  ofGreatCircle,
  ofMultiRing
};
using TEarthObjectFlagsSet = TSet16<TEarthObjectFlags>;

// Little-endian primitives written through _Write, which a subclass may replace.
class TEarthStreamWriter : public TEarthRoot {
 public:
  explicit TEarthStreamWriter(std::unique_ptr<rtl::TStream> stream);

  virtual void _Write(const void* buffer, int64_t count);
  virtual void WriteBuffer(const void* buffer, int64_t count);
  virtual void WriteBoolean(bool b);
  virtual void WriteDouble(double d);
  virtual void WriteWord(uint16_t w);
  virtual void WriteShortInt(int8_t i);
  virtual void WriteSmallInt(int16_t i);
  virtual void WriteInteger(int32_t i);
  // UTF-8 text, stored as at most 255 Windows-1252 characters.
  virtual void WriteShortString(const std::string& s);
  virtual void WriteRect(const TEarthDeviceRect& r);
  virtual void WritePointLL(const TPointLL& pt, bool withHeight, bool sixteenBit);
  virtual void WriteMER(const TMER& mer);

  rtl::TStream& Stream() { return *stream_; }

 private:
  std::unique_ptr<rtl::TStream> stream_;
};

// Reads what TEarthStreamWriter writes. A read past the end of the stream raises
// EEarthException: no value is ever made up.
class TEarthStreamReader : public TEarthRoot {
 public:
  explicit TEarthStreamReader(std::unique_ptr<rtl::TStream> stream);

  // The bytes actually read.
  virtual int64_t _Read(void* buffer, int64_t count);
  virtual void ReadBuffer(void* buffer, int64_t count);
  virtual bool ReadBoolean();
  virtual double ReadDouble();
  virtual uint16_t ReadWord();
  virtual int8_t ReadShortInt();
  virtual int16_t ReadSmallInt();
  virtual int32_t ReadInteger();
  virtual std::string ReadShortString();
  virtual TEarthDeviceRect ReadRect();
  virtual TPointLL ReadPointLL(bool withHeight, bool sixteenBit);
  virtual TMER ReadMER();

  rtl::TStream& Stream() { return *stream_; }

 private:
  std::unique_ptr<rtl::TStream> stream_;
};

// ---- Persistence --------------------------------------------------------------------------------

// Base of everything with an XML form.
class TEarthENVPersistent : public TEarthRoot {
 public:
  virtual void LoadEnvironment(TEarthXML_Element* element) = 0;
  // A new element, owned by the caller.
  virtual std::unique_ptr<TEarthXML_Element> SaveEnvironment() = 0;
  virtual void LoadEnvironmentFromFile(const std::string& fileName);
  virtual void SaveEnvironmentToFile(const std::string& fileName);
};
