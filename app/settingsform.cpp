#include "app/settingsform.h"

#include <string>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/newchild.h"

TSettings* Settings = nullptr;

namespace {

constexpr const char* kRows[8] = {"Performance", "Speed",        "Course", "Windspeed",
                                  "Wind Angle",  "Target Speed", "VMG",    "True Wind Dir"};
constexpr const char* kSmoothTexts[8] = {"20", "1", "1", "60", "60", "20", "60", "20"};

vcl::TEdit* Field(TSettings* form, const std::string& name, const char* label, const char* text,
                  int top) {
  auto* l = vcl::NewChild<vcl::TLabel>(form, form, name + "Label", 8, top + 4, 130, 20);
  l->SetCaption(label);
  auto* e = vcl::NewChild<vcl::TEdit>(form, form, name, 140, top, 80, 24);
  e->SetText(text);
  return e;
}

bool ReadInt(const vcl::TEdit* e, int& out) {
  return rtl::TryStrToInt(rtl::Trim(e->Text()), out);
}

bool ReadFloat(const vcl::TEdit* e, float& out) {
  double d = 0;
  if (!rtl::TryStrToFloat(rtl::Trim(e->Text()), d)) return false;
  out = static_cast<float>(d);
  return true;
}

}  // namespace

TSettings::TSettings(rtl::TComponent* AOwner) : TForm(AOwner) {
  SetName("Settings");
  SetCaption("Settings");
  SetBorderStyle(vcl::bsDialog);
  SetBounds(0, 0, 460, 520);
  SetPosition(vcl::poMainFormCenter);
  for (int i = 0; i < 8; ++i) {
    const int top = 8 + i * 32;
    SmoothEdits[i] = Field(this, "Edit" + std::to_string(i + 1), kRows[i], kSmoothTexts[i], top);
    auto* bar = vcl::NewChild<vcl::TTrackBar>(this, this, "TrackBar" + std::to_string(i + 1), 230,
                                              top, 200, 28);
    bar->SetMax(100);
    bar->SetPosition(0);
    FilterBars[i] = bar;
  }
  Edit9 = Field(this, "Edit9", "Range Circle", "30", 272);
  Edit10 = Field(this, "Edit10", "Lay Lines", "10", 304);
  Edit11 = Field(this, "Edit11", "Lay Lines Angle", "45", 336);
  Edit12 = Field(this, "Edit12", "Stationary Angle", "0", 368);
  Edit13 = Field(this, "Edit13", "Upwash Factor", "0", 400);
  Edit14 = Field(this, "Edit14", "Speed", "0", 432);
  BitBtn1 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn1", 140, 470, 90, 28);
  BitBtn1->SetKind(vcl::bkOK);
  BitBtn2 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn2", 240, 470, 90, 28);
  BitBtn2->SetKind(vcl::bkCancel);
}

void TSettings::SetValues(const TSettingsValues& v) {
  for (int i = 0; i < 8; ++i) {
    SmoothEdits[i]->SetText(rtl::IntToStr(v.Smoothing[i]));
    FilterBars[i]->SetPosition(v.Filter[i]);
  }
  Edit10->SetText(rtl::IntToStr(v.RangeLaylines));
  Edit9->SetText(rtl::IntToStr(v.RangeCircle));
  Edit11->SetText(rtl::FloatToStrF(v.TargetAngle, rtl::ffGeneral, 7, 0));
  Edit13->SetText(rtl::FloatToStrF(v.TwaCorrection, rtl::ffGeneral, 7, 0));
  Edit14->SetText(rtl::FloatToStrF(v.TwsCorrection, rtl::ffGeneral, 7, 0));
}

std::optional<TSettingsValues> TSettings::Values() const {
  TSettingsValues v;
  for (int i = 0; i < 8; ++i) {
    if (!ReadInt(SmoothEdits[i], v.Smoothing[i])) return std::nullopt;
    v.Filter[i] = FilterBars[i]->Position();
  }
  if (!ReadInt(Edit10, v.RangeLaylines) || !ReadInt(Edit9, v.RangeCircle) ||
      !ReadFloat(Edit11, v.TargetAngle) || !ReadFloat(Edit13, v.TwaCorrection) ||
      !ReadFloat(Edit14, v.TwsCorrection))
    return std::nullopt;
  return v;
}
