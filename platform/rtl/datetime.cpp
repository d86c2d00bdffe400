#include "platform/rtl/datetime.h"

#include <cmath>
#include <ctime>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

namespace rtl {

TFormatSettings FormatSettings;

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

constexpr int64_t kUnixDelta = 25569;  // 1970-01-01 as TDateTime

// Whole days (from 1899-12-30) and milliseconds of the day; negative values keep their date in
// the integer part and count the time forward from it.
void Split(TDateTime v, int64_t& days, int64_t& ms) {
  if (!std::isfinite(v) || std::fabs(v) > 3e6) throw EConvertError("Invalid date/time value");
  if (v >= 0) {
    const int64_t total = std::llround(v * MSecsPerDay);
    days = total / MSecsPerDay;
    ms = total % MSecsPerDay;
    return;
  }
  days = static_cast<int64_t>(std::trunc(v));
  ms = std::min<int64_t>(std::llround(std::fabs(v - std::trunc(v)) * MSecsPerDay), MSecsPerDay - 1);
}

const char* const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

}  // namespace

bool IsLeapYear(int Year) {
  return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

int DaysInAMonth(int Year, int Month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return Month == 2 && IsLeapYear(Year) ? 29 : kDays[Month - 1];
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
      Day > DaysInAMonth(Year, Month)) {
    return false;
  }
  Result = static_cast<TDateTime>(DaysFromCivil(Year, Month, Day) + kUnixDelta);
  return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 ||
      MSec > 999) {
    return false;
  }
  Result = ((Hour * 60 + Min) * 60 + Sec) * 1000.0 + MSec;
  Result /= MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime r = 0;
  if (!TryEncodeDate(Year, Month, Day, r)) throw EConvertError("Invalid argument to date encode");
  return r;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime r = 0;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, r)) {
    throw EConvertError("Invalid argument to time encode");
  }
  return r;
}

void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day) {
  int64_t days = 0;
  int64_t ms = 0;
  Split(Value, days, ms);
  CivilFromDays(days - kUnixDelta, Year, Month, Day);
}

void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec) {
  int64_t days = 0;
  int64_t ms = 0;
  Split(Value, days, ms);
  Hour = static_cast<int>(ms / 3600000);
  Min = static_cast<int>(ms / 60000 % 60);
  Sec = static_cast<int>(ms / 1000 % 60);
  MSec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime Value) {
  int64_t days = 0;
  int64_t ms = 0;
  Split(Value, days, ms);
  // 1899-12-30 was a Saturday (7).
  return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

int DayOfTheYear(TDateTime Value) {
  int y = 0, m = 0, d = 0;
  DecodeDate(Value, y, m, d);
  return static_cast<int>(DaysFromCivil(y, m, d) - DaysFromCivil(y, 1, 1)) + 1;
}

int64_t MilliSecondOfTheDay(TDateTime Value) {
  int64_t days = 0;
  int64_t ms = 0;
  Split(Value, days, ms);
  return ms;
}

int SecondOfTheDay(TDateTime Value) {
  return static_cast<int>(MilliSecondOfTheDay(Value) / 1000);
}

TDateTime IncSecond(TDateTime Value, int64_t Seconds) {
  return Value + static_cast<double>(Seconds) / SecsPerDay;
}

TDateTime IncDay(TDateTime Value, int Days) {
  return Value + Days;
}

TDateTime UnixToDateTime(double UnixSeconds, bool ToLocal) {
  const double whole = std::floor(UnixSeconds);
  const double fraction = UnixSeconds - whole;
  double offset = 0;
  if (ToLocal) {
    const time_t t = static_cast<time_t>(whole);
    struct tm local {};
    if (localtime_r(&t, &local)) offset = static_cast<double>(local.tm_gmtoff);
  }
  return (whole + offset + fraction) / SecsPerDay + kUnixDelta;
}

double DateTimeToUnix(TDateTime Value, bool FromLocal) {
  const double seconds = (Value - kUnixDelta) * SecsPerDay;
  if (!FromLocal) return seconds;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  DecodeDate(Value, y, mo, d);
  DecodeTime(Value, h, mi, s, ms);
  struct tm local {};
  local.tm_year = y - 1900;
  local.tm_mon = mo - 1;
  local.tm_mday = d;
  local.tm_hour = h;
  local.tm_min = mi;
  local.tm_sec = s;
  local.tm_isdst = -1;
  return static_cast<double>(mktime(&local)) + ms / 1000.0;
}

TDateTime Now() {
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  return UnixToDateTime(static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9, true);
}

TDateTime Date() {
  return std::floor(Now());
}
TDateTime Time() {
  const TDateTime n = Now();
  return n - std::floor(n);
}

namespace {

std::string Two(int v) {
  return Format("%02d", v);
}

void FormatInto(std::string& out, std::string_view f, TDateTime value, int depth);

bool StartsWithText(std::string_view f, size_t i, std::string_view what) {
  return f.size() - i >= what.size() && SameText(f.substr(i, what.size()), what);
}

void FormatInto(std::string& out, std::string_view f, TDateTime value, int depth) {
  if (depth > 2) return;  // a settings format naming itself
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  bool afterHour = false;
  // With an AM/PM marker the hours run 1 to 12.
  const std::string lower = LowerCase(f);
  if (lower.find("am/pm") != std::string::npos || lower.find("a/p") != std::string::npos) {
    h = h % 12 == 0 ? 12 : h % 12;
  }
  const bool pm = MilliSecondOfTheDay(value) >= 12 * 3600000;
  size_t i = 0;
  while (i < f.size()) {
    const char c = f[i];
    const char lc = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    size_t run = 1;
    while (i + run < f.size() && (f[i + run] | 0x20) == lc && lc >= 'a' && lc <= 'z') ++run;
    if (c == '"' || c == '\'') {
      const size_t end = f.find(c, i + 1);
      const size_t stop = end == std::string_view::npos ? f.size() : end;
      out.append(f.substr(i + 1, stop - i - 1));
      i = stop + 1;
      continue;
    }
    if (StartsWithText(f, i, "am/pm")) {
      out += !pm ? FormatSettings.TimeAMString : FormatSettings.TimePMString;
      i += 5;
      continue;
    }
    if (StartsWithText(f, i, "a/p")) {
      out += !pm ? (c == 'A' ? "A" : "a") : (c == 'A' ? "P" : "p");
      i += 3;
      continue;
    }
    bool hour = false;
    switch (lc) {
      case 'c':
        FormatInto(out, FormatSettings.ShortDateFormat, value, depth + 1);
        if (MilliSecondOfTheDay(value) != 0) {
          out += ' ';
          FormatInto(out, FormatSettings.LongTimeFormat, value, depth + 1);
        }
        run = 1;
        break;
      case 'd':
        if (run == 1) out += std::to_string(d);
        if (run == 2) out += Two(d);
        if (run == 3) out += kShortDays[DayOfWeek(value) - 1];
        if (run == 4) out += kLongDays[DayOfWeek(value) - 1];
        if (run == 5) FormatInto(out, FormatSettings.ShortDateFormat, value, depth + 1);
        if (run >= 6) {
          FormatInto(out, FormatSettings.LongDateFormat, value, depth + 1);
          run = 6;
        }
        break;
      case 'm':
        if (afterHour && run <= 2) {
          out += run == 1 ? std::to_string(mi) : Two(mi);
        } else {
          if (run == 1) out += std::to_string(mo);
          if (run == 2) out += Two(mo);
          if (run == 3) out += kShortMonths[mo - 1];
          if (run >= 4) {
            out += kLongMonths[mo - 1];
            run = 4;
          }
        }
        break;
      case 'y':
        out += run <= 2 ? Two(y % 100) : Format("%04d", y);
        break;
      case 'h':
        out += run == 1 ? std::to_string(h) : Two(h);
        run = std::min<size_t>(run, 2);
        hour = true;
        break;
      case 'n':
        out += run == 1 ? std::to_string(mi) : Two(mi);
        run = std::min<size_t>(run, 2);
        break;
      case 's':
        out += run == 1 ? std::to_string(s) : Two(s);
        run = std::min<size_t>(run, 2);
        break;
      case 'z':
        out += run < 3 ? std::to_string(ms) : Format("%03d", ms);
        run = std::min<size_t>(run, 3);
        break;
      case 't':
        FormatInto(out, run == 1 ? FormatSettings.ShortTimeFormat : FormatSettings.LongTimeFormat,
                   value, depth + 1);
        run = std::min<size_t>(run, 2);
        break;
      case '/':
        out += FormatSettings.DateSeparator;
        break;
      case ':':
        out += FormatSettings.TimeSeparator;
        break;
      default:
        out.append(f.substr(i, run));
    }
    if (lc >= 'a' && lc <= 'z' && lc != 'm') afterHour = hour;
    i += run;
  }
}

}  // namespace

std::string FormatDateTime(std::string_view Format, TDateTime Value) {
  std::string out;
  FormatInto(out, Format, Value, 0);
  return out;
}

std::string DateToStr(TDateTime Value) {
  return FormatDateTime(FormatSettings.ShortDateFormat, Value);
}

std::string TimeToStr(TDateTime Value) {
  return FormatDateTime(FormatSettings.LongTimeFormat, Value);
}

std::string DateTimeToStr(TDateTime Value) {
  return FormatDateTime("c", Value);
}

}  // namespace rtl
