// The spheroid table. Axes and inverse flattenings are those of the usual geodetic references
// (the same values proj lists with -le); axes are turned into globe units once, here.
#include "map/earthsysutils_spheroid.h"

#include <array>

namespace {

constexpr std::array<TSpheroidData, SpheroidCount> kSpheroids{{
    {"Airy 1830", 309'924'787, 1 / 299.3249646},
    {"Bessel 1841", 309'916'708, 1 / 299.1528128},
    {"Clarke 1866", 309'956'035, 1 - 6356583.8 / 6378206.4},  // given by its two axes
    {"Clarke 1880", 309'958'112, 1 / 293.4663},
    {"Everest 1830", 309'910'838, 1 / 300.8017},
    {"GRS 1980", 309'952'662, 1 / 298.257222101},
    {"International 1924", 309'964'860, 1 / 297.0},
    {"Krassovsky 1942", 309'957'910, 1 / 298.3},
    {"South American 1969", 309'953'780, 1 / 298.25},
    {"WGS 66", 309'953'051, 1 / 298.25},
    {"WGS 72", 309'952'565, 1 / 298.26},
    {"WGS 84", 309'952'662, 1 / 298.257223563},
}};

}  // namespace

const TSpheroidData& SpheroidData(TSpheroid s) {
  return kSpheroids[static_cast<size_t>(s)];
}

TSpheroid SpheroidFromOrdinal(int ordinal) {
  if (ordinal < 0 || ordinal >= SpheroidCount) return TSpheroid::WGS84;
  return static_cast<TSpheroid>(ordinal);
}
