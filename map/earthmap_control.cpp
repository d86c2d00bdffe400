// The map control's construction, properties, notifications, object cache, data file names,
// saved view and XML environment.
#include <algorithm>
#include <cmath>

#include "map/earthlayer.h"
#include "map/earthmap.h"
#include "map/earthmapclasses.h"
#include "map/earthsettings.h"
#include "map/earthxml.h"
#include "platform/gdi/color.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/files.h"
#include "platform/rtl/palette.h"
#include "platform/rtl/sysutils.h"

namespace {

// A handler that keeps asking to try again must not recurse without end.
constexpr int kMaxFileNotFoundAsks = 8;

int32_t ToGlobeUnits(Extended degrees) {
  return SaturateToInt32(std::nearbyint(degrees * GU_DEGREE));
}

// The classes are registered before the map's base builds its projection and layer store.
rtl::TComponent* AfterRegistration(rtl::TComponent* owner) {
  RegisterMapClasses();
  return owner;
}

}  // namespace

TEarthMap::TEarthMap(rtl::TComponent* owner) : TEarthMapBase(AfterRegistration(owner)) {
  backgroundImage_ = std::make_unique<vcl::TBitmap>();
  // The map paints its whole client area: no background is painted under it first.
  SetControlStyle(ControlStyle() | vcl::csOpaque);
  SetBounds(Left(), Top(), 150, 150);
  Font()->SetName("Arial");
  Font()->SetColor(gdi::clBlack);
  Font()->SetSize(9);
}

TEarthMap::~TEarthMap() {
  // Layers and their sources go before the events they would fire lose their target.
  closingDown_ = true;
  layerStore_.reset();
}

int32_t TEarthMap::ScaledTextHeight(int32_t h) const {
  if (ComponentState() & rtl::csDesigning) return h;
  const int32_t num = earthCanvas_->DevicePixelsPerInch(), den = earthCanvas_->ScreenPixelsPerInch();
  return den == 0 ? h : static_cast<int32_t>(std::llround(double(int64_t{h} * num) / den));
}

void TEarthMap::SetScrollBars(int style) {
  const auto s = static_cast<vcl::TScrollStyle>(style);
  if (s == scrollBars_) return;
  scrollBars_ = s;
  if (HandleAllocated()) RecreateWnd();
  Resize();  // the bars take their strips from the client area or give them back
}

void TEarthMap::CreateParams(vcl::TCreateParams& params) {
  TEarthMapBase::CreateParams(params);
  if (scrollBars_ == vcl::ssHorizontal || scrollBars_ == vcl::ssBoth)
    params.Style |= win::WS_HSCROLL;
  if (scrollBars_ == vcl::ssVertical || scrollBars_ == vcl::ssBoth) params.Style |= win::WS_VSCROLL;
  if (earthOptions_.Contains(goTransparentBackground)) params.ExStyle |= win::WS_EX_TRANSPARENT;
}

void TEarthMap::SetGraticuleDrawMode(TGraticuleDraw mode) {
  if (mode == graticuleDrawMode_) return;
  graticuleDrawMode_ = mode;
  RedrawLayers();
}

void TEarthMap::SetSurfaceColor(gdi::TColor c) {
  surfaceColor_ = c;
  surfaceBrush_->SetBrushColor(c);
  RedrawLayers();
}

void TEarthMap::SetColor(gdi::TColor c) {
  color_ = c;
  RedrawLayers();
}

void TEarthMap::SetBackgroundImage(const vcl::TBitmap* image) {
  if (image)
    backgroundImage_->Assign(image);
  else
    backgroundImage_->SetSize(0, 0);
  RedrawLayers();
}

void TEarthMap::SetSurfaceTextureName(const std::string& name) {
  // Found like any data file (in the data directory too).
  const std::string file = name.empty() ? std::string() : ResolveFilename(name);
  bool loaded = false;
  if (!file.empty()) {
    try {
      surfaceTexture_->LoadFromFile(file);
      loaded = surfaceTexture_->IsValid();
    } catch (const rtl::Exception&) {
      // A file that is no 256-colour bitmap, or cannot be read, leaves the globe without one.
    }
  }
  if (!loaded) surfaceTexture_ = std::make_unique<TTextureData>();
  surfaceTextureName_ = loaded ? name : std::string();
  RedrawLayers();
}

int32_t TEarthMap::EarthUnitsFrom(Extended value, TEarthUnitTypes unit) const {
  return earthCanvas_->EarthUnitsFrom(value, unit);
}

Extended TEarthMap::EarthUnitsTo(Extended value, TEarthUnitTypes unit) const {
  if (unit != TEarthUnitTypes::Pixel) return ::EarthUnitsTo(value, unit);
  const Extended pixels = value * projection_->ScaleFactor();
  return std::isfinite(pixels) ? pixels : value;
}

void TEarthMap::SetDataDirectory(const std::string& dir) {
  std::string d = rtl::Trim(dir);
  if (!d.empty()) d = rtl::IncludeTrailingPathDelimiter(d);
  if (!d.empty() && !rtl::DirectoryExists(d) && OnDirectoryNotFound) OnDirectoryNotFound(this, d);
  DataDirectory = d;
}

void TEarthMap::SetEarthOptions(TEarthOptionsSet options) {
  const bool transparentChanges =
      options.Contains(goTransparentBackground) != earthOptions_.Contains(goTransparentBackground);
  if (transparentChanges) {
    if (earthOptions_.Contains(goTransparentBackground)) backgroundImage_->SetSize(0, 0);
    earthOptions_ = options;
    if (HandleAllocated()) RecreateWnd();
  }
  earthOptions_ = options;
  UpdateScrollBars();
  RedrawLayers();
}

void TEarthMap::SetLongitudeStep(int32_t step) {
  if (step < 0 || step >= 180) return;
  longitudeStep_ = step;
  RedrawLayers();
}

void TEarthMap::SetLatitudeStep(int32_t step) {
  if (step < 0 || step >= 90) return;
  latitudeStep_ = step;
  RedrawLayers();
}

void TEarthMap::SetMaxTextHeight(int32_t h) {
  if (h == maxTextHeight_) return;
  maxTextHeight_ = h;
  RedrawLayers();
}

void TEarthMap::SetMinTextHeight(int32_t h) {
  if (h == minTextHeight_) return;
  minTextHeight_ = h;
  RedrawLayers();
}

void TEarthMap::RedrawLayers() {
  redrawPending_ = true;
  Invalidate();
}

void TEarthMap::Notify(TEarthNotification notification, rtl::TObject* item) {
  if (!layerStore_) return;
  auto* layer = dynamic_cast<TEarthLayer*>(item);
  auto* source = dynamic_cast<TEarthObjectSource*>(item);
  auto* object = dynamic_cast<TEarthObject*>(item);
  switch (notification) {
    case gnLayerCreate:
      TCustomEarthMap::Notify(notification, item);
      if (OnLayerCreate && layer) OnLayerCreate(this, layer);
      break;
    case gnLayerFree:
      if (OnLayerFree && layer) OnLayerFree(this, layer);
      TCustomEarthMap::Notify(notification, item);
      break;
    case gnObjectSourceCreate:
      if (source) sources_.push_back(source);
      if (OnObjectSourceCreate && source && !closingDown_) OnObjectSourceCreate(this, source);
      break;
    case gnObjectSourceActiveChange:
      if (OnObjectSourceActiveChange && source && !closingDown_)
        OnObjectSourceActiveChange(this, source);
      break;
    case gnObjectSourceFree:
      if (OnObjectSourceFree && source && !closingDown_) OnObjectSourceFree(this, source);
      std::erase(sources_, source);
      break;
    case gnObjectFree:
      if (OnObjectFree && object) OnObjectFree(this, object);
      break;
    case gnObjectSelectChange:
      if (OnObjectSelectChange && object) OnObjectSelectChange(this, object);
      break;
  }
  RedrawLayers();
}

void TEarthMap::Clear() {
  environmentFile_.clear();
  if (layerStore_) layerStore_->Clear();
}

bool TEarthMap::ProgressMessage(TProgressMessage kind, const std::string& text) {
  bool abort = false;
  if (OnProgress) OnProgress(this, kind, text, abort);
  return abort;
}

void TEarthMap::CacheUsedDelta(int64_t delta) {
  cacheUsed_ += delta;
  // In 64 bits: a capacity of 2 GB and more in KB overflows 32.
  const int64_t capacity = int64_t{CacheCapacity} * 1024;
  if (CacheCapacity > 0 && cacheUsed_ > capacity) {
    if (OnReduceCacheMemory) OnReduceCacheMemory(this);
    cacheUsed_ = ReduceCacheMemory(capacity - (capacity * 25 + 50) / 100);
  }
}

void TEarthMap::UpdateTotalMemoryInUse() {
  int64_t total = 0;
  for (const TEarthObjectSource* s : sources_) total += s->ObjectInstanceSize();
  cacheUsed_ = total;
  CacheUsedDelta(0);
}

int64_t TEarthMap::ReduceCacheMemory(int64_t target) {
  int64_t total = 0;
  std::vector<TEarthObject*> active;
  for (const TEarthObjectSource* s : sources_) {
    total += s->ObjectInstanceSize();
    s->ListActiveObjects(active);
  }
  // By the stamps' difference: the oldest first also once the counter has wrapped round.
  std::stable_sort(active.begin(), active.end(), [](const TEarthObject* a, const TEarthObject* b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a->MRU) - static_cast<uint32_t>(b->MRU)) < 0;
  });
  for (TEarthObject* object : active) {
    // The record stays in the source and is counted, as UpdateTotalMemoryInUse counts it.
    total -= object->Parent()->UnloadObject(object);
    if (total < target) break;
  }
  return total;
}

std::string TEarthMap::ResolveFilename(const std::string& name) {
  std::string current = name;
  // Every answer of the handler is looked up, the last one it may give too.
  for (int asked = 0;; ++asked) {
    if (!current.empty() && rtl::FileExists(current)) return current;
    std::string dir = rtl::Trim(DataDirectory);
    dir = rtl::IncludeTrailingPathDelimiter(dir.empty() ? rtl::ProgramDirectory() : dir);
    if (!current.empty()) {
      if (rtl::FileExists(dir + current)) return dir + current;
      const std::string part = rtl::ExtractFileName(current);
      if (!part.empty() && rtl::FileExists(dir + part)) return dir + part;
    }
    if (!OnFileNotFound || asked == kMaxFileNotFoundAsks) return {};
    std::string answer = current;
    bool tryAgain = false;
    OnFileNotFound(this, answer, tryAgain);
    // The same name is tried again too: the handler may have put the file there (copied it,
    // had the disc put in).
    if (!tryAgain) return {};
    current = answer;
  }
}

TEarthPOZ TEarthMap::GetPOZ() const {
  const TEarthProjection* p = projection_.get();
  return {p->ScaleFactor(), p->GetEarthCenterXY(), ToGlobeUnits(p->XRotation()),
          ToGlobeUnits(p->YRotation()), ToGlobeUnits(p->ZRotation())};
}

void TEarthMap::SetPOZ(const TEarthPOZ& view) {
  TEarthProjection* p = projection_.get();
  p->SetScaleFactor(view.ScaleFactor);
  p->SetFloatProp(ppXRotation, view.XRotation * GU_TODECIMALDEGREES);
  p->SetFloatProp(ppYRotation, view.YRotation * GU_TODECIMALDEGREES);
  p->SetFloatProp(ppZRotation, view.ZRotation * GU_TODECIMALDEGREES);
  p->SetEarthCenterXY(view.Center);
}

std::unique_ptr<TEarthXML_Element> TEarthMap::SaveEnvironment() {
  auto e = std::make_unique<TEarthXML_Element>();
  e->AddAttribute("DataDirectory", DataDirectory);
  e->AddAttribute("SurfaceColor", gdi::ColorToString(surfaceColor_));
  e->AddAttribute("SurfaceTextureName", surfaceTextureName_);
  e->AddIntAttribute("MaxTextHeight", GetMaxTextHeight());
  e->AddIntAttribute("MinTextHeight", GetMinTextHeight());
  e->AddElement("Projection", projection_->SaveEnvironment());
  e->AddElement("LayerStore", layerStore_->SaveEnvironment());
  return e;
}

void TEarthMap::LoadEnvironment(TEarthXML_Element* e) {
  if (!e) return;
  SetDataDirectory(e->AttributeByName("DataDirectory", DataDirectory));
  SetSurfaceColor(SettingColor(e, "SurfaceColor", surfaceColor_));
  const std::string texture = e->AttributeByName("SurfaceTextureName", surfaceTextureName_);
  if (texture != surfaceTextureName_) SetSurfaceTextureName(texture);
  SetMaxTextHeight(SettingInt(e, "MaxTextHeight", GetMaxTextHeight()));
  SetMinTextHeight(SettingInt(e, "MinTextHeight", GetMinTextHeight()));
  projection_->LoadEnvironment(e->ElementByName("Projection", 0));
  layerStore_->LoadEnvironment(e->ElementByName("LayerStore", 0));
  UpdateScrollBars();
}

void TEarthMap::SaveEnvironmentToFile(const std::string& name) {
  TEarthXML_Document doc;
  doc.Document()->AddElement("TEarthMap", SaveEnvironment());
  if (OnSaveEnvironment) OnSaveEnvironment(this, &doc);
  doc.SaveToFile(name);
}

void TEarthMap::LoadEnvironmentFromFile(const std::string& name) {
  Clear();
  TEarthXML_Document doc;
  if (!doc.LoadFromFile(name)) {
    environmentFile_.clear();
    return;
  }
  LoadEnvironment(doc.Document()->ElementByName("TEarthMap", 0));
  environmentFile_ = name;
  if (OnLoadEnvironment) OnLoadEnvironment(this, &doc);
}

void RegisterEarthMap() {
  const rtl::TClass c = rtl::RegisterClass<TEarthMap>(
      "TEarthMap", [](rtl::TComponent* owner) { return new TEarthMap(owner); });
  rtl::RegisterComponents("TEarthMap", {c});
}
