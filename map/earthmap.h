#pragma once
// The map control's base: the state that the projection, the canvas and the attributes read
// (canvas, projection, options, pens and brushes, text heights, graticule steps, view
// rectangle, zoom and pan events), and the operations the map control itself implements.
#include <memory>
#include <string>

#include "map/earthclasses_canvas.h"
#include "platform/vcl/controls.h"

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

class TCustomEarthMap : public vcl::TCustomControl {
 public:
  explicit TCustomEarthMap(rtl::TComponent* owner);
  ~TCustomEarthMap() override;

  TEarthCanvas* EarthCanvas() const { return canvas_.get(); }
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
  // True while the control's properties are being loaded (no zoom or pan events then).
  bool Loading() const { return (ComponentState() & rtl::csLoading) != 0; }

  rtl::TNotifyEvent OnZoomed;
  rtl::TNotifyEvent OnPanned;
  rtl::TNotifyEvent OnPaintGraticule;

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
  virtual void Notify(TEarthNotification notification, rtl::TObject* item) = 0;
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
  virtual void RenderPolygon(const TPointLL* points, int32_t high) = 0;
  virtual void RenderPolyLine(const TPointLL* points, int32_t high) = 0;
  virtual void RenderTextOut(int32_t longitude, int32_t latitude, const std::string& text,
                             TEarthUnitTypes unit) = 0;
  virtual void RenderCircle(const TPointLL& centre, int32_t radius, int32_t steps) = 0;
  virtual void RenderLine(const TPointLL& from, const TPointLL& to, int32_t steps) = 0;
  virtual void RenderGreatCircleLine(const TPointLL& from, const TPointLL& to,
                                     TGreatCircle kind) = 0;

 protected:
  void Paint() override = 0;

  std::unique_ptr<TEarthCanvas> canvas_;
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
  TEarthOptionsSet earthOptions_{goCache3DPoints, goDoubleBuffered};
  int32_t minTextHeight_ = 5;
  int32_t maxTextHeight_ = 0;
  int32_t latitudeStep_ = 15;
  int32_t longitudeStep_ = 15;
  TGraticuleDraw graticuleDrawMode_ = gdBehind;
  gdi::TColor surfaceColor_ = gdi::TColor(0xFFFF00);
  TEarthDeviceRect viewRect_;
};
