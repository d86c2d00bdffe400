#include "platform/rtl/streams.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/rtl/exceptions.h"
#include "test_helpers.h"

using namespace rtl;

TEST(FileStream, WritesReadsSeeksAndResizes) {
  TempDir dir;
  const std::string name = dir / "data.bin";
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("hello world", 11);
    EXPECT_EQ(f.Size(), 11);
    EXPECT_EQ(f.Seek(-5, soEnd), 6);
    f.WriteBuffer("WORLD", 5);
    EXPECT_TRUE(f.Flush());
  }
  EXPECT_EQ(Slurp(name), "hello WORLD");
  {
    TFileStream f(name, fmOpenReadWrite | fmShareDenyNone);
    char buf[32] = {};
    EXPECT_EQ(f.Read(buf, sizeof buf), 11);  // short read returns the count
    EXPECT_EQ(f.Read(buf, 1), 0);
    f.SetPosition(6);
    EXPECT_EQ(f.Position(), 6);
    f.SetSize(5);
    EXPECT_EQ(f.Position(), 5);
    EXPECT_THROW(f.ReadBuffer(buf, 1), EReadError);
  }
  EXPECT_EQ(Slurp(name), "hello");
  {
    TFileStream f(name, fmOpenRead);
    EXPECT_EQ(f.Write("x", 1), 0);
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
  }
}

TEST(FileStream, OpenFailuresRaiseWithTheReason) {
  TempDir dir;
  try {
    TFileStream f(dir / "missing.txt", fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find("missing.txt"), std::string::npos);
    EXPECT_NE(e.Message().find("No such file"), std::string::npos);
  }
  EXPECT_THROW(TFileStream(dir / "no/dir/x", fmCreate), EFOpenError);
  EXPECT_THROW(TFileStream(dir.path(), fmOpenRead), EFOpenError);
}

TEST(MemoryStream, GrowsOnWriteAndFillsGaps) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  m.Seek(2, soCurrent);
  m.WriteBuffer("z", 1);
  ASSERT_EQ(m.Size(), 6);
  EXPECT_EQ(std::memcmp(m.Memory(), "abc\0\0z", 6), 0);
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 2);
  m.SetPosition(0);
  char buf[4] = {};
  EXPECT_EQ(m.Read(buf, 4), 2);
  EXPECT_THROW(m.Seek(-1, soBeginning), EStreamError);
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

TEST(MemoryStream, FilesAndCopies) {
  TempDir dir;
  TStringStream text("line one\r\nline two");
  text.SaveToFile(dir / "t.txt");
  EXPECT_EQ(Slurp(dir / "t.txt"), "line one\r\nline two");

  TMemoryStream loaded;
  loaded.LoadFromFile(dir / "t.txt");
  EXPECT_EQ(loaded.Size(), 18);
  EXPECT_EQ(loaded.Position(), 0);

  TMemoryStream part;
  loaded.SetPosition(5);
  EXPECT_EQ(part.CopyFrom(&loaded, 3), 3);
  TStringStream all;
  EXPECT_EQ(all.CopyFrom(&loaded, 0), 18);  // 0 copies the whole source
  EXPECT_EQ(all.DataString(), "line one\r\nline two");
  EXPECT_THROW(part.CopyFrom(&loaded, 1), EReadError);  // source exhausted
  part.SetPosition(0);
  char buf[3];
  part.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "one");
}

TEST(ResourceStream, ReadsRegisteredBlobsByNameOnly) {
  static constexpr std::array<uint8_t, 4> kBlob = {1, 2, 3, 4};
  RegisterResource("BRUSH_TEST", kBlob);
  TResourceStream r("brush_test");
  EXPECT_EQ(r.Size(), 4);
  uint8_t buf[4];
  r.ReadBuffer(buf, 4);
  EXPECT_EQ(buf[3], 4);
  EXPECT_THROW(r.WriteBuffer(buf, 1), EStreamError);
  EXPECT_THROW(TResourceStream("NO_SUCH"), EResNotFound);
}
