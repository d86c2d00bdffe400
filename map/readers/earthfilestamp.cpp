#include "map/readers/earthfilestamp.h"

#include <sys/stat.h>

#include <cctype>
#include <filesystem>

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
  reader.LoadMetaData();
  if (reader.MetaDataCurrent()) return;
  reader.MapDataFile(stream);
  reader.SaveMetaData();
}

std::string FindFileBeside(const std::string& dataFile, const std::string& extension) {
  namespace fs = std::filesystem;
  const fs::path path(dataFile);
  const std::string stem = path.stem().string();
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() != stem.size() + extension.size() || name.compare(0, stem.size(), stem) != 0) {
      continue;
    }
    std::string ext = name.substr(stem.size());
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == extension && it->is_regular_file(ec)) return it->path().string();
  }
  return {};
}
