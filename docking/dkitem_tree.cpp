// Items: the tree, change notifications to views, options, radio groups, shortcuts and clicks
// posted to run after a menu loop has ended.
#include <algorithm>

#include "docking/dkconsts.h"
#include "docking/dkitem.h"
#include "docking/dkpopup.h"
#include "platform/win/defproc.h"
#include "platform/win/message.h"
#include "platform/win/window.h"

namespace docking {

namespace {

constexpr unsigned WM_DKCLICK = 0x500;

// Clicks posted on this thread: a hidden window receives one message per click and finds the item
// in its slot. A destroyed item leaves a tombstone in its slots so that its message does nothing.
struct PostedClicks {
  int liveItems = 0;
  win::HWND wnd{};
  std::vector<void*> slots;
};
thread_local PostedClicks posted;

void* Tombstone() {
  return &posted.slots;
}

win::LRESULT ClickWndProc(win::HWND Wnd, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  if (Msg != WM_DKCLICK) return win::DefWindowProc(Wnd, Msg, WParam, LParam);
  if (LParam < 0 || static_cast<size_t>(LParam) >= posted.slots.size()) return 0;
  void* obj = posted.slots[static_cast<size_t>(LParam)];
  posted.slots[static_cast<size_t>(LParam)] = nullptr;
  while (!posted.slots.empty() && posted.slots.back() == nullptr) posted.slots.pop_back();
  if (!obj || obj == Tombstone()) return 0;
  if (WParam == 0)
    static_cast<TDKCustomItem*>(obj)->Click();
  else
    static_cast<TDKItemViewer*>(obj)->HandleAccSelect(WParam == 2);
  return 0;
}

void PostObject(void* Obj, win::WPARAM WParam) {
  if (!posted.wnd) {
    // Registered on every first use: the window system may have been restarted since.
    win::WNDCLASS wc;
    wc.lpfnWndProc = ClickWndProc;
    wc.lpszClassName = "TDKClickWnd";
    win::RegisterClass(&wc);
    posted.wnd = win::CreateWindowEx(0, "TDKClickWnd", "", 0, 0, 0, 0, 0, nullptr, 0, nullptr);
  }
  auto it = std::find(posted.slots.begin(), posted.slots.end(), nullptr);
  if (it == posted.slots.end()) it = posted.slots.insert(posted.slots.end(), nullptr);
  *it = Obj;
  win::PostMessage(posted.wnd, WM_DKCLICK, WParam, it - posted.slots.begin());
}

void DropPostedObject(const void* Obj) {
  std::replace(posted.slots.begin(), posted.slots.end(), const_cast<void*>(Obj), Tombstone());
}

constexpr TDKItemOptions ResizingOptions = dkoDefault | dkoDropdownArrow | dkoImageAboveCaption |
                                           dkoNoRotation | dkoSameWidth | dkoToolbarStyle |
                                           dkoToolbarSize;

TDKItemOptions FixOptions(TDKItemOptions o) {
  return (o & dkoToolbarStyle) ? o : o & ~TDKItemOptions{dkoToolbarSize};
}

SIZE ImageSize(const vcl::TCustomImageList* l) {
  return l ? SIZE{l->Width(), l->Height()} : SIZE{0, 0};
}

}  // namespace

namespace detail {
int PostedClickSlots() {
  return static_cast<int>(posted.slots.size());
}
void PostAccSelect(TDKItemViewer* Viewer, bool Execute) {
  PostObject(Viewer, Execute ? 2 : 1);
}
void DropPosted(const void* Object) {
  DropPostedObject(Object);
}
}  // namespace detail

// ------------------------------------------------------------------ life

TDKCustomItem::TDKCustomItem(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {
  ++posted.liveItems;
  imagesLink_.OnChange = rtl::MakeEvent(this, &TDKCustomItem::ImagesChanged);
  subMenuImagesLink_.OnChange = rtl::MakeEvent(this, &TDKCustomItem::SubMenuImagesChanged);
}

TDKCustomItem::~TDKCustomItem() {
  Destroying();
  if (parent_) parent_->Remove(this);
  Clear();
  SetLinkSubitems(nullptr);
  for (TDKCustomItem* l : std::vector<TDKCustomItem*>(linkingItems_)) l->SetLinkSubitems(nullptr);
  DropPostedObject(this);
  if (--posted.liveItems == 0 && posted.wnd) {
    win::DestroyWindow(posted.wnd);
    posted.wnd = {};
    posted.slots.clear();
  }
}

void TDKCustomItem::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  rtl::TComponent::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  // A list being destroyed is only a component by now, and has let go of its links already:
  // it is forgotten without a call on it.
  if (AComponent == images_) {
    images_ = nullptr;
    ImagesChanged(nullptr);
  }
  if (AComponent == subMenuImages_) {
    subMenuImages_ = nullptr;
    SubMenuImagesChanged(nullptr);
  }
  if (AComponent == linkSubitems_) SetLinkSubitems(nullptr);
  if (actionLink_ && AComponent == actionLink_->Action()) actionLink_.reset();
}

// ------------------------------------------------------------------ tree

TDKCustomItem* TDKCustomItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EDKItemError(STBToolbarIndexOutOfBounds);
  return items_[static_cast<size_t>(Index)];
}

int TDKCustomItem::IndexOf(const TDKCustomItem* AItem) const {
  auto it = std::find(items_.begin(), items_.end(), AItem);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool TDKCustomItem::ContainsItem(const TDKCustomItem* AItem) const {
  for (const TDKCustomItem* p = AItem; p; p = p->parent_)
    if (p->parent_ == this) return true;
  return false;
}

void TDKCustomItem::Insert(int NewIndex, TDKCustomItem* AItem) {
  if (!AItem) return;
  if (AItem->parent_) throw EDKItemError(STBToolbarItemReinserted);
  // An item inside itself would make every walk of the tree endless.
  if (AItem == this || AItem->ContainsItem(this))
    throw EDKItemError("Cannot insert an item into itself or into one of its sub-items");
  if (NewIndex < 0 || NewIndex > Count()) throw EDKItemError(STBToolbarIndexOutOfBounds);
  items_.insert(items_.begin() + NewIndex, AItem);
  AItem->parent_ = this;
  ViewBeginUpdate();
  Notify(dkicInserted, NewIndex, AItem);
  AItem->RefreshOptions();
  ViewEndUpdate();
}

void TDKCustomItem::Delete(int Index) {
  TDKCustomItem* item = Items(Index);
  delete item;  // the destructor removes it from this list
}

void TDKCustomItem::Remove(TDKCustomItem* AItem) {
  const int i = IndexOf(AItem);
  if (i < 0) return;
  Notify(dkicDeleting, i, AItem);
  items_.erase(items_.begin() + i);
  AItem->parent_ = nullptr;
}

void TDKCustomItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

void TDKCustomItem::Move(int CurIndex, int NewIndex) {
  if (CurIndex < 0 || CurIndex >= Count() || NewIndex < 0 || NewIndex >= Count())
    throw EDKItemError(STBToolbarIndexOutOfBounds);
  if (CurIndex == NewIndex) return;
  TDKCustomItem* item = items_[static_cast<size_t>(CurIndex)];
  ViewBeginUpdate();
  Remove(item);
  Insert(NewIndex, item);
  ViewEndUpdate();
}

// ------------------------------------------------------------------ notifications

void TDKCustomItem::RegisterNotification(const TDKItemChangedProc& Proc) {
  for (auto& r : notifications_)
    if (r.proc == Proc) {
      ++r.count;
      return;
    }
  notifications_.push_back({Proc, 1});
}

void TDKCustomItem::UnregisterNotification(const TDKItemChangedProc& Proc) {
  for (auto it = notifications_.begin(); it != notifications_.end(); ++it)
    if (it->proc == Proc) {
      if (--it->count == 0) notifications_.erase(it);
      return;
    }
}

void TDKCustomItem::Notify(TDKItemChangedAction Action, int Index, TDKCustomItem* Item) {
  // Copies: a handler may unregister itself.
  const auto own = notifications_;
  for (const auto& r : own) r.proc(this, false, Action, Index, Item);
  for (TDKCustomItem* l : std::vector<TDKCustomItem*>(linkingItems_)) {
    const auto theirs = l->notifications_;
    for (const auto& r : theirs) r.proc(this, true, Action, Index, Item);
  }
}

void TDKCustomItem::Change(bool NeedResize) {
  if (parent_)
    parent_->Notify(NeedResize ? dkicInvalidateAndResize : dkicInvalidate, parent_->IndexOf(this),
                    this);
}

void TDKCustomItem::SetName(const std::string& NewName) {
  if (NewName == Name()) return;
  rtl::TComponent::SetName(NewName);
  if (parent_) parent_->Notify(dkicNameChanged, parent_->IndexOf(this), this);
}

void TDKCustomItem::RecreateItemViewers() {
  if (parent_) parent_->Notify(dkicRecreateItemViewers, parent_->IndexOf(this), this);
}

// ------------------------------------------------------------------ properties

void TDKCustomItem::SetCaption(const std::string& v) {
  if (caption_ == v) return;
  caption_ = v;
  Change(true);
}

void TDKCustomItem::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  Change(false);
  if (v && groupIndex_ != 0) TurnSiblingsOff();
}

void TDKCustomItem::SetGroupIndex(int v) {
  if (groupIndex_ == v) return;
  groupIndex_ = v;
  if (checked_ && v != 0) TurnSiblingsOff();
}

void TDKCustomItem::TurnSiblingsOff() {
  if (!parent_) return;
  for (TDKCustomItem* s : parent_->items_)
    if (s != this && s->groupIndex_ == groupIndex_) s->SetChecked(false);
}

void TDKCustomItem::SetDisplayMode(TDKItemDisplayMode v) {
  if (displayMode_ == v) return;
  displayMode_ = v;
  Change(true);
}

void TDKCustomItem::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  EnabledChanged();
}

void TDKCustomItem::SetImageIndex(int v) {
  if (imageIndex_ == v) return;
  const bool resize = (imageIndex_ < 0) != (v < 0);
  imageIndex_ = v;
  Change(resize);
}

void TDKCustomItem::FollowList(vcl::TCustomImageList*& Slot, vcl::TChangeLink& Link,
                               vcl::TCustomImageList* Value) {
  if (Slot) {
    Slot->UnRegisterChanges(&Link);
    Slot->RemoveFreeNotification(this);
  }
  Slot = Value;
  if (Value) {
    Value->RegisterChanges(&Link);
    Value->FreeNotification(this);
  }
}

void TDKCustomItem::SetImages(vcl::TCustomImageList* v) {
  if (images_ == v) return;
  FollowList(images_, imagesLink_, v);
  ImagesChanged(nullptr);
}

void TDKCustomItem::ImagesChanged(rtl::TObject*) {
  const SIZE s = ImageSize(images_);
  const bool resize = s.cx != imagesSize_.cx || s.cy != imagesSize_.cy;
  imagesSize_ = s;
  Change(resize);
}

void TDKCustomItem::SetSubMenuImages(vcl::TCustomImageList* v) {
  if (subMenuImages_ == v) return;
  FollowList(subMenuImages_, subMenuImagesLink_, v);
  SubMenuImagesChanged(nullptr);
}

void TDKCustomItem::SubMenuImagesChanged(rtl::TObject*) {
  subMenuImagesSize_ = ImageSize(subMenuImages_);
  Notify(dkicSubMenuImagesChanged, -1, nullptr);
}

void TDKCustomItem::SetOptions(TDKItemOptions v) {
  v = FixOptions(v);
  if (options_ == v) return;
  options_ = v;
  RefreshOptions();
}

void TDKCustomItem::SetMaskOptions(TDKItemOptions v) {
  if (maskOptions_ == v) return;
  maskOptions_ = v;
  RefreshOptions();
}

void TDKCustomItem::SetInheritOptions(bool v) {
  if (inheritOptions_ == v) return;
  inheritOptions_ = v;
  RefreshOptions();
}

void TDKCustomItem::RefreshOptions() {
  TDKItemOptions o =
      (inheritOptions_ && parent_) ? parent_->effectiveOptions_ & ~TDKItemOptions{dkoDefault} : 0;
  o = FixOptions((o & ~maskOptions_) | options_);
  if (o != effectiveOptions_) {
    const TDKItemOptions changed = o ^ effectiveOptions_;
    effectiveOptions_ = o;
    if (changed & ResizingOptions) Change(true);
  }
  for (TDKCustomItem* s : items_) s->RefreshOptions();
}

void TDKCustomItem::SetRadioItem(bool v) {
  if (radioItem_ == v) return;
  radioItem_ = v;
  Change(false);
}

void TDKCustomItem::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  Change(true);
}

void TDKCustomItem::SetLinkSubitems(TDKCustomItem* v) {
  if (v == this) v = nullptr;
  if (linkSubitems_ == v) return;
  if (linkSubitems_) {
    auto& l = linkSubitems_->linkingItems_;
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
    linkSubitems_->RemoveFreeNotification(this);
  }
  linkSubitems_ = v;
  if (v) {
    v->linkingItems_.push_back(this);
    v->FreeNotification(this);
  }
  Notify(dkicSubitemsChanged, -1, nullptr);
}

// ------------------------------------------------------------------ commands

void TDKCustomItem::Click() {
  if (!enabled_) return;
  if (autoCheck_) SetChecked(!checked_);
  // A handler of the item's own wins over its action's; the action runs through its link.
  if (OnClick && !(actionLink_ && actionLink_->Action() && OnClick == Action()->OnExecute()))
    OnClick(this);
  else if (!(ComponentState() & rtl::csDesigning) && actionLink_ && actionLink_->Action())
    actionLink_->Execute(this);
  else if (OnClick)
    OnClick(this);
}

void TDKCustomItem::PostClick() {
  PostObject(this, 0);
}

void TDKCustomItem::DoPopup(TDKCustomItem* Sender, bool FromLink) {
  if (OnPopup) OnPopup(Sender, FromLink);
}

bool TDKCustomItem::FindShortCut(vcl::TShortCut AShortCut, TDKCustomItem*& ResultItem, int Depth) {
  if (Depth > 25) return false;
  TDKCustomItem* list = EffectiveSubitems();
  for (TDKCustomItem* s : list->items_) {
    if (s->shortCut_ == AShortCut) {
      ResultItem = s;
      return true;
    }
    if (s->FindShortCut(AShortCut, ResultItem, Depth + 1)) return true;
  }
  return false;
}

bool TDKCustomItem::FindItemWithShortCut(vcl::TShortCut AShortCut, TDKCustomItem*& ResultItem) {
  ResultItem = nullptr;
  return AShortCut != 0 && FindShortCut(AShortCut, ResultItem, 0);
}

bool TDKCustomItem::IsShortCut(unsigned short Key, vcl::TShiftState Shift) {
  const vcl::TShortCut sc = vcl::ShortCut(Key, Shift);
  TDKCustomItem* found = nullptr;
  if (!FindItemWithShortCut(sc, found)) return false;
  // Every level on the way is offered its popup event first, so handlers can update the items.
  // Their sub-items are brought up to date from their actions too.
  std::vector<TDKCustomItem*> chain;
  for (TDKCustomItem* p = found->parent_; p && p != this; p = p->parent_) chain.push_back(p);
  chain.push_back(this);
  std::reverse(chain.begin(), chain.end());
  for (TDKCustomItem* level : chain) {
    if (!level->enabled_) return false;
    for (TDKCustomItem* s : std::vector(level->EffectiveSubitems()->items_)) s->InitiateAction();
    if (level != this && !(level->itemStyle_ & isGroup)) level->DoPopup(level, false);
  }
  if (!found->enabled_) return false;
  found->Click();
  return true;
}

std::string TDKCustomItem::GetShortCutText() const {
  const auto tab = caption_.find('\t');
  if (tab != std::string::npos) return caption_.substr(tab + 1);
  return vcl::ShortCutToText(shortCut_);
}

std::string TDKCustomItem::CaptionWithoutShortCut() const {
  return caption_.substr(0, caption_.find('\t'));
}

// ------------------------------------------------------------------ classes

TDKSubmenuItem::TDKSubmenuItem(rtl::TComponent* AOwner) : TDKCustomItem(AOwner) {
  SetItemStyle(ItemStyle() | isSubmenu | isHasSubitems);
}

void TDKSubmenuItem::SetDropdownCombo(bool v) {
  if (v == DropdownCombo()) return;
  SetItemStyle(v ? ItemStyle() | isSplitButton : ItemStyle() & ~TDKItemStyle{isSplitButton});
  Change(true);
}

TDKGroupItem::TDKGroupItem(rtl::TComponent* AOwner) : TDKCustomItem(AOwner) {
  SetItemStyle(ItemStyle() | isGroup | isHasSubitems);
}

TDKSeparatorItem::TDKSeparatorItem(rtl::TComponent* AOwner) : TDKCustomItem(AOwner) {
  SetItemStyle((ItemStyle() & ~TDKItemStyle{isSelectable | isRepaintOnSelect | isRepaintOnPush}) |
               isSeparator | isNotButton);
}

void TDKSeparatorItem::SetBlank(bool v) {
  if (blank_ == v) return;
  blank_ = v;
  Change(false);
}

TDKItemViewerClass TDKSeparatorItem::GetItemViewerClass(TDKView*) const {
  return TDKItemViewerClass::Of<TDKSeparatorItemViewer>();
}

TDKControlItem::TDKControlItem(rtl::TComponent* AOwner) : TDKCustomItem(AOwner) {
  SetItemStyle((ItemStyle() & ~TDKItemStyle{isSelectable}) | isNotButton);
}

TDKControlItem::~TDKControlItem() {
  if (control_) control_->RemoveFreeNotification(this);
}

void TDKControlItem::SetControl(vcl::TControl* v) {
  if (control_ == v) return;
  if (control_) control_->RemoveFreeNotification(this);
  control_ = v;
  if (v) v->FreeNotification(this);
  Change(true);
}

void TDKControlItem::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  TDKCustomItem::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == control_) {
    control_ = nullptr;
    Change(true);
  }
}

TDKItemViewerClass TDKCustomItem::GetItemViewerClass(TDKView*) const {
  return TDKItemViewerClass::Of<TDKItemViewer>();
}

bool TDKItemViewerClass::IsClassOf(const TDKItemViewer& Viewer) const {
  return typeid(Viewer) == *type_;
}

}  // namespace docking
