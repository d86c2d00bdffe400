#pragma once
// The fixture of the map drawing tests: the window system on the virtual clock, a test map
// control with a back buffer, and reading pixels of that buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/map/maptexture.h"
#include "tests/map/testearthmap.h"
#include "tests/platform/vcl/vcltest.h"

namespace maptest {

class MapTest : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    map = std::make_unique<TTestEarthMap>(nullptr);
  }
  void TearDown() override {
    map.reset();
    VclTest::TearDown();
  }
  // A back buffer of w x h showing the model at scale sf, origin in the middle.
  void View(int w, int h, const std::string& model, double sf) {
    map->UseBackBuffer(w, h);
    canvas = map->EarthCanvas();
    p = map->Projection();
    p->SetProjectionClass(model);
    p->SetScaleFactor(sf);
    p->SetFloatProp(ppCentralMeridian, 0);
    p->SetIntegerProp(ppXOrigin, w / 2);
    p->SetIntegerProp(ppYOrigin, h / 2);
    Clear(0xFFFFFF);
  }
  void Clear(uint32_t rgb) {
    for (int y = 0; y < canvas->Height(); ++y)
      for (int x = 0; x < canvas->Width(); ++x) SetPixel(x, y, rgb);
  }
  // 0x00RRGGBB of a back buffer pixel (y from the top).
  uint32_t Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= canvas->Width() || y >= canvas->Height()) {
      ADD_FAILURE() << "pixel " << x << "," << y << " is off the buffer";
      return 0xFF000000u;
    }
    const uint8_t* px = canvas->Bits() + (canvas->Height() - 1 - y) * canvas->Stride() + x * 3;
    return (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
  }
  void SetPixel(int x, int y, uint32_t rgb) {
    uint8_t* px = canvas->Bits() + (canvas->Height() - 1 - y) * canvas->Stride() + x * 3;
    px[0] = rgb & 0xFF;
    px[1] = (rgb >> 8) & 0xFF;
    px[2] = (rgb >> 16) & 0xFF;
  }
  // The device point of a position in degrees.
  TEarthDevicePoint At(double lon, double lat) {
    TEarthDevicePoint pt;
    p->LLToDeviceXY(static_cast<int32_t>(lon * GU_DEGREE), static_cast<int32_t>(lat * GU_DEGREE),
                    pt);
    return pt;
  }
  uint32_t PixelAt(double lon, double lat) {
    const TEarthDevicePoint pt = At(lon, lat);
    return Pixel(pt.X, pt.Y);
  }
  // Pen and brush of one colour for what follows.
  void Ink(gdi::TColor c, TEarthBrushStyle style = bsSolid) {
    pen.Define(c, psSolid, 1, TEarthUnitTypes::Pixel);
    brush.Define(c, style);
    canvas->RefreshDC();
    pen.RenderAttribute(canvas, false);
    brush.RenderAttribute(canvas, false);
  }
  // Rings of positions in degrees through the canvas with the pen and brush it has: polygons
  // when closed, else lines; clipped on all sides.
  void RenderRings(const std::vector<std::vector<std::pair<double, double>>>& rings, bool closed) {
    TChainStore chains;
    for (size_t r = 0; r < rings.size(); ++r)
      for (const auto& [lon, lat] : rings[r])
        chains.GetChain(static_cast<int32_t>(r))
            ->Add(PointLL(static_cast<int32_t>(lon * GU_DEGREE),
                          static_cast<int32_t>(lat * GU_DEGREE)));
    TEarthObjectStateSet state{osClipLeft, osClipTop, osClipRight, osClipBottom};
    if (closed) state.Include(osClosed);
    canvas->RenderChainStore(chains, state, 0);
  }

  std::unique_ptr<TTestEarthMap> map;
  TEarthCanvas* canvas = nullptr;
  TEarthProjection* p = nullptr;
  TEarthPen pen;
  TEarthBrush brush;
};

}  // namespace maptest
