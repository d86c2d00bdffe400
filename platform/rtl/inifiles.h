#pragma once
// INI files. TIniFile writes every change straight to the file, re-reading it first, so that two
// objects (or two programs) writing the same file in turn keep each other's sections and keys;
// the file is replaced atomically (temporary file, fsync, rename), so a crash leaves the old or the
// new file. Reading is tolerant: lines that are neither "[section]" nor "key=value" are ignored
// (and kept), CR LF or LF, section and key names without regard to case.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"

namespace rtl {

class TStrings;

class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(std::string FileName) : fileName_(std::move(FileName)) {}

  const std::string& FileName() const { return fileName_; }

  virtual std::string ReadString(std::string_view Section, std::string_view Ident,
                                 std::string_view Default) = 0;
  virtual void WriteString(std::string_view Section, std::string_view Ident,
                           std::string_view Value) = 0;
  // Key names of a section / section names / "key=value" lines of a section, into Strings
  // (cleared first).
  virtual void ReadSection(std::string_view Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(std::string_view Section, TStrings* Strings) = 0;
  virtual void EraseSection(std::string_view Section) = 0;
  virtual void DeleteKey(std::string_view Section, std::string_view Ident) = 0;
  virtual void UpdateFile() = 0;

  // Missing keys and values that are not numbers give Default. Integers may be decimal or
  // hexadecimal ("0x1F", "$1F"); booleans are integers, non-zero for true.
  int ReadInteger(std::string_view Section, std::string_view Ident, int Default);
  bool ReadBool(std::string_view Section, std::string_view Ident, bool Default);
  double ReadFloat(std::string_view Section, std::string_view Ident, double Default);
  void WriteInteger(std::string_view Section, std::string_view Ident, int Value);
  void WriteBool(std::string_view Section, std::string_view Ident, bool Value);     // "1" / "0"
  void WriteFloat(std::string_view Section, std::string_view Ident, double Value);  // C locale

  bool SectionExists(std::string_view Section);
  bool ValueExists(std::string_view Section, std::string_view Ident);

 private:
  std::string fileName_;
};

class TIniFile : public TCustomIniFile {
 public:
  // A name that differs from an existing file only in case means that file. The file need not
  // exist; it is created by the first write.
  explicit TIniFile(const std::string& FileName);
  ~TIniFile() override;

  std::string ReadString(std::string_view Section, std::string_view Ident,
                         std::string_view Default) override;
  // Raises EIniFileException when the file cannot be written (the file is then unchanged), or
  // when a name or value holds a line break (it would break the file's structure), a section name
  // holds ']' or a key is empty, holds '=' or starts with ';', '#' or '[' (it would be read as a
  // comment or a section).
  void WriteString(std::string_view Section, std::string_view Ident,
                   std::string_view Value) override;
  void ReadSection(std::string_view Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(std::string_view Section, TStrings* Strings) override;
  void EraseSection(std::string_view Section) override;
  void DeleteKey(std::string_view Section, std::string_view Ident) override;
  void UpdateFile() override {}  // every write is already in the file

 private:
  struct Content;
  std::unique_ptr<Content> content_;
};

// Gathers writes to an INI file and puts them in the file in one step: UpdateFile reads the file as
// it is then, applies the writes, erasures and deletions in their order and replaces the file
// atomically (temporary file, fsync, rename, fsync of the folder). Sections and keys it did not
// touch, written meanwhile by others, stay. Reads see the file with the pending changes applied.
// Nothing reaches the file without UpdateFile; the destructor drops what was not committed.
class TIniWriter : public TCustomIniFile {
 public:
  explicit TIniWriter(const std::string& FileName);
  ~TIniWriter() override;

  std::string ReadString(std::string_view Section, std::string_view Ident,
                         std::string_view Default) override;
  // Refuses what TIniFile refuses, at once, with EIniFileException.
  void WriteString(std::string_view Section, std::string_view Ident,
                   std::string_view Value) override;
  void ReadSection(std::string_view Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(std::string_view Section, TStrings* Strings) override;
  void EraseSection(std::string_view Section) override;
  void DeleteKey(std::string_view Section, std::string_view Ident) override;
  // Commits the pending changes. Raises EIniFileException when the file cannot be written; the
  // file is then unchanged and the changes stay pending.
  void UpdateFile() override;
  bool Modified() const;

 private:
  struct Pending;
  std::unique_ptr<Pending> pending_;
};

// The temporary files of atomic replaces of FileName that an interrupted write left behind
// (".<name>.<pid>.<n>.tmp" beside it, of a process that no longer runs or of this one): removed.
// Returns how many went.
int RemoveStaleTempFiles(const std::string& FileName);

// The text form used by TIniFile, exposed for tools and fuzzing: parse, look up, edit, print.
class TIniText {
 public:
  explicit TIniText(std::string_view Text = {});
  std::string Text() const;  // CR LF line breaks

  bool Find(std::string_view Section, std::string_view Ident, std::string& Value) const;
  void Set(std::string_view Section, std::string_view Ident, std::string_view Value);
  bool EraseSection(std::string_view Section);
  bool DeleteKey(std::string_view Section, std::string_view Ident);
  void Sections(TStrings* Strings) const;
  void Keys(std::string_view Section, TStrings* Strings, bool WithValues) const;

 private:
  struct Line {
    enum Kind { kOther, kSection, kKey } kind = kOther;
    std::string raw;
    std::string name;  // section or key, trimmed
    // The trimmed value lies in raw (a line of many megabytes is held once).
    size_t valueAt = 0, valueSize = 0;
    std::string_view Value() const { return std::string_view(raw).substr(valueAt, valueSize); }
  };
  // Index of the first header of Section, or -1; End gets one past its last line.
  int SectionStart(std::string_view Section, size_t& End) const;
  static Line Parse(std::string raw);

  std::vector<Line> lines_;
  bool bom_ = false;
};

}  // namespace rtl
