#include "platform/capture/avireader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/capture/mjpeg.h"

namespace capture {

namespace {

// A stream chunk id "NNxx": its stream number, or -1.
int StreamOf(uint32_t id) {
  const char a = char(id & 0xFF), b = char(id >> 8 & 0xFF);
  if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
  return (a - '0') * 10 + (b - '0');
}
constexpr size_t kMaxFrame = 64u << 20;

class FileSource : public ByteSource {
 public:
  explicit FileSource(std::FILE* f) : f_(f) {
    std::fseek(f_, 0, SEEK_END);
    size_ = uint64_t(ftello(f_));
  }
  ~FileSource() override { std::fclose(f_); }
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* out, size_t n) override {
    if (offset > size_ || n > size_ - offset) return false;
    return fseeko(f_, off_t(offset), SEEK_SET) == 0 && std::fread(out, 1, n, f_) == n;
  }

 private:
  std::FILE* f_;
  uint64_t size_ = 0;
};

class MemSource : public ByteSource {
 public:
  explicit MemSource(std::vector<uint8_t> b) : b_(std::move(b)) {}
  uint64_t Size() const override { return b_.size(); }
  bool ReadAt(uint64_t offset, void* out, size_t n) override {
    if (offset > b_.size() || n > b_.size() - offset) return false;
    // An empty chunk's buffer may be null, which memcpy must never be given.
    if (n != 0) std::memcpy(out, b_.data() + offset, n);
    return true;
  }

 private:
  std::vector<uint8_t> b_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenFileSource(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw EAviError("Cannot open " + path);
  return std::make_unique<FileSource>(f);
}

std::unique_ptr<ByteSource> MemorySource(std::vector<uint8_t> bytes) {
  return std::make_unique<MemSource>(std::move(bytes));
}

uint32_t AviReader::U32(uint64_t at) {
  uint8_t b[4];
  if (!src_->ReadAt(at, b, 4)) throw EAviError("AVI file cut short");
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

AviReader::AviReader(std::unique_ptr<ByteSource> source) : src_(std::move(source)) {
  const uint64_t size = src_->Size();
  uint64_t at = 0;
  bool sawHeader = false;
  while (at + 12 <= size) {
    const uint32_t id = U32(at), len = U32(at + 4), form = U32(at + 8);
    if (id != FourCC("RIFF")) break;
    // A size of 0 is what a writer leaves until it closes the file: a recording that was cut
    // off (killed, disk full) runs to the end of what reached the disk.
    const uint64_t end = len == 0 ? size : std::min<uint64_t>(at + 8 + len, size);
    if (parts_ == 0 && form != FourCC("AVI ")) throw EAviError("Not an AVI file");
    if (parts_ > 0 && form != FourCC("AVIX")) break;
    ++parts_;
    // The top-level lists of the part.
    uint64_t p = at + 12;
    while (p + 8 <= end) {
      const uint32_t cid = U32(p), clen = U32(p + 4);
      uint64_t cend = std::min<uint64_t>(p + 8 + clen, end);
      if (cid == FourCC("LIST") && clen == 0 && p + 12 <= end && U32(p + 8) == FourCC("movi"))
        cend = end;  // an unfinished part's images
      if (cid == FourCC("LIST") && p + 12 <= cend) {
        const uint32_t kind = U32(p + 8);
        if (kind == FourCC("hdrl") && !sawHeader) {
          ParseHeaderList(p + 12, cend);
          sawHeader = true;
        } else if (kind == FourCC("movi")) {
          WalkMovi(p + 12, cend, 0);
        }
      }
      p = std::max(p + 8 + clen + (clen & 1), cend);
    }
    at = len == 0 ? size : at + 8 + len + (len & 1);
  }
  if (!sawHeader || videoStream_ < 0) throw EAviError("AVI file without a video stream");
}

void AviReader::ParseHeaderList(uint64_t start, uint64_t end) {
  uint64_t p = start;
  while (p + 8 <= end) {
    const uint32_t id = U32(p), len = U32(p + 4);
    const uint64_t cend = std::min<uint64_t>(p + 8 + len, end);
    if (id == FourCC("LIST") && p + 12 <= cend && U32(p + 8) == FourCC("strl")) {
      const int stream = streamCount_++;
      uint32_t type = 0;
      uint64_t q = p + 12;
      while (q + 8 <= cend) {
        const uint32_t sid = U32(q), slen = U32(q + 4);
        if (sid == FourCC("strh") && slen >= 36 && q + 8 + 36 <= cend) {
          type = U32(q + 8);
          if (type == FourCC("vids") && videoStream_ < 0) {
            scale_ = U32(q + 8 + 20);
            rate_ = U32(q + 8 + 24);
          }
        } else if (sid == FourCC("strf") && q + 8 + 16 <= cend) {
          if (type == FourCC("vids") && videoStream_ < 0 && slen >= 20) {
            videoStream_ = stream;
            width_ = int(U32(q + 8 + 4));
            height_ = int(U32(q + 8 + 8));
            bits_ = int(U32(q + 8 + 12) >> 16);
            compression_ = U32(q + 8 + 16);
          } else if (type == FourCC("auds") && audioStream_ < 0) {
            const uint32_t tag_channels = U32(q + 8);
            if ((tag_channels & 0xFFFF) == 1) {
              audioStream_ = stream;
              AudioFormat a;
              a.channels = int(tag_channels >> 16);
              a.samplesPerSec = int(U32(q + 8 + 4));
              a.avgBytesPerSec = int(U32(q + 8 + 8));
              a.bitsPerSample = int(U32(q + 8 + 12) >> 16);
              audio_ = a;
            }
          }
        }
        q = q + 8 + slen + (slen & 1);
      }
    }
    p = p + 8 + len + (len & 1);
  }
  if (width_ <= 0 || height_ == 0 || width_ > 16384 || std::abs(height_) > 16384) videoStream_ = -1;
}

void AviReader::WalkMovi(uint64_t start, uint64_t end, int depth) {
  uint64_t p = start;
  while (p + 8 <= end) {
    const uint32_t id = U32(p), len = U32(p + 4);
    if (p + 8 + len > end) break;  // a chunk cut short ends the list
    if (id == FourCC("LIST") && depth < 4 && len >= 4) {
      WalkMovi(p + 12, p + 8 + len, depth + 1);
    } else {
      const int stream = StreamOf(id);
      if (stream >= 0 && stream == videoStream_)
        video_.push_back({p + 8, len});
      else if (stream >= 0 && stream == audioStream_)
        audioBytes_ += len;
    }
    p = p + 8 + len + (len & 1);
  }
}

std::vector<uint8_t> AviReader::ReadFrame(int n) {
  if (n < 0 || n >= FrameCount()) throw EAviError("No such frame");
  const Chunk& c = video_[size_t(n)];
  if (c.size > kMaxFrame) throw EAviError("Frame too large");
  std::vector<uint8_t> out(c.size);
  if (!src_->ReadAt(c.offset, out.data(), out.size())) throw EAviError("AVI file cut short");
  return out;
}

std::optional<Rgb32Image> AviReader::DecodeFrame(int n) {
  const std::vector<uint8_t> data = ReadFrame(n);
  if (compression_ == FourCC("MJPG")) return DecodeJpeg(data.data(), data.size());
  VideoFormat f;
  f.width = width_;
  f.height = height_;
  f.bits = bits_;
  if (compression_ == FourCC("YUY2"))
    f.subtype = MEDIASUBTYPE_YUY2;
  else if (compression_ == 0 && bits_ == 24)
    f.subtype = MEDIASUBTYPE_RGB24;
  else if (compression_ == 0 && bits_ == 32)
    f.subtype = MEDIASUBTYPE_RGB32;
  else
    return std::nullopt;
  return ToRgb32(data.data(), data.size(), f);
}

}  // namespace capture
