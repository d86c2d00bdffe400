#pragma once
// Docks along the edges of a form, the windows that sit in them or float in small frames, the
// backgrounds behind them, and the loops that drag and size them. Sources: dkdock_background,
// dkdock_dock (row arrangement), dkdock_window (the dockable window), dkdock_frame (the floating
// frame) and dkdock_drag (drag and size loops).
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "docking/dkhook.h"
#include "docking/dkpositiondata.h"
#include "platform/vcl/bitmap.h"
#include "platform/vcl/forms.h"

namespace docking {

using vcl::TRect;
using win::HDC;
using win::HWND;
using win::POINT;
using win::RECT;
using win::SIZE;

enum TDKDockPosition { dpTop, dpBottom, dpLeft, dpRight };
using TDKDockableTo = unsigned;  // bits 1 << TDKDockPosition
constexpr TDKDockableTo DockableToAll = 0xF;
enum TDKDockBoundLine : unsigned { blTop = 1, blBottom = 2, blLeft = 4, blRight = 8 };
using TDKDockBoundLines = unsigned;
enum TDKToolWindowDockMode { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };
enum TDKDragHandleStyle { dhDouble, dhNone, dhSingle };
enum TDKFloatingMode { fmOnTopOfParentForm, fmOnTopOfAllForms };
enum TDKShrinkMode { dksmNone, dksmWrap, dksmChevron };
enum TDKDockType { dtNotDocked, dtFloating, dtTopBottom, dtLeftRight };
// In the order of the platform's border hit codes (left, right, top, top-left, ...).
enum TDKSizeHandle {
  twshLeft,
  twshRight,
  twshTop,
  twshTopLeft,
  twshTopRight,
  twshBottom,
  twshBottomLeft,
  twshBottomRight
};
enum TDKDockableWindowStyle : unsigned { dkdsResizeEightCorner = 1, dkdsResizeClipCursor = 2 };
using TDKDockableWindowStyles = unsigned;
enum TDKToolWindowNCRedrawWhatElement : unsigned {
  twrdBorder = 1,
  twrdCaption = 2,
  twrdCloseButton = 4
};
using TDKToolWindowNCRedrawWhat = unsigned;

// Hit code of a docked window's drag handle.
constexpr int HT_DKDRAGHANDLE = 2000;

class TDKDock;
class TDKCustomDockableWindow;
class TDKFloatingWindowParent;

using TDKInsertRemoveEvent =
    rtl::Event<void(rtl::TObject* Sender, bool Inserting, TDKCustomDockableWindow* Bar)>;
using TDKRequestDockEvent =
    rtl::Event<void(rtl::TObject* Sender, TDKCustomDockableWindow* Bar, bool& Accept)>;
using TDKDockChangingEvent =
    rtl::Event<void(rtl::TObject* Sender, bool Floating, TDKDock* DockingTo)>;
using TDKCloseQueryEvent = rtl::Event<void(rtl::TObject* Sender, bool& CanClose)>;

// ------------------------------------------------------------------ backgrounds

class TDKBasicBackground : public rtl::TComponent {
 public:
  using rtl::TComponent::TComponent;
  virtual void Draw(HDC DC, const RECT& DrawRect) = 0;
  virtual void RegisterChanges(const rtl::TNotifyEvent& Proc) = 0;
  virtual void SysColorChanged() = 0;
  virtual void UnregisterChanges(const rtl::TNotifyEvent& Proc) = 0;
  virtual bool UsingBackground() = 0;
};

// A bitmap tiled behind docks and the frames of their windows.
class TDKBackground : public TDKBasicBackground {
 public:
  explicit TDKBackground(rtl::TComponent* AOwner);
  ~TDKBackground() override;

  vcl::TBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(vcl::TBitmap* Value);  // copies
  vcl::TColor BkColor() const { return bkColor_; }
  void SetBkColor(vcl::TColor Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);

  void Draw(HDC DC, const RECT& DrawRect) override;
  void RegisterChanges(const rtl::TNotifyEvent& Proc) override;
  void SysColorChanged() override;
  void UnregisterChanges(const rtl::TNotifyEvent& Proc) override;
  bool UsingBackground() override;

 private:
  void Rebuild();
  vcl::TBitmap* Cache();

  std::unique_ptr<vcl::TBitmap> bitmap_;
  std::unique_ptr<vcl::TBitmap> cache_;
  vcl::TColor bkColor_ = gdi::clBtnFace;
  bool transparent_ = false;
  std::vector<rtl::TNotifyEvent> handlers_;
};

// ------------------------------------------------------------------ dock

class TDKDock : public vcl::TCustomControl {
 public:
  explicit TDKDock(rtl::TComponent* AOwner);
  ~TDKDock() override;

  TDKDockPosition Position() const { return position_; }
  void SetPosition(TDKDockPosition Value);
  bool AllowDrag() const { return allowDrag_; }
  void SetAllowDrag(bool Value);
  TDKDockBoundLines BoundLines() const { return boundLines_; }
  void SetBoundLines(TDKDockBoundLines Value);
  bool FixAlign() const { return fixAlign_; }
  void SetFixAlign(bool Value);
  bool LimitToOneRow() const { return limitToOneRow_; }
  void SetLimitToOneRow(bool Value);
  // The most the dock may be thick across its rows, bound lines included (unbounded by
  // default). Rows that would pass it are put away: their windows stay shown on the dock's lists,
  // with their rows and places, beyond its edge, until the dock has the room for them again.
  int MaxThickness() const { return maxThickness_; }
  void SetMaxThickness(int Value);
  TDKBasicBackground* Background() const { return background_; }
  void SetBackground(TDKBasicBackground* Value);
  bool BackgroundOnToolbars() const { return backgroundOnToolbars_; }
  void SetBackgroundOnToolbars(bool Value);
  bool IsVertical() const { return position_ == dpLeft || position_ == dpRight; }

  TDKInsertRemoveEvent OnInsertRemoveBar;
  TDKRequestDockEvent OnRequestDock;

  void ArrangeToolbars();
  void BeginUpdate();
  void EndUpdate();
  void CommitPositions();
  void ChangeDockList(bool Insert, TDKCustomDockableWindow* Bar);
  void ToolbarVisibilityChanged(TDKCustomDockableWindow* Bar, bool ForceRemove);
  bool HasVisibleToolbars() const { return !visibleList_.empty(); }
  bool ToolbarVisibleOnDock(const TDKCustomDockableWindow* Bar) const;
  int GetHighestRow(bool HighestEffective) const;
  int GetCurrentRowSize(int Row, bool& FullSizeRow) const;
  int GetMinRowSize(int Row, const TDKCustomDockableWindow* ExcludeBar) const;
  int GetDesignModeRowOf(int Pos) const;
  int ToolbarCount() const { return static_cast<int>(visibleList_.size()); }
  TDKCustomDockableWindow* Toolbars(int Index) const { return visibleList_.at(Index); }
  const std::vector<TDKCustomDockableWindow*>& DockList() const { return dockList_; }
  // How many arrangements ran (the outermost EndUpdate gives exactly one).
  int ArrangeCount() const { return arrangeCount_; }

  virtual void DrawBackground(HDC DC, const RECT& DrawRect);
  virtual bool UsingBackground() const;
  int NonClientWidth() const { return ncWidth_; }
  int NonClientHeight() const { return ncHeight_; }

  void SetParent(vcl::TWinControl* parent) override;

 protected:
  void CreateParams(vcl::TCreateParams& Params) override;
  void WndProc(vcl::TMessage& Message) override;
  void Paint() override;
  void Resize() override;
  void Loaded() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  void ChangeWidthHeight(int NewWidth, int NewHeight);

 private:
  friend class TDKCustomDockableWindow;
  void BackgroundChanged(rtl::TObject* Sender);
  void RecalcNCSizes();
  // The bound lines and the rest of the frame, into the window's DC or one it is printed into.
  void DrawNCArea(HDC DC);
  void RemoveFromLists(TDKCustomDockableWindow* Bar);
  bool RelayToFloating(vcl::TMessage& m, bool menuEvents);

  TDKDockPosition position_ = dpTop;
  bool allowDrag_ = true;
  TDKDockBoundLines boundLines_ = 0;
  bool fixAlign_ = false;
  bool limitToOneRow_ = false;
  int maxThickness_ = std::numeric_limits<int>::max();
  TDKBasicBackground* background_ = nullptr;
  bool backgroundOnToolbars_ = true;
  int updateCount_ = 0;
  bool arrangeNeeded_ = false;
  bool commitNewPositions_ = false;
  bool arranging_ = false;
  int ncWidth_ = 0;
  int ncHeight_ = 0;
  int arrangeCount_ = 0;
  std::vector<TDKCustomDockableWindow*> dockList_;
  std::vector<TDKCustomDockableWindow*> visibleList_;
};

// ------------------------------------------------------------------ dockable window

TDKDockType DKGetDockTypeOf(const TDKDock* Dock, bool Floating);
// The outermost form among the window's parents (for a floating frame, the form it belongs to).
vcl::TCustomForm* DKGetToolWindowParentForm(const vcl::TControl* Window);
vcl::TCustomForm* DKValidToolWindowParentForm(const vcl::TControl* Window);

class TDKCustomDockableWindow : public vcl::TCustomControl {
 public:
  explicit TDKCustomDockableWindow(rtl::TComponent* AOwner);
  ~TDKCustomDockableWindow() override;

  // Properties.
  bool ActivateParent() const { return activateParent_; }
  void SetActivateParent(bool v) { activateParent_ = v; }
  bool AutoResize() const { return autoResize_; }
  void SetAutoResize(bool v);
  vcl::TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(vcl::TFormBorderStyle v);
  bool CloseButton() const { return closeButton_; }
  void SetCloseButton(bool v);
  bool CloseButtonWhenDocked() const { return closeButtonWhenDocked_; }
  void SetCloseButtonWhenDocked(bool v);
  // Docked, the frame carries the caption in a strip across its top in place of the grip, so
  // that a window among many in a dock is known by its name; pressing on the strip drags the
  // window as the grip would. Off: the frame has the grip alone.
  bool DockedCaption() const { return dockedCaption_; }
  void SetDockedCaption(bool v);
  TDKDock* CurrentDock() const { return currentDock_; }
  void SetCurrentDock(TDKDock* Value);
  TDKDock* DefaultDock() const { return defaultDock_; }
  void SetDefaultDock(TDKDock* Value);
  TDKDockableTo DockableTo() const { return dockableTo_; }
  void SetDockableTo(TDKDockableTo v) { dockableTo_ = v; }
  TDKToolWindowDockMode DockMode() const { return dockMode_; }
  void SetDockMode(TDKToolWindowDockMode v) { dockMode_ = v; }
  int DockPos() const { return dockPos_; }
  void SetDockPos(int Value);
  int DockRow() const { return dockRow_; }
  void SetDockRow(int Value);
  TDKDragHandleStyle DragHandleStyle() const { return dragHandleStyle_; }
  void SetDragHandleStyle(TDKDragHandleStyle v);
  TDKFloatingMode FloatingMode() const { return floatingMode_; }
  void SetFloatingMode(TDKFloatingMode v);
  bool FullSize() const { return fullSize_; }
  void SetFullSize(bool v);
  bool HideWhenInactive() const { return hideWhenInactive_; }
  void SetHideWhenInactive(bool v);
  TDKDock* LastDock() const { return lastDock_; }
  void SetLastDock(TDKDock* Value);
  bool Resizable() const { return resizable_; }
  void SetResizable(bool v);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool v);
  bool SmoothDrag() const { return smoothDrag_; }
  void SetSmoothDrag(bool v) { smoothDrag_ = v; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool UseLastDock() const { return useLastDock_; }
  void SetUseLastDock(bool v);
  TDKDockableWindowStyles DockableWindowStyles() const { return dkStyles_; }

  bool Docked() const { return docked_; }
  bool Floating() const { return floating_; }
  void SetFloating(bool Value);
  POINT FloatingPosition() const { return floatingPosition_; }
  void SetFloatingPosition(POINT P);
  TDKFloatingWindowParent* FloatingWindowParent() const { return floatParent_; }
  int EffectiveDockRow() const { return effectiveDockRow_; }
  // Shown on its dock but in a row the dock has no room for (TDKDock::MaxThickness).
  bool PutAway() const { return putAway_; }
  int EffectiveDockPos() const { return effectiveDockPos_; }
  int CurrentRowSize() const { return currentRowSize_; }
  bool DragCanSplit() const { return dragCanSplit_; }
  bool DragSplitting() const { return dragSplitting_; }

  rtl::TNotifyEvent OnClose;
  TDKCloseQueryEvent OnCloseQuery;
  rtl::TNotifyEvent OnDockChanged;
  TDKDockChangingEvent OnDockChanging;
  TDKDockChangingEvent OnDockChangingHidden;
  rtl::TNotifyEvent OnMove;
  rtl::TNotifyEvent OnRecreated;
  rtl::TNotifyEvent OnRecreating;
  rtl::TNotifyEvent OnVisibleChanged;

  void Arrange();
  void ChangeSize(int AWidth, int AHeight);
  void MoveOnScreen(bool OnlyIfFullyOffscreen);
  void DoubleClick();
  bool IsMovable() const;
  void Close();
  void AddDockForm(vcl::TCustomForm* Form);
  void RemoveDockForm(vcl::TCustomForm* Form);
  void BeginUpdate() { ++disableArrange_; }
  void EndUpdate();

  // Non-client sizes while docked (left/top, right/bottom) and floating.
  void GetDockedNCArea(POINT& TopLeft, POINT& BottomRight, bool LeftRight) const;
  void GetFloatingNCArea(POINT& TopLeft, POINT& BottomRight) const;
  int GetNonClientWidth() const;
  int GetNonClientHeight() const;
  SIZE AddDockedNCAreaToSize(SIZE S, bool LeftRight) const;
  SIZE AddFloatingNCAreaToSize(SIZE S) const;
  POINT GetFloatingBorderSize() const;
  RECT GetDockedCloseButtonRect(bool LeftRight) const;
  int DragHandleSize() const;
  int DockedCaptionHeight() const;  // 0 without a docked caption

  // The loops.
  struct DragState;  // one drag's docks, sizes and outline (dkdock_drag)
  void BeginMoving(int InitX, int InitY);
  void BeginSizing(TDKSizeHandle SizeHandle);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  TRect ClientRect() const override;
  void SetVisible(bool v) override;
  void SetParent(vcl::TWinControl* parent) override;
  void SetText(const std::string& v) override;

  // The frame's caption state and whether the frame should show.
  bool GetShowingState() const;
  void UpdateVisibility();
  bool InactiveCaption() const { return inactiveCaption_; }

  // Overridable operations.
  virtual SIZE CalcNCSizes() const;
  virtual bool ControlExistsAtPos(POINT P) const;
  virtual SIZE DoArrange(bool CanMoveControls, TDKDockType PreviousDockType, bool NewFloating,
                         TDKDock* NewDock) = 0;
  virtual void DrawNCArea(bool DrawToDC, HDC ADC, win::HRGN Clip);
  virtual void GetBaseSize(SIZE& ASize) = 0;
  virtual void GetMinShrinkSize(int& AMinimumSize) { (void)AMinimumSize; }
  virtual void GetMinMaxSize(int& AMinClientWidth, int& AMinClientHeight, int& AMaxClientWidth,
                             int& AMaxClientHeight) {
    (void)AMinClientWidth, (void)AMinClientHeight, (void)AMaxClientWidth, (void)AMaxClientHeight;
  }
  virtual TDKShrinkMode GetShrinkMode() const { return dksmNone; }
  virtual void SizeChanging(int AWidth, int AHeight) { (void)AWidth, (void)AHeight; }
  virtual void ResizeBegin(TDKSizeHandle SizeHandle) { (void)SizeHandle; }
  virtual void ResizeTrack(RECT& Rect, const RECT& OrigRect) { (void)Rect, (void)OrigRect; }
  virtual void ResizeTrackAccept() {}
  virtual void ResizeEnd() {}
  virtual void DoDockChangingHidden(bool NewFloating, TDKDock* DockingTo);
  // A saved layout's values of each kind of window: read once the place is read and before the
  // window moves there, done once it sits there and has arranged, written after the place.
  virtual void ReadPositionData(const TDKReadPositionData& Data) { (void)Data; }
  virtual void DoneReadingPositionData(const TDKReadPositionData& Data) { (void)Data; }
  virtual void WritePositionData(const TDKWritePositionData& Data) { (void)Data; }

 protected:
  void CreateParams(vcl::TCreateParams& Params) override;
  void CreateWnd() override;
  void WndProc(vcl::TMessage& Message) override;
  void MouseDown(vcl::TMouseButton Button, vcl::TShiftState Shift, int X, int Y) override;
  void Loaded() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  void SetDockableWindowStyles(TDKDockableWindowStyles v) { dkStyles_ = v; }
  // The work area of the monitor the window is on: its floating frame's, its form's, or the
  // primary monitor's while it has neither.
  RECT WorkArea() const;

  bool arrangeNeeded_ = false;

 private:
  friend class TDKDock;
  friend class TDKFloatingWindowParent;
  void Reparent(vcl::TWinControl* NewParent);
  void FreeFloatParent();
  void RedrawNC();
  void UpdateCaptionState();
  void TrackDockedCloseButton();
  void ApplyDragRect(DragState& d, const RECT& r, TDKDock* dock, int dockIndex);
  void EvaluateDrag(DragState& d);
  static void HookProc(THookProcCode Code, HWND Wnd, win::WPARAM WParam, win::LPARAM LParam);

  bool activateParent_ = true;
  bool autoResize_ = true;
  vcl::TFormBorderStyle borderStyle_ = vcl::bsSingle;
  bool closeButton_ = true;
  bool closeButtonWhenDocked_ = false;
  TDKDock* currentDock_ = nullptr;
  TDKDock* defaultDock_ = nullptr;
  TDKDockableTo dockableTo_ = DockableToAll;
  TDKToolWindowDockMode dockMode_ = dmCanFloat;
  int dockPos_ = -1;
  int dockRow_ = 0;
  TDKDragHandleStyle dragHandleStyle_ = dhSingle;
  bool dockedCaption_ = false;
  TDKFloatingMode floatingMode_ = fmOnTopOfParentForm;
  bool fullSize_ = false;
  bool hideWhenInactive_ = true;
  TDKDock* lastDock_ = nullptr;
  bool resizable_ = true;
  bool showCaption_ = true;
  bool smoothDrag_ = true;
  bool stretch_ = false;
  bool useLastDock_ = true;
  TDKDockableWindowStyles dkStyles_ = 0;

  bool docked_ = false;
  bool floating_ = false;
  POINT floatingPosition_{0, 0};
  int effectiveDockRow_ = -1;
  int effectiveDockPos_ = 0;
  bool putAway_ = false;
  int currentRowSize_ = 0;
  int lastRowSize_ = 0;
  int updatingBounds_ = 0;
  int disableArrange_ = 0;
  int hidden_ = 0;
  int disableOnMove_ = 0;
  bool inactiveCaption_ = false;
  // Drag flags (read by the dock's arrangement).
  bool beingDragged_ = false;
  bool dragSplitting_ = false;
  bool dragCanSplit_ = false;
  bool insertRowBefore_ = false;
  bool smoothDragging_ = false;
  bool closeButtonDown_ = false;
  bool closeButtonHover_ = false;
  TDKFloatingWindowParent* floatParent_ = nullptr;
  std::vector<vcl::TCustomForm*> dockForms_;
};

// ------------------------------------------------------------------ floating frame

class TDKFloatingWindowParent : public vcl::TCustomForm {
 public:
  TDKFloatingWindowParent(rtl::TComponent* AOwner, TDKCustomDockableWindow* Window,
                          vcl::TCustomForm* ParentForm);
  ~TDKFloatingWindowParent() override;

  TDKCustomDockableWindow* DockableWindow() const { return window_; }
  vcl::TCustomForm* ParentForm() const { return parentForm_; }
  RECT GetCaptionRect(bool AdjustForBorder, bool MinusCloseButton) const;
  RECT GetCloseButtonRect(bool AdjustForBorder) const;
  void RedrawNCArea(TDKToolWindowNCRedrawWhat RedrawWhat);
  void DrawNCArea(bool DrawToDC, HDC ADC, win::HRGN Clip, TDKToolWindowNCRedrawWhat RedrawWhat);
  // Makes the native window again (its style follows Resizable) and shows it as before.
  void CallRecreateWnd();
  bool Showing() const override;
  // Shows or hides the native window without activating it.
  void SetShowingNoActivate(bool Show);
  // Topmost with fmOnTopOfAllForms, else exactly when its owner is.
  void UpdateTopmostFlag();

 protected:
  void CreateParams(vcl::TCreateParams& Params) override;
  void CreateWnd() override;
  void WndProc(vcl::TMessage& Message) override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

 private:
  friend class TDKCustomDockableWindow;
  int HitTest(POINT WindowPt) const;
  void TrackCloseButton();

  TDKCustomDockableWindow* window_;
  vcl::TCustomForm* parentForm_;
  bool closeButtonDown_ = false;
};

}  // namespace docking
