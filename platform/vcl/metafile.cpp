// The metafile: the calls a metafile DC recorded, played back onto other DCs.
#include "platform/vcl/metafile.h"

#include <algorithm>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/dc.h"
#include "platform/rtl/exceptions.h"

namespace vcl {

TMetafile::TMetafile() = default;

TMetafile::~TMetafile() = default;

void TMetafile::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  calls_.reset();
  records_.clear();
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

void TMetafile::DrawOn(TCanvas* canvas, const TRect& r) {
  if (Empty() || !calls_ || !canvas) return;
  const gdi::HDC target = canvas->Handle();
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w == width_ && h == height_) {
    gdi::PlayMetaScript(target, *calls_, r.left, r.top, w, h);
    return;
  }
  // Our device contexts do not scale what they draw: the calls go onto a picture of their own
  // size holding what lies under r, which is then stretched back.
  gdi::BITMAPINFO info;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = gdi::BI_RGB;
  void* bits = nullptr;
  const gdi::HBITMAP picture = gdi::CreateDIBSection({}, &info, gdi::DIB_RGB_COLORS, &bits);
  const gdi::HDC dc = gdi::CreateCompatibleDC(target);
  const gdi::HGDIOBJ old = gdi::SelectObject(dc, picture);
  gdi::StretchBlt(dc, 0, 0, width_, height_, target, r.left, r.top, w, h, gdi::SRCCOPY);
  gdi::PlayMetaScript(dc, *calls_, 0, 0, width_, height_);
  gdi::StretchBlt(target, r.left, r.top, w, h, dc, 0, 0, width_, height_, gdi::SRCCOPY);
  gdi::SelectObject(dc, old);
  gdi::DeleteDC(dc);
  gdi::DeleteObject(picture);
}

void TMetafile::LoadFromFile(const std::string& fileName) {
  throw rtl::EInvalidOperation("Metafiles are not read from files: " + fileName);
}

void TMetafile::SaveToFile(const std::string& fileName) {
  throw rtl::EInvalidOperation("Metafiles are not written to files: " + fileName);
}

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, gdi::HDC reference,
                                 const std::string& description)
    : metafile_(metafile) {
  metafile_->description_ = description;
  if (metafile_->Empty()) return;
  dc_ = gdi::CreateMetaFileDC(metafile_->width_, metafile_->height_);
  if (reference) gdi::SetDeviceLogPixels(dc_, gdi::GetDeviceCaps(reference, gdi::LOGPIXELSY));
  SetHandle(dc_);
}

TMetafileCanvas::~TMetafileCanvas() {
  SetHandle({});
  if (!dc_) return;
  // A new recording replaces the picture.
  metafile_->calls_ = gdi::TakeMetaScript(dc_);
  metafile_->records_ = gdi::GetDCLog(dc_);
  gdi::DeleteDC(dc_);
}

}  // namespace vcl
