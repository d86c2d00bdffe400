#include "platform/vcl/bitmap.h"

#include <algorithm>

#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

namespace vcl {

class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* b) : bitmap_(b) {}
  void Release() { SetHandle({}); }

 protected:
  void CreateHandle() override { SetHandle(bitmap_->MemoryDC()); }

 private:
  TBitmap* bitmap_;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();
  FreeMemoryDC();
  if (handle_) gdi::DeleteObject(handle_);
}

gdi::HDC TBitmap::MemoryDC() {
  if (!dc_) {
    dc_ = gdi::CreateCompatibleDC(nullptr);
    oldBitmap_ = gdi::SelectObject(dc_, Handle());
  }
  return dc_;
}

void TBitmap::FreeMemoryDC() {
  if (canvas_) static_cast<TBitmapCanvas*>(canvas_.get())->Release();
  if (!dc_) return;
  gdi::SelectObject(dc_, oldBitmap_);
  gdi::DeleteDC(dc_);
  dc_ = {};
  oldBitmap_ = {};
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

gdi::HBITMAP TBitmap::Handle() {
  if (!handle_) Recreate(width_, height_, pixelFormat_, false);
  return handle_;
}

std::shared_ptr<gdi::Surface> TBitmap::Surface() {
  if (Empty()) return nullptr;
  return gdi::GetBitmapSurface(Handle());
}

void TBitmap::Recreate(int width, int height, TPixelFormat format, bool keep) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  gdi::HBITMAP fresh{};
  int w = std::max(width, 1), h = std::max(height, 1);
  if (format == pf1bit) {
    fresh = gdi::CreateBitmap(w, h, 1, 1, nullptr);
  } else if (format == pfDevice || format == pf32bit) {
    fresh = gdi::CreateCompatibleBitmap(nullptr, w, h);
  } else {
    gdi::BITMAPINFO bi{};
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    fresh = gdi::CreateDIBSection(nullptr, &bi, gdi::DIB_RGB_COLORS, &bits);
  }
  // New pixels start white, as a fresh bitmap canvas is expected to be.
  gdi::HDC dst = gdi::CreateCompatibleDC(nullptr);
  gdi::HGDIOBJ old = gdi::SelectObject(dst, fresh);
  gdi::PatBlt(dst, 0, 0, w, h, gdi::WHITENESS);
  if (keep && handle_ && !Empty()) {
    gdi::BitBlt(dst, 0, 0, std::min(width, width_), std::min(height, height_), MemoryDC(), 0, 0,
                gdi::SRCCOPY);
  }
  gdi::SelectObject(dst, old);
  gdi::DeleteDC(dst);
  FreeMemoryDC();
  if (handle_) gdi::DeleteObject(handle_);
  handle_ = fresh;
  width_ = width;
  height_ = height;
  pixelFormat_ = format;
  if (format != pf8bit) palette_.clear();
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_ && handle_) return;
  Recreate(width, height, pixelFormat_, true);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat v) {
  if (v == pixelFormat_ && handle_) return;
  Recreate(width_, height_, v, true);
  Changed();
}

uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= height_) throw EInvalidGraphic("Scan line index out of range");
  FreeMemoryDC();
  return gdi::GetBitmapSurface(Handle())->Row(y);
}

TColor TBitmap::TransparentColor() {
  if (transparentColor_ != gdi::clDefault || Empty()) return transparentColor_;
  return static_cast<TColor>(gdi::GetPixel(MemoryDC(), 0, height_ - 1));
}

void TBitmap::DrawOn(TCanvas* canvas, const TRect& r) {
  if (Empty()) return;
  gdi::HDC dst = canvas->Handle();
  if (Transparent()) {
    // A mask of the transparent colour (1 where it is), then source XOR, mask AND, source XOR:
    // the masked pixels come back to the destination's.
    gdi::HDC src = MemoryDC();
    gdi::HBITMAP mask = gdi::CreateBitmap(width_, height_, 1, 1, nullptr);
    gdi::HDC mdc = gdi::CreateCompatibleDC(nullptr);
    gdi::HGDIOBJ old = gdi::SelectObject(mdc, mask);
    gdi::COLORREF oldBk = gdi::SetBkColor(src, gdi::ColorToRGB(TransparentColor()));
    gdi::BitBlt(mdc, 0, 0, width_, height_, src, 0, 0, gdi::SRCCOPY);
    gdi::SetBkColor(src, oldBk);
    gdi::COLORREF oldText = gdi::SetTextColor(dst, 0x000000);
    gdi::COLORREF oldDstBk = gdi::SetBkColor(dst, 0xFFFFFF);
    gdi::StretchBlt(dst, r.left, r.top, r.Width(), r.Height(), src, 0, 0, width_, height_,
                    gdi::SRCINVERT);
    gdi::StretchBlt(dst, r.left, r.top, r.Width(), r.Height(), mdc, 0, 0, width_, height_,
                    gdi::SRCAND);
    gdi::StretchBlt(dst, r.left, r.top, r.Width(), r.Height(), src, 0, 0, width_, height_,
                    gdi::SRCINVERT);
    gdi::SetTextColor(dst, oldText);
    gdi::SetBkColor(dst, oldDstBk);
    gdi::SelectObject(mdc, old);
    gdi::DeleteDC(mdc);
    gdi::DeleteObject(mask);
  } else {
    gdi::StretchBlt(dst, r.left, r.top, r.Width(), r.Height(), MemoryDC(), 0, 0, width_, height_,
                    canvas->CopyMode());
  }
}

void TBitmap::LoadFromFile(const std::string& fileName) {
  gdi::DibImage img = gdi::LoadBmpFile(fileName);
  std::shared_ptr<gdi::Surface> s = img.ToSurface();
  Recreate(img.width, img.height,
           img.bitCount == 1   ? pf1bit
           : img.bitCount == 8 ? pf8bit
                               : pf24bit,
           false);
  palette_ = img.bitCount == 8 ? img.palette : std::vector<gdi::RGBQUAD>{};
  gdi::StretchDrawSurface(MemoryDC(), TRect{0, 0, width_, height_}, *s);
  Changed();
}

gdi::DibImage TBitmap::Image() {
  FreeMemoryDC();
  const int bits = pixelFormat_ == pf1bit    ? 1
                   : pixelFormat_ == pf8bit  ? 8
                   : pixelFormat_ == pf32bit ? 32
                                             : 24;
  return gdi::DibImage::FromSurface(*gdi::GetBitmapSurface(Handle()), bits, palette_);
}

void TBitmap::SaveToFile(const std::string& fileName) {
  gdi::SaveBmpFile(fileName, Image());
}

void TBitmap::SaveToStream(rtl::TStream& stream) {
  const std::vector<uint8_t> bytes = gdi::WriteBmp(Image());
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TBitmap::Assign(const rtl::TPersistent* source) {
  auto* b = dynamic_cast<const TBitmap*>(source);
  if (!b) {
    if (auto* g = dynamic_cast<const TGraphic*>(source)) {
      Recreate(g->Width(), g->Height(), pf24bit, false);
      const_cast<TGraphic*>(g)->DrawOn(Canvas(), TRect{0, 0, width_, height_});
      Changed();
      return;
    }
    TGraphic::Assign(source);
    return;
  }
  if (b == this) return;
  auto* src = const_cast<TBitmap*>(b);
  Recreate(src->width_, src->height_, src->pixelFormat_, false);
  palette_ = src->palette_;
  if (!Empty()) {
    gdi::BitBlt(MemoryDC(), 0, 0, width_, height_, src->MemoryDC(), 0, 0, gdi::SRCCOPY);
  }
  SetTransparent(src->Transparent());
  transparentColor_ = src->transparentColor_;
  Changed();
}

// ---------------------------------------------------------------- TJPEGImage

int TJPEGImage::Width() const {
  return surface_ ? surface_->Width() : 0;
}
int TJPEGImage::Height() const {
  return surface_ ? surface_->Height() : 0;
}

void TJPEGImage::LoadFromFile(const std::string& fileName) {
  std::vector<uint8_t> bytes = gdi::ReadWholeFile(fileName);
  surface_ = gdi::ReadJpeg(bytes.data(), bytes.size()).ToSurface();
  Changed();
}

void TJPEGImage::SaveToFile(const std::string& fileName) {
  if (!surface_) throw EInvalidGraphic("Cannot save an empty JPEG image");
  gdi::WriteWholeFile(fileName, gdi::WriteJpeg(*surface_, CompressionQuality));
}

void TJPEGImage::DrawOn(TCanvas* canvas, const TRect& r) {
  if (surface_) gdi::StretchDrawSurface(canvas->Handle(), r, *surface_);
}

void TJPEGImage::Assign(const rtl::TPersistent* source) {
  if (auto* j = dynamic_cast<const TJPEGImage*>(source)) {
    surface_ = j->surface_;
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    auto s = const_cast<TBitmap*>(b)->Surface();
    surface_ = s ? gdi::DibImage::FromSurface(*s, 24).ToSurface() : nullptr;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

// ---------------------------------------------------------------- TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::GraphicChanged(rtl::TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* g) {
  std::unique_ptr<TGraphic> copy;
  if (g) {
    if (dynamic_cast<const TJPEGImage*>(g))
      copy = std::make_unique<TJPEGImage>();
    else
      copy = std::make_unique<TBitmap>();
    copy->Assign(g);
    copy->OnChange = rtl::MakeEvent(this, &TPicture::GraphicChanged);
  }
  graphic_ = std::move(copy);
  GraphicChanged(this);
}

TBitmap* TPicture::Bitmap() {
  if (auto* b = dynamic_cast<TBitmap*>(graphic_.get())) return b;
  auto b = std::make_unique<TBitmap>();
  if (graphic_) b->Assign(graphic_.get());
  b->OnChange = rtl::MakeEvent(this, &TPicture::GraphicChanged);
  graphic_ = std::move(b);
  GraphicChanged(this);
  return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = rtl::LowerCase(rtl::ExtractFileExt(fileName));
  std::unique_ptr<TGraphic> g;
  if (ext == ".bmp")
    g = std::make_unique<TBitmap>();
  else if (ext == ".jpg" || ext == ".jpeg")
    g = std::make_unique<TJPEGImage>();
  else
    throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
  g->LoadFromFile(fileName);
  g->OnChange = rtl::MakeEvent(this, &TPicture::GraphicChanged);
  graphic_ = std::move(g);
  GraphicChanged(this);
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(const rtl::TPersistent* source) {
  if (auto* p = dynamic_cast<const TPicture*>(source)) {
    SetGraphic(p->Graphic());
  } else if (auto* g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(g);
  } else if (!source) {
    SetGraphic(nullptr);
  } else {
    rtl::TPersistent::Assign(source);
  }
}

}  // namespace vcl
