#pragma once
// MapInfo interchange reader: serves a layer from a ".mif" text (header, objects with their pen,
// brush and font clauses) and the ".mid" beside it (one attribute line per object). Mapping keeps
// where each object starts in both files; the index is cached in the ".md" file.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "map/earthattributes.h"
#include "map/earthsource.h"
#include "map/readers/earthfilestamp.h"

class TEarthTextReader;
class TGeoDataObject;

// A MapInfo colour 0xRRGGBB as a colour value 0x00BBGGRR.
gdi::TColor MIFToColor(int32_t mifColor);
TEarthPenStyle MIFToPenStyle(int32_t pattern);
// Patterns outside 0..68 (MapInfo's larger ones, or negative) fill solid.
TEarthBrushStyle MIFToBrushStyle(int32_t pattern);

class TEarthMIFReader : public TEarthFileReader {
 public:
  explicit TEarthMIFReader(TCustomEarthMap* globe);
  ~TEarthMIFReader() override;

  bool MapDataHeader(rtl::TStream& stream) override;
  bool MapDataObject(rtl::TStream& stream, int32_t index) override;
  TEarthObject* LoadObject(int32_t index, bool isNew) override;
  bool InternalOpen() override;
  bool InternalClose() override;
  void ReadMetaData(TEarthStreamReader& reader) override;
  void WriteMetaData(TEarthStreamWriter& writer) override;
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

  int32_t TitleColumn() const { return titleColumn_; }
  // A new column unloads the objects, so that their titles are read again.
  void SetTitleColumn(int32_t column);
  int32_t Version() const { return version_; }

  std::string MIFCoordSys;  // the header's CoordSys line; empty: longitude/latitude
  std::string MIDDelimiter = "\t";
  std::vector<std::string> MIDColumnNames;  // "name=type" a column

 private:
  struct Entry {
    int32_t mid;  // start of the object's ".mid" line
    int32_t mif;  // start of its keyword line
  };
  enum class Kind { None, Point, Line, PLine, Region, Text, Other, Collection };

  [[noreturn]] void Invalid(const std::string& why) const;
  void Release();
  // The next non-empty line of the ".mif" into line_; false at the end.
  bool ReadMIFLine();
  // The next line of the ".mid" into midLine_; false without one or at its end.
  bool ReadMIDLine();
  std::string Word(int32_t n) const;
  Kind LineKind() const;
  int32_t Count(const std::string& word) const;
  TPointLL LLPoint(const std::string& lon, const std::string& lat) const;
  // The next line's first two words; a file that ends here is broken.
  TPointLL LLPointFromLine();
  // `count` on the keyword line at word n, else on the next line.
  int32_t CountAt(int32_t n);
  void ReadPoints(TPointStore& chain, int32_t points);
  // Chains each headed by its point count.
  void ReadChains(TGeoDataObject& object, int32_t chains);
  // The object's clauses, from the line after its geometry up to the next other line.
  void ReadStyles();
  std::string MIDTitle() const;
  void ResetAttributes();
  int32_t PointPresenter(bool withTitleFont);
  int32_t PolyPresenter(const std::string& className, bool withBrush);

  int32_t version_ = 0;
  int32_t titleColumn_ = 0;
  std::vector<Entry> index_;
  std::unique_ptr<TEarthTextReader> mif_;
  std::unique_ptr<TEarthTextReader> mid_;
  std::string midFile_;
  std::string line_;
  std::string midLine_;
  int64_t linePosition_ = 0;
  int32_t collectionParts_ = 0;  // while mapping: parts of a collection still to come
  int32_t collectionMID_ = 0;    // and the ".mid" line they share
  TFileStamp mifStamp_;
  TFileStamp midStamp_;
  TEarthPen pen_;
  TEarthBrush brush_;
  TEarthFont symbolFont_;
  TEarthFont textFont_;
  double textHeight_ = 0;  // of the last text box, degrees
};

void RegisterMIFReader();
