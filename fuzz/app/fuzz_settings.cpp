// Arbitrary bytes as "corvatalen.ini", read through the settings range table: every number that
// comes out must be finite and inside its key's range, whatever the file holds.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/settingsranges.h"

namespace {

// The INI text in memory, read only.
class TextIni : public rtl::TCustomIniFile {
 public:
  explicit TextIni(std::string_view text) : TCustomIniFile("corvatalen.ini"), text_(text) {}
  std::string ReadString(std::string_view Section, std::string_view Ident,
                         std::string_view Default) override {
    std::string value;
    return text_.Find(Section, Ident, value) ? value : std::string(Default);
  }
  void WriteString(std::string_view, std::string_view, std::string_view) override {}
  void ReadSection(std::string_view, rtl::TStrings*) override {}
  void ReadSections(rtl::TStrings*) override {}
  void ReadSectionValues(std::string_view, rtl::TStrings*) override {}
  void EraseSection(std::string_view) override {}
  void DeleteKey(std::string_view, std::string_view) override {}
  void UpdateFile() override {}

 private:
  rtl::TIniText text_;
};

// The notes on refused values would flood the fuzzer's output: they go nowhere meanwhile.
class QuietStderr {
 public:
  QuietStderr() : saved_(::dup(2)) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    ::close(null);
  }
  ~QuietStderr() {
    ::dup2(saved_, 2);
    ::close(saved_);
  }

 private:
  int saved_;
};

bool InRange(double v, const TSettingRange& r) {
  return std::isfinite(v) && v >= r.Min && v <= r.Max;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TextIni ini(std::string_view(reinterpret_cast<const char*>(data), size));
  bool ok = true;
  {
    QuietStderr quiet;
    for (const TSettingRange& r : SettingRanges()) {
      switch (r.Kind) {
        case TSettingKind::Integer:
          ok = ok && InRange(ReadSettingInteger(ini, r.Section, r.Key), r);
          break;
        case TSettingKind::Float:
          ok = ok && InRange(ReadSettingFloat(ini, r.Section, r.Key), r);
          break;
        case TSettingKind::Bool:
          ReadSettingBool(ini, r.Section, r.Key);
          break;
        case TSettingKind::Text:
          ReadSettingText(ini, r.Section, r.Key);
          break;
      }
    }
  }
  if (!ok) std::abort();
  return 0;
}
