// The map control painting on its form and answering the mouse and its scroll bars.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <span>
#include <vector>

#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "platform/gdi/color.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/shapes.h"
#include "platform/rtl/datetime.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/messages.h"
#include "platform/win/paint.h"
#include "platform/win/scrollbar.h"
#include "platform/win/settings.h"
#include "platform/win/system.h"
#include "platform/win/window.h"
#include "tests/map/earthmapfixture.h"
#include "tests/map/maptexture.h"
#include "tests/screenshown.h"

namespace maptest {
namespace {

constexpr int32_t D = GU_DEGREE;

// A red square of size pixels at a position, on the layer.
TGeoDataObject* RedSquare(TEarthMap* map, TEarthLayer* layer, int32_t size, const TPointLL& at) {
  auto pr = std::make_unique<TPointPresenter>(map, 1);
  pr->PointType = ppSquare;
  pr->SetPointSize(size);
  pr->PointPen()->SetPenColor(gdi::TColor(0x0000FF));
  pr->PointBrush()->SetBrushColor(gdi::TColor(0x0000FF));
  std::unique_ptr<TEarthPresenter> base = std::move(pr);
  layer->Presenters()->Add(base);
  auto* o = new TGeoDataObject(layer->GetObjects());
  o->Chains().GetChain(0)->Add(at);
  o->SetPresenterID(1);
  return o;
}

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

TEST_F(EarthMapPaint, APaintWithNothingNewOrAChangedAnimatedLayerDrawsTheAnimatedLayersAlone) {
  PaintNow();
  animated->GetObjects()->Notify(osnRedraw, nullptr);
  Pump();
  EXPECT_EQ(map->log, (Log{"animated", "animated"}));
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

TEST_F(EarthMapPaint, AMovedAnimatedPointRepaintsWhereItWasAndWhereItIsAlone) {
  auto screen = std::make_shared<TRecordingScreen>();
  win::SetBackend(screen);
  TGeoDataObject* o = RedSquare(map, animated, 10, PointLL(0, 0));
  TEarthProjection* p = map->Projection();
  map->LocateToLL(0, 0);
  Pump();
  TEarthDevicePoint a, b;
  p->LLToDeviceXY(0, 0, a);
  p->LLToDeviceXY(3 * D, 0, b);
  ASSERT_GT(b.X - a.X, 12) << "apart";
  screen->rects.clear();
  map->log.clear();

  o->Chains().GetChain(0)->PutLL(0, PointLL(3 * D, 0));
  o->RedrawObject();
  Pump();
  EXPECT_EQ(map->log, (Log{"animated"}));
  // The screen was handed the two squares' places (10 pixels and the pen), no more.
  ASSERT_FALSE(screen->rects.empty());
  int64_t area = 0;
  gdi::RECT all = screen->rects.front();
  for (const gdi::RECT& d : screen->rects) {
    area += int64_t{d.right - d.left} * (d.bottom - d.top);
    gdi::UnionRect(&all, &all, &d);
  }
  EXPECT_LE(area, 2 * 12 * 12);
  const gdi::POINT origin = map->ClientToScreen(gdi::POINT{0, 0});
  EXPECT_LE(all.left, origin.x + a.X - 5);
  EXPECT_GE(all.right, origin.x + b.X + 5);
  const std::vector<uint32_t> shown = Shown(map);
  const auto at = [&](const TEarthDevicePoint& d) { return shown[size_t(d.Y * ClientW() + d.X)]; };
  EXPECT_EQ(at(b), 0xFF0000u);
  EXPECT_NE(at(a), 0xFF0000u);
  // What a whole redraw of the same view shows.
  map->RedrawLayers();
  Pump();
  EXPECT_EQ(Shown(map), shown);
  win::SetBackend(nullptr);
}

TEST_F(EarthMapPaint, ShadingTheBackBufferBetweenPaintsShowsAtTheNextPaint) {
  map->SetGraticuleDrawMode(gdNone);
  PaintNow();
  TEarthDevicePoint at;
  ASSERT_TRUE(map->Projection()->LLToDeviceXY(D * 15 / 2, D * 15 / 2, at));
  // Midnight at Greenwich: 7.5 E 7.5 N deep in the night, each channel of the aqua surface half
  // way towards the night's blue 0x20, then half way again.
  const double midnight = rtl::EncodeDate(2026, 3, 20);
  map->RenderDIBShadow(midnight, gdi::TColor(0x800000), gdi::TColor(0x200000), 1);
  PaintNow();
  EXPECT_EQ(ScreenPixel(at.X, at.Y), gdi::RGB(0, 128, 144));
  map->RenderShadow(midnight, gdi::TColor(0x800000), gdi::TColor(0x200000), 1);
  animated->GetObjects()->Notify(osnRedraw, nullptr);  // changed, though they draw nowhere
  map->log.clear();
  PaintNow();
  EXPECT_EQ(ScreenPixel(at.X, at.Y), gdi::RGB(0, 64, 88));
  EXPECT_EQ(map->log, Log{"animated"}) << "the shaded back buffer is kept";

  // From OnPaint, each way once: the paint that shades shows it, the next one keeps it.
  const gdi::TColor twilight(0x800000), night(0x200000);
  map->RedrawLayers();
  int paints = 0;
  map->OnPaint = rtl::TNotifyEvent(nullptr, [&](rtl::TObject*) {
    if (paints == 0) map->RenderDIBShadow(midnight, twilight, night, 1);
    if (paints++ == 2) map->RenderShadow(midnight, twilight, night, 1);
  });
  for (int i = 0; i < 4; ++i) {
    PaintNow();
    EXPECT_EQ(ScreenPixel(at.X, at.Y), i < 2 ? gdi::RGB(0, 128, 144) : gdi::RGB(0, 64, 88)) << i;
  }
  // From OnRender in a bitmap of the map: 0 N 0 E in its middle in the night.
  map->OnRender = rtl::TNotifyEvent(
      nullptr, [&](rtl::TObject*) { map->RenderShadow(midnight, twilight, night, 1); });
  map->Projection()->SetScaleFactor(0);
  EXPECT_EQ(gdi::ColorToRGB(map->GetBitmap(320, 200)->Canvas()->Pixels(160, 100)),
            gdi::RGB(0, 128, 144));
}

TEST_F(EarthMapPaint, ALongLineKeptForDrawingFollowsItsPointsAndTheView) {
  // 3,000 points across the near side of the globe show the same pixels at every step with and
  // without the cached globe positions.
  auto pr = std::make_unique<TPolylinePresenter>(map, 2);
  pr->PolyPen()->Define(gdi::TColor(0x008080), psSolid, 1, TEarthUnitTypes::Pixel);
  std::unique_ptr<TEarthPresenter> base = std::move(pr);
  animated->Presenters()->Add(base);
  auto* o = new TGeoDataObject(animated->GetObjects());
  o->SetPresenterID(2);
  TPointStore& line = *o->Chains().GetChain(0);
  for (int i = 0; i < 3000; ++i)
    line.Add(PointLL(i * (D / 25) - 60 * D, static_cast<int32_t>(40 * D * std::sin(i / 300.0))));
  o->RedrawObject();
  const auto same = [&](const char* step) {
    Pump();
    const std::vector<uint32_t> kept = Shown(map);
    map->SetEarthOptions({goDoubleBuffered});
    Pump();
    EXPECT_EQ(Shown(map), kept) << step;
    map->SetEarthOptions({goCache3DPoints, goDoubleBuffered});
    Pump();
  };
  same("drawn");
  same("drawn again");
  for (int i = 0; i < 10; ++i) line.Add(PointLL((60 - i) * D, 20 * D));
  o->RedrawObject();
  same("points added");
  line.PutLL(100, PointLL(0, 80 * D));
  o->RedrawObject();
  same("a point moved");
  map->LocateToLL(40 * D, -30 * D);
  same("the globe turned");
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

// A layer that raises the first time it draws (farSideOnly: the far side of a see-through globe).
struct TRaisingLayer : TEarthLayer {
  using TEarthLayer::TEarthLayer;
  void RenderObjects() override {
    if (raise && (!farSideOnly || Globe()->Projection()->BackFacePass())) {
      raise = false;
      throw EEarthException("drawing failed");
    }
  }
  bool raise = true;
  bool farSideOnly = true;
};

TEST_F(EarthMapPaint, APaintThatRaisedLeavesTheNextOneWhole) {
  map->SetEarthOptions({goDoubleBuffered, goTransparentGlobe});
  new TRaisingLayer(map);
  EXPECT_THROW(PaintNow(), EEarthException);
  EXPECT_FALSE(map->Projection()->BackFacePass());
  EXPECT_TRUE(map->RedrawPending());
  map->log.clear();
  PaintNow();
  EXPECT_EQ(map->log,
            (Log{"background", "back layer", "back graticule", "graticule", "layer", "animated"}));

  // An animated layer raising in a paint that draws the animated layers alone.
  auto* live = new TRaisingLayer(map);
  live->farSideOnly = live->raise = false;
  live->SetLayerBoolean(TEarthLayer::lbAnimated, true);
  TEarthObjectSource* source = live->GetObjects();
  PaintNow();
  live->raise = true;
  source->Notify(osnRedraw, nullptr);
  map->log.clear();
  EXPECT_THROW(win::UpdateWindow(map->Handle()), EEarthException);
  EXPECT_EQ(map->log, Log{"animated"});
  map->log.clear();
  PaintNow();
  EXPECT_EQ(map->log.front(), "background");
}

TEST_F(EarthMapPaint, ABitmapWhoseRenderRaisedLeavesTheControlAsItWas) {
  map->SetEarthOptions({goDoubleBuffered, goTransparentGlobe});
  new TRaisingLayer(map);
  EXPECT_THROW(map->GetBitmap(320, 200), EEarthException);
  EXPECT_EQ(map->EarthCanvas()->Width(), ClientW());
  EXPECT_EQ(map->EarthOptions(), (TEarthOptionsSet{goDoubleBuffered, goTransparentGlobe}));
  std::unique_ptr<vcl::TBitmap> b = map->GetBitmap(320, 200);
  EXPECT_EQ(b->Canvas()->Pixels(2, 2), gdi::TColor(0)) << "the window's background";
  EXPECT_EQ(Paint().front(), "background");
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
    canvas->SizeDC(720, 360, canvas->ScreenPixelsPerInch());
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

TEST_F(EarthMapPrimitives, CirclesOfStepsOutsideTheRangeOrARadiusPastAFullTurn) {
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
  White();
  map->RenderCircle(PointLL(0, 45 * D), 370 * D, 36);
  EXPECT_TRUE(Drawn(0, 55) && Drawn(0, 35)) << "370 degrees round 45 N are 10";
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

TEST_F(EarthMapPrimitives, TextStandsAtItsPoint) {
  canvas->Font()->SetSize(12);
  map->RenderTextOut(10 * D, 20 * D, "Hanko", TEarthUnitTypes::Pixel);
  EXPECT_EQ(gdi::GetDCLog(dc).back(), "TextOut(380,140,\"Hanko\")") << "2 pixels a degree";
}

TEST_F(EarthMapTest, BitmapsOfTheMapDrawItWholeShowNothingInTheWindowAndAPaintFollows) {
  map->Projection()->SetScaleFactor(0);
  map->SetGraticuleDrawMode(gdNone);
  // Objects drawn by a handler taking a millisecond each; the picture drawn so far is to be
  // shown every 10 ms.
  auto* layer = new TEarthLayer(map);
  for (int i = 0; i < 600; ++i)
    (new TGeoDataObject(layer->GetObjects()))->Chains().GetChain(0)->Add(PointLL(0, 0));
  int drawn = 0;
  map->OnObjectRender = [&](TCustomEarthMap*, TEarthObject*, TEarthObjectStateSet) {
    ++drawn;
    clock->Advance(1);
  };
  map->PeriodicUpdateTime = 10;
  PaintNow();
  // A box being dragged asks any render that may be interrupted to stop; none is running.
  map->SetEarthOptions({goDoubleBuffered, goInterruptable});
  map->MouseDown(vcl::mbRight, {}, 100, 100);
  map->MouseMove({}, 300, 300);
  for (int i = 0; i < 2; ++i) {
    drawn = 0;
    std::unique_ptr<vcl::TBitmap> b = map->GetBitmap(320, 200);
    ASSERT_EQ(b->Width(), 320);
    ASSERT_EQ(b->Height(), 200);
    EXPECT_EQ(b->Canvas()->Pixels(160, 60), gdi::TColor(0xFFFF00)) << "the globe's surface";
    EXPECT_EQ(b->Canvas()->Pixels(2, 2), gdi::TColor(0)) << "the window's background";
    EXPECT_EQ(drawn, 600);
  }
  EXPECT_EQ(Shown(map)[60 * ClientW() + 160], 0u) << "beside the window's globe";
  map->MouseUp(vcl::mbRight, {}, 300, 300);
  PaintNow();
  EXPECT_EQ(map->EarthCanvas()->Width(), ClientW());
}

TEST_F(EarthMapTest, DrawnStraightOntoACanvasPixelsGrowWithItsResolutionAsOnABitmap) {
  map->Projection()->SetProjectionClass("TCartesianPrj");
  for (const bool useBitmap : {true, false}) {
    vcl::TBitmap b;
    b.SetPixelFormat(vcl::pf24bit);
    b.SetSize(360, 180);
    gdi::SetDeviceLogPixels(b.Canvas()->Handle(), 192);
    map->RenderToCanvas(b.Canvas(), {0, 0, 360, 180}, useBitmap);
    // The 1-pixel graticule at twice the screen's resolution: parallels 2 pixels thick, the
    // shortest runs of its colour down the columns.
    int thinnest = 180;
    for (int x = 0; x < 360; ++x) {
      for (int y = 0, run = 0; y <= 180; ++y) {
        const bool silver = y < 180 && b.Canvas()->Pixels(x, y) == gdi::TColor(0xC0C0C0);
        if (!silver && run > 0) thinnest = std::min(thinnest, run);
        run = silver ? run + 1 : 0;
      }
    }
    EXPECT_EQ(thinnest, 2) << "through a bitmap: " << useBitmap;
  }
}

TEST_F(EarthMapTest, ACanvasWithAnOriginOfItsOwnTakesTheMapAtTheRectangleFromThere) {
  map->Projection()->SetScaleFactor(0);
  map->SetGraticuleDrawMode(gdNone);
  for (const bool useBitmap : {true, false}) {
    vcl::TBitmap b;
    b.SetPixelFormat(vcl::pf24bit);
    b.SetSize(300, 200);
    vcl::TCanvas* c = b.Canvas();  // white
    // As a paint box's canvas has it: the origin where the box lies in its window.
    gdi::SetViewportOrgEx(c->Handle(), 100, 60, nullptr);
    map->RenderToCanvas(c, {10, 20, 110, 120}, useBitmap);
    gdi::SetViewportOrgEx(c->Handle(), 0, 0, nullptr);
    EXPECT_EQ(c->Pixels(112, 82), gdi::TColor(0)) << "the window's background, " << useBitmap;
    EXPECT_EQ(c->Pixels(160, 130), gdi::TColor(0xFFFF00)) << "the globe, " << useBitmap;
    EXPECT_EQ(c->Pixels(12, 22), gdi::TColor(0xFFFFFF)) << "nothing beside, " << useBitmap;
  }
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
  // At its own size the calls are played onto the bitmap itself: the same picture as the map
  // drawn through a back buffer of that size.
  std::unique_ptr<vcl::TBitmap> drawn = map->GetBitmap(1000, 500);
  vcl::TBitmap played;
  played.SetPixelFormat(vcl::pf24bit);
  played.SetSize(1000, 500);
  m->DrawOn(played.Canvas(), {0, 0, 1000, 500});
  int differ = 0;
  for (int y = 0; y < 500; y += 2)
    for (int x = 0; x < 1000; x += 2)
      differ += played.Canvas()->Pixels(x, y) != drawn->Canvas()->Pixels(x, y);
  EXPECT_EQ(differ, 0);
}

TEST_F(EarthMapTest, TheBackBufferFillsTheClientAreaBesideTheBarsAndTheGlobeSitsInItsMiddle) {
  const int bar = win::GetSystemMetrics(win::SM_CXVSCROLL);
  gdi::RECT client{};
  win::GetClientRect(map->Handle(), &client);
  EXPECT_EQ(client.right, 800 - bar);
  EXPECT_EQ(client.bottom, 600 - win::GetSystemMetrics(win::SM_CYHSCROLL));
  EXPECT_EQ(ClientW(), client.right) << "the control agrees with its window";
  EXPECT_EQ(ClientH(), client.bottom);
  EXPECT_EQ(map->EarthCanvas()->Width(), client.right);
  EXPECT_EQ(map->EarthCanvas()->Height(), client.bottom);
  // The globe fitted to the window: its disc is as far from the left edge as from the right one
  // and as far from the top as from the bottom, on the screen.
  map->SetGraticuleDrawMode(gdNone);
  map->Projection()->SetScaleFactor(0);
  map->Invalidate();
  win::UpdateWindow(map->Handle());
  Pump();
  const gdi::HDC dc = win::GetDC(map->Handle());
  const auto surface = [&](int x, int y) {
    return gdi::GetPixel(dc, x, y) == gdi::RGB(0, 255, 255);
  };
  const auto firstFrom = [&](int x, int y, int dx, int dy) {
    while (x >= 0 && y >= 0 && x < client.right && y < client.bottom && !surface(x, y)) {
      x += dx;
      y += dy;
    }
    return dx != 0 ? x : y;
  };
  const int left = firstFrom(0, client.bottom / 2, 1, 0);
  const int right = firstFrom(client.right - 1, client.bottom / 2, -1, 0);
  const int top = firstFrom(client.right / 2, 0, 0, 1);
  const int bottom = firstFrom(client.right / 2, client.bottom - 1, 0, -1);
  win::ReleaseDC(map->Handle(), dc);
  EXPECT_GT(right - left, 300) << "the disc is there";
  EXPECT_NEAR(left, client.right - 1 - right, 1);
  EXPECT_NEAR(top, client.bottom - 1 - bottom, 1);
  // Without bars the map takes the whole control.
  map->SetScrollBars(vcl::ssNone);
  EXPECT_EQ(map->EarthCanvas()->Width(), 800);
  EXPECT_EQ(map->EarthCanvas()->Height(), 600);
  map->SetScrollBars(vcl::ssVertical);
  EXPECT_EQ(map->EarthCanvas()->Width(), 800 - bar);
  EXPECT_EQ(map->EarthCanvas()->Height(), 600);
}

// Rings on the globe that reach round to the other side.
class EarthMapRings : public EarthMapTest {
 protected:
  void SetUp() override {
    EarthMapTest::SetUp();
    auto* layer = new TEarthLayer(map);
    auto presenter = std::make_unique<TPolyPresenter>(map, 1);
    presenter->PolyPen()->Define(gdi::TColor(0x40A040), psSolid, 1, TEarthUnitTypes::Pixel);
    presenter->PolyBrush()->Define(gdi::TColor(0x40A040), bsSolid);
    std::unique_ptr<TEarthPresenter> base = std::move(presenter);
    layer->Presenters()->Add(base);
    // A band from 30 W to 110 E round the equator, and a square on the far side of 0, 0.
    Box(layer, -30, -20, 110, 20);
    Box(layer, 150, 30, 170, 50);
    map->SetGraticuleDrawMode(gdNone);
    map->Projection()->SetScaleFactor(0);
  }
  void Box(TEarthLayer* layer, int west, int south, int east, int north) {
    auto* o = new TGeoDataObject(layer->GetObjects());
    TPointStore* ring = o->Chains().GetChain(0);
    for (int lon = west; lon < east; ++lon) ring->Add(PointLL(lon * D, south * D));
    for (int lat = south; lat < north; ++lat) ring->Add(PointLL(east * D, lat * D));
    for (int lon = east; lon > west; --lon) ring->Add(PointLL(lon * D, north * D));
    for (int lat = north; lat > south; --lat) ring->Add(PointLL(west * D, lat * D));
    o->SetClosed(true);
    o->SetPresenterID(1);
  }
  // 0xRRGGBB of the back buffer where the position shows, on the near side or seen through.
  uint32_t At(int lon, int lat, bool farSide = false) {
    TEarthProjection* p = map->Projection();
    p->SetBackFacePass(farSide);
    TEarthDevicePoint pt;
    const bool shown = p->LLToDeviceXY(lon * D, lat * D, pt);
    p->SetBackFacePass(false);
    if (!shown) return 0xFF000000u;
    TEarthCanvas* c = map->EarthCanvas();
    const uint8_t* px = c->Bits() + (c->Height() - 1 - pt.Y) * c->Stride() + pt.X * 3;
    return (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
  }
};

TEST_F(EarthMapRings, TheTransparentGlobeShowsTheFarSideThroughIt) {
  map->SetEarthOptions({goDoubleBuffered, goCache3DPoints, goTransparentGlobe});
  map->LocateToLL(0, 0);
  PaintNow();
  EXPECT_EQ(At(-60, 40), 0u) << "nothing here nor behind: the black window shows through";
  EXPECT_EQ(At(160, 40, true), 0xC0C0C0u) << "the square behind, in the transparent brush";
  EXPECT_EQ(At(10, 0), 0x40A040u) << "the band in front";
  EXPECT_EQ(At(-30, -45), 0u);
}

TEST_F(EarthMapRings, ARingRoundThePointBehindTheGlobeFillsOnlyItsOwnPart) {
  // From 180 E the point behind the globe, 0 N 0 E, lies in the band; its near side is the
  // stretch from 90 E to 110 E at the left edge of the disc.
  map->LocateToLL(180 * D, 0);
  PaintNow();
  EXPECT_EQ(At(-150, 30), 0x00FFFFu) << "open sea";
  EXPECT_EQ(At(180, 0), 0x00FFFFu) << "the middle";
  EXPECT_EQ(At(100, 0), 0x40A040u) << "the band's near end";
  EXPECT_EQ(At(160, 40), 0x40A040u) << "the square, now in front";
}

TEST_F(EarthMapTest, GraticuleLinesRunOnToTheHorizonInZoomedViews) {
  // A line leaving the side drawn used to stop at its last point there, up to 5 degrees short of
  // the horizon: 5.6 and 25 pixels inside the outline in two of these views.
  TEarthProjection* p = map->Projection();
  int allEnds = 0;
  for (const int zoom : {16, 64}) {
    for (const double direction : {0.7, 2.0}) {  // the outline's south-east and south-west
      p->SetScaleFactor(0);
      map->LocateToLL(10 * D, 30 * D);
      p->SetScaleFactor(p->ScaleFactor() * zoom);
      // The outline through the middle of the window.
      const double r = 309397230.0 * double(p->ScaleFactor());
      p->SetIntegerProp(ppXOrigin, int32_t(ClientW() / 2 - r * std::cos(direction)));
      p->SetIntegerProp(ppYOrigin, int32_t(ClientH() / 2 - r * std::sin(direction)));
      PaintNow();
      TEarthCanvas* c = map->EarthCanvas();
      const auto line = [&](int x, int y) {
        const uint8_t* q = c->Bits() + (c->Height() - 1 - y) * c->Stride() + x * 3;
        return q[0] == 0xC0 && q[1] == 0xC0 && q[2] == 0xC0;
      };
      // The ends of lines inside the window: a line pixel with one line pixel beside it.
      int ends = 0;
      for (int y = 1; y < c->Height() - 1; ++y) {
        for (int x = 1; x < c->Width() - 1; ++x) {
          if (!line(x, y)) continue;
          int beside = 0;
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) beside += (dx || dy) && line(x + dx, y + dy);
          if (beside > 1) continue;
          ++ends;
          const double fromCentre = std::hypot(x - double(p->XOrigin()), y - double(p->YOrigin()));
          EXPECT_NEAR(fromCentre, r, 2) << "zoom " << zoom << ", a line ends at " << x << "," << y;
        }
      }
      allEnds += ends;
    }
  }
  EXPECT_GT(allEnds, 0) << "lines end on the outline in the window";
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
  // An origin far out is held a turn (1,944 pixels at 1e-6) away; the middle half's box doubles.
  p->SetScaleFactor(1e-6);
  p->SetIntegerProp(ppXOrigin, INT32_MAX - 78);
  p->SetIntegerProp(ppYOrigin, INT32_MIN + 48);
  const int cx = ClientW() / 2, cy = ClientH() / 2;
  DragWith(1, cx / 2, cy / 2, cx * 3 / 2, cy * 3 / 2);
  EXPECT_EQ((std::pair{p->XOrigin(), p->YOrigin()}), std::pair(cx + 3888, cy - 3888));
}

TEST_F(EarthMapMouse, APanAndThePanBackGiveTheViewBack) {
  p->SetProjectionClass("TCartesianPrj");
  p->SetScaleFactor(std::ldexp(1.0L, -20));  // 2^19 globe units are half a pixel
  p->SetEarthCenterXY({401, 301});
  for (const int32_t d : {1 << 19, 3 << 19, 5 << 19}) {
    map->PanViewXY(d, -d);
    map->PanViewXY(-d, d);
    EXPECT_EQ((std::pair{p->XOrigin(), p->YOrigin()}), std::pair(401, 301)) << d;
  }
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
  TGeoDataObject* a = RedSquare(map, layer, 8, PointLL(0, 0));
  TGeoDataObject* b = RedSquare(map, layer, 8, PointLL(40 * D, 20 * D));
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
  map->MouseDown(vcl::mbLeft, vcl::ssCtrl, pa.X, pa.Y);
  map->MouseUp(vcl::mbLeft, vcl::ssCtrl, pa.X, pa.Y);
  EXPECT_TRUE(a->GetSelected());
  EXPECT_TRUE(b->GetSelected());
  // A click on nothing deselects; a double click neither zooms nor turns, but is a click.
  Click(map, 5, 5);
  EXPECT_EQ(map->LayerStore()->GetSelectedCount(), 0);
  const Extended sf = p->ScaleFactor();
  map->MouseDown(vcl::mbRight, vcl::ssDouble, pa.X, pa.Y);
  EXPECT_FALSE(map->ZoomBoxOpen());
  map->MouseDown(vcl::mbLeft, vcl::ssDouble, pa.X, pa.Y);
  map->MouseUp(vcl::mbLeft, vcl::ssDouble, pa.X, pa.Y);
  EXPECT_EQ(p->ScaleFactor(), sf);
  EXPECT_EQ(clicked.size(), 4u);
  EXPECT_EQ(clicked.back(), a);
}

// The second press of a double click closed a dialog over the map: the release alone reaches the
// map, and must not select the land under it. A whole click there still does.
TEST_F(EarthMapMouse, AReleaseWithoutItsPressSelectsNothing) {
  p->SetProjectionClass("TCartesianPrj");
  TGeoDataObject* land = RedSquare(map, new TEarthLayer(map), 40, PointLL(0, 0));
  PaintNow();
  TEarthDevicePoint at;
  ASSERT_TRUE(p->LLToDeviceXY(0, 0, at));
  int clicks = 0;
  map->OnObjectClick = [&](TEarthMap*, TEarthObject*) { ++clicks; };
  const gdi::POINT s = Screen(at.X, at.Y);
  Feed(win::MouseMove(s.x, s.y));
  Feed(win::MouseUp(s.x, s.y));
  // Nor does a left release after a right press.
  map->MouseDown(vcl::mbRight, 0, at.X, at.Y);
  map->MouseUp(vcl::mbLeft, 0, at.X, at.Y);
  EXPECT_EQ((std::pair{land->GetSelected(), clicks}), std::pair(false, 0));
  Click(map, at.X, at.Y);
  EXPECT_EQ((std::pair{land->GetSelected(), clicks}), std::pair(true, 1));
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

TEST_F(EarthMapMouse, DraggingTheThumbMovesTheViewWithIt) {
  p->SetProjectionClass("TCartesianPrj");
  p->SetScaleFactor(4 * Extended(ClientW()) / GU_360DEGREE);  // a quarter of the world wide
  map->LocateToLL(0, 0);
  PaintNow();
  const auto centre = [&] {
    TPointLL c;
    EXPECT_TRUE(p->DeviceXYToLL(ClientW() / 2, ClientH() / 2, c));
    return c;
  };
  const int bar = win::GetSystemMetrics(win::SM_CYHSCROLL);
  // Drags the thumb of one bar by the given pixels along it; returns the globe units the view is
  // expected to move. The bar's arrows are as long as the bar is thick, the thumb takes its
  // share of the track between them, and the view being in the middle of the world, the thumb
  // is in the middle of the track.
  const auto drag = [&](bool vertical, int pixels) {
    win::SCROLLINFO si;
    si.fMask = win::SIF_ALL;
    EXPECT_TRUE(win::GetScrollInfo(map->Handle(), vertical ? win::SB_VERT : win::SB_HORZ, &si));
    const int length = vertical ? ClientH() : ClientW();
    const int track = length - 2 * bar;
    const int64_t range = int64_t(si.nMax) - si.nMin + 1;
    const int thumb = int(track * int64_t(si.nPage) / range);
    const gdi::POINT a = vertical ? Screen(ClientW() + bar / 2, ClientH() / 2)
                                  : Screen(ClientW() / 2, ClientH() + bar / 2);
    win::PostRawInput(win::MouseMove(a.x, a.y));
    win::PostRawInput(win::MouseDown(a.x, a.y));
    for (int i = 1; i <= 6; ++i) {
      const int d = pixels * i / 6;
      win::PostRawInput(vertical ? win::MouseMove(a.x, a.y + d) : win::MouseMove(a.x + d, a.y));
    }
    win::PostRawInput(vertical ? win::MouseUp(a.x, a.y + pixels) : win::MouseUp(a.x + pixels, a.y));
    Pump();
    PaintNow();
    return std::pair(double(range - si.nPage) * pixels / (track - thumb),
                     double(range - si.nPage) / (track - thumb));
  };
  const double pixel = 1 / p->ScaleFactor();
  TPointLL start = centre();
  auto [east, perPixel] = drag(false, 60);
  EXPECT_GT(east, 10.0 * GU_DEGREE);
  EXPECT_NEAR(centre().iLongX - start.iLongX, east, perPixel + 2 * pixel) << "east with the thumb";
  EXPECT_NEAR(centre().iLatY, start.iLatY, pixel);
  start = centre();
  auto [south, perPixelV] = drag(true, 40);
  EXPECT_NEAR(start.iLatY - centre().iLatY, south, perPixelV + 2 * pixel) << "south";
  EXPECT_NEAR(centre().iLongX, start.iLongX, pixel);
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

TEST_F(EarthMapTest, MovesOfLessThanHalfAPixelKeepTheCentreDrawnUntilTheyAddUp) {
  TEarthProjection* p = map->Projection();
  p->SetScaleFactor(1e-5);  // 12,000 globe units are 0.12 pixels
  const int32_t lon = 10 * D, lat = 50 * D;
  const int cx = ClientW() / 2, cy = ClientH() / 2;
  map->LocateToLL(lon, lat);
  PaintNow();
  TPointLL drawn, now;
  ASSERT_TRUE(p->DeviceXYToLL(cx, cy, drawn));
  map->redraws = 0;
  for (int i = 1; i <= 4; ++i) {
    map->LocateToLL(lon, lat + 12'000 * i);  // 0.48 pixels after four
    EXPECT_EQ(map->redraws, 0) << i;
  }
  // What is picked under the middle is what is drawn there.
  p->DeviceXYToLL(cx, cy, now);
  EXPECT_EQ(now, drawn);
  EXPECT_NEAR(double(p->AskedCenterLatitude()), (lat + 48'000) / double(D), 1e-9);
  map->LocateToLL(lon, lat + 60'000);  // 0.6 pixels: the view moves to it
  EXPECT_GT(map->redraws, 0);
  p->DeviceXYToLL(cx, cy, now);
  EXPECT_NEAR(now.iLatY, lat + 60'000, 1000);
  EXPECT_NEAR(now.iLongX, lon, 1000);

  // After another change of the view the next position is taken however near.
  p->SetScaleFactor(1.25e-5);
  map->LocateToLL(lon, lat + 72'000);  // 0.15 pixels away
  p->DeviceXYToLL(cx, cy, now);
  EXPECT_NEAR(now.iLatY, lat + 72'000, 1000);

  // Mercator draws a step north at 60 degrees twice as long (1 / cos 60): 0.24 pixels a step.
  p->SetProjectionClass("TMercatorPrj");
  p->SetScaleFactor(1e-5);
  map->LocateToLL(0, 60 * D);
  map->redraws = 0;
  map->LocateToLL(0, 60 * D + 24'000);  // 0.48
  EXPECT_EQ(map->redraws, 0);
  map->LocateToLL(0, 60 * D + 36'000);  // 0.72
  EXPECT_GT(map->redraws, 0);
}

TEST_F(EarthMapMouse, LocateToLLPutsThePositionOnTheCentrePixelWhereAPointIsDrawn) {
  const TPointLL boat = PointLL(-5 * D + D / 3, 50 * D + D / 7);
  RedSquare(map, new TEarthLayer(map), 6, boat);
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
