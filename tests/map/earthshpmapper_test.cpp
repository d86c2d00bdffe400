// The shapefile reader against shapelib's shpdump on files made by shapelib and ogr2ogr
// (tests/map/fixtures/shp/make.sh): every point in GU, parts, closedness, titles from the table,
// divisor and shift, files refused, and the ".md" cache, sound, stale and broken.
#include "map/readers/earthshpmapper.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "map/earthlayer.h"
#include "map/earthobjects.h"
#include "tests/map/mapfixture.h"
#include "tests/map/openreader.h"
#include "tests/map/tempfile.h"
#include "tests/tempdir.h"

namespace {

using maptest::MapTest;
namespace fs = std::filesystem;

const std::string kFixtures = CORV_SOURCE_DIR "/tests/map/fixtures/shp/";

// One shape as shpdump lists it: its type and its points in GU, split into parts.
struct DumpShape {
  std::string type;
  std::vector<std::vector<TPointLL>> parts;
};

int32_t GU(long double degrees) {
  return static_cast<int32_t>(std::nearbyint(degrees * GU_DEGREE));
}

std::vector<DumpShape> ReadDump(const std::string& name) {
  std::ifstream in(kFixtures + name + ".txt");
  EXPECT_TRUE(in) << name;
  std::vector<DumpShape> shapes;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Shape:", 0) == 0) {
      const size_t open = line.find('(');
      shapes.push_back({line.substr(open + 1, line.find(')') - open - 1), {}});
      continue;
    }
    // Vertex lines: "     (x,y, z)", "   + (x,y, z)" where a new part starts.
    const size_t text = line.find_first_not_of(' ');
    if (shapes.empty() || text == std::string::npos) continue;
    const bool newPart = line.compare(text, 3, "+ (") == 0;
    if (!newPart && line[text] != '(') continue;
    const size_t open = line.find('(', text);
    const size_t comma = line.find(',', open);
    auto& parts = shapes.back().parts;
    if (parts.empty() || newPart) parts.emplace_back();
    parts.back().push_back(PointLL(GU(std::stold(line.substr(open + 1, comma - open - 1))),
                                   GU(std::stold(line.substr(comma + 1)))));
  }
  return shapes;
}

class SHPTest : public MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    map->SaveMetaDataLocation = smdWithDataFile;
  }
  // The fixture's files copied where its ".md" may be written.
  std::string Copy(const std::string& name) {
    for (const char* ext : {".shp", ".dbf"}) {
      if (fs::exists(kFixtures + name + ext))
        fs::copy_file(kFixtures + name + ext, dir / (name + ext));
    }
    return dir / (name + ".shp");
  }
  // A reader on a layer of its own (which owns it), set up by prepare, then opened.
  template <class Prepare>
  TEarthSHPReader* Open(const std::string& file, Prepare prepare) {
    return maptest::OpenOnNewLayer<TEarthSHPReader>(map.get(), file, prepare);
  }
  TEarthSHPReader* Open(const std::string& file) {
    return Open(file, [](TEarthSHPReader&) {});
  }
  bool Mapped() const { return maptest::Mapped(*map); }
  TGeoDataObject* Geo(TEarthSHPReader* r, int32_t i) {
    return dynamic_cast<TGeoDataObject*>(r->GetObject(i));
  }
  // Every object's chains against the dump, Null shapes left out.
  void ExpectAsDumped(TEarthSHPReader* r, const std::string& name) {
    int32_t slot = 0;
    for (const DumpShape& s : ReadDump(name)) {
      if (s.type == "NullShape") continue;
      ASSERT_LT(slot, r->GetCount()) << name;
      TGeoDataObject* o = Geo(r, slot);
      ASSERT_NE(o, nullptr);
      // Points and multipoints are one chain of all their points.
      const bool single = s.type.find("Point") != std::string::npos;
      ASSERT_EQ(o->Chains().GetCount(), single ? 1 : static_cast<int32_t>(s.parts.size()))
          << name << " " << slot;
      int32_t part = 0, first = 0;
      for (const auto& points : s.parts) {
        TPointStore* chain = o->Chains().GetChain(single ? 0 : part);
        for (size_t i = 0; i < points.size(); ++i) {
          EXPECT_EQ(
              chain->GetLL(single ? first + static_cast<int32_t>(i) : static_cast<int32_t>(i)),
              points[i])
              << name << " object " << slot << " part " << part << " point " << i;
        }
        first += static_cast<int32_t>(points.size());
        ++part;
      }
      EXPECT_EQ(o->GetClosed(), s.type.rfind("Polygon", 0) == 0) << name << " " << slot;
      ++slot;
    }
    EXPECT_EQ(slot, r->GetCount()) << name;
  }

  TempDir dir;
};

TEST_F(SHPTest, EveryShapeTypeAsShpdumpListsIt) {
  for (const char* name : {"parts", "polygonz", "arcs", "arcsm", "multipoint", "points"}) {
    TEarthSHPReader* r = Open(Copy(name));
    ExpectAsDumped(r, name);
    // Given back to the cache, the objects are read from their records again.
    r->UnloadObjects();
    ExpectAsDumped(r, name);
  }
  // Three rings in one record keep their sizes; the date line stays where the file has it.
  TEarthSHPReader* arcs = Open(dir / "arcs.shp");
  EXPECT_EQ(Geo(arcs, 0)->Chains().GetChain(0)->GetLL(2).iLongX, GU_180DEGREE);
  EXPECT_EQ(Geo(arcs, 0)->Chains().GetChain(1)->GetLL(0).iLongX, -GU_180DEGREE);
}

// Opening builds each object once, from the record just read; given back to the cache, the
// record keeps the MER of the record's box.
TEST_F(SHPTest, OpeningBuildsEachObjectAndEachRecordSpansItsPoints) {
  for (const char* name : {"parts", "polygonz", "arcs", "multipoint", "points"}) {
    TEarthSHPReader* r = Open(Copy(name));
    for (int32_t i = 0; i < r->GetCount(); ++i) {
      EXPECT_NE(dynamic_cast<TEarthObject*>(r->GetObjectData(i)), nullptr) << name << i;
    }
    r->UnloadObjects();
    int32_t slot = 0;
    for (const DumpShape& s : ReadDump(name)) {
      if (s.type == "NullShape") continue;
      ASSERT_LT(slot, r->GetCount()) << name;
      EXPECT_EQ(dynamic_cast<TEarthObject*>(r->GetObjectData(slot)), nullptr) << name << slot;
      int64_t west = INT32_MAX, east = INT32_MIN, south = INT32_MAX, north = INT32_MIN;
      for (const auto& points : s.parts)
        for (const TPointLL& p : points) {
          west = std::min<int64_t>(west, p.iLongX);
          east = std::max<int64_t>(east, p.iLongX);
          south = std::min<int64_t>(south, p.iLatY);
          north = std::max<int64_t>(north, p.iLatY);
        }
      const TMER m = r->GetMER(slot);
      EXPECT_EQ(m.iLongX, west) << name << " " << slot;
      EXPECT_EQ(int64_t{m.iLongX} + m.iWidthX, east) << name << " " << slot;
      // A polygon wider than half the world reaches a pole besides.
      EXPECT_LE(m.iLatY, south) << name << " " << slot;
      EXPECT_GE(int64_t{m.iLatY} + m.iHeightY, north) << name << " " << slot;
      if (east - west <= GU_180DEGREE) {
        EXPECT_EQ(m.iLatY, south) << name << " " << slot;
        EXPECT_EQ(int64_t{m.iLatY} + m.iHeightY, north) << name << " " << slot;
      }
      ++slot;
    }
  }
}

TEST_F(SHPTest, TitlesAndIDsFromTheTableInAnyCase) {
  // ogr2ogr writes ".dbf" in lower case; the names are ISO-8859-1.
  TEarthSHPReader* r = Open(Copy("countries"), [](TEarthSHPReader& s) { s.SetTitleColumn(1); });
  ExpectAsDumped(r, "countries");
  const std::vector<std::string> names{
      "São Tomé and Principe", "Curaçao", "Iceland", "Åland", "Fiji", "Côte d'Ivoire"};
  ASSERT_EQ(r->GetCount(), 6);
  for (int32_t i = 0; i < 6; ++i) {
    EXPECT_EQ(Geo(r, i)->Title, names[static_cast<size_t>(i)]);
    EXPECT_EQ(Geo(r, i)->ID, i + 1);
  }
  // Another column: titles are read again.
  r->SetTitleColumn(0);
  EXPECT_EQ(Geo(r, 0)->Title, "678");

  // After a Null shape the table's record numbers still match.
  Copy("parts");
  fs::rename(dir / "parts.dbf", dir / "parts.DBF");
  TEarthSHPReader* p = Open(dir / "parts.shp");
  ASSERT_EQ(p->GetCount(), 2);
  EXPECT_EQ(Geo(p, 0)->Title, "New Object");
  p->SetTitleColumn(0);
  EXPECT_EQ(Geo(p, 0)->Title, "Trois îles");
  EXPECT_EQ(Geo(p, 1)->Title, "Square");
  EXPECT_EQ(Geo(p, 1)->ID, 3);
}

TEST_F(SHPTest, OnlyNullShapesGiveNoObjects) {
  TEarthSHPReader* r = Open(Copy("nulls"));
  EXPECT_TRUE(r->Active());
  EXPECT_EQ(r->GetCount(), 0);
}

TEST_F(SHPTest, DivisorAndShift) {
  // X = 1000, Y = 2000: divided by 100 and shifted by -180 and 0.
  TEarthSHPReader* r = Open(Copy("scaled"), [](TEarthSHPReader& s) {
    s.LongXDivisor = 100;
    s.LatYDivisor = 100;
    s.LongXShift = -180;
  });
  ASSERT_EQ(r->GetCount(), 1);
  EXPECT_EQ(Geo(r, 0)->Chains().GetChain(0)->GetLL(0), PointLL(-170 * GU_DEGREE, 20 * GU_DEGREE));
}

TEST_F(SHPTest, LongitudesFrom0To360AreWrapped) {
  TEarthSHPReader* r = Open(Copy("pacific"));
  // 5,400,000 GU a degree: 190.5 E is 169.5 W; MERs run east 20.5 from 170 E, 10 from 350 E.
  EXPECT_EQ(Geo(r, 0)->Chains().GetChain(0)->GetLL(1), (TPointLL{-915'300'000, -54'000'000}));
  EXPECT_EQ(r->GetMER(0), MER(918'000'000, -54'000'000, 110'700'000, 108'000'000));
  EXPECT_EQ(r->GetMER(1), MER(-54'000'000, 108'000'000, 54'000'000, 54'000'000));
}

TEST_F(SHPTest, FilesWithoutPositionsOnTheGlobeAreRefused) {
  const auto refused = [&](const std::string& file, auto prepare, const std::string& message) {
    try {
      Open(file, prepare);
      ADD_FAILURE() << file << " opened";
    } catch (const EEarthException& e) {
      EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
    }
  };
  const auto plain = [](TEarthSHPReader&) {};
  // UTM metres; degrees over a zero divisor.
  refused(Copy("projected"), plain, "Invalid SHP file ");
  refused(Copy("polar"), plain, "Invalid SHP file ");  // a latitude of 95
  refused(
      Copy("scaled"), [](TEarthSHPReader& s) { s.LongXDivisor = 0; }, "Invalid SHP file ");

  std::ifstream in(kFixtures + "parts.shp", std::ios::binary);
  const std::string good{std::istreambuf_iterator<char>(in), {}};
  const auto write = [&](const std::string& name, std::string bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  };
  std::string code = good;
  code[3] = 0;
  refused(write("code.shp", code), plain, "Invalid SHP file ");
  std::string version = good;
  version[28] = 1;
  refused(write("version.shp", version), plain, "Invalid SHP file version ");
  // A record running past the end, and part counts beyond their record.
  refused(write("cut.shp", good.substr(0, good.size() - 20)), plain, "Invalid SHP file ");
  std::string parts = good;
  parts[100 + 8 + 36] = 100;
  refused(write("parts.shp", parts), plain, "Invalid SHP file ");
  EXPECT_FALSE(Open(dir / "missing.shp")->Active());
}

// A record whose points are damaged opens as its box: its object is refused when it is asked
// for, with the exception the layer's drawing already handles, and the other objects stay.
TEST_F(SHPTest, DamagedRecordsAreRefusedWhenTheirObjectIsBuilt) {
  std::ifstream in(kFixtures + "parts.shp", std::ios::binary);
  const std::string good{std::istreambuf_iterator<char>(in), {}};
  const auto refusedAtLoad = [&](const std::string& name, std::string bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    TEarthSHPReader* r = Open(dir / name);
    ASSERT_EQ(r->GetCount(), 2) << name;
    EXPECT_EQ(r->GetMER(0), Open(Copy("parts"))->GetMER(0)) << name;
    try {
      r->GetObject(0);
      ADD_FAILURE() << name << ": object built";
    } catch (const EEarthException& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Invalid SHP file ", 0), 0u) << e.what();
    }
    EXPECT_EQ(Geo(r, 1)->Chains().GetChain(0)->GetLL(0), PointLL(GU(-5.25L), GU(-5.5L)));
    map->LayerStore()->Clear();
    fs::remove(dir / "parts.shp");
    fs::remove(dir / "parts.dbf");
  };
  // A part starting beyond the points; a point off the globe inside a box on it.
  std::string start = good;
  start[100 + 8 + 44 + 4] = 99;
  refusedAtLoad("start.shp", start);
  std::string point = good;
  const double x = 500;
  point.replace(100 + 8 + 44 + 12, sizeof x, reinterpret_cast<const char*>(&x), sizeof x);
  refusedAtLoad("point.shp", point);
}

// A file cut short while open gives an exception, never a bus error: its bytes are read, not
// mapped. It is made larger than what one read takes in, so that the first record, given back to
// the cache, is read again.
TEST_F(SHPTest, AFileCutShortWhileOpenIsDamageNotACrash) {
  const std::string file = dir / "big.shp";
  SHPHandle shp = SHPCreate(file.c_str(), SHPT_POLYGON);
  ASSERT_NE(shp, nullptr);
  std::vector<double> x, y;
  for (int k = 0; k < 100; ++k) {
    x.push_back(10 + std::cos(k * 0.0634665));
    y.push_back(20 + std::sin(k * 0.0634665));
  }
  for (int i = 0; i < 1000; ++i) {
    SHPObject* o = SHPCreateSimpleObject(SHPT_POLYGON, 100, x.data(), y.data(), nullptr);
    SHPWriteObject(shp, -1, o);
    SHPDestroyObject(o);
  }
  SHPClose(shp);
  ASSERT_GT(fs::file_size(file), 1'500'000u);
  TEarthSHPReader* r = Open(file);
  ASSERT_EQ(r->GetCount(), 1000);
  EXPECT_EQ(Geo(r, 999)->Chains().GetChain(0)->GetCount(), 100);
  r->UnloadObjects();
  ASSERT_EQ(dynamic_cast<TEarthObject*>(r->GetObjectData(0)), nullptr);
  fs::resize_file(file, 1000);
  try {
    r->GetObject(0);
    ADD_FAILURE() << "object built from a file cut short";
  } catch (const EEarthException& e) {
    EXPECT_NE(std::string(e.what()).find("changed while being read"), std::string::npos)
        << e.what();
  }
}

TEST_F(SHPTest, CacheTrustedOnlyForTheSameFile) {
  const std::string file = Copy("parts");
  Open(file);
  EXPECT_TRUE(Mapped());
  ASSERT_TRUE(fs::exists(file + ".md"));
  TEarthSHPReader* cached = Open(file);
  EXPECT_FALSE(Mapped());
  ExpectAsDumped(cached, "parts");
  map->LayerStore()->Clear();

  // Rewritten within the same second, same size: the nanoseconds tell it apart.
  const double x = 11.5;  // X of the second point of the first record
  ASSERT_TRUE(RewriteWithinTheSecond(
      file, 100 + 8 + 44 + 12 + 16, std::string(reinterpret_cast<const char*>(&x), sizeof x)));
  TEarthSHPReader* rewritten = Open(file);
  EXPECT_TRUE(Mapped());
  EXPECT_EQ(Geo(rewritten, 0)->Chains().GetChain(0)->GetLL(1).iLongX, GU(11.5L));
  map->LayerStore()->Clear();
  Open(file);
  EXPECT_FALSE(Mapped()) << "the stale cache was replaced";
  map->LayerStore()->Clear();

  // An entry pointing into the middle of a record: mapped again, and right.
  std::fstream md(file + ".md", std::ios::in | std::ios::out | std::ios::binary);
  md.seekp(-8, std::ios::end);
  const int32_t wrong = 150;
  md.write(reinterpret_cast<const char*>(&wrong), sizeof wrong);
  md.close();
  TEarthSHPReader* repaired = Open(file);
  EXPECT_TRUE(Mapped());
  EXPECT_EQ(repaired->GetCount(), 2);
  EXPECT_EQ(Geo(repaired, 1)->Chains().GetChain(0)->GetLL(0), PointLL(GU(-5.25L), GU(-5.5L)));
}

}  // namespace
