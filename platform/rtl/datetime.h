#pragma once
// Dates and times as days since 1899-12-30 (integer part) plus the fraction of the day.
#include <cstdint>
#include <string>
#include <string_view>

namespace rtl {

using TDateTime = double;

inline constexpr int HoursPerDay = 24;
inline constexpr int MinsPerDay = 24 * 60;
inline constexpr int SecsPerDay = 24 * 60 * 60;
inline constexpr int MSecsPerDay = SecsPerDay * 1000;

// The texts of DateToStr, TimeToStr and DateTimeToStr; the program's "locale". Format letters
// as in FormatDateTime.
struct TFormatSettings {
  std::string ShortDateFormat = "dd/mm/yyyy";
  std::string LongDateFormat = "dddd, d mmmm yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
};
// Set at start-up by the main thread only.
extern TFormatSettings FormatSettings;

// Local time.
TDateTime Now();
TDateTime Date();
TDateTime Time();

bool IsLeapYear(int Year);
int DaysInAMonth(int Year, int Month);
// Raise EConvertError for an invalid date or time.
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result);
void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime Value);
// 1 for 1 January.
int DayOfTheYear(TDateTime Value);
int64_t MilliSecondOfTheDay(TDateTime Value);
int SecondOfTheDay(TDateTime Value);
TDateTime IncSecond(TDateTime Value, int64_t Seconds);
TDateTime IncDay(TDateTime Value, int Days);

// Seconds since 1970-01-01 (UTC, as the file system keeps them) to a local TDateTime and back.
TDateTime UnixToDateTime(double UnixSeconds, bool ToLocal = true);
double DateTimeToUnix(TDateTime Value, bool FromLocal = true);

// Format letters: c (short date, then long time unless midnight), d dd ddd dddd ddddd (short date)
// dddddd (long date), m mm mmm mmmm (minutes right after h or hh), yy yyyy, h hh, n nn, s ss,
// z zzz, t (short time), tt (long time), am/pm, a/p, / and : (separators), "..." and '...'
// literal text. Anything else is copied.
std::string FormatDateTime(std::string_view Format, TDateTime Value);
std::string DateToStr(TDateTime Value);
std::string TimeToStr(TDateTime Value);
std::string DateTimeToStr(TDateTime Value);

}  // namespace rtl
