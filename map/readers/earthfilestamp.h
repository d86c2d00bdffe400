#pragma once
// What a ".md" cache keeps of its data file to know it is still that file: its size and its
// modification time to the nanosecond (a file rewritten within the second still differs).
#include <cstdint>
#include <string>

#include "map/earthobject.h"
#include "map/earthsource.h"

// The word that opens every reader's ".md" cache.
constexpr uint16_t kMetaDataMark = 259;

struct TFileStamp {
  int64_t Size = 0;
  int64_t Time = 0;  // nanoseconds since 1970
  bool operator==(const TFileStamp&) const = default;
};

// False when the file cannot be looked at.
bool GetFileStamp(const std::string& fileName, TFileStamp& stamp);
void WriteFileStamp(TEarthStreamWriter& writer, const TFileStamp& stamp);
TFileStamp ReadFileStamp(TEarthStreamReader& reader);

// Takes the reader's ".md" when it is sound (LoadMetaData), else maps the stream and writes a new
// one (SaveMetaData).
void MapUnlessCached(TEarthFileReader& reader, rtl::TStream& stream);

// The file beside dataFile with its stem and the extension given (in lower case, with its dot),
// found in any case, as tools write ".dbf" or ".DBF"; empty when there is none.
std::string FindFileBeside(const std::string& dataFile, const std::string& extension);
