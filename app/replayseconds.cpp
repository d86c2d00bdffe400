// A log table's records read and laid out one per second for replay.
#include <cmath>
#include <vector>

#include "app/replay.h"

namespace {

constexpr std::int32_t kHalfDay = kSecondsADay / 2;
// Days run on past midnight only so far that seconds stay well inside 32 bits.
constexpr std::int64_t kLastSecond = std::int64_t{1} << 30;
// Nothing a log holds comes near this; beyond it a value is no reading.
constexpr double kWildValue = 1e6;
// NMEA ddmm.mmm limits of latitude and longitude.
constexpr double kMaxLatitude = 9000;
constexpr double kMaxLongitude = 18000;

constexpr const char* kFieldNames[lvCount] = {
    "speedog", "courseog", "VMG", "tws",   "twa",     "Performance", "TargetSpeed", "GeoWindAngle",
    "Depth",   "awa",      "aws", "Speed", "Heading", "Lon",         "Lat"};

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
  std::vector<TLogRecord> out;
  out.reserve(static_cast<size_t>(table.RecordCount()));
  for (table.First(); !table.Eof(); table.Next()) {
    TLogRecord r;
    // An empty time is no time (it would read as midnight), and is left out as one outside the
    // day is.
    r.Timestamp = stamp->IsNull() ? -1 : stamp->AsInteger();
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
  std::int64_t offset = 0;  // added to a record's time: whole days, and clocks set back
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
    if (!first && r.Timestamp < previousRaw - kHalfDay) offset += kSecondsADay;
    previousRaw = r.Timestamp;
    std::int64_t t = r.Timestamp + offset;
    // A record left out leaves the clock as the one before it had it.
    const auto leaveOut = [&] {
      previousRaw = rawBefore;
      offset = offsetBefore;
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
      if (std::fabs(x) <= Limit(static_cast<int>(v)))  // false for NaN
        last[v] = x;
      clean.Values[v] = last[v];
    }
    if (first) {
      out.First = static_cast<std::int32_t>(t);
      start = next = t;
      lastClock = r.Timestamp;
      lastSecond = t;
      first = false;
    }
    // A gap holds the record before it; more than the ring holds only its last part.
    TLogRecord hold = seconds.empty() ? clean : seconds.back();
    if (t - next >= limit) {
      seconds.clear();
      start = next = t - limit;
    }
    for (; next < t; ++next) {
      hold.Timestamp = static_cast<std::int32_t>((lastClock + next - lastSecond) % kSecondsADay);
      seconds.push_back(hold);
    }
    clean.Timestamp = r.Timestamp;
    seconds.push_back(clean);
    lastClock = r.Timestamp;
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
