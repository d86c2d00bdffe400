#pragma once
// Files for the fuzz targets of file readers: a directory of the process's own (removed when
// the process ends), writing bytes to a file, and a ".md" given the stamp of its data file so
// that a reader goes past the stamp into the rest.
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fuzzfiles {

class TWorkDirectory {
 public:
  explicit TWorkDirectory(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "_XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TWorkDirectory() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TWorkDirectory(const TWorkDirectory&) = delete;
  TWorkDirectory& operator=(const TWorkDirectory&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline void Write(const std::string& path, const uint8_t* data, size_t size) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

// Writes the input as dataFile's ".md", its bytes 2 to 17 replaced by dataFile's size and
// nanosecond time (after the Word marker).
inline void WriteStampedMetaData(const std::string& dataFile, const uint8_t* data, size_t size) {
  std::vector<uint8_t> md(data, data + size);
  struct stat st {};
  if (md.size() >= 18 && ::stat(dataFile.c_str(), &st) == 0) {
    const int64_t stamp[2] = {st.st_size,
                              int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec};
    std::memcpy(md.data() + 2, stamp, sizeof stamp);
  }
  Write(dataFile + ".md", md.data(), md.size());
}

}  // namespace fuzzfiles
