#pragma once
// Picture files: BMP (read and write, 1, 4, 8, 24 and 32 bits), JPEG (read and write, libjpeg)
// and PNG (write, libpng, for snapshots). Malformed files raise EInvalidGraphic; files that
// cannot be opened or written raise rtl::EFOpenError / rtl::EWriteError.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/surface.h"
#include "platform/rtl/exceptions.h"

namespace gdi {

class EInvalidGraphic : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

// A device-independent picture: rows bottom-up, DibStride(width, bitCount) bytes each, palette
// of 2^bitCount entries for 1, 4 and 8 bits.
struct DibImage {
  int width = 0;
  int height = 0;
  int bitCount = 24;
  std::vector<RGBQUAD> palette;
  std::vector<uint8_t> bits;

  int Stride() const { return DibStride(width, bitCount); }
  // 0x00RRGGBB of the pixel at (x, y), y counted from the top.
  uint32_t PixelRgb(int x, int y) const;
  // A 32-bit top-down surface of the picture.
  std::shared_ptr<Surface> ToSurface() const;
  // 1 (threshold), 8, 24 or 32 bits from any surface. With 8 each pixel takes the palette entry
  // of its colour, else the nearest one; without a palette the picture's colours make it, in
  // the order they come, up to 256.
  static DibImage FromSurface(const Surface& s, int bitCount = 24,
                              std::vector<RGBQUAD> palette = {});
};

DibImage ReadBmp(const uint8_t* data, size_t size);
std::vector<uint8_t> WriteBmp(const DibImage& image);
DibImage LoadBmpFile(const std::string& path);
void SaveBmpFile(const std::string& path, const DibImage& image);

// Decodes to 24 bits (greyscale and CMYK pictures are converted). A picture of more than
// maxPixels pixels is refused before it is decoded.
constexpr uint64_t kJpegMaxPixels = uint64_t(1) << 26;
DibImage ReadJpeg(const uint8_t* data, size_t size, uint64_t maxPixels = kJpegMaxPixels);
std::vector<uint8_t> WriteJpeg(const Surface& s, int quality = 90);

std::vector<uint8_t> WritePng(const Surface& s);
void SavePngFile(const std::string& path, const Surface& s);

// A BMP or JPEG file (told apart by its first bytes) as a 32-bit surface.
std::shared_ptr<Surface> LoadImageFile(const std::string& path);

std::vector<uint8_t> ReadWholeFile(const std::string& path);
// Replaces the file whole (rtl::WriteFileAtomic): a failure leaves the old file as it was.
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace gdi
