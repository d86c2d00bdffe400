// The map control: defaults, setters and their redraws, notifications, data file names, the
// saved view, the object cache and the environment file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "map/earthxml.h"
#include "platform/gdi/shapes.h"
#include "platform/rtl/palette.h"
#include "platform/win/paint.h"
#include "tests/map/earthmapfixture.h"
#include "tests/map/maptexture.h"
#include "tests/map/testreader.h"

namespace maptest {
namespace {

namespace fs = std::filesystem;

// A directory of its own, removed at the end.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "corv_earthmap_XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name, const std::string& content = "x") const {
    const std::string p = path_ + "/" + name;
    fs::create_directories(fs::path(p).parent_path());
    std::ofstream(p) << content;
    return p;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

TEST_F(EarthMapTest, DefaultsOfANewControl) {
  TEarthMap m(nullptr);
  EXPECT_EQ(m.CacheCapacity, 10240);
  EXPECT_EQ(m.DataDirectory, "");
  EXPECT_EQ(m.EarthOptions(), (TEarthOptionsSet{goCache3DPoints, goDoubleBuffered}));
  EXPECT_EQ(m.GraticuleLatitudeStep(), 15);
  EXPECT_EQ(m.GraticuleLongitudeStep(), 15);
  EXPECT_EQ(m.GetMinTextHeight(), 5);
  EXPECT_EQ(m.GetMaxTextHeight(), 0);
  EXPECT_EQ(m.PeriodicUpdateTime, 0);
  EXPECT_EQ(m.ScrollBars(), vcl::ssBoth);
  EXPECT_EQ(m.SelectedPen()->PenColor(), gdi::TColor(0x0000FF));      // red
  EXPECT_EQ(m.SelectedBrush()->BrushColor(), gdi::TColor(0x00FFFF));  // yellow
  EXPECT_EQ(m.TransparentPen()->PenColor(), gdi::TColor(0x808080));
  EXPECT_EQ(m.TransparentBrush()->BrushColor(), gdi::TColor(0xC0C0C0));
  EXPECT_EQ(m.GraticulePen()->PenColor(), gdi::TColor(0xC0C0C0));
  EXPECT_EQ(m.GraticuleDrawMode(), gdBehind);
  EXPECT_EQ(m.MouseZoomButton, mzbRight);
  EXPECT_EQ(m.MouseSelectButton, mzbLeft);
  EXPECT_EQ(m.MouseRotateButton, mzbLeft);
  EXPECT_TRUE(m.BackgroundImage()->Empty());
  EXPECT_EQ(m.Color(), gdi::TColor(0));
  EXPECT_EQ(m.SurfaceColor(), gdi::TColor(0xFFFF00));
  EXPECT_EQ(m.SurfaceTextureName(), "");
  EXPECT_EQ(m.EnvironmentFile(), "");
  EXPECT_EQ(m.SaveMetaDataLocation, smdInDataDirectory);
  EXPECT_EQ(m.Width(), 150);
  EXPECT_EQ(m.Height(), 150);
  EXPECT_TRUE(m.ControlStyle() & vcl::csOpaque);
  EXPECT_EQ(m.Font()->Name(), "Arial");
  EXPECT_EQ(m.Font()->Size(), 9);
  EXPECT_EQ(m.GetCacheMemoryUsed(), 0);
}

TEST_F(EarthMapTest, SettersRedrawAndGraticuleStepsOfNinetyAndOneEightyAreRefused) {
  const int before = map->redraws;
  map->SetGraticuleDrawMode(gdInFront);
  map->SetSurfaceColor(gdi::TColor(0x123456));
  map->SetColor(gdi::TColor(0x654321));
  map->SetMinTextHeight(7);
  map->SetMaxTextHeight(40);
  map->SetLatitudeStep(10);
  map->SetLongitudeStep(20);
  map->SetEarthOptions({goDoubleBuffered});
  map->SetBackgroundImage(nullptr);
  EXPECT_EQ(map->redraws - before, 9);
  EXPECT_EQ(map->SurfaceBrush()->BrushColor(), gdi::TColor(0x123456));

  const int after = map->redraws;
  map->SetMinTextHeight(7);  // no change, no redraw
  map->SetGraticuleDrawMode(gdInFront);
  map->SetLatitudeStep(90);
  map->SetLongitudeStep(180);
  map->SetLatitudeStep(-1);
  EXPECT_EQ(map->redraws, after);
  EXPECT_EQ(map->GraticuleLatitudeStep(), 10);
  EXPECT_EQ(map->GraticuleLongitudeStep(), 20);
  map->SetLatitudeStep(0);
  map->SetLongitudeStep(179);
  EXPECT_EQ(map->GraticuleLatitudeStep(), 0);
  EXPECT_EQ(map->GraticuleLongitudeStep(), 179);
}

TEST_F(EarthMapTest, ChangesOfThePensAndBrushesRedraw) {
  struct Change {
    const char* what;
    std::function<void()> make;
  };
  const std::vector<Change> changes{
      {"graticule pen colour", [&] { map->GraticulePen()->SetPenColor(gdi::TColor(0x00FF00)); }},
      {"graticule pen width", [&] { map->GraticulePen()->SetPenWidth(3); }},
      {"selected pen style", [&] { map->SelectedPen()->SetPenStyle(psDot); }},
      {"transparent pen",
       [&] {
         map->TransparentPen()->Define(gdi::TColor(0x101010), psSolid, 2, TEarthUnitTypes::Pixel);
       }},
      {"selected brush colour", [&] { map->SelectedBrush()->SetBrushColor(gdi::TColor(0xFF)); }},
      {"transparent brush style", [&] { map->TransparentBrush()->SetBrushStyle(bsCross); }},
  };
  for (const Change& c : changes) {
    PaintNow();
    ASSERT_FALSE(map->RedrawPending());
    const int before = map->redraws;
    c.make();
    EXPECT_EQ(map->redraws - before, 1) << c.what;
    EXPECT_TRUE(map->RedrawPending()) << c.what;
  }
  // The new graticule colour reaches the window at the next paint.
  map->Projection()->SetProjectionClass("TCartesianPrj");
  map->Projection()->SetScaleFactor(0);
  map->GraticulePen()->SetPenWidth(1);
  PaintNow();
  TEarthDevicePoint at;  // on the equator, between two meridians
  ASSERT_TRUE(map->Projection()->LLToDeviceXY(7 * GU_DEGREE, 0, at));
  const gdi::HDC dc = win::GetDC(map->Handle());
  EXPECT_EQ(gdi::GetPixel(dc, at.X, at.Y), gdi::RGB(0, 255, 0));
  win::ReleaseDC(map->Handle(), dc);
}

TEST_F(EarthMapTest, TheControlIsOnThePalettePageTEarthMap) {
  RegisterEarthMap();
  RegisterEarthMap();  // twice is once
  const rtl::TClass c = rtl::GetClass("tearthmap");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(rtl::ComponentPalettePage(c), "TEarthMap");
  EXPECT_EQ(rtl::ComponentPaletteClasses("TEarthMap"), (std::vector<rtl::TClass>{c}));
  EXPECT_TRUE(c->InheritsFrom<vcl::TCustomControl>());
  // What a designer drops on a form: a map with its defaults, owned by the form.
  TEarthMap* made = c->Create<TEarthMap>(static_cast<rtl::TComponent*>(form));
  EXPECT_EQ(made->Owner(), form);
  EXPECT_EQ(made->Width(), 150);
  EXPECT_EQ(made->GraticuleDrawMode(), gdBehind);
  EXPECT_THROW(rtl::RegisterComponents("Other", {nullptr}), rtl::EInvalidOperation);
}

TEST_F(EarthMapTest, NotificationsFireTheirEventsInOrderAndRedraw) {
  std::vector<std::string> events;
  map->OnLayerCreate = [&](TEarthMap*, TEarthLayer*) { events.push_back("layer create"); };
  map->OnLayerFree = [&](TEarthMap* m, TEarthLayer* l) {
    events.push_back("layer free " + std::to_string(m->LayerStore()->IndexOf(l)));
  };
  map->OnObjectSourceCreate = [&](TEarthMap*, TEarthObjectSource*) {
    events.push_back("source create");
  };
  map->OnObjectSourceFree = [&](TEarthMap* m, TEarthObjectSource*) {
    events.push_back("source free " + std::to_string(m->ObjectSources().size()));
  };
  map->OnObjectSelectChange = [&](TEarthMap*, TEarthObject*) { events.push_back("select"); };
  auto* layer = new TEarthLayer(map);
  EXPECT_EQ(map->LayerStore()->IndexOf(layer), 0);
  auto* source = new TEarthObjectSource(map);
  EXPECT_EQ(map->ObjectSources().size(), 1u);
  layer->SetObjects(source);
  auto* object = new TGeoDataObject(source);
  const int before = map->redraws;
  map->Notify(gnObjectSelectChange, object);
  EXPECT_GT(map->redraws, before);
  // The layer leaves the store after its event (still at index 0), its source with it.
  delete layer;
  EXPECT_TRUE(map->ObjectSources().empty());
  const std::vector<std::string> expected = {"layer create", "source create", "select",
                                             "layer free 0", "source free 1"};
  EXPECT_EQ(events, expected);
}

TEST_F(EarthMapTest, DataDirectoryIsTrimmedAndEndsInADelimiter) {
  ScratchDir d;
  map->SetDataDirectory("  " + d.Path() + "  ");
  EXPECT_EQ(map->DataDirectory, d.Path() + "/");
  map->SetDataDirectory("");
  EXPECT_EQ(map->DataDirectory, "");
  std::string reported;
  map->OnDirectoryNotFound = [&](TEarthMap*, std::string& dir) {
    reported = dir;
    dir = "/elsewhere/";
  };
  map->SetDataDirectory(d.Path() + "/missing");
  EXPECT_EQ(reported, d.Path() + "/missing/");
  EXPECT_EQ(map->DataDirectory, "/elsewhere/");
}

TEST_F(EarthMapTest, ResolveFilenameAsGivenInTheDataDirectoryByFilePartAndThroughAHandler) {
  ScratchDir d;
  const std::string given = d.File("given.lyr");
  d.File("data/inside.lyr");
  EXPECT_EQ(map->ResolveFilename(given), given);
  map->SetDataDirectory(d.Path() + "/data");
  EXPECT_EQ(map->ResolveFilename("inside.lyr"), d.Path() + "/data/inside.lyr");
  EXPECT_EQ(map->ResolveFilename("/no/such/place/inside.lyr"), d.Path() + "/data/inside.lyr");
  EXPECT_EQ(map->ResolveFilename("missing.lyr"), "") << "without a handler";

  int calls = 0;
  map->OnFileNotFound = [&](TEarthMap*, std::string& name, bool& tryAgain) {
    ++calls;
    name = given;
    tryAgain = true;
  };
  EXPECT_EQ(map->ResolveFilename("missing.lyr"), given);
  EXPECT_EQ(calls, 1);

  // One that always asks for the same name: the file it put there, or no endless recursion.
  calls = 0;
  const std::string late = d.Path() + "/late.lyr";
  map->OnFileNotFound = [&](TEarthMap*, std::string&, bool& tryAgain) {
    ++calls;
    d.File("late.lyr");
    tryAgain = true;
  };
  EXPECT_EQ(map->ResolveFilename(late), late);
  EXPECT_EQ(calls, 1);
  calls = 0;
  EXPECT_EQ(map->ResolveFilename("missing.lyr"), "");
  EXPECT_EQ(calls, 8);
  // One that keeps inventing new names that are not there: a bounded number of tries.
  calls = 0;
  map->OnFileNotFound = [&](TEarthMap*, std::string& name, bool& tryAgain) {
    name += "x";
    tryAgain = ++calls > 0;
  };
  EXPECT_EQ(map->ResolveFilename("missing.lyr"), "");
  EXPECT_LE(calls, 10);
}

TEST_F(EarthMapTest, SavedViewRoundTrip) {
  TEarthProjection* p = map->Projection();
  p->SetScaleFactor(2.5e-6);
  p->SetFloatProp(ppXRotation, 12.5);
  p->SetFloatProp(ppYRotation, -33.25);
  p->SetEarthCenterXY({310, 280});
  const TEarthPOZ view = map->GetPOZ();
  EXPECT_EQ(view.XRotation, 67'500'000);  // 12.5 degrees
  EXPECT_EQ(view.YRotation, -179'550'000);
  EXPECT_EQ(view.Center.X, 310);

  p->SetScaleFactor(1e-6);
  p->SetFloatProp(ppXRotation, 0);
  p->SetFloatProp(ppYRotation, 0);
  p->SetEarthCenterXY({0, 0});
  map->SetPOZ(view);
  const TEarthPOZ back = map->GetPOZ();
  EXPECT_DOUBLE_EQ(double(back.ScaleFactor), 2.5e-6);
  EXPECT_EQ(back.XRotation, view.XRotation);
  EXPECT_EQ(back.YRotation, view.YRotation);
  EXPECT_EQ(back.Center.X, 310);
  EXPECT_EQ(back.Center.Y, 280);
}

TEST_F(EarthMapTest, UnitsThroughTheControlTakePixelsAtTheScale) {
  map->Projection()->SetScaleFactor(1.0L / 90'000);  // a pixel a nautical mile
  EXPECT_EQ(map->EarthUnitsFrom(3, TEarthUnitTypes::Pixel), 270'000);
  EXPECT_NEAR(double(map->EarthUnitsTo(180'000, TEarthUnitTypes::Pixel)), 2.0, 1e-12);
  EXPECT_EQ(map->EarthUnitsFrom(2, TEarthUnitTypes::NauticalMile), 180'000);
  EXPECT_NEAR(double(map->EarthUnitsTo(5'400'000, TEarthUnitTypes::Degree)), 1.0, 1e-12);
}

// A reader of n objects on a layer of the map, opened.
TTestReader* OpenReader(TEarthMap* map, const std::string& file, int32_t n) {
  auto* layer = new TEarthLayer(map);
  auto* reader = new TTestReader(map, n);
  reader->SetFileName(file);
  layer->SetObjects(reader);
  reader->Open();
  return reader;
}

TEST_F(EarthMapTest, TheCacheIsCutLeastRecentlyUsedFirstKeepingTheSelection) {
  ScratchDir d;
  TTestReader* r = OpenReader(map, d.Path() + "/seeded.dat", 60000);
  r->UnloadObjects();
  map->UpdateTotalMemoryInUse();
  int reductions = 0;
  map->OnReduceCacheMemory = rtl::TNotifyEvent(nullptr, [&](rtl::TObject*) { ++reductions; });
  r->GetObject(0)->SetSelected(true);
  int64_t highest = 0;
  int32_t i = 1;
  for (; reductions == 0 && i < 60000; ++i) {
    r->GetObject(i);
    highest = std::max(highest, map->GetCacheMemoryUsed());
  }
  ASSERT_EQ(reductions, 1) << "the cache never passed its capacity";
  EXPECT_LE(highest, 10'485'760);
  EXPECT_LT(map->GetCacheMemoryUsed(), 7'864'320);
  EXPECT_GT(map->GetCacheMemoryUsed(), 7'864'320 - 4096);
  EXPECT_EQ(map->GetCacheMemoryUsed(), r->ObjectInstanceSize());
  // The oldest went, the newest stayed; the first, though unloaded, is still selected.
  EXPECT_FALSE(dynamic_cast<TEarthObject*>(r->GetObjectData(1)));
  EXPECT_TRUE(dynamic_cast<TEarthObject*>(r->GetObjectData(i - 1)));
  EXPECT_FALSE(dynamic_cast<TEarthObject*>(r->GetObjectData(0)));
  EXPECT_TRUE(r->GetObjectData(0)->State.Contains(osSelected));
  EXPECT_TRUE(r->GetObject(0)->GetSelected());
}

TEST_F(EarthMapTest, TheCacheGivesBackTheOldestAlsoOnceTheStampsWrapRound) {
  ScratchDir d;
  TTestReader* r = OpenReader(map, d.Path() + "/seeded.dat", 4);
  // Handed out in this order, the counter wrapping round between the second and the third.
  const int32_t stamps[] = {INT32_MAX - 1, INT32_MAX, INT32_MIN, INT32_MIN + 1};
  for (int32_t i = 0; i < 4; ++i) r->GetObject(i)->MRU = stamps[i];
  map->ReduceCacheMemory(r->ObjectInstanceSize() - 1);
  EXPECT_FALSE(dynamic_cast<TEarthObject*>(r->GetObjectData(0))) << "the oldest went";
  for (int32_t i = 1; i < 4; ++i) EXPECT_TRUE(dynamic_cast<TEarthObject*>(r->GetObjectData(i)));
}

TEST_F(EarthMapTest, SelectionThroughTheCacheAndTheRecordsItLeaves) {
  ScratchDir d;
  TTestReader* r = OpenReader(map, d.Path() + "/seeded.dat", 5);
  auto* layer = new TEarthLayer(map);
  auto* a = new TGeoDataObject(layer->GetObjects());
  TEarthLayerStore* store = map->LayerStore();
  // The cache gives the selected object back: it stays selected as a record, and selecting
  // another deselects the record without loading it.
  store->SetSelectedObject(r->GetObject(2));
  r->GetObject(3);
  map->UpdateTotalMemoryInUse();
  map->ReduceCacheMemory(0);
  EXPECT_FALSE(dynamic_cast<TEarthObject*>(r->GetObjectData(2)));
  EXPECT_EQ(store->GetSelectedCount(), 1);
  // The record holds the object's own MER: no layer pass recomputes it.
  EXPECT_TRUE(r->GetState(2).Contains(osValidMER));
  EXPECT_TRUE(r->GetState(3).Contains(osValidMER));
  const int loads = r->loads;
  store->SetSelectedObject(a);
  EXPECT_EQ(r->loads, loads);
  EXPECT_FALSE(r->GetState(2).Contains(osSelected));
  EXPECT_EQ(store->GetSelected(0), a);
  store->SetSelectedObject(r->GetObject(4));
  layer->SetObjects(nullptr);
  EXPECT_EQ(store->GetSelectedCount(), 1);

  // Unloading them all counts only what goes: the records stay, as a recount finds.
  r->GetObject(0);
  r->GetObject(1);
  map->UpdateTotalMemoryInUse();
  r->UnloadObjects();
  const int64_t counted = map->GetCacheMemoryUsed();
  map->UpdateTotalMemoryInUse();
  EXPECT_EQ(counted, map->GetCacheMemoryUsed());
  EXPECT_EQ(counted, r->ObjectInstanceSize());
}

TEST_F(EarthMapTest, FindingTheNextTitleGoesOnIntoTheNextLayersWhateverTheCacheFrees) {
  ScratchDir d;
  TTestReader* first = OpenReader(map, d.Path() + "/first.dat", 5);
  TTestReader* second = OpenReader(map, d.Path() + "/second.dat", 5);
  TEarthLayerStore* store = map->LayerStore();
  TEarthObject* o = store->ObjectByTitle("OBJECT 2", nullptr);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->Parent(), first);
  o = store->ObjectByTitle("object 2", o);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->Parent(), second);
  EXPECT_EQ(o->Index, 2);
  EXPECT_EQ(store->ObjectByTitle("object 2", o), nullptr);
  // A cache of one kilobyte gives back every object but the last loaded: the one to go on from
  // is gone by the time the next layer is searched.
  first->UnloadObjects();
  second->UnloadObjects();
  map->UpdateTotalMemoryInUse();
  map->CacheCapacity = 1;
  o = store->ObjectByTitle("Object 0", first->GetObject(3));
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->Parent(), second);
  EXPECT_EQ(o->Index, 0);
}

TEST_F(EarthMapTest, CapacityZeroNeverCutsAndLargeCapacitiesDoNotOverflow) {
  ScratchDir d;
  TTestReader* r = OpenReader(map, d.Path() + "/seeded.dat", 10);
  int reductions = 0;
  map->OnReduceCacheMemory = rtl::TNotifyEvent(nullptr, [&](rtl::TObject*) { ++reductions; });
  map->CacheCapacity = 0;
  map->CacheUsedDelta(int64_t{1} << 40);
  EXPECT_EQ(reductions, 0);
  map->UpdateTotalMemoryInUse();
  // 2,097,152 KB are 2^31 bytes: in 32 bits the capacity would wrap to a negative number.
  map->CacheCapacity = 2'097'152;
  map->CacheUsedDelta(1'000'000'000);
  map->CacheUsedDelta(1'000'000'000);
  EXPECT_EQ(reductions, 0);
  map->CacheUsedDelta(200'000'000);
  EXPECT_EQ(reductions, 1);
  EXPECT_EQ(map->GetCacheMemoryUsed(), r->ObjectInstanceSize());
}

TEST_F(EarthMapTest, EnvironmentFileSavedCheckedAndLoadedIntoANewControl) {
  ScratchDir d;
  TTestReader* r = OpenReader(map, d.Path() + "/seeded.dat", 10);
  r->GetLayer(0)->SetLayerName("Seeded");
  map->SetDataDirectory(d.Path());
  map->SetSurfaceColor(gdi::TColor(0x336699));
  map->SetMinTextHeight(8);
  map->SetMaxTextHeight(30);
  map->Projection()->SetProjectionClass("TMercatorPrj");
  map->Projection()->SetFloatProp(ppCentralMeridian, 12);
  const std::string file = d.Path() + "/env.xml";
  map->SaveEnvironmentToFile(file);
  const std::string check = "xmllint --noout '" + file + "'";
  EXPECT_EQ(std::system(check.c_str()), 0);

  TLogEarthMap other(form);
  other.LoadEnvironmentFromFile(file);
  EXPECT_EQ(other.EnvironmentFile(), file);
  EXPECT_EQ(other.DataDirectory, d.Path() + "/");
  EXPECT_EQ(other.SurfaceColor(), gdi::TColor(0x336699));
  EXPECT_EQ(other.GetMinTextHeight(), 8);
  EXPECT_EQ(other.GetMaxTextHeight(), 30);
  EXPECT_EQ(other.Projection()->GetProjectionClass(), "TMercatorPrj");
  EXPECT_DOUBLE_EQ(double(other.Projection()->CentralMeridian), 12);
  ASSERT_EQ(other.LayerStore()->GetCount(), 1);
  EXPECT_EQ(other.LayerStore()->GetLayer(0)->GetLayerName(), "Seeded");

  // Garbage values load the defaults; a file that is no document empties the name.
  const std::string garbage =
      d.File("garbage.xml",
             "<?xml version=\"1.0\"?><Document><TEarthMap SurfaceColor=\"not a colour\" "
             "MinTextHeight=\"many\" MaxTextHeight=\"1e999\"><Projection ScaleFactor=\"x\"/>"
             "</TEarthMap></Document>");
  TLogEarthMap third(form);
  third.LoadEnvironmentFromFile(garbage);
  EXPECT_EQ(third.SurfaceColor(), gdi::TColor(0xFFFF00));
  EXPECT_EQ(third.GetMinTextHeight(), 5);
  EXPECT_EQ(third.GetMaxTextHeight(), 0);
  third.LoadEnvironmentFromFile(d.Path() + "/missing.xml");
  EXPECT_EQ(third.EnvironmentFile(), "");
}

TEST_F(EarthMapTest, ATextureThatIsNoneLeavesNoNameAndTheRestOfTheEnvironmentLoads) {
  ScratchDir d;
  const std::vector<uint8_t> bmp = maptest::TextureBmp(4, 2, std::vector<uint8_t>(8, 1), {0, 0xFF});
  const std::string texture = d.File("globe.bmp", std::string(bmp.begin(), bmp.end()));
  map->SetSurfaceTextureName(texture);
  ASSERT_EQ(map->SurfaceTextureName(), texture);
  OpenReader(map, d.Path() + "/seeded.dat", 4);
  const std::string file = d.Path() + "/env.xml";
  map->SaveEnvironmentToFile(file);
  // The texture becomes a 24-bit picture: no texture.
  vcl::TBitmap rgb;
  rgb.SetPixelFormat(vcl::pf24bit);
  rgb.SetSize(4, 2);
  rgb.SaveToFile(texture);
  EXPECT_NO_THROW(map->SetSurfaceTextureName(texture));
  EXPECT_EQ(map->SurfaceTextureName(), "");
  EXPECT_FALSE(map->SurfaceTexture().IsValid());
  TLogEarthMap other(form);
  EXPECT_NO_THROW(other.LoadEnvironmentFromFile(file));
  EXPECT_EQ(other.SurfaceTextureName(), "");
  EXPECT_EQ(other.EnvironmentFile(), file);
  EXPECT_EQ(other.LayerStore()->GetCount(), 1);
}

TEST_F(EarthMapTest, ADamagedValueInAnySectionKeepsItsValueAndTheLoadGoesOn) {
  ScratchDir d;
  TTestReader* r = OpenReader(map, d.Path() + "/seeded.dat", 10);
  TEarthLayer* layer = r->GetLayer(0);
  layer->SetLayerName("Seeded");
  layer->SetLayerValue(TEarthLayer::lvZoomMin, 3);
  layer->SetLayerValue(TEarthLayer::lvZoomMax, 40);
  for (TEarthPresenterStore* store : {layer->Presenters(), map->LayerStore()->GlobalPresenters()}) {
    auto p = std::make_unique<TPointPresenter>(map, 7);
    p->SymbolIndex = 33;
    p->PointPen()->SetPenColor(gdi::TColor(0x123456));
    std::unique_ptr<TEarthPresenter> base = std::move(p);
    store->Add(base);
  }
  map->SetMinTextHeight(8);
  map->SetMaxTextHeight(30);
  map->Projection()->SetFloatProp(ppXRotation, 20);
  const std::string file = d.Path() + "/env.xml";
  map->SaveEnvironmentToFile(file);
  std::ifstream in(file);
  std::string xml{std::istreambuf_iterator<char>(in), {}};
  // One bad value in each section: the control, the projection, a layer, its presenter and the
  // presenter's pen, and the global presenter.
  const auto damage = [&](const std::string& name, const std::string& value, size_t from) {
    const size_t at = xml.find(" " + name + "=\"", from);
    EXPECT_NE(at, std::string::npos) << name;
    const size_t start = at + name.size() + 3, end = xml.find('"', start);
    xml.replace(start, end - start, value);
    return start;
  };
  damage("MaxTextHeight", "tall", 0);
  damage("ScaleFactor", "small", 0);
  damage("Class", "TNoSuchPrj", xml.find("<ProjectionModel"));
  damage("ZoomMin", "1O", 0);
  damage("ZoomUnits", "furlongs", 0);
  const size_t global = xml.find("PresenterID=\"7\""), inLayer = xml.find("<Layer ");
  damage("Unit", "cubits", global);
  damage("SymbolIndex", "99999", global);
  damage("Width", "wide", damage("Size", "big", xml.find("PresenterID=\"7\"", inLayer)));
  const std::string damaged = d.File("damaged.xml", xml);

  TLogEarthMap other(form);
  other.LoadEnvironmentFromFile(damaged);
  EXPECT_EQ(other.GetMinTextHeight(), 8);
  EXPECT_EQ(other.GetMaxTextHeight(), 0);
  EXPECT_DOUBLE_EQ(double(other.Projection()->XRotation()), 20);
  EXPECT_EQ(other.Projection()->GetProjectionClass(), "TSphericalPrj");
  ASSERT_EQ(other.LayerStore()->GetCount(), 1);
  TEarthLayer* back = other.LayerStore()->GetLayer(0);
  EXPECT_EQ(back->GetLayerName(), "Seeded");
  EXPECT_EQ(back->ZoomMin, 0);
  EXPECT_EQ(back->ZoomMax, 40);
  EXPECT_EQ(back->ZoomUnits, TEarthUnitTypes::NauticalMile);
  for (TEarthPresenterStore* store : {back->Presenters(), other.LayerStore()->GlobalPresenters()}) {
    auto* p = dynamic_cast<TPointPresenter*>(store->ByID(7, false));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->PointPen()->PenColor(), gdi::TColor(0x123456));
    EXPECT_EQ(p->PointSize(), 6);
    EXPECT_EQ(p->PointUnit(), TEarthUnitTypes::Pixel);
  }
  EXPECT_EQ(dynamic_cast<TPointPresenter*>(back->Presenters()->ByID(7, false))->SymbolIndex, 33);
  EXPECT_EQ(dynamic_cast<TPointPresenter*>(other.LayerStore()->GlobalPresenters()->ByID(7, false))
                ->SymbolIndex,
            0);
}

}  // namespace
}  // namespace maptest
