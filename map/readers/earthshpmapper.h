#pragma once
// Shapefile reader: serves a layer from a ".shp", one object a record, titled from a column of
// the dBase table beside it. Opening reads the file once: each record's object is built from the
// bytes just read (the map's object cache may give it back at once); an object asked for later is
// read from its record again. The record index is cached in the ".md" file.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "map/earthsource.h"
#include "map/readers/earthfilestamp.h"

class TEarthDBFReader;
class TFileWindow;

class TEarthSHPReader : public TEarthFileReader {
 public:
  explicit TEarthSHPReader(TCustomEarthMap* globe);
  ~TEarthSHPReader() override;

  bool MapDataHeader(rtl::TStream& stream) override;
  bool MapDataObject(rtl::TStream& stream, int32_t index) override;
  // Takes the record's MER from its box (checked to lie on the globe), then builds its object
  // from the record just mapped. Points the box does not account for leave the record alone:
  // the object is refused when it is asked for, and the other objects stay.
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
  // The record at position with its content, the counts in it checked against its length.
  struct Record {
    int32_t shape;  // the plane shape (PlaneShape), 0 for none
    int64_t length;
    const uint8_t* content;  // length bytes, or only its first 44 when a head was asked for
  };
  Record ReadRecord(int64_t position, bool headOnly) const;
  // Converts n points from xy into longitude and latitude pairs at out, refusing any that the
  // divisors and shifts leave off the globe.
  void ConvertPoints(const uint8_t* xy, int32_t n, int32_t* out) const;

  int32_t titleColumn_ = -1;
  std::vector<Entry> index_;
  std::vector<int32_t> counts_;  // while an object is built: its chains' point counts
  int64_t next_ = 0;             // while mapping: the header of the next record
  // While mapping: the record of the slot just mapped (pendingSlot_, -1 for none), its bytes
  // still in the file's window.
  Record pending_{};
  int32_t pendingSlot_ = -1;
  int32_t records_ = 0;          // while mapping: records passed, Null shapes included
  TFileStamp stamp_;             // of the ".shp" as opened, kept in the ".md"
  std::unique_ptr<TFileWindow> file_;
  std::unique_ptr<TEarthDBFReader> table_;
};

void RegisterSHPReader();
