#pragma once
// TCustomEarthMap: what the map's model (projection, canvas, attributes, objects, presenters,
// sources and layers) asks of the map it belongs to - the state they read (canvas, projection,
// options, pens and brushes, text heights, graticule steps, view rectangle, zoom and pan events)
// and the operations the map control implements. The model includes this header only; the
// control itself is in map/earthmap.h.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "map/earthsysutils.h"
#include "platform/gdi/color.h"
#include "platform/rtl/events.h"

namespace vcl {
class TCanvas;
}

class TEarthBrush;
class TEarthCanvas;
class TEarthFont;
class TEarthLayerStore;
class TEarthObject;
class TEarthPen;
class TEarthPresenterStore;
class TEarthProjection;

// Where object sources keep their ".md" caches.
enum TSaveMetaDataLocation { smdInDataDirectory, smdWithDataFile, smdWithExeFile, smdDiscard };

enum TEarthOption {
  goCache3DPoints,
  goDoubleBuffered,
  goInterruptable,
  goMultiSelect,
  goTransparentGlobe,
  goTransparentBackground,
  goConstantScaleOnResize,
  goFixedCenterXYOnResize
};
using TEarthOptionsSet = TSet16<TEarthOption>;

enum TGraticuleDraw { gdNone, gdBehind, gdInFront };
enum TGreatCircle { gcShortest, gcLongest, gcCircle };
enum TEarthNotification {
  gnLayerCreate,
  gnLayerFree,
  gnObjectSourceCreate,
  gnObjectSourceActiveChange,
  gnObjectSourceFree,
  gnObjectFree,
  gnObjectSelectChange
};

class TCustomEarthMap {
 public:
  TCustomEarthMap();
  virtual ~TCustomEarthMap();
  TCustomEarthMap(const TCustomEarthMap&) = delete;
  TCustomEarthMap& operator=(const TCustomEarthMap&) = delete;

  // The control underneath: the object events name as their sender, whether its properties are
  // being loaded (no zoom or pan events then), its size and client area in pixels, a repaint.
  virtual rtl::TObject* AsObject() = 0;
  virtual bool Loading() const = 0;
  virtual int32_t MapWidth() const = 0;
  virtual int32_t MapHeight() const = 0;
  virtual TEarthDeviceRect MapClientRect() const = 0;
  virtual void InvalidateMap() = 0;

  TEarthCanvas* EarthCanvas() const { return earthCanvas_.get(); }
  TEarthProjection* Projection() const { return projection_.get(); }
  TEarthOptionsSet EarthOptions() const { return earthOptions_; }
  TTextureData& SurfaceTexture() { return *surfaceTexture_; }

  TEarthPen* SelectedPen() const { return selectedPen_.get(); }
  TEarthPen* TransparentPen() const { return transparentPen_.get(); }
  TEarthPen* GraticulePen() const { return graticulePen_.get(); }
  TEarthBrush* SelectedBrush() const { return selectedBrush_.get(); }
  TEarthBrush* TransparentBrush() const { return transparentBrush_.get(); }
  TEarthBrush* SurfaceBrush() const { return surfaceBrush_.get(); }
  TEarthPen* InternalPen() const { return internalPen_.get(); }
  TEarthFont* InternalTextFont() const { return textFont_.get(); }

  int32_t GraticuleLatitudeStep() const { return latitudeStep_; }
  int32_t GraticuleLongitudeStep() const { return longitudeStep_; }
  TGraticuleDraw GraticuleDrawMode() const { return graticuleDrawMode_; }
  gdi::TColor SurfaceColor() const { return surfaceColor_; }

  // The window in globe units of the projection plane, set whenever the scale changes.
  const TEarthDeviceRect& ViewRect() const { return viewRect_; }
  void StoreViewRect(const TEarthDeviceRect& r) { viewRect_ = r; }

  // The layers in drawing order with the global presenters; owned.
  TEarthLayerStore* LayerStore() const { return layerStore_.get(); }
  TEarthPresenterStore* GlobalPresenters() const;

  // True from the start of the control's destruction: layers and sources then ask for nothing.
  bool ClosingDown() const { return closingDown_; }

  // Where object sources keep their ".md" caches.
  TSaveMetaDataLocation SaveMetaDataLocation = smdInDataDirectory;
  std::string DataDirectory;
  // Milliseconds between copies of a partly drawn back buffer to the window; 0 for none.
  int32_t PeriodicUpdateTime = 0;
  // Set to stop a render in progress; the layers look at it every 256 objects.
  bool AbortRender = false;

  std::function<void(TCustomEarthMap*, TEarthObject*, TEarthObjectStateSet)> OnObjectRender;
  std::function<void(TCustomEarthMap*, TEarthObject*)> OnObjectCreate;
  rtl::TNotifyEvent OnZoomed;
  rtl::TNotifyEvent OnPanned;
  rtl::TNotifyEvent OnPaintGraticule;

  // Copies the whole back buffer to the window (when the control sits in one): a long render
  // shows its progress.
  virtual void ShowBackBuffer() = 0;

  // The map control's own operations (the control itself implements them).
  virtual int32_t NextMRU() = 0;
  virtual int32_t GetMaxTextHeight() const = 0;
  virtual int32_t GetMinTextHeight() const = 0;
  virtual void SetDataDirectory(const std::string& dir) = 0;
  virtual void SetEarthOptions(TEarthOptionsSet options) = 0;
  virtual void SetLongitudeStep(int32_t step) = 0;
  virtual void SetLatitudeStep(int32_t step) = 0;
  virtual void SetMaxTextHeight(int32_t h) = 0;
  virtual void SetMinTextHeight(int32_t h) = 0;
  virtual void SetScrollBars(int style) = 0;
  virtual void SetViewRect(const TEarthDeviceRect& rect) = 0;
  // Layers join and leave the layer store here.
  virtual void Notify(TEarthNotification notification, rtl::TObject* item);
  virtual void RedrawLayers() = 0;
  virtual std::string ResolveFilename(const std::string& name) = 0;
  virtual void UpdateScrollBars() = 0;
  virtual void LocateToLL(int32_t longitude, int32_t latitude) = 0;
  virtual bool ProgressMessage(TProgressMessage kind, const std::string& text) = 0;
  virtual void UpdateTotalMemoryInUse() = 0;
  virtual void CacheUsedDelta(int64_t delta) = 0;
  virtual int64_t ReduceCacheMemory(int64_t target) = 0;
  virtual void RenderToCanvas(vcl::TCanvas* canvas, const TEarthDeviceRect& rect,
                              bool useBitmap) = 0;
  // The drawing primitives, through the canvas in the map's projection (the positions of
  // points: high + 1 of them).
  virtual void RenderPolygon(const TPointLL* points, int32_t high);
  virtual void RenderPolyLine(const TPointLL* points, int32_t high);
  virtual void RenderTextOut(int32_t longitude, int32_t latitude, const std::string& text,
                             TEarthUnitTypes unit);
  virtual void RenderCircle(const TPointLL& centre, int32_t radius, int32_t steps);
  // A straight line in longitude and latitude, across the 180th meridian when its ends lie
  // beyond 90 degrees on either side.
  virtual void RenderLine(const TPointLL& from, const TPointLL& to, int32_t steps);
  virtual void RenderGreatCircleLine(const TPointLL& from, const TPointLL& to, TGreatCircle kind);

 protected:
  void RenderPoints(const TPointLL* points, int32_t high, TEarthObjectStateSet state);

  std::unique_ptr<TEarthCanvas> earthCanvas_;
  std::unique_ptr<TEarthProjection> projection_;
  std::unique_ptr<TTextureData> surfaceTexture_;
  std::unique_ptr<TEarthPen> selectedPen_;
  std::unique_ptr<TEarthPen> transparentPen_;
  std::unique_ptr<TEarthPen> graticulePen_;
  std::unique_ptr<TEarthBrush> selectedBrush_;
  std::unique_ptr<TEarthBrush> transparentBrush_;
  std::unique_ptr<TEarthPen> internalPen_;
  std::unique_ptr<TEarthBrush> surfaceBrush_;
  std::unique_ptr<TEarthFont> textFont_;
  std::unique_ptr<TEarthLayerStore> layerStore_;
  bool closingDown_ = false;
  TEarthOptionsSet earthOptions_{goCache3DPoints, goDoubleBuffered};
  int32_t minTextHeight_ = 5;
  int32_t maxTextHeight_ = 0;
  int32_t latitudeStep_ = 15;
  int32_t longitudeStep_ = 15;
  TGraticuleDraw graticuleDrawMode_ = gdBehind;
  gdi::TColor surfaceColor_ = gdi::TColor(0xFFFF00);
  TEarthDeviceRect viewRect_;
};
