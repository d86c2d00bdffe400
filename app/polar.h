// The boat's polar table "PERFORMANCE.DBF" read into one resampled curve per true wind speed,
// and the target-speed lookup of the main window's target tick.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/dbgrids.h"
#include "platform/vcl/edits.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/stdctrls.h"

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
};

extern TPolardata* Polardata;
