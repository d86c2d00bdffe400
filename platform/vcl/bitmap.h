#pragma once
// Pictures: TGraphic (anything that draws into a rectangle), TBitmap (a bitmap with its own
// canvas, pixel format and scan lines), TJPEGImage and TPicture (holds one graphic, loads by
// file extension).
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/image.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/canvas.h"

namespace vcl {

enum TPixelFormat {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};

class TGraphic : public rtl::TPersistent {
 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int v) = 0;
  virtual void SetHeight(int v) = 0;
  virtual void LoadFromFile(const std::string& fileName) = 0;
  virtual void SaveToFile(const std::string& fileName) = 0;
  // Draws the whole picture stretched into r.
  virtual void DrawOn(TCanvas* canvas, const TRect& r) = 0;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    Changed();
  }

  rtl::TNotifyEvent OnChange;

 protected:
  virtual void Changed() {
    if (OnChange) OnChange(this);
  }

 private:
  bool transparent_ = false;
};

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;

  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int v) override { SetSize(v, height_); }
  void SetHeight(int v) override { SetSize(width_, v); }
  // Keeps the pixels that fit in the new size.
  void SetSize(int width, int height);
  TPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(TPixelFormat v);
  // Row y (0 = top) of the pixels: B,G,R bytes for pf24bit, B,G,R,0 for pf32bit/pfDevice,
  // packed bits for pf1bit.
  uint8_t* ScanLine(int y);
  TCanvas* Canvas();
  gdi::HBITMAP Handle();
  // The bitmap's pixels for direct work (null while empty).
  std::shared_ptr<gdi::Surface> Surface();

  // A 256-colour file gives a pf8bit bitmap that keeps the file's palette; pf8bit bitmaps are
  // saved with 8 bits a pixel, each pixel the palette entry of its colour or the nearest one
  // (without a palette, one made of the picture's colours).
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;
  // The bitmap as a BMP file into the stream, as SaveToFile writes it.
  void SaveToStream(rtl::TStream& stream);
  void DrawOn(TCanvas* canvas, const TRect& r) override;
  void Assign(const rtl::TPersistent* source) override;
  // The colour drawn as see-through when Transparent (the bottom-left pixel by default).
  TColor TransparentColor();
  void SetTransparentColor(TColor v) { transparentColor_ = v; }

 private:
  friend class TBitmapCanvas;
  void Recreate(int width, int height, TPixelFormat format, bool keep);
  gdi::DibImage Image();
  gdi::HDC MemoryDC();
  void FreeMemoryDC();

  int width_ = 0;
  int height_ = 0;
  TPixelFormat pixelFormat_ = pfDevice;
  std::vector<gdi::RGBQUAD> palette_;  // of pf8bit, as loaded; empty when none was
  gdi::HBITMAP handle_{};
  gdi::HDC dc_{};
  gdi::HGDIOBJ oldBitmap_{};
  std::unique_ptr<TCanvas> canvas_;
  TColor transparentColor_ = gdi::clDefault;
};

class TJPEGImage : public TGraphic {
 public:
  bool Empty() const override { return !surface_; }
  int Width() const override;
  int Height() const override;
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;
  void DrawOn(TCanvas* canvas, const TRect& r) override;
  // 1..100, used when saving.
  int CompressionQuality = 90;
  void Assign(const rtl::TPersistent* source) override;

 private:
  std::shared_ptr<gdi::Surface> surface_;
};

class TPicture : public rtl::TPersistent {
 public:
  TPicture();
  ~TPicture() override;
  TGraphic* Graphic() const { return graphic_.get(); }
  // Takes a copy of the graphic (nullptr clears).
  void SetGraphic(const TGraphic* g);
  // The picture as a bitmap, made into one (drawing the graphic) when it holds another kind.
  TBitmap* Bitmap();
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  // ".bmp" and ".jpg"/".jpeg" (any case); anything else raises EInvalidGraphic.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  void Assign(const rtl::TPersistent* source) override;

  rtl::TNotifyEvent OnChange;

 private:
  void GraphicChanged(rtl::TObject*);
  std::unique_ptr<TGraphic> graphic_;
};

using gdi::EInvalidGraphic;

}  // namespace vcl
