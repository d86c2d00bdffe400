// The AVI reader on arbitrary bytes: it reads or raises EAviError, never crashes; every frame it
// lists can be read and decoding one never crashes either.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/capture/avireader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    capture::AviReader r(capture::MemorySource(std::vector<uint8_t>(data, data + size)));
    const int n = r.FrameCount();
    for (int i : {0, n / 2, n - 1}) {
      if (i < 0 || i >= n) continue;
      (void)r.ReadFrame(i);
      (void)r.DecodeFrame(i);
    }
  } catch (const capture::EAviError&) {
  }
  return 0;
}
