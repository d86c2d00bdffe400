// Shapefiles from arbitrary bytes: the first byte chooses what the input is, the ".shp" itself,
// the ".md" cache beside a sound ".shp", or the ".dbf" beside it. The reader either refuses the
// file, or a damaged record when its object is built, with its exception; all else is served.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/map/fuzzfiles.h"
#include "fuzz/map/fuzzmap.h"
#include "map/readers/earthdbfreader.h"
#include "map/readers/earthshpmapper.h"
#include "platform/rtl/exceptions.h"

namespace {

void PutBig(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (24 - 8 * i));
}
void AddLittle(std::vector<uint8_t>& b, int32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}
void AddDouble(std::vector<uint8_t>& b, double d) {
  uint8_t bytes[8];
  std::memcpy(bytes, &d, 8);
  b.insert(b.end(), bytes, bytes + 8);
}
void AddRecord(std::vector<uint8_t>& b, int32_t number, const std::vector<uint8_t>& content) {
  const size_t at = b.size();
  b.resize(at + 8);
  PutBig(b, at, number);
  PutBig(b, at + 4, static_cast<int32_t>(content.size() / 2));
  b.insert(b.end(), content.begin(), content.end());
}

// A polygon of two rings, a Null shape and a point.
std::vector<uint8_t> SoundShapefile() {
  std::vector<uint8_t> b(100, 0);
  PutBig(b, 0, 9994);
  b[28] = 0xE8;
  b[29] = 0x03;  // version 1000
  b[32] = 5;
  std::vector<uint8_t> polygon;
  AddLittle(polygon, 5);
  for (double d : {0.0, 0.0, 10.0, 10.0}) AddDouble(polygon, d);
  AddLittle(polygon, 2);
  AddLittle(polygon, 8);
  AddLittle(polygon, 0);
  AddLittle(polygon, 4);
  for (double d :
       {0.0, 0.0, 10.0, 0.0, 10.0, 10.0, 0.0, 0.0, 1.0, 1.0, 2.0, 1.0, 2.0, 2.0, 1.0, 1.0})
    AddDouble(polygon, d);
  AddRecord(b, 1, polygon);
  std::vector<uint8_t> null;
  AddLittle(null, 0);
  AddRecord(b, 2, null);
  std::vector<uint8_t> point;
  AddLittle(point, 1);
  AddDouble(point, -170.5);
  AddDouble(point, 45.25);
  AddRecord(b, 3, point);
  PutBig(b, 24, static_cast<int32_t>(b.size() / 2));
  return b;
}

const std::string& Directory() {
  static const fuzzfiles::TWorkDirectory dir("corv_fuzz_map_shp");
  return dir.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int mode = data[0] % 3;
  ++data;
  --size;
  TTestEarthMap& map = fuzzmap::Map();
  const std::string shp = Directory() + "/f.shp";
  std::remove((shp + ".md").c_str());
  std::remove((Directory() + "/f.dbf").c_str());
  if (mode == 0) {
    map.SaveMetaDataLocation = smdDiscard;
    fuzzfiles::Write(shp, data, size);
  } else {
    map.SaveMetaDataLocation = smdWithDataFile;
    const std::vector<uint8_t> sound = SoundShapefile();
    fuzzfiles::Write(shp, sound.data(), sound.size());
    if (mode == 1) {
      fuzzfiles::WriteStampedMetaData(shp, data, size);
    } else {
      fuzzfiles::Write(Directory() + "/f.dbf", data, size);
    }
  }
  TEarthSHPReader reader(&map);
  reader.FileName = shp;  // the fuzz map resolves no name
  reader.SetTitleColumn(0);
  try {
    reader.SetActive(true);
  } catch (const EEarthException&) {
    if (mode == 1) std::abort();  // a broken cache is no reason to refuse the sound file
    return 0;
  } catch (const EDBFException&) {
    return 0;
  } catch (const rtl::EStreamError&) {
    return 0;
  }
  // Opening checks each record's head and box only: a record damaged beyond them, or a forged
  // cache (its stamp right, an entry on bytes inside a record that look like a header), fails
  // the object's load with the reader's exception.
  try {
    fuzzmap::ServeEvery(reader);
    if (mode == 2 && reader.GetCount() != 2) std::abort();  // a sound file is read whole
  } catch (const EEarthException&) {
    if (mode == 2) std::abort();  // the sound file's objects all load
  } catch (const EDBFException&) {
  }
  reader.SetActive(false);
  return 0;
}
