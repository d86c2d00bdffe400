// The globe's closed rings cut at the horizon. A run of a ring on the side not being drawn is
// replaced by the stretch of outline between the points where the ring leaves and comes back,
// turning round the centre the way the run turns. A ring round the middle of the other side
// turns once more round the centre than the outline it encloses: one more full turn of the
// outline cancels it, the rings of an object being filled even-odd. Without this the far side
// of a transparent globe (or a continent round the point behind the globe) filled the whole disc.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "map/earthmap.h"
#include "map/earthprojections.h"

namespace {

// The outline is traced in steps of at most 4 degrees.
constexpr Extended kArcStep = 4 * rtl::Pi / 180;

// A point as the viewer sees it (pixels from the centre, z along the view) and whether it is
// on the side being drawn.
struct TViewPoint {
  Extended x, y, z;
  bool drawn;
};

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
    gaPoints[next_++] = {DeviceCoord(p_->XOrigin, x), DeviceCoord(p_->YOrigin, y)};
  }
  void OnOutline(Extended angle) { Point(radius_ * std::cos(angle), radius_ * std::sin(angle)); }
  // Along the outline from angle a by the turn d, the end point included.
  void Arc(Extended a, Extended d) {
    const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(d) / kArcStep)));
    for (int i = 1; i <= steps; ++i) OnOutline(a + d * i / steps);
  }
  int32_t Next() const { return next_; }

 private:
  const TEarthProjection* p_;
  Extended radius_;
  int32_t next_;
  int32_t first_;
  Extended lastX_ = 0, lastY_ = 0;
};

// The angle round the centre of the point where the segment from a to b meets the horizon.
Extended CrossingAngle(const TViewPoint& a, const TViewPoint& b) {
  const Extended t = a.z / (a.z - b.z);
  return std::atan2(a.y + t * (b.y - a.y), a.x + t * (b.x - a.x));
}

}  // namespace

TPointLL TSphericalPrj::SideCentre(bool drawn) const {
  // The viewer looks along +z; the near side is drawn but in the back-side pass.
  const Extended z = drawn != Projection()->BackFacePass ? -radius_ : radius_;
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
    v.drawn = (v.z >= 0) == p->BackFacePass;
    return v;
  };
  int32_t start = -1;
  bool anyHidden = false;
  for (int32_t i = 0; i < n && (start < 0 || !anyHidden); ++i) {
    const bool drawn = view(i).drawn;
    if (drawn && start < 0) start = i;
    anyHidden = anyHidden || !drawn;
  }
  TRingWriter out(p, radius_, first);
  if (start < 0) {
    // Wholly on the other side: the ring shows only as the whole disc, when it encloses it.
    const TPointLL c = SideCentre(true);
    if (n > 2 && points.PointInPolygon(c.iLongX, c.iLatY)) out.Arc(0, rtl::TwoPi);
    return out.Next();
  }
  bool extraTurn = false;
  if (anyHidden) {
    const TPointLL c = SideCentre(false);
    extraTurn = points.PointInPolygon(c.iLongX, c.iLatY);
  }
  Extended angle = 0;  // where the outline was left, while on the other side
  TViewPoint b = view(start);
  for (int32_t k = 0; k < n; ++k) {
    const TViewPoint a = b;
    b = view(start + k + 1);
    if (a.drawn) {
      out.Point(a.x, a.y);
      if (b.drawn) continue;
      angle = CrossingAngle(a, b);
      out.OnOutline(angle);
      if (extraTurn) {
        out.Arc(angle, rtl::TwoPi);
        extraTurn = false;
      }
      // b is on the other side: follow it round the centre.
      if (std::hypot(b.x, b.y) < 1e-9L) continue;  // straight behind: no direction
      const Extended to = std::atan2(b.y, b.x);
      out.Arc(angle, WrapAngle(to - angle));
      angle = to;
      continue;
    }
    const Extended to = b.drawn ? CrossingAngle(b, a)
                                : (std::hypot(b.x, b.y) < 1e-9L ? angle : std::atan2(b.y, b.x));
    out.Arc(angle, WrapAngle(to - angle));
    angle = to;
  }
  return out.Next();
}
