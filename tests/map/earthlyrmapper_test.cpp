// Layer files: a layer written and read back with each presenter and object class, files
// without objects, versions refused, the ".md" of a file rewritten within the second, writing
// over the file being read, and the permissions of a file written again.
#include "map/readers/earthlyrmapper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "map/earthlayer.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "tests/map/mapfixture.h"
#include "tests/map/openreader.h"
#include "tests/tempdir.h"

namespace {

using maptest::MapTest;

class LYRTest : public MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    map->SaveMetaDataLocation = smdWithDataFile;
    file = dir / "layer.lyr";
  }
  // A layer of a plain source: a closed two-ring area, a track, a point and a bitmap, drawn by
  // a polygon, a polyline and a point presenter (a fourth presenter no object uses).
  TEarthLayer* MakeLayer() {
    auto* layer = new TEarthLayer(map.get());
    const auto add = [&](std::unique_ptr<TEarthPresenter> p) { layer->Presenters()->Add(p); };
    auto polygon = std::make_unique<TPolygonPresenter>(map.get(), 11);
    polygon->PolyBrush()->Define(gdi::TColor(0x40A040), bsSolid);
    add(std::move(polygon));
    add(std::make_unique<TPolylinePresenter>(map.get(), 12));
    auto point = std::make_unique<TPointPresenter>(map.get(), 13);
    point->TitleOffset = 7;
    add(std::move(point));
    add(std::make_unique<TPolyPresenter>(map.get(), 14));
    TEarthObjectSource* source = layer->GetObjects();
    const auto geo = [&](const std::string& title, int32_t presenter, bool closed,
                         std::vector<std::vector<TPointLL>> rings) {
      auto* o = new TGeoDataObject(source);  // takes a slot of the source
      for (size_t c = 0; c < rings.size(); ++c)
        for (const TPointLL& pt : rings[c]) o->Chains().GetChain(static_cast<int32_t>(c))->Add(pt);
      o->Title = title;
      o->PresenterID = presenter;
      o->SetClosed(closed);
    };
    geo("Island", 11, true,
        {{PointLL(0, 0), PointLL(GU_DEGREE, 0), PointLL(GU_DEGREE, GU_DEGREE)},
         {PointLL(100, 100), PointLL(200, 100), PointLL(200, 200)}});
    geo("Track", 12, false, {{PointLL(-GU_DEGREE, 5), PointLL(-2 * GU_DEGREE, -GU_MINUTE)}});
    auto* bitmap = new TBitmapObject(source);
    bitmap->Title = "Chart";
    bitmap->EarthUnitsPerXPixel = 2 * GU_SECOND;
    geo("Buoy", 13, false, {{PointLL(170 * GU_DEGREE, -45 * GU_DEGREE)}});
    return layer;
  }
  TEarthLYRReader* Open(const std::string& name) {
    return maptest::OpenOnNewLayer<TEarthLYRReader>(map.get(), name, [](TEarthLYRReader&) {});
  }
  bool Mapped() const { return maptest::Mapped(*map); }
  void ExpectLikeMadeLayer(TEarthObjectSource* r) {
    ASSERT_EQ(r->GetCount(), 4);
    // Grouped by class: the three geo objects, then the bitmap.
    auto* island = dynamic_cast<TGeoDataObject*>(r->GetObject(0));
    ASSERT_NE(island, nullptr);
    EXPECT_EQ(island->Title, "Island");
    EXPECT_TRUE(island->GetClosed());
    EXPECT_EQ(island->PresenterID, 11);
    ASSERT_EQ(island->Chains().GetCount(), 2);
    EXPECT_EQ(island->Chains().GetChain(1)->GetLL(2), PointLL(200, 200));
    auto* track = dynamic_cast<TGeoDataObject*>(r->GetObject(1));
    ASSERT_NE(track, nullptr);
    EXPECT_FALSE(track->GetClosed());
    EXPECT_EQ(track->Chains().GetChain(0)->GetLL(1), PointLL(-2 * GU_DEGREE, -GU_MINUTE));
    EXPECT_EQ(r->GetObject(2)->Title, "Buoy");
    auto* bitmap = dynamic_cast<TBitmapObject*>(r->GetObject(3));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->EarthUnitsPerXPixel, 2 * GU_SECOND);
    // The presenters the objects use, once each; the unused one is not written.
    TEarthPresenterStore* p = r->Presenters();
    ASSERT_EQ(p->GetCount(), 3);
    EXPECT_NE(dynamic_cast<TPolygonPresenter*>(p->ByID(11, false)), nullptr);
    EXPECT_NE(dynamic_cast<TPolylinePresenter*>(p->ByID(12, false)), nullptr);
    auto* point = dynamic_cast<TPointPresenter*>(p->ByID(13, false));
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->TitleOffset, 7);
    EXPECT_EQ(p->ByID(14, false), nullptr);
  }
  void WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string ReadFile(const std::string& name) const {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  TempDir dir;
  std::string file;
};

TEST_F(LYRTest, WrittenLayerReadsBack) {
  TEarthLayer* layer = MakeLayer();
  ASSERT_TRUE(WriteLayerToLYRfile(layer, file));
  // The layer now reads the file.
  auto* reader = dynamic_cast<TEarthLYRReader*>(layer->GetObjects());
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Version(), 0x0405);
  ExpectLikeMadeLayer(reader);
  // A second reader of it takes the ".md" and maps nothing.
  TEarthLYRReader* cached = Open(file);
  EXPECT_FALSE(Mapped());
  ExpectLikeMadeLayer(cached);
  EXPECT_EQ(ReadFile(file).substr(0, 2), std::string("\x05\x04", 2));
}

TEST_F(LYRTest, PresentersWithoutObjects) {
  {
    TEarthStreamWriter w(std::make_unique<rtl::TFileStream>(file, rtl::fmCreate));
    giFileVersion = 0x0405;
    w.WriteSmallInt(0x0405);
    w.WriteMER(TMER{});
    w.WriteInteger(1);
    w.WriteShortString("TPolygonPresenter");
    TPolygonPresenter(map.get(), 5).WriteProperties(w);
    w.WriteInteger(0);
  }
  TEarthLYRReader* r = Open(file);
  EXPECT_TRUE(r->Active());
  EXPECT_EQ(r->GetCount(), 0);
  EXPECT_NE(r->Presenters()->ByID(5, false), nullptr);
}

// Little-endian bytes of a layer file, written from the format description, not by our writer.
struct Bytes {
  std::string b;
  Bytes& Int(int64_t v, int n) {
    for (int i = 0; i < n; ++i) b += static_cast<char>(static_cast<uint64_t>(v) >> (8 * i));
    return *this;
  }
  Bytes& Str(const std::string& s) {
    b += static_cast<char>(s.size());
    b += s;
    return *this;
  }
};

// Older files: the presenter's title offset (none, ShortInt, Integer), the pen width (a byte, then
// an Integer and a unit byte), a brush without background colour; objects in full and in 16-bit
// compressed form with an escape.
TEST_F(LYRTest, HandMadeFilesOfOlderVersions) {
  for (const int version : {0x0300, 0x0301, 0x0400}) {
    Bytes f;
    f.Int(version, 2).Int(-10, 4).Int(-20, 4).Int(30, 4).Int(40, 4);
    f.Int(1, 4).Str("TPolygonPresenter");
    f.Int(9, 4);                                       // presenter ID
    if (version == 0x0301) f.Int(-3, 1);               // title offset, ShortInt
    if (version == 0x0400) f.Int(-300, 4);             // title offset, Integer
    f.Str("Land").Int(1, 1);                           // name, title alignment taCenter
    f.Int(0x123456, 4).Int(16, 1).Int(12, 2).Int(900, 2).Int(1, 1).Str("Serif");  // title font
    f.Int(0x006000, 4).Int(1, 1);                      // pen colour, style psDash
    if (version < 0x0400) {
      f.Int(3, 1);                                     // width
    } else {
      f.Int(3, 4).Int(9, 1);                           // width, unit Meter
    }
    f.Int(0x40A040, 4).Int(2, 1);                      // brush colour, style bsHorizontal
    f.Int(2, 4).Str("TGeoDataObject");
    // A closed titled area, one chain of full points.
    f.Int(0x0101, 2).Str("Isle").Int(9, 2).Int(3, 2);
    f.Int(1000, 4).Int(-2000, 4).Int(3000, 4).Int(-2000, 4).Int(1000, 4).Int(5000, 4);
    // A line with an ID on whole minutes: 16-bit compressed, steps, then an escape.
    f.Int(0x0002 | 0x0008 | 0x0010, 2).Int(77, 4).Int(9, 2).Int(3, 2);
    f.Int(60, 2).Int(-30, 2).Int(2, 1).Int(-1, 1).Int(127, 1).Int(-600, 2).Int(600, 2);
    f.Int(0, 4);
    WriteFile(file, f.b);

    TEarthLYRReader* r = Open(file);
    ASSERT_TRUE(r->Active()) << std::hex << version;
    EXPECT_EQ(r->Version(), version);
    auto* p = dynamic_cast<TPolygonPresenter*>(r->Presenters()->ByID(9, false));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->TitleOffset, version == 0x0300 ? 0 : version == 0x0301 ? -3 : -300);
    EXPECT_EQ(p->Name, "Land");
    EXPECT_EQ(p->TitleFont()->FontName(), "Serif");
    EXPECT_EQ(p->TitleFont()->FontAngle(), 900);
    EXPECT_EQ(p->PolyPen()->PenColor(), gdi::TColor(0x006000));
    EXPECT_EQ(p->PolyPen()->PenStyle(), psDash);
    EXPECT_EQ(p->PolyPen()->PenWidth(), 3);
    EXPECT_EQ(p->PolyPen()->PenUnit(),
              version < 0x0400 ? TEarthUnitTypes::Pixel : TEarthUnitTypes::Meter);
    EXPECT_EQ(p->PolyBrush()->BrushStyle(), bsHorizontal);
    EXPECT_EQ(p->PolyBrush()->BrushBkColor(), gdi::TColor(0x40A040));

    ASSERT_EQ(r->GetCount(), 2);
    auto* isle = dynamic_cast<TGeoDataObject*>(r->GetObject(0));
    ASSERT_NE(isle, nullptr);
    EXPECT_EQ(isle->Title, "Isle");
    EXPECT_TRUE(isle->GetClosed());
    EXPECT_EQ(isle->PresenterID, 9);
    ASSERT_EQ(isle->Chains().GetChain(0)->GetCount(), 3);
    EXPECT_EQ(isle->Chains().GetChain(0)->GetLL(2), PointLL(1000, 5000));
    auto* line = dynamic_cast<TGeoDataObject*>(r->GetObject(1));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->ID, 77);
    EXPECT_FALSE(line->GetClosed());
    TPointStore* c = line->Chains().GetChain(0);
    ASSERT_EQ(c->GetCount(), 3);
    EXPECT_EQ(c->GetLL(0), PointLL(60 * GU_MINUTE, -30 * GU_MINUTE));
    EXPECT_EQ(c->GetLL(1), PointLL(62 * GU_MINUTE, -31 * GU_MINUTE));
    EXPECT_EQ(c->GetLL(2), PointLL(-600 * GU_MINUTE, 600 * GU_MINUTE));
    map->LayerStore()->Clear();
  }
}

TEST_F(LYRTest, VersionsBeforeThreeAreRefused) {
  // The version is a signed word: 0x8000 is below them all.
  for (const auto& [bytes, text] : {std::pair{"\xFF\x02", "2FF"}, {"\x00\x80", "8000"}}) {
    WriteFile(file, std::string(bytes, 2) + std::string(20, '\0'));
    try {
      Open(file);
      ADD_FAILURE() << text;
    } catch (const EEarthException& e) {
      EXPECT_EQ(std::string(e.what()), "Invalid File Version " + std::string(text) + " in " + file);
    }
  }
  EXPECT_FALSE(Open(dir / "missing.lyr")->Active());
}

TEST_F(LYRTest, FileRewrittenWithinTheSecondIsMappedAgain) {
  WriteLayerToLYRfile(MakeLayer(), file);
  map->LayerStore()->Clear();
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  // The same size, another title: "Island" becomes "Islet!".
  std::string bytes = ReadFile(file);
  const size_t at = bytes.find("Island");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 6, "Islet!");
  WriteFile(file, bytes);
  timespec times[2] = {before.st_atim, before.st_mtim};
  times[1].tv_nsec = (before.st_mtim.tv_nsec + 1) % 1'000'000'000;
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  TEarthLYRReader* r = Open(file);
  EXPECT_TRUE(Mapped());
  EXPECT_EQ(r->GetObject(0)->Title, "Islet!");
}

// A layer-file reader that keeps no cache.
struct TUncachedLYRReader : TEarthLYRReader {
  using TEarthLYRReader::TEarthLYRReader;
  void LoadMetaData() override {}
  void SaveMetaData() override {}
};

TEST_F(LYRTest, TheCacheIsTakenAndWrittenByTheReadersOwnLoadAndSave) {
  TEarthLayer* layer = MakeLayer();
  ASSERT_TRUE(WriteLayerToLYRfile(layer, file));
  ASSERT_TRUE(std::filesystem::remove(file + ".md"));
  layer->GetObjects()->SaveMetaData();
  Open(file);
  EXPECT_FALSE(Mapped());
  maptest::OpenOnNewLayer<TUncachedLYRReader>(map.get(), file, [](auto&) {});
  EXPECT_TRUE(Mapped()) << "the sound cache there is not taken";
}

TEST_F(LYRTest, AFileWrittenAgainKeepsItsPermissions) {
  ASSERT_TRUE(WriteLayerToLYRfile(MakeLayer(), file));
  ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
  ASSERT_TRUE(WriteLayerToLYRfile(MakeLayer(), file));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(LYRTest, WritingOverTheFileBeingRead) {
  TEarthLayer* layer = MakeLayer();
  WriteLayerToLYRfile(layer, file);
  auto* reader = dynamic_cast<TEarthLYRReader*>(layer->GetObjects());
  ASSERT_NE(reader, nullptr);
  reader->UnloadObjects();
  // The reader writes its own file: the old one stays whole under it until the new one is in.
  ASSERT_TRUE(WriteLayerToLYRfile(layer, file));
  EXPECT_EQ(layer->GetObjects(), reader);
  ExpectLikeMadeLayer(reader);
  ExpectLikeMadeLayer(Open(file));
}

}  // namespace
