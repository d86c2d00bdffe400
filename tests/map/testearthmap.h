#pragma once
// A small map control for the tests, fuzz targets and benchmarks of the map's drawing: it keeps
// what the control's own operations set, counts redraws, and draws polygons, lines and text
// through the canvas as the map control does.
#include <cmath>
#include <memory>
#include <string>

#include "map/earthmap.h"

class TTestEarthMap : public TCustomEarthMap {
 public:
  using TCustomEarthMap::TCustomEarthMap;

  // A back buffer of w x h drawn through a memory DC.
  void UseBackBuffer(int32_t w, int32_t h) {
    SetBounds(0, 0, w, h);
    EarthCanvas()->SizeBMP(w, h, EarthCanvas()->ScreenPixelsPerInch());
    EarthCanvas()->SelectBMP(nullptr);
  }
  void SetOptions(TEarthOptionsSet o) { earthOptions_ = o; }
  void SetGraticuleDrawMode(TGraticuleDraw m) { graticuleDrawMode_ = m; }

  int redraws = 0;
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
  void Notify(TEarthNotification, rtl::TObject*) override {}
  void RedrawLayers() override { ++redraws; }
  std::string ResolveFilename(const std::string& name) override { return name; }
  void UpdateScrollBars() override { ++scrollBarUpdates; }
  void LocateToLL(int32_t longitude, int32_t latitude) override {
    Projection()->SetCenterLong(Mod180(longitude) * GU_TODECIMALDEGREES);
    Projection()->SetCenterLat(latitude * GU_TODECIMALDEGREES);
  }
  bool ProgressMessage(TProgressMessage, const std::string&) override { return false; }
  void UpdateTotalMemoryInUse() override {}
  void CacheUsedDelta(int64_t) override {}
  int64_t ReduceCacheMemory(int64_t target) override { return target; }
  void RenderToCanvas(vcl::TCanvas*, const TEarthDeviceRect&, bool) override {}
  void RenderPolygon(const TPointLL* points, int32_t high) override {
    Render(points, high, {osClosed, osClipLeft, osClipTop, osClipRight, osClipBottom});
  }
  void RenderPolyLine(const TPointLL* points, int32_t high) override {
    Render(points, high, {osClipLeft, osClipTop, osClipRight, osClipBottom});
  }
  void RenderTextOut(int32_t longitude, int32_t latitude, const std::string& text,
                     TEarthUnitTypes) override {
    if (!Projection()->Model()->LLToXY(longitude, latitude, 0)) return;
    EarthCanvas()->TextOut(gaPoints[0].X, gaPoints[0].Y, text);
  }
  void RenderCircle(const TPointLL&, int32_t, int32_t) override {}
  // A straight line in longitude and latitude, across the 180th meridian when its ends lie
  // beyond 90 degrees on either side.
  void RenderLine(const TPointLL& from, const TPointLL& to, int32_t steps) override {
    const int32_t n = std::max(steps, 1);
    const int64_t dLat = int64_t{to.iLatY} - from.iLatY;
    int64_t dLong = int64_t{to.iLongX} - from.iLongX;
    const int32_t q = from.iLongX / GU_90DEGREE;
    if (q != 0 && to.iLongX / GU_90DEGREE + q == 0) dLong = (GU_360DEGREE - std::llabs(dLong)) * q;
    TChainStore chains;
    TPointStore* chain = chains.GetChain(0);
    for (int32_t i = 0; i <= n; ++i)
      chain->Add(PointLL(static_cast<int32_t>(from.iLongX + std::llround(double(dLong) * i / n)),
                         static_cast<int32_t>(from.iLatY + std::llround(double(dLat) * i / n))));
    TEarthObjectStateSet state{osBackFace, osFace};
    if (!Projection()->Model()->VisibleMER(chains.ChainStoreMER(), state)) return;
    EarthCanvas()->RenderChainStore(chains, state, EarthCanvas()->Pen()->Width());
  }
  void RenderGreatCircleLine(const TPointLL&, const TPointLL&, TGreatCircle) override {}

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
  void Render(const TPointLL* points, int32_t high, TEarthObjectStateSet state) {
    TChainStore chains;
    TPointStore* chain = chains.GetChain(0);
    for (int32_t i = 0; i <= high; ++i) chain->Add(points[i]);
    EarthCanvas()->RenderChainStore(chains, state, EarthCanvas()->Pen()->Width());
  }
  int32_t mru_ = 0;
};
