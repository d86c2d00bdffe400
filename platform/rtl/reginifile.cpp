#include "platform/rtl/reginifile.h"

namespace rtl {

TRegIniFile::TRegIniFile(std::string_view FileName, bool ReadOnly) {
  if (FileName.empty()) return;
  if (ReadOnly)
    OpenKeyReadOnly(FileName);
  else
    OpenKey(FileName, true);
}

template <class F>
bool TRegIniFile::InSection(std::string_view Section, bool Write, F&& f) {
  if (Section.empty()) {
    f();
    return true;
  }
  const bool open = KeyOpen(), readOnly = KeyReadOnly();
  const std::string base = CurrentPath();
  // A key opened read-only gives read-only sections: nothing may be created below it.
  if (Write && readOnly)
    throw ERegistryException("Failed to create key " + std::string(Section) + ": opened read-only");
  const bool opened = Write ? OpenKey(Section, true)
                            : (readOnly ? OpenKeyReadOnly(Section) : OpenKey(Section, false));
  struct Back {
    TRegIniFile& r;
    bool open, readOnly;
    const std::string& base;
    ~Back() {
      if (!open)
        r.CloseKey();
      else if (readOnly)
        r.OpenKeyReadOnly("\\" + base);
      else
        r.OpenKey("\\" + base, false);
    }
  } back{*this, open, readOnly, base};
  if (opened) f();
  return opened;
}

std::string TRegIniFile::ReadString(std::string_view Section, std::string_view Ident,
                                    std::string_view Default) {
  std::string r(Default);
  InSection(Section, false, [&] {
    if (!ValueExists(Ident)) return;
    try {
      r = ReadString(Ident);
    } catch (const ERegistryException&) {
      // an integer where text was asked for: the default
    }
  });
  return r;
}

int TRegIniFile::ReadInteger(std::string_view Section, std::string_view Ident, int Default) {
  int r = Default;
  InSection(Section, false, [&] {
    if (!ValueExists(Ident)) return;
    try {
      r = ReadInteger(Ident);
    } catch (const ERegistryException&) {
      // text where a number was asked for: the default
    }
  });
  return r;
}

void TRegIniFile::WriteString(std::string_view Section, std::string_view Ident,
                              std::string_view Value) {
  InSection(Section, true, [&] { WriteString(Ident, Value); });
}

void TRegIniFile::WriteInteger(std::string_view Section, std::string_view Ident, int Value) {
  InSection(Section, true, [&] { WriteInteger(Ident, Value); });
}

}  // namespace rtl
