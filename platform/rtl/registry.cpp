#include "platform/rtl/registry.h"

#include <mutex>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/sysutils.h"

namespace rtl {

// File form: one section per key ("[HKEY_CURRENT_USER\Control Panel\Desktop]"), a "~=" line that
// makes an empty key exist, and values as "\"Name\"=sz:\"text\"" or "\"Name\"=dword:123" (names
// quoted so that none can be taken for the marker; strings quoted so that blanks survive).

namespace {

std::mutex gNameLock;
std::string gFileName = "registry.ini";

const char* const kMarker = "~";

std::string RootName(HKEY root) {
  switch (root) {
    case HKEY_CLASSES_ROOT:
      return "HKEY_CLASSES_ROOT";
    case HKEY_LOCAL_MACHINE:
      return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS:
      return "HKEY_USERS";
    default:
      return "HKEY_CURRENT_USER";
  }
}

std::string Escape(std::string_view s) {
  std::string r;
  for (char c : s) {
    if (c == '\\') {
      r += "\\\\";
    } else if (c == '\n') {
      r += "\\n";
    } else if (c == '\r') {
      r += "\\r";
    } else {
      r += c;
    }
  }
  return r;
}

std::string Unescape(std::string_view s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char n = s[++i];
      r += n == 'n' ? '\n' : (n == 'r' ? '\r' : n);
    } else {
      r += s[i];
    }
  }
  return r;
}

std::string ValueKey(std::string_view name) {
  return "\"" + Escape(name) + "\"";
}

// "a\\b\\" -> "a\b": no empty parts.
std::string CleanPath(std::string_view path) {
  std::string r;
  size_t i = 0;
  while (i < path.size()) {
    size_t j = path.find('\\', i);
    if (j == std::string_view::npos) j = path.size();
    if (j > i) {
      if (!r.empty()) r += '\\';
      r += path.substr(i, j - i);
    }
    i = j + 1;
  }
  return r;
}

}  // namespace

void SetRegistryFileName(const std::string& FileName) {
  std::lock_guard g(gNameLock);
  gFileName = FileName;
}

std::string RegistryFileName() {
  std::lock_guard g(gNameLock);
  return gFileName;
}

TRegistry::TRegistry() : file_(std::make_unique<TIniFile>(RegistryFileName())) {}

TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY Value) {
  CloseKey();
  root_ = Value;
}

std::string TRegistry::Resolve(std::string_view Key) const {
  if ((!Key.empty() && Key[0] == '\\') || !open_) return CleanPath(Key);
  return CleanPath(path_ + "\\" + std::string(Key));
}

std::string TRegistry::Section(const std::string& path) const {
  return path.empty() ? RootName(root_) : RootName(root_) + "\\" + path;
}

bool TRegistry::KeyExists(std::string_view Key) {
  const std::string section = Section(Resolve(Key));
  if (Resolve(Key).empty()) return true;  // the root
  TStringList sections;
  file_->ReadSections(&sections);
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string& s = sections[i];
    if (SameText(s, section)) return true;
    if (s.size() > section.size() && s[section.size()] == '\\' &&
        SameText(std::string_view(s).substr(0, section.size()), section)) {
      return true;  // a subkey implies its parents
    }
  }
  return false;
}

bool TRegistry::CreateKey(std::string_view Key) {
  const std::string path = Resolve(Key);
  if (KeyExists("\\" + path)) return true;
  try {
    file_->WriteString(Section(path), kMarker, "");
  } catch (const EIniFileException& e) {
    throw ERegistryException("Failed to create key " + path + ": " + e.Message());
  }
  return true;
}

bool TRegistry::OpenKey(std::string_view Key, bool CanCreate) {
  const std::string path = Resolve(Key);
  if (!KeyExists("\\" + path)) {
    if (!CanCreate) return false;
    CreateKey("\\" + path);
  }
  path_ = path;
  open_ = true;
  readOnly_ = false;
  return true;
}

bool TRegistry::OpenKeyReadOnly(std::string_view Key) {
  if (!OpenKey(Key, false)) return false;
  readOnly_ = true;
  return true;
}

void TRegistry::CloseKey() {
  path_.clear();
  open_ = false;
  readOnly_ = false;
}

bool TRegistry::DeleteKey(std::string_view Key) {
  const std::string path = Resolve(Key);
  if (path.empty() || !KeyExists("\\" + path)) return false;
  const std::string section = Section(path);
  TStringList sections;
  file_->ReadSections(&sections);
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string& s = sections[i];
    if (SameText(s, section) ||
        (s.size() > section.size() && s[section.size()] == '\\' &&
         SameText(std::string_view(s).substr(0, section.size()), section))) {
      file_->EraseSection(s);
    }
  }
  return true;
}

void TRegistry::GetKeyNames(TStrings* Strings) {
  Strings->BeginUpdate();
  Strings->Clear();
  const std::string prefix = Section(open_ ? path_ : "") + "\\";
  TStringList sections;
  file_->ReadSections(&sections);
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string& s = sections[i];
    if (s.size() <= prefix.size() ||
        !SameText(std::string_view(s).substr(0, prefix.size()), prefix)) {
      continue;
    }
    const std::string rest = s.substr(prefix.size());
    const std::string child = rest.substr(0, rest.find('\\'));
    if (!child.empty() && Strings->IndexOf(child) < 0) Strings->Add(child);
  }
  Strings->EndUpdate();
}

void TRegistry::GetValueNames(TStrings* Strings) {
  TStringList keys;
  if (open_) file_->ReadSection(Section(path_), &keys);
  Strings->BeginUpdate();
  Strings->Clear();
  for (int i = 0; i < keys.Count(); ++i) {
    const std::string& k = keys[i];
    if (k.size() >= 2 && k.front() == '"' && k.back() == '"') {
      Strings->Add(Unescape(std::string_view(k).substr(1, k.size() - 2)));
    }
  }
  Strings->EndUpdate();
}

bool TRegistry::Read(std::string_view Name, std::string& Raw) {
  if (!open_) return false;
  const std::string missing = "\x01";
  Raw = file_->ReadString(Section(path_), ValueKey(Name), missing);
  return Raw != missing;
}

void TRegistry::Write(std::string_view Name, const std::string& Raw) {
  if (!open_ || readOnly_) {
    throw ERegistryException("Failed to set data for '" + std::string(Name) + "'");
  }
  try {
    file_->WriteString(Section(path_), ValueKey(Name), Raw);
  } catch (const EIniFileException& e) {
    throw ERegistryException("Failed to set data for '" + std::string(Name) + "': " + e.Message());
  }
}

bool TRegistry::ValueExists(std::string_view Name) {
  std::string raw;
  return Read(Name, raw);
}

bool TRegistry::DeleteValue(std::string_view Name) {
  if (!open_ || readOnly_ || !ValueExists(Name)) return false;
  file_->DeleteKey(Section(path_), ValueKey(Name));  // the section, hence the key, stays
  return true;
}

std::string TRegistry::ReadString(std::string_view Name) {
  std::string raw;
  if (!Read(Name, raw)) return {};
  if (raw.size() >= 5 && raw.compare(0, 4, "sz:\"") == 0 && raw.back() == '"') {
    return Unescape(std::string_view(raw).substr(4, raw.size() - 5));
  }
  throw ERegistryException("Invalid data type for '" + std::string(Name) + "'");
}

void TRegistry::WriteString(std::string_view Name, std::string_view Value) {
  Write(Name, "sz:\"" + Escape(Value) + "\"");
}

int TRegistry::ReadInteger(std::string_view Name) {
  std::string raw;
  if (!Read(Name, raw)) {
    throw ERegistryException("Failed to get data for '" + std::string(Name) + "'");
  }
  int v = 0;
  if (raw.compare(0, 6, "dword:") == 0 && TryStrToInt(std::string_view(raw).substr(6), v)) return v;
  throw ERegistryException("Invalid data type for '" + std::string(Name) + "'");
}

void TRegistry::WriteInteger(std::string_view Name, int Value) {
  Write(Name, "dword:" + IntToStr(Value));
}

}  // namespace rtl
