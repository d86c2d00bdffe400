// The capture settings record on arbitrary bytes, as text and as a stream block: nothing raises or
// crashes, and a record read from anything writes a text that reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "capture/graphconfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TGraphConfig a;
  a.RestoreGraph(text);
  const std::string saved = a.SaveGraph();
  TGraphConfig b;
  b.RestoreGraph(saved);
  if (b.SaveGraph() != saved) std::abort();

  rtl::TMemoryStream s;
  s.Write(data, int64_t(size));
  s.SetPosition(0);
  TGraphConfig c;
  const std::string before = c.SaveGraph();
  if (!c.RestoreGraphFromStream(&s) && c.SaveGraph() != before) std::abort();
  return 0;
}
