#pragma once
// A settings store standing in for the system registry: root keys, paths of keys separated by
// '\', and string or integer values, all names without regard to case. It is kept in one INI-form
// file ("registry.ini" in the working directory, beside the program's INI file, unless
// SetRegistryFileName says otherwise), written through on every change like TIniFile.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"

namespace rtl {

class TStrings;
class TIniFile;

using HKEY = uintptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

void SetRegistryFileName(const std::string& FileName);
std::string RegistryFileName();

class TRegistry : public TObject {
 public:
  TRegistry();
  ~TRegistry() override;

  HKEY RootKey() const { return root_; }
  void SetRootKey(HKEY Value);  // closes the open key
  // The open key's path below the root, without leading '\'; empty when none is open.
  const std::string& CurrentPath() const { return path_; }

  // Key is below the open key, or below the root when it starts with '\' or none is open.
  bool OpenKey(std::string_view Key, bool CanCreate);
  bool OpenKeyReadOnly(std::string_view Key);
  void CloseKey();
  bool CreateKey(std::string_view Key);
  bool DeleteKey(std::string_view Key);  // with its subkeys
  bool KeyExists(std::string_view Key);
  void GetKeyNames(TStrings* Strings);    // subkeys of the open key
  void GetValueNames(TStrings* Strings);  // values of the open key

  bool ValueExists(std::string_view Name);
  bool DeleteValue(std::string_view Name);
  // A missing string reads as ""; a missing or non-integer value raises ERegistryException, as
  // does writing without a key open for writing.
  std::string ReadString(std::string_view Name);
  void WriteString(std::string_view Name, std::string_view Value);
  int ReadInteger(std::string_view Name);
  void WriteInteger(std::string_view Name, int Value);
  bool ReadBool(std::string_view Name) { return ReadInteger(Name) != 0; }
  void WriteBool(std::string_view Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

 protected:
  bool KeyOpen() const { return open_; }
  bool KeyReadOnly() const { return readOnly_; }

 private:
  std::string Resolve(std::string_view Key) const;
  std::string Section(const std::string& path) const;
  bool Read(std::string_view Name, std::string& Raw);
  void Write(std::string_view Name, const std::string& Raw);

  std::unique_ptr<TIniFile> file_;
  HKEY root_ = HKEY_CURRENT_USER;
  std::string path_;
  bool open_ = false;
  bool readOnly_ = false;
};

}  // namespace rtl
