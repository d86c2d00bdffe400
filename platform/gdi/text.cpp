#include "platform/gdi/text.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/fontface.h"
#include "platform/gdi/metafile.h"
#include "platform/gdi/paint.h"

namespace gdi {

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int n = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      n = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3;
      cp = c & 0x07;
    } else {
      out.push_back(c);
      ++i;
      continue;
    }
    bool ok = i + size_t(n) < s.size();
    for (int k = 1; ok && k <= n; ++k) {
      const unsigned char d = static_cast<unsigned char>(s[i + size_t(k)]);
      if ((d & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (d & 0x3F);
    }
    if (!ok || cp > 0x10FFFF || (n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) ||
        (n == 3 && cp < 0x10000)) {
      out.push_back(c);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += size_t(n) + 1;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view s) {
  std::string out;
  for (char32_t c : s) {
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

namespace {

std::shared_ptr<FontFace> faceOf(DC& dc) {
  Font* f = dc.state.font.get();
  if (!f) return nullptr;
  return FontFace::Of(f);
}

// Fills a turned rectangle given by a corner, the unit vectors along and across the text, and
// its two lengths.
void fillTurned(Raster& r, double ox, double oy, double ux, double uy, double vx, double vy,
                double len, double depth, const Ink& ink) {
  if (len <= 0 || depth <= 0) return;
  const FPoint q[4] = {{ox, oy},
                       {ox + ux * len, oy + uy * len},
                       {ox + ux * len + vx * depth, oy + uy * len + vy * depth},
                       {ox + vx * depth, oy + vy * depth}};
  PolygonScanner scan;
  scan.AddContour(q, 4);
  scan.Scan(true, r.Box(), [&](int y, int a, int b) { r.Span(y, a, b, ink); });
}

BOOL drawText(DC& dc, int x, int y, UINT options, const RECT* rect, const std::u32string& text,
              const int* dx) {
  std::lock_guard guard(FontFace::Lock());
  auto face = faceOf(dc);
  if (!face) return FALSE;
  const UINT align = dc.state.textAlign;
  if (align & TA_UPDATECP) {
    x = dc.state.curPos.x;
    y = dc.state.curPos.y;
  }
  std::vector<int> adv(text.size());
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    adv[i] = dx ? dx[i] : face->Advance(text[i]) + dc.state.textCharExtra;
    width += adv[i];
  }
  const double ca = std::cos(face->angle), sa = std::sin(face->angle);
  const double ux = ca, uy = -sa;  // along the baseline
  const double vx = sa, vy = ca;   // down across it
  double along = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    along = -width / 2;
  else if (align & TA_RIGHT)
    along = -width;
  double down = face->tm.tmAscent;
  if ((align & TA_BASELINE) == TA_BASELINE)
    down = 0;
  else if (align & TA_BOTTOM)
    down = -face->tm.tmDescent;
  const double rx = double(dc.SX(x)), ry = double(dc.SY(y));
  const double ox = rx + ux * along + vx * down, oy = ry + uy * along + vy * down;

  Region clipped;
  const Region* clip = &dc.Clip();
  if (rect) {
    RECT s{int(dc.SX(rect->left)), int(dc.SY(rect->top)), int(dc.SX(rect->right)),
           int(dc.SY(rect->bottom))};
    if (options & ETO_OPAQUE) {
      Raster bg(*dc.Target(), *clip, R2_COPYPEN, dc.Bounds());
      const Ink ink = ColorInk(dc, dc.state.bkColor);
      for (int yy = std::max<int>(s.top, bg.Box().top);
           yy < std::min<int>(s.bottom, bg.Box().bottom); ++yy)
        bg.Span(yy, s.left, s.right, ink);
    }
    if (options & ETO_CLIPPED) {
      clipped = clip->Intersected(s);
      clip = &clipped;
    }
  }
  Raster r(*dc.Target(), *clip, R2_COPYPEN, dc.Bounds());
  if (dc.state.bkMode == OPAQUE && !(rect && (options & ETO_OPAQUE))) {
    const double tx = ox - vx * face->tm.tmAscent, ty = oy - vy * face->tm.tmAscent;
    fillTurned(r, tx, ty, ux, uy, vx, vy, width, face->tm.tmHeight, ColorInk(dc, dc.state.bkColor));
  }
  const Ink ink = ColorInk(dc, dc.state.textColor);
  double pen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const FontFace::Glyph& g = face->Get(text[i]);
    const int64_t px = std::llround(ox + ux * pen), py = std::llround(oy + uy * pen);
    const int64_t gx = px + g.left, gy = py - g.top;
    // Only the rows of a glyph that fall within the clip box are walked: huge glyphs far off
    // the surface cost nothing.
    const RECT& box = r.Box();
    const int first = static_cast<int>(std::clamp<int64_t>(box.top - gy, 0, g.height));
    const int last = static_cast<int>(std::clamp<int64_t>(box.bottom - gy, 0, g.height));
    if (gx >= box.right || gx + g.width <= box.left) {
      pen += adv[i];
      continue;
    }
    for (int row = first; row < last; ++row) {
      const uint8_t* bits = g.bits.data() + size_t(row) * size_t(g.pitch);
      int col = 0;
      while (col < g.width) {
        while (col < g.width && !(bits[col >> 3] & (0x80 >> (col & 7)))) ++col;
        const int start = col;
        while (col < g.width && (bits[col >> 3] & (0x80 >> (col & 7)))) ++col;
        if (col > start) r.Span(gy + row, gx + start, gx + col, ink);
      }
    }
    pen += adv[i];
  }
  if (face->tm.tmUnderlined) {
    const double d = face->underlinePos;
    fillTurned(r, ox + vx * d, oy + vy * d, ux, uy, vx, vy, width, face->underlineSize, ink);
  }
  if (face->tm.tmStruckOut) {
    const double d = -face->strikePos;
    fillTurned(r, ox + vx * d, oy + vy * d, ux, uy, vx, vy, width, face->strikeSize, ink);
  }
  if (align & TA_UPDATECP) {
    dc.state.curPos.x = x + static_cast<int>(std::lround(ux * width));
    dc.state.curPos.y = y + static_cast<int>(std::lround(uy * width));
  }
  return TRUE;
}

}  // namespace

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, std::string_view text,
                const int* dx) {
  detail::MetaScope meta(hdc, [&] {
    const bool clipped = rect != nullptr;
    const RECT r = rect ? *rect : RECT{};
    std::vector<int> widths;
    if (dx) widths.assign(dx, dx + DecodeUtf8(text).size());
    return MetaCall([=, s = std::string(text)](HDC t, const MetaPlay&) {
      ExtTextOut(t, x, y, options, clipped ? &r : nullptr, s,
                 widths.empty() ? nullptr : widths.data());
    });
  });
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  dc->Record("ExtTextOut(%d,%d,%u,\"%.*s\")", x, y, options, int(text.size()), text.data());
  return drawText(*dc, x, y, options, rect, DecodeUtf8(text), dx);
}

BOOL TextOut(HDC hdc, int x, int y, std::string_view text) {
  detail::MetaScope meta(hdc, [&] {
    return MetaCall([x, y, s = std::string(text)](HDC t, const MetaPlay&) { TextOut(t, x, y, s); });
  });
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  dc->Record("TextOut(%d,%d,\"%.*s\")", x, y, int(text.size()), text.data());
  return drawText(*dc, x, y, 0, nullptr, DecodeUtf8(text), nullptr);
}

BOOL GetTextExtentPoint32(HDC hdc, std::string_view text, SIZE* size) {
  DC* dc = LiveDC(hdc);
  if (!dc || !size) return FALSE;
  std::lock_guard guard(FontFace::Lock());
  auto face = faceOf(*dc);
  if (!face) return FALSE;
  int w = 0;
  for (char32_t c : DecodeUtf8(text)) w += face->Advance(c) + dc->state.textCharExtra;
  *size = SIZE{w, face->tm.tmHeight};
  return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm) {
  DC* dc = LiveDC(hdc);
  if (!dc || !tm) return FALSE;
  std::lock_guard guard(FontFace::Lock());
  auto face = faceOf(*dc);
  if (!face) return FALSE;
  *tm = face->tm;
  return TRUE;
}

namespace {

std::string_view view(const char* text, int length) {
  if (!text) return {};
  return length < 0 ? std::string_view(text) : std::string_view(text, size_t(length));
}

}  // namespace

BOOL TextOut(HDC hdc, int x, int y, const char* text, int length) {
  return TextOut(hdc, x, y, view(text, length));
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, int length,
                const int* dx) {
  return ExtTextOut(hdc, x, y, options, rect, view(text, length), dx);
}

BOOL GetTextExtentPoint32(HDC hdc, const char* text, int length, SIZE* size) {
  return GetTextExtentPoint32(hdc, view(text, length), size);
}

int DrawText(HDC hdc, const char* text, int length, RECT* rect, UINT format) {
  return DrawText(hdc, view(text, length), rect, format);
}

std::string GetTextFace(HDC hdc) {
  DC* dc = LiveDC(hdc);
  if (!dc) return {};
  std::lock_guard guard(FontFace::Lock());
  auto face = faceOf(*dc);
  return face ? face->family : std::string();
}

}  // namespace gdi
