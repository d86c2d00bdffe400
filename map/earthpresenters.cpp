// Point, poly, polygon and polyline presenters.
#include "map/earthpresenters.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "map/earthcanvas.h"
#include "map/earthcustommap.h"
#include "map/earthobjects.h"
#include "map/earthsettings.h"
#include "platform/gdi/text.h"
#include "platform/rtl/files.h"

namespace {

// Every point of the object's chains, or its centroid when it has none.
template <typename F>
void ForEachPoint(TEarthObject* object, F&& f) {
  bool any = false;
  if (auto* geo = dynamic_cast<TGeoDataObject*>(object)) {
    TChainStore& chains = geo->Chains();
    for (int32_t k = 0; k < chains.GetCount(); ++k) {
      TPointStore* chain = chains.GetChain(k);
      for (int32_t i = 0; i < chain->GetCount(); ++i) {
        any = true;
        if (f(chain->GetLL(i))) return;
      }
    }
  }
  if (!any) f(object->GetCentroid());
}

// True when a is not given or equals b.
bool Matches(const TEarthAttribute* a, const TEarthAttribute& b) {
  return !a || a->Equals(b);
}

}  // namespace

// ---- Point presenter ----------------------------------------------------------------------------

TPointPresenter::TPointPresenter(TCustomEarthMap* globe, int32_t id)
    : TEarthPresenter(globe, id),
      pen_(std::make_unique<TEarthPen>()),
      brush_(std::make_unique<TEarthBrush>()),
      font_(std::make_unique<TEarthFont>()) {
  Name = "Point Presenter";
  pen_->Define(gdi::TColor(0), psSolid, 1, TEarthUnitTypes::Pixel);
  brush_->Define(gdi::TColor(0xFFFFFF), bsSolid);
  font_->Assign(globe->EarthCanvas()->SymbolFont());
}

TPointPresenter::~TPointPresenter() = default;

int32_t TPointPresenter::FindMatch(const TEarthPresenterStore& store, const TEarthPen* pen,
                                   const TEarthBrush* brush, const TEarthFont* font,
                                   const TEarthFont* titleFont, TPointPresenterType type,
                                   TEarthUnitTypes unit, int32_t size,
                                   const std::string& imageName) {
  for (int32_t i = 0; i < store.GetCount(); ++i) {
    const auto* p = dynamic_cast<const TPointPresenter*>(store.GetPresenter(i));
    if (p && Matches(pen, *p->pen_) && Matches(brush, *p->brush_) && Matches(font, *p->font_) &&
        Matches(titleFont, *p->TitleFont()) && p->PointType == type && p->pointUnit_ == unit &&
        p->pointSize_ == size && p->imageName_ == imageName) {
      return p->PresenterID;
    }
  }
  return 0;
}

void TPointPresenter::SetPointUnit(TEarthUnitTypes u) {
  if (u == pointUnit_) return;
  pointUnit_ = u;
  if (PointType == ppFontSymbol) font_->SetFontUnit(u);
}

void TPointPresenter::SetPointSize(int32_t n) {
  // No symbol is smaller than nothing, and the file form has no room for a size below zero: its
  // sign tells the reader whether a maximum follows.
  n = std::max(n, 0);
  if (n == pointSize_) return;
  pointSize_ = n;
  if (PointType == ppFontSymbol) font_->SetFontSize(n);
}

void TPointPresenter::SetImageName(const std::string& name) {
  if (name.empty()) return;
  imageName_ = Globe()->ResolveFilename(name);
  if (!imageName_.empty() && rtl::FileExists(imageName_)) {
    if (!ownImage_) ownImage_ = std::make_unique<vcl::TPicture>();
    try {
      ownImage_->LoadFromFile(imageName_);
    } catch (const std::exception&) {
      ownImage_.reset();
      imageName_.clear();
    }
  } else {
    imageName_.clear();
    ownImage_.reset();
  }
  image_ = ownImage_.get();
}

void TPointPresenter::SetImage(vcl::TPicture* picture) {
  ownImage_.reset();
  imageName_.clear();
  image_ = picture;
}

void TPointPresenter::WriteProperties(TEarthStreamWriter& writer) {
  TEarthPresenter::WriteProperties(writer);
  writer.WriteShortInt(static_cast<int8_t>(PointType));
  writer.WriteShortInt(static_cast<int8_t>(pointUnit_));
  // A symbol of no size has nothing to bound, and a negated 0 would not tell the reader that a
  // maximum follows: it goes without one.
  if (MaxPointSize < 1 || pointSize_ < 1) {
    writer.WriteInteger(pointSize_);
  } else {
    writer.WriteInteger(-pointSize_);
    writer.WriteInteger(MaxPointSize);
  }
  writer.WriteSmallInt(SymbolIndex);
  writer.WriteShortString(imageName_);
  pen_->WriteProperties(writer);
  brush_->WriteProperties(writer);
  font_->WriteProperties(writer);
}

void TPointPresenter::ReadProperties(TEarthStreamReader& reader) {
  TEarthPresenter::ReadProperties(reader);
  const auto type = static_cast<uint8_t>(reader.ReadShortInt());
  PointType = type < PointPresenterTypeCount ? static_cast<TPointPresenterType>(type) : ppNone;
  const auto unit = static_cast<uint8_t>(reader.ReadShortInt());
  pointUnit_ =
      unit < EarthUnitTypesCount ? static_cast<TEarthUnitTypes>(unit) : TEarthUnitTypes::Pixel;
  const int32_t size = reader.ReadInteger();
  if (size < 0) {
    pointSize_ =
        size == std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::max() : -size;
    MaxPointSize = reader.ReadInteger();
  } else {
    pointSize_ = size;
  }
  SymbolIndex = reader.ReadSmallInt();
  const std::string image = reader.ReadShortString();
  pen_->ReadProperties(reader);
  brush_->ReadProperties(reader);
  font_->ReadProperties(reader);
  SetImageName(image);
}

void TPointPresenter::DrawSymbol(TCustomEarthMap* globe, const TPointLL& p) {
  if (!globe->Projection()->Model()->PointLLToXY(p, 0)) return;
  const int32_t x = gaPoints[0].X, y = gaPoints[0].Y;
  TEarthCanvas* canvas = globe->EarthCanvas();
  int32_t s = canvas->ScaleUnitsToDevice(pointSize_, pointUnit_);
  if (MaxPointSize > 0) {
    const Extended ratio =
        Extended(canvas->DevicePixelsPerInch()) / std::max(1, canvas->ScreenPixelsPerInch());
    s = std::min(s, SaturateToInt32(std::nearbyint(MaxPointSize * ratio)));
  }
  const int32_t h = s / 2;
  const gdi::HDC dc = canvas->Handle();
  const auto polygon = [&](std::initializer_list<gdi::POINT> pts) {
    gdi::Polygon(dc, pts.begin(), static_cast<int>(pts.size()));
  };
  switch (PointType) {
    case ppNone:
      break;
    case ppFontSymbol: {
      font_->RenderAttribute(canvas, false);
      const std::string text(1, static_cast<char>(SymbolIndex & 0xFF));
      gdi::SIZE size{};
      gdi::GetTextExtentPoint32(dc, text, &size);
      const Extended a = -Extended(font_->FontAngle()) / 10 * rtl::Pi / 180;
      const Extended w = size.cx, t = size.cy;
      gdi::SetTextAlign(dc, 0);
      gdi::TextOut(dc, x - static_cast<int>(std::trunc(w / 2 * std::cos(a) - t / 2 * std::sin(a))),
                   y - static_cast<int>(std::trunc(w / 2 * std::sin(a) + t / 2 * std::cos(a))),
                   text);
      break;
    }
    case ppImage:
      // A picture without width has no shape to keep.
      if (image_ && image_->Width() > 0 && image_->Graphic()) {
        const int32_t v =
            SaturateToInt32(std::nearbyint(Extended(image_->Height()) * h / image_->Width()));
        canvas->StretchDraw(vcl::TRect{x - h, y - v, x + h, y + v}, image_->Graphic());
      }
      break;
    case ppDot:
      gdi::SetPixel(dc, x, y, canvas->RenderColor(pen_->PenColor()));
      break;
    case ppCircle:
      gdi::Ellipse(dc, x - h, y - h, x + h, y + h);
      break;
    case ppSquare:
      gdi::Rectangle(dc, x - h, y - h, x + h, y + h);
      break;
    case ppDiamond:
      polygon({{x, y - h}, {x + h, y}, {x, y + h}, {x - h, y}});
      break;
    case ppTriangleUp:
      polygon({{x + h, y + h}, {x, y - h}, {x - h, y + h}});
      break;
    case ppTriangleDown:
      polygon({{x - h, y - h}, {x, y + h}, {x + h, y - h}});
      break;
    case ppTriangleLeft:
      polygon({{x + h, y + h}, {x - h, y}, {x + h, y - h}});
      break;
    case ppTriangleRight:
      polygon({{x - h, y - h}, {x + h, y}, {x - h, y + h}});
      break;
  }
}

void TPointPresenter::RenderObject(TCustomEarthMap* globe, TEarthObject* object,
                                   TEarthObjectStateSet state) {
  TEarthCanvas* canvas = globe->EarthCanvas();
  const bool selected = state.Contains(osSelected);
  pen_->RenderAttribute(canvas, selected);
  brush_->RenderAttribute(canvas, selected);
  ForEachPoint(object, [&](const TPointLL& p) {
    DrawSymbol(globe, p);
    if (PointType == ppFontSymbol) {  // the symbol font replaced the pen's colours
      pen_->RenderAttribute(canvas, selected);
      brush_->RenderAttribute(canvas, selected);
    }
    return false;
  });
}

bool TPointPresenter::LLInObject(TCustomEarthMap* globe, const TPointLL& point, int32_t,
                                 TEarthObject* object) {
  int64_t size = globe->EarthCanvas()->EarthUnitsFrom(pointSize_, pointUnit_);
  if (MaxPointSize > 0) {
    size = std::min<int64_t>(
        size, SaturateToInt32(std::nearbyint(MaxPointSize / globe->Projection()->ScaleFactor())));
  }
  const int64_t h = size / 2;
  // A box round every symbol drawn, not round the corner of the object's MER alone: a click on
  // any waypoint of a route drawn as symbols picks the route, and one on the empty corner of its
  // MER does not. For an object of one point the two are the same.
  bool hit = false;
  ForEachPoint(object, [&](const TPointLL& p) {
    const TMER box =
        MER(SaturateToInt32(Extended(p.iLongX) - h), SaturateToInt32(Extended(p.iLatY) - h),
            SaturateToInt32(2.0L * h), SaturateToInt32(2.0L * h));
    hit = PointLLinMER(point, box);
    return hit;
  });
  return hit;
}

void TPointPresenter::Assign(const rtl::TPersistent* source) {
  TEarthPresenter::Assign(source);
  const auto* other = dynamic_cast<const TPointPresenter*>(source);
  if (!other || other == this) return;
  PointType = other->PointType;
  SetPointUnit(other->pointUnit_);
  SetPointSize(other->pointSize_);
  SymbolIndex = other->SymbolIndex;
  SetImageName(other->imageName_);
  MaxPointSize = other->MaxPointSize;
  pen_->Assign(other->pen_.get());
  brush_->Assign(other->brush_.get());
  font_->Assign(other->font_.get());
}

std::unique_ptr<TEarthXML_Element> TPointPresenter::SaveEnvironment() {
  auto element = TEarthPresenter::SaveEnvironment();
  element->AddIntAttribute("Type", PointType);
  element->AddAttribute("Unit", UnitsToStr(pointUnit_));
  element->AddIntAttribute("Size", pointSize_);
  element->AddIntAttribute("MaxSize", MaxPointSize);
  element->AddIntAttribute("SymbolIndex", SymbolIndex);
  element->AddAttribute("ImageName", imageName_);
  element->AddElement("Pen", pen_->SaveEnvironment());
  element->AddElement("Brush", brush_->SaveEnvironment());
  element->AddElement("Font", font_->SaveEnvironment());
  return element;
}

void TPointPresenter::LoadEnvironment(TEarthXML_Element* element) {
  TEarthPresenter::LoadEnvironment(element);
  if (!element) return;
  const int type = SettingInt(element, "Type", PointType);
  PointType =
      type >= 0 && type < PointPresenterTypeCount ? static_cast<TPointPresenterType>(type) : ppNone;
  SetPointUnit(SettingUnits(element, "Unit", pointUnit_));
  SetPointSize(SettingInt(element, "Size", pointSize_));
  MaxPointSize = SettingInt(element, "MaxSize", MaxPointSize);
  SymbolIndex =
      static_cast<int16_t>(SettingInt(element, "SymbolIndex", SymbolIndex, INT16_MIN, INT16_MAX));
  SetImageName(element->AttributeByName("ImageName", imageName_));
  pen_->LoadEnvironment(element->ElementByName("Pen", 0));
  brush_->LoadEnvironment(element->ElementByName("Brush", 0));
  font_->LoadEnvironment(element->ElementByName("Font", 0));
}

// ---- Poly presenters ----------------------------------------------------------------------------

TPolyPresenter::TPolyPresenter(TCustomEarthMap* globe, int32_t id)
    : TEarthPresenter(globe, id),
      pen_(std::make_unique<TEarthPen>()),
      brush_(std::make_unique<TEarthBrush>()) {
  Name = "Poly Presenter";
  pen_->Define(gdi::TColor(0), psSolid, 1, TEarthUnitTypes::Pixel);
  brush_->Define(gdi::TColor(0xC0C0C0), bsSolid);
}

TPolyPresenter::~TPolyPresenter() = default;

int32_t TPolyPresenter::FindMatch(const std::string& className, const TEarthPresenterStore& store,
                                  const TEarthPen* pen, const TEarthBrush* brush,
                                  const TEarthFont* font) {
  for (int32_t i = 0; i < store.GetCount(); ++i) {
    const auto* p = dynamic_cast<const TPolyPresenter*>(store.GetPresenter(i));
    if (p && p->ClassName() == className && Matches(pen, *p->pen_) && Matches(brush, *p->brush_) &&
        Matches(font, *p->TitleFont())) {
      return p->PresenterID;
    }
  }
  return 0;
}

void TPolyPresenter::WriteProperties(TEarthStreamWriter& writer) {
  TEarthPresenter::WriteProperties(writer);
  pen_->WriteProperties(writer);
  brush_->WriteProperties(writer);
}

void TPolyPresenter::ReadProperties(TEarthStreamReader& reader) {
  TEarthPresenter::ReadProperties(reader);
  pen_->ReadProperties(reader);
  brush_->ReadProperties(reader);
}

void TPolyPresenter::DrawChains(TCustomEarthMap* globe, TEarthObject* object,
                                TEarthObjectStateSet state) {
  auto* geo = dynamic_cast<TGeoDataObject*>(object);
  if (!geo) return;
  TEarthCanvas* canvas = globe->EarthCanvas();
  const bool selected = state.Contains(osSelected);
  pen_->RenderAttribute(canvas, selected);
  if (state.Contains(osClosed)) brush_->RenderAttribute(canvas, selected);
  canvas->RenderChainStore(geo->Chains(), state,
                           canvas->ScaleUnitsToDevice(pen_->PenWidth(), pen_->PenUnit()));
}

void TPolyPresenter::RenderObject(TCustomEarthMap* globe, TEarthObject* object,
                                  TEarthObjectStateSet state) {
  state.Set(osClosed, object->GetClosed());
  DrawChains(globe, object, state);
}

void TPolyPresenter::Assign(const rtl::TPersistent* source) {
  TEarthPresenter::Assign(source);
  const auto* other = dynamic_cast<const TPolyPresenter*>(source);
  if (!other || other == this) return;
  pen_->Assign(other->pen_.get());
  brush_->Assign(other->brush_.get());
}

std::unique_ptr<TEarthXML_Element> TPolyPresenter::SaveEnvironment() {
  auto element = TEarthPresenter::SaveEnvironment();
  element->AddElement("Pen", pen_->SaveEnvironment());
  element->AddElement("Brush", brush_->SaveEnvironment());
  return element;
}

void TPolyPresenter::LoadEnvironment(TEarthXML_Element* element) {
  TEarthPresenter::LoadEnvironment(element);
  if (!element) return;
  pen_->LoadEnvironment(element->ElementByName("Pen", 0));
  brush_->LoadEnvironment(element->ElementByName("Brush", 0));
}

TPolygonPresenter::TPolygonPresenter(TCustomEarthMap* globe, int32_t id)
    : TPolyPresenter(globe, id) {
  Name = "Polygon Presenter";
}

void TPolygonPresenter::RenderObject(TCustomEarthMap* globe, TEarthObject* object,
                                     TEarthObjectStateSet state) {
  object->SetClosed(true);
  state.Include(osClosed);
  DrawChains(globe, object, state);
}

TPolylinePresenter::TPolylinePresenter(TCustomEarthMap* globe, int32_t id)
    : TPolyPresenter(globe, id) {
  Name = "Polyline Presenter";
}

void TPolylinePresenter::WriteProperties(TEarthStreamWriter& writer) {
  TEarthPresenter::WriteProperties(writer);
  PolyPen()->WriteProperties(writer);
}

void TPolylinePresenter::ReadProperties(TEarthStreamReader& reader) {
  TEarthPresenter::ReadProperties(reader);
  PolyPen()->ReadProperties(reader);
}

void TPolylinePresenter::RenderObject(TCustomEarthMap* globe, TEarthObject* object,
                                      TEarthObjectStateSet state) {
  object->SetClosed(false);
  state.Exclude(osClosed);
  DrawChains(globe, object, state);
}

void RegisterPresenters() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEarthClass<TPointPresenter>(
        "TPointPresenter",
        [](TCustomEarthMap* g, int32_t id) -> rtl::TObject* { return new TPointPresenter(g, id); });
    RegisterEarthClass<TPolyPresenter>(
        "TPolyPresenter",
        [](TCustomEarthMap* g, int32_t id) -> rtl::TObject* { return new TPolyPresenter(g, id); });
    RegisterEarthClass<TPolygonPresenter>("TPolygonPresenter",
                                          [](TCustomEarthMap* g, int32_t id) -> rtl::TObject* {
                                            return new TPolygonPresenter(g, id);
                                          });
    RegisterEarthClass<TPolylinePresenter>("TPolylinePresenter",
                                           [](TCustomEarthMap* g, int32_t id) -> rtl::TObject* {
                                             return new TPolylinePresenter(g, id);
                                           });
  });
}
