// Backgrounds: a bitmap tiled behind docks and their windows.
#include <algorithm>

#include "docking/dkdock.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/shapes.h"

namespace docking {

TDKBackground::TDKBackground(rtl::TComponent* AOwner)
    : TDKBasicBackground(AOwner), bitmap_(std::make_unique<vcl::TBitmap>()) {}

TDKBackground::~TDKBackground() = default;

void TDKBackground::SetBitmap(vcl::TBitmap* Value) {
  if (Value)
    bitmap_->Assign(Value);
  else
    bitmap_->SetSize(0, 0);
  Rebuild();
}

void TDKBackground::SetBkColor(vcl::TColor Value) {
  if (Value == bkColor_) return;
  bkColor_ = Value;
  if (transparent_) Rebuild();
}

void TDKBackground::SetTransparent(bool Value) {
  if (Value == transparent_) return;
  transparent_ = Value;
  Rebuild();
}

void TDKBackground::SysColorChanged() {
  if (transparent_ && (static_cast<uint32_t>(bkColor_) & 0xFF000000u) == 0x80000000u) Rebuild();
}

void TDKBackground::Rebuild() {
  cache_.reset();
  auto copy = handlers_;
  for (auto& h : copy) h(this);
}

void TDKBackground::RegisterChanges(const rtl::TNotifyEvent& Proc) {
  if (std::find(handlers_.begin(), handlers_.end(), Proc) == handlers_.end())
    handlers_.push_back(Proc);
}

void TDKBackground::UnregisterChanges(const rtl::TNotifyEvent& Proc) {
  std::erase(handlers_, Proc);
}

bool TDKBackground::UsingBackground() {
  return !bitmap_->Empty();
}

vcl::TBitmap* TDKBackground::Cache() {
  if (cache_ || bitmap_->Empty()) return cache_.get();
  cache_ = std::make_unique<vcl::TBitmap>();
  cache_->Assign(bitmap_.get());
  if (transparent_) {
    const vcl::TColor key = bitmap_->TransparentColor();
    const vcl::TColor fill = bkColor_;
    vcl::TCanvas* c = cache_->Canvas();
    const gdi::COLORREF keyRgb = gdi::ColorToRGB(key);
    for (int y = 0; y < cache_->Height(); ++y)
      for (int x = 0; x < cache_->Width(); ++x)
        if (gdi::ColorToRGB(c->Pixels(x, y)) == keyRgb) c->SetPixel(x, y, fill);
  }
  return cache_.get();
}

void TDKBackground::Draw(HDC DC, const RECT& DrawRect) {
  vcl::TBitmap* b = Cache();
  // An empty picture would tile in steps of nothing for ever: draw nothing.
  if (!b || b->Width() <= 0 || b->Height() <= 0) return;
  const int w = b->Width(), h = b->Height();
  if (w == 8 && h == 8) {
    gdi::HBRUSH brush = gdi::CreatePatternBrush(b->Handle());
    POINT org{};
    gdi::GetViewportOrgEx(DC, &org);
    gdi::SetBrushOrgEx(DC, org.x + DrawRect.left, org.y + DrawRect.top, nullptr);
    gdi::FillRect(DC, &DrawRect, brush);
    gdi::DeleteObject(brush);
    return;
  }
  HDC src = b->Canvas()->Handle();
  for (int y = DrawRect.top; y < DrawRect.bottom; y += h)
    for (int x = DrawRect.left; x < DrawRect.right; x += w)
      gdi::BitBlt(DC, x, y, std::min(w, DrawRect.right - x), std::min(h, DrawRect.bottom - y), src,
                  0, 0, gdi::SRCCOPY);
}

}  // namespace docking
