// The globe canvas on its back buffer: colours, clipping, chains across the back meridian and
// round the poles, holes, texture triangles and resizing.
#include <gtest/gtest.h>

#include "tests/map/mapfixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlue = 0x0000FF;  // as pixels read (0x00RRGGBB)
constexpr gdi::TColor kBlueInk = 0xFF0000;               // as colours are given

class Canvas : public maptest::MapTest {
 protected:
  // A closed polygon or open line of positions in degrees through the canvas.
  void Draw(std::vector<std::vector<std::pair<double, double>>> rings, bool closed) {
    RenderRings(rings, closed);
  }
  // A ring along a parallel, every 10 degrees of longitude.
  static std::vector<std::pair<double, double>> Parallel(double lat) {
    std::vector<std::pair<double, double>> ring;
    for (int lon = -175; lon <= 175; lon += 10) ring.emplace_back(lon, lat);
    return ring;
  }
};

TEST_F(Canvas, BackBufferLayoutAndColours) {
  View(101, 20, "TCartesianPrj", 1e-6);
  EXPECT_EQ(canvas->Stride(), 304);
  EXPECT_EQ(canvas->RenderColor(gdi::TColor(0x0000FF)), 0x0000FFu);
  // 0 %: system colours still come out as plain RGB.
  EXPECT_EQ(canvas->RenderColor(gdi::clBtnFace), gdi::GetSysColor(gdi::COLOR_BTNFACE));
  canvas->SetColorAdjustTarget(gdi::TColor(0xFFFFFF));
  canvas->SetColorAdjustPercent(50);
  // 127.5 rounds to the even 128.
  EXPECT_EQ(canvas->RenderColor(gdi::TColor(0x0000FF)), 0x8080FFu);
  canvas->SetColorAdjustPercent(100);
  EXPECT_EQ(canvas->RenderColor(gdi::TColor(0x123456)), 0xFFFFFFu);
  canvas->SetColorAdjustTarget(gdi::TColor(0xC0C0C0));
  canvas->SetColorAdjustPercent(-100);  // away from the target, held within 0..255
  EXPECT_EQ(canvas->RenderColor(gdi::TColor(0x80FF10)), 0x40FF00u);
  const int32_t generation = canvas->AttributeGeneration();
  canvas->SetColorAdjustPercent(-100);
  EXPECT_EQ(canvas->AttributeGeneration(), generation);
}

TEST_F(Canvas, ClipsAtEachEdgeWithTheMargin) {
  View(100, 80, "TCartesianPrj", 1e-6);
  const auto clip = [&](std::vector<TEarthDevicePoint> in, TEarthObjectStateSet state) {
    for (size_t i = 0; i < in.size(); ++i) gaPoints[static_cast<int32_t>(i)] = in[i];
    const int32_t n = canvas->ClipPoly(static_cast<int32_t>(in.size()), state, 5);
    std::vector<std::pair<int, int>> out;
    for (int32_t i = 0; i < n; ++i) out.emplace_back(gaPoints[i].X, gaPoints[i].Y);
    return out;
  };
  using V = std::vector<std::pair<int, int>>;
  // Open lines leaving by each edge end on that edge's line; no segment back to the start.
  EXPECT_EQ(clip({{50, 40}, {150, 40}}, {osClipRight}), (V{{50, 40}, {105, 40}}));
  EXPECT_EQ(clip({{50, 40}, {-50, 20}}, {osClipLeft}), (V{{50, 40}, {-5, 29}}));
  EXPECT_EQ(clip({{50, 40}, {50, -100}}, {osClipTop}), (V{{50, 40}, {50, -5}}));
  EXPECT_EQ(clip({{50, 40}, {70, 200}}, {osClipBottom}), (V{{50, 40}, {56, 85}}));
  EXPECT_EQ(clip({{150, 10}, {50, 40}, {150, 70}}, {osClipRight}),
            (V{{105, 23}, {50, 40}, {105, 56}}));
  // Without its bit an edge is left alone; a closed polygon is closed through the edge.
  EXPECT_EQ(clip({{50, 40}, {150, 40}}, {osClipLeft}), (V{{50, 40}, {150, 40}}));
  EXPECT_EQ(clip({{150, 10}, {50, 40}, {150, 70}}, {osClosed, osClipRight}),
            (V{{105, 23}, {50, 40}, {105, 56}}));
  // A square larger than the window on all sides becomes the window grown by the margin.
  EXPECT_EQ(clip({{-500, -500}, {500, -500}, {500, 500}, {-500, 500}},
                 {osClosed, osClipLeft, osClipTop, osClipRight, osClipBottom}),
            (V{{-5, -5}, {105, -5}, {105, 85}, {-5, 85}}));
  // Everything outside: nothing left to draw.
  EXPECT_LE(clip({{200, 10}, {300, 40}, {250, 70}}, {osClosed, osClipRight}).size(), 1u);
}

TEST_F(Canvas, LinesAcrossTheBackMeridianAreCutThere) {
  View(360, 180, "TCartesianPrj", 360.0 / GU_360DEGREE);
  Ink(kBlueInk);
  Draw({{{170, 10}, {-170, -10}}}, false);
  // Two pieces meeting the map's edges at the interpolated latitude, nothing across the map.
  EXPECT_EQ(PixelAt(175, 5), kBlue);
  EXPECT_EQ(PixelAt(-175, -5), kBlue);
  EXPECT_EQ(PixelAt(179, 1), kBlue);
  EXPECT_EQ(PixelAt(-179, -1), kBlue);
  for (int x = 20; x < 340; ++x) ASSERT_EQ(Pixel(x, 90), kWhite) << x;
  // A ring cut exactly at 180 E and 180 W, as Natural Earth's are, stays on its side.
  Clear(kWhite);
  Draw({{{170, 40}, {180, 40}, {180, 30}, {170, 30}},
        {{-180, 40}, {-170, 40}, {-170, 30}, {-180, 30}}},
       true);
  EXPECT_EQ(PixelAt(175, 35), kBlue);
  EXPECT_EQ(PixelAt(-175, 35), kBlue);
  EXPECT_EQ(PixelAt(0, 35), kWhite);
}

TEST_F(Canvas, PolygonStraddlingTheBackMeridianHasNoSpike) {
  View(360, 180, "TCartesianPrj", 360.0 / GU_360DEGREE);
  Ink(kBlueInk);
  Draw({{{170, -10}, {-170, -10}, {-170, 10}, {170, 10}}}, true);
  EXPECT_EQ(PixelAt(175, 0), kBlue);
  EXPECT_EQ(PixelAt(-175, 0), kBlue);
  EXPECT_EQ(PixelAt(0, 0), kWhite);
  for (double lat : {-80.0, -50.0, 50.0, 80.0}) {
    EXPECT_EQ(PixelAt(175, lat), kWhite) << lat;
    EXPECT_EQ(PixelAt(-175, lat), kWhite) << lat;
  }
}

TEST_F(Canvas, RingsRoundEitherPoleCloseTowardsThatPole) {
  for (const char* model : {"TCartesianPrj", "TMercatorPrj"}) {
    View(360, 360, model, 360.0 / GU_360DEGREE);
    Ink(kBlueInk);
    Draw({Parallel(-70)}, true);
    for (double lon : {-170.0, -90.0, 0.0, 90.0, 170.0}) {
      EXPECT_EQ(PixelAt(lon, -75), kBlue) << model << " " << lon;
      EXPECT_EQ(PixelAt(lon, -60), kWhite) << model << " " << lon;
    }
    Clear(kWhite);
    std::vector<std::pair<double, double>> north = Parallel(70);
    std::reverse(north.begin(), north.end());  // westwards this time
    Draw({north}, true);
    for (double lon : {-170.0, -90.0, 0.0, 90.0, 170.0}) {
      EXPECT_EQ(PixelAt(lon, 75), kBlue) << model << " " << lon;
      EXPECT_EQ(PixelAt(lon, 60), kWhite) << model << " " << lon;
      EXPECT_EQ(PixelAt(lon, -75), kWhite) << model << " " << lon;
    }
  }
}

TEST_F(Canvas, HolesStayOpenOnEveryProjection) {
  for (const char* model : {"TCartesianPrj", "TMercatorPrj", "TSphericalPrj"}) {
    View(400, 400, model, 300.0 / GU_360DEGREE * 2);
    if (std::string(model) == "TSphericalPrj") {
      p->SetFloatProp(ppXRotation, 0);
      p->SetFloatProp(ppYRotation, 0);
      p->SetIntegerProp(ppXOrigin, 200);
      p->SetIntegerProp(ppYOrigin, 200);
    }
    Ink(kBlueInk);
    Draw({{{-30, -30}, {30, -30}, {30, 30}, {-30, 30}},
          {{-10, -10}, {10, -10}, {10, 10}, {-10, 10}}},
         true);
    EXPECT_EQ(PixelAt(0, 0), kWhite) << model;
    EXPECT_EQ(PixelAt(20, 0), kBlue) << model;
    EXPECT_EQ(PixelAt(-20, 20), kBlue) << model;
    EXPECT_EQ(PixelAt(40, 0), kWhite) << model;
  }
}

TEST_F(Canvas, GlobeDrawsOnlyTheSideOfItsPass) {
  View(400, 400, "TSphericalPrj", 150 / 309397230.0);
  p->SetFloatProp(ppXRotation, 0);
  p->SetFloatProp(ppYRotation, 0);
  Ink(kBlueInk);
  // Wholly behind the globe: nothing, not even a sliver along the outline.
  Draw({{{150, -20}, {-150, -20}, {-150, 20}, {150, 20}}}, true);
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x) ASSERT_EQ(Pixel(x, y), kWhite) << x << "," << y;
  // Half hidden: the hidden corners are pushed onto the outline (at x 338 for 20 degrees north
  // and south), and the near part is filled up to them.
  Draw({{{60, -20}, {120, -20}, {120, 20}, {60, 20}}}, true);
  EXPECT_EQ(PixelAt(65, 0), kBlue);
  EXPECT_EQ(Pixel(336, 200), kBlue);
  EXPECT_EQ(Pixel(342, 200), kWhite);
  // The back-side pass draws the far side (in the transparent brush) and not the near one.
  Clear(kWhite);
  p->SetBackFacePass(true);
  Draw({{{-20, -20}, {20, -20}, {20, 20}, {-20, 20}}}, true);
  EXPECT_EQ(Pixel(200, 200), kWhite);
  Draw({{{150, -20}, {-150, -20}, {-150, 20}, {150, 20}}}, true);
  p->SetBackFacePass(false);
  EXPECT_EQ(Pixel(200, 200), 0xC0C0C0u);  // seen through the globe
  EXPECT_EQ(Pixel(200, 100), kWhite);
}

TEST_F(Canvas, TextureTrianglesPartlyOffEveryEdge) {
  // One pixel a degree: the window shows 60 degrees each way of the centre, 40 up and down.
  View(120, 80, "TCartesianPrj", 360.0 / GU_360DEGREE);
  // 8 x 4 textures of the whole world: one red, one all of the clear index, one red in the
  // west and green in the east.
  TTextureData red, clear, halves;
  const std::vector<uint32_t> palette{0, 0xFF0000, 0x00FF00, 0x0000FF};
  maptest::LoadTexture(red, maptest::TextureBmp(8, 4, std::vector<uint8_t>(32, 1), palette));
  maptest::LoadTexture(clear, maptest::TextureBmp(8, 4, std::vector<uint8_t>(32, 3), palette));
  std::vector<uint8_t> westEast(32, 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x < 8; ++x) westEast[static_cast<size_t>(y * 8 + x)] = 2;
  maptest::LoadTexture(halves, maptest::TextureBmp(8, 4, westEast, palette));
  ASSERT_TRUE(red.IsValid() && clear.IsValid() && halves.IsValid());
  clear.TransparentIndex = 3;
  const auto ll = [](double lon, double lat) {
    return PointLL(static_cast<int32_t>(lon * GU_DEGREE), static_cast<int32_t>(lat * GU_DEGREE));
  };
  // Corners far off the right, left, top and bottom edges.
  const TPointLL corners[][3] = {{ll(0, 0), ll(170, 35), ll(170, -35)},
                                 {ll(0, 0), ll(-170, 35), ll(-170, -35)},
                                 {ll(0, -10), ll(-80, 90), ll(80, 90)},
                                 {ll(0, 10), ll(-80, -90), ll(80, -90)}};
  for (const auto& c : corners) canvas->RenderTextureTriangle(c, red);
  EXPECT_EQ(Pixel(110, 40), 0xFF0000u);
  EXPECT_EQ(Pixel(70, 39), 0xFF0000u);
  EXPECT_EQ(Pixel(5, 40), 0xFF0000u);
  EXPECT_EQ(Pixel(60, 2), 0xFF0000u);
  EXPECT_EQ(Pixel(55, 77), 0xFF0000u);
  EXPECT_EQ(Pixel(100, 5), kWhite);  // outside every triangle
  // The clear index leaves the buffer as it was.
  for (const auto& c : corners) canvas->RenderTextureTriangle(c, clear);
  EXPECT_EQ(Pixel(110, 40), 0xFF0000u);
  EXPECT_EQ(Pixel(100, 5), kWhite);

  // Three degrees a pixel: the whole world. A flat map skips a triangle across the back
  // meridian and draws one beside it.
  View(120, 80, "TCartesianPrj", 120.0 / GU_360DEGREE);
  const TPointLL across[3] = {ll(170, 0), ll(-170, 0), ll(175, 20)};
  canvas->RenderTextureTriangle(across, red);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x) ASSERT_EQ(Pixel(x, y), kWhite) << x << "," << y;
  const TPointLL beside[3] = {ll(150, 0), ll(170, 0), ll(160, 20)};
  canvas->RenderTextureTriangle(beside, red);
  EXPECT_EQ(PixelAt(160, 5), 0xFF0000u);
  // The whole texture as a raster map.
  Clear(kWhite);
  canvas->RenderTextureMap(halves);
  EXPECT_EQ(PixelAt(-90, 60), 0xFF0000u);
  EXPECT_EQ(PixelAt(-170, -80), 0xFF0000u);
  EXPECT_EQ(PixelAt(90, 0), 0x00FF00u);
  EXPECT_EQ(PixelAt(170, -80), 0x00FF00u);
}

TEST_F(Canvas, VectorMatrixLinesDrawRingsOnTheGlobe) {
  // A ring 30 degrees round the view centre: on the orthographic globe a circle of
  // R sin 30 degrees = 150 pixels.
  View(400, 400, "TSphericalPrj", 300 / 309397230.0);
  p->SetFloatProp(ppXRotation, 0);
  p->SetFloatProp(ppYRotation, 0);
  Ink(kBlueInk);
  const TV3D centre = PointLLToV3D(PointLL(0, 0));
  const TMatrix step = QuatToMatrix(AxisAngleToQuat(centre, 2 * rtl::Pi / 36));
  canvas->DrawVectorMatrixLine(PointLLToV3D(PointLL(0, 30 * GU_DEGREE)), step, 36, 0);
  const auto inkNear = [&](int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (Pixel(x + dx, y + dy) == kBlue) return true;
    return false;
  };
  for (const auto& [x, y] : {std::pair{200, 50}, {350, 200}, {200, 350}, {50, 200}})
    EXPECT_TRUE(inkNear(x, y)) << x << "," << y;
  EXPECT_EQ(Pixel(200, 200), kWhite);
  EXPECT_EQ(Pixel(200, 30), kWhite);
}

TEST_F(Canvas, LongTracksAndClippingGrowThePointBuffers) {
  // Two days of a point a second, zigzagging across the right edge: every point is kept and
  // clipping adds a crossing for each.
  View(200, 100, "TCartesianPrj", 1e-3);
  Ink(kBlueInk);
  TChainStore chains;
  TPointStore* track = chains.GetChain(0);
  const int32_t n = 172'800;
  for (int32_t i = 0; i < n; ++i)
    track->Add(PointLL(i % 2 ? 110'000 : 90'000, (i % 40 - 20) * 1000));
  canvas->RenderChainStore(chains, {osClipRight}, 0);
  EXPECT_GT(gaPoints.Capacity(), size_t{n});
  EXPECT_GT(gaClipPoints.Capacity(), size_t{n});
  EXPECT_EQ(Pixel(195, 50), kBlue);
  EXPECT_EQ(Pixel(150, 50), kWhite);
}

TEST_F(Canvas, ResizeKeepsScaleOrCentreAsTheOptionsSay) {
  View(400, 300, "TSphericalPrj", 1e-6);
  p->SetEarthCenterXY({250, 120});
  TPointLL middle;
  ASSERT_TRUE(p->DeviceXYToLL(200, 150, middle));
  // Default: scale with the diagonal, the middle's position stays in the middle.
  const Extended sf = p->ScaleFactor();
  ASSERT_TRUE(canvas->SizeBMP(800, 600, 96));
  EXPECT_NEAR(static_cast<double>(p->ScaleFactor() / sf), 2.0, 1e-9);
  TEarthDevicePoint pt;
  p->PointLLToXY(middle, pt);
  EXPECT_LE(std::abs(pt.X - 400), 1);
  EXPECT_LE(std::abs(pt.Y - 300), 1);
  EXPECT_EQ(canvas->Width(), 800);
  EXPECT_EQ(map->ViewRect().Right, static_cast<int32_t>(std::lround(800 / p->ScaleFactor())));
  // Constant scale and fixed centre: neither moves.
  map->SetOptions({goConstantScaleOnResize, goFixedCenterXYOnResize});
  const Extended before = p->ScaleFactor();
  const int32_t x = p->XOrigin(), y = p->YOrigin();
  ASSERT_TRUE(canvas->SizeBMP(300, 200, 96));
  EXPECT_EQ(p->ScaleFactor(), before);
  EXPECT_EQ(p->XOrigin(), x);
  EXPECT_EQ(p->YOrigin(), y);
  // Constant scale only: the middle position moves to the new middle.
  map->SetOptions({goConstantScaleOnResize});
  ASSERT_TRUE(p->DeviceXYToLL(150, 100, middle));
  ASSERT_TRUE(canvas->SizeBMP(500, 400, 96));
  EXPECT_EQ(p->ScaleFactor(), before);
  p->PointLLToXY(middle, pt);
  EXPECT_LE(std::abs(pt.X - 250), 1);
  EXPECT_LE(std::abs(pt.Y - 200), 1);
  // Nothing for a size that is not positive.
  EXPECT_FALSE(canvas->SizeBMP(0, 10, 96));
  EXPECT_EQ(canvas->Width(), 500);
}

}  // namespace
