// Where a popup goes: beside or below what opened it, on the work area of one monitor, covering
// as little as possible of the menu it came from.
#include <algorithm>

#include "docking/dkpopup.h"

namespace docking {

namespace {

bool Overlaps(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Covers(const RECT& popup, const RECT& r) {
  return r.left >= popup.left && r.right <= popup.right && r.top >= popup.top &&
         r.bottom <= popup.bottom;
}

int CoveredCount(const std::vector<RECT>& viewers, const RECT& popup) {
  return static_cast<int>(std::count_if(viewers.begin(), viewers.end(),
                                        [&](const RECT& r) { return Covers(popup, r); }));
}

}  // namespace

TDKPopupPlace DKPlacePopup(const TDKPopupPlaceInput& In) {
  const RECT& R = In.Ref;
  const RECT& M = In.Monitor;
  const int W = In.Width, H = In.Height;
  const bool point = !In.HasParentView;
  TDKPopupPlace out;
  int X = 0, Y = 0;
  // Starting place.
  if (point) {
    X = R.left;
    Y = R.top;
    if (In.Alignment == dkpaRight) X -= W;
    if (In.Alignment == dkpaCenter) X -= W / 2;
  } else if (In.AsSubmenu) {
    X = R.right - 3;
    Y = R.top - 3;
  } else if (In.ParentVertical) {
    X = R.left - W;
    Y = R.top;
  } else if (In.FromChevron) {
    X = R.right - W;
    Y = R.bottom;
  } else {
    Y = R.bottom;
    X = In.MenuDropRight ? R.right - W : R.left;
  }
  auto rectAt = [&](int x, int y) { return RECT{x, y, x + W, y + H}; };
  // Vertical fit.
  if (!In.ParentVertical && Y + H > M.bottom) {
    const int above = (In.AsSubmenu ? R.bottom + 3 : R.top) - H;
    if (above >= M.top) Y = above;
  }
  if (Y + H > M.bottom) Y = M.bottom - H;
  if (Y < M.top) Y = M.top;

  if (!In.AsSubmenu) {
    if (point && In.Alignment == dkpaRight && X < M.left) X += W;
    if (X + W > M.right) X = (point && In.Alignment == dkpaLeft) ? X - W : M.right - W;
    X = std::max(X, static_cast<int>(M.left));
    if (!In.ParentVertical) {
      if (R.top - H >= M.top) {
        const RECT here = rectAt(X, Y), above = rectAt(X, R.top - H);
        if (CoveredCount(In.ParentViewers, above) < CoveredCount(In.ParentViewers, here) ||
            Overlaps(here, R))
          Y = R.top - H;
      }
      if (Overlaps(rectAt(X, Y), R)) {
        X = R.right + W > M.right ? R.left - W : R.right;
        X = std::max(X, static_cast<int>(M.left));
      }
    } else {
      if (R.right + W <= M.right) {
        const RECT here = rectAt(X, Y), right = rectAt(R.right, Y);
        if (CoveredCount(In.ParentViewers, right) < CoveredCount(In.ParentViewers, here) ||
            Overlaps(here, R))
          X = R.right;
      }
      if (Overlaps(rectAt(X, Y), R)) {
        Y = R.bottom + H > M.bottom ? R.top - H : R.bottom;
        Y = std::max(Y, static_cast<int>(M.top));
      }
    }
  } else {
    bool inherited = In.ChainOpensLeft;
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (inherited || X + W > M.right) {
        const int left = point ? X - W : R.left + 3 - W;
        if (inherited && left < M.left) {
          // Out of room on the left: this popup turns back to the right.
          inherited = false;
          X = R.right - 3;
          continue;
        }
        X = left;
        out.OpensLeft = true;
      }
      break;
    }
    X = std::max(X, static_cast<int>(M.left));
  }
  // Direction of the opening animation.
  if (In.AsSubmenu) {
    out.Direction = (2 * X + W < R.left + R.right) ? dkpdLeft : dkpdRight;
  } else {
    if (Y >= R.bottom) out.Direction |= dkpdDown;
    if (Y + H <= R.top) out.Direction |= dkpdUp;
    if (X >= R.right) out.Direction |= dkpdRight;
    if (X + W <= R.left) out.Direction |= dkpdLeft;
  }
  out.X = X;
  out.Y = Y;
  return out;
}

}  // namespace docking
