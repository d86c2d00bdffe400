// The map control painting on its form and answering the mouse and its scroll bars.
#include <gtest/gtest.h>

#include <cmath>

#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "platform/gdi/color.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/shapes.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/messages.h"
#include "platform/win/paint.h"
#include "platform/win/scrollbar.h"
#include "platform/win/window.h"
#include "tests/map/earthmapfixture.h"
#include "tests/map/maptexture.h"

namespace maptest {
namespace {

constexpr int32_t D = GU_DEGREE;

class EarthMapPaint : public EarthMapTest {
 protected:
  void SetUp() override {
    EarthMapTest::SetUp();
    back = new TLogLayer(map, "layer");
    animated = new TLogLayer(map, "animated");
    animated->SetLayerBoolean(TEarthLayer::lbAnimated, true);
    PaintNow();
    map->log.clear();
  }
  std::vector<std::string> Paint() {
    map->log.clear();
    map->RedrawLayers();
    PaintNow();
    return map->log;
  }
  // Screen pixel of the map's client point.
  gdi::COLORREF ScreenPixel(int x, int y) {
    const gdi::HDC dc = win::GetDC(map->Handle());
    const gdi::COLORREF c = gdi::GetPixel(dc, x, y);
    win::ReleaseDC(map->Handle(), dc);
    return c;
  }
  TLogLayer* back = nullptr;
  TLogLayer* animated = nullptr;
};

using Log = std::vector<std::string>;

TEST_F(EarthMapPaint, PassesInOrderForEachGraticuleMode) {
  map->SetGraticuleDrawMode(gdNone);
  EXPECT_EQ(Paint(), (Log{"background", "layer", "animated"}));
  map->SetGraticuleDrawMode(gdBehind);
  EXPECT_EQ(Paint(), (Log{"background", "graticule", "layer", "animated"}));
  map->SetGraticuleDrawMode(gdInFront);
  EXPECT_EQ(Paint(), (Log{"background", "layer", "graticule", "animated"}));
  // The transparent globe draws its far side first, the graticule twice.
  map->SetEarthOptions({goDoubleBuffered, goTransparentGlobe});
  EXPECT_EQ(Paint(),
            (Log{"background", "back layer", "back graticule", "layer", "graticule", "animated"}));
  map->SetGraticuleDrawMode(gdNone);
  EXPECT_EQ(Paint(), (Log{"background", "back layer", "layer", "animated"}));
}

TEST_F(EarthMapPaint, APaintWithoutARedrawDrawsOnlyTheAnimatedLayersAndTheZoomBox) {
  map->log.clear();
  PaintNow();
  EXPECT_EQ(map->log, (Log{"animated"}));
  EXPECT_FALSE(map->RedrawPending());

  // A zoom box being dragged shows on every paint, inverted over the map.
  const gdi::COLORREF plain = ScreenPixel(200, 150);
  gdi::POINT a = map->ClientToScreen(gdi::POINT{200, 150});
  gdi::POINT b = map->ClientToScreen(gdi::POINT{300, 250});
  Feed(win::MouseMove(a.x, a.y));
  Feed(win::MouseDown(a.x, a.y, 1));
  Feed(win::MouseMove(b.x, b.y));
  ASSERT_TRUE(map->ZoomBoxOpen());
  for (int i = 0; i < 2; ++i) {
    PaintNow();
    EXPECT_NE(ScreenPixel(200, 150), plain) << "paint " << i;
  }
  Feed(win::MouseUp(a.x + 5, a.y + 5, 1));  // too small: no zoom
  EXPECT_FALSE(map->ZoomBoxOpen());
}

TEST_F(EarthMapPaint, AnAbortedRenderIsDoneAgainAtTheNextPaint) {
  int renders = 0;
  map->OnRender = rtl::TNotifyEvent(nullptr, [&](rtl::TObject*) { ++renders; });
  // A layer that stops the render the first time.
  struct TAbortLayer : TEarthLayer {
    using TEarthLayer::TEarthLayer;
    void RenderObjects() override {
      if (first) Globe()->AbortRender = true;
      first = false;
    }
    bool first = true;
  };
  new TAbortLayer(map);
  map->RedrawLayers();
  win::UpdateWindow(map->Handle());
  EXPECT_EQ(renders, 0) << "no OnRender for an aborted render";
  EXPECT_TRUE(map->RedrawPending());
  // The window was invalidated again: the next paint renders everything.
  map->log.clear();
  Pump();
  EXPECT_EQ(renders, 1);
  EXPECT_EQ(map->log.front(), "background");
  EXPECT_FALSE(map->RedrawPending());
}

// The flat map on a recording DC, one degree to 2 pixels.
class EarthMapPrimitives : public EarthMapTest {
 protected:
  void SetUp() override {
    EarthMapTest::SetUp();
    dc = gdi::CreateRecordingDC(720, 360);
    p = map->Projection();
    p->SetProjectionClass("TCartesianPrj");
    canvas = map->EarthCanvas();
    canvas->SetDC(dc);
    canvas->SizeDC(720, 360);
    p->SetScaleFactor(2.0L / D);
    p->SetIntegerProp(ppXOrigin, 360);
    p->SetIntegerProp(ppYOrigin, 180);
    gdi::ClearDCLog(dc);
  }
  void TearDown() override {
    canvas->SetDC({});
    gdi::DeleteDC(dc);
    EarthMapTest::TearDown();
  }
  bool Drawn(double lon, double lat) {
    return gdi::GetPixel(dc, 360 + int(std::lround(lon * 2)), 180 - int(std::lround(lat * 2))) !=
           gdi::RGB(255, 255, 255);
  }
  void White() {
    const gdi::RECT r{0, 0, 720, 360};
    const gdi::HBRUSH b = gdi::CreateSolidBrush(gdi::RGB(255, 255, 255));
    gdi::FillRect(dc, &r, b);
    gdi::DeleteObject(b);
    gdi::ClearDCLog(dc);
  }
  gdi::HDC dc{};
  TEarthProjection* p = nullptr;
  TEarthCanvas* canvas = nullptr;
};

TEST_F(EarthMapPrimitives, CircleStepsOutsideTheRangeDrawThirtySixSegments) {
  for (int steps : {2, 400, 36}) {
    gdi::ClearDCLog(dc);
    map->RenderCircle(PointLL(0, 0), 20 * D, steps);
    const auto log = gdi::GetDCLog(dc);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Polyline(37)") << steps << " steps";
  }
  gdi::ClearDCLog(dc);
  map->RenderCircle(PointLL(0, 0), 20 * D, 12);
  EXPECT_EQ(gdi::GetDCLog(dc).back(), "Polyline(13)");
}

TEST_F(EarthMapPrimitives, ALineFromOneSeventyEastToOneSeventyWestRunsEast) {
  White();
  map->RenderLine(PointLL(170 * D, 10 * D), PointLL(-170 * D, 10 * D), 20);
  EXPECT_TRUE(Drawn(175, 10));
  EXPECT_TRUE(Drawn(-175, 10));
  EXPECT_FALSE(Drawn(0, 10)) << "not west round the world";
  EXPECT_FALSE(Drawn(90, 10));
}

TEST_F(EarthMapPrimitives, AGreatCircleLineEndsOnItsEndPoint) {
  White();
  map->RenderGreatCircleLine(PointLL(0, 0), PointLL(30 * D, 0), gcShortest);
  EXPECT_TRUE(Drawn(5, 0));
  EXPECT_TRUE(Drawn(29.5, 0)) << "an axis of the sine's length stops at 15 E";
  EXPECT_FALSE(Drawn(32, 0));
  EXPECT_FALSE(Drawn(-2, 0));
  // On a meridian, from 10 N to 60 N: the great circle is the meridian itself.
  White();
  map->RenderGreatCircleLine(PointLL(40 * D, 10 * D), PointLL(40 * D, 60 * D), gcShortest);
  EXPECT_TRUE(Drawn(40, 59.5));
  EXPECT_FALSE(Drawn(40, 63));
  // Antipodal ends still draw half a circle.
  White();
  map->RenderGreatCircleLine(PointLL(0, 0), PointLL(180 * D, 0), gcShortest);
  EXPECT_FALSE(gdi::GetDCLog(dc).empty());
  // Less than a degree apart: one straight segment (20 pixels a degree).
  p->SetScaleFactor(20.0L / D);
  White();
  map->RenderGreatCircleLine(PointLL(0, 0), PointLL(D / 2, 0), gcShortest);
  EXPECT_EQ(gdi::GetDCLog(dc), (std::vector<std::string>{"Polyline(2)"}));
}

TEST_F(EarthMapTest, BitmapsOfTheMapAndAPaintAfterThem) {
  map->Projection()->SetScaleFactor(0);
  map->SetGraticuleDrawMode(gdNone);
  for (int i = 0; i < 2; ++i) {
    std::unique_ptr<vcl::TBitmap> b = map->GetBitmap(320, 200);
    ASSERT_EQ(b->Width(), 320);
    ASSERT_EQ(b->Height(), 200);
    EXPECT_EQ(b->Canvas()->Pixels(160, 100), gdi::TColor(0xFFFF00)) << "the globe's surface";
    EXPECT_EQ(b->Canvas()->Pixels(2, 2), gdi::TColor(0)) << "the window's background";
  }
  PaintNow();
  EXPECT_EQ(map->EarthCanvas()->Width(), ClientW());
}

TEST_F(EarthMapTest, AMetafileInMillimetresRecordsTheMap) {
  map->Projection()->SetScaleFactor(0);
  const Extended sf = map->Projection()->ScaleFactor();
  std::unique_ptr<vcl::TMetafile> m = map->GetMetaFileMM(260, 130, true);
  EXPECT_EQ(m->Width(), 1000);
  EXPECT_EQ(m->Height(), 500);
  EXPECT_EQ(m->MMWidth(), 26000);
  EXPECT_EQ(m->MMHeight(), 13000);
  EXPECT_TRUE(m->Enhanced());
  EXPECT_EQ(m->Description(), "TEarthMap");
  const std::vector<std::string> calls = m->Records();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), "FillRect(0,0,1000,500)") << "the background first";
  // Played back onto a bitmap: the globe's surface in the middle, the control's view unchanged.
  vcl::TBitmap b;
  b.SetPixelFormat(vcl::pf24bit);
  b.SetSize(100, 50);
  m->DrawOn(b.Canvas(), {0, 0, 100, 50});
  EXPECT_EQ(b.Canvas()->Pixels(50 + 7, 25 + 7), gdi::TColor(0xFFFF00));
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), gdi::TColor(0));
  EXPECT_EQ(map->Projection()->ScaleFactor(), sf);
}

TEST_F(EarthMapTest, ATexturedGlobeOnAMetafileTallerThanTheWindowDrawsWithinItsBuffers) {
  // A texture on the globe is drawn into a back buffer; a metafile of another size has none.
  maptest::LoadTexture(map->SurfaceTexture(),
                       maptest::TextureBmp(4, 2, std::vector<uint8_t>(8, 1), {0, 0x00FF00}));
  ASSERT_TRUE(map->SurfaceTexture().IsValid());
  map->SetGraticuleDrawMode(gdNone);
  map->Projection()->SetScaleFactor(0);
  std::unique_ptr<vcl::TMetafile> m = map->GetMetaFile(ClientW() / 2, ClientH() * 3, true);
  EXPECT_FALSE(m->Records().empty());
  EXPECT_EQ(map->EarthCanvas()->Height(), ClientH());
  // On a bitmap the texture is there.
  std::unique_ptr<vcl::TBitmap> b = map->GetBitmap(ClientW(), ClientH());
  EXPECT_EQ(b->Canvas()->Pixels(ClientW() / 2 + 20, ClientH() / 2 + 20), gdi::TColor(0x00FF00));
}

TEST_F(EarthMapTest, ATransparentBackgroundMakesATransparentWindowAndDropsTheImageAfter) {
  const auto exStyle = [&] { return win::GetWindowLong(map->Handle(), win::GWL_EXSTYLE); };
  EXPECT_FALSE(exStyle() & win::WS_EX_TRANSPARENT);
  map->SetEarthOptions({goDoubleBuffered, goTransparentBackground});
  EXPECT_TRUE(exStyle() & win::WS_EX_TRANSPARENT);
  vcl::TBitmap tile;
  tile.SetSize(8, 8);
  map->SetBackgroundImage(&tile);
  EXPECT_FALSE(map->BackgroundImage()->Empty());
  map->SetEarthOptions({goDoubleBuffered});
  EXPECT_FALSE(exStyle() & win::WS_EX_TRANSPARENT);
  EXPECT_TRUE(map->BackgroundImage()->Empty());
  // Scroll bars follow the property through a new window.
  map->SetScrollBars(vcl::ssNone);
  EXPECT_FALSE(win::GetWindowLong(map->Handle(), win::GWL_STYLE) & win::WS_HSCROLL);
}

TEST_F(EarthMapTest, ATrackOfTwoHundredThousandPointsFitsThePointBuffers) {
  // A zigzag 2 degrees high: every point 80 pixels from the last, so that all are kept.
  map->Projection()->SetProjectionClass("TCartesianPrj");
  map->Projection()->SetScaleFactor(40.0L / GU_DEGREE);  // 40 pixels a degree
  map->LocateToLL(0, 0);
  auto* layer = new TEarthLayer(map);
  std::unique_ptr<TEarthPresenter> line = std::make_unique<TPolylinePresenter>(map, 1);
  layer->Presenters()->Add(line);
  auto* track = new TGeoDataObject(layer->GetObjects());
  TPointStore* chain = track->Chains().GetChain(0);
  constexpr int32_t kPoints = 200'000;
  chain->SetCount(kPoints);
  for (int32_t i = 0; i < kPoints; ++i)
    chain->PutLL(i, PointLL(-5 * GU_DEGREE + (i % 1000) * (GU_DEGREE / 100),
                            (i % 2 == 0 ? 1 : -1) * GU_DEGREE));
  track->SetPresenterID(1);
  PaintNow();
  EXPECT_GE(gaPoints.Capacity(), size_t{kPoints});
  const gdi::HDC dc = win::GetDC(map->Handle());
  EXPECT_NE(gdi::GetPixel(dc, ClientW() / 2, ClientH() / 2), gdi::RGB(0, 255, 255))
      << "the track crosses the middle";
  win::ReleaseDC(map->Handle(), dc);
}

// ---- the view, the mouse and the scroll bars ----

class EarthMapMouse : public EarthMapTest {
 protected:
  void SetUp() override {
    EarthMapTest::SetUp();
    p = map->Projection();
    p->SetScaleFactor(0);
    PaintNow();
  }
  gdi::POINT Screen(int x, int y) { return map->ClientToScreen(gdi::POINT{x, y}); }
  void DragWith(int button, int x1, int y1, int x2, int y2) {
    const gdi::POINT a = Screen(x1, y1), b = Screen(x2, y2);
    Feed(win::MouseMove(a.x, a.y));
    Feed(win::MouseDown(a.x, a.y, button));
    // A hand's drag: many small moves.
    for (int i = 1; i <= 12; ++i)
      Feed(win::MouseMove(a.x + (b.x - a.x) * i / 12, a.y + (b.y - a.y) * i / 12));
    Feed(win::MouseUp(b.x, b.y, button));
  }
  TEarthProjection* p = nullptr;
};

TEST_F(EarthMapMouse, SmallOrBackwardBoxesDoNotZoomATenPixelBoxAtMostThreePixelsAUnit) {
  const Extended sf = p->ScaleFactor();
  DragWith(1, 100, 100, 109, 400);
  EXPECT_EQ(p->ScaleFactor(), sf) << "9 pixels wide";
  DragWith(1, 400, 400, 200, 200);
  EXPECT_EQ(p->ScaleFactor(), sf) << "dragged up and left";
  int zooms = 0;
  map->OnZoomed = rtl::TNotifyEvent(nullptr, [&](rtl::TObject*) { ++zooms; });
  DragWith(1, 300, 200, 500, 400);
  EXPECT_GT(p->ScaleFactor(), sf * 2.5);
  EXPECT_GT(zooms, 0);
  p->SetScaleFactor(1.0);
  DragWith(1, 395, 295, 405, 305);
  EXPECT_LE(p->ScaleFactor(), 3.0);
}

TEST_F(EarthMapMouse, DraggingTheGlobeKeepsTheGrabbedPointUnderTheCursor) {
  const int x1 = ClientW() / 2 + 40, y1 = ClientH() / 2 - 30;
  TPointLL grabbed;
  ASSERT_TRUE(p->DeviceXYToLL(x1, y1, grabbed));
  const int x2 = x1 + 90, y2 = y1 + 60;
  DragWith(0, x1, y1, x2, y2);
  TEarthDevicePoint now;
  ASSERT_TRUE(p->LLToDeviceXY(grabbed.iLongX, grabbed.iLatY, now));
  EXPECT_NEAR(now.X, x2, 1);
  EXPECT_NEAR(now.Y, y2, 1);
}

TEST_F(EarthMapMouse, DraggingTheFlatMapPansIt) {
  p->SetProjectionClass("TCartesianPrj");
  p->SetScaleFactor(0);
  TPointLL grabbed;
  ASSERT_TRUE(p->DeviceXYToLL(300, 300, grabbed));
  DragWith(0, 300, 300, 360, 300);
  TEarthDevicePoint now;
  ASSERT_TRUE(p->LLToDeviceXY(grabbed.iLongX, grabbed.iLatY, now));
  EXPECT_NEAR(now.X, 360, 1);
  EXPECT_NEAR(now.Y, 300, 1);
}

TEST_F(EarthMapMouse, ClicksSelectCtrlClicksAddAndDoubleClicksReachTheHandler) {
  p->SetProjectionClass("TCartesianPrj");
  p->SetScaleFactor(0);
  auto* layer = new TEarthLayer(map);
  auto pr = std::make_unique<TPointPresenter>(map, 1);
  pr->PointType = ppSquare;
  pr->SetPointSize(8);
  std::unique_ptr<TEarthPresenter> base = std::move(pr);
  layer->Presenters()->Add(base);
  TEarthObjectSource* source = layer->GetObjects();
  const auto point = [&](double lon, double lat) {
    auto* o = new TGeoDataObject(source);
    o->Chains().GetChain(0)->Add(PointLL(int32_t(lon * D), int32_t(lat * D)));
    o->SetPresenterID(1);
    return o;
  };
  TGeoDataObject* a = point(0, 0);
  TGeoDataObject* b = point(40, 20);
  PaintNow();
  TEarthDevicePoint pa, pb;
  ASSERT_TRUE(p->LLToDeviceXY(0, 0, pa));
  ASSERT_TRUE(p->LLToDeviceXY(40 * D, 20 * D, pb));
  std::vector<TEarthObject*> clicked;
  map->OnObjectClick = [&](TEarthMap*, TEarthObject* o) { clicked.push_back(o); };
  Click(map, pa.X, pa.Y);
  EXPECT_TRUE(a->GetSelected());
  Click(map, pb.X, pb.Y);
  EXPECT_FALSE(a->GetSelected());
  EXPECT_TRUE(b->GetSelected());
  // Ctrl adds to the selection with multi-select.
  TEarthOptionsSet options = map->EarthOptions();
  options.Include(goMultiSelect);
  map->SetEarthOptions(options);
  map->MouseUp(vcl::mbLeft, vcl::ssCtrl, pa.X, pa.Y);
  EXPECT_TRUE(a->GetSelected());
  EXPECT_TRUE(b->GetSelected());
  // A click on nothing deselects; a double click neither zooms nor turns, but is a click.
  Click(map, 5, 5);
  EXPECT_EQ(map->LayerStore()->GetSelectedCount(), 0);
  const Extended sf = p->ScaleFactor();
  map->MouseDown(vcl::mbRight, vcl::ssDouble, pa.X, pa.Y);
  EXPECT_FALSE(map->ZoomBoxOpen());
  map->MouseUp(vcl::mbLeft, vcl::ssDouble, pa.X, pa.Y);
  EXPECT_EQ(p->ScaleFactor(), sf);
  EXPECT_EQ(clicked.size(), 4u);
  EXPECT_EQ(clicked.back(), a);
}

TEST_F(EarthMapMouse, ScrollStepsAreATwentiethAndHalfAPageAndTheThumbMoves) {
  p->SetProjectionClass("TCartesianPrj");
  p->SetScaleFactor(4 * Extended(ClientW()) / GU_360DEGREE);  // a quarter of the world wide
  PaintNow();  // the bars follow the view when it is drawn
  win::SCROLLINFO si;
  si.fMask = win::SIF_ALL;
  ASSERT_TRUE(win::GetScrollInfo(map->Handle(), win::SB_HORZ, &si));
  const int page = int(si.nPage);
  EXPECT_NEAR(page, GU_360DEGREE / 4, GU_360DEGREE / 400);
  const auto centre = [&] {
    TPointLL c;
    EXPECT_TRUE(p->DeviceXYToLL(ClientW() / 2, ClientH() / 2, c));
    return c.iLongX;
  };
  const int32_t start = centre();
  const double tolerance = 1 / p->ScaleFactor();  // a pixel
  win::SendMessage(map->Handle(), win::WM_HSCROLL, win::SB_LINEDOWN, 0);
  EXPECT_NEAR(centre() - start, page / 20, tolerance);
  win::SendMessage(map->Handle(), win::WM_HSCROLL, win::SB_PAGEUP, 0);
  EXPECT_NEAR(centre() - start, page / 20 - page / 2, 2 * tolerance);
  win::SendMessage(map->Handle(), win::WM_HSCROLL, win::SB_LINEUP, 0);
  win::SendMessage(map->Handle(), win::WM_HSCROLL, win::SB_PAGEDOWN, 0);
  EXPECT_NEAR(centre() - start, 0, 4 * tolerance);
  // The vertical bar alike: down moves the view south.
  TPointLL before, after;
  ASSERT_TRUE(p->DeviceXYToLL(ClientW() / 2, ClientH() / 2, before));
  win::SendMessage(map->Handle(), win::WM_VSCROLL, win::SB_LINEDOWN, 0);
  ASSERT_TRUE(p->DeviceXYToLL(ClientW() / 2, ClientH() / 2, after));
  EXPECT_LT(after.iLatY, before.iLatY);
}

TEST_F(EarthMapMouse, EqualLimitsLeaveTheScaleAsItIs) {
  p->SetProjectionClass("TCartesianPrj");
  p->SetScaleFactor(1e-5);
  p->SetFloatProp(ppMinLatitude, 10);
  p->SetFloatProp(ppMaxLatitude, 10);
  p->SetUseMinMaxLimits(true);
  const Extended sf = p->ScaleFactor();
  map->UpdateScrollBars();
  EXPECT_EQ(p->ScaleFactor(), sf);
  EXPECT_TRUE(std::isfinite(double(p->ScaleFactor())));
}

TEST_F(EarthMapMouse, LocateToLLPutsThePositionOnTheCentrePixelWhereAPointIsDrawn) {
  auto* layer = new TEarthLayer(map);
  auto pr = std::make_unique<TPointPresenter>(map, 1);
  pr->PointType = ppSquare;
  pr->SetPointSize(6);
  pr->PointPen()->SetPenColor(gdi::TColor(0x0000FF));
  pr->PointBrush()->SetBrushColor(gdi::TColor(0x0000FF));
  std::unique_ptr<TEarthPresenter> base = std::move(pr);
  layer->Presenters()->Add(base);
  auto* o = new TGeoDataObject(layer->GetObjects());
  const TPointLL boat = PointLL(-5 * D + D / 3, 50 * D + D / 7);
  o->Chains().GetChain(0)->Add(boat);
  o->SetPresenterID(1);
  map->LocateToLL(boat.iLongX, boat.iLatY);
  TEarthDevicePoint at;
  ASSERT_TRUE(p->LLToDeviceXY(boat.iLongX, boat.iLatY, at));
  EXPECT_NEAR(at.X, ClientW() / 2, 1);
  EXPECT_NEAR(at.Y, ClientH() / 2, 1);
  PaintNow();
  const gdi::HDC dc = win::GetDC(map->Handle());
  EXPECT_EQ(gdi::GetPixel(dc, ClientW() / 2, ClientH() / 2), gdi::RGB(255, 0, 0));
  win::ReleaseDC(map->Handle(), dc);
}

}  // namespace
}  // namespace maptest
