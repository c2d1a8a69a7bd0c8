#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataio/byte_scan.h"
#include "dataio/column_loader.h"
#include "dataio/get_field.h"
#include "dataio/line_list.h"
#include "dataio/line_reader.h"
#include "dataio/text_string.h"
#include "support/environment.h"
#include "support/files.h"

namespace vqm {
namespace {

using test::WriteFileBytes;

std::vector<std::string> ReadAll(const std::string& path, int size, std::vector<int>* results) {
  LineReader reader;
  EXPECT_EQ(1, reader.Open(path.c_str()));
  std::vector<std::string> lines;
  std::vector<char> buffer(static_cast<size_t>(size) + 1);
  for (;;) {
    const int n = reader.ReadLine(buffer.data(), size);
    if (results) results->push_back(n);
    if (n < 0) break;
    EXPECT_EQ(static_cast<size_t>(n), std::string(buffer.data()).size());
    lines.push_back(buffer.data());
  }
  reader.Close();
  return lines;
}

// The lines a list loads: the reader's lines, split in the list's own block.
std::vector<std::string> LoadAll(const std::string& path, const LineList::Rewrite* rewrite = nullptr) {
  LineList list;
  CTxt error;
  const int n = list.Load(path.c_str(), error, 0, rewrite);
  std::vector<std::string> lines;
  for (int i = 0; i < n; ++i) lines.push_back(list.TextAt(i));
  return lines;
}

class FileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = test::FreshTestDirectory("fileaccess"); }
  void TearDown() override { test::SetEnv("BGETLRAM", nullptr); }
  std::string Path(const char* name) const { return dir_ + "/" + name; }
  std::string dir_;
};

TEST_F(FileAccessTest, LineEndings) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {std::string("a\r\nb\n\nc", 7), {"a", "b", "", "c"}},
      {std::string("x\0y\x1az\n", 6), {"x", "y", "z"}},
      {std::string("one\n\x1atwo\n", 9), {"one"}},  // Ctrl-Z at a line start ends the file
      {"ab\rcd\r\n", {"abcd"}},
      {"", {}},
      {"\n", {""}},
  };
  for (const Case& c : cases) {
    WriteFileBytes(Path("e.txt"), c.bytes);
    EXPECT_EQ(c.lines, ReadAll(Path("e.txt"), 100, nullptr));
    EXPECT_EQ(c.lines, LoadAll(Path("e.txt")));
  }
}

TEST_F(FileAccessTest, LongLinesAreCutAndTheRestDropped) {
  std::string content(150000, 'L');
  content += "\nnext\n";
  WriteFileBytes(Path("long.txt"), content);
  std::vector<int> results;
  const std::vector<std::string> lines = ReadAll(Path("long.txt"), 100000, &results);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(std::string(99999, 'L'), lines[0]);
  EXPECT_EQ("next", lines[1]);
  EXPECT_EQ((std::vector<int>{99999, 4, -1}), results);
  EXPECT_EQ(lines, LoadAll(Path("long.txt")));
}

TEST_F(FileAccessTest, SmallBlocksStillReturnWholeLines) {
  test::SetEnv("BGETLRAM", "10");  // raised to 1010 bytes
  std::string content;
  std::vector<std::string> expected;
  for (int i = 0; i < 400; ++i) {
    expected.push_back(std::string(static_cast<size_t>(i % 37), static_cast<char>('a' + i % 26)) +
                       std::to_string(i));
    content += expected.back() + (i % 2 ? "\r\n" : "\n");
  }
  WriteFileBytes(Path("blocks.txt"), content);
  EXPECT_EQ(expected, ReadAll(Path("blocks.txt"), 1000, nullptr));

  // A list splits its lines in its own block as the reader would: random bytes rich in
  // line ends, CRs, NULs and Ctrl-Zs, with lines that cross the 1010-byte blocks; then
  // larger files read in the usual blocks, whose lines cross the windows the bytes are
  // scanned in. Each with every scan width the processor runs.
  unsigned seed = 17;
  for (int file = 0; file < 240; ++file) {
    const bool large = file >= 200;
    test::SetEnv("BGETLRAM", large ? nullptr : "10");
    std::string bytes;
    const int length = static_cast<int>((seed = seed * 69069 + 1) >> (large ? 15 : 20));
    for (int i = 0; i < length; ++i) {
      seed = seed * 69069 + 1;
      const unsigned pick = seed >> 24;
      // The large files hold few stops of any kind but the usual CR LF.
      bytes += pick < 8 ? (large && pick < 5 && seed % 128 != 0 ? '\n' : "\n\r\0\x1a\"\n\r,"[pick])
               : pick < 24 ? ','
               : large && pick < 26 ? '\r'
                                    : static_cast<char>('a' + pick % 26);
      if (large && bytes.back() == '\r') bytes += '\n';
    }
    WriteFileBytes(Path("random.txt"), bytes);
    std::vector<std::string> lines = ReadAll(Path("random.txt"), 100000, nullptr);
    std::vector<std::string> rewritten = lines;
    // The column loader's rewrite, made in bulk while the lines are split where it can be,
    // gives each line what the rewrite of the line read alone gives.
    for (std::string& line : rewritten)
      line.resize(static_cast<size_t>(CommasToTabs(&line[0], static_cast<int>(line.size()))));
    for (int width = 16; width <= WidestScanWidth(); width *= 2) {
      LimitScanWidth(width);
      ASSERT_EQ(lines, LoadAll(Path("random.txt"))) << file << ", width " << width;
      ASSERT_EQ(rewritten, LoadAll(Path("random.txt"), &kCommasToTabs)) << file << ", width " << width;
    }
    LimitScanWidth(64);
  }
}

TEST_F(FileAccessTest, AFileCutWhileReadEndsItsLines) {
  test::SetEnv("BGETLRAM", "1010");
  // Longer than the C library's own buffer, which may hold the first few kilobytes.
  WriteFileBytes(Path("cut.txt"), std::string(100000, 'c') + "\n");
  LineReader reader;
  ASSERT_EQ(1, reader.Open(Path("cut.txt").c_str()));  // reads the first 1010 bytes
  WriteFileBytes(Path("cut.txt"), "");                  // another program empties the file
  std::vector<int> results;
  char buffer[100];
  for (int n = 0; n >= 0 && results.size() < 5;) {
    n = reader.ReadLine(buffer, sizeof buffer);
    results.push_back(n);
  }
  EXPECT_EQ((std::vector<int>{99, -1}), results);
}

// The reading ends where the bytes end, whatever size the file had at the open: a file that
// shrinks while it is read, or a directory (which POSIX opens but that yields no bytes).
TEST_F(FileAccessTest, ReadingEndsWhereTheBytesEnd) {
  test::SetEnv("BGETLRAM", "10");  // blocks of 1010 bytes
  std::string content;
  for (int i = 0; i < 500; ++i) content += "line" + std::to_string(i) + "\n";
  WriteFileBytes(Path("shrinks.txt"), content);
  LineReader reader;
  ASSERT_EQ(1, reader.Open(Path("shrinks.txt").c_str()));
  WriteFileBytes(Path("shrinks.txt"), content.substr(0, 1500));  // cut after the first block
  char buf[100];
  int lines = 0;
  while (reader.ReadLine(buf, sizeof buf) >= 0) ASSERT_LT(++lines, 1000) << "read for ever";
  reader.Close();
  EXPECT_GE(lines, 1010 / 7);  // the first block's lines at least

  LineList list;
  CTxt error;
  EXPECT_LE(list.Load(dir_.c_str(), error, 0), 0);  // no line, or cannot open (Windows)
}

TEST_F(FileAccessTest, OpenFailureAndErrorTexts) {
  LineReader reader;
  EXPECT_EQ(0, reader.Open(Path("missing.txt").c_str()));
  char buf[8];
  EXPECT_EQ(-1, reader.ReadLine(buf, sizeof buf));

  LineList list;
  list.Add("kept");
  CTxt error;
  EXPECT_EQ(-1, list.Load(Path("missing.txt").c_str(), error, 0));
  EXPECT_EQ("Cannot open " + Path("missing.txt") + " (No such file or directory)",
            std::string(error.GetText()));
  EXPECT_EQ(1, list.GetSize());  // the list keeps its previous lines

  CTxt t("data");
  EXPECT_EQ(-1, t.WriteToFile("", 0));
  EXPECT_STREQ("Missing filename", t.GetText());
  t.Set("data");
  EXPECT_EQ(-1, t.WriteToFile(nullptr, 1));
  EXPECT_STREQ("Missing filename", t.GetText());
  EXPECT_EQ(-1, t.ReadFromFile(Path("nope/x").c_str()));
  EXPECT_EQ("Cannot open '" + Path("nope/x") + "' (No such file or directory)",
            std::string(t.GetText()));
}

TEST_F(FileAccessTest, LoadLimitsAndAppends) {
  WriteFileBytes(Path("five.txt"), "1\n2\n3\n4\n5\n");
  LineList list;
  CTxt error;
  EXPECT_EQ(2, list.Load(Path("five.txt").c_str(), error, 2));
  EXPECT_STREQ("2", list.TextAt(1));
  EXPECT_EQ(7, list.Load(Path("five.txt").c_str(), error, -1));
  EXPECT_STREQ("1", list.TextAt(2));
  EXPECT_EQ(5, list.Load(Path("five.txt").c_str(), error, 0));
  EXPECT_EQ(nullptr, list.TextAt(5));
  EXPECT_EQ(nullptr, list.TextAt(-1));
  EXPECT_EQ(-1, list.SetAt(-1, "x"));
  EXPECT_EQ(0, list.SetAt(8, "eight"));
  EXPECT_EQ(9, list.GetSize());
  EXPECT_EQ(nullptr, list.TextAt(6));  // skipped over: an empty entry
  EXPECT_STREQ("eight", list.TextAt(8));
  EXPECT_EQ(0, list.SetAt(0, nullptr));
  EXPECT_STREQ("", list.TextAt(0));
}

TEST_F(FileAccessTest, TextStringFileOperationsAndTrim) {
  CTxt t("12.5M\r\n");
  EXPECT_EQ(7, t.WriteToFile(Path("q.txt").c_str(), 0));
  EXPECT_EQ(7, t.WriteToFile(Path("q.txt").c_str(), 1));
  CTxt r;
  EXPECT_EQ(14, r.ReadFromFile(Path("q.txt").c_str()));
  EXPECT_STREQ("12.5M\r\n12.5M\r\n", r.GetText());
  EXPECT_EQ(7, t.WriteToFile(Path("q.txt").c_str(), 2));  // any mode but 1 replaces
  r.ReadFromFile(Path("q.txt").c_str());
  EXPECT_STREQ("12.5M\r\n", r.GetText());

  struct Case {
    const char* in;
    char c;
    const char* out;
    int length;
  } cases[] = {{"  ES  ", ' ', "ES", 2}, {"    ", ' ', "", 0}, {"", ' ', "", 0},
               {"xxaxx", 'x', "a", 1},   {"a b", ' ', "a b", 3}};
  for (const Case& c : cases) {
    CTxt s(c.in);
    EXPECT_EQ(c.length, s.Trim(c.c)) << c.in;
    EXPECT_STREQ(c.out, s.GetText()) << c.in;
  }
  CTxt cut("abcdef");
  cut.CutAt(10);
  EXPECT_STREQ("abcdef", cut.GetText());
  cut.CutAt(2);
  EXPECT_STREQ("ab", cut.GetText());
  EXPECT_EQ('b', cut.CharAt(1));
  EXPECT_EQ(0, cut.CharAt(2));
  EXPECT_EQ(0, cut.CharAt(-1));
  CTxt unset;
  EXPECT_STREQ("", unset.GetText());
}

}  // namespace
}  // namespace vqm

namespace vqm {
namespace {

TEST(GetField, SingleFieldsAndBeyondTheLast) {
  struct Case {
    const char* text;
    char delim;
    int field;
    int result;
    const char* out;
  } cases[] = {
      {"20240315\t0930\t1.5", '\t', 1, 8, "20240315"}, {"20240315\t0930\t1.5", '\t', 3, 3, "1.5"},
      {"a\t\tc", '\t', 2, 0, ""},                      {"a\tb", '\t', 3, -2, ""},
      {"", '\t', 1, -2, ""},                           {"x,y", ',', 2, 1, "y"},
  };
  for (const Case& c : cases) {
    CTxt out("previous");
    EXPECT_EQ(c.result, GetField(c.text, c.delim, c.field, c.field, out)) << c.text;
    EXPECT_STREQ(c.out, out.GetText()) << c.text;
  }
  CTxt out;
  const std::string huge(20000, 'h');
  EXPECT_EQ(9999, GetField(huge.c_str(), ',', 1, 1, out));
}

}  // namespace
}  // namespace vqm
