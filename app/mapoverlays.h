// The main window's sailing overlays on its map: one layer, its presenters and objects. The map
// control owns them all; these are the window's handles to them.
#pragma once

#include <cstdint>

#include "map/earthobjects.h"
#include "map/earthpresenters.h"

class TEarthLayer;
class TCustomEarthMap;

// Presenter IDs of the overlays.
enum TOverlayPresenter : std::int32_t {
  opBoat = 99,
  opSpare = 100,  // made with the others, shows nothing
  opStarboardLayline = 98,
  opPortLayline = 97,
  opHeadingLine = 96,
  opRangeCircle = 95,
  opTrack = 94,
  opMarker = 93,
  opWaypointLayline1 = 92,
  opWaypointLayline2 = 91,
  opWaypoints = 101,
  opWindArrow = 102,
  opCurrentArrow = 103,
  opCogVector = 104
};

// The symbols' character codes in the "Plevoran" face.
inline constexpr std::int16_t kBoatSymbol = 71;
inline constexpr std::int16_t kWaypointSymbol = 68;
inline constexpr std::int16_t kWindSymbol = 73;
inline constexpr std::int16_t kCurrentSymbol = 72;

struct TMapOverlay {
  TEarthLayer* Layer = nullptr;
  // Point objects.
  TGeoDataObject* Boat = nullptr;
  TGeoDataObject* RangeCircle = nullptr;
  TGeoDataObject* Marker = nullptr;     // the active waypoint
  TGeoDataObject* Waypoints = nullptr;  // every waypoint of the table, one chain
  TGeoDataObject* WindArrow = nullptr;
  TGeoDataObject* CurrentArrow = nullptr;
  // Line objects, one chain each.
  TGeoDataObject* StarboardLayline = nullptr;
  TGeoDataObject* PortLayline = nullptr;
  TGeoDataObject* HeadingLine = nullptr;
  TGeoDataObject* Track = nullptr;
  TGeoDataObject* WaypointLayline1 = nullptr;
  TGeoDataObject* WaypointLayline2 = nullptr;
  TGeoDataObject* CogVector = nullptr;

  TPointPresenter* Presenter(std::int32_t id) const;
  TPolylinePresenter* LinePresenter(std::int32_t id) const;
  bool Built() const { return Layer != nullptr; }
};

// The diameter of the range circle in globe units: how far the boat gets at sog knots in `minutes`
// minutes, twice over; NaN, negative and huge speeds kept to 0..half the globe's circumference.
std::int32_t RangeCircleDiameter(double sog, std::int32_t minutes);

// A longitude in degrees one spin step on: 5 degrees east, wrapped into -180..180.
std::int32_t NextSpinLongitude(std::int32_t degrees);
