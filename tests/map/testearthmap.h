#pragma once
// A small map control for the tests, fuzz targets and benchmarks of the map's drawing: it keeps
// what the control's own operations set and counts redraws; it draws with the primitives every
// map has.
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "map/earthcanvas.h"
#include "map/earthmapbase.h"
#include "map/earthprojection.h"

class TTestEarthMap : public TEarthMapBase {
 public:
  using TEarthMapBase::TEarthMapBase;

  // A back buffer of w x h drawn through a memory DC.
  void UseBackBuffer(int32_t w, int32_t h) {
    SetBounds(0, 0, w, h);
    EarthCanvas()->SizeBMP(w, h, EarthCanvas()->ScreenPixelsPerInch());
    EarthCanvas()->SelectBMP(nullptr);
  }
  void SetOptions(TEarthOptionsSet o) { earthOptions_ = o; }
  void SetGraticuleDrawMode(TGraticuleDraw m) { graticuleDrawMode_ = m; }

  int redraws = 0;
  std::vector<TEarthNotification> notifications;
  std::vector<std::pair<TProgressMessage, std::string>> progress;
  std::vector<int64_t> cacheDeltas;
  int64_t cacheUsed = 0;
  int backBufferCopies = 0;
  int32_t LastMRU() const { return mru_; }
  int scrollBarUpdates = 0;

  int32_t NextMRU() override { return ++mru_; }
  int32_t GetMaxTextHeight() const override { return maxTextHeight_; }
  int32_t GetMinTextHeight() const override { return minTextHeight_; }
  void SetDataDirectory(const std::string&) override {}
  void SetEarthOptions(TEarthOptionsSet options) override { earthOptions_ = options; }
  void SetLongitudeStep(int32_t step) override {
    if (step >= 0 && step < 180) longitudeStep_ = step;
  }
  void SetLatitudeStep(int32_t step) override {
    if (step >= 0 && step < 90) latitudeStep_ = step;
  }
  void SetMaxTextHeight(int32_t h) override { maxTextHeight_ = h; }
  void SetMinTextHeight(int32_t h) override { minTextHeight_ = h; }
  void SetScrollBars(int) override {}
  void SetViewRect(const TEarthDeviceRect& rect) override { viewRect_ = rect; }
  void Notify(TEarthNotification n, rtl::TObject* item) override {
    notifications.push_back(n);
    TCustomEarthMap::Notify(n, item);
  }
  void RedrawLayers() override { ++redraws; }
  std::string ResolveFilename(const std::string& name) override { return name; }
  void UpdateScrollBars() override { ++scrollBarUpdates; }
  void LocateToLL(int32_t longitude, int32_t latitude) override {
    Projection()->SetCenterLong(Mod180(longitude) * GU_TODECIMALDEGREES);
    Projection()->SetCenterLat(latitude * GU_TODECIMALDEGREES);
  }
  bool ProgressMessage(TProgressMessage kind, const std::string& text) override {
    progress.emplace_back(kind, text);
    return false;
  }
  void UpdateTotalMemoryInUse() override {}
  void CacheUsedDelta(int64_t delta) override {
    cacheDeltas.push_back(delta);
    cacheUsed += delta;
  }
  void ShowBackBuffer() override { ++backBufferCopies; }
  int64_t ReduceCacheMemory(int64_t target) override { return target; }
  void RenderToCanvas(vcl::TCanvas*, const TEarthDeviceRect&, bool) override {}
  // The window background, the globe's surface and the graticule, as the map control paints
  // them before its layers.
  void PaintBackground(gdi::TColor background) {
    TEarthCanvas* c = EarthCanvas();
    c->RefreshDC();
    const gdi::HBRUSH b = gdi::CreateSolidBrush(gdi::ColorToRGB(background));
    const gdi::RECT r{0, 0, c->Width(), c->Height()};
    gdi::FillRect(c->Handle(), &r, b);
    gdi::DeleteObject(b);
    SurfacePen()->Define(surfaceColor_, psSolid, 1, TEarthUnitTypes::Pixel);
    SurfacePen()->RenderAttribute(c, false);
    SurfaceBrush()->RenderAttribute(c, false);
    Projection()->Model()->PaintSurface();
  }
  void PaintGraticuleLines() {
    GraticulePen()->RenderAttribute(EarthCanvas(), false);
    gdi::SetBkMode(EarthCanvas()->Handle(), gdi::TRANSPARENT);
    Projection()->Model()->PaintGraticule();
  }
  TEarthPen* SurfacePen() { return InternalPen(); }

 protected:
  void Paint() override {}

 private:
  int32_t mru_ = 0;
};
