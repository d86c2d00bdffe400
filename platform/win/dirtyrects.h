#pragma once
// What changed on the screen since the last present, as a few rectangles rather than one box
// around everything: a panel on the left and a gauge on the right are handed on as two small
// rectangles, not as the whole screen between them.
#include <vector>

#include "platform/win/types.h"

namespace win {

class DirtyRects {
 public:
  // More than this many are joined two by two.
  static constexpr size_t kMax = 8;

  // Adds r (an empty one is ignored). It is joined with any rectangle where that costs few
  // pixels that did not change; when the list is full, the two whose join costs least are joined.
  void Add(const RECT& r);
  void Clear() { rects_.clear(); }
  bool Empty() const { return rects_.empty(); }
  // Disjoint or overlapping; their union is what changed.
  const std::vector<RECT>& Rects() const { return rects_; }
  // One rectangle holding all of them (empty when none).
  RECT Bounds() const;

 private:
  std::vector<RECT> rects_;
};

}  // namespace win
