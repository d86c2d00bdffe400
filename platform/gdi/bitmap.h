#pragma once
// Bitmaps: device-format (32-bit) and monochrome bitmaps, DIB sections whose bits the caller
// writes directly, and conversion between bitmaps and DIB data.
#include "platform/gdi/dc.h"

namespace gdi {

enum : DWORD { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };
enum : UINT { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };

#pragma pack(push, 1)
struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: bottom-up rows; negative: top-down
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  DWORD biCompression = BI_RGB;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};
#pragma pack(pop)

// The colour table always has room for 256 entries.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

// Bytes in one DIB row: ((width * bits + 31) / 32) * 4.
inline int DibStride(int width, int bitCount) {
  return ((width * bitCount + 31) / 32) * 4;
}

// bits: rows of ((width * bitCount + 15) / 16) * 2 bytes, top-down, may be null. Supports 1 and
// 32 bits a pixel.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits);
// Same format as the DC's surface (a fresh memory DC holds a monochrome bitmap, so its
// compatible bitmaps are monochrome); a null DC means the screen (32-bit).
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// 1, 24 or 32 bits a pixel, BI_RGB; *bits receives the pixel memory (bottom-up rows unless
// biHeight is negative), which lives as long as the bitmap.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits,
                         void* section = nullptr, DWORD offset = 0);
// A bitmap over an existing surface (the window system's screen, an image just decoded).
HBITMAP CreateBitmapOnSurface(std::shared_ptr<Surface> surface);
// The surface of a bitmap (for direct pixel work and snapshots).
std::shared_ptr<Surface> GetBitmapSurface(HBITMAP bmp);

// Copies rows of a bitmap out as a DIB of 1, 4, 8, 24 or 32 bits (BI_RGB); with bits null only
// fills in the header (size and biSizeImage). Returns the number of rows copied.
int GetDIBits(HDC hdc, HBITMAP bmp, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);
int SetDIBits(HDC hdc, HBITMAP bmp, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage);
// Decodes DIB data of 1, 4, 8, 24 or 32 bits into a 32-bit surface (top-down).
std::shared_ptr<Surface> DibToSurface(const BITMAPINFO* info, const void* bits);

}  // namespace gdi
