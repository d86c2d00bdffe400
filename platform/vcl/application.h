#pragma once
// TApplication: the program's message loop, its main form, title, hint, help calls and the
// box that shows an exception no handler caught. One instance lives while the program runs;
// the global Application points at it.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/forms.h"
#include "platform/vcl/hintwindow.h"

namespace vcl {

using TExceptionEvent = rtl::Event<void(rtl::TObject* Sender, const std::exception& E)>;
using TIdleEvent = rtl::Event<void(rtl::TObject* Sender, bool& Done)>;
// A main-window hook answers true when it handled the message.
using TWindowHook = rtl::Event<bool(TMessage& Message)>;

class TApplication : public rtl::TComponent {
 public:
  explicit TApplication(rtl::TComponent* AOwner = nullptr);
  ~TApplication() override;

  void Initialize() {}
  // Creates a form owned by the application; the first one becomes the main form.
  template <class T>
  void CreateForm(T*& reference) {
    T* form = new T(this);
    reference = form;
    FormCreated(form);
  }
  // Shows the main form and runs the message loop until Terminate.
  void Run();
  // Handles every waiting message and returns.
  void ProcessMessages();
  // Handles one message, or waits for one (running the idle handler first).
  void HandleMessage();
  // Asks the loop to end; takes effect when the loop runs (also before it has started).
  void Terminate();
  bool Terminated() const { return terminated_; }

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& v) { helpFile_ = v; }
  // Help requests go to the window system's help sink (there is no viewer).
  bool HelpCommand(unsigned command, intptr_t data);
  bool HelpContext(intptr_t context);
  TCustomForm* MainForm() const { return mainForm_; }
  bool Active() const { return active_; }
  // The hidden window of the application (owner of the hint and message boxes).
  win::HWND Handle();

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v) { showHint_ = v; }
  bool HintShortCuts() const { return hintShortCuts_; }
  void SetHintShortCuts(bool v) { hintShortCuts_ = v; }
  int HintPause() const { return hintPause_; }
  void SetHintPause(int v) { hintPause_ = v; }
  void CancelHint();
  // Called for mouse messages of controls: the hint follows the control under the pointer.
  void HintMouseMessage(TControl* control, TMessage& message);
  // The control whose hint is showing (nullptr when none).
  TControl* HintControl() const { return hintControl_; }
  // The popup that shows a control's short hint (ShowHint on the control and here), after the
  // pointer rests on it for HintPause; a click, a key or leaving the control hides it.
  THintWindow* HintWindow() const { return hintWindow_.get(); }
  // The control under the pointer; it heard CM_MOUSEENTER, and hears CM_MOUSELEAVE when the
  // pointer moves to another.
  TControl* MouseControl() const { return mouseControl_; }

  void HookMainWindow(const TWindowHook& hook);
  void UnhookMainWindow(const TWindowHook& hook);

  // A message box owned by the active form; flags and result as the window system's.
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags = 0);
  // Shows the exception (or passes it to OnException); the loop calls it for what escapes.
  void HandleException(rtl::TObject* sender, const std::exception& e);
  void ShowException(const std::exception& e);

  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  rtl::TNotifyEvent OnHint;
  rtl::TNotifyEvent OnActivate;
  rtl::TNotifyEvent OnDeactivate;

  // Called by forms.
  void FormCreated(TCustomForm* form);
  void FormDestroyed(TCustomForm* form);
  void FormActivated(TCustomForm* form, bool active);

 private:
  bool ProcessMessage(win::MSG& msg);
  void Dispatch(win::MSG& msg);
  void Idle();
  bool CallHooks(TMessage& m);
  void TrackMouseControl(TControl* c);
  void StartHintTimer();
  void StopHintTimer();
  void ShowHintNow();
  void Watch(TControl* old, TControl* now);

 protected:
  void Notification(rtl::TComponent* c, rtl::TOperation op) override;

  std::string title_;
  std::string helpFile_;
  std::string hint_;
  bool showHint_ = true;
  bool hintShortCuts_ = true;
  int hintPause_ = 500;
  TControl* hintControl_ = nullptr;
  TControl* mouseControl_ = nullptr;
  std::unique_ptr<THintWindow> hintWindow_;
  win::UINT_PTR hintTimer_ = 0;
  TRect hintCursorRect_{0, 0, 0, 0};
  TCustomForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool active_ = false;
  win::HWND handle_{};
  std::vector<TWindowHook> hooks_;
};

// The application of the running program (null before one exists).
extern TApplication* Application;

}  // namespace vcl
