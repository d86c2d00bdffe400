#pragma once
// A directory of one's own in the temporary folder (made by mkdtemp, so a unique name), removed
// with everything in it at the end of scope: two test runs at once never share a file.
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "corv_test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
      throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The path of name inside the directory.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A TempDir that is the working directory for the life of the object: code that writes files
// beside itself (the program's text log and settings) writes them there, not where the tests run.
class TempWorkDir {
 public:
  explicit TempWorkDir(const std::string& prefix = "corv_work")
      : dir_(prefix), old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir_.path());
  }
  ~TempWorkDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
  }
  TempWorkDir(const TempWorkDir&) = delete;
  TempWorkDir& operator=(const TempWorkDir&) = delete;

  std::string operator/(const std::string& name) const { return dir_ / name; }
  const std::string& path() const { return dir_.path(); }

 private:
  TempDir dir_;
  std::filesystem::path old_;
};
