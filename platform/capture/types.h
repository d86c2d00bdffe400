#pragma once
// What flows through a capture graph: result codes, media types, formats and frames.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/guid.h"

namespace capture {

// Result codes shaped as the platform's: negative is failure.
using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = int32_t(0x80004005u);
inline constexpr HRESULT E_NOTIMPL = int32_t(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = int32_t(0x80004002u);
inline constexpr HRESULT E_POINTER = int32_t(0x80004003u);
inline constexpr HRESULT E_INVALIDARG = int32_t(0x80070057u);
inline constexpr HRESULT E_OUTOFMEMORY = int32_t(0x8007000Eu);
inline constexpr HRESULT E_ABORT = int32_t(0x80004004u);
inline constexpr HRESULT E_DISKFULL = int32_t(0x80070070u);
inline constexpr HRESULT VFW_E_NOT_FOUND = int32_t(0x80040216u);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = int32_t(0x80040217u);
inline constexpr HRESULT VFW_E_NOT_STOPPED = int32_t(0x80040224u);
inline constexpr HRESULT VFW_E_WRONG_STATE = int32_t(0x80040227u);
inline constexpr bool Failed(HRESULT hr) {
  return hr < 0;
}
inline constexpr bool Succeeded(HRESULT hr) {
  return hr >= 0;
}

// Graph event codes.
inline constexpr long EC_COMPLETE = 1;
inline constexpr long EC_ERRORABORT = 3;
inline constexpr long EC_DEVICE_LOST = 31;

// A four-character code as the RIFF and AVI headers store it.
constexpr uint32_t FourCC(const char* f) {
  return uint32_t(uint8_t(f[0])) | uint32_t(uint8_t(f[1])) << 8 | uint32_t(uint8_t(f[2])) << 16 |
         uint32_t(uint8_t(f[3])) << 24;
}

// The platform's media type and subtype identifiers (FOURCC ones end in the common base).
constexpr rtl::TGUID FourCCGuid(char a, char b, char c, char d) {
  return rtl::TGUID::Make(uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 |
                              uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24,
                          0, 0x10, {0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
}
constexpr rtl::TGUID RgbGuid(uint32_t d1) {
  return rtl::TGUID::Make(d1, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
}
inline constexpr rtl::TGUID MEDIATYPE_Video = FourCCGuid('v', 'i', 'd', 's');
inline constexpr rtl::TGUID MEDIATYPE_Audio = FourCCGuid('a', 'u', 'd', 's');
inline constexpr rtl::TGUID MEDIATYPE_Interleaved = FourCCGuid('i', 'a', 'v', 's');
inline constexpr rtl::TGUID MEDIASUBTYPE_YUY2 = FourCCGuid('Y', 'U', 'Y', '2');
inline constexpr rtl::TGUID MEDIASUBTYPE_YVU9 = FourCCGuid('Y', 'V', 'U', '9');
inline constexpr rtl::TGUID MEDIASUBTYPE_Y411 = FourCCGuid('Y', '4', '1', '1');
inline constexpr rtl::TGUID MEDIASUBTYPE_Y41P = FourCCGuid('Y', '4', '1', 'P');
inline constexpr rtl::TGUID MEDIASUBTYPE_YVYU = FourCCGuid('Y', 'V', 'Y', 'U');
inline constexpr rtl::TGUID MEDIASUBTYPE_UYVY = FourCCGuid('U', 'Y', 'V', 'Y');
inline constexpr rtl::TGUID MEDIASUBTYPE_Y211 = FourCCGuid('Y', '2', '1', '1');
inline constexpr rtl::TGUID MEDIASUBTYPE_MJPG = FourCCGuid('M', 'J', 'P', 'G');
inline constexpr rtl::TGUID MEDIASUBTYPE_dvsd = FourCCGuid('d', 'v', 's', 'd');
inline constexpr rtl::TGUID MEDIASUBTYPE_PCM =
    rtl::TGUID::Make(1, 0, 0x10, {0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
inline constexpr rtl::TGUID MEDIASUBTYPE_RGB1 = RgbGuid(0xE436EB78);
inline constexpr rtl::TGUID MEDIASUBTYPE_RGB4 = RgbGuid(0xE436EB79);
inline constexpr rtl::TGUID MEDIASUBTYPE_RGB8 = RgbGuid(0xE436EB7A);
inline constexpr rtl::TGUID MEDIASUBTYPE_RGB565 = RgbGuid(0xE436EB7B);
inline constexpr rtl::TGUID MEDIASUBTYPE_RGB555 = RgbGuid(0xE436EB7C);
inline constexpr rtl::TGUID MEDIASUBTYPE_RGB24 = RgbGuid(0xE436EB7D);
inline constexpr rtl::TGUID MEDIASUBTYPE_RGB32 = RgbGuid(0xE436EB7E);
inline constexpr rtl::TGUID MEDIASUBTYPE_ARGB32 =
    rtl::TGUID::Make(0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01});

// Bits a pixel of an RGB subtype; 0 for any other.
int RgbBits(const rtl::TGUID& subtype);

// A video format: the bitmap size and depth and the frame interval in 100 ns units.
struct VideoFormat {
  rtl::TGUID majorType = MEDIATYPE_Video;
  rtl::TGUID subtype;
  int width = 0;
  int height = 0;
  int bits = 0;
  int64_t avgTimePerFrame = 0;
  bool operator==(const VideoFormat&) const = default;
  // Bytes of one image in this format (rows padded to 4 bytes for RGB); 0 for a compressed one,
  // whose images differ in size.
  size_t ImageSize() const;
  bool Compressed() const { return subtype == MEDIASUBTYPE_MJPG; }
};

// One mode a device offers: its format with the shortest and longest frame interval.
struct VideoCaps {
  VideoFormat format;
  int64_t minFrameInterval = 0;
  int64_t maxFrameInterval = 0;
  std::vector<int64_t> intervals;  // the ones a driver lists, if it lists them
};

struct AudioFormat {
  rtl::TGUID subtype = MEDIASUBTYPE_PCM;
  int samplesPerSec = 0;
  int bitsPerSample = 0;
  int channels = 0;
  int avgBytesPerSec = 0;
  bool operator==(const AudioFormat&) const = default;
};

// One image from a device. `sequence` counts every image the device exposed, so a gap in it is a
// dropped image; `data` is in the device's format.
struct Frame {
  uint64_t sequence = 0;
  uint64_t timeMicros = 0;
  const uint8_t* data = nullptr;
  size_t size = 0;
  VideoFormat format;
};

}  // namespace capture
