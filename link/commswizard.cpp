#include "link/commswizard.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "link/comsettings.h"
#include "link/nmealine.h"
#include "platform/rtl/events.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"
#include "platform/serial/names.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/newchild.h"

TWizForm* WizForm = nullptr;

namespace {

constexpr const char* kLogFile = "comwiz.txt";

struct Sighting {
  const char id[4];
  std::int32_t TWizForm::*seen;
  const char* text;  // nullptr: MWV, whose text depends on its reference
  bool recordsPort;
};

constexpr Sighting kSightings[] = {
    {"VHW", &TWizForm::fSeenVHW, "-->VHW (depth,speed) detected", true},
    {"HDG", &TWizForm::fSeenHDG, "-->HDG (Heading) detected", true},
    {"VWR", &TWizForm::fSeenVWR, "-->VWR (apparent wind) detected", true},
    {"VWT", &TWizForm::fSeenVWT, "-->VWT (true wind) detected", true},
    {"MWV", &TWizForm::fSeenMWV, nullptr, true},
    {"VPW", &TWizForm::fSeenVPW, "-->VPW (velocity made good) detected", true},
    {"VTG", &TWizForm::fSeenVTG, "-->VTG (speed/course over ground) detected", true},
    {"DBT", &TWizForm::fSeenDBT, "-->DBT (depth) detected", true},
    {"GLL", &TWizForm::fSeenGLL, "-->GLL (position) detected", true},
    {"GGA", &TWizForm::fSeenGGA, "-->GGA (position) detected", true},
    {"RMC", &TWizForm::fSeenRMC, "-->RMC (position/course and speed) detected", true},
    {"VDM", &TWizForm::fSeenVDM, "-->VDM (AIS messages) detected", false},
};

vcl::TBitBtn* NewButton(TWizForm* form, const char* name, const char* caption, int left, int top,
                        int width) {
  auto* b = vcl::NewChild<vcl::TBitBtn>(form, form, name, left, top, width, 30);
  b->SetCaption(caption);
  return b;
}

vcl::TLabel* NewLabel(TWizForm* form, const char* name, const char* caption, int top, int size) {
  auto* l = vcl::NewChild<vcl::TLabel>(form, form, name, 16, top, 480, size + 12);
  l->SetCaption(caption);
  l->SetTransparent(true);
  l->Font()->SetColor(gdi::clWhite);
  l->Font()->SetSize(size);
  return l;
}

}  // namespace

TWizForm::TWizForm(rtl::TComponent* AOwner) : TForm(AOwner) {
  SetName("WizForm");
  SetCaption("Corvatalen communication Wizard");
  SetBorderStyle(vcl::bsNone);
  SetColor(gdi::clNavy);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 512, 400);
  Label1 = NewLabel(this, "Label1", "Corvatalen Connection Wizard", 12, 16);
  Label1->Font()->SetStyle(vcl::fsBold);
  Label2 = NewLabel(this, "Label2", "Connect your instruments in two simple steps:", 46, 10);
  RichEdit1 = vcl::NewChild<vcl::TRichEdit>(this, this, "RichEdit1", 16, 72, 480, 200);
  RichEdit1->SetColor(gdi::clBlue);
  RichEdit1->SetReadOnly(true);
  RichEdit1->SetScrollBars(vcl::ssVertical);
  BitBtn3 = NewButton(this, "BitBtn3", "Step 1: Connect Your Instruments and press this button", 16,
                      284, 480);
  BitBtn3->OnClick = rtl::MakeEvent(this, &TWizForm::BitBtn3Click);
  BitBtn1 = NewButton(this, "BitBtn1", "Step 2: Save Settings && Exit", 16, 322, 480);
  BitBtn1->SetModalResult(vcl::mrOk);
  BitBtn1->SetDefault(true);
  BitBtn1->SetEnabled(false);
  BitBtn1->OnClick = rtl::MakeEvent(this, &TWizForm::BitBtn1Click);
  BitBtn2 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn2", 16, 360, 120, 30);
  BitBtn2->SetKind(vcl::bkCancel);
  BitBtn2->OnClick = rtl::MakeEvent(this, &TWizForm::BitBtn2Click);

  Timer1 = vcl::NewChild<vcl::TTimer>(this, nullptr, "Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(kPortMs);
  Timer1->OnTimer = rtl::MakeEvent(this, &TWizForm::Timer1Timer);

  ComPort1 = vcl::NewChild<TComPort>(this, nullptr, "ComPort1");
  ComPort1->SetDeviceName("COM2");
  // Raw 8N1 at the rate tried: a device keeps whatever line settings it had otherwise (a Linux
  // terminal starts at 9600, where 4800 baud input is noise).
  ComPort1->SetBaudRate(kBaudRate);
  ComPort1->SetDataBits(db8);
  ComPort1->SetParity(paNone);
  ComPort1->SetStopBits(sb1);
  ComPort1->Characters().SetEvent('\r');
  ComPort1->SetOnRxChar(rtl::MakeEvent(this, &TWizForm::ComPort1RxChar));

  OnShow = rtl::MakeEvent(this, &TWizForm::FormShow);
  OnHide = rtl::MakeEvent(this, &TWizForm::FormHide);
  FormCreate(this);
}

void TWizForm::FormCreate(rtl::TObject*) {
  fPortNumber = 1;
  fLineIndex = 0;
  RichEdit1->SelAttributes()->SetColor(gdi::clLime);
  fWizSpeedSource = fWizHeadingSource = fWizNmeaWind = 0;
  fFoundPort = "COM1";
  fSeenVDM = 0;
}

void TWizForm::FormShow(rtl::TObject* Sender) {
  Timer1->SetEnabled(false);
  FormCreate(Sender);
  for (const Sighting& s : kSightings) this->*s.seen = 0;
  RichEdit1->Lines()->Clear();
  BitBtn1->SetEnabled(false);
}

void TWizForm::FormHide(rtl::TObject*) {
  Timer1->SetEnabled(false);
  ClosePort();
}

void TWizForm::Log(const std::string& text, vcl::TColor color) {
  RichEdit1->SelAttributes()->SetColor(color);
  RichEdit1->Lines()->Add(text);
}

void TWizForm::ClosePort() {
  try {
    ComPort1->Close();
  } catch (const std::exception&) {
    Log("error closing comport..", gdi::clRed);
  }
}

void TWizForm::BitBtn3Click(rtl::TObject*) {
  fPortNumber = 1;
  fPortCount = static_cast<std::int32_t>(serial::ComDevices().size());
  Timer1->SetEnabled(true);
  Log("Detecting com ports, please wait...", gdi::clLime);
}

void TWizForm::Timer1Timer(rtl::TObject*) {
  if (fPortNumber > fPortCount) {
    Conclude();
    return;
  }
  fCurrentPort = rtl::Format("COM%d", fPortNumber);
  ClosePort();
  fLineIndex = 0;
  try {
    ComPort1->SetDeviceName(fCurrentPort);
    ComPort1->Open();
    Log(rtl::Format("%s: is available..", fCurrentPort), gdi::clLime);
  } catch (const std::exception&) {
    Log(rtl::Format("%s: not available..", fCurrentPort), gdi::clRed);
  }
  ++fPortNumber;
}

int TWizForm::SensorCount() const {
  return fSeenVHW + fSeenHDG + fSeenVPW + ((fSeenVWR | fSeenVWT | fSeenMWV) != 0 ? 1 : 0) +
         ((fSeenGLL | fSeenGGA | fSeenRMC) != 0 ? 1 : 0);
}

// After the last port: nothing stays open, the log is kept in "comwiz.txt", and the count says
// whether Step 2 has anything to save.
void TWizForm::Conclude() {
  Timer1->SetEnabled(false);
  ClosePort();
  try {
    RichEdit1->SaveToFile(kLogFile);
  } catch (const std::exception& e) {
    Log(std::string("Cannot save ") + kLogFile + ": " + e.what(), gdi::clRed);
  }
  const int count = SensorCount();
  if (count >= 1) {
    vcl::ShowMessageBox(rtl::Format("Sensors %d out of 5 detected", count), "Conclusion",
                        vcl::MB_OK);
    BitBtn1->SetEnabled(true);
    BitBtn2->SetEnabled(true);
  } else {
    vcl::ShowMessageBox("No sensors detected", "Conclusion", vcl::MB_OK);
  }
}

void TWizForm::ComPort1RxChar(rtl::TObject*) {
  char block[4096];
  for (int left = ComPort1->InputCount(); left > 0;) {
    const int got = ComPort1->Read(block, std::min<int>(left, sizeof block), true);
    if (got <= 0) break;
    ReceiveChars(block, static_cast<std::size_t>(got));
    left -= got;
  }
}

void TWizForm::ReceiveChars(const char* chars, std::size_t count) {
  nmea::AssembleLines(fLineBuffer, fLineIndex, chars, count, [this](nmea::TLineEnd how) {
    if (how == nmea::TLineEnd::kEnded) LineComplete();
  });
}

void TWizForm::LineComplete() {
  // The identifier follows the '$' or '!' and the two letters of the talker.
  const char* sentence = nmea::SentenceStart(fLineBuffer);
  if (sentence == nullptr || std::strlen(sentence) < 6) return;
  for (const Sighting& s : kSightings) {
    if (std::memcmp(sentence + 3, s.id, 3) != 0) continue;
    if (this->*s.seen != 0) return;
    if (s.text != nullptr) {
      Log(s.text, gdi::clLime);
    } else {
      const char reference = Tcomms::FieldChar(sentence, 2);
      if (reference == 'R') Log("-->MWV (apparent wind) detected", gdi::clLime);
      if (reference == 'T') Log("-->MWV (true wind) detected", gdi::clLime);
    }
    if (s.recordsPort) fFoundPort = fCurrentPort;
    this->*s.seen = 1;
    return;
  }
}

void TWizForm::BitBtn1Click(rtl::TObject*) {
  Timer1->SetEnabled(false);
  ClosePort();
  if (fSeenVHW != 0) fWizSpeedSource = 1;
  if (fSeenHDG != 0) fWizHeadingSource = 1;
  if (fSeenMWV != 0) fWizNmeaWind = 0;
  if (fSeenVWR != 0) fWizNmeaWind = 1;
  // The four keys in one replace of the file, keeping what others wrote.
  rtl::TIniWriter ini("corvatalen.ini");
  ini.WriteString("comms", "comport", fFoundPort);
  ini.WriteInteger("settings", "speedsource", fWizSpeedSource);
  ini.WriteInteger("settings", "headingsource", fWizHeadingSource);
  ini.WriteInteger("settings", "nmeawind", fWizNmeaWind);
  ini.UpdateFile();
}

void TWizForm::BitBtn2Click(rtl::TObject*) {
  Timer1->SetEnabled(false);
  ClosePort();
}
