#pragma once
// Map streams over memory for the tests: a writer whose bytes can be looked at, and a reader of
// given bytes.
#include <cstdint>
#include <memory>
#include <vector>

#include "map/earthobject.h"

namespace maptest {

using Bytes = std::vector<uint8_t>;

struct Written {
  std::unique_ptr<TEarthStreamWriter> writer;
  rtl::TMemoryStream* memory;
  Bytes bytes() const {
    const auto* p = static_cast<const uint8_t*>(memory->Memory());
    return Bytes(p, p + memory->Size());
  }
};

inline Written NewWriter() {
  auto memory = std::make_unique<rtl::TMemoryStream>();
  rtl::TMemoryStream* raw = memory.get();
  return {std::make_unique<TEarthStreamWriter>(std::move(memory)), raw};
}

inline std::unique_ptr<TEarthStreamReader> NewReader(const Bytes& bytes) {
  auto memory = std::make_unique<rtl::TMemoryStream>();
  memory->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  memory->SetPosition(0);
  return std::make_unique<TEarthStreamReader>(std::move(memory));
}

}  // namespace maptest
