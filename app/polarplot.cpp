// The polar form's diagrams on Image1: background rings, the theoretical curve of one wind speed
// and the scatter of the points of a recording.
#include <cmath>
#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "app/polar.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/newchild.h"

namespace {

constexpr int kRings = 10;
constexpr int kCurvePointsDrawn = 100;
// Pixels further out than this are not drawn at all (a log's 1e30 would overflow the integers).
constexpr double kFarPixel = 30000;
// Angles and headings beyond this are no reading at all.
constexpr double kWildAngle = 1e6;

bool Sane(double v) {
  return std::fabs(v) < kWildAngle;  // false for NaN too
}

void AddLabel(vcl::TWinControl* parent, rtl::TComponent* owner, const std::string& name,
              const std::string& text, int left, int top) {
  vcl::NewChild<vcl::TLabel>(owner, parent, name, left, top, 90, 16)->SetCaption(text);
}

vcl::TBitBtn* AddButton(vcl::TWinControl* parent, rtl::TComponent* owner, const std::string& name,
                        const std::string& caption, int left, int top) {
  auto* b = vcl::NewChild<vcl::TBitBtn>(owner, parent, name, left, top, 104, 28);
  b->SetCaption(caption);
  return b;
}

// A log's file name as a quoted table name of the query: a '"' inside is doubled.
std::string QuotedTableName(const std::string& name) {
  std::string q = "\"";
  for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

}  // namespace

void TPolardata::BuildPlotControls() {
  GroupBox3 = vcl::NewChild<vcl::TGroupBox>(this, this, "GroupBox3", 272, 280, 352, 140);
  GroupBox3->SetCaption("Recorded Polar Plot");
  AddLabel(GroupBox3, this, "Label6", "Upper limit", 12, 28);
  Edit4 = vcl::NewChild<vcl::TEdit>(this, GroupBox3, "Edit4", 104, 24, 60, 22);
  Edit4->SetText("20");
  AddLabel(GroupBox3, this, "Label7", "Knots", 172, 28);
  AddLabel(GroupBox3, this, "Label8", "Lower limit", 12, 56);
  Edit5 = vcl::NewChild<vcl::TEdit>(this, GroupBox3, "Edit5", 104, 52, 60, 22);
  Edit5->SetText("0");
  AddLabel(GroupBox3, this, "Label9", "Knots", 172, 56);
  BitBtn3 = AddButton(GroupBox3, this, "BitBtn3", "Select Logfile", 12, 92);
  BitBtn4 = AddButton(GroupBox3, this, "BitBtn4", "Plot Polar", 124, 92);
  BitBtn4->SetEnabled(false);
  BitBtn5 = AddButton(GroupBox3, this, "BitBtn5", "Automatic", 236, 92);
  BitBtn5->SetEnabled(false);
  BitBtn2 = AddButton(this, this, "BitBtn2", "Clear", 272, 432);

  GroupBox4 = vcl::NewChild<vcl::TGroupBox>(this, this, "GroupBox4", 632, 8, 466, 478);
  GroupBox4->SetCaption("Graph");
  Image1 = vcl::NewChild<vcl::TImage>(this, GroupBox4, "Image1", 8, 20, 450, 450);
  fCentreX = Image1->Width() / 2;
  fCentreY = Image1->Height() / 2;

  OpenDialog1 = vcl::NewChild<vcl::TOpenDialog>(this, nullptr, "OpenDialog1");
  OpenDialog1->SetFilter("Log Files|*.lg");
  Timer1 = vcl::NewChild<vcl::TTimer>(this, nullptr, "Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(60000);
  Query7 = vcl::NewChild<db::TQuery>(this, nullptr, "Query7");
  Query7->SQL()->Add("select twa,tws,speedog,speed,heading,geowindangle from");
  Query7->SQL()->Add(":file");
  Query7->SQL()->Add("where (tws>:lowerlimit) and (tws<:upperlimit)");

  ComboBox1->OnChange = rtl::MakeEvent(this, &TPolardata::ComboBox1Change);
  DBLookupComboBox1->OnClick = rtl::MakeEvent(this, &TPolardata::Button2Click);
  BitBtn2->OnClick = rtl::MakeEvent(this, &TPolardata::BitBtn2Click);
  BitBtn3->OnClick = rtl::MakeEvent(this, &TPolardata::BitBtn3Click);
  BitBtn4->OnClick = rtl::MakeEvent(this, &TPolardata::BitBtn4Click);
  BitBtn5->OnClick = rtl::MakeEvent(this, &TPolardata::BitBtn5Click);
  Timer1->OnTimer = rtl::MakeEvent(this, &TPolardata::Timer1Timer);
}

vcl::TCanvas& TPolardata::PlotCanvas() {
  // Made at the first drawing: the picture's bitmap needs the window system, the form not.
  if (fCanvas == nullptr) {
    fCanvas = Image1->Canvas();
    fCanvas->Brush()->SetColor(vcl::clBlack);
    fCanvas->Font()->SetColor(vcl::clGray);
    FillPicture();
  }
  return *fCanvas;
}

void TPolardata::FillPicture() {
  vcl::TCanvas& c = PlotCanvas();
  c.Brush()->SetStyle(vcl::bsSolid);
  c.FillRect(vcl::TRect{0, 0, Image1->Width(), Image1->Height()});
}

double TPolardata::PixelsPerKnot() const {
  return static_cast<double>(fCentreX / kRings) / static_cast<double>(fScale / kRings);
}

std::optional<vcl::TPoint> TPolardata::PlotPoint(double a, double s, bool port) const {
  const double p = PixelsPerKnot();
  const double r = a * rtl::Pi / 180;
  const double x = std::sin(r) * s * p;
  const double y = std::cos(r) * s * p;
  if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > kFarPixel ||
      std::fabs(y) > kFarPixel)
    return std::nullopt;
  const int px = static_cast<int>(rtl::Round(x));
  const int py = static_cast<int>(rtl::Round(y));
  return vcl::TPoint{port ? fCentreX - px : fCentreX + px, fCentreY - py};
}

void TPolardata::DrawBackground() {
  const int cx = fCentreX, cy = fCentreY;
  const int dx = cx / kRings, dy = cy / kRings;
  vcl::TCanvas& c = PlotCanvas();
  c.Brush()->SetColor(vcl::clBlack);
  c.Brush()->SetStyle(vcl::bsClear);
  c.Pen()->SetStyle(vcl::psSolid);
  c.Pen()->SetColor(vcl::clGray);
  c.Pen()->SetWidth(1);
  c.MoveTo(0, cy);
  c.LineTo(2 * cx, cy);
  c.MoveTo(cx, 0);
  c.LineTo(cx, 2 * cy);
  c.Pen()->SetStyle(vcl::psDot);
  for (int i = 0; i < kRings; ++i) {
    c.Ellipse(i * dx + 4, i * dy, cx + (kRings - i) * dx, cy + (kRings - i) * dy);
    c.TextOut(cx + i * dx, cy, rtl::IntToStr(i * (fScale / kRings)));
  }
  const int w = Image1->Width(), h = Image1->Height();
  const int lines[6][4] = {{0, 0, w, h},     {w, 0, 0, h},     {135, 0, 318, h},
                           {318, 0, 135, h}, {0, 318, w, 132}, {0, 132, w, 318}};
  for (const auto& l : lines) {
    c.MoveTo(l[0], l[1]);
    c.LineTo(l[2], l[3]);
  }
}

void TPolardata::BitBtn2Click(rtl::TObject*) {
  FillPicture();
  DrawBackground();
  Image1->Invalidate();
}

void TPolardata::ComboBox1Change(rtl::TObject* Sender) {
  const std::string text = rtl::Trim(ComboBox1->Text());
  // A scale being typed ("", "1", "2", "3") changes nothing yet.
  if (text.size() < 2 && (text.empty() || (text[0] >= '1' && text[0] <= '3'))) return;
  if (text != "10" && text != "20" && text != "30") {
    vcl::ShowMessageBox("The scale is 10, 20 or 30 knots", "Message", vcl::MB_OK);
    ComboBox1->SetText(rtl::IntToStr(fScale));
    return;
  }
  fScale = rtl::StrToInt(text);
  BitBtn2Click(Sender);
}

void TPolardata::Button2Click(rtl::TObject*) {
  const db::Value& key = DBLookupComboBox1->KeyValue();
  int tws = 0;
  if (const auto* i = std::get_if<int64_t>(&key)) {
    tws = static_cast<int>(*i);
  } else if (const auto* d = std::get_if<double>(&key); d != nullptr && std::isfinite(*d)) {
    tws = static_cast<int>(rtl::Round(*d));
  } else {
    return;  // nothing chosen
  }
  const std::vector<TPolarPoint> control = ReadColumn(tws);
  if (control.empty()) return;
  std::vector<TPolarPoint> curve(kCurvePointsDrawn);
  BSplineCurve(control.data(), static_cast<int>(control.size()) - 1, 2, curve.data(),
               kCurvePointsDrawn);

  vcl::TCanvas& c = PlotCanvas();
  c.Pen()->SetWidth(1);
  c.Pen()->SetStyle(vcl::psSolid);
  c.Pen()->SetColor(vcl::clBlue);
  for (bool port : {false, true}) {
    if (!port) c.MoveTo(fCentreX, fCentreY);
    double previous = 0;
    bool first = true;
    for (const TPolarPoint& pt : curve) {
      if (!(pt.x <= 180 && pt.x >= -1 && pt.y <= 100 && pt.y >= -1) || pt.x < previous) break;
      previous = pt.x;
      const auto p = PlotPoint(pt.x, pt.y, port);
      if (!p) break;
      if (port && first)
        c.MoveTo(p->x, p->y);
      else
        c.LineTo(p->x, p->y);
      first = false;
    }
  }
  // Drawing into the picture's bitmap does not reach the screen by itself.
  Image1->Invalidate();
}

void TPolardata::BitBtn3Click(rtl::TObject*) {
  if (!OpenDialog1->Execute()) return;
  Query7->Close();
  Query7->SQL()->Put(1, QuotedTableName(OpenDialog1->FileName()));
  BitBtn4->SetEnabled(true);
  BitBtn5->SetEnabled(true);
}

void TPolardata::BitBtn4Click(rtl::TObject*) {
  // The limits first: one that is not a number leaves the picture as it was.
  const double upper = static_cast<double>(rtl::StrToFloat(Edit4->Text()));
  const double lower = static_cast<double>(rtl::StrToFloat(Edit5->Text()));
  fMarkerSize = 1;
  FillPicture();
  FormCreate(this);
  Query7->Close();
  Query7->ParamByName("upperlimit")->SetAsFloat(upper);
  Query7->ParamByName("lowerlimit")->SetAsFloat(lower);
  Query7->Open();
  vcl::TCanvas& c = PlotCanvas();
  c.Pen()->SetStyle(vcl::psSolid);
  c.Pen()->SetColor(vcl::clRed);
  c.Pen()->SetWidth(fMarkerSize);
  for (Query7->First(); !Query7->Eof(); Query7->Next()) {
    const double twa = Query7->FieldByName("twa")->AsFloat();
    const double speed = Query7->FieldByName(fSpeedSource == 1 ? "speed" : "speedog")->AsFloat();
    const double heading = Query7->FieldByName("heading")->AsFloat();
    const double wind = Query7->FieldByName("geowindangle")->AsFloat();
    if (!Sane(twa) || !Sane(heading) || !Sane(wind)) continue;
    double d = heading - wind;
    if (d < 0) d += 360;
    const auto p = PlotPoint(twa, speed, !(d <= 180));
    if (!p) continue;
    c.MoveTo(p->x, p->y);
    c.LineTo(p->x + 1, p->y + 1);
    c.LineTo(p->x + 1, p->y - 1);
  }
  Image1->Invalidate();
}

void TPolardata::BitBtn5Click(rtl::TObject*) {
  if (Timer1->Enabled()) {
    BitBtn5->SetCaption("Automatic");
    Timer1->SetEnabled(false);
  } else {
    Timer1->SetEnabled(true);
    BitBtn5->SetCaption("Stop");
  }
}

void TPolardata::Timer1Timer(rtl::TObject* Sender) {
  try {
    BitBtn4Click(Sender);
  } catch (const std::exception& e) {
    // What failed now fails again in a minute: told once, and the replot stops.
    BitBtn5Click(Sender);
    vcl::ShowMessageBox(std::string("The automatic plot has stopped: ") + e.what(), "Error",
                        vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
  }
}
