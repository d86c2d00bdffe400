// The MapInfo interchange reader against GDAL's ogrinfo on files made by ogr2ogr
// (tests/map/fixtures/mif/make.sh): every point in GU, parts, closedness, titles, the drawing
// clauses; hand-written files for what ogr2ogr does not write; the ".md" cache.
#include "map/readers/earthmifmapper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "map/earthlayer.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "tests/map/mapfixture.h"
#include "tests/map/openreader.h"
#include "tests/map/tempfile.h"
#include "tests/tempdir.h"

namespace {

namespace fs = std::filesystem;

const std::string kFixtures = CORV_SOURCE_DIR "/tests/map/fixtures/mif/";

int32_t GU(long double degrees) {
  return static_cast<int32_t>(std::nearbyint(degrees * GU_DEGREE));
}

// One feature as ogrinfo lists it: its first field, label text, geometry kind and parts in GU.
struct Feature {
  std::string name, label, kind;
  std::vector<std::vector<TPointLL>> parts;
};

// The innermost parenthesised lists of a WKT text are the parts.
std::vector<std::vector<TPointLL>> WKTParts(const std::string& wkt) {
  std::vector<std::vector<TPointLL>> parts;
  for (size_t open = wkt.find('('); open != std::string::npos; open = wkt.find('(', open + 1)) {
    const size_t close = wkt.find(')', open);
    const std::string inner = wkt.substr(open + 1, close - open - 1);
    if (inner.find('(') != std::string::npos) continue;
    std::vector<TPointLL>& part = parts.emplace_back();
    std::stringstream points(inner);
    for (std::string pair; std::getline(points, pair, ',');) {
      std::stringstream xy(pair);
      long double x, y;
      xy >> x >> y;
      part.push_back(PointLL(GU(x), GU(y)));
    }
  }
  return parts;
}

std::vector<Feature> ReadOgrinfo(const std::string& name) {
  std::ifstream in(kFixtures + name + ".txt");
  EXPECT_TRUE(in) << name;
  std::vector<Feature> features;
  bool first = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("OGRFeature(", 0) == 0) {
      features.emplace_back();
      first = true;
    } else if (features.empty()) {
      continue;
    } else if (line.find(" = ") != std::string::npos && line.rfind("  Style = ", 0) != 0) {
      if (first) features.back().name = line.substr(line.find(" = ") + 3);
      first = false;
    } else if (const size_t t = line.find("LABEL(t:\""); t != std::string::npos) {
      features.back().label = line.substr(t + 9, line.find('"', t + 9) - t - 9);
    } else if (line.rfind("  ", 0) == 0 && std::isupper(static_cast<unsigned char>(line[2]))) {
      features.back().kind = line.substr(2, line.find(' ', 2) - 2);
      features.back().parts = WKTParts(line);
    }
  }
  return features;
}

class MIFTest : public maptest::MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    map->SaveMetaDataLocation = smdWithDataFile;
  }
  // The fixture copied where its ".md" may be written, its ".mid" under the name given.
  std::string Copy(const std::string& name, const std::string& midExt = ".mid") {
    fs::copy_file(kFixtures + name + ".mif", dir / (name + ".mif"));
    fs::copy_file(kFixtures + name + ".mid", dir / (name + midExt));
    return dir / (name + ".mif");
  }
  std::string Write(const std::string& name, const std::string& mif, const std::string& mid) {
    std::ofstream(dir / (name + ".mif")) << mif;
    if (!mid.empty()) std::ofstream(dir / (name + ".mid")) << mid;
    return dir / (name + ".mif");
  }
  TEarthMIFReader* Open(const std::string& file) {
    return maptest::OpenOnNewLayer<TEarthMIFReader>(map.get(), file, [](TEarthMIFReader&) {});
  }
  bool Mapped() const { return maptest::Mapped(*map); }
  static TGeoDataObject* Geo(TEarthMIFReader* r, int32_t i) {
    return dynamic_cast<TGeoDataObject*>(r->GetObject(i));
  }
  static TEarthPresenter* PresenterOf(TEarthMIFReader* r, int32_t i) {
    return r->Presenters()->ByID(r->GetObject(i)->PresenterID, false);
  }
  static std::vector<std::string> Titles(TEarthMIFReader* r) {
    std::vector<std::string> titles;
    for (int32_t i = 0; i < r->GetCount(); ++i) titles.push_back(r->GetObject(i)->Title);
    return titles;
  }
  void ExpectAsListed(TEarthMIFReader* r, const std::string& name) {
    const std::vector<Feature> features = ReadOgrinfo(name);
    ASSERT_EQ(r->GetCount(), static_cast<int32_t>(features.size())) << name;
    for (int32_t i = 0; i < r->GetCount(); ++i) {
      const Feature& f = features[static_cast<size_t>(i)];
      TGeoDataObject* o = Geo(r, i);
      ASSERT_NE(o, nullptr);
      ASSERT_EQ(o->Chains().GetCount(), static_cast<int32_t>(f.parts.size())) << name << i;
      for (size_t c = 0; c < f.parts.size(); ++c) {
        TPointStore* chain = o->Chains().GetChain(static_cast<int32_t>(c));
        ASSERT_EQ(chain->GetCount(), static_cast<int32_t>(f.parts[c].size())) << name << i;
        for (size_t p = 0; p < f.parts[c].size(); ++p) {
          EXPECT_EQ(chain->GetLL(static_cast<int32_t>(p)), f.parts[c][p])
              << name << " object " << i << " part " << c << " point " << p;
        }
      }
      EXPECT_EQ(o->GetClosed(), f.kind == "POLYGON") << name << i;
      EXPECT_EQ(o->Title, f.label.empty() ? f.name : f.label) << name << i;
    }
  }

  TempDir dir;
};

TEST_F(MIFTest, EveryObjectAsOgrinfoListsIt) {
  // Without CoordSys (longitude and latitude), the ".mid" in upper case.
  TEarthMIFReader* shapes = Open(Copy("shapes", ".MID"));
  EXPECT_EQ(shapes->MIFCoordSys, "");
  EXPECT_EQ(shapes->MIDDelimiter, ",");
  EXPECT_EQ(shapes->MIDColumnNames, (std::vector<std::string>{"NAME=Char(254)", "NUM=Char(254)"}));
  ExpectAsListed(shapes, "shapes");
  // The line across the date line keeps its two ends on either side.
  EXPECT_EQ(Geo(shapes, 1)->Chains().GetChain(0)->GetLL(1).iLongX, GU(-179.75L));

  TEarthMIFReader* styles = Open(Copy("styles"));
  EXPECT_EQ(styles->MIFCoordSys, "CoordSys Earth Projection 1, 104");
  ExpectAsListed(styles, "styles");

  // Another column gives other titles.
  shapes->SetTitleColumn(1);
  EXPECT_EQ(Titles(shapes), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
}

TEST_F(MIFTest, DrawingClauses) {
  TEarthMIFReader* r = Open(Copy("styles"));
  // Text: the string from the keyword line, font from the clause, sized by its box in metres.
  auto* text = dynamic_cast<TPointPresenter*>(PresenterOf(r, 0));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->TitleFont()->FontName(), "Arial");
  EXPECT_EQ(text->TitleFont()->FontColor(), gdi::TColor(0x0000FF));
  EXPECT_EQ(text->TitleFont()->FontUnit(), TEarthUnitTypes::Meter);
  // 48.256135277971 - 48.25 degrees, at 1852 m a minute.
  EXPECT_EQ(text->TitleFont()->FontSize(), 682);
  // Pen (2,2,16711680): solid, 2 pixels, red in the low byte.
  auto* line = dynamic_cast<TPolylinePresenter*>(PresenterOf(r, 1));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->PolyPen()->PenStyle(), psSolid);
  EXPECT_EQ(line->PolyPen()->PenWidth(), 2);
  EXPECT_EQ(line->PolyPen()->PenColor(), gdi::TColor(255));
  // Brush patterns 1 (none) and 70 (solid); Pen (1,2,255) blue.
  auto* clear = dynamic_cast<TPolygonPresenter*>(PresenterOf(r, 2));
  auto* seventy = dynamic_cast<TPolygonPresenter*>(PresenterOf(r, 3));
  ASSERT_TRUE(clear && seventy);
  EXPECT_EQ(clear->PolyBrush()->BrushStyle(), bsClear);
  EXPECT_EQ(clear->PolyPen()->PenColor(), gdi::TColor(0xFF0000));
  EXPECT_EQ(seventy->PolyBrush()->BrushStyle(), bsSolid);
  EXPECT_EQ(seventy->PolyBrush()->BrushColor(), gdi::TColor(0x00FF00));
  EXPECT_EQ(MIFToBrushStyle(-1), bsSolid);
  EXPECT_EQ(MIFToBrushStyle(3), bsHorizontal);
  EXPECT_EQ(MIFToPenStyle(1), psClear);
  EXPECT_EQ(MIFToPenStyle(5), psDash);
}

TEST_F(MIFTest, AnObjectLoadedAgainTakesThePresenterItHadAndAddsNone) {
  TEarthMIFReader* r = Open(Copy("styles"));
  auto* line = dynamic_cast<TPolylinePresenter*>(PresenterOf(r, 1));
  ASSERT_NE(line, nullptr);
  line->PolyPen()->SetPenColor(gdi::TColor(0x00FF00));  // its look changed, as by a legend
  const int32_t presenters = r->Presenters()->GetCount();
  r->UnloadObjects();
  EXPECT_EQ(PresenterOf(r, 1), line);
  EXPECT_EQ(r->Presenters()->GetCount(), presenters);
}

TEST_F(MIFTest, HandWrittenForms) {
  // Version 1, upper-case keywords, a ";" delimiter, the text string on its own line, kinds this
  // reader does not show: each object keeps its own ".mid" line.
  const std::string file =
      Write("hand",
            "VERSION 1\nDELIMITER \";\"\n"
            "CoordSys Earth Projection 1, 0\nCOLUMNS 1\n  Name Char(10)\nDATA\n"
            "NONE\nARC 0 0 1 1\n 0 90\nPLINE 2\n1 2\n3 4\n  PEN (3,5,65280)\n"
            "Rect 0 0 1 1\nELLIPSE 0 0 1 1\nTEXT\n  \"Two\\nlines\"\n"
            "  5 6 7 8\n  Angle 45\nPoint 9 10\n",
            "none;x\narc;x\npline;x\nrect;x\nellipse;x\ntext;x\npoint;x\n");
  TEarthMIFReader* r = Open(file);
  EXPECT_EQ(r->Version(), 1);
  EXPECT_EQ(r->MIDDelimiter, ";");
  EXPECT_EQ(Titles(r), (std::vector<std::string>{"pline", "Two lines", "point"}));
  EXPECT_EQ(Geo(r, 0)->Chains().GetChain(0)->GetLL(1), PointLL(GU(3), GU(4)));
  auto* pline = dynamic_cast<TPolylinePresenter*>(PresenterOf(r, 0));
  ASSERT_NE(pline, nullptr);
  EXPECT_EQ(pline->PolyPen()->PenStyle(), psDash);
  EXPECT_EQ(pline->PolyPen()->PenWidth(), 3);
  auto* text = dynamic_cast<TPointPresenter*>(PresenterOf(r, 1));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->TitleFont()->FontAngle(), 450);
  EXPECT_EQ(Geo(r, 1)->Chains().GetChain(0)->GetLL(0), PointLL(GU(5), GU(6)));

  // Loading reads the object's own ".mid" line again, also after the objects were let go.
  r->UnloadObjects();
  EXPECT_EQ(r->GetObject(2)->Title, "point");
  EXPECT_EQ(r->GetObject(0)->Title, "pline");

  // A collection's parts share its ".mid" line; a later version reads "Pline n" as n points.
  const std::string parts = Write("parts",
                                  "Version 450\nData\nCollection 2\n  Region 1\n 3\n0 0\n1 0\n0 0\n"
                                  "  Pline 2\n0 0\n1 1\nPline 2\n5 5\n6 6\n",
                                  "coll\nline\n");
  TEarthMIFReader* collection = Open(parts);
  EXPECT_EQ(Titles(collection), (std::vector<std::string>{"coll", "coll", "line"}));
  ASSERT_EQ(Geo(collection, 2)->Chains().GetCount(), 1);
  EXPECT_EQ(Geo(collection, 2)->Chains().GetChain(0)->GetLL(1), PointLL(GU(6), GU(6)));

  // Without a ".mid": default titles.
  const std::string bare = Write("bare", "Data\nRegion 1\n 3\n0 0\n1 0\n0 0\nLine 0 0 1 1\n", "");
  EXPECT_EQ(Titles(Open(bare)), (std::vector<std::string>{"New Polygon", "New Polyline"}));

  // Projected tables and broken objects are refused.
  const std::string utm = Write("utm", "CoordSys Earth Projection 8, 104, \"m\", 9\nData\n", "");
  EXPECT_THROW(
      {
        try {
          Open(utm);
        } catch (const EEarthException& e) {
          EXPECT_STREQ(e.what(), "MIF Import only supports Lat/Long tables.");
          throw;
        }
      },
      EEarthException);
  EXPECT_THROW(Open(Write("short", "Data\nRegion 1\n 5\n0 0\n1 1\n", "")), EEarthException);
  EXPECT_THROW(Open(Write("count", "Data\nPline x\n", "")), EEarthException);
  EXPECT_THROW(Open(Write("far", "Data\nPoint 1 95\n", "")), EEarthException);
  EXPECT_FALSE(Open(dir / "missing.mif")->Active());
}

TEST_F(MIFTest, CacheTrustedOnlyForTheSameFiles) {
  const std::string file = Copy("shapes");
  Open(file);
  EXPECT_TRUE(Mapped());
  ASSERT_TRUE(fs::exists(file + ".md"));
  TEarthMIFReader* cached = Open(file);
  EXPECT_FALSE(Mapped());
  ExpectAsListed(cached, "shapes");
  // A column chosen before opening stays chosen when the cache is read.
  TEarthMIFReader* second = maptest::OpenOnNewLayer<TEarthMIFReader>(
      map.get(), file, [](TEarthMIFReader& r) { r.SetTitleColumn(1); });
  EXPECT_FALSE(Mapped());
  EXPECT_EQ(second->GetObject(1)->Title, "2");
  map->LayerStore()->Clear();

  // An index entry beyond the file: mapped again, and right.
  std::fstream md(file + ".md", std::ios::in | std::ios::out | std::ios::binary);
  md.seekp(-8, std::ios::end);
  const int32_t wrong = 1 << 30;
  md.write(reinterpret_cast<const char*>(&wrong), sizeof wrong);
  md.close();
  TEarthMIFReader* repaired = Open(file);
  EXPECT_TRUE(Mapped());
  ExpectAsListed(repaired, "shapes");
  map->LayerStore()->Clear();

  // A cache removed while the file is open is written again when it closes.
  TEarthMIFReader* open = Open(file);
  ASSERT_TRUE(fs::remove(file + ".md"));
  open->Close();
  Open(file);
  EXPECT_FALSE(Mapped());
  ASSERT_TRUE(fs::remove(file + ".md"));
  map->LayerStore()->Clear();
  Open(file);
  EXPECT_FALSE(Mapped()) << "written by the reader freed open";
  map->LayerStore()->Clear();

  // The ".mid" rewritten within the same second, same size: a new title, mapped again.
  ASSERT_TRUE(RewriteWithinTheSecond(dir / "shapes.mid", 1, "XY"));
  TEarthMIFReader* rewritten = Open(file);
  EXPECT_TRUE(Mapped());
  EXPECT_EQ(rewritten->GetObject(0)->Title.substr(0, 2), "XY");
}

}  // namespace
