#pragma once
// Great-circle distance, bearing and destination point on the globe's sphere, in globe units.
// Bearings here are counter-clockwise from true north: due east is -90 degrees, due west +90.
#include <cstdint>
#include <string>
#include <vector>

#include "map/earthsysutils.h"
#include "map/earthsysutils_spheroid.h"

// Arc length between two positions, GU of arc (1/90,000 of a nautical mile).
int32_t DistanceLLToLL(const TPointLL& pt1, const TPointLL& pt2);
// Initial bearing from pt1 to pt2, GU, within -180..180 degrees.
int32_t AngleLLToLL(const TPointLL& pt1, const TPointLL& pt2);
// The position reached from pt along the great circle of the given bearing and length (GU).
TPointLL AngleDistToGCPoint(const TPointLL& pt, int32_t angle, int32_t distance);
// The point at `fraction` of the way from pt1 to pt2 along their great circle (0 gives pt1, 1
// pt2). Identical or antipodal points give pt1: no single great circle joins them.
TPointLL GreatCirclePoint(const TPointLL& pt1, const TPointLL& pt2, Extended fraction);
// Geodesic distance on the spheroid, GU (Vincenty's inverse formula). Nearly antipodal points,
// where the iteration does not settle, get the great-circle distance on the spheroid's mean sphere
// (within 0.5 % of the geodesic).
int32_t EllipsoidDistanceLLToLL(const TPointLL& pt1, const TPointLL& pt2, TSpheroid spheroid);

class TCustomEarthMap;

// A layer on globe reading the named file, its reader chosen by the extension of the name as
// given (".lyr" layer file, ".shp" shapefile, ".mif" MapInfo file, without regard to case; any
// other: a plain object source). The layer's index, or -1 (and no layer) when the file does not exist. A reader's
// exception on opening passes on; the layer stays.
int32_t CreateFileLayer(TCustomEarthMap* globe, const std::string& fileName);

class TEarthLayer;
class TEarthLayerStore;
class TEarthObject;
class TEarthProjection;
class TGeoDataObject;
class TPointStore;

// The first layer of globe whose object source holds object; nil when none does.
TEarthLayer* LayerFromObject(TCustomEarthMap* globe, const TEarthObject* object);
// Open the program's embedded data of that name (a number n names "#n") and close it again; the
// layer is not changed. A missing one raises rtl::EResNotFound.
void LayerFromResourceName(TEarthLayer* layer, const std::string& name);
void LayerFromResourceID(TEarthLayer* layer, int32_t id);
// Appends every point of source to destination.
void ConcatPoints(TPointStore& destination, const TPointStore& source);
// An object of the layer's source for each chain of object (its title, closedness and presenter,
// a copy of the chain); object is left without chains. The number of objects made.
int32_t SplitGeoDataObject(TGeoDataObject& object, TEarthLayer& layer);
// A new object of the layer's source, "New Object", with copies of the chains of the objects in
// order; closedness and presenter from the first. Owned by its slot.
TGeoDataObject* CombineGeoDataObjects(const std::vector<TGeoDataObject*>& objects,
                                      TEarthLayer& layer);
// The outline of the rectangle, each side in 32 steps.
void DrawProjectedMER(TCustomEarthMap* globe, const TMER& mer);
// Frames the rectangle in the control (a rectangle of no width or height only centres it).
void ZoomToMER(TCustomEarthMap* globe, const TMER& mer);
void ZoomToObject(TCustomEarthMap* globe, TEarthObject* object);
void ZoomToLayer(TEarthLayer* layer);
// The union of all layers; nothing for an empty store.
void ZoomToLayers(TEarthLayerStore* store);
// The union of the selected objects; nothing when none is selected.
void ZoomToSelectedObjects(TCustomEarthMap* globe);
bool IsMERVisible(TCustomEarthMap* globe, const TMER& mer);
// Whether any of the object shows in the control's client area.
bool IsObjectVisible(TCustomEarthMap* globe, TEarthObject* object);
// Whether a point of the object projects into rect (device pixels, right and bottom outside), or
// the rectangle's centre lies within the object.
bool IsObjectVisibleInRect(TCustomEarthMap* globe, TEarthObject* object,
                           const TEarthDeviceRect& rect);
// Whether both positions project to the same device pixel (false when either is hidden).
bool SamePixelPos(TEarthProjection* projection, const TPointLL& pt1, const TPointLL& pt2);
