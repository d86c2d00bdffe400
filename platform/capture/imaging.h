#pragma once
// Image conversions between the device formats (YUY2, RGB DIBs) and the 32-bit top-down pixels
// that previews and still frames start from, and the frame-number pattern of the test devices.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/capture/types.h"

namespace capture {

// Top-down rows of B,G,R,0 bytes.
struct Rgb32Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  uint8_t* Row(int y) { return pixels.data() + size_t(y) * size_t(width) * 4; }
  const uint8_t* Row(int y) const { return pixels.data() + size_t(y) * size_t(width) * 4; }
};

// Decodes an image in a device format (YUY2, RGB24 or RGB32 DIB rows, bottom-up when the height
// is positive, or a JPEG image of the format's size); nothing for formats it does not know or
// data too short for the format.
std::optional<Rgb32Image> ToRgb32(const uint8_t* data, size_t size, const VideoFormat& format);
// Encodes to YUY2 (width rounded down to even) or to an RGB DIB (RGB555, RGB565, RGB24, RGB32,
// bottom-up); an empty result for other subtypes.
std::vector<uint8_t> FromRgb32(const Rgb32Image& image, const rtl::TGUID& subtype);
// Nearest-neighbour scaling.
Rgb32Image Scale(const Rgb32Image& image, int width, int height);

// The frame number as a 4 x 4 grid of black and white blocks (16 bits, most significant first) at
// the top left, in blocks big enough to survive JPEG; the rest is a picture that moves with the
// number (or noise, which compresses as a camera's picture does).
void DrawFramePattern(Rgb32Image& image, uint32_t number, bool noise = false);
// The number drawn by DrawFramePattern, or nothing when the blocks are not clearly black or white.
// `blockSize` 0 takes the size DrawFramePattern uses for this image's size (give it for a crop).
std::optional<uint32_t> ReadFramePattern(const Rgb32Image& image, int blockSize = 0);

}  // namespace capture
