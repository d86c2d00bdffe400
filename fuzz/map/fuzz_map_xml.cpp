// Settings XML from arbitrary text: parse, write, parse again; the second text must be the first.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "map/earthxml.h"
#include "platform/rtl/exceptions.h"

namespace {

void Lookups(const TEarthXML_Element& e, int depth) {
  if (depth > 8) return;
  (void)e.AttributeByName("Name", "");
  (void)e.BoolAttributeByName("Visible", false);
  (void)e.GetAttributeNames(0);
  try {
    (void)e.IntAttributeByName("Count", 0);
    (void)e.FloatAttributeByName("Scale", 0);
  } catch (const rtl::EConvertError&) {
  }
  uint8_t buf[8];
  (void)e.AsBinary(buf, sizeof buf);
  for (int i = 0; i < e.Count(); ++i) {
    if (const TEarthXML_Element* c = e.Element(i)) Lookups(*c, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TEarthXML_Document d;
  d.SetXMLString(text);
  Lookups(*d.Document(), 0);
  const std::string written = d.GetXMLString();
  TEarthXML_Document again;
  again.SetXMLString(written);
  if (again.GetXMLString() != written) {
    std::fprintf(stderr, "not stable:\n[%s]\n[%s]\n[%s]\n", text.c_str(), written.c_str(),
                 again.GetXMLString().c_str());
    std::abort();
  }
  return 0;
}
