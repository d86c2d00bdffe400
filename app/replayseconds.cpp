// A log table's records read and laid out one per second for replay.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>
#include <vector>

#include "app/replay.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"

namespace {

constexpr std::int32_t kHalfDay = kSecondsADay / 2;
// Days run on past midnight only so far that seconds stay well inside 32 bits.
constexpr std::int64_t kLastSecond = std::int64_t{1} << 30;
// Nothing a log holds comes near this; beyond it a value is no reading.
constexpr double kWildValue = 1e6;
// The day after 31 December 9999.
constexpr double kLastDay = 2958466;
// NMEA ddmm.mmm limits of latitude and longitude.
constexpr double kMaxLatitude = 9000;
constexpr double kMaxLongitude = 18000;

constexpr const char* kFieldNames[lvCount] = {
    "speedog", "courseog", "VMG", "tws",   "twa",     "Performance", "TargetSpeed", "GeoWindAngle",
    "Depth",   "awa",      "aws", "Speed", "Heading", "Lon",         "Lat"};

// A recording leaves a value empty while its instrument was silent, and so what was made from it:
// the replay shows it so, not the value before the silence. The position is left empty only
// before the first fix, and a damaged one keeps the last.
bool EmptyIsNoValue(size_t v) {
  return v != lvLatitude && v != lvLongitude;
}

double Limit(int v) {
  if (v == lvLatitude) return kMaxLatitude;
  if (v == lvLongitude) return kMaxLongitude;
  return kWildValue;
}

}  // namespace

const char* LogFieldName(TLogValue v) {
  return kFieldNames[v];
}

std::vector<TLogRecord> ReadLogRecords(db::TTable& table) {
  std::array<db::TField*, lvCount> fields{};
  for (int v = 0; v < lvCount; ++v)
    fields[static_cast<size_t>(v)] = table.FieldByName(kFieldNames[v]);
  db::TField* stamp = table.FieldByName("Timestamp");
  db::TField* datum = table.FindField("datum");
  std::vector<TLogRecord> out;
  out.reserve(static_cast<size_t>(table.RecordCount()));
  for (table.First(); !table.Eof(); table.Next()) {
    TLogRecord r;
    // An empty time is no time (it would read as midnight), and is left out as one outside the
    // day is.
    r.Timestamp = stamp->IsNull() ? -1 : stamp->AsInteger();
    if (datum != nullptr && !datum->IsNull()) r.Datum = datum->AsDateTime();
    for (int v = 0; v < lvCount; ++v) {
      db::TField* f = fields[static_cast<size_t>(v)];
      r.Values[static_cast<size_t>(v)] = f->IsNull() ? NAN : f->AsFloat();
    }
    out.push_back(r);
  }
  return out;
}

namespace {

// For each record, the next one with a time of the day, or none: found in one pass, so that a
// long damaged tail is not walked again for every record before it.
std::vector<const TLogRecord*> NextTimed(const std::vector<TLogRecord>& records) {
  std::vector<const TLogRecord*> next(records.size(), nullptr);
  const TLogRecord* following = nullptr;
  for (size_t i = records.size(); i-- > 0;) {
    next[i] = following;
    if (records[i].Timestamp >= 0 && records[i].Timestamp < kSecondsADay) following = &records[i];
  }
  return next;
}

// The second of raw time `raw` on the day of `after` (raw too): a time more than 12 hours before
// it is the next day's.
std::int64_t OnTheDayOf(std::int32_t raw, std::int32_t after) {
  return raw < after - kHalfDay ? std::int64_t{raw} + kSecondsADay : raw;
}

}  // namespace

TReplaySeconds LayOutSeconds(const std::vector<TLogRecord>& records, std::int32_t limit) {
  TReplaySeconds out;
  if (limit < 1) return out;
  std::array<double, lvCount> last{};
  bool latitudeRead = false, longitudeRead = false;
  std::int64_t offset = 0;  // added to a record's time: whole days, and clocks set back
  std::int64_t days = 0;    // midnights since the first record
  std::int64_t previousRaw = 0;
  std::int64_t next = 0;  // the next second to fill
  // The clock of the last record laid out, and its second: a held second reads on from it.
  std::int64_t lastClock = 0;
  std::int64_t lastSecond = 0;
  bool first = true;
  std::vector<TLogRecord> seconds;
  std::int64_t start = 0;
  const std::vector<const TLogRecord*> nextTimed = NextTimed(records);
  for (size_t i = 0; i < records.size(); ++i) {
    const TLogRecord& r = records[i];
    // A clock outside the day is no time at all.
    if (r.Timestamp < 0 || r.Timestamp >= kSecondsADay) continue;
    const std::int64_t rawBefore = previousRaw;
    const std::int64_t offsetBefore = offset;
    const std::int64_t daysBefore = days;
    if (!first && r.Timestamp < previousRaw - kHalfDay) {
      offset += kSecondsADay;
      ++days;
    }
    previousRaw = r.Timestamp;
    std::int64_t t = r.Timestamp + offset;
    // A record left out leaves the clock as the one before it had it.
    const auto leaveOut = [&] {
      previousRaw = rawBefore;
      offset = offsetBefore;
      days = daysBefore;
    };
    const TLogRecord* after = first ? nullptr : nextTimed[i];
    if (!first && t > next && after != nullptr) {
      // Ahead of the seconds laid out: a gap, unless the record after it goes on from before it,
      // when it is one record astray and would leave a gap that is none.
      const std::int64_t then =
          OnTheDayOf(after->Timestamp, static_cast<std::int32_t>(rawBefore)) + offsetBefore;
      if (then >= next && then < t) {
        leaveOut();
        continue;
      }
    }
    if (!first && t < next) {
      // Behind the seconds laid out: a repeated second, or one record astray, is left out. When
      // the record after it runs on from it, the clock was set back (the end of summer time, a
      // correction): the records are the race going on, and follow the last one.
      const std::int64_t then =
          after == nullptr ? t : OnTheDayOf(after->Timestamp, r.Timestamp) + offset;
      if (then <= t || then >= next) {
        leaveOut();
        continue;
      }
      offset += next - t;
      t = next;
    }
    if (t > kLastSecond) break;
    TLogRecord clean = r;
    for (size_t v = 0; v < lvCount; ++v) {
      const double x = r.Values[v];
      if (std::fabs(x) <= Limit(static_cast<int>(v)) || (std::isnan(x) && EmptyIsNoValue(v)))
        last[v] = x;
      clean.Values[v] = last[v];
    }
    // The clock from midnight of the first record's day.
    const std::int64_t clock = r.Timestamp + days * kSecondsADay;
    if (first) {
      out.First = static_cast<std::int32_t>(t);
      start = next = t;
      lastClock = clock;
      lastSecond = t;
      first = false;
    }
    // Positioned from the first second that holds both a latitude and a longitude read (a
    // recording leaves them empty before its first fix).
    latitudeRead = latitudeRead || std::fabs(r.Values[lvLatitude]) <= kMaxLatitude;
    longitudeRead = longitudeRead || std::fabs(r.Values[lvLongitude]) <= kMaxLongitude;
    if (latitudeRead && longitudeRead && out.Positioned == INT32_MAX)
      out.Positioned = static_cast<std::int32_t>(t);
    // Dates outside the calendar (before 1900 or after 9999) are none.
    if (out.Day == 0 && r.Datum >= 1 && r.Datum < kLastDay)  // false for NaN
      out.Day = std::floor(r.Datum) - static_cast<double>(days);
    // A gap holds the record before it; more than the ring holds only its last part.
    TLogRecord hold = seconds.empty() ? clean : seconds.back();
    if (t - next >= limit) {
      seconds.clear();
      start = next = t - limit;
    }
    for (; next < t; ++next) {
      hold.Timestamp = static_cast<std::int32_t>(lastClock + next - lastSecond);
      seconds.push_back(hold);
    }
    clean.Timestamp = static_cast<std::int32_t>(clock);
    seconds.push_back(clean);
    lastClock = clock;
    lastSecond = t;
    ++next;
    ++out.RecordsUsed;
    if (seconds.size() >= 2 * static_cast<size_t>(limit)) {
      seconds.erase(seconds.begin(), seconds.begin() + limit);
      start += limit;
    }
  }
  if (seconds.empty()) return out;
  const std::int64_t count = static_cast<std::int64_t>(seconds.size());
  const std::int64_t drop = count > limit ? count - limit : 0;
  out.Start = static_cast<std::int32_t>(start + drop);
  out.End = static_cast<std::int32_t>(start + count - 1);
  out.Seconds.assign(seconds.begin() + drop, seconds.end());
  return out;
}

double RecordingDay(const std::string& file) {
  const std::string stem = rtl::ChangeFileExt(rtl::ExtractFileName(file), "");
  const auto digit = [&](size_t i) {
    return i < stem.size() && std::isdigit(static_cast<unsigned char>(stem[i])) != 0;
  };
  // Three numbers of at most four digits, each with one character after it, the last a '_'
  // before the counter.
  std::array<int, 3> numbers{};
  size_t at = 0;
  for (int& n : numbers) {
    const size_t from = at;
    for (n = 0; digit(at) && at - from < 4; ++at) n = n * 10 + (stem[at] - '0');
    if (at == from || at >= stem.size() || digit(at)) return 0;
    ++at;
  }
  if (stem[at - 1] != '_' || !digit(at)) return 0;
  // The numbers stand in the order of the short date's day, month and year.
  const std::string& format = rtl::FormatSettings.ShortDateFormat;
  std::array<std::pair<size_t, int*>, 3> order{};
  int day = 0, month = 0, year = 0;
  const std::array<std::pair<const char*, int*>, 3> parts = {
      {{"dD", &day}, {"mM", &month}, {"yY", &year}}};
  for (size_t i = 0; i < parts.size(); ++i) {
    order[i] = {format.find_first_of(parts[i].first), parts[i].second};
    if (order[i].first == std::string::npos) return 0;
  }
  std::sort(order.begin(), order.end());
  for (size_t i = 0; i < order.size(); ++i) *order[i].second = numbers[i];
  if (year < 100) year += 2000;  // a two-digit year of this century's recorders
  rtl::TDateTime date = 0;
  return rtl::TryEncodeDate(year, month, day, date) ? date : 0;
}
