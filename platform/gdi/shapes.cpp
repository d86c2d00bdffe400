#include "platform/gdi/shapes.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/metafile.h"
#include "platform/gdi/paint.h"

namespace gdi {

namespace {

// For recording: copies of the arguments a call is played back with.
std::vector<POINT> Points(const POINT* pts, int count) {
  return pts && count > 0 ? std::vector<POINT>(pts, pts + count) : std::vector<POINT>();
}
int Total(const int* counts, int polygons) {
  int total = 0;
  for (int i = 0; counts && i < polygons; ++i) total += std::max(counts[i], 0);
  return total;
}
HBRUSH KeptBrush(const std::shared_ptr<GdiObject>& kept, HBRUSH given) {
  return kept ? static_cast<HBRUSH>(kept.get()) : given;  // a system colour index as it was
}
// A region moved with the picture, deleted at the end of the call it is passed to.
struct TMovedRgn {
  HRGN h = nullptr;
  ~TMovedRgn() {
    if (h) DeleteObject(h);
  }
  operator HRGN() const { return h; }
};
TMovedRgn Moved(const std::shared_ptr<GdiObject>& kept, const MetaPlay& play) {
  TMovedRgn m;
  if (const auto* r = dynamic_cast<const Rgn*>(kept.get())) {
    Region region = r->region;
    region.Offset(play.at.x, play.at.y);
    m.h = CreateRegion(region);
  }
  return m;
}

}  // namespace

namespace {

constexpr int R2_COPY = R2_COPYPEN;

// A rounded rectangle in continuous coordinates (pixel x covers [x, x + 1)), with corner radii;
// a plain rectangle has radii 0, an ellipse radii of half its size. Inset(d) moves every edge
// d inwards (negative: outwards).
struct Rounded {
  double l, t, r, b, rx, ry;
  Rounded Inset(double d) const {
    return {l + d,
            t + d,
            r - d,
            b - d,
            rx > 0 ? std::max(0.0, rx - d) : 0.0,
            ry > 0 ? std::max(0.0, ry - d) : 0.0};
  }
  // Pixel columns [x0, x1) of row y whose centres are inside.
  bool Span(int64_t y, int64_t& x0, int64_t& x1) const {
    const double yc = static_cast<double>(y) + 0.5;
    if (yc < t || yc >= b || r <= l) return false;
    double dx = 0;
    if (rx > 0 && ry > 0) {
      double ey = 0;
      if (yc < t + ry)
        ey = (t + ry - yc) / ry;
      else if (yc > b - ry)
        ey = (yc - (b - ry)) / ry;
      if (ey > 0) {
        if (ey >= 1) return false;
        dx = rx * (1 - std::sqrt(1 - ey * ey));
      }
    }
    const double xa = l + dx, xb = r - dx;
    if (xa >= xb) return false;
    x0 = static_cast<int64_t>(std::ceil(xa - 0.5));
    x1 = static_cast<int64_t>(std::ceil(xb - 0.5));
    return x0 < x1;
  }
};

// Which pixels of an ellipse an arc or pie keeps: those whose direction from the centre lies
// counter-clockwise between the start and end radials (y up).
struct Sweep {
  bool full = true;
  double cx = 0, cy = 0, sx = 0, sy = 0, ex = 0, ey = 0;
  int kind = 0;  // 1: under 180 degrees, 2: over, 3: exactly 180
  void Set(double centreX, double centreY, double xs, double ys, double xe, double ye) {
    cx = centreX;
    cy = centreY;
    sx = xs - cx;
    sy = cy - ys;
    ex = xe - cx;
    ey = cy - ye;
    const double c = sx * ey - sy * ex;
    full = false;
    if (c > 0)
      kind = 1;
    else if (c < 0)
      kind = 2;
    else if (sx * ex + sy * ey > 0 || (sx == 0 && sy == 0) || (ex == 0 && ey == 0))
      full = true;
    else
      kind = 3;
  }
  bool In(int64_t x, int64_t y) const {
    if (full) return true;
    const double px = static_cast<double>(x) + 0.5 - cx, py = cy - (static_cast<double>(y) + 0.5);
    const bool afterStart = sx * py - sy * px >= 0;
    const bool beforeEnd = px * ey - py * ex >= 0;
    switch (kind) {
      case 1:
        return afterStart && beforeEnd;
      case 2:
        return afterStart || beforeEnd;
      default:
        return afterStart;
    }
  }
};

// Paints [x0, x1) of row y, keeping only the pixels in the sweep.
void sweepSpan(Raster& r, const Sweep& sw, int64_t y, int64_t x0, int64_t x1, const Ink& ink) {
  if (sw.full) {
    r.Span(y, x0, x1, ink);
    return;
  }
  const RECT& box = r.Box();
  x0 = std::max<int64_t>(x0, box.left);
  x1 = std::min<int64_t>(x1, box.right);
  int64_t run = -1;
  for (int64_t x = x0; x < x1; ++x) {
    const bool in = sw.In(x, y);
    if (in && run < 0) run = x;
    if (!in && run >= 0) {
      r.Span(y, run, x, ink);
      run = -1;
    }
  }
  if (run >= 0) r.Span(y, run, x1, ink);
}

enum class Figure { Outline, Arc, Pie };

// Box of a shape call in surface coordinates, ordered.
struct Box {
  int64_t l, t, r, b;
};

Box surfaceBox(DC& dc, int left, int top, int right, int bottom) {
  Box b{dc.SX(left), dc.SY(top), dc.SX(right), dc.SY(bottom)};
  if (b.l > b.r) std::swap(b.l, b.r);
  if (b.t > b.b) std::swap(b.t, b.b);
  return b;
}

// Draws a rounded figure: fills the inside with the brush (unless an arc), then the pen ring.
void drawRounded(DC& dc, const Rounded& shape, Figure fig, const Sweep& sweep) {
  Raster r(*dc.Target(), dc.Clip(), dc.state.rop2, dc.Bounds());
  if (r.Empty()) return;
  PenInfo pen = GetPenInfo(dc);
  Ink brush;
  const bool fill = fig != Figure::Arc && MakeBrushInk(dc, dc.state.brush.get(), brush);
  double dOut = 0, dIn = 0.5;
  if (!pen.null) {
    dOut = pen.insideFrame ? 0.0 : 0.5 - pen.width / 2.0;
    dIn = pen.insideFrame ? double(pen.width) : 0.5 + pen.width / 2.0;
  }
  const Rounded outer = shape.Inset(dOut), inner = shape.Inset(dIn);
  const RECT& box = r.Box();
  const int64_t y0 = std::max<int64_t>(box.top, static_cast<int64_t>(std::floor(outer.t)) - 1);
  const int64_t y1 = std::min<int64_t>(box.bottom, static_cast<int64_t>(std::ceil(outer.b)) + 1);
  for (int64_t y = y0; y < y1; ++y) {
    int64_t ia = 0, ib = 0, oa = 0, ob = 0;
    const bool hasInner = inner.Span(y, ia, ib);
    if (fill && hasInner) sweepSpan(r, sweep, y, ia, ib, brush);
    if (pen.null) continue;
    if (!outer.Span(y, oa, ob)) continue;
    if (!hasInner) {
      sweepSpan(r, sweep, y, oa, ob, pen.ink);
    } else {
      sweepSpan(r, sweep, y, oa, std::min(ia, ob), pen.ink);
      sweepSpan(r, sweep, y, std::max(ib, oa), ob, pen.ink);
    }
  }
  if (pen.null || sweep.full) return;
  // Pies get their two radii; wide arcs and pies with round pens get round ends.
  const double cx = (shape.l + shape.r) / 2, cy = (shape.t + shape.b) / 2;
  const double ax = (shape.r - shape.l - 1) / 2, ay = (shape.b - shape.t - 1) / 2;
  auto onEllipse = [&](double vx, double vy, double& px, double& py) {
    const double q = (ax > 0 ? vx * vx / (ax * ax) : 0) + (ay > 0 ? vy * vy / (ay * ay) : 0);
    const double k = q > 0 ? 1 / std::sqrt(q) : 0;
    px = cx + vx * k;
    py = cy - vy * k;
  };
  double sxp, syp, exp, eyp;
  onEllipse(sweep.sx, sweep.sy, sxp, syp);
  onEllipse(sweep.ex, sweep.ey, exp, eyp);
  if (fig == Figure::Pie) {
    const int64_t pts[6] = {std::llround(sxp - 0.5), std::llround(syp - 0.5),
                            std::llround(cx - 0.5),  std::llround(cy - 0.5),
                            std::llround(exp - 0.5), std::llround(eyp - 0.5)};
    StrokePolyline(dc, r, pen, pts, 3, false);
  }
  if (pen.width > 1 && pen.endCap == PS_ENDCAP_ROUND && fig == Figure::Arc) {
    PolygonScanner scan;
    AddDisc(scan, sxp, syp, pen.width / 2.0);
    AddDisc(scan, exp, eyp, pen.width / 2.0);
    scan.Scan(true, r.Box(), [&](int y, int a, int b) { r.Span(y, a, b, pen.ink); });
  }
}

BOOL roundedCall(HDC hdc, int left, int top, int right, int bottom, double rx, double ry,
                 bool ellipse, Figure fig, const int* radials) {
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  const Box b = surfaceBox(*dc, left, top, right, bottom);
  Rounded shape{double(b.l), double(b.t), double(b.r), double(b.b), rx, ry};
  if (ellipse) {
    shape.rx = (shape.r - shape.l) / 2;
    shape.ry = (shape.b - shape.t) / 2;
  }
  Sweep sweep;
  if (radials) {
    sweep.Set((shape.l + shape.r) / 2, (shape.t + shape.b) / 2, double(dc->SX(radials[0])) + 0.5,
              double(dc->SY(radials[1])) + 0.5, double(dc->SX(radials[2])) + 0.5,
              double(dc->SY(radials[3])) + 0.5);
  }
  drawRounded(*dc, shape, fig, sweep);
  return TRUE;
}

std::vector<int64_t> toSurface(DC& dc, const POINT* pts, int count) {
  std::vector<int64_t> xy(static_cast<size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    xy[size_t(2 * i)] = dc.SX(pts[i].x);
    xy[size_t(2 * i + 1)] = dc.SY(pts[i].y);
  }
  return xy;
}

void fillRegion(DC& dc, const Region& rgnDevice, const Ink& ink, int rop2) {
  Region s = rgnDevice;
  s.Offset(static_cast<int>(dc.SX(0) - dc.DX(0)), static_cast<int>(dc.SY(0) - dc.DY(0)));
  Raster r(*dc.Target(), dc.Clip(), rop2, dc.Bounds());
  for (const RECT& rc : s.Rects()) {
    for (int64_t y = rc.top; y < rc.bottom; ++y) r.Span(y, rc.left, rc.right, ink);
  }
}

}  // namespace

BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  detail::MetaScope meta(hdc, &MoveToEx, x, y, static_cast<POINT*>(nullptr));
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  if (old) *old = dc->state.curPos;
  dc->state.curPos = POINT{x, y};
  dc->Record("MoveTo(%d,%d)", x, y);
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  detail::MetaScope meta(hdc, &LineTo, x, y);
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  dc->Record("LineTo(%d,%d)", x, y);
  const POINT from = dc->state.curPos;
  dc->state.curPos = POINT{x, y};
  Raster r(*dc->Target(), dc->Clip(), dc->state.rop2, dc->Bounds());
  const int64_t xy[4] = {dc->SX(from.x), dc->SY(from.y), dc->SX(x), dc->SY(y)};
  StrokePolyline(*dc, r, GetPenInfo(*dc), xy, 2, false);
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* pts, int count) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall(
        [p = Points(pts, count)](HDC t, const MetaPlay&) { Polyline(t, p.data(), int(p.size())); });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !pts || count < 2) return FALSE;
  dc->Record("Polyline(%d)", count);
  Raster r(*dc->Target(), dc->Clip(), dc->state.rop2, dc->Bounds());
  const auto xy = toSurface(*dc, pts, count);
  StrokePolyline(*dc, r, GetPenInfo(*dc), xy.data(), size_t(count), false);
  return TRUE;
}

BOOL PolylineTo(HDC hdc, const POINT* pts, int count) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([p = Points(pts, count)](HDC t, const MetaPlay&) {
      PolylineTo(t, p.data(), int(p.size()));
    });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !pts || count < 1) return FALSE;
  std::vector<POINT> all;
  all.reserve(size_t(count) + 1);
  all.push_back(dc->state.curPos);
  all.insert(all.end(), pts, pts + count);
  const BOOL ok = Polyline(hdc, all.data(), int(all.size()));
  dc->state.curPos = pts[count - 1];
  return ok;
}

BOOL PolyPolygon(HDC hdc, const POINT* pts, const int* counts, int polygons) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall(
        [p = Points(pts, Total(counts, polygons)),
         c = std::vector<int>(counts, counts + std::max(polygons, 0))](HDC t, const MetaPlay&) {
          PolyPolygon(t, p.data(), c.data(), int(c.size()));
        });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !pts || !counts || polygons < 1) return FALSE;
  int total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return FALSE;
    total += counts[i];
  }
  dc->Record("PolyPolygon(%d,%d)", polygons, total);
  Raster r(*dc->Target(), dc->Clip(), dc->state.rop2, dc->Bounds());
  if (r.Empty()) return TRUE;
  const auto xy = toSurface(*dc, pts, total);
  Ink brush;
  if (MakeBrushInk(*dc, dc->state.brush.get(), brush)) {
    PolygonScanner scan;
    std::vector<FPoint> f;
    size_t at = 0;
    for (int i = 0; i < polygons; ++i) {
      f.clear();
      for (int k = 0; k < counts[i]; ++k, ++at)
        f.push_back({double(xy[2 * at]), double(xy[2 * at + 1])});
      scan.AddContour(f.data(), f.size());
    }
    scan.Scan(dc->state.polyFillMode == WINDING, r.Box(),
              [&](int y, int a, int b) { r.Span(y, a, b, brush); });
  }
  const PenInfo pen = GetPenInfo(*dc);
  size_t at = 0;
  for (int i = 0; i < polygons; ++i) {
    StrokePolyline(*dc, r, pen, xy.data() + 2 * at, size_t(counts[i]), true);
    at += size_t(counts[i]);
  }
  return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* pts, int count) {
  if (count < 2) return FALSE;
  return PolyPolygon(hdc, pts, &count, 1);
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  detail::MetaScope meta(hdc, &Rectangle, left, top, right, bottom);
  if (DC* dc = LiveDC(hdc)) dc->Record("Rectangle(%d,%d,%d,%d)", left, top, right, bottom);
  return roundedCall(hdc, left, top, right, bottom, 0, 0, false, Figure::Outline, nullptr);
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int ew, int eh) {
  detail::MetaScope meta(hdc, &RoundRect, left, top, right, bottom, ew, eh);
  if (DC* dc = LiveDC(hdc))
    dc->Record("RoundRect(%d,%d,%d,%d,%d,%d)", left, top, right, bottom, ew, eh);
  const double rx = std::min(std::abs(ew), std::abs(right - left)) / 2.0;
  const double ry = std::min(std::abs(eh), std::abs(bottom - top)) / 2.0;
  return roundedCall(hdc, left, top, right, bottom, rx, ry, false, Figure::Outline, nullptr);
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  detail::MetaScope meta(hdc, &Ellipse, left, top, right, bottom);
  if (DC* dc = LiveDC(hdc)) dc->Record("Ellipse(%d,%d,%d,%d)", left, top, right, bottom);
  return roundedCall(hdc, left, top, right, bottom, 0, 0, true, Figure::Outline, nullptr);
}

BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
  detail::MetaScope meta(hdc, &Arc, left, top, right, bottom, xs, ys, xe, ye);
  if (DC* dc = LiveDC(hdc))
    dc->Record("Arc(%d,%d,%d,%d,%d,%d,%d,%d)", left, top, right, bottom, xs, ys, xe, ye);
  const int radials[4] = {xs, ys, xe, ye};
  return roundedCall(hdc, left, top, right, bottom, 0, 0, true, Figure::Arc, radials);
}

BOOL Pie(HDC hdc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
  detail::MetaScope meta(hdc, &Pie, left, top, right, bottom, xs, ys, xe, ye);
  if (DC* dc = LiveDC(hdc))
    dc->Record("Pie(%d,%d,%d,%d,%d,%d,%d,%d)", left, top, right, bottom, xs, ys, xe, ye);
  const int radials[4] = {xs, ys, xe, ye};
  return roundedCall(hdc, left, top, right, bottom, 0, 0, true, Figure::Pie, radials);
}

int FillRect(HDC hdc, const RECT* rc, HBRUSH brush) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([r = rc ? *rc : RECT{}, b = detail::KeepObject(brush), brush](
                        HDC t, const MetaPlay&) { FillRect(t, &r, KeptBrush(b, brush)); });
  });
  DC* dc = LiveDC(hdc);
  // A system colour index + 1 in place of a brush names that colour's brush.
  const uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v >= 1 && v <= COLOR_COUNT) brush = GetSysColorBrush(int(v) - 1);
  Brush* b = Live<Brush>(brush);
  if (!dc || !rc || !b) return 0;
  dc->Record("FillRect(%d,%d,%d,%d)", rc->left, rc->top, rc->right, rc->bottom);
  Ink ink;
  if (!MakeBrushInk(*dc, b, ink)) return 1;
  Raster r(*dc->Target(), dc->Clip(), R2_COPY, dc->Bounds());
  const Box bx{dc->SX(rc->left), dc->SY(rc->top), dc->SX(rc->right), dc->SY(rc->bottom)};
  const RECT& clip = r.Box();
  for (int64_t y = std::max<int64_t>(bx.t, clip.top); y < std::min<int64_t>(bx.b, clip.bottom); ++y)
    r.Span(y, bx.l, bx.r, ink);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rc, HBRUSH brush) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([r = rc ? *rc : RECT{}, b = detail::KeepObject(brush), brush](
                        HDC t, const MetaPlay&) { FrameRect(t, &r, KeptBrush(b, brush)); });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !rc || !Live<Brush>(brush)) return 0;
  if (rc->right <= rc->left || rc->bottom <= rc->top) return 1;
  const RECT sides[4] = {{rc->left, rc->top, rc->right, rc->top + 1},
                         {rc->left, rc->bottom - 1, rc->right, rc->bottom},
                         {rc->left, rc->top + 1, rc->left + 1, rc->bottom - 1},
                         {rc->right - 1, rc->top + 1, rc->right, rc->bottom - 1}};
  for (const RECT& s : sides) FillRect(hdc, &s, brush);
  return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rc) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([r = rc ? *rc : RECT{}](HDC t, const MetaPlay&) { InvertRect(t, &r); });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !rc) return FALSE;
  dc->Record("InvertRect(%d,%d,%d,%d)", rc->left, rc->top, rc->right, rc->bottom);
  Raster r(*dc->Target(), dc->Clip(), R2_NOT, dc->Bounds());
  const Ink ink = Ink::Solid(0);
  const Box bx{dc->SX(rc->left), dc->SY(rc->top), dc->SX(rc->right), dc->SY(rc->bottom)};
  const RECT& clip = r.Box();
  for (int64_t y = std::max<int64_t>(bx.t, clip.top); y < std::min<int64_t>(bx.b, clip.bottom); ++y)
    r.Span(y, bx.l, bx.r, ink);
  return TRUE;
}

BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall(
        [g = detail::KeepObject(rgn), b = detail::KeepObject(brush)](HDC t, const MetaPlay& play) {
          FillRgn(t, Moved(g, play), static_cast<HBRUSH>(b.get()));
        });
  });
  DC* dc = LiveDC(hdc);
  Rgn* g = Live<Rgn>(rgn);
  Brush* b = Live<Brush>(brush);
  if (!dc || !g || !b) return FALSE;
  Ink ink;
  if (MakeBrushInk(*dc, b, ink)) fillRegion(*dc, g->region, ink, R2_COPY);
  return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN rgn) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([g = detail::KeepObject(rgn)](HDC t, const MetaPlay& play) {
      PaintRgn(t, Moved(g, play));
    });
  });
  DC* dc = LiveDC(hdc);
  Rgn* g = Live<Rgn>(rgn);
  if (!dc || !g) return FALSE;
  Ink ink;
  if (MakeBrushInk(*dc, dc->state.brush.get(), ink))
    fillRegion(*dc, g->region, ink, dc->state.rop2);
  return TRUE;
}

BOOL InvertRgn(HDC hdc, HRGN rgn) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([g = detail::KeepObject(rgn)](HDC t, const MetaPlay& play) {
      InvertRgn(t, Moved(g, play));
    });
  });
  DC* dc = LiveDC(hdc);
  Rgn* g = Live<Rgn>(rgn);
  if (!dc || !g) return FALSE;
  fillRegion(*dc, g->region, Ink::Solid(0), R2_NOT);
  return TRUE;
}

BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int w, int h) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([g = detail::KeepObject(rgn), b = detail::KeepObject(brush), w, h](
                        HDC t, const MetaPlay& play) {
      FrameRgn(t, Moved(g, play), static_cast<HBRUSH>(b.get()), w, h);
    });
  });
  DC* dc = LiveDC(hdc);
  Rgn* g = Live<Rgn>(rgn);
  Brush* b = Live<Brush>(brush);
  if (!dc || !g || !b) return FALSE;
  // The frame is the region minus the region shrunk by w and h: the parts of it that a shift
  // by up to (w, h) in any direction would leave.
  Region inner = g->region;
  for (int dx : {-w, w}) {
    Region s = g->region;
    s.Offset(dx, 0);
    inner = Region::Combine(inner, s, RegionOp::And);
  }
  for (int dy : {-h, h}) {
    Region s = g->region;
    s.Offset(0, dy);
    inner = Region::Combine(inner, s, RegionOp::And);
  }
  Ink ink;
  if (MakeBrushInk(*dc, b, ink))
    fillRegion(*dc, Region::Combine(g->region, inner, RegionOp::Diff), ink, R2_COPY);
  return TRUE;
}

namespace {

HRGN roundedRegion(int left, int top, int right, int bottom, double rx, double ry, bool ellipse) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  Rounded shape{double(left), double(top), double(right), double(bottom), rx, ry};
  if (ellipse) {
    shape.rx = (shape.r - shape.l) / 2;
    shape.ry = (shape.b - shape.t) / 2;
  }
  std::vector<Region::RowSpan> spans;
  for (int y = top; y < bottom; ++y) {
    int64_t a, b;
    if (shape.Span(y, a, b)) spans.push_back({y, LONG(a), LONG(b)});
  }
  return CreateRegion(Region::FromRowSpans(spans));
}

}  // namespace

HRGN CreatePolygonRgn(const POINT* pts, int count, int fillMode) {
  if (!pts || count < 3) return nullptr;
  PolygonScanner scan;
  std::vector<FPoint> f;
  for (int i = 0; i < count; ++i) f.push_back({double(pts[i].x), double(pts[i].y)});
  scan.AddContour(f.data(), f.size());
  std::vector<Region::RowSpan> spans;
  constexpr LONG kFar = 1 << 30;
  scan.Scan(fillMode == WINDING, RECT{-kFar, -kFar, kFar, kFar}, [&](int y, int a, int b) {
    spans.push_back({y, a, b});
  });
  return CreateRegion(Region::FromRowSpans(spans));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return roundedRegion(left, top, right, bottom, 0, 0, true);
}

HRGN CreateEllipticRgnIndirect(const RECT* r) {
  return r ? CreateEllipticRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ew, int eh) {
  const double rx = std::min(std::abs(ew), std::abs(right - left)) / 2.0;
  const double ry = std::min(std::abs(eh), std::abs(bottom - top)) / 2.0;
  return roundedRegion(left, top, right, bottom, rx, ry, false);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  detail::MetaScope meta(hdc, &SetPixel, x, y, color);
  DC* dc = LiveDC(hdc);
  if (!dc) return CLR_INVALID;
  Raster r(*dc->Target(), dc->Clip(), R2_COPY);
  const int64_t sx = dc->SX(x), sy = dc->SY(y);
  if (!r.Visible(sx, sy)) return CLR_INVALID;
  Surface& s = *dc->Target();
  const uint32_t v = s.FromRgb(ColorToNative(color));
  s.Set(int(sx), int(sy), v);
  if (RECT* b = dc->Bounds()) AddToBounds(*b, RECT{int(sx), int(sy), int(sx) + 1, int(sy) + 1});
  return NativeToColor(s.ToRgb(v));
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
  return SetPixel(hdc, x, y, color) != CLR_INVALID;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  DC* dc = LiveDC(hdc);
  if (!dc) return CLR_INVALID;
  const int64_t sx = dc->SX(x), sy = dc->SY(y);
  Raster r(*dc->Target(), dc->Clip(), R2_COPY);
  if (!r.Visible(sx, sy)) return CLR_INVALID;
  const Surface& s = *dc->Target();
  return NativeToColor(s.ToRgb(s.Get(int(sx), int(sy))));
}

}  // namespace gdi
