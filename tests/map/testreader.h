#pragma once
// A file reader for the tests, fuzz targets and benchmarks: its "data file" holds ten bytes an
// object, and each object is built on demand from a seed and its index, so that what a ".md"
// restores can be told from what a fresh load builds.
#include <memory>
#include <string>

#include "map/earthsource.h"
#include "map/earthobjects.h"

class TTestReader : public TEarthFileReader {
 public:
  static constexpr int32_t BytesPerObject = 10;

  TTestReader(TCustomEarthMap* globe, int32_t objects, uint32_t seed = 1)
      : TEarthFileReader(globe), objects_(objects), seed_(seed) {}

  bool MapDataObject(rtl::TStream& stream, int32_t index) override {
    if (index >= objects_) return false;
    stream.SetPosition(int64_t{index + 1} * BytesPerObject);
    return true;
  }

  // A polyline of 1 to 3 points one minute apart, in a row by index; every other one closed.
  TEarthObject* LoadObject(int32_t index, bool isNew) override {
    ++loads;
    lastLoadWasNew = isNew;
    auto* o = new TGeoDataObject(this);
    const int32_t lon = static_cast<int32_t>((index * 7919u + seed_) % 3000) * GU_MINUTE;
    const int32_t lat = static_cast<int32_t>((index * 104729u + seed_) % 1000) * GU_MINUTE;
    TPointStore* chain = o->Chains().GetChain(0);
    for (int32_t i = 0; i <= index % 3; ++i) chain->Add(PointLL(lon + i * GU_MINUTE, lat + i));
    o->Title = "Object " + std::to_string(index);
    o->ID = index + 1;
    o->State.Set(osClosed, index % 2 == 1);
    return o;
  }

  // The ".md" when it is sound, else a fresh mapping that writes one.
  bool InternalOpen() override {
    if (!ReadMetaDataFile(FileName)) {
      rtl::TMemoryStream data;
      data.SetSize(int64_t{objects_} * BytesPerObject);
      MapDataFile(data);
      WriteMetaDataFile(FileName);
    }
    return TEarthFileReader::InternalOpen();
  }

  int loads = 0;
  bool lastLoadWasNew = false;

 private:
  int32_t objects_;
  uint32_t seed_;
};
