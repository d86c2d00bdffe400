#pragma once
// Drawing helpers of the window system's look: 3-D edges, frame-control glyphs, focus
// rectangles, gradients and the halftone brush. Colours come from the system colour table.
#include "platform/gdi/dc.h"

namespace gdi {

enum : UINT {
  BDR_RAISEDOUTER = 0x0001,
  BDR_SUNKENOUTER = 0x0002,
  BDR_RAISEDINNER = 0x0004,
  BDR_SUNKENINNER = 0x0008,
  BDR_OUTER = 0x0003,
  BDR_INNER = 0x000C,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : UINT {
  BF_LEFT = 0x0001,
  BF_TOP = 0x0002,
  BF_RIGHT = 0x0004,
  BF_BOTTOM = 0x0008,
  BF_TOPLEFT = BF_TOP | BF_LEFT,
  BF_TOPRIGHT = BF_TOP | BF_RIGHT,
  BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT,
  BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
  BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
  BF_MIDDLE = 0x0800,
  BF_SOFT = 0x1000,
  BF_ADJUST = 0x2000,
  BF_FLAT = 0x4000,
  BF_MONO = 0x8000,
};
// Draws up to two one-pixel borders (outer, then inner) on the chosen sides; BF_MIDDLE fills
// the rest with the button face colour and BF_ADJUST leaves the inside in *rect.
BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags);

enum : UINT { DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4 };
enum : UINT {
  DFCS_CAPTIONCLOSE = 0x0000,
  DFCS_CAPTIONMIN = 0x0001,
  DFCS_CAPTIONMAX = 0x0002,
  DFCS_CAPTIONRESTORE = 0x0003,
  DFCS_MENUARROW = 0x0000,
  DFCS_MENUCHECK = 0x0001,
  DFCS_MENUBULLET = 0x0002,
  DFCS_MENUARROWRIGHT = 0x0004,
  DFCS_SCROLLUP = 0x0000,
  DFCS_SCROLLDOWN = 0x0001,
  DFCS_SCROLLLEFT = 0x0002,
  DFCS_SCROLLRIGHT = 0x0003,
  DFCS_BUTTONCHECK = 0x0000,
  DFCS_BUTTONRADIO = 0x0004,
  DFCS_BUTTONPUSH = 0x0010,
  DFCS_INACTIVE = 0x0100,
  DFCS_PUSHED = 0x0200,
  DFCS_CHECKED = 0x0400,
  DFCS_FLAT = 0x4000,
};
// Caption buttons, scroll arrows and buttons are drawn as raised (pushed: sunken) faces with
// their glyph. DFC_MENU glyphs are drawn black on white over the whole rectangle, so that they
// can serve as a mask.
BOOL DrawFrameControl(HDC hdc, RECT* rect, UINT type, UINT state);

// A dotted frame drawn by inverting every other pixel; drawing it twice restores the picture.
BOOL DrawFocusRect(HDC hdc, const RECT* rect);

struct TRIVERTEX {
  LONG x = 0;
  LONG y = 0;
  WORD Red = 0;  // 0x0000 .. 0xFF00
  WORD Green = 0;
  WORD Blue = 0;
  WORD Alpha = 0;
};
struct GRADIENT_RECT {
  ULONG UpperLeft = 0;
  ULONG LowerRight = 0;
};
enum : ULONG { GRADIENT_FILL_RECT_H = 0, GRADIENT_FILL_RECT_V = 1 };
// Rectangles shaded from one vertex colour to the other, left to right or top to bottom.
BOOL GradientFill(HDC hdc, const TRIVERTEX* vertices, ULONG count, const GRADIENT_RECT* rects,
                  ULONG rectCount, ULONG mode);
// One rectangle shaded from one colour to the other: GradientFill with its two corners.
BOOL GradientFillRect(HDC hdc, const RECT& r, COLORREF from, COLORREF to, bool horizontal);

// An 8 x 8 pattern brush of alternating pixels (0 bits text colour, 1 bits background colour).
HBRUSH CreateHalftoneBrush();

}  // namespace gdi
