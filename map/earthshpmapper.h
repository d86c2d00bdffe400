#pragma once
// Shapefile reader: serves a layer from a ".shp" mapped into memory, one object a record, titled
// from a column of the dBase table beside it. The record index is cached in the ".md" file.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "map/earthclasses_source.h"
#include "map/earthfilestamp.h"

class TEarthDBFReader;
class TMemoryMapStream;

class TEarthSHPReader : public TEarthFileReader {
 public:
  explicit TEarthSHPReader(TCustomEarthMap* globe);
  ~TEarthSHPReader() override;

  bool MapDataHeader(rtl::TStream& stream) override;
  bool MapDataObject(rtl::TStream& stream, int32_t index) override;
  // Checks the record as a load would and takes its MER from its points: no object is built
  // until one is asked for.
  bool MapDataRecord(int32_t index) override;
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
  // The longitude of a stored X and the latitude of a stored Y, decimal degrees.
  double CorrectX(double x) const { return x / LongXDivisor + LongXShift; }
  double CorrectY(double y) const { return y / LatYDivisor + LatYShift; }

  double LongXDivisor = 1.0;
  double LatYDivisor = 1.0;
  double LongXShift = 0.0;
  double LatYShift = 0.0;

 private:
  // Lets go of the slots, the index and the mapped file.
  void Release();
  struct Entry {
    int32_t position;  // of the record header
    int32_t record;    // 1-based, counting Null shapes too: the table's record number
  };

  // Refuses the file: "Invalid SHP file " and its name.
  [[noreturn]] void Invalid() const;
  TPointLL Corrected(const uint8_t* xy) const;
  // Calls part(i, bytes of its first point, point count) for each part of the record at entry
  // (a point or a multipoint is one part) once its layout is checked; returns the plane shape.
  template <typename Part>
  int32_t ForEachPart(const Entry& entry, Part&& part) const;

  int32_t titleColumn_ = -1;
  std::vector<Entry> index_;
  int64_t next_ = 0;     // while mapping: the header of the next record
  int32_t records_ = 0;  // while mapping: records passed, Null shapes included
  TFileStamp stamp_;     // of the ".shp" as opened, kept in the ".md"
  std::unique_ptr<TMemoryMapStream> stream_;
  std::unique_ptr<TEarthDBFReader> table_;
};

void RegisterSHPReader();
