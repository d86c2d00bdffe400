#pragma once
// The control hierarchy: TControl (a rectangle on a parent), TWinControl (a control with a
// window handle, children, focus and keyboard), TGraphicControl (painted on its parent's window)
// and TCustomControl (a window control with a canvas and Paint).
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/canvas.h"
#include "platform/vcl/messages.h"

namespace vcl {

class TWinControl;
class TCustomForm;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftBit : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64
};
using TShiftState = unsigned;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TCursor : int {
  crDefault = 0,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crHourGlass = -11,
  crNo = -12,
  crHSplit = -14,
  crVSplit = -15,
  crHandPoint = -21,
  crSizeAll = -22
};

enum TControlStyleBit : unsigned {
  csAcceptsControls = 1,
  csCaptureMouse = 2,
  csClickEvents = 4,
  csFramed = 8,
  csSetCaption = 16,
  csOpaque = 32,
  csDoubleClicks = 64,
  csNoStdEvents = 128,
  csReplicatable = 256,
  // System commands of the keyboard-menu kind reach the control (docks relay them).
  csMenuEvents = 512
};
enum TControlStateBit : unsigned {
  csLButtonDown = 1,
  csClicked = 2,
  csPalette = 4,
  csReadingState = 8,
  csFocusing = 16,
  csCreating = 32,
  csAligning = 64
};

using TMouseEvent =
    rtl::Event<void(rtl::TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = rtl::Event<void(rtl::TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = rtl::Event<void(rtl::TObject* Sender, unsigned short& Key, TShiftState Shift)>;
using TKeyPressEvent = rtl::Event<void(rtl::TObject* Sender, char& Key)>;

// The shift state of a mouse message's key flags, and of the keyboard now.
TShiftState KeysToShiftState(unsigned keys);
TShiftState KeyboardShiftState();

class TControl : public rtl::TComponent {
 public:
  explicit TControl(rtl::TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return TRect{left_, top_, left_ + width_, top_ + height_}; }
  void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.Width(), r.Height()); }
  virtual TRect ClientRect() const { return TRect{0, 0, width_, height_}; }
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientWidth(int v) { SetWidth(width_ - ClientWidth() + v); }
  void SetClientHeight(int v) { SetHeight(height_ - ClientHeight() + v); }
  // Screen position of the client area's top-left corner.
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign v);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors v);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible and every parent up to a form visible.
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);

  // Caption and Text are one string, as in the original.
  const std::string& Caption() const { return text_; }
  void SetCaption(const std::string& v) { SetText(v); }
  const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& v);

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);
  TFont* Font() const { return font_.get(); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v) {
    if (showHint_ == v) return;
    showHint_ = v;
    ShowHintChanged();
  }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v) { cursor_ = v; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int v) { helpContext_ = v; }
  // The control's popup menu (a component of the owning form), shown on a right click.
  rtl::TComponent* PopupMenu() const { return popupMenu_; }
  // A right click's menu: the control's popup menu or the nearest parent's; true when one showed.
  bool ContextMenu(TPoint screen);
  rtl::Event<void(TControl* Sender, TPoint MousePos, bool& Handled)> OnContextPopup;
  void SetPopupMenu(rtl::TComponent* v) { popupMenu_ = v; }

  unsigned ControlStyle() const { return controlStyle_; }
  void SetControlStyle(unsigned v) { controlStyle_ = v; }
  unsigned ControlState() const { return controlState_; }
  void SetControlState(unsigned v) { controlState_ = v; }

  virtual void Invalidate();
  void Update();
  void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();

  // Sends a message straight to the control's WndProc and returns its result.
  win::LRESULT Perform(unsigned msg, win::WPARAM wParam = 0, win::LPARAM lParam = 0);
  virtual void WndProc(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

  virtual void Click();
  virtual void DblClick();
  // Brings the control up to date from its actions (the application calls it while idle).
  virtual void InitiateAction() {}

  rtl::TNotifyEvent OnClick;
  rtl::TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  rtl::TNotifyEvent OnResize;

  // The form the control sits on (nullptr when it is not on one).
  TCustomForm* GetParentForm() const;

 protected:
  void Loaded() override;
  void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void Resize();
  // Called when Enabled, Caption, Font or Color change (after the CM_ message).
  virtual void Changed() { Invalidate(); }
  virtual void ShowHintChanged() {}
  virtual void FontChanged(rtl::TObject* sender);
  virtual void VisibleChanging() {}
  // Applies new geometry; TWinControl moves its window.
  virtual void ApplyBounds(int left, int top, int width, int height);
  // The control's answer to Alt+letter (CM_DIALOGCHAR); true when it took the key.
  virtual bool DialogChar(unsigned key) {
    (void)key;
    return false;
  }
  void RequestAlign();
  void UpdateAnchorRules();
  void SetTextSilently(const std::string& v) { text_ = v; }

  // Remembers the control's distances to the parent's client edges for the anchors.
  struct AnchorRules {
    int parentWidth = -1;
    int parentHeight = -1;
    int left = 0, top = 0, right = 0, bottom = 0;
  } anchorRules_;

 private:
  friend class TWinControl;
  friend class TCustomForm;
  void HandleMouse(TMessage& m);

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = alNone;
  TAnchors anchors_ = akLeft | akTop;
  bool visible_ = true;
  bool enabled_ = true;
  std::string text_;
  TColor color_ = gdi::clBtnFace;
  bool parentColor_ = false;
  std::unique_ptr<TFont> font_;
  bool parentFont_ = true;
  std::string hint_;
  bool showHint_ = false;
  TCursor cursor_ = crDefault;
  int helpContext_ = 0;
  rtl::TComponent* popupMenu_ = nullptr;
  unsigned controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  unsigned controlState_ = 0;
  bool settingFont_ = false;
};

// Parameters of the window a TWinControl creates; CreateParams fills them.
struct TCreateParams {
  std::string Caption;
  unsigned Style = 0;
  unsigned ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  win::HWND WndParent{};
  // The window class style (CS_ bits); controls with other bits get a class of their own.
  unsigned WindowClassStyle = win::CS_DBLCLKS;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(rtl::TComponent* AOwner);
  ~TWinControl() override;

  // Child controls in z-order (bottom first).
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int i) const { return controls_.at(i); }
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  bool ContainsControl(const TControl* c) const;
  TControl* ControlAtPos(TPoint p, bool allowDisabled = false) const;

  // The window; created on first use.
  win::HWND Handle();
  bool HandleAllocated() const { return handle_ != win::HWND{}; }
  void HandleNeeded() { (void)Handle(); }
  void RecreateWnd();
  // Moves the control to another parent keeping its window, so that a capture, the focus and
  // the windows of its children survive the move (a control dragged between containers). It is
  // the plain move of TControl::SetParent: a subclass's own SetParent is not called.
  void ReparentKeepingHandle(TWinControl* newParent);
  // The control of a window created by the class library, or nullptr.
  static TWinControl* FindControl(win::HWND wnd);

  int TabOrder() const;
  void SetTabOrder(int v);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v) { tabStop_ = v; }
  // Window children in tab order.
  std::vector<TWinControl*> TabList() const;
  // All focusable descendants in tab order (depth first); a container may leave some out.
  virtual void GetTabOrderList(std::vector<TWinControl*>& list) const;
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                               bool checkParent) const;
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

  virtual bool CanFocus() const;
  bool Focused() const;
  virtual void SetFocus();

  bool Showing() const override;
  TPoint ClientOrigin() const override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool v) override;
  void SetEnabled(bool v) override;
  // Also the window's text (a form's caption bar).
  void SetText(const std::string& v) override;
  void Invalidate() override;
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // Sends the message to every child control until one answers with a non-zero result.
  void Broadcast(TMessage& message);
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();
  void Realign() { AlignControls(nullptr); }
  void PaintTo(gdi::HDC dc, int x, int y);

  rtl::TNotifyEvent OnEnter;
  rtl::TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  virtual void CreateHandle();
  void DestroyHandle();
  // The client area children are aligned in (a group box leaves room for its caption).
  virtual void AdjustClientRect(TRect& rect) const;
  virtual void AlignControls(TControl* control);
  void ApplyBounds(int left, int top, int width, int height) override;
  // Painting: WM_PAINT calls PaintWindow, then paints the graphic children.
  virtual void PaintWindow(gdi::HDC dc);
  void PaintControls(gdi::HDC dc, const TRect& update);
  virtual void PaintBackground(gdi::HDC dc);
  // Keys the control handles itself (arrows in an edit, Enter in a memo, Tab never).
  virtual bool WantsKey(unsigned short key, TShiftState shift) const;
  virtual void KeyDown(unsigned short& key, TShiftState shift);
  virtual void KeyUp(unsigned short& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();
  // The control's answer to dialog keys (CM_DIALOGKEY): Enter, Escape, arrows.
  virtual bool DialogKey(unsigned short key, TShiftState shift) {
    (void)key;
    (void)shift;
    return false;
  }
  void Loaded() override;

 private:
  friend class TControl;
  friend class TCustomForm;
  static win::LRESULT StdWndProc(win::HWND wnd, unsigned msg, win::WPARAM w, win::LPARAM l);
  void DoKeyDown(TMessage& m);
  // Mouse messages of the client area: to the graphic child under the pointer (or holding the
  // capture), else to the control itself.
  void RouteMouse(TMessage& m);
  void UpdateShowing();
  void ApplyFocusChange(bool gained);

  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tabList_;
  win::HWND handle_{};
  bool tabStop_ = false;
  int alignDisabled_ = 0;
  bool alignPending_ = false;
  bool inBoundsUpdate_ = false;
  bool boundsPending_ = false;
  bool keepHandle_ = false;
};

// A control painted onto its parent's window.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(rtl::TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() { return canvas_.get(); }

 protected:
  friend class TWinControl;
  virtual void Paint() {}

 private:
  std::unique_ptr<TCanvas> canvas_;
};

// A window control that draws itself on Canvas in Paint.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(rtl::TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() { return canvas_.get(); }

 protected:
  virtual void Paint() {}
  void PaintWindow(gdi::HDC dc) override;

 private:
  std::unique_ptr<TCanvas> canvas_;
};

// The control under the mouse capture of the class library (a graphic control being pressed).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* c);

}  // namespace vcl
