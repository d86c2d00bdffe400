// Layers made from data files by extension, and the shipped world map layer through them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "map/earthlayer.h"
#include "map/readers/earthlyrmapper.h"
#include "map/readers/earthmifmapper.h"
#include "map/earthobjects.h"
#include "map/readers/earthshpmapper.h"
#include "map/earthutils.h"
#include "tests/map/mapfixture.h"
#include "tests/tempdir.h"

namespace {

using maptest::MapTest;
namespace fs = std::filesystem;

class CreateLayerTest : public MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    map->SaveMetaDataLocation = smdWithDataFile;
  }
  std::string CopyAs(const std::string& from, const std::string& name) {
    fs::copy_file(from, dir / name);
    return dir / name;
  }
  TEarthObjectSource* Source(int32_t index) {
    return map->LayerStore()->GetLayer(index)->GetObjects();
  }
  TempDir dir;
};

TEST_F(CreateLayerTest, ReaderByExtension) {
  const std::string shp = CORV_SOURCE_DIR "/tests/map/fixtures/shp/parts.shp";
  const int32_t lyr =
      CreateFileLayer(map.get(), CopyAs(CORV_SOURCE_DIR "/data/world.lyr", "w.LYR"));
  EXPECT_EQ(lyr, 0);
  EXPECT_NE(dynamic_cast<TEarthLYRReader*>(Source(lyr)), nullptr);
  const int32_t s = CreateFileLayer(map.get(), CopyAs(shp, "parts.Shp"));
  EXPECT_EQ(s, 1);
  EXPECT_NE(dynamic_cast<TEarthSHPReader*>(Source(s)), nullptr);
  EXPECT_EQ(Source(s)->GetCount(), 2);
  // Any other extension: an empty plain source.
  const int32_t other = CreateFileLayer(map.get(), CopyAs(shp, "parts.dat"));
  EXPECT_EQ(other, 2);
  EXPECT_EQ(typeid(*Source(other)), typeid(TEarthObjectSource));
  EXPECT_EQ(Source(other)->GetCount(), 0);
  const int32_t mif = CreateFileLayer(
      map.get(), CopyAs(CORV_SOURCE_DIR "/tests/map/fixtures/mif/styles.mif", "styles.Mif"));
  EXPECT_EQ(mif, 3);
  EXPECT_NE(dynamic_cast<TEarthMIFReader*>(Source(mif)), nullptr);
  EXPECT_EQ(Source(mif)->GetCount(), 4);
  // A missing file makes no layer.
  EXPECT_EQ(CreateFileLayer(map.get(), dir / "missing.lyr"), -1);
  EXPECT_EQ(map->LayerStore()->GetCount(), 4);
}

TEST_F(CreateLayerTest, ShippedWorldLayer) {
  const std::string file = CopyAs(CORV_SOURCE_DIR "/data/world.lyr", "world.lyr");
  for (int open = 0; open < 2; ++open) {  // mapped, then from its ".md"
    const int32_t index = CreateFileLayer(map.get(), file);
    ASSERT_GE(index, 0);
    TEarthObjectSource* world = Source(index);
    ASSERT_EQ(world->GetCount(), 1419);
    int32_t points = 0, south = 0;
    for (int32_t i = 0; i < world->GetCount(); ++i) {
      auto* o = dynamic_cast<TGeoDataObject*>(world->GetObject(i));
      ASSERT_NE(o, nullptr);
      EXPECT_TRUE(o->GetClosed());
      for (int32_t c = 0; c < o->Chains().GetCount(); ++c) {
        TPointStore* chain = o->Chains().GetChain(c);
        points += chain->GetCount();
        for (int32_t k = 0; k < chain->GetCount(); ++k)
          south = std::min(south, chain->GetLL(k).iLatY);
      }
    }
    EXPECT_EQ(south, -485'994'600);  // the lowest vertex, 89.999 S
    EXPECT_EQ(points, 60629);
    // The land shapefile's extent as shpdump gives it: (-180, -89.999) to (180, 83.599609375),
    // within a unit, but for the south edge: Antarctica's ring runs round the south pole, so its
    // area holds the pole and the MER of that area, like the MER of any polar cap, reaches it.
    const TMER mer = map->LayerStore()->GetLayer(index)->GetLayerMER();
    EXPECT_NEAR(mer.iLongX, -180.0 * GU_DEGREE, 1);
    EXPECT_NEAR(mer.iLatY, -90.0 * GU_DEGREE, 1);
    EXPECT_NEAR(static_cast<double>(mer.iLongX) + mer.iWidthX, 180.0 * GU_DEGREE, 1);
    EXPECT_NEAR(static_cast<double>(mer.iLatY) + mer.iHeightY, 83.599609375 * GU_DEGREE, 1);
    EXPECT_TRUE(fs::exists(file + ".md"));
  }
}

}  // namespace
