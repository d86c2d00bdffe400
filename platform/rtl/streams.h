#pragma once
// Byte streams: files, memory, and read-only blobs embedded in the program.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/classes.h"

namespace rtl {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  // Read and Write move up to Count bytes and return how many they moved.
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  // Exactly Count bytes or EReadError / EWriteError.
  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t NewSize);

  // Copies Count bytes from Source's position; Count 0 copies all of Source from its start.
  // Returns the count copied.
  int64_t CopyFrom(TStream* Source, int64_t Count);
};

// Open modes: one access mode, optionally or'ed with a sharing mode (accepted, not enforced).
enum : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,  // create or truncate, open for reading and writing
};

class TFileStream : public TStream {
 public:
  // Raises EFOpenError with the system's reason when the file cannot be opened or created.
  TFileStream(const std::string& FileName, unsigned Mode);
  ~TFileStream() override;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;

  const std::string& FileName() const { return fileName_; }
  int Handle() const { return fd_; }
  // Flushes the file's data to the disk (fsync); false on failure.
  bool Flush();

 private:
  std::string fileName_;
  int fd_ = -1;
};

// A stream over a block of memory it does not own.
class TCustomMemoryStream : public TStream {
 public:
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return size_; }

  const void* Memory() const { return memory_; }
  void SaveToStream(TStream* Stream) const;
  // Replaces the file whole (WriteFileAtomic): a failure leaves the old file as it was.
  void SaveToFile(const std::string& FileName) const;

 protected:
  void SetPointer(const void* Ptr, int64_t Size);
  int64_t position_ = 0;

 private:
  const void* memory_ = nullptr;
  int64_t size_ = 0;
};

class TMemoryStream : public TCustomMemoryStream {
 public:
  int64_t Write(const void* Buffer, int64_t Count) override;
  void SetSize(int64_t NewSize) override;

  using TCustomMemoryStream::Memory;
  void* Memory() { return data_.data(); }
  void Clear();
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);

 private:
  void Resize(int64_t NewSize);
  std::vector<uint8_t> data_;
};

// A memory stream whose contents are a string.
class TStringStream : public TMemoryStream {
 public:
  explicit TStringStream(std::string_view Data = {});
  std::string DataString() const;
};

// Embedded blobs (bitmaps and the like) registered under a name, case-insensitive; the bytes must
// outlive the program (static data).
void RegisterResource(const std::string& Name, std::span<const uint8_t> Data);
bool FindResource(const std::string& Name, std::span<const uint8_t>& Data);

// Read-only stream over a registered blob; raises EResNotFound when there is none.
class TResourceStream : public TCustomMemoryStream {
 public:
  explicit TResourceStream(const std::string& ResName);
  int64_t Write(const void* Buffer, int64_t Count) override;
};

}  // namespace rtl
