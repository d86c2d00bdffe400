#pragma once
// A file with given contents in the temporary directory, removed again at the end of scope.
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
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

// Overwrites bytes of a file in place and gives it a modification time within the same second
// as before (one nanosecond on): the rewrite a one-second file age cannot see. False on failure.
inline bool RewriteWithinTheSecond(const std::string& file, std::streamoff at,
                                   const std::string& bytes) {
  struct stat before {};
  if (::stat(file.c_str(), &before) != 0) return false;
  {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) return false;
  }
  timespec times[2] = {before.st_atim, before.st_mtim};
  times[1].tv_nsec = (before.st_mtim.tv_nsec + 1) % 1'000'000'000;
  return ::utimensat(AT_FDCWD, file.c_str(), times, 0) == 0;
}
