#include "platform/rtl/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

namespace rtl {

namespace {

bool Stat(const std::string& name, struct stat& st) {
  return !name.empty() && ::stat(name.c_str(), &st) == 0;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= path.size()) {
    const size_t j = std::min(path.find('/', i), path.size());
    if (j > i) parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

std::string JoinPath(const std::vector<std::string>& parts, bool absolute) {
  std::string r = absolute ? "/" : "";
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) r += '/';
    r += parts[i];
  }
  return r;
}

}  // namespace

bool FileExists(const std::string& FileName) {
  struct stat st {};
  return Stat(FileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& Dir) {
  struct stat st {};
  return Stat(Dir, st) && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& Dir) {
  const std::string dir = ExcludeTrailingPathDelimiter(Dir);
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  const std::string parent = ExtractFileDir(dir);
  if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
  return ::mkdir(dir.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(dir));
}

int64_t FileAge(const std::string& FileName) {
  struct stat st {};
  return Stat(FileName, st) ? static_cast<int64_t>(st.st_mtim.tv_sec) : -1;
}

bool FileAge(const std::string& FileName, TDateTime& FileDateTime) {
  struct stat st {};
  if (!Stat(FileName, st)) return false;
  FileDateTime =
      UnixToDateTime(static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9, true);
  return true;
}

int64_t FileSize(const std::string& FileName) {
  struct stat st {};
  return Stat(FileName, st) ? static_cast<int64_t>(st.st_size) : -1;
}

bool DeleteFile(const std::string& FileName) {
  return !FileName.empty() && !DirectoryExists(FileName) && ::unlink(FileName.c_str()) == 0;
}

bool RenameFile(const std::string& OldName, const std::string& NewName) {
  if (OldName.empty() || NewName.empty()) return false;
  if (::renameat2(AT_FDCWD, OldName.c_str(), AT_FDCWD, NewName.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the no-replace rename: link then unlink never replaces either.
  if (::link(OldName.c_str(), NewName.c_str()) != 0) return false;
  return ::unlink(OldName.c_str()) == 0;
}

std::string ExtractFileName(const std::string& FileName) {
  const size_t p = FileName.rfind('/');
  return p == std::string::npos ? FileName : FileName.substr(p + 1);
}

std::string ExtractFilePath(const std::string& FileName) {
  const size_t p = FileName.rfind('/');
  return p == std::string::npos ? std::string() : FileName.substr(0, p + 1);
}

std::string ExtractFileDir(const std::string& FileName) {
  const size_t p = FileName.rfind('/');
  if (p == std::string::npos) return {};
  return p == 0 ? "/" : FileName.substr(0, p);
}

std::string ExtractFileExt(const std::string& FileName) {
  const size_t dot = FileName.rfind('.');
  const size_t slash = FileName.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return FileName.substr(dot);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
  const std::string ext = ExtractFileExt(FileName);
  return FileName.substr(0, FileName.size() - ext.size()) + Extension;
}

std::string ExpandFileName(const std::string& FileName) {
  std::string path = FileName;
  if (path.empty() || path[0] != '/') {
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return FileName;
    path = std::string(cwd) + "/" + path;
  }
  std::vector<std::string> out;
  for (const std::string& part : SplitPath(path)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back(part);
  }
  std::string r = JoinPath(out, true);
  if (FileName.size() > 1 && FileName.back() == '/' && r.size() > 1) r += '/';
  return r;
}

std::string ExtractRelativePath(const std::string& BaseName, const std::string& DestName) {
  const std::vector<std::string> base = SplitPath(ExtractFilePath(ExpandFileName(BaseName)));
  const std::vector<std::string> dest = SplitPath(ExpandFileName(DestName));
  size_t common = 0;
  while (common < base.size() && common + 1 < dest.size() && base[common] == dest[common]) {
    ++common;
  }
  std::string r;
  for (size_t i = common; i < base.size(); ++i) r += "../";
  for (size_t i = common; i < dest.size(); ++i) {
    r += dest[i];
    if (i + 1 < dest.size()) r += '/';
  }
  return r;
}

std::string IncludeTrailingPathDelimiter(const std::string& Path) {
  return !Path.empty() && Path.back() == '/' ? Path : Path + "/";
}

std::string ExcludeTrailingPathDelimiter(const std::string& Path) {
  std::string r = Path;
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  return r;
}

std::string ProgramDirectory() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return IncludeTrailingPathDelimiter(ExpandFileName("."));
  return ExtractFilePath(std::string(buf, static_cast<size_t>(n)));
}

bool MatchesMask(const std::string& FileName, const std::string& Mask) {
  if (Mask == "*.*" || Mask == "*") return true;
  if (::fnmatch(Mask.c_str(), FileName.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0) return true;
  if (Mask.size() > 2 && Mask.compare(Mask.size() - 2, 2, ".*") == 0 &&
      FileName.find('.') == std::string::npos) {
    const std::string stem = Mask.substr(0, Mask.size() - 2);
    return ::fnmatch(stem.c_str(), FileName.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0;
  }
  return false;
}

namespace {

std::vector<std::string> ListDirectory(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return names;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

int FindFirst(const std::string& Path, int Attr, TSearchRec& F) {
  F = TSearchRec{};
  const std::string dir = ExtractFilePath(Path);
  const std::string mask = ExtractFileName(Path);
  for (const std::string& name : ListDirectory(dir)) {
    if (!MatchesMask(name, mask)) continue;
    struct stat st {};
    if (!Stat(dir + name, st)) continue;
    TSearchRec r;
    r.Name = name;
    r.Size = static_cast<int64_t>(st.st_size);
    r.Time = static_cast<int64_t>(st.st_mtim.tv_sec);
    if (S_ISDIR(st.st_mode)) r.Attr |= faDirectory;
    if (name[0] == '.') r.Attr |= faHidden;
    if (::access((dir + name).c_str(), W_OK) != 0) r.Attr |= faReadOnly;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) r.Attr |= faSysFile;
    if (!S_ISDIR(st.st_mode)) r.Attr |= faArchive;
    // Like the original: special attributes must be asked for; plain files always match.
    if (r.Attr & ~Attr & (faDirectory | faHidden | faSysFile)) continue;
    F.pending_.push_back(std::move(r));
  }
  std::reverse(F.pending_.begin(), F.pending_.end());
  return FindNext(F);
}

int FindNext(TSearchRec& F) {
  if (F.pending_.empty()) return ENOENT;
  std::vector<TSearchRec> rest = std::move(F.pending_);
  TSearchRec next = std::move(rest.back());
  rest.pop_back();
  F.Name = std::move(next.Name);
  F.Size = next.Size;
  F.Attr = next.Attr;
  F.Time = next.Time;
  F.pending_ = std::move(rest);
  return 0;
}

void FindClose(TSearchRec& F) {
  F.pending_.clear();
}

std::vector<std::string> FindFiles(const std::string& Dir, const std::string& Wildcard, int Attr) {
  std::vector<std::string> names;
  TSearchRec f;
  for (int r = FindFirst(IncludeTrailingPathDelimiter(Dir) + Wildcard, Attr, f); r == 0;
       r = FindNext(f)) {
    names.push_back(f.Name);
  }
  FindClose(f);
  return names;
}

std::optional<std::string> FindFileNoCase(const std::string& Path) {
  if (Path.empty()) return std::nullopt;
  struct stat st {};
  if (Stat(Path, st)) return Path;
  const bool absolute = Path[0] == '/';
  std::string current = absolute ? "/" : "";
  const std::vector<std::string> parts = SplitPath(Path);
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string found;
    if (part == "." || part == ".." || Stat(current + part, st)) {
      found = part;
    } else {
      for (const std::string& name : ListDirectory(current)) {
        if (SameText(name, part)) {
          found = name;
          break;
        }
      }
    }
    if (found.empty()) return std::nullopt;
    current += found;
    if (i + 1 < parts.size()) current += '/';
  }
  if (!Stat(current, st)) return std::nullopt;
  if (Path.size() > 1 && Path.back() == '/') current += '/';
  return current;
}

std::optional<std::string> ReadFileBytes(const std::string& FileName) {
  // A FIFO or a device a name may lead to is read without waiting: what it holds now, and from
  // an endless one (a copy of /dev/zero) no more than a settings file could sensibly be.
  constexpr size_t kMostFromAStream = size_t{16} << 20;
  const int fd = ::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  // Read into a string of the file's size, in large pieces; whatever the file grew or shrank to
  // meanwhile is taken as it is.
  struct stat st {};
  std::string data;
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (regular && st.st_size > 0) data.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  char more[65536];  // past the size seen: the end, or what was added since
  for (;;) {
    const bool inside = got < data.size();
    const ssize_t n =
        inside ? ::read(fd, data.data() + got, data.size() - got) : ::read(fd, more, sizeof more);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) break;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    if (!inside) data.append(more, static_cast<size_t>(n));
    got += static_cast<size_t>(n);
    if (!regular && got >= kMostFromAStream) break;
  }
  ::close(fd);
  data.resize(got);
  return data;
}

namespace {

// As many links as the kernel follows in one name before it gives up (ELOOP).
constexpr int kMostLinks = 40;

[[noreturn]] void FailWrite(const std::string& FileName, int err, const char* what) {
  throw EInOutError(Format("Unable to write to %s (%s: %s)", FileName, what, std::strerror(err)),
                    err);
}

// Writes all of Data: 0, or the errno of the failure (ENOSPC for a write that took nothing).
int WriteAll(int fd, std::string_view Data) {
  size_t done = 0;
  while (done < Data.size()) {
    const ssize_t n = ::write(fd, Data.data() + done, Data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    done += static_cast<size_t>(n);
  }
  return 0;
}

// A device, a FIFO or a socket that a save reaches is written as it stands: replacing it would
// put a regular file in its place (a link to /dev/null would take the system's /dev/null with
// it). Nothing waits on it: a FIFO nobody reads, or one that cannot take the whole text at once,
// is a failed save.
void WriteInPlace(const std::string& FileName, const std::string& target, std::string_view Data) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) FailWrite(FileName, errno, "open");
  if (const int err = WriteAll(fd, Data)) {
    ::close(fd);
    FailWrite(FileName, err, "write");
  }
  if (::close(fd) != 0 && errno != EINTR) FailWrite(FileName, errno, "close");
}

}  // namespace

std::optional<std::string> FollowLinks(const std::string& FileName) {
  std::string path = FileName;
  for (int hops = 0; hops < kMostLinks; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code ec;
    const std::string target = std::filesystem::read_symlink(path, ec).string();
    if (ec) {
      errno = ec.value();
      return std::nullopt;
    }
    // The kernel resolves a relative target from the link's folder, ".." through links included:
    // joined as text, the name means what it meant in the link.
    path = target.empty() || target[0] == '/' ? target : ExtractFilePath(path) + target;
  }
  errno = ELOOP;
  return std::nullopt;
}

void WriteFileAtomic(const std::string& FileName, std::string_view Data) {
  // Through symbolic links to the file they name, there or not yet, so that the links stay.
  const std::optional<std::string> followed = FollowLinks(FileName);
  if (!followed) FailWrite(FileName, errno, "link");
  const std::string& target = *followed;
  const std::string shown = target == FileName ? FileName : FileName + ", a link to " + target;
  auto fail = [&](int err, const char* what) { FailWrite(shown, err, what); };
  // Only a regular file (or none) is replaced whole; a directory is left to the rename to refuse.
  if (struct stat st {}; ::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode) &&
                         !S_ISDIR(st.st_mode)) {
    WriteInPlace(shown, target, Data);
    return;
  }
  const std::string dir = ExtractFileDir(target).empty() ? "." : ExtractFileDir(target);
  // The rename would replace a file the user made read-only, or one we may not write: such a
  // file is refused as writing it in place would be. No write bit at all counts for root too,
  // as a read-only attribute does.
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
      ((existing.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)) {
    fail((existing.st_mode & 0222) == 0 ? EACCES : errno, "open");
  }
  // A new file gets the usual permissions (0666 less the umask), an existing one keeps its own.
  std::string temp;
  int fd = -1;
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = Format("%s/.%s.%d.%u.tmp", dir, ExtractFileName(target), static_cast<int>(::getpid()),
                  counter++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) fail(errno, "create");
  auto abandon = [&](const char* what) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    fail(err, what);
  };
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && ::fchmod(fd, st.st_mode & 07777) != 0) abandon("chmod");
  if (const int err = WriteAll(fd, Data)) {
    errno = err;
    abandon("write");
  }
  if (::fsync(fd) != 0) abandon("fsync");
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    fail(err, "close");
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    fail(err, "rename");
  }
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);  // the rename itself reaches the disk
    ::close(dfd);
  }
}

std::string ResolveFileName(const std::string& Path) {
  return FindFileNoCase(Path).value_or(Path);
}

}  // namespace rtl
