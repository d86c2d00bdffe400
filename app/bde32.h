// The data engine's set-up: makes sure the engine is registered before any table opens, and
// reads and writes six engine settings in its configuration file.
//
// The engine is our own data layer, always present; its registration lives in the registry store
// (HKEY_LOCAL_MACHINE) and its folder is the one holding "idapi32.cfg". That file holds, per
// setting, the key, NUL, a type byte, the value, NUL. The settings are kept for whoever reads
// them; they change nothing in how our tables are read and written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/rtl/classes.h"

namespace bde32 {

inline constexpr const char* kEngineKey = "\\SOFTWARE\\BORLAND\\DATABASE ENGINE";
inline constexpr const char* kConfigFile = "idapi32.cfg";
inline constexpr char kTextType = 1;  // the type byte of every value we write

// Where a key's value lies in a configuration file: bytes [Begin, End).
struct TValueSpan {
  size_t Begin = 0;
  size_t End = 0;
};
// The value of the record whose whole key is `key`, found by walking the records from the start
// of the file; nothing when no complete record has that key.
std::optional<TValueSpan> FindValue(std::string_view file, std::string_view key);
std::optional<std::string> ReadValue(std::string_view file, std::string_view key);
// The file with that record's value replaced; nothing when the key is not in it.
std::optional<std::string> ReplaceValue(std::string_view file, std::string_view key,
                                        std::string_view value);
// A configuration file of the six settings at their defaults.
std::string DefaultConfigFile();

// Puts TBDE32 on the "Data Access" page of the component palette.
void Register();

}  // namespace bde32

class TBDE32 : public rtl::TComponent {
 public:
  // Registers the engine when it is not (writing a default configuration file when none is
  // found), then reads the settings. When neither works it tells the user where the files belong
  // and asks the application to end: Failed() is then true.
  explicit TBDE32(rtl::TComponent* AOwner);

  void ReadSettings();
  void WriteSettings();
  // The configuration file and the engine folder found on the disk; true when both were.
  bool GetPaths(std::string& ConfigPath, std::string& EnginePath) const;
  bool Failed() const { return failed_; }

  bool LocalShare = false;
  std::string PdxNetDir;
  int MaxBufSize = 0;
  int MaxFileHandles = 0;
  int MemSize = 0;
  int SharedMemSize = 0;

 private:
  bool Registered() const;
  std::string ReadFromCFG(std::string_view key, const std::string& def) const;
  int ReadNumber(std::string_view key) const;
  void writeToCFG(std::string_view key, const std::string& value);
  std::string ConfigPath() const;

  bool failed_ = false;
};
