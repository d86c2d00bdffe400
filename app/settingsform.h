// The settings dialog: strip-chart smoothing, input damping, ranges and the true wind corrections.
#pragma once

#include <array>

#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

// Everything the dialog edits, in the order of its rows: performance, speed, course, wind speed,
// wind angle, target speed, VMG, true wind direction.
struct TSettingsValues {
  std::array<int, 8> Smoothing{};
  std::array<int, 8> Filter{};
  int RangeLaylines = 10;
  int RangeCircle = 30;
  float TargetAngle = 45;
  float TwaCorrection = 0;
  float TwsCorrection = 0;
};

class TSettings : public vcl::TForm {
 public:
  explicit TSettings(rtl::TComponent* AOwner);

  void SetValues(const TSettingsValues& v);
  // Every field read back. A field that is not a number, or not one the program can work with,
  // raises EConvertError naming the field and its range: then nothing may be applied.
  TSettingsValues Values() const;

  std::array<vcl::TEdit*, 8> SmoothEdits{};     // Edit1 to Edit8, "Smooth (sec)"
  std::array<vcl::TTrackBar*, 8> FilterBars{};  // TrackBar1 to TrackBar8, "Sensor Input Filter"
  vcl::TGroupBox* GroupBox1;                    // "Data Filtering"
  vcl::TGroupBox* GroupBox2;                    // "Ranges/Angles"
  vcl::TGroupBox* GroupBox3;                    // "True Wind Corrections"
  vcl::TEdit* Edit9;                            // "Range Circle"
  vcl::TEdit* Edit10;                           // "Lay Lines"
  vcl::TEdit* Edit11;                           // "Lay Lines Angle"
  vcl::TEdit* Edit12;                           // "Stationary Angle"
  vcl::TEdit* Edit13;                           // "Upwash Factor"
  vcl::TEdit* Edit14;                           // "Speed" correction
  vcl::TBitBtn* BitBtn1;                        // OK
  vcl::TBitBtn* BitBtn2;                        // Cancel
};

extern TSettings* Settings;
