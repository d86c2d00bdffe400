#pragma once
// The item tree behind toolbars and menus, the views that show one level of it in a window, the
// viewers that measure and paint each item, and popup windows with their placement. Sources:
// dkitem_tree (items, posted clicks), dkitem_view (layout, selection, keys), dkitem_viewer
// (sizes and painting), dkitem_popup (popup windows and where they go).
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/access/access.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/actions.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/menus.h"

namespace docking {

using win::POINT;
using win::RECT;
using win::SIZE;

class TDKView;
class TDKItemViewer;
class TDKPopupWindow;

class TDKCustomItem;

// The class of viewer that shows an item in a view. It may change with the item's state: a view
// asks whether a viewer is still of the item's class, and has the class make a new one.
class TDKItemViewerClass {
 public:
  using Maker = std::unique_ptr<TDKItemViewer> (*)(TDKView*, TDKCustomItem*, int);
  template <class V>
  static TDKItemViewerClass Of() {
    return TDKItemViewerClass(typeid(V), [](TDKView* View, TDKCustomItem* Item, int GroupLevel) {
      return std::unique_ptr<TDKItemViewer>(std::make_unique<V>(View, Item, GroupLevel));
    });
  }
  bool IsClassOf(const TDKItemViewer& Viewer) const;
  std::unique_ptr<TDKItemViewer> Create(TDKView* View, TDKCustomItem* Item, int GroupLevel) const {
    return make_(View, Item, GroupLevel);
  }

 private:
  TDKItemViewerClass(const std::type_info& Type, Maker Make) : type_(&Type), make_(Make) {}
  const std::type_info* type_;
  Maker make_;
};

class EDKItemError : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

enum TDKItemOption : unsigned {
  dkoDefault = 1 << 0,
  dkoDropdownArrow = 1 << 1,
  dkoImageAboveCaption = 1 << 2,
  dkoLongHintInMenuOnly = 1 << 3,
  dkoNoAutoHint = 1 << 4,
  dkoNoRotation = 1 << 5,
  dkoSameWidth = 1 << 6,
  dkoShowHint = 1 << 7,
  dkoToolbarStyle = 1 << 8,
  dkoToolbarSize = 1 << 9
};
using TDKItemOptions = unsigned;
enum TDKItemDisplayMode { nbdmDefault, nbdmTextOnly, nbdmTextOnlyInMenus, nbdmImageAndText };
enum TDKItemChangedAction {
  dkicInserted,
  dkicDeleting,
  dkicSubitemsChanged,
  dkicSubitemsBeginUpdate,
  dkicSubitemsEndUpdate,
  dkicInvalidate,
  dkicInvalidateAndResize,
  dkicRecreateItemViewers,
  dkicNameChanged,
  dkicSubMenuImagesChanged
};
enum TDKDoneAction { dkdaNone, dkdaCancel, dkdaClickItem, dkdaOpenSystemMenu, dkdaHelpContext };
enum TDKPopupAlignment { dkpaLeft, dkpaRight, dkpaCenter };
enum TDKViewOrientation { dkvoHorizontal, dkvoVertical, dkvoFloating };

// Behaviour flags fixed by an item's class.
using TDKItemStyle = unsigned short;
enum : TDKItemStyle {
  isSubmenu = 0x0001,
  isSelectable = 0x0002,
  isSeparator = 0x0004,
  isGroup = 0x0008,
  isNotButton = 0x0010,
  isSplitButton = 0x0020,
  isNoKeyboardOpen = 0x0040,
  isHasSubitems = 0x0080,
  isWrapWhenGroupDoesNotFit = 0x0100,
  isPushToFarEnd = 0x0200,
  isNotFirstSelectable = 0x0400,
  isRepaintOnSelect = 0x0800,
  isRepaintOnPush = 0x1000
};

class TDKCustomItem;

// An item's tie to its action: caption, state, image, shortcut and click follow the action while
// the item's own value still equals the action's.
class TDKCustomItemActionLink : public vcl::TActionLink {
 public:
  explicit TDKCustomItemActionLink(TDKCustomItem* AClient);
  bool IsCaptionLinked() const override;
  bool IsCheckedLinked() const override;
  bool IsEnabledLinked() const override;
  bool IsHelpContextLinked() const override;
  bool IsHintLinked() const override;
  bool IsImageIndexLinked() const override;
  bool IsShortCutLinked() const override;
  bool IsVisibleLinked() const override;
  bool IsOnExecuteLinked() const override;
  void SetCaption(const std::string& Value) override;
  void SetChecked(bool Value) override;
  void SetEnabled(bool Value) override;
  void SetHelpContext(int Value) override;
  void SetHint(const std::string& Value) override;
  void SetImageIndex(int Value) override;
  void SetShortCut(vcl::TShortCut Value) override;
  void SetVisible(bool Value) override;
  void SetOnExecute(const rtl::TNotifyEvent& Value) override;

 private:
  vcl::TCustomAction* CustomAction() const;
  TDKCustomItem* item_;
};

using TDKItemChangedProc =
    rtl::Event<void(TDKCustomItem* Ancestor, bool Relayed, TDKItemChangedAction Action, int Index,
                    TDKCustomItem* Item)>;
using TDKPopupEvent = rtl::Event<void(TDKCustomItem* Sender, bool FromLink)>;
using TDKSelectEvent =
    rtl::Event<void(TDKCustomItem* Sender, TDKItemViewer* Viewer, bool Selecting)>;

// ------------------------------------------------------------------ items

class TDKCustomItem : public rtl::TComponent {
 public:
  explicit TDKCustomItem(rtl::TComponent* AOwner);
  ~TDKCustomItem() override;

  // Tree.
  void Add(TDKCustomItem* AItem) { Insert(Count(), AItem); }
  void Insert(int NewIndex, TDKCustomItem* AItem);
  void Delete(int Index);  // frees the item
  void Remove(TDKCustomItem* AItem);
  int IndexOf(const TDKCustomItem* AItem) const;
  void Clear();
  void Move(int CurIndex, int NewIndex);
  bool ContainsItem(const TDKCustomItem* AItem) const;
  int Count() const { return static_cast<int>(items_.size()); }
  TDKCustomItem* Items(int Index) const;
  TDKCustomItem* Parent() const { return parent_; }
  rtl::TComponent* ParentComponent() const { return parentComponent_; }
  void SetParentComponent(rtl::TComponent* Value) { parentComponent_ = Value; }

  // Notifications to views.
  void RegisterNotification(const TDKItemChangedProc& Notify);
  void UnregisterNotification(const TDKItemChangedProc& Notify);
  void Notify(TDKItemChangedAction Action, int Index, TDKCustomItem* Item);
  void ViewBeginUpdate() { Notify(dkicSubitemsBeginUpdate, -1, nullptr); }
  void ViewEndUpdate() { Notify(dkicSubitemsEndUpdate, -1, nullptr); }
  void Change(bool NeedResize);
  void RecreateItemViewers();
  // A rename is told to the parent's views (dkicNameChanged).
  void SetName(const std::string& NewName) override;

  // The action the item follows (nil: none).
  vcl::TBasicAction* Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }
  void SetAction(vcl::TBasicAction* Value);
  TDKCustomItemActionLink* ActionLink() const { return actionLink_.get(); }
  // Brings the item up to date from its action (the action's OnUpdate).
  void InitiateAction();

  // Properties.
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool v) { autoCheck_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  TDKItemDisplayMode DisplayMode() const { return displayMode_; }
  void SetDisplayMode(TDKItemDisplayMode v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v);
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int v) { helpContext_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  vcl::TCustomImageList* Images() const { return images_; }
  void SetImages(vcl::TCustomImageList* v);
  vcl::TCustomImageList* SubMenuImages() const { return subMenuImages_; }
  void SetSubMenuImages(vcl::TCustomImageList* v);
  TDKItemOptions Options() const { return options_; }
  void SetOptions(TDKItemOptions v);
  TDKItemOptions MaskOptions() const { return maskOptions_; }
  void SetMaskOptions(TDKItemOptions v);
  bool InheritOptions() const { return inheritOptions_; }
  void SetInheritOptions(bool v);
  TDKItemOptions EffectiveOptions() const { return effectiveOptions_; }
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool v);
  vcl::TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(vcl::TShortCut v) { shortCut_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  TDKCustomItem* LinkSubitems() const { return linkSubitems_; }
  void SetLinkSubitems(TDKCustomItem* v);
  TDKItemStyle ItemStyle() const { return itemStyle_; }
  // The item whose sub-items this one shows.
  TDKCustomItem* EffectiveSubitems() { return linkSubitems_ ? linkSubitems_ : this; }

  rtl::TNotifyEvent OnClick;
  TDKPopupEvent OnPopup;
  TDKSelectEvent OnSelect;

  // Commands.
  virtual void Click();
  void PostClick();
  void DoPopup(TDKCustomItem* Sender, bool FromLink);
  bool FindItemWithShortCut(vcl::TShortCut AShortCut, TDKCustomItem*& ResultItem);
  // The key of a key-down message as a shortcut, looked for from this item down.
  bool IsShortCut(unsigned short Key, vcl::TShiftState Shift);
  std::string GetShortCutText() const;
  // The caption without the shortcut text that may follow a tab.
  std::string CaptionWithoutShortCut() const;

  // Views.
  virtual TDKItemViewerClass GetItemViewerClass(TDKView* AView) const;
  std::unique_ptr<TDKItemViewer> CreateViewer(TDKView* AView, int AGroupLevel) {
    return GetItemViewerClass(AView).Create(AView, this, AGroupLevel);
  }
  virtual std::unique_ptr<TDKPopupWindow> MakePopupWindow(TDKView* ParentView);
  // Opens the sub-items at a screen point as a popup menu, runs the menu loop and returns the
  // clicked item (posting its click unless ReturnClickedItemOnly).
  TDKCustomItem* Popup(int X, int Y, bool TrackRightButton, TDKPopupAlignment Alignment = dkpaLeft,
                       bool ReturnClickedItemOnly = false);
  // The same, optionally with the first item selected (a menu opened from the keyboard).
  TDKCustomItem* OpenPopup(bool SelectFirstItem, bool TrackRightButton, POINT PopupPoint,
                           TDKPopupAlignment Alignment, bool ReturnClickedItemOnly);
  std::unique_ptr<TDKPopupWindow> CreatePopup(TDKView* ParentView, TDKItemViewer* ParentViewer,
                                              bool PositionAsSubmenu, bool SelectFirstItem,
                                              POINT PopupPoint, TDKPopupAlignment Alignment);

  // The views of the trees that link to this item (relayed notifications).
  const std::vector<TDKCustomItem*>& LinkingItems() const { return linkingItems_; }

 protected:
  virtual void EnabledChanged() { Change(false); }
  void SetItemStyle(TDKItemStyle v) { itemStyle_ = v; }
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  // Copies the action's values (CheckDefaults: only over values still at their defaults).
  virtual void ActionChange(rtl::TObject* Sender, bool CheckDefaults);

 private:
  void DoActionChange(rtl::TObject* Sender);
  void RefreshOptions();
  void TurnSiblingsOff();
  void FollowList(vcl::TCustomImageList*& Slot, vcl::TChangeLink& Link,
                  vcl::TCustomImageList* Value);
  void ImagesChanged(rtl::TObject* Sender);
  void SubMenuImagesChanged(rtl::TObject* Sender);
  bool FindShortCut(vcl::TShortCut AShortCut, TDKCustomItem*& ResultItem, int Depth);

  std::unique_ptr<TDKCustomItemActionLink> actionLink_;
  bool autoCheck_ = false;
  std::string caption_;
  bool checked_ = false;
  TDKItemDisplayMode displayMode_ = nbdmDefault;
  bool enabled_ = true;
  TDKItemOptions effectiveOptions_ = 0;
  int groupIndex_ = 0;
  int helpContext_ = 0;
  std::string hint_;
  int imageIndex_ = -1;
  vcl::TCustomImageList* images_ = nullptr;
  vcl::TChangeLink imagesLink_;
  SIZE imagesSize_{0, 0};
  std::vector<TDKCustomItem*> items_;
  TDKItemStyle itemStyle_ = isSelectable | isRepaintOnSelect | isRepaintOnPush;
  std::vector<TDKCustomItem*> linkingItems_;
  TDKItemOptions maskOptions_ = 0;
  TDKItemOptions options_ = 0;
  bool inheritOptions_ = true;
  struct Registration {
    TDKItemChangedProc proc;
    int count;
  };
  std::vector<Registration> notifications_;
  TDKCustomItem* parent_ = nullptr;
  rtl::TComponent* parentComponent_ = nullptr;
  bool radioItem_ = false;
  vcl::TShortCut shortCut_ = 0;
  vcl::TCustomImageList* subMenuImages_ = nullptr;
  vcl::TChangeLink subMenuImagesLink_;
  SIZE subMenuImagesSize_{0, 0};
  TDKCustomItem* linkSubitems_ = nullptr;
  bool visible_ = true;
};

class TDKItem : public TDKCustomItem {
 public:
  using TDKCustomItem::TDKCustomItem;
};

class TDKSubmenuItem : public TDKCustomItem {
 public:
  explicit TDKSubmenuItem(rtl::TComponent* AOwner);
  bool DropdownCombo() const { return (ItemStyle() & isSplitButton) != 0; }
  void SetDropdownCombo(bool v);
};

class TDKGroupItem : public TDKCustomItem {
 public:
  explicit TDKGroupItem(rtl::TComponent* AOwner);
};

class TDKSeparatorItem : public TDKCustomItem {
 public:
  explicit TDKSeparatorItem(rtl::TComponent* AOwner);
  bool Blank() const { return blank_; }
  void SetBlank(bool v);
  TDKItemViewerClass GetItemViewerClass(TDKView* AView) const override;

 private:
  bool blank_ = false;
};

// A window control placed among the items; the item does not own it.
class TDKControlItem : public TDKCustomItem {
 public:
  explicit TDKControlItem(rtl::TComponent* AOwner);
  ~TDKControlItem() override;
  vcl::TControl* Control() const { return control_; }
  void SetControl(vcl::TControl* v);
  // Clicks on the control's area go to the control, not to the toolbar's loop.
  bool PassesClicks() const { return true; }

 protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

 private:
  vcl::TControl* control_ = nullptr;
};

class TDKRootItem : public TDKCustomItem {
 public:
  using TDKCustomItem::TDKCustomItem;
};

namespace detail {
// Clicks queued on the thread's hidden window and not yet run (tests look at the slots).
int PostedClickSlots();
// Queues an accessibility request of a viewer on the same window (run after the caller returns),
// and forgets the requests of a viewer that goes away.
void PostAccSelect(TDKItemViewer* Viewer, bool Execute);
void DropPosted(const void* Object);
}  // namespace detail

// ------------------------------------------------------------------ viewers

class TDKItemViewer {
 public:
  TDKItemViewer(TDKView* AView, TDKCustomItem* AItem, int AGroupLevel);
  virtual ~TDKItemViewer();
  TDKItemViewer(const TDKItemViewer&) = delete;
  TDKItemViewer& operator=(const TDKItemViewer&) = delete;

  TDKView* View() const { return view_; }
  TDKCustomItem* Item() const { return item_; }
  int Index() const;
  int GroupLevel() const { return groupLevel_; }

  RECT BoundsRect;
  bool Show = false;
  bool OffEdge = false;
  bool Clipped = false;
  bool LineBreak = false;

  virtual void CalcSize(vcl::TCanvas* Canvas, int& AWidth, int& AHeight);
  virtual void Paint(vcl::TCanvas* Canvas, const RECT& ClientAreaRect, bool IsSelected,
                     bool IsPushed, bool UseDisabledShadow);
  virtual bool UsesSameWidth() const;
  virtual bool CaptionShown() const;
  virtual std::string GetCaptionText() const { return item_->CaptionWithoutShortCut(); }
  virtual bool IsPtInButtonPart(int X, int Y) const;
  // The pointer's shape over the viewer at (X, Y) in its own coordinates; nullptr leaves it to
  // the view (the arrow).
  virtual win::HCURSOR GetCursor(int X, int Y) const;
  // The mouse moved over the viewer, a key came while it was selected (it may take the key by
  // setting it to 0), the wheel turned over it. The plain viewer does nothing with them.
  virtual void MouseMove(int X, int Y);
  virtual void KeyDown(unsigned short& Key, vcl::TShiftState Shift);
  virtual void MouseWheel(int WheelDelta, int X, int Y);
  virtual void Entering();
  virtual void Leaving();
  // Ends the loop with this item as the clicked one; answers whether it did.
  virtual bool DoExecute();
  void Execute(bool AGivePriority);
  std::string GetHintText() const;
  int GetAccRole() const;
  // The value a screen reader is told (an edit's text, say); false: the viewer has none.
  virtual bool GetAccValue(std::string& Value) const;
  // The view lets go of the mouse while the viewer is selected: it repaints unpressed.
  virtual void LosingCapture();
  // Accessibility (dkacc): the object handed to clients, created on first request.
  acc::IAccessible* GetAccObject();
  bool IsAccessible() const { return Show || OffEdge || Clipped; }
  void HandleAccSelect(bool Execute);

  bool IsToolbarStyle() const;
  bool IsToolbarSize() const;
  bool IsRotated() const;
  bool ImageShown() const;
  vcl::TCustomImageList* GetImageList() const;

 protected:
  void DrawItemCaption(vcl::TCanvas* Canvas, RECT R, const std::string& Caption,
                       bool UseDisabledShadow, unsigned Format);
  unsigned CaptionFormat() const;
  void DrawImage(vcl::TCustomImageList* Images, vcl::TCanvas* Canvas, int X, int Y,
                 bool Selected) const;
  // The width of the image column of a menu row of the given height.
  static int MenuImageColumn(vcl::TCustomImageList* Images, int AHeight);

 private:
  TDKView* view_;
  TDKCustomItem* item_;
  int groupLevel_;
  acc::IAccessible* accObject_ = nullptr;
};

class TDKSeparatorItemViewer : public TDKItemViewer {
 public:
  using TDKItemViewer::TDKItemViewer;
  void CalcSize(vcl::TCanvas* Canvas, int& AWidth, int& AHeight) override;
  void Paint(vcl::TCanvas* Canvas, const RECT& ClientAreaRect, bool IsSelected, bool IsPushed,
             bool UseDisabledShadow) override;
  bool UsesSameWidth() const override { return false; }
};

// ------------------------------------------------------------------ views

struct TDKDoneActionData {
  TDKDoneAction DoneAction = dkdaNone;
  TDKCustomItem* ClickItem = nullptr;
  bool Sound = false;
  win::HWND Wnd{};
  unsigned Key = 0;
  int ContextID = 0;
};

class TDKView : public rtl::TComponent {
 public:
  TDKView(rtl::TComponent* AOwner, TDKView* AParentView, TDKCustomItem* AParentItem,
          vcl::TWinControl* AWindow, bool AIsToolbar, bool ACustomizing, bool AUsePriorityList);
  ~TDKView() override;

  // Viewers.
  int ViewerCount() const { return static_cast<int>(viewers_.size()); }
  TDKItemViewer* Viewers(int Index) const { return viewers_.at(static_cast<size_t>(Index)).get(); }
  int IndexOf(const TDKItemViewer* V) const;
  TDKItemViewer* Find(const TDKCustomItem* Item) const;  // raises EDKItemError when absent
  TDKItemViewer* ViewerFromPoint(POINT P) const;
  void RecreateAllViewers();
  // A new viewer from the item at Index, in the old one's place.
  void RecreateItemViewer(int Index);
  const std::vector<TDKItemViewer*>& PriorityList() const { return priority_; }

  // Positions.
  struct Layout {
    SIZE BaseSize{0, 0};
    SIZE TotalSize{0, 0};
    int WrappedLines = 1;
    // The longest line's end along the orientation, with its margin (before wrapping raises
    // the total to the wrap offset).
    int UsedLength = 0;
  };
  Layout CalculatePositions(bool CanMoveControls, TDKViewOrientation AOrientation, int AWrapOffset,
                            int AChevronOffset, int AChevronSize);
  virtual void UpdatePositions() { DoUpdatePositions(); }
  SIZE DoUpdatePositions();
  virtual void InvalidatePositions();
  void ValidatePositions();
  void TryValidatePositions();
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  virtual RECT GetMargins(TDKViewOrientation AOrientation) const;
  virtual void AutoSize(int AWidth, int AHeight) { (void)AWidth, (void)AHeight; }
  virtual vcl::TFont* GetFont();
  virtual TDKCustomItem* GetChevronItem() const { return nullptr; }
  bool PositionsValid() const { return validated_; }
  SIZE BaseSize() const { return baseSize_; }
  SIZE TotalSize() const { return totalSize_; }
  int WrappedLines() const { return wrappedLines_; }

  // Properties set by the owner.
  TDKViewOrientation Orientation() const { return orientation_; }
  void SetOrientation(TDKViewOrientation v);
  int WrapOffset() const { return wrapOffset_; }
  void SetWrapOffset(int v);
  int ChevronOffset() const { return chevronOffset_; }
  void SetChevronOffset(int v);
  int ChevronSize() const { return chevronSize_; }
  void SetChevronSize(int v);
  int MaxHeight() const { return maxHeight_; }
  void SetMaxHeight(int v);
  int ScrollOffset() const { return scrollOffset_; }
  bool ShowUpArrow() const { return showUpArrow_; }
  bool ShowDownArrow() const { return showDownArrow_; }
  bool IsToolbar() const { return isToolbar_; }
  void SetIsToolbar(bool v) { isToolbar_ = v; }
  bool IsMenuBar() const { return isMenuBar_; }
  void SetIsMenuBar(bool v) { isMenuBar_ = v; }
  bool HideAccelsUntilKeyboard() const { return hideAccels_; }
  void SetHideAccelsUntilKeyboard(bool v) { hideAccels_ = v; }
  bool AccelsVisible() const { return accelsVisible_; }
  void SetAccelsVisibility(bool Show);
  bool ShowHints() const { return showHints_; }
  void SetShowHints(bool v) { showHints_ = v; }
  bool Customizing() const { return customizing_; }
  void SetCustomizing(bool v);
  bool UsePriorityList() const { return usePriorityList_; }
  void SetUsePriorityList(bool v);
  bool NewViewersGetHighestPriority() const { return newViewersHighest_; }
  void SetNewViewersGetHighestPriority(bool v) { newViewersHighest_ = v; }
  TDKView* ChevronParentView() const { return chevronParentView_; }
  void SetChevronParentView(TDKView* v) { chevronParentView_ = v; }
  bool OpensLeft() const { return opensLeft_; }
  void SetOpensLeft(bool v) { opensLeft_ = v; }
  // A command chosen here sounds "MenuCommand" once the loop has ended. Popup views (menus,
  // drop-downs, the chevron's list) start with it on, as the system's menus sound; toolbar views
  // off, as a button's click is its own feedback.
  bool MenuCommandSound() const { return menuCommandSound_; }
  void SetMenuCommandSound(bool v) { menuCommandSound_ = v; }

  TDKView* ParentView() const { return parentView_; }
  TDKCustomItem* ParentItem() const { return parentItem_; }
  TDKCustomItem* CurParentItem() const { return curParentItem_; }
  vcl::TWinControl* Window() const { return window_; }
  TDKView* GetRootView();
  TDKView* GetParentToolbarView();
  bool ContainsView(const TDKView* V) const;

  // Selection and keys.
  TDKItemViewer* Selected() const { return selected_; }
  void SetSelected(TDKItemViewer* Value) { Select(Value, false); }
  // False when a handler called meanwhile freed this view: the caller touches it no more. Also
  // notes whether the pointer (at the message's position) is inside the selected viewer.
  bool Select(TDKItemViewer* Value, bool ViaMouse);
  TDKItemViewer* FirstSelectable();
  TDKItemViewer* NextSelectable(TDKItemViewer* Cur, bool GoForward);
  TDKItemViewer* NextSelectableWithAccel(TDKItemViewer* Cur, char Key, bool EnabledOnly,
                                         bool& IsOnlyItemWithAccel);
  void GivePriority(TDKItemViewer* Viewer);
  TDKItemViewer* HighestPriorityViewer();
  void ScrollSelectedIntoView();
  void Scroll(bool Down);
  void KeyDown(unsigned short& Key, vcl::TShiftState Shift);
  void ExecuteSelected(bool AGivePriority);

  // Child popups.
  bool OpenChildPopup(bool SelectFirstItem);
  // A child popup opened from Viewer is placed and about to show: the viewer is the open one and
  // is drawn so before the popup appears.
  void ChildPopupPlaced(TDKItemViewer* Viewer, TDKPopupWindow* Popup);
  void CloseChildPopups();
  void CancelChildPopups();
  TDKItemViewer* OpenViewer() const { return openViewer_; }
  TDKView* OpenViewerView() const { return openViewerView_; }
  TDKPopupWindow* OpenPopupWindow() const { return openPopup_.get(); }
  bool DropDownMode() const { return dropDownMode_; }
  // A child popup of this toolbar view went away; the next one shows without animation.
  bool ChildPopupJustClosed() const { return childPopupJustClosed_; }
  void SetChildPopupJustClosed(bool v) { childPopupJustClosed_ = v; }

  // The loop's outcome, kept on the root view.
  void EndModal();
  void EndModalWithClick(TDKItemViewer* Viewer);
  void EndModalWithHelp(int AContextID);
  void EndModalWithSystemMenu(win::HWND AWnd, unsigned AKey);
  bool IsModalEnding();
  TDKDoneActionData& DoneActionData() { return doneActionData_; }
  bool InModalLoop() const { return inModalLoop_; }
  void SetInModalLoop(bool v) { inModalLoop_ = v; }
  void SetIgnoreRelease(bool v) { ignoreRelease_ = v; }
  // The menu loop (dkmenuloop): the toolbar's own loop, selection by the mouse, timers.
  enum TDKViewTimerID { tiOpen, tiClose, tiScrollUp, tiScrollDown };
  enum : unsigned { tlStartedByMouse = 1, tlExecuteSelected = 2, tlNoPriority = 4 };
  void EnterToolbarLoop(unsigned Options);
  void UpdateSelection(POINT P, bool AllowNewSelection);
  void CancelMode();
  bool IsPopupView() const;
  void StartTimer(TDKViewTimerID Id, unsigned Ms);
  void StopTimer(TDKViewTimerID Id);
  void StopAllTimers();
  bool TimerRunning(TDKViewTimerID Id) const { return (timers_ & (1u << Id)) != 0; }
  bool HasCapture() const { return hasCapture_; }
  void SetCapture() { hasCapture_ = true; }
  void CancelCapture();
  bool MouseInsideSelected() const { return mouseInSelected_; }
  bool MouseInside() const { return mouseInside_; }
  void SetMouseInsideSelected(bool v) { mouseInSelected_ = v; }
  win::HWND CaptureWnd() const { return captureWnd_; }
  void SetCaptureWnd(win::HWND v) { captureWnd_ = v; }
  bool IgnoreRelease() const { return ignoreRelease_; }

  // Painting.
  void DrawSubitems(vcl::TCanvas* Canvas);
  void DrawItem(vcl::TCanvas* Canvas, TDKItemViewer* Viewer);
  void Invalidate(TDKItemViewer* Viewer);
  // The hint of the viewer under the hint's cursor point: its text and rectangle; false when
  // there is none (no hint).
  bool HandleHintShowMessage(vcl::THintInfo& Info);
  // The controls of control items that the chevron keeps off the edge.
  void GetOffEdgeControlList(std::vector<vcl::TControl*>& List) const;
  // Every shown item brings itself up to date from its action.
  void InitiateActions();
  // Accessibility (dkacc).
  acc::IAccessible* GetAccObject();
  // The answer to WM_GETOBJECT (0: left to the default handling).
  win::LRESULT HandleWMGetObject(long ObjectId);
  void NotifyFocusEvent();
  // Child number of a viewer among the accessible ones (1-based; 0 when it is not one).
  int AccChildNumber(const TDKItemViewer* Viewer) const;
  TDKItemViewer* AccChild(int Number) const;

 protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

 private:
  friend class TDKItemViewer;
  void ItemNotification(TDKCustomItem* Ancestor, bool Relayed, TDKItemChangedAction Action,
                        int Index, TDKCustomItem* Item);
  void LinkNotification(TDKCustomItem* Ancestor, bool Relayed, TDKItemChangedAction Action,
                        int Index, TDKCustomItem* Item);
  void UpdateCurParentItem();
  // Image sizes changed: this view and its open child views lay out again.
  void ImagesChanged();
  int InsertItemViewers(int Index, TDKCustomItem* AItem, int AGroupLevel, bool AddToPriorityList,
                        bool TopOfPriorityList);
  void DeleteViewer(int Index);
  void FreeViewers();
  // The view hears the inline groups it shows (their items and the lists they link to), so that
  // an item put into, changed in or taken out of a group reaches its viewers.
  void SyncGroupNotifications();
  // Where the viewers of a list's items stand: the view's own items, or after each viewer of an
  // inline group showing that list, with the group level they have there.
  struct ListRange {
    int first, end, level;
  };
  std::vector<ListRange> RangesOf(TDKCustomItem* List) const;
  void Navigate(bool Forward);
  // Select with the pointer at a screen point (invalid: nowhere over the view).
  bool SelectAt(TDKItemViewer* Value, bool ViaMouse, POINT Screen);
  // Whether the pointer at a screen point is inside the selected viewer (while the view has the
  // capture, inside its button part); a pressed viewer repaints when that changes.
  void UpdateMouseInSelected(POINT Screen);
  TDKItemViewer* V_(int i) const { return viewers_[static_cast<size_t>(i)].get(); }

  std::vector<std::unique_ptr<TDKItemViewer>> viewers_;
  std::vector<TDKItemViewer*> priority_;
  TDKView* parentView_;
  TDKCustomItem* parentItem_;
  TDKCustomItem* curParentItem_ = nullptr;
  std::vector<TDKCustomItem*> groupLists_;
  vcl::TWinControl* window_;
  TDKView* chevronParentView_ = nullptr;
  int trailing_ = 0;

  TDKItemViewer* selected_ = nullptr;
  bool selectedViaMouse_ = false;
  TDKItemViewer* openViewer_ = nullptr;
  TDKView* openViewerView_ = nullptr;
  std::unique_ptr<TDKPopupWindow> openPopup_;
  TDKDoneActionData doneActionData_;

  TDKViewOrientation orientation_ = dkvoHorizontal;
  int wrapOffset_ = 0;
  int chevronOffset_ = 0;
  int chevronSize_ = 0;
  int maxHeight_ = 0;
  int scrollOffset_ = 0;
  bool showUpArrow_ = false;
  bool showDownArrow_ = false;
  SIZE baseSize_{0, 0};
  SIZE totalSize_{0, 0};
  int wrappedLines_ = 1;
  int updateCount_ = 0;
  bool validated_ = false;

  bool inModalLoop_ = false;
  bool ignoreRelease_ = false;
  bool hasCapture_ = false;
  bool mouseInside_ = false;
  bool mouseInSelected_ = false;
  unsigned timers_ = 0;
  win::HWND captureWnd_{};
  bool accelsVisible_ = true;
  bool dropDownMode_ = false;
  bool childPopupJustClosed_ = false;
  bool isToolbar_;
  bool isMenuBar_ = false;
  bool hideAccels_ = false;
  bool showHints_ = false;
  bool customizing_;
  bool usePriorityList_;
  bool newViewersHighest_ = true;
  bool opensLeft_ = false;
  bool menuCommandSound_ = false;
  std::unique_ptr<vcl::TBitmap> measure_;
  acc::IAccessible* accObject_ = nullptr;
};

// Scroll arrows of a popup taller than its space take this many pixels at each end.
constexpr int DKScrollArrowHeight = 19;

}  // namespace docking
