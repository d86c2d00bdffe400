#pragma once
// Reference spheroids for geodesic distances and the projection's Spheroid property. The order
// is stored (one byte in projection settings): add new ones at the end only.
#include <cstdint>
#include <string>

enum class TSpheroid : uint8_t {
  Airy1830,
  Bessel1841,
  Clarke1866,
  Clarke1880,
  Everest1830,
  GRS80,
  International1924,
  Krassovsky1942,
  SouthAmerican1969,
  WGS66,
  WGS72,
  WGS84
};
inline constexpr int SpheroidCount = 12;

struct TSpheroidData {
  const char* Name;
  // Semi-major axis in globe units: metres x 48.59611231101512, rounded.
  int32_t SemiMajorAxis;
  double Flattening;
};

// Every spheroid, in enumeration order.
const TSpheroidData& SpheroidData(TSpheroid s);
// A stored ordinal as a spheroid; values past the table give WGS84.
TSpheroid SpheroidFromOrdinal(int ordinal);
