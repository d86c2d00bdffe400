#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/vcl/bitmap.h"
#include "platform/vcl/metafile.h"
#include "tests/tempdir.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class Graphics : public vcltest::VclTest {};

int Changes(TGraphicsObject& o, int* counter) {
  o.OnChange = rtl::TNotifyEvent(counter, [counter](rtl::TObject*) { ++*counter; });
  return 0;
}

TEST_F(Graphics, AMetafileRecordsItsCallsAndPlaysThemBackStretched) {
  TMetafile m;
  EXPECT_TRUE(m.Empty());
  m.SetSize(40, 20);
  m.SetMMWidth(1040);
  m.SetEnhanced(false);
  {
    TMetafileCanvas c(&m, gdi::HDC{}, "lines");
    c.Pen()->SetColor(clRed);
    c.MoveTo(0, 10);
    c.LineTo(40, 10);
  }
  EXPECT_EQ(m.Description(), "lines");
  EXPECT_FALSE(m.Enhanced());
  EXPECT_EQ(m.MMWidth(), 1040);
  const std::vector<std::string> calls = m.Records();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], "MoveTo(0,10)");
  EXPECT_EQ(calls[1], "LineTo(40,10)");
  // Twice the size: the line lands on row 20.
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(80, 40);
  m.DrawOn(b.Canvas(), {0, 0, 80, 40});
  EXPECT_EQ(b.Canvas()->Pixels(40, 20), clRed);
  EXPECT_NE(b.Canvas()->Pixels(40, 30), clRed);
  // A new size starts an empty picture.
  m.SetSize(10, 10);
  EXPECT_TRUE(m.Records().empty());
}

TEST_F(Graphics, FontSizeAndHeightAreTheSameMeasure) {
  TFont f;
  EXPECT_EQ(f.Name(), "MS Sans Serif");
  EXPECT_EQ(f.Size(), 8);
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);
  f.SetHeight(-24);
  EXPECT_EQ(f.Size(), 18);
}

TEST_F(Graphics, ToolsReportOnlyRealChanges) {
  TPen pen;
  TFont font;
  int penChanges = 0, fontChanges = 0;
  Changes(pen, &penChanges);
  Changes(font, &fontChanges);
  pen.SetColor(clRed);
  pen.SetColor(clRed);
  pen.SetWidth(3);
  EXPECT_EQ(penChanges, 2);

  TFont other;
  other.SetName("Impact");
  other.SetStyle(fsBold | fsItalic);
  other.SetColor(clNavy);
  font.Assign(&other);
  EXPECT_EQ(fontChanges, 1);
  EXPECT_TRUE(font.SameAs(&other));
  font.Assign(&other);  // nothing new
  EXPECT_EQ(fontChanges, 1);
  EXPECT_EQ(font.Style(), fsBold | fsItalic);
  EXPECT_THROW(font.Assign(&pen), rtl::EConvertError);
}

TEST_F(Graphics, BrushColourMakesAClearBrushSolid) {
  TBrush b;
  b.SetStyle(bsClear);
  b.SetColor(clLime);
  EXPECT_EQ(b.Style(), bsSolid);
}

TEST_F(Graphics, CanvasDrawsShapesWithPenAndBrush) {
  TBitmap bmp;
  bmp.SetSize(40, 30);
  TCanvas* c = bmp.Canvas();
  EXPECT_EQ(c->Pixels(5, 5), clWhite);  // fresh bitmaps are white
  c->Pen()->SetColor(clBlue);
  c->Brush()->SetColor(clYellow);
  c->Rectangle(2, 2, 20, 20);
  EXPECT_EQ(c->Pixels(2, 2), clBlue);
  EXPECT_EQ(c->Pixels(19, 19), clBlue);
  EXPECT_EQ(c->Pixels(20, 20), clWhite);  // right and bottom are exclusive
  EXPECT_EQ(c->Pixels(10, 10), clYellow);

  c->Pen()->SetColor(clRed);
  c->MoveTo(25, 5);
  c->LineTo(35, 5);
  EXPECT_EQ(c->Pixels(25, 5), clRed);
  EXPECT_EQ(c->Pixels(34, 5), clRed);
  EXPECT_EQ(c->Pixels(35, 5), clWhite);  // the end pixel is left out
  EXPECT_EQ(c->PenPos().x, 35);

  c->SetPixel(0, 29, clGreen);
  EXPECT_EQ(c->Pixels(0, 29), clGreen);
}

TEST_F(Graphics, RefreshSelectsTheToolsAgainAfterOthersDrewOnTheDc) {
  TBitmap bmp;
  bmp.SetSize(40, 30);
  TCanvas* c = bmp.Canvas();
  c->Pen()->SetColor(clBlue);
  c->MoveTo(0, 5);
  c->LineTo(40, 5);
  // Someone selects a pen of their own straight into the DC.
  const gdi::HPEN red = gdi::CreatePen(gdi::PS_SOLID, 1, gdi::RGB(255, 0, 0));
  gdi::SelectObject(c->Handle(), red);
  c->MoveTo(0, 10);
  c->LineTo(40, 10);
  EXPECT_EQ(c->Pixels(5, 10), clRed);  // the canvas still believes its pen is selected
  c->Refresh();
  c->MoveTo(0, 15);
  c->LineTo(40, 15);
  EXPECT_EQ(c->Pixels(5, 15), clBlue);
  gdi::DeleteObject(red);
}

TEST_F(Graphics, TextGrowsWithTheFont) {
  TBitmap bmp;
  bmp.SetSize(200, 60);
  TCanvas* c = bmp.Canvas();
  int small = c->TextWidth("Corvatalen");
  c->Font()->SetSize(20);
  int large = c->TextWidth("Corvatalen");
  EXPECT_GT(small, 0);
  EXPECT_GT(large, small);
  EXPECT_GT(c->TextHeight("Xg"), 20);
  c->Font()->SetColor(clBlack);
  c->TextOut(2, 2, "W");
  bool ink = false;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ink |= c->Pixels(x, y) == clBlack;
  EXPECT_TRUE(ink);
}

TEST_F(Graphics, ScanLinesOfA24BitBitmapAreItsPixels) {
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(8, 4);
  uint8_t* row = bmp.ScanLine(3);
  row[0] = 0x10;  // B
  row[1] = 0x20;  // G
  row[2] = 0x30;  // R
  EXPECT_EQ(bmp.Canvas()->Pixels(0, 3), 0x102030);
  bmp.Canvas()->SetPixel(7, 0, clRed);
  EXPECT_EQ(bmp.ScanLine(0)[7 * 3 + 2], 0xFF);
  EXPECT_THROW(bmp.ScanLine(4), EInvalidGraphic);
}

TEST_F(Graphics, A256ColourBitmapIsSavedWithAPaletteOfItsColours) {
  TBitmap bmp;
  bmp.SetPixelFormat(pf8bit);
  bmp.SetSize(3, 1);
  bmp.Canvas()->SetPixel(0, 0, clRed);
  bmp.Canvas()->SetPixel(1, 0, clLime);
  rtl::TMemoryStream stream;
  bmp.SaveToStream(stream);
  const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
  const gdi::DibImage image = gdi::ReadBmp(bytes, size_t(stream.Size()));
  EXPECT_EQ(bytes[28], 8) << "bits a pixel";
  EXPECT_EQ(bytes[46], 3) << "colours used: red, green and the white left";
  EXPECT_EQ(image.PixelRgb(0, 0), 0xFF0000u);
  EXPECT_EQ(image.PixelRgb(1, 0), 0x00FF00u);
  EXPECT_EQ(image.PixelRgb(2, 0), 0xFFFFFFu);
}

TEST_F(Graphics, ResizingKeepsThePixelsThatFit) {
  TBitmap bmp;
  bmp.SetSize(10, 10);
  bmp.Canvas()->SetPixel(3, 4, clPurple);
  bmp.SetWidth(20);
  EXPECT_EQ(bmp.Width(), 20);
  EXPECT_EQ(bmp.Canvas()->Pixels(3, 4), clPurple);
  EXPECT_EQ(bmp.Canvas()->Pixels(15, 4), clWhite);
}

TEST_F(Graphics, DrawStretchDrawAndCopyRectMovePixels) {
  TBitmap src, dst;
  src.SetSize(4, 4);
  src.Canvas()->Brush()->SetColor(clRed);
  src.Canvas()->FillRect(TRect{0, 0, 4, 4});
  dst.SetSize(20, 20);
  dst.Canvas()->Draw(1, 1, &src);
  EXPECT_EQ(dst.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(dst.Canvas()->Pixels(5, 5), clWhite);
  dst.Canvas()->StretchDraw(TRect{10, 10, 18, 18}, &src);
  EXPECT_EQ(dst.Canvas()->Pixels(17, 17), clRed);
  dst.Canvas()->CopyRect(TRect{0, 12, 2, 14}, src.Canvas(), TRect{0, 0, 2, 2});
  EXPECT_EQ(dst.Canvas()->Pixels(1, 13), clRed);
}

TEST_F(Graphics, PicturesLoadBitmapsByExtension) {
  const TempDir dir("vcl_picture");
  const std::string path = dir / "picture.bmp";
  {
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(6, 5);
    bmp.Canvas()->SetPixel(2, 3, clNavy);
    bmp.SaveToFile(path);
  }
  TPicture pic;
  int changes = 0;
  pic.OnChange = rtl::TNotifyEvent(&changes, [&](rtl::TObject*) { ++changes; });
  pic.LoadFromFile(path);
  EXPECT_EQ(changes, 1);
  ASSERT_NE(dynamic_cast<TBitmap*>(pic.Graphic()), nullptr);
  EXPECT_EQ(pic.Width(), 6);
  EXPECT_EQ(pic.Bitmap()->Canvas()->Pixels(2, 3), clNavy);
  std::remove(path.c_str());
  EXPECT_THROW(pic.LoadFromFile(dir / "x.gif"), EInvalidGraphic);
}

TEST_F(Graphics, JpegPicturesComeBackNearlyAsTheyWere) {
  TBitmap bmp;
  bmp.SetSize(32, 24);
  bmp.Canvas()->Brush()->SetColor(clNavy);
  bmp.Canvas()->FillRect(TRect{0, 0, 16, 24});
  TJPEGImage jpeg;
  jpeg.Assign(&bmp);
  const TempDir dir("vcl_picture");
  const std::string path = dir / "picture.jpg";
  jpeg.SaveToFile(path);
  TPicture pic;
  pic.LoadFromFile(path);
  ASSERT_NE(dynamic_cast<TJPEGImage*>(pic.Graphic()), nullptr);
  EXPECT_EQ(pic.Width(), 32);
  TColor left = pic.Bitmap()->Canvas()->Pixels(4, 12);
  TColor right = pic.Bitmap()->Canvas()->Pixels(28, 12);
  EXPECT_LT(left & 0xFF, 0x20);          // little red where it was navy
  EXPECT_GT((left >> 16) & 0xFF, 0x60);  // much blue
  EXPECT_GT(right & 0xFF, 0xE0);         // white stays white
  std::remove(path.c_str());
}

TEST_F(Graphics, TransparentBitmapsLeaveTheirBackgroundColourOut) {
  TBitmap glyph;
  glyph.SetSize(4, 4);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(TRect{0, 0, 4, 4});
  glyph.Canvas()->SetPixel(1, 1, clGreen);
  glyph.SetTransparent(true);  // the bottom-left colour (fuchsia) is the see-through one
  TBitmap dst;
  dst.SetSize(8, 8);
  dst.Canvas()->Brush()->SetColor(clYellow);
  dst.Canvas()->FillRect(TRect{0, 0, 8, 8});
  dst.Canvas()->Draw(2, 2, &glyph);
  EXPECT_EQ(dst.Canvas()->Pixels(3, 3), clGreen);
  EXPECT_EQ(dst.Canvas()->Pixels(2, 2), clYellow);
  EXPECT_EQ(dst.Canvas()->Pixels(5, 5), clYellow);
}

}  // namespace
