// Writes the chart bitmap "wad.bmp": a 256-colour picture of the Waddenzee between Vlieland,
// Terschelling and Harlingen on the very grid the main window lays it on (2222 x 3164 cells of
// 510 by 341 globe units from 5.15 E, 53.36 N): water and land from a land mask, the shoreline
// over them and a graticule line at every whole minute. makechart.sh makes the inputs.
//   makechart region                    prints the grid for gmt: W/E/S/N columns rows wider-W/E/S/N
//   makechart mask.bil shore.shp out.bmp
// mask.bil: the mask as ESRI .hdr-labelled bytes, north row first, 0 water and 1 land.
// shore.shp: the shoreline as lines (a shapefile in degrees).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include "map/earthlayer.h"
#include "map/earthmap.h"
#include "map/earthobjects.h"
#include "map/readers/earthshpmapper.h"
#include "platform/gdi/image.h"
#include "platform/win/system.h"

namespace {

// The grid: corner and cell size as the main window computes them, in globe units.
constexpr int32_t kHundredth = GU_DEGREE / 100;
constexpr int32_t kWest = 515 * kHundredth;    // 5.15 E
constexpr int32_t kNorth = 5336 * kHundredth;  // 53.36 N
constexpr int kColumns = 2222;
constexpr int kRows = 3164;
constexpr int32_t kCellX = (536 * kHundredth - kWest) / kColumns;  // 510
constexpr int32_t kCellY = (kNorth - 5316 * kHundredth) / kRows;   // 341
constexpr int32_t kEast = kWest + kColumns * kCellX;
constexpr int32_t kSouth = kNorth - kRows * kCellY;

enum Colour : uint8_t { kWater, kLand, kShore, kGraticule };

double Degrees(int64_t units) {
  return double(units) / GU_DEGREE;
}

void PrintRegion() {
  // The shoreline is cut from a wider box: gmt closes cut polygons along the box's edges, and
  // those edges must fall outside the picture.
  const int64_t margin = 3 * GU_MINUTE;
  std::printf("%.15g/%.15g/%.15g/%.15g %d %d %.15g/%.15g/%.15g/%.15g\n", Degrees(kWest),
              Degrees(kEast), Degrees(kSouth), Degrees(kNorth), kColumns, kRows,
              Degrees(kWest - margin), Degrees(kEast + margin), Degrees(kSouth - margin),
              Degrees(kNorth + margin));
}

// The .hdr beside a .bil: upper-case keys and their values.
std::map<std::string, std::string> ReadHeader(const std::string& bil) {
  const std::string name = bil.substr(0, bil.rfind('.')) + ".hdr";
  std::ifstream in(name);
  if (!in) throw std::runtime_error("cannot open " + name);
  std::map<std::string, std::string> keys;
  std::string key, value;
  while (in >> key >> value) {
    std::transform(key.begin(), key.end(), key.begin(), ::toupper);
    keys[key] = value;
  }
  return keys;
}

// The mask as DIB rows (bottom row first) of water and land, refused unless it lies on the grid.
gdi::DibImage ReadMask(const std::string& bil) {
  auto keys = ReadHeader(bil);
  const auto number = [&keys](const char* key) { return std::stod(keys.at(key)); };
  const auto near = [](double a, double b) { return std::fabs(a - b) < 1e-9; };
  if (number("NCOLS") != kColumns || number("NROWS") != kRows || number("NBITS") != 8 ||
      number("NBANDS") != 1 || !near(number("XDIM"), Degrees(kCellX)) ||
      !near(number("YDIM"), Degrees(kCellY)) ||
      !near(number("ULXMAP"), Degrees(kWest) + Degrees(kCellX) / 2) ||
      !near(number("ULYMAP"), Degrees(kNorth) - Degrees(kCellY) / 2))
    throw std::runtime_error(bil + " is not on the chart's grid");
  const auto bytes = gdi::ReadWholeFile(bil);
  if (bytes.size() != size_t(kColumns) * kRows) throw std::runtime_error(bil + " is short");

  gdi::DibImage img;
  img.width = kColumns;
  img.height = kRows;
  img.bitCount = 8;
  img.palette.assign(256, gdi::RGBQUAD{});
  img.palette[kWater] = {0xF0, 0xE0, 0xC0, 0};      // pale blue
  img.palette[kLand] = {0x90, 0xD8, 0xF0, 0};       // sand
  img.palette[kShore] = {0x20, 0x30, 0x40, 0};      // dark brown
  img.palette[kGraticule] = {0xA0, 0x80, 0x70, 0};  // grey blue
  img.bits.assign(size_t(img.Stride()) * kRows, kWater);
  for (int y = 0; y < kRows; ++y) {
    uint8_t* row = img.bits.data() + size_t(kRows - 1 - y) * size_t(img.Stride());
    for (int x = 0; x < kColumns; ++x)
      row[x] = bytes[size_t(y) * kColumns + size_t(x)] ? kLand : kWater;
  }
  return img;
}

void Put(gdi::DibImage& img, int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= kColumns || y >= kRows) return;
  img.bits[size_t(kRows - 1 - y) * size_t(img.Stride()) + size_t(x)] = c;
}

// Lines are three cells wide, centred on the cell the line passes: the map draws the picture a
// screen pixel from the nearest cell, and a line one cell wide would come and go on a chart
// shown at a third of its size.
void PutWide(gdi::DibImage& img, int x, int y, Colour c) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) Put(img, x + dx, y + dy, c);
}

// Column (or row) of the cell holding a position, as a fraction.
double CellX(int32_t longitude) {
  return double(int64_t(longitude) - kWest) / kCellX;
}
double CellY(int32_t latitude) {
  return double(kNorth - int64_t(latitude)) / kCellY;
}

// A line through the cells holding whole minutes of longitude or latitude.
void DrawGraticule(gdi::DibImage& img) {
  for (int64_t m = (kWest + GU_MINUTE - 1) / GU_MINUTE; m * GU_MINUTE < kEast; ++m) {
    const int x = int(std::floor(CellX(int32_t(m * GU_MINUTE))));
    for (int y = 0; y < kRows; ++y) PutWide(img, x, y, kGraticule);
  }
  for (int64_t m = kSouth / GU_MINUTE + 1; m * GU_MINUTE <= kNorth; ++m) {
    const int y = int(std::floor(CellY(int32_t(m * GU_MINUTE))));
    for (int x = 0; x < kColumns; ++x) PutWide(img, x, y, kGraticule);
  }
}

// Marks the cells a segment passes through, sampled at a quarter cell.
void DrawSegment(gdi::DibImage& img, const TPointLL& a, const TPointLL& b) {
  const double x0 = CellX(a.iLongX), y0 = CellY(a.iLatY);
  const double x1 = CellX(b.iLongX), y1 = CellY(b.iLatY);
  const bool outside = (x0 < 0 && x1 < 0) || (y0 < 0 && y1 < 0) ||
                       (x0 >= kColumns && x1 >= kColumns) || (y0 >= kRows && y1 >= kRows);
  if (outside) return;
  const int steps = 1 + int(std::ceil(4 * std::max(std::fabs(x1 - x0), std::fabs(y1 - y0))));
  for (int i = 0; i <= steps; ++i) {
    const double t = double(i) / steps;
    PutWide(img, int(std::floor(x0 + t * (x1 - x0))), int(std::floor(y0 + t * (y1 - y0))), kShore);
  }
}

// Draws the shoreline lines of the shapefile, read with the map's own reader.
int DrawShoreline(gdi::DibImage& img, const std::string& shp) {
  win::Initialize();
  TEarthMap map(nullptr);
  map.SaveMetaDataLocation = smdDiscard;
  auto* layer = new TEarthLayer(&map);
  auto* reader = new TEarthSHPReader(&map);
  reader->SetFileName(shp);
  layer->SetObjects(reader);
  reader->Open();
  if (!reader->Active()) throw std::runtime_error("cannot open " + shp);
  int points = 0;
  for (int32_t i = 0; i < reader->GetCount(); ++i) {
    auto* line = dynamic_cast<TGeoDataObject*>(reader->GetObject(i));
    if (!line) continue;
    for (int32_t c = 0; c < line->Chains().GetCount(); ++c) {
      const TPointStore* chain = line->Chains().GetChain(c);
      for (int32_t p = 1; p < chain->GetCount(); ++p)
        DrawSegment(img, chain->GetLL(p - 1), chain->GetLL(p));
      points += chain->GetCount();
    }
  }
  return points;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "region") {
    PrintRegion();
    return 0;
  }
  if (argc != 4) {
    std::fprintf(stderr, "usage: makechart region | makechart mask.bil shore.shp out.bmp\n");
    return 2;
  }
  try {
    gdi::DibImage img = ReadMask(argv[1]);
    DrawGraticule(img);
    const int points = DrawShoreline(img, argv[2]);
    gdi::SaveBmpFile(argv[3], img);
    size_t land = 0;
    for (uint8_t v : img.bits) land += v == kLand;
    std::printf("%d x %d, %zu land cells, %d shoreline points\n", kColumns, kRows, land, points);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "makechart: %s\n", e.what());
    return 1;
  }
}
