// The block-wise line reader against an independent splitter, and the mapped file stream.
#include "map/readers/earthtextreader.h"

#include "tests/map/tempfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <unistd.h>

namespace {

struct Line {
  std::string text;
  int64_t start;
};

// Lines as a reader should see them: CR LF, CR and LF each end a line; the piece after the last
// line end is the last line (empty when the text ends with a line end).
std::vector<Line> Split(const std::string& s) {
  std::vector<Line> lines;
  std::string current;
  int64_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\r' && s[i] != '\n') {
      current += s[i];
      continue;
    }
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    lines.push_back({current, start});
    current.clear();
    start = static_cast<int64_t>(i) + 1;
  }
  lines.push_back({current, start});
  return lines;
}

std::vector<Line> ReadAll(TEarthTextReader& r) {
  std::vector<Line> lines;
  std::string s;
  while (!r.Eof()) {
    r.ReadLn(s);
    lines.push_back({s, r.LinePosition()});
    if (lines.size() > 100000) break;
  }
  return lines;
}

void ExpectSameLines(const std::vector<Line>& got, const std::vector<Line>& want,
                     const std::string& where) {
  ASSERT_EQ(got.size(), want.size()) << where;
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].text, want[i].text) << where << " line " << i;
    EXPECT_EQ(got[i].start, want[i].start) << where << " line " << i;
  }
}

TEST(TextReader, CrLfFileGivesTwoLinesThenEnd) {
  TempFile f("A\r\nB");
  TEarthTextReader r(f.Name());
  EXPECT_EQ(r.GetSize(), 4);
  std::string s;
  r.ReadLn(s);
  EXPECT_EQ(s, "A");
  EXPECT_FALSE(r.Eof());
  r.ReadLn(s);
  EXPECT_EQ(s, "B");
  EXPECT_TRUE(r.Eof());
  r.ReadLn(s);
  EXPECT_EQ(s, "");
  EXPECT_TRUE(r.Eof());
}

TEST(TextReader, LongLineAndNulBytesAreKept) {
  std::string line(10'000, 'x');
  line[5000] = '\0';
  line[4095] = '\0';
  TempFile f(line + "\nend");
  TEarthTextReader r(f.Name());
  std::string s;
  r.ReadLn(s);
  EXPECT_EQ(s, line);
  r.ReadLn(s);
  EXPECT_EQ(s, "end");
}

TEST(TextReader, CrLfAcrossABlockBoundaryIsOneLineEnd) {
  TempFile f("abc\r\ndef\r\n");
  TEarthTextReader r(f.Name());
  r.SetTextBufferSize(4);  // CR is the last byte of block 0, LF the first of block 1
  ExpectSameLines(ReadAll(r), {{"abc", 0}, {"def", 5}, {"", 10}}, "boundary");
}

TEST(TextReader, SeekingToALineStartReadsItAgain) {
  TempFile f("one\ntwo\r\nthree\rfour");
  TEarthTextReader r(f.Name());
  r.SetTextBufferSize(3);
  std::string s;
  r.ReadLn(s);
  r.ReadLn(s);
  EXPECT_EQ(s, "two");
  const int64_t twoAt = r.LinePosition();
  r.ReadLn(s);
  r.ReadLn(s);
  EXPECT_EQ(s, "four");
  EXPECT_TRUE(r.Eof());
  r.SetPosition(twoAt);
  EXPECT_FALSE(r.Eof());
  r.ReadLn(s);
  EXPECT_EQ(s, "two");
  r.SetPosition(1000);
  EXPECT_TRUE(r.Eof());
  r.ReadLn(s);
  EXPECT_EQ(s, "");
}

TEST(TextReader, LastShortBlockShowsNothingOfTheBlockBefore) {
  TempFile f("0123456789\nab");
  TEarthTextReader r(f.Name());
  r.SetTextBufferSize(8);
  ExpectSameLines(ReadAll(r), {{"0123456789", 0}, {"ab", 11}}, "short block");
}

// Random texts with every mix of line ends, read with block sizes that put each line end at
// every position of a block.
TEST(TextReader, MatchesAnIndependentSplitterOverRandomLineEnds) {
  std::mt19937 rng(2026);
  static const char* kEnds[] = {"\r", "\n", "\r\n", "\r\r\n", "\n\r"};
  for (int round = 0; round < 60; ++round) {
    std::string text;
    const int lines = 1 + static_cast<int>(rng() % 30);
    for (int i = 0; i < lines; ++i) {
      const int length = static_cast<int>(rng() % 9);
      for (int k = 0; k < length; ++k) {
        const int c = static_cast<int>(rng() % 64);
        text += c == 0 ? '\0' : static_cast<char>('0' + c);
      }
      if (i + 1 < lines || rng() % 2) text += kEnds[rng() % 5];
    }
    if (text.empty()) text = "x";
    TempFile f(text);
    TEarthTextReader r(f.Name());
    const std::vector<Line> want = Split(text);
    for (int block = 1; block <= 12; ++block) {
      r.SetTextBufferSize(block);
      ExpectSameLines(ReadAll(r), want,
                      "round " + std::to_string(round) + " block " + std::to_string(block));
    }
    r.SetTextBufferSize(4096);
    ExpectSameLines(ReadAll(r), want, "round " + std::to_string(round) + " default block");
  }
}

TEST(MemoryMapStream, MapsTheWholeFileReadOnly) {
  TempFile f("hello");
  TMemoryMapStream m(f.Name());
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(std::string(static_cast<const char*>(m.Memory()), 5), "hello");
  char buf[3] = {};
  m.Seek(3, rtl::soBeginning);
  EXPECT_EQ(m.Read(buf, 3), 2);
  try {
    m.SetSize(1);
    FAIL();
  } catch (const EEarthException& e) {
    EXPECT_STREQ(e.what(), "TMemoryMapStream.SetSize: Not supported");
  }
  try {
    m.Write("x", 1);
    FAIL();
  } catch (const EEarthException& e) {
    EXPECT_STREQ(e.what(), "TMemoryMapStream.Write: Not supported");
  }
}

TEST(MemoryMapStream, AFileShortenedByAnotherProgramKeepsTheContentItHadWhenOpened) {
  // Several pages, so that a mapping would have pages past the new end.
  std::string content;
  for (int i = 0; content.size() < 5 * 4096; ++i) content += "line " + std::to_string(i) + "\n";
  TempFile f(content);
  TMemoryMapStream m(f.Name());
  TEarthTextReader r(f.Name());
  ASSERT_EQ(::truncate(f.Name().c_str(), 100), 0);  // as another program would
  ASSERT_EQ(std::filesystem::file_size(f.Name()), 100u);

  std::string back(content.size(), '\0');
  m.Seek(0, rtl::soBeginning);
  EXPECT_EQ(m.Read(back.data(), static_cast<int64_t>(back.size())),
            static_cast<int64_t>(content.size()));
  EXPECT_EQ(back, content);
  ExpectSameLines(ReadAll(r), Split(content), "shortened under the reader");

  ASSERT_EQ(::truncate(f.Name().c_str(), 0), 0);
  EXPECT_EQ(std::string(static_cast<const char*>(m.Memory()) + content.size() - 8, 8),
            content.substr(content.size() - 8));
}

TEST(MemoryMapStream, MissingAndEmptyFilesFail) {
  try {
    TMemoryMapStream m("/nonexistent/file.mif");
    FAIL();
  } catch (const EEarthException& e) {
    EXPECT_STREQ(e.what(), "Unable to open file /nonexistent/file.mif");
  }
  TempFile empty("");
  try {
    TEarthTextReader r(empty.Name());
    FAIL();
  } catch (const EEarthException& e) {
    EXPECT_STREQ(e.what(), "Unable to create file mapping");
  }
}

}  // namespace
