#include "app/headlessanswer.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/mainform.h"

namespace {

// Nobody can choose without a display, so nothing is chosen: every box and dialog closes as
// Escape closes it, with No, Cancel, or OK where OK is all a box offers. That choice starts
// nothing and throws nothing away, so the sailor's live data goes on:
// - "No input received on NMEA,Would you like to replay a demo-recording?": No. Instruments that
//   come up late are logged and get their own values back, not the demonstration's.
// - "Would you like to run the communications wizard?": No. The wizard would close the
//   instrument port to scan the others, with nobody to finish it.
// - "If you switch to replay mode, all buffers will be cleared...": No, the buffers stay.
// - "Playback is active, would you like to stop playback?": No, the replayed buffers stay.
// - The capture's "Starting capture" question: Cancel, an earlier video of that name stays.
// - File dialogs and the program's forms: Cancel, so no recording is opened and no setting that
//   nobody typed is applied.
// Every other box only tells (OK).
struct TChoice {
  int Result;
  const char* Name;
};

TChoice Dismissed(const vcl::TDialogRequest& r) {
  if (r.Kind != "MessageBox") return {vcl::mrCancel, "Cancel"};
  if (r.Buttons != 0) {  // a MessageDlg
    if (r.Buttons & vcl::mbCancel) return {vcl::mrCancel, "Cancel"};
    if (r.Buttons & vcl::mbNo) return {vcl::mrNo, "No"};
    return {vcl::mrOk, "OK"};
  }
  switch (r.Flags & vcl::MB_TYPEMASK) {
    case vcl::MB_OK:
      return {vcl::IDOK, "OK"};
    case vcl::MB_YESNO:
      return {vcl::IDNO, "No"};
    case vcl::MB_ABORTRETRYIGNORE:
      return {vcl::IDABORT, "Abort"};
    default:
      return {vcl::IDCANCEL, "Cancel"};
  }
}

}  // namespace

std::optional<vcl::TDialogAnswer> AnswerWithoutDisplay(const vcl::TDialogRequest& request) {
  const TChoice choice = Dismissed(request);
  // One line each, wherever the box breaks its text.
  std::string told = request.Caption + ": " + request.Text;
  std::replace(told.begin(), told.end(), '\n', ' ');
  std::replace(told.begin(), told.end(), '\r', ' ');
  if (request.Kind != "MessageBox" || choice.Result != vcl::IDOK)
    told += std::string(" [") + choice.Name + ": no display to answer]";
  std::fprintf(stderr, "%s: %s\n", request.Kind.c_str(), told.c_str());
  // The main window exists from the end of its own creation on.
  if (Form1 != nullptr) Form1->NoteInTextLog(told);
  vcl::TDialogAnswer answer;
  answer.Result = choice.Result;
  return answer;
}
