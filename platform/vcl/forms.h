#pragma once
// Forms: top-level windows holding controls. A form is built in its constructor (properties of
// the form, then its components in creation order) and finished by AfterConstruction, which
// calls Loaded, fires OnCreate and shows the form when it is Visible.
#include "platform/vcl/controls.h"

namespace vcl {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
// The buttons of a form's caption. The frame draws no help button; what asks for help (a menu's
// F1) looks at biHelp to choose the pop-up help.
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                       mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

using TCloseEvent = rtl::Event<void(rtl::TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = rtl::Event<void(rtl::TObject* Sender, bool& CanClose)>;

// A window property: a top-level window owned by a form that carries it (a floating tool frame)
// takes activation while the form, and the application, stay active.
inline constexpr const char* kKeepsOwnerActive = "vcl.KeepsOwnerActive";

class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(rtl::TComponent* AOwner);
  ~TCustomForm() override;

  // Loaded for the form and its components, then OnCreate, then Show when Visible.
  virtual void AfterConstruction();

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle v);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons v) { borderIcons_ = v; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState v);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool v) { keyPreview_ = v; }
  TModalResult ModalResult() const { return modalResult_; }
  // A result ends ShowModal once the message being handled is done.
  void SetModalResult(TModalResult v);
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* c);
  bool Active() const { return active_; }
  bool Modal() const { return modal_; }
  TCanvas* Canvas() { return canvas_.get(); }

  void Show();
  void Hide() { SetVisible(false); }
  TModalResult ShowModal();
  void Close();
  virtual bool CloseQuery();
  // Frees the form once the message being handled is done.
  void Release();

  void SetVisible(bool v) override;
  TRect ClientRect() const override;
  bool Showing() const override;
  void SetFocus() override;
  void FocusControl(TWinControl* c);
  void KeyDown(unsigned short& key, TShiftState shift) override;
  // The form and every visible control on it bring themselves up to date from their actions.
  void UpdateActions();

  rtl::TNotifyEvent OnCreate;
  rtl::TNotifyEvent OnShow;
  rtl::TNotifyEvent OnActivate;
  rtl::TNotifyEvent OnDeactivate;
  rtl::TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  rtl::TNotifyEvent OnDestroy;
  rtl::TNotifyEvent OnPaint;

 protected:
  friend class TWinControl;
  friend class TApplication;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WndProc(TMessage& message) override;
  void PaintWindow(gdi::HDC dc) override;
  virtual void DoClose(TCloseAction& action);
  virtual void Paint();
  bool DialogKey(unsigned short key, TShiftState shift) override;
  bool DialogChar(unsigned key) override;
  void FocusChanged(TWinControl* c);
  void ControlRemoved(TWinControl* c);

 private:
  void PlaceOnScreen();
  void Activate(bool active);
  bool KeptActiveBy(win::HWND wnd);
  void CloseModal();
  unsigned WindowStyle() const;
  unsigned WindowExStyle() const;

  TFormBorderStyle borderStyle_ = bsSizeable;
  TFormStyle formStyle_ = fsNormal;
  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  bool keyPreview_ = false;
  TModalResult modalResult_ = mrNone;
  TWinControl* activeControl_ = nullptr;
  bool active_ = false;
  bool modal_ = false;
  bool placed_ = false;
  bool destroyFired_ = false;
  std::unique_ptr<TCanvas> canvas_;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(rtl::TComponent* AOwner) : TCustomForm(AOwner) {}
};

}  // namespace vcl
