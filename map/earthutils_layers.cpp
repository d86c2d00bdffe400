// Layer-level helpers of the map: the layer of an object, splitting and combining vector objects,
// zooming the view to rectangles, layers and objects, and visibility tests in device pixels.
#include <algorithm>
#include <vector>

#include "map/earthlayer.h"
#include "map/earthprojection.h"
#include "map/earthcustommap.h"
#include "map/earthobjects.h"
#include "map/earthutils.h"
#include "platform/rtl/streams.h"

namespace {

// The middle of a MER, worked wide: a MER may span the whole range of 32 bits.
int32_t Middle(int32_t origin, int32_t extent) {
  return SaturateToInt32(static_cast<Extended>(int64_t{origin} + extent / 2));
}

}  // namespace

TEarthLayer* LayerFromObject(TCustomEarthMap* globe, const TEarthObject* object) {
  if (!globe || !object || !object->Parent()) return nullptr;
  TEarthLayerStore* store = globe->LayerStore();
  for (int32_t i = 0; i < store->GetCount(); ++i) {
    if (TEarthLayer* layer = store->GetLayer(i); layer->GetObjects() == object->Parent()) {
      return layer;
    }
  }
  return nullptr;
}

void LayerFromResourceName(TEarthLayer* /*layer*/, const std::string& name) {
  // Only looks the data up: no layer is read from a program resource.
  rtl::TResourceStream stream(name);
}

void LayerFromResourceID(TEarthLayer* layer, int32_t id) {
  LayerFromResourceName(layer, "#" + std::to_string(id));
}

void ConcatPoints(TPointStore& destination, const TPointStore& source) {
  for (int32_t i = 0; i < source.GetCount(); ++i) destination.Add(source.GetLL(i));
}

int32_t SplitGeoDataObject(TGeoDataObject& object, TEarthLayer& layer) {
  TEarthObjectSource* target = layer.GetObjects();
  const int32_t chains = object.Chains().GetCount();
  target->SetCapacity(target->GetCount() + chains);
  for (int32_t i = 0; i < chains; ++i) {
    auto* part = new TGeoDataObject(target);  // owned by its slot in target
    part->Title = object.Title;
    // A ring of a polygon stays a polygon, drawn as before.
    part->SetClosed(object.GetClosed());
    part->SetPresenterID(object.PresenterID);
    part->Chains().Add(object.Chains().GetChain(i)->Clone());
  }
  object.Chains().SetCount(0);
  object.RedrawObject();
  return chains;
}

TGeoDataObject* CombineGeoDataObjects(const std::vector<TGeoDataObject*>& objects,
                                      TEarthLayer& layer) {
  auto* combined = new TGeoDataObject(layer.GetObjects());  // owned by its slot
  combined->Title = "New Object";
  bool first = true;
  for (TGeoDataObject* o : objects) {
    if (!o) continue;
    if (first) {
      first = false;
      combined->SetClosed(o->GetClosed());
      combined->SetPresenterID(o->PresenterID);
    }
    // Copies: the combined object shares no point store with objects that stay.
    for (int32_t c = 0; c < o->Chains().GetCount(); ++c) {
      combined->Chains().Add(o->Chains().GetChain(c)->Clone());
    }
  }
  return combined;
}

void DrawProjectedMER(TCustomEarthMap* globe, const TMER& mer) {
  const int32_t l = mer.iLongX, t = mer.iLatY;
  const int32_t r = SaturateToInt32(static_cast<Extended>(int64_t{l} + mer.iWidthX));
  const int32_t b = SaturateToInt32(static_cast<Extended>(int64_t{t} + mer.iHeightY));
  globe->RenderLine(PointLL(r, t), PointLL(l, t), 32);
  globe->RenderLine(PointLL(r, b), PointLL(r, t), 32);
  globe->RenderLine(PointLL(l, b), PointLL(r, b), 32);
  globe->RenderLine(PointLL(l, t), PointLL(l, b), 32);
}

void ZoomToMER(TCustomEarthMap* globe, const TMER& mer) {
  globe->Projection()->SetEarthCenterXY({globe->MapWidth() / 2, globe->MapHeight() / 2});
  if (mer.iWidthX != 0 && mer.iHeightY != 0) {
    globe->SetViewRect({0, 0, mer.iWidthX, mer.iHeightY});
  }
  globe->LocateToLL(Middle(mer.iLongX, mer.iWidthX), Middle(mer.iLatY, mer.iHeightY));
}

void ZoomToObject(TCustomEarthMap* globe, TEarthObject* object) {
  if (object) ZoomToMER(globe, object->GetObjectMER());
}

void ZoomToLayer(TEarthLayer* layer) {
  if (layer) ZoomToMER(layer->Globe(), layer->GetLayerMER());
}

void ZoomToLayers(TEarthLayerStore* store) {
  if (!store || store->GetCount() == 0) return;
  TMER mer = store->GetLayer(0)->GetLayerMER();
  for (int32_t i = 1; i < store->GetCount(); ++i) {
    mer = UnionMER(mer, store->GetLayer(i)->GetLayerMER());
  }
  ZoomToMER(store->GetLayer(0)->Globe(), mer);
}

void ZoomToSelectedObjects(TCustomEarthMap* globe) {
  TEarthLayerStore* store = globe->LayerStore();
  const int32_t n = store->GetSelectedCount();
  if (n == 0) return;  // nothing to frame: the view stays
  TMER mer = store->GetSelected(0)->GetObjectMER();
  for (int32_t i = 1; i < n; ++i) mer = UnionMER(mer, store->GetSelected(i)->GetObjectMER());
  ZoomToMER(globe, mer);
}

bool IsMERVisible(TCustomEarthMap* globe, const TMER& mer) {
  TEarthObjectStateSet state;
  return globe->Projection()->Model()->VisibleMER(mer, state);
}

bool IsObjectVisible(TCustomEarthMap* globe, TEarthObject* object) {
  return IsObjectVisibleInRect(globe, object, globe->MapClientRect());
}

bool IsObjectVisibleInRect(TCustomEarthMap* globe, TEarthObject* object,
                           const TEarthDeviceRect& rect) {
  if (!object || !IsMERVisible(globe, object->GetObjectMER())) return false;
  TEarthProjection* projection = globe->Projection();
  const auto inside = [&](const TPointLL& p) {
    TEarthDevicePoint d;
    return projection->PointLLToXY(p, d) && d.X >= rect.Left && d.X < rect.Right &&
           d.Y >= rect.Top && d.Y < rect.Bottom;
  };
  auto* geo = dynamic_cast<TGeoDataObject*>(object);
  if (geo && geo->Chains().GetCount() > 0) {
    for (int32_t c = 0; c < geo->Chains().GetCount(); ++c) {
      const TPointStore* chain = geo->Chains().GetChain(c);
      for (int32_t i = 0; i < chain->GetCount(); ++i) {
        if (inside(chain->GetLL(i))) return true;
      }
    }
  } else if (inside(object->GetCentroid())) {
    return true;
  }
  // No point inside: the rectangle may still lie within the object (a sea inside a coast).
  TPointLL centre;
  return projection->DeviceXYToLL(Middle(rect.Left, rect.Right - rect.Left),
                                  Middle(rect.Top, rect.Bottom - rect.Top), centre) &&
         object->LLInObject(centre, 0);
}

bool SamePixelPos(TEarthProjection* projection, const TPointLL& pt1, const TPointLL& pt2) {
  // Both must be seen: a position on the far side of the globe projects onto the pixel of the
  // one in front of it, which is not where it shows.
  TEarthDevicePoint a, b;
  return projection->PointLLToXY(pt1, a) && projection->PointLLToXY(pt2, b) && a.X == b.X &&
         a.Y == b.Y;
}
