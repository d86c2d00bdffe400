#pragma once
// The raster graphics layer in one include: a Windows-style C API (CreatePen, SelectObject,
// Polygon, TextOut, BitBlt, ...) over our own rasteriser, FreeType text and image codecs.
//
// Handles are pointers to objects owned by the layer's object table (objects.h): Create...
// makes, DeleteObject frees, DeleteDC frees a DC. An object still selected into a DC (or kept by
// a SaveDC level) lives until it is deselected; stale handles are refused, never dereferenced.
// SelectObject returns the previous object of the same kind.
//
// Surfaces (surface.h) hold the pixels: 32-bit device bitmaps, 24-bit bottom-up DIB sections
// whose bits the caller may write, 1-bit bitmaps. A window DC is CreateSurfaceDC(screen,
// origin, visible region); memory DCs draw into the bitmap selected into them.
//
// Drawing is aliased and exact: right and bottom edges are exclusive, lines leave out their end
// pixel, coordinates anywhere in 32 bits are clipped before stepping. Text glyphs are binary.
// All calls belong to the GUI thread; the object table and the font system are lock-protected.
#include "platform/gdi/bitmap.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/color.h"
#include "platform/gdi/controls.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/image.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
#include "platform/gdi/shapes.h"
#include "platform/gdi/surface.h"
#include "platform/gdi/text.h"
#include "platform/gdi/types.h"
