#include "platform/rtl/inifiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <mutex>

#include "platform/rtl/files.h"
#include "platform/rtl/inidetail.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/sysutils.h"

namespace rtl {

// --- TCustomIniFile ---

int TCustomIniFile::ReadInteger(std::string_view Section, std::string_view Ident, int Default) {
  return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

bool TCustomIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

double TCustomIniFile::ReadFloat(std::string_view Section, std::string_view Ident, double Default) {
  double v = Default;
  return TryStrToFloat(ReadString(Section, Ident, ""), v) ? v : Default;
}

void TCustomIniFile::WriteInteger(std::string_view Section, std::string_view Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

void TCustomIniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

void TCustomIniFile::WriteFloat(std::string_view Section, std::string_view Ident, double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

bool TCustomIniFile::SectionExists(std::string_view Section) {
  TStringList keys;
  ReadSection(Section, &keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(std::string_view Section, std::string_view Ident) {
  TStringList keys;
  ReadSection(Section, &keys);
  return keys.IndexOf(Ident) >= 0;
}

// --- TIniText ---

namespace {

// s without the blanks at either end, as Trim would give it, without a copy.
std::string_view TrimmedView(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  return s;
}

}  // namespace

TIniText::Line TIniText::Parse(std::string raw) {
  Line l;
  // Views of raw: a line of many megabytes is not copied.
  const std::string_view t = TrimmedView(raw);
  if (!t.empty() && t[0] == '[') {
    const size_t close = t.find(']');
    if (close != std::string::npos) {
      l.kind = Line::kSection;
      l.name = std::string(TrimmedView(t.substr(1, close - 1)));
    }
  } else if (!t.empty() && t[0] != ';' && t[0] != '#') {
    const size_t eq = t.find('=');
    if (eq != std::string::npos && eq > 0) {
      l.kind = Line::kKey;
      l.name = std::string(TrimmedView(t.substr(0, eq)));
      const std::string_view value = TrimmedView(t.substr(eq + 1));
      l.valueAt = static_cast<size_t>(value.data() - raw.data());
      l.valueSize = value.size();
      if (l.name.empty()) l.kind = Line::kOther;
    }
  }
  l.raw = std::move(raw);
  return l;
}

TIniText::TIniText(std::string_view Text) {
  if (Text.substr(0, 3) == "\xEF\xBB\xBF") {
    bom_ = true;
    Text.remove_prefix(3);
  }
  // The next CR and the next LF are each looked up once (memchr), not per line.
  size_t cr = Text.find('\r'), lf = Text.find('\n');
  size_t i = 0;
  while (i < Text.size()) {
    if (cr < i) cr = Text.find('\r', i);
    if (lf < i) lf = Text.find('\n', i);
    const size_t j = std::min({cr, lf, Text.size()});
    lines_.push_back(Parse(std::string(Text.substr(i, j - i))));
    size_t next = j;
    if (next < Text.size() && Text[next] == '\r') ++next;
    if (next < Text.size() && Text[next] == '\n') ++next;
    i = next;
  }
}

std::string TIniText::Text() const {
  size_t size = bom_ ? 3 : 0;
  for (const Line& l : lines_) size += l.raw.size() + 2;
  std::string r;
  r.reserve(size);
  if (bom_) r = "\xEF\xBB\xBF";
  for (const Line& l : lines_) {
    r += l.raw;
    r += "\r\n";
  }
  return r;
}

int TIniText::SectionStart(std::string_view Section, size_t& End) const {
  const std::string name = Trim(Section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Line::kSection || !SameText(lines_[i].name, name)) continue;
    End = i + 1;
    while (End < lines_.size() && lines_[End].kind != Line::kSection) ++End;
    return static_cast<int>(i);
  }
  End = lines_.size();
  return -1;
}

bool TIniText::Find(std::string_view Section, std::string_view Ident, std::string& Value) const {
  size_t end = 0;
  const int start = SectionStart(Section, end);
  if (start < 0) return false;
  for (size_t i = static_cast<size_t>(start) + 1; i < end; ++i) {
    if (lines_[i].kind == Line::kKey && SameText(lines_[i].name, Trim(Ident))) {
      Value = std::string(lines_[i].Value());
      return true;
    }
  }
  return false;
}

void TIniText::Set(std::string_view Section, std::string_view Ident, std::string_view Value) {
  const std::string raw = std::string(Ident) + "=" + std::string(Value);
  size_t end = 0;
  const int start = SectionStart(Section, end);
  if (start < 0) {
    if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back(Parse(""));
    lines_.push_back(Parse("[" + std::string(Section) + "]"));
    lines_.push_back(Parse(raw));
    return;
  }
  size_t insertAt = static_cast<size_t>(start) + 1;
  for (size_t i = static_cast<size_t>(start) + 1; i < end; ++i) {
    if (lines_[i].kind == Line::kKey && SameText(lines_[i].name, Ident)) {
      lines_[i] = Parse(raw);
      return;
    }
    if (!Trim(lines_[i].raw).empty()) insertAt = i + 1;  // after the section's last non-blank line
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), Parse(raw));
}

bool TIniText::EraseSection(std::string_view Section) {
  bool erased = false;
  size_t end = 0;
  for (int start = SectionStart(Section, end); start >= 0; start = SectionStart(Section, end)) {
    lines_.erase(lines_.begin() + start, lines_.begin() + static_cast<std::ptrdiff_t>(end));
    erased = true;
  }
  return erased;
}

bool TIniText::DeleteKey(std::string_view Section, std::string_view Ident) {
  size_t end = 0;
  const int start = SectionStart(Section, end);
  if (start < 0) return false;
  for (size_t i = static_cast<size_t>(start) + 1; i < end; ++i) {
    if (lines_[i].kind == Line::kKey && SameText(lines_[i].name, Ident)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  }
  return false;
}

void TIniText::Sections(TStrings* Strings) const {
  Strings->BeginUpdate();
  Strings->Clear();
  for (const Line& l : lines_) {
    if (l.kind == Line::kSection && Strings->IndexOf(l.name) < 0) Strings->Add(l.name);
  }
  Strings->EndUpdate();
}

void TIniText::Keys(std::string_view Section, TStrings* Strings, bool WithValues) const {
  Strings->BeginUpdate();
  Strings->Clear();
  size_t end = 0;
  const int start = SectionStart(Section, end);
  if (start >= 0) {
    TStringList seen;
    for (size_t i = static_cast<size_t>(start) + 1; i < end; ++i) {
      const Line& l = lines_[i];
      if (l.kind != Line::kKey || seen.IndexOf(l.name) >= 0) continue;  // the first one counts
      seen.Add(l.name);
      Strings->Add(WithValues ? l.name + "=" + std::string(l.Value()) : l.name);
    }
  }
  Strings->EndUpdate();
}

// --- TIniFile ---

namespace {

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

namespace inidetail {

std::mutex& IniLock() {
  static std::mutex m;
  return m;
}

void CheckEntry(std::string_view Section, std::string_view Ident, std::string_view Value,
                const std::string& FileName) {
  if (HasLineBreak(Section) || HasLineBreak(Ident) || HasLineBreak(Value) ||
      Section.find(']') != std::string_view::npos || Trim(Ident).empty() ||
      Ident.find('=') != std::string_view::npos ||
      std::string_view(";#[").find(Trim(Ident)[0]) != std::string_view::npos) {
    throw EIniFileException(Format("Invalid section, key or value for %s", FileName));
  }
}

}  // namespace inidetail

using inidetail::IniLock;

struct TIniFile::Content {
  std::string path;
  TIniText text;
  // Identity of the file the text was read from; another change of the file forces a re-read.
  bool known = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  struct timespec mtime {};

  void Refresh() {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      text = TIniText();
      known = false;
      return;
    }
    if (known && st.st_dev == dev && st.st_ino == ino && st.st_size == size &&
        st.st_mtim.tv_sec == mtime.tv_sec && st.st_mtim.tv_nsec == mtime.tv_nsec) {
      return;
    }
    const std::optional<std::string> data = ReadFileBytes(path);
    text = TIniText(data.value_or(""));
    known = data.has_value();
    dev = st.st_dev;
    ino = st.st_ino;
    size = st.st_size;
    mtime = st.st_mtim;
  }

  void Save() {
    try {
      WriteFileAtomic(path, text.Text());
    } catch (const EInOutError& e) {
      known = false;  // the text holds the failed change: read the file again next time
      throw EIniFileException(e.Message());
    }
    known = false;
    Refresh();
  }
};

TIniFile::TIniFile(const std::string& FileName)
    : TCustomIniFile(FileName), content_(std::make_unique<Content>()) {
  content_->path = ResolveFileName(FileName);
}

TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident,
                                 std::string_view Default) {
  std::lock_guard g(IniLock());
  content_->Refresh();
  std::string value;
  return content_->text.Find(Section, Ident, value) ? value : std::string(Default);
}

void TIniFile::WriteString(std::string_view Section, std::string_view Ident,
                           std::string_view Value) {
  inidetail::CheckEntry(Section, Ident, Value, FileName());
  std::lock_guard g(IniLock());
  content_->Refresh();
  content_->text.Set(Trim(Section), Trim(Ident), Trim(Value));
  content_->Save();
}

void TIniFile::ReadSection(std::string_view Section, TStrings* Strings) {
  std::lock_guard g(IniLock());
  content_->Refresh();
  content_->text.Keys(Section, Strings, false);
}

void TIniFile::ReadSections(TStrings* Strings) {
  std::lock_guard g(IniLock());
  content_->Refresh();
  content_->text.Sections(Strings);
}

void TIniFile::ReadSectionValues(std::string_view Section, TStrings* Strings) {
  std::lock_guard g(IniLock());
  content_->Refresh();
  content_->text.Keys(Section, Strings, true);
}

void TIniFile::EraseSection(std::string_view Section) {
  std::lock_guard g(IniLock());
  content_->Refresh();
  if (content_->text.EraseSection(Section)) content_->Save();
}

void TIniFile::DeleteKey(std::string_view Section, std::string_view Ident) {
  std::lock_guard g(IniLock());
  content_->Refresh();
  if (content_->text.DeleteKey(Section, Ident)) content_->Save();
}

}  // namespace rtl
