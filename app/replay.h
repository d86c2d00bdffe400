// A log table laid out one sample a second for replay: the records as read, and the seconds
// they cover, with the ring's limit and midnight crossings taken care of.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/table.h"

// Seconds of a day, the range of a log record's Timestamp.
constexpr std::int32_t kSecondsADay = 86400;

// The values of one log record, in the order the history buffers take them.
enum TLogValue : int {
  lvSpeedOverGround,
  lvCourseOverGround,
  lvVmg,
  lvTrueWindSpeed,
  lvTrueWindAngle,
  lvPerformance,
  lvTargetSpeed,
  lvGeoWindAngle,
  lvDepth,
  lvApparentWindAngle,
  lvApparentWindSpeed,
  lvSpeedThroughWater,
  lvHeading,
  lvLongitude,
  lvLatitude,
  lvCount
};

struct TLogRecord {
  std::int32_t Timestamp = 0;  // seconds since midnight
  std::array<double, lvCount> Values{};
  double Datum = NAN;  // the record's date-time when its table holds one (a recording leaves it out)
};

// The log table's field of each value.
const char* LogFieldName(TLogValue v);

// Every record of an open log table, first to last.
std::vector<TLogRecord> ReadLogRecords(db::TTable& table);

struct TReplaySeconds {
  std::int32_t Start = 0;  // first second held
  std::int32_t End = 0;    // last second held
  std::int32_t First = 0;  // the first record's second, also when only the last part is held
  // The first second that holds a recorded position (a record with both Lat and Lon); past End
  // when none does.
  std::int32_t Positioned = INT32_MAX;
  // Midnight of the first record's day as a record's date gives it; 0 when no record has one.
  double Day = 0;
  // One record a second from Start to End: a missing second holds the record before it. Each
  // Timestamp is the clock of its second in seconds since midnight of the first record's day
  // (past 86,400 after midnight): the record's own, or for a held second the clock running on
  // from the record before it.
  std::vector<TLogRecord> Seconds;
  // How many of the records went in (a repeated second, or a record astray behind the others,
  // is left out).
  std::int32_t RecordsUsed = 0;
};

// Lays the records out a second each. A time more than 12 hours before the one before it is the
// next day's (a race through midnight), so later seconds run past 86,400. A time less far back
// that the next record runs on from is a clock set back: its records follow the last one. A lone
// record behind or ahead of the others is left out. Values beyond any reading keep the value
// before them (0 at first), and so does an empty position; any other empty field (an instrument
// that was silent) stays empty (NaN). Positions must be plausible NMEA ddmm.mmm.
// Only the last `limit` seconds are kept.
TReplaySeconds LayOutSeconds(const std::vector<TLogRecord>& records, std::int32_t limit);

// The day in a recording's file name, named as the recorder names them: the short date with its
// separators made '_', then "_<n>" (05_12_2026_1.lg is 5 December 2026 with "dd/mm/yyyy").
// 0 when the name holds no such day.
double RecordingDay(const std::string& file);
