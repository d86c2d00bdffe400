#include "map/readers/earthshpmapper.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "map/readers/earthdbfreader.h"
#include "map/readers/earthfilestamp.h"
#include "map/readers/earthfilewindow.h"
#include "map/earthcustommap.h"
#include "map/earthobjects.h"
#include "map/earthsettings.h"
#include "map/earthxml.h"
#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

namespace {

constexpr int64_t kHeaderSize = 100;

int32_t BigEndian32(const uint8_t* p) {
  return static_cast<int32_t>((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) |
                              (uint32_t{p[2]} << 8) | uint32_t{p[3]});
}

int32_t LittleEndian32(const uint8_t* p) {
  return static_cast<int32_t>((uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) |
                              (uint32_t{p[1]} << 8) | uint32_t{p[0]});
}

double LittleEndianDouble(const uint8_t* p) {
  uint64_t bits = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&bits, p, sizeof bits);
  } else {
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
  }
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// The plane shape a record type holds: Point 1, PolyLine 3, Polygon 5, MultiPoint 8; the Z
// (10 more) and M (20 more) types begin with the same layout. 0: no object (Null, MultiPatch).
int32_t PlaneShape(int32_t type) {
  if (type <= 0 || type > 28) return 0;
  const int32_t shape = type % 10;
  return shape == 1 || shape == 3 || shape == 5 || shape == 8 ? shape : 0;
}

}  // namespace

TEarthSHPReader::TEarthSHPReader(TCustomEarthMap* globe) : TEarthFileReader(globe) {}

// The base frees the slots; loaded objects hold nothing of the mapped stream.
TEarthSHPReader::~TEarthSHPReader() = default;

void TEarthSHPReader::Invalid() const {
  throw EEarthException("Invalid SHP file " + FileName);
}

TEarthSHPReader::Record TEarthSHPReader::ReadRecord(int64_t position, bool headOnly) const {
  const int64_t length = int64_t{BigEndian32(file_->Bytes(position, 8) + 4)} * 2;
  if (length < 4 || position + 8 + length > file_->Size()) Invalid();
  // The head: the type, the box (or a point's position) and the counts.
  const uint8_t* content =
      file_->Bytes(position + 8, headOnly ? std::min<int64_t>(length, 44) : length);
  const int32_t shape = PlaneShape(LittleEndian32(content));
  if (shape == 1) {
    if (length < 20) Invalid();
  } else if (shape == 8) {
    const int32_t points = length < 40 ? -1 : LittleEndian32(content + 36);
    if (points < 0 || 40 + int64_t{points} * 16 > length) Invalid();
  } else if (shape != 0) {
    const int32_t parts = length < 44 ? -1 : LittleEndian32(content + 36);
    const int32_t points = length < 44 ? -1 : LittleEndian32(content + 40);
    if (parts < 0 || points < 0 || 44 + int64_t{parts} * 4 + int64_t{points} * 16 > length) {
      Invalid();
    }
  }
  return {shape, length, content};
}

namespace {

// Longitudes in degrees run -180..180 or, in much Pacific data, 0..360: beyond 360 a value is
// no longitude (projected metres, or a divisor that does not fit the file).
constexpr double kLongitudeLimit = 360.0;

// Converts n stored points at xy into longitude and latitude pairs in globe units at out, each
// value first corrected (divided, then shifted) unless Plain; false when any lies off the globe
// (false for NaN), whose values are then not converted, as out of range that is undefined: the
// caller refuses the file. A longitude east of 180 degrees comes round to the west, as PointLL
// wraps it (Mod180). Where SSE2 is there, a point's two values at once with the same operations
// as DecimalToEarthUnitsInRange, for the usual run within +-180 degrees; a run with any value
// beyond is converted again one value at a time, so that the usual one pays nothing for wrapping.
template <bool Plain>
bool ConvertRun(const uint8_t* xy, int32_t n, int32_t* out, double xDivisor, double yDivisor,
                double xShift, double yShift) {
#if defined(__SSE2__)
  if constexpr (std::endian::native == std::endian::little) {
    const __m128d limit = _mm_set_pd(90.0, 180.0), sign = _mm_set1_pd(-0.0);
    const __m128d unit = _mm_set1_pd(static_cast<double>(GU_DEGREE));
    const __m128d round = _mm_set1_pd(6755399441055744.0);  // 1.5 * 2^52
    const __m128d divisor = _mm_set_pd(yDivisor, xDivisor), shift = _mm_set_pd(yShift, xShift);
    int beyond = 0;
    for (int32_t k = 0; k < n; ++k) {
      __m128d v = _mm_loadu_pd(reinterpret_cast<const double*>(xy + int64_t{k} * 16));
      if constexpr (!Plain) v = _mm_add_pd(_mm_div_pd(v, divisor), shift);
      const __m128d on = _mm_cmple_pd(_mm_andnot_pd(sign, v), limit);
      beyond |= _mm_movemask_pd(on) ^ 3;
      v = _mm_and_pd(v, on);
      v = _mm_sub_pd(_mm_add_pd(_mm_mul_pd(v, unit), round), round);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + int64_t{k} * 2), _mm_cvttpd_epi32(v));
    }
    if (beyond == 0) return true;
  }
#endif
  const auto value = [&](int64_t at, double divisor, double shift) {
    const double v = LittleEndianDouble(xy + at);
    return Plain ? v : v / divisor + shift;
  };
  for (int32_t k = 0; k < n; ++k) {
    const double lon = value(int64_t{k} * 16, xDivisor, xShift);
    const double lat = value(int64_t{k} * 16 + 8, yDivisor, yShift);
    if (!(std::fabs(lon) <= kLongitudeLimit && std::fabs(lat) <= 90.0)) return false;
    out[2 * k] = Mod180(DecimalToEarthUnitsInRange(lon));
    out[2 * k + 1] = DecimalToEarthUnitsInRange(lat);
  }
  return true;
}

}  // namespace

void TEarthSHPReader::ConvertPoints(const uint8_t* xy, int32_t n, int32_t* out) const {
  const bool plain =
      LongXDivisor == 1.0 && LatYDivisor == 1.0 && LongXShift == 0.0 && LatYShift == 0.0;
  const bool onGlobe =
      plain ? ConvertRun<true>(xy, n, out, 1.0, 1.0, 0.0, 0.0)
            : ConvertRun<false>(xy, n, out, LongXDivisor, LatYDivisor, LongXShift, LatYShift);
  // Projected coordinates (metres) or a zero divisor give no position on the globe.
  if (!onGlobe) Invalid();
}

bool TEarthSHPReader::MapDataHeader(rtl::TStream& stream) {
  stream.SetPosition(0);
  if (file_->Size() < kHeaderSize) Invalid();
  const uint8_t* data = file_->Bytes(0, kHeaderSize);
  if (BigEndian32(data) != 9994) Invalid();
  index_.clear();
  if (LittleEndian32(data + 28) != 1000) {
    throw EEarthException("Invalid SHP file version " + FileName);
  }
  next_ = kHeaderSize;
  records_ = 0;
  pendingSlot_ = -1;
  stream.SetPosition(kHeaderSize);
  return true;
}

bool TEarthSHPReader::MapDataObject(rtl::TStream& stream, int32_t index) {
  pendingSlot_ = -1;
  // Records are found by their content lengths; Null shapes take no slot but keep their number.
  // A record with an object is read whole, once: the object is built from these bytes.
  while (next_ + 8 <= file_->Size()) {
    const int64_t position = next_;
    const Record head = ReadRecord(position, true);
    next_ = position + 8 + head.length;
    ++records_;
    if (head.shape == 0) continue;
    index_.push_back({static_cast<int32_t>(position), records_});
    pending_ = ReadRecord(position, false);
    pendingSlot_ = index;
    stream.SetPosition(next_);
    return true;
  }
  return false;
}

bool TEarthSHPReader::MapDataRecord(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(index_.size())) return false;
  const Record record = index == pendingSlot_
                            ? pending_
                            : ReadRecord(index_[static_cast<size_t>(index)].position, true);
  const uint8_t* box = record.content + 4;  // a point's box is its position
  // No points (or no parts to hold them): no extent, whatever the box says.
  const bool empty =
      record.shape != 1 && (LittleEndian32(record.content + 36) == 0 ||
                            (record.shape != 8 && LittleEndian32(record.content + 40) == 0));
  int32_t west = 0, south = 0, east = 0, north = 0;
  if (!empty) {
    const uint8_t* high = record.shape == 1 ? box : box + 16;
    const double x1 = CorrectX(LittleEndianDouble(box)), x2 = CorrectX(LittleEndianDouble(high));
    const double y1 = CorrectY(LittleEndianDouble(box + 8)),
                 y2 = CorrectY(LittleEndianDouble(high + 8));
    // A box off the globe: a projected file, or one whose divisor or shift do not fit it.
    for (const double x : {x1, x2})
      if (!(std::fabs(x) <= kLongitudeLimit)) Invalid();
    for (const double y : {y1, y2})
      if (!(std::fabs(y) <= 90.0)) Invalid();
    // A negative divisor turns the box round; the conversion keeps the order of values.
    west = DecimalToEarthUnitsFast(std::min(x1, x2));
    east = DecimalToEarthUnitsFast(std::max(x1, x2));
    south = DecimalToEarthUnitsFast(std::min(y1, y2));
    north = DecimalToEarthUnitsFast(std::max(y1, y2));
  }
  // The MER starts where the box does, wrapped as the points are, and runs east from there, across
  // the date line for a box that crosses 180 degrees in a file of 0..360; a box of the whole
  // round (or more, in a file that mixes both ways) is the whole round.
  int64_t width = int64_t{east} - west;
  if (width >= GU_360DEGREE) {
    west = -GU_180DEGREE;
    width = GU_360DEGREE;
  } else {
    west = Mod180(west);
  }
  // A polygon this wide may cross the 180th meridian or go round a pole, which its plain extent
  // does not show: it reaches to the pole on the side of its middle, as its drawing closes it.
  if (record.shape == 5 && width > GU_180DEGREE) {
    if (int64_t{south} + north >= 0)
      north = GU_90DEGREE;
    else
      south = -GU_90DEGREE;
  }
  TEarthObjectData* data = GetObjectData(index);
  data->ObjectMER = MER(west, south, static_cast<int32_t>(width), north - south);
  data->State = TEarthObjectStateSet{osValidMER};
  if (record.shape == 5) data->State.Include(osClosed);
  // The object takes its MER and state from the record. One whose points are damaged stays a
  // record: asking for it raises, as drawing it would, and the file's other objects are served.
  if (index == pendingSlot_) {
    try {
      GetObject(index);
    } catch (const EEarthException&) {
    }
    pendingSlot_ = -1;
  }
  return true;
}

TEarthObject* TEarthSHPReader::LoadObject(int32_t index, bool /*isNew*/) {
  if (!file_ || index < 0 || index >= static_cast<int32_t>(index_.size())) return nullptr;
  const Entry& entry = index_[static_cast<size_t>(index)];
  // The points are checked here, as the object is built: a damaged record is refused now.
  const Record record = index == pendingSlot_ ? pending_ : ReadRecord(entry.position, false);
  if (record.shape == 0) Invalid();
  const uint8_t* content = record.content;
  std::unique_ptr<TGeoDataObject> object;
  if (record.shape == 1 || record.shape == 8) {
    const int32_t n = record.shape == 1 ? 1 : LittleEndian32(content + 36);
    const uint8_t* xy = content + (record.shape == 1 ? 4 : 40);
    object = TGeoDataObject::WithRoom(this, std::span(&n, 1));
    object->Chains().FillLL(std::span(&n, 1),
                            [&](int32_t, int32_t* out) { ConvertPoints(xy, n, out); });
  } else {
    const int32_t parts = LittleEndian32(content + 36);
    const int32_t points = LittleEndian32(content + 40);
    const uint8_t* starts = content + 44;
    const uint8_t* xy = starts + int64_t{parts} * 4;
    counts_.resize(static_cast<size_t>(parts));
    for (int32_t i = 0; i < parts; ++i) {
      const int32_t first = LittleEndian32(starts + i * 4);
      const int32_t end = i + 1 < parts ? LittleEndian32(starts + (i + 1) * 4) : points;
      // Parts start at the first point and follow each other within the points.
      if ((i == 0 && first != 0) || first < 0 || end < first || end > points) Invalid();
      counts_[static_cast<size_t>(i)] = end - first;
    }
    // The chains follow each other in their block as the parts do in the record.
    int64_t first = 0;
    object = TGeoDataObject::WithRoom(this, counts_);
    object->Chains().FillLL(counts_, [&](int32_t i, int32_t* out) {
      const int32_t n = counts_[static_cast<size_t>(i)];
      ConvertPoints(xy + first * 16, n, out);
      first += n;
    });
    object->State.Set(osClosed, record.shape == 5);
  }
  if (table_) {
    // The table is read only for a title column.
    if (titleColumn_ >= 0 && titleColumn_ < table_->FieldCount()) {
      table_->SetID(entry.record);
      object->Title = table_->GetString(titleColumn_);
    } else {
      object->Title = "New Object";
    }
    object->ID = entry.record;
  }
  return object.release();
}

bool TEarthSHPReader::InternalOpen() {
  if (FileName.empty() || !rtl::FileExists(FileName)) return false;
  Name = rtl::ExtractFileName(FileName);
  try {
    if (!GetFileStamp(FileName, stamp_)) return false;
    file_ = std::make_unique<TFileWindow>(FileName);
    // Record positions are kept in 32 bits.
    if (file_->Size() > std::numeric_limits<int32_t>::max()) Invalid();
    if (const std::string table = FindFileBeside(FileName, ".dbf"); !table.empty()) {
      table_ = std::make_unique<TEarthDBFReader>(table);
    }
    MapUnlessCached(*this, *file_);
  } catch (...) {
    Release();
    throw;
  }
  return TEarthFileReader::InternalOpen();
}

void TEarthSHPReader::Release() {
  pendingSlot_ = -1;
  SetCount(0);
  index_.clear();
  table_.reset();
  file_.reset();
}

bool TEarthSHPReader::InternalClose() {
  ReleaseSlots();
  Release();
  return TEarthFileReader::InternalClose();
}

void TEarthSHPReader::SetTitleColumn(int32_t column) {
  if (column == titleColumn_) return;
  titleColumn_ = column;
  UnloadObjects();
}

void TEarthSHPReader::WriteMetaData(TEarthStreamWriter& writer) {
  writer.WriteWord(kMetaDataMark);
  WriteFileStamp(writer, stamp_);
  TEarthFileReader::WriteMetaData(writer);
  writer.WriteDouble(LongXDivisor);
  writer.WriteDouble(LatYDivisor);
  writer.WriteDouble(LongXShift);
  writer.WriteDouble(LatYShift);
  writer.WriteInteger(titleColumn_);
  writer.WriteInteger(static_cast<int32_t>(index_.size()));
  for (const Entry& e : index_) {
    writer.WriteInteger(e.position);
    writer.WriteInteger(e.record);
  }
}

void TEarthSHPReader::ReadMetaData(TEarthStreamReader& reader) {
  if (reader.ReadWord() != kMetaDataMark) throw EEarthException("Metadata: not a shapefile's");
  // Only a cache of this very file: same size, same time to the nanosecond.
  if (!(ReadFileStamp(reader) == stamp_)) throw EEarthException("Metadata: stale");
  TEarthFileReader::ReadMetaData(reader);
  LongXDivisor = reader.ReadDouble();
  LatYDivisor = reader.ReadDouble();
  LongXShift = reader.ReadDouble();
  LatYShift = reader.ReadDouble();
  const int32_t column = reader.ReadInteger();
  if (titleColumn_ == -1) titleColumn_ = column;
  const int32_t count = reader.ReadInteger();
  if (count != GetCount()) throw EEarthException("Metadata: index and slots differ");
  std::vector<Entry> index(static_cast<size_t>(count));
  int64_t after = kHeaderSize;  // entries must follow each other in the file
  for (Entry& e : index) {
    e.position = reader.ReadInteger();
    e.record = reader.ReadInteger();
    if (e.position < after || e.position + 12 > stamp_.Size || e.record < 1) {
      throw EEarthException("Metadata: bad index entry");
    }
    const uint8_t* head = file_->Bytes(e.position, 12);
    const int64_t length = int64_t{BigEndian32(head + 4)} * 2;
    if (length < 4 || e.position + 8 + length > stamp_.Size ||
        PlaneShape(LittleEndian32(head + 8)) == 0) {
      throw EEarthException("Metadata: bad index entry");
    }
    after = e.position + 8 + length;
  }
  index_ = std::move(index);
}

void TEarthSHPReader::LoadEnvironment(TEarthXML_Element* element) {
  if (!element) return;
  LongXDivisor = static_cast<double>(SettingFloat(element, "LongXDivisor", LongXDivisor));
  LatYDivisor = static_cast<double>(SettingFloat(element, "LatYDivisor", LatYDivisor));
  LongXShift = static_cast<double>(SettingFloat(element, "LongXShift", LongXShift));
  LatYShift = static_cast<double>(SettingFloat(element, "LatYShift", LatYShift));
  SetTitleColumn(SettingInt(element, "TitleColumn", titleColumn_));
  TEarthFileReader::LoadEnvironment(element);
}

std::unique_ptr<TEarthXML_Element> TEarthSHPReader::SaveEnvironment() {
  auto element = TEarthFileReader::SaveEnvironment();
  element->AddAttribute("LongXDivisor", rtl::FloatToStr(LongXDivisor));
  element->AddAttribute("LatYDivisor", rtl::FloatToStr(LatYDivisor));
  element->AddAttribute("LongXShift", rtl::FloatToStr(LongXShift));
  element->AddAttribute("LatYShift", rtl::FloatToStr(LatYShift));
  element->AddAttribute("TitleColumn", std::to_string(titleColumn_));
  return element;
}

void RegisterSHPReader() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEarthClass<TEarthSHPReader>("TEarthSHPReader", [](TCustomEarthMap* g) -> rtl::TObject* {
      return new TEarthSHPReader(g);
    });
  });
}
