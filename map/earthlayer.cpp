// Layers: drawing a source's objects through presenters, hit tests, titles, XML.
#include "map/earthlayer.h"

#include <algorithm>
#include <mutex>

#include "map/earthcanvas.h"
#include "map/earthcustommap.h"
#include "map/earthsettings.h"
#include "platform/gdi/text.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/vcl/printers.h"
#include "platform/win/system.h"

namespace {

void RedrawLayersOf(TCustomEarthMap* globe) {
  if (globe && !globe->ClosingDown()) globe->RedrawLayers();
}

// Text-align flags and the signs of the offset on x and y, by title alignment.
struct TitleAnchor {
  unsigned align;
  int dx, dy;
};
constexpr TitleAnchor TitleAnchors[TitleAlignmentCount] = {
    {0x1E, 0, 0},  {0x1E, 0, 0},  {0x1A, -1, 0}, {0x18, 1, 0}, {0x0A, -1, -1},
    {0x0E, 0, -1}, {0x08, 1, -1}, {0x02, -1, 1}, {0x06, 0, 1}, {0x00, 1, 1}};

// Two device pixels in globe units, never 0.
int32_t TwoPixels(const TEarthProjection* p) {
  return std::max<int32_t>(1, SaturateToInt32(std::nearbyint(2 / p->ScaleFactor())));
}

}  // namespace

TEarthLayer::TEarthLayer(TCustomEarthMap* globe) : globe_(globe) {
  if (!globe_) throw EEarthException("TEarthLayer.Create passed nil Parent");
  presenters_ = std::make_unique<TEarthPresenterStore>(globe_);
  Clear();
  globe_->Notify(gnLayerCreate, this);
  modified_ = false;
}

TEarthLayer::~TEarthLayer() {
  globe_->Notify(gnLayerFree, this);
  if (TEarthObjectSource* old = objects_) {
    objects_ = nullptr;
    old->UnSubscribe(this);
  }
  presenters_.reset();
}

void TEarthLayer::Clear() {
  Enabled = true;
  Visible = true;
  Animated = false;
  ShowTitles = true;
  ZoomMin = 0;
  ZoomMax = 0;
  ZoomUnits = TEarthUnitTypes::NauticalMile;
  LayerColorAdjustPercent = 0;
  LayerColorAdjustTarget = gdi::TColor(0x808080);
  SetObjects(nullptr);
  presenters_->Clear();
  modified_ = false;
}

void TEarthLayer::SetObjects(TEarthObjectSource* source) {
  if (source == objects_) return;
  TEarthObjectSource* old = objects_;
  objects_ = source;
  if (old) old->UnSubscribe(this);
  if (objects_) objects_->Subscribe(this);
  layerState_.Exclude(lsValidMER);
  RedrawLayersOf(globe_);
}

TEarthObjectSource* TEarthLayer::GetObjects() {
  if (!objects_) SetObjects(new TEarthObjectSource(globe_));  // freed with its last layer
  return objects_;
}

std::string TEarthLayer::GetLayerName() const {
  std::string name = rtl::Trim(name_);
  if (!name.empty()) return name;
  if (objects_) return objects_->Name;
  return ClassName();
}

void TEarthLayer::SetLayerName(const std::string& s) {
  const std::string trimmed = rtl::Trim(s);
  if (trimmed == GetLayerName()) return;
  name_ = trimmed;
  modified_ = true;
}

void TEarthLayer::SetLayerBoolean(TLayerBoolean which, bool b) {
  bool* fields[] = {&Enabled, &Visible, &Animated, &ShowTitles, &NoInterrupt};
  bool& field = *fields[which];
  if (field == b) return;
  field = b;
  modified_ = true;
  RedrawLayersOf(globe_);
}

void TEarthLayer::SetLayerValue(TLayerValue which, int32_t v) {
  int32_t* fields[] = {&ZoomMin, &ZoomMax, &LayerColorAdjustPercent};
  int32_t& field = *fields[which];
  if (field == v) return;
  field = v;
  modified_ = true;
}

void TEarthLayer::SetLayerColorAdjustTarget(gdi::TColor c) {
  if (c == LayerColorAdjustTarget) return;
  LayerColorAdjustTarget = c;
  modified_ = true;
}

void TEarthLayer::SetZoomUnits(TEarthUnitTypes u) {
  if (u == ZoomUnits) return;
  const auto convert = [&](int32_t v) {
    return SaturateToInt32(std::nearbyint(EarthUnitsTo(::EarthUnitsFrom(v, ZoomUnits), u)));
  };
  ZoomMin = convert(ZoomMin);
  ZoomMax = convert(ZoomMax);
  ZoomUnits = u;
  modified_ = true;
}

int32_t TEarthLayer::GetIndex() const {
  return store_ ? store_->IndexOf(this) : -1;
}

void TEarthLayer::SetIndex(int32_t i) {
  if (store_) store_->Move(GetIndex(), i);
}

TMER TEarthLayer::GetLayerMER() {
  layerMER_ = GetObjects()->GetObjectsMER();
  layerState_.Include(lsValidMER);
  return layerMER_;
}

bool TEarthLayer::IsLayerMERVisible() {
  if (!Visible) return false;
  const int64_t altitude = globe_->Projection()->Altitude();
  if (ZoomMin > 0 && !(::EarthUnitsFrom(ZoomMin, ZoomUnits) < altitude)) return false;
  if (ZoomMax >= 1 && !(::EarthUnitsFrom(ZoomMax, ZoomUnits) >= altitude)) return false;
  return true;
}

TEarthPresenter* TEarthLayer::FindPresenter(int32_t id) {
  if (TEarthPresenter* p = presenters_->ByID(id, true)) return p;
  return GetObjects()->Presenters()->ByID(id, false);
}

int32_t TEarthLayer::SelectedCount() {
  TEarthObjectSource* source = GetObjects();
  int32_t n = 0;
  for (int32_t i = 0; i < source->GetCount(); ++i) n += source->GetState(i).Contains(osSelected);
  return n;
}

TEarthObjectStateSet TEarthLayer::UpdateObjectState(int32_t index) {
  TEarthObjectSource* source = GetObjects();
  TEarthObjectStateSet state = source->GetState(index);
  if (state.Contains(osNew)) state = source->GetObject(index)->State;
  bool visible = false;
  if (!state.Contains(osHidden)) {
    const TMER mer = source->GetMER(index);
    visible = globe_->Projection()->Model()->VisibleMER(mer, state);
    if (visible) {
      state.Include(osVisible);
      const int64_t tiny = TwoPixels(globe_->Projection());
      if (mer.iWidthX >= 1 && mer.iHeightY >= 1) {
        state.Set(osTiny, mer.iWidthX / tiny <= 1 && mer.iHeightY / tiny <= 1);
      }
    }
  }
  if (!visible) state.Exclude(osVisible);
  return state;
}

void TEarthLayer::DrawObject(int32_t index, TEarthObjectStateSet state) {
  TEarthProjection* projection = globe_->Projection();
  TEarthObjectSource* source = GetObjects();
  if (state.Contains(osTiny)) {
    const TMER mer = source->GetMER(index);
    if (projection->Model()->PointLLToXY(PointLL(mer.iLongX, mer.iLatY), 0)) {
      gdi::SetPixel(globe_->EarthCanvas()->Handle(), gaPoints[0].X, gaPoints[0].Y,
                    gdi::RGB(0x80, 0x80, 0x80));
    }
    return;
  }
  TEarthObject* object = source->GetObject(index);
  if (object->ZoomMin != object->ZoomMax &&
      !(object->ZoomMin < projection->Altitude() && projection->Altitude() <= object->ZoomMax)) {
    return;
  }
  TEarthPresenter* presenter = FindPresenter(object->PresenterID);
  if (presenter) {
    if (presenter->Hidden) return;
    presenter->RenderObject(globe_, object, state);
    if (ShowTitles) RenderTitle(object, presenter);
  } else if (globe_->OnObjectRender) {
    globe_->OnObjectRender(globe_, object, state);
  } else {
    object->Render(globe_, state);
  }
}

void TEarthLayer::RenderObjects() {
  vcl::TPrinter* printer = vcl::Printer();
  if (printer->Printing()) {
    if (vcl::Application) vcl::Application->ProcessMessages();
    if (printer->Aborted()) return;
  }
  if (!NoInterrupt && globe_->AbortRender) return;
  if (!IsLayerMERVisible()) return;
  TEarthProjection* projection = globe_->Projection();
  TEarthCanvas* canvas = globe_->EarthCanvas();
  const TEarthObjectState face = projection->BackFacePass() ? osBackFace : osFace;
  canvas->SetColorAdjustPercent(LayerColorAdjustPercent);
  canvas->SetColorAdjustTarget(LayerColorAdjustTarget);
  canvas->RefreshDC();
  uint64_t nextUpdate = win::GetTickCount() + static_cast<uint64_t>(globe_->PeriodicUpdateTime);
  bool someInvalidMER = false;
  TEarthObjectSource* source = GetObjects();
  for (int32_t i = 0; i < source->GetCount(); ++i) {
    const TEarthObjectStateSet state = UpdateObjectState(i);
    if (!state.Contains(osValidMER)) someInvalidMER = true;
    if (state.Contains(osVisible) && state.Contains(face)) DrawObject(i, state);
    // Every 256th slot, also one whose presenter is hidden: the checks come as often however
    // the objects are drawn.
    if (i % 256 != 0) continue;
    if (vcl::Application && vcl::Application->Terminated()) return;
    if (!NoInterrupt && globe_->EarthOptions().Contains(goInterruptable)) {
      if (vcl::Application) vcl::Application->ProcessMessages();
      if (globe_->AbortRender) return;
    }
    const uint64_t now = win::GetTickCount();
    if (globe_->PeriodicUpdateTime > 0 && now > nextUpdate) {
      globe_->ShowBackBuffer();
      nextUpdate = now + static_cast<uint64_t>(globe_->PeriodicUpdateTime);
    }
  }
  if (someInvalidMER) GetLayerMER();
}

void TEarthLayer::RenderTitle(TEarthObject* object, TEarthPresenter* presenter) {
  if (presenter->TitleAlignment == taNone || object->Title.empty()) return;
  bool hide = false;
  presenter->RenderTitle(globe_, object, hide);
  if (hide) return;
  TEarthCanvas* canvas = globe_->EarthCanvas();
  TEarthFont* font = presenter->TitleFont();
  const int32_t height = canvas->FontRenderHeight(font->FontSize(), font->FontUnit());
  if (height < std::max(2, globe_->GetMinTextHeight())) return;
  int32_t offset = presenter->TitleOffset;
  if (font->FontUnit() != TEarthUnitTypes::Pixel) {
    offset = SaturateToInt32(std::nearbyint(Extended(::EarthUnitsFrom(offset, font->FontUnit())) *
                                            globe_->Projection()->ScaleFactor()));
  }
  font->RenderAttribute(canvas, object->GetSelected());
  const TPointLL c = object->GetCentroid();
  TEarthDevicePoint pt;
  if (!globe_->Projection()->LLToDeviceXY(c.iLongX, c.iLatY, pt)) return;
  const TitleAnchor& anchor = TitleAnchors[TitleAlignmentOf(presenter->TitleAlignment)];
  const int32_t x = pt.X + anchor.dx * offset;
  const int32_t y = pt.Y + anchor.dy * offset;
  const gdi::HDC dc = canvas->Handle();
  gdi::SetTextAlign(dc, anchor.align);
  // TextOut keeps the anchor set above (a one-pixel DrawText box would reset it here).
  gdi::TextOut(dc, x, y, object->Title);
}

void TEarthLayer::Notify(TObjectSourceNotification kind, TEarthObject* object) {
  switch (kind) {
    case osnOpen:
      Visible = true;
      break;
    case osnClose:
      Visible = false;
      break;
    case osnAdd:
    case osnDelete:
      RedrawLayersOf(globe_);
      break;
    case osnRedraw:
      if (!Animated) {
        RedrawLayersOf(globe_);
      } else if (!globe_->ClosingDown()) {
        globe_->InvalidateMap();
      }
      break;
    case osnSelectedChanged:
      globe_->Notify(gnObjectSelectChange, object);
      break;
    default:
      break;
  }
}

TEarthObject* TEarthLayer::ObjectAtXY(int32_t x, int32_t y) {
  TPointLL p;
  if (!globe_->Projection()->DeviceXYToLL(x, y, p)) return nullptr;
  return ObjectAtLL(p);
}

TEarthObject* TEarthLayer::ObjectAtLL(const TPointLL& p) {
  if (!IsLayerMERVisible()) return nullptr;
  const int32_t tolerance = TwoPixels(globe_->Projection());
  TEarthObjectSource* source = GetObjects();
  for (int32_t i = source->GetCount() - 1; i >= 0; --i) {
    const TMER m = source->GetMER(i);
    // Widened by the tolerance, so that a line along a meridian or a parallel can be hit.
    const TMER wide = MER(SaturateToInt32(Extended(m.iLongX) - tolerance),
                          SaturateToInt32(Extended(m.iLatY) - tolerance),
                          SaturateToInt32(Extended(m.iWidthX) + 2.0L * tolerance),
                          SaturateToInt32(Extended(m.iHeightY) + 2.0L * tolerance));
    if ((m.iWidthX != 0 || m.iHeightY != 0) && !PointLLinMER(p, wide)) continue;
    TEarthObject* object = source->GetObject(i);
    TEarthPresenter* presenter = FindPresenter(object->PresenterID);
    const bool hit = presenter ? presenter->LLInObject(globe_, p, tolerance, object)
                               : object->LLInObject(p, tolerance);
    if (hit) return object;
  }
  return nullptr;
}

TEarthObject* TEarthLayer::ObjectByID(int32_t id) {
  TEarthObjectSource* source = GetObjects();
  for (int32_t i = 0; i < source->GetCount(); ++i) {
    TEarthObject* object = source->GetObject(i);
    if (object->ID == id) return object;
  }
  return nullptr;
}

TEarthObject* TEarthLayer::ObjectByTitle(const std::string& title, TEarthObject* after) {
  if (after && (after->Parent() != GetObjects() || after->Index < 0)) return nullptr;
  return ObjectByTitleFrom(title, after ? after->Index + 1 : 0);
}

TEarthObject* TEarthLayer::ObjectByTitleFrom(const std::string& title, int32_t start) {
  TEarthObjectSource* source = GetObjects();
  for (int32_t i = std::max(start, 0); i < source->GetCount(); ++i) {
    TEarthObject* object = source->GetObject(i);
    if (rtl::SameText(object->Title, title)) return object;
  }
  return nullptr;
}

void TEarthLayer::Assign(const rtl::TPersistent* source) {
  const auto* other = dynamic_cast<const TEarthLayer*>(source);
  if (!other) {
    TEarthENVPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  Clear();
  SetObjects(other->objects_);
  presenters_->Assign(other->presenters_.get());
  SetLayerBoolean(lbAnimated, other->Animated);
  SetLayerBoolean(lbEnabled, other->Enabled);
  SetLayerBoolean(lbShowTitles, other->ShowTitles);
  SetLayerName(other->name_);
  SetLayerBoolean(lbNoInterrupt, other->NoInterrupt);
  SetLayerBoolean(lbVisible, other->Visible);
  SetLayerValue(lvZoomMax, other->ZoomMax);
  SetLayerValue(lvZoomMin, other->ZoomMin);
  // Taken as it stands: its setter would convert the limits just copied, which are in it.
  ZoomUnits = other->ZoomUnits;
}

TEarthLayer* TEarthLayer::NewInstance(TCustomEarthMap* globe) const {
  // Made by the constructor its class is registered with, as an environment makes layers.
  RegisterLayers();
  const rtl::TClass c = rtl::ClassOf(this);
  if (!c) throw EEarthException("Class " + ClassName() + " is not registered");
  return c->Create<TEarthLayer>(globe);
}

TEarthLayer* TEarthLayer::Clone() const {
  TEarthLayer* copy = NewInstance(globe_);
  copy->Assign(this);
  return copy;
}

void TEarthLayer::Delete() {
  if (store_)
    store_->Delete(this);
  else
    delete this;
}

std::unique_ptr<TEarthXML_Element> TEarthLayer::SaveEnvironment() {
  auto element = std::make_unique<TEarthXML_Element>();
  element->AddAttribute("Class", ClassName());
  element->AddAttribute("Name", GetLayerName());
  element->AddBoolAttribute("Animated", Animated);
  element->AddBoolAttribute("Enabled", Enabled);
  element->AddBoolAttribute("ShowTitles", ShowTitles);
  element->AddBoolAttribute("Visible", Visible);
  element->AddAttribute("ZoomUnits", UnitsToStr(ZoomUnits));
  element->AddIntAttribute("ZoomMin", ZoomMin);
  element->AddIntAttribute("ZoomMax", ZoomMax);
  element->AddElement("Presenters", presenters_->SaveEnvironment());
  element->AddElement("Objects", GetObjects()->SaveEnvironment());
  return element;
}

void TEarthLayer::LoadEnvironment(TEarthXML_Element* element) {
  Clear();
  if (!element) return;
  SetLayerName(element->AttributeByName("Name", name_));
  SetLayerBoolean(lbAnimated, element->BoolAttributeByName("Animated", Animated));
  SetLayerBoolean(lbEnabled, element->BoolAttributeByName("Enabled", Enabled));
  SetLayerBoolean(lbShowTitles, element->BoolAttributeByName("ShowTitles", ShowTitles));
  SetLayerBoolean(lbVisible, element->BoolAttributeByName("Visible", Visible));
  ZoomUnits = SettingUnits(element, "ZoomUnits", ZoomUnits);
  SetLayerValue(lvZoomMin, SettingInt(element, "ZoomMin", ZoomMin));
  SetLayerValue(lvZoomMax, SettingInt(element, "ZoomMax", ZoomMax));
  presenters_->LoadEnvironment(element->ElementByName("Presenters", 0));
  if (TEarthXML_Element* objects = element->ElementByName("Objects", 0)) {
    rtl::TClass c = rtl::GetClass(objects->AttributeByName("Class", ""));
    if (c && c->InheritsFrom<TEarthObjectSource>()) {
      TEarthObjectSource* source = c->Create<TEarthObjectSource>(globe_);
      try {
        source->LoadEnvironment(objects);
      } catch (...) {
        delete source;
        throw;
      }
      SetObjects(source);
    }
  }
}

void RegisterLayers() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEarthClass<TEarthLayer>(
        "TEarthLayer", [](TCustomEarthMap* g) -> rtl::TObject* { return new TEarthLayer(g); });
  });
}
