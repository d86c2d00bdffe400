#pragma once
// Pens, brushes and fonts of the map: device-independent settings (colour, style, a size in any
// unit) that make their GDI object lazily for the canvas they are used on, and re-make it when
// the colour adjustment, or for sizes in ground units the altitude, changed.
#include <functional>
#include <memory>
#include <string>

#include "map/earthstream.h"
#include "platform/gdi/gdi.h"

class TEarthCanvas;

enum TEarthBrushStyle : uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross,
  bsPattern1,
  bsPattern50 = 57
};
// Styles a brush record may hold: the named ones and the two unnamed patterns after them.
inline constexpr int EarthBrushStyleCount = 60;

enum TEarthPenStyle : uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame
};
inline constexpr int EarthPenStyleCount = 7;

enum TEarthFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TEarthFontStyles = TSet16<TEarthFontStyle>;

class TEarthAttribute : public TEarthENVPersistent {
 public:
  TEarthAttribute() = default;
  ~TEarthAttribute() override;
  TEarthAttribute(const TEarthAttribute&) = delete;
  TEarthAttribute& operator=(const TEarthAttribute&) = delete;

  virtual void CreateHandle() = 0;
  virtual void DestroyHandle(gdi::HGDIOBJ stockObject);
  virtual bool Equals(const TEarthAttribute& other) const = 0;
  virtual void RenderAttribute(TEarthCanvas* canvas, bool selected);
  virtual std::unique_ptr<TEarthAttribute> Clone() const = 0;
  virtual void WriteProperties(TEarthStreamWriter& writer) const = 0;
  virtual void ReadProperties(TEarthStreamReader& reader) = 0;

  gdi::HGDIOBJ Handle() const { return handle_; }
  TEarthCanvas* Canvas() const { return canvas_; }

  // Called after every change of the settings (not of the handle), so that an owner redraws.
  std::function<void()> OnChange;
  // Called by a canvas that is going away: the handle is released while its DC still lives.
  void CanvasFreed(TEarthCanvas* canvas);

 protected:
  void DestroyOwnHandle() { DestroyHandle(StockObject()); }
  void Changed() {
    if (OnChange) OnChange();
  }
  // What DestroyHandle selects into the DC before the handle is deleted.
  virtual gdi::HGDIOBJ StockObject() const = 0;
  void SetHandle(gdi::HGDIOBJ h) { handle_ = h; }
  void SetCanvas(TEarthCanvas* canvas);

  int32_t adjustmentStamp_ = 0;

 private:
  gdi::HGDIOBJ handle_{};
  TEarthCanvas* canvas_ = nullptr;
};

class TEarthPen : public TEarthAttribute {
 public:
  TEarthPen() = default;
  ~TEarthPen() override;

  void Define(gdi::TColor color, TEarthPenStyle style, int32_t width, TEarthUnitTypes unit);
  void SetPenColor(gdi::TColor c);
  void SetPenStyle(TEarthPenStyle s);
  void SetPenWidth(int32_t w);
  void SetPenUnit(TEarthUnitTypes u);
  gdi::TColor PenColor() const { return color_; }
  TEarthPenStyle PenStyle() const { return style_; }
  int32_t PenWidth() const { return width_; }
  TEarthUnitTypes PenUnit() const { return unit_; }

  void CreateHandle() override;
  bool Equals(const TEarthAttribute& other) const override;
  void RenderAttribute(TEarthCanvas* canvas, bool selected) override;
  std::unique_ptr<TEarthAttribute> Clone() const override;
  void WriteProperties(TEarthStreamWriter& writer) const override;
  void ReadProperties(TEarthStreamReader& reader) override;
  void Assign(const rtl::TPersistent* source) override;
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

 protected:
  gdi::HGDIOBJ StockObject() const override;

 private:
  void Remake();
  int32_t altitudeStamp_ = 0;
  gdi::TColor color_ = gdi::TColor(0);
  TEarthPenStyle style_ = psSolid;
  int32_t width_ = 0;
  TEarthUnitTypes unit_ = TEarthUnitTypes::Pixel;
};

class TEarthBrush : public TEarthAttribute {
 public:
  TEarthBrush() = default;
  ~TEarthBrush() override;

  void Define(gdi::TColor color, TEarthBrushStyle style);
  void SetBrushColor(gdi::TColor c);
  void SetBrushBkColor(gdi::TColor c);
  void SetBrushStyle(TEarthBrushStyle s);
  gdi::TColor BrushColor() const { return color_; }
  gdi::TColor BrushBkColor() const { return bkColor_; }
  TEarthBrushStyle BrushStyle() const { return style_; }

  void CreateHandle() override;
  bool Equals(const TEarthAttribute& other) const override;
  void RenderAttribute(TEarthCanvas* canvas, bool selected) override;
  std::unique_ptr<TEarthAttribute> Clone() const override;
  void WriteProperties(TEarthStreamWriter& writer) const override;
  void ReadProperties(TEarthStreamReader& reader) override;
  void Assign(const rtl::TPersistent* source) override;
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

 protected:
  gdi::HGDIOBJ StockObject() const override { return {}; }

 private:
  void Remake();
  gdi::TColor color_ = gdi::TColor(0);
  TEarthBrushStyle style_ = bsSolid;
  gdi::TColor bkColor_ = gdi::TColor(0);
};

class TEarthFont : public TEarthAttribute {
 public:
  TEarthFont() = default;
  ~TEarthFont() override;

  void Define(const std::string& name, gdi::TColor color, int32_t size, TEarthUnitTypes unit,
              int32_t angle, TEarthFontStyles style);
  void SetFontName(const std::string& name);
  void SetFontColor(gdi::TColor c);
  void SetFontSize(int32_t size);
  void SetFontUnit(TEarthUnitTypes u);
  void SetFontAngle(int32_t tenths);
  void SetStyle(TEarthFontStyles s);
  const std::string& FontName() const { return name_; }
  gdi::TColor FontColor() const { return color_; }
  int32_t FontSize() const { return size_; }
  TEarthUnitTypes FontUnit() const { return unit_; }
  int32_t FontAngle() const { return angle_; }
  TEarthFontStyles FontStyle() const { return style_; }

  void CreateHandle() override;
  bool Equals(const TEarthAttribute& other) const override;
  void RenderAttribute(TEarthCanvas* canvas, bool selected) override;
  std::unique_ptr<TEarthAttribute> Clone() const override;
  void WriteProperties(TEarthStreamWriter& writer) const override;
  void ReadProperties(TEarthStreamReader& reader) override;
  void Assign(const rtl::TPersistent* source) override;
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

 protected:
  gdi::HGDIOBJ StockObject() const override;

 private:
  int32_t altitudeStamp_ = 0;
  TEarthUnitTypes unit_ = TEarthUnitTypes::Degree;
  gdi::TColor color_ = gdi::TColor(0);
  int32_t size_ = 0;
  int32_t angle_ = 0;
  TEarthFontStyles style_;
  std::string name_;
};

// The tallest glyphs a font in a ground unit is realised with, whatever the zoom.
inline constexpr int32_t MaxFontRenderHeight = 1024;
