// The map commands of the main window: zoom, spin, the mouse over the map, picking the active
// waypoint, reloading the waypoints and the chart bitmap.
#include <exception>

#include "app/mainform.h"
#include "app/mapoverlays.h"
#include "app/wpdbform1.h"
#include "map/earthlayer.h"
#include "map/earthmap.h"
#include "platform/vcl/dialogs.h"

namespace {

// The chart image and the rectangle it covers, degrees.
constexpr const char* kChartFile = "wad.bmp";
constexpr int kChartWidth = 2222, kChartHeight = 3164;
constexpr double kChartWest = 5.15, kChartEast = 5.36, kChartSouth = 53.16, kChartNorth = 53.36;

std::int32_t Degrees(double d) {
  return EarthUnitsFrom(d, TEarthUnitTypes::Degree);
}

}  // namespace

void TForm1::SpeedButton1Click(rtl::TObject*) {
  TEarthProjection* p = EarthMap1->Projection();
  p->SetScaleFactor(p->ScaleFactor() * 0.75);
}

void TForm1::SpeedButton2Click(rtl::TObject*) {
  TEarthProjection* p = EarthMap1->Projection();
  p->SetScaleFactor(p->ScaleFactor() * 1.25);
}

void TForm1::SpeedButton12Click(rtl::TObject*) {
  if (!Timer8->Enabled()) {
    // What ran before the spin runs again after it.
    fTimersBeforeSpin.clear();
    for (vcl::TTimer* t : {Timer1, Timer2, Timer3, Timer4, Timer6}) {
      if (t->Enabled()) fTimersBeforeSpin.push_back(t);
      t->SetEnabled(false);
    }
    EarthMap1->Projection()->SetScaleFactor(0.0);
    EarthMap1->LocateToLL(0, 0);
    fSpinLongitude = 0;
    Timer8->SetEnabled(true);
    return;
  }
  Timer8->SetEnabled(false);
  // A recording opened or left during the spin decided the timers anew: the live ticks run only
  // live (in a replay they would overwrite the replayed values, push some of the history rings
  // out of step and write the text log), the replay steps only while a play button is down.
  const bool live = fReplayMode == 0;
  for (vcl::TTimer* t : fTimersBeforeSpin) {
    if ((t == Timer1 || t == Timer3 || t == Timer4) && !live) continue;
    if (t == Timer6 && (live || !(SpeedButton67->Down() || SpeedButton80->Down()))) continue;
    t->SetEnabled(true);
  }
  fTimersBeforeSpin.clear();
}

void TForm1::Timer8Timer(rtl::TObject*) {
  fSpinLongitude = NextSpinLongitude(fSpinLongitude);
  EarthMap1->LocateToLL(Degrees(fSpinLongitude), Degrees(20));
}

void TForm1::EarthMap1MouseMove(rtl::TObject*, vcl::TShiftState, int X, int Y) {
  fMouseX = X;
  fMouseY = Y;
}

void TForm1::EarthMap1MouseDown(rtl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) {
  EarthMap1->SetCursor(vcl::crHandPoint);
}

void TForm1::EarthMap1MouseUp(rtl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) {
  EarthMap1->SetCursor(vcl::crDefault);
}

void TForm1::EarthMap1Click(rtl::TObject*) {
  if (!Timer2->Enabled()) return;
  TPointLL at;
  // Off the globe there is no position: nothing is picked.
  if (!EarthMap1->Projection()->DeviceXYToLL(fMouseX, fMouseY, at)) return;
  fWaypointActive = true;
  fWaypointPosition = PointLL(at.iLongX, at.iLatY);
  if (fOverlay.Built()) {
    TGeoDataObject* m = fOverlay.Marker;
    TPointStore& s = *m->Chains().GetChain(0);
    s.SetCount(0);
    s.Add(fWaypointPosition);
    m->SetPresenterID(opMarker);
    m->SetHidden(false);
    m->RedrawObject();
  }
}

void TForm1::WPdatabaseButtonClick(rtl::TObject*) {
  try {
    Table2->Open();
  } catch (const std::exception&) {
    Table2->Close();
    ShowBox("No waypoint file loaded", "Message", vcl::MB_OK);
    return;
  }
  if (WPDBForm != nullptr) {
    vcl::TDialogRequest request;
    request.Kind = "Form";
    request.Caption = WPDBForm->Caption();
    vcl::RunDialog(WPDBForm, request);
  }
  Table2->Close();
  LoadWaypoints();
}

void TForm1::WPdatabaseButtonDblClick(rtl::TObject*) {
  // One chart: a second double-click shows the same one.
  if (fChartBitmap != nullptr || !fOverlay.Built()) return;
  // A layer of its own under the overlays: the boat and its lines are drawn over the chart, and
  // the chart is drawn with the map's picture, not again at every second of the overlays.
  auto* layer = new TEarthLayer(EarthMap1);  // joins the map's layer store, which owns it
  layer->SetLayerName("Chart");
  layer->SetIndex(fOverlay.Layer->GetIndex());
  auto* chart = new TBitmapObject(layer->GetObjects());  // the layer's source owns it
  fChartBitmap = chart;
  chart->SetGUPerPixel(1, (Degrees(kChartEast) - Degrees(kChartWest)) / kChartWidth);
  chart->SetGUPerPixel(2, (Degrees(kChartNorth) - Degrees(kChartSouth)) / kChartHeight);
  chart->SetCentroid(PointLL(Degrees(kChartWest), Degrees(kChartNorth)));
  // A missing image leaves the object empty: nothing is drawn.
  chart->SetBMPfilename(kChartFile);
}

void TForm1::SpeedButton10Click(rtl::TObject*) {
  new TEarthLayer(EarthMap1);  // joins the map's layer store, which owns it
}
