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

// Puts file's size and nanosecond time into md at `at`, when md reaches that far.
inline void Stamp(std::vector<uint8_t>& md, size_t at, const std::string& file) {
  struct stat st {};
  if (md.size() >= at + 16 && ::stat(file.c_str(), &st) == 0) {
    const int64_t stamp[2] = {st.st_size,
                              int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec};
    std::memcpy(md.data() + at, stamp, sizeof stamp);
  }
}

// Writes the input as dataFile's ".md", its bytes 2 to 17 replaced by dataFile's size and
// nanosecond time (after the Word marker), and bytes 18 to 33 by those of a second file, if any.
inline void WriteStampedMetaData(const std::string& dataFile, const uint8_t* data, size_t size,
                                 const std::string& secondFile = {}) {
  std::vector<uint8_t> md(data, data + size);
  Stamp(md, 2, dataFile);
  if (!secondFile.empty()) Stamp(md, 18, secondFile);
  Write(dataFile + ".md", md.data(), md.size());
}

}  // namespace fuzzfiles
