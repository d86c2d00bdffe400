#include "app/bde32.h"

#include <exception>

#include "platform/rtl/files.h"
#include "platform/rtl/palette.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/vcl/dialogs.h"

namespace bde32 {

namespace {

struct TSetting {
  const char* Key;
  const char* Default;
};
// In the order they are written.
constexpr TSetting kSettings[] = {{"LOCAL SHARE", "FALSE"},   {"NET DIR", "F:\\"},
                                  {"MAXBUFSIZE", "2048"},     {"MAXFILEHANDLES", "48"},
                                  {"MEMSIZE", "16"},          {"SHAREDMEMSIZE", "2048"}};

const char* DefaultOf(std::string_view key) {
  for (const TSetting& s : kSettings)
    if (key == s.Key) return s.Default;
  return "";
}

constexpr const char* kWindowsKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// A text value of the registry store, or `def` when the key or the value is missing.
std::string RegistryText(const char* key, const char* name, const std::string& def) {
  try {
    rtl::TRegistry reg;
    reg.SetRootKey(rtl::HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyReadOnly(key) || !reg.ValueExists(name)) return def;
    return reg.ReadString(name);
  } catch (const std::exception&) {
    return def;
  }
}

std::string InFolder(const std::string& folder, const std::string& name) {
  return rtl::IncludeTrailingPathDelimiter(folder) + name;
}

// The program's folder: where it runs, as all its files live there.
std::string ProgramFolder() {
  return rtl::ExcludeTrailingPathDelimiter(rtl::ExpandFileName("."));
}

}  // namespace

std::optional<TValueSpan> FindValue(std::string_view file, std::string_view key) {
  // Record by record, so that a key is only ever matched whole and where a record starts: not
  // inside a longer key ("MEMSIZE" in "SHAREDMEMSIZE") nor inside a value.
  size_t at = 0;
  while (at < file.size()) {
    // Line breaks between records are the work of a text editor, not part of the next key.
    if (file[at] == '\n' || file[at] == '\r') {
      ++at;
      continue;
    }
    const size_t keyEnd = file.find('\0', at);
    if (keyEnd == std::string_view::npos || keyEnd + 1 >= file.size()) return std::nullopt;
    const size_t begin = keyEnd + 2;  // past the NUL and the type byte
    const size_t end = file.find('\0', begin);
    if (end == std::string_view::npos) return std::nullopt;  // cut short: no whole value
    if (file.substr(at, keyEnd - at) == key) return TValueSpan{begin, end};
    at = end + 1;
  }
  return std::nullopt;
}

std::optional<std::string> ReadValue(std::string_view file, std::string_view key) {
  const auto span = FindValue(file, key);
  if (!span) return std::nullopt;
  return std::string(file.substr(span->Begin, span->End - span->Begin));
}

std::optional<std::string> ReplaceValue(std::string_view file, std::string_view key,
                                        std::string_view value) {
  const auto span = FindValue(file, key);
  if (!span) return std::nullopt;
  // A NUL inside the value would end it early and shift every later record.
  const std::string_view kept = value.substr(0, value.find('\0'));
  std::string out(file.substr(0, span->Begin));
  out.append(kept);
  out.append(file.substr(span->End));
  return out;
}

std::string DefaultConfigFile() {
  std::string out;
  for (const TSetting& s : kSettings) {
    out.append(s.Key);
    out.push_back('\0');
    out.push_back(kTextType);
    out.append(s.Default);
    out.push_back('\0');
  }
  return out;
}

void Register() {
  rtl::RegisterComponents(
      "Data Access", {rtl::RegisterClass<TBDE32>(
                         "TBDE32", [](rtl::TComponent* owner) { return new TBDE32(owner); })});
}

}  // namespace bde32

TBDE32::TBDE32(rtl::TComponent* AOwner) : TComponent(AOwner) {
  if (!Registered()) {
    try {
      std::string config, engine;
      if (!GetPaths(config, engine)) {
        // None anywhere: the engine's own set-up, its defaults in the program's folder.
        config = bde32::InFolder(bde32::ProgramFolder(), bde32::kConfigFile);
        rtl::WriteFileAtomic(config, bde32::DefaultConfigFile());
        engine = rtl::ExtractFileDir(rtl::ExpandFileName(config));
      }
      rtl::TRegistry reg;
      reg.SetRootKey(rtl::HKEY_LOCAL_MACHINE);
      if (!reg.OpenKey(bde32::kEngineKey, true))
        throw rtl::ERegistryException("The engine's key cannot be made");
      reg.WriteString("CONFIGFILE01", config);
      reg.WriteString("DLLPATH", engine);
      reg.WriteString("RESOURCE", "0009");
      reg.WriteString("SAVECONFIG", "WIN31");
      reg.WriteString("UseCount", "1");
    } catch (const std::exception&) {
      failed_ = true;
      vcl::ShowMessage(rtl::Format("Please put BDE files in %s", bde32::ProgramFolder()));
      if (vcl::Application != nullptr) vcl::Application->Terminate();
      return;
    }
  }
  ReadSettings();
}

bool TBDE32::Registered() const {
  const std::string engine = bde32::RegistryText(bde32::kEngineKey, "DLLPATH", "");
  return !engine.empty() && rtl::FileExists(bde32::InFolder(engine, bde32::kConfigFile));
}

bool TBDE32::GetPaths(std::string& ConfigPath, std::string& EnginePath) const {
  const std::string program = bde32::ProgramFolder();
  const std::string common = bde32::RegistryText(bde32::kWindowsKey, "CommonFilesDir",
                                                 "C:\\Program Files\\Common Files");
  const std::string programs =
      bde32::RegistryText(bde32::kWindowsKey, "ProgramFilesDir", "C:\\Program Files");
  const std::string folders[] = {program,
                                 program + "/BDE",
                                 programs + "/borland/common files/BDE",
                                 common + "/BDE",
                                 common + "/Borland/BDE",
                                 common + "/Borland Shared/BDE"};
  std::string config, engine;
  for (const std::string& folder : folders) {
    for (const char* name : {"idapi.cfg", bde32::kConfigFile}) {
      const std::string path = bde32::InFolder(folder, name);
      if (!rtl::FileExists(path)) continue;
      config = path;
      // The engine is where its configuration is.
      engine = folder;
    }
  }
  if (config.empty() || !rtl::FileExists(config)) return false;
  ConfigPath = config;
  EnginePath = engine;
  return true;
}

std::string TBDE32::ConfigPath() const {
  return bde32::RegistryText(bde32::kEngineKey, "CONFIGFILE01", "");
}

std::string TBDE32::ReadFromCFG(std::string_view key, const std::string& def) const {
  const std::string path = ConfigPath();
  if (path.empty()) return def;
  const auto file = rtl::ReadFileBytes(path);
  if (!file) return def;
  return bde32::ReadValue(*file, key).value_or(def);
}

int TBDE32::ReadNumber(std::string_view key) const {
  // A value that is no number is as good as a missing one.
  int value = 0;
  if (rtl::TryStrToInt(rtl::Trim(ReadFromCFG(key, "")), value)) return value;
  return rtl::StrToInt(bde32::DefaultOf(key));
}

void TBDE32::ReadSettings() {
  LocalShare = ReadFromCFG("LOCAL SHARE", bde32::DefaultOf("LOCAL SHARE")) == "TRUE";
  PdxNetDir = ReadFromCFG("NET DIR", bde32::DefaultOf("NET DIR"));
  MaxBufSize = ReadNumber("MAXBUFSIZE");
  MaxFileHandles = ReadNumber("MAXFILEHANDLES");
  MemSize = ReadNumber("MEMSIZE");
  SharedMemSize = ReadNumber("SHAREDMEMSIZE");
}

void TBDE32::writeToCFG(std::string_view key, const std::string& value) {
  const std::string path = ConfigPath();
  if (path.empty()) return;
  const auto file = rtl::ReadFileBytes(path);
  if (!file) return;
  const auto changed = bde32::ReplaceValue(*file, key, value);
  if (!changed) return;
  // Replaced whole: a crash or a full disk leaves the old file.
  rtl::WriteFileAtomic(path, *changed);
}

void TBDE32::WriteSettings() {
  writeToCFG("LOCAL SHARE", LocalShare ? "TRUE" : "FALSE");
  writeToCFG("NET DIR", PdxNetDir);
  writeToCFG("MAXBUFSIZE", rtl::IntToStr(MaxBufSize));
  writeToCFG("MAXFILEHANDLES", rtl::IntToStr(MaxFileHandles));
  writeToCFG("MEMSIZE", rtl::IntToStr(MemSize));
  writeToCFG("SHAREDMEMSIZE", rtl::IntToStr(SharedMemSize));
}
