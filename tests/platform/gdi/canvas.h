#pragma once
// A memory DC over a fresh bitmap for pixel tests, with small helpers to read the result.
#include <string>

#include "platform/gdi/gdi.h"

namespace gdi::testing {

class Canvas {
 public:
  explicit Canvas(int w, int h, COLORREF background = RGB(255, 255, 255)) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = CreateCompatibleBitmap(nullptr, w, h);
    old_ = SelectObject(dc_, bmp_);
    Clear(background);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bmp_; }
  int width() const { return w_; }
  int height() const { return h_; }

  void Clear(COLORREF c) {
    auto s = GetBitmapSurface(bmp_);
    for (int y = 0; y < h_; ++y) s->Fill(y, 0, w_, ColorToNative(c));
  }
  COLORREF At(int x, int y) const {
    auto s = GetBitmapSurface(bmp_);
    return NativeToColor(s->Get(x, y));
  }
  int Count(COLORREF c) const {
    int n = 0;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) n += At(x, y) == c;
    return n;
  }
  int CountNot(COLORREF c) const { return w_ * h_ - Count(c); }
  // Bounding box of the pixels that differ from c.
  RECT Extent(COLORREF c) const {
    RECT r{w_, h_, 0, 0};
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if (At(x, y) != c) {
          r.left = std::min(r.left, x);
          r.top = std::min(r.top, y);
          r.right = std::max(r.right, x + 1);
          r.bottom = std::max(r.bottom, y + 1);
        }
    return r;
  }
  // One character a pixel: '.' for c, '#' otherwise (for readable failure messages).
  std::string Ascii(COLORREF c) const {
    std::string s;
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) s += At(x, y) == c ? '.' : '#';
      s += '\n';
    }
    return s;
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

}  // namespace gdi::testing
