#pragma once
// Image lists: equal-sized images cut from bitmaps, drawn through their masks, greyed when
// disabled. Change links tell users of a list when its images or size change.
#include <vector>

#include "platform/vcl/bitmap.h"
#include "platform/vcl/canvas.h"

namespace vcl {

class TCustomImageList;

class TChangeLink : public rtl::TObject {
 public:
  ~TChangeLink() override;
  TCustomImageList* Sender() const { return sender_; }
  rtl::TNotifyEvent OnChange;
  virtual void Change();

 private:
  friend class TCustomImageList;
  TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public rtl::TComponent {
 public:
  explicit TCustomImageList(rtl::TComponent* AOwner);
  ~TCustomImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Sizes below 1 become 1; a new size clears the images.
  void SetWidth(int Value) { SetSize(Value, height_); }
  void SetHeight(int Value) { SetSize(width_, Value); }
  void SetSize(int AWidth, int AHeight);
  int Count() const { return static_cast<int>(images_.size()); }

  // Cuts the bitmap into images of the list's width; pixels of MaskColor stay see-through.
  // Returns the index of the first image added (-1 when none fit).
  int AddMasked(TBitmap* Image, TColor MaskColor);
  // One image with a mask bitmap: its black pixels are drawn, the others are not. Nil mask:
  // every pixel is drawn.
  int Add(TBitmap* Image, TBitmap* Mask);
  void Delete(int Index);
  void Clear();

  // Greyed drawing is embossed: highlight one pixel down and right, shadow in place.
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true) const;
  bool Opaque(int Index, int X, int Y) const;
  TColor PixelColor(int Index, int X, int Y) const;

  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  rtl::TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  struct Image {
    std::vector<TColor> color;
    std::vector<bool> opaque;
  };
  int AddImage(Image img);
  int width_ = 16;
  int height_ = 16;
  int updateCount_ = 0;
  bool changed_ = false;
  std::vector<Image> images_;
  std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
 public:
  using TCustomImageList::TCustomImageList;
};

}  // namespace vcl
