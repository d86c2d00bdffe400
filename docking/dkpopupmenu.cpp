#include "docking/dkpopupmenu.h"

namespace docking {

// ------------------------------------------------------------------ container

TDKItemContainer::TDKItemContainer(rtl::TComponent* AOwner)
    : rtl::TComponent(AOwner), items_(new TDKRootItem(nullptr)) {
  items_->SetParentComponent(this);
}

TDKItemContainer::~TDKItemContainer() {
  Destroying();
  delete items_;
}

// ------------------------------------------------------------------ popup menu

TDKPopupMenu::TDKPopupMenu(rtl::TComponent* AOwner)
    : vcl::TPopupMenu(AOwner), items_(new TDKRootItem(nullptr)) {
  items_->SetParentComponent(this);
  items_->OnClick = rtl::MakeEvent(this, &TDKPopupMenu::RootItemClick);
}

TDKPopupMenu::~TDKPopupMenu() {
  Destroying();
  delete items_;
}

void TDKPopupMenu::RootItemClick(rtl::TObject*) {
  if (OnClick) OnClick(this);
}

TDKCustomItem* TDKPopupMenu::PopupEx(int X, int Y, bool ReturnClickedItemOnly) {
  vcl::TPopupMenu::Popup(X, Y);  // records the point, fires OnPopup
  const TDKPopupAlignment a = Alignment() == vcl::paRight    ? dkpaRight
                              : Alignment() == vcl::paCenter ? dkpaCenter
                                                             : dkpaLeft;
  return items_->Popup(X, Y, TrackButton() == vcl::tbRightButton, a, ReturnClickedItemOnly);
}

// ------------------------------------------------------------------ image list

TDKCustomImageList::TDKCustomImageList(rtl::TComponent* AOwner) : vcl::TCustomImageList(AOwner) {
  for (vcl::TChangeLink* l : {&checkedLink_, &disabledLink_, &hotLink_})
    l->OnChange = rtl::MakeEvent(this, &TDKCustomImageList::StateListChanged);
}

TDKCustomImageList::~TDKCustomImageList() {
  Destroying();
  SetCheckedImages(nullptr);
  SetDisabledImages(nullptr);
  SetHotImages(nullptr);
}

void TDKCustomImageList::ChangeImages(vcl::TCustomImageList*& Slot, vcl::TChangeLink& Link,
                                      vcl::TCustomImageList* Value) {
  if (Slot == Value) return;
  if (Slot && Slot != this) {
    Slot->UnRegisterChanges(&Link);
    Slot->RemoveFreeNotification(this);
  }
  Slot = Value;
  if (Value && Value != this) {
    Value->RegisterChanges(&Link);
    Value->FreeNotification(this);
  }
  if (!(ComponentState() & (rtl::csLoading | rtl::csDestroying))) Change();
}

void TDKCustomImageList::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  vcl::TCustomImageList::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == checked_) checked_ = nullptr;
  if (AComponent == disabled_) disabled_ = nullptr;
  if (AComponent == hot_) hot_ = nullptr;
}

void TDKCustomImageList::SetImagesBitmap(const vcl::TBitmap* Value) {
  if (!Value) {
    bitmap_.reset();
    return;
  }
  if (!bitmap_) bitmap_ = std::make_unique<vcl::TBitmap>();
  bitmap_->Assign(Value);
  CutBitmap();
}

void TDKCustomImageList::SetImagesBitmapMaskColor(vcl::TColor Value) {
  if (maskColor_ == Value) return;
  maskColor_ = Value;
  CutBitmap();
}

void TDKCustomImageList::CutBitmap() {
  // An empty bitmap leaves the images as they are.
  if (!bitmap_ || bitmap_->Width() == 0 || bitmap_->Height() == 0) return;
  BeginUpdate();
  Clear();
  AddMasked(bitmap_.get(), maskColor_);
  EndUpdate();
}

void TDKCustomImageList::DrawState(vcl::TCanvas* Canvas, int X, int Y, int Index, bool Enabled,
                                   bool Selected, bool Checked) const {
  if (!Enabled && disabled_)
    disabled_->Draw(Canvas, X, Y, Index, true);
  else if (Checked && checked_)
    checked_->Draw(Canvas, X, Y, Index, Enabled);
  else if (Selected && hot_)
    hot_->Draw(Canvas, X, Y, Index, Enabled);
  else
    Draw(Canvas, X, Y, Index, Enabled);
}

}  // namespace docking
