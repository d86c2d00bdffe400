#pragma once
// A table file on disk, read and written at given offsets so that every write goes straight to
// the file (another handle on it sees the bytes at once).
#include <cstddef>
#include <cstdint>
#include <string>

namespace db {

class RawFile {
 public:
  enum Mode { ReadOnly, ReadWrite, CreateNew };
  // ReadWrite falls back to read-only when the file may not be written; writes then raise.
  RawFile(const std::string& fileName, Mode mode);
  ~RawFile();
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;

  const std::string& FileName() const { return fFileName; }
  bool Writable() const { return fWritable; }
  uint64_t Size() const;
  // Reads up to count bytes; returns how many there were.
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) const;
  // Reads exactly count bytes or raises (the file is shorter than its header says).
  void ReadExact(uint64_t offset, void* buffer, size_t count) const;
  void WriteAt(uint64_t offset, const void* buffer, size_t count);
  void Truncate(uint64_t size);
  void Sync();  // durable: data and size reach the disk

 private:
  std::string fFileName;
  int fFd = -1;
  bool fWritable = false;
};

// Little- and big-endian integers in byte buffers.
inline uint16_t GetLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t GetLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void PutLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace db
