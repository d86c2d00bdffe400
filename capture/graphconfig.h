#pragma once
// The capture set-up as a plain record: devices and compressors by name, the audio and video
// modes, the compressor's private state, the stream wishes and the file settings. It converts
// itself to and from a name=value text and a length-prefixed stream block.
#include <cstdint>
#include <string>

#include "platform/rtl/classes.h"
#include "platform/rtl/guid.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/bitmap.h"

enum TDVResolution : uint8_t {
  dvrDontWorry = 0,
  dvrFull = 1,
  dvrHalf = 2,
  dvrQuater = 3,
  dvrDC = 4
};

struct TACapMode {
  rtl::TGUID MajorType;
  rtl::TGUID MediaSubType;
  int32_t SampleRate = 0;  // samples per second
  int32_t SampleSize = 0;  // bits per sample
  int32_t Channels = 0;
  int32_t AvgSampleRate = 0;  // bytes per second
  bool operator==(const TACapMode&) const = default;
};

struct TVCapMode {
  rtl::TGUID MajorType;
  rtl::TGUID MediaSubType;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Bits = 0;
  double FrameRate = 0;  // frames per second; 0 when the device does not say
  double MinFrameRate = 0;
  double MaxFrameRate = 0;
  bool operator==(const TVCapMode&) const = default;
};

// Brings a stored DV resolution or pixel format back into range, as the text form does.
TDVResolution CheckedDVResolution(int value);
vcl::TPixelFormat CheckedPixelFormat(int value);

class TGraphConfig : public rtl::TObject {
 public:
  TGraphConfig() { Clear(); }
  void Assign(const TGraphConfig& other);

  void Clear();
  std::string SaveGraph() const;
  void RestoreGraph(const std::string& text);
  bool SaveGraphToStream(rtl::TStream* stream) const;
  // A length beyond what the stream holds, or a short read, is refused and leaves the record.
  bool RestoreGraphFromStream(rtl::TStream* stream);

  std::string VCapSource;
  std::string ACapSource;
  std::string VComp;
  std::string AComp;
  TACapMode ACapMode;
  TVCapMode VCapMode;
  std::string VCompState;  // opaque bytes
  bool WantCapture = false;
  bool WantPreview = false;
  bool WantBitmaps = false;
  bool WantAudio = false;
  bool WantDVAudio = false;
  bool WantAudioPreview = true;
  uint8_t PixelFormat = vcl::pf24bit;  // a vcl::TPixelFormat as stored
  uint8_t DVResolution = dvrFull;      // a TDVResolution as stored
  std::string CaptureFileName;
  bool UseTempFile = false;
  std::string TempCaptureFileName;
  bool DoPreallocFile = false;
  int32_t PreallocFileSize = 0;  // megabytes
};
