#pragma once
// Regions as lists of rectangles in y-x bands: rectangles of one band share top and bottom, are
// sorted by left and do not touch; bands are sorted top to bottom and identical neighbouring bands
// are merged, so two equal areas have equal lists.
#include <vector>

#include "platform/gdi/types.h"

namespace gdi {

enum class RegionOp { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& r);
  static Region FromRects(const std::vector<RECT>& rects);  // any rectangles, overlapping or not
  // Rows of sorted, disjoint spans [x0, x1), given row by row from the top (rows may be missing).
  struct RowSpan {
    LONG y, x0, x1;
  };
  static Region FromRowSpans(const std::vector<RowSpan>& spans);

  const std::vector<RECT>& Rects() const { return rects_; }
  bool Empty() const { return rects_.empty(); }
  RECT Box() const;
  // 1 empty, 2 one rectangle, 3 more (the NULLREGION, SIMPLEREGION, COMPLEXREGION codes).
  int Complexity() const;

  static Region Combine(const Region& a, const Region& b, RegionOp op);
  void Offset(int dx, int dy);
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& r) const;
  Region Intersected(const RECT& r) const;

  // Rectangles of the band holding row y (empty when none); pointers into Rects().
  std::pair<const RECT*, const RECT*> BandAt(int y) const;

  friend bool operator==(const Region&, const Region&) = default;

 private:
  std::vector<RECT> rects_;
};

}  // namespace gdi
