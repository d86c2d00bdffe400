#pragma once
// Drawing tools of the class library: pens, brushes and fonts that own their graphics handles
// and tell their users (a canvas, a control) about every change through OnChange.
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/gdi/text.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/rtl/exceptions.h"

namespace vcl {

using gdi::TColor;
using TRect = gdi::RECT;
using TPoint = gdi::POINT;
// The named colours of the graphics layer, usable as vcl::clRed.
using gdi::cl3DDkShadow;
using gdi::cl3DLight;
using gdi::clActiveBorder;
using gdi::clActiveCaption;
using gdi::clAppWorkSpace;
using gdi::clAqua;
using gdi::clBackground;
using gdi::clBlack;
using gdi::clBlue;
using gdi::clBtnFace;
using gdi::clBtnHighlight;
using gdi::clBtnShadow;
using gdi::clBtnText;
using gdi::clCaptionText;
using gdi::clCream;
using gdi::clDefault;
using gdi::clDkGray;
using gdi::clFuchsia;
using gdi::clGradientActiveCaption;
using gdi::clGradientInactiveCaption;
using gdi::clGray;
using gdi::clGrayText;
using gdi::clGreen;
using gdi::clHighlight;
using gdi::clHighlightText;
using gdi::clHotLight;
using gdi::clInactiveBorder;
using gdi::clInactiveCaption;
using gdi::clInactiveCaptionText;
using gdi::clInfoBk;
using gdi::clInfoText;
using gdi::clLime;
using gdi::clLtGray;
using gdi::clMaroon;
using gdi::clMedGray;
using gdi::clMenu;
using gdi::clMenuBar;
using gdi::clMenuHighlight;
using gdi::clMenuText;
using gdi::clMoneyGreen;
using gdi::clNavy;
using gdi::clNone;
using gdi::clOlive;
using gdi::clPurple;
using gdi::clRed;
using gdi::clScrollBar;
using gdi::clSilver;
using gdi::clSkyBlue;
using gdi::clSystemColor;
using gdi::clTeal;
using gdi::clWhite;
using gdi::clWindow;
using gdi::clWindowFrame;
using gdi::clWindowText;
using gdi::clYellow;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TBitmap;

// Base of pens, brushes and fonts: OnChange fires after every property change.
class TGraphicsObject : public rtl::TPersistent {
 public:
  rtl::TNotifyEvent OnChange;

 protected:
  virtual void Changed();
};

class TPen : public TGraphicsObject {
 public:
  TPen() = default;
  ~TPen() override;
  TPen(const TPen&) = delete;
  TPen& operator=(const TPen&) = delete;

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode v);
  void Assign(const rtl::TPersistent* source) override;
  // Created on first use and again after a change.
  gdi::HPEN Handle();

 protected:
  void Changed() override;

 private:
  TColor color_ = gdi::clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  gdi::HPEN handle_{};
};

class TBrush : public TGraphicsObject {
 public:
  TBrush() = default;
  ~TBrush() override;
  TBrush(const TBrush&) = delete;
  TBrush& operator=(const TBrush&) = delete;

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v);
  // An 8x8 pattern bitmap (not owned); nullptr for a plain brush.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* v);
  void Assign(const rtl::TPersistent* source) override;
  gdi::HBRUSH Handle();

 protected:
  void Changed() override;

 private:
  TColor color_ = gdi::clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
  gdi::HBRUSH handle_{};
};

class TFont : public TGraphicsObject {
 public:
  TFont() = default;
  ~TFont() override;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v);
  // Points at PixelsPerInch; Height is the same size in pixels, negative for the em height.
  int Size() const;
  void SetSize(int v);
  int Height() const { return height_; }
  void SetHeight(int v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch v);
  int Orientation() const { return orientation_; }  // tenths of a degree
  void SetOrientation(int v);
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int v) { pixelsPerInch_ = v; }
  void Assign(const rtl::TPersistent* source) override;
  bool SameAs(const TFont* other) const;
  gdi::HFONT Handle();

 protected:
  void Changed() override;

 private:
  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TColor color_ = gdi::clWindowText;
  TFontStyles style_ = 0;
  TFontPitch pitch_ = fpDefault;
  int orientation_ = 0;
  int pixelsPerInch_ = 96;
  gdi::HFONT handle_{};
};

}  // namespace vcl
