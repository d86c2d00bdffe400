#include "app/aboutbox.h"

#include "platform/vcl/application.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/newchild.h"
#include "platform/win/sinks.h"

TAbout* About = nullptr;

namespace {

// The boat of the map's symbol face (bow up), in navy on the box's white.
void DrawBoat(vcl::TImage* image) {
  vcl::TCanvas* c = image->Canvas();
  c->Brush()->SetColor(gdi::clWhite);
  c->FillRect(vcl::TRect{0, 0, image->Width(), image->Height()});
  c->Font()->SetName("Plevoran");
  c->Font()->SetHeight(-image->Height());
  c->Font()->SetColor(gdi::clNavy);
  const std::string boat = "G";
  c->TextOut((image->Width() - c->TextWidth(boat)) / 2, 0, boat);
}

}  // namespace

TAbout::TAbout(rtl::TComponent* AOwner) : TForm(AOwner) {
  SetName("About");
  SetBorderStyle(vcl::bsNone);
  SetFormStyle(vcl::fsStayOnTop);
  SetPosition(vcl::poScreenCenter);
  SetColor(gdi::clWhite);
  SetBounds(0, 0, 420, 200);
  Image1 = vcl::NewChild<vcl::TImage>(this, this, "Image1", 20, 24, 104, 104);
  DrawBoat(Image1);
  Label1 = vcl::NewChild<vcl::TLabel>(this, this, "Label1", 140, 24, 260, 56);
  Label1->SetCaption("Corvatalen");
  Label1->Font()->SetName("Impact");
  Label1->Font()->SetHeight(-44);
  Label1->Font()->SetStyle(vcl::fsItalic);
  Label1->Font()->SetColor(gdi::clNavy);
  Label1->SetTransparent(true);
  Label2 = vcl::NewChild<vcl::TLabel>(this, this, "Label2", 144, 92, 260, 20);
  Label2->SetCaption("Sailboat performance software");
  Label2->SetTransparent(true);
  BitBtn1 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn1", 214, 152, 90, 28);
  BitBtn1->SetKind(vcl::bkOK);
  BitBtn2 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn2", 312, 152, 90, 28);
  // A help button of its own: it asks for the index, not a help context.
  BitBtn2->SetCaption("&Help");
  Timer1 = vcl::NewChild<vcl::TTimer>(this, nullptr, "Timer1");
  Timer1->SetInterval(5000);
  Timer1->OnTimer = rtl::MakeEvent(this, &TAbout::Timer1Timer);
  BitBtn1->OnClick = rtl::MakeEvent(this, &TAbout::BitBtn1Click);
  BitBtn2->OnClick = rtl::MakeEvent(this, &TAbout::BitBtn2Click);
  OnCreate = rtl::MakeEvent(this, &TAbout::FormCreate);
}

void TAbout::FormCreate(rtl::TObject*) {
  Show();
  if (vcl::Application != nullptr) vcl::Application->ProcessMessages();
}

void TAbout::Timer1Timer(rtl::TObject*) {
  Timer1->SetEnabled(false);
  Close();
}

void TAbout::BitBtn1Click(rtl::TObject*) {
  Close();
}

void TAbout::BitBtn2Click(rtl::TObject*) {
  Close();
  if (vcl::Application != nullptr) vcl::Application->HelpCommand(win::HELP_INDEX, 0);
}

int TAbout::Execute() {
  if (Visible()) {
    Timer1->SetEnabled(false);
    Hide();
  }
  vcl::TDialogRequest request;
  request.Kind = "Form";
  request.Caption = "About";
  return vcl::RunDialog(this, request);
}

TAbout::~TAbout() {
  if (About == this) About = nullptr;
}
