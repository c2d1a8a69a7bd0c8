#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <string>

#include "frame/exports.h"
#include "base/lock_rule.h"
#include "base/paths.h"
#include "base/settings.h"
#include "base/text.h"
#include "support/backend_test.h"
#include "support/files.h"

namespace vqm {
namespace {

using test::FileExists;
using test::ReadFileBytes;

constexpr const char* kQuotes = "C:/Database/RTPM/Quotes/";
constexpr const char* kMultipliers = "C:/Database/RTPM/Multi.ini";

// Each case removes, writes and reads back its file, so both backends may share the files.
class RtpmTest : public test::BackendTest {
 protected:
  static std::string Content(const std::string& path) {
    std::string s;
    ReadFileBytes(path, &s);
    return s;
  }
};

TEST_P(RtpmTest, QuoteFiles) {
  struct Case {
    std::string symbol;
    float value;
    std::string line;
  } cases[] = {
      {"ES", 5123.25f, "5123.2500M\r\n"},
      {"EURUSD", 1.0852f, "1.08520M\r\n"},  // six characters: five decimals
      {"EURUSD1", 1.0852f, "1.0852M\r\n"},
      {"ESX", -0.5f, "-0.5000M\r\n"},
      {"NQ", 1e9f, "1000000000.0000M\r\n"},
  };
  for (const Case& c : cases) {
    const std::string path = kQuotes + c.symbol + ".txt";
    test::RemoveFile(path);
    EXPECT_EQ(static_cast<int>(c.line.size()), api().VQM_RTPM(c.symbol.c_str(), c.value));
    EXPECT_EQ(c.line, Content(path)) << c.symbol;
  }
}

TEST_P(RtpmTest, RefusedSymbols) {
  EXPECT_EQ(-1, api().VQM_RTPM(nullptr, 1.5f));
  EXPECT_EQ(-1, api().VQM_RTPM("", 1.5f));
  EXPECT_EQ(-1, api().VQM_RTPM("../Escaped", 1.5f));
  EXPECT_EQ(-1, api().VQM_RTPM("a/b", 1.5f));
  EXPECT_EQ(-1, api().VQM_RTPM("C:x", 1.5f));
  EXPECT_FALSE(FileExists("C:/Database/RTPM/Escaped.txt"));
  EXPECT_EQ(-1, api().VQM_RTPM("*   ", 2.0f));
  EXPECT_EQ(-1, api().VQM_RTPM("*@", 2.0f));
  EXPECT_EQ(-1, api().VQM_RTPM("*A=B", 2.0f));
  EXPECT_EQ(-1, api().VQM_RTPM("*X\r\n[Other]", 2.0f));
}

// A multiplier name may hold 1000 characters: a longer key is refused, not handed to the
// system's profile functions (Wine's faults on a key of 100 000 characters).
TEST_P(RtpmTest, LongMultiplierNames) {
  api().VQM_RTPM("DIRS", 1.0f);  // makes the RTPM directory
  test::RemoveFile(kMultipliers);
  const std::string longest(1000, 'K');
  const std::string written = "[Multiplier]\r\n" + longest + "=2.00000\r\n";
  EXPECT_EQ(0, api().VQM_RTPM(("*" + longest).c_str(), 2.0f));
  EXPECT_TRUE(written == Content(kMultipliers));
  for (size_t length : {1001u, 40000u, 100000u})
    EXPECT_EQ(-1, api().VQM_RTPM(("*" + std::string(length, 'K')).c_str(), 3.0f)) << length;
  EXPECT_TRUE(written == Content(kMultipliers));
  test::RemoveFile(kMultipliers);
}

TEST_P(RtpmTest, Multipliers) {
  api().VQM_RTPM("DIRS", 1.0f);  // makes the RTPM directory
  test::RemoveFile(kMultipliers);
  EXPECT_EQ(0, api().VQM_RTPM("*ES", 1.0f));
  EXPECT_FALSE(FileExists(kMultipliers));
  EXPECT_EQ(0, api().VQM_RTPM("*@ CL2 ", 1000.0f));
  EXPECT_EQ(0, api().VQM_RTPM("*EURUSD", 100000.0f));
  EXPECT_EQ(0, api().VQM_RTPM("*ES1", 50.0f));
  EXPECT_EQ(0, api().VQM_RTPM("*E", 2.5f));
  EXPECT_EQ(0, api().VQM_RTPM("*ES", 49.5f));  // replaces the ES key
  EXPECT_EQ(0, api().VQM_RTPM("*NAN", NAN));   // not-a-number is not 1.0 and is written
  std::string nan = Content(kMultipliers);
  EXPECT_EQ(
      "[Multiplier]\r\nCL=1000.0000\r\nEURUSD=100000.00000\r\nES=49.5000\r\nE=2.5000\r\n"
      "NAN=nan\r\n",
      nan);
}

VQM_INSTANTIATE_BACKEND_TESTS(RtpmTest);

// Two processes writing 300 multiplier keys each into one file at the same time: every
// write holds the file's lock from its read to its replace, so all 600 keys stay.
TEST(MultiplierFile, TwoProcessesKeepEveryKey) {
#if defined(_WIN32)
  GTEST_SKIP() << "the system's private-profile functions serve Windows";
#else
  test::RemoveFile(kMultipliers);
  MakeDirectoryPath("C:/Database/RTPM", 0);  // the multiplier file's folder is not made for it
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      for (int i = 0; i < 300; ++i) {
        const std::string name = "*P" + std::to_string(p) + "K" + std::to_string(i) + "X";
        if (VQM_RTPM(name.c_str(), 2.0f) != 0) _exit(1);
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ExportLock lock;  // the settings reader is the library's own, run as an export runs it
  int kept = 0;
  for (int p = 0; p < 2; ++p)
    for (int i = 0; i < 300; ++i) {
      const std::string key = "P" + std::to_string(p) + "K" + std::to_string(i) + "X";
      char value[100];
      ReadIniString("Multiplier", key.c_str(), "", value, sizeof value, kMultipliers);
      kept += atof(value) == 2.0;  // 4 or 5 decimals, by the name's length
    }
  EXPECT_EQ(600, kept);
#endif
}

class ReadIntTest : public test::BackendTest {};

TEST_P(ReadIntTest, FileContents) {
  const std::string dir = test::FreshTestDirectory(inProcess() ? "readint" : "readint_dll");
  struct Case {
    std::string content;
    int expected;
  } cases[] = {
      {"  42\r\n", 42},       {"-7 apples", -7},          {"abc", 0},
      {"", 0},                {"-1", -1},                 {"99999999999", 2147483647},
      {"-99999999999", -2147483647 - 1},                  {"+15x", 15},
      {"\t\n 8", 8},          {std::string("12\0 34", 6), 12},
  };
  for (const Case& c : cases) {
    const std::string path = dir + "/n.txt";
    test::WriteFileBytes(path, c.content);
    EXPECT_EQ(c.expected, api().VQM_ReadInt(path.c_str())) << c.content;
  }
  EXPECT_EQ(-1, api().VQM_ReadInt(dir.c_str()));  // a directory
  EXPECT_EQ(-1, api().VQM_ReadInt((dir + "/missing.txt").c_str()));
  EXPECT_EQ(-1, api().VQM_ReadInt(""));
  EXPECT_EQ(-1, api().VQM_ReadInt(nullptr));
}

VQM_INSTANTIATE_BACKEND_TESTS(ReadIntTest);

}  // namespace
}  // namespace vqm
