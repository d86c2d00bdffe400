// Text files from arbitrary bytes; the first byte picks the block size. Every line read must be
// found again by seeking to where it began.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "map/readers/earthtextreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static const std::string path = "/tmp/corv_fuzz_map_text_" + std::to_string(::getpid()) + ".txt";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }
  {
    TEarthTextReader r(path);
    r.SetTextBufferSize(1 + data[0] % 64);
    std::vector<std::pair<int64_t, std::string>> lines;
    std::string s;
    while (!r.Eof() && lines.size() < 100000) {
      r.ReadLn(s);
      lines.emplace_back(r.LinePosition(), s);
    }
    for (size_t i = 0; i < lines.size(); i += 1 + lines.size() / 8) {
      r.SetPosition(lines[i].first);
      r.ReadLn(s);
      if (s != lines[i].second) std::abort();
    }
  }
  std::remove(path.c_str());
  return 0;
}
