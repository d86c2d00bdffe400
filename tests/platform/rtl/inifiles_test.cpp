#include "platform/rtl/inifiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>

#include "platform/rtl/files.h"
#include "platform/rtl/stringlist.h"
#include "test_helpers.h"

using namespace rtl;

namespace {

void Put(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Whether Write raises EIniFileException while no file may grow beyond 1 KB.
template <class F>
bool RaisesWithSmallFiles(F Write) {
  struct rlimit saved {};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return false;
  const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 1024;
  bool raised = false;
  if (setrlimit(RLIMIT_FSIZE, &small) == 0) {
    try {
      Write();
    } catch (const EIniFileException&) {
      raised = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
  }
  signal(SIGXFSZ, oldHandler);
  return raised;
}

}  // namespace

TEST(IniFile, TwoObjectsWritingDifferentSectionsKeepBoth) {
  TempDir dir;
  const std::string name = dir / "corvatalen.ini";
  TIniFile layout(name);
  TIniFile settings(name);
  EXPECT_EQ(settings.ReadString("comms", "comport", "COM1"), "COM1");  // cached: no file yet
  layout.WriteInteger("DKToolWindow18", "Rev", 2000);
  settings.WriteString("comms", "comport", "/dev/ttyUSB0");
  layout.WriteInteger("DKToolWindow18", "DockRow", 2);
  settings.WriteFloat("settings", "targetangle", 45.5);

  TIniFile fresh(name);
  EXPECT_EQ(fresh.ReadInteger("DKToolWindow18", "Rev", 0), 2000);
  EXPECT_EQ(fresh.ReadInteger("DKToolWindow18", "DockRow", 0), 2);
  EXPECT_EQ(fresh.ReadString("comms", "comport", ""), "/dev/ttyUSB0");
  EXPECT_DOUBLE_EQ(fresh.ReadFloat("settings", "targetangle", 0), 45.5);
  // Each object also sees what the other wrote.
  EXPECT_EQ(layout.ReadString("comms", "comport", ""), "/dev/ttyUSB0");
}

TEST(IniFile, BadNumbersGiveTheDefault) {
  TempDir dir;
  Put(dir / "s.ini",
      "[settings]\nspeed=fast\nrange= 12 \nhex=0x1F\nbig=99999999999\nangle=45,5\n"
      "flag=yes\non=1\noff=0\nempty=\n");
  TIniFile ini(dir / "s.ini");
  EXPECT_EQ(ini.ReadInteger("settings", "speed", 7), 7);
  EXPECT_EQ(ini.ReadInteger("settings", "range", 7), 12);
  EXPECT_EQ(ini.ReadInteger("settings", "hex", 7), 31);
  EXPECT_EQ(ini.ReadInteger("settings", "big", 7), 7);
  EXPECT_EQ(ini.ReadInteger("settings", "empty", 7), 7);
  EXPECT_EQ(ini.ReadInteger("settings", "missing", 7), 7);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("settings", "angle", 1.5), 1.5);
  EXPECT_TRUE(ini.ReadBool("settings", "flag", true));
  EXPECT_FALSE(ini.ReadBool("settings", "flag", false));
  EXPECT_TRUE(ini.ReadBool("settings", "on", false));
  EXPECT_FALSE(ini.ReadBool("settings", "off", true));
  EXPECT_EQ(ini.ReadString("settings", "empty", "d"), "");  // present but empty
}

TEST(IniFile, WritesUseTheirTextFormsAndKeepEverythingElse) {
  TempDir dir;
  const std::string name = dir / "s.ini";
  Put(name,
      "; written by hand\n[Settings]\nSpeed=1\ngarbage "
      "line\n\n[video]\nVSource=cam\n[brokenheader\n");
  TIniFile ini(name);
  ini.WriteBool("settings", "sendperformance", true);
  ini.WriteInteger("SETTINGS", "speed", -3);
  ini.WriteFloat("restore", "lat", 5130.25);
  EXPECT_EQ(Slurp(name),
            "; written by hand\r\n[Settings]\r\nspeed=-3\r\ngarbage line\r\nsendperformance=1\r\n"
            "\r\n[video]\r\nVSource=cam\r\n[brokenheader\r\n\r\n[restore]\r\nlat=5130.25\r\n");
}

TEST(IniFile, ParsingIsTolerant) {
  TempDir dir;
  Put(dir / "t.ini",
      "orphan=1\r\n  [ Comms ]  \r\n  ComPort  =  COM3  \r\n=novalue\r\n\x01\x02\r\n"
      "comport=second\r\n[comms]\r\nbaud=4800\r\n#x=1\r\n;y=2\r\n[other]\nkey=a=b\n");
  TIniFile ini(dir / "T.INI");                                // another case of the same file
  EXPECT_EQ(ini.ReadString("COMMS", "comport", ""), "COM3");  // first one wins
  EXPECT_EQ(ini.ReadString("other", "KEY", ""), "a=b");
  EXPECT_EQ(ini.ReadString("", "orphan", "none"), "none");
  TStringList l;
  ini.ReadSections(&l);
  EXPECT_EQ(Items(l), (std::vector<std::string>{"Comms", "other"}));
  ini.ReadSection("comms", &l);
  EXPECT_EQ(Items(l), (std::vector<std::string>{"ComPort"}));
  ini.ReadSectionValues("other", &l);
  EXPECT_EQ(Items(l), (std::vector<std::string>{"key=a=b"}));
  EXPECT_TRUE(ini.SectionExists("OTHER"));
  EXPECT_FALSE(ini.SectionExists("none"));
  EXPECT_TRUE(ini.ValueExists("comms", "COMPORT"));
  EXPECT_FALSE(ini.ValueExists("comms", "baud"));  // in the second [comms], which is shadowed
}

TEST(IniFile, EraseSectionAndDeleteKey) {
  TempDir dir;
  const std::string name = dir / "e.ini";
  Put(name, "[a]\nx=1\ny=2\n[b]\nz=3\n[A]\nw=4\n");
  TIniFile ini(name);
  ini.DeleteKey("a", "X");
  EXPECT_EQ(ini.ReadString("a", "x", "gone"), "gone");
  EXPECT_EQ(ini.ReadString("a", "y", ""), "2");
  ini.EraseSection("A");
  EXPECT_FALSE(ini.SectionExists("a"));
  EXPECT_EQ(Slurp(name), "[b]\r\nz=3\r\n");
  ini.EraseSection("missing");
  ini.UpdateFile();
}

TEST(IniFile, ValuesThatWouldBreakTheFileAreRefused) {
  TempDir dir;
  TIniFile ini(dir / "x.ini");
  EXPECT_THROW(ini.WriteString("s", "k", "line\n[evil]\nk=1"), EIniFileException);
  EXPECT_THROW(ini.WriteString("s]", "k", "v"), EIniFileException);
  EXPECT_THROW(ini.WriteString("s", "a=b", "v"), EIniFileException);
  EXPECT_THROW(ini.WriteString("s", " ", "v"), EIniFileException);
  EXPECT_THROW(ini.WriteString("s", ";k", "v"), EIniFileException);
  EXPECT_FALSE(FileExists(dir / "x.ini"));
}

TEST(IniFile, ReplacesTheFileAtomicallyAndLeavesNoTemporaryFiles) {
  TempDir dir;
  const std::string name = dir / "a.ini";
  Put(name, "[keep]\nk=v\n");
  ASSERT_EQ(chmod(name.c_str(), 0640), 0);
  struct stat before {};
  ASSERT_EQ(stat(name.c_str(), &before), 0);
  TIniFile ini(name);
  ini.WriteString("new", "k", "v");
  struct stat after {};
  ASSERT_EQ(stat(name.c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino);  // a new file was renamed into place
  EXPECT_EQ(after.st_mode & 0777, 0640u);
  EXPECT_EQ(FindFiles(dir.path(), "*"), (std::vector<std::string>{"a.ini"}));

  // Through a symbolic link: the link stays, its target changes.
  ASSERT_EQ(symlink(name.c_str(), (dir / "link.ini").c_str()), 0);
  TIniFile viaLink(dir / "link.ini");
  viaLink.WriteString("keep", "k", "w");
  struct stat lst {};
  ASSERT_EQ(lstat((dir / "link.ini").c_str(), &lst), 0);
  EXPECT_TRUE(S_ISLNK(lst.st_mode));
  EXPECT_EQ(ini.ReadString("keep", "k", ""), "w");
}

TEST(IniFile, AFailedWriteLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string name = dir / "big.ini";
  std::string original = "[keep]\r\n";
  for (int i = 0; i < 400; ++i) original += "key" + std::to_string(i) + "=some value\r\n";
  Put(name, original);

  // The file system refuses to write more than 1 KB: the temporary file fails half-written.
  TIniFile ini(name);
  EXPECT_TRUE(RaisesWithSmallFiles([&] { ini.WriteString("new", "k", "v"); }));
  EXPECT_EQ(Slurp(name), original);
  EXPECT_EQ(FindFiles(dir.path(), "*"), (std::vector<std::string>{"big.ini"}));
  EXPECT_EQ(ini.ReadString("new", "k", "absent"), "absent");  // the failed change is not kept
  ini.WriteString("new", "k", "v");
  EXPECT_EQ(ini.ReadString("keep", "key399", ""), "some value");
}

// A settings file the user made read-only is not replaced behind their back (the rename would
// allow it), whether written key by key or in one commit; once writable again it takes the write.
TEST(IniFile, AReadOnlyFileIsRefusedAndStaysAsItWas) {
  TempDir dir;
  const std::string name = dir / "fixed.ini";
  const std::string original = "[comms]\r\ncomport=COM2\r\n";
  Put(name, original);
  ASSERT_EQ(chmod(name.c_str(), 0444), 0);
  TIniFile ini(name);
  EXPECT_THROW(ini.WriteString("comms", "comport", "COM5"), EIniFileException);
  EXPECT_THROW(ini.EraseSection("comms"), EIniFileException);
  TIniWriter batch(name);
  batch.WriteString("settings", "targetangle", "40");
  EXPECT_THROW(batch.UpdateFile(), EIniFileException);
  EXPECT_TRUE(batch.Modified());
  EXPECT_EQ(Slurp(name), original);
  EXPECT_EQ(ini.ReadString("comms", "comport", ""), "COM2");
  EXPECT_EQ(FindFiles(dir.path(), "*"), (std::vector<std::string>{"fixed.ini"}));

  ASSERT_EQ(chmod(name.c_str(), 0600), 0);
  batch.UpdateFile();
  EXPECT_EQ(ini.ReadString("settings", "targetangle", ""), "40");
  EXPECT_EQ(ini.ReadString("comms", "comport", ""), "COM2");
}

TEST(IniFile, MissingDirectoryRaisesOnWrite) {
  TempDir dir;
  TIniFile ini(dir / "no/such/dir.ini");
  EXPECT_EQ(ini.ReadString("a", "b", "d"), "d");
  EXPECT_THROW(ini.WriteString("a", "b", "c"), EIniFileException);
}

TEST(IniWriter, CommitsEveryChangeInOneReplaceAndKeepsWhatOthersWroteMeanwhile) {
  TempDir dir;
  const std::string name = dir / "corvatalen.ini";
  Put(name, "[comms]\ncomport=COM1\n[old]\nx=1\n[settings]\nspeed=3\n");
  struct stat before {};
  ASSERT_EQ(stat(name.c_str(), &before), 0);

  TIniWriter batch(name);
  batch.WriteString("comms", "comport", "/dev/ttyUSB0");
  for (int i = 0; i < 40; ++i) batch.WriteInteger("settings", "k" + std::to_string(i), i);
  batch.WriteFloat("settings", "targetangle", 37.5);
  batch.EraseSection("old");
  batch.WriteBool("old", "again", true);  // after the erasure: a fresh section
  batch.DeleteKey("settings", "speed");
  EXPECT_TRUE(batch.Modified());
  // Reads see the pending changes; the file does not have them yet.
  EXPECT_EQ(batch.ReadString("comms", "comport", ""), "/dev/ttyUSB0");
  EXPECT_EQ(batch.ReadInteger("settings", "speed", -1), -1);
  EXPECT_EQ(Slurp(name), "[comms]\ncomport=COM1\n[old]\nx=1\n[settings]\nspeed=3\n");

  // Another writer puts its section in the file before the commit.
  TIniFile layout(name);
  layout.WriteInteger("DKToolWindow18", "DockRow", 2);
  struct stat middle {};
  ASSERT_EQ(stat(name.c_str(), &middle), 0);

  batch.UpdateFile();
  EXPECT_FALSE(batch.Modified());
  struct stat after {};
  ASSERT_EQ(stat(name.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, middle.st_ino);
  EXPECT_EQ(FindFiles(dir.path(), "*"), (std::vector<std::string>{"corvatalen.ini"}));

  TIniFile fresh(name);
  EXPECT_EQ(fresh.ReadInteger("DKToolWindow18", "DockRow", 0), 2);
  EXPECT_EQ(fresh.ReadString("comms", "comport", ""), "/dev/ttyUSB0");
  EXPECT_EQ(fresh.ReadInteger("settings", "k39", 0), 39);
  EXPECT_DOUBLE_EQ(fresh.ReadFloat("settings", "targetangle", 0), 37.5);
  EXPECT_FALSE(fresh.ValueExists("settings", "speed"));
  EXPECT_FALSE(fresh.ValueExists("old", "x"));
  EXPECT_TRUE(fresh.ReadBool("old", "again", false));
  EXPECT_EQ(layout.ReadString("comms", "comport", ""), "/dev/ttyUSB0");

  // Nothing pending: the file is not touched.
  batch.UpdateFile();
  struct stat last {};
  ASSERT_EQ(stat(name.c_str(), &last), 0);
  EXPECT_EQ(last.st_ino, after.st_ino);
  EXPECT_THROW(batch.WriteString("a", "b\nc", "d"), EIniFileException);
}

TEST(IniWriter, AFailedCommitLeavesTheFileWholeAndTheChangesPending) {
  TempDir dir;
  const std::string name = dir / "big.ini";
  std::string original = "[dock]\r\n";
  for (int i = 0; i < 400; ++i) original += "key" + std::to_string(i) + "=some value\r\n";
  Put(name, original);
  TIniWriter batch(name);
  batch.WriteString("settings", "targetangle", "40");

  EXPECT_TRUE(RaisesWithSmallFiles([&] { batch.UpdateFile(); }));
  EXPECT_EQ(Slurp(name), original);
  EXPECT_EQ(FindFiles(dir.path(), "*"), (std::vector<std::string>{"big.ini"}));
  EXPECT_TRUE(batch.Modified());
  batch.UpdateFile();
  TIniFile fresh(name);
  EXPECT_EQ(fresh.ReadString("settings", "targetangle", ""), "40");
  EXPECT_EQ(fresh.ReadString("dock", "key399", ""), "some value");
}

TEST(IniWriter, StaleTemporaryFilesOfEndedProcessesAreRemoved) {
  TempDir dir;
  const std::string name = dir / "corvatalen.ini";
  Put(name, "[a]\nb=c\n");
  // A process number that surely ends before we look: a child that has been reaped.
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  const std::string gone = ".corvatalen.ini." + std::to_string(child) + ".7.tmp";
  const std::string mine = ".corvatalen.ini." + std::to_string(getpid()) + ".0.tmp";
  const std::string running = ".corvatalen.ini.1.3.tmp";  // pid 1 runs: maybe writing now
  const std::string ancient = ".corvatalen.ini.1.4.tmp";  // ... but not for an hour
  const std::vector<std::string> kept = {".corvatalen.ini.1.3.tmp", ".corvatalen.ini.x.1.tmp",
                                         ".corvatalen.ini.12.tmp", ".other.ini.1.1.tmp",
                                         "corvatalen.ini"};
  for (const std::string& f : {gone, mine, running, ancient, kept[1], kept[2], kept[3]})
    Put(dir / f, "[a]\nb=");
  struct timespec times[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / ancient).c_str(), times, 0), 0);

  EXPECT_EQ(RemoveStaleTempFiles(name), 3);
  std::vector<std::string> left = FindFiles(dir.path(), "*");
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected = kept;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);
  EXPECT_EQ(Slurp(name), "[a]\nb=c\n");
  ASSERT_EQ(symlink("new.ini", (dir / "link.ini").c_str()), 0);  // to a file not there yet
  Put(dir / (".new.ini." + std::to_string(child) + ".1.tmp"), "[a]");
  EXPECT_EQ(RemoveStaleTempFiles(dir / "link.ini"), 1) << "named after the file it names";
}
