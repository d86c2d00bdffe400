#pragma once
// Our AVI writer: RIFF AVI 1.0 with an idx1 index, continued in OpenDML 'AVIX' parts (with the
// two-level indexes) once the first part would pass 1 GiB; PCM audio interleaved as it comes.
// An existing file (a preallocated one) is written over in place and cut to the AVI's end when the
// writer closes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/capture/types.h"

namespace capture {

struct AviVideoInfo {
  uint32_t handler = 0;      // FOURCC of the codec in the stream header ('MJPG'), 0 for raw
  uint32_t compression = 0;  // biCompression: FOURCC, or 0 for RGB
  int width = 0;
  int height = 0;
  int bits = 24;
  int64_t avgTimePerFrame = 400000;  // 100 ns units
};

class AviWriter {
 public:
  // Opens (creates when missing) the file; IsOpen tells whether that worked.
  AviWriter(const std::string& path, const AviVideoInfo& video,
            std::optional<AudioFormat> audio = std::nullopt,
            uint64_t partLimit = uint64_t(1) << 30);
  ~AviWriter();
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  bool WriteVideo(const uint8_t* data, size_t size, bool keyframe = true);
  // The previous image again, so that a dropped image keeps every later one at its time.
  bool RepeatVideo();
  bool WriteAudio(const uint8_t* data, size_t size);
  // Completes headers and indexes and cuts the file to its end; false after any write failure.
  bool Close();
  uint64_t VideoFrames() const { return videoFrames_; }
  uint64_t BytesWritten() const { return pos_; }
  int Parts() const { return int(parts_.size()); }

 private:
  struct Entry {
    uint64_t offset;  // of the chunk header
    uint32_t size;
    bool keyframe;
  };
  struct Stream {
    uint32_t chunkId;
    std::vector<Entry> entries;       // of the current part
    std::vector<uint8_t> superIndex;  // 16 bytes a finished part
    uint64_t indxPos = 0;             // where its 'indx' chunk starts
    uint32_t partsIndexed = 0;
  };
  bool WriteChunk(Stream& s, const uint8_t* data, size_t size, bool keyframe);
  void StartPart();
  void EndPart();
  void WriteHeaders();
  void Put(const void* data, size_t n);
  void PutU32(uint32_t v);
  void PutU16(uint16_t v);
  void PutFourCC(const char* f);
  void PatchU32(uint64_t at, uint32_t v);
  void Flush();

  int fd_ = -1;
  bool ok_ = true;
  bool closed_ = false;
  AviVideoInfo video_;
  std::optional<AudioFormat> audio_;
  uint64_t partLimit_;
  std::vector<uint8_t> buf_;
  uint64_t bufStart_ = 0;
  uint64_t pos_ = 0;
  std::vector<uint64_t> parts_;  // where each RIFF starts
  uint64_t moviPos_ = 0;         // of the current part's 'movi' FOURCC
  std::vector<uint8_t> idx1_;
  Stream streams_[2];
  std::vector<uint8_t> lastVideo_;
  bool lastKey_ = true;
  uint64_t videoFrames_ = 0;
  uint64_t firstPartFrames_ = 0;
  uint64_t audioBytes_ = 0;
  uint32_t maxChunk_ = 0;
  uint64_t totalFramesPos_ = 0, dmlhPos_ = 0, videoLengthPos_ = 0, audioLengthPos_ = 0;
  uint64_t bufferSizePos_[3] = {0, 0, 0};
};

}  // namespace capture
