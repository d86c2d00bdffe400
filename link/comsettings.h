// The communications form: input port, repeater port and the NMEA 0183 decoder that keeps the
// current instrument values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <optional>

#include "link/comport.h"
#include "link/comsignal.h"
#include "link/nmealine.h"
#include "link/nmeaoutput.h"
#include "platform/rtl/classes.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/misc.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timer.h"

// The source choices the main window keeps beside this form's; the wind source stays as it is
// when not given.
struct TSourceChoices {
  std::int32_t fSpeedSource = 0;
  std::int32_t fHeadingSource = 0;
  std::int32_t fNmeaWind = 0;
  std::optional<std::int32_t> fWindSource;
};

class Tcomms : public vcl::TForm {
 public:
  explicit Tcomms(rtl::TComponent* AOwner);

  // ---- The form's handlers (link/comsettings_form.cpp) -----------------------------------------
  // Shown: the templates from "nmeaout.txt" and the debugging view on. It runs when the form is
  // shown, not at every activation: closing the wizard or a message box activates the form again
  // and would reload the templates over the user's unsaved edits.
  void FormActivate(rtl::TObject* Sender);
  void FormHide(rtl::TObject* Sender);
  // OK: the templates are saved first; when that fails a box names the file and the reason,
  // nothing is applied and the form stays open. Then the source groups go to both forms and the
  // repeater gets its device.
  void BitBtn1Click(rtl::TObject* Sender);
  void BitBtn3Click(rtl::TObject* Sender);  // "Micronet Help"
  void BitBtn4Click(rtl::TObject* Sender);  // "Run Communication Wizard"
  void BitBtn5Click(rtl::TObject* Sender);  // "Copy To ClipBoard"
  void BitBtn6Click(rtl::TObject* Sender);  // "Try Settings"
  // The receive lamp also shows on the debugging page.
  void ComSignal1Signal(rtl::TObject* Sender);

  // The main window's source members, set by OK and by the wizard (unset: this form's only).
  std::function<void(const TSourceChoices&)> fSetMainSources;
  // Called when the wizard has left the input port open (the main window starts its timers).
  std::function<void()> fAfterWizardOpen;
  // "Incoming Data" keeps this many lines, the newest.
  static constexpr int kDebugLines = 500;

  static constexpr int kLineBufferSize = nmea::kLineBufferSize;
  // Characters past this position of a line keep overwriting it.
  static constexpr int kLastLinePosition = nmea::kLastLinePosition;
  static constexpr int kAisPayloadSize = 256;

  // Receive handler of the input port: reads the waiting characters and decodes every line they
  // complete.
  void ComPort1RxChar(rtl::TObject* Sender);

  // The byte handling of one receive event, for Count characters already read from the port.
  void ReceiveChars(const char* chars, std::size_t Count);

  // Line helpers. A line is NUL-terminated; its sentence starts at its '$' or '!' and may end in
  // CR, LF or both. Fields are counted from the line's start.
  // True when the sentence ends in '*' and two hexadecimal digits (either case) that match it.
  static bool ChecksumOk(const char* line);
  static float FieldFloat(const char* line, int n);
  static char FieldChar(const char* line, int n);
  static std::string_view FieldText(const char* line, int n);

  // Decoder state.
  char fLineBuffer[kLineBufferSize] = {};
  std::int32_t fLineIndex = 0;

  // Instrument values: each keeps its last value until a sentence replaces it.
  float fTrueWindSpeed = 0;
  float fTrueWindAngle = 0;
  char fWindReference = 0;
  float fApparentWindSpeed = 0;
  float fApparentWindAngle = 0;
  std::int32_t fWindSide = 0;
  char fWindSideChar = 0;
  float fVMG = 0;
  float fCourseOverGround = 0;
  float fSpeedOverGround = 0;
  float fSpeedThroughWater = 0;
  float fHeading = 0;
  float fDepth = 0;
  float fLatitude = 0;
  float fLongitude = 0;
  char fLatHemisphere = 0;
  char fLonHemisphere = 0;
  char fAisType = 0;
  char fAisPayload[kAisPayloadSize] = {};
  std::int32_t fInputSeen = 0;
  std::int32_t fDebugView = 0;
  // Counted up by every heading (HDG, HDT) and every speed through the water (VHW) that carries a
  // value: the main window tells by them a compass or speed log that is not there, or has gone
  // quiet, whatever the settings say.
  std::uint32_t fCompassReadings = 0;
  std::uint32_t fSpeedLogReadings = 0;
  // Counted up by every apparent wind (MWV relative, or VWR when chosen) that carries an angle or a
  // speed: no true wind is made from a wind instrument that is silent. The same for every true wind
  // (VWT, MWV true) read while the true wind is taken from the instruments: a silent source gives
  // none, not the start values or the last it sent.
  std::uint32_t fApparentWindReadings = 0;
  std::uint32_t fTrueWindReadings = 0;
  // Counted up by every speed over the ground (VTG, RMC), every course over the ground taken with
  // it, and every depth (DBT, a bottom lost too): a GPS or sounder that is silent gives none.
  std::uint32_t fGroundSpeedReadings = 0;
  std::uint32_t fCourseReadings = 0;
  std::uint32_t fDepthReadings = 0;

  // Source choices.
  std::int32_t fSpeedSource = 0;
  std::int32_t fHeadingSource = 0;
  std::int32_t fNmeaWind = 0;
  std::int32_t fWindSource = 0;

  // The settings the main window reads and sets: port and baud rate, and the four source groups.
  vcl::TComboBox* ComboBox1;  // "Serial Port:"
  vcl::TComboBox* ComboBox2;  // "Baudrate:"
  vcl::TRadioGroup* SpeedsourceGroup;
  vcl::TRadioGroup* HeadingsourceGroup;
  vcl::TRadioGroup* WindsourceGroup;
  vcl::TRadioGroup* TruewindsourceGroup;
  vcl::TBitBtn* BitBtn1;  // OK
  vcl::TBitBtn* BitBtn2;  // Cancel

  vcl::TPageControl* PageControl1;
  vcl::TTabSheet *TabSheet1, *TabSheet2, *TabSheet3;  // "NMEA In", "NMEA Out", "Debugging"
  vcl::TGroupBox *GroupBox1, *GroupBox3, *GroupBox4;  // "Communications", "Proprietary NMEA",
                                                      // "Repeater"
  vcl::TBitBtn* BitBtn6;                              // "Try Settings"
  vcl::TBitBtn* BitBtn4;                              // "Run Communication Wizard"
  vcl::TBitBtn* BitBtn3;                              // "Micronet Help"
  vcl::TBitBtn* BitBtn5;                              // "Copy To ClipBoard"
  vcl::TComboBox* ComboBox3;                          // the repeater's port
  // Lamps: "Signal" (Shape1 over Shape2), "Tx" (Shape5 over Shape6), "Rx" (Shape3 over Shape4).
  vcl::TShape *Shape1, *Shape2, *Shape3, *Shape4, *Shape5, *Shape6;
  TComSignal* ComSignal1;  // receive lamp
  TComSignal* ComSignal2;  // transmit lamp

  // Form controls the decoder reads and feeds.
  vcl::TCheckBox* CheckBox10;  // "Require checksum"
  vcl::TCheckBox* CheckBox11;  // "Repeat Incoming NMEA + Proprietary NMEA on"
  vcl::TCGauge* CGauge1;       // "Buffer:", the characters waiting at a receive event
  vcl::TMemo* Memo2;           // "Incoming Data"

  // ---- Ports, NMEA and Micronet output (link/nmeaoutput.cpp) -----------------------------------
  // Builds and sends every template line of Memo1, the wind corrections sentence and the Micronet
  // page values.
  void SendNmeaOutput();
  // Appends the checksum suffix and writes the sentence (at most 82 characters, or nothing) to
  // the instrument port, and to the repeater port when it is ticked and open, as far as the
  // instrument line's rate allows in the present second.
  void SendSentence(const std::string& Sentence);
  static constexpr const char* kTemplatesFile = "nmeaout.txt";
  // Loads "nmeaout.txt" into Memo1, when it exists; lines that are no templates are left out and
  // told of in one box. A file that cannot be read raises.
  void LoadTemplates();
  // OnClick of the nine Micronet boxes, and the 120 s timer: send the page titles.
  void CheckBox2Click(rtl::TObject* Sender);
  void MicronetTimerTimer(rtl::TObject* Sender);

  TComPort* ComPort1 = NewComPort(this, "COM1", true);   // instrument port
  TComPort* ComPort2 = NewComPort(this, "COM2", false);  // repeater port
  vcl::TMemo* Memo1;          // "Custom NMEA Output:", one template a line
  vcl::TCheckBox* CheckBox1;  // "Wind  Corrections"
  // Micronet pages: Performance, Target Speed, True Wind Direction, Time To Layline, Distance to
  // WPT, Distance to layline, Current direction, Current speed.
  vcl::TCheckBox *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6, *CheckBox7, *CheckBox8,
      *CheckBox9;
  // Sends the page titles every 120 s from the form's creation on.
  vcl::TTimer* MicronetTimer;
  // The main window's computed values; unset, every value is at its start value.
  std::function<TOutputValues()> fOutputValues;

 private:
  void BuildInputPage();
  void BuildDebugPage();
  void SetSources(const TSourceChoices& choices);
  // Opens the input port; one that cannot be opened is told by name, with the reason.
  bool OpenInputPort();
  static TComPort* NewComPort(Tcomms* owner, const std::string& device, bool instrument);
  // The Micronet boxes, the templates memo and the repeater box, and the timer.
  void BuildOutputControls();
  bool fMicronetBoxOpen = false;
  // Output is paced by the instrument port's rate: what one second of the line carries.
  int LineBytesPerSecond() const;
  double LineAllowance();
  void SendWithinLineRate(const std::string& finished);
  double fLineAllowance = -1;  // bytes; negative until the first sentence
  std::uint32_t fLineAllowanceTick = 0;
  // ---- end of ports and output ------------------------------------------------------------------

 private:
  // The input port has (re)opened: what was assembled before is not the start of what comes now.
  void ComPort1AfterOpen(rtl::TObject* Sender);
  void LineComplete(nmea::TLineEnd how);
  // Decoding of one sentence, from its '$' or '!' on. An empty or missing field is no reading:
  // the value it would give keeps its last value.
  void DecodeLine(const char* sentence, std::size_t length);
  // The two wind decoders tell whether the sentence gave an angle or a speed.
  bool DecodeWindWithSide(const char* sentence, float& angle, float& speed);
  void DecodeApparentOrTrueWind(const char* sentence);
  bool DecodeWindFullCircle(const char* sentence, float& angle, float& speed);
  void DecodeGroundTrack(const char* sentence, int speedField, int courseField);
  void DecodePosition(const char* sentence, int latField);
  void DecodeDepth(const char* sentence);
  void DecodeSensorHeading(const char* sentence);
  void DecodeAis(const char* sentence);
  void RepeatLine(const char* line, std::size_t length);
};

extern Tcomms* comms;
