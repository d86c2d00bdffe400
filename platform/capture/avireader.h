#pragma once
// Reads AVI files (RIFF AVI with 'AVIX' continuations): the first video stream's format, rate and
// images, and the PCM audio when there is some. The chunks are found by walking the 'movi' lists,
// so a file whose indexes are missing or wrong still reads. Damaged input raises EAviError.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/capture/imaging.h"
#include "platform/capture/types.h"

namespace capture {

class EAviError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the bytes come from: a file or memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Exactly n bytes at the offset, or false.
  virtual bool ReadAt(uint64_t offset, void* out, size_t n) = 0;
};
std::unique_ptr<ByteSource> OpenFileSource(const std::string& path);  // raises EAviError
std::unique_ptr<ByteSource> MemorySource(std::vector<uint8_t> bytes);

class AviReader {
 public:
  explicit AviReader(std::unique_ptr<ByteSource> source);
  explicit AviReader(const std::string& path) : AviReader(OpenFileSource(path)) {}

  int FrameCount() const { return int(video_.size()); }
  // Frames a second (the stream's rate / scale).
  double FrameRate() const { return scale_ ? double(rate_) / double(scale_) : 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Bits() const { return bits_; }
  uint32_t Compression() const { return compression_; }
  std::optional<AudioFormat> Audio() const { return audio_; }
  uint64_t AudioBytes() const { return audioBytes_; }
  int RiffParts() const { return parts_; }

  std::vector<uint8_t> ReadFrame(int n);
  // The image of frame n (MJPEG, YUY2 or RGB), or nothing when it does not decode.
  std::optional<Rgb32Image> DecodeFrame(int n);

 private:
  struct Chunk {
    uint64_t offset;  // of the data
    uint32_t size;
  };
  void ParseHeaderList(uint64_t start, uint64_t end);
  void WalkMovi(uint64_t start, uint64_t end, int depth);
  uint32_t U32(uint64_t at);

  std::unique_ptr<ByteSource> src_;
  std::vector<Chunk> video_;
  uint32_t rate_ = 0, scale_ = 0;
  int width_ = 0, height_ = 0, bits_ = 0;
  uint32_t compression_ = 0;
  int videoStream_ = -1, audioStream_ = -1, streamCount_ = 0;
  std::optional<AudioFormat> audio_;
  uint64_t audioBytes_ = 0;
  int parts_ = 0;
};

}  // namespace capture
