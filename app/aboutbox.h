// The about box: shown at start as a splash that closes itself after 5 s, and by the about
// commands.
#pragma once

#include "platform/vcl/buttons.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timer.h"

class TAbout : public vcl::TForm {
 public:
  explicit TAbout(rtl::TComponent* AOwner);
  ~TAbout() override;

  void FormCreate(rtl::TObject* Sender);   // shows the splash and paints it at once
  void Timer1Timer(rtl::TObject* Sender);  // after 5 s: the splash goes
  void BitBtn1Click(rtl::TObject* Sender);  // OK
  void BitBtn2Click(rtl::TObject* Sender);  // help: close, then the help file's index
  // Shows the box modally; a splash still showing goes first (it cannot become modal).
  int Execute();

  vcl::TImage* Image1;
  vcl::TLabel* Label1;  // "Corvatalen"
  vcl::TLabel* Label2;  // "Sailboat performance software"
  vcl::TBitBtn* BitBtn1;
  vcl::TBitBtn* BitBtn2;
  vcl::TTimer* Timer1;
};

extern TAbout* About;
