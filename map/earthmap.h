#pragma once
// The map control TEarthMap, the control the program places on its forms.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "map/earthcanvas.h"
#include "map/earthsource.h"
#include "map/earthmapbase.h"
#include "platform/vcl/bitmap.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/metafile.h"

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
class TEarthMap : public TEarthMapBase {
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

  // Wraps round after 2^32 stamps; stamps are compared by their difference.
  int32_t NextMRU() override {
    mru_ = static_cast<int32_t>(static_cast<uint32_t>(mru_) + 1u);
    return mru_;
  }
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
  // A change of an animated layer: with a back buffer, only where the animated layers drew last
  // is painted again (and where they draw now, once they have drawn).
  void InvalidateMap() override;
  std::string ResolveFilename(const std::string& name) override;
  void UpdateScrollBars() override;
  void LocateToLL(int32_t longitude, int32_t latitude) override;
  bool ProgressMessage(TProgressMessage kind, const std::string& text) override;
  void UpdateTotalMemoryInUse() override;
  void CacheUsedDelta(int64_t delta) override;
  int64_t ReduceCacheMemory(int64_t target) override;
  void RenderToCanvas(vcl::TCanvas* canvas, const TEarthDeviceRect& rect, bool useBitmap) override;
  // Not while drawing onto another canvas: that picture is not the window's view.
  void ShowBackBuffer() override;
  virtual void PaintWindowBackground();
  virtual void PaintGraticule();
  virtual void RenderLayers();
  virtual TEarthPOZ GetPOZ() const;
  virtual void SetPOZ(const TEarthPOZ& view);
  virtual void LocateToObject(TEarthObject* object);
  virtual void PanViewXY(int32_t dx, int32_t dy);
  virtual void Clear();

  // A size in unit as globe units (pixels through the scale factor), and globe units as a size
  // in unit.
  int32_t EarthUnitsFrom(Extended value, TEarthUnitTypes unit) const;
  Extended EarthUnitsTo(Extended value, TEarthUnitTypes unit) const;

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
  // Called from OnPaint, the window's image is made anew from the shaded buffer and shown whole.
  // Each call shades again what the buffer holds: once a render (OnRender) is enough.
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
  vcl::TRect ClientRect() const override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

 private:
  int32_t ScaledTextHeight(int32_t h) const;
  // What a paint draws, between raising and lowering the in-paint flag; false when it only
  // copied the window's image.
  bool PaintPasses();
  // The window's image made anew from the back buffer and the animated layers: all of it, or
  // box (the paint's) and, when they changed, where the animated layers drew last. False when
  // nothing was drawn (the image within box is what the paint before made).
  bool ComposeWindowImage(bool whole, const gdi::RECT& box);
  void Scroll(bool vertical, int code);
  // Onto the DC given, else the paint's or (between paints) the window's.
  void DrawZoomBox(gdi::HDC onto = {});
  void FireCanvasEvent(const rtl::TNotifyEvent& event);
  void ApplyShadow(double time, gdi::TColor twilight, gdi::TColor night, int32_t spacing,
                   bool direct);
  // The shading for RenderShadow (direct: false) and RenderDIBShadow, into the back buffer
  // wherever it is called from.
  void Shade(double time, gdi::TColor twilight, gdi::TColor night, int32_t spacing, bool direct);
  // In a paint whose window has its image already: the image made anew from the back buffer and
  // the animated layers and shown whole.
  void ShowImageWhole();

  std::unique_ptr<vcl::TBitmap> backgroundImage_;
  std::vector<TEarthObjectSource*> sources_;
  std::string environmentFile_;
  std::string surfaceTextureName_;
  gdi::TColor color_ = gdi::TColor(0);
  vcl::TScrollStyle scrollBars_ = vcl::ssBoth;
  int64_t cacheUsed_ = 0;
  int32_t mru_ = 0;
  bool redrawPending_ = true;
  // The animated layers changed since they were drawn into the window's image; where they drew.
  bool imageStale_ = true;
  gdi::RECT animatedBounds_{};
  // Where the animated layers drew beyond the paint that drew them: the next paint shows it.
  gdi::RECT madeForNextPaint_{};
  bool inPaint_ = false;
  // Set in a paint once the window has been given its image (OnPaint).
  bool imageShown_ = false;
  bool suspended_ = false;
  bool zoomBoxOpen_ = false;
  bool rotating_ = false;
  // The buttons pressed on the map and not yet released there, one bit each.
  std::uint8_t pressed_ = 0;
  TEarthDeviceRect zoomBox_;
  TPointLL grabbed_;
};

// Registers TEarthMap by name (made with its owner) on the component palette page "TEarthMap".
void RegisterEarthMap();
