#include "app/nmeaposition.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::int32_t NmeaToUnits(double value) {
  const double degrees = std::trunc(value / 100);
  // Each part saturates on its own; their sum is kept inside the type as well.
  const std::int64_t units = std::int64_t{EarthUnitsFrom(degrees, TEarthUnitTypes::Degree)} +
                             EarthUnitsFrom(value - degrees * 100, TEarthUnitTypes::Minute);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      units, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

TPointLL NmeaToPointLL(double longitude, double latitude) {
  return PointLL(NmeaToUnits(longitude), NmeaToUnits(latitude));
}
