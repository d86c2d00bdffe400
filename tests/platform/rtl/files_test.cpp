#include "platform/rtl/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <utility>

#include "platform/rtl/exceptions.h"
#include "test_helpers.h"

using namespace rtl;

namespace {

void Touch(const std::string& path, const std::string& text = "x") {
  std::ofstream(path) << text;
}

}  // namespace

TEST(FileNames, PartsOfAName) {
  EXPECT_EQ(ExtractFileName("/a/b/log.lg"), "log.lg");
  EXPECT_EQ(ExtractFileName("log.lg"), "log.lg");
  EXPECT_EQ(ExtractFilePath("/a/b/log.lg"), "/a/b/");
  EXPECT_EQ(ExtractFilePath("log.lg"), "");
  EXPECT_EQ(ExtractFileDir("/a/b/log.lg"), "/a/b");
  EXPECT_EQ(ExtractFileDir("/log.lg"), "/");
  EXPECT_EQ(ExtractFileExt("/a/b.c/log.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("/a/b.c/README"), "");
  EXPECT_EQ(ChangeFileExt("/x/05_12_2026_1.lg", ".avi"), "/x/05_12_2026_1.avi");
  EXPECT_EQ(ChangeFileExt("/x.d/name", ".ini"), "/x.d/name.ini");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a//"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(FileNames, ExpandAndRelate) {
  EXPECT_EQ(ExpandFileName("/a/./b/../c//d.txt"), "/a/c/d.txt");
  EXPECT_EQ(ExpandFileName("/../x"), "/x");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(ExpandFileName("sub/f.txt"), std::string(cwd) + "/sub/f.txt");
  EXPECT_EQ(ExtractRelativePath("/a/b/x.txt", "/a/c/y.txt"), "../c/y.txt");
  EXPECT_EQ(ExtractRelativePath("/a/b/", "/a/b/c/y.txt"), "c/y.txt");
  EXPECT_EQ(ExtractRelativePath("/a/b/x.txt", "/a/b/y.txt"), "y.txt");
  EXPECT_EQ(ExtractRelativePath("/a/b/x", "/q/y"), "../../q/y");
  const std::string prog = ProgramDirectory();
  EXPECT_EQ(prog.back(), '/');
  EXPECT_TRUE(DirectoryExists(prog));
}

TEST(Files, ExistRenameDeleteAndAge) {
  TempDir dir;
  const std::string a = dir / "a.txt";
  const std::string b = dir / "b.txt";
  EXPECT_FALSE(FileExists(a));
  EXPECT_EQ(FileAge(a), -1);
  Touch(a, "abc");
  EXPECT_TRUE(FileExists(a));
  EXPECT_FALSE(FileExists(dir.path()));
  EXPECT_TRUE(DirectoryExists(dir.path()));
  EXPECT_EQ(FileSize(a), 3);

  const time_t now = time(nullptr);
  EXPECT_LE(std::abs(FileAge(a) - now), 5);
  struct timespec times[2] = {{1700000000, 250000000}, {1700000000, 250000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
  EXPECT_EQ(FileAge(a), 1700000000);
  TDateTime age = 0;
  ASSERT_TRUE(FileAge(a, age));
  EXPECT_NEAR(DateTimeToUnix(age, true), 1700000000.25, 1e-3);  // sub-second precision

  EXPECT_TRUE(RenameFile(a, b));
  EXPECT_FALSE(FileExists(a));
  Touch(a, "new");
  EXPECT_FALSE(RenameFile(a, b));  // never replaces
  EXPECT_EQ(FileSize(b), 3);
  EXPECT_TRUE(DeleteFile(a));
  EXPECT_FALSE(DeleteFile(a));
  EXPECT_FALSE(DeleteFile(dir.path()));
}

TEST(Files, ForceDirectoriesCreatesParents) {
  TempDir dir;
  EXPECT_TRUE(ForceDirectories(dir / "x/y/z/"));
  EXPECT_TRUE(DirectoryExists(dir / "x/y/z"));
  EXPECT_TRUE(ForceDirectories(dir / "x/y"));
  Touch(dir / "file");
  EXPECT_FALSE(ForceDirectories(dir / "file/sub"));
}

TEST(FindFiles, WildcardsAreCaseInsensitiveLikeTheOriginalFileSystem) {
  TempDir dir;
  for (const char* n : {"_Q1.tmp", "_qold", "_Q2.DB", "keep.lg", ".hidden", "Q_x"}) Touch(dir / n);
  ASSERT_TRUE(ForceDirectories(dir / "_Qdir"));
  EXPECT_EQ(FindFiles(dir.path(), "_Q*.*"),
            (std::vector<std::string>{"_Q1.tmp", "_Q2.DB", "_qold"}));
  EXPECT_EQ(FindFiles(dir.path(), "*.lg"), (std::vector<std::string>{"keep.lg"}));
  EXPECT_EQ(FindFiles(dir.path(), "?_?"), (std::vector<std::string>{"Q_x"}));
  EXPECT_EQ(FindFiles(dir.path(), "*.*").size(), 6u);   // no directory
  EXPECT_EQ(FindFiles(dir.path(), "*", 0).size(), 5u);  // nor hidden files

  TSearchRec f;
  std::vector<std::string> all;
  for (int r = FindFirst(dir / "*", faAnyFile, f); r == 0; r = FindNext(f)) {
    all.push_back(f.Name);
    if (f.Name == "_Qdir") {
      EXPECT_TRUE(f.Attr & faDirectory);
    }
    if (f.Name == "keep.lg") {
      EXPECT_EQ(f.Size, 1);
    }
  }
  FindClose(f);
  EXPECT_EQ(all.size(), 7u);
  EXPECT_NE(FindFirst(dir / "none*", faAnyFile, f), 0);
  EXPECT_NE(FindFirst(dir / "missing/*", faAnyFile, f), 0);
}

TEST(FindFileNoCase, MatchesEachComponent) {
  TempDir dir;
  ASSERT_TRUE(ForceDirectories(dir / "Data/Maps"));
  Touch(dir / "Data/Maps/World.LYR");
  Touch(dir / "Data/corvatalen.ini");
  EXPECT_EQ(FindFileNoCase(dir / "data/maps/world.lyr"), dir / "Data/Maps/World.LYR");
  EXPECT_EQ(FindFileNoCase(dir / "DATA/CORVATALEN.INI"), dir / "Data/corvatalen.ini");
  EXPECT_EQ(FindFileNoCase(dir / "data/maps/"), dir / "Data/Maps/");
  EXPECT_EQ(FindFileNoCase(dir / "data/none.ini"), std::nullopt);
  EXPECT_EQ(ResolveFileName(dir / "data/none.ini"), dir / "data/none.ini");
  Touch(dir / "Data/CORVATALEN.INI");
  EXPECT_EQ(FindFileNoCase(dir / "Data/CORVATALEN.INI"), dir / "Data/CORVATALEN.INI");  // exact
}

// A settings file linked to a device or a FIFO: the save goes to what the link names, which stays
// what it is (the device must never become a regular file), and it never waits on a FIFO.
TEST(WriteFileAtomic, ADeviceOrAFifoBehindALinkIsWrittenInPlace) {
  TempDir dir;
  const std::string text = "[settings]\r\nspeed=1\r\n";
  if (mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "cannot make a device here: " << std::strerror(errno);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0666), 0);
  ASSERT_EQ(symlink("null", (dir / "corvatalen.ini").c_str()), 0);
  ASSERT_EQ(symlink("pipe", (dir / "nmeaout.txt").c_str()), 0);
  WriteFileAtomic(dir / "corvatalen.ini", text);
  EXPECT_THROW(WriteFileAtomic(dir / "nmeaout.txt", text), EInOutError);  // nobody reads
  const int reader = open((dir / "pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  WriteFileAtomic(dir / "nmeaout.txt", text);
  char got[64] = {};
  EXPECT_EQ(read(reader, got, sizeof got), static_cast<ssize_t>(text.size()));
  EXPECT_EQ(std::string(got), text);
  // More than the pipe holds while the reader reads nothing: told at once, not waited on.
  EXPECT_THROW(WriteFileAtomic(dir / "nmeaout.txt", std::string(4 << 20, 'x')), EInOutError);
  close(reader);
  EXPECT_TRUE(std::filesystem::is_character_file(dir / "null") &&
              std::filesystem::is_fifo(dir / "pipe"));
  EXPECT_EQ(FindFiles(dir.path(), "*"),
            (std::vector<std::string>{"corvatalen.ini", "nmeaout.txt", "null", "pipe"}));
}

// A relative target counts from its link's folder; into a missing folder or a loop is no save.
TEST(WriteFileAtomic, ALinkToAFileNotThereYetMakesThatFile) {
  TempDir dir;
  ASSERT_EQ(mkdir((dir / "sub").c_str(), 0777), 0);
  const std::vector<std::pair<std::string, std::string>> links = {
      {"abs.ini", dir / "abs.target"},  {"first", "sub/second"}, {"sub/second", "end.txt"},
      {"lost.ini", "nowhere/file.ini"}, {"loop1", "loop2"},      {"loop2", "loop1"}};
  for (const auto& [link, to] : links) ASSERT_EQ(symlink(to.c_str(), (dir / link).c_str()), 0);
  for (const auto& [name, made] : {std::pair{"abs.ini", "abs.target"}, {"first", "sub/end.txt"}}) {
    WriteFileAtomic(dir / name, "port=COM1\n");
    EXPECT_EQ(Slurp(dir / made), "port=COM1\n") << name;
  }
  for (const char* name : {"lost.ini", "loop1"})
    EXPECT_THROW(WriteFileAtomic(dir / name, "port=COM1\n"), EInOutError) << name;
}

TEST(ReadFileBytes, AFifoOrAnEndlessDeviceIsReadWithoutWaiting) {
  TempDir dir;
  if (mknod((dir / "zero").c_str(), S_IFCHR | 0666, makedev(1, 5)) != 0)
    GTEST_SKIP() << "cannot make a device here: " << std::strerror(errno);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0666), 0);
  alarm(20);  // a read that waits fails the test instead of holding it for good
  EXPECT_EQ(ReadFileBytes(dir / "pipe"), std::string());
  const int writer = open((dir / "pipe").c_str(), O_RDWR | O_CLOEXEC);  // held open, silent
  ASSERT_EQ(write(writer, "[comms]\n", 8), 8);
  EXPECT_EQ(ReadFileBytes(dir / "pipe"), std::string("[comms]\n"));
  close(writer);
  const size_t zeros = ReadFileBytes(dir / "zero").value_or("").size();
  EXPECT_TRUE(zeros > 0 && zeros <= size_t{64} << 20) << zeros;
  alarm(0);
}
