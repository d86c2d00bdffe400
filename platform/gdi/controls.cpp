#include "platform/gdi/controls.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/metafile.h"
#include "platform/gdi/paint.h"
#include "platform/gdi/shapes.h"

namespace gdi {

namespace {

void fill(HDC hdc, int l, int t, int r, int b, COLORREF c) {
  if (r <= l || b <= t) return;
  DC* dc = LiveDC(hdc);
  Raster ras(*dc->Target(), dc->Clip(), R2_COPYPEN, dc->Bounds());
  const Ink ink = ColorInk(*dc, c);
  for (int y = t; y < b; ++y) ras.Span(dc->SY(y), dc->SX(l), dc->SX(r), ink);
}

// One border ring: top and left in one colour, bottom and right in the other (the corners
// top-right and bottom-left belong to the second).
void ring(HDC hdc, RECT& r, UINT flags, COLORREF topLeft, COLORREF bottomRight) {
  if (flags & BF_TOP) fill(hdc, r.left, r.top, r.right - 1, r.top + 1, topLeft);
  if (flags & BF_LEFT) fill(hdc, r.left, r.top, r.left + 1, r.bottom - 1, topLeft);
  if (flags & BF_BOTTOM) fill(hdc, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
  if (flags & BF_RIGHT) fill(hdc, r.right - 1, r.top, r.right, r.bottom, bottomRight);
  if (flags & BF_LEFT) ++r.left;
  if (flags & BF_TOP) ++r.top;
  if (flags & BF_RIGHT) --r.right;
  if (flags & BF_BOTTOM) --r.bottom;
}

}  // namespace

BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([r = rect ? *rect : RECT{}, edge, flags](HDC t, const MetaPlay&) {
      RECT c = r;
      DrawEdge(t, &c, edge, flags);
    });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !rect) return FALSE;
  dc->Record("DrawEdge(%d,%d,%d,%d,%X,%X)", rect->left, rect->top, rect->right, rect->bottom, edge,
             flags);
  RECT r = *rect;
  const COLORREF light = GetSysColor(COLOR_3DLIGHT), hilite = GetSysColor(COLOR_BTNHIGHLIGHT),
                 shadow = GetSysColor(COLOR_BTNSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW),
                 face = GetSysColor(COLOR_BTNFACE);
  if (flags & BF_MONO) {
    const COLORREF c = GetSysColor(COLOR_WINDOWFRAME);
    if (edge & BDR_OUTER) ring(hdc, r, flags, c, c);
    if (edge & BDR_INNER) ring(hdc, r, flags, c, c);
  } else if (flags & BF_FLAT) {
    if (edge & BDR_OUTER) ring(hdc, r, flags, shadow, shadow);
    if (edge & BDR_INNER) ring(hdc, r, flags, face, face);
  } else {
    if (edge & BDR_RAISEDOUTER)
      ring(hdc, r, flags, light, dark);
    else if (edge & BDR_SUNKENOUTER)
      ring(hdc, r, flags, shadow, hilite);
    if (edge & BDR_RAISEDINNER)
      ring(hdc, r, flags, hilite, shadow);
    else if (edge & BDR_SUNKENINNER)
      ring(hdc, r, flags, dark, light);
  }
  if (flags & BF_MIDDLE) fill(hdc, r.left, r.top, r.right, r.bottom, face);
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

namespace {

// A filled polygon in the given colour, without outline.
void glyphPolygon(HDC hdc, const POINT* pts, int n, COLORREF c) {
  HBRUSH b = CreateSolidBrush(c);
  HGDIOBJ ob = SelectObject(hdc, b);
  HGDIOBJ op = SelectObject(hdc, GetStockObject(NULL_PEN));
  const int mode = SetPolyFillMode(hdc, WINDING);
  Polygon(hdc, pts, n);
  SetPolyFillMode(hdc, mode);
  SelectObject(hdc, op);
  SelectObject(hdc, ob);
  DeleteObject(b);
}

// A triangle pointing in a direction (0 up, 1 down, 2 left, 3 right) centred in r.
void arrow(HDC hdc, const RECT& r, int dir, COLORREF c) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int size = std::max(2, std::min(w, h) / 4);
  const int cx = r.left + w / 2, cy = r.top + h / 2;
  POINT p[3];
  switch (dir) {
    case 0:
      p[0] = {cx - size, cy + size / 2 + 1};
      p[1] = {cx + size + 1, cy + size / 2 + 1};
      p[2] = {cx, cy - size / 2 - size % 2};
      break;
    case 1:
      p[0] = {cx - size, cy - size / 2};
      p[1] = {cx + size + 1, cy - size / 2};
      p[2] = {cx, cy + size / 2 + 1};
      break;
    case 2:
      p[0] = {cx + size / 2 + 1, cy - size};
      p[1] = {cx + size / 2 + 1, cy + size + 1};
      p[2] = {cx - size / 2, cy};
      break;
    default:
      p[0] = {cx - size / 2, cy - size};
      p[1] = {cx - size / 2, cy + size + 1};
      p[2] = {cx + size / 2 + 1, cy};
      break;
  }
  glyphPolygon(hdc, p, 3, c);
}

void cross(HDC hdc, const RECT& r, COLORREF c) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int s = std::max(2, std::min(w, h) / 2 - 2);
  const int cx = r.left + w / 2, cy = r.top + h / 2;
  LOGBRUSH lb{BS_SOLID, c, 0};
  HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, DWORD(std::max(2, s / 3)), &lb,
                          0, nullptr);
  HGDIOBJ old = SelectObject(hdc, pen);
  const int rop = SetROP2(hdc, R2_COPYPEN);
  MoveToEx(hdc, cx - s / 2, cy - s / 2, nullptr);
  LineTo(hdc, cx + s / 2 + 1, cy + s / 2 + 1);
  MoveToEx(hdc, cx + s / 2, cy - s / 2, nullptr);
  LineTo(hdc, cx - s / 2 - 1, cy + s / 2 + 1);
  SetROP2(hdc, rop);
  SelectObject(hdc, old);
  DeleteObject(pen);
}

void checkMark(HDC hdc, const RECT& r, COLORREF c) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int cx = r.left + w / 2, cy = r.top + h / 2;
  const int s = std::max(3, std::min(w, h) / 3);
  const POINT p[6] = {{cx - s, cy},         {cx - s / 3, cy + 2 * s / 3}, {cx + s, cy - 2 * s / 3},
                      {cx + s, cy - s / 3}, {cx - s / 3, cy + s},         {cx - s, cy + s / 3}};
  glyphPolygon(hdc, p, 6, c);
}

void face(HDC hdc, RECT r, UINT state) {
  const bool pushed = state & DFCS_PUSHED;
  if (state & DFCS_FLAT) {
    DrawEdge(hdc, &r, pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_MIDDLE);
  } else {
    DrawEdge(hdc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
}

}  // namespace

BOOL DrawFrameControl(HDC hdc, RECT* rect, UINT type, UINT state) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([r = rect ? *rect : RECT{}, type, state](HDC t, const MetaPlay&) {
      RECT c = r;
      DrawFrameControl(t, &c, type, state);
    });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !rect) return FALSE;
  dc->Record("DrawFrameControl(%d,%d,%d,%d,%u,%X)", rect->left, rect->top, rect->right,
             rect->bottom, type, state);
  RECT g = *rect;
  const bool pushed = state & DFCS_PUSHED;
  const COLORREF text =
      (state & DFCS_INACTIVE) ? GetSysColor(COLOR_BTNSHADOW) : GetSysColor(COLOR_BTNTEXT);
  if (pushed) OffsetRect(&g, 1, 1);
  switch (type) {
    case DFC_MENU: {
      fill(hdc, rect->left, rect->top, rect->right, rect->bottom, RGB(255, 255, 255));
      const COLORREF black = RGB(0, 0, 0);
      switch (state & 0xFF) {
        case DFCS_MENUCHECK:
          checkMark(hdc, *rect, black);
          break;
        case DFCS_MENUBULLET: {
          const int w = rect->right - rect->left, h = rect->bottom - rect->top;
          const int s = std::max(2, std::min(w, h) / 4);
          const int cx = rect->left + w / 2, cy = rect->top + h / 2;
          HBRUSH b = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
          HGDIOBJ ob = SelectObject(hdc, b);
          HGDIOBJ op = SelectObject(hdc, GetStockObject(NULL_PEN));
          Ellipse(hdc, cx - s, cy - s, cx + s + 1, cy + s + 1);
          SelectObject(hdc, op);
          SelectObject(hdc, ob);
          break;
        }
        default:
          arrow(hdc, *rect, (state & DFCS_MENUARROWRIGHT) ? 2 : 3, black);
          break;
      }
      return TRUE;
    }
    case DFC_CAPTION:
      face(hdc, *rect, state);
      switch (state & 0xFF) {
        case DFCS_CAPTIONMIN: {
          const int h = g.bottom - g.top;
          fill(hdc, g.left + (g.right - g.left) / 4, g.top + h * 2 / 3,
               g.right - (g.right - g.left) / 3, g.top + h * 2 / 3 + 2, text);
          break;
        }
        case DFCS_CAPTIONMAX:
        case DFCS_CAPTIONRESTORE: {
          RECT b = g;
          InflateRect(&b, -(g.right - g.left) / 4, -(g.bottom - g.top) / 4);
          fill(hdc, b.left, b.top, b.right, b.top + 2, text);
          fill(hdc, b.left, b.top, b.left + 1, b.bottom, text);
          fill(hdc, b.right - 1, b.top, b.right, b.bottom, text);
          fill(hdc, b.left, b.bottom - 1, b.right, b.bottom, text);
          break;
        }
        default:
          cross(hdc, g, text);
          break;
      }
      return TRUE;
    case DFC_SCROLL: {
      face(hdc, *rect, state);
      static constexpr int kDir[4] = {0, 1, 2, 3};
      arrow(hdc, g, kDir[state & 3], text);
      return TRUE;
    }
    case DFC_BUTTON: {
      if (state & DFCS_BUTTONPUSH) {
        face(hdc, *rect, state);
        return TRUE;
      }
      const COLORREF back = (state & (DFCS_INACTIVE | DFCS_PUSHED)) ? GetSysColor(COLOR_BTNFACE)
                                                                    : GetSysColor(COLOR_WINDOW);
      if (state & DFCS_BUTTONRADIO) {
        HBRUSH b = CreateSolidBrush(back);
        HPEN p = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        HGDIOBJ ob = SelectObject(hdc, b), op = SelectObject(hdc, p);
        Ellipse(hdc, rect->left, rect->top, rect->right, rect->bottom);
        SelectObject(hdc, ob);
        SelectObject(hdc, op);
        DeleteObject(b);
        DeleteObject(p);
        if (state & DFCS_CHECKED) {
          RECT d = *rect;
          InflateRect(&d, -(d.right - d.left) / 3, -(d.bottom - d.top) / 3);
          HBRUSH dot = CreateSolidBrush(text);
          ob = SelectObject(hdc, dot);
          op = SelectObject(hdc, GetStockObject(NULL_PEN));
          Ellipse(hdc, d.left, d.top, d.right + 1, d.bottom + 1);
          SelectObject(hdc, ob);
          SelectObject(hdc, op);
          DeleteObject(dot);
        }
      } else {
        RECT r = *rect;
        DrawEdge(hdc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        fill(hdc, r.left, r.top, r.right, r.bottom, back);
        if (state & DFCS_CHECKED) checkMark(hdc, r, text);
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([r = rect ? *rect : RECT{}](HDC t, const MetaPlay&) { DrawFocusRect(t, &r); });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !rect) return FALSE;
  dc->Record("DrawFocusRect(%d,%d,%d,%d)", rect->left, rect->top, rect->right, rect->bottom);
  if (rect->right <= rect->left || rect->bottom <= rect->top) return TRUE;
  Surface& s = *dc->Target();
  Raster ras(s, dc->Clip(), R2_NOT, dc->Bounds());
  const Ink ink = Ink::Solid(0);
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0) ras.Pixel(dc->SX(x), dc->SY(y), ink);
  };
  for (int x = rect->left; x < rect->right; ++x) {
    dot(x, rect->top);
    if (rect->bottom - 1 > rect->top) dot(x, rect->bottom - 1);
  }
  for (int y = rect->top + 1; y < rect->bottom - 1; ++y) {
    dot(rect->left, y);
    if (rect->right - 1 > rect->left) dot(rect->right - 1, y);
  }
  return TRUE;
}

BOOL GradientFillRect(HDC hdc, const RECT& r, COLORREF from, COLORREF to, bool horizontal) {
  auto vertex = [](LONG x, LONG y, COLORREF c) {
    TRIVERTEX v;
    v.x = x;
    v.y = y;
    v.Red = static_cast<WORD>(GetRValue(c) << 8);
    v.Green = static_cast<WORD>(GetGValue(c) << 8);
    v.Blue = static_cast<WORD>(GetBValue(c) << 8);
    return v;
  };
  const TRIVERTEX v[2] = {vertex(r.left, r.top, from), vertex(r.right, r.bottom, to)};
  const GRADIENT_RECT g{0, 1};
  return GradientFill(hdc, v, 2, &g, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

BOOL GradientFill(HDC hdc, const TRIVERTEX* v, ULONG count, const GRADIENT_RECT* rects,
                  ULONG rectCount, ULONG mode) {
  detail::MetaScope meta(hdc, [&] {
    std::vector<TRIVERTEX> vs;
    std::vector<GRADIENT_RECT> rs;
    if (v) vs.assign(v, v + count);
    if (rects) rs.assign(rects, rects + rectCount);
    return MetaCall([vs, rs, mode](HDC t, const MetaPlay&) {
      GradientFill(t, vs.data(), ULONG(vs.size()), rs.data(), ULONG(rs.size()), mode);
    });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !v || !rects) return FALSE;
  if (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V) return FALSE;
  dc->Record("GradientFill(%u,%u)", rectCount, mode);
  Surface& s = *dc->Target();
  Raster ras(s, dc->Clip(), R2_COPYPEN, dc->Bounds());
  for (ULONG k = 0; k < rectCount; ++k) {
    if (rects[k].UpperLeft >= count || rects[k].LowerRight >= count) return FALSE;
    TRIVERTEX a = v[rects[k].UpperLeft], b = v[rects[k].LowerRight];
    if (a.x > b.x) std::swap(a.x, b.x);
    if (a.y > b.y) std::swap(a.y, b.y);
    const bool horiz = mode == GRADIENT_FILL_RECT_H;
    const int n = horiz ? b.x - a.x : b.y - a.y;
    if (n <= 0 || (horiz ? b.y - a.y : b.x - a.x) <= 0) continue;
    for (int i = 0; i < n; ++i) {
      auto mix = [&](WORD c0, WORD c1) {
        return BYTE((int(c0 >> 8) * (n - i) + int(c1 >> 8) * i) / n);
      };
      const Ink ink = Ink::Solid(
          s.FromRgb(SwapRB(RGB(mix(a.Red, b.Red), mix(a.Green, b.Green), mix(a.Blue, b.Blue)))));
      if (horiz) {
        for (int y = a.y; y < b.y; ++y) ras.Pixel(dc->SX(a.x + i), dc->SY(y), ink);
      } else {
        ras.Span(dc->SY(a.y + i), dc->SX(a.x), dc->SX(b.x), ink);
      }
    }
  }
  return TRUE;
}

HBRUSH CreateHalftoneBrush() {
  uint8_t bits[16];
  for (int y = 0; y < 8; ++y) {
    bits[2 * y] = (y & 1) ? 0xAA : 0x55;
    bits[2 * y + 1] = 0;
  }
  HBITMAP bmp = CreateBitmap(8, 8, 1, 1, bits);
  HBRUSH brush = CreatePatternBrush(bmp);
  DeleteObject(bmp);
  return brush;
}

}  // namespace gdi
