#include "platform/gdi/raster.h"

namespace gdi {

void AddToBounds(RECT& bounds, const RECT& r) {
  if (r.left >= r.right || r.top >= r.bottom) return;
  if (bounds.left >= bounds.right || bounds.top >= bounds.bottom) {
    bounds = r;
    return;
  }
  bounds.left = std::min(bounds.left, r.left);
  bounds.top = std::min(bounds.top, r.top);
  bounds.right = std::max(bounds.right, r.right);
  bounds.bottom = std::max(bounds.bottom, r.bottom);
}

void Raster::Paint(int y, int x0, int x1, const Ink& ink) {
  if (x0 >= x1) return;
  if (bounds_) AddToBounds(*bounds_, RECT{x0, y, x1, y + 1});
  const uint32_t mask = s_.ValueMask();
  if (!ink.pattern) {
    const uint32_t c = ink.color & mask;
    switch (rop2_) {
      case 13:  // R2_COPYPEN
        s_.Fill(y, x0, x1, c);
        return;
      case 7:  // R2_XORPEN
        s_.Apply(y, x0, x1, [c](int, uint32_t d) { return d ^ c; });
        return;
      case 6:  // R2_NOT
        s_.Apply(y, x0, x1, [mask](int, uint32_t d) { return ~d & mask; });
        return;
      case 11:  // R2_NOP
        return;
      default: {
        const int r = rop2_;
        s_.Apply(y, x0, x1, [c, r, mask](int, uint32_t d) { return Rop2(r, c, d) & mask; });
        return;
      }
    }
  }
  const int r = rop2_;
  const int cy = ((y - ink.oy) % ink.ph + ink.ph) % ink.ph;
  const uint32_t* row = ink.cells.data() + static_cast<size_t>(cy * ink.pw);
  const uint8_t* paint = ink.paint.data() + static_cast<size_t>(cy * ink.pw);
  const int pw = ink.pw;
  const int ox = ink.ox;
  s_.Apply(y, x0, x1, [&](int x, uint32_t d) {
    const int cx = ((x - ox) % pw + pw) % pw;
    if (!paint[cx]) return d;
    return Rop2(r, row[cx] & mask, d) & mask;
  });
}

void PolygonScanner::AddContour(const FPoint* pts, size_t n) {
  if (n < 2) return;
  for (size_t i = 0; i < n; ++i) {
    const FPoint& a = pts[i];
    const FPoint& b = pts[(i + 1) % n];
    minY_ = std::min(minY_, a.y);
    maxY_ = std::max(maxY_, a.y);
    if (a.y == b.y) continue;
    Edge e;
    if (a.y < b.y) {
      e = {a.y, b.y, a.x, (b.x - a.x) / (b.y - a.y), 1};
    } else {
      e = {b.y, a.y, b.x, (a.x - b.x) / (a.y - b.y), -1};
    }
    edges_.push_back(e);
  }
}

}  // namespace gdi
