// The polar form: the boat's polar table "PERFORMANCE.DBF" read into one resampled curve per true
// wind speed, and the target-speed lookup of the main window's target tick.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/rtl/classes.h"

// A control point or curve point: x = true wind angle (degrees), y = boat speed (knots), z = 0.
struct TPolarPoint {
  double x = 0;
  double y = 0;
  double z = 0;
};

constexpr int kMaxTwsColumns = 20;
constexpr int kCurvePoints = 120;
constexpr int kCurveResolution = 110;  // points filled per curve

// Text of an edit box of the form's test group (the class library's edit takes its place once
// the form has a window).
struct TPolarEdit {
  std::string Text;
};

class TPolardata : public rtl::TComponent {
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

  int32_t fTwsCount = 0;
  std::array<int32_t, kMaxTwsColumns> fTwsValues{};
  std::array<std::array<TPolarPoint, kCurvePoints>, kMaxTwsColumns> fPolarCurves{};

  db::TTable* Table1;
  db::TDataSource* DataSource1;
  db::TQuery* Query5;
  db::TQuery* Query6;
  TPolarEdit Edit1;  // wind speed
  TPolarEdit Edit2;  // wind angle
  TPolarEdit Edit3;  // "Target Speed"

 protected:
  // A message box with an OK button; text first, caption second.
  virtual void ShowMessageBox(const std::string& text, const std::string& caption);
};

extern TPolardata* Polardata;
