#include "controls/aagauge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "platform/gdi/image.h"
#include "platform/rtl/classregistry.h"
#include "platform/rtl/palette.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

// The gauge with its insides opened for the tests; Paint can be told to take time.
class TTestGauge : public TAAGauge {
 public:
  using TAAGauge::AntiAliasedBitmap;
  using TAAGauge::FastAntiAliasPicture;
  using TAAGauge::FCounterFrequency;
  using TAAGauge::Geometry;
  using TAAGauge::ScaleBitmap;
  using TAAGauge::ScalePoint;
  using TAAGauge::TAAGauge;
  using TAAGauge::TGeometry;
  using TAAGauge::WorkBitmap;

  std::vector<std::string>* log = nullptr;
  uint64_t paintMicros = 0;

 protected:
  void Paint() override {
    if (log) log->push_back("paint");
    if (paintMicros) win::GetVirtualClock()->AdvanceMicros(paintMicros);
    TAAGauge::Paint();
  }
};

// 0x00BBGGRR of a pixel of a bitmap, as TColor values are written.
vcl::TColor Pixel(vcl::TBitmap* b, int x, int y) {
  return static_cast<vcl::TColor>(gdi::GetPixel(b->Canvas()->Handle(), x, y));
}

// The shown pixel over the point at scale position t and radius r (r <= 0: R + r), the point
// taken in the supersampled picture so that its whole block lies on what is drawn there.
vcl::TPoint ShownPoint(TTestGauge* gauge, double t, double r) {
  const int n = gauge->GetAAMultipler();
  TTestGauge::TGeometry g = gauge->Geometry(gauge->Width() * n, gauge->Height() * n, n);
  vcl::TPoint p = TTestGauge::ScalePoint(g, t, r <= 0 ? g.R + r * n : r * n);
  return vcl::TPoint{p.x / n, p.y / n};
}

bool Contains(vcl::TBitmap* b, vcl::TColor color) {
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x)
      if (Pixel(b, x, y) == color) return true;
  return false;
}

class Gauge : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    form = new vcl::TForm(app.get());
    form->SetBounds(20, 20, 520, 420);
    form->AfterConstruction();
    form->Show();
    gauge = Place(0, 0);
    Pump();
  }
  TTestGauge* Place(int left, int top) {
    auto* g = new TTestGauge(form);
    g->SetBounds(left, top, 225, 180);
    g->SetParent(form);
    return g;
  }

  // A gauge dressed as the main window dresses its three.
  TTestGauge* MainWindowGauge(int left, const std::string& caption, int scale, int indMin,
                              int indMax, int angle, int ticks, vcl::TColor minColor,
                              vcl::TColor maxColor, TAntialiased aa) {
    TTestGauge* g = Place(left, 0);
    g->SetBounds(left, 0, 145, 113);
    g->SetFFaceColor(vcl::clNavy);
    g->SetFTicksColor(vcl::clWhite);
    g->SetFValueColor(vcl::clWhite);
    g->SetFCaptionColor(vcl::clWhite);
    g->SetFArrowColor(vcl::clWhite);
    g->SetFMarginColor(vcl::clBlack);
    g->SetFCenterColor(vcl::clGray);
    g->SetFCircleColor(vcl::clBlue);
    g->SetFArrowWidth(2);
    g->SetFFaceOptions(TFaceOptions(0x0FFF).Without(ShowMargin).Without(ShowCircles));
    g->SetFScaleValue(scale);
    g->SetFMaximum(indMax);
    g->SetFMinimum(indMin);
    g->SetFScaleAngle(angle);
    g->SetFNumMainTicks(ticks);
    g->SetFMinColor(minColor);
    g->SetFMidColor(vcl::clYellow);
    g->SetFMaxColor(maxColor);
    g->SetFCaption(caption);
    g->SetFAntiAliased(aa);
    return g;
  }

  vcl::TForm* form = nullptr;
  TTestGauge* gauge = nullptr;
};

// ---------------------------------------------------------------- setters and events

TEST_F(Gauge, StartsWithItsDocumentedValuesAndIsCreatableByName) {
  EXPECT_EQ(gauge->FaceOptions().Bits(), 0x0FCD);
  EXPECT_FALSE(gauge->FaceOptions().Contains(ShowCircles));
  EXPECT_TRUE(gauge->FaceOptions().Contains(ShowCaption));
  EXPECT_EQ(gauge->Caption(), "mV");
  EXPECT_EQ(gauge->AntiAliased(), aaNone);
  EXPECT_EQ(gauge->AntiAliasedBitmap(), nullptr);
  EXPECT_EQ(gauge->WorkBitmap()->Width(), 225);
  EXPECT_EQ(gauge->WorkBitmap()->Height(), 180);

  Register();
  EXPECT_EQ(rtl::ComponentPalettePage(rtl::FindClass("TAAGauge")), "Additional");
  auto* made = rtl::FindClass("taagauge")->Create<TAAGauge>(static_cast<rtl::TComponent*>(form));
  EXPECT_EQ(made->Width(), 225);
  EXPECT_EQ(made->Height(), 180);
  EXPECT_EQ(made->Owner(), form);
}

TEST_F(Gauge, PositionFiresOverMaxThenOverMinBeforeTheNeedleIsDrawn) {
  std::vector<std::string> log;
  gauge->log = &log;
  gauge->OnOverMax = rtl::TNotifyEvent(&log, [&](rtl::TObject* s) {
    EXPECT_EQ(s, gauge);
    log.push_back("max");
  });
  gauge->OnOverMin = rtl::TNotifyEvent(&log, [&](rtl::TObject*) { log.push_back("min"); });
  gauge->SetFMaximum(35);
  log.clear();

  gauge->SetFPosition(36);
  gauge->SetFPosition(37);  // still above: fires again
  gauge->SetFPosition(35);  // on the limit: nothing
  gauge->SetFPosition(35);  // unchanged: not even a redraw
  gauge->SetFPosition(30);
  gauge->SetFPosition(29.5f);
  EXPECT_EQ(log, (std::vector<std::string>{"max", "paint", "max", "paint", "paint", "paint", "min",
                                           "paint"}));

  // With the limits crossed both fire, the upper one first.
  gauge->SetFMinimum(50);
  log.clear();
  gauge->SetFPosition(40);
  EXPECT_EQ(log, (std::vector<std::string>{"max", "min", "paint"}));
}

TEST_F(Gauge, ScaleDragsTheIndicatorsInsideIt) {
  ASSERT_EQ(gauge->Scale(), 140);
  gauge->SetFScaleValue(50);
  EXPECT_EQ(gauge->IndMaximum(), 49);
  EXPECT_EQ(gauge->IndMinimum(), 1);

  std::vector<std::string> log;
  gauge->log = &log;
  gauge->SetFScaleValue(1);  // too small: kept, but redrawn
  EXPECT_EQ(gauge->Scale(), 50);
  EXPECT_EQ(log.size(), 1u);

  gauge->SetFScaleValue(200);  // room enough: the indicators stay
  EXPECT_EQ(gauge->IndMaximum(), 49);
  EXPECT_EQ(gauge->IndMinimum(), 1);
}

TEST_F(Gauge, IndicatorsStayStrictlyInsideTheScale) {
  gauge->SetFMaximum(0);
  gauge->SetFMaximum(140);
  gauge->SetFMinimum(-5);
  gauge->SetFMinimum(140);
  EXPECT_EQ(gauge->IndMaximum(), 80);
  EXPECT_EQ(gauge->IndMinimum(), 30);
  gauge->SetFMaximum(139);
  gauge->SetFMinimum(1);
  EXPECT_EQ(gauge->IndMaximum(), 139);
  EXPECT_EQ(gauge->IndMinimum(), 1);
}

TEST_F(Gauge, AngleOutsideItsRangeIsIgnoredButRedrawn) {
  std::vector<std::string> log;
  gauge->log = &log;
  gauge->SetFScaleAngle(10);
  gauge->SetFScaleAngle(361);
  EXPECT_EQ(gauge->Angle(), 120);
  EXPECT_EQ(log.size(), 2u);
  gauge->SetFScaleAngle(11);
  EXPECT_EQ(gauge->Angle(), 11);
  gauge->SetFScaleAngle(360);
  EXPECT_EQ(gauge->Angle(), 360);
}

TEST_F(Gauge, ArrowWidthIsClampedToOneToFive) {
  gauge->SetFArrowWidth(0);
  EXPECT_EQ(gauge->ArrowWidth(), 1);
  gauge->SetFArrowWidth(9);
  EXPECT_EQ(gauge->ArrowWidth(), 5);
  gauge->SetFArrowWidth(3);
  EXPECT_EQ(gauge->ArrowWidth(), 3);
}

TEST_F(Gauge, MainTickCountBelowOneIsIgnored) {
  gauge->SetFFaceOptions(gauge->FaceOptions().With(ShowCircles));
  gauge->SetFNumMainTicks(0);
  EXPECT_EQ(gauge->NumberMainTicks(), 7);
  gauge->SetFNumMainTicks(-3);
  EXPECT_EQ(gauge->NumberMainTicks(), 7);
  gauge->SetFNumMainTicks(1);
  EXPECT_EQ(gauge->NumberMainTicks(), 1);
}

TEST_F(Gauge, NeedleSettersKeepTheScalePictureScaleSettersRedrawIt) {
  // A mark on the scale picture survives as long as only the needle is redrawn.
  constexpr vcl::TColor mark = 0x123456;
  gauge->ScaleBitmap()->Canvas()->SetPixel(3, 3, mark);
  gauge->SetFArrowColor(vcl::clRed);
  gauge->SetFArrowWidth(4);
  gauge->SetFPosition(50);
  EXPECT_EQ(Pixel(gauge->WorkBitmap(), 3, 3), mark);
  gauge->SetFCaption("kn");
  EXPECT_NE(Pixel(gauge->WorkBitmap(), 3, 3), mark);

  gauge->ScaleBitmap()->Canvas()->SetPixel(3, 3, mark);
  gauge->Font()->SetSize(12);
  EXPECT_NE(Pixel(gauge->WorkBitmap(), 3, 3), mark);
}

// ---------------------------------------------------------------- geometry

TEST_F(Gauge, CornerStylesPivotAtTheBottomCornersAndCapTheAngle) {
  gauge->SetFStyle(LeftStyle);
  gauge->SetFScaleAngle(150);
  EXPECT_EQ(gauge->Angle(), 90);  // drawn as 90 and kept so
  TTestGauge::TGeometry g = gauge->Geometry(225, 180, 1);
  EXPECT_EQ(g.A, 90);
  EXPECT_EQ(g.Cx, 10);
  EXPECT_EQ(g.Cy, 170);
  EXPECT_EQ(g.R, 205);
  // Starts straight up from the pivot, runs clockwise to the right.
  EXPECT_EQ(TTestGauge::ScalePoint(g, 0, 100).x, 10);
  EXPECT_EQ(TTestGauge::ScalePoint(g, 0, 100).y, 70);
  EXPECT_EQ(TTestGauge::ScalePoint(g, 90, 100).x, 110);

  gauge->SetFStyle(RightStyle);
  g = gauge->Geometry(900, 720, 4);
  EXPECT_EQ(g.A, 0);
  EXPECT_EQ(g.Cx, 860);
  EXPECT_EQ(g.Cy, 680);
  EXPECT_EQ(g.R, 820);
  // Starts to the left of the pivot and runs up.
  EXPECT_EQ(TTestGauge::ScalePoint(g, 0, 100).x, 760);
  EXPECT_EQ(TTestGauge::ScalePoint(g, 90, 100).y, 580);
}

TEST_F(Gauge, CentreStyleWideScalesPivotInTheMiddle) {
  gauge->SetFScaleAngle(270);
  TTestGauge::TGeometry g = gauge->Geometry(225, 180, 1);
  EXPECT_EQ(g.A, -45);
  EXPECT_EQ(g.Cx, 112);
  EXPECT_EQ(g.Cxf, 112.5);
  EXPECT_EQ(g.Cy, 90);
  EXPECT_EQ(g.R, 102);
  // From the lower left, over the top, to the lower right.
  vcl::TPoint start = TTestGauge::ScalePoint(g, 0, g.R);
  vcl::TPoint top = TTestGauge::ScalePoint(g, 135, g.R);
  vcl::TPoint end = TTestGauge::ScalePoint(g, 270, g.R);
  EXPECT_EQ(start.x, 40);
  EXPECT_EQ(start.y, 162);
  EXPECT_EQ(top.y, 90 - 102);
  EXPECT_EQ(end.x, 185);
  EXPECT_EQ(end.y, 162);

  gauge->SetFScaleAngle(360);
  g = gauge->Geometry(225, 180, 1);
  EXPECT_EQ(g.A, -90);
  start = TTestGauge::ScalePoint(g, 0, g.R);
  end = TTestGauge::ScalePoint(g, 360, g.R);
  EXPECT_EQ(start.y, 90 + 102);
  EXPECT_NEAR(end.x, start.x, 1);  // the half pixel of the pivot rounds either way
  EXPECT_EQ(end.y, start.y);
}

TEST_F(Gauge, CentreStyleNarrowScalesSitLowWithALongerRadius) {
  ASSERT_EQ(gauge->Angle(), 120);
  TTestGauge::TGeometry g = gauge->Geometry(225, 180, 1);
  EXPECT_EQ(g.A, 30);
  EXPECT_EQ(g.R, 118);  // round(102.5 / cos 30)
  EXPECT_EQ(g.Cy, 31 + 118);
  // A flat window limits the radius to the height inside the margins.
  g = gauge->Geometry(225, 100, 1);
  EXPECT_EQ(g.R, 80);
  EXPECT_EQ(g.Cy, 10 + 80);
}

// ---------------------------------------------------------------- averaging

TEST_F(Gauge, AveragingTakesTheTruncatedMeanOfEachBlock) {
  for (TAntialiased aa : {aaBiline, aaTriline, aaQuadral}) {
    gauge->SetFAntiAliased(aa);
    const int n = gauge->GetAAMultipler();
    vcl::TBitmap* work = gauge->WorkBitmap();
    for (int y = 0; y < work->Height(); ++y) std::fill_n(work->ScanLine(y), work->Width() * 3, 0);
    // Block (1, 1): blue 0, 1, 2, ... by pixel; green 255 in one pixel; red 7 everywhere.
    int k = 0;
    for (int y = n; y < 2 * n; ++y) {
      uint8_t* row = work->ScanLine(y);
      for (int x = n; x < 2 * n; ++x, ++k) {
        row[x * 3] = uint8_t(k);
        row[x * 3 + 1] = k == 0 ? 255 : 0;
        row[x * 3 + 2] = 7;
      }
    }
    gauge->FastAntiAliasPicture();
    const uint8_t* out = gauge->AntiAliasedBitmap()->ScanLine(1);
    const int cells = n * n;
    EXPECT_EQ(out[3], (cells * (cells - 1) / 2) / cells) << n;
    EXPECT_EQ(out[4], 255 / cells) << n;
    EXPECT_EQ(out[5], 7) << n;
    // The sums start afresh for each pixel: the neighbours stay black.
    EXPECT_EQ(out[0] + out[1] + out[2] + out[6] + out[7] + out[8], 0) << n;
    EXPECT_EQ(gauge->AntiAliasedBitmap()->ScanLine(0)[3], 0) << n;
  }
}

TEST_F(Gauge, SwitchingAntiAliasingOffFreesTheAveragedBitmap) {
  gauge->SetFAntiAliased(aaQuadral);
  EXPECT_EQ(gauge->ScaleBitmap()->Width(), 900);
  EXPECT_EQ(gauge->WorkBitmap()->Height(), 720);
  EXPECT_EQ(gauge->WorkBitmap()->PixelFormat(), vcl::pf24bit);
  ASSERT_NE(gauge->AntiAliasedBitmap(), nullptr);
  EXPECT_EQ(gauge->AntiAliasedBitmap()->Width(), 225);
  EXPECT_EQ(gauge->AntiAliasedBitmap()->PixelFormat(), vcl::pf24bit);

  gauge->SetFAntiAliased(aaNone);
  EXPECT_EQ(gauge->AntiAliasedBitmap(), nullptr);
  EXPECT_EQ(gauge->ScaleBitmap()->Width(), 225);
  EXPECT_EQ(gauge->WorkBitmap()->Height(), 180);
  EXPECT_EQ(gauge->WorkBitmap()->PixelFormat(), vcl::pfDevice);
  // The window shows the work bitmap itself.
  gdi::HDC dc = win::GetDC(gauge->Handle());
  for (auto [x, y] : {std::pair{112, 90}, std::pair{60, 120}, std::pair{5, 5}})
    EXPECT_EQ(static_cast<vcl::TColor>(gdi::GetPixel(dc, x, y)), Pixel(gauge->WorkBitmap(), x, y));
  win::ReleaseDC(gauge->Handle(), dc);
}

// ---------------------------------------------------------------- rendered pixels

class Rendered : public Gauge, public ::testing::WithParamInterface<TAntialiased> {
 protected:
  // The picture the window shows.
  vcl::TBitmap* Shown() {
    return gauge->AntiAliasedBitmap() ? gauge->AntiAliasedBitmap() : gauge->WorkBitmap();
  }
  vcl::TPoint At(double t, double r) { return ShownPoint(gauge, t, r); }
  // A bare navy face over 270 degrees with a wide white needle.
  void NeedleOnly() {
    gauge->SetFAntiAliased(GetParam());
    gauge->SetFScaleAngle(270);
    gauge->SetFFaceColor(vcl::clNavy);
    gauge->SetFArrowColor(vcl::clWhite);
    gauge->SetFArrowWidth(3);
    gauge->SetFFaceOptions({});
  }
};

TEST_P(Rendered, EachBandHasItsColourAtItsMidAngle) {
  gauge->SetFAntiAliased(GetParam());
  gauge->SetFScaleAngle(270);
  gauge->SetFFaceColor(vcl::clNavy);
  gauge->SetFFaceOptions({ShowIndicatorMin, ShowIndicatorMid, ShowIndicatorMax});
  gauge->SetFPosition(-40);  // the needle out of the way, below the start
  // Scale 140 over 270 degrees: the bands end at 30 and 80.
  const double t30 = 30.0 * 270 / 140, t80 = 80.0 * 270 / 140;
  EXPECT_EQ(Pixel(Shown(), At(t30 / 2, 0).x, At(t30 / 2, 0).y), 0x008000);
  EXPECT_EQ(Pixel(Shown(), At((t30 + t80) / 2, 0).x, At((t30 + t80) / 2, 0).y), 0x00FFFF);
  EXPECT_EQ(Pixel(Shown(), At((t80 + 270) / 2, 0).x, At((t80 + 270) / 2, 0).y), 0x0000FF);
  // Inside the dial and in the gap between the scale's ends the face shows.
  EXPECT_EQ(Pixel(Shown(), At(135, -20).x, At(135, -20).y), vcl::clNavy);
  EXPECT_EQ(Pixel(Shown(), At(315, -20).x, At(315, -20).y), vcl::clNavy);
}

TEST_P(Rendered, TheNeedlePointsAtThePosition) {
  NeedleOnly();
  for (float position : {0.f, 35.f, 70.f, 112.f, 140.f}) {
    gauge->SetFPosition(position);
    const double t = position * 270 / 140;
    for (double r : {40.0, 80.0})
      EXPECT_EQ(Pixel(Shown(), At(t, r).x, At(t, r).y), vcl::clWhite) << position << " " << r;
    // Half a turn away there is no needle.
    EXPECT_EQ(Pixel(Shown(), At(t + 180, 60).x, At(t + 180, 60).y), vcl::clNavy) << position;
  }
}

TEST_P(Rendered, OffTheScaleTheNeedleRestsAtTheStopOfThatEnd) {
  NeedleOnly();
  int over = 0;
  gauge->OnOverMax = rtl::TNotifyEvent(&over, [&](rtl::TObject*) { ++over; });
  // Scale 140 over 270 degrees. 200 would be 386 degrees round: at 26, where 13.5 lies.
  for (float position : {150.f, 200.f, 1e6f}) {
    gauge->SetFPosition(position);
    EXPECT_EQ(gauge->Position(), position);
    EXPECT_EQ(Pixel(Shown(), At(270, 60).x, At(270, 60).y), vcl::clWhite) << position;
    EXPECT_EQ(Pixel(Shown(), At(26, 60).x, At(26, 60).y), vcl::clNavy) << position;
    EXPECT_EQ(Pixel(Shown(), At(290, 60).x, At(290, 60).y), vcl::clNavy) << position;
  }
  EXPECT_EQ(over, 3);  // the value still counts as over the limit
  // Below nought it rests at the start, not in the gap before it.
  for (float position : {-5.f, -140.f}) {
    gauge->SetFPosition(position);
    EXPECT_EQ(Pixel(Shown(), At(0, 60).x, At(0, 60).y), vcl::clWhite) << position;
    EXPECT_EQ(Pixel(Shown(), At(-10, 60).x, At(-10, 60).y), vcl::clNavy) << position;
    EXPECT_EQ(Pixel(Shown(), At(270, 60).x, At(270, 60).y), vcl::clNavy) << position;
  }
}

TEST_P(Rendered, ANonFinitePositionLeavesTheNeedleWhereItWas) {
  NeedleOnly();
  gauge->SetFPosition(70);  // straight up: half of 270 degrees
  int events = 0;
  gauge->OnOverMax = rtl::TNotifyEvent(&events, [&](rtl::TObject*) { ++events; });
  gauge->OnOverMin = rtl::TNotifyEvent(&events, [&](rtl::TObject*) { ++events; });
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()}) {
    EXPECT_NO_THROW(gauge->SetFPosition(bad)) << bad;
    EXPECT_EQ(gauge->Position(), 70.f) << bad;
    EXPECT_EQ(Pixel(Shown(), At(135, 60).x, At(135, 60).y), vcl::clWhite) << bad;
  }
  EXPECT_EQ(events, 0);
  // A later sound value moves it as ever.
  gauge->SetFPosition(0);
  EXPECT_EQ(Pixel(Shown(), At(0, 60).x, At(0, 60).y), vcl::clWhite);
  EXPECT_EQ(Pixel(Shown(), At(135, 60).x, At(135, 60).y), vcl::clNavy);
}

TEST_P(Rendered, ALargeScaleKeepsItsBandsAtTheirShareOfTheAngle) {
  gauge->SetFAntiAliased(GetParam());
  gauge->SetFScaleAngle(270);
  gauge->SetFFaceColor(vcl::clNavy);
  gauge->SetFFaceOptions({ShowIndicatorMin, ShowIndicatorMid, ShowIndicatorMax});
  // Limits times the angle pass 2^31: 1.5e9 * 270 = 4.05e11.
  gauge->SetFScaleValue(2'000'000'000);
  gauge->SetFMaximum(1'500'000'000);
  gauge->SetFMinimum(1'000'000'000);
  gauge->SetFPosition(-1e9f);  // the needle out of the way, below the start
  // The bands end at half and three quarters of 270 degrees: 135 and 202.5. Looked at a pixel
  // inside the radius, well within the 4 pixel wide band.
  EXPECT_EQ(Pixel(Shown(), At(67.5, -1).x, At(67.5, -1).y), 0x008000);
  EXPECT_EQ(Pixel(Shown(), At(168.75, -1).x, At(168.75, -1).y), 0x00FFFF);
  EXPECT_EQ(Pixel(Shown(), At(236.25, -1).x, At(236.25, -1).y), 0x0000FF);
  // The numbers up to 2,000,000,000 (tick count times scale would overflow; the sanitizer
  // stops the test on that).
  EXPECT_NO_THROW(gauge->SetFFaceOptions({ShowValues, ShowMainTicks}));
}

TEST_P(Rendered, EqualIndicatorLimitsDrawNoMiddleArc) {
  gauge->SetFAntiAliased(GetParam());
  gauge->SetFFaceOptions({ShowIndicatorMid});
  gauge->SetFPosition(-500);
  gauge->SetFMidColor(0x10E0F0);
  EXPECT_TRUE(Contains(Shown(), 0x10E0F0));
  gauge->SetFMaximum(50);
  gauge->SetFMinimum(50);
  EXPECT_FALSE(Contains(Shown(), 0x10E0F0));
}

INSTANTIATE_TEST_SUITE_P(Gauge, Rendered, ::testing::Values(aaNone, aaQuadral),
                         [](const auto& info) { return std::string(info.param ? "x4" : "x1"); });

// ---------------------------------------------------------------- frame counter

TEST_F(Gauge, FramesReportTheRateTheLastRedrawWouldAllow) {
  int fired = 0;
  gauge->OnFrames = rtl::TNotifyEvent(&fired, [&](rtl::TObject*) { ++fired; });
  gauge->paintMicros = 2000;
  gauge->SetFPosition(10);
  EXPECT_EQ(gauge->Frames(), 500);
  EXPECT_EQ(fired, 1);
  gauge->SetFPosition(20);  // the same rate: no event
  EXPECT_EQ(fired, 1);
  gauge->paintMicros = 4000;
  gauge->SetFFaceColor(vcl::clTeal);
  EXPECT_EQ(gauge->Frames(), 250);
  EXPECT_EQ(fired, 2);
}

TEST_F(Gauge, ARedrawTakingNoMeasurableTimeKeepsThePreviousFigure) {
  gauge->paintMicros = 1000;
  gauge->SetFPosition(10);
  ASSERT_EQ(gauge->Frames(), 1000);
  int fired = 0;
  gauge->OnFrames = rtl::TNotifyEvent(&fired, [&](rtl::TObject*) { ++fired; });
  gauge->paintMicros = 0;  // the virtual clock stands still
  gauge->SetFPosition(20);
  gauge->SetFFaceColor(vcl::clTeal);
  EXPECT_EQ(gauge->Frames(), 1000);
  EXPECT_EQ(fired, 0);

  // The same with the millisecond count, a redraw within one millisecond.
  gauge->FCounterFrequency = 0;
  gauge->paintMicros = 300;
  clock->AdvanceMicros(100);
  gauge->SetFPosition(30);
  EXPECT_EQ(gauge->Frames(), 1000);
}

TEST_F(Gauge, TheMillisecondCountIsUsedWithoutACounterAndMayWrap) {
  gauge->FCounterFrequency = 0;
  gauge->paintMicros = 4000;
  gauge->SetFPosition(10);
  EXPECT_EQ(gauge->Frames(), 250);
  // One millisecond before the 32-bit count wraps; the redraw takes 8.
  const uint64_t wrapMicros = (uint64_t(1) << 32) * 1000;
  clock->AdvanceTo(wrapMicros - 1000);
  gauge->paintMicros = 8000;
  gauge->SetFPosition(20);
  EXPECT_EQ(gauge->Frames(), 125);
}

// ---------------------------------------------------------------- window

TEST_F(Gauge, WithoutAWindowNothingIsPaintedAndNothingFails) {
  auto* loose = new TTestGauge(form);  // not placed on the form: never gets a window
  EXPECT_NO_THROW({
    loose->SetFAntiAliased(aaTriline);
    loose->SetFPosition(50);
    loose->SetFFaceColor(vcl::clNavy);
    loose->Font()->SetSize(14);
    loose->SetFAntiAliased(aaNone);
  });
  EXPECT_FALSE(loose->HandleAllocated());
  // It still drew its picture, ready for when it is shown.
  EXPECT_EQ(Pixel(loose->WorkBitmap(), 60, 150), vcl::clNavy);
  delete loose;
}

TEST_F(Gauge, PaintCopiesTheAveragedPictureToTheWindow) {
  gauge->SetFAntiAliased(aaTriline);
  gauge->SetFPosition(77);
  gdi::HDC dc = win::GetDC(gauge->Handle());
  int same = 0;
  for (int y = 0; y < 180; y += 7)
    for (int x = 0; x < 225; x += 5)
      same += static_cast<vcl::TColor>(gdi::GetPixel(dc, x, y)) ==
              Pixel(gauge->AntiAliasedBitmap(), x, y);
  win::ReleaseDC(gauge->Handle(), dc);
  EXPECT_EQ(same, 26 * 45);
}

TEST_F(Gauge, ResizingKeepsAtLeastSixtyByFiftyAndResizesTheBitmaps) {
  gauge->SetFAntiAliased(aaBiline);
  gauge->SetBounds(0, 0, 40, 30);
  EXPECT_EQ(gauge->Width(), 60);
  EXPECT_EQ(gauge->Height(), 50);
  EXPECT_EQ(gauge->ScaleBitmap()->Width(), 120);
  EXPECT_EQ(gauge->WorkBitmap()->Height(), 100);
  EXPECT_EQ(gauge->AntiAliasedBitmap()->Width(), 60);
  EXPECT_EQ(gauge->AntiAliasedBitmap()->Height(), 50);
  gdi::RECT window{};
  win::GetWindowRect(gauge->Handle(), &window);  // the window follows, not only the control
  EXPECT_EQ(window.right - window.left, 60);
  EXPECT_EQ(window.bottom - window.top, 50);
  gauge->SetBounds(0, 0, 145, 113);
  EXPECT_EQ(gauge->WorkBitmap()->Width(), 290);
  EXPECT_EQ(gauge->AntiAliasedBitmap()->Height(), 113);
}

// ---------------------------------------------------------------- snapshots

// The three gauges of the main window at three positions each, in one picture of the build
// tree (aagauge_main.png): a row per gauge, a column per position.
TEST_F(Gauge, MainWindowGaugesSnapshot) {
  TTestGauge* perf =
      MainWindowGauge(0, "perf%", 140, 80, 100, 270, 7, vcl::clRed, vcl::clLime, aaQuadral);
  TTestGauge* tws =
      MainWindowGauge(150, "TWS", 50, 25, 35, 270, 7, vcl::clLime, vcl::clRed, aaQuadral);
  TTestGauge* twa =
      MainWindowGauge(300, "TWA", 360, 180, 180, 360, 12, vcl::clRed, vcl::clLime, aaBiline);
  EXPECT_EQ(twa->IndMinimum(), 180);
  EXPECT_EQ(twa->IndMaximum(), 180);

  struct Row {
    TTestGauge* gauge;
    float positions[3];
  } rows[] = {{perf, {0, 92, 125}}, {tws, {6, 31, 44}}, {twa, {40, 180, 300}}};
  vcl::TBitmap sheet;
  sheet.SetPixelFormat(vcl::pf24bit);
  sheet.SetSize(3 * 150, 3 * 118);
  sheet.Canvas()->Brush()->SetColor(vcl::clWhite);
  sheet.Canvas()->FillRect(vcl::TRect{0, 0, sheet.Width(), sheet.Height()});
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      TTestGauge* g = rows[r].gauge;
      g->SetFPosition(rows[r].positions[c]);
      // Taken from the window, as it was painted.
      gdi::HDC dc = win::GetDC(g->Handle());
      gdi::BitBlt(sheet.Canvas()->Handle(), c * 150, r * 118, 145, 113, dc, 0, 0, gdi::SRCCOPY);
      win::ReleaseDC(g->Handle(), dc);
      // The face is navy and the needle white at two thirds of the radius.
      const double t = double(rows[r].positions[c]) * g->Angle() / g->Scale();
      vcl::TPoint p = ShownPoint(g, t, 40);
      EXPECT_EQ(Pixel(&sheet, c * 150 + p.x, r * 118 + p.y), vcl::clWhite) << r << c;
      EXPECT_EQ(Pixel(&sheet, c * 150 + 20, r * 118 + 8), vcl::clNavy) << r << c;
    }
  }
  gdi::SavePngFile("aagauge_main.png", *sheet.Surface());
}

}  // namespace
