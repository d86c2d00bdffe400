#pragma once
// TChart: a 2-D chart of line and area series over a left (value) and a bottom (x) axis, drawn
// off screen and copied to the window. Axes find a 1-2-5 range of their own unless told one;
// bottom labels are the points' labels, thinned so that they do not overlap.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/vcl/bitmap.h"
#include "platform/vcl/controls.h"

namespace vcl {

class TChart;

class TChartAxis {
 public:
  bool Automatic() const { return automatic_; }
  void SetAutomatic(bool v) { automatic_ = v; }
  // The range shown; with Automatic these are the values found at the last draw.
  double Minimum() const { return min_; }
  double Maximum() const { return max_; }
  // Fixes the range (and turns Automatic off).
  void SetMinMax(double min, double max);
  bool Inverted() const { return inverted_; }
  void SetInverted(bool v) { inverted_ = v; }
  // With Automatic, the least span shown: data that varies less is shown about its middle
  // over this span, so that a hair's difference does not fill the plot with tiny ticks. 0: none.
  double MinimumSpan() const { return minimumSpan_; }
  void SetMinimumSpan(double v) { minimumSpan_ = v; }
  bool GridVisible() const { return grid_; }
  void SetGridVisible(bool v) { grid_ = v; }
  // Distance between two ticks at the last draw.
  double Increment() const { return step_; }
  // The tick values within the range: multiples of the increment.
  std::vector<double> Ticks() const;

  // With Automatic, finds the 1-2-5 range for data from lo to hi wanting about `ticks`
  // intervals (exact: the range is lo..hi itself, only the step is chosen); a flat or empty
  // range still gets a span around its value.
  void Adjust(double lo, double hi, int ticks, bool exact = false);

 private:
  bool automatic_ = true;
  double min_ = 0;
  double max_ = 1;
  double step_ = 0.2;
  double minimumSpan_ = 0;
  bool inverted_ = false;
  bool grid_ = true;
};

class TChartSeries {
 public:
  virtual ~TChartSeries() = default;

  void Clear();
  // Adds a point; non-finite values are kept (so the indices stay) but never drawn or scaled.
  int AddXY(double x, double y, const std::string& label = {}, TColor color = clDefault);
  int Count() const { return static_cast<int>(x_.size()); }
  double XValue(int i) const { return x_.at(i); }
  double YValue(int i) const { return y_.at(i); }
  const std::string& Label(int i) const { return labels_.at(i); }
  // The point's own colour, or the series colour for clDefault.
  TColor ValueColor(int i) const;
  TColor SeriesColor() const { return color_; }
  void SetSeriesColor(TColor v) { color_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  TChart* ParentChart() const { return chart_; }

  // Draws the series into the plot area through the chart's mapping.
  virtual void Draw(TCanvas* canvas, const TChart& chart) const = 0;

 protected:
  // A stretch of consecutive finite points as pixels, in one colour (the line's pieces).
  struct Run {
    std::vector<TPoint> points;
    TColor color;
  };
  // Stretches of finite points, split where a point's colour changes (when byColor) so that each
  // segment takes the colour of the point it ends at; a pixel repeating the last is left out.
  std::vector<Run> Runs(const TChart& chart, bool byColor) const;

 private:
  friend class TChart;
  TChart* chart_ = nullptr;
  std::vector<double> x_, y_;
  std::vector<std::string> labels_;
  std::vector<TColor> colors_;
  TColor color_ = clRed;
  bool visible_ = true;
};

// A line through the points; each segment takes the colour of the point it ends at.
class TLineSeries : public TChartSeries {
 public:
  void Draw(TCanvas* canvas, const TChart& chart) const override;
};

// The area between the line and the bottom of the plot, filled in the series colour.
class TAreaSeries : public TChartSeries {
 public:
  void Draw(TCanvas* canvas, const TChart& chart) const override;
};

class TChart : public TCustomControl {
 public:
  explicit TChart(rtl::TComponent* AOwner);
  ~TChart() override;

  // Takes the series over; it is drawn after those added before it.
  TChartSeries* AddSeries(std::unique_ptr<TChartSeries> series);
  template <class S>
  S* AddSeries() {
    return static_cast<S*>(AddSeries(std::make_unique<S>()));
  }
  TChartSeries* Series(int i) const { return series_.at(i).get(); }
  int SeriesCount() const { return static_cast<int>(series_.size()); }

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v);
  TChartAxis* LeftAxis() { return &left_; }
  TChartAxis* BottomAxis() { return &bottom_; }

  // Draws the whole chart on a canvas of the given size (what Paint copies to the window).
  void Draw(TCanvas* canvas, int width, int height);
  // The plot area of the last draw, and the pixel of a value in it.
  TRect PlotRect() const { return plot_; }
  TPoint ValueToPixel(double x, double y) const;
  // The bottom labels the last draw showed, with the pixel column each is centred on.
  const std::vector<std::pair<int, std::string>>& ShownLabels() const { return shownLabels_; }
  // The off-screen picture of the last draw.
  TBitmap* Picture() const { return picture_.get(); }

 protected:
  void Paint() override;

 private:
  void ScaleAxes(int plotWidth, int plotHeight);
  void DrawLeftAxis(TCanvas* canvas) const;
  void DrawBottomAxis(TCanvas* canvas, int width);

  std::vector<std::unique_ptr<TChartSeries>> series_;
  std::string title_;
  TChartAxis left_, bottom_;
  TRect plot_{};
  std::vector<std::pair<int, std::string>> shownLabels_;
  std::unique_ptr<TBitmap> picture_;
};

}  // namespace vcl
