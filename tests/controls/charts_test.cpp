#include "controls/charts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/gdi/image.h"
#include "platform/rtl/classregistry.h"
#include "platform/rtl/palette.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

// The chart with its insides opened for the tests.
class TTestChart : public TXYChart {
 public:
  using TXYChart::Bitmap;
  using TXYChart::Divisions;
  using TXYChart::GetChartRect;
  using TXYChart::GetDrawRect;
  using TXYChart::ScaleChart;
  using TXYChart::TXYChart;
  using TXYChart::XDivisionCount;
  using TXYChart::YDivisionCount;
  void PaintNow() { Paint(); }
};

vcl::TColor Pixel(vcl::TBitmap* b, int x, int y) {
  return static_cast<vcl::TColor>(gdi::GetPixel(b->Canvas()->Handle(), x, y));
}

bool Contains(vcl::TBitmap* b, const vcl::TRect& r, vcl::TColor color) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (Pixel(b, x, y) == color) return true;
  return false;
}

class Chart : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    form = new vcl::TForm(app.get());
    form->SetBounds(0, 0, 700, 560);
    form->AfterConstruction();
    form->Show();
    chart = Place(0, 0, 147, 105);
    Pump();
  }
  TTestChart* Place(int left, int top, int width, int height) {
    auto* c = new TTestChart(form);
    c->SetBounds(left, top, width, height);
    c->SetParent(form);
    return c;
  }
  // A chart of 640 x 480 with the three points of the examples, painted.
  void Big(TChartType type) {
    chart->SetBounds(0, 0, 640, 480);
    chart->SetChartType(type);
    chart->AddData(1, 1);
    chart->AddData(2, 3);
    chart->AddData(4, 2);
    chart->PaintNow();
  }
  // The pixel of a data value, as the draw rectangle and the ranges place it (worked apart;
  // halves round to even, as the runtime rounds).
  vcl::TPoint At(double x, double y) {
    const vcl::TRect d = chart->GetDrawRect();
    const double fx = (x - chart->MinX) / (chart->MaxX - chart->MinX);
    const double fy = (y - chart->MinY) / (chart->MaxY - chart->MinY);
    // The whole coordinate is rounded (halves to even), not the offset from the edge.
    return vcl::TPoint{int(std::nearbyint(d.left + fx * (d.right - d.left))),
                       int(std::nearbyint(d.bottom - fy * (d.bottom - d.top)))};
  }

  vcl::TForm* form = nullptr;
  TTestChart* chart = nullptr;
};

// ---------------------------------------------------------------- properties

TEST_F(Chart, IsCreatableByName) {
  EXPECT_EQ(chart->Title().size(), 16u);
  charts::Register();
  EXPECT_EQ(rtl::ComponentPalettePage(rtl::FindClass("TXYChart")), "Charts");  // its unit's name
  auto* made = rtl::FindClass("TXYChart")->Create<TXYChart>(static_cast<rtl::TComponent*>(form));
  EXPECT_EQ(made->Width(), 147);
  EXPECT_EQ(made->Height(), 105);
}

TEST_F(Chart, BorderWidthIsClampedAndTextsAreCut) {
  chart->SetBorderWidth(7);
  EXPECT_EQ(chart->BorderWidth(), 4);
  chart->SetBorderWidth(0);
  EXPECT_EQ(chart->BorderWidth(), 1);
  const std::string fifty(50, 'x');
  chart->SetTitle("0123456789012345678901234567890123456789012345678Z");
  EXPECT_EQ(chart->Title(), "01234567890123456789012345678901234");
  chart->SetXLabel(fifty);
  chart->SetYLabel(fifty);
  EXPECT_EQ(chart->XLabel().size(), 35u);
  EXPECT_EQ(chart->YLabel().size(), 35u);
  // Characters, not bytes: a two-byte letter astride byte 35 is kept whole, and a text of 35
  // letters whatever their length is kept as it stands.
  chart->SetTitle(std::string(34, 'a') + "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(chart->Title(), std::string(34, 'a') + "\xC3\xA9");
  std::string label(20, 'x');
  for (int i = 0; i < 15; ++i) label += "\xC2\xB0";  // the degree sign
  chart->SetXLabel(label + "\xE2\x82\xAC");
  EXPECT_EQ(chart->XLabel(), label);
}

// ---------------------------------------------------------------- data

TEST_F(Chart, DataListKeepsPointsInOrderAsObjectsOfEmptyLines) {
  chart->AddData(3, 4);
  chart->AddData(-1, 2.5);
  TChartDataList* list = chart->Data();
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Strings(0), "");
  EXPECT_EQ(list->GetDataPoint(1)->X, -1);
  EXPECT_EQ(list->GetDataPoint(1)->Y, 2.5);
  chart->ClearData();
  EXPECT_EQ(list->Count(), 0);

  auto* other = new TChartDataList;
  other->AddDataPoint(new TDataPoint(7, 8));
  chart->SetData(other);
  EXPECT_EQ(chart->Data(), other);
  // Its own list again: kept as it is, not freed (ASan watches).
  chart->SetData(chart->Data());
  EXPECT_EQ(chart->Data()->GetDataPoint(0)->Y, 8);
  chart->PaintNow();
  chart->SetData(nullptr);
  ASSERT_NE(chart->Data(), nullptr);
  EXPECT_EQ(chart->Data()->Count(), 0);
  chart->PaintNow();
}

TEST_F(Chart, TinyChartsPaintWithoutFailing) {
  chart->AddData(1, 2);
  chart->AddData(3, 1);
  for (TChartType type : {ctScatter, ctLine, ctBar, ctXY}) {
    chart->SetChartType(type);
    chart->SetGrid(gtBoth);
    for (int size : {0, 1, 12, 30}) {
      chart->SetBounds(0, 0, size, size);
      EXPECT_NO_THROW(chart->PaintNow()) << size;
    }
  }
}

// ---------------------------------------------------------------- scaling

TEST_F(Chart, AxesReachFromTheFloorToTheCeilingOfTheData) {
  chart->AddData(1, 1);
  chart->AddData(2, 3);
  chart->AddData(4, 2);
  chart->ScaleChart();
  EXPECT_EQ(chart->MinX, 1);
  EXPECT_EQ(chart->MaxX, 4);
  // Y spans 2, a narrow range: half its width on each side of its centre 2.
  EXPECT_EQ(chart->MinY, 1);
  EXPECT_EQ(chart->MaxY, 3);

  chart->ClearData();
  chart->AddData(-2.5, 103.2);
  chart->AddData(7.1, 250);
  chart->ScaleChart();
  EXPECT_EQ(chart->MinX, -3);
  EXPECT_EQ(chart->MaxX, 8);
  EXPECT_EQ(chart->MinY, 103);
  EXPECT_EQ(chart->MaxY, 250);
}

TEST_F(Chart, NarrowRangesKeepTheirCentre) {
  // 14 to 16 is 2 wide about 15: 14 to 16, all points inside.
  chart->AddData(100, 14);
  chart->AddData(200, 15.5);
  chart->AddData(300, 16);
  chart->ScaleChart();
  EXPECT_EQ(chart->MinY, 14);
  EXPECT_EQ(chart->MaxY, 16);

  // A single point: floor 0 and ceiling 1, a half-width of 0.5 about it.
  chart->ClearData();
  chart->AddData(0.5, 0.5);
  chart->ScaleChart();
  EXPECT_EQ(chart->MinX, 0);
  EXPECT_EQ(chart->MaxX, 1);
  EXPECT_EQ(chart->MinY, 0);
  // A point on whole numbers collapses the range: widened by 1 each side.
  chart->ClearData();
  chart->AddData(3, -7);
  chart->ScaleChart();
  EXPECT_EQ(chart->MinX, 2);
  EXPECT_EQ(chart->MaxX, 4);
  EXPECT_EQ(chart->MinY, -8);
  EXPECT_EQ(chart->MaxY, -6);
}

TEST_F(Chart, TheApplicationMayRescaleAndEqualLimitsLeaveValuesAlone) {
  chart->AddData(1, 1);
  chart->AddData(9, 9);
  chart->OnScaling =
      TScaling(this, [](rtl::TObject*, double& minX, double& maxX, double& minY, double& maxY) {
        minX = maxX = 5;
        minY = 0;
        maxY = 0;
      });
  chart->ScaleChart();
  EXPECT_EQ(chart->MinX, 5);
  EXPECT_EQ(chart->NormalizePtX(7.25), 7.25);
  EXPECT_EQ(chart->NormalizePtY(-3), -3);
  chart->PaintNow();
}

// ---------------------------------------------------------------- layout

TEST_F(Chart, ChartAndDrawRectanglesFollowTheMeasuredTexts) {
  chart->SetBounds(0, 0, 640, 480);
  chart->PaintNow();
  // The sizes measured apart, in the two fonts.
  vcl::TBitmap probe;
  probe.SetSize(10, 10);
  vcl::TCanvas* c = probe.Canvas();
  c->Font()->Assign(chart->TitleFont());
  const int t = c->TextHeight(chart->Title());
  c->Font()->Assign(chart->XYLabelFont());
  const int l = c->TextHeight(chart->Title());
  const int w10000 = c->TextWidth("10000"), w50 = c->TextWidth("50");
  ASSERT_GT(t, l);
  const vcl::TRect r = chart->GetChartRect();
  EXPECT_EQ(r.top, std::lround(1.2 * t));
  EXPECT_EQ(r.left, 2 * l + w50);  // room for the widest Y value, MaxY = 50
  EXPECT_EQ(r.right, 640 - w10000);
  EXPECT_EQ(r.bottom, 480 - std::lround(2.4 * l));
  const int width = r.right - r.left;
  const vcl::TRect d = chart->GetDrawRect();
  EXPECT_EQ(d.left, r.left + std::lround(0.04 * width));
  EXPECT_EQ(d.right, r.right - std::lround(0.04 * width));
  EXPECT_EQ(d.top, r.top + std::lround(0.03 * width));
  EXPECT_EQ(d.bottom, r.bottom - std::lround(0.03 * width));
}

TEST_F(Chart, DivisionsByTheRoomOfTheScaleTexts) {
  using D = std::vector<int>;
  auto offsets = [](int n, int extent) {
    D out;
    for (const auto& k : TTestChart::Divisions(n, extent)) out.push_back(k.offset);
    return out;
  };
  EXPECT_EQ(offsets(0, 101), (D{0, 50, 101}));
  EXPECT_EQ(offsets(2, 101), (D{0, 50, 101}));
  EXPECT_EQ(offsets(3, 101), (D{0, 25, 50, 75, 101}));
  EXPECT_EQ(offsets(4, 101), (D{0, 20, 40, 61, 81, 101}));
  // 50.5 rounds to the even 50, as the runtime rounds.
  EXPECT_EQ(offsets(5, 101), (D{0, 10, 20, 30, 40, 50, 61, 71, 81, 91, 101}));
  EXPECT_EQ(offsets(40, 101).size(), 11u);
  EXPECT_EQ(TTestChart::Divisions(4, 101)[3].fraction, 0.6);

  chart->SetBounds(0, 0, 640, 480);
  vcl::TBitmap probe;
  probe.SetSize(10, 10);
  probe.Canvas()->Font()->Assign(chart->XYLabelFont());
  const vcl::TRect r = chart->GetChartRect();
  EXPECT_EQ(chart->XDivisionCount(), (r.right - r.left) / (3 * probe.Canvas()->TextWidth("50")));
  EXPECT_EQ(chart->YDivisionCount(), (r.bottom - r.top) / (2 * probe.Canvas()->TextHeight("A")));
}

TEST_F(Chart, GridLinesStandOnTheScaleDivisions) {
  chart->SetBounds(0, 0, 640, 480);
  chart->SetGrid(gtVert);
  chart->PaintNow();
  ASSERT_GE(chart->XDivisionCount(), 5);
  const vcl::TRect d = chart->GetDrawRect();
  const vcl::TRect r = chart->GetChartRect();
  const int y = (r.top + r.bottom) / 2;
  for (int k = 1; k < 10; ++k) {
    const int x = d.left + int(std::lround((d.right - d.left) * k / 10.0));
    EXPECT_EQ(Pixel(chart->Bitmap(), x, y), 0xC0C0C0) << k;
    EXPECT_EQ(Pixel(chart->Bitmap(), x + 3, y), 0xFFFFFF) << k;
  }
  // No horizontal lines with gtVert; with gtBoth, on a grey chart, darker ones.
  EXPECT_EQ(Pixel(chart->Bitmap(), d.left + 3, (d.top + d.bottom) / 2), 0xFFFFFF);
  chart->SetChartColor(0xC0C0C0);
  chart->SetGrid(gtBoth);
  chart->PaintNow();
  const int row =
      d.bottom - TTestChart::Divisions(chart->YDivisionCount(), d.bottom - d.top)[1].offset;
  EXPECT_EQ(Pixel(chart->Bitmap(), d.left + 3, row), 0x808080);
  EXPECT_EQ(Pixel(chart->Bitmap(), d.left + 3, row + 3), 0xC0C0C0);  // the chart itself
}

// ---------------------------------------------------------------- data pixels

TEST_F(Chart, MarksLinesAndBarsStandAtTheirValues) {
  Big(ctScatter);
  vcl::TPoint p = At(2, 3);
  EXPECT_EQ(Pixel(chart->Bitmap(), p.x - 3, p.y), 0xFF0000);  // the ring, 2 pixels wide
  EXPECT_EQ(Pixel(chart->Bitmap(), p.x, p.y), 0xFFFFFF);      // filled with the chart colour
  vcl::TPoint q = At(4, 2);
  EXPECT_EQ(Pixel(chart->Bitmap(), q.x + 2, q.y), 0xFF0000);
  // No line between the marks.
  EXPECT_EQ(Pixel(chart->Bitmap(), (p.x + q.x) / 2, (p.y + q.y) / 2), 0xFFFFFF);

  chart->SetChartType(ctLine);
  chart->PaintNow();
  EXPECT_EQ(Pixel(chart->Bitmap(), (p.x + q.x) / 2, (p.y + q.y) / 2), 0xFF0000);
  EXPECT_EQ(Pixel(chart->Bitmap(), p.x - 3, p.y - 3), 0xFFFFFF);  // no mark

  chart->SetChartType(ctXY);
  chart->PaintNow();
  EXPECT_EQ(Pixel(chart->Bitmap(), (p.x + q.x) / 2, (p.y + q.y) / 2), 0xFF0000);
  EXPECT_EQ(Pixel(chart->Bitmap(), p.x - 3, p.y + 1), 0xFF0000);

  chart->SetChartType(ctBar);
  chart->PaintNow();
  const vcl::TRect d = chart->GetDrawRect();
  const int half = ((d.right - d.left) / 3) / 2;
  EXPECT_EQ(chart->GetBarWidth(), half);
  EXPECT_EQ(Pixel(chart->Bitmap(), p.x, (p.y + d.bottom) / 2), 0x800000);
  EXPECT_EQ(Pixel(chart->Bitmap(), p.x - half + 5, p.y + 5), 0x800000);
  EXPECT_EQ(Pixel(chart->Bitmap(), p.x - half - 3, p.y + 5), 0xFFFFFF);
  EXPECT_EQ(Pixel(chart->Bitmap(), p.x, p.y - 3), 0xFFFFFF);  // nothing above the bar
}

TEST_F(Chart, ScaleTextsMayBeReplacedByTheApplication) {
  Big(ctScatter);
  vcl::TBitmap before;
  before.Assign(chart->Bitmap());
  std::vector<TAxisType> axes;
  std::vector<std::string> texts;
  chart->OnDrawScales = TDrawScales(this, [&](rtl::TObject*, TAxisType axis, std::string& text) {
    axes.push_back(axis);
    texts.push_back(text);
    if (axis == atXAxis && text == "2.5") text = "mid";
  });
  chart->PaintNow();
  const size_t xs = TTestChart::Divisions(chart->XDivisionCount(), 1).size();
  ASSERT_GT(xs, 3u);
  EXPECT_EQ(axes.front(), atXAxis);
  EXPECT_EQ(axes.back(), atYAxis);
  EXPECT_EQ(texts.front(), "1");
  EXPECT_EQ(texts[xs - 1], "4");
  EXPECT_EQ(texts.back(), "3");  // Y runs 1..3
  // Only the replaced text's place changed: below the chart, around X = 2.5.
  const vcl::TRect r = chart->GetChartRect();
  const int x = At(2.5, 0).x;
  int changed = 0, changedElsewhere = 0;
  for (int y = r.bottom; y < chart->Height(); ++y)
    for (int xx = 0; xx < chart->Width(); ++xx) {
      const bool differs = Pixel(chart->Bitmap(), xx, y) != Pixel(&before, xx, y);
      (std::abs(xx - x) < 30 ? changed : changedElsewhere) += differs;
    }
  EXPECT_GT(changed, 10);
  EXPECT_EQ(changedElsewhere, 0);
}

TEST_F(Chart, ReferenceLinesComeFromTheApplicationUntilItIsFinished) {
  Big(ctScatter);
  const vcl::TRect d = chart->GetDrawRect();
  const vcl::TColor colors[] = {vcl::clRed, vcl::clGreen, vcl::clFuchsia};
  for (vcl::TColor color : colors) EXPECT_FALSE(Contains(chart->Bitmap(), d, color));

  std::vector<double> asked;
  chart->OnNeedLinesX =
      TNeedLines(this, [&](rtl::TObject*, double& value, vcl::TColor& color, bool& finished) {
        asked.push_back(value);
        const int n = int(asked.size());
        value = 1 + n * 0.75;  // 1.75, 2.5, 3.25
        color = colors[n - 1];
        finished = n == 3;
      });
  chart->PaintNow();
  EXPECT_EQ(asked.front(), 1 - 10);  // MinX - 10 to begin with
  EXPECT_EQ(asked.size(), 3u);
  EXPECT_EQ(chart->Tag(), 3);
  for (int n = 1; n <= 3; ++n) {
    const int x = At(1 + n * 0.75, 0).x;
    for (int y : {d.top + 2, (d.top + d.bottom) / 2, d.bottom - 2})
      EXPECT_EQ(Pixel(chart->Bitmap(), x, y), colors[n - 1]) << n << " " << y;
  }
  // A value outside the draw rectangle draws nothing; horizontal lines cross it.
  chart->OnNeedLinesX = {};
  chart->OnNeedLinesY =
      TNeedLines(this, [&](rtl::TObject*, double& value, vcl::TColor& color, bool& finished) {
        value = value < 0 ? 2.5 : 40;
        color = vcl::clRed;
        finished = value == 40;
      });
  chart->PaintNow();
  EXPECT_EQ(chart->Tag(), 2);
  const int y = At(0, 2.5).y;
  EXPECT_EQ(Pixel(chart->Bitmap(), (d.left + d.right) / 2, y), vcl::clRed);
  EXPECT_EQ(Pixel(chart->Bitmap(), d.left + 2, y), vcl::clRed);
  EXPECT_FALSE(Contains(chart->Bitmap(), vcl::TRect{d.left, d.top, d.right, y - 2}, vcl::clRed));
}

// ---------------------------------------------------------------- mended faults

TEST_F(Chart, AHandlerThatNeverFinishesIsAskedAThousandTimes) {
  Big(ctLine);
  int calls = 0;
  chart->OnNeedLinesY = TNeedLines(this, [&](rtl::TObject*, double& value, vcl::TColor&, bool&) {
    ++calls;
    value += 0.01;
  });
  chart->PaintNow();
  EXPECT_EQ(calls, TXYChart::kMaxLineRequests);
  EXPECT_EQ(chart->Tag(), 1000);
}

TEST_F(Chart, FarAndNonFiniteValuesAreKeptOrSkipped) {
  chart->SetBounds(0, 0, 640, 480);
  chart->SetChartType(ctXY);
  const double inf = std::numeric_limits<double>::infinity();
  chart->AddData(1, 1);
  chart->AddData(std::nan(""), 5);
  chart->AddData(2, inf);
  chart->AddData(3, 3);
  chart->ScaleChart();  // the finite points alone
  EXPECT_EQ(chart->MinX, 1);
  EXPECT_EQ(chart->MaxX, 3);
  EXPECT_EQ(chart->MinY, 1);  // the 5 of the NaN point is left out
  EXPECT_EQ(chart->MaxY, 3);

  // Narrowed by the application, a far point lands at the edge of what can be drawn.
  chart->AddData(1e300, -1e300);
  chart->OnScaling =
      TScaling(this, [](rtl::TObject*, double& minX, double& maxX, double& minY, double& maxY) {
        minX = 0;
        maxX = 4;
        minY = 0;
        maxY = 4;
      });
  chart->OnNeedLinesX =
      TNeedLines(this, [](rtl::TObject*, double& value, vcl::TColor& color, bool& finished) {
        value = value < 0 ? std::nan("") : 1e308;
        color = vcl::clRed;
        finished = value > 1;
      });
  for (TChartType type : {ctScatter, ctLine, ctBar, ctXY}) {
    chart->SetChartType(type);
    chart->PaintNow();
  }
  EXPECT_EQ(chart->Tag(), 2);
  // The line from (1, 1) to (3, 3) is drawn; no red line anywhere.
  const vcl::TPoint p = At(2, 2);
  EXPECT_EQ(Pixel(chart->Bitmap(), p.x, p.y), 0xFF0000);
  EXPECT_FALSE(Contains(chart->Bitmap(), chart->GetDrawRect(), vcl::clRed));
}

// ---------------------------------------------------------------- snapshot

// Four charts in one picture of the build tree (charts_sheet.png): each type with another
// grid, the Y caption turned upright, coloured reference lines on two of them.
TEST_F(Chart, SheetSnapshot) {
  constexpr int W = 340, H = 260;
  struct Setup {
    TChartType type;
    TGridType grid;
    const char* title;
  } setups[] = {{ctScatter, gtBoth, "Scatter, both grids"},
                {ctLine, gtHorz, "Line, horizontal grid"},
                {ctBar, gtVert, "Bars, vertical grid"},
                {ctXY, gtNone, "Line and marks, no grid"}};
  vcl::TBitmap sheet;
  sheet.SetPixelFormat(vcl::pf24bit);
  sheet.SetSize(2 * W, 2 * H);
  TTestChart* made[4] = {};
  for (int i = 0; i < 4; ++i) {
    TTestChart* c = i == 0 ? chart : Place(0, 0, W, H);
    made[i] = c;
    c->SetBounds((i % 2) * W, (i / 2) * H, W, H);
    c->SetChartType(setups[i].type);
    c->SetGrid(setups[i].grid);
    c->SetTitle(setups[i].title);
    c->SetXLabel("Wind angle (deg)");
    c->SetYLabel("Boat speed (kn)");
    const int n = setups[i].type == ctBar ? 12 : 40;
    // Speeds over 0..180 degrees, peaking under 10 knots: axes 0..180 and 0..10.
    for (int k = 0; k < n; ++k) {
      const double x = k * 180.0 / (n - 1);
      c->AddData(x, 9 * std::sin(x * 3.14159265 / 180) + (k % 3) * 0.3);
    }
  }
  auto lines = [](double at1, double at2, vcl::TColor c1, vcl::TColor c2) {
    return [=](rtl::TObject*, double& value, vcl::TColor& color, bool& finished) {
      const bool first = value != at1;
      value = first ? at1 : at2;
      color = first ? c1 : c2;
      finished = !first;
    };
  };
  made[0]->OnNeedLinesX = TNeedLines(this, lines(52, 150, vcl::clRed, vcl::clGreen));
  made[0]->OnNeedLinesY = TNeedLines(this, lines(6.5, 3, vcl::clFuchsia, vcl::clTeal));
  made[3]->OnNeedLinesY = TNeedLines(this, lines(7, 2, vcl::clRed, vcl::clOlive));
  for (TTestChart* c : made) {
    c->PaintNow();
    gdi::BitBlt(sheet.Canvas()->Handle(), c->Left(), c->Top(), W, H,
                c->Bitmap()->Canvas()->Handle(), 0, 0, gdi::SRCCOPY);
  }
  // The title is red over the grey background in each.
  for (TTestChart* c : made)
    EXPECT_TRUE(Contains(&sheet, vcl::TRect{c->Left(), c->Top(), c->Left() + W, c->Top() + 20},
                         vcl::clRed));
  gdi::SavePngFile("charts_sheet.png", *sheet.Surface());
}

}  // namespace
