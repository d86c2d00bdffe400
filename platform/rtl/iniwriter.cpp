#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/rtl/inidetail.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"

namespace rtl {

struct TIniWriter::Pending {
  struct Change {
    enum Kind { kSet, kErase, kDelete } kind;
    std::string section, ident, value;
  };
  std::string path;
  std::vector<Change> changes;

  // The file as it is now with the pending changes applied. Called with the INI lock held.
  TIniText View() const {
    TIniText text(ReadFileBytes(path).value_or(""));
    for (const Change& c : changes) {
      switch (c.kind) {
        case Change::kSet:
          text.Set(c.section, c.ident, c.value);
          break;
        case Change::kErase:
          text.EraseSection(c.section);
          break;
        case Change::kDelete:
          text.DeleteKey(c.section, c.ident);
          break;
      }
    }
    return text;
  }
};

TIniWriter::TIniWriter(const std::string& FileName)
    : TCustomIniFile(FileName), pending_(std::make_unique<Pending>()) {
  pending_->path = ResolveFileName(FileName);
}

TIniWriter::~TIniWriter() = default;

std::string TIniWriter::ReadString(std::string_view Section, std::string_view Ident,
                                   std::string_view Default) {
  std::lock_guard g(inidetail::IniLock());
  std::string value;
  return pending_->View().Find(Section, Ident, value) ? value : std::string(Default);
}

void TIniWriter::WriteString(std::string_view Section, std::string_view Ident,
                             std::string_view Value) {
  inidetail::CheckEntry(Section, Ident, Value, FileName());
  pending_->changes.push_back(
      {Pending::Change::kSet, Trim(Section), Trim(Ident), Trim(std::string(Value))});
}

void TIniWriter::ReadSection(std::string_view Section, TStrings* Strings) {
  std::lock_guard g(inidetail::IniLock());
  pending_->View().Keys(Section, Strings, false);
}

void TIniWriter::ReadSections(TStrings* Strings) {
  std::lock_guard g(inidetail::IniLock());
  pending_->View().Sections(Strings);
}

void TIniWriter::ReadSectionValues(std::string_view Section, TStrings* Strings) {
  std::lock_guard g(inidetail::IniLock());
  pending_->View().Keys(Section, Strings, true);
}

void TIniWriter::EraseSection(std::string_view Section) {
  pending_->changes.push_back({Pending::Change::kErase, std::string(Section), {}, {}});
}

void TIniWriter::DeleteKey(std::string_view Section, std::string_view Ident) {
  pending_->changes.push_back(
      {Pending::Change::kDelete, std::string(Section), std::string(Ident), {}});
}

bool TIniWriter::Modified() const {
  return !pending_->changes.empty();
}

void TIniWriter::UpdateFile() {
  if (pending_->changes.empty()) return;
  std::lock_guard g(inidetail::IniLock());
  try {
    WriteFileAtomic(pending_->path, pending_->View().Text());
  } catch (const EInOutError& e) {
    throw EIniFileException(e.Message());
  }
  pending_->changes.clear();
}

namespace {

// The process number in ".<base>.<pid>.<n>.tmp", or -1 when Name is not such a file.
long TempFileOwner(const std::string& Name, const std::string& Base) {
  const std::string head = "." + Base + ".";
  const std::string tail = ".tmp";
  if (Name.size() <= head.size() + tail.size() || Name.compare(0, head.size(), head) != 0 ||
      Name.compare(Name.size() - tail.size(), tail.size(), tail) != 0)
    return -1;
  const std::string middle = Name.substr(head.size(), Name.size() - head.size() - tail.size());
  const size_t dot = middle.find('.');
  if (dot == 0 || dot == std::string::npos || dot + 1 == middle.size()) return -1;
  for (size_t i = 0; i < middle.size(); ++i)
    if (i != dot && (middle[i] < '0' || middle[i] > '9')) return -1;
  errno = 0;
  const long pid = std::strtol(middle.substr(0, dot).c_str(), nullptr, 10);
  return errno == 0 && pid > 0 && pid <= INT_MAX ? pid : -1;
}

}  // namespace

int RemoveStaleTempFiles(const std::string& FileName) {
  // The temporary files sit beside the file a link points to.
  const std::string target = FollowLinks(ResolveFileName(FileName)).value_or(FileName);
  const std::string dir = ExtractFileDir(target).empty() ? "." : ExtractFileDir(target);
  const std::string base = ExtractFileName(target);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return 0;
  int removed = 0;
  const time_t now = std::time(nullptr);
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    const long pid = TempFileOwner(name, base);
    if (pid < 0) continue;
    const std::string path = dir + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // A process of that number that still runs may be another program writing right now, unless
    // the file is far older than any write takes (the number was reused).
    const bool ownerGone =
        pid == ::getpid() || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
    if (!ownerGone && now - st.st_mtime < 600) continue;
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  ::closedir(d);
  return removed;
}

}  // namespace rtl
