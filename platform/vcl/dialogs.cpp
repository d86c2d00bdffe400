#include "platform/vcl/dialogs.h"

#include <algorithm>
#include <memory>

#include "platform/vcl/application.h"
#include "platform/vcl/classic.h"
#include "platform/vcl/screen.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/settings.h"

namespace vcl {

namespace {

TDialogResponder& Responder() {
  static TDialogResponder r;
  return r;
}

std::vector<TDialogRequest>& Log() {
  static std::vector<TDialogRequest> log;
  return log;
}

enum class TIcon { None, Stop, Question, Exclamation, Information };

// The icon of a message box, drawn in the classic shapes and colours.
class TIconView : public TGraphicControl {
 public:
  TIconView(rtl::TComponent* owner, TIcon icon) : TGraphicControl(owner), icon_(icon) {
    SetBounds(0, 0, 32, 32);
  }

 protected:
  void Paint() override {
    TCanvas* c = Canvas();
    c->Pen()->SetColor(clBlack);
    std::string mark;
    switch (icon_) {
      case TIcon::Stop:
        c->Brush()->SetColor(clRed);
        c->Ellipse(0, 0, 32, 32);
        c->Pen()->SetColor(clWhite);
        c->Pen()->SetWidth(3);
        c->MoveTo(10, 10);
        c->LineTo(22, 22);
        c->MoveTo(22, 10);
        c->LineTo(10, 22);
        return;
      case TIcon::Question:
        c->Brush()->SetColor(clWhite);
        c->Ellipse(0, 0, 32, 32);
        c->Font()->SetColor(clBlue);
        mark = "?";
        break;
      case TIcon::Exclamation:
        c->Brush()->SetColor(clYellow);
        c->Polygon({TPoint{16, 1}, TPoint{31, 30}, TPoint{1, 30}});
        c->Font()->SetColor(clBlack);
        mark = "!";
        break;
      case TIcon::Information:
        c->Brush()->SetColor(clWhite);
        c->Ellipse(0, 0, 32, 32);
        c->Font()->SetColor(clBlue);
        mark = "i";
        break;
      case TIcon::None:
        return;
    }
    c->Font()->SetStyle(fsBold);
    c->Font()->SetHeight(-20);
    c->Brush()->SetStyle(bsClear);
    gdi::SIZE s = c->TextExtent(mark);
    c->TextOut((32 - s.cx) / 2, (34 - s.cy) / 2, mark);
  }

 private:
  TIcon icon_;
};

// The client width a dialog needs for its whole caption in the title bar: the text in the caption
// font, the edge before it and the close button after it.
int CaptionClientWidth(const std::string& caption) {
  return MeasureTitle(caption) + win::GetSystemMetrics(win::SM_CXEDGE) +
         win::GetSystemMetrics(win::SM_CXSIZE) + 4;
}

struct ButtonSpec {
  const char* caption;
  int result;
};

class TMessageForm : public TForm {
 public:
  TMessageForm(const std::string& text, const std::string& caption, TIcon icon,
               const std::vector<ButtonSpec>& buttons, int defaultIndex, int cancelResult)
      : TForm(Application) {
    SetBorderStyle(bsDialog);
    SetCaption(caption);
    SetPosition(poScreenCenter);
    int margin = 10;
    int x = margin;
    if (icon != TIcon::None) {
      auto* iv = new TIconView(this, icon);
      iv->SetParent(this);
      iv->SetBounds(margin, margin, 32, 32);
      x += 32 + 12;
    }
    auto* label = new TLabel(this);
    label->SetName("Message");
    label->SetParent(this);
    label->SetShowAccelChar(false);
    label->SetCaption(text);
    label->SetLeft(x);
    label->SetTop(margin + (icon != TIcon::None ? 8 : 0));
    // A text wider than two thirds of the screen is wrapped onto more lines.
    const int widest = Screen ? Screen->WorkAreaRect().Width() - 8 : 1024;
    if (label->Width() > widest * 2 / 3) {
      label->SetWidth(widest * 2 / 3);
      label->SetWordWrap(true);
    }
    int textRight = label->Left() + label->Width();
    int textBottom = std::max(label->Top() + label->Height(), icon != TIcon::None ? 42 : 0);
    const int bw = 75, bh = 25, gap = 6;
    int rowWidth = static_cast<int>(buttons.size()) * (bw + gap) - gap;
    int clientW = std::max({textRight + margin, rowWidth + 2 * margin, 180,
                            std::min(CaptionClientWidth(caption), widest)});
    int clientH = textBottom + 14 + bh + margin;
    SetClientWidth(clientW);
    SetClientHeight(clientH);
    int bx = (clientW - rowWidth) / 2;
    for (size_t i = 0; i < buttons.size(); ++i) {
      auto* b = new TButton(this);
      b->SetName(std::string("Button") + std::to_string(i + 1));
      b->SetParent(this);
      b->SetCaption(buttons[i].caption);
      b->SetModalResult(buttons[i].result);
      b->SetBounds(bx + static_cast<int>(i) * (bw + gap), textBottom + 14, bw, bh);
      if (static_cast<int>(i) == defaultIndex) {
        b->SetDefault(true);
        SetActiveControl(b);
      }
      if (buttons[i].result == cancelResult) b->SetCancel(true);
    }
    AfterConstruction();
  }
};

TIcon IconOf(unsigned flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONSTOP:
      return TIcon::Stop;
    case MB_ICONQUESTION:
      return TIcon::Question;
    case MB_ICONEXCLAMATION:
      return TIcon::Exclamation;
    case MB_ICONINFORMATION:
      return TIcon::Information;
    default:
      return TIcon::None;
  }
}

int RunBox(const std::string& text, const std::string& caption, TIcon icon,
           const std::vector<ButtonSpec>& buttons, int defaultIndex, int cancelResult,
           unsigned flags, TMsgDlgButtons dlgButtons = 0) {
  auto form =
      std::make_unique<TMessageForm>(text, caption, icon, buttons, defaultIndex, cancelResult);
  int r = RunDialog(form.get(), TDialogRequest{"MessageBox", caption, text, flags, dlgButtons});
  return r == mrNone ? cancelResult : r;
}

}  // namespace

void SetDialogResponder(TDialogResponder responder) {
  Responder() = std::move(responder);
}
std::vector<TDialogRequest> DialogLog() {
  return Log();
}
void ClearDialogLog() {
  Log().clear();
}

bool BringForwardIfShown(TCustomForm* form) {
  if (!form->Visible() && !form->Modal()) return false;
  TCustomForm* first = Screen != nullptr ? Screen->ModalForm() : nullptr;
  (first != nullptr ? first : form)->SetFocus();
  return true;
}

int RunDialog(TCustomForm* form, const TDialogRequest& request,
              const std::function<void(const TDialogAnswer&)>& apply) {
  // Neither logged nor answered: a scripted answer would close the form that is up.
  if (BringForwardIfShown(form)) return mrNone;
  Log().push_back(request);
  std::optional<TDialogAnswer> answer;
  if (Responder()) answer = Responder()(request);
  auto id = std::make_shared<win::UINT_PTR>(0);
  if (answer) {
    TDialogAnswer a = *answer;
    *id = win::SetTimer(nullptr, 0, std::max<unsigned>(a.DelayMs, win::USER_TIMER_MINIMUM),
                        [id, form, a, apply](win::HWND, win::UINT, win::UINT_PTR, win::DWORD) {
                          win::KillTimer(nullptr, *id);
                          *id = 0;
                          if (apply)
                            apply(a);
                          else
                            form->SetModalResult(a.Result);
                        });
  }
  int result = mrCancel;
  try {
    result = form->ShowModal();
  } catch (...) {
    if (*id) win::KillTimer(nullptr, *id);
    throw;
  }
  if (*id) win::KillTimer(nullptr, *id);
  return result;
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  std::vector<ButtonSpec> b;
  int cancel = IDCANCEL;
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      b = {{"OK", IDOK}, {"Cancel", IDCANCEL}};
      break;
    case MB_ABORTRETRYIGNORE:
      b = {{"&Abort", IDABORT}, {"&Retry", IDRETRY}, {"&Ignore", IDIGNORE}};
      cancel = IDABORT;
      break;
    case MB_YESNOCANCEL:
      b = {{"&Yes", IDYES}, {"&No", IDNO}, {"Cancel", IDCANCEL}};
      break;
    case MB_YESNO:
      b = {{"&Yes", IDYES}, {"&No", IDNO}};
      cancel = IDNO;
      break;
    case MB_RETRYCANCEL:
      b = {{"&Retry", IDRETRY}, {"Cancel", IDCANCEL}};
      break;
    default:
      b = {{"OK", IDOK}};
      cancel = IDOK;
      break;
  }
  int def = static_cast<int>((flags & MB_DEFMASK) >> 8);
  if (def >= static_cast<int>(b.size())) def = 0;
  std::string cap = caption;
  if (cap.empty()) cap = Application ? Application->Title() : std::string();
  return RunBox(text, cap, IconOf(flags), b, def, cancel, flags);
}

int MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int) {
  static const char* captions[] = {"Warning", "Error", "Information", "Confirm", ""};
  static const TIcon icons[] = {TIcon::Exclamation, TIcon::Stop, TIcon::Information,
                                TIcon::Question, TIcon::None};
  // The same icons as a box's flags, which responders and the dialog log read.
  static const unsigned iconFlags[] = {MB_ICONEXCLAMATION, MB_ICONSTOP, MB_ICONINFORMATION,
                                       MB_ICONQUESTION, 0};
  static const std::pair<TMsgDlgBtn, ButtonSpec> all[] = {{mbYes, {"&Yes", mrYes}},
                                                          {mbNo, {"&No", mrNo}},
                                                          {mbOK, {"OK", mrOk}},
                                                          {mbCancel, {"Cancel", mrCancel}},
                                                          {mbAbort, {"&Abort", mrAbort}},
                                                          {mbRetry, {"&Retry", mrRetry}},
                                                          {mbIgnore, {"&Ignore", mrIgnore}},
                                                          {mbAll, {"&All", mrAll}},
                                                          {mbNoToAll, {"N&o to All", mrNoToAll}},
                                                          {mbYesToAll, {"Yes to &All", mrYesToAll}},
                                                          {mbHelp, {"&Help", mrNone}}};
  std::vector<ButtonSpec> b;
  for (auto& [bit, button] : all)
    if (buttons & bit) b.push_back(button);
  if (b.empty()) b.push_back({"OK", mrOk});
  int cancel = (buttons & mbCancel) ? mrCancel : (buttons & mbNo) ? mrNo : b.back().result;
  std::string cap = captions[type];
  if (cap.empty() && Application) cap = Application->Title();
  return RunBox(msg, cap, icons[type], b, 0, cancel, iconFlags[type], buttons ? buttons : mbOK);
}

void ShowMessage(const std::string& msg) {
  RunBox(msg, Application ? Application->Title() : std::string(), TIcon::None, {{"OK", mrOk}}, 0,
         mrOk, 0);
}

}  // namespace vcl
