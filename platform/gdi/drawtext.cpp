#include <algorithm>

#include "platform/gdi/fontface.h"
#include "platform/gdi/metafile.h"
#include "platform/gdi/shapes.h"
#include "platform/gdi/text.h"

namespace gdi {

namespace {

struct Line {
  std::u32string text;
  int accel = -1;  // index of the underlined character, -1 none
};

// Removes the accelerator marks; returns the index of the marked character or -1.
int stripPrefix(std::u32string& s) {
  std::u32string out;
  int accel = -1;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == U'&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != U'&' && accel < 0) accel = static_cast<int>(out.size());
    } else if (s[i] == U'&') {
      continue;  // a lone trailing '&' shows nothing
    }
    out.push_back(s[i]);
  }
  s = std::move(out);
  return accel;
}

}  // namespace

int DrawText(HDC hdc, std::string_view utf8, RECT* rect, UINT format) {
  // Measuring draws nothing.
  detail::MetaScope meta(format & DT_CALCRECT ? nullptr : hdc, [&] {
    return MetaCall(
        [r = rect ? *rect : RECT{}, s = std::string(utf8), format](HDC t, const MetaPlay&) {
          RECT c = r;
          DrawText(t, s, &c, format);
        });
  });
  DC* dc = LiveDC(hdc);
  if (!dc || !rect) return 0;
  dc->Record("DrawText(\"%.*s\",%d,%d,%d,%d,%X)", int(utf8.size()), utf8.data(), rect->left,
             rect->top, rect->right, rect->bottom, format);
  std::shared_ptr<FontFace> face;
  {
    std::lock_guard guard(FontFace::Lock());
    if (dc->state.font) face = FontFace::Of(dc->state.font.get());
  }
  if (!face) return 0;
  auto widthOf = [&](const std::u32string& s) {
    std::lock_guard guard(FontFace::Lock());
    int w = 0;
    for (char32_t c : s) w += face->Advance(c) + dc->state.textCharExtra;
    return w;
  };
  std::u32string text = DecodeUtf8(utf8);
  if (format & DT_EXPANDTABS) {
    std::u32string out;
    for (char32_t c : text) {
      if (c == U'\t')
        out.append(8 - out.size() % 8, U' ');
      else
        out.push_back(c);
    }
    text = std::move(out);
  }
  // Split into lines.
  std::vector<Line> lines;
  const bool single = format & DT_SINGLELINE;
  if (single) {
    lines.push_back({text});
  } else {
    std::u32string cur;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == U'\r' || text[i] == U'\n') {
        if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
        lines.push_back({cur});
        cur.clear();
      } else {
        cur.push_back(text[i]);
      }
    }
    lines.push_back({cur});
  }
  const bool prefix = !(format & DT_NOPREFIX);
  for (auto& l : lines) {
    const int a = prefix ? stripPrefix(l.text) : -1;
    l.accel = (format & DT_HIDEPREFIX) ? -1 : a;
  }
  const int boxWidth = rect->right - rect->left;
  if ((format & DT_WORDBREAK) && !single) {
    std::vector<Line> wrapped;
    for (const auto& l : lines) {
      size_t start = 0;
      while (true) {
        // The longest run of whole words from start that fits.
        size_t end = l.text.size();
        if (widthOf(l.text.substr(start)) > boxWidth) {
          size_t fit = start;
          for (size_t i = start; i <= l.text.size(); ++i) {
            if (i == l.text.size() || l.text[i] == U' ') {
              if (i > start && widthOf(l.text.substr(start, i - start)) > boxWidth) break;
              fit = i;
            }
          }
          if (fit == start) {  // one word longer than the box: it gets a line of its own
            fit = l.text.find(U' ', start);
            if (fit == std::u32string::npos) fit = l.text.size();
          }
          end = fit;
        }
        Line part{l.text.substr(start, end - start)};
        if (l.accel >= int(start) && l.accel < int(end)) part.accel = l.accel - int(start);
        wrapped.push_back(part);
        start = end;
        while (start < l.text.size() && l.text[start] == U' ') ++start;
        if (start >= l.text.size()) break;
      }
    }
    lines = std::move(wrapped);
  }
  if (format & DT_END_ELLIPSIS) {
    for (auto& l : lines) {
      if (widthOf(l.text) <= boxWidth) continue;
      const std::u32string dots = U"...";
      size_t keep = l.text.size();
      while (keep > 0 && widthOf(l.text.substr(0, keep) + dots) > boxWidth) --keep;
      l.text = l.text.substr(0, keep) + dots;
      if (l.accel >= int(keep)) l.accel = -1;
    }
  }
  const TEXTMETRIC tm = face->tm;
  const int lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const int height = lineHeight * int(lines.size());
  int maxWidth = 0;
  for (const auto& l : lines) maxWidth = std::max(maxWidth, widthOf(l.text));
  if (format & DT_CALCRECT) {
    rect->right = rect->left + maxWidth;
    rect->bottom = rect->top + height;
    return height;
  }
  int top = rect->top;
  if (single && (format & DT_VCENTER))
    top = rect->top + (rect->bottom - rect->top - height) / 2;
  else if (single && (format & DT_BOTTOM))
    top = rect->bottom - height;
  const int saved = (format & DT_NOCLIP) ? 0 : SaveDC(hdc);
  if (saved) IntersectClipRect(hdc, rect->left, rect->top, rect->right, rect->bottom);
  const UINT oldAlign = SetTextAlign(hdc, TA_LEFT | TA_TOP);
  HPEN underline = nullptr;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    const int w = widthOf(l.text);
    int left = rect->left;
    if (format & DT_CENTER)
      left = rect->left + (boxWidth - w) / 2;
    else if (format & DT_RIGHT)
      left = rect->right - w;
    const int y = top + int(i) * lineHeight;
    if (!(format & DT_PREFIXONLY)) TextOut(hdc, left, y, EncodeUtf8(l.text));
    if (l.accel >= 0 && l.accel < int(l.text.size())) {
      const int x0 = left + widthOf(l.text.substr(0, size_t(l.accel)));
      const int x1 = x0 + widthOf(l.text.substr(size_t(l.accel), 1));
      if (!underline) underline = CreatePen(PS_SOLID, 1, dc->state.textColor);
      HGDIOBJ old = SelectObject(hdc, underline);
      const int rop = SetROP2(hdc, R2_COPYPEN);
      MoveToEx(hdc, x0, y + tm.tmAscent + 1, nullptr);
      LineTo(hdc, x1, y + tm.tmAscent + 1);
      SetROP2(hdc, rop);
      SelectObject(hdc, old);
    }
  }
  if (underline) DeleteObject(underline);
  SetTextAlign(hdc, oldAlign);
  if (saved) RestoreDC(hdc, saved);
  return height;
}

}  // namespace gdi
