// Object sources with the test reader: loading on demand, MRU stamps and cache accounting,
// mapping with progress, subscriptions, and ".md" caches, sound and broken.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "map/earthlayer.h"
#include "map/earthpresenters.h"
#include "tests/map/mapfixture.h"
#include "tests/map/testreader.h"
#include "tests/tempdir.h"

namespace {

using maptest::MapTest;

class SourceTest : public MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    map->SaveMetaDataLocation = smdWithDataFile;
    dataFile = dir / "seeded.dat";
  }
  // A reader of n objects on a layer of its own (which owns it from then on), opened.
  TTestReader* Open(int32_t n, uint32_t seed = 1) {
    auto* layer = new TEarthLayer(map.get());
    auto* reader = new TTestReader(map.get(), n, seed);
    reader->SetFileName(dataFile);
    layer->SetObjects(reader);
    map->progress.clear();
    reader->Open();
    return reader;
  }
  bool Mapped() const {
    return !map->progress.empty() && map->progress.front().second == "Mapping";
  }
  std::string MetaData() const {
    std::ifstream in(dataFile + ".md", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void PutMetaData(const std::string& bytes) const {
    std::ofstream(dataFile + ".md", std::ios::binary | std::ios::trunc) << bytes;
  }
  void DropLayers() { map->LayerStore()->Clear(); }
  // Maps n objects and leaves their ".md" holding the one presenter p.
  void WriteCache(int32_t n, std::unique_ptr<TEarthPresenter> p) {
    TTestReader* r = Open(n);
    r->Presenters()->Add(p);
    r->WriteMetaDataFile(dataFile);
    DropLayers();
  }

  TempDir dir;
  std::string dataFile;
};

TEST_F(SourceTest, MappingSixHundredObjectsReportsTwice) {
  TTestReader* r = Open(600);
  EXPECT_EQ(r->GetCount(), 600);
  EXPECT_EQ(r->loads, 600);
  // Ten bytes an object: at 256 objects 2,560 of 6,000 bytes (42.67 %), at 512 5,120 (85.33 %).
  const std::vector<std::pair<TProgressMessage, std::string>> expected = {
      {pmStart, "Mapping"}, {pmPercent, "43"}, {pmPercent, "85"}, {pmEnd, "Finished"}};
  EXPECT_EQ(map->progress, expected);
  EXPECT_TRUE(r->Active());
}

TEST_F(SourceTest, ObjectsLoadOnDemandWithStampsAndCacheAccounting) {
  TTestReader* r = Open(10);
  r->UnloadObjects();
  EXPECT_EQ(map->cacheUsed, 0) << "every load given back";
  EXPECT_EQ(r->ObjectInstanceSize(), 10 * int64_t{sizeof(TEarthObjectData)});
  map->cacheDeltas.clear();
  const int loads = r->loads;
  TEarthObject* o = r->GetObject(4);
  EXPECT_EQ(r->loads, loads + 1);
  EXPECT_FALSE(r->lastLoadWasNew);
  EXPECT_EQ(o->MRU, map->LastMRU());
  ASSERT_EQ(map->cacheDeltas.size(), 1u);
  // The object takes the place of its record.
  EXPECT_EQ(map->cacheDeltas[0], o->ObjectInstanceSize() - int64_t{sizeof(TEarthObjectData)});
  EXPECT_TRUE(o->State.Contains(osDiscardable));
  const int32_t stamp = o->MRU;
  EXPECT_EQ(r->GetObject(4), o) << "a loaded object is not loaded again";
  EXPECT_GT(o->MRU, stamp);
  EXPECT_EQ(r->loads, loads + 1);
}

TEST_F(SourceTest, UnloadingKeepsStatePresenterAndSelection) {
  TTestReader* r = Open(10);
  TEarthObject* o = r->GetObject(3);
  o->SetPresenterID(-1);
  o->SetSelected(true);
  o->SetClosed(false);
  const TMER mer = o->GetObjectMER();
  r->UnloadObjects();
  EXPECT_EQ(dynamic_cast<TEarthObject*>(r->GetObjectData(3)), nullptr);
  EXPECT_TRUE(r->GetState(3).Contains(osSelected));
  EXPECT_EQ(r->GetPresenterID(3), -1);
  EXPECT_EQ(r->GetMER(3), mer);
  TEarthObject* back = r->GetObject(3);
  EXPECT_TRUE(back->GetSelected());
  EXPECT_FALSE(back->GetClosed()) << "the record's state wins over what the reader built";
  EXPECT_EQ(back->PresenterID, -1);
  EXPECT_EQ(back->Index, 3);
}

TEST_F(SourceTest, ALoadThatRaisesAfterTheReaderLeavesTheSourceTakingObjects) {
  TTestReader* r = Open(4);
  r->UnloadObjects();
  map->OnObjectCreate = [](TCustomEarthMap*, TEarthObject*) { throw EEarthException("refused"); };
  EXPECT_THROW(r->GetObject(1), EEarthException);
  map->OnObjectCreate = nullptr;
  EXPECT_FALSE(r->Loading());
  new TGeoDataObject(r);  // joins the source, which owns it
  EXPECT_EQ(r->GetCount(), 5);
}

TEST_F(SourceTest, MERsOfTheWholeSource) {
  auto* layer = new TEarthLayer(map.get());
  TEarthObjectSource* s = layer->GetObjects();
  EXPECT_EQ(s->GetObjectsMER(), MER(0, 0, 1, 1));
  auto* a = new TGeoDataObject(s);
  a->SetCentroid(PointLL(10 * GU_DEGREE, 0));
  auto* b = new TGeoDataObject(s);
  b->SetCentroid(PointLL(20 * GU_DEGREE, GU_DEGREE));
  // Left one unit west of 10 degrees, bottom one unit south of 0.
  EXPECT_EQ(s->GetObjectsMER(), MER(10 * GU_DEGREE - 1, -1, 10 * GU_DEGREE + 1, GU_DEGREE + 1));
  TGeoDataObject loose(nullptr);
  s->Delete(&loose);  // index -1: nothing
  EXPECT_EQ(s->GetCount(), 2);
  delete a;  // gives its slot back
  EXPECT_EQ(s->GetCount(), 1);
  EXPECT_EQ(b->Index, 0);
}

TEST_F(SourceTest, TheLastLayerTakesItsSourceAlong) {
  auto* one = new TEarthLayer(map.get());
  auto* two = new TEarthLayer(map.get());
  auto* s = new TEarthObjectSource(map.get());
  new TGeoDataObject(s);
  one->SetObjects(s);
  two->SetObjects(s);
  const auto frees = [&] {
    return std::count(map->notifications.begin(), map->notifications.end(), gnObjectSourceFree);
  };
  map->LayerStore()->Delete(one);
  EXPECT_EQ(frees(), 0);
  EXPECT_EQ(s->LayerCount(), 1);
  map->LayerStore()->Delete(two);
  EXPECT_EQ(frees(), 1);

  // A source freed while layers still use it lets go of each of them once.
  auto* three = new TEarthLayer(map.get());
  auto* four = new TEarthLayer(map.get());
  auto* t = new TEarthObjectSource(map.get());
  three->SetObjects(t);
  four->SetObjects(t);
  delete t;
  EXPECT_EQ(three->ObjectsIfAny(), nullptr);
  EXPECT_EQ(four->ObjectsIfAny(), nullptr);
  EXPECT_EQ(frees(), 2);
}

TEST_F(SourceTest, MetaDataIsWrittenAndReadInsteadOfMapping) {
  WriteCache(20, std::make_unique<TPolygonPresenter>(map.get(), 4));
  TTestReader* r = Open(20);
  EXPECT_FALSE(Mapped());
  EXPECT_EQ(r->loads, 0);
  ASSERT_EQ(r->GetCount(), 20);
  ASSERT_NE(r->Presenters()->ByID(4, false), nullptr);
  EXPECT_EQ(r->Presenters()->ByID(4, false)->ClassName(), "TPolygonPresenter");
  EXPECT_EQ(r->GetState(5), TEarthObjectStateSet({osValidMER, osClosed}));
  // The slot's MER is what the object had: a point at index 0 is 0-sized.
  TTestReader fresh(map.get(), 20);
  fresh.SetCount(20);
  EXPECT_EQ(r->GetMER(7), fresh.GetObject(7)->GetObjectMER());
  EXPECT_TRUE(r->GetObject(5)->GetClosed());
  map->SaveMetaDataLocation = smdDiscard;
  EXPECT_EQ(r->MetaDataFilename(dataFile), "");
}

// Every fault of a ".md" means no cache: the data is mapped again and nothing leaks.
TEST_F(SourceTest, BrokenMetaDataIsMappedAgain) {
  WriteCache(20, std::make_unique<TPointPresenter>(map.get(), 9));
  const std::string good = MetaData();
  const auto check = [&](const std::string& bytes, const std::string& what) {
    PutMetaData(bytes);
    TTestReader* r = Open(20);
    EXPECT_TRUE(Mapped()) << what;
    EXPECT_EQ(r->GetCount(), 20) << what;
    EXPECT_EQ(r->Presenters()->GetCount(), 0) << what;
    DropLayers();
  };
  for (size_t n = 0; n < good.size(); ++n) check(good.substr(0, n), "cut at " + std::to_string(n));
  check(good + "x", "a byte too many");

  // Counts times 1,000: the presenter count and the slot count.
  const auto times1000 = [&](size_t at) {
    std::string bytes = good;
    int32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    v *= 1000;
    std::memcpy(bytes.data() + at, &v, 4);
    return bytes;
  };
  check(times1000(0), "presenters x 1000");
  const size_t slots = good.size() - 20 * 21 - 4;
  check(times1000(slots), "slots x 1000");

  // Class names: unknown, and known but no presenter. "TPointPresenter" starts at byte 5.
  std::string unknown = good;
  unknown.replace(5, 15, "TPointPresentex");
  check(unknown, "unknown class");
  std::string wrongKind = good;
  wrongKind.replace(4, 12, std::string(1, char(11)) + "TEarthLayer");
  check(wrongKind, "a layer class");
}

TEST_F(SourceTest, APresenterRefusedForATakenIDIsFreed) {
  WriteCache(3, std::make_unique<TPolylinePresenter>(map.get(), 2));
  // The one presenter record twice, with the count raised to 2.
  std::string bytes = MetaData();
  const size_t end = bytes.size() - 3 * 21 - 4;
  const std::string record = bytes.substr(4, end - 4);
  bytes.insert(end, record);
  bytes[0] = 2;
  PutMetaData(bytes);
  TTestReader* r = Open(3);
  EXPECT_FALSE(Mapped());
  EXPECT_EQ(r->Presenters()->GetCount(), 1);
}

}  // namespace
