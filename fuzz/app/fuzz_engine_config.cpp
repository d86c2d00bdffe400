// Arbitrary bytes as the data engine's configuration file: every key found reads as a whole
// value, and replacing it changes that value only, every other byte kept.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/bde32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  for (const char* key : {"LOCAL SHARE", "NET DIR", "MAXBUFSIZE", "MAXFILEHANDLES", "MEMSIZE",
                          "SHAREDMEMSIZE"}) {
    const auto span = bde32::FindValue(file, key);
    if (!span) {
      if (bde32::ReplaceValue(file, key, "1").has_value()) std::abort();
      continue;
    }
    if (span->Begin > span->End || span->End >= file.size() || file[span->End] != '\0')
      std::abort();
    for (const std::string_view value : {std::string_view(""), std::string_view("123456789012")}) {
      const auto changed = bde32::ReplaceValue(file, key, value);
      if (!changed || bde32::ReadValue(*changed, key) != value) std::abort();
      if (changed->compare(0, span->Begin, file.substr(0, span->Begin)) != 0) std::abort();
      if (changed->substr(span->Begin + value.size()) != file.substr(span->End)) std::abort();
    }
  }
  return 0;
}
