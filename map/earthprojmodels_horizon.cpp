// The globe's closed rings cut at the horizon. A run of a ring on the side not being drawn is
// replaced by the stretch of outline between the points where the ring leaves and comes back,
// turning round the centre the way the run turns. A ring round the middle of the other side
// turns once more round the centre than the outline it encloses: one more full turn of the
// outline cancels it, the rings of an object being filled even-odd. Without this the far side
// of a transparent globe (or a continent round the point behind the globe) filled the whole disc.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "map/earthcustommap.h"
#include "map/earthprojmodels.h"

namespace {

// The outline is traced in steps of at most 4 degrees.
constexpr Extended kArcStep = 4 * rtl::Pi / 180;
const Extended kCosArcStep = std::cos(kArcStep);

// A point as the viewer sees it (pixels from the centre, z along the view) and whether it is
// on the side being drawn.
struct TViewPoint {
  Extended x, y, z;
  bool drawn;
};

// A direction round the centre, of length 1.
struct TDirection {
  Extended x = 1, y = 0;
};

// The direction of (x, y); false straight at the centre, which has none.
bool DirectionOf(Extended x, Extended y, TDirection& d) {
  const Extended length = std::hypot(x, y);
  if (!(length > 1e-9L)) return false;
  d = {x / length, y / length};
  return true;
}

// The direction of the point where the segment from a to b meets the horizon.
TDirection Crossing(const TViewPoint& a, const TViewPoint& b) {
  const Extended t = a.z / (a.z - b.z);
  TDirection d;
  DirectionOf(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), d);
  return d;
}

Extended WrapAngle(Extended a) {
  while (a > rtl::Pi) a -= rtl::TwoPi;
  while (a <= -rtl::Pi) a += rtl::TwoPi;
  return a;
}

// Writes device points, skipping one within a pixel of the last written.
class TRingWriter {
 public:
  TRingWriter(const TEarthProjection* p, Extended radius, int32_t first)
      : p_(p), radius_(radius), next_(first), first_(first) {}
  void Point(Extended x, Extended y) {
    if (next_ > first_ && std::fabs(x - lastX_) < 1 && std::fabs(y - lastY_) < 1) return;
    lastX_ = x;
    lastY_ = y;
    gaPoints[next_++] = {DeviceCoord(p_->XOrigin(), x), DeviceCoord(p_->YOrigin(), y)};
  }
  void OnOutline(const TDirection& d) { Point(radius_ * d.x, radius_ * d.y); }
  // Along the outline from `from` by the turn `turn` (radians), the end included.
  void Arc(const TDirection& from, Extended turn) {
    const Extended a = std::atan2(from.y, from.x);
    const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(turn) / kArcStep)));
    for (int i = 1; i <= steps; ++i) {
      const Extended at = a + turn * i / steps;
      OnOutline({std::cos(at), std::sin(at)});
    }
  }
  // Along the outline the shorter way to `to` (most steps are short: no angles needed).
  void ArcTo(const TDirection& from, const TDirection& to) {
    if (from.x * to.x + from.y * to.y >= kCosArcStep) {
      OnOutline(to);
      return;
    }
    Arc(from, WrapAngle(std::atan2(to.y, to.x) - std::atan2(from.y, from.x)));
  }
  int32_t Next() const { return next_; }

 private:
  const TEarthProjection* p_;
  Extended radius_;
  int32_t next_;
  int32_t first_;
  Extended lastX_ = 0, lastY_ = 0;
};

}  // namespace

TPointLL TSphericalPrj::SideCentre(bool drawn) const {
  // The viewer looks along +z; the near side is drawn but in the back-side pass.
  const Extended z = drawn != Projection()->BackFacePass() ? -radius_ : radius_;
  const TMatrix& m = inverse_;
  return PointLL(
      SaturateToInt32(std::rint(ArcTan2(m[2] * z, m[8] * z) * GU_FROMRADIANS)),
      SaturateToInt32(
          std::rint(ArcSin(std::clamp<Extended>(m[5] * z / EARTHRADIUS, -1, 1)) * GU_FROMRADIANS)));
}

int32_t TSphericalPrj::RingToXY(TPointStore& points, int32_t first) {
  const TEarthProjection* p = Projection();
  const TDynArray array = points.Point3DArray(p->Globe()->EarthOptions().Contains(goCache3DPoints));
  const int32_t n = DynArrayCount(array);
  const TMatrix& m = forward_;
  // Worked out when needed (each point twice at most) rather than kept for the whole ring.
  const auto view = [&](int32_t i) {
    TPoint3D q;
    std::memcpy(&q, DynArrayPtr(array, i % n), sizeof q);
    TViewPoint v;
    v.x = m[0] * q.X + m[1] * q.Y + m[2] * q.Z;
    v.y = m[3] * q.X + m[4] * q.Y + m[5] * q.Z;
    v.z = m[6] * q.X + m[7] * q.Y + m[8] * q.Z;
    v.drawn = (v.z >= 0) == p->BackFacePass();
    return v;
  };
  int32_t start = 0;
  while (start < n && !view(start).drawn) ++start;
  TRingWriter out(p, radius_, first);
  if (start == n) {
    // Wholly on the other side: the ring shows only as the whole disc, when it encloses it.
    const TPointLL c = SideCentre(true);
    if (n > 2 && points.PointInPolygon(c.iLongX, c.iLatY)) out.Arc(TDirection(), rtl::TwoPi);
    return out.Next();
  }
  bool firstExit = true;
  TDirection at;  // where the outline was reached, while on the other side
  TViewPoint b = view(start);
  for (int32_t k = 0; k < n; ++k) {
    const TViewPoint a = b;
    b = view(start + k + 1);
    if (a.drawn) {
      out.Point(a.x, a.y);
      if (b.drawn) continue;
      at = Crossing(a, b);
      out.OnOutline(at);
      if (firstExit) {
        firstExit = false;
        const TPointLL c = SideCentre(false);
        if (points.PointInPolygon(c.iLongX, c.iLatY)) out.Arc(at, rtl::TwoPi);
      }
    }
    // Round the centre with the point on the other side, or back to the crossing.
    TDirection to = at;
    if (b.drawn)
      to = Crossing(b, a);
    else
      DirectionOf(b.x, b.y, to);
    out.ArcTo(at, to);
    at = to;
  }
  return out.Next();
}
