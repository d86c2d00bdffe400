#include "platform/vcl/imglist.h"

#include <algorithm>

namespace vcl {

TChangeLink::~TChangeLink() {
  if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(sender_);
}

TCustomImageList::TCustomImageList(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* l : links_) l->sender_ = nullptr;
}

void TCustomImageList::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 1);
  AHeight = std::max(AHeight, 1);
  if (AWidth == width_ && AHeight == height_) return;
  width_ = AWidth;
  height_ = AHeight;
  images_.clear();
  Change();
}

int TCustomImageList::AddImage(Image img) {
  images_.push_back(std::move(img));
  Change();
  return Count() - 1;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->Width() < width_) return -1;
  const TColor mask = gdi::ColorToRGB(MaskColor);
  const int first = Count();
  BeginUpdate();
  for (int left = 0; left + width_ <= Image->Width(); left += width_) {
    TCustomImageList::Image img;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const bool inside = y < Image->Height();
        const TColor c = inside ? Image->Canvas()->Pixels(left + x, y) : mask;
        img.color.push_back(c);
        img.opaque.push_back(c != mask);
      }
    AddImage(std::move(img));
  }
  EndUpdate();
  return first;
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Image) return -1;
  TCustomImageList::Image img;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const bool inside = x < Image->Width() && y < Image->Height();
      img.color.push_back(inside ? Image->Canvas()->Pixels(x, y) : gdi::clBlack);
      const bool maskInside = Mask && x < Mask->Width() && y < Mask->Height();
      img.opaque.push_back(inside && (!maskInside || Mask->Canvas()->Pixels(x, y) == 0));
    }
  return AddImage(std::move(img));
}

void TCustomImageList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) return;
  images_.erase(images_.begin() + Index);
  Change();
}

void TCustomImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Change();
}

bool TCustomImageList::Opaque(int Index, int X, int Y) const {
  if (Index < 0 || Index >= Count() || X < 0 || Y < 0 || X >= width_ || Y >= height_) return false;
  return images_[static_cast<size_t>(Index)].opaque[static_cast<size_t>(Y * width_ + X)];
}

TColor TCustomImageList::PixelColor(int Index, int X, int Y) const {
  if (!Opaque(Index, X, Y)) return gdi::clNone;
  return images_[static_cast<size_t>(Index)].color[static_cast<size_t>(Y * width_ + X)];
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) const {
  if (!Canvas || Index < 0 || Index >= Count()) return;
  const Image& img = images_[static_cast<size_t>(Index)];
  auto dark = [](TColor c) {
    const unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return r * 30 + g * 59 + b * 11 < 19200;  // below three quarters of white
  };
  if (Enabled) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const size_t i = static_cast<size_t>(y * width_ + x);
        if (img.opaque[i]) Canvas->SetPixel(X + x, Y + y, img.color[i]);
      }
    return;
  }
  for (int pass = 0; pass < 2; ++pass) {
    const int d = pass == 0 ? 1 : 0;
    const TColor c = gdi::ColorToRGB(pass == 0 ? gdi::clBtnHighlight : gdi::clBtnShadow);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const size_t i = static_cast<size_t>(y * width_ + x);
        if (img.opaque[i] && dark(img.color[i])) Canvas->SetPixel(X + x + d, Y + y + d, c);
      }
  }
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (!Value || Value->sender_ == this) return;
  if (Value->sender_) Value->sender_->UnRegisterChanges(Value);
  Value->sender_ = this;
  links_.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  auto it = std::find(links_.begin(), links_.end(), Value);
  if (it == links_.end()) return;
  links_.erase(it);
  Value->sender_ = nullptr;
}

void TCustomImageList::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && changed_) Change();
}

void TCustomImageList::Change() {
  if (updateCount_ > 0) {
    changed_ = true;
    return;
  }
  changed_ = false;
  const std::vector<TChangeLink*> links = links_;
  for (TChangeLink* l : links) l->Change();
  if (OnChange) OnChange(this);
}

}  // namespace vcl
