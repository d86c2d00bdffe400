// The sailing overlays on the main window's map: built at the delayed start-up, filled by every
// display refresh (boat, lines, track, range circle, symbols), and the waypoints of the table.
#include "app/mapoverlays.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <string>

#include "app/mainform.h"
#include "map/earthlayer.h"
#include "map/earthmap.h"
#include "map/earthutils.h"

namespace {

constexpr const char* kSymbolFont = "Plevoran";
// Half the globe's circumference: no line, circle or arrow distance is longer.
constexpr double kLongestNm = 180.0 * 60.0;
// The wind arrow stands this many pixels upwind of the boat, the current arrow half as far.
constexpr double kArrowPixels = 45.0;

// A degree value as a finite number in [0, 360).
double Compass(double degrees) {
  if (!std::isfinite(degrees)) return 0;
  const double d = std::fmod(degrees, 360.0);
  return d < 0 ? d + 360.0 : d;
}

// Tenths of a degree in [0, 3600) for a font's rotation.
std::int32_t Tenths(double degrees) {
  return static_cast<std::int32_t>(std::trunc(Compass(degrees) * 10)) % 3600;
}

// A symbol size in pixels, truncated; NaN as the smallest.
std::int32_t SymbolSize(double pixels) {
  if (std::isnan(pixels)) return 1;
  return static_cast<std::int32_t>(std::trunc(std::clamp(pixels, 1.0, 1000.0)));
}

// The point nm nautical miles from `from` along the compass bearing. The engine measures its
// angles counter-clockwise from north, so a compass bearing b is the map angle 360 - b.
TPointLL Along(const TPointLL& from, double bearing, double nm) {
  if (!std::isfinite(nm)) nm = 0;
  nm = std::clamp(nm, 0.0, kLongestNm);
  return AngleDistToGCPoint(from,
                            EarthUnitsFrom(Compass(360.0 - Compass(bearing)), TEarthUnitTypes::Degree),
                            EarthUnitsFrom(nm, TEarthUnitTypes::NauticalMile));
}

TPointStore& Chain(TGeoDataObject* o) {
  return *o->Chains().GetChain(0);
}

// Redrawn even where it stands: its presenter may have turned or grown it.
void SetPoint(TGeoDataObject* o, const TPointLL& p) {
  TPointStore& s = Chain(o);
  s.SetCount(0);
  s.Add(p);
  o->SetHidden(false);
  o->RedrawObject();
}

void SetLine(TGeoDataObject* o, const TPointLL& a, const TPointLL& b) {
  TPointStore& s = Chain(o);
  s.SetCount(0);
  s.Add(a);
  s.Add(b);
  o->RedrawObject();
}

void Empty(TGeoDataObject* o) {
  if (Chain(o).GetCount() == 0) return;
  Chain(o).SetCount(0);
  o->RedrawObject();
}

// The live track is kept in pieces of an hour, each starting where the one before ended: a store
// forgets the globe positions it worked out for drawing when it changes, and a day's track worked
// out again every second would take longer than the second.
constexpr std::int32_t kTrackPiece = 3600;

void AppendTrack(TGeoDataObject* track, const TPointLL& p) {
  TChainStore& chains = track->Chains();
  TPointStore* last = chains.GetChain(std::max(chains.GetCount() - 1, 0));
  if (last->GetCount() >= kTrackPiece) {
    auto next = std::make_unique<TPointStore>();
    next->Add(last->GetLL(last->GetCount() - 1));
    last = next.get();
    chains.Add(std::move(next));
  }
  last->Add(p);
  // Redrawn with a new extent, the earlier pieces left as they are.
  track->State.Exclude(osValidMER);
  track->TEarthObject::RedrawObject();
}

// A point object shows at its centroid when its chain is empty: it is hidden instead.
void HideObject(TGeoDataObject* o) {
  o->SetHidden(true);
}

}  // namespace

TPointPresenter* TMapOverlay::Presenter(std::int32_t id) const {
  return Layer ? dynamic_cast<TPointPresenter*>(Layer->Presenters()->ByID(id, false)) : nullptr;
}

TPolylinePresenter* TMapOverlay::LinePresenter(std::int32_t id) const {
  return Layer ? dynamic_cast<TPolylinePresenter*>(Layer->Presenters()->ByID(id, false)) : nullptr;
}

std::int32_t RangeCircleDiameter(double sog, std::int32_t minutes) {
  // In floating point: twice the distance sailed in the minutes, kept to half the globe.
  double nm = sog * std::max(minutes, 1) / 30.0;
  if (!std::isfinite(nm) || nm < 0) nm = std::isinf(nm) && nm > 0 ? kLongestNm : 0;
  return EarthUnitsFrom(std::min(nm, kLongestNm), TEarthUnitTypes::NauticalMile);
}

std::int32_t NextSpinLongitude(std::int32_t degrees) {
  std::int32_t next = degrees % 360 + 5;
  if (next > 180) next -= 360;
  if (next < -180) next += 360;
  return next;
}

void TForm1::BuildMapOverlays() {
  TMapOverlay& o = fOverlay;
  if (o.Built()) return;
  auto* layer = new TEarthLayer(EarthMap1);  // joins the map's layer store, which owns it
  layer->SetLayerName("Overlays");
  // Drawn over the map's kept picture at every change: a live second draws the overlays alone.
  layer->SetLayerBoolean(TEarthLayer::lbAnimated, true);
  o.Layer = layer;
  TEarthPresenterStore* store = layer->Presenters();

  auto point = [&](std::int32_t id, std::int16_t symbol, gdi::TColor colour, std::int32_t size) {
    auto p = std::make_unique<TPointPresenter>(EarthMap1, id);
    if (symbol != 0) {
      p->PointType = ppFontSymbol;
      p->SymbolIndex = symbol;
      p->PointFont()->Define(kSymbolFont, colour, size, TEarthUnitTypes::Pixel, 0, {});
    }
    std::unique_ptr<TEarthPresenter> owned = std::move(p);
    store->Add(owned);
  };
  auto line = [&](std::int32_t id, gdi::TColor colour, std::int32_t width, TEarthPenStyle style) {
    auto p = std::make_unique<TPolylinePresenter>(EarthMap1, id);
    p->PolyPen()->Define(colour, style, width, TEarthUnitTypes::Pixel);
    std::unique_ptr<TEarthPresenter> owned = std::move(p);
    store->Add(owned);
  };
  point(opBoat, kBoatSymbol, gdi::clBlack, 40);
  point(opSpare, 0, gdi::clBlack, 0);
  line(opStarboardLayline, gdi::clLime, 2, psDot);
  line(opPortLayline, gdi::clRed, 2, psSolid);
  line(opHeadingLine, gdi::clBlue, 1, psSolid);
  {
    auto p = std::make_unique<TPointPresenter>(EarthMap1, opRangeCircle);
    p->PointType = ppCircle;
    p->SetPointUnit(TEarthUnitTypes::EarthUnit);
    p->SetPointSize(0);
    p->PointPen()->Define(gdi::clBlack, psSolid, 2, TEarthUnitTypes::Pixel);
    p->PointBrush()->Define(gdi::clBlack, bsClear);
    std::unique_ptr<TEarthPresenter> owned = std::move(p);
    store->Add(owned);
  }
  line(opTrack, gdi::clTeal, 1, psSolid);
  point(opMarker, kWaypointSymbol, gdi::clRed, 80);
  line(opWaypointLayline1, gdi::clRed, 1, psDash);
  line(opWaypointLayline2, gdi::clLime, 1, psDash);
  point(opWaypoints, kWaypointSymbol, gdi::clBlack, 40);
  point(opWindArrow, kWindSymbol, gdi::clTeal, 10);
  point(opCurrentArrow, kCurrentSymbol, gdi::clRed, 20);
  line(opCogVector, gdi::clBlack, 2, psSolid);

  TEarthObjectSource* source = layer->GetObjects();
  auto object = [&](std::int32_t presenter, const char* title) {
    auto* g = new TGeoDataObject(source);  // the source owns it
    g->Title = title;
    g->SetPresenterID(presenter);
    g->Chains().GetChain(0);
    return g;
  };
  o.Boat = object(opBoat, "Boat");
  o.RangeCircle = object(opRangeCircle, "Range circle");
  o.Marker = object(opMarker, "Active waypoint");
  o.Waypoints = object(opWaypoints, "Waypoints");
  o.WindArrow = object(opWindArrow, "True wind");
  o.CurrentArrow = object(opCurrentArrow, "Current");
  o.StarboardLayline = object(opStarboardLayline, "Starboard layline");
  o.PortLayline = object(opPortLayline, "Port layline");
  o.HeadingLine = object(opHeadingLine, "Heading");
  o.Track = object(opTrack, "Track");
  o.WaypointLayline1 = object(opWaypointLayline1, "Waypoint layline 1");
  o.WaypointLayline2 = object(opWaypointLayline2, "Waypoint layline 2");
  o.CogVector = object(opCogVector, "COG vector");
  // Until the table gives waypoints there are none (an empty point object shows at 0,0).
  HideObject(o.Waypoints);
}

void TForm1::ResetOverlayStores() {
  TMapOverlay& o = fOverlay;
  if (!o.Built()) return;
  for (TGeoDataObject* g : {o.Boat, o.RangeCircle, o.Marker, o.WindArrow, o.CurrentArrow}) {
    g->Chains().SetCount(0);
    g->Chains().Add(std::make_unique<TPointStore>());
    HideObject(g);
  }
  for (TGeoDataObject* g : {o.StarboardLayline, o.PortLayline, o.HeadingLine, o.Track,
                            o.WaypointLayline1, o.WaypointLayline2, o.CogVector}) {
    g->Chains().SetCount(0);
    g->Chains().Add(std::make_unique<TPointStore>());
    g->RedrawObject();
  }
}

bool TForm1::LoadWaypoints() {
  auto store = std::make_unique<TPointStore>();
  try {
    Table2->Open();
    Table2->First();
    while (!Table2->Eof()) {
      db::TField* lon = Table2->FieldByName("LON");
      db::TField* lat = Table2->FieldByName("LAT");
      // A waypoint posted without its position has no place on the map (0,0 is off Africa).
      if (!lon->IsNull() && !lat->IsNull())
        store->Add(DecimalToPointLL(lon->AsFloat(), lat->AsFloat()));
      Table2->Next();
    }
    Table2->Close();
  } catch (const std::exception&) {
    Table2->Close();
    ShowBox("No waypoint file loaded", "Message", vcl::MB_OK);
    return false;
  }
  if (!fOverlay.Built()) return true;
  // The table's waypoints replace those shown: deleted ones go, none is doubled.
  TGeoDataObject* w = fOverlay.Waypoints;
  w->Chains().SetCount(0);
  w->Chains().Add(std::move(store));
  w->SetPresenterID(opWaypoints);
  w->SetHidden(w->Chains().GetChain(0)->GetCount() == 0);
  w->RedrawObject();
  return true;
}

void TForm1::ShowReplayTrack() {
  if (!fOverlay.Built() || !fTrack) return;
  TGeoDataObject* t = fOverlay.Track;
  auto copy = std::make_unique<TPointStore>();
  copy->SetCount(fTrack->GetCount());
  for (std::int32_t i = 0; i < fTrack->GetCount(); ++i) copy->PutLL(i, fTrack->GetLL(i));
  t->Chains().SetCount(0);
  t->Chains().Add(std::move(copy));
  t->RedrawObject();
  fOverlay.LinePresenter(opTrack)->PolyPen()->Define(gdi::clTeal, psDot, 2, TEarthUnitTypes::Pixel);
}

void TForm1::ShowLiveTrack() {
  fTrack.reset();
  if (!fOverlay.Built()) return;
  TGeoDataObject* t = fOverlay.Track;
  t->Chains().SetCount(0);
  t->Chains().Add(std::make_unique<TPointStore>());
  t->RedrawObject();
  fOverlay.LinePresenter(opTrack)->PolyPen()->Define(gdi::clTeal, psSolid, 1,
                                                     TEarthUnitTypes::Pixel);
}

void TForm1::RefreshMap() {
  TMapOverlay& o = fOverlay;
  if (!o.Built()) return;
  const TPointLL& b = fBoatPosition;
  const double a = fTargetAngle;
  const double twd = fGeoWindAngle;
  const double laylines = fRangeLaylines;

  // Laylines through the active waypoint, the way the boat comes to it; without a wind direction
  // there are none.
  const bool windKnown = std::isfinite(twd);
  if (fWaypointActive) {
    SetPoint(o.Marker, fWaypointPosition);
  } else {
    HideObject(o.Marker);
  }
  if (fWaypointActive && windKnown) {
    const TPointLL& w = fWaypointPosition;
    SetLine(o.WaypointLayline1, w, Along(w, twd + a + 180, laylines));
    SetLine(o.WaypointLayline2, w, Along(w, twd - a + 180, laylines));
  } else {
    Empty(o.WaypointLayline1);
    Empty(o.WaypointLayline2);
  }

  // Before the first position there is no boat, nor anything drawn from it, and the map stays.
  if (!fPositionKnown) {
    for (TGeoDataObject* g : {o.Boat, o.RangeCircle, o.WindArrow, o.CurrentArrow}) HideObject(g);
    for (TGeoDataObject* g : {o.StarboardLayline, o.HeadingLine, o.CogVector, o.PortLayline})
      Empty(g);
    return;
  }

  // The map follows the boat.
  EarthMap1->LocateToLL(b.iLongX, b.iLatY);
  SetPoint(o.Boat, b);

  const auto layline = [&](TGeoDataObject* line, double bearing) {
    if (windKnown) {
      SetLine(line, b, Along(b, bearing, laylines));
    } else {
      Empty(line);
    }
  };
  layline(o.StarboardLayline, twd + a);
  // A heading or a ground track nobody gives is drawn neither.
  if (std::isfinite(fHeading)) {
    SetLine(o.HeadingLine, b, Along(b, fHeading, laylines));
  } else {
    Empty(o.HeadingLine);
  }
  const bool groundTrack = std::isfinite(fCourseOverGround) && std::isfinite(fSpeedOverGround);
  if (groundTrack) {
    SetLine(o.CogVector, b, Along(b, fCourseOverGround, fSpeedOverGround / 6.0));
  } else {
    Empty(o.CogVector);
  }
  layline(o.PortLayline, twd - a);

  // The live track grows a point a second; a replay shows the recording's whole track.
  if (fReplayMode == 0) AppendTrack(o.Track, b);

  if (fRangeCircle < 1) fRangeCircle = 1;
  if (TPointPresenter* circle = o.Presenter(opRangeCircle)) {
    circle->SetPointUnit(TEarthUnitTypes::EarthUnit);
    circle->SetPointSize(RangeCircleDiameter(fSpeedOverGround, fRangeCircle));
  }
  if (std::isfinite(fSpeedOverGround)) {
    SetPoint(o.RangeCircle, b);
  } else {
    HideObject(o.RangeCircle);
  }

  // Without a heading the boat keeps the way it was drawn.
  TPointPresenter* boat = o.Presenter(opBoat);
  if (boat != nullptr && std::isfinite(fHeading))
    boat->PointFont()->SetFontAngle(Tenths(360.0 - fHeading));

  // The arrows stand a fixed number of pixels from the boat, whatever the scale.
  const double sf = static_cast<double>(EarthMap1->Projection()->ScaleFactor());
  const double pixelNm = sf > 0 ? 1.0 / (sf * EarthUnitsFrom(1, TEarthUnitTypes::NauticalMile)) : 0;
  if (windKnown && std::isfinite(fTrueWindSpeed)) {
    if (TPointPresenter* wind = o.Presenter(opWindArrow)) {
      wind->PointFont()->SetFontSize(SymbolSize(fTrueWindSpeed * 2.0 + 10));
      wind->PointFont()->SetFontAngle(Tenths(270.0 - twd));
    }
    SetPoint(o.WindArrow, Along(b, twd, kArrowPixels * pixelNm));
  } else {
    HideObject(o.WindArrow);
  }
  if (fCurrentDrift >= 0.2f) {
    if (TPointPresenter* current = o.Presenter(opCurrentArrow)) {
      current->PointFont()->SetFontSize(SymbolSize(fCurrentDrift * 5.0 + 20));
      current->PointFont()->SetFontAngle(Tenths(270.0 - fCurrentSet));
    }
    SetPoint(o.CurrentArrow, Along(b, fCurrentSet, kArrowPixels / 2 * pixelNm));
  } else {
    HideObject(o.CurrentArrow);
  }
}
