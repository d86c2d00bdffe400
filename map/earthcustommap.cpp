// What every map owns, and the shared point buffers' lifetime.
#include "map/earthcustommap.h"

#include "map/earthcanvas.h"
#include "map/earthlayer.h"

namespace {

// Map controls alive; the first one makes the point buffers, the last one frees them.
int gLiveMaps = 0;

}  // namespace

TCustomEarthMap::TCustomEarthMap() {
  if (gLiveMaps++ == 0) {
    gaPoints.Reserve(EarthPointBufferStart);
    gaClipPoints.Reserve(EarthPointBufferStart);
  }
  giFileVersion = 1029;
  earthCanvas_ = std::make_unique<TEarthCanvas>(this);
  surfaceTexture_ = std::make_unique<TTextureData>();
  const auto pen = [](gdi::TColor c) {
    auto p = std::make_unique<TEarthPen>();
    p->Define(c, psSolid, 1, TEarthUnitTypes::Pixel);
    return p;
  };
  const auto brush = [](gdi::TColor c) {
    auto b = std::make_unique<TEarthBrush>();
    b->Define(c, bsSolid);
    return b;
  };
  selectedPen_ = pen(gdi::TColor(0x0000FF));
  transparentPen_ = pen(gdi::TColor(0x808080));
  graticulePen_ = pen(gdi::TColor(0xC0C0C0));
  internalPen_ = pen(gdi::TColor(0));
  selectedBrush_ = brush(gdi::TColor(0x00FFFF));
  transparentBrush_ = brush(gdi::TColor(0xC0C0C0));
  surfaceBrush_ = brush(surfaceColor_);
  // The pens and brushes a user sets redraw the map when they change.
  const std::initializer_list<TEarthAttribute*> published{selectedPen_.get(), transparentPen_.get(),
                                                          graticulePen_.get(), selectedBrush_.get(),
                                                          transparentBrush_.get()};
  for (TEarthAttribute* a : published) a->OnChange = [this] { RedrawLayers(); };
  textFont_ = std::make_unique<TEarthFont>();
  projection_ = std::make_unique<TEarthProjection>(this);
  layerStore_ = std::make_unique<TEarthLayerStore>(this);
}

TEarthPresenterStore* TCustomEarthMap::GlobalPresenters() const {
  return layerStore_ ? layerStore_->GlobalPresenters() : nullptr;
}

void TCustomEarthMap::Notify(TEarthNotification notification, rtl::TObject* item) {
  auto* layer = dynamic_cast<TEarthLayer*>(item);
  if (!layer || !layerStore_) return;
  if (notification == gnLayerCreate) layerStore_->Add(layer);
  if (notification == gnLayerFree) layerStore_->Remove(layer);
}

TCustomEarthMap::~TCustomEarthMap() {
  // Layers (and with the last of them their sources) go while the canvas and projection live.
  closingDown_ = true;
  layerStore_.reset();
  projection_.reset();
  textFont_.reset();
  surfaceBrush_.reset();
  transparentBrush_.reset();
  selectedBrush_.reset();
  internalPen_.reset();
  graticulePen_.reset();
  transparentPen_.reset();
  selectedPen_.reset();
  earthCanvas_.reset();
  if (--gLiveMaps == 0) {
    gaPoints.Release();
    gaClipPoints.Release();
  }
}
