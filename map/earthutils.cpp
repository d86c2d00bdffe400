#include "map/earthutils.h"

#include <cmath>

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
