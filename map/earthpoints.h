#pragma once
// The two process-wide device point buffers of the map engine: the projection models write
// projected points into gaPoints by index, clipping moves them between the two, drawing reads
// gaPoints. They grow on demand, so a long track or a ring doubled by clipping always fits.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "map/earthsysutils.h"

class TEarthPointBuffer {
 public:
  // The point at index i, the buffer grown to hold it.
  TEarthDevicePoint& operator[](int32_t i) {
    const auto n = static_cast<size_t>(i);
    if (n >= points_.size()) Grow(n + 1);
    return points_[n];
  }
  TEarthDevicePoint* Data() { return points_.data(); }
  size_t Capacity() const { return points_.size(); }
  // Room for at least n points.
  void Reserve(size_t n) {
    if (n > points_.size()) Grow(n);
  }
  void Release() { std::vector<TEarthDevicePoint>().swap(points_); }

 private:
  void Grow(size_t n) { points_.resize(std::max(n, points_.size() * 2)); }
  std::vector<TEarthDevicePoint> points_;
};

// 131,073 points (1,048,584 bytes) when the first map control is made.
inline constexpr size_t EarthPointBufferStart = 131'073;

extern TEarthPointBuffer gaPoints;
extern TEarthPointBuffer gaClipPoints;
