// The projection object: its setters, conversions, XML form and resizing.
#include "map/earthprojection.h"

#include <algorithm>
#include <cmath>

#include "map/earthcanvas.h"
#include "map/earthcustommap.h"
#include "map/earthsettings.h"
#include "platform/rtl/sysutils.h"

TEarthPointBuffer gaPoints;
TEarthPointBuffer gaClipPoints;

namespace {

// 1 / tan(50 degrees): altitude times scale factor.
Extended Tan50() {
  return std::tan(50 * rtl::Pi / 180);
}

// A position that is on no map.
constexpr TPointLL kOffMap{GU_180DEGREE, GU_180DEGREE, 0};

}  // namespace

std::unique_ptr<TEarthXML_Element> TCustomProjectionModel::SaveEnvironment() const {
  auto e = std::make_unique<TEarthXML_Element>();
  e->AddAttribute("Class", ClassName());
  return e;
}

TEarthProjection::TEarthProjection(TCustomEarthMap* globe) : globe_(globe) {
  if (!globe_) throw EEarthException("TEarthProjection.Create passed nil parent");
  RegisterProjectionModels();
  model_.reset(rtl::FindClass("TSphericalPrj")->Create<TCustomProjectionModel>(this));
  const TMER e = model_->ExtentsLL();
  const Extended w = CanvasWidth(), h = CanvasHeight();
  // The extents are stored as (left, top, right, bottom) in the MER's four fields.
  const Extended sx = w / std::fabs(Extended(e.iWidthX) - e.iLongX);
  const Extended sy = h / std::fabs(Extended(e.iHeightY) - e.iLatY);
  scaleFactor_ = std::max(std::min({sx, sy, MaxScaleFactor}), 1e-10L);
  xOrigin_ = CanvasWidth() / 2;
  yOrigin_ = CanvasHeight() / 2;
  altitude_ = SaturateToInt32(1 / (Tan50() * scaleFactor_));
  for (int p = 0; p < ProjectionPropertyCount; ++p)
    model_->PropertyChanged(static_cast<TProjectionProperty>(p));
}

TEarthProjection::~TEarthProjection() = default;

int32_t TEarthProjection::ClientWidth() const {
  const TEarthDeviceRect r = globe_->MapClientRect();
  return r.Right - r.Left;
}
int32_t TEarthProjection::ClientHeight() const {
  const TEarthDeviceRect r = globe_->MapClientRect();
  return r.Bottom - r.Top;
}

int32_t TEarthProjection::CanvasWidth() const {
  return globe_->EarthCanvas() ? globe_->EarthCanvas()->Width() : 150;
}
int32_t TEarthProjection::CanvasHeight() const {
  return globe_->EarthCanvas() ? globe_->EarthCanvas()->Height() : 150;
}

void TEarthProjection::Changed() {
  globe_->UpdateScrollBars();
  globe_->RedrawLayers();
}

int32_t TEarthProjection::CentralMeridianUnits() const {
  return Mod180(SaturateToInt32(std::fmod(CentralMeridian, 360.0L) * GU_DEGREE));
}

int32_t TEarthProjection::HeldOrigin(Extended v, int32_t size, Extended scale) {
  const Extended middle = size / 2, reach = Extended(GU_360DEGREE) * scale;
  if (!std::isfinite(v)) v = middle;
  return SaturateToInt32(std::nearbyint(std::clamp(v, middle - reach, middle + reach)));
}

void TEarthProjection::SetIntegerProp(TProjectionProperty property, int32_t v) {
  int32_t* field = property == ppXOrigin ? &xOrigin_ : property == ppYOrigin ? &yOrigin_ : nullptr;
  if (!field) return;
  v = HeldOrigin(v, property == ppXOrigin ? CanvasWidth() : CanvasHeight(), scaleFactor_);
  if (*field == v) return;
  *field = v;
  centred_ = false;
  model_->PropertyChanged(property);
  globe_->RedrawLayers();
}

Extended* TEarthProjection::FloatField(TProjectionProperty property) {
  switch (property) {
    case ppXRotation:
      return &xRotation_;
    case ppYRotation:
      return &yRotation_;
    case ppZRotation:
      return &zRotation_;
    case ppCentralMeridian:
      return &CentralMeridian;
    case ppCentralParallel:
      return &CentralParallel;
    case ppFirstParallel:
      return &FirstParallel;
    case ppSecondParallel:
      return &SecondParallel;
    case ppMaxLatitude:
      return &MaxLatitude;
    case ppMinLatitude:
      return &MinLatitude;
    case ppMaxLongitude:
      return &MaxLongitude;
    case ppMinLongitude:
      return &MinLongitude;
    case ppMaxZoom:
      return &MaxZoom;
    case ppMinZoom:
      return &MinZoom;
    default:
      return nullptr;
  }
}

void TEarthProjection::SetFloatProp(TProjectionProperty property, Extended v) {
  // A value that is no number would poison every later conversion.
  if (!std::isfinite(v)) return;
  Extended* field = FloatField(property);
  if (field && *field == v) return;
  switch (property) {
    case ppYRotation:
      v = Mod180Float(v);
      break;
    case ppMaxLatitude:
      v = std::min<Extended>(v, 90);
      break;
    case ppMinLatitude:
      v = std::max<Extended>(v, -90);
      break;
    case ppMaxLongitude:
      v = std::min<Extended>(v, 180);
      break;
    case ppMinLongitude:
      v = std::max<Extended>(v, -180);
      break;
    case ppMaxZoom:
    case ppMinZoom:
      v = std::min(v, MaxScaleFactor);
      break;
    default:
      break;
  }
  if (field) *field = v;
  centred_ = false;
  model_->PropertyChanged(property);
  Changed();
}

void TEarthProjection::SetScaleFactor(Extended sf) {
  if (!std::isfinite(sf) || sf < 0 || std::fabs(sf - scaleFactor_) < 1e-10L) return;
  if (MinZoom < MaxZoom) sf = LimitFloat(sf, MinZoom, MaxZoom);
  const Extended w = CanvasWidth(), h = CanvasHeight();
  if (sf == 0) {
    SetIntegerProp(ppXOrigin, SaturateToInt32(w / 2));
    SetIntegerProp(ppYOrigin, SaturateToInt32(h / 2));
    const TMER e = model_->ExtentsLL();
    sf = std::min(w / std::fabs(Extended(e.iWidthX) - e.iLongX),
                  h / std::fabs(Extended(e.iHeightY) - e.iLatY));
  }
  // Whatever the limits, never closer than the largest scale.
  sf = std::min(sf, MaxScaleFactor);
  if (std::max(w, h) / sf > 2147483647.0L) sf = std::max(w, h) / 2147483647.0L;
  const Extended old = scaleFactor_;
  // The new scale first: the origins are held within reach of the world at that scale.
  scaleFactor_ = sf;
  if (sf != old) {
    SetIntegerProp(ppXOrigin, SaturateToInt32((xOrigin_ - w / 2) / old * sf + w / 2));
    SetIntegerProp(ppYOrigin, SaturateToInt32((yOrigin_ - h / 2) / old * sf + h / 2));
  }
  altitude_ = SaturateToInt32(1 / (Tan50() * sf));
  globe_->StoreViewRect({0, 0, SaturateToInt32(w / sf), SaturateToInt32(h / sf)});
  centred_ = false;
  model_->PropertyChanged(ppScaleFactor);
  globe_->RedrawLayers();
  if (globe_->OnZoomed && !globe_->Loading()) globe_->OnZoomed(globe_->AsObject());
}

void TEarthProjection::SetAltitude(int32_t a) {
  SetScaleFactor(a == 0 ? 0 : 1 / (Tan50() * a));
}

void TEarthProjection::SetProjectionModel(std::unique_ptr<TCustomProjectionModel> model) {
  bool remembered = false;
  TPointLL middle;
  if (model && model_ && model->ClassName() != model_->ClassName()) {
    remembered = model_->XYToLL(ClientWidth() / 2, ClientHeight() / 2, 0);
    if (remembered) middle = {gaPoints[0].X, gaPoints[0].Y, 0};
  }
  if (!model) model.reset(rtl::FindClass("TSphericalPrj")->Create<TCustomProjectionModel>(this));
  model_ = std::move(model);
  centred_ = false;
  for (int p = 0; p < ProjectionPropertyCount; ++p)
    model_->PropertyChanged(static_cast<TProjectionProperty>(p));
  if (remembered) {
    globe_->SetViewRect(globe_->ViewRect());
    SetEarthCenterXY({ClientWidth() / 2, ClientHeight() / 2});
    globe_->LocateToLL(middle.iLongX, middle.iLatY);
  }
  globe_->RedrawLayers();
}

std::string TEarthProjection::GetProjectionClass() const {
  return model_->ClassName();
}

void TEarthProjection::SetProjectionClass(const std::string& name) {
  if (rtl::SameText(name, model_->ClassName())) return;
  RegisterProjectionModels();
  rtl::TClass c = rtl::FindClass(name);
  if (!c->InheritsFrom<TCustomProjectionModel>())
    throw EEarthException("Class " + name + " does not inherit from TProjectionModel");
  SetProjectionModel(std::unique_ptr<TCustomProjectionModel>(
      c->Create<TCustomProjectionModel>(static_cast<TEarthProjection*>(this))));
  if (UseMinMaxLimits && rtl::SameText(name, "TCartesianPrj")) SetUseMinMaxLimits(false);
}

void TEarthProjection::SetUseMinMaxLimits(bool b) {
  UseMinMaxLimits = b;
  if (!b) return;
  SetYAxisChanges(yaXOrigin);
  SetXAxisChanges(xaYOrigin);
  SetFloatProp(ppCentralMeridian, 0);
  SetFloatProp(ppCentralParallel, 0);
  SetProjectionClass("TCartesianPrj");
}

void TEarthProjection::SetXAxisChanges(TXAxisChanges v) {
  if (v == XAxisChanges) return;
  XAxisChanges = v;
  model_->PropertyChanged(ppXAxisChanges);
}

void TEarthProjection::SetYAxisChanges(TYAxisChanges v) {
  if (v == YAxisChanges) return;
  YAxisChanges = v;
  model_->PropertyChanged(ppYAxisChanges);
}

void TEarthProjection::SetSpheroid(TSpheroid s) {
  if (s == Spheroid || static_cast<int>(s) >= SpheroidCount) return;
  Spheroid = s;
  model_->PropertyChanged(ppSpheroid);
  Changed();
}

void TEarthProjection::SetEarthCenterXY(const TEarthDevicePoint& p) {
  if (p.X != xOrigin_ || p.Y != yOrigin_) {
    SetIntegerProp(ppXOrigin, p.X);
    SetIntegerProp(ppYOrigin, p.Y);
    if (globe_->OnPanned && !globe_->Loading()) globe_->OnPanned(globe_->AsObject());
  }
  Changed();
}

void TEarthProjection::SetCenterLat(Extended lat) {
  SetIntegerProp(ppYOrigin, CanvasHeight() / 2);
  TPointLL p;
  DeviceXYToLL(xOrigin_, yOrigin_, p);
  SetFloatProp(ppXRotation, xRotation_ - (p.iLatY * GU_TODECIMALDEGREES - lat));
}

void TEarthProjection::SetCenterLong(Extended lon) {
  SetIntegerProp(ppXOrigin, CanvasWidth() / 2);
  TPointLL p;
  DeviceXYToLL(xOrigin_, yOrigin_, p);
  SetFloatProp(ppYRotation, yRotation_ - (p.iLongX * GU_TODECIMALDEGREES - lon));
}

void TEarthProjection::LocateCenter(Extended longitude, Extended latitude) {
  askedLong_ = longitude;
  askedLat_ = latitude;
  if (centred_) {
    // How far the picture would move at most: a turn of the globe by an angle moves no point
    // further than the radius times the angle, a flat map by the distance at its scale.
    const Extended dLong = std::fabs(Mod180Float(longitude - drawnLong_));
    const Extended stretch =
        std::max(model_->NorthStretch(latitude), model_->NorthStretch(drawnLat_));
    const Extended dLat = std::fabs(latitude - drawnLat_) * stretch;
    if ((dLong + dLat) * GU_DEGREE * scaleFactor_ < 0.5L) return;
  }
  SetCenterLong(longitude);
  SetCenterLat(latitude);
  drawnLong_ = longitude;
  drawnLat_ = latitude;
  centred_ = true;
}

Extended TEarthProjection::GetCenterLat() {
  TPointLL p;
  if (!DeviceXYToLL(CanvasWidth() / 2, CanvasHeight() / 2, p)) return 2147483647.0L;
  return p.iLatY * GU_TODECIMALDEGREES;
}

Extended TEarthProjection::GetCenterLong() {
  TPointLL p;
  if (!DeviceXYToLL(CanvasWidth() / 2, CanvasHeight() / 2, p)) return 2147483647.0L;
  return p.iLongX * GU_TODECIMALDEGREES;
}

bool TEarthProjection::DeviceXYToLL(int32_t x, int32_t y, TPointLL& point) {
  if (!model_->XYToLL(x, y, 0)) {
    point = kOffMap;
    return false;
  }
  point = {gaPoints[0].X, gaPoints[0].Y, 0};
  return true;
}

bool TEarthProjection::LLToDeviceXY(int32_t longitude, int32_t latitude, TEarthDevicePoint& point) {
  const bool visible = model_->LLToXY(longitude, latitude, 0);
  point = gaPoints[0];
  return visible;
}

bool TEarthProjection::PointLLToXY(const TPointLL& p, TEarthDevicePoint& point) {
  const bool visible = model_->PointLLToXY(p, 0);
  point = gaPoints[0];
  return visible;
}

int32_t TEarthProjection::GetUnitsPerInch() const {
  const int32_t ppi = globe_->EarthCanvas() ? globe_->EarthCanvas()->DevicePixelsPerInch() : 96;
  return SaturateToInt32(ppi / scaleFactor_);
}

void TEarthProjection::SetUnitsPerInch(int32_t u) {
  if (u <= 0) return;
  const int32_t ppi = globe_->EarthCanvas() ? globe_->EarthCanvas()->ScreenPixelsPerInch() : 96;
  SetScaleFactor(Extended(ppi) / u);
}

bool TEarthProjection::ResizeProjection(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  const int32_t oldW = std::max(CanvasWidth(), 1), oldH = std::max(CanvasHeight(), 1);
  TPointLL middle;
  const bool remembered = DeviceXYToLL(oldW / 2, oldH / 2, middle);
  const Extended ratio =
      std::hypot(Extended(width), Extended(height)) / std::hypot(Extended(oldW), Extended(oldH));
  // Kept wide: a window grown many times over takes the origin past 32 bits.
  const int64_t proportionalX = EarthMulDiv(xOrigin_, width, oldW),
                proportionalY = EarthMulDiv(yOrigin_, height, oldH);
  const TEarthOptionsSet options = globe_->EarthOptions();
  centred_ = false;
  if (!options.Contains(goConstantScaleOnResize)) {
    Extended scale = std::min(scaleFactor_ * ratio, MaxScaleFactor);
    scale = std::max(scale, Extended(std::max(width, height)) / 2147483647.0L);
    // The middle of the window keeps its position while the scale changes.
    xOrigin_ =
        HeldOrigin((xOrigin_ - oldW / 2.0L) / scaleFactor_ * scale + oldW / 2.0L, oldW, scale);
    yOrigin_ =
        HeldOrigin((yOrigin_ - oldH / 2.0L) / scaleFactor_ * scale + oldH / 2.0L, oldH, scale);
    model_->PropertyChanged(ppXOrigin);
    model_->PropertyChanged(ppYOrigin);
    altitude_ = SaturateToInt32(1 / (Tan50() * scale));
    globe_->StoreViewRect({0, 0, SaturateToInt32(width / scale), SaturateToInt32(height / scale)});
    scaleFactor_ = scale;
    model_->PropertyChanged(ppScaleFactor);
  }
  if (!options.Contains(goFixedCenterXYOnResize)) {
    if (remembered) {
      TEarthDevicePoint at;
      PointLLToXY(middle, at);
      xOrigin_ = HeldOrigin(Extended(xOrigin_) + width / 2 - at.X, width, scaleFactor_);
      yOrigin_ = HeldOrigin(Extended(yOrigin_) + height / 2 - at.Y, height, scaleFactor_);
    } else {
      xOrigin_ = HeldOrigin(Extended(proportionalX), width, scaleFactor_);
      yOrigin_ = HeldOrigin(Extended(proportionalY), height, scaleFactor_);
    }
    model_->PropertyChanged(ppXOrigin);
    model_->PropertyChanged(ppYOrigin);
  }
  return true;
}

void TEarthProjection::Assign(const rtl::TPersistent* source) {
  const auto* other = dynamic_cast<const TEarthProjection*>(source);
  if (!other) {
    TEarthENVPersistent::Assign(source);
    return;
  }
  xOrigin_ = other->xOrigin_;
  yOrigin_ = other->yOrigin_;
  altitude_ = other->altitude_;
  xRotation_ = other->xRotation_;
  yRotation_ = other->yRotation_;
  zRotation_ = other->zRotation_;
  MaxLatitude = other->MaxLatitude;
  MinLatitude = other->MinLatitude;
  MaxLongitude = other->MaxLongitude;
  MinLongitude = other->MinLongitude;
  MaxZoom = other->MaxZoom;
  MinZoom = other->MinZoom;
  scaleFactor_ = other->scaleFactor_;
  CentralMeridian = other->CentralMeridian;
  CentralParallel = other->CentralParallel;
  FirstParallel = other->FirstParallel;
  SecondParallel = other->SecondParallel;
  Spheroid = other->Spheroid;
  XAxisChanges = other->XAxisChanges;
  YAxisChanges = other->YAxisChanges;
  Flags = other->Flags;
  backFacePass_ = other->backFacePass_;
  LineDivisions1 = other->LineDivisions1;
  LineDivisions2 = other->LineDivisions2;
  model_ = other->model_->Clone(this);
  // The view is the other's now: the next centre asked for is taken however near.
  centred_ = false;
}

std::unique_ptr<TEarthProjection> TEarthProjection::Clone() const {
  auto p = std::make_unique<TEarthProjection>(globe_);
  p->Assign(this);
  return p;
}

std::unique_ptr<TEarthXML_Element> TEarthProjection::SaveEnvironment() {
  auto e = std::make_unique<TEarthXML_Element>();
  e->AddFloatAttribute("ScaleFactor", scaleFactor_);
  e->AddFloatAttribute("CentralMeridian", CentralMeridian);
  e->AddFloatAttribute("CentralParallel", CentralParallel);
  e->AddFloatAttribute("FirstParallel", FirstParallel);
  e->AddFloatAttribute("SecondParallel", SecondParallel);
  e->AddFloatAttribute("MaxLatitude", MaxLatitude);
  e->AddFloatAttribute("MaxLongitude", MaxLongitude);
  e->AddFloatAttribute("MaxZoom", MaxZoom);
  e->AddFloatAttribute("MinLatitude", MinLatitude);
  e->AddFloatAttribute("MinLongitude", MinLongitude);
  e->AddFloatAttribute("MinZoom", MinZoom);
  e->AddIntAttribute("Spheroid", static_cast<int>(Spheroid));
  e->AddFloatAttribute("XRotation", xRotation_);
  e->AddFloatAttribute("YRotation", yRotation_);
  e->AddFloatAttribute("ZRotation", zRotation_);
  e->AddIntAttribute("XOrigin", xOrigin_);
  e->AddIntAttribute("YOrigin", yOrigin_);
  e->AddIntAttribute("XAxisChanges", XAxisChanges);
  e->AddIntAttribute("YAxisChanges", YAxisChanges);
  e->AddElement("ProjectionModel", model_->SaveEnvironment());
  return e;
}

void TEarthProjection::LoadEnvironment(TEarthXML_Element* element) {
  if (!element) return;
  if (TEarthXML_Element* m = element->ElementByName("ProjectionModel", 0)) {
    const std::string name = m->AttributeByName("Class", GetProjectionClass());
    if (!rtl::SameText(name, GetProjectionClass())) {
      RegisterProjectionModels();
      // A model this program does not know keeps the one there is.
      rtl::TClass c = rtl::GetClass(name);
      if (c && c->InheritsFrom<TCustomProjectionModel>())
        SetProjectionModel(std::unique_ptr<TCustomProjectionModel>(
            c->Create<TCustomProjectionModel>(static_cast<TEarthProjection*>(this))));
    }
  }
  const int spheroid = SettingInt(element, "Spheroid", static_cast<int>(Spheroid));
  if (spheroid >= 0 && spheroid < SpheroidCount) SetSpheroid(static_cast<TSpheroid>(spheroid));
  const int ya = SettingInt(element, "YAxisChanges", YAxisChanges);
  if (ya >= yaXOrigin && ya <= yaNoAction) SetYAxisChanges(static_cast<TYAxisChanges>(ya));
  const int xa = SettingInt(element, "XAxisChanges", XAxisChanges);
  if (xa >= xaYOrigin && xa <= xaNoAction) SetXAxisChanges(static_cast<TXAxisChanges>(xa));
  SetScaleFactor(SettingFloat(element, "ScaleFactor", scaleFactor_));
  const auto fl = [&](const char* name, TProjectionProperty p) {
    SetFloatProp(p, SettingFloat(element, name, *FloatField(p)));
  };
  fl("MaxLatitude", ppMaxLatitude);
  fl("MaxLongitude", ppMaxLongitude);
  fl("MaxZoom", ppMaxZoom);
  fl("MinLatitude", ppMinLatitude);
  fl("MinLongitude", ppMinLongitude);
  fl("MinZoom", ppMinZoom);
  fl("XRotation", ppXRotation);
  fl("YRotation", ppYRotation);
  fl("ZRotation", ppZRotation);
  SetIntegerProp(ppXOrigin, SettingInt(element, "XOrigin", xOrigin_));
  SetIntegerProp(ppYOrigin, SettingInt(element, "YOrigin", yOrigin_));
  fl("CentralMeridian", ppCentralMeridian);
  fl("CentralParallel", ppCentralParallel);
  fl("FirstParallel", ppFirstParallel);
  fl("SecondParallel", ppSecondParallel);
}
