#include "controls/charts.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/rtl/classregistry.h"
#include "platform/rtl/palette.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

namespace {

// Coordinates beyond this are cut by the graphics layer anyway; rounding stays in range.
constexpr double kPixelLimit = double(1 << 27);

// (v - min) scaled from max - min to extent; v itself for an empty range.
double Normalize(double v, double min, double max, int extent) {
  if (max == min) return v;
  return (v - min) * extent / (max - min);
}

int RoundInt(double x) {
  return static_cast<int>(rtl::Round(x));
}

}  // namespace

// ---------------------------------------------------------------- data list

TChartDataList::~TChartDataList() {
  for (int i = 0; i < Count(); ++i) delete GetObject(i);
}

void TChartDataList::AddDataPoint(TDataPoint* point) {
  AddObject("", point);
}

TDataPoint* TChartDataList::GetDataPoint(int i) const {
  return static_cast<TDataPoint*>(GetObject(i));
}

// ---------------------------------------------------------------- TCustomXYChart

TCustomXYChart::TCustomXYChart(rtl::TComponent* AOwner)
    : vcl::TGraphicControl(AOwner),
      FTitle("Chart of X and Y"),
      FTitleFont(std::make_unique<vcl::TFont>()),
      FXYLabelFont(std::make_unique<vcl::TFont>()),
      FBitmap(std::make_unique<vcl::TBitmap>()) {
  SetControlStyle(ControlStyle() | vcl::csOpaque);
  FTitleFont->SetName("Arial");
  FTitleFont->SetStyle(vcl::fsBold);
  FTitleFont->SetSize(11);
  FTitleFont->SetColor(vcl::clRed);
  FXYLabelFont->SetName("Arial");
  FXYLabelFont->SetSize(8);
  SetBounds(Left(), Top(), 147, 105);
}

TCustomXYChart::~TCustomXYChart() = default;

void TCustomXYChart::StoreText(std::string& field, const std::string& v) {
  SetAndRepaint(field, std::string(rtl::Utf8Left(v, kTitleLength)));
}

void TCustomXYChart::SetTitle(const std::string& v) {
  StoreText(FTitle, v);
}
void TCustomXYChart::SetXLabel(const std::string& v) {
  StoreText(FXLabel, v);
}
void TCustomXYChart::SetYLabel(const std::string& v) {
  StoreText(FYLabel, v);
}

void TCustomXYChart::SetTitleFont(const vcl::TFont* v) {
  FTitleFont->Assign(v);
  Repaint();
}

void TCustomXYChart::SetXYLabelFont(const vcl::TFont* v) {
  FXYLabelFont->Assign(v);
  Repaint();
}

void TCustomXYChart::SetGrid(TGridType v) {
  SetAndRepaint(FGrid, v);
}
void TCustomXYChart::SetBackGround(vcl::TColor v) {
  SetAndRepaint(FBackGround, v);
}
void TCustomXYChart::SetChartColor(vcl::TColor v) {
  SetAndRepaint(FChartColor, v);
}

void TCustomXYChart::SetBorderWidth(int v) {
  SetAndRepaint(FBorderWidth, std::clamp(v, 1, 4));
}

vcl::TRect TCustomXYChart::GetChartRect() {
  vcl::TCanvas* c = Surface();
  c->Font()->Assign(FTitleFont.get());
  const int t = c->TextHeight(FTitle);
  c->Font()->Assign(FXYLabelFont.get());
  const int l = c->TextHeight(FTitle);
  const int right = FBitmap->Width() - c->TextWidth("10000");
  c->Font()->Assign(Font());
  return vcl::TRect{2 * l, RoundInt(1.2 * t), right, FBitmap->Height() - RoundInt(2.4 * l)};
}

void TCustomXYChart::Paint() {
  const int W = Width(), H = Height();
  if (FBitmap->Width() != W || FBitmap->Height() != H) FBitmap->SetSize(W, H);
  vcl::TCanvas* c = Surface();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(FBackGround);
  c->FillRect(vcl::TRect{0, 0, W, H});

  c->Brush()->SetStyle(vcl::bsClear);
  c->Font()->Assign(FTitleFont.get());
  c->TextOut((W - c->TextWidth(FTitle)) / 2, 1, FTitle);
  c->Font()->Assign(FXYLabelFont.get());
  const gdi::SIZE xSize = c->TextExtent(FXLabel);
  c->TextOut((W - xSize.cx) / 2, H - xSize.cy - 1, FXLabel);
  const gdi::SIZE ySize = c->TextExtent(FYLabel);
  c->Font()->SetOrientation(900);
  // Turned a quarter left about its top-left corner, the text runs upward from there.
  c->TextOut(2, (H + ySize.cx) / 2, FYLabel);
  c->Font()->SetOrientation(0);

  ScaleChart();
  const vcl::TRect chart = GetChartRect();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(FChartColor);
  c->Pen()->SetColor(vcl::clBlack);
  c->Pen()->SetWidth(FBorderWidth);
  c->RoundRect(chart.left, chart.top, chart.right, chart.bottom, 15, 15);
  c->Pen()->SetWidth(1);
  c->Font()->SetColor(vcl::clBlack);
  DrawGrid(GetDrawRect());
  DrawXScale();
  DrawYScale();
  DrawDataPoints();

  // Without a window (not placed yet) the picture stays off-screen.
  if (!Canvas()->HandleAllocated() && !(Parent() && Parent()->HandleAllocated())) return;
  gdi::BitBlt(Canvas()->Handle(), 0, 0, W, H, c->Handle(), 0, 0, gdi::SRCCOPY);
}

// ---------------------------------------------------------------- TXYChart

TXYChart::TXYChart(rtl::TComponent* AOwner)
    : TCustomXYChart(AOwner), FData(std::make_unique<TChartDataList>()) {}

TXYChart::~TXYChart() = default;

void TXYChart::SetChartType(TChartType v) {
  if (v == FChartType) return;
  FChartType = v;
  Repaint();
}

void TXYChart::AddData(double x, double y) {
  FData->AddDataPoint(new TDataPoint(x, y));
}

void TXYChart::ClearData() {
  while (FData->Count() > 0) {
    delete FData->GetDataPoint(FData->Count() - 1);
    FData->Delete(FData->Count() - 1);
  }
}

void TXYChart::SetData(TChartDataList* list) {
  // Freeing our own list and keeping it would leave the chart on a dead list.
  if (list == FData.get()) return;
  FData.reset(list ? list : new TChartDataList);
  Repaint();
}

void TXYChart::Plot() {
  Repaint();
}

vcl::TRect TXYChart::GetChartRect() {
  vcl::TRect r = TCustomXYChart::GetChartRect();
  vcl::TCanvas* c = Surface();
  c->Font()->Assign(XYLabelFont());
  r.left += c->TextWidth(rtl::FloatToStr(MaxY));
  c->Font()->Assign(Font());
  return r;
}

vcl::TRect TXYChart::GetDrawRect() {
  const vcl::TRect r = GetChartRect();
  const int w = r.right - r.left;
  const int dx = RoundInt(0.04 * w), dy = RoundInt(0.03 * w);
  return vcl::TRect{r.left + dx, r.top + dy, r.right - dx, r.bottom - dy};
}

double TXYChart::NormalizePtX(double x) {
  const vcl::TRect d = GetDrawRect();
  return Normalize(x, MinX, MaxX, d.right - d.left);
}

double TXYChart::NormalizePtY(double y) {
  const vcl::TRect d = GetDrawRect();
  return Normalize(y, MinY, MaxY, d.bottom - d.top);
}

int TXYChart::GetBarWidth() {
  if (FData->Count() == 0) return 0;
  const vcl::TRect d = GetDrawRect();
  return ((d.right - d.left) / FData->Count()) / 2;
}

bool TXYChart::PixelX(const vcl::TRect& d, double x, int& px) const {
  const double v = d.left + Normalize(x, MinX, MaxX, d.right - d.left);
  if (!std::isfinite(v)) return false;
  px = RoundInt(std::clamp(v, -kPixelLimit, kPixelLimit));
  return true;
}

bool TXYChart::PixelY(const vcl::TRect& d, double y, int& py) const {
  const double v = d.bottom - Normalize(y, MinY, MaxY, d.bottom - d.top);
  if (!std::isfinite(v)) return false;
  py = RoundInt(std::clamp(v, -kPixelLimit, kPixelLimit));
  return true;
}

void TXYChart::ScaleChart() {
  double lowX = std::numeric_limits<double>::infinity(), highX = -lowX;
  double lowY = lowX, highY = -lowX;
  bool any = false;
  for (int i = 0; i < FData->Count(); ++i) {
    const TDataPoint* p = FData->GetDataPoint(i);
    if (!std::isfinite(p->X) || !std::isfinite(p->Y)) continue;
    any = true;
    lowX = std::min(lowX, p->X);
    highX = std::max(highX, p->X);
    lowY = std::min(lowY, p->Y);
    highY = std::max(highY, p->Y);
  }
  if (any) {
    // An axis runs from the floor of its smallest value to the ceiling of its largest. A narrow
    // range (2 or less) is laid about its centre with half its width on each side, which is that
    // same range: every point stays inside, and a narrow range never gets a wider axis than a
    // wide one (its whole width on each side would give a range of 2 an axis of 4, where a range
    // of 3 keeps 3). The centre stays where it is: rounded to one digit, 14..16 would become
    // 19..21, away from every point. A range that collapsed onto one whole number is widened by 1
    // on each side.
    auto axis = [](double low, double high, double& min, double& max) {
      min = std::floor(low);
      max = std::ceil(high);
      if (min == max) {
        max += 1;
        min -= 1;
      }
    };
    axis(lowX, highX, MinX, MaxX);
    axis(lowY, highY, MinY, MaxY);
  }
  if (OnScaling) OnScaling(this, MinX, MaxX, MinY, MaxY);
}

void TXYChart::DrawDataPoints() {
  vcl::TCanvas* c = Surface();
  c->Pen()->SetColor(0xFF0000);
  c->Pen()->SetWidth(2);
  if (FData->Count() == 0) return;
  const vcl::TRect d = GetDrawRect();
  const int bar = ((d.right - d.left) / FData->Count()) / 2;
  bool moved = false;
  for (int i = 0; i < FData->Count(); ++i) {
    const TDataPoint* p = FData->GetDataPoint(i);
    int x = 0, y = 0;
    if (!PixelX(d, p->X, x) || !PixelY(d, p->Y, y)) continue;
    if (!moved) {
      c->MoveTo(x, y);
      moved = true;
    }
    switch (FChartType) {
      case ctScatter:
        c->Ellipse(x - 3, y - 3, x + 3, y + 3);
        break;
      case ctLine:
        c->LineTo(x, y);
        break;
      case ctBar:
        c->Brush()->SetColor(0x800000);
        c->Rectangle(x - bar, y, x + bar, d.bottom);
        break;
      case ctXY:
        c->LineTo(x, y);
        c->Ellipse(x - 3, y - 3, x + 3, y + 3);
        break;
    }
  }
  // Tag counts the requests of both axes.
  SetTag(0);
  DrawReferenceLines(d, OnNeedLinesX, true);
  DrawReferenceLines(d, OnNeedLinesY, false);
}

void TXYChart::DrawReferenceLines(const vcl::TRect& d, const TNeedLines& handler, bool vertical) {
  if (!handler) return;
  vcl::TCanvas* c = Surface();
  double value = (vertical ? MinX : MinY) - 10;
  bool finished = false;
  for (int asked = 0; !finished && asked < kMaxLineRequests; ++asked) {
    vcl::TColor color = c->Pen()->Color();
    handler(this, value, color, finished);
    SetTag(Tag() + 1);
    int at = 0;
    if (vertical ? !PixelX(d, value, at) : !PixelY(d, value, at)) continue;
    c->Pen()->SetColor(color);
    if (vertical && at > d.left && at < d.right) {
      c->MoveTo(at, d.top);
      c->LineTo(at, d.bottom);
    } else if (!vertical && at > d.top && at < d.bottom) {
      c->MoveTo(d.left, at);
      c->LineTo(d.right, at);
    }
  }
}

std::vector<TXYChart::Division> TXYChart::Divisions(int n, int extent) {
  std::vector<Division> out;
  if (n < 3) {
    out = {{0, 0}, {extent / 2, 0.5}, {extent, 1}};
  } else if (n == 3) {
    const int q = extent / 4;
    out = {{0, 0}, {q, 0.25}, {extent / 2, 0.5}, {3 * q, 0.75}, {extent, 1}};
  } else {
    for (int k = 0; k <= 10; k += n == 4 ? 2 : 1)
      out.push_back({RoundInt(double(extent) * k / 10), k / 10.0});
  }
  return out;
}

int TXYChart::XDivisionCount() {
  const vcl::TRect chart = GetChartRect();
  vcl::TCanvas* c = Surface();
  c->Font()->Assign(XYLabelFont());
  const int textWidth = std::max(1, c->TextWidth(rtl::FloatToStr(MaxX)));
  return (chart.right - chart.left) / (3 * textWidth);
}

int TXYChart::YDivisionCount() {
  const vcl::TRect chart = GetChartRect();
  vcl::TCanvas* c = Surface();
  c->Font()->Assign(XYLabelFont());
  const int textHeight = std::max(1, c->TextHeight("A"));
  return (chart.bottom - chart.top) / (2 * textHeight);
}

void TXYChart::DrawGrid(const vcl::TRect& rect) {
  if (Grid() == gtNone) return;
  vcl::TCanvas* c = Surface();
  const vcl::TRect chart = GetChartRect();
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(ChartColor() == 0xC0C0C0 ? 0x808080 : 0xC0C0C0);
  // Lines stand where the scale values do: across the draw rectangle, horizontal ones counted
  // from its bottom as the values are.
  if (Grid() == gtVert || Grid() == gtBoth) {
    for (const Division& k : Divisions(XDivisionCount(), rect.right - rect.left)) {
      c->MoveTo(rect.left + k.offset, chart.top);
      c->LineTo(rect.left + k.offset, chart.bottom);
    }
  }
  if (Grid() == gtHorz || Grid() == gtBoth) {
    for (const Division& k : Divisions(YDivisionCount(), rect.bottom - rect.top)) {
      c->MoveTo(chart.left, rect.bottom - k.offset);
      c->LineTo(chart.right, rect.bottom - k.offset);
    }
  }
}

vcl::TCanvas* TXYChart::ScaleCanvas() {
  vcl::TCanvas* c = Surface();
  c->Font()->Assign(XYLabelFont());
  c->Font()->SetColor(vcl::clBlack);
  c->Brush()->SetStyle(vcl::bsClear);
  c->Pen()->SetColor(vcl::clBlack);
  c->Pen()->SetWidth(1);
  return c;
}

void TXYChart::DrawXScale() {
  const vcl::TRect chart = GetChartRect();
  const vcl::TRect d = GetDrawRect();
  const int divisions = XDivisionCount();
  vcl::TCanvas* c = ScaleCanvas();
  for (const Division& k : Divisions(divisions, d.right - d.left)) {
    const int x = d.left + k.offset;
    c->MoveTo(x, chart.bottom);
    c->LineTo(x, chart.bottom + 5 + BorderWidth());
    std::string text = rtl::FloatToStr(MinX + k.fraction * (MaxX - MinX));
    if (OnDrawScales) OnDrawScales(this, atXAxis, text);
    c->TextOut(x - c->TextWidth(text) / 2, chart.bottom + 3, text);
  }
  c->Brush()->SetStyle(vcl::bsSolid);
}

void TXYChart::DrawYScale() {
  const vcl::TRect chart = GetChartRect();
  const vcl::TRect d = GetDrawRect();
  const int divisions = YDivisionCount();
  vcl::TCanvas* c = ScaleCanvas();
  const int mark = 5 + BorderWidth();
  for (const Division& k : Divisions(divisions, d.bottom - d.top)) {
    const int y = d.bottom - k.offset;
    c->MoveTo(chart.left - mark, y);
    c->LineTo(chart.left, y);
    std::string text = rtl::FloatToStr(MinY + k.fraction * (MaxY - MinY));
    if (OnDrawScales) OnDrawScales(this, atYAxis, text);
    const gdi::SIZE size = c->TextExtent(text);
    c->TextOut(chart.left - mark - 1 - size.cx, y - size.cy / 2, text);
  }
  c->Brush()->SetStyle(vcl::bsSolid);
}

namespace charts {

void Register() {
  rtl::RegisterComponents(kPalettePage,
                          {rtl::RegisterClass<TXYChart>("TXYChart", [](rtl::TComponent* owner) {
                            return new TXYChart(owner);
                          })});
}

}  // namespace charts
