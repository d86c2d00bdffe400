#include "app/settingsranges.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "platform/rtl/sysutils.h"

namespace {

using K = TSettingKind;

// Smoothing lengths are samples of one second: at least one, at most ten minutes. Damping is a
// percentage. The sources are the two choices of their radio groups. The layline angle lies
// strictly between head to wind and a beam reach. The TWS correction is knots added to the true
// wind; the upwash factor divides the wind above 5 kn into degrees (0: no upwash).
constexpr std::array kRanges = {
    TSettingRange{"comms", "comport", K::Text, 0, 0, 0, "COM1"},
    TSettingRange{"settings", "performance", K::Integer, 1, 600, 20},
    TSettingRange{"settings", "speed", K::Integer, 1, 600, 1},
    TSettingRange{"settings", "course", K::Integer, 1, 600, 1},
    TSettingRange{"settings", "windspeed", K::Integer, 1, 600, 30},
    TSettingRange{"settings", "windangle", K::Integer, 1, 600, 30},
    TSettingRange{"settings", "targetspeed", K::Integer, 1, 600, 10},
    TSettingRange{"settings", "geowindangle", K::Integer, 1, 600, 30},
    TSettingRange{"settings", "vmg", K::Integer, 1, 600, 10},
    TSettingRange{"settings", "fperformance", K::Integer, 0, 100, 0},
    TSettingRange{"settings", "fspeed", K::Integer, 0, 100, 0},
    TSettingRange{"settings", "fcourse", K::Integer, 0, 100, 0},
    TSettingRange{"settings", "fwindspeed", K::Integer, 0, 100, 0},
    TSettingRange{"settings", "fwindangle", K::Integer, 0, 100, 0},
    TSettingRange{"settings", "ftargetspeed", K::Integer, 0, 100, 0},
    TSettingRange{"settings", "fgeowindangle", K::Integer, 0, 100, 0},
    TSettingRange{"settings", "fvmg", K::Integer, 0, 100, 0},
    TSettingRange{"settings", "speedsource", K::Integer, 0, 1, 0},
    TSettingRange{"settings", "headingsource", K::Integer, 0, 1, 0},
    TSettingRange{"settings", "nmeawind", K::Integer, 0, 1, 0},
    TSettingRange{"settings", "windsource", K::Integer, 0, 1, 0},
    TSettingRange{"settings", "rangelaylines", K::Integer, 1, 10000, 10},  // nautical miles
    TSettingRange{"settings", "rangecircle", K::Integer, 1, 10000, 30},    // minutes
    TSettingRange{"settings", "twscorrection", K::Float, -20, 20, 0},
    TSettingRange{"settings", "twacorrection", K::Float, 0, 100, 0},
    TSettingRange{"settings", "targetangle", K::Float, 1, 89, 45},
    TSettingRange{"settings", "sendwindcorrection", K::Bool},
    TSettingRange{"settings", "sendperformance", K::Bool},
    TSettingRange{"settings", "sendtargetspeed", K::Bool},
    TSettingRange{"settings", "sendtruewinddirection", K::Bool},
    TSettingRange{"settings", "sendtimetoll", K::Bool},
    TSettingRange{"settings", "senddistancetowpt", K::Bool},
    TSettingRange{"settings", "senddistancetoll", K::Bool},
    TSettingRange{"settings", "sendcurrentangle", K::Bool},
    TSettingRange{"settings", "sendcurrentspeed", K::Bool},
    TSettingRange{"settings", "globescale", K::Float, 0, 1e12, 0},  // 0: the map's own scale
    TSettingRange{"video", "VSource", K::Text, 0, 0, 0, ""},
    TSettingRange{"video", "ASource", K::Text, 0, 0, 0, ""},
    TSettingRange{"video", "VComp", K::Text, 0, 0, 0, ""},
    TSettingRange{"video", "AComp", K::Text, 0, 0, 0, ""},
    TSettingRange{"video", "DVResolution", K::Integer, 0, 255, 16},  // bytes of the capture record
    TSettingRange{"video", "Pixelformat", K::Integer, 0, 255, 0},
    // The last position, degrees and minutes as the sentences give them (ddmm.mmmm, dddmm.mmmm).
    TSettingRange{"restore", "lat", K::Float, -9000, 9000, 0},
    TSettingRange{"restore", "lon", K::Float, -18000, 18000, 0},
};

// The value as a number, or the default (with the line on the standard error) when it is present
// but not a number in range.
double ReadNumber(rtl::TCustomIniFile& ini, const TSettingRange& r) {
  const std::string text = rtl::Trim(ini.ReadString(r.Section, r.Key, ""));
  if (text.empty()) return r.Default;
  double value = 0;
  bool ok = false;
  if (r.Kind == TSettingKind::Float) {
    ok = rtl::TryStrToFloat(text, value) && std::isfinite(value);
  } else {
    int i = 0;
    ok = rtl::TryStrToInt(text, i);
    value = i;
  }
  const bool bounded = r.Kind == TSettingKind::Bool;
  if (ok && (bounded || (value >= r.Min && value <= r.Max))) return value;
  std::string range;
  if (!bounded) range = " (" + rtl::FloatToStr(r.Min) + " to " + rtl::FloatToStr(r.Max) + ")";
  std::fprintf(stderr, "corvatalen: [%.*s] %.*s=%s is not a valid value%s; %s is used\n",
               static_cast<int>(r.Section.size()), r.Section.data(), static_cast<int>(r.Key.size()),
               r.Key.data(), text.c_str(), range.c_str(), rtl::FloatToStr(r.Default).c_str());
  return r.Default;
}

const TSettingRange& Row(std::string_view section, std::string_view key, TSettingKind kind) {
  const TSettingRange& r = SettingRange(section, key);
  if (r.Kind != kind) throw std::out_of_range("setting read as another kind: " + std::string(key));
  return r;
}

}  // namespace

std::span<const TSettingRange> SettingRanges() {
  return kRanges;
}

const TSettingRange& SettingRange(std::string_view section, std::string_view key) {
  for (const TSettingRange& r : kRanges)
    if (r.Section == section && r.Key == key) return r;
  throw std::out_of_range("no such setting: [" + std::string(section) + "] " + std::string(key));
}

int ReadSettingInteger(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key) {
  return static_cast<int>(ReadNumber(ini, Row(section, key, TSettingKind::Integer)));
}

double ReadSettingFloat(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key) {
  return ReadNumber(ini, Row(section, key, TSettingKind::Float));
}

bool ReadSettingBool(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key) {
  return ReadNumber(ini, Row(section, key, TSettingKind::Bool)) != 0;
}

std::string ReadSettingText(rtl::TCustomIniFile& ini, std::string_view section,
                            std::string_view key) {
  const TSettingRange& r = Row(section, key, TSettingKind::Text);
  return ini.ReadString(r.Section, r.Key, std::string(r.TextDefault));
}

bool SettingAccepts(std::string_view section, std::string_view key, double value) {
  const TSettingRange& r = SettingRange(section, key);
  if (r.Kind == TSettingKind::Text || !std::isfinite(value)) return false;
  if (r.Kind == TSettingKind::Bool) return value == 0 || value == 1;
  return value >= r.Min && value <= r.Max;
}

namespace {

// The value the table lets reach the file.
double Writable(const TSettingRange& r, double value) {
  if (SettingAccepts(r.Section, r.Key, value)) return value;
  std::fprintf(stderr, "corvatalen: [%.*s] %.*s=%s is not a valid value; %s is written\n",
               static_cast<int>(r.Section.size()), r.Section.data(), static_cast<int>(r.Key.size()),
               r.Key.data(), rtl::FloatToStr(value).c_str(), rtl::FloatToStr(r.Default).c_str());
  return r.Default;
}

}  // namespace

void WriteSettingInteger(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key,
                         int value) {
  const TSettingRange& r = Row(section, key, TSettingKind::Integer);
  ini.WriteInteger(r.Section, r.Key, static_cast<int>(Writable(r, value)));
}

void WriteSettingFloat(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key,
                       double value) {
  const TSettingRange& r = Row(section, key, TSettingKind::Float);
  ini.WriteFloat(r.Section, r.Key, Writable(r, value));
}

void WriteSettingBool(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key,
                      bool value) {
  const TSettingRange& r = Row(section, key, TSettingKind::Bool);
  ini.WriteBool(r.Section, r.Key, value);
}

void WriteSettingText(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key,
                      const std::string& value) {
  const TSettingRange& r = Row(section, key, TSettingKind::Text);
  ini.WriteString(r.Section, r.Key, value);
}
