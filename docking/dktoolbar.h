#pragma once
// The toolbar: a dockable window showing an item tree. It wraps plain controls placed on it,
// lays its items out along its dock, hides what does not fit behind a chevron, wraps while it
// floats, and answers its form's shortcuts.
#include "docking/dkdock.h"
#include "docking/dkitem.h"

namespace docking {

class TDKCustomToolbar;

enum TDKChevronPriorityForNewItems { dkcpHighest, dkcpLowest };

constexpr int DKChevronSize = 12;

class TDKToolbarView : public TDKView {
 public:
  TDKToolbarView(TDKCustomToolbar* AToolbar, TDKCustomItem* AItem);
  void AutoSize(int AWidth, int AHeight) override;
  vcl::TFont* GetFont() override;
  TDKCustomItem* GetChevronItem() const override;
  SIZE LastSize() const { return lastSize_; }

 private:
  TDKCustomToolbar* toolbar_;
  SIZE lastSize_{23, 22};
};

// The "more buttons" item: its popup shows the toolbar's items that did not fit.
class TDKChevronItem : public TDKCustomItem {
 public:
  explicit TDKChevronItem(TDKCustomToolbar* AToolbar);
  TDKItemViewerClass GetItemViewerClass(TDKView* AView) const override;
  TDKView* GetChevronParentView() const;

 private:
  TDKCustomToolbar* toolbar_;
};

class TDKChevronItemViewer : public TDKItemViewer {
 public:
  using TDKItemViewer::TDKItemViewer;
  void CalcSize(vcl::TCanvas* Canvas, int& AWidth, int& AHeight) override;
  void Paint(vcl::TCanvas* Canvas, const RECT& ClientAreaRect, bool IsSelected, bool IsPushed,
             bool UseDisabledShadow) override;
};

using TDKShortCutEvent =
    rtl::Event<void(unsigned short Key, vcl::TShiftState Shift, bool& Handled)>;

class TDKCustomToolbar : public TDKCustomDockableWindow {
 public:
  explicit TDKCustomToolbar(rtl::TComponent* AOwner);
  ~TDKCustomToolbar() override;

  TDKRootItem* Items() const { return items_; }
  TDKToolbarView* View() const { return view_.get(); }
  TDKChevronItem* ChevronItem() const { return chevron_; }
  vcl::TCustomImageList* Images() const { return items_->SubMenuImages(); }
  void SetImages(vcl::TCustomImageList* v) { items_->SetSubMenuImages(v); }
  TDKItemOptions Options() const { return items_->Options(); }
  void SetOptions(TDKItemOptions v) { items_->SetOptions(v); }
  TDKCustomItem* LinkSubitems() const { return items_->LinkSubitems(); }
  void SetLinkSubitems(TDKCustomItem* v) { items_->SetLinkSubitems(v); }

  const std::string& ChevronHint() const { return chevron_->Hint(); }
  void SetChevronHint(const std::string& v) { chevron_->SetHint(v); }
  bool ChevronMoveItems() const { return chevronMoveItems_; }
  void SetChevronMoveItems(bool v);
  TDKChevronPriorityForNewItems ChevronPriorityForNewItems() const { return priorityForNew_; }
  void SetChevronPriorityForNewItems(TDKChevronPriorityForNewItems v);
  int FloatingWidth() const { return floatingWidth_; }
  void SetFloatingWidth(int v);
  bool MenuBar() const { return menuBar_; }
  void SetMenuBar(bool v);
  bool ProcessShortCuts() const { return processShortCuts_; }
  void SetProcessShortCuts(bool v);
  TDKShrinkMode ShrinkMode() const { return shrinkMode_; }
  void SetShrinkMode(TDKShrinkMode v);
  // Items in the system's menu font (following its changes) rather than the toolbar's Font.
  bool SystemFont() const { return systemFont_; }
  void SetSystemFont(bool v);
  vcl::TFont* ToolbarSystemFont() const { return toolbarSystemFont_.get(); }
  bool UpdateActions() const { return updateActions_; }
  void SetUpdateActions(bool v) { updateActions_ = v; }
  TDKShortCutEvent OnShortCut;

  // Control items.
  TDKControlItem* CreateWrapper(int Index, vcl::TControl* Ctl);
  void CreateWrappersForAllControls();
  TDKControlItem* FindWrapper(const vcl::TControl* Ctl) const;

  int CalcWrapOffset(const TDKDock* Dock) const;
  int CalcChevronOffset(const TDKDock* Dock, TDKViewOrientation Orientation) const;
  void UpdateViewProperties();
  // Shortcuts of the form: OnShortCut first, then the items.
  bool IsShortCut(unsigned short Key, vcl::TShiftState Shift);
  // Opens the item whose accelerator is Key (0: the first) and runs the toolbar's menu loop.
  bool KeyboardOpen(char Key, bool RequirePrimaryAccel);

  // The dockable window's operations.
  SIZE DoArrange(bool CanMoveControls, TDKDockType PreviousDockType, bool NewFloating,
                 TDKDock* NewDock) override;
  void GetBaseSize(SIZE& ASize) override;
  void GetMinShrinkSize(int& AMinimumSize) override;
  TDKShrinkMode GetShrinkMode() const override { return shrinkMode_; }
  bool ControlExistsAtPos(POINT P) const override;
  void ResizeBegin(TDKSizeHandle SizeHandle) override;
  void ResizeTrack(RECT& Rect, const RECT& OrigRect) override;
  void ResizeTrackAccept() override;
  void ResizeEnd() override;
  // The floating width, kept by the saved layout (dktoolbar_position.cpp).
  void ReadPositionData(const TDKReadPositionData& Data) override;
  void WritePositionData(const TDKWritePositionData& Data) override;
  // The frame sizes a floating resize may take, in the order the handle walks them.
  const std::vector<SIZE>& PotentialSizes() const { return sizeData_.sizes; }
  std::vector<SIZE> CalcPotentialSizes(TDKSizeHandle SizeHandle);

  void BeginUpdate();
  void EndUpdate();
  // Also the items' actions, while UpdateActions is on.
  void InitiateAction() override;
  // Without the controls behind the chevron, and what they hold: Tab reaches no control that
  // waits out of sight.
  void GetTabOrderList(std::vector<vcl::TWinControl*>& List) const override;

 protected:
  void WndProc(vcl::TMessage& Message) override;
  bool DialogChar(unsigned Key) override;
  void ShowHintChanged() override;
  void Paint() override;
  void MouseDown(vcl::TMouseButton Button, vcl::TShiftState Shift, int X, int Y) override;
  void MouseMove(vcl::TShiftState Shift, int X, int Y) override;

 private:
  friend class TDKToolbarView;
  TDKViewOrientation OrientationFor(const TDKDock* Dock, bool Floating) const;
  void UpdateMainWindowHook();
  // The items' font changed: the view measures again and the toolbar takes its new size.
  void FontChangedRearrange();
  // Over the client: the cursor the viewer under the pointer asks for, else the arrow.
  void SetCursorFromViewer();
  struct SizeData {
    bool active = false;
    TDKSizeHandle handle = twshRight;
    std::vector<SIZE> sizes;
    int current = -1;
    int chosenWidth = 0;
  };

  TDKRootItem* items_;
  std::unique_ptr<TDKToolbarView> view_;
  TDKChevronItem* chevron_;
  bool chevronMoveItems_ = true;
  TDKChevronPriorityForNewItems priorityForNew_ = dkcpHighest;
  int floatingWidth_ = 0;
  bool menuBar_ = false;
  bool processShortCuts_ = false;
  TDKShrinkMode shrinkMode_ = dksmChevron;
  bool systemFont_ = true;
  std::unique_ptr<vcl::TFont> toolbarSystemFont_;
  bool updateActions_ = true;
  SizeData sizeData_;
  bool hooked_ = false;
};

// The forms' toolbars answer shortcuts before the keys are dispatched: the active form's first,
// then the main form's. Installed while any toolbar processes shortcuts or is a menu bar.
bool DKToolbarsTakeKey(unsigned short Key, vcl::TShiftState Shift);

class TDKToolbar : public TDKCustomToolbar {
 public:
  using TDKCustomToolbar::TDKCustomToolbar;
};

}  // namespace docking
