#include <gtest/gtest.h>
#include <cstring>

#include <string>

#include "canvas.h"

namespace gdi {
namespace {

using testing::Canvas;
using testing::kBlack;
using testing::kWhite;

// A memory DC over a new 24-bit bottom-up DIB section.
HDC DibDC(int w, int h, HBITMAP& bmp) {
  BITMAPINFO bi{};
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, bmp);
  return dc;
}

TEST(Blit, MonochromeSourceTakesTextAndBackgroundColours) {
  uint8_t bits[8] = {0xF0, 0, 0xF0, 0, 0x0F, 0, 0x0F, 0};  // 8 x 4, 16-bit rows
  HBITMAP mono = CreateBitmap(8, 4, 1, 1, bits);
  HDC src = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(src, mono);
  Canvas c(8, 4);
  SetTextColor(c.dc(), RGB(255, 0, 0));  // for 0 bits
  SetBkColor(c.dc(), RGB(0, 0, 255));    // for 1 bits
  BitBlt(c.dc(), 0, 0, 8, 4, src, 0, 0, SRCCOPY);
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(7, 0), RGB(255, 0, 0));
  EXPECT_EQ(c.At(0, 3), RGB(255, 0, 0));
  EXPECT_EQ(c.At(7, 3), RGB(0, 0, 255));
  SelectObject(src, old);
  DeleteDC(src);
  DeleteObject(mono);
}

TEST(Blit, ColourToMonochromeMatchesTheSourceBackground) {
  Canvas colour(4, 1);
  SetPixel(colour.dc(), 1, 0, RGB(255, 0, 255));
  SetPixel(colour.dc(), 2, 0, kBlack);
  SetBkColor(colour.dc(), RGB(255, 0, 255));
  HBITMAP mono = CreateBitmap(4, 1, 1, 1, nullptr);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, mono);
  BitBlt(m, 0, 0, 4, 1, colour.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(m, 0, 0), kBlack);
  EXPECT_EQ(GetPixel(m, 1, 0), kWhite);  // the mask bit
  EXPECT_EQ(GetPixel(m, 2, 0), kBlack);
  SelectObject(m, old);
  DeleteDC(m);
  DeleteObject(mono);
}

TEST(Blit, RasterOperations) {
  Canvas src(2, 1), dst(2, 1);
  SetPixel(src.dc(), 0, 0, RGB(0xF0, 0x0F, 0x33));
  SetPixel(src.dc(), 1, 0, RGB(0x0F, 0xF0, 0xCC));
  auto run = [&](DWORD rop) {
    SetPixel(dst.dc(), 0, 0, RGB(0xFF, 0x00, 0x55));
    SetPixel(dst.dc(), 1, 0, RGB(0x00, 0xFF, 0xAA));
    BitBlt(dst.dc(), 0, 0, 2, 1, src.dc(), 0, 0, rop);
    return dst.At(0, 0);
  };
  EXPECT_EQ(run(SRCCOPY), RGB(0xF0, 0x0F, 0x33));
  EXPECT_EQ(run(NOTSRCCOPY), RGB(0x0F, 0xF0, 0xCC));
  EXPECT_EQ(run(SRCAND), RGB(0xF0, 0x00, 0x11));
  EXPECT_EQ(run(SRCPAINT), RGB(0xFF, 0x0F, 0x77));
  EXPECT_EQ(run(SRCINVERT), RGB(0x0F, 0x0F, 0x66));
  EXPECT_EQ(run(DSTINVERT), RGB(0x00, 0xFF, 0xAA));
  EXPECT_EQ(run(BLACKNESS), kBlack);
  EXPECT_EQ(run(WHITENESS), kWhite);
  SelectObject(dst.dc(), CreateSolidBrush(RGB(0x12, 0x34, 0x56)));
  EXPECT_EQ(run(PATCOPY), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(run(PATINVERT), RGB(0xED, 0x34, 0x03));
  DeleteObject(SelectObject(dst.dc(), GetStockObject(WHITE_BRUSH)));
}

TEST(Blit, StretchAndMirror) {
  Canvas src(2, 2), dst(4, 4);
  SetPixel(src.dc(), 0, 0, RGB(255, 0, 0));
  SetPixel(src.dc(), 1, 1, RGB(0, 0, 255));
  StretchBlt(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(dst.Count(RGB(255, 0, 0)), 4);
  EXPECT_EQ(dst.At(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(dst.At(3, 3), RGB(0, 0, 255));
  // A negative width mirrors left and right; the box runs from x + width to x.
  StretchBlt(dst.dc(), 4, 0, -4, 4, src.dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(dst.At(3, 0), RGB(255, 0, 0));
  EXPECT_EQ(dst.At(0, 3), RGB(0, 0, 255));
}

TEST(Blit, OverlappingCopyOnOneSurface) {
  Canvas c(10, 1);
  for (int x = 0; x < 10; ++x) SetPixel(c.dc(), x, 0, RGB(x, 0, 0));
  BitBlt(c.dc(), 2, 0, 8, 1, c.dc(), 0, 0, SRCCOPY);
  for (int x = 2; x < 10; ++x) EXPECT_EQ(GetRValue(c.At(x, 0)), x - 2);
}

// A plain copy must give what the general raster path gives for the same source: white pattern
// AND source (MERGECOPY) is the source itself, but goes pixel by pixel.
TEST(Blit, PlainCopyMatchesTheGeneralPathThroughHolesAndEdges) {
  auto fillSource = [](HDC dc, int w, int h) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) SetPixel(dc, x, y, RGB(x * 20, y * 20, (x * y) & 0xFF));
  };
  // Device bitmaps, 24-bit DIBs, and a 24-bit DIB onto device bitmaps (a picture onto the screen).
  for (int kind : {0, 1, 2}) {
    SCOPED_TRACE(kind == 0 ? "device bitmap" : kind == 1 ? "24-bit DIB" : "DIB onto device");
    const bool dib = kind == 1;
    Canvas src(7, 6), plain(12, 10, RGB(9, 9, 9)), general(12, 10, RGB(9, 9, 9));
    HBITMAP b0 = nullptr, b1 = nullptr, b2 = nullptr;
    HDC d0 = src.dc(), d1 = plain.dc(), d2 = general.dc();
    if (kind == 2) d0 = DibDC(7, 6, b0);
    if (dib) {  // source and destinations all 24-bit
      d0 = DibDC(7, 6, b0);
      d1 = DibDC(12, 10, b1);
      d2 = DibDC(12, 10, b2);
      for (HDC d : {d1, d2})
        for (int y = 0; y < 10; ++y)
          for (int x = 0; x < 12; ++x) SetPixel(d, x, y, RGB(9, 9, 9));
    }
    fillSource(d0, 7, 6);
    HRGN clip = CreateRectRgn(1, 1, 11, 9);
    HRGN hole = CreateRectRgn(4, 3, 7, 5);
    CombineRgn(clip, clip, hole, RGN_DIFF);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    for (HDC d : {d1, d2}) {
      SelectClipRgn(d, clip);
      SelectObject(d, white);
    }
    // The source box starts left of and above the source bitmap and runs past its far edges.
    BitBlt(d1, 0, 0, 12, 10, d0, -2, -1, SRCCOPY);
    BitBlt(d2, 0, 0, 12, 10, d0, -2, -1, MERGECOPY);
    for (HDC d : {d1, d2}) SelectClipRgn(d, nullptr);
    int differ = 0, copied = 0;
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) {
        differ += GetPixel(d1, x, y) != GetPixel(d2, x, y);
        copied += GetPixel(d1, x, y) != RGB(9, 9, 9) && GetPixel(d1, x, y) != RGB(0, 0, 0);
      }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(copied, 20);
    EXPECT_EQ(GetPixel(d1, 0, 0), RGB(9, 9, 9));    // outside the clip
    EXPECT_EQ(GetPixel(d1, 5, 4), RGB(9, 9, 9));    // in the hole
    EXPECT_EQ(GetPixel(d1, 2, 1), RGB(0, 0, 0));    // source (0, 0)
    EXPECT_EQ(GetPixel(d1, 3, 2), RGB(20, 20, 1));  // source (1, 1)
    EXPECT_EQ(GetPixel(d1, 10, 8), RGB(9, 9, 9));   // past the source's right edge
    if (dib) {
      for (HDC d : {d1, d2}) DeleteDC(d);
      for (HBITMAP b : {b1, b2}) DeleteObject(b);
    }
    if (kind != 0) {
      DeleteDC(d0);
      DeleteObject(b0);
    }
    DeleteObject(white);
    DeleteObject(hole);
    DeleteObject(clip);
  }
}

// The operations of source and destination alone (the mask composition's NOT, AND, OR and
// others) against per-pixel formulas, through a clip with a hole and a source box that runs
// past the source's edges, on device bitmaps and on 24-bit DIBs.
TEST(Blit, SourceOperationsMatchTheirFormulasThroughHolesAndEdges) {
  struct Op {
    DWORD rop;
    COLORREF (*f)(COLORREF s, COLORREF d);
  } ops[] = {
      {NOTSRCCOPY, [](COLORREF s, COLORREF) { return ~s & 0xFFFFFFu; }},
      {SRCAND, [](COLORREF s, COLORREF d) { return s & d; }},
      {SRCPAINT, [](COLORREF s, COLORREF d) { return s | d; }},
      {SRCINVERT, [](COLORREF s, COLORREF d) { return s ^ d; }},
      {SRCERASE, [](COLORREF s, COLORREF d) { return s & ~d & 0xFFFFFFu; }},
      {NOTSRCERASE, [](COLORREF s, COLORREF d) { return ~(s | d) & 0xFFFFFFu; }},
      {MERGEPAINT, [](COLORREF s, COLORREF d) { return (~s | d) & 0xFFFFFFu; }},
  };
  auto source = [](int x, int y) { return RGB(x * 37, y * 53, (x * 11) ^ (y * 29)); };
  auto before = [](int x, int y) { return RGB(200 - x * 9, x * y, 0x5A + y * 13); };
  for (bool dib : {false, true}) {
    for (const Op& op : ops) {
      SCOPED_TRACE(std::string(dib ? "24-bit DIB " : "device bitmap ") + std::to_string(op.rop));
      Canvas srcCanvas(7, 6), dstCanvas(12, 10);
      HBITMAP b0 = nullptr, b1 = nullptr;
      HDC src = dib ? DibDC(7, 6, b0) : srcCanvas.dc();
      HDC dst = dib ? DibDC(12, 10, b1) : dstCanvas.dc();
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) SetPixel(src, x, y, source(x, y));
      for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) SetPixel(dst, x, y, before(x, y));
      HRGN clip = CreateRectRgn(1, 1, 11, 9);
      HRGN hole = CreateRectRgn(4, 3, 7, 5);
      CombineRgn(clip, clip, hole, RGN_DIFF);
      SelectClipRgn(dst, clip);
      // Destination (x, y) takes source (x - 2, y - 1).
      BitBlt(dst, 0, 0, 12, 10, src, -2, -1, op.rop);
      SelectClipRgn(dst, nullptr);
      int wrong = 0, changed = 0;
      for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
          const bool inClip =
              x >= 1 && x < 11 && y >= 1 && y < 9 && !(x >= 4 && x < 7 && y >= 3 && y < 5);
          const int sx = x - 2, sy = y - 1;
          const bool inSource = sx >= 0 && sx < 7 && sy >= 0 && sy < 6;
          const COLORREF want =
              inClip && inSource ? op.f(source(sx, sy), before(x, y)) : before(x, y);
          wrong += GetPixel(dst, x, y) != want;
          changed += want != before(x, y);
        }
      EXPECT_EQ(wrong, 0);
      EXPECT_GT(changed, 20);
      if (dib) {
        DeleteDC(src);
        DeleteDC(dst);
        DeleteObject(b0);
        DeleteObject(b1);
      }
      DeleteObject(hole);
      DeleteObject(clip);
    }
  }
}

TEST(DibSection, TwentyFourBitsBottomUpWithPaddedRows) {
  BITMAPINFO bi{};
  bi.bmiHeader.biWidth = 101;
  bi.bmiHeader.biHeight = 3;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  ASSERT_NE(bits, nullptr);
  BITMAP info;
  GetBitmapInfo(dib, &info);
  EXPECT_EQ(info.bmWidthBytes, 304);
  EXPECT_EQ(info.bmBits, bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dib);
  SetPixel(dc, 0, 0, RGB(1, 2, 3));  // top row = last row in memory
  auto* b = static_cast<uint8_t*>(bits);
  EXPECT_EQ(b[2 * 304 + 0], 3);  // blue first
  EXPECT_EQ(b[2 * 304 + 1], 2);
  EXPECT_EQ(b[2 * 304 + 2], 1);
  b[0] = 0xFF;  // bottom-left pixel, blue, written directly
  EXPECT_EQ(GetPixel(dc, 0, 2), RGB(0, 0, 255));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(dib);
}

TEST(DibSection, StretchDIBitsDrawsBottomUpData) {
  // 2 x 2, 24 bits: rows of 8 bytes, the first row in memory is the bottom one.
  uint8_t bits[16] = {0,   0, 255, 0, 255, 0, 0, 0,   // bottom: red, green
                      255, 0, 0,   0, 0,   0, 0, 0};  // top: blue, black
  BITMAPINFO bi{};
  bi.bmiHeader.biWidth = 2;
  bi.bmiHeader.biHeight = 2;
  bi.bmiHeader.biBitCount = 24;
  Canvas c(4, 4);
  EXPECT_EQ(StretchDIBits(c.dc(), 0, 0, 4, 4, 0, 0, 2, 2, bits, &bi, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(3, 0), kBlack);
  EXPECT_EQ(c.At(0, 3), RGB(255, 0, 0));
  EXPECT_EQ(c.At(3, 3), RGB(0, 255, 0));
}

TEST(DibSection, StretchDIBitsOfPaletteData) {
  // 4 x 2 at 8 bits with a two-entry palette; 4 bits and 1 bit through the same table.
  BITMAPINFO bi{};
  bi.bmiHeader.biWidth = 4;
  bi.bmiHeader.biHeight = -2;  // top-down
  bi.bmiHeader.biBitCount = 8;
  bi.bmiHeader.biClrUsed = 2;
  bi.bmiColors[0] = RGBQUAD{0, 0, 255, 0};            // red
  bi.bmiColors[1] = RGBQUAD{255, 0, 0, 0};            // blue
  const uint8_t bits8[8] = {0, 1, 0, 1, 1, 1, 0, 7};  // 7: past the palette, black
  Canvas c(4, 2);
  StretchDIBits(c.dc(), 0, 0, 4, 2, 0, 0, 4, 2, bits8, &bi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(c.At(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(0, 1), RGB(0, 0, 255));
  EXPECT_EQ(c.At(3, 1), kBlack);
  bi.bmiHeader.biBitCount = 4;
  const uint8_t bits4[8] = {0x01, 0x01, 0, 0, 0x11, 0x00, 0, 0};
  StretchDIBits(c.dc(), 0, 0, 4, 2, 0, 0, 4, 2, bits4, &bi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(c.At(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(2, 1), RGB(255, 0, 0));
  bi.bmiHeader.biBitCount = 1;
  const uint8_t bits1[8] = {0x50, 0, 0, 0, 0xF0, 0, 0, 0};
  StretchDIBits(c.dc(), 0, 0, 4, 2, 0, 0, 4, 2, bits1, &bi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(c.At(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.Count(RGB(0, 0, 255)), 6);
}

TEST(DibSection, GetDIBitsRoundTrip) {
  Canvas c(3, 2);
  SetPixel(c.dc(), 2, 0, RGB(10, 20, 30));
  BITMAPINFO bi{};
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biHeight = 1;  // bottom-up request
  std::vector<uint8_t> bits(2 * 12);
  EXPECT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 2, bits.data(), &bi, DIB_RGB_COLORS), 2);
  EXPECT_EQ(bi.bmiHeader.biSizeImage, 24u);
  EXPECT_EQ(bits[12 + 6], 30);  // top row is the second in memory
  Canvas d(3, 2);
  HBITMAP target = d.bitmap();
  EXPECT_EQ(SetDIBits(nullptr, target, 0, 2, bits.data(), &bi, DIB_RGB_COLORS), 2);
  EXPECT_EQ(d.At(2, 0), RGB(10, 20, 30));
}

}  // namespace
}  // namespace gdi

namespace gdi {
namespace {

// The masked drawing of image lists: a mask made from the background colour, then AND with the
// mask and OR with the image whose background was blackened.
TEST(Blit, TransparentDrawingThroughAMonochromeMask) {
  const COLORREF magenta = RGB(255, 0, 255);
  testing::Canvas image(8, 8, magenta);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  SelectObject(image.dc(), blue);
  SelectObject(image.dc(), GetStockObject(NULL_PEN));
  const POINT tri[3] = {{0, 8}, {8, 8}, {4, 0}};
  Polygon(image.dc(), tri, 3);

  HBITMAP maskBmp = CreateBitmap(8, 8, 1, 1, nullptr);
  HDC mask = CreateCompatibleDC(nullptr);
  HGDIOBJ oldMask = SelectObject(mask, maskBmp);
  SetBkColor(image.dc(), magenta);
  BitBlt(mask, 0, 0, 8, 8, image.dc(), 0, 0, SRCCOPY);  // 1 where the background was
  // Blacken the image's background: image AND NOT mask, the mask's 1 bits arriving in the
  // background colour (white) and its 0 bits in the text colour (black).
  SetTextColor(image.dc(), RGB(0, 0, 0));
  SetBkColor(image.dc(), RGB(255, 255, 255));
  BitBlt(image.dc(), 0, 0, 8, 8, mask, 0, 0, 0x00220326);  // DSna

  testing::Canvas screen(8, 8, RGB(0, 200, 0));
  SetTextColor(screen.dc(), RGB(0, 0, 0));
  SetBkColor(screen.dc(), RGB(255, 255, 255));
  BitBlt(screen.dc(), 0, 0, 8, 8, mask, 0, 0, SRCAND);
  BitBlt(screen.dc(), 0, 0, 8, 8, image.dc(), 0, 0, SRCPAINT);
  EXPECT_EQ(screen.At(0, 0), RGB(0, 200, 0));  // background shows through
  EXPECT_EQ(screen.At(4, 6), RGB(0, 0, 255));  // the picture
  EXPECT_EQ(screen.Count(magenta), 0);

  // Drawing straight onto the mask: shapes and text turn into bits.
  SelectObject(mask, GetStockObject(BLACK_BRUSH));
  const RECT all{0, 0, 8, 8};
  FillRect(mask, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  Ellipse(mask, 0, 0, 8, 8);
  EXPECT_EQ(GetPixel(mask, 4, 4), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(mask, 0, 0), RGB(255, 255, 255));
  SelectObject(mask, oldMask);
  DeleteDC(mask);
  DeleteObject(maskBmp);
  SelectObject(image.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(blue);
}

}  // namespace
}  // namespace gdi

namespace gdi {
namespace {

TEST(DibSection, StretchDIBitsOfSixteenBitData) {
  // 2 x 1 top-down. RGB555: red 0x7C00, then 0x4210 (16 of 31 in each channel: 16*255/31 = 131).
  BITMAPINFO bi{};
  bi.bmiHeader.biWidth = 2;
  bi.bmiHeader.biHeight = -1;
  bi.bmiHeader.biBitCount = 16;
  const uint8_t rgb555[4] = {0x00, 0x7C, 0x10, 0x42};
  Canvas c(2, 1);
  EXPECT_EQ(StretchDIBits(c.dc(), 0, 0, 2, 1, 0, 0, 2, 1, rgb555, &bi, DIB_RGB_COLORS, SRCCOPY), 1);
  EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(c.At(1, 0), RGB(131, 131, 131));
  // RGB565 through its masks: green 0x07E0, then 0x8410 (16/31, 32/63 = 129, 16/31).
  bi.bmiHeader.biCompression = BI_BITFIELDS;
  const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  std::memcpy(bi.bmiColors, masks, sizeof masks);
  const uint8_t rgb565[4] = {0xE0, 0x07, 0x10, 0x84};
  StretchDIBits(c.dc(), 0, 0, 2, 1, 0, 0, 2, 1, rgb565, &bi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(c.At(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(c.At(1, 0), RGB(131, 129, 131));
}

}  // namespace
}  // namespace gdi
