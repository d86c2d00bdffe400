// NMEA positions (ddmm.mmmm, dddmm.mmmm; negative south and west) in globe units. The boat on the
// map and the track of a replay take them through this one rule, so that a replay's last point
// and the boat drawn there are the same point.
#pragma once

#include <cstdint>

#include "map/earthsysutils.h"

// Whole degrees (value / 100 truncated toward zero) plus the remaining minutes.
std::int32_t NmeaToUnits(double value);
TPointLL NmeaToPointLL(double longitude, double latitude);
