#pragma once
// Presenters: drawing styles that map objects refer to by ID, with the title style shared by
// all of them, and the store of presenters by ID.
#include <memory>
#include <string>
#include <vector>

#include "map/earthattributes.h"
#include "map/earthobject.h"

class TCustomEarthMap;

enum TTitleAlignment : uint8_t {
  taNone,
  taCenter,
  taLeft,
  taRight,
  taTopLeft,
  taTop,
  taTopRight,
  taBottomLeft,
  taBottom,
  taBottomRight
};
inline constexpr int TitleAlignmentCount = 10;
// A stored alignment, taNone for a value no alignment has.
TTitleAlignment TitleAlignmentOf(int value);

class TEarthPresenter : public TEarthENVPersistent {
 public:
  TEarthPresenter(TCustomEarthMap* globe, int32_t id);
  ~TEarthPresenter() override;
  TEarthPresenter(const TEarthPresenter&) = delete;
  TEarthPresenter& operator=(const TEarthPresenter&) = delete;

  virtual void WriteProperties(TEarthStreamWriter& writer);
  virtual void ReadProperties(TEarthStreamReader& reader);
  virtual void RenderObject(TCustomEarthMap* globe, TEarthObject* object,
                            TEarthObjectStateSet state) = 0;
  // hide: set to draw the title here or to leave it out.
  virtual void RenderTitle(TCustomEarthMap* /*globe*/, TEarthObject* /*object*/, bool& /*hide*/) {}
  virtual void AdjustObjectMER(TEarthObject* /*object*/, TMER& /*mer*/) {}
  // A presenter of the same class for globe, with this one's settings; owned by the caller.
  virtual std::unique_ptr<TEarthPresenter> Clone(TCustomEarthMap* globe) const;
  virtual bool LLInObject(TCustomEarthMap* globe, const TPointLL& point, int32_t tolerance,
                          TEarthObject* object);

  void Assign(const rtl::TPersistent* source) override;
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

  TCustomEarthMap* Globe() const { return globe_; }
  TEarthFont* TitleFont() const { return titleFont_.get(); }

  TTitleAlignment TitleAlignment = taNone;
  int32_t TitleOffset = 0;
  int32_t PresenterID = 0;
  std::string Name;
  bool Hidden = false;

 protected:
  // The virtual constructor of Clone.
  virtual TEarthPresenter* NewInstance(TCustomEarthMap* globe, int32_t id) const = 0;

 private:
  TCustomEarthMap* globe_;
  std::unique_ptr<TEarthFont> titleFont_;
};

class TEarthPresenterStore : public TEarthENVPersistent {
 public:
  explicit TEarthPresenterStore(TCustomEarthMap* globe);
  ~TEarthPresenterStore() override;
  TEarthPresenterStore(const TEarthPresenterStore&) = delete;
  TEarthPresenterStore& operator=(const TEarthPresenterStore&) = delete;

  virtual TEarthPresenter* GetPresenter(int32_t i) const;
  virtual int32_t GetCount() const { return static_cast<int32_t>(presenters_.size()); }
  // Takes the presenter unless its ID is taken; returns its ID either way. Add(std::move(p))
  // leaves a refused presenter with the caller.
  virtual int32_t Add(std::unique_ptr<TEarthPresenter>& presenter);
  virtual TEarthPresenter* ByID(int32_t id, bool alsoGlobal) const;
  // Removes it from the store; the caller gets it back.
  virtual std::unique_ptr<TEarthPresenter> Delete(TEarthPresenter* presenter);
  virtual void Clear();

  void Assign(const rtl::TPersistent* source) override;
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

  bool Modified() const { return modified_; }
  TCustomEarthMap* Globe() const { return globe_; }

 private:
  TCustomEarthMap* globe_;
  std::vector<std::unique_ptr<TEarthPresenter>> presenters_;
  bool modified_ = false;
};

// A presenter made by its registered class name for globe with ID 0; nil when the name is not a
// registered presenter class.
std::unique_ptr<TEarthPresenter> CreatePresenter(const std::string& className,
                                                 TCustomEarthMap* globe);
