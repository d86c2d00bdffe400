// The communications form's pages and handlers: port, sources, wizard, lamps and debugging view.
#include <exception>
#include <initializer_list>
#include <string>

#include "link/commswizard.h"
#include "link/comsettings.h"
#include "platform/rtl/events.h"
#include "platform/vcl/clipboard.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/newchild.h"

namespace {

vcl::TRadioGroup* NewGroup(Tcomms* form, vcl::TWinControl* parent, const char* name,
                           const char* caption, int top, std::initializer_list<const char*> items) {
  auto* g = vcl::NewChild<vcl::TRadioGroup>(form, parent, name, 280, top, 248, 62);
  g->SetCaption(caption);
  for (const char* item : items) g->Items()->Add(item);
  g->SetItemIndex(0);
  return g;
}

vcl::TComboBox* NewCombo(Tcomms* form, vcl::TWinControl* parent, const char* name, int top,
                         std::initializer_list<const char*> items, const char* text) {
  auto* c = vcl::NewChild<vcl::TComboBox>(form, parent, name, 96, top, 140, 24);
  for (const char* item : items) c->Items()->Add(item);
  c->SetText(text);
  return c;
}

vcl::TLabel* NewLabel(Tcomms* form, vcl::TWinControl* parent, const std::string& name,
                      const char* caption, int left, int top) {
  auto* l = vcl::NewChild<vcl::TLabel>(form, parent, name, left, top, 110, 16);
  l->SetCaption(caption);
  return l;
}

vcl::TBitBtn* NewButton(Tcomms* form, vcl::TWinControl* parent, const char* name,
                        const char* caption, int left, int top, int width) {
  auto* b = vcl::NewChild<vcl::TBitBtn>(form, parent, name, left, top, width, 28);
  b->SetCaption(caption);
  return b;
}

// A lamp: a dark square frame with the lit circle over it.
vcl::TShape* NewLamp(Tcomms* form, vcl::TWinControl* parent, const char* lamp, const char* frame,
                     int left, int top, vcl::TShape** frameOut) {
  auto* back = vcl::NewChild<vcl::TShape>(form, parent, frame, left, top, 24, 24);
  back->Brush()->SetColor(gdi::clGray);
  auto* circle = vcl::NewChild<vcl::TShape>(form, parent, lamp, left + 4, top + 4, 16, 16);
  circle->SetShape(vcl::stCircle);
  circle->Brush()->SetColor(gdi::clRed);
  *frameOut = back;
  return circle;
}

TComSignal* NewSignal(Tcomms* form, const char* name, TComPort* port, TSignal signal,
                      vcl::TControl* control) {
  auto* s = vcl::NewChild<TComSignal>(form, nullptr, name);
  s->SetControl(control);
  s->SetColorOff(gdi::clBlack);
  s->SetColorOn(gdi::clRed);
  s->SetDelay(100);
  s->SetSignal(signal);
  s->SetComPort(port);
  return s;
}

}  // namespace

Tcomms::Tcomms(rtl::TComponent* AOwner) : TForm(AOwner) {
  SetName("comms");
  SetCaption("Settings");
  SetBorderStyle(vcl::bsDialog);
  SetBounds(0, 0, 560, 430);
  SetPosition(vcl::poMainFormCenter);
  PageControl1 = vcl::NewChild<vcl::TPageControl>(this, this, "PageControl1", 6, 6, 542, 342);
  auto sheet = [&](const char* name, const char* caption) {
    auto* t = vcl::NewChild<vcl::TTabSheet>(this, nullptr, name);
    t->SetCaption(caption);
    t->SetPageControl(PageControl1);
    return t;
  };
  TabSheet1 = sheet("TabSheet1", "NMEA In");
  TabSheet2 = sheet("TabSheet2", "NMEA Out");
  TabSheet3 = sheet("TabSheet3", "Debugging");
  PageControl1->SetActivePage(TabSheet1);

  ComPort1->SetName("ComPort1");
  ComPort1->SetOnRxChar(rtl::MakeEvent(this, &Tcomms::ComPort1RxChar));
  ComPort1->SetAfterOpen(rtl::MakeEvent(this, &Tcomms::ComPort1AfterOpen));
  ComPort2->SetName("ComPort2");
  BuildInputPage();
  BuildOutputControls();
  BuildDebugPage();

  BitBtn1 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn1", 360, 356, 90, 28);
  BitBtn1->SetKind(vcl::bkOK);
  // OK closes only once the settings are saved (BitBtn1Click).
  BitBtn1->SetModalResult(vcl::mrNone);
  BitBtn1->OnClick = rtl::MakeEvent(this, &Tcomms::BitBtn1Click);
  BitBtn2 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn2", 458, 356, 90, 28);
  BitBtn2->SetKind(vcl::bkCancel);

  // The lamps go in front of the decoder, which keeps running behind the receive lamp.
  ComSignal1 = NewSignal(this, "ComSignal1", ComPort1, siRxChar, Shape1);
  ComSignal1->OnSignal = rtl::MakeEvent(this, &Tcomms::ComSignal1Signal);
  ComSignal2 = NewSignal(this, "ComSignal2", ComPort1, siTxChar, Shape5);
  ComSignal1Signal(ComSignal1);

  OnShow = rtl::MakeEvent(this, &Tcomms::FormActivate);
  OnHide = rtl::MakeEvent(this, &Tcomms::FormHide);
}

void Tcomms::BuildInputPage() {
  GroupBox1 = vcl::NewChild<vcl::TGroupBox>(this, TabSheet1, "GroupBox1", 8, 8, 262, 168);
  GroupBox1->SetCaption("Communications");
  NewLabel(this, GroupBox1, "Label1", "Serial Port:", 12, 26);
  ComboBox1 = NewCombo(this, GroupBox1, "ComboBox1", 22,
                       {"Network", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                        "COM9", "COM10", "COM11", "COM12", "COM42"},
                       "COM1");
  NewLabel(this, GroupBox1, "Label2", "Baudrate:", 12, 58);
  ComboBox2 =
      NewCombo(this, GroupBox1, "ComboBox2", 54, {"4800", "9600", "19200", "38400"}, "4800");
  BitBtn6 = NewButton(this, GroupBox1, "BitBtn6", "Try Settings", 12, 88, 120);
  BitBtn6->OnClick = rtl::MakeEvent(this, &Tcomms::BitBtn6Click);
  CheckBox10 = vcl::NewChild<vcl::TCheckBox>(this, GroupBox1, "CheckBox10", 12, 132, 160, 20);
  CheckBox10->SetCaption("Require checksum");
  Shape1 = NewLamp(this, GroupBox1, "Shape1", "Shape2", 180, 90, &Shape2);
  NewLabel(this, GroupBox1, "Label3", "Signal", 210, 94);

  SpeedsourceGroup = NewGroup(this, TabSheet1, "SpeedsourceGroup", "Speed Source", 8,
                              {"Use GPS SOG", "Use Speedlog"});
  HeadingsourceGroup = NewGroup(this, TabSheet1, "HeadingsourceGroup", "Heading Source", 76,
                                {"Use GPS COG", "Use Compass"});
  WindsourceGroup = NewGroup(this, TabSheet1, "WindsourceGroup", "Wind Source", 144,
                             {"NMEA  MWV", "NMEA  VWR/VWT"});
  TruewindsourceGroup = NewGroup(this, TabSheet1, "TruewindsourceGroup", "True Wind Source", 212,
                                 {"Program Calculates true wind", "NMEA input true wind"});
  BitBtn4 = NewButton(this, TabSheet1, "BitBtn4", "Run Communication Wizard", 8, 190, 262);
  BitBtn4->OnClick = rtl::MakeEvent(this, &Tcomms::BitBtn4Click);
}

void Tcomms::BuildDebugPage() {
  NewLabel(this, TabSheet3, "Label6", "Buffer:", 8, 12);
  CGauge1 = vcl::NewChild<vcl::TCGauge>(this, TabSheet3, "CGauge1", 60, 10, 200, 18);
  CGauge1->SetMaxValue(ComPort1->BufferSizes().Input());
  Shape5 = NewLamp(this, TabSheet3, "Shape5", "Shape6", 290, 6, &Shape6);
  NewLabel(this, TabSheet3, "Label7", "Tx", 318, 10);
  Shape3 = NewLamp(this, TabSheet3, "Shape3", "Shape4", 350, 6, &Shape4);
  NewLabel(this, TabSheet3, "Label8", "Rx", 378, 10);
  NewLabel(this, TabSheet3, "Label9", "Incoming Data", 8, 40);
  Memo2 = vcl::NewChild<vcl::TMemo>(this, TabSheet3, "Memo2", 8, 58, 518, 210);
  Memo2->SetReadOnly(true);
  Memo2->SetScrollBars(vcl::ssVertical);
  BitBtn5 = NewButton(this, TabSheet3, "BitBtn5", "Copy To ClipBoard", 8, 276, 150);
  BitBtn5->OnClick = rtl::MakeEvent(this, &Tcomms::BitBtn5Click);
}

void Tcomms::FormActivate(rtl::TObject*) {
  fDebugView = 1;
  try {
    LoadTemplates();
  } catch (const std::exception& e) {
    vcl::ShowMessageBox(std::string("Cannot read ") + kTemplatesFile + ": " + e.what(), "Error",
                        vcl::MB_OK | vcl::MB_ICONERROR);
  }
}

void Tcomms::FormHide(rtl::TObject*) {
  fDebugView = 0;
}

void Tcomms::SetSources(const TSourceChoices& choices) {
  fSpeedSource = choices.fSpeedSource;
  fHeadingSource = choices.fHeadingSource;
  fNmeaWind = choices.fNmeaWind;
  if (choices.fWindSource) fWindSource = *choices.fWindSource;
  SpeedsourceGroup->SetItemIndex(fSpeedSource);
  HeadingsourceGroup->SetItemIndex(fHeadingSource);
  WindsourceGroup->SetItemIndex(fNmeaWind);
  TruewindsourceGroup->SetItemIndex(fWindSource);
  if (fSetMainSources) fSetMainSources(choices);
}

void Tcomms::BitBtn1Click(rtl::TObject*) {
  try {
    Memo1->Lines()->SaveToFile(kTemplatesFile);
  } catch (const std::exception& e) {
    vcl::ShowMessageBox(std::string("Cannot save ") + kTemplatesFile + ": " + e.what(), "Error",
                        vcl::MB_OK | vcl::MB_ICONERROR);
    return;
  }
  SetSources({SpeedsourceGroup->ItemIndex(), HeadingsourceGroup->ItemIndex(),
              WindsourceGroup->ItemIndex(), TruewindsourceGroup->ItemIndex()});
  if (CheckBox11->Checked()) {
    try {
      ComPort2->SetDeviceName(ComboBox3->Text());
    } catch (const std::exception&) {
      // An open repeater keeps its device (nothing here opens it).
    }
  }
  SetModalResult(vcl::mrOk);
}

void Tcomms::BitBtn6Click(rtl::TObject*) {
  try {
    ComPort1->Close();
    ComPort1->SetDeviceName(ComboBox1->Text());
    ComPort1->Open();
  } catch (const std::exception&) {
    try {
      ComPort1->Close();
    } catch (const std::exception&) {
    }
    vcl::ShowMessageBox("COM port not available", "Message", vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
  }
}

void Tcomms::BitBtn4Click(rtl::TObject*) {
  // Asked for while it is up (the main window's watchdog): the scan it runs goes on.
  if (WizForm != nullptr && vcl::BringForwardIfShown(WizForm)) return;
  const bool wasOpen = ComPort1->Active();
  ComPort1->Close();
  TWizForm* wizard = WizForm;
  vcl::TDialogRequest request;
  request.Kind = "Form";
  request.Caption = wizard != nullptr ? wizard->Caption() : "";
  if (wizard == nullptr || vcl::RunDialog(wizard, request) != vcl::mrOk) {
    // Cancelled: the instruments' port comes back, or the main tick would run on frozen values.
    if (wasOpen) OpenInputPort();
    return;
  }
  // Both forms and the groups, so the decoder follows the wizard's wind sentence at once.
  SetSources({wizard->fWizSpeedSource, wizard->fWizHeadingSource, wizard->fWizNmeaWind, {}});
  ComPort1->SetDeviceName(wizard->fFoundPort);
  ComboBox1->SetText(wizard->fFoundPort);
  // The instruments answered at the wizard's rate, whatever the rate box said before.
  ComPort1->SetBaudRate(TWizForm::kBaudRate);
  ComboBox2->SetText(std::to_string(BaudRateValue(TWizForm::kBaudRate)));
  if (OpenInputPort() && fAfterWizardOpen) fAfterWizardOpen();
}

bool Tcomms::OpenInputPort() {
  try {
    ComPort1->Open();
    return true;
  } catch (const std::exception& e) {
    vcl::ShowMessageBox(CannotOpenText(*ComPort1, e), "error", vcl::MB_OK);
    return false;
  }
}

void Tcomms::BitBtn3Click(rtl::TObject*) {
  vcl::ShowMessageBox(
      "If you have your PC connected a TackTick Micronet NMEA Interface,\nit is possible on a "
      "MN100 "
      "single digital display to activate a performance chapter.\nYou can select what parameters "
      "to show by checking the boxes.",
      "Micronet Information", vcl::MB_OK | vcl::MB_ICONINFORMATION);
}

void Tcomms::BitBtn5Click(rtl::TObject*) {
  Memo2->SelectAll();
  Memo2->CopyToClipboard();
}

void Tcomms::ComSignal1Signal(rtl::TObject*) {
  Shape3->Brush()->SetColor(ComSignal1->SignalValue() ? ComSignal1->ColorOn()
                                                      : ComSignal1->ColorOff());
}
