#pragma once
// Helpers shared by the drawing calls: the inks of a DC's brush and pen, and pen geometry.
#include <cstdint>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/raster.h"

namespace gdi {

// The 8 x 8 hatch pattern rows (bit 7 = left pixel).
const uint8_t* HatchRows(int hatch);

// The ink of a brush in this DC; returns false for a null brush (nothing to paint).
bool MakeBrushInk(DC& dc, const Brush* brush, Ink& out);
Ink ColorInk(DC& dc, COLORREF c);

struct PenInfo {
  bool null = true;
  int width = 1;  // device pixels, at least 1
  int style = 0;  // PS_SOLID ... (dashes only when width is 1)
  bool insideFrame = false;
  int endCap = 0;
  Ink ink;
};
PenInfo GetPenInfo(DC& dc);

// Strokes a polyline given in surface coordinates (closed: back to the first point).
// One-pixel pens leave out the end pixel of every segment; wider pens are filled outlines.
void StrokePolyline(DC& dc, Raster& r, const PenInfo& pen, const int64_t* xy, size_t n,
                    bool closed);
// A filled disc of the pen's ink (wide pens' round caps).
void AddDisc(PolygonScanner& scan, double cx, double cy, double radius);

}  // namespace gdi
