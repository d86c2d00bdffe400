// Ring buffers of the recent history of the sailing values, one sample a second.
#pragma once

#include <cstdint>
#include <limits>

struct THistoryBuffer {
  static constexpr std::int32_t kCapacity = 60000;
  // What an empty sample holds: no value, as a second without one (charts leave both out).
  static constexpr float kEmpty = std::numeric_limits<float>::quiet_NaN();
  static constexpr float kAverageLimit = 99999.0f;

  // Every sample empty; the head stays where it is.
  void Init();
  void Push(float value);
  // Index of the sample n places before the head, wrapped into the ring.
  std::int32_t IndexBack(std::int32_t n) const;
  // Mean of count samples (at least one) starting first * step places back, within +-99999. A
  // sample that is NaN (no value that second) is left out; NaN when every one is.
  float Average(std::int32_t first, std::int32_t step, std::int32_t count) const;
  // Moves the head n places forward (backward when negative), wrapped into the ring.
  void MoveHead(std::int32_t n);
  void Clear();

  float samples[kCapacity];
  std::int32_t head;
  std::int32_t capacity;
};

extern THistoryBuffer DepthHistory;
extern THistoryBuffer CourseOverGroundHistory;
extern THistoryBuffer SpeedOverGroundHistory;
extern THistoryBuffer PerformanceHistory;
extern THistoryBuffer TrueWindSpeedHistory;
extern THistoryBuffer TrueWindAngleHistory;
extern THistoryBuffer VmgHistory;
extern THistoryBuffer TargetSpeedHistory;
extern THistoryBuffer GeoWindAngleHistory;
extern THistoryBuffer LatitudeHistory;
extern THistoryBuffer LongitudeHistory;
extern THistoryBuffer ApparentWindAngleHistory;
extern THistoryBuffer ApparentWindSpeedHistory;
extern THistoryBuffer SpeedThroughWaterHistory;
extern THistoryBuffer HeadingHistory;

// Init of all fifteen buffers; runs once at program start, before any form exists.
void Mainform_InitHistory();
