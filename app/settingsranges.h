// Every key of "corvatalen.ini" with its kind, its range and its default. The settings are read
// through this table: a value that is not a number, not finite or outside its range is read as
// its default, with one line on the standard error; a missing key is its default, silently.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/rtl/inifiles.h"

enum class TSettingKind { Integer, Float, Bool, Text };

struct TSettingRange {
  std::string_view Section;
  std::string_view Key;
  TSettingKind Kind;
  double Min = 0;  // numbers: the smallest and largest value taken, both included
  double Max = 0;
  double Default = 0;            // numbers and Booleans (0 or 1)
  std::string_view TextDefault;  // texts
};

std::span<const TSettingRange> SettingRanges();
// The row of a key; throws std::out_of_range for a key the table does not hold.
const TSettingRange& SettingRange(std::string_view section, std::string_view key);

int ReadSettingInteger(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key);
double ReadSettingFloat(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key);
bool ReadSettingBool(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key);
std::string ReadSettingText(rtl::TCustomIniFile& ini, std::string_view section,
                            std::string_view key);

// Whether value is finite and within the range of a numeric key (Booleans take 0 and 1).
bool SettingAccepts(std::string_view section, std::string_view key, double value);
// Writers through the table: a value it does not accept is written as the key's default, with
// one line on the standard error, so that nothing non-finite or out of range reaches the file.
void WriteSettingInteger(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key,
                         int value);
void WriteSettingFloat(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key,
                       double value);
void WriteSettingBool(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key,
                      bool value);
void WriteSettingText(rtl::TCustomIniFile& ini, std::string_view section, std::string_view key,
                      const std::string& value);
