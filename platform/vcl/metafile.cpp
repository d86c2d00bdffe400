// The metafile: a recording DC holds the calls and the picture they drew.
#include "platform/vcl/metafile.h"

#include "platform/gdi/blit.h"
#include "platform/gdi/dc.h"
#include "platform/rtl/exceptions.h"

namespace vcl {

TMetafile::TMetafile() = default;

TMetafile::~TMetafile() {
  FreeDC();
}

void TMetafile::FreeDC() {
  if (dc_) gdi::DeleteDC(dc_);
  dc_ = {};
}

void TMetafile::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  FreeDC();
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

gdi::HDC TMetafile::RecordingDC() {
  if (!dc_ && !Empty()) dc_ = gdi::CreateRecordingDC(width_, height_);
  return dc_;
}

std::vector<std::string> TMetafile::Records() const {
  return dc_ ? gdi::GetDCLog(dc_) : std::vector<std::string>{};
}

void TMetafile::DrawOn(TCanvas* canvas, const TRect& r) {
  if (Empty() || !dc_) return;
  gdi::StretchBlt(canvas->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, dc_, 0, 0,
                  width_, height_, gdi::SRCCOPY);
}

void TMetafile::LoadFromFile(const std::string& fileName) {
  throw rtl::EInvalidOperation("Metafiles are not read from files: " + fileName);
}

void TMetafile::SaveToFile(const std::string& fileName) {
  throw rtl::EInvalidOperation("Metafiles are not written to files: " + fileName);
}

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, gdi::HDC reference,
                                 const std::string& description) {
  metafile->description_ = description;
  const gdi::HDC dc = metafile->RecordingDC();
  if (dc && reference) {
    if (gdi::DC* target = gdi::LiveDC(dc))
      target->logPixelsY = gdi::GetDeviceCaps(reference, gdi::LOGPIXELSY);
  }
  SetHandle(dc);
}

TMetafileCanvas::~TMetafileCanvas() {
  SetHandle({});
}

}  // namespace vcl
