#pragma once
// The map control's base: the state that the projection, the canvas and the attributes read
// (canvas, projection, options, pens and brushes, text heights, graticule steps, view
// rectangle, zoom and pan events), and the operations the map control itself implements.
#include <functional>
#include <memory>
#include <string>

#include "map/earthclasses_canvas.h"
#include "map/earthclasses_source.h"
#include "platform/vcl/bitmap.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/metafile.h"

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

class TEarthLayerStore;
class TEarthPresenterStore;

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
  virtual void ShowBackBuffer();

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
  void Paint() override = 0;
  void RenderPoints(const TPointLL* points, int32_t high, TEarthObjectStateSet state);

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

class TEarthXML_Element;
class TEarthXML_Document;

enum TEarthMouseButton { mzbLeft, mzbRight, mzbMiddle, mzbNone };

// The saved view: scale, centre in device pixels and the rotations in globe units.
struct TEarthPOZ {
  Extended ScaleFactor = 0;
  TEarthDevicePoint Center;
  int32_t XRotation = 0;
  int32_t YRotation = 0;
  int32_t ZRotation = 0;
};

// The map control: owns its layers, projection and object cache, paints through a back buffer,
// zooms to a dragged box, turns the globe by dragging, selects objects and pans with its scroll
// bars.
class TEarthMap : public TCustomEarthMap {
 public:
  explicit TEarthMap(rtl::TComponent* owner);
  ~TEarthMap() override;

  using TLayerEvent = std::function<void(TEarthMap*, TEarthLayer*)>;
  using TObjectEvent = std::function<void(TEarthMap*, TEarthObject*)>;
  using TSourceEvent = std::function<void(TEarthMap*, TEarthObjectSource*)>;
  using TEnvironmentEvent = std::function<void(TEarthMap*, TEarthXML_Document*)>;

  // ---- properties ----
  int32_t CacheCapacity = 10240;  // KB; 0 never cuts the cache
  TEarthMouseButton MouseZoomButton = mzbRight;
  TEarthMouseButton MouseSelectButton = mzbLeft;
  TEarthMouseButton MouseRotateButton = mzbLeft;
  std::string EnvironmentFile() const { return environmentFile_; }
  void SetEnvironmentFile(const std::string& name) { LoadEnvironmentFromFile(name); }
  vcl::TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(int style) override;
  void SetGraticuleDrawMode(TGraticuleDraw mode);
  void SetSurfaceColor(gdi::TColor c);
  gdi::TColor Color() const { return color_; }
  void SetColor(gdi::TColor c);
  vcl::TBitmap* BackgroundImage() const { return backgroundImage_.get(); }
  void SetBackgroundImage(const vcl::TBitmap* image);
  std::string SurfaceTextureName() const { return surfaceTextureName_; }
  void SetSurfaceTextureName(const std::string& name);

  int32_t NextMRU() override { return ++mru_; }
  int32_t GetMaxTextHeight() const override { return ScaledTextHeight(maxTextHeight_); }
  int32_t GetMinTextHeight() const override { return ScaledTextHeight(minTextHeight_); }
  void SetDataDirectory(const std::string& dir) override;
  void SetEarthOptions(TEarthOptionsSet options) override;
  void SetLongitudeStep(int32_t step) override;
  void SetLatitudeStep(int32_t step) override;
  void SetMaxTextHeight(int32_t h) override;
  void SetMinTextHeight(int32_t h) override;
  void SetViewRect(const TEarthDeviceRect& rect) override;
  void Notify(TEarthNotification notification, rtl::TObject* item) override;
  void RedrawLayers() override;
  std::string ResolveFilename(const std::string& name) override;
  void UpdateScrollBars() override;
  void LocateToLL(int32_t longitude, int32_t latitude) override;
  bool ProgressMessage(TProgressMessage kind, const std::string& text) override;
  void UpdateTotalMemoryInUse() override;
  void CacheUsedDelta(int64_t delta) override;
  int64_t ReduceCacheMemory(int64_t target) override;
  void RenderToCanvas(vcl::TCanvas* canvas, const TEarthDeviceRect& rect, bool useBitmap) override;
  virtual void PaintWindowBackground();
  virtual void PaintGraticule();
  virtual void RenderLayers();
  virtual TEarthPOZ GetPOZ() const;
  virtual void SetPOZ(const TEarthPOZ& view);
  virtual void LocateToObject(TEarthObject* object);
  virtual void PanViewXY(int32_t dx, int32_t dy);
  virtual void Clear();

  int64_t GetCacheMemoryUsed() const { return cacheUsed_; }
  const std::vector<TEarthObjectSource*>& ObjectSources() const { return sources_; }
  bool RedrawPending() const { return redrawPending_; }
  bool ZoomBoxOpen() const { return zoomBoxOpen_; }
  const TEarthDeviceRect& ZoomBox() const { return zoomBox_; }

  // A new bitmap of w x h with the map drawn on it; the caller owns it.
  std::unique_ptr<vcl::TBitmap> GetBitmap(int32_t width, int32_t height);
  // A new metafile of w x h pixels (26 hundredths of a millimetre each) with the map recorded on
  // it; the caller owns it.
  std::unique_ptr<vcl::TMetafile> GetMetaFile(int32_t width, int32_t height, bool enhanced);
  std::unique_ptr<vcl::TMetafile> GetMetaFileMM(int32_t widthMM, int32_t heightMM, bool enhanced);

  // Shades the night side (half way towards night) and the twilight band (a quarter of the way
  // towards twilight) for the given time on the back buffer, one block of spacing x spacing
  // pixels at a time; RenderDIBShadow works on the buffer's bits, RenderShadow through its DC.
  void RenderShadow(double time, gdi::TColor twilight, gdi::TColor night, int32_t spacing);
  void RenderDIBShadow(double time, gdi::TColor twilight, gdi::TColor night, int32_t spacing);

  std::unique_ptr<TEarthXML_Element> SaveEnvironment();
  void LoadEnvironment(TEarthXML_Element* element);
  void SaveEnvironmentToFile(const std::string& name);
  void LoadEnvironmentFromFile(const std::string& name);

  rtl::TNotifyEvent OnRender;
  rtl::TNotifyEvent OnPaint;
  rtl::TNotifyEvent OnReduceCacheMemory;
  rtl::TNotifyEvent OnMouseEnter;
  rtl::TNotifyEvent OnMouseLeave;
  TLayerEvent OnLayerCreate;
  TLayerEvent OnLayerFree;
  TObjectEvent OnObjectFree;
  TObjectEvent OnObjectClick;
  TObjectEvent OnObjectSelectChange;
  TSourceEvent OnObjectSourceCreate;
  TSourceEvent OnObjectSourceActiveChange;
  TSourceEvent OnObjectSourceFree;
  std::function<void(TEarthMap*, TProgressMessage, const std::string&, bool&)> OnProgress;
  TEnvironmentEvent OnSaveEnvironment;
  TEnvironmentEvent OnLoadEnvironment;
  std::function<void(TEarthMap*, std::string&)> OnDirectoryNotFound;
  std::function<void(TEarthMap*, std::string&, bool&)> OnFileNotFound;

 protected:
  void Paint() override;
  void CreateParams(vcl::TCreateParams& params) override;
  void WndProc(vcl::TMessage& message) override;
  void Resize() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

 private:
  int32_t ScaledTextHeight(int32_t h) const;
  void Scroll(bool vertical, int code);
  void DrawZoomBox();
  void FireCanvasEvent(const rtl::TNotifyEvent& event);
  void ApplyShadow(double time, gdi::TColor twilight, gdi::TColor night, int32_t spacing,
                   bool direct);

  std::unique_ptr<vcl::TBitmap> backgroundImage_;
  std::vector<TEarthObjectSource*> sources_;
  std::string environmentFile_;
  std::string surfaceTextureName_;
  gdi::TColor color_ = gdi::TColor(0);
  vcl::TScrollStyle scrollBars_ = vcl::ssBoth;
  int64_t cacheUsed_ = 0;
  int32_t mru_ = 0;
  bool redrawPending_ = true;
  bool inPaint_ = false;
  bool suspended_ = false;
  bool zoomBoxOpen_ = false;
  bool rotating_ = false;
  TEarthDeviceRect zoomBox_;
  TPointLL grabbed_;
};
