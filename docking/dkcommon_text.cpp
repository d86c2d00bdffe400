// Text helpers of the shared functions, and rotated text for vertical bars.
#include <map>
#include <string>

#include "docking/dkcommon.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/shapes.h"
#include "platform/gdi/text.h"

namespace docking {

int GetTextWidth(HDC DC, const std::string& S, bool Prefix) {
  return GetTextExtentPoint32Str(DC, Prefix ? StripAccelChars(S) : S).cx;
}

int GetTextHeight(HDC DC) {
  gdi::TEXTMETRIC tm;
  gdi::GetTextMetrics(DC, &tm);
  return tm.tmHeight;
}

int DrawTextStr(HDC DC, const std::string& S, RECT& R, unsigned Format) {
  return gdi::DrawText(DC, S, &R, Format);
}

win::SIZE GetTextExtentPoint32Str(HDC DC, const std::string& S) {
  win::SIZE size{};
  gdi::GetTextExtentPoint32(DC, S, &size);
  return size;
}

void TextOutStr(HDC DC, int X, int Y, const std::string& S) {
  gdi::TextOut(DC, X, Y, S);
}

void LoadToolbarSystemFont(vcl::TFont& Font) {
  win::NONCLIENTMETRICS ncm;
  GetSystemNonClientMetrics(ncm);
  const gdi::LOGFONT& lf = ncm.lfMenuFont;
  if (lf.lfFaceName.empty()) return;  // no metrics: the font stays as it is
  Font.SetName(lf.lfFaceName);
  Font.SetHeight(lf.lfHeight);
  vcl::TFontStyles style = 0;
  if (lf.lfWeight >= 700) style |= vcl::fsBold;
  if (lf.lfItalic) style |= vcl::fsItalic;
  if (lf.lfUnderline) style |= vcl::fsUnderline;
  if (lf.lfStrikeOut) style |= vcl::fsStrikeOut;
  Font.SetStyle(style);
}

char CharToLower(char C) {
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
}

namespace {
// Whether a face has a vertical variant, asked of the font list once per face and thread.
bool HasVerticalVariant(const std::string& face) {
  thread_local std::map<std::string, bool> known;
  auto it = known.find(face);
  if (it == known.end()) it = known.emplace(face, gdi::FontFamilyExists("@" + face)).first;
  return it->second;
}
}  // namespace

gdi::HFONT CreateRotatedFont(HDC DC) {
  gdi::LOGFONT lf;
  gdi::GetObject(gdi::GetCurrentObject(DC, gdi::OBJ_FONT), sizeof lf, &lf);
  lf.lfEscapement = 2700;
  lf.lfOrientation = 2700;
  lf.lfOutPrecision = gdi::OUT_TT_PRECIS;
  if (lf.lfFaceName == "MS Sans Serif" || lf.lfFaceName == "Microsoft Sans Serif") {
    lf.lfFaceName = win::GetSettings().version.major >= 5 ? "Tahoma" : "Arial";
    if (lf.lfHeight > 0) {
      // A cell height of the raster face becomes a character height of the true-type one.
      gdi::TEXTMETRIC tm;
      gdi::GetTextMetrics(DC, &tm);
      lf.lfHeight = -(tm.tmHeight - tm.tmInternalLeading);
    }
  }
  if (HasVerticalVariant(lf.lfFaceName)) lf.lfFaceName = "@" + lf.lfFaceName;
  return gdi::CreateFontIndirect(&lf);
}

void DrawRotatedText(HDC DC, const std::string& S, const RECT& R, unsigned Format) {
  const std::string text = StripAccelChars(S);
  gdi::HFONT font = CreateRotatedFont(DC);
  gdi::HGDIOBJ old = gdi::SelectObject(DC, font);
  const win::SIZE size = GetTextExtentPoint32Str(DC, text);
  gdi::TEXTMETRIC tm;
  gdi::GetTextMetrics(DC, &tm);
  // Running downwards, the glyphs' tops face right: the text cell lies left of the reference
  // point and below it.
  const int x = (R.left + R.right + size.cy) / 2;
  const int y = (R.top + R.bottom - size.cx) / 2;
  const unsigned oldAlign = gdi::SetTextAlign(DC, gdi::TA_LEFT | gdi::TA_TOP);
  gdi::TextOut(DC, x, y, text);
  gdi::SetTextAlign(DC, oldAlign);
  const char accel = FindAccelChar(S);
  if (accel && !(Format & gdi::DT_HIDEPREFIX)) {
    // The accelerator's place in the stripped text: the last single '&' of S marks it.
    size_t pos = 0, accelPos = std::string::npos;
    for (size_t i = 0; i < S.size(); ++i) {
      if (S[i] == '&') {
        if (i + 1 < S.size() && S[i + 1] == '&') {
          ++pos;
          ++i;
        } else if (i + 1 < S.size()) {
          accelPos = pos;
        }
        continue;
      }
      ++pos;
    }
    if (accelPos != std::string::npos && accelPos < text.size()) {
      const int before = GetTextExtentPoint32Str(DC, text.substr(0, accelPos)).cx;
      const int width = GetTextExtentPoint32Str(DC, text.substr(0, accelPos + 1)).cx - before;
      const int lineX = x - tm.tmAscent - 1;
      gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, 1, gdi::GetTextColor(DC));
      gdi::HGDIOBJ oldPen = gdi::SelectObject(DC, pen);
      gdi::MoveToEx(DC, lineX, y + before, nullptr);
      gdi::LineTo(DC, lineX, y + before + width);
      gdi::SelectObject(DC, oldPen);
      gdi::DeleteObject(pen);
    }
  }
  gdi::SelectObject(DC, old);
  gdi::DeleteObject(font);
}

}  // namespace docking
