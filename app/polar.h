// The boat's polar table "PERFORMANCE.DBF" read into one resampled curve per true wind speed,
// and the target-speed lookup of the main window's target tick.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/dbgrids.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/filedialogs.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timer.h"

// A control point or curve point: x = true wind angle (degrees), y = boat speed (knots), z = 0.
struct TPolarPoint {
  double x = 0;
  double y = 0;
  double z = 0;
};

constexpr int kMaxTwsColumns = 20;
constexpr int kCurvePoints = 120;
constexpr int kCurveResolution = 110;  // points filled per curve

// The polar form: the table in a grid with its navigator, the target-speed test group, and the
// plot settings (scale, wind speed of the theoretical curve). Created at start, shown on demand.
class TPolardata : public vcl::TForm {
 public:
  explicit TPolardata(rtl::TComponent* AOwner);

  void FormCreate(rtl::TObject* Sender);
  // (Re)reads the whole table into fTwsCount, fTwsValues and fPolarCurves.
  void ReadPolars();
  // Target boat speed in knots for true wind speed tws (knots) and angle twa (degrees 0-180);
  // 0 when the table gave no curve.
  float TargetSpeed(double tws, double twa) const;

  // Open uniform B-spline of order t through control points 0..n, res points.
  void BSplineCurve(const TPolarPoint* control, int n, int t, TPolarPoint* output, int res) const;
  void BSplineKnots(int* u, int n, int t) const;
  double BSplineBasis(int k, int t, double v, const int* u) const;
  void BSplinePoint(const int* u, int n, int t, double v, const TPolarPoint* control,
                    TPolarPoint& output) const;

  void Button1Click(rtl::TObject* Sender);  // "Calculate Target"
  void BitBtn1Click(rtl::TObject* Sender);  // OK

  // ---- Plots on Image1 (app/polarplot.cpp) ----------------------------------------------------
  void BitBtn2Click(rtl::TObject* Sender);     // "Clear"
  void ComboBox1Change(rtl::TObject* Sender);  // "scale"
  void Button2Click(rtl::TObject* Sender);     // the theoretical curve of the chosen wind speed
  void BitBtn3Click(rtl::TObject* Sender);     // "Select Logfile"
  void BitBtn4Click(rtl::TObject* Sender);     // "Plot Polar"
  void BitBtn5Click(rtl::TObject* Sender);     // "Automatic" / "Stop"
  void Timer1Timer(rtl::TObject* Sender);      // automatic replot
  // Axes, rings labelled every (scale div 10) knots, and direction lines.
  void DrawBackground();
  // The picture filled with the canvas's brush colour.
  void FillPicture();
  // Pixels per knot: the ring spacing over the knots between two rings.
  double PixelsPerKnot() const;
  // The pixel of angle a (degrees) and speed s (knots), on the port side mirrored; none when a
  // value is not finite or the point lies far outside the picture.
  std::optional<vcl::TPoint> PlotPoint(double a, double s, bool port) const;

  // The plot's scale in knots at the outer ring: 10, 20 or 30.
  int32_t fScale = 10;
  vcl::TCanvas* fCanvas = nullptr;  // set by the first drawing
  int32_t fCentreX = 0;
  int32_t fCentreY = 0;
  int32_t fMarkerSize = 1;

  // Speed source of the recorded plots (0 GPS, 1 speed log), copied in by the main window.
  int32_t fSpeedSource = 0;
  int32_t fTwsCount = 0;
  std::array<int32_t, kMaxTwsColumns> fTwsValues{};
  std::array<std::array<TPolarPoint, kCurvePoints>, kMaxTwsColumns> fPolarCurves{};

  db::TTable* Table1;
  db::TDataSource* DataSource1;  // Table1, for the grid and navigator
  db::TQuery* Query5;
  db::TQuery* Query6;
  db::TDataSource* DataSource2;  // Query6, for the wind speed list
  vcl::TDBGrid* DBGrid1;
  vcl::TDBNavigator* DBNavigator1;
  vcl::TGroupBox* GroupBox1;                  // the target-speed test
  vcl::TEdit* Edit1;                          // wind speed
  vcl::TEdit* Edit2;                          // wind angle
  vcl::TEdit* Edit3;                          // "Target Speed"
  vcl::TButton* Button1;                      // "Calculate Target"
  vcl::TComboBox* ComboBox1;                  // "scale"
  vcl::TGroupBox* GroupBox2;                  // "Theoretical Polar Plot"
  vcl::TDBLookupComboBox* DBLookupComboBox1;  // "True Windspeed"
  vcl::TBitBtn* BitBtn1;                      // OK
  vcl::TGroupBox* GroupBox3;                  // "Recorded Polar Plot"
  vcl::TEdit* Edit4;                          // "Upper limit"
  vcl::TEdit* Edit5;                          // "Lower limit"
  vcl::TBitBtn* BitBtn2;                      // "Clear"
  vcl::TBitBtn* BitBtn3;                      // "Select Logfile"
  vcl::TBitBtn* BitBtn4;                      // "Plot Polar"
  vcl::TBitBtn* BitBtn5;                      // "Automatic"
  vcl::TGroupBox* GroupBox4;                  // "Graph"
  vcl::TImage* Image1;                        // 450 x 450
  vcl::TOpenDialog* OpenDialog1;
  vcl::TTimer* Timer1;  // automatic replot, 60 s
  db::TQuery* Query7;   // the recorded points of a log table

 private:
  // The rows of one wind speed as control points in the order of their angles; rows with an
  // empty or unreadable angle or speed are left out.
  std::vector<TPolarPoint> ReadColumn(int tws);
  void BuildPlotControls();  // app/polarplot.cpp
  // The picture's canvas, black until drawn on.
  vcl::TCanvas& PlotCanvas();
};

extern TPolardata* Polardata;
