#pragma once
// Block transfers with ternary raster operations.
//
// Format rules: a monochrome source drawn onto a colour destination paints its 0 bits in the
// destination's text colour and its 1 bits in its background colour; a colour source drawn onto
// a monochrome destination gives 1 where the pixel equals the source DC's background colour and
// 0 elsewhere. The pattern is the destination's selected brush.
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"

namespace gdi {

enum : DWORD {
  SRCCOPY = 0x00CC0020,
  SRCPAINT = 0x00EE0086,
  SRCAND = 0x008800C6,
  SRCINVERT = 0x00660046,
  SRCERASE = 0x00440328,
  NOTSRCCOPY = 0x00330008,
  NOTSRCERASE = 0x001100A6,
  MERGECOPY = 0x00C000CA,
  MERGEPAINT = 0x00BB0226,
  PATCOPY = 0x00F00021,
  PATPAINT = 0x00FB0A09,
  PATINVERT = 0x005A0049,
  DSTINVERT = 0x00550009,
  BLACKNESS = 0x00000042,
  WHITENESS = 0x00FF0062,
};

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
// Nearest-pixel scaling; negative sizes mirror.
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
                int srcWidth, int srcHeight, DWORD rop);
BOOL PatBlt(HDC dst, int x, int y, int width, int height, DWORD rop);
// DIB source coordinates count from the top-left of the picture. Returns the rows drawn.
int StretchDIBits(HDC dst, int x, int y, int width, int height, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
int SetDIBitsToDevice(HDC dst, int x, int y, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info,
                      UINT usage);

// Draws a whole surface scaled into a rectangle of a DC (SRCCOPY).
BOOL StretchDrawSurface(HDC dst, const RECT& r, const Surface& src);

}  // namespace gdi
