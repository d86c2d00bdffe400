#pragma once
// Runs a shell command (ffprobe, ffmpeg) and returns what it printed on stdout.
#include <array>
#include <cstdio>
#include <string>

inline std::string Shell(const std::string& command) {
  std::string out;
  std::FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  ::pclose(p);
  return out;
}
