// Presenter records byte for byte in each stream version, the presenter store's IDs, and the
// point and poly presenters' own fields.
#include "map/earthpresenters.h"

#include <gtest/gtest.h>

#include "map/earthlayer.h"
#include "map/earthobjects.h"
#include "tests/map/mapfixture.h"
#include "tests/map/streambytes.h"

namespace {

using maptest::Bytes;
using maptest::NewReader;
using maptest::NewWriter;
using maptest::Written;

// A font record: red, pixels, size 9, angle 0, plain, "Arial".
const Bytes FontRecord = {0xFF, 0, 0, 0, 0x10, 9, 0, 0, 0, 0, 5, 'A', 'r', 'i', 'a', 'l'};

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& b : parts) all.insert(all.end(), b.begin(), b.end());
  return all;
}

class PresenterTest : public maptest::MapTest {
 protected:
  void TearDown() override {
    giFileVersion = 0x0405;
    MapTest::TearDown();
  }
};

TEST_F(PresenterTest, BaseRecordInEveryVersion) {
  TPolylinePresenter p(map.get(), 0);
  p.PresenterID = 258;
  p.TitleOffset = -3;
  p.Name = "Track";
  p.TitleAlignment = taBottomRight;
  p.TitleFont()->Define("Arial", gdi::TColor(0xFF), 9, TEarthUnitTypes::Pixel, 0, {});
  Written w = NewWriter();
  p.TEarthPresenter::WriteProperties(*w.writer);
  const Bytes head = {2, 1, 0, 0};
  const Bytes tail = Cat({{5, 'T', 'r', 'a', 'c', 'k', 9}, FontRecord});
  EXPECT_EQ(w.bytes(), Cat({head, {0xFD, 0xFF, 0xFF, 0xFF}, tail}));

  const struct {
    uint16_t version;
    Bytes offset;
    int32_t expected;
  } forms[] = {{0x0300, {}, 77}, {0x0301, {0xFD}, -3}, {0x0405, {0xFD, 0xFF, 0xFF, 0xFF}, -3}};
  for (const auto& f : forms) {
    TPolylinePresenter back(map.get(), 0);
    back.TitleOffset = 77;
    giFileVersion = f.version;
    auto r = NewReader(Cat({head, f.offset, tail}));
    back.TEarthPresenter::ReadProperties(*r);
    EXPECT_EQ(r->Stream().Position(), r->Stream().Size()) << f.version;
    EXPECT_EQ(back.TitleOffset, f.expected) << f.version;
    EXPECT_EQ(back.PresenterID, 258);
    EXPECT_EQ(back.Name, "Track");
    EXPECT_EQ(back.TitleAlignment, taBottomRight);
    EXPECT_EQ(back.TitleFont()->FontColor(), gdi::TColor(0xFF));
  }
  // An alignment byte past the table is none.
  giFileVersion = 0x0405;
  TPolylinePresenter odd(map.get(), 0);
  odd.TEarthPresenter::ReadProperties(*NewReader(Cat({head, {0, 0, 0, 0}, {0, 10}, FontRecord})));
  EXPECT_EQ(odd.TitleAlignment, taNone);
}

TEST_F(PresenterTest, PointSizeIsNegatedWhenAMaximumFollows) {
  TPointPresenter p(map.get(), 1);
  p.Name = "";
  p.TitleFont()->Define("Arial", gdi::TColor(0xFF), 9, TEarthUnitTypes::Pixel, 0, {});
  const size_t base = 4 + 4 + 1 + 1 + FontRecord.size();
  const auto own = [&] {
    Written w = NewWriter();
    p.WriteProperties(*w.writer);
    const Bytes b = w.bytes();
    return Bytes(b.begin() + long(base), b.end());
  };
  // Type circle (4), unit pixel (16), size 6, symbol 0, no image name.
  Bytes b = own();
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 9), (Bytes{4, 16, 6, 0, 0, 0, 0, 0, 0}));
  p.SetMaxPointSize(20);
  b = own();
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 13),
            (Bytes{4, 16, 0xFA, 0xFF, 0xFF, 0xFF, 20, 0, 0, 0, 0, 0, 0}));
  Written w = NewWriter();
  p.WriteProperties(*w.writer);
  TPointPresenter back(map.get(), 0);
  back.ReadProperties(*NewReader(w.bytes()));
  EXPECT_EQ(back.PointSize(), 6);
  EXPECT_EQ(back.MaxPointSize, 20);
  EXPECT_EQ(back.PointType, ppCircle);
  p.SetPointSize(-6);  // below none is none, read back with a maximum set, the symbol in place
  w = NewWriter();
  p.WriteProperties(*w.writer);
  back.ReadProperties(*NewReader(w.bytes()));
  EXPECT_EQ(std::pair(back.PointSize(), back.SymbolIndex), std::pair(0, int16_t{0}));
}

TEST_F(PresenterTest, StoreIDs) {
  TEarthPresenterStore store(map.get());
  for (int i = 0; i < 3; ++i) {
    std::unique_ptr<TEarthPresenter> p = std::make_unique<TPolyPresenter>(map.get(), 0);
    EXPECT_EQ(store.Add(p), i + 1);
    EXPECT_EQ(p, nullptr);
  }
  TEarthPresenterStore other(map.get());
  for (int32_t id : {5, -1, 0}) {
    std::unique_ptr<TEarthPresenter> p = std::make_unique<TPolyPresenter>(map.get(), id);
    EXPECT_EQ(other.Add(p), id == 0 ? 6 : id);
  }
  TEarthPresenterStore full(map.get());  // after the largest ID there is, the smallest free
  for (int32_t id : {INT32_MAX, 1, 0}) {
    std::unique_ptr<TEarthPresenter> p = std::make_unique<TPolyPresenter>(map.get(), id);
    EXPECT_EQ(full.Add(p), id == 0 ? 2 : id);
  }
  std::unique_ptr<TEarthPresenter> taken = std::make_unique<TPointPresenter>(map.get(), 5);
  EXPECT_EQ(other.Add(taken), 5);
  EXPECT_NE(taken, nullptr) << "a refused presenter stays with the caller";
  EXPECT_EQ(other.GetCount(), 3);
  // A layer's empty store falls back on the global presenters.
  auto* layer = new TEarthLayer(map.get());
  EXPECT_EQ(layer->Presenters()->ByID(-1, true)->ClassName(), "TPointPresenter");
  EXPECT_EQ(layer->Presenters()->ByID(-1, false), nullptr);
  EXPECT_EQ(layer->FindPresenter(-2)->ClassName(), "TPolyPresenter");
}

TEST_F(PresenterTest, FindMatchSharesPresentersThatDrawAlike) {
  TEarthPresenterStore store(map.get());
  for (int32_t size : {6, 8}) {
    std::unique_ptr<TEarthPresenter> p = std::make_unique<TPointPresenter>(map.get(), 0);
    static_cast<TPointPresenter*>(p.get())->SetPointSize(size);
    store.Add(p);
  }
  std::unique_ptr<TEarthPresenter> line = std::make_unique<TPolylinePresenter>(map.get(), 0);
  static_cast<TPolylinePresenter*>(line.get())->PolyPen()->SetPenColor(gdi::TColor(0xFF));
  store.Add(line);
  // Nothing given but type, unit, size and image name.
  EXPECT_EQ(TPointPresenter::FindMatch(store, nullptr, nullptr, nullptr, nullptr, ppCircle,
                                       TEarthUnitTypes::Pixel, 8, ""),
            2);
  TEarthPen red;
  red.Define(gdi::TColor(0xFF), psSolid, 1, TEarthUnitTypes::Pixel);
  EXPECT_EQ(TPointPresenter::FindMatch(store, &red, nullptr, nullptr, nullptr, ppCircle,
                                       TEarthUnitTypes::Pixel, 8, ""),
            0);
  EXPECT_EQ(TPolyPresenter::FindMatch("TPolylinePresenter", store, &red, nullptr, nullptr), 3);
  EXPECT_EQ(TPolyPresenter::FindMatch("TPolygonPresenter", store, &red, nullptr, nullptr), 0);
}

TEST_F(PresenterTest, PolylinesOpenAndPolygonsCloseWhatTheyDraw) {
  View(100, 100, "TCartesianPrj", 1e-6L);
  auto* layer = new TEarthLayer(map.get());
  auto* o = new TGeoDataObject(layer->GetObjects());
  for (const auto& [x, y] : {std::pair{0, 0}, {GU_DEGREE, 0}, {GU_DEGREE, GU_DEGREE}})
    o->Chains().GetChain(0)->Add(PointLL(x, y));
  o->SetClosed(true);
  TPolylinePresenter line(map.get(), 1);
  line.RenderObject(map.get(), o, o->State);
  EXPECT_FALSE(o->GetClosed());
  TPolygonPresenter area(map.get(), 2);
  area.RenderObject(map.get(), o, o->State);
  EXPECT_TRUE(o->GetClosed());
  line.PolyPen()->Define(gdi::TColor(0xFF0000), psSolid, 1, TEarthUnitTypes::Pixel);  // blue
  o->SetSelected(true);
  line.RenderObject(map.get(), o, o->State);
  EXPECT_EQ(PixelAt(0.5, 0), 0xFF0000u) << "selected: the map's pen for the selection, red";
  // A missing image file leaves no name and no picture.
  TPointPresenter pp(map.get(), 3);
  pp.SetImageName("/nonexistent/boat.bmp");
  EXPECT_EQ(pp.ImageName(), "");
  EXPECT_EQ(pp.Image(), nullptr);
  // A picture without width is skipped, not divided by.
  vcl::TPicture empty;
  pp.SetImage(&empty);
  pp.PointType = ppImage;
  pp.RenderObject(map.get(), o, o->State);
}

}  // namespace
