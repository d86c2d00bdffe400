// Stream primitives byte for byte, the map object header, and map objects in their source.
#include "map/earthobject.h"
#include "map/earthsource.h"
#include "tests/map/mapfixture.h"
#include "tests/map/streambytes.h"
#include "tests/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

using maptest::Bytes;
using maptest::NewReader;
using maptest::NewWriter;
using maptest::Written;

TEST(StreamWriter, PrimitivesAreLittleEndianWithoutPadding) {
  Written w = NewWriter();
  w.writer->WriteBoolean(true);
  w.writer->WriteBoolean(false);
  w.writer->WriteWord(0x1234);
  w.writer->WriteShortInt(-2);
  w.writer->WriteSmallInt(-2);
  w.writer->WriteInteger(0x01020304);
  w.writer->WriteDouble(1.0);
  w.writer->WriteRect({1, -1, 2, 3});
  w.writer->WriteMER(MER(5, 6, 7, 8));
  const Bytes expected = {
      0x54, 0x46, 0x34, 0x12, 0xFE, 0xFE, 0xFF, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0, 0,
      0xF0, 0x3F, 1,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 2,    0, 0, 0, 3, 0, 0,
      0,    5,    0,    0,    0,    6,    0,    0,    0,    7,    0,    0, 0, 8, 0, 0, 0};
  EXPECT_EQ(w.bytes(), expected);
}

TEST(StreamWriter, ShortStringsAreWindows1252AndCutAt255) {
  Written w = NewWriter();
  w.writer->WriteShortString("Caf\xC3\xA9 \xE2\x82\xAC");  // "Café €" in UTF-8
  EXPECT_EQ(w.bytes(), (Bytes{6, 'C', 'a', 'f', 0xE9, ' ', 0x80}));
  Written l = NewWriter();
  l.writer->WriteShortString(std::string(300, 'x'));
  const Bytes b = l.bytes();
  ASSERT_EQ(b.size(), 256u);
  EXPECT_EQ(b[0], 255);
  auto r = NewReader({3, 'C', 0xE9, 0x80});
  EXPECT_EQ(r->ReadShortString(), "C\xC3\xA9\xE2\x82\xAC");
}

TEST(StreamWriter, PointsInFullAndSixteenBitForm) {
  Written w = NewWriter();
  w.writer->WritePointLL(PointLLH(-89'999, 179 * GU_DEGREE + 59 * GU_MINUTE + 45'000, 7), false,
                         true);
  w.writer->WritePointLL(PointLLH(1, -2, 3), true, false);
  w.writer->WritePointLL(PointLLH(1, -2, 3), false, false);
  w.writer->WritePointLL(PointLLH(-90'000, 90'000, 180'000), true, true);
  const Bytes expected = {0,    0,    0x2F, 0x2A,  // 0 and 10,799
                          1,    0,    0,    0,    0xFE, 0xFF, 0xFF, 0xFF, 3,    0,
                          0,    0,    1,    0,    0,    0,    0xFE, 0xFF, 0xFF, 0xFF,  //
                          0xFF, 0xFF, 1,    0,    2,    0};
  EXPECT_EQ(w.bytes(), expected);
  auto r = NewReader(expected);
  EXPECT_EQ(r->ReadPointLL(false, true), PointLLH(0, 10'799 * GU_MINUTE, 0));
  EXPECT_EQ(r->ReadPointLL(true, false), PointLLH(1, -2, 3));
  EXPECT_EQ(r->ReadPointLL(false, false), PointLLH(1, -2, 0));
  EXPECT_EQ(r->ReadPointLL(true, true), PointLLH(-90'000, 90'000, 180'000));
}

TEST(StreamReader, ReadsBackWhatWasWritten) {
  Written w = NewWriter();
  w.writer->WriteBoolean(true);
  w.writer->WriteDouble(-2.5e-300);
  w.writer->WriteWord(65535);
  w.writer->WriteShortInt(-128);
  w.writer->WriteSmallInt(-32768);
  w.writer->WriteInteger(-2147483647 - 1);
  w.writer->WriteShortString("");
  w.writer->WriteRect({-1, -2, -3, -4});
  w.writer->WriteMER(MER(-1, 2, -3, 4));
  auto r = NewReader(w.bytes());
  EXPECT_TRUE(r->ReadBoolean());
  EXPECT_EQ(r->ReadDouble(), -2.5e-300);
  EXPECT_EQ(r->ReadWord(), 65535);
  EXPECT_EQ(r->ReadShortInt(), -128);
  EXPECT_EQ(r->ReadSmallInt(), -32768);
  EXPECT_EQ(r->ReadInteger(), -2147483647 - 1);
  EXPECT_EQ(r->ReadShortString(), "");
  EXPECT_EQ(r->ReadRect(), (TEarthDeviceRect{-1, -2, -3, -4}));
  EXPECT_EQ(r->ReadMER(), MER(-1, 2, -3, 4));
  EXPECT_FALSE(NewReader({0x01})->ReadBoolean());
}

TEST(StreamReader, ReadingPastTheEndRaises) {
  EXPECT_THROW(NewReader({1, 2, 3})->ReadInteger(), EEarthException);
  EXPECT_THROW(NewReader({})->ReadBoolean(), EEarthException);
  EXPECT_THROW(NewReader({5, 'a', 'b'})->ReadShortString(), EEarthException);
  EXPECT_THROW(NewReader({1, 0, 0, 0, 2, 0})->ReadPointLL(false, false), EEarthException);
  EXPECT_THROW(NewReader(Bytes(15, 0))->ReadMER(), EEarthException);
}

// A source that records what its objects tell it.
class RecordingSource : public TEarthObjectSource {
 public:
  explicit RecordingSource(TCustomEarthMap* globe) : TEarthObjectSource(globe) {}
  int32_t GetCount() const override { return static_cast<int32_t>(slots.size()); }
  TEarthObjectData* GetObjectData(int32_t index) override { return slots.at(index); }
  TEarthObjectStateSet GetState(int32_t index) override { return slots.at(index)->State; }
  void SetState(int32_t index, TEarthObjectStateSet state) override {
    states.push_back(state);
    slots.at(index)->State = state;
  }
  void Notify(TObjectSourceNotification kind, TEarthObject*) override { notes.push_back(kind); }
  void Add(TEarthObject* object) override {
    object->Index = GetCount();
    slots.push_back(object);
  }
  void Delete(TEarthObject* object) override {
    deleted.push_back(object);
    object->Index = -1;
  }
  void LoadEnvironment(TEarthXML_Element*) override {}
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override { return nullptr; }

  std::vector<TEarthObjectData*> slots;
  std::vector<TEarthObjectStateSet> states;
  std::vector<TObjectSourceNotification> notes;
  std::vector<TEarthObject*> deleted;
};

TEST(ObjectHeader, PlainObjectWritesFourBytes) {
  TEarthObject o(nullptr);
  o.PresenterID = 7;
  Written w = NewWriter();
  o.WriteProperties(*w.writer);
  EXPECT_EQ(w.bytes(), (Bytes{0, 0, 7, 0}));
}

TEST(ObjectHeader, FieldsFollowTheirFlags) {
  TEarthObject o(nullptr);
  o.Title = "Is\xC3\xB8";
  o.ID = 258;
  o.ZoomMin = 1;
  o.ZoomMax = 2;
  o.SetClosed(true);
  o.PresenterID = -3;
  Written w = NewWriter();
  o.WriteProperties(*w.writer);
  const Bytes expected = {0x83, 0x01, 3, 'I', 's', 0xF8, 2, 1, 0,    0,
                          1,    0,    0, 0,   2,   0,    0, 0, 0xFD, 0xFF};
  EXPECT_EQ(w.bytes(), expected);

  TEarthObject back(nullptr);
  back.Title = "kept?";
  auto r = NewReader(expected);
  back.ReadProperties(*r);
  EXPECT_EQ(back.Title, "Is\xC3\xB8");
  EXPECT_EQ(back.ID, 258);
  EXPECT_EQ(back.ZoomMin, 1);
  EXPECT_EQ(back.ZoomMax, 2);
  EXPECT_TRUE(back.GetClosed());
  EXPECT_EQ(back.PresenterID, -3);
  EXPECT_EQ(back.Flags.Word(), 0x0183);
}

TEST(ObjectHeader, AbsentFieldsKeepWhatTheyHeld) {
  TEarthObject o(nullptr);
  o.Title = "old";
  o.ID = 5;
  auto r = NewReader({0, 0, 0xFF, 0x7F});
  o.ReadProperties(*r);
  EXPECT_EQ(o.Title, "old");
  EXPECT_EQ(o.ID, 5);
  EXPECT_EQ(o.PresenterID, 32767);
  EXPECT_THROW(o.ReadProperties(*NewReader({1, 0, 9, 'x'})), EEarthException);
}

TEST(ObjectHeader, PresenterIDsBeyondSixteenBitsAreRefused) {
  TEarthObject o(nullptr);
  o.PresenterID = 70'000;
  Written w = NewWriter();
  EXPECT_THROW(o.WriteProperties(*w.writer), EEarthException);
  o.PresenterID = 32'768;
  EXPECT_THROW(o.WriteProperties(*w.writer), EEarthException);
  EXPECT_TRUE(w.bytes().empty());
  o.PresenterID = -32768;
  EXPECT_NO_THROW(o.WriteProperties(*w.writer));
}

// Objects in a source, which needs a map control.
using EarthObjectInSource = maptest::MapTest;

TEST_F(EarthObjectInSource, NewObjectHasAnUnsetCentroidAndJoinsItsSource) {
  RecordingSource source(map.get());
  auto* o = new TEarthObject(&source);
  EXPECT_EQ(o->GetCentroid(), (TPointLL{0, 0, CENTROID_UNSET_HEIGHT}));
  ASSERT_EQ(source.slots.size(), 1u);
  EXPECT_EQ(o->Index, 0);
  o->SetSelected(true);
  delete o;
  ASSERT_EQ(source.deleted.size(), 1u);
  EXPECT_EQ(source.deleted[0], o);
  // Deselected while its source could still hear it.
  EXPECT_EQ(source.notes.back(), osnRedraw);
  EXPECT_FALSE(source.states.back().Contains(osSelected));
}

TEST_F(EarthObjectInSource, SettersReachTheSourceOnlyOnChange) {
  RecordingSource source(map.get());
  TEarthObjectData record;
  source.slots.push_back(&record);
  TEarthObject o(&source);
  ASSERT_EQ(o.Index, 1);
  o.SetClosed(false);
  EXPECT_TRUE(source.notes.empty());
  o.SetClosed(true);
  EXPECT_TRUE(source.states.back().Contains(osClosed));
  o.SetSelected(true);
  EXPECT_EQ(source.notes,
            (std::vector<TObjectSourceNotification>{osnRedraw, osnSelectedChanged, osnRedraw}));
  o.SetHidden(true);
  EXPECT_TRUE(o.State.Contains(osRedraw));
  EXPECT_EQ(o.LLInObjectMER(PointLL(0, 0), 10), 0);  // hidden
  o.SetSelected(false);
  o.SetParent(nullptr);
  EXPECT_EQ(source.deleted.size(), 1u);
}

TEST(EarthObject, MERTestWrapsPastTheMeridian) {
  TEarthObject o(nullptr);
  o.SetCentroid(PointLL(179 * GU_DEGREE, 0));
  EXPECT_FALSE(o.State.Contains(osValidMER));
  EXPECT_EQ(o.GetObjectMER(), MER(179 * GU_DEGREE, 0, 0, 0));
  EXPECT_TRUE(o.State.Contains(osValidMER));
  const int32_t tol = 2 * GU_DEGREE;
  EXPECT_EQ(o.LLInObjectMER(PointLL(178 * GU_DEGREE, 0), tol), 2);
  EXPECT_EQ(o.LLInObjectMER(PointLL(180 * GU_DEGREE, 0), tol), 2) << "on the meridian itself";
  EXPECT_EQ(o.LLInObjectMER(PointLL(-179 * GU_DEGREE - 1, 0), tol), 1);
  EXPECT_EQ(o.LLInObjectMER(PointLL(-178 * GU_DEGREE, 0), tol), 0);
  EXPECT_EQ(o.LLInObjectMER(PointLL(178 * GU_DEGREE, 3 * GU_DEGREE), tol), 0);
  TEarthObject near(nullptr);
  near.SetCentroid(PointLL(0, 0));
  EXPECT_EQ(near.LLInObjectMER(PointLL(-5, 5), 10), 3);
  EXPECT_EQ(near.LLInObjectMER(PointLL(10, 0), 10), 0);
}

TEST(EarthObject, CloneCopiesTheHeaderFields) {
  TEarthObject o(nullptr);
  o.Title = "Buoy";
  o.ID = 9;
  o.PresenterID = 4;
  o.SetClosed(true);
  o.SetCentroid(PointLL(5, 6));
  std::unique_ptr<TEarthObject> copy(o.Clone());
  EXPECT_EQ(copy->Title, "Buoy");
  EXPECT_EQ(copy->ID, 9);
  EXPECT_EQ(copy->PresenterID, 4);
  EXPECT_TRUE(copy->GetClosed());
  EXPECT_EQ(copy->GetCentroid(), PointLL(5, 6));
  EXPECT_EQ(copy->ObjectInstanceSize(), o.ObjectInstanceSize());

  TEarthObjectData record;
  record.Assign(&o);
  EXPECT_EQ(record.ObjectMER, MER(5, 6, 0, 0));
  EXPECT_EQ(record.PresenterID, 4);
}

class NamedSettings : public TEarthENVPersistent {
 public:
  void LoadEnvironment(TEarthXML_Element* element) override {
    loaded = element ? element->AttributeByName("Name", "?") : "nil";
  }
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override {
    auto e = std::make_unique<TEarthXML_Element>();
    e->AddAttribute("Name", name);
    return e;
  }
  std::string name, loaded;
};

TEST(EnvironmentFiles, SaveAndLoadUnderTheClassName) {
  const TempDir dir("corv_map_env");
  const std::filesystem::path path = dir / "environment.xml";
  NamedSettings s;
  s.name = "a <b> & \"c\"";
  s.SaveEnvironmentToFile(path.string());
  NamedSettings t;
  t.LoadEnvironmentFromFile(path.string());
  EXPECT_EQ(t.loaded, s.name);
  std::filesystem::remove(path);
  t.LoadEnvironmentFromFile(path.string());  // missing file: nothing loaded
  EXPECT_EQ(t.loaded, s.name);
}

}  // namespace
