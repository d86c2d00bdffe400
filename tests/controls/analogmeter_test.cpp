#include "controls/analogmeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "platform/gdi/image.h"
#include "platform/rtl/classregistry.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

// The meter with its insides opened for the tests.
class TTestMeter : public TAnalogMeter {
 public:
  using TAnalogMeter::AbbreviateTickString;
  using TAnalogMeter::AngleOf;
  using TAnalogMeter::Composite;
  using TAnalogMeter::Face;
  using TAnalogMeter::FBorder;
  using TAnalogMeter::FCenterX;
  using TAnalogMeter::FCenterY;
  using TAnalogMeter::FInnerRadiusX;
  using TAnalogMeter::FInnerRadiusY;
  using TAnalogMeter::FRadiusX;
  using TAnalogMeter::FRadiusY;
  using TAnalogMeter::FStartAngle;
  using TAnalogMeter::LogAngleOf;
  using TAnalogMeter::Mask;
  using TAnalogMeter::NormalTickString;
  using TAnalogMeter::TAnalogMeter;

  std::vector<std::string>* log = nullptr;

 protected:
  void Paint() override {
    if (log) log->push_back("paint");
    TAnalogMeter::Paint();
  }
};

vcl::TColor Pixel(vcl::TBitmap* b, int x, int y) {
  return static_cast<vcl::TColor>(gdi::GetPixel(b->Canvas()->Handle(), x, y));
}

// The point at angle a (degrees from straight down, clockwise on the screen) of an ellipse
// with radii rx, ry around (cx, cy), worked out in polar form: r(a) = rx ry / |(ry sin, rx cos)|.
vcl::TPoint EllipsePoint(int cx, int cy, int rx, int ry, double a) {
  const double t = a * std::numbers::pi / 180;
  const double r = rx * ry / std::hypot(ry * std::sin(t), rx * std::cos(t));
  return vcl::TPoint{cx - int(std::lround(r * std::sin(t))),
                     cy + int(std::lround(r * std::cos(t)))};
}

class Meter : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    form = new vcl::TForm(app.get());
    form->SetBounds(20, 20, 640, 480);
    form->AfterConstruction();
    form->Show();
    meter = Place(0, 0);
    Pump();
  }
  TTestMeter* Place(int left, int top) {
    auto* m = new TTestMeter(form);
    m->SetBounds(left, top, 121, 117);
    m->SetParent(form);
    return m;
  }
  // A point of the meter's face at angle a, between the inner face and the dial's edge.
  vcl::TPoint ZonePoint(double a) {
    return EllipsePoint(meter->FCenterX, meter->FCenterY,
                        (meter->FRadiusX + meter->FInnerRadiusX) / 2,
                        (meter->FRadiusY + meter->FInnerRadiusY) / 2, a);
  }
  vcl::TColor FaceAt(vcl::TPoint p) { return Pixel(meter->Face(), p.x, p.y); }
  void Record(std::vector<std::string>& log) {
    auto add = [&](const char* name) {
      return rtl::TNotifyEvent(&log, [&log, name](rtl::TObject*) { log.push_back(name); });
    };
    meter->onChange = add("change");
    meter->onRiseAboveHigh = add("riseAboveHigh");
    meter->onFallBelowHigh = add("fallBelowHigh");
    meter->onRiseAboveLow = add("riseAboveLow");
    meter->onFallBelowLow = add("fallBelowLow");
  }

  vcl::TForm* form = nullptr;
  TTestMeter* meter = nullptr;
};

// ---------------------------------------------------------------- setters and clamps

TEST_F(Meter, IsCreatableByNameAtItsDefaultSize) {
  analogmeter::Register();
  EXPECT_EQ(rtl::PalettePageOf(rtl::FindClass("TAnalogMeter")), "Samples");
  auto* made =
      rtl::FindClass("TAnalogMeter")->Create<TAnalogMeter>(static_cast<rtl::TComponent*>(form));
  EXPECT_EQ(made->Width(), 121);
  EXPECT_EQ(made->Height(), 117);
  // The zone limits read back as the percentages they were derived from.
  EXPECT_EQ(made->LowZone(), 10);
  EXPECT_EQ(made->HighZone(), 90);
}

TEST_F(Meter, SettersClampOrIgnoreValuesOutOfTheirRange) {
  meter->SetValue(150);
  EXPECT_EQ(meter->Value(), 100);
  meter->SetValue(-3);
  EXPECT_EQ(meter->Value(), 0);
  meter->SetValue(NAN);
  EXPECT_EQ(meter->Value(), 0);
  meter->SetMin(-INFINITY);
  meter->SetMax(INFINITY);
  meter->SetMax(NAN);
  EXPECT_EQ(meter->Min(), 0);
  EXPECT_EQ(meter->Max(), 100);
  meter->SetValue(INFINITY);
  EXPECT_EQ(meter->Value(), 100);

  meter->SetAngularRange(5);
  EXPECT_EQ(meter->AngularRange(), 10);
  EXPECT_EQ(meter->FStartAngle, 175);
  meter->SetAngularRange(400);
  EXPECT_EQ(meter->AngularRange(), 360);
  EXPECT_EQ(meter->FStartAngle, 0);

  meter->SetTickCount(200);
  EXPECT_EQ(meter->TickCount(), 100);

  meter->SetCaptionVertAdj(40);
  EXPECT_EQ(meter->CaptionVertAdj(), 0);
  meter->SetCaptionVertAdj(-30);
  EXPECT_EQ(meter->CaptionVertAdj(), -30);
  meter->SetCaptionVertAdj(-31);
  EXPECT_EQ(meter->CaptionVertAdj(), -30);
}

TEST_F(Meter, LimitsKeepTheirOrderAndCarryZonesAndValue) {
  meter->SetValue(30);
  meter->SetMax(200);  // the zones keep their percentages
  EXPECT_EQ(meter->LowZoneValue(), 20);
  EXPECT_EQ(meter->HighZoneValue(), 180);
  meter->SetMin(250);  // above the maximum: taken as the maximum
  EXPECT_EQ(meter->Min(), 200);
  EXPECT_EQ(meter->Value(), 200);  // raised with the minimum
  // An empty range reads its zones as 0 %.
  EXPECT_EQ(meter->LowZone(), 0);
  EXPECT_EQ(meter->HighZone(), 0);
  meter->SetMax(100);  // below the minimum: taken as the minimum
  EXPECT_EQ(meter->Max(), 200);

  meter->SetMin(0);
  meter->SetLowZone(150);  // over 100 % counts as 100 %
  EXPECT_EQ(meter->LowZoneValue(), 200);
  EXPECT_EQ(meter->HighZoneValue(), 200);  // pushed up by the low limit
  meter->SetHighZoneValue(50);
  EXPECT_EQ(meter->LowZoneValue(), 50);  // pulled down by the high limit
  meter->SetHighZoneValue(-10);
  EXPECT_EQ(meter->HighZoneValue(), 0);
}

TEST_F(Meter, InnerSettersRedrawOnlyTheInnerFace) {
  // A mark in a corner of the outer face survives an inner redraw, not a full one.
  constexpr vcl::TColor mark = 0x123456;
  meter->Face()->Canvas()->SetPixel(3, 60, mark);
  std::vector<std::string> log;
  meter->log = &log;
  meter->SetTickCount(5);
  meter->SetKnobSize(12);
  meter->SetNeedleWidth(3);
  meter->SetTickColor(vcl::clNavy);
  meter->SetValue(40);
  EXPECT_EQ(Pixel(meter->Face(), 3, 60), mark);
  EXPECT_EQ(log.size(), 5u);
  meter->SetTickCount(5);  // unchanged: nothing
  EXPECT_EQ(log.size(), 5u);
  meter->SetLowZoneColor(vcl::clLime);
  EXPECT_NE(Pixel(meter->Face(), 3, 60), mark);
}

TEST_F(Meter, ColourAndFontChangesRedrawTheFaces) {
  meter->SetColor(vcl::clTeal);
  EXPECT_EQ(Pixel(meter->Face(), 3, 60), vcl::clTeal);
  meter->Font()->SetColor(vcl::clRed);
  int red = 0;
  for (int y = 95; y < 117; ++y)
    for (int x = 40; x < 80; ++x) red += Pixel(meter->Face(), x, y) == vcl::clRed;
  EXPECT_GT(red, 5);  // the value text, in the new colour
  EXPECT_EQ(Pixel(meter->Face(), 3, 60), vcl::clTeal);
}

TEST_F(Meter, ResizingKeepsTheMinimumSizeAndTellsTheOwner) {
  int resized = 0;
  meter->onResize = rtl::TNotifyEvent(&resized, [&](rtl::TObject*) { ++resized; });
  meter->SetBounds(0, 0, 20, 20);
  EXPECT_EQ(meter->Width(), 52);
  EXPECT_EQ(meter->Height(), 37);
  EXPECT_EQ(meter->Face()->Width(), 52);
  EXPECT_EQ(meter->Mask()->Height(), 37);
  EXPECT_GE(resized, 1);
}

// ---------------------------------------------------------------- zone events

TEST_F(Meter, ValueCrossingTheLimitsFiresOneEventInItsOrder) {
  std::vector<std::string> log;
  meter->SetValue(5);
  Record(log);
  using V = std::vector<std::string>;
  meter->SetValue(95);  // over both limits: only the upper one counts
  EXPECT_EQ(log, (V{"change", "riseAboveHigh"}));
  log.clear();
  meter->SetValue(5);  // down over both: only the lower one
  EXPECT_EQ(log, (V{"change", "fallBelowLow"}));
  log.clear();
  meter->SetValue(85);
  EXPECT_EQ(log, (V{"change", "riseAboveLow"}));
  log.clear();
  meter->SetValue(95);
  EXPECT_EQ(log, (V{"change", "riseAboveHigh"}));
  log.clear();
  meter->SetValue(85);
  EXPECT_EQ(log, (V{"change", "fallBelowHigh"}));
  log.clear();
  meter->SetValue(90);  // on the limit counts as above it
  EXPECT_EQ(log, (V{"change", "riseAboveHigh"}));
  log.clear();
  meter->SetEnableZoneEvents(false);
  meter->SetValue(5);
  EXPECT_EQ(log, (V{"change"}));
}

TEST_F(Meter, WithoutTheFirstHandlersTheSecondPairStillFires) {
  std::vector<std::string> log;
  meter->SetValue(5);
  Record(log);
  meter->onRiseAboveHigh = {};
  meter->SetValue(95);
  EXPECT_EQ(log, (std::vector<std::string>{"change", "riseAboveLow"}));
}

TEST_F(Meter, MovedLimitsFireForTheValueTheyPass) {
  std::vector<std::string> log;
  meter->SetValue(50);
  Record(log);
  using V = std::vector<std::string>;
  meter->SetLowZoneValue(60);
  EXPECT_EQ(log, (V{"fallBelowLow"}));
  meter->SetLowZoneValue(40);
  EXPECT_EQ(log, (V{"fallBelowLow", "riseAboveLow"}));
  log.clear();
  meter->SetHighZoneValue(50);  // onto the value: it is now above
  EXPECT_EQ(log, (V{"riseAboveHigh"}));
  meter->SetHighZoneValue(70);
  EXPECT_EQ(log, (V{"riseAboveHigh", "fallBelowHigh"}));
  log.clear();
  meter->SetLowZoneValue(45);  // not past the value
  meter->SetHighZoneValue(80);
  EXPECT_TRUE(log.empty());
}

// ---------------------------------------------------------------- geometry

TEST_F(Meter, SizesFollowTheDialsDropBelowItsCentre) {
  // 121 x 117, start 45: border 238 div 40 = 5, rx = 60 - 5 = 55; 97 pixels of height. At 45
  // degrees the drop is rx ry / sqrt(rx^2 + ry^2): ry 57 drops 39.6 -> 40 (97 fits), ry 58
  // drops 39.9 -> 40 (98 does not).
  EXPECT_EQ(meter->FBorder, 5);
  EXPECT_EQ(meter->FCenterX, 60);
  EXPECT_EQ(meter->FRadiusX, 55);
  EXPECT_EQ(meter->FRadiusY, 57);
  EXPECT_EQ(meter->FCenterY, 62);
  EXPECT_EQ(meter->FInnerRadiusX, 46);  // less 238 div 25 = 9
  EXPECT_EQ(meter->FInnerRadiusY, 48);

  // 400 x 390: border 19, rx 181, 342 pixels; ry 206 drops 136.0 -> 136 (342), 207 drops 136.3.
  meter->SetBounds(0, 0, 400, 390);
  EXPECT_EQ(meter->FRadiusX, 181);
  EXPECT_EQ(meter->FRadiusY, 206);
  EXPECT_EQ(meter->FCenterY, 225);
  EXPECT_EQ(meter->FInnerRadiusY, 206 - 31);

  // 200 x 100: border 7, rx 93, 76 pixels; ry 39 drops 36.0 -> 36 (75), 40 drops 36.7 -> 37.
  meter->SetBounds(0, 0, 200, 100);
  EXPECT_EQ(meter->FRadiusY, 39);
  EXPECT_EQ(meter->FCenterY, 46);
}

TEST_F(Meter, WideAndNarrowSweepsUseTheHeightDifferently) {
  // A full circle hangs its whole radius below the centre: 2 ry <= 97.
  meter->SetAngularRange(360);
  EXPECT_EQ(meter->FStartAngle, 0);
  EXPECT_EQ(meter->FRadiusY, 48);
  // Half a circle or less (start at 90 or more) stands on its centre: the whole height.
  meter->SetAngularRange(180);
  EXPECT_EQ(meter->FRadiusY, 97);
  EXPECT_EQ(meter->FCenterY, 102);
  meter->SetAngularRange(100);
  EXPECT_EQ(meter->FStartAngle, 130);
  EXPECT_EQ(meter->FRadiusY, 97);
  // The sweep runs clockwise from the start: 0 at the lower left, the middle straight up.
  EXPECT_EQ(meter->AngleOf(0), 130);
  EXPECT_EQ(meter->AngleOf(50), 180);
  EXPECT_EQ(meter->AngleOf(100), 230);
}

// ---------------------------------------------------------------- tick labels

TEST_F(Meter, TickTextsInFixedAndAbbreviatedForms) {
  EXPECT_EQ(meter->NormalTickString(2500), "2500.0");
  EXPECT_EQ(meter->AbbreviateTickString(2500), "2k5");
  EXPECT_EQ(meter->AbbreviateTickString(2500000), "2M5");
  EXPECT_EQ(meter->AbbreviateTickString(999), "999.0");
  meter->SetTickDigits(0);
  // Without decimals the letter follows the number: "3" alone would read a thousand times low.
  EXPECT_EQ(meter->AbbreviateTickString(2500), "3k");
  EXPECT_EQ(meter->AbbreviateTickString(1000), "1k");
  EXPECT_EQ(meter->AbbreviateTickString(12000000), "12M");
  EXPECT_EQ(meter->AbbreviateTickString(12), "12");
}

// Every label's glyphs, drawn apart at the corner the placement rule gives, are found in the
// meter's face in the tick colour.
class Labels : public Meter {
 protected:
  void ExpectLabelsAt(const std::vector<std::string>& texts) {
    const int n = int(texts.size());
    ASSERT_EQ(meter->TickCount(), n);
    const int inset = (meter->Width() + meter->Height()) / 35;
    vcl::TBitmap ref;
    ref.SetSize(meter->Width(), meter->Height());
    vcl::TCanvas* c = ref.Canvas();
    c->Font()->Assign(meter->Font());
    c->Font()->SetColor(meter->TickColor());
    for (int i = 0; i < n; ++i) {
      const double a = meter->FStartAngle + double(i) * meter->AngularRange() / (n - 1);
      const vcl::TPoint p =
          EllipsePoint(meter->FCenterX, meter->FCenterY, meter->FInnerRadiusX - inset,
                       meter->FInnerRadiusY - inset, a);
      const int w = c->TextWidth(texts[i]), h = c->TextHeight(texts[i]);
      int x = p.x, y = p.y;
      if (a >= 45 && a < 135) {  // left side: from above the point down to below it
        y = p.y - int(h * (135 - a) / 90);
      } else if (a >= 135 && a < 225) {  // top: sliding from right of the point to its left
        x = p.x - int(w * (a - 135) / 90);
      } else if (a >= 225 && a < 315) {  // right side
        x = p.x - w;
        y = p.y - int(h * (a - 225) / 90);
      } else {  // bottom
        x = p.x - int(w * (a >= 315 ? (405 - a) / 90 : 1.0));
        y = p.y - h;
      }
      c->Brush()->SetColor(vcl::clWhite);
      c->FillRect(vcl::TRect{0, 0, ref.Width(), ref.Height()});
      c->Brush()->SetStyle(vcl::bsClear);
      c->TextOut(x, y, texts[i]);
      c->Brush()->SetStyle(vcl::bsSolid);
      int glyph = 0, found = 0;
      for (int yy = std::max(0, y); yy < std::min(ref.Height(), y + h); ++yy)
        for (int xx = std::max(0, x); xx < std::min(ref.Width(), x + w); ++xx)
          if (Pixel(&ref, xx, yy) == meter->TickColor()) {
            ++glyph;
            found += Pixel(meter->Face(), xx, yy) == meter->TickColor();
          }
      EXPECT_GT(glyph, 5) << texts[i];
      EXPECT_EQ(found, glyph) << texts[i] << " at " << x << "," << y;
    }
  }
};

TEST_F(Labels, LinearLabelsStandAtTheirTicks) {
  meter->SetBounds(0, 0, 300, 280);
  meter->SetTickColor(vcl::clNavy);
  meter->SetShowTicks(false);
  meter->SetShowValue(false);
  meter->SetTickDigits(0);
  meter->SetTickCount(5);
  meter->SetShowTicksScale(true);
  meter->SetValue(50);  // the needle points up, between the labels
  // 45, 112.5, 180, 247.5 and 315 degrees: every placement rule once.
  ExpectLabelsAt({"0", "25", "50", "75", "100"});
}

TEST_F(Labels, LogarithmicLabelsAreEvenlySpacedWithKLetters) {
  meter->SetBounds(0, 0, 300, 280);
  meter->SetShowTicks(false);
  meter->SetShowValue(false);
  meter->SetMax(100000);
  meter->SetMin(10);
  meter->SetLogScale(true);
  meter->SetTickDigits(0);
  meter->SetTickValAbbr(true);
  meter->SetTickCount(5);
  meter->SetShowTicksScale(true);
  meter->SetAngularRange(300);
  meter->SetValue(1000);
  EXPECT_DOUBLE_EQ(meter->LogAngleOf(1000), 180);
  ExpectLabelsAt({"10", "100", "1k", "10k", "100k"});
}

// ---------------------------------------------------------------- pixels

TEST_F(Meter, EachZoneHasItsColourAtItsMidAngle) {
  meter->SetOKZoneColor(vcl::clGreen);
  meter->SetShowValue(false);
  meter->SetValue(0);
  // Zones 0-10, 10-90, 90-100 over 270 degrees from 45.
  EXPECT_EQ(FaceAt(ZonePoint(45 + 13.5)), 0x00FFFF);
  EXPECT_EQ(FaceAt(ZonePoint(180)), vcl::clGreen);
  EXPECT_EQ(FaceAt(ZonePoint(315 - 13.5)), vcl::clRed);
  // Below the centre, between the ends of the sweep, the face colour shows.
  EXPECT_EQ(FaceAt(ZonePoint(0)), gdi::ColorToRGB(vcl::clBtnFace));
}

TEST_F(Meter, NeedleFollowsTheValueAndTheKnobTakesItsZoneColour) {
  meter->SetBounds(0, 0, 242, 234);
  meter->SetTickColor(vcl::clNavy);
  meter->SetOKZoneColor(vcl::clGreen);
  meter->SetShowTicks(false);
  meter->SetNeedleWidth(3);
  struct Case {
    float value;
    vcl::TColor knob;
  } cases[] = {{5, 0x00FFFF}, {50, vcl::clGreen}, {73, vcl::clGreen}, {95, vcl::clRed}};
  for (const Case& k : cases) {
    meter->SetValue(k.value);
    const double a = 45 + k.value * 2.7;
    for (double f : {0.55, 0.8}) {
      const vcl::TPoint p =
          EllipsePoint(meter->FCenterX, meter->FCenterY, int(meter->FInnerRadiusX * f),
                       int(meter->FInnerRadiusY * f), a);
      EXPECT_EQ(FaceAt(p), vcl::clNavy) << k.value << " " << f;
    }
    // Opposite the needle there is none.
    const vcl::TPoint q = EllipsePoint(meter->FCenterX, meter->FCenterY, meter->FInnerRadiusX / 2,
                                       meter->FInnerRadiusY / 2, a + 180);
    EXPECT_NE(FaceAt(q), vcl::clNavy) << k.value;
    EXPECT_EQ(Pixel(meter->Face(), meter->FCenterX + 2, meter->FCenterY + 2), k.knob) << k.value;
  }
}

TEST_F(Meter, ANewValueLeavesNoPixelOfTheOldText) {
  meter->Font()->SetColor(vcl::clMaroon);
  meter->SetValue(12.5f);
  meter->SetValue(87.5f);
  // What the bottom strip must hold: the face colour and the new text alone.
  vcl::TBitmap ref;
  ref.SetSize(meter->Width(), meter->Height());
  vcl::TCanvas* c = ref.Canvas();
  c->Brush()->SetColor(meter->Color());
  c->FillRect(vcl::TRect{0, 0, ref.Width(), ref.Height()});
  c->Font()->Assign(meter->Font());
  c->Brush()->SetStyle(vcl::bsClear);
  const int top = meter->Height() - meter->FBorder - 8 - 1;
  c->TextOut(meter->FCenterX - c->TextWidth("87.5") / 2, top, "87.5");
  int differing = 0, text = 0;
  for (int y = top; y < meter->Height() - 1; ++y)
    for (int x = 1; x < meter->Width() - 1; ++x) {
      differing += Pixel(meter->Face(), x, y) != Pixel(&ref, x, y);
      text += Pixel(&ref, x, y) == vcl::clMaroon;
    }
  EXPECT_GT(text, 10);
  EXPECT_EQ(differing, 0);
}

TEST_F(Meter, BackgroundShowsAroundTheDialThroughTheMask) {
  vcl::TBitmap picture;
  picture.SetPixelFormat(vcl::pf24bit);
  picture.SetSize(121, 117);
  for (int y = 0; y < 117; ++y)
    for (int x = 0; x < 121; ++x)
      picture.Canvas()->SetPixel(x, y, ((x / 8 + y / 8) % 2) ? 0x3060A0 : 0xA0C0E0);
  meter->SetOKZoneColor(vcl::clGreen);
  meter->SetBackGround(&picture);
  meter->SetShowBackground(true);
  meter->SetValue(60);

  // The reference by plain loops: where the mask is white the face, elsewhere the picture.
  gdi::HDC window = win::GetDC(meter->Handle());
  int wrong = 0, shownPicture = 0;
  for (int y = 0; y < 117; ++y)
    for (int x = 0; x < 121; ++x) {
      const bool dial = Pixel(meter->Mask(), x, y) == vcl::clWhite;
      const vcl::TColor want = dial ? Pixel(meter->Face(), x, y) : Pixel(&picture, x, y);
      wrong += static_cast<vcl::TColor>(gdi::GetPixel(window, x, y)) != want;
      shownPicture += !dial;
    }
  win::ReleaseDC(meter->Handle(), window);
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(shownPicture, 2000);
  // The corners show the picture; the OK zone and the inner face show the meter.
  EXPECT_EQ(Pixel(meter->Composite(), 2, 20), Pixel(&picture, 2, 20));
  EXPECT_EQ(Pixel(meter->Composite(), 118, 60), Pixel(&picture, 118, 60));
  EXPECT_EQ(Pixel(meter->Composite(), ZonePoint(180).x, ZonePoint(180).y), vcl::clGreen);
  EXPECT_EQ(Pixel(meter->Composite(), meter->FCenterX + 20, meter->FCenterY - 5),
            gdi::ColorToRGB(vcl::clBtnFace));
  // Without a picture the face colour stands around the dial.
  meter->SetBackGround(nullptr);
  EXPECT_TRUE(meter->BackGround()->Empty());
  EXPECT_EQ(Pixel(meter->Composite(), 2, 20), gdi::ColorToRGB(vcl::clBtnFace));
}

TEST_F(Meter, AMeterThatWentThroughValuesShowsWhatAFreshOneShows) {
  vcl::TBitmap picture;
  picture.SetSize(121, 117);
  for (int y = 0; y < 117; ++y)
    for (int x = 0; x < 121; ++x) picture.Canvas()->SetPixel(x, y, gdi::RGB(x * 2, y * 2, 90));
  TTestMeter* fresh = Place(130, 0);
  for (bool background : {false, true}) {
    SCOPED_TRACE(background ? "with a background" : "plain");
    for (TTestMeter* m : {meter, fresh}) {
      m->SetBackGround(&picture);
      m->SetShowBackground(background);
      m->SetShowTicksScale(true);
    }
    for (float v : {12.5f, 47.0f, 3.25f, 88.0f}) meter->SetValue(v);
    fresh->SetValue(88);
    gdi::HDC a = win::GetDC(meter->Handle()), b = win::GetDC(fresh->Handle());
    int differing = 0;
    for (int y = 0; y < 117; ++y)
      for (int x = 0; x < 121; ++x) differing += gdi::GetPixel(a, x, y) != gdi::GetPixel(b, x, y);
    win::ReleaseDC(meter->Handle(), a);
    win::ReleaseDC(fresh->Handle(), b);
    EXPECT_EQ(differing, 0);
    meter->SetValue(0);
    fresh->SetValue(0);
  }
}

// ---------------------------------------------------------------- mended faults

TEST_F(Meter, FewerThanTwoTicksDrawNoLabels) {
  meter->SetShowTicksScale(false);
  meter->SetTickCount(1);
  vcl::TBitmap without;
  without.Assign(meter->Face());
  for (uint8_t count : {uint8_t(1), uint8_t(0)}) {
    meter->SetTickCount(count);
    meter->SetShowTicksScale(true);
    int differing = 0;
    for (int y = 0; y < 117; ++y)
      for (int x = 0; x < 121; ++x)
        differing += Pixel(meter->Face(), x, y) != Pixel(&without, x, y);
    EXPECT_EQ(differing, 0) << int(count);
    meter->SetShowTicksScale(false);
  }
}

TEST_F(Meter, AnEmptyRangePutsTheNeedleAtTheStart) {
  meter->SetTickColor(vcl::clNavy);
  meter->SetShowTicksScale(true);
  meter->SetMin(50);
  meter->SetMax(10);  // below the minimum: the range is empty
  ASSERT_EQ(meter->Max(), meter->Min());
  EXPECT_EQ(meter->AngleOf(50), 45);
  EXPECT_EQ(meter->Value(), 50);
  const vcl::TPoint p = EllipsePoint(meter->FCenterX, meter->FCenterY, meter->FInnerRadiusX / 2,
                                     meter->FInnerRadiusY / 2, 45);
  EXPECT_EQ(FaceAt(p), vcl::clNavy);
}

TEST_F(Meter, ALogarithmicScaleKeepsAPositiveIncreasingRange) {
  meter->SetMax(0.5f);
  meter->SetLogScale(true);  // the minimum 0 goes to 1 and takes the maximum with it
  EXPECT_EQ(meter->Min(), 1);
  EXPECT_EQ(meter->Max(), 1);
  EXPECT_EQ(meter->Value(), 1);
  EXPECT_EQ(meter->LogAngleOf(1), 45);

  meter->SetMax(1000);
  meter->SetMin(-5);  // not on a logarithmic scale: 1
  EXPECT_EQ(meter->Min(), 1);
  meter->SetValue(10);
  EXPECT_DOUBLE_EQ(meter->LogAngleOf(10), 45 + 90);
  EXPECT_DOUBLE_EQ(meter->LogAngleOf(100), 45 + 180);
  EXPECT_EQ(meter->LogAngleOf(0), 45);
  EXPECT_EQ(meter->LogAngleOf(-1), 45);
  meter->SetMin(5000);  // above the maximum: the maximum
  EXPECT_EQ(meter->Min(), 1000);
  EXPECT_EQ(meter->LogAngleOf(1000), 45);
}

// ---------------------------------------------------------------- snapshot

// Five meters in one picture of the build tree (analogmeter_sheet.png): linear; logarithmic
// from 10 to 100,000 with k labels; a full circle; the caption below; a background picture.
TEST_F(Meter, SheetSnapshot) {
  constexpr int W = 200, H = 190;
  TTestMeter* meters[5] = {meter, Place(W, 0), Place(2 * W, 0), Place(0, H), Place(W, H)};
  for (TTestMeter* m : meters) {
    m->SetBounds(m->Left(), m->Top(), W, H);
    m->SetShowTicksScale(true);
    m->SetTickDigits(0);
  }
  meters[0]->SetTickCount(11);
  meters[0]->SetValue(63);
  meters[0]->SetCaption("kn");

  meters[1]->SetMax(100000);
  meters[1]->SetMin(10);
  meters[1]->SetLogScale(true);
  meters[1]->SetTickValAbbr(true);
  meters[1]->SetTickCount(5);
  meters[1]->SetLowZoneValue(30);
  meters[1]->SetHighZoneValue(30000);
  meters[1]->SetValue(2500);
  meters[1]->SetCaption("Hz");

  meters[2]->SetAngularRange(360);
  meters[2]->SetMax(360);
  meters[2]->SetTickCount(9);
  meters[2]->SetLowZoneValue(45);
  meters[2]->SetHighZoneValue(315);
  meters[2]->SetValue(200);
  meters[2]->SetCaption("deg");

  meters[3]->SetCaptionPosition(cpBottom);
  meters[3]->SetCaption("volts");
  meters[3]->SetTickCount(6);
  meters[3]->SetValue(12);

  vcl::TBitmap picture;
  picture.SetSize(W, H);
  for (int y = 0; y < H; ++y) {
    picture.Canvas()->Pen()->SetColor(gdi::RGB(40, uint8_t(80 + y / 2), uint8_t(140 + y / 3)));
    picture.Canvas()->MoveTo(0, y);
    picture.Canvas()->LineTo(W, y);
  }
  meters[4]->SetBackGround(&picture);
  meters[4]->SetShowBackground(true);
  meters[4]->SetValue(88);
  Pump();

  vcl::TBitmap sheet;
  sheet.SetPixelFormat(vcl::pf24bit);
  sheet.SetSize(3 * W, 2 * H);
  sheet.Canvas()->Brush()->SetColor(vcl::clWhite);
  sheet.Canvas()->FillRect(vcl::TRect{0, 0, sheet.Width(), sheet.Height()});
  for (TTestMeter* m : meters) {
    gdi::HDC dc = win::GetDC(m->Handle());
    gdi::BitBlt(sheet.Canvas()->Handle(), m->Left(), m->Top(), W, H, dc, 0, 0, gdi::SRCCOPY);
    win::ReleaseDC(m->Handle(), dc);
  }
  // The fifth shows its picture in the corner, the others their face colour.
  EXPECT_EQ(Pixel(&sheet, W + 3, H + 100), Pixel(&picture, 3, 100));
  EXPECT_EQ(Pixel(&sheet, 3, 100), gdi::ColorToRGB(vcl::clBtnFace));
  gdi::SavePngFile("analogmeter_sheet.png", *sheet.Surface());
}

}  // namespace
