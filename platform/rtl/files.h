#pragma once
// File names and file system helpers. Paths use '/'; name matching that the program inherited
// from a case-insensitive file system is case-insensitive here too (wildcards, FindFileNoCase).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/datetime.h"

namespace rtl {

inline constexpr char PathDelim = '/';

bool FileExists(const std::string& FileName);  // anything but a directory
bool DirectoryExists(const std::string& Dir);
// Creates Dir and its missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& Dir);
// Last modification as seconds since 1970 (UTC), -1 when the file is missing.
int64_t FileAge(const std::string& FileName);
// Last modification as local time with sub-second precision; false when missing.
bool FileAge(const std::string& FileName, TDateTime& FileDateTime);
bool DeleteFile(const std::string& FileName);
// Does not replace an existing NewName.
bool RenameFile(const std::string& OldName, const std::string& NewName);
int64_t FileSize(const std::string& FileName);  // -1 when missing

std::string ExtractFileName(const std::string& FileName);  // after the last '/'
std::string ExtractFilePath(const std::string& FileName);  // up to and with the last '/'
std::string ExtractFileDir(const std::string& FileName);   // without the trailing '/'
std::string ExtractFileExt(const std::string& FileName);   // ".txt", "" without extension
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
// Absolute, with "." and ".." resolved textually (links are not followed).
std::string ExpandFileName(const std::string& FileName);
// DestName relative to the directory of BaseName ("../c/y.txt"); a BaseName ending in '/' is a
// directory itself.
std::string ExtractRelativePath(const std::string& BaseName, const std::string& DestName);
std::string IncludeTrailingPathDelimiter(const std::string& Path);
std::string ExcludeTrailingPathDelimiter(const std::string& Path);
// The directory of the running program, with a trailing '/'.
std::string ProgramDirectory();

// Wildcards '*' and '?', case-insensitive; a pattern ending in ".*" also matches names without
// an extension, and "*.*" matches everything.
bool MatchesMask(const std::string& FileName, const std::string& Mask);

enum : int {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faDirectory = 0x10,
  faArchive = 0x20,
  faAnyFile = 0x3F,
};

struct TSearchRec {
  std::string Name;
  int64_t Size = 0;
  int Attr = 0;
  int64_t Time = 0;  // seconds since 1970, as FileAge

  std::vector<TSearchRec> pending_;  // the matches not handed out yet
};

// Path is a directory plus a wildcard ("logs/_Q*.*"). Directories and hidden (dot) files are
// found only when Attr asks for them. Return 0 on success, non-zero when nothing (more) matches.
int FindFirst(const std::string& Path, int Attr, TSearchRec& F);
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);
// Names (not paths) of the files in Dir matching Wildcard, sorted.
std::vector<std::string> FindFiles(const std::string& Dir, const std::string& Wildcard,
                                   int Attr = faAnyFile & ~faDirectory);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& FileName);
// The name a chain of symbolic links ends in: the first that is no link, or is not there (a
// relative target counts from its link's folder); FileName itself when it is no link. Nothing,
// with errno set, for a chain that goes round or a link that cannot be read.
std::optional<std::string> FollowLinks(const std::string& FileName);
// Replaces FileName with Data so that a crash leaves either the old or the new file: writes a
// temporary file in the same directory, flushes it to the disk, renames it over FileName and
// flushes the directory. Keeps the permissions of an existing file and writes through symbolic
// links to the file they name (FollowLinks), made when it is not there yet. An existing file
// without any write permission, or one this process may not write, is refused. Raises EInOutError
// (with errno as ErrorCode); FileName is then unchanged. A target that is no regular file (a
// device, a FIFO) is written in place without waiting on it: a FIFO nobody reads, or one that
// cannot take all of Data at once, raises EInOutError.
void WriteFileAtomic(const std::string& FileName, std::string_view Data);

// The existing file whose name matches Path component by component without regard to case (an
// exact match wins), or nothing.
std::optional<std::string> FindFileNoCase(const std::string& Path);
// FindFileNoCase's answer when there is one, else Path unchanged.
std::string ResolveFileName(const std::string& Path);

}  // namespace rtl
