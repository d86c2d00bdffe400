#pragma once
// A small XY chart: TCustomXYChart draws a titled, framed chart area with axis captions;
// TXYChart plots a list of points as marks, a line, bars or a line with marks, scales its axes
// from the data, draws a grid and numeric scales, and asks the application for reference lines.
// Everything is drawn on an off-screen bitmap and copied to the control in one block.
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "platform/vcl/bitmap.h"
#include "platform/vcl/controls.h"

class TDataPoint : public rtl::TObject {
 public:
  TDataPoint() = default;
  TDataPoint(double x, double y) : X(x), Y(y) {}
  double X = 0;
  double Y = 0;
};

// Points as the objects of the list's (empty) lines, in the order of adding; owns them.
class TChartDataList : public rtl::TStringList {
 public:
  TChartDataList() = default;
  ~TChartDataList() override;
  void AddDataPoint(TDataPoint* point);
  TDataPoint* GetDataPoint(int i) const;
};

enum TGridType { gtNone, gtHorz, gtVert, gtBoth };
enum TChartType { ctScatter, ctLine, ctBar, ctXY };
enum TAxisType { atXAxis, atYAxis };

// Titles and captions hold at most this many characters.
inline constexpr size_t kTitleLength = 35;

class TCustomXYChart : public vcl::TGraphicControl {
 public:
  explicit TCustomXYChart(rtl::TComponent* AOwner);
  ~TCustomXYChart() override;

  const std::string& Title() const { return FTitle; }
  vcl::TFont* TitleFont() const { return FTitleFont.get(); }
  const std::string& XLabel() const { return FXLabel; }
  const std::string& YLabel() const { return FYLabel; }
  vcl::TFont* XYLabelFont() const { return FXYLabelFont.get(); }
  TGridType Grid() const { return FGrid; }
  vcl::TColor BackGround() const { return FBackGround; }
  vcl::TColor ChartColor() const { return FChartColor; }
  int BorderWidth() const { return FBorderWidth; }

  // Every setter stores and repaints; texts are cut to kTitleLength, fonts are copied.
  void SetTitle(const std::string& v);
  void SetTitleFont(const vcl::TFont* v);
  void SetXLabel(const std::string& v);
  void SetYLabel(const std::string& v);
  void SetXYLabelFont(const vcl::TFont* v);
  void SetGrid(TGridType v);
  void SetBackGround(vcl::TColor v);
  void SetChartColor(vcl::TColor v);
  // Clamped to 1..4.
  void SetBorderWidth(int v);

  double MinX = 0;
  double MinY = 0;
  double MaxX = 50;
  double MaxY = 50;

 protected:
  void Paint() override;
  // The framed chart area on the off-screen bitmap, from the title and caption text sizes.
  virtual vcl::TRect GetChartRect();
  // The part of the chart area the values span.
  virtual vcl::TRect GetDrawRect() = 0;
  virtual void DrawGrid(const vcl::TRect& rect) = 0;
  virtual void DrawXScale() = 0;
  virtual void DrawYScale() = 0;
  virtual void DrawDataPoints() = 0;
  virtual void ScaleChart() = 0;

  vcl::TBitmap* Bitmap() const { return FBitmap.get(); }
  vcl::TCanvas* Surface() const { return FBitmap->Canvas(); }

 private:
  template <class T>
  void SetAndRepaint(T& field, T v) {
    if (v == field) return;
    field = v;
    Repaint();
  }
  void StoreText(std::string& field, const std::string& v);

  std::string FTitle;
  std::unique_ptr<vcl::TFont> FTitleFont;
  std::string FXLabel = "X-Axis";
  std::string FYLabel = "Y-Axis";
  std::unique_ptr<vcl::TFont> FXYLabelFont;
  TGridType FGrid = gtNone;
  vcl::TColor FBackGround = 0xC0C0C0;
  vcl::TColor FChartColor = 0xFFFFFF;
  int FBorderWidth = 1;
  std::unique_ptr<vcl::TBitmap> FBitmap;
};

// var Value, var Colour, var Finished: a handler hands out one reference line per call.
using TNeedLines =
    rtl::Event<void(rtl::TObject* Sender, double& Value, vcl::TColor& Color, bool& Finished)>;
using TScaling =
    rtl::Event<void(rtl::TObject* Sender, double& MinX, double& MaxX, double& MinY, double& MaxY)>;
using TDrawScales = rtl::Event<void(rtl::TObject* Sender, TAxisType Axis, std::string& Text)>;

class TXYChart : public TCustomXYChart {
 public:
  explicit TXYChart(rtl::TComponent* AOwner);
  ~TXYChart() override;

  TChartType ChartType() const { return FChartType; }
  void SetChartType(TChartType v);
  TChartDataList* Data() const { return FData.get(); }

  void AddData(double x, double y);
  void ClearData();
  // Takes the list over (the current one is freed); the chart's own list changes nothing and
  // nullptr leaves the chart an empty list.
  void SetData(TChartDataList* list);
  void Plot();

  double NormalizePtX(double x);
  double NormalizePtY(double y);
  int GetBarWidth();

  // A handler that never finishes is asked at most this many times an axis a paint.
  static constexpr int kMaxLineRequests = 1000;

  TNeedLines OnNeedLinesX;
  TNeedLines OnNeedLinesY;
  TScaling OnScaling;
  TDrawScales OnDrawScales;

 protected:
  vcl::TRect GetChartRect() override;
  vcl::TRect GetDrawRect() override;
  void DrawGrid(const vcl::TRect& rect) override;
  void DrawXScale() override;
  void DrawYScale() override;
  void DrawDataPoints() override;
  void ScaleChart() override;

  // Offsets of the grid lines and scale marks along an extent, with their fractions of it.
  struct Division {
    int offset;
    double fraction;
  };
  static std::vector<Division> Divisions(int n, int extent);
  // How many divisions the scale texts leave room for.
  int XDivisionCount();
  int YDivisionCount();

 private:
  // The pixel of a value in draw rectangle d, kept to the range drawing can take; false for a
  // non-finite one.
  bool PixelX(const vcl::TRect& d, double x, int& px) const;
  bool PixelY(const vcl::TRect& d, double y, int& py) const;
  // The off-screen canvas set for scale marks and texts: black, in XYLabelFont, see-through.
  vcl::TCanvas* ScaleCanvas();
  void DrawReferenceLines(const vcl::TRect& d, const TNeedLines& handler, bool vertical);

  TChartType FChartType = ctScatter;
  std::unique_ptr<TChartDataList> FData;
};

namespace charts {
// The component palette page the chart is offered on.
inline constexpr char kPalettePage[] = "Charts";
// Makes the chart creatable by class name.
void Register();
}  // namespace charts
