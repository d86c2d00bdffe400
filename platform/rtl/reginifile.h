#pragma once
// The settings store reached the way an INI file is: sections and idents over keys and values.
#include <string>
#include <string_view>

#include "platform/rtl/registry.h"

namespace rtl {

// The store in the shape of an INI file: a section is a subkey of the key the object has open (no
// section: that key itself), an ident a value in it. Reads of a missing section or value, or of a
// value of the other type, give the default; writes create the section, and raise
// ERegistryException when the key was opened read-only. The open key stays as it was.
class TRegIniFile : public TRegistry {
 public:
  // FileName: the key below HKEY_CURRENT_USER to open, created unless ReadOnly; empty: none is
  // opened (set the root key and open one afterwards).
  explicit TRegIniFile(std::string_view FileName = {}, bool ReadOnly = false);

  using TRegistry::ReadInteger;
  using TRegistry::ReadString;
  using TRegistry::WriteInteger;
  using TRegistry::WriteString;
  std::string ReadString(std::string_view Section, std::string_view Ident,
                         std::string_view Default);
  int ReadInteger(std::string_view Section, std::string_view Ident, int Default);
  void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
  void WriteInteger(std::string_view Section, std::string_view Ident, int Value);

 private:
  // Runs f with the section's key open (false: it does not exist and cannot be created), then
  // opens the object's key again.
  template <class F>
  bool InSection(std::string_view Section, bool Write, F&& f);
};

}  // namespace rtl
