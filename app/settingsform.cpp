#include "app/settingsform.h"

#include <cmath>
#include <string>

#include "app/settingsranges.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/newchild.h"

TSettings* Settings = nullptr;

namespace {

constexpr const char* kRows[8] = {"Performance", "Speed",        "Course", "Windspeed",
                                  "Wind Angle",  "Target Speed", "VMG",    "True Wind Dir"};
constexpr const char* kSmoothTexts[8] = {"20", "1", "1", "60", "60", "20", "60", "20"};
// The settings file's keys of the rows, whose ranges the fields take.
constexpr const char* kRowKeys[8] = {"performance", "speed",       "course", "windspeed",
                                        "windangle",   "targetspeed", "vmg",    "geowindangle"};

vcl::TLabel* Label(TSettings* form, vcl::TWinControl* parent, const std::string& name,
                  const char* caption, int x, int y, int width = 110) {
  auto* l = vcl::NewChild<vcl::TLabel>(form, parent, name, x, y, width, 16);
  l->SetCaption(caption);
  return l;
}

// A labelled field with its unit, in a group.
vcl::TEdit* Field(TSettings* form, vcl::TGroupBox* group, const std::string& name,
                  const char* label, const char* text, const char* unit, int y) {
  Label(form, group, name + "Label", label, 10, y + 3);
  auto* e = vcl::NewChild<vcl::TEdit>(form, group, name, 124, y, 60, 21);
  e->SetText(text);
  if (*unit != '\0') Label(form, group, name + "Unit", unit, 190, y + 3, 40);
  return e;
}

std::string Range(const TSettingRange& r) {
  return rtl::Format("from %s to %s", rtl::FloatToStr(r.Min), rtl::FloatToStr(r.Max));
}

[[noreturn]] void Refuse(const std::string& field, const TSettingRange& r, bool whole) {
  throw rtl::EConvertError(rtl::Format("%s must be %s %s.", field,
                                       whole ? "a whole number" : "a number", Range(r)));
}

int ReadInt(const vcl::TEdit* e, const std::string& field, const char* key) {
  const TSettingRange& r = SettingRange("settings", key);
  int v = 0;
  if (!rtl::TryStrToInt(rtl::Trim(e->Text()), v) || !SettingAccepts("settings", key, v))
    Refuse(field, r, true);
  return v;
}

float ReadFloat(const vcl::TEdit* e, const std::string& field, const char* key) {
  const TSettingRange& r = SettingRange("settings", key);
  double d = 0;
  if (!rtl::TryStrToFloat(rtl::Trim(e->Text()), d) || !SettingAccepts("settings", key, d))
    Refuse(field, r, false);
  return static_cast<float>(d);
}

std::string FloatText(float v) {
  return rtl::FloatToStrF(v, rtl::ffGeneral, 7, 0);
}

}  // namespace

TSettings::TSettings(rtl::TComponent* AOwner) : TForm(AOwner) {
  SetName("Settings");
  SetCaption("Settings");
  SetBorderStyle(vcl::bsDialog);
  SetBounds(0, 0, 496, 530);
  SetPosition(vcl::poMainFormCenter);

  GroupBox1 = vcl::NewChild<vcl::TGroupBox>(this, this, "GroupBox1", 8, 8, 474, 300);
  GroupBox1->SetCaption("Data Filtering");
  Label(this, GroupBox1, "StripchartLabel", "Stripchart", 124, 18, 80);
  Label(this, GroupBox1, "SmoothLabel", "Smooth (sec)", 124, 34, 80);
  Label(this, GroupBox1, "FilterLabel", "Sensor Input Filter", 280, 18, 150);
  Label(this, GroupBox1, "ZeroLabel", "0%", 222, 34, 30);
  Label(this, GroupBox1, "HundredLabel", "100%", 424, 34, 40);
  for (int i = 0; i < 8; ++i) {
    const int top = 56 + i * 30;
    const std::string n = std::to_string(i + 1);
    Label(this, GroupBox1, "RowLabel" + n, kRows[i], 10, top + 3);
    SmoothEdits[i] = vcl::NewChild<vcl::TEdit>(this, GroupBox1, "Edit" + n, 124, top, 60, 21);
    SmoothEdits[i]->SetText(kSmoothTexts[i]);
    auto* bar = vcl::NewChild<vcl::TTrackBar>(this, GroupBox1, "TrackBar" + n, 214, top - 2, 250,
                                              28);
    bar->SetMax(100);
    bar->SetPosition(0);
    bar->SetFrequency(10);
    bar->SetPageSize(10);
    FilterBars[i] = bar;
  }

  GroupBox2 = vcl::NewChild<vcl::TGroupBox>(this, this, "GroupBox2", 8, 316, 240, 150);
  GroupBox2->SetCaption("Ranges/Angles");
  Edit9 = Field(this, GroupBox2, "Edit9", "Range Circle", "30", "min", 24);
  Edit10 = Field(this, GroupBox2, "Edit10", "Lay Lines", "10", "NM", 54);
  Edit11 = Field(this, GroupBox2, "Edit11", "Lay Lines Angle", "45", "deg", 84);
  Edit12 = Field(this, GroupBox2, "Edit12", "Stationary Angle", "0", "deg", 114);

  GroupBox3 = vcl::NewChild<vcl::TGroupBox>(this, this, "GroupBox3", 256, 316, 226, 150);
  GroupBox3->SetCaption("True Wind Corrections");
  Edit13 = Field(this, GroupBox3, "Edit13", "Upwash Factor", "0", "", 24);
  Edit14 = Field(this, GroupBox3, "Edit14", "Speed", "0", "knots", 54);

  BitBtn1 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn1", 294, 476, 90, 28);
  BitBtn1->SetKind(vcl::bkOK);
  BitBtn2 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn2", 392, 476, 90, 28);
  BitBtn2->SetKind(vcl::bkCancel);
}

void TSettings::SetValues(const TSettingsValues& v) {
  for (int i = 0; i < 8; ++i) {
    SmoothEdits[i]->SetText(rtl::IntToStr(v.Smoothing[i]));
    FilterBars[i]->SetPosition(v.Filter[i]);
  }
  Edit10->SetText(rtl::IntToStr(v.RangeLaylines));
  Edit9->SetText(rtl::IntToStr(v.RangeCircle));
  Edit11->SetText(FloatText(v.TargetAngle));
  Edit13->SetText(FloatText(v.TwaCorrection));
  Edit14->SetText(FloatText(v.TwsCorrection));
}

TSettingsValues TSettings::Values() const {
  TSettingsValues v;
  for (int i = 0; i < 8; ++i) {
    v.Smoothing[i] =
        ReadInt(SmoothEdits[i], std::string("Smooth (sec) of ") + kRows[i], kRowKeys[i]);
    v.Filter[i] = FilterBars[i]->Position();
  }
  v.RangeLaylines = ReadInt(Edit10, "Lay Lines", "rangelaylines");
  v.RangeCircle = ReadInt(Edit9, "Range Circle", "rangecircle");
  v.TargetAngle = ReadFloat(Edit11, "Lay Lines Angle", "targetangle");
  v.TwaCorrection = ReadFloat(Edit13, "Upwash Factor", "twacorrection");
  v.TwsCorrection = ReadFloat(Edit14, "Speed (True Wind Corrections)", "twscorrection");
  return v;
}
