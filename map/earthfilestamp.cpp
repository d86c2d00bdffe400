#include "map/earthfilestamp.h"

#include <sys/stat.h>

bool GetFileStamp(const std::string& fileName, TFileStamp& stamp) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) return false;
  stamp.Size = st.st_size;
  stamp.Time = int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
  return true;
}

void WriteFileStamp(TEarthStreamWriter& writer, const TFileStamp& stamp) {
  writer.WriteBuffer(&stamp.Size, sizeof stamp.Size);
  writer.WriteBuffer(&stamp.Time, sizeof stamp.Time);
}

TFileStamp ReadFileStamp(TEarthStreamReader& reader) {
  TFileStamp stamp;
  reader.ReadBuffer(&stamp.Size, sizeof stamp.Size);
  reader.ReadBuffer(&stamp.Time, sizeof stamp.Time);
  return stamp;
}

void MapUnlessCached(TEarthFileReader& reader, rtl::TStream& stream) {
  if (reader.ReadMetaDataFile(reader.FileName)) return;
  reader.MapDataFile(stream);
  try {
    reader.WriteMetaDataFile(reader.FileName);
  } catch (const std::exception&) {
  }
}
