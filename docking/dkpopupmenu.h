#pragma once
// The small components of the item framework: a container of an item tree that toolbars and
// menus link to, a context menu showing an item tree, and an image list with separate images
// for disabled, hot and checked items.
#include "docking/dkitem.h"

namespace docking {

class TDKItemContainer : public rtl::TComponent {
 public:
  explicit TDKItemContainer(rtl::TComponent* AOwner);
  ~TDKItemContainer() override;
  TDKRootItem* Items() const { return items_; }
  // The images of the items, which views take from the list their items stand in.
  vcl::TCustomImageList* Images() const { return items_->SubMenuImages(); }
  void SetImages(vcl::TCustomImageList* v) { items_->SetSubMenuImages(v); }

 private:
  TDKRootItem* items_;
};

class TDKPopupMenu : public vcl::TPopupMenu {
 public:
  explicit TDKPopupMenu(rtl::TComponent* AOwner);
  ~TDKPopupMenu() override;
  TDKRootItem* Items() const { return items_; }
  vcl::TCustomImageList* Images() const { return items_->SubMenuImages(); }
  void SetImages(vcl::TCustomImageList* v) { items_->SetSubMenuImages(v); }
  TDKCustomItem* LinkSubitems() const { return items_->LinkSubitems(); }
  void SetLinkSubitems(TDKCustomItem* v) { items_->SetLinkSubitems(v); }
  TDKItemOptions Options() const { return items_->Options(); }
  void SetOptions(TDKItemOptions v) { items_->SetOptions(v); }

  void Popup(int X, int Y) override { PopupEx(X, Y, false); }
  TDKCustomItem* PopupEx(int X, int Y, bool ReturnClickedItemOnly);
  bool IsShortCut(unsigned short Key, vcl::TShiftState Shift) {
    return items_->IsShortCut(Key, Shift);
  }
  // A click on the root item itself (the menu's own OnClick), with the menu as the sender.
  rtl::TNotifyEvent OnClick;

 private:
  void RootItemClick(rtl::TObject* Sender);
  TDKRootItem* items_;
};

class TDKCustomImageList : public vcl::TCustomImageList {
 public:
  explicit TDKCustomImageList(rtl::TComponent* AOwner);
  ~TDKCustomImageList() override;
  vcl::TCustomImageList* CheckedImages() const { return checked_; }
  void SetCheckedImages(vcl::TCustomImageList* v) { ChangeImages(checked_, checkedLink_, v); }
  vcl::TCustomImageList* DisabledImages() const { return disabled_; }
  void SetDisabledImages(vcl::TCustomImageList* v) { ChangeImages(disabled_, disabledLink_, v); }
  vcl::TCustomImageList* HotImages() const { return hot_; }
  void SetHotImages(vcl::TCustomImageList* v) { ChangeImages(hot_, hotLink_, v); }
  // Read only: the list follows the bitmap through SetImagesBitmap alone.
  const vcl::TBitmap* ImagesBitmap() const { return bitmap_.get(); }
  // Copies the bitmap; a bitmap that is not empty replaces the images with its pieces. No
  // bitmap (nullptr) leaves the list without one and its images as they are.
  void SetImagesBitmap(const vcl::TBitmap* Value);
  vcl::TColor ImagesBitmapMaskColor() const { return maskColor_; }
  void SetImagesBitmapMaskColor(vcl::TColor Value);

  void DrawState(vcl::TCanvas* Canvas, int X, int Y, int Index, bool Enabled, bool Selected,
                 bool Checked) const;

 protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

 private:
  void ChangeImages(vcl::TCustomImageList*& Slot, vcl::TChangeLink& Link,
                    vcl::TCustomImageList* Value);
  void CutBitmap();
  void StateListChanged(rtl::TObject*) { Change(); }
  vcl::TCustomImageList* checked_ = nullptr;
  vcl::TCustomImageList* disabled_ = nullptr;
  vcl::TCustomImageList* hot_ = nullptr;
  vcl::TChangeLink checkedLink_, disabledLink_, hotLink_;
  std::unique_ptr<vcl::TBitmap> bitmap_;
  vcl::TColor maskColor_ = vcl::TColor(0xFF00FF);
};

class TDKImageList : public TDKCustomImageList {
 public:
  using TDKCustomImageList::TDKCustomImageList;
};

}  // namespace docking
