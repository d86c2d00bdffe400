#include "platform/capture/aviwriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <numeric>

namespace capture {

namespace {

constexpr size_t kSuperSlots = 256;
constexpr size_t kIndxSize = 24 + 16 * kSuperSlots;
constexpr size_t kBufferLimit = 4 << 20;
constexpr uint32_t kKeyFrame = 0x10;

}  // namespace

AviWriter::AviWriter(const std::string& path, const AviVideoInfo& video,
                     std::optional<AudioFormat> audio, uint64_t partLimit)
    : video_(video), audio_(audio), partLimit_(partLimit) {
  streams_[0].chunkId = FourCC(video.compression ? "00dc" : "00db");
  streams_[1].chunkId = FourCC("01wb");
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return;
  buf_.reserve(kBufferLimit + (1 << 20));
  WriteHeaders();
}

AviWriter::~AviWriter() {
  Close();
}

void AviWriter::Put(const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  buf_.insert(buf_.end(), p, p + n);
  pos_ += n;
  if (buf_.size() >= kBufferLimit) Flush();
}
void AviWriter::PutU32(uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  Put(b, 4);
}
void AviWriter::PutU16(uint16_t v) {
  const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  Put(b, 2);
}
void AviWriter::PutFourCC(const char* f) {
  Put(f, 4);
}

void AviWriter::Flush() {
  size_t done = 0;
  while (ok_ && done < buf_.size()) {
    const ssize_t n =
        ::pwrite(fd_, buf_.data() + done, buf_.size() - done, off_t(bufStart_ + done));
    if (n <= 0)
      ok_ = false;
    else
      done += size_t(n);
  }
  bufStart_ += buf_.size();
  buf_.clear();
}

void AviWriter::PatchU32(uint64_t at, uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  if (at >= bufStart_) {
    std::memcpy(buf_.data() + (at - bufStart_), b, 4);
  } else if (ok_ && ::pwrite(fd_, b, 4, off_t(at)) != 4) {
    ok_ = false;
  }
}

void AviWriter::WriteHeaders() {
  const bool hasAudio = audio_.has_value();
  // The frame rate as a reduced fraction of 10,000,000 / time per frame.
  const int64_t tpf = video_.avgTimePerFrame > 0 ? video_.avgTimePerFrame : 400000;
  const int64_t g = std::gcd(int64_t(10'000'000), tpf);
  const auto rate = uint32_t(10'000'000 / g), scale = uint32_t(tpf / g);
  const uint32_t imageSize =
      uint32_t(VideoFormat{MEDIATYPE_Video, video_.compression ? rtl::TGUID{} : MEDIASUBTYPE_RGB24,
                           video_.width, video_.height, video_.bits, tpf}
                   .ImageSize());
  parts_.push_back(0);
  PutFourCC("RIFF");
  PutU32(0);
  PutFourCC("AVI ");
  PutFourCC("LIST");
  const uint64_t hdrlSize = pos_;
  PutU32(0);
  PutFourCC("hdrl");
  PutFourCC("avih");
  PutU32(56);
  PutU32(uint32_t(tpf / 10));
  PutU32(0);
  PutU32(0);
  PutU32(0x10 | (hasAudio ? 0x100 : 0));  // has index, interleaved
  totalFramesPos_ = pos_;
  PutU32(0);
  PutU32(0);
  PutU32(hasAudio ? 2 : 1);
  bufferSizePos_[0] = pos_;
  PutU32(0);
  PutU32(uint32_t(video_.width));
  PutU32(uint32_t(video_.height));
  for (int i = 0; i < 4; ++i) PutU32(0);

  auto strl = [&](bool isAudio) {
    PutFourCC("LIST");
    const uint64_t sizeAt = pos_;
    PutU32(0);
    PutFourCC("strl");
    PutFourCC("strh");
    PutU32(56);
    const AudioFormat a = isAudio ? *audio_ : AudioFormat{};
    const uint32_t block = uint32_t(a.channels * a.bitsPerSample / 8);
    PutFourCC(isAudio ? "auds" : "vids");
    PutU32(isAudio ? 0 : video_.handler);
    PutU32(0);
    PutU16(0);
    PutU16(0);
    PutU32(0);
    PutU32(isAudio ? block : scale);
    PutU32(isAudio ? uint32_t(a.avgBytesPerSec) : rate);
    PutU32(0);
    (isAudio ? audioLengthPos_ : videoLengthPos_) = pos_;
    PutU32(0);
    bufferSizePos_[isAudio ? 2 : 1] = pos_;
    PutU32(0);
    PutU32(0xFFFFFFFF);
    PutU32(isAudio ? block : 0);
    PutU16(0);
    PutU16(0);
    PutU16(isAudio ? 0 : uint16_t(video_.width));
    PutU16(isAudio ? 0 : uint16_t(video_.height));
    PutFourCC("strf");
    if (isAudio) {
      PutU32(18);
      PutU16(1);
      PutU16(uint16_t(a.channels));
      PutU32(uint32_t(a.samplesPerSec));
      PutU32(uint32_t(a.avgBytesPerSec));
      PutU16(uint16_t(block));
      PutU16(uint16_t(a.bitsPerSample));
      PutU16(0);
    } else {
      PutU32(40);
      PutU32(40);
      PutU32(uint32_t(video_.width));
      PutU32(uint32_t(video_.height));
      PutU16(1);
      PutU16(uint16_t(video_.bits));
      PutU32(video_.compression);
      PutU32(video_.compression ? uint32_t(video_.width * video_.height * 3) : imageSize);
      for (int i = 0; i < 4; ++i) PutU32(0);
    }
    Stream& s = streams_[isAudio ? 1 : 0];
    s.indxPos = pos_;
    PutFourCC("indx");
    PutU32(uint32_t(kIndxSize));
    PutU16(4);
    Put("\0\0", 2);  // sub type, type: an index of indexes
    PutU32(0);
    PutU32(s.chunkId);
    for (int i = 0; i < 3; ++i) PutU32(0);
    const std::vector<uint8_t> slots(16 * kSuperSlots, 0);
    Put(slots.data(), slots.size());
    PatchU32(sizeAt, uint32_t(pos_ - sizeAt - 4));
  };
  strl(false);
  if (hasAudio) strl(true);
  PutFourCC("LIST");
  PutU32(4 + 8 + 248);
  PutFourCC("odml");
  PutFourCC("dmlh");
  PutU32(248);
  dmlhPos_ = pos_;
  const std::vector<uint8_t> dmlh(248, 0);
  Put(dmlh.data(), dmlh.size());
  PatchU32(hdrlSize, uint32_t(pos_ - hdrlSize - 4));
  PutFourCC("LIST");
  PutU32(0);
  moviPos_ = pos_;
  PutFourCC("movi");
}

void AviWriter::StartPart() {
  parts_.push_back(pos_);
  PutFourCC("RIFF");
  PutU32(0);
  PutFourCC("AVIX");
  PutFourCC("LIST");
  PutU32(0);
  moviPos_ = pos_;
  PutFourCC("movi");
}

void AviWriter::EndPart() {
  const uint64_t partStart = parts_.back();
  for (int k = 0; k < (audio_ ? 2 : 1); ++k) {
    Stream& s = streams_[k];
    if (s.entries.empty()) continue;
    if (s.partsIndexed >= kSuperSlots) {
      ok_ = false;
      continue;
    }
    const uint64_t ixPos = pos_;
    const uint32_t ixSize = uint32_t(24 + 8 * s.entries.size());
    PutFourCC(k ? "ix01" : "ix00");
    PutU32(ixSize);
    PutU16(2);
    Put("\0\1", 2);  // sub type, type: an index of chunks
    PutU32(uint32_t(s.entries.size()));
    PutU32(s.chunkId);
    PutU32(uint32_t(partStart));
    PutU32(uint32_t(partStart >> 32));
    PutU32(0);
    uint64_t duration = 0;
    for (const Entry& e : s.entries) {
      PutU32(uint32_t(e.offset + 8 - partStart));
      PutU32(e.size | (e.keyframe ? 0 : 0x80000000u));
      duration += k ? e.size / uint32_t(audio_->channels * audio_->bitsPerSample / 8) : 1;
    }
    // The part's entry in the stream's index of indexes.
    const uint64_t slot = s.indxPos + 8 + 24 + 16 * uint64_t(s.partsIndexed);
    PatchU32(slot, uint32_t(ixPos));
    PatchU32(slot + 4, uint32_t(ixPos >> 32));
    PatchU32(slot + 8, ixSize + 8);
    PatchU32(slot + 12, uint32_t(duration));
    ++s.partsIndexed;
    PatchU32(s.indxPos + 12, s.partsIndexed);
    s.entries.clear();
  }
  PatchU32(moviPos_ - 4, uint32_t(pos_ - moviPos_));
  if (parts_.size() == 1) {
    PutFourCC("idx1");
    PutU32(uint32_t(idx1_.size()));
    Put(idx1_.data(), idx1_.size());
    idx1_.clear();
    idx1_.shrink_to_fit();
    firstPartFrames_ = videoFrames_;
  }
  PatchU32(partStart + 4, uint32_t(pos_ - partStart - 8));
}

bool AviWriter::WriteChunk(Stream& s, const uint8_t* data, size_t size, bool keyframe) {
  if (fd_ < 0 || closed_ || !ok_ || size > 0x7FFFFFF0u) return false;
  const size_t padded = size + (size & 1);
  uint64_t reserve = 0;
  for (const Stream& t : streams_) reserve += 32 + 8 * (t.entries.size() + 1);
  if (parts_.size() == 1) reserve += 8 + idx1_.size() + 32;
  if (pos_ + 8 + padded + reserve - parts_.back() > partLimit_) {
    EndPart();
    StartPart();
  }
  const uint64_t at = pos_;
  Put(&s.chunkId, 4);
  PutU32(uint32_t(size));
  Put(data, size);
  if (size & 1) Put("", 1);
  s.entries.push_back({at, uint32_t(size), keyframe});
  if (parts_.size() == 1) {
    const uint32_t e[4] = {s.chunkId, keyframe ? kKeyFrame : 0u, uint32_t(at - moviPos_),
                           uint32_t(size)};
    const auto* b = reinterpret_cast<const uint8_t*>(e);
    idx1_.insert(idx1_.end(), b, b + 16);
  }
  if (size > maxChunk_) maxChunk_ = uint32_t(size);
  return ok_;
}

bool AviWriter::WriteVideo(const uint8_t* data, size_t size, bool keyframe) {
  if (!WriteChunk(streams_[0], data, size, keyframe)) return false;
  lastVideo_.assign(data, data + size);
  lastKey_ = keyframe;
  ++videoFrames_;
  return true;
}

bool AviWriter::RepeatVideo() {
  if (lastVideo_.empty()) return false;
  if (!WriteChunk(streams_[0], lastVideo_.data(), lastVideo_.size(), lastKey_)) return false;
  ++videoFrames_;
  return true;
}

bool AviWriter::WriteAudio(const uint8_t* data, size_t size) {
  if (!audio_ || !WriteChunk(streams_[1], data, size, true)) return false;
  audioBytes_ += size;
  return true;
}

bool AviWriter::Close() {
  if (fd_ < 0) return closed_ && ok_;
  if (!closed_) {
    closed_ = true;
    EndPart();
    PatchU32(totalFramesPos_, uint32_t(firstPartFrames_));
    PatchU32(dmlhPos_, uint32_t(videoFrames_));
    PatchU32(videoLengthPos_, uint32_t(videoFrames_));
    for (uint64_t p : bufferSizePos_)
      if (p) PatchU32(p, maxChunk_ + 8);
    if (audio_) {
      const uint32_t block = uint32_t(audio_->channels * audio_->bitsPerSample / 8);
      PatchU32(audioLengthPos_, block ? uint32_t(audioBytes_ / block) : 0);
    }
    Flush();
    // A preallocated file is longer than the AVI: cut it at the AVI's end.
    if (ok_ && ::ftruncate(fd_, off_t(pos_)) != 0) ok_ = false;
  }
  ::close(fd_);
  fd_ = -1;
  return ok_;
}

}  // namespace capture
