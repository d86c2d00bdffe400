#pragma once
// Fonts and text. Fonts are LOGFONT descriptions realised through fontconfig and FreeType:
//  - lfHeight < 0: the em height in pixels; > 0: the cell height (ascent + descent); 0: 16 px em;
//  - lfEscapement: tenths of a degree counter-clockwise; the text turns about its reference point;
//  - lfWeight >= 600 is bold, lfItalic, lfUnderline, lfStrikeOut (missing styles are synthesised);
//  - face names of the original platform go through a substitution table ("Arial", "Tahoma",
//    "MS Sans Serif", ... to installed families; "WingDings" to a Unicode font with its character
//    codes mapped to the matching symbols).
// Glyphs are binary (no anti-aliasing), so drawing a text again over itself changes nothing and
// an XOR-free redraw in the background colour erases it. Text is UTF-8.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/dc.h"

namespace gdi {

enum : int {
  FW_DONTCARE = 0,
  FW_THIN = 100,
  FW_LIGHT = 300,
  FW_NORMAL = 400,
  FW_MEDIUM = 500,
  FW_SEMIBOLD = 600,
  FW_BOLD = 700,
  FW_HEAVY = 900
};
enum : BYTE { DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, ANSI_CHARSET = 0 };
enum : BYTE {
  OUT_DEFAULT_PRECIS = 0,
  OUT_TT_PRECIS = 4,
  CLIP_DEFAULT_PRECIS = 0,
  DEFAULT_QUALITY = 0,
  NONANTIALIASED_QUALITY = 3,
  DEFAULT_PITCH = 0
};
enum : UINT { ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004 };

struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 96;
  LONG tmDigitizedAspectY = 96;
  char32_t tmFirstChar = 0x20;
  char32_t tmLastChar = 0xFFFF;
  char32_t tmDefaultChar = 0x3F;
  char32_t tmBreakChar = 0x20;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

BOOL TextOut(HDC hdc, int x, int y, std::string_view text);
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, std::string_view text,
                const int* dx = nullptr);
// Width of the text along its own baseline and the font's cell height (rotation not applied).
BOOL GetTextExtentPoint32(HDC hdc, std::string_view text, SIZE* size);
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm);
// The same with a pointer and a length in bytes (-1: up to the terminating zero).
BOOL TextOut(HDC hdc, int x, int y, const char* text, int length);
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, int length,
                const int* dx);
BOOL GetTextExtentPoint32(HDC hdc, const char* text, int length, SIZE* size);
// The realised family name of the DC's font.
std::string GetTextFace(HDC hdc);

// Registers a font file for this process (fontconfig application font); returns the number of
// faces added (0 when the file is not a font).
int AddFontResource(const std::string& path);
BOOL RemoveFontResource(const std::string& path);
// Maps a face name (any case) to an installed family; used before fontconfig matching.
void SetFontSubstitute(const std::string& face, const std::string& family);
// Installed families plus the substituted names, sorted, without duplicates.
std::vector<std::string> EnumFontFamilies();
bool FontFamilyExists(const std::string& face);

enum : UINT {
  DT_TOP = 0x0,
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_NOCLIP = 0x100,
  DT_EXTERNALLEADING = 0x200,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
  DT_END_ELLIPSIS = 0x8000,
  DT_HIDEPREFIX = 0x100000,
  DT_PREFIXONLY = 0x200000,
};
// Draws (or with DT_CALCRECT measures) text in a rectangle with the DC's font, colours and
// background mode. '&' marks the next character as the accelerator (underlined) unless
// DT_NOPREFIX; "&&" is one '&'. DT_VCENTER and DT_BOTTOM apply to single lines. Returns the
// height of the text.
int DrawText(HDC hdc, std::string_view text, RECT* rect, UINT format);
int DrawText(HDC hdc, const char* text, int length, RECT* rect, UINT format);

// UTF-8 to code points (a byte that is not valid UTF-8 stands for itself, as Latin-1).
std::u32string DecodeUtf8(std::string_view s);
std::string EncodeUtf8(std::u32string_view s);

// The Unicode character that a symbol-font ("WingDings") character code stands for.
char32_t WingdingsToUnicode(unsigned code);

}  // namespace gdi
