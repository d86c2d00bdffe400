// Pictures of the shipped world layer, opened as the program opens it (CreateFileLayer), on the
// globe and on the flat map, each with a few pixels checked.
#include <gtest/gtest.h>

#include <filesystem>

#include "map/earthutils.h"
#include "tests/map/earthmapfixture.h"
#include "tests/map/snapshot.h"
#include "tests/tempdir.h"

namespace maptest {
namespace {

constexpr uint32_t kLand = 0x40A040;   // the world layer's fill, as 0xRRGGBB
constexpr uint32_t kOcean = 0x00FFFF;  // the surface: aqua

class WorldLayer : public EarthMapTest {
 protected:
  void SetUp() override {
    EarthMapTest::SetUp();
    const std::string file = dir / "world.lyr";
    std::filesystem::copy_file(CORV_SOURCE_DIR "/data/world.lyr", file);
    map->SaveMetaDataLocation = smdWithDataFile;
    ASSERT_EQ(CreateFileLayer(map, file), 0);
    map->Projection()->SetScaleFactor(0);
    PaintNow();
  }
  uint32_t At(double lon, double lat) {
    TEarthDevicePoint pt;
    if (!map->Projection()->LLToDeviceXY(int32_t(lon * GU_DEGREE), int32_t(lat * GU_DEGREE), pt))
      return 0xFF000000u;
    TEarthCanvas* c = map->EarthCanvas();
    const uint8_t* px = c->Bits() + (c->Height() - 1 - pt.Y) * c->Stride() + pt.X * 3;
    return (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
  }
  TempDir dir;
};

TEST_F(WorldLayer, OnTheGlobe) {
  SaveSnapshot(map->EarthCanvas(), "world_globe.png");
  EXPECT_EQ(At(20, 5), kLand) << "central Africa";
  EXPECT_EQ(At(-37, 7), kOcean) << "the Atlantic";
}

TEST_F(WorldLayer, OnTheFlatMap) {
  map->Projection()->SetProjectionClass("TCartesianPrj");
  map->Projection()->SetScaleFactor(0);
  PaintNow();
  SaveSnapshot(map->EarthCanvas(), "world_flat.png");
  EXPECT_EQ(At(-100, 40), kLand) << "North America";
  EXPECT_EQ(At(135, -25), kLand) << "Australia";
  EXPECT_EQ(At(-143, 7), kOcean) << "the Pacific";
  EXPECT_EQ(At(0, -85), kLand) << "Antarctica";
}

}  // namespace
}  // namespace maptest
