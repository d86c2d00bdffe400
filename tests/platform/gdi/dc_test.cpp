#include <gtest/gtest.h>

#include "canvas.h"

namespace gdi {
namespace {

using testing::Canvas;
using testing::kBlack;
using testing::kWhite;

TEST(DeviceContext, SelectObjectReturnsThePreviousObject) {
  Canvas c(8, 8);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(c.dc(), red);
  EXPECT_EQ(old, GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(c.dc(), old), red);
  HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(SelectObject(c.dc(), b), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_BRUSH), b);
  SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_FALSE(DeleteObject(red));  // already gone
}

TEST(DeviceContext, DeletedSelectedObjectLivesUntilDeselected) {
  Canvas c(8, 8);
  const size_t before = ObjectTable::Count();
  HBRUSH b = CreateSolidBrush(RGB(0, 0, 255));
  HGDIOBJ old = SelectObject(c.dc(), b);
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_EQ(GetObjectType(b), 0);  // no longer usable by handle
  const RECT r{0, 0, 8, 8};
  // Still painting with it while selected.
  PatBlt(c.dc(), 0, 0, 8, 8, PATCOPY);
  EXPECT_EQ(c.At(3, 3), RGB(0, 0, 255));
  SelectObject(c.dc(), old);
  EXPECT_EQ(ObjectTable::Count(), before);
  (void)r;
}

TEST(DeviceContext, BitmapIsSelectedIntoOneDcAtATime) {
  Canvas c(8, 8);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, c.bitmap()), nullptr);
  HBITMAP own = CreateCompatibleBitmap(nullptr, 4, 4);
  HGDIOBJ def = SelectObject(other, own);
  EXPECT_EQ(def, DefaultBitmap());
  EXPECT_EQ(GetDeviceCaps(other, HORZRES), 4);
  EXPECT_EQ(GetDeviceCaps(other, BITSPIXEL), 32);
  SelectObject(other, def);
  DeleteDC(other);
  EXPECT_TRUE(DeleteObject(own));
}

TEST(DeviceContext, CompatibleBitmapOfAFreshMemoryDcIsMonochrome) {
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP b = CreateCompatibleBitmap(mem, 10, 10);
  BITMAP info;
  ASSERT_TRUE(GetBitmapInfo(b, &info));
  EXPECT_EQ(info.bmBitsPixel, 1);
  DeleteObject(b);
  DeleteDC(mem);
}

TEST(DeviceContext, SaveAndRestoreState) {
  Canvas c(8, 8);
  HPEN p = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  SetTextColor(c.dc(), RGB(1, 1, 1));
  const int level = SaveDC(c.dc());
  EXPECT_EQ(level, 1);
  SelectObject(c.dc(), p);
  SetTextColor(c.dc(), RGB(2, 2, 2));
  SetViewportOrgEx(c.dc(), 3, 4, nullptr);
  IntersectClipRect(c.dc(), 0, 0, 2, 2);
  SaveDC(c.dc());
  SetTextColor(c.dc(), RGB(3, 3, 3));
  EXPECT_TRUE(RestoreDC(c.dc(), -1));
  EXPECT_EQ(GetTextColor(c.dc()), RGB(2, 2, 2));
  EXPECT_TRUE(RestoreDC(c.dc(), level));
  EXPECT_EQ(GetTextColor(c.dc()), RGB(1, 1, 1));
  EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
  POINT org;
  GetViewportOrgEx(c.dc(), &org);
  EXPECT_EQ(org, (POINT{0, 0}));
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc(), &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{0, 0, 8, 8}));
  EXPECT_FALSE(RestoreDC(c.dc(), 1));  // nothing saved any more
  DeleteObject(p);
}

TEST(DeviceContext, ViewportOriginMovesDrawing) {
  Canvas c(10, 10);
  SetViewportOrgEx(c.dc(), 4, 5, nullptr);
  SetPixel(c.dc(), 1, 1, kBlack);
  EXPECT_EQ(c.At(5, 6), kBlack);
  EXPECT_EQ(GetPixel(c.dc(), 1, 1), kBlack);
  POINT p{1, 1};
  LPtoDP(c.dc(), &p, 1);
  EXPECT_EQ(p, (POINT{5, 6}));
}

TEST(DeviceContext, BoundsHoldWhatWasDrawnOnlyWhileEnabled) {
  Canvas c(100, 100);
  Canvas source(20, 20);
  RECT b;
  HPEN pen = CreatePen(PS_SOLID, 3, kBlack);
  HGDIOBJ old = SelectObject(c.dc(), pen);
  MoveToEx(c.dc(), 10, 10, nullptr);
  LineTo(c.dc(), 20, 10);  // not gathered: bounds are off
  EXPECT_EQ(GetBoundsRect(c.dc(), &b, 0), UINT(DCB_RESET));
  EXPECT_EQ(b, (RECT{}));

  EXPECT_EQ(SetBoundsRect(c.dc(), nullptr, DCB_ENABLE | DCB_RESET), UINT(DCB_RESET | DCB_DISABLE));
  // A 3-pixel pen from (30, 40) to (50, 40) covers rows 39..41 and at least columns 30..49.
  MoveToEx(c.dc(), 30, 40, nullptr);
  LineTo(c.dc(), 50, 40);
  EXPECT_EQ(GetBoundsRect(c.dc(), &b, 0), UINT(DCB_SET));
  EXPECT_LE(b.left, 30);
  EXPECT_GE(b.right, 50);
  EXPECT_EQ(b.top, 39);
  EXPECT_EQ(b.bottom, 42);
  // A pixel, a blit and text grow them; what falls outside the bitmap does not count.
  SetPixel(c.dc(), 5, 90, kBlack);
  BitBlt(c.dc(), 90, 95, 20, 20, source.dc(), 0, 0, SRCCOPY);
  GetBoundsRect(c.dc(), &b, DCB_RESET);
  EXPECT_EQ(b.left, 5);
  EXPECT_EQ(b.top, 39);
  EXPECT_EQ(b.right, 100);
  EXPECT_EQ(b.bottom, 100);
  EXPECT_EQ(GetBoundsRect(c.dc(), &b, 0), UINT(DCB_RESET));  // emptied by the reset
  TextOut(c.dc(), 60, 60, "W", 1);
  GetBoundsRect(c.dc(), &b, 0);
  EXPECT_GE(b.left, 60);
  EXPECT_GE(b.top, 60);
  EXPECT_GT(b.bottom, b.top);

  // Logical coordinates: with the viewport moved by (10, 10) the same line reads as drawn.
  SetBoundsRect(c.dc(), nullptr, DCB_RESET);
  SetViewportOrgEx(c.dc(), 10, 10, nullptr);
  SetPixel(c.dc(), 7, 8, kBlack);
  GetBoundsRect(c.dc(), &b, 0);
  EXPECT_EQ(b, (RECT{7, 8, 8, 9}));
  SetBoundsRect(c.dc(), nullptr, DCB_DISABLE | DCB_RESET);
  SetPixel(c.dc(), 1, 1, kBlack);
  GetBoundsRect(c.dc(), &b, 0);
  EXPECT_EQ(b, (RECT{}));
  SelectObject(c.dc(), old);
  DeleteObject(pen);
}

TEST(DeviceContext, SurfaceDcHasOriginAndVisibleRegion) {
  // A "screen" with a "window" at (10, 10) whose visible part excludes its right half.
  auto screen = std::make_shared<Surface>(PixelLayout::Device32, 40, 40);
  const Region visible(RECT{10, 10, 20, 30});
  HDC dc = CreateSurfaceDC(screen, POINT{10, 10}, &visible);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const RECT all{0, 0, 20, 20};
  FillRect(dc, &all, black);
  EXPECT_EQ(screen->Get(10, 10), 0u);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 10 && x < 20 && y >= 10 && y < 30;
      // FillRect painted 20 x 20 from (10, 10); only the visible 10 x 20 is black.
      if (!inside) {
        ASSERT_EQ(screen->Get(x, y), 0u) << "unexpected paint outside " << x << "," << y;
      }
    }
  }
  RECT box;
  GetClipBox(dc, &box);
  EXPECT_EQ(box, (RECT{0, 0, 10, 20}));
  SetSurfaceDCOrigin(dc, POINT{0, 0});
  SetSurfaceDCVisibleRegion(dc, nullptr);
  GetClipBox(dc, &box);
  EXPECT_EQ(box, (RECT{0, 0, 40, 40}));
  DeleteDC(dc);
}

TEST(DeviceContext, ClipRegionWithAHole) {
  Canvas c(20, 20);
  HRGN outer = CreateRectRgn(2, 2, 18, 18);
  HRGN hole = CreateRectRgn(6, 6, 14, 14);
  CombineRgn(outer, outer, hole, RGN_DIFF);
  EXPECT_EQ(SelectClipRgn(c.dc(), outer), COMPLEXREGION);
  DeleteObject(outer);  // the DC keeps its own copy
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  POINT tri[3] = {{0, 0}, {40, 0}, {0, 40}};
  Polygon(c.dc(), tri, 3);
  EXPECT_EQ(c.At(3, 3), kBlack);
  EXPECT_EQ(c.At(10, 10), kWhite);  // hole
  EXPECT_EQ(c.At(1, 1), kWhite);    // outside
  EXPECT_EQ(c.At(15, 3), kBlack);
  EXPECT_EQ(c.Count(kBlack), 16 * 16 - 8 * 8);  // the triangle covers the whole clip
  ExcludeClipRect(c.dc(), 0, 0, 4, 4);
  c.Clear(kWhite);
  Polygon(c.dc(), tri, 3);
  EXPECT_EQ(c.At(3, 3), kWhite);
  SelectClipRgn(c.dc(), nullptr);
  Polygon(c.dc(), tri, 3);
  EXPECT_EQ(c.At(10, 10), kBlack);
  DeleteObject(hole);
}

TEST(DeviceContext, RecordingDcLogsCalls) {
  HDC dc = CreateRecordingDC(16, 16);
  MoveToEx(dc, 1, 2, nullptr);
  LineTo(dc, 5, 6);
  Rectangle(dc, 0, 0, 4, 4);
  const auto log = GetDCLog(dc);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "MoveTo(1,2)");
  EXPECT_EQ(log[1], "LineTo(5,6)");
  EXPECT_EQ(log[2], "Rectangle(0,0,4,4)");
  EXPECT_EQ(GetPixel(dc, 4, 5), kBlack);  // it draws as well
  ClearDCLog(dc);
  EXPECT_TRUE(GetDCLog(dc).empty());
  DeleteDC(dc);
}

}  // namespace
}  // namespace gdi
