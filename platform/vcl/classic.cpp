#include "platform/vcl/classic.h"

#include "platform/win/settings.h"

namespace vcl {

namespace {
void Line(TCanvas* c, int x1, int y1, int x2, int y2, TColor col) {
  c->Pen()->SetColor(col);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  c->MoveTo(x1, y1);
  c->LineTo(x2, y2);
}

// Top-left in one colour, bottom-right in another, one pixel wide.
void Frame(TCanvas* c, const TRect& r, TColor tl, TColor br) {
  Line(c, r.left, r.bottom - 1, r.left, r.top, tl);
  Line(c, r.left, r.top, r.right - 1, r.top, tl);
  Line(c, r.right - 1, r.top, r.right - 1, r.bottom - 1, br);
  Line(c, r.right - 1, r.bottom - 1, r.left - 1, r.bottom - 1, br);
}

void Shrink(TRect& r) {
  gdi::InflateRect(&r, -1, -1);
}
}  // namespace

void DrawRaised(TCanvas* c, TRect& r) {
  gdi::DrawEdge(c->Handle(), &r, gdi::EDGE_RAISED, gdi::BF_RECT | gdi::BF_ADJUST);
}

void DrawSunken(TCanvas* c, TRect& r) {
  gdi::DrawEdge(c->Handle(), &r, gdi::EDGE_SUNKEN, gdi::BF_RECT | gdi::BF_ADJUST);
}

void DrawEtched(TCanvas* c, const TRect& r) {
  TRect e = r;
  gdi::DrawEdge(c->Handle(), &e, gdi::EDGE_ETCHED, gdi::BF_RECT);
}

TRect DrawField(TCanvas* c, TRect r, TColor fill, bool enabled) {
  DrawSunken(c, r);
  c->Brush()->SetColor(enabled ? fill : clBtnFace);
  c->FillRect(r);
  return r;
}

void DrawButtonFace(TCanvas* c, TRect r, bool down, bool framed) {
  if (framed) {
    c->Brush()->SetColor(clBlack);
    c->FrameRect(r);
    Shrink(r);
  }
  if (down) {
    Frame(c, r, clBtnShadow, clBtnShadow);
    Shrink(r);
  } else {
    DrawRaised(c, r);
  }
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(r);
}

void DrawCaption(TCanvas* c, TRect r, const std::string& text, unsigned flags, bool enabled) {
  c->Brush()->SetStyle(bsClear);
  TColor saved = c->Font()->Color();
  if (!enabled) {
    TRect s = r;
    gdi::OffsetRect(&s, 1, 1);
    c->Font()->SetColor(clBtnHighlight);
    gdi::DrawText(c->Handle(), text, &s, flags);
    c->Font()->SetColor(clGrayText);
  }
  gdi::DrawText(c->Handle(), text, &r, flags);
  c->Font()->SetColor(saved);
  c->Brush()->SetStyle(bsSolid);
}

void DrawCheckBox(TCanvas* c, const TRect& box, int state, bool enabled) {
  TRect r = box;
  DrawSunken(c, r);
  c->Brush()->SetColor(enabled && state != 2 ? clWindow : clBtnFace);
  c->FillRect(r);
  if (state == 0) return;
  TColor ink = enabled && state == 1 ? clWindowText : clGrayText;
  // A check mark: three strokes of a short and a long leg.
  int x = r.left + 1, y = r.top + 2;
  c->Pen()->SetColor(ink);
  c->Pen()->SetWidth(1);
  for (int k = 0; k < 3; ++k) {
    c->Polyline({TPoint{x, y + 2 + k}, TPoint{x + 2, y + 4 + k}, TPoint{x + 7, y - 1 + k}});
  }
}

void DrawRadio(TCanvas* c, const TRect& box, bool checked, bool enabled) {
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(clBtnShadow);
  c->Brush()->SetColor(enabled ? clWindow : clBtnFace);
  c->Ellipse(box);
  if (checked) {
    TColor ink = enabled ? clWindowText : clGrayText;
    c->Pen()->SetColor(ink);
    c->Brush()->SetColor(ink);
    int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    c->Ellipse(cx - 2, cy - 2, cx + 3, cy + 3);
  }
}

void DrawArrow(TCanvas* c, const TRect& r, TArrow dir, bool enabled) {
  TColor ink = enabled ? clBtnText : clGrayText;
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  for (int i = 0; i < 4; ++i) {
    switch (dir) {
      case TArrow::Down:
        Line(c, cx - 3 + i, cy - 1 + i, cx + 4 - i, cy - 1 + i, ink);
        break;
      case TArrow::Up:
        Line(c, cx - 3 + i, cy + 1 - i, cx + 4 - i, cy + 1 - i, ink);
        break;
      case TArrow::Right:
        Line(c, cx - 1 + i, cy - 3 + i, cx - 1 + i, cy + 4 - i, ink);
        break;
      case TArrow::Left:
        Line(c, cx + 1 - i, cy - 3 + i, cx + 1 - i, cy + 4 - i, ink);
        break;
    }
  }
}

gdi::SIZE MeasureText(const TFont* font, const std::string& text, bool prefix, int wrapWidth) {
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, const_cast<TFont*>(font)->Handle());
  TRect r{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
  unsigned flags = gdi::DT_CALCRECT | gdi::DT_EXPANDTABS;
  if (!prefix) flags |= gdi::DT_NOPREFIX;
  if (wrapWidth > 0) flags |= gdi::DT_WORDBREAK;
  gdi::DrawText(dc, text.empty() ? std::string(" ") : text, &r, flags);
  if (text.empty()) r.right = r.left;
  gdi::SelectObject(dc, old);
  gdi::DeleteDC(dc);
  return gdi::SIZE{r.Width(), r.Height()};
}

int MeasureTitle(const std::string& text) {
  win::NONCLIENTMETRICS ncm;
  win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::HFONT font = gdi::CreateFontIndirect(&ncm.lfCaptionFont);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, font);
  gdi::SIZE s{};
  gdi::GetTextExtentPoint32(dc, text, &s);
  gdi::SelectObject(dc, old);
  gdi::DeleteObject(font);
  gdi::DeleteDC(dc);
  return s.cx;
}

}  // namespace vcl
