// Backgrounds: tiling, the transparent colour, and who hears of a change.
#include "tests/docking/dockfixture.h"

namespace docktest {
namespace {

using Background = DockTest;

// A 2 x 2 checker of red and blue in a bitmap of the given size (a multiple of 8).
std::unique_ptr<vcl::TBitmap> Checker(int size) {
  auto b = std::make_unique<vcl::TBitmap>();
  b->SetSize(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      b->Canvas()->SetPixel(x, y, ((x / 2 + y / 3) % 2) ? gdi::clRed : gdi::clBlue);
  return b;
}

std::vector<vcl::TColor> DrawnBy(TDKBackground& bg) {
  vcl::TBitmap target;
  target.SetSize(100, 70);
  target.Canvas()->Brush()->SetColor(gdi::clWhite);
  target.Canvas()->FillRect(TRect{0, 0, 100, 70});
  bg.Draw(target.Canvas()->Handle(), RECT{3, 5, 90, 66});
  std::vector<vcl::TColor> out;
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 100; ++x) out.push_back(target.Canvas()->Pixels(x, y));
  return out;
}

TEST_F(Background, EightByEightAndSixteenBySixteenOfOnePatternTileAlike) {
  // Rows repeat every 6 pixels in the pattern: 8 x 8 is not a whole period vertically, so
  // build both sizes from the 8 x 8 tile itself.
  auto small = Checker(8);
  auto big = std::make_unique<vcl::TBitmap>();
  big->SetSize(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      big->Canvas()->SetPixel(x, y, small->Canvas()->Pixels(x % 8, y % 8));
  TDKBackground a(nullptr), b(nullptr);
  a.SetBitmap(small.get());
  b.SetBitmap(big.get());
  const auto pa = DrawnBy(a), pb = DrawnBy(b);
  EXPECT_EQ(pa, pb);
  // The tile starts at the rectangle's corner and nothing is drawn outside it.
  EXPECT_EQ(pa[5 * 100 + 3], small->Canvas()->Pixels(0, 0));
  EXPECT_EQ(pa[5 * 100 + 4], small->Canvas()->Pixels(1, 0));
  EXPECT_EQ(pa[4 * 100 + 3], gdi::clWhite);
  EXPECT_EQ(pa[66 * 100 + 50], gdi::clWhite);
}

TEST_F(Background, AnEmptyPictureDrawsNothing) {
  TDKBackground bg(nullptr);
  vcl::TBitmap empty;
  empty.SetSize(0, 12);
  bg.SetBitmap(&empty);
  EXPECT_FALSE(bg.UsingBackground());
  const auto drawn = DrawnBy(bg);
  EXPECT_EQ(drawn, std::vector<vcl::TColor>(drawn.size(), gdi::clWhite));
}

TEST_F(Background, TheTransparentColourTakesTheBackgroundColour) {
  auto pic = Checker(8);
  pic->Canvas()->SetPixel(0, 7, gdi::clLime);  // the bottom-left pixel names the colour
  pic->Canvas()->SetPixel(5, 2, gdi::clLime);
  TDKBackground bg(nullptr);
  bg.SetBitmap(pic.get());
  bg.SetBkColor(gdi::clYellow);
  EXPECT_EQ(DrawnBy(bg)[(5 + 2) * 100 + 3 + 5], gdi::clLime);
  bg.SetTransparent(true);
  EXPECT_EQ(DrawnBy(bg)[(5 + 2) * 100 + 3 + 5], gdi::clYellow);
  EXPECT_EQ(DrawnBy(bg)[(5 + 2) * 100 + 3 + 4], pic->Canvas()->Pixels(4, 2));
}

TEST_F(Background, BkColorRepaintsOnlyWhenTransparent) {
  auto pic = Checker(8);
  TDKBackground bg(nullptr);
  bg.SetBitmap(pic.get());
  int heard = 0;
  bg.RegisterChanges({this, [&](rtl::TObject*) { ++heard; }});
  top->SetBackground(&bg);
  Tool(top, 100, 20);
  Pump();
  auto invalid = [this] {
    RECT r{};
    return win::GetUpdateRect(top->Handle(), &r, win::FALSE) != win::FALSE;
  };
  ASSERT_FALSE(invalid());
  bg.SetBkColor(gdi::clYellow);
  EXPECT_EQ(heard, 0);
  EXPECT_FALSE(invalid());
  bg.SetTransparent(true);
  EXPECT_EQ(heard, 1);
  Pump();
  bg.SetBkColor(gdi::clAqua);
  EXPECT_EQ(heard, 2);
  EXPECT_TRUE(invalid());
  top->SetBackground(nullptr);
}

}  // namespace
}  // namespace docktest
