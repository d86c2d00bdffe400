#pragma once
// Layers draw the objects of one source through presenters; the layer store holds the map's
// layers in drawing order, the global presenters and the selection.
#include <memory>
#include <string>
#include <vector>

#include "map/earthpresenter.h"
#include "map/earthsource.h"

class TEarthLayerStore;

enum TEarthLayerState { lsValidMER, lsValidSI };
using TEarthLayerStateSet = TSet16<TEarthLayerState>;

class TEarthLayer : public TEarthENVPersistent, public TEarthSourceObserver {
 public:
  explicit TEarthLayer(TCustomEarthMap* globe);
  ~TEarthLayer() override;
  TEarthLayer(const TEarthLayer&) = delete;
  TEarthLayer& operator=(const TEarthLayer&) = delete;

  virtual void Clear();
  virtual void RenderObjects();
  virtual void RenderTitle(TEarthObject* object, TEarthPresenter* presenter);
  virtual void Notify(TObjectSourceNotification kind, TEarthObject* object);
  // What the source tells: its changes go to Notify; when it goes, the layer shows nothing.
  void SourceChanged(TObjectSourceNotification kind, TEarthObject* object) override {
    Notify(kind, object);
  }
  void SourceFreed() override { SetObjects(nullptr); }
  TEarthLayer* ObservingLayer() override { return this; }
  virtual bool IsLayerMERVisible();
  // Hit tests: the object is the source's and valid for the current operation only.
  virtual TEarthObject* ObjectAtLL(const TPointLL& p);
  virtual TEarthObject* ObjectAtXY(int32_t x, int32_t y);
  virtual TEarthObject* ObjectByTitle(const std::string& title, TEarthObject* after);
  // The first object from slot start on with the title (in any case), or nil.
  TEarthObject* ObjectByTitleFrom(const std::string& title, int32_t start);
  virtual TEarthObject* ObjectByID(int32_t id);
  virtual int32_t SelectedCount();

  void Assign(const rtl::TPersistent* source) override;
  // A new layer of this one's class on the same map, assigned from this one; like every layer it
  // joins the map's layer store, which owns it.
  TEarthLayer* Clone() const;
  // Frees the layer, which leaves its store on the way.
  virtual void Delete();
  std::string PrintableClassName() const override { return "TEarthLayer"; }
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

  // Never nil: a layer without a source gets an empty one.
  TEarthObjectSource* GetObjects();
  TEarthObjectSource* ObjectsIfAny() const { return objects_; }
  void SetObjects(TEarthObjectSource* source);
  TEarthPresenter* FindPresenter(int32_t id);
  TEarthObjectStateSet UpdateObjectState(int32_t index);
  TMER GetLayerMER();

  std::string GetLayerName() const;
  void SetLayerName(const std::string& s);
  enum TLayerBoolean { lbEnabled, lbVisible, lbAnimated, lbShowTitles, lbNoInterrupt };
  void SetLayerBoolean(TLayerBoolean which, bool b);
  enum TLayerValue { lvZoomMin, lvZoomMax, lvColorAdjustPercent };
  void SetLayerValue(TLayerValue which, int32_t v);
  void SetLayerColorAdjustTarget(gdi::TColor c);
  void SetZoomUnits(TEarthUnitTypes u);
  int32_t GetIndex() const;
  void SetIndex(int32_t i);

  TCustomEarthMap* Globe() const { return globe_; }
  TEarthPresenterStore* Presenters() const { return presenters_.get(); }
  TEarthLayerStore* Store() const { return store_; }
  void SetStore(TEarthLayerStore* store) { store_ = store; }
  bool Modified() const { return modified_; }

  bool Animated = false;
  bool Enabled = true;
  bool ShowTitles = true;
  bool Visible = true;
  bool NoInterrupt = false;
  int32_t ZoomMin = 0;
  int32_t ZoomMax = 0;
  TEarthUnitTypes ZoomUnits = TEarthUnitTypes::NauticalMile;
  int32_t LayerColorAdjustPercent = 0;
  gdi::TColor LayerColorAdjustTarget = gdi::TColor(0x808080);

 protected:
  // The virtual constructor of Clone: a layer of this one's registered class (EEarthException
  // for a class that is not registered).
  virtual TEarthLayer* NewInstance(TCustomEarthMap* globe) const;

 private:
  void DrawObject(int32_t index, TEarthObjectStateSet state);

  TCustomEarthMap* globe_;
  TEarthLayerStore* store_ = nullptr;
  std::string name_;
  TMER layerMER_;
  std::unique_ptr<TEarthPresenterStore> presenters_;
  TEarthObjectSource* objects_ = nullptr;
  bool modified_ = false;
  TEarthLayerStateSet layerState_;
};

class TEarthLayerStore : public TEarthENVPersistent {
 public:
  explicit TEarthLayerStore(TCustomEarthMap* globe);
  ~TEarthLayerStore() override;
  TEarthLayerStore(const TEarthLayerStore&) = delete;
  TEarthLayerStore& operator=(const TEarthLayerStore&) = delete;

  virtual TEarthLayer* GetLayer(int32_t i) const;
  virtual TMER GetLayerStoreMER();
  virtual void SetCount(int32_t n);
  virtual int32_t GetSelectedCount();
  virtual TEarthObject* GetSelected(int32_t i);
  // Selects object alone (nil: nothing). The selection lives in the slots' states, so an object
  // the cache turns back into a record stays selected and nothing dangles.
  virtual void SetSelectedObject(TEarthObject* object);
  virtual void Add(TEarthLayer* layer);
  virtual void Remove(TEarthLayer* layer);
  virtual void Delete(TEarthLayer* layer);
  virtual void Move(int32_t from, int32_t to);
  virtual void Clear() { SetCount(0); }
  virtual int32_t IndexOf(const TEarthLayer* layer) const;
  virtual int32_t IndexByName(const std::string& name) const;
  virtual TEarthLayer* LayerByName(const std::string& name) const;
  virtual TEarthObject* ObjectAtLL(const TPointLL& p);
  virtual TEarthObject* ObjectAtXY(int32_t x, int32_t y);
  virtual TEarthObject* ObjectByTitle(const std::string& title, TEarthObject* after);
  virtual TEarthObject* ObjectByID(int32_t id);
  virtual void Render(bool animated);

  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

  int32_t GetCount() const { return static_cast<int32_t>(layers_.size()); }
  TEarthPresenterStore* GlobalPresenters() const { return globalPresenters_.get(); }
  // The global presenters back to the two the store starts with.
  void ResetGlobalPresenters();

 private:
  TCustomEarthMap* globe_;
  std::vector<TEarthLayer*> layers_;  // owned: freed through Delete
  std::unique_ptr<TEarthPresenterStore> globalPresenters_;
};

void RegisterLayers();
