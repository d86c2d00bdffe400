#include "platform/rtl/stringlist.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "test_helpers.h"

using namespace rtl;

namespace {

struct ChangeCounter {
  void Changed(TObject*) { ++changes; }
  int changes = 0;
};

}  // namespace

TEST(StringList, EditsAndObjects) {
  TStringList l;
  TComponent tag(nullptr);
  EXPECT_EQ(l.Add("b"), 0);
  EXPECT_EQ(l.AddObject("c", &tag), 1);
  l.Insert(0, "a");
  EXPECT_EQ(Items(l), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(l.Objects(2), &tag);
  EXPECT_EQ(l.IndexOfObject(&tag), 2);
  EXPECT_EQ(l.IndexOf("B"), 1);
  EXPECT_EQ(l.IndexOf("x"), -1);
  l.Exchange(0, 2);
  EXPECT_EQ(l.Strings(0), "c");
  EXPECT_EQ(l.Objects(0), &tag);
  l.Move(0, 2);
  EXPECT_EQ(Items(l), (std::vector<std::string>{"b", "a", "c"}));
  l.Delete(1);
  EXPECT_EQ(l.Count(), 2);
  EXPECT_THROW(l.Get(2), EListError);
  EXPECT_THROW(l.Delete(-1), EListError);
  EXPECT_THROW(l.Insert(5, "x"), EListError);
}

TEST(StringList, TextSplitsAnyLineBreakAndWritesCrLf) {
  TStringList l;
  l.SetText("one\r\ntwo\nthree\rfour\n\nsix");
  EXPECT_EQ(Items(l), (std::vector<std::string>{"one", "two", "three", "four", "", "six"}));
  EXPECT_EQ(l.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n\r\nsix\r\n");
  l.SetText("");
  EXPECT_EQ(l.Count(), 0);
  l.SetText("last\r\n");
  EXPECT_EQ(l.Count(), 1);
}

TEST(StringList, CommaAndDelimitedText) {
  TStringList l;
  l.SetCommaText("a, \"b c\",\"say \"\"hi\"\"\",,d e");
  EXPECT_EQ(Items(l), (std::vector<std::string>{"a", "b c", "say \"hi\"", "", "d", "e"}));
  EXPECT_EQ(l.CommaText(), "a,\"b c\",\"say \"\"hi\"\"\",,d,e");
  TStringList back;
  back.SetCommaText(l.CommaText());
  EXPECT_EQ(Items(back), Items(l));

  TStringList strict;
  strict.Delimiter = ';';
  strict.StrictDelimiter = true;
  strict.SetDelimitedText("x y;z;");
  EXPECT_EQ(Items(strict), (std::vector<std::string>{"x y", "z", ""}));
  EXPECT_EQ(strict.DelimitedText(), "x y;z;");

  TStringList single;
  single.Add("");
  EXPECT_EQ(single.CommaText(), "\"\"");
}

TEST(StringList, NamesAndValuesIgnoreCase) {
  TStringList l;
  l.Add("Port=COM1");
  l.Add("baud=4800");
  l.Add("no separator");
  EXPECT_EQ(l.Values("port"), "COM1");
  EXPECT_EQ(l.Values("missing"), "");
  EXPECT_EQ(l.Names(1), "baud");
  EXPECT_EQ(l.ValueFromIndex(1), "4800");
  EXPECT_EQ(l.Names(2), "");
  EXPECT_EQ(l.IndexOfName("BAUD"), 1);
  l.SetValue("BAUD", "9600");
  EXPECT_EQ(l[1], "BAUD=9600");
  l.SetValue("new", "1");
  EXPECT_EQ(l.Count(), 4);
  l.SetValue("port", "");
  EXPECT_EQ(l.IndexOfName("port"), -1);
}

TEST(StringList, SortedListsKeepOrderAndHandleDuplicates) {
  TStringList l;
  l.Add("pear");
  l.Add("Apple");
  l.Add("fig");
  l.SetSorted(true);
  EXPECT_EQ(Items(l), (std::vector<std::string>{"Apple", "fig", "pear"}));
  EXPECT_EQ(l.Add("banana"), 1);
  EXPECT_EQ(l.Add("APPLE"), 0);  // ignored duplicate
  EXPECT_EQ(l.Count(), 4);
  EXPECT_EQ(l.IndexOf("PEAR"), 3);
  EXPECT_THROW(l.Insert(0, "x"), EListError);
  l.Duplicates = dupError;
  EXPECT_THROW(l.Add("fig"), EListError);
  l.Duplicates = dupAccept;
  l.Add("fig");
  EXPECT_EQ(l.Count(), 5);
  int at = -1;
  EXPECT_FALSE(l.Find("cherry", at));
  EXPECT_EQ(at, 2);

  TStringList c;
  c.SetCaseSensitive(true);
  c.SetText("b\na\nB\nA");
  c.Sort();
  EXPECT_EQ(Items(c), (std::vector<std::string>{"A", "B", "a", "b"}));
  c.CustomSort([](const TStringList& s, int x, int y) { return CompareStr(s[y], s[x]); });
  EXPECT_EQ(Items(c), (std::vector<std::string>{"b", "a", "B", "A"}));
}

TEST(StringList, FilesAndStreamsUseCrLf) {
  TempDir dir;
  TStringList l;
  l.SetText("$PTAK,FFP1,  TBS, KNOTS\nsecond");
  l.SaveToFile(dir / "nmeaout.txt");
  std::ifstream in(dir / "nmeaout.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "$PTAK,FFP1,  TBS, KNOTS\r\nsecond\r\n");
  TStringList loaded;
  loaded.LoadFromFile(dir / "nmeaout.txt");
  EXPECT_EQ(Items(loaded), Items(l));
  EXPECT_THROW(loaded.LoadFromFile(dir / "missing.txt"), EFOpenError);

  TStringStream s("x\ny");
  s.SetPosition(2);
  loaded.LoadFromStream(&s);  // from the current position
  EXPECT_EQ(Items(loaded), (std::vector<std::string>{"y"}));
}

// A file the user made read-only stays as it is, however the folder is; one kept private stays
// private.
TEST(StringList, ASaveKeepsWhatTheFilesPermissionsSay) {
  TempDir dir;
  const std::string fixed = dir / "fixed.txt", own = dir / "own.txt";
  std::ofstream(fixed, std::ios::binary) << "$IIHDT,1,T\r\n";
  std::ofstream(own, std::ios::binary) << "$IIHDT,2,T\r\n";
  ASSERT_EQ(::chmod(fixed.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(own.c_str(), 0600), 0);
  TStringList l;
  l.Add("$IIHDT,3,T");
  EXPECT_THROW(l.SaveToFile(fixed), EInOutError);
  EXPECT_EQ(Slurp(fixed), "$IIHDT,1,T\r\n");
  l.SaveToFile(own);
  EXPECT_EQ(Slurp(own), "$IIHDT,3,T\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(StringList, OnChangeFiresOncePerUpdate) {
  TStringList l;
  ChangeCounter counter;
  l.OnChange = MakeEvent(&counter, &ChangeCounter::Changed);
  l.Add("a");
  EXPECT_EQ(counter.changes, 1);
  l.SetText("x\ny\nz");
  EXPECT_EQ(counter.changes, 2);
  l.BeginUpdate();
  l.Add("1");
  l.Delete(0);
  EXPECT_EQ(counter.changes, 2);
  l.EndUpdate();
  EXPECT_EQ(counter.changes, 3);

  TStringList copy;
  copy.Assign(&l);
  EXPECT_EQ(Items(copy), Items(l));
  TComponent other(nullptr);
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}
