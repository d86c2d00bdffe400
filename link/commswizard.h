#pragma once
// The port wizard: tries the machine's serial ports one after the other, 4 s each, logs every
// port and every sentence type seen there for the first time, counts the sensors found, and
// saves the port and the three source choices that follow from them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/comport.h"
#include "link/nmealine.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timer.h"

class TWizForm : public vcl::TForm {
 public:
  explicit TWizForm(rtl::TComponent* AOwner);

  // Lines are read as the decoder reads them (link/nmealine.h).
  static constexpr int kLineBufferSize = nmea::kLineBufferSize;
  static constexpr int kLastLinePosition = nmea::kLastLinePosition;
  // Each port listens this long; NMEA 0183 instruments talk at this rate.
  static constexpr unsigned kPortMs = 4000;
  static constexpr TBaudRate kBaudRate = br4800;

  // Start values of a scan (at creation).
  void FormCreate(rtl::TObject* Sender);
  // Shown: a clean start, without the sentence types or the log of an earlier scan, Step 2
  // disabled. Only when shown: the conclusion box activates the wizard again, and a reset then
  // would send Step 2 to the first port.
  void FormShow(rtl::TObject* Sender);
  // Hidden in whatever way: the scan stops and the wizard's port is closed, so the instruments'
  // port can open the device again.
  void FormHide(rtl::TObject* Sender);
  void BitBtn3Click(rtl::TObject* Sender);  // Step 1
  void BitBtn1Click(rtl::TObject* Sender);  // Step 2: save
  void BitBtn2Click(rtl::TObject* Sender);  // Cancel
  void Timer1Timer(rtl::TObject* Sender);   // one port step
  void ComPort1RxChar(rtl::TObject* Sender);
  // The detection of one receive event, for characters already read from the port.
  void ReceiveChars(const char* chars, std::size_t count);

  // The number of sensors found: speed log, compass, VMG, any wind, any position.
  int SensorCount() const;

  std::int32_t fPortNumber = 1;
  std::int32_t fPortCount = 0;  // ports of the machine, counted at Step 1
  std::string fCurrentPort;
  std::string fFoundPort = "COM1";
  char fLineBuffer[kLineBufferSize] = {};
  std::int32_t fLineIndex = 0;
  std::int32_t fSeenVHW = 0, fSeenHDG = 0, fSeenVWR = 0, fSeenVWT = 0, fSeenMWV = 0, fSeenVPW = 0,
               fSeenVTG = 0, fSeenDBT = 0, fSeenGLL = 0, fSeenGGA = 0, fSeenRMC = 0, fSeenVDM = 0;
  std::int32_t fWizSpeedSource = 0;
  std::int32_t fWizHeadingSource = 0;
  std::int32_t fWizNmeaWind = 0;

  vcl::TLabel* Label1;  // title
  vcl::TLabel* Label2;  // "Connect your instruments in two simple steps:"
  vcl::TRichEdit* RichEdit1;
  vcl::TBitBtn* BitBtn3;  // Step 1
  vcl::TBitBtn* BitBtn1;  // Step 2
  vcl::TBitBtn* BitBtn2;  // Cancel
  vcl::TTimer* Timer1;
  TComPort* ComPort1;

 private:
  void Log(const std::string& text, vcl::TColor color);
  void LineComplete();
  void ClosePort();
  void Conclude();
};

extern TWizForm* WizForm;
