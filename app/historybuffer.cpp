#include "app/historybuffer.h"

#include <algorithm>
#include <cmath>
#include <iterator>

// Plain static storage: zero-filled before any code runs, so head starts at 0.
THistoryBuffer DepthHistory;
THistoryBuffer CourseOverGroundHistory;
THistoryBuffer SpeedOverGroundHistory;
THistoryBuffer PerformanceHistory;
THistoryBuffer TrueWindSpeedHistory;
THistoryBuffer TrueWindAngleHistory;
THistoryBuffer VmgHistory;
THistoryBuffer TargetSpeedHistory;
THistoryBuffer GeoWindAngleHistory;
THistoryBuffer LatitudeHistory;
THistoryBuffer LongitudeHistory;
THistoryBuffer ApparentWindAngleHistory;
THistoryBuffer ApparentWindSpeedHistory;
THistoryBuffer SpeedThroughWaterHistory;
THistoryBuffer HeadingHistory;

namespace {

std::int32_t Wrap(std::int64_t index) {
  const std::int64_t r = index % THistoryBuffer::kCapacity;
  return static_cast<std::int32_t>(r < 0 ? r + THistoryBuffer::kCapacity : r);
}

const bool kHistoryReady = (Mainform_InitHistory(), true);

}  // namespace

void THistoryBuffer::Init() {
  capacity = kCapacity;
  std::fill(std::begin(samples), std::end(samples), kEmpty);
}

void THistoryBuffer::Push(float value) {
  head = Wrap(std::int64_t{head} + 1);
  samples[head] = value;
}

std::int32_t THistoryBuffer::IndexBack(std::int32_t n) const {
  return Wrap(std::int64_t{head} - n);
}

float THistoryBuffer::Average(std::int32_t first, std::int32_t step, std::int32_t count) const {
  const std::int32_t k = count < 1 ? 1 : count;
  const std::int64_t start = std::int64_t{first} * step;
  long double sum = 0;
  std::int32_t values = 0;
  for (std::int32_t j = 0; j < k; ++j) {
    const float v = samples[Wrap(std::int64_t{head} - start - j)];
    if (std::isnan(v)) continue;
    sum += v;
    ++values;
  }
  if (values == 0) return NAN;
  const long double mean = sum / values;
  return static_cast<float>(std::clamp<long double>(mean, -kAverageLimit, kAverageLimit));
}

void THistoryBuffer::MoveHead(std::int32_t n) {
  head = Wrap(std::int64_t{head} + n);
}

void THistoryBuffer::Clear() {
  Init();
  head = 0;
}

void Mainform_InitHistory() {
  for (THistoryBuffer* b :
       {&DepthHistory, &CourseOverGroundHistory, &SpeedOverGroundHistory, &PerformanceHistory,
        &TrueWindSpeedHistory, &TrueWindAngleHistory, &VmgHistory, &TargetSpeedHistory,
        &GeoWindAngleHistory, &LatitudeHistory, &LongitudeHistory, &ApparentWindAngleHistory,
        &ApparentWindSpeedHistory, &SpeedThroughWaterHistory, &HeadingHistory}) {
    b->Init();
  }
}
