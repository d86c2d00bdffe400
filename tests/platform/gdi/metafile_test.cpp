// Metafile DCs: the calls recorded, played back elsewhere, against the same calls made directly.
#include "platform/gdi/metafile.h"

#include <gtest/gtest.h>

#include "canvas.h"

namespace gdi {
namespace {

using testing::Canvas;
using testing::kWhite;

// A source picture: a red square on green.
struct Source {
  Canvas c{20, 20, RGB(0, 160, 0)};
  Source() {
    const RECT r{5, 5, 15, 15};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(c.dc(), &r, red);
    DeleteObject(red);
  }
};

// Pens, brushes, a font, modes, saved states, origins, clipping, text, a transfer from another
// DC and a raster operation; the objects it makes are deleted before it returns.
void Scene(HDC dc, HDC source) {
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(200, 0, 0));
  HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(0, 0, 220));
  HFONT font = CreateFont(-14, 0, 0, 0, 700, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
  SelectObject(dc, pen);
  SelectObject(dc, hatch);
  const POINT zigzag[] = {{5, 5}, {40, 30}, {70, 5}, {100, 30}};
  Polyline(dc, zigzag, 4);
  SetPolyFillMode(dc, WINDING);
  const POINT star[] = {{120, 10}, {140, 60}, {100, 25}, {150, 25}, {110, 60}};
  Polygon(dc, star, 5);
  SaveDC(dc);
  SetViewportOrgEx(dc, 10, 40, nullptr);
  IntersectClipRect(dc, 0, 0, 60, 30);
  Ellipse(dc, -10, -10, 80, 50);  // cut by the clip
  const RECT face{5, 5, 25, 25};
  FillRect(dc, &face, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_HIGHLIGHT + 1)));
  RestoreDC(dc, -1);
  SelectObject(dc, font);
  SetTextColor(dc, RGB(0, 0, 120));
  SetBkMode(dc, TRANSPARENT);
  TextOut(dc, 20, 85, "Corvatalen");
  BitBlt(dc, 160, 70, 20, 20, source, 0, 0, SRCCOPY);
  HRGN clip = CreateRectRgn(150, 0, 190, 50);
  SelectClipRgn(dc, clip);
  DeleteObject(clip);
  SetROP2(dc, R2_NOT);
  MoveToEx(dc, 140, 2, nullptr);
  LineTo(dc, 199, 48);
  SelectClipRgn(dc, nullptr);
  PatBlt(dc, 0, 100, 30, 10, BLACKNESS);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(pen);
  DeleteObject(hatch);
  DeleteObject(font);
}

TEST(MetaFile, PlayedBackElsewhereItDrawsWhatTheCallsDrew) {
  Source source;
  Canvas direct(200, 120);
  Scene(direct.dc(), source.c.dc());

  HDC meta = CreateMetaFileDC(200, 120);
  Scene(meta, source.c.dc());
  std::shared_ptr<const MetaScript> calls = TakeMetaScript(meta);
  const std::vector<std::string> log = GetDCLog(meta);
  DeleteDC(meta);
  // Whatever the source shows later, the picture keeps what it showed.
  source.c.Clear(RGB(255, 255, 0));

  // Played at (30, 20) of a larger canvas whose own pen, origin and clip stay as they were.
  Canvas played(260, 160);
  HPEN own = CreatePen(PS_DOT, 1, RGB(1, 2, 3));
  SelectObject(played.dc(), own);
  ASSERT_TRUE(PlayMetaScript(played.dc(), *calls, 30, 20, 200, 120));
  EXPECT_EQ(GetCurrentObject(played.dc(), OBJ_PEN), own);
  POINT origin{};
  GetViewportOrgEx(played.dc(), &origin);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  EXPECT_EQ(GetClipRgn(played.dc(), CreateRectRgn(0, 0, 0, 0)), 0);
  DeleteObject(own);

  int differ = 0;
  for (int y = 0; y < 160; ++y) {
    for (int x = 0; x < 260; ++x) {
      const bool inside = x >= 30 && y >= 20 && x < 230 && y < 140;
      const COLORREF want = inside ? direct.At(x - 30, y - 20) : kWhite;
      differ += played.At(x, y) != want;
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(direct.CountNot(kWhite), 2000) << "the scene drew";
  EXPECT_EQ(direct.At(161, 71), RGB(0, 160, 0)) << "the source's green as it was";
  EXPECT_EQ(played.At(30 + 161, 20 + 71), RGB(0, 160, 0));

  // Onto a recording DC: the same drawing calls, in the same order.
  HDC recording = CreateRecordingDC(200, 120);
  PlayMetaScript(recording, *calls, 0, 0, 200, 120);
  EXPECT_EQ(GetDCLog(recording), log);
  DeleteDC(recording);
}

TEST(MetaFile, ACallMadeOfOtherCallsIsOneAndMeasuringRecordsNothing) {
  HDC meta = CreateMetaFileDC(60, 40);
  RECT r{5, 5, 55, 35};
  DrawEdge(meta, &r, EDGE_RAISED, BF_RECT);
  RECT measure{0, 0, 0, 0};
  DrawText(meta, "Sail", &measure, DT_CALCRECT);
  std::shared_ptr<const MetaScript> calls = TakeMetaScript(meta);
  EXPECT_EQ(calls->size(), 1u);
  EXPECT_TRUE(TakeMetaScript(meta)->empty()) << "handed over";
  DeleteDC(meta);
  Canvas direct(60, 40), played(60, 40);
  RECT again{5, 5, 55, 35};
  DrawEdge(direct.dc(), &again, EDGE_RAISED, BF_RECT);
  PlayMetaScript(played.dc(), *calls, 0, 0, 60, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(played.At(x, y), direct.At(x, y)) << x << "," << y;
}

}  // namespace
}  // namespace gdi
