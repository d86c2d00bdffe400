// The projection models.
#include "map/earthprojmodels.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <numbers>

#include "map/earthcanvas.h"
#include "map/earthcustommap.h"

namespace {

constexpr TEarthObjectStateSet kClipAll{osClipLeft, osClipTop, osClipRight, osClipBottom};
constexpr int32_t kFifteenDegrees = 81'000'000;

TEarthObjectStateSet ClosedClipped() {
  TEarthObjectStateSet s = kClipAll;
  s.Include(osClosed);
  return s;
}

// Mod180 for values beyond one turn.
int32_t Wrap180(int64_t v) {
  v %= GU_360DEGREE;
  return Mod180(static_cast<int32_t>(v));
}

// A model of the same class for projection, assigned from m.
template <typename T>
std::unique_ptr<TCustomProjectionModel> CloneFor(const T& m, TEarthProjection* projection) {
  auto c = std::make_unique<T>(projection);
  c->Assign(&m);
  return c;
}

// The globe-centred point of a position as Point3D gives it, worked in double precision: the
// same integers (but for a rare rounding tie) in a fraction of the time.
TPoint3D GlobePoint(const TPointLL& p) {
  const double r = static_cast<double>(EARTHRADIUS) + p.iHeightZ;
  const double phi = p.iLatY * static_cast<double>(GU_TORADIANS);
  const double lambda = p.iLongX * static_cast<double>(GU_TORADIANS);
  const double cosPhi = std::cos(phi);
  const auto whole = [](double v) {
    return static_cast<int32_t>(std::rint(std::clamp(v, -2147483648.0, 2147483647.0)));
  };
  return {whole(r * cosPhi * std::sin(lambda)), whole(r * std::sin(phi)),
          whole(r * cosPhi * std::cos(lambda))};
}

TCustomEarthMap* Globe(const TCustomProjectionModel* m) {
  return m->Projection()->Globe();
}

}  // namespace

int32_t DeviceCoord(int64_t origin, Extended offset) {
  Extended v = origin + std::rint(offset);
  if (!(v > -DeviceCoordLimit)) v = -DeviceCoordLimit;  // NaN lands here too
  if (v > DeviceCoordLimit) v = DeviceCoordLimit;
  return static_cast<int32_t>(v);
}

// ---- TProjectionModel ---------------------------------------------------------------------------

TProjectionModel::TProjectionModel(TEarthProjection* projection)
    : TCustomProjectionModel(projection) {
  projection->Flags = {};
  projection->LineDivisions1 = 72;
  projection->LineDivisions2 = 144;
}

bool TProjectionModel::LLToXY(int32_t longitude, int32_t latitude, int32_t index) {
  return PointLLToXY(PointLL(longitude, latitude), index);
}

TMER TProjectionModel::ExtentsLL() const {
  return {-GU_180DEGREE, -GU_90DEGREE, GU_180DEGREE, GU_90DEGREE};
}

int32_t TProjectionModel::PointStoreToXY(TPointStore& points, int32_t first, bool /*onto*/) {
  int32_t next = first;
  TEarthDevicePoint last;
  for (int32_t i = 0, n = points.GetCount(); i < n; ++i) {
    if (!PointLLToXY(points.GetLL(i), next)) continue;
    const TEarthDevicePoint p = gaPoints[next];
    if (next > first && std::abs(int64_t{p.X} - last.X) < 2 && std::abs(int64_t{p.Y} - last.Y) < 2)
      continue;
    last = p;
    ++next;
  }
  return next;
}

bool TProjectionModel::XYListVisible(int32_t count, int32_t& code) {
  if (count < 2) return false;
  const TEarthDeviceRect box = PointsToRect(&gaPoints[0], count - 1);
  const TEarthCanvas* canvas = Globe(this)->EarthCanvas();
  const int32_t w = canvas->Width(), h = canvas->Height();
  const auto cornerCode = [&](int32_t x, int32_t y) {
    return (x < 0 ? 1 : 0) | (x > w ? 2 : 0) | (y < 0 ? 4 : 0) | (y > h ? 8 : 0);
  };
  code = (cornerCode(box.Left, box.Top) << 4) | cornerCode(box.Right, box.Bottom);
  return !(box.Right < 0 || box.Left > w || box.Bottom < 0 || box.Top > h);
}

bool TProjectionModel::RectangleVisible(int64_t west, int64_t south, int64_t east, int64_t north,
                                        TEarthObjectStateSet& state) {
  int32_t n = 0;
  int32_t visible = 0;
  const auto sample = [&](int64_t lon, int64_t lat) {
    if (LLToXY(static_cast<int32_t>(lon), static_cast<int32_t>(lat), n++)) ++visible;
  };
  sample(west, south);
  sample(east, south);
  sample(east, north);
  sample(west, north);
  for (int64_t x = west + kFifteenDegrees; x < east; x += kFifteenDegrees) {
    sample(x, south);
    sample(x, north);
  }
  for (int64_t y = south + kFifteenDegrees; y < north; y += kFifteenDegrees) {
    sample(west, y);
    sample(east, y);
  }
  int32_t code = 0;
  if (visible == 0 || !XYListVisible(n, code)) return false;
  const int32_t lo = code >> 4, hi = code & 15;
  if (lo & 4) state.Include(osClipTop);
  if (hi & 2) state.Include(osClipRight);
  if (hi & 8) state.Include(osClipBottom);
  if (lo & 1) state.Include(osClipLeft);
  const bool back = Projection()->BackFacePass();
  if (visible < n) state.Include(back ? osFace : osBackFace);
  state.Include(back ? osBackFace : osFace);
  return true;
}

bool TProjectionModel::VisibleMER(const TMER& mer, TEarthObjectStateSet& state) {
  for (auto s : {osClipLeft, osClipTop, osClipRight, osClipBottom, osFace, osBackFace})
    state.Exclude(s);
  const int64_t west = mer.iLongX, south = mer.iLatY;
  const int64_t east = west + mer.iWidthX, north = south + mer.iHeightY;
  if (mer.iWidthX >= GU_360DEGREE) return true;
  if (east < GU_180DEGREE + 1) return RectangleVisible(west, south, east, north, state);
  TEarthObjectStateSet second = state;
  const bool a = RectangleVisible(west, south, GU_180DEGREE, north, state);
  const bool b = RectangleVisible(-GU_180DEGREE, south, east - GU_360DEGREE, north, second);
  state = TEarthObjectStateSet::FromWord(state.Word() | second.Word());
  return a || b;
}

void TProjectionModel::PaintSurface() {
  const TMER e = ExtentsLL();
  // The plane runs half a turn either side of the central meridian; its east and west edges
  // are taken two units inside the back meridian, where Mod180 keeps each on its own side
  // (taken at the extents themselves they fell together once the central meridian left 0, and
  // the surface vanished).
  const int64_t cm = Projection()->CentralMeridianUnits();
  const int64_t left = e.iLongX + 2, top = e.iLatY, right = e.iWidthX - 2, bottom = e.iHeightY;
  int32_t n = 0;
  const auto add = [&](int64_t lon, int64_t lat) {
    LLToXY(Wrap180(lon + cm), static_cast<int32_t>(lat), n++);
  };
  for (int i = 0; i < 36; ++i) add(left + (right - left) * i / 36, top);
  for (int i = 0; i < 18; ++i) add(right, top + (bottom - top) * i / 18);
  for (int i = 0; i < 36; ++i) add(right - (right - left) * i / 36, bottom);
  for (int i = 0; i < 18; ++i) add(left, bottom - (bottom - top) * i / 18);
  Globe(this)->EarthCanvas()->DrawClippedPoly(n, ClosedClipped(), 0);
}

void TProjectionModel::PaintGraticule() {
  TCustomEarthMap* globe = Globe(this);
  const TEarthProjection* p = Projection();
  if (globe->GraticuleLongitudeStep() > 0) {
    const int32_t segments = std::max(2, p->LineDivisions1);
    const int64_t step = int64_t{globe->GraticuleLongitudeStep()} * GU_DEGREE;
    for (int64_t l = -GU_180DEGREE; l < GU_180DEGREE; l += step) {
      const auto lon = static_cast<int32_t>(l);
      globe->RenderLine(PointLL(lon, -480'600'000), PointLL(lon, 480'600'000), segments);
    }
  }
  if (globe->GraticuleLatitudeStep() > 0) {
    const int32_t segments = std::max(2, p->LineDivisions2);
    const int64_t step = int64_t{globe->GraticuleLatitudeStep()} * GU_DEGREE;
    for (int64_t lat = 0; lat < 459'000'000; lat += step) {
      for (const int64_t v : {lat, -lat}) {
        const auto y = static_cast<int32_t>(v);
        globe->RenderLine(PointLL(971'999'999, y), PointLL(0, y), segments);
        globe->RenderLine(PointLL(0, y), PointLL(-971'999'999, y), segments);
      }
    }
  }
}

// ---- TSphericalPrj ------------------------------------------------------------------------------

TSphericalPrj::TSphericalPrj(TEarthProjection* projection) : TProjectionModel(projection) {
  projection->LineDivisions1 = 36;
  projection->LineDivisions2 = 72;
  projection->Flags = {pfContinuous, pfTextureMap};
  PropertyChanged(ppScaleFactor);
}

TMER TSphericalPrj::ExtentsLL() const {
  const auto r = static_cast<int32_t>(EARTHRADIUS);
  return {-r, -r, r, r};
}

void TSphericalPrj::PropertyChanged(TProjectionProperty property) {
  TEarthProjection* p = Projection();
  switch (property) {
    case ppXRotation:
      p->xRotation_ = LimitFloat(p->XRotation(), -90, 90);
      break;
    case ppYRotation:
      p->yRotation_ = Mod180Float(p->YRotation());
      break;
    case ppZRotation:
      p->zRotation_ = Mod180Float(p->ZRotation());
      break;
    case ppScaleFactor:
      radius_ = EARTHRADIUS * p->ScaleFactor();
      radius2_ = radius_ * radius_;
      break;
    default:
      return;
  }
  const TQuaternion q = EulerToQuat(p->XRotation(), p->YRotation(), p->ZRotation());
  forward_ = QuatToMatrix(q);
  TransposeMatrix(forward_, inverse_);
  if (p->ScaleFactor() > 0) {
    forward_ = ScaleMatrix(forward_, p->ScaleFactor());
    inverse_ = ScaleMatrix(inverse_, 1 / p->ScaleFactor());
  }
}

bool TSphericalPrj::PointLLToXY(const TPointLL& pt, int32_t index) {
  const TPoint3D q = GlobePoint(pt);
  const TMatrix& m = forward_;
  const Extended x = m[0] * q.X + m[1] * q.Y + m[2] * q.Z;
  const Extended y = m[3] * q.X + m[4] * q.Y + m[5] * q.Z;
  const Extended z = m[6] * q.X + m[7] * q.Y + m[8] * q.Z;
  const TEarthProjection* p = Projection();
  gaPoints[index] = {DeviceCoord(p->XOrigin(), x), DeviceCoord(p->YOrigin(), y)};
  // The viewer looks along +z: the near side has z < 0, the horizon and beyond are hidden.
  // The back-side pass draws the hidden side.
  const bool hidden = z >= 0;
  return hidden == p->BackFacePass();
}

bool TSphericalPrj::XYToLL(int32_t x, int32_t y, int32_t index) {
  const TEarthProjection* p = Projection();
  const Extended dx = Extended(x) - p->XOrigin(), dy = Extended(y) - p->YOrigin();
  const Extended d = radius2_ - dx * dx - dy * dy;
  if (!(d >= 0)) return false;
  const Extended vz = -std::sqrt(d);
  const TMatrix& m = inverse_;
  const Extended a = m[0] * dx + m[1] * dy + m[2] * vz;
  const Extended b = m[3] * dx + m[4] * dy + m[5] * vz;
  const Extended c = m[6] * dx + m[7] * dy + m[8] * vz;
  gaPoints[index] = {SaturateToInt32(std::rint(ArcTan2(a, c) * GU_FROMRADIANS)),
                     SaturateToInt32(std::rint(ArcSin(b / EARTHRADIUS) * GU_FROMRADIANS))};
  return true;
}

int32_t TSphericalPrj::PointStoreToXY(TPointStore& points, int32_t first, bool ontoHorizon) {
  if (ontoHorizon) return RingToXY(points, first);
  const TEarthProjection* p = Projection();
  const bool keep = Globe(this)->EarthOptions().Contains(goCache3DPoints);
  const TDynArray array = points.Point3DArray(keep);
  const TMatrix& m = forward_;
  int32_t next = first;
  Extended lastX = 0, lastY = 0;
  for (int32_t i = 0, n = DynArrayCount(array); i < n; ++i) {
    TPoint3D q;
    std::memcpy(&q, DynArrayPtr(array, i), sizeof q);
    const Extended z = m[6] * q.X + m[7] * q.Y + m[8] * q.Z;
    if ((z >= 0) != p->BackFacePass()) continue;
    const Extended x = m[0] * q.X + m[1] * q.Y + m[2] * q.Z;
    const Extended y = m[3] * q.X + m[4] * q.Y + m[5] * q.Z;
    if (next > first && std::fabs(x - lastX) < 1 && std::fabs(y - lastY) < 1) continue;
    lastX = x;
    lastY = y;
    gaPoints[next++] = {DeviceCoord(p->XOrigin(), x), DeviceCoord(p->YOrigin(), y)};
  }
  return next;
}

void TSphericalPrj::OpenChainToXY(TPointStore& points, const std::function<void(int32_t)>& piece) {
  const TEarthProjection* p = Projection();
  const bool keep = Globe(this)->EarthOptions().Contains(goCache3DPoints);
  // A long line (a day's track) is worked out again only when the view or its points changed.
  TPointStore::TDrawn* drawn = keep ? &points.Drawn() : nullptr;
  std::vector<Extended> view(forward_.begin(), forward_.end());
  view.insert(view.end(), {Extended(p->XOrigin()), Extended(p->YOrigin()), radius_,
                           Extended(p->BackFacePass())});
  if (drawn && drawn->view == view) {
    size_t at = 0;
    for (const int32_t n : drawn->pieces) {
      gaPoints.Reserve(size_t(n));
      std::copy_n(drawn->points.begin() + std::ptrdiff_t(at), n, gaPoints.Data());
      at += size_t(n);
      piece(n);
    }
    return;
  }
  if (drawn) {
    drawn->points.clear();
    drawn->pieces.clear();
    drawn->view.clear();
  }
  // Each piece is kept before it is drawn: drawing clips it in place.
  const auto done = [&](int32_t n) {
    if (drawn) {
      drawn->points.insert(drawn->points.end(), gaPoints.Data(), gaPoints.Data() + n);
      drawn->pieces.push_back(n);
    }
    piece(n);
  };
  const TDynArray array = points.Point3DArray(keep);
  const TMatrix& m = forward_;
  int32_t next = 0;
  Extended lastX = 0, lastY = 0;
  const auto add = [&](Extended x, Extended y, bool always) {
    if (!always && next > 0 && std::fabs(x - lastX) < 1 && std::fabs(y - lastY) < 1) return;
    lastX = x;
    lastY = y;
    gaPoints[next++] = {DeviceCoord(p->XOrigin(), x), DeviceCoord(p->YOrigin(), y)};
  };
  // The chord between two points on either side of the horizon meets the plane of the horizon
  // in a point that, pushed out onto the outline, lies on the great circle through them.
  const auto horizon = [&](const TV3D& a, const TV3D& b) {
    const Extended t = a.Z / (a.Z - b.Z);
    const Extended x = a.X + t * (b.X - a.X), y = a.Y + t * (b.Y - a.Y);
    const Extended length = std::hypot(x, y);
    if (length < 1e-9L) return;
    add(x * radius_ / length, y * radius_ / length, true);
  };
  TV3D prev{};
  bool prevSeen = false;
  for (int32_t i = 0, n = DynArrayCount(array); i < n; ++i) {
    TPoint3D q;
    std::memcpy(&q, DynArrayPtr(array, i), sizeof q);
    const TV3D v{m[0] * q.X + m[1] * q.Y + m[2] * q.Z, m[3] * q.X + m[4] * q.Y + m[5] * q.Z,
                 m[6] * q.X + m[7] * q.Y + m[8] * q.Z};
    const bool seen = (v.Z >= 0) == p->BackFacePass();
    if (i > 0 && seen != prevSeen) {
      horizon(prev, v);
      if (!seen) {
        done(next);
        next = 0;
      }
    }
    if (seen) add(v.X, v.Y, false);
    prev = v;
    prevSeen = seen;
  }
  if (next > 0) done(next);
  if (drawn) drawn->view = std::move(view);
}

void TSphericalPrj::PaintSurface() {
  TCustomEarthMap* globe = Globe(this);
  const TEarthProjection* p = Projection();
  TTextureData& texture = globe->SurfaceTexture();
  if (!texture.IsValid() || !p->Flags.Contains(pfTextureMap)) {
    for (int i = 0; i < 90; ++i) {
      const Extended a = i * 4 * rtl::Pi / 180;
      gaPoints[i] = {DeviceCoord(p->XOrigin(), radius_ * std::cos(a)),
                     DeviceCoord(p->YOrigin(), radius_ * std::sin(a))};
    }
    globe->EarthCanvas()->DrawClippedPoly(90, ClosedClipped(), 0);
    return;
  }
  int depth = 3;
  if (p->ScaleFactor() > 2e-7L) depth = p->ScaleFactor() > 2e-6L ? 5 : 4;
  const TV3D px{1, 0, 0}, nx{-1, 0, 0}, py{0, 1, 0}, ny{0, -1, 0}, pz{0, 0, 1}, nz{0, 0, -1};
  // The four faces round +z (longitude 0) need no seam; the four round -z touch the 180th
  // meridian, on its east (+x) or west (-x) side.
  TextureFace(pz, px, py, depth, 0);
  TextureFace(pz, py, nx, depth, 0);
  TextureFace(pz, nx, ny, depth, 0);
  TextureFace(pz, ny, px, depth, 0);
  TextureFace(nz, py, px, depth, 1);
  TextureFace(nz, px, ny, depth, 1);
  TextureFace(nz, ny, nx, depth, -1);
  TextureFace(nz, nx, py, depth, -1);
}

void TSphericalPrj::TextureFace(const TV3D& a, const TV3D& b, const TV3D& c, int depth,
                                int seamSide) {
  const auto position = [](const TV3D& v) {
    return TPointLL{SaturateToInt32(std::rint(ArcTan2(v.X, v.Z) * GU_FROMRADIANS)),
                    SaturateToInt32(std::rint(ArcSin(v.Y) * GU_FROMRADIANS)), 0};
  };
  if (depth > 0) {
    bool anyVisible = false;
    for (const TV3D* v : {&a, &b, &c}) {
      const TPointLL pt = position(*v);
      if (PointLLToXY(pt, 0)) anyVisible = true;
    }
    if (!anyVisible) return;
    const auto mid = [](const TV3D& u, const TV3D& v) {
      TV3D m = V3DAdd(u, v);
      V3DNormalize(m);
      return m;
    };
    const TV3D ab = mid(a, b), bc = mid(b, c), ca = mid(c, a);
    TextureFace(a, ab, ca, depth - 1, seamSide);
    TextureFace(ab, b, bc, depth - 1, seamSide);
    TextureFace(ca, bc, c, depth - 1, seamSide);
    TextureFace(ab, bc, ca, depth - 1, seamSide);
    return;
  }
  const TV3D* v[3] = {&a, &b, &c};
  TPointLL corners[3];
  int pole = -1;
  for (int i = 0; i < 3; ++i) {
    corners[i] = position(*v[i]);
    const bool onAxis = std::fabs(v[i]->X) < 1e-12L && std::fabs(v[i]->Z) < 1e-12L;
    if (onAxis) pole = i;
    // A corner on the 180th meridian takes the longitude of its face's side.
    if (seamSide != 0 && !onAxis && std::fabs(v[i]->X) < 1e-12L && v[i]->Z < 0)
      corners[i].iLongX = seamSide * GU_180DEGREE;
  }
  if (pole >= 0) {
    // A pole has every longitude: it takes the middle of the other two.
    const TPointLL& u = corners[(pole + 1) % 3];
    const TPointLL& w = corners[(pole + 2) % 3];
    corners[pole].iLongX = static_cast<int32_t>((int64_t{u.iLongX} + w.iLongX) / 2);
  }
  Globe(this)->EarthCanvas()->RenderTextureTriangle(corners, Globe(this)->SurfaceTexture());
}

std::unique_ptr<TCustomProjectionModel> TSphericalPrj::Clone(TEarthProjection* projection) const {
  return CloneFor(*this, projection);
}

void TSphericalPrj::Assign(const rtl::TPersistent* source) {
  if (const auto* o = dynamic_cast<const TSphericalPrj*>(source)) {
    forward_ = o->forward_;
    inverse_ = o->inverse_;
    radius_ = o->radius_;
    radius2_ = o->radius2_;
    return;
  }
  TProjectionModel::Assign(source);
}

// ---- TCartesianPrj ------------------------------------------------------------------------------

TCartesianPrj::TCartesianPrj(TEarthProjection* projection)
    : TProjectionModel(projection),
      lastX_(projection->XRotation()),
      lastY_(projection->YRotation()) {}

bool TCartesianPrj::InExtents(int64_t longitude, int64_t latitude) const {
  return longitude >= -GU_180DEGREE && longitude <= GU_180DEGREE && latitude >= -GU_90DEGREE &&
         latitude <= GU_90DEGREE;
}

int32_t TCartesianPrj::DeviceX(int32_t longitude) const {
  const TEarthProjection* p = Projection();
  // The central meridian in globe units, worked out again only when it changed.
  if (p->CentralMeridian != cmDegrees_) {
    cmDegrees_ = p->CentralMeridian;
    cmUnits_ = p->CentralMeridianUnits();
  }
  const int32_t d = Wrap180(int64_t{longitude} - cmUnits_);
  return DeviceCoord(p->XOrigin(), d * p->ScaleFactor());
}

bool TCartesianPrj::LongitudeOf(int32_t x, int32_t& longitude) const {
  const TEarthProjection* p = Projection();
  const Extended v =
      std::rint((Extended(x) - p->XOrigin()) / p->ScaleFactor()) + p->CentralMeridianUnits();
  if (!std::isfinite(v) || std::fabs(v) > 4e18L) return false;
  longitude = Wrap180(static_cast<int64_t>(v));
  return true;
}

bool TCartesianPrj::PointLLToXY(const TPointLL& pt, int32_t index) {
  const TEarthProjection* p = Projection();
  gaPoints[index] = {DeviceX(pt.iLongX), DeviceCoord(p->YOrigin(), -(pt.iLatY * p->ScaleFactor()))};
  return InExtents(pt.iLongX, pt.iLatY);
}

bool TCartesianPrj::XYToLL(int32_t x, int32_t y, int32_t index) {
  const TEarthProjection* p = Projection();
  int32_t longitude = 0;
  const Extended lat = -std::rint((Extended(y) - p->YOrigin()) / p->ScaleFactor());
  if (!LongitudeOf(x, longitude) || !std::isfinite(lat) || !InExtents(longitude, 0) ||
      std::fabs(lat) > GU_90DEGREE)
    return false;
  gaPoints[index] = {longitude, static_cast<int32_t>(lat)};
  return true;
}

void TCartesianPrj::PropertyChanged(TProjectionProperty property) {
  TEarthProjection* p = Projection();
  if (property == ppXRotation) {
    switch (p->XAxisChanges) {
      case xaYOrigin:
        LLToXY(SaturateToInt32(std::rint(p->YRotation() * GU_DEGREE)),
               SaturateToInt32(-std::rint((p->XRotation() - lastX_) * GU_DEGREE)), 0);
        p->SetIntegerProp(ppYOrigin, gaPoints[0].Y);
        break;
      case xaCentralParallel:
        p->SetFloatProp(ppCentralParallel,
                        Mod180Float(p->CentralParallel + p->XRotation() - lastX_));
        break;
      case xaNoAction:
        break;
    }
    lastX_ = p->XRotation();
  } else if (property == ppYRotation) {
    switch (p->YAxisChanges) {
      case yaXOrigin:
        LLToXY(SaturateToInt32(-std::rint((p->YRotation() - lastY_) * GU_DEGREE)),
               SaturateToInt32(-std::rint(p->XRotation() * GU_DEGREE)), 0);
        p->SetIntegerProp(ppXOrigin, gaPoints[0].X);
        break;
      case yaCentralMeridian:
        p->SetFloatProp(ppCentralMeridian,
                        Mod180Float(p->CentralMeridian + p->YRotation() - lastY_));
        break;
      case yaNoAction:
        break;
    }
    lastY_ = p->YRotation();
  }
}

void TCartesianPrj::PaintSurface() {
  TCustomEarthMap* globe = Globe(this);
  if (globe->SurfaceTexture().IsValid() && Projection()->Flags.Contains(pfTextureMap)) {
    globe->EarthCanvas()->RenderTextureMap(globe->SurfaceTexture());
    return;
  }
  TProjectionModel::PaintSurface();
}

std::unique_ptr<TCustomProjectionModel> TCartesianPrj::Clone(TEarthProjection* projection) const {
  return CloneFor(*this, projection);
}

void TCartesianPrj::Assign(const rtl::TPersistent* source) {
  if (const auto* o = dynamic_cast<const TCartesianPrj*>(source)) {
    lastX_ = o->lastX_;
    lastY_ = o->lastY_;
    return;
  }
  TProjectionModel::Assign(source);
}

// ---- TMercatorPrj -------------------------------------------------------------------------------

bool TMercatorPrj::PointLLToXY(const TPointLL& pt, int32_t index) {
  const TEarthProjection* p = Projection();
  const int32_t lat = std::clamp(pt.iLatY, -485'999'999, 485'999'999);
  // Double precision is ample here: the error stays below a globe unit short of the poles.
  const double t = std::numbers::pi / 4 + lat * static_cast<double>(GU_TORADIANS) / 2;
  const Extended ym = std::log(std::tan(t)) * GU_FROMRADIANS;
  gaPoints[index] = {DeviceX(pt.iLongX), DeviceCoord(p->YOrigin(), -(ym * p->ScaleFactor()))};
  return InExtents(pt.iLongX, pt.iLatY);
}

Extended TMercatorPrj::NorthStretch(Extended latitude) const {
  // Within the latitudes drawn (the poles are held just short of 90 degrees).
  const Extended held = std::min<Extended>(std::fabs(latitude), 485'999'999 * GU_TODECIMALDEGREES);
  return 1 / std::cos(held * rtl::Pi / 180);
}

bool TMercatorPrj::XYToLL(int32_t x, int32_t y, int32_t index) {
  const TEarthProjection* p = Projection();
  int32_t longitude = 0;
  const Extended v = (Extended(y) - p->YOrigin()) / p->ScaleFactor();
  const Extended lat =
      std::rint((2 * std::atan(std::exp(-v * GU_TORADIANS)) - rtl::Pi / 2) * GU_FROMRADIANS);
  if (!LongitudeOf(x, longitude) || !std::isfinite(lat) || !InExtents(longitude, lat)) return false;
  gaPoints[index] = {longitude, static_cast<int32_t>(lat)};
  return true;
}

std::unique_ptr<TCustomProjectionModel> TMercatorPrj::Clone(TEarthProjection* projection) const {
  return CloneFor(*this, projection);
}

// ---- Registration -------------------------------------------------------------------------------

void RegisterProjectionModels() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEarthClass<TSphericalPrj>(
        "TSphericalPrj", [](TEarthProjection* p) -> rtl::TObject* { return new TSphericalPrj(p); });
    RegisterEarthClass<TCartesianPrj>(
        "TCartesianPrj", [](TEarthProjection* p) -> rtl::TObject* { return new TCartesianPrj(p); });
    RegisterEarthClass<TMercatorPrj>(
        "TMercatorPrj", [](TEarthProjection* p) -> rtl::TObject* { return new TMercatorPrj(p); });
  });
}
