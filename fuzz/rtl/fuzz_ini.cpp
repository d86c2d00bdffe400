// The INI reader on arbitrary bytes: parsing, lookups and edits must never crash, and an edit must
// be read back as written while the rest of the text survives a print and re-parse unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/stringlist.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  rtl::TIniText ini(text);

  // Printing is stable: what was printed parses to the same text.
  const std::string printed = ini.Text();
  Check(rtl::TIniText(printed).Text() == printed);

  rtl::TStringList sections;
  ini.Sections(&sections);
  rtl::TStringList keys;
  for (int i = 0; i < sections.Count() && i < 16; ++i) {
    ini.Keys(sections[i], &keys, true);
    for (int k = 0; k < keys.Count(); ++k) {
      std::string value;
      Check(ini.Find(sections[i], keys.Names(k), value));
      Check(value == keys.ValueFromIndex(k));
    }
  }

  // Edits with names taken from the input itself.
  const std::string section = sections.Count() ? sections[0] : "fuzz";
  const std::string key = keys.Count() ? keys.Names(0) : "k";
  if (!key.empty() && key.find_first_of("\r\n=") == std::string::npos &&
      section.find_first_of("\r\n]") == std::string::npos) {
    ini.Set(section, key, "value 1");
    std::string value;
    Check(ini.Find(section, key, value) && value == "value 1");
    rtl::TIniText reread(ini.Text());
    Check(reread.Find(section, key, value) && value == "value 1");
    ini.Set("new section", "new key", "2");
    Check(rtl::TIniText(ini.Text()).Find("NEW SECTION", "NEW KEY", value) && value == "2");
    Check(rtl::TIniText(ini.Text()).Find(section, key, value) && value == "value 1");
    ini.DeleteKey(section, key);
    ini.EraseSection("new section");
    Check(!ini.Find("new section", "new key", value));
  }
  return 0;
}
