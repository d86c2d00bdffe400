#pragma once
// The rasteriser underneath the drawing calls: clipped span fills with a binary raster
// operation, the "ink" a span is painted with (solid or a repeating pattern), and the polygon
// scan converter. Coordinates here are surface coordinates.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

namespace gdi {

// Binary raster operation r (R2_BLACK 1 .. R2_WHITE 16) of pen p and destination d.
inline uint32_t Rop2(int r, uint32_t p, uint32_t d) {
  const unsigned t = static_cast<unsigned>(r - 1);
  uint32_t out = 0;
  if (t & 8) out |= p & d;
  if (t & 4) out |= p & ~d;
  if (t & 2) out |= ~p & d;
  if (t & 1) out |= ~p & ~d;
  return out;
}

// Ternary raster operation code (bits 16-23 of a ROP) of pattern p, source s, destination d.
inline uint32_t Rop3(unsigned code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0xCC:
      return s;
    case 0x33:
      return ~s;
    case 0x88:
      return s & d;
    case 0xEE:
      return s | d;
    case 0x66:
      return s ^ d;
    case 0xF0:
      return p;
    case 0x5A:
      return p ^ d;
    case 0x55:
      return ~d;
    case 0x00:
      return 0;
    case 0xFF:
      return ~0u;
    case 0xAA:
      return d;
    default:
      break;
  }
  uint32_t out = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (!(code & (1u << i))) continue;
    out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return out;
}

// What a span is painted with: one value, or a pattern repeated from an origin; pattern cells
// whose paint flag is 0 are left alone (hatch gaps in transparent mode).
struct Ink {
  bool pattern = false;
  uint32_t color = 0;
  int pw = 0, ph = 0;
  int ox = 0, oy = 0;
  std::vector<uint32_t> cells;
  std::vector<uint8_t> paint;
  bool allPainted = true;

  static Ink Solid(uint32_t c) {
    Ink k;
    k.color = c;
    return k;
  }
  uint32_t At(int x, int y) const {
    const int cx = ((x - ox) % pw + pw) % pw;
    const int cy = ((y - oy) % ph + ph) % ph;
    return cells[static_cast<size_t>(cy * pw + cx)];
  }
  bool Painted(int x, int y) const {
    const int cx = ((x - ox) % pw + pw) % pw;
    const int cy = ((y - oy) % ph + ph) % ph;
    return paint[static_cast<size_t>(cy * pw + cx)] != 0;
  }
};

// Grows bounds (empty: nothing yet) to hold r.
void AddToBounds(RECT& bounds, const RECT& r);

class Raster {
 public:
  // bounds, when given, grows to hold every pixel painted (a DC's SetBoundsRect).
  Raster(Surface& s, const Region& clip, int rop2, RECT* bounds = nullptr)
      : s_(s), clip_(clip), rop2_(rop2), bounds_(bounds) {
    box_ = clip.Box();
    simple_ = clip.Rects().size() <= 1;
  }
  Surface& Target() { return s_; }
  const RECT& Box() const { return box_; }
  bool Empty() const { return clip_.Empty(); }

  // Paints the pixels x0 <= x < x1 of row y that lie in the clip.
  void Span(int64_t y, int64_t x0, int64_t x1, const Ink& ink) {
    if (y < box_.top || y >= box_.bottom || x1 <= box_.left || x0 >= box_.right) return;
    const int iy = static_cast<int>(y);
    const int a = static_cast<int>(std::max<int64_t>(x0, box_.left));
    const int b = static_cast<int>(std::min<int64_t>(x1, box_.right));
    if (simple_) {
      Paint(iy, a, b, ink);
      return;
    }
    auto [r0, r1] = clip_.BandAt(iy);
    for (const RECT* r = r0; r < r1; ++r) {
      const int l = std::max<int>(a, r->left), rr = std::min<int>(b, r->right);
      if (l < rr) Paint(iy, l, rr, ink);
    }
  }
  void Pixel(int64_t x, int64_t y, const Ink& ink) { Span(y, x, x + 1, ink); }
  bool Visible(int64_t x, int64_t y) const {
    if (y < box_.top || y >= box_.bottom || x < box_.left || x >= box_.right) return false;
    return simple_ || clip_.Contains(static_cast<int>(x), static_cast<int>(y));
  }

 private:
  void Paint(int y, int x0, int x1, const Ink& ink);

  Surface& s_;
  const Region& clip_;
  int rop2_;
  RECT* bounds_;
  RECT box_{};
  bool simple_ = true;
};

// Scan conversion of polygons given as closed contours with fractional vertices. A pixel is
// inside when its centre is (half-open on the right and bottom), under the alternate (even-odd)
// or winding (non-zero) rule. Only rows and columns inside box are produced.
struct FPoint {
  double x, y;
};

class PolygonScanner {
 public:
  void Clear() {
    edges_.clear();
    minY_ = 1e300;
    maxY_ = -1e300;
  }
  void AddContour(const FPoint* pts, size_t n);
  bool EmptyEdges() const { return edges_.empty(); }

  template <class SpanFn>
  void Scan(bool winding, const RECT& box, SpanFn&& span);

 private:
  struct Edge {
    double ytop, ybot, xtop, dxdy;
    int dir;
  };
  struct Cross {
    double x;
    int dir;
  };
  std::vector<Edge> edges_;
  std::vector<int> active_;
  std::vector<Cross> cross_;
  double minY_ = 1e300, maxY_ = -1e300;
};

template <class SpanFn>
void PolygonScanner::Scan(bool winding, const RECT& box, SpanFn&& span) {
  if (edges_.empty() || box.right <= box.left) return;
  std::sort(edges_.begin(), edges_.end(),
            [](const Edge& a, const Edge& b) { return a.ytop < b.ytop; });
  const double firstRow = std::max<double>(box.top, std::ceil(minY_ - 0.5));
  const double endRow = std::min<double>(box.bottom, std::ceil(maxY_ - 0.5));
  if (firstRow >= endRow) return;
  const int y0 = static_cast<int>(firstRow), y1 = static_cast<int>(endRow);
  const double left = box.left, right = box.right;
  active_.clear();
  size_t next = 0;
  for (int y = y0; y < y1; ++y) {
    const double yc = y + 0.5;
    while (next < edges_.size() && edges_[next].ytop <= yc) active_.push_back(int(next++));
    cross_.clear();
    size_t keep = 0;
    for (size_t i = 0; i < active_.size(); ++i) {
      const Edge& e = edges_[static_cast<size_t>(active_[i])];
      if (e.ybot <= yc) continue;
      active_[keep++] = active_[i];
      cross_.push_back({e.xtop + (yc - e.ytop) * e.dxdy, e.dir});
    }
    active_.resize(keep);
    if (cross_.size() < 2) continue;
    std::sort(cross_.begin(), cross_.end(),
              [](const Cross& a, const Cross& b) { return a.x < b.x; });
    auto emit = [&](double xa, double xb) {
      xa = std::clamp(xa - 0.5, left - 1, right + 1);
      xb = std::clamp(xb - 0.5, left - 1, right + 1);
      const int a = static_cast<int>(std::ceil(xa)), b = static_cast<int>(std::ceil(xb));
      if (a < b) span(y, a, b);
    };
    if (!winding) {
      for (size_t i = 0; i + 1 < cross_.size(); i += 2) emit(cross_[i].x, cross_[i + 1].x);
    } else {
      int w = 0;
      double start = 0;
      for (const auto& c : cross_) {
        const int before = w;
        w += c.dir;
        if (before == 0 && w != 0)
          start = c.x;
        else if (before != 0 && w == 0)
          emit(start, c.x);
      }
    }
  }
}

}  // namespace gdi
