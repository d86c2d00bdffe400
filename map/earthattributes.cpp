// Pens, brushes and fonts of the map: handles, records and XML.
#include "map/earthattributes.h"

#include <algorithm>

#include "map/earthcanvas.h"
#include "map/earthcustommap.h"
#include "map/earthresource.h"
#include "map/earthsettings.h"
#include "platform/rtl/sysutils.h"

namespace {

// The widest pen the map draws with, whatever its ground size at the present zoom.
constexpr int32_t kMaxPenWidth = 32767;

int32_t AltitudeOf(const TEarthCanvas* canvas) {
  return canvas && canvas->GetProjection() ? canvas->GetProjection()->Altitude() : 0;
}

template <typename T>
std::unique_ptr<TEarthAttribute> CloneOf(const T& a) {
  auto c = std::make_unique<T>();
  c->Assign(&a);
  return c;
}

uint8_t ReadByte(TEarthStreamReader& reader) {
  return static_cast<uint8_t>(reader.ReadShortInt());
}
void WriteByte(TEarthStreamWriter& writer, int v) {
  writer.WriteShortInt(static_cast<int8_t>(static_cast<uint8_t>(v)));
}

TEarthUnitTypes CheckedUnit(uint8_t v) {
  if (v >= EarthUnitTypesCount) throw EEarthException("Invalid unit in attribute record");
  return static_cast<TEarthUnitTypes>(v);
}

}  // namespace

// ---- TEarthAttribute ----------------------------------------------------------------------------

TEarthAttribute::~TEarthAttribute() {
  if (canvas_) canvas_->DetachAttribute(this);
}

void TEarthAttribute::SetCanvas(TEarthCanvas* canvas) {
  if (canvas == canvas_) return;
  if (canvas_) canvas_->DetachAttribute(this);
  canvas_ = canvas;
  if (canvas_) canvas_->AttachAttribute(this);
}

void TEarthAttribute::CanvasFreed(TEarthCanvas* canvas) {
  if (canvas != canvas_) return;
  DestroyOwnHandle();
  canvas_ = nullptr;
}

void TEarthAttribute::DestroyHandle(gdi::HGDIOBJ stockObject) {
  if (!handle_) return;
  if (canvas_ && canvas_->HandleAllocated()) {
    const gdi::HDC dc = canvas_->Handle();
    if (stockObject) {
      gdi::SelectObject(dc, stockObject);
    } else {
      gdi::SelectObject(dc, gdi::GetStockObject(gdi::BLACK_PEN));
      gdi::SelectObject(dc, gdi::GetStockObject(gdi::WHITE_BRUSH));
      gdi::SelectObject(dc, gdi::GetStockObject(gdi::SYSTEM_FONT));
    }
  }
  gdi::DeleteObject(handle_);
  handle_ = {};
}

void TEarthAttribute::RenderAttribute(TEarthCanvas* canvas, bool /*selected*/) {
  if (canvas != canvas_) {
    DestroyOwnHandle();
    SetCanvas(canvas);
  }
  if (canvas_ && handle_ && adjustmentStamp_ != canvas_->AttributeGeneration()) DestroyOwnHandle();
  if (!handle_) CreateHandle();
  if (canvas_) adjustmentStamp_ = canvas_->AttributeGeneration();
}

// ---- TEarthPen ----------------------------------------------------------------------------------

TEarthPen::~TEarthPen() {
  DestroyOwnHandle();
}

gdi::HGDIOBJ TEarthPen::StockObject() const {
  return gdi::GetStockObject(gdi::BLACK_PEN);
}

void TEarthPen::Define(gdi::TColor color, TEarthPenStyle style, int32_t width,
                       TEarthUnitTypes unit) {
  color_ = color;
  style_ = style;
  width_ = width;
  unit_ = unit;
  DestroyOwnHandle();
  Changed();
}

void TEarthPen::Remake() {
  if (Handle()) CreateHandle();
  Changed();
}
void TEarthPen::SetPenColor(gdi::TColor c) {
  color_ = c;
  Remake();
}
void TEarthPen::SetPenStyle(TEarthPenStyle s) {
  if (s >= EarthPenStyleCount) return;
  style_ = s;
  Remake();
}
void TEarthPen::SetPenWidth(int32_t w) {
  width_ = w;
  Remake();
}
void TEarthPen::SetPenUnit(TEarthUnitTypes u) {
  if (static_cast<int>(u) >= EarthUnitTypesCount) return;
  unit_ = u;
  Remake();
}

void TEarthPen::CreateHandle() {
  DestroyOwnHandle();
  const TEarthCanvas* canvas = Canvas();
  if (!canvas) return;
  const int32_t width = std::clamp(canvas->ScaleUnitsToDevice(width_, unit_), 0, kMaxPenWidth);
  altitudeStamp_ = AltitudeOf(canvas);
  SetHandle(gdi::CreatePen(style_, width, canvas->RenderColor(color_)));
}

void TEarthPen::RenderAttribute(TEarthCanvas* canvas, bool selected) {
  TEarthAttribute::RenderAttribute(canvas, selected);
  if (unit_ != TEarthUnitTypes::Pixel && AltitudeOf(canvas) != altitudeStamp_) CreateHandle();
  if (!Handle() || !canvas) return;
  TEarthPen* selectedPen = canvas->Globe()->SelectedPen();
  if (selected && selectedPen && selectedPen != this) {
    selectedPen->RenderAttribute(canvas, false);
  } else {
    gdi::SelectObject(canvas->Handle(), Handle());
  }
  gdi::SetBkMode(canvas->Handle(), gdi::TRANSPARENT);
}

bool TEarthPen::Equals(const TEarthAttribute& other) const {
  const auto* o = dynamic_cast<const TEarthPen*>(&other);
  return o && o->color_ == color_ && o->style_ == style_ && o->width_ == width_ &&
         o->unit_ == unit_;
}

void TEarthPen::Assign(const rtl::TPersistent* source) {
  if (const auto* o = dynamic_cast<const TEarthPen*>(source)) {
    SetPenColor(o->color_);
    SetPenStyle(o->style_);
    SetPenWidth(o->width_);
    SetPenUnit(o->unit_);
    return;
  }
  TEarthAttribute::Assign(source);
}

std::unique_ptr<TEarthAttribute> TEarthPen::Clone() const {
  return CloneOf(*this);
}

void TEarthPen::WriteProperties(TEarthStreamWriter& writer) const {
  writer.WriteInteger(color_);
  WriteByte(writer, style_);
  writer.WriteInteger(width_);
  WriteByte(writer, static_cast<int>(unit_));
}

void TEarthPen::ReadProperties(TEarthStreamReader& reader) {
  const auto color = static_cast<gdi::TColor>(reader.ReadInteger());
  const uint8_t style = ReadByte(reader);
  int32_t width = 0;
  TEarthUnitTypes unit = TEarthUnitTypes::Pixel;
  if (giFileVersion < 0x0400) {
    width = ReadByte(reader);
  } else {
    width = reader.ReadInteger();
    unit = CheckedUnit(ReadByte(reader));
  }
  if (style >= EarthPenStyleCount) throw EEarthException("Invalid pen style in attribute record");
  Define(color, static_cast<TEarthPenStyle>(style), width, unit);
}

std::unique_ptr<TEarthXML_Element> TEarthPen::SaveEnvironment() {
  auto e = std::make_unique<TEarthXML_Element>();
  e->AddAttribute("Color", gdi::ColorToString(color_));
  e->AddIntAttribute("Style", style_);
  e->AddIntAttribute("Width", width_);
  e->AddAttribute("Unit", UnitsToStr(unit_));
  return e;
}

void TEarthPen::LoadEnvironment(TEarthXML_Element* e) {
  if (!e) return;
  SetPenColor(SettingColor(e, "Color", color_));
  SetPenStyle(
      static_cast<TEarthPenStyle>(SettingInt(e, "Style", style_, 0, EarthPenStyleCount - 1)));
  SetPenWidth(SettingInt(e, "Width", width_, INT32_MIN, INT32_MAX));
  SetPenUnit(SettingUnits(e, "Unit", unit_));
}

// ---- TEarthBrush --------------------------------------------------------------------------------

TEarthBrush::~TEarthBrush() {
  DestroyOwnHandle();
}

void TEarthBrush::Define(gdi::TColor color, TEarthBrushStyle style) {
  color_ = bkColor_ = color;
  style_ = style;
  DestroyOwnHandle();
  Changed();
}

void TEarthBrush::Remake() {
  if (Handle()) CreateHandle();
  Changed();
}
void TEarthBrush::SetBrushColor(gdi::TColor c) {
  color_ = c;
  Remake();
}
void TEarthBrush::SetBrushBkColor(gdi::TColor c) {
  bkColor_ = c;
  Remake();
}
void TEarthBrush::SetBrushStyle(TEarthBrushStyle s) {
  if (s >= EarthBrushStyleCount) return;
  style_ = s;
  Remake();
}

void TEarthBrush::CreateHandle() {
  DestroyOwnHandle();
  const TEarthCanvas* canvas = Canvas();
  if (!canvas) return;
  if (style_ > bsDiagCross) {
    gdi::HBITMAP pattern = LoadBrushPattern(style_);
    if (pattern) {
      SetHandle(gdi::CreatePatternBrush(pattern));
      gdi::DeleteObject(pattern);
    }
  } else if (style_ == bsSolid) {
    SetHandle(gdi::CreateSolidBrush(canvas->RenderColor(color_)));
  } else if (style_ == bsClear) {
    gdi::LOGBRUSH lb;
    lb.lbStyle = gdi::BS_NULL;
    SetHandle(gdi::CreateBrushIndirect(&lb));
  } else {
    SetHandle(gdi::CreateHatchBrush(style_ - bsHorizontal, canvas->RenderColor(color_)));
  }
}

void TEarthBrush::RenderAttribute(TEarthCanvas* canvas, bool selected) {
  TEarthAttribute::RenderAttribute(canvas, selected);
  if (!Handle() || !canvas) return;
  TEarthBrush* selectedBrush = canvas->Globe()->SelectedBrush();
  if (selected && selectedBrush && selectedBrush != this) {
    selectedBrush->RenderAttribute(canvas, false);
    return;
  }
  const gdi::HDC dc = canvas->Handle();
  if (bkColor_ != color_) {
    gdi::SetBkMode(dc, gdi::OPAQUE);
    gdi::SetBkColor(dc, canvas->RenderColor(bkColor_));
  } else {
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
  }
  if (style_ > bsDiagCross) {
    gdi::SetTextColor(dc, canvas->RenderColor(color_));
  } else {
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
  }
  gdi::SelectObject(dc, Handle());
}

bool TEarthBrush::Equals(const TEarthAttribute& other) const {
  const auto* o = dynamic_cast<const TEarthBrush*>(&other);
  return o && o->color_ == color_ && o->style_ == style_ && o->bkColor_ == bkColor_;
}

void TEarthBrush::Assign(const rtl::TPersistent* source) {
  if (const auto* o = dynamic_cast<const TEarthBrush*>(source)) {
    SetBrushColor(o->color_);
    SetBrushStyle(o->style_);
    SetBrushBkColor(o->bkColor_);
    return;
  }
  TEarthAttribute::Assign(source);
}

std::unique_ptr<TEarthAttribute> TEarthBrush::Clone() const {
  return CloneOf(*this);
}

void TEarthBrush::WriteProperties(TEarthStreamWriter& writer) const {
  writer.WriteInteger(color_);
  writer.WriteInteger(bkColor_);
  WriteByte(writer, style_);
}

void TEarthBrush::ReadProperties(TEarthStreamReader& reader) {
  const auto color = static_cast<gdi::TColor>(reader.ReadInteger());
  gdi::TColor bk = color;
  if (giFileVersion >= 0x0405) bk = static_cast<gdi::TColor>(reader.ReadInteger());
  const uint8_t style = ReadByte(reader);
  if (style >= EarthBrushStyleCount)
    throw EEarthException("Invalid brush style in attribute record");
  Define(color, static_cast<TEarthBrushStyle>(style));
  bkColor_ = bk;
}

std::unique_ptr<TEarthXML_Element> TEarthBrush::SaveEnvironment() {
  auto e = std::make_unique<TEarthXML_Element>();
  e->AddAttribute("Color", gdi::ColorToString(color_));
  e->AddAttribute("BkColor", gdi::ColorToString(bkColor_));
  e->AddIntAttribute("Style", style_);
  return e;
}

void TEarthBrush::LoadEnvironment(TEarthXML_Element* e) {
  if (!e) return;
  SetBrushColor(SettingColor(e, "Color", color_));
  SetBrushBkColor(SettingColor(e, "BkColor", bkColor_));
  SetBrushStyle(
      static_cast<TEarthBrushStyle>(SettingInt(e, "Style", style_, 0, EarthBrushStyleCount - 1)));
}

// ---- TEarthFont ---------------------------------------------------------------------------------

TEarthFont::~TEarthFont() {
  DestroyOwnHandle();
}

gdi::HGDIOBJ TEarthFont::StockObject() const {
  return gdi::GetStockObject(gdi::SYSTEM_FONT);
}

void TEarthFont::Define(const std::string& name, gdi::TColor color, int32_t size,
                        TEarthUnitTypes unit, int32_t angle, TEarthFontStyles style) {
  name_ = name;
  color_ = color;
  size_ = size;
  unit_ = unit;
  angle_ = angle;
  style_ = style;
  DestroyOwnHandle();
}

void TEarthFont::SetFontName(const std::string& name) {
  name_ = name;
  DestroyOwnHandle();
}
void TEarthFont::SetFontColor(gdi::TColor c) {
  color_ = c;
  DestroyOwnHandle();
}
void TEarthFont::SetFontSize(int32_t size) {
  size_ = size;
  DestroyOwnHandle();
}
void TEarthFont::SetFontUnit(TEarthUnitTypes u) {
  if (static_cast<int>(u) >= EarthUnitTypesCount) return;
  unit_ = u;
  DestroyOwnHandle();
}
void TEarthFont::SetFontAngle(int32_t tenths) {
  angle_ = tenths;
  DestroyOwnHandle();
}
void TEarthFont::SetStyle(TEarthFontStyles s) {
  style_ = TEarthFontStyles::FromWord(s.Word() & 15);
  DestroyOwnHandle();
}

void TEarthFont::CreateHandle() {
  DestroyOwnHandle();
  const TEarthCanvas* canvas = Canvas();
  if (!canvas) return;
  altitudeStamp_ = AltitudeOf(canvas);
  int32_t h = canvas->FontRenderHeight(size_, unit_);
  const TCustomEarthMap* globe = canvas->Globe();
  if (h < globe->GetMinTextHeight()) return;
  if (globe->GetMaxTextHeight() > 0 && h > globe->GetMaxTextHeight()) h = globe->GetMaxTextHeight();
  // Deep zoom gives ground-sized text heights no label needs (and no glyph cache can hold).
  h = std::min(h, MaxFontRenderHeight);
  SetHandle(gdi::CreateFont(-h, 0, angle_, angle_, style_.Contains(fsBold) ? gdi::FW_BOLD : 400,
                            style_.Contains(fsItalic), style_.Contains(fsUnderline),
                            style_.Contains(fsStrikeOut), gdi::DEFAULT_CHARSET, 0, 0, 0, 0,
                            name_.c_str()));
}

void TEarthFont::RenderAttribute(TEarthCanvas* canvas, bool selected) {
  TEarthAttribute::RenderAttribute(canvas, selected);
  if (unit_ != TEarthUnitTypes::Pixel && AltitudeOf(canvas) != altitudeStamp_) CreateHandle();
  if (!Handle() || !canvas) return;
  const gdi::HDC dc = canvas->Handle();
  gdi::SelectObject(dc, Handle());
  gdi::SetTextAlign(dc, gdi::TA_LEFT | gdi::TA_TOP);
  const TEarthPen* selectedPen = canvas->Globe()->SelectedPen();
  gdi::SetTextColor(
      dc, canvas->RenderColor(selected && selectedPen ? selectedPen->PenColor() : color_));
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
}

bool TEarthFont::Equals(const TEarthAttribute& other) const {
  const auto* o = dynamic_cast<const TEarthFont*>(&other);
  return o && rtl::SameText(o->name_, name_) && o->color_ == color_ && o->size_ == size_ &&
         o->unit_ == unit_ && o->angle_ == angle_ && o->style_ == style_;
}

void TEarthFont::Assign(const rtl::TPersistent* source) {
  if (const auto* o = dynamic_cast<const TEarthFont*>(source)) {
    SetFontName(o->name_);
    SetFontColor(o->color_);
    SetFontSize(o->size_);
    SetFontUnit(o->unit_);
    SetFontAngle(o->angle_);
    SetStyle(o->style_);
    return;
  }
  TEarthAttribute::Assign(source);
}

std::unique_ptr<TEarthAttribute> TEarthFont::Clone() const {
  return CloneOf(*this);
}

void TEarthFont::WriteProperties(TEarthStreamWriter& writer) const {
  writer.WriteInteger(color_);
  WriteByte(writer, static_cast<int>(unit_));
  writer.WriteSmallInt(static_cast<int16_t>(size_));
  writer.WriteSmallInt(static_cast<int16_t>(angle_));
  WriteByte(writer, style_.Word());
  writer.WriteShortString(name_);
}

void TEarthFont::ReadProperties(TEarthStreamReader& reader) {
  const auto color = static_cast<gdi::TColor>(reader.ReadInteger());
  const TEarthUnitTypes unit = CheckedUnit(ReadByte(reader));
  const int16_t size = reader.ReadSmallInt();
  const int16_t angle = reader.ReadSmallInt();
  const uint8_t style = ReadByte(reader);
  if (style > 15) throw EEarthException("Invalid font style in attribute record");
  const std::string name = reader.ReadShortString();
  SetFontColor(color);
  SetFontUnit(unit);
  SetFontSize(size);
  SetFontAngle(angle);
  SetStyle(TEarthFontStyles::FromWord(style));
  SetFontName(name);
}

std::unique_ptr<TEarthXML_Element> TEarthFont::SaveEnvironment() {
  auto e = std::make_unique<TEarthXML_Element>();
  e->AddAttribute("Name", name_);
  e->AddAttribute("Color", gdi::ColorToString(color_));
  e->AddIntAttribute("Style", style_.Word());
  e->AddIntAttribute("Size", size_);
  e->AddIntAttribute("Angle", angle_);
  e->AddAttribute("Unit", UnitsToStr(unit_));
  return e;
}

void TEarthFont::LoadEnvironment(TEarthXML_Element* e) {
  if (!e) return;
  SetFontName(e->AttributeByName("Name", name_));
  SetFontColor(SettingColor(e, "Color", color_));
  SetStyle(TEarthFontStyles::FromWord(
      static_cast<uint16_t>(SettingInt(e, "Style", style_.Word(), 0, 15))));
  SetFontSize(SettingInt(e, "Size", size_, INT32_MIN, INT32_MAX));
  SetFontAngle(SettingInt(e, "Angle", angle_, INT32_MIN, INT32_MAX));
  SetFontUnit(SettingUnits(e, "Unit", unit_));
}
