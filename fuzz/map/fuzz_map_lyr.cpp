// Layer files from arbitrary bytes: the first byte chooses whether the input is the ".lyr"
// itself or the ".md" beside a sound one (its file stamp patched in, so that the rest is read).
// The reader either refuses with its exception or serves every object.
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
#include "map/readers/earthlyrmapper.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "platform/rtl/exceptions.h"

namespace {

const std::string& Directory() {
  static const fuzzfiles::TWorkDirectory dir("corv_fuzz_map_lyr");
  return dir.Path();
}

// A polygon presenter and two areas.
void WriteSoundFile(TCustomEarthMap& map, const std::string& path) {
  TEarthStreamWriter w(std::make_unique<rtl::TFileStream>(path, rtl::fmCreate));
  giFileVersion = 0x0405;
  w.WriteSmallInt(0x0405);
  w.WriteMER(TMER{});
  w.WriteInteger(1);
  w.WriteShortString("TPolygonPresenter");
  TPolygonPresenter(&map, 1).WriteProperties(w);
  TEarthObjectSource source(&map);
  w.WriteInteger(2);
  w.WriteShortString("TGeoDataObject");
  for (int i = 0; i < 2; ++i) {
    TGeoDataObject o(nullptr);
    for (int p = 0; p < 4; ++p) o.Chains().GetChain(0)->Add(PointLL(p * GU_MINUTE, i * GU_DEGREE));
    o.PresenterID = 1;
    o.Title = "Area";
    o.WriteProperties(w);
  }
  w.WriteInteger(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool cache = data[0] % 2 == 1;
  ++data;
  --size;
  TTestEarthMap& map = fuzzmap::Map();
  const std::string lyr = Directory() + "/f.lyr";
  std::remove((lyr + ".md").c_str());
  if (!cache) {
    map.SaveMetaDataLocation = smdDiscard;
    fuzzfiles::Write(lyr, data, size);
  } else {
    map.SaveMetaDataLocation = smdWithDataFile;
    WriteSoundFile(map, lyr);
    fuzzfiles::WriteStampedMetaData(lyr, data, size);
  }
  TEarthLYRReader reader(&map);
  reader.FileName = lyr;  // the fuzz map resolves no name
  try {
    reader.SetActive(true);
  } catch (const rtl::Exception&) {
    if (cache) std::abort();  // a broken cache is no reason to refuse the sound file
    return 0;
  }
  // A forged cache (its stamp right, its positions inside records) may still point an object
  // at the wrong bytes: such a load fails with the reader's exception, no worse.
  try {
    for (int32_t i = 0; i < reader.GetCount(); ++i) reader.GetObject(i);
  } catch (const rtl::Exception&) {
  }
  reader.SetActive(false);
  return 0;
}
