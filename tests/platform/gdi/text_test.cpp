#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "canvas.h"
#include "tests/tempdir.h"

namespace gdi {
namespace {

using testing::Canvas;
using testing::kBlack;
using testing::kWhite;

HFONT makeFont(int height, const char* face = "Arial", int escapement = 0, int weight = FW_NORMAL,
               bool underline = false) {
  return CreateFont(height, 0, escapement, escapement, weight, 0, underline, 0, DEFAULT_CHARSET, 0,
                    0, 0, 0, face);
}

TEST(Fonts, HeightSignSelectsEmOrCell) {
  Canvas c(10, 10);
  HFONT cell = makeFont(20);
  HFONT em = makeFont(-20);
  TEXTMETRIC tm;
  SelectObject(c.dc(), cell);
  ASSERT_TRUE(GetTextMetrics(c.dc(), &tm));
  EXPECT_EQ(tm.tmHeight, 20);
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
  EXPECT_GT(tm.tmInternalLeading, 0);
  SelectObject(c.dc(), em);
  ASSERT_TRUE(GetTextMetrics(c.dc(), &tm));
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 20);
  EXPECT_GT(tm.tmHeight, 20);
  EXPECT_EQ(GetTextFace(c.dc()), "Liberation Sans");
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(cell);
  DeleteObject(em);
}

// Forms are laid out in the dialog units of the classic 8-point interface face, 6 x 13 pixels at
// 96 dpi, the horizontal unit being (extent of the 52 letters / 26 + 1) / 2 in integers. A wider
// face cuts captions at their designed bounds.
TEST(Fonts, TheInterfaceFacesKeepTheClassicDialogUnit) {
  Canvas c(10, 10);
  for (const char* face : {"MS Sans Serif", "Arial", "Tahoma"}) {
    HFONT f = makeFont(-11, face);
    HGDIOBJ old = SelectObject(c.dc(), f);
    SIZE s{};
    GetTextExtentPoint32(c.dc(), "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", &s);
    EXPECT_EQ((s.cx / 26 + 1) / 2, 6) << face << ": " << s.cx;
    SelectObject(c.dc(), old);
    DeleteObject(f);
  }
}

TEST(Fonts, ExtentsGrowWithHeight) {
  Canvas c(10, 10);
  int lastW = 0, lastH = 0;
  for (int h : {8, 12, 16, 24, 36}) {
    HFONT f = makeFont(-h);
    HGDIOBJ old = SelectObject(c.dc(), f);
    SIZE s;
    ASSERT_TRUE(GetTextExtentPoint32(c.dc(), "Sailing 123", &s));
    EXPECT_GT(s.cx, lastW) << h;
    EXPECT_GT(s.cy, lastH) << h;
    lastW = s.cx;
    lastH = s.cy;
    SelectObject(c.dc(), old);
    DeleteObject(f);
  }
  SIZE empty;
  GetTextExtentPoint32(c.dc(), "", &empty);
  EXPECT_EQ(empty.cx, 0);
  // Pointer and length: the length counts, -1 runs to the end.
  SIZE ab, abc, all;
  GetTextExtentPoint32(c.dc(), "ab", &ab);
  GetTextExtentPoint32(c.dc(), "abc", -1, &abc);
  GetTextExtentPoint32(c.dc(), "abcdef", 2, &all);
  EXPECT_EQ(all.cx, ab.cx);
  EXPECT_GT(abc.cx, ab.cx);
}

TEST(Text, DrawsBinaryGlyphsInsideItsExtent) {
  Canvas c(120, 40);
  HFONT f = makeFont(-16);
  SelectObject(c.dc(), f);
  SetBkMode(c.dc(), TRANSPARENT);
  SetTextColor(c.dc(), RGB(200, 0, 0));
  TextOut(c.dc(), 5, 5, "Wind 12");
  SIZE s;
  GetTextExtentPoint32(c.dc(), "Wind 12", &s);
  const RECT ink = c.Extent(kWhite);
  EXPECT_GE(ink.left, 5);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.right, 5 + s.cx + 1);
  EXPECT_LE(ink.bottom, 5 + s.cy);
  // Binary: only the text colour and the background appear.
  EXPECT_EQ(c.Count(RGB(200, 0, 0)) + c.Count(kWhite), 120 * 40);
  const int painted = c.Count(RGB(200, 0, 0));
  EXPECT_GT(painted, 40);
  // Drawing it again changes nothing; drawing it in the background colour erases it.
  TextOut(c.dc(), 5, 5, "Wind 12");
  EXPECT_EQ(c.Count(RGB(200, 0, 0)), painted);
  SetTextColor(c.dc(), kWhite);
  TextOut(c.dc(), 5, 5, "Wind 12");
  EXPECT_EQ(c.CountNot(kWhite), 0);
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(Text, GlyphsCutByTheSurfaceEdgeKeepTheirVisibleRows) {
  // The same text drawn 20 pixels higher onto a surface that starts 20 pixels lower: the rows
  // that stay on the surface are the same.
  Canvas whole(60, 60), cut(60, 40);
  HFONT f = makeFont(-40);
  for (Canvas* c : {&whole, &cut}) {
    SelectObject(c->dc(), f);
    SetBkMode(c->dc(), TRANSPARENT);
    SetTextColor(c->dc(), kBlack);
  }
  TextOut(whole.dc(), 2, 0, "Hg");
  TextOut(cut.dc(), 2, -20, "Hg");
  EXPECT_GT(cut.Count(kBlack), 50);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(cut.At(x, y), whole.At(x, y + 20)) << x << "," << y;
  // Far off the surface a huge glyph draws nothing (and walks none of its rows).
  const int before = cut.Count(kBlack);
  HFONT huge = makeFont(-3000);
  SelectObject(cut.dc(), huge);
  TextOut(cut.dc(), 100000, -100000, "W");
  TextOut(cut.dc(), 0, 100, "W");
  EXPECT_EQ(cut.Count(kBlack), before);
  for (Canvas* c : {&whole, &cut}) SelectObject(c->dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  DeleteObject(huge);
}

TEST(Text, OpaqueModeFillsTheCell) {
  Canvas c(100, 30);
  HFONT f = makeFont(20);
  SelectObject(c.dc(), f);
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), RGB(0, 0, 255));
  TextOut(c.dc(), 10, 5, "ab");
  SIZE s;
  GetTextExtentPoint32(c.dc(), "ab", &s);
  EXPECT_EQ(c.Extent(kWhite), (RECT{10, 5, 10 + s.cx, 25}));
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(Text, AlignmentMovesTheReferencePoint) {
  Canvas c(200, 60);
  HFONT f = makeFont(20);
  SelectObject(c.dc(), f);
  SetBkColor(c.dc(), kBlack);  // opaque cell shows where the text box went
  SIZE s;
  GetTextExtentPoint32(c.dc(), "xyz", &s);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  SetTextAlign(c.dc(), TA_RIGHT | TA_BASELINE);
  TextOut(c.dc(), 150, 40, "xyz");
  EXPECT_EQ(c.Extent(kWhite), (RECT{150 - s.cx, 40 - tm.tmAscent, 150, 40 + tm.tmDescent}));
  c.Clear(kWhite);
  SetTextAlign(c.dc(), TA_CENTER | TA_BOTTOM);
  TextOut(c.dc(), 100, 50, "xyz");
  EXPECT_EQ(c.Extent(kWhite), (RECT{100 - s.cx / 2, 30, 100 - s.cx / 2 + s.cx, 50}));
  // TA_UPDATECP draws at and advances the current position.
  c.Clear(kWhite);
  SetTextAlign(c.dc(), TA_UPDATECP);
  MoveToEx(c.dc(), 7, 3, nullptr);
  TextOut(c.dc(), 0, 0, "xyz");
  POINT cp;
  GetCurrentPositionEx(c.dc(), &cp);
  EXPECT_EQ(cp, (POINT{7 + s.cx, 3}));
  EXPECT_EQ(c.Extent(kWhite).left, 7);
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(Text, EscapementTurnsTheTextBox) {
  Canvas c(200, 200);
  HFONT flat = makeFont(-18, "Arial", 0);
  HFONT up = makeFont(-18, "Arial", 900);
  const char* text = "Heading 270";
  SetBkMode(c.dc(), TRANSPARENT);
  SelectObject(c.dc(), flat);
  TextOut(c.dc(), 20, 100, text);
  const RECT a = c.Extent(kWhite);
  EXPECT_GT(a.right - a.left, 2 * (a.bottom - a.top));
  c.Clear(kWhite);
  SelectObject(c.dc(), up);
  TextOut(c.dc(), 100, 180, text);
  const RECT b = c.Extent(kWhite);
  // Turned a quarter counter-clockwise about the reference point (the top-left of the text):
  // it runs upwards from (100, 180) and the glyphs' tops face left, so the box lies right of it.
  EXPECT_GT(b.bottom - b.top, 2 * (b.right - b.left));
  EXPECT_NEAR(b.bottom - b.top, a.right - a.left, 3);
  EXPECT_LE(b.bottom, 181);
  EXPECT_GE(b.left, 99);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  EXPECT_LE(b.right, 100 + tm.tmHeight + 1);
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(flat);
  DeleteObject(up);
}

TEST(Text, UnderlineAndBoldWidenTheInk) {
  Canvas c(150, 40);
  SetBkMode(c.dc(), TRANSPARENT);
  HFONT plain = makeFont(-16);
  HFONT bold = makeFont(-16, "Arial", 0, FW_BOLD);
  HFONT under = makeFont(-16, "Arial", 0, FW_NORMAL, true);
  auto ink = [&](HFONT f) {
    c.Clear(kWhite);
    SelectObject(c.dc(), f);
    TextOut(c.dc(), 2, 2, "Speed");
    return c.CountNot(kWhite);
  };
  const int p = ink(plain);
  EXPECT_GT(ink(bold), p);
  EXPECT_GT(ink(under), p);
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  for (HFONT f : {plain, bold, under}) DeleteObject(f);
}

TEST(DrawText, CalcRectVerticalCentreAndEllipsis) {
  Canvas c(200, 100);
  HFONT f = makeFont(16);
  SelectObject(c.dc(), f);
  SIZE s;
  GetTextExtentPoint32(c.dc(), "Port wizard", &s);
  RECT r{10, 10, 10, 10};
  EXPECT_EQ(DrawText(c.dc(), "Port &wizard", &r, DT_CALCRECT | DT_SINGLELINE), 16);
  EXPECT_EQ(r, (RECT{10, 10, 10 + s.cx, 26}));
  EXPECT_EQ(c.CountNot(kWhite), 0);  // measuring draws nothing
  RECT two{0, 0, 0, 0};
  EXPECT_EQ(DrawText(c.dc(), "one\r\ntwo lines", &two, DT_CALCRECT), 32);
  // Single line, vertically centred, right aligned.
  SetBkMode(c.dc(), TRANSPARENT);
  RECT box{0, 0, 200, 100};
  DrawText(c.dc(), "Port wizard", &box, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  const RECT ink = c.Extent(kWhite);
  EXPECT_LE(ink.right, 200);
  EXPECT_GE(ink.left, 200 - s.cx - 1);
  EXPECT_GE(ink.top, 42);
  EXPECT_LE(ink.bottom, 58);
  // End ellipsis keeps the text inside a narrow box.
  c.Clear(kWhite);
  RECT narrow{0, 0, 40, 20};
  DrawText(c.dc(), "A very long caption", &narrow, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
  EXPECT_LE(c.Extent(kWhite).right, 40);
  // Clipped to the rectangle unless DT_NOCLIP.
  c.Clear(kWhite);
  RECT clip{0, 0, 30, 20};
  DrawText(c.dc(), "A very long caption", &clip, DT_SINGLELINE);
  EXPECT_LE(c.Extent(kWhite).right, 30);
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(DrawText, WordBreakWrapsIntoTheBox) {
  Canvas c(120, 200);
  HFONT f = makeFont(16);
  SelectObject(c.dc(), f);
  const char* text = "true wind speed and angle over the ground";
  RECT calc{0, 0, 100, 0};
  const int h = DrawText(c.dc(), text, &calc, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GE(h, 3 * 16);
  EXPECT_EQ(h % 16, 0);
  EXPECT_EQ(calc.bottom, h);
  EXPECT_LE(calc.right, 100);
  SetBkMode(c.dc(), TRANSPARENT);
  RECT box{0, 0, 100, 200};
  EXPECT_EQ(DrawText(c.dc(), text, &box, DT_WORDBREAK), h);
  const RECT ink = c.Extent(kWhite);
  EXPECT_LE(ink.right, 100);
  EXPECT_GT(ink.bottom, 2 * 16);
  EXPECT_LE(ink.bottom, h);
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(DrawText, PrefixUnderlinesUnlessHidden) {
  Canvas c(120, 30);
  HFONT f = makeFont(16);
  SelectObject(c.dc(), f);
  SetBkMode(c.dc(), TRANSPARENT);
  RECT r{0, 0, 120, 30};
  DrawText(c.dc(), "&File", &r, DT_SINGLELINE);
  const int withMark = c.CountNot(kWhite);
  c.Clear(kWhite);
  DrawText(c.dc(), "&File", &r, DT_SINGLELINE | DT_HIDEPREFIX);
  const int hidden = c.CountNot(kWhite);
  c.Clear(kWhite);
  DrawText(c.dc(), "File", &r, DT_SINGLELINE);
  EXPECT_EQ(c.CountNot(kWhite), hidden);
  EXPECT_GT(withMark, hidden);
  c.Clear(kWhite);
  DrawText(c.dc(), "&File", &r, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_GT(c.CountNot(kWhite), hidden);  // the '&' is drawn
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(Fonts, WingdingsCodesBecomeSymbols) {
  EXPECT_EQ(WingdingsToUnicode(0x6C), U'\u25CF');  // filled circle
  EXPECT_EQ(WingdingsToUnicode(0x6E), U'\u25A0');  // filled square
  EXPECT_EQ(WingdingsToUnicode(0xF06C), U'\u25CF');
  Canvas c(40, 40);
  HFONT wd = makeFont(-20, "WingDings");
  SelectObject(c.dc(), wd);
  SetBkMode(c.dc(), TRANSPARENT);
  TextOut(c.dc(), 5, 5, "n");  // a filled square, not the letter
  const RECT ink = c.Extent(kWhite);
  const int area = (ink.right - ink.left) * (ink.bottom - ink.top);
  EXPECT_GT(area, 0);
  EXPECT_GT(c.CountNot(kWhite), area * 9 / 10);
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(wd);
}

TEST(Fonts, AddFontResourceRegistersAFile) {
  const std::string src = "/usr/share/fonts/truetype/dseg/DSEG7Classic-Regular.ttf";
  ASSERT_TRUE(std::filesystem::exists(src)) << "fonts-dseg (packages.txt) is missing";
  const TempDir dir("gdi_font_test");
  const std::string copy = dir / "lcd.ttf";
  std::filesystem::copy_file(src, copy);
  EXPECT_EQ(AddFontResource(copy), 1);
  EXPECT_TRUE(FontFamilyExists("DSEG7 Classic"));
  Canvas c(10, 10);
  HFONT f = makeFont(-20, "DSEG7 Classic");
  SelectObject(c.dc(), f);
  EXPECT_EQ(GetTextFace(c.dc()), "DSEG7 Classic");
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  EXPECT_TRUE(RemoveFontResource(copy));
  EXPECT_FALSE(RemoveFontResource(copy));
  const std::string junk = dir / "junk.ttf";
  std::ofstream(junk) << "not a font";
  EXPECT_EQ(AddFontResource(junk), 0);
}

TEST(Fonts, Utf8Decoding) {
  EXPECT_EQ(DecodeUtf8("a\xC3\xA9z"), U"a\u00E9z");
  EXPECT_EQ(DecodeUtf8("\xE9"), U"\u00E9");  // a stray byte counts as Latin-1
  EXPECT_EQ(EncodeUtf8(U"\u00B0C"),
            "\xC2\xB0"
            "C");
}

}  // namespace
}  // namespace gdi
