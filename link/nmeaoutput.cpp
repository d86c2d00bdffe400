// Output of the communications form: custom NMEA sentences from the user's templates, the Micronet
// performance pages and the wind corrections sentence.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "link/comsettings.h"
#include "platform/rtl/files.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/system.h"

namespace {

// An NMEA sentence holds at most 82 characters from its '$' to its CR LF, checksum included: a
// template longer than that once expanded is not sent at all rather than cut.
constexpr std::size_t kMaxSentence = 82;
constexpr std::size_t kSuffixLength = 5;  // "*hh\r\n"
constexpr std::size_t kMaxText = kMaxSentence - kSuffixLength;
// A character on the line: start bit, 8 data bits, stop bit.
constexpr int kBitsPerCharacter = 10;
constexpr int kDefaultBaudRate = 4800;

struct Placeholder {
  const char* name;
  float TOutputValues::*value;
};

constexpr std::array<Placeholder, 12> kPlaceholders{{
    {"performance", &TOutputValues::fPerformance},
    {"targetspeed", &TOutputValues::fTargetSpeed},
    {"courseog", &TOutputValues::fCourseOverGround},
    {"heading", &TOutputValues::fHeading},
    {"speedog", &TOutputValues::fSpeedOverGround},
    {"speedtw", &TOutputValues::fSpeedThroughWater},
    {"windspeed", &TOutputValues::fTrueWindSpeed},
    {"windangle", &TOutputValues::fTrueWindAngle},
    {"vmg", &TOutputValues::fVMG},
    {"windog", &TOutputValues::fGeoWindAngle},
    {"depth", &TOutputValues::fDepth},
    {"bearingtowpt", &TOutputValues::fBearingToWaypoint},
}};

struct Page {
  vcl::TCheckBox* Tcomms::*box;
  const char* title;
  const char* valueFormat;
  float TOutputValues::*value;  // nullptr: the time-to-layline text
};

// In sending order; pages are numbered from 1 by this order among the ticked ones.
constexpr std::array<Page, 8> kPages{{
    {&Tcomms::CheckBox2, "$PTAK,FFP%1d,PERFORM,PERCENT", "$PTAK,FFD%1d,%3.0f",
     &TOutputValues::fPerformance},
    {&Tcomms::CheckBox3, "$PTAK,FFP%1d,  TBS, KNOTS", "$PTAK,FFD%1d,%2.1f",
     &TOutputValues::fTargetSpeed},
    {&Tcomms::CheckBox4, "$PTAK,FFP%1d,  TWD, DEGR", "$PTAK,FFD%1d,%3.0f",
     &TOutputValues::fGeoWindAngle},
    {&Tcomms::CheckBox6, "$PTAK,FFP%1d,DTWPT, MILES", "$PTAK,FFD%1d,%2.1f",
     &TOutputValues::fDistanceToWaypoint},
    {&Tcomms::CheckBox5, "$PTAK,FFP%1d, TTLL, MMSS", "$PTAK,FFD%1d,%s", nullptr},
    {&Tcomms::CheckBox7, "$PTAK,FFP%1d, DTLL, MILES", "$PTAK,FFD%1d,%2.1f",
     &TOutputValues::fDistanceToLayline},
    {&Tcomms::CheckBox9, "$PTAK,FFP%1d,CUR S, KNOTS", "$PTAK,FFD%1d,%2.1f",
     &TOutputValues::fCurrentDrift},
    {&Tcomms::CheckBox8, "$PTAK,FFP%1d,CUR A, DEGR", "$PTAK,FFD%1d,%3.0f",
     &TOutputValues::fCurrentSet},
}};

constexpr int kMaxPages = 4;

// A placeholder runs from '%' to the next ',' (or the end of the line). Known names become their
// value; an unknown one leaves an empty field. A value that is not a number (no reading yet, or a
// computation gone wrong) must never reach an instrument: the whole sentence is left out.
std::optional<std::string> Expand(const std::string& line, const TOutputValues& values) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    if (line[i] != '%') {
      out += line[i++];
      continue;
    }
    std::size_t end = line.find(',', i + 1);
    if (end == std::string::npos) end = line.size();
    const std::string_view name(line.data() + i + 1, end - i - 1);
    for (const auto& p : kPlaceholders) {
      if (name != p.name) continue;
      const float value = values.*(p.value);
      if (!std::isfinite(value)) return std::nullopt;
      out += rtl::Format("%3.1f", value);
    }
    i = end;
  }
  return out;
}

bool Blank(const std::string& line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Empty and blank lines are kept (the built-in templates hold one of each); any other
// line is printable text starting with '$' or '!', with no '*' or second '$' or '!', that fits a
// sentence with its values at zero.
bool IsTemplate(const std::string& line) {
  if (Blank(line)) return true;
  if (line[0] != '$' && line[0] != '!') return false;
  if (!std::all_of(line.begin(), line.end(), [](char c) { return c >= ' ' && c <= '~'; }))
    return false;
  // The writer adds the '*' and checksum itself: one in the template (a checksum copied with the
  // sentence) would end the sentence early, and a further '$' or '!' would start another.
  if (line.find_first_of("$!*", 1) != std::string::npos) return false;
  const auto least = Expand(line, TOutputValues{});
  return least && least->size() <= kMaxText;
}

}  // namespace

std::string NmeaSentence(const std::string& text) {
  std::uint8_t sum = 0;
  for (std::size_t i = 1; i < text.size(); ++i) sum ^= static_cast<std::uint8_t>(text[i]);
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, "*%02X\r\n", sum);
  return text + suffix;
}

namespace {

vcl::TCheckBox* NewBox(Tcomms* form, vcl::TWinControl* parent, const std::string& name,
                       const char* caption, int left, int top, int width) {
  auto* box = new vcl::TCheckBox(form);
  box->SetName(name);
  box->SetParent(parent);
  box->SetCaption(caption);
  box->SetBounds(left, top, width, 20);
  return box;
}

}  // namespace

void Tcomms::BuildOutputControls() {
  auto* group = new vcl::TGroupBox(this);
  group->SetName("MicronetGroup");
  group->SetParent(TabSheet2);
  group->SetCaption("TackTick Micronet  / Performance Pages");
  group->SetBounds(8, 8, 262, 300);
  constexpr const char* kCaptions[] = {
      "Wind  Corrections",   "Performance",       "Target Speed",
      "True Wind Direction", "Time To Layline",   "Distance to WPT",
      "Distance to layline", "Current direction", "Current speed"};
  vcl::TCheckBox** boxes[] = {&CheckBox1, &CheckBox2, &CheckBox3, &CheckBox4, &CheckBox5,
                              &CheckBox6, &CheckBox7, &CheckBox8, &CheckBox9};
  for (int i = 0; i < 9; ++i) {
    *boxes[i] =
        NewBox(this, group, "CheckBox" + std::to_string(i + 1), kCaptions[i], 12, 22 + 24 * i, 236);
    (*boxes[i])->OnClick = rtl::MakeEvent(this, &Tcomms::CheckBox2Click);
  }
  BitBtn3 = new vcl::TBitBtn(this);
  BitBtn3->SetName("BitBtn3");
  BitBtn3->SetParent(group);
  BitBtn3->SetCaption("Micronet Help");
  BitBtn3->SetBounds(12, 244, 140, 28);
  BitBtn3->OnClick = rtl::MakeEvent(this, &Tcomms::BitBtn3Click);

  GroupBox3 = new vcl::TGroupBox(this);
  GroupBox3->SetName("GroupBox3");
  GroupBox3->SetParent(TabSheet2);
  GroupBox3->SetCaption("Proprietary NMEA");
  GroupBox3->SetBounds(278, 8, 254, 200);
  auto* label = new vcl::TLabel(this);
  label->SetName("Label4");
  label->SetParent(GroupBox3);
  label->SetCaption("Custom NMEA Output:");
  label->SetBounds(10, 22, 200, 16);
  Memo1 = new vcl::TMemo(this);
  Memo1->SetName("Memo1");
  Memo1->SetParent(GroupBox3);
  Memo1->SetBounds(10, 42, 230, 148);
  Memo1->SetScrollBars(vcl::ssVertical);
  Memo1->SetWordWrap(false);
  for (const char* line :
       {"$IIMTW,%performance,C", "$PSILTBS,%targetspeed,N", "$PSILCD1,%performance,0.0", "", " "})
    Memo1->Lines()->Add(line);

  GroupBox4 = new vcl::TGroupBox(this);
  GroupBox4->SetName("GroupBox4");
  GroupBox4->SetParent(TabSheet2);
  GroupBox4->SetCaption("Repeater");
  GroupBox4->SetBounds(278, 214, 254, 94);
  CheckBox11 = NewBox(this, GroupBox4, "CheckBox11", "Repeat Incoming NMEA + Proprietary NMEA on",
                      8, 22, 242);
  ComboBox3 = new vcl::TComboBox(this);
  ComboBox3->SetName("ComboBox3");
  ComboBox3->SetParent(GroupBox4);
  ComboBox3->SetBounds(10, 52, 140, 24);
  for (const char* item : {"Network", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
                           "COM8", "COM9", "COM10", "COM11", "COM12"})
    ComboBox3->Items()->Add(item);
  ComboBox3->SetText("COM1");

  MicronetTimer = new vcl::TTimer(this);
  MicronetTimer->SetName("MicronetTimer");
  MicronetTimer->SetInterval(120000);
  MicronetTimer->OnTimer = rtl::MakeEvent(this, &Tcomms::MicronetTimerTimer);
}

TComPort* Tcomms::NewComPort(Tcomms* owner, const std::string& device, bool instrument) {
  auto* port = new TComPort(owner);  // owned by the form
  port->SetDeviceName(device);
  port->SetBaudRate(br4800);
  if (instrument) {
    port->SetDataBits(db8);
    port->FlowControl().SetDTR(dcDisable);
    port->FlowControl().SetRTS(rcDisable);
    port->FlowControl().SetXOnXOff(xcDisable);
  }
  return port;
}

void Tcomms::SendSentence(const std::string& Sentence) {
  // Longer than a sentence may be (huge values in a fixed format): not sent at all rather than cut.
  if (Sentence.size() > kMaxText) return;
  SendWithinLineRate(NmeaSentence(Sentence));
}

int Tcomms::LineBytesPerSecond() const {
  const TBaudRate rate = ComPort1->BaudRate();
  const int baud = rate == brCustom ? ComPort1->CustomBaudRate() : BaudRateValue(rate);
  return std::max(baud > 0 ? baud : kDefaultBaudRate, kBitsPerCharacter) / kBitsPerCharacter;
}

// The allowance of the line fills at its rate up to one second's worth; each sentence written
// takes its length from it.
double Tcomms::LineAllowance() {
  const double perSecond = LineBytesPerSecond();
  const std::uint32_t now = win::GetTickCount();
  if (fLineAllowance < 0) {
    fLineAllowance = perSecond;
  } else {
    const double filled = static_cast<std::uint32_t>(now - fLineAllowanceTick) * perSecond / 1000.0;
    fLineAllowance = std::min(perSecond, fLineAllowance + filled);
  }
  fLineAllowanceTick = now;
  return fLineAllowance;
}

// What the line cannot carry is dropped whole, never queued.
void Tcomms::SendWithinLineRate(const std::string& finished) {
  const auto size = static_cast<double>(finished.size());
  if (size > LineAllowance()) return;
  fLineAllowance -= size;
  if (ComPort1->Active()) ComPort1->WriteString(finished);
  if (CheckBox11->Checked() && ComPort2->Active()) ComPort2->WriteString(finished);
}

void Tcomms::SendNmeaOutput() {
  // With no port to write to there is nothing to build.
  if (!ComPort1->Active() && !(CheckBox11->Checked() && ComPort2->Active())) return;
  const TOutputValues values = fOutputValues ? fOutputValues() : TOutputValues{};
  const rtl::TStrings& lines = *Memo1->Lines();
  // A second of the line carries no more sentences than this, even of the shortest kind: the
  // templates after it are not looked at (however many there are, or how many of them are left
  // out for values that are not numbers).
  const int most = std::min(lines.Count(), LineBytesPerSecond() / static_cast<int>(kSuffixLength));
  for (int i = 0; i < most; ++i) {
    // The line's second is used up: the templates after this are left out this second.
    if (LineAllowance() < static_cast<double>(kSuffixLength)) break;
    const std::string line = lines.Strings(i);
    // An empty or blank template is kept in the memo but is no sentence: on the line it would be
    // a bare "*00" that no instrument can take.
    if (Blank(line) || !IsTemplate(line)) continue;
    if (const auto sentence = Expand(line, values)) SendSentence(*sentence);
  }
  if (CheckBox1->Checked() && std::isfinite(values.fTwsCorrection) &&
      std::isfinite(values.fTwaCorrectionApplied))
    SendSentence(
        rtl::Format("$PTAK,TWC,%2.1f,%2.1f", values.fTwsCorrection, values.fTwaCorrectionApplied));

  int ticked = 0;
  for (const Page& page : kPages) ticked += (this->*page.box)->Checked();
  if (ticked > kMaxPages) return;
  int number = 1;
  for (const Page& page : kPages) {
    if (!(this->*page.box)->Checked()) continue;
    // A value that is not a number is not sent; its page keeps its number, and the display
    // its last value.
    if (!page.value) {
      if (!values.TimeToLayline.empty())
        SendSentence(rtl::Format(page.valueFormat, number, values.TimeToLayline));
    } else if (std::isfinite(values.*(page.value))) {
      SendSentence(rtl::Format(page.valueFormat, number, values.*(page.value)));
    }
    ++number;
  }
}

void Tcomms::LoadTemplates() {
  // Without the file the memo keeps the templates it has.
  if (!rtl::FileExists(kTemplatesFile)) return;
  rtl::TStringList lines;
  lines.LoadFromFile(kTemplatesFile);
  rtl::TStringList kept;
  int refused = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string line = lines.Strings(i);
    if (IsTemplate(line)) {
      kept.Add(line);
    } else {
      ++refused;
    }
  }
  Memo1->Lines()->Assign(&kept);
  if (refused == 0) return;
  vcl::ShowMessageBox(
      rtl::Format("%d %s of %s %s left out: a template is a line of printable text starting with "
                  "'$' or '!', with no '*', at most %d characters once expanded.",
                  refused, refused == 1 ? "line" : "lines", kTemplatesFile,
                  refused == 1 ? "was" : "were", static_cast<int>(kMaxText)),
      "Warning", vcl::MB_OK | vcl::MB_ICONWARNING);
}

void Tcomms::CheckBox2Click(rtl::TObject*) {
  int ticked = 0;
  for (const Page& page : kPages) ticked += (this->*page.box)->Checked();
  if (ticked <= kMaxPages) {
    int number = 1;
    for (const Page& page : kPages)
      if ((this->*page.box)->Checked()) SendSentence(rtl::Format(page.title, number++));
    return;
  }
  // Too many pages: said at each click and every 120 s until a page is unticked. The box is
  // modal, and timers run on under it (the main tick among them): one box at a time, so the
  // timer's next period finds this one still open instead of stacking another on it.
  if (fMicronetBoxOpen) return;
  fMicronetBoxOpen = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{fMicronetBoxOpen};
  vcl::ShowMessageBox(
      "Only 4 Micronet Performance Pages can be used simultaneously.\nPlease uncheck a page.",
      "Message", vcl::MB_OK | vcl::MB_ICONINFORMATION);
}

void Tcomms::MicronetTimerTimer(rtl::TObject* Sender) {
  CheckBox2Click(Sender);
}
