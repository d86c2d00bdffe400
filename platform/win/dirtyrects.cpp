#include "platform/win/dirtyrects.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace win {

namespace {

int64_t Area(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top ? 0
                                                : int64_t(r.right - r.left) * (r.bottom - r.top);
}

RECT Join(const RECT& a, const RECT& b) {
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

RECT Meet(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

// Pixels the join of a and b covers that neither of them does.
int64_t Waste(const RECT& a, const RECT& b) {
  return Area(Join(a, b)) - Area(a) - Area(b) + Area(Meet(a, b));
}

// A join that adds no more than this is cheaper than presenting a rectangle more.
constexpr int64_t kCheapWaste = 32 * 32;

}  // namespace

void DirtyRects::Add(const RECT& r) {
  if (Area(r) == 0) return;
  RECT joined = r;
  for (bool again = true; again;) {
    again = false;
    for (auto it = rects_.begin(); it != rects_.end(); ++it) {
      if (Waste(*it, joined) > kCheapWaste) continue;
      joined = Join(*it, joined);
      rects_.erase(it);
      again = true;
      break;
    }
  }
  rects_.push_back(joined);
  while (rects_.size() > kMax) {
    size_t bi = 0, bj = 1;
    int64_t best = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < rects_.size(); ++i)
      for (size_t j = i + 1; j < rects_.size(); ++j)
        if (const int64_t w = Waste(rects_[i], rects_[j]); w < best) {
          best = w;
          bi = i;
          bj = j;
        }
    const RECT both = Join(rects_[bi], rects_[bj]);
    rects_.erase(rects_.begin() + std::ptrdiff_t(bj));
    rects_[bi] = both;
  }
}

RECT DirtyRects::Bounds() const {
  if (rects_.empty()) return RECT{};
  RECT b = rects_.front();
  for (const RECT& r : rects_) b = Join(b, r);
  return b;
}

}  // namespace win
