#pragma once
// Message boxes of our own (icon, text, buttons; modal, so timers and ports keep running while
// one is up), and the scripted responder that lets tests answer every dialog.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/vcl/forms.h"

namespace vcl {

// Message box flags and results, as the window system's MessageBox takes and returns them.
enum : unsigned {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_ABORTRETRYIGNORE = 0x2,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_RETRYCANCEL = 0x5,
  MB_TYPEMASK = 0xF,
  MB_ICONHAND = 0x10,
  MB_ICONSTOP = 0x10,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONWARNING = 0x30,
  MB_ICONASTERISK = 0x40,
  MB_ICONINFORMATION = 0x40,
  MB_ICONMASK = 0xF0,
  MB_DEFBUTTON1 = 0x0,
  MB_DEFBUTTON2 = 0x100,
  MB_DEFBUTTON3 = 0x200,
  MB_DEFMASK = 0xF00,
  MB_APPLMODAL = 0x0,
  MB_SYSTEMMODAL = 0x1000,
  MB_TASKMODAL = 0x2000
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : unsigned {
  mbYes = 1,
  mbNo = 2,
  mbOK = 4,
  mbCancel = 8,
  mbAbort = 16,
  mbRetry = 32,
  mbIgnore = 64,
  mbAll = 128,
  mbNoToAll = 256,
  mbYesToAll = 512,
  mbHelp = 1024
};
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// The window-system style box: returns IDOK, IDYES, ... (IDCANCEL when closed otherwise).
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);
// The class library's box: captioned by its type; returns mrOk, mrYes, ...
int MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx = 0);
void ShowMessage(const std::string& msg);

// What a dialog shows, as the responder and the log see it.
struct TDialogRequest {
  std::string Kind;  // "MessageBox", "Open", "Save", "Color"
  std::string Caption;
  std::string Text;
  unsigned Flags = 0;
  // A MessageDlg's buttons (mbYes | mbCancel, ...); a MessageBox's are the type in Flags.
  TMsgDlgButtons Buttons = 0;
};
// How a scripted answer closes the dialog: its result (IDOK/mrOk, IDYES, ...), a file name typed
// into a file dialog, a colour picked in the colour dialog, after DelayMs of clock time.
struct TDialogAnswer {
  int Result = IDOK;
  std::string FileName;
  TColor Color = gdi::clBlack;
  unsigned DelayMs = 0;
};
using TDialogResponder = std::function<std::optional<TDialogAnswer>(const TDialogRequest&)>;
// With a responder set, each dialog asks it once when it opens; no answer leaves the dialog to
// the user (scripted input). Null removes it.
void SetDialogResponder(TDialogResponder responder);
// Every dialog shown since the last ClearDialogLog.
std::vector<TDialogRequest> DialogLog();
void ClearDialogLog();

// A form that is up already, asked for again (by a timer while the form's own modal loop runs),
// is not shown a second time, which would fail: the dialog to answer first, the form or one above
// it, comes forward. Returns whether the form was up.
bool BringForwardIfShown(TCustomForm* form);

// Runs a dialog form modally, giving the responder its chance; `apply` puts an answer into the
// form (defaults: ModalResult = answer.Result). A form that is up already comes forward, and the
// result is mrNone.
int RunDialog(TCustomForm* form, const TDialogRequest& request,
              const std::function<void(const TDialogAnswer&)>& apply = nullptr);

}  // namespace vcl
