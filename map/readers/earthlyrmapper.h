#pragma once
// The engine's own layer file (".lyr"): the layer's MER, the presenters its objects use and the
// objects grouped by class. The reader serves objects from the mapped file on demand, its index
// cached in the ".md" file; the writer writes a layer out.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "map/earthsource.h"
#include "map/readers/earthfilestamp.h"
#include "platform/rtl/classregistry.h"

class TEarthLYRReader : public TEarthFileReader {
 public:
  explicit TEarthLYRReader(TCustomEarthMap* globe);
  ~TEarthLYRReader() override;

  bool MapDataHeader(rtl::TStream& stream) override;
  bool MapDataObject(rtl::TStream& stream, int32_t index) override;
  TEarthObject* LoadObject(int32_t index, bool isNew) override;
  bool InternalOpen() override;
  bool InternalClose() override;
  void ReadMetaData(TEarthStreamReader& reader) override;
  void WriteMetaData(TEarthStreamWriter& writer) override;

  // The stream version of the file as opened.
  uint16_t Version() const { return version_; }

 private:
  // Lets go of the slots, the index and the mapped file.
  void Release();
  struct Entry {
    uint8_t classIndex;
    int32_t position;
  };
  // The class list's index of an object class, added when new.
  uint8_t ClassIndex(rtl::TClass c);

  std::vector<Entry> index_;
  std::vector<rtl::TClass> classes_;
  std::unique_ptr<TEarthStreamReader> reader_;  // on the mapped file
  TFileStamp stamp_;
  uint16_t version_ = 0;
  int32_t groupLeft_ = 0;
  uint8_t groupClass_ = 0;
};

class TEarthLYRWriter : public TEarthFileWriter {
 public:
  using TEarthFileWriter::TEarthFileWriter;
  // Writes a temporary file beside name and renames it over name: a reader mapping the old file
  // keeps its pages, and a failed write leaves the old file as it was.
  void SaveToFile(const std::string& name) override;
  void WriteLYRHeader(TEarthStreamWriter& writer);
  void WriteLYRBody(TEarthStreamWriter& writer);
};

// Writes the layer and, unless it already reads a layer file, switches it to read the new file.
bool WriteLayerToLYRfile(TEarthLayer* layer, const std::string& fileName);

void RegisterLYRReader();
