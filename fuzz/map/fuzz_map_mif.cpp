// MapInfo interchange files from arbitrary bytes: the first byte chooses what the input is, the
// ".mif" itself, the ".md" cache beside a sound ".mif" and ".mid", or the ".mid" beside a sound
// ".mif"; the next bit whether the reader is closed or freed open. The reader either refuses the
// file with its exception or serves every object.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/map/fuzzfiles.h"
#include "fuzz/map/fuzzmap.h"
#include "map/readers/earthmifmapper.h"
#include "platform/rtl/exceptions.h"

namespace {

// A text, a point, a region with a hole, a polyline of two sections and an arc not shown.
constexpr char kSoundMIF[] =
    "Version 300\nDelimiter \",\"\nCoordSys Earth Projection 1, 104\nColumns 2\n"
    "  NAME Char(20)\n  NUM Integer\nData\n"
    "Text \"Hello\"\n  -4.5 48.25 -4.4 48.3\n  Font (\"Arial\",0,0,16711680)\n"
    "Point 12.5 55.75\n  Symbol (35,0,12)\n"
    "Region 2\n  4\n0 0\n10 0\n10 10\n0 0\n  4\n2 2\n2 4\n4 4\n2 2\n"
    "  Pen (1,2,0)\n  Brush (70,65280)\n"
    "Arc 0 0 1 1\n  0 90\n"
    "PLINE MULTIPLE 2\n  2\n0 0\n1 1\n  2\n179.5 -16\n-179.5 -16\n  Pen (2,2,16711680)\n";
constexpr char kSoundMID[] = "\"Label\",1\n\"Sj\xF6\",2\n\"Holed\",3\n\"Arc\",4\n\"Twin\",5\n";

const std::string& Directory() {
  static const fuzzfiles::TWorkDirectory dir("corv_fuzz_map_mif");
  return dir.Path();
}

void WriteText(const std::string& path, const char* text, size_t size) {
  fuzzfiles::Write(path, reinterpret_cast<const uint8_t*>(text), size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int mode = data[0] % 3;
  const bool close = data[0] / 3 % 2 == 0;
  ++data;
  --size;
  TTestEarthMap& map = fuzzmap::Map();
  const std::string mif = Directory() + "/f.mif";
  const std::string mid = Directory() + "/f.mid";
  std::remove((mif + ".md").c_str());
  std::remove(mid.c_str());
  if (mode == 0) {
    map.SaveMetaDataLocation = smdDiscard;
    fuzzfiles::Write(mif, data, size);
  } else {
    map.SaveMetaDataLocation = smdWithDataFile;
    WriteText(mif, kSoundMIF, sizeof kSoundMIF - 1);
    if (mode == 1) {
      WriteText(mid, kSoundMID, sizeof kSoundMID - 1);
      fuzzfiles::WriteStampedMetaData(mif, data, size, mid);
    } else {
      fuzzfiles::Write(mid, data, size);
    }
  }
  TEarthMIFReader reader(&map);
  reader.FileName = mif;  // the fuzz map resolves no name
  try {
    reader.SetActive(true);
  } catch (const EEarthException& e) {
    // Neither a broken cache nor odd attribute lines refuse a sound ".mif".
    if (mode != 0) {
      std::fprintf(stderr, "refused: %s\n", e.what());
      std::abort();
    }
    return 0;
  } catch (const rtl::EStreamError&) {
    return 0;
  }
  // A forged cache (its stamps right) may still point an object at the wrong line: such a load
  // fails with the reader's exception.
  try {
    fuzzmap::ServeEvery(reader);
    if (mode == 2 && reader.GetCount() != 4) std::abort();  // a sound file is read whole
  } catch (const EEarthException&) {
    if (mode != 1) std::abort();  // mapping loaded every object once already
  }
  if (close) reader.SetActive(false);  // else freed open, which writes the cache again
  return 0;
}
