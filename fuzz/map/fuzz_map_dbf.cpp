// dBase tables from arbitrary bytes, read through a file as the reader needs one.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "map/readers/earthdbfreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/corv_fuzz_map_dbf_" + std::to_string(::getpid()) + ".dbf";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  try {
    TEarthDBFReader r(path);
    for (int n = 0; n < 1000 && r.Next(); ++n) {
      for (int32_t i = 0; i <= r.FieldCount(); ++i) {
        (void)r.GetString(i);
        (void)r.GetFieldName(i);
      }
    }
    for (int32_t id : {1, 2, 1000, -1}) {
      r.SetID(id);
      if (r.FieldCount() > 0) (void)r.GetString(r.FieldCount() - 1);
    }
  } catch (const EDBFException&) {
  } catch (const rtl::EStreamError&) {
  }
  std::remove(path.c_str());
  return 0;
}
