#include "platform/gdi/paint.h"

#include <cmath>
#include <numbers>

namespace gdi {

namespace {

constexpr uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF},  // horizontal
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},  // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal (\)
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal (/)
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xFF},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

}  // namespace

const uint8_t* HatchRows(int hatch) {
  if (hatch < 0 || hatch > 5) hatch = 0;
  return kHatches[hatch];
}

Ink ColorInk(DC& dc, COLORREF c) {
  return Ink::Solid(dc.Target()->FromRgb(ColorToNative(c)));
}

bool MakeBrushInk(DC& dc, const Brush* brush, Ink& out) {
  if (!brush || brush->style == BS_NULL) return false;
  Surface& s = *dc.Target();
  if (brush->style == BS_SOLID) {
    out = Ink::Solid(s.FromRgb(ColorToNative(brush->Color())));
    return true;
  }
  Ink k;
  k.pattern = true;
  k.ox = dc.Origin().x + dc.state.brushOrg.x;
  k.oy = dc.Origin().y + dc.state.brushOrg.y;
  const uint32_t fg = s.FromRgb(ColorToNative(brush->Color()));
  const uint32_t text = s.FromRgb(ColorToNative(dc.state.textColor));
  const uint32_t back = s.FromRgb(ColorToNative(dc.state.bkColor));
  if (brush->style == BS_HATCHED) {
    k.pw = k.ph = 8;
    k.cells.resize(64);
    k.paint.resize(64);
    const uint8_t* rows = HatchRows(brush->hatch);
    const bool opaque = dc.state.bkMode == OPAQUE;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool on = rows[y] & (0x80 >> x);
        k.cells[size_t(y * 8 + x)] = on ? fg : back;
        k.paint[size_t(y * 8 + x)] = (on || opaque) ? 1 : 0;
      }
    }
    k.allPainted = opaque;
  } else {
    const Surface& p = *brush->pattern;
    k.pw = p.Width();
    k.ph = p.Height();
    k.cells.resize(size_t(k.pw * k.ph));
    k.paint.assign(size_t(k.pw * k.ph), 1);
    const bool mono = p.Layout() == PixelLayout::Mono1;
    for (int y = 0; y < k.ph; ++y) {
      for (int x = 0; x < k.pw; ++x) {
        const uint32_t v = p.Get(x, y);
        k.cells[size_t(y * k.pw + x)] = mono ? (v ? back : text) : s.FromRgb(v);
      }
    }
  }
  out = std::move(k);
  return true;
}

PenInfo GetPenInfo(DC& dc) {
  PenInfo info;
  const Pen* pen = dc.state.pen.get();
  if (!pen || pen->style == PS_NULL) return info;
  info.null = false;
  info.width = std::max(1, pen->width);
  info.style = info.width > 1 ? PS_SOLID : pen->style;
  if (info.style == PS_INSIDEFRAME) info.style = PS_SOLID;
  info.insideFrame = pen->style == PS_INSIDEFRAME;
  info.endCap = pen->geometric ? pen->endCap : PS_ENDCAP_ROUND;
  info.ink = ColorInk(dc, pen->color);
  return info;
}

void AddDisc(PolygonScanner& scan, double cx, double cy, double radius) {
  const int n = std::clamp(static_cast<int>(std::ceil(radius * 4)), 8, 256);
  std::vector<FPoint> pts(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double a = 2 * std::numbers::pi * i / n;
    pts[size_t(i)] = {cx + radius * std::cos(a), cy + radius * std::sin(a)};
  }
  scan.AddContour(pts.data(), pts.size());
}

namespace {

// Dash patterns of one-pixel pens, in pixels, starting with a dash.
struct Dashes {
  int count;
  int len[6];
};
constexpr Dashes kDashes[5] = {
    {0, {}}, {2, {18, 6}}, {2, {3, 3}}, {4, {9, 6, 3, 6}}, {6, {9, 3, 3, 3, 3, 3}}};

struct StyleState {
  const Dashes* dashes = nullptr;
  int total = 0;
  int64_t pos = 0;
  bool On(int64_t i) const {
    int64_t p = (pos + i) % total;
    for (int k = 0; k < dashes->count; ++k) {
      if (p < dashes->len[k]) return (k & 1) == 0;
      p -= dashes->len[k];
    }
    return true;
  }
};

// One-pixel line from a to b, end pixel excluded, clipped before stepping so that far-off
// end points cost nothing.
void thinLine(Raster& r, const Ink& ink, const Ink* gapInk, StyleState* style, int64_t x0,
              int64_t y0, int64_t x1, int64_t y1) {
  const int64_t dx = x1 - x0, dy = y1 - y0;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const int64_t n = std::max(adx, ady);
  if (n == 0) return;
  const bool xMajor = adx >= ady;
  const int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
  const int64_t smaj = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const int64_t smin = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const int64_t amin = xMajor ? ady : adx;  // minor extent; the major extent is n
  const RECT& box = r.Box();
  // Steps i whose major coordinate is inside the clip box.
  const int64_t majLo = xMajor ? box.left : box.top, majHi = xMajor ? box.right : box.bottom;
  const int64_t minLo = xMajor ? box.top : box.left, minHi = xMajor ? box.bottom : box.right;
  int64_t iLo, iHi;
  if (smaj > 0) {
    iLo = majLo - major0;
    iHi = majHi - major0;
  } else {
    iLo = major0 - (majHi - 1);
    iHi = major0 - majLo + 1;
  }
  // And whose minor coordinate is (roughly) inside it.
  if (amin > 0) {
    const double kA = static_cast<double>(smin > 0 ? minLo - minor0 : minor0 - (minHi - 1));
    const double kB = static_cast<double>(smin > 0 ? minHi - minor0 : minor0 - minLo + 1);
    const double scale = static_cast<double>(n) / static_cast<double>(amin);
    iLo = std::max<int64_t>(iLo, static_cast<int64_t>(std::floor((kA - 1) * scale)) - 1);
    iHi = std::min<int64_t>(iHi, static_cast<int64_t>(std::ceil((kB + 1) * scale)) + 1);
  } else if (minor0 < minLo || minor0 >= minHi) {
    if (style) style->pos += n;
    return;
  }
  iLo = std::max<int64_t>(iLo, 0);
  iHi = std::min<int64_t>(iHi, n);
  if (iLo < iHi) {
    // minor offset k(i) = floor((2 i amin + n) / (2 n)), stepped incrementally from iLo.
    const int64_t twoN = 2 * n;
    const __int128 num = static_cast<__int128>(2) * iLo * amin + n;
    int64_t k = static_cast<int64_t>(num / twoN);
    int64_t rem = static_cast<int64_t>(num % twoN);
    if (!style && xMajor) {
      // Solid and mostly horizontal: paint each row's run of pixels as one span.
      int64_t runStart = major0 + smaj * iLo, runK = k;
      for (int64_t i = iLo; i < iHi; ++i) {
        rem += 2 * amin;
        const bool last = i + 1 == iHi;
        if (rem >= twoN || last) {
          const int64_t runEnd = major0 + smaj * i;
          r.Span(minor0 + smin * runK, std::min(runStart, runEnd), std::max(runStart, runEnd) + 1,
                 ink);
          if (rem >= twoN) {
            rem -= twoN;
            ++k;
          }
          runStart = runEnd + smaj;
          runK = k;
        }
      }
    } else {
      for (int64_t i = iLo; i < iHi; ++i) {
        const int64_t maj = major0 + smaj * i, mnr = minor0 + smin * k;
        const int64_t px = xMajor ? maj : mnr, py = xMajor ? mnr : maj;
        if (!style || style->On(i))
          r.Pixel(px, py, ink);
        else if (gapInk)
          r.Pixel(px, py, *gapInk);
        rem += 2 * amin;
        if (rem >= twoN) {
          rem -= twoN;
          ++k;
        }
      }
    }
  }
  if (style) style->pos += n;
}

double signedArea(const FPoint* p, size_t n) {
  double a = 0;
  for (size_t i = 0; i < n; ++i) {
    const FPoint& u = p[i];
    const FPoint& v = p[(i + 1) % n];
    a += u.x * v.y - v.x * u.y;
  }
  return a;
}

}  // namespace

void StrokePolyline(DC& dc, Raster& r, const PenInfo& pen, const int64_t* xy, size_t n,
                    bool closed) {
  if (pen.null || n < 2 || r.Empty()) return;
  const size_t segs = closed ? n : n - 1;
  if (pen.width <= 1) {
    StyleState style;
    StyleState* sp = nullptr;
    Ink gap;
    const Ink* gapInk = nullptr;
    if (pen.style >= PS_DASH && pen.style <= PS_DASHDOTDOT) {
      style.dashes = &kDashes[pen.style];
      for (int k = 0; k < style.dashes->count; ++k) style.total += style.dashes->len[k];
      sp = &style;
      if (dc.state.bkMode == OPAQUE) {
        gap = ColorInk(dc, dc.state.bkColor);
        gapInk = &gap;
      }
    }
    for (size_t i = 0; i < segs; ++i) {
      const size_t j = (i + 1) % n;
      thinLine(r, pen.ink, gapInk, sp, xy[2 * i], xy[2 * i + 1], xy[2 * j], xy[2 * j + 1]);
    }
    return;
  }
  // Wide pens: every segment is a rectangle, caps and joins are discs (or nothing for flat
  // caps, or half-squares for square caps); all of it is filled at once with the winding rule
  // so that overlaps are painted once.
  const double hw = pen.width / 2.0;
  PolygonScanner scan;
  auto pt = [&](size_t i) {
    return FPoint{static_cast<double>(xy[2 * i]) + 0.5, static_cast<double>(xy[2 * i + 1]) + 0.5};
  };
  for (size_t i = 0; i < segs; ++i) {
    FPoint a = pt(i), b = pt((i + 1) % n);
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::hypot(dx, dy);
    if (len == 0) continue;
    const double ux = dx / len, uy = dy / len;
    if (!closed && pen.endCap == PS_ENDCAP_SQUARE) {
      if (i == 0) a = {a.x - ux * hw, a.y - uy * hw};
      if (i + 1 == segs) b = {b.x + ux * hw, b.y + uy * hw};
    }
    const double nx = -uy * hw, ny = ux * hw;
    FPoint quad[4] = {
        {a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}};
    if (signedArea(quad, 4) < 0) std::swap(quad[1], quad[3]);
    scan.AddContour(quad, 4);
  }
  for (size_t i = 0; i < n; ++i) {
    const bool end = !closed && (i == 0 || i + 1 == n);
    if (end && pen.endCap != PS_ENDCAP_ROUND) continue;
    const FPoint c = pt(i);
    AddDisc(scan, c.x, c.y, hw);
  }
  scan.Scan(true, r.Box(), [&](int y, int a, int b) { r.Span(y, a, b, pen.ink); });
}

}  // namespace gdi
