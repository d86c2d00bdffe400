#include "platform/gdi/region.h"

#include <algorithm>
#include <climits>

namespace gdi {

namespace {

struct Span {
  LONG x0, x1;
};

// Combines two sorted, disjoint interval lists.
void combineSpans(const RECT* a0, const RECT* a1, const RECT* b0, const RECT* b1, RegionOp op,
                  std::vector<Span>& out) {
  out.clear();
  std::vector<LONG> xs;
  xs.reserve(static_cast<size_t>((a1 - a0) + (b1 - b0)) * 2);
  for (auto* r = a0; r < a1; ++r) {
    xs.push_back(r->left);
    xs.push_back(r->right);
  }
  for (auto* r = b0; r < b1; ++r) {
    xs.push_back(r->left);
    xs.push_back(r->right);
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  const RECT* ia = a0;
  const RECT* ib = b0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    const LONG x = xs[i];
    while (ia < a1 && ia->right <= x) ++ia;
    while (ib < b1 && ib->right <= x) ++ib;
    const bool inA = ia < a1 && ia->left <= x;
    const bool inB = ib < b1 && ib->left <= x;
    bool in = false;
    switch (op) {
      case RegionOp::And:
        in = inA && inB;
        break;
      case RegionOp::Or:
        in = inA || inB;
        break;
      case RegionOp::Xor:
        in = inA != inB;
        break;
      case RegionOp::Diff:
        in = inA && !inB;
        break;
      case RegionOp::Copy:
        in = inA;
        break;
    }
    if (!in) continue;
    if (!out.empty() && out.back().x1 == x)
      out.back().x1 = xs[i + 1];
    else
      out.push_back({x, xs[i + 1]});
  }
}

}  // namespace

Region::Region(const RECT& r) {
  if (!IsRectEmpty(&r)) rects_.push_back(r);
}

Region Region::FromRects(const std::vector<RECT>& rects) {
  Region result;
  for (const auto& r : rects) result = Combine(result, Region(r), RegionOp::Or);
  return result;
}

Region Region::FromRowSpans(const std::vector<RowSpan>& spans) {
  Region out;
  size_t prevStart = 0, prevSize = 0;
  for (size_t i = 0; i < spans.size();) {
    const LONG y = spans[i].y;
    size_t j = i;
    while (j < spans.size() && spans[j].y == y) ++j;
    bool same = prevSize == j - i && prevSize > 0 && out.rects_[prevStart].bottom == y;
    for (size_t k = 0; same && k < prevSize; ++k) {
      const RECT& p = out.rects_[prevStart + k];
      same = p.left == spans[i + k].x0 && p.right == spans[i + k].x1;
    }
    if (same) {
      for (size_t k = 0; k < prevSize; ++k) out.rects_[prevStart + k].bottom = y + 1;
    } else {
      prevStart = out.rects_.size();
      prevSize = 0;
      for (size_t k = i; k < j; ++k) {
        if (spans[k].x1 <= spans[k].x0) continue;
        out.rects_.push_back(RECT{spans[k].x0, y, spans[k].x1, y + 1});
        ++prevSize;
      }
    }
    i = j;
  }
  return out;
}

RECT Region::Box() const {
  if (rects_.empty()) return RECT{};
  RECT box{INT_MAX, rects_.front().top, INT_MIN, rects_.back().bottom};
  for (const auto& r : rects_) {
    box.left = std::min(box.left, r.left);
    box.right = std::max(box.right, r.right);
  }
  return box;
}

int Region::Complexity() const {
  if (rects_.empty()) return 1;
  return rects_.size() == 1 ? 2 : 3;
}

std::pair<const RECT*, const RECT*> Region::BandAt(int y) const {
  const RECT* first = rects_.data();
  const RECT* last = first + rects_.size();
  const RECT* b = std::partition_point(first, last, [y](const RECT& r) { return r.bottom <= y; });
  if (b == last || b->top > y) return {b, b};
  const RECT* e = b;
  while (e < last && e->top == b->top) ++e;
  return {b, e};
}

Region Region::Combine(const Region& a, const Region& b, RegionOp op) {
  if (op == RegionOp::Copy) return a;
  // Quick answers that keep the common cases (clipping to one rectangle) cheap.
  if (a.Empty()) return (op == RegionOp::Or || op == RegionOp::Xor) ? b : Region();
  if (b.Empty()) return (op == RegionOp::And) ? Region() : a;

  std::vector<LONG> ys;
  ys.reserve((a.rects_.size() + b.rects_.size()) * 2);
  for (const auto& r : a.rects_) {
    ys.push_back(r.top);
    ys.push_back(r.bottom);
  }
  for (const auto& r : b.rects_) {
    ys.push_back(r.top);
    ys.push_back(r.bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  Region out;
  std::vector<Span> spans;
  size_t prevBandStart = 0;
  size_t prevBandSize = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    const LONG y0 = ys[i], y1 = ys[i + 1];
    auto [a0, a1] = a.BandAt(y0);
    auto [b0, b1] = b.BandAt(y0);
    combineSpans(a0, a1, b0, b1, op, spans);
    if (spans.empty()) continue;
    // Extend the previous band when it ends here and has the same spans.
    bool merged = false;
    if (prevBandSize == spans.size() && out.rects_[prevBandStart].bottom == y0) {
      merged = true;
      for (size_t k = 0; k < spans.size(); ++k) {
        const RECT& p = out.rects_[prevBandStart + k];
        if (p.left != spans[k].x0 || p.right != spans[k].x1) {
          merged = false;
          break;
        }
      }
    }
    if (merged) {
      for (size_t k = 0; k < spans.size(); ++k) out.rects_[prevBandStart + k].bottom = y1;
      continue;
    }
    prevBandStart = out.rects_.size();
    prevBandSize = spans.size();
    for (const auto& s : spans) out.rects_.push_back(RECT{s.x0, y0, s.x1, y1});
  }
  return out;
}

void Region::Offset(int dx, int dy) {
  for (auto& r : rects_) OffsetRect(&r, dx, dy);
}

bool Region::Contains(int x, int y) const {
  auto [b, e] = BandAt(y);
  for (auto* r = b; r < e; ++r) {
    if (x >= r->left && x < r->right) return true;
  }
  return false;
}

bool Region::Intersects(const RECT& rc) const {
  RECT tmp;
  for (const auto& r : rects_) {
    if (r.top >= rc.bottom) break;
    if (IntersectRect(&tmp, &r, &rc)) return true;
  }
  return false;
}

Region Region::Intersected(const RECT& r) const {
  if (rects_.size() == 1) {
    RECT i;
    IntersectRect(&i, &rects_.front(), &r);
    return Region(i);
  }
  return Combine(*this, Region(r), RegionOp::And);
}

}  // namespace gdi
