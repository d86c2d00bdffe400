#include "platform/vcl/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/gdi/gdi.h"

namespace vcl {

namespace {

constexpr int kTickLength = 4;
constexpr int kLabelGap = 6;    // pixels kept free between two bottom labels
constexpr int kMaxTicks = 100;  // at most this many ticks on an axis
// Pixels are kept this far around the plot so that fixed ranges cannot overflow the integers.
constexpr double kPixelLimit = 30000;

// The 1-2-5 step nearest above raw.
double NiceStep(double raw) {
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / mag;
  return (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * mag;
}

// A tick value as text, with as many decimals as the step needs and no "-0".
std::string TickText(double v, double step) {
  const int decimals =
      step >= 1 ? 0 : std::min(9, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
  if (std::fabs(v) < step * 1e-6) v = 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

int ToPixel(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::lround(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

}  // namespace

// ---------------------------------------------------------------- axis

void TChartAxis::SetMinMax(double min, double max) {
  automatic_ = false;
  min_ = min;
  max_ = max;
  step_ = max > min ? NiceStep((max - min) / 5) : 1;
}

void TChartAxis::Adjust(double lo, double hi, int ticks, bool exact) {
  if (!automatic_) return;
  if (!(lo <= hi)) {  // nothing to show
    lo = 0;
    hi = 1;
  }
  const double magnitude = std::max(std::fabs(lo), std::fabs(hi));
  if (hi - lo <= magnitude * 1e-9) {
    // A flat line: a span around it, so that it is drawn across the middle with its scale.
    // Centred on the value rounded to that span, so that 1e-5 shows as -1..1 around 0.
    const double span = NiceStep(std::max(magnitude * 0.1, 1.0));
    const double centre = std::round(lo / span) * span;
    lo = centre - span;
    hi = centre + span;
  }
  if (hi - lo < minimumSpan_) {
    const double middle = lo / 2 + hi / 2;
    lo = middle - minimumSpan_ / 2;
    hi = middle + minimumSpan_ / 2;
  }
  step_ = NiceStep((hi - lo) / std::max(1, ticks));
  min_ = exact ? lo : std::floor(lo / step_) * step_;
  max_ = exact ? hi : std::ceil(hi / step_) * step_;
  if (max_ <= min_) max_ = min_ + step_;
  // Data beyond the doubles' range (a span of infinity) or a step lost in the magnitude: a
  // plain range rather than ticks that never advance.
  if (!std::isfinite(min_) || !std::isfinite(max_) || !std::isfinite(step_) ||
      min_ + step_ == min_ || max_ <= min_) {
    min_ = -1;
    max_ = 1;
    step_ = 0.5;
  }
}

std::vector<double> TChartAxis::Ticks() const {
  // Counted, not summed, so that rounding can neither skip the last tick nor loop forever.
  std::vector<double> out;
  if (!(step_ > 0)) return out;
  const double first = std::ceil(min_ / step_ - 1e-9);
  const double count = std::floor(max_ / step_ + 1e-9) - first;
  for (int k = 0; k <= count && k <= kMaxTicks; ++k) out.push_back((first + k) * step_);
  return out;
}

// ---------------------------------------------------------------- series

void TChartSeries::Clear() {
  x_.clear();
  y_.clear();
  labels_.clear();
  colors_.clear();
}

int TChartSeries::AddXY(double x, double y, const std::string& label, TColor color) {
  x_.push_back(x);
  y_.push_back(y);
  labels_.push_back(label);
  colors_.push_back(color);
  return Count() - 1;
}

TColor TChartSeries::ValueColor(int i) const {
  const TColor c = colors_.at(i);
  return c == clDefault ? color_ : c;
}

std::vector<TChartSeries::Run> TChartSeries::Runs(const TChart& chart, bool byColor) const {
  std::vector<Run> runs;
  bool open = false;
  for (int i = 0; i < Count(); ++i) {
    if (!std::isfinite(x_[i]) || !std::isfinite(y_[i])) {
      open = false;
      continue;
    }
    const TPoint p = chart.ValueToPixel(x_[i], y_[i]);
    const TColor c = byColor ? ValueColor(i) : color_;
    if (open && c != runs.back().color) {
      // The new colour's piece starts where the last one ended.
      const TPoint from = runs.back().points.back();
      runs.push_back({{from}, c});
    } else if (!open) {
      runs.push_back({{}, c});
    }
    open = true;
    auto& pts = runs.back().points;
    if (pts.empty() || pts.back().x != p.x || pts.back().y != p.y) pts.push_back(p);
  }
  return runs;
}

void TLineSeries::Draw(TCanvas* canvas, const TChart& chart) const {
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetStyle(psSolid);
  for (const Run& run : Runs(chart, true)) {
    canvas->Pen()->SetColor(run.color);
    if (run.points.size() == 1) {
      canvas->SetPixel(run.points[0].x, run.points[0].y, run.color);
    } else {
      canvas->Polyline(run.points);
    }
  }
}

void TAreaSeries::Draw(TCanvas* canvas, const TChart& chart) const {
  const int bottom = chart.PlotRect().bottom - 1;
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetColor(SeriesColor());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(SeriesColor());
  for (Run run : Runs(chart, false)) {
    if (run.points.size() < 2) continue;
    const int first = run.points.front().x;
    const int last = run.points.back().x;
    run.points.push_back({last, bottom});
    run.points.push_back({first, bottom});
    canvas->Polygon(run.points);
  }
}

// ---------------------------------------------------------------- chart

TChart::TChart(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 400, 250);
  bottom_.SetGridVisible(false);
}

TChart::~TChart() = default;

TChartSeries* TChart::AddSeries(std::unique_ptr<TChartSeries> series) {
  series->chart_ = this;
  series_.push_back(std::move(series));
  return series_.back().get();
}

void TChart::SetTitle(const std::string& v) {
  title_ = v;
  Invalidate();
}

TPoint TChart::ValueToPixel(double x, double y) const {
  const double w = plot_.Width() - 1;
  const double h = plot_.Height() - 1;
  double fx = (x - bottom_.Minimum()) / (bottom_.Maximum() - bottom_.Minimum());
  double fy = (y - left_.Minimum()) / (left_.Maximum() - left_.Minimum());
  if (bottom_.Inverted()) fx = 1 - fx;
  if (!left_.Inverted()) fy = 1 - fy;
  return TPoint{ToPixel(plot_.left + fx * w), ToPixel(plot_.top + fy * h)};
}

void TChart::ScaleAxes(int plotWidth, int plotHeight) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  double xlo = inf, xhi = -inf, ylo = inf, yhi = -inf;
  for (const auto& s : series_) {
    if (!s->Visible()) continue;
    for (int i = 0; i < s->Count(); ++i) {
      const double x = s->XValue(i), y = s->YValue(i);
      if (!std::isfinite(x) || !std::isfinite(y)) continue;
      xlo = std::min(xlo, x);
      xhi = std::max(xhi, x);
      ylo = std::min(ylo, y);
      yhi = std::max(yhi, y);
    }
  }
  // About one value tick every 30 pixels, one x tick every 60; x spans its points exactly.
  left_.Adjust(ylo, yhi, std::clamp(plotHeight / 30, 1, 10));
  bottom_.Adjust(xlo, xhi, std::clamp(plotWidth / 60, 1, 10), true);
}

void TChart::Draw(TCanvas* canvas, int width, int height) {
  const int textHeight = canvas->TextHeight("0");
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect(TRect{0, 0, width, height});

  // The value labels' width depends on the range, the range on the plot's height: scale once
  // with a provisional area, then measure the labels.
  const int top = 4 + (title_.empty() ? 0 : textHeight + 4);
  const int bottom = height - textHeight - kTickLength - 6;
  ScaleAxes(std::max(1, width - 60), std::max(1, bottom - top));
  int labelWidth = 0;
  for (double v : left_.Ticks())
    labelWidth = std::max(labelWidth, canvas->TextWidth(TickText(v, left_.Increment())));
  plot_ = TRect{labelWidth + kTickLength + 6, top,
                std::max(labelWidth + kTickLength + 8, width - 10), std::max(top + 2, bottom)};
  ScaleAxes(plot_.Width(), plot_.Height());

  if (!title_.empty()) {
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut((width - canvas->TextWidth(title_)) / 2, 4, title_);
  }
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clWhite);
  canvas->Pen()->SetColor(clBlack);
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetWidth(1);
  canvas->Rectangle(plot_.left - 1, plot_.top - 1, plot_.right + 1, plot_.bottom + 1);
  DrawLeftAxis(canvas);
  DrawBottomAxis(canvas, width);
  for (const auto& s : series_)
    if (s->Visible()) s->Draw(canvas, *this);
}

void TChart::DrawLeftAxis(TCanvas* canvas) const {
  const double step = left_.Increment();
  const int textHeight = canvas->TextHeight("0");
  canvas->Brush()->SetStyle(bsClear);
  for (double v : left_.Ticks()) {
    const int y = ValueToPixel(bottom_.Minimum(), v).y;
    if (left_.GridVisible() && y > plot_.top && y < plot_.bottom - 1) {
      canvas->Pen()->SetColor(clSilver);
      canvas->Pen()->SetStyle(psDot);
      canvas->MoveTo(plot_.left, y);
      canvas->LineTo(plot_.right, y);
    }
    canvas->Pen()->SetColor(clBlack);
    canvas->Pen()->SetStyle(psSolid);
    canvas->MoveTo(plot_.left - 1 - kTickLength, y);
    canvas->LineTo(plot_.left - 1, y);
    const std::string text = TickText(v, step);
    canvas->TextOut(plot_.left - kTickLength - 3 - canvas->TextWidth(text), y - textHeight / 2,
                    text);
  }
}

void TChart::DrawBottomAxis(TCanvas* canvas, int width) {
  shownLabels_.clear();
  const int y = plot_.bottom + kTickLength + 2;
  canvas->Brush()->SetStyle(bsClear);
  canvas->Pen()->SetColor(clBlack);
  canvas->Pen()->SetStyle(psSolid);
  // Labels and where they go: the points' own labels when the first series has any, else ticks.
  std::vector<std::pair<int, std::string>> marks;
  const TChartSeries* labelled = nullptr;
  for (const auto& s : series_) {
    for (int i = 0; i < s->Count() && labelled == nullptr; ++i)
      if (!s->Label(i).empty()) labelled = s.get();
    if (labelled != nullptr) break;
  }
  if (labelled != nullptr) {
    for (int i = 0; i < labelled->Count(); ++i)
      if (std::isfinite(labelled->XValue(i)) && !labelled->Label(i).empty())
        marks.emplace_back(ValueToPixel(labelled->XValue(i), left_.Minimum()).x,
                           labelled->Label(i));
  } else {
    const double step = bottom_.Increment();
    for (double v : bottom_.Ticks())
      marks.emplace_back(ValueToPixel(v, left_.Minimum()).x, TickText(v, step));
  }
  // Thinned in the points' order (the first point, "now", first): a label is drawn only where
  // it clears every label drawn before it; one at the edge is pulled inside the chart.
  std::vector<std::pair<int, int>> taken;  // left and right of each drawn label
  for (const auto& [x, text] : marks) {
    const int w = canvas->TextWidth(text);
    const int left = std::clamp(x - w / 2, 0, std::max(0, width - w));
    const bool clear = std::all_of(taken.begin(), taken.end(), [&](const auto& t) {
      return left + w + kLabelGap <= t.first || left >= t.second + kLabelGap;
    });
    if (!clear) continue;
    taken.emplace_back(left, left + w);
    canvas->MoveTo(x, plot_.bottom);
    canvas->LineTo(x, plot_.bottom + kTickLength);
    canvas->TextOut(left, y, text);
    shownLabels_.emplace_back(x, text);
  }
  std::sort(shownLabels_.begin(), shownLabels_.end());
}

void TChart::Paint() {
  const int w = std::max(1, Width()), h = std::max(1, Height());
  if (!picture_) {
    picture_ = std::make_unique<TBitmap>();
    picture_->SetPixelFormat(pf32bit);
  }
  if (picture_->Width() != w || picture_->Height() != h) picture_->SetSize(w, h);
  picture_->Canvas()->Font()->Assign(Font());
  Draw(picture_->Canvas(), w, h);
  gdi::BitBlt(Canvas()->Handle(), 0, 0, w, h, picture_->Canvas()->Handle(), 0, 0, gdi::SRCCOPY);
}

}  // namespace vcl
