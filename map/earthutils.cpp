#include "map/earthutils.h"

#include <cmath>

#include "map/earthlayer.h"
#include "map/readers/earthlyrmapper.h"
#include "map/earthcustommap.h"
#include "map/readers/earthmifmapper.h"
#include "map/readers/earthshpmapper.h"
#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

int32_t DistanceLLToLL(const TPointLL& pt1, const TPointLL& pt2) {
  const Extended lat1 = pt1.iLatY * GU_TORADIANS;
  const Extended lat2 = pt2.iLatY * GU_TORADIANS;
  const Extended lon1 = pt1.iLongX * GU_TORADIANS;
  const Extended lon2 = pt2.iLongX * GU_TORADIANS;
  const Extended sLat = std::sin((lat1 - lat2) * 0.5L);
  const Extended sLon = std::sin((lon1 - lon2) * 0.5L);
  const Extended a = sLat * sLat + std::cos(lat1) * std::cos(lat2) * sLon * sLon;
  // Rounding can carry a past 1 for antipodes; the arcsine then gives half a turn.
  const Extended d = 2 * ArcSin(std::sqrt(a));
  return SaturateToInt32(d * GU_FROMRADIANS);
}

int32_t AngleLLToLL(const TPointLL& pt1, const TPointLL& pt2) {
  const Extended lat1 = pt1.iLatY * GU_TORADIANS;
  const Extended lat2 = pt2.iLatY * GU_TORADIANS;
  // The integer difference first, in 64 bits, so that opposite longitudes cannot overflow.
  const Extended dlon =
      static_cast<Extended>(static_cast<int64_t>(pt1.iLongX) - pt2.iLongX) * GU_TORADIANS;
  const Extended y = std::sin(dlon) * std::cos(lat2);
  const Extended x =
      std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dlon);
  return SaturateToInt32(SphericalMod(ArcTan2(y, x)) * GU_FROMRADIANS);
}

TPointLL AngleDistToGCPoint(const TPointLL& pt, int32_t angle, int32_t distance) {
  const Extended lat1 = pt.iLatY * GU_TORADIANS;
  const Extended tc = angle * GU_TORADIANS;
  const Extended d = distance / EARTHRADIUS;
  const Extended lat =
      ArcSin(std::sin(lat1) * std::cos(d) + std::cos(lat1) * std::sin(d) * std::cos(tc));
  const Extended dlon = ArcTan2(std::sin(tc) * std::sin(d) * std::cos(lat1),
                                std::cos(d) - std::sin(lat1) * std::sin(lat));
  const Extended lon = SphericalMod(pt.iLongX * GU_TORADIANS - dlon + rtl::Pi) - rtl::Pi;
  return PointLL(SaturateToInt32(lon * GU_FROMRADIANS), SaturateToInt32(lat * GU_FROMRADIANS));
}

namespace {

// Unit vectors in full precision: the store's integer 3-D points (a GU of rounding on each axis)
// and a truncating conversion back would move the result by more than a GU.
TV3D UnitVector(const TPointLL& p) {
  const Extended lat = p.iLatY * GU_TORADIANS;
  const Extended lon = p.iLongX * GU_TORADIANS;
  return {std::cos(lat) * std::sin(lon), std::sin(lat), std::cos(lat) * std::cos(lon)};
}

TPointLL NearestPointLL(const TV3D& v) {
  return PointLL(SaturateToInt32(ArcTan2(v.X, v.Z) * GU_FROMRADIANS),
                 SaturateToInt32(ArcTan2(v.Y, std::hypot(v.X, v.Z)) * GU_FROMRADIANS));
}

}  // namespace

TPointLL GreatCirclePoint(const TPointLL& pt1, const TPointLL& pt2, Extended fraction) {
  const TV3D e1 = UnitVector(pt1);
  const TV3D e2 = UnitVector(pt2);
  TV3D axis = V3DCross(e1, e2);
  const Extended length = std::sqrt(V3DDot(axis, axis));
  // The rotation must be about a unit axis, else the quaternion turns by less than asked.
  if (length < 1e-15L) return pt1;
  axis = {axis.X / length, axis.Y / length, axis.Z / length};
  // The angle from the cross and dot products keeps its precision for short arcs too.
  const Extended angle = -ArcTan2(length, V3DDot(e1, e2)) * fraction;
  return NearestPointLL(V3DMatrixMul(QuatToMatrix(AxisAngleToQuat(axis, angle)), e1));
}

namespace {

// Beyond this the longitude on the auxiliary sphere is taken not to settle (nearly antipodal).
constexpr int kMaxVincentyIterations = 200;
constexpr Extended kVincentyTolerance = 1e-12L;

}  // namespace

int32_t EllipsoidDistanceLLToLL(const TPointLL& pt1, const TPointLL& pt2, TSpheroid spheroid) {
  if (pt1.iLongX == pt2.iLongX && pt1.iLatY == pt2.iLatY) return 0;
  const TSpheroidData& data = SpheroidData(spheroid);
  const Extended a = data.SemiMajorAxis;
  const Extended f = data.Flattening;
  const Extended b = a * (1 - f);
  const Extended L =
      static_cast<Extended>(static_cast<int64_t>(pt2.iLongX) - pt1.iLongX) * GU_TORADIANS;
  const Extended U1 = std::atan((1 - f) * std::tan(pt1.iLatY * GU_TORADIANS));
  const Extended U2 = std::atan((1 - f) * std::tan(pt2.iLatY * GU_TORADIANS));
  const Extended sinU1 = std::sin(U1), cosU1 = std::cos(U1);
  const Extended sinU2 = std::sin(U2), cosU2 = std::cos(U2);

  Extended lambda = L, sinSigma = 0, cosSigma = 0, sigma = 0, cos2Alpha = 0, cos2SigmaM = 0;
  bool converged = false;
  for (int i = 0; i < kMaxVincentyIterations && !converged; ++i) {
    const Extended sinLambda = std::sin(lambda), cosLambda = std::cos(lambda);
    const Extended t1 = cosU2 * sinLambda;
    const Extended t2 = cosU1 * sinU2 - sinU1 * cosU2 * cosLambda;
    sinSigma = std::sqrt(t1 * t1 + t2 * t2);
    if (sinSigma == 0) return 0;  // coincident after all (the poles at any longitude)
    cosSigma = sinU1 * sinU2 + cosU1 * cosU2 * cosLambda;
    sigma = std::atan2(sinSigma, cosSigma);
    const Extended sinAlpha = cosU1 * cosU2 * sinLambda / sinSigma;
    cos2Alpha = 1 - sinAlpha * sinAlpha;
    // On the equator cos2Alpha is 0 and the term drops out.
    cos2SigmaM = cos2Alpha != 0 ? cosSigma - 2 * sinU1 * sinU2 / cos2Alpha : 0;
    const Extended C = f / 16 * cos2Alpha * (4 + f * (4 - 3 * cos2Alpha));
    const Extended previous = lambda;
    lambda = L + (1 - C) * f * sinAlpha *
                     (sigma + C * sinSigma *
                                  (cos2SigmaM + C * cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM)));
    converged = std::fabs(lambda - previous) < kVincentyTolerance;
  }
  if (!converged) {
    const Extended meanRadius = (2 * a + b) / 3;
    return SaturateToInt32(DistanceLLToLL(pt1, pt2) / GU_FROMRADIANS * meanRadius);
  }
  const Extended u2 = cos2Alpha * (a * a - b * b) / (b * b);
  const Extended A = 1 + u2 / 16384 * (4096 + u2 * (-768 + u2 * (320 - 175 * u2)));
  const Extended B = u2 / 1024 * (256 + u2 * (-128 + u2 * (74 - 47 * u2)));
  const Extended deltaSigma =
      B * sinSigma *
      (cos2SigmaM + B / 4 *
                        (cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM) -
                         B / 6 * cos2SigmaM * (-3 + 4 * sinSigma * sinSigma) *
                             (-3 + 4 * cos2SigmaM * cos2SigmaM)));
  return SaturateToInt32(b * A * (sigma - deltaSigma));
}

int32_t CreateFileLayer(TCustomEarthMap* globe, const std::string& fileName) {
  if (!rtl::FileExists(globe->ResolveFilename(fileName))) return -1;
  auto* layer = new TEarthLayer(globe);  // joins the globe's layer store
  const std::string ext = rtl::UpperCase(rtl::ExtractFileExt(fileName));
  TEarthFileReader* reader = nullptr;
  if (ext == ".LYR") {
    reader = new TEarthLYRReader(globe);
  } else if (ext == ".SHP") {
    reader = new TEarthSHPReader(globe);
  } else if (ext == ".MIF") {
    reader = new TEarthMIFReader(globe);
  }
  if (reader) {
    reader->SetFileName(fileName);
    layer->SetObjects(reader);
  }
  layer->GetObjects()->SetActive(true);
  return globe->LayerStore()->IndexOf(layer);
}
