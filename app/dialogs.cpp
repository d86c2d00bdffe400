// The main window's commands that show the small dialogs: the about box and the sail table.
#include "app/aboutbox.h"
#include "app/mainform.h"
#include "app/sailsel.h"

void TForm1::About1Click(rtl::TObject*) {
  if (About != nullptr) About->Execute();
}

void TForm1::SpeedButton35Click(rtl::TObject* Sender) {
  About1Click(Sender);
}

void TForm1::Help1Click(rtl::TObject* Sender) {
  About1Click(Sender);
}

void TForm1::SpeedyButton6Click(rtl::TObject*) {
  if (sailselform != nullptr) sailselform->Show();
}
