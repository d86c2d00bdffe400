// The layer store: the map's layers in drawing order, the global presenters and the selection.
#include <algorithm>

#include "map/earthlayer.h"
#include "map/earthcanvas.h"
#include "map/earthcustommap.h"
#include "map/earthpresenters.h"
#include "platform/rtl/sysutils.h"

TEarthLayerStore::TEarthLayerStore(TCustomEarthMap* globe) : globe_(globe) {
  if (!globe_) throw EEarthException("TEarthLayerStore.Create passed nil Parent");
  globalPresenters_ = std::make_unique<TEarthPresenterStore>(globe_);
  ResetGlobalPresenters();
}

TEarthLayerStore::~TEarthLayerStore() {
  Clear();
  globalPresenters_.reset();
}

void TEarthLayerStore::ResetGlobalPresenters() {
  globalPresenters_->Clear();
  std::unique_ptr<TEarthPresenter> point = std::make_unique<TPointPresenter>(globe_, -1);
  std::unique_ptr<TEarthPresenter> poly = std::make_unique<TPolyPresenter>(globe_, -2);
  globalPresenters_->Add(point);
  globalPresenters_->Add(poly);
}

TEarthLayer* TEarthLayerStore::GetLayer(int32_t i) const {
  if (i < 0 || i >= GetCount()) {
    throw EEarthException(rtl::Format("TEarthMap.GetLayer: Bad layer index %d", i));
  }
  return layers_[static_cast<size_t>(i)];
}

TMER TEarthLayerStore::GetLayerStoreMER() {
  TMER m = MER(0, 0, 0, 0);
  for (TEarthLayer* layer : layers_) m = UnionMER(m, layer->GetLayerMER());
  return m;
}

void TEarthLayerStore::SetCount(int32_t n) {
  while (GetCount() > std::max(n, 0)) Delete(layers_.back());
}

void TEarthLayerStore::Add(TEarthLayer* layer) {
  if (!layer || IndexOf(layer) >= 0) return;
  layer->SetStore(this);
  layers_.push_back(layer);
  if (!globe_->ClosingDown()) globe_->RedrawLayers();
}

void TEarthLayerStore::Remove(TEarthLayer* layer) {
  const int32_t i = IndexOf(layer);
  if (i < 0) return;
  layers_.erase(layers_.begin() + i);
  layer->SetStore(nullptr);
  if (!globe_->ClosingDown()) globe_->RedrawLayers();
}

void TEarthLayerStore::Delete(TEarthLayer* layer) {
  if (IndexOf(layer) < 0) return;
  Remove(layer);
  delete layer;
}

void TEarthLayerStore::Move(int32_t from, int32_t to) {
  if (from < 0 || from >= GetCount() || to < 0 || to >= GetCount()) return;
  TEarthLayer* layer = layers_[static_cast<size_t>(from)];
  layers_.erase(layers_.begin() + from);
  layers_.insert(layers_.begin() + to, layer);
  if (!globe_->ClosingDown()) globe_->RedrawLayers();
}

int32_t TEarthLayerStore::IndexOf(const TEarthLayer* layer) const {
  const auto it = std::find(layers_.begin(), layers_.end(), layer);
  return it == layers_.end() ? -1 : static_cast<int32_t>(it - layers_.begin());
}

int32_t TEarthLayerStore::IndexByName(const std::string& name) const {
  for (int32_t i = 0; i < GetCount(); ++i) {
    if (rtl::SameText(layers_[static_cast<size_t>(i)]->GetLayerName(), name)) return i;
  }
  return -1;
}

TEarthLayer* TEarthLayerStore::LayerByName(const std::string& name) const {
  const int32_t i = IndexByName(name);
  return i < 0 ? nullptr : layers_[static_cast<size_t>(i)];
}

int32_t TEarthLayerStore::GetSelectedCount() {
  int32_t n = 0;
  for (TEarthLayer* layer : layers_) n += layer->SelectedCount();
  return n;
}

TEarthObject* TEarthLayerStore::GetSelected(int32_t i) {
  for (TEarthLayer* layer : layers_) {
    TEarthObjectSource* source = layer->GetObjects();
    for (int32_t k = 0; k < source->GetCount(); ++k) {
      if (source->GetState(k).Contains(osSelected) && i-- == 0) return source->GetObject(k);
    }
  }
  return nullptr;
}

void TEarthLayerStore::SetSelectedObject(TEarthObject* object) {
  TEarthObjectSource* keepSource = object ? object->Parent() : nullptr;
  const int32_t keepIndex = object ? object->Index : -1;
  // Nothing to do only when it is already selected alone: a plain click on one of several
  // selected objects leaves that one selected alone.
  if (object && object->GetSelected() && GetSelectedCount() == 1) return;
  // Others are deselected without loading them: a record only loses its state bit, so nothing
  // is loaded that could make the cache give back the object about to be selected.
  for (TEarthLayer* layer : layers_) {
    TEarthObjectSource* source = layer->GetObjects();
    for (int32_t k = 0; k < source->GetCount(); ++k) {
      if (source == keepSource && k == keepIndex) continue;
      TEarthObjectData* data = source->GetObjectData(k);
      if (!data->State.Contains(osSelected)) continue;
      if (auto* loaded = dynamic_cast<TEarthObject*>(data)) {
        loaded->SetSelected(false);
      } else {
        data->State.Exclude(osSelected);
        source->Notify(osnRedraw, nullptr);
      }
    }
  }
  if (object) object->SetSelected(true);
}

TEarthObject* TEarthLayerStore::ObjectAtLL(const TPointLL& p) {
  for (int32_t i = GetCount() - 1; i >= 0; --i) {
    if (TEarthObject* o = layers_[static_cast<size_t>(i)]->ObjectAtLL(p)) return o;
  }
  return nullptr;
}

TEarthObject* TEarthLayerStore::ObjectAtXY(int32_t x, int32_t y) {
  TPointLL p;
  if (!globe_->Projection()->DeviceXYToLL(x, y, p)) return nullptr;
  for (int32_t i = GetCount() - 1; i >= 0; --i) {
    TEarthLayer* layer = layers_[static_cast<size_t>(i)];
    if (!layer->Enabled || !layer->Visible) continue;
    if (TEarthObject* o = layer->ObjectAtLL(p)) return o;
  }
  return nullptr;
}

TEarthObject* TEarthLayerStore::ObjectByTitle(const std::string& title, TEarthObject* after) {
  // Where to go on from is taken before anything loads: a load may give after back to the cache.
  size_t first = 0;
  int32_t start = 0;
  if (after) {
    const TEarthObjectSource* source = after->Parent();
    const auto holder = std::find_if(layers_.begin(), layers_.end(), [&](TEarthLayer* l) {
      return source && l->GetObjects() == source;
    });
    if (holder == layers_.end() || after->Index < 0) return nullptr;
    first = static_cast<size_t>(holder - layers_.begin());
    start = after->Index + 1;
  }
  for (size_t i = first; i < layers_.size(); ++i, start = 0) {
    if (TEarthObject* o = layers_[i]->ObjectByTitleFrom(title, start)) return o;
  }
  return nullptr;
}

TEarthObject* TEarthLayerStore::ObjectByID(int32_t id) {
  for (TEarthLayer* layer : layers_) {
    if (TEarthObject* o = layer->ObjectByID(id)) return o;
  }
  return nullptr;
}

void TEarthLayerStore::Render(bool animated) {
  // A copy: drawing may pump messages that add or remove layers.
  const std::vector<TEarthLayer*> layers = layers_;
  for (TEarthLayer* layer : layers) {
    if (IndexOf(layer) >= 0 && layer->Animated == animated) layer->RenderObjects();
  }
}

std::unique_ptr<TEarthXML_Element> TEarthLayerStore::SaveEnvironment() {
  auto element = std::make_unique<TEarthXML_Element>();
  element->AddElement("GlobalPresenters", globalPresenters_->SaveEnvironment());
  for (TEarthLayer* layer : layers_) element->AddElement("Layer", layer->SaveEnvironment());
  return element;
}

void TEarthLayerStore::LoadEnvironment(TEarthXML_Element* element) {
  Clear();
  globalPresenters_->Clear();
  if (!element) return;
  globalPresenters_->LoadEnvironment(element->ElementByName("GlobalPresenters", 0));
  for (int n = 0;; ++n) {
    TEarthXML_Element* child = element->ElementByName("Layer", n);
    if (!child) break;
    rtl::TClass c = rtl::GetClass(child->AttributeByName("Class", ""));
    if (!c || !c->InheritsFrom<TEarthLayer>()) continue;
    // The layer joins this store through the map control as it is made.
    TEarthLayer* layer = c->Create<TEarthLayer>(globe_);
    if (IndexOf(layer) < 0) Add(layer);
    try {
      layer->LoadEnvironment(child);
      layer->GetObjects()->SetActive(true);
    } catch (...) {
      Delete(layer);
      throw;
    }
    if (!layer->GetObjects()->Active()) Delete(layer);
  }
}
