#include "map/readers/earthmifmapper.h"
#include "map/readers/earthfilestamp.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <mutex>

#include "map/earthcustommap.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "map/readers/earthtextreader.h"
#include "map/earthxml.h"
#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

namespace {

// One text box degree of height in metres (a minute of latitude is a nautical mile).
constexpr double kMetresPerDegree = 1852.0 * 60.0;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// The pieces of text between delimiters; the rest after the last one only when not empty.
std::vector<std::string> Split(const std::string& text, char delimiter) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (size_t at; (at = text.find(delimiter, start)) != std::string::npos; start = at + 1) {
    pieces.push_back(text.substr(start, at - start));
  }
  if (start < text.size() || pieces.empty()) pieces.push_back(text.substr(start));
  return pieces;
}

// A clause line "Name (a,b,c)": its lower-case name and the items inside the parentheses, also
// when the name touches the parenthesis or blanks stand between the items.
std::string ClauseName(const std::string& line) {
  const std::string t = Trim(line);
  size_t n = 0;
  while (n < t.size() && std::isalpha(static_cast<unsigned char>(t[n]))) ++n;
  return Lower(t.substr(0, n));
}

std::vector<std::string> ClauseItems(const std::string& line) {
  const size_t open = line.find('(');
  const size_t close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return {};
  std::vector<std::string> items = Split(line.substr(open + 1, close - open - 1), ',');
  for (std::string& item : items) item = Trim(item);
  return items;
}

// Item i of a clause as an integer; 0 when the clause has no such item.
int32_t Item(const std::vector<std::string>& items, size_t i) {
  int value = 0;
  if (i < items.size() && !rtl::TryStrToInt(items[i], value)) {
    throw EEarthException("Invalid MIF clause item " + items[i]);
  }
  return value;
}

std::string Unquoted(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c != '"') out += c;
  }
  return out;
}

// Field n of a ".mid" line: delimited, a field in double quotes may hold the delimiter and
// doubled quotes.
std::string MIDField(const std::string& line, char delimiter, int32_t n) {
  std::string field;
  int32_t index = 0;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        if (index == n) field += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        if (index == n) field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == delimiter) {
      if (index++ == n) return field;
    } else if (index == n) {
      field += c;
    }
  }
  return field;
}

}  // namespace

gdi::TColor MIFToColor(int32_t mifColor) {
  const auto c = static_cast<uint32_t>(mifColor) & 0xFFFFFFu;
  return gdi::TColor(((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16));
}

TEarthPenStyle MIFToPenStyle(int32_t pattern) {
  if (pattern == 1) return psClear;
  if (pattern >= 3 && pattern <= 9) return psDash;
  if (pattern >= 10 && pattern <= 13) return psDot;
  if (pattern >= 14 && pattern <= 16) return psDashDot;
  if (pattern >= 20 && pattern <= 25) return psDashDotDot;
  if (pattern >= 71 && pattern <= 77) return psInsideFrame;
  return psSolid;
}

TEarthBrushStyle MIFToBrushStyle(int32_t pattern) {
  static constexpr std::array<uint8_t, 69> kStyles = {
      0,  1,  0,  2,  3,  5,  4,  6,  7,  8,  39, 33, 36, 40, 8,  42, 2,  10, 11, 12, 13, 3,  15,
      16, 17, 18, 4,  20, 21, 22, 23, 5,  25, 26, 27, 28, 6,  30, 31, 32, 33, 34, 35, 36, 37, 38,
      39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 53, 52, 51, 57};
  if (pattern < 0 || pattern >= static_cast<int32_t>(kStyles.size())) return bsSolid;
  return static_cast<TEarthBrushStyle>(kStyles[static_cast<size_t>(pattern)]);
}

TEarthMIFReader::TEarthMIFReader(TCustomEarthMap* globe) : TEarthFileReader(globe) {}

// A reader freed open (its layer deleted, the layers cleared at exit) writes its cache again, as
// its close does; here, while the reader is whole, as the base's destructor reaches only the base
// close. Only that part of the close: the rest is what freeing does anyway, and calls on the map,
// which may itself be half gone by now.
TEarthMIFReader::~TEarthMIFReader() {
  if (Active()) SaveMetaData();
}

void TEarthMIFReader::Invalid(const std::string& why) const {
  throw EEarthException("Invalid MIF file " + FileName + ": " + why);
}

bool TEarthMIFReader::ReadMIFLine() {
  while (!mif_->Eof()) {
    mif_->ReadLn(line_);
    linePosition_ = mif_->LinePosition();
    if (!Trim(line_).empty()) return true;
  }
  line_.clear();
  return false;
}

bool TEarthMIFReader::ReadMIDLine() {
  midLine_.clear();
  if (!mid_ || mid_->Eof()) return false;
  mid_->ReadLn(midLine_);
  return true;
}

std::string TEarthMIFReader::Word(int32_t n) const {
  size_t i = 0;
  for (;;) {
    while (i < line_.size() && IsBlank(line_[i])) ++i;
    if (i >= line_.size()) return {};
    const size_t start = i;
    while (i < line_.size() && !IsBlank(line_[i])) ++i;
    if (n-- == 0) return line_.substr(start, i - start);
  }
}

TEarthMIFReader::Kind TEarthMIFReader::LineKind() const {
  const std::string w = Lower(Word(0));
  if (w == "point") return Kind::Point;
  if (w == "line") return Kind::Line;
  if (w == "pline") return Kind::PLine;
  if (w == "region") return Kind::Region;
  if (w == "text") return Kind::Text;
  if (w == "collection") return Kind::Collection;
  if (w == "none" || w == "multipoint" || w == "arc" || w == "rect" || w == "roundrect" ||
      w == "ellipse") {
    return Kind::Other;
  }
  return Kind::None;
}

int32_t TEarthMIFReader::Count(const std::string& word) const {
  int n = 0;
  // Every point takes a line of at least four bytes: more than the file holds is a lie.
  if (!rtl::TryStrToInt(word, n) || n < 0 || n > mif_->GetSize() / 4 + 1) {
    Invalid("count " + word);
  }
  return n;
}

TPointLL TEarthMIFReader::LLPoint(const std::string& lon, const std::string& lat) const {
  const double x = static_cast<double>(StrToExtended(lon));
  const double y = static_cast<double>(StrToExtended(lat));
  // Longitudes may run past the date line a little; anything else is no position on the globe.
  if (!(std::fabs(x) <= 360.0 && std::fabs(y) <= 90.0)) Invalid("position " + lon + " " + lat);
  return PointLL(DecimalToEarthUnitsFast(x), DecimalToEarthUnitsFast(y));
}

TPointLL TEarthMIFReader::LLPointFromLine() {
  if (!ReadMIFLine()) Invalid("ends inside an object");
  return LLPoint(Word(0), Word(1));
}

int32_t TEarthMIFReader::CountAt(int32_t n) {
  if (std::string word = Word(n); !word.empty()) return Count(word);
  if (!ReadMIFLine()) Invalid("ends inside an object");
  return Count(Word(0));
}

void TEarthMIFReader::ReadPoints(TPointStore& chain, int32_t points) {
  chain.SetCount(points);
  for (int32_t i = 0; i < points; ++i) chain.PutLL(i, LLPointFromLine());
}

void TEarthMIFReader::ReadChains(TGeoDataObject& object, int32_t chains) {
  for (int32_t c = 0; c < chains; ++c) {
    if (!ReadMIFLine()) Invalid("ends inside an object");
    ReadPoints(*object.Chains().GetChain(c), Count(Word(0)));
  }
}

void TEarthMIFReader::ResetAttributes() {
  // Each object starts from MapInfo's defaults, so that its look does not hang on which object
  // happened to be read before it.
  pen_.Define(gdi::TColor(0), psSolid, 1, TEarthUnitTypes::Pixel);
  brush_.Define(gdi::TColor(0xFFFFFF), bsSolid);
  brush_.SetBrushBkColor(gdi::TColor(0xFFFFFF));
  symbolFont_.Define("Arial", gdi::TColor(0), 12, TEarthUnitTypes::Pixel, 0, {});
  textFont_.Define("Arial", gdi::TColor(0), 12, TEarthUnitTypes::Pixel, 0, {});
  textHeight_ = 0;
}

void TEarthMIFReader::ReadStyles() {
  while (ReadMIFLine()) {
    const std::string name = ClauseName(line_);
    if (name == "pen") {
      const std::vector<std::string> items = ClauseItems(line_);
      int width = 1;
      if (items.empty() || !rtl::TryStrToInt(items[0], width)) width = 1;
      pen_.Define(MIFToColor(Item(items, 2)), MIFToPenStyle(Item(items, 1)), width,
                  TEarthUnitTypes::Pixel);
    } else if (name == "brush") {
      const std::vector<std::string> items = ClauseItems(line_);
      brush_.Define(MIFToColor(Item(items, 1)), MIFToBrushStyle(Item(items, 0)));
      if (items.size() > 2) brush_.SetBrushBkColor(MIFToColor(Item(items, 2)));
    } else if (name == "font") {
      const std::vector<std::string> items = ClauseItems(line_);
      textFont_.Define(Unquoted(items.empty() ? std::string() : items[0]),
                       MIFToColor(Item(items, 3)), Item(items, 2), TEarthUnitTypes::Pixel, 0, {});
    } else if (name == "angle") {
      const double angle = static_cast<double>(StrToExtendedDef(Word(1), 0));
      textFont_.SetFontAngle(static_cast<int32_t>(std::lround(std::fmod(angle, 360.0) * 10)));
    } else if (name != "symbol" && name != "smooth" && name != "center" && name != "spacing" &&
               name != "justify" && name != "label" && name != "parallel") {
      return;  // the next object's line, or whatever follows
    }
  }
}

std::string TEarthMIFReader::MIDTitle() const {
  const char delimiter = MIDDelimiter.empty() ? '\t' : MIDDelimiter[0];
  if (titleColumn_ < 0 || titleColumn_ >= static_cast<int32_t>(MIDColumnNames.size())) {
    return midLine_;
  }
  return MIDField(midLine_, delimiter, titleColumn_);
}

int32_t TEarthMIFReader::PointPresenter(bool withTitleFont) {
  TEarthPresenterStore& store = *Presenters();
  if (int32_t id = TPointPresenter::FindMatch(store, &pen_, &brush_, &symbolFont_,
                                              withTitleFont ? &textFont_ : nullptr, ppCircle,
                                              TEarthUnitTypes::Pixel, 6, "")) {
    return id;
  }
  auto presenter = std::make_unique<TPointPresenter>(Globe(), 0);
  presenter->PointPen()->Assign(&pen_);
  presenter->PointBrush()->Assign(&brush_);
  presenter->PointFont()->Assign(&symbolFont_);
  presenter->TitleFont()->Assign(&textFont_);
  std::unique_ptr<TEarthPresenter> base = std::move(presenter);
  return store.Add(base);
}

int32_t TEarthMIFReader::PolyPresenter(const std::string& className, bool withBrush) {
  TEarthPresenterStore& store = *Presenters();
  const TEarthBrush* brush = withBrush ? &brush_ : nullptr;
  if (int32_t id = TPolyPresenter::FindMatch(className, store, &pen_, brush, nullptr)) return id;
  std::unique_ptr<TPolyPresenter> presenter;
  if (className == "TPolygonPresenter") {
    presenter = std::make_unique<TPolygonPresenter>(Globe(), 0);
  } else {
    presenter = std::make_unique<TPolylinePresenter>(Globe(), 0);
  }
  presenter->PolyPen()->Assign(&pen_);
  if (brush) presenter->PolyBrush()->Assign(brush);
  std::unique_ptr<TEarthPresenter> base = std::move(presenter);
  return store.Add(base);
}

bool TEarthMIFReader::MapDataHeader(rtl::TStream& /*stream*/) {
  MIDDelimiter = "\t";
  MIFCoordSys.clear();
  MIDColumnNames.clear();
  index_.clear();
  collectionParts_ = 0;
  mif_->SetTextBufferSize(16384);
  bool columns = false;
  while (ReadMIFLine()) {
    const std::string word = Lower(Word(0));
    if (word == "data") break;
    if (word == "version") {
      version_ = rtl::StrToIntDef(Word(1), 0);
    } else if (word == "delimiter") {
      const std::string d = Word(1);
      MIDDelimiter = d.size() >= 3 ? d.substr(1, 1) : "\t";
    } else if (word == "coordsys") {
      MIFCoordSys = Trim(line_);
    } else if (word == "columns") {
      columns = true;
    } else if (columns) {
      MIDColumnNames.push_back(Word(0) + "=" + Word(1));
    }
  }
  // Without a CoordSys clause a MIF file holds longitude and latitude.
  if (!MIFCoordSys.empty()) {
    const std::string kept = line_;
    line_ = MIFCoordSys;
    const bool earth =
        Lower(Word(1)) == "earth" && Lower(Word(2)) == "projection" && Word(3).rfind("1,", 0) == 0;
    line_ = kept;
    if (!earth) throw EEarthException("MIF Import only supports Lat/Long tables.");
  }
  if (mid_) mid_->SetPosition(0);
  return true;
}

bool TEarthMIFReader::MapDataObject(rtl::TStream& /*stream*/, int32_t /*index*/) {
  for (;;) {
    const Kind kind = LineKind();
    if (kind == Kind::None) {
      if (!ReadMIFLine()) return false;
      continue;
    }
    if (collectionParts_ > 0) {
      // The parts of a collection share its attribute line.
      --collectionParts_;
      if (kind == Kind::Region || kind == Kind::PLine) {
        index_.push_back({collectionMID_, static_cast<int32_t>(linePosition_)});
        return true;
      }
    } else if (kind == Kind::Collection) {
      collectionParts_ = Count(Word(1));
      collectionMID_ = mid_ ? static_cast<int32_t>(mid_->GetPosition()) : 0;
      ReadMIDLine();
    } else {
      // Every object takes its line of the ".mid", also the kinds shown by nothing here.
      const int32_t mid = mid_ ? static_cast<int32_t>(mid_->GetPosition()) : 0;
      ReadMIDLine();
      if (kind != Kind::Other) {
        index_.push_back({mid, static_cast<int32_t>(linePosition_)});
        return true;
      }
    }
    if (!ReadMIFLine()) return false;
  }
}

TEarthObject* TEarthMIFReader::LoadObject(int32_t index, bool isNew) {
  if (!mif_ || index < 0 || index >= static_cast<int32_t>(index_.size())) return nullptr;
  const Entry& entry = index_[static_cast<size_t>(index)];
  mif_->SetPosition(entry.mif);
  if (mid_) mid_->SetPosition(entry.mid);
  ReadMIDLine();
  if (!ReadMIFLine()) return nullptr;
  const Kind kind = LineKind();
  ResetAttributes();
  const bool hasMID = mid_ != nullptr;
  // Only an object new to the source (isNew) reads its clauses and takes a presenter: one loaded
  // again gets back the presenter its record keeps, however that presenter has been changed since.
  auto object = std::make_unique<TGeoDataObject>(this);
  TPointStore* first = object->Chains().GetChain(0);
  switch (kind) {
    case Kind::Point: {
      first->Add(LLPoint(Word(1), Word(2)));
      object->Title = MIDTitle();
      if (isNew) {
        ReadStyles();
        object->SetPresenterID(PointPresenter(false));
      }
      break;
    }
    case Kind::Line: {
      first->Add(LLPoint(Word(1), Word(2)));
      first->Add(LLPoint(Word(3), Word(4)));
      // Lines take their own row of the ".mid" as points and regions do: naming every line of
      // a table "New Polyline" would drop its attributes, so that no line could be found by
      // its name. The fixed name stands only where there is no ".mid".
      object->Title = hasMID ? MIDTitle() : "New Polyline";
      if (isNew) {
        ReadStyles();
        object->SetPresenterID(PolyPresenter("TPolylinePresenter", false));
      }
      break;
    }
    case Kind::PLine: {
      // "Pline n", "Pline" with n on the next line, or "Pline Multiple k" with k sections, each
      // headed by its count, in every version: "Pline n" is one section of n points in versions
      // after 300 too, as files are written (ogr2ogr writes version 450 for a table with a date
      // column, 900 with a time). Taking n for a count of sections would read the first point's
      // line as a count.
      if (Lower(Word(1)) == "multiple") {
        ReadChains(*object, CountAt(2));
      } else {
        ReadPoints(*first, CountAt(1));
      }
      object->Title = hasMID ? MIDTitle() : "New Polyline";
      if (isNew) {
        ReadStyles();
        brush_.Define(gdi::TColor(0), bsSolid);
        object->SetPresenterID(PolyPresenter("TPolylinePresenter", true));
      }
      break;
    }
    case Kind::Region: {
      ReadChains(*object, CountAt(1));
      object->SetClosed(true);
      object->Title = hasMID ? MIDTitle() : "New Polygon";
      if (isNew) {
        ReadStyles();
        object->SetPresenterID(PolyPresenter("TPolygonPresenter", true));
      }
      break;
    }
    case Kind::Text: {
      // The string stands on the keyword line (as GDAL writes it) or on the next one.
      std::string text = Trim(line_.substr(std::min(line_.size(), line_.find(Word(0)) + 4)));
      if (text.empty()) {
        if (!ReadMIFLine()) Invalid("ends inside an object");
        text = Trim(line_);
      }
      object->Title = rtl::StringReplace(Unquoted(text), "\\n", " ", rtl::rfReplaceAll);
      if (!ReadMIFLine()) Invalid("ends inside an object");
      first->Add(LLPoint(Word(0), Word(1)));
      if (!Word(3).empty()) {
        textHeight_ =
            std::fabs(static_cast<double>(StrToExtended(Word(3)) - StrToExtended(Word(1))));
      }
      if (!isNew) break;
      ReadStyles();
      textFont_.SetFontUnit(TEarthUnitTypes::Meter);
      if (textHeight_ > 0) {
        textFont_.SetFontSize(static_cast<int32_t>(std::lround(textHeight_ * kMetresPerDegree)));
      }
      pen_.Define(gdi::TColor(0), psSolid, 1, TEarthUnitTypes::Pixel);
      brush_.Define(gdi::TColor(0), bsSolid);
      symbolFont_.Define("Arial", gdi::TColor(0), 12, TEarthUnitTypes::Pixel, 0, {});
      object->SetPresenterID(PointPresenter(true));
      break;
    }
    default:
      return nullptr;
  }
  return object.release();
}

bool TEarthMIFReader::InternalOpen() {
  if (FileName.empty() || !rtl::FileExists(FileName)) return false;
  Name = rtl::ExtractFileName(FileName);
  try {
    if (!GetFileStamp(FileName, mifStamp_)) return false;
    if (mifStamp_.Size == 0) Invalid("empty");
    mif_ = std::make_unique<TEarthTextReader>(FileName);
    midFile_ = FindFileBeside(FileName, ".mid");
    midStamp_ = {};
    // An empty ".mid" holds no line for anyone (and cannot be mapped).
    if (!midFile_.empty() && GetFileStamp(midFile_, midStamp_) && midStamp_.Size > 0) {
      mid_ = std::make_unique<TEarthTextReader>(midFile_);
    }
    // Line positions are kept in 32 bits.
    if (mifStamp_.Size > std::numeric_limits<int32_t>::max() ||
        midStamp_.Size > std::numeric_limits<int32_t>::max()) {
      Invalid("too large");
    }
    rtl::TMemoryStream none;
    MapUnlessCached(*this, none);
  } catch (...) {
    Release();
    throw;
  }
  return TEarthFileReader::InternalOpen();
}

void TEarthMIFReader::Release() {
  SetCount(0);
  index_.clear();
  mif_.reset();
  mid_.reset();
}

bool TEarthMIFReader::InternalClose() {
  SaveMetaData();  // a cache removed while the file was open is there again
  UnloadObjects();
  Release();
  return TEarthFileReader::InternalClose();
}

void TEarthMIFReader::SetTitleColumn(int32_t column) {
  if (column == titleColumn_) return;
  titleColumn_ = column;
  UnloadObjects();
}

void TEarthMIFReader::WriteMetaData(TEarthStreamWriter& writer) {
  writer.WriteWord(kMetaDataMark);
  WriteFileStamp(writer, mifStamp_);
  WriteFileStamp(writer, midStamp_);
  TEarthFileReader::WriteMetaData(writer);
  writer.WriteInteger(version_);
  writer.WriteInteger(titleColumn_);
  writer.WriteShortString(MIDDelimiter);
  writer.WriteShortString(MIFCoordSys);
  writer.WriteInteger(static_cast<int32_t>(MIDColumnNames.size()));
  for (const std::string& column : MIDColumnNames) writer.WriteShortString(column);
  writer.WriteInteger(static_cast<int32_t>(index_.size()));
  for (const Entry& e : index_) {
    writer.WriteInteger(e.mif);
    writer.WriteInteger(e.mid);
  }
}

void TEarthMIFReader::ReadMetaData(TEarthStreamReader& reader) {
  if (reader.ReadWord() != kMetaDataMark) throw EEarthException("Metadata: not a MIF file's");
  // Only a cache of these very files: same sizes, same times to the nanosecond.
  if (!(ReadFileStamp(reader) == mifStamp_) || !(ReadFileStamp(reader) == midStamp_)) {
    throw EEarthException("Metadata: stale");
  }
  TEarthFileReader::ReadMetaData(reader);
  version_ = reader.ReadInteger();
  reader.ReadInteger();  // the column titles were read by; titles are read again on loading
  MIDDelimiter = reader.ReadShortString();
  MIFCoordSys = reader.ReadShortString();
  const int32_t columns = reader.ReadInteger();
  if (columns < 0 || columns > mifStamp_.Size) throw EEarthException("Metadata: bad columns");
  std::vector<std::string> names;
  for (int32_t i = 0; i < columns; ++i) names.push_back(reader.ReadShortString());
  const int32_t count = reader.ReadInteger();
  if (count != GetCount()) throw EEarthException("Metadata: index and slots differ");
  std::vector<Entry> index(static_cast<size_t>(count));
  Entry after{0, 0};  // entries follow each other in both files
  for (Entry& e : index) {
    e.mif = reader.ReadInteger();
    e.mid = reader.ReadInteger();
    if (e.mif < after.mif || e.mif >= mifStamp_.Size || e.mid < after.mid ||
        e.mid > midStamp_.Size) {
      throw EEarthException("Metadata: bad index entry");
    }
    after = {e.mid, e.mif + 1};
  }
  MIDColumnNames = std::move(names);
  index_ = std::move(index);
}

void TEarthMIFReader::LoadEnvironment(TEarthXML_Element* element) {
  if (!element) return;
  TEarthFileReader::LoadEnvironment(element);
  MIFCoordSys = element->AttributeByName("MIFCoordSys", MIFCoordSys);
  MIDDelimiter = element->AttributeByName("MIDDelimiter", MIDDelimiter);
  SetTitleColumn(element->IntAttributeByName("TitleColumn", 0));
}

std::unique_ptr<TEarthXML_Element> TEarthMIFReader::SaveEnvironment() {
  auto element = TEarthFileReader::SaveEnvironment();
  element->AddAttribute("MIFCoordSys", MIFCoordSys);
  element->AddAttribute("MIDDelimiter", MIDDelimiter);
  element->AddAttribute("TitleColumn", std::to_string(titleColumn_));
  return element;
}

void RegisterMIFReader() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEarthClass<TEarthMIFReader>("TEarthMIFReader", [](TCustomEarthMap* g) -> rtl::TObject* {
      return new TEarthMIFReader(g);
    });
  });
}
