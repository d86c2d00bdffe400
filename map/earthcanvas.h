#pragma once
// The map's drawing surface: a canvas that draws into its 24-bit back buffer (or any DC it is
// given), converts sizes to device pixels, adjusts colours, clips projected polygons, draws
// chain stores across the back meridian and maps textures onto the globe.
#include <memory>
#include <vector>

#include "map/earthattributes.h"
#include "map/earthprojection.h"
#include "platform/vcl/canvas.h"

class TEarthCanvas : public vcl::TCanvas {
 public:
  explicit TEarthCanvas(TCustomEarthMap* globe);
  ~TEarthCanvas() override;

  void Assign(const TEarthCanvas& other);
  std::unique_ptr<TEarthCanvas> Clone() const;

  // A new back buffer of width x height, the projection resized to it; false when the size is
  // not positive.
  bool SizeBMP(int32_t width, int32_t height, int32_t devicePixelsPerInch);
  // Draws into the back buffer through a memory DC of its own (canvas: whose font resolution to
  // take; may be nil).
  void SelectBMP(vcl::TCanvas* canvas);
  void ReleaseBMP(gdi::HDC dc);
  // The window's image: the back buffer with what is drawn over it at every change (animated
  // layers), of the back buffer's size. While it is selected (after SelectBMP) the canvas and
  // Bits() draw into it; true when it was made just now, its pixels not yet the back buffer's.
  bool SelectFrontBuffer(bool front);
  // Copies the back buffer into the window's image within r, clipped to the canvas (all of it
  // for nullptr).
  void CopyBackToFront(const gdi::RECT* r);
  void SetDC(gdi::HDC dc) { SetHandle(dc); }
  // For drawing straight onto a DC of width x height at its resolution: the projection resized
  // and no back buffer (a buffer of another size would be overrun); false when the size is not
  // positive.
  bool SizeDC(int32_t width, int32_t height, int32_t devicePixelsPerInch);
  void RefreshDC();

  TEarthProjection* GetProjection() const;
  TCustomEarthMap* Globe() const { return globe_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t DevicePixelsPerInch() const { return devicePPI_; }
  int32_t ScreenPixelsPerInch() const { return screenPPI_; }
  // First byte of the pixel data drawn into (bottom row first) and its row stride.
  uint8_t* Bits() const { return bits_; }
  int32_t Stride() const { return stride_; }
  gdi::HBITMAP BackBuffer() const { return bitmap_; }
  int32_t AttributeGeneration() const { return generation_; }

  int32_t ColorAdjustPercent() const { return adjustPercent_; }
  gdi::TColor ColorAdjustTarget() const { return adjustTarget_; }
  void SetColorAdjustPercent(int32_t p);
  void SetColorAdjustTarget(gdi::TColor c);
  gdi::COLORREF RenderColor(gdi::TColor c) const;

  int32_t ScaleUnitsToDevice(int32_t v, TEarthUnitTypes unit) const;
  int32_t EarthUnitsFrom(Extended v, TEarthUnitTypes unit) const;
  int32_t FontRenderHeight(int32_t size, TEarthUnitTypes unit) const;

  int32_t ClipPoly(int32_t count, TEarthObjectStateSet state, int32_t margin);
  void DrawClippedPoly(int32_t count, TEarthObjectStateSet state, int32_t margin);
  void RenderChainStore(TChainStore& chains, TEarthObjectStateSet state, int32_t margin);
  void DrawVectorMatrixLine(const TV3D& v, const TMatrix& matrix, int32_t steps, int32_t height);
  void RenderTextureMap(const TTextureData& texture);
  // corners: three positions.
  void RenderTextureTriangle(const TPointLL* corners, const TTextureData& texture);

  TEarthPen* DefaultPen() const { return pen_.get(); }
  TEarthBrush* DefaultBrush() const { return brush_.get(); }
  TEarthFont* SymbolFont() const { return symbolFont_.get(); }
  TEarthFont* TextFont() const { return textFont_.get(); }

  // Attributes holding a GDI object made for this canvas; released when it goes away.
  void AttachAttribute(TEarthAttribute* a);
  void DetachAttribute(TEarthAttribute* a);

 private:
  void FreeBitmap();
  bool Resize(int32_t width, int32_t height);
  void RenderFlatChains(TChainStore& chains, TEarthObjectStateSet state, int32_t margin);
  void RenderTextureQuad(const TTextureData& texture, const TPointLL& topLeft, int64_t width,
                         int64_t height);
  // Closed rings of one object are gathered and filled together, so that holes stay open.
  void BeginRings();
  void EndRings();
  void AddRing(int32_t count);

  TCustomEarthMap* globe_;
  int32_t width_ = 150;
  int32_t height_ = 150;
  int32_t devicePPI_ = 96;
  int32_t screenPPI_ = 96;
  std::unique_ptr<TEarthPen> pen_;
  std::unique_ptr<TEarthBrush> brush_;
  std::unique_ptr<TEarthFont> symbolFont_;
  std::unique_ptr<TEarthFont> textFont_;
  uint8_t* bits_ = nullptr;
  uint8_t* backBits_ = nullptr;
  uint8_t* frontBits_ = nullptr;
  int32_t stride_ = 0;
  int32_t generation_ = 0;
  gdi::HBITMAP bitmap_{};
  gdi::HBITMAP front_{};
  bool frontSelected_ = false;
  gdi::HDC memoryDC_{};
  gdi::HGDIOBJ previousBitmap_{};
  int32_t adjustPercent_ = 0;
  gdi::TColor adjustTarget_ = gdi::TColor(0xC0C0C0);
  std::vector<TEarthAttribute*> attached_;
  bool gatherRings_ = false;
  std::vector<gdi::POINT> ringPoints_;
  std::vector<int> ringCounts_;
};
