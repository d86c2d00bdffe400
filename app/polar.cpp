#include "app/polar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "app/gridedit.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/newchild.h"

TPolardata* Polardata = nullptr;

namespace {

void AddLabel(vcl::TWinControl* parent, rtl::TComponent* owner, const std::string& name,
              const std::string& text, int left, int top) {
  vcl::NewChild<vcl::TLabel>(owner, parent, name, left, top, 100, 16)->SetCaption(text);
}

void MessageBoxOk(const std::string& text, const std::string& caption) {
  vcl::ShowMessageBox(text, caption, vcl::MB_OK);
}

}  // namespace

TPolardata::TPolardata(rtl::TComponent* AOwner) : vcl::TForm(AOwner) {
  SetName("Polardata");
  SetCaption("Polar Data");
  SetBounds(60, 40, 1110, 530);

  Table1 = vcl::NewChild<db::TTable>(this, nullptr, "Table1");
  Table1->SetTableName("PERFORMANCE.DBF");
  Table1->SetTableType(db::ttDBase);
  DataSource1 = vcl::NewChild<db::TDataSource>(this, nullptr, "DataSource1");
  DataSource1->SetDataSet(Table1);
  Query5 = vcl::NewChild<db::TQuery>(this, nullptr, "Query5");
  Query5->SQL()->Add("select twd,speed from \"performance.dbf\" where tws=:tws order by twd");
  Query6 = vcl::NewChild<db::TQuery>(this, nullptr, "Query6");
  Query6->SQL()->Add("select distinct tws from \"performance.dbf\"");
  DataSource2 = vcl::NewChild<db::TDataSource>(this, nullptr, "DataSource2");
  DataSource2->SetDataSet(Query6);

  DBGrid1 = vcl::NewChild<vcl::TDBGrid>(this, this, "DBGrid1", 8, 8, 250, 352);
  DBGrid1->Columns()->Add("TWS");
  DBGrid1->Columns()->Add("TWD");
  DBGrid1->Columns()->Add("SPEED");
  DBGrid1->SetDataSource(DataSource1);
  DBNavigator1 = vcl::NewChild<vcl::TDBNavigator>(this, this, "DBNavigator1", 8, 368, 250, 25);
  DBNavigator1->SetDataSource(DataSource1);

  GroupBox1 = vcl::NewChild<vcl::TGroupBox>(this, this, "GroupBox1", 272, 8, 352, 150);
  GroupBox1->SetCaption("Test");
  AddLabel(GroupBox1, this, "Label1", "Wind Speed", 12, 28);
  Edit1 = vcl::NewChild<vcl::TEdit>(this, GroupBox1, "Edit1", 120, 24, 80, 22);
  AddLabel(GroupBox1, this, "Label2", "Wind Angle", 12, 56);
  Edit2 = vcl::NewChild<vcl::TEdit>(this, GroupBox1, "Edit2", 120, 52, 80, 22);
  AddLabel(GroupBox1, this, "Label3", "Target Speed", 12, 84);
  Edit3 = vcl::NewChild<vcl::TEdit>(this, GroupBox1, "Edit3", 120, 80, 80, 22);
  Button1 = vcl::NewChild<vcl::TButton>(this, GroupBox1, "Button1", 120, 112, 130, 25);
  Button1->SetCaption("Calculate Target");
  Button1->OnClick = rtl::MakeEvent(this, &TPolardata::Button1Click);

  AddLabel(this, this, "Label4", "scale", 280, 176);
  ComboBox1 = vcl::NewChild<vcl::TComboBox>(this, this, "ComboBox1", 392, 172, 80, 22);
  ComboBox1->Items()->Add("10");
  ComboBox1->Items()->Add("20");
  ComboBox1->Items()->Add("30");
  ComboBox1->SetText("10");

  GroupBox2 = vcl::NewChild<vcl::TGroupBox>(this, this, "GroupBox2", 272, 208, 352, 64);
  GroupBox2->SetCaption("Theoretical Polar Plot");
  AddLabel(GroupBox2, this, "Label5", "True Windspeed", 12, 30);
  DBLookupComboBox1 =
      vcl::NewChild<vcl::TDBLookupComboBox>(this, GroupBox2, "DBLookupComboBox1", 120, 26, 80, 22);
  DBLookupComboBox1->SetListSource(DataSource2);
  DBLookupComboBox1->SetKeyField("TWS");
  DBLookupComboBox1->SetListField("TWS");

  BitBtn1 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn1", 534, 432, 90, 28);
  BitBtn1->SetKind(vcl::bkOK);
  BitBtn1->OnClick = rtl::MakeEvent(this, &TPolardata::BitBtn1Click);
  BuildPlotControls();

  OnCreate = rtl::MakeEvent(this, &TPolardata::FormCreate);
}

void TPolardata::FormCreate(rtl::TObject*) {
  ReadPolars();
  DrawBackground();
}

void TPolardata::ReadPolars() {
  try {
    // Closed first: Open on an open query does nothing, and speeds added in the grid since the
    // last read would never be seen.
    Query6->Close();
    Query6->Open();
    Query6->First();
    Table1->Open();
    // The whole table or nothing: a table that fails part way keeps the curves read before.
    int count = 0;
    std::array<int32_t, kMaxTwsColumns> values{};
    auto curves = std::make_unique<decltype(fPolarCurves)>();
    bool tooMany = false;
    std::vector<TPolarPoint> control;
    for (; !Query6->Eof(); Query6->Next()) {
      db::TField* twsField = Query6->FieldByName("tws");
      // A NULL or fractional wind speed names no column of whole knots: it would have no rows.
      if (twsField->IsNull() || twsField->AsFloat() != std::floor(twsField->AsFloat())) continue;
      const int tws = twsField->AsInteger();
      if (count == kMaxTwsColumns) {
        tooMany = true;  // ascending order: the 20 lowest are kept
        break;
      }
      control = ReadColumn(tws);
      if (control.empty()) continue;
      values[static_cast<size_t>(count)] = tws;
      auto& curve = (*curves)[static_cast<size_t>(count)];
      if (control.size() == 1) {
        // One angle tabulated: the spline of a single point is zeros up to its last point, and
        // the lookup would find no target at any angle. The one speed stands for them all.
        std::fill_n(curve.begin(), kCurveResolution, control[0]);
      } else {
        BSplineCurve(control.data(), static_cast<int>(control.size()) - 1, 2, curve.data(),
                     kCurveResolution);
      }
      ++count;
    }
    fTwsCount = count;
    fTwsValues = values;
    fPolarCurves = *curves;
    if (tooMany)
      MessageBoxOk("The polar table has more than 20 wind speeds; only the 20 lowest are used",
                   "Warning");
  } catch (const std::exception& e) {
    MessageBoxOk("Error reading polar table " + Table1->TableName() + ": " + e.what(), "Error");
  }
}

std::vector<TPolarPoint> TPolardata::ReadColumn(int tws) {
  Query5->Close();
  Query5->ParamByName("TWS")->SetAsInteger(tws);
  Query5->Open();
  std::vector<TPolarPoint> control;
  for (Query5->First(); !Query5->Eof(); Query5->Next()) {
    db::TField* angle = Query5->FieldByName("TWD");
    db::TField* speed = Query5->FieldByName("SPEED");
    // A cell left empty in the grid is no figure: read as 0 it would put a row at 0 degrees or
    // a speed of 0 knots into the curve.
    if (angle->IsNull() || speed->IsNull()) continue;
    const TPolarPoint point{angle->AsFloat(), speed->AsFloat(), 0};
    if (std::isfinite(point.x) && std::isfinite(point.y)) control.push_back(point);
  }
  return control;
}

float TPolardata::TargetSpeed(double tws, double twa) const {
  if (fTwsCount <= 0 || !std::isfinite(tws)) return 0;
  const auto& w = fTwsValues;
  const int last = fTwsCount - 1;
  // The two columns around tws: the same column at a tabulated speed and outside the range.
  int lo = 0, hi = 0;
  if (tws >= w[static_cast<size_t>(last)]) {
    lo = hi = last;
  } else if (tws > w[0]) {
    hi = 1;
    while (w[static_cast<size_t>(hi)] < tws) ++hi;
    lo = w[static_cast<size_t>(hi)] == tws ? hi : hi - 1;
  }
  const auto speedAt = [&](int column) {
    const auto& curve = fPolarCurves[static_cast<size_t>(column)];
    int k = 0;
    while (k < 100 && !(curve[static_cast<size_t>(k)].x >= twa)) ++k;
    return static_cast<float>(curve[static_cast<size_t>(k)].y);
  };
  const float speedLo = speedAt(lo);
  const int wLo = w[static_cast<size_t>(lo)], wHi = w[static_cast<size_t>(hi)];
  if (wLo < tws && tws < wHi) {
    const float speedHi = speedAt(hi);
    return static_cast<float>(speedLo + (tws - wLo) / (wHi - wLo) * (speedHi - speedLo));
  }
  return speedLo;
}

void TPolardata::BSplineKnots(int* u, int n, int t) const {
  for (int j = 0; j <= n + t; ++j) {
    if (j < t)
      u[j] = 0;
    else if (j <= n)
      u[j] = j - t + 1;
    else
      u[j] = n - t + 2;
  }
}

double TPolardata::BSplineBasis(int k, int t, double v, const int* u) const {
  if (t == 1) return (u[k] <= v && v < u[k + 1]) ? 1 : 0;
  double value = 0;
  // Terms over two equal knots are left out.
  if (u[k + t - 1] != u[k])
    value += (v - u[k]) / (u[k + t - 1] - u[k]) * BSplineBasis(k, t - 1, v, u);
  if (u[k + t] != u[k + 1])
    value += (u[k + t] - v) / (u[k + t] - u[k + 1]) * BSplineBasis(k + 1, t - 1, v, u);
  return value;
}

void TPolardata::BSplinePoint(const int* u, int n, int t, double v, const TPolarPoint* control,
                              TPolarPoint& output) const {
  output = TPolarPoint{};
  for (int k = 0; k <= n; ++k) {
    const double b = BSplineBasis(k, t, v, u);
    output.x += control[k].x * b;
    output.y += control[k].y * b;
    output.z += control[k].z * b;
  }
}

void TPolardata::BSplineCurve(const TPolarPoint* control, int n, int t, TPolarPoint* output,
                              int res) const {
  if (n < 0 || t < 1 || res < 2) return;  // no control points: nothing to draw through
  std::vector<int> u(static_cast<size_t>(n + t + 1));
  BSplineKnots(u.data(), n, t);
  const double increment = static_cast<double>(n - t + 2) / (res - 1);
  double v = 0;
  for (int i = 0; i <= res - 2; ++i) {
    BSplinePoint(u.data(), n, t, v, control, output[i]);
    v += increment;
  }
  output[res - 1] = control[n];
}

void TPolardata::Button1Click(rtl::TObject*) {
  ReadPolars();
  const double tws = static_cast<double>(rtl::StrToFloat(Edit1->Text()));
  const double twa = static_cast<double>(rtl::StrToFloat(Edit2->Text()));
  Edit3->SetText(rtl::FloatToStr(TargetSpeed(tws, twa)));
}

void TPolardata::BitBtn1Click(rtl::TObject*) {
  // A value typed but not yet posted would never reach the table, nor the curves read below.
  if (!PostGridEdit(DBGrid1)) {
    SetModalResult(vcl::mrNone);  // the OK kind would close a modal form all the same
    return;
  }
  ReadPolars();
  Close();
}
