#pragma once
// The concrete presenters: a symbol at every point of an object, and chains drawn as lines or
// filled areas.
#include <memory>
#include <string>

#include "map/earthpresenter.h"
#include "platform/vcl/bitmap.h"

enum TPointPresenterType : uint8_t {
  ppNone,
  ppFontSymbol,
  ppImage,
  ppDot,
  ppCircle,
  ppSquare,
  ppDiamond,
  ppTriangleUp,
  ppTriangleDown,
  ppTriangleLeft,
  ppTriangleRight
};
inline constexpr int PointPresenterTypeCount = 11;

class TPointPresenter : public TEarthPresenter {
 public:
  TPointPresenter(TCustomEarthMap* globe, int32_t id);
  ~TPointPresenter() override;

  void WriteProperties(TEarthStreamWriter& writer) override;
  void ReadProperties(TEarthStreamReader& reader) override;
  void RenderObject(TCustomEarthMap* globe, TEarthObject* object,
                    TEarthObjectStateSet state) override;
  // A hit on any of the object's symbols, as they are drawn.
  bool LLInObject(TCustomEarthMap* globe, const TPointLL& point, int32_t tolerance,
                  TEarthObject* object) override;
  void Assign(const rtl::TPersistent* source) override;
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;
  std::string PrintableClassName() const override { return "TPointPresenter"; }

  // The ID of the first point presenter of store drawing like this (pen, brush and fonts
  // compared only when given); 0 when none does. Readers share presenters through it.
  static int32_t FindMatch(const TEarthPresenterStore& store, const TEarthPen* pen,
                           const TEarthBrush* brush, const TEarthFont* font,
                           const TEarthFont* titleFont, TPointPresenterType type,
                           TEarthUnitTypes unit, int32_t size, const std::string& imageName);

  void SetPointUnit(TEarthUnitTypes u);
  void SetPointSize(int32_t n);
  void SetMaxPointSize(int32_t n) { MaxPointSize = n; }
  // Resolved through the map control; loads the picture (none when the file is missing).
  void SetImageName(const std::string& name);
  // Keeps picture without owning it.
  void SetImage(vcl::TPicture* picture);
  vcl::TPicture* Image() const { return image_; }
  const std::string& ImageName() const { return imageName_; }
  TEarthUnitTypes PointUnit() const { return pointUnit_; }
  int32_t PointSize() const { return pointSize_; }

  TEarthPen* PointPen() const { return pen_.get(); }
  TEarthBrush* PointBrush() const { return brush_.get(); }
  TEarthFont* PointFont() const { return font_.get(); }

  TPointPresenterType PointType = ppCircle;
  int32_t MaxPointSize = 0;
  int16_t SymbolIndex = 0;

 protected:
  TEarthPresenter* NewInstance(TCustomEarthMap* globe, int32_t id) const override {
    return new TPointPresenter(globe, id);
  }

 private:
  void DrawSymbol(TCustomEarthMap* globe, const TPointLL& p);

  TEarthUnitTypes pointUnit_ = TEarthUnitTypes::Pixel;
  int32_t pointSize_ = 6;
  std::unique_ptr<TEarthPen> pen_;
  std::unique_ptr<TEarthBrush> brush_;
  std::unique_ptr<TEarthFont> font_;
  std::unique_ptr<vcl::TPicture> ownImage_;
  vcl::TPicture* image_ = nullptr;
  std::string imageName_;
};

class TPolyPresenter : public TEarthPresenter {
 public:
  TPolyPresenter(TCustomEarthMap* globe, int32_t id);
  ~TPolyPresenter() override;

  void WriteProperties(TEarthStreamWriter& writer) override;
  void ReadProperties(TEarthStreamReader& reader) override;
  void RenderObject(TCustomEarthMap* globe, TEarthObject* object,
                    TEarthObjectStateSet state) override;
  void Assign(const rtl::TPersistent* source) override;
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;
  std::string PrintableClassName() const override { return "TPolyPresenter"; }

  // The ID of the first presenter of exactly className in store with these attributes (each
  // compared only when given); 0 when none.
  static int32_t FindMatch(const std::string& className, const TEarthPresenterStore& store,
                           const TEarthPen* pen, const TEarthBrush* brush, const TEarthFont* font);

  TEarthPen* PolyPen() const { return pen_.get(); }
  TEarthBrush* PolyBrush() const { return brush_.get(); }

 protected:
  TEarthPresenter* NewInstance(TCustomEarthMap* globe, int32_t id) const override {
    return new TPolyPresenter(globe, id);
  }
  // The drawing shared by the kinds: closed decides the brush.
  void DrawChains(TCustomEarthMap* globe, TEarthObject* object, TEarthObjectStateSet state);

 private:
  std::unique_ptr<TEarthPen> pen_;
  std::unique_ptr<TEarthBrush> brush_;
};

class TPolygonPresenter : public TPolyPresenter {
 public:
  TPolygonPresenter(TCustomEarthMap* globe, int32_t id);
  void RenderObject(TCustomEarthMap* globe, TEarthObject* object,
                    TEarthObjectStateSet state) override;
  std::string PrintableClassName() const override { return "TPolygonPresenter"; }

 protected:
  TEarthPresenter* NewInstance(TCustomEarthMap* globe, int32_t id) const override {
    return new TPolygonPresenter(globe, id);
  }
};

class TPolylinePresenter : public TPolyPresenter {
 public:
  TPolylinePresenter(TCustomEarthMap* globe, int32_t id);
  void WriteProperties(TEarthStreamWriter& writer) override;
  void ReadProperties(TEarthStreamReader& reader) override;
  void RenderObject(TCustomEarthMap* globe, TEarthObject* object,
                    TEarthObjectStateSet state) override;
  std::string PrintableClassName() const override { return "TPolylinePresenter"; }

 protected:
  TEarthPresenter* NewInstance(TCustomEarthMap* globe, int32_t id) const override {
    return new TPolylinePresenter(globe, id);
  }
};

void RegisterPresenters();
