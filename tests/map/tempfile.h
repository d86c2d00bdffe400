#pragma once
// A file with given contents in the temporary directory, removed again at the end of scope.
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

class TempFile {
 public:
  explicit TempFile(const std::string& content, const std::string& suffix = ".tmp") {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("corv_map_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + suffix);
    std::ofstream out(path_, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }
  ~TempFile() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  std::string Name() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};
