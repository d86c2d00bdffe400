// Pens, brushes and fonts of the map: records byte for byte in every stream version, XML, and
// when their GDI objects are made again.
#include <gtest/gtest.h>

#include "map/earthresource.h"
#include "tests/map/mapfixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Write(const TEarthAttribute& a) {
  auto memory = std::make_unique<rtl::TMemoryStream>();
  rtl::TMemoryStream* raw = memory.get();
  TEarthStreamWriter writer(std::move(memory));
  a.WriteProperties(writer);
  const auto* p = static_cast<const uint8_t*>(raw->Memory());
  return Bytes(p, p + raw->Size());
}

// Reads a from bytes written in stream version v; returns the bytes consumed.
int64_t Read(TEarthAttribute& a, const Bytes& bytes, uint16_t v) {
  auto memory = std::make_unique<rtl::TMemoryStream>();
  memory->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  memory->SetPosition(0);
  TEarthStreamReader reader(std::move(memory));
  const uint16_t saved = giFileVersion;
  giFileVersion = v;
  try {
    a.ReadProperties(reader);
  } catch (...) {
    giFileVersion = saved;
    throw;
  }
  giFileVersion = saved;
  return reader.Stream().Position();
}

TEST(AttributeRecords, PenInBothForms) {
  TEarthPen pen;
  pen.Define(gdi::TColor(0x00112233), psDash, 5, TEarthUnitTypes::Meter);
  EXPECT_EQ(Write(pen), (Bytes{0x33, 0x22, 0x11, 0x00, 0x01, 0x05, 0x00, 0x00, 0x00, 0x09}));
  TEarthPen back;
  EXPECT_EQ(Read(back, Write(pen), 1029), 10);
  EXPECT_TRUE(back.Equals(pen));
  // Before 0x0400: 6 bytes, the width one unsigned byte, no unit (pixels).
  TEarthPen old;
  EXPECT_EQ(Read(old, Bytes{0x00, 0x00, 0xFF, 0x00, 0x02, 0xC8, 0x77}, 0x0300), 6);
  EXPECT_EQ(old.PenColor(), 0xFF0000);
  EXPECT_EQ(old.PenStyle(), psDot);
  EXPECT_EQ(old.PenWidth(), 200);
  EXPECT_EQ(old.PenUnit(), TEarthUnitTypes::Pixel);
  // A unit or style past the tables is refused.
  EXPECT_THROW(Read(old, Bytes{0, 0, 0, 0, 0, 1, 0, 0, 0, 200}, 1029), EEarthException);
  EXPECT_THROW(Read(old, Bytes{0, 0, 0, 0, 9, 1, 0, 0, 0, 1}, 1029), EEarthException);
  EXPECT_THROW(Read(old, Bytes{0, 0, 0, 0, 0, 1, 0}, 1029), EEarthException);  // cut short
}

TEST(AttributeRecords, BrushInBothForms) {
  TEarthBrush brush;
  brush.Define(gdi::TColor(0x00AABBCC), bsPattern50);
  brush.SetBrushBkColor(gdi::TColor(0x00010203));
  EXPECT_EQ(Write(brush), (Bytes{0xCC, 0xBB, 0xAA, 0x00, 0x03, 0x02, 0x01, 0x00, 57}));
  TEarthBrush back;
  EXPECT_EQ(Read(back, Write(brush), 0x0405), 9);
  EXPECT_TRUE(back.Equals(brush));
  // Before 0x0405: colour and style only; the background is the colour.
  TEarthBrush old;
  EXPECT_EQ(Read(old, Bytes{0x10, 0x20, 0x30, 0x00, 0x06, 0xEE}, 0x0400), 5);
  EXPECT_EQ(old.BrushColor(), 0x302010);
  EXPECT_EQ(old.BrushBkColor(), 0x302010);
  EXPECT_EQ(old.BrushStyle(), bsCross);
  // The two unnamed patterns may come from a file; nothing past them.
  EXPECT_EQ(Read(old, Bytes{0, 0, 0, 0, 59}, 0x0400), 5);
  EXPECT_EQ(old.BrushStyle(), 59);
  EXPECT_THROW(Read(old, Bytes{0, 0, 0, 0, 60}, 0x0400), EEarthException);
}

TEST(AttributeRecords, FontSignExtendsAndChecks) {
  TEarthFont font;
  font.Define("Arial", gdi::TColor(0x000000FF), -12, TEarthUnitTypes::Kilometer, 900,
              {fsBold, fsUnderline});
  EXPECT_EQ(Write(font), (Bytes{0xFF, 0x00, 0x00, 0x00, 0x03, 0xF4, 0xFF, 0x84, 0x03, 0x05, 5, 'A',
                                'r', 'i', 'a', 'l'}));
  for (uint16_t v : {uint16_t{0x0300}, uint16_t{1029}}) {
    TEarthFont back;
    EXPECT_EQ(Read(back, Write(font), v), 16);
    EXPECT_TRUE(back.Equals(font));
    EXPECT_EQ(back.FontSize(), -12);
  }
  TEarthFont other;
  other.Define("ARIAL", gdi::TColor(0x000000FF), -12, TEarthUnitTypes::Kilometer, 900,
               {fsBold, fsUnderline});
  EXPECT_TRUE(other.Equals(font));  // names compare without regard to case
  EXPECT_THROW(Read(other, Bytes{0, 0, 0, 0, 17, 0, 0, 0, 0, 0, 0}, 1029), EEarthException);
  EXPECT_THROW(Read(other, Bytes{0, 0, 0, 0, 1, 0, 0, 0, 0, 16, 0}, 1029), EEarthException);
}

TEST(AttributeXml, AttributesAndDefaults) {
  TEarthPen pen;
  pen.Define(gdi::TColor(0x0000FF), psDashDot, 3, TEarthUnitTypes::NauticalMile);
  auto e = pen.SaveEnvironment();
  ASSERT_EQ(e->Count(), 4);
  EXPECT_EQ(e->Strings(0), "Color=\"clRed\"");
  EXPECT_EQ(e->Strings(1), "Style=\"3\"");
  EXPECT_EQ(e->Strings(2), "Width=\"3\"");
  EXPECT_EQ(e->AttributeByName("Unit", ""), UnitsToStr(TEarthUnitTypes::NauticalMile));
  TEarthPen back;
  back.LoadEnvironment(e.get());
  EXPECT_TRUE(back.Equals(pen));

  TEarthBrush brush;
  brush.Define(gdi::TColor(0x123456), bsBDiagonal);
  auto b = brush.SaveEnvironment();
  EXPECT_EQ(b->Strings(0), "Color=\"$00123456\"");
  EXPECT_EQ(b->Strings(1), "BkColor=\"$00123456\"");
  EXPECT_EQ(b->Strings(2), "Style=\"5\"");

  TEarthFont font;
  font.Define("DejaVu Sans", gdi::TColor(0), 14, TEarthUnitTypes::Pixel, -450, {fsItalic});
  auto f = font.SaveEnvironment();
  EXPECT_EQ(f->Strings(0), "Name=\"DejaVu Sans\"");
  EXPECT_EQ(f->Strings(2), "Style=\"2\"");
  EXPECT_EQ(f->Strings(4), "Angle=\"-450\"");
  // Missing or unreadable values keep what the attribute holds.
  TEarthXML_Element partial;
  partial.AddAttribute("Size", "20");
  partial.AddAttribute("Unit", "parsec");
  partial.AddAttribute("Color", "not a colour");
  partial.AddAttribute("Style", "99");
  font.LoadEnvironment(&partial);
  EXPECT_EQ(font.FontSize(), 20);
  EXPECT_EQ(font.FontUnit(), TEarthUnitTypes::Pixel);
  EXPECT_EQ(font.FontColor(), 0);
  EXPECT_EQ(font.FontStyle(), TEarthFontStyles{fsItalic});
  EXPECT_EQ(font.FontName(), "DejaVu Sans");
}

// A pen that counts the GDI pens it makes.
class TCountingPen : public TEarthPen {
 public:
  int made = 0;
  void CreateHandle() override {
    TEarthPen::CreateHandle();
    if (Handle()) ++made;
  }
};

class Attributes : public maptest::MapTest {};

TEST_F(Attributes, HandlesAreMadeAgainOnlyWhenSomethingChanged) {
  View(200, 100, "TSphericalPrj", 1e-3);
  const gdi::HDC recording = gdi::CreateRecordingDC(200, 100);
  canvas->SetDC(recording);
  TCountingPen ground;
  ground.Define(gdi::TColor(0), psSolid, 100, TEarthUnitTypes::Meter);
  ground.RenderAttribute(canvas, false);
  ground.RenderAttribute(canvas, false);
  EXPECT_EQ(ground.made, 1);
  gdi::LOGPEN lp;
  ASSERT_TRUE(gdi::GetPenInfo(static_cast<gdi::HPEN>(ground.Handle()), &lp));
  const int narrow = lp.lopnWidth.x;
  // Zooming in changes the altitude: a wider pen, made once.
  p->SetScaleFactor(4e-3);
  ground.RenderAttribute(canvas, false);
  ground.RenderAttribute(canvas, false);
  EXPECT_EQ(ground.made, 2);
  ASSERT_TRUE(gdi::GetPenInfo(static_cast<gdi::HPEN>(ground.Handle()), &lp));
  EXPECT_GT(lp.lopnWidth.x, narrow);
  // A pixel pen ignores the altitude; the colour adjustment and setters re-make it.
  TCountingPen pixel;
  pixel.Define(gdi::TColor(0), psSolid, 1, TEarthUnitTypes::Pixel);
  pixel.RenderAttribute(canvas, false);
  p->SetScaleFactor(8e-3);
  pixel.RenderAttribute(canvas, false);
  EXPECT_EQ(pixel.made, 1);
  canvas->SetColorAdjustPercent(30);
  pixel.RenderAttribute(canvas, false);
  EXPECT_EQ(pixel.made, 2);
  pixel.SetPenColor(gdi::TColor(0xFF));
  EXPECT_EQ(pixel.made, 3);  // at once, while a handle exists
  // Another canvas (the clone a print makes): made for it, and released when it goes.
  {
    std::unique_ptr<TEarthCanvas> clone = canvas->Clone();
    clone->SetDC(recording);
    pixel.RenderAttribute(clone.get(), false);
    EXPECT_EQ(pixel.made, 4);
    EXPECT_EQ(pixel.Canvas(), clone.get());
  }
  EXPECT_EQ(pixel.Canvas(), nullptr);
  EXPECT_FALSE(pixel.Handle());
  pixel.RenderAttribute(canvas, false);
  EXPECT_EQ(pixel.made, 5);
  canvas->SetDC({});
  gdi::DeleteDC(recording);
}

TEST_F(Attributes, PixelPenOnAPrinterIsWiderAndDraws) {
  map->UseBackBuffer(100, 60);
  canvas = map->EarthCanvas();
  canvas->SizeBMP(100, 60, 2 * canvas->ScreenPixelsPerInch());
  canvas->SelectBMP(nullptr);
  p = map->Projection();
  Clear(0xFFFFFF);
  TEarthPen pen1;
  pen1.Define(gdi::TColor(0), psSolid, 1, TEarthUnitTypes::Pixel);
  pen1.RenderAttribute(canvas, false);
  gdi::MoveToEx(canvas->Handle(), 10, 30, nullptr);
  gdi::LineTo(canvas->Handle(), 90, 30);
  int dark = 0;
  for (int y = 25; y < 35; ++y) dark += Pixel(50, y) == 0;
  EXPECT_EQ(dark, 2);
}

TEST_F(Attributes, FontsBelowTheMinimumOrHugeAtDeepZoom) {
  View(200, 100, "TCartesianPrj", 1e-5);
  TEarthFont small;
  small.Define("DejaVu Sans", gdi::TColor(0), 4, TEarthUnitTypes::Pixel, 0, {});
  small.RenderAttribute(canvas, false);
  EXPECT_FALSE(small.Handle());  // below MinTextHeight 5
  TEarthFont ground;
  ground.Define("DejaVu Sans", gdi::TColor(0), 10, TEarthUnitTypes::Kilometer, 0, {});
  p->SetScaleFactor(3.0);  // 10 km at 3 pixels a globe unit: millions of pixels
  ground.RenderAttribute(canvas, false);
  ASSERT_TRUE(ground.Handle());
  gdi::LOGFONT lf;
  ASSERT_TRUE(gdi::GetFontInfo(static_cast<gdi::HFONT>(ground.Handle()), &lf));
  EXPECT_EQ(lf.lfHeight, -MaxFontRenderHeight);
}

TEST_F(Attributes, PatternBrushesUseTheirResources) {
  RegisterBrushResources();  // the control's registration, which this test map does not run
  View(64, 32, "TCartesianPrj", 1e-5);
  std::vector<std::array<uint8_t, 8>> seen;
  for (int style = BrushPatternFirst; style < BrushPatternFirst + BrushPatternCount; ++style) {
    std::span<const uint8_t> data;
    ASSERT_TRUE(rtl::FindResource("BRUSH_" + std::to_string(style), data)) << style;
    const gdi::DibImage image = gdi::ReadBmp(data.data(), data.size());
    EXPECT_EQ(image.bitCount, 1);
    EXPECT_EQ(image.width, 8);
    EXPECT_EQ(image.height, 8);
    for (const auto& rows : seen) EXPECT_NE(rows, BrushPatternRows(style)) << style;
    // Some ink and some background in every one.
    const auto& rows = BrushPatternRows(style);
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](uint8_t r) { return r != 0; })) << style;
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](uint8_t r) { return r != 0xFF; }))
        << style;
    seen.push_back(BrushPatternRows(style));
  }
  // bsPattern50 is BRUSH_57: its ink bits in the brush colour, the rest in the background.
  TEarthBrush b;
  b.Define(gdi::TColor(0x0000FF), bsPattern50);
  b.SetBrushBkColor(gdi::TColor(0x00FF00));
  b.RenderAttribute(canvas, false);
  const gdi::RECT r{0, 0, 16, 16};
  gdi::FillRect(canvas->Handle(), &r, static_cast<gdi::HBRUSH>(b.Handle()));
  const auto& rows = BrushPatternRows(57);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(Pixel(x, y), (rows[y] & (0x80 >> x)) ? 0xFF0000u : 0x00FF00u) << x << "," << y;
  // bsClear fills nothing.
  TEarthBrush clear;
  clear.Define(gdi::TColor(0x0000FF), bsClear);
  clear.RenderAttribute(canvas, false);
  gdi::SelectObject(canvas->Handle(), gdi::GetStockObject(gdi::NULL_PEN));
  gdi::Rectangle(canvas->Handle(), 20, 0, 40, 20);
  EXPECT_EQ(Pixel(30, 10), 0xFFFFFFu);
}

}  // namespace
