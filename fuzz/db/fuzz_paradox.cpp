#include "tablefuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadTableFromBytes(data, size, db::ttParadox);
  return 0;
}
